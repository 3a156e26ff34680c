// Message queues, sent and posted messages, timers and the desktop clock.
#include <algorithm>
#include <atomic>
#include <chrono>

#include "platform/Error.h"
#include "platform/desktop/DesktopState.h"

namespace plat {

namespace {

std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(Desk().lock); }

// --- Clock -----------------------------------------------------------------------------

std::atomic<bool> g_manual{false};
std::atomic<uint64_t> g_manualNow{0};
std::mutex g_hookLock;
IdleHook g_idleHook;

uint64_t RealNow() {
    static const auto start = std::chrono::steady_clock::now();
    return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count());
}

// Unregisters the thread's queue when the thread ends: sends waiting on it
// are answered with 0, posts to it fail from then on.
struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue;
    ~QueueHolder() {
        if (!queue) return;
        auto l = Lock();
        DesktopState& d = Desk();
        queue->alive = false;
        for (SentMessage* s : queue->sent) {
            s->done = true;
            if (s->sender) s->sender->wake.notify_all();
        }
        queue->sent.clear();
        auto it = d.queues.find(queue->threadId);
        if (it != d.queues.end() && it->second == queue) d.queues.erase(it);
    }
};
thread_local QueueHolder t_queue;

bool InFilter(const MSG& m, HWND filter, UINT minMessage, UINT maxMessage) {
    if (filter && m.hwnd != filter) return false;
    if (minMessage == 0 && maxMessage == 0) return true;
    return m.message >= minMessage && m.message <= maxMessage;
}

MSG MakeMsg(HWND h, UINT message, WPARAM w, LPARAM l) {
    MSG m;
    m.hwnd = h;
    m.message = message;
    m.wParam = w;
    m.lParam = l;
    m.time = ClockNow();
    m.pt = Desk().cursor;
    return m;
}

// Handles the messages other threads sent to this one; returns with the lock held.
bool HandleSentLocked(std::unique_lock<std::mutex>& l, ThreadQueue& q) {
    bool any = false;
    while (!q.sent.empty()) {
        SentMessage* s = q.sent.front();
        q.sent.pop_front();
        any = true;
        l.unlock();
        LRESULT r = CallWindow(s->hwnd, s->message, s->wParam, s->lParam, false);
        l.lock();
        s->result = r;
        s->done = true;
        if (s->sender) s->sender->wake.notify_all();
    }
    return any;
}

// The next message of the queue in the system's order: posted messages, then
// quit, then paint, then timers. `remove` takes it out.
bool NextLocked(DesktopState& d, ThreadQueue& q, MSG& msg, HWND filter, UINT minMessage,
                UINT maxMessage, bool remove) {
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
        if (!InFilter(*it, filter, minMessage, maxMessage)) continue;
        msg = *it;
        if (remove) q.posted.erase(it);
        return true;
    }
    if (q.quitPosted) {
        msg = MakeMsg(nullptr, WM_QUIT, WPARAM(q.quitCode), 0);
        if (remove) q.quitPosted = false;
        return true;
    }
    for (auto& [h, w] : d.windows) {
        if (!w.invalid || w.threadId != q.threadId || w.destroying) continue;
        MSG m = MakeMsg(h, WM_PAINT, 0, 0);
        if (!InFilter(m, filter, minMessage, maxMessage) || !VisibleLocked(d, w)) continue;
        msg = m;
        return true;
    }
    uint64_t now = ClockNow();
    TimerData* best = nullptr;
    for (auto& t : d.timers) {
        if (t.threadId != q.threadId || t.due > now) continue;
        MSG m = MakeMsg(t.hwnd, WM_TIMER, t.id, 0);
        if (!InFilter(m, filter, minMessage, maxMessage)) continue;
        if (!best || t.due < best->due) best = &t;
    }
    if (best) {
        msg = MakeMsg(best->hwnd, WM_TIMER, best->id, 0);
        if (remove) best->due = now + best->period;
        return true;
    }
    return false;
}

// The earliest due time of the thread's timers, or 0 when it has none.
uint64_t NextTimerDueLocked(DesktopState& d, uint32_t threadId, bool& any) {
    any = false;
    uint64_t due = 0;
    for (auto& t : d.timers)
        if (t.threadId == threadId && (!any || t.due < due)) {
            due = t.due;
            any = true;
        }
    return due;
}

// With the hand-driven clock: asks the idle hook. Lock released inside.
bool AskIdle(std::unique_lock<std::mutex>& l) {
    l.unlock();
    IdleHook hook;
    {
        std::lock_guard<std::mutex> g(g_hookLock);
        hook = g_idleHook;
    }
    bool goOn = hook ? hook() : AdvanceToNextTimer();
    l.lock();
    return goOn;
}

// Blocks until the queue may have something or `deadline` (real clock) passes.
void WaitLocked(std::unique_lock<std::mutex>& l, DesktopState& d, ThreadQueue& q,
                uint64_t deadlineReal, bool hasDeadline) {
    // The hand-driven clock does not move while we wait: its timers cannot fall due.
    bool any = false;
    uint64_t due = 0;
    if (!g_manual.load()) due = NextTimerDueLocked(d, q.threadId, any);
    uint64_t until = 0;
    bool bounded = false;
    if (any) {
        until = due;
        bounded = true;
    }
    if (hasDeadline && (!bounded || deadlineReal < until)) {
        until = deadlineReal;
        bounded = true;
    }
    if (!bounded) {
        q.wake.wait(l);
        return;
    }
    uint64_t now = RealNow();
    if (until > now) q.wake.wait_for(l, std::chrono::milliseconds(until - now));
}

}  // namespace

ThreadQueue& OwnQueue() {
    if (!t_queue.queue) {
        t_queue.queue = std::make_shared<ThreadQueue>();
        t_queue.queue->threadId = ThisThread();
        Desk().queues[ThisThread()] = t_queue.queue;
    } else if (!Desk().queues.count(ThisThread())) {
        Desk().queues[ThisThread()] = t_queue.queue;  // after ResetDesktop
    }
    return *t_queue.queue;
}

void WakeAllQueues(DesktopState& d) {
    for (auto& [tid, q] : d.queues) q->wake.notify_all();
}

uint64_t ClockNow() { return g_manual.load() ? g_manualNow.load() : RealNow(); }

void SetManualClock(uint64_t startMs) {
    g_manualNow.store(startMs);
    g_manual.store(true);
    auto l = Lock();
    WakeAllQueues(Desk());
}

void SetRealClock() {
    g_manual.store(false);
    auto l = Lock();
    WakeAllQueues(Desk());
}

bool IsManualClock() { return g_manual.load(); }

void AdvanceClock(uint64_t ms) {
    if (!g_manual.load()) return;
    g_manualNow.fetch_add(ms);
    auto l = Lock();
    WakeAllQueues(Desk());
}

void SetIdleHook(IdleHook hook) {
    std::lock_guard<std::mutex> g(g_hookLock);
    g_idleHook = std::move(hook);
}

bool AdvanceToNextTimer() {
    auto l = Lock();
    bool any;
    uint64_t due = NextTimerDueLocked(Desk(), ThisThread(), any);
    if (!any) return false;
    if (g_manual.load() && due > g_manualNow.load()) g_manualNow.store(due);
    return true;
}

// --- Sending and posting --------------------------------------------------------------

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto l = Lock();
    DesktopState& d = Desk();
    WindowData* w = d.Find(hwnd);
    if (!w) {
        SetLastError(1400);
        return 0;
    }
    if (w->threadId == ThisThread()) {
        l.unlock();
        return CallWindow(hwnd, message, wParam, lParam, false);
    }
    auto it = d.queues.find(w->threadId);
    if (it == d.queues.end() || !it->second->alive) return 0;
    std::shared_ptr<ThreadQueue> target = it->second;
    ThreadQueue& own = OwnQueue();
    SentMessage s;
    s.hwnd = hwnd;
    s.message = message;
    s.wParam = wParam;
    s.lParam = lParam;
    s.sender = &own;
    target->sent.push_back(&s);
    target->wake.notify_all();
    while (!s.done) {
        // Messages sent to us while we wait are handled, as the system does.
        if (HandleSentLocked(l, own)) continue;
        if (s.done) break;
        own.wake.wait(l);
    }
    return s.result;
}

void NotifyWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    uint32_t tid = GetWindowThreadProcessId(hwnd, nullptr);
    if (!tid) return;
    if (tid == ThisThread())
        CallWindow(hwnd, message, wParam, lParam, false);
    else
        PostMessage(hwnd, message, wParam, lParam);
}

bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!hwnd) return PostThreadMessage(ThisThread(), message, wParam, lParam);
    auto l = Lock();
    DesktopState& d = Desk();
    WindowData* w = d.Find(hwnd);
    if (!w || w->destroying) {
        SetLastError(1400);
        return false;
    }
    auto it = d.queues.find(w->threadId);
    if (it == d.queues.end() || !it->second->alive) return false;
    it->second->posted.push_back(MakeMsg(hwnd, message, wParam, lParam));
    it->second->wake.notify_all();
    return true;
}

bool PostThreadMessage(uint32_t threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    auto l = Lock();
    DesktopState& d = Desk();
    if (threadId == ThisThread()) OwnQueue();
    auto it = d.queues.find(threadId);
    if (it == d.queues.end() || !it->second->alive) {
        SetLastError(1444);  // the system's "invalid thread identifier"
        return false;
    }
    it->second->posted.push_back(MakeMsg(nullptr, message, wParam, lParam));
    it->second->wake.notify_all();
    return true;
}

void PostQuitMessage(int exitCode) {
    auto l = Lock();
    ThreadQueue& q = OwnQueue();
    q.quitPosted = true;
    q.quitCode = exitCode;
    q.wake.notify_all();
}

// --- Receiving ---------------------------------------------------------------------------

bool GetMessage(MSG& msg, HWND filter, UINT minMessage, UINT maxMessage) {
    auto l = Lock();
    DesktopState& d = Desk();
    ThreadQueue& q = OwnQueue();
    for (;;) {
        HandleSentLocked(l, q);
        if (NextLocked(d, q, msg, filter, minMessage, maxMessage, true))
            return msg.message != WM_QUIT;
        if (!q.sent.empty()) continue;
        if (g_manual.load()) {
            if (!AskIdle(l)) {
                // Stopped by the idle hook: no message, and no WM_QUIT either.
                msg = MSG();
                return false;
            }
            continue;
        }
        WaitLocked(l, d, q, 0, false);
    }
}

bool PeekMessage(MSG& msg, HWND filter, UINT minMessage, UINT maxMessage, UINT options) {
    auto l = Lock();
    ThreadQueue& q = OwnQueue();
    HandleSentLocked(l, q);
    return NextLocked(Desk(), q, msg, filter, minMessage, maxMessage, options & PM_REMOVE);
}

bool TranslateMessage(const MSG&) { return false; }

LRESULT DispatchMessage(const MSG& msg) {
    if (!msg.hwnd) return 0;
    return CallWindow(msg.hwnd, msg.message, msg.wParam, msg.lParam, msg.message != WM_PAINT);
}

bool WaitMessage(uint32_t timeoutMs) {
    auto l = Lock();
    DesktopState& d = Desk();
    ThreadQueue& q = OwnQueue();
    uint64_t deadline = RealNow() + (timeoutMs == 0xFFFFFFFF ? 0 : timeoutMs);
    bool idleAsked = false;
    for (;;) {
        HandleSentLocked(l, q);
        MSG m;
        if (NextLocked(d, q, m, nullptr, 0, 0, false)) return true;
        if (!q.sent.empty()) continue;
        if (g_manual.load() && timeoutMs == 0xFFFFFFFF) {
            // The clock stands still: only the idle hook can bring something.
            if (idleAsked || !AskIdle(l)) return false;
            idleAsked = true;
            continue;
        }
        if (timeoutMs != 0xFFFFFFFF && RealNow() >= deadline) return false;
        WaitLocked(l, d, q, deadline, timeoutMs != 0xFFFFFFFF);
    }
}

bool PumpWaitingMessages() {
    MSG msg;
    while (PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));
            return false;
        }
        TranslateMessage(msg);
        DispatchMessage(msg);
    }
    return true;
}

// --- Timers ------------------------------------------------------------------------------

uintptr_t SetTimer(HWND hwnd, uintptr_t id, uint32_t elapseMs) {
    auto l = Lock();
    DesktopState& d = Desk();
    OwnQueue();
    uint32_t period = std::max<uint32_t>(elapseMs, 10);  // the system's minimum
    if (hwnd) {
        WindowData* w = d.Find(hwnd);
        if (!w || w->threadId != ThisThread()) {
            SetLastError(1400);
            return 0;
        }
        for (auto& t : d.timers)
            if (t.hwnd == hwnd && t.id == id) {
                t.period = period;
                t.due = ClockNow() + period;
                return id ? id : 1;
            }
    } else {
        id = d.nextThreadTimer++;
    }
    TimerData t;
    t.hwnd = hwnd;
    t.id = id;
    t.threadId = ThisThread();
    t.period = period;
    t.due = ClockNow() + period;
    d.timers.push_back(t);
    d.queues[ThisThread()]->wake.notify_all();
    return id ? id : 1;
}

bool KillTimer(HWND hwnd, uintptr_t id) {
    auto l = Lock();
    DesktopState& d = Desk();
    auto before = d.timers.size();
    std::erase_if(d.timers, [&](const TimerData& t) {
        return t.hwnd == hwnd && t.id == id && (hwnd || t.threadId == ThisThread());
    });
    return d.timers.size() != before;
}

void ForgetWindowTimersLocked(DesktopState& d, HWND h) {
    std::erase_if(d.timers, [h](const TimerData& t) { return t.hwnd == h; });
}

}  // namespace plat
