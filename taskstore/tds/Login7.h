#pragma once
// LOGIN7 decoding. Strings are found through their offsets, in whatever order the client laid
// them out; every offset and length is checked against the declared and the received size.
#include <cstdint>
#include <span>
#include <string>

namespace taskstore::tds {

struct Login7 {
    std::uint32_t tdsVersion = 0;  // as the client sends it, e.g. 0x74000004
    std::uint32_t packetSize = 0;
    std::uint8_t optionFlags1 = 0;
    std::uint8_t optionFlags2 = 0;
    std::string hostName;
    std::string userName;
    std::string password;
    std::string appName;
    std::string serverName;
    std::string clientLibrary;
    std::string language;
    std::string database;
    // Windows authentication (SSPI data, the integrated-security flag or no user name): refused.
    bool integratedAuth = false;
};

// Throws ProtocolError on a short record, an offset outside it or invalid UTF-16.
Login7 decodeLogin7(std::span<const std::uint8_t> payload);

// Reverses the password obfuscation in place (swap nibbles after XOR 0xA5).
void deobfuscatePassword(std::span<std::uint8_t> bytes);

}  // namespace taskstore::tds
