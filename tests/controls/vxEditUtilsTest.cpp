// The editor painting helpers against the pixels they are built to draw: button frames by
// style and state, the dots and the drop-down arrow, glyphs through their off-screen bitmap;
// the button width and frame extents; the text flags; and the visual style's see-through
// question asked for the state a button is drawn in.
#include "ControlsTestSupport.h"

#include "controls/vdThemeConsts.h"
#include "controls/vxEditUtils.h"

#include <gtest/gtest.h>

#include <vector>

using controlstest::TPaintBitmap;

namespace {

constexpr TColor kFill = static_cast<TColor>(0xFF00FF);  // no system colour of Wine's style
COLORREF Rgb(TColor c) { return ColorToRGB(c); }
HBRUSH Black() { return static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)); }

bool Untouched(TPaintBitmap& bitmap) {
  for (uint32_t pixel : bitmap.ReadPixels32())
    if (pixel != 0xFF00FF) return false;
  return true;
}

struct TPixel {
  int X, Y;
  TColor Color;
};

TvxEditButtonViewData Button(TvxEditButtonKind kind, TvxEditButtonState state, const RECT& bounds) {
  TvxEditButtonViewData button;
  button.Kind = kind;
  button.State = state;
  button.Bounds = bounds;
  return button;
}

}  // namespace

TEST(vxEditUtils, FillFrame) {
  const RECT outer{2, 2, 12, 12};
  TPaintBitmap equal(14, 14, kFill), ring(14, 14, kFill);
  TvxCanvas equalCanvas(equal.Canvas()), ringCanvas(ring.Canvas());
  vxFillFrame(equalCanvas, outer, outer, Black());
  EXPECT_TRUE(Untouched(equal)) << "equal rectangles draw nothing";
  vxFillFrame(ringCanvas, outer, RECT{4, 4, 8, 8}, Black());
  for (POINT p : {POINT{2, 2}, POINT{11, 11}, POINT{8, 5}, POINT{5, 8}}) EXPECT_EQ(ring.Pixel(p.x, p.y), 0u);
  for (POINT p : {POINT{4, 4}, POINT{7, 7}, POINT{12, 12}}) EXPECT_EQ(ring.Pixel(p.x, p.y), 0xFF00FFu);
}

TEST(vxEditUtils, ConvertTextFlags) {
  const struct {
    int Flags;
    TvxTextFlags Expected;
  } cases[] = {
      {0x000, vxAlignLeft | vxAlignTop},
      {0x001, vxAlignHCenter | vxAlignTop},
      {0x012, vxAlignRight | vxAlignVCenter},
      {0x120, vxAlignLeft | vxAlignBottom | vxWordBreak},
      {0x2C1, vxAlignHCenter | vxAlignTop | vxSingleLine},  // a text edit's flags
      {0x033, 0},                                           // justified and spread rows have no canvas flag
  };
  for (const auto& c : cases) EXPECT_EQ(vxConvertTextFlags(c.Flags), c.Expected) << std::hex << c.Flags;
}

TEST(vxEditUtils, ButtonWidthAndBorderExtent) {
  TPaintBitmap bitmap(10, 10);
  TvxCanvas canvas(bitmap.Canvas());
  const int scrollBar = GetSystemMetrics(SM_CYHSCROLL);
  auto width = [&](TvxEditButtonKind kind, const AnsiString& caption, int explicitWidth, TBitmap* glyph) {
    TvxEditButtonViewData button = Button(kind, ebsNormal, RECT{});
    button.Caption = caption;
    button.Width = explicitWidth;
    button.Glyph = std::shared_ptr<TBitmap>(glyph, [](TBitmap*) {});  // the test's own
    return vxCalculateEditButtonWidth(canvas, button);
  };
  EXPECT_GE(width(bkText, "OK", 0, nullptr), scrollBar);
  const AnsiString longCaption = "A caption longer than a scroll bar";
  EXPECT_EQ(width(bkText, longCaption, 0, nullptr), canvas.TextWidth(longCaption) + 4 + 3);
  EXPECT_EQ(width(bkText, longCaption, 30, nullptr), 30) << "an explicit width wins";
  EXPECT_EQ(width(bkEllipsis, "", 2, nullptr), 4) << "at least the frame";
  TBitmap glyph;
  glyph.SetSize(40, 8);
  EXPECT_EQ(width(bkGlyph, "", 0, &glyph), 44);
  EXPECT_EQ(width(bkDown, "", 0, nullptr), scrollBar);

  const int extents[] = {0, 4, 2, 2, 2, 2, 2};
  for (int style = btsDefault; style <= btsOffice11; ++style)
    EXPECT_EQ(vxGetEditButtonBorderExtent(TvxEditButtonViewData{}, static_cast<TvxEditButtonStyle>(style)),
              extents[style])
        << style;
}

TEST(vxEditUtils, ButtonBorders) {
  const struct {
    TvxEditButtonStyle Style;
    TvxEditButtonState State;
    TvxBorders Neighbours;
    std::vector<TPixel> Pixels;
    RECT Content;
    TColor Background;
  } cases[] = {
      {bts3D, ebsNormal, bLeft,
       {{10, 20, cl3DLight}, {20, 10, cl3DLight}, {29, 20, cl3DDkShadow}, {20, 29, cl3DDkShadow},
        {11, 20, clBtnHighlight}, {28, 20, clBtnShadow}},
       {12, 12, 28, 28}, clBtnFace},
      {btsFlat, ebsNormal, bLeft,
       {{10, 20, clBtnFace}, {11, 20, clBtnHighlight}, {20, 10, clBtnHighlight}, {29, 20, clBtnShadow},
        {28, 20, clBtnFace}},
       {12, 11, 28, 29}, clBtnFace},
      // At the editor's edge the side toward the text stays open; between buttons a full frame.
      {btsHotFlat, ebsNormal, bLeft,
       {{29, 20, clBtnShadow}, {20, 10, clBtnShadow}, {20, 29, clBtnShadow}, {10, 20, clBtnFace}, {11, 20, clBtnFace}},
       {12, 11, 28, 29}, clBtnFace},
      {btsHotFlat, ebsHot, bLeft | bRight, {{10, 20, clBtnShadow}, {29, 20, clBtnShadow}, {11, 20, clBtnShadow}},
       {12, 11, 28, 29}, clBtnShadow},
      {btsUltraFlat, ebsNormal, bLeft, {{10, 20, clBtnFace}, {29, 20, clBtnFace}}, {11, 11, 29, 29}, clBtnFace},
      {btsUltraFlat, ebsHot, bLeft, {{10, 20, clHighlight}, {29, 20, vxGetHotTrackColor()}}, {11, 11, 29, 29},
       vxGetHotTrackColor()},
  };
  for (const auto& c : cases) {
    TPaintBitmap bitmap(40, 40, kFill);
    TvxCanvas canvas(bitmap.Canvas());
    TvxEditButtonViewData button = Button(bkDown, c.State, RECT{10, 10, 30, 30});
    button.NeighbourEdges = c.Neighbours;
    TColor bk = clNone, content = clNone;
    const RECT r = vxDrawEditButtonBorder(canvas, button, c.Style, bk, content);
    const std::string what = "style " + std::to_string(c.Style) + " state " + std::to_string(c.State);
    EXPECT_EQ(r, c.Content) << what;
    EXPECT_EQ(Rgb(bk), Rgb(c.Background)) << what;
    for (const TPixel& p : c.Pixels) EXPECT_EQ(bitmap.Pixel(p.X, p.Y), Rgb(p.Color)) << what << " at " << p.X << "," << p.Y;
    EXPECT_EQ(bitmap.Pixel(20, 20), 0xFF00FFu) << what << ": the content is the content's to draw";
  }
}

TEST(vxEditUtils, Dots) {
  auto draw = [](TPaintBitmap& bitmap, int width, TvxEditButtonState state) {
    TvxCanvas canvas(bitmap.Canvas());
    const RECT r{10, 10, 10 + width, 22};
    vxDrawEditButtonContent(canvas, Button(bkEllipsis, state, r), r, clBtnFace, clRed, {});
  };
  TPaintBitmap wide(40, 40, kFill), narrow(40, 40, kFill), pressed(40, 40, kFill), disabled(40, 40, kFill);
  draw(wide, 12, ebsNormal);
  // 12 wide: dots 2 pixels square, 2 apart, the group of 10 centred at 11, 15.
  for (int x : {11, 12, 15, 16, 19, 20}) EXPECT_EQ(wide.Pixel(x, 16), Rgb(clRed)) << x;
  for (POINT p : {POINT{13, 15}, POINT{21, 15}, POINT{11, 17}, POINT{10, 15}}) EXPECT_EQ(wide.Pixel(p.x, p.y), 0xFF00FFu);
  draw(narrow, 11, ebsNormal);
  for (int x : {12, 15, 18}) EXPECT_EQ(narrow.Pixel(x, 15), Rgb(clRed)) << x;
  for (int x : {13, 14, 16, 19}) EXPECT_EQ(narrow.Pixel(x, 15), 0xFF00FFu) << x;
  draw(pressed, 12, ebsPressed);
  EXPECT_EQ(pressed.Pixel(12, 16), Rgb(clRed)) << "the remainder pixel moves it right and down";
  EXPECT_EQ(pressed.Pixel(11, 15), 0xFF00FFu);
  draw(disabled, 12, ebsDisabled);
  EXPECT_EQ(disabled.Pixel(11, 15), Rgb(clBtnShadow));
  EXPECT_EQ(disabled.Pixel(13, 17), Rgb(clBtnHighlight)) << "embossed one pixel right and down";
}

TEST(vxEditUtils, DownArrowCentredOnTheWholeButton) {
  // Content 13 wide in a button 18 wide: the odd difference puts the larger half left, or right
  // when pressed, and a pressed arrow moves down (and right only for an even difference).
  const RECT bounds{0, 0, 18, 20}, content{2, 2, 15, 18};
  const struct {
    TvxEditButtonState State;
    RECT ArrowRect;
  } cases[] = {{ebsNormal, {-1, 2, 17, 18}}, {ebsPressed, {0, 3, 18, 19}}, {ebsDisabled, {-1, 2, 17, 18}}};
  for (const auto& c : cases) {
    TPaintBitmap drawn(20, 20, kFill), expected(20, 20, kFill);
    TvxCanvas canvas(drawn.Canvas()), direct(expected.Canvas());
    vxDrawEditButtonContent(canvas, Button(bkDown, c.State, bounds), content, clBtnFace, clRed, {});
    if (c.State == ebsDisabled) {
      RECT shifted = c.ArrowRect;
      OffsetRect(&shifted, 1, 1);
      vxStandardPainter.DrawArrow(direct, shifted, adDown, clBtnHighlight);
      vxStandardPainter.DrawArrow(direct, c.ArrowRect, adDown, clBtnShadow);
    } else {
      vxStandardPainter.DrawArrow(direct, c.ArrowRect, adDown, clRed);
    }
    EXPECT_FALSE(Untouched(drawn)) << c.State;
    EXPECT_EQ(drawn.ReadPixels32(), expected.ReadPixels32()) << c.State;
  }
}

TEST(vxEditUtils, GlyphOverTheButtonBackground) {
  // A 6 x 6 red glyph with a white (transparent) border, in a content 4 pixels high: centred,
  // cut to the content, its transparent pixels show the background.
  TBitmap glyph;
  glyph.SetSize(6, 6);
  glyph.Canvas().Brush().SetColor(clWhite);
  glyph.Canvas().FillRect(RECT{0, 0, 6, 6});
  glyph.Canvas().Brush().SetColor(clRed);
  glyph.Canvas().FillRect(RECT{1, 1, 5, 5});
  TPaintBitmap bitmap(30, 30, kFill);
  TvxCanvas canvas(bitmap.Canvas());
  TvxEditButtonViewData button = Button(bkGlyph, ebsNormal, RECT{8, 8, 22, 16});
  button.Glyph = std::shared_ptr<TBitmap>(&glyph, [](TBitmap*) {});
  TvxEditButtonContentParams params;
  params.DrawBackground = [](TvxCanvas& c, const RECT& r, TColor color) { c.FillRect(r, color); };
  vxDrawEditButtonContent(canvas, button, RECT{10, 10, 20, 14}, clBlue, clRed, params);
  EXPECT_EQ(bitmap.Pixel(12, 10), Rgb(clBlue));  // the glyph's transparent column
  EXPECT_EQ(bitmap.Pixel(13, 11), Rgb(clRed));
  EXPECT_EQ(bitmap.Pixel(16, 13), Rgb(clRed));
  EXPECT_EQ(bitmap.Pixel(19, 12), Rgb(clBlue));
  EXPECT_EQ(bitmap.Pixel(14, 14), 0xFF00FFu) << "cut to the content";
  EXPECT_FALSE(glyph.Transparent()) << "the glyph's own setting is left as it was";
}

TEST(vxEditUtils, ThemedButtonSeeThroughAskedForItsNewState) {
  // The test library's backgrounds are see-through in the pressed state only.
  struct TRestore {
    ~TRestore() { controlstest::RestartThemeUnits(); }
  } restore;
  controlstest::RestartThemeUnits("FakeUxTheme.dll");
  ASSERT_TRUE(AreVisualStylesAvailable(totButton));
  for (bool combo : {false, true}) {
    TvxEditButtonViewData button = Button(bkDown, ebsPressed, RECT{0, 0, 17, 17});
    button.NativeStyle = true;
    button.ComboStyle = combo;
    button.NativeState = PBS_NORMAL;  // as the previous layout left it
    vxCalculateEditButtonThemeData(button);
    EXPECT_EQ(button.ThemedObjectType, combo ? totComboBox : totButton);
    EXPECT_EQ(button.NativePart, 1);
    EXPECT_EQ(button.NativeState, PBS_PRESSED);
    EXPECT_TRUE(button.NativeTransparent) << combo;
    button.State = ebsHot;
    vxCalculateEditButtonThemeData(button);
    EXPECT_EQ(button.NativeState, PBS_HOT);
    EXPECT_FALSE(button.NativeTransparent) << combo;
  }
  TvxEditButtonViewData unthemed = Button(bkDown, ebsPressed, RECT{});
  vxCalculateEditButtonThemeData(unthemed);
  EXPECT_EQ(unthemed.NativePart, 0);
  EXPECT_FALSE(unthemed.NativeTransparent);
}

// The native edit frame drawn around the inner rectangle each border variant chooses (0 the
// style's content rectangle, 1 the bounds less 3 reaching to the client's right edge less 1,
// 2 the client rectangle); the inner rectangle is filled, or with variant 2 left alone.
TEST(vxEditUtils, NativeEditBackgroundByVariant) {
  HTHEME theme = OpenTheme(totEdit);
  ASSERT_NE(theme, nullptr) << "the run has a visual style";
  TvxContainerViewInfo info;
  info.NativeStyle = true;
  info.BorderStyle = cbsSingle;
  info.NativeState = ETS_NORMAL;
  info.Bounds = RECT{0, 0, 120, 26};
  info.ClientRect = RECT{3, 3, 100, 23};
  info.ContentRect = RECT{2, 2, 118, 24};
  info.SetBackgroundColor(clBlue);
  TPaintBitmap frame(120, 26, kFill);
  DrawThemeBackground(theme, frame.Canvas().Handle(), EP_EDITTEXT, ETS_NORMAL, info.Bounds);
  RECT content{};
  GetThemeBackgroundContentRect(theme, EP_EDITTEXT, ETS_NORMAL, info.Bounds, content);
  const struct {
    int Variant;
    bool Fill;
    RECT Inner;
  } cases[] = {{0, true, content}, {1, true, RECT{3, 3, 99, 23}}, {2, true, info.ClientRect}, {2, false, info.ClientRect}};
  for (const auto& c : cases) {
    TPaintBitmap bitmap(120, 26, kFill);
    TvxCanvas canvas(bitmap.Canvas());
    vxDrawEditBackground(canvas, info, false, RECT{}, c.Fill, c.Variant);
    for (int y = 0; y < 26; ++y)
      for (int x = 0; x < 120; ++x) {
        const POINT p{x, y};
        const COLORREF expected = !PtInRect(&c.Inner, p) ? frame.Pixel(x, y) : c.Fill ? Rgb(clBlue) : Rgb(kFill);
        ASSERT_EQ(bitmap.Pixel(x, y), expected) << "variant " << c.Variant << " at " << x << "," << y;
      }
  }
}
