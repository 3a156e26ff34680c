// The skinned list with columns: a header on top, rows of 22 pixels with one
// text per column and a value for the caller, several rows selectable at once,
// and the insertion of many rows in one go (one layout, one repaint). Clicks
// reach the parent as WM_NOTIFY (NM_CLICK, NM_DBLCLK, NM_RCLICK), a change of
// the selection as LVN_ITEMCHANGED and as a selection change of the frame.
#pragma once

#include <string>
#include <vector>

#include "monitor/Controls/HeaderCtrlCl.h"
#include "monitor/Controls/RowView.h"

class CListCtrlDx : public CRowView {
public:
    static constexpr int kDefaultRowHeight = 22;
    static constexpr int kHeaderId = 0x100;

    struct Row {
        std::vector<std::u16string> texts;
        uintptr_t data = 0;
    };

    CListCtrlDx();
    bool Create(plat::HWND parent, int id, const plat::RECT& r);

    int InsertColumn(int at, std::u16string_view text, int width);
    int GetColumnCount() const { return m_header.GetItemCount(); }
    CHeaderCtrlCl& Header() { return m_header; }

    // At `at` (the end for -1 or beyond); returns the index.
    int InsertItem(int at, std::u16string_view text, uintptr_t data = 0);
    // Appends every row at once; returns the index of the first.
    int InsertItems(std::vector<Row> rows);
    bool SetItemText(int item, int column, std::u16string_view text);
    std::u16string GetItemText(int item, int column) const;
    bool SetItemData(int item, uintptr_t data);
    uintptr_t GetItemData(int item) const;
    int GetItemCount() const { return int(m_rows.size()); }
    bool DeleteItem(int item);
    void DeleteAllItems();
    std::vector<int> GetSelectedItems() const { return SelectedRows(); }
    void SetTextColour(plat::COLORREF c);

protected:
    const char16_t* ClassName() const override { return u"SysListView32"; }
    int RowCount() const override { return int(m_rows.size()); }
    void DrawRow(plat::Canvas& dc, int row, const plat::RECT& r, bool selected, bool hot) override;
    void OnSelectionChanged() override;
    int ContentTop() const override { return CHeaderCtrlCl::kHeight; }
    plat::LRESULT OnMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) override;

private:
    void LayoutHeader();

    CHeaderCtrlCl m_header;
    std::vector<Row> m_rows;
    plat::COLORREF m_textColour = kWidgetTextColour;
};
