#include "taskstore/tds/Utf16.h"

#include "common/Utf8Decode.h"
#include "taskstore/tds/ProtocolError.h"

namespace taskstore::tds {

std::string utf16leToUtf8(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() % 2 != 0)
        throw ProtocolError("UTF-16 text with an odd number of bytes");
    std::string out;
    out.reserve(bytes.size());
    const std::size_t units = bytes.size() / 2;
    const auto unitAt = [&](std::size_t i) { return static_cast<char32_t>(bytes[2 * i] | bytes[2 * i + 1] << 8); };
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 >= units || unitAt(i + 1) < 0xDC00 || unitAt(i + 1) > 0xDFFF)
                throw ProtocolError("UTF-16 text with an unpaired high surrogate");
            common::appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00));
            ++i;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            throw ProtocolError("UTF-16 text with an unpaired low surrogate");
        } else {
            common::appendUtf8(out, unit);
        }
    }
    return out;
}

std::size_t appendUtf16le(std::vector<std::uint8_t>& out, std::string_view utf8, std::size_t maxUnits)
{
    // Every row's text passes through here, so it is written in place: a UTF-8 byte never yields
    // more than one 16-bit unit (four bytes give two), so the buffer grows once per value.
    const std::size_t start = out.size();
    out.resize(start + 2 * utf8.size());
    std::uint8_t* to = out.data() + start;
    const auto put = [&to](char32_t unit) {
        *to++ = static_cast<std::uint8_t>(unit);
        *to++ = static_cast<std::uint8_t>(unit >> 8);
    };
    std::size_t units = 0;
    std::size_t pos = 0;
    while (pos < utf8.size() && units < maxUnits) {
        const auto lead = static_cast<unsigned char>(utf8[pos]);
        if (lead < 0x80) {
            put(lead);
            ++pos;
            ++units;
            continue;
        }
        const char32_t c = common::decodeUtf8(utf8, pos);
        if (c < 0x10000) {
            put(c);
            ++units;
        } else if (units + 2 <= maxUnits) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
            units += 2;
        } else {
            break;  // the pair would not fit: the character is left out whole
        }
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
    return units;
}

}  // namespace taskstore::tds
