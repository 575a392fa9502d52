#pragma once
// Both programs hold the SA password in memory (the tool for the moment of its log-on, taskstore
// for as long as it runs), so neither may leave it in a core file, nor let another process of the
// same user read it through /proc or a debugger attached later.
#if defined(__linux__)
#include <sys/prctl.h>
#include <sys/resource.h>
#endif

namespace common {

inline void disableCoreDumps() noexcept
{
#if defined(__linux__)
    const rlimit none{0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
}

}  // namespace common
