#pragma once
// The work of reloading, probing audio properties and saving, run on a job's
// worker over a fixed list of records. A stop leaves the records not yet
// visited untouched.

#include "collection/BulkJob.h"
#include "collection/PreprocessingStatistics.h"
#include "collection/RecordList.h"

#include <QString>
#include <functional>

class FileFlagsAccess;
class RecordPreprocessor;

namespace tagmint::collection {

struct ReloadResult {
    qint64 reloaded = 0;
    PreprocessingStatistics statistics;
    bool stopped = false;
};

// Reloads each record from its own path with the load flags (0x1 audio
// properties, 0x2 unlock first), then preprocesses it when asked.
ReloadResult runReload(const RecordList& records, quint32 preprocessFlags, quint32 loadFlags,
                       RecordPreprocessor* preprocessor, FileFlagsAccess& flags,
                       const JobContext& context);

struct AudioPropertiesResult {
    qint64 probed = 0;
    bool stopped = false;
};

AudioPropertiesResult runLoadAudioProperties(const RecordList& records, const JobContext& context);

struct SaveResult {
    qint64 saved = 0;
    qint64 failed = 0;
    qint64 renameFailed = 0;
    bool stopped = false;

    // Everything that was to be saved is saved. A prompt that saves before
    // closing or reloading goes on only then, so no change is dropped.
    bool succeeded() const { return failed == 0 && renameFailed == 0 && !stopped; }
};

// Asked (on the main thread) whether the lock flag of the folder holding the
// file may be cleared so that the rename can be tried again.
using UnlockPermission = std::function<bool(const QString& path)>;

// Saves the dirty records among the given ones. With a permission callback
// a second pass retries the failed renames, unlocking the folder on consent;
// it asks only when that folder is locked, and a refusal ends the pass.
SaveResult runSave(const RecordList& records, const UnlockPermission& permission,
                   FileFlagsAccess& flags, const JobContext& context);

} // namespace tagmint::collection
