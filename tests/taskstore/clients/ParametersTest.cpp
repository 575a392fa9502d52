// Statements with parameters from three independent drivers: python-tds and tedious call
// sp_executesql (tedious also prepares), the FreeTDS ODBC driver prepares and executes. Values,
// NULL included, arrive as values: text that looks like SQL is stored, never run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "ClientRun.h"
#include "OdbcClient.h"
#include "TaskStoreProcess.h"

using clienttest::runChild;
using testsupport::OdbcClient;
using testsupport::TaskStoreProcess;
namespace fs = std::filesystem;

namespace {

const std::string password = "Rpc-pw-4711";
const std::string injection = "'; drop table zk_task --";

class Parameters : public ::testing::Test {
protected:
    void SetUp() override
    {
        OdbcClient(server.port(), "VOZUZODI", password)
            .exec("insert into zk_task (cSub_Id, cTaskId) values ('K1', 'T-K')");
    }
    // The task table is still there and still holds its row.
    bool taskTableIntact()
    {
        return OdbcClient(server.port(), "VOZUZODI", password).query("select cTaskId from zk_task").size() == 1;
    }
    bool received(const std::string& kind)
    {
        const auto requests = server.requests();
        return std::any_of(requests.begin(), requests.end(), [&](const auto& r) { return r.kind == kind; });
    }

    TaskStoreProcess server{testsupport::TaskStoreOptions{password, 0, {}, {}}};
};

}  // namespace

TEST_F(Parameters, PythonTdsSelectsInsertsAndDeletesWithValues)
{
    const auto result = runChild({"/usr/bin/python3", PYTDS_CLIENT, "params", std::to_string(server.port()), password});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_NE(result.output.find("select 42|总账|<NULL>|1.5|12.345|2024-01-02 03:04:05\n"), std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("inserted 1\n"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("read " + injection + "|<NULL>|2024-03-04 05:06:07\n"), std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("deleted 1\n"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("refused 2812 Could not find stored procedure 'no_such_procedure'."),
              std::string::npos)
        << result.output;
    EXPECT_TRUE(received("RPC sp_executesql"));
    EXPECT_TRUE(taskTableIntact());
}

TEST_F(Parameters, PythonTdsParametersKeepTheirTypesAndEveryDigit)
{
    const auto result = runChild({"/usr/bin/python3", PYTDS_CLIENT, "types", std::to_string(server.port()), password});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    // decimal exact, uniqueidentifier, varbinary, date, time, datetime2 and datetimeoffset come back
    // as themselves, with their wire types (DECIMALN, GUID, BIGVARBIN, DATEN, TIMEN, DATETIME2N,
    // DATETIMEOFFSETN).
    EXPECT_NE(
        result.output.find("types 12345678901234567.89|6f9619ff-8b86-d011-b42d-00c04fc964ff|0001ff|2024-01-02|"
                           "03:04:05.123456|2024-01-02 03:04:05.123456|2024-01-02 03:04:05.123456+08:00|-0.001\n"),
        std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("wire 106 36 165 40 41 42 43 106\n"), std::string::npos) << result.output;
    // Stored into nvarchar and datetime columns: every digit, and datetime's 1/300 s.
    EXPECT_NE(result.output.find("stored 12345678901234567.89|2024-01-02 03:04:05.123000\n"), std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("computed 2.5|6F9619FF-8B86-D011-B42D-00C04FC964FF\n"), std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("long 5000 True 9000 True\n"), std::string::npos) << result.output;
}

// What a client sees of the smaller rules: 242's state, a typed NULL, day arithmetic, @@VERSION.
TEST_F(Parameters, PythonTdsSeesSqlServersStatesTypesAndVersion)
{
    const auto result =
        runChild({"/usr/bin/python3", PYTDS_CLIENT, "each", std::to_string(server.port()), password,
                  "select convert(datetime, '2026-02-30')", "select convert(datetime, NULL), cast(NULL as int)",
                  "select convert(datetime, '2024-01-31') + 1", "select @@version"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_NE(result.output.find("error 242 state 3\n"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("wire 61 56\n<NULL>\t<NULL>\n"), std::string::npos) << result.output;  // datetime, int
    EXPECT_NE(result.output.find("wire 61\n2024-02-01 00:00:00\n"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("\nMicrosoft SQL Server 2019 (RTM) - 15.0.2000.0 (X64)"), std::string::npos)
        << result.output;
}

// Wire types a client reads: numeric for decimal literals and their quotients, smallint for
// @@SPID, sql_variant for SERVERPROPERTY, nchar padded.
TEST_F(Parameters, PythonTdsReadsSqlServersTypes)
{
    const auto result = runChild({"/usr/bin/python3", PYTDS_CLIENT, "each", std::to_string(server.port()), password,
                                  "select 5.0 / 2, 2147483648, 0.1 + 0.2, convert(varchar, 5.0 / 2)",
                                  "select @@spid, serverproperty('Collation'), convert(nchar(3), N'a')"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    // python-tds shows a decimal without its trailing zeros; converted to text they are there.
    EXPECT_NE(result.output.find("wire 106 106 106 167\n2.5\t2147483648\t0.3\t2.500000\n"), std::string::npos)
        << result.output;
    // smallint, sql_variant; python-tds names nchar as it names nvarchar.
    EXPECT_NE(result.output.find("wire 52 98 231\n"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("\tChinese_PRC_CI_AS\ta  \n"), std::string::npos) << result.output;
}

TEST_F(Parameters, PythonTdsSeesTheTransactionCountChangedBySpExecuteSql)
{
    const auto result = runChild({"/usr/bin/python3", PYTDS_CLIENT, "rpc-tran", std::to_string(server.port()),
                                  password, "begin tran if %s = 0 commit", "if %s = 0 commit", "commit if %s = 0 commit"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    // The change stands; the error only tells the client.
    EXPECT_EQ(result.output,
              "error 266 state 2: Transaction count after EXECUTE indicates a mismatching number of BEGIN and COMMIT "
              "statements. Previous count = 0, current count = 1.\ntrancount 1\n"
              "ran\ntrancount 1\n"
              "error 266 state 2: Transaction count after EXECUTE indicates a mismatching number of BEGIN and COMMIT "
              "statements. Previous count = 1, current count = 0.\ntrancount 0\n");
}

TEST_F(Parameters, PythonTdsTemporaryTableEndsWithItsConnection)
{
    const auto owner = runChild({"/usr/bin/python3", PYTDS_CLIENT, "each", std::to_string(server.port()), password,
                                 "create table #t (a int)", "insert into #t values (1)", "select a from #t"});
    ASSERT_EQ(owner.exitCode, 0) << owner.output;
    EXPECT_NE(owner.output.find("done 1\nwire 56\n1\n"), std::string::npos) << owner.output;
    // The table went with the connection that made it: a new one finds no #t.
    const auto next = runChild(
        {"/usr/bin/python3", PYTDS_CLIENT, "each", std::to_string(server.port()), password, "select a from #t"});
    ASSERT_EQ(next.exitCode, 0) << next.output;
    EXPECT_NE(next.output.find("error 208 state 1"), std::string::npos) << next.output;
}

TEST_F(Parameters, TediousExecutesAndPreparesWithValues)
{
    const fs::path modules = clienttest::tediousModules();
    const auto result = runChild({"node", TEDIOUS_CLIENT, std::to_string(server.port()), password}, "", 60,
                                 {{"NODE_PATH", modules.string()}});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_NE(result.output.find("select 42|总账|<NULL>|1234567890123|1.5|12|"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("inserted 1\n"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("read " + injection + "|<NULL>\n"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("prepared N1\n"), std::string::npos) << result.output;
    // smallint and smalldatetime parameters come back as themselves (INTN and DATETIMN of two and
    // four bytes), @@SPID is smallint, SERVERPROPERTY sql_variant, a decimal quotient numeric(7, 6)
    // in five bytes, nchar(3) padded.
    EXPECT_NE(result.output.find("types IntN(2) DateTimeN(4) IntN(2) Variant(8016) DecimalN(5) NChar(6)\n"),
              std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("typed -2 2024-01-15T01:00:00.000Z Chinese_PRC_CI_AS|2.5|a  \n"), std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("deleted 1"), std::string::npos) << result.output;
    // As SQL Server flags them: identity 0x10, a table's column usUpdateable 2 (0x08), nullable 0x01;
    // literals neither nullable nor a table's.
    EXPECT_NE(result.output.find("flags id=24 name=9 code=8 one=0 x=0\n"), std::string::npos) << result.output;
    EXPECT_EQ(result.output.find("failed"), std::string::npos) << result.output;
    EXPECT_TRUE(received("RPC sp_prepare"));
    EXPECT_TRUE(taskTableIntact());
}

TEST_F(Parameters, OdbcSeesThePreparedStatementsColumnsBeforeRunningIt)
{
    for (const std::string version : {"7.4", "7.1"}) {
        SCOPED_TRACE(version);
        OdbcClient client(server.port(), "VOZUZODI", password, version);
        // The tool's list has five columns; sp_prepare's metadata tells the driver so without a row.
        EXPECT_EQ(client.preparedColumnCount(
                      "select cSub_Name as '子系统', cStation as '站点', case when convert(int,TaskState) < 0 "
                      "then '异常' Else '正常（' + TaskState + '）' end as '运行状态', dInTime as '注册时间', "
                      "cTaskId as '任务号' From zk_tasklog"),
                  5);
        EXPECT_EQ(client.preparedColumnCount("select cTaskId from zk_task where cSub_Id = ?"), 1);
        EXPECT_EQ(client.preparedColumnCount("delete from zk_task where cSub_Id = ?"), 0);
        // The prepared statement still runs, once, with its rows.
        const auto rows = client.executePrepared("select cTaskId, cSub_Id from zk_task where cSub_Id = ?", {{"K1"}});
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][0], "T-K");
    }
    EXPECT_TRUE(received("RPC sp_prepare"));
    EXPECT_TRUE(taskTableIntact());
}

TEST_F(Parameters, OdbcPreparesOnceAndExecutesWithEachRowOfValues)
{
    for (const std::string version : {"7.4", "7.1"}) {
        SCOPED_TRACE(version);
        OdbcClient client(server.port(), "VOZUZODI", password, version);
        client.executePrepared(
            "insert into zk_tasklog (cTaskId, cSub_Id, cSub_Name, cStation, TaskState) values (?, ?, ?, ?, ?)",
            {{"Q1", "S1", injection, std::monostate{}, "-1"}, {"Q2", "S1", "总账", "PC", "05"}});
        const auto rows =
            client.executePrepared("select cTaskId, cSub_Name, cStation from zk_tasklog where cTaskId = ? and ? = 1",
                                   {{"Q1", 1}, {"Q2", 1}, {"Q2", 0}});
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0][1], injection);
        EXPECT_EQ(rows[0][2], std::nullopt);
        EXPECT_EQ(rows[1][1], "总账");
        client.executePrepared("delete from zk_tasklog where cSub_Id = ?", {{"S1"}});
        EXPECT_TRUE(client.query("select cTaskId from zk_tasklog").empty());
    }
    EXPECT_TRUE(received("RPC sp_prepexec"));
    EXPECT_TRUE(received("RPC sp_execute"));
    EXPECT_TRUE(taskTableIntact());
}
