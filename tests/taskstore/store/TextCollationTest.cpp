// The text collation: case, width and kana insensitive, accent sensitive, trailing blanks ignored,
// Chinese characters in pinyin order.
#include "taskstore/store/TextCollation.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

namespace {

using taskstore::store::compareText;

TEST(TextCollation, CaseWidthAndTrailingBlanks)
{
    EXPECT_EQ(compareText("AR01", "ar01 "), 0);
    EXPECT_EQ(compareText("ａｒ０１", "AR01"), 0);
    EXPECT_EQ(compareText("a\xE3\x80\x80", "a"), 0);  // ideographic space at the end
    EXPECT_NE(compareText(" a", "a"), 0);             // leading blanks count
    EXPECT_LT(compareText("a", "b"), 0);
    EXPECT_GT(compareText("ab", "a"), 0);
    // Malformed UTF-8 still gets a consistent order.
    const std::string bad = "a\xE3\x80";
    EXPECT_EQ(compareText(bad, bad), 0);
    EXPECT_EQ(compareText(bad, "a") > 0, compareText("a", bad) < 0);
}

TEST(TextCollation, ChinesePrcCaseKanaAndWidthInsensitiveAccentSensitive)
{
    EXPECT_EQ(compareText("ÉCOLE Straße", "école STRASSE") == 0, false);  // ß is no ss
    EXPECT_EQ(compareText("ÉCOLE", "école"), 0);
    EXPECT_NE(compareText("école", "ecole"), 0);
    EXPECT_EQ(compareText("ΑΒΓ ПРИВЕТ Ÿ Ł", "αβγ привет ÿ ł"), 0);
    EXPECT_EQ(compareText("カタカナ", "かたかな"), 0);
    EXPECT_EQ(compareText("ｶﾀｶﾅ", "カタカナ"), 0);
    EXPECT_EQ(compareText("（Ａ１）", "(a1)"), 0);
}

TEST(TextCollation, ChineseCharactersSortByPinyinThenRadicalThenCodePoint)
{
    // 啊 a, 八 ba, 账 zhang, 中 zhong, 总 zong: code point order would be 中 八 啊 总 账.
    const std::vector<std::string> pinyin{"啊", "八", "账", "中", "总"};
    for (std::size_t i = 0; i + 1 < pinyin.size(); ++i) {
        EXPECT_LT(compareText(pinyin[i], pinyin[i + 1]), 0) << pinyin[i] << " " << pinyin[i + 1];
    }
    EXPECT_LT(compareText("座", "亍"), 0);  // the last common character before the first rare one
    EXPECT_LT(compareText("亍", "丟"), 0);  // GB2312 before ideographs outside it
    EXPECT_LT(compareText("z", "啊"), 0);
    EXPECT_LT(compareText("总账", "总账a"), 0);
}

}  // namespace
