#include "monitor/Common/MailAddress.h"

#include <gtest/gtest.h>

#include "platform/Text.h"

namespace {

TEST(IsMailAddress, Pattern) {
    const struct {
        const char16_t* text;
        bool address;
    } cases[] = {
        {u"user@example.com", true},
        {u"@example.com", true},  // a bare "@" may stand for the local part
        {u"a@b.c", true},
        {u"first.last-x_y@mail.example.com", true},
        {u"User@Example.COM", true},
        {u"张三@公司.中国", true},
        {u"a@龥.c", true},                     // U+9FA5, the last ideograph allowed
        {u"user@example.com trailing", true},  // only the start is matched
        {u"user@example.c;next", true},
        {u"", false},
        {u"user", false},
        {u"user.example.com", false},
        {u"user@example", false},
        {u"user@example.", false},
        {u"a@.b", false},
        {u"user@@example.com", false},
        {u" user@example.com", false},  // anchored at the start
        {u"a@龦.c", false},             // U+9FA6 is outside the range
        {u"a@b .c", false},
        {u"用户@例子", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsMailAddress(c.text), c.address) << plat::Utf16ToUtf8(c.text);
}

}  // namespace
