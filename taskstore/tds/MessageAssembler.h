#pragma once
// Turns the byte stream from a client into whole messages: packets are collected up to the one
// with end-of-message, whatever the boundaries of the reads that delivered them.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "taskstore/engine/MemoryBudget.h"
#include "taskstore/tds/Packet.h"

namespace taskstore::tds {

struct Message {
    PacketType type{};
    std::uint8_t status = 0;  // status of the first packet (reset-connection bits live there)
    bool ignored = false;     // the client abandoned it (IGNORE bit); payload is empty
    bool refused = false;     // it did not fit the memory budget (refuseCurrent()); payload is empty
    std::vector<std::uint8_t> payload;
    MemoryCharge charge;  // the budget its payload takes until it is answered
};

class MessageAssembler {
public:
    // Messages longer than maxMessageSize are refused instead of growing without bound.
    explicit MessageAssembler(std::size_t maxMessageSize = 64u << 20);

    // Consumes bytes and appends every message they complete to out. Throws ProtocolError on a
    // malformed header, a type change inside a message or an oversized message.
    void feed(std::span<const std::uint8_t> bytes, std::vector<Message>& out);

    void setMaxMessageSize(std::size_t size) { maxMessageSize_ = size; }
    // True while part of a message (or of a packet) has arrived.
    bool midMessage() const { return !packet_.empty() || inMessage_; }
    // Bytes held for the message still arriving.
    std::size_t pendingBytes() const { return packet_.size() + current_.payload.size(); }
    // Drops what arrived of the current message and the rest of it as it comes; it is then
    // delivered empty and marked refused, so its sender can be answered.
    void refuseCurrent();

private:
    void completePacket(std::vector<Message>& out);

    std::size_t maxMessageSize_;
    std::vector<std::uint8_t> packet_;  // the packet being received, header first
    Message current_;
    bool inMessage_ = false;
    bool refusing_ = false;
};

}  // namespace taskstore::tds
