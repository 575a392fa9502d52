#include "taskstore/tds/CollationText.h"

#include <iconv.h>

#include <cerrno>

namespace taskstore::tds {
namespace {

constexpr std::uint8_t utf8Flag = 0x04;  // in the collation's fourth byte, TDS 7.4's UTF-8 collations

// The Windows code page of a collation: its SQL sort order when it has one, else its locale.
const char* codePageOf(std::span<const std::uint8_t, collationSize> collation)
{
    const std::uint8_t sortId = collation[4];
    if (sortId != 0)
        return sortId >= 0xC0 && sortId <= 0xC3 ? "CP936" : "CP1252";
    const unsigned lcid = collation[0] | collation[1] << 8 | (collation[2] & 0x0F) << 16;
    switch (lcid & 0xFFFF) {
    case 0x0804:
    case 0x1004: return "CP936";
    case 0x0404:
    case 0x0C04:
    case 0x1404: return "CP950";
    case 0x0411: return "CP932";
    case 0x0412: return "CP949";
    default: return "CP1252";
    }
}

}  // namespace

std::string collationTextToUtf8(std::span<const std::uint8_t> bytes,
                                std::span<const std::uint8_t, collationSize> collation)
{
    if (collation[3] & utf8Flag)
        return std::string(bytes.begin(), bytes.end());
    const iconv_t converter = iconv_open("UTF-8", codePageOf(collation));
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::string(bytes.begin(), bytes.end());
    std::string out(bytes.size() * 3 + 4, '\0');
    char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
    std::size_t inLeft = bytes.size();
    char* to = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(converter, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL)
            break;  // no room: cannot happen with three bytes out per byte in
        // A byte the code page does not define, or a lead byte without its trail.
        if (outLeft < 3)
            break;
        *to++ = '\xEF';
        *to++ = '\xBF';
        *to++ = '\xBD';
        outLeft -= 3;
        ++in;
        --inLeft;
    }
    iconv_close(converter);
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace taskstore::tds
