// Rows of one height under a scroll bar, with the selection rules of the
// system's lists and trees: a click selects one row, Ctrl+click toggles one,
// Shift+click and Shift+arrows select a range from the anchor, Ctrl+A all.
// A single-selection view keeps at most one row selected. The list and both
// trees are built on it and only draw their rows.
#pragma once

#include <vector>

#include "monitor/Controls/SkinScrollBar.h"

class CRowView : public CSkinScrollWnd {
public:
    explicit CRowView(int rowHeight, bool multiSelect);

    int RowHeight() const { return m_rowHeight; }
    void SetRowHeight(int h);
    bool IsMultiSelect() const { return m_multiSelect; }

    bool IsRowSelected(int row) const;
    // Rows top to bottom.
    std::vector<int> SelectedRows() const;
    int SelectedCount() const;
    // The row with the keyboard caret, -1 when none.
    int CaretRow() const { return m_caret; }
    // Selects exactly this row (none for -1); the caret and anchor go there.
    void SelectOnly(int row, bool notify = false);
    void SetRowSelected(int row, bool on, bool notify = false);
    void SelectAll(bool notify = false);
    void ClearSelection(bool notify = false);
    void EnsureVisible(int row);
    // The row under a client point, -1 when none.
    int RowAt(int x, int y) const;
    plat::RECT RowRect(int row) const;
    int HotRow() const { return m_hot; }

protected:
    virtual int RowCount() const = 0;
    virtual void DrawRow(plat::Canvas& dc, int row, const plat::RECT& r, bool selected,
                         bool hot) = 0;
    // The selection changed by the user (or by a call asked to notify).
    virtual void OnSelectionChanged();
    // A click that may act on a part of the row first (the tree's expand icon):
    // true when taken, and the selection rules are skipped.
    virtual bool OnRowPress(int row, int x, int y) {
        (void)row, (void)x, (void)y;
        return false;
    }
    virtual void OnRowDoubleClick(int row);
    virtual void OnRightClick(int row);
    // Keys the view does not handle itself.
    virtual bool OnViewKey(plat::UINT key) {
        (void)key;
        return false;
    }
    // Rows were added, removed or shown again: the selection follows, the bar too.
    void RowsChanged();
    // Moves the selection by rows kept in a list of their own (insertion, removal).
    void InsertRowState(int at, int count);
    void EraseRowState(int at, int count);

    void Paint(plat::Canvas& dc, const plat::RECT& client) override;
    plat::LRESULT OnMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) override;
    void OnTakeFocus(bool backward) override;
    int PageRows() const;

private:
    void ClickRow(int row, bool ctrl, bool shift);
    void KeyTo(int row, bool shift, bool ctrl);
    void SelectRange(int from, int to);

    int m_rowHeight;
    bool m_multiSelect;
    std::vector<char> m_selected;
    int m_caret = -1;
    int m_anchor = -1;
    int m_hot = -1;
};
