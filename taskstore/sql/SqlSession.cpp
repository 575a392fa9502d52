#include "taskstore/sql/SqlSession.h"

#include "common/AsciiCase.h"
#include "taskstore/sql/Conversions.h"
#include "taskstore/engine/CodePage.h"
#include "taskstore/sql/DateTimeText.h"
#include "taskstore/sql/ParameterConversions.h"
#include "taskstore/sql/Parser.h"
#include "taskstore/sql/SqlErrors.h"
#include "taskstore/store/StoredDateTime.h"
#include "taskstore/store/TableCatalog.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace taskstore::sql {

using store::quoteIdentifier;

namespace {

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

ValueView readValue(sqlite3_stmt* statement, int index, ColumnType type)
{
    ValueView value;
    if (sqlite3_column_type(statement, index) == SQLITE_NULL)
        return value;
    const TypeKind kind = type.kind;
    switch (kind) {
    case TypeKind::Decimal:
    case TypeKind::Money:
    case TypeKind::SmallMoney: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
        value.kind = ValueView::Kind::Decimal;
        value.decimal = decimalOf(SqlValue::ofText(text), type);
        return value;
    }
    case TypeKind::Date:
    case TypeKind::Time:
    case TypeKind::DateTime2:
    case TypeKind::DateTimeOffset: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
        value.kind = ValueView::Kind::Temporal;
        value.temporal = temporalOf(text, type);
        return value;
    }
    case TypeKind::UniqueIdentifier:
    case TypeKind::VarBinary: {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, index));
        value.kind = ValueView::Kind::Binary;
        value.text = {bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement, index))};
        return value;
    }
    case TypeKind::TinyInt:
    case TypeKind::Int:
    case TypeKind::BigInt:
    case TypeKind::Bit:
        value.kind = ValueView::Kind::Int;
        value.integer = sqlite3_column_int64(statement, index);
        return value;
    case TypeKind::Float:
        value.kind = ValueView::Kind::Float;
        value.real = sqlite3_column_double(statement, index);
        return value;
    default:
        break;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
    value.text = {text, static_cast<std::size_t>(sqlite3_column_bytes(statement, index))};
    if (kind == TypeKind::DateTime) {
        // Text that another program wrote into the file is read as SQL Server would read it; text
        // that is no datetime fails the statement with SQL Server's error instead of reaching the wire.
        auto stored = store::parseStored(value.text);
        if (!stored)
            stored = store::parseStored(textToDateTime(value.text, "varchar"));
        value.kind = ValueView::Kind::DateTime;
        value.datetime = {stored->days, stored->ticks};
        return value;
    }
    value.kind = ValueView::Kind::Text;
    return value;
}

// The engine's type for a declared parameter: its column types, and the wider set drivers
// declare, each mapped to the nearest type the engine keeps.
ColumnType parameterTypeOf(const std::string& declared, std::size_t position)
{
    if (const auto type = ColumnType::parseParameterType(declared))
        return *type;
    throw makeError<ErrorId::UnknownDataType>(position + 1, declared);
}

std::string tableKey(std::string_view database, std::string_view table)
{
    return text::asciiLower(database) + "." + text::asciiLower(table);
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

SqlSession::SqlSession(std::shared_ptr<EngineState> engine, std::string database, std::uint16_t spid)
    : engine_(std::move(engine)), db_(store::DataFolder::openConnection()), database_(std::move(database)), spid_(spid)
{
    functions_.stopRequested = &stopRequested_;
    registerFunctions(db_.get(), &functions_);
    sqlite3_busy_handler(db_.get(), &SqlSession::onBusy, this);
    sqlite3_progress_handler(db_.get(), 1000, &SqlSession::onProgress, this);
}

SqlSession::~SqlSession()
{
    if (writeLockHeld_)
        endWriteTransaction(false);
}

void SqlSession::interrupt(bool sessionEnding)
{
    stopRequested_ = true;
    engine_->uncommitted.wake();
    // The transaction is rolled back anyway, so the statement need not wait for its next row.
    if (sessionEnding)
        sqlite3_interrupt(db_.get());
}

void SqlSession::endWriteTransaction(bool commit)
{
    // A commit that fails throws with the transaction still held; transactionLost() tells
    // whether SQLite ended it.
    if (commit)
        exec("COMMIT");
    else
        sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    writeLockHeld_ = false;
    engine_->uncommitted.release(this);
}

void SqlSession::waitForCommittedTables()
{
    if (readUncommitted_ || tablesRead_.empty())
        return;
    switch (engine_->uncommitted.waitUntilFree(this, tablesRead_, lockTimeout_, stopRequested_)) {
    case UncommittedChanges::Wait::Free: return;
    case UncommittedChanges::Wait::TimedOut: throw lockTimeout();
    case UncommittedChanges::Wait::Stopped: throw Stopped{};
    }
}

int SqlSession::onBusy(void* self, int count)
{
    auto& session = *static_cast<SqlSession*>(self);
    const auto now = std::chrono::steady_clock::now();
    if (count == 0)
        session.busySince_ = now;
    if (session.stopRequested_) {
        session.busyStopped_ = true;
        return 0;
    }
    if (session.lockTimeout_.count() >= 0 && now - session.busySince_ >= session.lockTimeout_)
        return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return 1;
}

int SqlSession::onProgress(void* self)
{
    const auto& session = *static_cast<SqlSession*>(self);
    return session.stopRequested_ && !session.protectTransaction_ ? 1 : 0;
}

void SqlSession::exec(const char* sql)
{
    if (sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw statementError(sqlite3_extended_errcode(db_.get()));
}

void SqlSession::resetStatementState()
{
    functions_.error.reset();
    functions_.stopped = false;
    busyStopped_ = false;
    tablesRead_.clear();
}

SqlError SqlSession::statementError(int rc)
{
    if (functions_.error)
        return *functions_.error;
    if (functions_.stopped || rc == SQLITE_INTERRUPT || busyStopped_)
        throw Stopped{};
    if ((rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED)
        return lockTimeout();
    const std::string message = sqlite3_errmsg(db_.get());
    if (rc == SQLITE_CONSTRAINT_NOTNULL) {
        const auto dot = message.rfind('.');
        const std::string column = dot == std::string::npos ? message : message.substr(dot + 1);
        return makeError<ErrorId::NullNotAllowed>(column);
    }
    // SQLite's parser has a fixed stack: about 30 nested calls fill it.
    if (message == "parser stack overflow" || message.starts_with("Expression tree is too large"))
        return nestedTooDeeply();
    if (rc == SQLITE_CONSTRAINT_PRIMARYKEY || rc == SQLITE_CONSTRAINT_UNIQUE)
        return makeError<ErrorId::DuplicateKey>();
    return makeError<ErrorId::StorageError>(message);
}

std::string SqlSession::attached(std::string_view database)
{
    const auto canonical = engine_->dataFolder.find(database);
    if (!canonical)
        throw missingDatabase(database);
    if (attached_.insert(text::asciiLower(*canonical)).second) {
        try {
            store::DataFolder::attach(db_.get(), engine_->dataFolder.fileOf(*canonical), *canonical);
        } catch (const store::StoreError& error) {
            attached_.erase(text::asciiLower(*canonical));
            throw makeError<ErrorId::DatabaseFileUnavailable>(*canonical, error.what());
        }
    }
    return *canonical;
}

ResolvedTable SqlSession::table(const ObjectName& name)
{
    const std::string schema = attached(name.database.empty() ? database_ : name.database);
    auto table = store::readTable(db_.get(), schema, name.table);
    if (!table)
        throw invalidObject(name.written);
    tablesRead_.push_back(tableKey(schema, table->name));
    return {schema, std::move(*table)};
}

void SqlSession::executeBatch(std::string_view sql, ResultSink& sink)
{
    runBatch(sql, {}, sink);
}

void SqlSession::executeWithParameters(std::string_view sql, std::span<const Parameter> parameters, ResultSink& sink)
{
    withParameters(parameters, [&](std::span<const std::string> names) { runBatch(sql, names, sink); });
}

void SqlSession::describe(std::string_view sql, std::span<const Parameter> parameters, ResultSink& sink)
{
    withParameters(parameters, [&](std::span<const std::string> names) {
        const std::vector<Statement> statements = parseBatch(sql, names);
        if (statements.size() != 1)
            return;
        if (const auto* select = std::get_if<SelectStatement>(&statements.front().body))
            sink.columns(Translator(*this).select(*select).columns);
    });
}

void SqlSession::withParameters(std::span<const Parameter> parameters,
                                const std::function<void(std::span<const std::string>)>& body)
{
    std::vector<std::string> names;
    parameterTypes_.clear();
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        names.push_back(parameters[i].name);
        parameterTypes_.push_back(parameterTypeOf(parameters[i].declaredType, i));
    }
    parameters_ = parameters;
    struct Unbind {
        SqlSession& session;
        ~Unbind()
        {
            session.parameters_ = {};
            session.parameterTypes_.clear();
        }
    } unbind{*this};
    body(names);
}

void SqlSession::bindParameters(sqlite3_stmt* statement)
{
    // The translation names parameter n as ?n.
    for (int i = 1; i <= sqlite3_bind_parameter_count(statement); ++i) {
        const char* name = sqlite3_bind_parameter_name(statement, i);
        const std::size_t position = name ? std::stoul(name + 1) - 1 : parameters_.size();
        if (position >= parameters_.size())
            continue;
        const Parameter& p = parameters_[position];
        switch (p.kind) {
        case ValueView::Kind::Null: sqlite3_bind_null(statement, i); break;
        case ValueView::Kind::Int: sqlite3_bind_int64(statement, i, p.integer); break;
        case ValueView::Kind::Float: sqlite3_bind_double(statement, i, p.real); break;
        case ValueView::Kind::Text:
            if (parameterTypes_[position].isText() && !parameterTypes_[position].isUnicode()) {
                // A varchar parameter holds what the database's code page can.
                const std::string kept = keptByDatabaseCodePage(p.text);
                sqlite3_bind_text(statement, i, kept.data(), static_cast<int>(kept.size()), SQLITE_TRANSIENT);
            } else {
                sqlite3_bind_text(statement, i, p.text.data(), static_cast<int>(p.text.size()), SQLITE_STATIC);
            }
            break;
        case ValueView::Kind::DateTime: {
            const std::string stored = store::formatStored({p.datetime.days, p.datetime.ticks});
            sqlite3_bind_text(statement, i, stored.data(), static_cast<int>(stored.size()), SQLITE_TRANSIENT);
            break;
        }
        case ValueView::Kind::Decimal: {
            const std::string exact = formatDecimal(p.decimal);
            sqlite3_bind_text(statement, i, exact.data(), static_cast<int>(exact.size()), SQLITE_TRANSIENT);
            break;
        }
        case ValueView::Kind::Temporal: {
            // As its declared type holds it; a datetime declaration takes it rounded to datetime.
            const ColumnType declared = parameterTypes_[position];
            const bool temporal = declared.kind == TypeKind::Date || declared.kind == TypeKind::Time
                || declared.kind == TypeKind::DateTime2 || declared.kind == TypeKind::DateTimeOffset;
            const ColumnType as = temporal ? declared : ColumnType{TypeKind::DateTime2, 0, 7};
            std::string text = formatTemporal(p.temporal, temporalKindOf(as.kind), 7);
            if (!temporal)
                text = convertValue(SqlValue::ofText(text), as, {TypeKind::DateTime, 0}, 0).text;
            sqlite3_bind_text(statement, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
            break;
        }
        case ValueView::Kind::Binary:
            sqlite3_bind_blob(statement, i, p.text.data(), static_cast<int>(p.text.size()), SQLITE_STATIC);
            break;
        }
    }
}

int SqlSession::execBound(const std::string& sql)
{
    const char* next = sql.c_str();
    while (*next) {
        sqlite3_stmt* raw = nullptr;
        if (const int rc = sqlite3_prepare_v2(db_.get(), next, -1, &raw, &next); rc != SQLITE_OK)
            return rc;
        if (!raw)
            break;  // only blanks were left
        const store::SqliteStatement prepared(raw);
        bindParameters(raw);
        int rc = SQLITE_ROW;
        while (rc == SQLITE_ROW)
            rc = sqlite3_step(raw);
        if (rc != SQLITE_DONE)
            return rc;
    }
    return SQLITE_OK;
}

void SqlSession::runBatch(std::string_view sql, std::span<const std::string> parameterNames, ResultSink& sink)
{
    // A stop request applies to this batch only; it is cleared when the batch returns, so one
    // that arrives while the batch starts is not lost.
    struct ClearStop {
        std::atomic<bool>& flag;
        ~ClearStop() { flag = false; }
    } clearStop{stopRequested_};
    std::vector<Statement> statements;
    try {
        statements = parseBatch(sql, parameterNames);
    } catch (const SqlError& error) {
        sink.error(error);
        sink.done(std::nullopt, true);
        return;
    }
    for (const Statement& statement : statements) {
        if (stopRequested_)
            return;
        if (run(statement, sink) == Outcome::AbortBatch)
            return;
    }
}

SqlSession::Outcome SqlSession::fail(SqlError error, int line, ResultSink& sink)
{
    error.line = line;
    const bool abort = transactionLost() || abortsBatch(error) || (xactAbort_ && tranCount_ > 0);
    sink.error(error);
    if (abort && tranCount_ > 0)
        rollback(sink);
    sink.done(std::nullopt, true);
    return abort ? Outcome::AbortBatch : Outcome::Continue;
}

SqlSession::Outcome SqlSession::run(const Statement& statement, ResultSink& sink)
{
    resetStatementState();
    const Statement* branch = nullptr;
    sink.statementStarted(kindOf(statement.body));
    try {
        std::visit(
            Overloaded{
                [&](const SelectStatement& s) { runSelect(s, sink); },
                [&](const InsertStatement& s) {
                    beginImplicitly(sink);
                    rowCount_ = runWrite([&](bool) { return Translator(*this).insert(s); }, s.table.name);
                    sink.done(noCount_ ? std::nullopt : std::optional(rowCount_), false);
                },
                [&](const UpdateStatement& s) {
                    beginImplicitly(sink);
                    rowCount_ = runWrite([&](bool guard) { return Translator(*this).update(s, guard); }, s.table.name);
                    sink.done(noCount_ ? std::nullopt : std::optional(rowCount_), false);
                },
                [&](const DeleteStatement& s) {
                    beginImplicitly(sink);
                    rowCount_ = runWrite([&](bool guard) { return Translator(*this).remove(s, guard); }, s.table.name,
                                         !s.where);
                    sink.done(noCount_ ? std::nullopt : std::optional(rowCount_), false);
                },
                [&](const CreateTableStatement& s) {
                    beginImplicitly(sink);
                    createTable(s);
                    sink.done(std::nullopt, false);
                },
                [&](const DropTableStatement& s) {
                    beginImplicitly(sink);
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
                    case TransactionStatement::Action::Begin: begin(sink); break;
                    case TransactionStatement::Action::Commit: commit(sink); break;
                    case TransactionStatement::Action::Rollback: rollback(sink); break;
                    }
                    sink.done(std::nullopt, false);
                },
                [&](const SetStatement& s) {
                    set(s);
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
    } catch (const Stopped&) {
        // Under XACT_ABORT SQL Server also rolls back on an attention (a client's time-out).
        if (transactionLost() || (xactAbort_ && tranCount_ > 0))
            rollback(sink);
        sink.done(std::nullopt, true);
        return Outcome::AbortBatch;
    }
    return branch ? run(*branch, sink) : Outcome::Continue;
}

bool SqlSession::holds(const Expr& condition)
{
    const std::string sql = Translator(*this).ifCondition(condition);
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_.get(), sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr) != SQLITE_OK)
        throw statementError(sqlite3_extended_errcode(db_.get()));
    const store::SqliteStatement prepared(raw);
    bindParameters(raw);
    if (sqlite3_step(raw) != SQLITE_ROW)
        throw statementError(sqlite3_extended_errcode(db_.get()));
    return sqlite3_column_int(raw, 0) == 1;
}

void SqlSession::runSelect(const SelectStatement& statement, ResultSink& sink)
{
    SelectPlan plan = Translator(*this).select(statement);
    if (plan.readsTable)
        beginImplicitly(sink);
    waitForCommittedTables();
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_.get(), plan.sql.c_str(), static_cast<int>(plan.sql.size()), &raw, nullptr) != SQLITE_OK)
        throw statementError(sqlite3_extended_errcode(db_.get()));
    const store::SqliteStatement prepared(raw);
    bindParameters(raw);
    sink.columns(plan.columns);
    std::vector<ValueView> values(plan.columns.size());
    std::int64_t count = 0;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        for (std::size_t i = 0; i < values.size(); ++i)
            values[i] = readValue(raw, static_cast<int>(i), plan.kinds[i]);
        sink.row(values);
        ++count;
    }
    if (rc != SQLITE_DONE)
        throw statementError(sqlite3_extended_errcode(db_.get()));
    rowCount_ = count;
    sink.done(noCount_ ? std::nullopt : std::optional(count), false);
}

bool SqlSession::transactionLost()
{
    // Some failures (disk full, I/O errors) make SQLite end the whole transaction by itself.
    if (!writeLockHeld_ || sqlite3_get_autocommit(db_.get()) == 0)
        return false;
    writeLockHeld_ = false;
    engine_->uncommitted.release(this);
    return tranCount_ > 0;
}

void SqlSession::takeWriteLock(const std::string& table)
{
    switch (engine_->uncommitted.waitForQueuedReaders(table, lockTimeout_, stopRequested_)) {
    case UncommittedChanges::Wait::Free: break;
    case UncommittedChanges::Wait::TimedOut: throw lockTimeout();
    case UncommittedChanges::Wait::Stopped: throw Stopped{};
    }
    busyStopped_ = false;
    if (sqlite3_exec(db_.get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        if (busyStopped_ || stopRequested_)
            throw Stopped{};
        throw statementError(sqlite3_extended_errcode(db_.get()));
    }
}

std::int64_t SqlSession::runWrite(const std::function<std::string(bool guard)>& translate, const ObjectName& target,
                                  bool oneStep)
{
    const bool inTransaction = tranCount_ > 0;
    const std::string sql = translate(inTransaction);
    const std::string targetKey = tableKey(attached(target.database.empty() ? database_ : target.database), target.table);
    if (!inTransaction) {
        takeWriteLock(targetKey);
        try {
            if (execBound(sql) != SQLITE_OK)
                throw statementError(sqlite3_extended_errcode(db_.get()));
            exec("COMMIT");
        } catch (...) {
            sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
        return sqlite3_changes64(db_.get());
    }
    if (!writeLockHeld_) {
        takeWriteLock(targetKey);
        writeLockHeld_ = true;
    }
    // The savepoint undoes a failed or stopped statement and leaves the transaction open; a stop
    // request reaches the statement only through its row guard meanwhile.
    protectTransaction_ = true;
    const auto unprotect = [this] { protectTransaction_ = false; };
    try {
        if (!oneStep)
            exec("SAVEPOINT statement");
    } catch (...) {
        unprotect();
        throw;
    }
    const std::int64_t changedBefore = sqlite3_total_changes64(db_.get());
    const int rc = execBound(sql);
    const std::int64_t changes = sqlite3_changes64(db_.get());
    if (rc != SQLITE_OK) {
        // A one-step statement that fails has changed nothing, or failed in SQLite's storage,
        // when SQLite ends the whole transaction itself.
        const int code = sqlite3_extended_errcode(db_.get());
        if (!oneStep)
            sqlite3_exec(db_.get(), "ROLLBACK TO statement; RELEASE statement", nullptr, nullptr, nullptr);
        unprotect();
        throw statementError(code);
    }
    const int released = oneStep ? SQLITE_OK : sqlite3_exec(db_.get(), "RELEASE statement", nullptr, nullptr, nullptr);
    unprotect();
    if (released != SQLITE_OK)
        throw statementError(sqlite3_extended_errcode(db_.get()));
    // Rows changed and not yet committed make readers of the table wait, as SQL Server's
    // exclusive row locks do; a statement that changed nothing holds none.
    if (sqlite3_total_changes64(db_.get()) != changedBefore)
        engine_->uncommitted.record(this, targetKey);
    return changes;
}

void SqlSession::use(const UseStatement& statement, ResultSink& sink)
{
    const auto canonical = engine_->dataFolder.find(statement.database);
    if (!canonical)
        throw missingDatabase(statement.database);
    attached(*canonical);
    const std::string old = database_;
    database_ = *canonical;
    sink.databaseChanged(database_, old);
    sink.info(makeError<ErrorId::DatabaseChanged>(database_));
    sink.done(std::nullopt, false);
}

void SqlSession::createTable(const CreateTableStatement& statement)
{
    const std::string schema = attached(statement.name.database.empty() ? database_ : statement.name.database);
    if (store::readTable(db_.get(), schema, statement.name.table))
        throw makeError<ErrorId::ObjectExists>(statement.name.table);
    store::CatalogTable table{statement.name.table, {}};
    for (std::size_t i = 0; i < statement.columns.size(); ++i) {
        const ColumnDefinition& definition = statement.columns[i];
        const auto type = ColumnType::fromName(definition.type.name, definition.type.length);
        if (!type)
            throw makeError<ErrorId::UnknownDataType>(i + 1, definition.type.name);
        if (table.find(definition.name))
            throw makeError<ErrorId::DuplicateColumnName>(definition.name, table.name);
        if (definition.identity && type->kind != TypeKind::Int)
            throw makeError<ErrorId::IdentityNotInt>(definition.name);
        table.columns.push_back({definition.name, *type, definition.nullable, definition.primaryKey, definition.identity});
    }
    for (const std::string& key : statement.primaryKey) {
        auto found = std::find_if(table.columns.begin(), table.columns.end(),
                                  [&](const store::CatalogColumn& c) { return store::sameName(c.name, key); });
        if (found == table.columns.end())
            throw makeError<ErrorId::KeyColumnMissing>(key);
        found->primaryKey = true;
        found->nullable = false;
    }
    const auto identities = std::count_if(table.columns.begin(), table.columns.end(),
                                          [](const store::CatalogColumn& c) { return c.identity; });
    const auto keys = std::count_if(table.columns.begin(), table.columns.end(),
                                    [](const store::CatalogColumn& c) { return c.primaryKey && !c.identity; });
    if (identities > 1)
        throw makeError<ErrorId::SeveralIdentityColumns>(table.name);
    if (identities == 1 && keys > 0)
        throw makeError<ErrorId::IdentityNotSoleKey>();
    runWrite([&](bool) { return store::createTableSql(schema, table); }, statement.name);
    rowCount_ = 0;
}

void SqlSession::dropTable(const DropTableStatement& statement)
{
    const std::string schema = attached(statement.name.database.empty() ? database_ : statement.name.database);
    const auto table = store::readTable(db_.get(), schema, statement.name.table);
    if (!table)
        throw makeError<ErrorId::CannotDropTable>(statement.name.written);
    runWrite([&](bool) { return "DROP TABLE " + quoteIdentifier(schema) + "." + quoteIdentifier(table->name); },
             statement.name);
    rowCount_ = 0;
}

void SqlSession::createDatabase(const CreateDatabaseStatement& statement)
{
    if (tranCount_ > 0)
        throw makeError<ErrorId::CreateDatabaseInTransaction>();
    switch (engine_->dataFolder.createDatabase(statement.name)) {
    case store::DataFolder::CreateResult::Created:
        return;
    case store::DataFolder::CreateResult::Exists:
        throw makeError<ErrorId::DatabaseExists>(statement.name);
    case store::DataFolder::CreateResult::BadName:
        throw syntaxErrorNear(statement.name, 1);
    }
}

void SqlSession::set(const SetStatement& statement)
{
    switch (statement.option) {
    case SetStatement::Option::NoCount: noCount_ = statement.on; break;
    case SetStatement::Option::LockTimeout: lockTimeout_ = std::chrono::milliseconds(statement.value); break;
    case SetStatement::Option::ImplicitTransactions: implicitTransactions_ = statement.on; break;
    case SetStatement::Option::XactAbort: xactAbort_ = statement.on; break;
    case SetStatement::Option::ReadUncommitted: readUncommitted_ = statement.on; break;
    case SetStatement::Option::Accepted: break;
    }
}

void SqlSession::beginImplicitly(ResultSink& sink)
{
    if (implicitTransactions_ && tranCount_ == 0)
        begin(sink);
}

void SqlSession::begin(ResultSink& sink)
{
    if (tranCount_++ == 0) {
        descriptor_ = engine_->nextDescriptor++;
        sink.transactionBegan(descriptor_);
    }
}

void SqlSession::commit(ResultSink& sink)
{
    if (tranCount_ == 0)
        throw makeError<ErrorId::CommitWithoutBegin>();
    if (tranCount_ > 1) {
        --tranCount_;
        return;
    }
    if (writeLockHeld_)
        endWriteTransaction(true);
    tranCount_ = 0;
    sink.transactionCommitted(descriptor_);
    descriptor_ = 0;
}

void SqlSession::rollback(ResultSink& sink)
{
    if (tranCount_ == 0)
        throw makeError<ErrorId::RollbackWithoutBegin>();
    if (writeLockHeld_)
        endWriteTransaction(false);
    tranCount_ = 0;
    const std::uint64_t descriptor = descriptor_;
    descriptor_ = 0;
    sink.transactionRolledBack(descriptor);
}

void SqlSession::beginTransaction(ResultSink& sink)
{
    begin(sink);
    sink.done(std::nullopt, false);
}

void SqlSession::commitTransaction(ResultSink& sink)
{
    try {
        commit(sink);
        sink.done(std::nullopt, false);
    } catch (const SqlError& error) {
        sink.error(error);
        sink.done(std::nullopt, true);
    }
}

void SqlSession::rollbackTransaction(ResultSink& sink)
{
    try {
        rollback(sink);
        sink.done(std::nullopt, false);
    } catch (const SqlError& error) {
        sink.error(error);
        sink.done(std::nullopt, true);
    }
}

}  // namespace taskstore::sql
