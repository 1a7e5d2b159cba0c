// Real system-colour changes (SetSysColors reaches every window of the Wine server, so the
// colours are put back before the test ends): the solid brushes, the system brush table and
// the Office-2003-like colours and the scroll bar's kept picture follow.
#include "tests/controls/ControlsTestSupport.h"

#include "controls/vdOffice11.h"
#include "controls/vxEditPaintUtils.h"
#include "controls/vxLookAndFeelPainters.h"
#include "controls/vxScrollBar.h"
#include "tests/platform/GuiTestSupport.h"

#include <gtest/gtest.h>

using controlstest::TPaintBitmap;
using controlstest::TSysColorsScope;

namespace {

COLORREF PaintedBy(HBRUSH brush) {
  TPaintBitmap bitmap(2, 2, clBlack);
  const RECT r{0, 0, 2, 2};
  FillRect(bitmap.Canvas().Handle(), &r, brush);
  return bitmap.Pixel(1, 1);
}

}  // namespace

TEST(SystemColours, BrushesAndColoursFollowAChange) {
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const COLORREF changed = RGB(10, 200, 30);
  ASSERT_NE(face, changed);
  ASSERT_EQ(PaintedBy(vxGetSolidBrush(clBtnFace)), face);
  vxGetSolidBrush(static_cast<TColor>(RGB(1, 2, 3)));
  ASSERT_GT(vxSolidBrushCache()->Count(), 0);
  {
    TSysColorsScope scope({COLOR_BTNFACE}, {changed});
    EXPECT_EQ(vxSolidBrushCache()->Count(), 0);
    EXPECT_EQ(PaintedBy(vxGetSolidBrush(clBtnFace)), changed) << "the system brush table was taken anew";
    EXPECT_EQ(PaintedBy(vxGetSolidBrush(static_cast<TColor>(RGB(1, 2, 3)))), RGB(1, 2, 3));
    EXPECT_EQ(Office11SchemeColor6(), vdMixColors(static_cast<TColor>(changed), clWindow, 22));
  }
  EXPECT_EQ(PaintedBy(vxGetSolidBrush(clBtnFace)), face);
  EXPECT_EQ(Office11SchemeColor6(), vdMixColors(static_cast<TColor>(face), clWindow, 22));
}

TEST(SystemColours, ScrollBarPictureIsDrawnAnewInTheNewColours) {
  TForm form(nullptr);
  form.SetBounds(100, 100, 300, 100);
  auto* bar = new TvxScrollBar(&form);
  bar->SetParent(&form);
  bar->SetBounds(10, 10, 200, 17);
  bar->LookAndFeel().SetKind(lfStandard);
  bar->SetScrollParams(0, 100, 0, 30);
  guitest::ShowAndActivate(form);
  const RECT thumb = bar->PartRect(sbpThumb);
  auto thumbFace = [&] {
    bar->Update();
    HDC dc = GetDC(bar->Handle());
    const COLORREF colour = GetPixel(dc, (thumb.left + thumb.right) / 2, 8);
    ReleaseDC(bar->Handle(), dc);
    return colour;
  };
  EXPECT_EQ(thumbFace(), GetSysColor(COLOR_BTNFACE));
  const COLORREF changed = RGB(10, 200, 30);
  TSysColorsScope scope({COLOR_BTNFACE}, {changed});
  guitest::Pump();
  EXPECT_EQ(thumbFace(), changed);
}

// The radio images made (and drawn) in the old colours are made again for the new ones.
TEST(SystemColours, RadioImagesMadeBeforeAChangeAreDrawnInTheNewColours) {
  const TvxRadioButtonMetrics& m = vxRadioButtonMetrics();
  const int cy = (m.Glyph.top + m.Glyph.bottom) / 2;
  TPaintBitmap image(m.Cell.cx, m.Cell.cy, clLime);
  TvxCanvas canvas(image.Canvas());
  auto outerLeft = [&] {
    vxStandardPainter.DrawRadioButton(canvas, 0, 0, vxbsNormal, true, 0, clDefault, 0);
    return image.Pixel(m.Glyph.left, cy);
  };
  ASSERT_EQ(outerLeft(), GetSysColor(COLOR_BTNSHADOW));
  const COLORREF changed = RGB(128, 64, 64);
  ASSERT_NE(GetSysColor(COLOR_BTNSHADOW), changed);
  TSysColorsScope scope({COLOR_BTNSHADOW}, {changed});
  guitest::Pump();
  EXPECT_EQ(outerLeft(), changed);
}
