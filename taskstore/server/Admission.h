#pragma once
// Which connections the server takes. Logged-on sessions are limited by --max-connections.
// Connections that have not logged on yet have limits of their own, in total and per client
// (PeerIdentity.h), so that sockets that send nothing, or send slowly, cannot keep a real log-on
// out: when a limit is reached a newcomer displaces the waiting connection that has made the
// least progress (fewest whole messages, then the longest without one) among those that made
// none for a moment, taken from the client holding the most; a real client's log-on sends its
// messages within milliseconds of each other and so is never the one displaced.
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace taskstore::server {

class Admission {
public:
    using Clock = std::chrono::steady_clock;
    struct Limits {
        int sessions = 100;
        int waiting = 256;
        int waitingPerClient = 64;
        // A connection that made progress this recently is not displaced.
        std::chrono::milliseconds settled{1000};
    };
    struct Verdict {
        bool admitted = false;
        int displaced = 0;  // the connection to end to make room; 0: none
        std::string why;    // when not admitted
    };

    explicit Admission(Limits limits) : limits_(limits) {}

    // A new connection from the client.
    Verdict arrive(int id, const std::string& client);
    // A whole message arrived before the log-on.
    void progressed(int id);
    // The password was right: whether the connection may become a session (false when every
    // session is taken or it was displaced meanwhile).
    bool logOn(int id);
    // The connection ended, logged on or not.
    void left(int id);

    const Limits& limits() const { return limits_; }

private:
    struct Waiting {
        std::string client;
        int messages = 0;
        Clock::time_point lastProgress;
    };
    // The waiting connection to displace for a newcomer from `client`; 0 when none may go.
    int displaceable(const std::string& client, bool clientFull, Clock::time_point now) const;
    void forgetWaiting(std::map<int, Waiting>::iterator waiting);

    const Limits limits_;
    std::mutex mutex_;
    std::map<int, Waiting> waiting_;
    std::map<std::string, int> waitingByClient_;
    std::set<int> sessions_;
};

}  // namespace taskstore::server
