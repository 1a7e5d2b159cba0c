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
      {vxDontBreakChars, DT_NOPREFIX},
      {vxAlignLeft | vxAlignTop, DT_NOPREFIX},
      {vxAlignRight | vxAlignBottom | vxSingleLine | vxShowPrefix, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE},
      {vxAlignHCenter | vxAlignVCenter | vxDontClip | vxExpandTabs,
       DT_CENTER | DT_VCENTER | DT_NOCLIP | DT_EXPANDTABS | DT_NOPREFIX},
      {vxShowEndEllipsis | vxDontPrint | vxShowPathEllipsis,
       DT_END_ELLIPSIS | DT_CALCRECT | DT_PATH_ELLIPSIS | DT_NOPREFIX},
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

  canvas.DrawEdge(RECT{0, 0, 10, 10}, true, false, bLeft);  // sunken inner: dark shadow first
  EXPECT_EQ(bitmap.Pixel(0, 5), Rgb(cl3DDkShadow));
  EXPECT_EQ(bitmap.Pixel(9, 5), Rgb(cl3DDkShadow)) << "only the left side was drawn again";
}

TEST(vxGraphics, ClipRegionFollowsTheWindowOrigin) {
  TPaintBitmap bitmap(30, 30);
  TvxCanvas canvas(bitmap.Canvas());
  EXPECT_EQ(canvas.GetClipRegion()->BoundsRect(), (RECT{0, 0, 30000, 30000})) << "no clip region";
  // Pixels are read back in device coordinates, without clipping.
  auto pixel = [&](int x, int y) {
    const POINT origin = bitmap.Canvas().SetWindowOrg(0, 0);
    HRGN clip = bitmap.Canvas().SaveClipRegion();
    bitmap.Canvas().RestoreClipRegion(nullptr);
    const COLORREF result = bitmap.Pixel(x, y);
    bitmap.Canvas().RestoreClipRegion(clip);
    bitmap.Canvas().SetWindowOrg(origin.x, origin.y);
    return result;
  };

  bitmap.Canvas().SetWindowOrg(5, 5);
  canvas.IntersectClipRect(RECT{10, 10, 20, 20});
  EXPECT_EQ(canvas.GetClipRegion()->BoundsRect(), (RECT{10, 10, 20, 20}));
  EXPECT_EQ(canvas.GetClipRegion(false)->BoundsRect(), (RECT{5, 5, 15, 15})) << "device coordinates";

  TvxRegion part(12, 12, 14, 14);
  canvas.SetClipRegion(part, roIntersect);
  EXPECT_EQ(part.BoundsRect(), (RECT{12, 12, 14, 14})) << "the region keeps its place";
  canvas.FillRect(RECT{0, 0, 40, 40}, clRed);
  EXPECT_EQ(pixel(7, 7), Rgb(clRed));  // logical (12, 12)
  EXPECT_EQ(pixel(9, 9), Rgb(clWhite));
  EXPECT_EQ(pixel(6, 6), Rgb(clWhite));

  canvas.SetClipRegion(std::make_unique<TvxRegion>(0, 0, 6, 6), roCopy);
  canvas.FillRect(RECT{0, 0, 40, 40}, clBlue);
  EXPECT_EQ(pixel(0, 0), Rgb(clBlue)) << "copy replaces the clip region";
  EXPECT_EQ(pixel(1, 1), Rgb(clWhite)) << "logical (6, 6) lies outside";
}

TEST(vxGraphics, RegionOperations) {
  const struct {
    TvxRegionOperation Operation;
    RECT Expected;
  } cases[] = {
      {roCopy, {20, 0, 30, 10}},  // the region's previous shape does not matter
      {roAdd, {0, 0, 30, 10}},
      {roSubtract, {0, 0, 10, 10}},
      {roIntersect, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    TvxRegion region(0, 0, 10, 10);
    region.Combine(std::make_unique<TvxRegion>(20, 0, 30, 10), c.Operation);
    EXPECT_EQ(region.BoundsRect(), c.Expected) << int(c.Operation);
  }
}

TEST(vxGraphics, FillTilesTheBitmapFromTheOriginAndCanExcludeTheRectangle) {
  TPaintBitmap tile(2, 2, clRed);
  tile.Canvas().SetPixels(1, 1, clBlue);
  TPaintBitmap bitmap(8, 8);
  TvxCanvas canvas(bitmap.Canvas());
  canvas.FillRect(RECT{1, 1, 5, 5}, &tile, true);
  EXPECT_EQ(bitmap.Pixel(1, 1), Rgb(clBlue)) << "cell (0, 0) reaches into the rectangle";
  EXPECT_EQ(bitmap.Pixel(2, 2), Rgb(clRed));
  EXPECT_EQ(bitmap.Pixel(3, 3), Rgb(clBlue));
  EXPECT_EQ(bitmap.Pixel(0, 0), Rgb(clWhite));
  EXPECT_EQ(bitmap.Pixel(5, 5), Rgb(clWhite));
  canvas.FillRect(RECT{0, 0, 8, 8}, clLime);
  EXPECT_EQ(bitmap.Pixel(2, 2), Rgb(clRed)) << "the tiled rectangle left the clip region";
  EXPECT_EQ(bitmap.Pixel(5, 5), Rgb(clLime));
}

TEST(vxGraphics, InvertRectInvertsTheDestinationAndRestoresTheCopyMode) {
  TPaintBitmap bitmap(4, 4, static_cast<TColor>(RGB(10, 200, 30)));
  TvxCanvas canvas(bitmap.Canvas());
  canvas.InvertRect(RECT{0, 0, 2, 2});
  EXPECT_EQ(bitmap.Pixel(1, 1), RGB(245, 55, 225));
  EXPECT_EQ(bitmap.Pixel(2, 2), RGB(10, 200, 30));
  EXPECT_EQ(bitmap.Canvas().CopyMode(), static_cast<DWORD>(SRCCOPY));
}

TEST(vxGraphics, MultiLineTextSitsAtTheBottomAndDisabledTextIsEmbossed) {
  TPaintBitmap bitmap(120, 200);
  TvxCanvas canvas(bitmap.Canvas());
  canvas.Brush().SetColor(clWhite);
  canvas.Font().SetColor(clBlack);
  const int lineHeight = canvas.TextHeight("Qq");
  canvas.DrawText("Wg\r\nWg", RECT{0, 0, 120, 200}, vxAlignBottom, false);
  int top = 200, bottom = -1;
  bool highlight = false, shadow = false;
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 120; ++x) {
      const COLORREF p = bitmap.Pixel(x, y);
      if (p == Rgb(clWhite)) continue;
      top = std::min(top, y);
      bottom = std::max(bottom, y);
      highlight |= p == Rgb(clBtnHighlight);
      shadow |= p == Rgb(clBtnShadow);
    }
  }
  ASSERT_GE(bottom, 0) << "nothing drawn";
  EXPECT_GE(top, 200 - 2 * lineHeight - 1) << "two lines at the bottom";
  EXPECT_TRUE(shadow);
  if (Rgb(clBtnHighlight) != Rgb(clWhite)) {
    EXPECT_TRUE(highlight);
  }
  EXPECT_EQ(canvas.Brush().Style(), TBrushStyle::bsSolid);
  EXPECT_EQ(canvas.Font().Color(), clBlack);
}

TEST(vxGraphics, SingleLineTextIsClippedOnlyWhenItDoesNotFit) {
  TPaintBitmap bitmap(60, 20);
  TvxCanvas canvas(bitmap.Canvas());
  canvas.Font().SetColor(clBlack);
  const int width = canvas.TextWidth("WWWW");
  // Right-aligned in a rectangle narrower than the text: the text starts left of it and is cut.
  canvas.DrawText("WWWW", RECT{30, 0, 30 + width / 2, 20}, vxSingleLine | vxAlignRight);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) ASSERT_EQ(bitmap.Pixel(x, y), Rgb(clWhite)) << x << "," << y;
  canvas.DrawText("WWWW", RECT{30, 0, 30 + width / 2, 20}, vxSingleLine | vxAlignRight | vxDontClip);
  bool outside = false;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) outside |= bitmap.Pixel(x, y) != Rgb(clWhite);
  EXPECT_TRUE(outside) << "not clipped when asked";

  TPaintBitmap measured(60, 20);
  TvxCanvas measuring(measured.Canvas());
  measuring.DrawText("WWWW", RECT{0, 0, 60, 20}, vxSingleLine | vxDontPrint);
  for (int x = 0; x < 60; ++x) ASSERT_EQ(measured.Pixel(x, 10), Rgb(clWhite)) << "measuring draws nothing";
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
