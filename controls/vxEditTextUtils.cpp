#include "controls/vxEditTextUtils.h"

#include "controls/vxGraphics.h"

#include <algorithm>
#include <string_view>

namespace {

bool IsJustified(int horzAlignment) { return horzAlignment == vxtoJustify || horzAlignment == vxtoDistribute; }

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// The length of the longest run of whole characters of text[0, length) no longer than limit
// bytes: a limit inside a double-byte character falls back to its start.
int WholeCharsWithin(std::string_view text, int limit) {
  size_t i = 0;
  for (;;) {
    const size_t next = NextCharIndex(text, i);
    if (next == i || next > static_cast<size_t>(limit)) return static_cast<int>(i);
    i = next;
  }
}

// The same, rounded up: a limit inside a double-byte character moves to its end.
int WholeCharsCovering(std::string_view text, int limit) {
  const int down = WholeCharsWithin(text, limit);
  return down < limit ? static_cast<int>(NextCharIndex(text, static_cast<size_t>(down))) : down;
}

class TRowMaker {
public:
  TRowMaker(HDC dc, const AnsiString& text, const RECT& r, const TvxTextParams& params, int maxRowCount)
      : FDC(dc), FText(text), FParams(params), FWidth(r.right - r.left), FHeight(r.bottom - r.top),
        FMaxRowCount(maxRowCount) {}

  // Whether making stops before the row that would be row number count + 1, with the rows so
  // far standing runningHeight high.
  bool Stop(int count, int runningHeight) const {
    if (FParams.SingleLine) return count >= 1;
    if (StopsByHeight()) {
      if (FParams.WholeRowsOnly && !FParams.AllowPartialRow) return runningHeight + FParams.RowHeight > FHeight;
      // A row that would start at the bottom or below shows nothing: the rows stop before it,
      // so that an ellipsis goes on the last row that shows.
      return count >= 1 && runningHeight >= FHeight;
    }
    return FMaxRowCount > 0 && count >= FMaxRowCount;
  }
  bool StopsByHeight() const { return FParams.VertAlignment == vxtoTop && !FParams.RowCountOnly; }

  // Makes the row that starts at pos; answers where the next row starts.
  size_t MakeRow(size_t pos, bool lastAllowed, TvxTextRow& row) {
    const std::string_view text(FText);
    const bool ellipsisRow = FParams.EndEllipsis && !FParams.WholeRowsOnly && !FParams.AllowPartialRow &&
                             !IsJustified(FParams.HorzAlignment) && lastAllowed;
    const bool keepLineEnds = FParams.SingleLine || ellipsisRow;
    const bool wordBreak = FParams.WordBreak || IsJustified(FParams.HorzAlignment);
    const bool measure = wordBreak || FParams.SingleLine || ellipsisRow;

    size_t i = pos;
    int breaks = 0;
    size_t lastBreakEnd = 0;  // 0: no break character in the row yet
    int breaksAtLastBreak = 0;
    bool paragraphEnd = false;
    while (i < text.size()) {
      const char c = text[i];
      if (IsLineEnd(c) && !keepLineEnds) {
        paragraphEnd = true;
        break;
      }
      const size_t next = NextCharIndex(text, i);
      if (IsBreakChar(text, i, next)) {
        ++breaks;
        lastBreakEnd = next;
        breaksAtLastBreak = breaks;
      }
      if (measure && Extent(pos, next) > FWidth) {
        if (ellipsisRow || FParams.SingleLine) {
          i = next;  // the row is cut when it is drawn
        } else if (lastBreakEnd != 0) {
          i = lastBreakEnd;
          breaks = breaksAtLastBreak;
        } else if (FParams.CharBreak) {
          // A character wider than the whole row still makes a row of its own.
          i = i == pos ? next : i;
        } else {
          i = next;  // the word runs past the edge up to the next break character
          while (i < text.size() && !IsLineEnd(text[i])) {
            const size_t n = NextCharIndex(text, i);
            if (IsBreakChar(text, i, n)) break;
            i = n;
          }
        }
        break;
      }
      i = next;
    }

    row.Text = FText.data() + pos;
    row.Start = static_cast<int>(pos);
    row.Length = static_cast<int>(i - pos);
    row.BreakCount = breaks;
    // The last row of a paragraph, or of the text, keeps its natural width when justified.
    if (FParams.HorzAlignment == vxtoJustify && (paragraphEnd || i >= text.size())) row.BreakCount = 0;
    if (IsJustified(FParams.HorzAlignment)) {
      while (row.Length > 0 && IsBreakChar(text, pos + row.Length - 1, pos + row.Length) &&
             !IsTrailByteAt(text, pos + row.Length - 1)) {
        --row.Length;
        row.BreakCount = std::max(0, row.BreakCount - 1);
      }
    }
    const SIZE size = vxGetTextExtent(FDC, row.Text, row.Length, FParams.ExpandTabs);
    row.Width = size.cx;
    row.Height = size.cy > 0 ? size.cy : FParams.FontHeight;

    size_t next = pos + static_cast<size_t>(row.Length);
    while (next < text.size() && static_cast<unsigned char>(text[next]) == FParams.BreakChar) ++next;
    for (char skip : {'\t', '\r', '\n'})
      if (next < text.size() && text[next] == skip) ++next;
    // Never stand still: a row of break characters trimmed away still passes one character.
    return next > pos ? next : NextCharIndex(text, pos);
  }

private:
  bool IsBreakChar(std::string_view text, size_t i, size_t next) const {
    if (next - i != 1) return false;
    const auto c = static_cast<unsigned char>(text[i]);
    return c == FParams.BreakChar || c == '\t';
  }
  int Extent(size_t from, size_t to) const {
    return vxGetTextExtent(FDC, FText.data() + from, static_cast<int>(to - from), FParams.ExpandTabs).cx;
  }

  HDC FDC;
  const AnsiString& FText;
  const TvxTextParams& FParams;
  int FWidth, FHeight, FMaxRowCount;
};

void AddRow(TvxTextRows& rows, int& rowCount, const TvxTextRow& row) {
  if (static_cast<size_t>(rowCount) >= rows.size()) rows.resize(rows.size() + 4);
  rows[static_cast<size_t>(rowCount++)] = row;
}

// The bytes of the whole characters at the start of text that fit in maxWidth, measured as
// the row is drawn: with expanded TABs a TAB reaches the next stop, which the fit count of
// GetTextExtentExPoint knows nothing of, so the prefixes are measured (by halving).
int FitWholeChars(HDC dc, std::string_view text, int maxWidth, bool expandTabs) {
  if (!expandTabs) {
    // The fit count may be in bytes.
    INT fit = 0;
    SIZE unused{};
    GetTextExtentExPointA(dc, text.data(), static_cast<int>(text.size()), maxWidth, &fit, nullptr, &unused);
    return WholeCharsWithin(text, std::clamp(static_cast<int>(fit), 0, static_cast<int>(text.size())));
  }
  std::vector<int> ends;  // where each character ends
  for (size_t i = 0; i < text.size();) {
    i = NextCharIndex(text, i);
    ends.push_back(static_cast<int>(i));
  }
  size_t low = 0, high = ends.size();  // characters known to fit, and at most fitting
  while (low < high) {
    const size_t mid = (low + high + 1) / 2;
    if (vxGetTextExtent(dc, text.data(), ends[mid - 1], true).cx <= maxWidth)
      low = mid;
    else
      high = mid - 1;
  }
  return low == 0 ? 0 : ends[low - 1];
}

void DrawRowText(HDC dc, const TvxTextParams& params, int x, int y, const char* text, int length) {
  if (params.ExpandTabs)
    TabbedTextOutA(dc, x, y, text, length, 0, nullptr, x);
  else
    TextOutA(dc, x, y, text, length);
}

}  // namespace

SIZE vxGetTextExtent(HDC dc, const char* text, int length, bool expandTabs) {
  SIZE size{};
  if (expandTabs) {
    const DWORD extent = GetTabbedTextExtentA(dc, text, length, 0, nullptr);
    size.cx = LOWORD(extent);
    size.cy = HIWORD(extent);
  } else {
    GetTextExtentPoint32A(dc, text, length, &size);
  }
  return size;
}

HRGN vxSetClipRect(HDC dc, const RECT& r) {
  HRGN saved = CreateRectRgn(0, 0, 0, 0);
  if (GetClipRgn(dc, saved) != 1) {
    DeleteObject(saved);
    saved = nullptr;
  }
  IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
  return saved;
}

void vxRestoreClipRgn(HDC dc, HRGN saved) {
  SelectClipRgn(dc, saved);
  if (saved != nullptr) DeleteObject(saved);
}

void vxGetTextParams(HDC dc, int flags, TvxTextParams& params) {
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  params = TvxTextParams{};
  params.FontHeight = tm.tmHeight;
  params.IncludeExternalLeading = (flags & vxtoExternalLeading) != 0;
  params.ExternalLeading = params.IncludeExternalLeading ? tm.tmExternalLeading : 0;
  params.RowHeight = params.FontHeight + params.ExternalLeading;
  params.EndEllipsis = (flags & vxtoEndEllipsis) != 0;
  params.EllipsisWidth = params.EndEllipsis ? vxGetTextExtent(dc, vxEllipsisText, vxEllipsisLength, false).cx : 0;
  params.BreakChar = tm.tmBreakChar;
  params.HorzAlignment = flags & vxtoHorizontalMask;
  params.VertAlignment = flags & vxtoVerticalMask;
  params.WordBreak = (flags & vxtoWordBreak) != 0;
  params.SingleLine = (flags & vxtoSingleLine) != 0;
  params.ExpandTabs = (flags & vxtoExpandTabs) != 0;
  params.WholeRowsOnly = (flags & vxtoWholeRowsOnly) != 0;
  params.AllowPartialRow = (flags & vxtoAllowPartialRow) != 0;
  params.Reserved16 = (flags & vxtoReserved16) != 0;
  params.PreventLeftExceed = (flags & vxtoPreventLeftExceed) != 0;
  params.PreventTopExceed = (flags & vxtoPreventTopExceed) != 0;
  // Double-byte text has no blanks between words to break at.
  params.CharBreak = (flags & vxtoCharBreak) != 0 || GetSystemMetrics(SM_DBCSENABLED) != 0;
  params.Reserved21 = (flags & vxtoReserved21) != 0;
  params.RowCountOnly = (flags & vxtoRowCountOnly) != 0;
  params.MaxCharWidth = tm.tmMaxCharWidth;
}

void vxGetCanvasTextParams(TvxCanvas& canvas, int flags, TvxTextParams& params) {
  canvas.TextExtent(AnsiString());  // any call of the canvas selects its font into the device context
  vxGetTextParams(canvas.Handle(), flags, params);
}

bool vxMakeTextRows(HDC dc, const AnsiString& text, const RECT& r, const TvxTextParams& params, TvxTextRows& rows,
                    int& rowCount, int maxRowCount) {
  rowCount = 0;
  if (text.empty()) return true;
  if (params.RowCountOnly && params.SingleLine) {
    TvxTextRow row;
    row.Text = text.data();
    row.Length = static_cast<int>(text.size());
    const SIZE size = vxGetTextExtent(dc, row.Text, row.Length, params.ExpandTabs);
    row.Width = size.cx;
    row.Height = size.cy > 0 ? size.cy : params.FontHeight;
    AddRow(rows, rowCount, row);
    return true;
  }
  TRowMaker maker(dc, text, r, params, maxRowCount);
  size_t pos = 0;
  int runningHeight = 0;
  while (pos < text.size() && !maker.Stop(rowCount, runningHeight)) {
    TvxTextRow row;
    const bool lastAllowed = maker.Stop(rowCount + 1, runningHeight + params.RowHeight);
    pos = maker.MakeRow(pos, lastAllowed, row);
    AddRow(rows, rowCount, row);
    runningHeight += params.RowHeight;
  }
  const bool cutByCount = pos < text.size() && !params.SingleLine && !maker.StopsByHeight();
  return !cutByCount;
}

bool vxMakeCanvasTextRows(TvxCanvas& canvas, const AnsiString& text, const RECT& r, const TvxTextParams& params,
                          TvxTextRows& rows, int& rowCount, int maxRowCount) {
  rows.clear();
  canvas.TextExtent(AnsiString());
  return vxMakeTextRows(canvas.Handle(), text, r, params, rows, rowCount, maxRowCount);
}

void vxPlaceTextRows(HDC dc, const RECT& r, TvxTextParams& params, TvxTextRows& rows, int rowCount) {
  if (rowCount <= 0) return;
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  int remainder = 0;
  if (params.VertAlignment == vxtoDistributeVertically && rowCount > 1) {
    const int pitch = (height - params.FontHeight) / (rowCount - 1);
    if (pitch > params.FontHeight) {
      remainder = (height - params.FontHeight) % (rowCount - 1);
      params.RowHeight = pitch;
    }
  }
  const int pitch = params.RowHeight;
  int top = r.top;
  if (params.VertAlignment == vxtoCenterVertically)
    top = r.top + (height - rowCount * pitch) / 2;
  else if (params.VertAlignment == vxtoBottom)
    top = r.bottom - rowCount * pitch + params.ExternalLeading;
  if (params.PreventTopExceed) top = std::max(top, static_cast<int>(r.top));
  for (int i = 0; i < rowCount; ++i) {
    TvxTextRow& row = rows[static_cast<size_t>(i)];
    if (params.HorzAlignment == vxtoCenterHorizontally)
      row.Left = r.left + (width - row.Width) / 2;
    else if (params.HorzAlignment == vxtoRight)
      row.Left = r.right - row.Width;
    else
      row.Left = r.left;
    if (params.PreventLeftExceed) row.Left = std::max(row.Left, static_cast<int>(r.left));
    row.Top = top;
    top += pitch;
    if (remainder > 0) {
      ++top;
      --remainder;
    }
  }
}

void vxTextRowsOut(HDC dc, const RECT& r, const TvxTextParams& params, const TvxTextRows& rows, int rowCount,
                   int selStart, int selLength, TColor selBkColor, TColor selTextColor, bool partialOutput) {
  const int width = r.right - r.left;
  const int oldBkMode = SetBkMode(dc, TRANSPARENT);
  HBRUSH selBrush = selLength > 0 ? CreateSolidBrush(ColorToRGB(selBkColor)) : nullptr;
  for (int i = 0; i < rowCount; ++i) {
    const TvxTextRow& row = rows[static_cast<size_t>(i)];
    const std::string_view rowText(row.Text, static_cast<size_t>(row.Length));
    int length = row.Length;
    int x = row.Left;
    const bool ellipsis = i == rowCount - 1 && params.EndEllipsis && (row.Width > width || partialOutput);
    if (ellipsis) {
      // Keep whole characters, at least one of them.
      length = FitWholeChars(dc, rowText, std::max(0, width - params.EllipsisWidth), params.ExpandTabs);
      if (length == 0 && row.Length > 0) length = static_cast<int>(NextCharIndex(rowText, 0));
      // A cut row starts inside the rectangle, or its "..." would fall outside.
      x = std::max(x, static_cast<int>(r.left));
    } else if (IsJustified(params.HorzAlignment) && row.BreakCount > 0) {
      SetTextJustification(dc, width - row.Width, row.BreakCount);
    }
    const bool leaves = row.Width > width || x < r.left || row.Top < r.top || row.Top + row.Height > r.bottom;
    const bool clipped = leaves || ellipsis;
    HRGN saved = clipped ? vxSetClipRect(dc, r) : nullptr;
    DrawRowText(dc, params, x, row.Top, row.Text, length);
    if (ellipsis) {
      const int ex = x + vxGetTextExtent(dc, row.Text, length, params.ExpandTabs).cx;
      const UINT options = ex + params.EllipsisWidth > r.right ? ETO_CLIPPED : 0;
      ExtTextOutA(dc, ex, row.Top, options, &r, vxEllipsisText, vxEllipsisLength, nullptr);
    }
    if (selBrush != nullptr) {
      const int from = std::max(selStart, row.Start) - row.Start;
      const int to = std::min(selStart + selLength, row.Start + length) - row.Start;
      if (from < to) {
        const int a = WholeCharsWithin(rowText, from);
        const int b = WholeCharsCovering(rowText, to);
        RECT sel{x + vxGetTextExtent(dc, row.Text, a, params.ExpandTabs).cx, row.Top,
                 x + vxGetTextExtent(dc, row.Text, b, params.ExpandTabs).cx, row.Top + row.Height};
        FillRect(dc, &sel, selBrush);
        const COLORREF oldColor = SetTextColor(dc, ColorToRGB(selTextColor));
        HRGN selSaved = vxSetClipRect(dc, sel);
        DrawRowText(dc, params, x, row.Top, row.Text, length);
        vxRestoreClipRgn(dc, selSaved);
        SetTextColor(dc, oldColor);
      }
    }
    if (clipped) vxRestoreClipRgn(dc, saved);
    SetTextJustification(dc, 0, 0);
  }
  if (selBrush != nullptr) DeleteObject(selBrush);
  SetBkMode(dc, oldBkMode);
}

int vxGetMaxRowWidth(const TvxTextRows& rows, int count) {
  int result = 0;
  for (int i = 0; i < count && i < static_cast<int>(rows.size()); ++i) result = std::max(result, rows[static_cast<size_t>(i)].Width);
  return result;
}

// --- Text conversion hook ------------------------------------------------------------------

namespace {
TvxTextConversionFunc GTextConversionFunc = nullptr;
}  // namespace

void vxSetTextConversionFunc(TvxTextConversionFunc func) { GTextConversionFunc = func; }

TvxTextConversionFunc vxTextConversionFunc() { return GTextConversionFunc; }
