#include "db/OdbcStatement.h"

#include "db/OdbcDiagnostics.h"
#include "db/Utf16.h"

namespace db {

OdbcStatement::OdbcStatement(OdbcConnection& connection, int queryTimeoutSeconds) : dbc_(connection.handle())
{
    if (!succeeded(SQLAllocHandle(SQL_HANDLE_STMT, connection.handle(), &stmt_)))
        throwDiagnostics(SQL_HANDLE_DBC, connection.handle(), "The statement could not be created.");
    try {
        check(SQLSetStmtAttrW(stmt_, SQL_ATTR_QUERY_TIMEOUT,
                              reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(queryTimeoutSeconds)), SQL_IS_UINTEGER),
              "The command time-out could not be set.");
        // The text goes to the server exactly as written: no rewriting of {...} escape sequences.
        check(SQLSetStmtAttrW(stmt_, SQL_ATTR_NOSCAN, reinterpret_cast<SQLPOINTER>(SQL_NOSCAN_ON), SQL_IS_UINTEGER),
              "The statement options could not be set.");
    } catch (...) {
        SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
        throw;
    }
}

OdbcStatement::~OdbcStatement() { SQLFreeHandle(SQL_HANDLE_STMT, stmt_); }

void OdbcStatement::check(SQLRETURN ret, std::string_view fallback) const
{
    if (ret == SQL_SUCCESS_WITH_INFO)
        throwIfErrorRecorded(SQL_HANDLE_STMT, stmt_, fallback);
    else if (!succeeded(ret))
        throwError(fallback);
}

void OdbcStatement::throwError(std::string_view fallback) const
{
    runtime::RuntimeError error = errorFromDiagnostics(readDiagnostics(SQL_HANDLE_STMT, stmt_), fallback);
    // A request to a server that has gone away comes back from FreeTDS as a bare "Unknown error";
    // the user must learn that the connection is lost.
    SQLUINTEGER dead = SQL_CD_FALSE;
    const bool serverError = error.Number() != runtime::ErrorNumber::ProviderFailure;
    if (!serverError && succeeded(SQLGetConnectAttrW(dbc_, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr))
        && dead == SQL_CD_TRUE)
        throw runtime::RuntimeError(error.Number(),
                                    "The connection to the server was lost (" + error.Description() + ").");
    throw error;
}

void OdbcStatement::execute(std::string_view sql)
{
    std::u16string text = toUtf16(sql);
    const SQLRETURN ret = SQLExecDirectW(stmt_, wide(text), static_cast<SQLINTEGER>(text.size()));
    if (ret != SQL_NO_DATA)
        check(ret, "The statement failed.");
}

bool OdbcStatement::nextResult()
{
    const SQLRETURN ret = SQLMoreResults(stmt_);
    if (ret == SQL_NO_DATA)
        return false;
    check(ret, "A statement of the batch failed.");
    return true;
}

void OdbcStatement::drainResults()
{
    while (nextResult()) {}
}

}  // namespace db
