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

#include "controls/vxEditTextUtils.h"
#include "controls/vxFormats.h"
#include "editors/vxEdit.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/Classes.h"

#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>

// --- Text helpers ------------------------------------------------------------------------
//
// The helpers the text editors and their numeric descendants share. Text is code page 932:
// case conversion and every search step over double-byte characters (a trail byte may be an
// ASCII letter), and positions count bytes.

// The text in the letter case asked for (double-byte characters stay as they are).
AnsiString vxConvertCharCase(const AnsiString& text, TEditCharCase charCase);

// Number text while typing. The text, with the locale's thousand separators removed,
// converts to a floating-point value.
bool vxIsNumberText(const AnsiString& text);
// The number text with the locale's thousand separators put in afresh: blanks around it and
// an exponent part ("E" and what follows) kept as they are, a separator after every third
// digit of the integer part where another digit stands before it (never after a sign).
AnsiString vxInsertThousandSeparators(const AnsiString& text);
// Caret bookkeeping across that formatting: how many characters left of the caret are not
// thousand separators, and the caret position after as many such characters of a text.
int vxCountNonSeparatorChars(const AnsiString& text, int caret);
int vxCaretAfterNonSeparatorChars(const AnsiString& text, int count);
// A number text formatted with thousand separators, the caret kept behind the same digit;
// a text that is no number stays as it is. Answers whether the text changed.
bool vxFormatNumberText(AnsiString& text, int& caret);

// --- Text properties as the text view and the lookup see them ---------------------------

class TvxCustomEditListBox;
using TvxCustomEditListBoxClass = const TvxObjectClassInfo<TvxCustomEditListBox, TComponent*>*;

// What the text view and the lookup data ask of an editor's properties. The text editors'
// properties implement it; properties that do not give the plain answers (lookup mode 0, no
// items, the text painted as it is).
class IvxTextEditProperties {
public:
  // 0 the text is typed (with incremental search over the items), 1 and 2 the text must be
  // an item (combo boxes), 3 the text is only picked from the items.
  virtual int GetLookupMode() const = 0;
  virtual int GetLookupItemCount() const = 0;
  virtual AnsiString GetLookupItemText(int index) const = 0;
  // An exact search (Locate with exact) looks for the whole text only.
  virtual bool IsLookupSearchExact() const = 0;
  // The class of the list the lookup items are shown in; nullptr: TvxCustomEditListBox.
  virtual TvxCustomEditListBoxClass GetLookupListClass() const = 0;
  // The text painted for a display text: password characters, or the letter case applied.
  virtual AnsiString DisplayValueToText(const AnsiString& text) const = 0;

protected:
  ~IvxTextEditProperties() = default;
};

// --- Text view ---------------------------------------------------------------------------
//
// What a text editor paints while its inner edit does not show the text (it has no focus and
// the text is not left-aligned, or the editor only picks from its items): the view data adds
// to the editor's layout the text rectangle, the text flags (vxEditTextUtils) and the
// selection colours, and makes the text from the edit value (EditValueToDrawValue, with
// password characters or letter case applied); the view info keeps them and paints them over
// the editor's background and buttons.

// Draws the text area instead of the view info; answers true when it did.
using TvxTextEditCustomDrawEvent = std::function<bool(TvxCustomEditViewInfo* sender, TvxCanvas& canvas, const RECT& r)>;

class TvxCustomTextEditViewInfo : public TvxCustomEditViewInfo {
public:
  const char* ClassName() const override { return "TvxCustomTextEditViewInfo"; }
  static TvxContainerViewInfoClass ViewInfoClass();
  void Assign(const TvxContainerViewInfo* source) override;
  void Offset(int dx, int dy) override;
  // The background and buttons, the frame around the text area, then the text (or the custom
  // drawing of OnCustomDrawText).
  void Paint(TvxCanvas& canvas) override;
  // The text rows in r (the text area) in the text colour, the selection in its colours.
  virtual void DrawText(TvxCanvas& canvas, const RECT& r, TColor textColor);
  // For hints of in-place editors: with p (client coordinates) inside the text area, or area
  // when given, whether the text does not fit there. Answers the text, whether it may show
  // in rows and the text rectangle in screen coordinates (as it is without a window).
  bool IsTextTruncated(TvxCanvas& canvas, POINT p, AnsiString& text, bool& multiRow, RECT& screenTextRect,
                       const RECT* area = nullptr);

  bool ComboStyle = false;  // framed as a combo box's text (the combo box's view data says so)
  AnsiString Text;          // what is painted
  RECT TextRect{};
  int DrawTextFlags = 0;  // text flags of vxEditTextUtils
  int LookupMode = 0;
  TColor SelBackgroundColor = clHighlight;
  TColor SelTextColor = clHighlightText;
  int SelStart = 0;  // bytes; painted in the selection colours while SelLength > 0
  int SelLength = 0;
  bool Highlighted = false;  // the editor is drawn as selected
  // The rows of the last painting (made anew for each).
  TvxTextRows Rows;
  int RowCount = 0;
  TvxTextEditCustomDrawEvent OnCustomDrawText;
};

class TvxCustomTextEditViewData : public TvxCustomEditViewData {
public:
  TvxCustomTextEditViewData(TvxCustomEditProperties* properties, TvxCustomEditStyle* style, bool inplace);
  const char* ClassName() const override { return "TvxCustomTextEditViewData"; }
  static TvxCustomEditViewDataClass ViewDataClass();

  // The editor's layout, then the text rectangle, flags and colours (the text stays what
  // EditValueToDrawValue made it).
  void Calculate(TvxCanvas& canvas, const RECT& bounds, POINT p, std::optional<TMouseButton> button,
                 TShiftState shift, TvxCustomEditViewInfo& viewInfo) override;
  // The text to paint for an edit value: none while the editor's inner edit shows the text,
  // else the properties' display text with DisplayValueToText applied.
  void EditValueToDrawValue(const Variant& editValue, TvxCustomEditViewInfo& viewInfo) override;
  // The text painted for a display text (password characters or letter case).
  AnsiString DisplayValueToDrawText(const AnsiString& text) const;
  // One pixel higher in the native style.
  SIZE GetEditSize(TvxCanvas& canvas, const Variant& editValue) override;
  // The client rectangle; for an editor without a frame of its own at least as high as a row
  // of its font, as far as the editor reaches.
  virtual RECT CalculateTextRect(TvxCanvas& canvas, const TvxCustomTextEditViewInfo& viewInfo) const;
  // The alignment (left 0, right 2, centre 1), $20 for text in rows, and $2C0.
  virtual int GetDrawTextFlags() const;
  // The selection colours from those set here (either, both or none).
  void CalculateSelectionColors(TvxCustomTextEditViewInfo& viewInfo) const;

  // The value is shown as text, not as a number.
  bool EditValueIsText = true;
  int LookupMode = 0;
  // clDefault ($20000000): not set.
  TColor SelBackgroundColor = clDefault;
  TColor SelTextColor = clDefault;
  int SelStart = 0;
  int SelLength = 0;
  bool Highlighted = false;

protected:
  // The properties as text properties, or nullptr.
  IvxTextEditProperties* TextProperties() const;
};

// --- Lookup data -------------------------------------------------------------------------
//
// The lookup items of a text editor (its properties' items): the item the editor's text
// stands for (current), the item selected in the list, the incremental search that completes
// typed text from the items, stepping through the items by key, and the list they are shown
// in (made on first use, owned here unless a parent window took it and freed it). Owned by its
// editor. GUI thread only.

// Directions of ChangeCurrentByKey.
enum : int { vxlcFirst = 0, vxlcLast = 1, vxlcNext = 2, vxlcPrevious = 3, vxlcPageUp = 4, vxlcPageDown = 5 };

// Interface {F49C5F08-7758-4362-A360-1DF02354E708}.
class IvxTextEditLookupData {
public:
  virtual int GetItemCount() = 0;
  virtual AnsiString GetItemText(int index) = 0;
  virtual int IndexOf(const AnsiString& text) = 0;
  virtual bool Locate(AnsiString& text, AnsiString& tail, bool next, bool exact) = 0;
  virtual int CurrentIndex() = 0;
  virtual void SetCurrent(int index) = 0;
  virtual int SelectedIndex() = 0;
  virtual void SetSelected(int index) = 0;
  virtual void ChangeCurrentByKey(int direction, bool wrap) = 0;
  virtual bool CanResizeVisualArea() = 0;

protected:
  ~IvxTextEditLookupData() = default;
};

class TvxCustomTextEditLookupData;
using TvxCustomTextEditLookupDataClass = const TvxObjectClassInfo<TvxCustomTextEditLookupData, TvxCustomEdit*>*;

class TvxCustomTextEditLookupData : public TvxInterfacedPersistent, public IvxTextEditLookupData {
public:
  explicit TvxCustomTextEditLookupData(TvxCustomEdit* edit);
  ~TvxCustomTextEditLookupData() override;
  const char* ClassName() const override { return "TvxCustomTextEditLookupData"; }
  static TvxCustomTextEditLookupDataClass LookupDataClass();

  TvxCustomEdit* Edit() const { return FEdit; }
  int GetItemCount() override;
  AnsiString GetItemText(int index) override;
  // The first item equal to text, letters of either case alike; -1 when none.
  int IndexOf(const AnsiString& text) override;
  // The incremental search: text becomes the beginning of the first matching item (in the
  // item's case), tail the rest of the item, and the item is selected. next: after the
  // selected item (to the end, no wrap); exact (with the properties' exact search): the
  // whole text only.
  bool Locate(AnsiString& text, AnsiString& tail, bool next, bool exact) override;
  int CurrentIndex() override { return FCurrentIndex; }
  // Outside -1 .. count - 1 ignored; the selection follows.
  void SetCurrent(int index) override;
  int SelectedIndex() override { return FSelectedIndex; }
  // Outside -1 .. count - 1 ignored; the list (when made) selects the item too.
  void SetSelected(int index) override;
  // Moves the current item (vxlc*): in the list while it shows, else the item's text goes
  // into the editor.
  void ChangeCurrentByKey(int direction, bool wrap) override;
  bool CanResizeVisualArea() override { return true; }

  // The list, made on first use from the properties' list class with the editor's style
  // colour and font, showing the items with the current one selected.
  TvxCustomEditListBox* List();
  // The list when it has been made (and not freed elsewhere since), else nullptr.
  TvxCustomEditListBox* ListIfMade() const;
  // The list's items brought up to the properties' items.
  void UpdateList();
  // The size the list asks for to show rows items (0: every item), as wide as its widest.
  SIZE GetVisualAreaPreferredSize(int rows);
  // An item taken from the list: it becomes the current one and the editor shows its text.
  void SetCurrentFromList(int index);

  // The current item changed while the editor's text is not the item's.
  TNotifyEvent OnCurrentChanged;
  // The user clicked an item of the list.
  TNotifyEvent OnSelectedChanged;

  // The properties' lookup mode (0 without text properties).
  int LookupMode() const;

protected:
  IvxTextEditProperties* TextProperties() const;
  // After a search without a match: whether the selection is cleared. Modes 1 and 2 belong
  // to the combo box, which answers from its own state and its list; here: cleared.
  virtual bool ClearsSelectionAfterFailedSearch(int lookupMode) { return true; }
  // Moving the list's selection by key asks the editor's editing permission first.
  virtual bool ListMoveNeedsEditing() { return false; }
  // The editor shows text as the user's new display text.
  virtual void ShowTextInEditor(const AnsiString& text);
  AnsiString EditorText() const;

private:
  int FCurrentIndex = -1;
  int FSelectedIndex = -1;
  TvxCustomEditListBox* FList = nullptr;
  std::unique_ptr<TvxObjectLinkHolder> FListLink;
  TvxCustomEdit* FEdit;
};

// The list of lookup items shown in the popup of lookup editors: hot tracking (the item
// under the mouse becomes the selected one), no border, single-line items one row of its font
// high.
class TvxCustomEditListBox : public TvxCustomInnerListBox {
public:
  explicit TvxCustomEditListBox(TComponent* owner);
  const char* ClassName() const override { return "TvxCustomEditListBox"; }
  static TvxCustomEditListBoxClass ListBoxClass();

  TvxCustomTextEditLookupData* LookupData() const { return FLookupData; }
  void SetLookupData(TvxCustomTextEditLookupData* value) { FLookupData = value; }
  bool HotTrack() const { return FHotTrack; }
  void SetHotTrack(bool value) { FHotTrack = value; }
  // The height of "Wg" in the list's font.
  int GetItemHeight();
  int GetHeight(int rowCount) { return rowCount * GetItemHeight(); }
  int GetItemWidth(int index);
  // Adds empty items or deletes from the end, under one update of the list.
  void SetItemCount(int count);
  // Lookup modes 2 and 3 show which item is selected.
  bool IsSelectionShown() const;
  // Draws an item instead of the list when it answers true.
  std::function<bool(TvxCustomEditListBox* sender, TvxCanvas& canvas, int index, const RECT& r)> OnCustomDrawItem;

  void Click() override;

protected:
  void CreateWnd() override;
  void DrawItem(int index, const RECT& rect, TOwnerDrawState state) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  bool DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) override;

private:
  TvxCustomTextEditLookupData* FLookupData = nullptr;
  bool FHotTrack = true;
};

// --- Inner text edit -----------------------------------------------------------------------

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
  // While bytes of an input-method character are still to come, the selection read and
  // written is the one saved when the character began.
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
  // The selection saved when an input-method character began is put back once it is complete
  // (the text editor does not ask: its completion selects the proposed tail while the
  // character's last byte is handled, and that selection stays).
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
  // The lead byte held for its trail byte (0: none).
  char HeldLeadByte() const { return static_cast<char>(FLeadByte); }
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
  // The window text, read once while it stays the same (see FTextCache).
  AnsiString GetText() override;
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
  // The message handlers of WndProc (which keeps the text cache).
  LRESULT DispatchInner(TMessage& m);
  // A character byte on its way to the EDIT: lead bytes wait for their trail byte.
  LRESULT CharToEdit(TMessage& m);

  TvxCustomEdit* FEdit;
  std::unique_ptr<TvxCustomInnerTextEditHelper> FHelper;
  TvxEditEchoMode FEchoMode = eemNormal;
  bool FKeySwallowed = false;
  bool FInitializing = false;
  int FBoundsLock = 0;
  TAlignment FEditAlignment = vxDefaultEditHorzAlignment;
  int FImeCharCount = 0;  // bytes of an input-method character still to come (queued WM_CHARs)
  unsigned char FImeLeadByte = 0;
  unsigned char FLeadByte = 0;  // held for its trail byte
  char FPasswordChar = 0;
  TvxTextEditState FState;
  // The window text as last read: every keystroke asks for it several times (the text state
  // before and after, the selection converted to bytes), and the EDIT copies it out in whole
  // each time. Dropped when the EDIT says its text changed (EN_CHANGE) and after every message
  // that may change it without saying so.
  AnsiString FTextCache;
  bool FTextCacheValid = false;
};

// --- Text edit ---------------------------------------------------------------------------
//
// The single-line text editor of the family and the base of the mask, drop-down and
// calculator edits. Its properties (TvxCustomTextEditProperties) add character case, password
// echo, a maximum length (in UTF-16 characters, as the EDIT's limit counts), display and edit
// formats, a numeric range, lookup items with incremental search and the inner edit's window
// options. The editor (TvxCustomTextEdit) shows a display text made from the edit value in its
// inner text edit and turns the text back into the edit value when the text is validated.
//
// Lookup modes (GetLookupMode): 0 free text (the items complete the typed text when
// IncrementalSearch is on), 1 and 2 the text must be one of the items (the combo box's modes;
// 2 shows the text painted, not in the inner edit), 3 the value is chosen, not typed. The text
// edit itself answers 0 or 3.
//
// Positions and lengths of the selection are bytes of code page 932; the completion never
// stops inside a double-byte character (a typed lead byte waits in the inner edit for its
// trail byte, and the pair is searched as one character).
//
// The properties and every text editor listen to the locale format controller from creation
// to destruction. GUI thread only.

class TvxCustomTextEdit;

using TvxNewLookupDisplayTextEvent = std::function<void(TObject* sender, const AnsiString& text)>;

// Which of the text properties' values were set explicitly.
class TvxTextEditPropertiesValues : public TvxCustomEditPropertiesValues {
public:
  explicit TvxTextEditPropertiesValues(TvxCustomEditProperties* owner) : TvxCustomEditPropertiesValues(owner) {}
  const char* ClassName() const override { return "TvxTextEditPropertiesValues"; }
  static TvxCustomEditPropertiesValuesClass ValuesClass();
  void Assign(const TPersistent* source) override;
  // Clears every flag (ReadOnly too) under one update of the owner.
  void RestoreDefaults() override;

  // A change of a flag tells the owner.
  bool DisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(bool value) { Write(FDisplayFormat, value); }
  bool EditFormat() const { return FEditFormat; }
  void SetEditFormat(bool value) { Write(FEditFormat, value); }
  bool MaxLength() const { return FMaxLength; }
  void SetMaxLength(bool value) { Write(FMaxLength, value); }
  bool MaxValue() const { return FMaxValue; }
  void SetMaxValue(bool value) { Write(FMaxValue, value); }
  bool MinValue() const { return FMinValue; }
  void SetMinValue(bool value) { Write(FMinValue, value); }

private:
  void Write(bool& field, bool value);
  bool FDisplayFormat = false;
  bool FEditFormat = false;
  bool FMaxLength = false;
  bool FMaxValue = false;
  bool FMinValue = false;
};

// The settings of a text editor.
class TvxCustomTextEditProperties : public TvxCustomEditProperties,
                                    public IvxTextEditProperties,
                                    public IvxFormatControllerListener {
public:
  explicit TvxCustomTextEditProperties(TPersistent* owner);
  ~TvxCustomTextEditProperties() override;
  const char* ClassName() const override { return "TvxCustomTextEditProperties"; }
  static TvxCustomEditPropertiesClass PropertiesClass();
  TvxCustomEditPropertiesClass ClassType() const override { return PropertiesClass(); }
  void Assign(const TPersistent* source) override;

  // --- Settings (a write that changes a value tells the owner) ---
  TEditCharCase CharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase value);
  // The own format when assigned, else the provider's when it has one, else empty.
  AnsiString DisplayFormat() const;
  void SetDisplayFormat(const AnsiString& value);
  AnsiString EditFormat() const;
  void SetEditFormat(const AnsiString& value);
  TvxEditEchoMode EchoMode() const { return FEchoMode; }
  void SetEchoMode(TvxEditEchoMode value);
  // In lookup mode 2: a Backspace does not clear the proposed tail and the proposal stays
  // after a character. A change tells the owner only in that mode.
  bool FixedListSelection() const { return FFixedListSelection; }
  void SetFixedListSelection(bool value);
  // Lookup mode 3: the value is chosen among the items, never typed.
  bool ChooseOnly() const { return FChooseOnly; }
  void SetChooseOnly(bool value) { WriteOption(FChooseOnly, value); }
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool value) { WriteOption(FHideSelection, value); }
  // The lookup data's exact search (re-finding the item of the text after a change of the
  // properties) takes only an item equal to the whole text.
  bool ExactLookupSearch() const { return FExactLookupSearch; }
  void SetExactLookupSearch(bool value) { WriteOption(FExactLookupSearch, value); }
  TImeMode ImeMode() const { return FImeMode; }
  void SetImeMode(TImeMode value);
  const AnsiString& ImeName() const { return FImeName; }
  void SetImeName(const AnsiString& value);
  bool IncrementalSearch() const { return FIncrementalSearch; }
  void SetIncrementalSearch(bool value) { WriteOption(FIncrementalSearch, value); }
  // A change of the items tells the owner.
  TStringList* LookupItems() const { return FLookupItems.get(); }
  void SetLookupItems(const TStringList& value);
  // The lookup items kept sorted (the items' own Sorted); switching it on sorts them. A change
  // tells the owner once.
  bool LookupItemsSorted() const { return FLookupItems->Sorted(); }
  void SetLookupItemsSorted(bool value);
  // UTF-16 characters, 0 for no limit; the own value when assigned, else the provider's.
  int MaxLength() const;
  void SetMaxLength(int value);  // a negative value stores 0
  double MaxValue() const;
  void SetMaxValue(double value);
  double MinValue() const;
  void SetMinValue(double value);
  bool OEMConvert() const { return FOEMConvert; }
  void SetOEMConvert(bool value) { WriteOption(FOEMConvert, value); }
  // 0 shows "*".
  char PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char value);
  // Characters valid even when the default-values provider refuses them.
  const std::bitset<256>& ValidChars() const { return FValidChars; }
  void SetValidChars(const std::bitset<256>& value) { FValidChars = value; }
  // Characters valid even when the default-values provider refuses them (none here).
  virtual bool IsCharValid(char key) const { return false; }
  TvxTextEditPropertiesValues* AssignedValues() const {
    return static_cast<TvxTextEditPropertiesValues*>(TvxCustomEditProperties::AssignedValues());
  }

  // A text typed in lookup mode 0 that is none of the items.
  TvxNewLookupDisplayTextEvent OnNewLookupDisplayText;

  // --- Lookup ---
  // 3 with ChooseOnly, else 0 (drop-down descendants answer 1 and 2).
  int GetLookupMode() const override { return FChooseOnly ? 3 : 0; }
  int GetLookupItemCount() const override { return FLookupItems->Count(); }
  AnsiString GetLookupItemText(int index) const override { return FLookupItems->Get(index); }
  bool IsLookupSearchExact() const override { return FExactLookupSearch; }
  TvxCustomEditListBoxClass GetLookupListClass() const override { return nullptr; }
  // The class of the editor's lookup data (nullptr: the editor keeps none).
  virtual TvxCustomTextEditLookupDataClass GetLookupDataClass() const {
    return TvxCustomTextEditLookupData::LookupDataClass();
  }
  // Modes 1 and 2, or mode 0 with IncrementalSearch.
  bool IsLookupUse() const;
  // The edit value comes from the text (not in mode 3).
  bool IsEditValueFromText() const { return GetLookupMode() != 3; }
  // The editor keeps lookup data with a position in the items.
  bool UsesLookupList() const { return GetLookupDataClass() != nullptr; }
  // Some item equals the text, letter case ignored (double-byte characters compared whole).
  bool FindLookupText(const AnsiString& text) const;

  // --- Text ---
  // The text shown for a display text: password characters, or CharCase applied.
  AnsiString DisplayValueToText(const AnsiString& text) const override;
  // Null and values that are no string are valid; a string must pass IsDisplayTextValid,
  // which may change it (CharCase).
  virtual bool IsEditValueValid(Variant& value, bool focused);
  // Empty is valid; in lookup modes 1 and 2 the text must be an item. CharCase is applied.
  virtual bool IsDisplayTextValid(AnsiString& text, bool focused);
  // The text of a number for a numeric descendant (FloatToStr here).
  virtual AnsiString FormatNumber(const Variant& value, bool focused) const;

  // Numeric properties: a Null or empty value shows empty, a number its formatted text, any
  // other value raises EConvertError "Could not convert to numeric value". Others: the
  // value's text.
  void PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool focused) override;
  // Numeric properties check the range first ("Value out of bounds"), then the base runs.
  void ValidateDisplayValue(Variant& displayValue, AnsiString& errorText, bool& error, TvxCustomEdit* edit) override;
  bool CanValidate() const override { return true; }
  TvxEditSupportedOperations GetSupportedOperations() const override { return 1; }
  // Kind 1: "Value out of bounds".
  AnsiString GetValidationErrorText(int kind) const override;
  int GetEditButtonsFeatures() const override { return TvxCustomEditProperties::GetEditButtonsFeatures() + 0x15E; }
  // TvxTextEdit.
  TvxCustomEditClass GetContainerClass() const override;
  TvxCustomEditViewDataClass GetViewDataClass() const override { return TvxCustomTextEditViewData::ViewDataClass(); }
  TvxContainerViewInfoClass GetViewInfoClass() const override { return TvxCustomTextEditViewInfo::ViewInfoClass(); }
  bool IsPublishedProperty(const AnsiString& name) const override;

  // IvxFormatControllerListener
  void FormatChanged() override { Changed(); }

protected:
  TvxCustomEditPropertiesValuesClass GetAssignedValuesClass() const override {
    return TvxTextEditPropertiesValues::ValuesClass();
  }
  // A change of the lookup items (tells the owner).
  virtual void LookupItemsChanged() { Changed(); }
  // Which bounds of the range apply (see ValidateDisplayValue).
  void RangeInEffect(bool& min, bool& max) const;

private:
  class TLookupItems;
  // A change of the lookup items told to the owner once, whatever the items announce meanwhile.
  void ChangeLookupItems(const std::function<void()>& change);
  TEditCharCase FCharCase = TEditCharCase::ecNormal;
  AnsiString FDisplayFormat;
  AnsiString FEditFormat;
  TvxEditEchoMode FEchoMode = eemNormal;
  bool FFixedListSelection = true;
  bool FChooseOnly = false;
  bool FHideSelection = true;
  bool FExactLookupSearch = false;
  TImeMode FImeMode = TImeMode::imDontCare;
  AnsiString FImeName;
  bool FIncrementalSearch = true;
  std::unique_ptr<TStringList> FLookupItems;
  int FMaxLength = 0;
  double FMaxValue = 0.0;
  double FMinValue = 0.0;
  bool FOEMConvert = false;
  char FPasswordChar = 0;
  std::bitset<256> FValidChars;
  bool FListening = false;
};

class TvxTextEditProperties : public TvxCustomTextEditProperties {
public:
  using TvxCustomTextEditProperties::TvxCustomTextEditProperties;
  const char* ClassName() const override { return "TvxTextEditProperties"; }
  static TvxCustomEditPropertiesClass PropertiesClass();
  TvxCustomEditPropertiesClass ClassType() const override { return PropertiesClass(); }
};

// The text editor (see the section comment). The host of its inner text edit.
class TvxCustomTextEdit : public TvxCustomEdit, public IvxInnerTextEditHost, public IvxFormatControllerListener {
public:
  explicit TvxCustomTextEdit(TComponent* owner, bool inplace = false);
  ~TvxCustomTextEdit() override;
  const char* ClassName() const override { return "TvxCustomTextEdit"; }

  TvxCustomTextEditProperties* ActiveProperties() {
    return static_cast<TvxCustomTextEditProperties*>(TvxCustomEdit::ActiveProperties());
  }
  TvxCustomTextEditProperties* Properties() const {
    return static_cast<TvxCustomTextEditProperties*>(TvxCustomEdit::Properties());
  }
  // The position in the lookup items (nullptr when the properties name no lookup data class).
  TvxCustomTextEditLookupData* LookupData() const { return FLookupData.get(); }
  // The inner text edit's interface (nullptr while the editor lacks it).
  IvxInnerTextEdit* InnerTextEdit() const;
  TvxCustomInnerTextEdit* InnerTextEditControl() const;

  // Enter goes on to the EDIT (which beeps) instead of being eaten; true by default.
  bool BeepOnEnter() override { return FBeepOnEnter; }
  void SetBeepOnEnter(bool value) { FBeepOnEnter = value; }
  // The selected tail of the text was proposed by the incremental search.
  bool CompletionPending() const { return FCompletionPending; }
  // The selection in bytes (0 in lookup mode 3, and in mode 2 unless a completion is pending).
  int SelStart();
  virtual void SetSelStart(int value);
  int SelLength();
  virtual void SetSelLength(int value);
  AnsiString SelText();
  // Replaces the selection when CanChangeSelText allows it.
  virtual void SetSelText(const AnsiString& value);
  void SelectAll() override;
  // The clipboard as the user's Ctrl+C, Ctrl+X, Ctrl+V and Delete would use it.
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void ClearSelection();
  // A fresh layout of the value (the text painted while the inner edit is hidden).
  void UpdateDrawValue();

  // --- What the edit base asks ---
  void GetDisplayValue(Variant& value) override;
  void SetDisplayValue(const Variant& value) override;
  void SynchronizeDisplayValue() override;
  void SynchronizeEditValue() override;
  void DisplayValueToEditValue(const Variant& displayValue, Variant& editValue, bool focused) override {
    editValue = displayValue;
  }
  void InternalSetDisplayValue(const Variant& value) override;
  bool IsInnerEditVisible() override;
  void Activate(TvxCustomEditData*& data) override;

  // --- IvxInnerTextEditHost ---
  bool PopupKey() override { return FPopupKey; }
  void SetPopupKey(bool value) override { FPopupKey = value; }
  void CopyToClipboard(TvxCustomInnerTextEdit& inner) override;
  void CutToClipboard(TvxCustomInnerTextEdit& inner) override;
  void PasteFromClipboard(TvxCustomInnerTextEdit& inner) override;
  void ClearSelection(TvxCustomInnerTextEdit& inner) override;

  // IvxFormatControllerListener: the value is shown anew in the locale's formats.
  void FormatChanged() override;

protected:
  // For descendants: their parts' classes (TextEditClasses gives the text editor's with the
  // descendant's properties class).
  TvxCustomTextEdit(TComponent* owner, bool inplace, const TvxEditClasses& classes);
  static TvxEditClasses TextEditClasses(TvxCustomEditPropertiesClass properties);

  // --- Operations descendants override ---
  // May the selection be replaced by text? Answers the resulting display text and caret.
  virtual bool CanChangeSelText(const AnsiString& text, AnsiString& newText, int& newSelStart);
  // The height of "Qq" in the inner edit's font.
  virtual int GetInnerEditHeight();
  // May the keys (false) or the wheel (true) step through the lookup items? No here.
  virtual bool CanSelectLookupItem(bool byWheel) { return false; }
  // After a properties change: a text that is no item any more is emptied (modes 1 and 2).
  virtual void CheckLookupValue();
  // The text the display value shows for an unfocused editor whose value fails the check.
  virtual AnsiString PlainText(const Variant& value);
  // The lookup data's current item changed while the text is not the item's (a repaint here).
  virtual void LookupCurrentChanged() { UpdateDrawValue(); }
  // The editor has lookup data and its properties a lookup data class.
  bool IsLookupListInUse();
  // The incremental search ran for the character typed last (cleared when the next one comes).
  bool SearchRan() const { return FSearchRan; }

  // --- What the text edit changes of the edit base ---
  // Places the inner edit by the text margins, its height the font's (see the .cpp).
  void AdjustInnerEditPosition() override;
  void AdjustInnerControl() override;
  void PropertiesChanged(TObject* sender) override;
  bool GetControlVisibleBounds(TControl* control, RECT& bounds) override;
  bool IsEditingAllowed() override { return ActiveProperties()->GetLookupMode() != 3; }
  bool IsValidChar(char key) override;
  // A double-byte character is refused whole: the trail byte of a refused lead byte goes too.
  bool DoKeyPressFilter(char& key) override;
  bool CanKeyDownModifyEdit(WORD key, TShiftState shift) override;
  bool CanKeyPressModifyEdit(char key) override;
  bool WantsNavigationKeys() override { return true; }
  void StoreDisplayValue(const Variant& value) override;
  void DoEditKeyDown(WORD& key, TShiftState shift) override;
  void DoEditKeyPress(char& key) override;
  void KeyPress(char& key) override;
  void DoExit() override;
  void FocusChanged() override;
  void InitializeViewData(TvxCustomEditViewData& viewData) override;
  void UpdateInnerControlAppearance() override;
  bool DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) override;
  void RestoreInnerWindow() override;
  // The text is the display text; writing it needs the editing permission, becomes the
  // value and counts as a change by the user.
  AnsiString GetText() override;
  void SetTextBuf(const AnsiString& text) override;
  LRESULT Dispatch(TMessage& m) override;

  // The display text held by the inner edit (empty without one).
  AnsiString DisplayText();
  // Changes the completion-pending flag (only with a window and no completion lock); a change
  // repaints the editor.
  void SetCompletionPending(bool value);
  // Sets the text from code: the editing permission first; answers whether it was taken.
  bool InternalSetText(const AnsiString& text);

private:
  void InitializeTextEdit();
  // The selected part deleted from the text, when the properties take the result.
  void DoClearSelection();
  // The text shows as password characters.
  bool IsPasswordShown();
  // CanChangeSelText for text, the answers dropped.
  bool CanReplaceSelection(const AnsiString& text);
  // The incremental search for a typed text: on a match the item's text stands in the editor
  // with the proposed tail selected. Answers the match.
  bool SearchStep(AnsiString& text);
  // Typing a character completes the text: in modes 1 and 2 always, else at the end of the
  // text, over a selection or while a completion is pending.
  bool CanComplete(int mode);
  // Moves the current lookup item (vxlc*); answers whether it changed.
  bool MoveLookupItem(int direction);
  LRESULT WMGetText(TMessage& m);
  LRESULT WMSetText(TMessage& m);

  // Where the last filtered byte left a double-byte character.
  enum class TTrailByte : uint8_t { None, Expected, Refused };

  bool FBeepOnEnter = true;
  TTrailByte FTrailByte = TTrailByte::None;
  bool FCompletionLock = false;
  bool FCompletionPending = false;
  bool FPlacing = false;
  bool FPopupKey = false;
  bool FSearchRan = false;
  bool FSettingDisplay = false;
  bool FSettingText = false;
  bool FSynchronizingEditValue = false;
  bool FListening = false;
  std::unique_ptr<TvxCustomTextEditLookupData> FLookupData;
};

// The text editor as published.
class TvxTextEdit : public TvxCustomTextEdit {
public:
  explicit TvxTextEdit(TComponent* owner, bool inplace = false);
  const char* ClassName() const override { return "TvxTextEdit"; }
  TvxTextEditProperties* Properties() const { return static_cast<TvxTextEditProperties*>(TvxCustomEdit::Properties()); }
  TvxTextEditProperties* ActiveProperties() {
    return static_cast<TvxTextEditProperties*>(TvxCustomEdit::ActiveProperties());
  }
};

// Registers the text editor's properties ("TextEdit|...") in the editor registry; after
// InitializevxEdit.
void InitializevxTextEdit();
void FinalizevxTextEdit();
