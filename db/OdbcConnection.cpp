#include "db/OdbcConnection.h"

#include "db/OdbcDiagnostics.h"
#include "db/Utf16.h"
#include "db/Wipe.h"

namespace db {

namespace {
// SQLSetConnectAttr takes integers smuggled through a pointer.
SQLPOINTER integerAttribute(SQLULEN value) { return reinterpret_cast<SQLPOINTER>(value); }
}  // namespace

OdbcConnection::OdbcConnection(std::string_view odbcConnectionString, int loginTimeoutSeconds)
{
    try {
        if (!succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)))
            throw runtime::RuntimeError(runtime::ErrorNumber::OutOfMemory,
                                        "The ODBC environment could not be created.");
        if (!succeeded(SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, integerAttribute(SQL_OV_ODBC3), 0)))
            throwDiagnostics(SQL_HANDLE_ENV, env_, "The ODBC environment does not support ODBC 3.");
        if (!succeeded(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_)))
            throwDiagnostics(SQL_HANDLE_ENV, env_, "The ODBC connection could not be created.");
        SQLSetConnectAttrW(dbc_, SQL_ATTR_LOGIN_TIMEOUT, integerAttribute(static_cast<SQLULEN>(loginTimeoutSeconds)),
                           0);

        std::u16string text = toUtf16(odbcConnectionString);
        const WipeOnExit wiped(text);
        const SQLRETURN ret = SQLDriverConnectW(dbc_, nullptr, wide(text), static_cast<SQLSMALLINT>(text.size()),
                                                nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
        if (!succeeded(ret))
            throwDiagnostics(SQL_HANDLE_DBC, dbc_, "The connection to the server could not be opened.");
        connected_ = true;
    } catch (...) {
        freeHandles();
        throw;
    }
}

OdbcConnection::~OdbcConnection() { freeHandles(); }

void OdbcConnection::freeHandles() noexcept
{
    if (connected_) {
        if (!succeeded(SQLDisconnect(dbc_))) {
            // A driver may refuse to leave a manual-commit transaction open; drop it and go.
            SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
            SQLDisconnect(dbc_);
        }
        connected_ = false;
    }
    if (dbc_ != SQL_NULL_HDBC)
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    if (env_ != SQL_NULL_HENV)
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
    dbc_ = SQL_NULL_HDBC;
    env_ = SQL_NULL_HENV;
}

void OdbcConnection::setAutocommit(bool on)
{
    const SQLULEN value = on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF;
    if (!succeeded(SQLSetConnectAttrW(dbc_, SQL_ATTR_AUTOCOMMIT, integerAttribute(value), SQL_IS_UINTEGER)))
        throwDiagnostics(SQL_HANDLE_DBC, dbc_, "The transaction mode could not be changed.");
}

void OdbcConnection::endTransaction(bool commit)
{
    if (!succeeded(SQLEndTran(SQL_HANDLE_DBC, dbc_, commit ? SQL_COMMIT : SQL_ROLLBACK)))
        throwDiagnostics(SQL_HANDLE_DBC, dbc_, "The transaction could not be ended.");
}

void OdbcConnection::setCurrentCatalog(std::string_view database)
{
    std::u16string name = toUtf16(database);
    const auto bytes = static_cast<SQLINTEGER>(name.size() * sizeof(char16_t));
    if (!succeeded(SQLSetConnectAttrW(dbc_, SQL_ATTR_CURRENT_CATALOG, wide(name), bytes)))
        throwDiagnostics(SQL_HANDLE_DBC, dbc_, "The database could not be changed.");
}

std::string OdbcConnection::currentCatalog() const
{
    std::u16string name(256, u'\0');
    SQLINTEGER bytes = 0;
    auto capacity = static_cast<SQLINTEGER>(name.size() * sizeof(char16_t));
    SQLRETURN ret = SQLGetConnectAttrW(dbc_, SQL_ATTR_CURRENT_CATALOG, wide(name), capacity, &bytes);
    if (ret == SQL_SUCCESS_WITH_INFO && bytes >= capacity) {
        name.assign(static_cast<std::size_t>(bytes) / sizeof(char16_t) + 1, u'\0');
        capacity = static_cast<SQLINTEGER>(name.size() * sizeof(char16_t));
        ret = SQLGetConnectAttrW(dbc_, SQL_ATTR_CURRENT_CATALOG, wide(name), capacity, &bytes);
    }
    if (!succeeded(ret))
        throwDiagnostics(SQL_HANDLE_DBC, dbc_, "The current database could not be read.");
    name.resize(static_cast<std::size_t>(bytes) / sizeof(char16_t));
    return toUtf8(name);
}

}  // namespace db
