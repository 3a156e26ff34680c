// The skinned frame on the simulated desktop: mouse and key dispatch, focus and
// tab order, window hit test, timers, private messages, regions and painting.
#include "controls/ControlsTestSupport.h"
#include "desktop/DesktopTestSupport.h"
#include "monitor/Controls/MsgBoxDlg.h"
#include "platform/gfx/WindowSurface.h"

using namespace plat;
using qntest::ControlsTest;
using qntest::RecordingFrame;

namespace {

// A frame 300 x 200 at (100, 100), made visible and painted.
void Open(RecordingFrame& f) {
    ASSERT_TRUE(f.Create(nullptr));
    SetWindowPos(f.GetSafeHwnd(), nullptr, 100, 100, 300, 200, SWP_NOZORDER);
    ShowWindow(f.GetSafeHwnd(), SW_SHOW);
    SetForegroundWindow(f.GetSafeHwnd());
    ControlsTest::Advance(0);
}

CExControl& Button(RecordingFrame& f, int id, int kind, int x, int y) {
    CExControl& c = f.AddControl(id, kind);
    f.SetImageStrip(c, LoadPackImage(kind == kExCheckBox ? u"btn_check.png" : u"btn_normal.png"), 0,
                    0, kind == kExCheckBox ? 8 : 4);
    f.SetBounds(c, x, y, kind == kExCheckBox ? 100 : 65, kind == kExCheckBox ? 15 : 23);
    return c;
}

}  // namespace

TEST_F(ControlsTest, AFrameWithoutControlsIgnoresTheMouseAndIsDraggedFromAnyPoint) {
    RecordingFrame f;
    Open(f);
    HWND h = f.GetSafeHwnd();
    MSG down;
    down.hwnd = h;
    down.message = WM_LBUTTONDOWN;
    down.lParam = MAKELPARAM(150, 100);
    EXPECT_EQ(f.DispatchControlMessage(down), 0);
    for (POINT p : {POINT{250, 200}, POINT{120, 120}, POINT{380, 280}})
        EXPECT_EQ(SendMessage(h, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTCAPTION);

    SetCursorPos(250, 200);
    SendMessage(h, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(250, 200));
    SetCursorPos(280, 220);
    PostMessage(h, WM_MOUSEMOVE, 0, MAKELPARAM(180, 120));
    PostMessage(h, WM_LBUTTONUP, 0, MAKELPARAM(180, 120));
    Pump();
    RECT r;
    GetWindowRect(h, r);
    EXPECT_EQ(r, (RECT{130, 120, 430, 320}));
    EXPECT_TRUE(f.notified.empty());
}

TEST_F(ControlsTest, APushButtonNotifiesOnceAndOnlyWhenReleasedOnItself) {
    RecordingFrame f;
    f.init = [](RecordingFrame& g) { Button(g, 7, kExPushButton, 20, 20); };
    Open(f);
    HWND h = f.GetSafeHwnd();
    Press(h, 30, 30);
    EXPECT_TRUE(f.IsCapturing());
    EXPECT_EQ(GetCapture(), h);
    EXPECT_TRUE(f.GetControl(7)->m_pressed);
    Release(h, 200, 150);
    EXPECT_TRUE(f.notified.empty());
    EXPECT_EQ(GetCapture(), nullptr);

    Press(h, 30, 30);
    Release(h, 40, 35);
    EXPECT_EQ(f.notified, std::vector<int>{7});
    EXPECT_TRUE(f.GetControl(7)->m_hover);
    EXPECT_FALSE(f.GetControl(7)->m_pressed);
}

TEST_F(ControlsTest, ACheckBoxClickedTwiceIsUncheckedAgainAndEachClickNotifies) {
    RecordingFrame f;
    f.init = [](RecordingFrame& g) { Button(g, 3, kExCheckBox, 20, 60); };
    Open(f);
    Click(f.GetSafeHwnd(), 25, 66);
    EXPECT_EQ(f.GetControl(3)->m_checked, 1);
    Click(f.GetSafeHwnd(), 25, 66);
    EXPECT_EQ(f.GetControl(3)->m_checked, 0);
    EXPECT_EQ(f.notified, (std::vector<int>{3, 3}));
}

TEST_F(ControlsTest, APressButtonNotifiesOnTheButtonDownAndStaysDown) {
    RecordingFrame f;
    f.init = [](RecordingFrame& g) {
        Button(g, 5, kExPressButton, 20, 20);
        Button(g, 6, kExPressButton, 100, 20);
    };
    Open(f);
    HWND h = f.GetSafeHwnd();
    Press(h, 30, 30);
    EXPECT_EQ(f.notified, std::vector<int>{5});
    EXPECT_TRUE(f.GetControl(5)->m_down);
    Release(h, 30, 30);
    EXPECT_EQ(f.notified, std::vector<int>{5});
    // Pressing another press button releases the first.
    Click(h, 110, 30);
    EXPECT_EQ(f.notified, (std::vector<int>{5, 6}));
    EXPECT_FALSE(f.GetControl(5)->m_down);
    EXPECT_TRUE(f.GetControl(6)->m_down);
    // Timer 50 keeps it down: it opens no popup.
    Advance(400);
    EXPECT_TRUE(f.GetControl(6)->m_down);
}

TEST_F(ControlsTest, EscapeDoesNothingAndEnterActsOnlyOnAFocusedButton) {
    RecordingFrame f;
    f.init = [](RecordingFrame& g) {
        g.AddTabStop(Button(g, 1, kExPushButton, 20, 20));
        g.AddTabStop(Button(g, 2, kExCheckBox, 20, 60));
    };
    Open(f);
    HWND h = f.GetSafeHwnd();
    SetFocus(h);
    Key(VK_ESCAPE);
    Key(VK_RETURN);
    EXPECT_TRUE(IsWindowVisible(h));
    EXPECT_TRUE(f.notified.empty());

    Key(VK_TAB);
    EXPECT_TRUE(f.GetControl(1)->m_focused);
    EXPECT_EQ(GetFocus(), f.FocusButton());
    Key(VK_RETURN);
    EXPECT_EQ(f.notified, std::vector<int>{1});
    Key(VK_TAB);
    ASSERT_TRUE(f.GetControl(2)->m_focused);
    EXPECT_FALSE(f.GetControl(1)->m_focused);
    Key(VK_RETURN);
    EXPECT_EQ(f.notified, std::vector<int>{1});
    Key(VK_SPACE);
    EXPECT_EQ(f.GetControl(2)->m_checked, 1);
    EXPECT_EQ(f.notified, (std::vector<int>{1, 2}));
}

TEST_F(ControlsTest, TheFrameOfAButtonFollowsItsStateAndAOneFrameStripKeepsItsFrame) {
    struct Case {
        bool hover, pressed, down, highlight, enabled;
        int fourFrames;
    } cases[] = {
        {false, false, false, false, true, 0}, {true, false, false, false, true, 1},
        {true, true, false, false, true, 2},   {false, false, true, false, true, 2},
        {false, false, false, true, true, 1},  {true, true, true, false, false, 3},
    };
    for (const Case& c : cases) {
        CExControl four, one;
        one.m_frameCount = 1;
        for (CExControl* x : {&four, &one}) {
            x->m_hover = c.hover;
            x->m_pressed = c.pressed;
            x->m_down = c.down;
            x->m_highlight = c.highlight;
            x->m_enabled = c.enabled;
        }
        EXPECT_EQ(four.ChosenFrame(), c.fourFrames);
        EXPECT_EQ(one.ChosenFrame(), 0);
    }
    // A strip of three frames has no disabled frame: the state before it stays.
    CExControl three;
    three.m_frameCount = 3;
    three.m_hover = true;
    three.m_enabled = false;
    EXPECT_EQ(three.ChosenFrame(), 0);
}

TEST_F(ControlsTest, TheWindowHitTestOffersResizeAreasUnlessResizingIsOff) {
    for (bool noResizing : {false, true}) {
        RecordingFrame f;
        f.init = [noResizing](RecordingFrame& g) {
            g.SetNoResizing(noResizing);
            Button(g, 1, kExPushButton, 100, 80);
        };
        Open(f);
        HWND h = f.GetSafeHwnd();
        struct Case {
            int x, y, code;
        } cases[] = {{101, 150, HTLEFT},        {398, 150, HTRIGHT},       {250, 101, HTTOP},
                     {250, 298, HTBOTTOM},      {105, 105, HTTOPLEFT},     {395, 105, HTTOPRIGHT},
                     {105, 295, HTBOTTOMLEFT},  {395, 295, HTBOTTOMRIGHT}, {150, 150, HTCAPTION}};
        for (const Case& c : cases)
            EXPECT_EQ(SendMessage(h, WM_NCHITTEST, 0, MAKELPARAM(c.x, c.y)),
                      noResizing ? HTCAPTION : c.code)
                << c.x << "," << c.y;
        // Over a control: the client.
        EXPECT_EQ(SendMessage(h, WM_NCHITTEST, 0, MAKELPARAM(210, 190)), HTCLIENT);
    }
}

TEST_F(ControlsTest, ANonClientPressOnAResizeAreaSendsTheSizeCommand) {
    RecordingFrame f;
    f.init = [](RecordingFrame& g) { Button(g, 1, kExPushButton, 100, 80); };
    Open(f);
    HWND h = f.GetSafeHwnd();
    f.RecordMessages(true);
    for (int ht = HTLEFT; ht <= HTBOTTOMRIGHT; ++ht) {
        SetCursorPos(250, 200);
        PostMessage(h, WM_NCLBUTTONDOWN, WPARAM(ht), MAKELPARAM(250, 200));
        Pump();
        PostMessage(h, WM_LBUTTONUP, 0, 0);
        Pump();
    }
    std::vector<WPARAM> commands;
    for (const auto& m : f.Messages())
        if (m.message == WM_SYSCOMMAND) commands.push_back(m.wParam);
    EXPECT_EQ(commands, (std::vector<WPARAM>{0xF001, 0xF002, 0xF003, 0xF004, 0xF005, 0xF006,
                                             0xF007, 0xF008}));
}

TEST_F(ControlsTest, TabMovesThroughEnabledControlsAndChildrenAndStopsAtTheEnd) {
    qntest::ScriptedWindow child;
    RecordingFrame f;
    f.init = [&](RecordingFrame& g) {
        g.AddTabStop(Button(g, 1, kExPushButton, 10, 10));
        CExControl& off = Button(g, 2, kExPushButton, 10, 40);
        off.m_enabled = false;
        g.AddTabStop(off);
        child.CreateEx(0, u"Edit", u"", WS_CHILD | WS_VISIBLE, 10, 80, 100, 20, g.GetSafeHwnd(), 1009);
        g.AddTabStop(child.Handle());
        g.AddTabStop(Button(g, 3, kExCheckBox, 10, 120));
    };
    Open(f);
    SetFocus(f.GetSafeHwnd());
    Key(VK_TAB);
    EXPECT_TRUE(f.GetControl(1)->m_focused);
    Key(VK_TAB);
    EXPECT_EQ(GetFocus(), child.Handle());
    EXPECT_EQ(f.FocusedControl(), nullptr);
    ASSERT_EQ(child.CountMessages(WM_EX_TAKEFOCUS), 1u);
    EXPECT_EQ(child.Last(WM_EX_TAKEFOCUS).wParam, 0u);
    // The child reports its Tab to the frame.
    SendMessage(f.GetSafeHwnd(), WM_EX_CHILDNOTIFY, kChildTab, reinterpret_cast<LPARAM>(child.Handle()));
    EXPECT_TRUE(f.GetControl(3)->m_focused);
    Key(VK_TAB);
    EXPECT_TRUE(f.GetControl(3)->m_focused);
    Key(VK_TAB, true);
    EXPECT_EQ(GetFocus(), child.Handle());
    EXPECT_EQ(child.Last(WM_EX_TAKEFOCUS).wParam, 1u);
    SendMessage(f.GetSafeHwnd(), WM_EX_CHILDNOTIFY, kChildShiftTab,
                reinterpret_cast<LPARAM>(child.Handle()));
    EXPECT_TRUE(f.GetControl(1)->m_focused);
}

TEST_F(ControlsTest, AnAltMnemonicActivatesItsControlOnlyWhenEnabledAndVisible) {
    RecordingFrame f;
    f.init = [](RecordingFrame& g) {
        g.AddMnemonic('S', Button(g, 4, kExPushButton, 10, 10));
        CExControl& hidden = Button(g, 5, kExPushButton, 10, 40);
        hidden.m_visible = false;
        g.AddMnemonic('H', hidden);
    };
    Open(f);
    SetFocus(f.GetSafeHwnd());
    AltKey('S');
    AltKey('H');
    AltKey('X');
    EXPECT_EQ(f.notified, std::vector<int>{4});
}

TEST_F(ControlsTest, TheTooltipFollowsTheHoveredControlAndShowsAfterTheMouseRests) {
    RecordingFrame f;
    f.init = [](RecordingFrame& g) {
        Button(g, 1, kExPushButton, 10, 10).SetTooltip(u"关闭");
        Button(g, 2, kExPushButton, 10, 60);
    };
    Open(f);
    HWND h = f.GetSafeHwnd();
    MoveTo(h, 20, 20);
    EXPECT_EQ(f.CurrentTooltipText(), u"关闭");
    ASSERT_NE(f.ToolTip(), nullptr);
    EXPECT_FALSE(f.ToolTip()->IsShown());
    Advance(600);
    EXPECT_TRUE(f.ToolTip()->IsShown());
    EXPECT_EQ(f.ToolTip()->Text(), u"关闭");
    // Over nothing the text stays; over a control without one it goes.
    MoveTo(h, 200, 150);
    EXPECT_EQ(f.CurrentTooltipText(), u"关闭");
    EXPECT_FALSE(f.ToolTip()->IsShown());
    MoveTo(h, 20, 70);
    EXPECT_EQ(f.CurrentTooltipText(), u"");
}

TEST_F(ControlsTest, TheStateTimerClearsHoverOnceTheMouseIsOutsideTheWindow) {
    RecordingFrame f;
    f.init = [](RecordingFrame& g) { Button(g, 1, kExPushButton, 10, 10); };
    Open(f);
    MoveTo(f.GetSafeHwnd(), 20, 20);
    EXPECT_TRUE(f.GetControl(1)->m_hover);
    Advance(300);
    EXPECT_TRUE(f.GetControl(1)->m_hover);
    SetCursorPos(900, 900);
    Advance(160);
    EXPECT_FALSE(f.GetControl(1)->m_hover);
}

TEST_F(ControlsTest, MenuBarModeArmsThePopupOfAPressButtonUntilNoMenuIsOpen) {
    RecordingFrame f;
    f.init = [](RecordingFrame& g) {
        g.SetMenuBarMode(true);
        g.AddPopupId(10);
        Button(g, 10, kExPressButton, 10, 10);
        Button(g, 11, kExPressButton, 80, 10);
    };
    Open(f);
    Press(f.GetSafeHwnd(), 20, 20);
    EXPECT_TRUE(f.IsMenuArmed());
    EXPECT_EQ(f.ArmedId(), 10);
    Advance(520);
    EXPECT_FALSE(f.IsMenuArmed());
    EXPECT_EQ(f.ArmedId(), -1);
    EXPECT_FALSE(f.GetControl(10)->m_down);
    // A press button that opens no popup arms nothing.
    Press(f.GetSafeHwnd(), 90, 20);
    EXPECT_FALSE(f.IsMenuArmed());
}

TEST_F(ControlsTest, TheHideMessageHidesOnlyOverlappedWindowsAndShowsThemAgain) {
    RegisterDialogTemplate({901, 300, 200, WS_OVERLAPPED | WS_CLIPSIBLINGS, 0, u"overlapped"});
    RecordingFrame overlapped(901), popup;
    ASSERT_TRUE(overlapped.Create(nullptr));
    ASSERT_TRUE(popup.Create(nullptr));
    for (HWND h : {overlapped.GetSafeHwnd(), popup.GetSafeHwnd()}) {
        ShowWindow(h, SW_SHOW);
        SendMessage(h, WM_EX_HIDESHOW, 0, 0);
    }
    EXPECT_FALSE(IsWindowVisible(overlapped.GetSafeHwnd()));
    EXPECT_TRUE(overlapped.HiddenByMessage());
    EXPECT_TRUE(IsWindowVisible(popup.GetSafeHwnd()));
    SendMessage(overlapped.GetSafeHwnd(), WM_EX_HIDESHOW, 0, 1);
    EXPECT_TRUE(IsWindowVisible(overlapped.GetSafeHwnd()));
    // Shown only when it was hidden that way.
    ShowWindow(popup.GetSafeHwnd(), SW_HIDE);
    SendMessage(popup.GetSafeHwnd(), WM_EX_HIDESHOW, 0, 1);
    EXPECT_FALSE(IsWindowVisible(popup.GetSafeHwnd()));
}

TEST_F(ControlsTest, ChildReportsReachTheVirtualOperations) {
    RecordingFrame f;
    Open(f);
    HWND h = f.GetSafeHwnd();
    auto child = reinterpret_cast<LPARAM>(f.FocusButton());
    SendMessage(h, WM_EX_CHILDNOTIFY, kChildTextChanged, child);
    SendMessage(h, WM_EX_CHILDNOTIFY, kChildSelectionChanged, child);
    SendMessage(h, WM_EX_CHILDNOTIFY, kChildValueChanged, child);
    SendMessage(h, WM_EX_ENTERESCAPE, 0, 0);
    SendMessage(h, WM_EX_ENTERESCAPE, 1, 0);
    HWND fb = f.FocusButton();
    EXPECT_EQ(f.childEvents, (std::vector<std::pair<int, HWND>>{{0, fb}, {1, fb}, {4, fb}}));
    EXPECT_EQ(f.enterEscape, (std::vector<bool>{false, true}));
    SendMessage(h, WM_EX_CONTROLNOTIFY, 0, MAKELPARAM(42, 0));
    EXPECT_EQ(f.notified, std::vector<int>{42});
    EXPECT_TRUE(CExDialog::ClickElsewhere());
}

TEST_F(ControlsTest, RoundRegionsCutTheCornersOfTheWholeWindowOrOnlyTheTop) {
    RecordingFrame f;
    Open(f);
    HWND h = f.GetSafeHwnd();
    f.SetRoundRegion(10, true);
    Region r;
    ASSERT_TRUE(GetWindowRgn(h, r));
    EXPECT_FALSE(r.Contains(0, 0));
    EXPECT_FALSE(r.Contains(0, 199));
    EXPECT_TRUE(r.Contains(150, 100));
    EXPECT_TRUE(r.Contains(300, 100));  // right edge included
    f.SetRoundRegion(10, false);
    ASSERT_TRUE(GetWindowRgn(h, r));
    EXPECT_FALSE(r.Contains(0, 0));
    EXPECT_FALSE(r.Contains(299, 0));
    EXPECT_TRUE(r.Contains(0, 199));
    EXPECT_TRUE(r.Contains(299, 199));
    EXPECT_TRUE(r.Contains(150, 100));
}

TEST_F(ControlsTest, AMissingBackgroundImageIsToldInAMessageBox) {
    RecordingFrame f;
    Open(f);
    std::u16string missing = m_folder.Join(u"nothing.png");
    f.SetBackgroundImage(missing);
    EXPECT_TRUE(f.BackgroundBitmap().IsNull());
    HWND box = FindWindow(nullptr, u"截入图片错误");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(IsWindowVisible(box));
    auto* dlg = dynamic_cast<CMsgBoxDlg*>(Window::FromHandle(box));
    ASSERT_NE(dlg, nullptr);
    std::u16string all;
    for (const auto& l : dlg->Lines()) all += l;
    EXPECT_EQ(all, u"文件 " + missing + u" 不存在！");
    // Its answer makes the frame close it.
    Key(VK_RETURN, false, box);
    EXPECT_FALSE(IsWindow(box));

    std::u16string present = m_folder.Join(u"skin\\mim_msgbox.png");
    f.SetBackgroundImage(present);
    EXPECT_EQ(f.BackgroundBitmap().Width(), 180);
}

TEST_F(ControlsTest, PaintingDrawsBackgroundAndControlsInOneTransfer) {
    RecordingFrame f;
    f.init = [](RecordingFrame& g) {
        g.SetBackgroundColour(RGB(200, 30, 30));
        Button(g, 1, kExPushButton, 20, 20);
    };
    Open(f);
    HWND h = f.GetSafeHwnd();
    EXPECT_EQ(GetPaintCount(h), 1);
    Bitmap s = GetWindowSurface(h);
    EXPECT_EQ(s.GetPixel(5, 5), RGB(200, 30, 30));
    EXPECT_NE(s.GetPixel(50, 30), RGB(200, 30, 30));  // the button face
    // Setters repaint only on a change.
    int before = GetInvalidateCount(h);
    f.GetControl(1)->SetHover(true);
    f.GetControl(1)->SetHover(true);
    EXPECT_EQ(GetInvalidateCount(h), before + 1);
    Pump();
    EXPECT_EQ(GetPaintCount(h), 2);
}

TEST_F(ControlsTest, TheReloadMessageRunsReloadImagesBeforeTheNextPaint) {
    struct Frame : RecordingFrame {
        int reloads = 0;
        void ReloadImages() override { ++reloads; }
    } f;
    Open(f);
    SendMessage(f.GetSafeHwnd(), WM_EX_RELOADIMAGES, 0, 0);
    EXPECT_EQ(f.reloads, 0);
    Pump();
    EXPECT_EQ(f.reloads, 1);
    InvalidateRect(f.GetSafeHwnd(), nullptr, false);
    Pump();
    EXPECT_EQ(f.reloads, 1);
}

TEST_F(ControlsTest, AChildBorderIsTheWidenedRectangleWithAOnePixelFrame) {
    RecordingFrame f;
    Open(f);
    qntest::ScriptedWindow child;
    child.CreateEx(0, u"Edit", u"", WS_CHILD | WS_VISIBLE, 50, 40, 100, 20, f.GetSafeHwnd());
    Bitmap b(300, 200);
    Canvas c(b);
    f.DrawChildBorder(c, child.Handle(), RGB(0, 0, 255), 2, 3, 4, 5, RGB(0, 255, 0));
    EXPECT_EQ(b.GetPixel(48, 37), RGB(0, 0, 255));    // top-left corner of the widened frame
    EXPECT_EQ(b.GetPixel(153, 64), RGB(0, 0, 255));   // bottom-right corner
    EXPECT_EQ(b.GetPixel(49, 38), RGB(0, 255, 0));    // one pixel in
    EXPECT_EQ(b.GetAlpha(47, 37), 0);                 // outside
    EXPECT_EQ(b.GetAlpha(154, 65), 0);
}

TEST_F(ControlsTest, ALinkFollowsItsCaptionWidthAndTakesTheLinkColour) {
    RecordingFrame f;
    f.init = [](RecordingFrame& g) {
        CExControl& link = g.AddControl(11, kExLinkText);
        g.SetBounds(link, 20, 20, 10, 15);
        link.SetColours(kExLinkMarkerColour, kExLinkMarkerColour);
        link.SetCaption(u"服务器设置");
    };
    Open(f);
    CExControl* link = f.GetControl(11);
    EXPECT_EQ(link->m_width, MeasureText(u"服务器设置", link->m_font).cx + 3);
    Bitmap s = GetWindowSurface(f.GetSafeHwnd());
    int linkPixels = 0;
    for (int y = 20; y < 35; ++y)
        for (int x = 20; x < 20 + link->m_width; ++x) {
            COLORREF p = s.GetPixel(x, y);
            if (GetBValue(p) > 150 && GetRValue(p) < 120) ++linkPixels;
        }
    EXPECT_GT(linkPixels, 10);
}
