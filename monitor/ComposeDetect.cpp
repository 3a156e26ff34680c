#include "monitor/ComposeDetect.h"

#include <atomic>
#include <initializer_list>
#include <string>
#include <string_view>

#include "monitor/Common/Log.h"
#include "monitor/ProcessInfo.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Text.h"

using namespace plat;

namespace {

using Texts = std::initializer_list<const char16_t*>;

const Texts kWordScanCaptions = {u"收件人...",     u"收件者...",     u"收件人(&X)...",
                                 u"收件人(&O)...", u"收件者(&O)...", u"收件者(&T)...",
                                 u"收件人&...",    u"收件者&...",    u"To&..."};
const Texts kOutlookScanCaptions = {u"收件人...",     u"收件人(&X)...", u"收件人(&O)...",
                                    u"收件者(&O)...", u"收件者(&T)...", u"收件人&...",
                                    u"收件者&...",    u"To&...",        u"To",
                                    u"收件人(&T)...", u"收件人(T)",     u"收件人(&T)",
                                    u"收件者(T)",     u"收件者(&T)",    u"必需(&U)",
                                    u"必需(U)"};
const Texts kOutlookHotKeyCaptions = {
    u"收件人...",     u"收件人(&X)...", u"收件人(&O)...", u"收件人(&T)...", u"收件者(&X)...",
    u"收件者(&O)...", u"收件者(&T)...", u"收件人&...",    u"收件者&...",    u"To&..."};
const Texts kToPrefixes = {u"收件人", u"收件者", u"To"};
const Texts kOutlookScanPrefixes = {u"收件人", u"收件者", u"To", u"必需"};

const Texts kFoxmailScanPhrases = {u"写邮件",   u"Compose",  u"撰寫郵件",
                                   u"会议请求", u"會議請求", u"Meeting Request"};
const Texts kFoxmailHotKeyPhrases = {u"写邮件", u"Compose", u"撰寫郵件"};
const Texts kMailPhrases = {u"邮件", u"郵件", u"会议", u"會議"};
const Texts kOutlookScanPhrases = {u"- Message", u"邮件", u"郵件", u"会议", u"會議"};
const Texts kWordHotKeyPhrases = {u"邮件", u"郵件"};

constexpr int kUnread = 999;

struct DetectState {
    // Read every second by the scan; kept lock-free (the scan runs on the main thread).
    std::atomic<HWND> lastForeground{nullptr};
    std::atomic<int> logLevel{kUnread};
    HWND lastMouse = nullptr;
    int outlookVersion = 0;
    int wordVersion = 0;
    IButtonAttacher* attacher = nullptr;
};

DetectState& State() {
    static DetectState s;
    return s;
}

std::u16string SysConfig() { return JoinPath(ProgramFolder(), u"sysconfig.ini"); }

bool ContainsAny(std::u16string_view text, Texts phrases) {
    for (const char16_t* p : phrases)
        if (text.find(p) != std::u16string_view::npos) return true;
    return false;
}

bool StartsWithAny(std::u16string_view text, Texts prefixes) {
    for (const char16_t* p : prefixes)
        if (text.starts_with(p)) return true;
    return false;
}

// A direct child by class and title (an empty title by default); none under no parent.
HWND Child(HWND parent, const char16_t* cls, const char16_t* title = u"") {
    return parent ? FindWindowEx(parent, nullptr, cls, title) : nullptr;
}

HWND NextChild(HWND parent, HWND after, const char16_t* cls, const char16_t* title = u"") {
    return parent ? FindWindowEx(parent, after, cls, title) : nullptr;
}

HWND ButtonByCaptions(HWND dialog, Texts captions) {
    for (const char16_t* c : captions)
        if (HWND b = Child(dialog, u"Button", c)) return b;
    return nullptr;
}

// The first "Button" (any title) whose caption starts with one of the prefixes.
HWND ButtonByPrefix(HWND dialog, Texts prefixes) {
    for (HWND b = NextChild(dialog, nullptr, u"Button", nullptr); b;
         b = NextChild(dialog, b, u"Button", nullptr)) {
        std::u16string caption = GetWindowText(b);
        if (StartsWithAny(caption, prefixes)) {
            WRITE_LOGF(u"find wnd5:%s\r\n", caption);
            return b;
        }
    }
    return nullptr;
}

// Word's envelope dialog: top dock -> "信封" bar -> "#32770".
HWND WordEnvelope(HWND w) {
    HWND dock = Child(w, u"MsoCommandBarDock", u"MsoDockTop");
    HWND bar = Child(dock, u"MsoCommandBar", u"信封");
    return Child(bar, u"#32770");
}

bool IsProcess(std::u16string_view name, const char16_t* exe) { return EqualsNoCase(name, exe); }

int VersionOrDefault(int& cache, const char16_t* exe, bool tryAppPath, const char16_t* section,
                     int fallback) {
    if (cache) return cache;
    int v = GetProductMajorVersion(exe);
    if (v == 0 && tryAppPath) {
        std::u16string path = FindOutlookPath();
        if (!path.empty()) v = GetProductMajorVersion(path);
    }
    if (v != 0) {
        cache = v;
        return v;
    }
    return GetPrivateProfileInt(section, u"version", fallback, SysConfig());
}

int OutlookKindForScan(int v) {
    switch (v) {
        case 11:
            return 5;
        case 12:
            return 6;
        case 14:
            return 7;
        case 15:
            return 8;
        default:
            return v >= 16 ? 9 : kClientNone;
    }
}

int OutlookKindForHotKey(int v) {
    return v == 16 ? 9 : v >= 16 ? kClientNone : OutlookKindForScan(v);
}

// --- The scan's detectors --------------------------------------------------------

void ScanFoxmail(HWND w, ScanResult& r) {
    std::u16string title = GetWindowText(w), cls = GetClassName(w);
    bool compose = ContainsAny(title, kFoxmailScanPhrases);
    if (compose && EqualsNoCase(cls, u"TFoxComposeForm.UnicodeClass")) {
        HWND layout = Child(Child(w, u"TFoxComposeFrame.UnicodeClass"), u"TLayoutManager");
        if (!Child(layout, u"TFMZRichEdit.UnicodeClass") && !Child(layout, u"TFMZRichEdit")) return;
        HWND editor = Child(layout, u"TFoxHTMLEditor");
        HWND dock = Child(Child(editor, u"TFoxHTMLEditorToolbar"), u"TTBXDock");
        HWND toolbar = Child(dock, u"TTBXToolbar", u"editorToolBar");
        if (!toolbar) return;
        r = {2, layout, toolbar, 0, 0};
    } else if (compose && EqualsNoCase(cls, u"TF_compose.UnicodeClass")) {
        HWND panel = Child(w, u"TComposeFrame.UnicodeClass");
        for (int i = 0; i < 3; ++i) panel = Child(panel, u"TXPanel");
        HWND button = Child(panel, u"TTBXButton");
        if (!button) return;
        r = {1, button, panel, 0, 0};
    }
}

void ScanWord(HWND w, ScanResult& r) {
    if (!ContainsAny(GetWindowText(w), kMailPhrases) || !EqualsNoCase(GetClassName(w), u"OpusApp"))
        return;
    HWND dialog = WordEnvelope(w);
    if (!dialog) return;
    HWND button = ButtonByCaptions(dialog, kWordScanCaptions);
    if (!button) button = ButtonByPrefix(dialog, kToPrefixes);
    if (button) r = {5, button, dialog, 123, 111};
}

void ScanOutlook(HWND w, ScanResult& r) {
    int version = GetOutlookVersion();
    if (!EqualsNoCase(GetClassName(w), u"rctrl_renwnd32") ||
        !ContainsAny(GetWindowText(w), kOutlookScanPhrases))
        return;
    for (HWND a1 = Child(w, u"AfxWndW"); a1; a1 = NextChild(w, a1, u"AfxWndW")) {
        for (HWND a2 = Child(a1, u"AfxWndW"); a2; a2 = NextChild(a1, a2, u"AfxWndW")) {
            for (HWND d = Child(a2, u"#32770"); d; d = NextChild(a2, d, u"#32770")) {
                HWND button = ButtonByCaptions(d, kOutlookScanCaptions);
                if (!button) button = ButtonByPrefix(d, kOutlookScanPrefixes);
                if (!button) continue;
                int kind = OutlookKindForScan(version);
                HWND anchor = kind == kClientNone ? nullptr : button;
                HWND parent = kind == kClientNone ? nullptr : d;
                WRITE_LOGF(u"msgwnd:%d parentwnd:%d\r\n", HandleToInt(anchor), HandleToInt(parent));
                if (kind != kClientNone) {
                    r = {kind, anchor, parent, 123, 111};
                    return;
                }
            }
        }
    }
}

// Diagnostics of the window under the mouse, for [LOG] value other than 0.
void TrackMouseWindow(int level) {
    DetectState& s = State();
    POINT pt;
    GetCursorPos(pt);
    HWND cur = WindowFromPoint(pt);
    if (!cur || cur == s.lastMouse) return;
    s.lastMouse = cur;
    HWND parent = GetParent(cur);
    std::u16string cls = GetClassName(cur), title = GetWindowText(cur);
    std::u16string name = GetProcessName(cur);
    if (level != 1 || !IsProcess(name, u"OUTLOOK.EXE")) return;
    WRITE_LOGF(u"pwnd:%d curwnd:%d wintext:%s classtext:%s\r\n", HandleToInt(parent),
               HandleToInt(cur), title, cls);
    if (title != u"To&...") return;
    for (HWND p = parent; p; p = GetParent(p))
        WRITE_LOGF(u"pwnd:%d wintext:%s classtext:%s\r\n", HandleToInt(p), GetWindowText(p),
                   GetClassName(p));
}

// --- The hot key's detectors -------------------------------------------------------------

ComposeTarget HotKeyFoxmail(HWND w) {
    std::u16string title = GetWindowText(w), cls = GetClassName(w);
    bool writes = title.find(u"写邮件") != std::u16string::npos;
    if (writes && EqualsNoCase(cls, u"TF_compose")) {
        for (HWND p1 = Child(w, u"TPanel"); p1; p1 = NextChild(w, p1, u"TPanel"))
            for (HWND p2 = Child(p1, u"TPanel"); p2; p2 = NextChild(p1, p2, u"TPanel"))
                for (HWND p3 = Child(p2, u"TPanel"); p3; p3 = NextChild(p2, p3, u"TPanel"))
                    if (HWND b = Child(p3, u"TTBXButton", u"收件人:")) return {b, 0};
        return {};
    }
    if (ContainsAny(title, kFoxmailHotKeyPhrases) &&
        EqualsNoCase(cls, u"TF_compose.UnicodeClass")) {
        HWND x1 = Child(Child(w, u"TComposeFrame.UnicodeClass"), u"TXPanel");
        HWND x2 = Child(x1, u"TXPanel");
        HWND x3 = Child(x2, u"TXPanel");
        if (!x3) return {};
        if (HWND b = Child(x3, u"TTBXButton", u"发件人")) return {b, 1};
        HWND next = NextChild(x2, x3, u"TXPanel");
        if (HWND b = Child(next, u"TTBXButton", u"发件人")) return {b, 1};
        return {};
    }
    if (writes && EqualsNoCase(cls, u"TFoxComposeForm.UnicodeClass")) {
        HWND layout = Child(Child(w, u"TFoxComposeFrame.UnicodeClass"), u"TLayoutManager");
        if (Child(layout, u"TFMZRichEdit.UnicodeClass") || Child(layout, u"TFMZRichEdit"))
            return {layout, 2};
    }
    return {};
}

ComposeTarget HotKeyOutlook(HWND w) {
    int version = GetOutlookVersion();
    if (GetWindowText(w).find(u" - 邮件 (") == std::u16string::npos ||
        !EqualsNoCase(GetClassName(w), u"rctrl_renwnd32"))
        return {};
    HWND a1 = Child(w, u"AfxWndW");
    if (!a1) return {};
    if (HWND a2 = Child(a1, u"AfxWndW")) {
        HWND d = Child(a2, u"#32770");
        int kind = OutlookKindForHotKey(version);
        if (!d || kind == kClientNone) return {};
        if (HWND b = ButtonByCaptions(d, kOutlookHotKeyCaptions)) return {b, kind};
        return {};
    }
    HWND d = Child(a1, u"#32770");
    if (!d) return {};
    HWND b = ButtonByCaptions(d, kOutlookHotKeyCaptions);
    if (!b) b = ButtonByPrefix(d, kToPrefixes);
    return b ? ComposeTarget{b, 5} : ComposeTarget{};
}

ComposeTarget HotKeyWord(HWND w) {
    if (GetWordVersion() != 11) return {};
    if (!ContainsAny(GetWindowText(w), kWordHotKeyPhrases) ||
        !EqualsNoCase(GetClassName(w), u"OpusApp"))
        return {};
    HWND dialog = WordEnvelope(w);
    HWND b = Child(dialog, u"Button", u"收件人...");
    if (!b) b = Child(dialog, u"Button", u"收件者...");
    return b ? ComposeTarget{b, 5} : ComposeTarget{};
}

}  // namespace

void SetButtonAttacher(IButtonAttacher* attacher) { State().attacher = attacher; }

int GetOutlookVersion() {
    return VersionOrDefault(State().outlookVersion, u"OUTLOOK.EXE", true, u"OUTLOOK", 15);
}

int GetWordVersion() {
    return VersionOrDefault(State().wordVersion, u"WINWORD.EXE", false, u"WINWORD", 11);
}

ScanResult DetectForScan(HWND w) {
    ScanResult r;
    std::u16string name = GetProcessName(w);
    WRITE_LOG(name + u"\r\n");
    if (IsProcess(name, u"Foxmail.exe"))
        ScanFoxmail(w, r);
    else if (IsProcess(name, u"WINWORD.EXE"))
        ScanWord(w, r);
    else if (IsProcess(name, u"OUTLOOK.EXE"))
        ScanOutlook(w, r);
    return r;
}

void ScanForeground() {
    DetectState& s = State();
    int level = s.logLevel.load(std::memory_order_relaxed);
    if (level == kUnread) {
        level = GetPrivateProfileInt(u"LOG", u"value", 0, SysConfig());
        s.logLevel.store(level);
    }
    if (level != 0) TrackMouseWindow(level);

    // The common case: nothing changed, one query and back.
    HWND w = GetForegroundWindow();
    if (!w || w == s.lastForeground.load(std::memory_order_relaxed)) return;
    s.lastForeground.store(w, std::memory_order_relaxed);

    ScanResult r = DetectForScan(w);
    if (r.kind != kClientNone && r.anchor && r.parent && s.attacher)
        s.attacher->AttachButton(r.kind, r.anchor, r.parent, r.x, r.y);
}

ComposeTarget DetectForHotKey(HWND w) { return DetectForHotKey(w, GetProcessName(w)); }

ComposeTarget DetectForHotKey(HWND w, std::u16string_view name) {
    if (IsProcess(name, u"Foxmail.exe")) return HotKeyFoxmail(w);
    if (IsProcess(name, u"FlashMail.exe")) {
        if (GetWindowText(w).find(u"写邮件") != std::u16string::npos &&
            EqualsNoCase(GetClassName(w), u"Netease NxMail WriteMailForm"))
            return {w, 3};
        return {};
    }
    if (IsProcess(name, u"OUTLOOK.EXE")) return HotKeyOutlook(w);
    if (IsProcess(name, u"WINWORD.EXE")) return HotKeyWord(w);
    if (IsProcess(name, u"msimn.exe")) {
        if (GetWindowText(w).find(u" - ") != std::u16string::npos &&
            EqualsNoCase(GetClassName(w), u"ATH_Note"))
            if (HWND env = Child(w, u"OE_Envelope")) return {env, 4};
        return {};
    }
    return {};
}

void ResetComposeDetection() {
    DetectState& s = State();
    s.lastForeground = nullptr;
    s.logLevel = kUnread;
    s.lastMouse = nullptr;
    s.outlookVersion = 0;
    s.wordVersion = 0;
}
