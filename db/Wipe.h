#pragma once
// Copies of a password that the log-on makes are overwritten once the driver has them, so they do
// not linger in freed memory (a crash dump, a swapped page). Writes through a volatile pointer
// survive the optimiser, which may drop a plain memset on memory about to be freed.
#include <string>

namespace db {

// Zeroes the whole buffer, capacity included, and leaves the text empty.
template <typename Char>
void wipe(std::basic_string<Char>& text) noexcept
{
    text.resize(text.capacity());  // within capacity: no new buffer
    volatile Char* p = text.data();
    for (std::size_t i = 0; i < text.size(); ++i)
        p[i] = Char();
    text.clear();
}

// Wipes the text when the scope ends, also when it ends by an exception.
template <typename Char>
class WipeOnExit {
public:
    explicit WipeOnExit(std::basic_string<Char>& text) : text_(text) {}
    ~WipeOnExit() { wipe(text_); }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

private:
    std::basic_string<Char>& text_;
};

}  // namespace db
