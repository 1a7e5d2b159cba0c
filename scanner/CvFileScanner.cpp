// Program entry of the folder scanner: the units' start-up in their fixed order, the
// application object, the main window and its message loop, then shutdown in reverse.
// The program takes no command-line arguments.
#include "CvIdxBuilder/CvBatchThreadUnit.h"
#include "CvIdxBuilder/CvHviUnit.h"
#include "CvIdxBuilder/CvPathValidatorUnit.h"
#include "common/CommonStartup.h"
#include "common/CorvaneIniUnit.h"
#include "common/CrawlIniUnit.h"
#include "controls/vxClasses.h"
#include "controls/vdThemeManager.h"
#include "controls/vdUxTheme.h"
#include "controls/vxContainer.h"
#include "controls/vxControls.h"
#include "controls/vxDataStorage.h"
#include "controls/vxEditPaintUtils.h"
#include "controls/vxEditUtils.h"
#include "controls/vxFormats.h"
#include "controls/vxGraphics.h"
#include "controls/vxLookAndFeelPainters.h"
#include "controls/vxLookAndFeels.h"
#include "editors/vxCalc.h"
#include "editors/vxDropDownEdit.h"
#include "editors/vxEdit.h"
#include "editors/vxMaskEdit.h"
#include "editors/vxTextEdit.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/Threads.h"
#include "scanner/ScannerMenuUnit.h"

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <exception>

namespace {

// OLE for the shell's dialogs, with the shell's allocator held for the program's life.
IMalloc* ShellMalloc = nullptr;

void InitializeOle() {
  OleInitialize(nullptr);
  SHGetMalloc(&ShellMalloc);
}

void FinalizeOle() {
  if (ShellMalloc != nullptr) {
    ShellMalloc->Release();
    ShellMalloc = nullptr;
  }
  OleUninitialize();
}

// Start-up steps and their shutdown, in run order; shutdown runs the ones that started, in
// reverse, however the program ends.
struct TUnitStep {
  void (*Initialize)();
  void (*Finalize)();
};

const TUnitStep kUnits[] = {
    // The common foundation: trace client, special folders, paths, exception classes.
    {InitializeCommonUnits, FinalizeCommonUnits},
    // Loads the main configuration and creates the batch log folder.
    {InitializeCvBatchThreadUnit, [] {
       FinalizeCvBatchThreadUnit();
       FinalizeCorvaneIniUnit();
     }},
    // The control library.
    {InitializevxClasses, FinalizevxClasses},
    // Common controls and the visual-styles binding, then the theme-change receiver.
    {[] { InitializevdUxTheme(); }, FinalizevdUxTheme},
    {InitializevdThemeManager, FinalizevdThemeManager},
    // The painters' indicator glyphs, page patterns and pins.
    {InitializevxLookAndFeelPainters, FinalizevxLookAndFeelPainters},
    // The root look-and-feel (ultra-flat, not native).
    {InitializevxLookAndFeels, FinalizevxLookAndFeels},
    // The library cursors and the monitor functions; its windows and timers go at shutdown.
    {InitializevxControls, FinalizevxControls},
    // The shared screen canvas.
    {InitializevxGraphics, FinalizevxGraphics},
    // The visible-popup list and the popup windows' three hooks of the GUI thread.
    {InitializevxPopupWindows, FinalizevxPopupWindows},
    // The system brush table and the solid brush cache.
    {InitializevxEditPaintUtils, FinalizevxEditPaintUtils},
    // The editor painting helpers: which Windows family the program runs on.
    {InitializevxEditUtils, FinalizevxEditUtils},
    {InitializevxFormats, FinalizevxFormats},
    {InitializevxDataStorage, FinalizevxDataStorage},
    // The editors: the list of properties objects and the default edit style controller (also
    // the container library's default); the editor registry is made on first use.
    {InitializevxEdit, FinalizevxEdit},
    {InitializevxTextEdit, FinalizevxTextEdit},
    {InitializevxMaskEdit, FinalizevxMaskEdit},
    // The combo box and the popup edit join the editor registry.
    {InitializevxDropDownEdit, FinalizevxDropDownEdit},
    // The calculator edit joins the editor registry.
    {InitializevxCalc, FinalizevxCalc},
    // The crawl settings store, then OLE, then the index-root check and the path filter.
    {InitializeCrawlIniUnit, FinalizeCrawlIniUnit},
    {InitializeOle, FinalizeOle},
    {InitializeCvHviUnit, FinalizeCvHviUnit},
    {InitializeCvPathValidatorUnit, FinalizeCvPathValidatorUnit},
};

void ShowStartupError(const char* text) {
  MessageBoxA(nullptr, text, "CvFileScanner", MB_OK | MB_ICONSTOP);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Float arithmetic and float text work in extended precision; the C runtime's start-up is
  // not relied on to leave the x87 at 64 bits (worker threads set it themselves).
  SetExtendedFpuPrecision();
  // The class library's screen and application objects exist before any unit starts.
  InitializeForms();
  size_t started = 0;
  int exitCode = 0;
  try {
    for (const TUnitStep& step : kUnits) {
      step.Initialize();
      ++started;
    }
    Application->Initialize();
    Application->CreateForm<TForm1>();
    Application->Run();
  } catch (const std::exception& e) {
    ShowStartupError(e.what());
    exitCode = 1;
  } catch (...) {
    ShowStartupError("Unknown exception");
    exitCode = 1;
  }
  // The windows go first (the main window waits for a scan still running), then the units
  // in reverse order, then the application object itself.
  if (Application != nullptr) Application->DestroyComponents();
  while (started > 0) {
    try {
      kUnits[--started].Finalize();
    } catch (...) {
      // Shutdown goes on: a unit that cannot finalise must not keep the others alive.
    }
  }
  FinalizeForms();
  return exitCode;
}
