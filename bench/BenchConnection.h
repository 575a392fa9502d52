#pragma once
// Reads of the task list that the benchmark times as yardsticks: over the tool's shared connection,
// and over FreeTDS connections of the benchmark's own with options the tool does not use.
#include <string>

#include "db/OdbcConnection.h"

namespace bench {

// A FreeTDS connection of the benchmark's own to the task database on the port, SA with an empty
// password; `options` end in ";".
db::OdbcConnection benchConnection(int port, const std::string& options);

// The bare read of the list over the shared connection, already open; throws unless it saw every row.
double bareReadSeconds(long long rows);
// The same after a fresh log-on to the server, the log-on not counted.
double bareReadSeconds(const std::string& server, long long rows);
// The same over a connection of the benchmark's own that does not encrypt.
double clearReadSeconds(int port, long long rows);

}  // namespace bench
