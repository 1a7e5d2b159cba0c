// The visual-style binding and the theme manager against Wine's real uxtheme with its "Light"
// style active: what opens, handles kept and reopened, the change receiver and its
// notificators, and the binding without a usable library.
#include "ControlsTestSupport.h"

#include "controls/vdThemeManager.h"
#include "controls/vdUxTheme.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Sends what the system sends when the visual style changes.
void SendThemeChanged() {
  ASSERT_NE(vdThemeChangedReceiverWindow(), nullptr);
  EXPECT_EQ(SendMessageA(vdThemeChangedReceiverWindow(), WM_THEMECHANGED, 0, 0), 0);
}

}  // namespace

TEST(vdUxTheme, WindowsVersions) {
  const struct {
    DWORD Major, Minor;
    bool XP;
  } cases[] = {{4, 10, false}, {5, 0, false}, {5, 1, true}, {6, 1, true}, {10, 0, true}};
  for (const auto& c : cases) EXPECT_EQ(vdIsWinXPOrLaterVersion(c.Major, c.Minor), c.XP) << c.Major << "." << c.Minor;
}

TEST(vdThemeManager, ThemesThatOpenUnderWine) {
  ASSERT_TRUE(IsWinXPOrLater() && IsThemeLibraryLoaded());
  EXPECT_EQ(vdUxThemeBoundEntryCount(), vdUxThemeEntryCount);
  const TvdThemedObjectType missing[] = {totClock,      totExplorerBar, totPage,      totStartPanel,
                                         totTaskBand, totTaskBar,     totTrayNotify};
  EXPECT_TRUE(AreVisualStylesUsable());
  TvdThemedObjectTypes opened = 0;
  for (int t = 0; t < vdThemedObjectTypeCount; ++t) {
    const auto type = static_cast<TvdThemedObjectType>(t);
    const bool isMissing = std::find(std::begin(missing), std::end(missing), type) != std::end(missing);
    EXPECT_EQ(AreVisualStylesAvailable(type), !isMissing) << t;
    EXPECT_EQ(OpenTheme(type) != nullptr, !isMissing) << t;
    EXPECT_EQ(vdThemeData(type).ClassName.empty(), isMissing) << "a failed open keeps no name: " << t;
    if (!isMissing) opened |= vdThemedObjectTypes(type);
  }
  EXPECT_TRUE(AreVisualStylesUsable(opened));
  EXPECT_FALSE(AreVisualStylesUsable(opened | vdThemedObjectTypes(totClock)));
}

TEST(vdThemeManager, HandlesAreKeptUnderTheirClassNameAndReopenedAfterAChange) {
  CloseTheme(totScrollBar);
  HTHEME theme = OpenTheme(totScrollBar);
  ASSERT_NE(theme, nullptr);
  EXPECT_EQ(vdThemeData(totScrollBar).ClassName, L"ScrollBar");
  EXPECT_EQ(OpenTheme(totScrollBar, L"scrollbar"), theme) << "the same class in other letters keeps the handle";
  EXPECT_EQ(vdThemeData(totScrollBar).ClassName, L"ScrollBar");

  // Another class closes the handle and opens that class instead.
  ASSERT_NE(OpenTheme(totScrollBar, L"Edit"), nullptr);
  EXPECT_EQ(vdThemeData(totScrollBar).ClassName, L"Edit");

  SendThemeChanged();
  for (int t = 0; t < vdThemedObjectTypeCount; ++t)
    EXPECT_EQ(vdThemeData(static_cast<TvdThemedObjectType>(t)).Theme, nullptr) << t;
  EXPECT_EQ(vdThemeData(totScrollBar).ClassName, L"Edit") << "the names stay";
  EXPECT_NE(OpenTheme(totScrollBar), nullptr);
  EXPECT_EQ(vdThemeData(totScrollBar).ClassName, L"Edit") << "reopened under the stored name";

  CloseTheme(totScrollBar);
  EXPECT_EQ(vdThemeData(totScrollBar).Theme, nullptr);
  EXPECT_TRUE(vdThemeData(totScrollBar).ClassName.empty());
  OpenTheme(totScrollBar);
  EXPECT_EQ(vdThemeData(totScrollBar).ClassName, L"ScrollBar");
}

TEST(vdThemeManager, NotificatorsHearOfChangesInTheirOrder) {
  std::vector<int> heard;
  auto first = std::make_unique<TvdThemeChangedNotificator>();
  TvdThemeChangedNotificator second;
  auto third = std::make_unique<TvdThemeChangedNotificator>();
  TvdThemeChangedNotificator fourth;
  std::unique_ptr<TvdThemeChangedNotificator> joiner;
  first->OnThemeChanged = [&] {
    heard.push_back(1);
    EXPECT_EQ(vdThemeData(totButton).Theme, nullptr) << "the handles are closed first";
  };
  second.OnThemeChanged = [&] {
    heard.push_back(2);
    if (joiner) return;
    first.reset();  // one told already leaves: nobody after it is skipped
    third.reset();  // one not yet told leaves: it is not told
    joiner = std::make_unique<TvdThemeChangedNotificator>();
    joiner->OnThemeChanged = [&] { heard.push_back(5); };
  };
  third->OnThemeChanged = [&] { heard.push_back(3); };
  fourth.OnThemeChanged = [&] { heard.push_back(4); };
  OpenTheme(totButton);
  SendThemeChanged();
  EXPECT_EQ(heard, (std::vector<int>{1, 2, 4, 5}));
  heard.clear();
  SendThemeChanged();
  EXPECT_EQ(heard, (std::vector<int>{2, 4, 5}));
  EXPECT_TRUE(AreVisualStylesUsable()) << "the style is still active";
}

TEST(vdThemeManager, WithoutAUsableLibraryNothingIsThemed) {
  struct TRestore {
    ~TRestore() { controlstest::RestartThemeUnits(); }
  } restore;
  // A module that does not exist, and a real one without the entry points.
  for (const char* module : {"NoSuchThemes.dll", "user32.dll"}) {
    controlstest::RestartThemeUnits(module);
    EXPECT_FALSE(IsThemeLibraryLoaded()) << module;
    EXPECT_EQ(vdUxThemeBoundEntryCount(), 0);
    EXPECT_FALSE(AreVisualStylesUsable());
    EXPECT_FALSE(AreVisualStylesAvailable(totButton));
    EXPECT_EQ(OpenTheme(totButton), nullptr);
    EXPECT_EQ(vdThemeChangedReceiverWindow(), nullptr);
    EXPECT_EQ(OpenThemeData(nullptr, L"Button"), nullptr) << "the wrappers answer failure";
  }
}
