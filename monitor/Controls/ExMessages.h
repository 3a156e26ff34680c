// The private messages between the skinned frames, their child controls and
// their owners (all WM_USER + n).
#pragma once

#include "platform/desktop/Window.h"

// Frame of the skinned windows.
constexpr plat::UINT WM_EX_RELOADIMAGES = plat::WM_USER + 2009;   // 0xBD9
constexpr plat::UINT WM_EX_HIDESHOW = plat::WM_USER + 2083;       // 0xC23, lParam 0 hide / 1 show
constexpr plat::UINT WM_EX_CHILDNOTIFY = plat::WM_USER + 2085;    // 0xC25, wParam event, lParam child
constexpr plat::UINT WM_EX_ENTERESCAPE = plat::WM_USER + 2087;    // 0xC27, wParam 0 Enter / 1 Escape
constexpr plat::UINT WM_EX_TAKEFOCUS = plat::WM_USER + 2090;      // 0xC2A, wParam 0 forward / 1 back
constexpr plat::UINT WM_EX_CONTROLNOTIFY = plat::WM_USER + 3000;  // 0xFB8, lParam low word id

// Events of WM_EX_CHILDNOTIFY.
enum : plat::WPARAM {
    kChildTextChanged = 0,
    kChildSelectionChanged = 1,
    kChildTab = 2,
    kChildShiftTab = 3,
    kChildValueChanged = 4,
};

// From the skinned controls to the windows that use them.
constexpr plat::UINT WM_AB_TREEDBLCLK = plat::WM_USER + 2053;     // 0xC05, wParam the list
constexpr plat::UINT WM_EX_DELETEITEM = plat::WM_USER + 2086;     // 0xC26, wParam item index
constexpr plat::UINT WM_AB_MSGBOXRESULT = plat::WM_USER + 2095;   // 0xC2F, wParam the answer

// Tree and list notifications (WM_NOTIFY), with the system's codes.
struct NMHDR {
    plat::HWND hwndFrom = nullptr;
    uintptr_t idFrom = 0;
    int code = 0;
};
enum : int {
    NM_CLICK = -2,
    NM_DBLCLK = -3,
    NM_RCLICK = -5,
    NM_SETFOCUS = -7,
    NM_KILLFOCUS = -8,
    TVN_SELCHANGED = -402,
    TVN_ITEMEXPANDED = -406,
    LVN_ITEMCHANGED = -101,
    HDN_ITEMCLICK = -302,
    DTN_DATETIMECHANGE = -759,
};
