// Pictures of what the program shows: one window with its frame and children,
// or the whole desktop with every visible window in order. Windows of the
// calling thread that wait for a repaint are repainted first.
#pragma once

#include <string_view>

#include "platform/desktop/Window.h"
#include "platform/gfx/Gdi.h"

namespace plat {

Bitmap CaptureWindow(HWND hwnd);
Bitmap CaptureDesktop();
// PNG of a window, or of the desktop when hwnd is null.
bool SaveScreenshot(HWND hwnd, std::u16string_view path);

}  // namespace plat
