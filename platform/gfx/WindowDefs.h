// Window-system numbers the skinned windows use beyond those of the desktop's
// own header, with the system's values.
#pragma once

#include "platform/desktop/Window.h"

namespace plat {

enum : UINT {
    WM_NEXTDLGCTL = 0x0028,
    WM_HELP = 0x0053,
    WM_GETDLGCODE = 0x0087,
    WM_NCMOUSEMOVE = 0x00A0,
    WM_NCLBUTTONUP = 0x00A2,
    WM_NCLBUTTONDBLCLK = 0x00A3,
    WM_SYSKEYUP = 0x0105,
    WM_SYSCHAR = 0x0106,
    WM_INITMENUPOPUP = 0x0117,
    WM_MENUSELECT = 0x011F,
    WM_CTLCOLORLISTBOX = 0x0134,
    WM_CTLCOLORBTN = 0x0135,
    WM_CTLCOLORDLG = 0x0136,
    WM_RBUTTONDBLCLK = 0x0206,
    WM_SIZING = 0x0214,
    WM_MOUSEFIRST = 0x0200,
    WM_MOUSELAST = 0x020E,
    WM_KEYFIRST = 0x0100,
    WM_KEYLAST = 0x0109,

    EM_SETPASSWORDCHAR = 0x00CC,
    EM_GETLIMITTEXT = 0x00D5,
};

// WM_COMMAND notification codes of edit boxes.
enum : int { EN_SETFOCUS = 0x0100, EN_KILLFOCUS = 0x0200, EN_CHANGE = 0x0300 };

// WM_NCHITTEST results.
enum : int {
    HTTRANSPARENT = -1,
    HTNOWHERE = 0,
    HTCLIENT = 1,
    HTCAPTION = 2,
    HTLEFT = 10,
    HTRIGHT = 11,
    HTTOP = 12,
    HTTOPLEFT = 13,
    HTTOPRIGHT = 14,
    HTBOTTOM = 15,
    HTBOTTOMLEFT = 16,
    HTBOTTOMRIGHT = 17,
};

// WM_SYSCOMMAND commands; SC_SIZE + 1 .. + 8 size from an edge or corner.
enum : WPARAM {
    SC_SIZE = 0xF000,
    SC_MOVE = 0xF010,
    SC_MINIMIZE = 0xF020,
    SC_MAXIMIZE = 0xF030,
    SC_CLOSE = 0xF060,
    SC_RESTORE = 0xF120,
};

// Virtual keys (VK_RETURN, VK_ESCAPE and the function keys are in Window.h).
enum : UINT {
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    VK_F4 = 0x73,
};

// Bit 29 of a key message's lParam: Alt was down.
constexpr LPARAM kKeyAltDown = LPARAM(1) << 29;

}  // namespace plat
