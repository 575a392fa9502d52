#pragma once
// The certificate taskstore uses when it is given none, as SQL Server makes one for itself: made
// once, kept in the data folder readable by the owner only, valid for localhost and 127.0.0.1.
#include <filesystem>

namespace taskstore::tls {

struct CertificateFiles {
    std::filesystem::path certificate;
    std::filesystem::path key;
};

// The files in folder; made when either is missing. Throws std::runtime_error.
CertificateFiles ensureSelfSignedCertificate(const std::filesystem::path& folder);

}  // namespace taskstore::tls
