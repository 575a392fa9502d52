#include "taskstore/tds/Utf16.h"

#include "common/UtfCodec.h"
#include "taskstore/tds/ProtocolError.h"

namespace taskstore::tds {

std::string utf16leToUtf8(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() % 2 != 0)
        throw ProtocolError("UTF-16 text with an odd number of bytes");
    std::string out;
    out.reserve(bytes.size());
    const auto unitAt = [bytes](std::size_t i) { return static_cast<char32_t>(bytes[2 * i] | bytes[2 * i + 1] << 8); };
    auto to = std::back_inserter(out);
    switch (common::utf16ToUtf8(unitAt, bytes.size() / 2, common::LoneSurrogates::Report, to)) {
    case common::Utf16Fault::None: return out;
    case common::Utf16Fault::LoneHighSurrogate: throw ProtocolError("UTF-16 text with an unpaired high surrogate");
    case common::Utf16Fault::LoneLowSurrogate: throw ProtocolError("UTF-16 text with an unpaired low surrogate");
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
        if (units + common::utf16Length(c) > maxUnits)
            break;  // the pair would not fit: the character is left out whole
        common::encodeUtf16(c, put);
        units += common::utf16Length(c);
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
    return units;
}

}  // namespace taskstore::tds
