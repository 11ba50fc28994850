#pragma once
// Where the four web services are and how fast we may ask them: base URLs
// from the environment (TAGMINT_*_URL), else the settings file's "Network"
// section, else the public services; pacing, time-out and the user's own
// client keys from the same places.

#include <QString>

class SettingsStore;

namespace tagmint::network {

enum class Service { MusicBrainz, AcoustId, CoverArt, AlbumInfo };

class NetworkConfig {
public:
    static constexpr const char* kSection = "Network";

    // Reads everything once from the environment and the settings.
    explicit NetworkConfig(const SettingsStore& settings);
    // The public services and their default pacing (no settings, no environment).
    NetworkConfig() = default;

    // Without a trailing slash; the request paths are appended.
    QString baseUrl(Service service) const;
    // The least time between two requests to the service.
    int paceMs(Service service) const;
    // The longest a single request may take, redirects included.
    int timeoutMs() const { return m_timeoutMs; }
    // The user's own client key for AcoustID or the album-information
    // service (environment first); empty when they gave none.
    QString userKey(Service service) const;

    // "TAGMINT_MUSICBRAINZ_URL", ... and the settings keys "MusicBrainzURL", ...
    static QString urlVariable(Service service);
    static QString urlSettingKey(Service service);
    // "MusicBrainzPaceMs", ...
    static QString paceSettingKey(Service service);
    static QString defaultBaseUrl(Service service);
    static int defaultPaceMs(Service service);

    void setBaseUrl(Service service, const QString& url);
    void setPaceMs(Service service, int ms);
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }

private:
    QString m_urls[4];
    int m_pace[4] = {defaultPaceMs(Service::MusicBrainz), defaultPaceMs(Service::AcoustId),
                     defaultPaceMs(Service::CoverArt), defaultPaceMs(Service::AlbumInfo)};
    int m_timeoutMs = 30000;
    QString m_acoustIdKey;
    QString m_albumInfoKey;
};

} // namespace tagmint::network
