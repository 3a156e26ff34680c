#include "monitor/AddressBookSync/SyncProgress.h"

#include <algorithm>

namespace {

constexpr std::u16string_view kLineBreak = u"\r\n";

bool StartsWithLineBreak(const std::u16string& text) {
    return text.compare(0, kLineBreak.size(), kLineBreak) == 0;
}

}  // namespace

std::u16string CSyncProgress::StatusLine() const {
    return StartsWithLineBreak(m_text) ? m_text.substr(kLineBreak.size()) : m_text;
}

void CSyncProgress::OnProgress(plat::WPARAM command, plat::LPARAM value) {
    switch (command) {
        case kProgressText: {
            auto* text = reinterpret_cast<std::u16string*>(value);
            m_text = text ? *text : std::u16string();
            delete text;
            Redraw();
            break;
        }
        case kProgressPercent:
            m_percent = int(std::clamp<plat::LPARAM>(value, 0, 100));
            Redraw();
            break;
        case kProgressShow:
            if (StartsWithLineBreak(m_text)) m_text.erase(0, kLineBreak.size());
            Redraw();
            break;
        case kProgressHide:
            plat::ShowWindow(Handle(), plat::SW_HIDE);
            break;
        default:
            break;
    }
}

void CSyncProgress::Cancel(plat::HWND loginWindow) {
    if (m_cancel) m_cancel->Set();
    plat::ShowWindow(Handle(), plat::SW_HIDE);
    if (loginWindow) plat::PostMessage(loginWindow, WM_AB_LOGINENABLE);
}

void PostProgressText(plat::HWND progress, const std::u16string& text) {
    if (!progress) return;
    auto* heap = new std::u16string(text);
    if (!plat::PostMessage(progress, WM_AB_PROGRESS, kProgressText,
                           reinterpret_cast<plat::LPARAM>(heap)))
        delete heap;
}
