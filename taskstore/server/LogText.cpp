#include "taskstore/server/LogText.h"

#include <array>

#include "common/AsciiCase.h"
#include "common/Utf8Decode.h"

namespace taskstore::server {
namespace {

// The words SQL Server's traces look for, in the order they are reported; blanks in the text
// are read as single blanks.
constexpr std::array<std::string_view, 13> secretWords{
    {"CREATE LOGIN", "ALTER LOGIN", "CREATE APPLICATION ROLE", "ALTER APPLICATION ROLE", "SP_PASSWORD", "SP_ADDLOGIN",
     "SP_ADDAPPROLE", "SP_SETAPPROLE", "SP_APPROLEPASSWORD", "MASTER KEY", "SYMMETRIC KEY", "CREDENTIAL", "PASSWORD"}};

std::string normalisedUpper(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    bool blank = false;
    for (char c : text) {
        const bool isBlank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
        if (isBlank && blank)
            continue;
        blank = isBlank;
        result += isBlank ? ' ' : c;
    }
    return common::asciiUpper(result);
}

}  // namespace

std::string maskedStatement(std::string_view text)
{
    const std::string upper = normalisedUpper(text);
    for (std::string_view word : secretWords)
        if (upper.find(word) != std::string::npos)
            return "-- '" + std::string(word)
                + "' was found in the text of this event.\n"
                  "-- The text has been replaced with this comment for security reasons.";
    return std::string(text);
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
