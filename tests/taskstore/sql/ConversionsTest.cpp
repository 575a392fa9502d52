// Conversions between the column types, CAST and CONVERT styles, and the arithmetic operators.
#include "ErrorOf.h"

#include "taskstore/engine/Engine.h"
#include "taskstore/sql/functions/Conversions.h"

#include <gtest/gtest.h>

#include <limits>

namespace tsqltest {
namespace {

using namespace taskstore::sql;

SqlValue convert(SqlValue value, ColumnType from, ColumnType to, int style = 0)
{
    return convertValue(value, from, to, style);
}

const ColumnType varcharType{SqlType::VarChar, 30};
const ColumnType intType{SqlType::Int, 0};
const ColumnType bigintType{SqlType::BigInt, 0};
const ColumnType floatType{SqlType::Float, 0};
const ColumnType datetimeType{SqlType::DateTime, 0};

TEST(Conversions, OtherTargetsThanInt)
{
    EXPECT_EQ(convert(SqlValue::ofText("9000000000"), varcharType, bigintType).integer, 9000000000LL);
    EXPECT_EQ(errorOf([] { convert(SqlValue::ofText("1.5"), varcharType, bigintType); }), 8114);
    EXPECT_EQ(errorOf([] { convert(SqlValue::ofText("99999999999999999999"), varcharType, bigintType); }), 8115);
    EXPECT_EQ(convert(SqlValue::ofText(" 1e2 "), varcharType, floatType).real, 100.0);
    EXPECT_EQ(errorOf([] { convert(SqlValue::ofText("1,5"), varcharType, floatType); }), 8114);
    EXPECT_EQ(convert(SqlValue::ofText("TRUE"), varcharType, {SqlType::Bit, 0}).integer, 1);
    EXPECT_EQ(convert(SqlValue::ofInteger(7), intType, {SqlType::Bit, 0}).integer, 1);
    // Numbers to int truncate toward zero and check the range.
    EXPECT_EQ(convert(SqlValue::ofReal(-2.9), floatType, intType).integer, -2);
    EXPECT_EQ(errorOf([] { convert(SqlValue::ofReal(3e9), floatType, intType); }), 8115);
    EXPECT_EQ(errorOf([] { convert(SqlValue::ofInteger(3000000000LL), bigintType, intType); }), 8115);
    EXPECT_EQ(errorOf([] { convert(SqlValue::ofText("2026-01-01 00:00:00.000"), datetimeType, intType); }), 529);
}

TEST(Conversions, ToTextCutsOrRefuses)
{
    const ColumnType two{SqlType::VarChar, 2};
    EXPECT_EQ(convert(SqlValue::ofText("abc"), varcharType, two).text, "ab");
    EXPECT_EQ(convert(SqlValue::ofText("汉字词"), varcharType, {SqlType::NVarChar, 2}).text, "汉字");
    EXPECT_EQ(convert(SqlValue::ofInteger(123), intType, two).text, "*");
    EXPECT_EQ(errorOf([] {
                  convert(SqlValue::ofText("abc"), varcharType, {SqlType::VarChar, 2}, assignmentStyle);
              }),
              8152);
    EXPECT_EQ(convert(SqlValue::ofText("abc"), varcharType, {SqlType::VarChar, ColumnType::maxLength}).text, "abc");
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

TEST(Conversions, NumbersToDateTimeCountDaysFrom1900)
{
    // Rounding up past the last day overflows.
    EXPECT_EQ(errorOf([] { convert(SqlValue::ofReal(2958463.999999999), floatType, datetimeType); }), 8115);
    EXPECT_EQ(convert(SqlValue::ofReal(2958463.5), floatType, datetimeType).text, "9999-12-31 12:00:00.000");
}

TEST(Conversions, TextLengthLeavesOutTrailingBlanks)
{
    EXPECT_EQ(textLength("ab  "), 2);
    EXPECT_EQ(textLength("  汉字"), 4);
}

TEST(Conversions, Arithmetic)
{
    EXPECT_EQ(arithmetic('/', {SqlType::Int, 0}, SqlValue::ofInteger(-7), SqlValue::ofInteger(2)).integer, -3);
    EXPECT_EQ(arithmetic('%', {SqlType::Int, 0}, SqlValue::ofInteger(-7), SqlValue::ofInteger(2)).integer, -1);
    EXPECT_EQ(errorOf([] {
                  arithmetic('*', {SqlType::Int, 0}, SqlValue::ofInteger(65536), SqlValue::ofInteger(32768));
              }),
              8115);
    EXPECT_EQ(arithmetic('*', {SqlType::BigInt, 0}, SqlValue::ofInteger(65536), SqlValue::ofInteger(32768)).integer,
              2147483648LL);
    EXPECT_EQ(errorOf([] {
                  arithmetic('/', {SqlType::BigInt, 0}, SqlValue::ofInteger(std::numeric_limits<std::int64_t>::min()),
                             SqlValue::ofInteger(-1));
              }),
              8115);
    EXPECT_EQ(errorOf([] { arithmetic('/', {SqlType::Float, 0}, SqlValue::ofReal(1), SqlValue::ofReal(0)); }), 8134);
    EXPECT_EQ(arithmetic('+', {SqlType::Int, 0}, SqlValue::null(), SqlValue::ofInteger(1)).kind, SqlValue::Kind::Null);
}

}  // namespace
}  // namespace tsqltest
