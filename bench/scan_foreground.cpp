// The compose-window scan runs every second: with the same window in front it
// must cost one foreground query and nothing else (no allocation, no log
// line); detection on a compose window with 500 children stays in the
// microseconds.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "monitor/Common/Log.h"
#include "monitor/ComposeDetect.h"
#include "monitor/ProcessInfo.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/desktop/SimProcesses.h"

namespace {

std::atomic<uint64_t> g_allocations{0};

}  // namespace

// Every allocation of the program is counted; kept out of line so that the
// compiler does not pair an inlined malloc with a delete expression.
__attribute__((noinline)) void* operator new(std::size_t n) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
__attribute__((noinline)) void* operator new[](std::size_t n) { return operator new(n); }
__attribute__((noinline)) void operator delete(void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void* p, std::size_t) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete[](void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace plat;

// A program folder with the monitor's log, and the simulated processes.
struct Scene {
    std::u16string folder = MakeTempFolder(u"qnbench-");
    SimDesktopProcesses procs;
    uint32_t outlook = procs.Add(u"OUTLOOK.EXE");
    Scene() {
        SetProgramFolder(folder);
        OpenLog();
        SetVersionResource(u"OUTLOOK.EXE", {15, 0, 4420, 1017});
        ResetComposeDetection();
        ResetProcessNameCache();
    }
    ~Scene() {
        ResetComposeDetection();
        ResetDesktop();
        CloseLog();
        DeleteTree(folder);
    }
    HWND Make(HWND parent, const char16_t* cls, const char16_t* title) {
        return CreateWindowEx(0, cls, title, (parent ? WS_CHILD : WS_POPUP) | WS_VISIBLE, 0, 0, 100,
                              20, parent, 0, outlook);
    }
    // An Outlook compose window whose envelope holds `fillers` other children
    // before its "To" button.
    HWND Outlook(int fillers) {
        HWND top = Make(nullptr, u"rctrl_renwnd32", u"未命名 - 邮件 (HTML) ");
        HWND a1 = Make(top, u"AfxWndW", u"");
        HWND a2 = Make(a1, u"AfxWndW", u"");
        HWND d = Make(a2, u"#32770", u"");
        for (int i = 0; i < fillers; ++i) Make(d, u"Static", u"");
        Make(d, u"Button", u"收件人...");
        return top;
    }
};

struct NoAttach : IButtonAttacher {
    int calls = 0;
    void AttachButton(int, HWND, HWND, int, int) override { ++calls; }
};

void BM_ScanForegroundUnchanged(benchmark::State& state) {
    Scene scene;
    NoAttach attach;
    SetButtonAttacher(&attach);
    HWND top = scene.Outlook(0);
    SetForegroundWindow(top);
    ScanForeground();  // the first look: detects, attaches, logs
    int64_t logBefore = FileSize(JoinPath(scene.folder, u"ABMonitor_log.txt"));
    uint64_t queries = ForegroundQueryCount();
    uint64_t allocations = g_allocations.load();
    for (auto _ : state) ScanForeground();
    double n = double(state.iterations());
    state.counters["queries/scan"] = double(ForegroundQueryCount() - queries) / n;
    state.counters["allocs/scan"] = double(g_allocations.load() - allocations) / n;
    state.counters["log bytes"] =
        double(FileSize(JoinPath(scene.folder, u"ABMonitor_log.txt")) - logBefore);
    state.counters["attaches"] = attach.calls;
    SetButtonAttacher(nullptr);
}
BENCHMARK(BM_ScanForegroundUnchanged);

// Detection of a new foreground window, log lines included.
void BM_DetectForScan(benchmark::State& state) {
    Scene scene;
    HWND top = scene.Outlook(int(state.range(0)));
    int found = 0;
    for (auto _ : state) found += DetectForScan(top).kind == 8;
    if (found != int(state.iterations())) state.SkipWithError("not detected");
}
BENCHMARK(BM_DetectForScan)->Arg(0)->Arg(500)->Unit(benchmark::kMicrosecond);

void BM_DetectForHotKey(benchmark::State& state) {
    Scene scene;
    HWND top = scene.Outlook(int(state.range(0)));
    int found = 0;
    for (auto _ : state) found += DetectForHotKey(top, u"OUTLOOK.EXE").kind == 8;
    if (found != int(state.iterations())) state.SkipWithError("not detected");
}
BENCHMARK(BM_DetectForHotKey)->Arg(0)->Arg(500)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
