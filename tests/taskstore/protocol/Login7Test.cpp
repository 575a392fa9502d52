// LOGIN7 decoding: strings found through their offsets in any order, the password de-obfuscated,
// and every malformed offset refused without reading outside the record.
#include <gtest/gtest.h>

#include <map>

#include "Bytes.h"
#include "taskstore/protocol/Login7.h"
#include "taskstore/protocol/ProtocolError.h"

using namespace taskstore::tds;
using tdstest::hex;
using tdstest::ucs2;

namespace {

// Offsets of the (offset, count) pairs in the fixed part.
enum FieldAt : std::size_t { Host = 36, User = 40, Password = 44, App = 48, Server = 52, Extension = 56,
                             Library = 60, Language = 64, Database = 68, Sspi = 78 };

struct Login7Builder {
    std::map<FieldAt, std::vector<std::uint8_t>> fields;  // raw bytes of each string
    std::uint8_t optionFlags2 = 0x03;

    // Strings are laid out in reverse field order, with a gap, to defeat any assumption of order.
    std::vector<std::uint8_t> build() const
    {
        std::vector<std::uint8_t> record(94, 0);
        const auto put16 = [&](std::size_t at, std::size_t v) {
            record[at] = static_cast<std::uint8_t>(v);
            record[at + 1] = static_cast<std::uint8_t>(v >> 8);
        };
        record[4] = 0x04, record[7] = 0x74;  // TDS 7.4
        record[9] = 0x10;                    // packet size 4096
        record[25] = optionFlags2;
        record.resize(record.size() + 4, 0xAA);  // a gap no field points at
        for (auto it = fields.rbegin(); it != fields.rend(); ++it) {
            put16(it->first, record.size());
            put16(it->first + 2, it->first == Sspi ? it->second.size() : it->second.size() / 2);
            record.insert(record.end(), it->second.begin(), it->second.end());
        }
        put16(0, record.size());
        return record;
    }
};

std::vector<std::uint8_t> obfuscate(std::vector<std::uint8_t> clear)
{
    for (auto& b : clear)
        b = static_cast<std::uint8_t>(((b << 4 | b >> 4) & 0xFF) ^ 0xA5);
    return clear;
}

Login7Builder typicalLogin()
{
    Login7Builder b;
    b.fields[Host] = ucs2("desk");
    b.fields[User] = ucs2("SA");
    b.fields[Password] = obfuscate(ucs2("s3cret"));
    b.fields[App] = ucs2("TSQL");
    b.fields[Library] = ucs2("TDS-Library");
    b.fields[Language] = ucs2("us_english");
    b.fields[Database] = ucs2("VOZUZODI");
    return b;
}

}  // namespace

TEST(TdsProtocol, Login7FieldsInReverseOrderAreDecoded)
{
    const Login7 login = decodeLogin7(typicalLogin().build());
    EXPECT_EQ(login.tdsVersion, 0x74000004u);
    EXPECT_EQ(login.packetSize, 4096u);
    EXPECT_EQ(login.hostName, "desk");
    EXPECT_EQ(login.userName, "SA");
    EXPECT_EQ(login.password, "s3cret");
    EXPECT_EQ(login.appName, "TSQL");
    EXPECT_EQ(login.clientLibrary, "TDS-Library");
    EXPECT_EQ(login.language, "us_english");
    EXPECT_EQ(login.database, "VOZUZODI");
    EXPECT_FALSE(login.integratedAuth);
}

TEST(TdsProtocol, PasswordDeobfuscationMatchesTheWireExample)
{
    auto bytes = hex("92 A5 B3 A5");
    deobfuscatePassword(bytes);
    EXPECT_EQ(bytes, ucs2("sa"));
}

TEST(TdsProtocol, Login7WithWindowsAuthenticationIsMarked)
{
    Login7Builder sspi = typicalLogin();
    sspi.fields[Sspi] = hex("4E 54 4C 4D");
    EXPECT_TRUE(decodeLogin7(sspi.build()).integratedAuth);

    Login7Builder flagged = typicalLogin();
    flagged.optionFlags2 = 0x83;
    EXPECT_TRUE(decodeLogin7(flagged.build()).integratedAuth);

    Login7Builder anonymous = typicalLogin();
    anonymous.fields.erase(User);
    EXPECT_TRUE(decodeLogin7(anonymous.build()).integratedAuth);
}

TEST(TdsProtocol, MalformedLogin7IsRefused)
{
    const auto good = typicalLogin().build();
    const auto withByte = [&](std::size_t at, std::uint8_t value) {
        auto copy = good;
        copy[at] = value;
        return copy;
    };
    // Declared length beyond what arrived, and below the fixed part.
    EXPECT_THROW(decodeLogin7(withByte(1, 0x40)), ProtocolError);
    EXPECT_THROW(decodeLogin7(withByte(0, 20) /* and byte 1 is 0 */), ProtocolError);
    // A record cut inside the fixed part.
    EXPECT_THROW(decodeLogin7(std::vector<std::uint8_t>(good.begin(), good.begin() + 50)), ProtocolError);
    // A string running past the end, and one pointing into the fixed part.
    EXPECT_THROW(decodeLogin7(withByte(User + 2, 0xFF)), ProtocolError);
    EXPECT_THROW(decodeLogin7(withByte(User, 10)), ProtocolError);
    EXPECT_THROW(decodeLogin7(withByte(Database + 1, 0xFF)), ProtocolError);
    // Invalid UTF-16 in the user name.
    Login7Builder badText = typicalLogin();
    badText.fields[User] = hex("00 DC 41 00");
    EXPECT_THROW(decodeLogin7(badText.build()), ProtocolError);
}

TEST(TdsProtocol, Login7TruncatedAtEveryLengthNeverCrashes)
{
    const auto good = typicalLogin().build();
    for (std::size_t n = 0; n < good.size(); ++n) {
        std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_THROW(decodeLogin7(cut), ProtocolError) << "length " << n;
    }
}
