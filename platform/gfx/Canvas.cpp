// The canvas over a Cairo context.
#include <algorithm>
#include <cmath>

#include "platform/Text.h"
#include "platform/gfx/GfxInternal.h"

namespace plat {

struct Canvas::Impl {
    cairo_t* cr = nullptr;
};

RECT InflatedRect(const RECT& r, int dx, int dy) {
    return {r.left - dx, r.top - dy, r.right + dx, r.bottom + dy};
}

// --- Paths ---------------------------------------------------------------------------------

Path& Path::MoveTo(double x, double y) {
    m_ops.push_back({Op::kMove, {x, y}});
    return *this;
}
Path& Path::LineTo(double x, double y) {
    m_ops.push_back({Op::kLine, {x, y}});
    return *this;
}
Path& Path::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
    m_ops.push_back({Op::kCurve, {x1, y1, x2, y2, x3, y3}});
    return *this;
}
Path& Path::Arc(double cx, double cy, double r, double fromDeg, double toDeg) {
    m_ops.push_back({Op::kArc, {cx, cy, r, fromDeg, toDeg}});
    return *this;
}
Path& Path::Close() {
    m_ops.push_back({Op::kClose, {}});
    return *this;
}
Path& Path::Rect(double x, double y, double w, double h) {
    return MoveTo(x, y).LineTo(x + w, y).LineTo(x + w, y + h).LineTo(x, y + h).Close();
}
Path& Path::RoundRect(double x, double y, double w, double h, double radius) {
    double r = std::clamp(radius, 0.0, std::min(w, h) / 2);
    if (r <= 0) return Rect(x, y, w, h);
    MoveTo(x + r, y);
    Arc(x + w - r, y + r, r, -90, 0);
    Arc(x + w - r, y + h - r, r, 0, 90);
    Arc(x + r, y + h - r, r, 90, 180);
    Arc(x + r, y + r, r, 180, 270);
    return Close();
}
Path& Path::Ellipse(double x, double y, double w, double h) {
    constexpr double k = 0.5522847498;
    double rx = w / 2, ry = h / 2, cx = x + rx, cy = y + ry;
    MoveTo(cx + rx, cy);
    CurveTo(cx + rx, cy + k * ry, cx + k * rx, cy + ry, cx, cy + ry);
    CurveTo(cx - k * rx, cy + ry, cx - rx, cy + k * ry, cx - rx, cy);
    CurveTo(cx - rx, cy - k * ry, cx - k * rx, cy - ry, cx, cy - ry);
    CurveTo(cx + k * rx, cy - ry, cx + rx, cy - k * ry, cx + rx, cy);
    return Close();
}

// --- Canvas --------------------------------------------------------------------------------

Canvas::Canvas(const Bitmap& target) : m_target(target), m_impl(std::make_unique<Impl>()) {
    if (m_target.IsNull()) m_target = Bitmap(1, 1);
    m_impl->cr = cairo_create(SurfaceOf(m_target));
}

Canvas::~Canvas() {
    cairo_destroy(m_impl->cr);
    cairo_surface_flush(SurfaceOf(m_target));
}

void Canvas::SaveDC() {
    cairo_save(m_impl->cr);
    m_savedOrigins.push_back(m_origin);
}

void Canvas::RestoreDC() {
    if (m_savedOrigins.empty()) return;
    cairo_restore(m_impl->cr);
    m_origin = m_savedOrigins.back();
    m_savedOrigins.pop_back();
}

void Canvas::OffsetOrigin(int dx, int dy) {
    cairo_translate(m_impl->cr, dx, dy);
    m_origin.x += dx;
    m_origin.y += dy;
}

void Canvas::IntersectClipRect(const RECT& r) {
    cairo_t* cr = m_impl->cr;
    cairo_new_path(cr);
    cairo_rectangle(cr, r.left, r.top, std::max(0, r.Width()), std::max(0, r.Height()));
    cairo_clip(cr);
}

void Canvas::IntersectClipRgn(const Region& region) {
    cairo_t* cr = m_impl->cr;
    cairo_new_path(cr);
    // Rectangles of one orientation under the winding rule: their union.
    for (const RECT& r : region.Rects()) cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_clip(cr);
}

RECT Canvas::ClipBox() const {
    double x1, y1, x2, y2;
    cairo_clip_extents(m_impl->cr, &x1, &y1, &x2, &y2);
    return {int(std::floor(x1)), int(std::floor(y1)), int(std::ceil(x2)), int(std::ceil(y2))};
}

void Canvas::FillAlphaRect(const RECT& r, COLORREF color, int alpha) {
    if (IsRectEmpty(r)) return;
    cairo_t* cr = m_impl->cr;
    cairo_new_path(cr);
    cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
    SetSourceColor(cr, color, alpha);
    cairo_fill(cr);
}

void Canvas::FillSolidRect(const RECT& r, COLORREF color) { FillAlphaRect(r, color, 255); }

void Canvas::FillRgn(const Region& region, COLORREF color) {
    for (const RECT& r : region.Rects()) FillSolidRect(r, color);
}

void Canvas::FrameRect(const RECT& r, COLORREF color) {
    if (IsRectEmpty(r)) return;
    FillSolidRect({r.left, r.top, r.right, r.top + 1}, color);
    FillSolidRect({r.left, r.bottom - 1, r.right, r.bottom}, color);
    FillSolidRect({r.left, r.top + 1, r.left + 1, r.bottom - 1}, color);
    FillSolidRect({r.right - 1, r.top + 1, r.right, r.bottom - 1}, color);
}

void Canvas::DrawFocusRect(const RECT& r, COLORREF color) {
    if (IsRectEmpty(r)) return;
    cairo_t* cr = m_impl->cr;
    cairo_new_path(cr);
    auto dot = [&](int x, int y) {
        if (((x + y) & 1) == 0) cairo_rectangle(cr, x, y, 1, 1);
    };
    for (int x = r.left; x < r.right; ++x) {
        dot(x, r.top);
        dot(x, r.bottom - 1);
    }
    for (int y = r.top + 1; y < r.bottom - 1; ++y) {
        dot(r.left, y);
        dot(r.right - 1, y);
    }
    SetSourceColor(cr, color);
    cairo_fill(cr);
}

void Canvas::DrawLine(int x1, int y1, int x2, int y2, COLORREF color) {
    if (y1 == y2) {
        FillSolidRect({std::min(x1, x2), y1, std::max(x1, x2), y1 + 1}, color);
        return;
    }
    if (x1 == x2) {
        FillSolidRect({x1, std::min(y1, y2), x1 + 1, std::max(y1, y2)}, color);
        return;
    }
    cairo_t* cr = m_impl->cr;
    cairo_new_path(cr);
    cairo_move_to(cr, x1 + 0.5, y1 + 0.5);
    cairo_line_to(cr, x2 + 0.5, y2 + 0.5);
    cairo_set_line_width(cr, 1);
    SetSourceColor(cr, color);
    cairo_stroke(cr);
}

void Canvas::Clear(COLORREF color, int alpha) {
    cairo_t* cr = m_impl->cr;
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    SetSourceColor(cr, color, alpha);
    cairo_paint(cr);
    cairo_restore(cr);
}

void Canvas::BitBlt(int x, int y, int width, int height, const Bitmap& src, int srcX, int srcY) {
    if (src.IsNull() || width <= 0 || height <= 0) return;
    cairo_t* cr = m_impl->cr;
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, SurfaceOf(src), x - srcX, y - srcY);
    cairo_new_path(cr);
    // Only what the source holds; beyond it the target stays as it was.
    RECT part;
    if (!IntersectRect(part, {x, y, x + width, y + height},
                       {x - srcX, y - srcY, x - srcX + src.Width(), y - srcY + src.Height()})) {
        cairo_restore(cr);
        return;
    }
    cairo_rectangle(cr, part.left, part.top, part.Width(), part.Height());
    cairo_fill(cr);
    cairo_restore(cr);
}

void Canvas::AlphaBlend(const RECT& dst, const Bitmap& src, const RECT& srcRect,
                        int constantAlpha) {
    if (src.IsNull() || IsRectEmpty(dst)) return;
    RECT s;
    if (!IntersectRect(s, srcRect, {0, 0, src.Width(), src.Height()})) return;
    // A source rectangle cut by the picture's edge cuts the target the same way.
    double fx = double(dst.Width()) / srcRect.Width(), fy = double(dst.Height()) / srcRect.Height();
    double dl = dst.left + (s.left - srcRect.left) * fx, dt = dst.top + (s.top - srcRect.top) * fy;
    double dw = s.Width() * fx, dh = s.Height() * fy;

    cairo_t* cr = m_impl->cr;
    cairo_surface_t* sub =
        cairo_surface_create_for_rectangle(SurfaceOf(src), s.left, s.top, s.Width(), s.Height());
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(sub);
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, s.Width() / dw, s.Height() / dh);
    cairo_matrix_translate(&m, -dl, -dt);
    cairo_pattern_set_matrix(pattern, &m);
    bool same = std::abs(dw - s.Width()) < 1e-9 && std::abs(dh - s.Height()) < 1e-9;
    // Stretched bands must not pull in the pixels beside them.
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(pattern, same ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_BILINEAR);
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, dl, dt, dw, dh);
    cairo_clip(cr);
    cairo_set_source(cr, pattern);
    if (constantAlpha >= 255)
        cairo_paint(cr);
    else
        cairo_paint_with_alpha(cr, std::max(0, constantAlpha) / 255.0);
    cairo_restore(cr);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(sub);
}

void Canvas::StretchBlt(const RECT& dst, const Bitmap& src, const RECT& srcRect) {
    AlphaBlend(dst, src, srcRect, 255);
}

void Canvas::DrawBitmap(int x, int y, const Bitmap& src) {
    if (src.IsNull()) return;
    StretchBlt({x, y, x + src.Width(), y + src.Height()}, src, {0, 0, src.Width(), src.Height()});
}

// --- Text ------------------------------------------------------------------------------------

namespace {

// Takes the "&" marks out: "&&" is one "&", "&x" underlines x.
std::u16string StripPrefix(std::u16string_view text, int& mnemonic) {
    std::u16string out;
    mnemonic = -1;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != u'&' && mnemonic < 0) mnemonic = int(out.size());
        }
        out += text[i];
    }
    return out;
}

}  // namespace

int Canvas::DrawText(std::u16string_view text, RECT& rect, uint32_t format, const Font& font,
                     COLORREF color) {
    int mnemonic = -1;
    std::u16string shown =
        (format & DT_NOPREFIX) ? std::u16string(text) : StripPrefix(text, mnemonic);
    bool single = format & DT_SINGLELINE;
    if (single)
        for (auto& c : shown)
            if (c == u'\r' || c == u'\n') c = u' ';
    std::string utf8 = Utf16ToUtf8(shown);

    cairo_t* cr = m_impl->cr;
    PangoLayout* layout = MakeLayout(cr, font);
    pango_layout_set_text(layout, utf8.data(), int(utf8.size()));
    PangoAttrList* attrs = pango_attr_list_new();
    if (font.Underline()) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (mnemonic >= 0) {
        size_t start = Utf16ToUtf8(std::u16string_view(shown).substr(0, size_t(mnemonic))).size();
        size_t len = Utf16ToUtf8(std::u16string_view(shown).substr(size_t(mnemonic), 1)).size();
        PangoAttribute* u = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
        u->start_index = guint(start);
        u->end_index = guint(start + len);
        pango_attr_list_insert(attrs, u);
    }
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);

    int boxWidth = std::max(0, rect.Width());
    if (single) {
        pango_layout_set_single_paragraph_mode(layout, true);
        if (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS)) {
            pango_layout_set_width(layout, boxWidth * PANGO_SCALE);
            pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
        }
    } else if (format & DT_WORDBREAK) {
        pango_layout_set_width(layout, boxWidth * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
        pango_layout_set_alignment(layout, (format & DT_CENTER)  ? PANGO_ALIGN_CENTER
                                           : (format & DT_RIGHT) ? PANGO_ALIGN_RIGHT
                                                                 : PANGO_ALIGN_LEFT);
    }
    int tw = 0, th = 0;
    pango_layout_get_pixel_size(layout, &tw, &th);
    if (format & DT_CALCRECT) {
        rect.right = rect.left + tw;
        rect.bottom = rect.top + th;
        g_object_unref(layout);
        return th;
    }
    int x = rect.left, y = rect.top;
    if (single || !(format & DT_WORDBREAK)) {
        if (format & DT_CENTER)
            x = rect.left + (boxWidth - tw) / 2;
        else if (format & DT_RIGHT)
            x = rect.right - tw;
    }
    if (single && (format & DT_VCENTER))
        y = rect.top + (rect.Height() - th) / 2;
    else if (single && (format & DT_BOTTOM))
        y = rect.bottom - th;

    cairo_save(cr);
    if (!(format & DT_NOCLIP)) {
        cairo_new_path(cr);
        cairo_rectangle(cr, rect.left, rect.top, rect.Width(), rect.Height());
        cairo_clip(cr);
    }
    SetSourceColor(cr, color);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
    g_object_unref(layout);
    return th;
}

SIZE Canvas::GetTextExtent(std::u16string_view text, const Font& font) const {
    return MeasureText(text, font);
}

// --- Vector drawing ---------------------------------------------------------------------------

namespace {

void ReplayPath(cairo_t* cr, const Path& path) {
    cairo_new_path(cr);
    constexpr double kRad = 3.14159265358979323846 / 180;
    for (const auto& op : path.Ops()) {
        const double* v = op.v;
        switch (op.kind) {
            case Path::Op::kMove:
                cairo_move_to(cr, v[0], v[1]);
                break;
            case Path::Op::kLine:
                cairo_line_to(cr, v[0], v[1]);
                break;
            case Path::Op::kCurve:
                cairo_curve_to(cr, v[0], v[1], v[2], v[3], v[4], v[5]);
                break;
            case Path::Op::kArc:
                if (v[4] >= v[3])
                    cairo_arc(cr, v[0], v[1], v[2], v[3] * kRad, v[4] * kRad);
                else
                    cairo_arc_negative(cr, v[0], v[1], v[2], v[3] * kRad, v[4] * kRad);
                break;
            case Path::Op::kClose:
                cairo_close_path(cr);
                break;
        }
    }
}

// Sets the brush as source; returns the pattern to free (or null).
cairo_pattern_t* SetBrush(cairo_t* cr, const Brush& brush) {
    if (brush.stops.size() <= 1) {
        const ColorStop s = brush.stops.empty() ? ColorStop{} : brush.stops.front();
        SetSourceColor(cr, s.color, s.alpha);
        return nullptr;
    }
    cairo_pattern_t* p = cairo_pattern_create_linear(brush.x0, brush.y0, brush.x1, brush.y1);
    for (const auto& s : brush.stops)
        cairo_pattern_add_color_stop_rgba(p, s.offset, GetRValue(s.color) / 255.0,
                                          GetGValue(s.color) / 255.0, GetBValue(s.color) / 255.0,
                                          s.alpha / 255.0);
    cairo_set_source(cr, p);
    return p;
}

}  // namespace

void Canvas::FillPath(const Path& path, const Brush& brush) {
    cairo_t* cr = m_impl->cr;
    ReplayPath(cr, path);
    cairo_pattern_t* p = SetBrush(cr, brush);
    cairo_fill(cr);
    if (p) cairo_pattern_destroy(p);
}

void Canvas::StrokePath(const Path& path, const Brush& brush, double width) {
    cairo_t* cr = m_impl->cr;
    ReplayPath(cr, path);
    cairo_pattern_t* p = SetBrush(cr, brush);
    cairo_set_line_width(cr, width);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
    if (p) cairo_pattern_destroy(p);
}

void Canvas::SetAntialias(bool on) {
    cairo_set_antialias(m_impl->cr, on ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
}

}  // namespace plat
