// RPC requests as the decoder reads the bytes drivers send.
#include <gtest/gtest.h>

#include "Bytes.h"
#include "RpcBytes.h"
#include "taskstore/engine/ErrorCatalog.h"
#include "taskstore/tds/ProtocolError.h"
#include "taskstore/tds/RpcRequest.h"

using namespace taskstore;
using namespace taskstore::tds;
using tdstest::call;
using tdstest::concat;
using tdstest::hex;
using tdstest::ntext;
using tdstest::ucs2;
using tdstest::unnamedNullHandle;
using Kind = ValueView::Kind;

TEST(RpcRequest, DecodesTheCallsDriversSend)
{
    // FreeTDS's first SQLExecute of "select ? where 1 = ?" with 42 and 'abc'.
    const auto prepexec =
        call(13,
             concat({unnamedNullHandle, ntext("@P1 INT,@P2 VARCHAR(50)"), ntext("select @P1 where 1 = @P2"),
                     hex("00 00 26 04 04 2A 00 00 00"), hex("00 00 A7 32 00 09 04 D0 00 34 03 00 61 62 63")}));
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
    const auto byName = concat(
        {hex("0A 00"), ucs2("sp_execute"), hex("00 00"), hex("00 00 26 04 04 01 00 00 00"), hex("02"), ucs2("@b"),
         hex("00 26 08 08 CB 04 FB 71 1F 01 00 00"), hex("00 00 6D 08 08 00 00 00 00 00 00 F8 3F"),
         hex("00 00 6A 09 0A 03 09 01 39 30 00 00 00 00 00 00"), hex("00 00 6C 06 0A 03 06 00 39 30 00 00 00"),
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
    EXPECT_EQ(formatDecimal(p[3].value.decimal), "12.345");   // exact, never through float
    EXPECT_EQ(formatDecimal(p[4].value.decimal), "-12.345");  // FreeTDS's short decimal, sign 0 = negative
    EXPECT_EQ(p[5].value.integer, 1);
    EXPECT_EQ(p[6].value.integer, 255);  // tinyint is unsigned
    EXPECT_EQ(p[7].value.kind, Kind::Null);
    EXPECT_EQ(p[8].value.text, "ab");  // nvarchar(max) in chunks
    EXPECT_EQ(batch[1].procName, "sp_unprepare");
}

TEST(RpcRequest, SingleByteTextIsReadInItsCollationsCodePage)
{
    // 总账 in GBK under Chinese_PRC_CI_AS, é in CP1252 under SQL_Latin1_General_CP1_CI_AS, and a
    // GBK lead byte without its trail byte.
    const auto calls = decodeRpcRequest(call(
        10,
        concat({hex("00 00 A7 32 00 04 08 D0 00 00 04 00 D7 DC D5 CB"), hex("00 00 A7 32 00 09 04 D0 00 34 01 00 E9"),
                hex("00 00 A7 32 00 04 08 D0 00 00 02 00 41 D7")})));
    ASSERT_EQ(calls.at(0).parameters.size(), 3u);
    EXPECT_EQ(calls[0].parameters[0].value.text, "总账");
    EXPECT_EQ(calls[0].parameters[1].value.text, "é");
    EXPECT_EQ(calls[0].parameters[2].value.text, "A\xEF\xBF\xBD");
}

TEST(RpcRequest, ExactTypesKeepEveryDigitAndPart)
{
    // decimal(20,2) 12345678901234567.89, money -1.2345, smallmoney 2.5, uniqueidentifier,
    // varbinary 00 01 FF, date 2024-01-02, time(7) 03:04:05.1234567, datetime2(3)
    // 2024-01-02 03:04:05.123, datetimeoffset(0) 2024-01-02 01:00:00 +08:00 (sent as UTC).
    const auto calls = decodeRpcRequest(call(
        10,
        concat({hex("00 00 6A 11 14 02 11 01 15 81 E9 7D F4 10 22 11 00 00 00 00 00 00 00 00"),
                hex("00 00 6E 08 08 FF FF FF FF C7 CF FF FF"), hex("00 00 7A A8 61 00 00"),
                hex("00 00 24 10 10 FF 19 96 6F 86 8B 11 D0 B4 2D 00 C0 4F C9 64 FF"),
                hex("00 00 A5 40 1F 03 00 00 01 FF"), hex("00 00 28 03 46 46 0B"), hex("00 00 29 07 05 07 17 68 B7 19"),
                hex("00 00 2A 03 07 03 89 A8 00 46 46 0B"), hex("00 00 2B 00 08 10 EF 00 45 46 0B E0 01")})));
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
    EXPECT_EQ(formatTemporal(p[7].value.temporal, TemporalKind::DateTime2, p[7].value.scale),
              "2024-01-02 03:04:05.123");
    EXPECT_EQ(formatTemporal(p[8].value.temporal, TemporalKind::DateTimeOffset, 0), "2024-01-02 01:00:00 +08:00");
}

TEST(RpcRequest, MalformedCallsAreRefused)
{
    EXPECT_THROW(decodeRpcRequest(call(10, hex("00 00 26 04 04 2A 00"))), ProtocolError);     // value cut short
    EXPECT_THROW(decodeRpcRequest(call(10, hex("00 00 26 03 03 2A 00 00"))), ProtocolError);  // 3-byte int
    EXPECT_THROW(decodeRpcRequest(call(10, hex("00 00 F1 00"))), taskstore::SqlError);        // unknown type: answered
    EXPECT_THROW(decodeRpcRequest(call(10, hex("00 08 26 04 04 2A 00 00 00"))), ProtocolError);  // encrypted value
    EXPECT_THROW(decodeRpcRequest(call(10, hex("00 00 6F 08 08 00 00 00 00 FF FF FF FF"))), ProtocolError);
    EXPECT_THROW(decodeRpcRequest(concat({call(10, {}), hex("FF")})), ProtocolError);  // separator, no call
}

namespace {

// The error a request is answered with, or number 0 when it is decoded.
SqlError refusalOf(const std::vector<std::uint8_t>& request)
{
    try {
        decodeRpcRequest(request);
    } catch (const SqlError& error) {
        return error;
    }
    return {};
}

// A call to sp_executesql whose second parameter, @d, is `value` (type info and bytes).
std::vector<std::uint8_t> withDateParameter(std::string_view value)
{
    return call(10, concat({ntext("select @d"), hex("02"), ucs2("@d"), hex("00"), hex(value)}));
}

}  // namespace

TEST(RpcRequest, DatesOutsideTheirTypesRangeAreAnsweredWith8023)
{
    // datetime from 1753-01-01 to 9999-12-31, date and datetime2 to 9999-12-31 (day 3652058), and
    // datetimeoffset's local time in the same range with an offset of at most 14 hours.
    for (const char* valid : {"6F 08 08 46 2E FF FF 00 00 00 00", "6F 08 08 7F 24 2D 00 00 00 00 00", "3A FF FF 00 00",
                              "28 03 DA B9 37", "2A 00 06 00 00 00 DA B9 37", "2B 00 08 00 00 00 00 00 00 48 03",
                              "2B 00 08 00 00 00 01 00 00 B8 FC", "2B 00 08 70 43 01 DA B9 37 C4 FF"}) {
        SCOPED_TRACE(valid);
        EXPECT_EQ(refusalOf(withDateParameter(valid)).number, 0);
    }
    const struct {
        const char* value;
        const char* type;
    } invalid[] = {
        {"6F 08 08 45 2E FF FF 00 00 00 00", "datetime"},        // 1752-12-31
        {"6F 08 08 80 24 2D 00 00 00 00 00", "datetime"},        // 10000-01-01
        {"3D 80 24 2D 00 00 00 00 00", "datetime"},              // the same, not nullable
        {"28 03 DB B9 37", "date"},                              // 10000-01-01
        {"2A 00 06 00 00 00 DB B9 37", "datetime2"},             // 10000-01-01
        {"2B 00 08 00 00 00 00 00 00 49 03", "datetimeoffset"},  // +14:01
        {"2B 00 08 00 00 00 00 00 00 C4 FF", "datetimeoffset"},  // 0000-12-31 23:00 local
        {"2B 00 08 70 43 01 DA B9 37 3C 00", "datetimeoffset"},  // 10000-01-01 00:00 local
    };
    for (const auto& [value, type] : invalid) {
        SCOPED_TRACE(value);
        const SqlError error = refusalOf(withDateParameter(value));
        EXPECT_EQ(error.number, 8023);
        EXPECT_EQ(error.severity, 16);
        EXPECT_NE(error.message.find("Parameter 2 (\"@d\"): The supplied value is not a valid instance of data type "
                                     + std::string(type) + "."),
                  std::string::npos)
            << error.message;
    }
    // A time of day past midnight is no value at all: the stream is broken.
    EXPECT_THROW(decodeRpcRequest(withDateParameter("3A 00 00 A0 05")), ProtocolError);  // minute 1440
}

TEST(RpcRequest, CallsPastTheLimitAreAnswered)
{
    std::vector<std::uint8_t> calls = call(10, {});
    for (std::size_t i = 1; i < maxRpcCalls; ++i)
        calls = concat({calls, hex("FF FF FF 0A 00 00 00")});
    EXPECT_EQ(decodeRpcRequest(calls).size(), maxRpcCalls);
    const SqlError error = refusalOf(concat({calls, hex("FF FF FF 0A 00 00 00")}));
    EXPECT_EQ(error.number, ownMessageNumber);
    EXPECT_NE(error.message.find("more than 1000 procedure calls"), std::string::npos) << error.message;
}
