// What a TDS 7.1 client gets: its own version back, requests without ALL_HEADERS, and the
// narrower token layouts of that version; long text as ntext.
#include <gtest/gtest.h>

#include "Bytes.h"
#include "taskstore/tds/Requests.h"
#include "taskstore/tds/ResultSetEncoder.h"
#include "taskstore/tds/TdsVersion.h"
#include "taskstore/tds/Tokens.h"

using namespace taskstore;
using namespace taskstore::tds;
using tdstest::concat;
using tdstest::hex;
using tdstest::ucs2;

namespace {

struct Encoded {
    std::vector<std::uint8_t> bytes;
    ByteWriter out{bytes};
};

}  // namespace

TEST(Tds71, EachClientGetsTheVersionItSpeaks)
{
    EXPECT_EQ(negotiateTdsVersion(0x71000001), tds71);
    EXPECT_EQ(negotiateTdsVersion(0x71000000), tds71);  // python-tds spells 7.1 this way
    EXPECT_EQ(negotiateTdsVersion(0x70000000), tds71);
    EXPECT_EQ(negotiateTdsVersion(0x72090002), tds72);
    EXPECT_EQ(negotiateTdsVersion(0x730A0003).value, 0x730A0003u);
    EXPECT_EQ(negotiateTdsVersion(0x730B0003).value, 0x730B0003u);
    EXPECT_EQ(negotiateTdsVersion(0x74000004), tds74);
    EXPECT_EQ(negotiateTdsVersion(0x80000000), tds74);
    EXPECT_FALSE(tds71.atLeast72());
    EXPECT_TRUE(negotiateTdsVersion(0x730B0003).atLeast72());
}

TEST(Tds71, RequestsCarryNoAllHeaders)
{
    EXPECT_EQ(decodeSqlBatch(ucs2("select 1"), tds71), "select 1");
    // The same bytes read as 7.2 would be an ALL_HEADERS block of absurd length.
    EXPECT_THROW(decodeSqlBatch(ucs2("select 1"), tds74), std::exception);
    EXPECT_EQ(decodeTransactionRequest(hex("07 00 00 00"), tds71).kind, TransactionRequest::Kind::Commit);
}

TEST(Tds71, NarrowCountsLineNumbersAndUserTypes)
{
    Encoded done;
    writeDone(done.out, done::count, curcmd::select, 0x100000002ull, tds71);
    EXPECT_EQ(done.bytes, hex("FD 10 00 C1 00 FF FF FF FF"));  // a count beyond 32 bits saturates

    Encoded error;
    writeMessage(error.out, SqlError{18456, 1, 14, "x", 3}, "", tds71);
    EXPECT_EQ(error.bytes, hex("AA 0E 00 18 48 00 00 01 0E 01 00 78 00 00 00 03 00"));

    Encoded meta;
    const std::vector<ColumnInfo> columns{{"id", SqlType::Int, 0, true}};
    writeColMetadata(meta.out, columns, tds71);
    EXPECT_EQ(meta.bytes, concat({hex("81 01 00 00 00 01 00 26 04 02"), ucs2("id")}));
}

TEST(Tds71, LongTextGoesOutAsNText)
{
    const std::vector<ColumnInfo> wide{{"w", SqlType::NVarChar, 5000, true}};
    Encoded meta;
    writeColMetadata(meta.out, wide, tds71);
    EXPECT_EQ(meta.bytes,
              concat({hex("81 01 00 00 00 01 00 63 FE FF FF 7F"),
                      std::vector<std::uint8_t>(defaultCollation.begin(), defaultCollation.end()), hex("00 00 01"),
                      ucs2("w")}));

    Encoded row;
    writeRow(row.out, wide,
             std::vector<ValueView>{
                 ValueView{ValueView::Kind::Text, 0, 0, "ab", {}},
             },
             tds71);
    EXPECT_EQ(row.bytes, concat({hex("D1 10"), std::vector<std::uint8_t>(24, 0), hex("04 00 00 00"), ucs2("ab")}));

    Encoded nullRow;
    writeRow(nullRow.out, wide, std::vector<ValueView>{ValueView{}}, tds71);
    EXPECT_EQ(nullRow.bytes, hex("D1 00"));
}
