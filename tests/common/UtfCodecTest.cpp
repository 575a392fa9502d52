// The codec every UTF-8 ⇄ UTF-16 conversion goes through: well-formed text of every plane round
// trips; malformed UTF-8 becomes U+FFFD a byte at a time; a lone surrogate becomes U+FFFD or stops
// the conversion with its kind, as the caller chose.
#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "common/UtfCodec.h"

namespace {

using common::LoneSurrogates;
using common::Utf16Fault;

std::u16string toUtf16(std::string_view utf8)
{
    std::u16string out;
    common::utf8ToUtf16(utf8, [&out](char16_t unit) { out += unit; });
    return out;
}

struct Converted {
    std::string utf8;
    Utf16Fault fault;
};

Converted toUtf8(std::u16string_view utf16, LoneSurrogates policy)
{
    Converted out{};
    auto to = std::back_inserter(out.utf8);
    out.fault = common::utf16ToUtf8([utf16](std::size_t i) { return utf16[i]; }, utf16.size(), policy, to);
    return out;
}

TEST(UtfCodec, Utf8BecomesUtf16AndMalformedBytesBecomeReplacements)
{
    const struct {
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {"", u""},
        {"a\xC3\xA9\xE5\xAF\x86", u"a\u00E9\u5BC6"},                  // one, two and three bytes
        {"\xF0\x9F\x98\x80", u"\xD83D\xDE00"},                        // U+1F600: a surrogate pair
        {"\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},                        // U+10FFFF, the last
        {"\xC0\xAF", u"\xFFFD\xFFFD"},                                // overlong "/"
        {"\xE0\x80\xAF", u"\xFFFD\xFFFD\xFFFD"},                      // overlong in three bytes
        {"\xE5\xAF", u"\xFFFD\xFFFD"},                                // truncated at the end
        {"\xF0\x9F\x98", u"\xFFFD\xFFFD\xFFFD"},                      // truncated pair
        {"\xE5\xAF"
         "b",
         u"\xFFFD\xFFFD"
         u"b"},                                                       // truncated before ASCII
        {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},                      // an encoded surrogate
        {"\xE1\x80\x80\xEF\xBF\xBF", u"\u1000\uFFFF"},                // the plain three-byte leads' ends
        {"\xE5"
         "A\xAF",
         u"\xFFFD"
         u"A\xFFFD"},                                                 // a lead without its continuation
        {"\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},            // past U+10FFFF
        {"\x80x\xFF", u"\xFFFDx\xFFFD"},                              // stray bytes
    };
    for (const auto& c : cases)
        EXPECT_EQ(toUtf16(c.utf8), c.utf16) << testing::PrintToString(c.utf8);
}

TEST(UtfCodec, Utf16BecomesUtf8AndALoneSurrogateIsReplacedOrReported)
{
    const struct {
        std::u16string utf16;
        std::string replaced;
        Utf16Fault reported;
        std::string beforeFault;
    } cases[] = {
        {u"a\u00E9\u5BC6", "a\xC3\xA9\xE5\xAF\x86", Utf16Fault::None, "a\xC3\xA9\xE5\xAF\x86"},
        {u"\xD83D\xDE00\xDBFF\xDFFF", "\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", Utf16Fault::None,
         "\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"},
        {u"x\xD800", "x\xEF\xBF\xBD", Utf16Fault::LoneHighSurrogate, "x"},       // high at the end
        {u"\xD800y", "\xEF\xBF\xBDy", Utf16Fault::LoneHighSurrogate, ""},        // high, then no low
        {u"\xD83D\xD83D\xDE00", "\xEF\xBF\xBD\xF0\x9F\x98\x80", Utf16Fault::LoneHighSurrogate, ""},
        {u"x\xDC00y", "x\xEF\xBF\xBDy", Utf16Fault::LoneLowSurrogate, "x"},      // low alone
        {u"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD", Utf16Fault::LoneLowSurrogate, ""},  // reversed
    };
    for (const auto& c : cases) {
        const Converted replaced = toUtf8(c.utf16, LoneSurrogates::Replace);
        EXPECT_EQ(replaced.utf8, c.replaced);
        EXPECT_EQ(replaced.fault, Utf16Fault::None);
        const Converted reported = toUtf8(c.utf16, LoneSurrogates::Report);
        EXPECT_EQ(reported.fault, c.reported) << testing::PrintToString(c.replaced);
        EXPECT_EQ(reported.utf8, c.beforeFault);
    }
}

TEST(UtfCodec, CodePointsCountTheUnitsTheyTake)
{
    EXPECT_EQ(common::utf16Length(U'a'), 1u);
    EXPECT_EQ(common::utf16Length(0xFFFF), 1u);
    EXPECT_EQ(common::utf16Length(0x10000), 2u);
    EXPECT_EQ(common::utf16Length(0x10FFFF), 2u);
}

}  // namespace
