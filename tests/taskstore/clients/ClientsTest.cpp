// Independent clients against a real taskstore: FreeTDS tsql and python-tds log in, list the
// tasks, clear the abnormal ones in a transaction; wrong passwords are refused; a client that dies
// inside a transaction leaves the data as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "ClientRun.h"
#include "OdbcClient.h"
#include "TaskRows.h"
#include "TaskStoreProcess.h"
#include "db/TaskStatements.h"

using testsupport::OdbcClient;
using testsupport::TaskStoreProcess;
namespace statements = db::TaskStatements;
using clienttest::ChildResult;
using clienttest::runChild;

namespace {

const std::string password = "Cl1ent-pw";
const std::string python = "/usr/bin/python3";

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

bool hasLine(const std::string& text, const std::string& line)
{
    const auto all = lines(text);
    return std::find(all.begin(), all.end(), line) != all.end();
}

class TdsClients : public ::testing::Test {
protected:
    void SetUp() override
    {
        OdbcClient seed(server.port(), "VOZUZODI", password);
        testsupport::insertTaskLog(seed,
                                   {{"SA01", "总账", "PC-01", "05", "2024-01-15 13:45:30.500", "T-1"},
                                    {"SB02", "采购管理", "PC-02", "-1", "2024-01-16 08:00:00", "T-2"},
                                    {"SB02", "采购管理", "PC-03", "-3", "2024-01-17 09:30:00", "T-3"}});
        testsupport::insertTasks(seed, {{"SA01", "T-1", "总账", "PC-01"}, {"SB02", "T-2", "采购管理", "PC-02"}});
    }

    std::vector<std::string> firstColumn(const std::string& query)
    {
        return testsupport::sortedFirstColumn(OdbcClient(server.port(), "VOZUZODI", password).query(query));
    }
    std::vector<std::string> taskLogIds() { return firstColumn("select cTaskId from zk_tasklog"); }
    std::vector<std::string> taskSubIds() { return firstColumn("select cSub_Id from zk_task"); }

    ChildResult tsql(const std::string& script, const std::string& pw = password)
    {
        return runChild(
            {"tsql", "-H", "127.0.0.1", "-p", std::to_string(server.port()), "-U", "SA", "-P", pw, "-o", "q"}, script);
    }
    ChildResult pytds(std::vector<std::string> arguments, const std::string& pw = password)
    {
        arguments.insert(arguments.begin() + 1, {std::to_string(server.port()), pw});
        arguments.insert(arguments.begin(), {python, PYTDS_CLIENT});
        return runChild(arguments);
    }

    TaskStoreProcess server{testsupport::TaskStoreOptions{password, 0, {}}};
};

const std::vector<std::string> keptTaskLog{"T-1"};
const std::vector<std::string> keptTasks{"SA01"};

}  // namespace

TEST_F(TdsClients, TsqlListsTheTasks)
{
    const auto result = tsql("USE VOZUZODI\ngo\n" + statements::listQuery() + "\ngo\nexit\n");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(hasLine(result.output, "子系统\t站点\t运行状态\t注册时间\t任务号")) << result.output;
    EXPECT_TRUE(hasLine(result.output, "总账\tPC-01\t正常（05）\tJan 15 2024 01:45PM\tT-1")) << result.output;
    EXPECT_TRUE(hasLine(result.output, "采购管理\tPC-02\t异常\tJan 16 2024 08:00AM\tT-2")) << result.output;
    EXPECT_TRUE(hasLine(result.output, "采购管理\tPC-03\t异常\tJan 17 2024 09:30AM\tT-3")) << result.output;
    const auto requests = server.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().kind, "BATCH");
    EXPECT_EQ(requests.back().text, statements::listQuery() + "\n");  // tsql ends each typed line with one
}

TEST_F(TdsClients, TsqlClearsAbnormalTasksInATransaction)
{
    const auto result =
        tsql("USE VOZUZODI\ngo\nBEGIN TRANSACTION\ngo\n" + std::string(statements::deleteAbnormalTasks) + "\ngo\n"
             + std::string(statements::deleteAbnormalTaskLog) + "\ngo\nCOMMIT TRANSACTION\ngo\nexit\n");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(result.output.find("Msg "), std::string::npos) << result.output;
    EXPECT_EQ(taskLogIds(), keptTaskLog);
    EXPECT_EQ(taskSubIds(), keptTasks);
}

TEST_F(TdsClients, PytdsListsTheTasks)
{
    const auto result = pytds({"list", statements::listQuery()});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(hasLine(result.output, "子系统\t站点\t运行状态\t注册时间\t任务号")) << result.output;
    EXPECT_TRUE(hasLine(result.output, "总账\tPC-01\t正常（05）\t2024-01-15 13:45:30.500000\tT-1")) << result.output;
    EXPECT_TRUE(hasLine(result.output, "采购管理\tPC-02\t异常\t2024-01-16 08:00:00\tT-2")) << result.output;
}

TEST_F(TdsClients, PytdsClearsAbnormalTasksAndCommits)
{
    const auto result =
        pytds({"clear", std::string(statements::deleteAbnormalTasks), std::string(statements::deleteAbnormalTaskLog)});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(hasLine(result.output, "affected 1")) << result.output;
    EXPECT_TRUE(hasLine(result.output, "affected 2")) << result.output;
    EXPECT_EQ(taskLogIds(), keptTaskLog);
    EXPECT_EQ(taskSubIds(), keptTasks);
    // The statements reached the server unchanged, and the driver's commit ended the transaction.
    const auto requests = server.requests();
    const auto has = [&](const std::string& kind, std::string_view text) {
        return std::any_of(requests.begin(), requests.end(),
                           [&](const auto& r) { return r.kind == kind && r.text == text; });
    };
    EXPECT_TRUE(has("BATCH", statements::deleteAbnormalTasks));
    EXPECT_TRUE(has("BATCH", statements::deleteAbnormalTaskLog));
    EXPECT_TRUE(has("TM COMMIT", ""));
}

TEST_F(TdsClients, WrongPasswordIsRefused)
{
    const std::string guess = "Guess-4711";
    const auto viaTsql = tsql("select 1\ngo\nexit\n", guess);
    EXPECT_NE(viaTsql.output.find("Login failed for user 'SA'."), std::string::npos) << viaTsql.output;
    const auto viaPytds = pytds({"login"}, guess);
    EXPECT_NE(viaPytds.output.find("refused 18456"), std::string::npos) << viaPytds.output;
    EXPECT_TRUE(server.waitForLog("login failed for SA from 127.0.0.1:"));
    EXPECT_EQ(server.log().find(guess), std::string::npos) << "the log must not show the password";
}

TEST_F(TdsClients, ClientKilledInsideTransactionLeavesTablesUnchanged)
{
    const auto result = pytds({"die-after-first", std::string(statements::deleteAbnormalTasks)});
    EXPECT_TRUE(hasLine(result.output, "affected 1")) << result.output;
    EXPECT_NE(result.exitCode, 0);
    // Connection 1 seeded the tables; the killed client was connection 2.
    ASSERT_TRUE(server.waitForLog("connection 2 closed (")) << server.log();
    EXPECT_EQ(taskLogIds(), (std::vector<std::string>{"T-1", "T-2", "T-3"}));
    EXPECT_EQ(taskSubIds(), (std::vector<std::string>{"SA01", "SB02"}));
}

TEST_F(TdsClients, PytdsCancelsALongQueryAndGoesOn)
{
    TaskStoreProcess busy{testsupport::TaskStoreOptions{"", 20000, {}}};
    const auto result = runChild({python, PYTDS_CLIENT, "cancel", std::to_string(busy.port()), "",
                                  "select cTaskId, cSub_Name, cMemo from zk_tasklog",
                                  "select cTaskId from zk_tasklog where cTaskId = 'T0000000007'"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(hasLine(result.output, "first T0000000001")) << result.output;
    EXPECT_TRUE(hasLine(result.output, "cancelled")) << result.output;
    EXPECT_TRUE(hasLine(result.output, "T0000000007")) << result.output;
    const auto requests = busy.requests();
    EXPECT_EQ(std::count_if(requests.begin(), requests.end(), [](const auto& r) { return r.kind == "ATTENTION"; }), 1);
}

TEST_F(TdsClients, OdbcDriverTransactionsCommitAndRollBack)
{
    {
        OdbcClient client(server.port(), "VOZUZODI", password);
        client.setAutocommit(false);  // TM BEGIN
        client.exec(statements::deleteAbnormalTasks);
        client.exec(statements::deleteAbnormalTaskLog);
        client.rollback();  // TM ROLLBACK, and a new transaction begins
        // Seen from inside the session, so an ignored rollback would show here.
        EXPECT_EQ(testsupport::sortedFirstColumn(client.query("select cTaskId from zk_tasklog")),
                  (std::vector<std::string>{"T-1", "T-2", "T-3"}));
        client.exec(statements::deleteAbnormalTasks);
        client.exec(statements::deleteAbnormalTaskLog);
        client.commit();
        client.setAutocommit(true);  // ends the empty transaction the commit opened
    }
    EXPECT_EQ(taskLogIds(), keptTaskLog);
    EXPECT_EQ(taskSubIds(), keptTasks);
}

TEST_F(TdsClients, OdbcDriverAtEveryTdsVersionListsRollsBackAndCommits)
{
    // Below 7.2 the driver ends transactions with IF @@TRANCOUNT batches instead of requests.
    for (const std::string version : {"7.4", "7.3", "7.2", "7.1"}) {
        SCOPED_TRACE(version);
        OdbcClient client(server.port(), "VOZUZODI", password, version);
        EXPECT_EQ(client.query(statements::listQuery()).size(), 3u);
        EXPECT_EQ(client.query("select cSub_Name from zk_tasklog where cTaskId = 'T-2'").at(0).at(0), "采购管理");
        client.setAutocommit(false);
        client.exec(statements::deleteAbnormalTasks);
        client.exec(statements::deleteAbnormalTaskLog);
        client.rollback();
        EXPECT_EQ(testsupport::sortedFirstColumn(client.query("select cTaskId from zk_tasklog")),
                  (std::vector<std::string>{"T-1", "T-2", "T-3"}));
        if (version == "7.1") {
            client.exec(statements::deleteAbnormalTasks);
            client.exec(statements::deleteAbnormalTaskLog);
            client.commit();
        }
        client.setAutocommit(true);
    }
    EXPECT_EQ(taskLogIds(), keptTaskLog);
    EXPECT_EQ(taskSubIds(), keptTasks);
    const auto requests = server.requests();
    EXPECT_TRUE(std::any_of(requests.begin(), requests.end(), [](const auto& r) {
        return r.kind == "BATCH" && r.text.starts_with("IF @@TRANCOUNT > 0 COMMIT");
    }));
}

TEST_F(TdsClients, TsqlAtTds71ListsTheTasks)
{
    const auto result = runChild(
        {"tsql", "-H", "127.0.0.1", "-p", std::to_string(server.port()), "-U", "SA", "-P", password, "-o", "q"},
        "USE VOZUZODI\ngo\n" + statements::listQuery() + "\ngo\nexit\n", 30, {{"TDSVER", "7.1"}});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(hasLine(result.output, "采购管理\tPC-03\t异常\tJan 17 2024 09:30AM\tT-3")) << result.output;
}

TEST_F(TdsClients, LoginToAMissingDatabaseIsRefused)
{
    EXPECT_THROW(OdbcClient(server.port(), "NoSuchDb", password), std::runtime_error);
    EXPECT_TRUE(server.waitForLog("login failed for SA from 127.0.0.1:"));
    EXPECT_NE(server.log().find("database NoSuchDb does not exist"), std::string::npos) << server.log();
}
