#include "Relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace clienttest {
namespace {

sockaddr_in loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace

Relay::Relay(int targetPort) : targetPort_(targetPort)
{
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 8) != 0
        || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("relay cannot listen");
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { serve(); });
}

Relay::~Relay()
{
    stopping_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    acceptor_.join();
    {
        const std::lock_guard lock(mutex_);
        for (int s : sockets_)
            ::shutdown(s, SHUT_RDWR);
    }
    for (auto& pump : pumps_)
        pump.join();
    for (int s : sockets_)
        ::close(s);
    ::close(listener_);
}

void Relay::serve()
{
    for (;;) {
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client < 0 || stopping_) {
            if (client >= 0)
                ::close(client);
            return;
        }
        const int server = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in target = loopback(targetPort_);
        if (::connect(server, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
            ::close(client);
            ::close(server);
            continue;
        }
        const std::lock_guard lock(mutex_);
        sockets_.insert(sockets_.end(), {client, server});
        pumps_.emplace_back([this, client, server] { pump(client, server); });
        pumps_.emplace_back([this, client, server] { pump(server, client); });
    }
}

void Relay::pump(int from, int to)
{
    std::uint8_t buffer[16384];
    for (;;) {
        const ssize_t n = ::recv(from, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        {
            const std::lock_guard lock(mutex_);
            seen_.insert(seen_.end(), buffer, buffer + n);
        }
        if (::send(to, buffer, static_cast<std::size_t>(n), MSG_NOSIGNAL) != n)
            break;
    }
    ::shutdown(to, SHUT_WR);
}

std::vector<std::uint8_t> Relay::seen() const
{
    const std::lock_guard lock(mutex_);
    return seen_;
}

}  // namespace clienttest
