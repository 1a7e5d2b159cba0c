// Multi-line text layout for the editors' own painting (when they do not show their inner
// edit): the text is measured on a device context with its current font, broken into rows,
// the rows are placed in a rectangle and drawn, with justified rows, rows spread over the
// height, word and character breaks, end ellipsis, tab expansion and a highlighted selection.
//
// Three steps, each usable alone: vxMakeTextRows breaks the text into rows (measuring them),
// vxPlaceTextRows gives each row its position, vxTextRowsOut draws them. The rows point into
// the text they were made from, which must outlive them.
//
// Text is code page 932: lengths, offsets and the selection count bytes, and every step over
// the text (breaks, tabs, line ends, how much fits) passes a double-byte character whole, so
// a row never ends inside one. Every row takes at least one whole character (or a line end),
// so making rows always ends, however narrow the rectangle.
#pragma once

#include "platform/gui/Graphics.h"
#include "platform/rtl/SysStrings.h"

#include <windows.h>

#include <vector>

class TvxCanvas;

// --- Text flags --------------------------------------------------------------------------

// Horizontal alignment (bits 0-2).
constexpr int vxtoLeft = 0x0;
constexpr int vxtoCenterHorizontally = 0x1;
constexpr int vxtoRight = 0x2;
constexpr int vxtoJustify = 0x3;     // rows of a paragraph but its last fill the width
constexpr int vxtoDistribute = 0x4;  // every row fills the width
constexpr int vxtoHorizontalMask = 0x7;
// Vertical alignment (bits 4-5).
constexpr int vxtoTop = 0x00;
constexpr int vxtoCenterVertically = 0x10;
constexpr int vxtoBottom = 0x20;
constexpr int vxtoDistributeVertically = 0x30;  // rows spread over the height
constexpr int vxtoVerticalMask = 0x30;
constexpr int vxtoPreventLeftExceed = 0x40;  // no row starts left of the rectangle
constexpr int vxtoPreventTopExceed = 0x80;   // the first row starts not above the rectangle
constexpr int vxtoWordBreak = 0x100;
constexpr int vxtoSingleLine = 0x200;
constexpr int vxtoExpandTabs = 0x400;
constexpr int vxtoEndEllipsis = 0x800;
constexpr int vxtoExternalLeading = 0x2000;   // rows are higher by the font's external leading
constexpr int vxtoWholeRowsOnly = 0x4000;     // top-aligned rows stop before one that would not fit
constexpr int vxtoAllowPartialRow = 0x8000;   // cancels vxtoWholeRowsOnly; no ellipsis row either
constexpr int vxtoReserved16 = 0x10000;       // only kept in the parameters
constexpr int vxtoCharBreak = 0x20000;        // a word that does not fit breaks between characters
constexpr int vxtoRowCountOnly = 0x100000;    // rows end by count only; with single line one row
constexpr int vxtoReserved21 = 0x200000;      // only kept in the parameters

// What the flags and the font of a device context make of a layout.
struct TvxTextParams {
  int FontHeight = 0;
  int ExternalLeading = 0;  // 0 unless vxtoExternalLeading
  int RowHeight = 0;        // the row pitch: font height plus external leading
  int EllipsisWidth = 0;    // the width of "..." with vxtoEndEllipsis, else 0
  unsigned char BreakChar = ' ';
  int HorzAlignment = vxtoLeft;
  int VertAlignment = vxtoTop;
  bool WordBreak = false;
  bool SingleLine = false;
  bool ExpandTabs = false;
  bool EndEllipsis = false;
  bool IncludeExternalLeading = false;
  bool WholeRowsOnly = false;
  bool AllowPartialRow = false;
  bool Reserved16 = false;
  bool PreventLeftExceed = false;
  bool PreventTopExceed = false;
  bool CharBreak = false;  // the flag, or a double-byte locale
  bool Reserved21 = false;
  bool RowCountOnly = false;
  int MaxCharWidth = 0;
};

struct TvxTextRow {
  const char* Text = nullptr;  // into the text the row was made from
  int Length = 0;              // bytes
  int Width = 0;
  int Height = 0;
  int BreakCount = 0;  // break characters spread for justification
  int Left = 0;
  int Top = 0;
  int Start = 0;  // offset of Text from the beginning of the text
};
// Rows; the array grows four rows at a time and may hold more rows than a layout uses.
using TvxTextRows = std::vector<TvxTextRow>;

// The text of an ellipsis.
constexpr char vxEllipsisText[] = "...";
constexpr int vxEllipsisLength = 3;

void vxGetTextParams(HDC dc, int flags, TvxTextParams& params);
// The same with the canvas's font made current first.
void vxGetCanvasTextParams(TvxCanvas& canvas, int flags, TvxTextParams& params);

// Breaks text into rows for the rectangle (maxRowCount 0: no limit). Answers false only when
// the row limit cut the text short.
bool vxMakeTextRows(HDC dc, const AnsiString& text, const RECT& r, const TvxTextParams& params, TvxTextRows& rows,
                    int& rowCount, int maxRowCount = 0);
// The same on a canvas, with the rows cleared first.
bool vxMakeCanvasTextRows(TvxCanvas& canvas, const AnsiString& text, const RECT& r, const TvxTextParams& params,
                          TvxTextRows& rows, int& rowCount, int maxRowCount = 0);
// Gives every row its position. Rows spread over the height change params.RowHeight to the
// pitch they use.
void vxPlaceTextRows(HDC dc, const RECT& r, TvxTextParams& params, TvxTextRows& rows, int rowCount);
// Draws placed rows in the device context's text colour; the selection (offsets into the
// text) is drawn over its background in its own colours. partialOutput: the last row ends with
// an ellipsis even when it fits (more text follows than the rows show).
void vxTextRowsOut(HDC dc, const RECT& r, const TvxTextParams& params, const TvxTextRows& rows, int rowCount,
                   int selStart = 0, int selLength = 0, TColor selBkColor = clHighlight,
                   TColor selTextColor = clHighlightText, bool partialOutput = false);
// The widest of the first count rows (0 for none).
int vxGetMaxRowWidth(const TvxTextRows& rows, int count);

// --- Helpers ------------------------------------------------------------------------------

// The extent of length bytes of text, with tabs expanded to the default stops when asked.
SIZE vxGetTextExtent(HDC dc, const char* text, int length, bool expandTabs);
// Narrows the clip region to r and answers the region before (nullptr when there was none)
// for vxRestoreClipRgn, which selects it again and frees it.
HRGN vxSetClipRect(HDC dc, const RECT& r);
void vxRestoreClipRgn(HDC dc, HRGN saved);

// --- Text conversion hook ------------------------------------------------------------------

// A function the editors' texts may be passed through before they are shown; the editors set
// it to the translation lookup of message texts (vxGetResourceString) at start-up. None by
// default.
using TvxTextConversionFunc = AnsiString (*)(const AnsiString& text);
void vxSetTextConversionFunc(TvxTextConversionFunc func);
TvxTextConversionFunc vxTextConversionFunc();
