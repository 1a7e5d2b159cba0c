// The painter that draws push buttons for a look-and-feel (the run has Wine's visual style on;
// the style switched off is tried by the serial test program).
#include "editors/vxButtons.h"

#include "controls/vdThemeManager.h"

#include <gtest/gtest.h>

TEST(vxButtons, ButtonPainterFollowsTheLookExceptOffice2003) {
  ASSERT_TRUE(AreVisualStylesAvailable(totButton)) << "the run starts with the style on";
  TvxLookAndFeel lookAndFeel(nullptr);
  EXPECT_EQ(vxGetButtonPainterClass(lookAndFeel), &vxUltraFlatPainter) << "the application's default look";
  const struct {
    TvxLookAndFeelKind Kind;
    TvxLookAndFeelPainterClass Painter;
  } rows[] = {{lfFlat, &vxFlatPainter},
              {lfStandard, &vxStandardPainter},
              {lfUltraFlat, &vxUltraFlatPainter},
              {lfOffice11, &vxWinXPPainter}};
  for (const auto& row : rows) {
    lookAndFeel.SetKind(row.Kind);
    EXPECT_EQ(vxGetButtonPainterClass(lookAndFeel), row.Painter) << int(row.Kind);
  }
  lookAndFeel.SetKind(lfFlat);
  lookAndFeel.SetNativeStyle(true);
  EXPECT_EQ(vxGetButtonPainterClass(lookAndFeel), &vxWinXPPainter) << "the native style stands as it is";
}
