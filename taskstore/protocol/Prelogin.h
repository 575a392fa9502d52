#pragma once
// PRELOGIN: the client's option table is checked, and the answer is always the same: this server
// does not encrypt, the instance matches and MARS is off.
#include <cstdint>
#include <span>
#include <vector>

namespace taskstore::tds {

struct PreloginRequest {
    bool encryptionRequired = false;  // the client sent ENCRYPT_REQ
    bool marsRequested = false;
};

// Throws ProtocolError when the option table or an option's data lies outside the payload.
PreloginRequest parsePrelogin(std::span<const std::uint8_t> payload);

// The reply payload (43 bytes with the header added by the message writer).
std::vector<std::uint8_t> preloginReply();

}  // namespace taskstore::tds
