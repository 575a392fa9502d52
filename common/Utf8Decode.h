#pragma once
// Reading UTF-8 one code point at a time, shared by the tool's ODBC text conversion and the
// server's wire encoding, so both treat malformed text the same way; cutting it between characters
// and writing one code point.
#include <cstddef>
#include <string>
#include <string_view>

namespace common {

inline constexpr char32_t ReplacementCharacter = 0xFFFD;

// Decodes the code point at utf8[pos] and advances pos past it. Anything malformed (a stray or
// truncated sequence, an overlong form, a surrogate, a value past U+10FFFF) yields U+FFFD and
// advances by one byte, so the rest of the text is still read.
inline char32_t decodeUtf8(std::string_view utf8, std::size_t& pos)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(utf8[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t extra = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, value = lead & 0x07, minimum = 0x10000;
    } else {
        ++pos;
        return ReplacementCharacter;
    }
    if (pos + extra >= utf8.size()) {
        ++pos;
        return ReplacementCharacter;
    }
    for (std::size_t i = 1; i <= extra; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            ++pos;
            return ReplacementCharacter;
        }
        value = value << 6 | (byte(pos + i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++pos;
        return ReplacementCharacter;
    }
    pos += extra + 1;
    return value;
}

// The longest start of text of at most `limit` bytes that does not end inside a character.
inline std::string_view utf8Prefix(std::string_view text, std::size_t limit)
{
    if (text.size() <= limit)
        return text;
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;  // a continuation byte: the character starts further back
    return text.substr(0, cut);
}

// Appends the UTF-8 form of c, a code point up to U+10FFFF.
inline void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace common
