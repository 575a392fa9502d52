#include "taskstore/tds/Packet.h"

#include "taskstore/tds/ProtocolError.h"

namespace taskstore::tds {

PacketHeader decodeHeader(const std::uint8_t* bytes)
{
    PacketHeader header;
    header.type = static_cast<PacketType>(bytes[0]);
    header.status = bytes[1];
    header.length = static_cast<std::uint16_t>(bytes[2] << 8 | bytes[3]);
    header.spid = static_cast<std::uint16_t>(bytes[4] << 8 | bytes[5]);
    header.packetId = bytes[6];
    if (header.length < headerSize)
        throw ProtocolError("packet length " + std::to_string(header.length) + " is shorter than its header");
    return header;
}

void encodeHeader(const PacketHeader& header, std::uint8_t* bytes)
{
    bytes[0] = static_cast<std::uint8_t>(header.type);
    bytes[1] = header.status;
    bytes[2] = static_cast<std::uint8_t>(header.length >> 8);
    bytes[3] = static_cast<std::uint8_t>(header.length);
    bytes[4] = static_cast<std::uint8_t>(header.spid >> 8);
    bytes[5] = static_cast<std::uint8_t>(header.spid);
    bytes[6] = header.packetId;
    bytes[7] = 0;
}

}  // namespace taskstore::tds
