// The connection against a real taskstore: log-on, errors, database switch, statements and
// transactions, as the server saw them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "OdbcClient.h"
#include "TaskRows.h"
#include "TaskStoreFixture.h"
#include "db/Connection.h"
#include "db/Recordset.h"
#include "db/TaskStatements.h"
#include "runtime/RuntimeError.h"

namespace {

using dbtest::TaskStoreTest;

template <typename Action>
runtime::RuntimeError errorOf(Action action)
{
    try {
        action();
    } catch (const runtime::RuntimeError& error) {
        return error;
    }
    ADD_FAILURE() << "no error was raised";
    return runtime::RuntimeError(0, "");
}

void seedTaskLog(int port, const std::vector<std::string>& states)
{
    std::vector<testsupport::TaskLogRow> log;
    std::vector<testsupport::TaskRow> tasks;
    for (const std::string& state : states) {
        const std::string id = std::to_string(log.size() + 1);
        log.push_back({"S" + id, "总账", "站点" + id, state, "2024-01-02 03:04:05.000", "T" + id});
        tasks.push_back({.subId = "S" + id, .taskId = "T" + id});
    }
    testsupport::OdbcClient client(port);
    testsupport::insertTaskLog(client, log);
    testsupport::insertTasks(client, tasks);
}

long long countRows(int port, const std::string& table)
{
    testsupport::OdbcClient client(port);
    return static_cast<long long>(client.query("select cSub_Id from " + table).size());
}

using Connection = TaskStoreTest;

TEST_F(Connection, OpensOnMasterAndClosesWithState)
{
    db::Connection connection;
    EXPECT_EQ(connection.State(), db::ObjectState::Closed);
    connection.setCursorLocation(db::CursorLocation::Client);
    connection.setCommandTimeout(3600);
    connection.Open(logOn(), "", "");
    EXPECT_EQ(connection.State(), db::ObjectState::Open);
    EXPECT_EQ(connection.DefaultDatabase(), "master");
    EXPECT_TRUE(server().waitForLog("logged in as SA to master"));
    // Settable while open, too.
    connection.setCommandTimeout(10);
    connection.setCursorLocation(db::CursorLocation::Client);

    EXPECT_THROW(connection.Open(logOn(), "", ""), runtime::RuntimeError);
    connection.Close();
    EXPECT_EQ(connection.State(), db::ObjectState::Closed);
    EXPECT_TRUE(server().waitForLog("closed"));

    for (const auto& useClosed : std::vector<std::function<void()>>{
             [&] { connection.Close(); },
             [&] { connection.Execute("delete from zk_task"); },
             [&] { connection.setDefaultDatabase("VOZUZODI"); },
             [&] { connection.BeginTrans(); },
         }) {
        const runtime::RuntimeError error = errorOf(useClosed);
        EXPECT_EQ(error.Number(), runtime::ErrorNumber::ObjectClosed);
        EXPECT_NE(error.Description().find("closed"), std::string::npos);
    }
}

TEST_F(Connection, WrongPasswordAndUnreachableServerLeaveItClosed)
{
    startServer(dbtest::withPassword("right"));
    db::Connection connection;
    const runtime::RuntimeError refused = errorOf([&] { connection.Open(logOn("wrong"), "", ""); });
    EXPECT_EQ(refused.Number(), 18456);
    EXPECT_EQ(refused.Description(), "Login failed for user 'SA'.");
    EXPECT_EQ(connection.State(), db::ObjectState::Closed);

    const std::string unreachable = logOn("right");
    server().kill();
    const auto started = std::chrono::steady_clock::now();
    const runtime::RuntimeError gone = errorOf([&] { connection.Open(unreachable, "", ""); });
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
    EXPECT_EQ(gone.Number(), runtime::ErrorNumber::ProviderFailure);
    EXPECT_FALSE(gone.Description().empty());
    EXPECT_EQ(gone.Description().find('['), std::string::npos) << gone.Description();
    EXPECT_EQ(connection.State(), db::ObjectState::Closed);
}

TEST_F(Connection, PasswordsWithSeparatorsQuotesAndChineseReachTheServerIntact)
{
    for (const std::string password :
         {"x;Data Source=elsewhere", "it's \"quoted\" {and} braced}", "{a;b}c}", "x}", " 密码 😀 "}) {
        startServer(dbtest::withPassword(password));
        db::Connection connection;
        ASSERT_NO_THROW(connection.Open(logOn(password), "", "")) << password;
        EXPECT_EQ(connection.State(), db::ObjectState::Open);
        connection.Close();
        EXPECT_THROW(connection.Open(logOn(password + "x"), "", ""), runtime::RuntimeError);
    }
}

TEST_F(Connection, SwitchesToExistingDatabaseOnlyAndKeepsTheOldOneOtherwise)
{
    db::Connection connection;
    connection.Open(logOn(), "", "");
    connection.setDefaultDatabase("VOZUZODI");
    EXPECT_EQ(connection.DefaultDatabase(), "VOZUZODI");

    for (const char* missing : {"NoSuchDatabase", "a]b"}) {
        const runtime::RuntimeError error = errorOf([&] { connection.setDefaultDatabase(missing); });
        EXPECT_EQ(error.Number(), 911);
        EXPECT_NE(error.Description().find(missing), std::string::npos) << error.Description();
        EXPECT_EQ(connection.DefaultDatabase(), "VOZUZODI");
    }
    // Statements without a database name act on the switched-to database.
    seedTaskLog(server().port(), {"1"});
    connection.Execute(db::TaskStatements::deleteAllTaskLog);
    EXPECT_EQ(countRows(server().port(), "zk_tasklog"), 0);
}

TEST_F(Connection, ExecuteTreatsNoRowsAsSuccessAndRaisesEveryStatementsError)
{
    db::Connection connection;
    connection.Open(logOn(), "", "");
    connection.setDefaultDatabase("VOZUZODI");
    EXPECT_NO_THROW(connection.Execute(db::TaskStatements::deleteAbnormalTasks));
    EXPECT_NO_THROW(connection.Execute(db::TaskStatements::deleteAllTaskLog));

    seedTaskLog(server().port(), {"abc"});
    const runtime::RuntimeError conversion =
        errorOf([&] { connection.Execute(db::TaskStatements::deleteAbnormalTaskLog); });
    EXPECT_EQ(conversion.Number(), 245);
    EXPECT_NE(conversion.Description().find("Conversion failed"), std::string::npos) << conversion.Description();

    // An error in the second statement of a batch surfaces, too.
    const runtime::RuntimeError second =
        errorOf([&] { connection.Execute("delete from zk_task; delete from no_such_table"); });
    EXPECT_EQ(second.Number(), 208);
    const runtime::RuntimeError syntax = errorOf([&] { connection.Execute("delete from zk_task where"); });
    EXPECT_TRUE(syntax.Number() == 102 || syntax.Number() == 156) << syntax.Number();

    // The text reached the server unchanged (braces included, no escape rewriting).
    EXPECT_NO_THROW(connection.Execute("delete from zk_task where cSub_Id = '{fn x}'"));
    bool sawBraces = false;
    for (const auto& request : server().requests())
        sawBraces = sawBraces || request.text == "delete from zk_task where cSub_Id = '{fn x}'";
    EXPECT_TRUE(sawBraces);
}

TEST_F(Connection, CommitTransMakesTheDeletesDurableAndLeavesNoTransactionOpen)
{
    seedTaskLog(server().port(), {"-1", "0", "-2"});
    db::Connection connection;
    connection.Open(logOn(), "", "");
    connection.setDefaultDatabase("VOZUZODI");

    EXPECT_EQ(connection.BeginTrans(), 1);
    EXPECT_THROW(connection.BeginTrans(), runtime::RuntimeError);
    connection.Execute(db::TaskStatements::deleteAbnormalTasks);
    connection.Execute(db::TaskStatements::deleteAbnormalTaskLog);
    connection.CommitTrans();
    EXPECT_THROW(connection.CommitTrans(), runtime::RuntimeError);
    EXPECT_EQ(countRows(server().port(), "zk_tasklog"), 1);
    EXPECT_EQ(countRows(server().port(), "zk_task"), 1);

    // After the commit the connection is back in autocommit: this delete is durable although the
    // connection then goes away, which would roll back any open transaction.
    connection.Execute(db::TaskStatements::deleteAllTaskLog);
    connection.Close();
    EXPECT_EQ(countRows(server().port(), "zk_tasklog"), 0);

    std::vector<std::string> ours;
    for (const auto& request : server().requests()) {
        if (request.kind.rfind("TM", 0) == 0)
            ours.push_back(request.kind);
    }
    EXPECT_EQ(ours, (std::vector<std::string>{"TM BEGIN", "TM COMMIT", "TM ROLLBACK"}));
}

TEST_F(Connection, UncommittedWorkIsDiscardedWhenTheConnectionCloses)
{
    seedTaskLog(server().port(), {"-1", "0"});
    db::Connection connection;
    connection.Open(logOn(), "", "");
    connection.setDefaultDatabase("VOZUZODI");
    connection.BeginTrans();
    connection.Execute(db::TaskStatements::deleteAllTasks);
    connection.Execute(db::TaskStatements::deleteAllTaskLog);
    connection.Close();
    EXPECT_EQ(countRows(server().port(), "zk_tasklog"), 2);
    EXPECT_EQ(countRows(server().port(), "zk_task"), 2);
    // The connection opens afresh without a transaction of the last session.
    connection.Open(logOn(), "", "");
    EXPECT_THROW(connection.CommitTrans(), runtime::RuntimeError);
}

TEST_F(Connection, AServerThatGoesAwayGivesAnErrorAndTheConnectionStillCloses)
{
    db::Connection connection;
    connection.Open(logOn(), "", "");
    server().kill();
    const runtime::RuntimeError error = errorOf([&] { connection.Execute(db::TaskStatements::deleteAllTasks); });
    EXPECT_EQ(error.Number(), runtime::ErrorNumber::ProviderFailure);
    EXPECT_FALSE(error.Description().empty());
    EXPECT_EQ(connection.State(), db::ObjectState::Open);
    EXPECT_NO_THROW(connection.Close());
    EXPECT_EQ(connection.State(), db::ObjectState::Closed);
}

TEST_F(Connection, CommandTimeoutEndsAStatementThatWaits)
{
    seedTaskLog(server().port(), {"-1"});
    // Another session holds the rows with an uncommitted delete, so readers wait for it.
    testsupport::OdbcClient holder(server().port());
    holder.setAutocommit(false);
    holder.exec(db::TaskStatements::deleteAllTaskLog);

    db::Connection connection;
    connection.setCommandTimeout(1);
    connection.Open(logOn(), "", "");
    connection.setDefaultDatabase("VOZUZODI");
    const auto started = std::chrono::steady_clock::now();
    const runtime::RuntimeError timedOut =
        errorOf([&] { connection.Execute("delete from zk_tasklog where cTaskId = 'T1'"); });
    EXPECT_EQ(timedOut.Number(), runtime::ErrorNumber::ProviderFailure);
    EXPECT_NE(timedOut.Description().find("imeout"), std::string::npos) << timedOut.Description();
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    EXPECT_LT(waited, std::chrono::seconds(10));
    bool attention = false;
    for (const auto& request : server().requests())
        attention = attention || request.kind == "ATTENTION";
    EXPECT_TRUE(attention);
    // The cancelled statement leaves the connection usable.
    holder.rollback();
    EXPECT_NO_THROW(connection.Execute("delete from zk_tasklog where cTaskId = 'none'"));
}

TEST_F(Connection, ReadThatTimesOutWaitingForAnotherSessionLeavesTheTransactionOpen)
{
    seedTaskLog(server().port(), {"-1", "2"});
    testsupport::OdbcClient holder(server().port());
    holder.setAutocommit(false);
    holder.exec(db::TaskStatements::deleteAbnormalTaskLog);

    db::Connection connection;
    connection.setCursorLocation(db::CursorLocation::Client);
    connection.setCommandTimeout(1);
    connection.Open(logOn(), "", "");
    connection.setDefaultDatabase("VOZUZODI");
    connection.BeginTrans();
    const auto started = std::chrono::steady_clock::now();
    const runtime::RuntimeError timedOut = errorOf([&] {
        db::Recordset list;
        list.Open(db::TaskStatements::listQuery(), connection);
    });
    EXPECT_NE(timedOut.Description().find("imeout"), std::string::npos) << timedOut.Description();
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(900));
    const auto requests = server().requests();
    EXPECT_TRUE(std::any_of(requests.begin(), requests.end(), [](const auto& r) { return r.kind == "ATTENTION"; }));
    // The attention cancelled the read only: the transaction is still there to commit.
    EXPECT_NO_THROW(connection.CommitTrans());
    holder.rollback();
    db::Recordset list;
    list.Open(db::TaskStatements::listQuery(), connection);
    EXPECT_EQ(list.rows()->rowCount(), 2u);
}

}  // namespace
