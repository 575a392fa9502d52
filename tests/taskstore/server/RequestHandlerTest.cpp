// The per-connection conversation without sockets: login outcomes, batches, transaction requests,
// attention.
#include <gtest/gtest.h>

#include "Bytes.h"
#include "Conversation.h"
#include "RpcBytes.h"
#include "ServerHarness.h"
#include "taskstore/tds/ProtocolError.h"
#include "taskstore/server/RequestHandler.h"

using namespace taskstore;
using namespace tdstest;

TEST(RequestHandler, LoginSucceedsWithTheConfiguredPassword)
{
    Conversation c;
    EXPECT_EQ(c.login("s3cret"), std::nullopt);
    EXPECT_TRUE(c.handler.loggedIn());
    EXPECT_TRUE(contains(c.sent, concat({hex("E3 1F 00 01 08"), ucs2("VOZUZODI"), hex("06"), ucs2("master")})));
    EXPECT_TRUE(contains(c.sent, hex("AD 32 00 01 74 00 00 04")));
    EXPECT_EQ(c.lastDone(), hex("FD 00 00 00 00 00 00 00 00 00 00 00 00"));
    EXPECT_NE(c.log.text().find("connection 7 logged in as SA to VOZUZODI"), std::string::npos);
}

TEST(RequestHandler, LoginFailuresAnswerLikeSqlServerAndClose)
{
    Conversation wrong;
    EXPECT_EQ(wrong.login("guess"), "login failed");
    EXPECT_FALSE(wrong.handler.loggedIn());
    EXPECT_TRUE(contains(wrong.sent, hex("AA 56 00 18 48 00 00 01 0E")));
    EXPECT_TRUE(contains(wrong.sent, ucs2("Login failed for user 'SA'.")));
    EXPECT_FALSE(contains(wrong.sent, hex("AD")));
    EXPECT_EQ(wrong.lastDone(), hex("FD 02 00 00 00 00 00 00 00 00 00 00 00"));
    const std::string log = wrong.log.text();
    EXPECT_NE(log.find("connection 7 login failed for SA from 127.0.0.1:5000: wrong password"), std::string::npos);
    EXPECT_EQ(log.find("guess"), std::string::npos);
    EXPECT_EQ(wrong.engine.liveSessions, 0);

    Conversation missing;
    EXPECT_EQ(missing.login("s3cret", "nowhere"), "login failed");
    EXPECT_TRUE(contains(missing.sent, hex("DC 0F 00 00 01 0B")));
    EXPECT_TRUE(
        contains(missing.sent, ucs2("Cannot open database \"nowhere\" requested by the login. The login failed.")));
    EXPECT_TRUE(contains(missing.sent, hex("18 48 00 00 01 0E")));
    EXPECT_EQ(missing.engine.liveSessions, 0);
}

TEST(RequestHandler, RequestsBeforeLoginAreRefused)
{
    Conversation c;
    EXPECT_THROW(c.send(tds::PacketType::SqlBatch, concat({noTransactionHeaders, ucs2("rows 1")})), tds::ProtocolError);
    EXPECT_THROW(c.send(tds::PacketType::Login7, hex("10 00 00 00")), tds::ProtocolError);
}

TEST(RequestHandler, BatchesAndTransactionRequestsAfterLogin)
{
    Conversation c;
    ASSERT_EQ(c.login("s3cret"), std::nullopt);

    c.send(tds::PacketType::SqlBatch, concat({noTransactionHeaders, ucs2("rows 2")}));
    EXPECT_EQ(c.lastDone(), hex("FD 10 00 C1 00 02 00 00 00 00 00 00 00"));

    c.send(tds::PacketType::SqlBatch, concat({noTransactionHeaders, ucs2("nonsense")}));
    EXPECT_EQ(c.lastDone(), hex("FD 02 00 00 00 00 00 00 00 00 00 00 00"));
    EXPECT_NE(c.log.text().find("connection 7 error 102: Incorrect syntax near 'nonsense'."), std::string::npos);

    c.send(tds::PacketType::TransactionManager, concat({noTransactionHeaders, hex("05 00 00 00")}));
    EXPECT_EQ(c.sent, hex("E3 0B 00 08 08 64 00 00 00 00 00 00 00 00  FD 00 00 00 00 00 00 00 00 00 00 00 00"));

    // Commit and begin anew: the old descriptor ends, a new one starts, one DONE.
    c.send(tds::PacketType::TransactionManager, concat({noTransactionHeaders, hex("07 00 00 01 00 00")}));
    EXPECT_EQ(c.sent,
              hex("E3 0B 00 09 00 08 64 00 00 00 00 00 00 00"
                  "E3 0B 00 08 08 65 00 00 00 00 00 00 00 00  FD 00 00 00 00 00 00 00 00 00 00 00 00"));

    // Ending a transaction twice fails the second time as on SQL Server, and a commit that
    // fails so begins no new transaction.
    c.send(tds::PacketType::TransactionManager, concat({noTransactionHeaders, hex("08 00 00 00")}));
    c.send(tds::PacketType::TransactionManager, concat({noTransactionHeaders, hex("08 00 00 00")}));
    EXPECT_TRUE(contains(c.sent, hex("AA B0 00 3F 0F 00 00 01 10")));
    EXPECT_EQ(c.lastDone(), hex("FD 02 00 00 00 00 00 00 00 00 00 00 00"));
    c.send(tds::PacketType::TransactionManager, concat({noTransactionHeaders, hex("07 00 00 01 00 00")}));
    EXPECT_TRUE(contains(c.sent, hex("3E 0F 00 00 01 10")));
    EXPECT_FALSE(contains(c.sent, hex("E3 0B 00 08")));
    EXPECT_EQ(c.lastDone(), hex("FD 02 00 00 00 00 00 00 00 00 00 00 00"));

    // An idle attention gets its acknowledgement; an abandoned request gets one DONE.
    c.send(tds::PacketType::Attention, {});
    EXPECT_EQ(c.sent, hex("FD 20 00 00 00 00 00 00 00 00 00 00 00"));
    c.send(tds::PacketType::SqlBatch, {}, 0x03);
    EXPECT_EQ(c.sent, hex("FD 00 00 00 00 00 00 00 00 00 00 00 00"));
}

TEST(RequestHandler, ResetConnectionStartsAFreshSessionAndSaysSo)
{
    Conversation c;
    ASSERT_EQ(c.login("s3cret"), std::nullopt);
    c.send(tds::PacketType::SqlBatch, concat({noTransactionHeaders, ucs2("begin tran")}));
    c.send(tds::PacketType::SqlBatch, concat({noTransactionHeaders, ucs2("rows 1")}), 0x09);
    EXPECT_EQ(c.engine.rolledBackOnClose, 1);
    EXPECT_EQ(c.engine.liveSessions, 1);
    EXPECT_EQ(std::vector<std::uint8_t>(c.sent.begin(), c.sent.begin() + 6), hex("E3 03 00 12 00 00"));
}

TEST(RequestHandler, AnAttentionStopsEveryRequestUntilItIsAcknowledged)
{
    Conversation c;
    ASSERT_EQ(c.login("s3cret"), std::nullopt);
    const auto beginsTransaction = hex("E3 0B 00 08 08");
    const auto attentionAck = hex("FD 20 00 00 00 00 00 00 00 00 00 00 00");

    // Arriving while the first of two calls streams its rows, it stops the second call too.
    bool attentionRead = false;
    c.onPacket = [&] {
        if (!attentionRead) {
            attentionRead = true;
            c.handler.attentionArrived();
        }
    };
    c.send(tds::PacketType::Rpc, concat({call(10, ntext("endless")), hex("FF"), call(10, ntext("begin tran"), false)}));
    EXPECT_TRUE(attentionRead);
    EXPECT_FALSE(contains(c.sent, beginsTransaction));
    c.send(tds::PacketType::Attention, {});
    EXPECT_EQ(c.sent, attentionAck);

    // Read while a request waited its turn: that request does not run.
    c.handler.attentionArrived();
    c.send(tds::PacketType::SqlBatch, concat({noTransactionHeaders, ucs2("begin tran")}));
    EXPECT_FALSE(contains(c.sent, beginsTransaction));
    c.send(tds::PacketType::Attention, {});
    EXPECT_EQ(c.sent, attentionAck);

    // Acknowledged, it stops nothing more.
    c.send(tds::PacketType::SqlBatch, concat({noTransactionHeaders, ucs2("begin tran")}));
    EXPECT_TRUE(contains(c.sent, beginsTransaction));
}

TEST(RequestHandler, AStopDuringADescribeEndsWithItsRequest)
{
    Conversation c;
    ASSERT_EQ(c.login("s3cret"), std::nullopt);
    c.engine.duringDescribe = [&] { c.handler.attentionArrived(); };
    c.send(tds::PacketType::Rpc,
           call(11, concat({hex("07"), ucs2("@handle"), hex("01 26 04 00"), ntext("@P1 int"), ntext("rows 1")})));
    c.engine.duringDescribe = nullptr;
    c.send(tds::PacketType::Attention, {});
    EXPECT_EQ(c.sent, hex("FD 20 00 00 00 00 00 00 00 00 00 00 00"));

    c.send(tds::PacketType::SqlBatch, concat({noTransactionHeaders, ucs2("rows 2")}));
    EXPECT_EQ(c.lastDone(), hex("FD 10 00 C1 00 02 00 00 00 00 00 00 00"));
}
