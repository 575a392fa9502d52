#pragma once
// A session's SET options: how it counts rows, waits for locks and opens and ends transactions.
#include "taskstore/sql/parse/Ast.h"

#include <chrono>
#include <cstdint>

namespace taskstore::sql {

struct SessionOptions {
    bool noCount = false;
    bool implicitTransactions = false;
    bool xactAbort = false;
    bool readUncommitted = false;               // SET TRANSACTION ISOLATION LEVEL READ UNCOMMITTED
    std::chrono::milliseconds lockTimeout{-1};  // SQL Server's default: wait as long as it takes

    // The options a SET statement names take its value.
    void apply(const SetStatement& statement);
    void apply(SetStatement::Option option, const SetStatement& statement);
    // As @@LOCK_TIMEOUT shows it: -1 without a limit.
    std::int64_t lockTimeoutMilliseconds() const { return lockTimeout.count() < 0 ? -1 : lockTimeout.count(); }
};

}  // namespace taskstore::sql
