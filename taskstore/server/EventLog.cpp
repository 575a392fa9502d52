#include "taskstore/server/EventLog.h"

#include <cstdio>
#include <string>

#include "taskstore/server/LogText.h"

namespace taskstore::server {

void EventLog::line(std::string_view text)
{
    // Texts from clients (user names, statements quoted in errors) must not break the one-line form.
    const std::string whole = "taskstore: " + oneLine(text, maxLine) + '\n';
    const std::lock_guard lock(mutex_);
    std::fwrite(whole.data(), 1, whole.size(), stderr);
    std::fflush(stderr);
}

}  // namespace taskstore::server
