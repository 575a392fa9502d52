// libFuzzer entry: arbitrary client bytes through packet reassembly and every request decoder.
// Malformed input may only ever end in ProtocolError.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "taskstore/protocol/Login7.h"
#include "taskstore/protocol/MessageAssembler.h"
#include "taskstore/protocol/Prelogin.h"
#include "taskstore/protocol/ProtocolError.h"
#include "taskstore/protocol/Requests.h"

using namespace taskstore::tds;

namespace {

void decode(const Message& message)
{
    try {
        switch (message.type) {
        case PacketType::Prelogin:
            parsePrelogin(message.payload);
            break;
        case PacketType::Login7:
            decodeLogin7(message.payload);
            break;
        case PacketType::SqlBatch:
            decodeSqlBatch(message.payload);
            break;
        case PacketType::TransactionManager:
            decodeTransactionRequest(message.payload);
            break;
        default:
            break;
        }
    } catch (const ProtocolError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    // The same bytes as a stream of packets, and as bare payloads of each request kind.
    MessageAssembler assembler(1 << 20);
    std::vector<Message> messages;
    try {
        assembler.feed(bytes, messages);
    } catch (const ProtocolError&) {
    }
    for (const Message& message : messages)
        decode(message);
    for (PacketType type : {PacketType::Prelogin, PacketType::Login7, PacketType::SqlBatch, PacketType::TransactionManager}) {
        Message bare;
        bare.type = type;
        bare.payload.assign(bytes.begin(), bytes.end());
        decode(bare);
    }
    return 0;
}
