// The desktop the monitor lives on: windows of its own and of other programs,
// with the semantics of the system's window manager. Windows belong to the
// thread that created them; every thread has one message queue. Numbers and
// constants keep the system's values, so that code above reads as it is
// described ("EM_SETSEL (0, -1)", "GW_HWNDNEXT").
//
// Everything here is safe to call from any thread; window procedures run on the
// thread that owns the window (a send from another thread waits until that
// thread takes it).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop/Clock.h"
#include "platform/desktop/Region.h"

namespace plat {

// --- Basic types ---------------------------------------------------------------------

struct HWND__;
using HWND = HWND__*;  // opaque; 0 is no window
using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using INT_PTR = intptr_t;
using LONG_PTR = intptr_t;

struct POINT {
    int x = 0, y = 0;
    bool operator==(const POINT&) const = default;
};
struct SIZE {
    int cx = 0, cy = 0;
    bool operator==(const SIZE&) const = default;
};
// RECT is declared in Region.h.

struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    uint64_t time = 0;  // desktop clock, milliseconds
    POINT pt;           // cursor position when the message was queued
};

// The handle as the log prints it ("msgwnd:%d").
inline long long HandleToInt(HWND h) {
    return static_cast<long long>(reinterpret_cast<intptr_t>(h));
}

constexpr LPARAM MAKELPARAM(int lo, int hi) {
    return static_cast<LPARAM>(static_cast<uint32_t>((static_cast<uint32_t>(lo) & 0xFFFF) |
                                                     ((static_cast<uint32_t>(hi) & 0xFFFF) << 16)));
}
constexpr WPARAM MAKEWPARAM(int lo, int hi) { return static_cast<WPARAM>(MAKELPARAM(lo, hi)); }
constexpr int LOWORD(uintptr_t v) { return static_cast<int>(v & 0xFFFF); }
constexpr int HIWORD(uintptr_t v) { return static_cast<int>((v >> 16) & 0xFFFF); }
// Signed coordinates out of a mouse message's lParam.
constexpr int GET_X_LPARAM(LPARAM l) { return static_cast<int16_t>(l & 0xFFFF); }
constexpr int GET_Y_LPARAM(LPARAM l) { return static_cast<int16_t>((l >> 16) & 0xFFFF); }

// --- Messages --------------------------------------------------------------------------

inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_MOVE = 0x0003;
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_ACTIVATE = 0x0006;
inline constexpr UINT WM_SETFOCUS = 0x0007;
inline constexpr UINT WM_KILLFOCUS = 0x0008;
inline constexpr UINT WM_ENABLE = 0x000A;
inline constexpr UINT WM_SETREDRAW = 0x000B;
inline constexpr UINT WM_SETTEXT = 0x000C;
inline constexpr UINT WM_GETTEXT = 0x000D;
inline constexpr UINT WM_GETTEXTLENGTH = 0x000E;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_ERASEBKGND = 0x0014;
inline constexpr UINT WM_SHOWWINDOW = 0x0018;
inline constexpr UINT WM_ACTIVATEAPP = 0x001C;
inline constexpr UINT WM_SETCURSOR = 0x0020;
inline constexpr UINT WM_MOUSEACTIVATE = 0x0021;
inline constexpr UINT WM_GETMINMAXINFO = 0x0024;
inline constexpr UINT WM_DRAWITEM = 0x002B;
inline constexpr UINT WM_MEASUREITEM = 0x002C;
inline constexpr UINT WM_SETFONT = 0x0030;
inline constexpr UINT WM_GETFONT = 0x0031;
inline constexpr UINT WM_WINDOWPOSCHANGING = 0x0046;
inline constexpr UINT WM_WINDOWPOSCHANGED = 0x0047;
inline constexpr UINT WM_NOTIFY = 0x004E;
inline constexpr UINT WM_CONTEXTMENU = 0x007B;
inline constexpr UINT WM_NCCREATE = 0x0081;
inline constexpr UINT WM_NCDESTROY = 0x0082;
inline constexpr UINT WM_NCCALCSIZE = 0x0083;
inline constexpr UINT WM_NCHITTEST = 0x0084;
inline constexpr UINT WM_NCPAINT = 0x0085;
inline constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_CHAR = 0x0102;
inline constexpr UINT WM_SYSKEYDOWN = 0x0104;
inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_HSCROLL = 0x0114;
inline constexpr UINT WM_VSCROLL = 0x0115;
inline constexpr UINT WM_CTLCOLOREDIT = 0x0133;
inline constexpr UINT WM_CTLCOLORSTATIC = 0x0138;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
inline constexpr UINT WM_RBUTTONDOWN = 0x0204;
inline constexpr UINT WM_RBUTTONUP = 0x0205;
inline constexpr UINT WM_MOUSEWHEEL = 0x020A;
inline constexpr UINT WM_PARENTNOTIFY = 0x0210;
inline constexpr UINT WM_CAPTURECHANGED = 0x0215;
inline constexpr UINT WM_MOUSEHOVER = 0x02A1;
inline constexpr UINT WM_MOUSELEAVE = 0x02A3;
inline constexpr UINT WM_HOTKEY = 0x0312;
inline constexpr UINT WM_USER = 0x0400;
inline constexpr UINT WM_APP = 0x8000;
// Edit controls.
inline constexpr UINT EM_GETSEL = 0x00B0;
inline constexpr UINT EM_SETSEL = 0x00B1;
inline constexpr UINT EM_GETLINECOUNT = 0x00BA;
inline constexpr UINT EM_REPLACESEL = 0x00C2;
inline constexpr UINT EM_LIMITTEXT = 0x00C5;
inline constexpr UINT EM_SETREADONLY = 0x00CF;

// Mouse-message key flags.
inline constexpr WPARAM MK_LBUTTON = 0x0001;
inline constexpr WPARAM MK_RBUTTON = 0x0002;
inline constexpr WPARAM MK_SHIFT = 0x0004;
inline constexpr WPARAM MK_CONTROL = 0x0008;

// Hot-key modifiers.
inline constexpr UINT MOD_ALT = 0x0001;
inline constexpr UINT MOD_CONTROL = 0x0002;
inline constexpr UINT MOD_SHIFT = 0x0004;
inline constexpr UINT MOD_WIN = 0x0008;

// Virtual keys the program names.
inline constexpr UINT VK_RETURN = 0x0D;
inline constexpr UINT VK_ESCAPE = 0x1B;
inline constexpr UINT VK_F1 = 0x70;
inline constexpr UINT VK_F12 = 0x7B;

// Window styles.
inline constexpr uint32_t WS_OVERLAPPED = 0x00000000;
inline constexpr uint32_t WS_POPUP = 0x80000000;
inline constexpr uint32_t WS_CHILD = 0x40000000;
inline constexpr uint32_t WS_MINIMIZE = 0x20000000;
inline constexpr uint32_t WS_VISIBLE = 0x10000000;
inline constexpr uint32_t WS_DISABLED = 0x08000000;
inline constexpr uint32_t WS_CLIPSIBLINGS = 0x04000000;
inline constexpr uint32_t WS_CLIPCHILDREN = 0x02000000;
inline constexpr uint32_t WS_MAXIMIZE = 0x01000000;
inline constexpr uint32_t WS_CAPTION = 0x00C00000;
inline constexpr uint32_t WS_BORDER = 0x00800000;
inline constexpr uint32_t WS_DLGFRAME = 0x00400000;
inline constexpr uint32_t WS_VSCROLL = 0x00200000;
inline constexpr uint32_t WS_HSCROLL = 0x00100000;
inline constexpr uint32_t WS_SYSMENU = 0x00080000;
inline constexpr uint32_t WS_THICKFRAME = 0x00040000;
inline constexpr uint32_t WS_TABSTOP = 0x00010000;
inline constexpr uint32_t WS_EX_TOPMOST = 0x00000008;
inline constexpr uint32_t WS_EX_NOPARENTNOTIFY = 0x00000004;
inline constexpr uint32_t WS_EX_TOOLWINDOW = 0x00000080;
inline constexpr uint32_t WS_EX_LAYERED = 0x00080000;

// GetWindow relations.
inline constexpr UINT GW_HWNDFIRST = 0;
inline constexpr UINT GW_HWNDLAST = 1;
inline constexpr UINT GW_HWNDNEXT = 2;
inline constexpr UINT GW_HWNDPREV = 3;
inline constexpr UINT GW_OWNER = 4;
inline constexpr UINT GW_CHILD = 5;
// GetAncestor relations.
inline constexpr UINT GA_PARENT = 1;
inline constexpr UINT GA_ROOT = 2;
inline constexpr UINT GA_ROOTOWNER = 3;

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWMAXIMIZED = 3;
inline constexpr int SW_SHOWNOACTIVATE = 4;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_MINIMIZE = 6;
inline constexpr int SW_SHOWNA = 8;
inline constexpr int SW_RESTORE = 9;

// SetWindowPos flags and insert-after values.
inline constexpr UINT SWP_NOSIZE = 0x0001;
inline constexpr UINT SWP_NOMOVE = 0x0002;
inline constexpr UINT SWP_NOZORDER = 0x0004;
inline constexpr UINT SWP_NOREDRAW = 0x0008;
inline constexpr UINT SWP_NOACTIVATE = 0x0010;
inline constexpr UINT SWP_SHOWWINDOW = 0x0040;
inline constexpr UINT SWP_HIDEWINDOW = 0x0080;
inline HWND const HWND_TOP = reinterpret_cast<HWND>(0);
inline HWND const HWND_BOTTOM = reinterpret_cast<HWND>(1);
inline HWND const HWND_TOPMOST = reinterpret_cast<HWND>(-1);
inline HWND const HWND_NOTOPMOST = reinterpret_cast<HWND>(-2);

// Get/SetWindowLongPtr indexes.
inline constexpr int GWL_STYLE = -16;
inline constexpr int GWL_EXSTYLE = -20;
inline constexpr int GWLP_ID = -12;
inline constexpr int GWLP_USERDATA = -21;

// PeekMessage options.
inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;

// Dialog results.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// GetSystemMetrics indexes.
inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;

// --- Windows as objects -------------------------------------------------------------

// One received message, as a window with recording on keeps it. Texts that the
// message points to (WM_SETTEXT, EM_REPLACESEL) are copied, since the pointer
// is gone by the time a test looks.
struct MessageRecord {
    uint64_t seq = 0;  // desktop-wide order of arrival, across all windows
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    bool posted = false;  // came through a queue (Post*), not a send
    std::u16string text;
};

struct CREATESTRUCT {
    uint32_t exStyle = 0;
    std::u16string_view className;
    std::u16string_view title;
    uint32_t style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;  // relative to the parent's client area for children
    HWND parent = nullptr;             // or the owner, for a window without WS_CHILD
    int id = 0;                        // control id of a child
    uint32_t processId = 0;            // owning process; 0 = the process of the creating thread
};

// A window's object. Code derives from it and overrides WindowProc; what it
// does not handle goes to DefWindowProc, which gives the standard behaviour
// (window text, close = destroy, paint validation...). The object outlives its
// window unless it asked to be deleted with it (SetAutoDelete); the destructor
// destroys a window that is still there.
class Window {
public:
    Window();
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Creates the window on the calling thread; null on failure (already
    // created, a parent that is not a window, or WM_NCCREATE/WM_CREATE refused).
    HWND Create(const CREATESTRUCT& cs);
    HWND CreateEx(uint32_t exStyle, std::u16string_view className, std::u16string_view title,
                  uint32_t style, int x, int y, int cx, int cy, HWND parent, int id = 0);
    bool DestroyWindow();

    HWND Handle() const { return m_hWnd; }
    static Window* FromHandle(HWND h);  // null for windows without an object of ours

    // Delete the object after the window's WM_NCDESTROY (for windows nobody holds).
    void SetAutoDelete(bool on) { m_autoDelete = on; }

    // Runs a message loop on the calling thread until EndModalLoop; returns its
    // result, or -1 when WM_QUIT came first (WM_QUIT is posted again for the
    // outer loop, as the system does).
    INT_PTR RunModalLoop();
    void EndModalLoop(INT_PTR result);
    bool InModalLoop() const { return m_modalFrame != nullptr; }

    // Record of received messages (off until asked for).
    void RecordMessages(bool on) { m_recording = on; }
    const std::vector<MessageRecord>& Messages() const { return m_messages; }
    void ClearMessages() { m_messages.clear(); }
    size_t CountMessages(UINT message) const;

    // The entry point the desktop calls; records, then calls WindowProc.
    LRESULT Receive(UINT message, WPARAM wParam, LPARAM lParam, bool posted);

protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
    // After WM_NCDESTROY, with the handle already gone.
    virtual void PostNcDestroy() {}

    HWND m_hWnd = nullptr;

private:
    friend struct DesktopAccess;
    bool m_autoDelete = false;
    bool m_recording = false;
    struct ModalFrame* m_modalFrame = nullptr;
    std::vector<MessageRecord> m_messages;
};

// The standard behaviour of the desktop for any window.
LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Creates a window of a class name: an object made by the class's factory
// (RegisterWindowClass), or a plain Window when the class has none. The object
// is deleted with its window.
HWND CreateWindowEx(uint32_t exStyle, std::u16string_view className, std::u16string_view title,
                    uint32_t style, int x, int y, int cx, int cy, HWND parent, int id = 0,
                    uint32_t processId = 0);
using WindowFactory = std::function<Window*()>;
void RegisterWindowClass(std::u16string_view className, WindowFactory factory);
bool DestroyWindow(HWND hwnd);

// --- The window tree -------------------------------------------------------------------

HWND GetDesktopWindow();
bool IsWindow(HWND hwnd);
// Class and title compared as whole texts without regard to case; a null
// class or title matches any. Searches top-level windows in z-order.
HWND FindWindow(const char16_t* className, const char16_t* title);
// Direct children of `parent` (top-level windows when it is null), starting
// after `childAfter` (from the first child when null).
HWND FindWindowEx(HWND parent, HWND childAfter, const char16_t* className, const char16_t* title);
HWND GetWindow(HWND hwnd, UINT relation);
// The parent of a child window; the owner of a top-level window; else null.
HWND GetParent(HWND hwnd);
HWND GetAncestor(HWND hwnd, UINT relation);
HWND SetParent(HWND child, HWND newParent);  // returns the old parent
bool IsChild(HWND parent, HWND hwnd);        // any descendant
std::u16string GetClassName(HWND hwnd);
// Same thread: WM_GETTEXT; another thread's window: its stored text, as the
// system does for other processes' windows.
std::u16string GetWindowText(HWND hwnd);
int GetWindowTextLength(HWND hwnd);
bool SetWindowText(HWND hwnd, std::u16string_view text);  // sends WM_SETTEXT
int GetDlgCtrlID(HWND hwnd);
HWND GetDlgItem(HWND dialog, int id);
LONG_PTR GetWindowLongPtr(HWND hwnd, int index);
LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value);  // returns the old value
// Returns the owning thread's id; the process id through `processId`.
uint32_t GetWindowThreadProcessId(HWND hwnd, uint32_t* processId);

// --- Visibility, state, geometry -------------------------------------------------------

// Visible when it and all its ancestors have WS_VISIBLE.
bool IsWindowVisible(HWND hwnd);
bool IsWindowEnabled(HWND hwnd);
bool IsIconic(HWND hwnd);
bool ShowWindow(HWND hwnd, int command);    // returns whether it was visible before
bool EnableWindow(HWND hwnd, bool enable);  // returns whether it was disabled before
bool MoveWindow(HWND hwnd, int x, int y, int cx, int cy, bool repaint);
bool SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
bool BringWindowToTop(HWND hwnd);
// Window rectangle in screen coordinates; client rectangle from (0, 0).
bool GetWindowRect(HWND hwnd, RECT& rect);
bool GetClientRect(HWND hwnd, RECT& rect);
bool ClientToScreen(HWND hwnd, POINT& pt);
bool ScreenToClient(HWND hwnd, POINT& pt);
// The region (window coordinates) that clips the window; an empty optional
// removes it. The desktop keeps its own copy.
bool SetWindowRgn(HWND hwnd, const Region* region, bool redraw);
bool GetWindowRgn(HWND hwnd, Region& region);  // false when the window has none

// --- Messaging -------------------------------------------------------------------------

// Synchronous. To a window of another thread it waits until that thread takes
// the message; while waiting, the calling thread handles messages sent to it.
// 0 when the window is gone or its thread has ended.
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Queue a message for the window's thread (null window: the calling thread).
bool PostMessage(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
bool PostThreadMessage(uint32_t threadId, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
void PostQuitMessage(int exitCode);
// False on WM_QUIT (or when the idle hook stops the loop), true otherwise.
// Messages sent from other threads are handled inside, as the system does.
bool GetMessage(MSG& msg, HWND filter = nullptr, UINT minMessage = 0, UINT maxMessage = 0);
bool PeekMessage(MSG& msg, HWND filter = nullptr, UINT minMessage = 0, UINT maxMessage = 0,
                 UINT options = PM_REMOVE);
bool TranslateMessage(const MSG& msg);
LRESULT DispatchMessage(const MSG& msg);
// Waits until the calling thread's queue has something; handles sent messages
// meanwhile. True when a message is waiting. A finite timeout is real time in
// both clock modes (a thread blocked on a socket waits for posts from other
// threads, and an idle hook may wait for a worker this way); without one, the
// hand-driven clock asks the idle hook once instead of blocking.
bool WaitMessage(uint32_t timeoutMs = 0xFFFFFFFF);
// Handles every message now waiting on the calling thread; false when WM_QUIT
// was among them (it is posted again for the outer loop).
bool PumpWaitingMessages();

// --- Timers and hot keys ---------------------------------------------------------------

// WM_TIMER with wParam = id when the period has run out and the queue holds
// nothing else; one pending WM_TIMER per timer at most. A null window gives a
// thread timer with a fresh id. Returns the id, 0 on failure.
uintptr_t SetTimer(HWND hwnd, uintptr_t id, uint32_t elapseMs);
bool KillTimer(HWND hwnd, uintptr_t id);

// Global: a combination already registered by any window fails.
bool RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT virtualKey);
bool UnregisterHotKey(HWND hwnd, int id);
// The user presses a combination: WM_HOTKEY (id, MAKELPARAM(modifiers, vk))
// is posted to the registered window. False when nothing is registered for it.
bool PressHotKey(UINT modifiers, UINT virtualKey);

// --- Input: foreground, focus, capture, cursor -----------------------------------------

HWND GetForegroundWindow();
// Succeeds unless the foreground lock is on and the calling thread neither owns
// the foreground window nor is attached to its thread's input.
bool SetForegroundWindow(HWND hwnd);
bool AttachThreadInput(uint32_t attachThread, uint32_t toThread, bool attach);
void SetForegroundLock(bool on);  // off by default
// How many times the foreground query has been made (for the scan's budget).
uint64_t ForegroundQueryCount();
HWND GetActiveWindow();
HWND GetFocus();
HWND SetFocus(HWND hwnd);  // returns the previous focus
HWND GetCapture();
HWND SetCapture(HWND hwnd);  // the window losing capture gets WM_CAPTURECHANGED
bool ReleaseCapture();
bool GetCursorPos(POINT& pt);
bool SetCursorPos(int x, int y);
// The deepest visible window under a screen point; disabled children give
// their parent, regions clip.
HWND WindowFromPoint(POINT pt);

// --- Screen and painting -----------------------------------------------------------------

int GetSystemMetrics(int index);
void SetScreenSize(int cx, int cy);
bool GetWorkArea(RECT& rect);
void SetWorkArea(const RECT& rect);

struct PAINTSTRUCT {
    void* hdc = nullptr;  // the graphics layer's canvas, when there is one
    bool erase = false;
    RECT rcPaint;
};
// Marks (part of) the client area for repainting; WM_PAINT follows when the
// window's queue is otherwise empty. A null rect means the whole client area.
bool InvalidateRect(HWND hwnd, const RECT* rect, bool erase);
bool ValidateRect(HWND hwnd, const RECT* rect);
bool GetUpdateRect(HWND hwnd, RECT* rect);     // false when nothing is invalid
bool UpdateWindow(HWND hwnd);                  // sends WM_PAINT now when invalid
void* BeginPaint(HWND hwnd, PAINTSTRUCT& ps);  // validates; counts a repaint
bool EndPaint(HWND hwnd, const PAINTSTRUCT& ps);
// Repaints the window got so far (BeginPaint calls, including the default one).
int GetPaintCount(HWND hwnd);
// Invalidations asked for so far (InvalidateRect calls on this window).
int GetInvalidateCount(HWND hwnd);

// --- The desktop itself -------------------------------------------------------------------

// Destroys every window and forgets timers, hot keys, foreground, focus,
// capture, attachments and class factories; the clock goes back to real time.
// For tests, between cases.
void ResetDesktop();

}  // namespace plat
