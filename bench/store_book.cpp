// Storing a downloaded shared book, as the sync's callback does it: read the
// reply file, parse it and StoreShareBook. Measured beside the sqlite3 command
// inserting the same rows in one transaction (with the store's speed
// settings), and the peak memory of the store against the reply file's size.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <string>

#include "BookGen.h"
#include "monitor/AddressBookSync/StoreBook.h"
#include "monitor/AddressBookSync/SyncResult.h"
#include "platform/File.h"
#include "platform/Memory.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace {

struct Fixture {
    std::u16string folder, reply, sql, db;
    double replyBytes = 0;
};

// One reply file and one SQL file per size, made once.
const Fixture& FixtureFor(int contacts) {
    static std::map<int, Fixture> fixtures;
    auto found = fixtures.find(contacts);
    if (found != fixtures.end()) return found->second;
    Fixture f;
    f.folder = plat::MakeTempFolder(u"qnbench-store-");
    f.reply = plat::JoinPath(f.folder, u"httpg_1");
    f.sql = plat::JoinPath(f.folder, u"insert.sql");
    f.db = plat::JoinPath(f.folder, u"Address.db");
    {
        benchbook::Book book = benchbook::MakeBook(size_t(contacts), 40);
        std::string reply = benchbook::ShareReply(book);
        f.replyBytes = double(reply.size());
        plat::WriteFile(f.reply, reply);
        plat::WriteFile(f.sql, benchbook::ShareInsertSql(book));
    }
    return fixtures.emplace(contacts, f).first->second;
}

bool FreshDb(benchmark::State& state, const Fixture& f) {
    if (plat::CopyFile(benchbook::TemplateDb(), f.db, false)) return true;
    state.SkipWithError("template Address.db missing");
    return false;
}

void StoreOnce(const Fixture& f) {
    SyncReply reply;
    ReadSyncReply(f.reply, true, reply);
    StoreShareBook(reply.data, f.db, 1);
}

void BM_StoreShareBook(benchmark::State& state) {
    const Fixture& f = FixtureFor(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        if (!FreshDb(state, f)) break;
        state.ResumeTiming();
        StoreOnce(f);
    }
    state.counters["contacts"] = double(state.range(0));
    state.counters["reply_MB"] = f.replyBytes / 1e6;
}

void BM_Sqlite3CommandInsert(benchmark::State& state) {
    const Fixture& f = FixtureFor(int(state.range(0)));
    const std::string command =
        "sqlite3 '" + plat::NativePath(f.db) + "' < '" + plat::NativePath(f.sql) + "'";
    for (auto _ : state) {
        state.PauseTiming();
        if (!FreshDb(state, f)) break;
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("sqlite3 failed");
            break;
        }
    }
    state.counters["contacts"] = double(state.range(0));
}

// The growth of the resident size while one store runs, over the reply's size.
void BM_StorePeakMemory(benchmark::State& state) {
    const Fixture& f = FixtureFor(int(state.range(0)));
    double peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!FreshDb(state, f)) break;
        plat::TrimHeap();
        const double before = double(plat::ResidentBytes());
        if (!plat::ResetPeakResident()) {
            state.SkipWithError("peak resident size cannot be reset");
            break;
        }
        state.ResumeTiming();
        StoreOnce(f);
        state.PauseTiming();
        peak = std::max(peak, double(plat::PeakResidentBytes()) - before);
        state.ResumeTiming();
    }
    state.counters["peak_MB"] = peak / 1e6;
    state.counters["reply_MB"] = f.replyBytes / 1e6;
    state.counters["peak_per_reply"] = peak / f.replyBytes;
}

}  // namespace

BENCHMARK(BM_StoreShareBook)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sqlite3CommandInsert)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StorePeakMemory)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
