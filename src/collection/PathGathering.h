#pragma once
// The first phase of opening files: from the paths the user gave to the
// sorted list of supported files to create records for.

#include <QString>
#include <QStringList>
#include <functional>

class FileFlagsAccess;

namespace tagmint::collection {

struct GatheredPaths {
    QStringList paths;        // supported, not hidden, within the limit, sorted
    qint64 unsupported = 0;   // files no tag wrapper handles
};

struct GatheringOptions {
    qint64 existingCount = 0;      // records already in the window
    qint64 limit = 50000;          // records one window may hold
    bool unlock = false;           // clear the lock flag of the given paths first
    FileFlagsAccess* flags = nullptr;   // the lock flag's access; the real one when null
    std::function<bool()> shouldStop;
};

// Every regular file the paths name: a path to a file as it is, a folder by
// all regular files below it at any depth. Symbolic links below a folder are
// not followed; paths that do not exist, and given paths that are neither a
// folder nor a regular file (a FIFO would block the reader), are dropped.
// Paths are made absolute. Stops early when shouldStop says so.
QStringList expandPaths(const QStringList& paths, const std::function<bool()>& shouldStop = {});

// Expansion, then: duplicates removed, hidden files dropped, unsupported
// files counted, the limit applied, the rest sorted.
GatheredPaths gatherPaths(const QStringList& paths, const GatheringOptions& options);

// Ascending by the user's locale, ignoring case, over the whole path.
void sortPathsForIntake(QStringList& paths);

} // namespace tagmint::collection
