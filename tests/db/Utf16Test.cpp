// How driver diagnostics become the user's error, and the text conversions under every call.
#include <gtest/gtest.h>

#include "db/OdbcDiagnostics.h"
#include "db/RowTable.h"
#include "db/Utf16.h"

namespace {

TEST(Diagnostics, StripsDriverPrefixesFromTheLeftOnly)
{
    EXPECT_EQ(db::stripDriverPrefixes("[unixODBC][FreeTDS][SQL Server]Login failed for user 'SA'."),
              "Login failed for user 'SA'.");
    EXPECT_EQ(db::stripDriverPrefixes("[FreeTDS][SQL Server]Unable to connect to data source"),
              "Unable to connect to data source");
    EXPECT_EQ(db::stripDriverPrefixes("[unixODBC][FreeTDS][SQL Server][bracketed] server text [x]"),
              "[bracketed] server text [x]");
    EXPECT_EQ(db::stripDriverPrefixes("plain [text]"), "plain [text]");
    EXPECT_EQ(db::stripDriverPrefixes("[unclosed"), "[unclosed");
}

TEST(Diagnostics, PicksTheServerErrorOverGenericAndWarningRecords)
{
    const std::vector<db::DiagnosticRecord> login = {
        {"01000", 5701, "[FreeTDS][SQL Server]Changed database context to 'master'."},
        {"08001", 0, "[unixODBC][FreeTDS][SQL Server]Unable to connect to data source"},
        {"42000", 18456, "[unixODBC][FreeTDS][SQL Server]Login failed for user 'SA'."},
    };
    const runtime::RuntimeError error = db::errorFromDiagnostics(login, "fallback");
    EXPECT_EQ(error.Number(), 18456);
    EXPECT_EQ(error.Description(), "Login failed for user 'SA'.");

    const runtime::RuntimeError generic =
        db::errorFromDiagnostics({{"01000", 5703, "[FreeTDS][SQL Server]Changed language setting"},
                                  {"08001", 0, "[unixODBC][FreeTDS][SQL Server]Unable to connect to data source"}},
                                 "fallback");
    EXPECT_EQ(generic.Number(), runtime::ErrorNumber::ProviderFailure);
    EXPECT_EQ(generic.Description(), "Unable to connect to data source");

    // The driver's own numbered message names the cause better than its generic failure, even as a
    // warning, but its number is not the server's.
    const runtime::RuntimeError unknownHost =
        db::errorFromDiagnostics({{"08001", 0, "[FreeTDS][SQL Server]Unable to connect to data source"},
                                  {"01000", 20013, "[FreeTDS][SQL Server]Unknown host machine name."}},
                                 "fallback");
    EXPECT_EQ(unknownHost.Number(), runtime::ErrorNumber::ProviderFailure);
    EXPECT_EQ(unknownHost.Description(), "Unknown host machine name.");

    const runtime::RuntimeError none = db::errorFromDiagnostics({}, "The statement failed.");
    EXPECT_EQ(none.Number(), runtime::ErrorNumber::ProviderFailure);
    EXPECT_EQ(none.Description(), "The statement failed.");
}

TEST(Utf16, RoundTripsEveryPlaneAndReplacesMalformedInput)
{
    const std::string text = "a\xC3\xA9密码😀\x7F";
    EXPECT_EQ(db::toUtf16(text), u"aé密码😀\x7F");
    EXPECT_EQ(db::toUtf8(db::toUtf16(text)), text);
    EXPECT_EQ(db::toUtf16("\xFF"
                          "b"),
              u"\xFFFD"
              u"b");
    EXPECT_EQ(db::toUtf16("\xE5\xAF"), u"\xFFFD\xFFFD");            // cut short
    EXPECT_EQ(db::toUtf16("\xC0\xAF"), u"\xFFFD\xFFFD");            // overlong "/"
    EXPECT_EQ(db::toUtf16("\xED\xA0\x80"), u"\xFFFD\xFFFD\xFFFD");  // encoded surrogate
    const char16_t lone[] = {u'x', 0xD800, u'y', 0xDC00};
    EXPECT_EQ(db::toUtf8(std::u16string_view(lone, 4)), "x\xEF\xBF\xBDy\xEF\xBF\xBD");
}

TEST(Utf16, LongTextConvertsWholeWhereverItsPairsFall)
{
    // Long values are converted in pieces; a surrogate pair may sit on any boundary, and text
    // already in the target stays in front.
    for (const std::size_t prefix : {254u, 255u, 256u, 511u, 1000u}) {
        const std::string utf8 = std::string(prefix, 'a') + "😀" + std::string(300, '\x7F') + "密";
        std::string out = "kept";
        db::appendUtf8(out, db::toUtf16(utf8));
        EXPECT_EQ(out, "kept" + utf8) << prefix;
    }
    std::string cjk;
    for (int i = 0; i < 700; ++i)
        cjk += "异常";
    EXPECT_EQ(db::toUtf8(db::toUtf16(cjk)), cjk);
}

TEST(Utf16, BufferTakesEveryFormInPlace)
{
    // Written straight into the buffer's free end: three bytes a unit at most, pairs whole, a
    // high surrogate left alone at the end replaced, and what was there before kept.
    std::string cjk;
    for (int i = 0; i < 500; ++i)
        cjk += "异常";
    const char16_t loneAtEnd[] = {u'z', 0xD83D};
    db::ReallocBuffer<char> buffer;
    const std::string kept = "kept";
    buffer.append(kept.data(), kept.size());
    for (const std::u16string& utf16 :
         {db::toUtf16(cjk), std::u16string(u"aé😀\x7F"), std::u16string(loneAtEnd, 2), std::u16string()})
        db::appendUtf8(buffer, utf16);
    EXPECT_EQ(std::string_view(buffer.data(), buffer.size()), kept + cjk + "a\xC3\xA9😀\x7Fz\xEF\xBF\xBD");
}

TEST(RowTable, KeepsCellsNullsAndEmptyTextApart)
{
    db::RowTable table;
    table.addColumn("子系统", db::ColumnKind::Text);
    table.addColumn("n", db::ColumnKind::Integer);
    EXPECT_EQ(table.rowCount(), 0u);
    table.appendCell("总账");
    table.appendNull();
    table.appendCell(std::string_view());
    table.appendCell(u"42😀");
    ASSERT_EQ(table.rowCount(), 2u);
    EXPECT_EQ(table.columnName(0), "子系统");
    EXPECT_EQ(table.columnKind(1), db::ColumnKind::Integer);
    EXPECT_EQ(table.cell(0, 0), "总账");
    EXPECT_EQ(table.cell(0, 1), "");
    EXPECT_TRUE(table.isNull(0, 1));
    EXPECT_EQ(table.cell(1, 0), "");
    EXPECT_FALSE(table.isNull(1, 0));
    EXPECT_EQ(table.cell(1, 1), "42😀");
}

TEST(RowTable, EveryCellSurvivesTheTableGrowing)
{
    // Enough cells for the text and offsets to be moved to larger blocks many times over.
    db::RowTable table;
    table.addColumn("a", db::ColumnKind::Text);
    table.addColumn("b", db::ColumnKind::Text);
    constexpr std::size_t rows = 200000;
    for (std::size_t row = 0; row < rows; ++row) {
        table.appendCell(std::to_string(row));
        table.appendCell(db::toUtf16("任务" + std::to_string(row % 97)));
    }
    ASSERT_EQ(table.rowCount(), rows);
    for (std::size_t row : {std::size_t{0}, std::size_t{63}, std::size_t{64}, std::size_t{65535}, rows - 1}) {
        EXPECT_EQ(table.cell(row, 0), std::to_string(row));
        EXPECT_EQ(table.cell(row, 1), "任务" + std::to_string(row % 97));
    }
    EXPECT_GE(table.heldBytes(), rows * (2 * sizeof(std::uint32_t) + 8));
}

}  // namespace
