// Building both group trees when the address book window is shown
// (LoadGroupTrees): read, ordered by depth, inserted, companies found.
#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "BookGen.h"
#include "monitor/ContactDirectory.h"
#include "platform/File.h"
#include "platform/Path.h"

namespace {

// `groups` shared groups below three companies and a tenth as many private ones.
const std::u16string& DbFor(int groups) {
    static std::map<int, std::u16string> dbs;
    auto found = dbs.find(groups);
    if (found != dbs.end()) return found->second;
    std::u16string db = plat::JoinPath(plat::MakeTempFolder(u"qnbench-trees-"), u"Address.db");
    benchbook::StoredBooks(benchbook::MakeBook(0, size_t(groups)),
                           benchbook::MakeBook(0, size_t(groups / 10), 7), db);
    return dbs.emplace(groups, db).first->second;
}

void BM_LoadGroupTrees(benchmark::State& state) {
    CContactDirectory dir(DbFor(int(state.range(0))));
    for (auto _ : state) dir.LoadGroupTrees();
    state.counters["nodes"] = double(dir.Trees().nodes.size());
    state.counters["companies"] = double(dir.Trees().companies.size());
    state.SetComplexityN(state.range(0));
}

}  // namespace

BENCHMARK(BM_LoadGroupTrees)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

BENCHMARK_MAIN();
