#pragma once
// Attacks on the log-on by another local user, as a real attacker on the machine would make them:
// processes of their own running as user nobody (which needs root to start), connecting from
// random addresses in 127.0.0.0/8. Each attack counts what it did; the counts come back when the
// attacks are finished.
#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <sys/types.h>
#include <vector>

namespace hostile {

class OtherUserAttacks {
public:
    // Whether this process may start them (it runs as root).
    static bool possible();

    OtherUserAttacks();
    ~OtherUserAttacks();  // waits for attacks not finished
    OtherUserAttacks(const OtherUserAttacks&) = delete;
    OtherUserAttacks& operator=(const OtherUserAttacks&) = delete;

    // Forks; the child becomes nobody and runs the attack, which must end by itself.
    void start(const std::function<long()>& attack);
    // Waits for every attack; the sum of their counts, or -1 when one of them failed.
    long finish();

private:
    int pipe_[2] = {-1, -1};
    std::vector<pid_t> children_;
};

std::string randomLoopbackAddress(std::mt19937& random);

// Wrong passwords for SA, one after another, each from a random loopback address, until the end:
// how many were answered 18456.
long guessWrongPasswords(std::uint16_t port, std::chrono::steady_clock::time_point end);

// `count` sockets from random loopback addresses that send nothing, each reopened as soon as the
// server drops it, until the end: how many were opened.
long holdIdleSockets(std::uint16_t port, std::chrono::steady_clock::time_point end, std::size_t count);

}  // namespace hostile
