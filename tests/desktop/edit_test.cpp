// The standard edit behaviour: selection and replacement as the mail
// programs' fields answer them.
#include "platform/desktop/Edit.h"

#include "desktop/DesktopTestSupport.h"

using namespace plat;
using qntest::DesktopTest;

namespace {

struct SelCase {
    const char16_t* before;
    int start, end;
    const char16_t* insert;
    const char16_t* after;
};

}  // namespace

TEST_F(DesktopTest, SelectionAndReplacementFollowTheEditControlRules) {
    const SelCase cases[] = {
        {u"a@x.cn", -1, -1, u";b", u"a@x.cn;b"},  // caret to the end, nothing selected
        {u"a@x.cn", 0, -1, u"new", u"new"},       // whole text selected
        {u"abcdef", 2, 4, u"X", u"abXef"},
        {u"abcdef", 4, 2, u"X", u"abXef"},  // reversed range
        {u"abc", 1, 99, u"Z", u"aZ"},       // end past the text is clamped
        {u"abc", 3, 3, u"", u"abc"},
        {u"", -1, -1, u"张三<z@x.cn>;", u"张三<z@x.cn>;"},
    };
    for (const auto& c : cases) {
        auto* w = new EditWindow;
        w->SetAutoDelete(true);
        HWND h = w->CreateEx(0, u"RichEdit20W", c.before, WS_POPUP, 0, 0, 100, 20, nullptr);
        ASSERT_NE(h, nullptr);
        SendMessage(h, EM_SETSEL, WPARAM(intptr_t(c.start)), c.end);
        SendMessage(h, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(c.insert));
        EXPECT_EQ(GetWindowText(h), c.after) << "start " << c.start << " end " << c.end;
        DestroyWindow(h);
    }
}

TEST_F(DesktopTest, TheCaretFollowsEachInsertionAndSetTextResetsIt) {
    EditWindow w;
    w.RecordMessages(true);
    HWND h = w.CreateEx(0, u"TZRichEdit", u"x", WS_CHILD, 0, 0, 100, 20, GetDesktopWindow());
    ASSERT_NE(h, nullptr);
    SendMessage(h, EM_SETSEL, WPARAM(intptr_t(-1)), -1);
    SendMessage(h, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(u"ab"));
    SendMessage(h, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(u";"));
    EXPECT_EQ(GetWindowText(h), u"xab;");
    uint32_t s = 9, e = 9;
    LRESULT r =
        SendMessage(h, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    EXPECT_EQ(s, 4u);
    EXPECT_EQ(e, 4u);
    EXPECT_EQ(r, MAKELPARAM(4, 4));
    EXPECT_EQ(SendMessage(h, WM_GETTEXTLENGTH), 4);
    SetWindowText(h, u"fresh");
    SendMessage(h, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(u">"));
    EXPECT_EQ(GetWindowText(h), u">fresh");
    // The record keeps copies of the texts the messages carried.
    std::vector<std::u16string> inserted;
    for (const auto& m : w.Messages())
        if (m.message == EM_REPLACESEL) inserted.push_back(m.text);
    EXPECT_EQ(inserted, (std::vector<std::u16string>{u"ab", u";", u">"}));
    // WM_GETTEXT copies at most the buffer less its terminator.
    char16_t buf[3] = {u'?', u'?', u'?'};
    EXPECT_EQ(SendMessage(h, WM_GETTEXT, 3, reinterpret_cast<LPARAM>(buf)), 2);
    EXPECT_EQ(std::u16string(buf), u">f");
}
