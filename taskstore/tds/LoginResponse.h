#pragma once
// The replies to LOGIN7: the success sequence clients expect, and the failure that precedes
// closing the connection.
#include <cstdint>
#include <string>
#include <string_view>

#include "taskstore/tds/ByteWriter.h"
#include "taskstore/tds/TdsVersion.h"

namespace taskstore::tds {

// The packet size to use after login: the request (0 means 4096) clamped to what we allow.
std::uint32_t negotiatePacketSize(std::uint32_t requested);

struct LoginSuccess {
    std::string database;
    TdsVersion tdsVersion = tds74;
    std::uint32_t packetSize = 4096;
    std::string serverName;
};

// ENVCHANGE database, INFO 5701, ENVCHANGE collation, ENVCHANGE language, INFO 5703, LOGINACK,
// ENVCHANGE packet size, DONE.
void writeLoginSuccess(ByteWriter& out, const LoginSuccess& login);

// ERROR 4060 when missingDatabase is not empty, ERROR 18456, DONE with the error bit.
void writeLoginFailure(ByteWriter& out, std::string_view user, std::string_view missingDatabase,
                       std::string_view serverName, TdsVersion version);

// A log-on whose password was right but that cannot be served (17809: the sessions are all taken):
// the error and DONE with the error bit.
void writeLoginRefused(ByteWriter& out, int maxSessions, std::string_view serverName, TdsVersion version);

}  // namespace taskstore::tds
