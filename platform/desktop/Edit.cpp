#include "platform/desktop/Edit.h"

#include <algorithm>

namespace plat {

bool EditBehavior::Handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_SETTEXT:
            result = DefWindowProc(hwnd, message, wParam, lParam);
            m_start = m_end = 0;
            return true;
        case EM_GETSEL: {
            if (wParam) *reinterpret_cast<uint32_t*>(wParam) = uint32_t(m_start);
            if (lParam) *reinterpret_cast<uint32_t*>(lParam) = uint32_t(m_end);
            result = MAKELPARAM(std::min(m_start, 0xFFFF), std::min(m_end, 0xFFFF));
            return true;
        }
        case EM_SETSEL: {
            int len = int(DefWindowProc(hwnd, WM_GETTEXTLENGTH, 0, 0));
            int start = int(intptr_t(wParam)), end = int(lParam);
            if (start == -1) {
                // No selection: the caret goes to the end of the text.
                m_start = m_end = len;
            } else {
                if (end == -1) end = len;
                start = std::clamp(start, 0, len);
                end = std::clamp(end, 0, len);
                m_start = std::min(start, end);
                m_end = std::max(start, end);
            }
            result = 0;
            return true;
        }
        case EM_REPLACESEL: {
            std::u16string text;
            int len = int(DefWindowProc(hwnd, WM_GETTEXTLENGTH, 0, 0));
            text.resize(size_t(len) + 1);
            DefWindowProc(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
            text.resize(size_t(len));
            std::u16string_view insert =
                lParam ? std::u16string_view(reinterpret_cast<const char16_t*>(lParam)) : u"";
            int start = std::clamp(m_start, 0, len), end = std::clamp(m_end, 0, len);
            text.replace(size_t(start), size_t(end - start), insert);
            DefWindowProc(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
            m_start = m_end = start + int(insert.size());
            result = 0;
            return true;
        }
        default:
            return false;
    }
}

LRESULT EditWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (m_edit.Handle(m_hWnd, message, wParam, lParam, result)) return result;
    return Window::WindowProc(message, wParam, lParam);
}

}  // namespace plat
