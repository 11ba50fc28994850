// Opening files and folders into a collection: what is taken, what is
// counted, the limit, the order, progress and stops.

#include "CollectionTestSupport.h"
#include "collection/PathGathering.h"
#include "collection/RecordPreprocessor.h"
#include "record/FakeFileFlags.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QSet>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace tagmint;
using namespace tagmint::collection;

namespace {

class Intake : public ::testing::Test {
protected:
    test::TempDir dir;
    QZTagLibRecordDataArrayController collection;

    // n copies of plain.mp3 in a folder of their own.
    QString folderOfMp3s(const QString& name, int count)
    {
        test::makeFolder(dir.filePath(name));
        for (int i = 0; i < count; ++i)
            dir.copyFixture("plain.mp3", QStringLiteral("%1/track %2.mp3").arg(name).arg(i, 3, 10, QLatin1Char('0')));
        return dir.filePath(name);
    }
};

// Raises the stop from inside the work, as a late press of the stop button.
class StoppingPreprocessor : public RecordPreprocessor {
public:
    explicit StoppingPreprocessor(StopFlag stop, int atCall) : m_stop(stop), m_atCall(atCall) {}
    void preprocess(QZTagLibRecord&, quint32, PreprocessingStatistics& statistics,
                    const MessageCallback&) override
    {
        ++statistics.tagsLoaded;
        if (++m_calls == m_atCall)
            m_stop.request();
    }

private:
    StopFlag m_stop;
    int m_atCall;
    int m_calls = 0;
};

} // namespace

TEST_F(Intake, AFolderWithAHiddenAndAnUnsupportedFile)
{
    test::makeFolder(dir.filePath("album"));
    dir.copyFixture("tagged_v24.mp3", "album/song.mp3");
    dir.copyFixture("plain.mp3", "album/.hidden.mp3");
    dir.writeFile("album/notes.txt", "text");

    const IntakeResult result = test::openInline(collection, {dir.filePath("album")});
    EXPECT_EQ(result.added, 1);
    EXPECT_EQ(result.unsupported, 1);
    EXPECT_EQ(result.duplicates, 0);
    ASSERT_EQ(collection.totalCount(), 1);
    EXPECT_EQ(collection.objectAtIndex(0).path(), dir.filePath("album/song.mp3"));
    // Tags are released as soon as a record is made.
    EXPECT_FALSE(collection.objectAtIndex(0).isTagOpen());
}

TEST_F(Intake, OpeningTheSameFilesAgainCountsDuplicates)
{
    const QString file = dir.copyFixture("plain.mp3");
    EXPECT_EQ(test::openInline(collection, {file, file}).added, 1);   // twice in one input: once

    const IntakeResult again = test::openInline(collection, {file, dir.path()});
    EXPECT_EQ(again.added, 0);
    EXPECT_EQ(again.duplicates, 1);
    EXPECT_EQ(collection.totalCount(), 1);
}

TEST_F(Intake, NothingSupportedOrNothingThere)
{
    dir.writeFile("a.txt", "x");
    IntakeResult result = test::openInline(collection, {dir.filePath("a.txt"), dir.filePath("missing.mp3"),
                                                        dir.filePath("missing folder"), QString()});
    EXPECT_EQ(result.added + result.duplicates, 0);
    EXPECT_EQ(result.unsupported, 1);   // missing paths are dropped without a count
    EXPECT_TRUE(collection.isEmpty());
}

TEST_F(Intake, LinksBelowAFolderAreNotFollowed)
{
    test::makeFolder(dir.filePath("music/sub"));
    dir.copyFixture("plain.mp3", "music/sub/real.mp3");
    const QString outside = dir.copyFixture("plain.mp3", "outside.mp3");
    ASSERT_EQ(::symlink(qPrintable(outside), qPrintable(dir.filePath("music/link.mp3"))), 0);
    // A loop back to the top and a link that leads nowhere.
    ASSERT_EQ(::symlink(qPrintable(dir.filePath("music")), qPrintable(dir.filePath("music/sub/loop"))), 0);
    ASSERT_EQ(::symlink("/nonexistent/x.mp3", qPrintable(dir.filePath("music/dangling.mp3"))), 0);
    // A FIFO would block the reader.
    ASSERT_EQ(::mkfifo(qPrintable(dir.filePath("music/pipe.mp3")), 0600), 0);

    EXPECT_EQ(expandPaths({dir.filePath("music")}), QStringList{dir.filePath("music/sub/real.mp3")});

    // A link given by the user is what the user chose, and is opened as given.
    const QStringList given = expandPaths({dir.filePath("music/link.mp3"), dir.filePath("music/pipe.mp3")});
    EXPECT_EQ(given, QStringList{dir.filePath("music/link.mp3")});
}

TEST_F(Intake, UnreadableFoldersAreSkipped)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every folder";
    folderOfMp3s("open", 1);
    folderOfMp3s("closed", 2);
    ::chmod(qPrintable(dir.filePath("closed")), 0);
    const IntakeResult result = test::openInline(collection, {dir.path()});
    ::chmod(qPrintable(dir.filePath("closed")), 0755);
    EXPECT_EQ(result.added, 1);
}

TEST_F(Intake, PathsAreSortedIgnoringCase)
{
    test::makeFolder(dir.filePath("b"));
    const QStringList names = {"b/Zeta.mp3", "b/alpha.mp3", "b/Beta.mp3", "b/gamma.mp3"};
    for (const QString& name : names)
        dir.copyFixture("plain.mp3", name);
    test::openInline(collection, {dir.path()});
    QStringList opened;
    for (const RecordPtr& record : collection.allObjects())
        opened << record->path().mid(dir.path().size() + 1);
    // Plain byte order would put the capitals first.
    EXPECT_EQ(opened, (QStringList{"b/alpha.mp3", "b/Beta.mp3", "b/gamma.mp3", "b/Zeta.mp3"}));
}

TEST_F(Intake, TheLimitCountsRecordsAlreadyPresent)
{
    const QString first = folderOfMp3s("first", 5);
    const QString second = folderOfMp3s("second", 20);
    test::openInline(collection, {first}, {}, 15);
    const IntakeResult result = test::openInline(collection, {second}, {}, 15);
    EXPECT_EQ(result.added, 10);
    EXPECT_EQ(collection.totalCount(), 15);
    EXPECT_EQ(test::openInline(collection, {second}, {}, 15).added, 0);
}

TEST_F(Intake, ProgressStepsCountEveryPathAndReachTheLast)
{
    EXPECT_EQ(openingProgressStep(5), 1);
    EXPECT_EQ(openingProgressStep(6), 2);
    EXPECT_EQ(openingProgressStep(100), 3);

    QList<qint64> indices;
    JobCallbacks callbacks;
    callbacks.progress = [&indices](qint64 index, qint64) { indices.append(index); };
    test::openInline(collection, {folderOfMp3s("seven", 7)}, callbacks);
    EXPECT_EQ(indices, (QList<qint64>{0, 2, 4, 6}));
}

TEST_F(Intake, ARecordMadeAfterALateStopIsDiscarded)
{
    const QString folder = folderOfMp3s("late", 4);
    StopFlag stop;
    collection.setPreprocessor(std::make_shared<StoppingPreprocessor>(stop, 2));
    JobCallbacks callbacks;
    callbacks.stop = stop.callback();
    const IntakeResult result = test::openInline(collection, {folder}, callbacks, 50000,
                                                 RecordPreprocessor::TagsFromPaths);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.added, 1);
    // Both preprocessed records counted, as both ran.
    EXPECT_EQ(result.statistics.tagsLoaded, 2u);
}

// Files are read on several threads at once; records, progress and the
// stop still follow the sorted paths one by one.
TEST_F(Intake, ReadAheadKeepsPathOrderProgressAndStops)
{
    const QString folder = folderOfMp3s("many", 60);
    StopFlag stop;
    QList<qint64> progress;
    qint64 lastItem = -1;
    bool itemsInOrder = true;
    JobCallbacks callbacks;
    callbacks.stop = stop.callback();
    callbacks.progress = [&progress](qint64 index, qint64) { progress.append(index); };
    callbacks.perItem = [&](qint64 index, qint64) {
        itemsInOrder = itemsInOrder && index == lastItem + 1;
        lastItem = index;
        if (index == 40)
            stop.request();
    };
    const IntakeResult result = test::openInline(collection, {folder}, callbacks);

    EXPECT_TRUE(result.stopped);
    EXPECT_TRUE(itemsInOrder);
    EXPECT_EQ(lastItem, 40);
    EXPECT_EQ(progress, (QList<qint64>{0, 3, 6, 9, 12, 15, 18, 21, 24, 27, 30, 33, 36, 39}));
    ASSERT_EQ(result.added, 41);
    for (qsizetype i = 0; i < result.newRecords.size(); ++i) {
        const RecordPtr& record = result.newRecords.at(i);
        EXPECT_EQ(record->path(), QStringLiteral("%1/track %2.mp3").arg(folder).arg(i, 3, 10, QLatin1Char('0')));
        EXPECT_FALSE(record->hasInvalidTags());
        EXPECT_FALSE(record->isTagOpen());   // no file stays open
    }
}

TEST_F(Intake, UnlockingOnlyWithItsLoadFlag)
{
    const QString folder = folderOfMp3s("locked", 2);
    const QByteArray folderBytes = QFile::encodeName(folder);
    const QByteArray fileBytes = QFile::encodeName(folder + "/track 001.mp3");
    FakeFileFlags flags;
    collection.setFileFlagsAccess(&flags);

    flags.values[folderBytes] = FakeFileFlags::kLock;
    flags.values[fileBytes] = FakeFileFlags::kLock;
    test::openInline(collection, {folder});
    EXPECT_EQ(flags.values[folderBytes], FakeFileFlags::kLock);

    collection.removeObjects(collection.allObjects());
    test::openInline(collection, {folder}, {}, 50000, 0, kUnlockFiles);
    EXPECT_EQ(flags.values[folderBytes], 0u);
    EXPECT_EQ(flags.values[fileBytes], 0u);
    EXPECT_EQ(collection.totalCount(), 2);

    // Reloading unlocks too, a folder found unlocked before included.
    flags.values[folderBytes] = FakeFileFlags::kLock;
    collection.reloadArrangedObjectsWithPreprocessFlags(0, {}, {}, kUnlockFiles | kRunInline);
    EXPECT_EQ(flags.values[folderBytes], 0u);
}
