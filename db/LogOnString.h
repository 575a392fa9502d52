#pragma once
// The tool's log-on as the OLE DB connection string it opens with: always SQL Server
// authentication, always opening on master.
#include <string>
#include <string_view>

namespace db {

// "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=<user>;PassWord = <password>;
// Initial Catalog=master;Data Source=<server>", every value byte for byte, except that a value
// which would change the meaning of the string (";", quotes, "=", blanks at either end, control
// characters) is enclosed in quotes so that the reader gets back exactly what was typed:
// readOleDbLogOn gives back server, user and password as typed.
std::string buildLogOnString(std::string_view server, std::string_view user, std::string_view password);

}  // namespace db
