#pragma once
// The log-on an OLE DB connection string describes, read once with the keywords ADO knows.
#include <string_view>

#include "db/LogOn.h"

namespace db {

// Reads the string (OleDbConnectionString's rules) and takes, for each field, the first keyword
// of its list that the string holds: Address, Addr, Network Address, Data Source, Server;
// User ID, UID; Password, PWD; Initial Catalog, Database; Connect Timeout, Timeout. Other
// keywords (Provider, Persist Security Info) are ignored. Throws runtime::RuntimeError for a malformed
// string and for a time-out that is not a number of seconds.
LogOn readOleDbLogOn(std::string_view connectionString);

}  // namespace db
