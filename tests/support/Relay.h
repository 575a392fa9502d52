#pragma once
// A loopback relay between clients and taskstore that keeps every byte it passes on, so a test can
// see what crossed the wire; that can play the one on the path who rewrites the PRELOGIN messages
// to turn encryption off; and that can stand for a slow link (a delay each way, a bandwidth) and
// count the round trips a client waits for.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace testsupport {

class Relay {
public:
    // What the relay does to the first message each way (PRELOGIN) of each connection.
    enum class Tamper {
        None,
        AnswerNotSupported,    // the server's answer becomes "this server cannot encrypt"
        DowngradeToLoginOnly,  // the client's wish and the server's answer become "log-on only"
    };

    // The link the relay stands for: nothing added by default.
    struct Link {
        std::chrono::microseconds delayEachWay{0};
        double bitsPerSecond = 0;  // 0: no limit
    };

    explicit Relay(int targetPort, Tamper tamper = Tamper::None);
    Relay(int targetPort, Link link);
    ~Relay();
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    int port() const { return port_; }
    // Everything relayed so far, both directions in arrival order (kept only without a link, where
    // a test reads it).
    std::vector<std::uint8_t> seen() const;
    // The TDS packet types that clients sent in the clear, as the first byte of a packet: a
    // relay that reads them can tell a clear LOGIN7 (16) from TLS records (20 to 23).
    std::vector<std::uint8_t> clearPacketTypesFromClients() const;
    // Round trips since the last reset: each time a client sends after the server has answered
    // (or first), it waits for the link once more.
    int roundTrips() const { return roundTrips_; }
    std::uint64_t bytesFromServer() const { return bytesFromServer_; }
    void resetCounts();

private:
    class Delivery;
    struct Connection;

    void serve();
    void pump(Connection& connection, bool fromClient);
    bool rewrites(bool fromClient) const;
    void rewriteEncryption(std::vector<std::uint8_t>& prelogin) const;

    int targetPort_;
    Tamper tamper_ = Tamper::None;
    Link link_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> roundTrips_{0};
    std::atomic<std::uint64_t> bytesFromServer_{0};
    mutable std::mutex mutex_;
    std::vector<std::uint8_t> seen_;
    std::vector<std::uint8_t> clientPacketTypes_;
    std::vector<std::unique_ptr<Connection>> connections_;
    std::thread acceptor_;
};

}  // namespace testsupport
