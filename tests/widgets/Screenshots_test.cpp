// Pictures of every skinned child control on one frame, with the drop-down
// list and the month calendar open, written to screenshots/widgets for a
// person to look at.
#include "monitor/Common/SkinPack.h"
#include "monitor/Controls/ComboxDlg.h"
#include "monitor/Controls/DatetimeEx.h"
#include "monitor/Controls/EditEn.h"
#include "monitor/Controls/ExStatic.h"
#include "monitor/Controls/ListCtrlDx.h"
#include "monitor/Controls/ProgressBar.h"
#include "monitor/Controls/PwdEditDlg.h"
#include "monitor/Controls/SkinDrawing.h"
#include "monitor/Controls/TreeCtrlEx.h"
#include "monitor/Controls/TreeCtrlSp.h"
#include "platform/gfx/Screenshot.h"
#include "widgets/WidgetsTestSupport.h"

using namespace plat;

namespace {

constexpr int kW = 800, kH = 540;
constexpr COLORREF kBody = RGB(233, 239, 247);
constexpr COLORREF kBand = RGB(47, 105, 186);

// The frame: a title band, a body, and white panels with flat borders.
class ShowcaseFrame : public qntest::WidgetFrame {
public:
    ShowcaseFrame() : WidgetFrame(901) {}
    std::vector<RECT> panels;

    void PaintBackground(Canvas& dc) override {
        dc.FillSolidRect({0, 0, kW, kH}, kBody);
        dc.FillPath(Path().Rect(0, 0, kW, 38), Brush::Vertical(0, 38, RGB(66, 134, 216), kBand));
        for (const RECT& p : panels) {
            dc.FillSolidRect(InflatedRect(p, 1, 1), kSkinBorderColour);
            dc.FillSolidRect(p, RGB(255, 255, 255));
        }
    }
};

class WidgetScreenshots : public qntest::ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        RegisterDialogTemplate({901, kW, kH, WS_POPUP | WS_CLIPSIBLINGS, 0, u"控件一览"});
    }
    static std::u16string Dir() {
        std::u16string dir = JoinPath(Utf8ToUtf16(QN_BINARY_DIR), u"screenshots");
        dir = JoinPath(dir, u"widgets");
        CreateDirectories(dir);
        return dir;
    }
};

void ExpectPicture(const std::u16string& path, int w, int h) {
    Bitmap b = Bitmap::LoadFile(path);
    ASSERT_FALSE(b.IsNull()) << Utf16ToUtf8(path);
    EXPECT_EQ(b.Width(), w);
    EXPECT_EQ(b.Height(), h);
}

// A part of the desktop, so that open popups show with the frame under them.
bool SaveDesktopPart(const RECT& r, const std::u16string& path) {
    Bitmap desk = CaptureDesktop();
    Bitmap part(r.Width(), r.Height());
    {
        Canvas c(part);
        c.BitBlt(0, 0, r.Width(), r.Height(), desk, r.left, r.top);
    }
    return part.SavePng(path);
}

}  // namespace

TEST_F(WidgetScreenshots, AFrameWithEveryChildControlKind) {
    ShowcaseFrame frame;
    frame.init = [](qntest::RecordingFrame& g) {
        CExControl& title = g.AddControl(47, kExStaticText);
        g.SetBounds(title, 14, 11, 300, 18);
        title.SetFont(16, FW_SEMIBOLD, false, false, u"Arial");
        title.SetColours(kSkinTitleColour, kSkinTitleColour);
        title.SetCaption(u"Quillnet企业邮箱通讯录");
        CExControl& close = g.AddControl(1, kExPushButton);
        g.SetImageStrip(close, LoadPackImage(u"btn_main_header.png"), 33, 25, 4, 0, 50);
        g.SetBounds(close, kW - 33, 2, 33, 25);
        PackImage normal = LoadPackImage(u"btn_normal.png");
        CExControl& ok = g.AddControl(10, kExPushButton);
        g.SetImageStrip(ok, normal);
        g.SetBounds(ok, kW - 155, kH - 38, 65, 23);
        ok.SetCaption(u"确定");
        CExControl& cancel = g.AddControl(11, kExPushButton);
        g.SetImageStrip(cancel, normal);
        g.SetBounds(cancel, kW - 85, kH - 38, 65, 23);
        cancel.SetCaption(u"取消");
    };
    RECT treeR{12, 50, 190, 330}, listR{202, 50, 552, 330}, toR{564, 50, 788, 330};
    frame.panels = {treeR, listR, toR};
    ASSERT_TRUE(frame.Create(nullptr));
    HWND f = frame.GetSafeHwnd();
    frame.SetRoundRegion(5, true);

    CTreeCtrlSp groups;
    ASSERT_TRUE(groups.Create(f, 1003, InflatedRect(treeR, -1, -1)));
    HTREEITEM company = groups.InsertItem(u"公司通讯录");
    HTREEITEM sales = groups.InsertItem(u"销售部", company);
    groups.InsertItem(u"华东区", sales);
    groups.InsertItem(u"华南区", sales);
    HTREEITEM dev = groups.InsertItem(u"研发部", company);
    groups.InsertItem(u"客户端组", dev);
    groups.InsertItem(u"行政部", company);
    HTREEITEM mine = groups.InsertItem(u"个人通讯录");
    groups.InsertItem(u"朋友", mine);
    groups.InsertItem(u"家人", mine);
    groups.Expand(company, CTreeCtrlSp::TVE_EXPAND);
    groups.Expand(sales, CTreeCtrlSp::TVE_EXPAND);
    groups.SelectItem(sales);

    CListCtrlDx contacts;
    ASSERT_TRUE(contacts.Create(f, 1008, InflatedRect(listR, -1, -1)));
    contacts.InsertColumn(0, u"姓名", 70);
    contacts.InsertColumn(1, u"电子邮件地址", 150);
    contacts.InsertColumn(2, u"部门", 100);
    const char16_t* names[] = {u"王芳", u"李伟", u"张敏", u"刘洋", u"陈静", u"杨磊",
                               u"赵丽", u"黄强", u"周杰", u"吴娜", u"徐涛", u"孙悦"};
    const char16_t* mails[] = {u"wangfang", u"liwei",   u"zhangmin", u"liuyang",
                               u"chenjing", u"yanglei", u"zhaoli",   u"huangqiang",
                               u"zhoujie",  u"wuna",    u"xutao",    u"sunyue"};
    std::vector<CListCtrlDx::Row> rows;
    for (int i = 0; i < 36; ++i)
        rows.push_back({{names[i % 12], std::u16string(mails[i % 12]) + u"@quillnet.cn",
                         i % 3 ? u"销售部" : u"研发部"},
                        uintptr_t(i)});
    contacts.InsertItems(std::move(rows));
    contacts.SetRowSelected(1, true);
    contacts.SetRowSelected(2, true);
    contacts.SetRowSelected(4, true);

    CTreeCtrlEx to;
    ASSERT_TRUE(to.Create(f, 1011, InflatedRect(toR, -1, -1)));
    to.InsertItem(u"Recv", u"王芳", u"wangfang@quillnet.cn");
    to.InsertItem(u"Recv", u"李伟", u"liwei@quillnet.cn");
    to.InsertItem(u"Recv", u"欧阳明日", u"ouyang.mingri.very.long.address@quillnet.cn");
    to.SetRowSelected(1, true);

    CExStatic accountLabel, pwdLabel, dateLabel, progressLabel, hint;
    accountLabel.Create(f, 2001, 14, 350, 52, 20, u"帐号：");
    pwdLabel.Create(f, 2002, 14, 396, 52, 20, u"密码：");
    dateLabel.Create(f, 2003, 402, 350, 52, 20, u"生日：");
    progressLabel.Create(f, 2004, 460, 396, 200, 20, u"正在同步个人通讯录...");
    hint.Create(f, 2005, 14, 440, 360, 40,
                u"搜索到联系人 36 个。双击联系人加入收件人，双击收件人将其移除。");
    hint.SetMultiLine(true);
    hint.SetTextColour(RGB(110, 120, 135));

    CComboxDlg account;
    ASSERT_TRUE(account.Create(f, 1001, 70, 343, 300, 34));
    for (auto* a : {u"wangfang@quillnet.cn", u"liwei@quillnet.cn", u"admin@quillnet.cn"})
        account.AddString(a);
    account.SetCurSel(0);
    CPwdEditDlg password;
    ASSERT_TRUE(password.CreateChild(f, 1002, 70, 389, 300, 34));
    password.SetText(u"secret-password");
    CDatetimeEx birthday;
    ASSERT_TRUE(birthday.Create(f, 1030, 460, 345, 160, 26));
    birthday.SetTime(1988, 6, 18);
    CDatetimeEx unknown;
    ASSERT_TRUE(unknown.Create(f, 1031, 630, 345, 158, 26));
    unknown.SetTime(2016, 1, 1, false);
    CProgressBar progress;
    ASSERT_TRUE(progress.Create(f, 1040, RECT{460, 420, 788, 434}));
    progress.SetPos(62);
    CEditEn search;
    ASSERT_TRUE(search.CreateChild(f, 1009, 460, 450, 328, 24));
    search.SetText(u"查找联系人...");
    search.SetTextColour(RGB(150, 150, 150));

    ShowWindow(f, SW_SHOW);
    SetFocus(contacts.GetSafeHwnd());
    Advance(200);
    // The labels take the frame's pixels as their background: paint them once more.
    for (CExStatic* s : {&accountLabel, &pwdLabel, &dateLabel, &progressLabel, &hint}) s->Redraw();
    Advance(50);

    std::u16string dir = Dir();
    std::u16string whole = JoinPath(dir, u"widgets_frame.png");
    ASSERT_TRUE(SaveScreenshot(f, whole));
    ExpectPicture(whole, kW, kH);

    RECT fr;
    GetWindowRect(f, fr);
    account.ShowDropDown(true);
    ASSERT_TRUE(account.GetDroppedState());
    MoveTo(account.List()->GetSafeHwnd(), 150, 1 + CComboxList::kRowHeight + 10);
    Advance(50);
    std::u16string open = JoinPath(dir, u"widgets_combo_open.png");
    ASSERT_TRUE(SaveDesktopPart(RECT{fr.left, fr.top + 300, fr.left + 420, fr.top + 460}, open));
    ExpectPicture(open, 420, 160);
    account.ShowDropDown(false);

    birthday.OpenCalendar();
    ASSERT_NE(birthday.Calendar(), nullptr);
    Advance(50);
    std::u16string cal = JoinPath(dir, u"widgets_calendar_open.png");
    ASSERT_TRUE(
        SaveDesktopPart(RECT{fr.left + 380, fr.top + 300, fr.left + 800, fr.top + 540}, cal));
    ExpectPicture(cal, 420, 240);
}
