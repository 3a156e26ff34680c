#include "monitor/Controls/MsgBoxDlg.h"

#include "monitor/Controls/SkinDrawing.h"
#include "platform/Path.h"
#include "platform/gfx/WindowDefs.h"

using namespace plat;

CMsgBoxDlg::CMsgBoxDlg(HWND owner, std::u16string_view text, std::u16string_view caption,
                       int layout, bool affirmativeDefault)
    : CExDialog(kTemplateId),
      m_owner(owner),
      m_text(text),
      m_caption(caption),
      m_layout(layout == 1 || layout == 3 || layout == 4 ? layout : 0),
      m_affirmativeDefault(affirmativeDefault) {}

const Bitmap& CMsgBoxDlg::IconStrip() {
    static const Bitmap strip = Bitmap::LoadFile(JoinPath({ProgramFolder(), u"skin", u"mim_msgbox.png"}));
    return strip;
}

const Font& CMsgBoxDlg::TextFont() { return ExDefaultFont(); }

bool CMsgBoxDlg::OnInitDialog() {
    CExDialog::OnInitDialog();
    (void)LoadResourceIcon(144);

    // Size class and lines.
    const Font& font = TextFont();
    bool hasIcon = m_sizeClass >= 1 && m_sizeClass <= 3;
    if (!hasIcon) m_sizeClass = 0;
    if (hasIcon && m_text.find(u'\n') == std::u16string::npos) {
        int w = MeasureText(m_text, font).cx;
        m_sizeClass = w <= 173 ? 1 : w <= 243 ? 2 : 3;
    }
    static const int wrapWidths[] = {310, 173, 243, 263};
    m_lines = WrapText(m_text, wrapWidths[m_sizeClass], font);
    static const int widths[] = {360, 270, 340, 360};
    m_width = widths[m_sizeClass];
    m_height = m_sizeClass == 0 ? 100 + 16 * int(m_lines.size()) : 150;
    SetWindowPos(m_hWnd, nullptr, 0, 0, m_width, m_height, SWP_NOMOVE | SWP_NOZORDER);
    RECT wa;
    GetWorkArea(wa);
    SetWindowPos(m_hWnd, nullptr, wa.left + (wa.Width() - m_width) / 2,
                 wa.top + (wa.Height() - m_height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetRoundRegion(5, true);

    m_title = m_caption.empty() ? std::u16string(u"提示") : m_caption;
    SetWindowText(m_hWnd, m_title);

    m_background = LoadPackImage(u"msgbox_bg.png");
    m_buttonImage = LoadPackImage(u"btn_normal.png");
    m_closeImage = LoadPackImage(u"btn_close.png");
    AddControl(m_yes, 1, kExPushButton);
    AddControl(m_no, 2, kExPushButton);
    AddControl(m_cancel, 3, kExPushButton);
    AddControl(m_close, 4, kExPushButton);
    AddControl(m_titleText, 5, kExStaticText);
    for (CExControl* b : {&m_yes, &m_no, &m_cancel}) {
        SetImageStrip(*b, m_buttonImage, 0, 0, 4);
        b->m_drawsFocusRect = true;
    }
    SetImageStrip(m_close, m_closeImage, 0, 0, 3);
    m_close.SetTooltip(u"关闭");
    m_titleText.SetFont(12, FW_SEMIBOLD, false, false, u"宋体");
    m_titleText.SetColours(kSkinTitleColour, kSkinTitleColour);
    m_titleText.SetCaption(m_title);
    PlaceControls(m_width, m_height);

    CExControl* focus = &m_yes;
    if (m_layout == 1 && !m_affirmativeDefault) focus = &m_cancel;
    if ((m_layout == 3 || m_layout == 4) && !m_affirmativeDefault) focus = &m_no;
    for (CExControl* b : {&m_yes, &m_no, &m_cancel})
        if (b->m_visible) AddTabStop(*b);
    focus->SetFocused(true);
    SetForegroundWindow(m_hWnd);
    HWND fb = FocusButton();
    SetFocus(fb ? fb : m_hWnd);
    return true;
}

void CMsgBoxDlg::PlaceControls(int w, int h) {
    int y = h - 35;
    SetBounds(m_close, w - 32, 0, m_close.m_frameWidth, m_close.m_frameHeight);
    SetBounds(m_titleText, 10, 10, w - 40, 15);
    int fw = m_yes.m_frameWidth > 0 ? m_yes.m_frameWidth : 65;
    int fh = m_yes.m_frameHeight > 0 ? m_yes.m_frameHeight : 23;
    bool yesNo = m_layout == 3 || m_layout == 4;
    m_yes.SetCaption(yesNo ? u"是" : u"确定");
    m_no.SetCaption(u"否");
    m_cancel.SetCaption(u"取消");
    m_no.m_visible = yesNo;
    m_cancel.m_visible = m_layout == 1 || m_layout == 3;
    switch (m_layout) {
        case 1:
            SetBounds(m_yes, w - 150, y, fw, fh);
            SetBounds(m_cancel, w - 80, y, fw, fh);
            break;
        case 3:
            SetBounds(m_yes, w - 180, y, 45, 23);
            SetBounds(m_no, w - 130, y, 45, 23);
            SetBounds(m_cancel, w - 80, y, fw, fh);
            break;
        case 4:
            SetBounds(m_yes, w - 110, y, 45, 23);
            SetBounds(m_no, w - 60, y, 45, 23);
            break;
        default:
            SetBounds(m_yes, w - 80, y, fw, fh);
            break;
    }
}

void CMsgBoxDlg::PaintBackground(Canvas& dc) {
    RECT c;
    GetClientRect(m_hWnd, c);
    dc.FillSolidRect(c, RGB(255, 255, 255));
    DrawNinePart(dc, m_background.get(), c.right, c.bottom);
    const Font& font = TextFont();
    const uint32_t flags = DT_SINGLELINE | DT_LEFT | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;
    if (m_sizeClass == 0) {
        for (size_t i = 0; i < m_lines.size(); ++i) {
            int top = 45 + 16 * int(i);
            dc.DrawText(m_lines[i], {25, top, c.right - 15, top + 16}, flags, font, kSkinTextColour);
        }
        return;
    }
    const Bitmap& strip = IconStrip();
    if (!strip.IsNull()) {
        int sx = m_iconIndex * 36;
        dc.StretchBlt({25, 56, 61, 92}, strip, {sx, 0, sx + 36, 36});
    }
    size_t n = m_lines.size();
    int first = n == 1 ? 68 : n == 2 ? 60 : 45;
    for (size_t i = 0; i < n && i < 4; ++i) {
        int top = first + 16 * int(i);
        dc.DrawText(m_lines[i], {72, top, c.right - 15, top + 16}, flags, font, kSkinTextColour);
    }
}

bool CMsgBoxDlg::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
        Answer(2, false);
        return true;
    }
    return CExDialog::PreTranslateMessage(msg);
}

void CMsgBoxDlg::Activate(int id) {
    switch (id) {
        case 1:
            Answer(m_layout == 0 || m_layout == 1 ? 1 : 6, true);
            break;
        case 2:
            if (m_no.m_visible) Answer(7, true);
            break;
        case 3:
        case 4:
            Answer(2, false);
            break;
        default:
            break;
    }
}

void CMsgBoxDlg::Answer(int answer, bool hide) {
    if (hide) ShowWindow(m_hWnd, SW_HIDE);
    PostMessage(m_owner, WM_AB_MSGBOXRESULT, WPARAM(answer), reinterpret_cast<LPARAM>(m_hWnd));
}
