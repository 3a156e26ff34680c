// The watch pass over hand-made process lists.
#include <gtest/gtest.h>

#include "ServiceFixture.h"
#include "platform/ProcessStart.h"

namespace {

using qntest::ServiceTest;

struct Proc {
    std::u16string name;
    uint32_t session;
};

struct WatchCase {
    const char* what;
    std::vector<Proc> processes;
    size_t starts;            // monitor starts after one pass
    uint32_t queriedSession;  // the session whose user token was asked for
};

void PrintTo(const WatchCase& c, std::ostream* os) { *os << c.what; }

class WatchPassTest : public ServiceTest, public ::testing::WithParamInterface<WatchCase> {};

const char16_t kMonitor[] = u"QuillnetM-PluginMonitor";

TEST_P(WatchPassTest, StartsTheMonitorOnlyWhenAMailProgramRunsWithoutOne) {
    const WatchCase& c = GetParam();
    sessions.SetUser(1, u"alice");
    sessions.SetUser(2, u"bob");
    for (const auto& p : c.processes)
        table.Add(p.name == kMonitor ? p.name + plat::kExecutableSuffix : p.name, p.session);

    service.WatchPass();

    auto starts = sessions.Starts();
    ASSERT_EQ(starts.size(), c.starts) << c.what;
    if (c.starts) {
        EXPECT_EQ(sessions.QueriedSessions(), std::vector<uint32_t>{c.queriedSession}) << c.what;
        EXPECT_EQ(starts[0].token.sessionId, c.queriedSession);
        EXPECT_EQ(starts[0].commandLine, u"\"" + MonitorPath() + u"\"");
        EXPECT_EQ(LogTexts(), std::vector<std::string>{"CreateProcessAsUser success\r\n"});
    } else {
        EXPECT_TRUE(sessions.QueriedSessions().empty()) << c.what;
        EXPECT_TRUE(LogTexts().empty()) << c.what;  // a pass that starts nothing is silent
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WatchPassTest,
    ::testing::Values(
        WatchCase{"Outlook with the shell", {{u"explorer.exe", 1}, {u"OUTLOOK.EXE", 1}}, 1, 1},
        WatchCase{
            "names without regard to case", {{u"EXPLORER.EXE", 1}, {u"outlook.exe", 1}}, 1, 1},
        WatchCase{"Foxmail", {{u"explorer.exe", 1}, {u"Foxmail.exe", 1}}, 1, 1},
        WatchCase{"FlashMail", {{u"explorer.exe", 1}, {u"FlashMail.exe", 1}}, 1, 1},
        WatchCase{"Outlook Express", {{u"explorer.exe", 1}, {u"msimn.exe", 1}}, 1, 1},
        WatchCase{"monitor already runs in another user's session",
                  {{u"explorer.exe", 1}, {kMonitor, 2}, {u"OUTLOOK.EXE", 1}},
                  0,
                  0},
        WatchCase{"monitor listed last",
                  {{u"OUTLOOK.EXE", 1}, {u"explorer.exe", 1}, {kMonitor, 1}},
                  0,
                  0},
        WatchCase{"no shell: nobody logged on", {{u"OUTLOOK.EXE", 1}}, 0, 0},
        WatchCase{"Word alone", {{u"explorer.exe", 1}, {u"WINWORD.EXE", 1}}, 0, 0},
        WatchCase{"no mail program", {{u"explorer.exe", 1}, {u"notepad.exe", 1}}, 0, 0},
        WatchCase{
            "two sessions: the last listed wins",
            {{u"explorer.exe", 1}, {u"OUTLOOK.EXE", 1}, {u"explorer.exe", 2}, {u"Foxmail.exe", 2}},
            1,
            2},
        WatchCase{"two sessions the other way round",
                  {{u"Foxmail.exe", 2}, {u"explorer.exe", 2}, {u"OUTLOOK.EXE", 1}},
                  1,
                  1}));

TEST_F(ServiceTest, MailProgramWhoseSessionCannotBeReadDoesNotCount) {
    struct Unreadable : plat::ProcessSource {
        bool Snapshot(std::vector<plat::ProcessEntry>& out) override {
            plat::ProcessEntry shell, mail;
            shell.exeName = u"explorer.exe";
            shell.sessionId = 1;
            mail.exeName = u"OUTLOOK.EXE";
            mail.sessionId = 1;
            mail.sessionKnown = false;
            out = {shell, mail};
            return true;
        }
    } unreadable;
    plat::SetProcessSource(&unreadable);
    sessions.SetUser(1, u"alice");
    service.WatchPass();
    EXPECT_TRUE(sessions.Starts().empty());
    EXPECT_EQ(service.TargetSessionId(), 0u);
}

TEST_F(ServiceTest, MonitorGetsTheUsersTokenAndEnvironment) {
    sessions.SetUser(3, u"carol", 1003);
    table.Add(u"explorer.exe", 3);
    table.Add(u"OUTLOOK.EXE", 3);
    service.WatchPass();
    auto starts = sessions.Starts();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].token.identity.user, u"carol");
    EXPECT_TRUE(starts[0].token.primary);
    ASSERT_TRUE(starts[0].hasEnvironment);
    // Built without the service's own variables.
    EXPECT_EQ(starts[0].environment, (plat::EnvironmentBlock{u"HOME=/home/carol", u"USER=carol"}));
}

TEST_F(ServiceTest, StartedMonitorIsLeftAloneAndStartedAgainAfterItEnds) {
    sessions.SetUser(1, u"alice");
    table.Add(u"explorer.exe", 1);
    table.Add(u"OUTLOOK.EXE", 1);
    uint32_t monitorPid = 0;
    sessions.OnStart([&](const plat::SimUserSessions::Start& s) {
        monitorPid = table.Add(u"QuillnetM-PluginMonitor" + std::u16string(plat::kExecutableSuffix),
                               s.token.sessionId);
    });
    service.WatchPass();
    service.WatchPass();
    EXPECT_EQ(sessions.Starts().size(), 1u);

    table.Remove(monitorPid);  // the monitor crashed or was closed
    service.WatchPass();
    EXPECT_EQ(sessions.Starts().size(), 2u);
}

TEST_F(ServiceTest, ClosedMailProgramsLeaveTheMonitorAloneAndEndTheStarts) {
    sessions.SetUser(1, u"alice");
    table.Add(u"explorer.exe", 1);
    uint32_t outlook = table.Add(u"OUTLOOK.EXE", 1);
    service.WatchPass();
    ASSERT_EQ(sessions.Starts().size(), 1u);
    table.Remove(outlook);
    service.WatchPass();
    service.WatchPass();
    EXPECT_EQ(sessions.Starts().size(), 1u);
    // The session of the last mail program seen is kept.
    EXPECT_EQ(service.TargetSessionId(), 1u);
}

TEST_F(ServiceTest, MailProgramInSessionZeroUsesTheConsoleSession) {
    sessions.SetConsoleSession(5);
    sessions.SetUser(5, u"dave");
    table.Add(u"explorer.exe", 0);
    table.Add(u"OUTLOOK.EXE", 0);
    service.WatchPass();
    EXPECT_EQ(sessions.QueriedSessions(), std::vector<uint32_t>{5});
    ASSERT_EQ(sessions.Starts().size(), 1u);
    EXPECT_EQ(sessions.Starts()[0].token.identity.user, u"dave");
}

struct FailCase {
    plat::SimUserSessions::Step step;
    std::string line;  // after the command line is substituted
};

void PrintTo(const FailCase& c, std::ostream* os) { *os << "step " << int(c.step); }

class StartFailureTest : public ServiceTest, public ::testing::WithParamInterface<FailCase> {};

TEST_P(StartFailureTest, EachFailingStepIsLoggedOnceAPass) {
    sessions.SetUser(1, u"alice");
    table.Add(u"explorer.exe", 1);
    table.Add(u"OUTLOOK.EXE", 1);
    sessions.SetFailure(GetParam().step, 5);
    std::string line = GetParam().line;
    size_t at = line.find("CMD");
    if (at != std::string::npos)
        line.replace(at, 3, plat::Utf16ToUtf8(service.MonitorCommandLine()));

    service.WatchPass();
    service.WatchPass();

    EXPECT_TRUE(sessions.Starts().empty());
    EXPECT_EQ(LogTexts(), (std::vector<std::string>{line, "CreateProcessEx fail\r\n", line,
                                                    "CreateProcessEx fail\r\n"}));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, StartFailureTest,
    ::testing::Values(
        FailCase{plat::SimUserSessions::kQueryToken, "WTSQueryUserToken fail:5\r\n"},
        FailCase{plat::SimUserSessions::kDuplicateToken, "DuplicateTokenEx fail:5\r\n"},
        FailCase{plat::SimUserSessions::kEnvironment, "CreateEnvironmentBlock fail:5\r\n"},
        FailCase{plat::SimUserSessions::kCreateProcess, "CreateProcessAsUser fail,CMD:5\r\n"}));

TEST_F(ServiceTest, SnapshotFailureAndEmptySnapshotEndThePass) {
    table.SetFailing(true);
    service.WatchPass();
    EXPECT_TRUE(LogTexts().empty());

    table.SetFailing(false);  // an empty list: the first process cannot be read
    service.WatchPass();
    EXPECT_EQ(LogTexts(), std::vector<std::string>{"Process32First\r\n"});
    EXPECT_TRUE(sessions.QueriedSessions().empty());
}

TEST_F(ServiceTest, MonitorCommandLineIsTheQuotedPathWithoutArguments) {
    service.SetFolder(u"/opt/Quill net");
    auto argv = plat::CommandLineToArgv(service.MonitorCommandLine());
    EXPECT_EQ(service.MonitorCommandLine().front(), u'"');
    EXPECT_EQ(service.MonitorCommandLine().back(), u'"');
    EXPECT_EQ(argv, std::vector<std::u16string>{plat::JoinPath(
                        u"/opt/Quill net",
                        u"QuillnetM-PluginMonitor" + std::u16string(plat::kExecutableSuffix))});
    // A quote in a folder name cannot end the program's name early.
    service.SetFolder(u"/opt/a\" b");
    argv = plat::CommandLineToArgv(service.MonitorCommandLine());
    ASSERT_EQ(argv.size(), 1u);
    EXPECT_EQ(plat::FolderOf(argv[0]), u"/opt/a\" b");
}

}  // namespace
