#include "monitor/Controls/ExStatic.h"

#include "monitor/Controls/SkinDrawing.h"
#include "platform/gfx/WindowDefs.h"
#include "platform/gfx/WindowSurface.h"

using namespace plat;

bool CExStatic::Create(HWND parent, int id, int x, int y, int width, int height,
                       std::u16string_view text) {
    // A static text is no tab stop.
    return CreateEx(0, ClassName(), text, WS_CHILD | WS_VISIBLE, x, y, width, height, parent, id) !=
           nullptr;
}

void CExStatic::SetText(std::u16string_view text) {
    if (m_hWnd) SetWindowText(m_hWnd, text);
}

std::u16string CExStatic::GetText() const { return m_hWnd ? GetWindowText(m_hWnd) : u""; }

void CExStatic::SetTextColour(COLORREF c) {
    m_textColour = c;
    Redraw();
}

void CExStatic::SetAlign(Align a) {
    m_align = a;
    Redraw();
}

void CExStatic::SetMultiLine(bool on) {
    m_multiLine = on;
    Redraw();
}

void CExStatic::SetTransparent(bool on) {
    m_transparent = on;
    Redraw();
}

std::vector<std::u16string> CExStatic::Lines() const {
    if (!m_multiLine) return {GetText()};
    return WrapText(GetText(), Client().right, m_font);
}

LRESULT CExStatic::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETTEXT: {
            LRESULT r = CSkinChild::OnMessage(message, wParam, lParam);
            Redraw();
            return r;
        }
        case WM_NCHITTEST:
            return HTTRANSPARENT;  // the clicks belong to the parent
        default:
            return CSkinChild::OnMessage(message, wParam, lParam);
    }
}

void CExStatic::Paint(Canvas& dc, const RECT& client) {
    if (m_transparent) {
        HWND parent = Parent();
        Bitmap under = HasWindowSurface(parent) ? GetWindowSurface(parent) : Bitmap();
        RECT r;
        GetWindowRect(m_hWnd, r);
        POINT o{r.left, r.top};
        ScreenToClient(parent, o);
        if (under) dc.BitBlt(0, 0, client.right, client.bottom, under, o.x, o.y);
    }
    COLORREF colour = IsEnabled() ? m_textColour : kWidgetGreyText;
    uint32_t align = m_align == kCentre ? DT_CENTER : m_align == kRight ? DT_RIGHT : DT_LEFT;
    if (m_multiLine) {
        int y = 0, h = LineHeight(m_font) + 2;
        for (const auto& line : Lines()) {
            dc.DrawText(line, RECT{0, y, client.right, y + h}, align | DT_SINGLELINE | DT_NOPREFIX,
                        m_font, colour);
            y += h;
        }
    } else {
        dc.DrawText(GetText(), client,
                    align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS, m_font,
                    colour);
    }
}
