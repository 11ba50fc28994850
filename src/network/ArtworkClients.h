#pragma once
// Artwork from the network: the Cover Art Archive's front cover of a
// release, and the image an album-information service (Last.fm's
// album.getinfo) names for an artist and album. Both paced, retried and
// cached for 30 days; bytes that do not decode to a sane picture are never
// used or cached.

#include "network/ArtworkImage.h"
#include "network/LookupContext.h"
#include "network/NetworkConfig.h"
#include "network/ServiceCaller.h"

#include <optional>

namespace tagmint::network {

enum class ArtworkFetch {
    Found,      // bytes of a picture
    NotFound,   // the service has none (404)
    Failed,     // refused, unreachable, or stopped
};

class CoverArtClient {
public:
    CoverArtClient(const NetworkConfig& config, QString userAgent);

    ArtworkFetch fetchFront(const LookupContext& context, const QString& releaseId, QByteArray* bytes);
    // The first release with a front cover, through the cache, with the bytes
    // it came as; stops at a failed request. A null image when none.
    tags::TagPicture coverForReleases(const LookupContext& context, const QStringList& releaseIds);

    // Offline: pictures come from the cache alone, expired or not.
    void setCacheOnly(bool cacheOnly) { m_cacheOnly = cacheOnly; }

    static ServiceGate& gate();

private:
    QString m_baseUrl;
    QByteArray m_userAgent;
    int m_timeoutMs;
    bool m_cacheOnly = false;
};

class AlbumInfoClient {
public:
    AlbumInfoClient(const NetworkConfig& config, QString apiKey, QString userAgent);

    bool hasKey() const { return !m_apiKey.isEmpty(); }
    // The album's picture with its bytes, through the cache; a null image
    // when none.
    tags::TagPicture artwork(const LookupContext& context, const QString& artist, const QString& album);

    void setCacheOnly(bool cacheOnly) { m_cacheOnly = cacheOnly; }

    static ServiceGate& gate();

private:
    std::optional<QByteArray> request(const LookupContext& context, const QByteArray& url);

    QString m_baseUrl;
    QString m_apiKey;
    QByteArray m_userAgent;
    int m_timeoutMs;
    bool m_cacheOnly = false;
};

// The image URL of an album.getinfo answer: the first non-empty entry of
// size "extralarge", else "large", "mega", "medium", "small"; only http and
// https URLs. Empty when none.
QString pickImageUrl(const QByteArray& json);

} // namespace tagmint::network
