#pragma once
// The exact forms of the types that come in as RPC parameters and go out again unchanged:
// decimal/numeric/money as an unscaled integer and a scale, date/time/datetime2/datetimeoffset as
// days, 100-nanosecond units and an offset. Both the protocol (wire form) and the engine (its text
// form in SQLite, conversions) use them, so the text forms are written and read here only.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace taskstore {

__extension__ typedef unsigned __int128 Uint128;

// Largest magnitude of decimal(38): 10^38 - 1.
inline constexpr Uint128 maxDecimalMagnitude =
    static_cast<Uint128>(5421010862427522170ULL) << 64 | 687399551400673279ULL;

struct DecimalValue {
    bool negative = false;
    Uint128 magnitude = 0;  // value = magnitude / 10^scale
    std::uint8_t scale = 0;
    bool operator==(const DecimalValue&) const = default;
};

// What part of a TemporalValue a type holds.
enum class TemporalKind : std::uint8_t { Date, Time, DateTime2, DateTimeOffset };

struct TemporalValue {
    std::int32_t days = 0;    // since 0001-01-01
    std::uint64_t ticks = 0;  // 100 ns since midnight, local time
    std::int16_t offsetMinutes = 0;
    bool operator==(const TemporalValue&) const = default;
};

inline constexpr std::uint64_t temporalTicksPerDay = 864000000000ULL;
// The last day a date can be, 9999-12-31, and the widest offset of a datetimeoffset (14 hours).
inline constexpr std::int32_t temporalLastDay = 3652058;
inline constexpr int maxOffsetMinutes = 14 * 60;

// Bytes of the time part of a time, datetime2 or datetimeoffset on the wire at a scale of 0-7.
constexpr std::size_t temporalTimeBytes(int scale) { return scale <= 2 ? 3 : scale <= 4 ? 4 : 5; }

struct DayAndTime {
    std::int64_t days = 0;
    std::uint64_t ticks = 0;
};

// The day and time of day `minutes` later (earlier when negative), whole days carried over: how a
// datetimeoffset's local time and its UTC time are turned into each other.
inline DayAndTime shiftedByMinutes(std::int64_t days, std::uint64_t ticks, std::int64_t minutes)
{
    const auto perDay = static_cast<std::int64_t>(temporalTicksPerDay);
    const std::int64_t shifted = static_cast<std::int64_t>(ticks) + minutes * 600000000;
    const std::int64_t carry = shifted >= 0 ? shifted / perDay : -((-shifted + perDay - 1) / perDay);
    return {days + carry, static_cast<std::uint64_t>(shifted - carry * perDay)};
}

inline std::string formatDecimal(const DecimalValue& value)
{
    std::string digits;
    Uint128 m = value.magnitude;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
        m /= 10;
    } while (m != 0);
    if (digits.size() <= value.scale)
        digits.insert(0, value.scale + 1 - digits.size(), '0');
    if (value.scale > 0)
        digits.insert(digits.size() - value.scale, 1, '.');
    return (value.negative && value.magnitude != 0 ? "-" : "") + digits;
}

// Reads [blanks][sign]digits[.digits][blanks]; nullopt for anything else or more than 38 digits.
inline std::optional<DecimalValue> parseDecimal(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    DecimalValue value;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        value.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    bool point = false, digit = false;
    int digits = 0;
    for (const char c : text) {
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9')
            return std::nullopt;
        digit = true;
        if (value.magnitude == 0 && c == '0' && !point)
            continue;  // leading zeros count for nothing
        if (++digits > 38)
            return std::nullopt;
        value.magnitude = value.magnitude * 10 + static_cast<unsigned>(c - '0');
        if (point)
            ++value.scale;
    }
    if (!digit)
        return std::nullopt;
    return value;
}

// The value at another scale, rounded half away from zero; nullopt when it needs more than
// `precision` digits.
inline std::optional<DecimalValue> rescaleDecimal(DecimalValue value, std::uint8_t scale, std::uint8_t precision = 38)
{
    while (value.scale < scale) {
        if (value.magnitude > maxDecimalMagnitude / 10)
            return std::nullopt;
        value.magnitude *= 10;
        ++value.scale;
    }
    while (value.scale > scale) {
        const bool roundUp = value.magnitude % 10 >= 5;
        value.magnitude = value.magnitude / 10 + (roundUp ? 1 : 0);
        --value.scale;
    }
    Uint128 limit = 1;
    for (int i = 0; i < precision; ++i)
        limit *= 10;
    if (value.magnitude >= limit)
        return std::nullopt;
    return value;
}

constexpr std::int32_t temporalDaysFromCivil(int year, int month, int day)
{
    // Days since 0001-01-01 in the proleptic Gregorian calendar.
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = y / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 306;
}

inline void temporalCivilFromDays(std::int32_t days, int& year, int& month, int& day)
{
    const int z = days + 306;
    const int era = z / 146097;
    const int doe = z - era * 146097;
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp + (mp < 10 ? 3 : -9);
    year = yoe + era * 400 + (month <= 2 ? 1 : 0);
}

// SQL Server's own text of the value: "2024-01-02", "03:04:05.1234567", "2024-01-02 03:04:05.12",
// "2024-01-02 03:04:05.1234567 +08:00"; `scale` fraction digits (none at 0).
inline std::string formatTemporal(const TemporalValue& value, TemporalKind kind, int scale)
{
    std::string text;
    char part[48];
    if (kind != TemporalKind::Time) {
        int year = 0, month = 0, day = 0;
        temporalCivilFromDays(value.days, year, month, day);
        std::snprintf(part, sizeof part, "%04d-%02d-%02d", year, month, day);
        text = part;
    }
    if (kind == TemporalKind::Date)
        return text;
    const std::uint64_t seconds = value.ticks / 10000000;
    std::snprintf(part, sizeof part, "%s%02u:%02u:%02u", text.empty() ? "" : " ", static_cast<unsigned>(seconds / 3600),
                  static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60));
    text += part;
    if (scale > 0) {
        std::snprintf(part, sizeof part, ".%07llu", static_cast<unsigned long long>(value.ticks % 10000000));
        text += std::string(part, static_cast<std::size_t>(scale) + 1);
    }
    if (kind == TemporalKind::DateTimeOffset) {
        const int minutes = value.offsetMinutes < 0 ? -value.offsetMinutes : value.offsetMinutes;
        std::snprintf(part, sizeof part, " %c%02d:%02d", value.offsetMinutes < 0 ? '-' : '+', minutes / 60,
                      minutes % 60);
        text += part;
    }
    return text;
}

// Reads formatTemporal's forms back (any number of fraction digits up to 7).
inline std::optional<TemporalValue> parseTemporal(std::string_view text, TemporalKind kind)
{
    TemporalValue value;
    std::size_t pos = 0;
    const auto number = [&](std::size_t width, int& out) {
        if (pos + width > text.size())
            return false;
        out = 0;
        for (std::size_t i = 0; i < width; ++i) {
            const char c = text[pos + i];
            if (c < '0' || c > '9')
                return false;
            out = out * 10 + (c - '0');
        }
        pos += width;
        return true;
    };
    const auto symbol = [&](char c) { return pos < text.size() && text[pos] == c ? (++pos, true) : false; };
    int year = 1, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    if (kind != TemporalKind::Time) {
        if (!number(4, year) || !symbol('-') || !number(2, month) || !symbol('-') || !number(2, day) || month < 1
            || month > 12 || day < 1 || day > 31)
            return std::nullopt;
        value.days = temporalDaysFromCivil(year, month, day);
        if (kind == TemporalKind::Date)
            return pos == text.size() ? std::optional(value) : std::nullopt;
        if (!symbol(' '))
            return std::nullopt;
    }
    if (!number(2, hour) || !symbol(':') || !number(2, minute) || !symbol(':') || !number(2, second) || hour > 23
        || minute > 59 || second > 59)
        return std::nullopt;
    std::uint64_t fraction = 0;
    if (symbol('.')) {
        int digits = 0;
        for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 7; ++pos, ++digits)
            fraction = fraction * 10 + static_cast<unsigned>(text[pos] - '0');
        for (; digits < 7; ++digits)
            fraction *= 10;
    }
    value.ticks = (static_cast<std::uint64_t>(hour) * 3600 + static_cast<std::uint64_t>(minute) * 60
                   + static_cast<std::uint64_t>(second))
            * 10000000
        + fraction;
    if (kind == TemporalKind::DateTimeOffset) {
        int offsetHours = 0, offsetMinutes = 0;
        const bool space = symbol(' ');
        const bool negative = pos < text.size() && text[pos] == '-';
        if (!space || !(symbol('+') || symbol('-')) || !number(2, offsetHours) || !symbol(':')
            || !number(2, offsetMinutes))
            return std::nullopt;
        value.offsetMinutes = static_cast<std::int16_t>((negative ? -1 : 1) * (offsetHours * 60 + offsetMinutes));
    }
    return pos == text.size() ? std::optional(value) : std::nullopt;
}

}  // namespace taskstore
