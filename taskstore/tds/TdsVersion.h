#pragma once
// The TDS version a connection speaks once logged in: the client's own from 7.1 to 7.4. Requests
// are read and replies written in its form; TDS 7.2 brought most of the differences.
#include <cstdint>

namespace taskstore::tds {

struct TdsVersion {
    std::uint32_t value = 0x74000004;  // as LOGIN7 and LOGINACK carry it

    // ALL_HEADERS in requests, 8-byte row counts, 4-byte line numbers and user types, transaction
    // descriptors and the (max) types.
    bool atLeast72() const { return value >= 0x72000000; }
    // date, time, datetime2 and datetimeoffset.
    bool atLeast73() const { return value >= 0x73000000; }
    bool operator==(const TdsVersion&) const = default;
};

inline constexpr TdsVersion tds71{0x71000001};
inline constexpr TdsVersion tds72{0x72090002};
inline constexpr TdsVersion tds74{0x74000004};

// The version to speak with a client that sent clientVersion in LOGIN7: its own from 7.1 to 7.4,
// 7.4 for anything newer, 7.1 for anything older.
TdsVersion negotiateTdsVersion(std::uint32_t clientVersion);

}  // namespace taskstore::tds
