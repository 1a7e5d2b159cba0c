// The drawing vocabulary of the control library: TvxCanvas wraps a class-library canvas with
// the fills, frames, three-dimensional edges, text output and clip-region handling that the
// look-and-feel painters need; TvxRegion owns a GDI region; TvxScreenCanvas measures text on
// the screen's device context; and a few colour and rectangle helpers.
//
// Coordinates are logical coordinates of the wrapped canvas. Clip regions, which GDI keeps in
// device coordinates, are shifted by the drawing offset (viewport origin less window origin)
// where the routines are asked to consider the origin.
//
// Ownership: a TvxCanvas does not own the canvas it wraps; the shared screen canvas lives from
// InitializevxGraphics to FinalizevxGraphics.
#pragma once

#include "platform/gui/Graphics.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>

// --- Borders ---------------------------------------------------------------------------

// One side of a rectangle, as a bit of TvxBorders.
enum TvxBorder : uint8_t { bLeft = 1, bTop = 2, bRight = 4, bBottom = 8 };
using TvxBorders = uint8_t;
constexpr TvxBorders vxBordersAll = bLeft | bTop | bRight | bBottom;

// --- Text flags ------------------------------------------------------------------------

// The library's text flags; vxTextFlagsToDrawTextFlags turns them into DrawText flags.
using TvxTextFlags = uint16_t;
enum : TvxTextFlags {
  vxAlignLeft = 1,
  vxAlignRight = 2,
  vxAlignHCenter = 4,
  vxAlignTop = 8,
  vxAlignBottom = 16,
  vxAlignVCenter = 32,
  vxSingleLine = 64,
  vxDontClip = 128,
  vxExpandTabs = 256,
  vxShowPrefix = 512,
  vxWordBreak = 1024,
  vxShowEndEllipsis = 2048,
  vxDontPrint = 4096,
  vxShowPathEllipsis = 8192,
  vxDontBreakChars = 16384,
};

// DT_NOPREFIX unless vxShowPrefix; word breaks also keep to whole characters (DT_EDITCONTROL)
// unless vxDontBreakChars.
UINT vxTextFlagsToDrawTextFlags(TvxTextFlags flags);

// --- Regions ---------------------------------------------------------------------------

enum TvxRegionOperation : uint8_t { roCopy = 0, roAdd = 1, roSubtract = 2, roIntersect = 3 };

// An owned GDI region.
class TvxRegion {
public:
  TvxRegion();                          // empty (the rectangle 0, 0, 0, 0)
  explicit TvxRegion(HRGN region);      // takes ownership
  explicit TvxRegion(const RECT& r);
  TvxRegion(int left, int top, int right, int bottom);
  ~TvxRegion();
  TvxRegion(const TvxRegion&) = delete;
  TvxRegion& operator=(const TvxRegion&) = delete;

  HRGN Handle() const { return FHandle; }
  bool IsEmpty() const;
  RECT BoundsRect() const;
  // Copy: this region becomes a copy of the argument (its own shape does not matter);
  // otherwise the two are combined into this one. The owning form frees the argument.
  void Combine(const TvxRegion& region, TvxRegionOperation operation);
  void Combine(std::unique_ptr<TvxRegion> region, TvxRegionOperation operation);
  void Offset(int dx, int dy);

private:
  HRGN FHandle;
};

// --- Canvas ----------------------------------------------------------------------------

// A fill: a bitmap to tile (may be nullptr) and the colour used without one.
struct TvxBackground {
  TBitmap* Bitmap = nullptr;
  TColor Color = clBtnFace;
};

class TvxCanvas {
public:
  explicit TvxCanvas(TCanvas& canvas) : FCanvas(&canvas) {}
  virtual ~TvxCanvas() = default;
  TvxCanvas(const TvxCanvas&) = delete;
  TvxCanvas& operator=(const TvxCanvas&) = delete;

  TCanvas& Canvas() { return *FCanvas; }
  TBrush& Brush() { return FCanvas->Brush(); }
  TFont& Font() { return FCanvas->Font(); }
  TPen& Pen() { return FCanvas->Pen(); }
  HDC Handle() { return FCanvas->Handle(); }
  void SetFont(const TFont& font) { FCanvas->Font().Assign(&font); }
  void SetBrushColor(TColor color);

  POINT WindowOrg();
  POINT ViewportOrg();
  POINT DCOrigin();  // viewport origin less window origin: where logical (0, 0) lands

  // Lines, polygons, pixels and copies, as the wrapped canvas draws them.
  void MoveTo(int x, int y) { FCanvas->MoveTo(x, y); }
  void LineTo(int x, int y) { FCanvas->LineTo(x, y); }
  void Polygon(std::span<const POINT> points) { FCanvas->Polygon(points); }
  TColor Pixels(int x, int y) { return FCanvas->Pixels(x, y); }
  void SetPixels(int x, int y, TColor color) { FCanvas->SetPixels(x, y, color); }
  void Draw(int x, int y, TBitmap& bitmap) { FCanvas->Draw(x, y, bitmap); }
  void CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect) {
    FCanvas->CopyRect(dest, source, sourceRect);
  }
  void SetCopyMode(DWORD mode) { FCanvas->SetCopyMode(mode); }

  // Fills with the brush, or tiles the bitmap on a grid anchored at (0, 0); afterwards the
  // rectangle leaves the clip region when asked. Nothing for an empty rectangle.
  void FillRect(const RECT& r, TBitmap* bitmap = nullptr, bool excludeRect = false);
  void FillRect(const RECT& r, TColor color);  // solid, in the colour
  // The sides of the border set, each width pixels wide and kept inside the rectangle, in the
  // colour (clDefault: the current brush).
  void FrameRect(const RECT& r, TColor color = clDefault, int lineWidth = 1, TvxBorders borders = vxBordersAll,
                 bool excludeFrame = false);
  // Left and top sides in leftTopColor, right and bottom in rightBottomColor.
  void DrawComplexFrame(const RECT& r, TColor leftTopColor, TColor rightBottomColor,
                        TvxBorders borders = vxBordersAll, int lineWidth = 1);
  // A one-pixel three-dimensional edge in the system's edge colours.
  void DrawEdge(const RECT& r, bool sunken, bool outer, TvxBorders borders = vxBordersAll);
  void DrawFocusRect(const RECT& r);
  void DrawFrameAndFill(const RECT& r, const TvxBackground& background, bool excludeFrame, int lineWidth,
                        TColor frameColor, TvxBorders borders = vxBordersAll);
  void InvertRect(const RECT& r);

  // Text in the canvas font. A disabled text is embossed (clBtnHighlight one pixel right and
  // down, then clBtnShadow), keeping one more pixel free at the right or bottom.
  void DrawText(const AnsiString& text, const RECT& r, TvxTextFlags flags, bool enabled = true);
  RECT CalculateTextRect(const AnsiString& text, const RECT& r, TvxTextFlags flags);
  SIZE TextExtent(const AnsiString& text) { return FCanvas->TextExtent(text); }
  int TextWidth(const AnsiString& text) { return TextExtent(text).cx; }
  int TextHeight(const AnsiString& text) { return TextExtent(text).cy; }
  int FontHeight(const TFont& font);  // the height of "Qq" in that font (which stays assigned)

  void ExcludeClipRect(const RECT& r) { FCanvas->ExcludeClipRect(r); }
  void IntersectClipRect(const RECT& r) { FCanvas->IntersectClipRect(r); }
  // The clip region, or the rectangle 0, 0, 30000, 30000 when there is none.
  std::unique_ptr<TvxRegion> GetClipRegion(bool considerOrigin = true);
  // Copy selects the region as the clip region; another operation combines the current clip
  // region with it first. The first form leaves the region as it was, the second frees it.
  void SetClipRegion(TvxRegion& region, TvxRegionOperation operation, bool considerOrigin = true);
  void SetClipRegion(std::unique_ptr<TvxRegion> region, TvxRegionOperation operation, bool considerOrigin = true);

private:
  TCanvas* FCanvas;
};

// A canvas on the screen's device context, for measuring without a window. The device
// context is taken when first used and given back by Dormant and the destructor.
class TvxScreenCanvas : public TvxCanvas {
public:
  TvxScreenCanvas();
  ~TvxScreenCanvas() override;
  void Dormant();

private:
  explicit TvxScreenCanvas(std::unique_ptr<TCanvas> canvas);
  std::unique_ptr<TCanvas> FScreenCanvas;
};

// The shared screen canvas (InitializevxGraphics to FinalizevxGraphics; nullptr outside).
TvxScreenCanvas* vxScreenCanvas();

// --- Helpers ---------------------------------------------------------------------------

// Moves each side of r inward by the margin of that side (margins.left to r.left, ...).
void vxShrinkRect(RECT& r, const RECT& margins);
// The colour the screen shows for a colour.
TColor vxGetNearestColor(TColor color);
// Per channel face * pFace/100 + highlight * pHighlight/100 + window * pWindow/100 (each
// product rounded as MulDiv does), clamped to 0..255; the highlight itself when the face is
// pure black or white. Colours as RGB values.
COLORREF vxMixLightColor(COLORREF face, COLORREF highlight, COLORREF window, int pFace, int pHighlight,
                         int pWindow);
// The same from the system's face, highlight and window colours.
COLORREF vxGetLightColor(int pFace, int pHighlight, int pWindow);
// Backgrounds of hot-tracked and pressed buttons: light tints of the highlight colour.
TColor vxGetHotTrackColor();
TColor vxGetPressedColor();
// Turns the bitmap a quarter (1: counter-clockwise, 2: clockwise) or a half (3) turn, or
// mirrors it (with rotation 0 upside down; 1 transposed; 2 both ways after a clockwise turn;
// 3 left and right).
void vxRotateBitmap(TBitmap& bitmap, int rotation, bool mirror);

void InitializevxGraphics();
void FinalizevxGraphics();
