#include "taskstore/server/Server.h"

#include <stdexcept>

#include "taskstore/server/PeerIdentity.h"

namespace taskstore::server {

Server::Server(Engine& engine, ServerConfig config, EventLog& log)
    : engine_(engine),
      config_(std::move(config)),
      log_(log),
      admission_(Admission::Limits{.sessions = config_.maxConnections})
{
    if (!config_.requestLog.empty())
        requests_ = std::make_unique<RequestLog>(
            config_.requestLog, [this](std::string_view statement) { return engine_.secretWordIn(statement); });
    if (!config_.tlsCertificate.empty())
        tls_ = std::make_unique<tls::TlsContext>(config_.tlsCertificate, config_.tlsKey);
    else if (config_.forceEncryption)
        throw std::runtime_error("forcing encryption needs a TLS certificate");
}

Server::~Server() = default;

asio::ip::tcp::endpoint Server::listen()
{
    const asio::ip::tcp::endpoint endpoint(asio::ip::make_address(config_.address), config_.port);
    acceptor_.open(endpoint.protocol());
    acceptor_.set_option(asio::ip::tcp::acceptor::reuse_address(true));
    acceptor_.bind(endpoint);
    acceptor_.listen();
    return acceptor_.local_endpoint();
}

void Server::run()
{
    signals_.async_wait([this](const asio::error_code& ec, int) {
        if (!ec)
            shutdown();
    });
    accept();
    io_.run();
}

void Server::stop()
{
    asio::post(io_, [this] { shutdown(); });
}

void Server::accept()
{
    acceptor_.async_accept([this](const asio::error_code& ec, asio::ip::tcp::socket socket) {
        if (!acceptor_.is_open())
            return;
        if (!ec) {
            connections_.remove_if([](const auto& connection) { return connection->finished(); });
            admit(std::move(socket));
            accept();
            return;
        }
        // Out of descriptors and the like: retrying at once would only spin.
        log_.line("accept failed: " + ec.message());
        acceptRetry_.expires_after(std::chrono::milliseconds(200));
        acceptRetry_.async_wait([this](const asio::error_code& waitError) {
            if (!waitError)
                accept();
        });
    });
}

void Server::admit(asio::ip::tcp::socket socket)
{
    const int id = nextId_++;
    const std::string client = clientOf(socket);
    const Admission::Verdict verdict = admission_.arrive(id, client);
    if (!verdict.admitted) {
        refuse(socket, verdict.why);
        return;
    }
    for (auto& waiting : connections_)
        if (waiting->id() == verdict.displaced)
            waiting->stop("displaced by a newer connection: not logged on after a while");
    auto connection = std::make_unique<Connection>(id, std::move(socket), engine_, config_, log_, requests_.get(),
                                                   tls_.get(), Connection::Gate{client, logins_, admission_});
    try {
        connection->start();
        connections_.push_back(std::move(connection));
    } catch (const std::system_error& e) {
        admission_.left(id);
        ++refused_;
        log_.line(std::string("connection refused: cannot start its threads (") + e.what() + "); "
                  + std::to_string(refused_) + " refused so far");
    }
}

void Server::refuse(asio::ip::tcp::socket& socket, const std::string& why)
{
    ++refused_;
    asio::error_code ec;
    const auto peer = socket.remote_endpoint(ec);
    log_.line("connection refused from " + (ec ? std::string("unknown") : peer.address().to_string()) + ": " + why
              + "; " + std::to_string(refused_) + " refused so far");
    socket.shutdown(asio::ip::tcp::socket::shutdown_both, ec);
    socket.close(ec);
}

void Server::shutdown()
{
    if (!acceptor_.is_open())
        return;
    asio::error_code ec;
    acceptor_.close(ec);
    signals_.cancel(ec);
    acceptRetry_.cancel();
    logins_.stop();
    for (auto& connection : connections_)
        connection->stop("server stopping");
    connections_.clear();  // joins every connection after its session was ended
}

}  // namespace taskstore::server
