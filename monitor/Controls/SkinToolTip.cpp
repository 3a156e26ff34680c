#include "monitor/Controls/SkinToolTip.h"

#include "monitor/Controls/ExControl.h"
#include "platform/gfx/WindowDefs.h"
#include "platform/gfx/WindowSurface.h"

using namespace plat;

namespace {
constexpr uintptr_t kShowTimer = 1, kHideTimer = 2;
}

bool CSkinToolTip::Create(HWND owner) {
    m_owner = owner;
    return CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, u"tooltips_class32", u"", WS_POPUP, 0, 0, 0,
                    0, owner) != nullptr;
}

bool CSkinToolTip::IsShown() const { return m_hWnd && IsWindowVisible(m_hWnd); }

void CSkinToolTip::SetTool(const RECT& rect, std::u16string_view text) {
    bool changed = m_text != text || !(m_rect == rect);
    m_rect = rect;
    m_text = text;
    if (changed) Hide();
}

void CSkinToolTip::RelayEvent(const MSG& msg) {
    if (!m_hWnd) return;
    switch (msg.message) {
        case WM_MOUSEMOVE: {
            POINT pt{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
            if (msg.hwnd != m_owner) {
                ClientToScreen(msg.hwnd, pt);
                ScreenToClient(m_owner, pt);
            }
            bool inside = !m_text.empty() && PtInRect(m_rect, pt.x, pt.y);
            if (!inside) {
                Hide();
            } else if (!IsShown() && !m_pending) {
                m_pending = true;
                SetTimer(m_hWnd, kShowTimer, kShowDelayMs);
            }
            break;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_NCMOUSEMOVE:
        case WM_NCLBUTTONDOWN:
            Hide();
            break;
        default:
            break;
    }
}

void CSkinToolTip::Show() {
    if (m_text.empty()) return;
    SIZE s = MeasureText(m_text, ExDefaultFont());
    POINT at;
    GetCursorPos(at);
    SetWindowPos(m_hWnd, HWND_TOPMOST, at.x, at.y + 20, s.cx + 12, s.cy + 8,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(m_hWnd, nullptr, false);
    SetTimer(m_hWnd, kHideTimer, kHideAfterMs);
}

void CSkinToolTip::Hide() {
    if (!m_hWnd) return;
    m_pending = false;
    KillTimer(m_hWnd, kShowTimer);
    KillTimer(m_hWnd, kHideTimer);
    if (IsWindowVisible(m_hWnd)) ShowWindow(m_hWnd, SW_HIDE);
}

LRESULT CSkinToolTip::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kShowTimer) {
                KillTimer(m_hWnd, kShowTimer);
                m_pending = false;
                Show();
            } else if (wParam == kHideTimer) {
                Hide();
            }
            return 0;
        case WM_PAINT: {
            PaintDC dc(m_hWnd);
            if (!dc.IsValid()) return 0;
            RECT r;
            GetClientRect(m_hWnd, r);
            dc.Dc().FillSolidRect(r, RGB(255, 255, 255));
            dc.Dc().FrameRect(r, RGB(118, 132, 152));
            dc.Dc().DrawText(m_text, r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX,
                             ExDefaultFont(), RGB(42, 47, 53));
            return 0;
        }
        default:
            return CWnd::OnMessage(message, wParam, lParam);
    }
}
