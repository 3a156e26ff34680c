// The message box and the bubble tip: layouts, answers, wrapping and sizes;
// positions, stacking and closing on the desktop clock.
#include "controls/ControlsTestSupport.h"
#include "desktop/DesktopTestSupport.h"
#include "monitor/Controls/BubbleTipDlg.h"
#include "monitor/Controls/MsgBoxDlg.h"
#include "platform/gfx/WindowSurface.h"

using namespace plat;
using qntest::ControlsTest;

namespace {

struct Owner : qntest::ScriptedWindow {
    Owner() { MakeTop(u"Owner"); }
    std::vector<WPARAM> Answers() const {
        std::vector<WPARAM> a;
        for (const auto& m : Messages())
            if (m.message == WM_AB_MSGBOXRESULT) a.push_back(m.wParam);
        return a;
    }
};

std::unique_ptr<CMsgBoxDlg> Box(Owner& owner, std::u16string_view text, int layout,
                                bool affirmativeDefault = true, int sizeClass = 0) {
    auto box = std::make_unique<CMsgBoxDlg>(owner.Handle(), text, u"更换帐户", layout,
                                            affirmativeDefault);
    box->SetSizeClass(sizeClass);
    box->SetIconIndex(1);
    EXPECT_TRUE(box->Create(nullptr));
    ShowWindow(box->GetSafeHwnd(), SW_SHOW);
    ControlsTest::Advance(0);
    return box;
}

// A text of one line whose width lies in (low, high].
std::u16string TextOfWidth(int low, int high) {
    std::u16string t;
    while (MeasureText(t, CMsgBoxDlg::TextFont()).cx <= low) t += u"联";
    EXPECT_LE(MeasureText(t, CMsgBoxDlg::TextFont()).cx, high);
    return t;
}

}  // namespace

TEST_F(ControlsTest, APlainBoxGrowsWithItsParagraphsAndWrapsByMeasuredWidth) {
    Owner owner;
    auto box = Box(owner, u"第一段\n第二段\n第三段", 1);
    EXPECT_EQ(box->Lines(), (std::vector<std::u16string>{u"第一段", u"第二段", u"第三段"}));
    RECT r;
    GetWindowRect(box->GetSafeHwnd(), r);
    EXPECT_EQ(r.Width(), 360);
    EXPECT_EQ(r.Height(), 100 + 16 * 3);

    // A long text without blanks breaks between any two characters, each line
    // within 310 pixels; an empty paragraph gives no line.
    std::u16string longText(60, u'字');
    auto wrapped = Box(owner, longText + u"\n\nend", 0);
    ASSERT_GE(wrapped->Lines().size(), 3u);
    std::u16string joined;
    for (size_t i = 0; i + 1 < wrapped->Lines().size(); ++i) {
        EXPECT_LE(MeasureText(wrapped->Lines()[i], CMsgBoxDlg::TextFont()).cx, 310);
        joined += wrapped->Lines()[i];
    }
    EXPECT_EQ(joined, longText);
    EXPECT_EQ(wrapped->Lines().back(), u"end");
    EXPECT_EQ(wrapped->Height(), 100 + 16 * int(wrapped->Lines().size()));
}

TEST_F(ControlsTest, WithAnIconTheSizeClassFollowsTheWidthOfTheText) {
    Owner owner;
    struct Case {
        int low, high, sizeClass, width;
    } cases[] = {{0, 173, 1, 270}, {173, 243, 2, 340}, {243, 400, 3, 360}};
    for (const Case& c : cases) {
        std::u16string text = TextOfWidth(c.low, c.high);
        auto box = Box(owner, text, 0, true, 1);
        EXPECT_EQ(box->SizeClass(), c.sizeClass) << c.low;
        RECT r;
        GetWindowRect(box->GetSafeHwnd(), r);
        EXPECT_EQ(r.Width(), c.width);
        EXPECT_EQ(r.Height(), 150);
    }
}

TEST_F(ControlsTest, TheLayoutsPlaceTheirButtonsAndFocusTheDefault) {
    Owner owner;
    struct Case {
        int layout;
        bool affirmative;
        std::vector<std::pair<int, int>> shown;  // id, x from the right edge
        int focused;
    } cases[] = {
        {0, true, {{1, 80}}, 1},
        {1, true, {{1, 150}, {3, 80}}, 1},
        {1, false, {{1, 150}, {3, 80}}, 3},
        {3, false, {{1, 180}, {2, 130}, {3, 80}}, 2},
        {4, true, {{1, 110}, {2, 60}}, 1},
    };
    for (const Case& c : cases) {
        auto box = Box(owner, u"您确定要退出，更换其他帐户登录吗？", c.layout, c.affirmative);
        int w = box->Width(), h = box->Height();
        for (int id = 1; id <= 3; ++id) {
            auto it = std::find_if(c.shown.begin(), c.shown.end(),
                                   [id](const auto& s) { return s.first == id; });
            CExControl* b = box->GetControl(id);
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(b->m_visible, it != c.shown.end()) << c.layout << " id " << id;
            if (it == c.shown.end()) continue;
            EXPECT_EQ(b->m_x, w - it->second);
            EXPECT_EQ(b->m_y, h - 35);
        }
        bool yesNo = c.layout >= 3;
        EXPECT_EQ(box->GetControl(1)->m_caption, yesNo ? u"是" : u"确定");
        if (yesNo) {
            EXPECT_EQ(box->GetControl(1)->m_width, 45);
        }
        EXPECT_TRUE(box->GetControl(c.focused)->m_focused) << c.layout;
        EXPECT_EQ(box->GetControl(4)->m_x, w - 32);
        EXPECT_EQ(box->GetControl(5)->m_caption, u"更换帐户");
    }
}

TEST_F(ControlsTest, AnswersArePostedToTheOwnerAndOnlyAffirmationsHideTheBox) {
    Owner owner;
    struct Case {
        int layout, id;
        WPARAM answer;
        bool hides;
    } cases[] = {{1, 1, 1, true}, {3, 1, 6, true}, {3, 2, 7, true}, {3, 3, 2, false},
                 {1, 4, 2, false}};
    for (const Case& c : cases) {
        owner.ClearMessages();
        auto box = Box(owner, u"问题", c.layout);
        CExControl* b = box->GetControl(c.id);
        Click(box->GetSafeHwnd(), b->m_x + 5, b->m_y + 5);
        EXPECT_EQ(owner.Answers(), std::vector<WPARAM>{c.answer}) << c.layout << "/" << c.id;
        EXPECT_EQ(IsWindowVisible(box->GetSafeHwnd()), !c.hides);
    }
}

TEST_F(ControlsTest, EscapeAnswersTwoAndLeavesTheBoxUntilTheOwnerActs) {
    Owner owner;
    auto box = Box(owner, u"您确定要退出，更换其他帐户登录吗？", 1, true);
    Key(VK_ESCAPE);
    EXPECT_EQ(owner.Answers(), std::vector<WPARAM>{2});
    EXPECT_TRUE(IsWindowVisible(box->GetSafeHwnd()));
    EXPECT_EQ(owner.Last(WM_AB_MSGBOXRESULT).lParam, reinterpret_cast<LPARAM>(box->GetSafeHwnd()));
    // Enter on the focused button, the cancel button when the affirmative is not default.
    auto second = Box(owner, u"再问一次", 1, false);
    owner.ClearMessages();
    Key(VK_RETURN);
    EXPECT_EQ(owner.Answers(), std::vector<WPARAM>{2});
}

TEST_F(ControlsTest, TheBoxDrawsItsIconAndTitleOnTheNinePartBackground) {
    Owner owner;
    auto box = Box(owner, u"保存成功", 0, true, 1);
    Bitmap shot = GetWindowSurface(box->GetSafeHwnd());
    ASSERT_FALSE(shot.IsNull());
    // The header band is blue, the body white, the icon of index 1 (blue) at (25, 56).
    COLORREF header = shot.GetPixel(100, 5), body = shot.GetPixel(250, 58), icon = shot.GetPixel(30, 74);
    EXPECT_GT(GetBValue(header), 150);
    EXPECT_LT(GetRValue(header), 120);
    EXPECT_EQ(body, RGB(255, 255, 255));
    EXPECT_GT(GetBValue(icon), 150);
    EXPECT_LT(GetRValue(icon), 120);
    // The corners are cut by the region.
    Region rgn;
    ASSERT_TRUE(GetWindowRgn(box->GetSafeHwnd(), rgn));
    EXPECT_FALSE(rgn.Contains(0, 0));
}

// --- Bubble tips ------------------------------------------------------------------------------

namespace {

CBubbleTipDlg* Tip(HWND owner, CBubbleTipDlg** slot, std::u16string_view text) {
    *slot = new CBubbleTipDlg(owner, 0, slot);
    (*slot)->SetTitle(u"同步web联系人");
    (*slot)->SetText(text);
    EXPECT_TRUE((*slot)->Create());
    return *slot;
}

RECT RectOf(CBubbleTipDlg* t) {
    RECT r;
    GetWindowRect(t->GetSafeHwnd(), r);
    return r;
}

}  // namespace

TEST_F(ControlsTest, BubbleTipsAppearAtTheBottomRightAndStackUpwards) {
    SetWorkArea({0, 0, 1920, 1040});
    qntest::ScriptedWindow owner;
    owner.MakeTop(u"Monitor");
    CBubbleTipDlg* slots[3] = {};
    Tip(owner.Handle(), &slots[0], u"网络连接超时！");
    EXPECT_FALSE(IsWindowVisible(slots[0]->GetSafeHwnd()));
    Advance(500);
    ASSERT_TRUE(IsWindowVisible(slots[0]->GetSafeHwnd()));
    EXPECT_EQ(RectOf(slots[0]), (RECT{1700, 910, 1920, 1040}));
    EXPECT_EQ(AnimationCount(slots[0]->GetSafeHwnd()), 1);

    Advance(1000);
    Tip(owner.Handle(), &slots[1], u"第二条");
    Advance(500);
    EXPECT_EQ(RectOf(slots[1]), (RECT{1700, 780, 1920, 910}));

    // The first closes; the next tip takes the freed lowest place.
    slots[0]->Close();
    EXPECT_EQ(slots[0], nullptr);
    Tip(owner.Handle(), &slots[2], u"第三条");
    Advance(500);
    EXPECT_EQ(RectOf(slots[2]), (RECT{1700, 910, 1920, 1040}));
    EXPECT_EQ(slots[2]->PositionIndex(), 0);
    slots[1]->Close();
    slots[2]->Close();
    for (int p : CBubbleTipDlg::Positions()) EXPECT_EQ(p, -1);
}

TEST_F(ControlsTest, ATipClosesItselfSevenSecondsAfterItWasCreated) {
    qntest::ScriptedWindow owner;
    owner.MakeTop(u"Monitor");
    CBubbleTipDlg* slot = nullptr;
    HWND h = Tip(owner.Handle(), &slot, u"同步失败")->GetSafeHwnd();
    Advance(6990);
    EXPECT_TRUE(IsWindow(h));
    Advance(20);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(slot, nullptr);
}

TEST_F(ControlsTest, EscapeClosesATipAndSpaceIsSwallowed) {
    qntest::ScriptedWindow owner;
    owner.MakeTop(u"Monitor");
    CBubbleTipDlg* slot = nullptr;
    HWND h = Tip(owner.Handle(), &slot, u"同步失败")->GetSafeHwnd();
    Advance(500);
    Key(VK_SPACE, false, h);
    EXPECT_TRUE(IsWindow(h));
    Key(VK_ESCAPE, false, h);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(slot, nullptr);
    for (int p : CBubbleTipDlg::Positions()) EXPECT_EQ(p, -1);
}

TEST_F(ControlsTest, ATipKeepsAtMostFourLinesTheLastTakingTheRest) {
    qntest::ScriptedWindow owner;
    owner.MakeTop(u"Monitor");
    CBubbleTipDlg* slot = nullptr;
    Tip(owner.Handle(), &slot, u"一\n二\n三\n四\n五\n六");
    EXPECT_EQ(slot->Lines(), (std::vector<std::u16string>{u"一", u"二", u"三", u"四五六"}));
    slot->Close();
}
