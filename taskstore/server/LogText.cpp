#include "taskstore/server/LogText.h"

#include <array>

#include "common/AsciiCase.h"

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
    if (text.size() <= limit)
        return std::string(text);
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;  // not inside a UTF-8 sequence
    return std::string(text.substr(0, cut)) + "...(" + std::to_string(text.size() - cut) + " bytes more)";
}

}  // namespace taskstore::server
