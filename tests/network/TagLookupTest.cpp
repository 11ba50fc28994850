// The whole lookup of one file against stand-in services: fingerprint
// answers that name nobody, and albums only a recording search finds.

#include "network/NetworkTagLookup.h"
#include "network/NetworkTestSupport.h"
#include "support/StandInServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUrlQuery>
#include <gtest/gtest.h>

using namespace tagmint::network;
using namespace tagmint::test;
using tagmint::naming::TagValues;

namespace {

QByteArray acoustidAnswer(const QJsonArray& artists)
{
    QJsonObject recording{{"id", "rec-1"}, {"title", "So What"}, {"duration", 8},
                          {"releasegroups", QJsonArray{QJsonObject{{"id", "rg-1"}, {"title", "Kind of Blue"}}}}};
    if (!artists.isEmpty())
        recording.insert("artists", artists);
    const QJsonObject result{{"id", "fp"}, {"score", 0.9}, {"recordings", QJsonArray{recording}}};
    return QJsonDocument(QJsonObject{{"status", "ok"}, {"results", QJsonArray{result}}}).toJson();
}

NetworkTagLookup lookupAt(const QString& baseUrl)
{
    return NetworkTagLookup([baseUrl](bool cacheOnly) {
        NetworkSetup setup;
        setup.config = standInConfig(baseUrl);
        setup.acoustIdKey = QStringLiteral("testkey");
        setup.cacheOnly = cacheOnly;
        return setup;
    });
}

} // namespace

TEST(TagLookup, AlbumsOnlyARecordingSearchFindsAreLearnt)
{
    clearNetworkCaches();
    TempDir dir;
    const QString sound = makeSound(dir.filePath("sound.flac"));
    ASSERT_FALSE(sound.isEmpty());
    // The artist's release search knows another album only; the recording
    // search finds the one holding the recording.
    const TestRelease other("r0", "Milestones", "1958-04-02");
    TestRelease kindOfBlue("r1", "Kind of Blue", "1959-08-17");
    const QByteArray details = releaseDetailsXml(kindOfBlue, {"So What", "Freddie Freeloader", "Blue in Green"});
    const QJsonArray milesDavis{QJsonObject{{"id", "artist-miles"}, {"name", "Miles Davis"}}};
    StandInServer server({
        StandInServer::route("/v2/lookup", {StandInServer::answer(200, acoustidAnswer(milesDavis), "application/json"),
                                            StandInServer::answer(200, acoustidAnswer({}), "application/json")}),
        StandInServer::route("/ws/2/release", {StandInServer::answer(200, releaseSearchXml({other}, 1))}),
        StandInServer::route("/ws/2/recording", {StandInServer::answer(200, recordingSearchXml("So What", {kindOfBlue}))}),
        StandInServer::route("/ws/2/release/r1", {StandInServer::answer(200, details)}),
    });
    ASSERT_TRUE(server.isRunning());

    // The fingerprint names the artist; only the last pass chooses, and the
    // recording search confirms the album.
    TestContext run;
    NetworkTagLookup lookup = lookupAt(server.baseUrl());
    lookup.startRun(0);
    const auto found = lookup.lookupTags(run.context, sound, TagValues{{"title", "So What"}});
    ASSERT_TRUE(found);
    EXPECT_EQ(found->value("album"), "Kind of Blue");
    EXPECT_EQ(found->value("year"), "1959");
    EXPECT_EQ(found->value("trackNumber"), "1");
    QStringList searches;
    for (const QJsonObject& request : server.requests()) {
        if (request["path"] == "/ws/2/recording")
            searches << QUrlQuery(request["query"].toString()).queryItemValue("query", QUrl::FullyDecoded);
    }
    EXPECT_EQ(searches, QStringList{"artist:\"Miles Davis\" AND recording:\"So What\""});

    // An answer whose recording names no artist: the tags' artist and
    // title complete it (a copy with other bytes is another fingerprint).
    const QString copy = makeSound(dir.filePath("copy.flac"), 8.5);
    ASSERT_FALSE(copy.isEmpty());
    const auto completed =
        lookup.lookupTags(run.context, copy, TagValues{{"artist", "Miles Davis"}, {"title", "So What"}});
    ASSERT_TRUE(completed);
    EXPECT_EQ(completed->value("artist"), "Miles Davis");
    EXPECT_EQ(completed->value("album"), "Kind of Blue");

    // Without an artist in the tags there is nothing to complete it with.
    clearNetworkCaches();
    EXPECT_FALSE(lookup.lookupTags(run.context, copy, TagValues{{"title", "So What"}}));
}
