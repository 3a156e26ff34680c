// One keystroke in the address book's search box over both books: the two
// statements and the presentation of what they find (sort keys, order, rows),
// as CContactDirectory runs them. Measured beside the sqlite3 command running
// the two bare statements on the same file, and beside the same statements
// stepped through in this process without reading a column.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <string>

#include "BookGen.h"
#include "monitor/Common/Sqlite.h"
#include "monitor/ContactDirectory.h"
#include "platform/File.h"
#include "platform/Format.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace {

constexpr size_t kPrivateContacts = 2000;

// A common surname, and a text in every shared address.
const char16_t* const kTexts[] = {u"王", u"user"};

// The program folder, with account\ACCOUNT\Address.db, per number of shared
// contacts.
const std::u16string& FolderFor(int sharedContacts) {
    static std::map<int, std::u16string> folders;
    auto found = folders.find(sharedContacts);
    if (found != folders.end()) return found->second;
    std::u16string folder = plat::MakeTempFolder(u"qnbench-search-");
    plat::SetProgramFolder(folder);
    std::u16string db = AddressDbPathOf(u"bench@yunfan.example.com");
    plat::CreateDirectories(plat::FolderOf(db));
    benchbook::StoredBooks(benchbook::MakeBook(size_t(sharedContacts), 40),
                           benchbook::MakeBook(kPrivateContacts, 8, 7), db);
    return folders.emplace(sharedContacts, folder).first->second;
}

std::u16string DbFor(int sharedContacts) {
    plat::SetProgramFolder(FolderFor(sharedContacts));
    return AddressDbPathOf(u"bench@yunfan.example.com");
}

// The two statements of search mode 0 for the text.
std::u16string Statements(std::u16string_view text) {
    return plat::Format(
        u"select cg_id,id,name,email,mobile from contact_self where (email like '%%%s%%' ESCAPE "
        u"'/' or name like '%%%s%%' ESCAPE '/') order by name asc;\n"
        u"select cg_id,id,name,email,mobile,sortid from contact_share where (email like "
        u"'%%%s%%' ESCAPE '/' or name like '%%%s%%' ESCAPE '/') order by name asc;\n",
        text, text, text, text);
}

void BM_SearchKeystroke(benchmark::State& state) {
    CContactDirectory dir(DbFor(int(state.range(0))));
    dir.LoadGroupTrees();
    const char16_t* text = kTexts[state.range(1)];
    int found = 0;
    for (auto _ : state) found = dir.OnEnChangeEditSearch(text, true, kSearchAll);
    state.counters["found"] = found;
}

void BM_Sqlite3CommandSelect(benchmark::State& state) {
    const std::u16string db = DbFor(int(state.range(0)));
    const std::u16string sql = plat::JoinPath(plat::FolderOf(db), u"search.sql");
    plat::WriteFile(sql, plat::Utf16ToUtf8(Statements(kTexts[state.range(1)])));
    const std::string command =
        "sqlite3 '" + plat::NativePath(db) + "' < '" + plat::NativePath(sql) + "' > /dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("sqlite3 failed");
            break;
        }
    }
}

void BM_BareSelectInProcess(benchmark::State& state) {
    const std::u16string db = DbFor(int(state.range(0)));
    const std::u16string text = kTexts[state.range(1)];
    const std::u16string statements = Statements(text);
    const size_t split = statements.find(u'\n') + 1;
    const std::u16string first = statements.substr(0, split), second = statements.substr(split);
    int rows = 0;
    for (auto _ : state) {
        rows = 0;
        CSqlite store;
        store.Open(db);
        for (const std::u16string* s : {&first, &second}) {
            if (store.Query(*s) != 0) continue;
            while (store.Step() == 0) ++rows;
            store.Finalize();
        }
        store.Close();
    }
    state.counters["found"] = rows;
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (int text : {0, 1})
        for (int n : {1000, 10000, 100000}) b->Args({n, text});
    b->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_SearchKeystroke)->Apply(Sizes);
BENCHMARK(BM_Sqlite3CommandSelect)->Apply(Sizes);
BENCHMARK(BM_BareSelectInProcess)->Apply(Sizes);

BENCHMARK_MAIN();
