#pragma once
// Raising the process's limit of open files at start: a window may hold
// 50,000 records and several jobs run at once.

#include <functional>
#include <sys/resource.h>

namespace tagmint::collection {

// getrlimit/setrlimit for RLIMIT_NOFILE; tests stand in for them.
struct FileLimitAccess {
    std::function<bool(rlimit&)> get;
    std::function<bool(const rlimit&)> set;
};

FileLimitAccess systemFileLimitAccess();

// A soft limit below 4096 becomes 4096 (soft and hard); when that is
// refused, 10240. Answers the soft limit in force afterwards (0 when it
// could not be read).
rlim_t raiseOpenFileLimit(const FileLimitAccess& access = systemFileLimitAccess());

} // namespace tagmint::collection
