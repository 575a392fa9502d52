// The tool against task tables whose text columns are varchar, as some Q6 databases have them:
// the values travel as code page 936 (GBK) bytes with the collation, the driver turns them into
// wide text, and the list, both clearings and an independent reader at TDS 7.4 and 7.1 see the
// same texts as with nvarchar columns. A character GBK lacks is stored as '?', as SQL Server does.
#include <gtest/gtest.h>

#include <string>

#include "OdbcClient.h"
#include "TaskStoreFixture.h"
#include "db/Connection.h"
#include "db/Recordset.h"
#include "db/RowTable.h"
#include "db/TaskOperations.h"

namespace {

class VarcharTasks : public dbtest::TaskStoreTest {
protected:
    void SetUp() override
    {
        testsupport::TaskStoreOptions options;
        options.extraArguments.push_back("--varchar-tasks");
        startServer(std::move(options));
        testsupport::OdbcClient seed(server().port());
        // 总账 and 应收 are in GBK; the emoji and 𠀀 (U+20000) are not, and become "??" as SQL Server writes them.
        seed.exec("insert into zk_tasklog (cTaskId, cSub_Id, cSub_Name, cStation, TaskState, dInTime) values "
                  "(N'T1', N'GL', N'总账', N'PC-1\xF0\x9F\x98\x80', '-1', '2024-01-02'),"
                  " (N'T2', N'AR', N'应收\xF0\xA0\x80\x80', N'PC-2', '05', '2024-01-03')");
        seed.exec("insert into zk_task (cSub_Id, cTaskId) values (N'GL', N'T1'), (N'AR', N'T2')");
    }

    std::vector<std::string> listedRow(db::Recordset& list, std::size_t row)
    {
        std::vector<std::string> cells;
        for (int column = 0; column < 5; ++column)
            cells.emplace_back(list.rows()->cell(row, column));
        return cells;
    }
};

TEST_F(VarcharTasks, TheToolListsTheSameTextsAndClearsTheAbnormalTasks)
{
    db::Connection connection;
    db::TaskOperations::logOn(connection, server().serverName(), "");
    db::Recordset list;
    db::TaskOperations::openTaskList(list, connection);
    ASSERT_EQ(list.rows()->rowCount(), 2u);
    EXPECT_EQ(listedRow(list, 0),
              (std::vector<std::string>{"总账", "PC-1??", "异常", "2024-01-02 00:00:00.000", "T1"}));
    EXPECT_EQ(listedRow(list, 1),
              (std::vector<std::string>{"应收??", "PC-2", "正常（05）", "2024-01-03 00:00:00.000", "T2"}));
    list.Close();
    db::TaskOperations::clearTasks(connection, db::TaskOperations::Clearing::AbnormalTasks);
    db::TaskOperations::openTaskList(list, connection);
    ASSERT_EQ(list.rows()->rowCount(), 1u);
    EXPECT_EQ(list.rows()->cell(0, 4), "T2");
    list.Close();
    db::TaskOperations::clearTasks(connection, db::TaskOperations::Clearing::AllTasks);
    connection.Close();

    testsupport::OdbcClient check(server().port());
    EXPECT_TRUE(check.query("select cTaskId from zk_tasklog").empty());
    EXPECT_TRUE(check.query("select cTaskId from zk_task").empty());
}

TEST_F(VarcharTasks, ReadersAtBothVersionsSeeGbkTextAndByteLengths)
{
    for (const std::string version : {"7.4", "7.1"}) {
        SCOPED_TRACE(version);
        testsupport::OdbcClient reader(server().port(), "VOZUZODI", "", version);
        const auto rows = reader.query("select cSub_Name, datalength(cSub_Name), len(cSub_Name), '异常' + cSub_Id,"
                                       " convert(varchar(max), cSub_Name) from zk_tasklog where cTaskId = 'T2'");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][0], "应收??");
        EXPECT_EQ(rows[0][1], "6");  // two GBK characters of two bytes and "??" for the two UTF-16 units of U+20000
        EXPECT_EQ(rows[0][2], "4");
        EXPECT_EQ(rows[0][3], "异常AR");
        EXPECT_EQ(rows[0][4], "应收??");
    }
    // cSub_Id is varchar(20): twenty bytes, so ten Chinese characters and no more.
    testsupport::OdbcClient writer(server().port());
    writer.exec("update zk_tasklog set cSub_Id = N'一二三四五六七八九十' where cTaskId = 'T1'");
    EXPECT_THROW(writer.exec("update zk_tasklog set cSub_Id = N'一二三四五六七八九十a' where cTaskId = 'T1'"),
                 std::runtime_error);
}

}  // namespace
