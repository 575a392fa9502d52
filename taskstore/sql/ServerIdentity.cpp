#include "taskstore/sql/ServerIdentity.h"

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

}  // namespace

std::string versionText()
{
    return "taskstore " + productVersion() + " - a SQL Server stand-in running a T-SQL subset on SQLite "
        + sqlite3_libversion();
}

std::optional<std::string> serverProperty(std::string_view name)
{
    const std::pair<std::string_view, std::string> properties[] = {
        {"ProductVersion", productVersion()},
        {"ProductLevel", "RTM"},
        {"Edition", "Express Edition (64-bit)"},
        {"Collation", std::string(serverCollationName)},
    };
    for (const auto& [property, value] : properties)
        if (text::equalIgnoringAsciiCase(name, property))
            return value;
    return std::nullopt;
}

}  // namespace taskstore::sql
