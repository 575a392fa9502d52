#include "db/Utf16.h"

#include <algorithm>
#include <cstdint>

#include "common/Utf8Decode.h"

namespace db {

namespace {

// The largest UTF-8 form of one UTF-16 unit; a surrogate pair takes four bytes for two units.
constexpr std::size_t maxBytesPerUnit = 3;

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// Writes the UTF-8 form of utf16 from `to` on, at most maxBytesPerUnit bytes a unit, and returns
// the end. A surrogate without its pair becomes U+FFFD. Every cell of a result comes through here,
// so each unit takes as few tests as its form needs: one for ASCII, three for the rest of the
// Basic Multilingual Plane (most Chinese text).
char* encodeUtf8(std::u16string_view utf16, char* to)
{
    const char16_t* in = utf16.data();
    const char16_t* const end = in + utf16.size();
    while (in != end) {
        char32_t cp = *in++;
        if (cp < 0x80) {
            *to++ = static_cast<char>(cp);
            continue;
        }
        if (cp < 0x800) {
            to[0] = static_cast<char>(0xC0 | (cp >> 6));
            to[1] = static_cast<char>(0x80 | (cp & 0x3F));
            to += 2;
            continue;
        }
        if (cp - 0xD800 < 0x800) {  // a surrogate
            if (cp < 0xDC00 && in != end && static_cast<char32_t>(*in) - 0xDC00 < 0x400) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<char32_t>(*in++) - 0xDC00);
                to[0] = static_cast<char>(0xF0 | (cp >> 18));
                to[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
                to[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                to[3] = static_cast<char>(0x80 | (cp & 0x3F));
                to += 4;
                continue;
            }
            cp = common::ReplacementCharacter;
        }
        to[0] = static_cast<char>(0xE0 | (cp >> 12));
        to[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        to[2] = static_cast<char>(0x80 | (cp & 0x3F));
        to += 3;
    }
    return to;
}

}  // namespace

void appendUtf8(std::string& out, std::u16string_view utf16)
{
    // Encoded a chunk at a time on the stack: growing the string byte by byte, or zero-filling it
    // first, cost more than the encoding. A chunk never ends between the two halves of a pair.
    constexpr std::size_t chunkUnits = 256;
    char chunk[maxBytesPerUnit * chunkUnits];
    while (!utf16.empty()) {
        std::size_t units = std::min(utf16.size(), chunkUnits);
        if (units < utf16.size() && isHighSurrogate(utf16[units - 1]))
            --units;
        out.append(chunk, static_cast<std::size_t>(encodeUtf8(utf16.substr(0, units), chunk) - chunk));
        utf16.remove_prefix(units);
    }
}

void appendUtf8(ReallocBuffer<char>& out, std::u16string_view utf16)
{
    // Straight into the buffer's free end: this runs for every cell of a result.
    char* start = out.extend(maxBytesPerUnit * utf16.size());
    out.commit(static_cast<std::size_t>(encodeUtf8(utf16, start) - start));
}

std::u16string toUtf16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t cp = common::decodeUtf8(utf8, i);
        if (cp < 0x10000) {
            out.push_back(static_cast<char16_t>(cp));
        } else {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        }
    }
    return out;
}

std::string toUtf8(std::u16string_view utf16)
{
    std::string out;
    out.reserve(utf16.size());
    appendUtf8(out, utf16);
    return out;
}

}  // namespace db
