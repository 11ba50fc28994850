#pragma once
// The MusicBrainz web service (ws/2, XML): an artist's albums from release
// searches (three pages at most), one release's tracks, an artist's name.
// Requests go one at a time, paced, retried on server errors; answers are
// cached for 21 days and an expired entry serves when the service fails.

#include "network/AlbumTypes.h"
#include "network/LookupContext.h"
#include "network/NetworkConfig.h"
#include "network/ServiceCaller.h"

#include <optional>

namespace tagmint::network {

class MusicBrainzClient {
public:
    MusicBrainzClient(const NetworkConfig& config, QString userAgent);

    static constexpr int kPageSize = 100;
    static constexpr int kMaxReleases = 300;

    // Fetches without the cache. False when a page failed or the run stopped.
    bool albumsForArtist(const LookupContext& context, const QString& name, const QString& id, ArtistAlbums& albums);
    std::optional<AlbumDetails> albumDetails(const LookupContext& context, const QString& title,
                                             const QString& releaseId);
    QString artistNameForId(const LookupContext& context, const QString& id);

    // Through the cache: by name and identifier (an identifier that finds
    // nothing under the given name is resolved to the artist's own name).
    std::optional<ArtistAlbums> cachedArtistAlbums(const LookupContext& context, const QString& name,
                                                   const QString& id);
    std::optional<AlbumDetails> cachedAlbumDetails(const LookupContext& context, const QString& title,
                                                   const QString& releaseId);

    // The search text for an artist: artist:"name", with the query
    // language's special characters escaped.
    static QString artistSearchText(const QString& name);

    // Offline: the cached forms answer from the cache alone, expired or not.
    void setCacheOnly(bool cacheOnly) { m_cacheOnly = cacheOnly; }

    static ServiceGate& gate();

private:
    std::optional<QByteArray> query(const LookupContext& context, const QByteArray& pathAndQuery);

    QString m_baseUrl;
    QByteArray m_userAgent;
    int m_timeoutMs;
    bool m_cacheOnly = false;
};

} // namespace tagmint::network
