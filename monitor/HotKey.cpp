#include "monitor/HotKey.h"

#include "monitor/Common/Log.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Sync.h"
#include "platform/Text.h"

using namespace plat;

bool ParseHotKeyText(std::u16string_view text, UINT& modifiers, UINT& virtualKey) {
    size_t plus = text.rfind(u'+');
    std::u16string_view mods =
        plus == std::u16string_view::npos ? std::u16string_view() : text.substr(0, plus);
    std::u16string_view key = plus == std::u16string_view::npos ? text : text.substr(plus + 1);

    struct Mod {
        const char16_t* text;
        UINT bits;
    };
    static const Mod kMods[] = {
        {u"Ctrl", MOD_CONTROL},
        {u"Shift", MOD_SHIFT},
        {u"Alt", MOD_ALT},
        {u"Ctrl+Shift", MOD_CONTROL | MOD_SHIFT},
        {u"Ctrl+Alt", MOD_CONTROL | MOD_ALT},
        {u"Shift+Alt", MOD_SHIFT | MOD_ALT},
    };
    modifiers = 0;
    for (const auto& m : kMods)
        if (EqualsNoCase(mods, m.text)) modifiers = m.bits;

    virtualKey = 0;
    if (key.size() == 1) {
        // A letter or digit is its own virtual-key code; anything else (a
        // lower-case letter, a CJK character) is no key.
        char16_t c = key[0];
        if ((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')) virtualKey = c;
    } else if (key.size() >= 2) {
        // A function key: the number after the first character, F1 being 112.
        // Only F1-F24 are keys; "Home" or "Fx" name none.
        int n = 0;
        bool digits = key.size() <= 3;
        for (char16_t c : key.substr(1)) {
            if (c < u'0' || c > u'9')
                digits = false;
            else
                n = n * 10 + (c - u'0');
        }
        if (digits && n >= 1 && n <= 24) virtualKey = UINT(n + 111);
    }
    return virtualKey != 0;
}

std::u16string ReadHotKeyText() {
    std::u16string text = GetPrivateProfileString(u"hotkey", u"mainkey", u"Ctrl+Alt+K",
                                                  JoinPath(ProgramFolder(), u"sysconfig.ini"));
    if (text.size() > 2047) text.resize(2047);
    return text;
}

bool RegisterMonitorHotKey(HWND hwnd, int& id, std::u16string_view text) {
    UINT modifiers = 0, vk = 0;
    bool ok = ParseHotKeyText(text, modifiers, vk) && RegisterHotKey(hwnd, id, modifiers, vk);
    if (!ok) {
        UnregisterHotKey(hwnd, id);
        WRITE_LOGF(u"%s nHotKey=%d 热键注册失败！\r\n", text, id);
        id = -1;
    }
    return ok;
}

void BringToFront(HWND hwnd) {
    uint32_t foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    uint32_t me = CurrentThreadId();
    bool attached =
        foregroundThread && foregroundThread != me && AttachThreadInput(foregroundThread, me, true);
    SetForegroundWindow(hwnd);
    if (attached) AttachThreadInput(foregroundThread, me, false);
}
