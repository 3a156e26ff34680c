#include "monitor/Common/TextConvert.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>

#include "platform/CodePage.h"

namespace {

// Local time is UTC+8 inside these tests, as on the systems the program targets.
class FormatTimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        m_hadTz = tz != nullptr;
        if (m_hadTz) m_oldTz = tz;
        setenv("TZ", "CST-8", 1);
        tzset();
    }
    void TearDown() override {
        if (m_hadTz)
            setenv("TZ", m_oldTz.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool m_hadTz = false;
    std::string m_oldTz;
};

TEST_F(FormatTimeTest, LocalTime) {
    EXPECT_EQ(FormatTime(0), u"1970-01-01 08:00:00");
    EXPECT_EQ(FormatTime(1700000000), u"2023-11-15 06:13:20");
    EXPECT_EQ(FormatTime(951839999), u"2000-02-29 23:59:59");
    EXPECT_EQ(FormatTime(-1), u"1970-01-01 07:59:59");
}

TEST_F(FormatTimeTest, UnconvertibleTimeGivesZeros) {
    EXPECT_EQ(FormatTime(std::numeric_limits<int64_t>::max()), u"0000-00-00 00:00:00");
}

TEST(ToWide, Conversions) {
    EXPECT_EQ(ToWide(plat::CP_UTF8, "\xE4\xB8\xAD\xE6\x96\x87 ok"), u"中文 ok");
    EXPECT_EQ(ToWide(plat::CP_ACP, "\xD6\xD0\xCE\xC4"), u"中文");
    EXPECT_EQ(ToWide(plat::CP_UTF8, ""), std::nullopt);
    EXPECT_EQ(ToWide(12345, "abc"), std::nullopt);  // no such code page
}

TEST(ToNarrow, Conversions) {
    EXPECT_EQ(ToNarrow(plat::CP_UTF8, u"中文 ok"), "\xE4\xB8\xAD\xE6\x96\x87 ok");
    EXPECT_EQ(ToNarrow(plat::CP_ACP, u"中文"), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(ToNarrow(plat::CP_ACP, u""), std::nullopt);
    EXPECT_EQ(ToNarrow(12345, u"abc"), std::nullopt);
}

TEST(ToNarrow, RoundTripThroughAnsi) {
    const std::u16string text = u"王五 <wang@example.com>; 张三";
    auto narrow = ToNarrow(plat::CP_ACP, text);
    ASSERT_TRUE(narrow.has_value());
    EXPECT_EQ(ToWide(plat::CP_ACP, *narrow), text);
}

}  // namespace
