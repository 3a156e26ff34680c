// The skinned column header of the list: column heads drawn from the skin's
// "headctrl.gif" (normal, hover, pressed), a click on a head told to the
// parent as HDN_ITEMCLICK, and the dividers dragged to change a width.
#pragma once

#include <string>
#include <vector>

#include "monitor/Common/SkinPackImage.h"
#include "monitor/Controls/SkinChild.h"

class CHeaderCtrlCl : public CSkinChild {
public:
    static constexpr int kHeight = 24;
    static constexpr int kMinWidth = 20;
    static constexpr int kGrip = 4;  // pixels either side of a divider

    CHeaderCtrlCl();
    bool Create(plat::HWND parent, int id, const plat::RECT& r);

    int InsertColumn(int at, std::u16string_view text, int width);
    int GetItemCount() const { return int(m_columns.size()); }
    int GetColumnWidth(int i) const;
    void SetColumnWidth(int i, int width);
    std::u16string GetColumnText(int i) const;
    // Left edge of a column; the width of all columns for i = count.
    int ColumnLeft(int i) const;
    int ColumnAt(int x) const;
    int DividerAt(int x) const;
    // The last head clicked (HDN_ITEMCLICK), -1 before any.
    int ClickedColumn() const { return m_clicked; }
    // Horizontal offset of the columns (the list's own scrolling).
    void SetOffset(int x);

protected:
    const char16_t* ClassName() const override { return u"SysHeader32"; }
    void Paint(plat::Canvas& dc, const plat::RECT& client) override;
    plat::LRESULT OnMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) override;

private:
    struct Column {
        std::u16string text;
        int width;
    };
    std::vector<Column> m_columns;
    PackImage m_image;
    int m_hot = -1, m_pressed = -1, m_clicked = -1;
    int m_dragging = -1, m_dragStartX = 0, m_dragStartWidth = 0;
    int m_offset = 0;
};
