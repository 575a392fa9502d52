#pragma once
// TLS record framing, enough to take the records of a TLS stream one at a time: after a
// login-only handshake the LOGIN7 arrives in records and everything behind it in the clear.
#include <cstddef>
#include <cstdint>
#include <span>

namespace taskstore::tds {

inline constexpr std::uint8_t tlsApplicationData = 0x17;

// The length of the whole record at the start of bytes, or 0 while its header or body is still
// incomplete. Throws ProtocolError when the bytes do not start a TLS record.
std::size_t tlsRecordLength(std::span<const std::uint8_t> bytes);

}  // namespace taskstore::tds
