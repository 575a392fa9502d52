#pragma once
// A session's T-SQL transaction: @@TRANCOUNT and the descriptor the client sees, the SQLite write
// transaction held behind it with the tables it changed (readers wait for them), and the writes
// that run inside it or, without one, in a SQLite transaction of their own.
#include "taskstore/engine/Engine.h"
#include "taskstore/sql/session/EngineState.h"
#include "taskstore/sql/session/SessionConnection.h"
#include "taskstore/sql/session/SessionState.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace taskstore::sql {

class Transaction {
public:
    Transaction(EngineState& engine, SessionConnection& connection, SessionState& state);
    ~Transaction();  // rolls back what is still open
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    int count() const { return state_.tranCount; }  // @@TRANCOUNT

    // BEGIN TRANSACTION: the first opens the transaction, each further one nests.
    void begin(ResultSink& sink);
    // Under SET IMPLICIT_TRANSACTIONS ON, a statement that reads or changes a table opens one.
    void beginImplicitly(ResultSink& sink);
    // COMMIT ends one level and the last commits; ROLLBACK undoes every level. Both throw
    // SqlError 3902/3903 without a transaction.
    void commit(ResultSink& sink);
    void rollback(ResultSink& sink);
    // Whether SQLite ended the open transaction by itself; then the T-SQL one is over too and
    // wants its rollback.
    bool lost();

    // Runs a change to `table` (a change key) of `database` (as created) atomically, inside the
    // open transaction or in its own; `execute` runs the statement and gives SQLite's result code.
    // `oneStep`: SQLite carries the statement out in one step that cannot stop part way (a delete
    // without a filter), so it needs no savepoint, whose journal would hold every page it frees.
    // `sessionOnly`: the table is the session's own (temporary), so outside a transaction the
    // write waits for no other session. The rows changed.
    std::int64_t write(const std::string& database, const std::string& table, bool oneStep, bool sessionOnly,
                       const std::function<int()>& execute);
    // Waits until no other session has uncommitted changes to the tables (change keys) a
    // statement reads; at READ UNCOMMITTED nothing waits.
    void waitForCommittedTables(const std::vector<std::string>& tables);

private:
    // SQLite's write lock, for a first change to `table`.
    void takeWriteLock(const std::string& table);
    // Ends the SQLite write transaction behind the T-SQL one and frees its tables for readers.
    void endWriteTransaction(bool commit);

    EngineState& engine_;
    SessionConnection& connection_;
    SessionState& state_;  // its level and descriptor; the options it opens, waits and reads by
    bool writeLockHeld_ = false;   // the SQLite write transaction behind an open T-SQL one
    std::string writtenDatabase_;  // the last database the open transaction changed, for a full log
};

}  // namespace taskstore::sql
