// Reading results through the recordset against a real taskstore.
#include <gtest/gtest.h>

#include "OdbcClient.h"
#include "TaskStoreFixture.h"
#include "db/Connection.h"
#include "db/Recordset.h"
#include "db/TaskStatements.h"
#include "runtime/RuntimeError.h"

namespace {

class Recordset : public dbtest::TaskStoreTest {
protected:
    void openConnection()
    {
        connection.setCursorLocation(db::CursorLocation::Client);
        connection.Open(logOn(), "", "");
        connection.setDefaultDatabase("VOZUZODI");
    }
    db::Connection connection;
};

TEST_F(Recordset, ListQueryGivesChineseTitlesCellsAndDateTimes)
{
    testsupport::OdbcClient seed(server().port());
    seed.exec("insert into zk_tasklog (cTaskId, cSub_Id, cSub_Name, cStation, TaskState, dInTime) values "
              "('T1', 'GL', N'总账', N'财务室😀', '-1', '2005-03-23 10:15:00.007')");
    seed.exec("insert into zk_tasklog (cTaskId, cSub_Id, cSub_Name, cStation, TaskState, dInTime) values "
              "('T2', 'AR', N'应收', NULL, '05', '2005-03-23 00:00:00.000')");
    openConnection();

    db::Recordset recordset;
    EXPECT_EQ(recordset.State(), db::ObjectState::Closed);
    recordset.Open(db::TaskStatements::listQuery(), connection);
    EXPECT_EQ(recordset.State(), db::ObjectState::Open);
    const auto rows = recordset.rows();
    recordset.Close();
    EXPECT_EQ(recordset.State(), db::ObjectState::Closed);
    EXPECT_EQ(recordset.rows(), nullptr);

    ASSERT_EQ(rows->columnCount(), 5);
    const char* titles[] = {"子系统", "站点", "运行状态", "注册时间", "任务号"};
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(rows->columnName(c), titles[c]);
    EXPECT_EQ(rows->columnKind(0), db::ColumnKind::Text);
    EXPECT_EQ(rows->columnKind(3), db::ColumnKind::DateTime);
    ASSERT_EQ(rows->rowCount(), 2u);
    EXPECT_EQ(rows->cell(0, 0), "总账");
    EXPECT_EQ(rows->cell(0, 1), "财务室😀");
    EXPECT_EQ(rows->cell(0, 2), "异常");
    EXPECT_EQ(rows->cell(0, 3), "2005-03-23 10:15:00.007");
    EXPECT_EQ(rows->cell(0, 4), "T1");
    EXPECT_TRUE(rows->isNull(1, 1));
    EXPECT_EQ(rows->cell(1, 2), "正常（05）");
    EXPECT_EQ(rows->cell(1, 3), "2005-03-23 00:00:00.000");

    // The statement reached the server exactly as written.
    bool sent = false;
    for (const auto& request : server().requests())
        sent = sent || request.text == db::TaskStatements::listQuery();
    EXPECT_TRUE(sent);
}

TEST_F(Recordset, EmptyTableGivesTitlesAndNoRows)
{
    openConnection();
    db::Recordset recordset;
    recordset.Open(db::TaskStatements::listQuery(), connection);
    EXPECT_EQ(recordset.rows()->columnCount(), 5);
    EXPECT_EQ(recordset.rows()->rowCount(), 0u);
}

TEST_F(Recordset, FailedOpenRaisesTheServersErrorAndStaysClosed)
{
    testsupport::OdbcClient seed(server().port());
    for (int i = 0; i < 1200; ++i)
        seed.exec("insert into zk_tasklog (cTaskId, TaskState) values ('T" + std::to_string(i) + "', '"
                  + (i == 1100 ? std::string("abc") : std::to_string(i)) + "')");
    openConnection();
    db::Recordset recordset;
    try {
        recordset.Open(db::TaskStatements::listQuery(), connection);
        ADD_FAILURE() << "the conversion error was not raised";
    } catch (const runtime::RuntimeError& error) {
        EXPECT_EQ(error.Number(), 245);
        EXPECT_NE(error.Description().find("'abc'"), std::string::npos) << error.Description();
    }
    EXPECT_EQ(recordset.State(), db::ObjectState::Closed);
    EXPECT_EQ(recordset.rows(), nullptr);
    EXPECT_THROW(recordset.Close(), runtime::RuntimeError);

    // The connection is still usable afterwards: nothing is left pending or bound on it.
    seed.exec("delete from zk_tasklog where TaskState = 'abc'");
    recordset.Open(db::TaskStatements::listQuery(), connection);
    EXPECT_EQ(recordset.rows()->rowCount(), 1199u);

    db::Connection closed;
    db::Recordset other;
    EXPECT_THROW(other.Open(db::TaskStatements::listQuery(), closed), runtime::RuntimeError);
    EXPECT_EQ(other.State(), db::ObjectState::Closed);
}

TEST_F(Recordset, ServerSideCursorIsRefusedBeforeAnythingIsSent)
{
    openConnection();
    connection.setCursorLocation(db::CursorLocation::Server);
    const std::size_t sent = server().requests().size();
    db::Recordset recordset;
    EXPECT_THROW(recordset.Open(db::TaskStatements::listQuery(), connection), runtime::RuntimeError);
    EXPECT_EQ(recordset.State(), db::ObjectState::Closed);
    EXPECT_EQ(server().requests().size(), sent);
}

TEST_F(Recordset, ManyBlocksReadTheSameRowsAsAnIndependentClient)
{
    testsupport::TaskStoreOptions options;
    options.demoTasks = 4321;
    startServer(options);
    openConnection();
    const std::string query = "select cTaskId, cSub_Id, cSub_Name, cStation, TaskState, cMemo from zk_tasklog";
    db::Recordset recordset;
    recordset.Open(query, connection);
    const auto rows = recordset.rows();

    testsupport::OdbcClient client(server().port());
    const testsupport::Rows expected = client.query(query);
    ASSERT_EQ(rows->rowCount(), expected.size());
    ASSERT_GT(expected.size(), 4000u);
    for (std::size_t r = 0; r < expected.size(); ++r) {
        for (int c = 0; c < rows->columnCount(); ++c) {
            const auto& want = expected[r][static_cast<std::size_t>(c)];
            ASSERT_EQ(rows->isNull(r, c), !want.has_value()) << r << "," << c;
            if (want) {
                ASSERT_EQ(rows->cell(r, c), *want) << r << "," << c;
            }
        }
    }
}

TEST_F(Recordset, ValuesTooLongToBindAreReadPieceByPiece)
{
    testsupport::OdbcClient seed(server().port());
    seed.exec("create table notes (id int, body varchar(6000), at datetime)");
    const std::string longText = std::string(5000, 'x') + "end";
    seed.exec("insert into notes (id, body, at) values (1, '" + longText + "', '2024-02-29 23:59:59.997')");
    seed.exec("insert into notes (id, body, at) values (2, NULL, NULL)");
    seed.exec("insert into notes (id, body, at) values (3, '', '1900-01-01 00:00:00.003')");
    openConnection();
    db::Recordset recordset;
    recordset.Open("select id, body, at from notes", connection);
    const auto rows = recordset.rows();
    ASSERT_EQ(rows->rowCount(), 3u);
    EXPECT_EQ(rows->cell(0, 0), "1");
    EXPECT_EQ(rows->cell(0, 1), longText);
    EXPECT_TRUE(rows->isNull(1, 1));
    EXPECT_TRUE(rows->isNull(1, 2));
    EXPECT_EQ(rows->cell(2, 1), "");
    EXPECT_FALSE(rows->isNull(2, 1));
    EXPECT_EQ(rows->columnKind(2), db::ColumnKind::DateTime);
    EXPECT_EQ(rows->cell(0, 2), "2024-02-29 23:59:59.997");
    EXPECT_EQ(rows->cell(2, 2), "1900-01-01 00:00:00.003");
}

TEST_F(Recordset, SkipsCountsBeforeTheFirstRowsAndRaisesErrorsAfterThem)
{
    openConnection();
    db::Recordset recordset;
    recordset.Open("delete from zk_task; select cTaskId from zk_tasklog", connection);
    EXPECT_EQ(recordset.rows()->columnName(0), "cTaskId");
    recordset.Close();
    EXPECT_THROW(recordset.Open("select cTaskId from zk_tasklog; delete from no_such_table", connection),
                 runtime::RuntimeError);
    EXPECT_EQ(recordset.State(), db::ObjectState::Closed);
}

}  // namespace
