// What the server writes down about its clients, and how it slows password guessing.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <atomic>
#include <fstream>
#include <future>
#include <thread>
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

namespace {

// The engine's judgement, as far as these records need one.
std::string_view passwordWord(std::string_view statement)
{
    return statement.find("PASSWORD") != std::string_view::npos ? "ALTER LOGIN" : "";
}

}  // namespace

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
        RequestLog log(file, passwordWord);
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
    RequestLog fresh(file, passwordWord);
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST(Logs, RequestLogProcedureNamesCannotForgeRecords)
{
    testsupport::TemporaryFolder folder{"logs-test"};
    const auto file = folder.path() / "requests.log";
    {
        RequestLog log(file, passwordWord);
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

TEST(Logs, RequestLogIsNotOpenedThroughALinkOrInAFolderOthersCanChange)
{
    testsupport::TemporaryFolder folder{"logs-test"};
    const auto target = folder.path() / "target";
    std::ofstream(target) << "keep";
    std::filesystem::create_symlink(target, folder.path() / "link.log");
    std::filesystem::create_hard_link(target, folder.path() / "second-name.log");
    std::filesystem::create_directory(folder.path() / "open");
    std::filesystem::permissions(folder.path() / "open", std::filesystem::perms(0777));
    const std::pair<std::filesystem::path, std::string> cases[] = {
        {folder.path() / "link.log", "it is a symbolic link"},
        {folder.path() / "second-name.log", "it has another name (a hard link)"},
        {folder.path() / "open" / "requests.log", "other users can write in its folder"},
        {folder.path(), "Is a directory"},
    };
    for (const auto& [file, why] : cases) {
        try {
            RequestLog log(file, passwordWord);
            ADD_FAILURE() << file << " was opened";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("refusing the request log " + file.string() + ": " + why),
                      std::string::npos)
                << e.what();
        }
    }
    EXPECT_EQ(testsupport::readFile(target), "keep");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "open" / "requests.log"));

    // Another user's file, where this process may make one (root's tests only).
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a file to another user";
    const auto theirs = folder.path() / "theirs.log";
    std::ofstream{theirs};
    ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
    EXPECT_THROW(RequestLog(theirs, passwordWord), std::runtime_error);
}

TEST(LoginThrottle, AClientPastItsFreeFailuresWaitsItsTurnWhileAnotherIsCheckedAtOnce)
{
    LoginThrottle throttle(1500ms);
    const auto never = [] { return false; };
    for (int i = 0; i < LoginThrottle::freeFailures; ++i) {
        ASSERT_EQ(throttle.waitForTurn("SA", "user 1001", never), LoginThrottle::Check::Free);
        throttle.failed("sa", "user 1001", LoginThrottle::Check::Free);  // the login name in any case
    }
    const auto start = Clock::now();
    EXPECT_EQ(throttle.waitForTurn("SA", "user 1001", never), LoginThrottle::Check::AtTurn);  // the first turn is now
    throttle.failed("SA", "user 1001", LoginThrottle::Check::AtTurn);
    EXPECT_EQ(throttle.waitForTurn("SA", "user 0", never), LoginThrottle::Check::Free);  // another client: at once
    EXPECT_EQ(throttle.waitForTurn("other", "user 1001", never),
              LoginThrottle::Check::Free);  // another login name: at once
    EXPECT_LT(Clock::now() - start, 200ms);
    EXPECT_EQ(throttle.waitForTurn("SA", "user 1001", never), LoginThrottle::Check::AtTurn);
    EXPECT_GE(Clock::now() - start, LoginThrottle::spacing - 50ms);

    // Four at once from the guessing client: every one is checked, one a second.
    std::vector<std::future<LoginThrottle::Check>> attempts;
    for (int i = 0; i < 4; ++i)
        attempts.push_back(
            std::async(std::launch::async, [&] { return throttle.waitForTurn("SA", "user 1001", never); }));
    std::this_thread::sleep_for(100ms);
    // Meanwhile a client with failures of its own that was never served goes first.
    for (int i = 0; i < LoginThrottle::freeFailures; ++i)
        throttle.failed("SA", "user 1002", LoginThrottle::Check::AtTurn);
    const auto queued = Clock::now();
    EXPECT_EQ(throttle.waitForTurn("SA", "user 1002", never), LoginThrottle::Check::AtTurn);
    EXPECT_LT(Clock::now() - queued, LoginThrottle::spacing + 300ms);
    for (auto& attempt : attempts)
        EXPECT_EQ(attempt.get(), LoginThrottle::Check::AtTurn);
    EXPECT_GE(Clock::now() - start, 5 * LoginThrottle::spacing);

    // Forgotten a while after the last failure.
    std::this_thread::sleep_for(1600ms);
    const auto later = Clock::now();
    EXPECT_EQ(throttle.waitForTurn("SA", "user 1001", never), LoginThrottle::Check::Free);
    EXPECT_LT(Clock::now() - later, 200ms);
}

TEST(LoginThrottle, ManyFreshClientsTogetherHaveTheirFreeChecksBoundedToo)
{
    LoginThrottle throttle;
    const auto never = [] { return false; };
    for (int i = 0; i < LoginThrottle::freeFailuresPerLogin; ++i) {
        const std::string client = "10.0.0." + std::to_string(i);
        ASSERT_EQ(throttle.waitForTurn("SA", client, never), LoginThrottle::Check::Free);
        throttle.failed("SA", client, LoginThrottle::Check::Free);
    }
    EXPECT_EQ(throttle.waitForTurn("SA", "10.0.1.1", never), LoginThrottle::Check::AtTurn);  // takes the first turn
    const auto start = Clock::now();
    EXPECT_EQ(throttle.waitForTurn("SA", "10.0.1.2", never), LoginThrottle::Check::AtTurn);
    EXPECT_GE(Clock::now() - start, LoginThrottle::spacing - 50ms);
}

TEST(LoginThrottle, AWaitEndsUncheckedOnlyWhenItsConnectionGoesOrTheServerStops)
{
    LoginThrottle throttle;
    std::atomic<bool> gone{false};
    for (int i = 0; i <= LoginThrottle::freeFailures; ++i) {
        throttle.failed("SA", "::1", throttle.waitForTurn("SA", "::1", [] { return false; }));
    }
    auto abandoned =
        std::async(std::launch::async, [&] { return throttle.waitForTurn("SA", "::1", [&] { return gone.load(); }); });
    auto waiting =
        std::async(std::launch::async, [&] { return throttle.waitForTurn("SA", "::1", [] { return false; }); });
    std::this_thread::sleep_for(100ms);
    gone = true;
    EXPECT_EQ(abandoned.get(), LoginThrottle::Check::Abandoned);
    const auto stopped = Clock::now();
    throttle.stop();
    EXPECT_EQ(waiting.get(), LoginThrottle::Check::Abandoned);
    EXPECT_LT(Clock::now() - stopped, 500ms);
}
