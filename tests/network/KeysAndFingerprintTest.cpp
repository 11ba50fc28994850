// Client-key rotation, the service settings, and the audio fingerprint with
// its cache key.

#include "network/Fingerprint.h"
#include "network/NetworkConfig.h"
#include "network/NetworkKeyTable.h"
#include "settings/SettingsStore.h"
#include "support/TestFiles.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

using namespace tagmint::network;
using tagmint::test::TempDir;

namespace {

QList<NetworkKeyEntry> nineEntries()
{
    QList<NetworkKeyEntry> entries;
    for (int i = 0; i < 9; ++i)
        entries.append({QStringLiteral("key%1").arg(i), QString::fromLatin1(QStringLiteral("Identity %1").arg(i).toUtf8().toBase64())});
    return entries;
}

// A sound of `seconds` with some movement in it, made by ffmpeg.
QString makeSound(const TempDir& dir, const QString& name, double seconds)
{
    const QString path = dir.filePath(name);
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                            QStringLiteral("aevalsrc=0.4*sin(2*PI*(300+200*sin(2*PI*t/3))*t)|0.3*sin(2*PI*523*t):s=22050:d=%1").arg(seconds),
                            path});
    ffmpeg.waitForFinished(60000);
    return ffmpeg.exitCode() == 0 ? path : QString();
}

} // namespace

TEST(NetworkKeyTable, KeepsItsChoiceForThreeDays)
{
    TempDir dir;
    SettingsStore settings(dir.filePath("tagmint.conf"));
    const qint64 now = 1700000000;
    const QString id = "AcoustIDKeys";
    settings.writeString(NetworkKeyTable::kTimeSection, id, QString::number(now - 259200));
    settings.writeString(NetworkKeyTable::kIndexSection, id, "4");
    NetworkKeyTable kept(id, nineEntries(), NetworkKeyTable::IdentityInBase64);
    EXPECT_EQ(kept.serviceKey(settings, now), "key4");
    EXPECT_EQ(kept.clientIdentity(settings, now), "Identity 4");
    // The index stays for the process even when the stored one changes.
    settings.writeString(NetworkKeyTable::kIndexSection, id, "7");
    EXPECT_EQ(kept.serviceKey(settings, now), "key4");

    struct Stored {
        qint64 time;
        int index;
    };
    for (const Stored& stored : {Stored{now - 259201, 4}, Stored{now - 10, 9}, Stored{now - 10, -1}, Stored{0, 4},
                                 Stored{now + 5000, 4}}) {
        settings.writeString(NetworkKeyTable::kTimeSection, id, QString::number(stored.time));
        settings.writeString(NetworkKeyTable::kIndexSection, id, QString::number(stored.index));
        NetworkKeyTable fresh(id, nineEntries(), NetworkKeyTable::IdentityInBase64);
        const int index = fresh.chosenIndex(settings, now);
        EXPECT_GE(index, 0);
        EXPECT_LT(index, 9);
        EXPECT_EQ(settings.readString(NetworkKeyTable::kTimeSection, id), QString::number(now));
        EXPECT_EQ(settings.readInt(NetworkKeyTable::kIndexSection, id, -1), index);
    }

    NetworkKeyTable empty(id, {}, 0);
    EXPECT_EQ(empty.serviceKey(settings, now), "");
    EXPECT_EQ(keyEntriesFromJson("{\"AcoustIDKeys\": [{\"key\": \" abc \", \"identity\": \"eA==\"}, 5]}", id).size(), 2);
    EXPECT_TRUE(keyEntriesFromJson("garbage", id).isEmpty());
}

TEST(NetworkConfig, EnvironmentWinsOverSettings)
{
    TempDir dir;
    SettingsStore settings(dir.filePath("tagmint.conf"));
    settings.writeString("Network", "MusicBrainzURL", "http://settings.example/");
    settings.writeString("Network", "CoverArtURL", "http://covers.example");
    settings.writeString("Network", "AcoustIDKey", "fromSettings");
    settings.writeInt("Network", "MusicBrainzPaceMs", 100);
    qputenv("TAGMINT_MUSICBRAINZ_URL", "http://127.0.0.1:8123//");
    qputenv("TAGMINT_ACOUSTID_KEY", "fromEnvironment");
    const NetworkConfig config(settings);
    qunsetenv("TAGMINT_MUSICBRAINZ_URL");
    qunsetenv("TAGMINT_ACOUSTID_KEY");
    EXPECT_EQ(config.baseUrl(Service::MusicBrainz), "http://127.0.0.1:8123");
    EXPECT_EQ(config.baseUrl(Service::CoverArt), "http://covers.example");
    EXPECT_EQ(config.baseUrl(Service::AlbumInfo), "https://ws.audioscrobbler.com");
    EXPECT_EQ(config.userKey(Service::AcoustId), "fromEnvironment");
    EXPECT_EQ(config.userKey(Service::AlbumInfo), "");
    EXPECT_EQ(config.paceMs(Service::MusicBrainz), 100);
    // The public services' limits unless told otherwise.
    EXPECT_EQ(config.paceMs(Service::AcoustId), 334);
    EXPECT_EQ(NetworkConfig().paceMs(Service::MusicBrainz), 1000);
}

TEST(Fingerprint, MatchesFpcalcAndRefusesShortOrBrokenFiles)
{
    TempDir dir;
    const QString mp3 = makeSound(dir, "tone.mp3", 9);
    const QString flac = makeSound(dir, "tone.flac", 9);
    const QString clip = makeSound(dir, "clip.wav", 4);
    ASSERT_FALSE(mp3.isEmpty());
    for (const QString& path : {mp3, flac}) {
        const auto fingerprint = computeFingerprint(path);
        ASSERT_TRUE(fingerprint) << path.toStdString();
        EXPECT_EQ(fingerprint->durationSeconds, 9);
        QProcess fpcalc;
        fpcalc.start("fpcalc", {path});
        ASSERT_TRUE(fpcalc.waitForFinished(60000));
        const QByteArray output = fpcalc.readAllStandardOutput();
        EXPECT_TRUE(output.contains("FINGERPRINT=" + fingerprint->fingerprint + "\n")) << path.toStdString();
    }
    QString error;
    EXPECT_FALSE(computeFingerprint(clip, 0, &error));
    EXPECT_EQ(error, "Audio too short to identify");
    EXPECT_FALSE(computeFingerprint(dir.writeFile("noise.mp3", QByteArray(50000, 'x')), 0, &error));
    EXPECT_EQ(error, "Could not read audio");
    EXPECT_FALSE(computeFingerprint(dir.filePath("missing.flac"), 0, &error));
}

TEST(Fingerprint, ContentKeyFollowsTheBytesNotTheName)
{
    TempDir dir;
    QByteArray bytes(20000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7);
    const QByteArray key = fingerprintContentKey(dir.writeFile("a.mp3", bytes));
    EXPECT_EQ(key.size(), 32);
    EXPECT_EQ(fingerprintContentKey(dir.writeFile("moved copy.mp3", bytes)), key);
    QByteArray middleChanged = bytes;
    middleChanged[10000] = 'x';
    EXPECT_EQ(fingerprintContentKey(dir.writeFile("middle.mp3", middleChanged)), key);
    QByteArray tagChanged = bytes;
    tagChanged[100] = 'x';
    EXPECT_NE(fingerprintContentKey(dir.writeFile("tag.mp3", tagChanged)), key);
    EXPECT_NE(fingerprintContentKey(dir.writeFile("longer.mp3", bytes + "x")), key);
    EXPECT_EQ(fingerprintContentKey(dir.filePath("missing.mp3")), "");
    // Small files are hashed once, with their size.
    EXPECT_NE(fingerprintContentKey(dir.writeFile("small.mp3", "abc")), fingerprintContentKey(dir.writeFile("e.mp3", "")));
}
