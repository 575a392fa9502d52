#pragma once
// T-SQL text to statement trees. The whole batch is parsed before anything runs, so a syntax
// error anywhere stops the batch (as SQL Server compiles a batch first).
#include "taskstore/sql/parse/Ast.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace taskstore::sql {

// Throws SqlError: 102/156 syntax errors, 105/113 from the lexer, 195 unknown function or SET
// option, 137 variables, 191 nesting too deep, 701 too many tokens, 1060 a
// negative TOP.
// parameters: the @names the batch may use, matched regardless of case.
std::vector<Statement> parseBatch(std::string_view batch, std::span<const std::string> parameters = {});

}  // namespace taskstore::sql
