#pragma once
// What the taskstore server is told at start-up.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace taskstore::server {

struct ServerConfig {
    std::string address = "127.0.0.1";
    std::uint16_t port = 1433;  // 0: any free port
    std::string saPassword;
    // Unset: the engine's own default.
    std::optional<std::chrono::milliseconds> lockTimeout;
    // A client that has not logged in by then is dropped: a real one needs milliseconds.
    std::chrono::milliseconds loginTimeout{std::chrono::seconds(10)};
    std::filesystem::path requestLog;      // empty: no request log
    std::string serverName = "TASKSTORE";  // shown by clients next to server messages
    // PEM files of the TLS certificate and key; without them the server cannot encrypt.
    std::filesystem::path tlsCertificate;
    std::filesystem::path tlsKey;
    // Encrypt every session and refuse clients that cannot.
    bool forceEncryption = false;
    // Sessions logged on at once; one more log-on is refused with 17809 (Admission.h).
    int maxConnections = 100;
};

}  // namespace taskstore::server
