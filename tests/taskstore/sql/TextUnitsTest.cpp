// Text measured and searched in UTF-16 code units, as CHARINDEX counts them.
#include "taskstore/sql/functions/TextUnits.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <tuple>

namespace tsqltest {
namespace {

using namespace taskstore::sql;

TEST(TextUnits, FindReadsTheTextOnce)
{
    const std::string longText = std::string(400'000, 'a') + "b";
    const std::string longPattern = std::string(199'999, 'a') + "b";
    const std::tuple<std::string, std::string, std::int64_t, std::int64_t> cases[] = {
        {"aab", "aaab", 1, 2},       // a partial match that restarts inside itself
        {"abab", "abababab", 2, 3},  // overlapping occurrences
        {"abab", "abababab", 6, 0},  // none left after the start
        {"aaa", "aa", 1, 0},         // longer than the text
        {"B", "abcb", 3, 4},         // under the collation's folding
        {"b",
         "\xF0\x9F\x98\x80"
         "b",
         1, 3},  // a character outside the BMP counts two units
        {"", "abc", 1, 0},
        {"ab", "ab", -5, 1},  // a start below 1 counts as 1
        {longPattern, longText, 1, 200'002},
    };
    for (const auto& [pattern, text, start, expected] : cases)
        EXPECT_EQ(utf16Find(pattern, text, start), expected) << pattern.substr(0, 10) << " in " << text.substr(0, 10);
    const std::atomic<bool> stop{true};
    EXPECT_THROW(utf16Find(longPattern, longText, 1, &stop), ScanStopped);
}

}  // namespace
}  // namespace tsqltest
