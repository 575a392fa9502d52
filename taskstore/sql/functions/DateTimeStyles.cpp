#include "taskstore/sql/functions/DateTimeStyles.h"

#include "taskstore/sql/errors/SqlErrors.h"
#include "taskstore/store/StoredDateTime.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace taskstore::sql {
namespace {

constexpr const char* monthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct Parts {
    int year, month, day, hour, minute, second, milli;
    int hour12() const { return hour % 12 == 0 ? 12 : hour % 12; }
    const char* amPm() const { return hour < 12 ? "AM" : "PM"; }
    const char* monthName() const { return monthNames[month - 1]; }
};

// The date part of the styles that come with and without the century (1-7, 10-12 and 101-107,
// 110-112): `year` is two or four digits.
std::string datePart(const Parts& p, int style, bool century)
{
    const int year = century ? p.year : p.year % 100;
    const char* y = century ? "%04d" : "%02d";
    const std::string yy = [&] {
        char text[8];
        std::snprintf(text, sizeof text, y, year);
        return std::string(text);
    }();
    char text[40];
    switch (style) {
    case 1: std::snprintf(text, sizeof text, "%02d/%02d/%s", p.month, p.day, yy.c_str()); break;
    case 2: std::snprintf(text, sizeof text, "%s.%02d.%02d", yy.c_str(), p.month, p.day); break;
    case 3: std::snprintf(text, sizeof text, "%02d/%02d/%s", p.day, p.month, yy.c_str()); break;
    case 4: std::snprintf(text, sizeof text, "%02d.%02d.%s", p.day, p.month, yy.c_str()); break;
    case 5: std::snprintf(text, sizeof text, "%02d-%02d-%s", p.day, p.month, yy.c_str()); break;
    case 6: std::snprintf(text, sizeof text, "%02d %s %s", p.day, p.monthName(), yy.c_str()); break;
    case 7: std::snprintf(text, sizeof text, "%s %02d, %s", p.monthName(), p.day, yy.c_str()); break;
    case 10: std::snprintf(text, sizeof text, "%02d-%02d-%s", p.month, p.day, yy.c_str()); break;
    case 11: std::snprintf(text, sizeof text, "%s/%02d/%02d", yy.c_str(), p.month, p.day); break;
    default: std::snprintf(text, sizeof text, "%s%02d%02d", yy.c_str(), p.month, p.day); break;  // 12
    }
    return text;
}

bool hasDateWithAndWithoutCentury(int style)
{
    const int base = style >= 100 ? style - 100 : style;
    return (base >= 1 && base <= 7) || (base >= 10 && base <= 12);
}

}  // namespace

std::string dateTimeText(std::string_view stored, int style)
{
    const auto value = store::parseStored(stored);
    if (!value)
        return std::string(stored);
    const store::CivilDate date = store::civilFromDays(value->days);
    const std::int64_t ms = store::millisecondsOf(value->ticks);
    const Parts p{date.year,
                  date.month,
                  date.day,
                  static_cast<int>(ms / 3600000),
                  static_cast<int>(ms / 60000 % 60),
                  static_cast<int>(ms / 1000 % 60),
                  static_cast<int>(ms % 1000)};
    if (hasDateWithAndWithoutCentury(style))
        return datePart(p, style >= 100 ? style - 100 : style, style >= 100);
    char text[48];
    switch (style) {
    case 0:
    case 100:
        std::snprintf(text, sizeof text, "%s %2d %04d %2d:%02d%s", p.monthName(), p.day, p.year, p.hour12(), p.minute,
                      p.amPm());
        break;
    case 8:
    case 24:
    case 108: std::snprintf(text, sizeof text, "%02d:%02d:%02d", p.hour, p.minute, p.second); break;
    case 9:
    case 109:
        std::snprintf(text, sizeof text, "%s %2d %04d %2d:%02d:%02d:%03d%s", p.monthName(), p.day, p.year, p.hour12(),
                      p.minute, p.second, p.milli, p.amPm());
        break;
    case 13:
    case 113:
        std::snprintf(text, sizeof text, "%02d %s %04d %02d:%02d:%02d:%03d", p.day, p.monthName(), p.year, p.hour,
                      p.minute, p.second, p.milli);
        break;
    case 14:
    case 114: std::snprintf(text, sizeof text, "%02d:%02d:%02d:%03d", p.hour, p.minute, p.second, p.milli); break;
    case 20:
    case 120:
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute,
                      p.second);
        break;
    case 21:
    case 25:
    case 121: return std::string(stored);
    case 22:
        std::snprintf(text, sizeof text, "%02d/%02d/%02d %2d:%02d:%02d %s", p.month, p.day, p.year % 100, p.hour12(),
                      p.minute, p.second, p.amPm());
        break;
    case 23: std::snprintf(text, sizeof text, "%04d-%02d-%02d", p.year, p.month, p.day); break;
    case 126:
    case 127: {
        // A zero millisecond part is left out; a datetime has no time zone, so 127 writes no Z.
        const int length = std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", p.year, p.month, p.day,
                                         p.hour, p.minute, p.second);
        if (p.milli != 0)
            std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length), ".%03d", p.milli);
        break;
    }
    case 130:
    case 131: throw makeError<ErrorId::FeatureUnsupported>("the Hijri date styles 130 and 131");
    default: throw makeError<ErrorId::InvalidDateTimeStyle>(style);
    }
    return text;
}

void requireReadableDateStyle(int style)
{
    static constexpr int asUsEnglishReads[] = {0,  1,   7,   8,   9,   10,  12,  14,  20,  21,  22,  23,  24,
                                               25, 100, 101, 107, 108, 109, 110, 112, 114, 120, 121, 126, 127};
    if (std::find(std::begin(asUsEnglishReads), std::end(asUsEnglishReads), style) == std::end(asUsEnglishReads))
        throw makeError<ErrorId::DateStyleInputUnsupported>(style);
}

}  // namespace taskstore::sql
