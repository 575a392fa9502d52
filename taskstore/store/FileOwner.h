#pragma once
// Users as messages about files name them.
#include <sys/types.h>

#include <string>

namespace taskstore::store {

// "user alice (uid 1000)", or "uid 1000" for a number the system has no name for.
std::string describeUser(uid_t uid);

}  // namespace taskstore::store
