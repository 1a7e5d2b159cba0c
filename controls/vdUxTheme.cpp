#include "controls/vdUxTheme.h"

#include <commctrl.h>

#include <algorithm>
#include <array>

const char* const vdUxThemeEntryNames[vdUxThemeEntryCount] = {
    "CloseThemeData",
    "DrawThemeBackground",
    "DrawThemeEdge",
    "DrawThemeIcon",
    "DrawThemeParentBackground",
    "DrawThemeText",
    "EnableThemeDialogTexture",
    "GetCurrentThemeName",
    "GetThemeAppProperties",
    "GetThemeBackgroundContentRect",
    "GetThemeBackgroundRegion",
    "GetThemeBackgroundExtent",
    "GetThemeBool",
    "GetThemeColor",
    "GetThemeDocumentationProperty",
    "GetThemeEnumValue",
    "GetThemeFilename",
    "GetThemeFont",
    "GetThemeInt",
    "GetThemeIntList",
    "GetThemeMargins",
    "GetThemeMetric",
    "GetThemePartSize",
    "GetThemePosition",
    "GetThemePropertyOrigin",
    "GetThemeRect",
    "GetThemeString",
    "GetThemeSysBool",
    "GetThemeSysColor",
    "GetThemeSysColorBrush",
    "GetThemeSysFont",
    "GetThemeSysInt",
    "GetThemeSysSize",
    "GetThemeSysString",
    "GetThemeTextExtent",
    "GetThemeTextMetrics",
    "GetWindowTheme",
    "HitTestThemeBackground",
    "IsAppThemed",
    "IsThemeActive",
    "IsThemePartDefined",
    "IsThemeBackgroundPartiallyTransparent",
    "IsThemeDialogTextureEnabled",
    "OpenThemeData",
    "SetThemeAppProperties",
    "SetWindowTheme",
};

namespace {

// Indexes into the entry table of the entry points the wrappers call.
enum TEntry : int {
  eCloseThemeData = 0,
  eDrawThemeBackground = 1,
  eDrawThemeEdge = 2,
  eDrawThemeText = 5,
  eGetCurrentThemeName = 7,
  eGetThemeBackgroundContentRect = 9,
  eGetThemeBackgroundRegion = 10,
  eGetThemeColor = 13,
  eGetThemePartSize = 22,
  eIsThemeActive = 39,
  eIsThemeBackgroundPartiallyTransparent = 41,
  eOpenThemeData = 43,
};
constexpr TEntry kWrapped[] = {eCloseThemeData,          eDrawThemeBackground, eDrawThemeEdge,
                               eDrawThemeText,           eGetCurrentThemeName, eGetThemeBackgroundContentRect,
                               eGetThemeBackgroundRegion, eGetThemeColor,       eGetThemePartSize,
                               eIsThemeActive,           eIsThemeBackgroundPartiallyTransparent, eOpenThemeData};

bool GIsWinXPOrLater = false;
HMODULE GLibrary = nullptr;
std::array<FARPROC, vdUxThemeEntryCount> GEntries{};

// The entry point as the function type it has; nullptr while the library is not loaded.
template <class Fn>
Fn Entry(TEntry index) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GEntries[index]));
}

void Unbind() {
  GEntries.fill(nullptr);
  if (GLibrary != nullptr) FreeLibrary(GLibrary);
  GLibrary = nullptr;
}

void Bind(const char* moduleName) {
  GLibrary = LoadLibraryA(moduleName);
  if (GLibrary == nullptr) return;
  for (int i = 0; i < vdUxThemeEntryCount; ++i) GEntries[i] = GetProcAddress(GLibrary, vdUxThemeEntryNames[i]);
  for (TEntry e : kWrapped) {
    if (GEntries[e] == nullptr) {
      Unbind();
      return;
    }
  }
}

}  // namespace

bool vdIsWinXPOrLaterVersion(DWORD major, DWORD minor) { return major >= 6 || (major == 5 && minor != 0); }

bool IsWinXPOrLater() { return GIsWinXPOrLater; }

bool IsThemeLibraryLoaded() { return GLibrary != nullptr; }

int vdUxThemeBoundEntryCount() {
  return static_cast<int>(std::count_if(GEntries.begin(), GEntries.end(), [](FARPROC p) { return p != nullptr; }));
}

HTHEME OpenThemeData(HWND window, const wchar_t* classList) {
  auto fn = Entry<HTHEME(WINAPI*)(HWND, LPCWSTR)>(eOpenThemeData);
  return fn != nullptr ? fn(window, classList) : nullptr;
}

HRESULT CloseThemeData(HTHEME theme) {
  auto fn = Entry<HRESULT(WINAPI*)(HTHEME)>(eCloseThemeData);
  return fn != nullptr ? fn(theme) : E_FAIL;
}

HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT& r) {
  return DrawThemeBackground(theme, dc, part, state, r, nullptr);
}

HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT& r, const RECT* clip) {
  auto fn = Entry<HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*)>(eDrawThemeBackground);
  return fn != nullptr ? fn(theme, dc, part, state, &r, clip) : E_FAIL;
}

HRESULT DrawThemeText(HTHEME theme, HDC dc, int part, int state, const WideString& text, DWORD flags, DWORD flags2,
                      const RECT& r) {
  auto fn = Entry<HRESULT(WINAPI*)(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, DWORD, const RECT*)>(eDrawThemeText);
  return fn != nullptr ? fn(theme, dc, part, state, text.c_str(), static_cast<int>(text.size()), flags, flags2, &r)
                       : E_FAIL;
}

HRESULT DrawThemeText(HTHEME theme, HDC dc, int part, int state, const AnsiString& text, DWORD flags, DWORD flags2,
                      const RECT& r) {
  return DrawThemeText(theme, dc, part, state, AnsiToWide(text), flags, flags2, r);
}

HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int part, int state, const RECT& bounds, RECT& content) {
  auto fn = Entry<HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, RECT*)>(eGetThemeBackgroundContentRect);
  return fn != nullptr ? fn(theme, dc, part, state, &bounds, &content) : E_FAIL;
}

HRESULT GetThemeBackgroundContentRect(HTHEME theme, int part, int state, const RECT& bounds, RECT& content) {
  return GetThemeBackgroundContentRect(theme, nullptr, part, state, bounds, content);
}

HRESULT GetThemePartSize(HTHEME theme, HDC dc, int part, int state, const RECT* r, TvdThemeSize kind, SIZE& size) {
  auto fn = Entry<HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, int, SIZE*)>(eGetThemePartSize);
  return fn != nullptr ? fn(theme, dc, part, state, r, kind, &size) : E_FAIL;
}

HRESULT GetThemePartSize(HTHEME theme, HDC dc, int part, int state, TvdThemeSize kind, SIZE& size) {
  return GetThemePartSize(theme, dc, part, state, nullptr, kind, size);
}

HRESULT GetThemeBackgroundRegion(HTHEME theme, HDC dc, int part, int state, const RECT& r, HRGN& region) {
  auto fn = Entry<HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, HRGN*)>(eGetThemeBackgroundRegion);
  return fn != nullptr ? fn(theme, dc, part, state, &r, &region) : E_FAIL;
}

HRESULT DrawThemeEdge(HTHEME theme, HDC dc, int part, int state, const RECT& dest, UINT edge, UINT flags,
                      RECT* content) {
  auto fn = Entry<HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, UINT, UINT, RECT*)>(eDrawThemeEdge);
  return fn != nullptr ? fn(theme, dc, part, state, &dest, edge, flags, content) : E_FAIL;
}

bool IsThemeBackgroundPartiallyTransparent(HTHEME theme, int part, int state) {
  auto fn = Entry<BOOL(WINAPI*)(HTHEME, int, int)>(eIsThemeBackgroundPartiallyTransparent);
  return fn != nullptr && fn(theme, part, state) != FALSE;
}

HRESULT GetThemeColor(HTHEME theme, int part, int state, int property, COLORREF& color) {
  auto fn = Entry<HRESULT(WINAPI*)(HTHEME, int, int, int, COLORREF*)>(eGetThemeColor);
  return fn != nullptr ? fn(theme, part, state, property, &color) : E_FAIL;
}

bool IsThemeActive() {
  auto fn = Entry<BOOL(WINAPI*)()>(eIsThemeActive);
  return fn != nullptr && fn() != FALSE;
}

HRESULT GetCurrentThemeName(WideString& fileName, WideString& colorName, WideString& sizeName) {
  auto fn = Entry<HRESULT(WINAPI*)(LPWSTR, int, LPWSTR, int, LPWSTR, int)>(eGetCurrentThemeName);
  if (fn == nullptr) return E_FAIL;
  constexpr int kLength = 1024;
  wchar_t file[kLength] = {}, color[kLength] = {}, size[kLength] = {};
  HRESULT result = fn(file, kLength, color, kLength, size, kLength);
  if (SUCCEEDED(result)) {
    fileName = file;
    colorName = color;
    sizeName = size;
  }
  return result;
}

void InitializevdUxTheme(const char* moduleName) {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;  // the 148-byte record
  GIsWinXPOrLater = GetVersionExA(&version) && vdIsWinXPOrLaterVersion(version.dwMajorVersion, version.dwMinorVersion);
  InitCommonControls();
  if (GIsWinXPOrLater) Bind(moduleName);
}

void FinalizevdUxTheme() { Unbind(); }
