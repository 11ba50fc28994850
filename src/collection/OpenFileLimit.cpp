#include "collection/OpenFileLimit.h"

namespace tagmint::collection {

FileLimitAccess systemFileLimitAccess()
{
    return {[](rlimit& limit) { return getrlimit(RLIMIT_NOFILE, &limit) == 0; },
            [](const rlimit& limit) { return setrlimit(RLIMIT_NOFILE, &limit) == 0; }};
}

rlim_t raiseOpenFileLimit(const FileLimitAccess& access)
{
    rlimit limit{};
    if (!access.get || !access.get(limit))
        return 0;
    if (limit.rlim_cur >= 4096)
        return limit.rlim_cur;
    for (const rlim_t wanted : {rlim_t(4096), rlim_t(10240)}) {
        const rlimit raised{wanted, wanted};
        if (access.set && access.set(raised))
            return wanted;
    }
    return limit.rlim_cur;
}

} // namespace tagmint::collection
