#pragma once
// Copies of a password are overwritten once they have served (the tool's once the driver has them,
// taskstore's once the log-on was checked), so they do not linger in freed memory (a crash dump, a
// swapped page). Writes through a volatile pointer survive the optimiser, which may drop a plain
// memset on memory about to be freed.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace common {

// Zeroes the bytes.
inline void wipe(std::span<std::uint8_t> bytes) noexcept
{
    volatile std::uint8_t* p = bytes.data();
    for (std::size_t i = 0; i < bytes.size(); ++i)
        p[i] = 0;
}

// Zeroes the whole buffer, capacity included, and leaves it empty.
inline void wipe(std::vector<std::uint8_t>& bytes) noexcept
{
    bytes.resize(bytes.capacity());  // within capacity: no new buffer
    wipe(std::span<std::uint8_t>(bytes));
    bytes.clear();
}

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

// Wipes the text or bytes when the scope ends, also when it ends by an exception.
template <typename Secret>
class WipeOnExit {
public:
    explicit WipeOnExit(Secret& secret) : secret_(secret) {}
    ~WipeOnExit() { wipe(secret_); }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

private:
    Secret& secret_;
};

}  // namespace common
