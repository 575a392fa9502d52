#pragma once
// The replies to LOGIN7: the success sequence clients expect, and the failure that precedes
// closing the connection.
#include <cstdint>
#include <string>
#include <string_view>

#include "taskstore/protocol/ByteWriter.h"

namespace taskstore::tds {

inline constexpr std::uint32_t tds74 = 0x74000004;

// The version to answer with: the client's if it is 7.2-7.4, else 7.4.
std::uint32_t negotiateTdsVersion(std::uint32_t clientVersion);
// The packet size to use after login: the request (0 means 4096) clamped to what we allow.
std::uint32_t negotiatePacketSize(std::uint32_t requested);

struct LoginSuccess {
    std::string database;
    std::uint32_t tdsVersion = tds74;
    std::uint32_t packetSize = 4096;
    std::string serverName;
};

// ENVCHANGE database, INFO 5701, ENVCHANGE collation, ENVCHANGE language, INFO 5703, LOGINACK,
// ENVCHANGE packet size, DONE.
void writeLoginSuccess(ByteWriter& out, const LoginSuccess& login);

// ERROR 4060 when missingDatabase is not empty, ERROR 18456, DONE with the error bit.
void writeLoginFailure(ByteWriter& out, std::string_view user, std::string_view missingDatabase,
                       std::string_view serverName);

}  // namespace taskstore::tds
