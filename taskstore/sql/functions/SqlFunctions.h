#pragma once
// The SQLite functions that carry T-SQL's rules into translated statements. A function that
// fails records the SqlError in the connection's FunctionContext and fails the statement.
#include "taskstore/engine/Engine.h"

#include <sqlite3.h>

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace taskstore::sql {

struct FunctionContext {
    std::optional<SqlError> error;  // the T-SQL error a function raised
    const std::atomic<bool>* stopRequested = nullptr;
    std::size_t maxValueBytes = MemoryLimits{}.session;  // a longer result fails with 701
    // The server's budget: a call's own copies of long arguments and results, which SQLite's heap
    // does not hold, are charged to it for the call's length. None: not charged.
    MemoryBudget* workingMemory = nullptr;
    bool stopped = false;  // ts_live found a stop request
    // The primary key of the last row a write computed, as 2627 quotes it: SQLite writes each row
    // right after computing it, so when its key is a duplicate these are its values.
    std::vector<std::string> keyValues;
};

// Registers the functions SqliteFunctionCalls.h names, with their numbers of arguments.
void registerFunctions(sqlite3* db, FunctionContext* context);

}  // namespace taskstore::sql
