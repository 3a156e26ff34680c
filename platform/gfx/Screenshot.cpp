#include "platform/gfx/Screenshot.h"

#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/gfx/WindowSurface.h"

namespace plat {

namespace {

bool HasStyle(HWND h, uint32_t style) { return (uint32_t(GetWindowLongPtr(h, GWL_STYLE)) & style) != 0; }

void RepaintOwnTree(HWND h) {
    if (!HasStyle(h, WS_VISIBLE)) return;
    if (GetWindowThreadProcessId(h, nullptr) == CurrentThreadId()) UpdateWindow(h);
    for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) RepaintOwnTree(c);
}

// Windows that never painted themselves: other programs' fixtures. Drawn the
// plain way the system draws its standard controls.
void DrawPlaceholder(Canvas& c, HWND h, const RECT& client) {
    std::u16string cls = GetClassName(h);
    std::u16string text = GetWindowText(h);
    bool field = EqualsNoCase(cls, u"Edit") || cls.find(u"Edit") != std::u16string::npos ||
                 cls.find(u"edit") != std::u16string::npos;
    Font font(u"宋体", 12);
    if (field) {
        c.FillSolidRect(client, RGB(255, 255, 255));
        c.FrameRect(client, RGB(122, 122, 122));
        c.DrawText(text, InflatedRect(client, -3, -2), DT_LEFT | DT_WORDBREAK | DT_NOPREFIX, font,
                   RGB(0, 0, 0));
        return;
    }
    c.FillSolidRect(client, RGB(240, 240, 240));
    if (HasStyle(h, WS_BORDER)) c.FrameRect(client, RGB(160, 160, 160));
    if (HasStyle(h, WS_CHILD) && !text.empty())
        c.DrawText(text, InflatedRect(client, -2, 0), DT_LEFT | DT_VCENTER | DT_SINGLELINE, font,
                   RGB(0, 0, 0));
}

void DrawNonClient(Canvas& c, HWND h, int w, int hh, const RECT& clientAt) {
    if (clientAt.left == 0 && clientAt.top == 0 && clientAt.right == w && clientAt.bottom == hh)
        return;
    c.FillSolidRect({0, 0, w, hh}, RGB(214, 219, 233));
    c.FrameRect({0, 0, w, hh}, RGB(100, 110, 130));
    if (clientAt.top > clientAt.left) {
        RECT bar{1, 1, w - 1, clientAt.top};
        Path p;
        p.Rect(bar.left, bar.top, bar.Width(), bar.Height());
        c.FillPath(p, Brush::Vertical(bar.top, bar.bottom, RGB(88, 132, 196), RGB(52, 92, 158)));
        c.DrawText(GetWindowText(h), {6, 1, w - 6, clientAt.top}, DT_LEFT | DT_VCENTER |
                   DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX, Font(u"宋体", 12),
                   RGB(255, 255, 255));
    }
}

void DrawWindow(Canvas& c, HWND h, int x, int y) {
    RECT wr, client;
    if (!GetWindowRect(h, wr) || !GetClientRect(h, client)) return;
    int w = wr.Width(), hh = wr.Height();
    c.SaveDC();
    c.OffsetOrigin(x, y);
    c.IntersectClipRect({0, 0, w, hh});
    Region rgn;
    if (GetWindowRgn(h, rgn)) c.IntersectClipRgn(rgn);
    POINT o{0, 0};
    ClientToScreen(h, o);
    RECT clientAt = client;
    OffsetRect(clientAt, o.x - wr.left, o.y - wr.top);
    DrawNonClient(c, h, w, hh, clientAt);

    c.SaveDC();
    c.OffsetOrigin(clientAt.left, clientAt.top);
    c.IntersectClipRect(client);
    if (HasWindowSurface(h))
        c.DrawBitmap(0, 0, GetWindowSurface(h));
    else
        DrawPlaceholder(c, h, client);
    // Children from the bottom of the order up.
    if (HWND first = GetWindow(h, GW_CHILD)) {
        for (HWND k = GetWindow(first, GW_HWNDLAST); k; k = GetWindow(k, GW_HWNDPREV)) {
            if (!HasStyle(k, WS_VISIBLE)) continue;
            RECT kr;
            GetWindowRect(k, kr);
            POINT p{kr.left, kr.top};
            ScreenToClient(h, p);
            DrawWindow(c, k, p.x, p.y);
        }
    }
    c.RestoreDC();
    c.RestoreDC();
}

}  // namespace

Bitmap CaptureWindow(HWND hwnd) {
    RECT wr;
    if (!IsWindow(hwnd) || !GetWindowRect(hwnd, wr) || IsRectEmpty(wr)) return {};
    RepaintOwnTree(hwnd);
    Bitmap shot(wr.Width(), wr.Height());
    Canvas c(shot);
    DrawWindow(c, hwnd, 0, 0);
    return shot;
}

Bitmap CaptureDesktop() {
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HWND root = GetDesktopWindow();
    for (HWND t = GetWindow(root, GW_CHILD); t; t = GetWindow(t, GW_HWNDNEXT)) RepaintOwnTree(t);
    Bitmap shot(w, h);
    Canvas c(shot);
    Path p;
    p.Rect(0, 0, w, h);
    c.FillPath(p, Brush::Vertical(0, h, RGB(74, 120, 170), RGB(28, 62, 104)));
    if (HWND first = GetWindow(root, GW_CHILD)) {
        for (HWND t = GetWindow(first, GW_HWNDLAST); t; t = GetWindow(t, GW_HWNDPREV)) {
            if (!HasStyle(t, WS_VISIBLE)) continue;
            RECT wr;
            GetWindowRect(t, wr);
            DrawWindow(c, t, wr.left, wr.top);
        }
    }
    return shot;
}

bool SaveScreenshot(HWND hwnd, std::u16string_view path) {
    Bitmap shot = hwnd ? CaptureWindow(hwnd) : CaptureDesktop();
    return !shot.IsNull() && shot.SavePng(path);
}

}  // namespace plat
