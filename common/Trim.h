#pragma once
// Cutting blanks off both ends of a piece of text. Which characters count as blanks differs by
// the reader (a connection string, a T-SQL conversion, a type name), so the caller names them.
#include <string_view>

namespace common {

// The characters std::isspace knows in the "C" locale.
inline constexpr std::string_view whiteSpace = " \t\n\v\f\r";

constexpr std::string_view trimmed(std::string_view text, std::string_view blanks)
{
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace common
