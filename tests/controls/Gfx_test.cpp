// The graphics layer under the skinned windows: text layout, decoding, blits
// and regions, and the screenshot of windows in their order.
#include "controls/ControlsTestSupport.h"
#include "desktop/DesktopTestSupport.h"
#include "platform/gfx/Screenshot.h"
#include "platform/gfx/WindowSurface.h"

using namespace plat;
using qntest::ControlsTest;

namespace {

// The columns holding ink of a colour far from white.
std::pair<int, int> InkColumns(const Bitmap& b) {
    int first = -1, last = -1;
    for (int x = 0; x < b.Width(); ++x)
        for (int y = 0; y < b.Height(); ++y)
            if (GetRValue(b.GetPixel(x, y)) < 128 && b.GetAlpha(x, y) > 128) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    return {first, last};
}

Bitmap TextPicture(std::u16string_view text, uint32_t format, int width = 200) {
    Bitmap b(width, 20);
    Canvas c(b);
    c.FillSolidRect({0, 0, width, 20}, RGB(255, 255, 255));
    c.DrawText(text, {0, 0, width, 20}, format | DT_SINGLELINE | DT_VCENTER, Font(u"宋体", 12), RGB(0, 0, 0));
    return b;
}

}  // namespace

TEST_F(ControlsTest, TextIsAlignedMeasuredAndCutWithAnEllipsis) {
    int w = MeasureText(u"联系人", Font(u"宋体", 12)).cx;
    EXPECT_GT(w, 24);
    EXPECT_LT(w, 48);
    EXPECT_GT(MeasureText(u"Arial", Font(u"Arial", 15)).cx, MeasureText(u"Arial", Font(u"Arial", 12)).cx);
    auto left = InkColumns(TextPicture(u"联系人", DT_LEFT));
    auto centre = InkColumns(TextPicture(u"联系人", DT_CENTER));
    auto right = InkColumns(TextPicture(u"联系人", DT_RIGHT));
    EXPECT_LT(left.first, 3);
    EXPECT_NEAR((centre.first + centre.second) / 2, 100, 3);
    EXPECT_GT(right.second, 195);
    // Cut at the box's width instead of running past it.
    std::u16string longText(40, u'字');
    auto cut = InkColumns(TextPicture(longText, DT_LEFT | DT_END_ELLIPSIS, 120));
    EXPECT_LT(cut.second, 120);
    Bitmap wide(300, 20);
    {
        Canvas c(wide);
        c.FillSolidRect({0, 0, 300, 20}, RGB(255, 255, 255));
        c.DrawText(longText, {0, 0, 120, 20}, DT_SINGLELINE | DT_END_ELLIPSIS, Font(), RGB(0, 0, 0));
    }
    EXPECT_LT(InkColumns(wide).second, 120);
    RECT calc{10, 10, 10, 10};
    Bitmap any(10, 10);
    Canvas c(any);
    int h = c.DrawText(u"联系人", calc, DT_CALCRECT | DT_SINGLELINE, Font(), 0);
    EXPECT_EQ(calc.Width(), w);
    EXPECT_EQ(calc.Height(), h);
}

TEST_F(ControlsTest, PicturesDecodeFromMemoryAndBrokenBytesGiveNothing) {
    Bitmap b(3, 2);
    {
        Canvas c(b);
        c.FillSolidRect({0, 0, 1, 2}, RGB(255, 0, 0));
        c.FillAlphaRect({1, 0, 2, 2}, RGB(0, 0, 255), 128);
    }
    Bitmap back = Bitmap::Decode(b.EncodePng());
    ASSERT_EQ(back.Width(), 3);
    EXPECT_EQ(back.GetPixel(0, 0), RGB(255, 0, 0));
    EXPECT_NEAR(back.GetAlpha(1, 1), 128, 1);
    EXPECT_EQ(back.GetAlpha(2, 0), 0);
    EXPECT_TRUE(Bitmap::Decode("GIF89a but nothing more").IsNull());
    EXPECT_TRUE(Bitmap::Decode("").IsNull());
}

TEST_F(ControlsTest, BlitsCopyStretchAndBlendWithinTheClip) {
    Bitmap src(2, 1);
    {
        Canvas c(src);
        c.FillSolidRect({0, 0, 1, 1}, RGB(255, 0, 0));
        c.FillSolidRect({1, 0, 2, 1}, RGB(0, 255, 0));
    }
    Bitmap dst(20, 10);
    Canvas c(dst);
    c.FillSolidRect({0, 0, 20, 10}, RGB(255, 255, 255));
    // The green band stretched without pulling in its red neighbour.
    c.StretchBlt({0, 0, 10, 10}, src, {1, 0, 2, 1});
    EXPECT_EQ(dst.GetPixel(0, 5), RGB(0, 255, 0));
    EXPECT_EQ(dst.GetPixel(9, 5), RGB(0, 255, 0));
    EXPECT_EQ(dst.GetPixel(10, 5), RGB(255, 255, 255));
    c.SaveDC();
    c.IntersectClipRect({12, 0, 14, 10});
    c.BitBlt(10, 0, 10, 1, src, 0, 0);  // only the source's two pixels, and only inside the clip
    c.RestoreDC();
    EXPECT_EQ(dst.GetPixel(10, 0), RGB(255, 255, 255));
    EXPECT_EQ(dst.GetPixel(11, 0), RGB(255, 255, 255));
    c.BitBlt(10, 2, 10, 1, src, 0, 0);
    EXPECT_EQ(dst.GetPixel(10, 2), RGB(255, 0, 0));
    EXPECT_EQ(dst.GetPixel(11, 2), RGB(0, 255, 0));
    EXPECT_EQ(dst.GetPixel(12, 2), RGB(255, 255, 255));
    c.AlphaBlend({15, 5, 16, 6}, src, {0, 0, 1, 1}, 128);
    EXPECT_NEAR(GetGValue(dst.GetPixel(15, 5)), 127, 2);
    // A region clips the union of its rectangles.
    c.SaveDC();
    c.IntersectClipRgn(UnionRegion(Region::FromRect({0, 8, 2, 10}), Region::FromRect({4, 8, 6, 10})));
    c.FillSolidRect({0, 8, 20, 10}, RGB(0, 0, 0));
    c.RestoreDC();
    EXPECT_EQ(dst.GetPixel(1, 9), RGB(0, 0, 0));
    EXPECT_EQ(dst.GetPixel(3, 9), RGB(0, 255, 0));
    EXPECT_EQ(dst.GetPixel(5, 9), RGB(0, 0, 0));
}

TEST_F(ControlsTest, TheDesktopScreenshotShowsWindowsInTheirOrderAndClippedByRegions) {
    struct Painter : qntest::ScriptedWindow {
        COLORREF colour;
        explicit Painter(COLORREF c) : colour(c) {
            SetHandler([this](UINT m, WPARAM, LPARAM, LRESULT&) {
                if (m != WM_PAINT) return false;
                PaintDC dc(Handle());
                RECT r;
                GetClientRect(Handle(), r);
                dc.Dc().FillSolidRect(r, colour);
                return true;
            });
        }
    };
    Painter below(RGB(200, 0, 0)), above(RGB(0, 0, 200));
    below.CreateEx(0, u"Below", u"", WS_POPUP | WS_VISIBLE, 100, 100, 200, 100, nullptr);
    above.CreateEx(0, u"Above", u"", WS_POPUP | WS_VISIBLE, 150, 120, 200, 100, nullptr);
    Region round = Region::RoundRect(0, 0, 201, 101, 40, 40);
    SetWindowRgn(above.Handle(), &round, true);
    Bitmap shot = CaptureDesktop();
    EXPECT_EQ(shot.GetPixel(120, 150), RGB(200, 0, 0));
    EXPECT_EQ(shot.GetPixel(200, 150), RGB(0, 0, 200));  // the upper window covers the lower
    EXPECT_EQ(shot.GetPixel(151, 121), RGB(200, 0, 0));  // its cut corner shows the lower one
    SetForegroundWindow(below.Handle());
    shot = CaptureDesktop();
    EXPECT_EQ(shot.GetPixel(200, 150), RGB(200, 0, 0));
    Bitmap one = CaptureWindow(above.Handle());
    EXPECT_EQ(one.Width(), 200);
    EXPECT_EQ(one.GetPixel(100, 50), RGB(0, 0, 200));
}
