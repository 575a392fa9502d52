#pragma once
// The listener: accepts clients on the configured address and serves each on its own
// connection until SIGINT or SIGTERM, then ends every session (rolling back) and returns.
#include <asio.hpp>
#include <list>
#include <memory>

#include "taskstore/server/Admission.h"
#include "taskstore/server/Connection.h"
#include "taskstore/server/EventLog.h"
#include "taskstore/server/LoginThrottle.h"
#include "taskstore/server/RequestLog.h"
#include "taskstore/server/ServerConfig.h"
#include "taskstore/engine/Engine.h"
#include "taskstore/tls/TlsContext.h"

namespace taskstore::server {

class Server {
public:
    // Throws std::runtime_error when the request log or the TLS files cannot be read.
    Server(Engine& engine, ServerConfig config, EventLog& log);
    ~Server();

    // Binds and listens; returns the bound endpoint (the real port when port 0 was asked for).
    // Throws std::system_error when the address cannot be used.
    asio::ip::tcp::endpoint listen();
    // Serves until a stop signal or stop(); every connection has ended when it returns.
    void run();
    // Safe from any thread.
    void stop();

private:
    void accept();
    // Starts a connection for the socket, or refuses it (Admission.h).
    void admit(asio::ip::tcp::socket socket);
    void shutdown();

    Engine& engine_;
    ServerConfig config_;
    EventLog& log_;
    std::unique_ptr<RequestLog> requests_;
    std::unique_ptr<tls::TlsContext> tls_;  // none without a certificate
    asio::io_context io_;
    asio::ip::tcp::acceptor acceptor_{io_};
    asio::signal_set signals_{io_, SIGINT, SIGTERM};
    asio::steady_timer acceptRetry_{io_};
    // Logs and closes a client that cannot be served now.
    void refuse(asio::ip::tcp::socket& socket, const std::string& why);

    // Before the connections, which use them until they end.
    LoginThrottle logins_;
    Admission admission_;
    std::list<std::unique_ptr<Connection>> connections_;  // touched only by the thread in run()
    int nextId_ = 1;
    std::uint64_t refused_ = 0;
};

}  // namespace taskstore::server
