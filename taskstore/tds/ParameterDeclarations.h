#pragma once
// The parameter list of sp_executesql, sp_prepare and sp_prepexec: "@P1 int,@P2 nvarchar(50)
// OUTPUT", as the clients write it (any case, blanks around commas, "(max)", "(10, 3)").
#include <string>
#include <string_view>
#include <vector>

namespace taskstore::tds {

struct ParameterDeclaration {
    std::string name;  // with the @
    std::string type;  // as written, blanks trimmed: "decimal(10, 3)"
    bool output = false;
};

// Throws SqlError 102 (syntax) on a malformed list.
std::vector<ParameterDeclaration> parseParameterDeclarations(std::string_view text);

}  // namespace taskstore::tds
