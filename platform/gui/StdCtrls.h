// Standard controls of the class library over the system's window classes: label, edit,
// button, check box, list box, and a group box that draws its own frame.
//
// Each is a windowed control whose default handler is the system control's procedure; the
// parent reflects WM_COMMAND, WM_CTLCOLOR* and the owner-draw messages to it as CN_COMMAND,
// CN_CTLCOLOR*, CN_DRAWITEM and CN_MEASUREITEM.
//
// Text positions: the edit's selection, caret and limits count bytes of the ANSI code page, as
// the rest of the program does. The system EDIT may count characters instead (Wine's ANSI EDIT
// does: "アソbc" selected whole is 0..4); TCustomEdit converts at its accessors, and a position
// inside a double-byte character rounds down to the character's start.
#pragma once

#include "platform/gui/Controls.h"

#include <utility>
#include <vector>

// Static text. Sizes itself to its text while AutoSize is on (the default).
class TLabel : public TWinControl {
public:
  explicit TLabel(TComponent* owner);
  const char* ClassName() const override { return "TLabel"; }
  LRESULT WndProc(TMessage& m) override;

protected:
  void CreateParams(TCreateParams& params) override;
  bool CanAutoSize(int& width, int& height) override;
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

  // Horizontal text alignment (ES_LEFT, ES_RIGHT, ES_CENTER; the window is made anew).
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  // Characters typed are passed through the OEM code page and back (ES_OEMCONVERT).
  bool OEMConvert() const { return FOEMConvert; }
  void SetOEMConvert(bool value);
  // Left and right text margins in pixels (EM_SETMARGINS); kept over font changes and new windows.
  void SetMargins(int left, int right);

  // Selection in bytes (see the header comment), converted with the text as GetText answers
  // it (a descendant may keep it). SetSel's end -1 means the end of the text.
  void GetSel(int& start, int& end);
  void SetSel(int start, int end);
  int SelStart();
  void SetSelStart(int value);
  int SelLength();
  void SetSelLength(int value);
  AnsiString SelText();
  void SetSelText(const AnsiString& text);
  void SelectAll();
  void ClearSelection();
  // Client position of the character at a byte position (EM_POSFROMCHAR); (-1, -1) when the
  // window has none for it.
  POINT PosFromChar(int position);
  // The caret's client position while the edit has the focus, else where the selection starts.
  POINT CaretPos();

  TNotifyEvent OnChange;
  LRESULT WndProc(TMessage& m) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  virtual void Change();
  virtual void DoEnter() override;

private:
  void ApplyMargins();
  int FMaxLength = 0;
  bool FReadOnly = false;
  char FPasswordChar = 0;
  TEditCharCase FCharCase = TEditCharCase::ecNormal;
  bool FHideSelection = true;
  bool FAutoSelect = true;
  bool FCreating = false;
  TAlignment FAlignment = TAlignment::taLeftJustify;
  bool FOEMConvert = false;
  bool FMarginsSet = false;
  int FLeftMargin = 0, FRightMargin = 0;
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

// Owner-draw state of an item: the ODS_* bits of the system.
using TOwnerDrawState = unsigned;
constexpr TOwnerDrawState odSelected = ODS_SELECTED, odGrayed = ODS_GRAYED, odDisabled = ODS_DISABLED,
                          odChecked = ODS_CHECKED, odFocused = ODS_FOCUS, odDefault = ODS_DEFAULT,
                          odHotLight = ODS_HOTLIGHT, odInactive = ODS_INACTIVE, odNoAccel = ODS_NOACCEL,
                          odNoFocusRect = ODS_NOFOCUSRECT, odComboBoxEdit = ODS_COMBOBOXEDIT;

// Owner-drawn lists have items of one height (fixed) or each measured (variable).
enum class TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

class TCustomListBox;

using TDrawItemEvent =
    std::function<void(TWinControl* control, int index, const RECT& rect, TOwnerDrawState state)>;
using TMeasureItemEvent = std::function<void(TWinControl* control, int index, int& height)>;

// The items of a list box (text and an object pointer each): in the window while it exists,
// kept here while it does not (before the window is made, and across a recreation).
class TListBoxStrings {
public:
  explicit TListBoxStrings(TCustomListBox& owner) : FOwner(owner) {}
  int Count() const;
  AnsiString Strings(int index) const;
  void* Objects(int index) const;
  void PutObject(int index, void* object);
  int Add(const AnsiString& text, void* object = nullptr);
  void Insert(int index, const AnsiString& text, void* object = nullptr);
  void Delete(int index);
  void Clear();
  int IndexOf(const AnsiString& text) const;  // letter case ignored, double-byte aware
  // Brackets many changes: the window does not redraw in between.
  void BeginUpdate();
  void EndUpdate();

private:
  friend class TCustomListBox;
  void CheckIndex(int index, int limit) const;
  TCustomListBox& FOwner;
  std::vector<std::pair<AnsiString, void*>> FSaved;
  int FUpdateCount = 0;
};

// A list box over the system's LISTBOX, always with LBS_HASSTRINGS, so that searches such as
// LB_SELECTSTRING compare the text of owner-drawn items too. Owner-drawn items are drawn by
// DrawItem (OnDrawItem, else the text) on Canvas and measured by MeasureItem (variable style).
// A change of the selection by the user fires Click.
class TCustomListBox : public TWinControl {
public:
  explicit TCustomListBox(TComponent* owner);
  ~TCustomListBox() override;
  const char* ClassName() const override { return "TCustomListBox"; }

  TListBoxStrings& Items() { return *FItems; }
  int Count() const { return FItems->Count(); }
  void Clear() { FItems->Clear(); }
  int ItemIndex();
  void SetItemIndex(int index);
  int TopIndex();
  void SetTopIndex(int index);
  // The height owner-drawn items start from (the measured height of standard items).
  int ItemHeight();
  void SetItemHeight(int value);
  TListBoxStyle Style() const { return FStyle; }
  void SetStyle(TListBoxStyle style);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle style);  // bsNone or bsSingle
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool value);
  bool ExtendedSelect() const { return FExtendedSelect; }
  void SetExtendedSelect(bool value);
  // Width the horizontal scroll bar scrolls over (LB_SETHORIZONTALEXTENT); 0 for none.
  int ScrollWidth() const { return FScrollWidth; }
  void SetScrollWidth(int value);
  // Incremental search by typed text is the descendant's (the system list searches first
  // letters only); the flag tells it whether to.
  bool AutoComplete() const { return FAutoComplete; }
  void SetAutoComplete(bool value) { FAutoComplete = value; }
  bool Selected(int index);
  void SetSelected(int index, bool value);
  // The item at a client point: with existing, -1 where there is none, else Count.
  int ItemAtPos(POINT p, bool existing);
  RECT ItemRect(int index);
  TCanvas& Canvas() { return *FCanvas; }

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;
  LRESULT WndProc(TMessage& m) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  virtual void DrawItem(int index, const RECT& rect, TOwnerDrawState state);
  virtual void MeasureItem(int index, int& height);
  LRESULT CNDrawItem(TMessage& m);
  LRESULT CNMeasureItem(TMessage& m);

private:
  friend class TListBoxStrings;
  std::unique_ptr<TListBoxStrings> FItems;
  std::unique_ptr<TCanvas> FCanvas;
  TListBoxStyle FStyle = TListBoxStyle::lbStandard;
  TBorderStyle FBorderStyle = TBorderStyle::bsSingle;
  int FItemHeight = 16;
  bool FMultiSelect = false;
  bool FExtendedSelect = true;
  bool FAutoComplete = true;
  int FScrollWidth = 0;
  int FSavedItemIndex = -1;
  int FSavedTopIndex = 0;
};

class TListBox : public TCustomListBox {
public:
  explicit TListBox(TComponent* owner) : TCustomListBox(owner) {}
  const char* ClassName() const override { return "TListBox"; }
};
