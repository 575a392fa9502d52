#pragma once
// The yardstick for the tool's refresh: the list query read over an open connection with nothing
// but ODBC calls (bound columns, block fetches), every row thrown away.
#include <cstddef>

namespace db {
class Connection;
class OdbcConnection;
}  // namespace db

namespace bench {

// Runs the task list query on the connection and returns the number of rows read.
std::size_t readListBare(db::Connection& connection);
// The same on an ODBC connection of the caller's own, e.g. one that does not encrypt.
std::size_t readListBare(db::OdbcConnection& connection, int commandTimeoutSeconds);

}  // namespace bench
