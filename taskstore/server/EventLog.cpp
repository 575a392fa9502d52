#include "taskstore/server/EventLog.h"

#include <cstdio>
#include <string>

namespace taskstore::server {

void EventLog::line(std::string_view text)
{
    std::string whole = "taskstore: " + std::string(text);
    // Texts from clients (user names, statements quoted in errors) must not break the one-line form.
    for (char& c : whole)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    whole += '\n';
    const std::lock_guard lock(mutex_);
    std::fwrite(whole.data(), 1, whole.size(), stderr);
    std::fflush(stderr);
}

}  // namespace taskstore::server
