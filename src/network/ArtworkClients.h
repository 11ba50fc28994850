#pragma once
// Artwork from the network: the Cover Art Archive's front cover of a
// release, and the image an album-information service (Last.fm's
// album.getinfo) names for an artist and album. Both paced, retried and
// cached for 30 days; bytes that do not decode to a sane picture are never
// used or cached.

#include "network/LookupContext.h"
#include "network/NetworkConfig.h"
#include "network/ServiceCaller.h"

#include <QImage>
#include <optional>

namespace tagmint::network {

// Pictures are refused beyond these (a cover is rarely above 3000×3000).
inline constexpr qint64 kMaxArtworkBytes = 16 * 1024 * 1024;
inline constexpr qint64 kMaxArtworkPixels = 40'000'000;

// The picture in bytes, decoded by content; null when they do not decode
// or would decode to more than kMaxArtworkPixels.
QImage decodeArtwork(const QByteArray& bytes);

enum class ArtworkFetch {
    Found,      // bytes of a picture
    NotFound,   // the service has none (404)
    Failed,     // refused, unreachable, or stopped
};

class CoverArtClient {
public:
    CoverArtClient(const NetworkConfig& config, QString userAgent);

    ArtworkFetch fetchFront(const LookupContext& context, const QString& releaseId, QByteArray* bytes);
    // The first release with a front cover, through the cache; stops at a
    // failed request. Null when none.
    QImage coverForReleases(const LookupContext& context, const QStringList& releaseIds);

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
    // The album's picture, through the cache; null when none.
    QImage artwork(const LookupContext& context, const QString& artist, const QString& album);

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
