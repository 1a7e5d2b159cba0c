#include "controls/vxGraphics.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace {

// Where no clip region is set, the clip region reads as this square: larger than any screen.
constexpr int kMaxRegionSize = 30000;

std::unique_ptr<TvxScreenCanvas> GScreenCanvas;

// A canvas on GetDC(0), taken when first drawn on and given back when freed.
class TScreenDCCanvas : public TCanvas {
public:
  ~TScreenDCCanvas() override { FreeHandle(); }

protected:
  void CreateHandle() override { SetHandle(GetDC(nullptr)); }
  void ReleaseHandle(HDC dc) override { ReleaseDC(nullptr, dc); }
};

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

int ClampChannel(int v) { return std::clamp(v, 0, 255); }

}  // namespace

UINT vxTextFlagsToDrawTextFlags(TvxTextFlags flags) {
  UINT result = (flags & vxShowPrefix) ? 0 : DT_NOPREFIX;
  if (flags & vxAlignRight) result |= DT_RIGHT;
  if (flags & vxAlignHCenter) result |= DT_CENTER;
  if (flags & vxAlignBottom) result |= DT_BOTTOM;
  if (flags & vxAlignVCenter) result |= DT_VCENTER;
  if (flags & vxSingleLine) result |= DT_SINGLELINE;
  if (flags & vxDontClip) result |= DT_NOCLIP;
  if (flags & vxExpandTabs) result |= DT_EXPANDTABS;
  if (flags & vxWordBreak) {
    result |= DT_WORDBREAK;
    if (!(flags & vxDontBreakChars)) result |= DT_EDITCONTROL;
  }
  if (flags & vxShowEndEllipsis) result |= DT_END_ELLIPSIS;
  if (flags & vxDontPrint) result |= DT_CALCRECT;
  if (flags & vxShowPathEllipsis) result |= DT_PATH_ELLIPSIS;
  return result;
}

// --- TvxRegion -------------------------------------------------------------------------

TvxRegion::TvxRegion() : FHandle(CreateRectRgn(0, 0, 0, 0)) {}

TvxRegion::TvxRegion(HRGN region) : FHandle(region) {}

TvxRegion::TvxRegion(const RECT& r) : FHandle(CreateRectRgnIndirect(&r)) {}

TvxRegion::TvxRegion(int left, int top, int right, int bottom) : FHandle(CreateRectRgn(left, top, right, bottom)) {}

TvxRegion::~TvxRegion() {
  if (FHandle != nullptr) DeleteObject(FHandle);
  FHandle = nullptr;
}

bool TvxRegion::IsEmpty() const {
  RECT r{};
  return GetRgnBox(FHandle, &r) == NULLREGION;
}

RECT TvxRegion::BoundsRect() const {
  RECT r{};
  GetRgnBox(FHandle, &r);
  return r;
}

void TvxRegion::Combine(const TvxRegion& region, TvxRegionOperation operation) {
  static const int kModes[] = {RGN_COPY, RGN_OR, RGN_DIFF, RGN_AND};
  if (operation == roCopy)
    CombineRgn(FHandle, region.Handle(), nullptr, RGN_COPY);
  else
    CombineRgn(FHandle, FHandle, region.Handle(), kModes[operation & 3]);
}

void TvxRegion::Combine(std::unique_ptr<TvxRegion> region, TvxRegionOperation operation) {
  Combine(*region, operation);
}

void TvxRegion::Offset(int dx, int dy) { OffsetRgn(FHandle, dx, dy); }

// --- TvxCanvas -------------------------------------------------------------------------

void TvxCanvas::SetBrushColor(TColor color) {
  if (Brush().Color() != color) Brush().SetColor(color);
}

POINT TvxCanvas::WindowOrg() {
  POINT p{};
  GetWindowOrgEx(Handle(), &p);
  return p;
}

POINT TvxCanvas::ViewportOrg() {
  POINT p{};
  GetViewportOrgEx(Handle(), &p);
  return p;
}

POINT TvxCanvas::DCOrigin() {
  POINT window = WindowOrg(), viewport = ViewportOrg();
  return POINT{viewport.x - window.x, viewport.y - window.y};
}

void TvxCanvas::FillRect(const RECT& r, TBitmap* bitmap, bool excludeRect) {
  if (IsRectEmpty(&r)) return;
  if (bitmap == nullptr || bitmap->Empty()) {
    FCanvas->FillRect(r);
  } else {
    // Tiles on a grid anchored at the origin, so neighbouring fills line up.
    const int w = bitmap->Width(), h = bitmap->Height();
    HDC source = bitmap->Canvas().Handle();
    HDC dest = Handle();
    for (int cy = FloorDiv(r.top, h) * h; cy < r.bottom; cy += h) {
      for (int cx = FloorDiv(r.left, w) * w; cx < r.right; cx += w) {
        RECT cell{cx, cy, cx + w, cy + h}, part{};
        if (!IntersectRect(&part, &cell, &r)) continue;
        BitBlt(dest, part.left, part.top, part.right - part.left, part.bottom - part.top, source, part.left - cx,
               part.top - cy, SRCCOPY);
      }
    }
  }
  if (excludeRect) ExcludeClipRect(r);
}

void TvxCanvas::FillRect(const RECT& r, TColor color) {
  Brush().SetColor(color);  // also makes a clear brush solid again
  FillRect(r);
}

void TvxCanvas::FrameRect(const RECT& r, TColor color, int lineWidth, TvxBorders borders, bool excludeFrame) {
  if (IsRectEmpty(&r)) return;
  if (color != clDefault) Brush().SetColor(color);
  if (borders & bLeft)
    FillRect(RECT{r.left, r.top, std::min<int>(r.left + lineWidth, r.right), r.bottom}, nullptr, excludeFrame);
  if (borders & bRight)
    FillRect(RECT{std::max<int>(r.right - lineWidth, r.left), r.top, r.right, r.bottom}, nullptr, excludeFrame);
  if (borders & bTop)
    FillRect(RECT{r.left, r.top, r.right, std::min<int>(r.top + lineWidth, r.bottom)}, nullptr, excludeFrame);
  if (borders & bBottom)
    FillRect(RECT{r.left, std::max<int>(r.bottom - lineWidth, r.top), r.right, r.bottom}, nullptr, excludeFrame);
}

void TvxCanvas::DrawComplexFrame(const RECT& r, TColor leftTopColor, TColor rightBottomColor, TvxBorders borders,
                                 int lineWidth) {
  if (borders & bLeft) FillRect(RECT{r.left, r.top, r.left + lineWidth, r.bottom}, leftTopColor);
  if (borders & bTop) FillRect(RECT{r.left, r.top, r.right, r.top + lineWidth}, leftTopColor);
  if (borders & bRight) FillRect(RECT{r.right - lineWidth, r.top, r.right, r.bottom}, rightBottomColor);
  if (borders & bBottom) FillRect(RECT{r.left, r.bottom - lineWidth, r.right, r.bottom}, rightBottomColor);
}

void TvxCanvas::DrawEdge(const RECT& r, bool sunken, bool outer, TvxBorders borders) {
  TColor first, second;
  if (!sunken) {
    first = outer ? cl3DLight : clBtnHighlight;
    second = outer ? cl3DDkShadow : clBtnShadow;
  } else {
    first = outer ? clBtnShadow : cl3DDkShadow;
    second = outer ? clBtnHighlight : cl3DLight;
  }
  DrawComplexFrame(r, first, second, borders, 1);
}

void TvxCanvas::DrawFocusRect(const RECT& r) {
  SetBrushColor(clWhite);
  Font().SetColor(clBlack);
  FCanvas->DrawFocusRect(r);
}

void TvxCanvas::DrawFrameAndFill(const RECT& r, const TvxBackground& background, bool excludeFrame, int lineWidth,
                                 TColor frameColor, TvxBorders borders) {
  FrameRect(r, frameColor, lineWidth, borders, excludeFrame);
  RECT inner = r;
  if (borders & bLeft) inner.left += lineWidth;
  if (borders & bTop) inner.top += lineWidth;
  if (borders & bRight) inner.right -= lineWidth;
  if (borders & bBottom) inner.bottom -= lineWidth;
  Brush().SetColor(background.Color);
  FillRect(inner, background.Bitmap);
}

void TvxCanvas::InvertRect(const RECT& r) {
  FCanvas->SetCopyMode(DSTINVERT);
  FCanvas->CopyRect(r, *FCanvas, r);
  FCanvas->SetCopyMode(SRCCOPY);
}

void TvxCanvas::DrawText(const AnsiString& text, const RECT& r, TvxTextFlags flags, bool enabled) {
  if (text.empty()) return;
  const TBrushStyle savedStyle = Brush().Style();
  const TColor savedColor = Font().Color();
  // A disabled text keeps one more pixel at the right and bottom free for its shadow.
  const int shadow = enabled ? 0 : 1;
  std::function<void(int, int)> draw;

  // Tabs and measuring need DrawText; so do the prefix character and the ellipses.
  const TvxTextFlags needsDrawText = vxShowPrefix | vxShowEndEllipsis | vxShowPathEllipsis | vxExpandTabs | vxDontPrint;
  if ((flags & vxSingleLine) && !(flags & needsDrawText)) {
    const SIZE size = TextExtent(text);
    int x = r.left, y = r.top;
    if (flags & vxAlignRight)
      x = r.right - shadow - size.cx;
    else if (flags & vxAlignHCenter)
      x = (r.left + r.right - shadow - size.cx) / 2;
    if (flags & vxAlignBottom)
      y = r.bottom - shadow - size.cy;
    else if (flags & vxAlignVCenter)
      y = (r.top + r.bottom - shadow - size.cy) / 2;
    const bool fits = size.cx <= r.right - r.left && size.cy <= r.bottom - r.top;
    const UINT options = (flags & vxDontClip) || fits ? 0 : ETO_CLIPPED;
    draw = [&, x, y, options](int dx, int dy) { FCanvas->ExtTextOut(x + dx, y + dy, options, &r, text); };
  } else {
    const UINT format = vxTextFlagsToDrawTextFlags(flags);
    RECT place = r;
    if (!(flags & vxSingleLine) && (flags & (vxAlignBottom | vxAlignVCenter))) {
      // DrawText places only single lines vertically: measure the block and move it.
      RECT calc = r;
      FCanvas->DrawText(text, calc, format | DT_CALCRECT);
      const int height = calc.bottom - calc.top;
      place.top = (flags & vxAlignBottom) ? place.bottom - height : (place.top + place.bottom - height) / 2;
    }
    draw = [&, place, format](int dx, int dy) {
      RECT at = place;
      OffsetRect(&at, dx, dy);
      FCanvas->DrawText(text, at, format);
    };
  }

  if (enabled) {
    draw(0, 0);
  } else {
    Brush().SetStyle(TBrushStyle::bsClear);
    Font().SetColor(clBtnHighlight);
    draw(1, 1);
    Font().SetColor(clBtnShadow);
    draw(0, 0);
  }
  Brush().SetStyle(savedStyle);
  Font().SetColor(savedColor);
}

RECT TvxCanvas::CalculateTextRect(const AnsiString& text, const RECT& r, TvxTextFlags flags) {
  RECT result = r;
  FCanvas->DrawText(text, result, vxTextFlagsToDrawTextFlags(flags & ~vxAlignVCenter) | DT_CALCRECT);
  return result;
}

int TvxCanvas::FontHeight(const TFont& font) {
  SetFont(font);
  return TextHeight("Qq");
}

std::unique_ptr<TvxRegion> TvxCanvas::GetClipRegion(bool considerOrigin) {
  auto region = std::make_unique<TvxRegion>();
  if (GetClipRgn(Handle(), region->Handle()) != 1)
    SetRectRgn(region->Handle(), 0, 0, kMaxRegionSize, kMaxRegionSize);
  if (considerOrigin) {
    const POINT origin = DCOrigin();
    region->Offset(-origin.x, -origin.y);
  }
  return region;
}

void TvxCanvas::SetClipRegion(TvxRegion& region, TvxRegionOperation operation, bool considerOrigin) {
  if (operation != roCopy) {
    std::unique_ptr<TvxRegion> clip = GetClipRegion(considerOrigin);
    clip->Combine(region, operation);
    SetClipRegion(std::move(clip), roCopy, considerOrigin);
    return;
  }
  const POINT origin = considerOrigin ? DCOrigin() : POINT{0, 0};
  region.Offset(origin.x, origin.y);
  SelectClipRgn(Handle(), region.Handle());
  region.Offset(-origin.x, -origin.y);
}

void TvxCanvas::SetClipRegion(std::unique_ptr<TvxRegion> region, TvxRegionOperation operation, bool considerOrigin) {
  SetClipRegion(*region, operation, considerOrigin);
}

// --- TvxScreenCanvas -------------------------------------------------------------------

namespace {

std::unique_ptr<TCanvas> MakeScreenDCCanvas() { return std::make_unique<TScreenDCCanvas>(); }

}  // namespace

TvxScreenCanvas::TvxScreenCanvas() : TvxScreenCanvas(MakeScreenDCCanvas()) {}

TvxScreenCanvas::TvxScreenCanvas(std::unique_ptr<TCanvas> canvas)
    : TvxCanvas(*canvas), FScreenCanvas(std::move(canvas)) {}

TvxScreenCanvas::~TvxScreenCanvas() = default;

void TvxScreenCanvas::Dormant() { FScreenCanvas->FreeHandle(); }

TvxScreenCanvas* vxScreenCanvas() { return GScreenCanvas.get(); }

// --- Helpers ---------------------------------------------------------------------------

void vxShrinkRect(RECT& r, const RECT& margins) {
  r.left += margins.left;
  r.top += margins.top;
  r.right -= margins.right;
  r.bottom -= margins.bottom;
}

TColor vxGetNearestColor(TColor color) {
  HDC dc = GetDC(nullptr);
  COLORREF nearest = GetNearestColor(dc, ColorToRGB(color));
  ReleaseDC(nullptr, dc);
  return static_cast<TColor>(nearest);
}

COLORREF vxMixLightColor(COLORREF face, COLORREF highlight, COLORREF window, int pFace, int pHighlight,
                         int pWindow) {
  face &= 0x00FFFFFF;
  if (face == 0 || face == 0x00FFFFFF) return highlight & 0x00FFFFFF;
  auto channel = [&](int shift) {
    auto c = [shift](COLORREF rgb) { return static_cast<int>((rgb >> shift) & 0xFF); };
    return ClampChannel(MulDiv(c(face), pFace, 100) + MulDiv(c(highlight), pHighlight, 100) +
                        MulDiv(c(window), pWindow, 100));
  };
  return RGB(channel(0), channel(8), channel(16));
}

COLORREF vxGetLightColor(int pFace, int pHighlight, int pWindow) {
  return vxMixLightColor(GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_WINDOW), pFace,
                         pHighlight, pWindow);
}

TColor vxGetHotTrackColor() { return vxGetNearestColor(static_cast<TColor>(vxGetLightColor(-2, 30, 72))); }

TColor vxGetPressedColor() { return vxGetNearestColor(static_cast<TColor>(vxGetLightColor(14, 44, 40))); }

void vxRotateBitmap(TBitmap& bitmap, int rotation, bool mirror) {
  if ((rotation == 0 && !mirror) || rotation < 0 || rotation > 3 || bitmap.Empty()) return;
  const int w = bitmap.Width(), h = bitmap.Height();
  const std::vector<uint32_t> source = bitmap.ReadPixels32();
  const bool turned = rotation == 1 || rotation == 2;
  const int newWidth = turned ? h : w, newHeight = turned ? w : h;
  std::vector<uint32_t> target(source.size());
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      int nx = x, ny = y;
      switch (rotation) {
        case 0: ny = h - 1 - y; break;  // only with mirror
        case 1:
          nx = y;
          ny = mirror ? x : w - 1 - x;
          break;
        case 2:
          nx = h - 1 - y;
          ny = mirror ? w - 1 - x : x;
          break;
        case 3:
          nx = w - 1 - x;
          ny = mirror ? y : h - 1 - y;
          break;
      }
      target[static_cast<size_t>(ny) * newWidth + nx] = source[static_cast<size_t>(y) * w + x];
    }
  }
  if (turned) bitmap.SetSize(newWidth, newHeight);
  bitmap.WritePixels32(target);
}

void InitializevxGraphics() { GScreenCanvas = std::make_unique<TvxScreenCanvas>(); }

void FinalizevxGraphics() { GScreenCanvas.reset(); }
