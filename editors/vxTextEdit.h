// The text editors: the inner text edit every text editor frames (and, beside it, the text
// editor itself and its properties).
//
// The inner text edit (TvxCustomInnerTextEdit) is the real single-line EDIT window inside a text
// editor. The editor frames it, paints around it and decides for it: keys and characters go to
// the editor's handlers first, cut, paste and clear ask the editor, focus and mouse events reach
// the editor. Its settings reach the editor through a companion object (TvxCustomInnerTextEdit-
// Helper) that implements the inner-edit interfaces; the editor finds the companion through
// IvxInnerEditHelper. What only a text editor knows (its popup, its lookup, the clipboard
// rules, the popup-key flag, BeepOnEnter) the inner edit asks through IvxInnerTextEditHost,
// which the text editor implements; without it the inner edit behaves as a plain EDIT there.
//
// Double-byte characters. The logic around the inner edit counts bytes of code page 932 (the
// selection, the text state), while the system's ANSI EDIT may take every WM_CHAR byte alone
// (Wine's does: a lead byte shows as a stray character). So the inner edit holds a lead byte
// when it arrives and gives the EDIT the pair as one character when the trail byte follows;
// typed characters, those the input method sends and those the editors send themselves all
// pass through here. A lead byte followed by anything but a trail byte is dropped. WM_GETTEXT
// never hands out half a character.
//
// Ownership: the inner edit belongs to its editor (owner and parent) and owns its companion.
// GUI thread only.
#pragma once

#include "editors/vxEdit.h"
#include "platform/gui/StdCtrls.h"

#include <cstdint>
#include <functional>
#include <memory>

class TvxCustomInnerTextEdit;

enum TvxEditEchoMode : uint8_t { eemNormal, eemPassword };

// What a text editor asks of its inner text edit. Interface {263EBB8D-1EA9-4CAC-8367-ADD74D2A9651}.
// Positions and lengths are bytes.
class IvxInnerTextEdit : public IvxCustomInnerEdit {
public:
  virtual bool GetAutoSelect() = 0;
  virtual void SetAutoSelect(bool value) = 0;
  // Left when the editor's properties ask for left alignment while editing.
  virtual TAlignment GetAlignment() = 0;
  virtual void SetAlignment(TAlignment value) = 0;
  virtual TEditCharCase GetCharCase() = 0;
  virtual void SetCharCase(TEditCharCase value) = 0;
  virtual TvxEditEchoMode GetEchoMode() = 0;
  virtual void SetEchoMode(TvxEditEchoMode value) = 0;
  virtual bool GetHideSelection() = 0;
  virtual void SetHideSelection(bool value) = 0;
  virtual TImeMode GetImeMode() = 0;
  virtual void SetImeMode(TImeMode value) = 0;
  virtual AnsiString GetImeName() = 0;
  virtual void SetImeName(const AnsiString& value) = 0;
  // The lead byte of a double-byte character whose trail byte has not arrived yet (0: none).
  virtual char GetImeLastChar() = 0;
  // In characters, as the EDIT's limit counts.
  virtual int GetMaxLength() = 0;
  virtual void SetMaxLength(int value) = 0;
  virtual bool GetOEMConvert() = 0;
  virtual void SetOEMConvert(bool value) = 0;
  // 0: "*" in password mode.
  virtual char GetPasswordChar() = 0;
  virtual void SetPasswordChar(char value) = 0;
  // While an input-method character is composed, the selection read and written is the one
  // saved when composition began.
  virtual int GetSelStart() = 0;
  virtual void SetSelStart(int value) = 0;
  virtual int GetSelLength() = 0;
  virtual void SetSelLength(int value) = 0;
  virtual AnsiString GetSelText() = 0;
  virtual void SetSelText(const AnsiString& value) = 0;
  // The key-swallowed flag: the editor ate the last key or character.
  virtual bool GetInternalUpdating() = 0;
  virtual void SetInternalUpdating(bool value) = 0;
  // The byte position of the character the caret stands before.
  virtual int GetCaretPosition() = 0;
  virtual void SelectAll() = 0;

protected:
  ~IvxInnerTextEdit() = default;
};

// What the inner text edit asks of a text editor beyond the edit base. Each operation has the
// plain EDIT's behaviour as its default.
class IvxInnerTextEditHost {
public:
  // The editor's open popup takes the key (it is sent there as WM_KEYDOWN); true when the
  // popup consumed it.
  virtual bool SendKeyToPopup(WORD& key, TShiftState shift) { return false; }
  // Set by a drop-down editor when Enter or Escape reached it while its popup was open.
  virtual bool PopupKey() { return false; }
  virtual void SetPopupKey(bool value) {}
  // Enter goes on to the EDIT (which beeps) instead of being eaten.
  virtual bool BeepOnEnter() { return false; }
  // A character message has been handled.
  virtual void InnerEditCharHandled() {}
  // The selection saved when an input-method character began is put back once it is complete.
  virtual bool RestoresSelectionAfterImeChar() { return false; }
  // The clipboard operations of the text editor (WM_COPY, WM_CUT, WM_PASTE, WM_CLEAR of the
  // inner window). The defaults let the EDIT do them.
  virtual void CopyToClipboard(TvxCustomInnerTextEdit& inner);
  virtual void CutToClipboard(TvxCustomInnerTextEdit& inner);
  virtual void PasteFromClipboard(TvxCustomInnerTextEdit& inner);
  virtual void ClearSelection(TvxCustomInnerTextEdit& inner);

protected:
  ~IvxInnerTextEditHost() = default;
};

// The text and selection of an inner edit before a key, to tell whether the key changed them.
struct TvxTextEditState {
  bool Captured = false;
  AnsiString Text;
  int SelStart = 0;
  int SelLength = 0;
};
void vxSaveTextEditState(TCustomEdit& edit, TvxTextEditState& state);
// Changed when the window is gone, the selection moved or the text differs (letter case
// ignored).
bool vxTextEditStateChanged(TCustomEdit& edit, const TvxTextEditState& state);

// The companion of an inner text edit: the inner-edit interfaces over the inner edit.
class TvxCustomInnerTextEditHelper : public TvxInterfacedPersistent, public IvxInnerTextEdit {
public:
  explicit TvxCustomInnerTextEditHelper(TvxCustomInnerTextEdit* edit);
  const char* ClassName() const override { return "TvxCustomInnerTextEditHelper"; }
  TvxCustomInnerTextEdit* InnerEdit() const { return FEdit; }

  // IvxCustomInnerEdit
  TWinControl* GetControl() override;
  TvxCustomEdit* GetEdit() override;
  // The text; writing it sets the window text.
  Variant GetEditValue() override;
  void SetEditValue(const Variant& value) override;
  bool GetReadOnly() override;
  void SetReadOnly(bool value) override;
  void LockBounds(bool lock) override;
  void SafelySetFocus() override;
  LRESULT CallDefWndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  // IvxInnerTextEdit
  bool GetAutoSelect() override;
  void SetAutoSelect(bool value) override;
  TAlignment GetAlignment() override;
  void SetAlignment(TAlignment value) override;
  TEditCharCase GetCharCase() override;
  void SetCharCase(TEditCharCase value) override;
  TvxEditEchoMode GetEchoMode() override;
  void SetEchoMode(TvxEditEchoMode value) override;
  bool GetHideSelection() override;
  void SetHideSelection(bool value) override;
  TImeMode GetImeMode() override;
  void SetImeMode(TImeMode value) override;
  AnsiString GetImeName() override;
  void SetImeName(const AnsiString& value) override;
  char GetImeLastChar() override;
  int GetMaxLength() override;
  void SetMaxLength(int value) override;
  bool GetOEMConvert() override;
  void SetOEMConvert(bool value) override;
  char GetPasswordChar() override;
  void SetPasswordChar(char value) override;
  int GetSelStart() override;
  void SetSelStart(int value) override;
  int GetSelLength() override;
  void SetSelLength(int value) override;
  AnsiString GetSelText() override;
  void SetSelText(const AnsiString& value) override;
  bool GetInternalUpdating() override;
  void SetInternalUpdating(bool value) override;
  int GetCaretPosition() override;
  void SelectAll() override;

private:
  friend class TvxCustomInnerTextEdit;
  TvxCustomInnerTextEdit* FEdit;
  int FSavedSelStart = 0;
  int FSavedSelLength = 0;
};

// The EDIT window inside a text editor (see the header comment).
class TvxCustomInnerTextEdit : public TCustomEdit, public IvxInnerEditHelper {
public:
  explicit TvxCustomInnerTextEdit(TvxCustomEdit* edit);
  ~TvxCustomInnerTextEdit() override;
  const char* ClassName() const override { return "TvxCustomInnerTextEdit"; }
  static TvxInnerEditClass InnerEditClass();

  TvxCustomEdit* Edit() const { return FEdit; }
  TvxCustomInnerTextEditHelper* Helper() const { return FHelper.get(); }
  TvxEditEchoMode EchoMode() const { return FEchoMode; }
  void SetEchoMode(TvxEditEchoMode value);
  // Shown in password mode; 0 shows "*".
  char OwnPasswordChar() const { return FPasswordChar; }
  void SetOwnPasswordChar(char value);
  // Left when the editor's properties ask for left alignment while editing.
  void SetEditAlignment(TAlignment value);
  bool KeySwallowed() const { return FKeySwallowed; }
  void SetKeySwallowed(bool value) { FKeySwallowed = value; }
  // The lead byte held for its trail byte, else the input method's while two bytes are to
  // come, else 0.
  char PendingLeadByte() const;
  void LockBounds(bool lock);
  // The byte position of the character the caret stands before: a binary search over the
  // characters' positions (EM_POSFROMCHAR) for the caret's.
  int CaretPosition();
  // The EDIT's own procedure, past the editor and the platform.
  LRESULT CallDefWndProc(UINT msg, WPARAM wParam, LPARAM lParam);

  // IvxInnerEditHelper
  IvxCustomInnerEdit* GetHelper() override;

  void SetBounds(int left, int top, int width, int height) override;
  bool ExecuteAction(TBasicAction* action) override;
  bool UpdateAction(TBasicAction* action) override;
  void Click() override;
  LRESULT WndProc(TMessage& m) override;
  LRESULT DefaultHandler(TMessage& m) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void KeyUp(WORD& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void DblClick() override;

private:
  friend class TvxCustomInnerTextEditHelper;
  IvxInnerTextEditHost* Host() const;
  bool EditUsable() const;
  // The editor's handler of a key event runs first; false when the editor (and with it this
  // control) went meanwhile.
  bool EditorFirst(const std::function<void()>& handler);
  void ApplyPasswordChar();
  LRESULT WMKeyDown(TMessage& m);
  LRESULT WMChar(TMessage& m);
  LRESULT WMImeChar(TMessage& m);
  LRESULT WMClipboard(TMessage& m);
  LRESULT WMGetDlgCode(TMessage& m);
  LRESULT WMFocus(TMessage& m);
  LRESULT WMGetText(TMessage& m);
  // A character byte on its way to the EDIT: lead bytes wait for their trail byte.
  LRESULT CharToEdit(TMessage& m);

  TvxCustomEdit* FEdit;
  std::unique_ptr<TvxCustomInnerTextEditHelper> FHelper;
  TvxEditEchoMode FEchoMode = eemNormal;
  bool FKeySwallowed = false;
  bool FInitializing = false;
  int FBoundsLock = 0;
  TAlignment FEditAlignment = vxDefaultEditHorzAlignment;
  int FImeCharCount = 0;  // bytes of an input-method character still to come
  unsigned char FImeLeadByte = 0;
  unsigned char FLeadByte = 0;  // held for its trail byte
  char FPasswordChar = 0;
  TvxTextEditState FState;
};
