// The sync chain without the monitor's windows: hidden windows on the desktop
// stand in for the monitor window (it hands WM_AB_SYNCEVENT to the chain and
// takes WM_AB_LOGGEDIN), the progress window (its state goes to an observer)
// and the login window, and bubble tips go to the observer. The headless front
// end and the tests run the chain through it just as the monitor window does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "monitor/AddressBookSync/AddressSync.h"

class CHeadlessSync : public CSyncWindows {
public:
    class Observer {
    public:
        virtual ~Observer() = default;
        // Title, status line, bar or visibility of the progress window changed.
        virtual void ProgressChanged(const CSyncProgress& /*progress*/, bool /*visible*/) {}
        virtual void BubbleTip(const std::u16string& /*title*/, const std::u16string& /*text*/) {}
    };

    enum Outcome {
        kSignedIn,  // WM_AB_LOGGEDIN came
        kFailed,    // the chain ended with a failure
        kStopped,   // no call runs and nothing more came: cancelled or silent
        kTimedOut,
    };

    // Makes the windows on the calling thread, which must run Run.
    explicit CHeadlessSync(Observer* observer = nullptr);
    ~CHeadlessSync() override;
    CHeadlessSync(const CHeadlessSync&) = delete;
    CHeadlessSync& operator=(const CHeadlessSync&) = delete;

    // The chain the monitor window hands its events to.
    void Attach(CAddressSync* sync) { m_sync = sync; }

    // Handles the calling thread's messages until the chain ends.
    Outcome Run(uint32_t limitMs);

    // A sign-in keeps the login window open while its chain runs.
    void SetLoginWindowOpen(bool open);
    bool LoginWindowOpen() const;
    // WM_AB_LOGINENABLE messages the login window got.
    int LoginEnableCount() const;
    void SetAddressBookVisible(bool visible) { m_bookVisible = visible; }
    // Tips close at once after the event that opened them unless kept; kept
    // tips close with CloseBubbleTips.
    void KeepBubbleTips(bool keep) { m_keepTips = keep; }
    void CloseBubbleTips();
    const std::vector<std::u16string>& BubbleTips() const { return m_tips; }
    bool SignedIn() const { return m_signedIn; }
    // The event codes the monitor window got, in order.
    const std::vector<plat::LPARAM>& Events() const { return m_events; }

    // CSyncWindows
    plat::HWND MonitorWindow() override;
    CSyncProgress& ProgressWindow() override;
    bool IsAddressBookVisible() override { return m_bookVisible; }
    plat::HWND LoginWindow() override;
    void CloseLoginWindow() override;
    bool OpenBubbleTip(int slot, const std::u16string& title, const std::u16string& text) override;

private:
    class MonitorWnd;
    class ProgressWnd;
    class LoginWnd;
    friend class MonitorWnd;

    void OnEvent(plat::WPARAM wParam, plat::LPARAM lParam);

    Observer* m_observer;
    CAddressSync* m_sync = nullptr;
    std::unique_ptr<MonitorWnd> m_monitor;
    std::unique_ptr<ProgressWnd> m_progress;
    std::unique_ptr<LoginWnd> m_login;
    bool m_bookVisible = false;
    bool m_keepTips = false;
    bool m_signedIn = false;
    bool m_failed = false;
    std::vector<int> m_openTips;
    std::vector<std::u16string> m_tips;
    std::vector<plat::LPARAM> m_events;
};
