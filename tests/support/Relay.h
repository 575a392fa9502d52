#pragma once
// A loopback relay between clients and taskstore that keeps every byte it passes on, so a test can
// see what crossed the wire, and that can play the one on the path who rewrites the PRELOGIN
// messages to turn encryption off.
#include <atomic>
#include <cstdint>
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

    explicit Relay(int targetPort, Tamper tamper = Tamper::None);
    ~Relay();
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    int port() const { return port_; }
    // Everything relayed so far, both directions in arrival order.
    std::vector<std::uint8_t> seen() const;
    // The TDS packet types that clients sent in the clear, as the first byte of a packet: a
    // relay that reads them can tell a clear LOGIN7 (16) from TLS records (20 to 23).
    std::vector<std::uint8_t> clearPacketTypesFromClients() const;

private:
    void serve();
    void pump(int from, int to, bool fromClient);
    bool rewrites(bool fromClient) const;
    void rewriteEncryption(std::vector<std::uint8_t>& prelogin) const;

    int targetPort_;
    Tamper tamper_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<std::uint8_t> seen_;
    std::vector<std::uint8_t> clientPacketTypes_;
    std::vector<int> sockets_;
    std::thread acceptor_;
    std::vector<std::thread> pumps_;
};

}  // namespace testsupport
