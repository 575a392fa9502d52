#pragma once
// T-SQL's built-in functions that the engine knows, one row each: the parser reads a row's name
// and argument form, the translator its argument count and its rule of translation.
#include <cstddef>
#include <span>
#include <string_view>

namespace taskstore::sql {

// Which of the translator's rules turns a call into SQLite SQL; one per function.
enum class FunctionTranslation {
    Count,
    DatabaseName,
    ServerProperty,
    CurrentDateTime,
    IsNull,
    Substring,
    Left,
    Right,
    CharIndex,
    DataLength,
    Length,
    Upper,
    Lower,
    TrimLeft,
    TrimRight,
};

struct BuiltinFunction {
    std::string_view name;  // upper case, as messages name it
    FunctionTranslation translation;
    std::size_t minArguments;
    std::size_t maxArguments;
    // COUNT(*): a * in place of the arguments, which the parser takes only as the whole list;
    // such a function is also parsed with exactly one argument otherwise.
    bool star = false;

    bool takes(std::size_t arguments) const { return arguments >= minArguments && arguments <= maxArguments; }
};

std::span<const BuiltinFunction> builtinFunctions();
// The row of an upper-case name, or null for a name T-SQL would call unknown (195).
const BuiltinFunction* findBuiltinFunction(std::string_view upperCaseName);

}  // namespace taskstore::sql
