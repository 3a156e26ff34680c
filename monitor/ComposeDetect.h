// Recognising the compose windows of the supported mail programs by process,
// class, title and child tree. The scan (every second) attaches address
// buttons to Foxmail, Word and Outlook compose windows; the hot-key detector
// also knows FlashMail and Outlook Express.
#pragma once

#include <string_view>

#include "platform/desktop/Window.h"

// Client kinds: -1 none; 0 Foxmail (older), 1 Foxmail, 2 Foxmail 7,
// 3 FlashMail, 4 Outlook Express, 5 Word / Outlook 2003, 6 Outlook 2007,
// 7 Outlook 2010, 8 Outlook 2013, 9 Outlook 2016 and later.
constexpr int kClientNone = -1;

// Where the address book writes: the anchor window and the client kind.
struct ComposeTarget {
    plat::HWND anchor = nullptr;
    int kind = kClientNone;
};

// What the scan found: the target, the window that takes the button and the
// button's first position (relative to that window).
struct ScanResult {
    int kind = kClientNone;
    plat::HWND anchor = nullptr;
    plat::HWND parent = nullptr;
    int x = 0, y = 0;
};

// Receives the scan's results (the address buttons).
class IButtonAttacher {
public:
    virtual ~IButtonAttacher() = default;
    virtual void AttachButton(int kind, plat::HWND anchor, plat::HWND parent, int x, int y) = 0;
};
void SetButtonAttacher(IButtonAttacher* attacher);

// Timer 4 of the monitor window: looks at the foreground window when it changed.
void ScanForeground();
// The scan's detection of one window, without the foreground bookkeeping.
ScanResult DetectForScan(plat::HWND hwnd);
// The hot-key detector. The caller has looked up (and logged) the window's
// process name and passes it; the one-argument form looks it up itself.
ComposeTarget DetectForHotKey(plat::HWND hwnd, std::u16string_view processName);
ComposeTarget DetectForHotKey(plat::HWND hwnd);

// Outlook's major version: cached once read; else sysconfig.ini [OUTLOOK]
// version (default 15), not cached.
int GetOutlookVersion();
// Word's, for the hot key: [WINWORD] version (default 11) when unreadable.
int GetWordVersion();

// Forgets the process-wide state (last foreground window, version caches,
// diagnostic level, last window under the mouse). For tests.
void ResetComposeDetection();
