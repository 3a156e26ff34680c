// Queues, sends across threads, posts from workers, modal loops, timers on the
// hand-driven clock, hot keys, input state and painting requests.
#include <atomic>
#include <future>
#include <thread>

#include "desktop/DesktopTestSupport.h"
#include "platform/Sync.h"

using namespace plat;
using qntest::DesktopTest;
using qntest::ScriptedWindow;

namespace {

constexpr UINT kAsk = WM_USER + 1, kCallBack = WM_USER + 2, kStop = WM_USER + 3;

// A thread with a window of its own that pumps until told to stop.
class WorkerWindowThread {
public:
    explicit WorkerWindowThread(ScriptedWindow::Handler handler) {
        std::promise<HWND> ready;
        auto f = ready.get_future();
        m_thread = std::thread([this, handler, &ready] {
            ScriptedWindow w([handler](UINT m, WPARAM wp, LPARAM lp, LRESULT& r) {
                if (m == kStop) {
                    PostQuitMessage(0);
                    return true;
                }
                return handler ? handler(m, wp, lp, r) : false;
            });
            m_threadId = CurrentThreadId();
            ready.set_value(w.MakeTop(u"Worker"));
            MSG msg;
            while (GetMessage(msg)) DispatchMessage(msg);
        });
        m_hwnd = f.get();
    }
    ~WorkerWindowThread() {
        PostMessage(m_hwnd, kStop);
        m_thread.join();
    }
    HWND Hwnd() const { return m_hwnd; }
    uint32_t ThreadId() const { return m_threadId; }

private:
    std::thread m_thread;
    HWND m_hwnd = nullptr;
    std::atomic<uint32_t> m_threadId{0};
};

}  // namespace

TEST_F(DesktopTest, SendToAnotherThreadRunsThereAndTheWaitingSenderStillHandlesSends) {
    ScriptedWindow mine([](UINT m, WPARAM w, LPARAM, LRESULT& r) {
        if (m != kCallBack) return false;
        r = LRESULT(w) * 10;
        return true;
    });
    HWND me = mine.MakeTop(u"Mine");
    std::atomic<uint32_t> ranOn{0};
    WorkerWindowThread worker([&](UINT m, WPARAM w, LPARAM, LRESULT& r) {
        if (m != kAsk) return false;
        ranOn = CurrentThreadId();
        // Sending back to the first thread while it waits in its own send.
        r = SendMessage(me, kCallBack, w + 1) + 1;
        return true;
    });
    EXPECT_EQ(SendMessage(worker.Hwnd(), kAsk, 4), 51);
    EXPECT_EQ(ranOn.load(), worker.ThreadId());
    EXPECT_NE(ranOn.load(), CurrentThreadId());
    ASSERT_EQ(mine.CountMessages(kCallBack), 1u);
    EXPECT_FALSE(mine.Last(kCallBack).posted);
}

TEST_F(DesktopTest, PostsFromManyWorkersArriveOnceEachInPerThreadOrder) {
    ScriptedWindow w;
    HWND h = w.MakeTop(u"Sink");
    constexpr int kThreads = 4, kEach = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([h, t] {
            for (int i = 0; i < kEach; ++i) PostMessage(h, kAsk, WPARAM(t), i);
        });
    for (auto& t : threads) t.join();
    EXPECT_TRUE(PumpWaitingMessages());
    ASSERT_EQ(w.CountMessages(kAsk), size_t(kThreads * kEach));
    std::vector<LPARAM> last(kThreads, -1);
    for (const auto& m : w.Messages()) {
        if (m.message != kAsk) continue;
        EXPECT_TRUE(m.posted);
        EXPECT_EQ(m.lParam, last[m.wParam] + 1);
        last[m.wParam] = m.lParam;
    }
}

TEST_F(DesktopTest, ThreadMessagesQuitAndPostsToGoneWindows) {
    ASSERT_TRUE(PostThreadMessage(CurrentThreadId(), kAsk, 9, 8));
    PostQuitMessage(3);
    MSG msg;
    ASSERT_TRUE(GetMessage(msg));
    EXPECT_EQ(msg.message, kAsk);
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(msg.wParam, 9u);
    EXPECT_FALSE(GetMessage(msg));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);

    ScriptedWindow w;
    HWND h = w.MakeTop(u"Gone");
    PostMessage(h, kAsk);
    w.DestroyWindow();
    EXPECT_FALSE(PostMessage(h, kAsk));
    EXPECT_FALSE(PeekMessage(msg));  // the queued one went with the window
    EXPECT_EQ(SendMessage(h, kAsk), 0);
    EXPECT_FALSE(PostThreadMessage(0x7FFFFFF0, kAsk));  // no such thread
}

TEST_F(DesktopTest, ModalLoopEndsWithItsResultAndWmQuitEndsItWithMinusOne) {
    ScriptedWindow w;
    w.SetHandler([&w](UINT m, WPARAM wp, LPARAM, LRESULT&) {
        if (m == kAsk) w.EndModalLoop(INT_PTR(wp));
        return false;
    });
    HWND h = w.MakeTop(u"Modal");
    PostMessage(h, WM_USER + 9);
    PostMessage(h, kAsk, 7);
    EXPECT_EQ(w.RunModalLoop(), 7);
    EXPECT_EQ(w.CountMessages(WM_USER + 9), 1u);
    EXPECT_FALSE(w.InModalLoop());

    PostQuitMessage(5);
    EXPECT_EQ(w.RunModalLoop(), -1);
    MSG msg;
    ASSERT_TRUE(PeekMessage(msg));  // posted again for the outer loop
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
}

TEST_F(DesktopTest, TimersFireOnTheHandDrivenClockWithoutPilingUp) {
    SetManualClock(0);
    ScriptedWindow w;
    HWND h = w.MakeTop(u"Timed", u"", WS_POPUP);  // hidden: no paint in the way
    ASSERT_EQ(SetTimer(h, 4, 1000), 4u);
    MSG msg;
    EXPECT_FALSE(PeekMessage(msg));
    AdvanceClock(999);
    EXPECT_FALSE(PeekMessage(msg));
    AdvanceClock(1);
    ASSERT_TRUE(PeekMessage(msg));
    EXPECT_EQ(msg.message, UINT(WM_TIMER));
    EXPECT_EQ(msg.wParam, 4u);
    EXPECT_FALSE(PeekMessage(msg));
    // Five periods pass while nobody looks: one WM_TIMER, not five.
    AdvanceClock(5000);
    EXPECT_TRUE(PeekMessage(msg));
    EXPECT_FALSE(PeekMessage(msg));
    // Posted messages come before a due timer.
    AdvanceClock(1000);
    PostMessage(h, kAsk);
    ASSERT_TRUE(PeekMessage(msg));
    EXPECT_EQ(msg.message, kAsk);
    ASSERT_TRUE(PeekMessage(msg));
    EXPECT_EQ(msg.message, UINT(WM_TIMER));
    EXPECT_TRUE(KillTimer(h, 4));
    EXPECT_FALSE(KillTimer(h, 4));
    AdvanceClock(5000);
    EXPECT_FALSE(PeekMessage(msg));
}

TEST_F(DesktopTest, AnIdleModalLoopAdvancesTheClockToItsTimersAndStopsWithoutThem) {
    SetManualClock(0);
    std::vector<std::pair<uintptr_t, uint64_t>> ticks;
    ScriptedWindow w;
    w.SetHandler([&](UINT m, WPARAM id, LPARAM, LRESULT&) {
        if (m != WM_TIMER) return false;
        ticks.emplace_back(id, ClockNow());
        if (id == 1) KillTimer(w.Handle(), 1);
        if (ticks.size() == 4) w.EndModalLoop(IDOK);
        return true;
    });
    HWND h = w.MakeTop(u"Timed");
    SetTimer(h, 1, 1500);
    SetTimer(h, 2, 1000);
    EXPECT_EQ(w.RunModalLoop(), IDOK);
    std::vector<std::pair<uintptr_t, uint64_t>> expected{
        {2, 1000}, {1, 1500}, {2, 2000}, {2, 3000}};
    EXPECT_EQ(ticks, expected);

    // Nothing left to wait for: the idle default stops the loop.
    KillTimer(h, 2);
    EXPECT_EQ(w.RunModalLoop(), -1);
    MSG msg;
    EXPECT_FALSE(PeekMessage(msg));  // a stop is not a WM_QUIT

    // A scripted idle hook drives the loop step by step.
    int step = 0;
    SetIdleHook([&]() {
        ++step;
        if (step == 1) PostMessage(h, kAsk);
        if (step == 2) w.EndModalLoop(9);
        return step < 3;
    });
    w.SetHandler({});
    EXPECT_EQ(w.RunModalLoop(), 9);
    EXPECT_EQ(w.CountMessages(kAsk), 1u);
}

TEST_F(DesktopTest, HotKeysAreGlobalAndATakenCombinationFails) {
    ScriptedWindow a, b;
    HWND ha = a.MakeTop(u"A"), hb = b.MakeTop(u"B");
    ASSERT_TRUE(RegisterHotKey(ha, 2052, MOD_CONTROL | MOD_ALT, 'K'));
    EXPECT_FALSE(RegisterHotKey(hb, 1, MOD_CONTROL | MOD_ALT, 'K'));
    EXPECT_FALSE(RegisterHotKey(ha, 2052, MOD_SHIFT, 'K'));  // id already in use on that window
    EXPECT_TRUE(RegisterHotKey(hb, 1, MOD_CONTROL, 'K'));    // another combination
    EXPECT_FALSE(PressHotKey(MOD_ALT, 'K'));
    ASSERT_TRUE(PressHotKey(MOD_CONTROL | MOD_ALT, 'K'));
    PumpWaitingMessages();
    ASSERT_EQ(a.CountMessages(WM_HOTKEY), 1u);
    auto m = a.Last(WM_HOTKEY);
    EXPECT_EQ(m.wParam, 2052u);
    EXPECT_EQ(m.lParam, MAKELPARAM(MOD_CONTROL | MOD_ALT, 'K'));
    EXPECT_TRUE(UnregisterHotKey(ha, 2052));
    EXPECT_FALSE(UnregisterHotKey(ha, 2052));
    EXPECT_TRUE(RegisterHotKey(hb, 2, MOD_CONTROL | MOD_ALT, 'K'));
    // A destroyed window's hot key is freed.
    b.DestroyWindow();
    EXPECT_TRUE(RegisterHotKey(ha, 3, MOD_CONTROL | MOD_ALT, 'K'));
}

TEST_F(DesktopTest, TheForegroundLockYieldsOnlyToAttachedInput) {
    ScriptedWindow mine;
    HWND me = mine.MakeTop(u"Mine");
    WorkerWindowThread other({});
    ASSERT_TRUE(SetForegroundWindow(other.Hwnd()));
    EXPECT_EQ(GetForegroundWindow(), other.Hwnd());
    SetForegroundLock(true);
    EXPECT_FALSE(SetForegroundWindow(me));
    EXPECT_EQ(GetForegroundWindow(), other.Hwnd());
    ASSERT_TRUE(AttachThreadInput(other.ThreadId(), CurrentThreadId(), true));
    EXPECT_TRUE(SetForegroundWindow(me));
    EXPECT_TRUE(AttachThreadInput(other.ThreadId(), CurrentThreadId(), false));
    EXPECT_EQ(GetForegroundWindow(), me);
    EXPECT_EQ(FindWindow(nullptr, nullptr), me);  // raised to the top
    EXPECT_EQ(mine.CountMessages(WM_ACTIVATE), 1u);
    // A child asked to the front brings its top-level window.
    ScriptedWindow child;
    HWND c = child.MakeChild(me, u"Child");
    EXPECT_TRUE(SetForegroundWindow(c));
    EXPECT_EQ(GetForegroundWindow(), me);
}

TEST_F(DesktopTest, CaptureChangeTellsTheWindowThatLosesIt) {
    ScriptedWindow a, b;
    HWND ha = a.MakeTop(u"A"), hb = b.MakeTop(u"B");
    EXPECT_EQ(SetCapture(ha), nullptr);
    EXPECT_EQ(SetCapture(hb), ha);
    ASSERT_EQ(a.CountMessages(WM_CAPTURECHANGED), 1u);
    EXPECT_EQ(a.Last(WM_CAPTURECHANGED).lParam, reinterpret_cast<LPARAM>(hb));
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(b.CountMessages(WM_CAPTURECHANGED), 1u);
    SetCapture(ha);
    a.DestroyWindow();
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(DesktopTest, PaintComesWhenTheQueueIsOtherwiseEmptyAndOnlyOnceForManyInvalidations) {
    ScriptedWindow w;
    HWND h = w.MakeTop(u"Painted");
    PumpWaitingMessages();  // the first paint after creation
    int before = GetPaintCount(h);
    PostMessage(h, kAsk);
    InvalidateRect(h, nullptr, true);
    RECT part{10, 10, 20, 20};
    InvalidateRect(h, &part, false);
    MSG msg;
    ASSERT_TRUE(PeekMessage(msg));
    EXPECT_EQ(msg.message, kAsk);
    ASSERT_TRUE(PeekMessage(msg));
    EXPECT_EQ(msg.message, UINT(WM_PAINT));
    DispatchMessage(msg);
    EXPECT_FALSE(PeekMessage(msg));
    EXPECT_EQ(GetPaintCount(h), before + 1);
    EXPECT_EQ(w.CountMessages(WM_ERASEBKGND), 2u);  // creation paint and this one asked to erase
    // A hidden window is not painted until it shows.
    ShowWindow(h, SW_HIDE);
    InvalidateRect(h, nullptr, false);
    EXPECT_FALSE(PeekMessage(msg));
    ShowWindow(h, SW_SHOW);
    EXPECT_TRUE(PeekMessage(msg));
}

TEST_F(DesktopTest, AnIdleHookCanWaitForAWorkersPostWhileTheClockStandsStill) {
    SetManualClock(0);
    ScriptedWindow w;
    w.SetHandler([&w](UINT m, WPARAM wp, LPARAM, LRESULT&) {
        if (m != kAsk) return false;
        w.EndModalLoop(INT_PTR(wp));
        return true;
    });
    HWND h = w.MakeTop(u"Waiting", u"", WS_POPUP);
    SetTimer(h, 1, 1000);  // a timer that must not race ahead while we wait
    std::promise<void> go;
    std::thread worker([h, f = go.get_future()]() mutable {
        f.wait();
        PostMessage(h, kAsk, 42);
    });
    int waits = 0;
    SetIdleHook([&]() {
        if (waits++ == 0) go.set_value();
        return WaitMessage(10000);
    });
    EXPECT_EQ(w.RunModalLoop(), 42);
    worker.join();
    EXPECT_EQ(ClockNow(), 0u);
    EXPECT_EQ(w.CountMessages(WM_TIMER), 0u);
}
