// Standard controls of the class library over the system's window classes: label, edit,
// button, check box, and a group box that draws its own frame.
//
// Each is a windowed control whose default handler is the system control's procedure; the
// parent reflects WM_COMMAND and WM_CTLCOLOR* to it as CN_COMMAND and CN_CTLCOLOR*.
#pragma once

#include "platform/gui/Controls.h"

// Static text. Sizes itself to its text while AutoSize is on.
class TLabel : public TWinControl {
public:
  explicit TLabel(TComponent* owner);
  const char* ClassName() const override { return "TLabel"; }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  LRESULT WndProc(TMessage& m) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void AdjustBounds();

private:
  bool FAutoSize = true;
};

enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

class TCustomEdit : public TWinControl {
public:
  explicit TCustomEdit(TComponent* owner);
  const char* ClassName() const override { return "TCustomEdit"; }

  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  char PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char value);
  TEditCharCase CharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase value);
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool value);
  bool AutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool value) { FAutoSelect = value; }
  bool Modified();
  void SetModified(bool value);

  int SelStart();
  void SetSelStart(int value);
  int SelLength();
  void SetSelLength(int value);
  AnsiString SelText();
  void SetSelText(const AnsiString& text);
  void SelectAll();
  void ClearSelection();

  TNotifyEvent OnChange;
  LRESULT WndProc(TMessage& m) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  virtual void Change();
  virtual void DoEnter() override;

private:
  int FMaxLength = 0;
  bool FReadOnly = false;
  char FPasswordChar = 0;
  TEditCharCase FCharCase = TEditCharCase::ecNormal;
  bool FHideSelection = true;
  bool FAutoSelect = true;
  bool FCreating = false;
};

class TEdit : public TCustomEdit {
public:
  explicit TEdit(TComponent* owner) : TCustomEdit(owner) {}
  const char* ClassName() const override { return "TEdit"; }
};

class TButton : public TWinControl {
public:
  explicit TButton(TComponent* owner);
  const char* ClassName() const override { return "TButton"; }
  // A non-zero result closes a modal form with it when the button is clicked.
  int ModalResult = 0;
  void Click() override;
  LRESULT WndProc(TMessage& m) override;

protected:
  void CreateParams(TCreateParams& params) override;
};

enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCheckBox : public TWinControl {
public:
  explicit TCheckBox(TComponent* owner);
  const char* ClassName() const override { return "TCheckBox"; }
  bool Checked() { return State() == TCheckBoxState::cbChecked; }
  void SetChecked(bool value) { SetState(value ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked); }
  TCheckBoxState State();
  void SetState(TCheckBoxState state);
  LRESULT WndProc(TMessage& m) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

private:
  TCheckBoxState FState = TCheckBoxState::cbUnchecked;
};

// A frame with a caption that holds other controls.
class TGroupBox : public TCustomControl {
public:
  explicit TGroupBox(TComponent* owner);
  const char* ClassName() const override { return "TGroupBox"; }
  LRESULT WndProc(TMessage& m) override;

protected:
  void AdjustClientRect(RECT& rect) override;
  void Paint() override;
};
