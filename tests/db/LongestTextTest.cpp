// Text columns hold as many UTF-16 units as they are declared with, as SQL Server counts them: a
// character outside the Basic Multilingual Plane takes two. Every value the server accepts must
// come back through the tool's list and through ODBC; one unit more is refused on the way in.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "OdbcClient.h"
#include "TaskStoreFixture.h"
#include "db/Connection.h"
#include "db/Recordset.h"
#include "db/RowTable.h"
#include "db/TaskOperations.h"

namespace {

const std::string emoji = "\xF0\x9F\x98\x80";  // U+1F600, two UTF-16 units

// Exactly `units` UTF-16 units (an even count): a letter, pairs, and a Chinese character.
std::string fullText(int units)
{
    std::string text = "x";
    for (int i = 0; i < (units - 2) / 2; ++i)
        text += emoji;
    return text + "中";
}

struct TextColumn {
    std::string table;
    std::string name;
    int units;
};

const std::vector<TextColumn> textColumns = {
    {"zk_tasklog", "cTaskId", 40},  {"zk_tasklog", "cSub_Id", 20},   {"zk_tasklog", "cSub_Name", 50},
    {"zk_tasklog", "cStation", 50}, {"zk_tasklog", "cUserName", 20}, {"zk_tasklog", "cAcc_Id", 10},
    {"zk_tasklog", "cMemo", 200},   {"zk_task", "cSub_Id", 20},      {"zk_task", "cTaskId", 40},
    {"zk_task", "cSub_Name", 50},   {"zk_task", "cStation", 50},     {"zk_task", "cUserName", 20},
};

using LongestText = dbtest::TaskStoreTest;

TEST_F(LongestText, EveryFullColumnIsListedByTheToolAndOverOdbc)
{
    testsupport::OdbcClient odbc(server().port());
    odbc.exec("insert into zk_tasklog (cTaskId, TaskState, dInTime) values (N'seed', '-123456789', '2026-01-02')");
    odbc.exec("insert into zk_task (cTaskId) values (N'seed')");
    for (const TextColumn& column : textColumns)
        odbc.exec("update " + column.table + " set " + column.name + " = N'" + fullText(column.units) + "'");

    db::Connection connection;
    db::TaskOperations::logOn(connection, server().serverName(), "");
    db::Recordset list;
    db::TaskOperations::openTaskList(list, connection);
    ASSERT_EQ(list.rows()->rowCount(), 1u);
    EXPECT_EQ(list.rows()->cell(0, 0), fullText(50));  // 子系统
    EXPECT_EQ(list.rows()->cell(0, 1), fullText(50));  // 站点
    EXPECT_EQ(list.rows()->cell(0, 2), "异常");
    EXPECT_EQ(list.rows()->cell(0, 4), fullText(40));  // 任务号
    list.Close();
    connection.Close();

    for (const TextColumn& column : textColumns) {
        const auto rows = odbc.query("select " + column.name + ", len(" + column.name + ") from " + column.table);
        ASSERT_EQ(rows.size(), 1u) << column.table << "." << column.name;
        EXPECT_EQ(rows[0][0].value_or("NULL"), fullText(column.units)) << column.table << "." << column.name;
        EXPECT_EQ(rows[0][1].value_or("NULL"), std::to_string(column.units)) << column.table << "." << column.name;
    }
}

TEST_F(LongestText, OneUnitMoreIsRefusedAndLeavesTheRowAsItWas)
{
    testsupport::OdbcClient odbc(server().port());
    odbc.exec("insert into zk_tasklog (cTaskId, TaskState) values (N'seed', '0')");
    odbc.exec("insert into zk_task (cTaskId) values (N'seed')");
    for (const TextColumn& column : textColumns) {
        // The case for cStation: 49 letters and one pair are 51 units.
        const std::string tooLong = std::string(static_cast<std::size_t>(column.units - 1), 'a') + emoji;
        try {
            odbc.exec("update " + column.table + " set " + column.name + " = N'" + tooLong + "'");
            ADD_FAILURE() << column.table << "." << column.name << " took " << column.units + 1 << " units";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find("would be truncated"), std::string::npos) << error.what();
        }
    }
    const auto rows = odbc.query("select cTaskId, cStation from zk_tasklog");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].value_or("NULL"), "seed");
    EXPECT_FALSE(rows[0][1].has_value());

    db::Connection connection;
    db::TaskOperations::logOn(connection, server().serverName(), "");
    db::Recordset list;
    db::TaskOperations::openTaskList(list, connection);
    EXPECT_EQ(list.rows()->rowCount(), 1u);
}

// A (max) value longer than 4,000 characters reaches a TDS 7.4 client as PLP and a 7.1 one as ntext
// (varbinary(max): image).
TEST_F(LongestText, MaxTextReachesNewAndOldClientsWhole)
{
    std::string longText;
    for (int i = 0; i < 2500; ++i)
        longText += "中" + emoji;  // 7,500 units
    {
        testsupport::OdbcClient seed(server().port());
        seed.exec("create table notes (body nvarchar(max))");
        seed.exec("insert into notes values (N'" + longText + "')");
    }
    for (const std::string version : {"7.4", "7.1"}) {
        SCOPED_TRACE(version);
        testsupport::OdbcClient odbc(server().port(), "VOZUZODI", "", version);
        const auto rows =
            odbc.query("select body, len(body), convert(nvarchar(max), body) + N'!', convert(varbinary(max), N'ab'),"
                       " convert(varbinary(max), NULL) from notes");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][0].value_or("NULL"), longText);
        EXPECT_EQ(rows[0][1].value_or("NULL"), "7500");
        EXPECT_EQ(rows[0][2].value_or("NULL"), longText + "!");
        EXPECT_EQ(rows[0][3].value_or("NULL"), "61006200");  // varbinary(max): PLP at 7.4, image at 7.1
        EXPECT_FALSE(rows[0][4].has_value());
    }
}

}  // namespace
