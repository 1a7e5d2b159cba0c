#include "controls/vdOffice11.h"

#include "controls/vdThemeManager.h"
#include "controls/vxGraphics.h"

#include <algorithm>
#include <memory>
#include <type_traits>

namespace {

// The table entries the colour set reads, for the blue, olive and silver variants.
struct TSchemeEntry {
  int Index;
  COLORREF Colors[3];
};

constexpr TSchemeEntry kSchemeTable[] = {
    {0, {RGB(221, 236, 254), RGB(244, 247, 222), RGB(243, 244, 250)}},
    {1, {RGB(129, 169, 226), RGB(183, 198, 145), RGB(153, 151, 181)}},
    {2, {RGB(158, 190, 245), RGB(217, 217, 167), RGB(215, 215, 229)}},
    {3, {RGB(195, 218, 249), RGB(242, 240, 228), RGB(243, 243, 247)}},
    {4, {RGB(0, 53, 145), RGB(96, 119, 107), RGB(118, 116, 146)}},
    {11, {RGB(123, 164, 224), RGB(181, 196, 143), RGB(147, 145, 176)}},
    {14, {RGB(106, 140, 203), RGB(96, 128, 88), RGB(110, 109, 143)}},
    {15, {RGB(241, 249, 255), RGB(244, 247, 222), RGB(255, 255, 255)}},
    {16, {RGB(42, 102, 201), RGB(116, 134, 94), RGB(122, 121, 153)}},
    {18, {RGB(0, 45, 150), RGB(117, 141, 94), RGB(124, 124, 148)}},
    {21, {RGB(0, 0, 128), RGB(63, 93, 56), RGB(75, 75, 111)}},
    {22, {RGB(255, 244, 204), RGB(255, 244, 204), RGB(255, 244, 204)}},
    {23, {RGB(255, 208, 145), RGB(255, 208, 145), RGB(255, 208, 145)}},
    {24, {RGB(255, 211, 142), RGB(255, 211, 142), RGB(255, 211, 142)}},
    {25, {RGB(254, 145, 78), RGB(254, 145, 78), RGB(254, 145, 78)}},
    {30, {RGB(0, 0, 0), RGB(0, 0, 0), RGB(0, 0, 0)}},
    {31, {RGB(141, 141, 141), RGB(141, 141, 141), RGB(141, 141, 141)}},
    {32, {RGB(190, 218, 251), RGB(175, 186, 145), RGB(229, 229, 235)}},
    {33, {RGB(251, 230, 148), RGB(251, 230, 148), RGB(251, 230, 148)}},
    {34, {RGB(196, 218, 250), RGB(242, 241, 228), RGB(243, 243, 247)}},
    {35, {RGB(0, 45, 150), RGB(96, 128, 88), RGB(124, 124, 148)}},
};

TColor TableColor(TvdOffice11Scheme scheme, int index) {
  for (const TSchemeEntry& e : kSchemeTable)
    if (e.Index == index) return static_cast<TColor>(e.Colors[scheme - 1]);
  return clBlack;
}

TColor Rgb(int r, int g, int b) { return static_cast<TColor>(RGB(r, g, b)); }

// The light colours of the three-colour mix, as the screen shows them or as mixed.
TColor NearestLight(int pFace, int pHighlight, int pWindow) {
  return vxGetNearestColor(static_cast<TColor>(vxGetLightColor(pFace, pHighlight, pWindow)));
}

// A solid brush that deletes itself.
struct TBrushDeleter {
  void operator()(HBRUSH brush) const { DeleteObject(brush); }
};
using TOwnedBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, TBrushDeleter>;

struct TOffice11State {
  TvdOffice11Scheme Scheme = schNone;
  TvdOffice11Colors Colors;
  std::unique_ptr<TBitmap> SubMenuExpand, ExpandMinus, ExpandPlus;
  TOwnedBrush SelectionBrush, HotBrush, PressedBrush;
  int Users = 0;
};

// clBtnFace lightened channel by channel, as the screen shows it.
TColor LightenedFace(int (*channel)(int)) {
  const COLORREF face = ColorToRGB(clBtnFace);
  return vxGetNearestColor(
      Rgb(channel(GetRValue(face)), channel(GetGValue(face)), channel(GetBValue(face))));
}

TOwnedBrush SolidBrush(TColor color) { return TOwnedBrush(CreateSolidBrush(ColorToRGB(color))); }

TOffice11State GState;

TvdOffice11Scheme ChooseScheme() {
  if (!AreVisualStylesUsable()) return schNone;
  WideString file, color, size;
  if (FAILED(GetCurrentThemeName(file, color, size))) return schNone;
  return vdOffice11SchemeFromThemeName(file, color, size);
}

void BuildColors() {
  GState.Scheme = ChooseScheme();
  TvdOffice11Colors colors = vdOffice11ColorsForScheme(GState.Scheme);
  // The bitmaps' colours survive a rebuild until the bitmaps load again.
  colors.Scheme[22] = GState.Colors.Scheme[22];
  colors.Scheme[23] = GState.Colors.Scheme[23];
  GState.Colors = colors;
}

std::unique_ptr<TBitmap> LoadResourceBitmap(const char* name) {
  auto bitmap = std::make_unique<TBitmap>();
  if (!bitmap->LoadFromResourceName(nullptr, name)) return nullptr;
  return bitmap;
}

void LoadBitmaps() {
  GState.SubMenuExpand = LoadResourceBitmap("VDSUBMENUEXPAND");
  if (GState.SubMenuExpand) vdRecolorBitmap(*GState.SubMenuExpand, Office11SchemeColor6(), Office11SchemeColor17());
  GState.ExpandMinus = LoadResourceBitmap("VDEXPANDBUTTON_MINUS");
  GState.ExpandPlus = LoadResourceBitmap("VDEXPANDBUTTON_PLUS");
  TColor* c = GState.Colors.Scheme.data();
  if (GState.Scheme != schNone) {
    c[22] = TableColor(GState.Scheme, 23);
    c[23] = TableColor(GState.Scheme, 25);
  } else {
    c[22] = NearestLight(-2, 30, 72);
    c[23] = NearestLight(14, 44, 40);
  }
  GState.SelectionBrush = SolidBrush(c[7]);
  GState.HotBrush = SolidBrush(c[13]);
  GState.PressedBrush = SolidBrush(c[14]);
}

void FreeBitmaps() {
  GState.SubMenuExpand.reset();
  GState.ExpandMinus.reset();
  GState.ExpandPlus.reset();
  GState.SelectionBrush.reset();
  GState.HotBrush.reset();
  GState.PressedBrush.reset();
}

int Channel(COLORREF c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

}  // namespace

TvdOffice11Scheme vdOffice11SchemeFromThemeName(const WideString& fileName, const WideString& colorName,
                                                 const WideString& sizeName) {
  if (WideUpperCase(ExtractFileNameW(fileName)) != L"LUNA.MSSTYLES") return schNone;
  const WideString color = WideUpperCase(colorName);
  if (color == L"NORMALCOLOR") return schBlue;
  if (color == L"HOMESTEAD") return schOlive;
  if (color == L"METALLIC") return schSilver;
  return schNone;
}

TvdOffice11Colors vdOffice11ColorsForScheme(TvdOffice11Scheme scheme) {
  TvdOffice11Colors result;
  TColor* c = result.Scheme.data();
  if (scheme != schNone) {
    auto t = [scheme](int index) { return TableColor(scheme, index); };
    c[1] = vdMixColors(t(4), t(11), 50);
    c[2] = t(16);
    c[3] = clWhite;
    c[4] = t(2);
    c[5] = t(32);
    c[6] = t(0);
    c[7] = t(33);
    c[8] = t(35);
    c[9] = t(34);
    c[10] = t(3);
    c[11] = t(21);
    c[12] = t(18);
    c[13] = t(22);
    c[14] = t(24);
    c[15] = t(31);
    c[16] = t(30);
    c[17] = t(1);
    c[18] = t(14);
    c[19] = t(15);
  } else {
    c[1] = vdMixColors(clBtnShadow, clBtnFace, 50);
    c[2] = clBtnShadow;
    c[3] = clBtnHighlight;
    c[4] = clBtnFace;
    c[5] = clBtnFace;
    c[6] = vdMixColors(clBtnFace, clWindow, 22);
    c[7] = static_cast<TColor>(vxGetLightColor(41, 11, 48));
    c[8] = clBtnShadow;
    c[9] = clBtnFace;
    c[10] = vdMixColors(clBtnFace, clWindow, 20);
    c[11] = clHighlight;
    c[12] = clBtnShadow;
    c[13] = NearestLight(-2, 30, 72);
    c[14] = NearestLight(14, 44, 40);
    c[15] = clGrayText;
    c[16] = clBtnText;
    c[17] = vdMixColors(clBtnFace, clWindow, 96);
    c[18] = vdMixColors(clBtnShadow, clWindow, 70);
    c[19] = clWhite;
  }
  c[20] = Rgb(158, 174, 191);
  c[21] = Rgb(46, 70, 95);

  constexpr int kPercents[] = {75, 41, 125, 40};
  result.Percent = kPercents[scheme];
  TvdOffice11MoreColors& more = result.More;
  more.FaceWindow85 = vdMixColors(clBtnFace, clWindow, 85);
  more.ShadowWindow74 = vdMixColors(clBtnShadow, clWindow, 74);
  more.ShadowWindow76 = vdMixColors(clBtnShadow, clWindow, 76);
  more.Light1 = NearestLight(-15, 29, 86);
  more.Light2 = NearestLight(42, 11, 47);
  more.FaceStrong = LightenedFace([](int x) { return x * 127 / 255 + 128; });
  more.FaceSlight = LightenedFace([](int x) { return x + 4 - x * 4 / 255; });
  more.Shade90 = vdMixColors(c[4], clBlack, 90);
  more.Shade50 = vdMixColors(c[4], clBlack, 50);
  more.Highlight = scheme != schNone ? Rgb(253, 238, 201) : c[7];
  return result;
}

TvdOffice11Scheme vdOffice11Scheme() { return GState.Scheme; }

bool IsOffice11SchemeActive() { return AreVisualStylesUsable() && GState.Scheme != schNone; }

void AddOffice11ColorsUser() {
  if (GState.Users == 0) {
    BuildColors();
    LoadBitmaps();
  }
  ++GState.Users;
}

void ReleaseOffice11ColorsUser() {
  if (GState.Users == 0) return;
  if (--GState.Users == 0) FreeBitmaps();
}

void RefreshOffice11Colors() {
  BuildColors();
  if (GState.Users > 0) {
    FreeBitmaps();
    LoadBitmaps();
  }
}

int vdOffice11ColorsUserCount() { return GState.Users; }

TColor Office11SchemeColor(int index) { return GState.Colors.Scheme.at(static_cast<size_t>(index)); }

const TvdOffice11Colors& vdOffice11Colors() { return GState.Colors; }

HBRUSH vdOffice11SelectionBrush() { return GState.SelectionBrush.get(); }

HBRUSH vdOffice11HotBrush() { return GState.HotBrush.get(); }

HBRUSH vdOffice11PressedBrush() { return GState.PressedBrush.get(); }

TBitmap* vdOffice11SubMenuExpandBitmap() { return GState.SubMenuExpand.get(); }

TBitmap* vdOffice11ExpandButtonBitmap(bool expanded) {
  return expanded ? GState.ExpandMinus.get() : GState.ExpandPlus.get();
}

void vdRecolorBitmap(TBitmap& bitmap, TColor light, TColor dark) {
  if (bitmap.Empty()) return;
  COLORREF lightRgb = ColorToRGB(light), darkRgb = ColorToRGB(dark);
  if (lightRgb == darkRgb) darkRgb = lightRgb == RGB(0, 0, 0) ? RGB(255, 255, 255) : RGB(0, 0, 0);
  TCanvas& canvas = bitmap.Canvas();
  const TColor transparent = canvas.Pixels(0, 0);
  auto coloured = [&](TColor p) { return p != transparent && p != clBlack; };
  int highest = 1, lowest = 255;
  for (int x = 0; x < bitmap.Width(); ++x) {
    for (int y = 0; y < bitmap.Height(); ++y) {
      const TColor p = canvas.Pixels(x, y);
      if (!coloured(p)) continue;
      highest = std::max(highest, Channel(static_cast<COLORREF>(p), 0));
      lowest = std::min(lowest, Channel(static_cast<COLORREF>(p), 0));
    }
  }
  for (int x = 0; x < bitmap.Width(); ++x) {
    for (int y = 0; y < bitmap.Height(); ++y) {
      const TColor p = canvas.Pixels(x, y);
      if (!coloured(p)) continue;
      // All reds equal would divide by zero: those pixels take the light colour.
      const int percent =
          highest == lowest ? 100 : MulDiv(Channel(static_cast<COLORREF>(p), 0) - lowest, 100, highest - lowest);
      canvas.SetPixels(x, y, vdMixColors(static_cast<TColor>(lightRgb), static_cast<TColor>(darkRgb), percent));
    }
  }
}

TColor vdMixColors(TColor c1, TColor c2, int percent) {
  const COLORREF a = ColorToRGB(c1), b = ColorToRGB(c2);
  auto mix = [&](int shift) {
    return std::clamp(MulDiv(Channel(a, shift), percent, 100) + MulDiv(Channel(b, shift), 100 - percent, 100), 0, 255);
  };
  return vxGetNearestColor(Rgb(mix(0), mix(8), mix(16)));
}

int FillGradientRect(HDC dc, const RECT& r, TColor c1, bool horizontal, TColor c2) {
  const COLORREF a = ColorToRGB(c1), b = ColorToRGB(c2);
  auto fill = [dc](const RECT& band, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    ::FillRect(dc, &band, brush);
    DeleteObject(brush);
  };
  if (a == b) {
    fill(r, a);
    return 1;
  }
  const int start = horizontal ? r.left : r.top;
  const int extent = (horizontal ? r.right : r.bottom) - start;
  if (extent <= 0) return 0;
  const int bands = std::min(extent, 256);
  int fills = 0;
  int bandStart = start;
  for (int i = 0; i < bands; ++i) {
    const int bandEnd = start + MulDiv(i + 1, extent, bands);
    // One band has no step to the second colour (and MulDiv by 0 would give -1).
    auto channel = [&](int shift) {
      const int from = Channel(a, shift);
      return bands == 1 ? from : from + MulDiv(i, Channel(b, shift) - from, bands - 1);
    };
    if (bandEnd > bandStart) {
      fill(horizontal ? RECT{bandStart, r.top, bandEnd, r.bottom} : RECT{r.left, bandStart, r.right, bandEnd},
           RGB(channel(0), channel(8), channel(16)));
      ++fills;
    }
    bandStart = bandEnd;
    if (bandEnd >= start + extent) break;
  }
  return fills;
}
