#include "monitor/Controls/TreeCtrlSp.h"

#include <algorithm>
#include <functional>

#include "monitor/Common/SkinPack.h"
#include "monitor/Controls/SkinDrawing.h"
#include "platform/gfx/WindowDefs.h"

using namespace plat;

struct CTreeNode {
    std::u16string text;
    uintptr_t data = 0;
    bool expanded = false;
    CTreeNode* parent = nullptr;
    std::vector<std::unique_ptr<CTreeNode>> children;
};

namespace {
constexpr int kIcon = 16;
constexpr int kLeftPad = 4;
}  // namespace

CTreeCtrlSp::CTreeCtrlSp() : CRowView(kDefaultRowHeight, false) {}
CTreeCtrlSp::~CTreeCtrlSp() = default;

bool CTreeCtrlSp::Create(HWND parent, int id, const RECT& r) {
    m_openIcon = LoadPackIcon(u"expand1.ico", IconPackIndexPath(), IconPackDataPath());
    m_closedIcon = LoadPackIcon(u"unexpand1.ico", IconPackIndexPath(), IconPackDataPath());
    if (!CreateChild(parent, id, r.left, r.top, r.Width(), r.Height())) return false;
    Rebuild();
    return true;
}

void CTreeCtrlSp::Flatten(const std::vector<std::unique_ptr<CTreeNode>>& nodes) {
    for (const auto& n : nodes) {
        m_visible.push_back(n.get());
        if (n->expanded) Flatten(n->children);
    }
}

void CTreeCtrlSp::Rebuild() {
    m_visible.clear();
    Flatten(m_roots);
    // The selection lives on the item; the rows only mirror it.
    int row = RowOfItem(m_selected);
    RowsChanged();
    SelectOnly(row);
}

HTREEITEM CTreeCtrlSp::InsertItem(std::u16string_view text, HTREEITEM parent, uintptr_t data) {
    auto node = std::make_unique<CTreeNode>();
    node->text = text;
    node->data = data;
    node->parent = parent;
    HTREEITEM h = node.get();
    (parent ? parent->children : m_roots).push_back(std::move(node));
    Rebuild();
    return h;
}

void CTreeCtrlSp::Forget(CTreeNode* node) {
    for (CTreeNode* p = m_selected; p; p = p->parent)
        if (p == node) {
            m_selected = nullptr;
            break;
        }
}

bool CTreeCtrlSp::DeleteItem(HTREEITEM item) {
    if (!item) return false;
    auto& siblings = item->parent ? item->parent->children : m_roots;
    auto it = std::find_if(siblings.begin(), siblings.end(),
                           [&](const auto& n) { return n.get() == item; });
    if (it == siblings.end()) return false;
    bool lostSelection = m_selected != nullptr;
    Forget(item);
    lostSelection = lostSelection && !m_selected;
    siblings.erase(it);
    Rebuild();
    if (lostSelection) OnSelectionChanged();
    return true;
}

void CTreeCtrlSp::DeleteAllItems() {
    bool hadSelection = m_selected != nullptr;
    m_selected = nullptr;
    m_roots.clear();
    SetTopLine(0);
    Rebuild();
    // As the system's tree does: the parent hears that nothing is selected.
    if (hadSelection) OnSelectionChanged();
}

std::u16string CTreeCtrlSp::GetItemText(HTREEITEM item) const { return item ? item->text : u""; }
uintptr_t CTreeCtrlSp::GetItemData(HTREEITEM item) const { return item ? item->data : 0; }
bool CTreeCtrlSp::SetItemData(HTREEITEM item, uintptr_t data) {
    if (!item) return false;
    item->data = data;
    return true;
}
HTREEITEM CTreeCtrlSp::GetParentItem(HTREEITEM item) const { return item ? item->parent : nullptr; }

HTREEITEM CTreeCtrlSp::GetChildItem(HTREEITEM item) const {
    const auto& list = item ? item->children : m_roots;
    return list.empty() ? nullptr : list.front().get();
}

HTREEITEM CTreeCtrlSp::GetNextSiblingItem(HTREEITEM item) const {
    if (!item) return nullptr;
    const auto& siblings = item->parent ? item->parent->children : m_roots;
    for (size_t i = 0; i + 1 < siblings.size(); ++i)
        if (siblings[i].get() == item) return siblings[i + 1].get();
    return nullptr;
}

bool CTreeCtrlSp::ItemHasChildren(HTREEITEM item) const { return item && !item->children.empty(); }
bool CTreeCtrlSp::IsExpanded(HTREEITEM item) const { return item && item->expanded; }

int CTreeCtrlSp::GetCount() const {
    std::function<int(const std::vector<std::unique_ptr<CTreeNode>>&)> count =
        [&](const auto& nodes) {
            int n = 0;
            for (const auto& c : nodes) n += 1 + count(c->children);
            return n;
        };
    return count(m_roots);
}

bool CTreeCtrlSp::Expand(HTREEITEM item, ExpandCode code) {
    if (!item) return false;
    bool open = code == TVE_TOGGLE ? !item->expanded : code == TVE_EXPAND;
    if (open == item->expanded) return true;
    item->expanded = open;
    bool selectionMoved = false;
    if (!open) {
        // A selected descendant of a closed group hands the selection to it.
        for (CTreeNode* p = m_selected ? m_selected->parent : nullptr; p; p = p->parent)
            if (p == item) {
                m_selected = item;
                selectionMoved = true;
                break;
            }
    }
    Rebuild();
    SendNotify(TVN_ITEMEXPANDED);
    if (selectionMoved) OnSelectionChanged();
    return true;
}

HTREEITEM CTreeCtrlSp::GetSelectedItem() const { return m_selected; }

bool CTreeCtrlSp::SelectItem(HTREEITEM item, bool notify) {
    for (CTreeNode* p = item ? item->parent : nullptr; p; p = p->parent) p->expanded = true;
    bool changed = item != m_selected;
    m_selected = item;
    Rebuild();
    EnsureVisible(RowOfItem(item));
    if (notify && changed) OnSelectionChanged();
    return true;
}

HTREEITEM CTreeCtrlSp::ItemOfRow(int row) const {
    return row >= 0 && row < int(m_visible.size()) ? m_visible[size_t(row)] : nullptr;
}

int CTreeCtrlSp::RowOfItem(HTREEITEM item) const {
    if (!item) return -1;
    auto it = std::find(m_visible.begin(), m_visible.end(), item);
    return it == m_visible.end() ? -1 : int(it - m_visible.begin());
}

int CTreeCtrlSp::Level(HTREEITEM item) const {
    int level = 0;
    for (CTreeNode* p = item ? item->parent : nullptr; p; p = p->parent) ++level;
    return level;
}

RECT CTreeCtrlSp::IconRect(int row) const {
    RECT r = RowRect(row);
    int x = r.left + kLeftPad + Level(ItemOfRow(row)) * kIndent;
    int y = r.top + (r.Height() - kIcon) / 2;
    return {x, y, x + kIcon, y + kIcon};
}

void CTreeCtrlSp::OnSelectionChanged() {
    std::vector<int> rows = SelectedRows();
    m_selected = rows.empty() ? nullptr : ItemOfRow(rows.front());
    SendNotify(TVN_SELCHANGED);
    CRowView::OnSelectionChanged();
}

bool CTreeCtrlSp::OnRowPress(int row, int x, int y) {
    HTREEITEM item = ItemOfRow(row);
    if (!ItemHasChildren(item) || !PtInRect(IconRect(row), x, y)) return false;
    Expand(item, TVE_TOGGLE);
    return true;
}

void CTreeCtrlSp::OnRowDoubleClick(int row) {
    HTREEITEM item = ItemOfRow(row);
    SendNotify(NM_DBLCLK);
    if (ItemHasChildren(item)) Expand(item, TVE_TOGGLE);
}

bool CTreeCtrlSp::OnViewKey(UINT key) {
    HTREEITEM item = m_selected;
    if (!item) return false;
    if (key == VK_RIGHT) {
        if (ItemHasChildren(item) && !item->expanded)
            Expand(item, TVE_EXPAND);
        else if (ItemHasChildren(item))
            SelectItem(item->children.front().get(), true);
        return true;
    }
    if (key == VK_LEFT) {
        if (item->expanded)
            Expand(item, TVE_COLLAPSE);
        else if (item->parent)
            SelectItem(item->parent, true);
        return true;
    }
    return false;
}

void CTreeCtrlSp::DrawRow(Canvas& dc, int row, const RECT& r, bool selected, bool hot) {
    HTREEITEM item = ItemOfRow(row);
    RECT icon = IconRect(row);
    RECT text{icon.right + 4, r.top, r.right - 4, r.bottom};
    SIZE ext = MeasureText(item->text, m_font);
    RECT back{text.left - 3, r.top + 3, std::min(r.right - 2, text.left + ext.cx + 4),
              r.bottom - 3};
    if (selected)
        dc.FillSolidRect(back, HasFocus() ? kSkinSelectionColour : RGB(228, 234, 242));
    else if (hot)
        dc.FillSolidRect(back, kSkinHoverColour);
    if (ItemHasChildren(item)) {
        const Bitmap& b = item->expanded ? m_openIcon : m_closedIcon;
        if (b) dc.StretchBlt(icon, b, RECT{0, 0, b.Width(), b.Height()});
    }
    dc.DrawText(item->text, text,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS, m_font,
                IsEnabled() ? kWidgetTextColour : kWidgetGreyText);
}
