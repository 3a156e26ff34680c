// The sync progress window's own state and its commands (WM_AB_PROGRESS), as
// the progress window and the headless front end share them: the title, the
// status line, the bar, the running call's cancel flag and the share stamp of
// the last check. The window derives from it and draws in Redraw.
#pragma once

#include <cstdint>
#include <string>

#include "monitor/AddressBookSync/CancelFlag.h"
#include "monitor/AddressBookSync/WebProgress.h"
#include "platform/desktop/Window.h"

// What the progress window posts to the login window when it is cancelled, and
// what the monitor sends it when the sign-in's sync fails: enable the controls.
constexpr plat::UINT WM_AB_LOGINENABLE = plat::WM_USER + 2094;  // 0xC2E

class CSyncProgress {
public:
    virtual ~CSyncProgress() = default;

    // The window that receives WM_AB_PROGRESS.
    virtual plat::HWND Handle() const = 0;
    // Title, status line or bar changed.
    virtual void Redraw() {}

    const std::u16string& Title() const { return m_title; }
    void SetTitle(std::u16string title) { m_title = std::move(title); }
    const std::u16string& Text() const { return m_text; }
    void SetText(std::u16string text) { m_text = std::move(text); }
    // The text as the status line shows it: without a leading "\r\n".
    std::u16string StatusLine() const;
    int Percent() const { return m_percent; }

    // The running call's flag; the window keeps its share after the call ends.
    void SetCancelFlag(CancelFlagPtr flag) { m_cancel = std::move(flag); }
    const CancelFlagPtr& CancelFlag() const { return m_cancel; }
    uint32_t ShareStamp() const { return m_shareStamp; }
    void SetShareStamp(uint32_t stamp) { m_shareStamp = stamp; }

    // One command: 0 takes (and frees) a heap text as the status line, 2 sets
    // the bar, 3 shows title and text, 4 hides the window.
    void OnProgress(plat::WPARAM command, plat::LPARAM value);

    // The close button, "取消", Escape and Enter: stops the running call, hides
    // the window and lets the login window (when open) be used again.
    void Cancel(plat::HWND loginWindow);

private:
    std::u16string m_title;
    std::u16string m_text;
    int m_percent = 0;
    CancelFlagPtr m_cancel;
    uint32_t m_shareStamp = 0;
};

// Posts a heap text to the progress window as its status line; the text is
// freed here when the post fails.
void PostProgressText(plat::HWND progress, const std::u16string& text);
