#include "taskstore/server/LogText.h"

#include "common/UtfCodec.h"

namespace taskstore::server {

std::string traceComment(std::string_view word)
{
    return "-- '" + std::string(word)
        + "' was found in the text of this event.\n"
          "-- The text has been replaced with this comment for security reasons.";
}

std::string clipped(std::string_view text, std::size_t limit)
{
    const std::string_view kept = common::utf8Prefix(text, limit);
    if (kept.size() == text.size())
        return std::string(text);
    return std::string(kept) + "...(" + std::to_string(text.size() - kept.size()) + " bytes more)";
}

std::string oneLine(std::string_view text, std::size_t limit)
{
    std::string escaped;
    for (char c : clipped(text, limit)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            static constexpr char digits[] = "0123456789ABCDEF";
            escaped += {'\\', 'x', digits[byte >> 4], digits[byte & 0xF]};
        } else {
            escaped += c;
        }
    }
    return escaped;
}

}  // namespace taskstore::server
