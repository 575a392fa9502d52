// Packet framing in both directions: requests reassembled whatever the read boundaries, replies
// split at the negotiated size with end-of-message only on the last packet.
#include <gtest/gtest.h>

#include "Bytes.h"
#include "taskstore/tds/MessageAssembler.h"
#include "taskstore/tds/MessageWriter.h"
#include "taskstore/tds/ProtocolError.h"
#include "taskstore/tds/Requests.h"
#include "taskstore/tds/TokenSink.h"

using namespace taskstore;
using namespace taskstore::tds;
using tdstest::concat;
using tdstest::hex;
using tdstest::ucs2;

namespace {

std::vector<std::uint8_t> packet(std::uint8_t type, std::uint8_t status, const std::vector<std::uint8_t>& body)
{
    const auto length = static_cast<std::uint16_t>(body.size() + 8);
    return concat(
        {{type, status, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length), 0, 0, 1, 0}, body});
}

const std::vector<std::uint8_t> allHeaders = hex("16 00 00 00 12 00 00 00 02 00 00 00 00 00 00 00 00 00 01 00 00 00");

struct Capture {
    std::vector<std::vector<std::uint8_t>> packets;
    MessageWriter::PacketOutput output()
    {
        return [this](std::span<const std::uint8_t> p) { packets.emplace_back(p.begin(), p.end()); };
    }
    std::vector<std::uint8_t> payload() const
    {
        std::vector<std::uint8_t> all;
        for (const auto& p : packets)
            all.insert(all.end(), p.begin() + 8, p.end());
        return all;
    }
};

}  // namespace

TEST(MessageFraming, BatchSplitAcrossPacketsAndReadsIsReassembled)
{
    // The batch text straddles two packets, and a UTF-16 unit straddles the packet boundary.
    const auto body = concat({allHeaders, ucs2("select 1")});
    const std::size_t cut = allHeaders.size() + 5;
    const auto stream = concat({packet(1, 0, {body.begin(), body.begin() + cut}),
                                packet(1, 1, {body.begin() + cut, body.end()}), packet(6, 1, {})});
    MessageAssembler assembler;
    std::vector<Message> messages;
    for (std::uint8_t byte : stream)  // one byte per read: the worst a socket can do
        assembler.feed(std::span<const std::uint8_t>(&byte, 1), messages);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].type, PacketType::SqlBatch);
    EXPECT_EQ(decodeSqlBatch(messages[0].payload), "select 1");
    EXPECT_EQ(messages[1].type, PacketType::Attention);
    EXPECT_FALSE(assembler.midMessage());
}

TEST(MessageFraming, MalformedFramingIsRefused)
{
    std::vector<Message> messages;
    MessageAssembler shortHeader;
    EXPECT_THROW(shortHeader.feed(hex("01 01 00 04 00 00 01 00"), messages), ProtocolError);

    MessageAssembler typeChange;
    EXPECT_THROW(typeChange.feed(concat({packet(1, 0, ucs2("a")), packet(14, 1, ucs2("b"))}), messages), ProtocolError);

    MessageAssembler small(16);
    EXPECT_THROW(
        small.feed(concat({packet(1, 0, std::vector<std::uint8_t>(10)), packet(1, 1, std::vector<std::uint8_t>(10))}),
                   messages),
        ProtocolError);

    MessageAssembler ignored;
    ignored.feed(concat({packet(1, 0, ucs2("abc")), packet(1, 3, {})}), messages);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].ignored);
    EXPECT_TRUE(messages[0].payload.empty());
}

TEST(MessageFraming, RequestHeadersAreValidated)
{
    EXPECT_THROW(decodeSqlBatch(hex("40 00 00 00 00 00")), ProtocolError);                  // longer than request
    EXPECT_THROW(decodeSqlBatch(hex("0A 00 00 00 02 00 00 00 02 00")), ProtocolError);      // header too short
    EXPECT_THROW(decodeSqlBatch(concat({allHeaders, hex("00 D8 41 00")})), ProtocolError);  // lone surrogate
    EXPECT_EQ(decodeSqlBatch(concat({allHeaders, hex("02 5F")})), "\xE5\xBC\x82");

    const auto commitAndBegin = decodeTransactionRequest(concat({allHeaders, hex("07 00 00 01 00 00")}));
    EXPECT_EQ(commitAndBegin.kind, TransactionRequest::Kind::Commit);
    EXPECT_TRUE(commitAndBegin.beginNew);
    const auto rollback = decodeTransactionRequest(concat({allHeaders, hex("08 00 00 00")}));
    EXPECT_EQ(rollback.kind, TransactionRequest::Kind::Rollback);
    EXPECT_FALSE(rollback.beginNew);
    EXPECT_EQ(decodeTransactionRequest(concat({allHeaders, hex("05 00 02 00")})).kind, TransactionRequest::Kind::Begin);
    EXPECT_THROW(decodeTransactionRequest(concat({allHeaders, hex("05 00 02 09 41")})), ProtocolError);
    EXPECT_THROW(decodeTransactionRequest(concat({allHeaders, hex("01 00")})), ProtocolError);
}

TEST(MessageFraming, ReplyLargerThanPacketSizeIsSplit)
{
    Capture capture;
    MessageWriter writer(capture.output(), 52, 512);
    std::vector<std::uint8_t> expected;
    for (int i = 0; i < 300; ++i) {
        const std::uint8_t token[] = {0xD1, static_cast<std::uint8_t>(i), 1, 2, 3};
        writer.body().bytes(token);
        expected.insert(expected.end(), std::begin(token), std::end(token));
        writer.flushFullPackets();
    }
    writer.endMessage();
    ASSERT_EQ(capture.packets.size(), 3u);  // 1500 bytes at 504 per packet
    for (std::size_t i = 0; i < capture.packets.size(); ++i) {
        const auto& p = capture.packets[i];
        EXPECT_LE(p.size(), 512u);
        EXPECT_EQ(p[0], 4);
        EXPECT_EQ(p[1], i + 1 == capture.packets.size() ? 1 : 0);
        EXPECT_EQ(p[2] << 8 | p[3], static_cast<int>(p.size()));
        EXPECT_EQ(p[4] << 8 | p[5], 52);
        EXPECT_EQ(p[6], i + 1);
    }
    EXPECT_EQ(capture.payload(), expected);

    // The next message numbers its packets from 1 again, at a changed size.
    writer.setPacketSize(100000);
    writer.body().bytes(hex("FD 00 00"));
    writer.endMessage();
    EXPECT_EQ(capture.packets.back()[6], 1);
    EXPECT_EQ(writer.packetSize(), 32767u);
}

TEST(MessageFraming, SinkHoldsBackTheLastDone)
{
    Capture capture;
    MessageWriter writer(capture.output(), 51);
    std::vector<SqlError> logged;
    TokenSink sink(writer, "S", [&](const SqlError& e) { logged.push_back(e); });
    const std::vector<ColumnInfo> columns{{"n", SqlType::Int, 0, true}};
    ValueView one;
    one.kind = ValueView::Kind::Int;
    one.integer = 1;
    sink.columns(columns);
    sink.row(std::vector<ValueView>{one});
    sink.done(1, false);
    sink.error(SqlError{208, 1, 16, "Invalid object name 'x'.", 2});
    sink.done(std::nullopt, true);
    sink.endReply();
    const auto payload = capture.payload();
    ASSERT_EQ(capture.packets.size(), 1u);
    EXPECT_TRUE(tdstest::contains(payload, hex("D1 04 01 00 00 00 FD 11 00 C1 00 01 00 00 00 00 00 00 00 AA")));
    EXPECT_EQ(std::vector<std::uint8_t>(payload.end() - 13, payload.end()),
              hex("FD 02 00 00 00 00 00 00 00 00 00 00 00"));
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].number, 208);

    // A reply in which no statement reported still ends with a DONE.
    sink.endReply();
    EXPECT_EQ(capture.packets.back(), hex("04 01 00 15 00 33 01 00 FD 00 00 00 00 00 00 00 00 00 00 00 00"));
}

TEST(MessageFraming, EachDoneNamesItsStatementsCommand)
{
    Capture capture;
    MessageWriter writer(capture.output(), 51);
    TokenSink sink(writer, "S");
    const std::pair<StatementKind, std::int64_t> statements[] = {
        {StatementKind::Delete, 3}, {StatementKind::Insert, 1}, {StatementKind::Update, 0}, {StatementKind::Select, 0}};
    for (const auto& [kind, count] : statements) {
        sink.statementStarted(kind);
        sink.done(count, false);
    }
    sink.statementStarted(StatementKind::Other);
    sink.error(SqlError{3902, 1, 16, "x", 1});
    sink.done(std::nullopt, true);
    sink.endReply();
    EXPECT_TRUE(tdstest::contains(capture.payload(),
                                  hex("FD 11 00 C4 00 03 00 00 00 00 00 00 00"
                                      "FD 11 00 C3 00 01 00 00 00 00 00 00 00"
                                      "FD 11 00 C5 00 00 00 00 00 00 00 00 00"
                                      "FD 11 00 C1 00 00 00 00 00 00 00 00 00 AA")));
    const auto payload = capture.payload();
    EXPECT_EQ(std::vector<std::uint8_t>(payload.end() - 13, payload.end()),
              hex("FD 02 00 00 00 00 00 00 00 00 00 00 00"));
}

TEST(MessageFraming, DatabaseChangeAnnouncesTheCollationToo)
{
    Capture capture;
    MessageWriter writer(capture.output(), 51);
    TokenSink sink(writer, "S");
    sink.databaseChanged("VOZUZODI", "master");
    sink.done(std::nullopt, false);
    sink.endReply();
    EXPECT_TRUE(tdstest::contains(capture.payload(),
                                  concat({hex("E3 1F 00 01 08"), ucs2("VOZUZODI"), hex("06"), ucs2("master"),
                                          hex("E3 08 00 07 05 04 08 D0 00 00 00")})));
}

TEST(MessageFraming, SinkFailsStatementWhoseRowCannotBeSent)
{
    Capture capture;
    MessageWriter writer(capture.output(), 51);
    TokenSink sink(writer, "S");
    const std::vector<ColumnInfo> columns{{"s", SqlType::NVarChar, 2, true}};
    ValueView longText;
    longText.kind = ValueView::Kind::Text;
    longText.text = "abc";
    sink.columns(columns);
    sink.row(std::vector<ValueView>{longText});
    sink.done(1, false);
    sink.endReply();
    const auto payload = capture.payload();
    EXPECT_FALSE(tdstest::contains(payload, hex("D1")));  // no half row
    EXPECT_TRUE(tdstest::contains(payload, hex("AA")));
    EXPECT_EQ(std::vector<std::uint8_t>(payload.end() - 13, payload.end() - 10), hex("FD 02 00"));
}

TEST(MessageFraming, TransactionReplyHasOneDone)
{
    Capture capture;
    MessageWriter writer(capture.output(), 51);
    TokenSink sink(writer, "S");
    sink.setSingleDone(true);
    sink.transactionChanged(TransactionChange::Committed, 7);
    sink.done(std::nullopt, false);
    sink.transactionChanged(TransactionChange::Began, 8);
    sink.done(std::nullopt, false);
    sink.transactionChanged(TransactionChange::RolledBack, 8);
    sink.done(std::nullopt, false);
    sink.endReply();
    EXPECT_EQ(capture.payload(),
              hex("E3 0B 00 09 00 08 07 00 00 00 00 00 00 00"
                  "E3 0B 00 08 08 08 00 00 00 00 00 00 00 00"
                  "E3 0B 00 0A 00 08 08 00 00 00 00 00 00 00"
                  "FD 00 00 00 00 00 00 00 00 00 00 00 00"));
}

TEST(MessageFraming, OneTokenLongerThanManyPacketsGoesOutWhole)
{
    Capture capture;
    MessageWriter writer(capture.output(), 51, 512);
    std::vector<std::uint8_t> token(100'000);
    for (std::size_t i = 0; i < token.size(); ++i)
        token[i] = static_cast<std::uint8_t>(i * 7);
    writer.body().bytes(token);
    writer.flushFullPackets();
    writer.body().bytes(hex("FD 00 00"));
    writer.endMessage();
    ASSERT_EQ(capture.packets.size(), 199u);  // 100,003 bytes at 504 per packet
    for (std::size_t i = 0; i < capture.packets.size(); ++i) {
        EXPECT_EQ(capture.packets[i][1], i + 1 == capture.packets.size() ? 1 : 0);
        EXPECT_EQ(capture.packets[i][6], static_cast<std::uint8_t>(i + 1));
    }
    EXPECT_EQ(capture.payload(), concat({token, hex("FD 00 00")}));

    // Once the socket failed, packets are dropped; the writer is ready for the next message.
    std::atomic<bool> gone{true};
    writer.setDiscardFlag(&gone);
    writer.body().bytes(token);
    writer.endMessage();
    EXPECT_EQ(capture.packets.size(), 199u);
    gone = false;
    writer.body().bytes(hex("FD 00 00"));
    writer.endMessage();
    EXPECT_EQ(capture.packets.back(), hex("04 01 00 0B 00 33 01 00 FD 00 00"));
}

TEST(MessageFraming, RequestPastTheMemoryBudgetArrivesRefusedAndEmpty)
{
    MemoryBudget session(200'000);
    MessageAssembler assembler;
    assembler.chargeMessagesTo([&] { return MemoryCharge(&session, nullptr, 0); });
    std::vector<Message> messages;
    const std::vector<std::uint8_t> chunk(4000, 'a');
    for (int i = 0; i < 60; ++i)  // 240,000 bytes
        assembler.feed(packet(1, 0, chunk), messages);
    EXPECT_EQ(session.charged(), 0u);  // dropped as it arrives
    assembler.feed(packet(1, 1, chunk), messages);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].refused);
    EXPECT_TRUE(messages[0].payload.empty());

    // One that fits holds its charge until it is answered (destroyed).
    for (int i = 0; i < 20; ++i)
        assembler.feed(packet(1, i == 19 ? 1 : 0, chunk), messages);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_FALSE(messages[1].refused);
    EXPECT_EQ(messages[1].payload.size(), 80'000u);
    EXPECT_GE(session.charged(), 80'000u);
    messages.clear();
    EXPECT_EQ(session.charged(), 0u);
}

TEST(MessageFraming, RowPastTheMemoryBudgetFailsItsStatementWith701)
{
    Capture capture;
    MessageWriter writer(capture.output(), 51);
    TokenSink sink(writer, "S");
    MemoryBudget session(1'000'000);
    MemoryBudget server(10'000'000);
    sink.limitMemory(&session, &server);
    const std::vector<ColumnInfo> columns{{"s", SqlType::NVarChar, ColumnInfo::unlimited, true}};
    const std::string fits(400'000, 'a');
    const std::string tooLong(600'000, 'a');  // 1.2 MB as UTF-16
    ValueView value;
    value.kind = ValueView::Kind::Text;
    sink.columns(columns);
    value.text = fits;
    sink.row(std::vector<ValueView>{value});
    value.text = tooLong;
    sink.row(std::vector<ValueView>{value});
    sink.done(2, false);
    sink.endReply();
    EXPECT_EQ(session.charged(), 0u);
    EXPECT_EQ(server.charged(), 0u);
    const auto payload = capture.payload();
    EXPECT_GT(payload.size(), 800'000u);
    EXPECT_LT(payload.size(), 900'000u);                          // the first row only
    EXPECT_TRUE(tdstest::contains(payload, hex("AA")));           // and then the error
    EXPECT_TRUE(tdstest::contains(payload, hex("BD 02 00 00")));  // 701
}
