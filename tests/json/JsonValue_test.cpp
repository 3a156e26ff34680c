#include "monitor/Common/JsonValue.h"

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Text.h"

namespace {

std::u16string U(const char* utf8) { return plat::Utf8ToUtf16(utf8); }
std::string N(std::u16string_view text) { return plat::Utf16ToUtf8(text); }

// The tree as the reader gives it, compact: {name=value,...}, [value,...],
// "string", n:number, true, false, null; a null that kept members shows them
// as null{...}.
std::string Dump(const CJsonValue& v) {
    std::string out;
    switch (v.Type()) {
        case CJsonValue::kString:
            return "\"" + N(v.AsString()) + "\"";
        case CJsonValue::kNumber:
            return "n:" + N(v.AsString());
        case CJsonValue::kBool:
            return N(v.AsString());
        default:
            break;
    }
    bool object = v.Type() == CJsonValue::kObject;
    const auto& members = v.Members();  // may turn the value into null
    if (v.Type() == CJsonValue::kNull) {
        if (members.empty()) return "null";
        out = "null";
        object = !members.front().Name().empty();
    }
    out += object ? "{" : "[";
    for (size_t i = 0; i < members.size(); ++i) {
        if (i) out += ",";
        if (object) out += N(members[i].Name()) + "=";
        out += Dump(members[i]);
    }
    out += object ? "}" : "]";
    return out;
}

struct TreeCase {
    const char* text;
    const char* tree;
};

std::string ParseAndDump(const std::u16string& text) {
    try {
        return Dump(CJsonValue::Parse(text));
    } catch (const std::invalid_argument&) {
        return "refused";
    }
}

TEST(JsonValue, ReplyEnvelopeGivesItsMembersInOrder) {
    CJsonValue root = CJsonValue::Parse(u"{\"ret\":0,\"msg\":\"成功\",\"data\":{}}");
    ASSERT_EQ(CJsonValue::kObject, root.Type());
    EXPECT_TRUE(root.Name().empty());
    const auto& members = root.Members();
    ASSERT_EQ(3u, members.size());
    EXPECT_EQ(u"ret", members[0].Name());
    EXPECT_EQ(CJsonValue::kNumber, members[0].Type());
    EXPECT_EQ(0, members[0].AsInt());
    EXPECT_EQ(u"msg", members[1].Name());
    EXPECT_EQ(CJsonValue::kString, members[1].Type());
    EXPECT_EQ(u"成功", members[1].AsString());
    EXPECT_EQ(u"data", members[2].Name());
    EXPECT_EQ(CJsonValue::kObject, members[2].Type());
    EXPECT_TRUE(members[2].Members().empty());
    EXPECT_EQ(u"", members[2].AsString());
}

// What the reader makes of whole texts: the cleaning, the outer check, the
// splitting and the classification.
TEST(JsonValue, TreesAsTheReaderSeesThem) {
    const TreeCase cases[] = {
        // Blanks, line ends and comments outside strings go; inside they stay.
        {"{ \"a\" : 1 ,\r\n\t\"b\" : [ 1 , 2 ] }", "{a=n:1,b=[n:1,n:2]}"},
        {"{\"a b\":\" x\ty \"}", "{a b=\" x\ty \"}"},
        {"# heading\n{\"a\":1}", "{a=n:1}"},
        {"{\"a\":1, // note\n\"b\":2}", "{a=n:1,b=n:2}"},
        {"{\"a\":/* note */1}", "{a=n:1}"},
        {"{\"a\":\"// not a comment # either\"}", "{a=\"// not a comment # either\"}"},
        {"{\"name\":\"张伟\"}", "{name=\"张伟\"}"},
        // Order and duplicates are kept, names compared as they are.
        {"{\"a\":1,\"a\":2,\"A\":3}", "{a=n:1,a=n:2,A=n:3}"},
        {"[[],{},[1,[2,{\"x\":[]}]]]", "[[],{},[n:1,[n:2,{x=[]}]]]"},
        // Classification by first and last character.
        {"[true,false,null,\"\",tru,nul,True,1.5,-3,1e5,1E5,+7,12a,-,e,1.2.3]",
         "[true,false,null,\"\",null,null,null,n:1.5,n:-3,n:1e5,null,n:+7,null,n:-,n:e,"
         "n:1.2.3]"},
        {"[1,,2]", "[n:1,null,n:2]"},
        {"[,]", "[null,null]"},
        {"{\"a\":}", "{a=null}"},
        {"{\"a\":[1,2}", "{a=null}"},
        {"{\"a\":{\"b\":1]}", "{a=null}"},
        {"{\"a\":\"x\"y}", "{a=null}"},
        // A ":" at an element's own level makes the array null; what came
        // before stays.
        {"[1,2,\"a\":3,4]", "null[n:1,n:2]"},
        {"[{\"a\":1},[\"b:c\"]]", "[{a=n:1},[\"b:c\"]]"},
        // An object whose second member has no colon: null after the first.
        {"{\"a\":1,\"b\"}", "null{a=n:1}"},
        {"{\"a\"}", "null"},
        // Keys: quoted ones lose their quotes, unquoted ones are taken whole,
        // escapes in them are read.
        {"{a:1,bc:2}", "{a=n:1,bc=n:2}"},
        {"{\"\":1}", "{=n:1}"},
        {"{\"a\\\"b\":1,\"c\\u4e2d\":2}", "{a\"b=n:1,c中=n:2}"},
        {"{a\\:1}", "{a=n:1}"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.tree, ParseAndDump(U(c.text))) << c.text;
}

// Only the outer brackets are checked, on the cleaned text. The cases at the
// very end of a text are settled here: none reads past the end.
TEST(JsonValue, OuterCheckAndTheEndOfTheText) {
    const TreeCase cases[] = {
        {"", "refused"},
        {"   ", "refused"},
        {"{", "refused"},
        {"}", "refused"},
        {"{]", "refused"},
        {"[}", "refused"},
        {"\"{}\"", "refused"},
        {"{}", "{}"},
        {"[]", "[]"},
        {" \r\n{\"a\":1}\r\n", "{a=n:1}"},
        {"HTTP/1.1 200 OK\n{\"a\":1}", "refused"},
        {"{\"a\":1}x", "refused"},
        {"{\"a\":\"中\"}", "{a=\"中\"}"},
        {"{\"a\":中}", "refused"},
        {"{\"a\":1}\x7f\"b\"", "{a=n:1}"},
        {"{\"a\":\x01}", "refused"},
        // Unterminated strings are dropped from their opening quote on.
        {"{\"a\":\"b", "refused"},
        {"{\"a\":\"b}", "refused"},
        {"{\"a\":1}\"", "{a=n:1}"},
        {"{\"a\":1}\"tail", "{a=n:1}"},
        // A backslash as the last character, inside and outside a string.
        {"{\"a\":\"b\\", "refused"},
        {"{\"a\":1}\"\\", "{a=n:1}"},
        {"{\"a\":1}\\", "refused"},
        // Comments at the end run to the end; a lone "/" ends the text.
        {"{\"a\":1}//", "{a=n:1}"},
        {"{\"a\":1}#", "{a=n:1}"},
        {"{\"a\":1}/*", "{a=n:1}"},
        {"{\"a\":1}/* open", "{a=n:1}"},
        {"{\"a\":1}/", "{a=n:1}"},
        {"{\"a\":1}/x}", "{a=n:1}"},
        {"{\"a\":1/*}", "refused"},
        {"{\"a\":1/}", "refused"},
        // Brackets at the end.
        {"{\"a\":[1,2", "refused"},
        {"[[[", "refused"},
        {"{\"a\":{\"b\":1}", "{a=null}"},
        {"[[1,2]", "[null]"},
        {"{\"a\":[1,{\"b\":\"]\"}", "{a=null}"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.tree, ParseAndDump(U(c.text))) << c.text;
}

TEST(JsonValue, StringEscapes) {
    struct Case {
        const char* escaped;  // the string's content as written in the reply
        std::u16string text;
    } cases[] = {
        {"\\u4e2d\\u4E2D", u"中中"},
        {"say \\\"hi\\\"", u"say \"hi\""},
        {"a\\ab", u"ab"},
        {"\\'\\/\\\\", u"'/\\"},
        {"\\b\\f\\n\\r\\t\\v", u"\b\f\n\r\t\v"},
        {"\\101\\0411\\777", u"A!1\u01FF"},
        {"\\18x", u"8x"},
        {"\\12", u"2"},
        {"\\x41\\x4a\\x4A", u"AJJ"},
        {"\\xzz|", std::u16string(1, u'\0') + u"|"},
        {"\\x4", u"4"},
        {"\\u0000", std::u16string(1, u'\0')},
        {"\\U0041\\q", u"0041"},
        // Surrogates: a pair is kept; a high half before another escape is
        // dropped; before anything else, or alone, it stays.
        {"\\ud83d\\ude00", u"\U0001F600"},
        {"\\ud83d\\u0041", u"A"},
        {"\\ud83d\\ud83d\\ude00", u"\U0001F600"},
        {"\\ud83dx", std::u16string{0xD83D, u'x'}},
        {"\\ud83d", std::u16string{0xD83D}},
        {"\\ude00", std::u16string{0xDE00}},
        // Escapes cut short by the end of the string.
        {"\\ud83d\\u12", std::u16string{0xD83D, u'1', u'2'}},
        {"\\u12", u"12"},
        {"\\u", u""},
        {"\\x", u""},
    };
    for (const auto& c : cases) {
        std::u16string reply = u"[\"" + U(c.escaped) + u"\"]";
        CJsonValue root = CJsonValue::Parse(reply);
        ASSERT_EQ(1u, root.Members().size()) << c.escaped;
        const CJsonValue& value = root.Members()[0];
        EXPECT_EQ(CJsonValue::kString, value.Type()) << c.escaped;
        EXPECT_EQ(c.text, value.AsString()) << c.escaped;
    }
}

TEST(JsonValue, AsStringAndAsInt) {
    struct Case {
        const char* value;
        int type;
        const char* text;
        int number;
    } cases[] = {
        {"null", CJsonValue::kNull, "null", 0},
        {"\"123\"", CJsonValue::kString, "123", 123},
        {"\" 42 \"", CJsonValue::kString, " 42 ", 42},
        {"\"12abc\"", CJsonValue::kString, "12abc", 12},
        {"\"1e2\"", CJsonValue::kString, "1e2", 100},
        {"\"1E2\"", CJsonValue::kString, "1E2", 100},
        {"\"0x10\"", CJsonValue::kString, "0x10", 0},
        {"\"abc\"", CJsonValue::kString, "abc", 0},
        {"\"\"", CJsonValue::kString, "", 0},
        {"12.9", CJsonValue::kNumber, "12.9", 12},
        {"-12.9", CJsonValue::kNumber, "-12.9", -12},
        {"1.2.3", CJsonValue::kNumber, "1.2.3", 1},
        {"+5", CJsonValue::kNumber, "+5", 5},
        {"-", CJsonValue::kNumber, "-", 0},
        {"e", CJsonValue::kNumber, "e", 0},
        {".5e1", CJsonValue::kNumber, ".5e1", 5},
        {"1e", CJsonValue::kNumber, "1e", 1},
        {"1E5", CJsonValue::kNull, "null", 0},
        {"3000000000", CJsonValue::kNumber, "3000000000", INT_MAX},
        {"-3000000000", CJsonValue::kNumber, "-3000000000", INT_MIN},
        {"1e999", CJsonValue::kNumber, "1e999", INT_MAX},
        {"-1e999", CJsonValue::kNumber, "-1e999", INT_MIN},
        {"1e-999", CJsonValue::kNumber, "1e-999", 0},
        {"true", CJsonValue::kBool, "true", 1},
        {"false", CJsonValue::kBool, "false", 0},
        {"[1]", CJsonValue::kArray, "", 0},
        {"{\"a\":1}", CJsonValue::kObject, "", 0},
    };
    for (const auto& c : cases) {
        CJsonValue root = CJsonValue::Parse(U("{\"mobile\":") + U(c.value) + u"}");
        ASSERT_EQ(1u, root.Members().size()) << c.value;
        const CJsonValue& value = root.Members()[0];
        EXPECT_EQ(u"mobile", value.Name());
        EXPECT_EQ(c.type, value.Type()) << c.value;
        EXPECT_EQ(U(c.text), value.AsString()) << c.value;
        EXPECT_EQ(c.number, value.AsInt()) << c.value;
    }
}

// Nothing is split before it is read: a malformed array deep inside does not
// show until somebody looks into it.
TEST(JsonValue, SplitsOnlyWhatIsRead) {
    CJsonValue root = CJsonValue::Parse(u"{\"ret\":0,\"data\":{\"groups\":[1,\"a\":2]}}");
    const CJsonValue& data = root.Members()[1];
    ASSERT_EQ(CJsonValue::kObject, data.Type());
    const CJsonValue& groups = data.Members()[0];
    EXPECT_EQ(CJsonValue::kArray, groups.Type());
    EXPECT_EQ(1u, groups.Members().size());
    EXPECT_EQ(CJsonValue::kNull, groups.Type());
}

TEST(JsonValue, ValuesStayValidAndIndependentAcrossCopies) {
    CJsonValue addresses;
    CJsonValue unexpandedCopy;
    {
        CJsonValue root = CJsonValue::Parse(
            u"{\"addresses\":[{\"name\":\"李\\u5a1c\",\"qq\":1},{\"name\":\"b\"}]}");
        addresses = root.Members()[0];
        unexpandedCopy = addresses;
        // Copy taken after expansion shares the children; both read the same.
        const auto& first = addresses.Members();
        CJsonValue expandedCopy = addresses;
        ASSERT_EQ(2u, first.size());
        ASSERT_EQ(2u, expandedCopy.Members().size());
        EXPECT_EQ(u"李娜", expandedCopy.Members()[0].Members()[0].AsString());
        expandedCopy = CJsonValue();
        EXPECT_EQ(CJsonValue::kNull, expandedCopy.Type());
        EXPECT_TRUE(expandedCopy.Members().empty());
    }
    // The root is gone; its children and their text are not.
    ASSERT_EQ(2u, addresses.Members().size());
    EXPECT_EQ(u"李娜", addresses.Members()[0].Members()[0].AsString());
    EXPECT_EQ(1, addresses.Members()[0].Members()[1].AsInt());
    EXPECT_EQ(u"b", unexpandedCopy.Members()[1].Members()[0].AsString());

    CJsonValue moved = std::move(unexpandedCopy);
    EXPECT_EQ(CJsonValue::kNull, unexpandedCopy.Type());
    EXPECT_EQ(2u, moved.Members().size());
    moved = moved;  // self-assignment keeps the value
    EXPECT_EQ(2u, moved.Members().size());
}

// A deeply nested text, walked to the bottom, is freed without recursing once
// per level.
TEST(JsonValue, DeepTreeIsFreedWithoutDeepRecursion) {
    const size_t depth = 20000;
    std::u16string text(depth, u'[');
    text += u"\"bottom\"";
    text.append(depth, u']');
    CJsonValue root = CJsonValue::Parse(std::move(text));
    // Walk by reference so that every level stays expanded in the tree.
    const CJsonValue* level = &root;
    for (size_t i = 1; i < depth; ++i) {
        const auto& members = level->Members();
        ASSERT_EQ(1u, members.size());
        level = &members[0];
    }
    EXPECT_EQ(u"bottom", level->Members()[0].AsString());
    root = CJsonValue();
    EXPECT_EQ(CJsonValue::kNull, root.Type());
}

}  // namespace
