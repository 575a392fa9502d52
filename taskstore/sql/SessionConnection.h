#pragma once
// A session's own SQLite connection: the databases attached to it as they are first used, the busy
// and progress handlers that keep to the lock time-out and honour a stop request, and SQLite's
// failures turned into SQL Server's errors.
#include "taskstore/engine/Engine.h"
#include "taskstore/sql/SessionOptions.h"
#include "taskstore/sql/SqlFunctions.h"
#include "taskstore/store/DataFolder.h"

#include <atomic>
#include <chrono>
#include <set>
#include <string>
#include <string_view>

namespace taskstore::sql {

// Thrown when a stop request (an attention) ends the running statement.
struct StatementStopped {};

class SessionConnection {
public:
    // `options`: the session's, whose lock time-out bounds every wait in SQLite's busy handler.
    // `maxValueBytes`: the longest value a statement may build; a longer one fails it with 701.
    // `workingMemory`: the budget functions charge their copies of long values to.
    SessionConnection(store::DataFolder& dataFolder, const SessionOptions& options,
                      std::size_t maxValueBytes = MemoryLimits{}.session, MemoryBudget* workingMemory = nullptr);
    SessionConnection(const SessionConnection&) = delete;
    SessionConnection& operator=(const SessionConnection&) = delete;

    sqlite3* get() const { return db_.get(); }

    // The database's name as created, attached on first use; throws SqlError 911 when there is none.
    std::string attached(std::string_view database);

    // Runs SQL without results; throws statementError() on failure.
    void exec(const char* sql);
    // The SqlError for SQLite's result code of the statement that just failed; throws
    // StatementStopped when a stop request made it fail.
    SqlError statementError(int rc);
    SqlError lastError() { return statementError(sqlite3_extended_errcode(db_.get())); }
    // Forgets what the previous statement left behind: a function's error, a stop seen.
    void resetStatementState();

    // Stop requests, from any thread; one applies until clearStop(), when the client's request ends.
    void requestStop() { stopRequested_ = true; }
    void clearStop() { stopRequested_ = false; }
    bool stopRequested() const { return stopRequested_; }
    const std::atomic<bool>& stopFlag() const { return stopRequested_; }
    // Stops the running SQLite statement at once, even where that ends its transaction.
    void interruptStatement() { sqlite3_interrupt(db_.get()); }
    // While set, a stop request must not end the SQLite transaction: it reaches the statement only
    // through the rows it visits.
    void protectTransaction(bool on) { protectTransaction_ = on; }

private:
    static int onBusy(void* self, int count);
    static int onProgress(void* self);

    store::DataFolder& dataFolder_;
    const SessionOptions& options_;
    store::SqliteDb db_;
    FunctionContext functions_;
    std::atomic<bool> stopRequested_{false};
    std::set<std::string> attached_;
    std::chrono::steady_clock::time_point busySince_;
    bool protectTransaction_ = false;
};

}  // namespace taskstore::sql
