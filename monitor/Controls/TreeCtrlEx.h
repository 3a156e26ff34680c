// A recipient list: a tree without hierarchy whose rows are drawn by the
// list itself (the card icon, the name in a 100-pixel column, the address in
// the rest of the row, both cut with an ellipsis), 24-pixel rows on white, any
// number of rows selected. A double click makes the row the only selected one
// and posts WM_AB_TREEDBLCLK (0xC05) with the list to the parent.
#pragma once

#include <string>
#include <vector>

#include "monitor/Controls/RowView.h"

class CTreeCtrlEx : public CRowView {
public:
    static constexpr int kDefaultRowHeight = 24;
    static constexpr int kNameWidth = 100;

    struct Entry {
        std::u16string text;  // the node text, not shown
        std::u16string name;
        std::u16string email;
        uintptr_t data = 0;
    };

    CTreeCtrlEx();
    bool Create(plat::HWND parent, int id, const plat::RECT& r);

    int InsertItem(std::u16string_view text, std::u16string_view name, std::u16string_view email,
                   uintptr_t data = 0);
    bool DeleteItem(int item);
    void DeleteAllItems();
    int GetCount() const { return int(m_entries.size()); }
    const Entry& GetItem(int item) const { return m_entries.at(size_t(item)); }
    uintptr_t GetItemData(int item) const;
    std::vector<int> GetSelectedItems() const { return SelectedRows(); }

protected:
    const char16_t* ClassName() const override { return u"SysTreeView32"; }
    int RowCount() const override { return int(m_entries.size()); }
    void DrawRow(plat::Canvas& dc, int row, const plat::RECT& r, bool selected, bool hot) override;
    void OnSelectionChanged() override;
    void OnRowDoubleClick(int row) override;

private:
    std::vector<Entry> m_entries;
    plat::Bitmap m_cardIcon;
};
