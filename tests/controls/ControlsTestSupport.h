// The skinned windows on the simulated desktop: a program folder with the
// installed skin, the hand-driven clock, and the user's hands (mouse, keys).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "monitor/Controls/ExDialog.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "platform/desktop/Clock.h"
#include "platform/desktop/Window.h"
#include "platform/gfx/DialogTemplate.h"
#include "platform/gfx/KeyState.h"
#include "platform/gfx/WindowDefs.h"
#include "support/TestFolder.h"

namespace qntest {

inline void CopyFolder(const std::u16string& from, const std::u16string& to) {
    plat::CreateDirectories(to);
    for (const auto& name : plat::ListDirectory(from))
        plat::CopyFile(plat::JoinPath(from, name), plat::JoinPath(to, name), false);
}

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::u16string installed = plat::Utf8ToUtf16(QN_PROGRAM_DIR);
        CopyFolder(plat::JoinPath(installed, u"skin"), m_folder.Join(u"skin"));
        CopyFolder(plat::JoinPath(installed, u"res"), m_folder.Join(u"res"));
        plat::CreateDirectories(m_folder.Join(u"temp"));
        plat::SetManualClock(1000);
        plat::SetIdleHook([] { return false; });
        plat::ResetKeyState();
        // A plain frame for the tests of the frame itself.
        plat::RegisterDialogTemplate({900, 300, 200, plat::WS_POPUP | plat::WS_CLIPSIBLINGS, 0, u"test frame"});
        plat::SetCursorPos(1900, 1070);
    }
    void TearDown() override {
        plat::ResetDesktop();
        plat::ResetKeyState();
    }

public:
    // Handles what waits, then moves the clock on in steps of 10 ms, so that
    // every timer runs as often as it would.
    static void Pump() { plat::PumpWaitingMessages(); }
    static void Advance(uint64_t ms) {
        Pump();
        for (uint64_t t = 0; t < ms; t += 10) {
            plat::AdvanceClock(std::min<uint64_t>(10, ms - t));
            Pump();
        }
    }

    // The mouse at a client point of the window, as the system reports it.
    static void MoveTo(plat::HWND h, int x, int y) {
        plat::POINT p{x, y};
        plat::ClientToScreen(h, p);
        plat::SetCursorPos(p.x, p.y);
        plat::PostMessage(h, plat::WM_MOUSEMOVE, 0, plat::MAKELPARAM(x, y));
        Pump();
    }
    static void Press(plat::HWND h, int x, int y) {
        MoveTo(h, x, y);
        plat::PostMessage(h, plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, plat::MAKELPARAM(x, y));
        Pump();
    }
    static void Release(plat::HWND h, int x, int y) {
        MoveTo(h, x, y);
        plat::PostMessage(h, plat::WM_LBUTTONUP, 0, plat::MAKELPARAM(x, y));
        Pump();
    }
    static void Click(plat::HWND h, int x, int y) {
        Press(h, x, y);
        Release(h, x, y);
    }
    static void DoubleClick(plat::HWND h, int x, int y) {
        Click(h, x, y);
        plat::PostMessage(h, plat::WM_LBUTTONDBLCLK, plat::MK_LBUTTON, plat::MAKELPARAM(x, y));
        Pump();
        Release(h, x, y);
    }
    // A key pressed where the keyboard focus is (or at `to`).
    static void Key(plat::UINT vk, bool shift = false, plat::HWND to = nullptr) {
        if (shift) plat::SetKeyState(plat::VK_SHIFT, true);
        plat::PostMessage(to ? to : plat::GetFocus(), plat::WM_KEYDOWN, vk, 0);
        Pump();
        plat::PostMessage(to ? to : plat::GetFocus(), plat::WM_KEYUP, vk, 0);
        Pump();
        if (shift) plat::SetKeyState(plat::VK_SHIFT, false);
    }
    static void AltKey(plat::UINT vk, plat::HWND to = nullptr) {
        plat::SetKeyState(plat::VK_MENU, true);
        plat::PostMessage(to ? to : plat::GetFocus(), plat::WM_SYSKEYDOWN, vk, plat::kKeyAltDown);
        Pump();
        plat::SetKeyState(plat::VK_MENU, false);
    }
    static void Type(std::u16string_view text, plat::HWND to = nullptr) {
        for (char16_t c : text) {
            plat::PostMessage(to ? to : plat::GetFocus(), plat::WM_CHAR, c, 0);
            Pump();
        }
    }

    // Where the screenshots go, for a person to look at.
    static std::u16string ScreenshotPath(std::u16string_view name) {
        std::u16string dir = plat::JoinPath(plat::Utf8ToUtf16(QN_BINARY_DIR), u"screenshots");
        plat::CreateDirectories(dir);
        return plat::JoinPath(dir, name);
    }

protected:
    TestFolder m_folder;
};

// A frame that records what it is told.
class RecordingFrame : public CExDialog {
public:
    explicit RecordingFrame(int templateId = 900) : CExDialog(templateId) {}
    std::vector<int> notified;
    std::vector<std::pair<int, plat::HWND>> childEvents;  // 0 text, 1 selection, 4 value
    std::vector<bool> enterEscape;
    std::function<void(RecordingFrame&)> init;

    void OnControlNotify(int id) override { notified.push_back(id); }
    void OnChildTextChanged(plat::HWND c) override { childEvents.push_back({0, c}); }
    void OnChildSelectionChanged(plat::HWND c) override { childEvents.push_back({1, c}); }
    void OnChildValueChanged(plat::HWND c) override { childEvents.push_back({4, c}); }
    void OnEnterOrEscape(bool escape) override { enterEscape.push_back(escape); }

    using CExDialog::PaintFrame;

protected:
    bool OnInitDialog() override {
        CExDialog::OnInitDialog();
        if (init) init(*this);
        return true;
    }
};

}  // namespace qntest
