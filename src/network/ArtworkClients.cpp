#include "network/ArtworkClients.h"

#include "network/ResultCache.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace tagmint::network {

namespace {

// A cached picture that no longer decodes (or a damaged entry) is fetched again.
tags::TagPicture cachedPicture(ResultCache& cache, const QByteArray& key, PersistentCacheStore::Lookup* found)
{
    QByteArray bytes;
    *found = cache.get(key, &bytes);
    return *found == PersistentCacheStore::Absent ? tags::TagPicture() : decodeArtwork(bytes);
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
    request.maxBodyBytes = kMaximumArtworkBytes;
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

tags::TagPicture CoverArtClient::coverForReleases(const LookupContext& context, const QStringList& releaseIds)
{
    ResultCache& cache = ResultCache::coverArt();
    for (const QString& releaseId : releaseIds) {
        const QByteArray key = releaseId.toUtf8();
        PersistentCacheStore::Lookup found;
        const tags::TagPicture cached = cachedPicture(cache, key, &found);
        if (!cached.image.isNull() && (found == PersistentCacheStore::Fresh || m_cacheOnly))
            return cached;
        if (m_cacheOnly)
            continue;
        QByteArray bytes;
        const ArtworkFetch fetched = fetchFront(context, releaseId, &bytes);
        if (fetched == ArtworkFetch::Found) {
            tags::TagPicture decoded = decodeArtwork(bytes);
            if (!decoded.image.isNull()) {
                cache.put(key, bytes);
                return decoded;
            }
            continue; // the service's bytes are no picture: try the next release
        }
        if (!cached.image.isNull())
            return cached; // expired, but the service cannot do better now
        if (fetched == ArtworkFetch::Failed)
            return {};
    }
    return {};
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
    request.maxBodyBytes = kMaximumArtworkBytes;
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

tags::TagPicture AlbumInfoClient::artwork(const LookupContext& context, const QString& artist, const QString& album)
{
    if (!hasKey() || artist.isEmpty() || album.isEmpty())
        return {};
    ResultCache& cache = ResultCache::albumInfo();
    const QByteArray key = (artist + QLatin1Char('_') + album).toUtf8();
    PersistentCacheStore::Lookup found;
    const tags::TagPicture cached = cachedPicture(cache, key, &found);
    if (!cached.image.isNull() && (found == PersistentCacheStore::Fresh || m_cacheOnly))
        return cached;
    if (m_cacheOnly)
        return {};

    context.say(QStringLiteral("Searching artwork for album '%1'").arg(album));
    const QByteArray url = m_baseUrl.toUtf8() + "/2.0/?method=album.getinfo&api_key=" + urlEncode(m_apiKey)
        + "&format=json&artist=" + urlEncode(artist) + "&album=" + urlEncode(album);
    const std::optional<QByteArray> answer = request(context, url);
    const QString imageUrl = answer ? pickImageUrl(*answer) : QString();
    if (imageUrl.isEmpty())
        return cached;
    context.say(QStringLiteral("Getting artwork for album '%1'").arg(album));
    const std::optional<QByteArray> bytes = request(context, imageUrl.toUtf8());
    const tags::TagPicture picture = bytes ? decodeArtwork(*bytes) : tags::TagPicture();
    if (picture.image.isNull())
        return cached;
    cache.put(key, *bytes);
    return picture;
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
