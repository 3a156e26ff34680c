#include "monitor/AddressBookSync/HeadlessSync.h"

#include <algorithm>

#include "monitor/AddressBookSync/Thread.h"
#include "platform/Time.h"

class CHeadlessSync::MonitorWnd : public plat::Window {
public:
    explicit MonitorWnd(CHeadlessSync& owner) : m_owner(owner) {
        CreateEx(0, u"QnHeadlessMonitor", u"AB_NULLDLG", plat::WS_POPUP, 0, 0, 0, 0, nullptr);
    }

protected:
    plat::LRESULT WindowProc(plat::UINT message, plat::WPARAM wParam,
                             plat::LPARAM lParam) override {
        if (message == WM_AB_SYNCEVENT) {
            m_owner.OnEvent(wParam, lParam);
            return 0;
        }
        if (message == WM_AB_LOGGEDIN) {
            m_owner.m_signedIn = true;
            return 0;
        }
        return Window::WindowProc(message, wParam, lParam);
    }

private:
    CHeadlessSync& m_owner;
};

class CHeadlessSync::ProgressWnd : public plat::Window, public CSyncProgress {
public:
    explicit ProgressWnd(Observer* observer) : m_observer(observer) {
        CreateEx(0, u"QnHeadlessProgress", u"", plat::WS_POPUP, 0, 0, 290, 140, nullptr);
    }
    plat::HWND Handle() const override { return m_hWnd; }
    void Redraw() override {
        if (m_observer) m_observer->ProgressChanged(*this, plat::IsWindowVisible(m_hWnd));
    }

protected:
    plat::LRESULT WindowProc(plat::UINT message, plat::WPARAM wParam,
                             plat::LPARAM lParam) override {
        if (message == WM_AB_PROGRESS) {
            OnProgress(wParam, lParam);
            return 0;
        }
        plat::LRESULT result = Window::WindowProc(message, wParam, lParam);
        if (message == plat::WM_SHOWWINDOW) {
            m_visible = wParam != 0;
            if (m_observer) m_observer->ProgressChanged(*this, m_visible);
        }
        return result;
    }

private:
    Observer* m_observer;
    bool m_visible = false;
};

class CHeadlessSync::LoginWnd : public plat::Window {
public:
    LoginWnd() { CreateEx(0, u"QnHeadlessLogin", u"", plat::WS_POPUP, 0, 0, 330, 230, nullptr); }
    int enabled = 0;

protected:
    plat::LRESULT WindowProc(plat::UINT message, plat::WPARAM wParam,
                             plat::LPARAM lParam) override {
        if (message == WM_AB_LOGINENABLE) {
            ++enabled;
            return 0;
        }
        return Window::WindowProc(message, wParam, lParam);
    }
};

CHeadlessSync::CHeadlessSync(Observer* observer)
    : m_observer(observer),
      m_monitor(std::make_unique<MonitorWnd>(*this)),
      m_progress(std::make_unique<ProgressWnd>(observer)) {}

CHeadlessSync::~CHeadlessSync() = default;

plat::HWND CHeadlessSync::MonitorWindow() { return m_monitor->Handle(); }

CSyncProgress& CHeadlessSync::ProgressWindow() { return *m_progress; }

void CHeadlessSync::SetLoginWindowOpen(bool open) {
    if (open && !m_login) m_login = std::make_unique<LoginWnd>();
    if (!open) m_login.reset();
}

bool CHeadlessSync::LoginWindowOpen() const { return m_login != nullptr; }

int CHeadlessSync::LoginEnableCount() const { return m_login ? m_login->enabled : 0; }

plat::HWND CHeadlessSync::LoginWindow() { return m_login ? m_login->Handle() : nullptr; }

void CHeadlessSync::CloseLoginWindow() { m_login.reset(); }

bool CHeadlessSync::OpenBubbleTip(int slot, const std::u16string& title,
                                  const std::u16string& text) {
    m_openTips.push_back(slot);
    m_tips.push_back(text);
    if (m_observer) m_observer->BubbleTip(title, text);
    return true;
}

void CHeadlessSync::CloseBubbleTips() {
    for (int slot : m_openTips)
        if (m_sync) m_sync->BubbleTipClosed(slot);
    m_openTips.clear();
}

void CHeadlessSync::OnEvent(plat::WPARAM wParam, plat::LPARAM lParam) {
    m_events.push_back(lParam);
    if (m_sync)
        m_sync->OnSyncEvent(wParam, lParam);
    else if (lParam == EVENT_ERROR)
        delete reinterpret_cast<std::u16string*>(wParam);
    if (lParam == EVENT_ERROR && !m_signedIn) m_failed = true;
    if (!m_keepTips) CloseBubbleTips();
}

CHeadlessSync::Outcome CHeadlessSync::Run(uint32_t limitMs) {
    const uint64_t end = plat::TickCount64() + limitMs;
    m_signedIn = m_failed = false;
    for (;;) {
        if (!plat::PumpWaitingMessages()) return kStopped;
        if (m_signedIn) return kSignedIn;
        if (m_failed) return kFailed;
        // A worker posts its last message before it counts as done, so once
        // none runs, what is queued now is all that will ever come.
        if (CThread::RunningWorkers() == 0) {
            plat::MSG msg;
            if (!plat::PeekMessage(msg, nullptr, 0, 0, plat::PM_NOREMOVE)) return kStopped;
            continue;
        }
        const uint64_t now = plat::TickCount64();
        if (now >= end) return kTimedOut;
        plat::WaitMessage(uint32_t(std::min<uint64_t>(end - now, 50)));
    }
}
