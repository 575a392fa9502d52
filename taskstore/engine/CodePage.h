#pragma once
// varchar, char and text as SQL Server keeps them: in the code page of the database's collation,
// 936 (GBK) under Chinese_PRC_CI_AS. The engine holds text as UTF-8; these functions say what a
// text becomes in that code page, for the engine's lengths and the wire's bytes alike.
#include <iconv.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "common/Utf8Decode.h"

namespace taskstore {

inline constexpr const char* databaseCodePage = "CP936";

namespace codepage_detail {

// One converter per thread, closed when the thread ends: iconv's descriptors are not shared
// between threads.
inline iconv_t converter()
{
    struct Converter {
        iconv_t cd = iconv_open(databaseCodePage, "UTF-8");
        ~Converter()
        {
            if (cd != reinterpret_cast<iconv_t>(-1))
                iconv_close(cd);
        }
    };
    thread_local const Converter converter;
    return converter.cd;
}

// Appends the code page's bytes of each character to out, '?' for one it lacks, and returns the
// UTF-8 of what the code page keeps when `kept` is given.
inline void encode(std::string_view utf8, std::string* out, std::string* kept)
{
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t start = pos;
        const unsigned char lead = static_cast<unsigned char>(utf8[pos]);
        if (lead < 0x80) {
            ++pos;
        } else {
            const char32_t c = text::decodeUtf8(utf8, pos);
            char buffer[8];
            char* in = const_cast<char*>(utf8.data() + start);
            std::size_t inLeft = pos - start;
            char* to = buffer;
            std::size_t outLeft = sizeof buffer;
            const iconv_t cd = converter();
            const bool mapped = c != text::ReplacementCharacter && cd != reinterpret_cast<iconv_t>(-1)
                && iconv(cd, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1);
            if (!mapped) {
                if (out)
                    *out += '?';
                if (kept)
                    *kept += '?';
                continue;
            }
            if (out)
                out->append(buffer, static_cast<std::size_t>(to - buffer));
            if (kept)
                kept->append(utf8.substr(start, pos - start));
            continue;
        }
        if (out)
            *out += static_cast<char>(lead);
        if (kept)
            *kept += static_cast<char>(lead);
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
