#include "taskstore/protocol/Login7.h"

#include <vector>

#include "taskstore/protocol/ByteReader.h"
#include "taskstore/protocol/ProtocolError.h"
#include "taskstore/protocol/Utf16.h"

namespace taskstore::tds {
namespace {

constexpr std::size_t fixedPartSize = 94;
constexpr std::uint8_t integratedSecurityFlag = 0x80;

struct Field {
    std::uint16_t offset;
    std::uint16_t count;
};

Field readField(ByteReader& reader)
{
    const std::uint16_t offset = reader.u16le();
    return {offset, reader.u16le()};
}

// The record's bytes [offset, offset + byteCount), checked against the record's extent.
std::span<const std::uint8_t> fieldBytes(std::span<const std::uint8_t> record, std::size_t offset,
                                         std::size_t byteCount, const char* name)
{
    if (byteCount == 0)
        return {};
    if (offset < fixedPartSize || offset > record.size() || byteCount > record.size() - offset)
        throw ProtocolError(std::string("LOGIN7 field ") + name + " lies outside the record");
    return record.subspan(offset, byteCount);
}

std::string text(std::span<const std::uint8_t> record, Field field, const char* name)
{
    return utf16leToUtf8(fieldBytes(record, field.offset, std::size_t{field.count} * 2, name));
}

}  // namespace

void deobfuscatePassword(std::span<std::uint8_t> bytes)
{
    for (auto& b : bytes) {
        const auto x = static_cast<std::uint8_t>(b ^ 0xA5);
        b = static_cast<std::uint8_t>(x << 4 | x >> 4);
    }
}

Login7 decodeLogin7(std::span<const std::uint8_t> payload)
{
    ByteReader reader(payload);
    const std::uint32_t length = reader.u32le();
    if (length < fixedPartSize || length > payload.size())
        throw ProtocolError("LOGIN7 length " + std::to_string(length) + " does not match the "
                            + std::to_string(payload.size()) + " bytes received");
    if (payload.size() < fixedPartSize)
        throw ProtocolError("LOGIN7 record shorter than its fixed part");
    const auto record = payload.first(length);

    Login7 login;
    login.tdsVersion = reader.u32le();
    login.packetSize = reader.u32le();
    reader.skip(12);  // client program version, process id, connection id
    login.optionFlags1 = reader.u8();
    login.optionFlags2 = reader.u8();
    reader.skip(2 + 4 + 4);  // type flags, option flags 3, time zone, LCID
    const Field host = readField(reader);
    const Field user = readField(reader);
    const Field password = readField(reader);
    const Field app = readField(reader);
    const Field server = readField(reader);
    readField(reader);  // FeatureExt pointer: the features are optional and not acknowledged
    const Field library = readField(reader);
    const Field language = readField(reader);
    const Field database = readField(reader);
    reader.skip(6);  // client id
    const Field sspi = readField(reader);

    login.hostName = text(record, host, "HostName");
    login.userName = text(record, user, "UserName");
    login.appName = text(record, app, "AppName");
    login.serverName = text(record, server, "ServerName");
    login.clientLibrary = text(record, library, "CltIntName");
    login.language = text(record, language, "Language");
    login.database = text(record, database, "Database");
    const auto secret = fieldBytes(record, password.offset, std::size_t{password.count} * 2, "Password");
    std::vector<std::uint8_t> clear(secret.begin(), secret.end());
    deobfuscatePassword(clear);
    login.password = utf16leToUtf8(clear);
    fieldBytes(record, sspi.offset, sspi.count, "SSPI");
    login.integratedAuth = sspi.count > 0 || (login.optionFlags2 & integratedSecurityFlag) != 0
        || login.userName.empty();
    return login;
}

}  // namespace taskstore::tds
