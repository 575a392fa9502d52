#pragma once
// datetime written as CONVERT writes it into a character string, in each of SQL Server's styles,
// and which styles read text as taskstore reads it.
#include <string>
#include <string_view>

namespace taskstore::sql {

// `stored` is the engine's form of a datetime. Throws SqlError 281 for a style SQL Server does not
// have, 50000 for the Hijri styles 130 and 131.
std::string dateTimeText(std::string_view stored, int style);

// Throws SqlError 50000 when text converted to datetime in `style` would be read other than
// us_english reads it (the day-first and year-first styles).
void requireReadableDateStyle(int style);

}  // namespace taskstore::sql
