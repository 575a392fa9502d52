#pragma once
// The tables a statement names, subqueries and an IF's branch included: SQL Server compiles a
// statement only when all of them exist and defers the others to when they run.
#include "taskstore/sql/parse/Ast.h"

#include <vector>

namespace taskstore::sql {

std::vector<const ObjectName*> tablesNamedBy(const Statement& statement);

}  // namespace taskstore::sql
