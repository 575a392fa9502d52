#pragma once
// TDS packet header layout and the packet types and status bits this server uses.
#include <cstddef>
#include <cstdint>

namespace taskstore::tds {

enum class PacketType : std::uint8_t {
    SqlBatch = 1,
    PreTds7Login = 2,
    Rpc = 3,
    Reply = 4,
    Attention = 6,
    BulkLoad = 7,
    TransactionManager = 14,
    Login7 = 16,
    Sspi = 17,
    Prelogin = 18,
};

namespace status {
inline constexpr std::uint8_t endOfMessage = 0x01;
inline constexpr std::uint8_t ignore = 0x02;
inline constexpr std::uint8_t resetConnection = 0x08;
inline constexpr std::uint8_t resetConnectionSkipTran = 0x10;
}  // namespace status

inline constexpr std::size_t headerSize = 8;
// Until the login is complete every packet stays within the size all clients can read.
inline constexpr std::size_t loginPacketSize = 4096;
inline constexpr std::size_t minPacketSize = 512;
inline constexpr std::size_t maxPacketSize = 32767;

struct PacketHeader {
    PacketType type{};
    std::uint8_t status = 0;
    std::uint16_t length = 0;  // whole packet, header included
    std::uint16_t spid = 0;
    std::uint8_t packetId = 0;
};

// Reads a header from 8 bytes; throws ProtocolError when the length is below the header size.
PacketHeader decodeHeader(const std::uint8_t* bytes);
void encodeHeader(const PacketHeader& header, std::uint8_t* bytes);

}  // namespace taskstore::tds
