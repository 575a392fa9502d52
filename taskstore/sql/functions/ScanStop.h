#pragma once
// Functions whose one call can scan a long value look at the session's stop flag as they go, so
// an attention or a vanished client ends the statement within a fraction of a second.
#include <atomic>
#include <cstddef>

namespace taskstore::sql {

// Thrown by a scan once its stop flag is set.
struct ScanStopped {};

// Looked at every this many steps: a few microseconds of work between looks.
inline constexpr std::size_t stepsBetweenStopChecks = 4096;

inline void throwIfStopped(const std::atomic<bool>* stop)
{
    if (stop && stop->load(std::memory_order_relaxed))
        throw ScanStopped{};
}

}  // namespace taskstore::sql
