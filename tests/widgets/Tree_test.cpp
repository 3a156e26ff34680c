// The group tree (expand icons, one selected group) and the recipient lists
// (rows of name and address, several selected, the double-click notice).
#include "monitor/Controls/TreeCtrlEx.h"
#include "monitor/Controls/TreeCtrlSp.h"
#include "widgets/WidgetsTestSupport.h"

using namespace plat;
using qntest::WidgetsTest;

namespace {

class GroupTreeTest : public WidgetsTest {
protected:
    void SetUp() override {
        WidgetsTest::SetUp();
        ASSERT_TRUE(tree.Create(frame.GetSafeHwnd(), 1003, RECT{0, 0, 178, 190}));
        company = tree.InsertItem(u"公司通讯录", TVI_ROOT, 1);
        sales = tree.InsertItem(u"销售部", company, 2);
        east = tree.InsertItem(u"华东区", sales, 3);
        tree.InsertItem(u"研发部", company, 4);
        personal = tree.InsertItem(u"个人通讯录", TVI_ROOT, 5);
        Pump();
        frame.notices.clear();
        frame.childEvents.clear();
    }
    HWND h() const { return tree.GetSafeHwnd(); }
    static int RowY(int row) { return row * 26 + 13; }
    // The middle of a row's expand icon.
    POINT Icon(int row) const {
        RECT r = tree.IconRect(row);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    CTreeCtrlSp tree;
    HTREEITEM company, sales, east, personal;
};

TEST_F(GroupTreeTest, GroupsStartClosedAndTheIconOpensAndClosesThem) {
    EXPECT_EQ(tree.GetCount(), 5);
    EXPECT_EQ(tree.ItemOfRow(1), personal);  // 26-pixel rows, subgroups hidden
    EXPECT_EQ(tree.RowAt(20, 27), 1);
    Click(h(), Icon(0).x, Icon(0).y);
    EXPECT_TRUE(tree.IsExpanded(company));
    EXPECT_EQ(tree.ItemOfRow(1), sales);
    EXPECT_EQ(tree.ItemOfRow(3), personal);
    EXPECT_EQ(tree.GetSelectedItem(), nullptr);  // the icon does not select
    EXPECT_EQ(frame.Count(WM_NOTIFY, TVN_ITEMEXPANDED), 1);
    // A group without subgroups has no icon to click: the click selects it.
    Click(h(), Icon(3).x, Icon(3).y);
    EXPECT_EQ(tree.GetSelectedItem(), personal);
    DoubleClick(h(), 100, RowY(1));
    EXPECT_EQ(tree.ItemOfRow(2), east);
}

TEST_F(GroupTreeTest, ASelectionIsToldOnceAndClosingAGroupTakesTheSelectionUp) {
    tree.SelectItem(east);  // opens its parents
    EXPECT_EQ(tree.RowOfItem(east), 2);
    EXPECT_TRUE(frame.notices.empty());  // set by the program: no notice
    Click(h(), 100, RowY(2));
    EXPECT_EQ(frame.Count(WM_NOTIFY, TVN_SELCHANGED), 0);  // already selected
    Click(h(), 100, RowY(1));
    EXPECT_EQ(tree.GetSelectedItem(), sales);
    EXPECT_EQ(frame.Count(WM_NOTIFY, TVN_SELCHANGED), 1);
    EXPECT_EQ(frame.CountChild(1, h()), 1);
    tree.SelectItem(east);
    Click(h(), Icon(0).x, Icon(0).y);  // close the company book
    EXPECT_EQ(tree.GetSelectedItem(), company);
    EXPECT_EQ(frame.Count(WM_NOTIFY, TVN_SELCHANGED), 2);
}

TEST_F(GroupTreeTest, RightAndLeftOpenCloseAndWalkTheLevels) {
    Click(h(), 100, RowY(0));
    Key(VK_RIGHT);
    EXPECT_TRUE(tree.IsExpanded(company));
    Key(VK_RIGHT);
    EXPECT_EQ(tree.GetSelectedItem(), sales);
    Key(VK_DOWN);  // over the closed sales group to its sibling
    EXPECT_EQ(tree.GetSelectedItem(), tree.GetNextSiblingItem(sales));
    Key(VK_LEFT);
    EXPECT_EQ(tree.GetSelectedItem(), company);
    Key(VK_LEFT);
    EXPECT_FALSE(tree.IsExpanded(company));
}

TEST_F(GroupTreeTest, EmptyingTheTreeTellsTheParentThatNothingIsSelected) {
    Click(h(), 100, RowY(1));
    frame.notices.clear();
    tree.DeleteAllItems();
    EXPECT_EQ(tree.GetCount(), 0);
    EXPECT_EQ(tree.GetSelectedItem(), nullptr);
    EXPECT_EQ(frame.Count(WM_NOTIFY, TVN_SELCHANGED), 1);
    tree.DeleteAllItems();  // nothing selected: nothing told
    EXPECT_EQ(frame.Count(WM_NOTIFY, TVN_SELCHANGED), 1);
}

class RecipientListTest : public WidgetsTest {
protected:
    void SetUp() override {
        WidgetsTest::SetUp();
        ASSERT_TRUE(to.Create(frame.GetSafeHwnd(), 1011, RECT{0, 0, 268, 150}));
        for (int i = 0; i < 4; ++i)
            to.InsertItem(u"Recv", u"收件人" + std::u16string(1, char16_t(u'1' + i)),
                          u"user" + std::u16string(1, char16_t(u'1' + i)) + u"@corp.cn",
                          uintptr_t(10 + i));
        Pump();
        frame.notices.clear();
    }
    HWND h() const { return to.GetSafeHwnd(); }
    static int RowY(int row) { return row * 24 + 12; }
    CTreeCtrlEx to;
};

TEST_F(RecipientListTest, SeveralEntriesAreSelectedWithCtrlAndShift) {
    Click(h(), 50, RowY(0));
    ClickWith(h(), 50, RowY(2), MK_CONTROL);
    EXPECT_EQ(to.GetSelectedItems(), (std::vector<int>{0, 2}));
    ClickWith(h(), 50, RowY(3), MK_SHIFT);
    EXPECT_EQ(to.GetSelectedItems(), (std::vector<int>{2, 3}));
    EXPECT_EQ(frame.Count(WM_NOTIFY, TVN_SELCHANGED), 3);
    EXPECT_EQ(to.RowHeight(), 24);
    EXPECT_EQ(to.GetItem(3).email, u"user4@corp.cn");
}

TEST_F(RecipientListTest, ADoubleClickLeavesOnlyThatEntrySelectedAndPostsTheNotice) {
    Click(h(), 50, RowY(0));
    ClickWith(h(), 50, RowY(1), MK_CONTROL);
    DoubleClick(h(), 50, RowY(2));
    EXPECT_EQ(to.GetSelectedItems(), (std::vector<int>{2}));
    ASSERT_EQ(frame.Count(WM_AB_TREEDBLCLK, int(reinterpret_cast<intptr_t>(h()))), 1);
    // What the address book does with it: remove the selected entries.
    for (int row : to.GetSelectedItems()) to.DeleteItem(row);
    EXPECT_EQ(to.GetCount(), 3);
    EXPECT_EQ(to.GetItemData(2), 13u);
    EXPECT_TRUE(to.GetSelectedItems().empty());
}

TEST_F(RecipientListTest, ADoubleClickBelowTheEntriesDoesNothing) {
    DoubleClick(h(), 50, RowY(6));
    EXPECT_EQ(frame.Count(WM_AB_TREEDBLCLK, int(reinterpret_cast<intptr_t>(h()))), 0);
    EXPECT_TRUE(to.GetSelectedItems().empty());
}

}  // namespace
