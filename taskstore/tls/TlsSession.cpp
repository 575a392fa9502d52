#include "taskstore/tls/TlsSession.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <array>
#include <stdexcept>

#include "common/Wipe.h"
#include "taskstore/tds/Packet.h"
#include "taskstore/tds/ProtocolError.h"
#include "taskstore/tds/TlsRecord.h"
#include "taskstore/tls/TlsContext.h"

namespace taskstore::tls {
namespace {

void feed(ssl_st* ssl, std::span<const std::uint8_t> bytes)
{
    if (!bytes.empty()
        && BIO_write(SSL_get_rbio(ssl), bytes.data(), static_cast<int>(bytes.size())) != static_cast<int>(bytes.size()))
        throw std::runtime_error("TLS input buffer refused data");
}

}  // namespace

TlsSession::TlsSession(const TlsContext& context) : ssl_(SSL_new(context.get()))
{
    if (!ssl_)
        throw std::runtime_error("cannot start TLS: " + takeOpenSslError());
    // Empty memory BIOs ask to retry instead of signalling end of file.
    SSL_set_bio(ssl_, BIO_new(BIO_s_mem()), BIO_new(BIO_s_mem()));
    SSL_set_accept_state(ssl_);
}

TlsSession::~TlsSession()
{
    // No close_notify: clients never send one, and after login-only it would read as TDS.
    SSL_free(ssl_);
}

void TlsSession::expectHandshake(tds::Protection protection)
{
    const std::lock_guard lock(mutex_);
    if (protection == tds::Protection::None)
        return;
    agreed_ = true;
    after_ = protection;
    state_ = State::Handshake;
}

bool TlsSession::handshaking() const
{
    const std::lock_guard lock(mutex_);
    return state_ == State::Handshake;
}

std::vector<std::uint8_t> TlsSession::drainOutput()
{
    BIO* out = SSL_get_wbio(ssl_);
    std::vector<std::uint8_t> bytes(BIO_ctrl_pending(out));
    if (!bytes.empty())
        BIO_read(out, bytes.data(), static_cast<int>(bytes.size()));
    return bytes;
}

TlsSession::Flight TlsSession::handshake(std::span<const std::uint8_t> records)
{
    const std::lock_guard lock(mutex_);
    Flight flight;
    feed(ssl_, records);
    const int rc = SSL_do_handshake(ssl_);
    if (rc == 1) {
        // Switched before the last flight leaves, so the client's next bytes meet the new state.
        state_ = after_ == tds::Protection::Full ? State::Full : State::LoginOnly;
    } else if (const int error = SSL_get_error(ssl_, rc); error != SSL_ERROR_WANT_READ) {
        flight.failure = "TLS handshake failed: " + takeOpenSslError();
    }
    flight.reply = drainOutput();
    return flight;
}

void TlsSession::decryptAvailable(std::vector<std::uint8_t>& plain)
{
    std::array<std::uint8_t, 16384> buffer;
    for (;;) {
        const int n = SSL_read(ssl_, buffer.data(), static_cast<int>(buffer.size()));
        if (n > 0) {
            plain.insert(plain.end(), buffer.begin(), buffer.begin() + n);
            common::wipe(std::span(buffer.data(), static_cast<std::size_t>(n)));  // may be a LOGIN7
            continue;
        }
        const int error = SSL_get_error(ssl_, n);
        if (error == SSL_ERROR_WANT_READ)
            return;
        if (error == SSL_ERROR_ZERO_RETURN)
            throw tds::ProtocolError("client ended TLS");
        throw tds::ProtocolError("TLS record refused: " + takeOpenSslError());
    }
}

void TlsSession::takeLoginRecords(std::span<const std::uint8_t>& raw, std::vector<std::uint8_t>& tds)
{
    // One TDS packet comes through TLS; a packet without end-of-message may be followed by more
    // records (one client encrypts the whole LOGIN7) or by clear packets (another, only the first).
    while (state_ == State::LoginOnly && !raw.empty()) {
        if (pendingRecord_.empty() && loginSeen_ && raw[0] != tds::tlsApplicationData) {
            state_ = State::Clear;
            break;
        }
        const std::size_t before = pendingRecord_.size();
        pendingRecord_.insert(pendingRecord_.end(), raw.begin(), raw.end());
        const std::size_t length = tds::tlsRecordLength(pendingRecord_);
        if (length == 0) {
            raw = {};
            break;
        }
        raw = raw.subspan(length - before);
        pendingRecord_.resize(length);
        feed(ssl_, pendingRecord_);
        pendingRecord_.clear();
        decryptAvailable(loginPlain_);
        if (loginPlain_.size() < tds::headerSize)
            continue;
        const tds::PacketHeader header = tds::decodeHeader(loginPlain_.data());
        if (loginPlain_.size() < header.length)
            continue;
        if (loginPlain_.size() > header.length)
            throw tds::ProtocolError("more than one packet in the encrypted login");
        tds.insert(tds.end(), loginPlain_.begin(), loginPlain_.end());
        common::wipe(loginPlain_);
        loginSeen_ = true;
        if (header.status & tds::status::endOfMessage)
            state_ = State::Clear;
    }
}

void TlsSession::incoming(std::span<const std::uint8_t> raw, std::vector<std::uint8_t>& tds)
{
    const std::lock_guard lock(mutex_);
    if (state_ == State::LoginOnly)
        takeLoginRecords(raw, tds);
    if (state_ == State::Full) {
        feed(ssl_, raw);
        decryptAvailable(tds);
        return;
    }
    tds.insert(tds.end(), raw.begin(), raw.end());
}

bool TlsSession::sealsReplies() const
{
    const std::lock_guard lock(mutex_);
    return state_ == State::Full;
}

void TlsSession::outgoing(std::vector<std::uint8_t>& out)
{
    const std::lock_guard lock(mutex_);
    // Memory BIOs take everything, so a write never waits.
    if (!out.empty() && SSL_write(ssl_, out.data(), static_cast<int>(out.size())) <= 0)
        throw std::runtime_error("TLS refused a reply: " + takeOpenSslError());
    out = drainOutput();
}

bool TlsSession::loginProtected() const
{
    const std::lock_guard lock(mutex_);
    return !agreed_ || state_ == State::Full || loginSeen_;
}

}  // namespace taskstore::tls
