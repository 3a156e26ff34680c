#include "monitor/Controls/BubbleTipDlg.h"

#include "monitor/Controls/SkinDrawing.h"
#include "platform/gfx/WindowDefs.h"
#include "platform/gfx/WindowSurface.h"

using namespace plat;

namespace {

constexpr uintptr_t kAppearTimer = 1, kCloseTimer = 2;

std::vector<int>& TipPositions() {
    static std::vector<int> positions;
    return positions;
}

int TakePosition() {
    auto& p = TipPositions();
    for (size_t i = 0; i < p.size(); ++i)
        if (p[i] == -1) {
            p[i] = int(i);
            return int(i);
        }
    p.push_back(int(p.size()));
    return p.back();
}

void FreePosition(int index) {
    auto& p = TipPositions();
    if (index >= 0 && size_t(index) < p.size()) p[size_t(index)] = -1;
}

}  // namespace

const std::vector<int>& CBubbleTipDlg::Positions() { return TipPositions(); }

CBubbleTipDlg::CBubbleTipDlg(HWND owner, int slot, CBubbleTipDlg** slotRef)
    : CExDialog(kTemplateId), m_owner(owner), m_slot(slot), m_slotRef(slotRef) {}

bool CBubbleTipDlg::OnInitDialog() {
    CExDialog::OnInitDialog();
    SetAutoDelete(true);
    AddControl(m_close, 1, kExPushButton);
    AddControl(m_titleText, 5, kExStaticText);
    m_background = LoadPackImage(u"msgbox_bg.png");
    m_closeImage = LoadPackImage(u"btn_close.png");
    SetImageStrip(m_close, m_closeImage, 0, 0, 3);
    m_titleText.SetFont(12, FW_SEMIBOLD, false, false, u"宋体");
    m_titleText.SetColours(kSkinTitleColour, kSkinTitleColour);
    m_titleText.SetCaption(m_title);
    SetBounds(m_titleText, 10, 10, kWidth - 45, 15);
    SetBounds(m_close, kWidth - 32, 0, m_close.m_frameWidth, m_close.m_frameHeight);
    SetWindowPos(m_hWnd, nullptr, 0, 0, kWidth, kHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetRoundRegion(5, true);

    // At most four lines; whatever follows the fourth goes on with it.
    std::vector<std::u16string> lines = WrapText(m_text, kWidth - 50, ExDefaultFont());
    for (size_t i = 4; i < lines.size(); ++i) lines[3] += lines[i];
    if (lines.size() > 4) lines.resize(4);
    m_lines = std::move(lines);

    SetTimer(m_hWnd, kAppearTimer, 500);
    SetTimer(m_hWnd, kCloseTimer, 7000);
    return true;
}

void CBubbleTipDlg::Appear() {
    KillTimer(m_hWnd, kAppearTimer);
    m_position = TakePosition();
    RECT wa;
    GetWorkArea(wa);
    int rows = std::max(1, wa.Height() / kHeight);
    int row = std::min(m_position, rows - 1);
    int bottom = wa.bottom - row * kHeight;
    SetWindowPos(m_hWnd, HWND_TOPMOST, wa.right - kWidth, bottom - kHeight, kWidth, kHeight,
                 SWP_NOACTIVATE);
    AnimateWindow(m_hWnd, 1000, AW_SLIDE | AW_VER_NEGATIVE);
}

void CBubbleTipDlg::Close() {
    DestroyWindow();  // the object goes with its window
}

void CBubbleTipDlg::OnControlNotify(int id) {
    if (id == 1) Close();
}

bool CBubbleTipDlg::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
        Close();
        return true;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_SPACE) return true;
    return CExDialog::PreTranslateMessage(msg);
}

LRESULT CBubbleTipDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        // However the window goes (closed, or with its owner), its place and
        // the owner's slot are free again.
        if (m_position >= 0) FreePosition(m_position);
        m_position = -1;
        if (m_slotRef && *m_slotRef == this) *m_slotRef = nullptr;
    }
    if (message == WM_TIMER && wParam == kAppearTimer) {
        Appear();
        return 0;
    }
    if (message == WM_TIMER && wParam == kCloseTimer) {
        Close();
        return 0;
    }
    return CExDialog::OnMessage(message, wParam, lParam);
}

void CBubbleTipDlg::PaintBackground(Canvas& dc) {
    dc.FillSolidRect({0, 0, kWidth, kHeight}, RGB(255, 255, 255));
    DrawNinePart(dc, m_background.get(), kWidth, kHeight);
    const Font& font = ExDefaultFont();
    const uint32_t flags = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;
    size_t n = m_lines.size();
    if (n == 1) {
        dc.DrawText(m_lines[0], {25, 70, kWidth - 25, 86}, flags | DT_CENTER, font, kSkinTextColour);
        return;
    }
    int first = n == 2 ? 60 : n == 3 ? 52 : 45;
    for (size_t i = 0; i < n; ++i) {
        int top = first + 16 * int(i);
        dc.DrawText(m_lines[i], {25, top, kWidth - 25, top + 16}, flags | DT_LEFT, font,
                    kSkinTextColour);
    }
}
