#include "network/AcoustIdClient.h"

#include "network/AlbumScoring.h"
#include "network/NameMatching.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace tagmint::network {

AcoustIdClient::AcoustIdClient(const NetworkConfig& config, QString clientKey, QString userAgent)
    : m_url(config.baseUrl(Service::AcoustId) + QStringLiteral("/v2/lookup")), m_clientKey(std::move(clientKey)),
      m_userAgent(userAgent.toUtf8()), m_timeoutMs(config.timeoutMs())
{
    gate().setPaceMs(config.paceMs(Service::AcoustId));
}

ServiceGate& AcoustIdClient::gate()
{
    static ServiceGate acoustId(NetworkConfig::defaultPaceMs(Service::AcoustId));
    return acoustId;
}

QByteArray AcoustIdClient::requestBody(const QString& clientKey, const QByteArray& fingerprint, int durationSeconds)
{
    return "client=" + urlEncode(clientKey) + "&meta=recordings+releasegroups+compress&duration="
        + QByteArray::number(durationSeconds) + "&fingerprint=" + urlEncode(QString::fromLatin1(fingerprint));
}

std::optional<QByteArray> AcoustIdClient::lookup(const LookupContext& context, const QByteArray& fingerprint,
                                                 int durationSeconds)
{
    HttpRequest request;
    request.url = m_url.toUtf8();
    request.userAgent = m_userAgent;
    request.post = true;
    request.postBody = requestBody(m_clientKey, fingerprint, durationSeconds);
    request.timeoutMs = m_timeoutMs;
    request.maxBodyBytes = 4 * 1024 * 1024;
    // Waits of 3 and 6 seconds before the second and third attempt.
    const RetryPolicy policy{3, 3000, 3000};
    const std::optional<ServiceResult> result =
        callService(context, gate(), request, policy, [](const HttpResponse& response) { return judgeByBody(response); });
    if (!result || result->verdict != AnswerVerdict::Accept)
        return std::nullopt;
    return result->response.body;
}

namespace {

QString textField(const QJsonObject& object, const char* name)
{
    const QJsonValue value = object.value(QLatin1String(name));
    return value.isString() ? value.toString().trimmed().left(1024) : QString();
}

std::optional<CreditedArtist> firstArtist(const QJsonObject& object)
{
    const QJsonObject artist = object.value(QLatin1String("artists")).toArray().at(0).toObject();
    CreditedArtist credited{textField(artist, "name"), textField(artist, "id")};
    if (credited.name.isEmpty() || credited.id.isEmpty())
        return std::nullopt;
    return credited;
}

FingerprintArtist& artistEntry(FingerprintResult& result, const CreditedArtist& artist)
{
    for (FingerprintArtist& known : result) {
        if (known.id.compare(artist.id, Qt::CaseInsensitive) == 0 || namesMatch(known.name, artist.name))
            return known;
    }
    result.append(FingerprintArtist{artist.name, artist.id, {}});
    return result.last();
}

FingerprintAlbum& albumEntry(FingerprintArtist& artist, const QString& title, const QString& id,
                             const QString& albumType)
{
    for (FingerprintAlbum& known : artist.albums) {
        if (known.title == title)
            return known;
    }
    artist.albums.append(FingerprintAlbum{title, id, albumType, {}});
    return artist.albums.last();
}

} // namespace

std::optional<FingerprintResult> parseAcoustidResponse(const QByteArray& body, int fileDuration)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject top = document.object();
    if (textField(top, "status").compare(QLatin1String("ok"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const QJsonArray results = top.value(QLatin1String("results")).toArray();
    if (results.isEmpty())
        return std::nullopt;

    FingerprintResult result;
    for (const QJsonValue& resultValue : results) {
        const QJsonObject entry = resultValue.toObject();
        const double score = qBound(0.0, entry.value(QLatin1String("score")).toDouble(), 1.0);
        for (const QJsonValue& recordingValue : entry.value(QLatin1String("recordings")).toArray()) {
            const QJsonObject recording = recordingValue.toObject();
            FingerprintTrack track;
            track.title = textField(recording, "title");
            track.id = textField(recording, "id");
            const std::optional<CreditedArtist> recordingArtist = firstArtist(recording);
            const QJsonValue groups = recording.value(QLatin1String("releasegroups"));
            if (track.title.isEmpty() || track.id.isEmpty() || !recordingArtist || !groups.isArray())
                continue;
            const double duration = recording.value(QLatin1String("duration")).toDouble();
            track.durationSeconds = std::isfinite(duration) && duration > 0 && duration < 86400 ? int(duration) : 0;
            track.score = std::isfinite(score) ? score : 0;
            track.mismatch = fileDuration > 0 ? std::abs(double(track.durationSeconds) - fileDuration) / fileDuration : 0;
            for (const QJsonValue& groupValue : groups.toArray()) {
                const QJsonObject group = groupValue.toObject();
                const QString title = textField(group, "title");
                const QString id = textField(group, "id");
                if (title.isEmpty() || id.isEmpty())
                    continue;
                const QJsonArray secondary = group.value(QLatin1String("secondarytypes")).toArray();
                const QString albumType = secondary.at(0).isString() ? secondary.at(0).toString().left(64) : QString();
                const CreditedArtist artist = firstArtist(group).value_or(*recordingArtist);
                FingerprintAlbum& album = albumEntry(artistEntry(result, artist), title, id, albumType);
                if (album.tracks.size() < 999)
                    album.tracks.append(track);
            }
        }
    }
    pruneAndSortFingerprintResult(result);
    if (result.isEmpty())
        return std::nullopt;
    return result;
}

} // namespace tagmint::network
