// Pictures out of the skin packs: a bitmap, an image for alpha drawing, or an
// icon, made from one member's bytes. Each request reopens the data file and
// reads only that member. What a caller gets is its own; a missing member gives
// nothing (null bitmap, null pointer), and the caller draws nothing for it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/gfx/Gdi.h"

// An image decoded from a member, kept together with the bytes it was made
// from; both go when the last holder lets go.
class CPackImage {
public:
    CPackImage(std::string block, plat::Bitmap image)
        : m_block(std::move(block)), m_image(std::move(image)) {}
    int GetWidth() const { return m_image.Width(); }
    int GetHeight() const { return m_image.Height(); }
    const plat::Bitmap& Image() const { return m_image; }
    const std::string& Block() const { return m_block; }

private:
    std::string m_block;
    plat::Bitmap m_image;
};
using PackImage = std::shared_ptr<const CPackImage>;

plat::Bitmap LoadPackBitmap(std::u16string_view name, std::u16string_view indexPath,
                            std::u16string_view dataPath);
// From the image pack.
PackImage LoadPackImage(std::u16string_view name);
// By way of a temporary icon file, so that the icon comes at the file's own size.
plat::Bitmap LoadPackIcon(std::u16string_view name, std::u16string_view indexPath,
                          std::u16string_view dataPath);
