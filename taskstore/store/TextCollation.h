#pragma once
// The collation of every text column: SQL Server's usual case-, width- and trailing-blank-
// insensitive comparison (so 'ab' = 'AB ' = 'ａｂ'). Stored in the schema, so every connection
// that opens a database file must register it.
#include <sqlite3.h>

#include <string>
#include <string_view>

namespace taskstore::store {

inline constexpr const char* textCollationName = "TEXTCI";

// <0, 0 or >0 as a sorts before, equal to or after b under the collation.
int compareText(std::string_view a, std::string_view b);
// The code points of a text as the collation sees them (folded), trailing blanks kept.
std::u32string foldedCodePoints(std::string_view text);
void registerTextCollation(sqlite3* db);

}  // namespace taskstore::store
