#include "audio/AudioPropertiesCache.h"

#include "audio/AudioProbe.h"
#include "audio/AudioTestSupport.h"
#include "support/TestFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <gtest/gtest.h>

#include <future>
#include <thread>

using namespace tagmint::audio;
using namespace tagmint::test;

namespace {

constexpr qint64 kSomeTime = 1'600'000'000;

// Rewrites the WAV header's sample rate in place: same size, new content.
void setWavSampleRate(const QString& path, quint32 rate)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    char bytes[4];
    qToLittleEndian(rate, bytes);
    ASSERT_TRUE(file.seek(24));
    ASSERT_EQ(file.write(bytes, 4), 4);
}

class AudioPropertiesCacheTest : public ::testing::Test {
protected:
    QZAudioProperties probe(AudioPropertiesCache& cache, const QString& path)
    {
        QZAudioProperties properties;
        EXPECT_TRUE(cache.probe(fsPath(path), &properties)) << path.toStdString();
        return properties;
    }

    // A WAV copy whose modification time is fixed, so it can be restored.
    QString wavCopy(const QString& name)
    {
        const QString path = files.copyFixture(QStringLiteral("audio/pcm_s16_stereo.wav"), name);
        EXPECT_TRUE(setModificationTime(path, kSomeTime));
        return path;
    }

    TempDir cacheRoot;
    TempDir files;
};

TEST_F(AudioPropertiesCacheTest, AnUnchangedFileIsReadOnce)
{
    AudioPropertiesCache cache(cacheRoot.path());
    const QString path = wavCopy(QStringLiteral("a.wav"));
    EXPECT_EQ(probe(cache, path).sampleRate, 8000);
    EXPECT_EQ(cache.filesRead(), 1u);

    // New content behind the same size and time: the cache still answers.
    setWavSampleRate(path, 16000);
    ASSERT_TRUE(setModificationTime(path, kSomeTime));
    EXPECT_EQ(probe(cache, path).sampleRate, 8000);
    EXPECT_EQ(cache.filesRead(), 1u);

    // Touched: read again.
    ASSERT_TRUE(setModificationTime(path, kSomeTime + 1));
    EXPECT_EQ(probe(cache, path).sampleRate, 16000);
    EXPECT_EQ(cache.filesRead(), 2u);
    EXPECT_EQ(probe(cache, path).sampleRate, 16000);
    EXPECT_EQ(cache.filesRead(), 2u);
}

TEST_F(AudioPropertiesCacheTest, ANewProcessFindsTheEntriesOnDisk)
{
    const QString path = wavCopy(QStringLiteral("a.wav"));
    QZAudioProperties first;
    {
        AudioPropertiesCache cache(cacheRoot.path());
        first = probe(cache, path);
    }
    AudioPropertiesCache later(cacheRoot.path());
    setWavSampleRate(path, 16000);
    ASSERT_TRUE(setModificationTime(path, kSomeTime));
    const QZAudioProperties again = probe(later, path);
    EXPECT_EQ(later.filesRead(), 0u);
    EXPECT_EQ(again.sampleRate, 8000);
    EXPECT_EQ(again.codecText, first.codecText);
    EXPECT_EQ(again.channelsText, first.channelsText);
    EXPECT_EQ(again.durationMs, first.durationMs);
    EXPECT_EQ(again.modificationTime, first.modificationTime);
    EXPECT_EQ(later.memoryEntryCount(), 1);
}

TEST_F(AudioPropertiesCacheTest, DamagedDiskEntriesAreReadAgainAndReplaced)
{
    const QString path = wavCopy(QStringLiteral("a.wav"));
    QString batches;
    {
        AudioPropertiesCache cache(cacheRoot.path());
        probe(cache, path);
        batches = cache.store().directory() + QStringLiteral("/batches");
    }
    // Entries reach the store in batch files; the one batch holds the entry.
    const QStringList written = QDir(batches).entryList(QDir::Files);
    ASSERT_EQ(written.size(), 1);
    const QString batch = batches + QLatin1Char('/') + written.first();
    QFile original(batch);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray whole = original.readAll();
    for (qsizetype keep : {qsizetype(5), qsizetype(20), whole.size() - 3}) {
        // Only the damaged batch: the entry written again lands in a new one.
        ASSERT_TRUE(QDir(batches).removeRecursively());
        ASSERT_TRUE(QDir().mkpath(batches));
        QFile file(batch);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(whole.left(keep)), keep);
        file.close();
        AudioPropertiesCache cache(cacheRoot.path());
        EXPECT_EQ(probe(cache, path).sampleRate, 8000) << keep;
        EXPECT_EQ(cache.filesRead(), 1u) << keep;
        cache.flush();
        AudioPropertiesCache later(cacheRoot.path());
        EXPECT_EQ(probe(later, path).sampleRate, 8000) << keep;
        EXPECT_EQ(later.filesRead(), 0u) << keep;   // written again, whole
    }
}

TEST_F(AudioPropertiesCacheTest, WorksWithoutAUsableCacheFolder)
{
    const QString blocker = cacheRoot.writeFile(QStringLiteral("blocker"), "a file, not a folder");
    const QString path = wavCopy(QStringLiteral("a.wav"));
    AudioPropertiesCache first(blocker);
    EXPECT_FALSE(first.store().isUsable());
    EXPECT_EQ(probe(first, path).codecText, QStringLiteral("PCM signed 16-bit little-endian"));
    AudioPropertiesCache second(blocker);
    EXPECT_EQ(probe(second, path).sampleRate, 8000);
    EXPECT_EQ(second.filesRead(), 1u);
}

TEST_F(AudioPropertiesCacheTest, MemoryKeepsTheMostRecentlyUsedHalf)
{
    // No disk store behind it, so what memory forgets is read again.
    const QString blocker = cacheRoot.writeFile(QStringLiteral("blocker"), "x");
    AudioPropertiesCache cache(blocker, 4);
    QStringList paths;
    for (int i = 0; i < 6; ++i)
        paths << wavCopy(QStringLiteral("f%1.wav").arg(i));
    for (int i = 0; i < 4; ++i)
        probe(cache, paths[i]);
    probe(cache, paths[0]);  // f0 is used again
    probe(cache, paths[4]);
    EXPECT_EQ(cache.memoryEntryCount(), 5);
    EXPECT_EQ(cache.filesRead(), 5u);

    // Over the limit: the next probe first keeps the newest half (f4, f0).
    probe(cache, paths[5]);
    EXPECT_EQ(cache.memoryEntryCount(), 3);
    EXPECT_EQ(cache.filesRead(), 6u);
    probe(cache, paths[0]);
    probe(cache, paths[4]);
    EXPECT_EQ(cache.filesRead(), 6u);
    probe(cache, paths[1]);
    EXPECT_EQ(cache.filesRead(), 7u);
}

TEST_F(AudioPropertiesCacheTest, ProbesOfDifferentFilesDoNotWaitOnEachOther)
{
    // The slow file's read goes on only once the quick file was probed
    // meanwhile; a cache that kept its lock during the read would make the
    // quick probe wait until the slow read gave up.
    const QString slow = wavCopy(QStringLiteral("slow.wav"));
    const QString quick = wavCopy(QStringLiteral("quick.wav"));
    std::promise<void> slowStarted;
    std::promise<void> quickProbed;
    std::future<void> quickProbedFuture = quickProbed.get_future();
    bool slowWaitedInVain = false;
    AudioPropertiesCache cache(cacheRoot.path(), AudioPropertiesCache::kMemoryLimit,
                               [&](const QByteArray& path, QZAudioProperties* properties) {
                                   if (path.endsWith("slow.wav")) {
                                       slowStarted.set_value();
                                       slowWaitedInVain = quickProbedFuture.wait_for(std::chrono::seconds(20))
                                           == std::future_status::timeout;
                                   }
                                   readAudioProperties(path, properties);
                               });
    QZAudioProperties slowFacts;
    std::thread slowProbe([&] { slowFacts = probe(cache, slow); });
    slowStarted.get_future().wait();
    EXPECT_EQ(probe(cache, quick).sampleRate, 8000);
    quickProbed.set_value();
    slowProbe.join();
    EXPECT_FALSE(slowWaitedInVain);
    EXPECT_EQ(slowFacts.sampleRate, 8000);
    EXPECT_EQ(cache.filesRead(), 2u);
    EXPECT_EQ(cache.memoryEntryCount(), 2);
}

TEST_F(AudioPropertiesCacheTest, MissingFilesAreNotCached)
{
    AudioPropertiesCache cache(cacheRoot.path());
    QZAudioProperties properties;
    properties.formatText = QStringLiteral("stale");
    EXPECT_FALSE(cache.probe(fsPath(files.filePath(QStringLiteral("gone.mp3"))), &properties));
    EXPECT_TRUE(properties.formatText.isEmpty());
    EXPECT_EQ(cache.memoryEntryCount(), 0);
    EXPECT_EQ(cache.filesRead(), 0u);
}

TEST_F(AudioPropertiesCacheTest, EntryBytesRoundTripAndRefuseDamage)
{
    QZAudioProperties properties;
    properties.fileSize = 123456789012ULL;
    properties.modificationTime = 1'700'000'000'123'456'789ULL;
    properties.sampleRate = 44100;
    properties.bitrate = 320;
    properties.channels = 6;
    properties.durationMs = 3'725'000;
    properties.channelsText = QStringLiteral("5.1(side)");
    properties.formatText = QStringLiteral("Matroska / WebM");
    properties.codecText = QStringLiteral("Opus — ünïcode");
    const QByteArray bytes = AudioPropertiesCache::serialise(properties);

    const std::optional<QZAudioProperties> back = AudioPropertiesCache::deserialise(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->modificationTime, properties.modificationTime);
    EXPECT_EQ(back->durationMs, 3'725'000);
    EXPECT_EQ(back->codecText, properties.codecText);
    EXPECT_EQ(AudioPropertiesCache::serialise(*back), bytes);

    for (qsizetype cut = 0; cut < bytes.size(); ++cut)
        EXPECT_FALSE(AudioPropertiesCache::deserialise(bytes.left(cut))) << cut;
    EXPECT_FALSE(AudioPropertiesCache::deserialise(bytes + "x"));
    QByteArray otherVersion = bytes;
    otherVersion[4] = char(2);
    EXPECT_FALSE(AudioPropertiesCache::deserialise(otherVersion));
    QByteArray hugeText = bytes;
    hugeText.replace(41, 4, QByteArray("\xff\xff\xff\x7f", 4));  // the first text's length
    EXPECT_FALSE(AudioPropertiesCache::deserialise(hugeText));
}

TEST(SharedAudioPropertiesCache, LivesUnderTheUsersCacheFolder)
{
    // The test run points XDG_CACHE_HOME at a temporary folder.
    const QString expected = QFile::decodeName(qgetenv("XDG_CACHE_HOME")) + QStringLiteral("/tagmint/AudioProperties");
    EXPECT_EQ(AudioPropertiesCache::shared().store().directory(), expected);
    EXPECT_EQ(AudioPropertiesCache::shared().store().lifetime(), 86'400'000u);
}

} // namespace
