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

// One character in the code page: its one or two bytes, or, for a character the code page lacks,
// a '?' for each of its UTF-16 units, as SQL Server replaces them (one outside the BMP is "??").
struct CodePageCharacter {
    std::array<char, 2> bytes;
    std::size_t size;
    bool kept;
};

inline CodePageCharacter codePageCharacter(char32_t c)
{
    const std::uint16_t code = c < 0x10000 && c != common::ReplacementCharacter ? table()[c] : 0;
    if (code == 0)
        return {{'?', '?'}, c >= 0x10000 && c != common::ReplacementCharacter ? 2u : 1u, false};
    if (code < 0x200)
        return {{static_cast<char>(code & 0xFF), 0}, 1, true};
    return {{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)}, 2, true};
}

// Writes the code page's bytes of the text from `to` on and returns their end: never more bytes
// than the UTF-8 has, so a caller sizes the room by the text.
inline char* encodeTo(std::string_view utf8, char* to)
{
    for (std::size_t pos = 0; pos < utf8.size();) {
        const CodePageCharacter character = codePageCharacter(common::decodeUtf8(utf8, pos));
        to[0] = character.bytes[0];
        if (character.size == 2)
            to[1] = character.bytes[1];
        to += character.size;
    }
    return to;
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
    std::string bytes(utf8.size(), '\0');
    bytes.resize(static_cast<std::size_t>(codepage_detail::encodeTo(utf8, bytes.data()) - bytes.data()));
    return bytes;
}

// The text as varchar holds it, still in UTF-8: a character the code page lacks is '?'.
inline std::string keptByDatabaseCodePage(std::string_view utf8)
{
    if (codepage_detail::isAscii(utf8))
        return std::string(utf8);
    std::string kept;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t start = pos;
        const codepage_detail::CodePageCharacter character =
            codepage_detail::codePageCharacter(common::decodeUtf8(utf8, pos));
        if (character.kept)
            kept.append(utf8.substr(start, pos - start));
        else
            kept.append(character.size, '?');
    }
    return kept;
}

inline std::size_t databaseCodePageBytes(std::string_view utf8)
{
    return codepage_detail::isAscii(utf8) ? utf8.size() : toDatabaseCodePage(utf8).size();
}

}  // namespace taskstore
