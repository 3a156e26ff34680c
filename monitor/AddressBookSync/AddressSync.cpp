#include "monitor/AddressBookSync/AddressSync.h"

#include <memory>

#include "monitor/AccountFolder.h"
#include "monitor/AddressBookSync/SyncRequest.h"
#include "monitor/AddressBookSync/SyncResult.h"
#include "monitor/AddressBookSync/WebCall.h"
#include "monitor/Common/AddressDbLock.h"
#include "monitor/Common/Log.h"
#include "monitor/Common/MailboxMatch.h"
#include "monitor/Common/ServerLink.h"
#include "monitor/Common/Sqlite.h"
#include "monitor/Common/TextConvert.h"
#include "monitor/LoginSettings.h"
#include "platform/Format.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Time.h"

const char16_t kSyncTitle[] = u"同步web联系人";

namespace {

// The chain's own log lines belong to the monitor window.
const char kMonitorSource[] = "nullDialog.cpp";

std::u16string SysConfigPath() { return plat::JoinPath(plat::ProgramFolder(), u"sysconfig.ini"); }

std::u16string MailHostOf(std::u16string_view account) {
    return u"mail." + std::u16string(DomainOf(account));
}

std::u16string Otime() { return FormatTime(plat::TimeNow()); }

}  // namespace

void PostSyncEvent(plat::HWND monitor, SyncEvent event, plat::WPARAM value) {
    // A null window would mean the posting worker's own queue.
    if (monitor) plat::PostMessage(monitor, WM_AB_SYNCEVENT, value, event);
}

void PostSyncError(plat::HWND monitor, const std::u16string& text) {
    auto* heap = new std::u16string(text);
    if (!monitor || !plat::PostMessage(monitor, WM_AB_SYNCEVENT,
                                       reinterpret_cast<plat::WPARAM>(heap), EVENT_ERROR))
        delete heap;
}

std::u16string AccountDbPath(std::u16string_view account) {
    std::u16string folder = AccountFolderPath(account);
    return folder.empty() ? folder : plat::JoinPath(folder, u"Address.db");
}

void CAddressSync::SetSignInValues(const SignInValues& values) { m_values = values; }

uint16_t CAddressSync::WebPort() const {
    return m_values.mailPort.empty() ? 80 : uint16_t(PortNumber(m_values.mailPort));
}

void CAddressSync::StartCall(SyncCall request) {
    CSyncProgress& progress = m_windows.ProgressWindow();
    auto context = std::make_shared<CSyncContext>();
    context->notifyWnd = m_windows.MonitorWindow();
    context->dbPath = AccountDbPath(m_values.account);
    context->account = m_values.account;

    auto* call = new CWebCall;
    call->m_multipart = false;
    call->m_body = std::move(request.body);
    call->m_notifyWnd = progress.Handle();
    progress.SetCancelFlag(call->CancelFlag());
    call->m_method = CWebCall::kPost;
    call->m_tempFolder = plat::JoinPath(plat::ProgramFolder(), u"http");
    call->m_host = std::move(request.host);
    call->m_port = request.port;
    call->m_path = std::move(request.path);
    call->m_webData = std::make_unique<CWebData>();
    call->m_callback = request.callback;
    call->m_context = std::move(context);
    call->m_finishNotice = request.finishNotice;
    call->m_autoDelete = true;
    if (!call->Start()) {
        WRITE_LOGF(u"web call not started: %s\r\n", call->m_path);
        delete call;
    }
}

void CAddressSync::SyncPersonal() {
    if (m_values.mailHost.empty()) m_values.mailHost = MailHostOf(m_values.account);
    SyncRequestText request = BookRequest(m_values.account, m_values.password, Otime(), false);

    CSyncProgress& progress = m_windows.ProgressWindow();
    const plat::HWND window = progress.Handle();
    progress.SetTitle(kSyncTitle);
    progress.SetText(u"\r\n正在同步个人通讯录...");
    plat::SendMessage(window, WM_AB_PROGRESS, kProgressPercent, 0);
    plat::SetWindowText(window, kSyncTitle);
    plat::SendMessage(window, WM_AB_PROGRESS, kProgressShow, 0);
    plat::ShowWindow(window, plat::SW_RESTORE);
    plat::SetForegroundWindow(window);
    plat::ShowWindow(window, plat::SW_SHOW);

    StartCall({m_values.mailHost, WebPort(), u"api/mailbox/getAddresses", std::move(request.body),
               3, CallBackSyncPersonal});
}

void CAddressSync::SyncCheck(int type) {
    uint32_t shareTime = 0;
    {
        AddressDbLock lock;
        CSqlite db;
        if (db.Open(AccountDbPath(m_values.account)) == 0 &&
            db.Query(u"SELECT * FROM web_sync WHERE nm='sharetime';") == 0 && db.Step() == 0)
            shareTime = uint32_t(db.GetInt(u"vl"));
        db.Close();
    }
    // A check made with the book open always asks for the whole shared book.
    const std::u16string ts =
        m_windows.IsAddressBookVisible() ? u"0" : plat::Format(u"%lu", shareTime);
    const int serverType = ServerType();
    SyncRequestText request =
        CheckRequest(m_values.account, m_values.password, Otime(), ts, serverType, type);
    WriteLogText(kMonitorSource, __LINE__, kSyncSalt + request.checksumText + u"\r\n");

    CSyncProgress& progress = m_windows.ProgressWindow();
    progress.SetText(u"\r\n正在检测共享通讯录是否更新...");
    plat::SetWindowText(progress.Handle(), kSyncTitle);
    plat::PostMessage(progress.Handle(), WM_AB_PROGRESS, kProgressShow, 0);

    std::u16string host =
        m_values.mailHost.empty() ? MailHostOf(m_values.account) : m_values.mailHost;
    StartCall({std::move(host), WebPort(),
               serverType == 1 ? u"api/mailbox/getSyncFlag" : u"api/post/getSyncFlag",
               std::move(request.body), 0, CallBackSyncCheck});
}

void CAddressSync::SyncShare() {
    SyncRequestText request = BookRequest(m_values.account, m_values.password, Otime(), true);
    CSyncProgress& progress = m_windows.ProgressWindow();
    progress.SetText(u"\r\n正在同步共享通讯录...");
    plat::SetWindowText(progress.Handle(), kSyncTitle);
    plat::PostMessage(progress.Handle(), WM_AB_PROGRESS, kProgressShow, 0);
    // The call hides the progress window when it ends (finish notice 2).
    StartCall({m_values.mailHost, WebPort(), u"api/mailbox/getAddresses", std::move(request.body),
               2, CallBackSyncShare});
}

void CAddressSync::SignedIn() {
    if (m_windows.LoginWindow()) m_windows.CloseLoginWindow();
    const plat::HWND progress = m_windows.ProgressWindow().Handle();
    if (plat::IsWindowVisible(progress)) plat::ShowWindow(progress, plat::SW_HIDE);
    plat::SendMessage(m_windows.MonitorWindow(), WM_AB_LOGGEDIN);
}

void CAddressSync::ShowFailure(plat::WPARAM message) {
    std::unique_ptr<std::u16string> text(reinterpret_cast<std::u16string*>(message));
    if (text) {
        // Ten tips at most; with all of them open the message goes unseen.
        for (int slot = 0; slot < kBubbleTipSlots; ++slot) {
            if (m_tips[size_t(slot)]) continue;
            if (m_windows.OpenBubbleTip(slot, kSyncTitle, *text)) m_tips[size_t(slot)] = true;
            break;
        }
    }
    const plat::HWND progress = m_windows.ProgressWindow().Handle();
    if (plat::IsWindowVisible(progress)) plat::ShowWindow(progress, plat::SW_HIDE);
    if (plat::HWND login = m_windows.LoginWindow()) plat::SendMessage(login, WM_AB_LOGINENABLE);
}

void CAddressSync::OnSyncEvent(plat::WPARAM wParam, plat::LPARAM lParam) {
    switch (lParam) {
        case EVENT_CHECKB:
            WriteLogText(kMonitorSource, __LINE__,
                         plat::Format(u"EVENT_CHECKB Time:%d\r\n", int(uint32_t(wParam))));
            if (wParam != 0) m_windows.ProgressWindow().SetShareStamp(uint32_t(wParam));
            SyncShare();
            break;
        case EVENT_SHARE: {
            const uint32_t stamp = m_windows.ProgressWindow().ShareStamp();
            if (stamp != 0) {
                std::u16string update =
                    plat::Format(u"UPDATE web_sync SET vl = %lu WHERE nm='sharetime';", stamp);
                AddressDbLock lock;
                CSqlite db;
                db.Open(AccountDbPath(m_values.account));
                int rc = db.Exec(update);
                if (rc != 0)
                    WriteLogText(
                        kMonitorSource, __LINE__,
                        plat::Format(u"update web_sync sharetime fail:%d,%s \r\n", rc, update));
                db.Close();
            }
            SignedIn();
            break;
        }
        case EVENT_SELF:
            SyncCheck(1);
            break;
        case EVENT_ERROR:
            if (plat::GetPrivateProfileInt(u"common", u"errornocare", 0, SysConfigPath()) == 1) {
                delete reinterpret_cast<std::u16string*>(wParam);
                SignedIn();
            } else {
                ShowFailure(wParam);
            }
            break;
        default:
            break;
    }
}

void CAddressSync::BubbleTipClosed(int slot) {
    if (slot >= 0 && slot < kBubbleTipSlots) m_tips[size_t(slot)] = false;
}

int CAddressSync::OpenBubbleTips() const {
    int open = 0;
    for (bool taken : m_tips) open += taken ? 1 : 0;
    return open;
}
