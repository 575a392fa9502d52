#pragma once
// One client's session on the engine: its own SQLite connection with the databases it uses
// attached, the T-SQL transaction count, SET options and lock waits.
#include "taskstore/sql/Ast.h"
#include "taskstore/engine/Engine.h"
#include "taskstore/sql/SqlFunctions.h"
#include "taskstore/sql/Translator.h"
#include "taskstore/sql/UncommittedChanges.h"
#include "taskstore/store/DataFolder.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace taskstore::sql {

struct EngineState {
    EngineState(const std::filesystem::path& folder, bool varcharTaskText) : dataFolder(folder, varcharTaskText) {}
    store::DataFolder dataFolder;
    std::atomic<std::uint64_t> nextDescriptor{1};
    UncommittedChanges uncommitted;
};

class SqlSession final : public Session, private NameResolver {
public:
    SqlSession(std::shared_ptr<EngineState> engine, std::string database, std::uint16_t spid);
    ~SqlSession() override;

    void executeBatch(std::string_view sql, ResultSink& sink) override;
    void executeWithParameters(std::string_view sql, std::span<const Parameter> parameters, ResultSink& sink) override;
    void describe(std::string_view sql, std::span<const Parameter> parameters, ResultSink& sink) override;
    void beginTransaction(ResultSink& sink) override;
    void commitTransaction(ResultSink& sink) override;
    void rollbackTransaction(ResultSink& sink) override;
    const std::string& currentDatabase() const override { return database_; }
    int tranCount() const override { return tranCount_; }
    void setLockTimeout(std::chrono::milliseconds timeout) override { lockTimeout_ = timeout; }
    void interrupt(bool sessionEnding) override;

private:
    enum class Outcome { Continue, AbortBatch };
    struct Stopped {};

    // NameResolver
    ResolvedTable table(const ObjectName& name) override;
    std::int64_t rowCount() const override { return rowCount_; }
    store::ColumnType parameterType(std::size_t position) const override { return parameterTypes_.at(position); }
    std::uint16_t spid() const override { return spid_; }
    std::int64_t lockTimeoutMilliseconds() const override { return lockTimeout_.count() < 0 ? -1 : lockTimeout_.count(); }

    void runBatch(std::string_view sql, std::span<const std::string> parameterNames, ResultSink& sink);
    // Runs `body` with the parameters bound for translation and execution, given their names.
    void withParameters(std::span<const Parameter> parameters, const std::function<void(std::span<const std::string>)>& body);
    Outcome run(const Statement& statement, ResultSink& sink);
    Outcome fail(SqlError error, int line, ResultSink& sink);
    void runSelect(const SelectStatement& statement, ResultSink& sink);
    bool holds(const Expr& condition);
    // Runs a writing statement on `target` atomically, inside the open transaction or in its own.
    // `oneStep`: SQLite carries the statement out in one step that cannot stop part way (a delete
    // without a filter), so it needs no savepoint, whose journal would hold every page it frees.
    std::int64_t runWrite(const std::function<std::string(bool guard)>& translate, const ObjectName& target,
                          bool oneStep = false);
    // Waits until no other session has uncommitted changes to the tables the statement reads.
    void waitForCommittedTables();
    // Ends the SQLite write transaction behind the T-SQL one and frees its tables for readers.
    void endWriteTransaction(bool commit);
    void use(const UseStatement& statement, ResultSink& sink);
    void createTable(const CreateTableStatement& statement);
    void dropTable(const DropTableStatement& statement);
    void createDatabase(const CreateDatabaseStatement& statement);
    void set(const SetStatement& statement);

    void begin(ResultSink& sink);
    void commit(ResultSink& sink);
    void rollback(ResultSink& sink);
    void beginImplicitly(ResultSink& sink);
    // SQLite's write lock, for a first change to `table` (a change key).
    void takeWriteLock(const std::string& table);
    // Whether SQLite ended the open transaction by itself; then the T-SQL one is over too.
    bool transactionLost();
    void exec(const char* sql);
    // Runs translated SQL with the parameters of the running batch bound; SQLite's result code.
    int execBound(const std::string& sql);
    void bindParameters(sqlite3_stmt* statement);
    std::string attached(std::string_view database);
    SqlError statementError(int rc);
    void resetStatementState();

    static int onBusy(void* self, int count);
    static int onProgress(void* self);

    std::shared_ptr<EngineState> engine_;
    store::SqliteDb db_;
    FunctionContext functions_;
    std::atomic<bool> stopRequested_{false};
    std::string database_;
    std::set<std::string> attached_;
    std::vector<std::string> tablesRead_;  // by the running statement, as change keys
    int tranCount_ = 0;
    bool writeLockHeld_ = false;  // the SQLite write transaction behind an open T-SQL one
    bool protectTransaction_ = false;  // a stop must not end the SQLite transaction now
    std::uint64_t descriptor_ = 0;
    bool noCount_ = false;
    bool implicitTransactions_ = false;
    bool xactAbort_ = false;
    bool readUncommitted_ = false;
    std::uint16_t spid_;
    std::chrono::milliseconds lockTimeout_{-1};  // SQL Server's default: wait as long as it takes
    std::chrono::steady_clock::time_point busySince_;
    bool busyStopped_ = false;
    std::int64_t rowCount_ = 0;
    std::span<const Parameter> parameters_;  // of the running batch
    std::vector<store::ColumnType> parameterTypes_;
};

}  // namespace taskstore::sql
