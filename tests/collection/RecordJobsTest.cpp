// Reloading, audio properties and saving over real files: what is done,
// what is counted, and what a stop leaves alone.

#include "CollectionTestSupport.h"
#include "record/ScopedImmutable.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

using namespace tagmint;
using namespace tagmint::collection;

namespace {

class RecordJobs : public ::testing::Test {
protected:
    test::TempDir dir;
    QZTagLibRecordDataArrayController collection;

    RecordList addCopies(int count, const QString& folder = QString())
    {
        if (!folder.isEmpty())
            test::makeFolder(dir.filePath(folder));
        RecordList records;
        for (int i = 0; i < count; ++i) {
            const QString name = (folder.isEmpty() ? QString() : folder + "/") + QStringLiteral("f%1.mp3").arg(i);
            records.append(test::makeRecord(dir.copyFixture("plain.mp3", name)));
        }
        collection.addObjects(records);
        return records;
    }

    SaveResult saveInline(const RecordList& records, UnlockPermission permission = {},
                          JobCallbacks callbacks = {})
    {
        SaveResult result;
        EXPECT_TRUE(collection.save(records, std::move(callbacks),
                                    [&result](const SaveResult& r) { result = r; },
                                    std::move(permission), kRunInline));
        return result;
    }

    ReloadResult reloadInline(JobCallbacks callbacks = {})
    {
        ReloadResult result;
        collection.reloadArrangedObjectsWithPreprocessFlags(
            0, std::move(callbacks), [&result](const ReloadResult& r) { result = r; }, kRunInline);
        return result;
    }
};

} // namespace

TEST_F(RecordJobs, ReloadReadsTheFilesAgain)
{
    const RecordList records = addCopies(3);
    records[0]->setValue("Edited", "title");
    QFile::remove(records[2]->path());

    const ReloadResult result = reloadInline();
    EXPECT_EQ(result.reloaded, 3);
    EXPECT_FALSE(records[0]->isDirty());
    EXPECT_EQ(records[0]->value("title").toString(), "");
    // A vanished file stays as an unreadable row.
    EXPECT_TRUE(records[2]->hasInvalidTags());
    EXPECT_EQ(collection.totalCount(), 3);
}

TEST_F(RecordJobs, AStopDuringReloadLeavesTheRestAlone)
{
    const RecordList records = addCopies(4);
    for (const RecordPtr& record : records)
        record->setValue("Edited", "title");
    StopFlag stop;
    JobCallbacks callbacks;
    callbacks.stop = stop.callback();
    callbacks.perItem = [&stop](qint64 done, qint64) {
        if (done == 2)
            stop.request();
    };
    const ReloadResult result = reloadInline(callbacks);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.reloaded, 2);
    EXPECT_FALSE(records[1]->isDirty());
    EXPECT_TRUE(records[2]->isDirty());
    EXPECT_TRUE(records[3]->isDirty());
    EXPECT_EQ(records[3]->value("title").toString(), "Edited");
}

TEST_F(RecordJobs, ProgressStepsOfReloadAndAudioProperties)
{
    EXPECT_EQ(reloadingProgressStep(9), 1);
    EXPECT_EQ(reloadingProgressStep(25), 2);
    EXPECT_EQ(reloadingProgressStep(500), 10);
    EXPECT_EQ(audioPropertiesProgressStep(9), 1);
    EXPECT_EQ(audioPropertiesProgressStep(25), 2);
    EXPECT_EQ(audioPropertiesProgressStep(500), 3);

    addCopies(25);
    QList<qint64> indices;
    JobCallbacks callbacks;
    callbacks.progress = [&indices](qint64 index, qint64) { indices.append(index); };
    reloadInline(callbacks);
    ASSERT_EQ(indices.size(), 13);
    EXPECT_EQ(indices[1], 2);
    EXPECT_EQ(indices.last(), 24);
}

TEST_F(RecordJobs, AudioPropertiesOnlyWhenAskedAndMissing)
{
    EXPECT_FALSE(collection.needsLoadingPropertiesForFlags(kLoadAudioProperties));   // no records
    addCopies(2);
    EXPECT_FALSE(collection.needsLoadingPropertiesForFlags(0));
    EXPECT_TRUE(collection.needsLoadingPropertiesForFlags(kLoadAudioProperties));

    AudioPropertiesResult result;
    ASSERT_TRUE(collection.loadAdditionalPropertiesWithStopBlock(
        {}, [&result](const AudioPropertiesResult& r) { result = r; }, kLoadAudioProperties | kRunInline));
    EXPECT_EQ(result.probed, 2);
    EXPECT_FALSE(result.stopped);
    EXPECT_FALSE(collection.objectAtIndex(0).isTagOpen());
}

TEST_F(RecordJobs, OneFailedRenameAmongThree)
{
    const RecordList records = addCopies(3);
    records[0]->setValue("Saved Title", "title");
    records[1]->setValue("renamed", "filename");
    records[2]->setValue("taken", "filename");
    // Every name the rename could choose exists already.
    dir.copyFixture("plain.mp3", "taken.mp3");
    for (int i = 2; i <= 1024; ++i)
        dir.writeFile(QStringLiteral("taken %1.mp3").arg(i), "x");

    const SaveResult result = saveInline(collection.arrangedObjects());
    EXPECT_EQ(result.saved, 2);
    EXPECT_EQ(result.failed, 0);
    EXPECT_EQ(result.renameFailed, 1);
    EXPECT_FALSE(result.succeeded());
    EXPECT_TRUE(QFile::exists(dir.filePath("renamed.mp3")));
    EXPECT_TRUE(records[2]->isDirty());
    EXPECT_EQ(records[2]->filename(), "taken");
}

TEST_F(RecordJobs, AFailedSaveStaysDirtyAndIsNotReportedAsSaved)
{
    const RecordList records = addCopies(2);
    records[0]->setValue("Lost", "title");
    records[1]->setValue("Kept", "title");
    QFile::remove(records[0]->path());

    const SaveResult result = saveInline(collection.arrangedObjects());
    EXPECT_EQ(result.saved, 1);
    EXPECT_EQ(result.failed, 1);
    EXPECT_TRUE(records[0]->isDirty() || records[0]->hasSaveError());
    EXPECT_EQ(records[0]->value("title").toString(), "Lost");
    EXPECT_FALSE(records[1]->isDirty());
}

TEST_F(RecordJobs, AStopDuringSaveLeavesTheRestUnsaved)
{
    const RecordList records = addCopies(3);
    for (const RecordPtr& record : records)
        record->setValue("Edited", "title");
    StopFlag stop;
    JobCallbacks callbacks;
    callbacks.stop = stop.callback();
    callbacks.perItem = [&stop](qint64 index, qint64) {
        if (index == 0)
            stop.request();
    };
    const SaveResult result = saveInline(collection.arrangedObjects(), {}, callbacks);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.saved, 1);
    EXPECT_FALSE(result.succeeded());
    EXPECT_TRUE(records[1]->isDirty());
    EXPECT_TRUE(records[2]->isDirty());
}

TEST_F(RecordJobs, TheSecondPassUnlocksTheFolderWithConsent)
{
    const RecordList records = addCopies(2, "locked");
    records[0]->setValue("first", "filename");
    records[1]->setValue("second", "filename");
    ScopedImmutable lock(dir.filePath("locked"));
    if (!lock.isActive())
        GTEST_SKIP() << "the immutable attribute cannot be set here";

    // Refused: the pass ends at the first question.
    QStringList asked;
    SaveResult result = saveInline(records, [&asked](const QString& path) {
        asked << path;
        return false;
    });
    EXPECT_EQ(result.renameFailed, 2);
    EXPECT_EQ(asked.size(), 1);

    // Granted on the pool: asked on the main thread, the folder unlocked
    // and both renamed.
    asked.clear();
    bool done = false;
    ASSERT_TRUE(collection.save(
        records, {},
        [&](const SaveResult& r) {
            result = r;
            done = true;
        },
        [&asked](const QString& path) {
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            asked << path;
            return true;
        },
        0));
    ASSERT_TRUE(test::waitUntil([&done] { return done; }));
    lock.release();
    EXPECT_EQ(asked.size(), 1);
    EXPECT_EQ(result.saved, 2);
    EXPECT_EQ(result.renameFailed, 0);
    EXPECT_TRUE(QFile::exists(dir.filePath("locked/first.mp3")));
    EXPECT_TRUE(QFile::exists(dir.filePath("locked/second.mp3")));
}

namespace {

// The real flags, except that one folder's lock can be neither seen nor
// cleared: its renames fail for a reason unlocking does not touch.
class OneFolderWithoutFlags : public FileFlagsAccess {
public:
    explicit OneFolderWithoutFlags(const QString& folder) : m_folder(folder.toUtf8()) {}
    std::optional<quint32> flags(const QByteArray& path) const override
    {
        return path == m_folder ? std::optional<quint32>() : LinuxFileFlags::instance().flags(path);
    }
    bool setFlags(const QByteArray& path, quint32 flags) override
    {
        return path != m_folder && LinuxFileFlags::instance().setFlags(path, flags);
    }
    quint32 lockFlag() const override { return LinuxFileFlags::instance().lockFlag(); }

private:
    QByteArray m_folder;
};

} // namespace

TEST_F(RecordJobs, TheSecondPassAsksOnlyAboutFoldersThatAreLocked)
{
    const RecordList blocked = addCopies(1, "blocked");
    const RecordList locked = addCopies(1, "locked");
    blocked[0]->setValue("first", "filename");
    locked[0]->setValue("second", "filename");
    ScopedImmutable blockedLock(dir.filePath("blocked"));
    ScopedImmutable lock(dir.filePath("locked"));
    if (!lock.isActive() || !blockedLock.isActive())
        GTEST_SKIP() << "the immutable attribute cannot be set here";
    OneFolderWithoutFlags access(dir.filePath("blocked"));
    collection.setFileFlagsAccess(&access);

    // Unlocking cannot help the first: no question, and the pass goes on to
    // the folder that can be unlocked.
    QStringList asked;
    const SaveResult result = saveInline(blocked + locked, [&asked](const QString& path) {
        asked << path;
        return true;
    });
    blockedLock.release();
    lock.release();
    EXPECT_EQ(asked, QStringList{dir.filePath("locked/f0.mp3")});
    EXPECT_EQ(result.saved, 1);
    EXPECT_EQ(result.renameFailed, 1);
    EXPECT_TRUE(QFile::exists(dir.filePath("locked/second.mp3")));
    EXPECT_TRUE(QFile::exists(dir.filePath("blocked/f0.mp3")));
}
