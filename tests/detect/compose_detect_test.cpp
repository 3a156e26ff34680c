// Both detectors over the compose windows of every mail program, and the
// scan's bookkeeping of the foreground window and its diagnostics.
#include <functional>
#include <string>

#include "detect/DetectTestSupport.h"

using namespace plat;
using qnfix::ComposeOptions;
using qnfix::ComposeWindow;
using qnfix::Lang;
using qnfix::MailDesktop;
using qnfix::VersionSource;
using qntest::DetectTest;

namespace {

enum Program { kFox0, kFox1, kFox7, kFlash, kOE, kWord, kOutlook };

struct Case {
    const char* name;
    Program program;
    std::function<void(ComposeOptions&)> tweak;
    int scanKind;    // expected of the scan (-1 none)
    int hotKeyKind;  // expected of the hot key (-1 none)
};

ComposeWindow Build(MailDesktop& d, Program p, const ComposeOptions& o) {
    switch (p) {
        case kFox0:
            return d.Foxmail0(o);
        case kFox1:
            return d.Foxmail1(o);
        case kFox7:
            return d.Foxmail7(o);
        case kFlash:
            return d.FlashMail(o);
        case kOE:
            return d.OutlookExpress(o);
        case kWord:
            return d.Word(o);
        case kOutlook:
            return d.Outlook(o);
    }
    return {};
}

auto Version(int v) {
    return [v](ComposeOptions& o) { o.version = v; };
}

const Case kCases[] = {
    {"foxmail0", kFox0, {}, -1, 0},
    {"foxmail0 without the button", kFox0, [](auto& o) { o.missingLink = u"TTBXButton"; }, -1, -1},
    {"foxmail1", kFox1, {}, 1, 1},
    {"foxmail1 traditional", kFox1, [](auto& o) { o.lang = Lang::Traditional; }, 1, 1},
    {"foxmail1 english", kFox1, [](auto& o) { o.lang = Lang::English; }, 1, 1},
    {"foxmail1 meeting", kFox1, [](auto& o) { o.meeting = true; }, 1, -1},
    {"foxmail1 sender in next panel", kFox1, [](auto& o) { o.senderInNextPanel = true; }, 1, 1},
    {"foxmail1 not composing", kFox1, [](auto& o) { o.title = u"收件箱 - Foxmail"; }, -1, -1},
    {"foxmail1 without frame", kFox1,
     [](auto& o) { o.missingLink = u"TComposeFrame.UnicodeClass"; }, -1, -1},
    {"foxmail7", kFox7, {}, 2, 2},
    {"foxmail7 plain fields", kFox7, [](auto& o) { o.plainFields = true; }, 2, 2},
    {"foxmail7 english", kFox7, [](auto& o) { o.lang = Lang::English; }, 2, -1},
    {"foxmail7 meeting", kFox7, [](auto& o) { o.meeting = true; }, 2, -1},
    {"foxmail7 without toolbar", kFox7, [](auto& o) { o.missingLink = u"TTBXToolbar"; }, -1, 2},
    {"foxmail7 without editor", kFox7, [](auto& o) { o.missingLink = u"TFoxHTMLEditor"; }, -1, 2},
    {"foxmail7 without fields", kFox7,
     [](auto& o) { o.missingLink = u"TFMZRichEdit.UnicodeClass"; }, -1, -1},
    {"flashmail", kFlash, {}, -1, 3},
    {"flashmail not composing", kFlash, [](auto& o) { o.title = u"闪电邮"; }, -1, -1},
    {"outlook express", kOE, {}, -1, 4},
    {"outlook express without envelope", kOE, [](auto& o) { o.missingLink = u"OE_Envelope"; }, -1,
     -1},
    {"outlook express title", kOE, [](auto& o) { o.title = u"新邮件"; }, -1, -1},
    {"word 2003", kWord, {}, 5, 5},
    {"word traditional", kWord, [](auto& o) { o.lang = Lang::Traditional; }, 5, 5},
    {"word english caption", kWord, [](auto& o) { o.lang = Lang::English; }, 5, -1},
    {"word meeting", kWord, [](auto& o) { o.meeting = true; }, 5, -1},
    {"word by prefix", kWord, [](auto& o) { o.toCaption = u"收件人(&T)..."; }, 5, -1},
    {"word no mail title", kWord, [](auto& o) { o.title = u"文档1 - Microsoft Word"; }, -1, -1},
    {"word without envelope bar", kWord, [](auto& o) { o.missingLink = u"MsoCommandBar"; }, -1, -1},
    {"word 2007", kWord, Version(12), 5, -1},
    {"outlook 2003", kOutlook, Version(11), 5, 5},
    {"outlook 2007", kOutlook, Version(12), 6, 6},
    {"outlook 2010", kOutlook, Version(14), 7, 7},
    {"outlook 2013", kOutlook, Version(15), 8, 8},
    {"outlook 2016", kOutlook, Version(16), 9, 9},
    {"outlook 17", kOutlook, Version(17), 9, -1},
    {"outlook 13", kOutlook, Version(13), -1, -1},
    {"outlook english", kOutlook, [](auto& o) { o.lang = Lang::English; }, 8, -1},
    {"outlook traditional", kOutlook, [](auto& o) { o.lang = Lang::Traditional; }, 8, -1},
    {"outlook meeting", kOutlook, [](auto& o) { o.meeting = true; }, 8, -1},
    {"outlook english 2016 To", kOutlook,
     [](auto& o) {
         o.version = 16;
         o.toCaption = u"To";
         o.title = u"Untitled - 邮件 (HTML) ";
     },
     9, -1},
    {"outlook by prefix", kOutlook, [](auto& o) { o.toCaption = u"收件人：(&T)"; }, 8, -1},
    {"outlook decoy branch", kOutlook, [](auto& o) { o.decoyAfx = true; }, 8, -1},
    {"outlook flat envelope", kOutlook, [](auto& o) { o.flatAfx = true; }, -1, 5},
    {"outlook flat by prefix", kOutlook,
     [](auto& o) {
         o.flatAfx = true;
         o.toCaption = u"收件人(T)";
     },
     -1, 5},
    {"outlook inbox", kOutlook, [](auto& o) { o.title = u"收件箱 - Outlook"; }, -1, -1},
    {"outlook without dialog", kOutlook, [](auto& o) { o.missingLink = u"#32770"; }, -1, -1},
    {"another program", kOutlook, [](auto& o) { o.processName = u"notepad.exe"; }, -1, -1},
};

}  // namespace

TEST_F(DetectTest, EachDetectorKnowsItsComposeWindows) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ResetComposeDetection();
        ClearVersionResources();
        ComposeOptions o;
        if (c.tweak) c.tweak(o);
        ComposeWindow w = Build(desk, c.program, o);
        ASSERT_NE(w.top, nullptr);

        ScanResult s = DetectForScan(w.top);
        EXPECT_EQ(s.kind, c.scanKind);
        if (c.scanKind >= 0) {
            EXPECT_EQ(s.anchor, w.anchor);
            EXPECT_EQ(s.parent, w.parent);
        } else {
            EXPECT_EQ(s.anchor, nullptr);
        }

        ComposeTarget t = DetectForHotKey(w.top);
        EXPECT_EQ(t.kind, c.hotKeyKind);
        EXPECT_EQ(t.anchor, c.hotKeyKind >= 0 ? w.hotKeyAnchor : nullptr);
        DestroyWindow(w.top);
    }
}

TEST_F(DetectTest, WordAndOutlookButtonsStartAtTheScansPosition) {
    for (int kind : {5, 8}) {
        ComposeWindow w = kind == 5 ? desk.Word() : desk.Outlook();
        ScanResult s = DetectForScan(w.top);
        EXPECT_EQ(s.kind, kind);
        EXPECT_EQ(s.x, 123);
        EXPECT_EQ(s.y, 111);
    }
}

TEST_F(DetectTest, AButtonFoundByPrefixIsLoggedWithItsCaption) {
    ComposeOptions o;
    o.toCaption = u"收件人：(&T)";
    ComposeWindow w = desk.Outlook(o);
    ASSERT_EQ(DetectForScan(w.top).kind, 8);
    EXPECT_TRUE(LogHas("find wnd5:收件人：(&T)\r\n"));
    EXPECT_TRUE(LogHas("msgwnd:" + std::to_string(HandleToInt(w.anchor)) +
                       " parentwnd:" + std::to_string(HandleToInt(w.parent)) + "\r\n"));
    EXPECT_TRUE(LogHas("OUTLOOK.EXE\r\n"));
}

TEST_F(DetectTest, AnOutlookVersionWithoutKindIsLoggedAsZeroHandles) {
    ComposeOptions o;
    o.version = 13;
    ComposeWindow w = desk.Outlook(o);
    EXPECT_EQ(DetectForScan(w.top).kind, -1);
    EXPECT_TRUE(LogHas("msgwnd:0 parentwnd:0\r\n"));
}

TEST_F(DetectTest, OutlookVersionIsCachedAndFallsBackToAppPathsThenSysconfig) {
    // Unreadable, no sysconfig.ini: Outlook 2013, and not cached.
    desk.SetProgramVersion(u"OUTLOOK.EXE", 14, VersionSource::None);
    EXPECT_EQ(GetOutlookVersion(), 15);
    ComposeOptions o;
    o.versionSource = VersionSource::None;
    EXPECT_EQ(DetectForScan(desk.Outlook(o).top).kind, 8);
    SysConfig(u"OUTLOOK", u"version", u"12");
    EXPECT_EQ(GetOutlookVersion(), 12);
    SysConfig(u"OUTLOOK", u"version", u"16");
    EXPECT_EQ(GetOutlookVersion(), 16);

    // Found through App Paths: read once, then cached.
    ClearVersionResources();
    desk.SetProgramVersion(u"OUTLOOK.EXE", 14, VersionSource::AppPath);
    EXPECT_EQ(GetOutlookVersion(), 14);
    EXPECT_TRUE(LogHas("GetFileVersionInfoSize failed\r\n"));
    EXPECT_TRUE(LogHas("\\OUTLOOK.EXE version : 14.0.4420.1017 \r\n"));
    ClearVersionResources();
    EXPECT_EQ(GetOutlookVersion(), 14);
}

TEST_F(DetectTest, WordByHotKeyUsesItsOwnVersionAndSysconfigDefault) {
    ComposeOptions o;
    o.versionSource = VersionSource::None;
    ComposeWindow w = desk.Word(o);
    EXPECT_EQ(DetectForHotKey(w.top).kind, 5);  // default 11
    SysConfig(u"WINWORD", u"version", u"12");
    EXPECT_EQ(DetectForHotKey(w.top).kind, -1);
}

TEST_F(DetectTest, TheScanLooksOnlyAtANewForegroundWindowAndRescansOnEverySwitch) {
    ComposeWindow outlook = desk.Outlook();
    ComposeWindow fox = desk.Foxmail7();
    ScanForeground();  // nothing in front
    EXPECT_TRUE(attacher.calls.empty());

    MailDesktop::Bring(outlook.top);
    ScanForeground();
    ASSERT_EQ(attacher.calls.size(), 1u);
    EXPECT_EQ(attacher.calls[0].kind, 8);
    EXPECT_EQ(attacher.calls[0].anchor, outlook.anchor);
    EXPECT_EQ(attacher.calls[0].parent, outlook.parent);
    EXPECT_EQ(attacher.calls[0].x, 123);

    std::u16string logBefore = folder.Log();
    uint64_t queries = ForegroundQueryCount();
    for (int i = 0; i < 5; ++i) ScanForeground();
    EXPECT_EQ(ForegroundQueryCount() - queries, 5u);
    EXPECT_EQ(folder.Log(), logBefore);
    EXPECT_EQ(attacher.calls.size(), 1u);

    MailDesktop::Bring(fox.top);
    ScanForeground();
    MailDesktop::Bring(outlook.top);
    ScanForeground();
    ASSERT_EQ(attacher.calls.size(), 3u);
    EXPECT_EQ(attacher.calls[1].kind, 2);
    EXPECT_EQ(attacher.calls[1].parent, fox.parent);
    EXPECT_EQ(attacher.calls[2].kind, 8);
}

TEST_F(DetectTest, FlashMailAndOutlookExpressGetNoButtonButTheHotKeyFindsThem) {
    for (ComposeWindow w : {desk.FlashMail(), desk.OutlookExpress()}) {
        MailDesktop::Bring(w.top);
        ScanForeground();
        EXPECT_TRUE(attacher.calls.empty());
        ComposeTarget t = DetectForHotKey(w.top);
        EXPECT_EQ(t.kind, w.kind);
        EXPECT_EQ(t.anchor, w.anchor);
    }
}

TEST_F(DetectTest, AComposeWindowStillBeingBuiltIsNotLookedAtAgainWhileInFront) {
    ComposeOptions o;
    o.missingLink = u"#32770";
    ComposeWindow early = desk.Outlook(o);
    MailDesktop::Bring(early.top);
    ScanForeground();
    ScanForeground();
    EXPECT_TRUE(attacher.calls.empty());
    EXPECT_EQ(LogCount("OUTLOOK.EXE\r\n"), 1u);
}

TEST_F(DetectTest, DiagnosticsWriteAnOutlookToButtonsParentChainOnce) {
    SysConfig(u"LOG", u"value", u"1");
    ComposeOptions o;
    o.toCaption = u"To&...";
    ComposeWindow w = desk.Outlook(o);
    RECT r;
    ASSERT_TRUE(GetWindowRect(w.anchor, r));
    SetCursorPos(r.left + 2, r.top + 2);
    ASSERT_EQ(WindowFromPoint({r.left + 2, r.top + 2}), w.anchor);

    ScanForeground();
    HWND a2 = GetParent(w.parent), a1 = GetParent(a2);
    std::string head = "pwnd:" + std::to_string(HandleToInt(w.parent)) +
                       " curwnd:" + std::to_string(HandleToInt(w.anchor)) +
                       " wintext:To&... classtext:Button\r\n";
    EXPECT_EQ(LogCount(head), 1u);
    EXPECT_EQ(LogCount("pwnd:" + std::to_string(HandleToInt(w.parent)) +
                       " wintext: classtext:#32770\r\n"),
              1u);
    EXPECT_EQ(
        LogCount("pwnd:" + std::to_string(HandleToInt(a2)) + " wintext: classtext:AfxWndW\r\n"),
        1u);
    EXPECT_EQ(
        LogCount("pwnd:" + std::to_string(HandleToInt(a1)) + " wintext: classtext:AfxWndW\r\n"),
        1u);
    EXPECT_EQ(LogCount("pwnd:" + std::to_string(HandleToInt(w.top)) +
                       " wintext:未命名 - 邮件 (HTML)  classtext:rctrl_renwnd32\r\n"),
              1u);

    ScanForeground();  // the mouse has not moved
    EXPECT_EQ(LogCount(head), 1u);
    ASSERT_TRUE(GetWindowRect(w.to, r));
    SetCursorPos(r.left + 2, r.top + 2);
    ScanForeground();
    EXPECT_EQ(LogCount(head), 1u);
    EXPECT_EQ(LogCount(" curwnd:" + std::to_string(HandleToInt(w.to))), 1u);
}

TEST_F(DetectTest, DiagnosticsAboveOneOnlyTrackTheProcessName) {
    SysConfig(u"LOG", u"value", u"2");
    ComposeWindow w = desk.Outlook();
    RECT r;
    GetWindowRect(w.anchor, r);
    SetCursorPos(r.left + 2, r.top + 2);
    ScanForeground();
    EXPECT_TRUE(LogHas("OUTLOOK.EXE GetProcessName2\r\n"));
    EXPECT_FALSE(LogHas("curwnd:"));
}

TEST_F(DetectTest, DetectionOnAWindowWithFiveHundredChildrenStillFindsItsAnchor) {
    ComposeOptions o;
    o.fillers = 500;
    ComposeWindow w = desk.Outlook(o);
    EXPECT_EQ(DetectForScan(w.top).anchor, w.anchor);
    EXPECT_EQ(DetectForHotKey(w.top).anchor, w.anchor);
}
