#pragma once
// Writes a log-on as the connection string the ODBC driver for SQL Server reads.
#include <string>
#include <string_view>

#include "db/LogOn.h"

namespace db {

// The ODBC connection string: driver, server, database, credentials, protocol options, closing
// ";". Each value is quoted once, here. On Windows the server name goes to Microsoft's driver as
// typed (trimmed); elsewhere it is translated into FreeTDS's host and port. Either way a name
// that parseDataSource refuses is refused. Throws runtime::RuntimeError for that and for a user name
// or password over SQL Server's 128 characters. The result holds the password: wipe it.
std::string toOdbcConnectionString(const LogOn& logOn);

// A value written so that the driver reads it back exactly, whatever characters it holds.
// Throws runtime::RuntimeError for the values the FreeTDS 1.3 driver cannot read back: those that
// contain "}" and ";" together with "};" among them.
std::string odbcValue(std::string_view value);

}  // namespace db
