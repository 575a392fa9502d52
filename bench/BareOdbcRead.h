#pragma once
// The yardstick for the tool's refresh: the list query read over an open connection with nothing
// but ODBC calls (bound columns, block fetches), every row thrown away.
#include <cstddef>

namespace db {
class Connection;
}

namespace bench {

// Runs the task list query on the connection and returns the number of rows read.
std::size_t readListBare(db::Connection& connection);

}  // namespace bench
