/* A visual-styles library for tests: the system's own (every entry forwarded to uxtheme.dll,
   see FakeUxTheme.def) except that a part's background has see-through parts only in state 3,
   the pressed state of buttons and combo-box buttons. With it a test tells which state a
   see-through question was asked for. */
#include <windows.h>

BOOL WINAPI IsThemeBackgroundPartiallyTransparent(HANDLE theme, int part, int state) {
  (void)theme;
  (void)part;
  return state == 3;
}
