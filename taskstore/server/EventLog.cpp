#include "taskstore/server/EventLog.h"

#include <cstdio>
#include <string>

#include "taskstore/server/LogText.h"

namespace taskstore::server {

void EventLog::line(std::string_view text)
{
    // Texts from clients (user names, statements quoted in errors) must not break the one-line form.
    std::string escaped;
    for (char c : clipped(text, maxLine)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            static constexpr char digits[] = "0123456789ABCDEF";
            escaped += {'\\', 'x', digits[byte >> 4], digits[byte & 0xF]};
        } else {
            escaped += c;
        }
    }
    std::string whole = "taskstore: " + escaped + '\n';
    const std::lock_guard lock(mutex_);
    std::fwrite(whole.data(), 1, whole.size(), stderr);
    std::fflush(stderr);
}

}  // namespace taskstore::server
