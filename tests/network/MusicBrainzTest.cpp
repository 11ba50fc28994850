// MusicBrainz answers to album lists and details, and the client's paging,
// escaping and caching against a stand-in of the web service.

#include "network/MusicBrainzClient.h"
#include "network/MusicBrainzParser.h"
#include "network/NetworkTestSupport.h"
#include "support/StandInServer.h"

#include <QJsonArray>
#include <gtest/gtest.h>

using namespace tagmint::network;
using namespace tagmint::test;

namespace {

QList<TestRelease> numberedReleases(int first, int count)
{
    QList<TestRelease> releases;
    for (int i = first; i < first + count; ++i)
        releases.append({QStringLiteral("r%1").arg(i), QStringLiteral("Album %1").arg(i), QStringLiteral("1990")});
    return releases;
}

} // namespace

TEST(MusicBrainzParser, GroupsReleasesIntoAlbums)
{
    TestRelease later{"r-2001", "Kind of Blue", "2001-05-01"};
    later.trackCount = 6;
    TestRelease earlier{"r-1999", "KIND OF BLUE", "1999"};
    earlier.trackCount = 5;
    TestRelease live{"r-live", "At Newport", "1958", "Miles Davis", "artist-miles", {"Compilation", "Live"}};
    TestRelease reissue{"r-re", "Remastered", "2010", "Miles Davis", "artist-miles", {"Reissue"}};
    TestRelease duet{"r-duet", "Together", "1960"};
    duet.creditCount = 2;
    TestRelease other{"r-other", "Someone Else", "1970", "John Coltrane", "artist-trane"};
    TestRelease absurd{"r-absurd", "Odd Numbers", "-5"};
    absurd.trackCount = 2147483647;

    ArtistAlbums albums;
    const auto page = addReleasePage(releaseSearchXml({later, earlier, live, reissue, duet, other, absurd}, 7),
                                     "Miles Davis", "", albums);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->count, 7);
    EXPECT_EQ(page->items, 7);
    finishAlbumList(albums);

    QStringList titles;
    for (const AlbumEntry& album : albums.albums)
        titles << album.title;
    // Dated albums by year, undated last; reissues, duets and other artists dropped.
    EXPECT_EQ(titles, QStringList({"At Newport", "Kind of Blue", "Odd Numbers"}));
    const AlbumEntry& kindOfBlue = albums.albums[1];
    EXPECT_EQ(kindOfBlue.year, 1999);
    EXPECT_EQ(kindOfBlue.id, "r-1999");
    EXPECT_EQ(kindOfBlue.tracksTotal, 5);
    EXPECT_EQ(kindOfBlue.releaseIds, QStringList({"r-2001", "r-1999"}));
    EXPECT_EQ(kindOfBlue.barcodes, QStringList({"bc-r-2001", "bc-r-1999"}));
    EXPECT_EQ(albums.albums[0].albumType, "Live");
    EXPECT_EQ(albums.albums[2].year, 0);
    EXPECT_EQ(albums.albums[2].tracksTotal, 0);
    ASSERT_EQ(albums.artists.size(), 1);
    EXPECT_EQ(albums.artists[0].id, "artist-miles");

    // Asked by identifier, the name does not matter.
    ArtistAlbums byId;
    ASSERT_TRUE(addReleasePage(releaseSearchXml({other}, 1), "Miles Davis", "ARTIST-TRANE", byId));
    EXPECT_EQ(byId.albums.size(), 1);
}

TEST(MusicBrainzParser, RefusesHostileAnswers)
{
    ArtistAlbums albums;
    EXPECT_FALSE(addReleasePage("", "x", "", albums));
    EXPECT_FALSE(addReleasePage("<metadata><release-list count=\"1\"><release id=\"a\"><title>cut", "x", "", albums));
    EXPECT_FALSE(addReleasePage("{\"error\": \"Not Found\"}", "x", "", albums));
    EXPECT_FALSE(addReleasePage("<error><text>Your requests are exceeding the allowable rate limit</text></error>", "x",
                                "", albums));
    QByteArray deep = "<?xml version=\"1.0\"?><metadata xmlns=\"http://musicbrainz.org/ns/mmd-2.0#\">";
    for (int i = 0; i < 100000; ++i)
        deep += "<release-list>";
    EXPECT_FALSE(addReleasePage(deep, "x", "", albums));
    // A billion laughs never expands.
    const QByteArray entities = "<?xml version=\"1.0\"?><!DOCTYPE m [<!ENTITY a \"aaaaaaaaaa\">"
                                "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
                                "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\"><!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">"
                                "<!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\"><!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\">]>"
                                "<metadata xmlns=\"http://musicbrainz.org/ns/mmd-2.0#\"><artist id=\"a\"><name>&g;&g;&g;</name>"
                                "</artist></metadata>";
    EXPECT_LT(parseArtistName(entities).size(), 1024);
    EXPECT_TRUE(albums.albums.isEmpty());

    EXPECT_FALSE(parseReleaseDetails("<metadata xmlns=\"http://musicbrainz.org/ns/mmd-2.0#\"/>"));
    TestRelease duet{"r", "Together", "1960"};
    duet.creditCount = 2;
    EXPECT_FALSE(parseReleaseDetails(releaseDetailsXml(duet, {"One"})));
    EXPECT_EQ(leadingYear("1999-03-01"), 1999);
    EXPECT_EQ(leadingYear("-5"), 0);
    EXPECT_EQ(leadingYear("99999"), 0);
    EXPECT_EQ(leadingYear(""), 0);
}

TEST(MusicBrainzParser, ReadsTracksOfARelease)
{
    const auto details =
        parseReleaseDetails(releaseDetailsXml({"r1", "Kind of Blue", "1959"}, {"So What", "Freddie Freeloader", "so what"}));
    ASSERT_TRUE(details);
    ASSERT_EQ(details->tracks.size(), 2); // the repeated title once
    EXPECT_EQ(details->tracks[1].title, "Freddie Freeloader");
    EXPECT_EQ(details->tracks[1].position, 2);
    EXPECT_EQ(details->tracks[1].lengthMs, 181000);
    EXPECT_EQ(details->mediumTitles, QStringList{"Disc 1"});
}

TEST(MusicBrainzClient, PagesThroughAtMostThreeHundredReleases)
{
    StandInServer server({
        QJsonObject{{"path", "/ws/2/release"}, {"query", "offset=0&"},
                    {"responses", QJsonArray{StandInServer::answer(200, releaseSearchXml(numberedReleases(0, 100), 450))}}},
        QJsonObject{{"path", "/ws/2/release"}, {"query", "offset=100&"},
                    {"responses", QJsonArray{StandInServer::answer(200, releaseSearchXml(numberedReleases(100, 100), 450, 100))}}},
        QJsonObject{{"path", "/ws/2/release"}, {"query", "offset=200&"},
                    {"responses", QJsonArray{StandInServer::answer(200, releaseSearchXml(numberedReleases(200, 100), 450, 200))}}},
    });
    ASSERT_TRUE(server.isRunning());
    TestContext run;
    MusicBrainzClient client(standInConfig(server.baseUrl()), "Tagmint/test ( https://example.org )");
    ArtistAlbums albums;
    ASSERT_TRUE(client.albumsForArtist(run.context, "Miles Davis", "", albums));
    EXPECT_EQ(albums.albums.size(), 300);
    const QList<QJsonObject> requests = server.requests();
    ASSERT_EQ(requests.size(), 3);
    EXPECT_EQ(requests[0]["user_agent"], "Tagmint/test ( https://example.org )");
    EXPECT_TRUE(requests[2]["query"].toString().contains("limit=100&offset=200&inc=media recordings"));
    EXPECT_EQ(run.lines.first(), "Getting albums for artist 'Miles Davis'");
}

TEST(MusicBrainzClient, StopsPagingAtTheTotal)
{
    StandInServer server({
        QJsonObject{{"path", "/ws/2/release"}, {"query", "offset=0&"},
                    {"responses", QJsonArray{StandInServer::answer(200, releaseSearchXml(numberedReleases(0, 100), 250))}}},
        QJsonObject{{"path", "/ws/2/release"}, {"query", "offset=100&"},
                    {"responses", QJsonArray{StandInServer::answer(200, releaseSearchXml(numberedReleases(100, 100), 250, 100))}}},
        QJsonObject{{"path", "/ws/2/release"}, {"query", "offset=200&"},
                    {"responses", QJsonArray{StandInServer::answer(200, releaseSearchXml(numberedReleases(200, 50), 250, 200))}}},
    });
    ASSERT_TRUE(server.isRunning());
    TestContext run;
    MusicBrainzClient client(standInConfig(server.baseUrl()), "ua");
    ArtistAlbums albums;
    ASSERT_TRUE(client.albumsForArtist(run.context, "Miles Davis", "", albums));
    EXPECT_EQ(albums.albums.size(), 250);
    EXPECT_EQ(server.requests().size(), 3);
}

TEST(MusicBrainzClient, NamesCannotChangeTheQuery)
{
    EXPECT_EQ(MusicBrainzClient::artistSearchText("AC/DC"), "artist:\"AC\\/DC\"");
    EXPECT_EQ(MusicBrainzClient::artistSearchText("Sunn O)))"), "artist:\"Sunn O\\)\\)\\)\"");
    EXPECT_EQ(MusicBrainzClient::artistSearchText("a\" OR artist:\"b"), "artist:\"a\\\" OR artist\\:\\\"b\"");

    StandInServer server({StandInServer::route("/ws/2/release", {StandInServer::answer(200, releaseSearchXml({}, 0))})});
    ASSERT_TRUE(server.isRunning());
    TestContext run;
    MusicBrainzClient client(standInConfig(server.baseUrl()), "ua");
    ArtistAlbums albums;
    ASSERT_TRUE(client.albumsForArtist(run.context, "Guns N' Roses & !!!", "", albums));
    const QString query = server.requests().value(0)["query"].toString();
    // The whole name arrived inside the one search term, nothing split off.
    EXPECT_TRUE(query.startsWith("query=artist:\"Guns N' Roses \\& \\!\\!\\!\"&limit=100")) << query.toStdString();
}

TEST(MusicBrainzClient, CachedAnswersServeWhenTheServiceIsGone)
{
    clearNetworkCaches();
    TestRelease release{"r1", "Kind of Blue", "1959"};
    const int port = unusedPort();
    TestContext run;
    {
        StandInServer server({StandInServer::route("/ws/2/release", {StandInServer::answer(200, releaseSearchXml({release}, 1))}),
                              StandInServer::route("/ws/2/release/r1",
                                                   {StandInServer::answer(200, releaseDetailsXml(release, {"So What"}))})},
                             port);
        ASSERT_TRUE(server.isRunning());
        MusicBrainzClient client(standInConfig(server.baseUrl()), "ua");
        ASSERT_TRUE(client.cachedArtistAlbums(run.context, "Miles Davis", ""));
        ASSERT_TRUE(client.cachedAlbumDetails(run.context, "Kind of Blue", "r1"));
        EXPECT_EQ(server.requests().size(), 2);
    }
    MusicBrainzClient offline(standInConfig(QStringLiteral("http://127.0.0.1:%1").arg(port), 1000), "ua");
    const auto albums = offline.cachedArtistAlbums(run.context, "miles davis", "");
    ASSERT_TRUE(albums);
    EXPECT_EQ(albums->albums.value(0).title, "Kind of Blue");
    const auto details = offline.cachedAlbumDetails(run.context, "", "r1");
    ASSERT_TRUE(details);
    EXPECT_EQ(details->tracks.value(0).title, "So What");
    FakeClock clock; // the retries of an unreachable service
    EXPECT_FALSE(offline.cachedAlbumDetails(run.context, "", "r2"));
}

TEST(MusicBrainzClient, FailuresAreNotCached)
{
    clearNetworkCaches();
    StandInServer server({StandInServer::route("/ws/2/release", {StandInServer::answer(200, "<metadata><release-list count=\"1\"><rel")})});
    ASSERT_TRUE(server.isRunning());
    TestContext run;
    MusicBrainzClient client(standInConfig(server.baseUrl()), "ua");
    EXPECT_FALSE(client.cachedArtistAlbums(run.context, "Miles Davis", ""));
    EXPECT_FALSE(client.cachedArtistAlbums(run.context, "Miles Davis", ""));
    EXPECT_EQ(server.requests().size(), 2);
    EXPECT_TRUE(run.lines.contains("Could not get albums for artist 'Miles Davis'"));
}
