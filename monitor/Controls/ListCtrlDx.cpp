#include "monitor/Controls/ListCtrlDx.h"

#include <algorithm>

#include "monitor/Controls/SkinDrawing.h"

using namespace plat;

namespace {
constexpr int kTextPad = 6;
}

CListCtrlDx::CListCtrlDx() : CRowView(kDefaultRowHeight, true) {}

bool CListCtrlDx::Create(HWND parent, int id, const RECT& r) {
    if (!CreateChild(parent, id, r.left, r.top, r.Width(), r.Height())) return false;
    RECT c;
    GetClientRect(m_hWnd, c);
    m_header.Create(m_hWnd, kHeaderId, RECT{0, 0, c.right, CHeaderCtrlCl::kHeight});
    LayoutBar();
    RowsChanged();
    return true;
}

void CListCtrlDx::LayoutHeader() {
    if (!m_header.GetSafeHwnd()) return;
    RECT c;
    GetClientRect(m_hWnd, c);
    MoveWindow(m_header.GetSafeHwnd(), 0, 0, c.right, CHeaderCtrlCl::kHeight, true);
}

int CListCtrlDx::InsertColumn(int at, std::u16string_view text, int width) {
    int i = m_header.InsertColumn(at, text, width);
    for (Row& r : m_rows)
        if (int(r.texts.size()) > i) r.texts.insert(r.texts.begin() + i, u"");
    Redraw();
    return i;
}

int CListCtrlDx::InsertItem(int at, std::u16string_view text, uintptr_t data) {
    if (at < 0 || at > int(m_rows.size())) at = int(m_rows.size());
    Row row;
    row.texts.push_back(std::u16string(text));
    row.data = data;
    m_rows.insert(m_rows.begin() + at, std::move(row));
    InsertRowState(at, 1);
    RowsChanged();
    return at;
}

int CListCtrlDx::InsertItems(std::vector<Row> rows) {
    int first = int(m_rows.size());
    int count = int(rows.size());
    m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()),
                  std::make_move_iterator(rows.end()));
    InsertRowState(first, count);
    RowsChanged();
    return first;
}

bool CListCtrlDx::SetItemText(int item, int column, std::u16string_view text) {
    if (item < 0 || item >= int(m_rows.size()) || column < 0) return false;
    auto& texts = m_rows[size_t(item)].texts;
    if (int(texts.size()) <= column) texts.resize(size_t(column) + 1);
    texts[size_t(column)] = text;
    Redraw();
    return true;
}

std::u16string CListCtrlDx::GetItemText(int item, int column) const {
    if (item < 0 || item >= int(m_rows.size()) || column < 0) return u"";
    const auto& texts = m_rows[size_t(item)].texts;
    return column < int(texts.size()) ? texts[size_t(column)] : u"";
}

bool CListCtrlDx::SetItemData(int item, uintptr_t data) {
    if (item < 0 || item >= int(m_rows.size())) return false;
    m_rows[size_t(item)].data = data;
    return true;
}

uintptr_t CListCtrlDx::GetItemData(int item) const {
    return item >= 0 && item < int(m_rows.size()) ? m_rows[size_t(item)].data : 0;
}

bool CListCtrlDx::DeleteItem(int item) {
    if (item < 0 || item >= int(m_rows.size())) return false;
    bool wasSelected = IsRowSelected(item);
    m_rows.erase(m_rows.begin() + item);
    EraseRowState(item, 1);
    RowsChanged();
    if (wasSelected) OnSelectionChanged();
    return true;
}

void CListCtrlDx::DeleteAllItems() {
    bool hadSelection = SelectedCount() > 0;
    m_rows.clear();
    EraseRowState(0, 1 << 30);
    SetTopLine(0);
    RowsChanged();
    if (hadSelection) OnSelectionChanged();
}

void CListCtrlDx::SetTextColour(COLORREF c) {
    m_textColour = c;
    Redraw();
}

void CListCtrlDx::OnSelectionChanged() {
    SendNotify(LVN_ITEMCHANGED);
    CRowView::OnSelectionChanged();
}

LRESULT CListCtrlDx::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NOTIFY:
            // From the header: a click on a head goes on to the parent; a
            // dragged divider lays the rows out anew.
            if (lParam) {
                const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
                if (hdr->code == HDN_ITEMCLICK)
                    return SendMessage(Parent(), WM_NOTIFY, wParam, lParam);
            }
            Redraw();
            return 0;
        case WM_SIZE: {
            LRESULT r = CRowView::OnMessage(message, wParam, lParam);
            LayoutHeader();
            return r;
        }
        default:
            break;
    }
    return CRowView::OnMessage(message, wParam, lParam);
}

void CListCtrlDx::DrawRow(Canvas& dc, int row, const RECT& r, bool selected, bool hot) {
    if (selected)
        dc.FillSolidRect(r, HasFocus() ? kSkinSelectionColour : RGB(228, 234, 242));
    else if (hot)
        dc.FillSolidRect(r, kSkinHoverColour);
    dc.FillSolidRect(RECT{r.left, r.bottom - 1, r.right, r.bottom}, RGB(238, 241, 245));
    const Row& data = m_rows[size_t(row)];
    COLORREF colour = IsEnabled() ? m_textColour : kWidgetGreyText;
    for (int col = 0; col < m_header.GetItemCount(); ++col) {
        RECT cell{m_header.ColumnLeft(col) + kTextPad, r.top,
                  m_header.ColumnLeft(col + 1) - kTextPad, r.bottom};
        if (cell.right <= cell.left || col >= int(data.texts.size())) continue;
        dc.DrawText(data.texts[size_t(col)], cell,
                    DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS, m_font,
                    colour);
    }
}
