// The classic, flat and ultra-flat looks with every system colour they use set apart (for
// real, with SetSysColors, put back at the end): which colour lands on which pixel, and the
// shared bitmaps and radio images painted again in the new colours.
#include "tests/controls/ControlsTestSupport.h"
#include "tests/controls/PainterSamples.h"

#include "controls/vxLookAndFeelPainters.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

using controlstest::TPaintBitmap;
using controlstest::TSysColorsScope;

namespace {

// Each system colour a painter reads, made different from the others and from black, white
// and the lime the bitmaps start with.
class DistinctColours : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    Scope = new TSysColorsScope(
        {COLOR_BTNFACE, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_3DLIGHT, COLOR_3DDKSHADOW, COLOR_WINDOWFRAME,
         COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT, COLOR_BTNTEXT, COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_GRAYTEXT},
        {RGB(192, 192, 160), RGB(128, 64, 64), RGB(250, 240, 200), RGB(220, 200, 240), RGB(40, 80, 40),
         RGB(0, 0, 160), RGB(0, 128, 255), RGB(255, 255, 0), RGB(100, 0, 100), RGB(240, 255, 240), RGB(0, 60, 0),
         RGB(150, 150, 150)});
  }
  static void TearDownTestSuite() {
    delete Scope;
    Scope = nullptr;
  }
  static inline TSysColorsScope* Scope = nullptr;
};

COLORREF Rgb(TColor c) { return ColorToRGB(c); }
constexpr TColor kUntouched = clLime;

// The pixels of row y from the left and from the right edge inward.
std::vector<COLORREF> FromLeft(TPaintBitmap& b, int y, int n) {
  std::vector<COLORREF> row;
  for (int x = 0; x < n; ++x) row.push_back(b.Pixel(x, y));
  return row;
}

std::vector<COLORREF> FromRight(TPaintBitmap& b, int y, int n) {
  std::vector<COLORREF> row;
  for (int x = 0; x < n; ++x) row.push_back(b.Pixel(b.Width() - 1 - x, y));
  return row;
}

std::vector<COLORREF> Colours(std::initializer_list<TColor> colours) {
  std::vector<COLORREF> result;
  for (TColor c : colours) result.push_back(Rgb(c));
  return result;
}

}  // namespace

TEST_F(DistinctColours, ButtonBordersOfTheClassicLooks) {
  const struct {
    TvxLookAndFeelPainterClass Painter;
    TvxButtonState State;
    std::initializer_list<TColor> Left, Right;
  } cases[] = {
      {&vxStandardPainter, vxbsDefault, {clBlack, clBtnHighlight, cl3DLight, kUntouched},
       {clBlack, cl3DDkShadow, clBtnShadow, kUntouched}},
      {&vxStandardPainter, vxbsNormal, {clBtnHighlight, cl3DLight, kUntouched},
       {cl3DDkShadow, clBtnShadow, kUntouched}},
      {&vxStandardPainter, vxbsPressed, {clBlack, clBtnShadow, kUntouched}, {clBlack, clBtnShadow, kUntouched}},
      {&vxFlatPainter, vxbsDefault, {clBlack, clBtnHighlight, kUntouched}, {clBlack, clBtnShadow, kUntouched}},
      {&vxFlatPainter, vxbsPressed, {clBtnShadow, kUntouched}, {clBtnHighlight, kUntouched}},
      {&vxUltraFlatPainter, vxbsDefault, {clWindowFrame, clWindowFrame, kUntouched},
       {clWindowFrame, clWindowFrame, kUntouched}},
      {&vxUltraFlatPainter, vxbsHot, {clHighlight, kUntouched}, {clHighlight, kUntouched}},
  };
  for (const auto& c : cases) {
    TPaintBitmap bitmap(20, 20, kUntouched);
    TvxCanvas canvas(bitmap.Canvas());
    c.Painter->DrawButtonBorder(canvas, RECT{0, 0, 20, 20}, c.State);
    const int n = static_cast<int>(c.Left.size());
    EXPECT_EQ(FromLeft(bitmap, 10, n), Colours(c.Left)) << int(c.Painter->LookAndFeelStyle()) << " " << int(c.State);
    EXPECT_EQ(FromRight(bitmap, 10, static_cast<int>(c.Right.size())), Colours(c.Right));
    EXPECT_EQ(c.Painter->ButtonBorderSize(c.State), n - 1);
  }
}

TEST_F(DistinctColours, TheFlatLookHasNoLightOrDarkShadow) {
  const std::set<COLORREF> banned = {Rgb(cl3DLight), Rgb(cl3DDkShadow)};
  for (const auto& sample : controlstest::PainterSamples()) {
    // The radio images take their ring colours from their own table, and the scroll-bar page
    // areas share their patterns with the other looks.
    if (sample.Name.starts_with("Radio") || sample.Name.starts_with("ScrollPage")) continue;
    TPaintBitmap row(1, 1);
    controlstest::DrawSampleRow(&vxFlatPainter, sample, row, kUntouched);
    for (uint32_t pixel : row.ReadPixels32()) {
      const COLORREF c = RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
      ASSERT_FALSE(banned.contains(c)) << sample.Name;
    }
  }
}

TEST_F(DistinctColours, UltraFlatParts) {
  TPaintBitmap normal(20, 20, kUntouched), pressed(20, 20, kUntouched);
  TvxCanvas normalCanvas(normal.Canvas()), pressedCanvas(pressed.Canvas());
  // A pressed button's symbol keeps its place and turns to the highlight text colour.
  vxUltraFlatPainter.DrawButtonArrow(normalCanvas, RECT{0, 0, 20, 20}, vxbsNormal, adDown);
  vxUltraFlatPainter.DrawButtonArrow(pressedCanvas, RECT{0, 0, 20, 20}, vxbsPressed, adDown);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      EXPECT_EQ(pressed.Pixel(x, y), normal.Pixel(x, y) == Rgb(clBtnText) ? Rgb(clHighlightText) : Rgb(kUntouched));

  // A single button of a group keeps one pixel free at each side.
  TPaintBitmap group(20, 20, kUntouched);
  TvxCanvas groupCanvas(group.Canvas());
  vxUltraFlatPainter.DrawGroupButton(groupCanvas, RECT{0, 0, 20, 20}, vxbsNormal, 1, 0, clRed);
  EXPECT_EQ(FromLeft(group, 10, 3), Colours({kUntouched, clRed, clBtnFace}));
  EXPECT_EQ(FromRight(group, 10, 3), Colours({kUntouched, clRed, clBtnFace}));

  // A disabled thumb is not drawn; a pressed page area takes the dark pattern.
  TPaintBitmap bar(20, 20, kUntouched);
  TvxCanvas barCanvas(bar.Canvas());
  vxUltraFlatPainter.DrawScrollBarPart(barCanvas, false, RECT{0, 0, 20, 20}, sbpThumb, vxbsDisabled);
  EXPECT_EQ(bar.Pixel(0, 0), Rgb(kUntouched));
  EXPECT_EQ(bar.Pixel(10, 10), Rgb(kUntouched));
  const struct {
    TvxButtonState State;
    TColor Even, Odd;
  } pages[] = {{vxbsNormal, clBtnFace, clBtnHighlight}, {vxbsPressed, clBlack, cl3DDkShadow}};
  for (const auto& page : pages) {
    vxUltraFlatPainter.DrawScrollBarPart(barCanvas, false, RECT{0, 0, 20, 20}, sbpPageDown, page.State);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x)
        ASSERT_EQ(bar.Pixel(x, y), Rgb((x % 2) == (y % 2) ? page.Even : page.Odd)) << x << "," << y;
  }

  // A header cell with a left neighbour has no left line; right and bottom are always drawn.
  TPaintBitmap header(20, 20, kUntouched);
  TvxCanvas headerCanvas(header.Canvas());
  vxUltraFlatPainter.DrawHeader(headerCanvas, RECT{0, 0, 20, 20}, RECT{0, 0, 20, 20}, nLeft,
                                vxUltraFlatPainter.HeaderBorders(nLeft), vxbsNormal, TAlignment::taLeftJustify, vaTop,
                                false, false, "", nullptr, clNone, clRed, nullptr, false);
  EXPECT_EQ(FromLeft(header, 10, 2), Colours({clRed, clRed}));
  EXPECT_EQ(FromRight(header, 10, 2), Colours({clBtnText, clRed}));
  EXPECT_EQ(header.Pixel(10, 0), Rgb(clBtnText));
  EXPECT_EQ(header.Pixel(10, 19), Rgb(clBtnText));
}

TEST_F(DistinctColours, RadioImagesFollowTheColours) {
  const TvxRadioButtonMetrics& m = vxRadioButtonMetrics();
  const int cy = (m.Glyph.top + m.Glyph.bottom) / 2;
  TPaintBitmap image(m.Cell.cx, m.Cell.cy, kUntouched);
  TvxCanvas canvas(image.Canvas());
  const struct {
    TvxLookAndFeelPainterClass Painter;
    TvxButtonState State;
    TColor OuterLeft, InnerLeft, OuterRight, InnerRight;
  } cases[] = {
      {&vxStandardPainter, vxbsNormal, clBtnShadow, cl3DDkShadow, clBtnHighlight, cl3DLight},
      {&vxFlatPainter, vxbsPressed, clBtnShadow, cl3DLight, clBtnHighlight, cl3DLight},
      {&vxUltraFlatPainter, vxbsHot, clHighlight, vxGetHotTrackColor(), clHighlight, vxGetHotTrackColor()},
  };
  for (const auto& c : cases) {
    c.Painter->DrawRadioButton(canvas, 0, 0, c.State, true, 0, clDefault, 0);
    EXPECT_EQ(image.Pixel(m.Glyph.left, cy), Rgb(c.OuterLeft)) << int(c.Painter->LookAndFeelStyle());
    EXPECT_EQ(image.Pixel(m.Glyph.left + 1, cy), Rgb(c.InnerLeft));
    EXPECT_EQ(image.Pixel(m.Glyph.right - 1, cy), Rgb(c.OuterRight));
    EXPECT_EQ(image.Pixel(m.Glyph.right - 2, cy), Rgb(c.InnerRight));
    EXPECT_EQ(image.Pixel((m.Dot.left + m.Dot.right) / 2, (m.Dot.top + m.Dot.bottom) / 2), Rgb(clWindowText));
  }
}
