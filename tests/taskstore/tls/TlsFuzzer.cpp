// libFuzzer entry: a client's bytes through the server's TLS session, as PRELOGIN messages would
// hand them over. The first byte picks login-only or full protection; then come handshake flights,
// each after a two-byte length, while the session is handshaking; the rest goes in as socket
// bytes. Only a handshake failure, ProtocolError or a refused record may come out.
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

#include "support/TemporaryFolder.h"
#include "taskstore/tds/ProtocolError.h"
#include "taskstore/tls/SelfSignedCertificate.h"
#include "taskstore/tls/TlsContext.h"
#include "taskstore/tls/TlsSession.h"

using namespace taskstore;

namespace {

const tls::TlsContext& context()
{
    static const testsupport::TemporaryFolder folder{"taskstore-tls-fuzz"};
    static const auto files = tls::ensureSelfSignedCertificate(folder.path());
    static const tls::TlsContext made(files.certificate, files.key);
    return made;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::span<const std::uint8_t> bytes(data, size);
    if (bytes.empty())
        return 0;
    tls::TlsSession session(context());
    session.expectHandshake(bytes[0] & 1 ? tds::Protection::Full : tds::Protection::LoginOnly);
    bytes = bytes.subspan(1);
    while (session.handshaking() && bytes.size() >= 2) {
        const std::size_t length =
            std::min<std::size_t>(static_cast<std::size_t>(bytes[0] << 8 | bytes[1]), bytes.size() - 2);
        const auto flight = session.handshake(bytes.subspan(2, length));
        bytes = bytes.subspan(2 + length);
        if (flight.failure)
            return 0;
    }
    try {
        std::vector<std::uint8_t> plain;
        session.incoming(bytes, plain);
        std::vector<std::uint8_t> reply(plain.begin(), plain.end());
        if (session.sealsReplies())
            session.outgoing(reply);
    } catch (const tds::ProtocolError&) {}
    return 0;
}
