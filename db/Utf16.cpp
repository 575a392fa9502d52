#include "db/Utf16.h"

#include <algorithm>
#include <cstdint>

#include "common/Utf8Decode.h"

namespace db {

namespace {

template <typename Out>
void appendUtf8To(Out& out, std::u16string_view utf16)
{
    // Encoded into a buffer on the stack and appended a chunk at a time: this runs for every cell
    // of a result, and growing the string byte by byte (or zero-filling it first) cost more than
    // the encoding. No unit takes more than three bytes; a surrogate pair takes four for two.
    constexpr std::size_t chunkUnits = 256;
    char chunk[3 * chunkUnits + 1];
    std::size_t i = 0;
    while (i < utf16.size()) {
        char* to = chunk;
        const auto put = [&to](unsigned value) { *to++ = static_cast<char>(value); };
        for (const std::size_t end = std::min(utf16.size(), i + chunkUnits); i < end; ++i) {
            const char16_t unit = utf16[i];
            if (unit < 0x80) {
                put(unit);
            } else if (unit < 0x800) {
                put(0xC0 | (unit >> 6));
                put(0x80 | (unit & 0x3F));
            } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00
                       && utf16[i + 1] <= 0xDFFF) {
                const char32_t cp = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
                put(0xF0 | (cp >> 18));
                put(0x80 | ((cp >> 12) & 0x3F));
                put(0x80 | ((cp >> 6) & 0x3F));
                put(0x80 | (cp & 0x3F));
                ++i;  // the pair may end one unit past the chunk; the buffer has room for it
            } else {
                const char16_t cp = unit >= 0xD800 && unit <= 0xDFFF ? char16_t(text::ReplacementCharacter) : unit;
                put(0xE0 | (cp >> 12));
                put(0x80 | ((cp >> 6) & 0x3F));
                put(0x80 | (cp & 0x3F));
            }
        }
        out.append(chunk, static_cast<std::size_t>(to - chunk));
    }
}

}  // namespace

void appendUtf8(std::string& out, std::u16string_view utf16) { appendUtf8To(out, utf16); }

void appendUtf8(ReallocBuffer<char>& out, std::u16string_view utf16) { appendUtf8To(out, utf16); }

std::u16string toUtf16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t cp = text::decodeUtf8(utf8, i);
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
