#include "controls/vxEditUtils.h"

#include "controls/vdOffice11.h"
#include "controls/vdThemeConsts.h"
#include "controls/vxEditPaintUtils.h"

#include <algorithm>
#include <string_view>

namespace {

bool GIsWin98OrWin2000Family = false;

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

RECT Inflated(RECT r, int d) {
  InflateRect(&r, d, d);
  return r;
}

RECT Offsetted(RECT r, int dx, int dy) {
  OffsetRect(&r, dx, dy);
  return r;
}

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

void Fill(TvxCanvas& canvas, const RECT& r, TColor color) { vxFillRect(canvas.Handle(), r, vxGetSolidBrush(color)); }

// The visual style's state of a button state, by TvxEditButtonState; the button and the
// combo-box classes number their states alike.
constexpr int kThemedButtonStates[] = {PBS_DISABLED, PBS_NORMAL, PBS_PRESSED, PBS_HOT};

// The style's margins of the button's part (left plus right) measured on a probe, or -1.
int ThemedContentMargins(const TvxEditButtonViewData& button) {
  HTHEME theme = button.IsThemed() ? OpenTheme(button.ThemedObjectType) : nullptr;
  if (theme == nullptr) return -1;
  const RECT probe{0, 0, 100, 100};
  RECT content = probe;
  if (FAILED(GetThemeBackgroundContentRect(theme, button.NativePart, button.NativeState, probe, content))) return -1;
  return (content.left - probe.left) + (probe.right - content.right);
}

// Sets the glyph's transparency for the drawing and puts it back afterwards: a button's glyph
// always leaves its transparent colour out.
class TTransparentGlyph {
public:
  explicit TTransparentGlyph(TBitmap& glyph) : FGlyph(glyph), FWas(glyph.Transparent()) { glyph.SetTransparent(true); }
  ~TTransparentGlyph() { FGlyph.SetTransparent(FWas); }
  TTransparentGlyph(const TTransparentGlyph&) = delete;
  TTransparentGlyph& operator=(const TTransparentGlyph&) = delete;

private:
  TBitmap& FGlyph;
  bool FWas;
};

void DrawGlyphAt(TCanvas& canvas, int x, int y, TBitmap& glyph, bool enabled) {
  if (enabled)
    canvas.Draw(x, y, glyph);
  else
    canvas.DrawDisabled(x, y, glyph);
}

void DrawDots(TvxCanvas& canvas, const TvxEditButtonViewData& button, const RECT& r, TColor color) {
  const int s = Width(r) >= 12 ? 2 : 1;
  const POINT at = vxCenterSize(r, SIZE{3 * s + 4, s}, button.State == ebsPressed);
  auto dots = [&](int dx, TColor c) {
    for (int k = 0; k < 3; ++k) {
      const int x = at.x + dx + k * (s + 2);
      Fill(canvas, RECT{x, at.y + dx, x + s, at.y + dx + s}, c);
    }
  };
  if (button.State == ebsDisabled) {
    dots(1, clBtnHighlight);
    dots(0, clBtnShadow);
  } else {
    dots(0, color);
  }
}

void DrawDownArrow(TvxCanvas& canvas, const TvxEditButtonViewData& button, const RECT& content, TColor color) {
  // The arrow is centred on the whole button, not on what its frame leaves: the halves of
  // the difference go right and left (the larger one right when pressed).
  const bool pressed = button.State == ebsPressed;
  RECT r = content;
  const int d = Width(button.Bounds) - Width(content);
  const int small = d / 2, large = d - small;
  r.right += pressed ? large : small;
  r.left -= pressed ? small : large;
  if (button.Inplace) {
    const int dh = Height(button.Bounds) - Height(content);
    const int smallH = dh / 2, largeH = dh - smallH;
    r.bottom += pressed ? largeH : smallH;
    r.top -= pressed ? smallH : largeH;
  }
  if (pressed) OffsetRect(&r, d % 2 == 0 ? 1 : 0, 1);
  if (button.State == ebsDisabled) {
    vxStandardPainter.DrawArrow(canvas, Offsetted(r, 1, 1), adDown, clBtnHighlight);
    vxStandardPainter.DrawArrow(canvas, r, adDown, clBtnShadow);
  } else {
    vxStandardPainter.DrawArrow(canvas, r, adDown, color);
  }
}

void DrawGlyph(TvxCanvas& canvas, const TvxEditButtonViewData& button, const RECT& content, TColor bkColor,
               const TvxEditButtonContentParams& params) {
  TBitmap& glyph = *button.Glyph;
  const SIZE size{std::min(glyph.Width(), Width(content)), std::min(glyph.Height(), Height(content))};
  if (size.cx <= 0 || size.cy <= 0) return;
  const POINT at = vxCenterSize(content, size, button.State == ebsPressed);
  const bool enabled = button.State != ebsDisabled;
  TTransparentGlyph transparent(glyph);
  // Both ways draw into a bitmap first, so that the glyph's transparent pixels show the button's
  // background and the glyph is cut to what the button has room for.
  TBitmap buffer;
  if (button.IsThemed()) {
    buffer.SetSize(size.cx, size.cy);
    if (HTHEME theme = OpenTheme(totButton))
      DrawThemeBackground(theme, buffer.Canvas().Handle(), BP_PUSHBUTTON, button.NativeState,
                          Offsetted(button.Bounds, -at.x, -at.y));
    DrawGlyphAt(buffer.Canvas(), 0, 0, glyph, enabled);
    canvas.CopyRect(RECT{at.x, at.y, at.x + size.cx, at.y + size.cy}, buffer.Canvas(), RECT{0, 0, size.cx, size.cy});
  } else {
    buffer.SetSize(Width(content), Height(content));
    TCanvas& target = buffer.Canvas();
    // The buffer stands where the content does, so the background is drawn in the editor's
    // coordinates (a gradient then matches the rest of the button).
    const POINT origin = target.SetWindowOrg(content.left, content.top);
    TvxCanvas vxTarget(target);
    if (params.DrawBackground) params.DrawBackground(vxTarget, content, bkColor);
    DrawGlyphAt(target, at.x, at.y, glyph, enabled);
    target.SetWindowOrg(origin.x, origin.y);
    canvas.CopyRect(content, target, RECT{0, 0, Width(content), Height(content)});
  }
}

void DrawCaption(TvxCanvas& canvas, const TvxEditButtonViewData& button, const RECT& content, TColor contentColor,
                 const TvxEditButtonContentParams& params) {
  const bool pressed = button.State == ebsPressed;
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  if (params.Font != nullptr) canvas.SetFont(*params.Font);
  TColor color = button.TextColor == clDefault ? params.EditTextColor : button.TextColor;
  if (params.Style == btsHotFlat && (pressed || button.State == ebsHot)) color = contentColor;
  canvas.Font().SetColor(color);
  RECT r = content;
  InflateRect(&r, -1, button.Inplace ? 0 : -1);
  if (pressed) OffsetRect(&r, 1, 1);
  // Centred on one line, "&" marks the accelerator, a caption too long ends in "...".
  constexpr TvxTextFlags kCaptionFlags = vxAlignHCenter | vxAlignVCenter | vxSingleLine | vxShowPrefix | vxShowEndEllipsis;
  canvas.DrawText(button.Caption, r, kCaptionFlags, button.State != ebsDisabled);
  canvas.Brush().SetStyle(TBrushStyle::bsSolid);
}

}  // namespace

// --- Painters and helpers ----------------------------------------------------------------

TvxLookAndFeelPainterClass vxGetPainterClass(bool nativeStyle, TvxLookAndFeelKind kind) {
  if (nativeStyle && AreVisualStylesUsable()) return &vxWinXPPainter;
  return vxPainterOfKind(kind);
}

void vxDrawFrameSides(TvxCanvas& canvas, RECT& r, TvxBorders sides, TColor color) {
  if (sides & bLeft) {
    const POINT line[] = {{r.left, r.top}, {r.left, r.bottom - 1}};
    vxPolyline(canvas, line, true, color);
    ++r.left;
  }
  if (sides & bRight) {
    const POINT line[] = {{r.right - 1, r.top}, {r.right - 1, r.bottom - 1}};
    vxPolyline(canvas, line, true, color);
    --r.right;
  }
  if (sides & bTop) {
    const POINT line[] = {{r.left, r.top}, {r.right - 1, r.top}};
    vxPolyline(canvas, line, true, color);
    ++r.top;
  }
  if (sides & bBottom) {
    const POINT line[] = {{r.left, r.bottom - 1}, {r.right - 1, r.bottom - 1}};
    vxPolyline(canvas, line, true, color);
    --r.bottom;
  }
}

void vxPolyline(TvxCanvas& canvas, std::span<const POINT> points, bool byBrushes, TColor color) {
  if (points.empty()) return;
  const POINT last = points.back();
  if (!byBrushes) {
    canvas.Pen().SetColor(color);
    canvas.MoveTo(points[0].x, points[0].y);
    for (size_t i = 1; i < points.size(); ++i) canvas.LineTo(points[i].x, points[i].y);
    canvas.SetPixels(last.x, last.y, color);
    return;
  }
  HDC dc = canvas.Handle();
  HBRUSH brush = vxGetSolidBrush(color);
  for (size_t i = 1; i < points.size(); ++i) {
    const POINT a = points[i - 1], b = points[i];
    vxFillRect(dc, RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1}, brush);
  }
  vxFillRect(dc, RECT{last.x, last.y, last.x + 1, last.y + 1}, brush);
}

POINT vxCenterSize(const RECT& r, SIZE size, bool addRemainder) {
  POINT p{r.left + (Width(r) - size.cx) / 2, r.top + (Height(r) - size.cy) / 2};
  if (addRemainder) {
    if (p.x + 1 + size.cx <= r.right) ++p.x;
    if (p.y + 1 + size.cy <= r.bottom) ++p.y;
  }
  return p;
}

bool vxIsGlyphAssigned(const TBitmap* glyph) {
  return glyph != nullptr && !glyph->Empty() && glyph->Width() >= 1 && glyph->Height() > 0;
}

void vxCalculateEditButtonThemeData(TvxEditButtonViewData& button) {
  button.NativePart = 0;
  button.NativeState = 0;
  button.NativeTransparent = false;
  if (!button.NativeStyle) return;
  button.ThemedObjectType = button.ComboStyle ? totComboBox : totButton;
  HTHEME theme = OpenTheme(button.ThemedObjectType);
  if (theme == nullptr) return;
  button.NativePart = button.ComboStyle ? CP_DROPDOWNBUTTON : BP_PUSHBUTTON;
  button.NativeState = kThemedButtonStates[button.State];
  // Whether the background shows through belongs to the state the button is drawn in now.
  button.NativeTransparent = IsThemeBackgroundPartiallyTransparent(theme, button.NativePart, button.NativeState);
}

int vxGetEditButtonContentOffset(const TvxEditButtonViewData& button) {
  const int margins = ThemedContentMargins(button);
  return margins >= 0 ? margins : 4;
}

int vxCalculateEditButtonWidth(TvxCanvas& canvas, TvxEditButtonViewData& button) {
  if (button.NativeStyle) vxCalculateEditButtonThemeData(button);
  const int offset = vxGetEditButtonContentOffset(button);
  if (button.Width > 0) return std::max(button.Width, offset);
  int width = 0;
  if (button.Kind == bkGlyph && vxIsGlyphAssigned(button.Glyph.get()))
    width = button.Glyph->Width() + offset;
  else if (button.Kind == bkText)
    width = canvas.TextWidth(button.Caption) + offset + 3;
  return std::max(width, GetSystemMetrics(SM_CYHSCROLL));
}

int vxGetEditButtonBorderExtent(const TvxEditButtonViewData& button, TvxEditButtonStyle style) {
  if (const int margins = ThemedContentMargins(button); margins >= 0) return margins;
  constexpr int kExtents[] = {0, 4, 2, 2, 2, 2, 2};
  return kExtents[style];
}

void vxFillRect(HDC dc, const RECT& r, HBRUSH brush) { ::FillRect(dc, &r, brush); }

void vxFillFrame(TvxCanvas& canvas, const RECT& outer, const RECT& inner, HBRUSH brush) {
  if (IsEmpty(outer) || EqualRect(&outer, &inner)) return;
  HDC dc = canvas.Handle();
  if (IsEmpty(inner)) {
    vxFillRect(dc, outer, brush);
    return;
  }
  vxFillRect(dc, RECT{outer.left, outer.top, inner.left, outer.bottom}, brush);
  vxFillRect(dc, RECT{inner.left, outer.top, inner.right, inner.top}, brush);
  vxFillRect(dc, RECT{inner.right, outer.top, outer.right, outer.bottom}, brush);
  vxFillRect(dc, RECT{inner.left, inner.bottom, inner.right, outer.bottom}, brush);
}

TvxTextFlags vxConvertTextFlags(int flags) {
  // The editor flags: horizontal alignment in bits 0-2, vertical in bits 4-5, then word break
  // ($100) and single line ($200).
  TvxTextFlags result = 0;
  switch (flags & 0x7) {
    case 0: result |= vxAlignLeft; break;
    case 1: result |= vxAlignHCenter; break;
    case 2: result |= vxAlignRight; break;
  }
  switch (flags & 0x30) {
    case 0x00: result |= vxAlignTop; break;
    case 0x10: result |= vxAlignVCenter; break;
    case 0x20: result |= vxAlignBottom; break;
  }
  if (flags & 0x100) result |= vxWordBreak;
  if (flags & 0x200) result |= vxSingleLine;
  return result;
}

bool vxHasEditButtons(bool flag, const TCollection* buttons) {
  return flag && buttons != nullptr && buttons->Count() > 0;
}

TColor vxEditBorderHighlightColor(bool office11) {
  return office11 ? vxOffice11Painter.HotBorderColor() : clHighlight;
}

TvxLookAndFeelPainterClass vxGetEditButtonPainter(bool office11) {
  return office11 ? static_cast<TvxLookAndFeelPainterClass>(&vxOffice11Painter) : &vxUltraFlatPainter;
}

bool vxEditHasShadow(const TvxContainerStyle& style) { return style.Shadow() && !style.LookAndFeel()->NativeStyle(); }

AnsiString vxStripAccelChars(const AnsiString& caption) {
  // An ampersand is never the second byte of a double-byte character, but the walk steps over
  // those whole all the same.
  const std::string_view s(caption);
  AnsiString result;
  for (size_t i = 0; i < s.size();) {
    if (s[i] != '&') {
      const size_t next = NextCharIndex(s, i);
      result.append(s.substr(i, next - i));
      i = next;
    } else if (i + 1 == s.size()) {
      result += '_';
      ++i;
    } else {
      const size_t next = NextCharIndex(s, i + 1);
      result.append(s.substr(i + 1, next - i - 1));
      i = next;
    }
  }
  return result;
}

// --- Editor painting ---------------------------------------------------------------------

void vxDrawEditBackground(TvxCanvas& canvas, TvxContainerViewInfo& viewInfo, bool inplace,
                          const RECT& inplaceBorderExtent, bool fill, int borderVariant) {
  HBRUSH brush = vxGetSolidBrush(viewInfo.BackgroundColor);
  if (viewInfo.NativeStyle) {
    HTHEME theme = !inplace && viewInfo.BorderStyle != cbsNone ? OpenTheme(totEdit) : nullptr;
    if (theme == nullptr) {
      vxFillRect(canvas.Handle(), viewInfo.Bounds, brush);
      return;
    }
    RECT inner = viewInfo.ClientRect;
    if (borderVariant == 0) {
      inner = viewInfo.Bounds;
      GetThemeBackgroundContentRect(theme, canvas.Handle(), EP_EDITTEXT, viewInfo.NativeState, viewInfo.Bounds, inner);
    } else if (borderVariant == 1) {
      inner = Inflated(viewInfo.Bounds, -3);
      inner.right = viewInfo.ClientRect.right - 1;
    }
    // The style's frame is drawn around the inner rectangle only, so that its own fill never
    // covers the text area.
    const int saved = canvas.Canvas().SaveDC();
    canvas.ExcludeClipRect(inner);
    DrawThemeBackground(theme, canvas.Handle(), EP_EDITTEXT, viewInfo.NativeState, viewInfo.Bounds);
    canvas.Canvas().RestoreDC(saved);
    if (fill)
      vxFillRect(canvas.Handle(), inner, brush);
    else if (borderVariant != 2)
      vxFillFrame(canvas, inner, viewInfo.ContentRect, brush);
    return;
  }

  // The border's right and bottom sides stand outside the content only where the editor has
  // those edges, and the shadow follows the border that is drawn.
  const int w = viewInfo.BorderWidth;
  RECT r = viewInfo.ContentRect;
  r.left -= w;
  r.top -= w;
  if (viewInfo.Edges & bRight) r.right += w;
  if (viewInfo.Edges & bBottom) r.bottom += w;
  if (viewInfo.Shadow) vxDrawContainerShadow(canvas, r);
  if (!(viewInfo.Edges & bRight)) r.right += w;
  if (!(viewInfo.Edges & bBottom)) r.bottom += w;
  viewInfo.DrawBorder(canvas, r);
  if (fill) {
    vxFillRect(canvas.Handle(), inplace ? viewInfo.Bounds : viewInfo.ContentRect, brush);
  } else if (inplace && (inplaceBorderExtent.left | inplaceBorderExtent.top | inplaceBorderExtent.right |
                          inplaceBorderExtent.bottom) != 0) {
    vxFillFrame(canvas, viewInfo.Bounds, viewInfo.ContentRect, brush);
  }
}

RECT vxDrawEditButtonBorder(TvxCanvas& canvas, const TvxEditButtonViewData& button, TvxEditButtonStyle style,
                            TColor& bkColor, TColor& contentColor) {
  RECT r = button.Bounds;
  const bool pressed = button.State == ebsPressed;
  const bool hot = button.State == ebsHot;
  const bool ownColor = button.Color != clDefault;
  auto background = [&](TColor byStyle) { return ownColor ? button.Color : byStyle; };
  contentColor = clBtnText;
  switch (style) {
    case btsFlat:
      bkColor = background(clBtnFace);
      vxDrawFrameSides(canvas, r, bLeft, bkColor);
      canvas.DrawComplexFrame(r, pressed ? clBtnShadow : clBtnHighlight, pressed ? clBtnHighlight : clBtnShadow);
      InflateRect(&r, -1, -1);
      vxDrawFrameSides(canvas, r, bRight, bkColor);
      break;
    case btsSimple:
      bkColor = background(clBtnFace);
      if (!button.Transparent) canvas.FrameRect(r, bkColor);
      InflateRect(&r, -1, -1);
      vxDrawFrameSides(canvas, r, bLeft | bRight, bkColor);
      break;
    case btsHotFlat: {
      bkColor = background(pressed ? clBtnText : hot ? clBtnShadow : clBtnFace);
      // A button at the editor's edge has a single neighbour: its side toward it stays open.
      const TvxBorders neighbours = button.NeighbourEdges & (bLeft | bRight);
      const bool atEdge = neighbours == bLeft || neighbours == bRight;
      if (atEdge) {
        vxDrawFrameSides(canvas, r, static_cast<TvxBorders>(vxBordersAll & ~neighbours), clBtnShadow);
        vxDrawFrameSides(canvas, r, neighbours, bkColor);
      } else {
        vxDrawFrameSides(canvas, r, vxBordersAll, clBtnShadow);
      }
      vxDrawFrameSides(canvas, r, bLeft | bRight, bkColor);
      if (pressed || hot) contentColor = hot && ownColor ? clBtnShadow : clWindow;
      break;
    }
    case btsUltraFlat:
    case btsOffice11: {
      const bool office11 = style == btsOffice11;
      if (pressed || hot) {
        bkColor = background(vxGetEditButtonPainter(office11)->ButtonColor(pressed ? vxbsPressed : vxbsHot));
        // Toward the neighbours the lines of the highlighted border; at the editor's own edge
        // its border is highlighted already.
        const TvxBorders neighbours = button.NeighbourEdges & (bLeft | bRight);
        vxDrawFrameSides(canvas, r, neighbours, vxEditBorderHighlightColor(office11));
        vxDrawFrameSides(canvas, r, static_cast<TvxBorders>(vxBordersAll & ~neighbours), bkColor);
      } else {
        const bool disabled = button.State == ebsDisabled;
        bkColor = background(disabled || !office11 ? clBtnFace : vxOffice11Painter.ButtonColor(vxbsNormal));
        if (!button.Transparent) canvas.FrameRect(r, bkColor);
        InflateRect(&r, -1, -1);
      }
      break;
    }
    default:  // bts3D, and btsDefault when nobody chose
      bkColor = background(clBtnFace);
      if (!pressed) {
        canvas.DrawComplexFrame(r, cl3DLight, cl3DDkShadow);
        InflateRect(&r, -1, -1);
        canvas.DrawComplexFrame(r, clBtnHighlight, clBtnShadow);
      } else {
        canvas.FrameRect(r, clBtnShadow);
        InflateRect(&r, -1, -1);
        canvas.FrameRect(r, bkColor);
      }
      InflateRect(&r, -1, -1);
      break;
  }
  return r;
}

RECT vxDrawThemedEditButton(TvxCanvas& canvas, const TvxEditButtonViewData& button) {
  HTHEME theme = OpenTheme(button.ThemedObjectType);
  if (theme == nullptr) return RECT{};
  DrawThemeBackground(theme, canvas.Handle(), button.NativePart, button.NativeState, button.Bounds);
  if (button.ComboStyle) return RECT{};
  RECT content = button.Bounds;
  GetThemeBackgroundContentRect(theme, canvas.Handle(), button.NativePart, button.NativeState, button.Bounds, content);
  return content;
}

void vxDrawEditButtonContent(TvxCanvas& canvas, const TvxEditButtonViewData& button, const RECT& contentRect,
                             TColor bkColor, TColor contentColor, const TvxEditButtonContentParams& params) {
  if (IsEmpty(contentRect)) return;
  const bool ownGlyph = button.Kind == bkGlyph && vxIsGlyphAssigned(button.Glyph.get());
  if (!button.IsThemed() && !ownGlyph && params.DrawBackground) params.DrawBackground(canvas, contentRect, bkColor);
  switch (button.Kind) {
    case bkEllipsis: DrawDots(canvas, button, contentRect, contentColor); break;
    case bkDown: DrawDownArrow(canvas, button, contentRect, contentColor); break;
    case bkGlyph:
      if (ownGlyph) DrawGlyph(canvas, button, contentRect, bkColor, params);
      break;
    case bkText: DrawCaption(canvas, button, contentRect, contentColor, params); break;
  }
}

bool vxIsWin98OrWin2000Family() { return GIsWin98OrWin2000Family; }

void InitializevxEditUtils() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(version);
  if (!GetVersionExA(&version)) return;
  GIsWin98OrWin2000Family = (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && version.dwMinorVersion != 0) ||
                            (version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion == 5);
}

void FinalizevxEditUtils() { GIsWin98OrWin2000Family = false; }
