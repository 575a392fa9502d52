#pragma once
// Turns the byte stream from a client into whole messages: packets are collected up to the one
// with end-of-message, whatever the boundaries of the reads that delivered them.
#include <cstddef>
#include <cstdint>
#include <functional>
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
    // While set (before the log-on: a LOGIN7 holds the password) a message's buffer is made as
    // large as a message may be before it fills, and a packet's bytes are wiped once they were
    // taken, so that no copy is left behind in memory given back.
    void setHoldsSecrets(bool holdsSecrets) { holdsSecrets_ = holdsSecrets; }
    // True while part of a message (or of a packet) has arrived.
    bool midMessage() const { return !packet_.empty() || inMessage_; }
    // From now on each message takes the room its payload grows to from a charge made by
    // `newCharge` before it grows; one that cannot is dropped as it arrives and delivered empty,
    // marked refused, so that its sender can be answered.
    void chargeMessagesTo(std::function<MemoryCharge()> newCharge) { newCharge_ = std::move(newCharge); }

private:
    void completePacket(std::vector<Message>& out);
    // Makes room for `more` payload bytes, or refuses the message when the budget has none.
    void reserve(std::size_t more);

    std::size_t maxMessageSize_;
    std::vector<std::uint8_t> packet_;  // the packet being received, header first
    Message current_;
    bool inMessage_ = false;
    bool holdsSecrets_ = false;
    bool refusing_ = false;
    std::function<MemoryCharge()> newCharge_;
};

}  // namespace taskstore::tds
