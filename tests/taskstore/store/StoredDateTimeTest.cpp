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

}  // namespace
