#include "record/ScopedImmutable.h"
#include "tags/QZTagLibAIFFTag.h"
#include "tags/QZTagLibMPEGTag.h"
#include "tags/TagTestSupport.h"

#include <QFileInfo>
#include <QSet>

#include <gtest/gtest.h>

using namespace tagmint::test;

namespace {

TEST(TagFactory, TheLowerCasedExtensionChoosesTheWrapper)
{
    // MPEG comes first in factory order; the AIFF extensions stay together.
    const QStringList all = QZTagLibTag::supportedExtensions();
    EXPECT_EQ(all.first(), "mp3");
    const qsizetype aif = all.indexOf("aif");
    ASSERT_GT(aif, 0);
    EXPECT_EQ(all.mid(aif, 3), QStringList({"aif", "aiff", "aifc"}));
    EXPECT_EQ(all.size(), QSet<QString>(all.begin(), all.end()).size());
    for (const char* path : {"Song.MP3", "/music/a.b/track.mp3", "x.aif", "x.AIFF", "x.Aifc"})
        EXPECT_TRUE(QZTagLibTag::canHandlePath(QString::fromUtf8(path))) << path;
    for (const char* path : {"notes.txt", "track.mka", "README", "/music/album.mp3/README", "song.",
                             "song.mp3.bak", ""})
        EXPECT_FALSE(QZTagLibTag::canHandlePath(QString::fromUtf8(path))) << path;

    TempDir dir;
    auto mp3 = QZTagLibTag::tagWithPath(dir.copyFixture("tagged_v24.mp3", "Song.MP3"), 0);
    ASSERT_NE(dynamic_cast<QZTagLibMPEGTag*>(mp3.get()), nullptr);
    EXPECT_EQ(dynamic_cast<QZTagLibAIFFTag*>(mp3.get()), nullptr);
    EXPECT_EQ(mp3->path(), dir.filePath("Song.MP3"));
    EXPECT_NE(dynamic_cast<QZTagLibAIFFTag*>(
                  QZTagLibTag::tagWithPath(dir.copyFixture("tagged.aiff", "Take.Aif"), 0).get()),
              nullptr);
    for (const char* name : {"notes.txt", "track.mka", "README"})
        EXPECT_EQ(QZTagLibTag::tagWithPath(dir.copyFixture("tagged_v24.mp3", name), 0), nullptr) << name;
    for (const char* name : {"missing.mp3", "missing.aiff"}) {
        EXPECT_EQ(QZTagLibTag::tagWithPath(dir.filePath(name), QZTagLibTag::OpenForWriting), nullptr);
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(name))) << name;
    }
}

// TagLib alone takes most of these for valid files and writes a tag into
// them on save.
TEST(TagFactory, DamagedFilesAreRefusedAndNeverWritten)
{
    TempDir dir;
    QByteArray noise(4096, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 37 + 11) % 251);   // never 0xFF, so no MPEG frame sync
    const QByteArray mp3 = readAll(fixturePath("plain.mp3"));
    const QByteArray aiff = readAll(fixturePath("plain.aiff"));
    const struct {
        const char* name;
        QByteArray bytes;
    } files[] = {
        {"zeros.mp3", QByteArray(4096, '\0')},
        {"noise.mp3", noise},
        {"text.mp3", "just some text\n"},
        {"empty.mp3", QByteArray()},
        {"truncated.mp3", mp3.left(30)},   // cut inside the first frame
        {"zeros.aiff", QByteArray(4096, '\0')},
        {"noise.aif", noise},
        {"empty.aifc", QByteArray()},
        {"truncated.aiff", aiff.left(8)},   // FORM without its form type
        {"mpeg.aiff", mp3},
        {"wave.aiff", QByteArray("RIFF\x10\0\0\0WAVE", 12) + QByteArray(64, '\0')},
    };
    for (const auto& file : files) {
        expectRefusedAndNeverWritten(dir, file.name, file.bytes);   // through a record
        SCOPED_TRACE(file.name);
        const QString path = dir.filePath(file.name);
        QZTagLibMPEGTag mpeg;
        QZTagLibAIFFTag aiffTag;
        QZTagLibMPEGTag& wrapper = QZTagLibMPEGTag::canHandlePath(path) ? mpeg : aiffTag;
        EXPECT_FALSE(wrapper.open(path, QZTagLibTag::OpenForWriting));
        wrapper.setTitle("never written");
        EXPECT_FALSE(wrapper.save());
        EXPECT_EQ(readAll(path), file.bytes);
    }
    // A stream cut after some whole frames is still audio.
    EXPECT_NE(QZTagLibTag::tagWithPath(dir.writeFile("cut.mp3", mp3.left(300)), 0), nullptr);
}

TEST(TagFactory, ReadOnlyFilesAndClosedWrappersAreNeverWritten)
{
    TempDir dir;
    for (const char* fixture : {"tagged_v24.mp3", "tagged.aiff"}) {
        SCOPED_TRACE(fixture);
        const QString path = dir.copyFixture(fixture);
        const QByteArray before = readAll(path);
        auto tag = openTag(path);
        ASSERT_NE(tag, nullptr);
        ASSERT_TRUE(tag->hasImages());
        tag->closeFile();
        EXPECT_EQ(tag->title(), "");
        EXPECT_EQ(tag->year(), 0);
        EXPECT_TRUE(tag->images().isEmpty());
        EXPECT_FALSE(tag->hasID3v2Tag());
        tag->setTitle("after close");
        tag->setTagImage(QImage());
        EXPECT_FALSE(tag->save());
        EXPECT_EQ(readAll(path), before);

        ScopedImmutable readOnly(path);
        if (!readOnly.isActive())
            GTEST_SKIP() << "the immutable attribute is not available here";
        tag = openTag(path);
        ASSERT_NE(tag, nullptr);
        EXPECT_TRUE(tag->isReadOnly());
        tag->setTitle("Changed");
        EXPECT_FALSE(tag->save());
        EXPECT_EQ(readAll(path), before);
    }
}

} // namespace
