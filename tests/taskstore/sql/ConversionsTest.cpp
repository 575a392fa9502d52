// The pure T-SQL rules below the engine: conversions, datetime text, LIKE, the text collation
// and the lexer.
#include "ErrorOf.h"
#include "TsqlCases.h"

#include "taskstore/sql/Conversions.h"
#include "taskstore/engine/Engine.h"
#include "taskstore/sql/DateTimeText.h"
#include "taskstore/sql/Lexer.h"
#include "taskstore/sql/LikeMatch.h"
#include "taskstore/sql/TextUnits.h"
#include "taskstore/store/StoredDateTime.h"
#include "taskstore/store/TextCollation.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <tuple>

namespace tsqltest {
namespace {

using taskstore::SqlError;
using namespace taskstore::sql;
namespace store = taskstore::store;

SqlValue convert(SqlValue value, ColumnType from, ColumnType to, int style = 0)
{
    return convertValue(value, from, to, style);
}

const ColumnType varcharType{TypeKind::VarChar, 30};
const ColumnType intType{TypeKind::Int, 0};
const ColumnType bigintType{TypeKind::BigInt, 0};
const ColumnType floatType{TypeKind::Float, 0};
const ColumnType datetimeType{TypeKind::DateTime, 0};

TEST(Conversions, OtherTargetsThanInt)
{
    EXPECT_EQ(convert(SqlValue::ofText("9000000000"), varcharType, bigintType).integer, 9000000000LL);
    EXPECT_EQ(errorOf([] { convert(SqlValue::ofText("1.5"), varcharType, bigintType); }), 8114);
    EXPECT_EQ(errorOf([] { convert(SqlValue::ofText("99999999999999999999"), varcharType, bigintType); }), 8115);
    EXPECT_EQ(convert(SqlValue::ofText(" 1e2 "), varcharType, floatType).real, 100.0);
    EXPECT_EQ(errorOf([] { convert(SqlValue::ofText("1,5"), varcharType, floatType); }), 8114);
    EXPECT_EQ(convert(SqlValue::ofText("TRUE"), varcharType, {TypeKind::Bit, 0}).integer, 1);
    EXPECT_EQ(convert(SqlValue::ofInteger(7), intType, {TypeKind::Bit, 0}).integer, 1);
    // Numbers to int truncate toward zero and check the range.
    EXPECT_EQ(convert(SqlValue::ofReal(-2.9), floatType, intType).integer, -2);
    EXPECT_EQ(errorOf([] { convert(SqlValue::ofReal(3e9), floatType, intType); }), 8115);
    EXPECT_EQ(errorOf([] { convert(SqlValue::ofInteger(3000000000LL), bigintType, intType); }), 8115);
    EXPECT_EQ(errorOf([] { convert(SqlValue::ofText("2026-01-01 00:00:00.000"), datetimeType, intType); }), 529);
}

TEST(Conversions, ToTextCutsOrRefuses)
{
    const ColumnType two{TypeKind::VarChar, 2};
    EXPECT_EQ(convert(SqlValue::ofText("abc"), varcharType, two).text, "ab");
    EXPECT_EQ(convert(SqlValue::ofText("汉字词"), varcharType, {TypeKind::NVarChar, 2}).text, "汉字");
    EXPECT_EQ(convert(SqlValue::ofInteger(123), intType, two).text, "*");
    EXPECT_EQ(errorOf([] {
                  convert(SqlValue::ofText("abc"), varcharType, {TypeKind::VarChar, 2}, assignmentStyle);
              }),
              8152);
    EXPECT_EQ(convert(SqlValue::ofText("abc"), varcharType, {TypeKind::VarChar, ColumnType::maxLength}).text, "abc");
    EXPECT_EQ(convert(SqlValue::ofReal(1.5), floatType, varcharType).text, "1.5");
}

TEST(Conversions, DateTimeStyles)
{
    const SqlValue at = SqlValue::ofText("2006-04-18 21:58:04.570");
    EXPECT_EQ(convert(at, datetimeType, varcharType).text, "Apr 18 2006  9:58PM");
    EXPECT_EQ(convert(at, datetimeType, varcharType, 120).text, "2006-04-18 21:58:04");
    EXPECT_EQ(convert(at, datetimeType, varcharType, 121).text, "2006-04-18 21:58:04.570");
    EXPECT_EQ(convert(at, datetimeType, varcharType, 112).text, "20060418");
    EXPECT_EQ(convert(at, datetimeType, varcharType, 108).text, "21:58:04");
    EXPECT_EQ(convert(at, datetimeType, varcharType, 126).text, "2006-04-18T21:58:04.570");
    EXPECT_EQ(errorOf([&] { convert(at, datetimeType, varcharType, 7777); }), 281);
    EXPECT_EQ(convert(SqlValue::ofInteger(1), intType, datetimeType).text, "1900-01-02 00:00:00.000");
}

TEST(Conversions, DateTimeTextForms)
{
    const std::vector<std::pair<std::string, std::string>> accepted = {
        {"2026-03-04", "2026-03-04 00:00:00.000"},
        {" 2026-3-4 5:06 ", "2026-03-04 05:06:00.000"},
        {"2026-03-04T05:06:07.8", "2026-03-04 05:06:07.800"},
        {"20260304 05:06:07.123", "2026-03-04 05:06:07.123"},
        {"260304", "2026-03-04 00:00:00.000"},
        {"2026", "2026-01-01 00:00:00.000"},
        {"2026/03/04", "2026-03-04 00:00:00.000"},
        {"2026.03.04", "2026-03-04 00:00:00.000"},
        {"03/04/2026", "2026-03-04 00:00:00.000"},
        {"3.4.26", "2026-03-04 00:00:00.000"},
        {"06-01-05", "2005-06-01 00:00:00.000"},  // month-day-year under us_english
        {"03-04-49", "2049-03-04 00:00:00.000"},  // two-digit years end at 2049
        {"03-04-50", "1950-03-04 00:00:00.000"},
        {"", "1900-01-01 00:00:00.000"},
        {"   ", "1900-01-01 00:00:00.000"},
        {"Jan  5 2006 10:20AM", "2006-01-05 10:20:00.000"},  // style 0, as CONVERT writes it
        {"Dec 31 2006 12:05PM", "2006-12-31 12:05:00.000"},
        {"january 5, 2006", "2006-01-05 00:00:00.000"},
        {"5 Jan 2006", "2006-01-05 00:00:00.000"},
        {"05-JAN-2006", "2006-01-05 00:00:00.000"},
        {"2006 Jan 5", "2006-01-05 00:00:00.000"},
        {"Jan 5 06", "2006-01-05 00:00:00.000"},
        {"April 2006", "2006-04-01 00:00:00.000"},
        {"2024-02-29 11:59:59.999", "2024-02-29 12:00:00.000"},
        {"2026-03-04 1:02 PM", "2026-03-04 13:02:00.000"},
        {"2026-03-04 12:30am", "2026-03-04 00:30:00.000"},
        {"4pm", "1900-01-01 16:00:00.000"},
        {"10:11:12", "1900-01-01 10:11:12.000"},
        {"10:20:30:123", "1900-01-01 10:20:30.123"},  // after a colon: thousandths
        {"10:20:30:1", "1900-01-01 10:20:30.000"},
        {"10:20:30.1", "1900-01-01 10:20:30.100"},  // after a period: a decimal fraction
        {"9999-12-31 23:59:59.997", "9999-12-31 23:59:59.997"},
        {"9999-12-31 23:59:59.998", "9999-12-31 23:59:59.997"},
        {"1753-01-01", "1753-01-01 00:00:00.000"},
    };
    for (const auto& [text, stored] : accepted) {
        EXPECT_EQ(textToDateTime(text, "varchar"), stored) << text;
    }
    // Dates and times that exist in no calendar or lie outside datetime's range: 242.
    for (const std::string text : {"2026-02-29", "1900-02-29", "1752-12-31", "2026-13-01", "2026-00-10", "02/30/2026",
                                   "2026-01-01 24:00", "2026-01-01 10:60", "9999-12-31 23:59:59.999", "Feb 30 2026"}) {
        EXPECT_EQ(errorOf([&] { textToDateTime(text, "varchar"); }), 242) << text;
    }
    // Text that is no date at all: 241.
    for (const std::string text : {"2026-01-01x", "abc", "2026-01-01 10:00:00.1234", "2026-01/01", "20260",
                                   "2026-01-01 10", "13:00 PM", "Jan Feb 2006", "10:", "2026-01-01T", "12345-01-01"}) {
        EXPECT_EQ(errorOf([&] { textToDateTime(text, "varchar"); }), 241) << text;
    }
    try {
        textToDateTime("1752-12-31", "nvarchar");
        ADD_FAILURE() << "no error";
    } catch (const SqlError& error) {
        EXPECT_EQ(error.message,
                  "The conversion of a nvarchar data type to a datetime data type resulted in an out-of-range value.");
    }
    // Numbers count days from 1900-01-01; rounding up past the last day overflows.
    EXPECT_EQ(errorOf([] { convert(SqlValue::ofReal(2958463.999999999), floatType, datetimeType); }), 8115);
    EXPECT_EQ(convert(SqlValue::ofReal(2958463.5), floatType, datetimeType).text, "9999-12-31 12:00:00.000");
}

TEST(Conversions, DateTimeTicksRoundTrip)
{
    for (std::int32_t days = store::daysFromCivil({1753, 1, 1}); days <= store::daysFromCivil({9999, 12, 31});
         days += 997) {
        const store::CivilDate date = store::civilFromDays(days);
        ASSERT_EQ(store::daysFromCivil(date), days);
        const store::DateTimeValue value{
            days, static_cast<std::uint32_t>(days % store::ticksPerDay + store::ticksPerDay) % store::ticksPerDay};
        ASSERT_EQ(store::parseStored(store::formatStored(value)), value);
    }
    EXPECT_EQ(store::daysFromCivil({1900, 1, 1}), 0);
    EXPECT_EQ(store::millisecondsOf(store::fromMilliseconds(0, 995).ticks), 997);
}

TEST(Conversions, Arithmetic)
{
    EXPECT_EQ(arithmetic('/', {TypeKind::Int, 0}, SqlValue::ofInteger(-7), SqlValue::ofInteger(2)).integer, -3);
    EXPECT_EQ(arithmetic('%', {TypeKind::Int, 0}, SqlValue::ofInteger(-7), SqlValue::ofInteger(2)).integer, -1);
    EXPECT_EQ(errorOf([] {
                  arithmetic('*', {TypeKind::Int, 0}, SqlValue::ofInteger(65536), SqlValue::ofInteger(32768));
              }),
              8115);
    EXPECT_EQ(arithmetic('*', {TypeKind::BigInt, 0}, SqlValue::ofInteger(65536), SqlValue::ofInteger(32768)).integer,
              2147483648LL);
    EXPECT_EQ(errorOf([] {
                  arithmetic('/', {TypeKind::BigInt, 0}, SqlValue::ofInteger(std::numeric_limits<std::int64_t>::min()),
                             SqlValue::ofInteger(-1));
              }),
              8115);
    EXPECT_EQ(errorOf([] { arithmetic('/', {TypeKind::Float, 0}, SqlValue::ofReal(1), SqlValue::ofReal(0)); }), 8134);
    EXPECT_EQ(arithmetic('+', {TypeKind::Int, 0}, SqlValue::null(), SqlValue::ofInteger(1)).kind, SqlValue::Kind::Null);
}

TEST(Patterns, Like)
{
    const std::vector<std::tuple<std::string, std::string, bool>> cases = {
        {"abc", "abc", true},   {"ABC", "a%", true},      {"abc", "_b_", true},      {"abc", "%c", true},
        {"abc", "%d%", false},  {"abc", "[a-b]bc", true}, {"cbc", "[a-b]bc", false}, {"xbc", "[^a]bc", true},
        {"abc  ", "abc", true}, {"ab", "abc", false},     {"总账", "总%", true},     {"a%c", "a[%]c", true},
        {"ａｂ", "ab", true},   {"", "%", true},          {"", "_", false},
    };
    for (const auto& [text, pattern, expected] : cases) {
        EXPECT_EQ(likeMatches(text, pattern), expected) << text << " LIKE " << pattern;
    }
    // Patterns that made a backtracking matcher take exponential time.
    EXPECT_FALSE(likeMatches(std::string(60, 'a'), repeat("%a", 14) + "%b"));
    EXPECT_TRUE(likeMatches(std::string(3000, 'a') + "b", repeat("%a", 1000) + "%b"));
    EXPECT_TRUE(likeMatches("xay", "%[ab]%"));
    EXPECT_FALSE(likeMatches("xay", "%[^axy]%"));
    EXPECT_EQ(textLength("ab  "), 2);
    EXPECT_EQ(textLength("  汉字"), 4);
}

TEST(Patterns, LikeStopsWhenAsked)
{
    const std::atomic<bool> stop{true};
    EXPECT_THROW(likeMatches("abc", "%b%", &stop), ScanStopped);
    const std::atomic<bool> go{false};
    EXPECT_TRUE(likeMatches("abc", "%b%", &go));
}

TEST(Patterns, CharIndexReadsTheTextOnce)
{
    const std::string longText = std::string(400'000, 'a') + "b";
    const std::string longPattern = std::string(199'999, 'a') + "b";
    const std::tuple<std::string, std::string, std::int64_t, std::int64_t> cases[] = {
        {"aab", "aaab", 1, 2},       // a partial match that restarts inside itself
        {"abab", "abababab", 2, 3},  // overlapping occurrences
        {"abab", "abababab", 6, 0},  // none left after the start
        {"aaa", "aa", 1, 0},         // longer than the text
        {"B", "abcb", 3, 4},         // under the collation's folding
        {"b",
         "\xF0\x9F\x98\x80"
         "b",
         1, 3},  // a character outside the BMP counts two units
        {"", "abc", 1, 0},
        {"ab", "ab", -5, 1},  // a start below 1 counts as 1
        {longPattern, longText, 1, 200'002},
    };
    for (const auto& [pattern, text, start, expected] : cases)
        EXPECT_EQ(utf16Find(pattern, text, start), expected) << pattern.substr(0, 10) << " in " << text.substr(0, 10);
    const std::atomic<bool> stop{true};
    EXPECT_THROW(utf16Find(longPattern, longText, 1, &stop), ScanStopped);
}

TEST(Collation, CaseWidthAndTrailingBlanks)
{
    EXPECT_EQ(store::compareText("AR01", "ar01 "), 0);
    EXPECT_EQ(store::compareText("ａｒ０１", "AR01"), 0);
    EXPECT_EQ(store::compareText("a\xE3\x80\x80", "a"), 0);  // ideographic space at the end
    EXPECT_NE(store::compareText(" a", "a"), 0);             // leading blanks count
    EXPECT_LT(store::compareText("a", "b"), 0);
    EXPECT_GT(store::compareText("ab", "a"), 0);
    // Malformed UTF-8 still gets a consistent order.
    const std::string bad = "a\xE3\x80";
    EXPECT_EQ(store::compareText(bad, bad), 0);
    EXPECT_EQ(store::compareText(bad, "a") > 0, store::compareText("a", bad) < 0);
}

TEST(Collation, ChinesePrcCaseKanaAndWidthInsensitiveAccentSensitive)
{
    EXPECT_EQ(store::compareText("ÉCOLE Straße", "école STRASSE") == 0, false);  // ß is no ss
    EXPECT_EQ(store::compareText("ÉCOLE", "école"), 0);
    EXPECT_NE(store::compareText("école", "ecole"), 0);
    EXPECT_EQ(store::compareText("ΑΒΓ ПРИВЕТ Ÿ Ł", "αβγ привет ÿ ł"), 0);
    EXPECT_EQ(store::compareText("カタカナ", "かたかな"), 0);
    EXPECT_EQ(store::compareText("ｶﾀｶﾅ", "カタカナ"), 0);
    EXPECT_EQ(store::compareText("（Ａ１）", "(a1)"), 0);
    EXPECT_TRUE(likeMatches("ｶﾀｶﾅ-ÉCOLE", "かた%école"));
}

TEST(Collation, ChineseCharactersSortByPinyinThenRadicalThenCodePoint)
{
    // 啊 a, 八 ba, 账 zhang, 中 zhong, 总 zong: code point order would be 中 八 啊 总 账.
    const std::vector<std::string> pinyin{"啊", "八", "账", "中", "总"};
    for (std::size_t i = 0; i + 1 < pinyin.size(); ++i) {
        EXPECT_LT(store::compareText(pinyin[i], pinyin[i + 1]), 0) << pinyin[i] << " " << pinyin[i + 1];
    }
    EXPECT_LT(store::compareText("座", "亍"), 0);  // the last common character before the first rare one
    EXPECT_LT(store::compareText("亍", "丟"), 0);  // GB2312 before ideographs outside it
    EXPECT_LT(store::compareText("z", "啊"), 0);
    EXPECT_LT(store::compareText("总账", "总账a"), 0);
}

TEST(Lexer, TokensCommentsAndLines)
{
    const auto tokens =
        tokenize("select /* a /* nested */ comment */ N'it''s', [a]]b], \"q\" -- rest\n@@TRANCOUNT 1.5e3 <>");
    ASSERT_EQ(tokens.size(), 10u);
    EXPECT_EQ(tokens[9].kind, TokenKind::End);
    EXPECT_TRUE(tokens[0].is("SELECT"));
    EXPECT_EQ(tokens[1].kind, TokenKind::UnicodeString);
    EXPECT_EQ(tokens[1].text, "it's");
    EXPECT_EQ(tokens[3].kind, TokenKind::QuotedIdentifier);
    EXPECT_EQ(tokens[3].text, "a]b");
    EXPECT_EQ(tokens[5].text, "q");
    EXPECT_EQ(tokens[6].kind, TokenKind::Variable);
    EXPECT_EQ(tokens[6].line, 2);
    EXPECT_EQ(tokens[7].kind, TokenKind::Decimal);
    EXPECT_TRUE(tokens[8].isSymbol("<>"));
    EXPECT_EQ(errorOf([] { tokenize("select /* open"); }), 113);
    EXPECT_EQ(errorOf([] { tokenize("select [open"); }), 105);
    EXPECT_EQ(errorOf([] { tokenize("select ?"); }), 102);
}

}  // namespace
}  // namespace tsqltest
