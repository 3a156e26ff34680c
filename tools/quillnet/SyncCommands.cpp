// Signing in and synchronising from the command line, exactly as the login
// window and the monitor window run them: the sign-in check, then the sync
// chain to its end, with the progress window's status line and percentage as
// a bar on a terminal (plain lines otherwise) and failures as the user would
// read them in the status line or a bubble tip.
#include <cstdio>
#include <string>

#include "monitor/AccountFolder.h"
#include "monitor/AddressBookSync/AddressSync.h"
#include "monitor/AddressBookSync/HeadlessSync.h"
#include "monitor/Common/AddressDbLock.h"
#include "monitor/Common/Log.h"
#include "monitor/Common/MailboxMatch.h"
#include "monitor/Common/Sqlite.h"
#include "monitor/LoginSettings.h"
#include "monitor/PasswordMask.h"
#include "monitor/SavedLogins.h"
#include "monitor/SignInCheck.h"
#include "platform/Console.h"
#include "platform/File.h"
#include "platform/Format.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "tools/quillnet/Command.h"

namespace {

const char kSigninUsage[] = "signin ACCOUNT PASSWORD [--remember] [--auto]";
const char kSyncUsage[] = "sync ACCOUNT";
const char kLoginsUsage[] = "logins";

// Long enough for any book; a chain that runs longer has hung.
constexpr uint32_t kChainLimitMs = 30 * 60 * 1000;
constexpr int kBarWidth = 30;

int UsageError(const char* usage) {
    std::fprintf(stderr, "usage: quillnet %s\n", usage);
    return 2;
}

// The progress window and the bubble tips on the console.
class ConsoleProgress : public CHeadlessSync::Observer {
public:
    ConsoleProgress() : m_terminal(plat::StdoutIsTerminal()) {}
    ~ConsoleProgress() override { EndLine(); }

    void ProgressChanged(const CSyncProgress& progress, bool visible) override {
        const std::u16string status = progress.StatusLine();
        if (status.empty()) return;
        const int percent = progress.Percent();
        if (status == m_status && percent == m_percent) return;
        if (status != m_status) EndLine();
        m_status = status;
        m_percent = percent;
        if (!m_terminal) {
            quillnet::PrintLine(plat::Format(u"%s %d%%", status, percent));
            return;
        }
        const int filled = percent * kBarWidth / 100;
        std::u16string bar =
            std::u16string(size_t(filled), u'#') + std::u16string(size_t(kBarWidth - filled), u'-');
        quillnet::Print(plat::Format(u"\r\x1b[K%s [%s] %3d%%", status, bar, percent));
        std::fflush(stdout);
        m_lineOpen = true;
        (void)visible;
    }

    void BubbleTip(const std::u16string& title, const std::u16string& text) override {
        EndLine();
        quillnet::PrintLine(plat::Format(u"[%s] %s", title, text));
    }

    void EndLine() {
        if (!m_lineOpen) return;
        std::fputc('\n', stdout);
        m_lineOpen = false;
    }

private:
    bool m_terminal;
    bool m_lineOpen = false;
    std::u16string m_status;
    int m_percent = -1;
};

// The login window's status lines.
class ConsoleSignInView : public CSignInView {
public:
    void CloseServerSettings() override {}
    void EnableControls(bool) override {}
    void ShowStatus(std::u16string_view first, std::u16string_view second) override {
        if (!first.empty()) quillnet::PrintLine(std::u16string(first));
        if (!second.empty()) quillnet::PrintLine(std::u16string(second));
    }
};

// What the monitor's start-up makes below the program folder.
void MakeProgramFolders() {
    for (const char16_t* name : {u"http", u"account", u"temp"})
        plat::CreateDirectory(plat::JoinPath(plat::ProgramFolder(), name));
}

int Count(CSqlite& db, const char16_t* query) {
    int n = 0;
    if (db.Query(query) == 0 && db.Step() == 0) n = db.GetInt(u"n");
    db.Finalize();
    return n;
}

void PrintBookSummary(std::u16string_view account) {
    const std::u16string path = AccountDbPath(account);
    int privateContacts = 0, sharedContacts = 0, privateGroups = 0, sharedGroups = 0;
    {
        AddressDbLock lock;
        CSqlite db;
        if (db.Open(path) == 0) {
            privateContacts = Count(db, u"SELECT count(*) AS n FROM contact_self;");
            sharedContacts = Count(db, u"SELECT count(*) AS n FROM contact_share;");
            privateGroups = Count(db, u"SELECT count(*) AS n FROM contact_group_self;");
            sharedGroups = Count(db, u"SELECT count(*) AS n FROM contact_group_share;");
        }
        db.Close();
    }
    quillnet::PrintLine(plat::Format(
        u"private book: %d groups, %d contacts; shared book: %d groups, %d contacts (%s)",
        privateGroups, privateContacts, sharedGroups, sharedContacts, path));
}

// Runs the chain that SyncPersonal started and reports how it ended.
int FinishChain(CHeadlessSync& windows, ConsoleProgress& progress, std::u16string_view account,
                const char16_t* done) {
    const CHeadlessSync::Outcome outcome = windows.Run(kChainLimitMs);
    progress.EndLine();
    switch (outcome) {
        case CHeadlessSync::kSignedIn:
            quillnet::PrintLine(plat::Format(done, account));
            PrintBookSummary(account);
            return 0;
        case CHeadlessSync::kFailed:
            quillnet::PrintLine(u"the synchronisation failed");
            return 1;
        case CHeadlessSync::kStopped:
            quillnet::PrintLine(u"the synchronisation stopped without an answer");
            return 1;
        default:
            quillnet::PrintLine(u"the synchronisation took too long");
            return 1;
    }
}

int Signin(const quillnet::Args& args) {
    SignInRequest request;
    std::vector<std::string> positional;
    for (const std::string& a : args) {
        if (a == "--remember")
            request.remember = true;
        else if (a == "--auto")
            request.remember = request.autoLogin = true;  // automatic implies remembered
        else
            positional.push_back(a);
    }
    if (positional.size() != 2) return UsageError(kSigninUsage);
    request.account = quillnet::Wide(positional[0]);
    request.password = quillnet::Wide(positional[1]);

    MakeProgramFolders();
    OpenLog();
    ConsoleProgress progress;
    CHeadlessSync windows(&progress);
    CAddressSync sync(windows);
    windows.Attach(&sync);
    windows.SetLoginWindowOpen(true);
    ConsoleSignInView view;
    CSignInCheck check(view, sync);
    if (check.Run(request) != kSignInStarted) return 1;
    int result = FinishChain(windows, progress, request.account, u"signed in as %s");
    CloseLog();
    return result;
}

int Sync(const quillnet::Args& args) {
    if (args.size() != 1) return UsageError(kSyncUsage);
    const std::u16string account = quillnet::Wide(args[0]);
    CSavedLogins logins;
    logins.Load();
    const SavedLogin* login = logins.At(logins.Find(account));
    if (!login) {
        std::fprintf(stderr, "quillnet: no saved login for %s (sign in first)\n", args[0].c_str());
        return 1;
    }
    MakeProgramFolders();
    OpenLog();
    const ServerSettings settings = ReadServerSettings();
    // The server type of this account's last sign-in; for another account's
    // saved login the discovery tells it again.
    const LastLogin last = ReadLastLogin();
    if (last.userName == account) {
        SetServerType(last.serverType == 1 ? 1 : 0);
    } else {
        SetServerType(0);
        CMailboxMatch match;
        match.SetUp(settings.smtpHost, account, settings.smtpPort);
        match.Run();
    }
    ConsoleProgress progress;
    CHeadlessSync windows(&progress);
    CAddressSync sync(windows);
    windows.Attach(&sync);
    sync.SetSignInValues(
        {account, UnmaskPassword(account, login->password), settings.mailHost, settings.mailPort});
    sync.SyncPersonal();
    int result = FinishChain(windows, progress, account, u"%s synchronised");
    CloseLog();
    return result;
}

int Logins(const quillnet::Args& args) {
    if (!args.empty()) return UsageError(kLoginsUsage);
    CSavedLogins logins;
    if (!logins.Load()) {
        std::fprintf(stderr, "quillnet: cannot read %s\n",
                     plat::Utf16ToUtf8(LoginDbPath()).c_str());
        return 1;
    }
    for (const SavedLogin& l : logins.Items())
        quillnet::PrintLine(plat::Format(u"%s  记住密码:%s  自动登录:%s", l.account,
                                         l.rememberPwd == 1 ? u"是" : u"否",
                                         l.autoLogin == 1 ? u"是" : u"否"));
    quillnet::PrintLine(plat::Format(u"%u saved logins, most recent first", logins.Items().size()));
    return 0;
}

}  // namespace

QN_COMMAND("signin", kSigninUsage, Signin);
QN_COMMAND("sync", kSyncUsage, Sync);
QN_COMMAND("logins", kLoginsUsage, Logins);
