#pragma once
// The tool's log-on: always SQL Server authentication, always opening on master. Typed for the
// tool itself, and as the OLE DB connection string for callers of the ADO-shaped Open.
#include <string>
#include <string_view>

#include "db/LogOn.h"

namespace db {

// Server, user and password as typed, database master, the default time-out.
LogOn masterLogOn(std::string_view server, std::string_view user, std::string_view password);

// "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=<user>;PassWord = <password>;
// Initial Catalog=master;Data Source=<server>", every value byte for byte, except that a value
// which would change the meaning of the string (";", quotes, "=", blanks at either end, control
// characters) is enclosed in quotes so that the reader gets back exactly what was typed:
// readOleDbLogOn gives back masterLogOn's log-on.
std::string buildLogOnString(std::string_view server, std::string_view user, std::string_view password);

}  // namespace db
