// Drawing and measuring routines that the editors share: rectangle and frame helpers, a
// polyline drawn with brushes, the painter of a look-and-feel, the width, border extent and
// visual-style part and state of an edit button, the editor text flags as canvas text flags,
// captions without accelerator marks, and the painting of an editor's background and of its
// buttons' borders and contents.
//
// The routines keep no state. They read what they draw from plain data: the container view
// info (vxContainer) for an editor's frame and an edit button's view data for a button. The
// editors' view info (vxEdit) fills both and calls back into these routines from its Paint;
// the parts of the painting it may replace (a button's background, custom drawing) come in as
// callbacks.
//
// Colours follow the painters' convention: clDefault for a button's own colour means "none
// set". GUI thread only; the operating-system flag is fixed by InitializevxEditUtils.
#pragma once

#include "controls/vdThemeManager.h"
#include "controls/vxContainer.h"
#include "controls/vxGraphics.h"
#include "controls/vxLookAndFeelPainters.h"
#include "controls/vxLookAndFeels.h"
#include "platform/gui/Components.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/SysStrings.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

// How an editor's buttons are framed; btsDefault lets the editor choose by its border.
enum TvxEditButtonStyle : uint8_t { btsDefault, bts3D, btsFlat, btsSimple, btsHotFlat, btsUltraFlat, btsOffice11 };
// What a button shows.
enum TvxEditButtonKind : uint8_t { bkEllipsis, bkDown, bkGlyph, bkText };
// States of a painted button.
enum TvxEditButtonState : uint8_t { ebsDisabled = 0, ebsNormal = 1, ebsPressed = 2, ebsHot = 3 };

// What one edit button is drawn from. The editor's layout fills it (the editors' button view
// info holds it); the width and visual-style routines below fill the measured parts.
struct TvxEditButtonViewData {
  RECT Bounds{};
  int NativeState = 0;  // the visual style's state the button is drawn in (0 unthemed)
  TvxEditButtonState State = ebsNormal;
  // The editor shows the button without its own fill and frame (its background shows through).
  bool Transparent = false;
  // The sides that face a neighbour (another button or the text) rather than the editor's
  // own edge; the flat looks draw shared edges there.
  TvxBorders NeighbourEdges = 0;
  bool EraseBackground = false;  // an invalidation of the button erases the background

  int ButtonIndex = -1;  // in the editor's button collection
  TvxEditButtonKind Kind = bkDown;
  AnsiString Caption;
  AnsiString StrippedCaption;  // without accelerator marks
  TColor TextColor = clBtnText;  // a text button's caption colour; clDefault: the editor's
  TColor Color = clDefault;      // the button's own background colour; clDefault: the style's
  bool Default = false;
  // The button's glyph, shared: a layout that outlives its button still paints a live bitmap.
  std::shared_ptr<TBitmap> Glyph;
  bool Enabled = true;
  bool Gradient = false;
  bool Inplace = false;
  bool LeftAlignment = false;
  bool Stretchable = true;
  int Width = 0;  // set explicitly; 0: from the glyph or the caption
  bool OnlyDownButton = false;  // the editor's one button, a drop-down arrow

  // Visual-style drawing: asked for (NativeStyle) and what the style gives (part 0: none).
  bool NativeStyle = false;
  bool ComboStyle = false;  // the drop-down button of a combo box
  TvdThemedObjectType ThemedObjectType = totButton;
  int NativePart = 0;
  bool NativeTransparent = false;  // the style's background has see-through parts

  bool IsThemed() const { return NativeStyle && NativePart != 0; }
};

// --- Painters and helpers ----------------------------------------------------------------

// The visual style's painter when nativeStyle is asked and styles are usable, else the
// painter of the kind.
TvxLookAndFeelPainterClass vxGetPainterClass(bool nativeStyle, TvxLookAndFeelKind kind);
// One-pixel lines in the colour on the sides of r (left, right, top, bottom in that order);
// r shrinks by a pixel on each side drawn.
void vxDrawFrameSides(TvxCanvas& canvas, RECT& r, TvxBorders sides, TColor color);
// Lines through points. By brushes each segment (horizontal or vertical) is a one-pixel
// rectangle that includes its end point, filled with the cached brush; otherwise a pen line.
// Either way the last point is set too.
void vxPolyline(TvxCanvas& canvas, std::span<const POINT> points, bool byBrushes, TColor color);
// Where size stands centred in r (halves rounded toward zero); addRemainder moves it one pixel
// right and down where it still fits (the pressed look).
POINT vxCenterSize(const RECT& r, SIZE size, bool addRemainder);
// A glyph with pixels to draw.
bool vxIsGlyphAssigned(const TBitmap* glyph);
// The visual style's object type, part, state and see-through flag of a button in its
// current State; all 0 when the button is not drawn natively or the style lacks the part.
void vxCalculateEditButtonThemeData(TvxEditButtonViewData& button);
// What the button's frame takes of its width: the visual style's content margins (left plus
// right), 4 unthemed.
int vxGetEditButtonContentOffset(const TvxEditButtonViewData& button);
// The width the button asks for: its explicit Width (at least the content offset), else the
// glyph's or the caption's width (caption plus 3) with the content offset, at least the
// height of a horizontal scroll bar. The canvas carries the editor's font.
int vxCalculateEditButtonWidth(TvxCanvas& canvas, TvxEditButtonViewData& button);
// The frame of a button in a style (left plus right): themed the style's margins, else 0 for
// btsDefault, 4 for bts3D and 2 for the others.
int vxGetEditButtonBorderExtent(const TvxEditButtonViewData& button, TvxEditButtonStyle style);
void vxFillRect(HDC dc, const RECT& r, HBRUSH brush);
// The area between outer and inner: nothing when outer is empty or equals inner, all of outer
// when inner is empty, else the four strips around inner.
void vxFillFrame(TvxCanvas& canvas, const RECT& outer, const RECT& inner, HBRUSH brush);
// The editor text flags (vxEditTextUtils) as canvas text flags: alignments, word break and
// single line.
TvxTextFlags vxConvertTextFlags(int editTextFlags);
// flag is set and there is at least one button.
bool vxHasEditButtons(bool flag, const TCollection* buttons);
// The colour of highlighted flat borders: Office-2003-like or the system's.
TColor vxEditBorderHighlightColor(bool office11);
// The painter whose button colours hot and pressed flat edit buttons take.
TvxLookAndFeelPainterClass vxGetEditButtonPainter(bool office11);
// The style asks for a shadow and is not drawn by the visual style.
bool vxEditHasShadow(const TvxContainerStyle& style);
// The caption without accelerator marks: "&&" gives "&", "&x" gives x, a final "&" gives "_".
AnsiString vxStripAccelChars(const AnsiString& caption);

// --- Editor painting ---------------------------------------------------------------------

// Paints an editor's frame and background from its view info (custom drawing is the
// caller's). Native style with a border draws the visual style's edit frame around an inner
// rectangle chosen by borderVariant (0 the style's content rectangle, 1 the bounds less 3
// reaching to the client's right edge less 1, 2 the client rectangle); otherwise the container
// border and shadow. fill paints the text area as well; without it only the strips around it
// (in place: only when inplaceBorderExtent is not all 0).
void vxDrawEditBackground(TvxCanvas& canvas, TvxContainerViewInfo& viewInfo, bool inplace,
                          const RECT& inplaceBorderExtent, bool fill, int borderVariant);

// Draws the frame of an unthemed button in style and answers the rectangle left for its
// content; bkColor and contentColor receive what the content is drawn with.
RECT vxDrawEditButtonBorder(TvxCanvas& canvas, const TvxEditButtonViewData& button, TvxEditButtonStyle style,
                            TColor& bkColor, TColor& contentColor);
// Draws a themed button and answers its content rectangle (empty for a combo-box button,
// which the style draws whole).
RECT vxDrawThemedEditButton(TvxCanvas& canvas, const TvxEditButtonViewData& button);

// Fills a button's background (the editor's view info decides how).
using TvxEditButtonBackgroundProc = std::function<void(TvxCanvas& canvas, const RECT& r, TColor color)>;
// What a button's content is drawn with beside the colours.
struct TvxEditButtonContentParams {
  TvxEditButtonStyle Style = btsDefault;
  const TFont* Font = nullptr;      // the editor's, for captions
  TColor EditTextColor = clWindowText;  // for captions without a colour of their own
  TvxEditButtonBackgroundProc DrawBackground;
};
// The content of a button: dots, the drop-down arrow, the glyph or the caption, over the
// background (unthemed buttons only; a glyph button paints its own).
void vxDrawEditButtonContent(TvxCanvas& canvas, const TvxEditButtonViewData& button, const RECT& contentRect,
                             TColor bkColor, TColor contentColor, const TvxEditButtonContentParams& params);

// Windows 98/ME, or Windows 2000/XP; fixed at start-up.
bool vxIsWin98OrWin2000Family();

void InitializevxEditUtils();
void FinalizevxEditUtils();
