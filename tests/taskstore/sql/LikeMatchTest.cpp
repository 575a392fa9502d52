// LIKE under the text collation: wildcards, sets, trailing blanks, and patterns that once took
// exponential time.
#include "TsqlCases.h"

#include "taskstore/sql/functions/LikeMatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <tuple>
#include <vector>

namespace tsqltest {
namespace {

using namespace taskstore::sql;

TEST(LikeMatch, WildcardsSetsAndBlanks)
{
    const std::vector<std::tuple<std::string, std::string, bool>> cases = {
        {"abc", "abc", true},   {"ABC", "a%", true},      {"abc", "_b_", true},      {"abc", "%c", true},
        {"abc", "%d%", false},  {"abc", "[a-b]bc", true}, {"cbc", "[a-b]bc", false}, {"xbc", "[^a]bc", true},
        {"abc  ", "abc", true}, {"ab", "abc", false},     {"总账", "总%", true},     {"a%c", "a[%]c", true},
        {"ａｂ", "ab", true},   {"", "%", true},          {"", "_", false},
        {"ｶﾀｶﾅ-ÉCOLE", "かた%école", true},  // under the collation: kana, width and case fold
    };
    for (const auto& [text, pattern, expected] : cases) {
        EXPECT_EQ(likeMatches(text, pattern), expected) << text << " LIKE " << pattern;
    }
    // Patterns that made a backtracking matcher take exponential time.
    EXPECT_FALSE(likeMatches(std::string(60, 'a'), repeat("%a", 14) + "%b"));
    EXPECT_TRUE(likeMatches(std::string(3000, 'a') + "b", repeat("%a", 1000) + "%b"));
    EXPECT_TRUE(likeMatches("xay", "%[ab]%"));
    EXPECT_FALSE(likeMatches("xay", "%[^axy]%"));
}

TEST(LikeMatch, StopsWhenAsked)
{
    const std::atomic<bool> stop{true};
    EXPECT_THROW(likeMatches("abc", "%b%", &stop), ScanStopped);
    const std::atomic<bool> go{false};
    EXPECT_TRUE(likeMatches("abc", "%b%", &go));
}

}  // namespace
}  // namespace tsqltest
