// The sync reads a whole address book reply with CJsonValue. This parses a
// getAddresses reply (UTF-16, as the callbacks hand it over) and walks every
// node, reading each leaf's text, the way the result processing does.
//
// The reply comes from QN_JSON_REPLY (a UTF-8 file, see
// tools/gen/make_addresses_reply.py); bench/json_vs_python.sh makes one and
// compares with Python's json.loads.
//
// Memory is counted, not sampled: this program replaces the global operator
// new and delete and keeps the live and the peak number of heap bytes. The
// counters give the peak during parse and walk, with and without the UTF-16
// text itself, as a multiple of the text's size.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "monitor/Common/JsonValue.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Text.h"

namespace {

std::atomic<long long> g_liveBytes{0};
std::atomic<long long> g_peakBytes{0};

constexpr size_t kHeader = 16;  // keeps the caller's block aligned as malloc's

// Not inlined: the compiler must not pair these mallocs and frees with new and delete.
[[gnu::noinline]] void* CountedAlloc(size_t size) {
    void* block = std::malloc(size + kHeader);
    if (!block) return nullptr;
    *static_cast<size_t*>(block) = size;
    long long live =
        g_liveBytes.fetch_add(static_cast<long long>(size)) + static_cast<long long>(size);
    long long peak = g_peakBytes.load();
    while (live > peak && !g_peakBytes.compare_exchange_weak(peak, live)) {
    }
    return static_cast<char*>(block) + kHeader;
}

[[gnu::noinline]] void CountedFree(void* p) {
    if (!p) return;
    void* block = static_cast<char*>(p) - kHeader;
    g_liveBytes.fetch_sub(static_cast<long long>(*static_cast<size_t*>(block)));
    std::free(block);
}

}  // namespace

void* operator new(size_t size) {
    if (void* p = CountedAlloc(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    if (void* p = CountedAlloc(size)) return p;
    throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept { return CountedAlloc(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return CountedAlloc(size); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, size_t) noexcept { CountedFree(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { CountedFree(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { CountedFree(p); }

namespace {

struct WalkCount {
    size_t nodes = 0;
    size_t textChars = 0;
    long long numbers = 0;
};

// Every node: its kind and name; every leaf: its text (and a number's value);
// every object and array: its members. An explicit stack, so that the depth of
// the reply does not matter.
void Walk(const CJsonValue& root, WalkCount& count) {
    std::vector<const CJsonValue*> stack{&root};
    while (!stack.empty()) {
        const CJsonValue* v = stack.back();
        stack.pop_back();
        ++count.nodes;
        count.textChars += v->Name().size();
        int type = v->Type();
        if (type == CJsonValue::kObject || type == CJsonValue::kArray) {
            const auto& members = v->Members();
            for (auto it = members.rbegin(); it != members.rend(); ++it) stack.push_back(&*it);
        } else {
            count.textChars += v->AsString().size();
            if (type == CJsonValue::kNumber) count.numbers += v->AsInt();
        }
    }
}

const std::u16string* Reply() {
    static std::u16string text;
    static bool loaded = false;
    if (!loaded) {
        loaded = true;
        const char* path = std::getenv("QN_JSON_REPLY");
        std::string bytes;
        if (path && plat::ReadFile(plat::Utf8ToUtf16(path), bytes))
            plat::MultiByteToWide(plat::CP_UTF8, bytes, text);
    }
    return text.empty() ? nullptr : &text;
}

void BM_ParseAndWalkReply(benchmark::State& state) {
    const std::u16string* reply = Reply();
    if (!reply) {
        state.SkipWithError("set QN_JSON_REPLY to a getAddresses reply (bench/json_vs_python.sh)");
        return;
    }
    const double textBytes = double(reply->size() * sizeof(char16_t));
    WalkCount count;
    long long peakWithText = 0, peakReader = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::u16string text = *reply;  // the callers hand their converted text over
        long long before = g_liveBytes.load();
        g_peakBytes.store(before);
        state.ResumeTiming();

        count = WalkCount();
        {
            CJsonValue root = CJsonValue::Parse(std::move(text));
            Walk(root, count);
            benchmark::DoNotOptimize(count);
        }

        state.PauseTiming();
        long long peak = g_peakBytes.load();
        // `before` holds the text; the reader cleans it in place and keeps it.
        peakWithText = std::max(peakWithText, peak - before + (long long)textBytes);
        peakReader = std::max(peakReader, peak - before);
        state.ResumeTiming();
    }
    state.counters["nodes"] = double(count.nodes);
    state.counters["text_MB"] = textBytes / 1e6;
    state.counters["peak_x_text"] = double(peakWithText) / textBytes;
    state.counters["reader_x_text"] = double(peakReader) / textBytes;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(textBytes));
}

BENCHMARK(BM_ParseAndWalkReply)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
