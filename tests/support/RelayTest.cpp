// The relay's link: each way delayed, the bandwidth kept, and round trips counted as a client
// waits for them, against an echo server of the test's own.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "Relay.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

int loopbackSocket(int port, bool listening)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = listening
        ? ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(fd, 1) == 0
        : ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    EXPECT_TRUE(ok);
    return fd;
}

int portOf(int fd)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

// Answers every byte it reads with the same byte, for one connection.
class EchoServer {
public:
    EchoServer() : listener_(loopbackSocket(0, true)), port_(portOf(listener_))
    {
        thread_ = std::thread([this] {
            const int peer = ::accept(listener_, nullptr, nullptr);
            char buffer[65536];
            for (ssize_t n; (n = ::recv(peer, buffer, sizeof buffer, 0)) > 0;)
                ::send(peer, buffer, static_cast<std::size_t>(n), MSG_NOSIGNAL);
            ::close(peer);
        });
    }
    ~EchoServer()
    {
        thread_.join();
        ::close(listener_);
    }
    int port() const { return port_; }

private:
    int listener_;
    int port_;
    std::thread thread_;
};

void receiveAll(int fd, std::size_t bytes)
{
    std::vector<char> buffer(65536);
    for (std::size_t got = 0; got < bytes;) {
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        ASSERT_GT(n, 0);
        got += static_cast<std::size_t>(n);
    }
}

TEST(Relay, EachWayIsDelayedAndEveryTurnIsARoundTrip)
{
    EchoServer echo;
    const auto started = Clock::now();
    {
        testsupport::Relay relay(echo.port(), testsupport::Relay::Link{20ms, 0});
        const int client = loopbackSocket(relay.port(), false);
        for (int turn = 0; turn < 3; ++turn) {
            ASSERT_EQ(::send(client, "ab", 2, 0), 2);
            receiveAll(client, 2);
        }
        EXPECT_EQ(relay.roundTrips(), 3);
        EXPECT_EQ(relay.bytesFromServer(), 6u);
        ::close(client);
    }
    const auto elapsed = Clock::now() - started;
    EXPECT_GE(elapsed, 3 * 40ms);
    EXPECT_LT(elapsed, 3 * 40ms + 2s);
}

TEST(Relay, ALinkOfLimitedBandwidthTakesItsTimeForTheBytes)
{
    EchoServer echo;
    constexpr std::size_t bytes = 200'000;  // 1.6 Mbit each way: 0.2 s at 8 Mbit/s
    const auto started = Clock::now();
    {
        testsupport::Relay relay(echo.port(), testsupport::Relay::Link{0us, 8e6});
        const int client = loopbackSocket(relay.port(), false);
        const std::vector<char> data(bytes, 'x');
        std::thread writer([&] { ::send(client, data.data(), data.size(), 0); });
        receiveAll(client, bytes);
        writer.join();
        ::close(client);
    }
    const auto elapsed = Clock::now() - started;
    EXPECT_GE(elapsed, 200ms);
    EXPECT_LT(elapsed, 5s);
}

}  // namespace
