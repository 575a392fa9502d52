#pragma once
// datetime values as stored: text "YYYY-MM-DD HH:MM:SS.mmm" (it sorts in time order), and the
// server's own form, days since 1900-01-01 plus 1/300 s ticks since midnight.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace taskstore::store {

struct CivilDate {
    int year = 1900;
    int month = 1;
    int day = 1;
};

struct DateTimeValue {
    std::int32_t days = 0;    // since 1900-01-01
    std::uint32_t ticks = 0;  // 1/300 s since midnight, below 300 * 86400

    bool operator==(const DateTimeValue&) const = default;
};

inline constexpr std::uint32_t ticksPerDay = 300u * 86400u;

std::int32_t daysFromCivil(CivilDate date);
CivilDate civilFromDays(std::int32_t days);
// Whether the value lies in datetime's range, 1753-01-01 to 9999-12-31 23:59:59.997.
bool inDateTimeRange(DateTimeValue value);
// Milliseconds since midnight rounded to datetime's 1/300 s; a day boundary carries over.
DateTimeValue fromMilliseconds(std::int32_t days, std::int64_t millisecondsOfDay);
// Milliseconds since midnight as datetime shows them (.000, .003, .007).
std::int64_t millisecondsOf(std::uint32_t ticks);

std::string formatStored(DateTimeValue value);
// Reads the stored form back; nullopt when the text is not in it or the value out of range.
std::optional<DateTimeValue> parseStored(std::string_view text);

}  // namespace taskstore::store
