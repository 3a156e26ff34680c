#include "tools/skingen/Painter.h"

#include <algorithm>

namespace skingen {

using plat::Brush;
using plat::Canvas;
using plat::Path;

void Box(Canvas& c, double x, double y, double w, double h, double radius, const Brush& fill,
         COLORREF border, int borderAlpha) {
    Path p;
    p.RoundRect(x, y, w, h, radius);
    c.FillPath(p, fill);
    if (borderAlpha > 0) {
        Path b;
        b.RoundRect(x + 0.5, y + 0.5, w - 1, h - 1, std::max(0.0, radius - 0.5));
        c.StrokePath(b, Brush::Solid(border, borderAlpha), 1);
    }
}

void ButtonFace(Canvas& c, double x, double y, double w, double h, State s) {
    struct Look {
        COLORREF top, bottom, border;
    };
    static const Look looks[] = {
        {RGB(255, 255, 255), RGB(236, 241, 247), RGB(166, 182, 204)},
        {RGB(246, 250, 255), RGB(218, 233, 251), RGB(94, 149, 218)},
        {RGB(212, 227, 247), RGB(200, 218, 243), RGB(61, 119, 194)},
        {RGB(245, 246, 248), RGB(245, 246, 248), RGB(206, 211, 218)},
    };
    const Look& l = looks[s];
    Box(c, x, y, w, h, 3, Brush::Vertical(y, y + h, l.top, l.bottom), l.border);
    if (s == kNormal || s == kHover) {
        // A light line under the top edge gives the face its lift.
        Path hl;
        hl.MoveTo(x + 3, y + 1.5).LineTo(x + w - 3, y + 1.5);
        c.StrokePath(hl, Brush::Solid(kWhite, 200), 1);
    }
}

void TitleBand(Canvas& c, int width, int height, int bandHeight, double cornerRadius) {
    Path band;
    band.Rect(0, 0, width, bandHeight);
    c.FillPath(band, Brush::Vertical(0, bandHeight, kTitleTop, kTitleBottom));
    // A soft sheen over the upper half of the band.
    Path sheen;
    sheen.Rect(0, 0, width, bandHeight / 2.0);
    c.FillPath(sheen, Brush::Linear(0, 0, 0, bandHeight / 2.0,
                                    {{0, kWhite, 40}, {1, kWhite, 0}}));
    Path frame;
    frame.RoundRect(0.5, 0.5, width - 1, height - 1, cornerRadius);
    c.StrokePath(frame, Brush::Solid(kFrame), 1);
}

void Stroke(Canvas& c, std::initializer_list<plat::PointF> points, COLORREF color, double width,
            int alpha) {
    Path p;
    bool first = true;
    for (auto pt : points) {
        if (first)
            p.MoveTo(pt.x, pt.y);
        else
            p.LineTo(pt.x, pt.y);
        first = false;
    }
    c.StrokePath(p, Brush::Solid(color, alpha), width);
}

void Chevron(Canvas& c, double cx, double cy, double size, bool down, COLORREF color,
             double width) {
    double h = size / 2;
    if (down)
        Stroke(c, {{cx - h, cy - h / 2}, {cx, cy + h / 2}, {cx + h, cy - h / 2}}, color, width);
    else
        Stroke(c, {{cx - h, cy + h / 2}, {cx, cy - h / 2}, {cx + h, cy + h / 2}}, color, width);
}

void Cross(Canvas& c, double cx, double cy, double half, COLORREF color, double width, int alpha) {
    Stroke(c, {{cx - half, cy - half}, {cx + half, cy + half}}, color, width, alpha);
    Stroke(c, {{cx + half, cy - half}, {cx - half, cy + half}}, color, width, alpha);
}

void Tick(Canvas& c, double cx, double cy, double s, COLORREF color, double width) {
    Stroke(c, {{cx - 3.6 * s, cy + 0.2 * s}, {cx - 1.0 * s, cy + 2.7 * s}, {cx + 3.8 * s, cy - 2.6 * s}},
           color, width);
}

void Magnifier(Canvas& c, double cx, double cy, double r, COLORREF color, double width) {
    Path ring;
    ring.Ellipse(cx - r - 1, cy - r - 1, 2 * r, 2 * r);
    c.StrokePath(ring, Brush::Solid(color), width);
    Stroke(c, {{cx + r * 0.45, cy + r * 0.45}, {cx + r * 1.25, cy + r * 1.25}}, color, width + 0.6);
}

void Logo(Canvas& c, double x, double y, double s) {
    Path tile;
    tile.RoundRect(x, y, s, s, s * 0.2);
    c.FillPath(tile, Brush::Vertical(y, y + s, RGB(80, 150, 232), RGB(32, 88, 176)));
    // The card.
    double cx = x + s * 0.16, cy = y + s * 0.24, cw = s * 0.68, ch = s * 0.52;
    Path card;
    card.RoundRect(cx, cy, cw, ch, s * 0.07);
    c.FillPath(card, Brush::Solid(kWhite));
    // The person on it.
    double hr = s * 0.085;
    Path head;
    head.Ellipse(cx + cw * 0.27 - hr, cy + ch * 0.36 - hr, 2 * hr, 2 * hr);
    c.FillPath(head, Brush::Solid(RGB(47, 115, 204)));
    Path body;
    double bx = cx + cw * 0.27, by = cy + ch * 0.86, bw = s * 0.15;
    body.MoveTo(bx - bw, by).CurveTo(bx - bw, by - s * 0.17, bx + bw, by - s * 0.17, bx + bw, by).Close();
    c.FillPath(body, Brush::Solid(RGB(47, 115, 204)));
    // Its lines of text.
    for (int i = 0; i < 3; ++i) {
        double ly = cy + ch * (0.3 + 0.22 * i);
        Path line;
        line.MoveTo(cx + cw * 0.52, ly).LineTo(cx + cw * (i == 2 ? 0.74 : 0.86), ly);
        c.StrokePath(line, Brush::Solid(RGB(140, 170, 210)), std::max(1.0, s * 0.05));
    }
}

}  // namespace skingen
