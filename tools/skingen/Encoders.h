// File formats the skin needs beside PNG: GIF (palette, one transparent
// colour) and ICO (32-bit images with their masks).
#pragma once

#include <string>
#include <vector>

#include "platform/gfx/Gdi.h"

namespace skingen {

// Pixels under half alpha become the transparent colour; the rest are laid on
// `matte` first, so that soft edges blend into the background they will sit on.
std::string EncodeGif(const plat::Bitmap& image, plat::COLORREF matte);
// One directory entry per image, in the order given.
std::string EncodeIco(const std::vector<plat::Bitmap>& images);

}  // namespace skingen
