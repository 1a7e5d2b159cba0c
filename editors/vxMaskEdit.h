// The mask edit: a text edit whose editing keys go through an input mask.
//
// A mask mode carries out what each editing key does to the text under the mask. There are
// three: the standard mode (a fixed-position mask, TvxStandardMask), the regular-expression
// mode (a mask automaton, TvxRegExpr) and the extended mode (the same automaton typing forced
// literal characters by itself). The edit routes its key handling to its mode; the mode reads
// and sets the edit's text and selection and sends keys and characters to the inner edit
// through IvxMaskModeEdit, which the mask edit implements. A key operation answers false when
// the key is to be swallowed.
//
// Double-byte characters. The modes count bytes of code page 932, as the inner edit's logic
// does. A typed double-byte character reaches a mode as its lead byte and then its trail byte;
// a mode holds the lead byte (swallowing it) and handles the character as one when the trail
// byte arrives, sending both bytes to the inner edit, whose double-byte join gives the EDIT
// the pair as one character. So a mask never sees half a character, and the literals the
// extended mode completes follow the whole character.
//
// The regular-expression modes keep the text left of the caret (the head, stepped through the
// automaton) and the text right of it (the tail). A change they did not make themselves (a
// cut, text from code, a click) makes them read the text anew at the next key. Text the
// automaton refuses (pasted or set by code) stays until validation: rebuilding the head stops
// at the first refused byte, and while the caret stands past it the modes let deletions and
// moves through but refuse typed characters. The extended mode completes forced literals
// itself, where it decides (the automaton's own completion stays off), so that what the
// automaton consumed and the head never differ.
//
// Ownership: an edit owns its mode; properties own the mode they check masks with (created
// without an edit). GUI thread only.
#pragma once

#include "editors/vxEdit.h"
#include "editors/vxRegExpr.h"
#include "editors/vxStandardMask.h"
#include "editors/vxTextEdit.h"
#include "platform/gui/StdCtrls.h"

#include <cstdint>
#include <memory>

enum TvxEditMaskKind : uint8_t { emkStandard, emkRegExpr, emkRegExprEx };

// A mask that cannot be used (a regular expression that does not compile).
class EvxMaskEditError : public EvxEditError {
public:
  using EvxEditError::EvxEditError;
  const char* ClassName() const override { return "EvxMaskEditError"; }
};

// True when AMask holds a character other than the space characters (blank, #0, TAB, LF, FF,
// CR): only then is a mask set.
bool vxIsMaskSet(const AnsiString& AMask);

class TvxCustomMaskEditProperties;
class TvxCustomMaskEdit;

// What a mask mode works on: the mask edit's text, selection and inner edit. Positions and
// lengths are bytes.
class IvxMaskModeEdit {
public:
  // The text shown in the inner edit.
  virtual AnsiString MaskText() = 0;
  // Replaces the shown text as the user's change (modified, change events).
  virtual void SetMaskText(const AnsiString& AText) = 0;
  virtual int MaskSelStart() = 0;
  virtual void SetMaskSelStart(int AValue) = 0;
  virtual int MaskSelLength() = 0;
  virtual void SetMaskSelLength(int AValue) = 0;
  // Where the caret (the moving end of the selection) stands.
  virtual int MaskCaretPosition() = 0;
  virtual bool MaskFocused() = 0;
  virtual bool MaskDesigning() = 0;
  // Shift was down at the last key.
  virtual bool MaskShiftDown() = 0;
  // The properties the mode reads (the edit's active ones).
  virtual TvxCustomMaskEditProperties* MaskProperties() = 0;
  // A key (down and up) and a character sent to the inner edit; the edit's own handling does
  // not see them.
  virtual void SendMaskKey(WORD AKey) = 0;
  virtual void SendMaskChar(char AChar) = 0;
  // A refused key: beeps when the properties ask for it.
  virtual void MaskBeep() = 0;
  // Whether a character the mask accepts may be typed at a 1-based position; may change it
  // (0: accepted but nothing typed).
  virtual bool IsMaskCharValid(char& AChar, int APosition) = 0;
  // Shows the edit's value anew through the properties' display preparation.
  virtual void UpdateMaskDisplay() = 0;
  // The edit's value becomes AText.
  virtual void SetMaskEditValue(const AnsiString& AText) = 0;

protected:
  ~IvxMaskModeEdit() = default;
};

// --- Mask modes ------------------------------------------------------------------------------

class TvxMaskEditCustomMode {
public:
  // AEdit is absent for a mode that only checks masks for AProperties.
  TvxMaskEditCustomMode(IvxMaskModeEdit* AEdit, TvxCustomMaskEditProperties* AProperties);
  virtual ~TvxMaskEditCustomMode() = default;
  TvxMaskEditCustomMode(const TvxMaskEditCustomMode&) = delete;
  TvxMaskEditCustomMode& operator=(const TvxMaskEditCustomMode&) = delete;

  virtual TvxEditMaskKind Kind() const = 0;
  virtual bool IsRegExprMode() const = 0;
  virtual void AfterPaste() = 0;
  // Raises EvxMaskEditError for a regular expression that does not compile.
  virtual void SetMask(const AnsiString& AMask);
  virtual AnsiString GetEmptyString() = 0;
  virtual AnsiString GetFormattedText(const AnsiString& AText) = 0;
  virtual void GotoEnd() = 0;
  virtual bool IsCursorBegin() = 0;
  virtual bool IsCursorEnd() = 0;
  virtual bool IsFullValidText(const AnsiString& AText) = 0;
  virtual void SyncSelection() = 0;
  virtual void BeforePaste() = 0;
  virtual bool PressBackspace() = 0;
  virtual bool PressDelete() = 0;
  virtual bool PressEnd() = 0;
  virtual bool PressHome() = 0;
  virtual bool PressLeft() = 0;
  virtual bool PressRight() = 0;
  virtual bool PressSymbol(char& AChar) = 0;
  virtual void SetText(const AnsiString& AText) = 0;
  virtual void UpdateEditValue() = 0;
  virtual void ResetEmptyValue() = 0;
  virtual AnsiString GetUpdatedText(const AnsiString& AText) = 0;
  // The edit's text was changed by something else than the mode (code, cut, clear).
  virtual void TextChanged() {}
  // Follows the properties' CaseInsensitive (the regular-expression modes' automaton).
  virtual void SetCaseInsensitive(bool AValue) {}

  const AnsiString& Mask() const { return FMask; }
  bool IsMasked() const { return vxIsMaskSet(FMask); }
  IvxMaskModeEdit* Edit() const { return FEdit; }
  TvxCustomMaskEditProperties* Properties() const;
  // The edit's character case; the standard mode keeps typed characters as they are when it
  // is forced.
  TEditCharCase CharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase AValue) { FCharCase = AValue; }
  // The length of a text about to be pasted or inserted.
  void SetInsertedLength(int AValue) { FInsertedLength = AValue; }
  // The text about to be pasted or inserted (its length as well).
  void SetInsertedText(const AnsiString& AText) {
    FInsertedText = AText;
    FInsertedLength = static_cast<int>(AText.size());
  }

protected:
  void Beep();
  // A typed byte as a whole character in AChars; false (the byte swallowed) while a lead byte
  // waits for its trail byte. A lead byte followed by anything else is dropped.
  bool WholeCharacter(char AChar, AnsiString& AChars);
  bool NeedsEmptyValue() const { return FEdit == nullptr || FEdit->MaskDesigning(); }

  IvxMaskModeEdit* FEdit;
  TvxCustomMaskEditProperties* FProperties;
  AnsiString FMask;
  bool FNeedSetEmptyValue = false;
  TEditCharCase FCharCase = TEditCharCase::ecNormal;
  int FInsertedLength = 0;
  AnsiString FInsertedText;
  // The lead byte of a typed double-byte character, waiting for its trail byte.
  char FPendingLead = 0;
};

// A fixed-position mask: the text always shows every position; typing overwrites, deleting
// leaves the blank character, and the caret is a one-character block while focused.
class TvxMaskEditStandardMode : public TvxMaskEditCustomMode {
public:
  TvxMaskEditStandardMode(IvxMaskModeEdit* AEdit, TvxCustomMaskEditProperties* AProperties);

  TvxEditMaskKind Kind() const override { return emkStandard; }
  bool IsRegExprMode() const override { return false; }
  void AfterPaste() override;
  void SetMask(const AnsiString& AMask) override;
  AnsiString GetEmptyString() override;
  AnsiString GetFormattedText(const AnsiString& AText) override;
  void GotoEnd() override {}
  bool IsCursorBegin() override;
  bool IsCursorEnd() override;
  bool IsFullValidText(const AnsiString& AText) override;
  void SyncSelection() override;
  void BeforePaste() override;
  bool PressBackspace() override;
  bool PressDelete() override;
  bool PressEnd() override;
  bool PressHome() override;
  bool PressLeft() override;
  bool PressRight() override;
  bool PressSymbol(char& AChar) override;
  void SetText(const AnsiString& AText) override { SyncSelection(); }
  void UpdateEditValue() override;
  void ResetEmptyValue() override;
  AnsiString GetUpdatedText(const AnsiString& AText) override;
  char GetBlank() const { return FStandardMask.Blank(); }
  TvxStandardMask& StandardMask() { return FStandardMask; }

private:
  bool IsLiteral(int APos) const;
  // The first input position at or after APos (the item count when none).
  int NextInput(int APos) const;
  // The last input position before APos (-1 when none).
  int PrevInput(int APos) const;
  // The byte length of the character at APos (1 past the end).
  static int CharLength(const AnsiString& AText, int APos);
  // Blanks the input positions of [AStart, AStart + ALength) in AText, widened to whole
  // characters.
  void BlankRange(AnsiString& AText, int AStart, int ALength) const;
  void SetCaret(int APos);
  // Writes AChars (one character: one or two bytes) at the input position APos of AText; false
  // when the mask or the edit's hook refuses them there.
  bool PutChars(AnsiString& AText, int APos, AnsiString AChars);
  // Types AChars (one character: one or two bytes) at the caret.
  bool TypeChars(const AnsiString& AChars);

  TvxStandardMask FStandardMask;
  int FSavedCaret = 0;
  int FSavedSelLength = 0;  // the selection a paste replaces
  AnsiString FSavedText;    // the text before a paste
};

// A regular-expression mask: the head (the text left of the caret) has been stepped through
// the automaton, the tail (right of the caret) must still fit after it.
class TvxMaskEditRegExprMode : public TvxMaskEditCustomMode {
public:
  TvxMaskEditRegExprMode(IvxMaskModeEdit* AEdit, TvxCustomMaskEditProperties* AProperties);

  TvxEditMaskKind Kind() const override { return emkRegExpr; }
  bool IsRegExprMode() const override { return true; }
  void AfterPaste() override { FRebuild = true; }
  void SetMask(const AnsiString& AMask) override;
  AnsiString GetEmptyString() override { return AnsiString(); }
  AnsiString GetFormattedText(const AnsiString& AText) override;
  void GotoEnd() override;
  bool IsCursorBegin() override;
  bool IsCursorEnd() override;
  bool IsFullValidText(const AnsiString& AText) override;
  void SyncSelection() override { FRebuild = true; }
  void BeforePaste() override {}
  bool PressBackspace() override;
  bool PressDelete() override;
  bool PressEnd() override;
  bool PressHome() override;
  bool PressLeft() override;
  bool PressRight() override;
  bool PressSymbol(char& AChar) override;
  void SetText(const AnsiString& AText) override;
  void UpdateEditValue() override;
  void ResetEmptyValue() override {}
  AnsiString GetUpdatedText(const AnsiString& AText) override { return AText; }
  void TextChanged() override { FRebuild = true; }
  void SetCaseInsensitive(bool AValue) override;

  TvxRegExpr& RegExpr() { return *FRegExpr; }
  const AnsiString& Head() const { return FHead; }
  const AnsiString& Tail() const { return FTail; }

protected:
  // Brings head and tail in line with the edit before a key.
  void Sync();
  // Head and tail anew from AText with the caret at ACaret; the head stops at the first byte
  // the automaton refuses.
  void Rebuild(const AnsiString& AText, int ACaret);
  // The caret stands at the head's end (no refused text before it).
  bool InSync() const { return FInSync; }
  // The tail can follow the current state; the automaton ends where it began.
  bool TailCheck();
  // What Backspace and Delete share: true when it answered the key (AGoesOn) itself, because
  // refused text stands before the caret or a selection was deleted.
  bool DeleteKeyHandled(WORD AKey, bool& AGoesOn);
  // Cuts the selection out of head or tail (remembered for RestoreSelection).
  void DeleteSelection();
  void RestoreSelection();
  // The edit loses the tail at the caret; the caret goes to the end unless kept.
  void DropRest(bool AKeepCaret = false);
  // Steps the automaton over AChars; all or nothing. AAccepted gets them in the pattern's case.
  bool StepChars(const AnsiString& AChars, AnsiString& AAccepted);
  // Takes back ACount steps.
  void StepBack(int ACount);
  // Characters completed after the typed ones (the extended mode's forced literals).
  virtual AnsiString TakeCompletion() { return AnsiString(); }
  // Characters completed at the start before a character replaces a selection there.
  virtual AnsiString CompleteAtStart() { return AnsiString(); }
  // AChars (one character) typed at the caret; false swallows the key.
  bool TypeChars(const AnsiString& AChars);
  // The byte at APos is the second byte of a double-byte character (found looking back).
  static bool IsTrailAt(const AnsiString& AText, size_t APos);
  // The byte length of the last character of AText.
  static int LastCharLength(const AnsiString& AText);
  // The byte length of the first character of AText.
  static int FirstCharLength(const AnsiString& AText);
  std::unique_ptr<TvxRegExpr> NewCompiledRegExpr() const;

  std::unique_ptr<TvxRegExpr> FRegExpr;
  AnsiString FHead;
  AnsiString FTail;
  AnsiString FCut;
  bool FCutFromHead = false;
  int FCutHeadLength = 0;  // how much of the cut came from the head
  bool FRebuild = false;
  bool FInSync = true;
  // The tail fitted after the head when last checked; a tail that did not (refused text) is
  // left alone.
  bool FTailValid = true;
  // What passing tail checks saw: for each count of tail bytes still to come, the states the
  // automaton stood in before them. The tail changes only at its front between rebuilds, so a
  // later check that reaches the same states with as many bytes to come knows the rest fits
  // and stops: typing in a long text does not step through all of it.
  std::vector<std::vector<const TvxRegExprState*>> FTailMemo;
  // Forgets what no longer stands in the tail (after its front lost bytes).
  void TrimTailMemo();
};

// The regular-expression mask with forced literals typed automatically.
class TvxMaskEditRegExprExMode : public TvxMaskEditRegExprMode {
public:
  TvxMaskEditRegExprExMode(IvxMaskModeEdit* AEdit, TvxCustomMaskEditProperties* AProperties);

  TvxEditMaskKind Kind() const override { return emkRegExprEx; }
  void AfterPaste() override;
  void SetMask(const AnsiString& AMask) override;
  AnsiString GetEmptyString() override;
  AnsiString GetFormattedText(const AnsiString& AText) override;
  bool IsFullValidText(const AnsiString& AText) override;
  void BeforePaste() override;
  bool PressBackspace() override;
  void ResetEmptyValue() override;

protected:
  AnsiString TakeCompletion() override;
  AnsiString CompleteAtStart() override;

private:
  // Types the forced literals that follow the current state into the completion buffer.
  void Complete();

  AnsiString FCompletion;
  int FDeletedCount = 0;
  int FCaretToRestore = -1;
  AnsiString FLeadingLiterals;
};

std::unique_ptr<TvxMaskEditCustomMode> vxCreateMaskEditMode(TvxEditMaskKind AKind, IvxMaskModeEdit* AEdit,
                                                            TvxCustomMaskEditProperties* AProperties);

// --- Mask edit properties ------------------------------------------------------------------

// The settings of a mask edit: the text edit's, and the mask. A change of the mask is tried on
// a mode of its own first, so that a regular expression that does not compile raises and
// leaves the mask as it was.
class TvxCustomMaskEditProperties : public TvxCustomTextEditProperties {
public:
  explicit TvxCustomMaskEditProperties(TPersistent* owner);
  ~TvxCustomMaskEditProperties() override;
  const char* ClassName() const override { return "TvxCustomMaskEditProperties"; }
  static TvxCustomEditPropertiesClass PropertiesClass();
  TvxCustomEditPropertiesClass ClassType() const override { return PropertiesClass(); }
  void Assign(const TPersistent* source) override;

  // Blanks and literals shown in an unfocused standard-masked edit.
  bool AlwaysShowBlanksAndLiterals() const { return FAlwaysShowBlanksAndLiterals; }
  void SetAlwaysShowBlanksAndLiterals(bool AValue) { WriteOption(FAlwaysShowBlanksAndLiterals, AValue); }
  // Always on while CharCase is upper or lower case.
  bool CaseInsensitive() const { return FCaseInsensitive || CharCase() != TEditCharCase::ecNormal; }
  void SetCaseInsensitive(bool AValue);
  // Upper or lower case switches CaseInsensitive on.
  void SetCharCase(TEditCharCase AValue);
  // The stored mask; a standard mask that is not set falls back on the default-values
  // provider's.
  AnsiString EditMask() const;
  // Raises EvxMaskEditError for a regular expression that does not compile.
  void SetEditMask(const AnsiString& AValue);
  // A blank standard value and a partly typed regular-expression value pass validation.
  bool IgnoreMaskBlank() const { return FIgnoreMaskBlank; }
  void SetIgnoreMaskBlank(bool AValue) { WriteOption(FIgnoreMaskBlank, AValue); }
  TvxEditMaskKind MaskKind() const { return FMaskKind; }
  void SetMaskKind(TvxEditMaskKind AValue);
  // 0 while a mask is set.
  int MaxLength() const { return IsMasked() ? 0 : TvxCustomTextEditProperties::MaxLength(); }
  void SetMaxLength(int AValue);
  bool IsMasked() const { return vxIsMaskSet(EditMask()); }
  // The value of an empty input under the mask, as the edit's mode last gave it.
  const AnsiString& EmptyString() const { return FEmptyString; }
  void SetEmptyString(const AnsiString& AValue) { FEmptyString = AValue; }

  TvxCustomEditClass GetContainerClass() const override;
  // The mask settings and the text edit's, without its formats and range.
  bool IsPublishedProperty(const AnsiString& name) const override;

  // A mode for MaskKind, working on AEdit (none: for checking masks).
  virtual std::unique_ptr<TvxMaskEditCustomMode> CreateMode(IvxMaskModeEdit* AEdit);
  // The properties' own mode for the current kind and mask (made anew when they changed).
  TvxMaskEditCustomMode* Mode();

  // With a mask the mode formats the value (see the unit's header).
  void PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool focused) override;
  // With a mask the text must be complete: "The edit value is invalid".
  void ValidateDisplayValue(Variant& displayValue, AnsiString& errorText, bool& error, TvxCustomEdit* edit) override;

private:
  bool FAlwaysShowBlanksAndLiterals = false;
  bool FCaseInsensitive = true;
  AnsiString FEditMask;
  bool FIgnoreMaskBlank = false;
  TvxEditMaskKind FMaskKind = emkStandard;
  std::unique_ptr<TvxMaskEditCustomMode> FMode;
  AnsiString FEmptyString;
};

class TvxMaskEditProperties : public TvxCustomMaskEditProperties {
public:
  using TvxCustomMaskEditProperties::TvxCustomMaskEditProperties;
  const char* ClassName() const override { return "TvxMaskEditProperties"; }
  static TvxCustomEditPropertiesClass PropertiesClass();
  TvxCustomEditPropertiesClass ClassType() const override { return PropertiesClass(); }
};

// --- Mask edit ---------------------------------------------------------------------------------

// A text edit with an optional input mask (see the unit's header). Without a mask it behaves
// exactly as the text edit.
class TvxCustomMaskEdit : public TvxCustomTextEdit, public IvxMaskModeEdit {
public:
  explicit TvxCustomMaskEdit(TComponent* owner, bool inplace = false);
  ~TvxCustomMaskEdit() override;
  const char* ClassName() const override { return "TvxCustomMaskEdit"; }

  TvxCustomMaskEditProperties* ActiveProperties() {
    return static_cast<TvxCustomMaskEditProperties*>(TvxCustomEdit::ActiveProperties());
  }
  TvxCustomMaskEditProperties* Properties() const {
    return static_cast<TvxCustomMaskEditProperties*>(TvxCustomEdit::Properties());
  }
  TvxMaskEditCustomMode* Mode() const { return FMode.get(); }
  bool IsMasked();

  void SetSelStart(int value) override;
  void SetSelLength(int value) override;
  void SetSelText(const AnsiString& value) override;
  void SelectAll() override;
  void SynchronizeDisplayValue() override;
  void SetDisplayValue(const Variant& value) override;
  void DisplayValueToEditValue(const Variant& displayValue, Variant& editValue, bool focused) override;
  void PasteFromClipboard(TvxCustomInnerTextEdit& inner) override;
  // A standard mask keeps every position: a cut or a clear blanks what it takes, as Delete does.
  void CutToClipboard(TvxCustomInnerTextEdit& inner) override;
  void ClearSelection(TvxCustomInnerTextEdit& inner) override;

  // IvxMaskModeEdit
  AnsiString MaskText() override;
  void SetMaskText(const AnsiString& AText) override;
  int MaskSelStart() override;
  void SetMaskSelStart(int AValue) override;
  int MaskSelLength() override;
  void SetMaskSelLength(int AValue) override;
  int MaskCaretPosition() override;
  bool MaskFocused() override;
  bool MaskDesigning() override;
  bool MaskShiftDown() override { return FShiftDown; }
  TvxCustomMaskEditProperties* MaskProperties() override { return ActiveProperties(); }
  void SendMaskKey(WORD AKey) override;
  void SendMaskChar(char AChar) override;
  void MaskBeep() override;
  bool IsMaskCharValid(char& AChar, int APosition) override { return IsCharValidForPos(AChar, APosition); }
  void UpdateMaskDisplay() override;
  void SetMaskEditValue(const AnsiString& AText) override;

protected:
  TvxCustomMaskEdit(TComponent* owner, bool inplace, const TvxEditClasses& classes);

  // Whether a character the mask accepts may be typed at a 1-based position (all here).
  virtual bool IsCharValidForPos(char& AChar, int APosition) { return true; }

  void PropertiesChanged(TObject* sender) override;
  // A change the mode did not make (or expect from a key it let go on) makes it read the text
  // anew.
  void ChangeHandler() override;
  void DoEditKeyDown(WORD& key, TShiftState shift) override;
  void DoEditKeyPress(char& key) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void KeyUp(WORD& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void DoEnter() override;

private:
  void InitializeMaskEdit();
  // The mode for the active properties' kind and mask; answers whether it changed.
  bool UpdateMode();
  // Sends a message to the inner edit with the sending flag set.
  void SendToInner(UINT AMsg, WPARAM AWParam);
  bool IsStandardMasked() { return IsMasked() && !FMode->IsRegExprMode(); }
  // The selection may go (the editing permission); a refusal changes nothing.
  bool CanBlankSelection();
  // The input positions of the selection blanked by the standard mode.
  void BlankSelection();

  std::unique_ptr<TvxMaskEditCustomMode> FMode;
  bool FSending = false;
  bool FShiftDown = false;
  bool FModeBusy = false;      // a mode operation runs
  bool FExpectChange = false;  // a key the mode let go on is about to change the text
};

class TvxMaskEdit : public TvxCustomMaskEdit {
public:
  explicit TvxMaskEdit(TComponent* owner, bool inplace = false);
  const char* ClassName() const override { return "TvxMaskEdit"; }
  TvxMaskEditProperties* Properties() const { return static_cast<TvxMaskEditProperties*>(TvxCustomEdit::Properties()); }
  TvxMaskEditProperties* ActiveProperties() {
    return static_cast<TvxMaskEditProperties*>(TvxCustomEdit::ActiveProperties());
  }
};

// Registers the mask edit's properties ("MaskEdit|...") in the editor registry; after
// InitializevxTextEdit.
void InitializevxMaskEdit();
void FinalizevxMaskEdit();
