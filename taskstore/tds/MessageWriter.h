#pragma once
// Builds a reply message and hands it out as packets of at most the negotiated size: packet ids
// 1, 2, 3... per message, the connection's SPID in every header, end-of-message only on the last.
// Full packets are handed out as soon as they exist, so a large result streams in constant memory,
// and each byte is moved at most once, so a long value goes out in time proportional to its size.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "taskstore/tds/ByteWriter.h"
#include "taskstore/tds/Packet.h"

namespace taskstore::tds {

class MessageWriter {
public:
    using PacketOutput = std::function<void(std::span<const std::uint8_t>)>;

    MessageWriter(PacketOutput output, std::uint16_t spid, std::size_t packetSize = loginPacketSize);
    MessageWriter(const MessageWriter&) = delete;
    MessageWriter& operator=(const MessageWriter&) = delete;

    // The writer tokens append to. Append only whole tokens between calls to flushFullPackets().
    ByteWriter& body() { return writer_; }

    // Hands out every full packet but keeps the tail, so the last packet can carry end-of-message.
    void flushFullPackets();
    // Hands out the rest with end-of-message; the next token starts a new message. TLS handshake
    // flights go out as PRELOGIN packets, everything else as replies.
    void endMessage(PacketType type = PacketType::Reply);
    // Takes effect from the next message.
    void setPacketSize(std::size_t packetSize);
    std::size_t packetSize() const { return packetSize_; }
    // While the flag is set, packets are dropped instead of handed out: nobody reads them any more.
    void setDiscardFlag(const std::atomic<bool>* discard) { discard_ = discard; }

private:
    // The packet whose header goes at buffer_[at] and whose payload follows it.
    void emit(std::size_t at, std::size_t payloadBytes, bool last, PacketType type);
    void handOut(bool endOfMessage, PacketType type);

    PacketOutput output_;
    std::uint16_t spid_;
    std::size_t packetSize_;
    std::size_t nextPacketSize_;
    std::uint8_t packetId_ = 1;
    const std::atomic<bool>* discard_ = nullptr;
    std::vector<std::uint8_t> buffer_;  // header room, then the payload not yet handed out
    ByteWriter writer_{buffer_};
};

}  // namespace taskstore::tds
