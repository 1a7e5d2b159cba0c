// Forms, the screen and the application object of the class library.
//
// Start-up and shutdown: InitializeForms creates the process-wide Application and Screen
// objects; FinalizeForms frees them (the application frees the forms it owns first). The program
// entry calls them around its message loop.
//
// The application owns the forms created through CreateForm; the first becomes the main form,
// and closing it ends the message loop. A form given a parent becomes a child window of it
// (its border style still applies) and a top-level window again when the parent is cleared. HandleException is where every exception caught in a
// window procedure or callback ends up: it calls OnException when a test or program has set it,
// otherwise it shows the message in a message box (EAbort stays silent).
#pragma once

#include "platform/gui/Controls.h"

#include <exception>
#include <map>

enum class TFormStyle { fsNormal, fsStayOnTop };
enum class TPosition { poDesigned, poScreenCenter };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

// What a form is doing: fsModal while ShowModal runs (also while the form hides at its end).
using TFormState = unsigned;
constexpr TFormState fsModal = 0x08;

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrAbort = IDABORT, mrRetry = IDRETRY,
                       mrIgnore = IDIGNORE, mrYes = IDYES, mrNo = IDNO;

using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

class TCustomForm : public TCustomControl {
public:
  // A form without a resource file: descendants create their controls in their constructor.
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;
  const char* ClassName() const override { return "TCustomForm"; }

  // Fires OnCreate; CreateForm calls it once the most derived constructor has finished.
  virtual void AfterConstruction();

  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* control);
  // Called when a control of the form receives the focus: sends CM_EXIT to the controls the
  // focus leaves and CM_ENTER to those it enters. Answers false when the change was refused.
  bool SetFocusedControl(TWinControl* control);
  bool Active() const { return FActive; }
  // The innermost control the form last sent CM_ENTER to (the form itself when none).
  TWinControl* FocusedControl() const { return FFocusedControl; }
  // A control of the form (or one containing it) is going away: forget it.
  void ControlRemoved(TWinControl* control);

  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle style);
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle style);
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition position) { FPosition = position; }
  bool KeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool value) { FKeyPreview = value; }
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult value) { FModalResult = value; }
  TFormState FormState() const { return FInModal ? fsModal : 0; }
  void SetParent(TWinControl* parent) override;

  void Close();
  virtual bool CloseQuery();
  TModalResult ShowModal();
  void Release();  // frees the form once the current message is handled
  bool CanFocus() override;
  void SetFocus() override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

  LRESULT WndProc(TMessage& m) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void SetVisible(bool visible) override;
  virtual void Activate();
  virtual void Deactivate();
  // The window on the other side of the last activation change (WM_ACTIVATE's lParam), for
  // Activate and Deactivate: the one losing the activation, or the one taking it; may be none
  // or not ours.
  HWND OtherActivationWindow() const { return FOtherActivationWindow; }
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& action);
  LRESULT WMActivate(TMessage& m);
  LRESULT CMDialogKey(TMessage& m);

private:
  void SetWindowFocus();
  TWinControl* FActiveControl = nullptr;
  TWinControl* FFocusedControl = nullptr;
  unsigned FFocusChangeCount = 0;  // counts the focus changes, to tell a nested one
  bool FActive = false;
  bool FCreated = false;
  TBorderStyle FBorderStyle = TBorderStyle::bsSizeable;
  TFormStyle FFormStyle = TFormStyle::fsNormal;
  TPosition FPosition = TPosition::poDesigned;
  bool FKeyPreview = false;
  TModalResult FModalResult = mrNone;
  bool FInModal = false;
  HWND FOtherActivationWindow = nullptr;
};

class TForm : public TCustomForm {
public:
  explicit TForm(TComponent* owner) : TCustomForm(owner) {}
  const char* ClassName() const override { return "TForm"; }
};

class TScreen : public TComponent {
public:
  explicit TScreen(TComponent* owner);
  ~TScreen() override;
  const char* ClassName() const override { return "TScreen"; }

  // A registered cursor, or the system's for the library's negative ids; crDefault for unknown.
  HCURSOR Cursors(TCursor id) const;
  // Registers a cursor under a program's id. Cursors loaded from resources are shared by the
  // system, so the screen never destroys them.
  void SetCursors(TCursor id, HCURSOR cursor);
  // A cursor shown over every window while it is not crDefault.
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor cursor);
  int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
  int Height() const { return GetSystemMetrics(SM_CYSCREEN); }
  TCustomForm* ActiveForm() const;

private:
  std::map<TCursor, HCURSOR> FCursors;
  TCursor FCursor = crDefault;
};

using TExceptionEvent = std::function<void(TObject* sender, const std::exception& e)>;

class TApplication : public TComponent {
public:
  explicit TApplication(TComponent* owner);
  ~TApplication() override;
  const char* ClassName() const override { return "TApplication"; }

  void Initialize();
  template <class TFormClass>
  TFormClass* CreateForm() {
    auto* form = new TFormClass(this);
    if (FMainForm == nullptr) FMainForm = form;
    form->AfterConstruction();
    return form;
  }
  TCustomForm* MainForm() const { return FMainForm; }
  void SetMainForm(TCustomForm* form) { FMainForm = form; }

  // Shows the main form and handles messages until Terminate or the main form closes.
  void Run();
  // Waits for one message and handles it, or handles the idle step when none is waiting.
  void HandleMessage();
  // Handles every waiting message, then returns.
  void ProcessMessages();
  void Terminate();
  bool Terminated() const { return FTerminated; }
  // Allows a new Run after Terminate (tests run several windows in one process).
  void ResetTerminated() { FTerminated = false; }

  // Call only inside a catch block: routes the current exception.
  void HandleException(TObject* sender);
  void ShowException(const std::exception& e);
  TExceptionEvent OnException;

  int MessageBox(const AnsiString& text, const AnsiString& caption, UINT flags);
  AnsiString Title() const { return FTitle; }
  void SetTitle(const AnsiString& title) { FTitle = title; }
  bool ShowMainForm = true;

  // Mouse enter/leave bookkeeping, fed by the windows' mouse messages.
  void NoteMouseMove(TWinControl* control);
  void NoteMouseLeave(TWinControl* control);
  TControl* MouseControl() const { return FMouseControl; }
  // Forgets a control that is being destroyed.
  void ControlDestroyed(TControl* control);

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  bool ProcessMessage(MSG& msg);
  bool IsKeyMsg(MSG& msg);
  TCustomForm* FMainForm = nullptr;
  bool FTerminated = false;
  AnsiString FTitle;
  TControl* FMouseControl = nullptr;
};

extern TApplication* Application;
extern TScreen* Screen;

void InitializeForms();
void FinalizeForms();
