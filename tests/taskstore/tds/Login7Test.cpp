// LOGIN7 decoding: strings found through their offsets in any order, the password de-obfuscated,
// and every malformed offset refused without reading outside the record.
#include <gtest/gtest.h>

#include "Bytes.h"
#include "Login7Builder.h"
#include "taskstore/tds/Login7.h"
#include "taskstore/tds/ProtocolError.h"

using namespace taskstore::tds;
using namespace tdstest;

TEST(Login7, Login7FieldsInReverseOrderAreDecoded)
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

TEST(Login7, Login7OfTds71HasTheShorterFixedPart)
{
    Login7Builder old = typicalLogin();
    old.tdsVersion = 0x71000001;
    const auto record = old.build();
    const Login7 login = decodeLogin7(record);
    EXPECT_EQ(login.userName, "SA");
    EXPECT_EQ(login.database, "VOZUZODI");
    // At 7.4 the same offsets would point into the fixed part.
    auto relabelled = record;
    relabelled[7] = 0x74;
    EXPECT_THROW(decodeLogin7(relabelled), ProtocolError);
}

TEST(Login7, PasswordDeobfuscationMatchesTheWireExample)
{
    auto bytes = hex("92 A5 B3 A5");
    deobfuscatePassword(bytes);
    EXPECT_EQ(bytes, ucs2("sa"));
}

TEST(Login7, Login7WithWindowsAuthenticationIsMarked)
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

TEST(Login7, MalformedLogin7IsRefused)
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

TEST(Login7, Login7TruncatedAtEveryLengthNeverCrashes)
{
    const auto good = typicalLogin().build();
    for (std::size_t n = 0; n < good.size(); ++n) {
        std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_THROW(decodeLogin7(cut), ProtocolError) << "length " << n;
    }
}
