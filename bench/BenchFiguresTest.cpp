#include <gtest/gtest.h>
#include <stdexcept>

#include "bench/BenchFigures.h"
#include "bench/StartTimes.h"

namespace {

TEST(Figures, MedianOfOddAndEvenCountsIgnoresOrder)
{
    EXPECT_DOUBLE_EQ(bench::median({5, 1, 3}), 3);
    EXPECT_DOUBLE_EQ(bench::median({4, 1, 3, 2}), 2.5);
    EXPECT_DOUBLE_EQ(bench::median({7}), 7);
    EXPECT_DOUBLE_EQ(bench::median({}), 0);
}

TEST(Figures, SizeLabels)
{
    EXPECT_EQ(bench::sizeLabel(10'000), "10k");
    EXPECT_EQ(bench::sizeLabel(100'000), "100k");
    EXPECT_EQ(bench::sizeLabel(1'000'000), "1m");
    EXPECT_EQ(bench::sizeLabel(2'500), "2500");
    EXPECT_EQ(bench::sizeLabel(1'500'000), "1500k");
}

TEST(Figures, SizesListAcceptsOnlyPositiveNumbers)
{
    EXPECT_EQ(bench::parseSizes("10000,100000"), (std::vector<long long>{10'000, 100'000}));
    EXPECT_EQ(bench::parseSizes("7"), (std::vector<long long>{7}));
    for (const char* bad : {"", "10000,", ",5", "0", "-3", "1e6", "12x", "5,,6"})
        EXPECT_THROW(bench::parseSizes(bad), std::invalid_argument) << bad;
}

TEST(Figures, TargetLineSaysMetOnlyWithinTheGoal)
{
    EXPECT_EQ((bench::Target{"refresh-100k", 1.124, 1.25}.line()), "target refresh-100k: 1.12 (goal <= 1.25) met");
    EXPECT_EQ((bench::Target{"serve-1m", 2.0, 2.0}.line()), "target serve-1m: 2.00 (goal <= 2.00) met");
    EXPECT_EQ((bench::Target{"start", 1.51, 1.5}.line()), "target start: 1.51 (goal <= 1.50) not met");
}

TEST(Figures, GrowthNeedsBothSizes)
{
    const auto growth = bench::growthTarget("growth-refresh", 0.5, 6.5, 12);
    ASSERT_TRUE(growth.has_value());
    EXPECT_DOUBLE_EQ(growth->value, 13);
    EXPECT_FALSE(growth->met());
    EXPECT_FALSE(bench::growthTarget("growth-refresh", std::nullopt, 6.5, 12).has_value());
    EXPECT_FALSE(bench::growthTarget("growth-refresh", 0.5, std::nullopt, 12).has_value());
    EXPECT_FALSE(bench::growthTarget("growth-refresh", 0.0, 1.0, 12).has_value());
}

TEST(Figures, PeakMemoryIsReadFromTheStatusInKibibytes)
{
    EXPECT_EQ(bench::peakResidentBytesOf("Name:\ttaskclear\nVmPeak:\t  900 kB\nVmHWM:\t  141236 kB\nVmRSS:\t 5 kB\n"),
              141236u * 1024);
    for (const char* bad : {"", "Name:\tx\nVmRSS:\t5 kB\n", "Name:\tx\nVmHWM:\t kB\n", "Name:\tx\nVmHWM:\t12 MB\n",
                            "Name:\tx\nVmHWM:\t12"})
        EXPECT_THROW(bench::peakResidentBytesOf(bad), std::runtime_error) << bad;
}

TEST(Figures, StartSplitsAtTheProbesReadingsAndRefusesThemOutOfOrder)
{
    const bench::StartTimes start = bench::startTimesOf(100.0, "100010000000 100015000000 100016000000\n");
    EXPECT_NEAR(start.total, 0.016, 1e-9);
    EXPECT_NEAR(start.qtStart, 0.010, 1e-9);
    EXPECT_NEAR(start.windowBuilt, 0.005, 1e-9);
    EXPECT_NEAR(start.firstPaint, 0.001, 1e-9);
    for (const char* bad : {"", "100010000000", "100015000000 100010000000 100016000000", "x y z"})
        EXPECT_THROW(bench::startTimesOf(100.0, bad), std::runtime_error) << bad;

    // Each figure's own median: the slowest run's paint does not drag its other figures along.
    const bench::StartTimes middle = bench::medianStart({{3, 1, 1, 1}, {9, 1, 1, 7}, {4, 2, 1, 1}});
    EXPECT_DOUBLE_EQ(middle.total, 4);
    EXPECT_DOUBLE_EQ(middle.qtStart, 1);
    EXPECT_DOUBLE_EQ(middle.firstPaint, 1);
}

}  // namespace
