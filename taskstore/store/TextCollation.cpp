#include "taskstore/store/TextCollation.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

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

// Half-width katakana and punctuation U+FF61-U+FF9F as their full-width forms.
constexpr std::array<char16_t, 63> fullWidthKana{
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9, 0x30E3, 0x30E5,
    0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB, 0x30AD, 0x30AF, 0x30B1, 0x30B3,
    0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1, 0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC,
    0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5, 0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4,
    0x30E6, 0x30E8, 0x30E9, 0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C};

char32_t fullWidth(char32_t c)
{
    if (c >= 0xFF01 && c <= 0xFF5E)
        return c - (0xFF01 - 0x21);
    if (c == 0x3000)
        return U' ';
    if (c >= 0xFF61 && c <= 0xFF9F)
        return fullWidthKana[c - 0xFF61];
    return c;
}

// Simple lower-case mapping of the Latin, Greek and Cyrillic capitals.
char32_t lowerCase(char32_t c)
{
    if (c >= U'A' && c <= U'Z')
        return c + (U'a' - U'A');
    if (c < 0xC0)
        return c;
    if (c <= 0xDE)
        return c == 0xD7 ? c : c + 0x20;
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x178)
            return 0xFF;
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F)
            return c;
        // Pairs start on even code points, except in U+0139-U+0148 and U+0179-U+017E.
        const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        return (c % 2 == 1) == oddPairs ? c + 1 : c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2)
        return c + 0x20;
    if (c >= 0x410 && c <= 0x42F)
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    return c;
}

// Width first (full-width A is A), then case, then katakana as hiragana.
char32_t fold(char32_t c)
{
    c = lowerCase(fullWidth(c));
    if (c >= 0x30A1 && c <= 0x30F6)
        c -= 0x60;
    return c;
}

// The ideographs U+4E00-U+9FFF ranked in GB2312 order, which puts the 3,755 common characters in
// pinyin order and the 3,008 others by radical and stroke; ideographs outside GB2312 follow in
// Unicode order. Without a GB2312 converter the ranking is Unicode order.
class IdeographOrder {
public:
    static constexpr char32_t first = 0x4E00;
    static constexpr char32_t last = 0x9FFF;

    IdeographOrder()
    {
        std::vector<std::pair<std::uint32_t, char32_t>> keys;
        keys.reserve(last - first + 1);
        const iconv_t gb = iconv_open("GB2312", "UTF-32LE");
        for (char32_t c = first; c <= last; ++c)
            keys.emplace_back(gbCode(gb, c).value_or(0x10000 + c), c);
        if (gb != reinterpret_cast<iconv_t>(-1))
            iconv_close(gb);
        std::sort(keys.begin(), keys.end());
        for (std::size_t i = 0; i < keys.size(); ++i)
            rank_[keys[i].second - first] = static_cast<std::uint16_t>(i);
    }

    char32_t key(char32_t c) const { return c >= first && c <= last ? first + rank_[c - first] : c; }

private:
    static std::optional<std::uint32_t> gbCode(iconv_t gb, char32_t c)
    {
        if (gb == reinterpret_cast<iconv_t>(-1))
            return std::nullopt;
        char in[4] = {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF),
                      static_cast<char>((c >> 16) & 0xFF), 0};
        char out[8];
        char* inPtr = in;
        char* outPtr = out;
        std::size_t inLeft = sizeof in;
        std::size_t outLeft = sizeof out;
        iconv(gb, nullptr, nullptr, nullptr, nullptr);
        if (iconv(gb, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || outPtr - out != 2)
            return std::nullopt;
        return (static_cast<unsigned char>(out[0]) << 8) | static_cast<unsigned char>(out[1]);
    }

    std::array<std::uint16_t, last - first + 1> rank_{};
};

char32_t orderKey(char32_t folded)
{
    static const IdeographOrder ideographs;
    return ideographs.key(folded);
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
        const char32_t x = orderKey(fold(nextCodePoint(a, i)));
        const char32_t y = orderKey(fold(nextCodePoint(b, j)));
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

char32_t nextFoldedCodePoint(std::string_view text, std::size_t& pos) { return fold(nextCodePoint(text, pos)); }

std::u32string foldedCodePoints(std::string_view text)
{
    std::u32string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();)
        result += nextFoldedCodePoint(text, i);
    return result;
}

void registerTextCollation(sqlite3* db)
{
    sqlite3_create_collation_v2(db, textCollationName, SQLITE_UTF8, nullptr, collate, nullptr);
}

}  // namespace taskstore::store
