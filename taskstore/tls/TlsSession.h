#pragma once
// One connection's TLS as TDS 7.x carries it. The handshake records travel inside PRELOGIN
// messages; afterwards either only the LOGIN7 packet comes encrypted and the rest is clear, or
// every byte both ways is TLS. The reader thread turns socket bytes into TDS bytes through
// incoming() while the worker thread seals replies through outgoing(); a mutex keeps the two
// apart, since an OpenSSL session serves one caller at a time.
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "taskstore/tds/Prelogin.h"

struct ssl_st;

namespace taskstore::tls {

class TlsContext;

class TlsSession {
public:
    explicit TlsSession(const TlsContext& context);
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    // After PRELOGIN agreed on LoginOnly or Full: the next PRELOGIN messages carry the handshake.
    void expectHandshake(tds::Protection protection);
    bool handshaking() const;

    struct Flight {
        std::vector<std::uint8_t> reply;     // to send as one PRELOGIN message; may be empty
        std::optional<std::string> failure;  // the handshake failed: send the reply, then close
    };
    // Takes the records of one client PRELOGIN message during the handshake.
    Flight handshake(std::span<const std::uint8_t> records);

    // Socket bytes to the TDS bytes they carry. Throws tds::ProtocolError on bytes that are not
    // the TLS expected (a clear LOGIN7 where encryption was agreed, a bad record).
    void incoming(std::span<const std::uint8_t> raw, std::vector<std::uint8_t>& tds);
    // Whether replies are sealed now: after a full handshake.
    bool sealsReplies() const;
    // Replaces the TDS bytes in out with their TLS records.
    void outgoing(std::vector<std::uint8_t>& out);
    // Whether the LOGIN7 can have arrived encrypted: it came through TLS, or no TLS was agreed.
    bool loginProtected() const;

private:
    enum class State { Clear, Handshake, LoginOnly, Full };

    void decryptAvailable(std::vector<std::uint8_t>& plain);
    void takeLoginRecords(std::span<const std::uint8_t>& raw, std::vector<std::uint8_t>& tds);
    std::vector<std::uint8_t> drainOutput();

    mutable std::mutex mutex_;
    ssl_st* ssl_;
    State state_ = State::Clear;
    tds::Protection after_ = tds::Protection::None;
    bool agreed_ = false;                      // PRELOGIN agreed on TLS
    bool loginSeen_ = false;                   // the login-only packet was decrypted
    std::vector<std::uint8_t> pendingRecord_;  // login-only: a record cut by the read
    std::vector<std::uint8_t> loginPlain_;     // login-only: the packet decrypted so far
};

}  // namespace taskstore::tls
