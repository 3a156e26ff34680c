// The monitor window's helpers: hot-key text and registration, process names
// through their cache, product versions, Outlook's path, bring to front.
#include <future>
#include <thread>

#include "detect/DetectTestSupport.h"
#include "monitor/HotKey.h"
#include "platform/Sync.h"

using namespace plat;
using qntest::DetectTest;

TEST_F(DetectTest, HotKeyTextsGiveModifiersAndVirtualKeys) {
    struct Case {
        const char16_t* text;
        bool ok;
        UINT modifiers, vk;
    };
    const Case kCases[] = {
        {u"Ctrl+Alt+K", true, MOD_CONTROL | MOD_ALT, 'K'},
        {u"Shift+Alt+F5", true, MOD_SHIFT | MOD_ALT, 116},
        {u"F9", true, 0, 120},
        {u"F1", true, 0, 112},
        {u"Ctrl+F12", true, MOD_CONTROL, 123},
        {u"ctrl+shift+A", true, MOD_CONTROL | MOD_SHIFT, 'A'},
        {u"SHIFT+7", true, MOD_SHIFT, '7'},
        {u"Alt+Ctrl+K", true, 0, 'K'},  // not one of the modifier texts
        {u"Win+K", true, 0, 'K'},
        {u"K", true, 0, 'K'},
        {u"Ctrl+k", false, MOD_CONTROL, 0},  // lower case is no key
        {u"Ctrl+中", false, MOD_CONTROL, 0},
        {u"Ctrl+", false, MOD_CONTROL, 0},
        {u"", false, 0, 0},
        // Longer texts are function keys only: "Home" or "F0" name none.
        {u"Ctrl+Home", false, MOD_CONTROL, 0},
        {u"Ctrl+F0", false, MOD_CONTROL, 0},
        {u"Ctrl+F25", false, MOD_CONTROL, 0},
        {u"F24", true, 0, 135},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(Utf16ToUtf8(c.text));
        UINT mods = 99, vk = 99;
        EXPECT_EQ(ParseHotKeyText(c.text, mods, vk), c.ok);
        EXPECT_EQ(mods, c.modifiers);
        EXPECT_EQ(vk, c.vk);
    }
}

TEST_F(DetectTest, TheHotKeyTextComesFromSysconfigWithCtrlAltKAsDefault) {
    EXPECT_EQ(ReadHotKeyText(), u"Ctrl+Alt+K");
    SysConfig(u"hotkey", u"mainkey", u"Shift+Alt+F5");
    EXPECT_EQ(ReadHotKeyText(), u"Shift+Alt+F5");
}

TEST_F(DetectTest, AFailedRegistrationIsLoggedAndLeavesNoHotKey) {
    Window monitor, other;
    HWND m = monitor.CreateEx(0, u"#32770", u"AB_NULLDLG", WS_POPUP, 0, 0, 1, 1, nullptr);
    HWND o = other.CreateEx(0, u"Other", u"", WS_POPUP, 0, 0, 1, 1, nullptr);
    int id = 84132;
    ASSERT_TRUE(RegisterMonitorHotKey(m, id, u"Ctrl+Alt+K"));
    EXPECT_EQ(id, 84132);
    ASSERT_TRUE(PressHotKey(MOD_CONTROL | MOD_ALT, 'K'));

    int second = 7;
    EXPECT_FALSE(RegisterMonitorHotKey(o, second, u"Ctrl+Alt+K"));  // taken
    EXPECT_EQ(second, -1);
    EXPECT_TRUE(LogHas("Ctrl+Alt+K nHotKey=7 热键注册失败！\r\n"));

    int third = 9;
    EXPECT_FALSE(RegisterMonitorHotKey(o, third, u"Ctrl+k"));
    EXPECT_EQ(third, -1);
    EXPECT_TRUE(LogHas("Ctrl+k nHotKey=9 热键注册失败！\r\n"));
    EXPECT_FALSE(PressHotKey(MOD_CONTROL, 'K'));
}

TEST_F(DetectTest, ProcessNamesComeFromOneSnapshotFor120Seconds) {
    struct Counting : ProcessSource {
        ProcessSource* inner;
        int snapshots = 0;
        bool Snapshot(std::vector<ProcessEntry>& out) override {
            ++snapshots;
            return inner->Snapshot(out);
        }
    } counting;
    counting.inner = &desk.Processes().Table();
    SetProcessSource(&counting);

    qnfix::ComposeWindow w = desk.Outlook();
    EXPECT_EQ(GetProcessName(w.top), u"OUTLOOK.EXE");
    EXPECT_EQ(GetProcessName(w.anchor), u"OUTLOOK.EXE");
    EXPECT_EQ(counting.snapshots, 1);
    EXPECT_EQ(LogCount("OUTLOOK.EXE GetProcessName2\r\n"), 1u);
    EXPECT_EQ(LogCount("OUTLOOK.EXE GetProcessName1\r\n"), 1u);

    AdvanceClock(119999);
    GetProcessName(w.top);
    EXPECT_EQ(counting.snapshots, 1);
    AdvanceClock(1);
    GetProcessName(w.top);
    EXPECT_EQ(counting.snapshots, 2);

    // A process that came after the fill is looked up afresh.
    qnfix::ComposeWindow fox = desk.Foxmail7();
    EXPECT_EQ(GetProcessName(fox.top), u"Foxmail.exe");
    EXPECT_EQ(counting.snapshots, 3);

    // The monitor's own windows belong to its own process.
    Window own;
    HWND h = own.CreateEx(0, u"#32770", u"AB_NULLDLG", WS_POPUP, 0, 0, 1, 1, nullptr);
    EXPECT_EQ(GetProcessName(h), u"QuillnetM-PluginMonitor.exe");
    SetProcessSource(&desk.Processes().Table());
}

TEST_F(DetectTest, ProcessNameFailuresGiveAnEmptyName) {
    qnfix::ComposeWindow w = desk.Outlook();
    desk.Processes().Table().SetFailing(true);
    EXPECT_EQ(GetProcessName(w.top), u"");
    desk.Processes().Table().SetFailing(false);
    desk.Processes().Table().Clear();
    EXPECT_EQ(GetProcessName(w.top), u"");
    EXPECT_TRUE(LogHas("Process32First fail:18\r\n"));
    EXPECT_EQ(GetProcessName(nullptr), u"");
}

TEST_F(DetectTest, ProductVersionsAreLoggedAndEachFailureNamesItsStep) {
    SetVersionResource(u"OUTLOOK.EXE", {15, 0, 4420, 1017}, true, VersionFailure::None,
                       {15, 9, 9, 9});
    EXPECT_EQ(GetProductMajorVersion(u"OUTLOOK.EXE"), 15);
    EXPECT_TRUE(LogHas("OUTLOOK.EXE version : 15.0.4420.1017 \r\n"));

    struct Case {
        VersionFailure step;
        const char* line;
    };
    for (const Case& c : {Case{VersionFailure::Size, "GetFileVersionInfoSize failed\r\n"},
                          Case{VersionFailure::Read, "GetFileVersionInfo failed\r\n"},
                          Case{VersionFailure::Query, "VerQueryValue failed\r\n"}}) {
        SetVersionResource(u"X.EXE", {16}, true, c.step);
        EXPECT_EQ(GetProductMajorVersion(u"X.EXE"), 0);
        EXPECT_EQ(LogCount(c.line), 1u) << c.line;
    }
}

TEST_F(DetectTest, OutlooksPathComesFromItsAppPathsFolder) {
    const char16_t* key = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE";
    EXPECT_EQ(FindOutlookPath(), u"");
    struct Case {
        const char16_t* value;
        const char16_t* path;
    };
    const Case kCases[] = {
        {u"C:\\Office15\\", u"C:\\Office15\\OUTLOOK.EXE"},
        {u"\"C:\\Office15\\", u"C:\\Office15\\OUTLOOK.EXE"},
        {u"\"C:\\Office15\\\"", u"C:\\Office15\\OUTLOOK.EXE"},
        {u"C:\\Office15\\OUTLOOK.EXE", u"C:\\Office15\\OUTLOOK.EXE"},
        // A folder without its trailing backslash is kept whole.
        {u"C:\\Program Files\\Office15", u"C:\\Program Files\\Office15\\OUTLOOK.EXE"},
        {u"\\Office", u"\\Office\\OUTLOOK.EXE"},
    };
    for (const Case& c : kCases) {
        SetRegistryString(HKEY_LOCAL_MACHINE, key, u"Path", c.value);
        EXPECT_EQ(FindOutlookPath(), c.path) << Utf16ToUtf8(c.value);
    }
    SetRegistryString(HKEY_LOCAL_MACHINE, key, u"Path", std::u16string(1100, u'x'));
    EXPECT_EQ(FindOutlookPath(), u"");  // longer than 2,048 bytes
}

TEST_F(DetectTest, BringToFrontPassesTheForegroundLockThroughAttachedInput) {
    Window mine;
    HWND me = mine.CreateEx(0, u"#32770", u"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr);
    std::promise<HWND> made;
    std::promise<void> done;
    std::thread other([&] {
        Window w;
        made.set_value(w.CreateEx(0, u"Other", u"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr));
        done.get_future().wait();
    });
    HWND theirs = made.get_future().get();
    ASSERT_TRUE(SetForegroundWindow(theirs));
    SetForegroundLock(true);
    EXPECT_FALSE(SetForegroundWindow(me));
    BringToFront(me);
    EXPECT_EQ(GetForegroundWindow(), me);
    // The input is detached again afterwards.
    EXPECT_FALSE(
        AttachThreadInput(GetWindowThreadProcessId(theirs, nullptr), CurrentThreadId(), false));
    done.set_value();
    other.join();
}
