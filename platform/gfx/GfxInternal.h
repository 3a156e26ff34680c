// What the graphics sources share among themselves: the Cairo side of bitmaps
// and fonts. Only platform/gfx includes this.
#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include "platform/gfx/Gdi.h"

namespace plat {

struct Bitmap::Data {
    cairo_surface_t* surface = nullptr;
    ~Data() {
        if (surface) cairo_surface_destroy(surface);
    }
};

inline cairo_surface_t* SurfaceOf(const Bitmap& b) { return b.Raw() ? b.Raw()->surface : nullptr; }
// Takes over a surface reference.
Bitmap BitmapFromSurface(cairo_surface_t* surface);

// A Pango layout for the font on the context, with the hinting the small
// skinned texts need to stay sharp.
PangoLayout* MakeLayout(cairo_t* cr, const Font& font);

inline void SetSourceColor(cairo_t* cr, COLORREF c, int alpha = 255) {
    cairo_set_source_rgba(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0,
                          alpha / 255.0);
}

}  // namespace plat
