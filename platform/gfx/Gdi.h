// Drawing: colours, bitmaps, fonts and a canvas to draw on. The operations keep
// the names and the arguments of the system's drawing functions (FillSolidRect,
// BitBlt, StretchBlt, AlphaBlend, DrawText with DT_ flags), so that painting code
// reads as it is described. Bitmaps are 32-bit with premultiplied alpha.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop/Region.h"
#include "platform/desktop/Window.h"

namespace plat {

// --- Colours -------------------------------------------------------------------------

// 0x00BBGGRR, as the system writes colours: 0x352F2A is red 42, green 47, blue 53.
using COLORREF = uint32_t;
constexpr COLORREF RGB(int r, int g, int b) {
    return COLORREF(uint8_t(r)) | (COLORREF(uint8_t(g)) << 8) | (COLORREF(uint8_t(b)) << 16);
}
constexpr int GetRValue(COLORREF c) { return int(c & 0xFF); }
constexpr int GetGValue(COLORREF c) { return int((c >> 8) & 0xFF); }
constexpr int GetBValue(COLORREF c) { return int((c >> 16) & 0xFF); }

// --- Text layout flags -------------------------------------------------------------------

enum : uint32_t {
    DT_TOP = 0x0000,
    DT_LEFT = 0x0000,
    DT_CENTER = 0x0001,
    DT_RIGHT = 0x0002,
    DT_VCENTER = 0x0004,
    DT_BOTTOM = 0x0008,
    DT_WORDBREAK = 0x0010,
    DT_SINGLELINE = 0x0020,
    DT_NOCLIP = 0x0100,
    DT_CALCRECT = 0x0400,
    DT_NOPREFIX = 0x0800,
    DT_END_ELLIPSIS = 0x8000,
    DT_WORD_ELLIPSIS = 0x40000,
};

enum : int { FW_NORMAL = 400, FW_SEMIBOLD = 600, FW_BOLD = 700 };

// --- Bitmaps ---------------------------------------------------------------------------

class Bitmap {
public:
    Bitmap() = default;  // the null bitmap
    Bitmap(int width, int height);  // transparent black
    // Copies share the pixels, as handles do; Clone makes a separate copy.
    Bitmap Clone() const;

    bool IsNull() const { return !m_data; }
    explicit operator bool() const { return !IsNull(); }
    int Width() const;
    int Height() const;

    // Colour without alpha, and alpha (0 transparent .. 255 opaque).
    COLORREF GetPixel(int x, int y) const;
    int GetAlpha(int x, int y) const;
    // Pixels as 0xAARRGGBB without premultiplication, row by row.
    std::vector<uint32_t> ToArgb() const;
    static Bitmap FromArgb(int width, int height, const std::vector<uint32_t>& argb);

    bool SavePng(std::u16string_view path) const;
    std::string EncodePng() const;

    // PNG, GIF (first frame), ICO (the largest image), BMP... from memory or a
    // file; the null bitmap when the bytes are no picture.
    static Bitmap Decode(std::string_view bytes);
    static Bitmap LoadFile(std::u16string_view path);

    // The graphics layer's own side of the pixels.
    struct Data;
    Data* Raw() const { return m_data.get(); }
    static Bitmap FromData(std::shared_ptr<Data> data);

private:
    std::shared_ptr<Data> m_data;
};

// --- Fonts -----------------------------------------------------------------------------

// A font as the system's CreateFont takes it: the height is the cell height in
// pixels. Faces the machine lacks are mapped to installed ones ("宋体" to a CJK
// face, "Arial" to a metric-compatible one).
class Font {
public:
    Font();  // "宋体", height 12, normal
    Font(std::u16string_view face, int height, int weight = FW_NORMAL, bool italic = false,
         bool underline = false);

    const std::u16string& Face() const { return m_face; }
    int Height() const { return m_height; }
    int Weight() const { return m_weight; }
    bool Italic() const { return m_italic; }
    bool Underline() const { return m_underline; }
    bool operator==(const Font&) const = default;

    // The installed families the face is drawn with, best first.
    std::string FamilyList() const;
    // The em size in pixels the height gives.
    double PixelSize() const;

private:
    std::u16string m_face;
    int m_height = 12;
    int m_weight = FW_NORMAL;
    bool m_italic = false;
    bool m_underline = false;
};

// Width and height of a single line, without "&" prefix handling.
SIZE MeasureText(std::u16string_view text, const Font& font);
// The height of one line in the font.
int LineHeight(const Font& font);

// --- Vector drawing --------------------------------------------------------------------

struct PointF {
    double x = 0, y = 0;
};

// A colour with alpha and a place in a gradient.
struct ColorStop {
    double offset = 0;
    COLORREF color = 0;
    int alpha = 255;
};

// A solid colour or a linear gradient from (x0, y0) to (x1, y1).
struct Brush {
    std::vector<ColorStop> stops;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    static Brush Solid(COLORREF c, int alpha = 255) { return Brush{{{0, c, alpha}}, 0, 0, 0, 0}; }
    static Brush Linear(double x0, double y0, double x1, double y1, std::vector<ColorStop> stops) {
        return Brush{std::move(stops), x0, y0, x1, y1};
    }
    static Brush Vertical(double top, double bottom, COLORREF from, COLORREF to) {
        return Linear(0, top, 0, bottom, {{0, from, 255}, {1, to, 255}});
    }
};

// A path in canvas coordinates, replayed by the canvas.
class Path {
public:
    Path& MoveTo(double x, double y);
    Path& LineTo(double x, double y);
    Path& CurveTo(double x1, double y1, double x2, double y2, double x3, double y3);
    // Circular arc, angles in degrees, clockwise on the screen from the x axis.
    Path& Arc(double cx, double cy, double r, double fromDeg, double toDeg);
    Path& Close();
    Path& Rect(double x, double y, double w, double h);
    Path& RoundRect(double x, double y, double w, double h, double radius);
    Path& Ellipse(double x, double y, double w, double h);

    struct Op {
        enum Kind { kMove, kLine, kCurve, kArc, kClose } kind;
        double v[6];
    };
    const std::vector<Op>& Ops() const { return m_ops; }

private:
    std::vector<Op> m_ops;
};

// --- The canvas ----------------------------------------------------------------------------

// Draws on a bitmap. Coordinates are pixels; the origin can be moved and the
// drawing clipped, with SaveDC/RestoreDC around a change.
class Canvas {
public:
    explicit Canvas(const Bitmap& target);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    const Bitmap& Target() const { return m_target; }
    int Width() const { return m_target.Width(); }
    int Height() const { return m_target.Height(); }

    void SaveDC();
    void RestoreDC();
    void OffsetOrigin(int dx, int dy);
    POINT Origin() const { return m_origin; }
    void IntersectClipRect(const RECT& r);
    // Clips to the region (in current coordinates) within the current clip.
    void IntersectClipRgn(const Region& region);
    // The clip's bounds in current coordinates.
    RECT ClipBox() const;

    void FillSolidRect(const RECT& r, COLORREF color);
    void FillAlphaRect(const RECT& r, COLORREF color, int alpha);
    void FillRgn(const Region& region, COLORREF color);
    // 1-pixel frame on the inside of the rectangle.
    void FrameRect(const RECT& r, COLORREF color);
    // Dotted 1-pixel frame, every other pixel, as the focus rectangle is drawn.
    void DrawFocusRect(const RECT& r, COLORREF color = 0);
    void DrawLine(int x1, int y1, int x2, int y2, COLORREF color);
    // Replaces the pixels (alpha included) with the copied ones.
    void Clear(COLORREF color = 0, int alpha = 0);

    // Copy of a block of `src` (alpha included), as the block transfer does.
    void BitBlt(int x, int y, int width, int height, const Bitmap& src, int srcX, int srcY);
    // Draws `src`'s rectangle into `dst` with its alpha, scaled when sizes differ.
    void StretchBlt(const RECT& dst, const Bitmap& src, const RECT& srcRect);
    void AlphaBlend(const RECT& dst, const Bitmap& src, const RECT& srcRect, int constantAlpha);
    void DrawBitmap(int x, int y, const Bitmap& src);

    // The system's DrawText: alignment, vertical centring and ellipsis for single
    // lines, word breaks for multi-line text, "&" marks the mnemonic unless
    // DT_NOPREFIX. Returns the height of the drawn text; with DT_CALCRECT only
    // measures and widens or narrows `rect` to the text.
    int DrawText(std::u16string_view text, RECT& rect, uint32_t format, const Font& font,
                 COLORREF color);
    int DrawText(std::u16string_view text, const RECT& rect, uint32_t format, const Font& font,
                 COLORREF color) {
        RECT r = rect;
        return DrawText(text, r, format & ~DT_CALCRECT, font, color);
    }
    SIZE GetTextExtent(std::u16string_view text, const Font& font) const;

    void FillPath(const Path& path, const Brush& brush);
    void StrokePath(const Path& path, const Brush& brush, double width);
    void SetAntialias(bool on);

    struct Impl;

private:
    Bitmap m_target;
    std::unique_ptr<Impl> m_impl;
    POINT m_origin;
    std::vector<POINT> m_savedOrigins;
};

// The rectangle grown by dx and dy on each side (shrunk for negative amounts).
RECT InflatedRect(const RECT& r, int dx, int dy);

}  // namespace plat
