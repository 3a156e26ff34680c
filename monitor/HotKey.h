// The monitor's global hot key: its text in sysconfig.ini ("Ctrl+Alt+K"),
// parsed into modifiers and a virtual key, and its registration.
#pragma once

#include <string>
#include <string_view>

#include "platform/desktop/Window.h"

// Text to modifiers (MOD_*) and virtual key. False when the text names no
// usable key: a single character that is not A-Z or 0-9, or a longer text that
// is not a function key F1-F24. An unknown modifier text gives no modifier.
bool ParseHotKeyText(std::u16string_view text, plat::UINT& modifiers, plat::UINT& virtualKey);

// sysconfig.ini [hotkey] mainkey, default "Ctrl+Alt+K".
std::u16string ReadHotKeyText();

// Registers the text's combination for the window under `id`. On failure the
// id is unregistered, the failure is logged and `id` becomes -1.
bool RegisterMonitorHotKey(plat::HWND hwnd, int& id, std::u16string_view text);

// Makes the window the foreground window, attaching the foreground thread's
// input to the calling thread for the switch.
void BringToFront(plat::HWND hwnd);
