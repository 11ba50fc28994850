// AcoustID answers and requests, and artwork from the Cover Art Archive and
// the album-information service, against stand-in servers.

#include "network/AcoustIdClient.h"
#include "network/ArtworkClients.h"
#include "network/NetworkTestSupport.h"
#include "support/StandInServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace tagmint::network;
using namespace tagmint::test;

namespace {

QByteArray acoustidAnswer(int recordingSeconds)
{
    const QJsonObject artist{{"id", "artist-1"}, {"name", "Miles Davis"}};
    const QJsonObject group{{"id", "rg-1"}, {"title", "Kind of Blue"}, {"type", "Album"}};
    const QJsonObject live{{"id", "rg-2"}, {"title", "Live at Newport"}, {"secondarytypes", QJsonArray{"Live"}},
                           {"artists", QJsonArray{QJsonObject{{"id", "artist-2"}, {"name", "Miles Davis Quintet"}}}}};
    const QJsonObject recording{{"id", "rec-1"}, {"title", "So What"}, {"duration", recordingSeconds},
                                {"artists", QJsonArray{artist}}, {"releasegroups", QJsonArray{group, live}}};
    const QJsonObject noGroups{{"id", "rec-2"}, {"title", "No groups"}, {"artists", QJsonArray{artist}}};
    const QJsonObject result{{"id", "fp-1"}, {"score", 0.93}, {"recordings", QJsonArray{recording, noGroups}}};
    return QJsonDocument(QJsonObject{{"status", "ok"}, {"results", QJsonArray{result}}}).toJson();
}

QByteArray albumInfoAnswer(const QString& baseUrl)
{
    QJsonArray images;
    for (const char* size : {"small", "medium", "large"})
        images.append(QJsonObject{{"size", size}, {"#text", baseUrl + "/img/" + size + ".png"}});
    images.append(QJsonObject{{"size", "extralarge"}, {"#text", ""}});
    return QJsonDocument(QJsonObject{{"album", QJsonObject{{"name", "Kind of Blue"}, {"image", images}}}}).toJson();
}

} // namespace

TEST(AcoustId, ParsesAnswersIntoArtistsAlbumsAndTracks)
{
    const auto result = parseAcoustidResponse(acoustidAnswer(180), 210);
    ASSERT_TRUE(result);
    ASSERT_EQ(result->size(), 2);
    // Each release group under its own artist, falling back to the recording's.
    EXPECT_EQ((*result)[0].name, "Miles Davis");
    EXPECT_EQ((*result)[0].albums.value(0).title, "Kind of Blue");
    EXPECT_EQ((*result)[1].name, "Miles Davis Quintet");
    EXPECT_EQ((*result)[1].albums.value(0).albumType, "Live");
    const FingerprintTrack& track = (*result)[0].albums[0].tracks.value(0);
    EXPECT_EQ(track.title, "So What");
    EXPECT_DOUBLE_EQ(track.score, 0.93);
    EXPECT_NEAR(track.mismatch, 30.0 / 210, 1e-9);

    // The same recording against a file of 3:40 is too far off.
    EXPECT_FALSE(parseAcoustidResponse(acoustidAnswer(180), 220));
}

TEST(AcoustId, RefusesHostileAnswers)
{
    for (const QByteArray& body : QList<QByteArray>{
             "", "[]", "{\"status\": \"error\", \"error\": {\"code\": 4, \"message\": \"invalid API key\"}}",
             "{\"status\": \"ok\", \"results\": []}", "{\"status\": \"ok\", \"results\": {\"a\": 1}}",
             "{\"status\": \"ok\", \"results\": [{\"score\": \"high\", \"recordings\": [{\"title\": 5, \"id\": []}]}]}",
             "{\"status\": \"ok\", \"results\": [{\"recordings\": [{\"title\": \"t\", \"id\": \"i\", \"artists\": [{}],"
             " \"releasegroups\": [{\"title\": \"x\", \"id\": \"y\"}]}]}]}",
             "{\"status\": \"ok\", \"results\": [" + QByteArray(100000, '[') + "]}"}) {
        EXPECT_FALSE(parseAcoustidResponse(body, 200)) << body.left(80).toStdString();
    }
    // Absurd numbers become harmless ones.
    QByteArray absurd = acoustidAnswer(180);
    absurd.replace("0.93", "1e308").replace("\"duration\": 180", "\"duration\": -1e300");
    const auto result = parseAcoustidResponse(absurd, 0);
    ASSERT_TRUE(result);
    const FingerprintTrack& track = (*result)[0].albums[0].tracks[0];
    EXPECT_EQ(track.score, 1.0);
    EXPECT_EQ(track.durationSeconds, 0);
    EXPECT_EQ(track.mismatch, 0.0);
}

TEST(AcoustId, PostsTheLookupAndRetriesErrorBodies)
{
    const QByteArray errorBody = "{\"status\": \"error\", \"error\": {\"code\": 3, \"message\": \"server busy, try later\"}}";
    StandInServer server({
        QJsonObject{{"path", "/v2/lookup"}, {"body_has", "duration=200"},
                    {"responses", QJsonArray{StandInServer::answer(200, errorBody, "application/json")}}},
        StandInServer::route("/v2/lookup", {StandInServer::answer(200, errorBody, "application/json"),
                                            StandInServer::answer(200, acoustidAnswer(180), "application/json")}),
    });
    ASSERT_TRUE(server.isRunning());
    FakeClock clock;
    TestContext run;
    AcoustIdClient client(standInConfig(server.baseUrl()), "k3y+&", "Tagmint/test");

    qint64 start = clock.nowMs();
    EXPECT_FALSE(client.lookup(run.context, "AQAAfingerprint", 200));
    // Three attempts with waits of 3 and 6 seconds.
    EXPECT_EQ(clock.nowMs() - start, 3000 + 6000);
    EXPECT_EQ(run.lines.last(), "Could not make request");

    const auto body = client.lookup(run.context, "AQAAfingerprint", 210);
    ASSERT_TRUE(body);
    EXPECT_TRUE(parseAcoustidResponse(*body, 210));
    const QJsonObject request = server.requests().last();
    EXPECT_EQ(request["method"], "POST");
    EXPECT_EQ(request["user_agent"], "Tagmint/test");
    EXPECT_EQ(request["body"], "client=k3y%2B%26&meta=recordings+releasegroups+compress&duration=210&fingerprint=AQAAfingerprint");
}

TEST(Artwork, PicksTheLargestNamedImage)
{
    EXPECT_EQ(pickImageUrl(albumInfoAnswer("http://h")), "http://h/img/large.png");
    EXPECT_EQ(pickImageUrl("{\"album\": {\"image\": [{\"size\": \"mega\", \"#text\": \"file:///etc/passwd\"},"
                           " {\"size\": \"small\", \"#text\": \"https://h/s.jpg\"}]}}"),
              "https://h/s.jpg");
    EXPECT_EQ(pickImageUrl("{\"error\": 6, \"message\": \"Album not found\"}"), "");
    EXPECT_EQ(pickImageUrl("{\"album\": {\"image\": \"large\"}}"), "");
    EXPECT_EQ(pickImageUrl("not json"), "");
}

TEST(Artwork, RefusesPicturesThatDoNotDecodeOrAreHuge)
{
    const QByteArray png = makeImageBytes(32, 32, "PNG");
    const tagmint::tags::TagPicture decoded = decodeArtwork(png);
    EXPECT_EQ(decoded.image.width(), 32);
    EXPECT_EQ(decoded.bytes, png);
    EXPECT_TRUE(decodeArtwork("<html>not found</html>").image.isNull());
    // A JPEG cut after its first scan began still "decodes" in Qt: it is refused.
    const QByteArray jpeg = makeImageBytes(32, 32, "JPEG");
    EXPECT_TRUE(decodeArtwork(jpeg.left(jpeg.size() - 20)).image.isNull());
    // A PNG header claiming 20000×20000 pixels is refused before decoding.
    QByteArray huge = makeImageBytes(8, 8, "PNG");
    huge.replace(16, 8, QByteArray::fromHex("00004e2000004e20"));
    EXPECT_TRUE(decodeArtwork(huge).image.isNull());
}

TEST(Artwork, CoverArtTriesReleasesInOrderAndCaches)
{
    clearNetworkCaches();
    const QByteArray png = makeImageBytes(40, 30, "PNG");
    StandInServer server({
        StandInServer::route("/release/r1/front", {StandInServer::answer(404, "Not Found")}),
        StandInServer::route("/release/r2/front", {QJsonObject{{"status", 307}, {"redirect", "/archive/r2.png"}}}),
        StandInServer::route("/archive/r2.png", {StandInServer::answer(200, png, "image/png")}),
        StandInServer::route("/release/bad/front", {StandInServer::answer(500, "oops")}),
    });
    ASSERT_TRUE(server.isRunning());
    FakeClock clock;
    TestContext run;
    CoverArtClient client(standInConfig(server.baseUrl()), "ua");
    const tagmint::tags::TagPicture cover = client.coverForReleases(run.context, {"r1", "r2", "r3"});
    EXPECT_EQ(cover.image.size(), QSize(40, 30));
    EXPECT_EQ(cover.bytes, png);   // embedded as downloaded, not encoded anew
    EXPECT_TRUE(cover.isPng);
    EXPECT_TRUE(run.lines.contains("Artwork not found"));
    const int served = int(server.requests().size());
    EXPECT_EQ(served, 3);
    EXPECT_EQ(client.coverForReleases(run.context, {"r2"}).bytes, png);
    EXPECT_EQ(server.requests().size(), served);

    // A failing release ends the search (after its retries): r2 is not tried.
    EXPECT_TRUE(client.coverForReleases(run.context, {"bad", "r1"}).image.isNull());
    EXPECT_EQ(server.requests().size(), served + 3);
}

TEST(Artwork, AlbumInformationImagesAndMisses)
{
    clearNetworkCaches();
    StandInServer server({
        StandInServer::route("/img/large.png", {StandInServer::answer(200, makeImageBytes(20, 20, "PNG"), "image/png")}),
    });
    ASSERT_TRUE(server.isRunning());
    // The route table needs the server's own address in the answer: a second server serves it.
    StandInServer info({
        QJsonObject{{"path", "/2.0/"}, {"query", "album=Kind of Blue"},
                    {"responses", QJsonArray{StandInServer::answer(200, albumInfoAnswer(server.baseUrl()), "application/json")}}},
        StandInServer::route("/2.0/", {StandInServer::answer(200, "{\"error\": 6, \"message\": \"Album not found\"}",
                                                             "application/json")}),
    });
    ASSERT_TRUE(info.isRunning());
    TestContext run;
    AlbumInfoClient client(standInConfig(info.baseUrl()), "0123456789abcdef0123456789abcdef", "ua");
    EXPECT_EQ(client.artwork(run.context, "Miles Davis", "Kind of Blue").image.size(), QSize(20, 20));
    EXPECT_TRUE(info.requests().value(0)["query"].toString().contains(
        "method=album.getinfo&api_key=0123456789abcdef0123456789abcdef&format=json&artist=Miles Davis&album=Kind of Blue"));
    EXPECT_TRUE(run.lines.contains("Getting artwork for album 'Kind of Blue'"));
    // Served from the cache the second time.
    EXPECT_FALSE(client.artwork(run.context, "Miles Davis", "Kind of Blue").image.isNull());
    EXPECT_EQ(info.requests().size(), 1);

    EXPECT_TRUE(client.artwork(run.context, "Miles Davis", "Unknown").image.isNull());
    EXPECT_TRUE(AlbumInfoClient(standInConfig(info.baseUrl()), "", "ua").artwork(run.context, "A", "B").image.isNull());
    EXPECT_EQ(info.requests().size(), 2);
}
