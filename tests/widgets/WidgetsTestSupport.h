// A skinned frame to put the child controls on, which keeps what they tell
// it: WM_NOTIFY and WM_COMMAND codes, the frame's own child reports, and the
// recipient lists' double-click notice.
#pragma once

#include <vector>

#include "controls/ControlsTestSupport.h"
#include "monitor/Controls/ExMessages.h"

namespace qntest {

struct Notice {
    plat::UINT message;  // WM_NOTIFY, WM_COMMAND, WM_AB_TREEDBLCLK, WM_EX_DELETEITEM
    int code;            // notification code, or wParam
    plat::HWND from;
};

class WidgetFrame : public RecordingFrame {
public:
    explicit WidgetFrame(int templateId = 900) : RecordingFrame(templateId) {}
    std::vector<Notice> notices;

    int Count(plat::UINT message, int code) const {
        int n = 0;
        for (const Notice& x : notices) n += x.message == message && x.code == code;
        return n;
    }
    int CountChild(int event, plat::HWND child) const {
        int n = 0;
        for (const auto& e : childEvents) n += e.first == event && e.second == child;
        return n;
    }

protected:
    plat::LRESULT OnMessage(plat::UINT m, plat::WPARAM w, plat::LPARAM l) override {
        if (m == plat::WM_NOTIFY && l) {
            const auto* h = reinterpret_cast<const NMHDR*>(l);
            notices.push_back({m, h->code, h->hwndFrom});
        } else if (m == plat::WM_COMMAND && l) {
            notices.push_back({m, plat::HIWORD(w), reinterpret_cast<plat::HWND>(l)});
        } else if (m == WM_AB_TREEDBLCLK || m == WM_EX_DELETEITEM) {
            notices.push_back({m, int(w), reinterpret_cast<plat::HWND>(w)});
        }
        return RecordingFrame::OnMessage(m, w, l);
    }
};

class WidgetsTest : public ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        ASSERT_TRUE(frame.Create(nullptr));
        plat::ShowWindow(frame.GetSafeHwnd(), plat::SW_SHOW);
        Pump();
    }
    void TearDown() override {
        frame.DestroyWindow();
        ControlsTest::TearDown();
    }

    // A press with modifier flags, as the system reports Ctrl and Shift clicks.
    static void ClickWith(plat::HWND h, int x, int y, plat::WPARAM keys) {
        MoveTo(h, x, y);
        plat::PostMessage(h, plat::WM_LBUTTONDOWN, plat::MK_LBUTTON | keys, plat::MAKELPARAM(x, y));
        Pump();
        plat::PostMessage(h, plat::WM_LBUTTONUP, keys, plat::MAKELPARAM(x, y));
        Pump();
    }
    static void KeyWith(plat::UINT vk, int modifier, plat::HWND to = nullptr) {
        plat::SetKeyState(modifier, true);
        Key(vk, false, to);
        plat::SetKeyState(modifier, false);
    }

    WidgetFrame frame;
};

}  // namespace qntest
