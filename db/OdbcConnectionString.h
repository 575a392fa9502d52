#pragma once
// Writes a log-on as the connection string the ODBC driver for SQL Server reads.
#include <optional>
#include <string>
#include <string_view>

#include "db/LogOn.h"

namespace db {

// A Data Source as SQL Server clients read it: [tcp:]host[\instance][,port].
struct ServerAddress {
    std::string host;         // "(local)", ".", "localhost" and empty become 127.0.0.1
    std::string instance;     // empty for the default instance
    std::optional<int> port;  // 1433 for the default instance when not given
};

// Throws runtime::RuntimeError when the port after the comma is not a TCP port number, or the host or
// instance holds what no server name holds (blanks, control characters, ",;={}'\"").
ServerAddress parseDataSource(std::string_view dataSource);

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
