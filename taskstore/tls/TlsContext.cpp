#include "taskstore/tls/TlsContext.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <stdexcept>
#include <string>

namespace taskstore::tls {

std::string takeOpenSslError()
{
    std::string reason;
    while (const unsigned long code = ERR_get_error()) {
        char text[256];
        ERR_error_string_n(code, text, sizeof text);
        reason = text;  // the last one is the most specific
    }
    return reason.empty() ? "unknown TLS error" : reason;
}

TlsContext::TlsContext(const std::filesystem::path& certificateFile, const std::filesystem::path& keyFile)
    : context_(SSL_CTX_new(TLS_server_method()))
{
    if (!context_)
        throw std::runtime_error("cannot set up TLS: " + takeOpenSslError());
    const auto fail = [this](const std::string& what) {
        SSL_CTX_free(context_);
        throw std::runtime_error(what + ": " + takeOpenSslError());
    };
    SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION);
    SSL_CTX_set_max_proto_version(context_, TLS1_2_VERSION);
    // Forward secrecy and authenticated encryption only, in the server's order: no static-RSA key
    // exchange, no CBC with SHA-1. Every client tested (FreeTDS with GnuTLS or OpenSSL,
    // python-tds, tedious) offers these.
    if (SSL_CTX_set_cipher_list(context_,
                                "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256:"
                                "ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES256-GCM-SHA384:"
                                "ECDHE-ECDSA-CHACHA20-POLY1305:ECDHE-RSA-CHACHA20-POLY1305")
        != 1)
        fail("cannot choose the TLS cipher suites");
    // Sessions are never resumed: each connection logs on afresh. Records are decrypted in
    // OpenSSL's own buffer, which is wiped once read: a LOGIN7 (the password) must not stay there.
    SSL_CTX_set_options(context_, SSL_OP_NO_TICKET | SSL_OP_CIPHER_SERVER_PREFERENCE | SSL_OP_CLEANSE_PLAINTEXT);
    SSL_CTX_set_session_cache_mode(context_, SSL_SESS_CACHE_OFF);
    if (SSL_CTX_use_certificate_chain_file(context_, certificateFile.c_str()) != 1)
        fail("cannot read the TLS certificate " + certificateFile.string());
    if (SSL_CTX_use_PrivateKey_file(context_, keyFile.c_str(), SSL_FILETYPE_PEM) != 1)
        fail("cannot read the TLS key " + keyFile.string());
    if (SSL_CTX_check_private_key(context_) != 1)
        fail("the TLS key " + keyFile.string() + " does not belong to the certificate");
}

TlsContext::~TlsContext() { SSL_CTX_free(context_); }

}  // namespace taskstore::tls
