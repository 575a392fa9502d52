#pragma once
// The engine's errors: the catalogue's makeError, and helpers for the errors raised from several places.
#include "taskstore/engine/ErrorMessage.h"

#include <optional>
#include <span>
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

// 515 for a NULL written into `column` of `database`.dbo.`table` by an INSERT or an UPDATE.
SqlError nullNotAllowed(std::string_view column, std::string_view database, std::string_view table,
                        std::string_view statement);
// 2627 for a duplicate of the primary key of `table`, quoting the key's values.
SqlError duplicateKey(std::string_view table, std::span<const std::string> keyValues);
// The name SQL Server gives a primary key declared without one: PK__table__ and 16 hexadecimal
// digits, which SQL Server draws from its object ids and taskstore from the table's name.
std::string primaryKeyName(std::string_view table);

// Conversion failures abort the batch and roll back the open transaction.
bool abortsBatch(const SqlError& error);
// A table missing when its statement runs (208, deferred name resolution) ends the batch and leaves
// the transaction open.
bool endsBatch(const SqlError& error);
// A name that does not bind (207, 4104) in a statement whose tables exist: SQL Server finds it when
// it compiles the batch, and runs none of it.
bool failsBinding(const SqlError& error);
// 3621 "The statement has been terminated.", which SQL Server sends after the errors that end an
// INSERT or UPDATE (2627, 515, 8152); none after others.
std::optional<SqlError> terminationNotice(const SqlError& error);

}  // namespace taskstore::sql
