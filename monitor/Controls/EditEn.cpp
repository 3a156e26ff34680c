#include "monitor/Controls/EditEn.h"

#include <algorithm>

#include "monitor/Controls/SkinDrawing.h"
#include "platform/gfx/WindowDefs.h"

using namespace plat;

namespace {
constexpr int kPadding = 4;
}

CEditEn::CEditEn() = default;

std::u16string CEditEn::GetText() const { return m_hWnd ? GetWindowText(m_hWnd) : u""; }

void CEditEn::SetText(std::u16string_view text) {
    if (m_hWnd) SetWindowText(m_hWnd, text);
}

void CEditEn::SetLimitText(int limit) { m_limit = limit <= 0 ? 0x7FFE : limit; }

void CEditEn::SetReadOnly(bool on) {
    m_readOnly = on;
    Redraw();
}

void CEditEn::SetPasswordChar(char16_t c) {
    m_passwordChar = c;
    Redraw();
}

void CEditEn::SetTextColour(COLORREF c) {
    m_textColour = c;
    Redraw();
}

void CEditEn::SetDrawBorder(bool on) {
    m_drawBorder = on;
    Redraw();
}

void CEditEn::SetSel(int start, int end) {
    int len = int(GetText().size());
    if (start == -1) {
        m_anchor = m_caret = len;
    } else {
        if (end == -1) end = len;
        m_anchor = std::clamp(start, 0, len);
        m_caret = std::clamp(end, 0, len);
    }
    KeepCaretVisible();
    Redraw();
}

void CEditEn::OnTakeFocus(bool) { SetSel(0, -1); }

bool CEditEn::PreTranslateMessage(MSG& msg) {
    return m_reportsKeys && CSkinChild::PreTranslateMessage(msg);
}

std::u16string CEditEn::DisplayText() const {
    std::u16string t = GetText();
    if (m_passwordChar) t.assign(t.size(), m_passwordChar);
    return t;
}

RECT CEditEn::TextRect() const {
    RECT c;
    GetClientRect(m_hWnd, c);
    return InflatedRect(c, -kPadding, -1);
}

int CEditEn::TextX(int index) const {
    std::u16string t = DisplayText();
    index = std::clamp(index, 0, int(t.size()));
    return MeasureText(std::u16string_view(t).substr(0, size_t(index)), m_font).cx;
}

int CEditEn::IndexAt(int x) const {
    std::u16string t = DisplayText();
    int want = x - TextRect().left + m_scrollX;
    int prev = 0;
    for (int i = 1; i <= int(t.size()); ++i) {
        int w = TextX(i);
        if (want < (prev + w) / 2) return i - 1;
        prev = w;
    }
    return int(t.size());
}

void CEditEn::KeepCaretVisible() {
    if (!m_hWnd) return;
    int width = TextRect().Width() - 1;
    int x = TextX(m_caret);
    if (x - m_scrollX > width) m_scrollX = x - width;
    if (x < m_scrollX) m_scrollX = x;
    if (m_scrollX < 0) m_scrollX = 0;
}

void CEditEn::MoveCaret(int to, bool extend) {
    int len = int(GetText().size());
    m_caret = std::clamp(to, 0, len);
    if (!extend) m_anchor = m_caret;
    KeepCaretVisible();
    Redraw();
}

bool CEditEn::InsertText(std::u16string_view text) {
    if (m_readOnly) return false;
    int len = int(GetText().size());
    int room = m_limit - (len - (SelEnd() - SelStart()));
    if (room <= 0) return false;
    ReplaceSelection(text.substr(0, size_t(std::min<int>(room, int(text.size())))), false);
    return true;
}

void CEditEn::ReplaceSelection(std::u16string_view with, bool deletion) {
    std::u16string t = GetText();
    int start = SelStart(), end = SelEnd();
    t.replace(size_t(start), size_t(end - start), with);
    DefWindowProc(m_hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str()));
    m_anchor = m_caret = start + int(with.size());
    m_lastWasDeletion = deletion;
    KeepCaretVisible();
    Redraw();
    OnUserChange();
}

void CEditEn::OnUserChange() {
    SendCommand(EN_CHANGE);
    NotifyParent(kChildTextChanged);
}

bool CEditEn::OnKeyDown(UINT key) {
    bool shift = ShiftDown();
    int len = int(GetText().size());
    switch (key) {
        case VK_LEFT:
            if (!shift && SelStart() != SelEnd())
                MoveCaret(SelStart(), false);
            else
                MoveCaret(m_caret - 1, shift);
            return true;
        case VK_RIGHT:
            if (!shift && SelStart() != SelEnd())
                MoveCaret(SelEnd(), false);
            else
                MoveCaret(m_caret + 1, shift);
            return true;
        case VK_HOME:
            MoveCaret(0, shift);
            return true;
        case VK_END:
            MoveCaret(len, shift);
            return true;
        case VK_BACK:
            if (m_readOnly) return true;
            if (SelStart() == SelEnd()) {
                if (m_caret == 0) return true;
                m_anchor = m_caret - 1;
            }
            ReplaceSelection(u"", true);
            return true;
        case VK_DELETE:
            if (m_readOnly) return true;
            if (SelStart() == SelEnd()) {
                if (m_caret >= len) return true;
                m_anchor = m_caret + 1;
            }
            ReplaceSelection(u"", true);
            return true;
        case VK_RETURN:
            ReportEnterEscape(false);
            return true;
        case VK_ESCAPE:
            ReportEnterEscape(true);
            return true;
        default:
            return false;
    }
}

LRESULT CEditEn::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETTEXT: {
            LRESULT r = CSkinChild::OnMessage(message, wParam, lParam);
            m_anchor = m_caret = 0;
            m_scrollX = 0;
            Redraw();
            return r;
        }
        case EM_GETSEL: {
            int s = SelStart(), e = SelEnd();
            if (wParam) *reinterpret_cast<uint32_t*>(wParam) = uint32_t(s);
            if (lParam) *reinterpret_cast<uint32_t*>(lParam) = uint32_t(e);
            return MAKELPARAM(std::min(s, 0xFFFF), std::min(e, 0xFFFF));
        }
        case EM_SETSEL:
            SetSel(int(intptr_t(wParam)), int(lParam));
            return 0;
        case EM_REPLACESEL: {
            std::u16string_view with =
                lParam ? std::u16string_view(reinterpret_cast<const char16_t*>(lParam)) : u"";
            std::u16string t = GetText();
            int start = SelStart(), end = SelEnd();
            t.replace(size_t(start), size_t(end - start), with);
            DefWindowProc(m_hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str()));
            m_anchor = m_caret = start + int(with.size());
            KeepCaretVisible();
            Redraw();
            return 0;
        }
        case EM_LIMITTEXT:
            SetLimitText(int(wParam));
            return 0;
        case EM_GETLIMITTEXT:
            return m_limit;
        case EM_SETREADONLY:
            SetReadOnly(wParam != 0);
            return 1;
        case EM_SETPASSWORDCHAR:
            SetPasswordChar(char16_t(wParam));
            return 0;
        case WM_KEYDOWN:
            if (OnKeyDown(UINT(wParam))) return 0;
            break;
        case WM_CHAR: {
            char16_t c = char16_t(wParam);
            if (c == 1) {  // Ctrl+A
                SetSel(0, -1);
                return 0;
            }
            if (c < 0x20 || c == 0x7F) return 0;  // keys are handled on key-down
            InsertText(std::u16string_view(&c, 1));
            return 0;
        }
        case WM_LBUTTONDOWN: {
            if (GetFocus() != m_hWnd) SetFocus(m_hWnd);
            int at = IndexAt(GET_X_LPARAM(lParam));
            MoveCaret(at, (wParam & MK_SHIFT) != 0);
            m_dragging = true;
            SetCapture(m_hWnd);
            return 0;
        }
        case WM_MOUSEMOVE:
            if (m_dragging) MoveCaret(IndexAt(GET_X_LPARAM(lParam)), true);
            return 0;
        case WM_LBUTTONUP:
            if (m_dragging && GetCapture() == m_hWnd) ReleaseCapture();
            m_dragging = false;
            return 0;
        case WM_LBUTTONDBLCLK:
            SetSel(0, -1);
            return 0;
        case WM_SETFOCUS:
            Redraw();
            SendCommand(EN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            m_dragging = false;
            Redraw();
            SendCommand(EN_KILLFOCUS);
            return 0;
        default:
            break;
    }
    return CSkinChild::OnMessage(message, wParam, lParam);
}

void CEditEn::Paint(Canvas& dc, const RECT& client) {
    bool enabled = IsEnabled();
    bool focused = GetFocus() == m_hWnd;
    if (!enabled || m_readOnly)
        dc.FillSolidRect(client, enabled ? m_backColour : kWidgetDisabledBack);
    if (m_drawBorder) dc.FrameRect(client, focused ? kSkinFocusBorderColour : kSkinBorderColour);
    RECT tr = TextRect();
    dc.SaveDC();
    dc.IntersectClipRect(tr);
    std::u16string t = DisplayText();
    int lineH = LineHeight(m_font);
    int top = tr.top + (tr.Height() - lineH) / 2;
    int x0 = tr.left - m_scrollX;
    if (focused && SelStart() != SelEnd()) {
        RECT sel{x0 + TextX(SelStart()), top, x0 + TextX(SelEnd()), top + lineH};
        dc.FillSolidRect(sel, RGB(51, 153, 255));
    }
    COLORREF colour = enabled ? m_textColour : kWidgetGreyText;
    RECT line{x0, top, x0 + TextX(int(t.size())) + 4, top + lineH};
    dc.DrawText(t, line, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP, m_font, colour);
    if (focused && SelStart() != SelEnd()) {
        // The selected part again, white on the selection.
        RECT sel{x0 + TextX(SelStart()), top, x0 + TextX(SelEnd()), top + lineH};
        dc.SaveDC();
        dc.IntersectClipRect(sel);
        dc.DrawText(t, line, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP, m_font,
                    RGB(255, 255, 255));
        dc.RestoreDC();
    }
    if (focused && !m_readOnly) {
        int cx = x0 + TextX(m_caret);
        dc.DrawLine(cx, top, cx, top + lineH, kWidgetTextColour);
    }
    dc.RestoreDC();
}
