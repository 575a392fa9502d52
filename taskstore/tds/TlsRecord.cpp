#include "taskstore/tds/TlsRecord.h"

#include <string>

#include "taskstore/tds/ProtocolError.h"

namespace taskstore::tds {
namespace {

constexpr std::size_t recordHeaderSize = 5;
constexpr std::uint8_t firstContentType = 0x14;      // change_cipher_spec; 0x15 alert, 0x16 handshake
constexpr std::size_t maxRecordBody = 16384 + 2048;  // the largest ciphertext TLS 1.2 allows

}  // namespace

std::size_t tlsRecordLength(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return 0;
    if (bytes[0] < firstContentType || bytes[0] > tlsApplicationData)
        throw ProtocolError("byte " + std::to_string(bytes[0]) + " where a TLS record was expected");
    if (bytes.size() < recordHeaderSize)
        return 0;
    if (bytes[1] != 3)
        throw ProtocolError("TLS record of version " + std::to_string(bytes[1]) + "." + std::to_string(bytes[2]));
    const std::size_t body = static_cast<std::size_t>(bytes[3]) << 8 | bytes[4];
    if (body > maxRecordBody)
        throw ProtocolError("TLS record of " + std::to_string(body) + " bytes");
    return bytes.size() >= recordHeaderSize + body ? recordHeaderSize + body : 0;
}

}  // namespace taskstore::tds
