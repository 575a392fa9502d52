#pragma once
// Which of Microsoft's ODBC drivers for SQL Server a Windows workstation has, and how each is told
// to encrypt only when the server insists.
#include <string>
#include <vector>

namespace db {

struct SqlServerDriver {
    std::string name;             // as registered, e.g. "ODBC Driver 18 for SQL Server"
    std::string encryptOptions;   // connection string options, each ending in ";"
};

// The newest of the known drivers among the installed ones: driver 18, then 17, then the "SQL
// Server" driver that comes with Windows. With none of them installed, driver 18, so that the
// driver manager's error names the driver to install.
SqlServerDriver chooseSqlServerDriver(const std::vector<std::string>& installedDrivers);

// The names of the ODBC drivers the driver manager knows. Throws rt::RuntimeError when it cannot
// be asked.
std::vector<std::string> installedOdbcDrivers();

}  // namespace db
