// Visual styles switched off for real, as a user would: uxtheme's EnableTheming(FALSE) tells
// every top-level window with WM_THEMECHANGED. The library stays loaded, but nothing is
// themed any more.
#include "tests/controls/ControlsTestSupport.h"
#include "tests/controls/PainterSamples.h"

#include "controls/vdOffice11.h"
#include "controls/vdThemeManager.h"
#include "controls/vxLookAndFeelPainters.h"
#include "editors/vxButtons.h"
#include "tests/platform/GuiTestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

// Switches the style off once for the whole program; answers whether the change was heard.
bool SwitchThemesOff() {
  if (!IsThemeActive()) return true;
  using TEnableTheming = HRESULT(WINAPI*)(BOOL);
  auto enable =
      reinterpret_cast<TEnableTheming>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("uxtheme.dll"), "EnableTheming")));
  if (enable == nullptr) return false;
  bool heard = false;
  TvdThemeChangedNotificator notificator;
  notificator.OnThemeChanged = [&] { heard = true; };
  enable(FALSE);
  guitest::PumpUntil([&] { return heard; });
  // uxtheme wrote the switch to the registry for every program started later; put it back
  // at once (EnableTheming(TRUE) would not), this process keeps the style off.
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", 0, KEY_SET_VALUE,
                    &key) == ERROR_SUCCESS) {
    RegSetValueExA(key, "ThemeActive", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
    RegCloseKey(key);
  }
  return heard;
}

}  // namespace

TEST(ThemesOff, StylesAreUnusableWhileTheLibraryStaysLoaded) {
  ASSERT_TRUE(AreVisualStylesUsable()) << "the run starts with the style on";
  ASSERT_NE(OpenTheme(totButton), nullptr);
  ASSERT_TRUE(SwitchThemesOff());
  EXPECT_TRUE(IsThemeLibraryLoaded());
  EXPECT_FALSE(AreVisualStylesUsable());
  EXPECT_FALSE(AreVisualStylesAvailable(totButton));
  EXPECT_EQ(vdThemeData(totButton).Theme, nullptr);
  EXPECT_EQ(OpenTheme(totButton), nullptr);
  EXPECT_FALSE(IsOffice11SchemeActive());
}

// Without a style the themed painter draws as the standard one, but for what it fixes itself:
// no pressed-content shift, the ultra-flat sorting mark, its own glyph colour, header sections
// filled before their header, flat indicators and marks without the black frame.
TEST(ThemesOff, ThemedPainterFallsBackToTheStandardOne) {
  ASSERT_TRUE(SwitchThemesOff());
  const std::set<std::string> differ = {"SortingMark", "GlyphButton", "HeaderSection", "Indicator", "HeaderWithMark"};
  int compared = 0;
  for (const auto& sample : controlstest::PainterSamples()) {
    if (differ.contains(sample.Name)) continue;
    controlstest::TPaintBitmap themed(1, 1), standard(1, 1);
    controlstest::DrawSampleRow(&vxWinXPPainter, sample, themed, clBtnFace);
    controlstest::DrawSampleRow(&vxStandardPainter, sample, standard, clBtnFace);
    const std::vector<uint32_t> a = themed.ReadPixels32(), b = standard.ReadPixels32();
    for (int y = 0; y < themed.Height(); ++y)
      for (int x = 0; x < themed.Width(); ++x) {
        if (controlstest::kButtonStates[x / controlstest::kSampleWidth] == vxbsPressed) continue;
        const size_t i = static_cast<size_t>(y) * themed.Width() + x;
        ASSERT_EQ(a[i], b[i]) << sample.Name << " at " << x << "," << y;
      }
    ++compared;
  }
  EXPECT_GT(compared, 25);
  // The Office-2003-like scroll bar is the standard one without a style.
  for (const auto part : {sbpLineUp, sbpThumb, sbpPageDown}) {
    controlstest::TPaintBitmap office(24, 24, clGray), standard(24, 24, clGray);
    TvxCanvas officeCanvas(office.Canvas()), standardCanvas(standard.Canvas());
    vxOffice11Painter.DrawScrollBarPart(officeCanvas, false, RECT{2, 2, 19, 22}, part, vxbsPressed);
    vxStandardPainter.DrawScrollBarPart(standardCanvas, false, RECT{2, 2, 19, 22}, part, vxbsPressed);
    EXPECT_EQ(office.ReadPixels32(), standard.ReadPixels32()) << int(part);
  }
}

// Without a style the Office-2003-like look has no themed buttons to borrow.
TEST(ThemesOff, Office2003ButtonsAreStandardOnes) {
  ASSERT_TRUE(SwitchThemesOff());
  TvxLookAndFeel lookAndFeel(nullptr);
  lookAndFeel.SetKind(lfOffice11);
  EXPECT_EQ(vxGetButtonPainterClass(lookAndFeel), &vxStandardPainter);
  lookAndFeel.SetKind(lfUltraFlat);
  EXPECT_EQ(vxGetButtonPainterClass(lookAndFeel), &vxUltraFlatPainter);
}

// Native style asked for with no style to draw it: each kind's own painter.
TEST(ThemesOff, NativeStyleGivesThePainterOfTheKind) {
  ASSERT_TRUE(SwitchThemesOff());
  TvxLookAndFeel lookAndFeel(nullptr);
  lookAndFeel.SetNativeStyle(true);
  const struct {
    TvxLookAndFeelKind Kind;
    TvxLookAndFeelPainterClass Painter;
  } kinds[] = {{lfFlat, &vxFlatPainter}, {lfStandard, &vxStandardPainter}, {lfUltraFlat, &vxUltraFlatPainter},
               {lfOffice11, &vxOffice11Painter}};
  for (const auto& k : kinds) {
    lookAndFeel.SetKind(k.Kind);
    EXPECT_TRUE(lookAndFeel.NativeStyle());
    EXPECT_EQ(lookAndFeel.GetPainter(), k.Painter) << int(k.Kind);
    EXPECT_EQ(lookAndFeel.GetPainter(totButton), k.Painter) << int(k.Kind);
  }
}
