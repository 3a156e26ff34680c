// The group tree: groups within groups, 26-pixel rows, the expand icons of the
// icon pack beside a group that has subgroups ("expand1.ico" open,
// "unexpand1.ico" closed), one selected group. A click on the icon, a double
// click, or Right and Left open and close a group. A change of the selection
// reaches the parent as TVN_SELCHANGED and as a selection change of the frame.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "monitor/Controls/RowView.h"

struct CTreeNode;
using HTREEITEM = CTreeNode*;
inline HTREEITEM const TVI_ROOT = nullptr;

class CTreeCtrlSp : public CRowView {
public:
    static constexpr int kDefaultRowHeight = 26;
    static constexpr int kIndent = 16;
    enum ExpandCode { TVE_COLLAPSE = 1, TVE_EXPAND = 2, TVE_TOGGLE = 3 };

    CTreeCtrlSp();
    ~CTreeCtrlSp() override;
    bool Create(plat::HWND parent, int id, const plat::RECT& r);

    // Appended below `parent` (TVI_ROOT for a top-level group).
    HTREEITEM InsertItem(std::u16string_view text, HTREEITEM parent = TVI_ROOT, uintptr_t data = 0);
    bool DeleteItem(HTREEITEM item);
    void DeleteAllItems();
    std::u16string GetItemText(HTREEITEM item) const;
    uintptr_t GetItemData(HTREEITEM item) const;
    bool SetItemData(HTREEITEM item, uintptr_t data);
    HTREEITEM GetParentItem(HTREEITEM item) const;
    HTREEITEM GetChildItem(HTREEITEM item) const;
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
    bool ItemHasChildren(HTREEITEM item) const;
    bool IsExpanded(HTREEITEM item) const;
    bool Expand(HTREEITEM item, ExpandCode code);
    int GetCount() const;
    HTREEITEM GetSelectedItem() const;
    // Selects and shows the item (its parents open); notifies when asked.
    bool SelectItem(HTREEITEM item, bool notify = false);
    // The item of a visible row.
    HTREEITEM ItemOfRow(int row) const;
    int RowOfItem(HTREEITEM item) const;
    // Where the expand icon of a row is drawn.
    plat::RECT IconRect(int row) const;

protected:
    const char16_t* ClassName() const override { return u"SysTreeView32"; }
    int RowCount() const override { return int(m_visible.size()); }
    void DrawRow(plat::Canvas& dc, int row, const plat::RECT& r, bool selected, bool hot) override;
    void OnSelectionChanged() override;
    bool OnRowPress(int row, int x, int y) override;
    void OnRowDoubleClick(int row) override;
    bool OnViewKey(plat::UINT key) override;

private:
    void Rebuild();
    void Flatten(const std::vector<std::unique_ptr<CTreeNode>>& nodes);
    int Level(HTREEITEM item) const;
    void Forget(CTreeNode* node);

    std::vector<std::unique_ptr<CTreeNode>> m_roots;
    std::vector<HTREEITEM> m_visible;
    HTREEITEM m_selected = nullptr;
    plat::Bitmap m_openIcon, m_closedIcon;
};
