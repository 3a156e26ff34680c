// The tooltip of a skinned frame: one tool whose rectangle and text follow the
// hovered control. It shows after the mouse rests half a second inside the
// tool, and hides when the mouse leaves, a button is pressed, or after five
// seconds.
#pragma once

#include <string>

#include "monitor/Controls/Wnd.h"
#include "platform/desktop/Region.h"

class CSkinToolTip : public CWnd {
public:
    bool Create(plat::HWND owner);
    // The rectangle is in the owner's client coordinates; an empty text hides.
    void SetTool(const plat::RECT& rect, std::u16string_view text);
    void RelayEvent(const plat::MSG& msg);

    bool IsShown() const;
    const std::u16string& Text() const { return m_text; }
    const plat::RECT& ToolRect() const { return m_rect; }

    static constexpr uint32_t kShowDelayMs = 500, kHideAfterMs = 5000;

protected:
    plat::LRESULT OnMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) override;

private:
    void Show();
    void Hide();

    plat::HWND m_owner = nullptr;
    plat::RECT m_rect;
    std::u16string m_text;
    bool m_pending = false;
};
