#include "monitor/Controls/SkinChild.h"

#include "platform/gfx/KeyState.h"
#include "platform/gfx/WindowDefs.h"
#include "platform/gfx/WindowSurface.h"

using namespace plat;

bool CSkinChild::CreateChild(HWND parent, int id, int x, int y, int width, int height,
                             uint32_t extraStyle) {
    return CreateEx(0, ClassName(), u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | extraStyle, x, y,
                    width, height, parent, id) != nullptr;
}

void CSkinChild::SetFont(const Font& font) {
    m_font = font;
    Redraw();
}

void CSkinChild::SetBackColour(COLORREF c) {
    m_backColour = c;
    Redraw();
}

void CSkinChild::Redraw() const {
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, false);
}

bool CSkinChild::HasFocus() const {
    HWND f = GetFocus();
    return m_hWnd && (f == m_hWnd || IsChild(m_hWnd, f));
}

plat::RECT CSkinChild::Client() const {
    RECT c;
    GetClientRect(m_hWnd, c);
    return c;
}

bool CSkinChild::ShiftDown() { return GetKeyState(VK_SHIFT) < 0; }
bool CSkinChild::ControlDown() { return GetKeyState(VK_CONTROL) < 0; }

void CSkinChild::NotifyParent(WPARAM event) const {
    SendMessage(Parent(), WM_EX_CHILDNOTIFY, event, reinterpret_cast<LPARAM>(m_hWnd));
}

void CSkinChild::ReportEnterEscape(bool escape) const {
    SendMessage(Parent(), WM_EX_ENTERESCAPE, escape ? 1 : 0, 0);
}

LRESULT CSkinChild::SendNotify(int code) const {
    NMHDR hdr;
    hdr.hwndFrom = m_hWnd;
    hdr.idFrom = uintptr_t(Id());
    hdr.code = code;
    return SendMessage(Parent(), WM_NOTIFY, WPARAM(hdr.idFrom), reinterpret_cast<LPARAM>(&hdr));
}

void CSkinChild::SendCommand(int code) const {
    SendMessage(Parent(), WM_COMMAND, MAKEWPARAM(Id(), code), reinterpret_cast<LPARAM>(m_hWnd));
}

bool CSkinChild::PreTranslateMessage(MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.hwnd != m_hWnd) return false;
    // Tab leaves the control by way of the frame, which knows the tab order.
    if (msg.wParam == VK_TAB && !ControlDown()) {
        NotifyParent(ShiftDown() ? kChildShiftTab : kChildTab);
        return true;
    }
    if (ReportsEnterEscape() && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) {
        // Taken before the frame, which would swallow them.
        OnMessage(msg.message, msg.wParam, msg.lParam);
        return true;
    }
    return false;
}

LRESULT CSkinChild::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PaintDC dc(m_hWnd);
            if (!dc.IsValid()) return 0;
            RECT c;
            GetClientRect(m_hWnd, c);
            if (c.right <= 0 || c.bottom <= 0) return 0;
            Bitmap offscreen(c.right, c.bottom);
            {
                Canvas oc(offscreen);
                oc.FillSolidRect(c, m_backColour);
                Paint(oc, c);
            }
            dc.Dc().BitBlt(0, 0, c.right, c.bottom, offscreen, 0, 0);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_ENABLE:
        case WM_SIZE:
            Redraw();
            break;
        case WM_EX_TAKEFOCUS:
            OnTakeFocus(wParam != 0);
            return 0;
        default:
            break;
    }
    return CWnd::OnMessage(message, wParam, lParam);
}
