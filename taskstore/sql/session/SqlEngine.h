#pragma once
// The engine behind taskstore: T-SQL sessions over the SQLite files of one data folder.
#include "taskstore/engine/Engine.h"

#include <cstdint>
#include <filesystem>
#include <memory>

namespace taskstore::sql {

// The type of the task tables' text columns when they are created.
enum class TaskText : std::uint8_t { NVarChar, VarChar };

// Opens the data folder, creating master and VOZUZODI (with zk_task and zk_tasklog) if missing.
std::unique_ptr<Engine> openEngine(const std::filesystem::path& dataFolder, TaskText taskText = TaskText::NVarChar,
                                   MemoryLimits memory = {});

}  // namespace taskstore::sql
