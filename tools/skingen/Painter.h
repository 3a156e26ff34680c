// Drawing helpers of the skin generator: the shapes every picture of the skin
// is made of, in one palette.
#pragma once

#include "platform/gfx/Gdi.h"

namespace skingen {

using plat::COLORREF;
using plat::RGB;

// The palette.
constexpr COLORREF kTitleTop = RGB(66, 134, 216), kTitleBottom = RGB(38, 100, 184);
constexpr COLORREF kFrame = RGB(52, 98, 168);
constexpr COLORREF kBody = RGB(243, 246, 250), kPanelBorder = RGB(190, 205, 224);
constexpr COLORREF kFooter = RGB(232, 238, 246), kFooterLine = RGB(208, 218, 231);
constexpr COLORREF kBlue = RGB(47, 115, 204), kGlyph = RGB(93, 107, 125);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// Button faces in their four states.
enum State { kNormal, kHover, kPressed, kDisabled };

// A rounded box with a crisp 1-pixel border.
void Box(plat::Canvas& c, double x, double y, double w, double h, double radius,
         const plat::Brush& fill, COLORREF border, int borderAlpha = 255);
// The face of a push button of the skin.
void ButtonFace(plat::Canvas& c, double x, double y, double w, double h, State s);
// The title band of a window, with the window's frame around it all.
void TitleBand(plat::Canvas& c, int width, int height, int bandHeight, double cornerRadius);
// Strokes of a glyph.
void Stroke(plat::Canvas& c, std::initializer_list<plat::PointF> points, COLORREF color,
            double width, int alpha = 255);
void Chevron(plat::Canvas& c, double cx, double cy, double size, bool down, COLORREF color,
             double width = 1.6);
void Cross(plat::Canvas& c, double cx, double cy, double half, COLORREF color, double width,
           int alpha = 255);
void Tick(plat::Canvas& c, double cx, double cy, double scale, COLORREF color, double width);
void Magnifier(plat::Canvas& c, double cx, double cy, double r, COLORREF color, double width);
// The program's mark: a card with a person on a blue tile.
void Logo(plat::Canvas& c, double x, double y, double size);

}  // namespace skingen
