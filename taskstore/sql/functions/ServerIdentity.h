#pragma once
// What the server says about itself: @@VERSION and SERVERPROPERTY.
#include <optional>
#include <string>
#include <string_view>

namespace taskstore::sql {

std::string versionText();
// The property's value, or nullopt for a name SQL Server would answer with NULL.
std::optional<std::string> serverProperty(std::string_view name);

}  // namespace taskstore::sql
