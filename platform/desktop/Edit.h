// The standard edit behaviour, as a piece any window class can take on: the
// window's text is the field's text, with a selection over it. Handles
// WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH, EM_GETSEL, EM_SETSEL and
// EM_REPLACESEL the way the system's edit and rich-edit controls do.
#pragma once

#include <string>

#include "platform/desktop/Window.h"

namespace plat {

class EditBehavior {
public:
    // True when the message is an edit message and was handled; `result` holds
    // what the window procedure returns.
    bool Handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    int SelStart() const { return m_start; }
    int SelEnd() const { return m_end; }

private:
    int m_start = 0, m_end = 0;  // m_start <= m_end, in UTF-16 units
};

// A window that is an edit field under any class name ("RichEdit20W",
// "TZRichEdit", "Edit"...).
class EditWindow : public Window {
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    EditBehavior m_edit;
};

}  // namespace plat
