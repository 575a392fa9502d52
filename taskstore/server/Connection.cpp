#include "taskstore/server/Connection.h"

#include <array>

#include "common/Wipe.h"
#include "taskstore/tds/Packet.h"
#include "taskstore/tds/ProtocolError.h"

namespace taskstore::server {
namespace {

std::string endpointText(const asio::ip::tcp::socket& socket)
{
    asio::error_code ec;
    const auto remote = socket.remote_endpoint(ec);
    if (ec)
        return "unknown";
    return remote.address().to_string() + ":" + std::to_string(remote.port());
}

// Until a client has logged in it gets little memory: PRELOGIN and LOGIN7 are small.
constexpr std::size_t maxMessageBeforeLogin = 64 * 1024;
constexpr std::size_t maxMessage = 64 * 1024 * 1024;
// Requests a client sends before the earlier ones are answered wait up to this many bytes; beyond
// it the socket is not read until the worker catches up. An attention still gets through to a
// client that waits for its answers, as clients do.
constexpr std::size_t maxQueuedBytes = 1024 * 1024;
// Packets of a long reply go to the socket in batches of about this many bytes.
constexpr std::size_t sendBatchBytes = 32 * 1024;

// SQL Server numbers user sessions from 51; clients only display the value.
std::uint16_t spidFor(int id) { return static_cast<std::uint16_t>(51 + (id - 1) % 30000); }

}  // namespace

Connection::Connection(int id, asio::ip::tcp::socket socket, Engine& engine, const ServerConfig& config, EventLog& log,
                       RequestLog* requests, const tls::TlsContext* tls, Gate gate)
    : id_(id),
      socket_(std::move(socket)),
      peer_(endpointText(socket_)),
      config_(config),
      log_(log),
      admission_(gate.admission),
      tls_(tls ? std::make_unique<tls::TlsSession>(*tls) : nullptr)
{
    asio::error_code ec;
    socket_.set_option(asio::ip::tcp::no_delay(true), ec);
    handler_ = std::make_unique<RequestHandler>(
        engine, config, log, requests,
        ConnectionInfo{id, peer_, spidFor(id), gate.client, &gate.logins, &gate.admission},
        [this](std::span<const std::uint8_t> bytes) { send(bytes); }, tls_.get());
    handler_->discardRepliesWhile(&writeFailed_);
}

Connection::~Connection()
{
    stop("server stopping");
    if (worker_.joinable())
        worker_.join();
    if (reader_.joinable())
        reader_.join();
}

void Connection::start()
{
    log_.line("connection " + std::to_string(id_) + " from " + peer_);
    reader_ = std::thread([this] { readLoop(); });
    try {
        worker_ = std::thread([this] { work(); });
    } catch (const std::system_error&) {
        close("no thread for its requests");
        queue_.release();
        reader_.join();
        throw;
    }
}

void Connection::stop(const std::string& reason)
{
    close(reason);
    handler_->interruptRunning();
}

void Connection::close(const std::string& reason)
{
    const std::lock_guard lock(closeMutex_);
    if (closeReason_.empty())
        closeReason_ = reason;
    asio::error_code ec;
    socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ec);
}

bool Connection::closing()
{
    const std::lock_guard lock(closeMutex_);
    return !closeReason_.empty();
}

void Connection::readLoop()
{
    // Sending and receiving run in different threads; each is one system call on the socket.
    std::array<std::uint8_t, 16384> buffer{};
    tds::MessageAssembler assembler(maxMessageBeforeLogin);
    assembler.setHoldsSecrets(true);
    bool loggedInLimit = false;
    std::vector<tds::Message> messages;
    std::vector<std::uint8_t> clear;
    clear.reserve(maxMessageBeforeLogin);  // grows without leaving copies of a LOGIN7 behind
    // A request counts against the memory budgets from its first bytes until it is answered; one
    // that does not fit is dropped as it arrives and answered with 701.
    assembler.chargeMessagesTo(
        [this] { return MemoryCharge(&handler_->sessionMemory(), &handler_->serverMemory(), 0); });
    for (;;) {
        if (!queue_.waitForRoom(maxQueuedBytes))
            return;
        asio::error_code ec;
        const std::size_t n = socket_.read_some(asio::buffer(buffer), ec);
        if (ec) {
            // Nobody is left to read an answer: the running statement stops, nothing queued runs.
            const std::string reason =
                ec == asio::error::eof ? "client closed the connection" : "read failed: " + ec.message();
            close(reason);
            handler_->interruptRunning();
            queue_.push(End{reason});
            return;
        }
        // Requests grow to their full size only once the password was right, not on a LOGIN7 alone.
        if (!loggedInLimit && handler_->loginAccepted()) {
            assembler.setMaxMessageSize(maxMessage);
            assembler.setHoldsSecrets(false);
            loggedInLimit = true;
        }
        try {
            std::span<const std::uint8_t> bytes(buffer.data(), n);
            if (tls_) {
                clear.clear();
                tls_->incoming(bytes, clear);
                bytes = clear;
            }
            assembler.feed(bytes, messages);
            // Until the log-on, what was read may be a LOGIN7 and its password: no copy stays.
            if (!loggedInLimit) {
                common::wipe(std::span(buffer.data(), n));
                common::wipe(clear);
            }
        } catch (const tds::ProtocolError& e) {
            queue_.push(End{std::string("malformed request: ") + e.what()});
            return;
        } catch (const std::exception& e) {
            queue_.push(End{std::string("internal error: ") + e.what()});
            return;
        }
        for (auto& message : messages) {
            if (!loggedInLimit)
                admission_.progressed(id_);
            if (message.type == tds::PacketType::Attention)
                handler_->attentionArrived();
            const std::size_t bytes = message.payload.size();
            queue_.push(std::move(message), bytes);
        }
        messages.clear();
    }
}

void Connection::work()
{
    const auto loginDeadline = std::chrono::steady_clock::now() + config_.loginTimeout;
    std::string reason;
    while (reason.empty()) {
        auto item = handler_->loggedIn() ? queue_.pop() : queue_.pop(loginDeadline);
        if (closing()) {
            reason = "closed";  // the reason given to close() is the one logged
            break;
        }
        if (!item) {
            reason = "login timeout";
            break;
        }
        if (const auto* end = std::get_if<End>(&*item)) {
            reason = end->reason;
            break;
        }
        auto& message = std::get<tds::Message>(*item);
        try {
            if (auto closing = handler_->handle(message))
                reason = *closing;
        } catch (const tds::ProtocolError& e) {
            reason = std::string("malformed request: ") + e.what();
        } catch (const std::exception& e) {
            reason = std::string("internal error: ") + e.what();
        }
        if (message.type == tds::PacketType::Login7)
            common::wipe(message.payload);  // it holds the password, merely obfuscated
        if (reason.empty() && writeFailed_)
            reason = "connection lost while sending";
    }
    close(reason);
    queue_.release();
    reader_.join();
    handler_->endSession();
    std::string finalReason;
    {
        const std::lock_guard lock(closeMutex_);
        finalReason = closeReason_;
    }
    log_.line("connection " + std::to_string(id_) + " closed (" + finalReason + ")");
    admission_.left(id_);
    finished_ = true;
}

void Connection::send(std::span<const std::uint8_t> packet)
{
    if (writeFailed_)
        return;
    unsent_.insert(unsent_.end(), packet.begin(), packet.end());
    const bool lastOfMessage = packet.size() > 1 && (packet[1] & tds::status::endOfMessage) != 0;
    if (!lastOfMessage && unsent_.size() < sendBatchBytes)
        return;
    // Handshake flights (PRELOGIN packets) go out as they are even once the session is sealed.
    if (tls_ && unsent_[0] != static_cast<std::uint8_t>(tds::PacketType::Prelogin) && tls_->sealsReplies())
        tls_->outgoing(unsent_);
    asio::error_code ec;
    asio::write(socket_, asio::buffer(unsent_.data(), unsent_.size()), ec);
    unsent_.clear();
    if (ec) {
        // Stop the running statement; the worker ends the connection when it returns.
        writeFailed_ = true;
        handler_->interruptRunning();
    }
}

}  // namespace taskstore::server
