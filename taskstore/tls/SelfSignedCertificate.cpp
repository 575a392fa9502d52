#include "taskstore/tls/SelfSignedCertificate.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "taskstore/tls/TlsContext.h"

namespace taskstore::tls {
namespace {

constexpr long validSeconds = 10L * 365 * 24 * 3600;
constexpr int keyBits = 2048;

template <typename T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using Certificate = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using Extension = std::unique_ptr<X509_EXTENSION, Deleter<X509_EXTENSION, X509_EXTENSION_free>>;
using Bio = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error("cannot make a TLS certificate: " + what + ": " + takeOpenSslError());
}

void addExtension(X509* certificate, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    const Extension extension(X509V3_EXT_conf_nid(nullptr, &context, nid, value));
    if (!extension || X509_add_ext(certificate, extension.get(), -1) != 1)
        fail("extension");
}

Certificate selfSign(EVP_PKEY* key)
{
    Certificate certificate(X509_new());
    if (!certificate)
        fail("X509_new");
    X509* x = certificate.get();
    std::uint64_t serial = 0;
    RAND_bytes(reinterpret_cast<unsigned char*>(&serial), sizeof serial);
    X509_set_version(x, 2);
    ASN1_INTEGER_set_uint64(X509_get_serialNumber(x), serial >> 1);  // positive
    X509_gmtime_adj(X509_getm_notBefore(x), -3600);
    X509_gmtime_adj(X509_getm_notAfter(x), validSeconds);
    X509_set_pubkey(x, key);
    X509_NAME* name = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("localhost"), -1, -1,
                               0);
    X509_set_issuer_name(x, name);
    addExtension(x, NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1");
    // A server's certificate, never an authority: a client that trusts this file trusts this one
    // certificate, and its key can sign no other.
    addExtension(x, NID_basic_constraints, "critical,CA:FALSE");
    addExtension(x, NID_key_usage, "critical,digitalSignature,keyEncipherment");
    addExtension(x, NID_ext_key_usage, "serverAuth");
    addExtension(x, NID_subject_key_identifier, "hash");
    if (X509_sign(x, key, EVP_sha256()) == 0)
        fail("signing");
    return certificate;
}

// Written owner-only from the start into a file of a fresh name that this call creates (mkstemp
// opens it exclusively, so nothing planted under a name can receive the key), then renamed over
// the final name in one step: the rename replaces a link at that name instead of following it.
void writePrivate(const std::filesystem::path& file, BIO* pem)
{
    char* data = nullptr;
    const long size = BIO_get_mem_data(pem, &data);
    std::string partial = file.string() + ".XXXXXX";
    const int fd = ::mkstemp(partial.data());  // mode 0600
    if (fd < 0)
        throw std::runtime_error("cannot create a file beside " + file.string() + ": " + std::strerror(errno));
    const bool written = ::write(fd, data, static_cast<std::size_t>(size)) == size && ::fsync(fd) == 0;
    ::close(fd);
    if (!written || ::rename(partial.c_str(), file.c_str()) != 0) {
        ::unlink(partial.c_str());
        throw std::runtime_error("cannot write " + file.string());
    }
}

}  // namespace

CertificateFiles ensureSelfSignedCertificate(const std::filesystem::path& folder)
{
    CertificateFiles files{folder / "tls-certificate.pem", folder / "tls-key.pem"};
    if (std::filesystem::exists(files.certificate) && std::filesystem::exists(files.key))
        return files;
    const Key key(EVP_RSA_gen(keyBits));
    if (!key)
        fail("key");
    const Certificate certificate = selfSign(key.get());
    const Bio keyPem(BIO_new(BIO_s_mem()));
    const Bio certificatePem(BIO_new(BIO_s_mem()));
    if (!keyPem || !certificatePem
        || PEM_write_bio_PrivateKey(keyPem.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1
        || PEM_write_bio_X509(certificatePem.get(), certificate.get()) != 1)
        fail("PEM");
    // The key first: a certificate is only ever beside the key it belongs to.
    writePrivate(files.key, keyPem.get());
    writePrivate(files.certificate, certificatePem.get());
    return files;
}

}  // namespace taskstore::tls
