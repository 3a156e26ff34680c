#include "platform/desktop/Region.h"

#include <algorithm>
#include <cmath>

namespace plat {

bool IsRectEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool PtInRect(const RECT& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

bool IntersectRect(RECT& out, const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (IsRectEmpty(r)) {
        out = {};
        return false;
    }
    out = r;
    return true;
}

RECT UnionRect(const RECT& a, const RECT& b) {
    if (IsRectEmpty(a)) return b;
    if (IsRectEmpty(b)) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

void OffsetRect(RECT& r, int dx, int dy) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
}

Region Region::FromRect(const RECT& r) {
    Region g;
    g.AddRect(r);
    return g;
}

Region Region::RoundRect(int left, int top, int right, int bottom, int cornerWidth,
                         int cornerHeight) {
    Region g;
    int w = right - left, h = bottom - top;
    if (w <= 0 || h <= 0) return g;
    // One band per row: the corner ellipses cut the row's ends.
    double rx = std::min(cornerWidth, w) / 2.0, ry = std::min(cornerHeight, h) / 2.0;
    for (int y = 0; y < h; ++y) {
        int inset = 0;
        double cy = y + 0.5;
        double dy = cy < ry ? ry - cy : (cy > h - ry ? cy - (h - ry) : 0);
        if (dy > 0 && ry > 0) {
            double t = 1.0 - (dy * dy) / (ry * ry);
            inset = int(std::lround(rx - rx * std::sqrt(std::max(0.0, t))));
        }
        g.AddRect({left + inset, top + y, right - inset, top + y + 1});
    }
    return g;
}

void Region::AddRect(const RECT& r) {
    if (!IsRectEmpty(r)) m_rects.push_back(r);
}

bool Region::Contains(int x, int y) const {
    for (const auto& r : m_rects)
        if (PtInRect(r, x, y)) return true;
    return false;
}

RECT Region::Bounds() const {
    RECT b{};
    for (const auto& r : m_rects) b = UnionRect(b, r);
    return b;
}

void Region::Offset(int dx, int dy) {
    for (auto& r : m_rects) OffsetRect(r, dx, dy);
}

}  // namespace plat
