#include "ControlsTestSupport.h"

#include "controls/vdThemeManager.h"
#include "controls/vdUxTheme.h"
#include "controls/vxClasses.h"
#include "controls/vxContainer.h"
#include "controls/vxControls.h"
#include "controls/vxEditPaintUtils.h"
#include "controls/vxEditUtils.h"
#include "controls/vxGraphics.h"
#include "controls/vxLookAndFeelPainters.h"
#include "controls/vxLookAndFeels.h"

namespace controlstest {

void StartControlUnits() {
  InitializevxClasses();
  InitializevdUxTheme();
  InitializevdThemeManager();
  InitializevxLookAndFeelPainters();
  InitializevxLookAndFeels();
  InitializevxControls();
  InitializevxGraphics();
  InitializevxPopupWindows();
  InitializevxEditPaintUtils();
  InitializevxEditUtils();
}

void StopControlUnits() {
  FinalizevxEditUtils();
  FinalizevxEditPaintUtils();
  FinalizevxPopupWindows();
  FinalizevxGraphics();
  FinalizevxControls();
  FinalizevxLookAndFeels();
  FinalizevxLookAndFeelPainters();
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

TSysColorsScope::TSysColorsScope(std::vector<int> indexes, std::vector<COLORREF> colours)
    : FIndexes(std::move(indexes)) {
  for (int i : FIndexes) FSaved.push_back(GetSysColor(i));
  SetSysColors(static_cast<int>(FIndexes.size()), FIndexes.data(), colours.data());
}

TSysColorsScope::~TSysColorsScope() {
  SetSysColors(static_cast<int>(FIndexes.size()), FIndexes.data(), FSaved.data());
}

}  // namespace controlstest
