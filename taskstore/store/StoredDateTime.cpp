#include "taskstore/store/StoredDateTime.h"

#include <cstdio>

namespace taskstore::store {
namespace {

// Days between 1970-01-01 and 1900-01-01.
constexpr std::int32_t epochOffset = 25567;

int daysInMonth(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

}  // namespace

// Howard Hinnant's days_from_civil, shifted to 1900-01-01.
std::int32_t daysFromCivil(CivilDate date)
{
    const int y = date.year - (date.month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (date.month + (date.month > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468 + epochOffset;
}

CivilDate civilFromDays(std::int32_t days)
{
    const int z = days - epochOffset + 719468;
    const int era = (z >= 0 ? z : z - 146096) / 146097;
    const int dayOfEra = z - era * 146097;
    const int yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int mp = (5 * dayOfYear + 2) / 153;
    const int day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const int month = mp + (mp < 10 ? 3 : -9);
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

bool inDateTimeRange(DateTimeValue value)
{
    static const std::int32_t first = daysFromCivil({1753, 1, 1});
    static const std::int32_t last = daysFromCivil({9999, 12, 31});
    return value.days >= first && value.days <= last && value.ticks < ticksPerDay;
}

DateTimeValue fromMilliseconds(std::int32_t days, std::int64_t millisecondsOfDay)
{
    // 1/300 s ticks, rounded to the nearest tick.
    std::int64_t ticks = (millisecondsOfDay * 3 + 5) / 10;
    days += static_cast<std::int32_t>(ticks / ticksPerDay);
    ticks %= ticksPerDay;
    return {days, static_cast<std::uint32_t>(ticks)};
}

std::int64_t millisecondsOf(std::uint32_t ticks) { return (static_cast<std::int64_t>(ticks) * 10 + 1) / 3; }

std::string formatStored(DateTimeValue value)
{
    const CivilDate date = civilFromDays(value.days);
    const std::int64_t ms = millisecondsOf(value.ticks);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", date.year, date.month, date.day,
                  static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60),
                  static_cast<int>(ms % 1000));
    return text;
}

std::optional<DateTimeValue> parseStored(std::string_view text)
{
    if (text.size() != 23 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' || text[16] != ':'
        || text[19] != '.')
        return std::nullopt;
    // Every listed row's datetime is read here: a non-digit is noted rather than branched on.
    bool bad = false;
    const auto digit = [&](std::size_t i) {
        const unsigned value = static_cast<unsigned char>(text[i]) - unsigned{'0'};
        bad |= value > 9;
        return static_cast<int>(value);
    };
    const auto two = [&](std::size_t i) { return digit(i) * 10 + digit(i + 1); };
    const int year = two(0) * 100 + two(2), month = two(5), day = two(8);
    const int hour = two(11), minute = two(14), second = two(17);
    const int millisecond = digit(20) * 100 + two(21);
    if (bad || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 || minute > 59
        || second > 59)
        return std::nullopt;
    const std::int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
    const DateTimeValue value = fromMilliseconds(daysFromCivil({year, month, day}), ms);
    if (!inDateTimeRange(value))
        return std::nullopt;
    return value;
}

}  // namespace taskstore::store
