// The command line, install and uninstall against the simulated manager, and
// install against the real one where it is missing.
#include <gtest/gtest.h>

#include "ServiceFixture.h"
#include "platform/File.h"
#include "platform/ProcessStart.h"

namespace {

using qntest::ServiceTest;
using Sim = plat::SimServiceManager;
using Texts = std::vector<std::string>;

plat::ServiceConfig Installed() {
    plat::ServiceConfig c;
    c.name = u"QuillnetM Plugin";
    c.displayName = c.name;
    return c;
}

struct ModeCase {
    std::vector<const char*> argv;
    enum { kInstall, kUninstall, kService } mode;
};

void PrintTo(const ModeCase& c, std::ostream* os) {
    for (size_t i = 0; i < c.argv.size(); ++i) *os << (i ? " " : "") << c.argv[i];
}

class CommandLineTest : public ServiceTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(CommandLineTest, PicksTheModeByTheWholeTailWithoutRegardToCase) {
    const ModeCase& c = GetParam();
    if (c.mode == ModeCase::kUninstall) scm.AddService(Installed());
    scm.SetFailure(Sim::kDispatcher, 1063);  // started by hand, not by the manager
    std::vector<char*> argv;
    for (const char* a : c.argv) argv.push_back(const_cast<char*>(a));

    EXPECT_EQ(service.RunMode(ArgumentTail(int(argv.size()), argv.data())), 0);

    auto calls = scm.Calls();
    bool dispatched = std::count(calls.begin(), calls.end(), "StartServiceCtrlDispatcher") == 1;
    EXPECT_EQ(dispatched, c.mode == ModeCase::kService);
    EXPECT_EQ(scm.Exists(u"QuillnetM Plugin"), c.mode == ModeCase::kInstall);
    if (c.mode == ModeCase::kService) {
        auto recorded = events.Events();
        ASSERT_EQ(recorded.size(), 1u);
        EXPECT_EQ(recorded[0].strings,
                  std::vector<std::u16string>{u"Register Service Main Function Error!"});
    } else {
        EXPECT_TRUE(events.Events().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, CommandLineTest,
                         ::testing::Values(ModeCase{{"srv", "/install"}, ModeCase::kInstall},
                                           ModeCase{{"srv", "/INSTALL"}, ModeCase::kInstall},
                                           ModeCase{{"srv", "/Uninstall"}, ModeCase::kUninstall},
                                           ModeCase{{"srv", "/uninstall"}, ModeCase::kUninstall},
                                           ModeCase{{"srv", "/install", "now"}, ModeCase::kService},
                                           ModeCase{{"srv", "install"}, ModeCase::kService},
                                           ModeCase{{"srv"}, ModeCase::kService}));

TEST_F(ServiceTest, InstallCreatesDescribesUnderTheLockAndStarts) {
    service.Install();

    EXPECT_EQ(scm.Calls(), (Texts{"OpenSCManager", "OpenService", "OpenSCManager", "CreateService",
                                  "LockServiceDatabase", "ChangeServiceConfig2",
                                  "UnlockServiceDatabase", "StartService"}));
    Sim::Service s;
    ASSERT_TRUE(scm.Find(u"QuillnetM Plugin", s));
    EXPECT_EQ(s.config.displayName, u"QuillnetM Plugin");
    EXPECT_EQ(s.config.serviceType,
              plat::SERVICE_WIN32_OWN_PROCESS | plat::SERVICE_INTERACTIVE_PROCESS);
    EXPECT_EQ(s.config.startType, plat::SERVICE_AUTO_START);
    EXPECT_EQ(s.config.errorControl, plat::SERVICE_ERROR_NORMAL);
    EXPECT_TRUE(s.config.dependencies.empty());
    EXPECT_TRUE(s.config.account.empty());
    EXPECT_TRUE(s.config.password.empty());
    // The manager reads the path as a command line: quoted, it is one program.
    EXPECT_EQ(plat::CommandLineToArgv(s.config.binaryPath),
              std::vector<std::u16string>{plat::ExecutablePath()});
    EXPECT_EQ(s.config.binaryPath.front(), u'"');
    EXPECT_EQ(s.description, u"QuillNet通讯录插件服务");
    EXPECT_EQ(s.starts, 1);
    EXPECT_EQ(scm.OpenHandles(), 0);
    EXPECT_FALSE(scm.LockHeldByCaller());
    EXPECT_EQ(
        LogTexts(),
        (Texts{"IsInstalled() OpenSCManager success\r\n", "IsInstalled() OpenService fail:1060\r\n",
               "IsInstalled() OpenService fail:1060\r\n", "Install() OpenSCManager success\r\n",
               "Install() CreateService success\r\n", "Install() ChangeServiceConfig2 success\r\n",
               "Install() StartService success\r\n"}));
}

TEST_F(ServiceTest, InstallWhenInstalledAndUninstallWhenAbsentDoNothing) {
    service.Uninstall();
    EXPECT_EQ(scm.Calls(), (Texts{"OpenSCManager", "OpenService"}));

    scm.AddService(Installed());
    service.Install();
    EXPECT_EQ(scm.Calls(), (Texts{"OpenSCManager", "OpenService", "OpenSCManager", "OpenService"}));
    EXPECT_EQ(LogTexts().back(), "IsInstalled() OpenService success\r\n");
    EXPECT_EQ(scm.OpenHandles(), 0);
    EXPECT_TRUE(events.Events().empty());
}

TEST_F(ServiceTest, WithoutTheDatabaseLockTheDescriptionIsNotSet) {
    scm.SetLockHeld(true);
    service.Install();
    Sim::Service s;
    ASSERT_TRUE(scm.Find(u"QuillnetM Plugin", s));
    EXPECT_TRUE(s.description.empty());
    EXPECT_EQ(s.starts, 1);
    auto calls = scm.Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "ChangeServiceConfig2"), 0);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "UnlockServiceDatabase"), 0);
}

struct InstallFailure {
    Sim::Call call;
    Texts lines;  // the install's own lines after those of the installed check
    int starts;   // -1: not created
};

void PrintTo(const InstallFailure& c, std::ostream* os) { *os << "call " << int(c.call); }

class InstallFailureTest : public ServiceTest,
                           public ::testing::WithParamInterface<InstallFailure> {};

TEST_P(InstallFailureTest, IsLoggedWithItsCodeAndTheRestCarriesOnOrStops) {
    scm.SetFailure(GetParam().call, 5);
    service.Install();
    auto texts = LogTexts();
    Texts own(texts.begin() + (GetParam().call == Sim::kOpenSCManager ? 1 : 3), texts.end());
    EXPECT_EQ(own, GetParam().lines);
    Sim::Service s;
    EXPECT_EQ(scm.Find(u"QuillnetM Plugin", s) ? s.starts : -1, GetParam().starts);
    EXPECT_EQ(scm.OpenHandles(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, InstallFailureTest,
    ::testing::Values(
        InstallFailure{Sim::kOpenSCManager, {"Install() OpenSCManager fail:5\r\n"}, -1},
        InstallFailure{
            Sim::kCreateService,
            {"Install() OpenSCManager success\r\n", "Install() CreateService fail:5\r\n"},
            -1},
        InstallFailure{
            Sim::kChangeConfig,
            {"Install() OpenSCManager success\r\n", "Install() CreateService success\r\n",
             "Install() ChangeServiceConfig2 fail:5\r\n", "Install() StartService success\r\n"},
            1},
        InstallFailure{
            Sim::kStartService,
            {"Install() OpenSCManager success\r\n", "Install() CreateService success\r\n",
             "Install() ChangeServiceConfig2 success\r\n", "Install() StartService fail:5\r\n"},
            0}));

TEST_F(ServiceTest, InstallCheckLogsAManagerThatCannotBeOpened) {
    scm.SetFailure(Sim::kOpenSCManager, 5);
    EXPECT_FALSE(service.IsInstalled());
    EXPECT_EQ(LogTexts(), Texts{"IsInstalled() OpenSCManager fail:5\r\n"});
}

TEST_F(ServiceTest, UninstallStopsAndDeletes) {
    scm.AddService(Installed());
    scm.SetFailure(Sim::kControlService, 1062);  // not running: ignored
    service.Uninstall();
    EXPECT_FALSE(scm.Exists(u"QuillnetM Plugin"));
    EXPECT_EQ(scm.Calls(), (Texts{"OpenSCManager", "OpenService", "OpenSCManager", "OpenService",
                                  "ControlService 1", "DeleteService"}));
    EXPECT_EQ(
        LogTexts(),
        (Texts{"IsInstalled() OpenSCManager success\r\n", "IsInstalled() OpenService success\r\n",
               "Uninstall() OpenSCManager success\r\n", "Uninstall() OpenService success\r\n"}));
    EXPECT_EQ(scm.OpenHandles(), 0);
    EXPECT_TRUE(events.Events().empty());
}

TEST_F(ServiceTest, UninstallThatCannotDeleteTellsTheEventLog) {
    scm.AddService(Installed());
    scm.SetFailure(Sim::kDeleteService, 1072);
    service.Uninstall();
    EXPECT_TRUE(scm.Exists(u"QuillnetM Plugin"));
    auto recorded = events.Events();
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0].strings, std::vector<std::u16string>{u"Service could not be deleted"});
    EXPECT_EQ(scm.OpenHandles(), 0);
}

// The real manager on a machine without systemd (or without the rights to
// change it): the install reports its failure in the log and changes nothing.
TEST_F(ServiceTest, RealManagerWithoutSystemdLogsTheFailure) {
    if (plat::DirectoryExists(u"/run/systemd/system"))
        GTEST_SKIP() << "systemd runs here: installing would change the machine";
    plat::SetServiceControlManager(nullptr);
    service.Install();
    auto texts = LogTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].rfind("IsInstalled() OpenSCManager fail:", 0), 0u) << texts[0];
    EXPECT_EQ(texts[1].rfind("Install() OpenSCManager fail:", 0), 0u) << texts[1];
    EXPECT_NE(texts[1], "Install() OpenSCManager fail:0\r\n");
}

}  // namespace
