#include "platform/Text.h"

#include <gtest/gtest.h>

namespace {

TEST(Text, Utf8AndUtf16RoundTrip) {
    const std::u16string samples[] = {
        u"",
        u"plain ascii\r\n",
        u"é ü ß",
        u"中文通讯录",
        u"\U0001F600 smile",        // needs a surrogate pair
        u"\uFFFD\uFFFF\U0010FFFF",  // edges of the code space
    };
    for (const auto& s : samples) {
        std::string utf8 = plat::Utf16ToUtf8(s);
        EXPECT_EQ(plat::Utf8ToUtf16(utf8), s) << utf8;
    }
    EXPECT_EQ(plat::Utf16ToUtf8(u"中"), "\xE4\xB8\xAD");
    EXPECT_EQ(plat::Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(Text, IllFormedUtf8BecomesReplacementCharacters) {
    struct Case {
        std::string in;
        std::u16string out;
    } cases[] = {
        {"a\x80z", u"a\uFFFDz"},                            // lone continuation byte
        {"a\xFFz", u"a\uFFFDz"},                            // never a lead byte
        {"a\xE4\xB8z", u"a\uFFFD\uFFFDz"},                  // cut short: the next letter survives
        {"a\xE4\xB8", u"a\uFFFD\uFFFD"},                    // cut short at the end
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong "/"
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // a surrogate written as UTF-8
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},  // NUL is a character
    };
    for (const auto& c : cases) EXPECT_EQ(plat::Utf8ToUtf16(c.in), c.out) << c.in;
}

TEST(Text, UnpairedSurrogatesBecomeReplacementCharacters) {
    const std::string repl = "\xEF\xBF\xBD";
    EXPECT_EQ(plat::Utf16ToUtf8(u"a\xD800z"), "a" + repl + "z");
    EXPECT_EQ(plat::Utf16ToUtf8(u"a\xDC00z"), "a" + repl + "z");
    EXPECT_EQ(plat::Utf16ToUtf8(u"a\xD800"), "a" + repl);
    EXPECT_EQ(plat::Utf16ToUtf8(u"\xDC00\xD800"), repl + repl);  // the wrong way round
}

TEST(Text, CaseFoldingComparisons) {
    EXPECT_TRUE(plat::EqualsNoCase(u"OUTLOOK.EXE", u"outlook.exe"));
    EXPECT_TRUE(plat::EqualsNoCase(u"Rctrl_RenWnd32", u"rctrl_renwnd32"));
    EXPECT_TRUE(plat::EqualsNoCase(u"Ébène", u"éBÈNE"));
    EXPECT_TRUE(plat::EqualsNoCase(u"收件人", u"收件人"));
    EXPECT_FALSE(plat::EqualsNoCase(u"abc", u"abcd"));
    EXPECT_FALSE(plat::EqualsNoCase(u"×", u"÷"));  // not a letter pair
    EXPECT_FALSE(plat::EqualsNoCase(u"[", u"{"));  // 0x5B and 0x7B differ by 32 but are no letters
    EXPECT_EQ(plat::ToUpper(u"foxmail.exe é"), u"FOXMAIL.EXE É");
    EXPECT_EQ(plat::ToLower(u"FOXMAIL.EXE É"), u"foxmail.exe é");
}

TEST(Text, TrimTakesBlanksTabsAndLineEnds) {
    EXPECT_EQ(plat::Trim(u" \t key = v \r\n"), u"key = v");
    EXPECT_EQ(plat::Trim(u" \t\r\n"), u"");
    EXPECT_EQ(plat::Trim(u"x"), u"x");
}

}  // namespace
