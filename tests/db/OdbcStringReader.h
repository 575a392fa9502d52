#pragma once
// Reads an ODBC connection string the way the FreeTDS 1.3 driver does: "key=value;" pairs, a value
// that starts with "{" runs to the first "};". Keys in lower case; a repeated key is kept twice.
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace reliability {

std::optional<std::multimap<std::string, std::string>> readOdbcString(std::string_view text);

}  // namespace reliability
