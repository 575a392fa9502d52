#include "taskstore/sql/session/Transaction.h"

#include "taskstore/sql/errors/SqlErrors.h"

#include <exception>

namespace taskstore::sql {

Transaction::Transaction(EngineState& engine, SessionConnection& connection, SessionState& state)
    : engine_(engine), connection_(connection), state_(state)
{}

Transaction::~Transaction()
{
    if (writeLockHeld_)
        endWriteTransaction(false);
}

void Transaction::beginImplicitly(ResultSink& sink)
{
    if (state_.options.implicitTransactions && state_.tranCount == 0)
        begin(sink);
}

void Transaction::begin(ResultSink& sink)
{
    if (state_.tranCount++ == 0) {
        state_.transactionDescriptor = engine_.nextDescriptor++;
        sink.transactionChanged(TransactionChange::Began, state_.transactionDescriptor);
    }
}

void Transaction::commit(ResultSink& sink)
{
    if (state_.tranCount == 0)
        throw makeError<ErrorId::CommitWithoutBegin>();
    if (state_.tranCount > 1) {
        --state_.tranCount;
        return;
    }
    if (writeLockHeld_)
        endWriteTransaction(true);
    state_.tranCount = 0;
    sink.transactionChanged(TransactionChange::Committed, state_.transactionDescriptor);
    state_.transactionDescriptor = 0;
}

void Transaction::rollback(ResultSink& sink)
{
    if (state_.tranCount == 0)
        throw makeError<ErrorId::RollbackWithoutBegin>();
    if (writeLockHeld_)
        endWriteTransaction(false);
    state_.tranCount = 0;
    const std::uint64_t descriptor = state_.transactionDescriptor;
    state_.transactionDescriptor = 0;
    sink.transactionChanged(TransactionChange::RolledBack, descriptor);
}

bool Transaction::lost()
{
    // Some failures (disk full, I/O errors) make SQLite end the whole transaction by itself.
    if (!writeLockHeld_ || sqlite3_get_autocommit(connection_.get()) == 0)
        return false;
    writeLockHeld_ = false;
    engine_.uncommitted.release(this);
    return true;
}

void Transaction::endWriteTransaction(bool commit)
{
    // A commit that fails throws with the transaction still held; lost() tells whether SQLite
    // ended it.
    if (commit)
        connection_.exec("COMMIT", writtenDatabase_);
    else
        sqlite3_exec(connection_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    writeLockHeld_ = false;
    engine_.uncommitted.release(this);
}

void Transaction::takeWriteLock(const std::string& table)
{
    switch (engine_.uncommitted.waitForQueuedReaders(table, state_.options.lockTimeout, connection_.stopFlag())) {
    case UncommittedChanges::Wait::Free: break;
    case UncommittedChanges::Wait::TimedOut: throw lockTimeout();
    case UncommittedChanges::Wait::Stopped: throw StatementStopped{};
    }
    connection_.exec("BEGIN IMMEDIATE");
}

void Transaction::waitForCommittedTables(const std::vector<std::string>& tables)
{
    if (state_.options.readUncommitted || tables.empty())
        return;
    switch (engine_.uncommitted.waitUntilFree(this, tables, state_.options.lockTimeout, connection_.stopFlag())) {
    case UncommittedChanges::Wait::Free: return;
    case UncommittedChanges::Wait::TimedOut: throw lockTimeout();
    case UncommittedChanges::Wait::Stopped: throw StatementStopped{};
    }
}

std::int64_t Transaction::write(const std::string& database, const std::string& table, bool oneStep, bool sessionOnly,
                                const std::function<int()>& execute)
{
    sqlite3* db = connection_.get();
    if (state_.tranCount == 0) {
        // A deferred transaction locks only what it writes: the connection's own temp schema.
        if (sessionOnly)
            connection_.exec("BEGIN");
        else
            takeWriteLock(table);
        try {
            if (execute() != SQLITE_OK)
                throw connection_.lastError(database);
            connection_.exec("COMMIT", database);
        } catch (...) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
        return sqlite3_changes64(db);
    }
    if (!writeLockHeld_) {
        takeWriteLock(table);
        writeLockHeld_ = true;
    }
    writtenDatabase_ = database;
    // The savepoint undoes a failed or stopped statement and leaves the transaction open; a stop
    // request reaches the statement only through its row guard meanwhile.
    connection_.protectTransaction(true);
    const auto unprotect = [this] { connection_.protectTransaction(false); };
    try {
        if (!oneStep)
            connection_.exec("SAVEPOINT statement");
    } catch (...) {
        unprotect();
        throw;
    }
    const std::int64_t changedBefore = sqlite3_total_changes64(db);
    const int rc = execute();
    const std::int64_t changes = sqlite3_changes64(db);
    if (rc != SQLITE_OK) {
        // The error's text goes with the rollback below, so the error is made first. A one-step
        // statement that fails has changed nothing, or failed in SQLite's storage, when SQLite
        // ends the whole transaction itself.
        std::exception_ptr failure;
        try {
            throw connection_.statementError(sqlite3_extended_errcode(db), database);
        } catch (...) {
            failure = std::current_exception();
        }
        if (!oneStep)
            sqlite3_exec(db, "ROLLBACK TO statement; RELEASE statement", nullptr, nullptr, nullptr);
        unprotect();
        std::rethrow_exception(failure);
    }
    const int released = oneStep ? SQLITE_OK : sqlite3_exec(db, "RELEASE statement", nullptr, nullptr, nullptr);
    unprotect();
    if (released != SQLITE_OK)
        throw connection_.lastError(database);
    // Rows changed and not yet committed make readers of the table wait, as SQL Server's
    // exclusive row locks do; a statement that changed nothing holds none.
    if (sqlite3_total_changes64(db) != changedBefore)
        engine_.uncommitted.record(this, table);
    return changes;
}

}  // namespace taskstore::sql
