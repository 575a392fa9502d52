#include "taskstore/server/EventLog.h"

#include <cstdio>
#include <string>

namespace taskstore::server {

void EventLog::line(std::string_view text)
{
    const std::string whole = "taskstore: " + std::string(text) + "\n";
    const std::lock_guard lock(mutex_);
    std::fwrite(whole.data(), 1, whole.size(), stderr);
    std::fflush(stderr);
}

}  // namespace taskstore::server
