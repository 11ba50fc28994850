#pragma once
// Choosing a file's album and track from what the services said, without
// any network: the track score of a fingerprint match, the three passes
// that pick an artist and recording from an AcoustID answer, the candidate
// values and their final order. The lookup (NetworkTagLookup) feeds it.

#include "network/AlbumTypes.h"

#include <QMap>
#include <functional>
#include <optional>

namespace tagmint::network {

// The score of a text match (album and title found under the artist), and
// of a fingerprint match confirmed by the album named in the tags.
inline constexpr int kTextMatchScore = 10000;
inline constexpr int kConfirmedFingerprintScore = 9000;

// Recordings whose length differs from the file's by this share or more
// are dropped.
inline constexpr double kMaxDurationMismatch = 0.15;

// (AcoustID score + max(0, 2 × (1 − mismatch))) × 1000, truncated: 0..3000.
int trackScore(const FingerprintTrack& track);

// Drops recordings whose length is off by 15 % or more, then albums and
// artists left empty; orders artists and albums by name, tracks by score.
void pruneAndSortFingerprintResult(FingerprintResult& result);

// The MusicBrainz albums known for an artist of the fingerprint answer
// (null when none are known).
using KnownAlbums = std::function<const ArtistAlbums*(const FingerprintArtist& artist)>;

struct TrackChoice {
    QString artist;   // the artist's name in the fingerprint answer
    QString title;    // the recording title
    bool isEmpty() const { return title.isEmpty(); }
};

// One pass over the answer. Pass 0 counts only albums MusicBrainz knows
// with a year, at least 5 tracks and not a compilation or audiobook, and
// picks the best single track score (more albums win a tie); pass 1 counts
// every album MusicBrainz knows and pass 2 every album, both picking the
// best average rounded down to a multiple of 50. Ties keep the earlier
// "artist_title" key.
TrackChoice scoringPass(const FingerprintResult& result, int pass, const KnownAlbums& known);

// Passes 0, 1, 2 until one chooses; when only pass 2 did, fetchMore(artist)
// learns that artist's albums and pass 0 runs again, its choice winning.
TrackChoice chooseFingerprintTrack(const FingerprintResult& result, const KnownAlbums& known,
                                   const std::function<void(const QString& artist)>& fetchMore = {});

// Whether more of the artist's answered albums are known on MusicBrainz
// with a year as "Live" than as anything else.
bool isMostlyLive(const FingerprintArtist& artist, const ArtistAlbums& known);

struct Candidate {
    QMap<QString, QString> values;   // artist, album, title, albumArtist, year, trackNumber, tracksTotal, albumType, score, scoreRounded
    QStringList albumIds;            // the representative release first, no repeats
    int score = 0;
};

Candidate makeCandidate(const QString& artist, const AlbumEntry& album, const DetailTrack& track, int score);

// True when a goes before b: earlier year (unknown years last); on equal
// years more tracks (counted in fives).
bool compareCandidates(const Candidate& a, const Candidate& b);

} // namespace tagmint::network
