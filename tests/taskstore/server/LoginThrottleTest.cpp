// How the server slows password guessing: clients past their free failures wait their turn.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "taskstore/server/LoginThrottle.h"

using namespace taskstore::server;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

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
