// What the skinned windows share in their look: the colours of titles and
// texts, the program icon, and the nine-part drawing of the message-box
// background that keeps corners and edges unscaled.
#pragma once

#include "monitor/Common/SkinPackImage.h"
#include "platform/gfx/Gdi.h"

constexpr plat::COLORREF kSkinTitleColour = plat::RGB(255, 255, 255);
constexpr plat::COLORREF kSkinTextColour = plat::RGB(42, 47, 53);
constexpr plat::COLORREF kSkinBorderColour = plat::RGB(160, 178, 202);
constexpr plat::COLORREF kSkinFocusBorderColour = plat::RGB(61, 123, 208);
constexpr plat::COLORREF kSkinSelectionColour = plat::RGB(214, 230, 250);
constexpr plat::COLORREF kSkinHoverColour = plat::RGB(236, 243, 252);

// The program's icon resources (144: the program icon), loaded once.
const plat::Bitmap& LoadResourceIcon(int id);

// Draws a 270 x 150 background pattern into width x height: corners as they
// are, the edges and the middle stretched from thin bands.
void DrawNinePart(plat::Canvas& dc, const CPackImage* image, int width, int height);

// Wraps a paragraph to `width` pixels by adding characters one at a time; a
// line breaks before the character that would exceed the width.
void WrapByWidth(std::u16string_view paragraph, int width, const plat::Font& font,
                 std::vector<std::u16string>& lines);
// Paragraphs split at "\n", each wrapped.
std::vector<std::u16string> WrapText(std::u16string_view text, int width, const plat::Font& font);
