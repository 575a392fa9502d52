#pragma once
// Conversions between the engine's UTF-8 and the wire's UTF-16LE.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace taskstore::tds {

// Decodes UTF-16LE bytes; throws ProtocolError on an odd byte count or an unpaired surrogate.
std::string utf16leToUtf8(std::span<const std::uint8_t> bytes);

// Appends the UTF-16LE form of utf8 to out and returns the number of 16-bit units written.
// Stops before a character that would exceed maxUnits. Invalid UTF-8 becomes U+FFFD.
std::size_t appendUtf16le(std::vector<std::uint8_t>& out, std::string_view utf8,
                          std::size_t maxUnits = static_cast<std::size_t>(-1));

}  // namespace taskstore::tds
