// The PRELOGIN encryption answer by SQL Server's table.
#include <gtest/gtest.h>

#include "Bytes.h"
#include "taskstore/tds/Prelogin.h"
#include "taskstore/tds/ProtocolError.h"

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
