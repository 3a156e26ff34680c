// The common ground of the skinned child controls that sit on a skinned frame:
// creation as a child window, painting off-screen in one transfer, and the
// frame's private messages (text, selection and value changes, Tab and
// Shift+Tab, Enter and Escape go up; the focus handed over by keyboard
// navigation comes down).
#pragma once

#include <cstdint>

#include "monitor/Controls/ExMessages.h"
#include "monitor/Controls/Wnd.h"
#include "platform/gfx/Gdi.h"

class CSkinChild : public CWnd {
public:
    // A visible child with a tab stop at (x, y) of the parent's client area.
    bool CreateChild(plat::HWND parent, int id, int x, int y, int width, int height,
                     uint32_t extraStyle = 0);
    int Id() const { return plat::GetDlgCtrlID(m_hWnd); }
    plat::HWND Parent() const { return plat::GetParent(m_hWnd); }

    void SetFont(const plat::Font& font);
    const plat::Font& GetFont() const { return m_font; }
    void SetBackColour(plat::COLORREF c);
    void Redraw() const;
    bool HasFocus() const;
    bool IsEnabled() const { return plat::IsWindowEnabled(m_hWnd); }
    plat::RECT Client() const;

protected:
    // Draws the whole client area; `dc` is an off-screen picture of it.
    virtual void Paint(plat::Canvas& dc, const plat::RECT& client) = 0;
    virtual const char16_t* ClassName() const = 0;
    // Keyboard navigation put the focus here (0xC2A).
    virtual void OnTakeFocus(bool backward) { (void)backward; }
    // Controls that take Enter and Escape themselves report them upward.
    virtual bool ReportsEnterEscape() const { return false; }

    plat::LRESULT OnMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) override;
    bool PreTranslateMessage(plat::MSG& msg) override;

    // 0xC25 to the parent with the event and this window.
    void NotifyParent(plat::WPARAM event) const;
    // 0xC27 to the parent: 0 Enter, 1 Escape.
    void ReportEnterEscape(bool escape) const;
    // WM_NOTIFY to the parent with the system's notification code.
    plat::LRESULT SendNotify(int code) const;
    // WM_COMMAND to the parent with a notification code.
    void SendCommand(int code) const;

    static bool ShiftDown();
    static bool ControlDown();

    plat::Font m_font;
    plat::COLORREF m_backColour = 0xFFFFFF;
};

// Rows, ellipsis and colours every list-like control draws with.
constexpr plat::COLORREF kWidgetTextColour = plat::RGB(30, 35, 42);
constexpr plat::COLORREF kWidgetGreyText = plat::RGB(129, 129, 129);
constexpr plat::COLORREF kWidgetDisabledBack = plat::RGB(244, 246, 249);
