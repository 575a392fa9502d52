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
// the end. A high surrogate that ends utf16 has no pair and becomes U+FFFD.
char* encodeUtf8(std::u16string_view utf16, char* to)
{
    const auto put = [&to](unsigned value) { *to++ = static_cast<char>(value); };
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        // Runs of ASCII (task numbers, station codes, digits) four units at a time.
        while (i + 4 <= utf16.size() && ((utf16[i] | utf16[i + 1] | utf16[i + 2] | utf16[i + 3]) & 0xFF80) == 0) {
            for (std::size_t k = 0; k < 4; ++k)
                to[k] = static_cast<char>(utf16[i + k]);
            to += 4;
            i += 4;
        }
        if (i == utf16.size())
            break;
        const char16_t unit = utf16[i];
        if (unit < 0x80) {
            put(unit);
        } else if (unit < 0x800) {
            put(0xC0 | (unit >> 6));
            put(0x80 | (unit & 0x3F));
        } else if (isHighSurrogate(unit) && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            const char32_t cp = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            put(0xF0 | (cp >> 18));
            put(0x80 | ((cp >> 12) & 0x3F));
            put(0x80 | ((cp >> 6) & 0x3F));
            put(0x80 | (cp & 0x3F));
            ++i;
        } else {
            const char16_t cp = unit >= 0xD800 && unit <= 0xDFFF ? char16_t(common::ReplacementCharacter) : unit;
            put(0xE0 | (cp >> 12));
            put(0x80 | ((cp >> 6) & 0x3F));
            put(0x80 | (cp & 0x3F));
        }
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
