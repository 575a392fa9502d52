#include "db/SqlServerDriver.h"

#include <algorithm>
#include <array>

#include "db/OdbcApi.h"
#include "db/OdbcDiagnostics.h"
#include "db/Utf16.h"
#include "runtime/RuntimeError.h"

namespace db {

std::optional<SqlServerDriver> chooseSqlServerDriver(const std::vector<std::string>& installedDrivers)
{
    // Encryption is demanded, so a server that cannot encrypt, or a relay that answers for it, fails
    // the log-on. The certificate is trusted unchecked: SQL Server's own self-signed certificate
    // cannot be checked, and a log-on that fails on it would leave no way to log on at all.
    // "Mandatory" is 18's word for 17's "yes"; "Strict" (TDS 8.0) would need a checkable certificate.
    static const std::array<SqlServerDriver, 2> preferred = {{
        {"ODBC Driver 18 for SQL Server", "Encrypt=Mandatory;TrustServerCertificate=yes;"},
        {"ODBC Driver 17 for SQL Server", "Encrypt=yes;TrustServerCertificate=yes;"},
    }};
    for (const SqlServerDriver& driver : preferred) {
        if (std::find(installedDrivers.begin(), installedDrivers.end(), driver.name) != installedDrivers.end())
            return driver;
    }
    return std::nullopt;
}

std::vector<std::string> installedOdbcDrivers()
{
    SQLHENV env = SQL_NULL_HENV;
    if (!succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        throw runtime::RuntimeError(runtime::ErrorNumber::OutOfMemory, "The ODBC environment could not be created.");
    std::vector<std::string> names;
    try {
        if (!succeeded(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)))
            throwDiagnostics(SQL_HANDLE_ENV, env, "The ODBC environment does not support ODBC 3.");
        std::u16string name(256, u'\0');
        SQLUSMALLINT direction = SQL_FETCH_FIRST;
        for (;;) {
            SQLSMALLINT length = 0;
            SQLSMALLINT attributesLength = 0;
            const SQLRETURN ret = SQLDriversW(env, direction, wide(name), static_cast<SQLSMALLINT>(name.size()),
                                              &length, nullptr, 0, &attributesLength);
            if (ret == SQL_NO_DATA)
                break;
            if (!succeeded(ret))
                throwDiagnostics(SQL_HANDLE_ENV, env, "The installed ODBC drivers could not be listed.");
            const auto shown =
                std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)), name.size() - 1);
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
