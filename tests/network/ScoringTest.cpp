// Choosing an album and track from the services' answers, without a server.

#include "network/AlbumScoring.h"
#include "network/NameMatching.h"

#include <gtest/gtest.h>

using namespace tagmint::network;

namespace {

FingerprintTrack track(const QString& title, double score, double mismatch = 0)
{
    return FingerprintTrack{title, "rec-" + title, score, 180, mismatch};
}

AlbumEntry knownAlbum(const QString& title, int year, int tracks, const QString& type = QString())
{
    AlbumEntry album;
    album.title = title;
    album.id = "r-" + title;
    album.year = year;
    album.tracksTotal = tracks;
    album.albumType = type;
    return album;
}

Candidate candidate(int year, int tracks)
{
    AlbumEntry album = knownAlbum("A", year, tracks);
    return makeCandidate("X", album, DetailTrack{0, 1, "rec", "T", 0, ""}, 5000);
}

} // namespace

TEST(NameMatching, ComparesNamesTheWayTagsDiffer)
{
    EXPECT_TRUE(namesMatch("Miles Davis", "MILES DAVIS"));
    EXPECT_TRUE(namesMatch("AC/DC", "ACDC"));
    EXPECT_TRUE(namesMatch("The Beatles", "Beatles"));
    EXPECT_TRUE(namesMatch("Simon & Garfunkel", "Simon and Garfunkel"));
    EXPECT_TRUE(namesMatch("Song (Radio Edit)", "Song"));
    EXPECT_TRUE(namesMatch("Café", "CAFÉ"));
    EXPECT_FALSE(namesMatch("!!!", "Chk Chk Chk"));
    EXPECT_TRUE(namesMatch("!!!", "???"));
    EXPECT_FALSE(namesMatch("AC/DC", "ACDC", false));
    EXPECT_FALSE(namesMatch("Blue", "Kind of Blue"));
}

TEST(AlbumScoring, TrackScoresAndLengthPruning)
{
    EXPECT_EQ(trackScore(track("a", 0.95, 0.0)), 2950);
    EXPECT_EQ(trackScore(track("a", 1.0, 0.5)), 2000);
    EXPECT_EQ(trackScore(track("a", 0.5, 3.0)), 500);

    // 3:00 against a file of 3:30 stays (about 0.14); against 3:40 it goes (about 0.18).
    FingerprintResult result{{"Artist", "a1", {{"Album", "rg", "", {track("Kept", 0.9, 30.0 / 210), track("Gone", 0.9, 40.0 / 220)}},
                                               {"Empty", "rg2", "", {track("Gone too", 0.9, 0.2)}}}},
                             {"Nobody", "a2", {{"X", "rg3", "", {track("Y", 0.9, 0.5)}}}}};
    pruneAndSortFingerprintResult(result);
    ASSERT_EQ(result.size(), 1);
    ASSERT_EQ(result[0].albums.size(), 1);
    ASSERT_EQ(result[0].albums[0].tracks.size(), 1);
    EXPECT_EQ(result[0].albums[0].tracks[0].title, "Kept");
}

TEST(AlbumScoring, PassZeroCountsOnlyProperAlbums)
{
    ArtistAlbums known;
    known.albums = {knownAlbum("Short", 2000, 4), knownAlbum("Hits", 2001, 12, "Compilation"),
                    knownAlbum("Spoken", 2002, 12, "audiobook"), knownAlbum("Studio", 2003, 10)};
    const KnownAlbums lookup = [&known](const FingerprintArtist&) { return &known; };
    FingerprintResult small{{"Band", "b", {{"Short", "1", "", {track("Song", 0.9)}},
                                           {"Hits", "2", "", {track("Song", 0.9)}},
                                           {"Spoken", "3", "", {track("Song", 0.9)}}}}};
    EXPECT_TRUE(scoringPass(small, 0, lookup).isEmpty());
    EXPECT_EQ(scoringPass(small, 1, lookup).title, "Song");

    // Equal best scores: the recording found on more counted albums wins.
    FingerprintResult tie{{"Band", "b", {{"Studio", "4", "", {track("Alpha", 0.95), track("Beta", 0.95)}},
                                         {"Studio!", "5", "", {track("Beta", 0.95)}}}}};
    known.albums.append(knownAlbum("Studio!", 2004, 10));
    EXPECT_EQ(scoringPass(tie, 0, lookup).title, "Beta");
}

TEST(AlbumScoring, LaterPassesRoundAveragesAndKeepTheEarlierKey)
{
    // Averages 2349 and 2301 both round to 2300: "band_alpha" comes before "band_beta".
    FingerprintResult result{{"Band", "b", {{"One", "1", "", {track("Beta", 0.301)}},
                                            {"Two", "2", "", {track("Alpha", 0.349)}}}}};
    EXPECT_EQ(scoringPass(result, 2, {}).title, "Alpha");
    result[0].albums[0].tracks[0].title = "Aardvark";
    EXPECT_EQ(scoringPass(result, 2, {}).title, "Aardvark");

    // Only pass 2 chose: the artist's albums are fetched and pass 0 decides again.
    ArtistAlbums fetched;
    bool asked = false;
    const KnownAlbums lookup = [&](const FingerprintArtist&) { return asked ? &fetched : nullptr; };
    const TrackChoice choice = chooseFingerprintTrack(result, lookup, [&](const QString& artist) {
        EXPECT_EQ(artist, "Band");
        asked = true;
        fetched.albums = {knownAlbum("Two", 1999, 9)};
    });
    EXPECT_TRUE(asked);
    EXPECT_EQ(choice.title, "Alpha");
}

TEST(AlbumScoring, CandidatesAndTheirOrder)
{
    AlbumEntry album = knownAlbum("Kind of Blue", 1959, 5, "Live");
    album.releaseIds = {"r-other", "r-Kind of Blue", ""};
    const Candidate made = makeCandidate("Miles Davis", album, DetailTrack{0, 2, "rec", "Freddie Freeloader", 0, ""}, 2987);
    EXPECT_EQ(made.values["scoreRounded"], "2900");
    EXPECT_EQ(made.values["trackNumber"], "2");
    EXPECT_EQ(made.values["albumArtist"], "Miles Davis");
    EXPECT_EQ(made.albumIds, QStringList({"r-Kind of Blue", "r-other"}));
    EXPECT_EQ(makeCandidate("X", album, DetailTrack{}, 9000).values["scoreRounded"], "9000");
    EXPECT_FALSE(makeCandidate("X", knownAlbum("Y", 0, 0), DetailTrack{}, 1).values.contains("year"));

    EXPECT_TRUE(compareCandidates(candidate(1999, 10), candidate(2003, 10)));
    EXPECT_FALSE(compareCandidates(candidate(2003, 10), candidate(1999, 10)));
    EXPECT_TRUE(compareCandidates(candidate(2000, 12), candidate(2000, 9)));
    // 12 and 11 tracks count as ten alike.
    EXPECT_FALSE(compareCandidates(candidate(2000, 12), candidate(2000, 11)));
    EXPECT_TRUE(compareCandidates(candidate(2005, 10), candidate(0, 10)));
}

TEST(AlbumScoring, MostlyLiveArtists)
{
    ArtistAlbums known;
    known.albums = {knownAlbum("Live 1", 1990, 10, "Live"), knownAlbum("Live 2", 1991, 10, "Live"),
                    knownAlbum("Studio", 1992, 10), knownAlbum("Undated", 0, 10, "Live")};
    FingerprintArtist artist{"Band", "b", {{"Live 1", "", "", {}}, {"Live 2", "", "", {}}, {"Studio", "", "", {}}}};
    EXPECT_TRUE(isMostlyLive(artist, known));
    artist.albums.removeAt(1);
    EXPECT_FALSE(isMostlyLive(artist, known));
}
