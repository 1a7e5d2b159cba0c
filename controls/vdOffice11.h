// The Office-2003-like colour set: when Windows XP's own visual style is active in one of its
// three colour variants the colours come from a table for that variant, otherwise they are
// mixed from the system colours. The set also holds three small bitmaps from the program's
// resources. It is built for the first user, rebuilt on every system-colour change (the
// palette listener of vxLookAndFeels calls RefreshOffice11Colors) and its bitmaps are freed
// with the last user.
//
// Colours are TColor values: system colours where the set follows one, RGB values otherwise.
// GUI thread only.
#pragma once

#include "platform/gui/Graphics.h"
#include "platform/rtl/SysStrings.h"

#include <windows.h>

#include <array>
#include <cstdint>

enum TvdOffice11Scheme : uint8_t { schNone = 0, schBlue = 1, schOlive = 2, schSilver = 3 };

// Further colours of the set that no painter of this program reads by number, built with the
// others for looks that want them.
struct TvdOffice11MoreColors {
  TColor FaceWindow85 = clNone;    // mix (clBtnFace, clWindow, 85)
  TColor ShadowWindow74 = clNone;  // mix (clBtnShadow, clWindow, 74)
  TColor ShadowWindow76 = clNone;  // mix (clBtnShadow, clWindow, 76)
  TColor Light1 = clNone;          // three-colour (-15, 29, 86)
  TColor Light2 = clNone;          // three-colour (42, 11, 47)
  TColor FaceStrong = clNone;      // clBtnFace lightened: x * 127 / 255 + 128 a channel
  TColor FaceSlight = clNone;      // clBtnFace lightened: x + 4 - x * 4 / 255 a channel
  // Shades of the background (colour 4) at 90 and 50 per cent with black.
  TColor Shade90 = clNone;
  TColor Shade50 = clNone;
  // A scheme's fixed highlight (253, 238, 201); without one the selection colour (7).
  TColor Highlight = clNone;
};

// The colours the painters and editors read, Office11SchemeColor1 to 23 at indexes 1 to 23,
// the scheme's percentage and the further colours.
struct TvdOffice11Colors {
  std::array<TColor, 24> Scheme{};
  int Percent = 75;  // 41 blue, 125 olive, 40 silver; 75 without a scheme
  TvdOffice11MoreColors More;
};

// The scheme a visual style gives: Luna's file with its colour name (letter case ignored);
// schNone for anything else.
TvdOffice11Scheme vdOffice11SchemeFromThemeName(const WideString& fileName, const WideString& colorName,
                                                 const WideString& sizeName);
// The colours of a scheme, or those mixed from the system colours for schNone. Colours 22
// and 23 belong to the bitmaps and are set when those load.
TvdOffice11Colors vdOffice11ColorsForScheme(TvdOffice11Scheme scheme);

// The scheme in use (chosen when the colours were last built).
TvdOffice11Scheme vdOffice11Scheme();
// Visual styles are usable and a scheme is in use.
bool IsOffice11SchemeActive();

void AddOffice11ColorsUser();      // the first user builds the colours and loads the bitmaps
void ReleaseOffice11ColorsUser();  // the last one frees the bitmaps
void RefreshOffice11Colors();      // rebuilds the colours, and reloads the bitmaps while used
int vdOffice11ColorsUserCount();

TColor Office11SchemeColor(int index);  // 1..23
// The whole set as last built.
const TvdOffice11Colors& vdOffice11Colors();
// Solid brushes of the selection (colour 7), hot (13) and pressed (14) colours; made with the
// bitmaps for the first user and freed with them (nullptr while the set has no user).
HBRUSH vdOffice11SelectionBrush();
HBRUSH vdOffice11HotBrush();
HBRUSH vdOffice11PressedBrush();
inline TColor Office11SchemeColor1() { return Office11SchemeColor(1); }
inline TColor Office11SchemeColor2() { return Office11SchemeColor(2); }
inline TColor Office11SchemeColor3() { return Office11SchemeColor(3); }
inline TColor Office11SchemeColor4() { return Office11SchemeColor(4); }
inline TColor Office11SchemeColor5() { return Office11SchemeColor(5); }
inline TColor Office11SchemeColor6() { return Office11SchemeColor(6); }
inline TColor Office11SchemeColor7() { return Office11SchemeColor(7); }
inline TColor Office11SchemeColor8() { return Office11SchemeColor(8); }
inline TColor Office11SchemeColor9() { return Office11SchemeColor(9); }
inline TColor Office11SchemeColor10() { return Office11SchemeColor(10); }
inline TColor Office11SchemeColor11() { return Office11SchemeColor(11); }
inline TColor Office11SchemeColor12() { return Office11SchemeColor(12); }
inline TColor Office11SchemeColor13() { return Office11SchemeColor(13); }
inline TColor Office11SchemeColor14() { return Office11SchemeColor(14); }
inline TColor Office11SchemeColor15() { return Office11SchemeColor(15); }
inline TColor Office11SchemeColor16() { return Office11SchemeColor(16); }
inline TColor Office11SchemeColor17() { return Office11SchemeColor(17); }
inline TColor Office11SchemeColor18() { return Office11SchemeColor(18); }
inline TColor Office11SchemeColor19() { return Office11SchemeColor(19); }
inline TColor Office11SchemeColor20() { return Office11SchemeColor(20); }
inline TColor Office11SchemeColor21() { return Office11SchemeColor(21); }
inline TColor Office11SchemeColor22() { return Office11SchemeColor(22); }
inline TColor Office11SchemeColor23() { return Office11SchemeColor(23); }

// The bitmaps "VDSUBMENUEXPAND" (recoloured for the current colours) and the 11 x 11 expand
// buttons "VDEXPANDBUTTON_MINUS" (expanded) and "VDEXPANDBUTTON_PLUS"; nullptr while the set
// has no user or the program lacks the resource.
TBitmap* vdOffice11SubMenuExpandBitmap();
TBitmap* vdOffice11ExpandButtonBitmap(bool expanded);
// Gives every pixel that is neither the transparent colour (the one at (0, 0)) nor black the
// mix of light and dark that its red value calls for: the lowest red gives dark, the highest
// light; when all reds are equal, light.
void vdRecolorBitmap(TBitmap& bitmap, TColor light, TColor dark);

// Per channel c1 * percent/100 + c2 * (100 - percent)/100, within 0..255, as the screen
// shows it.
TColor vdMixColors(TColor c1, TColor c2, int percent);
// A gradient from c1 to c2 across (horizontal) or down the rectangle, in at most 256 bands;
// a one-pixel extent is one band in c1, equal colours one fill. Answers the fills made.
int FillGradientRect(HDC dc, const RECT& r, TColor c1, bool horizontal, TColor c2);
