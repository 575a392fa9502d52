// Statements with bound parameters on the engine: values of every kind used in reads and writes,
// types as drivers declare them, and parameters that are only ever values.
#include "EngineTest.h"
#include "ErrorOf.h"
#include "RecordingSink.h"
#include "TsqlCases.h"

#include <gtest/gtest.h>

#include <chrono>

namespace tsqltest {
namespace {

using taskstore::Parameter;
using Kind = taskstore::ValueView::Kind;
using Parameters = OneSessionTest;

Parameter text(std::string name, std::string type, std::string value)
{
    Parameter p{std::move(name), std::move(type)};
    p.kind = Kind::Text;
    p.text = std::move(value);
    return p;
}

Parameter integer(std::string name, std::string type, std::int64_t value)
{
    Parameter p{std::move(name), std::move(type)};
    p.kind = Kind::Int;
    p.integer = value;
    return p;
}

RecordingSink runWith(taskstore::Session& session, std::string_view sql, const std::vector<Parameter>& parameters)
{
    RecordingSink sink;
    session.executeWithParameters(sql, parameters, sink);
    return sink;
}

TEST_F(Parameters, ValuesOfEveryKindReadAndWrite)
{
    Parameter when{"@when", "datetime2(6)"};
    when.kind = Kind::DateTime;
    when.datetime = {45000, 300 * 3600};  // 2023-03-17 01:00
    Parameter ratio{"@ratio", "decimal(10, 3)"};
    ratio.kind = Kind::Float;
    ratio.real = 12.345;
    const std::vector<Parameter> insert{text("@id", "varchar(20)", "P1"), text("@name", "nvarchar(max)", "总账"),
                                        Parameter{"@station", "nvarchar(10)"}, when};
    const auto inserted = runWith(*session,
                                  "insert into zk_tasklog (cTaskId, cSub_Id, cSub_Name, cStation, TaskState, dInTime) "
                                  "values (@id, 'S1', @name, @station, '-1', @WHEN)",
                                  insert);
    ASSERT_TRUE(inserted.errors.empty()) << inserted.errors[0].message;

    const auto read =
        runWith(*session, "select cSub_Name, cStation, dInTime, @ratio * 2, @n + 1 from zk_tasklog where cTaskId = @id",
                {text("@id", "VARCHAR(50)", "P1"), ratio, integer("@n", "tinyint", 41)});
    ASSERT_TRUE(read.errors.empty()) << read.errors[0].message;
    ASSERT_EQ(read.results.at(0).rows.size(), 1u);
    EXPECT_EQ(read.results[0].rows[0], (Row{"总账", std::nullopt, "2023-03-17 01:00:00.000", "24.690", "42"}));

    // A NULL parameter compares as unknown, as a NULL literal does.
    EXPECT_TRUE(
        runWith(*session, "select cTaskId from zk_tasklog where cStation = @s", {Parameter{"@s", "nvarchar(10)"}})
            .results.at(0)
            .rows.empty());
}

TEST_F(Parameters, PassThroughTypesComeBackAsDeclaredAndConvertWhenStored)
{
    Parameter amount{"@amount", "money"};
    amount.kind = Kind::Decimal;
    amount.decimal = *taskstore::parseDecimal("-922337203685477.5808");  // money's lowest value
    Parameter exact{"@exact", "decimal(20, 2)"};
    exact.kind = Kind::Decimal;
    exact.decimal = *taskstore::parseDecimal("12345678901234567.8");  // comes back at the declared scale
    Parameter day{"@day", "date"};
    day.kind = Kind::Temporal;
    day.temporal = *taskstore::parseTemporal("2024-01-02", taskstore::TemporalKind::Date);
    const auto read = runWith(*session, "select @small, @amount, @exact, @day",
                              {integer("@small", "tinyint", 200), amount, exact, day});
    ASSERT_TRUE(read.errors.empty()) << read.errors[0].message;
    const auto& columns = read.results.at(0).columns;
    ASSERT_EQ(columns.size(), 4u);
    EXPECT_EQ(columns[0].type, taskstore::SqlType::TinyInt);
    EXPECT_EQ(columns[1].type, taskstore::SqlType::Money);
    EXPECT_EQ(columns[2].type, taskstore::SqlType::Decimal);
    EXPECT_EQ(columns[2].precision, 20);
    EXPECT_EQ(columns[2].scale, 2);
    EXPECT_EQ(columns[3].type, taskstore::SqlType::Date);
    // The sink shows every date and time in the longest form.
    EXPECT_EQ(read.results[0].rows.at(0),
              (Row{"200", "-922337203685477.5808", "12345678901234567.80", "2024-01-02 00:00:00.0000000 +00:00"}));

    // Stored into the engine's columns: money shows two decimals as text, decimals truncate to int.
    const auto stored = runWith(
        *session, "insert into zk_task (cTaskId, cStation, iProgress, dStartTime) values ('M1', @amount, @exact, @day)",
        {amount,
         Parameter{exact.name, "decimal(20, 2)", Kind::Decimal, 0, 0, {}, {}, *taskstore::parseDecimal("-7.99")}, day});
    ASSERT_TRUE(stored.errors.empty()) << stored.errors[0].message;
    EXPECT_EQ(query(*session, "select cStation, iProgress, dStartTime from zk_task where cTaskId = 'M1'"),
              (Rows{{"-922337203685477.58", "-7", "2024-01-02 00:00:00.000"}}));
    // Too big for the int column: SQL Server's overflow, nothing stored.
    const auto tooBig = runWith(*session, "insert into zk_task (cTaskId, iProgress) values ('M2', @exact)", {exact});
    ASSERT_EQ(tooBig.errors.size(), 1u);
    EXPECT_EQ(tooBig.errors[0].number, 8115);
}

Parameter exactValue(std::string name, std::string type, std::string_view value)
{
    Parameter p{std::move(name), std::move(type)};
    p.kind = Kind::Decimal;
    p.decimal = *taskstore::parseDecimal(value);
    return p;
}

TEST_F(Parameters, MoneyIsWrittenAsTextInItsStylesAndDecimalsComputeExactly)
{
    const std::vector<Parameter> values{exactValue("@m", "money", "12.3456"),
                                        exactValue("@big", "money", "1234567.891"),
                                        exactValue("@d", "decimal(10, 4)", "1.5")};
    const auto read = runWith(*session,
                              "select convert(varchar, @m), convert(varchar, @big), convert(varchar(30), @big, 1),"
                              " convert(varchar(30), @m, 2), @d * 3, @d / 7, convert(varchar, @d)",
                              values);
    ASSERT_TRUE(read.errors.empty()) << read.errors[0].message;
    EXPECT_EQ(read.results.at(0).rows.at(0),
              (Row{"12.35", "1234567.89", "1,234,567.89", "12.3456", "4.5000", "0.214285", "1.5000"}));
    const auto& columns = read.results[0].columns;
    EXPECT_EQ(columns[5].type, taskstore::SqlType::Decimal);
    // decimal(10, 4) / 7, a literal of one digit: scale max(6, 4 + 1 + 1), precision 10 - 4 + 0 + 6.
    EXPECT_EQ(columns[5].precision, 12);
    EXPECT_EQ(columns[5].scale, 6);
    EXPECT_EQ(runWith(*session, "select convert(varchar(4), @m)", values).errors.at(0).number, 8115);
    EXPECT_EQ(runWith(*session, "select convert(varchar, @m, 3)", values).errors.at(0).number, 50000);
}

TEST_F(Parameters, SmallintAndSmalldatetimeComeBackAsThemselves)
{
    Parameter when{"@when", "smalldatetime"};
    when.kind = Kind::DateTime;
    when.datetime = {45304, 300 * 3600};  // 2024-01-15 01:00
    const auto read =
        runWith(*session, "select @n, @when, @n + 1, @when + 1, @@spid", {integer("@n", "smallint", -2), when});
    ASSERT_TRUE(read.errors.empty()) << read.errors[0].message;
    const auto& columns = read.results.at(0).columns;
    ASSERT_EQ(columns.size(), 5u);
    EXPECT_EQ(columns[0].type, taskstore::SqlType::SmallInt);
    EXPECT_EQ(columns[1].type, taskstore::SqlType::SmallDateTime);
    EXPECT_EQ(columns[2].type, taskstore::SqlType::Int);  // smallint arithmetic is int
    EXPECT_EQ(columns[3].type, taskstore::SqlType::DateTime);
    EXPECT_EQ(columns[4].type, taskstore::SqlType::SmallInt);
    EXPECT_EQ(read.results[0].rows.at(0)[1], "2024-01-15 01:00:00.000");
    EXPECT_EQ(read.results[0].rows[0][3], "2024-01-16 01:00:00.000");
}

TEST_F(Parameters, AreValuesNeverText)
{
    query(*session, fixtureSql);
    const std::string hostile = "x'; drop table zk_task --";
    const auto found =
        runWith(*session, "select count(*) from zk_task where cTaskId = @id", {text("@id", "nvarchar(50)", hostile)});
    EXPECT_EQ(found.results.at(0).rows, (Rows{{"0"}}));
    EXPECT_EQ(query(*session, "select count(*) from zk_task"), (Rows{{"5"}}));
}

TEST_F(Parameters, UnknownTypesAndUndeclaredNamesFail)
{
    EXPECT_THROW(runWith(*session, "select @x", {text("@x", "geography", "")}), taskstore::SqlError);
    const auto undeclared = runWith(*session, "select @y", {integer("@x", "int", 1)});
    EXPECT_EQ(undeclared.errors.at(0).number, 137);
    // Names match whatever their case; an ordinary batch knows no parameters afterwards.
    EXPECT_EQ(runWith(*session, "select @X", {integer("@x", "int", 7)}).results.at(0).rows, (Rows{{"7"}}));
    EXPECT_EQ(run(*session, "select @x").errors.at(0).number, 137);
}

TEST_F(Parameters, DeclaredSizesOutsideTheirTypesRangeAreNoType)
{
    const auto bindNull = [&](const char* declared) {
        return errorOf([&] { runWith(*session, "select 1", {Parameter{"@x", declared}}); });
    };
    // At the edges of each range, or left out, a size binds.
    for (const char* fits : {"varbinary(8000)", "binary(1)", "binary", "decimal(38, 38)", "numeric(1)", "decimal",
                             "time(0)", "datetime2(7)", "datetimeoffset"})
        EXPECT_EQ(bindNull(fits), 0) << fits;
    // One past the edge it is refused, never taken for another size.
    for (const char* outside :
         {"varbinary(9000)", "varbinary(0)", "binary(8001)", "decimal(50, 3)", "decimal(0)", "numeric(10, 11)",
          "decimal(5, -1)", "decimal(99999999999)", "time(9)", "datetime2(8)", "datetimeoffset(-1)"})
        EXPECT_EQ(bindNull(outside), 2715) << outside;
}

// SQL Server's 2,100 parameters, the last one named 120,000 times: each name is looked up, not
// compared with every parameter's.
TEST_F(Parameters, ManyParametersNamedManyTimesParseQuickly)
{
    std::vector<Parameter> parameters;
    for (int i = 0; i < 2100; ++i)
        parameters.push_back(integer("@p" + std::to_string(i), "int", i));
    const std::string sql = "select 1 where 2099 in (@P2099" + repeat(", @p2099", 119999) + ")";
    const auto started = std::chrono::steady_clock::now();
    const RecordingSink sink = runWith(*session, sql, parameters);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_TRUE(sink.errors.empty());
    EXPECT_EQ(sink.results.at(0).rows, (Rows{{"1"}}));
}

}  // namespace
}  // namespace tsqltest
