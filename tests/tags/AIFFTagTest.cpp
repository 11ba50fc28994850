#include "tags/TagTestSupport.h"

#include <QProcess>

#include <gtest/gtest.h>

using namespace tagmint::test;

namespace {

TEST(AIFFTag, SavesIntoPlainAndTaggedFilesKeepingTheAudio)
{
    TempDir dir;
    for (const char* fixture : {"plain.aiff", "tagged.aiff"}) {
        SCOPED_TRACE(fixture);
        const QString path = dir.copyFixture(fixture);
        const QString digest = audioPacketDigest(path);
        ASSERT_FALSE(digest.isEmpty());
        {
            auto tag = openTag(path);
            tag->setTitle(QStringLiteral("Chœur"));
            tag->setTagImage(QImage::fromData(makeImageBytes(6, 4)));
            ASSERT_TRUE(tag->save());
            // Still open: the saved file must be complete already.
            EXPECT_EQ(frameTexts(mutagenRead(path), "TIT2"), QStringList{QStringLiteral("Chœur")});
        }
        EXPECT_EQ(audioPacketDigest(path), digest);
        auto tag = openTag(path);
        ASSERT_NE(tag, nullptr);
        EXPECT_EQ(tag->title(), QStringLiteral("Chœur"));
        EXPECT_EQ(tag->album(), QString(fixture) == "plain.aiff" ? "" : "AIFF Album");
        ASSERT_EQ(tag->images().size(), 1);
        EXPECT_EQ(tag->images().first().image.size(), QSize(6, 4));
    }
}

TEST(AIFFTag, AcceptsAnAIFCForm)
{
    TempDir dir;
    // Little-endian PCM only fits AIFF-C, so ffmpeg writes an AIFC form.
    const QString path = dir.filePath("take.aifc");
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-nostdin", "-f", "lavfi", "-i",
                            "sine=frequency=440:sample_rate=8000:duration=0.1", "-c:a",
                            "pcm_s16le", "-map_metadata", "-1", "-fflags", "+bitexact", path});
    ASSERT_TRUE(ffmpeg.waitForFinished(-1));
    ASSERT_EQ(ffmpeg.exitCode(), 0);
    ASSERT_EQ(readAll(path).mid(8, 4), "AIFC");
    {
        auto tag = openTag(path);
        ASSERT_NE(tag, nullptr);
        tag->setArtist("Compressed Form");
        ASSERT_TRUE(tag->save());
    }
    EXPECT_EQ(frameTexts(mutagenRead(path), "TPE1"), QStringList{"Compressed Form"});
}

} // namespace
