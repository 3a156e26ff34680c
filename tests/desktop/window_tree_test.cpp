// The window tree: search, sibling order, visibility, geometry, destruction.
#include <memory>
#include <vector>

#include "desktop/DesktopTestSupport.h"

using namespace plat;
using qntest::DesktopTest;
using qntest::ScriptedWindow;

namespace {

struct Tree {
    ScriptedWindow top;
    HWND parent = nullptr;
    std::vector<std::unique_ptr<ScriptedWindow>> kids;
    HWND Add(std::u16string_view cls, std::u16string_view title,
             uint32_t style = WS_VISIBLE | WS_CHILD, int id = 0) {
        kids.push_back(std::make_unique<ScriptedWindow>());
        return kids.back()->MakeChild(parent, cls, title, id, style);
    }
};

}  // namespace

TEST_F(DesktopTest, FindWindowExComparesWholeTextsWithoutCaseAndContinuesAfterAChild) {
    Tree t;
    t.parent = t.top.MakeTop(u"#32770");
    HWND a = t.Add(u"Button", u"To");
    HWND b = t.Add(u"BUTTON", u"收件人...");
    HWND c = t.Add(u"button", u"");
    HWND s = t.Add(u"Static", u"To&...");

    EXPECT_EQ(FindWindowEx(t.parent, nullptr, u"button", nullptr), a);  // null title: any
    EXPECT_EQ(FindWindowEx(t.parent, a, u"Button", nullptr), b);
    EXPECT_EQ(FindWindowEx(t.parent, b, u"Button", nullptr), c);
    EXPECT_EQ(FindWindowEx(t.parent, c, u"Button", nullptr), nullptr);
    EXPECT_EQ(FindWindowEx(t.parent, nullptr, u"Button", u""), c);  // empty title: only empty
    EXPECT_EQ(FindWindowEx(t.parent, nullptr, u"Button", u"to"), a);
    EXPECT_EQ(FindWindowEx(t.parent, nullptr, u"Button", u"T"), nullptr);  // no substring match
    EXPECT_EQ(FindWindowEx(t.parent, nullptr, nullptr, u"to&..."), s);
    EXPECT_EQ(FindWindowEx(t.parent, nullptr, u"Butto", nullptr), nullptr);
    // A "child after" that is not a child of the parent finds nothing.
    EXPECT_EQ(FindWindowEx(t.parent, t.parent, u"Button", nullptr), nullptr);
    // Only direct children are searched.
    ScriptedWindow grand;
    HWND g = grand.MakeChild(a, u"Edit");
    EXPECT_EQ(FindWindowEx(t.parent, nullptr, u"Edit", nullptr), nullptr);
    EXPECT_EQ(FindWindowEx(a, nullptr, u"Edit", nullptr), g);
}

TEST_F(DesktopTest, ChildrenKeepCreationOrderAndTopLevelWindowsStackNewestFirst) {
    Tree t;
    t.parent = t.top.MakeTop(u"Frame");
    HWND a = t.Add(u"A", u""), b = t.Add(u"B", u""), c = t.Add(u"C", u"");
    EXPECT_EQ(GetWindow(t.parent, GW_CHILD), a);
    EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
    EXPECT_EQ(GetWindow(c, GW_HWNDPREV), b);
    EXPECT_EQ(GetWindow(b, GW_HWNDFIRST), a);
    EXPECT_EQ(GetWindow(a, GW_HWNDLAST), c);
    EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), nullptr);
    EXPECT_EQ(GetWindow(a, GW_HWNDPREV), nullptr);

    ASSERT_TRUE(SetWindowPos(c, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
    EXPECT_EQ(GetWindow(t.parent, GW_CHILD), c);
    EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), a);
    EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), nullptr);

    ScriptedWindow second;
    HWND top2 = second.MakeTop(u"Frame", u"second");
    EXPECT_EQ(FindWindow(u"frame", nullptr), top2);
    EXPECT_EQ(FindWindowEx(nullptr, top2, u"Frame", nullptr), t.parent);
    EXPECT_EQ(GetWindow(top2, GW_HWNDNEXT), t.parent);
}

TEST_F(DesktopTest, ParentOwnerAndAncestors) {
    ScriptedWindow owner, popup, child, grandchild;
    HWND o = owner.MakeTop(u"Owner");
    HWND p = popup.CreateEx(0, u"Popup", u"", WS_POPUP, 0, 0, 10, 10, o);
    HWND c = child.MakeChild(p, u"Child");
    HWND g = grandchild.MakeChild(c, u"Grand");
    EXPECT_EQ(GetParent(g), c);
    EXPECT_EQ(GetParent(c), p);
    EXPECT_EQ(GetParent(p), o);  // a top-level window's parent is its owner
    EXPECT_EQ(GetParent(o), nullptr);
    EXPECT_EQ(GetWindow(p, GW_OWNER), o);
    EXPECT_EQ(GetAncestor(g, GA_ROOT), p);
    EXPECT_EQ(GetAncestor(g, GA_ROOTOWNER), o);
    EXPECT_EQ(GetAncestor(p, GA_PARENT), GetDesktopWindow());
    EXPECT_TRUE(IsChild(p, g));
    EXPECT_FALSE(IsChild(o, g));
}

TEST_F(DesktopTest, AChildIsVisibleOnlyWhenAllItsAncestorsAre) {
    Tree t;
    t.parent = t.top.MakeTop(u"Frame");
    HWND mid = t.Add(u"Mid", u"");
    ScriptedWindow leafWin;
    HWND leaf = leafWin.MakeChild(mid, u"Leaf");
    EXPECT_TRUE(IsWindowVisible(leaf));
    ShowWindow(mid, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(leaf));
    EXPECT_TRUE(GetWindowLongPtr(leaf, GWL_STYLE) & WS_VISIBLE);  // its own flag stays
    ShowWindow(mid, SW_SHOW);
    ShowWindow(t.parent, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(leaf));
    ShowWindow(t.parent, SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(leaf));
    HWND hidden = t.Add(u"Hidden", u"", WS_CHILD);
    EXPECT_FALSE(IsWindowVisible(hidden));

    EXPECT_TRUE(IsWindowEnabled(leaf));
    EnableWindow(leaf, false);
    EXPECT_FALSE(IsWindowEnabled(leaf));
    EXPECT_EQ(leafWin.CountMessages(WM_ENABLE), 1u);
}

TEST_F(DesktopTest, ChildRectanglesAreInScreenCoordinatesAndFollowTheParent) {
    ScriptedWindow top, child;
    HWND p = top.CreateEx(0, u"Frame", u"", WS_VISIBLE | WS_POPUP | WS_BORDER, 100, 50, 400, 300,
                          nullptr);
    HWND c = child.CreateEx(0, u"Edit", u"", WS_VISIBLE | WS_CHILD, 10, 20, 100, 25, p);
    RECT r;
    ASSERT_TRUE(GetWindowRect(c, r));
    EXPECT_EQ(r, (RECT{111, 71, 211, 96}));  // inside the 1-pixel border
    ASSERT_TRUE(GetClientRect(p, r));
    EXPECT_EQ(r, (RECT{0, 0, 398, 298}));
    MoveWindow(p, 200, 60, 400, 300, true);
    ASSERT_TRUE(GetWindowRect(c, r));
    EXPECT_EQ(r, (RECT{211, 81, 311, 106}));
    POINT pt{5, 5};
    ClientToScreen(c, pt);
    EXPECT_EQ(pt, (POINT{216, 86}));
    ScreenToClient(p, pt);
    EXPECT_EQ(pt, (POINT{15, 25}));
    EXPECT_EQ(top.CountMessages(WM_MOVE), 1u);
    EXPECT_EQ(top.CountMessages(WM_SIZE), 0u);  // same size: no WM_SIZE
}

TEST_F(DesktopTest, DestroySendsDestroyTopDownAndNcDestroyBottomUpAndDeletesOwnObjects) {
    std::vector<std::pair<std::u16string, UINT>> order;
    auto tracker = [&order](std::u16string name) {
        return [&order, name](UINT m, WPARAM, LPARAM, LRESULT&) {
            if (m == WM_DESTROY || m == WM_NCDESTROY) order.emplace_back(name, m);
            return false;
        };
    };
    ScriptedWindow top(tracker(u"top")), child(tracker(u"child")), grand(tracker(u"grand"));
    HWND t = top.MakeTop(u"Frame");
    HWND c = child.MakeChild(t, u"Child");
    HWND g = grand.MakeChild(c, u"Grand");
    // A window made by class name belongs to the desktop and goes with its window.
    static int deleted;
    deleted = 0;
    struct Counted : Window {
        ~Counted() override { ++deleted; }
    };
    RegisterWindowClass(u"Counted", [] { return new Counted; });
    HWND k = CreateWindowEx(0, u"Counted", u"", WS_CHILD, 0, 0, 5, 5, g);
    ASSERT_NE(k, nullptr);

    ASSERT_TRUE(DestroyWindow(t));
    std::vector<std::pair<std::u16string, UINT>> expected{
        {u"top", WM_DESTROY},     {u"child", WM_DESTROY},   {u"grand", WM_DESTROY},
        {u"grand", WM_NCDESTROY}, {u"child", WM_NCDESTROY}, {u"top", WM_NCDESTROY}};
    EXPECT_EQ(order, expected);
    EXPECT_FALSE(IsWindow(t));
    EXPECT_FALSE(IsWindow(g));
    EXPECT_FALSE(IsWindow(k));
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(top.Handle(), nullptr);
    EXPECT_EQ(FindWindow(u"Frame", nullptr), nullptr);
}

TEST_F(DesktopTest, AChildTellsItsParentWhenItComesAndGoes) {
    ScriptedWindow top, child;
    HWND t = top.MakeTop(u"Frame");
    HWND c = child.MakeChild(t, u"Child", u"", 7);
    child.DestroyWindow();
    std::vector<std::pair<int, LPARAM>> notes;
    for (const auto& m : top.Messages())
        if (m.message == WM_PARENTNOTIFY) notes.emplace_back(int(m.wParam), m.lParam);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0], std::make_pair(int(MAKEWPARAM(WM_CREATE, 7)), reinterpret_cast<LPARAM>(c)));
    EXPECT_EQ(notes[1],
              std::make_pair(int(MAKEWPARAM(WM_DESTROY, 7)), reinterpret_cast<LPARAM>(c)));
}

TEST_F(DesktopTest, TextsIdsProcessAndThread) {
    ScriptedWindow top, child;
    HWND t = top.CreateEx(0, u"Frame", u"标题", WS_POPUP, 0, 0, 10, 10, nullptr);
    HWND c = child.MakeChild(t, u"Edit", u"", 1026);
    EXPECT_EQ(GetClassName(t), u"Frame");
    EXPECT_EQ(GetWindowText(t), u"标题");
    EXPECT_EQ(GetWindowTextLength(t), 2);
    EXPECT_TRUE(SetWindowText(t, u"new"));
    EXPECT_EQ(GetWindowText(t), u"new");
    EXPECT_EQ(GetDlgCtrlID(c), 1026);
    EXPECT_EQ(GetDlgCtrlID(t), 0);
    EXPECT_EQ(GetDlgItem(t, 1026), c);
    SetWindowLongPtr(c, GWLP_USERDATA, 77);
    EXPECT_EQ(GetWindowLongPtr(c, GWLP_USERDATA), 77);
    uint32_t pid = 0;
    EXPECT_NE(GetWindowThreadProcessId(c, &pid), 0u);
    EXPECT_NE(pid, 0u);

    CREATESTRUCT cs;
    cs.className = u"Other";
    cs.style = WS_POPUP;
    cs.processId = 4242;
    ScriptedWindow other;
    HWND o = other.Create(cs);
    EXPECT_EQ(GetWindowThreadProcessId(o, &pid), GetWindowThreadProcessId(t, nullptr));
    EXPECT_EQ(pid, 4242u);

    // Gone windows answer nothing.
    top.DestroyWindow();
    EXPECT_EQ(GetClassName(t), u"");
    EXPECT_EQ(GetWindowThreadProcessId(t, &pid), 0u);
    EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), nullptr);
}

TEST_F(DesktopTest, WindowFromPointFindsTheDeepestVisibleWindowInsideItsRegion) {
    ScriptedWindow top, child, hidden, disabled;
    HWND t = top.CreateEx(0, u"Frame", u"", WS_VISIBLE | WS_POPUP, 0, 0, 200, 200, nullptr);
    HWND c = child.CreateEx(0, u"Child", u"", WS_VISIBLE | WS_CHILD, 10, 10, 50, 50, t);
    hidden.CreateEx(0, u"Hidden", u"", WS_CHILD, 100, 100, 50, 50, t);
    disabled.CreateEx(0, u"Disabled", u"", WS_VISIBLE | WS_CHILD | WS_DISABLED, 100, 10, 50, 50, t);
    EXPECT_EQ(WindowFromPoint({20, 20}), c);
    EXPECT_EQ(WindowFromPoint({120, 120}), t);  // hidden child is not there
    EXPECT_EQ(WindowFromPoint({120, 20}), t);   // disabled child gives its parent
    EXPECT_EQ(WindowFromPoint({500, 500}), nullptr);
    Region round = Region::RoundRect(0, 0, 50, 50, 20, 20);
    SetWindowRgn(c, &round, false);
    EXPECT_EQ(WindowFromPoint({10, 10}), t);  // the cut-off corner
    EXPECT_EQ(WindowFromPoint({35, 35}), c);
    Region got;
    EXPECT_TRUE(GetWindowRgn(c, got));
    EXPECT_FALSE(got.Contains(0, 0));
    EXPECT_TRUE(got.Contains(25, 0));
}
