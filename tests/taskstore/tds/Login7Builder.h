#pragma once
// Builds LOGIN7 records for tests, with the strings laid out in an unusual order.
#include <map>

#include "Bytes.h"

namespace tdstest {

// Offsets of the (offset, count) pairs in the fixed part.
enum FieldAt : std::size_t {
    Host = 36,
    User = 40,
    Password = 44,
    App = 48,
    Server = 52,
    Extension = 56,
    Library = 60,
    Language = 64,
    Database = 68,
    Sspi = 78
};

struct Login7Builder {
    std::map<FieldAt, std::vector<std::uint8_t>> fields;  // raw bytes of each string
    std::uint8_t optionFlags2 = 0x03;
    std::uint32_t tdsVersion = 0x74000004;

    // Strings are laid out in reverse field order, with a gap, to defeat any assumption of order.
    std::vector<std::uint8_t> build() const
    {
        std::vector<std::uint8_t> record(tdsVersion >= 0x72000000 ? 94 : 86, 0);
        const auto put16 = [&](std::size_t at, std::size_t v) {
            record[at] = static_cast<std::uint8_t>(v);
            record[at + 1] = static_cast<std::uint8_t>(v >> 8);
        };
        for (int i = 0; i < 4; ++i)
            record[4 + i] = static_cast<std::uint8_t>(tdsVersion >> (8 * i));
        record[9] = 0x10;  // packet size 4096
        record[25] = optionFlags2;
        record.resize(record.size() + 4, 0xAA);  // a gap no field points at
        for (auto it = fields.rbegin(); it != fields.rend(); ++it) {
            put16(it->first, record.size());
            put16(it->first + 2, it->first == Sspi ? it->second.size() : it->second.size() / 2);
            record.insert(record.end(), it->second.begin(), it->second.end());
        }
        put16(0, record.size());
        return record;
    }
};

inline std::vector<std::uint8_t> obfuscate(std::vector<std::uint8_t> clear)
{
    for (auto& b : clear)
        b = static_cast<std::uint8_t>(((b << 4 | b >> 4) & 0xFF) ^ 0xA5);
    return clear;
}

inline Login7Builder typicalLogin(std::string_view user = "SA", std::string_view password = "s3cret",
                                  std::string_view database = "VOZUZODI")
{
    Login7Builder b;
    b.fields[Host] = ucs2("desk");
    b.fields[User] = ucs2(user);
    b.fields[Password] = obfuscate(ucs2(password));
    b.fields[App] = ucs2("TSQL");
    b.fields[Library] = ucs2("TDS-Library");
    b.fields[Language] = ucs2("us_english");
    b.fields[Database] = ucs2(database);
    return b;
}

}  // namespace tdstest
