#include "collection/IntakeJob.h"

#include "collection/FileUnlocker.h"
#include "collection/OrderedParallelMap.h"
#include "collection/PathGathering.h"
#include "collection/RecordPreprocessor.h"
#include "record/PathLock.h"
#include "record/QZTagLibRecord.h"
#include "util/FileSystem.h"

#include <mutex>

namespace tagmint::collection {

IntakeResult runIntake(const IntakeRequest& request, const JobContext& context)
{
    FileFlagsAccess& flags = request.flags ? *request.flags : LinuxFileFlags::instance();
    const bool unlock = request.loadFlags & kUnlockFiles;

    GatheringOptions options;
    options.existingCount = request.existingPaths.size();
    options.limit = request.limit;
    options.unlock = unlock;
    options.flags = &flags;
    options.shouldStop = [&context] { return context.shouldStop(); };
    const GatheredPaths gathered = gatherPaths(request.paths, options);

    IntakeResult result;
    result.unsupported = gathered.unsupported;
    const std::shared_ptr<PreprocessingStatistics> statistics =
        PreprocessingStatisticsRing::shared().take().statistics;
    const auto message = [&context](const QString& text) { context.showMessage(text); };

    const bool preprocessing = request.preprocessFlags != 0 && request.preprocessor;
    if (preprocessing)
        request.preprocessor->jobStarted();
    FileUnlocker unlocker(flags);
    std::mutex unlocking;
    const qint64 count = gathered.paths.size();
    // Files are read on several threads; everything else happens here, in
    // path order.
    OrderedParallelMap<RecordPtr> made(count, [&](qint64 index) -> RecordPtr {
        const QString& path = gathered.paths.at(index);
        if (request.existingPaths.contains(path))
            return nullptr;
        if (unlock) {
            const std::lock_guard guard(unlocking);
            unlocker.unlockIfLocked(path);
        }
        auto record = std::make_shared<QZTagLibRecord>(path, request.loadFlags & kLoadAudioProperties);
        // The preprocessing may still want the open tag.
        if (!preprocessing)
            record->releaseTagResources();
        return record;
    });
    const int step = openingProgressStep(count);
    for (qint64 index = 0; index < count; ++index) {
        if (context.shouldStop()) {
            result.stopped = true;
            break;
        }
        const QString& path = gathered.paths.at(index);
        if (request.existingPaths.contains(path)) {
            ++result.duplicates;
        } else {
            RecordPtr record = made.take(index);
            if (preprocessing) {
                request.preprocessor->preprocess(*record, request.preprocessFlags, *statistics, message);
                record->releaseTagResources();
            }
            // A file that vanished since it was found is no file to show.
            const bool vanished = record->hasInvalidTags() && fs::kindOf(path) == fs::PathKind::Missing;
            if (context.shouldStop())
                result.stopped = true;   // made after the stop: discarded
            else if (!vanished)
                result.newRecords.append(std::move(record));
        }
        if (index % step == 0)
            context.reportProgress(index, count);
        context.reportItem(index, count);
    }
    // A stop during the expansion may leave nothing to visit.
    result.stopped = result.stopped || context.shouldStop();
    result.added = result.newRecords.size();
    result.statistics = *statistics;
    return result;
}

} // namespace tagmint::collection
