// Stored datetime values: days and ticks to the calendar and back over datetime's whole range.
#include "taskstore/store/StoredDateTime.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

namespace store = taskstore::store;

TEST(StoredDateTime, TicksRoundTrip)
{
    for (std::int32_t days = store::daysFromCivil({1753, 1, 1}); days <= store::daysFromCivil({9999, 12, 31});
         days += 997) {
        const store::CivilDate date = store::civilFromDays(days);
        ASSERT_EQ(store::daysFromCivil(date), days);
        const store::DateTimeValue value{
            days, static_cast<std::uint32_t>(days % store::ticksPerDay + store::ticksPerDay) % store::ticksPerDay};
        ASSERT_EQ(store::parseStored(store::formatStored(value)), value);
    }
    EXPECT_EQ(store::daysFromCivil({1900, 1, 1}), 0);
    EXPECT_EQ(store::millisecondsOf(store::fromMilliseconds(0, 995).ticks), 997);
}

TEST(StoredDateTime, StoredTextIsACalendarDay)
{
    for (const char* text : {"2024-02-29 00:00:00.000", "2000-02-29 23:59:59.997", "2026-04-30 12:00:00.000"})
        EXPECT_TRUE(store::parseStored(text).has_value()) << text;
    for (const char* text : {"2026-02-29 00:00:00.000", "1900-02-29 00:00:00.000", "2026-04-31 00:00:00.000",
                             "2026-02-30 00:00:00.000", "2026-13-01 00:00:00.000", "2026-01-0a 00:00:00.000"})
        EXPECT_FALSE(store::parseStored(text).has_value()) << text;
}

}  // namespace
