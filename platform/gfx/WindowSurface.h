// The pixels of the windows: every window that paints gets a surface of its
// client size, kept as it was last painted, so that a screenshot shows what
// the program drew. Painting goes through PaintDC, as BeginPaint/EndPaint do.
#pragma once

#include <memory>

#include "platform/desktop/Window.h"
#include "platform/gfx/Gdi.h"

namespace plat {

// The window's client pixels, made (or resized, keeping the top-left part) to
// the client size on demand; the null bitmap for no window or an empty client.
Bitmap GetWindowSurface(HWND hwnd);
bool HasWindowSurface(HWND hwnd);

// WM_PAINT: validates the invalid part and draws on the window's surface,
// clipped to that part.
class PaintDC {
public:
    explicit PaintDC(HWND hwnd);
    ~PaintDC();
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;

    bool IsValid() const { return m_canvas != nullptr; }
    Canvas& Dc() { return *m_canvas; }
    // The part to repaint, in client coordinates.
    const RECT& PaintRect() const { return m_ps.rcPaint; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps;
    std::unique_ptr<Canvas> m_canvas;
};

// Drawing on the client area outside WM_PAINT (the system's GetDC).
class ClientDC {
public:
    explicit ClientDC(HWND hwnd);
    bool IsValid() const { return m_canvas != nullptr; }
    Canvas& Dc() { return *m_canvas; }

private:
    std::unique_ptr<Canvas> m_canvas;
};

// Union of two regions (the system's CombineRgn with RGN_OR).
Region UnionRegion(const Region& a, const Region& b);

// The system's window animation: here the window is shown at once in its final
// place; the count of animations asked for is kept for tests.
enum : uint32_t { AW_SLIDE = 0x00040000, AW_VER_NEGATIVE = 0x00000008, AW_HIDE = 0x00010000 };
bool AnimateWindow(HWND hwnd, uint32_t durationMs, uint32_t flags);
int AnimationCount(HWND hwnd);

}  // namespace plat
