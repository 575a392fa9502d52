#include "Relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
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

// Passes one direction's bytes on: at once, or, for a link, each chunk when it would arrive (after
// its turn on the line at the link's bandwidth, then the delay).
class Relay::Delivery {
public:
    Delivery(int to, Link link) : to_(to), link_(link)
    {
        if (shaped())
            thread_ = std::thread([this] { run(); });
    }
    ~Delivery()
    {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

    void send(std::vector<std::uint8_t> bytes)
    {
        if (!shaped()) {
            write(bytes);
            return;
        }
        const auto now = Clock::now();
        const auto onLine = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
            link_.bitsPerSecond > 0 ? static_cast<double>(bytes.size()) * 8 / link_.bitsPerSecond : 0));
        {
            const std::lock_guard lock(mutex_);
            lineFreeAt_ = std::max(now, lineFreeAt_) + onLine;
            queue_.push_back({lineFreeAt_ + link_.delayEachWay, std::move(bytes)});
        }
        wake_.notify_all();
    }

    // The source has ended: what is queued still goes, then the other side hears the end.
    void finish()
    {
        if (!shaped()) {
            ::shutdown(to_, SHUT_WR);
            return;
        }
        {
            const std::lock_guard lock(mutex_);
            finishing_ = true;
        }
        wake_.notify_all();
    }

private:
    using Clock = std::chrono::steady_clock;
    struct Chunk {
        Clock::time_point due;
        std::vector<std::uint8_t> bytes;
    };

    bool shaped() const { return link_.delayEachWay.count() > 0 || link_.bitsPerSecond > 0; }
    void write(const std::vector<std::uint8_t>& bytes) const { ::send(to_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }

    void run()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || finishing_ || !queue_.empty(); });
            if (stopping_)
                return;
            if (queue_.empty()) {
                ::shutdown(to_, SHUT_WR);
                return;
            }
            const auto due = queue_.front().due;
            if (wake_.wait_until(lock, due, [this] { return stopping_; }))
                return;
            Chunk chunk = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            write(chunk.bytes);
            lock.lock();
        }
    }

    int to_;
    Link link_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Chunk> queue_;
    Clock::time_point lineFreeAt_{};
    bool finishing_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

struct Relay::Connection {
    Connection(int clientSocket, int serverSocket, Link link)
        : client(clientSocket), server(serverSocket), toServer(serverSocket, link), toClient(clientSocket, link)
    {}
    int client;
    int server;
    std::atomic<bool> serverAnswered{true};
    Delivery toServer;
    Delivery toClient;
    std::thread up;
    std::thread down;
};

Relay::Relay(int targetPort, Tamper tamper) : Relay(targetPort, Link{}) { tamper_ = tamper; }

Relay::Relay(int targetPort, Link link) : targetPort_(targetPort), link_(link)
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
        for (const auto& connection : connections_) {
            ::shutdown(connection->client, SHUT_RDWR);
            ::shutdown(connection->server, SHUT_RDWR);
        }
    }
    for (const auto& connection : connections_) {
        connection->up.join();
        connection->down.join();
    }
    for (const auto& connection : connections_) {
        ::close(connection->client);
        ::close(connection->server);
    }
    connections_.clear();  // the deliveries end before the sockets' numbers could be reused
    ::close(listener_);
}

void Relay::resetCounts()
{
    roundTrips_ = 0;
    bytesFromServer_ = 0;
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
        // Each chunk leaves as it is due; Nagle's wait for an acknowledgement would add a delay of
        // the relay's own.
        const int noDelay = 1;
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
        ::setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
        const std::lock_guard lock(mutex_);
        auto& connection = *connections_.emplace_back(std::make_unique<Connection>(client, server, link_));
        connection.up = std::thread([this, &connection] { pump(connection, true); });
        connection.down = std::thread([this, &connection] { pump(connection, false); });
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

void Relay::pump(Connection& connection, bool fromClient)
{
    const int from = fromClient ? connection.client : connection.server;
    Delivery& delivery = fromClient ? connection.toServer : connection.toClient;
    const bool keepBytes = link_.delayEachWay.count() == 0 && link_.bitsPerSecond == 0;
    std::vector<std::uint8_t> held;     // the first message, until it is whole
    std::vector<std::uint8_t> pending;  // the client's bytes not yet split into packets
    bool firstPassed = !rewrites(fromClient);
    std::uint8_t buffer[16384];
    for (;;) {
        const ssize_t n = ::recv(from, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        std::vector<std::uint8_t> chunk(buffer, buffer + n);
        if (fromClient) {
            if (connection.serverAnswered.exchange(false))
                ++roundTrips_;
        } else {
            connection.serverAnswered = true;
            bytesFromServer_ += static_cast<std::uint64_t>(n);
        }
        if (keepBytes) {
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
        delivery.send(std::move(chunk));
    }
    delivery.finish();
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
