#include "monitor/Controls/TreeCtrlEx.h"

#include "monitor/Common/SkinPack.h"
#include "monitor/Controls/SkinDrawing.h"

using namespace plat;

namespace {
constexpr int kIcon = 16;
constexpr int kLeftPad = 6;
}  // namespace

CTreeCtrlEx::CTreeCtrlEx() : CRowView(kDefaultRowHeight, true) {}

bool CTreeCtrlEx::Create(HWND parent, int id, const RECT& r) {
    m_cardIcon = LoadPackIcon(u"card.ico", IconPackIndexPath(), IconPackDataPath());
    if (!CreateChild(parent, id, r.left, r.top, r.Width(), r.Height())) return false;
    RowsChanged();
    return true;
}

int CTreeCtrlEx::InsertItem(std::u16string_view text, std::u16string_view name,
                            std::u16string_view email, uintptr_t data) {
    m_entries.push_back(
        Entry{std::u16string(text), std::u16string(name), std::u16string(email), data});
    InsertRowState(int(m_entries.size()) - 1, 1);
    RowsChanged();
    return int(m_entries.size()) - 1;
}

bool CTreeCtrlEx::DeleteItem(int item) {
    if (item < 0 || item >= int(m_entries.size())) return false;
    m_entries.erase(m_entries.begin() + item);
    EraseRowState(item, 1);
    RowsChanged();
    return true;
}

void CTreeCtrlEx::DeleteAllItems() {
    m_entries.clear();
    EraseRowState(0, 1 << 30);
    SetTopLine(0);
    RowsChanged();
}

uintptr_t CTreeCtrlEx::GetItemData(int item) const {
    return item >= 0 && item < int(m_entries.size()) ? m_entries[size_t(item)].data : 0;
}

void CTreeCtrlEx::OnSelectionChanged() {
    SendNotify(TVN_SELCHANGED);
    CRowView::OnSelectionChanged();
}

void CTreeCtrlEx::OnRowDoubleClick(int row) {
    SelectOnly(row, true);
    // Posted: the parent removes rows, which it should not do inside our click.
    PostMessage(Parent(), WM_AB_TREEDBLCLK, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

void CTreeCtrlEx::DrawRow(Canvas& dc, int row, const RECT& r, bool selected, bool hot) {
    if (selected)
        dc.FillSolidRect(r, HasFocus() ? kSkinSelectionColour : RGB(228, 234, 242));
    else if (hot)
        dc.FillSolidRect(r, kSkinHoverColour);
    const Entry& e = m_entries[size_t(row)];
    RECT icon{r.left + kLeftPad, r.top + (r.Height() - kIcon) / 2, r.left + kLeftPad + kIcon, 0};
    icon.bottom = icon.top + kIcon;
    if (m_cardIcon)
        dc.StretchBlt(icon, m_cardIcon, RECT{0, 0, m_cardIcon.Width(), m_cardIcon.Height()});
    COLORREF colour = IsEnabled() ? kWidgetTextColour : kWidgetGreyText;
    uint32_t fmt = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
    RECT name{icon.right + 6, r.top, icon.right + 6 + kNameWidth - 6, r.bottom};
    dc.DrawText(e.name, name, fmt, m_font, colour);
    RECT mail{icon.right + 6 + kNameWidth, r.top, r.right - 4, r.bottom};
    dc.DrawText(e.email, mail, fmt, m_font, selected ? colour : RGB(90, 100, 115));
}
