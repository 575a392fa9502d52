// Trimming cuts only the named blanks and only at the ends; text of blanks alone becomes empty.
#include <gtest/gtest.h>

#include "common/Trim.h"

namespace {

TEST(Trim, CutsTheNamedBlanksAtBothEndsOnly)
{
    EXPECT_EQ(common::trimmed(" \t a b \t ", " \t"), "a b");
    EXPECT_EQ(common::trimmed("\r\nx\r\n", " \t"), "\r\nx\r\n");
    EXPECT_EQ(common::trimmed("\v\f x \n", common::whiteSpace), "x");
    EXPECT_EQ(common::trimmed("x", " "), "x");
    EXPECT_EQ(common::trimmed("   ", " "), "");
    EXPECT_EQ(common::trimmed("", " "), "");
}

}  // namespace
