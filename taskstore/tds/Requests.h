#pragma once
// The client requests after login: SQL batches and transaction manager requests, both behind an
// ALL_HEADERS block from TDS 7.2 on.
#include <cstdint>
#include <span>
#include <string>

#include "taskstore/tds/TdsVersion.h"

namespace taskstore::tds {

// Validates the ALL_HEADERS block at the start of a request and returns the offset behind it;
// 0 below TDS 7.2, whose requests have none.
std::size_t skipAllHeaders(std::span<const std::uint8_t> payload, TdsVersion version = tds74);

// The batch text (UTF-8) of a SQL batch request.
std::string decodeSqlBatch(std::span<const std::uint8_t> payload, TdsVersion version = tds74);

struct TransactionRequest {
    enum class Kind : std::uint8_t { Begin, Commit, Rollback, Save };
    Kind kind = Kind::Begin;
    // Commit and rollback: start a new transaction right after (fBeginXact).
    bool beginNew = false;
};

// Throws ProtocolError on a malformed request or a request type this server does not offer.
TransactionRequest decodeTransactionRequest(std::span<const std::uint8_t> payload, TdsVersion version = tds74);

}  // namespace taskstore::tds
