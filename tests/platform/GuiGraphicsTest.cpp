// What the owner-drawn controls need of canvases and bitmaps: 32-bit pixel access while the
// bitmap's canvas is in use, pattern brushes, transparent and disabled bitmaps, clip and
// device-context state put back, and text fitting in code page 932.
#include "GuiTestSupport.h"

#include "platform/gui/Graphics.h"
#include "platform/rtl/SysExceptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <vector>

namespace {

void Fill(TBitmap& bitmap, TColor colour) {
  bitmap.Canvas().Brush().SetColor(colour);
  bitmap.Canvas().FillRect(RECT{0, 0, bitmap.Width(), bitmap.Height()});
}

COLORREF Pixel(TBitmap& bitmap, int x, int y) { return static_cast<COLORREF>(bitmap.Canvas().Pixels(x, y)); }

}  // namespace

TEST(GuiGraphics, Pixels32WhileTheCanvasIsInUse) {
  TBitmap bitmap;
  bitmap.SetSize(3, 2);
  Fill(bitmap, clBlue);
  bitmap.Canvas().SetPixels(2, 1, static_cast<TColor>(RGB(1, 2, 3)));
  std::vector<uint32_t> pixels = bitmap.ReadPixels32();
  ASSERT_EQ(pixels.size(), 6u);
  EXPECT_EQ(pixels[0], 0x000000FFu) << "0x00RRGGBB, top row first";
  EXPECT_EQ(pixels[5], 0x00010203u);
  pixels[1] = 0x00FF0000u;
  bitmap.WritePixels32(pixels);
  EXPECT_EQ(Pixel(bitmap, 1, 0), RGB(255, 0, 0)) << "the canvas sees what was written";
  EXPECT_THROW(bitmap.WritePixels32(std::vector<uint32_t>(5)), EInvalidOperation);

  TCanvas& canvas = bitmap.Canvas();
  bitmap.SetSize(2, 3);  // the canvas loses its device context and makes a new one
  canvas.Brush().SetColor(clLime);
  canvas.FillRect(RECT{0, 0, 2, 3});
  EXPECT_EQ(bitmap.ReadPixels32(), std::vector<uint32_t>(6, 0x0000FF00u));
}

TEST(GuiGraphics, PatternBrushAndSolidAgain) {
  TBitmap pattern;
  pattern.SetSize(8, 8);
  Fill(pattern, clRed);
  pattern.Canvas().SetPixels(1, 0, clBlue);
  TBitmap target;
  target.SetSize(4, 1);
  target.Canvas().Brush().SetBitmap(&pattern);
  target.Canvas().FillRect(RECT{0, 0, 4, 1});
  EXPECT_EQ(Pixel(target, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(Pixel(target, 1, 0), RGB(0, 0, 255));
  target.Canvas().Brush().SetBitmap(nullptr);
  target.Canvas().Brush().SetColor(clLime);
  target.Canvas().FillRect(RECT{0, 0, 4, 1});
  EXPECT_EQ(Pixel(target, 1, 0), RGB(0, 255, 0));
}

TEST(GuiGraphics, TransparentAndDisabledBitmaps) {
  TBitmap glyph;
  glyph.SetSize(3, 3);
  Fill(glyph, clFuchsia);
  glyph.Canvas().SetPixels(1, 1, clBlack);
  glyph.SetTransparent(true);
  EXPECT_EQ(glyph.TransparentColor(), clFuchsia) << "the bottom-left pixel";
  TBitmap target;
  target.SetSize(5, 5);
  Fill(target, clWhite);
  target.Canvas().Draw(0, 0, glyph);
  EXPECT_EQ(Pixel(target, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(Pixel(target, 1, 1), RGB(0, 0, 0));

  Fill(target, clWhite);
  target.Canvas().DrawDisabled(0, 0, glyph);
  EXPECT_EQ(Pixel(target, 1, 1), ColorToRGB(clBtnShadow));
  EXPECT_EQ(Pixel(target, 2, 2), ColorToRGB(clBtnHighlight)) << "the shadow one pixel right and down";
  EXPECT_EQ(Pixel(target, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(Pixel(target, 2, 1), RGB(255, 255, 255));
}

TEST(GuiGraphics, ClipRegionAndDeviceContextStatePutBack) {
  TBitmap bitmap;
  bitmap.SetSize(4, 4);
  TCanvas& canvas = bitmap.Canvas();
  EXPECT_EQ(canvas.SaveClipRegion(), nullptr) << "no clip region yet";
  canvas.IntersectClipRect(RECT{0, 0, 2, 2});
  HRGN saved = canvas.SaveClipRegion();
  ASSERT_NE(saved, nullptr);
  canvas.ExcludeClipRect(RECT{0, 0, 1, 1});
  canvas.RestoreClipRegion(saved);
  Fill(bitmap, clRed);
  EXPECT_EQ(Pixel(bitmap, 0, 0), RGB(255, 0, 0)) << "the excluded pixel is back";
  EXPECT_NE(Pixel(bitmap, 3, 3), RGB(255, 0, 0)) << "outside the clip region";
  canvas.RestoreClipRegion(nullptr);
  Fill(bitmap, clBlue);
  EXPECT_EQ(Pixel(bitmap, 3, 3), RGB(0, 0, 255));

  // A brush changed between SaveDC and RestoreDC is deleted meanwhile: the restored state
  // must not hold it.
  const int state = canvas.SaveDC();
  canvas.Brush().SetColor(clLime);
  canvas.FillRect(RECT{0, 0, 1, 1});
  canvas.Brush().SetColor(clYellow);
  canvas.RestoreDC(state);
  EXPECT_NE(GetObjectType(GetCurrentObject(canvas.Handle(), OBJ_BRUSH)), 0u);
  canvas.FillRect(RECT{0, 0, 1, 1});
  EXPECT_EQ(Pixel(bitmap, 0, 0), RGB(255, 255, 0));
}

TEST(GuiGraphics, TextFitCountsWholeDoubleByteCharacters) {
  TBitmap bitmap;
  bitmap.SetSize(10, 10);
  TCanvas& canvas = bitmap.Canvas();
  const AnsiString text = "アイウ";
  ASSERT_EQ(text.size(), 6u);
  const int one = canvas.TextWidth("ア");
  int fit = -1;
  std::vector<int> ends;
  const SIZE size = canvas.TextExtentEx(text, one + one / 2, &fit, &ends);
  EXPECT_EQ(size.cx, canvas.TextWidth(text));
  EXPECT_EQ(fit, 2) << "bytes of the one whole character that fits";
  ASSERT_EQ(ends.size(), 6u);
  EXPECT_EQ(ends[1], one) << "the end of the first character, at its second byte";
}

// Whoever shows a bitmap hears of every change of its picture, and of nothing else.
TEST(GuiGraphics, BitmapTellsEveryChangeOfItsPicture) {
  TBitmap bitmap;
  int changes = 0;
  bitmap.OnChange = [&changes](TObject*) { ++changes; };
  bitmap.SetSize(0, 0);
  EXPECT_EQ(changes, 0) << "an empty bitmap made empty again";
  TCanvas& canvas = bitmap.Canvas();
  bitmap.SetSize(10, 10);
  EXPECT_EQ(changes, 1);
  TBitmap source;
  source.SetSize(2, 2);
  const POINT triangle[] = {{0, 0}, {4, 0}, {0, 4}};
  RECT r{0, 0, 9, 9};
  const std::function<void()> drawing[] = {
      [&] { canvas.FillRect(RECT{0, 0, 2, 2}); },
      [&] { canvas.FrameRect(RECT{0, 0, 5, 5}); },
      [&] { canvas.Rectangle(RECT{1, 1, 4, 4}); },
      [&] { canvas.LineTo(5, 5); },
      [&] { canvas.TextOut(0, 0, "A"); },
      [&] { canvas.TextRect(RECT{0, 0, 5, 5}, 0, 0, "A"); },
      [&] { canvas.DrawText("A", r, DT_LEFT); },
      [&] { canvas.TabbedTextOut(0, 0, "A\tB", {}, 0); },
      [&] { canvas.ExtTextOut(0, 0, 0, nullptr, "A"); },
      [&] { canvas.Draw(1, 1, source); },
      [&] { canvas.DrawDisabled(1, 1, source); },
      [&] { canvas.CopyRect(RECT{0, 0, 2, 2}, source.Canvas(), RECT{0, 0, 2, 2}); },
      [&] { canvas.Polygon(triangle); },
      [&] { canvas.SetPixels(3, 3, clRed); },
      [&] { canvas.DrawFocusRect(RECT{0, 0, 5, 5}); },
      [&] { canvas.DrawFrameControl(RECT{0, 0, 8, 8}, DFC_BUTTON, DFCS_BUTTONCHECK); },
      [&] { bitmap.WritePixels32(std::vector<uint32_t>(100, 0x00FF0000u)); },
      [&] { bitmap.SetSize(0, 0); },
  };
  for (size_t i = 0; i < std::size(drawing); ++i) {
    if (bitmap.Empty()) bitmap.SetSize(10, 10);
    const int before = changes;
    drawing[i]();
    EXPECT_EQ(changes, before + 1) << "drawing call " << i;
  }
  // Measuring, moving the pen, clipping and the transparency settings change no pixel.
  bitmap.SetSize(10, 10);
  const int before = changes;
  canvas.TextExtent("Zg");
  canvas.DrawText("A", r, DT_CALCRECT);
  canvas.MoveTo(2, 2);
  canvas.IntersectClipRect(RECT{0, 0, 5, 5});
  canvas.Pixels(1, 1);
  bitmap.ReadPixels32();
  bitmap.SetTransparent(true);
  bitmap.SetTransparentColor(clRed);
  EXPECT_EQ(changes, before);
}
