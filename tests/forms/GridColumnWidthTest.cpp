// The task columns' width: single precision, a fifth less 11, ties to even, overflow as an error.
#include <gtest/gtest.h>
#include <limits>

#include "forms/main/ColumnWidth.h"
#include "runtime/RuntimeError.h"

namespace {

long errorNumberOf(double width)
{
    try {
        forms::taskColumnWidth(width);
    } catch (const runtime::RuntimeError& error) {
        return error.Number();
    }
    return 0;
}

TEST(GridColumnWidth, DesignWidthAndNearbyWidths)
{
    EXPECT_EQ(forms::taskColumnWidth(9225), 1834);
    EXPECT_EQ(forms::taskColumnWidth(9226), 1834);  // 1834.2
    EXPECT_EQ(forms::taskColumnWidth(9228), 1835);  // 1834.6
    EXPECT_EQ(forms::taskColumnWidth(55), 0);
    EXPECT_EQ(forms::taskColumnWidth(0), -11);
}

TEST(GridColumnWidth, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(forms::taskColumnWidth(9227.5), 1834);  // 1834.5
    EXPECT_EQ(forms::taskColumnWidth(9232.5), 1836);  // 1835.5
    EXPECT_EQ(forms::taskColumnWidth(57.5), 0);       // 0.5
    EXPECT_EQ(forms::taskColumnWidth(52.5), 0);       // -0.5
    EXPECT_EQ(forms::taskColumnWidth(47.5), -2);      // -1.5
}

TEST(GridColumnWidth, ComputedInSinglePrecision)
{
    // A fifth of 25000002 is 5000000.4; in single precision it is 5000000.5, a half that goes to
    // the even neighbour. Double precision would give 4999989.
    EXPECT_EQ(forms::taskColumnWidth(25000002), 4999990);
}

TEST(GridColumnWidth, OutOfRangeWidthsRaiseOverflow)
{
    EXPECT_EQ(errorNumberOf(1e40), runtime::ErrorNumber::Overflow);  // beyond single precision
    EXPECT_EQ(errorNumberOf(std::numeric_limits<double>::infinity()), runtime::ErrorNumber::Overflow);
    EXPECT_EQ(errorNumberOf(std::numeric_limits<double>::quiet_NaN()), runtime::ErrorNumber::Overflow);
    EXPECT_EQ(errorNumberOf(1.1e10), runtime::ErrorNumber::Overflow);  // 2.2e9 does not fit 32 bits
    EXPECT_EQ(errorNumberOf(-1.1e10), runtime::ErrorNumber::Overflow);
    EXPECT_EQ(forms::taskColumnWidth(1e10), 2000000000);  // 2e9 - 11 is 2e9 in single precision
}

}  // namespace
