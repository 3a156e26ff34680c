// A whole sign-in against mailsim on loopback: discovery from the SMTP greeting,
// the POP3 login over TLS with the certificate checked, the saved login, the
// last-login record and the account folder. It should take well under a second.
#include <benchmark/benchmark.h>

#include "monitor/Common/MailboxMatch.h"
#include "monitor/SignInCheck.h"
#include "platform/File.h"
#include "platform/Format.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "tests/support/Mailsim.h"
#include "tests/support/TestFolder.h"

namespace {

struct QuietView : CSignInView {
    void CloseServerSettings() override {}
    void EnableControls(bool) override {}
    void ShowStatus(std::u16string_view, std::u16string_view) override {}
};

struct CountingTarget : CSignInTarget {
    int syncs = 0;
    void SetSignInValues(const SignInValues&) override {}
    void SyncPersonal() override { ++syncs; }
};

void BM_SignInOverTls(benchmark::State& state) {
    qntest::Mailsim sim({"--account", "wang@quillnet.test=Secret-42"});
    if (!sim.Ok()) {
        state.SkipWithError("mailsim did not start");
        return;
    }
    qntest::TestFolder folder;
    const std::u16string bin = plat::Utf8ToUtf16(QN_PROGRAM_DIR);
    for (const char16_t* name : {u"login.db", u"Address.db"})
        plat::CopyFile(plat::JoinPath(bin, name), folder.Join(name), false);
    plat::CreateDirectory(folder.Join(u"conf"));
    plat::CreateDirectory(folder.Join(u"account"));
    const std::u16string ini = plat::JoinPath({folder.Path(), u"conf", u"server.ini"});
    auto set = [&ini](const char16_t* key, const std::u16string& value) {
        plat::WritePrivateProfileString(u"SRVSET", key, value, ini);
    };
    set(u"SmtpHost", u"127.0.0.1");
    set(u"SmtpPort", plat::Format(u"%d", sim.Port("smtp")));
    set(u"PopHost", u"localhost");
    set(u"PopPort", plat::Format(u"%d", sim.Port("pop3s")));
    plat::WritePrivateProfileString(u"common", u"cafile", plat::Utf8ToUtf16(sim.CaFile()),
                                    folder.Join(u"sysconfig.ini"));

    QuietView view;
    CountingTarget target;
    int failures = 0;
    for (auto _ : state) {
        CSignInCheck check(view, target);
        if (check.Run({u"wang@quillnet.test", u"Secret-42", true, false}) != kSignInStarted)
            ++failures;
    }
    if (failures) state.SkipWithError("a sign-in failed");
    state.counters["syncs"] = target.syncs;
}
BENCHMARK(BM_SignInOverTls)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
