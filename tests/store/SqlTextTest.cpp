#include <gtest/gtest.h>

#include "monitor/Common/SqlText.h"

namespace {

TEST(SqlQuote, DoublesEverySingleQuoteAndNothingElse) {
    struct Case {
        std::u16string in, out;
    };
    const Case cases[] = {
        {u"", u""},
        {u"plain@corp.cn", u"plain@corp.cn"},
        {u"'", u"''"},
        {u"''", u"''''"},
        {u"o'neil", u"o''neil"},
        {u"'王'小'", u"''王''小''"},
        {u"\"%s\\", u"\"%s\\"},  // only the single quote ends a literal
    };
    for (const Case& c : cases) EXPECT_EQ(SqlQuote(c.in), c.out);
}

}  // namespace
