#include "db/SqlServerDriver.h"

#include <algorithm>
#include <array>

#include "db/OdbcApi.h"
#include "db/OdbcDiagnostics.h"
#include "db/Utf16.h"
#include "runtime/RuntimeError.h"

namespace db {

SqlServerDriver chooseSqlServerDriver(const std::vector<std::string>& installedDrivers)
{
    // Driver 18 encrypts and checks the certificate by default, 17 and the system driver encrypt
    // when the server forces it; "Optional" is 18's word for 17's "no".
    static const std::array<SqlServerDriver, 3> preferred = {{
        {"ODBC Driver 18 for SQL Server", "Encrypt=Optional;"},
        {"ODBC Driver 17 for SQL Server", "Encrypt=no;"},
        {"SQL Server", ""},
    }};
    for (const SqlServerDriver& driver : preferred) {
        if (std::find(installedDrivers.begin(), installedDrivers.end(), driver.name) != installedDrivers.end())
            return driver;
    }
    return preferred.front();
}

std::vector<std::string> installedOdbcDrivers()
{
    SQLHENV env = SQL_NULL_HENV;
    if (!succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        throw rt::RuntimeError(rt::ErrorNumber::OutOfMemory, "The ODBC environment could not be created.");
    std::vector<std::string> names;
    try {
        if (!succeeded(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)))
            throwDiagnostics(SQL_HANDLE_ENV, env, "The ODBC environment does not support ODBC 3.");
        std::u16string name(256, u'\0');
        SQLUSMALLINT direction = SQL_FETCH_FIRST;
        for (;;) {
            SQLSMALLINT length = 0;
            SQLSMALLINT attributesLength = 0;
            const SQLRETURN ret = SQLDriversW(env, direction, wide(name), static_cast<SQLSMALLINT>(name.size()), &length,
                                              nullptr, 0, &attributesLength);
            if (ret == SQL_NO_DATA)
                break;
            if (!succeeded(ret))
                throwDiagnostics(SQL_HANDLE_ENV, env, "The installed ODBC drivers could not be listed.");
            const auto shown = std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)), name.size() - 1);
            names.push_back(toUtf8(std::u16string_view(name).substr(0, shown)));
            direction = SQL_FETCH_NEXT;
        }
    } catch (...) {
        SQLFreeHandle(SQL_HANDLE_ENV, env);
        throw;
    }
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return names;
}

}  // namespace db
