#pragma once
// The work of opening files on the job's worker: gathering the paths, then
// creating (and preprocessing) one record per path.

#include "collection/BulkJob.h"
#include "collection/PreprocessingStatistics.h"
#include "collection/RecordList.h"

#include <QSet>
#include <QStringList>
#include <memory>

class FileFlagsAccess;
class RecordPreprocessor;

namespace tagmint::collection {

// Load flags of opening and reloading.
inline constexpr quint32 kLoadAudioProperties = 0x1;
inline constexpr quint32 kUnlockFiles = 0x2;

struct IntakeRequest {
    QStringList paths;
    qint64 limit = 50000;
    quint32 preprocessFlags = 0;
    quint32 loadFlags = 0;
    QSet<QString> existingPaths;   // of the receiving collection, at the start
    std::shared_ptr<RecordPreprocessor> preprocessor;
    FileFlagsAccess* flags = nullptr;   // lock flag access; the real one when null
};

struct IntakeResult {
    qint64 added = 0;
    qint64 duplicates = 0;
    qint64 unsupported = 0;
    RecordList newRecords;
    PreprocessingStatistics statistics;
    bool stopped = false;
};

IntakeResult runIntake(const IntakeRequest& request, const JobContext& context);

} // namespace tagmint::collection
