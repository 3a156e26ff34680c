// Owner-drawn popup menus driven as a user would: keys and clicks on the open
// menu, a click elsewhere, or picking and cancelling from the test.
#include "controls/ControlsTestSupport.h"
#include "desktop/DesktopTestSupport.h"
#include "monitor/Controls/BCMenu.h"
#include "platform/gfx/Screenshot.h"
#include "platform/gfx/WindowSurface.h"

using namespace plat;
using qntest::ControlsTest;

namespace {

void Fill(BCMenu& m) {
    m.AppendMenu(MF_STRING, 106, u"全部");
    m.AppendMenu(MF_STRING | MF_CHECKED, 107, u"姓名");
    m.AppendMenu(MF_SEPARATOR);
    m.AppendMenu(MF_STRING | MF_GRAYED, 108, u"邮箱地址");
    m.AppendMenu(MF_STRING, 109, u"更换帐号");
}

// Runs `act` on the open menu the first time the menu's loop has nothing to do.
void WhenOpen(std::function<void(BCMenu&)> act) {
    SetIdleHook([act, done = false]() mutable {
        BCMenu* m = BCMenu::OpenMenu();
        if (!m || done) return false;
        done = true;
        act(*m);
        return true;
    });
}

}  // namespace

TEST_F(ControlsTest, AMenuIsPickedWithTheKeysSkippingSeparatorsAndGreyedItems) {
    qntest::ScriptedWindow owner;
    HWND h = owner.MakeTop(u"Owner");
    BCMenu menu;
    Fill(menu);
    WhenOpen([](BCMenu& m) {
        HWND popup = m.PopupWindow();
        EXPECT_EQ(GetClassName(popup), u"#32768");
        EXPECT_EQ(GetFocus(), popup);
        for (int i = 0; i < 3; ++i) PostMessage(popup, WM_KEYDOWN, VK_DOWN, 0);
        PostMessage(popup, WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 300, 200, h), 109u);
    EXPECT_FALSE(BCMenu::IsAnyOpen());
    EXPECT_EQ(owner.CountMessages(WM_COMMAND), 0u);
}

TEST_F(ControlsTest, APickedItemIsPostedToTheOwnerAndAGreyedOneCannotBePicked) {
    qntest::ScriptedWindow owner;
    HWND h = owner.MakeTop(u"Owner");
    BCMenu menu;
    Fill(menu);
    WhenOpen([](BCMenu& m) {
        EXPECT_FALSE(m.PickItem(108));
        EXPECT_FALSE(m.PickItem(999));
        EXPECT_TRUE(m.PickItem(107));
    });
    EXPECT_EQ(menu.TrackPopupMenu(TPM_LEFTALIGN, 300, 200, h), 1u);
    Pump();
    ASSERT_EQ(owner.CountMessages(WM_COMMAND), 1u);
    EXPECT_EQ(owner.Last(WM_COMMAND).wParam, 107u);
}

TEST_F(ControlsTest, AClickOnARowPicksItAndEscapeOrAClickElsewhereCancels) {
    qntest::RecordingFrame frame;
    ASSERT_TRUE(frame.Create(nullptr));
    ShowWindow(frame.GetSafeHwnd(), SW_SHOW);
    BCMenu menu;
    Fill(menu);
    // The first row, by the mouse.
    WhenOpen([](BCMenu& m) {
        HWND popup = m.PopupWindow();
        PostMessage(popup, WM_MOUSEMOVE, 0, MAKELPARAM(30, 10));
        PostMessage(popup, WM_LBUTTONUP, 0, MAKELPARAM(30, 10));
    });
    EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 300, 200, frame.GetSafeHwnd()), 106u);
    // A greyed row takes no click; Escape then cancels.
    WhenOpen([](BCMenu& m) {
        HWND popup = m.PopupWindow();
        int greyedTop = 2 + 2 * BCMenu::kItemHeight + BCMenu::kSeparatorHeight;
        PostMessage(popup, WM_LBUTTONUP, 0, MAKELPARAM(30, greyedTop + 5));
        PostMessage(popup, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 300, 200, frame.GetSafeHwnd()), 0u);
    // A press on another window of the program closes the menu.
    WhenOpen([&frame](BCMenu&) {
        PostMessage(frame.GetSafeHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    });
    EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 300, 200, frame.GetSafeHwnd()), 0u);
    EXPECT_FALSE(BCMenu::IsAnyOpen());
}

TEST_F(ControlsTest, TheMenuDrawsCheckMarksAndGreyedTextAndStaysOnTheScreen) {
    qntest::ScriptedWindow owner;
    HWND h = owner.MakeTop(u"Owner");
    BCMenu menu;
    Fill(menu);
    EXPECT_EQ(menu.CheckMenuItem(106, MF_CHECKED), 0);
    EXPECT_EQ(menu.CheckMenuItem(107, MF_UNCHECKED), int(MF_CHECKED));
    EXPECT_EQ(menu.EnableMenuItem(108, MF_ENABLED), int(MF_GRAYED));
    EXPECT_EQ(menu.EnableMenuItem(109, MF_GRAYED), 0);
    EXPECT_EQ(menu.CheckMenuItem(555, MF_CHECKED), -1);
    RECT placed{};
    WhenOpen([&placed](BCMenu& m) {
        HWND popup = m.PopupWindow();
        GetWindowRect(popup, placed);
        UpdateWindow(popup);
        SaveScreenshot(popup, ControlsTest::ScreenshotPath(u"popup_menu.png"));
        Bitmap s = GetWindowSurface(popup);
        // The tick of the first row is blue in the gutter; the greyed last row is grey.
        int tickBlue = 0;
        for (int y = 2; y < 2 + BCMenu::kItemHeight; ++y)
            for (int x = 4; x < 24; ++x)
                if (GetBValue(s.GetPixel(x, y)) > 150 && GetRValue(s.GetPixel(x, y)) < 140) ++tickBlue;
        EXPECT_GT(tickBlue, 5);
        m.Cancel();
    });
    // Opened near the bottom-right corner, it is moved back onto the screen.
    menu.TrackPopupMenu(TPM_RETURNCMD, 1910, 1070, h);
    EXPECT_LE(placed.right, 1920);
    EXPECT_LE(placed.bottom, 1080);
    EXPECT_GT(placed.Width(), 100);
}
