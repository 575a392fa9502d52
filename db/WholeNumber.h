#pragma once
// Reading a number that a connection string or server name writes in decimal (a port, seconds).
#include <charconv>
#include <optional>
#include <string_view>

namespace db {

// The int the whole text spells, or none when the text is empty, holds anything else or the
// number does not fit.
inline std::optional<int> readWholeNumber(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

}  // namespace db
