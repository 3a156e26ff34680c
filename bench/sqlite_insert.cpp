// The sync writes a whole book as single-row inserts into contact_share. This
// measures 100,000 of them through CSqlite::Exec, once each in its own
// auto-committed statement (as the sync does) and once inside one transaction.
#include <benchmark/benchmark.h>

#include <string>

#include "monitor/Common/Sqlite.h"
#include "platform/File.h"
#include "platform/Format.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace {

constexpr int kRows = 100000;

std::u16string ContactInsert(int n) {
    return plat::Format(
        u"INSERT INTO contact_share(id,cg_id,call_number,call_time,name,alias,mobile,email,sex,"
        u"birthday,country,province,city,code,address,tel,fax,qq,msn,favorite,other,website,"
        u"company_name,company_department,company_post,company_country,company_province,"
        u"company_city,company_code,company_address,company_tel,company_fax,company_other,"
        u"company_website,family_country,family_province,family_city,family_code,family_address,"
        u"family_tel,family_fax,family_other,family_member,family_anniversary,remark,sortid) "
        u"VALUES(NULL,%lu,%lu,'%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s',"
        u"'%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s',"
        u"'%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s',%lu);",
        unsigned(n % 50 + 1), 0u, u"", plat::Format(u"联系人%d", n), u"",
        plat::Format(u"1380000%04d", n % 10000), plat::Format(u"user%d@corp.example", n), u"男",
        u"", u"中国", u"广东", u"深圳", u"518000", u"", u"", u"", u"", u"", u"", u"", u"", u"公司",
        u"研发部", u"工程师", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"",
        u"", u"", u"", u"", u"", u"", unsigned(n));
}

void RunInserts(benchmark::State& state, bool transaction) {
    std::u16string folder = plat::MakeTempFolder(u"qnbench-");
    std::u16string tmpl = plat::JoinPath(plat::Utf8ToUtf16(QN_PROGRAM_DIR), u"Address.db");
    std::u16string path = plat::JoinPath(folder, u"Address.db");
    std::vector<std::u16string> statements;
    statements.reserve(kRows);
    for (int i = 0; i < kRows; ++i) statements.push_back(ContactInsert(i));
    for (auto _ : state) {
        state.PauseTiming();
        if (!plat::CopyFile(tmpl, path, false)) {
            state.SkipWithError("template Address.db missing");
            break;
        }
        state.ResumeTiming();
        CSqlite db;
        if (db.Open(path) != 0) {
            state.SkipWithError("open failed");
            break;
        }
        if (transaction) db.Exec(u"BEGIN;");
        for (const auto& s : statements) {
            if (db.Exec(s) != 0) {
                state.SkipWithError("insert failed");
                break;
            }
        }
        if (transaction) db.Exec(u"COMMIT;");
        db.Close();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
    plat::DeleteTree(folder);
}

void BM_InsertAutoCommit(benchmark::State& state) { RunInserts(state, false); }
void BM_InsertOneTransaction(benchmark::State& state) { RunInserts(state, true); }

}  // namespace

BENCHMARK(BM_InsertAutoCommit)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_InsertOneTransaction)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
