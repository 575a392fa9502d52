#include "taskstore/sql/TableDefinition.h"

#include "taskstore/sql/SqlErrors.h"

#include <algorithm>

namespace taskstore::sql {

using store::ColumnType;
using store::TypeKind;

store::CatalogTable catalogTableOf(const CreateTableStatement& statement)
{
    store::CatalogTable table{statement.name.table, {}};
    for (std::size_t i = 0; i < statement.columns.size(); ++i) {
        const ColumnDefinition& definition = statement.columns[i];
        const auto type = ColumnType::fromName(definition.type.name, definition.type.length);
        if (!type)
            throw makeError(2715, 16, "Column, parameter, or variable #" + std::to_string(i + 1)
                                          + ": Cannot find data type " + definition.type.name + ".");
        if (table.find(definition.name))
            throw makeError(2705, 16, "Column names in each table must be unique. Column name '" + definition.name
                                          + "' in table '" + table.name + "' is specified more than once.");
        if (definition.identity && type->kind != TypeKind::Int)
            throw makeError(2749, 16, "Identity column '" + definition.name + "' must be of data type int.");
        table.columns.push_back({definition.name, *type, definition.nullable, definition.primaryKey, definition.identity});
    }
    for (const std::string& key : statement.primaryKey) {
        auto found = std::find_if(table.columns.begin(), table.columns.end(),
                                  [&](const store::CatalogColumn& c) { return store::sameName(c.name, key); });
        if (found == table.columns.end())
            throw makeError(1911, 16, "Column name '" + key + "' does not exist in the target table or view.");
        found->primaryKey = true;
        found->nullable = false;
    }
    const auto identities = std::count_if(table.columns.begin(), table.columns.end(),
                                          [](const store::CatalogColumn& c) { return c.identity; });
    const auto keys = std::count_if(table.columns.begin(), table.columns.end(),
                                    [](const store::CatalogColumn& c) { return c.primaryKey && !c.identity; });
    if (identities > 1)
        throw makeError(2744, 16, "Multiple identity columns specified for table '" + table.name
                                      + "'. Only one identity column per table is allowed.");
    if (identities == 1 && keys > 0)
        throw makeError(50000, 16, "An identity column must be the only primary key column of its table.");
    return table;
}

}  // namespace taskstore::sql
