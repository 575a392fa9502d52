#include "OdbcClient.h"

#include <array>

#include <sql.h>
#include <sqlext.h>
#include <stdexcept>

namespace testsupport {

namespace {

std::string diagnostics(SQLSMALLINT type, SQLHANDLE handle)
{
    std::string text;
    SQLCHAR state[6];
    SQLINTEGER native = 0;
    SQLCHAR message[2048];
    SQLSMALLINT length = 0;
    for (SQLSMALLINT i = 1;
         SQL_SUCCEEDED(SQLGetDiagRec(type, handle, i, state, &native, message, sizeof message, &length)); ++i) {
        if (!text.empty())
            text += " | ";
        text += reinterpret_cast<char*>(message);
    }
    return text.empty() ? "ODBC call failed" : text;
}

void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle)
{
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
        throw std::runtime_error(diagnostics(type, handle));
}

class Statement {
public:
    explicit Statement(SQLHDBC dbc) { check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &handle), SQL_HANDLE_DBC, dbc); }
    ~Statement() { SQLFreeHandle(SQL_HANDLE_STMT, handle); }
    void run(std::string_view sql)
    {
        check(SQLExecDirect(handle, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.data())),
                            static_cast<SQLINTEGER>(sql.size())),
              SQL_HANDLE_STMT, handle);
    }
    SQLHSTMT handle = nullptr;
};

}  // namespace

OdbcClient::OdbcClient(int port, std::string database, std::string password, std::string tdsVersion)
{
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    env_ = env;
    dbc_ = dbc;
    std::string braced = "{";
    for (char c : password)
        braced += c == '}' ? std::string("}}") : std::string(1, c);
    braced += "}";
    std::string text = "DRIVER={" FREETDS_ODBC_DRIVER "};Server=127.0.0.1;Port=" + std::to_string(port)
        + ";Database=" + database + ";UID=SA;PWD=" + braced + ";TDS_Version=" + tdsVersion + ";ClientCharset=UTF-8;";
    SQLRETURN rc = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS, nullptr, 0, nullptr,
                                    SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        const std::string message = diagnostics(SQL_HANDLE_DBC, dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, env);
        throw std::runtime_error(message);
    }
}

OdbcClient::~OdbcClient()
{
    SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

void OdbcClient::exec(std::string_view sql)
{
    Statement statement(dbc_);
    statement.run(sql);
    SQLRETURN rc;
    while ((rc = SQLMoreResults(statement.handle)) != SQL_NO_DATA)
        check(rc, SQL_HANDLE_STMT, statement.handle);
}

namespace {

Rows fetchRows(Statement& statement)
{
    SQLSMALLINT columns = 0;
    SQLNumResultCols(statement.handle, &columns);
    Rows rows;
    SQLRETURN rc;
    while ((rc = SQLFetch(statement.handle)) != SQL_NO_DATA) {
        check(rc, SQL_HANDLE_STMT, statement.handle);
        auto& row = rows.emplace_back();
        for (SQLUSMALLINT c = 1; c <= columns; ++c) {
            std::string value;
            char buffer[4096];
            SQLLEN indicator = 0;
            bool isNull = false;
            while (true) {
                rc = SQLGetData(statement.handle, c, SQL_C_CHAR, buffer, sizeof buffer, &indicator);
                if (rc == SQL_NO_DATA)
                    break;
                check(rc, SQL_HANDLE_STMT, statement.handle);
                if (indicator == SQL_NULL_DATA) {
                    isNull = true;
                    break;
                }
                value += buffer;
                if (rc == SQL_SUCCESS)
                    break;
            }
            row.push_back(isNull ? std::nullopt : std::optional<std::string>(value));
        }
    }
    while ((rc = SQLMoreResults(statement.handle)) != SQL_NO_DATA)
        check(rc, SQL_HANDLE_STMT, statement.handle);
    return rows;
}

}  // namespace

Rows OdbcClient::query(std::string_view sql)
{
    Statement statement(dbc_);
    statement.run(sql);
    return fetchRows(statement);
}

int OdbcClient::preparedColumnCount(std::string_view sql)
{
    Statement statement(dbc_);
    check(SQLPrepare(statement.handle, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.data())),
                     static_cast<SQLINTEGER>(sql.size())),
          SQL_HANDLE_STMT, statement.handle);
    SQLSMALLINT columns = 0;
    check(SQLNumResultCols(statement.handle, &columns), SQL_HANDLE_STMT, statement.handle);
    return columns;
}

Rows OdbcClient::executePrepared(std::string_view sql, const std::vector<std::vector<Value>>& executions)
{
    Statement statement(dbc_);
    check(SQLPrepare(statement.handle, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.data())),
                     static_cast<SQLINTEGER>(sql.size())),
          SQL_HANDLE_STMT, statement.handle);
    // Bound once, as applications do, so the driver executes the prepared statement again
    // instead of preparing anew; the kinds of the first execution hold for all.
    const std::size_t count = executions.empty() ? 0 : executions[0].size();
    std::vector<std::array<char, 256>> texts(count);
    std::vector<int> integers(count);
    std::vector<SQLLEN> lengths(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto number = static_cast<SQLUSMALLINT>(i + 1);
        SQLRETURN rc;
        if (std::holds_alternative<int>(executions[0][i]))
            rc = SQLBindParameter(statement.handle, number, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0,
                                  &integers[i], 0, &lengths[i]);
        else  // nvarchar: the text is UTF-8 and may hold characters no code page has
            rc = SQLBindParameter(statement.handle, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_WVARCHAR, 50, 0,
                                  texts[i].data(), static_cast<SQLLEN>(texts[i].size()), &lengths[i]);
        check(rc, SQL_HANDLE_STMT, statement.handle);
    }
    Rows all;
    for (const auto& values : executions) {
        for (std::size_t i = 0; i < count; ++i) {
            if (const auto* text = std::get_if<std::string>(&values.at(i))) {
                lengths[i] = static_cast<SQLLEN>(text->copy(texts[i].data(), texts[i].size()));
            } else if (const auto* integer = std::get_if<int>(&values.at(i))) {
                integers[i] = *integer;
                lengths[i] = 0;
            } else {
                lengths[i] = SQL_NULL_DATA;
            }
        }
        check(SQLExecute(statement.handle), SQL_HANDLE_STMT, statement.handle);
        SQLSMALLINT columns = 0;
        SQLNumResultCols(statement.handle, &columns);
        if (columns > 0) {
            for (auto& row : fetchRows(statement))
                all.push_back(std::move(row));
        } else {
            SQLRETURN rc;
            while ((rc = SQLMoreResults(statement.handle)) != SQL_NO_DATA)
                check(rc, SQL_HANDLE_STMT, statement.handle);
        }
        SQLFreeStmt(statement.handle, SQL_CLOSE);
    }
    return all;
}

void OdbcClient::setAutocommit(bool on)
{
    check(SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT,
                            reinterpret_cast<SQLPOINTER>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), 0),
          SQL_HANDLE_DBC, dbc_);
}

void OdbcClient::commit() { check(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT), SQL_HANDLE_DBC, dbc_); }

void OdbcClient::rollback() { check(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK), SQL_HANDLE_DBC, dbc_); }

}  // namespace testsupport
