#include "ControlsTestSupport.h"

#include "controls/vdThemeManager.h"
#include "controls/vdUxTheme.h"
#include "controls/vxClasses.h"
#include "controls/vxControls.h"
#include "controls/vxEditPaintUtils.h"
#include "controls/vxGraphics.h"
#include "controls/vxLookAndFeels.h"

namespace controlstest {

void StartControlUnits() {
  InitializevxClasses();
  InitializevdUxTheme();
  InitializevdThemeManager();
  InitializevxLookAndFeels();
  InitializevxControls();
  InitializevxGraphics();
  InitializevxEditPaintUtils();
}

void StopControlUnits() {
  FinalizevxEditPaintUtils();
  FinalizevxGraphics();
  FinalizevxControls();
  FinalizevxLookAndFeels();
  FinalizevdThemeManager();
  FinalizevdUxTheme();
  FinalizevxClasses();
}

void RestartThemeUnits(const char* moduleName) {
  FinalizevdThemeManager();
  FinalizevdUxTheme();
  InitializevdUxTheme(moduleName);
  InitializevdThemeManager();
}

TPaintBitmap::TPaintBitmap(int width, int height, TColor fill) {
  SetSize(width, height);
  Canvas().Brush().SetColor(fill);
  Canvas().FillRect(RECT{0, 0, width, height});
}

}  // namespace controlstest
