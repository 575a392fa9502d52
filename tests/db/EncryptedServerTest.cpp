// The tool's log-on, task list and clearing against a server that forces encryption: the same
// calls as against one that does not, with every byte of the session under TLS.
#include <gtest/gtest.h>

#include "OdbcClient.h"
#include "TaskStoreFixture.h"
#include "db/Connection.h"
#include "db/Recordset.h"
#include "db/RowTable.h"
#include "db/TaskOperations.h"

namespace {

class EncryptedServer : public dbtest::TaskStoreTest {
protected:
    void SetUp() override
    {
        auto options = dbtest::withPassword("Forced-4711");
        options.extraArguments.push_back("--force-encryption");
        startServer(std::move(options));
    }
};

TEST_F(EncryptedServer, TheToolLogsOnListsAndClears)
{
    {
        testsupport::OdbcClient seed(server().port(), "VOZUZODI", "Forced-4711");
        seed.exec(
            "insert into zk_tasklog (cTaskId, cSub_Id, cSub_Name, cStation, TaskState, dInTime) values "
            "('T1', 'GL', N'总账', 'PC-1', '-1', '2024-01-02'), ('T2', 'AR', N'应收', 'PC-2', '05', '2024-01-03')");
        seed.exec("insert into zk_task (cSub_Id, cTaskId) values ('GL', 'T1'), ('AR', 'T2')");
    }
    db::Connection connection;
    db::TaskOperations::logOn(connection, server().serverName(), "Forced-4711");
    db::Recordset list;
    db::TaskOperations::openTaskList(list, connection);
    ASSERT_EQ(list.rows()->rowCount(), 2u);
    EXPECT_EQ(list.rows()->cell(0, 0), "总账");
    list.Close();
    db::TaskOperations::clearTasks(connection, db::TaskOperations::Clearing::AbnormalTasks);
    connection.Close();
    testsupport::OdbcClient check(server().port(), "VOZUZODI", "Forced-4711");
    EXPECT_EQ(check.query("select cTaskId from zk_tasklog").size(), 1u);
    EXPECT_EQ(check.query("select cTaskId from zk_task").size(), 1u);
}

}  // namespace
