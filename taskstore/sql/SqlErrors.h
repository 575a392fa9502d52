#pragma once
// The engine's errors: the catalogue's makeError, and helpers for the errors raised from several places.
#include "taskstore/engine/ErrorMessage.h"

#include <string>
#include <string_view>

namespace taskstore::sql {

// 102 "Incorrect syntax near '…'." or, for a reserved word, 156 "… near the keyword '…'."
SqlError syntaxErrorNear(const std::string& tokenText, int line, bool keyword = false);
SqlError invalidObject(std::string_view name);    // 208
SqlError invalidColumn(std::string_view name);    // 207
SqlError missingDatabase(std::string_view name);  // 911
SqlError lockTimeout();                           // 1222
// 9002: the database's log could not grow; `reason` as SQL Server's log_reuse_wait_desc names it.
SqlError logFull(std::string_view database, std::string_view reason);
// 1105 for tempdb: a statement's temporary storage (sorts, intermediate results) found no room.
SqlError tempSpaceFull();
// 242, state 3 as SQL Server sends it: a date that does not exist or lies outside datetime's range.
SqlError dateTimeOutOfRange(std::string_view sourceTypeName);
SqlError nestedTooDeeply();  // 191

// Conversion failures abort the batch and roll back the open transaction.
bool abortsBatch(const SqlError& error);

}  // namespace taskstore::sql
