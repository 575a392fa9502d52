#pragma once
// The one place where text changes between UTF-8 (everywhere in the tool) and UTF-16 (the wide
// ODBC calls). Malformed input becomes U+FFFD instead of being dropped or passed on half-read.
#include <string>
#include <string_view>

#include "db/ReallocBuffer.h"

namespace db {

std::u16string toUtf16(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);

// Appends the UTF-8 form of utf16 to out; used by the result reader to avoid a temporary per cell.
void appendUtf8(std::string& out, std::u16string_view utf16);
void appendUtf8(ReallocBuffer<char>& out, std::u16string_view utf16);

}  // namespace db
