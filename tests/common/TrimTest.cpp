// Trimming cuts only the named blanks and only at the ends; text of blanks alone becomes empty.
#include <gtest/gtest.h>

#include "common/Trim.h"

namespace {

TEST(Trim, CutsTheNamedBlanksAtBothEndsOnly)
{
    EXPECT_EQ(text::trimmed(" \t a b \t ", " \t"), "a b");
    EXPECT_EQ(text::trimmed("\r\nx\r\n", " \t"), "\r\nx\r\n");
    EXPECT_EQ(text::trimmed("\v\f x \n", text::whiteSpace), "x");
    EXPECT_EQ(text::trimmed("x", " "), "x");
    EXPECT_EQ(text::trimmed("   ", " "), "");
    EXPECT_EQ(text::trimmed("", " "), "");
}

}  // namespace
