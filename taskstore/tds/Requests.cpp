#include "taskstore/tds/Requests.h"

#include "taskstore/tds/ByteReader.h"
#include "taskstore/tds/ProtocolError.h"
#include "taskstore/tds/Utf16.h"

namespace taskstore::tds {
namespace {

enum RequestType : std::uint16_t { Begin = 5, Commit = 7, Rollback = 8, Save = 9 };
constexpr std::uint8_t beginXactFlag = 0x01;
constexpr std::size_t headerPrefixSize = 6;  // HeaderLength(4) + HeaderType(2)

void skipName(ByteReader& reader) { reader.skip(reader.u8()); }

}  // namespace

std::size_t skipAllHeaders(std::span<const std::uint8_t> payload, TdsVersion version)
{
    if (!version.atLeast72())
        return 0;
    ByteReader reader(payload);
    const std::uint32_t total = reader.u32le();
    if (total < 4 || total > payload.size())
        throw ProtocolError("ALL_HEADERS length " + std::to_string(total) + " outside the request");
    while (reader.position() < total) {
        const std::size_t start = reader.position();
        const std::uint32_t length = reader.u32le();
        if (length < headerPrefixSize || length > total - start)
            throw ProtocolError("request header length " + std::to_string(length) + " outside ALL_HEADERS");
        reader.seek(start + length);
    }
    return total;
}

std::string decodeSqlBatch(std::span<const std::uint8_t> payload, TdsVersion version)
{
    return utf16leToUtf8(payload.subspan(skipAllHeaders(payload, version)));
}

TransactionRequest decodeTransactionRequest(std::span<const std::uint8_t> payload, TdsVersion version)
{
    ByteReader reader(payload);
    reader.seek(skipAllHeaders(payload, version));
    TransactionRequest request;
    const std::uint16_t type = reader.u16le();
    switch (type) {
    case Begin:
        request.kind = TransactionRequest::Kind::Begin;
        reader.u8();  // isolation level: the engine has one
        skipName(reader);
        break;
    case Commit:
    case Rollback:
        request.kind = type == Commit ? TransactionRequest::Kind::Commit : TransactionRequest::Kind::Rollback;
        skipName(reader);
        if (reader.remaining() > 0 && (reader.u8() & beginXactFlag)) {
            request.beginNew = true;
            reader.u8();
            skipName(reader);
        }
        break;
    case Save:
        request.kind = TransactionRequest::Kind::Save;
        skipName(reader);
        break;
    default: throw ProtocolError("unsupported transaction manager request " + std::to_string(type));
    }
    return request;
}

}  // namespace taskstore::tds
