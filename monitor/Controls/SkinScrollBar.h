// The skinned scroll bar, drawn from the skin's "scrollbar.gif" cells, and
// the window that scrolls its content with one: the list and the trees are
// such windows. The bar tells its parent what the user did with WM_VSCROLL or
// WM_HSCROLL and the system's scroll codes; a held arrow or track repeats on a
// timer.
#pragma once

#include "monitor/Common/SkinPackImage.h"
#include "monitor/Controls/SkinChild.h"

enum : int {
    SB_LINEUP = 0,
    SB_LINEDOWN = 1,
    SB_PAGEUP = 2,
    SB_PAGEDOWN = 3,
    SB_THUMBPOSITION = 4,
    SB_THUMBTRACK = 5,
    SB_TOP = 6,
    SB_BOTTOM = 7,
    SB_ENDSCROLL = 8,
};

class CSkinScrollBar : public CSkinChild {
public:
    enum Part { kNowhere, kLineUp, kLineDown, kPageUp, kPageDown, kThumb };
    static constexpr int kThickness = 16;
    static constexpr uintptr_t kRepeatTimer = 1;
    static constexpr uint32_t kFirstDelayMs = 300, kRepeatMs = 50;

    explicit CSkinScrollBar(bool vertical = true);
    bool Create(plat::HWND parent, int id, const plat::RECT& r);

    // The system's scroll information: positions run from min to max - page + 1.
    void SetScrollInfo(int min, int max, int page, int pos);
    void SetScrollPos(int pos);
    int GetScrollPos() const { return m_pos; }
    int MaxPos() const;
    int Page() const { return m_page; }
    bool IsVertical() const { return m_vertical; }

    Part HitPart(int x, int y) const;
    plat::RECT ThumbRect() const;
    Part PressedPart() const { return m_pressed; }

protected:
    const char16_t* ClassName() const override { return u"ScrollBar"; }
    void Paint(plat::Canvas& dc, const plat::RECT& client) override;
    plat::LRESULT OnMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) override;

private:
    void Send(int code, int pos = 0) const;
    void Act(Part part);
    int Length() const;
    int TrackLength() const;
    int ThumbLength() const;
    void DrawCell(plat::Canvas& dc, int column, int row, const plat::RECT& into) const;

    bool m_vertical;
    int m_min = 0, m_max = 0, m_page = 0, m_pos = 0;
    Part m_pressed = kNowhere;
    Part m_hot = kNowhere;
    int m_dragOffset = 0;
    int m_dragPos = 0;
    PackImage m_image;
};

// A window whose content scrolls vertically by lines, with a skinned bar on
// its right that shows only while the content is longer than the view.
class CSkinScrollWnd : public CSkinChild {
public:
    static constexpr int kWheelLines = 3;

    CSkinScrollWnd();
    ~CSkinScrollWnd() override;
    CSkinScrollBar& ScrollBar() { return m_bar; }
    int TopLine() const { return m_top; }
    void SetTopLine(int line);
    bool IsBarShown() const;
    // Lines of content and lines in view.
    void SetLines(int total, int page);

protected:
    // The content's area: the client without the bar (and without a header).
    virtual plat::RECT ContentRect() const;
    virtual void OnScrolled() { Redraw(); }
    // The top of the content below a header.
    virtual int ContentTop() const { return 0; }
    void LayoutBar();
    plat::LRESULT OnMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) override;

private:
    CSkinScrollBar m_bar;
    int m_total = 0, m_page = 0, m_top = 0;
};
