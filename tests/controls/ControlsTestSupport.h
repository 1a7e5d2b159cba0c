// Shared by the control library's test programs: the units of the library in the program's
// order (ControlsEnvironment.cpp runs them for the whole run), rectangles in assertions, and a
// bitmap to paint into and read back.
#pragma once

#include "platform/gui/Graphics.h"

#include <windows.h>

#include <ostream>
#include <vector>

// Rectangles compared and printed by the assertions.
inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline void PrintTo(const RECT& r, std::ostream* os) {
  *os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

namespace controlstest {

// The units that the control library starts, in the program's order.
void StartControlUnits();
void StopControlUnits();
// The visual-styles units again, binding the themes library under another module name.
void RestartThemeUnits(const char* moduleName = "UxTheme.dll");

// A bitmap of the screen's format, filled with one colour, whose pixels read back as RGB.
class TPaintBitmap : public TBitmap {
public:
  TPaintBitmap(int width, int height, TColor fill = clWhite);
  COLORREF Pixel(int x, int y) { return static_cast<COLORREF>(Canvas().Pixels(x, y)); }
};

// Sets system colours for a scope and puts the old ones back. SetSysColors reaches every
// window of the Wine server: only the serial test program may use it.
class TSysColorsScope {
public:
  TSysColorsScope(std::vector<int> indexes, std::vector<COLORREF> colours);
  ~TSysColorsScope();
  TSysColorsScope(const TSysColorsScope&) = delete;
  TSysColorsScope& operator=(const TSysColorsScope&) = delete;

private:
  std::vector<int> FIndexes;
  std::vector<COLORREF> FSaved;
};

}  // namespace controlstest
