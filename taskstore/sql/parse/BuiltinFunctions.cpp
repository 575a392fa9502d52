#include "taskstore/sql/parse/BuiltinFunctions.h"

#include <algorithm>
#include <array>

namespace taskstore::sql {
namespace {

using enum FunctionTranslation;

// CHARINDEX takes an optional start; COUNT(*) counts rows.
constexpr std::array<BuiltinFunction, 15> functions{{
    {"GETDATE", CurrentDateTime, 0, 0},
    {"ISNULL", IsNull, 2, 2},
    {"LEN", Length, 1, 1},
    {"UPPER", Upper, 1, 1},
    {"LOWER", Lower, 1, 1},
    {"LTRIM", TrimLeft, 1, 1},
    {"RTRIM", TrimRight, 1, 1},
    {"COUNT", Count, 1, 1, true},
    {"DB_NAME", DatabaseName, 0, 0},
    {"SERVERPROPERTY", ServerProperty, 1, 1},
    {"SUBSTRING", Substring, 3, 3},
    {"LEFT", Left, 2, 2},
    {"RIGHT", Right, 2, 2},
    {"CHARINDEX", CharIndex, 2, 3},
    {"DATALENGTH", DataLength, 1, 1},
}};

}  // namespace

std::span<const BuiltinFunction> builtinFunctions() { return functions; }

const BuiltinFunction* findBuiltinFunction(std::string_view upperCaseName)
{
    const auto found = std::find_if(functions.begin(), functions.end(),
                                    [&](const BuiltinFunction& function) { return function.name == upperCaseName; });
    return found == functions.end() ? nullptr : &*found;
}

}  // namespace taskstore::sql
