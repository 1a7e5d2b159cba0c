#include "editors/vxTextEdit.h"

#include "controls/vxControls.h"
#include "platform/rtl/SysStrings.h"

#include <algorithm>
#include <functional>
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
  return CallWindowProcA(FDefWndProc, Handle(), msg, wParam, lParam);
}

void TvxCustomInnerTextEdit::CreateParams(TCreateParams& params) {
  TCustomEdit::CreateParams(params);
  // The editor draws the frame.
  params.Style &= ~(WS_BORDER | WS_DLGFRAME | WS_THICKFRAME);
  params.ExStyle &= ~WS_EX_CLIENTEDGE;
}

void TvxCustomInnerTextEdit::CreateWnd() {
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

void TvxCustomInnerTextEdit::KeyDown(WORD& key, TShiftState shift) {
  FKeySwallowed = false;
  if (!EditorFirst([&] { FEdit->KeyDown(key, shift); })) {
    key = 0;
    return;
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
  if (key == 0)
    FKeySwallowed = true;
  else
    TCustomEdit::KeyPress(key);
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
  TvxObjectLinkHolder link(FEdit);
  const LRESULT result = TCustomEdit::WndProc(m);
  if (link.Object() == nullptr || !EditUsable()) return result;
  IvxInnerTextEditHost* host = Host();
  if (FImeCharCount > 0 && --FImeCharCount == 0 && host->RestoresSelectionAfterImeChar())
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
  return TCustomEdit::WndProc(m);
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
  // A lead byte does not wait across a change of the focus.
  if (m.Msg == WM_KILLFOCUS) FLeadByte = 0;
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

LRESULT TvxCustomInnerTextEdit::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_KEYDOWN: return WMKeyDown(m);
    case WM_CHAR: return WMChar(m);
    case WM_IME_CHAR: return WMImeChar(m);
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
