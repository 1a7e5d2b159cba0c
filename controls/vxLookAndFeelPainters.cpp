#include "controls/vxLookAndFeelPainters.h"

#include "controls/vdOffice11.h"
#include "controls/vdThemeConsts.h"
#include "controls/vdUxTheme.h"

#include <algorithm>
#include <optional>
#include <vector>

constinit const TvxCustomLookAndFeelPainter vxCustomPainter;
constinit const TvxStandardLookAndFeelPainter vxStandardPainter;
constinit const TvxFlatLookAndFeelPainter vxFlatPainter;
constinit const TvxUltraFlatLookAndFeelPainter vxUltraFlatPainter;
constinit const TvxOffice11LookAndFeelPainter vxOffice11Painter;
constinit const TvxWinXPLookAndFeelPainter vxWinXPPainter;

namespace {

RECT Inflated(RECT r, int dx, int dy) {
  InflateRect(&r, dx, dy);
  return r;
}

RECT Moved(RECT r, int dx, int dy) {
  OffsetRect(&r, dx, dy);
  return r;
}

bool IsEmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// The rectangle with each side of the set moved outward by size (inward when negative).
RECT GrowSides(RECT r, TvxBorders sides, int size) {
  if (sides & bLeft) r.left -= size;
  if (sides & bTop) r.top -= size;
  if (sides & bRight) r.right += size;
  if (sides & bBottom) r.bottom += size;
  return r;
}

int MakeOdd(int n) { return n % 2 == 0 ? n + 1 : n; }

bool IsHotOrPressed(TvxButtonState state) { return state == vxbsHot || state == vxbsPressed; }

size_t StateIndex(TvxButtonState state) { return std::min<size_t>(state, vxbsDisabled); }

// The side routine: the left and top sides in one colour, the right and bottom in another.
void SidePair(TvxCanvas& canvas, const RECT& r, TColor leftTop, TColor rightBottom, TvxBorders borders = vxBordersAll) {
  canvas.DrawComplexFrame(r, leftTop, rightBottom, borders);
}

// The flat look's one-pixel lines, in place of the two-colour 3-D edges.
void FlatRaisedLine(TvxCanvas& canvas, const RECT& r, TvxBorders borders = vxBordersAll) {
  SidePair(canvas, r, clBtnHighlight, clBtnShadow, borders);
}

void FlatSunkenLine(TvxCanvas& canvas, const RECT& r, TvxBorders borders = vxBordersAll) {
  SidePair(canvas, r, clBtnShadow, clBtnHighlight, borders);
}

void SetBrush(TvxCanvas& canvas, TColor color) { canvas.Brush().SetColor(color); }

// Fills with a brush tiled from the pattern and makes the brush solid again.
void FillWithPattern(TvxCanvas& canvas, const RECT& r, TBitmap* pattern) {
  if (pattern == nullptr) return;
  canvas.Brush().SetBitmap(pattern);
  canvas.FillRect(r);
  canvas.Brush().SetBitmap(nullptr);
  canvas.Brush().SetStyle(TBrushStyle::bsSolid);
}

// The scroll-bar page areas of the looks without a style: the face pattern, dark when pressed.
void DrawPageArea(TvxCanvas& canvas, const RECT& r, TvxButtonState state) {
  FillWithPattern(canvas, r, state == vxbsPressed ? vxScrollBarDarkPatternBitmap() : vxScrollBarPatternBitmap());
}

TvxArrowDirection ScrollArrowDirection(bool horizontal, TvxScrollBarPart part) {
  if (horizontal) return part == sbpLineUp ? adLeft : adRight;
  return part == sbpLineUp ? adUp : adDown;
}

bool IsArrowPart(TvxScrollBarPart part) { return part == sbpLineUp || part == sbpLineDown; }
bool IsPagePart(TvxScrollBarPart part) { return part == sbpPageUp || part == sbpPageDown; }

// The classic and flat header border's corner pixels, which round the raised edge off.
void HeaderCornerPixels(TvxCanvas& canvas, const RECT& r, TvxBorders borders) {
  if (borders & bLeft) {
    canvas.SetPixels(r.left, r.top + 1, clBtnFace);
    canvas.SetPixels(r.left, r.bottom - 2, clBtnFace);
  }
  if (borders & bRight) {
    canvas.SetPixels(r.right - 1, r.top, clBtnHighlight);
    canvas.SetPixels(r.right - 1, r.top + 1, clBtnFace);
    canvas.SetPixels(r.right - 1, r.bottom - 2, clBtnFace);
  }
}

// One side of a classic tab. The tab's outer side is its top (its left for a vertical tab);
// lines meeting the outer side stop two pixels short of it, the outer side stops two pixels
// short of each side it meets, and the corner between them gets one highlight pixel.
void ClassicTabBorder(TvxCanvas& canvas, const RECT& r, TvxBorder border, TvxBorders borders, bool vertical) {
  const TvxBorder outer = vertical ? bLeft : bTop;
  const bool dark = (vertical && border == bBottom) || (!vertical && border == bRight);
  RECT line = r;
  if (border == outer) {
    const TvxBorder first = vertical ? bTop : bLeft, last = vertical ? bBottom : bRight;
    if (vertical) {
      if (borders & first) line.top += 2;
      if (borders & last) line.bottom -= 2;
    } else {
      if (borders & first) line.left += 2;
      if (borders & last) line.right -= 2;
    }
    canvas.FillRect(line, dark ? clBtnShadow : clBtnHighlight);
    if (borders & first)
      canvas.SetPixels(vertical ? line.left + 1 : line.left - 1, vertical ? line.top - 1 : line.top + 1,
                       clBtnHighlight);
    if (borders & last)
      canvas.SetPixels(vertical ? line.left + 1 : line.right, vertical ? line.bottom : line.top + 1, clBtnHighlight);
    return;
  }
  if (borders & outer) {
    if (vertical)
      line.left += 2;
    else
      line.top += 2;
  }
  canvas.FillRect(line, dark ? clBtnShadow : clBtnHighlight);
}

// The glyph of the small glyph buttons: a horizontal and a vertical line through the middle,
// drawn twice (the second pass one pixel up and left of the first), so the glyph keeps one
// pixel free at the right and bottom of the rectangle.
void DrawGlyphLines(TvxCanvas& canvas, const RECT& r, TColor shadowPassColor, TColor colorInPlace) {
  RECT g = Inflated(r, -1, -1);
  g.right -= 1;
  g.bottom -= 1;
  if (IsEmptyRect(g)) return;
  const int cx = (g.left + g.right - 1) / 2, cy = (g.top + g.bottom - 1) / 2;
  const struct {
    int Shift;
    TColor Color;
  } passes[] = {{1, shadowPassColor}, {0, colorInPlace}};
  for (const auto& pass : passes) {
    canvas.FillRect(Moved(RECT{g.left, cy, g.right, cy + 1}, pass.Shift, pass.Shift), pass.Color);
    canvas.FillRect(Moved(RECT{cx, g.top, cx + 1, g.bottom}, pass.Shift, pass.Shift), pass.Color);
  }
}

// The classic and flat glyph: one pixel smaller, and moved with a pressed button.
void ClassicButtonGlyph(const TvxCustomLookAndFeelPainter& painter, TvxCanvas& canvas, const RECT& r,
                        TvxButtonState state) {
  RECT rect{r.left, r.top, r.right - 1, r.bottom - 1};
  if (state == vxbsPressed) OffsetRect(&rect, 1, 1);
  painter.TvxCustomLookAndFeelPainter::DrawButtonGlyph(canvas, rect, state);
}

// Two lines of a side frame (the top and bottom rows, or the left and right columns); the
// rectangle then loses them across and grows by one pixel along them.
void SideFrameLines(TvxCanvas& canvas, RECT& r, bool horizontal, TColor first, TColor second) {
  if (horizontal) {
    canvas.FillRect(RECT{r.left, r.top, r.right, r.top + 1}, first);
    canvas.FillRect(RECT{r.left, r.bottom - 1, r.right, r.bottom}, second);
    InflateRect(&r, 1, -1);
  } else {
    canvas.FillRect(RECT{r.left, r.top, r.left + 1, r.bottom}, first);
    canvas.FillRect(RECT{r.right - 1, r.top, r.right, r.bottom}, second);
    InflateRect(&r, -1, 1);
  }
}

bool DrawnByCallback(TvxCanvas& canvas, const RECT& bounds, const TvxDrawBackgroundEvent& onDrawBackground) {
  return onDrawBackground && onDrawBackground(canvas, bounds);
}

// Text over what is there, in the font (nullptr: the canvas's) and colour.
void DrawContentText(TvxCanvas& canvas, const RECT& r, TvxTextFlags flags, const AnsiString& text, const TFont* font,
                     TColor textColor) {
  if (text.empty()) return;
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  if (font != nullptr) canvas.SetFont(*font);
  canvas.Font().SetColor(textColor);
  canvas.DrawText(text, r, flags);
  canvas.Brush().SetStyle(TBrushStyle::bsSolid);
}

// --- Visual styles ---------------------------------------------------------------------

HTHEME ThemeOf(TvdThemedObjectType type) { return OpenTheme(type); }

void DrawThemed(TvxCanvas& canvas, HTHEME theme, int part, int state, const RECT& r) {
  DrawThemeBackground(theme, canvas.Handle(), part, state, r);
}

// The margins of a part as the insets of its content rectangle in a 100 x 100 rectangle.
std::optional<RECT> ThemeMargins(HTHEME theme, int part, int state) {
  const RECT bounds{0, 0, 100, 100};
  RECT content{};
  if (theme == nullptr || FAILED(GetThemeBackgroundContentRect(theme, part, state, bounds, content)))
    return std::nullopt;
  return RECT{content.left, content.top, bounds.right - content.right, bounds.bottom - content.bottom};
}

std::optional<int> ThemeContentMargin(HTHEME theme, int part, int state) {
  if (auto margins = ThemeMargins(theme, part, state)) return margins->left;
  return std::nullopt;
}

std::optional<POINT> ThemePartSize(HTHEME theme, int part, int state) {
  if (theme == nullptr) return std::nullopt;
  HDC screen = GetDC(nullptr);
  SIZE size{};
  const HRESULT result = GetThemePartSize(theme, screen, part, state, tsTrue, size);
  ReleaseDC(nullptr, screen);
  if (FAILED(result)) return std::nullopt;
  return POINT{size.cx, size.cy};
}

// A colour the style defines; a style that lacks it leaves the caller's value.
std::optional<TColor> ThemeColor(HTHEME theme, int part, int state, int property) {
  COLORREF color = 0;
  if (theme == nullptr || FAILED(GetThemeColor(theme, part, state, property, color))) return std::nullopt;
  return static_cast<TColor>(color & 0x00FFFFFF);
}

// --- Shared resources ------------------------------------------------------------------

struct TPainterResources {
  std::unique_ptr<TImageList> IndicatorImages;
  std::unique_ptr<TBitmap> AutoHideOn, AutoHideOff;
  std::unique_ptr<TBitmap> Pattern, DarkPattern;
  std::unique_ptr<TvxSystemPaletteChangedNotifier> PaletteListener;
  std::unique_ptr<TvxRadioButtonImageList> RadioButtons;
};

TPainterResources GResources;
int GInitCount = 0;

// A checkerboard: the first colour where x and y have the same parity.
void PaintPattern(TBitmap& bitmap, TColor even, TColor odd) {
  bitmap.SetSize(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) bitmap.Canvas().SetPixels(x, y, (x % 2) == (y % 2) ? even : odd);
}

// The patterns hold colours resolved when they are painted, so they are painted again when
// the system colours change.
void PaintPatterns() {
  if (GResources.Pattern) PaintPattern(*GResources.Pattern, clBtnFace, clBtnHighlight);
  if (GResources.DarkPattern) PaintPattern(*GResources.DarkPattern, clBlack, cl3DDkShadow);
}

class TSystemPaletteChangedNotifier : public TvxSystemPaletteChangedNotifier {
public:
  TSystemPaletteChangedNotifier() : TvxSystemPaletteChangedNotifier(false) {}
  void DoChanged() override {
    PaintPatterns();
    if (GResources.RadioButtons) GResources.RadioButtons->Rebuild();
    TvxSystemPaletteChangedNotifier::DoChanged();
  }
};

std::unique_ptr<TBitmap> LoadBitmap(const char* name) {
  auto bitmap = std::make_unique<TBitmap>();
  if (!bitmap->LoadFromResourceName(nullptr, name)) return nullptr;
  return bitmap;
}

void LoadIndicatorImages() {
  static const char* const kNames[] = {"VX_ARROWBITMAP", "VX_EDITBITMAP", "VX_INSERTBITMAP", "VX_MULTIDOTBITMAP",
                                       "VX_MULTIARROWBITMAP"};
  for (const char* name : kNames) {
    std::unique_ptr<TBitmap> bitmap = LoadBitmap(name);
    if (!bitmap) continue;
    if (!GResources.IndicatorImages)
      GResources.IndicatorImages = std::make_unique<TImageList>(nullptr, bitmap->Width(), bitmap->Height());
    GResources.IndicatorImages->AddMasked(*bitmap, clWhite);
  }
}

std::unique_ptr<TBitmap> LoadTransparentBitmap(const char* name) {
  std::unique_ptr<TBitmap> bitmap = LoadBitmap(name);
  if (bitmap) bitmap->SetTransparent(true);
  return bitmap;
}

}  // namespace

TvxTextFlags vxAlignmentTextFlags(TAlignment horz, TvxAlignmentVert vert, bool multiLine, bool showEndEllipsis) {
  static constexpr TvxTextFlags kHorz[] = {vxAlignLeft, vxAlignRight, vxAlignHCenter};
  static constexpr TvxTextFlags kVert[] = {vxAlignTop, vxAlignBottom, vxAlignVCenter};
  return kHorz[static_cast<int>(horz)] | kVert[vert] | (multiLine ? vxWordBreak : vxSingleLine) |
         (showEndEllipsis ? vxShowEndEllipsis : 0);
}

TvxLookAndFeelKind vxLookAndFeelStyleToKind(uint8_t style) {
  switch (style) {
    case vxPainterStyleFlat: return lfFlat;
    case vxPainterStyleUltraFlat: return lfUltraFlat;
    case vxPainterStyleOffice11: return lfOffice11;
    default: return lfStandard;
  }
}

TvxLookAndFeelPainterClass vxPainterOfKind(TvxLookAndFeelKind kind) {
  static constexpr TvxLookAndFeelPainterClass kPainters[] = {&vxFlatPainter, &vxStandardPainter, &vxUltraFlatPainter,
                                                             &vxOffice11Painter};
  return kind < std::size(kPainters) ? kPainters[kind] : &vxUltraFlatPainter;
}

int vxThemedScrollArrowState(TvxArrowDirection direction, TvxButtonState state) {
  return direction * 4 + vxThemedScrollBarStates[StateIndex(state)];
}

// --- Shared drawing routines -----------------------------------------------------------

std::array<POINT, 3> vxArrowPoints(const RECT& rect, TvxArrowDirection direction, bool squared) {
  RECT r = rect;
  if (squared) {
    const int d = Width(r) - Height(r);
    if (d < 1)
      InflateRect(&r, 0, d / 2);
    else
      InflateRect(&r, (-d) / 2, 0);
  }
  int w, h;
  if (direction == adUp || direction == adDown) {
    w = MakeOdd((Width(r) - 1) / 2);
    h = w / 2 + 1;
  } else {
    h = MakeOdd((Height(r) - 1) / 2);
    w = h / 2 + 1;
  }
  const int yc = MulDiv(r.top + r.bottom - h, 1, 2);
  std::array<POINT, 3> p{};
  switch (direction) {
    case adUp:
      p[0] = {(r.left + r.right - 1) / 2, yc};
      p[1] = {(r.left + r.right - w) / 2, yc + h - 1};
      p[2] = {p[1].x + w - 1, p[1].y};
      break;
    case adDown:
      p[0] = {(r.left + r.right - w) / 2, yc};
      p[1] = {p[0].x + w - 1, yc};
      p[2] = {(r.left + r.right - 1) / 2, yc + h - 1};
      break;
    case adLeft:
      p[0] = {(r.left + r.right - w) / 2, (r.top + r.bottom) / 2};
      p[1] = {p[0].x + w - 1, yc};
      p[2] = {p[1].x, yc + h - 1};
      break;
    case adRight:
      p[0] = {(r.left + r.right - w) / 2, yc};
      p[1] = {p[0].x + w - 1, (r.top + r.bottom) / 2};
      p[2] = {p[0].x, yc + h - 1};
      break;
  }
  return p;
}

std::array<POINT, 3> vxDropDownArrowPoints(const RECT& r) {
  const int w = MakeOdd(Width(r) / 2), h = w / 2 + 1;
  const POINT p0{(r.left + r.right - w) / 2, MulDiv(r.top + r.bottom - h, 1, 2)};
  return {p0, POINT{p0.x + w - 1, p0.y}, POINT{p0.x + w / 2, p0.y + h - 1}};
}

void vxDrawTriangle(TvxCanvas& canvas, const std::array<POINT, 3>& points, TColor color) {
  canvas.Brush().SetColor(color);
  canvas.Pen().SetColor(color);
  canvas.Polygon(points);
}

void vxDrawPlusMinus(TvxCanvas& canvas, const RECT& r, bool expanded, TColor color) {
  const int half = (Width(r) - 4) / 2;
  const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  SetBrush(canvas, color);
  canvas.FillRect(RECT{cx - half, cy, cx + half + 1, cy + 1});
  if (!expanded) canvas.FillRect(RECT{cx, cy - half, cx + 1, cy + half + 1});
}

void vxDrawChevrons(TvxCanvas& canvas, const RECT& r, bool expanded, TColor color) {
  constexpr int n = 3;
  canvas.Pen().SetColor(color);
  const int x0 = (r.left + r.right - (2 * n + 1)) / 2;
  const int y0 = (r.top + r.bottom - 2 * (n + 1)) / 2;
  const int d = expanded ? 1 : -1;
  for (int row = y0; row < y0 + 4; ++row) {
    int y = row - y0 < 2 ? row : row + (n - 1);
    if (expanded) y += n;
    int p = (row - y0) & 1;
    if (!expanded) p = 1 - p;
    canvas.MoveTo(x0 + p, y - d * p);
    canvas.LineTo(x0 + n, y - n * d);
    canvas.LineTo(x0 + 2 * n + 1 - p, y + (1 - p) * d);
  }
}

void vxDrawCheckMark(TvxCanvas& canvas, const RECT& r, TColor color) {
  const int w = Width(r) - 2, h = Height(r) - 4, xm = (r.left + r.right) / 2;
  canvas.Pen().SetColor(color);
  for (int k = 0; k < 3; ++k) {
    const int yb = (r.top + r.bottom + h) / 2 - 2 + k;
    canvas.MoveTo(xm - w / 2, yb - h / 2);
    canvas.LineTo(xm - 1, yb);
    canvas.LineTo(xm - 1 + w / 2 + 2, yb - h);
  }
}

void vxDrawCross(TvxCanvas& canvas, const RECT& r, int size, TColor color, bool pressed) {
  canvas.Pen().SetColor(color);
  const int shift = pressed ? 1 : 0;
  for (int k = 0; k < 2; ++k) {
    const int x0 = (r.left + r.right - size) / 2 + k + shift, y0 = (r.top + r.bottom - size) / 2 + shift;
    canvas.MoveTo(x0, y0);
    canvas.LineTo(x0 + size, y0 + size);
    canvas.MoveTo(x0, y0 + size - 1);
    canvas.LineTo(x0 + size, y0 - 1);
  }
}

void vxDrawEdgeTriangles(TvxCanvas& canvas, const RECT& r, uint8_t marks, int offset, TColor color) {
  int h = Height(r) / 2;
  if (h % 2 == 0) ++h;
  const int y = (r.top + r.bottom - h) / 2 - 1;
  auto triangle = [&](int x, int e) {
    vxDrawTriangle(canvas, {POINT{x, y}, POINT{x, y + h + 1}, POINT{x - (h / 2 + 1) * e, y + h / 2 + 1}}, color);
  };
  if (marks == 1 || marks == 3) triangle(r.left + (offset - 1), 1);
  if (marks == 2 || marks == 3) triangle(r.right - (offset - 1), -1);
}

void vxDrawSortingMark(TvxCanvas& canvas, const RECT& r, POINT markSize, TColor darkColor, TColor lightColor,
                       bool ascending) {
  const int w = markSize.x, h = markSize.y;
  const int d = ascending ? 1 : -1;
  const bool even = w % 2 == 0;
  const int xc = (r.left + r.right) / 2 - (even ? 1 : 0);
  const int y0 = ascending ? (r.top + r.bottom - h) / 2 : (r.top + r.bottom + h) / 2 - 1;
  const int a = w / 2 - (even ? 1 : 0), b = w / 2;
  canvas.Pen().SetColor(lightColor);
  canvas.MoveTo(xc + b, y0 + (h - 2) * d);
  canvas.LineTo(xc + b - a, y0);
  canvas.LineTo(xc + b, y0 + (h - 1) * d);
  if (!ascending) canvas.Pen().SetColor(darkColor);
  canvas.LineTo(xc - a, y0 + (h - 1) * d);
  if (ascending) canvas.Pen().SetColor(darkColor);
  canvas.LineTo(xc, y0);
  canvas.LineTo(xc - a, y0 + (h - (w & 1)) * d);
}

void vxDrawIndicatorGlyph(TvxCanvas& canvas, const RECT& r, TvxIndicatorKind kind) {
  TImageList* images = vxIndicatorImages();
  if (kind == ikNone || images == nullptr || kind > images->Count()) return;
  images->Draw(canvas.Canvas(), (r.left + r.right - images->Width()) / 2, (r.top + r.bottom - images->Height()) / 2,
               kind - 1, true);
}

TImageList* vxIndicatorImages() { return GResources.IndicatorImages.get(); }
TBitmap* vxScrollBarPatternBitmap() { return GResources.Pattern.get(); }
TBitmap* vxScrollBarDarkPatternBitmap() { return GResources.DarkPattern.get(); }
TBitmap* vxAutoHideBitmap(bool autoHideOn) {
  return (autoHideOn ? GResources.AutoHideOn : GResources.AutoHideOff).get();
}

// --- TvxCustomLookAndFeelPainter -------------------------------------------------------

void TvxCustomLookAndFeelPainter::DrawDropDownArrow(TvxCanvas& canvas, const RECT& r, TColor color) const {
  vxDrawTriangle(canvas, vxDropDownArrowPoints(r), color);
}

void TvxCustomLookAndFeelPainter::DrawContent(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds,
                                              TvxButtonState, TAlignment alignHorz, TvxAlignmentVert alignVert,
                                              bool multiLine, bool showEndEllipsis, const AnsiString& text,
                                              const TFont* font, TColor textColor, TColor bkColor,
                                              const TvxDrawBackgroundEvent& onDrawBackground, bool) const {
  if (!DrawnByCallback(canvas, bounds, onDrawBackground)) canvas.FillRect(bounds, bkColor);
  DrawContentText(canvas, textAreaBounds, vxAlignmentTextFlags(alignHorz, alignVert, multiLine, showEndEllipsis), text,
                  font, textColor);
}

RECT TvxCustomLookAndFeelPainter::TextPanelContentRect(const RECT& r) const {
  return Inflated(r, -TextPanelBorderWidth(), -TextPanelBorderWidth());
}

RECT TvxCustomLookAndFeelPainter::TextPanelTextRect(const RECT& r) const {
  return Inflated(TextPanelContentRect(r), -2, -2);
}

uint8_t TvxCustomLookAndFeelPainter::LookAndFeelStyle() const { return vxPainterStyleStandard; }

TColor TvxCustomLookAndFeelPainter::PainterColor5() const { return 0xFF0000; }
TColor TvxCustomLookAndFeelPainter::PainterColor6() const { return 0; }
TColor TvxCustomLookAndFeelPainter::PainterColor7() const { return 0; }
TColor TvxCustomLookAndFeelPainter::PainterColor8() const { return 0; }
TColor TvxCustomLookAndFeelPainter::PainterColor9() const { return 0xCFCFCF; }
TColor TvxCustomLookAndFeelPainter::PainterColor10() const { return 0xFFFFFF; }
TColor TvxCustomLookAndFeelPainter::PainterColor11() const { return clBtnShadow; }
TColor TvxCustomLookAndFeelPainter::PainterColor12() const { return clBtnShadow; }
TColor TvxCustomLookAndFeelPainter::PainterColor13() const { return 0xF0CAA6; }
TColor TvxCustomLookAndFeelPainter::PainterColor14() const { return 0x800000; }
TColor TvxCustomLookAndFeelPainter::PainterColor15() const { return clBtnShadow; }
TColor TvxCustomLookAndFeelPainter::PainterColor16() const { return clWindowText; }
TColor TvxCustomLookAndFeelPainter::PainterColor17() const { return clWindowText; }
TColor TvxCustomLookAndFeelPainter::PainterColor18() const { return clWindowText; }
TColor TvxCustomLookAndFeelPainter::PainterColor19() const { return clWindow; }
TColor TvxCustomLookAndFeelPainter::PainterColor20() const { return clWindow; }
TColor TvxCustomLookAndFeelPainter::PainterColor21() const { return clWindow; }
TColor TvxCustomLookAndFeelPainter::PainterColor22() const { return clWindowText; }
TColor TvxCustomLookAndFeelPainter::PainterColor23() const { return clWindow; }
TColor TvxCustomLookAndFeelPainter::PainterColor24() const { return clWindowText; }
TColor TvxCustomLookAndFeelPainter::PainterColor25() const { return clBtnShadow; }
TColor TvxCustomLookAndFeelPainter::PainterColor26() const { return clBtnHighlight; }
TColor TvxCustomLookAndFeelPainter::PainterColor27() const { return clBtnText; }
TColor TvxCustomLookAndFeelPainter::PainterColor28() const { return clBtnFace; }
TColor TvxCustomLookAndFeelPainter::PainterColor29() const { return clBtnText; }
TColor TvxCustomLookAndFeelPainter::PainterColor30() const { return clBtnShadow; }
TColor TvxCustomLookAndFeelPainter::PainterColor31() const { return clBtnFace; }
TColor TvxCustomLookAndFeelPainter::PainterColor32() const { return clBtnText; }
TColor TvxCustomLookAndFeelPainter::PainterColor33() const { return clBtnShadow; }
TColor TvxCustomLookAndFeelPainter::PainterColor34() const { return clBtnFace; }
TColor TvxCustomLookAndFeelPainter::PainterColor35() const { return clBtnFace; }
TColor TvxCustomLookAndFeelPainter::PainterColor36() const { return clBtnText; }
TColor TvxCustomLookAndFeelPainter::PainterColor37() const { return clBtnShadow; }
TColor TvxCustomLookAndFeelPainter::PainterColor38() const { return clBtnFace; }
TColor TvxCustomLookAndFeelPainter::PainterColor39() const { return clBtnFace; }
TColor TvxCustomLookAndFeelPainter::PainterColor40() const { return clBtnText; }
TColor TvxCustomLookAndFeelPainter::PainterColor41() const { return 0xFF0000; }
TColor TvxCustomLookAndFeelPainter::PainterColor42() const { return PainterColor30(); }
TColor TvxCustomLookAndFeelPainter::PainterColor43() const { return clBtnFace; }
TColor TvxCustomLookAndFeelPainter::PainterColor44() const { return clHighlight; }
TColor TvxCustomLookAndFeelPainter::PainterColor45() const { return clHighlightText; }
TColor TvxCustomLookAndFeelPainter::PainterColor46() const { return clWindow; }
TColor TvxCustomLookAndFeelPainter::PainterColor47() const { return clWindowText; }
TColor TvxCustomLookAndFeelPainter::PainterColor48() const { return 0x0000FF; }
TColor TvxCustomLookAndFeelPainter::PainterColor49() const { return clBtnFace; }
TColor TvxCustomLookAndFeelPainter::PainterColor50() const { return 0xD5FFFF; }
TColor TvxCustomLookAndFeelPainter::PainterColor51() const { return clWindowText; }
TColor TvxCustomLookAndFeelPainter::PainterColor52() const { return clHighlight; }
TColor TvxCustomLookAndFeelPainter::PainterColor53() const { return clHighlightText; }
TColor TvxCustomLookAndFeelPainter::PainterColor54() const { return clBtnFace; }
TColor TvxCustomLookAndFeelPainter::PainterColor55() const { return clBtnFace; }
TColor TvxCustomLookAndFeelPainter::PainterColor56() const { return clBtnText; }
TColor TvxCustomLookAndFeelPainter::PainterColor57() const { return clBtnFace; }
TColor TvxCustomLookAndFeelPainter::PainterColor58() const { return 0xFFFFFF; }
TColor TvxCustomLookAndFeelPainter::PainterColor59() const { return 0; }
TColor TvxCustomLookAndFeelPainter::PainterColor60() const { return clBtnFace; }
TColor TvxCustomLookAndFeelPainter::PainterColor61() const { return clBtnText; }
TColor TvxCustomLookAndFeelPainter::PainterColor62() const { return 0xFFFFFF; }

void TvxCustomLookAndFeelPainter::DrawArrow(TvxCanvas& canvas, const RECT& r, TvxArrowDirection direction,
                                            TColor color) const {
  vxDrawTriangle(canvas, vxArrowPoints(r, direction, true), color);
}

void TvxCustomLookAndFeelPainter::DrawScrollArrow(TvxCanvas& canvas, const RECT& r, TvxButtonState state,
                                                  TvxArrowDirection direction, bool drawBackground) const {
  if (drawBackground)
    DrawButtonFace(canvas, r, state);
  else
    canvas.FillRect(r, ButtonColor(state));
  vxDrawTriangle(canvas, vxArrowPoints(r, direction, false), ButtonSymbolColor(state, clDefault));
}

void TvxCustomLookAndFeelPainter::DrawButtonFace(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const {
  canvas.FillRect(r, ButtonColor(state));
  DrawButtonBorder(canvas, r, state);
}

void TvxCustomLookAndFeelPainter::DrawButtonArrow(TvxCanvas& canvas, const RECT& r, TvxButtonState state,
                                                  TvxArrowDirection direction) const {
  RECT rect = r;
  if (state == vxbsPressed) OffsetRect(&rect, ButtonTextShift(), ButtonTextShift());
  std::array<POINT, 3> points = vxArrowPoints(rect, direction, true);
  if (state != vxbsDisabled) {
    vxDrawTriangle(canvas, points, ButtonSymbolColor(state, clDefault));
    return;
  }
  // Embossed: a highlight copy one pixel right and down under the shadow-coloured arrow.
  for (POINT& p : points) p = POINT{p.x + 1, p.y + 1};
  vxDrawTriangle(canvas, points, clBtnHighlight);
  for (POINT& p : points) p = POINT{p.x - 1, p.y - 1};
  vxDrawTriangle(canvas, points, clBtnShadow);
}

int TvxCustomLookAndFeelPainter::BorderSize() const { return 0; }
void TvxCustomLookAndFeelPainter::DrawBorder(TvxCanvas&, const RECT&) const {}
RECT TvxCustomLookAndFeelPainter::ButtonBackgroundRect(const RECT& r) const { return r; }
int TvxCustomLookAndFeelPainter::ButtonBorderSize(TvxButtonState) const { return 0; }
TColor TvxCustomLookAndFeelPainter::ButtonColor(TvxButtonState) const { return clBtnFace; }

RECT TvxCustomLookAndFeelPainter::ButtonContentRect(TvxCanvas&, const RECT& r) const {
  const RECT content = Inflated(r, -4, -4);
  return IsEmptyRect(content) ? r : content;
}

RECT TvxCustomLookAndFeelPainter::ButtonGroupBorderSizes(int, int) const {
  const int size = ButtonBorderSize(vxbsNormal);
  return RECT{size, size, size, size};
}

int TvxCustomLookAndFeelPainter::ButtonTextOffset() const { return 0; }
int TvxCustomLookAndFeelPainter::ButtonTextShift() const { return 0; }

TColor TvxCustomLookAndFeelPainter::ButtonSymbolColor(TvxButtonState state, TColor defaultColor) const {
  if (state == vxbsDisabled) return clBtnShadow;
  return defaultColor == clDefault ? clBtnText : defaultColor;
}

TvxButtonState TvxCustomLookAndFeelPainter::ButtonGlyphState(TvxButtonState state) const { return state; }

void TvxCustomLookAndFeelPainter::DrawButton(TvxCanvas& canvas, const RECT& r, const AnsiString& caption,
                                             TvxButtonState state, bool drawBorder, TColor color,
                                             TColor textColor) const {
  RECT rect = r;
  if (drawBorder) {
    DrawButtonBorder(canvas, rect, state);
    const int border = ButtonBorderSize(state);
    InflateRect(&rect, -border, -border);
  }
  canvas.FillRect(rect, color == clDefault ? ButtonColor(state) : color);
  canvas.Font().SetColor(textColor == clDefault ? ButtonSymbolColor(state, clDefault) : textColor);
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  // Even widths centre the caption on the middle pixel pair as the system's buttons do.
  if (Width(rect) % 2 != 0) --rect.right;
  if (Width(rect) < 18) --rect.left;
  if (state == vxbsPressed) OffsetRect(&rect, ButtonTextShift(), ButtonTextShift());
  if (!caption.empty())
    canvas.DrawText(caption, rect, vxAlignHCenter | vxAlignVCenter | vxSingleLine | vxShowPrefix,
                    state != vxbsDisabled);
  canvas.Brush().SetStyle(TBrushStyle::bsSolid);
}

void TvxCustomLookAndFeelPainter::DrawGroupButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state, int, int,
                                                  TColor) const {
  DrawButton(canvas, r, "", state, true, clDefault, clDefault);
}

void TvxCustomLookAndFeelPainter::DrawButtonBorder(TvxCanvas&, const RECT&, TvxButtonState) const {}
void TvxCustomLookAndFeelPainter::DrawButtonGroupBorder(TvxCanvas&, const RECT&, bool, bool) const {}
void TvxCustomLookAndFeelPainter::DrawExpandButton(TvxCanvas&, const RECT&, bool, TColor) const {}
bool TvxCustomLookAndFeelPainter::ExpandButtonTransparent() const { return true; }

void TvxCustomLookAndFeelPainter::DrawGroupExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded,
                                                        TvxButtonState state) const {
  DrawButton(canvas, r, "", state, true, clDefault, clDefault);
  vxDrawChevrons(canvas, r, expanded, ButtonSymbolColor(state, clDefault));
}

void TvxCustomLookAndFeelPainter::DrawSmallExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded,
                                                        TColor color) const {
  canvas.FrameRect(r, clBtnShadow);
  const RECT inside = Inflated(r, -1, -1);
  if (color != clDefault) canvas.FillRect(inside, color);
  vxDrawPlusMinus(canvas, inside, expanded, clBtnText);
}

int TvxCustomLookAndFeelPainter::ExpandButtonSize() const { return 0; }
int TvxCustomLookAndFeelPainter::GroupExpandButtonSize() const { return 15; }
bool TvxCustomLookAndFeelPainter::IsButtonHotTrack() const { return false; }

bool TvxCustomLookAndFeelPainter::IsPointOverGroupExpandButton(const RECT& r, POINT p) const {
  return PtInRect(&r, p) != FALSE;
}

int TvxCustomLookAndFeelPainter::SmallExpandButtonSize() const { return 9; }
int TvxCustomLookAndFeelPainter::CheckBorderSize() const { return 2; }

TColor TvxCustomLookAndFeelPainter::CheckButtonColor(TvxButtonState state) const {
  return state == vxbsPressed || state == vxbsDisabled ? clBtnFace : clWindow;
}

void TvxCustomLookAndFeelPainter::DrawCheck(TvxCanvas& canvas, const RECT& r, TvxButtonState state, bool checked,
                                            TColor color) const {
  canvas.FillRect(r, CheckButtonColor(state));
  if (checked) vxDrawCheckMark(canvas, r, color);
}

void TvxCustomLookAndFeelPainter::DrawCheckBorder(TvxCanvas&, const RECT&, TvxButtonState) const {}

void TvxCustomLookAndFeelPainter::DrawCheckButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state,
                                                  bool checked) const {
  DrawCheckBorder(canvas, r, state);
  const RECT inner = Inflated(r, -CheckBorderSize(), -CheckBorderSize());
  DrawCheck(canvas, inner, state, checked, state == vxbsDisabled ? clGrayText : clBtnText);
}

void TvxCustomLookAndFeelPainter::DrawRadioButton(TvxCanvas& canvas, int x, int y, TvxButtonState state, bool checked,
                                                  uint8_t selectorB, TColor bkColor, uint8_t selectorA) const {
  vxRadioButtonImageList()->Draw(canvas, x, y, vxLookAndFeelStyleToKind(LookAndFeelStyle()), state, checked, selectorB,
                                 bkColor, selectorA);
}

void TvxCustomLookAndFeelPainter::DrawHeader(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds,
                                             TvxNeighbors neighbors, TvxBorders borders, TvxButtonState state,
                                             TAlignment alignHorz, TvxAlignmentVert alignVert, bool multiLine,
                                             bool showEndEllipsis, const AnsiString& text, const TFont* font,
                                             TColor textColor, TColor bkColor,
                                             const TvxDrawBackgroundEvent& onDrawBackground, bool) const {
  DrawHeaderBorder(canvas, bounds, neighbors, borders);
  // The background stays inside the border just drawn.
  DrawContent(canvas, HeaderContentBounds(bounds, borders), HeaderContentBounds(textAreaBounds, borders), state,
              alignHorz, alignVert, multiLine, showEndEllipsis, text, font, textColor, bkColor, onDrawBackground,
              false);
}

void TvxCustomLookAndFeelPainter::DrawHeaderEx(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds,
                                               TvxNeighbors neighbors, TvxBorders borders, TvxButtonState state,
                                               TAlignment alignHorz, TvxAlignmentVert alignVert, bool multiLine,
                                               bool showEndEllipsis, const AnsiString& text, const TFont* font,
                                               TColor textColor, TColor bkColor,
                                               const TvxDrawBackgroundEvent& onDrawBackground, bool isLast) const {
  DrawHeader(canvas, bounds, textAreaBounds, neighbors, borders, state, alignHorz, alignVert, multiLine,
             showEndEllipsis, text, font, textColor, bkColor, onDrawBackground, isLast);
}

void TvxCustomLookAndFeelPainter::DrawHeaderBorder(TvxCanvas&, const RECT&, TvxNeighbors, TvxBorders) const {}

void TvxCustomLookAndFeelPainter::DrawHeaderPressed(TvxCanvas& canvas, const RECT& r) const { canvas.InvertRect(r); }

void TvxCustomLookAndFeelPainter::DrawHeaderSection(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds,
                                                    TvxBorders borders, TvxButtonState state, TAlignment alignHorz,
                                                    TvxAlignmentVert alignVert, bool multiLine, bool showEndEllipsis,
                                                    const AnsiString& text, const TFont* font, TColor textColor,
                                                    TColor bkColor) const {
  DrawHeaderSectionBorder(canvas, bounds, borders, state);
  DrawHeaderSectionContent(canvas, HeaderSectionContentBounds(bounds, state), textAreaBounds, state, alignHorz,
                           alignVert, multiLine, showEndEllipsis, text, font, textColor, bkColor);
}

void TvxCustomLookAndFeelPainter::DrawHeaderSectionBorder(TvxCanvas&, const RECT&, TvxBorders, TvxButtonState) const {}

void TvxCustomLookAndFeelPainter::DrawHeaderSectionContent(TvxCanvas& canvas, const RECT& bounds,
                                                           const RECT& textAreaBounds, TvxButtonState state,
                                                           TAlignment alignHorz, TvxAlignmentVert alignVert,
                                                           bool multiLine, bool showEndEllipsis, const AnsiString& text,
                                                           const TFont* font, TColor textColor, TColor bkColor) const {
  canvas.FillRect(bounds, bkColor);
  DrawHeaderSectionText(canvas, AdjustHeaderSectionTextRect(textAreaBounds, state), state, alignHorz, alignVert,
                        multiLine, showEndEllipsis, text, font, textColor);
}

void TvxCustomLookAndFeelPainter::DrawHeaderSectionText(TvxCanvas& canvas, const RECT& r, TvxButtonState state,
                                                        TAlignment alignHorz, TvxAlignmentVert alignVert,
                                                        bool multiLine, bool showEndEllipsis, const AnsiString& text,
                                                        const TFont* font, TColor textColor) const {
  const TvxTextFlags flags = vxAlignmentTextFlags(alignHorz, alignVert, multiLine, showEndEllipsis);
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  if (font != nullptr) canvas.SetFont(*font);
  if (state == vxbsDisabled) {
    canvas.Font().SetColor(clBtnHighlight);
    canvas.DrawText(text, Moved(r, 1, 1), flags);
  }
  canvas.Font().SetColor(textColor);
  canvas.DrawText(text, r, flags);
  canvas.Brush().SetStyle(TBrushStyle::bsSolid);
}

void TvxCustomLookAndFeelPainter::DrawSortingMark(TvxCanvas&, const RECT&, bool) const {}
TvxBorders TvxCustomLookAndFeelPainter::HeaderBorders(TvxNeighbors) const { return vxBordersAll; }
int TvxCustomLookAndFeelPainter::HeaderBorderSize() const { return 0; }

RECT TvxCustomLookAndFeelPainter::HeaderBoundsFromContent(const RECT& r, TvxNeighbors neighbors,
                                                          TvxBorders borders) const {
  return GrowSides(r, borders & HeaderBorders(neighbors), HeaderBorderSize());
}

RECT TvxCustomLookAndFeelPainter::HeaderContentBounds(const RECT& r, TvxBorders borders) const {
  return GrowSides(r, borders, -HeaderBorderSize());
}

bool TvxCustomLookAndFeelPainter::IsHeaderPressedInverted() const { return true; }

int TvxCustomLookAndFeelPainter::HeaderHeight(int fontHeight) const {
  return fontHeight + 2 * (HeaderBorderSize() + 2);
}

int TvxCustomLookAndFeelPainter::HeaderSectionBorderSize(TvxButtonState) const { return 1; }

RECT TvxCustomLookAndFeelPainter::AdjustHeaderSectionTextRect(const RECT& r, TvxButtonState state) const {
  return state == vxbsPressed ? Moved(r, 1, 1) : r;
}

RECT TvxCustomLookAndFeelPainter::HeaderSectionContentBounds(const RECT& r, TvxButtonState state) const {
  const int size = HeaderSectionBorderSize(state);
  return Inflated(r, -size, -size);
}

int TvxCustomLookAndFeelPainter::HeaderWidth(TvxCanvas& canvas, TvxBorders borders, const AnsiString& text,
                                             const TFont* font) const {
  if (font != nullptr) canvas.SetFont(*font);
  int width = canvas.TextWidth(text) + 4;
  if (borders & bLeft) width += HeaderBorderSize();
  if (borders & bRight) width += HeaderBorderSize();
  return width;
}

bool TvxCustomLookAndFeelPainter::HasOwnHeaderBackground() const { return false; }

POINT TvxCustomLookAndFeelPainter::SortingMarkAreaSize() const { return POINT{16, SortingMarkSize().y}; }
POINT TvxCustomLookAndFeelPainter::SortingMarkSize() const { return POINT{0, 0}; }

void TvxCustomLookAndFeelPainter::DrawTextPanel(TvxCanvas& canvas, const RECT& r, const AnsiString& text,
                                                const TFont* font, TAlignment alignHorz, TvxAlignmentVert alignVert,
                                                bool multiLine, bool showEndEllipsis, TColor textColor, TColor bkColor,
                                                const TvxDrawBackgroundEvent& onDrawBackground) const {
  DrawSunkenFrame(canvas, r);
  const RECT textRect = TextPanelTextRect(r);
  DrawContent(canvas, textRect, textRect, vxbsNormal, alignHorz, alignVert, multiLine, showEndEllipsis, text, font,
              textColor, bkColor, onDrawBackground, false);
}

TvxBorders TvxCustomLookAndFeelPainter::PanelBorders() const { return vxBordersAll; }
int TvxCustomLookAndFeelPainter::FrameWidth() const { return 0; }
int TvxCustomLookAndFeelPainter::TextPanelBorderWidth() const { return 0; }
int TvxCustomLookAndFeelPainter::TextPanelFrameWidth() const { return 0; }
bool TvxCustomLookAndFeelPainter::PanelBackgroundNeeded() const { return true; }
TColor TvxCustomLookAndFeelPainter::PanelColor() const { return clBtnShadow; }
int TvxCustomLookAndFeelPainter::PanelBorderSize() const { return 1; }
void TvxCustomLookAndFeelPainter::DrawRaisedFrame(TvxCanvas&, const RECT&) const {}
void TvxCustomLookAndFeelPainter::DrawSunkenFrame(TvxCanvas&, const RECT&) const {}

void TvxCustomLookAndFeelPainter::FillPanel(TvxCanvas& canvas, const RECT& r) const {
  canvas.FillRect(r, PanelColor());
}

void TvxCustomLookAndFeelPainter::DrawPanelCheck(TvxCanvas& canvas, const RECT& r, TvxButtonState state,
                                                 bool checked) const {
  DrawCheckButton(canvas, r, state, checked);
}

void TvxCustomLookAndFeelPainter::DrawSmallCloseButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const {
  DrawButtonBorder(canvas, r, state);
  const int border = ButtonBorderSize(vxbsNormal);
  const RECT inside = Inflated(r, -border, -border);
  canvas.FillRect(inside, ButtonColor(state));
  int size = SmallCloseButtonSize().x / 2;
  if (size % 2 == 0) --size;
  vxDrawCross(canvas, inside, size, ButtonSymbolColor(state, clDefault), ButtonGlyphState(state) == vxbsPressed);
}

void TvxCustomLookAndFeelPainter::DrawDropDownButton(TvxCanvas&, const RECT&, TvxButtonState, bool) const {}
POINT TvxCustomLookAndFeelPainter::CheckButtonSize() const { return POINT{13, 13}; }
POINT TvxCustomLookAndFeelPainter::SmallCloseButtonSize() const { return POINT{16, 14}; }
POINT TvxCustomLookAndFeelPainter::SmallButtonSize135() const { return POINT{15, 0}; }
bool TvxCustomLookAndFeelPainter::SmallButtonsFlat() const { return true; }
POINT TvxCustomLookAndFeelPainter::SmallButtonSize137() const { return POINT{16, 14}; }
POINT TvxCustomLookAndFeelPainter::SmallButtonSize138() const { return POINT{16, 14}; }
POINT TvxCustomLookAndFeelPainter::RadioButtonSize() const { return POINT{13, 13}; }
POINT TvxCustomLookAndFeelPainter::AutoHideButtonSize() const { return POINT{16, 14}; }
POINT TvxCustomLookAndFeelPainter::SmallButtonSize141() const { return POINT{16, 14}; }

void TvxCustomLookAndFeelPainter::DrawGlyphButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const {
  DrawButtonBorder(canvas, r, state);
  const int border = ButtonBorderSize(state);
  const RECT inside = Inflated(r, -border, -border);
  canvas.FillRect(inside, ButtonColor(state));
  DrawButtonGlyph(canvas, inside, state);
}

void TvxCustomLookAndFeelPainter::DrawButtonGlyph(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const {
  const bool disabled = state == vxbsDisabled;
  DrawGlyphLines(canvas, r, disabled ? clBtnHighlight : PainterColor17(), disabled ? clBtnShadow : PainterColor17());
}

void TvxCustomLookAndFeelPainter::DrawAutoHideButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state,
                                                     bool autoHideOn) const {
  DrawButtonBorder(canvas, r, state);
  const int border = ButtonBorderSize(state);
  const RECT inside = Inflated(r, -border, -border);
  canvas.FillRect(inside, ButtonColor(state));
  TBitmap* pin = vxAutoHideBitmap(autoHideOn);
  if (pin == nullptr) return;
  const int shift = state == vxbsPressed ? 1 : 0;
  canvas.Draw((inside.left + inside.right - pin->Width()) / 2 + shift,
              (inside.top + inside.bottom - pin->Height()) / 2 + shift, *pin);
}

void TvxCustomLookAndFeelPainter::DrawTab(TvxCanvas&, const RECT&, TvxButtonState, TvxBorder, const AnsiString&,
                                          const TFont*, TColor, TImageList*, int, bool) const {}
void TvxCustomLookAndFeelPainter::DrawTabBorder(TvxCanvas&, const RECT&, TvxBorder, TvxBorders, bool) const {}
void TvxCustomLookAndFeelPainter::DrawTabPane(TvxCanvas&, const RECT&, TvxBorders, uint8_t) const {}
bool TvxCustomLookAndFeelPainter::IsTabThemed(uint8_t) const { return false; }
bool TvxCustomLookAndFeelPainter::IsTabHotThemed(uint8_t) const { return false; }
int TvxCustomLookAndFeelPainter::TabBorderSize(uint8_t) const { return 0; }

void TvxCustomLookAndFeelPainter::DrawIndicatorItem(TvxCanvas& canvas, const RECT& r, TvxIndicatorKind kind,
                                                    TColor bkColor,
                                                    const TvxDrawBackgroundEvent& onDrawBackground) const {
  // The neighbour value 10 leaves only the top bit that the looks read: an ultra-flat
  // indicator cell has no top line.
  DrawHeader(canvas, r, r, 0, HeaderBorders(10), vxbsNormal, TAlignment::taLeftJustify, vaTop, false, false, "",
             nullptr, clNone, bkColor, onDrawBackground, false);
  vxDrawIndicatorGlyph(canvas, r, kind);
}

void TvxCustomLookAndFeelPainter::DrawIndicatorItemEx(TvxCanvas& canvas, const RECT& r, TvxIndicatorKind kind,
                                                      TColor bkColor,
                                                      const TvxDrawBackgroundEvent& onDrawBackground) const {
  DrawHeaderEx(canvas, r, r, 0, HeaderBorders(10), vxbsNormal, TAlignment::taLeftJustify, vaTop, false, false, "",
               nullptr, clNone, bkColor, onDrawBackground, false);
  vxDrawIndicatorGlyph(canvas, r, kind);
}

bool TvxCustomLookAndFeelPainter::IndicatorDrawsBackground() const { return true; }

void TvxCustomLookAndFeelPainter::DrawScrollBarPart(TvxCanvas&, bool, const RECT&, TvxScrollBarPart,
                                                    TvxButtonState) const {}

void TvxCustomLookAndFeelPainter::DrawHeaderWithMark(TvxCanvas& canvas, const RECT& r, const AnsiString& text,
                                                     TvxNeighbors neighbors, const TvxViewParams& viewParams,
                                                     uint8_t marks, int offset,
                                                     const TvxDrawBackgroundEvent& onDrawBackground) const {
  DrawHeader(canvas, r, r, neighbors, HeaderBorders(neighbors), vxbsNormal, TAlignment::taCenter, vaCenter, false,
             false, text, viewParams.Font, viewParams.TextColor, viewParams.Color, onDrawBackground, false);
  RECT marksRect = r;
  marksRect.top += BorderSize();
  InflateRect(&marksRect, 0, -1);
  vxDrawEdgeTriangles(canvas, marksRect, marks, offset, clWindowText);
}

void TvxCustomLookAndFeelPainter::DrawPanelBorder(TvxCanvas& canvas, const RECT& r) const { DrawBorder(canvas, r); }

void TvxCustomLookAndFeelPainter::DrawToolButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const {
  DrawButton(canvas, r, "", state, true, clDefault, clDefault);
}

void TvxCustomLookAndFeelPainter::DrawSideFrame(TvxCanvas&, const RECT&, bool, TColor) const {}

// --- TvxStandardLookAndFeelPainter -----------------------------------------------------

uint8_t TvxStandardLookAndFeelPainter::LookAndFeelStyle() const { return vxPainterStyleStandard; }
TColor TvxStandardLookAndFeelPainter::PainterColor50() const { return clWindow; }
int TvxStandardLookAndFeelPainter::BorderSize() const { return 2; }

void TvxStandardLookAndFeelPainter::DrawBorder(TvxCanvas& canvas, const RECT& r) const {
  SidePair(canvas, r, clBtnShadow, clBtnHighlight);
  SidePair(canvas, Inflated(r, -1, -1), cl3DDkShadow, cl3DLight);
}

int TvxStandardLookAndFeelPainter::ButtonBorderSize(TvxButtonState state) const { return state == vxbsDefault ? 3 : 2; }

int TvxStandardLookAndFeelPainter::ButtonTextOffset() const { return 1; }
int TvxStandardLookAndFeelPainter::ButtonTextShift() const { return 1; }

void TvxStandardLookAndFeelPainter::DrawButtonBorder(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const {
  RECT rect = r;
  if (state == vxbsPressed) {
    canvas.FrameRect(rect, clBlack);
    SidePair(canvas, Inflated(rect, -1, -1), clBtnShadow, clBtnShadow);
    return;
  }
  if (state == vxbsDefault) {
    canvas.FrameRect(rect, clBlack);
    InflateRect(&rect, -1, -1);
  }
  SidePair(canvas, rect, clBtnHighlight, cl3DDkShadow);
  SidePair(canvas, Inflated(rect, -1, -1), cl3DLight, clBtnShadow);
}

void TvxStandardLookAndFeelPainter::DrawExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded,
                                                     TColor color) const {
  canvas.DrawEdge(r, false, true, bLeft | bTop);
  canvas.DrawEdge(r, false, false, bRight | bBottom);
  RECT inside = Inflated(r, -1, -1);
  canvas.DrawEdge(inside, false, true, bRight | bBottom);
  --inside.right;
  --inside.bottom;
  canvas.FillRect(inside, color == clDefault ? clBtnFace : color);
  vxDrawPlusMinus(canvas, inside, expanded, clBtnText);
  canvas.ExcludeClipRect(r);
}

void TvxStandardLookAndFeelPainter::DrawGroupExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded,
                                                          TvxButtonState state) const {
  // The classic look puts its chevrons on a flat button.
  vxFlatPainter.TvxCustomLookAndFeelPainter::DrawGroupExpandButton(canvas, r, expanded, state);
}

int TvxStandardLookAndFeelPainter::ExpandButtonSize() const { return 12; }
bool TvxStandardLookAndFeelPainter::IsButtonHotTrack() const { return false; }

void TvxStandardLookAndFeelPainter::DrawCheckBorder(TvxCanvas& canvas, const RECT& r, TvxButtonState) const {
  canvas.DrawEdge(r, true, true);
  canvas.DrawEdge(Inflated(r, -1, -1), true, false);
}

void TvxStandardLookAndFeelPainter::DrawHeaderBorder(TvxCanvas& canvas, const RECT& r, TvxNeighbors,
                                                     TvxBorders borders) const {
  canvas.DrawEdge(r, false, true);
  HeaderCornerPixels(canvas, r, borders);
}

void TvxStandardLookAndFeelPainter::DrawHeaderSectionBorder(TvxCanvas& canvas, const RECT& r, TvxBorders borders,
                                                            TvxButtonState state) const {
  if (state == vxbsPressed) {
    SidePair(canvas, r, clBtnShadow, clBtnShadow, borders);
    return;
  }
  SidePair(canvas, r, clBtnHighlight, cl3DDkShadow, borders);
  SidePair(canvas, Inflated(r, -1, -1), cl3DLight, clBtnShadow, borders);
}

void TvxStandardLookAndFeelPainter::DrawSortingMark(TvxCanvas& canvas, const RECT& r, bool ascending) const {
  vxDrawSortingMark(canvas, r, SortingMarkSize(), clBtnShadow, clBtnHighlight, ascending);
}

int TvxStandardLookAndFeelPainter::HeaderBorderSize() const { return 1; }

int TvxStandardLookAndFeelPainter::HeaderSectionBorderSize(TvxButtonState state) const {
  return state == vxbsPressed ? 1 : 2;
}

POINT TvxStandardLookAndFeelPainter::SortingMarkSize() const { return POINT{8, 7}; }
int TvxStandardLookAndFeelPainter::FrameWidth() const { return 1; }
int TvxStandardLookAndFeelPainter::TextPanelBorderWidth() const { return 1; }
int TvxStandardLookAndFeelPainter::TextPanelFrameWidth() const { return 1; }

void TvxStandardLookAndFeelPainter::DrawRaisedFrame(TvxCanvas& canvas, const RECT& r) const {
  canvas.DrawEdge(r, false, true);
}

void TvxStandardLookAndFeelPainter::DrawSunkenFrame(TvxCanvas& canvas, const RECT& r) const {
  canvas.DrawEdge(r, true, false);
}

void TvxStandardLookAndFeelPainter::DrawDropDownButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state,
                                                       bool highlighted) const {
  if (state == vxbsPressed)
    canvas.DrawEdge(r, true, false);
  else
    canvas.DrawEdge(r, false, true);
  const RECT inside = Inflated(r, -1, -1);
  canvas.FillRect(inside, clBtnFace);
  DrawDropDownArrow(canvas, inside, highlighted ? clBlue : clBtnText);
}

void TvxStandardLookAndFeelPainter::DrawButtonGlyph(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const {
  ClassicButtonGlyph(*this, canvas, r, state);
}

void TvxStandardLookAndFeelPainter::DrawTabBorder(TvxCanvas& canvas, const RECT& r, TvxBorder border,
                                                  TvxBorders borders, bool vertical) const {
  ClassicTabBorder(canvas, r, border, borders, vertical);
}

void TvxStandardLookAndFeelPainter::DrawTabPane(TvxCanvas& canvas, const RECT& r, TvxBorders borders, uint8_t) const {
  canvas.DrawEdge(r, false, true, borders);
}

int TvxStandardLookAndFeelPainter::TabBorderSize(uint8_t) const { return 1; }

void TvxStandardLookAndFeelPainter::DrawScrollBarPart(TvxCanvas& canvas, bool horizontal, const RECT& r,
                                                      TvxScrollBarPart part, TvxButtonState state) const {
  if (IsEmptyRect(r) || (part == sbpThumb && state == vxbsDisabled)) return;
  if (state == vxbsHot) state = vxbsNormal;
  if (IsArrowPart(part)) {
    static constexpr UINT kGlyphs[2][2] = {{DFCS_SCROLLUP, DFCS_SCROLLDOWN}, {DFCS_SCROLLLEFT, DFCS_SCROLLRIGHT}};
    UINT glyph = kGlyphs[horizontal ? 1 : 0][part == sbpLineUp ? 0 : 1];
    if (state == vxbsDisabled) glyph |= DFCS_INACTIVE;
    if (state != vxbsPressed) {
      canvas.Canvas().DrawFrameControl(r, DFC_SCROLL, glyph);
      return;
    }
    // The pressed glyph sits one pixel right and down, drawn whole: its last column and row
    // fall on the neighbouring part, which the bar paints after its arrows.
    canvas.Canvas().DrawFrameControl(Moved(r, 1, 1), DFC_SCROLL, glyph | DFCS_FLAT);
    SidePair(canvas, r, clBtnShadow, clBtnShadow);
    SidePair(canvas, Inflated(r, -1, -1), clBtnFace, clBtnFace);
    return;
  }
  if (part == sbpThumb) {
    SidePair(canvas, r, clBtnFace, cl3DDkShadow);
    SidePair(canvas, Inflated(r, -1, -1), clBtnHighlight, clBtnShadow);
    const int border = ButtonBorderSize(vxbsNormal);
    canvas.FillRect(Inflated(r, -border, -border), clBtnFace);
    return;
  }
  if (IsPagePart(part)) DrawPageArea(canvas, r, state);
}

void TvxStandardLookAndFeelPainter::DrawHeaderWithMark(TvxCanvas& canvas, const RECT& r, const AnsiString& text,
                                                       TvxNeighbors neighbors, const TvxViewParams& viewParams,
                                                       uint8_t marks, int offset,
                                                       const TvxDrawBackgroundEvent& onDrawBackground) const {
  canvas.FrameRect(r, clBlack);
  const RECT cell = Inflated(r, -1, -1);
  DrawHeader(canvas, cell, cell, neighbors, HeaderBorders(neighbors), vxbsNormal, TAlignment::taCenter, vaCenter, false,
             false, text, viewParams.Font, viewParams.TextColor, viewParams.Color, onDrawBackground, false);
  RECT marksRect = r;
  marksRect.top += BorderSize();
  InflateRect(&marksRect, 0, -1);
  vxDrawEdgeTriangles(canvas, marksRect, marks, offset, clWindowText);
}

void TvxStandardLookAndFeelPainter::DrawSideFrame(TvxCanvas& canvas, const RECT& r, bool horizontal,
                                                  TColor color) const {
  RECT rect = r;
  SideFrameLines(canvas, rect, horizontal, clBtnFace, cl3DDkShadow);
  SideFrameLines(canvas, rect, horizontal, clBtnHighlight, clBtnShadow);
  canvas.FillRect(rect, color);
}

// --- TvxFlatLookAndFeelPainter ---------------------------------------------------------
// The flat look draws every edge as one line of highlight and shadow; it never uses the
// light or the dark-shadow colour.

uint8_t TvxFlatLookAndFeelPainter::LookAndFeelStyle() const { return vxPainterStyleFlat; }
int TvxFlatLookAndFeelPainter::BorderSize() const { return 1; }
void TvxFlatLookAndFeelPainter::DrawBorder(TvxCanvas& canvas, const RECT& r) const { FlatSunkenLine(canvas, r); }

int TvxFlatLookAndFeelPainter::ButtonBorderSize(TvxButtonState state) const { return state == vxbsDefault ? 2 : 1; }
int TvxFlatLookAndFeelPainter::ButtonTextOffset() const { return 1; }
int TvxFlatLookAndFeelPainter::ButtonTextShift() const { return 1; }

void TvxFlatLookAndFeelPainter::DrawButtonBorder(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const {
  if (state == vxbsPressed) {
    FlatSunkenLine(canvas, r);
    return;
  }
  RECT rect = r;
  if (state == vxbsDefault) {
    canvas.FrameRect(rect, clBlack);
    InflateRect(&rect, -1, -1);
  }
  FlatRaisedLine(canvas, rect);
}

void TvxFlatLookAndFeelPainter::DrawExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded, TColor color) const {
  DrawButton(canvas, r, "", vxbsNormal, true, color, clDefault);
  vxDrawPlusMinus(canvas, Inflated(r, -1, -1), expanded, clBtnText);
  canvas.ExcludeClipRect(r);
}

int TvxFlatLookAndFeelPainter::ExpandButtonSize() const { return 11; }
bool TvxFlatLookAndFeelPainter::IsButtonHotTrack() const { return false; }

void TvxFlatLookAndFeelPainter::DrawCheckBorder(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const {
  FlatSunkenLine(canvas, r);
  canvas.FrameRect(Inflated(r, -1, -1), CheckButtonColor(state));
}

void TvxFlatLookAndFeelPainter::DrawHeaderBorder(TvxCanvas& canvas, const RECT& r, TvxNeighbors,
                                                 TvxBorders borders) const {
  FlatRaisedLine(canvas, r);
  HeaderCornerPixels(canvas, r, borders);
}

void TvxFlatLookAndFeelPainter::DrawHeaderSectionBorder(TvxCanvas& canvas, const RECT& r, TvxBorders borders,
                                                        TvxButtonState state) const {
  if (state == vxbsPressed)
    FlatSunkenLine(canvas, r, borders);
  else
    FlatRaisedLine(canvas, r, borders);
}

void TvxFlatLookAndFeelPainter::DrawSortingMark(TvxCanvas& canvas, const RECT& r, bool ascending) const {
  vxDrawSortingMark(canvas, r, SortingMarkSize(), clBtnShadow, clBtnHighlight, ascending);
}

int TvxFlatLookAndFeelPainter::HeaderBorderSize() const { return 1; }
POINT TvxFlatLookAndFeelPainter::SortingMarkSize() const { return POINT{8, 7}; }
int TvxFlatLookAndFeelPainter::FrameWidth() const { return 1; }
int TvxFlatLookAndFeelPainter::TextPanelBorderWidth() const { return 1; }
int TvxFlatLookAndFeelPainter::TextPanelFrameWidth() const { return 1; }
void TvxFlatLookAndFeelPainter::DrawRaisedFrame(TvxCanvas& canvas, const RECT& r) const { FlatRaisedLine(canvas, r); }
void TvxFlatLookAndFeelPainter::DrawSunkenFrame(TvxCanvas& canvas, const RECT& r) const { FlatSunkenLine(canvas, r); }

void TvxFlatLookAndFeelPainter::DrawDropDownButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state,
                                                   bool highlighted) const {
  if (state == vxbsPressed)
    FlatSunkenLine(canvas, r);
  else
    FlatRaisedLine(canvas, r);
  const RECT inside = Inflated(r, -1, -1);
  canvas.FillRect(inside, clBtnFace);
  DrawDropDownArrow(canvas, inside, highlighted ? clBlue : clBtnText);
}

void TvxFlatLookAndFeelPainter::DrawButtonGlyph(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const {
  ClassicButtonGlyph(*this, canvas, r, state);
}

void TvxFlatLookAndFeelPainter::DrawTabBorder(TvxCanvas& canvas, const RECT& r, TvxBorder border, TvxBorders borders,
                                              bool vertical) const {
  ClassicTabBorder(canvas, r, border, borders, vertical);
}

void TvxFlatLookAndFeelPainter::DrawTabPane(TvxCanvas& canvas, const RECT& r, TvxBorders borders, uint8_t) const {
  FlatRaisedLine(canvas, r, borders);
}

int TvxFlatLookAndFeelPainter::TabBorderSize(uint8_t) const { return 1; }

void TvxFlatLookAndFeelPainter::DrawScrollBarPart(TvxCanvas& canvas, bool horizontal, const RECT& r,
                                                  TvxScrollBarPart part, TvxButtonState state) const {
  if (IsEmptyRect(r) || (part == sbpThumb && state == vxbsDisabled)) return;
  if (state == vxbsHot) state = vxbsNormal;
  if (IsPagePart(part)) {
    DrawPageArea(canvas, r, state);
    return;
  }
  if (part != sbpThumb && !IsArrowPart(part)) return;
  DrawButton(canvas, r, "", state, true, clDefault, clDefault);
  if (!IsArrowPart(part)) return;
  const int border = ButtonBorderSize(state);
  DrawButtonArrow(canvas, Inflated(r, -border, -border), state, ScrollArrowDirection(horizontal, part));
}

void TvxFlatLookAndFeelPainter::DrawSideFrame(TvxCanvas& canvas, const RECT& r, bool horizontal, TColor color) const {
  RECT rect = r;
  SideFrameLines(canvas, rect, horizontal, clBtnHighlight, clBtnShadow);
  canvas.FillRect(rect, color);
}

// --- TvxUltraFlatLookAndFeelPainter ----------------------------------------------------

uint8_t TvxUltraFlatLookAndFeelPainter::LookAndFeelStyle() const { return vxPainterStyleUltraFlat; }
TColor TvxUltraFlatLookAndFeelPainter::PainterColor17() const { return 0x800000; }
TColor TvxUltraFlatLookAndFeelPainter::PainterColor48() const { return clBtnShadow; }
int TvxUltraFlatLookAndFeelPainter::BorderSize() const { return 1; }

void TvxUltraFlatLookAndFeelPainter::DrawBorder(TvxCanvas& canvas, const RECT& r) const {
  canvas.FrameRect(r, clBtnShadow);
}

int TvxUltraFlatLookAndFeelPainter::ButtonBorderSize(TvxButtonState state) const {
  return state == vxbsDefault ? 2 : 1;
}

TColor TvxUltraFlatLookAndFeelPainter::ButtonColor(TvxButtonState state) const {
  if (state == vxbsHot) return vxGetHotTrackColor();
  if (state == vxbsPressed) return vxGetPressedColor();
  return clBtnFace;
}

RECT TvxUltraFlatLookAndFeelPainter::ButtonContentRect(TvxCanvas&, const RECT& r) const {
  const RECT content = Inflated(r, -3, -3);
  return IsEmptyRect(content) ? r : content;
}

RECT TvxUltraFlatLookAndFeelPainter::ButtonGroupBorderSizes(int count, int index) const {
  RECT result{1, 2, 1, 2};
  if (index == 0)
    result.left = 2;
  else if (index == count - 1)
    result.right = 2;
  return result;
}

int TvxUltraFlatLookAndFeelPainter::ButtonTextOffset() const { return 2; }
int TvxUltraFlatLookAndFeelPainter::ButtonTextShift() const { return 0; }

TColor TvxUltraFlatLookAndFeelPainter::ButtonSymbolColor(TvxButtonState state, TColor defaultColor) const {
  if (state == vxbsPressed) return clHighlightText;
  return TvxCustomLookAndFeelPainter::ButtonSymbolColor(state, defaultColor);
}

TvxButtonState TvxUltraFlatLookAndFeelPainter::ButtonGlyphState(TvxButtonState) const { return vxbsNormal; }

void TvxUltraFlatLookAndFeelPainter::DrawGroupButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state, int count,
                                                     int index, TColor borderColor) const {
  RECT rect{r.left, r.top + 1, r.right, r.bottom - 1};
  if (index == 0) ++rect.left;
  if (index == count - 1) --rect.right;
  if (state == vxbsNormal || state == vxbsDisabled) {
    canvas.FrameRect(rect, borderColor);
    InflateRect(&rect, -1, -1);
  } else {
    SetBrush(canvas, HotBorderColor());
    if (index > 0) {
      canvas.FillRect(RECT{rect.left, rect.top, rect.left + 1, rect.bottom});
      ++rect.left;
    }
    if (index < count - 1) {
      canvas.FillRect(RECT{rect.right - 1, rect.top, rect.right, rect.bottom});
      --rect.right;
    }
  }
  canvas.FillRect(rect, ButtonColor(state));
}

void TvxUltraFlatLookAndFeelPainter::DrawButtonBorder(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const {
  switch (state) {
    case vxbsDefault:
      canvas.FrameRect(r, clWindowFrame);
      canvas.FrameRect(Inflated(r, -1, -1), clWindowFrame);
      break;
    case vxbsNormal: canvas.FrameRect(r, clBtnText); break;
    case vxbsDisabled: canvas.FrameRect(r, clBtnShadow); break;
    default: canvas.FrameRect(r, clHighlight); break;
  }
}

void TvxUltraFlatLookAndFeelPainter::DrawButtonGroupBorder(TvxCanvas& canvas, const RECT& r, bool active,
                                                           bool pressed) const {
  canvas.FrameRect(r, pressed ? clBtnText : active ? HotBorderColor() : clBtnShadow);
}

void TvxUltraFlatLookAndFeelPainter::DrawExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded,
                                                      TColor color) const {
  canvas.FrameRect(r, clBtnShadow);
  const RECT inside = Inflated(r, -1, -1);
  canvas.FillRect(inside, color == clDefault ? clBtnFace : color);
  vxDrawPlusMinus(canvas, inside, expanded, clBtnText);
  canvas.ExcludeClipRect(r);
}

int TvxUltraFlatLookAndFeelPainter::ExpandButtonSize() const { return 11; }
bool TvxUltraFlatLookAndFeelPainter::IsButtonHotTrack() const { return true; }

void TvxUltraFlatLookAndFeelPainter::DrawCheckBorder(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const {
  canvas.FrameRect(r, clBtnText);
  canvas.FrameRect(Inflated(r, -1, -1), CheckButtonColor(state));
}

void TvxUltraFlatLookAndFeelPainter::DrawHeaderEx(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds,
                                                  TvxNeighbors neighbors, TvxBorders borders, TvxButtonState state,
                                                  TAlignment alignHorz, TvxAlignmentVert alignVert, bool multiLine,
                                                  bool showEndEllipsis, const AnsiString& text, const TFont* font,
                                                  TColor textColor, TColor bkColor,
                                                  const TvxDrawBackgroundEvent& onDrawBackground, bool) const {
  DrawContent(canvas, Inflated(bounds, -1, -1), Inflated(textAreaBounds, -1, -1), state, alignHorz, alignVert,
              multiLine, showEndEllipsis, text, font, textColor, bkColor, onDrawBackground, false);
  DrawHeaderBorder(canvas, bounds, neighbors, borders);
}

void TvxUltraFlatLookAndFeelPainter::DrawHeaderBorder(TvxCanvas& canvas, const RECT& r, TvxNeighbors,
                                                      TvxBorders borders) const {
  SetBrush(canvas, clBtnText);
  if (borders & bLeft) canvas.FillRect(RECT{r.left, r.top, r.left + 1, r.bottom});
  if (borders & bTop) canvas.FillRect(RECT{r.left, r.top, r.right, r.top + 1});
  canvas.FillRect(RECT{r.right - 1, r.top, r.right, r.bottom});
  canvas.FillRect(RECT{r.left, r.bottom - 1, r.right, r.bottom});
}

void TvxUltraFlatLookAndFeelPainter::DrawHeaderSectionBorder(TvxCanvas& canvas, const RECT& r, TvxBorders borders,
                                                             TvxButtonState state) const {
  const TColor color = state == vxbsDisabled ? clBtnShadow : clBlack;
  SidePair(canvas, r, color, color, borders);
}

void TvxUltraFlatLookAndFeelPainter::DrawHeaderSectionContent(TvxCanvas& canvas, const RECT& bounds,
                                                              const RECT& textAreaBounds, TvxButtonState state,
                                                              TAlignment alignHorz, TvxAlignmentVert alignVert,
                                                              bool multiLine, bool showEndEllipsis,
                                                              const AnsiString& text, const TFont* font,
                                                              TColor textColor, TColor bkColor) const {
  TvxCustomLookAndFeelPainter::DrawHeaderSectionContent(canvas, bounds, textAreaBounds, state, alignHorz, alignVert,
                                                        multiLine, showEndEllipsis, text, font, textColor,
                                                        IsHotOrPressed(state) ? ButtonColor(state) : bkColor);
}

void TvxUltraFlatLookAndFeelPainter::DrawSortingMark(TvxCanvas& canvas, const RECT& r, bool ascending) const {
  vxDrawSortingMark(canvas, r, SortingMarkSize(), clBtnShadow, clBtnShadow, ascending);
}

TvxBorders TvxUltraFlatLookAndFeelPainter::HeaderBorders(TvxNeighbors neighbors) const {
  TvxBorders borders = vxBordersAll;
  if (neighbors & nLeft) borders &= ~bLeft;
  if (neighbors & nTop) borders &= ~bTop;
  return borders;
}

int TvxUltraFlatLookAndFeelPainter::HeaderBorderSize() const { return 1; }
POINT TvxUltraFlatLookAndFeelPainter::SortingMarkSize() const { return POINT{7, 8}; }
TvxBorders TvxUltraFlatLookAndFeelPainter::PanelBorders() const { return bRight | bBottom; }
int TvxUltraFlatLookAndFeelPainter::FrameWidth() const { return 1; }
int TvxUltraFlatLookAndFeelPainter::TextPanelBorderWidth() const { return 1; }
int TvxUltraFlatLookAndFeelPainter::TextPanelFrameWidth() const { return 2; }

void TvxUltraFlatLookAndFeelPainter::DrawRaisedFrame(TvxCanvas& canvas, const RECT& r) const {
  SetBrush(canvas, PanelColor());
  canvas.FillRect(RECT{r.right - 1, r.top, r.right, r.bottom});
  canvas.FillRect(RECT{r.left, r.bottom - 1, r.right, r.bottom});
}

void TvxUltraFlatLookAndFeelPainter::DrawSunkenFrame(TvxCanvas& canvas, const RECT& r) const {
  canvas.FrameRect(r, PanelColor());
}

void TvxUltraFlatLookAndFeelPainter::DrawDropDownButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state,
                                                        bool highlighted) const {
  canvas.FrameRect(r, ButtonBorderColor(state));
  const RECT inside = Inflated(r, -1, -1);
  canvas.FillRect(inside, ButtonColor(state));
  DrawDropDownArrow(canvas, inside, highlighted ? clBlue : ButtonSymbolColor(state, clDefault));
}

POINT TvxUltraFlatLookAndFeelPainter::SmallCloseButtonSize() const {
  POINT size = TvxCustomLookAndFeelPainter::SmallCloseButtonSize();
  ++size.y;
  return size;
}

POINT TvxUltraFlatLookAndFeelPainter::RadioButtonSize() const {
  const POINT size = TvxCustomLookAndFeelPainter::RadioButtonSize();
  return POINT{size.x - 1, size.y - 1};
}

void TvxUltraFlatLookAndFeelPainter::DrawTabBorder(TvxCanvas& canvas, const RECT& r, TvxBorder border, TvxBorders,
                                                   bool vertical) const {
  RECT rect = r;
  if (vertical && border == bBottom) {
    SetBrush(canvas, TabDarkBorderColor());
  } else if (!vertical && border == bRight) {
    rect.right -= TabBorderSize(0);
    SetBrush(canvas, TabDarkBorderColor());
  } else {
    SetBrush(canvas, TabBorderColor());
  }
  canvas.FillRect(rect);
}

void TvxUltraFlatLookAndFeelPainter::DrawTabPane(TvxCanvas& canvas, const RECT& r, TvxBorders borders,
                                                 uint8_t tabStyle) const {
  canvas.DrawComplexFrame(r, TabBorderColor(), TabBorderColor(), borders, TabBorderSize(tabStyle));
}

int TvxUltraFlatLookAndFeelPainter::TabBorderSize(uint8_t) const { return 1; }

void TvxUltraFlatLookAndFeelPainter::DrawScrollBarPart(TvxCanvas& canvas, bool horizontal, const RECT& r,
                                                       TvxScrollBarPart part, TvxButtonState state) const {
  if (IsEmptyRect(r) || (part == sbpThumb && state == vxbsDisabled)) return;
  if (IsPagePart(part)) {
    DrawPageArea(canvas, r, state);
    return;
  }
  if (part != sbpThumb && !IsArrowPart(part)) return;
  DrawButton(canvas, r, "", state, true, clDefault, clDefault);
  if (IsArrowPart(part)) DrawButtonArrow(canvas, r, state, ScrollArrowDirection(horizontal, part));
}

void TvxUltraFlatLookAndFeelPainter::DrawToolButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const {
  DrawButton(canvas, r, "", state, IsHotOrPressed(state), clDefault, clDefault);
}

void TvxUltraFlatLookAndFeelPainter::DrawSideFrame(TvxCanvas& canvas, const RECT& r, bool horizontal,
                                                   TColor color) const {
  RECT rect = r;
  SideFrameLines(canvas, rect, horizontal, PainterColor48(), PainterColor48());
  canvas.FillRect(rect, color);
}

TColor TvxUltraFlatLookAndFeelPainter::ButtonBorderColor(TvxButtonState state) const {
  return state == vxbsNormal ? clBtnShadow : clHighlight;
}

TColor TvxUltraFlatLookAndFeelPainter::TabBorderColor() const { return clBtnShadow; }
TColor TvxUltraFlatLookAndFeelPainter::TabDarkBorderColor() const { return clBtnText; }
TColor TvxUltraFlatLookAndFeelPainter::HotBorderColor() const { return clHighlight; }

// --- TvxOffice11LookAndFeelPainter -----------------------------------------------------
// The scheme colours are read at every call: they change with the visual style.

void TvxOffice11LookAndFeelPainter::DrawContent(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds,
                                                TvxButtonState state, TAlignment alignHorz, TvxAlignmentVert alignVert,
                                                bool multiLine, bool showEndEllipsis, const AnsiString& text,
                                                const TFont* font, TColor textColor, TColor,
                                                const TvxDrawBackgroundEvent& onDrawBackground,
                                                bool flatBackground) const {
  if (!DrawnByCallback(canvas, bounds, onDrawBackground)) {
    const bool hot = state == vxbsHot;
    const TColor c1 = hot ? Office11SchemeColor6() : Office11Color166();
    const TColor c2 = hot ? Office11SchemeColor6() : Office11Color163();
    if (flatBackground) {
      canvas.FillRect(bounds, c1);
    } else {
      canvas.FillRect(RECT{bounds.left, bounds.top, bounds.right, bounds.bottom - 3}, c1);
      FillGradientRect(canvas.Handle(), RECT{bounds.left, bounds.bottom - 4, bounds.right, bounds.bottom}, c1, false,
                       c2);
    }
  }
  DrawContentText(canvas, textAreaBounds, vxAlignmentTextFlags(alignHorz, alignVert, multiLine, showEndEllipsis), text,
                  font, textColor);
  if (state == vxbsHot)
    FillGradientRect(canvas.Handle(), RECT{bounds.left - 1, bounds.bottom - 2, bounds.right, bounds.bottom + 1},
                     Office11SchemeColor13(), false, Office11SchemeColor22());
}

uint8_t TvxOffice11LookAndFeelPainter::LookAndFeelStyle() const { return vxPainterStyleOffice11; }
TColor TvxOffice11LookAndFeelPainter::PainterColor15() const { return Office11SchemeColor1(); }
TColor TvxOffice11LookAndFeelPainter::PainterColor25() const { return Office11SchemeColor2(); }
TColor TvxOffice11LookAndFeelPainter::PainterColor26() const { return Office11SchemeColor3(); }
TColor TvxOffice11LookAndFeelPainter::PainterColor28() const { return Office11SchemeColor4(); }
TColor TvxOffice11LookAndFeelPainter::PainterColor29() const { return PainterColor36(); }
TColor TvxOffice11LookAndFeelPainter::PainterColor31() const { return Office11SchemeColor5(); }
TColor TvxOffice11LookAndFeelPainter::PainterColor33() const { return Office11SchemeColor1(); }
TColor TvxOffice11LookAndFeelPainter::PainterColor34() const { return Office11SchemeColor6(); }
TColor TvxOffice11LookAndFeelPainter::PainterColor35() const { return Office11Color166(); }
TColor TvxOffice11LookAndFeelPainter::PainterColor37() const { return PainterColor33(); }
TColor TvxOffice11LookAndFeelPainter::PainterColor43() const { return Office11SchemeColor4(); }
TColor TvxOffice11LookAndFeelPainter::PainterColor44() const { return Office11SchemeColor7(); }
TColor TvxOffice11LookAndFeelPainter::PainterColor45() const { return clWindowText; }
TColor TvxOffice11LookAndFeelPainter::PainterColor48() const { return Office11SchemeColor8(); }
TColor TvxOffice11LookAndFeelPainter::PainterColor49() const { return Office11SchemeColor9(); }
TColor TvxOffice11LookAndFeelPainter::PainterColor55() const { return Office11SchemeColor10(); }
TColor TvxOffice11LookAndFeelPainter::PainterColor57() const { return PainterColor55(); }
TColor TvxOffice11LookAndFeelPainter::PainterColor60() const { return Office11SchemeColor4(); }
TColor TvxOffice11LookAndFeelPainter::PainterColor62() const { return PainterColor49(); }

void TvxOffice11LookAndFeelPainter::DrawBorder(TvxCanvas& canvas, const RECT& r) const {
  canvas.FrameRect(r, Office11SchemeColor12());
}

TColor TvxOffice11LookAndFeelPainter::ButtonColor(TvxButtonState state) const {
  if (state == vxbsHot) return Office11SchemeColor13();
  if (state == vxbsPressed) return Office11SchemeColor14();
  return Office11SchemeColor4();
}

TColor TvxOffice11LookAndFeelPainter::ButtonSymbolColor(TvxButtonState state, TColor) const {
  if (state == vxbsPressed && !IsOffice11SchemeActive()) return clHighlightText;
  if (state == vxbsDisabled) return Office11SchemeColor15();
  return Office11SchemeColor16();
}

void TvxOffice11LookAndFeelPainter::DrawButtonBorder(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const {
  switch (state) {
    case vxbsDefault: TvxUltraFlatLookAndFeelPainter::DrawButtonBorder(canvas, r, state); break;
    case vxbsNormal: canvas.FrameRect(r, clBtnText); break;
    case vxbsDisabled: canvas.FrameRect(r, Office11SchemeColor15()); break;
    default: canvas.FrameRect(r, Office11SchemeColor11()); break;
  }
}

void TvxOffice11LookAndFeelPainter::DrawExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded, TColor) const {
  TBitmap* source = vdOffice11ExpandButtonBitmap(expanded);
  if (source == nullptr) return;
  // The corners take a quarter of the edge colours over what the canvas shows there, on a
  // copy: the scheme's bitmap stays as it is.
  TBitmap button;
  button.SetSize(source->Width(), source->Height());
  button.Canvas().Draw(0, 0, *source);
  auto mixed = [&](TColor color, TColor under) { return under == clNone ? color : vdMixColors(color, under, 25); };
  const TColor topLeft = mixed(Office11SchemeColor20(), canvas.Pixels(r.left, r.top));
  const TColor bottomRight = mixed(Office11SchemeColor21(), canvas.Pixels(r.right - 1, r.bottom - 1));
  const int last = button.Width() - 1, bottom = button.Height() - 1;
  button.Canvas().SetPixels(0, 0, topLeft);
  button.Canvas().SetPixels(last, bottom, bottomRight);
  button.Canvas().SetPixels(0, bottom, bottomRight);
  button.Canvas().SetPixels(last, 0, bottomRight);
  canvas.Draw(r.left, r.top, button);
}

bool TvxOffice11LookAndFeelPainter::ExpandButtonTransparent() const { return false; }

void TvxOffice11LookAndFeelPainter::DrawSmallExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded,
                                                          TColor color) const {
  DrawExpandButton(canvas, r, expanded, color);
}

int TvxOffice11LookAndFeelPainter::ExpandButtonSize() const { return 11; }
int TvxOffice11LookAndFeelPainter::SmallExpandButtonSize() const { return ExpandButtonSize(); }

TColor TvxOffice11LookAndFeelPainter::CheckButtonColor(TvxButtonState state) const {
  if (IsHotOrPressed(state) || state == vxbsDisabled) return ButtonColor(state);
  return TvxCustomLookAndFeelPainter::CheckButtonColor(state);
}

void TvxOffice11LookAndFeelPainter::DrawHeader(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds,
                                               TvxNeighbors, TvxBorders, TvxButtonState state, TAlignment alignHorz,
                                               TvxAlignmentVert alignVert, bool multiLine, bool showEndEllipsis,
                                               const AnsiString& text, const TFont* font, TColor textColor,
                                               TColor bkColor, const TvxDrawBackgroundEvent& onDrawBackground,
                                               bool isLast) const {
  // The scheme's header has its own lines: neighbours and borders do not shape it.
  TvxCustomLookAndFeelPainter::DrawHeader(canvas, bounds, textAreaBounds, 0, 0, state, alignHorz, alignVert, multiLine,
                                          showEndEllipsis, text, font, textColor, bkColor, onDrawBackground, isLast);
}

void TvxOffice11LookAndFeelPainter::DrawHeaderBorder(TvxCanvas& canvas, const RECT& r, TvxNeighbors, TvxBorders) const {
  // A dark bottom line and a dark separator at the right whose ends fade into the face.
  const TColor dark = Office11Color163(), face = Office11Color166();
  canvas.FillRect(RECT{r.left, r.bottom - 1, r.right, r.bottom}, dark);
  canvas.FillRect(RECT{r.right - 1, r.top + 2, r.right, r.bottom - 2}, dark);
  const TColor blend = vdMixColors(dark, face, 50);
  canvas.SetPixels(r.right - 1, r.top + 1, blend);
  canvas.SetPixels(r.right - 1, r.bottom - 2, blend);
}

void TvxOffice11LookAndFeelPainter::DrawHeaderSection(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds,
                                                      TvxBorders borders, TvxButtonState state, TAlignment alignHorz,
                                                      TvxAlignmentVert alignVert, bool multiLine, bool showEndEllipsis,
                                                      const AnsiString& text, const TFont* font, TColor textColor,
                                                      TColor bkColor) const {
  DrawHeader(canvas, bounds, textAreaBounds, 0, borders, state, alignHorz, alignVert, multiLine, showEndEllipsis, text,
             font, textColor, bkColor, nullptr, false);
  if (state == vxbsPressed) DrawHeaderPressed(canvas, bounds);
}

void TvxOffice11LookAndFeelPainter::DrawSortingMark(TvxCanvas& canvas, const RECT& r, bool ascending) const {
  vxDrawSortingMark(canvas, r, SortingMarkSize(), Office11Color165(), Office11Color164(), ascending);
}

TvxBorders TvxOffice11LookAndFeelPainter::HeaderBorders(TvxNeighbors) const { return vxBordersAll; }
int TvxOffice11LookAndFeelPainter::HeaderBorderSize() const { return 1; }
bool TvxOffice11LookAndFeelPainter::HasOwnHeaderBackground() const { return true; }
TColor TvxOffice11LookAndFeelPainter::PanelColor() const { return Office11Color164(); }

void TvxOffice11LookAndFeelPainter::DrawScrollBarPart(TvxCanvas& canvas, bool horizontal, const RECT& r,
                                                      TvxScrollBarPart part, TvxButtonState state) const {
  if (AreVisualStylesAvailable(totScrollBar))
    vxWinXPPainter.DrawScrollBarPart(canvas, horizontal, r, part, state);
  else
    vxStandardPainter.DrawScrollBarPart(canvas, horizontal, r, part, state);
}

void TvxOffice11LookAndFeelPainter::DrawHeaderWithMark(TvxCanvas& canvas, const RECT& r, const AnsiString& text,
                                                       TvxNeighbors, const TvxViewParams& viewParams, uint8_t, int,
                                                       const TvxDrawBackgroundEvent&) const {
  const RECT inside = Inflated(r, -1, -1);
  canvas.FillRect(inside, viewParams.Color);
  DrawContentText(canvas, inside, vxAlignHCenter | vxAlignVCenter | vxSingleLine, text, viewParams.Font,
                  viewParams.TextColor);
}

void TvxOffice11LookAndFeelPainter::DrawPanelBorder(TvxCanvas& canvas, const RECT& r) const {
  canvas.FrameRect(r, PainterColor48());
}

void TvxOffice11LookAndFeelPainter::DrawToolButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const {
  vxWinXPPainter.DrawToolButton(canvas, r, state);
}

TColor TvxOffice11LookAndFeelPainter::ButtonBorderColor(TvxButtonState state) const {
  return state == vxbsNormal ? TvxUltraFlatLookAndFeelPainter::ButtonBorderColor(state) : Office11Color164();
}

TColor TvxOffice11LookAndFeelPainter::TabBorderColor() const { return Office11Color164(); }
TColor TvxOffice11LookAndFeelPainter::HotBorderColor() const { return Office11SchemeColor11(); }
TColor TvxOffice11LookAndFeelPainter::Office11Color163() const { return Office11SchemeColor17(); }
TColor TvxOffice11LookAndFeelPainter::Office11Color164() const { return Office11SchemeColor18(); }
TColor TvxOffice11LookAndFeelPainter::Office11Color165() const { return Office11SchemeColor19(); }

TColor TvxOffice11LookAndFeelPainter::Office11Color166() const {
  return vdMixColors(Office11SchemeColor6(), Office11SchemeColor17(), 50);
}

// --- TvxWinXPLookAndFeelPainter --------------------------------------------------------
// Every themed operation asks for the theme of its class first and runs the standard
// painter's routine (or the one it inherits) on this painter when there is none; a value the
// style does not define is the standard painter's too.

uint8_t TvxWinXPLookAndFeelPainter::LookAndFeelStyle() const { return vxPainterStyleWinXP; }
TColor TvxWinXPLookAndFeelPainter::PainterColor17() const { return 0x800000; }

TColor TvxWinXPLookAndFeelPainter::PainterColor48() const {
  return ThemeColor(ThemeOf(totComboBox), CP_DROPDOWNBUTTON, CBXS_NORMAL, TMT_BORDERCOLOR)
      .value_or(TvxStandardLookAndFeelPainter::PainterColor48());
}

TColor TvxWinXPLookAndFeelPainter::PainterColor50() const { return 0xD5FFFF; }

void TvxWinXPLookAndFeelPainter::DrawScrollArrow(TvxCanvas& canvas, const RECT& r, TvxButtonState state,
                                                 TvxArrowDirection direction, bool drawBackground) const {
  if (HTHEME theme = ThemeOf(totScrollBar))
    DrawThemed(canvas, theme, SBP_ARROWBTN, vxThemedScrollArrowState(direction, state), r);
  else
    TvxStandardLookAndFeelPainter::DrawScrollArrow(canvas, r, state, direction, drawBackground);
}

void TvxWinXPLookAndFeelPainter::DrawButtonFace(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const {
  if (HTHEME theme = ThemeOf(totButton))
    DrawThemed(canvas, theme, BP_PUSHBUTTON, vxThemedPushButtonStates[StateIndex(state)], r);
  else
    TvxStandardLookAndFeelPainter::DrawButtonFace(canvas, r, state);
}

int TvxWinXPLookAndFeelPainter::BorderSize() const {
  return ThemeOf(totListView) != nullptr ? 1 : TvxStandardLookAndFeelPainter::BorderSize();
}

void TvxWinXPLookAndFeelPainter::DrawBorder(TvxCanvas& canvas, const RECT& r) const {
  HTHEME theme = ThemeOf(totListView);
  if (theme == nullptr) {
    TvxStandardLookAndFeelPainter::DrawBorder(canvas, r);
    return;
  }
  // Only the one-pixel frame of the list view's background.
  const int saved = canvas.Canvas().SaveDC();
  canvas.ExcludeClipRect(Inflated(r, -1, -1));
  DrawThemed(canvas, theme, LVP_EMPTYTEXT, 0, r);
  canvas.Canvas().RestoreDC(saved);
}

RECT TvxWinXPLookAndFeelPainter::ButtonBackgroundRect(const RECT& r) const {
  RECT result = TvxStandardLookAndFeelPainter::ButtonBackgroundRect(r);
  HTHEME theme = ThemeOf(totButton);
  if (theme != nullptr && IsThemeBackgroundPartiallyTransparent(theme, BP_PUSHBUTTON, PBS_NORMAL))
    InflateRect(&result, 1, 1);
  return result;
}

int TvxWinXPLookAndFeelPainter::ButtonBorderSize(TvxButtonState state) const {
  return ThemeContentMargin(ThemeOf(totButton), BP_PUSHBUTTON, PBS_NORMAL)
      .value_or(TvxStandardLookAndFeelPainter::ButtonBorderSize(state));
}

TColor TvxWinXPLookAndFeelPainter::ButtonColor(TvxButtonState state) const {
  return ThemeColor(ThemeOf(totButton), BP_PUSHBUTTON, vxThemedPushButtonStates[StateIndex(state)], TMT_COLOR)
      .value_or(clBtnFace);
}

RECT TvxWinXPLookAndFeelPainter::ButtonContentRect(TvxCanvas& canvas, const RECT& r) const {
  HTHEME theme = ThemeOf(totButton);
  RECT content{};
  if (theme != nullptr &&
      SUCCEEDED(GetThemeBackgroundContentRect(theme, canvas.Handle(), BP_PUSHBUTTON, PBS_NORMAL, r, content)))
    return content;
  return TvxStandardLookAndFeelPainter::ButtonContentRect(canvas, r);
}

RECT TvxWinXPLookAndFeelPainter::ButtonGroupBorderSizes(int count, int index) const {
  HTHEME theme = ThemeOf(totButton);
  std::optional<RECT> margins = ThemeMargins(theme, BP_PUSHBUTTON, PBS_NORMAL);
  if (!margins) return TvxStandardLookAndFeelPainter::ButtonGroupBorderSizes(count, index);
  // A partly transparent button keeps one more pixel on every side.
  const int grow = IsThemeBackgroundPartiallyTransparent(theme, BP_PUSHBUTTON, PBS_NORMAL) ? 1 : 0;
  return RECT{margins->left + grow, margins->top + grow, margins->right + grow, margins->bottom + grow};
}

int TvxWinXPLookAndFeelPainter::ButtonTextOffset() const { return 2; }
int TvxWinXPLookAndFeelPainter::ButtonTextShift() const { return 0; }

TColor TvxWinXPLookAndFeelPainter::ButtonSymbolColor(TvxButtonState state, TColor defaultColor) const {
  return ThemeColor(ThemeOf(totButton), BP_PUSHBUTTON, vxThemedPushButtonStates[StateIndex(state)], TMT_TEXTCOLOR)
      .value_or(TvxStandardLookAndFeelPainter::ButtonSymbolColor(state, defaultColor));
}

void TvxWinXPLookAndFeelPainter::DrawButton(TvxCanvas& canvas, const RECT& r, const AnsiString& caption,
                                            TvxButtonState state, bool drawBorder, TColor color,
                                            TColor textColor) const {
  HTHEME theme = ThemeOf(totButton);
  if (theme == nullptr) {
    TvxStandardLookAndFeelPainter::DrawButton(canvas, r, caption, state, drawBorder, color, textColor);
    return;
  }
  const int themeState = vxThemedPushButtonStates[StateIndex(state)];
  DrawThemed(canvas, theme, BP_PUSHBUTTON, themeState, r);
  if (!caption.empty())
    DrawThemeText(theme, canvas.Canvas().HandleWithObjects(), BP_PUSHBUTTON, themeState, caption,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE, 0, r);
}

void TvxWinXPLookAndFeelPainter::DrawExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded, TColor color) const {
  HTHEME theme = ThemeOf(totTreeView);
  if (theme == nullptr) {
    TvxStandardLookAndFeelPainter::DrawExpandButton(canvas, r, expanded, color);
    return;
  }
  DrawThemed(canvas, theme, TVP_GLYPH, expanded ? GLPS_OPENED : GLPS_CLOSED, r);
  canvas.ExcludeClipRect(r);
}

bool TvxWinXPLookAndFeelPainter::ExpandButtonTransparent() const { return false; }

void TvxWinXPLookAndFeelPainter::DrawGroupExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded,
                                                       TvxButtonState state) const {
  HTHEME theme = ThemeOf(totExplorerBar);
  if (theme == nullptr) {
    TvxStandardLookAndFeelPainter::DrawGroupExpandButton(canvas, r, expanded, state);
    return;
  }
  // The explorer bar's group button has normal, hot and pressed states only.
  static constexpr int kStates[] = {6, 1, 2, 3};
  const int themeState = kStates[std::min<size_t>(StateIndex(state), 3)];
  DrawThemed(canvas, theme, expanded ? EBP_NORMALGROUPCOLLAPSE : EBP_NORMALGROUPEXPAND,
             state == vxbsDisabled ? 1 : themeState, r);
}

void TvxWinXPLookAndFeelPainter::DrawSmallExpandButton(TvxCanvas& canvas, const RECT& r, bool expanded,
                                                       TColor color) const {
  if (ThemeOf(totTreeView) != nullptr)
    DrawExpandButton(canvas, r, expanded, clDefault);
  else
    TvxStandardLookAndFeelPainter::DrawSmallExpandButton(canvas, r, expanded, color);
}

int TvxWinXPLookAndFeelPainter::ExpandButtonSize() const {
  if (auto size = ThemePartSize(ThemeOf(totTreeView), TVP_GLYPH, GLPS_CLOSED)) return size->x;
  return TvxStandardLookAndFeelPainter::ExpandButtonSize();
}

int TvxWinXPLookAndFeelPainter::GroupExpandButtonSize() const {
  if (auto size = ThemePartSize(ThemeOf(totExplorerBar), EBP_NORMALGROUPEXPAND, 1)) return size->x;
  return TvxStandardLookAndFeelPainter::GroupExpandButtonSize();
}

bool TvxWinXPLookAndFeelPainter::IsButtonHotTrack() const { return true; }

bool TvxWinXPLookAndFeelPainter::IsPointOverGroupExpandButton(const RECT& r, POINT p) const {
  HTHEME theme = ThemeOf(totExplorerBar);
  HRGN region = nullptr;
  if (theme == nullptr || FAILED(GetThemeBackgroundRegion(theme, nullptr, EBP_NORMALGROUPEXPAND, 1, r, region)) ||
      region == nullptr)
    return TvxStandardLookAndFeelPainter::IsPointOverGroupExpandButton(r, p);
  const bool inside = PtInRegion(region, p.x, p.y) != FALSE;
  DeleteObject(region);
  return inside;
}

int TvxWinXPLookAndFeelPainter::SmallExpandButtonSize() const {
  return ThemeOf(totTreeView) != nullptr ? ExpandButtonSize() : TvxStandardLookAndFeelPainter::SmallExpandButtonSize();
}

int TvxWinXPLookAndFeelPainter::CheckBorderSize() const {
  return ThemeOf(totButton) != nullptr ? 0 : TvxStandardLookAndFeelPainter::CheckBorderSize();
}

void TvxWinXPLookAndFeelPainter::DrawCheck(TvxCanvas& canvas, const RECT& r, TvxButtonState state, bool checked,
                                           TColor color) const {
  if (HTHEME theme = ThemeOf(totButton))
    DrawThemed(canvas, theme, BP_CHECKBOX, vxThemedCheckStates[StateIndex(state)] + (checked ? 4 : 0), r);
  else
    TvxStandardLookAndFeelPainter::DrawCheck(canvas, r, state, checked, color);
}

void TvxWinXPLookAndFeelPainter::DrawCheckBorder(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const {
  if (ThemeOf(totButton) == nullptr) TvxStandardLookAndFeelPainter::DrawCheckBorder(canvas, r, state);
}

void TvxWinXPLookAndFeelPainter::DrawRadioButton(TvxCanvas& canvas, int x, int y, TvxButtonState state, bool checked,
                                                 uint8_t selectorB, TColor bkColor, uint8_t selectorA) const {
  HTHEME theme = ThemeOf(totButton);
  const int themeState = vxThemedCheckStates[StateIndex(state)] + (checked ? 4 : 0);
  std::optional<POINT> size = ThemePartSize(theme, BP_RADIOBUTTON, themeState);
  if (!size) {
    TvxStandardLookAndFeelPainter::DrawRadioButton(canvas, x, y, state, checked, selectorB, bkColor, selectorA);
    return;
  }
  const RECT r{x, y, x + size->x, y + size->y};
  if (bkColor != clDefault) canvas.FillRect(r, bkColor);
  DrawThemed(canvas, theme, BP_RADIOBUTTON, themeState, r);
}

void TvxWinXPLookAndFeelPainter::DrawHeader(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds,
                                            TvxNeighbors neighbors, TvxBorders borders, TvxButtonState state,
                                            TAlignment alignHorz, TvxAlignmentVert alignVert, bool multiLine,
                                            bool showEndEllipsis, const AnsiString& text, const TFont* font,
                                            TColor textColor, TColor bkColor,
                                            const TvxDrawBackgroundEvent& onDrawBackground, bool isLast) const {
  HTHEME theme = ThemeOf(totHeader);
  if (theme == nullptr) {
    TvxStandardLookAndFeelPainter::DrawHeader(canvas, bounds, textAreaBounds, neighbors, borders, state, alignHorz,
                                              alignVert, multiLine, showEndEllipsis, text, font, textColor, bkColor,
                                              onDrawBackground, isLast);
    return;
  }
  const int themeState = vxThemedHeaderItemStates[StateIndex(state)];
  DrawThemed(canvas, theme, isLast && themeState == HIS_NORMAL ? HP_HEADERITEMRIGHT : HP_HEADERITEM, themeState,
             bounds);
  const TvxDrawBackgroundEvent keepBackground = [](TvxCanvas&, const RECT&) { return true; };
  DrawContent(canvas, HeaderContentBounds(bounds, borders), HeaderContentBounds(textAreaBounds, borders), state,
              alignHorz, alignVert, multiLine, showEndEllipsis, text, font, textColor, bkColor, keepBackground, false);
}

void TvxWinXPLookAndFeelPainter::DrawHeaderPressed(TvxCanvas&, const RECT&) const {}

void TvxWinXPLookAndFeelPainter::DrawHeaderSection(TvxCanvas& canvas, const RECT& bounds, const RECT& textAreaBounds,
                                                   TvxBorders borders, TvxButtonState state, TAlignment alignHorz,
                                                   TvxAlignmentVert alignVert, bool multiLine, bool showEndEllipsis,
                                                   const AnsiString& text, const TFont* font, TColor textColor,
                                                   TColor bkColor) const {
  canvas.FillRect(bounds, bkColor);
  DrawHeader(canvas, bounds, textAreaBounds, 0, borders, state, alignHorz, alignVert, multiLine, showEndEllipsis, text,
             font, textColor, bkColor, nullptr, false);
}

void TvxWinXPLookAndFeelPainter::DrawSortingMark(TvxCanvas& canvas, const RECT& r, bool ascending) const {
  vxUltraFlatPainter.DrawSortingMark(canvas, r, ascending);
}

int TvxWinXPLookAndFeelPainter::HeaderBorderSize() const {
  return ThemeContentMargin(ThemeOf(totHeader), HP_HEADERITEM, HIS_NORMAL)
      .value_or(TvxStandardLookAndFeelPainter::HeaderBorderSize());
}

bool TvxWinXPLookAndFeelPainter::IsHeaderPressedInverted() const { return false; }

int TvxWinXPLookAndFeelPainter::HeaderSectionBorderSize(TvxButtonState state) const {
  return ThemeOf(totHeader) != nullptr ? HeaderBorderSize()
                                       : TvxStandardLookAndFeelPainter::HeaderSectionBorderSize(state);
}

RECT TvxWinXPLookAndFeelPainter::HeaderSectionContentBounds(const RECT& r, TvxButtonState state) const {
  if (ThemeOf(totHeader) == nullptr) return TvxStandardLookAndFeelPainter::HeaderSectionContentBounds(r, state);
  return Inflated(r, -HeaderBorderSize(), -HeaderBorderSize());
}

bool TvxWinXPLookAndFeelPainter::HasOwnHeaderBackground() const { return true; }
POINT TvxWinXPLookAndFeelPainter::SortingMarkSize() const { return vxUltraFlatPainter.SortingMarkSize(); }

void TvxWinXPLookAndFeelPainter::DrawTextPanel(TvxCanvas& canvas, const RECT& r, const AnsiString& text,
                                               const TFont* font, TAlignment alignHorz, TvxAlignmentVert alignVert,
                                               bool multiLine, bool showEndEllipsis, TColor textColor, TColor bkColor,
                                               const TvxDrawBackgroundEvent& onDrawBackground) const {
  HTHEME theme = ThemeOf(totTrackBar);
  if (theme == nullptr) {
    TvxStandardLookAndFeelPainter::DrawTextPanel(canvas, r, text, font, alignHorz, alignVert, multiLine,
                                                 showEndEllipsis, textColor, bkColor, onDrawBackground);
    return;
  }
  DrawThemed(canvas, theme, TKP_TRACK, 1, r);
  DrawThemedText(canvas, theme, TKP_TRACK, 1, TextPanelTextRect(r), text, font, textColor, alignHorz, alignVert,
                 multiLine, showEndEllipsis);
}

int TvxWinXPLookAndFeelPainter::FrameWidth() const {
  return ThemeOf(totEdit) != nullptr ? 1 : TvxStandardLookAndFeelPainter::FrameWidth();
}

int TvxWinXPLookAndFeelPainter::TextPanelBorderWidth() const {
  return ThemeContentMargin(ThemeOf(totTrackBar), TKP_TRACK, 1)
      .value_or(TvxStandardLookAndFeelPainter::TextPanelBorderWidth());
}

int TvxWinXPLookAndFeelPainter::TextPanelFrameWidth() const {
  return ThemeOf(totTrackBar) != nullptr ? 1 : TvxStandardLookAndFeelPainter::TextPanelFrameWidth();
}

bool TvxWinXPLookAndFeelPainter::PanelBackgroundNeeded() const { return false; }

void TvxWinXPLookAndFeelPainter::DrawRaisedFrame(TvxCanvas& canvas, const RECT& r) const {
  if (HTHEME theme = ThemeOf(totEdit))
    DrawThemeEdge(theme, canvas.Handle(), EP_EDITTEXT, 1, r, BDR_RAISEDINNER, BF_RECT, nullptr);
  else
    TvxStandardLookAndFeelPainter::DrawRaisedFrame(canvas, r);
}

void TvxWinXPLookAndFeelPainter::DrawSmallCloseButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const {
  if (HTHEME theme = ThemeOf(totWindow))
    DrawThemed(canvas, theme, WP_SMALLCLOSEBUTTON, vxThemedSmallCloseButtonStates[StateIndex(state)], r);
  else
    TvxStandardLookAndFeelPainter::DrawSmallCloseButton(canvas, r, state);
}

void TvxWinXPLookAndFeelPainter::DrawDropDownButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state,
                                                    bool highlighted) const {
  if (HTHEME theme = ThemeOf(totComboBox))
    DrawThemed(canvas, theme, CP_DROPDOWNBUTTON, vxThemedComboButtonStates[StateIndex(state)], r);
  else
    TvxStandardLookAndFeelPainter::DrawDropDownButton(canvas, r, state, highlighted);
}

POINT TvxWinXPLookAndFeelPainter::CheckButtonSize() const {
  return ThemePartSize(ThemeOf(totButton), BP_CHECKBOX, CBS_UNCHECKEDNORMAL)
      .value_or(TvxStandardLookAndFeelPainter::CheckButtonSize());
}

POINT TvxWinXPLookAndFeelPainter::SmallCloseButtonSize() const {
  return ThemePartSize(ThemeOf(totWindow), WP_SMALLCLOSEBUTTON, 1)
      .value_or(TvxStandardLookAndFeelPainter::SmallCloseButtonSize());
}

POINT TvxWinXPLookAndFeelPainter::RadioButtonSize() const {
  const POINT size = TvxStandardLookAndFeelPainter::RadioButtonSize();
  return POINT{size.x + 2, size.y + 2};
}

POINT TvxWinXPLookAndFeelPainter::AutoHideButtonSize() const {
  return ThemePartSize(ThemeOf(totExplorerBar), EBP_HEADERPIN, 1)
      .value_or(TvxStandardLookAndFeelPainter::AutoHideButtonSize());
}

void TvxWinXPLookAndFeelPainter::DrawGlyphButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const {
  HTHEME theme = ThemeOf(totButton);
  if (theme == nullptr) {
    TvxStandardLookAndFeelPainter::DrawGlyphButton(canvas, r, state);
    return;
  }
  DrawThemed(canvas, theme, BP_PUSHBUTTON, vxThemedPushButtonStates[StateIndex(state)], r);
  TvxCustomLookAndFeelPainter::DrawButtonGlyph(canvas, Inflated(r, -2, -2), state);
}

namespace {

// Themed drawing that needs a bitmap of its own: the part is drawn over a copy of what the
// canvas shows, so the style's transparent corners keep it.
std::unique_ptr<TBitmap> CopyOfCanvas(TvxCanvas& canvas, const RECT& r, int width, int height) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetSize(width, height);
  BitBlt(bitmap->Canvas().Handle(), 0, 0, width, height, canvas.Handle(), r.left, r.top, SRCCOPY);
  return bitmap;
}

}  // namespace

void TvxWinXPLookAndFeelPainter::DrawAutoHideButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state,
                                                    bool autoHideOn) const {
  HTHEME theme = ThemeOf(totExplorerBar);
  if (theme == nullptr || IsEmptyRect(r)) {
    TvxStandardLookAndFeelPainter::DrawAutoHideButton(canvas, r, state, autoHideOn);
    return;
  }
  static constexpr int kPinOutStates[] = {1, 1, 2, 3, 1};
  static constexpr int kPinInStates[] = {1, 1, 2, 3, 4};
  const int themeState = (autoHideOn ? kPinOutStates : kPinInStates)[StateIndex(state)];
  std::unique_ptr<TBitmap> pin = CopyOfCanvas(canvas, r, Width(r), Height(r));
  DrawThemeBackground(theme, pin->Canvas().Handle(), EBP_HEADERPIN, themeState, RECT{0, 0, Width(r), Height(r)});
  canvas.Draw(r.left, r.top, *pin);
}

void TvxWinXPLookAndFeelPainter::DrawTab(TvxCanvas& canvas, const RECT& r, TvxButtonState state, TvxBorder side,
                                         const AnsiString& text, const TFont* font, TColor textColor,
                                         TImageList* images, int imageIndex, bool focused) const {
  HTHEME theme = ThemeOf(totTab);
  if (theme == nullptr || IsEmptyRect(r)) {
    TvxStandardLookAndFeelPainter::DrawTab(canvas, r, state, side, text, font, textColor, images, imageIndex,
                                           focused);
    return;
  }
  static constexpr int kTabStates[] = {1, 1, 2, 3, 4};
  // The style draws tabs standing on a pane below them: draw one that way and turn it.
  const bool across = side == bLeft || side == bRight;
  const int width = across ? Height(r) : Width(r), height = across ? Width(r) : Height(r);
  auto tab = std::make_unique<TBitmap>();
  tab->SetSize(width, height);
  tab->Canvas().Brush().SetColor(clBtnFace);
  tab->Canvas().FillRect(RECT{0, 0, width, height});
  DrawThemeBackground(theme, tab->Canvas().Handle(), TABP_TABITEM, kTabStates[StateIndex(state)],
                      RECT{0, 0, width, height});
  switch (side) {
    case bBottom: vxRotateBitmap(*tab, 0, true); break;
    case bLeft: vxRotateBitmap(*tab, 1, false); break;
    case bRight: vxRotateBitmap(*tab, 2, false); break;
    default: break;
  }
  canvas.Draw(r.left, r.top, *tab);

  // The content, inside the style's margins turned as the tab was.
  const int themeState = kTabStates[StateIndex(state)];
  const RECT m = ThemeMargins(theme, TABP_TABITEM, themeState).value_or(RECT{});
  RECT content = r;
  switch (side) {
    case bBottom: content = RECT{r.left + m.left, r.top + m.bottom, r.right - m.right, r.bottom - m.top}; break;
    case bLeft: content = RECT{r.left + m.top, r.top + m.left, r.right - m.bottom, r.bottom - m.right}; break;
    case bRight: content = RECT{r.left + m.bottom, r.top + m.left, r.right - m.top, r.bottom - m.right}; break;
    default: content = RECT{r.left + m.left, r.top + m.top, r.right - m.right, r.bottom - m.bottom}; break;
  }
  if (IsEmptyRect(content)) return;
  if (images != nullptr && imageIndex >= 0 && imageIndex < images->Count()) {
    images->Draw(canvas.Canvas(), content.left, content.top + (Height(content) - images->Height()) / 2, imageIndex,
                 state != vxbsDisabled);
    content.left += images->Width() + 2;
  }
  if (!IsEmptyRect(content))
    DrawThemedText(canvas, theme, TABP_TABITEM, themeState, content, text, font, textColor, TAlignment::taCenter,
                   vaCenter, false, true);
  if (focused) canvas.Canvas().DrawFocusRect(content);
}

void TvxWinXPLookAndFeelPainter::DrawTabBorder(TvxCanvas& canvas, const RECT& r, TvxBorder border, TvxBorders borders,
                                               bool vertical) const {
  if (ThemeOf(totTab) == nullptr) TvxStandardLookAndFeelPainter::DrawTabBorder(canvas, r, border, borders, vertical);
}

void TvxWinXPLookAndFeelPainter::DrawTabPane(TvxCanvas& canvas, const RECT& r, TvxBorders borders,
                                             uint8_t tabStyle) const {
  HTHEME theme = ThemeOf(totTab);
  std::optional<RECT> margins = ThemeMargins(theme, TABP_PANE, 0);
  if (!margins) {
    TvxStandardLookAndFeelPainter::DrawTabPane(canvas, r, borders, tabStyle);
    return;
  }
  const RECT pane{r.left - margins->left, r.top - margins->top, r.right + margins->right, r.bottom + margins->bottom};
  DrawThemed(canvas, theme, TABP_PANE, 0, pane);
}

bool TvxWinXPLookAndFeelPainter::IsTabThemed(uint8_t) const { return ThemeOf(totTab) != nullptr; }
bool TvxWinXPLookAndFeelPainter::IsTabHotThemed(uint8_t) const { return ThemeOf(totTab) != nullptr; }
int TvxWinXPLookAndFeelPainter::TabBorderSize(uint8_t) const { return 1; }

void TvxWinXPLookAndFeelPainter::DrawIndicatorItem(TvxCanvas& canvas, const RECT& r, TvxIndicatorKind kind,
                                                   TColor bkColor,
                                                   const TvxDrawBackgroundEvent& onDrawBackground) const {
  vxFlatPainter.TvxCustomLookAndFeelPainter::DrawIndicatorItem(canvas, r, kind, bkColor, onDrawBackground);
}

void TvxWinXPLookAndFeelPainter::DrawScrollBarPart(TvxCanvas& canvas, bool horizontal, const RECT& r,
                                                   TvxScrollBarPart part, TvxButtonState state) const {
  HTHEME theme = ThemeOf(totScrollBar);
  if (theme == nullptr) {
    TvxStandardLookAndFeelPainter::DrawScrollBarPart(canvas, horizontal, r, part, state);
    return;
  }
  if (IsEmptyRect(r)) return;
  const int themeState = vxThemedScrollBarStates[StateIndex(state)];
  if (IsArrowPart(part)) {
    DrawThemed(canvas, theme, SBP_ARROWBTN, vxThemedScrollArrowState(ScrollArrowDirection(horizontal, part), state), r);
  } else if (part == sbpThumb) {
    DrawThemed(canvas, theme, horizontal ? SBP_THUMBBTNHORZ : SBP_THUMBBTNVERT, themeState, r);
    DrawThemed(canvas, theme, horizontal ? SBP_GRIPPERHORZ : SBP_GRIPPERVERT, 0, r);
  } else if (IsPagePart(part)) {
    const bool lower = part == sbpPageUp;
    const int themePart = horizontal ? (lower ? SBP_LOWERTRACKHORZ : SBP_UPPERTRACKHORZ)
                                     : (lower ? SBP_LOWERTRACKVERT : SBP_UPPERTRACKVERT);
    DrawThemed(canvas, theme, themePart, themeState, r);
  }
}

void TvxWinXPLookAndFeelPainter::DrawHeaderWithMark(TvxCanvas& canvas, const RECT& r, const AnsiString& text,
                                                    TvxNeighbors neighbors, const TvxViewParams& viewParams,
                                                    uint8_t marks, int offset,
                                                    const TvxDrawBackgroundEvent& onDrawBackground) const {
  TvxCustomLookAndFeelPainter::DrawHeaderWithMark(canvas, r, text, neighbors, viewParams, marks, offset,
                                                  onDrawBackground);
}

void TvxWinXPLookAndFeelPainter::DrawToolButton(TvxCanvas& canvas, const RECT& r, TvxButtonState state) const {
  if (HTHEME theme = ThemeOf(totToolBar))
    DrawThemed(canvas, theme, TP_BUTTON, vxThemedPushButtonStates[StateIndex(state)], r);
  else
    TvxStandardLookAndFeelPainter::DrawToolButton(canvas, r, state);
}

void TvxWinXPLookAndFeelPainter::DrawSideFrame(TvxCanvas& canvas, const RECT& r, bool horizontal, TColor color) const {
  std::optional<TColor> line;
  if (ThemeOf(totComboBox) != nullptr) line = ThemeColor(ThemeOf(totListView), LVP_LISTITEM, 1, TMT_BORDERCOLOR);
  if (!line) {
    TvxStandardLookAndFeelPainter::DrawSideFrame(canvas, r, horizontal, color);
    return;
  }
  RECT rect = r;
  SideFrameLines(canvas, rect, horizontal, *line, *line);
  canvas.FillRect(rect, color);
}

void TvxWinXPLookAndFeelPainter::DrawThemedText(TvxCanvas& canvas, HTHEME theme, int part, int state, const RECT& r,
                                                const AnsiString& text, const TFont* font, TColor textColor,
                                                TAlignment alignHorz, TvxAlignmentVert alignVert, bool multiLine,
                                                bool showEndEllipsis) const {
  if (theme == nullptr) {
    DrawContentText(canvas, r, vxAlignmentTextFlags(alignHorz, alignVert, multiLine, showEndEllipsis), text, font,
                    textColor);
    return;
  }
  if (text.empty()) return;
  if (font != nullptr) canvas.SetFont(*font);
  canvas.Font().SetColor(textColor);
  static constexpr DWORD kHorz[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  static constexpr DWORD kVert[] = {DT_TOP, DT_BOTTOM, DT_VCENTER};
  const DWORD flags = kHorz[static_cast<int>(alignHorz)] | DT_EDITCONTROL | kVert[alignVert] |
                      (multiLine ? DT_WORDBREAK : DT_SINGLELINE) | (showEndEllipsis ? DT_END_ELLIPSIS : DT_NOPREFIX);
  DrawThemeText(theme, canvas.Canvas().HandleWithObjects(), part, state, text, flags, 0, r);
}

// --- TvxRadioButtonImageList -----------------------------------------------------------

namespace {

// Pixel classes of a radio glyph.
enum TRadioPixel : uint8_t {
  rpOutside,
  rpOuterUpperLeft,
  rpOuterLowerRight,
  rpInnerUpperLeft,
  rpInnerLowerRight,
  rpInterior,
  rpDot,
};

constexpr int kRadioKinds = 4, kRadioStates = 4, kRadioImagesPerKind = 2 * kRadioStates;
constexpr int kRadioTableSize = 2 * 2 * kRadioKinds * kRadioImagesPerKind;  // both further selectors

struct TRadioTables {
  TvxRadioButtonMetrics Metrics;
  bool Measured = false;
  std::vector<std::vector<uint8_t>> PixelMap;  // rows by columns of the cell
  std::vector<int> ImageTable;                 // table position to image index
};

TRadioTables GRadio;

// Pixels of a bitmap as RGB values (0x00RRGGBB), row after row.
struct TPixels {
  int Width = 0, Height = 0;
  std::vector<uint32_t> Data;
  uint32_t At(int x, int y) const { return Data[static_cast<size_t>(y) * Width + x]; }
};

TPixels ReadPixels(TBitmap& bitmap) { return TPixels{bitmap.Width(), bitmap.Height(), bitmap.ReadPixels32()}; }

uint32_t RgbPixel(TColor color) {
  const COLORREF rgb = ColorToRGB(color);
  return (GetRValue(rgb) << 16) | (GetGValue(rgb) << 8) | GetBValue(rgb);
}

TPixels DrawFrameControlPixels(SIZE cell, UINT state) {
  TBitmap bitmap;
  bitmap.SetSize(cell.cx, cell.cy);
  bitmap.Canvas().Brush().SetColor(clBlack);
  bitmap.Canvas().FillRect(RECT{0, 0, cell.cx, cell.cy});
  bitmap.Canvas().DrawFrameControl(RECT{0, 0, cell.cx, cell.cy}, DFC_BUTTON, state);
  return ReadPixels(bitmap);
}

// The glyph's shape from the system's radio mask: its painted pixels are those that differ
// from the mask's corner (the system may fill the cell first, in either colour); the dot from
// the system's checked radio, walking out from the cell's centre over the text colour.
void MeasureRadioButton() {
  TvxRadioButtonMetrics& m = GRadio.Metrics;
  {
    TBitmap checkBoxes;
    m.Cell = checkBoxes.LoadFromSystemResource(OBM_CHECKBOXES) ? SIZE{checkBoxes.Width() / 4, checkBoxes.Height() / 3}
                                                               : SIZE{13, 13};
  }
  const TPixels mask = DrawFrameControlPixels(m.Cell, DFCS_BUTTONRADIOMASK | DFCS_FLAT);
  RECT glyph{m.Cell.cx, m.Cell.cy, 0, 0};
  for (int y = 0; y < mask.Height; ++y)
    for (int x = 0; x < mask.Width; ++x)
      if (mask.At(x, y) != mask.At(0, 0)) {
        glyph.left = std::min<LONG>(glyph.left, x);
        glyph.top = std::min<LONG>(glyph.top, y);
        glyph.right = std::max<LONG>(glyph.right, x + 1);
        glyph.bottom = std::max<LONG>(glyph.bottom, y + 1);
      }
  m.Glyph = IsEmptyRect(glyph) ? RECT{0, 0, m.Cell.cx, m.Cell.cy} : glyph;
  GRadio.Measured = true;

  const TPixels checked = DrawFrameControlPixels(m.Cell, DFCS_BUTTONRADIOIMAGE | DFCS_CHECKED | DFCS_FLAT);
  const uint32_t dot = RgbPixel(clWindowText);
  const int cx = m.Cell.cx / 2, cy = m.Cell.cy / 2;
  if (checked.At(cx, cy) != dot) {
    m.Dot = RECT{};
    return;
  }
  RECT d{cx, cy, cx + 1, cy + 1};
  while (d.top > 0 && checked.At(cx, d.top - 1) == dot) --d.top;
  while (d.bottom < m.Cell.cy && checked.At(cx, d.bottom) == dot) ++d.bottom;
  while (d.left > 0 && checked.At(d.left - 1, cy) == dot) --d.left;
  while (d.right < m.Cell.cx && checked.At(d.right, cy) == dot) ++d.right;
  m.Dot = d;
}

TPixels EllipsePixels(SIZE cell, const RECT& r) {
  TBitmap bitmap;
  bitmap.SetSize(cell.cx, cell.cy);
  TCanvas& canvas = bitmap.Canvas();
  canvas.Brush().SetColor(clBlack);
  canvas.FillRect(RECT{0, 0, cell.cx, cell.cy});
  if (!IsEmptyRect(r)) {
    canvas.Brush().SetColor(clWhite);
    canvas.Pen().SetColor(clWhite);
    Ellipse(canvas.HandleWithObjects(), r.left, r.top, r.right, r.bottom);
  }
  return ReadPixels(bitmap);
}

// Classes every pixel of the cell: the ring is the glyph's pixels next to the outside (outer)
// and those next to the outer ring (inner), each split by the diagonal from the top-right to
// the bottom-left corner; the rest is interior, and dot where the dot's ellipse covers it.
void ClassifyRadioPixels() {
  const TvxRadioButtonMetrics& m = GRadio.Metrics;
  const TPixels shape = EllipsePixels(m.Cell, m.Glyph);
  const TPixels dot = EllipsePixels(m.Cell, m.Dot);
  const int w = Width(m.Glyph), h = Height(m.Glyph);
  auto inside = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < shape.Width && y < shape.Height && shape.At(x, y) != 0;
  };
  auto& map = GRadio.PixelMap;
  map.assign(static_cast<size_t>(m.Cell.cy), std::vector<uint8_t>(static_cast<size_t>(m.Cell.cx), rpOutside));
  auto at = [&](int x, int y) { return map[static_cast<size_t>(y)][static_cast<size_t>(x)]; };
  auto isOuter = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < m.Cell.cx && y < m.Cell.cy &&
           (at(x, y) == rpOuterUpperLeft || at(x, y) == rpOuterLowerRight);
  };
  auto lowerRight = [&](int x, int y) { return (h - 1) * (w - 1 - (x - m.Glyph.left)) < (w - 1) * (y - m.Glyph.top); };
  const int dx[] = {-1, 1, 0, 0}, dy[] = {0, 0, -1, 1};
  for (int y = 0; y < m.Cell.cy; ++y)
    for (int x = 0; x < m.Cell.cx; ++x) {
      if (!inside(x, y)) continue;
      bool edge = false;
      for (int k = 0; k < 4; ++k) edge = edge || !inside(x + dx[k], y + dy[k]);
      map[y][x] = edge ? (lowerRight(x, y) ? rpOuterLowerRight : rpOuterUpperLeft) : rpInterior;
    }
  for (int y = 0; y < m.Cell.cy; ++y)
    for (int x = 0; x < m.Cell.cx; ++x) {
      if (at(x, y) != rpInterior) continue;
      bool nextToOuter = false;
      for (int k = 0; k < 4; ++k) nextToOuter = nextToOuter || isOuter(x + dx[k], y + dy[k]);
      if (nextToOuter)
        map[y][x] = lowerRight(x, y) ? rpInnerLowerRight : rpInnerUpperLeft;
      else if (dot.At(x, y) != 0)
        map[y][x] = rpDot;
    }
}

// The colours of one image, by pixel class.
std::array<TColor, 7> RadioColors(TvxLookAndFeelKind kind, TvxButtonState state, bool checked) {
  const bool disabled = state == vxbsDisabled;
  TColor background;
  if (kind == lfOffice11)
    background = state == vxbsNormal ? clWindow : vxOffice11Painter.ButtonColor(state);
  else if (disabled)
    background = clBtnFace;
  else if (kind == lfUltraFlat)
    background = state == vxbsNormal    ? clWindow
                 : state == vxbsHot     ? vxGetHotTrackColor()
                 : state == vxbsPressed ? vxGetPressedColor()
                                        : clBtnFace;
  else
    background = state == vxbsPressed ? clBtnFace : clWindow;

  std::array<TColor, 4> ring{};
  switch (kind) {
    case lfFlat: ring = {clBtnShadow, clBtnHighlight, cl3DLight, cl3DLight}; break;
    case lfStandard: ring = {clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight}; break;
    default: {
      TColor one;
      if (kind == lfUltraFlat)
        one = IsHotOrPressed(state) ? clHighlight : clBtnShadow;
      else
        one = IsHotOrPressed(state) ? Office11SchemeColor11() : disabled ? Office11SchemeColor15() : clBtnText;
      ring = {one, one, background, background};
      break;
    }
  }
  TColor dot = background;
  if (checked) dot = disabled ? (kind == lfOffice11 ? Office11SchemeColor15() : clBtnShadow) : clWindowText;
  return {clBlack, ring[0], ring[1], ring[2], ring[3], background, dot};
}

void AddRadioImage(TImageList& images, TvxLookAndFeelKind kind, TvxButtonState state, bool checked) {
  const SIZE cell = GRadio.Metrics.Cell;
  const std::array<TColor, 7> colors = RadioColors(kind, state, checked);
  std::array<uint32_t, 7> rgb{};
  for (size_t i = 0; i < colors.size(); ++i) rgb[i] = RgbPixel(colors[i]);
  // The image is black where the mask lets the background through, as image lists want it.
  std::vector<uint32_t> pixels(static_cast<size_t>(cell.cx) * cell.cy);
  const int maskStride = (cell.cx + 15) / 16 * 2;
  std::vector<uint8_t> maskBits(static_cast<size_t>(maskStride) * cell.cy, 0);
  for (int y = 0; y < cell.cy; ++y)
    for (int x = 0; x < cell.cx; ++x) {
      const uint8_t cls = GRadio.PixelMap[y][x];
      pixels[static_cast<size_t>(y) * cell.cx + x] = rgb[cls];
      if (cls == rpOutside) maskBits[static_cast<size_t>(y) * maskStride + x / 8] |= 0x80 >> (x % 8);
    }
  TBitmap image, mask;
  image.SetSize(cell.cx, cell.cy);
  image.WritePixels32(pixels);
  mask.SetHandle(CreateBitmap(cell.cx, cell.cy, 1, 1, maskBits.data()));
  images.Add(image, &mask);
}

}  // namespace

TvxRadioButtonImageList::TvxRadioButtonImageList() {
  if (!GRadio.Measured) MeasureRadioButton();
  FImages = std::make_unique<TImageList>(nullptr, GRadio.Metrics.Cell.cx, GRadio.Metrics.Cell.cy);
  Rebuild();
}

TvxRadioButtonImageList::~TvxRadioButtonImageList() = default;

void TvxRadioButtonImageList::Rebuild() {
  FImages->Clear();
  ClassifyRadioPixels();
  // Images in the order of the table's first part: kind, then unchecked and checked, then
  // the states normal to disabled.
  for (int kind = 0; kind < kRadioKinds; ++kind)
    for (bool checked : {false, true})
      for (int state = vxbsNormal; state <= vxbsDisabled; ++state)
        AddRadioImage(*FImages, static_cast<TvxLookAndFeelKind>(kind), static_cast<TvxButtonState>(state), checked);
  // The further selectors have no colours of their own: their entries repeat the plain ones.
  GRadio.ImageTable.resize(kRadioTableSize);
  for (int i = 0; i < kRadioTableSize; ++i) GRadio.ImageTable[i] = i % (kRadioKinds * kRadioImagesPerKind);
}

void TvxRadioButtonImageList::Draw(TvxCanvas& canvas, int x, int y, TvxLookAndFeelKind kind, TvxButtonState state,
                                   bool checked, uint8_t selectorB, TColor bkColor, uint8_t selectorA) {
  const int position = vxRadioButtonImageIndex(kind, state, selectorA, selectorB, checked);
  if (position < 0 || position >= static_cast<int>(GRadio.ImageTable.size())) return;
  if (bkColor != clDefault) canvas.FillRect(RECT{x, y, x + FImages->Width(), y + FImages->Height()}, bkColor);
  FImages->Draw(canvas.Canvas(), x, y, GRadio.ImageTable[position], true);
}

int vxRadioButtonImageIndex(TvxLookAndFeelKind kind, TvxButtonState state, uint8_t selectorA, uint8_t selectorB,
                            bool checked) {
  const int a = selectorA != 0 ? 1 : 0, b = selectorB != 0 ? 1 : 0, c = checked ? 1 : 0;
  // A default button draws like a normal one; there is no image of its own.
  const int s = std::clamp<int>(state, vxbsNormal, vxbsDisabled);
  if (kind >= kRadioKinds) return -1;
  return ((a * 8 + b * 4 + kind) * 8) + c * 4 + (s - 1);
}

TvxRadioButtonImageList* vxRadioButtonImageList() {
  if (!GResources.RadioButtons) GResources.RadioButtons = std::make_unique<TvxRadioButtonImageList>();
  return GResources.RadioButtons.get();
}

const TvxRadioButtonMetrics& vxRadioButtonMetrics() {
  if (!GRadio.Measured) MeasureRadioButton();
  return GRadio.Metrics;
}

// --- Start-up and shutdown -------------------------------------------------------------

void InitializevxLookAndFeelPainters() {
  if (GInitCount++ > 0) return;
  LoadIndicatorImages();
  GResources.Pattern = std::make_unique<TBitmap>();
  GResources.DarkPattern = std::make_unique<TBitmap>();
  PaintPatterns();
  GResources.AutoHideOn = LoadTransparentBitmap("VX_AUTOHIDEON");
  GResources.AutoHideOff = LoadTransparentBitmap("VX_AUTOHIDEOFF");
  GResources.PaletteListener = std::make_unique<TSystemPaletteChangedNotifier>();
}

void FinalizevxLookAndFeelPainters() {
  if (GInitCount == 0 || --GInitCount > 0) return;
  GResources.PaletteListener.reset();
  GResources.AutoHideOn.reset();
  GResources.AutoHideOff.reset();
  GResources.Pattern.reset();
  GResources.DarkPattern.reset();
  GResources.IndicatorImages.reset();
  GResources.RadioButtons.reset();
  GRadio.PixelMap.clear();
  GRadio.ImageTable.clear();
}
