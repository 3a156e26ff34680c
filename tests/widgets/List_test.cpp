// The list with its header: bulk insertion, the selection rules, the
// notifications, keys and scrolling, and the header's clicks and dividers.
#include "monitor/Controls/ListCtrlDx.h"
#include "widgets/WidgetsTestSupport.h"

using namespace plat;
using qntest::WidgetsTest;

namespace {

class ListTest : public WidgetsTest {
protected:
    void SetUp() override {
        WidgetsTest::SetUp();
        ASSERT_TRUE(list.Create(frame.GetSafeHwnd(), 1008, RECT{0, 0, 280, 190}));
        list.InsertColumn(0, u"姓名", 80);
        list.InsertColumn(1, u"电子邮件地址", 200);
        std::vector<CListCtrlDx::Row> rows;
        for (int i = 0; i < 20; ++i)
            rows.push_back(
                {{u"name" + std::u16string(1, char16_t(u'a' + i)), u"x@y"}, uintptr_t(100 + i)});
        list.InsertItems(std::move(rows));
        Pump();
        frame.notices.clear();
        frame.childEvents.clear();
    }
    HWND h() const { return list.GetSafeHwnd(); }
    // The middle of a visible row, in the list's client coordinates.
    int RowY(int row) const { return CHeaderCtrlCl::kHeight + (row - list.TopLine()) * 22 + 11; }
    CListCtrlDx list;
};

TEST_F(ListTest, ManyRowsGoInAtOnceWithOneRepaint) {
    int paints = GetPaintCount(h());
    std::vector<CListCtrlDx::Row> rows(5000,
                                       CListCtrlDx::Row{{u"张三", u"zhang@corp.cn", u"部门"}, 7});
    EXPECT_EQ(list.InsertItems(std::move(rows)), 20);
    Pump();
    EXPECT_EQ(list.GetItemCount(), 5020);
    EXPECT_EQ(GetPaintCount(h()) - paints, 1);
    EXPECT_EQ(list.GetItemText(5019, 1), u"zhang@corp.cn");
    EXPECT_EQ(list.GetItemData(19), 119u);
    EXPECT_TRUE(list.IsBarShown());
    EXPECT_EQ(list.RowHeight(), 22);
}

TEST_F(ListTest, ClicksSelectOneCtrlTogglesAndShiftTakesTheRangeFromTheAnchor) {
    Click(h(), 40, RowY(1));
    ClickWith(h(), 40, RowY(3), MK_CONTROL);
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{1, 3}));
    ClickWith(h(), 40, RowY(5), MK_SHIFT);
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{3, 4, 5}));
    ClickWith(h(), 40, RowY(4), MK_CONTROL);
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{3, 5}));
    Click(h(), 40, RowY(2));
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{2}));
    EXPECT_EQ(frame.Count(WM_NOTIFY, LVN_ITEMCHANGED), 5);
    EXPECT_EQ(frame.CountChild(1, h()), 5);
    EXPECT_EQ(frame.Count(WM_NOTIFY, NM_CLICK), 5);
    // Clicking the one selected row again changes nothing.
    Click(h(), 40, RowY(2));
    EXPECT_EQ(frame.Count(WM_NOTIFY, LVN_ITEMCHANGED), 5);
    EXPECT_EQ(GetFocus(), h());
}

TEST_F(ListTest, DoubleAndRightClicksAreToldAndARightClickSelectsItsRow) {
    DoubleClick(h(), 40, RowY(0));
    EXPECT_EQ(frame.Count(WM_NOTIFY, NM_DBLCLK), 1);
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{0}));
    ClickWith(h(), 40, RowY(2), MK_CONTROL);
    // On a selected row the selection stays, for the menu to act on all of it.
    PostMessage(h(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, RowY(2)));
    Pump();
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{0, 2}));
    PostMessage(h(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, RowY(6)));
    Pump();
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{6}));
    EXPECT_EQ(frame.Count(WM_NOTIFY, NM_RCLICK), 2);
}

TEST_F(ListTest, KeysMoveExtendAndSelectAllAndTheViewFollows) {
    Click(h(), 40, RowY(0));
    Key(VK_DOWN);
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{1}));
    KeyWith(VK_DOWN, VK_SHIFT);
    KeyWith(VK_DOWN, VK_SHIFT);
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{1, 2, 3}));
    Key(VK_END);
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{19}));
    int page = (190 - CHeaderCtrlCl::kHeight) / 22;
    EXPECT_EQ(list.TopLine(), 20 - page);
    SetKeyState(VK_CONTROL, true);
    PostMessage(h(), WM_KEYDOWN, 'A', 0);
    Pump();
    SetKeyState(VK_CONTROL, false);
    EXPECT_EQ(list.SelectedCount(), 20);
    Key(VK_HOME);
    EXPECT_EQ(list.TopLine(), 0);
}

TEST_F(ListTest, RemovingRowsKeepsTheSelectionOnTheSameRows) {
    Click(h(), 40, RowY(2));
    ClickWith(h(), 40, RowY(5), MK_CONTROL);
    list.DeleteItem(0);
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{1, 4}));
    EXPECT_EQ(list.GetItemData(1), 102u);
    list.InsertItem(0, u"first", 1);
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{2, 5}));
    frame.notices.clear();
    list.DeleteAllItems();
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_TRUE(list.GetSelectedItems().empty());
    EXPECT_EQ(frame.Count(WM_NOTIFY, LVN_ITEMCHANGED), 1);
    EXPECT_FALSE(list.IsBarShown());
}

TEST_F(ListTest, TheWheelAndTheBarScrollTheRows) {
    PostMessage(h(), WM_MOUSEWHEEL, MAKEWPARAM(0, -120), 0);
    Pump();
    EXPECT_EQ(list.TopLine(), 3);
    SendMessage(h(), WM_VSCROLL, MAKEWPARAM(SB_LINEUP, 0), 0);
    EXPECT_EQ(list.TopLine(), 2);
    EXPECT_EQ(list.ScrollBar().GetScrollPos(), 2);
    // A row's place moves with the view.
    EXPECT_EQ(list.RowAt(40, RowY(2)), 2);
    EXPECT_EQ(list.RowAt(40, CHeaderCtrlCl::kHeight + 1), 2);
}

TEST_F(ListTest, AClickOnAHeadIsToldAndADraggedDividerChangesTheWidth) {
    HWND head = list.Header().GetSafeHwnd();
    Click(head, 120, 12);
    EXPECT_EQ(list.Header().ClickedColumn(), 1);
    EXPECT_EQ(frame.Count(WM_NOTIFY, HDN_ITEMCLICK), 1);
    Press(head, 80, 12);  // the divider after the first column
    MoveTo(head, 130, 12);
    Release(head, 130, 12);
    EXPECT_EQ(list.Header().GetColumnWidth(0), 130);
    EXPECT_EQ(frame.Count(WM_NOTIFY, HDN_ITEMCLICK), 1);  // a drag is no click
    Press(head, 130, 12);
    MoveTo(head, 0, 12);
    Release(head, 0, 12);
    EXPECT_EQ(list.Header().GetColumnWidth(0), CHeaderCtrlCl::kMinWidth);
}

}  // namespace
