#pragma once
// The tool's log-on in the OLE DB connection string format: written as the tool opens with it, and
// read back once with the keywords ADO knows.
#include <string>
#include <string_view>

#include "db/LogOn.h"

namespace db {

// The tool's log-on, always SQL Server authentication, always opening on master:
// "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=<user>;PassWord = <password>;
// Initial Catalog=master;Data Source=<server>", every value byte for byte, except that a value
// which would change the meaning of the string (";", quotes, "=", blanks at either end, control
// characters) is enclosed in quotes so that the reader gets back exactly what was typed:
// readOleDbLogOn gives back server, user and password as typed.
std::string buildLogOnString(std::string_view server, std::string_view user, std::string_view password);

// Reads the string (OleDbConnectionString's rules) and takes, for each field, the first keyword
// of its list that the string holds: Address, Addr, Network Address, Data Source, Server;
// User ID, UID; Password, PWD; Initial Catalog, Database; Connect Timeout, Timeout. Other
// keywords (Provider, Persist Security Info) are ignored. Throws runtime::RuntimeError for a malformed
// string and for a time-out that is not a number of seconds.
LogOn readOleDbLogOn(std::string_view connectionString);

}  // namespace db
