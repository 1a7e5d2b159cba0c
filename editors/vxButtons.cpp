#include "editors/vxButtons.h"

#include "controls/vdThemeManager.h"

TvxLookAndFeelPainterClass vxGetButtonPainterClass(const TvxLookAndFeel& lookAndFeel) {
  const TvxLookAndFeelPainterClass painter = lookAndFeel.GetPainter();
  if (painter->LookAndFeelStyle() != vxPainterStyleOffice11) return painter;
  if (AreVisualStylesAvailable(totButton)) return &vxWinXPPainter;
  return &vxStandardPainter;
}
