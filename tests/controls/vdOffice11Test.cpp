// The Office-2003-like colour set: the scheme from the style's names, the table colours, the
// mixes, the gradient bands, and the bitmaps with their recolouring.
#include "ControlsTestSupport.h"

#include "controls/vdOffice11.h"
#include "controls/vxGraphics.h"

#include <gtest/gtest.h>

#include <set>

using controlstest::TPaintBitmap;

TEST(vdOffice11, SchemeFromTheStyleNames) {
  const WideString luna = L"C:\\WINDOWS\\Resources\\Themes\\Luna\\luna.msstyles";
  const struct {
    WideString File, Color;
    TvdOffice11Scheme Scheme;
  } cases[] = {
      {luna, L"Metallic", schSilver},
      {luna, L"normalcolor", schBlue},
      {luna, L"HOMESTEAD", schOlive},
      {luna, L"Royale", schNone},
      {L"C:\\windows\\resources\\themes\\light\\light.msstyles", L"Blue", schNone},
  };
  for (const auto& c : cases)
    EXPECT_EQ(vdOffice11SchemeFromThemeName(c.File, c.Color, L"NormalSize"), c.Scheme) << c.Color.size();
}

TEST(vdOffice11, SchemeColours) {
  const struct {
    TvdOffice11Scheme Scheme;
    int Index;
    COLORREF Expected;
  } cases[] = {
      {schBlue, 1, RGB(62, 109, 185)},  // the mix of entries 4 and 11
      {schOlive, 2, RGB(116, 134, 94)},
      {schSilver, 11, RGB(75, 75, 111)},
      {schNone, 21, RGB(46, 70, 95)},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ColorToRGB(vdOffice11ColorsForScheme(c.Scheme).Scheme[c.Index]), c.Expected)
        << int(c.Scheme) << " colour " << c.Index;
}

TEST(vdOffice11, TwoColourMix) {
  EXPECT_EQ(ColorToRGB(vdMixColors(clRed, clBlue, 50)), RGB(128, 0, 128));
  EXPECT_EQ(ColorToRGB(vdMixColors(clRed, clBlue, 100)), RGB(255, 0, 0));
  EXPECT_EQ(ColorToRGB(vdMixColors(clWhite, clBlack, 150)), RGB(255, 255, 255)) << "capped";
  EXPECT_EQ(ColorToRGB(vdMixColors(clWhite, clBlack, -50)), RGB(0, 0, 0)) << "never below 0";
}

TEST(vdOffice11, GradientBands) {
  auto distinctColours = [](TPaintBitmap& bitmap, bool horizontal, int extent) {
    std::set<COLORREF> colours;
    for (int i = 0; i < extent; ++i) colours.insert(horizontal ? bitmap.Pixel(i, 0) : bitmap.Pixel(0, i));
    return colours.size();
  };
  {
    TPaintBitmap bitmap(600, 2);
    EXPECT_EQ(FillGradientRect(bitmap.Canvas().Handle(), RECT{0, 0, 600, 2}, clBlack, true, clRed), 256);
    EXPECT_EQ(distinctColours(bitmap, true, 600), 256u);
    EXPECT_EQ(bitmap.Pixel(599, 1), RGB(255, 0, 0)) << "the last band has the second colour";
  }
  {
    TPaintBitmap bitmap(2, 100);
    EXPECT_EQ(FillGradientRect(bitmap.Canvas().Handle(), RECT{0, 0, 2, 100}, clBlack, false, clBlue), 100);
    EXPECT_EQ(distinctColours(bitmap, false, 100), 100u);
  }
  {
    TPaintBitmap bitmap(256, 1);
    FillGradientRect(bitmap.Canvas().Handle(), RECT{0, 0, 256, 1}, clBlack, true, clRed);
    for (int x = 0; x < 256; ++x) ASSERT_EQ(bitmap.Pixel(x, 0), RGB(x, 0, 0)) << x;
  }
  {
    TPaintBitmap bitmap(30, 1);
    EXPECT_EQ(FillGradientRect(bitmap.Canvas().Handle(), RECT{0, 0, 30, 1}, clLime, true, clLime), 1);
    EXPECT_EQ(bitmap.Pixel(29, 0), RGB(0, 255, 0));
  }
  {
    TPaintBitmap bitmap(3, 3);
    EXPECT_EQ(FillGradientRect(bitmap.Canvas().Handle(), RECT{1, 0, 2, 3}, clRed, true, clBlue), 1);
    EXPECT_EQ(bitmap.Pixel(1, 2), RGB(255, 0, 0)) << "one pixel wide: one band in the first colour";
    EXPECT_EQ(bitmap.Pixel(2, 2), RGB(255, 255, 255));
  }
}

TEST(vdOffice11, BitmapsLoadWithAUserAndTheArrowIsRecoloured) {
  AddOffice11ColorsUser();  // the palette listener of the root look-and-feel holds one too
  ASSERT_GE(vdOffice11ColorsUserCount(), 2);
  for (bool expanded : {false, true}) {
    TBitmap* button = vdOffice11ExpandButtonBitmap(expanded);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->Width() * button->Height(), 11 * 11);
    EXPECT_EQ(ColorToRGB(button->Canvas().Pixels(5, 3)), expanded ? RGB(255, 255, 255) : RGB(0, 0, 0));
  }
  TBitmap* arrow = vdOffice11SubMenuExpandBitmap();
  ASSERT_NE(arrow, nullptr);
  TCanvas& canvas = arrow->Canvas();
  EXPECT_EQ(ColorToRGB(canvas.Pixels(0, 0)), RGB(255, 0, 255)) << "the transparent colour stays";
  EXPECT_EQ(ColorToRGB(canvas.Pixels(5, 3)), RGB(0, 0, 0)) << "black stays";
  // The ramp's lowest red (column 2) takes the dark colour, its highest (column 4) the light.
  EXPECT_EQ(ColorToRGB(canvas.Pixels(2, 3)), ColorToRGB(Office11SchemeColor17()));
  EXPECT_EQ(ColorToRGB(canvas.Pixels(4, 3)), ColorToRGB(Office11SchemeColor6()));
  EXPECT_EQ(ColorToRGB(canvas.Pixels(3, 3)), ColorToRGB(vdMixColors(Office11SchemeColor6(), Office11SchemeColor17(), 50)));
  // The bitmaps' own colours, here without a scheme.
  EXPECT_EQ(Office11SchemeColor22(), Office11SchemeColor13());
  EXPECT_EQ(Office11SchemeColor23(), Office11SchemeColor14());
  ReleaseOffice11ColorsUser();
}

TEST(vdOffice11, RecolouringWithEqualRedsGivesTheLightColour) {
  TPaintBitmap bitmap(3, 1, clFuchsia);
  bitmap.Canvas().SetPixels(1, 0, static_cast<TColor>(RGB(100, 100, 100)));
  bitmap.Canvas().SetPixels(2, 0, static_cast<TColor>(RGB(100, 50, 50)));
  vdRecolorBitmap(bitmap, clLime, clNavy);
  EXPECT_EQ(bitmap.Pixel(0, 0), RGB(255, 0, 255));
  EXPECT_EQ(bitmap.Pixel(1, 0), RGB(0, 255, 0));
  EXPECT_EQ(bitmap.Pixel(2, 0), RGB(0, 255, 0));
}

TEST(vdOffice11, FurtherColoursAndTheSchemesPercentage) {
  const struct {
    TvdOffice11Scheme Scheme;
    int Percent;
  } percents[] = {{schNone, 75}, {schBlue, 41}, {schOlive, 125}, {schSilver, 40}};
  for (const auto& p : percents) EXPECT_EQ(vdOffice11ColorsForScheme(p.Scheme).Percent, p.Percent) << int(p.Scheme);

  const TvdOffice11Colors none = vdOffice11ColorsForScheme(schNone);
  const COLORREF face = ColorToRGB(clBtnFace);
  auto each = [&](int (*f)(int)) {
    return ColorToRGB(vxGetNearestColor(static_cast<TColor>(RGB(f(GetRValue(face)), f(GetGValue(face)), f(GetBValue(face))))));
  };
  const struct {
    const char* Name;
    TColor Color;
    COLORREF Expected;
  } cases[] = {
      {"face with window 85", none.More.FaceWindow85, ColorToRGB(vdMixColors(clBtnFace, clWindow, 85))},
      {"shadow with window 74", none.More.ShadowWindow74, ColorToRGB(vdMixColors(clBtnShadow, clWindow, 74))},
      {"shadow with window 76", none.More.ShadowWindow76, ColorToRGB(vdMixColors(clBtnShadow, clWindow, 76))},
      {"light (-15, 29, 86)", none.More.Light1, ColorToRGB(vxGetNearestColor(static_cast<TColor>(vxGetLightColor(-15, 29, 86))))},
      {"light (42, 11, 47)", none.More.Light2, ColorToRGB(vxGetNearestColor(static_cast<TColor>(vxGetLightColor(42, 11, 47))))},
      {"strong face", none.More.FaceStrong, each([](int x) { return x * 127 / 255 + 128; })},
      {"slight face", none.More.FaceSlight, each([](int x) { return x + 4 - x * 4 / 255; })},
      {"shade 50", none.More.Shade50, ColorToRGB(vdMixColors(clBtnFace, clBlack, 50))},
      {"highlight without a scheme", none.More.Highlight, ColorToRGB(none.Scheme[7])},
      {"a scheme's highlight", vdOffice11ColorsForScheme(schOlive).More.Highlight, RGB(253, 238, 201)},
      {"a scheme's shade 90", vdOffice11ColorsForScheme(schBlue).More.Shade90,
       ColorToRGB(vdMixColors(static_cast<TColor>(RGB(158, 190, 245)), clBlack, 90))},
  };
  for (const auto& c : cases) EXPECT_EQ(ColorToRGB(c.Color), c.Expected) << c.Name;
}

TEST(vdOffice11, SelectionHotAndPressedBrushesLiveWithTheBitmaps) {
  auto painted = [](HBRUSH brush) {
    TPaintBitmap bitmap(2, 2, clBlack);
    const RECT r{0, 0, 2, 2};
    FillRect(bitmap.Canvas().Handle(), &r, brush);
    return bitmap.Pixel(1, 1);
  };
  ASSERT_GE(vdOffice11ColorsUserCount(), 1) << "the root look-and-feel uses the set";
  EXPECT_EQ(painted(vdOffice11SelectionBrush()), ColorToRGB(vxGetNearestColor(Office11SchemeColor7())));
  EXPECT_EQ(painted(vdOffice11HotBrush()), ColorToRGB(vxGetNearestColor(Office11SchemeColor13())));
  EXPECT_EQ(painted(vdOffice11PressedBrush()), ColorToRGB(vxGetNearestColor(Office11SchemeColor14())));
  // Without users the brushes go with the bitmaps; the users come back afterwards.
  const int users = vdOffice11ColorsUserCount();
  for (int i = 0; i < users; ++i) ReleaseOffice11ColorsUser();
  EXPECT_EQ(vdOffice11SelectionBrush(), nullptr);
  EXPECT_EQ(vdOffice11HotBrush(), nullptr);
  EXPECT_EQ(vdOffice11PressedBrush(), nullptr);
  EXPECT_EQ(vdOffice11SubMenuExpandBitmap(), nullptr);
  for (int i = 0; i < users; ++i) AddOffice11ColorsUser();
  EXPECT_NE(vdOffice11HotBrush(), nullptr);
}
