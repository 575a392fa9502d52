#include "Relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace testsupport {
namespace {

sockaddr_in loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

constexpr std::size_t tdsHeader = 8;
constexpr std::size_t tlsHeader = 5;

std::size_t bigEndian16(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return static_cast<std::size_t>(bytes[at] << 8 | bytes[at + 1]);
}

bool isTlsRecord(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return bytes[at] >= 0x14 && bytes[at] <= 0x17 && bytes[at + 1] == 0x03;
}

// Splits what a client sent into TLS records and TDS packets (which may carry TLS inside, as
// PRELOGIN does) and notes the type of each TDS packet; an incomplete unit stays for later.
void notePacketTypes(std::vector<std::uint8_t>& pending, std::vector<std::uint8_t>& types)
{
    std::size_t at = 0;
    while (pending.size() - at >= tlsHeader) {
        const bool tls = isTlsRecord(pending, at);
        if (!tls && pending.size() - at < tdsHeader)
            break;
        const std::size_t length = tls ? tlsHeader + bigEndian16(pending, at + 3) : bigEndian16(pending, at + 2);
        if (length < tlsHeader || pending.size() - at < length)
            break;
        if (!tls)
            types.push_back(pending[at]);
        at += length;
    }
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(at));
}

}  // namespace

Relay::Relay(int targetPort, Tamper tamper) : targetPort_(targetPort), tamper_(tamper)
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
        pumps_.emplace_back([this, client, server] { pump(client, server, true); });
        pumps_.emplace_back([this, client, server] { pump(server, client, false); });
    }
}

bool Relay::rewrites(bool fromClient) const
{
    return tamper_ == Tamper::DowngradeToLoginOnly || (tamper_ == Tamper::AnswerNotSupported && !fromClient);
}

void Relay::rewriteEncryption(std::vector<std::uint8_t>& prelogin) const
{
    // PRELOGIN options: type, offset and length (both big-endian, offsets from the payload) up to
    // 0xFF; option 1 is the encryption byte: 0 log-on only, 2 not supported.
    for (std::size_t at = tdsHeader; at + 5 <= prelogin.size() && prelogin[at] != 0xFF; at += 5) {
        const std::size_t offset = tdsHeader + bigEndian16(prelogin, at + 1);
        if (prelogin[at] == 1 && offset < prelogin.size())
            prelogin[offset] = tamper_ == Tamper::AnswerNotSupported ? 2 : 0;
    }
}

void Relay::pump(int from, int to, bool fromClient)
{
    std::vector<std::uint8_t> held;     // the first message, until it is whole
    std::vector<std::uint8_t> pending;  // the client's bytes not yet split into packets
    bool firstPassed = !rewrites(fromClient);
    std::uint8_t buffer[16384];
    for (;;) {
        const ssize_t n = ::recv(from, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        std::vector<std::uint8_t> chunk(buffer, buffer + n);
        {
            const std::lock_guard lock(mutex_);
            seen_.insert(seen_.end(), chunk.begin(), chunk.end());
            if (fromClient) {
                pending.insert(pending.end(), chunk.begin(), chunk.end());
                notePacketTypes(pending, clientPacketTypes_);
            }
        }
        if (!firstPassed) {
            held.insert(held.end(), chunk.begin(), chunk.end());
            if (held.size() < tdsHeader || held.size() < bigEndian16(held, 2))
                continue;
            rewriteEncryption(held);
            chunk.swap(held);
            firstPassed = true;
        }
        if (::send(to, chunk.data(), chunk.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(chunk.size()))
            break;
    }
    ::shutdown(to, SHUT_WR);
}

std::vector<std::uint8_t> Relay::seen() const
{
    const std::lock_guard lock(mutex_);
    return seen_;
}

std::vector<std::uint8_t> Relay::clearPacketTypesFromClients() const
{
    const std::lock_guard lock(mutex_);
    return clientPacketTypes_;
}

}  // namespace testsupport
