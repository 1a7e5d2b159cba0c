#include "platform/gui/StdCtrls.h"

#include "platform/gui/Forms.h"
#include "platform/rtl/SysExceptions.h"

#include <algorithm>

namespace {

// Text size in a font, measured on the screen (no window needed).
SIZE MeasureText(TFont& font, const AnsiString& text) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font.Handle());
  SIZE size{};
  const AnsiString sample = text.empty() ? AnsiString(" ") : text;
  GetTextExtentPoint32A(dc, sample.data(), static_cast<int>(sample.size()), &size);
  if (text.empty()) size.cx = 0;
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return size;
}

// The buttons handle the mouse themselves and report clicks through BN_CLICKED, so the class
// library's own click detection must stay out of their way.
constexpr unsigned kSystemButtonStyle = csSetCaption | csDoubleClicks;

// Whether the system EDIT counts its positions in characters (Wine's ANSI EDIT) rather than in
// bytes (an ANSI EDIT of a double-byte Windows). Asked once, of a hidden EDIT holding one
// double-byte character.
bool EditCountsCharacters() {
  static const bool counts = [] {
    HWND probe = CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleA(nullptr),
                                 nullptr);
    if (probe == nullptr) return true;
    SendMessageA(probe, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("\x83\x41"));  // "ア"
    SendMessageA(probe, EM_SETSEL, 0, -1);
    DWORD start = 0, end = 0;
    SendMessageA(probe, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    DestroyWindow(probe);
    return end == 1;
  }();
  return counts;
}

// The EDIT's position for a byte position of text; a byte inside a double-byte character
// counts as that character's start. Beyond the end, positions go on one per byte.
int BytesToEditPosition(const AnsiString& text, int bytes) {
  if (bytes <= 0) return bytes;
  const size_t limit = static_cast<size_t>(bytes);
  size_t i = 0;
  int characters = 0;
  while (i < text.size()) {
    const size_t next = NextCharIndex(text, i);
    if (next > limit) break;  // the position lies inside this character (or before it)
    i = next;
    ++characters;
  }
  const int beyond = limit > text.size() ? bytes - static_cast<int>(text.size()) : 0;
  return (EditCountsCharacters() ? characters : static_cast<int>(i)) + beyond;
}

// The byte position of an EDIT position in text.
int EditPositionToBytes(const AnsiString& text, int position) {
  if (position <= 0 || !EditCountsCharacters()) return position;
  size_t i = 0;
  int n = 0;
  while (n < position && i < text.size()) {
    i = NextCharIndex(text, i);
    ++n;
  }
  return static_cast<int>(i) + (position - n);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TLabel

TLabel::TLabel(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(csSetCaption | csReplicatable);
  SetBounds(0, 0, 65, 17);
  SetAutoSize(true);
}

void TLabel::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, "STATIC");
  params.Style |= SS_LEFT | SS_NOTIFY;
}

bool TLabel::CanAutoSize(int& width, int& height) {
  const SIZE size = MeasureText(Font(), Text());
  width = size.cx;
  height = size.cy;
  return true;
}

LRESULT TLabel::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED: {
      LRESULT result = TWinControl::WndProc(m);
      AdjustSize();
      Invalidate();
      return result;
    }
    case WM_NCHITTEST:
      // Clicks fall through to the parent, as they do for the class library's painted labels.
      return HTTRANSPARENT;
  }
  return TWinControl::WndProc(m);
}

// ---------------------------------------------------------------------------------------------
// TCustomEdit

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(csSetCaption | csDoubleClicks);
  SetBounds(0, 0, 121, 21);
  SetColor(clWindow);
  SetTabStop(true);
}

void TCustomEdit::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, "EDIT");
  params.Style |= ES_AUTOHSCROLL;
  if (FReadOnly) params.Style |= ES_READONLY;
  if (!FHideSelection) params.Style |= ES_NOHIDESEL;
  if (FCharCase == TEditCharCase::ecUpperCase) params.Style |= ES_UPPERCASE;
  if (FCharCase == TEditCharCase::ecLowerCase) params.Style |= ES_LOWERCASE;
  if (FOEMConvert) params.Style |= ES_OEMCONVERT;
  if (FAlignment == TAlignment::taRightJustify) params.Style |= ES_RIGHT;
  if (FAlignment == TAlignment::taCenter) params.Style |= ES_CENTER;
  if (Ctl3D())
    params.ExStyle |= WS_EX_CLIENTEDGE;
  else
    params.Style |= WS_BORDER;
}

void TCustomEdit::CreateWnd() {
  FCreating = true;
  try {
    TWinControl::CreateWnd();
  } catch (...) {
    FCreating = false;
    throw;
  }
  FCreating = false;
  // MaxLength counts characters, as the EDIT's limit does (the editors count UTF-16
  // characters for it as well), so it passes unconverted.
  SendMessageA(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
  if (FPasswordChar != 0) SendMessageA(Handle(), EM_SETPASSWORDCHAR, static_cast<unsigned char>(FPasswordChar), 0);
  ApplyMargins();
}

void TCustomEdit::SetAlignment(TAlignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  RecreateWnd();
}

void TCustomEdit::SetOEMConvert(bool value) {
  if (value == FOEMConvert) return;
  FOEMConvert = value;
  RecreateWnd();
}

void TCustomEdit::SetMargins(int left, int right) {
  FMarginsSet = true;
  FLeftMargin = left;
  FRightMargin = right;
  ApplyMargins();
}

void TCustomEdit::ApplyMargins() {
  if (FMarginsSet && HandleAllocated())
    SendMessageA(Handle(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(FLeftMargin, FRightMargin));
}

void TCustomEdit::SetMaxLength(int value) {
  FMaxLength = value;
  if (HandleAllocated()) SendMessageA(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(value), 0);
}

void TCustomEdit::SetReadOnly(bool value) {
  FReadOnly = value;
  if (HandleAllocated()) SendMessageA(Handle(), EM_SETREADONLY, value ? 1 : 0, 0);
}

void TCustomEdit::SetPasswordChar(char value) {
  if (value == FPasswordChar) return;
  FPasswordChar = value;
  if (HandleAllocated()) {
    SendMessageA(Handle(), EM_SETPASSWORDCHAR, static_cast<unsigned char>(value), 0);
    Invalidate();
  }
}

void TCustomEdit::SetCharCase(TEditCharCase value) {
  if (value == FCharCase) return;
  FCharCase = value;
  RecreateWnd();
}

void TCustomEdit::SetHideSelection(bool value) {
  if (value == FHideSelection) return;
  FHideSelection = value;
  RecreateWnd();
}

bool TCustomEdit::Modified() { return HandleAllocated() && SendMessageA(Handle(), EM_GETMODIFY, 0, 0) != 0; }

void TCustomEdit::SetModified(bool value) {
  if (HandleAllocated()) SendMessageA(Handle(), EM_SETMODIFY, value ? 1 : 0, 0);
}

// The accessors read the window's own text (WM_GETTEXT), whose bytes the EDIT's positions
// count through.

void TCustomEdit::GetSel(int& start, int& end) {
  DWORD first = 0, last = 0;
  SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&first), reinterpret_cast<LPARAM>(&last));
  if (!EditCountsCharacters()) {
    start = static_cast<int>(first);
    end = static_cast<int>(last);
    return;
  }
  const AnsiString text = GetText();
  start = EditPositionToBytes(text, static_cast<int>(first));
  end = EditPositionToBytes(text, static_cast<int>(last));
}

void TCustomEdit::SetSel(int start, int end) {
  const AnsiString text = GetText();
  const int first = BytesToEditPosition(text, start);
  const int last = end < 0 ? -1 : BytesToEditPosition(text, end);
  SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(first), last);
}

int TCustomEdit::SelStart() {
  int start = 0, end = 0;
  GetSel(start, end);
  return start;
}

void TCustomEdit::SetSelStart(int value) { SetSel(value, value); }

int TCustomEdit::SelLength() {
  int start = 0, end = 0;
  GetSel(start, end);
  return end - start;
}

void TCustomEdit::SetSelLength(int value) {
  const int start = SelStart();
  SetSel(start, start + value);
}

AnsiString TCustomEdit::SelText() {
  int start = 0, end = 0;
  GetSel(start, end);
  const AnsiString text = GetText();
  if (start < 0 || static_cast<size_t>(start) >= text.size() || end <= start) return AnsiString();
  return text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
}

POINT TCustomEdit::PosFromChar(int position) {
  const int index = BytesToEditPosition(GetText(), position);
  const LRESULT result = SendMessageA(Handle(), EM_POSFROMCHAR, static_cast<WPARAM>(index), 0);
  if (result == -1) return POINT{-1, -1};
  return POINT{static_cast<short>(LOWORD(result)), static_cast<short>(HIWORD(result))};
}

POINT TCustomEdit::CaretPos() {
  POINT p{};
  if (Focused() && ::GetCaretPos(&p)) return p;
  return PosFromChar(SelStart());
}

void TCustomEdit::SetSelText(const AnsiString& text) {
  SendMessageA(Handle(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TCustomEdit::SelectAll() {
  if (HandleAllocated()) SendMessageA(Handle(), EM_SETSEL, 0, -1);
}

void TCustomEdit::ClearSelection() { SendMessageA(Handle(), WM_CLEAR, 0, 0); }

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::DoEnter() {
  if (FAutoSelect && !(ControlState() & csLButtonDown) && HandleAllocated() &&
      !(GetWindowLongA(Handle(), GWL_STYLE) & ES_MULTILINE))
    SelectAll();
  TWinControl::DoEnter();
}

LRESULT TCustomEdit::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CN_COMMAND:
      if (HIWORD(m.WParam) == EN_CHANGE && !FCreating) Change();
      return 0;
    case CM_CTL3DCHANGED:
      RecreateWnd();
      break;
    case CM_FONTCHANGED: {
      // A new font resets the EDIT's margins.
      const LRESULT result = TWinControl::WndProc(m);
      ApplyMargins();
      return result;
    }
  }
  return TWinControl::WndProc(m);
}

// ---------------------------------------------------------------------------------------------
// TButton

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(kSystemButtonStyle);
  SetBounds(0, 0, 75, 25);
  SetColor(clBtnFace);
  SetTabStop(true);
}

void TButton::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, "BUTTON");
  params.Style |= BS_PUSHBUTTON;
}

void TButton::Click() {
  if (ModalResult != 0) {
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(ModalResult);
  }
  TWinControl::Click();
}

LRESULT TButton::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CN_COMMAND:
      if (HIWORD(m.WParam) == BN_CLICKED) Click();
      return 0;
  }
  return TWinControl::WndProc(m);
}

// ---------------------------------------------------------------------------------------------
// TCheckBox

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(kSystemButtonStyle);
  SetBounds(0, 0, 97, 17);
  SetTabStop(true);
}

void TCheckBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, "BUTTON");
  params.Style |= BS_AUTOCHECKBOX;
}

void TCheckBox::CreateWnd() {
  TWinControl::CreateWnd();
  SendMessageA(Handle(), BM_SETCHECK, static_cast<WPARAM>(FState), 0);
}

TCheckBoxState TCheckBox::State() {
  if (HandleAllocated()) FState = static_cast<TCheckBoxState>(SendMessageA(Handle(), BM_GETCHECK, 0, 0));
  return FState;
}

void TCheckBox::SetState(TCheckBoxState state) {
  if (state == State()) return;
  FState = state;
  if (HandleAllocated()) SendMessageA(Handle(), BM_SETCHECK, static_cast<WPARAM>(state), 0);
  Click();
}

LRESULT TCheckBox::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CN_COMMAND:
      if (HIWORD(m.WParam) == BN_CLICKED) {
        State();
        Click();
      }
      return 0;
  }
  return TWinControl::WndProc(m);
}

// ---------------------------------------------------------------------------------------------
// TGroupBox

TGroupBox::TGroupBox(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks);
  SetBounds(0, 0, 185, 105);
}

void TGroupBox::AdjustClientRect(RECT& rect) {
  const SIZE text = MeasureText(Font(), "0");
  rect.top += text.cy;
  InflateRect(&rect, -2, -2);
  if (rect.bottom < rect.top) rect.bottom = rect.top;
  if (rect.right < rect.left) rect.right = rect.left;
}

void TGroupBox::Paint() {
  TCanvas& canvas = Canvas();
  const SIZE text = MeasureText(Font(), "0");
  RECT frame = ClientRect();
  frame.top += text.cy / 2;
  DrawEdge(canvas.Handle(), &frame, EDGE_ETCHED, BF_RECT);
  const AnsiString caption = Text();
  if (!caption.empty()) {
    canvas.Brush().SetColor(Color());
    canvas.TextOut(8, 0, caption);
  }
}

LRESULT TGroupBox::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED: {
      LRESULT result = TCustomControl::WndProc(m);
      Invalidate();
      Realign();
      return result;
    }
  }
  return TCustomControl::WndProc(m);
}

// ---------------------------------------------------------------------------------------------
// TListBoxStrings

void TListBoxStrings::CheckIndex(int index, int limit) const {
  if (index < 0 || index > limit) throw EListError(Format("List index out of bounds (%d)", index));
}

int TListBoxStrings::Count() const {
  if (!FOwner.HandleAllocated()) return static_cast<int>(FSaved.size());
  return static_cast<int>(SendMessageA(FOwner.Handle(), LB_GETCOUNT, 0, 0));
}

AnsiString TListBoxStrings::Strings(int index) const {
  CheckIndex(index, Count() - 1);
  if (!FOwner.HandleAllocated()) return FSaved[static_cast<size_t>(index)].first;
  HWND window = FOwner.Handle();
  const LRESULT length = SendMessageA(window, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length <= 0) return AnsiString();
  // LB_GETTEXT takes no buffer size: leave room for a length counted in characters.
  AnsiString text(static_cast<size_t>(length) * 2 + 2, '\0');
  const LRESULT got = SendMessageA(window, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

void* TListBoxStrings::Objects(int index) const {
  CheckIndex(index, Count() - 1);
  if (!FOwner.HandleAllocated()) return FSaved[static_cast<size_t>(index)].second;
  return reinterpret_cast<void*>(SendMessageA(FOwner.Handle(), LB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

void TListBoxStrings::PutObject(int index, void* object) {
  CheckIndex(index, Count() - 1);
  if (!FOwner.HandleAllocated())
    FSaved[static_cast<size_t>(index)].second = object;
  else
    SendMessageA(FOwner.Handle(), LB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(object));
}

int TListBoxStrings::Add(const AnsiString& text, void* object) {
  const int index = Count();
  Insert(index, text, object);
  return index;
}

void TListBoxStrings::Insert(int index, const AnsiString& text, void* object) {
  CheckIndex(index, Count());
  if (!FOwner.HandleAllocated()) {
    FSaved.insert(FSaved.begin() + index, std::make_pair(text, object));
    return;
  }
  HWND window = FOwner.Handle();
  const LRESULT at = SendMessageA(window, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
  if (at < 0) throw Exception("Unable to insert a line");
  SendMessageA(window, LB_SETITEMDATA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(object));
}

void TListBoxStrings::Delete(int index) {
  CheckIndex(index, Count() - 1);
  if (!FOwner.HandleAllocated())
    FSaved.erase(FSaved.begin() + index);
  else
    SendMessageA(FOwner.Handle(), LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void TListBoxStrings::Clear() {
  FSaved.clear();
  if (FOwner.HandleAllocated()) SendMessageA(FOwner.Handle(), LB_RESETCONTENT, 0, 0);
}

int TListBoxStrings::IndexOf(const AnsiString& text) const {
  const int count = Count();
  for (int i = 0; i < count; ++i)
    if (SameText(Strings(i), text)) return i;
  return -1;
}

void TListBoxStrings::BeginUpdate() {
  if (FUpdateCount++ == 0 && FOwner.HandleAllocated()) SendMessageA(FOwner.Handle(), WM_SETREDRAW, FALSE, 0);
}

void TListBoxStrings::EndUpdate() {
  if (FUpdateCount == 0 || --FUpdateCount != 0 || !FOwner.HandleAllocated()) return;
  SendMessageA(FOwner.Handle(), WM_SETREDRAW, TRUE, 0);
  FOwner.Invalidate();
}

// ---------------------------------------------------------------------------------------------
// TCustomListBox

TCustomListBox::TCustomListBox(TComponent* owner)
    : TWinControl(owner), FItems(std::make_unique<TListBoxStrings>(*this)), FCanvas(std::make_unique<TCanvas>()) {
  // The list reports clicks through LBN_SELCHANGE and captures the mouse itself.
  SetControlStyle(csSetCaption | csDoubleClicks | csOpaque);
  SetBounds(0, 0, 121, 97);
  SetColor(clWindow);
  SetTabStop(true);
}

TCustomListBox::~TCustomListBox() { Destroying(); }

void TCustomListBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, "LISTBOX");
  params.Style |= WS_HSCROLL | WS_VSCROLL | LBS_HASSTRINGS | LBS_NOTIFY;
  if (FStyle == TListBoxStyle::lbOwnerDrawFixed) params.Style |= LBS_OWNERDRAWFIXED;
  if (FStyle == TListBoxStyle::lbOwnerDrawVariable) params.Style |= LBS_OWNERDRAWVARIABLE;
  if (FMultiSelect) params.Style |= FExtendedSelect ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
  // The list keeps the height it is given (a drop-down sizes it to its rows exactly).
  params.Style |= LBS_NOINTEGRALHEIGHT;
  if (FBorderStyle != TBorderStyle::bsNone) {
    if (Ctl3D())
      params.ExStyle |= WS_EX_CLIENTEDGE;
    else
      params.Style |= WS_BORDER;
  }
  params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomListBox::CreateWnd() {
  TWinControl::CreateWnd();
  HWND window = Handle();
  if (FScrollWidth > 0) SendMessageA(window, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(FScrollWidth), 0);
  std::vector<std::pair<AnsiString, void*>> saved;
  saved.swap(FItems->FSaved);
  if (saved.empty() && FSavedItemIndex < 0) return;
  SendMessageA(window, WM_SETREDRAW, FALSE, 0);
  for (const auto& [text, object] : saved) FItems->Add(text, object);
  SendMessageA(window, WM_SETREDRAW, TRUE, 0);
  SetTopIndex(FSavedTopIndex);
  SetItemIndex(FSavedItemIndex);
}

void TCustomListBox::DestroyWnd() {
  // The items live in the window: keep them for the next one.
  const int count = FItems->Count();
  std::vector<std::pair<AnsiString, void*>> saved;
  saved.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) saved.emplace_back(FItems->Strings(i), FItems->Objects(i));
  FSavedItemIndex = ItemIndex();
  FSavedTopIndex = TopIndex();
  TWinControl::DestroyWnd();
  FItems->FSaved = std::move(saved);
}

int TCustomListBox::ItemIndex() {
  if (!HandleAllocated()) return FSavedItemIndex;
  return static_cast<int>(SendMessageA(Handle(), FMultiSelect ? LB_GETCARETINDEX : LB_GETCURSEL, 0, 0));
}

void TCustomListBox::SetItemIndex(int index) {
  if (!HandleAllocated()) {
    FSavedItemIndex = index;
    return;
  }
  if (FMultiSelect)
    SendMessageA(Handle(), LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
  else
    SendMessageA(Handle(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int TCustomListBox::TopIndex() {
  if (!HandleAllocated()) return FSavedTopIndex;
  return static_cast<int>(SendMessageA(Handle(), LB_GETTOPINDEX, 0, 0));
}

void TCustomListBox::SetTopIndex(int index) {
  if (!HandleAllocated())
    FSavedTopIndex = index;
  else
    SendMessageA(Handle(), LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
}

int TCustomListBox::ItemHeight() {
  if (FStyle == TListBoxStyle::lbStandard && HandleAllocated())
    return static_cast<int>(SendMessageA(Handle(), LB_GETITEMHEIGHT, 0, 0));
  return FItemHeight;
}

void TCustomListBox::SetItemHeight(int value) {
  if (value <= 0 || value == FItemHeight) return;
  FItemHeight = value;
  if (FStyle == TListBoxStyle::lbOwnerDrawFixed && HandleAllocated()) {
    SendMessageA(Handle(), LB_SETITEMHEIGHT, 0, value);
    Invalidate();
  } else if (FStyle == TListBoxStyle::lbOwnerDrawVariable) {
    RecreateWnd();  // every item is measured again
  }
}

void TCustomListBox::SetStyle(TListBoxStyle style) {
  if (style == FStyle) return;
  FStyle = style;
  RecreateWnd();
}

void TCustomListBox::SetBorderStyle(TBorderStyle style) {
  if (style == FBorderStyle) return;
  FBorderStyle = style;
  RecreateWnd();
}

void TCustomListBox::SetMultiSelect(bool value) {
  if (value == FMultiSelect) return;
  FMultiSelect = value;
  RecreateWnd();
}

void TCustomListBox::SetExtendedSelect(bool value) {
  if (value == FExtendedSelect) return;
  FExtendedSelect = value;
  if (FMultiSelect) RecreateWnd();
}

void TCustomListBox::SetScrollWidth(int value) {
  value = std::max(value, 0);
  if (value == FScrollWidth) return;
  FScrollWidth = value;
  if (HandleAllocated()) SendMessageA(Handle(), LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(value), 0);
}

bool TCustomListBox::Selected(int index) {
  FItems->CheckIndex(index, Count() - 1);
  return SendMessageA(Handle(), LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
}

void TCustomListBox::SetSelected(int index, bool value) {
  FItems->CheckIndex(index, Count() - 1);
  if (FMultiSelect)
    SendMessageA(Handle(), LB_SETSEL, value ? TRUE : FALSE, index);
  else if (value)
    SetItemIndex(index);
  else if (ItemIndex() == index)
    SetItemIndex(-1);
}

int TCustomListBox::ItemAtPos(POINT p, bool existing) {
  const LRESULT result = SendMessageA(Handle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(p.x, p.y));
  const bool outside = HIWORD(result) != 0;
  RECT client = ClientRect();
  if (!outside && PtInRect(&client, p)) return static_cast<int>(LOWORD(result));
  return existing ? -1 : Count();
}

RECT TCustomListBox::ItemRect(int index) {
  RECT r{};
  SendMessageA(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  return r;
}

void TCustomListBox::DrawItem(int index, const RECT& rect, TOwnerDrawState state) {
  if (OnDrawItem) {
    OnDrawItem(this, index, rect, state);
    return;
  }
  FCanvas->FillRect(rect);
  if (index < Count()) FCanvas->TextOut(rect.left + 2, rect.top, FItems->Strings(index));
}

void TCustomListBox::MeasureItem(int index, int& height) {
  if (OnMeasureItem) OnMeasureItem(this, index, height);
}

LRESULT TCustomListBox::CNDrawItem(TMessage& m) {
  auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
  const auto state = static_cast<TOwnerDrawState>(LOWORD(item->itemState));
  const int index = static_cast<int>(item->itemID);
  FCanvas->SetHandle(item->hDC);
  struct Detach {
    TCanvas& canvas;
    ~Detach() { canvas.SetHandle(nullptr); }
  } detach{*FCanvas};
  FCanvas->Font().Assign(&Font());
  FCanvas->Brush().Assign(&Brush());
  if (index >= 0 && (state & odSelected)) {
    FCanvas->Brush().SetColor(clHighlight);
    FCanvas->Font().SetColor(clHighlightText);
  }
  if (index >= 0)
    DrawItem(index, item->rcItem, state);
  else
    FCanvas->FillRect(item->rcItem);
  if (state & odFocused) DrawFocusRect(item->hDC, &item->rcItem);
  return 1;
}

LRESULT TCustomListBox::CNMeasureItem(TMessage& m) {
  auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
  int height = FItemHeight;
  if (FStyle == TListBoxStyle::lbOwnerDrawVariable) MeasureItem(static_cast<int>(item->itemID), height);
  item->itemHeight = static_cast<UINT>(std::max(height, 1));
  return 1;
}

LRESULT TCustomListBox::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CN_COMMAND:
      if (HIWORD(m.WParam) == LBN_SELCHANGE) Click();
      return 0;
    case CN_DRAWITEM: return CNDrawItem(m);
    case CN_MEASUREITEM: return CNMeasureItem(m);
    case CM_CTL3DCHANGED:
      RecreateWnd();
      break;
  }
  return TWinControl::WndProc(m);
}
