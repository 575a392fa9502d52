#include "taskstore/sql/session/SessionConnection.h"

#include "common/AsciiCase.h"
#include "taskstore/sql/errors/SqlErrors.h"

#include <algorithm>
#include <limits>
#include <thread>

namespace taskstore::sql {

SessionConnection::SessionConnection(store::DataFolder& dataFolder, const SessionOptions& options,
                                     std::size_t maxValueBytes, MemoryBudget* workingMemory)
    : dataFolder_(dataFolder), options_(options), db_(store::DataFolder::openConnection())
{
    functions_.workingMemory = workingMemory;
    functions_.stopRequested = &stopRequested_;
    functions_.maxValueBytes = std::min<std::size_t>(maxValueBytes, std::numeric_limits<int>::max());
    sqlite3_limit(db_.get(), SQLITE_LIMIT_LENGTH, static_cast<int>(functions_.maxValueBytes));
    registerFunctions(db_.get(), &functions_);
    sqlite3_busy_handler(db_.get(), &SessionConnection::onBusy, this);
    sqlite3_progress_handler(db_.get(), 1000, &SessionConnection::onProgress, this);
}

int SessionConnection::onBusy(void* self, int count)
{
    auto& connection = *static_cast<SessionConnection*>(self);
    const auto now = std::chrono::steady_clock::now();
    if (count == 0)
        connection.busySince_ = now;
    if (connection.stopRequested_)
        return 0;
    const std::chrono::milliseconds timeout = connection.options_.lockTimeout;
    if (timeout.count() >= 0 && now - connection.busySince_ >= timeout)
        return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return 1;
}

int SessionConnection::onProgress(void* self)
{
    const auto& connection = *static_cast<SessionConnection*>(self);
    return connection.stopRequested_ && !connection.protectTransaction_ ? 1 : 0;
}

void SessionConnection::exec(const char* sql, std::string_view writtenDatabase)
{
    if (sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw lastError(writtenDatabase);
}

void SessionConnection::resetStatementState()
{
    functions_.error.reset();
    functions_.stopped = false;
    functions_.keyValues.clear();
}

SqlError SessionConnection::statementError(int rc, std::string_view writtenDatabase)
{
    if (functions_.error)
        return *functions_.error;
    const bool busy = (rc & 0xFF) == SQLITE_BUSY;
    // A stop lasts until the request ends, so a busy wait that failed under one was given up for it.
    if (functions_.stopped || rc == SQLITE_INTERRUPT || (busy && stopRequested_))
        throw StatementStopped{};
    if (busy || (rc & 0xFF) == SQLITE_LOCKED)
        return lockTimeout();
    // A value past the session's bound, or SQLite's memory past what the server's budget leaves it.
    if ((rc & 0xFF) == SQLITE_TOOBIG || (rc & 0xFF) == SQLITE_NOMEM)
        return makeError<ErrorId::OutOfMemory>();
    const std::string message = sqlite3_errmsg(db_.get());
    if (rc == SQLITE_CONSTRAINT_NOTNULL) {
        const auto dot = message.rfind('.');
        const std::string column = dot == std::string::npos ? message : message.substr(dot + 1);
        throw ConstraintViolation{ConstraintViolation::Kind::NullColumn, column, {}};
    }
    // SQLite's parser has a fixed stack: about 30 nested calls fill it.
    if (message == "parser stack overflow" || message.starts_with("Expression tree is too large"))
        return nestedTooDeeply();
    if (rc == SQLITE_CONSTRAINT_PRIMARYKEY || rc == SQLITE_CONSTRAINT_UNIQUE)
        throw ConstraintViolation{ConstraintViolation::Kind::DuplicateKey, {}, functions_.keyValues};
    if (store::outOfSpace(db_.get(), rc))
        return writtenDatabase.empty() ? tempSpaceFull() : logFull(writtenDatabase, "ACTIVE_TRANSACTION");
    return makeError<ErrorId::StorageError>(message);
}

std::string SessionConnection::attached(std::string_view database)
{
    const auto canonical = dataFolder_.find(database);
    if (!canonical)
        throw missingDatabase(database);
    if (attached_.insert(common::asciiLower(*canonical)).second) {
        try {
            store::DataFolder::attach(db_.get(), dataFolder_.fileOf(*canonical), *canonical);
        } catch (const store::StoreError& error) {
            attached_.erase(common::asciiLower(*canonical));
            // What a full disk can stop here is the log's shared-memory index, with no transaction waiting.
            if (error.outOfSpace())
                throw logFull(*canonical, "NOTHING");
            throw makeError<ErrorId::DatabaseFileUnavailable>(*canonical, error.what());
        }
    }
    return *canonical;
}

}  // namespace taskstore::sql
