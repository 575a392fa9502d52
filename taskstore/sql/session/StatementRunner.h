#pragma once
// Runs one parsed statement of a session's batch (SELECT, the writes, IF, USE, CREATE and DROP
// TABLE, CREATE DATABASE, SET, the transaction statements) through the session's connection and
// transaction, and reports it to the sink. It is also the translator's view of the session.
#include "taskstore/engine/Engine.h"
#include "taskstore/sql/parse/Ast.h"
#include "taskstore/sql/session/BoundParameters.h"
#include "taskstore/sql/session/EngineState.h"
#include "taskstore/sql/session/SessionConnection.h"
#include "taskstore/sql/session/SessionState.h"
#include "taskstore/sql/session/Transaction.h"
#include "taskstore/sql/translate/Translator.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace taskstore::sql {

class StatementRunner final : private TranslationContext {
public:
    enum class Outcome { Continue, AbortBatch };

    StatementRunner(EngineState& engine, SessionConnection& connection, Transaction& transaction,
                    SessionState& state, const BoundParameters& parameters);

    // Errors go to the sink; a conversion error, a missing table, a lost transaction, XACT_ABORT or
    // a stop end the batch.
    Outcome run(const Statement& statement, ResultSink& sink);
    // The error that keeps the whole batch from running, as SQL Server's compilation of the batch
    // finds it: a column or qualifier that does not bind in a statement whose tables all exist.
    // Statements naming a missing table are left to fail when they run (deferred name resolution).
    std::optional<SqlError> compileError(std::span<const Statement> statements);
    // The columns the SELECT would return; nothing runs.
    std::vector<ColumnInfo> columnsOf(const SelectStatement& statement);
    const std::string& currentDatabase() const override { return state_.database; }

private:
    // TranslationContext
    ResolvedTable table(const ObjectName& name) override;
    std::int64_t rowCount() const override { return state_.rowCount; }
    int tranCount() const override { return state_.tranCount; }
    store::ColumnType parameterType(std::size_t position) const override { return parameters_.type(position); }
    std::uint16_t spid() const override { return state_.spid; }
    std::int64_t lockTimeoutMilliseconds() const override { return state_.options.lockTimeoutMilliseconds(); }

    Outcome fail(SqlError error, int line, ResultSink& sink);
    std::optional<SqlError> bindError(const Statement& statement);
    void runSelect(const SelectStatement& statement, ResultSink& sink);
    bool holds(const Expr& condition);
    // Runs a writing statement on `target` atomically (Transaction::write); `translate` is told
    // whether a transaction is open, when the statement needs a guard that lets it be stopped.
    std::int64_t runWrite(const std::function<std::string(bool guard)>& translate, const ObjectName& target,
                          bool oneStep = false);
    void use(const UseStatement& statement, ResultSink& sink);
    void createTable(const CreateTableStatement& statement);
    void dropTable(const DropTableStatement& statement);
    void createDatabase(const CreateDatabaseStatement& statement);
    // The database a name of a table is in, attached; the current one unless named, the session's
    // own schema for a temporary table.
    std::string databaseOf(const ObjectName& name);
    // The key under which changes to a table make other sessions wait (UncommittedChanges).
    std::string changeKey(std::string_view schema, std::string_view table) const;
    // Runs translated SQL with the parameters of the running batch bound; SQLite's result code.
    int execBound(const std::string& sql);

    EngineState& engine_;
    SessionConnection& connection_;
    Transaction& transaction_;
    SessionState& state_;
    const BoundParameters& parameters_;
    StatementKind kind_ = StatementKind::Other;  // of the running statement
    std::vector<std::string> tablesRead_;  // by the running statement, as change keys
};

}  // namespace taskstore::sql
