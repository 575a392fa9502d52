#pragma once
// One line per event on standard error, prefixed with the program name. Lines from different
// connections never interleave; control characters in a text are escaped (\x0A), and a line
// longer than maxLine bytes is cut, so no client text can forge or flood lines.
#include <cstddef>
#include <mutex>
#include <string_view>

namespace taskstore::server {

class EventLog {
public:
    virtual ~EventLog() = default;
    virtual void line(std::string_view text);

    static constexpr std::size_t maxLine = 1000;

private:
    std::mutex mutex_;
};

}  // namespace taskstore::server
