// RPC requests: the decoder on the bytes drivers send, the parameter declarations, and the
// replies of the prepare/execute family in SQL Server's token order, at TDS 7.4 and 7.1.
#include <gtest/gtest.h>

#include "Bytes.h"
#include "Conversation.h"
#include "taskstore/protocol/ParameterDeclarations.h"
#include "taskstore/protocol/ProtocolError.h"
#include "taskstore/protocol/RpcRequest.h"
#include "taskstore/server/ProcedureCalls.h"

using namespace taskstore;
using namespace taskstore::tds;
using tdstest::concat;
using tdstest::contains;
using tdstest::hex;
using tdstest::ucs2;

namespace {

using Kind = ValueView::Kind;

std::vector<std::uint8_t> ntext(std::string_view ascii)
{
    const auto text = ucs2(ascii);
    const auto n = static_cast<std::uint8_t>(text.size());
    return concat({hex("00 00 63"), {n, 0, 0, 0}, hex("09 04 D0 00 34"), {n, 0, 0, 0}, text});
}

// A call by id with ALL_HEADERS when the version has them.
std::vector<std::uint8_t> call(std::uint8_t procId, std::vector<std::uint8_t> parameters, bool allHeaders = true)
{
    return concat({allHeaders ? tdstest::noTransactionHeaders : std::vector<std::uint8_t>{},
                   {0xFF, 0xFF, procId, 0, 0, 0}, std::move(parameters)});
}

const auto unnamedNullHandle = hex("00 01 26 04 00");

}  // namespace

TEST(Rpc, DecodesTheCallsDriversSend)
{
    // FreeTDS's first SQLExecute of "select ? where 1 = ?" with 42 and 'abc'.
    const auto prepexec = call(13, concat({unnamedNullHandle, ntext("@P1 INT,@P2 VARCHAR(50)"),
                                           ntext("select @P1 where 1 = @P2"), hex("00 00 26 04 04 2A 00 00 00"),
                                           hex("00 00 A7 32 00 09 04 D0 00 34 03 00 61 62 63")}));
    const auto calls = decodeRpcRequest(prepexec);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].procName, "sp_prepexec");
    ASSERT_EQ(calls[0].parameters.size(), 5u);
    EXPECT_TRUE(calls[0].parameters[0].output);
    EXPECT_EQ(calls[0].parameters[0].value.kind, Kind::Null);
    EXPECT_EQ(calls[0].parameters[2].value.text, "select @P1 where 1 = @P2");
    EXPECT_EQ(calls[0].parameters[3].value.integer, 42);
    EXPECT_EQ(calls[0].parameters[4].value.text, "abc");

    // By name, two calls separated by 0x80 at 7.1 (no ALL_HEADERS), values of every width.
    const auto byName = concat({hex("0A 00"), ucs2("sp_execute"), hex("00 00"), hex("00 00 26 04 04 01 00 00 00"),
                                hex("02"), ucs2("@b"), hex("00 26 08 08 CB 04 FB 71 1F 01 00 00"),
                                hex("00 00 6D 08 08 00 00 00 00 00 00 F8 3F"),
                                hex("00 00 6A 09 0A 03 09 01 39 30 00 00 00 00 00 00"),
                                hex("00 00 6C 06 0A 03 06 00 39 30 00 00 00"),
                                hex("00 00 68 01 01 01"), hex("00 00 26 01 01 FF"), hex("00 00 6F 08 00"),
                                hex("00 00 E7 FF FF 09 04 D0 00 34 FE FF FF FF FF FF FF FF 02 00 00 00 61 00 02 00 00 00 62 00 00 00 00 00"),
                                hex("80 FF FF 0F 00 00 00 00 00 26 04 04 01 00 00 00")});
    const auto batch = decodeRpcRequest(byName, tds71);
    ASSERT_EQ(batch.size(), 2u);
    EXPECT_FALSE(batch[0].procId);
    const auto& p = batch[0].parameters;
    ASSERT_EQ(p.size(), 9u);
    EXPECT_EQ(p[1].name, "@b");
    EXPECT_EQ(p[1].value.integer, 1234567890123);
    EXPECT_EQ(p[2].value.real, 1.5);
    EXPECT_EQ(formatDecimal(p[3].value.decimal), "12.345");  // exact, never through float
    EXPECT_EQ(formatDecimal(p[4].value.decimal), "-12.345");  // FreeTDS's short decimal, sign 0 = negative
    EXPECT_EQ(p[5].value.integer, 1);
    EXPECT_EQ(p[6].value.integer, 255);  // tinyint is unsigned
    EXPECT_EQ(p[7].value.kind, Kind::Null);
    EXPECT_EQ(p[8].value.text, "ab");  // nvarchar(max) in chunks
    EXPECT_EQ(batch[1].procName, "sp_unprepare");
}

TEST(Rpc, SingleByteTextIsReadInItsCollationsCodePage)
{
    // 总账 in GBK under Chinese_PRC_CI_AS, é in CP1252 under SQL_Latin1_General_CP1_CI_AS, and a
    // GBK lead byte without its trail byte.
    const auto calls = decodeRpcRequest(call(10, concat({hex("00 00 A7 32 00 04 08 D0 00 00 04 00 D7 DC D5 CB"),
                                                         hex("00 00 A7 32 00 09 04 D0 00 34 01 00 E9"),
                                                         hex("00 00 A7 32 00 04 08 D0 00 00 02 00 41 D7")})));
    ASSERT_EQ(calls.at(0).parameters.size(), 3u);
    EXPECT_EQ(calls[0].parameters[0].value.text, "总账");
    EXPECT_EQ(calls[0].parameters[1].value.text, "é");
    EXPECT_EQ(calls[0].parameters[2].value.text, "A\xEF\xBF\xBD");
}

TEST(Rpc, ExactTypesKeepEveryDigitAndPart)
{
    // decimal(20,2) 12345678901234567.89, money -1.2345, smallmoney 2.5, uniqueidentifier,
    // varbinary 00 01 FF, date 2024-01-02, time(7) 03:04:05.1234567, datetime2(3)
    // 2024-01-02 03:04:05.123, datetimeoffset(0) 2024-01-02 01:00:00 +08:00 (sent as UTC).
    const auto calls = decodeRpcRequest(call(10, concat({
        hex("00 00 6A 11 14 02 11 01 15 81 E9 7D F4 10 22 11 00 00 00 00 00 00 00 00"),
        hex("00 00 6E 08 08 FF FF FF FF C7 CF FF FF"), hex("00 00 7A A8 61 00 00"),
        hex("00 00 24 10 10 FF 19 96 6F 86 8B 11 D0 B4 2D 00 C0 4F C9 64 FF"),
        hex("00 00 A5 40 1F 03 00 00 01 FF"), hex("00 00 28 03 46 46 0B"),
        hex("00 00 29 07 05 07 17 68 B7 19"), hex("00 00 2A 03 07 03 89 A8 00 46 46 0B"),
        hex("00 00 2B 00 08 10 EF 00 45 46 0B E0 01")})));
    const auto& p = calls.at(0).parameters;
    ASSERT_EQ(p.size(), 9u);
    EXPECT_EQ(formatDecimal(p[0].value.decimal), "12345678901234567.89");
    EXPECT_EQ(formatDecimal(p[1].value.decimal), "-1.2345");
    EXPECT_EQ(formatDecimal(p[2].value.decimal), "2.5000");
    EXPECT_EQ(p[3].value.kind, Kind::Binary);
    EXPECT_EQ(p[3].value.text.size(), 16u);
    EXPECT_EQ(p[4].value.text, std::string("\x00\x01\xFF", 3));
    EXPECT_EQ(formatTemporal(p[5].value.temporal, TemporalKind::Date, 0), "2024-01-02");
    EXPECT_EQ(formatTemporal(p[6].value.temporal, TemporalKind::Time, 7), "03:04:05.1234567");
    EXPECT_EQ(formatTemporal(p[7].value.temporal, TemporalKind::DateTime2, p[7].value.scale), "2024-01-02 03:04:05.123");
    EXPECT_EQ(formatTemporal(p[8].value.temporal, TemporalKind::DateTimeOffset, 0), "2024-01-02 01:00:00 +08:00");
}

TEST(Rpc, MalformedCallsAreRefused)
{
    EXPECT_THROW(decodeRpcRequest(call(10, hex("00 00 26 04 04 2A 00"))), ProtocolError);        // value cut short
    EXPECT_THROW(decodeRpcRequest(call(10, hex("00 00 26 03 03 2A 00 00"))), ProtocolError);     // 3-byte int
    EXPECT_THROW(decodeRpcRequest(call(10, hex("00 00 F1 00"))), taskstore::SqlError);                 // unknown type: answered
    EXPECT_THROW(decodeRpcRequest(call(10, hex("00 08 26 04 04 2A 00 00 00"))), ProtocolError);  // encrypted value
    EXPECT_THROW(decodeRpcRequest(call(10, hex("00 00 6F 08 08 00 00 00 00 FF FF FF FF"))), ProtocolError);
    EXPECT_THROW(decodeRpcRequest(concat({call(10, {}), hex("FF")})), ProtocolError);             // separator, no call
}

TEST(Rpc, DeclarationsAsClientsWriteThem)
{
    const auto list = parseParameterDeclarations("@id int, @d decimal(10, 3),@long NVARCHAR(MAX) ,@o int OUTPUT,@x bit out");
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[1].name, "@d");
    EXPECT_EQ(list[1].type, "decimal(10, 3)");
    EXPECT_EQ(list[2].type, "NVARCHAR(MAX)");
    EXPECT_TRUE(list[3].output);
    EXPECT_EQ(list[3].type, "int");
    EXPECT_TRUE(list[4].output);
    EXPECT_TRUE(parseParameterDeclarations("  ").empty());
    for (const char* bad : {"id int", "@id", "@a int,,@b int", "@a decimal(10, 3"})
        EXPECT_THROW(parseParameterDeclarations(bad), SqlError) << bad;
}

TEST(Rpc, PrepareExecuteAndUnprepareAnswerInSqlServersOrder)
{
    tdstest::Conversation c;
    ASSERT_EQ(c.login("s3cret"), std::nullopt);

    c.send(PacketType::Rpc, call(13, concat({unnamedNullHandle, ntext("@P1 int"), ntext("rows 1"),
                                             hex("00 00 26 04 04 07 00 00 00")})));
    EXPECT_EQ(c.sent, concat({hex("81 01 00 00 00 00 00 00 00 26 04 01"), ucs2("n"), hex("D1 04 01 00 00 00"),
                              hex("FF 11 00 C1 00 01 00 00 00 00 00 00 00"),  // DONEINPROC with the count
                              hex("79 00 00 00 00"),                          // RETURNSTATUS
                              hex("AC 00 00 00 01 00 00 00 00 01 00 26 04 04 01 00 00 00"),  // the handle
                              hex("FE 00 00 00 00 00 00 00 00 00 00 00 00")}));
    ASSERT_EQ(c.engine.lastParameters.size(), 1u);
    EXPECT_EQ(c.engine.lastParameters[0].name, "@P1");
    EXPECT_EQ(c.engine.lastParameters[0].declaredType, "int");
    EXPECT_EQ(c.engine.lastParameters[0].integer, 7);

    // Named handle echoed; two executes of handle 1 in one request, the first DONEPROC says more.
    c.send(PacketType::Rpc, call(11, concat({hex("07"), ucs2("@handle"), hex("01 26 04 00"), ntext("@P1 int"), ntext("rows 0")})));
    EXPECT_TRUE(contains(c.sent, concat({hex("AC 00 00 07"), ucs2("@handle"), hex("01 00 00 00 00 01 00 26 04 04 02 00 00 00")})));
    const auto execute = hex("FF FF 0C 00 00 00 00 00 26 04 04 01 00 00 00 00 00 26 04 04 03 00 00 00");
    c.send(PacketType::Rpc, concat({tdstest::noTransactionHeaders, execute, hex("FF"), execute}));
    EXPECT_TRUE(contains(c.sent, hex("79 00 00 00 00 FE 81 00 00 00 00 00 00 00 00 00 00 00")));
    EXPECT_EQ(c.lastDone(), hex("FE 00 00 00 00 00 00 00 00 00 00 00 00"));

    c.send(PacketType::Rpc, call(15, hex("00 00 26 04 04 01 00 00 00")));
    EXPECT_EQ(c.sent, hex("79 00 00 00 00 FE 00 00 00 00 00 00 00 00 00 00 00 00"));
}

TEST(Rpc, OutputParametersComeBackAfterTheReturnStatus)
{
    tdstest::Conversation c;
    ASSERT_EQ(c.login("s3cret"), std::nullopt);
    c.send(PacketType::Rpc, call(10, concat({ntext("rows 0"), ntext("@P1 int OUTPUT"), hex("03"), ucs2("@P1"),
                                             hex("01 26 04 04 05 00 00 00")})));
    EXPECT_TRUE(contains(c.sent, concat({hex("79 00 00 00 00 AC 02 00 03"), ucs2("@P1"),
                                         hex("01 00 00 00 00 01 00 26 04 04 05 00 00 00 FE 00 00")})));
}

TEST(Rpc, ErrorsReachTheClientAndTheConnectionGoesOn)
{
    tdstest::Conversation c;
    ASSERT_EQ(c.login("s3cret", "VOZUZODI", 0x71000001), std::nullopt);

    const auto named = concat({hex("0B 00"), ucs2("sp_who_else"), hex("00 00")});
    EXPECT_EQ(c.send(PacketType::Rpc, named), std::nullopt);
    EXPECT_NE(c.log.text().find("error 2812: Could not find stored procedure 'sp_who_else'."), std::string::npos);
    EXPECT_EQ(std::vector<std::uint8_t>(c.sent.end() - 9, c.sent.end()), hex("FE 02 00 00 00 00 00 00 00"));  // 7.1 counts

    // A type taskstore cannot take (sql_variant) is answered with an error; the session goes on.
    EXPECT_EQ(c.send(PacketType::Rpc, call(10, concat({ntext("rows 1"), ntext("@P1 sql_variant"), hex("00 00 62 10 00 00 00")}), false)),
              std::nullopt);
    EXPECT_NE(c.log.text().find("error 8009: The incoming tabular data stream (TDS) remote procedure call (RPC) protocol "
                                "stream is incorrect. Data type 0x62 is unknown."),
              std::string::npos)
        << c.log.text();

    c.send(PacketType::Rpc, call(12, hex("00 00 26 04 04 09 00 00 00"), false));
    EXPECT_NE(c.log.text().find("error 8179: Could not find prepared statement with handle 9."), std::string::npos);

    c.send(PacketType::Rpc, call(10, concat({ntext("rows 1"), ntext("@P1 int, @P2 int"), hex("00 00 26 04 04 01 00 00 00")}), false));
    EXPECT_NE(c.log.text().find("error 8178: The parameterized query '(@P1 int, @P2 int)rows 1' expects the parameter "
                                "'@P2', which was not supplied."),
              std::string::npos)
        << c.log.text();

    // Values never become text: the statement the engine ran is the one sent.
    c.send(PacketType::Rpc, call(10, concat({ntext("rows 1"), ntext("@P1 nvarchar(30)"), ntext("'; drop table zk_task --")}), false));
    EXPECT_EQ(c.engine.lastParameters.at(0).text, "'; drop table zk_task --");
    EXPECT_EQ(std::vector<std::uint8_t>(c.sent.end() - 9, c.sent.end()), hex("FE 00 00 00 00 00 00 00 00"));
}

TEST(Rpc, ParameterAndPreparedLimitsAnswerErrorsAndTheConnectionGoesOn)
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
