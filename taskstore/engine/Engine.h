#pragma once
// The boundary between taskstore's TDS sessions and its T-SQL engine. The protocol layer
// implements ResultSink to turn results into tokens; the engine implements Engine and Session.
// Strings are UTF-8 on both sides of this boundary.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/SqlType.h"
#include "taskstore/engine/ExactValues.h"
#include "taskstore/engine/MemoryBudget.h"

namespace taskstore {

using common::SqlType;

// The SQL Server release taskstore answers as, in the login acknowledgement and in
// SERVERPROPERTY('ProductVersion').
inline constexpr int productMajorVersion = 15;
inline constexpr int productMinorVersion = 0;
inline constexpr int productBuild = 2000;
inline constexpr std::string_view productReleaseName = "2019";  // SQL Server 2019 is version 15
// The collation of every database: text compares and sorts by it.
inline constexpr std::string_view serverCollationName = "Chinese_PRC_CI_AS";

// What a statement was, for the reply's DONE token.
enum class StatementKind : std::uint8_t { Other, Select, Insert, Update, Delete, BeginTransaction, EndTransaction };

// What became of a session's transaction (the outermost level: nested ones change nothing).
enum class TransactionChange : std::uint8_t { Began, Committed, RolledBack };

// SQL Server's own datetime form: days since 1900-01-01 and 1/300 seconds since midnight.
struct DateTime {
    std::int32_t days = 0;
    std::uint32_t ticks = 0;
};

// datetime's ticks in a day.
inline constexpr std::uint32_t dateTimeTicksPerDay = 300u * 86400u;
// datetime's range in its days: 1753-01-01 to 9999-12-31.
inline constexpr std::int32_t dateTimeFirstDay = temporalDaysFromCivil(1753, 1, 1) - temporalDaysFromCivil(1900, 1, 1);
inline constexpr std::int32_t dateTimeLastDay = temporalDaysFromCivil(9999, 12, 31) - temporalDaysFromCivil(1900, 1, 1);

// One cell handed to a sink. Text points into the engine's buffers and is valid only during the
// call that hands it over.
struct ValueView {
    // Binary: the bytes are in text.
    enum class Kind : std::uint8_t { Null, Int, Float, Text, DateTime, Decimal, Temporal, Binary };
    Kind kind = Kind::Null;
    std::int64_t integer = 0;
    double real = 0;
    std::string_view text;
    DateTime datetime;
    DecimalValue decimal{};
    TemporalValue temporal{};
};

struct ColumnInfo {
    static constexpr int unlimited = -1;  // maxChars of a (max) type

    std::string name;
    SqlType type = SqlType::NVarChar;
    int maxChars = 0;  // declared length of a text column (bytes for varbinary), unlimited or 0 when unknown
    bool nullable = true;
    std::uint8_t precision = 0;  // decimal
    std::uint8_t scale = 0;      // decimal, time, datetime2, datetimeoffset
    bool identity = false;       // an IDENTITY column of a table
    bool tableColumn = false;    // a table's column as it is, not an expression
};

// A value bound to a statement parameter (RPC), named and typed by the statement's declaration.
// It is only ever bound as a value, never spliced into the statement's text.
struct Parameter {
    std::string name;          // as declared, with the @
    std::string declaredType;  // as declared: "int", "nvarchar(50)", "decimal(10, 3)"...
    ValueView::Kind kind = ValueView::Kind::Null;
    std::int64_t integer = 0;
    double real = 0;
    std::string text{};  // also the bytes of a Binary value
    DateTime datetime{};
    DecimalValue decimal{};
    TemporalValue temporal{};
};

// One entry of the parameter list of sp_executesql, sp_prepare and sp_prepexec ("@P1 int,@P2
// nvarchar(50) OUTPUT"), as Engine::parameterDeclarationsIn reads it.
struct ParameterDeclaration {
    std::string name;  // with the @
    std::string type;  // as written, blanks trimmed: "decimal(10, 3)"
    bool output = false;
};

// An error or informational message with SQL Server's number, state, class and text.
struct SqlError {
    int number = 0;
    int state = 1;
    int severity = 16;
    std::string message;
    int line = 1;
};

class ResultSink {
public:
    virtual ~ResultSink() = default;
    // Before the results of each statement of a batch.
    virtual void statementStarted(StatementKind) {}
    virtual void columns(std::span<const ColumnInfo> columns) = 0;
    virtual void row(std::span<const ValueView> values) = 0;
    // Once per statement that ran; rowCount is set when the statement counts rows.
    virtual void done(std::optional<std::int64_t> rowCount, bool failed) = 0;
    virtual void info(const SqlError& message) = 0;
    virtual void error(const SqlError& error) = 0;
    virtual void databaseChanged(std::string_view newDatabase, std::string_view oldDatabase) = 0;
    // The transaction's descriptor is the one it had while open, never zero.
    virtual void transactionChanged(TransactionChange change, std::uint64_t descriptor) = 0;
};

// One client's state: current database, open transaction, SET options. Used by one thread at a
// time, except interrupt(), which any thread may call.
class Session {
public:
    virtual ~Session() = default;  // implementations roll back an open transaction

    virtual void executeBatch(std::string_view sql, ResultSink& sink) = 0;
    // A batch whose @names are the given parameters. Throws SqlError 2715 for an unknown type.
    virtual void executeWithParameters(std::string_view sql, std::span<const Parameter> parameters,
                                       ResultSink& sink) = 0;
    // The columns the batch would return when it is one SELECT, through sink.columns only; nothing
    // runs and other batches describe nothing. The parameters are typed, their values unused.
    // Throws SqlError for a batch that cannot be compiled.
    virtual void describe(std::string_view sql, std::span<const Parameter> parameters, ResultSink& sink) = 0;
    // Transaction manager requests.
    virtual void beginTransaction(ResultSink& sink) = 0;
    virtual void commitTransaction(ResultSink& sink) = 0;
    virtual void rollbackTransaction(ResultSink& sink) = 0;

    virtual const std::string& currentDatabase() const = 0;
    virtual int tranCount() const = 0;
    // How long a statement waits for another session's lock before it fails; negative: no limit.
    virtual void setLockTimeout(std::chrono::milliseconds timeout) = 0;
    // Attention: stop the running statement as soon as possible (safe from another thread).
    // `sessionEnding`: the session ends next (shutdown, lost client), so the stop may also end
    // its open transaction. A stop lasts until endRequest(): every call of the client's request
    // after it finds the session stopped.
    virtual void interrupt(bool sessionEnding = false) = 0;
    // The client's request is answered; a stop asked for during it no longer applies.
    virtual void endRequest() = 0;
};

// How much memory clients can make the server take; past either bound a statement or
// request fails with 701 and its session goes on.
struct MemoryLimits {
    // One session's: the longest value it may build (SQL Server's own bound, 2 GiB - 1 for
    // the max types, is far above it), and what it may hold at once for a row being encoded
    // or a request still arriving.
    std::size_t session = std::size_t{256} << 20;
    // The whole server's: the storage engine's memory (values built, page caches) and what
    // every session holds for rows and requests, together.
    std::size_t server = std::size_t{1} << 30;
};

class Engine {
public:
    virtual ~Engine() = default;

    virtual const MemoryLimits& memoryLimits() const = 0;
    // The whole server's budget; sessions charge their rows and requests to it.
    virtual MemoryBudget& serverMemory() = 0;

    virtual bool databaseExists(std::string_view name) const = 0;
    // `spid` is the session's number as the client sees it (@@SPID). Throws SqlError 4060 when the
    // database does not exist.
    virtual std::unique_ptr<Session> newSession(std::string_view database, std::uint16_t spid) = 0;
    // Fills an empty VOZUZODI with n generated tasks; deterministic for a given n.
    virtual void fillDemoTasks(std::int64_t n) = 0;
    // The word that makes a statement one to keep out of logs (it carries a password or a key),
    // spelt as SQL Server's traces report it; empty when there is none.
    virtual std::string_view secretWordIn(std::string_view statement) const = 0;
    // The parameter list of sp_executesql, sp_prepare and sp_prepexec, read as T-SQL; throws SqlError
    // 102 (syntax) on a malformed list.
    virtual std::vector<ParameterDeclaration> parameterDeclarationsIn(std::string_view list) const = 0;
};

}  // namespace taskstore
