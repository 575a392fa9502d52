#pragma once
// The parameters of the running batch (sp_executesql and the like): their types as declared, and
// their values bound to each SQLite statement the batch prepares, always as values.
#include "taskstore/engine/Engine.h"
#include "taskstore/store/TableCatalog.h"

#include <sqlite3.h>

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace taskstore::sql {

class BoundParameters {
public:
    // Takes the batch's parameters, which must outlive clear(); their names, in order. Throws
    // SqlError 2715 for a type the engine does not know.
    std::vector<std::string> bind(std::span<const Parameter> parameters);
    void clear();

    // The type of the parameter at a position of the list.
    store::ColumnType type(std::size_t position) const { return types_.at(position); }
    // Binds the values to a statement whose translation names parameter n as ?n.
    void bindTo(sqlite3_stmt* statement) const;

private:
    std::span<const Parameter> values_;
    std::vector<store::ColumnType> types_;
};

}  // namespace taskstore::sql
