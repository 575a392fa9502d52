#pragma once
// The @@ variables the engine answers, and how T-SQL writes them: one table for parser and
// translator.
#include <array>
#include <optional>
#include <string_view>

namespace taskstore::sql {

enum class GlobalVariable { TranCount, RowCount, Version, Spid, LockTimeout };

struct GlobalVariableName {
    GlobalVariable variable;
    std::string_view name;  // upper case, with its @@
};

inline constexpr std::array<GlobalVariableName, 5> globalVariableNames{{
    {GlobalVariable::TranCount, "@@TRANCOUNT"},
    {GlobalVariable::RowCount, "@@ROWCOUNT"},
    {GlobalVariable::Version, "@@VERSION"},
    {GlobalVariable::Spid, "@@SPID"},
    {GlobalVariable::LockTimeout, "@@LOCK_TIMEOUT"},
}};

// The variable an upper-case name stands for, if the engine knows it.
constexpr std::optional<GlobalVariable> globalVariableNamed(std::string_view upperCaseName)
{
    for (const GlobalVariableName& entry : globalVariableNames)
        if (entry.name == upperCaseName)
            return entry.variable;
    return std::nullopt;
}

constexpr std::string_view nameOf(GlobalVariable variable)
{
    for (const GlobalVariableName& entry : globalVariableNames)
        if (entry.variable == variable)
            return entry.name;
    return {};
}

}  // namespace taskstore::sql
