#pragma once
// A loopback relay between one client and taskstore that keeps every byte it passes on, so a
// test can see what crossed the wire in each direction.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace clienttest {

class Relay {
public:
    explicit Relay(int targetPort);
    ~Relay();
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    int port() const { return port_; }
    // Everything relayed so far, both directions in arrival order.
    std::vector<std::uint8_t> seen() const;

private:
    void serve();
    void pump(int from, int to);

    int targetPort_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<std::uint8_t> seen_;
    std::vector<int> sockets_;
    std::thread acceptor_;
    std::vector<std::thread> pumps_;
};

}  // namespace clienttest
