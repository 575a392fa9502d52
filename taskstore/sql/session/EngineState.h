#pragma once
// What every session of one engine shares: the data folder, the transaction descriptors handed out
// and the tables changed by open transactions.
#include "taskstore/engine/Engine.h"
#include "taskstore/sql/session/UncommittedChanges.h"
#include "taskstore/store/DataFolder.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace taskstore::sql {

struct EngineState {
    EngineState(const std::filesystem::path& folder, bool varcharTaskText,
                std::size_t longestValueBytes = MemoryLimits{}.session)
        : dataFolder(folder, varcharTaskText), maxValueBytes(longestValueBytes)
    {}
    store::DataFolder dataFolder;
    std::size_t maxValueBytes;             // the longest text or binary value a session may build
    MemoryBudget* serverMemory = nullptr;  // the server's budget, charged with functions' copies
    std::atomic<std::uint64_t> nextDescriptor{1};
    UncommittedChanges uncommitted;
};

}  // namespace taskstore::sql
