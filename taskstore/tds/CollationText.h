#pragma once
// Single-byte text (varchar, char, text) as clients send it: in the code page of the collation
// that comes with the value, or UTF-8 when the collation says so.
#include <cstdint>
#include <span>
#include <string>

namespace taskstore::tds {

inline constexpr std::size_t collationSize = 5;

// The text as UTF-8. Bytes the code page does not define become U+FFFD.
std::string collationTextToUtf8(std::span<const std::uint8_t> bytes,
                                std::span<const std::uint8_t, collationSize> collation);

}  // namespace taskstore::tds
