#pragma once
// One line per event on standard error, prefixed with the program name. Lines from different
// connections never interleave, and control characters in a text are shown as spaces.
#include <mutex>
#include <string_view>

namespace taskstore::server {

class EventLog {
public:
    virtual ~EventLog() = default;
    virtual void line(std::string_view text);

private:
    std::mutex mutex_;
};

}  // namespace taskstore::server
