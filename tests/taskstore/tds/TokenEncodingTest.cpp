// Byte-exact checks of the reply tokens against the layouts clients parse.
#include <gtest/gtest.h>

#include "Bytes.h"
#include "taskstore/tds/LoginResponse.h"
#include "taskstore/tds/MessageWriter.h"
#include "taskstore/tds/Prelogin.h"
#include "taskstore/tds/ResultSetEncoder.h"
#include "taskstore/tds/Tokens.h"
#include "taskstore/tds/Utf16.h"

using namespace taskstore;
using namespace taskstore::tds;
using tdstest::concat;
using tdstest::hex;
using tdstest::ucs2;

namespace {

ValueView integer(std::int64_t v)
{
    ValueView value;
    value.kind = ValueView::Kind::Int;
    value.integer = v;
    return value;
}

ValueView text(std::string_view t)
{
    ValueView value;
    value.kind = ValueView::Kind::Text;
    value.text = t;
    return value;
}

struct Encoded {
    std::vector<std::uint8_t> bytes;
    ByteWriter out{bytes};
};

}  // namespace

TEST(TokenEncoding, PreloginReplyIsOnePacketOfTheKnownShape)
{
    std::vector<std::vector<std::uint8_t>> packets;
    MessageWriter writer([&](std::span<const std::uint8_t> p) { packets.emplace_back(p.begin(), p.end()); }, 0);
    writer.body().bytes(preloginReply());
    writer.endMessage();
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0],
              hex("04 01 00 2B 00 00 01 00"
                  "00 00 1A 00 06  01 00 20 00 01  02 00 21 00 01  03 00 22 00 00  04 00 22 00 01  FF"
                  "0F 00 07 D0 00 00  02  00  00"));
}

TEST(TokenEncoding, PreloginRequestOptionsAreReadAndBadOffsetsRefused)
{
    // ENCRYPTION = REQ and MARS = 1, data after the table.
    const auto request = hex("01 00 0B 00 01  04 00 0C 00 01  FF  03 01");
    const PreloginRequest parsed = parsePrelogin(request);
    EXPECT_EQ(parsed.encryption, Encrypt::Required);
    EXPECT_TRUE(parsed.marsRequested);
    EXPECT_THROW(parsePrelogin(hex("01 00 40 00 01 FF")), std::exception);  // data past the end
    EXPECT_THROW(parsePrelogin(hex("01 00 0B 00")), std::exception);        // table cut short
}

TEST(TokenEncoding, LoginAckCarriesVersionBigEndianAndNameLength)
{
    Encoded e;
    writeLoginAck(e.out, tds74, "Microsoft SQL Server", ProgramVersion{15, 0, 2000});
    EXPECT_EQ(e.bytes, concat({hex("AD 32 00 01 74 00 00 04 14"), ucs2("Microsoft SQL Server"), hex("0F 00 07 D0")}));
}

TEST(TokenEncoding, EnvChangeTokens)
{
    Encoded database;
    writeEnvChange(database.out, EnvChange::Database, "VOZUZODI", "master");
    EXPECT_EQ(database.bytes, concat({hex("E3 1F 00 01 08"), ucs2("VOZUZODI"), hex("06"), ucs2("master")}));

    Encoded packetSize;
    writeEnvChange(packetSize.out, EnvChange::PacketSize, "4096", "4096");
    EXPECT_EQ(packetSize.bytes, concat({hex("E3 13 00 04 04"), ucs2("4096"), hex("04"), ucs2("4096")}));

    Encoded collation;
    writeCollationChange(collation.out);
    EXPECT_EQ(collation.bytes, hex("E3 08 00 07 05 04 08 D0 00 00 00"));

    Encoded begin;
    writeTransactionChange(begin.out, EnvChange::BeginTransaction, 0x0807060504030201);
    EXPECT_EQ(begin.bytes, hex("E3 0B 00 08 08 01 02 03 04 05 06 07 08 00"));

    Encoded commit;
    writeTransactionChange(commit.out, EnvChange::CommitTransaction, 0x0807060504030201);
    EXPECT_EQ(commit.bytes, hex("E3 0B 00 09 00 08 01 02 03 04 05 06 07 08"));

    Encoded rollback;
    writeTransactionChange(rollback.out, EnvChange::RollbackTransaction, 5);
    EXPECT_EQ(rollback.bytes, hex("E3 0B 00 0A 00 08 05 00 00 00 00 00 00 00"));
}

TEST(TokenEncoding, InfoAndErrorLayout)
{
    Encoded info;
    writeMessage(info.out, SqlError{5701, 2, 0, "Changed database context to 'master'.", 1}, "SRV");
    const std::string text = "Changed database context to 'master'.";
    EXPECT_EQ(info.bytes,
              concat({hex("AB"),
                      {static_cast<std::uint8_t>(14 + 2 * text.size() + 6), 0},
                      hex("45 16 00 00 02 00"),
                      {static_cast<std::uint8_t>(text.size()), 0},
                      ucs2(text),
                      hex("03"),
                      ucs2("SRV"),
                      hex("00 01 00 00 00")}));

    Encoded error;
    writeMessage(error.out, SqlError{18456, 1, 14, "x", 3}, "");
    EXPECT_EQ(error.bytes, hex("AA 10 00 18 48 00 00 01 0E 01 00 78 00 00 00 03 00 00 00"));
}

TEST(TokenEncoding, LongMessageIsCutSoTheTokenLengthHolds)
{
    const auto units = [](const Encoded& e) { return static_cast<std::size_t>(e.bytes[9] | e.bytes[10] << 8); };
    const auto tokenLength = [](const Encoded& e) { return static_cast<std::size_t>(e.bytes[1] | e.bytes[2] << 8); };

    Encoded longText;
    writeMessage(longText.out, SqlError{105, 1, 15, std::string(40000, 'a'), 1}, "SRV");
    EXPECT_EQ(units(longText), 2047u);
    EXPECT_EQ(tokenLength(longText), longText.bytes.size() - 3);

    // A surrogate pair that would pass the limit is left out whole.
    Encoded pairAtTheEdge;
    writeMessage(pairAtTheEdge.out, SqlError{105, 1, 15, std::string(2046, 'a') + "\xF0\x9F\x98\x80z", 1}, "SRV");
    EXPECT_EQ(units(pairAtTheEdge), 2046u);
    EXPECT_EQ(tokenLength(pairAtTheEdge), pairAtTheEdge.bytes.size() - 3);
}

TEST(TokenEncoding, DoneLayout)
{
    Encoded e;
    writeDone(e.out, done::count | done::more, curcmd::select, 2);
    writeDone(e.out, done::attention, curcmd::none, 0);
    EXPECT_EQ(e.bytes,
              hex("FD 11 00 C1 00 02 00 00 00 00 00 00 00"
                  "FD 20 00 00 00 00 00 00 00 00 00 00 00"));
}

TEST(TokenEncoding, ColumnFlagsMarkNullableTableAndIdentityColumns)
{
    ColumnInfo identity{"id", SqlType::Int, 0, false};
    identity.identity = true;
    identity.tableColumn = true;
    ColumnInfo tableColumn{"n", SqlType::Int, 0, true};
    tableColumn.tableColumn = true;
    const std::vector<ColumnInfo> columns{identity, tableColumn, {"e", SqlType::Int, 0, false}};
    Encoded e;
    writeColMetadata(e.out, columns);
    // fNullable 0x01, usUpdateable 2 (0x08) on a table's columns, fIdentity 0x10; an expression 0.
    EXPECT_EQ(e.bytes, concat({hex("81 03 00"), hex("00 00 00 00 18 00 26 04 02"), ucs2("id"),
                               hex("00 00 00 00 09 00 26 04 01"), ucs2("n"), hex("00 00 00 00 00 00 26 04 01"),
                               ucs2("e")}));
}

TEST(TokenEncoding, ResultSetWithNullsAndAllTypes)
{
    const std::vector<ColumnInfo> columns{
        {"id", SqlType::Int, 0, true},   {"name", SqlType::NVarChar, 50, true}, {"big", SqlType::BigInt, 0, false},
        {"flag", SqlType::Bit, 0, true}, {"ratio", SqlType::Float, 0, true},    {"at", SqlType::DateTime, 0, true},
    };
    Encoded e;
    writeColMetadata(e.out, columns);
    EXPECT_EQ(
        e.bytes,
        concat({hex("81 06 00"), hex("00 00 00 00 01 00 26 04 02"), ucs2("id"),
                hex("00 00 00 00 01 00 E7 64 00 04 08 D0 00 00 04"), ucs2("name"), hex("00 00 00 00 00 00 26 08 03"),
                ucs2("big"), hex("00 00 00 00 01 00 68 01 04"), ucs2("flag"), hex("00 00 00 00 01 00 6D 08 05"),
                ucs2("ratio"), hex("00 00 00 00 01 00 6F 08 02"), ucs2("at")}));

    const ValueView id = integer(1);
    const ValueView name = text("ABC");
    const ValueView big = integer(-2);
    const ValueView flag = integer(1);
    ValueView ratio;
    ratio.kind = ValueView::Kind::Float;
    ratio.real = 1.5;
    ValueView at;
    at.kind = ValueView::Kind::DateTime;
    at.datetime = DateTime{45304, 14859150};  // 2024-01-15 13:45:30.500
    const std::vector<ValueView> full{id, name, big, flag, ratio, at};
    const std::vector<ValueView> nulls{ValueView{}, ValueView{}, big, ValueView{}, ValueView{}, ValueView{}};

    Encoded rows;
    writeRow(rows.out, columns, full);
    writeRow(rows.out, columns, nulls);
    EXPECT_EQ(rows.bytes,
              hex("D1 04 01 00 00 00  06 00 41 00 42 00 43 00  08 FE FF FF FF FF FF FF FF"
                  "   01 01  08 00 00 00 00 00 00 F8 3F  08 F8 B0 00 00 8E BB E2 00"
                  "D1 00  FF FF  08 FE FF FF FF FF FF FF FF  00 00 00"));
}

TEST(TokenEncoding, ParameterTypesGoOutAsThemselves)
{
    const std::vector<ColumnInfo> columns{
        {"d", SqlType::Decimal, 0, true, 20, 2}, {"m", SqlType::Money, 0, true, 19, 4},
        {"t", SqlType::TinyInt, 0, true},        {"g", SqlType::UniqueIdentifier, 16, true},
        {"b", SqlType::VarBinary, 10, true},     {"dt", SqlType::DateTimeOffset, 0, true, 0, 3},
    };
    ValueView d;
    d.kind = ValueView::Kind::Decimal;
    d.decimal = *parseDecimal("-12345678901234567.89");
    ValueView m;
    m.kind = ValueView::Kind::Decimal;
    m.decimal = *parseDecimal("-1.2345");
    ValueView g;
    g.kind = ValueView::Kind::Binary;
    g.text = "0123456789abcdef";
    ValueView b;
    b.kind = ValueView::Kind::Binary;
    b.text = std::string_view("\x00\xFF", 2);
    ValueView dt;
    dt.kind = ValueView::Kind::Temporal;
    dt.temporal = *parseTemporal("2024-01-02 01:00:00.125 +08:00", TemporalKind::DateTimeOffset);

    Encoded meta;
    writeColMetadata(meta.out, columns);
    EXPECT_EQ(
        meta.bytes,
        concat({hex("81 06 00"), hex("00 00 00 00 01 00 6A 0D 14 02 01"), ucs2("d"), hex("00 00 00 00 01 00 6E 08 01"),
                ucs2("m"), hex("00 00 00 00 01 00 26 01 01"), ucs2("t"), hex("00 00 00 00 01 00 24 10 01"), ucs2("g"),
                hex("00 00 00 00 01 00 A5 0A 00 01"), ucs2("b"), hex("00 00 00 00 01 00 2B 03 02"), ucs2("dt")}));
    Encoded row;
    writeRow(row.out, columns, std::vector<ValueView>{d, m, integer(255), g, b, dt});
    EXPECT_EQ(
        row.bytes,
        concat({hex("D1 0D 00 15 81 E9 7D F4 10 22 11 00 00 00 00"),  // sign 0: negative
                hex("08 FF FF FF FF C7 CF FF FF 01 FF 10"), std::vector<std::uint8_t>(g.text.begin(), g.text.end()),
                hex("02 00 00 FF"), hex("09 FD D6 A5 03 45 46 0B E0 01")}));  // 17:00:00.125 UTC, 2024-01-01, +480

    // Before 7.3 the date and time types are text; a value of the wrong scale is refused.
    Encoded old;
    writeRow(old.out, std::vector<ColumnInfo>{columns[5]}, std::vector<ValueView>{dt}, tds71);
    EXPECT_EQ(old.bytes, concat({hex("D1 3C 00"), ucs2("2024-01-02 01:00:00.125 +08:00")}));
    ColumnInfo scale3 = columns[0];
    scale3.scale = 3;
    EXPECT_THROW(writeRow(old.out, std::vector<ColumnInfo>{scale3}, std::vector<ValueView>{d}), CellError);
}

TEST(TokenEncoding, SmallTypesVariantAndFixedTextGoOutAsSqlServerSendsThem)
{
    const std::vector<ColumnInfo> columns{
        {"s", SqlType::SmallInt, 0, true}, {"t", SqlType::SmallDateTime, 0, true}, {"v", SqlType::Variant, 0, true},
        {"n", SqlType::NChar, 3, true},    {"c", SqlType::Char, 2, true},
    };
    Encoded meta;
    writeColMetadata(meta.out, columns);
    EXPECT_EQ(meta.bytes,
              concat({hex("81 05 00"), hex("00 00 00 00 01 00 26 02 01"), ucs2("s"), hex("00 00 00 00 01 00 6F 04 01"),
                      ucs2("t"), hex("00 00 00 00 01 00 62 50 1F 00 00 01"), ucs2("v"),
                      hex("00 00 00 00 01 00 EF 06 00 04 08 D0 00 00 01"), ucs2("n"),
                      hex("00 00 00 00 01 00 AF 02 00 04 08 D0 00 00 01"), ucs2("c")}));
    ValueView at;
    at.kind = ValueView::Kind::DateTime;
    at.datetime = DateTime{45304, 14859150};  // 2024-01-15 13:45:30.500: half a minute rounds up to 13:46
    Encoded row;
    writeRow(row.out, columns, std::vector<ValueView>{integer(-2), at, text("ab"), text("a  "), text("b ")});
    writeRow(row.out, columns, std::vector<ValueView>(5));
    EXPECT_EQ(row.bytes,
              hex("D1 02 FE FF  04 F8 B0 3A 03  0D 00 00 00 E7 07 04 08 D0 00 00 00 01 61 00 62 00"
                  "   06 00 61 00 20 00 20 00  02 00 62 20"
                  "D1 00  00  00 00 00 00  FF FF  FF FF"));
    Encoded tooBig;
    EXPECT_THROW(writeRow(tooBig.out, std::vector<ColumnInfo>{columns[0]}, std::vector<ValueView>{integer(32768)}),
                 CellError);
}

TEST(TokenEncoding, VarcharGoesOutInTheCodePageWithTheCollation)
{
    const std::vector<ColumnInfo> columns{{"s", SqlType::VarChar, 10, true},
                                          {"m", SqlType::VarChar, ColumnInfo::unlimited, true}};
    Encoded meta;
    writeColMetadata(meta.out, columns);
    EXPECT_EQ(meta.bytes,
              concat({hex("81 02 00 00 00 00 00 01 00 A7 0A 00 04 08 D0 00 00 01"), ucs2("s"),
                      hex("00 00 00 00 01 00 A7 FF FF 04 08 D0 00 00 01"), ucs2("m")}));
    Encoded row;
    writeRow(row.out, columns, std::vector<ValueView>{text("总账"), text("a")});
    EXPECT_EQ(row.bytes, hex("D1 04 00 D7 DC D5 CB  01 00 00 00 00 00 00 00 01 00 00 00 61 00 00 00 00"));
    // A character the code page lacks is a '?' for each UTF-16 unit; one byte may follow two.
    Encoded mixed;
    writeRow(mixed.out, columns, std::vector<ValueView>{text("\xC3\xA9\xF0\x9F\x98\x80\x80" "a"), ValueView{}});
    EXPECT_EQ(mixed.bytes, hex("D1 06 00 A8 A6 3F 3F 3F 61  FF FF FF FF FF FF FF FF"));
    // Ten bytes hold five Chinese characters, not six; at TDS 7.1 varchar(max) is text.
    EXPECT_THROW(writeRow(row.out, columns, std::vector<ValueView>{text("一二三四五六"), ValueView{}}), CellError);
    Encoded old;
    writeColMetadata(old.out, std::vector<ColumnInfo>{columns[1]}, tds71);
    EXPECT_EQ(old.bytes, concat({hex("81 01 00 00 00 01 00 23 FE FF FF 7F 04 08 D0 00 00 00 00 01"), ucs2("m")}));
}

TEST(TokenEncoding, LongTextIsNeverCut)
{
    const std::vector<ColumnInfo> shortColumn{{"s", SqlType::NVarChar, 3, true}};
    Encoded refused;
    EXPECT_THROW(writeRow(refused.out, shortColumn, std::vector<ValueView>{text("ABCD")}), CellError);

    // Above 4000 characters a column goes out as nvarchar(max) with the whole value.
    const std::vector<ColumnInfo> wide{{"w", SqlType::NVarChar, 5000, true}};
    Encoded meta;
    writeColMetadata(meta.out, wide);
    EXPECT_TRUE(tdstest::contains(meta.bytes, hex("E7 FF FF 04 08 D0 00 00")));
    const std::string value(4500, 'x');
    Encoded row;
    writeRow(row.out, wide, std::vector<ValueView>{text(value)});
    ASSERT_EQ(row.bytes.size(), 1 + 8 + 4 + 9000 + 4u);
    EXPECT_EQ(std::vector<std::uint8_t>(row.bytes.begin(), row.bytes.begin() + 13),
              hex("D1 28 23 00 00 00 00 00 00 28 23 00 00"));
    EXPECT_EQ(std::vector<std::uint8_t>(row.bytes.end() - 4, row.bytes.end()), hex("00 00 00 00"));

    Encoded nullRow;
    writeRow(nullRow.out, wide, std::vector<ValueView>{ValueView{}});
    EXPECT_EQ(nullRow.bytes, hex("D1 FF FF FF FF FF FF FF FF"));
}

TEST(TokenEncoding, IntOverflowAndWrongKindsAreRefused)
{
    const std::vector<ColumnInfo> intColumn{{"i", SqlType::Int, 0, true}};
    Encoded e;
    EXPECT_THROW(writeRow(e.out, intColumn, std::vector<ValueView>{integer(1LL << 40)}), CellError);
    EXPECT_THROW(writeRow(e.out, intColumn, std::vector<ValueView>{text("1")}), CellError);
}

TEST(TokenEncoding, NonBmpTextBecomesSurrogatePair)
{
    const std::vector<ColumnInfo> columns{{"s", SqlType::NVarChar, 10, true}};
    Encoded e;
    writeRow(e.out, columns, std::vector<ValueView>{text("\xE5\xBC\x82\xF0\x9F\x98\x80")});  // 异 and U+1F600
    EXPECT_EQ(e.bytes, hex("D1 06 00 02 5F 3D D8 00 DE"));
}

TEST(TokenEncoding, Utf16TextIsAppendedWholeCharactersOnly)
{
    std::vector<std::uint8_t> out{0xAA};
    // "a", U+1F600 (a surrogate pair), 异 and a byte that is no UTF-8
    EXPECT_EQ(appendUtf16le(out, "a\xF0\x9F\x98\x80\xE5\xBC\x82\xFF"), 5u);
    EXPECT_EQ(out, hex("AA 61 00 3D D8 00 DE 02 5F FD FF"));

    // A pair that does not fit is left out whole, and nothing after it is written.
    out.clear();
    EXPECT_EQ(appendUtf16le(out,
                            "a\xF0\x9F\x98\x80"
                            "b",
                            2),
              1u);
    EXPECT_EQ(out, hex("61 00"));
    out.clear();
    EXPECT_EQ(appendUtf16le(out, "abc", 0), 0u);
    EXPECT_TRUE(out.empty());
}
