// Fonts and text measurement over Pango with fontconfig. The program asks for
// the faces of the system it was written for; each is drawn with the installed
// faces closest to it.
#include <algorithm>
#include <cmath>

#include "platform/Text.h"
#include "platform/gfx/GfxInternal.h"

namespace plat {

namespace {

bool IsOneOf(std::u16string_view face, std::initializer_list<std::u16string_view> names) {
    return std::any_of(names.begin(), names.end(),
                       [&](std::u16string_view n) { return EqualsNoCase(face, n); });
}

// CJK faces have no line gap: their cell height is their em size. Latin faces
// of the Arial kind are 1.15 em high.
bool IsCjkFace(std::u16string_view face) {
    return IsOneOf(face, {u"宋体", u"新宋体", u"SimSun", u"NSimSun", u"黑体", u"SimHei", u"微软雅黑",
                          u"Microsoft YaHei"});
}

}  // namespace

Font::Font() : m_face(u"宋体") {}

Font::Font(std::u16string_view face, int height, int weight, bool italic, bool underline)
    : m_face(face.empty() ? std::u16string(u"宋体") : std::u16string(face)),
      m_height(std::abs(height)),
      m_weight(weight <= 0 ? FW_NORMAL : weight),
      m_italic(italic),
      m_underline(underline) {}

std::string Font::FamilyList() const {
    if (IsOneOf(m_face, {u"宋体", u"新宋体", u"SimSun", u"NSimSun"}))
        return "WenQuanYi Zen Hei Sharp,AR PL UMing CN,WenQuanYi Zen Hei,Noto Sans CJK SC,sans-serif";
    if (IsCjkFace(m_face)) return "WenQuanYi Zen Hei,Noto Sans CJK SC,AR PL UMing CN,sans-serif";
    if (IsOneOf(m_face, {u"Arial", u"Tahoma", u"Verdana", u"MS Sans Serif", u"Segoe UI"}))
        return "Liberation Sans,Arimo,DejaVu Sans,WenQuanYi Zen Hei Sharp,sans-serif";
    return Utf16ToUtf8(m_face) + ",Liberation Sans,WenQuanYi Zen Hei Sharp,sans-serif";
}

double Font::PixelSize() const {
    double h = std::max(1, m_height);
    return IsCjkFace(m_face) ? h : std::round(h / 1.15 * 2) / 2;
}

PangoLayout* MakeLayout(cairo_t* cr, const Font& font) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    PangoContext* context = pango_layout_get_context(layout);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);

    PangoFontDescription* desc = pango_font_description_new();
    std::string families = font.FamilyList();
    pango_font_description_set_family(desc, families.c_str());
    pango_font_description_set_absolute_size(desc, font.PixelSize() * PANGO_SCALE);
    pango_font_description_set_weight(desc, PangoWeight(std::clamp(font.Weight(), 100, 1000)));
    pango_font_description_set_style(desc, font.Italic() ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    pango_layout_context_changed(layout);
    return layout;
}

namespace {

// A context for measuring without a canvas, one per thread (Pango's font maps
// are per thread).
cairo_t* MeasureContext() {
    struct Holder {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
        cairo_t* cr = cairo_create(surface);
        ~Holder() {
            cairo_destroy(cr);
            cairo_surface_destroy(surface);
        }
    };
    thread_local Holder holder;
    return holder.cr;
}

}  // namespace

SIZE MeasureText(std::u16string_view text, const Font& font) {
    PangoLayout* layout = MakeLayout(MeasureContext(), font);
    std::string utf8 = Utf16ToUtf8(text);
    pango_layout_set_text(layout, utf8.data(), int(utf8.size()));
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    g_object_unref(layout);
    return {w, h};
}

int LineHeight(const Font& font) { return MeasureText(u"国Ag", font).cy; }

}  // namespace plat

#if defined(__SANITIZE_ADDRESS__)
// Fontconfig keeps its configuration and pattern caches for the whole life of
// the process; they are not ours to free, so the leak checker is told so for
// every program that lays out text.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
