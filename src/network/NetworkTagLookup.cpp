#include "network/NetworkTagLookup.h"

#include "collection/ApplicationIdentity.h"
#include "network/Fingerprint.h"
#include "network/NameMatching.h"
#include "network/NetworkKeyTable.h"
#include "network/LoadTagsFlags.h"
#include "network/ResultCache.h"
#include "record/RecordField.h"
#include "settings/SettingsStore.h"
#include "naming/NameCleaning.h"

#include <QDateTime>
#include <QFileInfo>
#include <algorithm>

namespace tagmint::network {

using record::fieldKey;

namespace {

const QString kAlbumIds = QStringLiteral("albumIDs");

// What MusicBrainz asks of a client: name, version and a way to reach us.
QString musicBrainzIdentity()
{
    const collection::ApplicationIdentity identity = collection::applicationIdentity();
    return QStringLiteral("%1/%2 ( %3 )").arg(identity.applicationName, identity.version, identity.webSite);
}

QString orElse(const QString& value, const QString& fallback) { return value.isEmpty() ? fallback : value; }

bool isUsableName(const QString& name)
{
    return !name.trimmed().isEmpty() && name != QLatin1String("-");
}

naming::TagValues valuesOf(const Candidate& candidate)
{
    naming::TagValues values = candidate.values;
    if (!candidate.albumIds.isEmpty())
        values.insert(kAlbumIds, candidate.albumIds.join(QLatin1Char('\n')));
    return values;
}

} // namespace

NetworkSetup NetworkSetup::fromSettings(SettingsStore& settings, bool cacheOnly)
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    NetworkSetup setup;
    setup.config = NetworkConfig(settings);
    setup.cacheOnly = cacheOnly;
    const QString ownIdentity = collection::clientIdentification();
    setup.musicBrainzAgent = orElse(musicBrainzKeyTable().clientIdentity(settings, now), musicBrainzIdentity());
    setup.acoustIdKey = orElse(setup.config.userKey(Service::AcoustId), acoustIdKeyTable().serviceKey(settings, now));
    setup.acoustIdAgent = orElse(acoustIdKeyTable().clientIdentity(settings, now), ownIdentity);
    setup.albumInfoKey = orElse(setup.config.userKey(Service::AlbumInfo), albumInfoKeyTable().serviceKey(settings, now));
    setup.albumInfoAgent = orElse(albumInfoKeyTable().clientIdentity(settings, now), ownIdentity);
    return setup;
}

NetworkTagLookup::NetworkTagLookup(SetupFactory factory)
    : m_factory(std::move(factory)), m_setup(m_factory(false)), m_musicBrainz(m_setup.config, m_setup.musicBrainzAgent),
      m_acoustId(m_setup.config, m_setup.acoustIdKey, m_setup.acoustIdAgent),
      m_coverArt(m_setup.config, m_setup.musicBrainzAgent),
      m_albumInfo(m_setup.config, m_setup.albumInfoKey, m_setup.albumInfoAgent)
{
}

std::shared_ptr<NetworkTagLookup> NetworkTagLookup::fromUserSettings()
{
    return std::make_shared<NetworkTagLookup>([](bool cacheOnly) {
        SettingsStore settings;
        return NetworkSetup::fromSettings(settings, cacheOnly);
    });
}

void NetworkTagLookup::startRun(quint32 flags)
{
    configure(m_factory(flags & OfflineAccepted));
}

void NetworkTagLookup::configure(const NetworkSetup& setup)
{
    m_setup = setup;
    m_musicBrainz = MusicBrainzClient(setup.config, setup.musicBrainzAgent);
    m_acoustId = AcoustIdClient(setup.config, setup.acoustIdKey, setup.acoustIdAgent);
    m_coverArt = CoverArtClient(setup.config, setup.musicBrainzAgent);
    m_albumInfo = AlbumInfoClient(setup.config, setup.albumInfoKey, setup.albumInfoAgent);
    m_musicBrainz.setCacheOnly(setup.cacheOnly);
    m_coverArt.setCacheOnly(setup.cacheOnly);
    m_albumInfo.setCacheOnly(setup.cacheOnly);
    m_notices.clear();
}

QString NetworkTagLookup::missingAcoustIdKeyText()
{
    return QStringLiteral("AcoustID lookups need a client key: see Preferences");
}

QString NetworkTagLookup::missingAlbumInfoKeyText()
{
    return QStringLiteral("Album information lookups need an API key: see Preferences");
}

QStringList NetworkTagLookup::notices() const { return m_notices; }

void NetworkTagLookup::noticeOnce(const LookupContext& context, const QString& text)
{
    if (m_notices.contains(text))
        return;
    m_notices.append(text);
    context.say(text);
}

const ArtistAlbums* NetworkTagLookup::findArtist(const ArtistList& artists, const QString& name) const
{
    for (const ArtistAlbums& artist : artists) {
        if (namesMatch(artist.name, name))
            return &artist;
    }
    return nullptr;
}

void NetworkTagLookup::addArtistAlbums(const LookupContext& context, ArtistList& artists, const QString& name,
                                       const QString& id)
{
    if (!isUsableName(name) || findArtist(artists, name) || context.cancelled())
        return;
    std::optional<ArtistAlbums> albums = m_musicBrainz.cachedArtistAlbums(context, name, id);
    ArtistAlbums entry = albums.value_or(ArtistAlbums());
    entry.name = name;
    artists.append(entry);
}

std::optional<Candidate> NetworkTagLookup::matchTrack(const LookupContext& context, const QString& artist,
                                                      const AlbumEntry& album, const QString& title, int score)
{
    if (title.isEmpty())
        return std::nullopt;
    const std::optional<AlbumDetails> details = m_musicBrainz.cachedAlbumDetails(context, album.title, album.id);
    const DetailTrack* track = details ? details->findTrack(title) : nullptr;
    if (!track)
        return std::nullopt;
    return makeCandidate(artist, album, *track, score);
}

std::optional<naming::TagValues> NetworkTagLookup::lookupTags(const LookupContext& context, const QString& path,
                                                              const std::optional<naming::TagValues>& query)
{
    const naming::TagValues asked = query.value_or(naming::TagValues());
    ArtistList artists;
    for (const char* key : {"artist", "artist2", "artist3"})
        addArtistAlbums(context, artists, asked.value(QLatin1String(key)));

    // The text side: the album under one of the named artists, the title on it.
    const QString rawTitle = asked.value(fieldKey(RecordField::Title)).trimmed();
    const QString title = naming::tidyName(naming::stripLeadingTrackNumber(rawTitle));
    const QString alternative = rawTitle.compare(title, Qt::CaseInsensitive) != 0 ? rawTitle : QString();
    const QString albumTitle = asked.value(fieldKey(RecordField::Album)).trimmed();
    if (!albumTitle.isEmpty()) {
        for (const ArtistAlbums& artist : artists) {
            const AlbumEntry* album = artist.findAlbum(albumTitle);
            if (!album)
                continue;
            for (const QString& candidateTitle : {title, alternative}) {
                if (std::optional<Candidate> match =
                        matchTrack(context, artist.name, *album, candidateTitle, kTextMatchScore))
                    return valuesOf(*match);
            }
        }
    }
    if (context.cancelled())
        return std::nullopt;

    // The sound side.
    if (m_setup.acoustIdKey.isEmpty() && !m_setup.cacheOnly) {
        noticeOnce(context, missingAcoustIdKeyText());
        return std::nullopt;
    }
    const std::optional<FingerprintResult> result = fingerprintLookup(context, path);
    if (!result || context.cancelled())
        return std::nullopt;
    const KnownAlbums known = [&](const FingerprintArtist& artist) { return findArtist(artists, artist.name); };
    const TrackChoice choice = chooseFingerprintTrack(*result, known, [&](const QString& name) {
        addArtistAlbums(context, artists, name);
    });
    if (choice.isEmpty() || context.cancelled())
        return std::nullopt;

    QString choiceId;
    for (const FingerprintArtist& artist : *result) {
        if (artist.name == choice.artist)
            choiceId = artist.id;
    }
    addArtistAlbums(context, artists, choice.artist, choiceId);
    const ArtistAlbums* chosenAlbums = findArtist(artists, choice.artist);
    if (chosenAlbums) {
        // The album the tags name, confirmed by the sound.
        if (const AlbumEntry* album = albumTitle.isEmpty() ? nullptr : chosenAlbums->findAlbum(albumTitle)) {
            if (std::optional<Candidate> match =
                    matchTrack(context, choice.artist, *album, choice.title, kConfirmedFingerprintScore))
                return valuesOf(*match);
        }
        if (std::optional<Candidate> candidate = fingerprintCandidate(context, *result, choice, *chosenAlbums))
            return valuesOf(*candidate);
    }
    naming::TagValues found;
    found.insert(fieldKey(RecordField::Artist), choice.artist);
    found.insert(fieldKey(RecordField::Title), choice.title);
    return found;
}

std::optional<Candidate> NetworkTagLookup::fingerprintCandidate(const LookupContext& context,
                                                                const FingerprintResult& result,
                                                                const TrackChoice& choice, const ArtistAlbums& known)
{
    const auto artistIt = std::find_if(result.begin(), result.end(),
                                       [&](const FingerprintArtist& artist) { return artist.name == choice.artist; });
    if (artistIt == result.end())
        return std::nullopt;
    const auto matchingTrack = [&](const FingerprintAlbum& album) -> const FingerprintTrack* {
        for (const FingerprintTrack& track : album.tracks) {
            if (namesMatch(track.title, choice.title))
                return &track;
        }
        return nullptr;
    };

    // An artist known mostly for live records: the first live album holding the recording.
    if (isMostlyLive(*artistIt, known)) {
        int tries = 0;
        for (const FingerprintAlbum& album : artistIt->albums) {
            const AlbumEntry* entry = known.findAlbum(album.title);
            const FingerprintTrack* track = matchingTrack(album);
            if (!entry || !track || entry->albumType.compare(QLatin1String("Live"), Qt::CaseInsensitive) != 0)
                continue;
            if (std::optional<Candidate> match = matchTrack(context, choice.artist, *entry, choice.title, trackScore(*track)))
                return match;
            if (++tries == 2)
                break;
        }
    }

    // Studio albums with a year and enough tracks first, then any album MusicBrainz knows.
    for (int pass = 0; pass < 2 && !context.cancelled(); ++pass) {
        QList<Candidate> candidates;
        for (const FingerprintAlbum& album : artistIt->albums) {
            const FingerprintTrack* track = matchingTrack(album);
            const AlbumEntry* entry = track ? known.findAlbum(album.title) : nullptr;
            if (!entry || (pass == 0 && (entry->year < 1 || !entry->albumType.isEmpty() || entry->tracksTotal < 5)))
                continue;
            if (std::optional<Candidate> match = matchTrack(context, choice.artist, *entry, choice.title, trackScore(*track)))
                candidates.append(*match);
        }
        if (!candidates.isEmpty()) {
            std::stable_sort(candidates.begin(), candidates.end(), compareCandidates);
            return candidates.first();
        }
    }
    return std::nullopt;
}

std::optional<FingerprintResult> NetworkTagLookup::fingerprintLookup(const LookupContext& context, const QString& path)
{
    const QByteArray key = fingerprintContentKey(path);
    if (key.isEmpty())
        return std::nullopt;
    return ResultCache::fingerprints().through<FingerprintResult>(
        key, m_setup.cacheOnly, [&]() -> std::optional<FingerprintResult> {
            context.say(QStringLiteral("Resolving artist for file '%1'").arg(QFileInfo(path).fileName()));
            const std::optional<AudioFingerprint> fingerprint = computeFingerprint(path);
            if (!fingerprint)
                return std::nullopt;
            const std::optional<QByteArray> answer =
                m_acoustId.lookup(context, fingerprint->fingerprint, fingerprint->durationSeconds);
            return answer ? parseAcoustidResponse(*answer, fingerprint->durationSeconds) : std::nullopt;
        });
}

tags::TagPicture NetworkTagLookup::lookupArtwork(const LookupContext& context, const naming::TagValues& query,
                                                 ArtworkCache& cache)
{
    const QString artist = query.value(fieldKey(RecordField::Artist)).trimmed();
    const QString album = query.value(fieldKey(RecordField::Album)).trimmed();
    if (artist.isEmpty() || album.isEmpty())
        return {};
    const QString key = (artist + QLatin1Char('_') + album).toLower();
    if (cache.contains(key))
        return cache.value(key);
    tags::TagPicture picture;
    const QStringList releaseIds = query.value(kAlbumIds).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (!releaseIds.isEmpty())
        picture = m_coverArt.coverForReleases(context, releaseIds);
    if (picture.image.isNull() && !context.cancelled()) {
        if (!m_albumInfo.hasKey() && !m_setup.cacheOnly)
            noticeOnce(context, missingAlbumInfoKeyText());
        else
            picture = m_albumInfo.artwork(context, artist, album);
    }
    // A stopped run has not learnt that the album has no artwork.
    if (!picture.image.isNull() || !context.cancelled())
        cache.insert(key, picture);
    return picture;
}

} // namespace tagmint::network
