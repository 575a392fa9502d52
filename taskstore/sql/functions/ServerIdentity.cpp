#include "taskstore/sql/functions/ServerIdentity.h"

#include "common/AsciiCase.h"
#include "taskstore/engine/Engine.h"

#include <sqlite3.h>

namespace taskstore::sql {
namespace {

std::string productVersion()
{
    return std::to_string(productMajorVersion) + "." + std::to_string(productMinorVersion) + "."
        + std::to_string(productBuild) + ".0";
}

constexpr std::string_view productLevel = "RTM";
constexpr std::string_view edition = "Express Edition (64-bit)";

}  // namespace

// SQL Server's form, which clients read from the start ("Microsoft SQL Server 2019 (RTM) -
// 15.0.2000.0 (X64)"); the lines after it say what answers.
std::string versionText()
{
    return "Microsoft SQL Server " + std::string(productReleaseName) + " (" + std::string(productLevel) + ") - "
        + productVersion() + " (X64) \n\ttaskstore, a SQL Server stand-in running a T-SQL subset on SQLite "
        + sqlite3_libversion() + "\n\t" + std::string(edition) + " on Linux <X64>";
}

std::optional<std::string> serverProperty(std::string_view name)
{
    const std::pair<std::string_view, std::string> properties[] = {
        {"ProductVersion", productVersion()},
        {"ProductLevel", std::string(productLevel)},
        {"Edition", std::string(edition)},
        {"Collation", std::string(serverCollationName)},
    };
    for (const auto& [property, value] : properties)
        if (common::equalIgnoringAsciiCase(name, property))
            return value;
    return std::nullopt;
}

}  // namespace taskstore::sql
