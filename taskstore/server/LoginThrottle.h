#pragma once
// Slows password guessing: after a few failed log-ons from one client address, each further
// log-on from it waits its turn, one a second, however many connections the client opens. A
// turn more than a few seconds away is not waited for: that log-on fails at once, unchecked.
// A success does not wipe the record, since every local client shares the loopback address;
// the failures are forgotten a while after the last one.
#include <chrono>
#include <condition_variable>
#include <cstddef>
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
    static constexpr std::size_t maxAddresses = 10000;
    explicit LoginThrottle(std::chrono::milliseconds memory = std::chrono::minutes(1)) : memory_(memory) {}

    // Waits for the address's turn; false when the log-on is to fail without a check (its turn
    // is too far off, or the server is stopping).
    bool waitForTurn(const std::string& address);
    void failed(const std::string& address);
    // Ends every wait (the server is stopping).
    void stop();

private:
    struct Record {
        int failures = 0;
        Clock::time_point lastFailure;
        Clock::time_point nextTurn;
    };
    void forgetOld(Clock::time_point now);

    const std::chrono::milliseconds memory_;  // how long failures are remembered
    std::mutex mutex_;
    std::condition_variable stopped_;
    bool stopping_ = false;
    std::map<std::string, Record> records_;
};

}  // namespace taskstore::server
