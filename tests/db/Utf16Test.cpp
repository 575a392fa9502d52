// The UTF-8 and UTF-16 conversions under every ODBC call.
#include <gtest/gtest.h>

#include "db/Utf16.h"

namespace {

TEST(Utf16, RoundTripsEveryPlaneAndReplacesMalformedInput)
{
    const std::string text = "a\xC3\xA9密码😀\x7F";
    EXPECT_EQ(db::toUtf16(text), u"aé密码😀\x7F");
    EXPECT_EQ(db::toUtf8(db::toUtf16(text)), text);
    EXPECT_EQ(db::toUtf16("\xFF"
                          "b"),
              u"\xFFFD"
              u"b");
    EXPECT_EQ(db::toUtf16("\xE5\xAF"), u"\xFFFD\xFFFD");            // cut short
    EXPECT_EQ(db::toUtf16("\xC0\xAF"), u"\xFFFD\xFFFD");            // overlong "/"
    EXPECT_EQ(db::toUtf16("\xED\xA0\x80"), u"\xFFFD\xFFFD\xFFFD");  // encoded surrogate
    const char16_t lone[] = {u'x', 0xD800, u'y', 0xDC00};
    EXPECT_EQ(db::toUtf8(std::u16string_view(lone, 4)), "x\xEF\xBF\xBDy\xEF\xBF\xBD");
}

TEST(Utf16, LongTextConvertsWholeWhereverItsPairsFall)
{
    // Long values are converted in pieces; a surrogate pair may sit on any boundary, and text
    // already in the target stays in front.
    for (const std::size_t prefix : {254u, 255u, 256u, 511u, 1000u}) {
        const std::string utf8 = std::string(prefix, 'a') + "😀" + std::string(300, '\x7F') + "密";
        std::string out = "kept";
        db::appendUtf8(out, db::toUtf16(utf8));
        EXPECT_EQ(out, "kept" + utf8) << prefix;
    }
    std::string cjk;
    for (int i = 0; i < 700; ++i)
        cjk += "异常";
    EXPECT_EQ(db::toUtf8(db::toUtf16(cjk)), cjk);
}

TEST(Utf16, AsciiRunsOfEveryLengthMeetTheOtherForms)
{
    // ASCII goes four units at a time; a run of any length must hand over to the other forms
    // (and U+0080, the first that is not ASCII) wherever it ends, and resume after them.
    const struct {
        std::u16string tail;
        std::string utf8;
    } tails[] = {{u"", ""},
                 {u"\x0080", "\xC2\x80"},
                 {u"é", "\xC3\xA9"},
                 {u"密", "\xE5\xAF\x86"},
                 {u"😀", "\xF0\x9F\x98\x80"},
                 {std::u16string(1, char16_t(0xDC00)), "\xEF\xBF\xBD"}};
    for (std::size_t run = 0; run <= 9; ++run) {
        for (const auto& tail : tails) {
            const std::u16string utf16 = std::u16string(run, u'7') + tail.tail + u"T01\x7F";
            EXPECT_EQ(db::toUtf8(utf16), std::string(run, '7') + tail.utf8 + "T01\x7F") << run << " " << tail.utf8;
        }
    }
}


TEST(Utf16, BufferTakesEveryFormInPlace)
{
    // Written straight into the buffer's free end: three bytes a unit at most, pairs whole, a
    // high surrogate left alone at the end replaced, and what was there before kept.
    std::string cjk;
    for (int i = 0; i < 500; ++i)
        cjk += "异常";
    const char16_t loneAtEnd[] = {u'z', 0xD83D};
    db::ReallocBuffer<char> buffer;
    const std::string kept = "kept";
    buffer.append(kept.data(), kept.size());
    for (const std::u16string& utf16 :
         {db::toUtf16(cjk), std::u16string(u"aé😀\x7F"), std::u16string(loneAtEnd, 2), std::u16string()})
        db::appendUtf8(buffer, utf16);
    EXPECT_EQ(std::string_view(buffer.data(), buffer.size()), kept + cjk + "a\xC3\xA9😀\x7Fz\xEF\xBF\xBD");
}

}  // namespace
