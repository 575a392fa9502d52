#pragma once
// What every session of one engine shares: the data folder, the transaction descriptors handed out
// and the tables changed by open transactions.
#include "taskstore/sql/UncommittedChanges.h"
#include "taskstore/store/DataFolder.h"

#include <atomic>
#include <cstdint>
#include <filesystem>

namespace taskstore::sql {

struct EngineState {
    EngineState(const std::filesystem::path& folder, bool varcharTaskText) : dataFolder(folder, varcharTaskText) {}
    store::DataFolder dataFolder;
    std::atomic<std::uint64_t> nextDescriptor{1};
    UncommittedChanges uncommitted;
};

}  // namespace taskstore::sql
