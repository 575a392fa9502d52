#include "db/Utf16.h"

#include <algorithm>

#include "common/UtfCodec.h"

namespace db {

namespace {

// The largest UTF-8 form of one UTF-16 unit; a surrogate pair takes four bytes for two units.
constexpr std::size_t maxBytesPerUnit = 3;

// Writes the UTF-8 form of utf16 from `to` on, at most maxBytesPerUnit bytes a unit, and returns
// the end. A surrogate without its other half becomes U+FFFD.
char* encodeUtf8(std::u16string_view utf16, char* to)
{
    common::utf16ToUtf8([utf16](std::size_t i) { return utf16[i]; }, utf16.size(), common::LoneSurrogates::Replace, to);
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
        if (units < utf16.size() && common::isHighSurrogate(utf16[units - 1]))
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
    common::utf8ToUtf16(utf8, [&out](char16_t unit) { out.push_back(unit); });
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
