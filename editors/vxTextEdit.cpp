#include "editors/vxTextEdit.h"

#include "controls/vxControls.h"
#include "controls/vxEditConsts.h"
#include "platform/gui/Clipbrd.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SysStrings.h"

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

namespace {

bool IsTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

// The EDIT's Unicode procedure: a joined double-byte character reaches the EDIT as one UTF-16
// character, which an ANSI EDIT fed byte by byte would not make of the two bytes.
WNDPROC EditProcW() {
  static WNDPROC proc = [] {
    WNDCLASSW wc{};
    return GetClassInfoW(nullptr, L"EDIT", &wc) ? wc.lpfnWndProc : nullptr;
  }();
  return proc;
}

// The plain EDIT's answers, for an inner edit whose editor is no text editor.
class TPlainHost : public IvxInnerTextEditHost {};

TPlainHost& PlainHost() {
  static TPlainHost host;
  return host;
}

}  // namespace

// --- Text helpers --------------------------------------------------------------------------

AnsiString vxConvertCharCase(const AnsiString& text, TEditCharCase charCase) {
  switch (charCase) {
    case TEditCharCase::ecUpperCase: return AnsiUpperCase(text);
    case TEditCharCase::ecLowerCase: return AnsiLowerCase(text);
    default: return text;
  }
}

namespace {

bool IsDigitChar(char c) { return c >= '0' && c <= '9'; }

// The character of text at i is the single byte c.
bool IsCharAt(std::string_view text, size_t i, char c) { return text[i] == c && NextCharIndex(text, i) == i + 1; }

AnsiString WithoutThousandSeparators(std::string_view text) {
  const char separator = GetFormatSettings().ThousandSeparator;
  AnsiString result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t next = NextCharIndex(text, i);
    if (!(separator != '\0' && IsCharAt(text, i, separator))) result.append(text.substr(i, next - i));
    i = next;
  }
  return result;
}

}  // namespace

bool vxIsNumberText(const AnsiString& text) {
  long double value = 0;
  return TryStrToFloat(WithoutThousandSeparators(text), value, GetFormatSettings());
}

AnsiString vxInsertThousandSeparators(const AnsiString& text) {
  const TFormatSettings& fs = GetFormatSettings();
  const std::string_view s(text);
  // Blanks (bytes below 33) around the number are set aside.
  size_t begin = 0, end = s.size();
  while (begin < end && static_cast<unsigned char>(s[begin]) < 33) ++begin;
  while (end > begin && static_cast<unsigned char>(s[end - 1]) < 33) --end;
  std::string_view body = s.substr(begin, end - begin);
  // The exponent part from the first "E": looked for character by character, since a trail
  // byte may be an "E" or an "e".
  std::string_view exponent;
  const size_t e = AnsiPos("E", AnsiUpperCase(body));
  if (e != std::string_view::npos) {
    exponent = body.substr(e);
    body = body.substr(0, e);
  }
  const AnsiString number = WithoutThousandSeparators(body);
  AnsiString grouped;
  if (fs.ThousandSeparator == '\0') {
    grouped = number;
  } else {
    const size_t decimal = AnsiPos(std::string_view(&fs.DecimalSeparator, 1), number);
    size_t i = decimal == std::string_view::npos ? number.size() : decimal;
    // Built from the right: the fraction, then the digits of the integer part.
    AnsiString right = number.substr(i);
    int digits = 0;
    while (i > 0 && IsDigitChar(number[i - 1])) {
      right.insert(right.begin(), number[--i]);
      if (++digits % 3 == 0 && i > 0 && IsDigitChar(number[i - 1])) right.insert(right.begin(), fs.ThousandSeparator);
    }
    grouped = number.substr(0, i) + right;
  }
  return AnsiString(s.substr(0, begin)) + grouped + AnsiString(exponent) + AnsiString(s.substr(end));
}

int vxCountNonSeparatorChars(const AnsiString& text, int caret) {
  const char separator = GetFormatSettings().ThousandSeparator;
  const std::string_view s(text);
  const size_t limit = static_cast<size_t>(std::clamp(caret, 0, static_cast<int>(s.size())));
  int count = 0;
  for (size_t i = 0; i < limit; i = NextCharIndex(s, i))
    if (!(separator != '\0' && IsCharAt(s, i, separator))) ++count;
  return count;
}

int vxCaretAfterNonSeparatorChars(const AnsiString& text, int count) {
  const char separator = GetFormatSettings().ThousandSeparator;
  const std::string_view s(text);
  size_t i = 0;
  while (count > 0 && i < s.size()) {
    if (!(separator != '\0' && IsCharAt(s, i, separator))) --count;
    i = NextCharIndex(s, i);
  }
  return static_cast<int>(i);
}

bool vxFormatNumberText(AnsiString& text, int& caret) {
  if (!vxIsNumberText(text)) return false;
  const AnsiString formatted = vxInsertThousandSeparators(text);
  if (formatted == text) return false;
  const int count = vxCountNonSeparatorChars(text, caret);
  text = formatted;
  caret = vxCaretAfterNonSeparatorChars(text, count);
  return true;
}

// --- Text view -----------------------------------------------------------------------------

TvxContainerViewInfoClass TvxCustomTextEditViewInfo::ViewInfoClass() {
  return vxObjectClassOf<TvxCustomTextEditViewInfo, TvxContainerViewInfo>("TvxCustomTextEditViewInfo");
}

void TvxCustomTextEditViewInfo::Assign(const TvxContainerViewInfo* source) {
  TvxCustomEditViewInfo::Assign(source);
  const auto* text = dynamic_cast<const TvxCustomTextEditViewInfo*>(source);
  if (text == nullptr) return;
  ComboStyle = text->ComboStyle;
  Text = text->Text;
  TextRect = text->TextRect;
  DrawTextFlags = text->DrawTextFlags;
  LookupMode = text->LookupMode;
  SelBackgroundColor = text->SelBackgroundColor;
  SelTextColor = text->SelTextColor;
  SelStart = text->SelStart;
  SelLength = text->SelLength;
  Highlighted = text->Highlighted;
}

void TvxCustomTextEditViewInfo::Offset(int dx, int dy) {
  TvxCustomEditViewInfo::Offset(dx, dy);
  OffsetRect(&TextRect, dx, dy);
}

void TvxCustomTextEditViewInfo::Paint(TvxCanvas& canvas) {
  // A combo box's text is framed as its list mode asks (modes 2 and 3 draw the text as an
  // item of the list).
  const int borderVariant = !ComboStyle ? 0 : (LookupMode == 2 || LookupMode == 3) ? 2 : 1;
  PaintBackgroundAndButtons(canvas, borderVariant, true);
  RECT r = TextRect;
  if ((BorderStyle == cbsNone || Highlighted) && LookupMode != 3) canvas.FrameRect(r, BackgroundColor);
  InflateRect(&r, -1, -1);
  if (!OnCustomDrawText || !OnCustomDrawText(this, canvas, r)) {
    TColor color = TextColor;
    if (Highlighted) {
      canvas.FillRect(r, clHighlight);
      color = clHighlightText;
    }
    DrawText(canvas, r, color);
  }
  if (Inplace && (ContainerState & vxcsFocused) != 0) {
    canvas.SetBrushColor(SelBackgroundColor);
    canvas.Font().SetColor(SelTextColor);
    canvas.DrawFocusRect(r);
  }
}

void TvxCustomTextEditViewInfo::DrawText(TvxCanvas& canvas, const RECT& r, TColor textColor) {
  RowCount = 0;
  if (Text.empty() || IsRectEmpty(&r)) return;
  if (Font != nullptr) canvas.SetFont(*Font);
  TvxTextParams params;
  vxGetCanvasTextParams(canvas, DrawTextFlags, params);
  vxMakeCanvasTextRows(canvas, Text, r, params, Rows, RowCount);
  const HDC dc = canvas.Handle();
  vxPlaceTextRows(dc, r, params, Rows, RowCount);
  const COLORREF oldColor = SetTextColor(dc, ColorToRGB(textColor));
  vxTextRowsOut(dc, r, params, Rows, RowCount, SelStart, SelLength, SelBackgroundColor, SelTextColor);
  SetTextColor(dc, oldColor);
}

bool TvxCustomTextEditViewInfo::IsTextTruncated(TvxCanvas& canvas, POINT p, AnsiString& text, bool& multiRow,
                                                RECT& screenTextRect, const RECT* area) {
  RECT r = TextRect;
  InflateRect(&r, -1, -1);
  if (area != nullptr) r = *area;
  text = Text;
  multiRow = (DrawTextFlags & vxtoSingleLine) == 0;
  screenTextRect = r;
  if (Edit != nullptr && Edit->HandleAllocated()) {
    const POINT origin = Edit->ClientToScreen(POINT{0, 0});
    OffsetRect(&screenTextRect, origin.x, origin.y);
  }
  if (!PtInRect(&r, p) || text.empty()) return false;
  if (Font != nullptr) canvas.SetFont(*Font);
  // Laid out without limits: every row as long and as many rows as the text makes.
  const int flags = (DrawTextFlags & ~(vxtoEndEllipsis | vxtoVerticalMask)) | (multiRow ? 0 : vxtoSingleLine);
  TvxTextParams params;
  vxGetCanvasTextParams(canvas, flags, params);
  constexpr int unlimited = 0x3FFFFFFF;
  TvxTextRows rows;
  int count = 0;
  vxMakeCanvasTextRows(canvas, text, RECT{0, 0, unlimited, unlimited}, params, rows, count);
  const HDC dc = canvas.Handle();
  for (int i = 0; i < count; ++i) {
    const TvxTextRow& row = rows[static_cast<size_t>(i)];
    const AnsiString trimmed = TrimRight(std::string_view(row.Text, static_cast<size_t>(row.Length)));
    if (vxGetTextExtent(dc, trimmed.data(), static_cast<int>(trimmed.size()), params.ExpandTabs).cx > r.right - r.left)
      return true;
  }
  return count * params.RowHeight > r.bottom - r.top;
}

TvxCustomTextEditViewData::TvxCustomTextEditViewData(TvxCustomEditProperties* properties, TvxCustomEditStyle* style,
                                                     bool inplace)
    : TvxCustomEditViewData(properties, style, inplace) {
  if (IvxTextEditProperties* text = TextProperties()) LookupMode = text->GetLookupMode();
  EditValueIsText = !properties->IsEditValueNumeric();
}

TvxCustomEditViewDataClass TvxCustomTextEditViewData::ViewDataClass() {
  return vxObjectClassOf<TvxCustomTextEditViewData, TvxCustomEditViewData, TvxCustomEditProperties*,
                         TvxCustomEditStyle*, bool>("TvxCustomTextEditViewData");
}

IvxTextEditProperties* TvxCustomTextEditViewData::TextProperties() const {
  return dynamic_cast<IvxTextEditProperties*>(Properties);
}

void TvxCustomTextEditViewData::Calculate(TvxCanvas& canvas, const RECT& bounds, POINT p,
                                          std::optional<TMouseButton> button, TShiftState shift,
                                          TvxCustomEditViewInfo& viewInfo) {
  TvxCustomEditViewData::Calculate(canvas, bounds, p, button, shift, viewInfo);
  auto* info = dynamic_cast<TvxCustomTextEditViewInfo*>(&viewInfo);
  if (info == nullptr) return;
  info->ComboStyle = IsComboBoxStyle();
  info->LookupMode = LookupMode;
  info->TextRect = CalculateTextRect(canvas, *info);
  info->DrawTextFlags = GetDrawTextFlags();
  info->SelStart = SelStart;
  info->SelLength = SelLength;
  info->Highlighted = Highlighted;
  CalculateSelectionColors(*info);
}

void TvxCustomTextEditViewData::EditValueToDrawValue(const Variant& editValue, TvxCustomEditViewInfo& viewInfo) {
  auto* info = dynamic_cast<TvxCustomTextEditViewInfo*>(&viewInfo);
  if (info == nullptr) return;
  // A copy of the editor painted elsewhere has no inner edit over it.
  auto* edit = dynamic_cast<TvxCustomEdit*>(Edit);
  if (edit != nullptr && (edit->ControlState() & csPaintCopy) == 0 && edit->IsInnerEditVisible()) {
    info->Text.clear();
    return;
  }
  Variant display;
  Properties->PrepareDisplayValue(editValue, display, Focused);
  info->Text = DisplayValueToDrawText(display.IsNull() || display.IsEmpty() ? AnsiString() : display.AsString());
}

AnsiString TvxCustomTextEditViewData::DisplayValueToDrawText(const AnsiString& text) const {
  IvxTextEditProperties* properties = TextProperties();
  return properties != nullptr ? properties->DisplayValueToText(text) : text;
}

SIZE TvxCustomTextEditViewData::GetEditSize(TvxCanvas& canvas, const Variant& editValue) {
  SIZE size = TvxCustomEditViewData::GetEditSize(canvas, editValue);
  if (IsNativeStyle()) ++size.cy;
  return size;
}

RECT TvxCustomTextEditViewData::CalculateTextRect(TvxCanvas& canvas, const TvxCustomTextEditViewInfo& viewInfo) const {
  RECT r = viewInfo.ClientRect;
  if (viewInfo.BorderStyle == cbsNone) {
    if (viewInfo.Font != nullptr) canvas.SetFont(*viewInfo.Font);
    const int height = canvas.TextHeight("Zg");
    if (r.bottom - r.top < height) r.bottom = std::min(r.top + height, viewInfo.Bounds.bottom);
  }
  return r;
}

int TvxCustomTextEditViewData::GetDrawTextFlags() const {
  int flags = vxtoLeft;
  switch (Properties->Alignment()->Horz()) {
    case TAlignment::taRightJustify: flags = vxtoRight; break;
    case TAlignment::taCenter: flags = vxtoCenterHorizontally; break;
    default: break;
  }
  if (Properties->MultiRowText()) flags |= vxtoBottom;
  return flags | vxtoSingleLine | vxtoPreventTopExceed | vxtoPreventLeftExceed;
}

void TvxCustomTextEditViewData::CalculateSelectionColors(TvxCustomTextEditViewInfo& viewInfo) const {
  TColor background = SelBackgroundColor;
  TColor text = SelTextColor;
  if (background != clDefault && text == clDefault) {
    text = static_cast<TColor>(ColorToRGB(background) ^ 0xFFFFFF);
  } else if (background == clDefault && text != clDefault) {
    background = static_cast<TColor>(ColorToRGB(text) ^ 0xFFFFFF);
  } else if (background == clDefault) {
    // The highlight on a background of the highlight colour would not show.
    const bool highlightStyle = Style != nullptr && Style->Color() == clHighlight;
    background = highlightStyle ? static_cast<TColor>(0x000000) : clHighlight;
    text = highlightStyle ? static_cast<TColor>(0xFFFFFF) : clHighlightText;
  }
  viewInfo.SelBackgroundColor = background;
  viewInfo.SelTextColor = text;
}

// --- Lookup data ---------------------------------------------------------------------------

TvxCustomTextEditLookupData::TvxCustomTextEditLookupData(TvxCustomEdit* edit)
    : TvxInterfacedPersistent(nullptr), FEdit(edit) {}

TvxCustomTextEditLookupData::~TvxCustomTextEditLookupData() {
  if (TvxCustomEditListBox* list = ListIfMade()) {
    list->SetLookupData(nullptr);
    FListLink.reset();
    delete list;
  }
}

TvxCustomTextEditLookupDataClass TvxCustomTextEditLookupData::LookupDataClass() {
  return vxObjectClassOf<TvxCustomTextEditLookupData, TvxCustomTextEditLookupData, TvxCustomEdit*>(
      "TvxCustomTextEditLookupData");
}

IvxTextEditProperties* TvxCustomTextEditLookupData::TextProperties() const {
  return dynamic_cast<IvxTextEditProperties*>(FEdit->ActiveProperties());
}

int TvxCustomTextEditLookupData::LookupMode() const {
  IvxTextEditProperties* properties = TextProperties();
  return properties != nullptr ? properties->GetLookupMode() : 0;
}

int TvxCustomTextEditLookupData::GetItemCount() {
  IvxTextEditProperties* properties = TextProperties();
  return properties != nullptr ? properties->GetLookupItemCount() : 0;
}

AnsiString TvxCustomTextEditLookupData::GetItemText(int index) {
  IvxTextEditProperties* properties = TextProperties();
  if (properties == nullptr || index < 0 || index >= properties->GetLookupItemCount()) return AnsiString();
  return properties->GetLookupItemText(index);
}

int TvxCustomTextEditLookupData::IndexOf(const AnsiString& text) {
  IvxTextEditProperties* properties = TextProperties();
  const int count = properties != nullptr ? properties->GetLookupItemCount() : 0;
  for (int i = 0; i < count; ++i)
    if (SameText(properties->GetLookupItemText(i), text)) return i;
  return -1;
}

bool TvxCustomTextEditLookupData::Locate(AnsiString& text, AnsiString& tail, bool next, bool exact) {
  tail.clear();
  const int count = GetItemCount();
  if (count == 0) return false;
  IvxTextEditProperties* properties = TextProperties();
  if (exact && properties != nullptr && properties->IsLookupSearchExact()) {
    const int index = IndexOf(text);
    SetSelected(index);
    return index >= 0;
  }
  if (!text.empty()) {
    for (int i = next ? std::max(FSelectedIndex + 1, 0) : 0; i < count; ++i) {
      const AnsiString item = properties->GetLookupItemText(i);
      if (item.size() < text.size() || !SameText(std::string_view(item).substr(0, text.size()), text)) continue;
      // The match ends on a whole character of the item: a text that ends in the lead byte of
      // a character still being typed takes that character of the item whole.
      size_t length = 0;
      while (length < text.size()) length = NextCharIndex(item, length);
      text = item.substr(0, length);
      tail = item.substr(length);
      SetSelected(i);
      return true;
    }
  }
  const int mode = LookupMode();
  if (mode == 1 || mode == 2 ? ClearsSelectionAfterFailedSearch(mode) : true) SetSelected(-1);
  return false;
}

void TvxCustomTextEditLookupData::SetCurrent(int index) {
  if (index < -1 || index >= GetItemCount()) return;
  FCurrentIndex = index;
  SetSelected(index);
}

void TvxCustomTextEditLookupData::SetSelected(int index) {
  const int count = GetItemCount();
  if (index < -1 || index >= count) return;
  if (index == FSelectedIndex && index != -1) return;
  if (TvxCustomEditListBox* list = ListIfMade(); list != nullptr && count > 0) {
    // Clearing the selection leaves the list's caret on the first item.
    if (index == -1 && list->Count() > 0) list->SetItemIndex(0);
    list->SetItemIndex(index);
  }
  FSelectedIndex = index;
}

void TvxCustomTextEditLookupData::ChangeCurrentByKey(int direction, bool wrap) {
  const int count = GetItemCount();
  if (count == 0) return;
  TvxCustomEditListBox* list = ListIfMade();
  const bool inList = list != nullptr && list->HandleAllocated() && IsWindowVisible(list->Handle());
  const int from = inList ? FSelectedIndex : FCurrentIndex;
  int page = 1;
  if (list != nullptr && list->HandleAllocated()) page = std::max(1, list->ClientHeight() / std::max(1, list->GetItemHeight()));
  int index = from;
  switch (direction) {
    case vxlcFirst: index = 0; break;
    case vxlcLast: index = count - 1; break;
    case vxlcNext: index = from + 1; break;
    case vxlcPrevious: index = from < 0 ? count - 1 : from - 1; break;
    case vxlcPageUp: index = from - page; break;
    case vxlcPageDown: index = from + page; break;
    default: return;
  }
  if (index < 0) index = wrap ? count - 1 : 0;
  if (index >= count) index = wrap ? 0 : count - 1;
  if (inList) {
    if (!ListMoveNeedsEditing() || FEdit->DoEditing()) SetSelected(index);
  } else {
    // Also when the item stays (at either end): text typed over it gives way to the item's.
    SetCurrentFromList(index);
  }
}

void TvxCustomTextEditLookupData::SetCurrentFromList(int index) {
  TvxObjectLinkHolder link(FEdit);
  if (index >= 0 && index < GetItemCount()) {
    SetCurrent(index);
    const AnsiString item = GetItemText(index);
    ShowTextInEditor(item);
    if (link.Object() == nullptr) return;
    if (EditorText() != item && OnCurrentChanged) OnCurrentChanged(this);
  } else if (OnCurrentChanged) {
    OnCurrentChanged(this);
  }
  if (link.Object() != nullptr) FEdit->Invalidate();
}

void TvxCustomTextEditLookupData::ShowTextInEditor(const AnsiString& text) {
  FEdit->DataBinding()->SetDisplayValue(Variant(text));
  FEdit->SynchronizeEditValue();
}

AnsiString TvxCustomTextEditLookupData::EditorText() const {
  Variant value;
  FEdit->GetDisplayValue(value);
  return value.IsNull() || value.IsEmpty() ? AnsiString() : value.AsString();
}

TvxCustomEditListBox* TvxCustomTextEditLookupData::ListIfMade() const {
  return FListLink != nullptr && FListLink->Object() != nullptr ? FList : nullptr;
}

TvxCustomEditListBox* TvxCustomTextEditLookupData::List() {
  if (TvxCustomEditListBox* list = ListIfMade()) return list;
  IvxTextEditProperties* properties = TextProperties();
  TvxCustomEditListBoxClass listClass = properties != nullptr ? properties->GetLookupListClass() : nullptr;
  if (listClass == nullptr) listClass = TvxCustomEditListBox::ListBoxClass();
  FList = listClass->Create(nullptr);
  FListLink = std::make_unique<TvxObjectLinkHolder>(FList);
  FList->SetLookupData(this);
  if (TvxContainerStyle* style = FEdit->ActiveStyle()) {
    FList->SetColor(style->GetVisibleColor());
    if (TFont* font = style->GetVisibleFont()) FList->SetFont(*font);
  }
  UpdateList();
  FList->SetItemIndex(FCurrentIndex);
  FSelectedIndex = FCurrentIndex;
  return FList;
}

void TvxCustomTextEditLookupData::UpdateList() {
  if (TvxCustomEditListBox* list = ListIfMade()) list->SetItemCount(GetItemCount());
}

SIZE TvxCustomTextEditLookupData::GetVisualAreaPreferredSize(int rows) {
  TvxCustomEditListBox* list = List();
  const int count = GetItemCount();
  const int shown = rows > 0 ? std::min(rows, count) : count;
  int width = 0;
  for (int i = 0; i < count; ++i) width = std::max(width, list->GetItemWidth(i));
  // The text stands 2 pixels in from either side; a list that scrolls shows its bar.
  width += 4;
  if (shown < count) width += GetSystemMetrics(SM_CXVSCROLL);
  return SIZE{width, list->GetHeight(shown)};
}

// --- Edit list box -------------------------------------------------------------------------

TvxCustomEditListBox::TvxCustomEditListBox(TComponent* owner) : TvxCustomInnerListBox(owner) {
  SetStyle(TListBoxStyle::lbOwnerDrawFixed);
  SetBorderStyle(TBorderStyle::bsNone);
}

TvxCustomEditListBoxClass TvxCustomEditListBox::ListBoxClass() {
  return vxObjectClassOf<TvxCustomEditListBox, TvxCustomEditListBox, TComponent*>("TvxCustomEditListBox");
}

void TvxCustomEditListBox::CreateWnd() {
  SetItemHeight(GetItemHeight());
  TvxCustomInnerListBox::CreateWnd();
}

int TvxCustomEditListBox::GetItemHeight() {
  TvxScreenCanvas* canvas = vxScreenCanvas();
  if (canvas == nullptr) return ItemHeight();
  canvas->SetFont(Font());
  return canvas->TextHeight("Wg");
}

int TvxCustomEditListBox::GetItemWidth(int index) {
  TvxScreenCanvas* canvas = vxScreenCanvas();
  if (canvas == nullptr) return 0;
  canvas->SetFont(Font());
  return canvas->TextWidth(FLookupData != nullptr ? FLookupData->GetItemText(index) : Items().Strings(index));
}

void TvxCustomEditListBox::SetItemCount(int count) {
  count = std::max(count, 0);
  if (Count() == count) return;
  Items().BeginUpdate();
  try {
    while (Count() < count) Items().Add(AnsiString());
    while (Count() > count) Items().Delete(Count() - 1);
  } catch (...) {
    Items().EndUpdate();
    throw;
  }
  Items().EndUpdate();
}

bool TvxCustomEditListBox::IsSelectionShown() const {
  const int mode = FLookupData != nullptr ? FLookupData->LookupMode() : 0;
  return mode == 2 || mode == 3;
}

void TvxCustomEditListBox::DrawItem(int index, const RECT& rect, TOwnerDrawState state) {
  TvxCanvas& canvas = Canvas();
  if (OnCustomDrawItem && OnCustomDrawItem(this, canvas, index, rect)) return;
  canvas.FillRect(rect);
  const AnsiString text = FLookupData != nullptr ? FLookupData->GetItemText(index) : Items().Strings(index);
  RECT r = rect;
  r.left += 2;
  const HDC dc = canvas.Handle();
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
  SetBkMode(dc, oldMode);
}

void TvxCustomEditListBox::MouseMove(TShiftState shift, int x, int y) {
  TvxCustomInnerListBox::MouseMove(shift, x, y);
  if (!FHotTrack || !HandleAllocated() || GetCapture() == Handle()) return;
  const int index = ItemAtPos(POINT{x, y}, true);
  if (index < 0 || index == ItemIndex()) return;
  if (FLookupData != nullptr)
    FLookupData->SetSelected(index);
  else
    SetItemIndex(index);
}

bool TvxCustomEditListBox::DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) {
  if (TvxCustomInnerListBox::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
  if (!HandleAllocated()) return false;
  const int lines = Mouse.WheelScrollLines();
  if (lines == TMouse::WheelPageScroll) {
    Perform(WM_VSCROLL, wheelDelta > 0 ? SB_PAGEUP : SB_PAGEDOWN, 0);
    return true;
  }
  const WPARAM code = wheelDelta > 0 ? SB_LINEUP : SB_LINEDOWN;
  for (int i = 0; i < lines; ++i) Perform(WM_VSCROLL, code, 0);
  return true;
}

void TvxCustomEditListBox::Click() {
  TvxObjectLinkHolder link(this);
  TvxCustomInnerListBox::Click();
  if (link.Object() == nullptr) return;
  UpdateScrollBars();
  if (FLookupData != nullptr && FLookupData->OnSelectedChanged) FLookupData->OnSelectedChanged(FLookupData);
}

// --- Text state --------------------------------------------------------------------------

void vxSaveTextEditState(TCustomEdit& edit, TvxTextEditState& state) {
  state.Captured = edit.HandleAllocated();
  if (!state.Captured) return;
  state.Text = edit.Text();
  int start = 0, end = 0;
  edit.GetSel(start, end);
  state.SelStart = start;
  state.SelLength = end - start;
}

bool vxTextEditStateChanged(TCustomEdit& edit, const TvxTextEditState& state) {
  if (!state.Captured || !edit.HandleAllocated()) return true;
  int start = 0, end = 0;
  edit.GetSel(start, end);
  return start != state.SelStart || end - start != state.SelLength || !SameText(edit.Text(), state.Text);
}

// --- Host defaults -----------------------------------------------------------------------

void IvxInnerTextEditHost::CopyToClipboard(TvxCustomInnerTextEdit& inner) { inner.CallDefWndProc(WM_COPY, 0, 0); }

void IvxInnerTextEditHost::CutToClipboard(TvxCustomInnerTextEdit& inner) { inner.CallDefWndProc(WM_CUT, 0, 0); }

void IvxInnerTextEditHost::PasteFromClipboard(TvxCustomInnerTextEdit& inner) { inner.CallDefWndProc(WM_PASTE, 0, 0); }

void IvxInnerTextEditHost::ClearSelection(TvxCustomInnerTextEdit& inner) { inner.CallDefWndProc(WM_CLEAR, 0, 0); }

// --- TvxCustomInnerTextEditHelper --------------------------------------------------------

TvxCustomInnerTextEditHelper::TvxCustomInnerTextEditHelper(TvxCustomInnerTextEdit* edit)
    : TvxInterfacedPersistent(nullptr), FEdit(edit) {}

TWinControl* TvxCustomInnerTextEditHelper::GetControl() { return FEdit; }

TvxCustomEdit* TvxCustomInnerTextEditHelper::GetEdit() { return FEdit->Edit(); }

Variant TvxCustomInnerTextEditHelper::GetEditValue() { return Variant(FEdit->Text()); }

void TvxCustomInnerTextEditHelper::SetEditValue(const Variant& value) {
  const AnsiString text = value.IsNull() || value.IsEmpty() ? AnsiString() : value.AsString();
  const bool changed = text != FEdit->Text();
  FEdit->SetText(text);
  if (changed && FEdit->IsDesigning()) FEdit->Perform(CM_TEXTCHANGED, 0, 0);
}

bool TvxCustomInnerTextEditHelper::GetReadOnly() { return FEdit->ReadOnly(); }

void TvxCustomInnerTextEditHelper::SetReadOnly(bool value) { FEdit->SetReadOnly(value); }

void TvxCustomInnerTextEditHelper::LockBounds(bool lock) { FEdit->LockBounds(lock); }

void TvxCustomInnerTextEditHelper::SafelySetFocus() {
  if (!FEdit->CanFocus()) return;
  // The selection stays as it is: auto-select is off while the focus comes back.
  const bool autoSelect = FEdit->AutoSelect();
  FEdit->SetAutoSelect(false);
  FEdit->SetFocus();
  FEdit->SetAutoSelect(autoSelect);
}

LRESULT TvxCustomInnerTextEditHelper::CallDefWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return FEdit->CallDefWndProc(msg, wParam, lParam);
}

bool TvxCustomInnerTextEditHelper::GetAutoSelect() { return FEdit->AutoSelect(); }

void TvxCustomInnerTextEditHelper::SetAutoSelect(bool value) { FEdit->SetAutoSelect(value); }

TAlignment TvxCustomInnerTextEditHelper::GetAlignment() { return FEdit->Alignment(); }

void TvxCustomInnerTextEditHelper::SetAlignment(TAlignment value) { FEdit->SetEditAlignment(value); }

TEditCharCase TvxCustomInnerTextEditHelper::GetCharCase() { return FEdit->CharCase(); }

void TvxCustomInnerTextEditHelper::SetCharCase(TEditCharCase value) { FEdit->SetCharCase(value); }

TvxEditEchoMode TvxCustomInnerTextEditHelper::GetEchoMode() { return FEdit->EchoMode(); }

void TvxCustomInnerTextEditHelper::SetEchoMode(TvxEditEchoMode value) { FEdit->SetEchoMode(value); }

bool TvxCustomInnerTextEditHelper::GetHideSelection() { return FEdit->HideSelection(); }

void TvxCustomInnerTextEditHelper::SetHideSelection(bool value) { FEdit->SetHideSelection(value); }

TImeMode TvxCustomInnerTextEditHelper::GetImeMode() { return FEdit->ImeMode(); }

void TvxCustomInnerTextEditHelper::SetImeMode(TImeMode value) { FEdit->SetImeMode(value); }

AnsiString TvxCustomInnerTextEditHelper::GetImeName() { return FEdit->ImeName(); }

void TvxCustomInnerTextEditHelper::SetImeName(const AnsiString& value) { FEdit->SetImeName(value); }

char TvxCustomInnerTextEditHelper::GetImeLastChar() { return FEdit->PendingLeadByte(); }

int TvxCustomInnerTextEditHelper::GetMaxLength() { return FEdit->MaxLength(); }

void TvxCustomInnerTextEditHelper::SetMaxLength(int value) { FEdit->SetMaxLength(value); }

bool TvxCustomInnerTextEditHelper::GetOEMConvert() { return FEdit->OEMConvert(); }

void TvxCustomInnerTextEditHelper::SetOEMConvert(bool value) { FEdit->SetOEMConvert(value); }

char TvxCustomInnerTextEditHelper::GetPasswordChar() { return FEdit->OwnPasswordChar(); }

void TvxCustomInnerTextEditHelper::SetPasswordChar(char value) { FEdit->SetOwnPasswordChar(value); }

int TvxCustomInnerTextEditHelper::GetSelStart() {
  return FEdit->FImeCharCount > 0 ? FSavedSelStart : FEdit->SelStart();
}

void TvxCustomInnerTextEditHelper::SetSelStart(int value) {
  if (FEdit->FImeCharCount > 0)
    FSavedSelStart = value;
  else
    FEdit->SetSelStart(value);
}

int TvxCustomInnerTextEditHelper::GetSelLength() {
  return FEdit->FImeCharCount > 0 ? FSavedSelLength : FEdit->SelLength();
}

void TvxCustomInnerTextEditHelper::SetSelLength(int value) {
  if (FEdit->FImeCharCount > 0)
    FSavedSelLength = value;
  else
    FEdit->SetSelLength(value);
}

AnsiString TvxCustomInnerTextEditHelper::GetSelText() { return FEdit->SelText(); }

void TvxCustomInnerTextEditHelper::SetSelText(const AnsiString& value) { FEdit->SetSelText(value); }

bool TvxCustomInnerTextEditHelper::GetInternalUpdating() { return FEdit->KeySwallowed(); }

void TvxCustomInnerTextEditHelper::SetInternalUpdating(bool value) { FEdit->SetKeySwallowed(value); }

int TvxCustomInnerTextEditHelper::GetCaretPosition() { return FEdit->CaretPosition(); }

void TvxCustomInnerTextEditHelper::SelectAll() { FEdit->SelectAll(); }

// --- TvxCustomInnerTextEdit --------------------------------------------------------------

TvxCustomInnerTextEdit::TvxCustomInnerTextEdit(TvxCustomEdit* edit) : TCustomEdit(edit), FEdit(edit) {
  FInitializing = true;
  FHelper = std::make_unique<TvxCustomInnerTextEditHelper>(this);
  SetControlStyle(ControlStyle() | csReplicatable);
  SetParentColor(true);
  SetParentFont(false);
  TCustomEdit::SetAlignment(vxDefaultEditHorzAlignment);
  SetMargins(0, 1);
  ApplyPasswordChar();
  FInitializing = false;
}

TvxCustomInnerTextEdit::~TvxCustomInnerTextEdit() = default;

TvxInnerEditClass TvxCustomInnerTextEdit::InnerEditClass() {
  return vxObjectClassOf<TvxCustomInnerTextEdit, TWinControl, TvxCustomEdit*>("TvxCustomInnerTextEdit");
}

IvxCustomInnerEdit* TvxCustomInnerTextEdit::GetHelper() { return FHelper.get(); }

IvxInnerTextEditHost* TvxCustomInnerTextEdit::Host() const {
  // Asked each time: the editor is still being constructed when it makes its inner edit.
  if (auto* host = dynamic_cast<IvxInnerTextEditHost*>(FEdit)) return host;
  return &PlainHost();
}

bool TvxCustomInnerTextEdit::EditUsable() const { return FEdit != nullptr && !FEdit->IsDestroying(); }

void TvxCustomInnerTextEdit::ApplyPasswordChar() {
  const char shown = FEchoMode == eemNormal ? '\0' : (FPasswordChar != 0 ? FPasswordChar : '*');
  TCustomEdit::SetPasswordChar(shown);
}

void TvxCustomInnerTextEdit::SetEchoMode(TvxEditEchoMode value) {
  if (value == FEchoMode) return;
  FEchoMode = value;
  ApplyPasswordChar();
}

void TvxCustomInnerTextEdit::SetOwnPasswordChar(char value) {
  FPasswordChar = value;
  if (FEchoMode == eemPassword) ApplyPasswordChar();
}

void TvxCustomInnerTextEdit::SetEditAlignment(TAlignment value) {
  if (EditUsable() && FEdit->ActiveProperties()->UseLeftAlignmentOnEditing()) value = TAlignment::taLeftJustify;
  FEditAlignment = value;
  TCustomEdit::SetAlignment(value);
}

char TvxCustomInnerTextEdit::PendingLeadByte() const {
  if (FLeadByte != 0) return static_cast<char>(FLeadByte);
  return FImeCharCount == 2 ? static_cast<char>(FImeLeadByte) : '\0';
}

void TvxCustomInnerTextEdit::LockBounds(bool lock) {
  if (lock)
    ++FBoundsLock;
  else if (FBoundsLock > 0)
    --FBoundsLock;
}

int TvxCustomInnerTextEdit::CaretPosition() {
  if (!HandleAllocated()) return 0;
  const int caretX = CaretPos().x;
  const AnsiString text = Text();
  std::vector<int> starts;
  for (size_t i = 0; i < text.size(); i = NextCharIndex(text, i)) starts.push_back(static_cast<int>(i));
  // The first character that starts at or right of the caret; the end when none does.
  size_t low = 0, high = starts.size();
  while (low < high) {
    const size_t middle = (low + high) / 2;
    const POINT p = PosFromChar(starts[middle]);
    if (p.x != -1 && p.x < caretX)
      low = middle + 1;
    else
      high = middle;
  }
  return low < starts.size() ? starts[low] : static_cast<int>(text.size());
}

LRESULT TvxCustomInnerTextEdit::CallDefWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallWindowProcA(FDefWndProc, Handle(), msg, wParam, lParam);
  if (msg != WM_GETTEXT && msg != WM_GETTEXTLENGTH) FTextCacheValid = false;
  return result;
}

AnsiString TvxCustomInnerTextEdit::GetText() {
  if (!HandleAllocated()) return TCustomEdit::GetText();
  if (!FTextCacheValid) {
    FTextCache = TCustomEdit::GetText();
    FTextCacheValid = true;
  }
  return FTextCache;
}

void TvxCustomInnerTextEdit::CreateParams(TCreateParams& params) {
  TCustomEdit::CreateParams(params);
  // The editor draws the frame.
  params.Style &= ~(WS_BORDER | WS_DLGFRAME | WS_THICKFRAME);
  params.ExStyle &= ~WS_EX_CLIENTEDGE;
}

void TvxCustomInnerTextEdit::CreateWnd() {
  FTextCacheValid = false;
  TCustomEdit::CreateWnd();
  CallDefWndProc(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(FText.c_str()));
}

void TvxCustomInnerTextEdit::SetBounds(int left, int top, int width, int height) {
  if (FInitializing || FBoundsLock > 0) return;
  if (!EditUsable()) {
    TCustomEdit::SetBounds(left, top, width, height);
    return;
  }
  // The editor does not lay itself out again while its inner control moves.
  FEdit->LockInnerControlBounds();
  try {
    TCustomEdit::SetBounds(left, top, width, height);
  } catch (...) {
    FEdit->UnlockInnerControlBounds();
    throw;
  }
  FEdit->UnlockInnerControlBounds();
}

bool TvxCustomInnerTextEdit::ExecuteAction(TBasicAction* action) {
  return TCustomEdit::ExecuteAction(action) || (EditUsable() && FEdit->DataBinding()->ExecuteAction(action));
}

bool TvxCustomInnerTextEdit::UpdateAction(TBasicAction* action) {
  return TCustomEdit::UpdateAction(action) || (EditUsable() && FEdit->DataBinding()->UpdateAction(action));
}

// --- Keys ----------------------------------------------------------------------------------

bool TvxCustomInnerTextEdit::EditorFirst(const std::function<void()>& handler) {
  if (!EditUsable()) return true;
  TvxObjectLinkHolder link(FEdit);
  handler();
  return link.Object() != nullptr;
}

namespace {

// The message of the EDIT's own clipboard keys (Ctrl+Insert, Shift+Delete over a selection,
// Shift+Insert), else 0.
UINT ClipboardKeyMessage(WORD key, TShiftState shift, bool selection) {
  const TShiftState keys = shift & (ssShift | ssCtrl | ssAlt);
  if (key == VK_INSERT && keys == ssCtrl) return WM_COPY;
  if (key == VK_INSERT && keys == ssShift) return WM_PASTE;
  if (key == VK_DELETE && keys == ssShift && selection) return WM_CUT;
  return 0;
}

}  // namespace

void TvxCustomInnerTextEdit::KeyDown(WORD& key, TShiftState shift) {
  FKeySwallowed = false;
  if (!EditorFirst([&] { FEdit->KeyDown(key, shift); })) {
    key = 0;
    return;
  }
  // Wine's EDIT does its clipboard keys without the messages, past the editor's rules (a
  // password is not copied, a refused change not made): they are sent as messages instead.
  if (const UINT message = ClipboardKeyMessage(key, shift, SelLength() > 0); message != 0 && HandleAllocated()) {
    key = 0;
    TvxObjectLinkHolder link(this);
    SendMessageA(Handle(), message, 0, 0);
    if (link.Object() == nullptr) return;
  }
  if (key == 0)
    FKeySwallowed = true;
  else
    TCustomEdit::KeyDown(key, shift);
}

void TvxCustomInnerTextEdit::KeyPress(char& key) {
  FKeySwallowed = false;
  if (key == '\t') key = 0;
  if (key != 0 && !EditorFirst([&] { FEdit->KeyPress(key); })) {
    key = 0;
    return;
  }
  if ((key == '\r' || key == VK_ESCAPE) && EditUsable()) {
    IvxInnerTextEditHost* host = Host();
    if (FEdit->IsInplace() || host->PopupKey()) {
      key = 0;
      host->SetPopupKey(false);
    } else if (key == '\r' && !host->BeepOnEnter()) {
      key = 0;
    }
  }
  if (key == 0) {
    FKeySwallowed = true;
    // A trail byte the editor ate (its completion took the character whole) leaves no lead
    // byte waiting.
    FLeadByte = 0;
  } else {
    TCustomEdit::KeyPress(key);
  }
}

void TvxCustomInnerTextEdit::KeyUp(WORD& key, TShiftState shift) {
  FKeySwallowed = false;
  if (key == VK_TAB) key = 0;
  if (key != 0 && !EditorFirst([&] { FEdit->KeyUp(key, shift); })) {
    key = 0;
    return;
  }
  if (key == 0)
    FKeySwallowed = true;
  else
    TCustomEdit::KeyUp(key, shift);
}

LRESULT TvxCustomInnerTextEdit::WMKeyDown(TMessage& m) {
  if (!EditUsable()) return TCustomEdit::WndProc(m);
  const TShiftState shift = KeyDataToShiftState(m.LParam);
  WORD key = static_cast<WORD>(m.WParam);
  TvxObjectLinkHolder link(FEdit);
  if (Host()->SendKeyToPopup(key, shift)) return 0;
  if (link.Object() == nullptr) return 0;
  m.WParam = key;
  TvxTextEditState state;
  vxSaveTextEditState(*this, state);
  const AnsiString before = state.Text;
  const LRESULT result = TCustomEdit::WndProc(m);
  if (link.Object() == nullptr || !EditUsable()) return result;
  key = static_cast<WORD>(m.WParam);
  if (FKeySwallowed || key == 0) return result;
  if (!vxTextEditStateChanged(*this, state)) {
    FEdit->DoAfterKeyDown(key, shift);
  } else if (Text() != before) {
    // A key that changed the text itself (Delete, Shift+Insert) is a change by the user as
    // much as a typed character.
    FEdit->ChangeHandler();
  }
  return result;
}

LRESULT TvxCustomInnerTextEdit::WMChar(TMessage& m) {
  if (!EditUsable()) return TCustomEdit::WndProc(m);
  TvxTextEditState state;
  vxSaveTextEditState(*this, state);
  FKeySwallowed = false;
  // A byte of an input-method character has arrived: the saved selection stands only while
  // bytes of it are still to come, so the editor handles the last one (the whole character)
  // at the window's own selection, and what it selects then stays selected.
  const bool imeCharComplete = FImeCharCount > 0 && --FImeCharCount == 0;
  TvxObjectLinkHolder link(FEdit);
  const LRESULT result = TCustomEdit::WndProc(m);
  if (link.Object() == nullptr || !EditUsable()) return result;
  IvxInnerTextEditHost* host = Host();
  if (imeCharComplete && host->RestoresSelectionAfterImeChar())
    SetSel(FHelper->FSavedSelStart, FHelper->FSavedSelStart + FHelper->FSavedSelLength);
  host->InnerEditCharHandled();
  if (link.Object() != nullptr && !FKeySwallowed && vxTextEditStateChanged(*this, state)) FEdit->ChangeHandler();
  return result;
}

LRESULT TvxCustomInnerTextEdit::WMImeChar(TMessage& m) {
  const auto lead = static_cast<unsigned char>(HIBYTE(LOWORD(m.WParam)));
  const auto trail = static_cast<unsigned char>(LOBYTE(LOWORD(m.WParam)));
  // The window's own selection, before the companion answers the saved one.
  int start = 0, end = 0;
  if (HandleAllocated()) GetSel(start, end);
  FHelper->FSavedSelStart = start;
  FHelper->FSavedSelLength = end - start;
  FImeLeadByte = lead;
  FImeCharCount = lead != 0 && IsLeadByte(lead) && IsTrailByte(trail) ? 2 : 1;
  TvxObjectLinkHolder link(this);
  const LRESULT result = TCustomEdit::WndProc(m);
  if (link.Object() == nullptr || !HandleAllocated()) return result;
  // Only bytes that will really arrive are waited for. Wine's ANSI EDIT leaves the message to
  // DefWindowProcA, which posts the character as WM_CHAR bytes (lead, then trail; sent as a
  // Unicode message, DefWindowProcW posts one WM_CHAR, which reaches this ANSI window as the
  // same two bytes). An EDIT that takes the message itself (inserting the character or not)
  // posts nothing: then no byte is to come, and the saved selection must not stand in for the
  // window's.
  MSG queued;
  if (!PeekMessageA(&queued, Handle(), WM_CHAR, WM_CHAR, PM_NOREMOVE | PM_NOYIELD)) FImeCharCount = 0;
  return result;
}

LRESULT TvxCustomInnerTextEdit::CharToEdit(TMessage& m) {
  const auto byte = static_cast<unsigned char>(m.WParam);
  if (FLeadByte != 0) {
    const char pair[2] = {static_cast<char>(FLeadByte), static_cast<char>(byte)};
    FLeadByte = 0;
    if (IsTrailByte(byte)) {
      const WideString wide = AnsiToWide(std::string_view(pair, 2));
      if (wide.size() == 1 && EditProcW() != nullptr)
        return CallWindowProcW(EditProcW(), Handle(), WM_CHAR, static_cast<WPARAM>(wide[0]), m.LParam);
      return 0;
    }
    // The lead byte had no trail byte: it is dropped, and this byte goes on alone.
  }
  if (IsLeadByte(byte)) {
    FLeadByte = byte;
    return 0;
  }
  return TCustomEdit::DefaultHandler(m);
}

// --- Other messages ------------------------------------------------------------------------

LRESULT TvxCustomInnerTextEdit::WMClipboard(TMessage& m) {
  if (!EditUsable()) return TCustomEdit::WndProc(m);
  IvxInnerTextEditHost* host = Host();
  TvxEditingScope editing(*FEdit, true);
  switch (m.Msg) {
    case WM_CUT:
      if (ReadOnly())
        host->CopyToClipboard(*this);
      else
        host->CutToClipboard(*this);
      break;
    case WM_PASTE:
      if (!ReadOnly()) host->PasteFromClipboard(*this);
      break;
    case WM_CLEAR:
      if (!ReadOnly()) host->ClearSelection(*this);
      break;
  }
  return 0;
}

LRESULT TvxCustomInnerTextEdit::WMGetDlgCode(TMessage& m) {
  LRESULT result = TCustomEdit::WndProc(m) | DLGC_WANTCHARS;
  if (!vxIsCtrlDown()) result |= DLGC_WANTTAB;
  if (EditUsable() && ((FEdit->Keys() & kAll) != 0 || FEdit->HasPopupWindow())) result |= DLGC_WANTALLKEYS;
  return result;
}

LRESULT TvxCustomInnerTextEdit::WMFocus(TMessage& m) {
  // A lead byte does not wait across a change of the focus, nor does the rest of an
  // input-method character (its selection would stand in for the window's ever after).
  if (m.Msg == WM_KILLFOCUS) {
    FLeadByte = 0;
    FImeCharCount = 0;
  }
  TvxObjectLinkHolder link(FEdit);
  const LRESULT result = TCustomEdit::WndProc(m);
  if (link.Object() == nullptr || !EditUsable()) return result;
  const HWND other = reinterpret_cast<HWND>(m.WParam);
  if (m.Msg == WM_KILLFOCUS || !FEdit->HandleAllocated() || other != FEdit->Handle()) FEdit->FocusChanged();
  return result;
}

LRESULT TvxCustomInnerTextEdit::WMGetText(TMessage& m) {
  // The EDIT's own answer may end inside a double-byte character; the whole text is read and
  // cut here.
  const LRESULT length = CallDefWndProc(WM_GETTEXTLENGTH, 0, 0);
  AnsiString text(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, '\0');
  const LRESULT got = CallDefWndProc(WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(std::clamp<LRESULT>(got, 0, length)));
  return vxCopyTextToBuffer(text, m.WParam, m.LParam);
}

namespace {

// Messages after which the EDIT may hold another text without having said so by EN_CHANGE.
bool MayChangeTextSilently(UINT msg) {
  switch (msg) {
    case WM_SETTEXT:
    case EM_REPLACESEL:
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
    case WM_IME_CHAR:
    case WM_IME_COMPOSITION:
    case WM_IME_ENDCOMPOSITION: return true;
    default: return false;
  }
}

}  // namespace

LRESULT TvxCustomInnerTextEdit::WndProc(TMessage& m) {
  if (MayChangeTextSilently(m.Msg)) {
    FTextCacheValid = false;
    const LRESULT result = DispatchInner(m);
    FTextCacheValid = false;
    return result;
  }
  if (m.Msg == CN_COMMAND && (HIWORD(m.WParam) == EN_CHANGE || HIWORD(m.WParam) == EN_UPDATE)) FTextCacheValid = false;
  return DispatchInner(m);
}

LRESULT TvxCustomInnerTextEdit::DispatchInner(TMessage& m) {
  switch (m.Msg) {
    case WM_KEYDOWN: return WMKeyDown(m);
    case WM_CHAR: return WMChar(m);
    case WM_IME_CHAR: return WMImeChar(m);
    case WM_COPY:
      // The editor's copy: Wine's EDIT would copy a password as well.
      if (!EditUsable()) break;
      Host()->CopyToClipboard(*this);
      return 0;
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR: return WMClipboard(m);
    case WM_ERASEBKGND: return 1;  // the editor paints the background
    case WM_NCPAINT: return 0;
    case WM_GETDLGCODE: return WMGetDlgCode(m);
    case WM_SETFOCUS:
    case WM_KILLFOCUS: return WMFocus(m);
    case WM_GETTEXT: return WMGetText(m);
    case WM_SIZE: {
      const LRESULT result = TCustomEdit::WndProc(m);
      SetMargins(0, 1);
      return result;
    }
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: {
      // The platform tells the parent; an editor that is not the parent hears it here.
      const LRESULT result = TCustomEdit::WndProc(m);
      if (EditUsable() && Parent() != FEdit) {
        TControl* control = m.LParam != 0 ? reinterpret_cast<TControl*>(m.LParam) : this;
        if (m.Msg == CM_MOUSEENTER)
          FEdit->MouseEnter(control);
        else
          FEdit->MouseLeave(control);
      }
      return result;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (EditUsable() && FEdit->DragMode() == TDragMode::dmAutomatic && !FEdit->IsDesigning()) {
        if (FEdit->InnerControlDefaultHandler(m)) return m.Result;
        FEdit->BeginAutoDrag();
        return 0;
      }
      break;
  }
  return TCustomEdit::WndProc(m);
}

LRESULT TvxCustomInnerTextEdit::DefaultHandler(TMessage& m) {
  if (EditUsable() && FEdit->InnerControlDefaultHandler(m)) return m.Result;
  if (m.Msg == WM_CHAR && HandleAllocated()) return CharToEdit(m);
  return TCustomEdit::DefaultHandler(m);
}

// --- Mouse ---------------------------------------------------------------------------------

void TvxCustomInnerTextEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomEdit::MouseDown(button, shift, x, y);
  if (!EditUsable()) return;
  // The press is the inner control's: the editor does not take the focus for it.
  FEdit->SetInnerControlMouseDown(true);
  TvxObjectLinkHolder link(FEdit);
  try {
    FEdit->MouseDown(button, shift, x + Left(), y + Top());
  } catch (...) {
    if (link.Object() != nullptr) FEdit->SetInnerControlMouseDown(false);
    throw;
  }
  if (link.Object() != nullptr) FEdit->SetInnerControlMouseDown(false);
}

void TvxCustomInnerTextEdit::MouseMove(TShiftState shift, int x, int y) {
  TCustomEdit::MouseMove(shift, x, y);
  if (EditUsable()) FEdit->MouseMove(shift, x + Left(), y + Top());
}

void TvxCustomInnerTextEdit::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomEdit::MouseUp(button, shift, x, y);
  if (EditUsable()) FEdit->MouseUp(button, shift, x + Left(), y + Top());
}

void TvxCustomInnerTextEdit::Click() {
  TCustomEdit::Click();
  if (EditUsable()) FEdit->Click();
}

void TvxCustomInnerTextEdit::DblClick() {
  TCustomEdit::DblClick();
  if (EditUsable()) FEdit->DblClick();
}

// --- Text edit -----------------------------------------------------------------------------

namespace {

AnsiString VariantText(const Variant& value) {
  return value.IsNull() || value.IsEmpty() ? AnsiString() : value.AsString();
}

// The first count UTF-16 characters of text, as bytes.
AnsiString LeadingWideChars(const AnsiString& text, size_t count) {
  const WideString wide = AnsiToWide(text);
  return wide.size() <= count ? text : WideToAnsi(std::wstring_view(wide).substr(0, count));
}

size_t WideLength(const AnsiString& text) { return AnsiToWide(text).size(); }

// The byte position where the last character of text begins.
size_t LastCharStart(const AnsiString& text) {
  size_t last = 0;
  for (size_t i = 0; i < text.size(); i = NextCharIndex(text, i)) last = i;
  return last;
}

}  // namespace

// --- TvxTextEditPropertiesValues ----------------------------------------------------------

TvxCustomEditPropertiesValuesClass TvxTextEditPropertiesValues::ValuesClass() {
  static const TvxEditPropertiesValuesClassInfo info{
      {"TvxTextEditPropertiesValues"},
      [](TvxCustomEditProperties* owner) -> TvxCustomEditPropertiesValues* {
        return new TvxTextEditPropertiesValues(owner);
      }};
  return &info;
}

void TvxTextEditPropertiesValues::Write(bool& field, bool value) {
  if (field == value) return;
  field = value;
  Properties()->Changed();
}

void TvxTextEditPropertiesValues::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TvxTextEditPropertiesValues*>(source);
  if (src == nullptr) {
    TvxCustomEditPropertiesValues::Assign(source);
    return;
  }
  BeginUpdate();
  try {
    TvxCustomEditPropertiesValues::Assign(source);
    SetDisplayFormat(src->FDisplayFormat);
    SetEditFormat(src->FEditFormat);
    SetMaxLength(src->FMaxLength);
    SetMaxValue(src->FMaxValue);
    SetMinValue(src->FMinValue);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TvxTextEditPropertiesValues::RestoreDefaults() {
  BeginUpdate();
  try {
    TvxCustomEditPropertiesValues::RestoreDefaults();
    SetDisplayFormat(false);
    SetEditFormat(false);
    SetMaxLength(false);
    SetMaxValue(false);
    SetMinValue(false);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

// --- TvxCustomTextEditProperties ----------------------------------------------------------

// The lookup items: a change tells the properties.
class TvxCustomTextEditProperties::TLookupItems : public TStringList {
public:
  explicit TLookupItems(TvxCustomTextEditProperties* owner) : FOwner(owner) {}

protected:
  void Changed() override { FOwner->LookupItemsChanged(); }

private:
  TvxCustomTextEditProperties* FOwner;
};

TvxCustomTextEditProperties::TvxCustomTextEditProperties(TPersistent* owner)
    : TvxCustomEditProperties(owner), FLookupItems(std::make_unique<TLookupItems>(this)) {
  vxFormatController().AddListener(this);
  FListening = true;
}

TvxCustomTextEditProperties::~TvxCustomTextEditProperties() {
  if (FListening) vxFormatController().RemoveListener(this);
}

TvxCustomEditPropertiesClass TvxCustomTextEditProperties::PropertiesClass() {
  static const TvxEditPropertiesClassInfo info{
      {"TvxCustomTextEditProperties"}, TvxCustomEditProperties::PropertiesClass(),
      [](TPersistent* owner) -> TvxCustomEditProperties* { return new TvxCustomTextEditProperties(owner); }};
  return &info;
}

TvxCustomEditPropertiesClass TvxTextEditProperties::PropertiesClass() {
  static const TvxEditPropertiesClassInfo info{
      {"TvxTextEditProperties"}, TvxCustomTextEditProperties::PropertiesClass(),
      [](TPersistent* owner) -> TvxCustomEditProperties* { return new TvxTextEditProperties(owner); }};
  return &info;
}

void TvxCustomTextEditProperties::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TvxCustomTextEditProperties*>(source);
  if (src == nullptr) {
    TvxCustomEditProperties::Assign(source);
    return;
  }
  BeginUpdate();
  try {
    TvxCustomEditProperties::Assign(source);
    SetCharCase(src->FCharCase);
    SetEchoMode(src->FEchoMode);
    SetFixedListSelection(src->FFixedListSelection);
    SetChooseOnly(src->FChooseOnly);
    SetHideSelection(src->FHideSelection);
    SetExactLookupSearch(src->FExactLookupSearch);
    SetImeMode(src->FImeMode);
    SetImeName(src->FImeName);
    SetIncrementalSearch(src->FIncrementalSearch);
    SetLookupItems(*src->FLookupItems);
    SetOEMConvert(src->FOEMConvert);
    SetPasswordChar(src->FPasswordChar);
    FValidChars = src->FValidChars;
    OnNewLookupDisplayText = src->OnNewLookupDisplayText;
    // The values set explicitly are copied as such; the others follow their defaults.
    AssignedValues()->Assign(src->AssignedValues());
    FDisplayFormat = src->FDisplayFormat;
    FEditFormat = src->FEditFormat;
    FMaxLength = src->FMaxLength;
    FMaxValue = src->FMaxValue;
    FMinValue = src->FMinValue;
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TvxCustomTextEditProperties::SetCharCase(TEditCharCase value) {
  if (value == FCharCase) return;
  FCharCase = value;
  Changed();
}

AnsiString TvxCustomTextEditProperties::DisplayFormat() const {
  if (AssignedValues()->DisplayFormat()) return FDisplayFormat;
  if (IvxEditDefaultValuesProvider* provider = DefaultValuesProvider()) {
    const AnsiString format = provider->DefaultDisplayFormat();
    if (!format.empty()) return format;
  }
  return AnsiString();
}

void TvxCustomTextEditProperties::SetDisplayFormat(const AnsiString& value) {
  if (AssignedValues()->DisplayFormat() && value == FDisplayFormat) return;
  FDisplayFormat = value;
  BeginUpdate();
  AssignedValues()->SetDisplayFormat(true);
  EndUpdate();
}

AnsiString TvxCustomTextEditProperties::EditFormat() const {
  if (AssignedValues()->EditFormat()) return FEditFormat;
  if (IvxEditDefaultValuesProvider* provider = DefaultValuesProvider()) {
    const AnsiString format = provider->DefaultEditFormat();
    if (!format.empty()) return format;
  }
  return AnsiString();
}

void TvxCustomTextEditProperties::SetEditFormat(const AnsiString& value) {
  if (AssignedValues()->EditFormat() && value == FEditFormat) return;
  FEditFormat = value;
  BeginUpdate();
  AssignedValues()->SetEditFormat(true);
  EndUpdate();
}

void TvxCustomTextEditProperties::SetEchoMode(TvxEditEchoMode value) {
  if (value == FEchoMode) return;
  FEchoMode = value;
  Changed();
}

void TvxCustomTextEditProperties::SetFixedListSelection(bool value) {
  if (value == FFixedListSelection) return;
  FFixedListSelection = value;
  if (GetLookupMode() == 2) Changed();
}

void TvxCustomTextEditProperties::SetImeMode(TImeMode value) {
  if (value == FImeMode) return;
  FImeMode = value;
  Changed();
}

void TvxCustomTextEditProperties::SetImeName(const AnsiString& value) {
  if (value == FImeName) return;
  FImeName = value;
  Changed();
}

void TvxCustomTextEditProperties::ChangeLookupItems(const std::function<void()>& change) {
  BeginUpdate();
  try {
    change();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TvxCustomTextEditProperties::SetLookupItems(const TStringList& value) {
  if (&value == FLookupItems.get()) return;
  // One announcement for the whole list, not one per item.
  ChangeLookupItems([&] { FLookupItems->Assign(value); });
}

void TvxCustomTextEditProperties::SetLookupItemsSorted(bool value) {
  if (value == FLookupItems->Sorted()) return;
  // Sorting announces a change of the items, switching it off none: one announcement either way.
  ChangeLookupItems([&] { FLookupItems->SetSorted(value); });
}

int TvxCustomTextEditProperties::MaxLength() const {
  if (AssignedValues()->MaxLength()) return FMaxLength;
  IvxEditDefaultValuesProvider* provider = DefaultValuesProvider();
  return provider != nullptr ? provider->DefaultMaxLength() : 0;
}

void TvxCustomTextEditProperties::SetMaxLength(int value) {
  value = std::max(value, 0);
  if (AssignedValues()->MaxLength() && value == FMaxLength) return;
  FMaxLength = value;
  // Stored first, announced once: a flag already set would not tell the owner.
  BeginUpdate();
  AssignedValues()->SetMaxLength(true);
  EndUpdate();
}

double TvxCustomTextEditProperties::MaxValue() const {
  if (AssignedValues()->MaxValue()) return FMaxValue;
  IvxEditDefaultValuesProvider* provider = DefaultValuesProvider();
  return provider != nullptr ? provider->DefaultMaxValue() : 0.0;
}

void TvxCustomTextEditProperties::SetMaxValue(double value) {
  if (AssignedValues()->MaxValue() && value == FMaxValue) return;
  FMaxValue = value;
  BeginUpdate();
  AssignedValues()->SetMaxValue(true);
  EndUpdate();
}

double TvxCustomTextEditProperties::MinValue() const {
  if (AssignedValues()->MinValue()) return FMinValue;
  IvxEditDefaultValuesProvider* provider = DefaultValuesProvider();
  return provider != nullptr ? provider->DefaultMinValue() : 0.0;
}

void TvxCustomTextEditProperties::SetMinValue(double value) {
  if (AssignedValues()->MinValue() && value == FMinValue) return;
  FMinValue = value;
  BeginUpdate();
  AssignedValues()->SetMinValue(true);
  EndUpdate();
}

void TvxCustomTextEditProperties::SetPasswordChar(char value) {
  if (value == FPasswordChar) return;
  FPasswordChar = value;
  Changed();
}

bool TvxCustomTextEditProperties::IsLookupUse() const {
  const int mode = GetLookupMode();
  return mode == 1 || mode == 2 || (mode == 0 && FIncrementalSearch);
}

bool TvxCustomTextEditProperties::FindLookupText(const AnsiString& text) const {
  for (int i = 0; i < FLookupItems->Count(); ++i)
    if (SameText(FLookupItems->Get(i), text)) return true;
  return false;
}

AnsiString TvxCustomTextEditProperties::DisplayValueToText(const AnsiString& text) const {
  if (FEchoMode == eemPassword) {
    // One password character for each character, a double-byte one too.
    const size_t count = WideLength(text);
    return AnsiString(count, FPasswordChar != 0 ? FPasswordChar : '*');
  }
  return vxConvertCharCase(text, FCharCase);
}

bool TvxCustomTextEditProperties::IsEditValueValid(Variant& value, bool focused) {
  if (!value.IsString()) return true;
  AnsiString text = value.AsString();
  if (!IsDisplayTextValid(text, focused)) return false;
  value = Variant(text);
  return true;
}

bool TvxCustomTextEditProperties::IsDisplayTextValid(AnsiString& text, bool focused) {
  if (text.empty()) return true;
  const int mode = GetLookupMode();
  if ((mode == 1 || mode == 2) && UsesLookupList() && !FindLookupText(text)) return false;
  text = vxConvertCharCase(text, FCharCase);
  return true;
}

AnsiString TvxCustomTextEditProperties::FormatNumber(const Variant& value, bool focused) const {
  return FloatToStr(value.AsExtended());
}

void TvxCustomTextEditProperties::PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool focused) {
  if (!IsEditValueNumeric()) {
    displayValue = Variant(VariantText(editValue));
    return;
  }
  if (editValue.IsNull() || editValue.IsEmpty() || (editValue.IsString() && editValue.AsString().empty())) {
    displayValue = Variant(AnsiString());
  } else if (editValue.IsNumeric() || editValue.IsString()) {
    displayValue = Variant(FormatNumber(editValue, focused));
  } else {
    throw EConvertError(vxLoadResourceString(scxEditNumericValueConvertError));
  }
}

void TvxCustomTextEditProperties::RangeInEffect(bool& min, bool& max) const {
  const double maxValue = MaxValue(), minValue = MinValue();
  min = max = false;
  if (maxValue > minValue) {
    min = max = true;
  } else if (maxValue < minValue) {
    // Only the one bound that was set applies; with both set (or none) none does.
    const bool minAssigned = AssignedValues()->MinValue(), maxAssigned = AssignedValues()->MaxValue();
    if (minAssigned != maxAssigned) {
      min = minAssigned;
      max = maxAssigned;
    }
  }
}

void TvxCustomTextEditProperties::ValidateDisplayValue(Variant& displayValue, AnsiString& errorText, bool& error,
                                                       TvxCustomEdit* edit) {
  bool useMin = false, useMax = false;
  if (IsEditValueNumeric()) RangeInEffect(useMin, useMax);
  if ((useMin || useMax) && edit != nullptr) {
    Variant value;
    edit->DisplayValueToEditValue(displayValue, value, edit->Focused());
    // A Null value lies outside no range.
    if (value.IsNumeric()) {
      const double number = value.AsDouble();
      if ((useMin && number < MinValue()) || (useMax && number > MaxValue())) {
        error = true;
        errorText = GetValidationErrorText(1);
      }
    }
  }
  TvxCustomEditProperties::ValidateDisplayValue(displayValue, errorText, error, edit);
}

TvxCustomEditClass TvxCustomTextEditProperties::GetContainerClass() const {
  return vxObjectClassOf<TvxTextEdit, TvxCustomEdit, TComponent*>("TvxTextEdit");
}

bool TvxCustomTextEditProperties::IsPublishedProperty(const AnsiString& name) const {
  static const char* const names[] = {"CharCase",     "DisplayFormat",     "EditFormat", "EchoMode",
                                      "HideSelection", "ImeMode",           "ImeName",    "IncrementalSearch",
                                      "LookupItems",   "LookupItemsSorted", "MaxLength",  "MaxValue",
                                      "MinValue",      "OEMConvert",        "PasswordChar"};
  for (const char* published : names)
    if (SameText(name, published)) return true;
  return TvxCustomEditProperties::IsPublishedProperty(name);
}

AnsiString TvxCustomTextEditProperties::GetValidationErrorText(int kind) const {
  if (kind == 1) return vxLoadResourceString(scxEditValueOutOfBounds);
  return TvxCustomEditProperties::GetValidationErrorText(kind);
}

// --- TvxCustomTextEdit ---------------------------------------------------------------------

TvxCustomTextEdit::TvxCustomTextEdit(TComponent* owner, bool inplace)
    : TvxCustomTextEdit(owner, inplace, TextEditClasses(TvxCustomTextEditProperties::PropertiesClass())) {}

TvxCustomTextEdit::TvxCustomTextEdit(TComponent* owner, bool inplace, const TvxEditClasses& classes)
    : TvxCustomEdit(owner, inplace, classes) {
  InitializeTextEdit();
}

TvxEditClasses TvxCustomTextEdit::TextEditClasses(TvxCustomEditPropertiesClass properties) {
  TvxEditClasses classes;
  classes.Properties = properties;
  classes.InnerEdit = TvxCustomInnerTextEdit::InnerEditClass();
  return classes;
}

void TvxCustomTextEdit::InitializeTextEdit() {
  FBeepOnEnter = true;
  FCompletionPending = false;
  if (TvxCustomInnerTextEdit* inner = InnerTextEditControl()) inner->SetColor(clWindow);
  SetBounds(Left(), Top(), 121, 21);
  if (TvxCustomTextEditLookupDataClass lookupClass = ActiveProperties()->GetLookupDataClass()) {
    FLookupData.reset(lookupClass->Create(this));
    FLookupData->OnCurrentChanged = [this](TObject*) { LookupCurrentChanged(); };
  }
  vxFormatController().AddListener(this);
  FListening = true;
}

TvxCustomTextEdit::~TvxCustomTextEdit() {
  Destroying();
  // A locale change after the editor went must not reach it.
  if (FListening) vxFormatController().RemoveListener(this);
  FListening = false;
  FLookupData.reset();
}

bool TvxCustomTextEdit::IsLookupListInUse() { return FLookupData != nullptr && ActiveProperties()->UsesLookupList(); }

IvxInnerTextEdit* TvxCustomTextEdit::InnerTextEdit() const { return dynamic_cast<IvxInnerTextEdit*>(InnerEdit()); }

TvxCustomInnerTextEdit* TvxCustomTextEdit::InnerTextEditControl() const {
  IvxCustomInnerEdit* inner = InnerEdit();
  return inner != nullptr ? dynamic_cast<TvxCustomInnerTextEdit*>(inner->GetControl()) : nullptr;
}

AnsiString TvxCustomTextEdit::DisplayText() {
  IvxCustomInnerEdit* inner = InnerEdit();
  return inner != nullptr ? VariantText(inner->GetEditValue()) : AnsiString();
}

AnsiString TvxCustomTextEdit::GetText() { return DisplayText(); }

void TvxCustomTextEdit::SetTextBuf(const AnsiString& text) { InternalSetText(text); }

bool TvxCustomTextEdit::InternalSetText(const AnsiString& text) {
  if (!DoEditing()) return false;
  SetDisplayValue(Variant(text));
  // The text from code is the value as well, so that entering the editor shows it.
  SynchronizeEditValue();
  SetModifiedAfterEnter(true);
  return true;
}

// --- Value and display ---------------------------------------------------------------------

void TvxCustomTextEdit::GetDisplayValue(Variant& value) { value = Variant(DisplayText()); }

void TvxCustomTextEdit::SetDisplayValue(const Variant& value) {
  IvxCustomInnerEdit* inner = InnerEdit();
  if (inner == nullptr) return;
  TvxFlagScope setting(FSettingDisplay);
  inner->SetEditValue(Variant(VariantText(value)));
}

void TvxCustomTextEdit::StoreDisplayValue(const Variant& value) {
  SetDisplayValue(value);
  SynchronizeEditValue();
}

AnsiString TvxCustomTextEdit::PlainText(const Variant& value) {
  if (value.IsNumeric()) return FloatToStr(value.AsExtended());
  return VariantText(value);
}

void TvxCustomTextEdit::SynchronizeDisplayValue() {
  // The value was read from the text just now: the text stands as it is.
  if (FSynchronizingEditValue || IsDestroying()) return;
  TvxCustomTextEditProperties* properties = ActiveProperties();
  const Variant value = EditValue();
  const bool focused = Focused();
  Variant display;
  if (properties->CanValidate()) {
    Variant tested = value;
    if (properties->IsEditValueValid(tested, focused))
      PrepareDisplayValue(value, display, focused);
    else if (!focused)
      display = Variant(PlainText(value));
    else
      display = Variant(AnsiString());
  } else {
    PrepareDisplayValue(value, display, focused);
  }
  SaveModified();
  {
    TvxFlagScope setting(FSettingDisplay);
    try {
      DataBinding()->SetDisplayValue(display);
    } catch (...) {
      RestoreModified();
      throw;
    }
  }
  RestoreModified();
  UpdateDrawValue();
}

void TvxCustomTextEdit::SynchronizeEditValue() {
  Variant display, value;
  GetDisplayValue(display);
  DisplayValueToEditValue(display, value, IsEditFocused());
  TvxFlagScope synchronizing(FSynchronizingEditValue);
  // InternalSetEditValue marks the change as the user's while the editing flag is set.
  TvxEditingScope editing(*this, IsUserAction());
  InternalSetEditValue(value, false);
}

void TvxCustomTextEdit::InternalSetDisplayValue(const Variant& value) {
  TvxCustomTextEditProperties* properties = ActiveProperties();
  if (properties->GetLookupMode() == 0 && IsLookupListInUse() && properties->OnNewLookupDisplayText) {
    const AnsiString text = VariantText(value);
    if (FLookupData->IndexOf(text) < 0) properties->OnNewLookupDisplayText(this, text);
  }
  TvxCustomEdit::InternalSetDisplayValue(value);
}

void TvxCustomTextEdit::UpdateDrawValue() {
  if (IsDestroying()) return;
  CreateViewData()->EditValueToDrawValue(EditValue(), *EditViewInfo());
  if (!HandleAllocated()) return;
  UpdateHotState();
  ::InvalidateRect(Handle(), nullptr, FALSE);
}

void TvxCustomTextEdit::FormatChanged() {
  if (IsDestroying()) return;
  if (!ModifiedAfterEnter()) DataBinding()->UpdateDisplayValue();
  UpdateDrawValue();
}

bool TvxCustomTextEdit::IsInnerEditVisible() {
  const int mode = ActiveProperties()->GetLookupMode();
  if (mode == 2 || mode == 3) return false;
  if (IsDestroying() || InnerEdit() == nullptr || IsDesigning()) return false;
  if (HasFocus()) return true;
  return ActiveProperties()->Alignment()->Horz() == TAlignment::taLeftJustify;
}

void TvxCustomTextEdit::Activate(TvxCustomEditData*& data) {
  TvxCustomEdit::Activate(data);
  IvxInnerTextEdit* inner = InnerTextEdit();
  if (inner == nullptr) return;
  inner->SetSelStart(0);
  inner->SetSelLength(0);
  if (ActiveProperties()->AutoSelect()) inner->SelectAll();
}

// --- Selection -----------------------------------------------------------------------------

int TvxCustomTextEdit::SelStart() {
  const int mode = ActiveProperties()->GetLookupMode();
  IvxInnerTextEdit* inner = InnerTextEdit();
  if (inner == nullptr || mode == 3 || (mode == 2 && !FCompletionPending)) return 0;
  return inner->GetSelStart();
}

void TvxCustomTextEdit::SetSelStart(int value) {
  IvxInnerTextEdit* inner = InnerTextEdit();
  if (inner != nullptr && ActiveProperties()->GetLookupMode() != 3) inner->SetSelStart(value);
}

int TvxCustomTextEdit::SelLength() {
  const int mode = ActiveProperties()->GetLookupMode();
  IvxInnerTextEdit* inner = InnerTextEdit();
  if (inner == nullptr || mode == 3 || (mode == 2 && !FCompletionPending)) return 0;
  return inner->GetSelLength();
}

void TvxCustomTextEdit::SetSelLength(int value) {
  IvxInnerTextEdit* inner = InnerTextEdit();
  if (inner != nullptr && ActiveProperties()->GetLookupMode() != 3) inner->SetSelLength(value);
}

AnsiString TvxCustomTextEdit::SelText() {
  IvxInnerTextEdit* inner = InnerTextEdit();
  return inner != nullptr ? inner->GetSelText() : AnsiString();
}

void TvxCustomTextEdit::SetSelText(const AnsiString& value) {
  AnsiString newText;
  int caret = 0;
  if (!CanChangeSelText(value, newText, caret)) return;
  DataBinding()->SetDisplayValue(Variant(newText));
  SetSelStart(caret);
  SetSelLength(0);
}

void TvxCustomTextEdit::SelectAll() {
  if (IvxInnerTextEdit* inner = InnerTextEdit()) inner->SelectAll();
}

void TvxCustomTextEdit::SetCompletionPending(bool value) {
  if (FCompletionLock || !HandleAllocated() || value == FCompletionPending) return;
  FCompletionPending = value;
  Invalidate();
}

bool TvxCustomTextEdit::CanChangeSelText(const AnsiString& text, AnsiString& newText, int& newSelStart) {
  newText.clear();
  newSelStart = 0;
  TvxCustomTextEditProperties* properties = ActiveProperties();
  const int mode = properties->GetLookupMode();
  if (IsEditing() && mode == 3) return false;
  if (mode == 2 || mode == 3) SelectAll();
  const AnsiString display = DisplayText();
  const size_t start = std::min<size_t>(static_cast<size_t>(std::max(SelStart(), 0)), display.size());
  const size_t length = std::min<size_t>(static_cast<size_t>(std::max(SelLength(), 0)), display.size() - start);
  const int maxLength = properties->MaxLength();
  if (IsEditing() && mode == 0 && maxLength > 0) {
    // The limit counts UTF-16 characters, as the EDIT's does.
    const AnsiString head = display.substr(0, start) + text;
    const AnsiString kept = LeadingWideChars(head, static_cast<size_t>(maxLength));
    newSelStart = static_cast<int>(kept.size());
    if (start > kept.size()) return false;
    newText = LeadingWideChars(head + display.substr(start + length), static_cast<size_t>(maxLength));
  } else {
    newText = mode == 2 ? text : display.substr(0, start) + text + display.substr(start + length);
    newSelStart = static_cast<int>(start + text.size());
  }
  Variant value(newText);
  if (!properties->IsEditValueValid(value, Focused())) return false;
  if (IsEditing() && !DoEditing()) return false;
  newText = VariantText(value);
  return true;
}

// --- Clipboard -----------------------------------------------------------------------------

bool TvxCustomTextEdit::IsPasswordShown() { return ActiveProperties()->EchoMode() == eemPassword; }

void TvxCustomTextEdit::CopyToClipboard() {
  // A password never leaves the editor.
  if (IsPasswordShown()) return;
  const int mode = ActiveProperties()->GetLookupMode();
  if (mode == 2 || mode == 3) SelectAll();
  if (SelLength() > 0) SetClipboardText(SelText());
}

void TvxCustomTextEdit::CutToClipboard() {
  if (TvxCustomInnerTextEdit* inner = InnerTextEditControl(); inner != nullptr && inner->HandleAllocated())
    SendMessageA(inner->Handle(), WM_CUT, 0, 0);
}

void TvxCustomTextEdit::PasteFromClipboard() {
  if (TvxCustomInnerTextEdit* inner = InnerTextEditControl(); inner != nullptr && inner->HandleAllocated())
    SendMessageA(inner->Handle(), WM_PASTE, 0, 0);
}

void TvxCustomTextEdit::ClearSelection() {
  if (TvxCustomInnerTextEdit* inner = InnerTextEditControl(); inner != nullptr && inner->HandleAllocated())
    SendMessageA(inner->Handle(), WM_CLEAR, 0, 0);
}

void TvxCustomTextEdit::CopyToClipboard(TvxCustomInnerTextEdit&) { CopyToClipboard(); }

bool TvxCustomTextEdit::CanReplaceSelection(const AnsiString& text) {
  AnsiString newText;
  int caret = 0;
  return CanChangeSelText(text, newText, caret);
}

void TvxCustomTextEdit::CutToClipboard(TvxCustomInnerTextEdit& inner) {
  // A password is not cut (nor copied), as the EDIT would not either.
  if (SelLength() == 0 || IsPasswordShown()) return;
  if (!IsEditing()) {
    // Not the user's: the text is copied and the selection replaced through the text check.
    CopyToClipboard();
    SetSelText(AnsiString());
    return;
  }
  // The user's cut: a refusal changes neither the text nor the clipboard.
  if (!CanReplaceSelection(AnsiString())) return;
  const AnsiString before = DisplayText();
  inner.CallDefWndProc(WM_CUT, 0, 0);
  if (DisplayText() != before) {
    ChangeHandler();
    // The WM_CHAR of Ctrl+X that sent the cut does not announce the change again.
    if (IvxInnerTextEdit* text = InnerTextEdit()) text->SetInternalUpdating(true);
  }
}

void TvxCustomTextEdit::PasteFromClipboard(TvxCustomInnerTextEdit& inner) {
  if (!ClipboardHasText()) return;
  const AnsiString clipboard = ClipboardText();
  if (!IsEditing()) {
    SetSelText(clipboard);
    return;
  }
  if (!CanReplaceSelection(clipboard)) return;
  const AnsiString before = DisplayText();
  inner.CallDefWndProc(WM_PASTE, 0, 0);
  if (DisplayText() != before) {
    ChangeHandler();
    if (IvxInnerTextEdit* text = InnerTextEdit()) text->SetInternalUpdating(true);
  }
}

void TvxCustomTextEdit::ClearSelection(TvxCustomInnerTextEdit&) { DoClearSelection(); }

void TvxCustomTextEdit::DoClearSelection() {
  const AnsiString display = DisplayText();
  const size_t start = std::min<size_t>(static_cast<size_t>(std::max(SelStart(), 0)), display.size());
  const size_t length = std::min<size_t>(static_cast<size_t>(std::max(SelLength(), 0)), display.size() - start);
  if (length == 0) return;
  Variant value(display.substr(0, start) + display.substr(start + length));
  if (!ActiveProperties()->IsEditValueValid(value, Focused()) || !DoEditing()) return;
  DataBinding()->SetDisplayValue(value);
  SetSelStart(static_cast<int>(start));
  SetSelLength(0);
  ChangeHandler();
  if (IvxInnerTextEdit* text = InnerTextEdit()) text->SetInternalUpdating(true);
}

// --- Keys ----------------------------------------------------------------------------------

bool TvxCustomTextEdit::IsValidChar(char key) {
  if (TvxCustomEdit::IsValidChar(key)) return true;
  TvxCustomTextEditProperties* properties = ActiveProperties();
  return properties->ValidChars()[static_cast<unsigned char>(key)] || properties->IsCharValid(key);
}

bool TvxCustomTextEdit::DoKeyPressFilter(char& key) {
  const auto byte = static_cast<unsigned char>(key);
  const TTrailByte trail = std::exchange(FTrailByte, TTrailByte::None);
  if (trail != TTrailByte::None && IsTrailByte(byte)) {
    // The character was judged by its lead byte: a trail byte is no character of its own
    // ("A", "\\"). Refused, it goes with its lead byte (which has beeped); taken, it stays.
    if (trail == TTrailByte::Expected) return true;
    key = 0;
    return false;
  }
  const bool lead = IsLeadByte(byte);
  const bool passed = TvxCustomEdit::DoKeyPressFilter(key);
  if (lead) FTrailByte = passed ? TTrailByte::Expected : TTrailByte::Refused;
  return passed;
}

bool TvxCustomTextEdit::CanKeyDownModifyEdit(WORD key, TShiftState shift) {
  const bool result = TvxCustomEdit::CanKeyDownModifyEdit(key, shift) || key == VK_DELETE;
  if (!IsLookupListInUse() || FLookupData->GetItemCount() == 0 || !CanSelectLookupItem(false)) return result;
  // Keys that step through the items change the text.
  switch (key) {
    case VK_PRIOR:
    case VK_NEXT: return !HasPopupWindow();
    case VK_UP:
    case VK_DOWN: return (shift & ssAlt) == 0 && !HasPopupWindow();
    default: return result;
  }
}

bool TvxCustomTextEdit::CanKeyPressModifyEdit(char key) {
  return key == '\b' || key == '\x16' || key == '\x18' || vxIsTextChar(key);
}

void TvxCustomTextEdit::DoEditKeyDown(WORD& key, TShiftState shift) {
  const int mode = ActiveProperties()->GetLookupMode();
  if (mode == 2 && (key == VK_LEFT || key == VK_RIGHT || key == VK_DELETE)) {
    SetCompletionPending(false);
    DoAfterKeyDown(key, shift);
    key = 0;
    return;
  }
  const WORD pressed = key;
  const bool pending = FCompletionPending;
  TvxObjectLinkHolder link(this);
  TvxCustomEdit::DoEditKeyDown(key, shift);
  if (link.Object() == nullptr) return;
  if (pressed == VK_RETURN && pending) SelectAll();
  if (key == 0) return;
  switch (key) {
    case VK_HOME:
    case VK_END:
      if (mode != 2) break;
      [[fallthrough]];
    case VK_PRIOR:
    case VK_NEXT:
    case VK_UP:
    case VK_DOWN:
      if (IsLookupListInUse() && CanSelectLookupItem(false) && FLookupData->GetItemCount() > 0) {
        const bool ctrl = (shift & ssCtrl) != 0;
        int direction = vxlcNext;
        switch (key) {
          case VK_PRIOR: direction = ctrl ? vxlcFirst : vxlcPageUp; break;
          case VK_NEXT: direction = ctrl ? vxlcLast : vxlcPageDown; break;
          case VK_HOME: direction = vxlcFirst; break;
          case VK_END: direction = vxlcLast; break;
          case VK_UP: direction = vxlcPrevious; break;
          default: direction = vxlcNext; break;
        }
        key = 0;
        MoveLookupItem(direction);
        return;
      }
      if (key == VK_HOME || key == VK_END) break;
      // The single-line EDIT has no use for these.
      DoAfterKeyDown(key, shift);
      key = 0;
      return;
    default: break;
  }
  switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
      if ((shift & ssShift) == 0 && SelLength() > 0) {
        const int position = key == VK_LEFT ? SelStart() : SelStart() + SelLength();
        SetSelStart(position);
        SetSelLength(0);
        key = 0;
      }
      SetCompletionPending(false);
      return;
    case VK_DELETE:
      if (mode == 1) {
        DoAfterKeyDown(key, shift);
        key = 0;
      } else {
        SetCompletionPending(false);
      }
      return;
    case VK_END:
      if (SelLength() == 0 && mode != 2) SetCompletionPending(false);
      return;
    default: return;
  }
}

bool TvxCustomTextEdit::MoveLookupItem(int direction) {
  const int current = FLookupData->CurrentIndex();
  TvxObjectLinkHolder link(this);
  LockChangeEvents(true);
  TAtScopeEnd unlock([&] {
    if (link.Object() != nullptr) LockChangeEvents(false);
  });
  FLookupData->ChangeCurrentByKey(direction, false);
  if (link.Object() == nullptr || FLookupData->CurrentIndex() == current) return false;
  SetModifiedAfterEnter(true);
  Click();
  if (link.Object() != nullptr && ActiveProperties()->ImmediatePost() && CanPostEditValue() && ValidateEdit())
    DoPostEditValue(false);
  return true;
}

bool TvxCustomTextEdit::CanComplete(int mode) {
  if (mode == 1 || mode == 2) return true;
  if (SelLength() > 0 || FCompletionPending) return true;
  return SelStart() == static_cast<int>(DisplayText().size());
}

bool TvxCustomTextEdit::SearchStep(AnsiString& text) {
  AnsiString tail;
  const bool found = FLookupData->Locate(text, tail, false, false);
  // Set as it is, without a repaint: UpdateDrawValue below paints.
  FCompletionPending = found;
  if (text.empty() && ActiveProperties()->GetLookupMode() != 2) {
    StoreDisplayValue(Variant(AnsiString()));
    FCompletionPending = false;
  }
  if (found) {
    // The proposal stops at MaxLength characters, counted as the edit window counts its limit
    // (UTF-16), so a double-byte character is kept or dropped whole.
    AnsiString completed = text + tail;
    const int maxLength = ActiveProperties()->MaxLength();
    if (maxLength > 0) completed = LeadingWideChars(completed, static_cast<size_t>(maxLength));
    const size_t typed = std::min(text.size(), completed.size());
    DataBinding()->SetDisplayValue(Variant(completed));
    SetSelStart(static_cast<int>(typed));
    SetSelLength(static_cast<int>(completed.size() - typed));
  }
  UpdateDrawValue();
  return found;
}

void TvxCustomTextEdit::DoEditKeyPress(char& key) {
  IvxInnerTextEdit* inner = InnerTextEdit();
  if (inner != nullptr) inner->SetInternalUpdating(true);
  if (!DoKeyPressFilter(key)) return;
  TvxCustomTextEditProperties* properties = ActiveProperties();
  const int mode = properties->GetLookupMode();
  const bool listInUse = IsLookupListInUse();
  const bool lookupUse = properties->IsLookupUse();
  FSearchRan = false;
  bool matched = false;
  int current = -1;
  {
    TvxEditingScope editing(*this, true);
    if (mode == 2 && key == '\b' && !properties->FixedListSelection()) {
      key = 0;
      SetCompletionPending(false);
    }
    current = listInUse ? FLookupData->CurrentIndex() : -1;
    const bool pending = FCompletionPending;
    LockEditValueChanging(true);
    TAtScopeEnd unlock([this] { LockEditValueChanging(false); });
    if (key == '\b' && listInUse && lookupUse) {
      const AnsiString text = DisplayText();
      if (mode == 1 && !text.empty() && !FCompletionPending) {
        SetSelLength(static_cast<int>(text.size()) - SelStart());
        SetCompletionPending(true);
      }
      if (FCompletionPending) {
        // The text without its proposed tail, less one character (both bytes of a double-byte
        // one).
        AnsiString head = text.substr(0, text.size() - std::min<size_t>(static_cast<size_t>(SelLength()), text.size()));
        head.resize(LastCharStart(head));
        FSearchRan = true;
        matched = SearchStep(head);
      }
      if (mode == 2) key = 0;
    } else if (static_cast<unsigned char>(key) >= 0x20 && listInUse &&
               (FLookupData->GetItemCount() > 0 || mode == 1 || mode == 2)) {
      // (Without items no search can match: in mode 0 the character is typed as it is, in
      // modes 1 and 2 it is dropped below.)
      // A lead byte waits in the inner edit for its trail byte; the pair is searched whole.
      // Only the byte held there counts: while the input method's character arrives, its lead
      // byte is the key itself.
      TvxCustomInnerTextEdit* control = InnerTextEditControl();
      const char lead = control != nullptr ? control->HeldLeadByte() : '\0';
      if (lead != '\0' || !IsLeadByte(static_cast<unsigned char>(key))) {
        AnsiString typed;
        if (lead != '\0') typed += lead;
        typed += key;
        if (lookupUse && CanComplete(mode)) {
          FSearchRan = true;
          const AnsiString text = DisplayText();
          const size_t start = std::min<size_t>(static_cast<size_t>(std::max(SelStart(), 0)), text.size());
          AnsiString newText;
          if (SelLength() > 0) {
            newText = text.substr(0, start) + typed;
          } else if (mode == 2 && pending) {
            newText = text + typed;
            matched = SearchStep(newText);
            if (!matched) newText = typed;
          } else if (mode == 2) {
            newText = typed;
          } else {
            newText = text.substr(0, start) + typed + text.substr(start);
          }
          if (!matched) matched = SearchStep(newText);
        }
        if ((mode == 1 || mode == 2) && !matched) {
          key = 0;
          if (mode == 1 && !DisplayText().empty()) SetCompletionPending(true);
          if (mode == 2 && pending && properties->FixedListSelection()) SetCompletionPending(true);
        }
      }
    }
  }
  if (listInUse && FLookupData->CurrentIndex() != current) {
    SetModifiedAfterEnter(true);
    if (!IsEditValueChangeLocked()) Click();
  }
  if (matched) {
    // The completed text stands in the inner edit already; it is the user's change as much as
    // a typed character, so that leaving validates it.
    key = 0;
    ChangeHandler();
    return;
  }
  if (key != 0 && inner != nullptr) inner->SetInternalUpdating(false);
}

void TvxCustomTextEdit::KeyPress(char& key) {
  if (key == VK_ESCAPE && FPopupKey && IsEscapeSwallowPending() && !HasPopupWindow()) FPopupKey = false;
  TvxCustomEdit::KeyPress(key);
}

void TvxCustomTextEdit::DoExit() {
  TvxCustomEdit::DoExit();
  SetCompletionPending(false);
}

bool TvxCustomTextEdit::DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) {
  if (TvxCustomEdit::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
  const bool handled = CanSelectLookupItem(true) && !HasPopupWindow() && IsLookupListInUse() &&
                       FLookupData->GetItemCount() > 0 &&
                       (!IsInplace() || ActiveProperties()->UseMouseWheel() || (shift & ssCtrl) != 0);
  if (!handled || !DoEditing()) return handled;
  const int current = FLookupData->CurrentIndex();
  TvxObjectLinkHolder link(this);
  LockChangeEvents(true);
  TAtScopeEnd unlock([&] {
    if (link.Object() != nullptr) LockChangeEvents(false);
  });
  LockEditValueChanging(true);
  {
    TAtScopeEnd unlockValue([&] {
      if (link.Object() != nullptr) LockEditValueChanging(false);
    });
    FLookupData->ChangeCurrentByKey(wheelDelta > 0 ? vxlcPrevious : vxlcNext, false);
  }
  if (link.Object() == nullptr || FLookupData->CurrentIndex() == current) return handled;
  SetModifiedAfterEnter(true);
  Click();
  if (link.Object() != nullptr && CanPostEditValue() && ActiveProperties()->ImmediatePost() && ValidateEdit())
    DoPostEditValue(false);
  return handled;
}

// --- Inner edit ----------------------------------------------------------------------------

void TvxCustomTextEdit::RestoreInnerWindow() {
  TvxCustomEdit::RestoreInnerWindow();
  // The inner window hears of the focus it has now, without selecting all of its text.
  IvxInnerTextEdit* inner = InnerTextEdit();
  TvxCustomInnerTextEdit* control = InnerTextEditControl();
  if (inner == nullptr || control == nullptr || !control->HandleAllocated() || GetFocus() != control->Handle()) return;
  const bool autoSelect = inner->GetAutoSelect();
  inner->SetAutoSelect(false);
  SendMessageA(control->Handle(), WM_SETFOCUS, 0, 0);
  inner->SetAutoSelect(autoSelect);
}

void TvxCustomTextEdit::UpdateInnerControlAppearance() {
  IvxCustomInnerEdit* inner = InnerEdit();
  if (inner == nullptr) {
    TvxCustomEdit::UpdateInnerControlAppearance();
    return;
  }
  TWinControl* control = inner->GetControl();
  TvxCustomEditViewInfo* info = EditViewInfo();
  LockInnerControl(true);
  try {
    control->SetColor(info->BackgroundColor);
    TFont font;
    font.Assign(ActiveStyle()->GetVisibleFont());
    font.SetColor(info->TextColor);
    control->SetFont(font);
  } catch (...) {
    LockInnerControl(false);
    throw;
  }
  LockInnerControl(false);
}

int TvxCustomTextEdit::GetInnerEditHeight() {
  TvxScreenCanvas* canvas = vxScreenCanvas();
  IvxCustomInnerEdit* inner = InnerEdit();
  if (canvas == nullptr || inner == nullptr) return 0;
  return canvas->FontHeight(inner->GetControl()->Font());
}

void TvxCustomTextEdit::AdjustInnerControl() {
  if (InnerEdit() != nullptr)
    AdjustInnerEditPosition();
  else
    TvxCustomEdit::AdjustInnerControl();
}

void TvxCustomTextEdit::AdjustInnerEditPosition() {
  IvxCustomInnerEdit* inner = InnerEdit();
  if (inner == nullptr || FPlacing) return;
  TvxFlagScope placing(FPlacing);
  TWinControl* control = inner->GetControl();
  const int height = GetInnerEditHeight();
  RECT r = EditViewInfo()->ClientRect;
  const RECT& margins = TextMargins();
  int top = r.top + margins.top;
  switch (ActiveProperties()->Alignment()->Vert()) {
    case taTopJustify: break;
    case taBottomJustify: top = r.bottom - height - margins.bottom; break;
    case taVCenter:
      top = r.top + margins.top + (r.bottom - r.top - height - margins.top - margins.bottom) / 2;
      break;
  }
  // A font taller than the client rectangle starts at the top margin all the same.
  top = std::max(top, static_cast<int>(r.top + margins.top));
  const int left = r.left + margins.left;
  const int width = r.right - r.left + 1 - margins.left - margins.right;
  const RECT wanted{left, top, left + width, top + height};
  const RECT current = control->BoundsRect();
  if (!EqualRect(&current, &wanted)) control->SetBounds(left, top, width, height);
  if (IsInplace()) {
    ++r.top;
    --r.bottom;
  }
  AlignControls(control, r);
}

bool TvxCustomTextEdit::GetControlVisibleBounds(TControl* control, RECT& bounds) {
  if (!IsInnerEditVisible()) {
    // Clipped away completely: the layout paints the text.
    bounds = RECT{0, 0, 0, 0};
    return false;
  }
  const bool entire = TvxCustomEdit::GetControlVisibleBounds(control, bounds);
  const auto* info = dynamic_cast<TvxCustomTextEditViewInfo*>(EditViewInfo());
  const int mode = ActiveProperties()->GetLookupMode();
  if (!entire && !IsInplace() && info != nullptr && info->NativeState != 0 && info->ComboStyle && (mode == 0 || mode == 1)) {
    --bounds.right;
    --bounds.bottom;
  }
  return entire;
}

void TvxCustomTextEdit::FocusChanged() {
  FTrailByte = TTrailByte::None;
  TvxObjectLinkHolder link(this);
  TvxCustomEdit::FocusChanged();
  // The text is painted while the inner edit does not show it.
  if (link.Object() != nullptr) UpdateDrawValue();
}

void TvxCustomTextEdit::InitializeViewData(TvxCustomEditViewData& viewData) {
  TvxCustomEdit::InitializeViewData(viewData);
  auto* data = dynamic_cast<TvxCustomTextEditViewData*>(&viewData);
  if (data == nullptr || FLookupData == nullptr) return;
  // A proposed tail in mode 2 is painted selected.
  if (FCompletionPending && ActiveProperties()->GetLookupMode() == 2) {
    data->SelStart = SelStart();
    data->SelLength = SelLength();
  }
}

// --- Properties ----------------------------------------------------------------------------

void TvxCustomTextEdit::PropertiesChanged(TObject* sender) {
  TvxCustomTextEditProperties* properties = ActiveProperties();
  IvxInnerTextEdit* inner = InnerTextEdit();
  if (inner != nullptr) inner->SetAlignment(properties->Alignment()->Horz());
  if (IsLookupListInUse()) {
    FLookupData->UpdateList();
    // The item of the text is found again, unless the search has just done so.
    if (!FSearchRan && !IsAskingEditing()) {
      const int selected = FLookupData->SelectedIndex();
      AnsiString text = DisplayText();
      if (selected < 0 || selected >= FLookupData->GetItemCount() ||
          !SameText(FLookupData->GetItemText(selected), text)) {
        AnsiString tail;
        FLookupData->Locate(text, tail, false, true);
      }
    }
  }
  if (!IsDestroying() && InnerEdit() != nullptr && !IsInnerEditVisible()) UpdateDrawValue();
  if (inner == nullptr) return;
  SetImeMode(properties->ImeMode());
  SetImeName(properties->ImeName());
  inner->SetAlignment(properties->Alignment()->Horz());
  inner->SetAutoSelect(properties->AutoSelect() && !IsInplace());
  inner->SetCharCase(properties->CharCase());
  inner->SetEchoMode(properties->EchoMode());
  inner->SetHideSelection(properties->HideSelection());
  inner->SetImeMode(properties->ImeMode());
  inner->SetImeName(properties->ImeName());
  inner->SetMaxLength(properties->MaxLength());
  inner->SetOEMConvert(properties->OEMConvert());
  inner->SetPasswordChar(properties->PasswordChar());
  TvxObjectLinkHolder link(this);
  if (!IsUserAction()) CheckLookupValue();
  if (link.Object() == nullptr) return;
  UpdateDrawValue();
  TvxCustomEdit::PropertiesChanged(sender);
  if (TvxCustomInnerTextEdit* control = InnerTextEditControl()) control->Invalidate();
}

void TvxCustomTextEdit::CheckLookupValue() {
  if (IsDestroying() || InnerEdit() == nullptr) return;
  TvxCustomTextEditProperties* properties = ActiveProperties();
  const int mode = properties->GetLookupMode();
  if (mode != 1 && mode != 2) {
    if (!ModifiedAfterEnter()) DataBinding()->UpdateDisplayValue();
    return;
  }
  IvxEditDefaultValuesProvider* provider = DataBinding()->DefaultValuesProvider();
  const bool checkApplies = !IsInplace() && !(provider != nullptr && provider->IsDataBound());
  if (!ModifiedAfterEnter() && !checkApplies) {
    SynchronizeDisplayValue();
    return;
  }
  Variant text(DisplayText());
  if (properties->IsEditValueValid(text, true)) return;
  // The text is no item any more.
  SaveModified();
  try {
    DataBinding()->SetDisplayValue(Variant(AnsiString()));
  } catch (...) {
    RestoreModified();
    throw;
  }
  RestoreModified();
  if (!ModifiedAfterEnter()) SynchronizeEditValue();
}

// --- Window messages -----------------------------------------------------------------------

LRESULT TvxCustomTextEdit::WMGetText(TMessage& m) {
  // As the inner edit answers: nothing for a buffer of 0, never half a character.
  return vxCopyTextToBuffer(DisplayText(), m.WParam, m.LParam);
}

LRESULT TvxCustomTextEdit::WMSetText(TMessage& m) {
  if (FSettingText) return 0;
  TvxFlagScope setting(FSettingText);
  const char* text = reinterpret_cast<const char*>(m.LParam);
  return InternalSetText(text != nullptr ? AnsiString(text) : AnsiString()) ? 1 : 0;
}

LRESULT TvxCustomTextEdit::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_GETTEXT: return WMGetText(m);
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(DisplayText().size());
    case WM_SETTEXT: return WMSetText(m);
    case WM_CLEAR:
      if (!IsReadOnly() && DataBinding()->CanModify()) DoClearSelection();
      return 0;
  }
  return TvxCustomEdit::Dispatch(m);
}

// --- TvxTextEdit ---------------------------------------------------------------------------

TvxTextEdit::TvxTextEdit(TComponent* owner, bool inplace)
    : TvxCustomTextEdit(owner, inplace, TextEditClasses(TvxTextEditProperties::PropertiesClass())) {}

// --- Start-up and shutdown -----------------------------------------------------------------

void InitializevxTextEdit() {
  GetRegisteredEditProperties().Register(TvxTextEditProperties::PropertiesClass(),
                                         vxLoadResourceString(scxSEditRepositoryTextItem));
}

void FinalizevxTextEdit() { GetRegisteredEditProperties().Unregister(TvxTextEditProperties::PropertiesClass()); }
