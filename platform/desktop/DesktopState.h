// The desktop's shared state, for the desktop's own sources only. One mutex
// guards it all; window procedures are always called with it released.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/desktop/Window.h"

namespace plat {

struct WindowData {
    HWND handle = nullptr;
    Window* object = nullptr;
    std::u16string className, title;
    uint32_t style = 0, exStyle = 0;
    HWND parent = nullptr;  // the desktop window for top-level windows
    HWND owner = nullptr;
    // Sibling links; first child = top of the order.
    HWND firstChild = nullptr, lastChild = nullptr, next = nullptr, prev = nullptr;
    uint32_t processId = 0, threadId = 0;
    RECT rect;  // relative to the parent's client origin (screen for top-level)
    int id = 0;
    LONG_PTR userData = 0;
    std::optional<Region> region;
    bool invalid = false, erase = false;
    RECT invalidRect;
    int paintCount = 0, invalidateCount = 0;
    bool destroying = false;
};

struct SentMessage {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;
    bool done = false;
    struct ThreadQueue* sender = nullptr;
};

struct ThreadQueue {
    uint32_t threadId = 0;
    std::deque<MSG> posted;
    std::deque<SentMessage*> sent;
    bool quitPosted = false;
    int quitCode = 0;
    bool alive = true;
    std::condition_variable wake;
};

struct TimerData {
    HWND hwnd = nullptr;
    uintptr_t id = 0;
    uint32_t threadId = 0;
    uint32_t period = 0;
    uint64_t due = 0;
};

struct HotKeyData {
    HWND hwnd = nullptr;
    int id = 0;
    UINT modifiers = 0, vk = 0;
};

struct DesktopState {
    std::mutex lock;
    std::unordered_map<HWND, WindowData> windows;
    HWND root = nullptr;
    uintptr_t nextHandle = 0x20000;
    std::unordered_map<uint32_t, std::shared_ptr<ThreadQueue>> queues;
    std::vector<TimerData> timers;
    uintptr_t nextThreadTimer = 0x7FFF0000;
    std::vector<HotKeyData> hotKeys;
    HWND active = nullptr, focus = nullptr, capture = nullptr;
    std::set<std::pair<uint32_t, uint32_t>> attached;  // (attaching thread, attached-to thread)
    bool foregroundLock = false;
    POINT cursor;
    SIZE screen{1920, 1080};
    RECT workArea{0, 0, 1920, 1040};
    std::map<std::u16string, WindowFactory> factories;  // upper-cased class name
    uint64_t seq = 0;

    WindowData* Find(HWND h) {
        auto it = windows.find(h);
        return it == windows.end() ? nullptr : &it->second;
    }
};

// The one desktop of the process (never destroyed, so that threads ending late
// still find it).
DesktopState& Desk();
// The calling thread's id, cached.
uint32_t ThisThread();
// The calling thread's queue, made on first use. Call with the lock held.
ThreadQueue& OwnQueue();
// Wakes every thread that waits for its queue (clock moved). Lock held.
void WakeAllQueues(DesktopState& d);

// Calls the window's object; the lock must not be held.
LRESULT CallWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool posted);
// Sends to a window of this thread at once, posts to another thread's window
// (the system's notification messages: the sender never blocks on them).
void NotifyWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The sibling order, lock held: take a window out of its parent's children,
// and put it at the top (HWND_TOP; topmost windows stay above the others), at
// the bottom (HWND_BOTTOM) or after a sibling.
void UnlinkLocked(DesktopState& d, WindowData& w);
void LinkAfterLocked(DesktopState& d, WindowData& w, HWND after);

// Geometry helpers, lock held.
POINT ClientOriginLocked(DesktopState& d, const WindowData& w);
RECT ScreenRectLocked(DesktopState& d, const WindowData& w);
RECT ClientInsets(uint32_t style);
bool VisibleLocked(DesktopState& d, const WindowData& w);

// Forget what the desktop's input and timers keep about a window that goes
// away; lock held.
void ForgetWindowInputLocked(DesktopState& d, HWND h);
void ForgetWindowTimersLocked(DesktopState& d, HWND h);
void ForgetInputStateLocked(DesktopState& d);
void SetForegroundRaw(HWND h);
void ClearSimResources();

}  // namespace plat
