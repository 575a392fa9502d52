// What the server writes down about its clients, and how it slows password guessing.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

#include "support/TemporaryFolder.h"
#include "taskstore/server/EventLog.h"
#include "taskstore/server/LogText.h"
#include "taskstore/server/LoginThrottle.h"
#include "taskstore/server/RequestLog.h"

using namespace taskstore::server;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(Logs, StatementsWithPasswordsAreReplacedAsSqlServerTracesDo)
{
    const std::string masked = maskedStatement("alter  login sa with\n password = 'hunter2'");
    EXPECT_EQ(masked,
              "-- 'ALTER LOGIN' was found in the text of this event.\n"
              "-- The text has been replaced with this comment for security reasons.");
    EXPECT_EQ(maskedStatement("exec sp_password NULL, 'x', 'sa'").find("x'"), std::string::npos);
    EXPECT_NE(maskedStatement("CREATE MASTER KEY ENCRYPTION BY PASSWORD = 'x'").find("'MASTER KEY'"),
              std::string::npos);
    EXPECT_EQ(maskedStatement("select cTaskId from zk_task"), "select cTaskId from zk_task");
}

TEST(Logs, ClippedTextsKeepWholeCharactersAndSayWhatIsLeftOut)
{
    EXPECT_EQ(clipped("short", 10), "short");
    EXPECT_EQ(clipped(std::string(100, 'a'), 10), std::string(10, 'a') + "...(90 bytes more)");
    // 总 is three bytes: a cut inside it moves before it.
    EXPECT_EQ(clipped("ab总账", 4), "ab...(6 bytes more)");
}

TEST(Logs, RequestLogIsOwnerOnlyAndMasksPasswords)
{
    testsupport::TemporaryFolder folder{"logs-test"};
    const auto file = folder.path() / "requests.log";
    {
        std::ofstream earlier(file);  // made by someone else, readable by all
    }
    std::filesystem::permissions(file, std::filesystem::perms(0644));
    {
        RequestLog log(file);
        log.batch(3, "ALTER LOGIN sa WITH PASSWORD = 'hunter2'");
        log.call(3, "sp_executesql", "select 1");
    }
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    const std::string text = testsupport::readFile(file);
    EXPECT_EQ(text.find("hunter2"), std::string::npos);
    EXPECT_NE(text.find("3 BATCH 123\n-- 'ALTER LOGIN' was found"), std::string::npos) << text;
    EXPECT_NE(text.find("3 RPC sp_executesql 8\nselect 1\n"), std::string::npos);

    std::filesystem::remove(file);
    RequestLog fresh(file);
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST(Logs, RequestLogProcedureNamesCannotForgeRecords)
{
    testsupport::TemporaryFolder folder{"logs-test"};
    const auto file = folder.path() / "requests.log";
    {
        RequestLog log(file);
        log.call(4, "p 0\n4 BATCH 8", "select 1");
        log.call(4, std::string(5000, 'n'), "");
    }
    const std::string text = testsupport::readFile(file);
    EXPECT_NE(text.find("4 RPC p 0\\x0A4 BATCH 8 8\nselect 1\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("\n4 BATCH"), std::string::npos);
    const std::string longName = std::string(RequestLog::maxProcedureName, 'n') + "...(";
    EXPECT_NE(text.find("4 RPC " + longName + std::to_string(5000 - RequestLog::maxProcedureName) + " bytes more) 0\n"),
              std::string::npos);
}

TEST(Logs, EventLinesEscapeControlCharactersAndStayShort)
{
    EventLog log;
    testing::internal::CaptureStderr();
    log.line("login failed for a\nforged line\x1b[31m");
    log.line(std::string(100000, 'u'));
    const std::string written = testing::internal::GetCapturedStderr();
    EXPECT_NE(written.find("taskstore: login failed for a\\x0Aforged line\\x1B[31m\n"), std::string::npos) << written;
    const auto second = written.find("taskstore: uuu");
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(written.size() - second, EventLog::maxLine + 100);
    EXPECT_NE(written.find("bytes more)\n", second), std::string::npos);
}

TEST(LoginThrottle, FailuresPastTheFreeOnesWaitTheirTurnPerAddress)
{
    LoginThrottle throttle(1500ms);
    for (int i = 0; i < LoginThrottle::freeFailures; ++i) {
        ASSERT_TRUE(throttle.waitForTurn("127.0.0.2"));
        throttle.failed("127.0.0.2");
    }
    const auto start = Clock::now();
    EXPECT_TRUE(throttle.waitForTurn("127.0.0.2"));  // the first turn is now
    throttle.failed("127.0.0.2");
    EXPECT_TRUE(throttle.waitForTurn("127.0.0.3"));  // another address is not slowed
    EXPECT_LT(Clock::now() - start, 200ms);
    EXPECT_TRUE(throttle.waitForTurn("127.0.0.2"));
    EXPECT_GE(Clock::now() - start, LoginThrottle::spacing - 50ms);

    // Many at once: those whose turn is too far off fail at once, unchecked.
    std::vector<std::future<bool>> attempts;
    for (int i = 0; i < 12; ++i)
        attempts.push_back(std::async(std::launch::async, [&] { return throttle.waitForTurn("127.0.0.2"); }));
    int refused = 0;
    for (auto& attempt : attempts)
        refused += attempt.get() ? 0 : 1;
    EXPECT_GE(refused, 12 - LoginThrottle::longestWait / LoginThrottle::spacing);
    EXPECT_LT(Clock::now() - start, LoginThrottle::longestWait + LoginThrottle::spacing + 2s);

    // Forgotten a while after the last failure.
    std::this_thread::sleep_for(1600ms);
    const auto later = Clock::now();
    EXPECT_TRUE(throttle.waitForTurn("127.0.0.2"));
    EXPECT_LT(Clock::now() - later, 200ms);
}

TEST(LoginThrottle, StoppingEndsEveryWait)
{
    LoginThrottle throttle;
    for (int i = 0; i <= LoginThrottle::freeFailures; ++i) {
        throttle.waitForTurn("::1");
        throttle.failed("::1");
    }
    auto waiting = std::async(std::launch::async, [&] { return throttle.waitForTurn("::1"); });
    std::this_thread::sleep_for(100ms);
    const auto stopped = Clock::now();
    throttle.stop();
    EXPECT_FALSE(waiting.get());
    EXPECT_LT(Clock::now() - stopped, 500ms);
}
