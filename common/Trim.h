#pragma once
// Cutting blanks off both ends of a piece of text. Which characters count as blanks differs by
// the reader (a connection string, a T-SQL conversion, a type name), so the caller names them.
#include <string_view>

namespace common {

// The characters std::isspace knows in the "C" locale.
inline constexpr std::string_view whiteSpace = " \t\n\v\f\r";

// Written as plain loops over the few blanks, not the library's searches, which call out for
// every character tried: a conversion trims every row it reads (convert(int, TaskState)).
constexpr std::string_view trimmed(std::string_view text, std::string_view blanks)
{
    const auto blank = [blanks](char c) {
        for (const char b : blanks)
            if (b == c)
                return true;
        return false;
    };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

}  // namespace common
