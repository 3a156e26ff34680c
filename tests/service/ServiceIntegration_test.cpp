// The service program on the real process table: in a service folder of its
// own, with stand-ins for the monitor, the desktop shell and a mail program.
// This test waits in real time, as the service's one-second passes do.
#include <gtest/gtest.h>

#include <regex>

#include "ServiceFixture.h"
#include "platform/Error.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/ProcessStart.h"
#include "platform/ProcessTable.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/Time.h"

namespace {

// Everything the test starts, ended and waited for however the test ends.
class Started {
public:
    explicit Started(std::u16string root) : m_root(std::move(root)) {
        plat::SetChildSubreaper(true);  // the monitors the service starts come to us
    }
    ~Started() {
        for (uint32_t pid : m_pids) plat::TerminateProcess(pid);
        for (const auto& p : Below(m_root)) plat::TerminateProcess(p.pid);
        plat::WaitForChildren(10000);
        plat::SetChildSubreaper(false);
        plat::DeleteTree(m_root);
    }
    uint32_t Start(const std::u16string& program, const plat::StartOptions& options) {
        plat::ProcessInformation info;
        EXPECT_TRUE(plat::CreateProcess({program}, options, info)) << plat::GetLastError();
        if (info.processId) m_pids.push_back(info.processId);
        return info.processId;
    }
    void End(uint32_t pid) {
        plat::TerminateProcess(pid);
        plat::WaitForProcess(pid, 10000);
    }

    // Running processes whose program lies below `folder`.
    static std::vector<plat::ProcessEntry> Below(const std::u16string& folder) {
        std::vector<plat::ProcessEntry> all, found;
        plat::RealProcesses().Snapshot(all);
        for (const auto& p : all)
            if (p.exePath.rfind(folder, 0) == 0) found.push_back(p);
        return found;
    }

private:
    std::u16string m_root;
    std::vector<uint32_t> m_pids;
};

// The id of the running monitor started from `path`, 0 for none.
uint32_t RunningMonitor(const std::u16string& path) {
    std::vector<plat::ProcessEntry> all;
    plat::RealProcesses().Snapshot(all);
    for (const auto& p : all)
        if (p.exePath == path) return p.pid;
    return 0;
}

// Waits up to `ms` for a running monitor other than `previous`.
uint32_t WaitForMonitor(const std::u16string& path, uint32_t previous, uint32_t ms) {
    uint64_t until = plat::TickCount64() + ms;
    for (;;) {
        uint32_t pid = RunningMonitor(path);
        if (pid && pid != previous) return pid;
        if (plat::TickCount64() >= until) return 0;
        plat::Sleep(20);
    }
}

// Waits up to `ms` for the stand-in monitor to have noted `count` starts.
bool WaitForStarts(const std::u16string& path, size_t count, uint32_t ms) {
    uint64_t until = plat::TickCount64() + ms;
    for (;;) {
        std::string text;
        plat::ReadFile(path, text);
        if (size_t(std::count(text.begin(), text.end(), '\n')) >= count) return true;
        if (plat::TickCount64() >= until) return false;
        plat::Sleep(20);
    }
}

std::u16string Copy(const char* from, const std::u16string& to) {
    EXPECT_TRUE(plat::CopyFile(plat::Utf8ToUtf16(from), to, false));
    EXPECT_TRUE(plat::MakeExecutable(to));
    return to;
}

TEST(ServiceIntegration, KeepsTheMonitorRunningWhileAMailProgramRuns) {
    std::u16string root = plat::MakeTempFolder(u"qnsvcit-");
    ASSERT_FALSE(root.empty());
    Started started(root);
    // A folder name that a shell would run a command from.
    std::u16string folder = plat::JoinPath(root, u"svc dir $(touch pwned); x");
    ASSERT_TRUE(plat::CreateDirectory(folder));
    std::u16string program =
        Copy(QN_SERVICE_PROGRAM, plat::JoinPath(folder, u"QuillnetM-PluginSrv"));
    std::u16string monitor =
        Copy(QN_STANDIN, plat::JoinPath(folder, u"QuillnetM-PluginMonitor" +
                                                    std::u16string(plat::kExecutableSuffix)));
    std::u16string shell = Copy(QN_STANDIN, plat::JoinPath(root, u"explorer.exe"));
    std::u16string outlook = Copy(QN_STANDIN, plat::JoinPath(root, u"OUTLOOK.EXE"));
    std::u16string logPath = plat::JoinPath(folder, u"ABService_log.txt");
    std::u16string startsPath = plat::JoinPath(folder, u"monitor-starts.txt");

    plat::StartOptions ownSession;
    ownSession.newSession = true;
    started.Start(shell, ownSession);

    plat::EnvironmentBlock env = plat::GetEnvironmentStrings();
    env.push_back(u"QN_SERVICE_ONLY=1");
    plat::StartOptions asService;
    asService.environment = &env;
    asService.currentFolder = root;
    int64_t begin = plat::TimeNow();
    uint32_t servicePid = started.Start(program, asService);
    ASSERT_NE(servicePid, 0u);

    // No mail program: two passes and more, nothing started.
    uint64_t until = plat::TickCount64() + 5000;
    while (plat::FileSize(logPath) <= 2 && plat::TickCount64() < until) plat::Sleep(20);
    plat::Sleep(2200);
    EXPECT_EQ(RunningMonitor(monitor), 0u);
    EXPECT_FALSE(plat::FileExists(startsPath));

    // Outlook starts: the monitor follows within about a second.
    uint32_t outlookPid = started.Start(outlook, ownSession);
    uint32_t first = WaitForMonitor(monitor, 0, 3000);
    ASSERT_NE(first, 0u);
    EXPECT_TRUE(WaitForStarts(startsPath, 1, 3000));
    plat::ProcessEntry mail, mon;
    for (const auto& p : Started::Below(root)) {
        if (p.pid == outlookPid) mail = p;
        if (p.pid == first) mon = p;
    }
    EXPECT_EQ(mon.uid, mail.uid);  // as the user of the mail program's session

    // Killed, it is started again.
    started.End(first);
    uint32_t second = WaitForMonitor(monitor, first, 3000);
    EXPECT_NE(second, 0u);
    EXPECT_TRUE(WaitForStarts(startsPath, 2, 3000));

    // All mail programs closed: the running monitor is left alone, and once it
    // has ended it is not started again.
    started.End(outlookPid);
    plat::Sleep(1500);
    EXPECT_EQ(RunningMonitor(monitor), second);
    started.End(second);
    plat::Sleep(2200);
    EXPECT_EQ(RunningMonitor(monitor), 0u);

    // Stop as the init system asks for it.
    ASSERT_TRUE(plat::RequestProcessStop(servicePid));
    int code = -1;
    ASSERT_EQ(plat::WaitForProcess(servicePid, 10000, &code), plat::WAIT_OBJECT_0);
    EXPECT_EQ(code, 0);
    int64_t end = plat::TimeNow();

    // Two starts, each with no argument, the user's environment and not the
    // service's own variables.
    std::string starts;
    ASSERT_TRUE(plat::ReadFile(startsPath, starts));
    std::regex twoStarts("(args=0 home=/[^ ]* user=[^ -][^ ]* service_only=-\n){2}");
    EXPECT_TRUE(std::regex_match(starts, twoStarts)) << starts;
    EXPECT_FALSE(plat::FileExists(plat::JoinPath(root, u"pwned")));
    EXPECT_FALSE(plat::FileExists(plat::JoinPath(folder, u"pwned")));

    // The log: a byte-order mark, then entries stamped in the UTC+8 zone.
    std::string bytes;
    ASSERT_TRUE(plat::ReadFile(logPath, bytes));
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    auto entries = qntest::ReadServiceLog(logPath);
    ASSERT_FALSE(entries.empty());
    std::regex prefix("error \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d ABService\\.cpp:\\d+ ");
    for (const auto& e : entries) EXPECT_TRUE(std::regex_match(e.prefix, prefix)) << e.prefix;
    bool stampedInZone = false;
    for (int64_t s = begin; s <= end + 1 && !stampedInZone; ++s) {
        plat::SystemTime t = ChinaTimeOf(s);
        std::string stamp =
            plat::Utf16ToUtf8(plat::Format(u"error %04d-%02d-%02d %02d:%02d:%02d ", t.year, t.month,
                                           t.day, t.hour, t.minute, t.second));
        stampedInZone = entries.front().prefix.rfind(stamp, 0) == 0;
    }
    EXPECT_TRUE(stampedInZone) << entries.front().prefix;

    std::vector<std::string> texts;
    for (const auto& e : entries) texts.push_back(e.text);
    ASSERT_GE(texts.size(), 6u);
    EXPECT_EQ(texts[0], "RegisterServiceCtrlHandler success\r\n");
    EXPECT_EQ(texts[1], "CreateEvent success\r\n");
    EXPECT_EQ(texts[2].rfind("WTSGetActiveConsoleSessionId:", 0), 0u);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "CreateProcessAsUser success\r\n"), 2);
    EXPECT_EQ(
        std::vector<std::string>(texts.end() - 3, texts.end()),
        (std::vector<std::string>{"ABService ServiceProc Exit\r\n",
                                  "ABService TerminateService Exist\r\n", "ABService Exit\r\n"}));
}

}  // namespace
