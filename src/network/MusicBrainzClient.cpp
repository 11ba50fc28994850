#include "network/MusicBrainzClient.h"

#include "network/MusicBrainzParser.h"
#include "network/ResultCache.h"

namespace tagmint::network {

MusicBrainzClient::MusicBrainzClient(const NetworkConfig& config, QString userAgent)
    : m_baseUrl(config.baseUrl(Service::MusicBrainz)), m_userAgent(userAgent.toUtf8()),
      m_timeoutMs(config.timeoutMs())
{
    gate().setPaceMs(config.paceMs(Service::MusicBrainz));
}

ServiceGate& MusicBrainzClient::gate()
{
    static ServiceGate musicBrainz(NetworkConfig::defaultPaceMs(Service::MusicBrainz));
    return musicBrainz;
}

QString MusicBrainzClient::artistSearchText(const QString& name)
{
    static const QString special = QStringLiteral("+-&|!(){}[]^\"~*?:\\/");
    QString escaped;
    for (const QChar c : name) {
        if (special.contains(c))
            escaped.append(QLatin1Char('\\'));
        escaped.append(c);
    }
    QString text = QStringLiteral("artist:\"%1\"").arg(escaped);
    // Kept whole rather than cut inside an escape or the closing quote.
    return text.toUtf8().size() <= 259 ? text : QString();
}

std::optional<QByteArray> MusicBrainzClient::query(const LookupContext& context, const QByteArray& pathAndQuery)
{
    HttpRequest request;
    request.url = m_baseUrl.toUtf8() + "/ws/2/" + pathAndQuery;
    request.userAgent = m_userAgent;
    request.timeoutMs = m_timeoutMs;
    const RetryPolicy policy{5, 5000, 2000};
    const std::optional<ServiceResult> result = callService(context, gate(), request, policy, judgeByStatus);
    if (!result || result->verdict != AnswerVerdict::Accept)
        return std::nullopt;
    return result->response.body;
}

bool MusicBrainzClient::albumsForArtist(const LookupContext& context, const QString& name, const QString& id,
                                        ArtistAlbums& albums)
{
    albums = ArtistAlbums();
    const QString searchText = artistSearchText(name);
    if (searchText.isEmpty())
        return false;
    for (int offset = 0; offset < kMaxReleases; offset += kPageSize) {
        if (context.cancelled())
            return false;
        context.say(QStringLiteral("Getting albums for artist '%1'").arg(name));
        const std::optional<QByteArray> body =
            query(context, "release?query=" + urlEncode(searchText) + "&limit=100&offset=" + QByteArray::number(offset)
                               + "&inc=media+recordings");
        const std::optional<ReleasePage> page = body ? addReleasePage(*body, name, id, albums) : std::nullopt;
        if (!page) {
            context.say(QStringLiteral("Could not get albums for artist '%1'").arg(name));
            return false;
        }
        if (!page->hasList) {
            context.say(QStringLiteral("Could not get albums for artist '%1'").arg(name));
            break;
        }
        if (page->items == 0 || offset + page->items >= page->count)
            break;
    }
    finishAlbumList(albums);
    return !context.cancelled();
}

QString MusicBrainzClient::artistNameForId(const LookupContext& context, const QString& id)
{
    if (context.cancelled())
        return QString();
    context.say(QStringLiteral("Getting name for artist ID '%1'").arg(id));
    const std::optional<QByteArray> body = query(context, "artist/" + urlEncode(id) + "?limit=100");
    const QString name = body ? parseArtistName(*body) : QString();
    if (name.isEmpty())
        context.say(QStringLiteral("Could not get info for artist ID '%1'").arg(id));
    return name;
}

std::optional<AlbumDetails> MusicBrainzClient::albumDetails(const LookupContext& context, const QString& title,
                                                            const QString& releaseId)
{
    context.say(title.isEmpty() ? QStringLiteral("Getting details of album")
                                : QStringLiteral("Getting details of album '%1'").arg(title));
    const std::optional<QByteArray> body =
        query(context, "release/" + urlEncode(releaseId) + "?inc=media+recordings+artist-credits");
    std::optional<AlbumDetails> details = body ? parseReleaseDetails(*body) : std::nullopt;
    if (!details)
        context.say(QStringLiteral("Could not get album information"));
    return details;
}

std::optional<ArtistAlbums> MusicBrainzClient::cachedArtistAlbums(const LookupContext& context, const QString& name,
                                                                  const QString& id)
{
    const QByteArray key = (name.toLower() + QLatin1Char('_') + id.toLower()).toUtf8();
    return ResultCache::artistAlbums().through<ArtistAlbums>(key, m_cacheOnly, [&]() -> std::optional<ArtistAlbums> {
        ArtistAlbums albums;
        bool fetched = albumsForArtist(context, name, id, albums);
        if (fetched && albums.albums.isEmpty() && !id.isEmpty() && id != QLatin1String("-")) {
            const QString ownName = artistNameForId(context, id);
            if (!ownName.isEmpty())
                fetched = albumsForArtist(context, ownName, id, albums);
        }
        return fetched ? std::optional(albums) : std::nullopt;
    });
}

std::optional<AlbumDetails> MusicBrainzClient::cachedAlbumDetails(const LookupContext& context, const QString& title,
                                                                  const QString& releaseId)
{
    if (releaseId.isEmpty())
        return std::nullopt;
    return ResultCache::albumDetails().through<AlbumDetails>(
        releaseId.toUtf8(), m_cacheOnly, [&] { return albumDetails(context, title, releaseId); });
}

} // namespace tagmint::network
