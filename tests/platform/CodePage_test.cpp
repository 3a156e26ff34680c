#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace {

TEST(CodePage, AnsiAndOemAreGbk) {
    EXPECT_EQ(plat::AnsiCodePage(), plat::CP_GBK);
    for (unsigned cp : {plat::CP_ACP, plat::CP_OEMCP, plat::CP_GBK}) {
        std::string bytes;
        ASSERT_TRUE(plat::WideToMultiByte(cp, u"中文", bytes)) << cp;
        EXPECT_EQ(bytes, "\xD6\xD0\xCE\xC4") << cp;
    }
}

TEST(CodePage, ChineseTextRoundTripsThroughGbk) {
    const std::u16string text = u"张三 <zhangsan@example.com>; 通讯录，测试！ABC 123";
    std::string bytes;
    ASSERT_TRUE(plat::WideToMultiByte(plat::CP_ACP, text, bytes));
    EXPECT_EQ(bytes.substr(0, 5), "\xD5\xC5\xC8\xFD ");
    std::u16string back;
    ASSERT_TRUE(plat::MultiByteToWide(plat::CP_ACP, bytes, back));
    EXPECT_EQ(back, text);
    // Long text crosses the converter's first buffer size.
    std::u16string longText;
    for (int i = 0; i < 5000; ++i) longText += u"邮件a";
    ASSERT_TRUE(plat::WideToMultiByte(plat::CP_ACP, longText, bytes));
    EXPECT_EQ(bytes.size(), 25000u);
    ASSERT_TRUE(plat::MultiByteToWide(plat::CP_ACP, bytes, back));
    EXPECT_EQ(back, longText);
}

TEST(CodePage, UnmappableCharactersBecomeQuestionMarks) {
    std::string bytes;
    ASSERT_TRUE(plat::WideToMultiByte(plat::CP_ACP, u"a\u0E01b\u0E02", bytes));  // Thai
    EXPECT_EQ(bytes, "a?b?");
    ASSERT_TRUE(plat::WideToMultiByte(plat::CP_ACP, u"x\xD800y", bytes));  // lone surrogate
    EXPECT_EQ(bytes, "x?y");
}

TEST(CodePage, BytesThatAreNotGbkBecomeReplacementCharacters) {
    std::u16string text;
    ASSERT_TRUE(plat::MultiByteToWide(plat::CP_ACP,
                                      "a\xFF"
                                      "b",
                                      text));
    EXPECT_EQ(text, u"a\uFFFDb");
    ASSERT_TRUE(plat::MultiByteToWide(plat::CP_ACP, "ab\xD6", text));  // lead byte at the end
    EXPECT_EQ(text, u"ab\uFFFD");
    ASSERT_TRUE(plat::MultiByteToWide(plat::CP_ACP, "", text));
    EXPECT_EQ(text, u"");
}

TEST(CodePage, Utf8CodePage) {
    std::string bytes;
    ASSERT_TRUE(plat::WideToMultiByte(65001, u"中", bytes));
    EXPECT_EQ(bytes, "\xE4\xB8\xAD");
    std::u16string text;
    ASSERT_TRUE(plat::MultiByteToWide(65001, "\xE4\xB8\xAD\x80", text));
    EXPECT_EQ(text, u"中\uFFFD");
}

TEST(CodePage, UnknownCodePageFails) {
    std::string bytes;
    std::u16string text;
    EXPECT_FALSE(plat::WideToMultiByte(1252, u"a", bytes));
    EXPECT_FALSE(plat::MultiByteToWide(1252, "a", text));
}

}  // namespace
