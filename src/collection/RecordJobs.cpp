#include "collection/RecordJobs.h"

#include "collection/FileUnlocker.h"
#include "collection/IntakeJob.h"
#include "collection/RecordPreprocessor.h"
#include "record/PathLock.h"
#include "record/QZTagLibRecord.h"
#include "util/TextConversion.h"

#include <QFileInfo>

namespace tagmint::collection {

ReloadResult runReload(const RecordList& records, quint32 preprocessFlags, quint32 loadFlags,
                       RecordPreprocessor* preprocessor, FileFlagsAccess& flags,
                       const JobContext& context)
{
    ReloadResult result;
    const std::shared_ptr<PreprocessingStatistics> statistics =
        PreprocessingStatisticsRing::shared().take().statistics;
    const auto message = [&context](const QString& text) { context.showMessage(text); };
    if (preprocessFlags != 0 && preprocessor)
        preprocessor->jobStarted();
    FileUnlocker unlocker(flags);
    const qint64 count = records.size();
    const int step = reloadingProgressStep(count);
    for (qint64 index = 0; index < count; ++index) {
        if (context.shouldStop()) {
            result.stopped = true;
            break;
        }
        QZTagLibRecord& record = *records.at(index);
        if (loadFlags & kUnlockFiles)
            unlocker.unlockIfLocked(record.path());
        record.loadFromPath(record.path(), loadFlags & kLoadAudioProperties);
        if (preprocessFlags != 0 && preprocessor)
            preprocessor->preprocess(record, preprocessFlags, *statistics, message);
        record.releaseTagResources();
        ++result.reloaded;
        if (index % step == 0)
            context.reportProgress(index, count);
        context.reportItem(index + 1, count);
    }
    result.statistics = *statistics;
    return result;
}

AudioPropertiesResult runLoadAudioProperties(const RecordList& records, const JobContext& context)
{
    AudioPropertiesResult result;
    const qint64 count = records.size();
    const int step = audioPropertiesProgressStep(count);
    for (qint64 index = 0; index < count; ++index) {
        if (context.shouldStop()) {
            result.stopped = true;
            break;
        }
        QZTagLibRecord& record = *records.at(index);
        record.loadAudioProperties();
        record.releaseTagResources();
        ++result.probed;
        if (index % step == 0)
            context.reportProgress(index + 1, count);
        context.reportItem(index + 1, count);
    }
    return result;
}

namespace {

QByteArray folderOf(const QString& filePath)
{
    return text::toFileSystemPath(QFileInfo(filePath).path());
}

// Only the lock of the folder holding the file stands in a rename's way;
// a folder further up does not.
bool isFolderLocked(const QString& filePath, const FileFlagsAccess& flags)
{
    const std::optional<quint32> current = flags.flags(folderOf(filePath));
    return current && (*current & flags.lockFlag());
}

void clearFolderLock(const QString& filePath, FileFlagsAccess& flags)
{
    const QByteArray folder = folderOf(filePath);
    const std::optional<quint32> current = flags.flags(folder);
    if (current && (*current & flags.lockFlag()))
        flags.setFlags(folder, *current & ~flags.lockFlag());
}

// A record that is no longer dirty (its file vanished during the failed
// rename and it reloaded as unreadable) was not saved, whatever saveIfDirty
// answers for it.
bool saveAgain(QZTagLibRecord& record)
{
    if (!record.isDirty())
        return false;
    const bool saved = record.saveDataToTagAndDoRenaming();
    record.releaseTagResources();
    return saved;
}

} // namespace

SaveResult runSave(const RecordList& records, const UnlockPermission& permission,
                   FileFlagsAccess& flags, const JobContext& context)
{
    RecordList dirty;
    for (const RecordPtr& record : records) {
        if (record->isDirty())
            dirty.append(record);
    }

    SaveResult result;
    const qint64 count = dirty.size();
    for (qint64 index = 0; index < count; ++index) {
        if (context.shouldStop()) {
            result.stopped = true;
            break;
        }
        QZTagLibRecord& record = *dirty.at(index);
        if (record.saveIfDirty())
            ++result.saved;
        else if (record.hasRenameError())
            ++result.renameFailed;
        else
            ++result.failed;
        record.releaseTagResources();
        context.reportProgress(index, count);
        context.reportItem(index, count);
    }

    if (!permission || result.stopped)
        return result;
    for (const RecordPtr& pointer : dirty) {
        QZTagLibRecord& record = *pointer;
        if (!record.hasRenameError())
            continue;
        if (context.shouldStop()) {
            result.stopped = true;
            break;
        }
        if (!saveAgain(record)) {
            if (!record.hasRenameError() || !record.isDirty())
                continue;
            const QString path = record.path();
            // Unlocking cannot help a rename that failed for another reason,
            // and a refusal would end the pass for the records still to come.
            if (!isFolderLocked(path, flags))
                continue;
            if (!context.askOnMainThread([&permission, &path] { return permission(path); }))
                break;
            clearFolderLock(path, flags);
            if (!saveAgain(record))
                continue;
        }
        --result.renameFailed;
        ++result.saved;
    }
    return result;
}

} // namespace tagmint::collection
