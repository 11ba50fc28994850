#include "network/NetworkKeyTable.h"

#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <random>

namespace tagmint::network {

NetworkKeyTable::NetworkKeyTable(QString identifier, QList<NetworkKeyEntry> entries, quint32 flags)
    : m_identifier(std::move(identifier)), m_entries(std::move(entries)), m_flags(flags)
{
}

int NetworkKeyTable::chooseLocked(SettingsStore& settings, qint64 nowSecs)
{
    if (m_index >= 0 || m_entries.isEmpty())
        return m_index;
    const QString timeSection = QLatin1String(kTimeSection);
    const QString indexSection = QLatin1String(kIndexSection);
    const qint64 storedTime =
        settings.readString(timeSection, m_identifier).value_or(QStringLiteral("-1")).toLongLong();
    const int storedIndex = settings.readInt(indexSection, m_identifier, -1);
    if (storedTime > 0 && storedIndex >= 0 && storedIndex < count() && nowSecs - storedTime <= kKeepSeconds
        && nowSecs >= storedTime) {
        m_index = storedIndex;
        return m_index;
    }
    std::mt19937 generator{quint32(nowSecs)};
    m_index = int(generator() % quint32(count()));
    settings.writeString(timeSection, m_identifier, QString::number(nowSecs));
    settings.writeString(indexSection, m_identifier, QString::number(m_index));
    return m_index;
}

int NetworkKeyTable::chosenIndex(SettingsStore& settings, qint64 nowSecs)
{
    std::lock_guard lock(m_mutex);
    return chooseLocked(settings, nowSecs);
}

QString NetworkKeyTable::serviceKey(SettingsStore& settings, qint64 nowSecs)
{
    std::lock_guard lock(m_mutex);
    const int index = chooseLocked(settings, nowSecs);
    return index < 0 ? QString() : m_entries.at(index).serviceKey.left(259);
}

QString NetworkKeyTable::clientIdentity(SettingsStore& settings, qint64 nowSecs)
{
    std::lock_guard lock(m_mutex);
    const int index = chooseLocked(settings, nowSecs);
    if (index < 0)
        return QString();
    if (!m_identityDecoded) {
        const QString& stored = m_entries.at(index).clientIdentity;
        m_identity = (m_flags & IdentityInBase64)
            ? QString::fromUtf8(QByteArray::fromBase64(stored.toLatin1())).left(259)
            : stored.left(259);
        m_identityDecoded = true;
    }
    return m_identity;
}

QList<NetworkKeyEntry> keyEntriesFromJson(const QByteArray& json, const QString& identifier)
{
    QList<NetworkKeyEntry> entries;
    const QJsonArray array = QJsonDocument::fromJson(json).object().value(identifier).toArray();
    for (const QJsonValue& value : array) {
        const QJsonObject entry = value.toObject();
        const QString key = entry.value(QStringLiteral("key")).toString().trimmed();
        const QString identity = entry.value(QStringLiteral("identity")).toString().trimmed();
        entries.append({key, identity});
    }
    return entries;
}

namespace {

QByteArray deploymentFile()
{
    QStringList candidates;
    const QString fromEnvironment = qEnvironmentVariable("TAGMINT_NETWORK_KEYS");
    if (!fromEnvironment.isEmpty())
        candidates << fromEnvironment;
    if (QCoreApplication::instance())
        candidates << QCoreApplication::applicationDirPath() + QStringLiteral("/../share/tagmint/network-keys.json");
    candidates << QStringLiteral(TAGMINT_INSTALLED_DATA_DIR "/network-keys.json");
    for (const QString& path : candidates) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            return file.read(1024 * 1024);
    }
    return QByteArray();
}

NetworkKeyTable makeTable(const char* identifier)
{
    static const QByteArray json = deploymentFile();
    return NetworkKeyTable(QLatin1String(identifier), keyEntriesFromJson(json, QLatin1String(identifier)),
                           NetworkKeyTable::IdentityInBase64);
}

} // namespace

NetworkKeyTable& musicBrainzKeyTable()
{
    static NetworkKeyTable table = makeTable("MusicBrainzW");
    return table;
}

NetworkKeyTable& acoustIdKeyTable()
{
    static NetworkKeyTable table = makeTable("AcoustIDKeys");
    return table;
}

NetworkKeyTable& albumInfoKeyTable()
{
    static NetworkKeyTable table = makeTable("AlbumInfoWS");
    return table;
}

} // namespace tagmint::network
