#pragma once
// The databases every taskstore holds from its first start. Logins land in master; the task
// tables live in VOZUZODI, the name the tool switches to.
#include <string_view>

namespace taskstore::DatabaseName {

inline constexpr std::string_view master = "master";
inline constexpr std::string_view tasks = "VOZUZODI";

}  // namespace taskstore::DatabaseName
