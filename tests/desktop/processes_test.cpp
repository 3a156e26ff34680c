// Process snapshots, version resources, the registry and the shell's "open".
#include <fstream>

#include "desktop/DesktopTestSupport.h"
#include "platform/Error.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/Time.h"
#include "platform/desktop/SimProcesses.h"

using namespace plat;
using qntest::DesktopTest;

TEST_F(DesktopTest, SnapshotsListTheSimulatedProcessesWithTheMonitorItself) {
    SimDesktopProcesses procs;
    uint32_t outlook = procs.Add(u"OUTLOOK.EXE", 2, u"alice");
    ProcessSnapshot snap;
    ASSERT_TRUE(snap.Take());
    ProcessEntry e;
    ASSERT_TRUE(snap.First(e));
    EXPECT_EQ(e.exeName, u"QuillnetM-PluginMonitor.exe");
    EXPECT_EQ(e.pid, CurrentProcessId());
    ASSERT_TRUE(snap.Next(e));
    EXPECT_EQ(e.pid, outlook);
    EXPECT_EQ(e.sessionId, 2u);
    EXPECT_EQ(e.user, u"alice");
    EXPECT_FALSE(snap.Next(e));
    EXPECT_EQ(GetLastError(), kErrorNoMoreFiles);

    procs.Table().SetFailing(true);
    EXPECT_FALSE(snap.Take());
    EXPECT_FALSE(snap.First(e));
    procs.Table().SetFailing(false);
    procs.Table().Clear();
    ASSERT_TRUE(snap.Take());
    EXPECT_FALSE(snap.First(e));
    EXPECT_EQ(GetLastError(), kErrorNoMoreFiles);
}

TEST_F(DesktopTest, VersionResourcesResolveBareNamesOnlyOnTheSearchPathAndFailStepByStep) {
    SetVersionResource(u"C:\\Office\\OUTLOOK.EXE", {15, 0, 4420, 1017}, false, VersionFailure::None,
                       {15, 1, 2, 3});
    EXPECT_EQ(GetFileVersionInfoSize(u"OUTLOOK.EXE"), 0u);  // not on the search path
    ASSERT_GT(GetFileVersionInfoSize(u"c:\\office\\outlook.exe"), 0u);
    std::vector<uint8_t> block;
    ASSERT_TRUE(GetFileVersionInfo(u"C:\\Office\\OUTLOOK.EXE", block));
    VS_FIXEDFILEINFO info;
    ASSERT_TRUE(VerQueryValue(block, u"\\", info));
    EXPECT_EQ(info.dwProductVersionMS, (15u << 16) | 0u);
    EXPECT_EQ(info.dwProductVersionLS, (4420u << 16) | 1017u);
    EXPECT_EQ(info.dwFileVersionMS, (15u << 16) | 1u);

    SetVersionResource(u"WINWORD.EXE", {11, 0, 0, 0});
    EXPECT_GT(GetFileVersionInfoSize(u"WINWORD.EXE"), 0u);
    SetVersionResource(u"A.EXE", {1}, true, VersionFailure::Size);
    SetVersionResource(u"B.EXE", {1}, true, VersionFailure::Read);
    SetVersionResource(u"C.EXE", {1}, true, VersionFailure::Query);
    EXPECT_EQ(GetFileVersionInfoSize(u"A.EXE"), 0u);
    EXPECT_GT(GetFileVersionInfoSize(u"B.EXE"), 0u);
    EXPECT_FALSE(GetFileVersionInfo(u"B.EXE", block));
    ASSERT_TRUE(GetFileVersionInfo(u"C.EXE", block));
    EXPECT_FALSE(VerQueryValue(block, u"\\", info));
    ClearVersionResources();
    EXPECT_EQ(GetFileVersionInfoSize(u"WINWORD.EXE"), 0u);
}

TEST_F(DesktopTest, RegistryValuesAreReadWithinTheirSizeLimit) {
    const char16_t* key = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE";
    HKEY h = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, h), ERROR_FILE_NOT_FOUND);
    SetRegistryString(HKEY_LOCAL_MACHINE, key, u"Path", u"C:\\Office\\");
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, key, 0, KEY_READ, h), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, ToLower(key), 0, KEY_READ, h), ERROR_SUCCESS);
    std::u16string v;
    EXPECT_EQ(RegQueryStringValue(h, u"path", v, 2048), ERROR_SUCCESS);
    EXPECT_EQ(v, u"C:\\Office\\");
    EXPECT_EQ(RegQueryStringValue(h, u"Path", v, 10), ERROR_MORE_DATA);
    EXPECT_EQ(RegQueryStringValue(h, u"Other", v, 2048), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(h), ERROR_SUCCESS);
}

TEST_F(DesktopTest, ShellOpenRecordsEveryRequestAndStartsExecutables) {
    std::u16string dir = MakeTempFolder(u"qnshell-");
    std::u16string script = JoinPath(dir, u"Update.exe");
    std::u16string marker = JoinPath(dir, u"ran.txt");
    ASSERT_TRUE(WriteFile(script, "#!/bin/sh\necho \"$1\" > \"" + NativePath(marker) +
                                      ".tmp\"\nmv \"" + NativePath(marker) + ".tmp\" \"" +
                                      NativePath(marker) + "\"\n"));
    ASSERT_EQ(::system(("chmod +x '" + NativePath(script) + "'").c_str()), 0);

    EXPECT_GT(ShellExecute(nullptr, u"open", script, u"16", u"", SW_SHOWNORMAL), 32);
    EXPECT_EQ(ShellExecute(nullptr, u"open", JoinPath(dir, u"missing.exe"), u"", u"", SW_SHOW), 2);
    auto launches = ShellLaunches();
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[0].verb, u"open");
    EXPECT_EQ(launches[0].parameters, u"16");
    EXPECT_EQ(launches[0].show, SW_SHOWNORMAL);
    EXPECT_TRUE(launches[0].started);
    EXPECT_FALSE(launches[1].started);
    // The started program is a real process: wait (bounded) for what it writes.
    std::string out;
    for (int i = 0; i < 500 && !ReadFile(marker, out); ++i) Sleep(10);
    EXPECT_EQ(out, "16\n");

    SetShellStartsPrograms(false);
    EXPECT_GT(ShellExecute(nullptr, u"open", script, u"", u"", SW_SHOW), 32);
    EXPECT_FALSE(ShellLaunches().back().started);
    DeleteTree(dir);
}
