#pragma once
// Slows password guessing per login name, from any number of addresses, without ever turning a
// log-on away unchecked. Each client (PeerIdentity.h: the local user on loopback, otherwise the
// address) has a few failed log-ons free; past them, its log-ons for that login name wait for the
// name's next turn, one a second, which the waiting clients take in rotation, the one served
// least recently first. A client that has not failed lately is checked at once, so a guessing
// flood from another local user does not delay the real user's log-on; only free checks from
// many fresh clients together are bounded too. A success does not clear a client's failures
// (a guesser sharing its key would gain free ones); they are forgotten a while after the last.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace taskstore::server {

class LoginThrottle {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr int freeFailures = 3;           // per client
    static constexpr int freeFailuresPerLogin = 30;  // all clients together, until forgotten
    static constexpr std::chrono::seconds spacing{1};
    static constexpr std::size_t maxClients = 10000;  // remembered per login name
    explicit LoginThrottle(std::chrono::milliseconds memory = std::chrono::minutes(1)) : memory_(memory) {}

    // How a check was let through: one of the free ones, or at a turn; Abandoned when the wait
    // was given up (abandoned() turned true, looked at every 100 ms, or the server is stopping):
    // then nothing may be checked.
    enum class Check { Abandoned, Free, AtTurn };

    // Waits until the client may have its password for `login` checked. Free checks still being
    // made count as failures until they are known, so that a client's parallel log-ons get no
    // more free ones than its sequential ones.
    Check waitForTurn(const std::string& login, const std::string& client, const std::function<bool()>& abandoned);
    // The outcome of a check let through by waitForTurn.
    void failed(const std::string& login, const std::string& client, Check check);
    void passed(const std::string& login, const std::string& client, Check check);
    // Ends every wait (the server is stopping).
    void stop();

private:
    struct Client {
        int failures = 0;
        int freeBeingChecked = 0;
        Clock::time_point lastFailure;
        Clock::time_point lastTurn;  // rotation: the least recently served goes first
    };
    struct Waiter {
        std::uint64_t ticket;
        std::string client;
    };
    struct Account {
        std::map<std::string, Client> clients;
        std::vector<Waiter> waiting;
        Clock::time_point nextTurn;
        int freeFailures = 0;  // failures of checks that took no turn
        int freeBeingChecked = 0;
        Clock::time_point lastFreeFailure;
    };
    // The ticket whose turn is next.
    static std::uint64_t nextInRotation(const Account& account);
    void forgetOld(Account& account, Clock::time_point now);
    Client& clientRecord(Account& account, const std::string& client);
    // A free check's outcome is known.
    void freeCheckDone(Account& account, Client& record);

    const std::chrono::milliseconds memory_;  // how long failures are remembered
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopping_ = false;
    std::uint64_t nextTicket_ = 1;
    std::map<std::string, Account> accounts_;  // by login name, folded to upper case
};

}  // namespace taskstore::server
