#include "taskstore/sql/translate/TableDefinition.h"

#include "taskstore/sql/errors/SqlErrors.h"

#include <algorithm>

namespace taskstore::sql {

using store::ColumnType;
using store::SqlType;

store::CatalogTable catalogTableOf(const CreateTableStatement& statement)
{
    store::CatalogTable table{statement.name.table, {}};
    for (std::size_t i = 0; i < statement.columns.size(); ++i) {
        const ColumnDefinition& definition = statement.columns[i];
        const auto type = ColumnType::fromName(definition.type.name, definition.type.length);
        if (!type)
            throw makeError<ErrorId::UnknownDataType>(i + 1, definition.type.name);
        if (table.find(definition.name))
            throw makeError<ErrorId::DuplicateColumnName>(definition.name, table.name);
        if (definition.identity && type->kind != SqlType::Int)
            throw makeError<ErrorId::IdentityNotInt>(definition.name);
        table.columns.push_back(
            {definition.name, *type, definition.nullable, definition.primaryKey, definition.identity});
    }
    for (const std::string& key : statement.primaryKey) {
        auto found = std::find_if(table.columns.begin(), table.columns.end(),
                                  [&](const store::CatalogColumn& c) { return store::sameName(c.name, key); });
        if (found == table.columns.end())
            throw makeError<ErrorId::KeyColumnMissing>(key);
        found->primaryKey = true;
        found->nullable = false;
    }
    const auto identities = std::count_if(table.columns.begin(), table.columns.end(),
                                          [](const store::CatalogColumn& c) { return c.identity; });
    const auto keys = std::count_if(table.columns.begin(), table.columns.end(),
                                    [](const store::CatalogColumn& c) { return c.primaryKey && !c.identity; });
    if (identities > 1)
        throw makeError<ErrorId::SeveralIdentityColumns>(table.name);
    if (identities == 1 && keys > 0)
        throw makeError<ErrorId::IdentityNotSoleKey>();
    return table;
}

}  // namespace taskstore::sql
