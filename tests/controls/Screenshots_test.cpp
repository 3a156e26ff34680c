// Pictures of the skinned windows, written to build/screenshots for a person
// to look at: a message box, a bubble tip and a frame with every control kind.
#include "controls/ControlsTestSupport.h"
#include "desktop/DesktopTestSupport.h"
#include "monitor/Common/SkinPack.h"
#include "monitor/Controls/BubbleTipDlg.h"
#include "monitor/Controls/MsgBoxDlg.h"
#include "monitor/Controls/SkinDrawing.h"
#include "platform/gfx/Screenshot.h"

using namespace plat;
using qntest::ControlsTest;
using qntest::RecordingFrame;

namespace {

void ExpectPicture(std::u16string_view path, int width, int height) {
    Bitmap b = Bitmap::LoadFile(path);
    ASSERT_FALSE(b.IsNull()) << Utf16ToUtf8(path);
    EXPECT_EQ(b.Width(), width);
    EXPECT_EQ(b.Height(), height);
}

// Every kind of windowless control on the login background.
void FrameWithEveryKind(RecordingFrame& g) {
    g.SetBackgroundBitmap(LoadPackBitmap(u"login_bg.png", ImagePackIndexPath(), ImagePackDataPath()));
    PackImage header = LoadPackImage(u"btn_main_header.png");
    PackImage button = LoadPackImage(u"btn_normal.png");
    PackImage check = LoadPackImage(u"btn_check.png");

    CExControl& title = g.AddControl(8, kExStaticText);
    g.SetBounds(title, 10, 9, 200, 15);
    title.SetFont(15, FW_SEMIBOLD, false, false, u"Arial");
    title.SetColours(kSkinTitleColour, kSkinTitleColour);
    title.SetCaption(u"Quillnet通讯录同步插件");
    CExControl& close = g.AddControl(1, kExPushButton);
    g.SetImageStrip(close, header, 33, 25, 4, 0, 50);
    g.SetBounds(close, 330 - 33, 2, 33, 25);
    CExControl& minimise = g.AddControl(2, kExPushButton);
    g.SetImageStrip(minimise, header, 28, 25, 4, 0, 25);
    g.SetBounds(minimise, 330 - 61, 2, 28, 25);
    minimise.m_hover = true;

    CExControl& text = g.AddControl(20, kExStaticText);
    g.SetBounds(text, 25, 48, 285, 15);
    text.SetSegments({{u"搜索到联系人 ", false, RGB(25, 25, 25)},
                      {u"12", false, RGB(220, 0, 0)},
                      {u" 个！", false, RGB(25, 25, 25)}});
    CExControl& image = g.AddControl(21, kExImage);
    image.m_bitmap = LoadResourceIcon(144);
    g.SetBounds(image, 25, 72, 32, 32);
    CExControl& centred = g.AddControl(22, kExStaticText);
    g.SetBounds(centred, 65, 80, 240, 15);
    centred.m_alignCentre = true;
    centred.SetCaption(u"静态文字，居中对齐");

    CExControl& remember = g.AddControl(6, kExCheckBox);
    g.SetImageStrip(remember, check, 0, 0, 8);
    g.SetBounds(remember, 24, 134, 85, 15);
    remember.SetCaption(u"记住密码");
    remember.m_checked = 1;
    CExControl& automatic = g.AddControl(7, kExCheckBox);
    g.SetImageStrip(automatic, check, 0, 0, 8);
    g.SetBounds(automatic, 113, 134, 85, 15);
    automatic.SetCaption(u"自动登录");
    CExControl& option = g.AddControl(9, kExOptionBox);
    g.SetImageStrip(option, check, 0, 0, 8);
    g.SetBounds(option, 24, 112, 85, 15);
    option.SetCaption(u"选项按钮");
    option.m_enabled = false;

    CExControl& link = g.AddControl(11, kExLinkText);
    g.SetBounds(link, 245, 135, 75, 15);
    link.SetColours(kExLinkMarkerColour, kExLinkMarkerColour);
    link.SetCaption(u"服务器设置");

    CExControl& press = g.AddControl(12, kExPressButton);
    g.SetImageStrip(press, button);
    g.SetBounds(press, 330 - 230, 230 - 32, 65, 23);
    press.SetCaption(u"已按下");
    press.m_down = true;
    CExControl& disabled = g.AddControl(13, kExPushButton);
    g.SetImageStrip(disabled, button);
    g.SetBounds(disabled, 330 - 160, 230 - 32, 65, 23);
    disabled.SetCaption(u"不可用");
    disabled.m_enabled = false;
    CExControl& signIn = g.AddControl(3, kExPushButton);
    g.SetImageStrip(signIn, button);
    g.SetBounds(signIn, 330 - 90, 230 - 32, 65, 23);
    signIn.SetCaption(u"登录");
    signIn.m_focused = signIn.m_drawsFocusRect = true;
}

}  // namespace

TEST_F(ControlsTest, ScreenshotsOfTheBoxTheTipAndAFrameWithEveryControlKind) {
    qntest::ScriptedWindow owner;
    owner.MakeTop(u"Owner", u"", WS_POPUP);

    CMsgBoxDlg question(owner.Handle(), u"您确定要退出，更换其他帐户登录吗？", u"更换帐户", 1, true);
    question.SetSizeClass(1);
    question.SetIconIndex(1);
    ASSERT_TRUE(question.Create(nullptr));
    ShowWindow(question.GetSafeHwnd(), SW_SHOW);
    CMsgBoxDlg notice(owner.Handle(),
                      u"同步完成。\n个人通讯录共 128 位联系人，共享通讯录共 2046 位联系人，"
                      u"已全部保存到本机。",
                      u"", 0, true);
    ASSERT_TRUE(notice.Create(nullptr));
    ShowWindow(notice.GetSafeHwnd(), SW_SHOW);

    auto* tip = new CBubbleTipDlg(owner.Handle(), 0);
    tip->SetTitle(u"同步web联系人");
    tip->SetText(u"网络连接超时，请检查网络连接后再试。");
    ASSERT_TRUE(tip->Create());

    RecordingFrame frame(132);
    frame.init = FrameWithEveryKind;
    ASSERT_TRUE(frame.Create(nullptr));
    frame.SetRoundRegion(5, true);
    ShowWindow(frame.GetSafeHwnd(), SW_SHOW);
    Advance(600);

    struct Shot {
        HWND window;
        std::u16string name;
        int w, h;
    } shots[] = {
        {question.GetSafeHwnd(), u"msgbox_question.png", question.Width(), 150},
        {notice.GetSafeHwnd(), u"msgbox_notice.png", 360, notice.Height()},
        {tip->GetSafeHwnd(), u"bubble_tip.png", 220, 130},
        {frame.GetSafeHwnd(), u"frame_controls.png", 330, 230},
    };
    for (const Shot& s : shots) {
        std::u16string path = ScreenshotPath(s.name);
        ASSERT_TRUE(SaveScreenshot(s.window, path));
        ExpectPicture(path, s.w, s.h);
    }
    std::u16string desktop = ScreenshotPath(u"desktop_boxes.png");
    ASSERT_TRUE(SaveScreenshot(nullptr, desktop));
    ExpectPicture(desktop, 1920, 1080);
}
