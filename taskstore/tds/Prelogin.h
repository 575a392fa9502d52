#pragma once
// PRELOGIN: the client's option table is checked and its ENCRYPTION wish answered by SQL Server's
// rules; the instance always matches and MARS is off.
#include <cstdint>
#include <span>
#include <vector>

namespace taskstore::tds {

// The ENCRYPTION option's values, from either side.
enum class Encrypt : std::uint8_t { Off = 0, On = 1, NotSupported = 2, Required = 3 };

struct PreloginRequest {
    Encrypt encryption = Encrypt::NotSupported;  // what the client sent; absent means it cannot encrypt
    bool marsRequested = false;
};

// What the connection does after PRELOGIN: stay clear, encrypt only the LOGIN7, or encrypt all.
enum class Protection : std::uint8_t { None, LoginOnly, Full };

struct EncryptionAgreement {
    Encrypt answer = Encrypt::NotSupported;
    Protection protection = Protection::None;
};

// SQL Server's answer to the client's option, for a server with a certificate (canEncrypt) that
// may force encryption. A forcing server answers REQ to a client that cannot encrypt: such a
// client gives up, or starts TLS anyway as FreeTDS does.
EncryptionAgreement agreeEncryption(Encrypt client, bool canEncrypt, bool forced);

// Throws ProtocolError when the option table or an option's data lies outside the payload.
PreloginRequest parsePrelogin(std::span<const std::uint8_t> payload);

// The reply payload (43 bytes with the header added by the message writer).
std::vector<std::uint8_t> preloginReply(Encrypt answer = Encrypt::NotSupported);

}  // namespace taskstore::tds
