#include "platform/gui/Forms.h"

#include "platform/rtl/SysExceptions.h"

#include <commctrl.h>

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

// ---------------------------------------------------------------------------------------------
// TCustomForm

TCustomForm::TCustomForm(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks);
  SetVisible(false);
  SetColor(clBtnFace);
  SetParentFont(false);
  SetBounds(0, 0, 320, 240);
}

TCustomForm::~TCustomForm() {
  Destroying();
  if (Application != nullptr && Application->MainForm() == this) Application->SetMainForm(nullptr);
}

void TCustomForm::AfterConstruction() {
  if (FCreated) return;
  FCreated = true;
  if (OnCreate) OnCreate(this);
}

void TCustomForm::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  const bool child = Parent() != nullptr;
  if (!child) {
    params.Style &= ~(WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS);
    params.WndParent = ParentWindow();
  }
  params.Style |= WS_CLIPCHILDREN;
  switch (FBorderStyle) {
    case TBorderStyle::bsNone: params.Style |= WS_POPUP; break;
    case TBorderStyle::bsSingle: params.Style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_BORDER; break;
    case TBorderStyle::bsSizeable: params.Style |= WS_OVERLAPPEDWINDOW; break;
    case TBorderStyle::bsDialog:
      params.Style |= WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
      params.ExStyle |= WS_EX_DLGMODALFRAME;
      break;
    case TBorderStyle::bsToolWindow:
      params.Style |= WS_CAPTION | WS_SYSMENU;
      params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
    case TBorderStyle::bsSizeToolWin:
      params.Style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
      params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
  }
  if (child) {
    params.Style &= ~WS_POPUP;  // a child window cannot be a popup as well
  } else if (FFormStyle == TFormStyle::fsStayOnTop) {
    params.ExStyle |= WS_EX_TOPMOST;
  }
  params.WindowClass.style = CS_DBLCLKS;
  params.WindowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
}

void TCustomForm::CreateWnd() {
  TCustomControl::CreateWnd();
  // A window made again while the form is shown (a new border style, a parent cleared) shows
  // again; a child window shows through its WS_VISIBLE style.
  if (Parent() == nullptr && Visible()) ShowWindow(Handle(), SW_SHOWNORMAL);
}

void TCustomForm::SetParent(TWinControl* parent) {
  if (parent == Parent()) return;
  // Between a top-level and a child window the window style changes: the window is made anew.
  if (Parent() == nullptr) DestroyHandle();
  TCustomControl::SetParent(parent);
  if (Parent() == nullptr && Visible()) HandleNeeded();
}

void TCustomForm::SetBorderStyle(TBorderStyle style) {
  if (style == FBorderStyle) return;
  FBorderStyle = style;
  RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle style) {
  if (style == FFormStyle) return;
  FFormStyle = style;
  if (HandleAllocated())
    SetWindowPos(Handle(), style == TFormStyle::fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::SetVisible(bool visible) {
  if (visible == Visible()) return;
  if (Parent() != nullptr) {  // shown and hidden like any child control
    TCustomControl::SetVisible(visible);
    if (visible)
      DoShow();
    else
      DoHide();
    return;
  }
  if (visible) {
    if (FPosition == TPosition::poScreenCenter)
      SetBounds((GetSystemMetrics(SM_CXSCREEN) - Width()) / 2, (GetSystemMetrics(SM_CYSCREEN) - Height()) / 2,
                Width(), Height());
    HandleNeeded();
    TCustomControl::SetVisible(true);
    ShowWindow(Handle(), SW_SHOWNORMAL);
    if (FActiveControl == nullptr) FActiveControl = FindNextControl(nullptr, true, true, false);
    DoShow();
  } else {
    TCustomControl::SetVisible(false);
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
    DoHide();
  }
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::DoClose(TCloseAction& action) {
  if (OnClose) OnClose(this, action);
}

void TCustomForm::ControlRemoved(TWinControl* control) {
  if (FActiveControl != nullptr && control->ContainsControl(FActiveControl)) FActiveControl = nullptr;
  if (FFocusedControl != nullptr && control->ContainsControl(FFocusedControl))
    FFocusedControl = control->Parent() != nullptr ? control->Parent() : nullptr;
}

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (control == FActiveControl) return;
  if (control != nullptr &&
      (control == this || GetParentForm(control) != this || !(IsLoading() || control->CanFocus())))
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  FActiveControl = control;
  if (FActive && control != nullptr && !IsLoading()) SetWindowFocus();
}

void TCustomForm::SetWindowFocus() {
  HWND target = FActiveControl != nullptr ? FActiveControl->Handle() : Handle();
  ::SetFocus(target);
}

bool TCustomForm::CanFocus() { return Visible() && Enabled(); }

void TCustomForm::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  SetWindowFocus();
}

bool TCustomForm::SetFocusedControl(TWinControl* control) {
  if (control->ControlState() & csFocusing) return false;
  // While a container frees its children, Windows hands the focus of a destroyed window to
  // its parent, which may itself be on its way out: such a control must not be remembered.
  for (TControl* c = control; c != nullptr; c = c->Parent())
    if (c->IsDestroying()) return false;
  FActiveControl = control != this ? control : nullptr;
  control->SetControlState(control->ControlState() | csFocusing);
  struct ClearFocusing {
    TWinControl* c;
    ~ClearFocusing() { c->SetControlState(c->ControlState() & ~csFocusing); }
  } clear{control};
  if (FFocusedControl == nullptr) FFocusedControl = this;
  const unsigned change = ++FFocusChangeCount;
  if (FFocusedControl != control) {
    // Leave every control that does not contain the new one, innermost first. A control is
    // left while it still counts as focused: when its exit handler puts the focus back into it
    // (an editor refusing its value), the control is not entered anew, and this change, which
    // the handler's has replaced, goes no further.
    while (FFocusedControl != nullptr && !FFocusedControl->ContainsControl(control)) {
      TWinControl* leaving = FFocusedControl;
      leaving->Perform(CM_EXIT, 0, 0);
      if (change != FFocusChangeCount) return false;
      FFocusedControl = leaving->Parent();
    }
    // ...then enter each control on the way down to the new one, outermost first.
    while (FFocusedControl != nullptr && FFocusedControl != control) {
      TWinControl* entering = control;
      while (entering->Parent() != FFocusedControl) entering = entering->Parent();
      FFocusedControl = entering;
      entering->Perform(CM_ENTER, 0, 0);
    }
    if (FFocusedControl == nullptr) FFocusedControl = control;
  }
  Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(control));
  return true;
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::Close() {
  if (FInModal) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  const bool isMain = Application != nullptr && Application->MainForm() == this;
  TCloseAction action = isMain ? TCloseAction::caFree : TCloseAction::caHide;
  DoClose(action);
  if (action == TCloseAction::caNone) return;
  if (isMain) {
    Application->Terminate();
  } else if (action == TCloseAction::caHide) {
    Hide();
  } else if (action == TCloseAction::caMinimize) {
    if (HandleAllocated()) ShowWindow(Handle(), SW_MINIMIZE);
  } else {
    Release();
  }
}

namespace {

struct DisabledWindows {
  HWND except;
  std::vector<HWND> windows;
};

BOOL CALLBACK DisableThreadWindow(HWND window, LPARAM data) {
  auto* list = reinterpret_cast<DisabledWindows*>(data);
  if (window != list->except && IsWindowVisible(window) && IsWindowEnabled(window)) {
    try {
      list->windows.push_back(window);
    } catch (...) {
      return FALSE;  // out of memory: leave the rest enabled rather than throw through Win32
    }
    EnableWindow(window, FALSE);
  }
  return TRUE;
}

}  // namespace

TModalResult TCustomForm::ShowModal() {
  if (Visible() || !Enabled() || FInModal) throw EInvalidOperation("Cannot make a visible window modal");
  if (GetCapture() != nullptr) ReleaseCapture();
  DisabledWindows disabled{Handle(), {}};
  EnumThreadWindows(GetCurrentThreadId(), DisableThreadWindow, reinterpret_cast<LPARAM>(&disabled));
  struct Reenable {
    DisabledWindows& list;
    bool& inModal;
    ~Reenable() {
      for (HWND w : list.windows) EnableWindow(w, TRUE);
      inModal = false;
    }
  } reenable{disabled, FInModal};
  FInModal = true;
  FModalResult = mrNone;
  Show();
  while (true) {
    Application->HandleMessage();
    if (Application->Terminated()) FModalResult = mrCancel;
    if (FModalResult != mrNone) {
      TCloseAction action = TCloseAction::caNone;
      if (CloseQuery()) {
        action = TCloseAction::caHide;
        DoClose(action);
      }
      if (action == TCloseAction::caNone && !Application->Terminated()) {
        FModalResult = mrNone;
        continue;
      }
      break;
    }
  }
  const TModalResult result = FModalResult;
  Hide();
  return result;
}

void TCustomForm::Release() {
  if (HandleAllocated()) PostMessageA(Handle(), CM_RELEASE, 0, 0);
}

LRESULT TCustomForm::WMActivate(TMessage& m) {
  LRESULT result = DefaultHandler(m);
  FOtherActivationWindow = reinterpret_cast<HWND>(m.LParam);
  if (LOWORD(m.WParam) != WA_INACTIVE) {
    FActive = true;
    if (FActiveControl == nullptr) FActiveControl = FindNextControl(nullptr, true, true, false);
    if (HIWORD(m.WParam) == 0) SetWindowFocus();  // not when minimised
    Activate();
  } else {
    FActive = false;
    Deactivate();
  }
  return result;
}

LRESULT TCustomForm::CMDialogKey(TMessage& m) {
  if (GetKeyState(VK_MENU) >= 0) {
    switch (m.WParam) {
      case VK_TAB:
        if (GetKeyState(VK_CONTROL) >= 0) {
          SelectNext(FActiveControl, GetKeyState(VK_SHIFT) >= 0, true);
          return 1;
        }
        break;
      case VK_LEFT:
      case VK_RIGHT:
      case VK_UP:
      case VK_DOWN:
        if (FActiveControl != nullptr && FActiveControl->Parent() != nullptr) {
          FActiveControl->Parent()->SelectNext(FActiveControl, m.WParam == VK_RIGHT || m.WParam == VK_DOWN, false);
          return 1;
        }
        return 0;
    }
  }
  return TCustomControl::WndProc(m);
}

LRESULT TCustomForm::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_CLOSE: Close(); return 0;
    case WM_ACTIVATE: return WMActivate(m);
    case WM_SETFOCUS:
      // The form's own window got the focus (activation by the system): pass it on.
      if (FActiveControl != nullptr && FActiveControl->HandleAllocated() && FActiveControl->CanFocus()) {
        ::SetFocus(FActiveControl->Handle());
        return 0;
      }
      return DefaultHandler(m);
    case CM_DIALOGKEY: return CMDialogKey(m);
    case CM_RELEASE: delete this; return 0;
    case WM_SETTINGCHANGE: Mouse.SettingChanged(static_cast<UINT>(m.WParam)); break;
  }
  return TCustomControl::WndProc(m);
}

// ---------------------------------------------------------------------------------------------
// TScreen

TScreen::TScreen(TComponent* owner) : TComponent(owner) {}

TScreen::~TScreen() { Destroying(); }

HCURSOR TScreen::Cursors(TCursor id) const {
  auto it = FCursors.find(id);
  if (it != FCursors.end()) return it->second;
  LPCSTR system = IDC_ARROW;
  switch (id) {
    case crNone: return nullptr;
    case crCross: system = IDC_CROSS; break;
    case crIBeam: system = IDC_IBEAM; break;
    case crSizeNESW: system = IDC_SIZENESW; break;
    case crSizeNS:
    case crVSplit: system = IDC_SIZENS; break;
    case crSizeNWSE: system = IDC_SIZENWSE; break;
    case crSizeWE:
    case crHSplit: system = IDC_SIZEWE; break;
    case crUpArrow: system = IDC_UPARROW; break;
    case crHourGlass: system = IDC_WAIT; break;
    case crNoDrop:
    case crNo: system = IDC_NO; break;
    case crAppStart: system = IDC_APPSTARTING; break;
    case crHelp: system = IDC_HELP; break;
    case crHandPoint: system = IDC_HAND; break;
    case crSizeAll: system = IDC_SIZEALL; break;
    default: break;
  }
  return LoadCursorA(nullptr, system);
}

void TScreen::SetCursors(TCursor id, HCURSOR cursor) {
  if (cursor == nullptr)
    FCursors.erase(id);
  else
    FCursors[id] = cursor;
}

void TScreen::SetCursor(TCursor cursor) {
  if (cursor == FCursor) return;
  FCursor = cursor;
  ::SetCursor(Cursors(cursor == crDefault ? crArrow : cursor));
}

TCustomForm* TScreen::ActiveForm() const {
  return dynamic_cast<TCustomForm*>(TWinControl::FindControl(GetActiveWindow()));
}

// ---------------------------------------------------------------------------------------------
// TApplication

TApplication::TApplication(TComponent* owner) : TComponent(owner) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  FTitle = ChangeFileExt(ExtractFileName(path), "");
}

TApplication::~TApplication() {
  Destroying();
  DestroyComponents();
  FMainForm = nullptr;
}

void TApplication::Initialize() {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component == FMainForm) FMainForm = nullptr;
  TComponent::Notification(component, operation);
}

void TApplication::Run() {
  if (FMainForm == nullptr) return;
  if (ShowMainForm) FMainForm->Show();
  while (!FTerminated) {
    try {
      HandleMessage();
    } catch (...) {
      HandleException(this);
    }
  }
}

bool TApplication::IsKeyMsg(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  // A window of this program that holds the mouse capture (a control, or the hidden window of
  // a drag) gets the keys first.
  HWND target = GetCapture();
  if (target != nullptr) {
    if (reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(target, GWLP_HINSTANCE)) != GetModuleHandleA(nullptr))
      return false;
  } else {
    target = msg.hwnd;
    if (TWinControl::FindControl(target) == nullptr) return false;
  }
  // The control (or the form, for dialog keys) may take the key before the window sees it.
  return SendMessageA(target, CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

bool TApplication::ProcessMessage(MSG& msg) {
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  if (!IsKeyMsg(msg)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return true;
}

void TApplication::HandleMessage() {
  MSG msg{};
  if (!ProcessMessage(msg)) WaitMessage();
}

void TApplication::ProcessMessages() {
  MSG msg{};
  while (ProcessMessage(msg)) {
  }
}

void TApplication::Terminate() {
  PostQuitMessage(0);
}

void TApplication::HandleException(TObject* sender) {
  // Nothing may escape from here: callers are window procedures and callbacks.
  try {
    try {
      throw;
    } catch (const EAbort&) {
      // Silent by design.
    } catch (const std::exception& e) {
      if (OnException)
        OnException(sender, e);
      else
        ShowException(e);
    } catch (...) {
      Exception e("Unknown exception");
      if (OnException)
        OnException(sender, e);
      else
        ShowException(e);
    }
  } catch (...) {
  }
}

void TApplication::ShowException(const std::exception& e) {
  MessageBox(e.what(), FTitle, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const AnsiString& text, const AnsiString& caption, UINT flags) {
  HWND owner = nullptr;
  if (FMainForm != nullptr && FMainForm->HandleAllocated()) owner = FMainForm->Handle();
  return ::MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}

void TApplication::NoteMouseMove(TWinControl* control) {
  if (control == FMouseControl) return;
  TControl* old = FMouseControl;
  FMouseControl = control;
  if (old != nullptr) old->Perform(CM_MOUSELEAVE, 0, 0);
  if (FMouseControl == control) {
    control->Perform(CM_MOUSEENTER, 0, 0);
    // Win32 tells the window when the mouse leaves it, even towards a window not of ours.
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, control->Handle(), 0};
    TrackMouseEvent(&track);
  }
}

void TApplication::NoteMouseLeave(TWinControl* control) {
  if (control != FMouseControl) return;
  FMouseControl = nullptr;
  control->Perform(CM_MOUSELEAVE, 0, 0);
}

void TApplication::ControlDestroyed(TControl* control) {
  if (control == FMouseControl) FMouseControl = nullptr;
}

void InitializeForms() {
  if (Application != nullptr) return;
  Application = new TApplication(nullptr);
  Screen = new TScreen(nullptr);
}

void FinalizeForms() {
  // Forms first: their controls may still ask the screen for cursors while they go.
  delete Application;
  Application = nullptr;
  delete Screen;
  Screen = nullptr;
}
