#include "platform/Format.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/Text.h"

namespace {

std::string U8(const std::u16string& s) { return plat::Utf16ToUtf8(s); }

struct Case {
    std::u16string got;
    const char* expected;
};

void Check(const Case* cases, size_t n) {
    for (size_t i = 0; i < n; ++i) EXPECT_EQ(U8(cases[i].got), cases[i].expected) << "case " << i;
}

TEST(Format, Integers) {
    const Case cases[] = {
        {plat::Format(u"%d", 42), "42"},
        {plat::Format(u"%d", -42), "-42"},
        {plat::Format(u"%5d|", 42), "   42|"},
        {plat::Format(u"%-5d|", 42), "42   |"},
        {plat::Format(u"%04d", 7), "0007"},
        {plat::Format(u"%05d", -42), "-0042"},
        {plat::Format(u"%-05d|", 42), "42   |"},
        {plat::Format(u"%+d %+d", 5, -5), "+5 -5"},
        {plat::Format(u"% d", 5), " 5"},
        {plat::Format(u"%.3d", 5), "005"},
        {plat::Format(u"%06.3d", 5), "   005"},  // a precision turns the zero flag off
        {plat::Format(u"%*d|", 4, 9), "   9|"},
        {plat::Format(u"%*d|", -4, 9), "9   |"},  // a negative width from * means "-"
        {plat::Format(u"%lu", 4294967295ul), "4294967295"},
        {plat::Format(u"%lu", 10000000ul), "10000000"},
        {plat::Format(u"%u", -1), "4294967295"},  // the int's 32-bit pattern
        {plat::Format(u"%u", uint32_t(3000000000u)), "3000000000"},
        {plat::Format(u"%I64d", int64_t(-9000000000)), "-9000000000"},
        {plat::Format(u"%I64u", uint64_t(18000000000000000000ull)), "18000000000000000000"},
        {plat::Format(u"%x %X", 255, 0xBEEF), "ff BEEF"},
        {plat::Format(u"%08X", 0xBEEF), "0000BEEF"},
        {plat::Format(u"%#x", 255), "0xff"},
        {plat::Format(u"%#06x", 255), "0x00ff"},  // zeros go after the prefix
        {plat::Format(u"%o", 8), "10"},
        {plat::Format(u"%c%c", 'A', u'中'), "A中"},
        {plat::Format(u"%02d:%02d:%02d", 4, 30, 0), "04:30:00"},
    };
    Check(cases, std::size(cases));
}

TEST(Format, Floats) {
    const Case cases[] = {
        {plat::Format(u"%.2f", 3.14159), "3.14"},
        {plat::Format(u"%8.2f|", 3.14159), "    3.14|"},
        {plat::Format(u"%08.2f", -3.14159), "-0003.14"},  // zero padding holds for floats
        {plat::Format(u"%f", 2), "2.000000"},
        {plat::Format(u"%g", 0.5), "0.5"},
        {plat::Format(u"%06f", 1.0 / 0.0), "   inf"},
    };
    Check(cases, std::size(cases));
}

TEST(Format, Texts) {
    std::u16string wide = u"通讯录";
    std::string narrow = "邮件 mail";
    const Case cases[] = {
        {plat::Format(u"[%s]", u"中文"), "[中文]"},
        {plat::Format(u"[%s]", wide), "[通讯录]"},
        {plat::Format(u"[%s]", std::u16string_view(wide).substr(1)), "[讯录]"},
        {plat::Format(u"[%s]", "邮件"), "[邮件]"},  // UTF-8
        {plat::Format(u"[%s]", narrow), "[邮件 mail]"},
        {plat::Format(u"[%s]", std::string_view(narrow).substr(7)), "[mail]"},
        {plat::Format(u"[%5s]", u"ab"), "[   ab]"},
        {plat::Format(u"[%-5s]", "ab"), "[ab   ]"},
        {plat::Format(u"[%.2s]", u"abcdef"), "[ab]"},
        {plat::Format(u"[%s]", static_cast<const char16_t*>(nullptr)), "[]"},
        {plat::Format(u"sqlite open: %s\r\n", u"a.db"), "sqlite open: a.db\r\n"},
    };
    Check(cases, std::size(cases));
}

TEST(Format, PercentAndMissingArguments) {
    const Case cases[] = {
        {plat::Format(u"100%%"), "100%"},    {plat::Format(u"%%d %d", 3), "%d 3"},
        {plat::Format(u"a%db%sc"), "abc"},   {plat::Format(u"%d-%d-%d", 1), "1--"},
        {plat::Format(u"tail %"), "tail %"}, {plat::Format(u"no args"), "no args"},
    };
    Check(cases, std::size(cases));
}

}  // namespace
