// The visual-styles library (uxtheme) bound at run time: the library is loaded by name and its
// entry points are looked up with GetProcAddress, never through an import library, so the
// program also runs where the library is missing. The wrappers below call the bound entry
// points; while the library is not loaded they do nothing and answer failure (E_FAIL, false,
// a 0 handle).
//
// The library counts as loaded only when every entry point that a wrapper calls is there: a
// library without them (an older or a foreign DLL of that name) is let go again at once.
//
// This unit stands in for the system's uxtheme.h; a source includes one or the other.
#pragma once

#include "platform/rtl/SysStrings.h"

#include <windows.h>

using HTHEME = HANDLE;

// The sizes GetThemePartSize can report (the system's THEMESIZE values).
enum TvdThemeSize : int { tsMin = 0, tsTrue = 1, tsDraw = 2 };

// The names bound, in binding order.
constexpr int vdUxThemeEntryCount = 46;
extern const char* const vdUxThemeEntryNames[vdUxThemeEntryCount];

// Windows XP (5.1) or later; fixed at start-up.
bool IsWinXPOrLater();
bool vdIsWinXPOrLaterVersion(DWORD major, DWORD minor);
bool IsThemeLibraryLoaded();
// How many of the entry points were found (0 while the library is not loaded).
int vdUxThemeBoundEntryCount();

HTHEME OpenThemeData(HWND window, const wchar_t* classList);
HRESULT CloseThemeData(HTHEME theme);
HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT& r);
HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT& r, const RECT* clip);
HRESULT DrawThemeText(HTHEME theme, HDC dc, int part, int state, const WideString& text, DWORD flags, DWORD flags2,
                      const RECT& r);
HRESULT DrawThemeText(HTHEME theme, HDC dc, int part, int state, const AnsiString& text, DWORD flags, DWORD flags2,
                      const RECT& r);  // converted to wide text first
HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int part, int state, const RECT& bounds, RECT& content);
HRESULT GetThemeBackgroundContentRect(HTHEME theme, int part, int state, const RECT& bounds, RECT& content);
HRESULT GetThemePartSize(HTHEME theme, HDC dc, int part, int state, const RECT* r, TvdThemeSize kind, SIZE& size);
HRESULT GetThemePartSize(HTHEME theme, HDC dc, int part, int state, TvdThemeSize kind, SIZE& size);
HRESULT GetThemeBackgroundRegion(HTHEME theme, HDC dc, int part, int state, const RECT& r, HRGN& region);
HRESULT DrawThemeEdge(HTHEME theme, HDC dc, int part, int state, const RECT& dest, UINT edge, UINT flags,
                      RECT* content);
bool IsThemeBackgroundPartiallyTransparent(HTHEME theme, int part, int state);
// Leaves color as it was when the style does not define the property.
HRESULT GetThemeColor(HTHEME theme, int part, int state, int property, COLORREF& color);
bool IsThemeActive();
// The theme file, colour name and size name (each up to 1024 characters).
HRESULT GetCurrentThemeName(WideString& fileName, WideString& colorName, WideString& sizeName);

// Start-up: the Windows version, InitCommonControls, and on Windows XP or later the library
// (moduleName, normally "UxTheme.dll") with its entry points. Shutdown lets the library go.
void InitializevdUxTheme(const char* moduleName = "UxTheme.dll");
void FinalizevdUxTheme();
