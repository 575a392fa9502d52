#pragma once
// varchar, char and text as SQL Server keeps them: in the code page of the database's collation,
// 936 (GBK) under Chinese_PRC_CI_AS. The engine holds text as UTF-8; these functions say what a
// text becomes in that code page, for the engine's lengths and the wire's bytes alike.
#include <iconv.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "common/UtfCodec.h"

namespace taskstore {

inline constexpr const char* databaseCodePage = "CP936";

namespace codepage_detail {

// The code page's bytes of every character of the Basic Multilingual Plane, read once from
// glibc's converter so that a list of many rows converts by lookup: 0 when the code page lacks
// the character, 0x100 | byte for one byte, lead << 8 | trail for two (leads are 0x81 and up).
using Table = std::array<std::uint16_t, 0x10000>;

inline const Table& table()
{
    static const std::unique_ptr<const Table> built = [] {
        auto codes = std::make_unique<Table>();
        codes->fill(0);
        for (std::uint32_t c = 0; c < 0x80; ++c)
            (*codes)[c] = static_cast<std::uint16_t>(0x100 | c);
        const iconv_t cd = iconv_open(databaseCodePage, "UTF-8");
        // Without the converter every Chinese character would silently become '?'.
        if (cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("the code page ") + databaseCodePage
                                     + " cannot be converted to: glibc's gconv modules are missing");
        for (std::uint32_t c = 0x80; c < 0x10000; ++c) {
            if (c >= 0xD800 && c < 0xE000)
                continue;
            char utf8[4];
            char* end = utf8;
            common::encodeUtf8(c, end);
            char out[4];
            char* in = utf8;
            char* to = out;
            std::size_t inLeft = static_cast<std::size_t>(end - utf8), outLeft = sizeof out;
            if (iconv(cd, &in, &inLeft, &to, &outLeft) == static_cast<std::size_t>(-1))
                continue;
            const auto byte = [&](int i) { return static_cast<std::uint16_t>(static_cast<unsigned char>(out[i])); };
            if (to - out == 1)
                (*codes)[c] = static_cast<std::uint16_t>(0x100 | byte(0));
            else if (to - out == 2)
                (*codes)[c] = static_cast<std::uint16_t>(byte(0) << 8 | byte(1));
        }
        iconv_close(cd);
        return std::unique_ptr<const Table>(std::move(codes));
    }();
    return *built;
}

// Appends the code page's bytes of each character to `out` ('?' for one it lacks) and, when
// `kept` is given, the UTF-8 of what the code page keeps.
inline void encode(std::string_view utf8, std::string* out, std::string* kept)
{
    const Table& codes = table();
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t start = pos;
        const char32_t c = common::decodeUtf8(utf8, pos);
        const std::uint16_t code = c < 0x10000 && c != common::ReplacementCharacter ? codes[c] : 0;
        if (code == 0) {
            // SQL Server replaces each UTF-16 unit: a character outside the BMP becomes "??".
            const std::size_t marks = c >= 0x10000 && c != common::ReplacementCharacter ? 2 : 1;
            if (out)
                out->append(marks, '?');
            if (kept)
                kept->append(marks, '?');
            continue;
        }
        if (out) {
            if (code < 0x200) {
                *out += static_cast<char>(code & 0xFF);
            } else {
                *out += static_cast<char>(code >> 8);
                *out += static_cast<char>(code & 0xFF);
            }
        }
        if (kept)
            kept->append(utf8.substr(start, pos - start));
    }
}

inline bool isAscii(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

}  // namespace codepage_detail

// The text's bytes in the code page; a character it lacks is '?'.
inline std::string toDatabaseCodePage(std::string_view utf8)
{
    if (codepage_detail::isAscii(utf8))
        return std::string(utf8);
    std::string bytes;
    codepage_detail::encode(utf8, &bytes, nullptr);
    return bytes;
}

// The text as varchar holds it, still in UTF-8: a character the code page lacks is '?'.
inline std::string keptByDatabaseCodePage(std::string_view utf8)
{
    if (codepage_detail::isAscii(utf8))
        return std::string(utf8);
    std::string kept;
    codepage_detail::encode(utf8, nullptr, &kept);
    return kept;
}

inline std::size_t databaseCodePageBytes(std::string_view utf8)
{
    return codepage_detail::isAscii(utf8) ? utf8.size() : toDatabaseCodePage(utf8).size();
}

}  // namespace taskstore
