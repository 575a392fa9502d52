#include "taskstore/store/TableCatalog.h"

#include "common/AsciiCase.h"
#include "taskstore/store/SqliteHandle.h"
#include "taskstore/store/TextCollation.h"

#include <algorithm>

namespace taskstore::store {
namespace {

constexpr std::string_view identityDeclaration = "INTEGER";

}  // namespace

bool sameName(std::string_view a, std::string_view b) { return common::equalIgnoringAsciiCase(a, b); }

const CatalogColumn* CatalogTable::find(std::string_view column) const
{
    const auto found =
        std::find_if(columns.begin(), columns.end(), [&](const CatalogColumn& c) { return sameName(c.name, column); });
    return found == columns.end() ? nullptr : &*found;
}

std::optional<CatalogTable> readTable(sqlite3* db, std::string_view schema, std::string_view table)
{
    const std::string quotedSchema = quoteIdentifier(schema);
    auto lookup = prepare(
        db, "SELECT name FROM " + quotedSchema + ".sqlite_schema WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
    sqlite3_bind_text(lookup.get(), 1, table.data(), static_cast<int>(table.size()), SQLITE_STATIC);
    if (sqlite3_step(lookup.get()) != SQLITE_ROW)
        return std::nullopt;
    CatalogTable result;
    result.name = reinterpret_cast<const char*>(sqlite3_column_text(lookup.get(), 0));

    auto info = prepare(db, "PRAGMA " + quotedSchema + ".table_info(" + quoteIdentifier(result.name) + ")");
    while (sqlite3_step(info.get()) == SQLITE_ROW) {
        CatalogColumn column;
        column.name = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 1));
        const auto* declared = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 2));
        // Only identity columns are declared as "INTEGER" (SQLite's rowid alias); others say "int".
        column.identity = declared && std::string_view(declared) == identityDeclaration;
        const auto type = ColumnType::parse(declared ? declared : "");
        if (!type)
            throw StoreError("column " + column.name + " of " + result.name + " has no T-SQL type");
        column.type = *type;
        column.nullable = sqlite3_column_int(info.get(), 3) == 0 && !column.identity;
        column.primaryKey = sqlite3_column_int(info.get(), 5) != 0;
        result.columns.push_back(std::move(column));
    }
    return result;
}

std::string createTableSql(std::string_view schema, const CatalogTable& table)
{
    std::string sql = "CREATE TABLE " + quoteIdentifier(schema) + "." + quoteIdentifier(table.name) + " (";
    std::string keys;
    for (const CatalogColumn& column : table.columns) {
        if (&column != &table.columns.front())
            sql += ", ";
        if (column.identity) {
            sql += quoteIdentifier(column.name) + " " + std::string(identityDeclaration) + " PRIMARY KEY AUTOINCREMENT";
            continue;
        }
        // SQLite's type names take numbers in parentheses only, so "(max)" goes in quotes.
        const std::string spelling = column.type.spelling();
        sql += quoteIdentifier(column.name) + " "
            + (column.type.length == ColumnType::maxLength ? quoteIdentifier(spelling) : spelling);
        if (column.type.isText())
            sql += std::string(" COLLATE ") + textCollationName;
        if (!column.nullable)
            sql += " NOT NULL";
        if (column.primaryKey)
            keys += (keys.empty() ? "" : ", ") + quoteIdentifier(column.name);
    }
    if (!keys.empty())
        sql += ", PRIMARY KEY (" + keys + ")";
    return sql + ")";
}

}  // namespace taskstore::store
