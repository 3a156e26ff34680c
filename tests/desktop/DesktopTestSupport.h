// Shared pieces of the desktop tests: a fixture that leaves a clean desktop,
// and a window whose procedure a test can script.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "platform/desktop/Window.h"

namespace qntest {

class DesktopTest : public ::testing::Test {
protected:
    void TearDown() override { plat::ResetDesktop(); }
};

class ScriptedWindow : public plat::Window {
public:
    using Handler = std::function<bool(plat::UINT, plat::WPARAM, plat::LPARAM, plat::LRESULT&)>;
    explicit ScriptedWindow(Handler h = {}) : m_handler(std::move(h)) { RecordMessages(true); }
    void SetHandler(Handler h) { m_handler = std::move(h); }

    plat::HWND MakeTop(std::u16string_view cls, std::u16string_view title = u"",
                       uint32_t style = plat::WS_VISIBLE | plat::WS_POPUP) {
        return CreateEx(0, cls, title, style, 100, 100, 400, 300, nullptr);
    }
    plat::HWND MakeChild(plat::HWND parent, std::u16string_view cls,
                         std::u16string_view title = u"", int id = 0,
                         uint32_t style = plat::WS_VISIBLE | plat::WS_CHILD) {
        return CreateEx(0, cls, title, style, 10, 10, 50, 20, parent, id);
    }
    using plat::Window::EndModalLoop;
    // The last received message of a kind (a default record when none came).
    plat::MessageRecord Last(plat::UINT message) const {
        for (auto it = Messages().rbegin(); it != Messages().rend(); ++it)
            if (it->message == message) return *it;
        return {};
    }

protected:
    plat::LRESULT WindowProc(plat::UINT m, plat::WPARAM w, plat::LPARAM l) override {
        plat::LRESULT r = 0;
        if (m_handler && m_handler(m, w, l, r)) return r;
        return Window::WindowProc(m, w, l);
    }

private:
    Handler m_handler;
};

}  // namespace qntest
