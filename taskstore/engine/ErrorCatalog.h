#pragma once
// Every error and message taskstore sends, as SQL Server numbers them: number, severity, state and text.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace taskstore {

// One entry a meaning. SQL Server tells the places that raise one number apart by the state, so a
// number raised with two states has two entries, with one text.
enum class ErrorId : std::uint8_t {
    // Reading the batch
    SyntaxError,
    SyntaxErrorAtKeyword,
    UnclosedQuotation,
    MissingEndComment,
    NotRecognized,
    UndeclaredVariable,
    NestedTooDeeply,
    OutOfMemory,
    TopNotInteger,
    TypeTooLarge,
    WrongArgumentCount,
    AggregateInWhere,
    UndefinedType,
    // Names and the statement's shape
    InvalidObject,
    InvalidColumn,
    UnknownDatabase,
    UnboundIdentifier,
    NonBooleanCondition,
    SubqueryWithSeveralColumns,
    NoTableToSelectFrom,
    OrderByPositionOutOfRange,
    NotAggregatedOrGrouped,
    IdentityInsertOff,
    FewerInsertColumns,
    MoreInsertColumns,
    IdentityUpdate,
    InvalidOperand,
    IncompatibleOperands,
    InvalidArgumentType,
    QueryTooComplex,
    // Conversions and arithmetic
    ArithmeticOverflow,
    ArithmeticOverflowInRow,
    NumericTextOverflow,
    FloatTextOverflow,
    NumberOutOfRange,
    ConversionToTypeFailed,
    ValueConversionFailed,
    IntOverflow,
    Truncation,
    ConversionNotAllowed,
    InvalidDateTimeStyle,
    DivideByZero,
    DateTimeConversionFailed,
    DateTimeOutOfRange,
    UniqueIdentifierConversionFailed,
    InvalidRightLength,
    InvalidLeftOrSubstringLength,
    // Tables, databases and transactions
    UnknownDataType,
    NullNotAllowed,
    DuplicateKey,
    StatementTerminated,
    LockTimeout,
    DataFileFull,
    LogFull,
    ObjectExists,
    DuplicateColumnName,
    IdentityNotInt,
    KeyColumnMissing,
    SeveralIdentityColumns,
    CannotDropTable,
    CreateDatabaseInTransaction,
    DatabaseExists,
    CommitWithoutBegin,
    RollbackWithoutBegin,
    DatabaseChanged,
    // Logging in
    LoginDatabaseChanged,
    LanguageChanged,
    LoginDatabaseUnavailable,
    LoginFailed,
    UserConnectionsExhausted,
    // Procedure calls and their parameters
    ProcedureParameterMissing,
    ProcedureParameterNotText,
    ProcedureNotFound,
    PreparedStatementNotFound,
    UnprepareHandleNotFound,
    NotAParameter,
    TooManyArguments,
    QueryParameterNotSupplied,
    UnknownRpcType,
    TooManyRpcParameters,
    InvalidRpcValue,
    TooManyRpcCalls,
    TranCountMismatch,
    // taskstore's own messages, for what it does not do as SQL Server does
    StorageError,
    DatabaseFileUnavailable,
    IdentityNotSoleKey,
    IdentityNotOneOne,
    DateFormatUnsupported,
    StyleUnsupported,
    DateStyleInputUnsupported,
    FeatureUnsupported,
    InternalError,
    SavepointsUnsupported,
    ColumnCannotBeSent,
    RowDoesNotMatchColumns,
    GlobalTemporaryTableUnsupported,
};

struct ErrorEntry {
    ErrorId id;
    int number;
    int severity;
    int state;
    // %s takes any argument as text, %d an integer only; the slots fill in order.
    std::string_view text;
};

// What RAISERROR with a text answers: the number of taskstore's own messages.
inline constexpr int ownMessageNumber = 50000;

namespace errortext {
// Texts of the numbers raised with two states.
inline constexpr std::string_view arithmeticOverflow = "Arithmetic overflow error converting %s to data type %s.";
inline constexpr std::string_view databaseChanged = "Changed database context to '%s'.";
inline constexpr std::string_view preparedStatementNotFound = "Could not find prepared statement with handle %s.";
}  // namespace errortext

inline constexpr auto errorCatalog = std::to_array<ErrorEntry>({
    {ErrorId::SyntaxError, 102, 15, 1, "Incorrect syntax near '%s'."},
    {ErrorId::SyntaxErrorAtKeyword, 156, 15, 1, "Incorrect syntax near the keyword '%s'."},
    {ErrorId::UnclosedQuotation, 105, 15, 1, "Unclosed quotation mark after the character string '%s'."},
    {ErrorId::MissingEndComment, 113, 15, 1, "Missing end comment mark '*/'."},
    {ErrorId::NotRecognized, 195, 15, 1, "'%s' is not a recognized %s."},
    {ErrorId::UndeclaredVariable, 137, 15, 1, "Must declare the scalar variable \"%s\"."},
    {ErrorId::NestedTooDeeply, 191, 15, 1,
     "Some part of your SQL statement is nested too deeply. Rewrite the query or break it up into smaller queries."},
    {ErrorId::OutOfMemory, 701, 17, 1,
     "There is insufficient system memory in resource pool 'default' to run this query."},
    {ErrorId::TopNotInteger, 1060, 16, 1, "The number of rows in the TOP clause must be an integer."},
    {ErrorId::TypeTooLarge, 131, 15, 1,
     "The size (%d) given to the type '%s' exceeds the maximum allowed for any data type."},
    {ErrorId::WrongArgumentCount, 174, 15, 1, "The %s function requires %d argument(s)."},
    {ErrorId::AggregateInWhere, 147, 15, 1,
     "An aggregate may not appear in the WHERE clause unless it is in a subquery contained in a HAVING clause or a "
     "select list, and the column being aggregated is an outer reference."},
    {ErrorId::UndefinedType, 243, 16, 1, "Type %s is not a defined system type."},

    {ErrorId::InvalidObject, 208, 16, 1, "Invalid object name '%s'."},
    {ErrorId::InvalidColumn, 207, 16, 1, "Invalid column name '%s'."},
    {ErrorId::UnknownDatabase, 911, 16, 1,
     "Database '%s' does not exist. Make sure that the name is entered correctly."},
    {ErrorId::UnboundIdentifier, 4104, 16, 1, "The multi-part identifier \"%s\" could not be bound."},
    {ErrorId::NonBooleanCondition, 4145, 16, 1,
     "An expression of non-boolean type specified in a context where a condition is expected."},
    {ErrorId::SubqueryWithSeveralColumns, 116, 16, 1,
     "Only one expression can be specified in the select list when the subquery is not introduced with EXISTS."},
    {ErrorId::NoTableToSelectFrom, 263, 16, 1, "Must specify table to select from."},
    {ErrorId::OrderByPositionOutOfRange, 108, 16, 1,
     "The ORDER BY position number %s is out of range of the number of items in the select list."},
    {ErrorId::NotAggregatedOrGrouped, 8120, 16, 1,
     "Column '%s' is invalid in the select list because it is not contained in either an aggregate function or the "
     "GROUP BY clause."},
    {ErrorId::IdentityInsertOff, 544, 16, 1,
     "Cannot insert explicit value for identity column in table '%s' when IDENTITY_INSERT is set to OFF."},
    {ErrorId::FewerInsertColumns, 110, 16, 1,
     "There are fewer columns in the INSERT statement than values specified in the VALUES clause. The number of "
     "values in the VALUES clause must match the number of columns specified in the INSERT statement."},
    {ErrorId::MoreInsertColumns, 109, 16, 1,
     "There are more columns in the INSERT statement than values specified in the VALUES clause. The number of "
     "values in the VALUES clause must match the number of columns specified in the INSERT statement."},
    {ErrorId::IdentityUpdate, 8102, 16, 1, "Cannot update identity column '%s'."},
    {ErrorId::InvalidOperand, 8117, 16, 1, "Operand data type %s is invalid for %s operator."},
    {ErrorId::IncompatibleOperands, 402, 16, 1, "The data types %s and %s are incompatible in the %s operator."},
    {ErrorId::InvalidArgumentType, 8116, 16, 1, "Argument data type %s is invalid for argument %d of %s function."},
    {ErrorId::QueryTooComplex, 8623, 16, 1,
     "The query processor ran out of internal resources and could not produce a query plan. This is a rare event "
     "and only expected for extremely complex queries or queries that reference a very large number of tables or "
     "partitions. Please simplify the query. If you believe you have received this message in error, contact "
     "Customer Support Services for more information."},

    {ErrorId::ArithmeticOverflow, 8115, 16, 1, errortext::arithmeticOverflow},
    {ErrorId::ArithmeticOverflowInRow, 8115, 16, 2, errortext::arithmeticOverflow},
    {ErrorId::NumericTextOverflow, 8115, 16, 5, errortext::arithmeticOverflow},
    {ErrorId::FloatTextOverflow, 232, 16, 1, "Arithmetic overflow error for type %s, value = %s."},
    {ErrorId::NumberOutOfRange, 1007, 15, 1,
     "The number '%s' is out of the range for numeric representation (maximum precision 38)."},
    {ErrorId::ConversionToTypeFailed, 8114, 16, 1, "Error converting data type %s to %s."},
    {ErrorId::ValueConversionFailed, 245, 16, 1,
     "Conversion failed when converting the %s value '%s' to data type %s."},
    {ErrorId::IntOverflow, 248, 16, 1, "The conversion of the %s value '%s' overflowed an int column."},
    {ErrorId::Truncation, 8152, 16, 1, "String or binary data would be truncated."},
    {ErrorId::ConversionNotAllowed, 529, 16, 1, "Explicit conversion from data type %s to %s is not allowed."},
    {ErrorId::InvalidDateTimeStyle, 281, 16, 1,
     "%d is not a valid style number when converting from datetime to a character string."},
    {ErrorId::DivideByZero, 8134, 16, 1, "Divide by zero error encountered."},
    {ErrorId::DateTimeConversionFailed, 241, 16, 1,
     "Conversion failed when converting date and/or time from character string."},
    {ErrorId::DateTimeOutOfRange, 242, 16, 3,
     "The conversion of a %s data type to a datetime data type resulted in an out-of-range value."},
    {ErrorId::UniqueIdentifierConversionFailed, 8169, 16, 1,
     "Conversion failed when converting from a character string to uniqueidentifier."},
    {ErrorId::InvalidRightLength, 536, 16, 1, "Invalid length parameter passed to the RIGHT function."},
    {ErrorId::InvalidLeftOrSubstringLength, 537, 16, 1,
     "Invalid length parameter passed to the LEFT or SUBSTRING function."},

    {ErrorId::UnknownDataType, 2715, 16, 1, "Column, parameter, or variable #%d: Cannot find data type %s."},
    {ErrorId::NullNotAllowed, 515, 16, 2,
     "Cannot insert the value NULL into column '%s', table '%s'; column does not allow nulls. %s fails."},
    {ErrorId::DuplicateKey, 2627, 14, 1,
     "Violation of PRIMARY KEY constraint '%s'. Cannot insert duplicate key in object '%s'. The duplicate key value "
     "is %s."},
    {ErrorId::StatementTerminated, 3621, 0, 1, "The statement has been terminated."},
    {ErrorId::LockTimeout, 1222, 16, 1, "Lock request time out period exceeded."},
    {ErrorId::DataFileFull, 1105, 17, 2,
     "Could not allocate space for object '%s' in database '%s' because the '%s' filegroup is full due to lack of "
     "storage space or database files reaching the maximum allowed size. Note that UNLIMITED files are still limited "
     "to 16TB. Create the necessary space by dropping objects in the filegroup, adding additional files to the "
     "filegroup, or setting autogrowth on for existing files in the filegroup."},
    {ErrorId::LogFull, 9002, 17, 2, "The transaction log for database '%s' is full due to '%s'."},
    {ErrorId::ObjectExists, 2714, 16, 1, "There is already an object named '%s' in the database."},
    {ErrorId::DuplicateColumnName, 2705, 16, 1,
     "Column names in each table must be unique. Column name '%s' in table '%s' is specified more than once."},
    {ErrorId::IdentityNotInt, 2749, 16, 1, "Identity column '%s' must be of data type int."},
    {ErrorId::KeyColumnMissing, 1911, 16, 1, "Column name '%s' does not exist in the target table or view."},
    {ErrorId::SeveralIdentityColumns, 2744, 16, 1,
     "Multiple identity columns specified for table '%s'. Only one identity column per table is allowed."},
    {ErrorId::CannotDropTable, 3701, 11, 1,
     "Cannot drop the table '%s', because it does not exist or you do not have permission."},
    {ErrorId::CreateDatabaseInTransaction, 226, 16, 1,
     "CREATE DATABASE statement not allowed within multi-statement transaction."},
    {ErrorId::DatabaseExists, 1801, 16, 1, "Database '%s' already exists. Choose a different database name."},
    {ErrorId::CommitWithoutBegin, 3902, 16, 1,
     "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION."},
    {ErrorId::RollbackWithoutBegin, 3903, 16, 1,
     "The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION."},
    {ErrorId::DatabaseChanged, 5701, 0, 1, errortext::databaseChanged},

    {ErrorId::LoginDatabaseChanged, 5701, 0, 2, errortext::databaseChanged},
    {ErrorId::LanguageChanged, 5703, 0, 1, "Changed language setting to us_english."},
    {ErrorId::LoginDatabaseUnavailable, 4060, 11, 1,
     "Cannot open database \"%s\" requested by the login. The login failed."},
    {ErrorId::LoginFailed, 18456, 14, 1, "Login failed for user '%s'."},
    {ErrorId::UserConnectionsExhausted, 17809, 20, 1,
     "Could not connect because the maximum number of '%d' user connections has already been reached. The system "
     "administrator can use sp_configure to increase the maximum value. The connection has been closed."},

    {ErrorId::ProcedureParameterMissing, 201, 16, 4,
     "Procedure or function '%s' expects parameter '%s', which was not supplied."},
    {ErrorId::ProcedureParameterNotText, 214, 16, 2,
     "Procedure expects parameter '%s' of type 'ntext/nchar/nvarchar'."},
    {ErrorId::ProcedureNotFound, 2812, 16, 62, "Could not find stored procedure '%s'."},
    {ErrorId::PreparedStatementNotFound, 8179, 16, 1, errortext::preparedStatementNotFound},
    {ErrorId::UnprepareHandleNotFound, 8179, 16, 5, errortext::preparedStatementNotFound},
    {ErrorId::NotAParameter, 8145, 16, 1, "%s is not a parameter for procedure %s."},
    {ErrorId::TooManyArguments, 8144, 16, 2, "Procedure or function %s has too many arguments specified."},
    {ErrorId::QueryParameterNotSupplied, 8178, 16, 1,
     "The parameterized query '%s' expects the parameter '%s', which was not supplied."},
    {ErrorId::UnknownRpcType, 8009, 16, 1,
     "The incoming tabular data stream (TDS) remote procedure call (RPC) protocol stream is incorrect. Data type %s "
     "is unknown."},
    {ErrorId::TooManyRpcParameters, 8003, 16, 1,
     "The incoming request has too many parameters. The server supports a maximum of %d parameters. Reduce the "
     "number of parameters and resend the request."},
    {ErrorId::InvalidRpcValue, 8023, 16, 1,
     "The incoming tabular data stream (TDS) remote procedure call (RPC) protocol stream is incorrect. Parameter %d "
     "(\"%s\"): The supplied value is not a valid instance of data type %s. Check the source data for invalid "
     "values. An example of an invalid value is data of numeric type with scale greater than precision."},
    {ErrorId::TooManyRpcCalls, ownMessageNumber, 16, 1,
     "The request holds more than %d procedure calls, more than taskstore takes in one request. Send the calls in "
     "several requests."},

    {ErrorId::TranCountMismatch, 266, 16, 2,
     "Transaction count after EXECUTE indicates a mismatching number of BEGIN and COMMIT statements. Previous "
     "count = %d, current count = %d."},

    {ErrorId::StorageError, ownMessageNumber, 16, 1, "taskstore storage error: %s"},
    {ErrorId::DatabaseFileUnavailable, ownMessageNumber, 16, 1, "taskstore cannot open database '%s': %s"},
    {ErrorId::IdentityNotSoleKey, ownMessageNumber, 16, 1,
     "An identity column must be the only primary key column of its table."},
    {ErrorId::IdentityNotOneOne, ownMessageNumber, 16, 1, "Only IDENTITY(1,1) is supported."},
    {ErrorId::DateFormatUnsupported, ownMessageNumber, 16, 1,
     "SET %s %s is not supported: dates are read as us_english reads them (mdy)."},
    {ErrorId::StyleUnsupported, ownMessageNumber, 16, 1,
     "taskstore does not support style %d when converting from %s to a character string."},
    {ErrorId::DateStyleInputUnsupported, ownMessageNumber, 16, 1,
     "taskstore does not read dates in style %d: only the styles that read as us_english (mdy) reads are supported."},
    {ErrorId::FeatureUnsupported, ownMessageNumber, 16, 1, "taskstore does not support %s."},
    {ErrorId::InternalError, ownMessageNumber, 16, 1, "Internal error: %s"},
    {ErrorId::SavepointsUnsupported, ownMessageNumber, 16, 1, "Savepoints are not supported."},
    {ErrorId::ColumnCannotBeSent, ownMessageNumber, 16, 1, "Column '%s' cannot be sent: %s."},
    {ErrorId::RowDoesNotMatchColumns, ownMessageNumber, 16, 1, "A row does not match its result set's columns."},
    {ErrorId::GlobalTemporaryTableUnsupported, ownMessageNumber, 16, 1,
     "Global temporary tables are not supported: '%s'. A local temporary table (#name) belongs to its session."},
});

// The table is indexed by id, so each entry must stand at its id's place.
consteval bool catalogFollowsIds()
{
    for (std::size_t i = 0; i < errorCatalog.size(); ++i)
        if (static_cast<std::size_t>(errorCatalog[i].id) != i)
            return false;
    return static_cast<std::size_t>(ErrorId::GlobalTemporaryTableUnsupported) + 1 == errorCatalog.size();
}
static_assert(catalogFollowsIds(), "errorCatalog lists the ids in the order ErrorId declares them");

constexpr const ErrorEntry& errorEntry(ErrorId id) { return errorCatalog[static_cast<std::size_t>(id)]; }

}  // namespace taskstore
