// ASCII case folding must leave every other byte alone: a UTF-8 name is never folded as if its
// bytes were Latin-1 letters, whatever locale the process runs in.
#include <gtest/gtest.h>

#include "common/AsciiCase.h"

namespace {

TEST(AsciiCase, FoldsTheTwentySixLettersAndNoOtherByte)
{
    for (int byte = 0; byte < 256; ++byte) {
        const char c = static_cast<char>(byte);
        const bool upper = byte >= 'A' && byte <= 'Z';
        const bool lower = byte >= 'a' && byte <= 'z';
        EXPECT_EQ(common::asciiLower(c), upper ? static_cast<char>(byte + 32) : c) << byte;
        EXPECT_EQ(common::asciiUpper(c), lower ? static_cast<char>(byte - 32) : c) << byte;
    }
    EXPECT_EQ(common::asciiLower("VOZUZODI_@[`{Ä"), "vozuzodi_@[`{Ä");
    EXPECT_EQ(common::asciiUpper("ansi_nulls ä"), "ANSI_NULLS ä");
}

TEST(AsciiCase, ComparesWholeNamesRegardlessOfLetterCaseOnly)
{
    EXPECT_TRUE(common::equalIgnoringAsciiCase("VOZUZODI", "vozuzodi"));
    EXPECT_TRUE(common::equalIgnoringAsciiCase("", ""));
    EXPECT_FALSE(common::equalIgnoringAsciiCase("master", "maste"));
    EXPECT_FALSE(common::equalIgnoringAsciiCase("maste", "master"));
    EXPECT_FALSE(common::equalIgnoringAsciiCase("a@", "A`"));  // '@' and '`' are 32 apart but no letters
    EXPECT_FALSE(common::equalIgnoringAsciiCase("Ä", "ä"));    // UTF-8 C3 84 and C3 A4
}

}  // namespace
