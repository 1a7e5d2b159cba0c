#include "ControlsTestSupport.h"

#include "controls/vdThemeManager.h"
#include "controls/vdUxTheme.h"
#include "controls/vxEditPaintUtils.h"
#include "controls/vxGraphics.h"
#include "controls/vxLookAndFeels.h"
#include "platform/gui/Forms.h"

#include <gtest/gtest.h>

namespace controlstest {

namespace {

// The forms layer and the library's units live for the whole run, as in the program.
class ControlsEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    InitializeForms();
    Application->Initialize();
    StartControlUnits();
  }
  void TearDown() override {
    StopControlUnits();
    FinalizeForms();
  }
};

[[maybe_unused]] ::testing::Environment* const gEnvironment =
    ::testing::AddGlobalTestEnvironment(new ControlsEnvironment);

}  // namespace

void StartControlUnits() {
  InitializevdUxTheme();
  InitializevdThemeManager();
  InitializevxLookAndFeels();
  InitializevxGraphics();
  InitializevxEditPaintUtils();
}

void StopControlUnits() {
  FinalizevxEditPaintUtils();
  FinalizevxGraphics();
  FinalizevxLookAndFeels();
  FinalizevdThemeManager();
  FinalizevdUxTheme();
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
