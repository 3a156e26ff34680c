// qn-skingen OUTDIR: draws every picture of the skin and writes them as the
// packs take them: OUTDIR/images (image pack members), OUTDIR/icons (icon pack
// members), OUTDIR/mim_msgbox.png and OUTDIR/icon_144.ico (the program icon).
// Each written GIF and ICO is read back and compared, so that a broken encoder
// fails the build instead of the skin.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "tools/skingen/Encoders.h"
#include "tools/skingen/Painter.h"

using namespace plat;
using namespace skingen;

namespace {

std::u16string g_out;
int g_failures = 0;

void Fail(const std::string& what) {
    std::fprintf(stderr, "qn-skingen: %s\n", what.c_str());
    ++g_failures;
}

Bitmap Draw(int w, int h, const std::function<void(Canvas&)>& paint) {
    Bitmap b(w, h);
    Canvas c(b);
    paint(c);
    return b;
}

void Write(std::u16string_view folder, std::u16string_view name, const std::string& bytes) {
    std::u16string dir = folder.empty() ? g_out : JoinPath(g_out, folder);
    CreateDirectories(dir);
    if (!WriteFile(JoinPath(dir, name), bytes)) Fail("cannot write " + Utf16ToUtf8(name));
}

// Read back: every pixel within the tolerance the format allows.
void CheckRoundTrip(std::u16string_view name, const Bitmap& original, const std::string& bytes,
                    int tolerance, COLORREF matte) {
    Bitmap back = Bitmap::Decode(bytes);
    if (back.Width() != original.Width() || back.Height() != original.Height()) {
        Fail("does not read back: " + Utf16ToUtf8(name));
        return;
    }
    for (int y = 0; y < original.Height(); ++y)
        for (int x = 0; x < original.Width(); ++x) {
            int a = original.GetAlpha(x, y);
            COLORREF o = original.GetPixel(x, y), r = back.GetPixel(x, y);
            int limit = 3, mixWith = -1;
            if (tolerance > 0) {
                // GIF: one transparent colour, the rest laid on the matte.
                if (a < 128) {
                    if (back.GetAlpha(x, y) != 0) return Fail("transparency lost: " + Utf16ToUtf8(name));
                    continue;
                }
                limit = tolerance;
                mixWith = a;
            } else {
                // ICO: alpha kept; faint pixels lose colour precision to premultiplying.
                if (std::abs(back.GetAlpha(x, y) - a) > 1)
                    return Fail("alpha differs after reading back: " + Utf16ToUtf8(name));
                if (a < 16) continue;
            }
            auto mix = [&](int v, int m) { return mixWith < 0 ? v : (v * a + m * (255 - a)) / 255; };
            int dr = mix(GetRValue(o), GetRValue(matte)) - GetRValue(r);
            int dg = mix(GetGValue(o), GetGValue(matte)) - GetGValue(r);
            int db = mix(GetBValue(o), GetBValue(matte)) - GetBValue(r);
            if (std::abs(dr) > limit || std::abs(dg) > limit || std::abs(db) > limit)
                return Fail("colours differ after reading back: " + Utf16ToUtf8(name));
        }
}

void Png(std::u16string_view folder, std::u16string_view name, const Bitmap& b) {
    Write(folder, name, b.EncodePng());
}

void Gif(std::u16string_view name, const Bitmap& b, COLORREF matte) {
    std::string bytes = EncodeGif(b, matte);
    CheckRoundTrip(name, b, bytes, 24, matte);
    Write(u"images", name, bytes);
}

void Ico(std::u16string_view folder, std::u16string_view name, const std::vector<Bitmap>& sizes) {
    std::string bytes = EncodeIco(sizes);
    // The reader picks the largest image; the first one is the largest here.
    CheckRoundTrip(name, sizes.front(), bytes, 0, 0);
    Write(folder, name, bytes);
}

// A strip of `count` frames of one size, each drawn by `frame`.
Bitmap Strip(int fw, int fh, int count, const std::function<void(Canvas&, int, double)>& frame) {
    return Draw(fw * count, fh, [&](Canvas& c) {
        for (int i = 0; i < count; ++i) {
            c.SaveDC();
            c.IntersectClipRect({i * fw, 0, (i + 1) * fw, fh});
            frame(c, i, double(i * fw));
            c.RestoreDC();
        }
    });
}

// --- Buttons ---------------------------------------------------------------------------

Bitmap PushButtons(int fw, int fh) {
    return Strip(fw, fh, 4, [&](Canvas& c, int i, double x) {
        ButtonFace(c, x, 0, fw, fh, State(i));
    });
}

// The caption buttons of the title bars: menu, minimise and close rows.
Bitmap CaptionButtons() {
    return Draw(132, 75, [](Canvas& c) {
        struct Row {
            int y, w;
            int glyph;  // 0 menu, 1 minimise, 2 close
        } rows[] = {{0, 28, 0}, {25, 28, 1}, {50, 33, 2}};
        for (const Row& r : rows)
            for (int s = 0; s < 4; ++s) {
                double x = s * r.w, y = r.y, w = r.w, h = 25;
                c.SaveDC();
                c.IntersectClipRect({int(x), int(y), int(x + w), int(y + h)});
                if (s == kHover || s == kPressed) {
                    Path bg;
                    bg.RoundRect(x + 2, y + 2, w - 4, h - 4, 3);
                    if (r.glyph == 2)
                        c.FillPath(bg, Brush::Solid(s == kHover ? RGB(226, 72, 76) : RGB(182, 48, 52)));
                    else
                        c.FillPath(bg, Brush::Solid(s == kHover ? kWhite : RGB(0, 0, 0),
                                                    s == kHover ? 70 : 50));
                }
                int alpha = s == kDisabled ? 100 : 240;
                double cx = x + w / 2, cy = y + h / 2;
                if (r.glyph == 0) {
                    for (int k = -1; k <= 1; ++k)
                        Stroke(c, {{cx - 5.5, cy + 3.5 * k}, {cx + 5.5, cy + 3.5 * k}}, kWhite, 1.8, alpha);
                } else if (r.glyph == 1) {
                    Stroke(c, {{cx - 5.5, cy + 3}, {cx + 5.5, cy + 3}}, kWhite, 2.2, alpha);
                } else {
                    Cross(c, cx, cy, 5, kWhite, 2, alpha);
                }
                c.RestoreDC();
            }
    });
}

// The close button of the message box, the bubble tip, the about box and the card.
Bitmap CloseButtons() {
    return Strip(32, 30, 3, [](Canvas& c, int i, double x) {
        if (i > 0) {
            Path bg;
            bg.RoundRect(x + 3, 3, 26, 24, 3);
            c.FillPath(bg, Brush::Solid(i == 1 ? RGB(226, 72, 76) : RGB(182, 48, 52)));
        }
        Cross(c, x + 16, 15, 4.5, kWhite, 1.7);
    });
}

Bitmap CheckBoxes() {
    return Strip(15, 15, 8, [](Canvas& c, int i, double x) {
        State s = State(i % 4);
        bool checked = i >= 4;
        static const COLORREF borders[] = {RGB(143, 163, 190), RGB(61, 123, 208), RGB(46, 104, 184),
                                           RGB(197, 201, 207)};
        static const COLORREF fills[] = {kWhite, RGB(240, 246, 254), RGB(221, 233, 248),
                                         RGB(242, 242, 242)};
        static const COLORREF checkedFills[] = {RGB(47, 115, 204), RGB(60, 130, 221),
                                                RGB(39, 96, 174), RGB(185, 198, 214)};
        if (checked) {
            Box(c, x + 1, 1, 13, 13, 2.5, Brush::Solid(checkedFills[s]), checkedFills[s]);
            Tick(c, x + 7.5, 7.5, 1.05, kWhite, 1.8);
        } else {
            Box(c, x + 1, 1, 13, 13, 2.5, Brush::Solid(fills[s]), borders[s]);
        }
    });
}

Bitmap DropArrows() {
    return Strip(28, 32, 4, [](Canvas& c, int i, double x) {
        if (i == kHover || i == kPressed) {
            Path bg;
            bg.RoundRect(x + 2, 3, 24, 26, 3);
            c.FillPath(bg, Brush::Solid(i == kHover ? RGB(230, 240, 252) : RGB(210, 227, 248)));
        }
        Chevron(c, x + 14, 16.5, 9, true, i == kDisabled ? RGB(184, 190, 198) : kGlyph, 1.7);
    });
}

// Letter buttons sit on the body colour of the address book.
Bitmap LetterButtons(int fw, int fh) {
    return Strip(fw, fh, 4, [&](Canvas& c, int i, double x) {
        if (i == kHover)
            Box(c, x + 1, 1, fw - 2, fh - 2, 3, Brush::Solid(RGB(227, 238, 251)), RGB(157, 189, 230));
        else if (i == kPressed)
            Box(c, x + 1, 1, fw - 2, fh - 2, 3, Brush::Solid(RGB(207, 224, 247)), RGB(94, 149, 218));
    });
}

Bitmap IconButtons(const std::function<void(Canvas&, double, double, COLORREF)>& glyph) {
    return Strip(24, 24, 4, [&](Canvas& c, int i, double x) {
        static const COLORREF tones[] = {RGB(125, 140, 160), RGB(70, 110, 170), RGB(40, 80, 150),
                                         RGB(190, 196, 204)};
        glyph(c, x + 12, 12, tones[i]);
    });
}

Bitmap TabButtons() {
    return Strip(128, 34, 4, [](Canvas& c, int i, double x) {
        if (i == kHover) {
            Path bg;
            bg.Rect(x, 1, 128, 32);
            c.FillPath(bg, Brush::Solid(RGB(220, 232, 247)));
        } else if (i == kPressed) {
            Path bg;
            bg.Rect(x, 1, 128, 32);
            c.FillPath(bg, Brush::Solid(kWhite));
            Stroke(c, {{x, 0.5}, {x + 128, 0.5}}, RGB(201, 214, 231), 1);
            Stroke(c, {{x, 33.5}, {x + 128, 33.5}}, RGB(201, 214, 231), 1);
            Path accent;
            accent.Rect(x, 1, 3, 32);
            c.FillPath(accent, Brush::Solid(kBlue));
        }
    });
}

// --- Backgrounds --------------------------------------------------------------------------

void Panel(Canvas& c, int l, int t, int r, int b) {
    Path p;
    p.Rect(l, t, r - l, b - t);
    c.FillPath(p, Brush::Solid(kWhite));
    c.FrameRect({l, t, r, b}, kPanelBorder);
}

Bitmap MainBackground() {
    const int W = 940, H = 644;
    return Draw(W, H, [&](Canvas& c) {
        c.FillSolidRect({0, 0, W, H}, kBody);
        TitleBand(c, W, H, 45, 0);
        // A light rim lifts the blue mark off the blue band.
        Path rim;
        rim.RoundRect(12.5, 7.5, 31, 31, 7);
        c.FillPath(rim, Brush::Solid(kWhite, 210));
        Logo(c, 14, 9, 28);
        // Group tree; search row and contact list; the three recipient boxes.
        Panel(c, 10, 47, 190, 569);
        Panel(c, 200, 59, 570, 557);
        c.FillSolidRect({201, 60, 569, 90}, RGB(247, 250, 253));
        c.FillSolidRect({201, 90, 569, 91}, RGB(217, 226, 238));
        Box(c, 227, 65, 313, 23, 3, Brush::Solid(kWhite), RGB(201, 213, 228));
        Panel(c, 650, 78, 920, 218);
        Panel(c, 650, 248, 920, 388);
        Panel(c, 650, 418, 920, 558);
        // The footer with the confirm and cancel buttons.
        c.FillSolidRect({1, 600, W - 1, H - 1}, kFooter);
        c.FillSolidRect({1, 600, W - 1, 601}, kFooterLine);
        c.FrameRect({0, 0, W, H}, kFrame);
    });
}

Bitmap LoginBackground() {
    const int W = 330, H = 230;
    return Draw(W, H, [&](Canvas& c) {
        c.FillSolidRect({0, 0, W, H}, kWhite);
        c.FillSolidRect({1, 190, W - 1, H - 1}, kFooter);
        c.FillSolidRect({1, 190, W - 1, 191}, kFooterLine);
        TitleBand(c, W, H, 32, 0);
        // A faint wash below the title, ending well above the stretched middle.
        Path wash;
        wash.Rect(1, 32, W - 2, 22);
        c.FillPath(wash, Brush::Linear(0, 32, 0, 54, {{0, RGB(225, 236, 250), 255}, {1, kWhite, 255}}));
    });
}

// A nine-part pattern: rounded corners, blue header, white body.
Bitmap MessageBackground() {
    const int W = 270, H = 150;
    return Draw(W, H, [&](Canvas& c) {
        Path body;
        body.RoundRect(0, 0, W, H, 5);
        c.FillPath(body, Brush::Solid(kWhite));
        Path bottom;
        bottom.Rect(0, 100, W, 50);
        c.FillPath(bottom, Brush::Linear(0, 100, 0, 150, {{0, kWhite, 255}, {1, RGB(238, 243, 250), 255}}));
        Path band;
        band.Rect(0, 0, W, 32);
        c.FillPath(band, Brush::Vertical(0, 32, kTitleTop, kTitleBottom));
        Path sheen;
        sheen.Rect(0, 0, W, 16);
        c.FillPath(sheen, Brush::Linear(0, 0, 0, 16, {{0, kWhite, 40}, {1, kWhite, 0}}));
        Path frame;
        frame.RoundRect(0.5, 0.5, W - 1, H - 1, 4.5);
        c.StrokePath(frame, Brush::Solid(kFrame), 1);
    });
}

Bitmap AboutBackground() {
    const int W = 330, H = 160;
    return Draw(W, H, [&](Canvas& c) {
        c.FillSolidRect({0, 0, W, H}, kWhite);
        Path bottom;
        bottom.Rect(0, 118, W, 42);
        c.FillPath(bottom, Brush::Linear(0, 118, 0, 160, {{0, kWhite, 255}, {1, RGB(232, 240, 250), 255}}));
        TitleBand(c, W, H, 32, 4.5);
        Logo(c, 28, 40, 30);
        Stroke(c, {{66, 55.5}, {W - 28.0, 55.5}}, RGB(214, 225, 240), 1);
    });
}

Bitmap CardBackground() {
    const int W = 528, H = 424;
    return Draw(W, H, [&](Canvas& c) {
        c.FillSolidRect({0, 0, W, H}, kBody);
        c.FillSolidRect({1, 37, 131, H - 46}, RGB(233, 239, 247));
        c.FillSolidRect({131, 37, 132, H - 46}, RGB(212, 222, 235));
        Panel(c, 132, 42, 524, 374);
        c.FillSolidRect({1, H - 46, W - 1, H - 1}, kFooter);
        c.FillSolidRect({1, H - 46, W - 1, H - 45}, kFooterLine);
        TitleBand(c, W, H, 36, 4.5);
    });
}

// Track (top row) and bar (bottom row), 3-pixel caps on both.
Bitmap ProgressImage() {
    return Draw(30, 28, [](Canvas& c) {
        Box(c, 0, 0, 30, 14, 3, Brush::Solid(RGB(227, 233, 241)), RGB(200, 211, 225));
        Box(c, 0, 14, 30, 14, 3, Brush::Vertical(14, 28, RGB(96, 160, 236), RGB(38, 104, 196)),
            RGB(34, 92, 176));
        Path sheen;
        sheen.RoundRect(1.5, 15.5, 27, 5, 2);
        c.FillPath(sheen, Brush::Solid(kWhite, 60));
    });
}

// 16 x 16 cells: columns normal, hover, pressed, disabled; rows up, down, left
// and right arrows, vertical and horizontal thumbs, vertical and horizontal
// tracks, the size box.
Bitmap ScrollBarImage() {
    const COLORREF track = RGB(241, 244, 248);
    return Draw(64, 144, [&](Canvas& c) {
        c.FillSolidRect({0, 0, 64, 144}, track);
        static const COLORREF bgs[] = {track, RGB(221, 230, 241), RGB(199, 213, 232), track};
        static const COLORREF glyphs[] = {RGB(108, 122, 141), RGB(60, 100, 160), RGB(40, 80, 150),
                                          RGB(194, 201, 211)};
        static const COLORREF thumbs[] = {RGB(195, 206, 220), RGB(169, 184, 203), RGB(143, 161, 185),
                                          RGB(222, 227, 234)};
        for (int s = 0; s < 4; ++s) {
            double x = s * 16;
            for (int row = 0; row < 4; ++row) {
                double y = row * 16;
                if (s == kHover || s == kPressed) {
                    Path bg;
                    bg.RoundRect(x + 1, y + 1, 14, 14, 3);
                    c.FillPath(bg, Brush::Solid(bgs[s]));
                }
                double cx = x + 8, cy = y + 8;
                if (row < 2) {
                    Chevron(c, cx, cy, 7, row == 1, glyphs[s], 1.5);
                } else {
                    double d = row == 2 ? -1 : 1;
                    Stroke(c, {{cx - d * 1.75, cy - 3.5}, {cx + d * 1.75, cy}, {cx - d * 1.75, cy + 3.5}},
                           glyphs[s], 1.5);
                }
            }
            Path v;
            v.RoundRect(x + 3, 64 + 1, 10, 14, 4);
            c.FillPath(v, Brush::Solid(thumbs[s]));
            Path h;
            h.RoundRect(x + 1, 80 + 3, 14, 10, 4);
            c.FillPath(h, Brush::Solid(thumbs[s]));
            c.FillSolidRect({int(x), 96, int(x) + 1, 112}, RGB(225, 231, 239));
            c.FillSolidRect({int(x), 112, int(x) + 16, 113}, RGB(225, 231, 239));
        }
    });
}

// Normal, hover and pressed column heads, with the divider on the right.
Bitmap HeaderImage() {
    return Strip(40, 24, 3, [](Canvas& c, int i, double x) {
        static const COLORREF tops[] = {RGB(252, 253, 254), RGB(243, 248, 254), RGB(225, 234, 246)};
        static const COLORREF bottoms[] = {RGB(236, 241, 247), RGB(225, 236, 250), RGB(213, 225, 241)};
        Path p;
        p.Rect(x, 0, 40, 24);
        c.FillPath(p, Brush::Vertical(0, 24, tops[i], bottoms[i]));
        c.FillSolidRect({int(x), 23, int(x) + 40, 24}, RGB(201, 212, 226));
        c.FillSolidRect({int(x) + 38, 4, int(x) + 39, 20}, RGB(211, 220, 232));
        c.FillSolidRect({int(x) + 39, 4, int(x) + 40, 20}, kWhite);
    });
}

// --- Icons -------------------------------------------------------------------------------

Bitmap Triangle(bool open) {
    return Draw(16, 16, [&](Canvas& c) {
        Path p;
        if (open)
            p.MoveTo(3.5, 5.5).LineTo(12.5, 5.5).LineTo(8, 11).Close();
        else
            p.MoveTo(5.5, 3.5).LineTo(11, 8).LineTo(5.5, 12.5).Close();
        c.FillPath(p, Brush::Solid(RGB(79, 109, 148)));
    });
}

Bitmap CardIcon(int s) {
    return Draw(s, s, [&](Canvas& c) {
        double k = s / 16.0;
        Box(c, 0.5 * k, 2.5 * k, 15 * k, 11 * k, 1.5 * k, Brush::Vertical(2.5 * k, 13.5 * k,
            RGB(246, 250, 255), RGB(224, 235, 250)), RGB(96, 138, 196));
        Path head;
        head.Ellipse(3 * k, 4.6 * k, 3.4 * k, 3.4 * k);
        c.FillPath(head, Brush::Solid(RGB(52, 110, 190)));
        Path body;
        body.MoveTo(2.2 * k, 11.8 * k).CurveTo(2.2 * k, 8.3 * k, 7.2 * k, 8.3 * k, 7.2 * k, 11.8 * k).Close();
        c.FillPath(body, Brush::Solid(RGB(52, 110, 190)));
        Stroke(c, {{9 * k, 6 * k}, {13.5 * k, 6 * k}}, RGB(120, 150, 190), 1.1 * k);
        Stroke(c, {{9 * k, 8.5 * k}, {13.5 * k, 8.5 * k}}, RGB(120, 150, 190), 1.1 * k);
        Stroke(c, {{9 * k, 11 * k}, {12 * k, 11 * k}}, RGB(120, 150, 190), 1.1 * k);
    });
}

// A round badge with a glyph: 0 "i", 1 "?", 2 "!", 3 cross, 4 tick.
void Badge(Canvas& c, double x, double y, double s, int kind) {
    static const COLORREF colors[] = {RGB(47, 123, 214), RGB(47, 123, 214), RGB(240, 160, 40),
                                      RGB(217, 66, 62), RGB(52, 168, 83)};
    double k = s / 36.0, cx = x + s / 2, cy = y + s / 2;
    Path disc;
    if (kind == 2) {
        disc.MoveTo(cx, y + 2 * k).LineTo(x + s - 1.5 * k, y + s - 4 * k).LineTo(x + 1.5 * k, y + s - 4 * k).Close();
        c.FillPath(disc, Brush::Vertical(y, y + s, RGB(250, 184, 64), RGB(232, 144, 24)));
    } else {
        disc.Ellipse(x + 1.5 * k, y + 1.5 * k, s - 3 * k, s - 3 * k);
        COLORREF col = colors[kind];
        c.FillPath(disc, Brush::Vertical(y, y + s, RGB(std::min(255, GetRValue(col) + 40),
                                                        std::min(255, GetGValue(col) + 40),
                                                        std::min(255, GetBValue(col) + 40)), col));
    }
    double w = std::max(1.6, 3.2 * k);
    switch (kind) {
        case 0: {
            Path dot;
            dot.Ellipse(cx - 2.2 * k, cy - 10 * k, 4.4 * k, 4.4 * k);
            c.FillPath(dot, Brush::Solid(kWhite));
            Stroke(c, {{cx, cy - 2 * k}, {cx, cy + 9 * k}}, kWhite, w + 0.6 * k);
            break;
        }
        case 1: {
            Path q;
            q.Arc(cx, cy - 4 * k, 5.5 * k, 180, 360);
            q.CurveTo(cx + 5.5 * k, cy + 0.5 * k, cx, cy, cx, cy + 4 * k);
            c.StrokePath(q, Brush::Solid(kWhite), w);
            Path dot;
            dot.Ellipse(cx - 2 * k, cy + 7 * k, 4 * k, 4 * k);
            c.FillPath(dot, Brush::Solid(kWhite));
            break;
        }
        case 2: {
            COLORREF ink = RGB(90, 56, 10);
            Stroke(c, {{cx, cy - 6 * k}, {cx, cy + 4 * k}}, ink, w);
            Path dot;
            dot.Ellipse(cx - 1.9 * k, cy + 7 * k, 3.8 * k, 3.8 * k);
            c.FillPath(dot, Brush::Solid(ink));
            break;
        }
        case 3:
            Cross(c, cx, cy, 6.5 * k, kWhite, w);
            break;
        default:
            Tick(c, cx, cy, 2.2 * k, kWhite, w);
            break;
    }
}

Bitmap SmallBadge(int kind) {
    return Draw(16, 16, [&](Canvas& c) {
        double cx = 8, cy = 8;
        Path disc;
        disc.Ellipse(0.5, 0.5, 15, 15);
        c.FillPath(disc, Brush::Solid(kind == 4 ? RGB(52, 168, 83) : RGB(240, 150, 30)));
        if (kind == 4) {
            Tick(c, cx, cy, 0.95, kWhite, 1.8);
        } else {
            Stroke(c, {{cx, 3.8}, {cx, 9}}, kWhite, 2);
            Path dot;
            dot.Ellipse(cx - 1.2, 10.6, 2.4, 2.4);
            c.FillPath(dot, Brush::Solid(kWhite));
        }
    });
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: qn-skingen OUTDIR\n", stderr);
        return 2;
    }
    g_out = Utf8ToUtf16(argv[1]);
    CreateDirectories(g_out);

    const std::u16string img = u"images", ico = u"icons";
    Png(img, u"btn_normal.png", PushButtons(65, 23));
    Png(img, u"btn_add.png", PushButtons(60, 22));
    Png(img, u"mim_btn_head.png", PushButtons(90, 22));
    Png(img, u"btn_main_header.png", CaptionButtons());
    Png(img, u"btn_close.png", CloseButtons());
    Png(img, u"btn_check.png", CheckBoxes());
    Png(img, u"btn_arrow.png", DropArrows());
    Png(img, u"btn_setform.png", TabButtons());
    Png(img, u"btn_clearsearch.png", IconButtons([](Canvas& c, double x, double y, COLORREF t) {
            Path disc;
            disc.Ellipse(x - 7, y - 7, 14, 14);
            c.FillPath(disc, Brush::Solid(t));
            Cross(c, x, y, 3, kWhite, 1.5);
        }));
    Png(img, u"btn_search.png", IconButtons([](Canvas& c, double x, double y, COLORREF t) {
            Magnifier(c, x, y, 5, t, 1.7);
        }));
    Png(img, u"btn_searcharrow.png", IconButtons([](Canvas& c, double x, double y, COLORREF t) {
            Magnifier(c, x - 2, y, 4, t, 1.5);
            Path tri;
            tri.MoveTo(x + 4, y + 3).LineTo(x + 9, y + 3).LineTo(x + 6.5, y + 6).Close();
            c.FillPath(tri, Brush::Solid(t));
        }));
    Png(img, u"main_bg.png", MainBackground());
    Png(img, u"login_bg.png", LoginBackground());
    Png(img, u"msgbox_bg.png", MessageBackground());
    Png(img, u"about_bg.png", AboutBackground());
    Png(img, u"set_form.png", CardBackground());
    Png(img, u"progress.png", ProgressImage());
    Gif(u"btn_letter.gif", LetterButtons(20, 20), kBody);
    Gif(u"btn_letter2.gif", LetterButtons(30, 20), kBody);
    Gif(u"scrollbar.gif", ScrollBarImage(), RGB(241, 244, 248));
    Gif(u"headctrl.gif", HeaderImage(), kWhite);

    Ico(ico, u"expand1.ico", {Triangle(true)});
    Ico(ico, u"unexpand1.ico", {Triangle(false)});
    Ico(ico, u"card.ico", {CardIcon(16)});
    Ico(ico, u"success.ico", {SmallBadge(4)});
    Ico(ico, u"hint.ico", {SmallBadge(2)});

    Png(u"", u"mim_msgbox.png", Draw(180, 36, [](Canvas& c) {
            for (int i = 0; i < 5; ++i) Badge(c, i * 36, 0, 36, i);
        }));
    auto logo = [](int s) { return Draw(s, s, [s](Canvas& c) { Logo(c, 0, 0, s); }); };
    Ico(u"", u"icon_144.ico", {logo(48), logo(32), logo(16)});
    return g_failures == 0 ? 0 : 1;
}
