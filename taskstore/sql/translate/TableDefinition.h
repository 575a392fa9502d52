#pragma once
// The catalog's table for a CREATE TABLE statement, with SQL Server's checks of its columns.
#include "taskstore/sql/parse/Ast.h"
#include "taskstore/store/TableCatalog.h"

namespace taskstore::sql {

// Throws SqlError for an unknown type (2715), a repeated column (2705), a key naming no column
// (1911), or identity columns SQL Server or the store refuse (2749, 2744, 50000).
store::CatalogTable catalogTableOf(const CreateTableStatement& statement);

}  // namespace taskstore::sql
