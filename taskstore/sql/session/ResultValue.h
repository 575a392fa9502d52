#pragma once
// A column of a SQLite result row as the value a ResultSink takes, read as its T-SQL type.
#include "taskstore/engine/Engine.h"
#include "taskstore/store/ColumnType.h"

#include <sqlite3.h>

namespace taskstore::sql {

// Text in the view points into SQLite's buffers: valid until the statement steps again. Throws
// SqlError 241 or 242 for a datetime column holding text that is no datetime.
ValueView readResultValue(sqlite3_stmt* statement, int index, store::ColumnType type);

}  // namespace taskstore::sql
