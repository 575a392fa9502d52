#pragma once
// The server's TLS settings, shared by every connection: its certificate and key, TLS 1.2 only
// (what SQL Server offers inside TDS 7.x; FreeTDS fails its log-on over TLS 1.3).
#include <filesystem>
#include <memory>

struct ssl_ctx_st;

namespace taskstore::tls {

class TlsContext {
public:
    // Reads PEM files. Throws std::runtime_error naming the file and OpenSSL's reason.
    TlsContext(const std::filesystem::path& certificateFile, const std::filesystem::path& keyFile);
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    ssl_ctx_st* get() const { return context_; }

private:
    ssl_ctx_st* context_;
};

// The reason of the latest OpenSSL failure, emptying the thread's error queue.
std::string takeOpenSslError();

}  // namespace taskstore::tls
