// The replies of the prepare/execute family in SQL Server's token order, at TDS 7.4 and 7.1, and
// the limits on parameters and prepared statements.
#include <gtest/gtest.h>

#include "Bytes.h"
#include "Conversation.h"
#include "RpcBytes.h"
#include "taskstore/tds/RpcRequest.h"
#include "taskstore/server/ProcedureCalls.h"

using namespace taskstore;
using namespace taskstore::tds;
using tdstest::call;
using tdstest::concat;
using tdstest::contains;
using tdstest::hex;
using tdstest::ntext;
using tdstest::ucs2;
using tdstest::unnamedNullHandle;

TEST(ProcedureCalls, PrepareExecuteAndUnprepareAnswerInSqlServersOrder)
{
    tdstest::Conversation c;
    ASSERT_EQ(c.login("s3cret"), std::nullopt);

    c.send(PacketType::Rpc,
           call(13, concat({unnamedNullHandle, ntext("@P1 int"), ntext("rows 1"), hex("00 00 26 04 04 07 00 00 00")})));
    EXPECT_EQ(c.sent,
              concat({hex("81 01 00 00 00 00 00 00 00 26 04 01"), ucs2("n"), hex("D1 04 01 00 00 00"),
                      hex("FF 11 00 C1 00 01 00 00 00 00 00 00 00"),                 // DONEINPROC with the count
                      hex("79 00 00 00 00"),                                         // RETURNSTATUS
                      hex("AC 00 00 00 01 00 00 00 00 01 00 26 04 04 01 00 00 00"),  // the handle
                      hex("FE 00 00 00 00 00 00 00 00 00 00 00 00")}));
    ASSERT_EQ(c.engine.lastParameters.size(), 1u);
    EXPECT_EQ(c.engine.lastParameters[0].name, "@P1");
    EXPECT_EQ(c.engine.lastParameters[0].declaredType, "int");
    EXPECT_EQ(c.engine.lastParameters[0].integer, 7);

    // Named handle echoed; two executes of handle 1 in one request, the first DONEPROC says more.
    c.send(PacketType::Rpc,
           call(11, concat({hex("07"), ucs2("@handle"), hex("01 26 04 00"), ntext("@P1 int"), ntext("rows 0")})));
    EXPECT_TRUE(contains(
        c.sent, concat({hex("AC 00 00 07"), ucs2("@handle"), hex("01 00 00 00 00 01 00 26 04 04 02 00 00 00")})));
    const auto execute = hex("FF FF 0C 00 00 00 00 00 26 04 04 01 00 00 00 00 00 26 04 04 03 00 00 00");
    c.send(PacketType::Rpc, concat({tdstest::noTransactionHeaders, execute, hex("FF"), execute}));
    EXPECT_TRUE(contains(c.sent, hex("79 00 00 00 00 FE 81 00 00 00 00 00 00 00 00 00 00 00")));
    EXPECT_EQ(c.lastDone(), hex("FE 00 00 00 00 00 00 00 00 00 00 00 00"));

    c.send(PacketType::Rpc, call(15, hex("00 00 26 04 04 01 00 00 00")));
    EXPECT_EQ(c.sent, hex("79 00 00 00 00 FE 00 00 00 00 00 00 00 00 00 00 00 00"));
}

TEST(ProcedureCalls, OutputParametersComeBackAfterTheReturnStatus)
{
    tdstest::Conversation c;
    ASSERT_EQ(c.login("s3cret"), std::nullopt);
    c.send(PacketType::Rpc,
           call(10,
                concat({ntext("rows 0"), ntext("@P1 int OUTPUT"), hex("03"), ucs2("@P1"),
                        hex("01 26 04 04 05 00 00 00")})));
    EXPECT_TRUE(contains(c.sent,
                         concat({hex("79 00 00 00 00 AC 02 00 03"), ucs2("@P1"),
                                 hex("01 00 00 00 00 01 00 26 04 04 05 00 00 00 FE 00 00")})));
}

TEST(ProcedureCalls, ErrorsReachTheClientAndTheConnectionGoesOn)
{
    tdstest::Conversation c;
    ASSERT_EQ(c.login("s3cret", "VOZUZODI", 0x71000001), std::nullopt);

    const auto named = concat({hex("0B 00"), ucs2("sp_who_else"), hex("00 00")});
    EXPECT_EQ(c.send(PacketType::Rpc, named), std::nullopt);
    EXPECT_NE(c.log.text().find("error 2812: Could not find stored procedure 'sp_who_else'."), std::string::npos);
    EXPECT_EQ(std::vector<std::uint8_t>(c.sent.end() - 9, c.sent.end()),
              hex("FE 02 00 00 00 00 00 00 00"));  // 7.1 counts

    // A type taskstore cannot take (sql_variant) is answered with an error; the session goes on.
    EXPECT_EQ(c.send(PacketType::Rpc,
                     call(10, concat({ntext("rows 1"), ntext("@P1 sql_variant"), hex("00 00 62 10 00 00 00")}), false)),
              std::nullopt);
    EXPECT_NE(
        c.log.text().find("error 8009: The incoming tabular data stream (TDS) remote procedure call (RPC) protocol "
                          "stream is incorrect. Data type 0x62 is unknown."),
        std::string::npos)
        << c.log.text();

    c.send(PacketType::Rpc, call(12, hex("00 00 26 04 04 09 00 00 00"), false));
    EXPECT_NE(c.log.text().find("error 8179: Could not find prepared statement with handle 9."), std::string::npos);

    c.send(PacketType::Rpc,
           call(10, concat({ntext("rows 1"), ntext("@P1 int, @P2 int"), hex("00 00 26 04 04 01 00 00 00")}), false));
    EXPECT_NE(c.log.text().find("error 8178: The parameterized query '(@P1 int, @P2 int)rows 1' expects the parameter "
                                "'@P2', which was not supplied."),
              std::string::npos)
        << c.log.text();

    // Values never become text: the statement the engine ran is the one sent.
    c.send(PacketType::Rpc,
           call(10, concat({ntext("rows 1"), ntext("@P1 nvarchar(30)"), ntext("'; drop table zk_task --")}), false));
    EXPECT_EQ(c.engine.lastParameters.at(0).text, "'; drop table zk_task --");
    EXPECT_EQ(std::vector<std::uint8_t>(c.sent.end() - 9, c.sent.end()), hex("FE 00 00 00 00 00 00 00 00"));
}

TEST(ProcedureCalls, DatesOutOfRangeAndTooManyCallsAnswerErrorsAndTheConnectionGoesOn)
{
    tdstest::Conversation c;
    ASSERT_EQ(c.login("s3cret"), std::nullopt);
    const auto rowsCall = call(10, ntext("rows 1"));
    // @d date = 10000-01-01, one day past the last.
    const auto badDate =
        call(10, concat({ntext("rows 1"), ntext("@d date"), hex("02"), ucs2("@d"), hex("00 28 03 DB B9 37")}));
    EXPECT_EQ(c.send(PacketType::Rpc, badDate), std::nullopt);
    EXPECT_NE(c.log.text().find("error 8023: The incoming tabular data stream (TDS) remote procedure call (RPC) "
                                "protocol stream is incorrect. Parameter 3 (\"@d\"): The supplied value is not a valid "
                                "instance of data type date."),
              std::string::npos)
        << c.log.text();
    EXPECT_EQ(c.lastDone(), hex("FD 02 00 00 00 00 00 00 00 00 00 00 00"));

    std::vector<std::uint8_t> calls = rowsCall;
    for (std::size_t i = 0; i < maxRpcCalls; ++i)
        calls = concat({calls, hex("FF FF FF 0A 00 00 00")});
    EXPECT_EQ(c.send(PacketType::Rpc, calls), std::nullopt);
    EXPECT_NE(c.log.text().find("The request holds more than 1000 procedure calls"), std::string::npos);
    EXPECT_EQ(c.lastDone(), hex("FD 02 00 00 00 00 00 00 00 00 00 00 00"));

    EXPECT_EQ(c.send(PacketType::Rpc, rowsCall), std::nullopt);
    EXPECT_EQ(c.lastDone(), hex("FE 00 00 00 00 00 00 00 00 00 00 00 00"));
}

TEST(ProcedureCalls, ParameterAndPreparedLimitsAnswerErrorsAndTheConnectionGoesOn)
{
    tdstest::Conversation c;
    ASSERT_EQ(c.login("s3cret"), std::nullopt);
    const auto intParameter = hex("00 00 26 04 04 01 00 00 00");
    const auto withParameters = [&](std::size_t count) {
        std::vector<std::uint8_t> parameters = concat({ntext("rows 0"), ntext("")});
        for (std::size_t i = 2; i < count; ++i)
            parameters.insert(parameters.end(), intParameter.begin(), intParameter.end());
        return call(10, parameters);
    };
    EXPECT_EQ(c.send(PacketType::Rpc, withParameters(maxRpcParameters)), std::nullopt);
    EXPECT_EQ(c.log.text().find("error 8003"), std::string::npos) << c.log.text();
    EXPECT_EQ(c.send(PacketType::Rpc, withParameters(200000)), std::nullopt);
    EXPECT_NE(c.log.text().find("error 8003: The incoming request has too many parameters. The server supports a "
                                "maximum of 2100 parameters."),
              std::string::npos);
    EXPECT_EQ(c.lastDone(), hex("FD 02 00 00 00 00 00 00 00 00 00 00 00"));

    // Prepared statements are bounded by count; an unprepared one makes room again.
    const auto prepare = call(11, concat({unnamedNullHandle, ntext(""), ntext("rows 0")}));
    for (std::size_t i = 0; i < server::ProcedureCalls::maxPrepared; ++i)
        c.send(PacketType::Rpc, prepare);
    EXPECT_EQ(c.log.text().find("error 701"), std::string::npos);
    c.send(PacketType::Rpc, prepare);
    EXPECT_NE(c.log.text().find("error 701: There is insufficient system memory"), std::string::npos);
    EXPECT_EQ(c.lastDone(), hex("FE 02 00 00 00 00 00 00 00 00 00 00 00"));
    c.send(PacketType::Rpc, call(15, hex("00 00 26 04 04 01 00 00 00")));
    c.send(PacketType::Rpc, prepare);
    EXPECT_EQ(c.lastDone(), hex("FE 00 00 00 00 00 00 00 00 00 00 00 00"));
}
