#pragma once
// Encoders of the reply tokens other than result sets; one function per token. Each appends one
// complete token to the writer.
#include <array>
#include <cstdint>
#include <string_view>

#include "taskstore/tds/ByteWriter.h"
#include "taskstore/engine/Engine.h"
#include "taskstore/tds/TdsVersion.h"

namespace taskstore::tds {

// Chinese_PRC_CI_AS (LCID 0x0804; case-, kana- and width-insensitive), used in ENVCHANGE and every
// text column.
inline constexpr std::array<std::uint8_t, 5> defaultCollation{0x04, 0x08, 0xD0, 0x00, 0x00};

enum class EnvChange : std::uint8_t {
    Database = 1,
    Language = 2,
    PacketSize = 4,
    Collation = 7,
    BeginTransaction = 8,
    CommitTransaction = 9,
    RollbackTransaction = 10,
    ResetConnection = 18,
};

// The DONE family: a batch statement, a procedure call, a statement inside a procedure.
enum class DoneToken : std::uint8_t { Done = 0xFD, DoneProc = 0xFE, DoneInProc = 0xFF };

namespace done {
inline constexpr std::uint16_t final = 0x0000;
inline constexpr std::uint16_t more = 0x0001;
inline constexpr std::uint16_t error = 0x0002;
inline constexpr std::uint16_t count = 0x0010;
inline constexpr std::uint16_t attention = 0x0020;
inline constexpr std::uint16_t rpcInBatch = 0x0080;
inline constexpr std::uint16_t serverError = 0x0100;
}  // namespace done

namespace curcmd {
inline constexpr std::uint16_t none = 0x0000;
inline constexpr std::uint16_t select = 0x00C1;
inline constexpr std::uint16_t insert = 0x00C3;
inline constexpr std::uint16_t remove = 0x00C4;
inline constexpr std::uint16_t update = 0x00C5;
inline constexpr std::uint16_t beginTransaction = 0x00D4;
inline constexpr std::uint16_t endTransaction = 0x00D5;
}  // namespace curcmd

struct ProgramVersion {
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    std::uint16_t build = 0;
};

// The version goes out in big-endian order.
void writeLoginAck(ByteWriter& out, TdsVersion tdsVersion, std::string_view programName, ProgramVersion version);
// ENVCHANGE types with text values: database, language, packet size.
void writeEnvChange(ByteWriter& out, EnvChange type, std::string_view newValue, std::string_view oldValue);
void writeCollationChange(ByteWriter& out);
// Begin carries the new descriptor; commit and rollback carry the old one. TDS 7.2 and later only.
void writeTransactionChange(ByteWriter& out, EnvChange type, std::uint64_t descriptor);
// ENVCHANGE 18: acknowledges a request that reset the connection.
void writeResetConnectionAck(ByteWriter& out);
// INFO for classes 0-10, ERROR above. procedureName is set for errors raised inside a procedure.
void writeMessage(ByteWriter& out, const SqlError& message, std::string_view serverName, TdsVersion version = tds74,
                  std::string_view procedureName = {});
void writeDone(ByteWriter& out, std::uint16_t status, std::uint16_t curCmd, std::uint64_t rowCount,
               TdsVersion version = tds74, DoneToken token = DoneToken::Done);
void writeReturnStatus(ByteWriter& out, std::int32_t status);

}  // namespace taskstore::tds
