// The progress window's message, as the web calls and the sync code post it:
// wParam is the command, lParam its value.
#pragma once

#include "platform/desktop/Window.h"

constexpr plat::UINT WM_AB_PROGRESS = plat::WM_USER + 2061;

enum : plat::WPARAM {
    kProgressText = 0,     // lParam: a heap text for the status line (the window frees it), or 0
    kProgressPercent = 2,  // lParam: 0 to 100
    kProgressShow = 3,     // show title and text
    kProgressHide = 4,     // hide the window (the finished notice)
};
