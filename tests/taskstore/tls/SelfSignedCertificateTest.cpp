// The self-signed certificate taskstore makes for itself: made once, owner-only, a server's
// certificate that can sign nothing, and never written through a planted link.
#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "support/TemporaryFolder.h"
#include "taskstore/tls/SelfSignedCertificate.h"
#include "taskstore/tls/TlsContext.h"

using namespace taskstore;
using testsupport::readFile;
namespace fs = std::filesystem;

namespace {

class SelfSignedCertificate : public ::testing::Test {
protected:
    fs::path certificateFolder() const { return scratch.path(); }

private:
    const testsupport::TemporaryFolder scratch{"taskstore-certificate-test"};
};

TEST_F(SelfSignedCertificate, MadeOnceOwnerOnlyAndKeptAcrossStarts)
{
    const fs::path folder = certificateFolder() / "again";
    fs::create_directories(folder);
    const auto files = tls::ensureSelfSignedCertificate(folder);
    struct stat info {};
    ASSERT_EQ(::stat(files.key.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const std::string certificate = readFile(files.certificate);
    EXPECT_TRUE(certificate.starts_with("-----BEGIN CERTIFICATE-----"));
    tls::ensureSelfSignedCertificate(folder);
    EXPECT_EQ(readFile(files.certificate), certificate);
    EXPECT_NO_THROW(tls::TlsContext(files.certificate, files.key));

    // A key that is not the certificate's is refused with the file named.
    const auto other = certificateFolder();
    tls::ensureSelfSignedCertificate(other);
    try {
        tls::TlsContext mismatched(files.certificate, other / "tls-key.pem");
        FAIL() << "a foreign key was accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find((other / "tls-key.pem").string()), std::string::npos) << e.what();
    }
}

TEST_F(SelfSignedCertificate, IsAServersCertificateThatCanSignNothing)
{
    tls::ensureSelfSignedCertificate(certificateFolder());
    const std::string pem = readFile(certificateFolder() / "tls-certificate.pem");
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    X509* certificate = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    ASSERT_NE(certificate, nullptr);
    EXPECT_EQ(X509_check_ca(certificate), 0);
    const std::uint32_t usage = X509_get_key_usage(certificate);
    EXPECT_EQ(usage, static_cast<std::uint32_t>(KU_DIGITAL_SIGNATURE | KU_KEY_ENCIPHERMENT));
    EXPECT_EQ(X509_get_extended_key_usage(certificate), static_cast<std::uint32_t>(XKU_SSL_SERVER));
    EXPECT_EQ(X509_check_host(certificate, "localhost", 0, 0, nullptr), 1);
    EXPECT_EQ(X509_check_ip_asc(certificate, "127.0.0.1", 0), 1);
    EXPECT_NE(X509_check_host(certificate, "example.org", 0, 0, nullptr), 1);
    X509_free(certificate);
}

TEST_F(SelfSignedCertificate, LinksPlantedAtItsNamesAreReplacedNotFollowed)
{
    const fs::path folder = certificateFolder() / "planted";
    fs::create_directories(folder);
    const fs::path victim = certificateFolder() / "victim";
    // The names an earlier version wrote through, and the final names.
    fs::create_symlink(victim, folder / "tls-key.pem.new");
    fs::create_symlink(victim, folder / "tls-key.pem");
    fs::create_symlink(victim, folder / "tls-certificate.pem.new");

    const auto files = tls::ensureSelfSignedCertificate(folder);
    EXPECT_FALSE(fs::exists(victim));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(files.key)));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(files.certificate)));
    struct stat info {};
    ASSERT_EQ(::lstat(files.key.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_NO_THROW(tls::TlsContext(files.certificate, files.key));
}

}  // namespace
