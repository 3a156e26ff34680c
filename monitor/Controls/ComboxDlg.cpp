#include "monitor/Controls/ComboxDlg.h"

#include <algorithm>

#include "monitor/Controls/ExDialog.h"
#include "monitor/Controls/SkinDrawing.h"
#include "platform/Text.h"
#include "platform/gfx/KeyState.h"
#include "platform/gfx/WindowDefs.h"

using namespace plat;

namespace {
constexpr uintptr_t kWatchTimer = 1;
constexpr int kArrowWidth = 28;
constexpr int CBN_SELCHANGE = 1;
}  // namespace

// --- The list ----------------------------------------------------------------------------------

bool CComboxList::Open(HWND owner, const RECT& r) {
    int rows = std::clamp(m_combo.GetCount(), 1, kMaxRows);
    if (!CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, u"ComboLBox", u"", WS_POPUP | WS_VISIBLE,
                  r.left, r.bottom, r.Width(), rows * kRowHeight + 2, owner))
        return false;
    // Closes itself when the user clicks elsewhere in a frame.
    CExDialog::SetClickElsewhere(false);
    SetTimer(m_hWnd, kWatchTimer, 100);
    return true;
}

void CComboxList::SetHighlight(int index) {
    if (index == m_highlight) return;
    m_highlight = index;
    Redraw();
}

int CComboxList::RowAt(int y) const {
    int row = (y - 1) / kRowHeight;
    return y >= 1 && row < m_combo.GetCount() ? row : -1;
}

bool CComboxList::OnDeleteMark(int x) const { return x >= Client().right - kMarkWidth; }

LRESULT CComboxList::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kWatchTimer && CExDialog::ClickElsewhere()) m_combo.ShowDropDown(false);
            return 0;
        case WM_MOUSEMOVE: {
            SetHighlight(RowAt(GET_Y_LPARAM(lParam)));
            bool hot = OnDeleteMark(GET_X_LPARAM(lParam));
            if (hot != m_markHot) {
                m_markHot = hot;
                Redraw();
            }
            return 0;
        }
        case WM_LBUTTONUP: {
            int row = RowAt(GET_Y_LPARAM(lParam));
            if (row < 0) return 0;
            if (OnDeleteMark(GET_X_LPARAM(lParam)))
                m_combo.RequestDelete(row);
            else
                m_combo.Choose(row);
            return 0;
        }
        default:
            return CSkinChild::OnMessage(message, wParam, lParam);
    }
}

void CComboxList::Paint(Canvas& dc, const RECT& c) {
    dc.FillSolidRect(c, RGB(255, 255, 255));
    const Font& font = ExDefaultFont();
    for (int i = 0; i < m_combo.GetCount(); ++i) {
        RECT row{1, 1 + i * kRowHeight, c.right - 1, 1 + (i + 1) * kRowHeight};
        bool hot = i == m_highlight;
        if (hot) dc.FillSolidRect(row, kSkinSelectionColour);
        dc.DrawText(m_combo.GetLBText(i),
                    {row.left + 8, row.top, row.right - kMarkWidth, row.bottom},
                    DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS | DT_NOPREFIX, font,
                    kSkinTextColour);
        if (hot) {
            // The delete mark of the entry under the mouse.
            double cx = row.right - kMarkWidth / 2.0, cy = (row.top + row.bottom) / 2.0;
            COLORREF ink = m_markHot ? RGB(214, 60, 60) : RGB(130, 140, 155);
            Path x;
            x.MoveTo(cx - 3.5, cy - 3.5)
                .LineTo(cx + 3.5, cy + 3.5)
                .MoveTo(cx + 3.5, cy - 3.5)
                .LineTo(cx - 3.5, cy + 3.5);
            dc.StrokePath(x, Brush::Solid(ink), 1.6);
        }
    }
    dc.FrameRect(c, kSkinFocusBorderColour);
}

// --- The combo box -----------------------------------------------------------------------------

CComboxDlg::CComboxDlg() = default;
CComboxDlg::~CComboxDlg() = default;

bool CComboxDlg::Create(HWND parent, int id, int x, int y, int width, int height) {
    if (!CreateChild(parent, id, x, y, width, height)) return false;
    m_arrow = LoadPackImage(u"btn_arrow.png");
    m_edit.SetDrawBorder(false);
    m_edit.SetReportsKeys(false);
    int lineHeight = 20;
    return m_edit.CreateChild(m_hWnd, 1001, 4, (height - lineHeight) / 2, width - kArrowWidth - 6,
                              lineHeight);
}

RECT CComboxDlg::ArrowRect() const {
    RECT c = Client();
    return {c.right - kArrowWidth - 1, 1, c.right - 1, c.bottom - 1};
}

int CComboxDlg::AddString(std::u16string_view text) {
    m_items.emplace_back(text);
    if (m_list) m_list->Redraw();
    return int(m_items.size()) - 1;
}

int CComboxDlg::InsertString(int index, std::u16string_view text) {
    if (index < 0 || index > GetCount()) return AddString(text);
    m_items.insert(m_items.begin() + index, std::u16string(text));
    if (m_curSel >= index) ++m_curSel;
    return index;
}

bool CComboxDlg::DeleteString(int index) {
    if (index < 0 || index >= GetCount()) return false;
    m_items.erase(m_items.begin() + index);
    if (m_curSel == index)
        m_curSel = -1;
    else if (m_curSel > index)
        --m_curSel;
    if (m_list) {
        if (m_items.empty()) {
            ShowDropDown(false);
        } else {
            int rows = std::clamp(GetCount(), 1, CComboxList::kMaxRows);
            RECT r;
            GetWindowRect(m_list->GetSafeHwnd(), r);
            SetWindowPos(m_list->GetSafeHwnd(), nullptr, 0, 0, r.Width(),
                         rows * CComboxList::kRowHeight + 2, SWP_NOMOVE | SWP_NOZORDER);
            m_list->SetHighlight(std::min(m_list->Highlighted(), GetCount() - 1));
            m_list->Redraw();
        }
    }
    return true;
}

void CComboxDlg::ResetContent() {
    m_items.clear();
    m_curSel = -1;
    ShowDropDown(false);
}

std::u16string CComboxDlg::GetLBText(int index) const {
    return index >= 0 && index < GetCount() ? m_items[size_t(index)] : std::u16string();
}

void CComboxDlg::SetCurSel(int index) {
    if (index < 0 || index >= GetCount()) {
        m_curSel = -1;
        return;
    }
    m_curSel = index;
    m_quiet = true;
    m_edit.SetText(m_items[size_t(index)]);
    m_quiet = false;
    m_edit.SetSel(0, -1);
    if (m_list) m_list->SetHighlight(index);
}

int CComboxDlg::FindPrefix(std::u16string_view prefix, bool caseSensitive) const {
    for (int i = 0; i < GetCount(); ++i) {
        std::u16string_view item = m_items[size_t(i)];
        if (item.size() < prefix.size()) continue;
        std::u16string_view head = item.substr(0, prefix.size());
        if (caseSensitive ? head == prefix : EqualsNoCase(head, prefix)) return i;
    }
    return -1;
}

int CComboxDlg::Complete() {
    if (LastKeyDeleted()) return -1;
    std::u16string typed = m_edit.GetText();
    std::u16string_view trimmed = Trim(typed);
    if (trimmed.empty()) return -1;
    bool caretAtEnd = m_edit.SelStart() == m_edit.SelEnd() && m_edit.Caret() == int(typed.size());
    int caret = m_edit.Caret();
    int index = FindPrefix(trimmed, true);
    if (index < 0) return -1;
    SetCurSel(index);
    if (caretAtEnd)
        m_edit.SetSel(int(trimmed.size()), -1);
    else
        m_edit.SetSel(caret, caret);
    return index;
}

int CComboxDlg::FindStringExact(std::u16string_view text) const {
    for (int i = 0; i < GetCount(); ++i)
        if (m_items[size_t(i)] == text) return i;
    return -1;
}

void CComboxDlg::ShowDropDown(bool show) {
    if (show == GetDroppedState()) return;
    if (!show) {
        m_list.reset();
        Redraw();
        return;
    }
    if (m_items.empty()) return;
    m_list = std::make_unique<CComboxList>(*this);
    RECT r;
    GetWindowRect(m_hWnd, r);
    if (!m_list->Open(m_hWnd, r)) {
        m_list.reset();
        return;
    }
    m_list->SetHighlight(m_curSel);
    Redraw();
}

bool CComboxDlg::GetDroppedState() const { return m_list && IsWindow(m_list->GetSafeHwnd()); }

void CComboxDlg::Choose(int index) {
    ShowDropDown(false);
    SetCurSel(index);
    SetFocus(m_edit.GetSafeHwnd());
    SendCommand(CBN_SELCHANGE);
    NotifyParent(kChildSelectionChanged);
}

void CComboxDlg::RequestDelete(int index) {
    if (HWND p = GetParent(m_hWnd)) SendMessage(p, WM_EX_DELETEITEM, WPARAM(index), 0);
}

bool CComboxDlg::PreTranslateMessage(MSG& msg) {
    if (msg.message != WM_KEYDOWN || (msg.hwnd != m_hWnd && msg.hwnd != m_edit.GetSafeHwnd()))
        return false;
    bool open = GetDroppedState();
    switch (msg.wParam) {
        case VK_DOWN:
        case VK_UP: {
            if (!open) {
                ShowDropDown(true);
                return true;
            }
            int n = GetCount(), h = m_list->Highlighted();
            h = msg.wParam == VK_DOWN ? std::min(n - 1, h + 1) : std::max(0, h - 1);
            m_list->SetHighlight(h);
            return true;
        }
        case VK_RETURN:
            if (open && m_list->Highlighted() >= 0)
                Choose(m_list->Highlighted());
            else if (open)
                ShowDropDown(false);
            else
                ReportEnterEscape(false);
            return true;
        case VK_ESCAPE:
            if (open)
                ShowDropDown(false);
            else
                ReportEnterEscape(true);
            return true;
        case VK_TAB:
            ShowDropDown(false);
            NotifyParent(GetKeyState(VK_SHIFT) < 0 ? kChildShiftTab : kChildTab);
            return true;
        default:
            return false;
    }
}

LRESULT CComboxDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_EX_CHILDNOTIFY:
            // The field's reports are the box's own.
            if (wParam == kChildTextChanged && !m_quiet) {
                m_curSel = FindStringExact(m_edit.GetText()) == m_curSel ? m_curSel : -1;
                NotifyParent(kChildTextChanged);
            }
            return 0;
        case WM_COMMAND:
            return 0;
        case WM_SETTEXT:
            m_quiet = true;
            m_edit.SetText(lParam ? reinterpret_cast<const char16_t*>(lParam) : u"");
            m_quiet = false;
            m_curSel = -1;
            return 1;
        case WM_GETTEXT:
        case WM_GETTEXTLENGTH:
            return SendMessage(m_edit.GetSafeHwnd(), message, wParam, lParam);
        case WM_SETFOCUS:
        case WM_EX_TAKEFOCUS:
            SetFocus(m_edit.GetSafeHwnd());
            if (message == WM_EX_TAKEFOCUS) m_edit.SetSel(0, -1);
            return 0;
        case WM_LBUTTONDOWN:
            if (PtInRect(ArrowRect(), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))) {
                ShowDropDown(!GetDroppedState());
                SetFocus(m_edit.GetSafeHwnd());
            } else {
                SetFocus(m_edit.GetSafeHwnd());
            }
            return 0;
        case WM_MOUSEMOVE: {
            bool hot = PtInRect(ArrowRect(), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            if (hot != m_arrowHot) {
                m_arrowHot = hot;
                Redraw();
            }
            return 0;
        }
        case WM_ENABLE:
            EnableWindow(m_edit.GetSafeHwnd(), wParam != 0);
            break;
        case WM_DESTROY:
            m_list.reset();
            break;
        default:
            break;
    }
    return CSkinChild::OnMessage(message, wParam, lParam);
}

void CComboxDlg::Paint(Canvas& dc, const RECT& c) {
    bool enabled = IsWindowEnabled(m_hWnd);
    bool focused = GetFocus() == m_edit.GetSafeHwnd() || HasFocus() || GetDroppedState();
    dc.FillSolidRect(c, enabled ? RGB(255, 255, 255) : RGB(246, 247, 249));
    dc.FrameRect(c, focused ? kSkinFocusBorderColour : kSkinBorderColour);
    if (!m_arrow) return;
    int frame = !enabled ? 3 : GetDroppedState() ? 2 : m_arrowHot ? 1 : 0;
    int fw = m_arrow->GetWidth() / 4, fh = m_arrow->GetHeight();
    RECT a = ArrowRect();
    RECT into{a.left, a.top + (a.Height() - fh) / 2, a.left + fw,
              a.top + (a.Height() - fh) / 2 + fh};
    dc.StretchBlt(into, m_arrow->Image(), {frame * fw, 0, frame * fw + fw, fh});
}
