#pragma once
// Character strings to datetime as SQL Server reads them under us_english (DATEFORMAT mdy):
// ISO and ODBC canonical forms, unseparated digits, numeric dates with - / or ., month names,
// style 0's own output, times with AM/PM and milliseconds after '.' or ':', and '' for 1900-01-01.
#include <string>
#include <string_view>

namespace taskstore::sql {

// Returns the stored form. Throws SqlError 241 when the text is no date and time, 242 (naming
// `sourceTypeName`) when it is one outside datetime's range, impossible dates and times included.
std::string textToDateTime(std::string_view text, std::string_view sourceTypeName);

}  // namespace taskstore::sql
