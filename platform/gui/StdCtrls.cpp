#include "platform/gui/StdCtrls.h"

#include "platform/gui/Forms.h"

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

}  // namespace

// ---------------------------------------------------------------------------------------------
// TLabel

TLabel::TLabel(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(csSetCaption | csReplicatable);
  SetBounds(0, 0, 65, 17);
}

void TLabel::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, "STATIC");
  params.Style |= SS_LEFT | SS_NOTIFY;
}

void TLabel::SetAutoSize(bool value) {
  if (value == FAutoSize) return;
  FAutoSize = value;
  AdjustBounds();
}

void TLabel::AdjustBounds() {
  if (!FAutoSize || IsLoading() || IsDestroying()) return;
  SIZE size = MeasureText(Font(), Text());
  SetBounds(Left(), Top(), size.cx, size.cy);
}

LRESULT TLabel::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED: {
      LRESULT result = TWinControl::WndProc(m);
      AdjustBounds();
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
  params.ExStyle |= WS_EX_CLIENTEDGE;
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
  SendMessageA(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
  if (FPasswordChar != 0) SendMessageA(Handle(), EM_SETPASSWORDCHAR, static_cast<unsigned char>(FPasswordChar), 0);
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

int TCustomEdit::SelStart() {
  DWORD start = 0, end = 0;
  SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(start);
}

void TCustomEdit::SetSelStart(int value) { SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(value), value); }

int TCustomEdit::SelLength() {
  DWORD start = 0, end = 0;
  SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end - start);
}

void TCustomEdit::SetSelLength(int value) {
  const int start = SelStart();
  SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(start), start + value);
}

AnsiString TCustomEdit::SelText() {
  // Selection positions are byte offsets in an ANSI edit, so a substring is exact.
  const AnsiString text = Text();
  const size_t start = static_cast<size_t>(SelStart());
  const size_t length = static_cast<size_t>(SelLength());
  return start < text.size() ? text.substr(start, length) : AnsiString();
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
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      SetControlState(ControlState() | csLButtonDown);
      struct Clear {
        TCustomEdit* e;
        ~Clear() { e->SetControlState(e->ControlState() & ~csLButtonDown); }
      } clear{this};
      return TWinControl::WndProc(m);
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
