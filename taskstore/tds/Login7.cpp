#include "taskstore/tds/Login7.h"

#include <vector>

#include "common/Wipe.h"
#include "taskstore/tds/ByteReader.h"
#include "taskstore/tds/ProtocolError.h"
#include "taskstore/tds/Utf16.h"

namespace taskstore::tds {
namespace {

// TDS 7.2 added the change-password field and a long SSPI length to the 86 bytes of 7.0/7.1.
constexpr std::size_t fixedPartSize70 = 86;
constexpr std::size_t fixedPartSize72 = 94;
constexpr std::uint32_t tds72 = 0x72000000;
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

// The LOGIN7 record as declared by its length; fields must lie behind the fixed part.
struct Record {
    std::span<const std::uint8_t> bytes;
    std::size_t fixedPartSize;

    std::span<const std::uint8_t> field(std::size_t offset, std::size_t byteCount, const char* name) const
    {
        if (byteCount == 0)
            return {};
        if (offset < fixedPartSize || offset > bytes.size() || byteCount > bytes.size() - offset)
            throw ProtocolError(std::string("LOGIN7 field ") + name + " lies outside the record");
        return bytes.subspan(offset, byteCount);
    }
    std::string text(Field f, const char* name) const
    {
        return utf16leToUtf8(field(f.offset, std::size_t{f.count} * 2, name));
    }
};

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
    Login7 login;
    login.tdsVersion = reader.u32le();
    // The version is a little-endian DWORD whose high byte is the major/minor pair (0x74 = 7.4).
    const std::size_t fixedPartSize = login.tdsVersion >= tds72 ? fixedPartSize72 : fixedPartSize70;
    if (length < fixedPartSize || length > payload.size())
        throw ProtocolError("LOGIN7 length " + std::to_string(length) + " does not match the "
                            + std::to_string(payload.size()) + " bytes received");
    const Record record{payload.first(length), fixedPartSize};

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

    login.hostName = record.text(host, "HostName");
    login.userName = record.text(user, "UserName");
    login.appName = record.text(app, "AppName");
    login.serverName = record.text(server, "ServerName");
    login.clientLibrary = record.text(library, "CltIntName");
    login.language = record.text(language, "Language");
    login.database = record.text(database, "Database");
    const auto secret = record.field(password.offset, std::size_t{password.count} * 2, "Password");
    std::vector<std::uint8_t> clear(secret.begin(), secret.end());
    const common::WipeOnExit wipedClear(clear);
    deobfuscatePassword(clear);
    // Copied, not moved: a short text lives inside the string object, and a move would leave the
    // characters behind in this frame.
    std::string text = utf16leToUtf8(clear);
    const common::WipeOnExit wipedText(text);
    login.password = text;
    record.field(sspi.offset, sspi.count, "SSPI");
    login.integratedAuth =
        sspi.count > 0 || (login.optionFlags2 & integratedSecurityFlag) != 0 || login.userName.empty();
    return login;
}

}  // namespace taskstore::tds
