#include "platform/gfx/WindowSurface.h"

#include <map>
#include <mutex>

namespace plat {

namespace {

std::mutex g_lock;
std::map<HWND, Bitmap>& Surfaces() {
    static std::map<HWND, Bitmap> s;
    return s;
}
std::map<HWND, int>& Animations() {
    static std::map<HWND, int> a;
    return a;
}

// Handles are never reused, so the pixels of gone windows can be dropped at
// leisure: whenever a new window first paints.
void PruneLocked() {
    auto& s = Surfaces();
    for (auto it = s.begin(); it != s.end();) it = IsWindow(it->first) ? std::next(it) : s.erase(it);
    auto& a = Animations();
    for (auto it = a.begin(); it != a.end();) it = IsWindow(it->first) ? std::next(it) : a.erase(it);
}

}  // namespace

Bitmap GetWindowSurface(HWND hwnd) {
    RECT client;
    if (!IsWindow(hwnd) || !GetClientRect(hwnd, client) || IsRectEmpty(client)) return {};
    std::lock_guard<std::mutex> l(g_lock);
    auto& s = Surfaces();
    auto it = s.find(hwnd);
    if (it == s.end()) {
        PruneLocked();
        it = s.emplace(hwnd, Bitmap(client.right, client.bottom)).first;
        Canvas(it->second).Clear(RGB(255, 255, 255), 255);
    } else if (it->second.Width() != client.right || it->second.Height() != client.bottom) {
        Bitmap grown(client.right, client.bottom);
        Canvas c(grown);
        c.Clear(RGB(255, 255, 255), 255);
        c.BitBlt(0, 0, it->second.Width(), it->second.Height(), it->second, 0, 0);
        it->second = grown;
    }
    return it->second;
}

bool HasWindowSurface(HWND hwnd) {
    std::lock_guard<std::mutex> l(g_lock);
    return Surfaces().count(hwnd) > 0;
}

PaintDC::PaintDC(HWND hwnd) : m_hwnd(hwnd) {
    BeginPaint(hwnd, m_ps);
    Bitmap surface = GetWindowSurface(hwnd);
    if (surface.IsNull()) return;
    m_canvas = std::make_unique<Canvas>(surface);
    m_canvas->IntersectClipRect(m_ps.rcPaint);
}

PaintDC::~PaintDC() {
    m_canvas.reset();
    EndPaint(m_hwnd, m_ps);
}

ClientDC::ClientDC(HWND hwnd) {
    Bitmap surface = GetWindowSurface(hwnd);
    if (!surface.IsNull()) m_canvas = std::make_unique<Canvas>(surface);
}

Region UnionRegion(const Region& a, const Region& b) {
    Region out = a;
    for (const RECT& r : b.Rects()) out.AddRect(r);
    return out;
}

bool AnimateWindow(HWND hwnd, uint32_t, uint32_t flags) {
    if (!IsWindow(hwnd)) return false;
    {
        std::lock_guard<std::mutex> l(g_lock);
        ++Animations()[hwnd];
    }
    ShowWindow(hwnd, (flags & AW_HIDE) ? SW_HIDE : SW_SHOWNA);
    if (!(flags & AW_HIDE)) UpdateWindow(hwnd);
    return true;
}

int AnimationCount(HWND hwnd) {
    std::lock_guard<std::mutex> l(g_lock);
    auto it = Animations().find(hwnd);
    return it == Animations().end() ? 0 : it->second;
}

}  // namespace plat
