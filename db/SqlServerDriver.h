#pragma once
// Which of Microsoft's ODBC drivers for SQL Server a Windows workstation has, and how each is told
// to encrypt the whole session.
#include <optional>
#include <string>
#include <vector>

namespace db {

struct SqlServerDriver {
    std::string name;            // as registered, e.g. "ODBC Driver 18 for SQL Server"
    std::string encryptOptions;  // connection string options, each ending in ";"
};

// The newest of the drivers that can encrypt every session: driver 18, then 17. None when
// neither is installed: the "SQL Server" driver that comes with Windows has no way to encrypt
// against a server's self-signed certificate, so it is never used.
std::optional<SqlServerDriver> chooseSqlServerDriver(const std::vector<std::string>& installedDrivers);

// The names of the ODBC drivers the driver manager knows. Throws runtime::RuntimeError when it cannot
// be asked.
std::vector<std::string> installedOdbcDrivers();

}  // namespace db
