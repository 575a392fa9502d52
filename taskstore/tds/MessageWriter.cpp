#include "taskstore/tds/MessageWriter.h"

#include <algorithm>
#include <cstring>

namespace taskstore::tds {

MessageWriter::MessageWriter(PacketOutput output, std::uint16_t spid, std::size_t packetSize)
    : output_(std::move(output)), spid_(spid), packetSize_(packetSize), nextPacketSize_(packetSize)
{
    buffer_.reserve(2 * packetSize);
    buffer_.resize(headerSize);
}

void MessageWriter::emit(std::size_t payloadBytes, bool last, PacketType type)
{
    PacketHeader header;
    header.type = type;
    header.status = last ? status::endOfMessage : 0;
    header.length = static_cast<std::uint16_t>(headerSize + payloadBytes);
    header.spid = spid_;
    header.packetId = packetId_++;
    encodeHeader(header, buffer_.data());
    output_(std::span<const std::uint8_t>(buffer_.data(), headerSize + payloadBytes));
    // Keep the unsent tail right behind the header room; it is at most one token long.
    const std::size_t tail = buffer_.size() - headerSize - payloadBytes;
    std::memmove(buffer_.data() + headerSize, buffer_.data() + headerSize + payloadBytes, tail);
    buffer_.resize(headerSize + tail);
}

void MessageWriter::flushFullPackets()
{
    const std::size_t payloadMax = packetSize_ - headerSize;
    while (buffer_.size() - headerSize > payloadMax)
        emit(payloadMax, false);
}

void MessageWriter::endMessage(PacketType type)
{
    const std::size_t payloadMax = packetSize_ - headerSize;
    while (buffer_.size() - headerSize > payloadMax)
        emit(payloadMax, false, type);
    emit(buffer_.size() - headerSize, true, type);
    packetId_ = 1;
    packetSize_ = nextPacketSize_;
}

void MessageWriter::setPacketSize(std::size_t packetSize)
{
    nextPacketSize_ = std::clamp(packetSize, minPacketSize, maxPacketSize);
}

}  // namespace taskstore::tds
