#pragma once
// Tables as T-SQL sees them: columns with their T-SQL types, read from the SQLite schema, and
// the DDL that writes such a table.
#include "taskstore/store/ColumnType.h"

#include <sqlite3.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace taskstore::store {

struct CatalogColumn {
    std::string name;
    ColumnType type;
    bool nullable = true;
    bool primaryKey = false;
    bool identity = false;  // int IDENTITY(1,1): numbered by the store, never reused
};

struct CatalogTable {
    std::string name;
    std::vector<CatalogColumn> columns;

    // Case-insensitive lookup, as under SQL Server's usual collation.
    const CatalogColumn* find(std::string_view column) const;
};

// ASCII case-insensitive equality of names.
bool sameName(std::string_view a, std::string_view b);

// The table named so (case-insensitively) in the attached database `schema`, or nullopt.
std::optional<CatalogTable> readTable(sqlite3* db, std::string_view schema, std::string_view table);
// CREATE TABLE text for the table in `schema`; text columns get the text collation. An identity
// column must be the table's only key column.
std::string createTableSql(std::string_view schema, const CatalogTable& table);

}  // namespace taskstore::store
