// The server's TLS session against an OpenSSL client on memory BIOs: the handshake carried in
// pieces, the whole session sealed, and login-only, where one packet comes through TLS and the
// bytes behind it are clear; the cipher suites.
#include <gtest/gtest.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <filesystem>
#include <optional>

#include "Bytes.h"
#include "support/TemporaryFolder.h"
#include "taskstore/tds/ProtocolError.h"
#include "taskstore/tls/SelfSignedCertificate.h"
#include "taskstore/tls/TlsContext.h"
#include "taskstore/tls/TlsSession.h"

using namespace taskstore;
using tdstest::hex;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

fs::path certificateFolder()
{
    static const testsupport::TemporaryFolder folder{"taskstore-tls-test"};
    return folder.path();
}

const tls::TlsContext& serverContext()
{
    static const auto files = tls::ensureSelfSignedCertificate(certificateFolder());
    static const tls::TlsContext context(files.certificate, files.key);
    return context;
}

// A client that checks the server's certificate against the self-signed one, as a careful
// driver configured with that file as its CA does.
class Client {
public:
    explicit Client(const char* cipherSuites = nullptr)
    {
        context_ = SSL_CTX_new(TLS_client_method());
        if (cipherSuites)
            SSL_CTX_set_cipher_list(context_, cipherSuites);
        SSL_CTX_load_verify_locations(context_, (certificateFolder() / "tls-certificate.pem").c_str(), nullptr);
        SSL_CTX_set_verify(context_, SSL_VERIFY_PEER, nullptr);
        ssl_ = SSL_new(context_);
        SSL_set_bio(ssl_, BIO_new(BIO_s_mem()), BIO_new(BIO_s_mem()));
        SSL_set1_host(ssl_, "localhost");
        SSL_set_connect_state(ssl_);
    }
    ~Client()
    {
        SSL_free(ssl_);
        SSL_CTX_free(context_);
    }

    // One flight: feeds what the server sent and returns what the client sends next.
    Bytes step(const Bytes& fromServer)
    {
        BIO_write(SSL_get_rbio(ssl_), fromServer.data(), static_cast<int>(fromServer.size()));
        SSL_do_handshake(ssl_);
        return drain();
    }
    bool done() const { return SSL_is_init_finished(ssl_) == 1; }
    int version() const { return SSL_version(ssl_); }
    std::string cipherSuite() const { return SSL_get_cipher_name(ssl_); }

    Bytes seal(const Bytes& plain)
    {
        SSL_write(ssl_, plain.data(), static_cast<int>(plain.size()));
        return drain();
    }
    Bytes open(const Bytes& records)
    {
        BIO_write(SSL_get_rbio(ssl_), records.data(), static_cast<int>(records.size()));
        Bytes plain(65536);
        const int n = SSL_read(ssl_, plain.data(), static_cast<int>(plain.size()));
        plain.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return plain;
    }

private:
    Bytes drain()
    {
        Bytes out(BIO_ctrl_pending(SSL_get_wbio(ssl_)));
        if (!out.empty())
            BIO_read(SSL_get_wbio(ssl_), out.data(), static_cast<int>(out.size()));
        return out;
    }

    SSL_CTX* context_;
    SSL* ssl_;
};

// Runs the handshake; the client's flights reach the server cut into pieces of `piece` bytes,
// as PRELOGIN packets may cut records. Returns the server's reason when it fails.
std::optional<std::string> tryHandshake(Client& client, tls::TlsSession& server, std::size_t piece)
{
    Bytes fromServer;
    for (int flights = 0; !client.done() && flights < 10; ++flights) {
        const Bytes flight = client.step(fromServer);
        fromServer.clear();
        for (std::size_t at = 0; at < flight.size(); at += piece) {
            const auto part = std::span(flight).subspan(at, std::min(piece, flight.size() - at));
            const auto answer = server.handshake(part);
            if (answer.failure)
                return answer.failure;
            fromServer.insert(fromServer.end(), answer.reply.begin(), answer.reply.end());
        }
    }
    return std::nullopt;
}

void handshake(Client& client, tls::TlsSession& server, std::size_t piece)
{
    const auto failure = tryHandshake(client, server, piece);
    ASSERT_FALSE(failure) << *failure;
    ASSERT_TRUE(client.done());
    ASSERT_FALSE(server.handshaking());
}

// A one-packet LOGIN7 stand-in: type 0x10, end of message, 16 bytes.
const Bytes loginPacket = hex("10 01 00 10 00 00 01 00 A1 A2 A3 A4 A5 A6 A7 A8");
const Bytes batchPacket = hex("01 01 00 0C 00 00 01 00 73 00 31 00");

}  // namespace

TEST(TlsSession, FullSessionSealsBothWaysAtTls12)
{
    tls::TlsSession server(serverContext());
    server.expectHandshake(tds::Protection::Full);
    EXPECT_FALSE(server.loginProtected());
    Client client;
    handshake(client, server, 7);
    EXPECT_EQ(client.version(), TLS1_2_VERSION);
    EXPECT_TRUE(server.sealsReplies());
    EXPECT_TRUE(server.loginProtected());

    // Records cut at odd places still yield the packets, in order.
    const Bytes sealed = client.seal(loginPacket);
    Bytes plain;
    for (std::size_t at = 0; at < sealed.size(); at += 5)
        server.incoming(std::span(sealed).subspan(at, std::min<std::size_t>(5, sealed.size() - at)), plain);
    EXPECT_EQ(plain, loginPacket);

    Bytes reply = batchPacket;
    server.outgoing(reply);
    EXPECT_FALSE(tdstest::contains(reply, hex("73 00 31 00")));
    EXPECT_EQ(client.open(reply), batchPacket);
}

TEST(TlsSession, LoginOnlyDecryptsOnePacketAndPassesTheRestClear)
{
    for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{4096}}) {
        SCOPED_TRACE(piece);
        tls::TlsSession server(serverContext());
        server.expectHandshake(tds::Protection::LoginOnly);
        Client client;
        handshake(client, server, 4096);
        EXPECT_FALSE(server.sealsReplies());

        // The login record and the next clear request arrive in one stream, cut anywhere.
        Bytes stream = client.seal(loginPacket);
        stream.insert(stream.end(), batchPacket.begin(), batchPacket.end());
        Bytes plain;
        for (std::size_t at = 0; at < stream.size(); at += piece)
            server.incoming(std::span(stream).subspan(at, std::min(piece, stream.size() - at)), plain);
        Bytes expected = loginPacket;
        expected.insert(expected.end(), batchPacket.begin(), batchPacket.end());
        EXPECT_EQ(plain, expected);
        EXPECT_TRUE(server.loginProtected());

        Bytes reply = batchPacket;
        server.outgoing(reply);  // not sealed: the caller only seals while sealsReplies()
        EXPECT_FALSE(server.sealsReplies());
    }
}

TEST(TlsSession, ALoginSplitOverPacketsMayContinueInTlsOrInTheClear)
{
    const Bytes first = hex("10 00 00 0C 00 00 01 00 A1 A2 A3 A4");
    const Bytes second = hex("10 01 00 0C 00 00 02 00 B1 B2 B3 B4");
    for (const bool secondEncrypted : {true, false}) {
        tls::TlsSession server(serverContext());
        server.expectHandshake(tds::Protection::LoginOnly);
        Client client;
        handshake(client, server, 4096);
        Bytes stream = client.seal(first);
        const Bytes rest = secondEncrypted ? client.seal(second) : second;
        stream.insert(stream.end(), rest.begin(), rest.end());
        stream.insert(stream.end(), batchPacket.begin(), batchPacket.end());
        Bytes plain;
        server.incoming(stream, plain);
        Bytes expected = first;
        expected.insert(expected.end(), second.begin(), second.end());
        expected.insert(expected.end(), batchPacket.begin(), batchPacket.end());
        EXPECT_EQ(plain, expected) << secondEncrypted;
    }
}

TEST(TlsSession, ClearOrForeignBytesWhereTlsWasAgreedAreRefused)
{
    tls::TlsSession server(serverContext());
    server.expectHandshake(tds::Protection::LoginOnly);
    Client client;
    handshake(client, server, 4096);
    Bytes plain;
    EXPECT_THROW(server.incoming(loginPacket, plain), tds::ProtocolError);
    EXPECT_FALSE(server.loginProtected());

    tls::TlsSession full(serverContext());
    full.expectHandshake(tds::Protection::Full);
    Client other;
    handshake(other, full, 4096);
    Bytes forged = other.seal(loginPacket);
    forged[forged.size() - 1] ^= 1;  // the record's tag no longer matches
    EXPECT_THROW(full.incoming(forged, plain), tds::ProtocolError);
}

TEST(TlsSession, AHandshakeThatIsNotTlsFailsWithAReason)
{
    tls::TlsSession server(serverContext());
    server.expectHandshake(tds::Protection::Full);
    const auto answer = server.handshake(hex("16 03 01 00 05 FF FF FF FF FF"));
    ASSERT_TRUE(answer.failure);
    EXPECT_NE(answer.failure->find("TLS handshake failed"), std::string::npos);
}

TEST(TlsSession, OnlyForwardSecretAeadSuitesAndTheServerChooses)
{
    // Static-RSA key exchange and CBC with SHA-1, which older clients offer first, are refused.
    for (const char* weak : {"AES128-SHA:AES256-GCM-SHA384", "ECDHE-RSA-AES128-SHA:ECDHE-RSA-AES256-SHA"}) {
        tls::TlsSession server(serverContext());
        server.expectHandshake(tds::Protection::Full);
        Client client(weak);
        EXPECT_TRUE(tryHandshake(client, server, 4096)) << weak;
        EXPECT_FALSE(client.done()) << weak;
    }
    // Among acceptable suites the server's order decides, not the client's.
    tls::TlsSession server(serverContext());
    server.expectHandshake(tds::Protection::Full);
    Client client("ECDHE-RSA-AES128-SHA:ECDHE-RSA-CHACHA20-POLY1305:ECDHE-RSA-AES256-GCM-SHA384");
    handshake(client, server, 4096);
    EXPECT_EQ(client.cipherSuite(), "ECDHE-RSA-AES256-GCM-SHA384");
}

