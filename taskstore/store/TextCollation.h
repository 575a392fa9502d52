#pragma once
// The collation of every text column, Chinese_PRC_CI_AS as Chinese data meets it: letter case,
// character width (full- and half-width forms) and kana type (hiragana, katakana) are ignored,
// accents count, trailing blanks are ignored; Chinese characters sort in pinyin order as far as
// GB2312 gives it. Stored in the schema, so every connection that opens a database file must
// register it.
#include <sqlite3.h>

#include <string>
#include <string_view>

namespace taskstore::store {

inline constexpr const char* textCollationName = "TEXTCI";
// Raised whenever the collation's order changes: database files written under an older one
// have their indexes rebuilt when they are opened.
inline constexpr int textCollationVersion = 2;

// <0, 0 or >0 as a sorts before, equal to or after b under the collation.
int compareText(std::string_view a, std::string_view b);
// The code points of a text as the collation sees them (folded), trailing blanks kept.
std::u32string foldedCodePoints(std::string_view text);
// The folded code point at `pos` (below text.size()); moves `pos` past it. For scans that must
// not copy a long text.
char32_t nextFoldedCodePoint(std::string_view text, std::size_t& pos);
void registerTextCollation(sqlite3* db);

}  // namespace taskstore::store
