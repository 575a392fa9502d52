#pragma once
// What one client's session is at any moment, in one place: the database it is in, its number,
// what its last statement counted, its SET options and how deep its transaction is. The session
// owns it; its connection, transaction and statement runner read and change it.
#include "taskstore/sql/session/SessionOptions.h"

#include <cstdint>
#include <string>

namespace taskstore::sql {

struct SessionState {
    std::string database;                     // DB_NAME(), changed by USE
    std::uint16_t spid = 0;                   // @@SPID
    std::int64_t rowCount = 0;                // @@ROWCOUNT: the rows of the last statement that counts
    SessionOptions options;                   // SET
    int tranCount = 0;                        // @@TRANCOUNT
    std::uint64_t transactionDescriptor = 0;  // the open transaction's, as the client knows it; 0 when none
};

}  // namespace taskstore::sql
