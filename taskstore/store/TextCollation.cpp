#include "taskstore/store/TextCollation.h"

#include <cstdint>

namespace taskstore::store {
namespace {

// Decodes one UTF-8 sequence; a malformed byte stands for itself so every input has an order.
char32_t nextCodePoint(std::string_view text, std::size_t& pos)
{
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (extra == 0 || pos + extra >= text.size()) {
        ++pos;
        return lead;
    }
    char32_t value = lead & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) {
        const unsigned char next = byte(pos + i);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return lead;
        }
        value = (value << 6) | (next & 0x3F);
    }
    pos += extra + 1;
    return value;
}

// Full-width forms fold to ASCII, the ideographic space to a blank, letters to lower case.
char32_t fold(char32_t c)
{
    if (c >= 0xFF01 && c <= 0xFF5E)
        c -= 0xFF01 - 0x21;
    else if (c == 0x3000)
        c = U' ';
    if (c >= U'A' && c <= U'Z')
        c += U'a' - U'A';
    return c;
}

// Length without trailing blanks (ASCII blank or ideographic space).
std::size_t trimmedLength(std::string_view text)
{
    std::size_t end = text.size();
    for (;;) {
        if (end >= 1 && text[end - 1] == ' ')
            --end;
        else if (end >= 3 && text.substr(end - 3, 3) == "\xE3\x80\x80")
            end -= 3;
        else
            return end;
    }
}

int collate(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    return compareText({static_cast<const char*>(a), static_cast<std::size_t>(lengthA)},
                       {static_cast<const char*>(b), static_cast<std::size_t>(lengthB)});
}

}  // namespace

int compareText(std::string_view a, std::string_view b)
{
    a = a.substr(0, trimmedLength(a));
    b = b.substr(0, trimmedLength(b));
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const auto byteA = static_cast<unsigned char>(a[i]);
        const auto byteB = static_cast<unsigned char>(b[j]);
        if (byteA < 0x80 && byteB < 0x80) {  // ASCII needs no decoding
            ++i;
            ++j;
            if (byteA != byteB && fold(byteA) != fold(byteB))
                return fold(byteA) < fold(byteB) ? -1 : 1;
            continue;
        }
        const char32_t x = fold(nextCodePoint(a, i));
        const char32_t y = fold(nextCodePoint(b, j));
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

std::u32string foldedCodePoints(std::string_view text)
{
    std::u32string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();)
        result += fold(nextCodePoint(text, i));
    return result;
}

void registerTextCollation(sqlite3* db)
{
    sqlite3_create_collation_v2(db, textCollationName, SQLITE_UTF8, nullptr, collate, nullptr);
}

}  // namespace taskstore::store
