#pragma once
// Byte helpers for the protocol tests: hex literals and subsequence search.
#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tdstest {

// "04 01 00 2B" -> bytes; spaces are ignored.
inline std::vector<std::uint8_t> hex(std::string_view text)
{
    std::vector<std::uint8_t> out;
    int high = -1;
    for (char c : text) {
        int v = -1;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        if (v < 0)
            continue;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<std::uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    return out;
}

// UTF-16LE bytes of an ASCII string.
inline std::vector<std::uint8_t> ucs2(std::string_view ascii)
{
    std::vector<std::uint8_t> out;
    for (char c : ascii) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(0);
    }
    return out;
}

inline std::vector<std::uint8_t> concat(std::initializer_list<std::vector<std::uint8_t>> parts)
{
    std::vector<std::uint8_t> out;
    for (const auto& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

inline bool contains(std::span<const std::uint8_t> haystack, std::span<const std::uint8_t> needle)
{
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

// ALL_HEADERS with a transaction descriptor of 0 and one outstanding request: no open transaction.
inline const std::vector<std::uint8_t> noTransactionHeaders =
    hex("16 00 00 00 12 00 00 00 02 00 00 00 00 00 00 00 00 00 01 00 00 00");

}  // namespace tdstest
