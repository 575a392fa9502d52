#pragma once
// Reads the current result of a statement, front to back, into a RowTable. Internal to the db
// library.
#include <memory>

#include "db/OdbcStatement.h"
#include "db/RowTable.h"

namespace db {

// Column names as the server gives them; datetime cells as "yyyy-mm-dd hh:mm:ss.fff", every other
// value as the driver's text. Fetches blocks of rows into bound buffers, and falls back to reading
// row by row when a column is too long to bind. Leaves no buffer bound, on the error path too.
std::shared_ptr<RowTable> readResult(OdbcStatement& statement);

// Whether the statement's current result has columns (rows to read) rather than a row count.
bool resultHasColumns(OdbcStatement& statement);

}  // namespace db
