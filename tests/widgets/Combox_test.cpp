// The editable drop-down list of the login window: the list opening and
// closing, picking by mouse and keys, the delete mark (0xC26), completion,
// and Enter and Escape with the list open or closed.
#include "monitor/Controls/ComboxDlg.h"
#include "widgets/WidgetsTestSupport.h"

using namespace plat;
using qntest::WidgetsTest;

namespace {

class ComboxTest : public WidgetsTest {
protected:
    void SetUp() override {
        WidgetsTest::SetUp();
        ASSERT_TRUE(combo.Create(frame.GetSafeHwnd(), 1001, 25, 50, 250, 34));
        combo.LimitText(256);
        for (auto* a : {u"alice@corp.cn", u"bob@corp.cn", u"alan@corp.cn"}) combo.AddString(a);
        SetFocus(combo.Edit().GetSafeHwnd());
        Pump();
        frame.notices.clear();
    }
    HWND h() const { return combo.GetSafeHwnd(); }
    HWND list() const { return combo.List() ? combo.List()->GetSafeHwnd() : nullptr; }
    static int RowY(int row) { return 1 + row * CComboxList::kRowHeight + 12; }
    CComboxDlg combo;
};

TEST_F(ComboxTest, TheArrowOpensTheListBelowTheBoxAndAClickPicksAnEntry) {
    Click(h(), 240, 17);
    ASSERT_TRUE(combo.GetDroppedState());
    RECT box, popup;
    GetWindowRect(h(), box);
    GetWindowRect(list(), popup);
    EXPECT_EQ(popup.top, box.bottom);
    EXPECT_EQ(popup.Height(), 3 * CComboxList::kRowHeight + 2);
    Click(list(), 60, RowY(1));
    EXPECT_FALSE(combo.GetDroppedState());
    EXPECT_EQ(combo.GetText(), u"bob@corp.cn");
    EXPECT_EQ(combo.GetCurSel(), 1);
    EXPECT_EQ(frame.CountChild(1, h()), 1);
    EXPECT_EQ(frame.CountChild(0, h()), 0);  // a pick is no typing
    EXPECT_EQ(GetFocus(), combo.Edit().GetSafeHwnd());
}

TEST_F(ComboxTest, TheDeleteMarkAsksTheParentAndPicksNothing) {
    Click(h(), 240, 17);
    RECT c;
    GetClientRect(list(), c);
    MoveTo(list(), c.right - CComboxList::kMarkWidth / 2, RowY(2));
    Click(list(), c.right - CComboxList::kMarkWidth / 2, RowY(2));
    EXPECT_EQ(frame.Count(WM_EX_DELETEITEM, 2), 1);
    EXPECT_EQ(combo.GetText(), u"");
    // The parent deletes the login; the open list follows.
    combo.DeleteString(2);
    ASSERT_TRUE(combo.GetDroppedState());
    GetClientRect(list(), c);
    EXPECT_EQ(c.bottom, 2 * CComboxList::kRowHeight + 2);
    combo.DeleteString(0);
    combo.DeleteString(0);
    EXPECT_FALSE(combo.GetDroppedState());
}

TEST_F(ComboxTest, KeysWalkTheOpenListEnterPicksEscapeCloses) {
    Key(VK_DOWN);  // opens
    ASSERT_TRUE(combo.GetDroppedState());
    Key(VK_DOWN);
    Key(VK_DOWN);
    EXPECT_EQ(combo.List()->Highlighted(), 1);
    Key(VK_RETURN);
    EXPECT_FALSE(combo.GetDroppedState());
    EXPECT_EQ(combo.GetText(), u"bob@corp.cn");
    EXPECT_TRUE(frame.enterEscape.empty());  // Enter with the list open only picks
    Key(VK_DOWN);
    Key(VK_ESCAPE);
    EXPECT_FALSE(combo.GetDroppedState());
    EXPECT_TRUE(frame.enterEscape.empty());
    Key(VK_RETURN);
    Key(VK_ESCAPE);
    ASSERT_EQ(frame.enterEscape.size(), 2u);
    EXPECT_FALSE(frame.enterEscape[0]);
    EXPECT_TRUE(frame.enterEscape[1]);
}

TEST_F(ComboxTest, AClickElsewhereInTheFrameClosesTheList) {
    Click(h(), 240, 17);
    ASSERT_TRUE(combo.GetDroppedState());
    Advance(300);
    EXPECT_TRUE(combo.GetDroppedState());  // its own click does not count
    CExDialog::SetClickElsewhere(true);    // as the frame does on a press
    Advance(150);
    EXPECT_FALSE(combo.GetDroppedState());
}

TEST_F(ComboxTest, CompletionFillsInTheFirstMatchAndSelectsTheRest) {
    Type(u"al");
    EXPECT_EQ(frame.CountChild(0, h()), 2);
    EXPECT_EQ(combo.Complete(), 0);
    EXPECT_EQ(combo.GetText(), u"alice@corp.cn");
    int s, e;
    combo.GetEditSel(s, e);
    EXPECT_EQ(s, 2);
    EXPECT_EQ(e, 13);
    Type(u"a");  // replaces the completed part
    EXPECT_EQ(combo.GetText(), u"ala");
    EXPECT_EQ(combo.Complete(), 2);
    EXPECT_EQ(combo.GetText(), u"alan@corp.cn");
    Key(VK_BACK);  // removes the selection; nothing is completed after a deletion
    EXPECT_TRUE(combo.LastKeyDeleted());
    EXPECT_EQ(combo.Complete(), -1);
    EXPECT_EQ(combo.GetText(), u"ala");
    // Case counts, and no entry means no change.
    combo.SetText(u"");
    Type(u"AL");
    EXPECT_EQ(combo.Complete(), -1);
    EXPECT_EQ(combo.GetText(), u"AL");
}

TEST_F(ComboxTest, WithTheCaretInsideTheTextCompletionLeavesItThere) {
    Type(u"bo");
    Key(VK_HOME);
    EXPECT_EQ(combo.Complete(), 1);
    EXPECT_EQ(combo.GetText(), u"bob@corp.cn");
    int s, e;
    combo.GetEditSel(s, e);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(e, 0);
}

}  // namespace
