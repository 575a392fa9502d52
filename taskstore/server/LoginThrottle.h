#pragma once
// Slows password guessing: after a few failed log-ons from one client address, each further
// log-on from it waits its turn, one a second, however many connections the client opens. A
// turn more than a few seconds away is not waited for: that log-on fails at once, unchecked.
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>

namespace taskstore::server {

class LoginThrottle {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr int freeFailures = 3;
    static constexpr std::chrono::seconds spacing{1};
    static constexpr std::chrono::seconds longestWait{5};
    // Failures older than this are forgotten.
    static constexpr std::chrono::minutes memory{10};

    // Waits for the address's turn; false when the log-on is to fail without a check (its turn
    // is too far off, or the server is stopping).
    bool waitForTurn(const std::string& address);
    void failed(const std::string& address);
    void succeeded(const std::string& address);
    // Ends every wait (the server is stopping).
    void stop();

private:
    struct Record {
        int failures = 0;
        Clock::time_point lastFailure;
        Clock::time_point nextTurn;
    };
    void forgetOld(Clock::time_point now);

    std::mutex mutex_;
    std::condition_variable stopped_;
    bool stopping_ = false;
    std::map<std::string, Record> records_;
};

}  // namespace taskstore::server
