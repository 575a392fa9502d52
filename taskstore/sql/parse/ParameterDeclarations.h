#pragma once
// The parameter list of sp_executesql, sp_prepare and sp_prepexec: "@P1 int,@P2 nvarchar(50)
// OUTPUT", as the clients write it (any case, blanks around commas, "(max)", "(10, 3)").
#include "taskstore/engine/Engine.h"

#include <string_view>
#include <vector>

namespace taskstore::sql {

// Throws SqlError 102 (syntax) on a malformed list.
std::vector<ParameterDeclaration> parseParameterDeclarations(std::string_view text);

}  // namespace taskstore::sql
