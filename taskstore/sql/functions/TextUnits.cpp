#include "taskstore/sql/functions/TextUnits.h"

#include "common/UtfCodec.h"
#include "taskstore/store/TextCollation.h"

#include <algorithm>
#include <vector>

namespace taskstore::sql {
std::size_t utf16Units(std::string_view utf8)
{
    std::size_t units = 0;
    for (std::size_t pos = 0; pos < utf8.size();)
        units += common::utf16Length(common::decodeUtf8(utf8, pos));
    return units;
}

std::string utf16Slice(std::string_view utf8, std::size_t first, std::size_t count)
{
    std::string result;
    if (count == 0)
        return result;
    const std::size_t end = count > static_cast<std::size_t>(-1) - first ? static_cast<std::size_t>(-1) : first + count;
    std::size_t unit = 0;
    for (std::size_t pos = 0; pos < utf8.size() && unit < end;) {
        const std::size_t start = pos;
        const char32_t c = common::decodeUtf8(utf8, pos);
        const std::size_t next = unit + common::utf16Length(c);
        if (unit >= first && next <= end)
            result.append(utf8.substr(start, pos - start));
        else if (next > first && c >= 0x10000)  // one half of the pair lies inside
            common::appendUtf8(result, common::ReplacementCharacter);
        unit = next;
    }
    return result;
}

std::string utf16leBytes(std::string_view utf8)
{
    std::string bytes;
    common::utf8ToUtf16(utf8, [&bytes](char16_t unit) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    });
    return bytes;
}

std::string textFromUtf16le(std::string_view bytes)
{
    std::string text;
    const auto unitAt = [bytes](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[2 * i])
                                     | static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    };
    auto to = std::back_inserter(text);
    common::utf16ToUtf8(unitAt, bytes.size() / 2, common::LoneSurrogates::Replace, to);
    return text;
}

std::int64_t utf16Find(std::string_view pattern, std::string_view text, std::int64_t start,
                       const std::atomic<bool>* stop)
{
    const std::u32string needle = store::foldedCodePoints(pattern);
    // A text has at most one code point per byte, so a longer pattern cannot occur in it.
    if (needle.empty() || needle.size() > text.size())
        return 0;
    // Knuth-Morris-Pratt: border[i] is the length of the longest proper border of needle[0..i], so
    // the text is read once, never backing up, whatever the two hold.
    std::vector<std::uint32_t> border(needle.size(), 0);
    for (std::size_t i = 1, k = 0; i < needle.size(); ++i) {
        if (i % stepsBetweenStopChecks == 0)
            throwIfStopped(stop);
        while (k > 0 && needle[i] != needle[k])
            k = border[k - 1];
        if (needle[i] == needle[k])
            ++k;
        border[i] = static_cast<std::uint32_t>(k);
    }
    std::int64_t neededUnits = 0;
    for (const char32_t c : needle)
        neededUnits += static_cast<std::int64_t>(common::utf16Length(c));
    const std::int64_t from = std::max<std::int64_t>(start, 1);
    std::int64_t unit = 1;  // the unit position of the next code point
    std::size_t matched = 0;
    for (std::size_t pos = 0, steps = 0; pos < text.size(); ++steps) {
        if (steps % stepsBetweenStopChecks == 0)
            throwIfStopped(stop);
        const bool searched = unit >= from;
        const char32_t c = store::nextFoldedCodePoint(text, pos);
        unit += static_cast<std::int64_t>(common::utf16Length(c));
        if (!searched)
            continue;
        while (matched > 0 && c != needle[matched])
            matched = border[matched - 1];
        if (c == needle[matched] && ++matched == needle.size())
            return unit - neededUnits;
    }
    return 0;
}

}  // namespace taskstore::sql
