// The server over real loopback sockets with a scripted engine: attention while rows stream,
// sessions ended by vanished clients, silent clients, malformed input and shutdown.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>

#include "FakeEngine.h"
#include "ServerHarness.h"
#include "taskstore/server/Server.h"

using namespace taskstore;
using namespace tdstest;

namespace {

class RunningServer {
public:
    explicit RunningServer(std::chrono::milliseconds loginTimeout = std::chrono::seconds(5), int maxConnections = 100)
    {
        server::ServerConfig config;
        config.port = 0;
        config.saPassword = "s3cret";
        config.loginTimeout = loginTimeout;
        config.maxConnections = maxConnections;
        server_ = std::make_unique<server::Server>(engine, config, log);
        port = server_->listen().port();
        thread_ = std::thread([this] { server_->run(); });
    }
    ~RunningServer() { stop(); }
    void stop()
    {
        if (thread_.joinable()) {
            server_->stop();
            thread_.join();
        }
    }

    FakeEngine engine;
    CapturingLog log;
    std::uint16_t port = 0;

private:
    std::unique_ptr<server::Server> server_;
    std::thread thread_;
};

const std::vector<std::uint8_t> attentionAck = hex("FD 20 00 00 00 00 00 00 00 00 00 00 00");

}  // namespace

TEST(Server, AttentionEndsStreamingBatchThenAcknowledgesSeparately)
{
    RunningServer s;
    RawClient client(s.port);
    ASSERT_EQ(client.login().lastDoneStatus(), 0);

    client.sendPacket(1, 1, concat({noTransactionHeaders, ucs2("endless")}));
    // Let rows flow, then cancel.
    ReplyMessage interrupted;
    ASSERT_FALSE(client.readPacket(interrupted));
    client.sendPacket(6, 1, {});
    while (!client.readPacket(interrupted)) {}
    EXPECT_EQ(interrupted.lastDoneStatus() & 0x20, 0) << "the interrupted reply ends on its own DONE";
    // 14 bytes of column metadata, rows of 6 bytes, a DONE of 13: the count matches the rows sent.
    const auto& bytes = interrupted.payload;
    const std::uint64_t rows = (bytes.size() - 14 - 13) / 6;
    std::uint64_t counted = 0;
    for (int i = 7; i >= 0; --i)
        counted = counted << 8 | bytes[bytes.size() - 8 + static_cast<std::size_t>(i)];
    EXPECT_EQ(counted, rows);
    EXPECT_EQ(client.readMessage().payload, attentionAck);

    // The connection goes on normally afterwards.
    const ReplyMessage next = client.batch("rows 3");
    EXPECT_EQ(std::vector<std::uint8_t>(next.payload.end() - 13, next.payload.end()),
              hex("FD 10 00 C1 00 03 00 00 00 00 00 00 00"));
    EXPECT_NE(s.log.text().find("connection 1 logged in as SA to VOZUZODI"), std::string::npos);
}

TEST(Server, LargeReplyStreamsInPacketsOfTheNegotiatedSize)
{
    RunningServer s;
    RawClient client(s.port);
    client.login();
    const ReplyMessage reply = client.batch("rows 20000");
    EXPECT_GT(reply.packets, 20u);  // 20000 rows of 6 bytes at 4096-byte packets
    EXPECT_EQ(std::vector<std::uint8_t>(reply.payload.end() - 13, reply.payload.end()),
              hex("FD 10 00 C1 00 20 4E 00 00 00 00 00 00"));
}

TEST(Server, VanishedClientEndsItsSessionAndRollsBack)
{
    RunningServer s;
    {
        RawClient client(s.port);
        client.login();
        client.batch("begin tran");
        EXPECT_EQ(s.engine.liveSessions, 1);
    }  // socket closed abruptly
    ASSERT_TRUE(s.log.waitFor("connection 1 closed (client closed the connection)"));
    EXPECT_EQ(s.engine.liveSessions, 0);
    EXPECT_EQ(s.engine.rolledBackOnClose, 1);
}

TEST(Server, SilentClientIsDroppedAfterTheLoginTimeout)
{
    RunningServer s(std::chrono::milliseconds(200));
    RawClient client(s.port);
    EXPECT_TRUE(client.closedByServer());
    EXPECT_TRUE(s.log.waitFor("connection 1 closed (login timeout)"));
}

TEST(Server, MalformedInputEndsOnlyThatConnection)
{
    RunningServer s;
    RawClient good(s.port);
    good.login();
    RawClient bad(s.port);
    bad.sendPacket(18, 1, hex("00 00 40 00 06 FF"));  // option data outside the payload
    EXPECT_TRUE(bad.closedByServer());
    EXPECT_TRUE(s.log.waitFor("connection 2 closed (malformed request:"));
    EXPECT_EQ(good.batch("rows 1").lastDoneStatus(), 0x10);
}

TEST(Server, ErrorQuotingALongBatchIsCutToAWellFormedToken)
{
    RunningServer s;
    RawClient client(s.port);
    client.login();
    // The engine answers 102 quoting the whole 40 000-character batch.
    const ReplyMessage reply = client.batch(std::string(40000, 'x'));
    ASSERT_GE(reply.payload.size(), 11u);
    EXPECT_EQ(reply.payload[0], 0xAA);
    const std::size_t tokenLength = reply.payload[1] | reply.payload[2] << 8;
    const std::size_t messageUnits = reply.payload[9] | reply.payload[10] << 8;
    EXPECT_EQ(messageUnits, 2047u);
    ASSERT_EQ(reply.payload.size(), 3 + tokenLength + 13);  // the token, then the batch's DONE
    EXPECT_EQ(reply.payload[3 + tokenLength], 0xFD);
    EXPECT_EQ(client.batch("rows 1").lastDoneStatus(), 0x10);
}

TEST(Server, WrongPasswordClosesTheConnection)
{
    RunningServer s;
    RawClient client(s.port);
    const ReplyMessage reply = client.login("nope");
    EXPECT_EQ(reply.lastDoneStatus(), 0x02);
    EXPECT_TRUE(client.closedByServer());
    EXPECT_TRUE(s.log.waitFor("connection 1 closed (login failed)"));
}

TEST(Server, ShutdownEndsEverySessionWhileBatchesRun)
{
    RunningServer s;
    std::vector<std::unique_ptr<RawClient>> clients;
    for (int i = 0; i < 60; ++i) {
        clients.push_back(std::make_unique<RawClient>(s.port));
        ASSERT_EQ(clients.back()->login().lastDoneStatus(), 0);
    }
    clients[0]->batch("begin tran");
    clients[1]->sendPacket(1, 1, concat({noTransactionHeaders, ucs2("endless")}));
    EXPECT_EQ(s.engine.liveSessions, 60);
    s.stop();
    EXPECT_EQ(s.engine.liveSessions, 0);
    EXPECT_EQ(s.engine.rolledBackOnClose, 1);
    EXPECT_NE(s.log.text().find("connection 60 closed (server stopping)"), std::string::npos);
}

TEST(Server, LogOnsPastTheSessionLimitGet17809AndConnectionsNotLoggedOnDoNotCount)
{
    RunningServer s(std::chrono::seconds(5), 2);
    RawClient silent(s.port), quiet(s.port);  // connected, never logged on
    RawClient first(s.port);
    ASSERT_EQ(first.login().lastDoneStatus(), 0);
    auto second = std::make_unique<RawClient>(s.port);
    ASSERT_EQ(second->login().lastDoneStatus(), 0);
    RawClient third(s.port);
    const ReplyMessage refused = third.login();
    EXPECT_EQ(refused.lastDoneStatus(), 0x02);
    const auto text =
        ucs2("Could not connect because the maximum number of '2' user connections has already been reached.");
    EXPECT_NE(std::search(refused.payload.begin(), refused.payload.end(), text.begin(), text.end()),
              refused.payload.end());
    EXPECT_TRUE(third.closedByServer());
    EXPECT_TRUE(s.log.waitFor("2 sessions logged on (--max-connections)"));
    EXPECT_EQ(first.batch("rows 1").lastDoneStatus(), 0x10);
    second.reset();
    ASSERT_TRUE(s.log.waitFor("connection 4 closed"));
    RawClient fourth(s.port);
    EXPECT_EQ(fourth.login().lastDoneStatus(), 0);
}

TEST(Server, RequestsSentAheadWaitInTheSocketNotInTheServer)
{
    RunningServer s;
    RawClient client(s.port);
    ASSERT_EQ(client.login().lastDoneStatus(), 0);
    client.sendPacket(1, 1, concat({noTransactionHeaders, ucs2("endless")}));
    // While that batch runs, the client pushes 256 MB more without reading a reply.
    const auto packet = concat({hex("01 01 7F F8 00 00 01 00"), noTransactionHeaders,
                                std::vector<std::uint8_t>(0x7FF8 - 8 - noTransactionHeaders.size(), 'a')});
    client.socket().non_blocking(true);
    std::size_t accepted = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < end && accepted < (256u << 20)) {
        asio::error_code ec;
        const std::size_t n = client.socket().write_some(asio::buffer(packet) + accepted % packet.size(), ec);
        if (ec == asio::error::would_block)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        else if (ec)
            break;
        accepted += n;
    }
    // The kernel's socket buffers and one megabyte of queued requests, not everything sent.
    EXPECT_LT(accepted, 32u << 20);
    s.stop();
    EXPECT_EQ(s.engine.liveSessions, 0);
}
