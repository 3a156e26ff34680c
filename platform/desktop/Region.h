// Rectangles and window regions. A region is a union of rectangles, kept as
// horizontal bands, which is enough for the rounded windows the program makes.
#pragma once

#include <vector>

namespace plat {

struct RECT {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const RECT&) const = default;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

bool IsRectEmpty(const RECT& r);
bool PtInRect(const RECT& r, int x, int y);
// False (and an empty result) when they do not overlap.
bool IntersectRect(RECT& out, const RECT& a, const RECT& b);
// The smallest rectangle that holds both; an empty one is ignored.
RECT UnionRect(const RECT& a, const RECT& b);
void OffsetRect(RECT& r, int dx, int dy);

class Region {
public:
    Region() = default;
    static Region FromRect(const RECT& r);
    // A rounded rectangle over (left, top)-(right, bottom) with corner ellipses of
    // the given width and height, as the system's CreateRoundRectRgn makes it.
    static Region RoundRect(int left, int top, int right, int bottom, int cornerWidth,
                            int cornerHeight);

    void AddRect(const RECT& r);
    bool Contains(int x, int y) const;
    bool IsEmpty() const { return m_rects.empty(); }
    RECT Bounds() const;
    void Offset(int dx, int dy);
    const std::vector<RECT>& Rects() const { return m_rects; }

private:
    std::vector<RECT> m_rects;
};

}  // namespace plat
