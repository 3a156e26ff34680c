#include "monitor/Controls/RowView.h"

#include <algorithm>

#include "platform/gfx/WindowDefs.h"

using namespace plat;

CRowView::CRowView(int rowHeight, bool multiSelect)
    : m_rowHeight(rowHeight), m_multiSelect(multiSelect) {}

void CRowView::SetRowHeight(int h) {
    m_rowHeight = std::max(1, h);
    RowsChanged();
}

int CRowView::PageRows() const {
    RECT c = ContentRect();
    return std::max(1, c.Height() / m_rowHeight);
}

void CRowView::RowsChanged() {
    int n = RowCount();
    m_selected.resize(size_t(n), 0);
    if (m_caret >= n) m_caret = n - 1;
    if (m_anchor >= n) m_anchor = m_caret;
    if (m_hot >= n) m_hot = -1;
    SetLines(n, PageRows());
    Redraw();
}

void CRowView::InsertRowState(int at, int count) {
    at = std::clamp(at, 0, int(m_selected.size()));
    m_selected.insert(m_selected.begin() + at, size_t(count), 0);
    if (m_caret >= at) m_caret += count;
    if (m_anchor >= at) m_anchor += count;
}

void CRowView::EraseRowState(int at, int count) {
    int n = int(m_selected.size());
    if (at < 0 || at >= n) return;
    count = std::min(count, n - at);
    m_selected.erase(m_selected.begin() + at, m_selected.begin() + at + count);
    auto shift = [&](int& r) {
        if (r >= at + count)
            r -= count;
        else if (r >= at)
            r = -1;
    };
    shift(m_caret);
    shift(m_anchor);
    m_hot = -1;
}

bool CRowView::IsRowSelected(int row) const {
    return row >= 0 && row < int(m_selected.size()) && m_selected[size_t(row)];
}

std::vector<int> CRowView::SelectedRows() const {
    std::vector<int> rows;
    for (int i = 0; i < int(m_selected.size()); ++i)
        if (m_selected[size_t(i)]) rows.push_back(i);
    return rows;
}

int CRowView::SelectedCount() const {
    return int(std::count(m_selected.begin(), m_selected.end(), 1));
}

void CRowView::OnSelectionChanged() { NotifyParent(kChildSelectionChanged); }

void CRowView::SelectOnly(int row, bool notify) {
    m_selected.assign(size_t(RowCount()), 0);
    if (row >= 0 && row < int(m_selected.size())) m_selected[size_t(row)] = 1;
    m_caret = m_anchor = row < int(m_selected.size()) ? row : -1;
    Redraw();
    if (notify) OnSelectionChanged();
}

void CRowView::SetRowSelected(int row, bool on, bool notify) {
    if (row < 0 || row >= int(m_selected.size())) return;
    if (on && !m_multiSelect) return SelectOnly(row, notify);
    m_selected[size_t(row)] = on ? 1 : 0;
    Redraw();
    if (notify) OnSelectionChanged();
}

void CRowView::SelectAll(bool notify) {
    if (!m_multiSelect) return;
    m_selected.assign(size_t(RowCount()), 1);
    Redraw();
    if (notify) OnSelectionChanged();
}

void CRowView::ClearSelection(bool notify) {
    m_selected.assign(size_t(RowCount()), 0);
    Redraw();
    if (notify) OnSelectionChanged();
}

void CRowView::SelectRange(int from, int to) {
    m_selected.assign(size_t(RowCount()), 0);
    if (from < 0) from = to;
    for (int i = std::min(from, to); i <= std::max(from, to); ++i)
        if (i >= 0 && i < int(m_selected.size())) m_selected[size_t(i)] = 1;
}

void CRowView::EnsureVisible(int row) {
    if (row < 0) return;
    int page = PageRows();
    if (row < TopLine())
        SetTopLine(row);
    else if (row >= TopLine() + page)
        SetTopLine(row - page + 1);
}

RECT CRowView::RowRect(int row) const {
    RECT c = ContentRect();
    int y = c.top + (row - TopLine()) * m_rowHeight;
    return {c.left, y, c.right, y + m_rowHeight};
}

int CRowView::RowAt(int x, int y) const {
    RECT c = ContentRect();
    if (x < c.left || x >= c.right || y < c.top || y >= c.bottom) return -1;
    int row = TopLine() + (y - c.top) / m_rowHeight;
    return row < RowCount() ? row : -1;
}

void CRowView::ClickRow(int row, bool ctrl, bool shift) {
    if (row < 0) {
        // A click below the rows empties the selection of a list with several.
        if (m_multiSelect && !ctrl && !shift && SelectedCount() > 0) ClearSelection(true);
        return;
    }
    if (m_multiSelect && shift) {
        SelectRange(m_anchor, row);
        m_caret = row;
    } else if (m_multiSelect && ctrl) {
        m_selected[size_t(row)] = !m_selected[size_t(row)];
        m_caret = m_anchor = row;
    } else {
        if (SelectedCount() == 1 && IsRowSelected(row)) {
            m_caret = m_anchor = row;
            return;  // nothing changed
        }
        m_selected.assign(size_t(RowCount()), 0);
        m_selected[size_t(row)] = 1;
        m_caret = m_anchor = row;
    }
    Redraw();
    OnSelectionChanged();
}

void CRowView::KeyTo(int row, bool shift, bool ctrl) {
    int n = RowCount();
    if (n == 0) return;
    row = std::clamp(row, 0, n - 1);
    if (m_multiSelect && shift) {
        SelectRange(m_anchor < 0 ? row : m_anchor, row);
        m_caret = row;
    } else if (m_multiSelect && ctrl) {
        m_caret = row;  // the caret moves alone; Ctrl+Space selects
    } else {
        bool same = SelectedCount() == 1 && IsRowSelected(row);
        m_selected.assign(size_t(n), 0);
        m_selected[size_t(row)] = 1;
        m_caret = m_anchor = row;
        EnsureVisible(row);
        Redraw();
        if (!same) OnSelectionChanged();
        return;
    }
    EnsureVisible(row);
    Redraw();
    if (!ctrl) OnSelectionChanged();
}

void CRowView::OnRowDoubleClick(int) { SendNotify(NM_DBLCLK); }

void CRowView::OnRightClick(int) { SendNotify(NM_RCLICK); }

void CRowView::OnTakeFocus(bool) {
    // A list with several rows selectable only shows its caret; a single
    // selection follows the caret, as the system's tree does.
    if (m_caret < 0 && RowCount() > 0 && SelectedCount() == 0) {
        if (m_multiSelect)
            m_caret = m_anchor = 0;
        else
            KeyTo(0, false, false);
    }
    Redraw();
}

LRESULT CRowView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    switch (message) {
        case WM_LBUTTONDOWN: {
            if (!HasFocus()) SetFocus(m_hWnd);
            int row = RowAt(x, y);
            if (row >= 0 && OnRowPress(row, x, y)) return 0;
            ClickRow(row, (wParam & MK_CONTROL) != 0, (wParam & MK_SHIFT) != 0);
            SendNotify(NM_CLICK);
            return 0;
        }
        case WM_LBUTTONDBLCLK: {
            int row = RowAt(x, y);
            if (row >= 0) OnRowDoubleClick(row);
            return 0;
        }
        case WM_RBUTTONDOWN: {
            if (!HasFocus()) SetFocus(m_hWnd);
            int row = RowAt(x, y);
            // A right click on an unselected row makes it the selection, as the
            // system's lists do before their menu comes.
            if (row >= 0 && !IsRowSelected(row)) ClickRow(row, false, false);
            OnRightClick(row);
            return 0;
        }
        case WM_MOUSEMOVE: {
            int row = RowAt(x, y);
            if (row != m_hot) {
                m_hot = row;
                Redraw();
            }
            return 0;
        }
        case WM_MOUSELEAVE:
            m_hot = -1;
            Redraw();
            return 0;
        case WM_KEYDOWN: {
            bool shift = ShiftDown(), ctrl = ControlDown();
            int page = PageRows();
            switch (UINT(wParam)) {
                case VK_UP:
                    KeyTo(m_caret < 0 ? 0 : m_caret - 1, shift, ctrl);
                    return 0;
                case VK_DOWN:
                    KeyTo(m_caret + 1, shift, ctrl);
                    return 0;
                case VK_HOME:
                    KeyTo(0, shift, ctrl);
                    return 0;
                case VK_END:
                    KeyTo(RowCount() - 1, shift, ctrl);
                    return 0;
                case VK_PRIOR:
                    KeyTo(m_caret - page, shift, ctrl);
                    return 0;
                case VK_NEXT:
                    KeyTo(m_caret + page, shift, ctrl);
                    return 0;
                case VK_SPACE:
                    if (ctrl && m_multiSelect && m_caret >= 0) {
                        m_selected[size_t(m_caret)] = !m_selected[size_t(m_caret)];
                        m_anchor = m_caret;
                        Redraw();
                        OnSelectionChanged();
                        return 0;
                    }
                    break;
                default:
                    if (ctrl && wParam == 'A' && m_multiSelect) {
                        SelectAll(true);
                        return 0;
                    }
                    if (OnViewKey(UINT(wParam))) return 0;
                    break;
            }
            break;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            Redraw();
            SendNotify(message == WM_SETFOCUS ? NM_SETFOCUS : NM_KILLFOCUS);
            return 0;
        case WM_SIZE: {
            LRESULT r = CSkinScrollWnd::OnMessage(message, wParam, lParam);
            SetLines(RowCount(), PageRows());
            return r;
        }
        default:
            break;
    }
    return CSkinScrollWnd::OnMessage(message, wParam, lParam);
}

void CRowView::Paint(Canvas& dc, const RECT&) {
    RECT c = ContentRect();
    dc.SaveDC();
    dc.IntersectClipRect(c);
    int n = RowCount();
    for (int row = TopLine(); row < n; ++row) {
        RECT r = RowRect(row);
        if (r.top >= c.bottom) break;
        DrawRow(dc, row, r, IsRowSelected(row), row == m_hot);
    }
    if (HasFocus() && m_caret >= 0 && m_multiSelect) {
        RECT r = RowRect(m_caret);
        if (r.bottom > c.top && r.top < c.bottom)
            dc.DrawFocusRect(InflatedRect(r, -1, -1), RGB(120, 140, 170));
    }
    dc.RestoreDC();
}
