// One theme handle per themed object type, opened on first use and closed when the visual
// style changes; a hidden window that hears of those changes; and notificators that pass
// them on. Painters and controls ask here whether themed drawing is possible.
//
// Everything here lives on the GUI thread. The change receiver and the notificator list exist
// from InitializevdThemeManager to FinalizevdThemeManager, and only while the themes library
// is loaded (vdUxTheme.h).
#pragma once

#include "controls/vdUxTheme.h"
#include "platform/rtl/SysStrings.h"

#include <windows.h>

#include <cstdint>
#include <functional>

enum TvdThemedObjectType : uint8_t {
  totButton,
  totClock,
  totComboBox,
  totEdit,
  totExplorerBar,
  totHeader,
  totListView,
  totMenu,
  totPage,
  totProgress,
  totRebar,
  totScrollBar,
  totSpin,
  totStartPanel,
  totStatus,
  totTab,
  totTaskBand,
  totTaskBar,
  totToolBar,
  totToolTip,
  totTrackBar,
  totTrayNotify,
  totTreeView,
  totWindow,
};
constexpr int vdThemedObjectTypeCount = 24;

// A set of themed object types: bit n for type n.
using TvdThemedObjectTypes = uint32_t;
constexpr TvdThemedObjectTypes vdThemedObjectTypes(TvdThemedObjectType type) { return 1u << type; }

// The theme of one type: its handle (nullptr while not open) and the class name it was
// opened with.
struct TvdThemeData {
  HTHEME Theme = nullptr;
  WideString ClassName;
};

// The themes library is loaded, a style is active and the theme of every type in the set
// opens (the empty set asks only the first two).
bool AreVisualStylesUsable(TvdThemedObjectTypes types = 0);
bool AreVisualStylesAvailable(TvdThemedObjectType type);
// The theme handle of a type, opened under the class name given, or the one it was opened
// with last, or the type's own; nullptr when none can be had. A handle open under another
// class name than the one given (letter case ignored) is closed first.
HTHEME OpenTheme(TvdThemedObjectType type, const wchar_t* className = nullptr);
void CloseTheme(TvdThemedObjectType type);
void CloseAllThemes();  // the class names stay for the next OpenTheme
const TvdThemeData& vdThemeData(TvdThemedObjectType type);

// Hears of visual-style changes while it lives, after the theme handles were closed; told in
// the order of construction.
class TvdThemeChangedNotificator {
public:
  TvdThemeChangedNotificator();  // listed when the themes library is loaded
  ~TvdThemeChangedNotificator();
  TvdThemeChangedNotificator(const TvdThemeChangedNotificator&) = delete;
  TvdThemeChangedNotificator& operator=(const TvdThemeChangedNotificator&) = delete;
  std::function<void()> OnThemeChanged;
};

// The hidden window that receives WM_THEMECHANGED (nullptr while there is none).
HWND vdThemeChangedReceiverWindow();

void InitializevdThemeManager();
void FinalizevdThemeManager();
