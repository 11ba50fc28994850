// tagmint-cli fill --from-network and fingerprint, run as separate
// processes against stand-in services on 127.0.0.1, on untagged files of
// every supported container; results read back with mutagen.

#include "cli/CliRun.h"
#include "network/NetworkTestSupport.h"
#include "support/StandInServer.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <gtest/gtest.h>

using namespace tagmint::test;

namespace {

const QStringList kFormats = {"mp3", "m4a", "flac", "wav", "aiff"};

// Eight seconds of a moving tone, untagged.
QString makeSound(const QString& path, double seconds = 8)
{
    QDir().mkpath(QFileInfo(path).path());
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                            QStringLiteral("aevalsrc=0.4*sin(2*PI*(300+200*sin(2*PI*t/3))*t):s=22050:d=%1").arg(seconds),
                            "-map_metadata", "-1", path});
    ffmpeg.waitForFinished(60000);
    return ffmpeg.exitCode() == 0 ? path : QString();
}

QByteArray acoustidAnswer()
{
    const QJsonObject artist{{"id", "artist-miles"}, {"name", "Miles Davis"}};
    const QJsonObject group{{"id", "rg-1"}, {"title", "Kind of Blue"}};
    const QJsonObject recording{{"id", "rec-1"}, {"title", "So What"}, {"duration", 8},
                                {"artists", QJsonArray{artist}}, {"releasegroups", QJsonArray{group}}};
    const QJsonObject result{{"id", "fp"}, {"score", 0.97}, {"recordings", QJsonArray{recording}}};
    return QJsonDocument(QJsonObject{{"status", "ok"}, {"results", QJsonArray{result}}}).toJson();
}

class CliNetworkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The program's settings and caches live in the test's folder.
        QDir().mkpath(dir.filePath("config/tagmint"));
        dir.writeFile("config/tagmint/tagmint.conf",
                      "[Network]\nMusicBrainzPaceMs=0\nAcoustIDPaceMs=0\nCoverArtPaceMs=0\nAlbumInfoPaceMs=0\nTimeoutMs=3000\n");
    }

    CliResult run(const QStringList& args, const QString& baseUrl)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        environment.insert("XDG_CACHE_HOME", dir.filePath("cache"));
        for (const char* service : {"MUSICBRAINZ", "ACOUSTID", "COVERART", "ALBUMINFO"})
            environment.insert(QStringLiteral("TAGMINT_%1_URL").arg(service), baseUrl);
        environment.insert("TAGMINT_ACOUSTID_KEY", "testkey");
        return runCli(args, QString(), QByteArray(), environment);
    }

    TempDir dir;
};

} // namespace

TEST_F(CliNetworkTest, FillsEveryFormatFromTheServicesThenFromTheCaches)
{
    const TestRelease release("r1", "Kind of Blue", "1959-08-17");
    StandInServer server({
        StandInServer::route("/v2/lookup", {StandInServer::answer(200, acoustidAnswer(), "application/json")}),
        StandInServer::route("/ws/2/release", {StandInServer::answer(200, releaseSearchXml({release}, 1))}),
        StandInServer::route("/ws/2/release/r1",
                             {StandInServer::answer(200, releaseDetailsXml(release, {"So What", "Freddie Freeloader",
                                                                                     "Blue in Green", "All Blues", "Flamenco Sketches"}))}),
        StandInServer::route("/release/r1/front", {StandInServer::answer(200, makeImageBytes(60, 60, "PNG"), "image/png")}),
    });
    ASSERT_TRUE(server.isRunning());

    QStringList first;
    QStringList second;
    for (const QString& format : kFormats) {
        first << makeSound(dir.filePath("first/track." + format));
        ASSERT_FALSE(first.last().isEmpty());
        second << dir.filePath("second/track." + format);
        QDir().mkpath(dir.filePath("second"));
        ASSERT_TRUE(QFile::copy(first.last(), second.last()));
    }

    const CliResult filled = run(QStringList{"fill", "--from-network"} + first, server.baseUrl());
    ASSERT_EQ(filled.exitCode, 0) << filled.err.toStdString();
    for (const QString& path : first) {
        const QJsonObject tags = mutagenTags(path);
        EXPECT_EQ(tags["artist"].toString(), "Miles Davis") << path.toStdString();
        EXPECT_EQ(tags["album"].toString(), "Kind of Blue") << path.toStdString();
        EXPECT_EQ(tags["title"].toString(), "So What") << path.toStdString();
        EXPECT_EQ(tags["year"].toString(), "1959") << path.toStdString();
        EXPECT_EQ(tags["trackNumber"].toString(), "1") << path.toStdString();
        EXPECT_EQ(tags["pictures"].toInt(), 1) << path.toStdString();
    }
    // One fingerprint request per file; the album asked for once.
    int lookups = 0;
    int searches = 0;
    for (const QJsonObject& request : server.requests()) {
        lookups += request["path"] == "/v2/lookup";
        searches += request["path"] == "/ws/2/release";
        EXPECT_TRUE(request["body"].toString().isEmpty() || request["body"].toString().startsWith("client=testkey&"));
    }
    EXPECT_EQ(lookups, 5);
    EXPECT_EQ(searches, 1);

    // Copies of the same sound, with the services gone: the caches answer.
    const QString deadUrl = QStringLiteral("http://127.0.0.1:%1").arg(unusedPort());
    server.stop();
    const CliResult cached = run(QStringList{"fill", "--from-network"} + second, deadUrl);
    ASSERT_EQ(cached.exitCode, 0) << cached.err.toStdString();
    for (const QString& path : second) {
        const QJsonObject tags = mutagenTags(path);
        EXPECT_EQ(tags["title"].toString(), "So What") << path.toStdString();
        EXPECT_EQ(tags["pictures"].toInt(), 1) << path.toStdString();
    }
}

TEST_F(CliNetworkTest, WithoutAClientKeyFingerprintsAreSkippedAndSaid)
{
    StandInServer server({});
    ASSERT_TRUE(server.isRunning());
    const QString path = makeSound(dir.filePath("a/track.flac"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    environment.insert("XDG_CACHE_HOME", dir.filePath("cache"));
    environment.insert("TAGMINT_MUSICBRAINZ_URL", server.baseUrl());
    environment.insert("TAGMINT_ACOUSTID_URL", server.baseUrl());
    environment.insert("TAGMINT_NETWORK_KEYS", dir.filePath("none.json"));
    environment.remove("TAGMINT_ACOUSTID_KEY");
    const CliResult result = runCli({"fill", "--from-network", "--fields", "title,artist", path}, QString(), QByteArray(), environment);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains("AcoustID lookups need a client key: see Preferences")) << result.err.toStdString();
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(CliNetworkTest, FingerprintPrintsJsonLinesAndRefusesShortFiles)
{
    const QString sound = makeSound(dir.filePath("sound.flac"), 9);
    const QString clip = makeSound(dir.filePath("clip.mp3"), 3);
    const CliResult result = runCli({"fingerprint", sound, clip, dir.filePath("missing.wav")});
    EXPECT_EQ(result.exitCode, 1);
    ASSERT_EQ(result.outLines().size(), 1);
    const QJsonObject line = QJsonDocument::fromJson(result.outLines()[0].toUtf8()).object();
    EXPECT_EQ(line.keys(), (QStringList{"duration", "fingerprint", "path"}));
    EXPECT_EQ(line["path"].toString(), sound);
    EXPECT_EQ(line["duration"].toInt(), 9);
    EXPECT_TRUE(line["fingerprint"].toString().startsWith("AQAA"));
    EXPECT_TRUE(result.err.contains(clip + ": Audio too short to identify")) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(dir.filePath("missing.wav") + ": Could not read audio"));
    EXPECT_EQ(runCli({"fingerprint"}).exitCode, 2);
    EXPECT_EQ(runCli({"fill", "--use-existing", "--from-paths", sound}).exitCode, 2);
}
