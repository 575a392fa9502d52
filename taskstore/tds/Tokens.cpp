#include "taskstore/tds/Tokens.h"

#include <algorithm>

namespace taskstore::tds {
namespace {

enum Token : std::uint8_t { ReturnStatus = 0x79, Error = 0xAA, Info = 0xAB, LoginAck = 0xAD, EnvChangeToken = 0xE3 };
constexpr std::uint8_t interfaceTransactSql = 1;
constexpr int maxInfoClass = 10;
// SQL Server's longest message text. Errors quote client text of any length, and the token's
// two-byte length must cover the whole token, so longer text is cut here.
constexpr std::size_t maxMessageUnits = 2047;

// An ENVCHANGE token: its length covers the type and the new and old values writeValues appends.
void envChangeToken(ByteWriter& out, EnvChange type, const auto& writeValues)
{
    out.u8(EnvChangeToken);
    LengthPrefix<std::uint16_t> length(out);
    out.u8(static_cast<std::uint8_t>(type));
    writeValues();
}

}  // namespace

void writeLoginAck(ByteWriter& out, TdsVersion tdsVersion, std::string_view programName, ProgramVersion version)
{
    out.u8(LoginAck);
    LengthPrefix<std::uint16_t> length(out);
    out.u8(interfaceTransactSql);
    out.u8(static_cast<std::uint8_t>(tdsVersion.value >> 24));
    out.u8(static_cast<std::uint8_t>(tdsVersion.value >> 16));
    out.u8(static_cast<std::uint8_t>(tdsVersion.value >> 8));
    out.u8(static_cast<std::uint8_t>(tdsVersion.value));
    out.bVarchar(programName);
    out.u8(version.major);
    out.u8(version.minor);
    out.u16be(version.build);
}

void writeEnvChange(ByteWriter& out, EnvChange type, std::string_view newValue, std::string_view oldValue)
{
    envChangeToken(out, type, [&] {
        out.bVarchar(newValue);
        out.bVarchar(oldValue);
    });
}

void writeCollationChange(ByteWriter& out)
{
    envChangeToken(out, EnvChange::Collation, [&] {
        out.u8(static_cast<std::uint8_t>(defaultCollation.size()));
        out.bytes(defaultCollation);
        out.u8(0);
    });
}

void writeTransactionChange(ByteWriter& out, EnvChange type, std::uint64_t descriptor)
{
    const auto descriptorValue = [&] {
        out.u8(8);
        out.u64le(descriptor);
    };
    envChangeToken(out, type, [&] {
        if (type == EnvChange::BeginTransaction) {
            descriptorValue();
            out.u8(0);
        } else {
            out.u8(0);
            descriptorValue();
        }
    });
}

void writeResetConnectionAck(ByteWriter& out)
{
    envChangeToken(out, EnvChange::ResetConnection, [&] {
        out.u8(0);
        out.u8(0);
    });
}

void writeMessage(ByteWriter& out, const SqlError& message, std::string_view serverName, TdsVersion version,
                  std::string_view procedureName)
{
    out.u8(message.severity <= maxInfoClass ? Info : Error);
    LengthPrefix<std::uint16_t> length(out);
    out.u32le(static_cast<std::uint32_t>(message.number));
    out.u8(static_cast<std::uint8_t>(message.state));
    out.u8(static_cast<std::uint8_t>(message.severity));
    out.usVarchar(message.message, maxMessageUnits);
    out.bVarchar(serverName);
    out.bVarchar(procedureName);
    if (version.atLeast72())
        out.u32le(static_cast<std::uint32_t>(message.line));
    else
        out.u16le(static_cast<std::uint16_t>(message.line));
}

void writeDone(ByteWriter& out, std::uint16_t status, std::uint16_t curCmd, std::uint64_t rowCount, TdsVersion version,
               DoneToken token)
{
    out.u8(static_cast<std::uint8_t>(token));
    out.u16le(status);
    out.u16le(curCmd);
    if (version.atLeast72())
        out.u64le(rowCount);
    else
        out.u32le(static_cast<std::uint32_t>(std::min<std::uint64_t>(rowCount, 0xFFFFFFFF)));
}

void writeReturnStatus(ByteWriter& out, std::int32_t status)
{
    out.u8(ReturnStatus);
    out.u32le(static_cast<std::uint32_t>(status));
}

}  // namespace taskstore::tds
