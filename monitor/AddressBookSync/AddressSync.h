// The sync chain as the monitor window runs it: the private book is downloaded,
// then the service is asked whether the shared book changed, and if so the
// shared book is downloaded. Each step is a web call whose callback stores the
// reply and posts WM_AB_SYNCEVENT to the monitor window, which hands it to
// OnSyncEvent for the next step. The monitor window owns a CAddressSync and
// gives it the windows around it; the headless front end does the same.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "monitor/AddressBookSync/SyncProgress.h"
#include "monitor/SignInCheck.h"
#include "platform/desktop/Window.h"

constexpr plat::UINT WM_AB_LOGGEDIN = plat::WM_USER + 1001;   // 0x7E9
constexpr plat::UINT WM_AB_SYNCEVENT = plat::WM_USER + 2061;  // 0xC0D

// lParam of WM_AB_SYNCEVENT; wParam is the value.
enum SyncEvent : plat::LPARAM {
    EVENT_CHECKB = 1,  // download the shared book; wParam its stamp (0 unknown)
    EVENT_SHARE = 2,   // the chain ended well
    EVENT_SELF = 3,    // the private book is done: run the check
    EVENT_ERROR = 4,   // the chain ended badly; wParam a heap text or 0
};

extern const char16_t kSyncTitle[];  // "同步web联系人"

// One per request: made by the requester, freed with the call after its
// callback.
struct CSyncContext {
    plat::HWND notifyWnd = nullptr;  // the monitor window
    int32_t reserved = 0;
    std::u16string dbPath;  // the account's Address.db
    std::u16string account;
    int32_t isAuto = 0;  // printed by the callbacks' log lines
};

// Posts an event to the monitor window. An error's text goes on the heap for
// the receiver to free; it is freed here when the post fails.
void PostSyncEvent(plat::HWND monitor, SyncEvent event, plat::WPARAM value = 0);
void PostSyncError(plat::HWND monitor, const std::u16string& text);

// The account's Address.db; empty for an account that cannot name a folder.
std::u16string AccountDbPath(std::u16string_view account);

// What the chain needs of the windows the monitor window owns.
class CSyncWindows {
public:
    virtual ~CSyncWindows() = default;
    // Receives WM_AB_SYNCEVENT and WM_AB_LOGGEDIN.
    virtual plat::HWND MonitorWindow() = 0;
    virtual CSyncProgress& ProgressWindow() = 0;
    virtual bool IsAddressBookVisible() = 0;
    // Null while no login window is open.
    virtual plat::HWND LoginWindow() = 0;
    virtual void CloseLoginWindow() = 0;
    // A bubble tip in the given slot; false when none could be made. The tip
    // tells BubbleTipClosed when it goes.
    virtual bool OpenBubbleTip(int slot, const std::u16string& title,
                               const std::u16string& text) = 0;
};

class CWebCall;

// One request of the chain as it is handed to a web call.
struct SyncCall {
    std::u16string host;
    uint16_t port = 80;
    std::u16string path;
    std::u16string body;
    int finishNotice = 0;
    void (*callback)(CWebCall*) = nullptr;
};

class CAddressSync : public CSignInTarget {
public:
    static constexpr int kBubbleTipSlots = 10;

    explicit CAddressSync(CSyncWindows& windows) : m_windows(windows) {}

    // The sign-in values; the web host stays as the first download sets it.
    void SetSignInValues(const SignInValues& values) override;
    const SignInValues& Values() const { return m_values; }

    // Starts the chain with the private download.
    void SyncPersonal() override;
    // The check request; `type` is 1 in the chain.
    void SyncCheck(int type);
    void SyncShare();
    // The monitor window's WM_AB_SYNCEVENT.
    void OnSyncEvent(plat::WPARAM wParam, plat::LPARAM lParam);

    void BubbleTipClosed(int slot);
    int OpenBubbleTips() const;

    // The web port: MailPort as a number, else 80.
    uint16_t WebPort() const;

protected:
    // Starts the web call, with the progress window as its notify window and
    // holding its cancel flag. Tests look at the request instead.
    virtual void StartCall(SyncCall call);

private:
    void SignedIn();
    void ShowFailure(plat::WPARAM message);

    CSyncWindows& m_windows;
    SignInValues m_values;
    std::array<bool, kBubbleTipSlots> m_tips{};
};
