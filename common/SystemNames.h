#pragma once
// The names both sides of the wire must spell alike: the login the tool logs on as, the database
// every log-on lands in, and the Q6 system database that holds the task tables.
#include <string_view>

namespace common {

// SQL Server compares login names without regard to case; the tool sends it in capitals.
inline constexpr std::string_view adminLogin = "SA";
inline constexpr std::string_view loginDatabase = "master";
inline constexpr std::string_view systemDatabase = "VOZUZODI";

}  // namespace common
