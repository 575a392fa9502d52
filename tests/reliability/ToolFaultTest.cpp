// The tool's clearing when things fail around it: the tool killed between its two deletes, the
// server going away during a refresh or a clearing, and two tools clearing at the same moment.
#include <QApplication>
#include <chrono>
#include <csignal>
#include <latch>
#include <mutex>
#include <thread>

#include "ClearingChild.h"
#include "MainWindowFixture.h"
#include "TaskTables.h"
#include "ToolSession.h"
#include "app/ModMain.h"
#include "db/ModFunction.h"
#include "db/TaskStatements.h"
#include "forms/main/frmMain.h"
#include "runtime/MsgBox.h"
#include "runtime/RuntimeError.h"

using forms::frmMain;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using reliability::readTables;
using reliability::seedTasks;
using reliability::TableContents;
using testsupport::OdbcClient;
using testsupport::TaskStoreProcess;

std::size_t countOf(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

bool sawBatch(const TaskStoreProcess& store, std::string_view text)
{
    for (const auto& request : store.requests()) {
        if (request.kind == "BATCH" && request.text == text)
            return true;
    }
    return false;
}

// Waits, bounded, until the server has logged more closed connections than before.
bool waitForClosedConnections(const TaskStoreProcess& store, std::size_t moreThan)
{
    const auto deadline = Clock::now() + 10s;
    while (Clock::now() < deadline) {
        if (countOf(store.log(), " closed (") > moreThan)
            return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

// ---------------------------------------------------------------------------------------------

struct KilledCase {
    const char* mode;
    const char* key;
    std::string_view first;
    std::string_view second;
};

class ToolKilledBetweenDeletes : public ::testing::TestWithParam<KilledCase> {};

TEST_P(ToolKilledBetweenDeletes, LeavesBothTablesUnchanged)
{
    TaskStoreProcess store;
    OdbcClient client(store.port());
    seedTasks(client, 60);
    const TableContents before = readTables(client);
    const std::size_t closedBefore = countOf(store.log(), " closed (");

    reliability::ClearingChild tool(GetParam().mode, store.serverName(), GetParam().key);
    ASSERT_TRUE(tool.waitUntilBetweenDeletes(30000)) << store.log();
    tool.kill();

    ASSERT_TRUE(waitForClosedConnections(store, closedBefore)) << store.log();
    EXPECT_TRUE(sawBatch(store, GetParam().first));
    EXPECT_FALSE(sawBatch(store, GetParam().second));
    EXPECT_EQ(readTables(client), before);
    // The dead session's locks are gone: the tables take writes again.
    client.exec("set lock_timeout 5000");
    client.exec(std::string(GetParam().second));
    EXPECT_EQ(readTables(client).tasks, before.tasks);
}

INSTANTIATE_TEST_SUITE_P(Clearings, ToolKilledBetweenDeletes,
                         ::testing::Values(KilledCase{"windows", "DELERROR", db::TaskStatements::deleteAbnormalTasks,
                                                      db::TaskStatements::deleteAbnormalTaskLog},
                                           KilledCase{"windows", "DELALL", db::TaskStatements::deleteAllTasks,
                                                      db::TaskStatements::deleteAllTaskLog},
                                           KilledCase{"database", "DELERROR", db::TaskStatements::deleteAbnormalTasks,
                                                      db::TaskStatements::deleteAbnormalTaskLog}),
                         [](const auto& testCase) {
                             return std::string(testCase.param.mode) + "_" + testCase.param.key;
                         });

// ---------------------------------------------------------------------------------------------

class ServerGoingAway : public maintest::MainWindowFixture {
protected:
    // The report the user sees: one, with a description that says what happened in plain words.
    void expectOneClearReport(Clock::duration took)
    {
        ASSERT_EQ(reports.size(), 1u);
        const std::string& description = reports[0].description;
        RecordProperty("description", std::to_string(reports[0].number) + " " + description);
        EXPECT_NE(description.find("connection to the server was lost"), std::string::npos) << description;
        EXPECT_EQ(description.find("[FreeTDS]"), std::string::npos) << description;
        EXPECT_EQ(description.find("[unixODBC]"), std::string::npos) << description;
        // Well inside the log-on time-out: a lost server is noticed at once, not waited for.
        EXPECT_LT(took, 15s);
    }

    void restartAndExpect(const TableContents& expected)
    {
        store->restart();
        client = std::make_unique<OdbcClient>(store->port());
        EXPECT_EQ(readTables(*client), expected);
    }
};

TEST_F(ServerGoingAway, DuringARefresh)
{
    seedTasks(*client, 30);
    const TableContents before = readTables(*client);
    frmMain* window = logOnAndShow();
    store->kill();

    const auto start = Clock::now();
    click(window, QStringLiteral("REF"));
    expectOneClearReport(Clock::now() - start);
    restartAndExpect(before);
}

TEST_F(ServerGoingAway, WhileAClearingWaitsInsideItsTransaction)
{
    seedTasks(*client, 30);
    const TableContents before = readTables(*client);
    frmMain* window = logOnAndShow();
    // Another session's open write makes the clearing's first delete wait on the server.
    OdbcClient blocker(store->port());
    blocker.setAutocommit(false);
    blocker.exec("insert into zk_task (cSub_Id) values ('BLOCKER')");

    bool statementArrived = false;
    std::thread killer([&] {
        const auto deadline = Clock::now() + 20s;
        while (Clock::now() < deadline && !(statementArrived = sawBatch(*store, db::TaskStatements::deleteAllTasks)))
            std::this_thread::sleep_for(20ms);
        std::this_thread::sleep_for(100ms);
        store->kill();
    });
    boxes->answer(runtime::MsgBoxResult::OK);
    const auto start = Clock::now();
    choose(window, QStringLiteral("DELALL"));
    const auto took = Clock::now() - start;
    killer.join();

    EXPECT_TRUE(statementArrived);
    expectOneClearReport(took);
    // Nothing half-deleted, and the blocker's uncommitted row is gone too.
    restartAndExpect(before);
}

TEST_F(ServerGoingAway, ThatStopsAnsweringIsGivenUpAtTheLogOnTimeout)
{
    // Frozen, not gone: the port still accepts, but nothing answers.
    const pid_t server = store->pid();
    ASSERT_GT(server, 0);
    ::kill(server, SIGSTOP);
    boxes->answer(runtime::MsgBoxResult::OK);
    const auto start = Clock::now();
    const bool opened = ModFunction::ConnectDB(store->serverName(), "SA", "");
    const auto took = Clock::now() - start;
    ::kill(server, SIGCONT);

    EXPECT_FALSE(opened);
    ASSERT_EQ(boxes->boxes().size(), 1u);
    EXPECT_FALSE(boxes->boxes()[0].text.empty());
    // The provider's default log-on time-out is 15 seconds.
    EXPECT_LT(took, 25s);
    EXPECT_GE(took, 10s) << boxes->boxes()[0].text;
}

// ---------------------------------------------------------------------------------------------

class TwoToolsClearing : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(TwoToolsClearing, AtTheSameMomentEqualsOneAfterTheOther)
{
    const auto [firstKey, secondKey] = GetParam();
    TaskStoreProcess concurrent;
    TaskStoreProcess sequential;
    OdbcClient concurrentClient(concurrent.port());
    OdbcClient sequentialClient(sequential.port());
    seedTasks(concurrentClient, 150);
    seedTasks(sequentialClient, 150);

    const TableContents seeded = readTables(sequentialClient);
    auto first = reliability::logOnAsTheToolDoes(sequential.serverName());
    db::TaskOperations::clearTasks(*first, reliability::clearingOf(firstKey));
    db::TaskOperations::clearTasks(*first, reliability::clearingOf(secondKey));
    // The one-after-the-other result itself is what the clearings mean.
    const bool all = std::string(firstKey) == "DELALL" || std::string(secondKey) == "DELALL";
    ASSERT_EQ(readTables(sequentialClient), all ? TableContents{} : reliability::withoutAbnormalTasks(seeded));

    for (int round = 0; round < 3; ++round) {
        auto a = reliability::logOnAsTheToolDoes(concurrent.serverName());
        auto b = reliability::logOnAsTheToolDoes(concurrent.serverName());
        std::latch start(2);
        std::string failures;
        std::mutex failuresMutex;
        const auto run = [&](db::Connection& connection, const char* key) {
            start.arrive_and_wait();
            try {
                db::TaskOperations::clearTasks(connection, reliability::clearingOf(key));
            } catch (const runtime::RuntimeError& error) {
                const std::lock_guard lock(failuresMutex);
                failures += std::to_string(error.Number()) + " " + error.Description() + "\n";
            }
        };
        std::thread one(run, std::ref(*a), firstKey);
        std::thread two(run, std::ref(*b), secondKey);
        one.join();
        two.join();
        EXPECT_EQ(failures, "") << "round " << round;
        EXPECT_EQ(readTables(concurrentClient), readTables(sequentialClient)) << "round " << round;
        if (round < 2) {
            concurrentClient.exec("delete from zk_task");
            concurrentClient.exec("delete from zk_tasklog");
            seedTasks(concurrentClient, 150);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, TwoToolsClearing,
                         ::testing::Values(std::make_pair("DELERROR", "DELERROR"), std::make_pair("DELERROR", "DELALL"),
                                           std::make_pair("DELALL", "DELERROR")),
                         [](const auto& testCase) {
                             return std::string(testCase.param.first) + "_" + testCase.param.second;
                         });

}  // namespace
