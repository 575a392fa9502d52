#pragma once
// One client connection: a reader thread that collects messages (and passes attention on at
// once, while a batch may be running) and a worker thread that answers them in order. When the
// connection ends for any reason its session is destroyed, which rolls back an open transaction.
#include <asio.hpp>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "taskstore/tds/MessageAssembler.h"
#include "taskstore/server/Admission.h"
#include "taskstore/server/EventLog.h"
#include "taskstore/server/MessageQueue.h"
#include "taskstore/server/RequestHandler.h"
#include "taskstore/server/RequestLog.h"
#include "taskstore/server/ServerConfig.h"
#include "taskstore/engine/Engine.h"
#include "taskstore/tls/TlsSession.h"

namespace taskstore::server {

class Connection {
public:
    // What a connection passes before it becomes a session; the server's, shared by its connections.
    struct Gate {
        std::string client;  // PeerIdentity.h
        LoginThrottle& logins;
        Admission& admission;
    };
    // tls is null when the server has no certificate.
    Connection(int id, asio::ip::tcp::socket socket, Engine& engine, const ServerConfig& config, EventLog& log,
               RequestLog* requests, const tls::TlsContext* tls, Gate gate);
    ~Connection();  // stops and joins
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Throws std::system_error when a thread cannot be made; the connection is closed by then.
    void start();
    // Ends the connection from outside (server shutdown); safe from any thread.
    void stop(const std::string& reason);
    bool finished() const { return finished_; }
    int id() const { return id_; }

private:
    struct End {
        std::string reason;
    };
    using Item = std::variant<tds::Message, End>;

    void readLoop();
    void work();
    // Takes one packet. Packets are passed to the socket together, a message's last packet or a
    // full batch at a time: a system call per packet took a sixth of the time of a large result.
    void send(std::span<const std::uint8_t> packet);
    // Records the first reason only and shuts the socket down, which also ends the reader.
    void close(const std::string& reason);
    // Whether close() was called: requests still queued are then not answered.
    bool closing();

    int id_;
    asio::ip::tcp::socket socket_;
    std::string peer_;
    const ServerConfig& config_;
    EventLog& log_;
    Admission& admission_;
    MessageQueue<Item> queue_;
    std::mutex closeMutex_;
    std::string closeReason_;
    std::atomic<bool> writeFailed_{false};
    std::vector<std::uint8_t> unsent_;  // whole packets of the message being answered
    std::unique_ptr<tls::TlsSession> tls_;
    std::atomic<bool> finished_{false};
    // Outlives both threads: the reader passes attention to it while the worker runs requests.
    std::unique_ptr<RequestHandler> handler_;
    std::thread reader_;
    std::thread worker_;
};

}  // namespace taskstore::server
