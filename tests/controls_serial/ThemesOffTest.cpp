// Visual styles switched off for real, as a user would: uxtheme's EnableTheming(FALSE) tells
// every top-level window with WM_THEMECHANGED. The library stays loaded, but nothing is
// themed any more.
#include "tests/controls/ControlsTestSupport.h"

#include "controls/vdOffice11.h"
#include "controls/vdThemeManager.h"
#include "tests/platform/GuiTestSupport.h"

#include <gtest/gtest.h>

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
