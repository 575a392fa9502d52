#include "taskstore/tds/MessageWriter.h"

#include <algorithm>
#include <cstring>

namespace taskstore::tds {
namespace {

// The buffer keeps room for this many packets; a larger one (a long value went out) is given back
// once its packets are handed out.
constexpr std::size_t keptCapacityPackets = 16;

}  // namespace

MessageWriter::MessageWriter(PacketOutput output, std::uint16_t spid, std::size_t packetSize)
    : output_(std::move(output)), spid_(spid), packetSize_(packetSize), nextPacketSize_(packetSize)
{
    buffer_.reserve(2 * packetSize);
    buffer_.resize(headerSize);
}

void MessageWriter::emit(std::size_t at, std::size_t payloadBytes, bool last, PacketType type)
{
    PacketHeader header;
    header.type = type;
    header.status = last ? status::endOfMessage : 0;
    header.length = static_cast<std::uint16_t>(headerSize + payloadBytes);
    header.spid = spid_;
    header.packetId = packetId_++;
    // The header goes over the last bytes of the packet before, which were handed out already, so
    // a long token leaves in packets without moving what follows.
    std::uint8_t* packet = buffer_.data() + at;
    encodeHeader(header, packet);
    if (!discard_ || !discard_->load(std::memory_order_relaxed))
        output_(std::span<const std::uint8_t>(packet, headerSize + payloadBytes));
}

void MessageWriter::handOut(bool endOfMessage, PacketType type)
{
    const std::size_t payloadMax = packetSize_ - headerSize;
    std::size_t at = 0;  // where the next packet's header goes
    while (buffer_.size() - at - headerSize > payloadMax) {
        emit(at, payloadMax, false, type);
        at += payloadMax;
    }
    if (endOfMessage) {
        emit(at, buffer_.size() - at - headerSize, true, type);
        at = buffer_.size() - headerSize;
    }
    // Keep the unsent tail (less than a packet) right behind the header room: one move per call.
    // A buffer grown for a long token is given back at once.
    const std::size_t tail = buffer_.size() - at - headerSize;
    if (buffer_.capacity() > keptCapacityPackets * packetSize_) {
        std::vector<std::uint8_t> smaller;
        smaller.reserve(2 * packetSize_);
        smaller.resize(headerSize);
        smaller.insert(smaller.end(), buffer_.end() - static_cast<std::ptrdiff_t>(tail), buffer_.end());
        buffer_.swap(smaller);
        return;
    }
    std::memmove(buffer_.data() + headerSize, buffer_.data() + at + headerSize, tail);
    buffer_.resize(headerSize + tail);
}

void MessageWriter::flushFullPackets() { handOut(false, PacketType::Reply); }

void MessageWriter::endMessage(PacketType type)
{
    handOut(true, type);
    packetId_ = 1;
    packetSize_ = nextPacketSize_;
}

void MessageWriter::setPacketSize(std::size_t packetSize)
{
    nextPacketSize_ = std::clamp(packetSize, minPacketSize, maxPacketSize);
}

}  // namespace taskstore::tds
