// The canvas wrapper on real bitmaps: frames kept inside narrow rectangles, the edge colours,
// clip regions with a moved window origin, tiled fills, inversion, text placement, the light
// colours, the rotations, and the screen canvas giving its device context back.
#include "ControlsTestSupport.h"

#include "controls/vxGraphics.h"

#include <gtest/gtest.h>

using controlstest::TPaintBitmap;

namespace {

COLORREF Rgb(TColor c) { return ColorToRGB(c); }

}  // namespace

TEST(vxGraphics, TextFlagsBecomeDrawTextFlags) {
  const struct {
    TvxTextFlags Flags;
    UINT Expected;
  } cases[] = {
      {0, DT_NOPREFIX},
      {vxShowPrefix, 0},
      {vxWordBreak, DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX},
      {vxWordBreak | vxDontBreakChars, DT_WORDBREAK | DT_NOPREFIX},
      {vxAlignRight | vxAlignBottom | vxSingleLine | vxShowPrefix | vxAlignHCenter | vxAlignVCenter | vxDontClip |
           vxExpandTabs | vxShowEndEllipsis | vxDontPrint | vxShowPathEllipsis,
       DT_RIGHT | DT_BOTTOM | DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOCLIP | DT_EXPANDTABS | DT_END_ELLIPSIS |
           DT_CALCRECT | DT_PATH_ELLIPSIS},
  };
  for (const auto& c : cases) EXPECT_EQ(vxTextFlagsToDrawTextFlags(c.Flags), c.Expected) << c.Flags;
}

TEST(vxGraphics, FrameSidesStayInsideANarrowRectangle) {
  for (TvxBorders borders : {TvxBorders(bLeft), TvxBorders(bRight), vxBordersAll}) {
    TPaintBitmap bitmap(5, 12);
    TvxCanvas canvas(bitmap.Canvas());
    canvas.FrameRect(RECT{0, 0, 2, 10}, clRed, 3, borders);
    for (int y = 0; y < 12; ++y) {
      for (int x = 0; x < 5; ++x) {
        const bool inside = x < 2 && y < 10;
        EXPECT_EQ(bitmap.Pixel(x, y), inside ? Rgb(clRed) : Rgb(clWhite)) << int(borders) << " at " << x << "," << y;
      }
    }
  }
}

TEST(vxGraphics, RaisedOuterEdgeTakesTheLightAndDarkShadowColours) {
  TPaintBitmap bitmap(12, 12);
  TvxCanvas canvas(bitmap.Canvas());
  canvas.DrawEdge(RECT{0, 0, 10, 10}, false, true);
  EXPECT_EQ(bitmap.Pixel(0, 0), Rgb(cl3DLight));
  EXPECT_EQ(bitmap.Pixel(9, 0), Rgb(cl3DDkShadow));
  EXPECT_EQ(bitmap.Pixel(0, 9), Rgb(cl3DDkShadow));
  EXPECT_EQ(bitmap.Pixel(5, 5), Rgb(clWhite));
}

TEST(vxGraphics, ClipRegionFollowsTheWindowOrigin) {
  TPaintBitmap bitmap(30, 30);
  TvxCanvas canvas(bitmap.Canvas());
  EXPECT_EQ(canvas.GetClipRegion()->BoundsRect(), (RECT{0, 0, 30000, 30000})) << "no clip region";
  // Pixels read back in device coordinates (0x00RRGGBB), whatever the clip region.
  auto pixel = [&](int x, int y) { return bitmap.ReadPixels32()[static_cast<size_t>(y * 30 + x)]; };
  const uint32_t red = 0xFF0000, blue = 0x0000FF, white = 0xFFFFFF;

  bitmap.Canvas().SetWindowOrg(5, 5);
  canvas.IntersectClipRect(RECT{10, 10, 20, 20});
  EXPECT_EQ(canvas.GetClipRegion()->BoundsRect(), (RECT{10, 10, 20, 20}));
  EXPECT_EQ(canvas.GetClipRegion(false)->BoundsRect(), (RECT{5, 5, 15, 15})) << "device coordinates";

  TvxRegion part(12, 12, 14, 14);
  canvas.SetClipRegion(part, roIntersect);
  EXPECT_EQ(part.BoundsRect(), (RECT{12, 12, 14, 14})) << "the region keeps its place";
  canvas.FillRect(RECT{0, 0, 40, 40}, clRed);
  EXPECT_EQ(pixel(7, 7), red);  // logical (12, 12)
  EXPECT_EQ(pixel(9, 9), white);
  EXPECT_EQ(pixel(6, 6), white);

  canvas.SetClipRegion(std::make_unique<TvxRegion>(0, 0, 6, 6), roCopy);
  canvas.FillRect(RECT{0, 0, 40, 40}, clBlue);
  EXPECT_EQ(pixel(0, 0), blue) << "copy replaces the clip region";
  EXPECT_EQ(pixel(1, 1), white) << "logical (6, 6) lies outside";
}

TEST(vxGraphics, RegionCopyIgnoresThePreviousShape) {
  for (TvxRegionOperation operation : {roCopy, roAdd}) {
    TvxRegion region(0, 0, 10, 10);
    region.Combine(std::make_unique<TvxRegion>(20, 0, 30, 10), operation);
    EXPECT_EQ(region.BoundsRect(), (operation == roCopy ? RECT{20, 0, 30, 10} : RECT{0, 0, 30, 10}));
  }
}

TEST(vxGraphics, FillTilesTheBitmapFromTheOrigin) {
  TPaintBitmap tile(2, 2, clRed);
  tile.Canvas().SetPixels(1, 1, clBlue);
  TPaintBitmap bitmap(8, 8);
  TvxCanvas canvas(bitmap.Canvas());
  canvas.FillRect(RECT{1, 1, 5, 5}, &tile);
  EXPECT_EQ(bitmap.Pixel(1, 1), Rgb(clBlue)) << "cell (0, 0) reaches into the rectangle";
  EXPECT_EQ(bitmap.Pixel(2, 2), Rgb(clRed));
  EXPECT_EQ(bitmap.Pixel(3, 3), Rgb(clBlue));
  EXPECT_EQ(bitmap.Pixel(0, 0), Rgb(clWhite));
  EXPECT_EQ(bitmap.Pixel(5, 5), Rgb(clWhite));
}

TEST(vxGraphics, InvertRectInvertsTheDestinationAndRestoresTheCopyMode) {
  TPaintBitmap bitmap(4, 4, static_cast<TColor>(RGB(10, 200, 30)));
  TvxCanvas canvas(bitmap.Canvas());
  canvas.InvertRect(RECT{0, 0, 2, 2});
  EXPECT_EQ(bitmap.Pixel(1, 1), RGB(245, 55, 225));
  EXPECT_EQ(bitmap.Pixel(2, 2), RGB(10, 200, 30));
  EXPECT_EQ(bitmap.Canvas().CopyMode(), static_cast<DWORD>(SRCCOPY));
}

TEST(vxGraphics, SingleLineTextIsClippedOnlyWhenItDoesNotFitAndMeasuringDrawsNothing) {
  auto inkLeftOf = [](TvxTextFlags flags) {
    TPaintBitmap bitmap(60, 20);
    TvxCanvas canvas(bitmap.Canvas());
    canvas.Font().SetColor(clBlack);
    // Right-aligned in a rectangle narrower than the text: the text starts left of it.
    canvas.DrawText("WWWW", RECT{30, 0, 30 + canvas.TextWidth("WWWW") / 2, 20}, vxSingleLine | flags);
    bool ink = false;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 30; ++x) ink |= bitmap.Pixel(x, y) != Rgb(clWhite);
    return ink;
  };
  EXPECT_FALSE(inkLeftOf(vxAlignRight));
  EXPECT_TRUE(inkLeftOf(vxAlignRight | vxDontClip));
  EXPECT_FALSE(inkLeftOf(vxAlignRight | vxDontClip | vxDontPrint));
}

TEST(vxGraphics, LightColours) {
  const COLORREF face = RGB(192, 192, 192), highlight = RGB(0, 0, 128), window = RGB(255, 255, 255);
  EXPECT_EQ(vxMixLightColor(face, highlight, window, -2, 30, 72), RGB(180, 180, 218)) << "hot";
  EXPECT_EQ(vxMixLightColor(face, highlight, window, 14, 44, 40), RGB(129, 129, 185)) << "pressed";
  EXPECT_EQ(vxMixLightColor(RGB(255, 255, 255), highlight, window, -2, 30, 72), highlight) << "white face";
  EXPECT_EQ(vxMixLightColor(RGB(0, 0, 0), highlight, window, 14, 44, 40), highlight) << "black face";
  EXPECT_EQ(vxMixLightColor(face, RGB(255, 255, 255), window, 50, 50, 50), RGB(255, 255, 255)) << "clamped";
  EXPECT_EQ(Rgb(vxGetHotTrackColor()), vxGetLightColor(-2, 30, 72)) << "a 24-bit screen shows every colour";
}

TEST(vxGraphics, RotationsAndMirrors) {
  // Pixel (x, y) of a 3 x 2 bitmap has red 10 + 40x and green 10 + 40y.
  auto code = [](int x, int y) { return RGB(10 + 40 * x, 10 + 40 * y, 77); };
  const struct {
    int Rotation;
    bool Mirror;
    int Width, Height;
    POINT (*Place)(int x, int y);
  } cases[] = {
      {0, true, 3, 2, [](int x, int y) { return POINT{x, 1 - y}; }},
      {1, false, 2, 3, [](int x, int y) { return POINT{y, 2 - x}; }},
      {1, true, 2, 3, [](int x, int y) { return POINT{y, x}; }},
      {2, false, 2, 3, [](int x, int y) { return POINT{1 - y, x}; }},
      {2, true, 2, 3, [](int x, int y) { return POINT{1 - y, 2 - x}; }},
      {3, false, 3, 2, [](int x, int y) { return POINT{2 - x, 1 - y}; }},
      {3, true, 3, 2, [](int x, int y) { return POINT{2 - x, y}; }},
  };
  for (const auto& c : cases) {
    TPaintBitmap bitmap(3, 2);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) bitmap.Canvas().SetPixels(x, y, static_cast<TColor>(code(x, y)));
    vxRotateBitmap(bitmap, c.Rotation, c.Mirror);
    ASSERT_EQ(bitmap.Width(), c.Width) << c.Rotation << c.Mirror;
    ASSERT_EQ(bitmap.Height(), c.Height);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 3; ++x) {
        const POINT p = c.Place(x, y);
        EXPECT_EQ(bitmap.Pixel(p.x, p.y), code(x, y)) << c.Rotation << c.Mirror << " from " << x << "," << y;
      }
    }
  }
  TPaintBitmap unchanged(3, 2, clRed);
  vxRotateBitmap(unchanged, 0, false);
  EXPECT_EQ(unchanged.Width(), 3);
}

TEST(vxGraphics, ScreenCanvasGivesItsDeviceContextBack) {
  TvxScreenCanvas* screen = vxScreenCanvas();
  ASSERT_NE(screen, nullptr);
  EXPECT_GT(screen->TextWidth("Qq"), 0);
  EXPECT_TRUE(screen->Canvas().HandleAllocated());
  screen->Dormant();
  EXPECT_FALSE(screen->Canvas().HandleAllocated());
  EXPECT_GT(screen->TextHeight("Qq"), 0) << "taken again on demand";
}
