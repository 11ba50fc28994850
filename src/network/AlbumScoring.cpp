#include "network/AlbumScoring.h"

#include "network/NameMatching.h"

#include <algorithm>
#include <limits>

namespace tagmint::network {

namespace {

struct AggregateEntry {
    QString artist;
    QString title;
    int best = 0;
    qint64 sum = 0;
    int count = 0;
};

using Aggregate = QMap<QString, AggregateEntry>;

bool countsInPass(int pass, const FingerprintAlbum& album, const ArtistAlbums* known)
{
    if (album.tracks.isEmpty())
        return false;
    if (pass == 2)
        return true;
    const AlbumEntry* entry = known ? known->findAlbum(album.title) : nullptr;
    if (!entry)
        return false;
    if (pass == 1)
        return true;
    const bool excludedType = entry->albumType.compare(QLatin1String("Compilation"), Qt::CaseInsensitive) == 0
        || entry->albumType.compare(QLatin1String("Audiobook"), Qt::CaseInsensitive) == 0;
    return entry->year >= 1 && !excludedType && entry->tracksTotal >= 5;
}

void considerAlbum(int pass, const FingerprintArtist& artist, const FingerprintAlbum& album,
                   const ArtistAlbums* known, Aggregate& aggregate)
{
    if (!countsInPass(pass, album, known))
        return;
    for (const FingerprintTrack& track : album.tracks) {
        const QString key = (artist.name + QLatin1Char('_') + track.title).toLower();
        AggregateEntry& entry = aggregate[key];
        if (entry.count == 0) {
            entry.artist = artist.name;
            entry.title = track.title;
        }
        const int score = trackScore(track);
        entry.best = qMax(entry.best, score);
        entry.sum += score;
        ++entry.count;
    }
}

} // namespace

int trackScore(const FingerprintTrack& track)
{
    return int((track.score + qMax(0.0, 2 * (1 - track.mismatch))) * 1000);
}

void pruneAndSortFingerprintResult(FingerprintResult& result)
{
    for (FingerprintArtist& artist : result) {
        for (FingerprintAlbum& album : artist.albums) {
            album.tracks.removeIf([](const FingerprintTrack& track) { return track.mismatch >= kMaxDurationMismatch; });
            std::stable_sort(album.tracks.begin(), album.tracks.end(),
                             [](const FingerprintTrack& a, const FingerprintTrack& b) { return trackScore(a) > trackScore(b); });
        }
        artist.albums.removeIf([](const FingerprintAlbum& album) { return album.tracks.isEmpty(); });
        std::stable_sort(artist.albums.begin(), artist.albums.end(), [](const FingerprintAlbum& a, const FingerprintAlbum& b) {
            return a.title.compare(b.title, Qt::CaseInsensitive) < 0;
        });
    }
    result.removeIf([](const FingerprintArtist& artist) { return artist.albums.isEmpty(); });
    std::stable_sort(result.begin(), result.end(), [](const FingerprintArtist& a, const FingerprintArtist& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
}

TrackChoice scoringPass(const FingerprintResult& result, int pass, const KnownAlbums& known)
{
    Aggregate aggregate;
    for (const FingerprintArtist& artist : result) {
        const ArtistAlbums* knownAlbums = known ? known(artist) : nullptr;
        for (const FingerprintAlbum& album : artist.albums)
            considerAlbum(pass, artist, album, knownAlbums, aggregate);
    }
    const AggregateEntry* winner = nullptr;
    qint64 winnerValue = -1;
    for (const AggregateEntry& entry : aggregate) {
        if (pass == 0) {
            if (!winner || entry.best > winner->best || (entry.best == winner->best && entry.count > winner->count))
                winner = &entry;
        } else {
            const qint64 rounded = (entry.sum / entry.count) / 50 * 50;
            if (rounded > winnerValue) {
                winner = &entry;
                winnerValue = rounded;
            }
        }
    }
    return winner ? TrackChoice{winner->artist, winner->title} : TrackChoice{};
}

TrackChoice chooseFingerprintTrack(const FingerprintResult& result, const KnownAlbums& known,
                                   const std::function<void(const QString& artist)>& fetchMore)
{
    for (int pass = 0; pass < 2; ++pass) {
        const TrackChoice choice = scoringPass(result, pass, known);
        if (!choice.isEmpty())
            return choice;
    }
    const TrackChoice lastResort = scoringPass(result, 2, known);
    if (lastResort.isEmpty() || !fetchMore)
        return lastResort;
    fetchMore(lastResort.artist);
    const TrackChoice confirmed = scoringPass(result, 0, known);
    return confirmed.isEmpty() ? lastResort : confirmed;
}

bool isMostlyLive(const FingerprintArtist& artist, const ArtistAlbums& known)
{
    int live = 0;
    int other = 0;
    for (const FingerprintAlbum& album : artist.albums) {
        const AlbumEntry* entry = known.findAlbum(album.title);
        if (!entry || entry->year < 1)
            continue;
        if (entry->albumType.compare(QLatin1String("Live"), Qt::CaseInsensitive) == 0)
            ++live;
        else
            ++other;
    }
    return live > other;
}

Candidate makeCandidate(const QString& artist, const AlbumEntry& album, const DetailTrack& track, int score)
{
    Candidate candidate;
    candidate.score = score;
    QMap<QString, QString>& values = candidate.values;
    values.insert(QStringLiteral("artist"), artist);
    values.insert(QStringLiteral("album"), album.title);
    values.insert(QStringLiteral("title"), track.title);
    values.insert(QStringLiteral("albumArtist"), artist);
    if (album.year != 0)
        values.insert(QStringLiteral("year"), QString::number(album.year));
    if (track.position != 0)
        values.insert(QStringLiteral("trackNumber"), QString::number(track.position));
    if (album.tracksTotal != 0)
        values.insert(QStringLiteral("tracksTotal"), QString::number(album.tracksTotal));
    values.insert(QStringLiteral("albumType"), album.albumType);
    values.insert(QStringLiteral("score"), QString::number(score));
    values.insert(QStringLiteral("scoreRounded"), QString::number(score / 100 * 100));
    for (const QString& id : QStringList{album.id} + album.releaseIds) {
        if (!id.isEmpty() && !candidate.albumIds.contains(id))
            candidate.albumIds.append(id);
    }
    return candidate;
}

bool compareCandidates(const Candidate& a, const Candidate& b)
{
    // An album of unknown year goes after the dated ones.
    const auto year = [](const Candidate& candidate) {
        const int value = candidate.values.value(QStringLiteral("year")).toInt();
        return value > 0 ? value : std::numeric_limits<int>::max();
    };
    const int yearA = year(a);
    const int yearB = year(b);
    if (yearA != yearB)
        return yearA < yearB;
    const int tracksA = a.values.value(QStringLiteral("tracksTotal")).toInt() / 5 * 5;
    const int tracksB = b.values.value(QStringLiteral("tracksTotal")).toInt() / 5 * 5;
    return tracksA > tracksB;
}

} // namespace tagmint::network
