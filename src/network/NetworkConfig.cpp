#include "network/NetworkConfig.h"

#include "settings/SettingsStore.h"

namespace tagmint::network {

namespace {

int index(Service service) { return int(service); }

const char* serviceWord(Service service)
{
    switch (service) {
    case Service::MusicBrainz: return "MusicBrainz";
    case Service::AcoustId: return "AcoustID";
    case Service::CoverArt: return "CoverArt";
    case Service::AlbumInfo: return "AlbumInfo";
    }
    return "";
}

QString trimmedUrl(QString url)
{
    url = url.trimmed();
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    return url;
}

QString fromEnvironmentOrSettings(const char* variable, const SettingsStore& settings, const QString& key)
{
    const QString fromEnvironment = qEnvironmentVariable(variable).trimmed();
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return settings.readString(QLatin1String(NetworkConfig::kSection), key).value_or(QString()).trimmed();
}

} // namespace

NetworkConfig::NetworkConfig(const SettingsStore& settings)
{
    const QString section = QLatin1String(kSection);
    for (Service service : {Service::MusicBrainz, Service::AcoustId, Service::CoverArt, Service::AlbumInfo}) {
        setBaseUrl(service,
                   fromEnvironmentOrSettings(urlVariable(service).toLatin1().constData(), settings, urlSettingKey(service)));
        setPaceMs(service, settings.readInt(section, paceSettingKey(service), defaultPaceMs(service)));
    }
    m_timeoutMs = qBound(1000, settings.readInt(section, QStringLiteral("TimeoutMs"), 30000), 600000);
    m_acoustIdKey = fromEnvironmentOrSettings("TAGMINT_ACOUSTID_KEY", settings, QStringLiteral("AcoustIDKey"));
    m_albumInfoKey = fromEnvironmentOrSettings("TAGMINT_ALBUMINFO_KEY", settings, QStringLiteral("AlbumInfoKey"));
}

QString NetworkConfig::baseUrl(Service service) const
{
    const QString& url = m_urls[index(service)];
    return url.isEmpty() ? defaultBaseUrl(service) : url;
}

int NetworkConfig::paceMs(Service service) const { return m_pace[index(service)]; }

QString NetworkConfig::userKey(Service service) const
{
    if (service == Service::AcoustId)
        return m_acoustIdKey;
    if (service == Service::AlbumInfo)
        return m_albumInfoKey;
    return QString();
}

QString NetworkConfig::urlVariable(Service service)
{
    return QStringLiteral("TAGMINT_%1_URL").arg(QString::fromLatin1(serviceWord(service)).toUpper());
}

QString NetworkConfig::urlSettingKey(Service service)
{
    return QString::fromLatin1(serviceWord(service)) + QStringLiteral("URL");
}

QString NetworkConfig::paceSettingKey(Service service)
{
    return QString::fromLatin1(serviceWord(service)) + QStringLiteral("PaceMs");
}

QString NetworkConfig::defaultBaseUrl(Service service)
{
    switch (service) {
    case Service::MusicBrainz: return QStringLiteral("https://musicbrainz.org");
    case Service::AcoustId: return QStringLiteral("https://api.acoustid.org");
    case Service::CoverArt: return QStringLiteral("https://coverartarchive.org");
    case Service::AlbumInfo: return QStringLiteral("https://ws.audioscrobbler.com");
    }
    return QString();
}

int NetworkConfig::defaultPaceMs(Service service)
{
    // The public services' published limits: MusicBrainz one request a
    // second per address, AcoustID three.
    switch (service) {
    case Service::MusicBrainz: return 1000;
    case Service::AcoustId: return 334;
    case Service::CoverArt: return 800;
    case Service::AlbumInfo: return 200;
    }
    return 1000;
}

void NetworkConfig::setBaseUrl(Service service, const QString& url) { m_urls[index(service)] = trimmedUrl(url); }

void NetworkConfig::setPaceMs(Service service, int ms) { m_pace[index(service)] = qBound(0, ms, 60000); }

} // namespace tagmint::network
