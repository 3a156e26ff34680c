// Input state (foreground, activation, focus, capture, cursor), hot keys,
// the screen, painting requests, and the reset between tests.
#include <algorithm>
#include <atomic>

#include "platform/Error.h"
#include "platform/desktop/DesktopState.h"

namespace plat {

namespace {

std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(Desk().lock); }

// Kept outside the lock: the scan asks for it every second and must stay cheap.
std::atomic<HWND> g_foreground{nullptr};
std::atomic<uint64_t> g_foregroundQueries{0};

constexpr WPARAM WA_INACTIVE = 0, WA_ACTIVE = 1;
constexpr uint32_t kErrorHotKeyRegistered = 1409;

HWND RootLocked(DesktopState& d, HWND h) {
    WindowData* w = d.Find(h);
    while (w && w->parent != d.root) w = d.Find(w->parent);
    return w ? w->handle : nullptr;
}

bool AttachedLocked(DesktopState& d, uint32_t a, uint32_t b) {
    return a == b || d.attached.count({a, b}) || d.attached.count({b, a});
}

// The deepest visible child of `w` under the screen point, or `w` itself.
HWND ChildFromPointLocked(DesktopState& d, WindowData& w, POINT pt) {
    for (HWND c = w.firstChild; c; c = d.Find(c)->next) {
        WindowData& cw = *d.Find(c);
        if (!(cw.style & WS_VISIBLE) || (cw.style & WS_DISABLED) || cw.destroying) continue;
        RECT r = ScreenRectLocked(d, cw);
        if (!PtInRect(r, pt.x, pt.y)) continue;
        if (cw.region && !cw.region->Contains(pt.x - r.left, pt.y - r.top)) continue;
        return ChildFromPointLocked(d, cw, pt);
    }
    return w.handle;
}

}  // namespace

void SetForegroundRaw(HWND h) { g_foreground.store(h); }

void ForgetWindowInputLocked(DesktopState& d, HWND h) {
    if (g_foreground.load() == h) g_foreground.store(nullptr);
    if (d.active == h) d.active = nullptr;
    if (d.focus == h) d.focus = nullptr;
}

// --- Foreground and activation ---------------------------------------------------------

HWND GetForegroundWindow() {
    g_foregroundQueries.fetch_add(1, std::memory_order_relaxed);
    return g_foreground.load(std::memory_order_acquire);
}

uint64_t ForegroundQueryCount() { return g_foregroundQueries.load(); }

bool SetForegroundWindow(HWND hwnd) {
    HWND old, top;
    {
        auto l = Lock();
        DesktopState& d = Desk();
        top = RootLocked(d, hwnd);
        if (!top) {
            SetLastError(1400);
            return false;
        }
        old = g_foreground.load();
        if (d.foregroundLock && old && old != top) {
            WindowData* ow = d.Find(old);
            if (ow && !AttachedLocked(d, ThisThread(), ow->threadId)) return false;
        }
        g_foreground.store(top);
        d.active = top;
        // To the top of the z-order.
        WindowData& w = *d.Find(top);
        UnlinkLocked(d, w);
        LinkAfterLocked(d, w, HWND_TOP);
    }
    if (old != top) {
        if (old) NotifyWindow(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(top));
        NotifyWindow(top, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
    }
    return true;
}

bool AttachThreadInput(uint32_t attachThread, uint32_t toThread, bool attach) {
    if (attachThread == toThread || !attachThread || !toThread) return false;
    auto l = Lock();
    DesktopState& d = Desk();
    if (attach) {
        d.attached.insert({attachThread, toThread});
        return true;
    }
    return d.attached.erase({attachThread, toThread}) > 0;
}

void SetForegroundLock(bool on) {
    auto l = Lock();
    Desk().foregroundLock = on;
}

HWND GetActiveWindow() {
    auto l = Lock();
    return Desk().active;
}

HWND GetFocus() {
    auto l = Lock();
    return Desk().focus;
}

HWND SetFocus(HWND hwnd) {
    HWND old;
    {
        auto l = Lock();
        DesktopState& d = Desk();
        if (hwnd && !d.Find(hwnd)) return nullptr;
        old = d.focus;
        if (old == hwnd) return old;
        d.focus = hwnd;
    }
    if (old) NotifyWindow(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (hwnd) NotifyWindow(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

// --- Capture and cursor ----------------------------------------------------------------

HWND GetCapture() {
    auto l = Lock();
    return Desk().capture;
}

HWND SetCapture(HWND hwnd) {
    HWND old;
    {
        auto l = Lock();
        DesktopState& d = Desk();
        if (!d.Find(hwnd)) return nullptr;
        old = d.capture;
        d.capture = hwnd;
    }
    if (old && old != hwnd) NotifyWindow(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    return old;
}

bool ReleaseCapture() {
    HWND old;
    {
        auto l = Lock();
        old = Desk().capture;
        Desk().capture = nullptr;
    }
    if (old) NotifyWindow(old, WM_CAPTURECHANGED, 0, 0);
    return true;
}

bool GetCursorPos(POINT& pt) {
    auto l = Lock();
    pt = Desk().cursor;
    return true;
}

bool SetCursorPos(int x, int y) {
    auto l = Lock();
    DesktopState& d = Desk();
    d.cursor = {std::clamp(x, 0, std::max(0, d.screen.cx - 1)),
                std::clamp(y, 0, std::max(0, d.screen.cy - 1))};
    return true;
}

HWND WindowFromPoint(POINT pt) {
    auto l = Lock();
    DesktopState& d = Desk();
    WindowData& root = *d.Find(d.root);
    for (HWND c = root.firstChild; c; c = d.Find(c)->next) {
        WindowData& w = *d.Find(c);
        if (!(w.style & WS_VISIBLE) || w.destroying) continue;
        RECT r = w.rect;
        if (!PtInRect(r, pt.x, pt.y)) continue;
        if (w.region && !w.region->Contains(pt.x - r.left, pt.y - r.top)) continue;
        return ChildFromPointLocked(d, w, pt);
    }
    return nullptr;
}

// --- Hot keys ------------------------------------------------------------------------------

bool RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT virtualKey) {
    auto l = Lock();
    DesktopState& d = Desk();
    if (hwnd && !d.Find(hwnd)) {
        SetLastError(1400);
        return false;
    }
    for (const auto& k : d.hotKeys)
        if ((k.modifiers == modifiers && k.vk == virtualKey) || (k.hwnd == hwnd && k.id == id)) {
            SetLastError(kErrorHotKeyRegistered);
            return false;
        }
    d.hotKeys.push_back({hwnd, id, modifiers, virtualKey});
    return true;
}

bool UnregisterHotKey(HWND hwnd, int id) {
    auto l = Lock();
    DesktopState& d = Desk();
    auto before = d.hotKeys.size();
    std::erase_if(d.hotKeys, [&](const HotKeyData& k) { return k.hwnd == hwnd && k.id == id; });
    return d.hotKeys.size() != before;
}

bool PressHotKey(UINT modifiers, UINT virtualKey) {
    HWND target = nullptr;
    int id = 0;
    {
        auto l = Lock();
        for (const auto& k : Desk().hotKeys)
            if (k.modifiers == modifiers && k.vk == virtualKey) {
                target = k.hwnd;
                id = k.id;
                break;
            }
    }
    if (!target) return false;
    return PostMessage(target, WM_HOTKEY, WPARAM(id), MAKELPARAM(int(modifiers), int(virtualKey)));
}

// --- Screen ----------------------------------------------------------------------------------

int GetSystemMetrics(int index) {
    auto l = Lock();
    if (index == SM_CXSCREEN) return Desk().screen.cx;
    if (index == SM_CYSCREEN) return Desk().screen.cy;
    return 0;
}

void SetScreenSize(int cx, int cy) {
    auto l = Lock();
    DesktopState& d = Desk();
    d.screen = {cx, cy};
    d.Find(d.root)->rect = {0, 0, cx, cy};
}

bool GetWorkArea(RECT& rect) {
    auto l = Lock();
    rect = Desk().workArea;
    return true;
}

void SetWorkArea(const RECT& rect) {
    auto l = Lock();
    Desk().workArea = rect;
}

// --- Painting ----------------------------------------------------------------------------------

bool InvalidateRect(HWND hwnd, const RECT* rect, bool erase) {
    auto l = Lock();
    DesktopState& d = Desk();
    WindowData* w = d.Find(hwnd);
    if (!w) return false;
    RECT in = ClientInsets(w->style);
    RECT client{0, 0, std::max(0, w->rect.Width() - in.left - in.right),
                std::max(0, w->rect.Height() - in.top - in.bottom)};
    RECT r = client;
    if (rect) IntersectRect(r, *rect, client);
    ++w->invalidateCount;
    if (IsRectEmpty(r)) return true;
    w->invalidRect = w->invalid ? UnionRect(w->invalidRect, r) : r;
    w->invalid = true;
    w->erase = w->erase || erase;
    auto it = d.queues.find(w->threadId);
    if (it != d.queues.end()) it->second->wake.notify_all();
    return true;
}

bool ValidateRect(HWND hwnd, const RECT*) {
    auto l = Lock();
    WindowData* w = Desk().Find(hwnd);
    if (!w) return false;
    w->invalid = false;
    w->erase = false;
    return true;
}

bool GetUpdateRect(HWND hwnd, RECT* rect) {
    auto l = Lock();
    WindowData* w = Desk().Find(hwnd);
    if (!w || !w->invalid) return false;
    if (rect) *rect = w->invalidRect;
    return true;
}

bool UpdateWindow(HWND hwnd) {
    {
        auto l = Lock();
        WindowData* w = Desk().Find(hwnd);
        if (!w) return false;
        if (!w->invalid || !VisibleLocked(Desk(), *w)) return true;
    }
    SendMessage(hwnd, WM_PAINT, 0, 0);
    return true;
}

void* BeginPaint(HWND hwnd, PAINTSTRUCT& ps) {
    bool erase;
    {
        auto l = Lock();
        WindowData* w = Desk().Find(hwnd);
        if (!w) return nullptr;
        ps.rcPaint = w->invalid ? w->invalidRect : RECT{};
        erase = ps.erase = w->erase;
        w->invalid = false;
        w->erase = false;
        ++w->paintCount;
    }
    if (erase) SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(ps.hdc), 0);
    return ps.hdc;
}

bool EndPaint(HWND, const PAINTSTRUCT&) { return true; }

int GetPaintCount(HWND hwnd) {
    auto l = Lock();
    WindowData* w = Desk().Find(hwnd);
    return w ? w->paintCount : 0;
}

int GetInvalidateCount(HWND hwnd) {
    auto l = Lock();
    WindowData* w = Desk().Find(hwnd);
    return w ? w->invalidateCount : 0;
}

// --- Reset ---------------------------------------------------------------------------------------

void ResetDesktop() {
    std::vector<HWND> own, foreign;
    {
        auto l = Lock();
        DesktopState& d = Desk();
        WindowData& root = *d.Find(d.root);
        for (HWND c = root.firstChild; c; c = d.Find(c)->next)
            (d.Find(c)->threadId == ThisThread() ? own : foreign).push_back(c);
    }
    for (HWND h : own) DestroyWindow(h);
    {
        // Windows of other threads go without messages: their threads may be gone.
        auto l = Lock();
        DesktopState& d = Desk();
        for (HWND h : foreign) {
            std::vector<HWND> stack{h};
            while (!stack.empty()) {
                HWND x = stack.back();
                stack.pop_back();
                WindowData* w = d.Find(x);
                if (!w) continue;
                for (HWND c = w->firstChild; c; c = d.Find(c)->next) stack.push_back(c);
                if (w->object) {
                    // Leave the object to its owner, without a window.
                    w->object = nullptr;
                }
            }
        }
        // Anything left is dropped; the desktop window alone remains.
        HWND rootHandle = d.root;
        for (auto it = d.windows.begin(); it != d.windows.end();)
            it = it->first == rootHandle ? std::next(it) : d.windows.erase(it);
        WindowData& root = *d.Find(rootHandle);
        root.firstChild = root.lastChild = nullptr;
        d.timers.clear();
        d.hotKeys.clear();
        d.attached.clear();
        d.active = d.focus = d.capture = nullptr;
        d.foregroundLock = false;
        d.cursor = {};
        d.screen = {1920, 1080};
        root.rect = {0, 0, 1920, 1080};
        d.workArea = {0, 0, 1920, 1040};
        d.factories.clear();
        for (auto& [tid, q] : d.queues) {
            q->posted.clear();
            q->quitPosted = false;
        }
        g_foreground.store(nullptr);
    }
    SetIdleHook({});
    SetRealClock();
    ClearSimResources();
}

}  // namespace plat
