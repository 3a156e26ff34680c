// Bitmaps over Cairo image surfaces, PNG encoding, and decoding of pictures
// from memory over gdk-pixbuf.
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>

#include "platform/File.h"
#include "platform/Path.h"
#include "platform/gfx/GfxInternal.h"

namespace plat {

Bitmap BitmapFromSurface(cairo_surface_t* surface) {
    Bitmap b;
    if (!surface) return b;
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return b;
    }
    auto data = std::make_shared<Bitmap::Data>();
    data->surface = surface;
    return Bitmap::FromData(std::move(data));
}

Bitmap Bitmap::FromData(std::shared_ptr<Data> data) {
    Bitmap b;
    b.m_data = std::move(data);
    return b;
}

Bitmap::Bitmap(int width, int height) {
    auto data = std::make_shared<Data>();
    data->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(0, width),
                                               std::max(0, height));
    m_data = std::move(data);
}

Bitmap Bitmap::Clone() const {
    if (IsNull()) return {};
    Bitmap copy(Width(), Height());
    cairo_t* cr = cairo_create(SurfaceOf(copy));
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, SurfaceOf(*this), 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    return copy;
}

int Bitmap::Width() const { return m_data ? cairo_image_surface_get_width(m_data->surface) : 0; }
int Bitmap::Height() const { return m_data ? cairo_image_surface_get_height(m_data->surface) : 0; }

namespace {

uint32_t RawPixel(const Bitmap& b, int x, int y) {
    cairo_surface_t* s = SurfaceOf(b);
    if (!s || x < 0 || y < 0 || x >= b.Width() || y >= b.Height()) return 0;
    cairo_surface_flush(s);
    const unsigned char* row =
        cairo_image_surface_get_data(s) + size_t(y) * size_t(cairo_image_surface_get_stride(s));
    return reinterpret_cast<const uint32_t*>(row)[x];
}

// Premultiplied to straight 0xAARRGGBB.
uint32_t Unpremultiply(uint32_t p) {
    uint32_t a = p >> 24;
    if (a == 0) return 0;
    if (a == 255) return p;
    auto ch = [a](uint32_t v) { return std::min<uint32_t>(255, (v * 255 + a / 2) / a); };
    return (a << 24) | (ch((p >> 16) & 0xFF) << 16) | (ch((p >> 8) & 0xFF) << 8) | ch(p & 0xFF);
}

uint32_t Premultiply(uint32_t p) {
    uint32_t a = p >> 24;
    if (a == 255) return p;
    auto ch = [a](uint32_t v) { return (v * a + 127) / 255; };
    return (a << 24) | (ch((p >> 16) & 0xFF) << 16) | (ch((p >> 8) & 0xFF) << 8) | ch(p & 0xFF);
}

}  // namespace

COLORREF Bitmap::GetPixel(int x, int y) const {
    uint32_t p = Unpremultiply(RawPixel(*this, x, y));
    return RGB(int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF));
}

int Bitmap::GetAlpha(int x, int y) const { return int(RawPixel(*this, x, y) >> 24); }

std::vector<uint32_t> Bitmap::ToArgb() const {
    std::vector<uint32_t> out;
    cairo_surface_t* s = SurfaceOf(*this);
    if (!s) return out;
    cairo_surface_flush(s);
    int w = Width(), h = Height(), stride = cairo_image_surface_get_stride(s);
    out.reserve(size_t(w) * size_t(h));
    const unsigned char* data = cairo_image_surface_get_data(s);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<const uint32_t*>(data + size_t(y) * size_t(stride));
        for (int x = 0; x < w; ++x) out.push_back(Unpremultiply(row[x]));
    }
    return out;
}

Bitmap Bitmap::FromArgb(int width, int height, const std::vector<uint32_t>& argb) {
    if (width <= 0 || height <= 0 || argb.size() < size_t(width) * size_t(height)) return {};
    Bitmap b(width, height);
    cairo_surface_t* s = SurfaceOf(b);
    cairo_surface_flush(s);
    int stride = cairo_image_surface_get_stride(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride));
        for (int x = 0; x < width; ++x) row[x] = Premultiply(argb[size_t(y) * size_t(width) + x]);
    }
    cairo_surface_mark_dirty(s);
    return b;
}

namespace {

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::string Bitmap::EncodePng() const {
    std::string out;
    if (IsNull()) return out;
    if (cairo_surface_write_to_png_stream(SurfaceOf(*this), AppendBytes, &out) !=
        CAIRO_STATUS_SUCCESS)
        out.clear();
    return out;
}

bool Bitmap::SavePng(std::u16string_view path) const {
    std::string bytes = EncodePng();
    return !bytes.empty() && WriteFile(path, bytes);
}

Bitmap Bitmap::Decode(std::string_view bytes) {
    if (bytes.empty()) return {};
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    GError* error = nullptr;
    bool ok = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data()),
                                      bytes.size(), &error);
    if (error) g_clear_error(&error);
    ok = gdk_pixbuf_loader_close(loader, &error) && ok;
    if (error) g_clear_error(&error);
    GdkPixbuf* pixbuf = ok ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    Bitmap result;
    if (pixbuf && gdk_pixbuf_get_colorspace(pixbuf) == GDK_COLORSPACE_RGB &&
        gdk_pixbuf_get_bits_per_sample(pixbuf) == 8) {
        int w = gdk_pixbuf_get_width(pixbuf), h = gdk_pixbuf_get_height(pixbuf);
        int n = gdk_pixbuf_get_n_channels(pixbuf), stride = gdk_pixbuf_get_rowstride(pixbuf);
        bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
        const guchar* px = gdk_pixbuf_read_pixels(pixbuf);
        std::vector<uint32_t> argb(size_t(w) * size_t(h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const guchar* p = px + size_t(y) * size_t(stride) + size_t(x) * size_t(n);
                uint32_t a = alpha ? p[3] : 255;
                argb[size_t(y) * size_t(w) + x] = (a << 24) | (uint32_t(p[0]) << 16) |
                                                  (uint32_t(p[1]) << 8) | uint32_t(p[2]);
            }
        result = FromArgb(w, h, argb);
    }
    g_object_unref(loader);
    return result;
}

Bitmap Bitmap::LoadFile(std::u16string_view path) {
    std::string bytes;
    if (!ReadFile(path, bytes)) return {};
    return Decode(bytes);
}

}  // namespace plat
