#include "network/ArtworkClients.h"

#include "network/ResultCache.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QImageReader>
#include <QUrl>

namespace tagmint::network {

QImage decodeArtwork(const QByteArray& bytes)
{
    if (bytes.isEmpty() || bytes.size() > kMaxArtworkBytes)
        return QImage();
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || qint64(size.width()) * size.height() > kMaxArtworkPixels)
        return QImage();
    QImage image;
    if (!reader.read(&image))
        return QImage();
    return image;
}

namespace {

// A cached picture that no longer decodes (or a damaged entry) is fetched again.
QImage cachedImage(ResultCache& cache, const QByteArray& key, PersistentCacheStore::Lookup* found)
{
    QByteArray bytes;
    *found = cache.get(key, &bytes);
    return *found == PersistentCacheStore::Absent ? QImage() : decodeArtwork(bytes);
}

} // namespace

CoverArtClient::CoverArtClient(const NetworkConfig& config, QString userAgent)
    : m_baseUrl(config.baseUrl(Service::CoverArt)), m_userAgent(userAgent.toUtf8()), m_timeoutMs(config.timeoutMs())
{
    gate().setPaceMs(config.paceMs(Service::CoverArt));
}

ServiceGate& CoverArtClient::gate()
{
    static ServiceGate coverArt(NetworkConfig::defaultPaceMs(Service::CoverArt));
    return coverArt;
}

ArtworkFetch CoverArtClient::fetchFront(const LookupContext& context, const QString& releaseId, QByteArray* bytes)
{
    context.say(QStringLiteral("Getting artwork for album"));
    HttpRequest request;
    request.url = m_baseUrl.toUtf8() + "/release/" + urlEncode(releaseId) + "/front";
    request.userAgent = m_userAgent;
    request.timeoutMs = m_timeoutMs;
    request.maxBodyBytes = kMaxArtworkBytes;
    const RetryPolicy policy{3, 5000, 2000};
    const std::optional<ServiceResult> result = callService(context, gate(), request, policy, judgeByStatus);
    if (!result)
        return ArtworkFetch::Failed;
    if (result->verdict == AnswerVerdict::Refuse) {
        if (result->response.status == 404) {
            context.say(QStringLiteral("Artwork not found"));
            return ArtworkFetch::NotFound;
        }
        context.say(QStringLiteral("Could not make request"));
        return ArtworkFetch::Failed;
    }
    *bytes = result->response.body;
    return bytes->isEmpty() ? ArtworkFetch::NotFound : ArtworkFetch::Found;
}

QImage CoverArtClient::coverForReleases(const LookupContext& context, const QStringList& releaseIds)
{
    ResultCache& cache = ResultCache::coverArt();
    for (const QString& releaseId : releaseIds) {
        const QByteArray key = releaseId.toUtf8();
        PersistentCacheStore::Lookup found;
        QImage image = cachedImage(cache, key, &found);
        if (!image.isNull() && (found == PersistentCacheStore::Fresh || m_cacheOnly))
            return image;
        if (m_cacheOnly)
            continue;
        QByteArray bytes;
        const ArtworkFetch fetched = fetchFront(context, releaseId, &bytes);
        if (fetched == ArtworkFetch::Found) {
            QImage decoded = decodeArtwork(bytes);
            if (!decoded.isNull()) {
                cache.put(key, bytes);
                return decoded;
            }
            continue; // the service's bytes are no picture: try the next release
        }
        if (!image.isNull())
            return image; // expired, but the service cannot do better now
        if (fetched == ArtworkFetch::Failed)
            return QImage();
    }
    return QImage();
}

AlbumInfoClient::AlbumInfoClient(const NetworkConfig& config, QString apiKey, QString userAgent)
    : m_baseUrl(config.baseUrl(Service::AlbumInfo)), m_apiKey(std::move(apiKey)), m_userAgent(userAgent.toUtf8()),
      m_timeoutMs(config.timeoutMs())
{
    gate().setPaceMs(config.paceMs(Service::AlbumInfo));
}

ServiceGate& AlbumInfoClient::gate()
{
    static ServiceGate albumInfo(NetworkConfig::defaultPaceMs(Service::AlbumInfo));
    return albumInfo;
}

std::optional<QByteArray> AlbumInfoClient::request(const LookupContext& context, const QByteArray& url)
{
    HttpRequest request;
    request.url = url;
    request.userAgent = m_userAgent;
    request.timeoutMs = m_timeoutMs;
    request.maxBodyBytes = kMaxArtworkBytes;
    // Waits of 3 and 4 seconds before the second and third attempt.
    const RetryPolicy policy{3, 3000, 1000};
    const std::optional<ServiceResult> result =
        callService(context, gate(), request, policy, [](const HttpResponse& response) {
            if (judgeByStatus(response) == AnswerVerdict::Accept && !response.contentType.contains("json"))
                return response.body.isEmpty() ? AnswerVerdict::Retry : AnswerVerdict::Accept;
            return judgeByBody(response, true);
        });
    if (!result || result->verdict != AnswerVerdict::Accept || result->response.body.isEmpty()) {
        if (result)
            context.say(QStringLiteral("Could not make request"));
        return std::nullopt;
    }
    return result->response.body;
}

QImage AlbumInfoClient::artwork(const LookupContext& context, const QString& artist, const QString& album)
{
    if (!hasKey() || artist.isEmpty() || album.isEmpty())
        return QImage();
    ResultCache& cache = ResultCache::albumInfo();
    const QByteArray key = (artist + QLatin1Char('_') + album).toUtf8();
    PersistentCacheStore::Lookup found;
    const QImage cached = cachedImage(cache, key, &found);
    if (!cached.isNull() && (found == PersistentCacheStore::Fresh || m_cacheOnly))
        return cached;
    if (m_cacheOnly)
        return QImage();

    context.say(QStringLiteral("Searching artwork for album '%1'").arg(album));
    const QByteArray url = m_baseUrl.toUtf8() + "/2.0/?method=album.getinfo&api_key=" + urlEncode(m_apiKey)
        + "&format=json&artist=" + urlEncode(artist) + "&album=" + urlEncode(album);
    const std::optional<QByteArray> answer = request(context, url);
    const QString imageUrl = answer ? pickImageUrl(*answer) : QString();
    if (imageUrl.isEmpty())
        return cached;
    context.say(QStringLiteral("Getting artwork for album '%1'").arg(album));
    const std::optional<QByteArray> bytes = request(context, imageUrl.toUtf8());
    const QImage image = bytes ? decodeArtwork(*bytes) : QImage();
    if (image.isNull())
        return cached;
    cache.put(key, *bytes);
    return image;
}

QString pickImageUrl(const QByteArray& json)
{
    const QJsonArray images =
        QJsonDocument::fromJson(json).object().value(QLatin1String("album")).toObject().value(QLatin1String("image")).toArray();
    for (const char* size : {"extralarge", "large", "mega", "medium", "small"}) {
        for (const QJsonValue& value : images) {
            const QJsonObject image = value.toObject();
            if (image.value(QLatin1String("size")).toString() != QLatin1String(size))
                continue;
            const QString url = image.value(QLatin1String("#text")).toString().trimmed();
            const QString scheme = QUrl(url).scheme().toLower();
            if (!url.isEmpty() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")))
                return url;
        }
    }
    return QString();
}

} // namespace tagmint::network
