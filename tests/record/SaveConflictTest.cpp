// What happens to a save that meets another one, or is killed half-way:
// the file is always either the old one or the whole new one, and nobody's
// edits are lost.

#include "record/QZTagLibRecord.h"
#include "support/ChildProcess.h"
#include "support/TestFiles.h"
#include "tags/LockedFile.h"
#include "tags/QZTagLibTag.h"
#include "tags/TagTestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <random>
#include <thread>

using namespace tagmint;
using namespace tagmint::test;
using namespace std::chrono_literals;

namespace {


QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// A few seconds of MPEG audio without tags: long enough that rewriting it
// takes a while.
QString writeLongMp3(const TempDir& dir, const QString& name)
{
    const QByteArray frames = readAll(fixturePath(QStringLiteral("plain.mp3")));
    return dir.writeFile(name, frames.repeated(6000));
}

// The edit the killed saves make: a tag that cannot fit in place.
void editForRewrite(QZTagLibRecord& record)
{
    QImage cover(400, 400, QImage::Format_RGB32);
    for (int y = 0; y < cover.height(); ++y)
        for (int x = 0; x < cover.width(); ++x)
            cover.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    record.setValue(QStringLiteral("After"), QStringLiteral("title"));
    record.setImage(cover);
}

TEST(SaveKilled, TheFileIsTheOriginalOrTheWholeNewOne)
{
    TempDir dir;
    const QString reference = writeLongMp3(dir, QStringLiteral("reference.mp3"));
    const QByteArray original = readAll(reference);
    QElapsedTimer timer;
    timer.start();
    {
        QZTagLibRecord record(reference, 0);
        editForRewrite(record);
        ASSERT_TRUE(record.saveDataToTagAndDoRenaming());
    }
    const qint64 saveMicroseconds = std::max<qint64>(timer.nsecsElapsed() / 1000, 1000);
    const QByteArray saved = readAll(reference);
    ASSERT_NE(saved, original);
    QFile::remove(reference);

    const QString path = dir.filePath(QStringLiteral("song.mp3"));
    std::mt19937 random(20240607);
    int sawOriginal = 0;
    int sawNew = 0;
    for (int run = 0; run < 25; ++run) {
        QFile::remove(path);
        dir.writeFile(QStringLiteral("song.mp3"), original);
        Gate loaded;
        ChildProcess child([&] {
            QZTagLibRecord record(path, 0);
            editForRewrite(record);
            loaded.open();
            record.saveDataToTagAndDoRenaming();
            return QByteArray();
        });
        loaded.wait();
        std::this_thread::sleep_for(std::chrono::microseconds(random() % (saveMicroseconds * 2)));
        child.kill();

        const QByteArray now = readAll(path);
        EXPECT_TRUE(now == original || now == saved) << "run " << run << ": " << now.size() << " bytes";
        sawOriginal += now == original;
        sawNew += now == saved;
        // Killed between naming the new file and the rename: the new file
        // is left under its hidden name, whole, until the next save.
        if (entries(dir.path()) != QStringList{"song.mp3"}) {
            EXPECT_EQ(entries(dir.path()), (QStringList{".song.mp3.tagmint-0", "song.mp3"})) << "run " << run;
            EXPECT_EQ(readAll(dir.filePath(QStringLiteral(".song.mp3.tagmint-0"))), saved);
            QZTagLibRecord record(path, 0);
            record.setValue(QStringLiteral("Again"), QStringLiteral("title"));
            EXPECT_TRUE(record.saveDataToTagAndDoRenaming());
            EXPECT_EQ(entries(dir.path()), QStringList{"song.mp3"}) << "run " << run;
        }
    }
    RecordProperty("original", sawOriginal);
    RecordProperty("new", sawNew);
}

// What a killed save left behind is cleared by the next save that needs a
// new file; a name whose file another save holds locked is left alone.
TEST(SaveKilled, TheNextSaveRemovesWhatAKilledOneLeft)
{
    TempDir dir;
    const QString path = writeLongMp3(dir, QStringLiteral("song.mp3"));
    const QString held = dir.writeFile(QStringLiteral(".song.mp3.tagmint-0"), "a save in progress");
    const QString abandoned = dir.writeFile(QStringLiteral(".song.mp3.tagmint-1"), "left by a killed save");
    QFile holder(held);
    ASSERT_TRUE(holder.open(QIODevice::ReadWrite));
    ASSERT_TRUE(tags::LockedFile::lockExclusivelyNow(holder.handle()));

    QZTagLibRecord record(path, 0);
    editForRewrite(record);
    ASSERT_TRUE(record.saveDataToTagAndDoRenaming());
    EXPECT_EQ(entries(dir.path()), (QStringList{".song.mp3.tagmint-0", "song.mp3"}));
    EXPECT_EQ(readAll(held), "a save in progress");
    EXPECT_FALSE(QFileInfo::exists(abandoned));
    EXPECT_EQ(QZTagLibRecord(path, 0).value(QStringLiteral("title")).toString(), QStringLiteral("After"));
}

const char* const kFormats[] = {"tagged_v24.mp3", "tagged.m4a", "tagged.flac", "id3_info.wav",
                                "tagged.aiff"};

// Two programs load the same file, each changes another field, and both
// save at the same moment: the second waits for the first and keeps its
// edit.
TEST(ConcurrentSaves, TwoProcessesSavingOneFileKeepBothEdits)
{
    TempDir dir;
    for (const char* fixture : kFormats) {
        SCOPED_TRACE(fixture);
        const QString path = dir.copyFixture(QString::fromLatin1(fixture));
        const QString digest = audioPacketDigest(path);
        Gate firstLoaded;
        Gate secondLoaded;
        Gate go;
        auto saver = [&](const char* key, const char* value, const Gate& loaded) {
            return [&, key, value] {
                QZTagLibRecord record(path, 0);
                record.releaseTagResources();
                record.setValue(QString::fromUtf8(value), QString::fromLatin1(key));
                loaded.open();
                go.wait();
                const bool saved = record.saveDataToTagAndDoRenaming();
                return saved ? QByteArray("saved") : record.saveErrorReason().toUtf8();
            };
        };
        ChildProcess first(saver("title", "From First", firstLoaded));
        ChildProcess second(saver("artist", "From Second", secondLoaded));
        firstLoaded.wait();
        secondLoaded.wait();
        go.open();
        go.open();
        EXPECT_EQ(first.finish(), "saved");
        EXPECT_EQ(second.finish(), "saved");

        QZTagLibRecord result(path, 0);
        EXPECT_EQ(result.value(QStringLiteral("title")).toString(), "From First");
        EXPECT_EQ(result.value(QStringLiteral("artist")).toString(), "From Second");
        EXPECT_EQ(audioPacketDigest(path), digest);
    }
}

TEST(ConcurrentSaves, ASaveAfterSomeoneElsesWritesOnlyWhatTheUserChanged)
{
    TempDir dir;
    const QString path = dir.copyFixture(QStringLiteral("tagged.flac"));
    QZTagLibRecord record(path, 0);
    record.releaseTagResources();
    const QString oldArtist = record.value(QStringLiteral("artist")).toString();
    record.setValue(QStringLiteral("Mine"), QStringLiteral("title"));
    {
        auto other = QZTagLibTag::tagWithPath(path, QZTagLibTag::OpenForWriting);
        ASSERT_TRUE(other);
        other->setArtist(QStringLiteral("Theirs"));
        other->setComment(QStringLiteral("Their comment"));
        ASSERT_TRUE(other->save());
    }
    ASSERT_NE(oldArtist, "Theirs");
    ASSERT_TRUE(record.saveDataToTagAndDoRenaming());
    EXPECT_EQ(record.value(QStringLiteral("title")).toString(), "Mine");
    EXPECT_EQ(record.value(QStringLiteral("artist")).toString(), "Theirs");
    EXPECT_EQ(record.value(QStringLiteral("comment")).toString(), "Their comment");
}

TEST(ConcurrentSaves, ASaveThatFindsTheFileBusyFailsAndKeepsTheEdits)
{
    TempDir dir;
    const QString path = dir.copyFixture(QStringLiteral("tagged.m4a"));
    const QByteArray before = readAll(path);
    QZTagLibRecord record(path, 0);
    record.setValue(QStringLiteral("Edited"), QStringLiteral("title"));
    {
        LockWaitOverride quick(150ms);
        auto saving = QZTagLibTag::tagWithPath(path, QZTagLibTag::OpenForWriting);
        ASSERT_TRUE(saving);
        EXPECT_FALSE(record.saveDataToTagAndDoRenaming());
    }
    EXPECT_TRUE(record.hasSaveError());
    EXPECT_EQ(record.saveErrorReason(), tags::LockedFile::busyReason());
    EXPECT_EQ(record.value(QStringLiteral("title")).toString(), "Edited");
    EXPECT_EQ(readAll(path), before);

    record.revertAllValues();
    record.setValue(QStringLiteral("Edited"), QStringLiteral("title"));
    EXPECT_TRUE(record.saveDataToTagAndDoRenaming());
    EXPECT_EQ(record.saveErrorReason(), QString());
}

} // namespace
