// The edit boxes and the static text on a skinned frame: typing with its
// limit, keys, the frame's reports, the password box, the static's wrapping.
#include "monitor/Controls/EditEn.h"
#include "monitor/Controls/ExStatic.h"
#include "monitor/Controls/PwdEditDlg.h"
#include "platform/gfx/WindowSurface.h"
#include "widgets/WidgetsTestSupport.h"

using namespace plat;
using qntest::WidgetsTest;

namespace {

class EditTest : public WidgetsTest {
protected:
    void SetUp() override {
        WidgetsTest::SetUp();
        ASSERT_TRUE(edit.CreateChild(frame.GetSafeHwnd(), 1009, 10, 10, 200, 24));
        ASSERT_TRUE(pwd.CreateChild(frame.GetSafeHwnd(), 1010, 10, 50, 200, 24));
        SetFocus(edit.GetSafeHwnd());
        Pump();
    }
    CEditEn edit;
    CPwdEditDlg pwd;
};

TEST_F(EditTest, TypingIsReportedToTheFrameButTextSetByTheProgramIsNot) {
    Type(u"ab");
    EXPECT_EQ(edit.GetText(), u"ab");
    EXPECT_EQ(frame.CountChild(0, edit.GetSafeHwnd()), 2);
    EXPECT_EQ(frame.Count(WM_COMMAND, EN_CHANGE), 2);
    edit.SetText(u"查找联系人...");
    Pump();
    EXPECT_EQ(frame.CountChild(0, edit.GetSafeHwnd()), 2);
    EXPECT_EQ(GetWindowText(edit.GetSafeHwnd()), u"查找联系人...");
    EXPECT_EQ(edit.Caret(), 0);
}

TEST_F(EditTest, TheLimitCutsTypingAndReplacingASelectionMakesRoom) {
    edit.SetLimitText(5);
    Type(u"1234567");
    EXPECT_EQ(edit.GetText(), u"12345");
    EXPECT_EQ(frame.CountChild(0, edit.GetSafeHwnd()), 5);  // refused keys change nothing
    SendMessage(edit.GetSafeHwnd(), EM_SETSEL, 1, 3);
    Type(u"xyz");
    EXPECT_EQ(edit.GetText(), u"1xy45");  // "23" made room for one more key
    SendMessage(edit.GetSafeHwnd(), EM_LIMITTEXT, 0, 0);
    EXPECT_GT(SendMessage(edit.GetSafeHwnd(), EM_GETLIMITTEXT), 5);
}

TEST_F(EditTest, KeysMoveTheCaretSelectAndDelete) {
    Type(u"hello");
    Key(VK_LEFT);
    Key(VK_LEFT);
    EXPECT_EQ(edit.Caret(), 3);
    KeyWith(VK_HOME, VK_SHIFT);
    EXPECT_EQ(edit.SelStart(), 0);
    EXPECT_EQ(edit.SelEnd(), 3);
    Key(VK_DELETE);
    EXPECT_EQ(edit.GetText(), u"lo");
    EXPECT_TRUE(edit.LastEditWasDeletion());
    Key(VK_END);
    Key(VK_BACK);
    EXPECT_EQ(edit.GetText(), u"l");
    Type(u"x");
    EXPECT_FALSE(edit.LastEditWasDeletion());
    Key(VK_HOME);
    Key(VK_BACK);  // nothing before the caret
    EXPECT_EQ(edit.GetText(), u"lx");
    Type(u"\x01");  // Ctrl+A
    EXPECT_EQ(edit.SelStart(), 0);
    EXPECT_EQ(edit.SelEnd(), 2);
    uint32_t s = 9, e = 9;
    SendMessage(edit.GetSafeHwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&s),
                reinterpret_cast<LPARAM>(&e));
    EXPECT_EQ(s, 0u);
    EXPECT_EQ(e, 2u);
}

TEST_F(EditTest, FocusComingAndGoingIsToldToTheParent) {
    frame.notices.clear();
    SetFocus(pwd.GetSafeHwnd());
    SetFocus(edit.GetSafeHwnd());
    ASSERT_EQ(frame.notices.size(), 4u);
    EXPECT_EQ(frame.notices[0].code, EN_KILLFOCUS);
    EXPECT_EQ(frame.notices[0].from, edit.GetSafeHwnd());
    EXPECT_EQ(frame.notices[1].code, EN_SETFOCUS);
    EXPECT_EQ(frame.notices[1].from, pwd.GetSafeHwnd());
    EXPECT_EQ(frame.notices[3].code, EN_SETFOCUS);
    EXPECT_EQ(frame.notices[3].from, edit.GetSafeHwnd());
}

TEST_F(EditTest, AReadOnlyBoxRefusesEditsButSelects) {
    edit.SetText(u"fixed");
    SendMessage(edit.GetSafeHwnd(), EM_SETREADONLY, 1, 0);
    Type(u"zz");
    Key(VK_BACK);
    Key(VK_DELETE);
    EXPECT_EQ(edit.GetText(), u"fixed");
    EXPECT_TRUE(frame.childEvents.empty());
    KeyWith(VK_END, VK_SHIFT);
    EXPECT_EQ(edit.SelEnd(), 5);
}

TEST_F(EditTest, EnterAndEscapeGoToTheFrameAndTabMovesAlongItsTabOrder) {
    frame.AddTabStop(edit.GetSafeHwnd());
    frame.AddTabStop(pwd.GetSafeHwnd());
    Key(VK_RETURN);
    Key(VK_ESCAPE);
    ASSERT_EQ(frame.enterEscape.size(), 2u);
    EXPECT_FALSE(frame.enterEscape[0]);
    EXPECT_TRUE(frame.enterEscape[1]);
    pwd.SetText(u"secret");
    Key(VK_TAB);
    EXPECT_EQ(GetFocus(), pwd.GetSafeHwnd());
    // The box that got the focus by the keyboard has its text selected (0xC2A).
    EXPECT_EQ(pwd.SelStart(), 0);
    EXPECT_EQ(pwd.SelEnd(), 6);
    Key(VK_TAB, true);
    EXPECT_EQ(GetFocus(), edit.GetSafeHwnd());
}

TEST_F(EditTest, AClickPutsTheCaretWhereTheMouseIsAndADragSelects) {
    edit.SetText(u"abcdefgh");
    Click(edit.GetSafeHwnd(), 3, 12);
    EXPECT_EQ(edit.Caret(), 0);
    Click(edit.GetSafeHwnd(), 190, 12);
    EXPECT_EQ(edit.Caret(), 8);
    Press(edit.GetSafeHwnd(), 3, 12);
    MoveTo(edit.GetSafeHwnd(), 190, 12);
    Release(edit.GetSafeHwnd(), 190, 12);
    EXPECT_EQ(edit.SelStart(), 0);
    EXPECT_EQ(edit.SelEnd(), 8);
}

TEST_F(EditTest, ThePasswordBoxHidesItsTextAndKeepsItsLimit) {
    pwd.SetLimitText(25);
    SetFocus(pwd.GetSafeHwnd());
    Type(u"correct horse battery staple");
    EXPECT_EQ(pwd.GetText(), u"correct horse battery sta");
    EXPECT_EQ(pwd.PasswordChar(), CPwdEditDlg::kDot);
    SendMessage(pwd.GetSafeHwnd(), EM_SETPASSWORDCHAR, 0, 0);
    EXPECT_EQ(pwd.PasswordChar(), CPwdEditDlg::kDot);
    // What is drawn shows no letter: two texts of one length give one picture,
    // where a plain box shows the difference.
    auto picture = [&](CEditEn& box, std::u16string_view text) {
        box.SetText(text);
        Pump();
        return GetWindowSurface(box.GetSafeHwnd()).Clone().ToArgb();
    };
    SetFocus(frame.GetSafeHwnd());
    EXPECT_EQ(picture(pwd, u"aaaa"), picture(pwd, u"wxyz"));
    EXPECT_NE(picture(edit, u"aaaa"), picture(edit, u"wxyz"));
}

TEST_F(EditTest, AStaticWrapsItsTextAndLetsClicksThrough) {
    CExStatic label;
    ASSERT_TRUE(
        label.Create(frame.GetSafeHwnd(), 1014, 10, 90, 60, 40, u"搜索到联系人十二个，全部显示"));
    EXPECT_EQ(label.Lines().size(), 1u);
    label.SetMultiLine(true);
    auto lines = label.Lines();
    ASSERT_GE(lines.size(), 2u);
    std::u16string joined;
    for (const auto& l : lines) joined += l;
    EXPECT_EQ(joined, u"搜索到联系人十二个，全部显示");
    for (const auto& l : lines) EXPECT_LE(MeasureText(l, label.GetFont()).cx, 60);
    EXPECT_EQ(SendMessage(label.GetSafeHwnd(), WM_NCHITTEST, 0, 0), HTTRANSPARENT);
    EXPECT_EQ(GetWindowLongPtr(label.GetSafeHwnd(), GWL_STYLE) & WS_TABSTOP, 0);
}

}  // namespace
