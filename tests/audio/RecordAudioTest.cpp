#include "record/QZTagLibRecord.h"

#include "audio/AudioTestSupport.h"
#include "support/TestFiles.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace tagmint::test;

namespace {

QString textOf(const QZTagLibRecord& record, const char* key)
{
    return record.value(QString::fromLatin1(key)).toString();
}

TEST(RecordAudio, LoadedWithTheAudioFlagShowsTheTexts)
{
    TempDir dir;
    const QString path = dir.copyFixture(QStringLiteral("audio/cbr_mpeg25_mono.mp3"), QStringLiteral("song.mp3"));
    const QZTagLibRecord record(path, QZTagLibRecord::LoadAudioProperties);
    EXPECT_TRUE(record.hasAudioProperties());
    EXPECT_EQ(textOf(record, "frequency"), QStringLiteral("8000"));
    EXPECT_EQ(textOf(record, "bitrate"), QStringLiteral("8"));
    EXPECT_EQ(textOf(record, "channels"), QStringLiteral("Mono"));
    EXPECT_EQ(textOf(record, "duration"), QStringLiteral("0:00:01"));
    EXPECT_EQ(textOf(record, "audioFormat"), QStringLiteral("MP2/3 (MPEG audio layer 2/3)"));
    EXPECT_EQ(textOf(record, "audioCodec"), QStringLiteral("MP3 (MPEG audio layer 3)"));
    EXPECT_EQ(record.value(QStringLiteral("frequencySortValue")).toInt(), 8000);
    EXPECT_EQ(record.value(QStringLiteral("durationSortValue")).toInt(), 1368);
    EXPECT_EQ(record.value(QStringLiteral("channelsSortValue")).toInt(), 1);
}

TEST(RecordAudio, SavingKeepsTheAudioFactsShown)
{
    TempDir dir;
    const QString path = dir.copyFixture(QStringLiteral("audio/cbr_mpeg2_mono.mp3"), QStringLiteral("a.mp3"));
    QZTagLibRecord record(path, QZTagLibRecord::LoadAudioProperties);
    ASSERT_TRUE(record.setValueAndCheck(QStringLiteral("New Title"), QStringLiteral("title")));
    ASSERT_TRUE(record.saveDataToTagAndDoRenaming());
    EXPECT_EQ(textOf(record, "title"), QStringLiteral("New Title"));
    EXPECT_EQ(textOf(record, "frequency"), QStringLiteral("22050"));
    EXPECT_EQ(textOf(record, "audioCodec"), QStringLiteral("MP3 (MPEG audio layer 3)"));
}

TEST(RecordAudio, WithoutTheFlagOrTheFileThereAreNoAudioFacts)
{
    TempDir dir;
    const QString path = dir.copyFixture(QStringLiteral("audio/cbr_mpeg2_mono.mp3"), QStringLiteral("a.mp3"));
    const QZTagLibRecord withoutFlag(path, 0);
    EXPECT_FALSE(withoutFlag.hasAudioProperties());
    EXPECT_TRUE(textOf(withoutFlag, "audioCodec").isEmpty());
    EXPECT_EQ(withoutFlag.value(QStringLiteral("frequencySortValue")).toInt(), 0);

    // A file that is gone clears what an earlier load showed.
    QZTagLibRecord record(path, QZTagLibRecord::LoadAudioProperties);
    ASSERT_FALSE(textOf(record, "audioCodec").isEmpty());
    ASSERT_TRUE(QFile::remove(path));
    record.loadFromPath(path, QZTagLibRecord::LoadAudioProperties);
    EXPECT_FALSE(record.hasAudioProperties());
    EXPECT_TRUE(textOf(record, "audioCodec").isEmpty());
    EXPECT_TRUE(textOf(record, "frequency").isEmpty());
    EXPECT_EQ(record.value(QStringLiteral("durationSortValue")).toInt(), 0);
}

} // namespace
