// The PRELOGIN encryption answer by SQL Server's table, and the record framing that lets the
// server take a login-only LOGIN7 out of a TLS stream.
#include <gtest/gtest.h>

#include "Bytes.h"
#include "taskstore/tds/Prelogin.h"
#include "taskstore/tds/ProtocolError.h"
#include "taskstore/tds/TlsRecord.h"

using namespace taskstore::tds;
using tdstest::hex;

TEST(EncryptionAgreement, AnswersAsSqlServerDoes)
{
    struct Case {
        Encrypt client;
        bool forced;
        Encrypt answer;
        Protection protection;
    };
    const Case cases[] = {
        {Encrypt::Off, false, Encrypt::Off, Protection::LoginOnly},
        {Encrypt::On, false, Encrypt::On, Protection::Full},
        {Encrypt::NotSupported, false, Encrypt::NotSupported, Protection::None},
        {Encrypt::Required, false, Encrypt::On, Protection::Full},
        {Encrypt::Off, true, Encrypt::Required, Protection::Full},
        {Encrypt::On, true, Encrypt::On, Protection::Full},
        {Encrypt::NotSupported, true, Encrypt::Required, Protection::Full},
        {Encrypt::Required, true, Encrypt::On, Protection::Full},
    };
    for (const Case& c : cases) {
        const auto agreed = agreeEncryption(c.client, true, c.forced);
        EXPECT_EQ(agreed.answer, c.answer) << int(c.client) << c.forced;
        EXPECT_EQ(agreed.protection, c.protection) << int(c.client) << c.forced;
    }
    // Without a certificate nothing is encrypted, whatever the client wants.
    for (Encrypt wish : {Encrypt::Off, Encrypt::On, Encrypt::NotSupported, Encrypt::Required})
        EXPECT_EQ(agreeEncryption(wish, false, false).answer, Encrypt::NotSupported);
}

TEST(EncryptionAgreement, PreloginCarriesTheWishAndTheAnswer)
{
    EXPECT_EQ(parsePrelogin(hex("01 00 06 00 01 FF 00")).encryption, Encrypt::Off);
    EXPECT_EQ(parsePrelogin(hex("01 00 06 00 01 FF 81")).encryption, Encrypt::On);  // certificate flag ignored
    EXPECT_EQ(parsePrelogin(hex("FF")).encryption, Encrypt::NotSupported);
    EXPECT_THROW(parsePrelogin(hex("01 00 06 00 01 FF 07")), ProtocolError);
    EXPECT_EQ(preloginReply(Encrypt::Required).at(32), 3);
}

TEST(TlsRecordFraming, WholeRecordsOnlyAndForeignBytesRefused)
{
    EXPECT_EQ(tlsRecordLength(hex("17 03 03 00 02 AA BB CC")), 7u);
    EXPECT_EQ(tlsRecordLength(hex("17 03 03 00 02 AA")), 0u);
    EXPECT_EQ(tlsRecordLength(hex("17 03")), 0u);
    EXPECT_EQ(tlsRecordLength({}), 0u);
    EXPECT_THROW(tlsRecordLength(hex("10 01 00 10")), ProtocolError);  // a clear LOGIN7 packet
    EXPECT_THROW(tlsRecordLength(hex("17 02 00 00 01")), ProtocolError);
    EXPECT_THROW(tlsRecordLength(hex("17 03 03 FF FF")), ProtocolError);
}
