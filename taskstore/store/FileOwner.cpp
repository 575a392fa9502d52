#include "taskstore/store/FileOwner.h"

#include <pwd.h>

#include <vector>

namespace taskstore::store {

std::string describeUser(uid_t uid)
{
    const std::string number = "uid " + std::to_string(uid);
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return number;
    return "user " + std::string(found->pw_name) + " (" + number + ")";
}

}  // namespace taskstore::store
