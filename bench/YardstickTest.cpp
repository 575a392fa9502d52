// The yardsticks must do the same work as the tool, or the ratios mean nothing: the native
// deletes leave what the tool's clearing leaves, the native list shows what the server sends, the
// bare read sees every row, and the peer client fetches the list the tool shows.
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "OdbcClient.h"
#include "TaskStoreProcess.h"
#include "app/ModMain.h"
#include "bench/BareOdbcRead.h"
#include "bench/NativeStore.h"
#include "bench/PeerClient.h"
#include "bench/RunProgram.h"
#include "bench/ToolSide.h"
#include "db/TaskStatements.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

Lines sortedLines(const std::string& text)
{
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// What a database file holds, read by the sqlite3 program: log rows and task ids, sorted.
Lines contents(const fs::path& dataFolder)
{
    const std::string file = bench::taskDatabaseFile(dataFolder).string();
    Lines log = sortedLines(bench::runForOutput({"sqlite3", file, "SELECT cTaskId, TaskState FROM zk_tasklog"}));
    const Lines tasks = sortedLines(bench::runForOutput({"sqlite3", file, "SELECT 'task ' || cSub_Id FROM zk_task"}));
    log.insert(log.end(), tasks.begin(), tasks.end());
    return log;
}

class Yardsticks : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Generated once and stopped, so that its files can be copied.
        testsupport::TaskStoreProcess filler({"", demoTasks, work / "pristine", {}});
    }

    static constexpr long long demoTasks = 2500;  // more than two fetch blocks
    const testsupport::TemporaryFolder work{"bench-test"};
};

TEST_F(Yardsticks, NativeClearLeavesWhatTheToolsClearingLeaves)
{
    const Lines before = contents(work / "pristine");
    for (const std::string key : {"DELERROR", "DELALL"}) {
        bench::copyDataFolder(work / "pristine", work / "tool");
        {
            testsupport::TaskStoreProcess store({"", 0, work / "tool", {}});
            bench::logOnTo(store.serverName());
            bench::toolClearSeconds(key);
            bench::logOff();
        }
        bench::copyDataFolder(work / "pristine", work / "native");
        bench::nativeClearSeconds(bench::taskDatabaseFile(work / "native"), key);

        const Lines tool = contents(work / "tool");
        EXPECT_EQ(contents(work / "native"), tool) << key;
        if (key == "DELALL")
            EXPECT_TRUE(tool.empty());
        else
            EXPECT_LT(tool.size(), before.size() * 95 / 100) << "about one task in ten is abnormal";
    }
}

TEST_F(Yardsticks, NativeListShowsWhatTheServerSends)
{
    testsupport::TaskStoreProcess store({"", 0, work / "pristine", {}});
    testsupport::OdbcClient client(store.port());
    std::string served;
    for (const auto& row : client.query(db::TaskStatements::listQuery())) {
        // The registration time is compared as stored; the driver's text form of a datetime differs.
        served +=
            row.at(0).value() + "|" + row.at(1).value() + "|" + row.at(2).value() + "|" + row.at(4).value() + "\n";
    }
    std::string native;
    const std::string listed =
        bench::runForOutput({"sqlite3", bench::taskDatabaseFile(work / "pristine").string(), bench::nativeListQuery()});
    for (const std::string& line : sortedLines(listed)) {
        const auto timeStart = line.rfind('|', line.rfind('|') - 1);
        native += line.substr(0, timeStart) + line.substr(line.rfind('|')) + "\n";
    }
    const Lines servedLines = sortedLines(served);
    EXPECT_EQ(servedLines.size(), static_cast<std::size_t>(demoTasks));
    EXPECT_EQ(sortedLines(native), servedLines);
}

TEST_F(Yardsticks, PeerClientFetchesEveryRowTheServerSends)
{
    testsupport::TaskStoreProcess store({"", 0, work / "pristine", {}});
    testsupport::OdbcClient client(store.port());
    std::string served;
    for (const auto& row : client.query(db::TaskStatements::listQuery()))
        served +=
            row.at(0).value() + "|" + row.at(1).value() + "|" + row.at(2).value() + "|" + row.at(4).value() + "\n";

    const auto queryFile = bench::writeListQueryFile(work.path());
    const std::string listed =
        bench::runForOutput(bench::bsqldbListCommand(store.port(), queryFile), bench::bsqldbEnvironment(queryFile));
    // One line a row, columns between tabs; the registration time is left out, as the client's
    // text form of a datetime is its own.
    std::string fetched;
    for (const std::string& line : sortedLines(listed)) {
        std::vector<std::string> cells;
        std::istringstream in(line);
        for (std::string cell; std::getline(in, cell, '\t');)
            cells.push_back(cell);
        ASSERT_EQ(cells.size(), 5u) << line;
        fetched += cells[0] + "|" + cells[1] + "|" + cells[2] + "|" + cells[4] + "\n";
    }
    const Lines servedLines = sortedLines(served);
    EXPECT_EQ(servedLines.size(), static_cast<std::size_t>(demoTasks));
    EXPECT_EQ(sortedLines(fetched), servedLines);
}

TEST_F(Yardsticks, BareReadSeesEveryRowOverTheToolsConnection)
{
    testsupport::TaskStoreProcess store({"", 0, work / "pristine", {}});
    bench::logOnTo(store.serverName());
    EXPECT_EQ(bench::readListBare(*ModMain::Conn), static_cast<std::size_t>(demoTasks));
    // The statement leaves nothing bound or open: the connection reads again.
    EXPECT_EQ(bench::readListBare(*ModMain::Conn), static_cast<std::size_t>(demoTasks));
    bench::logOff();
}

TEST(ChildProcesses, OutputIsCapturedAndFailureRaised)
{
    EXPECT_EQ(bench::runForOutput({"sh", "-c", "echo one; echo two >&2"}), "one\n");
    EXPECT_EQ(bench::runForOutput({"sh", "-c", "echo \"$BENCH_VALUE\""}, {{"BENCH_VALUE", "set"}}), "set\n");
    EXPECT_THROW(bench::runForOutput({"sh", "-c", "exit 3"}), std::runtime_error);
    EXPECT_THROW(bench::runToEnd({"/nonexistent/program"}), std::runtime_error);
}

}  // namespace
