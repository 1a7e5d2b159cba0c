// Editor text layout on real bitmaps: end ellipsis keeping whole characters, justified
// paragraphs, rows spread over the height, the row limit, double-byte characters in narrow
// and empty rectangles, and the selection drawn over whole characters.
#include "ControlsTestSupport.h"

#include "controls/vxEditTextUtils.h"
#include "controls/vxGraphics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using controlstest::TPaintBitmap;

namespace {

// A white bitmap with a 13-pixel black font selected into its device context.
struct TSurface {
  TSurface(int width, int height) : Bitmap(width, height), Canvas(Bitmap.Canvas()) {
    Canvas.Font().SetHeight(13);
    Canvas.Font().SetColor(clBlack);
    Canvas.TextExtent(AnsiString());  // selects the font
  }
  HDC DC() { return Canvas.Handle(); }
  int Width(const AnsiString& text) { return vxGetTextExtent(DC(), text.data(), static_cast<int>(text.size()), false).cx; }
  // Makes, places and draws text in r.
  TvxTextParams Draw(const AnsiString& text, const RECT& r, int flags, int selStart = 0, int selLength = 0) {
    TvxTextParams params;
    vxGetCanvasTextParams(Canvas, flags, params);
    int count = 0;
    vxMakeTextRows(DC(), text, r, params, Rows, count);
    Rows.resize(static_cast<size_t>(count));
    vxPlaceTextRows(DC(), r, params, Rows, count);
    vxTextRowsOut(DC(), r, params, Rows, count, selStart, selLength, clRed, clWhite);
    return params;
  }
  // The rightmost x in [0, limit) of a non-white pixel between the rows y0 and y1, or -1.
  int RightmostInk(int y0, int y1, int limit) {
    for (int x = limit - 1; x >= 0; --x)
      for (int y = y0; y < y1; ++y)
        if (Bitmap.Pixel(x, y) != ColorToRGB(clWhite)) return x;
    return -1;
  }
  TPaintBitmap Bitmap;
  TvxCanvas Canvas;
  TvxTextRows Rows;
};

// Where two bitmaps of one size first differ ("" when they do not).
std::string FirstDifference(TPaintBitmap& a, TPaintBitmap& b) {
  const std::vector<uint32_t> pa = a.ReadPixels32(), pb = b.ReadPixels32();
  for (size_t i = 0; i < pa.size(); ++i)
    if (pa[i] != pb[i])
      return "(" + std::to_string(i % a.Width()) + ", " + std::to_string(i / a.Width()) + ")";
  return "";
}

std::vector<std::string> RowTexts(const TvxTextRows& rows, int count) {
  std::vector<std::string> texts;
  for (int i = 0; i < count; ++i) texts.emplace_back(rows[i].Text, static_cast<size_t>(rows[i].Length));
  return texts;
}

}  // namespace

TEST(vxEditTextUtils, EndEllipsisKeepsTheWholeCharactersThatFit) {
  TSurface probe(10, 10);
  TvxTextParams params;
  vxGetCanvasTextParams(probe.Canvas, vxtoEndEllipsis, params);
  const int ell = params.EllipsisWidth;
  const int kana = probe.Width("ア");
  ASSERT_GT(ell, 0);
  ASSERT_LT(ell, probe.Width("ウエ"));  // so that two kana and "..." are narrower than four kana
  const struct {
    AnsiString Text;
    int Width;
    AnsiString Kept;
  } cases[] = {
      {"ABCDEFGH", ell + probe.Width("ABC"), "ABC"},
      {"アイウ", ell + 1, "ア"},                      // not even one fits: still one whole character
      {"アイウエ", ell + kana + (kana / 2 | 1), "ア"},  // half of イ fits at an odd width: dropped whole
      {"アイウエ", ell + probe.Width("アイ"), "アイ"},
  };
  for (const auto& c : cases) {
    const RECT r{0, 0, c.Width, 20};
    TSurface drawn(80, 20), expected(80, 20);
    drawn.Draw(c.Text, r, vxtoSingleLine | vxtoEndEllipsis);
    HRGN saved = vxSetClipRect(expected.DC(), r);
    TextOutA(expected.DC(), 0, 0, c.Kept.data(), static_cast<int>(c.Kept.size()));
    ExtTextOutA(expected.DC(), expected.Width(c.Kept), 0, ETO_CLIPPED, &r, "...", 3, nullptr);
    vxRestoreClipRgn(expected.DC(), saved);
    EXPECT_EQ(FirstDifference(drawn.Bitmap, expected.Bitmap), "") << c.Kept << " in " << c.Width;
  }
}

// With TABs expanded the fit is measured as the row is drawn: a TAB reaches the next stop.
TEST(vxEditTextUtils, EndEllipsisMeasuresExpandedTabs) {
  TSurface probe(10, 10);
  auto tabbed = [&](const AnsiString& text) {
    return vxGetTextExtent(probe.DC(), text.data(), static_cast<int>(text.size()), true).cx;
  };
  TvxTextParams params;
  vxGetCanvasTextParams(probe.Canvas, vxtoEndEllipsis, params);
  const AnsiString text = "A\tBCDEFGHIJKLMNOP";
  const AnsiString kept = "A\tB";
  const int width = params.EllipsisWidth + tabbed(kept) + 1;
  ASSERT_LT(width, tabbed(text));
  const RECT r{0, 0, width, 20};
  TSurface drawn(200, 20), expected(200, 20);
  drawn.Draw(text, r, vxtoSingleLine | vxtoEndEllipsis | vxtoExpandTabs);
  HRGN saved = vxSetClipRect(expected.DC(), r);
  TabbedTextOutA(expected.DC(), 0, 0, kept.data(), static_cast<int>(kept.size()), 0, nullptr, 0);
  ExtTextOutA(expected.DC(), tabbed(kept), 0, ETO_CLIPPED, &r, "...", 3, nullptr);
  vxRestoreClipRgn(expected.DC(), saved);
  EXPECT_EQ(FirstDifference(drawn.Bitmap, expected.Bitmap), "");
}

TEST(vxEditTextUtils, JustifiedRowsFillTheWidthButTheLastOfAParagraph) {
  const AnsiString text = "aa bb cc dd ee ff\r\ngg hh";
  const RECT r{0, 0, 70, 120};
  TSurface justified(80, 120), plain(80, 120);
  TvxTextParams params = justified.Draw(text, r, vxtoJustify);
  ASSERT_GE(justified.Rows.size(), 3u);
  // The same rows drawn without justification.
  TvxTextParams left = params;
  left.HorzAlignment = vxtoLeft;
  vxTextRowsOut(plain.DC(), r, left, justified.Rows, static_cast<int>(justified.Rows.size()));
  for (const TvxTextRow& row : justified.Rows) {
    const std::string rowText(row.Text, static_cast<size_t>(row.Length));
    const bool lastOfParagraph = rowText.find("ff") != std::string::npos || rowText.find("hh") != std::string::npos;
    const int y1 = row.Top + params.RowHeight;
    const int shift = justified.RightmostInk(row.Top, y1, 80) - plain.RightmostInk(row.Top, y1, 80);
    EXPECT_EQ(shift, lastOfParagraph ? 0 : r.right - row.Width) << rowText;
  }
}

TEST(vxEditTextUtils, SpreadRowsTakeAPitchAndGiveTheRemainderToTheFirstRows) {
  const struct {
    int Height;
    int Pitch;
    std::vector<int> Tops;
  } cases[] = {
      {100, 43, {0, 44, 87}},  // (100 - 13) / 2 = 43, one pixel left over
      {30, 13, {0, 13, 26}},   // a pitch no larger than the font keeps the row height
  };
  for (const auto& c : cases) {
    TSurface s(50, 100);
    TvxTextParams params = s.Draw("a\r\nb\r\nc", RECT{0, 0, 50, c.Height}, vxtoDistributeVertically);
    ASSERT_EQ(params.FontHeight, 13);
    EXPECT_EQ(params.RowHeight, c.Pitch) << c.Height;
    std::vector<int> tops;
    for (const TvxTextRow& row : s.Rows) tops.push_back(row.Top);
    EXPECT_EQ(tops, c.Tops) << c.Height;
  }
}

TEST(vxEditTextUtils, RowLimitAnswersWhetherTheTextFits) {
  const struct {
    int Flags;
    int MaxRows;
    bool Fits;
    int Rows;
  } cases[] = {
      {vxtoBottom, 2, false, 2},
      {vxtoBottom, 3, true, 3},
      {vxtoBottom, 0, true, 3},
      {vxtoTop, 2, true, 3},  // top-aligned rows end by the height, not the count
      {vxtoTop | vxtoRowCountOnly, 2, false, 2},
  };
  TSurface s(50, 100);
  for (const auto& c : cases) {
    TvxTextParams params;
    vxGetCanvasTextParams(s.Canvas, c.Flags, params);
    TvxTextRows rows;
    int count = -1;
    EXPECT_EQ(vxMakeTextRows(s.DC(), "a\r\nb\r\nc", RECT{0, 0, 50, 100}, params, rows, count, c.MaxRows), c.Fits)
        << c.Flags << " max " << c.MaxRows;
    EXPECT_EQ(count, c.Rows) << c.Flags << " max " << c.MaxRows;
    EXPECT_EQ(rows.size() % 4, 0u);
  }
}

TEST(vxEditTextUtils, NarrowRectanglesBreakBetweenWholeCharacters) {
  TSurface s(10, 10);
  const int kana = s.Width("ア");
  const struct {
    AnsiString Text;
    RECT Rect;
    int Flags;
    std::vector<std::string> Rows;
  } cases[] = {
      {"アイウ", RECT{0, 0, kana + (kana / 2 | 1), 200}, vxtoWordBreak, {"ア", "イ", "ウ"}},
      {"アイウ", RECT{0, 0, 0, 200}, vxtoWordBreak | vxtoBottom, {"ア", "イ", "ウ"}},
      {"表示", RECT{0, 0, 0, 0}, vxtoWordBreak | vxtoBottom, {"表", "示"}},  // 0x5C as a trail byte
      {"ab cd", RECT{0, 0, 0, 200}, vxtoJustify | vxtoBottom, {"a", "b", "c", "d"}},
      {"アイウエオ", RECT{0, 0, 0, 30}, vxtoWordBreak, {"ア", "イ", "ウ"}},  // top: the height ends it
  };
  for (const auto& c : cases) {
    TvxTextParams params;
    vxGetCanvasTextParams(s.Canvas, c.Flags, params);
    TvxTextRows rows;
    int count = 0;
    vxMakeTextRows(s.DC(), c.Text, c.Rect, params, rows, count);
    EXPECT_EQ(RowTexts(rows, count), c.Rows) << c.Text << " " << c.Rect.right;
  }
}

TEST(vxEditTextUtils, SelectionCoversWholeCharacters) {
  TSurface whole(80, 20), half(80, 20);
  const RECT r{0, 0, 80, 20};
  whole.Draw("アイウ", r, vxtoLeft, 2, 2);
  half.Draw("アイウ", r, vxtoLeft, 3, 1);  // the second byte of イ selects all of it
  const int x0 = whole.Width("ア");
  const int x1 = whole.Width("アイ");
  EXPECT_EQ(whole.Bitmap.Pixel(x0, 0), ColorToRGB(clRed));
  EXPECT_EQ(whole.Bitmap.Pixel(x1 - 1, 0), ColorToRGB(clRed));
  EXPECT_EQ(whole.Bitmap.Pixel(x0 - 1, 0), ColorToRGB(clWhite));
  EXPECT_EQ(whole.Bitmap.Pixel(x1, 0), ColorToRGB(clWhite));
  EXPECT_EQ(FirstDifference(half.Bitmap, whole.Bitmap), "");
}
