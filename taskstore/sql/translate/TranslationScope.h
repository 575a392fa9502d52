#pragma once
// What a translation keeps while it walks a statement: the tables in scope, the use of aggregates
// in a select list, the parts of a translated SELECT.
#include "taskstore/sql/translate/Translator.h"
#include "taskstore/sql/translate/TypedSql.h"

#include <string>
#include <vector>

namespace taskstore::sql {

struct Translator::ScopeTable {
    std::string alias;    // the alias in the generated SQL
    std::string exposed;  // the name a column qualifier must match
    ResolvedTable resolved;
};

struct Translator::Scope {
    const ScopeTable* table = nullptr;
    const Scope* outer = nullptr;
};

// COUNT in a select list makes the whole list one group: a column outside an aggregate would
// be silently taken from an arbitrary row, so it is an error as in SQL Server.
struct Translator::AggregateUse {
    bool allowed = true;  // false in WHERE
    bool used = false;
    int depth = 0;  // inside an aggregate's argument
    std::string bareColumn;
};

struct Translator::SelectParts {
    std::vector<Typed> items;
    std::vector<std::string> names;
    std::string from;  // " FROM ... WHERE ..."
    std::string orderBy;
    bool readsTable = false;
};

}  // namespace taskstore::sql
