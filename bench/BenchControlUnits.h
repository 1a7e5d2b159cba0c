// The start-up and shutdown of the benchmarks that show controls: the forms, the application
// object and the control library's units in the program's order, finished in reverse order
// when the object goes.
#pragma once

#include "controls/vdThemeManager.h"
#include "controls/vdUxTheme.h"
#include "controls/vxClasses.h"
#include "controls/vxControls.h"
#include "controls/vxGraphics.h"
#include "controls/vxLookAndFeelPainters.h"
#include "controls/vxLookAndFeels.h"
#include "platform/gui/Forms.h"

class TBenchControlUnits {
public:
  TBenchControlUnits() {
    InitializeForms();
    Application->Initialize();
    InitializevxClasses();
    InitializevdUxTheme();
    InitializevdThemeManager();
    InitializevxLookAndFeelPainters();
    InitializevxLookAndFeels();
    InitializevxControls();
    InitializevxGraphics();
  }
  ~TBenchControlUnits() {
    FinalizevxGraphics();
    FinalizevxControls();
    FinalizevxLookAndFeels();
    FinalizevxLookAndFeelPainters();
    FinalizevdThemeManager();
    FinalizevdUxTheme();
    FinalizevxClasses();
    FinalizeForms();
  }
  TBenchControlUnits(const TBenchControlUnits&) = delete;
  TBenchControlUnits& operator=(const TBenchControlUnits&) = delete;
};
