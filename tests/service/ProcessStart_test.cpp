// Command lines, starting programs and the real process table.
#include "platform/ProcessStart.h"

#include <gtest/gtest.h>

#include "platform/Error.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/ProcessTable.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/Time.h"
#include "platform/UserSession.h"

namespace {

using Args = std::vector<std::u16string>;

struct SplitCase {
    std::u16string line;
    Args args;
};

TEST(CommandLineToArgv, SplitsByTheSystemsRules) {
    const SplitCase cases[] = {
        {u"", {}},
        {u"  \t ", {}},
        {u"\"C:\\Program Files\\Q\\QuillnetM-PluginMonitor.exe\"",
         {u"C:\\Program Files\\Q\\QuillnetM-PluginMonitor.exe"}},
        {u"a  b\tc", {u"a", u"b", u"c"}},
        {u"\"a b\" c", {u"a b", u"c"}},
        {u"a\"b c\"d", {u"ab cd"}},
        {u"a\\b c\\\\d", {u"a\\b", u"c\\\\d"}},      // backslashes alone are literal
        {u"a\\\\\"b c\"", {u"a\\b c"}},              // 2n + quote: n, quote toggles
        {u"a\\\"b", {u"a\"b"}},                      // 2n+1 + quote: n and a quote
        {u"\"a\"\"b\"", {u"a\"b"}},                  // "" inside quotes
        {u"\"\"", {u""}},                            // an empty argument
        {u"\"$(touch x); y\"", {u"$(touch x); y"}},  // no shell ever reads it
    };
    for (const auto& c : cases)
        EXPECT_EQ(plat::CommandLineToArgv(c.line), c.args) << plat::Utf16ToUtf8(c.line);
}

TEST(QuoteArgument, RoundTripsThroughTheSplit) {
    const std::u16string args[] = {
        u"plain",   u"with blank",    u"",         u"quote\"inside",
        u"trail\\", u"trail blank\\", u"a\\\\\"b", u"/opt/x y/QuillnetM-PluginMonitor"};
    for (const auto& a : args) {
        for (bool always : {false, true}) {
            std::u16string quoted = plat::QuoteArgument(a, always);
            EXPECT_EQ(plat::CommandLineToArgv(quoted + u" next"), (Args{a, u"next"}))
                << plat::Utf16ToUtf8(quoted);
        }
    }
    EXPECT_EQ(plat::QuoteArgument(u"/opt/q/m", true), u"\"/opt/q/m\"");
    EXPECT_EQ(plat::QuoteArgument(u"/opt/q/m"), u"/opt/q/m");
}

// Copies the stand-in program into a fresh folder under `name`. The names are
// none the service watches for: its own test runs beside these.
class StandInFolder {
public:
    StandInFolder() { m_path = plat::MakeTempFolder(u"qnproc-"); }
    ~StandInFolder() { plat::DeleteTree(m_path); }
    std::u16string Copy(const std::u16string& name) {
        std::u16string to = plat::JoinPath(m_path, name);
        EXPECT_TRUE(plat::CopyFile(plat::Utf8ToUtf16(QN_STANDIN), to, false));
        EXPECT_TRUE(plat::MakeExecutable(to));
        return to;
    }
    const std::u16string& Path() const { return m_path; }

private:
    std::u16string m_path;
};

bool FindProcess(uint32_t pid, plat::ProcessEntry& out) {
    std::vector<plat::ProcessEntry> all;
    EXPECT_TRUE(plat::RealProcesses().Snapshot(all));
    for (const auto& p : all)
        if (p.pid == pid) {
            out = p;
            return true;
        }
    return false;
}

// Ends and waits for a child of this process.
void EndChild(uint32_t pid) {
    plat::TerminateProcess(pid);
    EXPECT_EQ(plat::WaitForProcess(pid, 10000), plat::WAIT_OBJECT_0);
}

TEST(CreateProcess, ReportsAMissingProgramItself) {
    plat::ProcessInformation info;
    plat::StartOptions options;
    EXPECT_FALSE(plat::CreateProcess({u"/nonexistent/OUTLOOK.EXE"}, options, info));
    EXPECT_EQ(plat::GetLastError(), plat::kErrorFileNotFound);
    options.detached = true;
    EXPECT_FALSE(plat::CreateProcess({u"qn-no-such-program-anywhere"}, options, info));
    EXPECT_EQ(plat::GetLastError(), plat::kErrorFileNotFound);
}

TEST(RealProcessTable, KnowsAProcessByItsFileNameAndByTheNameItWasStartedUnder) {
    StandInFolder folder;
    std::u16string mailer = folder.Copy(u"Mailer.EXE");
    plat::StartOptions own;
    own.newSession = true;
    plat::ProcessInformation copy, alias;
    ASSERT_TRUE(plat::CreateProcess({mailer}, own, copy));
    plat::StartOptions renamed;
    renamed.applicationName = plat::Utf8ToUtf16(QN_STANDIN);
    ASSERT_TRUE(plat::CreateProcess({u"Renamed.exe", u"--x"}, renamed, alias));

    plat::ProcessEntry self, a, b;
    ASSERT_TRUE(FindProcess(plat::CurrentProcessId(), self));
    ASSERT_TRUE(FindProcess(copy.processId, a));
    ASSERT_TRUE(FindProcess(alias.processId, b));
    EXPECT_EQ(a.exeName, u"Mailer.EXE");
    EXPECT_EQ(a.exePath, mailer);
    EXPECT_TRUE(a.HasName(u"mailer.exe"));
    EXPECT_EQ(a.sessionId, copy.processId);  // it leads a session of its own
    EXPECT_EQ(a.parentPid, plat::CurrentProcessId());
    EXPECT_EQ(a.uid, self.uid);
    EXPECT_FALSE(a.user.empty());
    EXPECT_EQ(b.exeName, plat::FileNameOf(plat::Utf8ToUtf16(QN_STANDIN)));
    EXPECT_TRUE(b.HasName(u"RENAMED.EXE"));
    EXPECT_FALSE(b.HasName(u"Mailer.EXE"));
    EXPECT_EQ(b.sessionId, self.sessionId);

    // Ended but not waited for: no longer listed as running.
    plat::TerminateProcess(copy.processId);
    plat::ProcessEntry gone;
    uint64_t until = plat::TickCount64() + 10000;
    while (FindProcess(copy.processId, gone) && plat::TickCount64() < until) plat::Sleep(10);
    EXPECT_FALSE(FindProcess(copy.processId, gone));
    EXPECT_EQ(plat::WaitForProcess(copy.processId, 10000), plat::WAIT_OBJECT_0);
    EndChild(alias.processId);
}

TEST(RealUserSessions, StartsDetachedAsTheSessionsUser) {
    StandInFolder folder;
    ASSERT_TRUE(plat::SetChildSubreaper(true));
    plat::StartOptions own;
    own.newSession = true;
    plat::ProcessInformation mail;
    ASSERT_TRUE(plat::CreateProcess({folder.Copy(u"Mailer.EXE")}, own, mail));

    plat::UserSessions& sessions = plat::RealUserSessions();
    plat::UserToken token, primary;
    ASSERT_TRUE(sessions.WTSQueryUserToken(mail.processId, token));
    plat::ProcessEntry self;
    ASSERT_TRUE(FindProcess(plat::CurrentProcessId(), self));
    EXPECT_EQ(token.identity.uid, self.uid);
    EXPECT_FALSE(token.home.empty());
    plat::ProcessInformation none;
    EXPECT_FALSE(sessions.CreateProcessAsUser(token, u"x", nullptr, none));  // not primary
    ASSERT_TRUE(sessions.DuplicateTokenEx(token, primary));
    plat::EnvironmentBlock env;
    ASSERT_TRUE(sessions.CreateEnvironmentBlock(primary, false, env));
    EXPECT_NE(std::find(env.begin(), env.end(), u"HOME=" + token.home), env.end());

    std::u16string monitor = folder.Copy(u"Started.exe");
    plat::ProcessInformation started;
    ASSERT_TRUE(
        sessions.CreateProcessAsUser(primary, plat::QuoteArgument(monitor, true), &env, started));
    plat::ProcessEntry m;
    ASSERT_TRUE(FindProcess(started.processId, m));
    EXPECT_EQ(m.exePath, monitor);
    EXPECT_EQ(m.sessionId, started.processId);  // detached: a session of its own

    EXPECT_FALSE(sessions.WTSQueryUserToken(0, token));
    plat::TerminateProcess(started.processId);
    plat::TerminateProcess(mail.processId);
    EXPECT_TRUE(plat::WaitForChildren(10000));
    plat::SetChildSubreaper(false);
}

TEST(CreateProcess, StartsAsAnotherUserWhenAllowed) {
    plat::ProcessEntry self;
    ASSERT_TRUE(FindProcess(plat::CurrentProcessId(), self));
    if (self.uid != 0) GTEST_SKIP() << "only the superuser can start as another user";
    StandInFolder folder;
    std::u16string program = folder.Copy(u"Mailer.EXE");
    ASSERT_TRUE(plat::MakeExecutable(folder.Path()));  // let the other user in
    plat::UserIdentity nobody{65534, 65534, u"nobody"};
    plat::StartOptions options;
    options.user = &nobody;
    plat::ProcessInformation info;
    ASSERT_TRUE(plat::CreateProcess({program}, options, info));
    plat::ProcessEntry p;
    ASSERT_TRUE(FindProcess(info.processId, p));
    EXPECT_EQ(p.uid, 65534u);
    EndChild(info.processId);
}

}  // namespace
