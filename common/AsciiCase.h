#pragma once
// Letter case of ASCII only, whatever the process's locale: keywords, option names, database and
// column names compare this way, and bytes of UTF-8 text must never be folded as Latin-1 letters.
#include <algorithm>
#include <string>
#include <string_view>

namespace common {

constexpr char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string asciiLower(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), [](char c) { return asciiLower(c); });
    return result;
}

inline std::string asciiUpper(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), [](char c) { return asciiUpper(c); });
    return result;
}

constexpr bool equalIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

}  // namespace common
