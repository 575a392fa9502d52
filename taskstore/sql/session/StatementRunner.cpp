#include "taskstore/sql/session/StatementRunner.h"

#include "common/AsciiCase.h"
#include "common/Overloaded.h"
#include "taskstore/sql/errors/SqlErrors.h"
#include "taskstore/sql/parse/StatementTables.h"
#include "taskstore/sql/session/ResultValue.h"
#include "taskstore/sql/translate/TableDefinition.h"
#include "taskstore/store/TableCatalog.h"

#include <cstdint>
#include <optional>
#include <set>
#include <utility>
#include <variant>

namespace taskstore::sql {

using common::Overloaded;
using store::quoteIdentifier;

namespace {

// SQLite's schema of the connection's own tables.
constexpr std::string_view sessionSchema = "temp";

std::string tableKey(std::string_view database, std::string_view table)
{
    return common::asciiLower(database) + "." + common::asciiLower(table);
}

StatementKind kindOf(const StatementBody& body)
{
    return std::visit(Overloaded{
                          [](const SelectStatement&) { return StatementKind::Select; },
                          [](const InsertStatement&) { return StatementKind::Insert; },
                          [](const UpdateStatement&) { return StatementKind::Update; },
                          [](const DeleteStatement&) { return StatementKind::Delete; },
                          [](const TransactionStatement& s) {
                              return s.action == TransactionStatement::Action::Begin ? StatementKind::BeginTransaction
                                                                                     : StatementKind::EndTransaction;
                          },
                          [](const auto&) { return StatementKind::Other; },
                      },
                      body);
}

}  // namespace

StatementRunner::StatementRunner(EngineState& engine, SessionConnection& connection, Transaction& transaction,
                                 SessionState& state, const BoundParameters& parameters)
    : engine_(engine), connection_(connection), transaction_(transaction), state_(state), parameters_(parameters)
{}

std::string StatementRunner::databaseOf(const ObjectName& name)
{
    // A local temporary table (#name) is the session's own, whatever the database: SQLite's temp
    // schema is private to the connection and goes with it when the session ends.
    if (name.table.starts_with("##"))
        throw makeError<ErrorId::GlobalTemporaryTableUnsupported>(name.table);
    if (name.table.starts_with('#'))
        return std::string(sessionSchema);
    return connection_.attached(name.database.empty() ? state_.database : name.database);
}

std::string StatementRunner::changeKey(std::string_view schema, std::string_view table) const
{
    // No other session sees a temporary table, so its changes never make one wait.
    if (schema == sessionSchema)
        return "#" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + "." + common::asciiLower(table);
    return tableKey(schema, table);
}

ResolvedTable StatementRunner::table(const ObjectName& name)
{
    const std::string schema = databaseOf(name);
    auto table = store::readTable(connection_.get(), schema, name.table);
    if (!table)
        throw invalidObject(name.written);
    tablesRead_.push_back(changeKey(schema, table->name));
    return {schema, std::move(*table)};
}

std::vector<ColumnInfo> StatementRunner::columnsOf(const SelectStatement& statement)
{
    return Translator(*this).select(statement).columns;
}

int StatementRunner::execBound(const std::string& sql)
{
    const char* next = sql.c_str();
    while (*next) {
        sqlite3_stmt* raw = nullptr;
        if (const int rc = sqlite3_prepare_v2(connection_.get(), next, -1, &raw, &next); rc != SQLITE_OK)
            return rc;
        if (!raw)
            break;  // only blanks were left
        const store::SqliteStatement prepared(raw);
        parameters_.bindTo(raw);
        int rc = SQLITE_ROW;
        while (rc == SQLITE_ROW)
            rc = sqlite3_step(raw);
        if (rc != SQLITE_DONE)
            return rc;
    }
    return SQLITE_OK;
}

std::optional<SqlError> StatementRunner::compileError(std::span<const Statement> statements)
{
    // Temporary tables made in one batch must have different names: SQL Server refuses the batch.
    std::set<std::string> temporaryTables;
    for (const Statement& statement : statements) {
        const auto* create = std::get_if<CreateTableStatement>(&statement.body);
        if (create && create->name.table.starts_with('#')
            && !temporaryTables.insert(common::asciiLower(create->name.table)).second) {
            SqlError error = makeError<ErrorId::ObjectExists>(create->name.table);
            error.line = statement.line;
            return error;
        }
    }
    for (const Statement& statement : statements) {
        // Names after a USE belong to the database it names, which is only known when it runs.
        if (std::holds_alternative<UseStatement>(statement.body))
            break;
        if (auto error = bindError(statement)) {
            error->line = statement.line;
            return error;
        }
    }
    return std::nullopt;
}

std::optional<SqlError> StatementRunner::bindError(const Statement& statement)
{
    try {
        for (const ObjectName* name : tablesNamedBy(statement))
            if (!store::readTable(connection_.get(), databaseOf(*name), name->table))
                return std::nullopt;
        std::visit(Overloaded{
                       [&](const SelectStatement& s) { Translator(*this).select(s); },
                       [&](const InsertStatement& s) { Translator(*this).insert(s, false); },
                       [&](const UpdateStatement& s) { Translator(*this).update(s, false); },
                       [&](const DeleteStatement& s) { Translator(*this).remove(s, false); },
                       [&](const IfStatement& s) { Translator(*this).ifCondition(*s.condition); },
                       [](const auto&) {},
                   },
                   statement.body);
    } catch (const SqlError& error) {
        if (failsBinding(error))
            return error;
        return std::nullopt;
    }
    if (const auto* branch = std::get_if<IfStatement>(&statement.body))
        return bindError(*branch->then);
    return std::nullopt;
}

StatementRunner::Outcome StatementRunner::fail(SqlError error, int line, ResultSink& sink)
{
    error.line = line;
    const bool rollback =
        transaction_.lost() || abortsBatch(error) || (state_.options.xactAbort && state_.tranCount > 0);
    sink.error(error);
    if (const auto terminated = terminationNotice(error))
        sink.info(*terminated);
    if (rollback && state_.tranCount > 0)
        transaction_.rollback(sink);
    sink.done(std::nullopt, true);
    return rollback || endsBatch(error) ? Outcome::AbortBatch : Outcome::Continue;
}

StatementRunner::Outcome StatementRunner::run(const Statement& statement, ResultSink& sink)
{
    connection_.resetStatementState();
    tablesRead_.clear();
    const Statement* branch = nullptr;
    kind_ = kindOf(statement.body);
    sink.statementStarted(kind_);
    try {
        // Compiled only now that it runs, a statement fails first on a table that is missing.
        if (!std::holds_alternative<IfStatement>(statement.body))
            for (const ObjectName* name : tablesNamedBy(statement))
                if (!store::readTable(connection_.get(), databaseOf(*name), name->table))
                    throw invalidObject(name->written);
        std::visit(Overloaded{
                       [&](const SelectStatement& s) { runSelect(s, sink); },
                       [&](const InsertStatement& s) {
                           transaction_.beginImplicitly(sink);
                           state_.rowCount =
                               runWrite([&](bool guard) { return Translator(*this).insert(s, guard); }, s.table.name);
                           sink.done(state_.options.noCount ? std::nullopt : std::optional(state_.rowCount), false);
                       },
                       [&](const UpdateStatement& s) {
                           transaction_.beginImplicitly(sink);
                           state_.rowCount =
                               runWrite([&](bool guard) { return Translator(*this).update(s, guard); }, s.table.name);
                           sink.done(state_.options.noCount ? std::nullopt : std::optional(state_.rowCount), false);
                       },
                       [&](const DeleteStatement& s) {
                           transaction_.beginImplicitly(sink);
                           state_.rowCount = runWrite([&](bool guard) { return Translator(*this).remove(s, guard); },
                                                s.table.name, !s.where);
                           sink.done(state_.options.noCount ? std::nullopt : std::optional(state_.rowCount), false);
                       },
                       [&](const CreateTableStatement& s) {
                           transaction_.beginImplicitly(sink);
                           createTable(s);
                           sink.done(std::nullopt, false);
                       },
                       [&](const DropTableStatement& s) {
                           transaction_.beginImplicitly(sink);
                           dropTable(s);
                           sink.done(std::nullopt, false);
                       },
                       [&](const CreateDatabaseStatement& s) {
                           createDatabase(s);
                           sink.done(std::nullopt, false);
                       },
                       [&](const UseStatement& s) { use(s, sink); },
                       [&](const TransactionStatement& s) {
                           switch (s.action) {
                           case TransactionStatement::Action::Begin: transaction_.begin(sink); break;
                           case TransactionStatement::Action::Commit: transaction_.commit(sink); break;
                           case TransactionStatement::Action::Rollback: transaction_.rollback(sink); break;
                           }
                           sink.done(std::nullopt, false);
                       },
                       [&](const SetStatement& s) {
                           state_.options.apply(s);
                           sink.done(std::nullopt, false);
                       },
                       [&](const IfStatement& s) {
                           if (holds(*s.condition))
                               branch = s.then.get();
                       },
                   },
                   statement.body);
    } catch (const SqlError& error) {
        return fail(error, statement.line, sink);
    } catch (const StatementStopped&) {
        // Under XACT_ABORT SQL Server also rolls back on an attention (a client's time-out).
        if (transaction_.lost() || (state_.options.xactAbort && state_.tranCount > 0))
            transaction_.rollback(sink);
        sink.done(std::nullopt, true);
        return Outcome::AbortBatch;
    }
    return branch ? run(*branch, sink) : Outcome::Continue;
}

bool StatementRunner::holds(const Expr& condition)
{
    const std::string sql = Translator(*this).ifCondition(condition);
    transaction_.waitForCommittedTables(tablesRead_);
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(connection_.get(), sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr) != SQLITE_OK)
        throw connection_.lastError();
    const store::SqliteStatement prepared(raw);
    parameters_.bindTo(raw);
    if (sqlite3_step(raw) != SQLITE_ROW)
        throw connection_.lastError();
    return sqlite3_column_int(raw, 0) == 1;
}

void StatementRunner::runSelect(const SelectStatement& statement, ResultSink& sink)
{
    SelectPlan plan = Translator(*this).select(statement);
    if (plan.readsTable)
        transaction_.beginImplicitly(sink);
    transaction_.waitForCommittedTables(tablesRead_);
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(connection_.get(), plan.sql.c_str(), static_cast<int>(plan.sql.size()), &raw, nullptr)
        != SQLITE_OK)
        throw connection_.lastError();
    const store::SqliteStatement prepared(raw);
    parameters_.bindTo(raw);
    sink.columns(plan.columns);
    std::vector<ValueView> values(plan.columns.size());
    std::int64_t count = 0;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        for (std::size_t i = 0; i < values.size(); ++i)
            values[i] = readResultValue(raw, static_cast<int>(i), plan.kinds[i]);
        sink.row(values);
        ++count;
    }
    if (rc != SQLITE_DONE)
        throw connection_.lastError();
    state_.rowCount = count;
    sink.done(state_.options.noCount ? std::nullopt : std::optional(count), false);
}

std::int64_t StatementRunner::runWrite(const std::function<std::string(bool guard)>& translate,
                                       const ObjectName& target, bool oneStep)
{
    const std::string sql = translate(state_.tranCount > 0);
    const std::string database = databaseOf(target);
    try {
        return transaction_.write(database == sessionSchema ? "tempdb" : database, changeKey(database, target.table), oneStep,
                                  database == sessionSchema,
                                  [&] { return execBound(sql); });
    } catch (const ConstraintViolation& violation) {
        const auto table = store::readTable(connection_.get(), database, target.table);
        const std::string name = table ? table->name : target.table;
        if (violation.kind == ConstraintViolation::Kind::DuplicateKey)
            throw duplicateKey(name, violation.keyValues);
        // SQL Server keeps temporary tables in tempdb.
        throw nullNotAllowed(violation.column, database == sessionSchema ? "tempdb" : database, name,
                             kind_ == StatementKind::Update ? "UPDATE" : "INSERT");
    }
}

void StatementRunner::use(const UseStatement& statement, ResultSink& sink)
{
    const std::string old = std::exchange(state_.database, connection_.attached(statement.database));
    sink.databaseChanged(state_.database, old);
    sink.info(makeError<ErrorId::DatabaseChanged>(state_.database));
    sink.done(std::nullopt, false);
}

void StatementRunner::createTable(const CreateTableStatement& statement)
{
    const std::string schema = databaseOf(statement.name);
    if (store::readTable(connection_.get(), schema, statement.name.table))
        throw makeError<ErrorId::ObjectExists>(statement.name.table);
    const store::CatalogTable table = catalogTableOf(statement);
    runWrite([&](bool) { return store::createTableSql(schema, table); }, statement.name);
    state_.rowCount = 0;
}

void StatementRunner::dropTable(const DropTableStatement& statement)
{
    const std::string schema = databaseOf(statement.name);
    const auto table = store::readTable(connection_.get(), schema, statement.name.table);
    if (!table)
        throw makeError<ErrorId::CannotDropTable>(statement.name.written);
    runWrite([&](bool) { return "DROP TABLE " + quoteIdentifier(schema) + "." + quoteIdentifier(table->name); },
             statement.name);
    state_.rowCount = 0;
}

void StatementRunner::createDatabase(const CreateDatabaseStatement& statement)
{
    if (state_.tranCount > 0)
        throw makeError<ErrorId::CreateDatabaseInTransaction>();
    store::DataFolder::CreateResult result{};
    try {
        result = engine_.dataFolder.createDatabase(statement.name);
    } catch (const store::StoreError& error) {
        throw makeError<ErrorId::StorageError>(error.what());
    }
    switch (result) {
    case store::DataFolder::CreateResult::Created: return;
    case store::DataFolder::CreateResult::Exists: throw makeError<ErrorId::DatabaseExists>(statement.name);
    case store::DataFolder::CreateResult::BadName: throw syntaxErrorNear(statement.name, 1);
    }
}

}  // namespace taskstore::sql
