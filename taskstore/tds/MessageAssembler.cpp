#include "taskstore/tds/MessageAssembler.h"

#include <algorithm>
#include <string>

#include "common/Wipe.h"
#include "taskstore/tds/ProtocolError.h"

namespace taskstore::tds {
namespace {

constexpr std::size_t uncountedMessageBytes = 64 * 1024;

}  // namespace

MessageAssembler::MessageAssembler(std::size_t maxMessageSize) : maxMessageSize_(maxMessageSize)
{
    packet_.reserve(loginPacketSize);
}

void MessageAssembler::feed(std::span<const std::uint8_t> bytes, std::vector<Message>& out)
{
    while (!bytes.empty()) {
        std::size_t wanted = headerSize;
        if (packet_.size() >= headerSize)
            wanted = decodeHeader(packet_.data()).length;
        const std::size_t take = std::min(wanted - packet_.size(), bytes.size());
        packet_.insert(packet_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
        bytes = bytes.subspan(take);
        if (packet_.size() == headerSize)
            decodeHeader(packet_.data());  // validates the length before the body is awaited
        if (packet_.size() >= headerSize && packet_.size() == decodeHeader(packet_.data()).length)
            completePacket(out);
    }
}

void MessageAssembler::completePacket(std::vector<Message>& out)
{
    const PacketHeader header = decodeHeader(packet_.data());
    if (inMessage_ && header.type != current_.type) {
        // A cancel may interrupt a request the client was still sending.
        if (header.type != PacketType::Attention)
            throw ProtocolError("packet of type " + std::to_string(static_cast<int>(header.type))
                                + " inside a message of type " + std::to_string(static_cast<int>(current_.type)));
        current_ = Message{};
        inMessage_ = false;
        refusing_ = false;
    }
    if (!inMessage_) {
        current_.type = header.type;
        current_.status = header.status;
        current_.payload.clear();
        if (holdsSecrets_)
            current_.payload.reserve(maxMessageSize_);
        inMessage_ = true;
    }
    if (current_.payload.size() + (packet_.size() - headerSize) > maxMessageSize_)
        throw ProtocolError("request larger than " + std::to_string(maxMessageSize_) + " bytes");
    reserve(packet_.size() - headerSize);
    if (!refusing_)
        current_.payload.insert(current_.payload.end(), packet_.begin() + headerSize, packet_.end());
    if (holdsSecrets_)
        common::wipe(packet_);
    packet_.clear();

    if (header.status & status::endOfMessage) {
        if (header.status & status::ignore) {
            current_.ignored = true;
            current_.payload.clear();
        }
        current_.refused = refusing_ && !current_.ignored;
        out.push_back(std::move(current_));
        current_ = Message{};
        inMessage_ = false;
        refusing_ = false;
    }
}

void MessageAssembler::reserve(std::size_t more)
{
    auto& payload = current_.payload;
    if (refusing_ || !newCharge_ || payload.size() + more <= payload.capacity())
        return;
    // Doubling keeps the copies linear; the charge comes first, so a refused message never grew.
    // Short requests are not charged, so that they get through while long ones fill the budget.
    const std::size_t room = std::max({2 * payload.capacity(), payload.size() + more, uncountedMessageBytes});
    if (room == uncountedMessageBytes) {
        payload.reserve(room);
        return;
    }
    if (!current_.charge.ok())
        current_.charge = newCharge_();
    if (current_.charge.growTo(room)) {
        payload.reserve(room);
        return;
    }
    refusing_ = true;
    payload = {};
    current_.charge.release();
}

}  // namespace taskstore::tds
