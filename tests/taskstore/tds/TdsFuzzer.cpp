// libFuzzer entry: arbitrary client bytes through packet reassembly and every request decoder,
// at TDS 7.4 and 7.1, and through the TLS record framing of a login-only LOGIN7. Malformed input
// may only ever end in ProtocolError, or SqlError for what the session answers and survives (a
// parameter type the server cannot read, too many parameters). The parameter lists the calls carry
// are the T-SQL parser's, fuzzed with it.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "taskstore/tds/Login7.h"
#include "taskstore/tds/MessageAssembler.h"
#include "taskstore/tds/Prelogin.h"
#include "taskstore/tds/ProtocolError.h"
#include "taskstore/tds/Requests.h"
#include "taskstore/tds/RpcRequest.h"
#include "taskstore/tds/TlsRecord.h"

using namespace taskstore::tds;

namespace {

// Walks the bytes record by record, as the server does for a login-only LOGIN7.
void frameRecords(std::span<const std::uint8_t> bytes)
{
    while (const std::size_t length = tlsRecordLength(bytes))
        bytes = bytes.subspan(length);
}

void decode(const Message& message, TdsVersion version)
{
    try {
        switch (message.type) {
        case PacketType::Prelogin: parsePrelogin(message.payload); break;
        case PacketType::Login7: decodeLogin7(message.payload); break;
        case PacketType::SqlBatch: decodeSqlBatch(message.payload, version); break;
        case PacketType::TransactionManager: decodeTransactionRequest(message.payload, version); break;
        case PacketType::Rpc: decodeRpcRequest(message.payload, version); break;
        default: break;
        }
    } catch (const ProtocolError&) {
    } catch (const taskstore::SqlError&) {  // past the parameter or call limits, a type not read, a bad date
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
    } catch (const ProtocolError&) {}
    for (const Message& message : messages)
        decode(message, tds74);
    for (PacketType type : {PacketType::Prelogin, PacketType::Login7, PacketType::SqlBatch,
                            PacketType::TransactionManager, PacketType::Rpc}) {
        Message bare;
        bare.type = type;
        bare.payload.assign(bytes.begin(), bytes.end());
        decode(bare, tds74);
        decode(bare, tds71);
    }
    try {
        frameRecords(bytes);
    } catch (const ProtocolError&) {}
    return 0;
}
