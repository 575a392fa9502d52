#pragma once
// A session's own SQLite connection: the databases attached to it as they are first used, the busy
// and progress handlers that keep to the lock time-out and honour a stop request, and SQLite's
// failures turned into SQL Server's errors.
#include "taskstore/engine/Engine.h"
#include "taskstore/sql/functions/SqlFunctions.h"
#include "taskstore/sql/session/SessionOptions.h"
#include "taskstore/store/DataFolder.h"

#include <atomic>
#include <chrono>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace taskstore::sql {

// Thrown when a stop request (an attention) ends the running statement.
struct StatementStopped {};

// Thrown when a row breaks a NOT NULL or PRIMARY KEY constraint: SQL Server's error names the
// table and the statement, which the statement that wrote the row adds.
struct ConstraintViolation {
    enum class Kind { NullColumn, DuplicateKey };
    Kind kind = Kind::NullColumn;
    std::string column;                  // NullColumn's
    std::vector<std::string> keyValues;  // DuplicateKey's, in the key's order
};

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

    // Runs SQL without results; throws statementError() on failure. `writtenDatabase`: the
    // database whose changes the SQL writes out (a commit), for a full disk's error.
    void exec(const char* sql, std::string_view writtenDatabase = {});
    // The SqlError for SQLite's result code of the statement that just failed, read before
    // anything else runs on the connection; throws StatementStopped when a stop request made it
    // fail, ConstraintViolation for a broken constraint. A full disk is 9002 for `writtenDatabase`, whose log could not grow (every change goes
    // to the write-ahead log first), or, for a statement that writes nothing, 1105 for the
    // temporary space of its sorts, SQL Server's tempdb.
    SqlError statementError(int rc, std::string_view writtenDatabase = {});
    SqlError lastError(std::string_view writtenDatabase = {})
    {
        return statementError(sqlite3_extended_errcode(db_.get()), writtenDatabase);
    }
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
