#include "bench/BareOdbcRead.h"

#include <vector>

#include "db/Connection.h"
#include "db/OdbcApi.h"
#include "db/OdbcStatement.h"
#include "db/TaskStatements.h"
#include "db/Utf16.h"

namespace bench {

namespace {
constexpr SQLULEN blockRows = 1000;

struct BoundColumn {
    std::vector<char> buffer;
    std::vector<SQLLEN> indicators;
};
}  // namespace

std::size_t readListBare(db::Connection& connection)
{
    return readListBare(connection.odbc(), connection.commandTimeout());
}

std::size_t readListBare(db::OdbcConnection& connection, int commandTimeoutSeconds)
{
    db::OdbcStatement statement(connection, commandTimeoutSeconds);
    statement.execute(db::TaskStatements::listQuery());
    const SQLHSTMT stmt = statement.handle();

    SQLSMALLINT count = 0;
    statement.check(SQLNumResultCols(stmt, &count), "columns");
    std::vector<BoundColumn> columns(static_cast<std::size_t>(count));
    SQLULEN fetched = 0;
    statement.check(
        SQLSetStmtAttrW(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(blockRows), SQL_IS_UINTEGER),
        "block size");
    statement.check(SQLSetStmtAttrW(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, SQL_IS_POINTER), "fetched count");
    for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(count); ++c) {
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        statement.check(SQLDescribeColW(stmt, c, nullptr, 0, nullptr, &type, &size, &digits, &nullable), "describe");
        BoundColumn& column = columns[c - 1];
        column.indicators.resize(blockRows);
        // The cheapest C type for each: timestamps as structs, text as UTF-16 (the driver's own).
        const bool timestamp = type == SQL_TYPE_TIMESTAMP;
        const SQLLEN width = timestamp ? static_cast<SQLLEN>(sizeof(SQL_TIMESTAMP_STRUCT))
                                       : static_cast<SQLLEN>((size + 1) * sizeof(SQLWCHAR));
        column.buffer.resize(static_cast<std::size_t>(width) * blockRows);
        statement.check(SQLBindCol(stmt, c, timestamp ? SQL_C_TYPE_TIMESTAMP : SQL_C_WCHAR, column.buffer.data(), width,
                                   column.indicators.data()),
                        "bind");
    }
    std::size_t rows = 0;
    while (true) {
        const SQLRETURN ret = SQLFetch(stmt);
        if (ret == SQL_NO_DATA)
            break;
        statement.check(ret, "fetch");
        rows += fetched;
    }
    SQLFreeStmt(stmt, SQL_UNBIND);
    return rows;
}

}  // namespace bench
