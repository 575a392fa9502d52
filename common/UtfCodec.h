#pragma once
// The one UTF-8 and UTF-16 codec of the tool and taskstore: the tool's wide ODBC calls, the wire's
// UTF-16LE and the engine's text units all read and write text through it, so malformed text is
// treated the same way everywhere. UTF-8 that is malformed always becomes U+FFFD; for UTF-16 the
// caller chooses between that and being told (the wire refuses a lone surrogate).
#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>

namespace common {

inline constexpr char32_t ReplacementCharacter = 0xFFFD;

namespace utf8_detail {

// decodeUtf8 for leads other than ASCII and the plain three-byte ones.
inline char32_t decodeRest(std::string_view utf8, std::size_t& pos)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(utf8[i]); };
    const unsigned char lead = byte(pos);
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

}  // namespace utf8_detail

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
    // Three bytes under a lead that can start neither an overlong form (E0) nor a surrogate (ED):
    // Chinese text, most of what a task list holds beyond ASCII, takes only the two checks here,
    // small enough for every caller's loop to hold.
    if (lead >= 0xE1 && lead <= 0xEF && lead != 0xED && pos + 2 < utf8.size()) {
        const unsigned char second = byte(pos + 1), third = byte(pos + 2);
        if ((second & 0xC0) == 0x80 && (third & 0xC0) == 0x80) {
            pos += 3;
            return static_cast<char32_t>((lead & 0x0F) << 12 | (second & 0x3F) << 6 | (third & 0x3F));
        }
    }
    return utf8_detail::decodeRest(utf8, pos);
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

// Writes the UTF-8 form of c, a code point up to U+10FFFF, through the output iterator `to`.
template <typename Out>
void encodeUtf8(char32_t c, Out& to)
{
    if (c < 0x80) {
        *to++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *to++ = static_cast<char>(0xC0 | c >> 6);
        *to++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *to++ = static_cast<char>(0xE0 | c >> 12);
        *to++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
        *to++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *to++ = static_cast<char>(0xF0 | c >> 18);
        *to++ = static_cast<char>(0x80 | (c >> 12 & 0x3F));
        *to++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
        *to++ = static_cast<char>(0x80 | (c & 0x3F));
    }
}

inline void appendUtf8(std::string& out, char32_t c)
{
    auto to = std::back_inserter(out);
    encodeUtf8(c, to);
}

// The UTF-16 code units of a code point: two, a surrogate pair, past U+FFFF.
inline std::size_t utf16Length(char32_t c) { return c >= 0x10000 ? 2 : 1; }

inline bool isHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
inline bool isLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Writes the UTF-16 form of c through put(char16_t): one unit, or a surrogate pair past U+FFFF.
template <typename Put>
void encodeUtf16(char32_t c, Put&& put)
{
    if (c < 0x10000) {
        put(static_cast<char16_t>(c));
    } else {
        put(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        put(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    }
}

// Writes the UTF-16 form of a UTF-8 text through put(char16_t); malformed UTF-8 becomes U+FFFD.
template <typename Put>
void utf8ToUtf16(std::string_view utf8, Put&& put)
{
    for (std::size_t pos = 0; pos < utf8.size();)
        encodeUtf16(decodeUtf8(utf8, pos), put);
}

// What a UTF-16 conversion does with a surrogate that lacks its other half.
enum class LoneSurrogates {
    Replace,  // U+FFFD stands for it and the rest is converted
    Report,   // the conversion stops before it and says which half it was
};

enum class Utf16Fault { None, LoneHighSurrogate, LoneLowSurrogate };

// Writes the UTF-8 form of `count` UTF-16 units through the output iterator `out` and leaves it
// past them. unitAt(i) gives unit i, so the units may be native or bytes in either order. Returns
// the fault it stopped before (Report), or None.
template <typename UnitAt, typename Out>
Utf16Fault utf16ToUtf8(UnitAt unitAt, std::size_t count, LoneSurrogates policy, Out& out)
{
    // Written through a copy: a byte written through the caller's iterator could, for all the
    // compiler knows, change the iterator itself, which kept it from holding it in a register.
    Out to = out;
    Utf16Fault fault = Utf16Fault::None;
    // Every cell the tool reads comes through here: ASCII takes one test, and one range test
    // sets all surrogates aside, so the rest of the Basic Multilingual Plane (most Chinese text)
    // takes few more.
    for (std::size_t i = 0; i < count; ++i) {
        char32_t c = unitAt(i);
        if (c < 0x80) {
            *to++ = static_cast<char>(c);
            continue;
        }
        if (c - 0xD800 < 0x800) {
            if (c < 0xDC00 && i + 1 < count && static_cast<char32_t>(unitAt(i + 1)) - 0xDC00 < 0x400) {
                c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(unitAt(++i)) - 0xDC00);
            } else if (policy == LoneSurrogates::Report) {
                fault = c < 0xDC00 ? Utf16Fault::LoneHighSurrogate : Utf16Fault::LoneLowSurrogate;
                break;
            } else {
                c = ReplacementCharacter;
            }
        }
        encodeUtf8(c, to);
    }
    out = to;
    return fault;
}

}  // namespace common
