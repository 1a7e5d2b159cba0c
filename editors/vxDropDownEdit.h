// The drop-down editors: the drop-down edit that opens a popup window under (or over) itself,
// the popup window of its own class with frame, size grip and system panel, and on them the
// combo box and the popup edit.
//
// Dropping down is asynchronous. The edit posts VXM_REPOPUP to its popup window; the window
// shows itself when the message arrives and runs its modal loop inside that handler (so a
// caller that drops down and then waits for the popup must have queued its input first).
// While the message is pending the edit counts as about to drop down and does not post a
// second one. Characters typed in the edit reach the popup's focused control through
// VXM_POPUPCONTROLKEY. The popup closes through the edit's CloseUp with a reason; the edit then
// takes the popup's value (lookup editors), saves a size the user dragged, validates and posts
// as its properties ask.
//
// The popup window talks to the edit that opened it through IvxEditPopupWindowOwner: the
// content's natural size, where the content goes, the close-up with a reason, and the
// look-and-feel of the popup content.
//
// Ownership: the edit owns its popup window (as a component) and its popup look-and-feel. A
// popup edit's PopupControl is not owned: the properties hold a free notification on it, and
// the edit puts it back where it was when the popup closes or the edit goes. GUI thread only.
#pragma once

#include "controls/vxContainer.h"
#include "controls/vxLookAndFeels.h"
#include "editors/vxEdit.h"
#include "editors/vxMaskEdit.h"
#include "editors/vxTextEdit.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

// Why a drop-down closes: passed to the close-up and kept as the last reason.
enum TvxEditCloseUpReason : uint8_t { crUnknown = 0, crTab = 1, crClose = 2, crCancel = 3, crEnter = 4 };

// A character typed in the edit, forwarded to its open popup (wParam: the character).
constexpr UINT VXM_POPUPCONTROLKEY = 0x806B;
// Posted by a lookup edit to itself: the lookup selection follows the text typed so far.
constexpr UINT VXM_SYNCLOOKUP = 0x806C;

// --- Popup window --------------------------------------------------------------------------

// Where the size grip sits in the popup.
enum TvxSizeGripCorner : uint8_t { sgcTopLeft = 0, sgcTopRight = 1, sgcBottomLeft = 2, sgcBottomRight = 3 };

// The close button's states, as the painters take them.
enum : int { vxCloseButtonNormal = 1, vxCloseButtonHot = 2, vxCloseButtonPressed = 3 };

// The frame of a drop-down popup: frame, client edge, shadow, system panel with its size grip
// and close button. Calculate lays it out for Bounds; Paint draws everything but the content.
class TvxCustomEditPopupWindowViewInfo : public TvxContainerViewInfo {
public:
  const char* ClassName() const override { return "TvxCustomEditPopupWindowViewInfo"; }
  static TvxContainerViewInfoClass ViewInfoClass();

  void Paint(TvxCanvas& canvas) override;
  virtual void Calculate();
  // Draws the frame in r and leaves r inside it.
  virtual void DrawPopupFrame(TvxCanvas& canvas, RECT& r);
  // The widths around the client rectangle: frame, client edge, shadow and the system panel
  // (whose height it stores in SysPanelHeight).
  virtual RECT GetBorderExtent();
  virtual RECT GetClientExtent() { return GetBorderExtent(); }
  virtual int GetSysPanelHeight();
  // Whether a press at (x, y) starts a sizing; sets SizingDirectionX and SizingDirectionY
  // (each -1, 0 or 1).
  virtual bool GetSizingDirection(int x, int y);

  // The frame width of the border style (and native style) and the client edge's width.
  int FrameWidth() const;
  int ClientEdgeWidth() const;
  bool GripOnLeft() const { return SizeGripCorner == sgcTopLeft || SizeGripCorner == sgcBottomLeft; }
  bool PanelOnTop() const { return SizeGripCorner == sgcTopLeft || SizeGripCorner == sgcTopRight; }

  TvxEditPopupBorderStyle PopupBorderStyle = epbsDefault;
  bool ClientEdge = false;
  bool CloseButton = false;
  RECT CloseButtonRect{};
  TvxLookAndFeelKind CloseButtonLookAndFeelKind = lfUltraFlat;  // of the close button's painter
  int CloseButtonNativeState = 0;  // 0: not themed
  int CloseButtonState = vxCloseButtonNormal;
  int MinSysPanelHeight = 0;
  bool Sizeable = false;
  TvxSizeGripCorner SizeGripCorner = sgcBottomRight;
  RECT SizeGripRect{};        // where the grip is drawn
  RECT SizeGripSizingRect{};  // where a press sizes diagonally
  RECT InnerRect{};           // inside the frame; the system panel lies in it
  int SizingZoneWidth = 0;
  int SysPanelHeight = 0;
  bool SysPanelStyle = false;
  int SizingDirectionX = 0;
  int SizingDirectionY = 0;

protected:
  virtual void CalculateSizeGrip();
  virtual void CalculateCloseButton();
  virtual void DrawCloseButton(TvxCanvas& canvas);
};

// Draws the size grip into r, pointing into the corner (the system's glyph, mirrored).
void vxDrawSizeGrip(TvxCanvas& canvas, const RECT& r, TvxSizeGripCorner corner, bool nativeStyle);

// What a drop-down popup asks of the edit that opened it (the popup's owner control).
class IvxEditPopupWindowOwner {
public:
  // The look-and-feel whose kind the close button's painter takes.
  virtual TvxLookAndFeel* GetPopupControlLookAndFeel() = 0;
  // The client size the content would like (auto-sized popups take it).
  virtual SIZE GetPopupWindowClientPreferredSize() = 0;
  // Places the content in the popup's client rectangle.
  virtual void PositionPopupWindowChildren(const RECT& clientRect) = 0;
  // Lookup editors fit a proposed client size to their rows within maxHeight; false refuses
  // the size. Others accept it as it is.
  virtual bool FitPopupClientSize(SIZE& clientSize, int maxHeight) { return true; }
  // Closes the popup with the reason, taking its value as the reason says.
  virtual void CloseUpPopup(TvxEditCloseUpReason reason) = 0;

protected:
  ~IvxEditPopupWindowOwner() = default;
};

// The popup window of the drop-down editors (see the header comment).
class TvxCustomEditPopupWindow : public TvxCustomPopupWindow {
public:
  explicit TvxCustomEditPopupWindow(TWinControl* ownerControl);
  ~TvxCustomEditPopupWindow() override;
  const char* ClassName() const override { return "TvxCustomEditPopupWindow"; }

  TvxCustomEditPopupWindowViewInfo* ViewInfo() {
    return static_cast<TvxCustomEditPopupWindowViewInfo*>(TvxCustomPopupWindow::ViewInfo());
  }
  IvxEditPopupWindowOwner* PopupOwner() const;

  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value) { FAutoSize = value; }
  TvxEditPopupBorderStyle EditPopupBorderStyle() const { return FEditPopupBorderStyle; }
  void SetEditPopupBorderStyle(TvxEditPopupBorderStyle value);
  bool ClientEdge() const { return FClientEdge; }
  void SetClientEdge(bool value);
  bool CloseButton() const { return FCloseButton; }
  void SetCloseButton(bool value);
  int MinHeight() const { return FMinHeight; }
  void SetMinHeight(int value) { FMinHeight = value; }
  int MinWidth() const { return FMinWidth; }
  void SetMinWidth(int value) { FMinWidth = value; }
  bool NativeStyle() const { return FNativeStyle; }
  void SetNativeStyle(bool value);
  // 0: not given.
  int PopupHeight() const { return FPopupHeight; }
  void SetPopupHeight(int value) { FPopupHeight = value; }
  int PopupWidth() const { return FPopupWidth; }
  void SetPopupWidth(int value) { FPopupWidth = value; }
  bool Shadow() const { return FShadow; }
  void SetShadow(bool value);
  bool Sizeable() const { return FSizeable; }
  void SetSizeable(bool value);
  bool SysPanelStyle() const { return FSysPanelStyle; }
  void SetSysPanelStyle(bool value);
  // The user dragged the popup to another size since it was last opened.
  bool Sized() const { return FSized; }
  void SetSized(bool value) { FSized = value; }
  bool IsSizing() const { return FSizing; }

  // Lays the view info out for the popup's size; the close button takes the painter kind of
  // the owner's popup look-and-feel.
  virtual void CalculateViewInfo();
  // Sends the character as WM_CHAR to the focused window.
  virtual void SendCharToFocus(char ch);
  // The frame and, for a sizeable popup with a system panel, room for the button and grip.
  virtual SIZE GetMinimumSize();

  // The grip corner follows where the popup lies beside the edit; above with a shadow, the
  // popup moves 3 pixels down.
  POINT CalculatePosition() override;
  void CalculateSize() override;
  void CloseUp() override;
  // ModalResult 1 closes up with crEnter, 2 with crCancel, anything else with crUnknown.
  void ClosePopup() override;
  bool CanResize(int& width, int& height) override;
  LRESULT WndProc(TMessage& m) override;

protected:
  TvxContainerViewInfoClass GetViewInfoClass() override { return TvxCustomEditPopupWindowViewInfo::ViewInfoClass(); }
  // The frame settings written so far and the close button in its normal state.
  void InitializeViewInfo(TvxContainerViewInfo& viewInfo) override;
  void Resize() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  // The window region of the popup's size (none in native style).
  virtual void UpdateWindowRegion();
  // The popup lies above its owner rectangle.
  bool IsAboveOwner();

private:
  void SetCloseButtonState(int state);
  bool HoldsCapture();
  void BeginSizing(int x, int y);
  void SizingMove(POINT screen);
  void EndSizing(bool apply);
  void DrawSizingOutline();

  bool FAutoSize = true;
  TvxEditPopupBorderStyle FEditPopupBorderStyle = epbsDefault;
  bool FClientEdge = false;
  bool FCloseButton = false;
  int FMinHeight = 0;
  int FMinWidth = 0;
  bool FNativeStyle = false;
  int FPopupHeight = 0;
  int FPopupWidth = 0;
  bool FShadow = false;
  bool FSizeable = false;
  bool FSysPanelStyle = false;

  bool FSized = false;
  bool FSizing = false;
  bool FOutlineShown = false;
  RECT FSizingStartBounds{};  // screen
  POINT FSizingStartPoint{};
  RECT FSizingBounds{};       // screen, the outline's popup bounds
  TCursor FSavedCursor = crDefault;
  bool FAbove = false;        // as last placed
  int FPlacedLeft = 0;        // screen
};

// --- Drop-down edit --------------------------------------------------------------------------

class TvxCustomDropDownEdit;

// The look-and-feel of what a drop-down edit shows in its popup: the kind and native style of
// the edit's active style (in place: of the edit's own look-and-feel).
class TvxEditPopupControlLookAndFeel : public TvxLookAndFeel {
public:
  explicit TvxEditPopupControlLookAndFeel(TvxCustomEdit* edit);
  const char* ClassName() const override { return "TvxEditPopupControlLookAndFeel"; }
  TvxCustomEdit* Edit() const { return FEdit; }
  TvxLookAndFeelKind GetActiveKind() const override;
  bool GetActiveNativeStyle() const override;

private:
  const TvxLookAndFeel* EditLookAndFeel() const;
  TvxCustomEdit* FEdit;
};

// The settings of a drop-down edit (see the header comment for how the popup opens).
class TvxCustomDropDownEditProperties : public TvxCustomMaskEditProperties {
public:
  explicit TvxCustomDropDownEditProperties(TPersistent* owner);
  const char* ClassName() const override { return "TvxCustomDropDownEditProperties"; }
  static TvxCustomEditPropertiesClass PropertiesClass();
  TvxCustomEditPropertiesClass ClassType() const override { return PropertiesClass(); }
  void Assign(const TPersistent* source) override;

  // The glyph of the drop-down button (none without the button). A glyph makes the button a
  // glyph button; an empty one makes it an arrow button again.
  TBitmap* ButtonGlyph() const;
  void SetButtonGlyph(TBitmap* value);
  // Which of the buttons is the drop-down button.
  int DropDownButtonIndex() const { return FDropDownButtonIndex; }
  // The drop-down button is drawn pressed while the popup shows or the edit is hot; and the
  // mouse cannot press it while the edit is hot. False by default; no editor publishes it.
  bool DropDownButtonPressedWhileActive() const { return FDropDownButtonPressedWhileActive; }
  void SetDropDownButtonPressedWhileActive(bool value) { WriteOption(FDropDownButtonPressedWhileActive, value); }
  // A printable character typed in the closed edit opens the popup.
  bool ImmediateDropDown() const { return FImmediateDropDown; }
  void SetImmediateDropDown(bool value) { WriteOption(FImmediateDropDown, value); }
  // Stored and copied; nothing here reads it.
  bool ImmediatePopup() const { return FImmediatePopup; }
  void SetImmediatePopup(bool value) { FImmediatePopup = value; }
  // Left, centre or right under the edit; stored as the popup's horizontal alignment.
  TAlignment PopupAlignment() const;
  void SetPopupAlignment(TAlignment value);
  TvxPopupAlignHorz PopupHorzAlignment() const { return FPopupHorzAlignment; }
  bool PopupAutoSize() const { return FPopupAutoSize; }
  void SetPopupAutoSize(bool value) { WriteOption(FPopupAutoSize, value); }
  // Stored and copied to the popup window: its border style and direction bytes.
  uint8_t PopupBorderOption() const { return FPopupBorderOption; }
  void SetPopupBorderOption(uint8_t value) { FPopupBorderOption = value; }
  uint8_t PopupDirectionOption() const { return FPopupDirectionOption; }
  void SetPopupDirectionOption(uint8_t value) { FPopupDirectionOption = value; }
  bool PopupClientEdge() const { return FPopupClientEdge; }
  void SetPopupClientEdge(bool value) { WriteOption(FPopupClientEdge, value); }
  // The four sizes are written without change notification: never below the minimum (a
  // width of 0 stays 0: not given), minima never negative.
  int PopupHeight() const { return FPopupHeight; }
  void SetPopupHeight(int value);
  int PopupMinHeight() const { return FPopupMinHeight; }
  void SetPopupMinHeight(int value);
  int PopupMinWidth() const { return FPopupMinWidth; }
  void SetPopupMinWidth(int value);
  int PopupWidth() const { return FPopupWidth; }
  void SetPopupWidth(int value);
  bool PopupSizeable() const { return FPopupSizeable; }
  void SetPopupSizeable(bool value) { WriteOption(FPopupSizeable, value); }
  // The popup shows the system panel (with the size grip when sizeable).
  bool PopupSysPanelStyle() const { return FPopupSysPanelStyle; }
  void SetPopupSysPanelStyle(bool value) { WriteOption(FPopupSysPanelStyle, value); }
  // Tab in the open popup takes its value (crTab).
  bool PostPopupValueOnTab() const { return FPostPopupValueOnTab; }
  void SetPostPopupValueOnTab(bool value) { WriteOption(FPostPopupValueOnTab, value); }

  // Fires when the popup window's close query runs; it cannot refuse.
  TNotifyEvent OnCloseQuery;
  // After the popup has closed and its size was saved, before validation.
  TNotifyEvent OnCloseUp;
  // Once per opening, before the popup shows.
  TNotifyEvent OnInitPopup;
  // After the popup has shown.
  TNotifyEvent OnPopup;

  // What the edit asks of its properties.
  // The popup's value becomes the edit value on crTab, crClose and crEnter (lookup editors).
  virtual bool PopupTakesValue() const { return false; }
  // A left press in the text area opens the popup (the fixed-list combo box).
  virtual bool DropDownOnClick() const { return false; }
  // The popup window's class.
  virtual TvxCustomEditPopupWindow* CreatePopupWindow(TvxCustomDropDownEdit* edit) const;

  TvxCustomEditClass GetContainerClass() const override;
  TvxCustomEditViewDataClass GetViewDataClass() const override;
  void Changed() override;

protected:
  // PopupAutoSize stored without the change notification (the combo box's DropDownAutoWidth).
  void StorePopupAutoSize(bool value) { FPopupAutoSize = value; }

private:
  // Keeps the drop-down button's kind with its glyph (bkGlyph with one, else bkDown).
  void UpdateButtonKind();

  int FDropDownButtonIndex = 0;
  bool FImmediateDropDown = true;
  bool FImmediatePopup = false;
  bool FUpdatingButtonKind = false;
  bool FDropDownButtonPressedWhileActive = false;
  bool FPopupAutoSize = true;
  bool FPopupClientEdge = false;
  uint8_t FPopupBorderOption = 1;
  int FPopupHeight = 0;
  TvxPopupAlignHorz FPopupHorzAlignment = pahLeft;
  int FPopupMinHeight = 0;
  int FPopupMinWidth = 0;
  bool FPopupSizeable = false;
  bool FPopupSysPanelStyle = false;
  uint8_t FPopupDirectionOption = 2;
  int FPopupWidth = 0;
  bool FPostPopupValueOnTab = false;
};

// The layout data of a drop-down edit: whether its popup shows and whether it is hot.
class TvxCustomDropDownEditViewData : public TvxCustomTextEditViewData {
public:
  using TvxCustomTextEditViewData::TvxCustomTextEditViewData;
  const char* ClassName() const override { return "TvxCustomDropDownEditViewData"; }
  static TvxCustomEditViewDataClass ViewDataClass();
  void Calculate(TvxCanvas& canvas, const RECT& bounds, POINT p, std::optional<TMouseButton> button,
                 TShiftState shift, TvxCustomEditViewInfo& viewInfo) override;

  bool HasPopupWindow = false;
  bool IsHotAndPopup = false;  // the edit's own container state was hot at its last update
};

// The drop-down edit (see the header comment).
class TvxCustomDropDownEdit : public TvxCustomMaskEdit, public IvxEditPopupWindowOwner {
public:
  explicit TvxCustomDropDownEdit(TComponent* owner, bool inplace = false);
  ~TvxCustomDropDownEdit() override;
  const char* ClassName() const override { return "TvxCustomDropDownEdit"; }

  TvxCustomDropDownEditProperties* ActiveProperties() {
    return static_cast<TvxCustomDropDownEditProperties*>(TvxCustomEdit::ActiveProperties());
  }
  TvxCustomDropDownEditProperties* Properties() const {
    return static_cast<TvxCustomDropDownEditProperties*>(TvxCustomEdit::Properties());
  }

  // The popup is showing. True drops down (unless a show is pending); false closes up with
  // crUnknown.
  bool DroppedDown();
  void SetDroppedDown(bool value);
  // The popup window (made at the first drop-down).
  TvxCustomEditPopupWindow* PopupWindow() const { return FPopupWindow; }
  TvxEditCloseUpReason LastCloseUpReason() const { return FCloseUpReason; }
  // A VXM_REPOPUP waits in the popup's queue.
  bool IsPopupShowPending();
  TvxEditPopupControlLookAndFeel* PopupControlsLookAndFeel() const { return FPopupControlsLookAndFeel.get(); }
  // The edit's hot flag as the view data last saw it.
  bool IsHotAndPopup() const { return FIsHotAndPopup; }

  // Opens the popup (asynchronously) when the edit's window is visible and it may open.
  virtual void DropDown();
  // Closes an open popup: crTab, crClose and crEnter take the popup's value when the
  // properties say so.
  virtual void CloseUp(TvxEditCloseUpReason reason);
  bool ValidateEdit() override;

  // IvxEditPopupWindowOwner
  TvxLookAndFeel* GetPopupControlLookAndFeel() override { return FPopupControlsLookAndFeel.get(); }
  SIZE GetPopupWindowClientPreferredSize() override { return SIZE{0, 0}; }
  void PositionPopupWindowChildren(const RECT& clientRect) override {}
  void CloseUpPopup(TvxEditCloseUpReason reason) override { CloseUp(reason); }

  LRESULT WndProc(TMessage& m) override;

protected:
  TvxCustomDropDownEdit(TComponent* owner, bool inplace, const TvxEditClasses& classes);
  static TvxEditClasses DropDownEditClasses(TvxCustomEditPropertiesClass properties);

  // --- Operations descendants override ---
  // May the popup open now? (No here.)
  virtual bool CanDropDown() { return false; }
  // The control focused in the popup when it shows.
  virtual TWinControl* GetPopupFocusedControl() { return nullptr; }
  // Typed characters go on to the popup's focused control.
  virtual bool PopupWindowTakesChars() { return false; }
  // Once per opening: OnInitPopup of the properties (and the repository item's).
  virtual void DoInitPopup();
  // The popup's value becomes the edit value (crTab, crClose, crEnter, when the properties
  // take it).
  virtual void AcceptPopupValue() {}
  // The popup window is about to show, and has shown.
  virtual void PopupWindowShowing();
  virtual void PopupWindowShowed();
  // The popup closed: the size is saved, OnCloseUp fires, the value is validated and posted
  // as the properties ask, the selection comes back.
  virtual void PopupWindowClosed();
  // The settings copied into the popup before each showing.
  virtual void InitializePopupWindow();

  // --- What the drop-down edit changes of the text edits ---
  bool HasPopupWindow() override;
  void InitializeViewData(TvxCustomEditViewData& viewData) override;
  void DoEditKeyDown(WORD& key, TShiftState shift) override;
  void DoEditKeyPress(char& key) override;
  void ChangeHandler() override;
  void DoButtonDown(int buttonIndex) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void UpdateHotState() override;
  void Notification(TComponent* component, TOperation operation) override;
  bool CanSelectLookupItem(bool byWheel) override;

  // The keys of the key table, whether they came to the edit or to its popup; true when one
  // acted.
  bool HandleDropDownKey(WORD& key, TShiftState shift);
  // Takes a pending show message out of the queue; answers whether there was one.
  bool RemovePendingShow();
  void SetLastCloseUpReason(TvxEditCloseUpReason reason) { FCloseUpReason = reason; }
  // The lookup selects the first item that text begins (nothing for an empty text).
  void SelectLookupItem(AnsiString text);

private:
  void InitializeDropDownEdit();
  void CreatePopupWindow();
  void PopupWindowKeyDown(WORD& key, TShiftState shift);
  void PopupWindowKeyPress(char& key);

  std::unique_ptr<TvxEditPopupControlLookAndFeel> FPopupControlsLookAndFeel;
  TvxCustomEditPopupWindow* FPopupWindow = nullptr;  // owned as a component
  bool FIsActivatingByButton = false;
  bool FIsHotAndPopup = false;
  bool FPopupInitialized = false;
  bool FPopupWasShown = false;
  TvxEditCloseUpReason FCloseUpReason = crUnknown;
  int FSavedSelStart = 0;
  int FSavedSelLength = 0;
  SIZE FInplacePopupSize{};  // an in-place editor's popup size, kept between openings
};

// --- Popup edit --------------------------------------------------------------------------------

// The settings of a popup edit: the control shown in the popup (not owned).
class TvxCustomPopupEditProperties : public TvxCustomDropDownEditProperties {
public:
  explicit TvxCustomPopupEditProperties(TPersistent* owner);
  ~TvxCustomPopupEditProperties() override;
  const char* ClassName() const override { return "TvxCustomPopupEditProperties"; }
  static TvxCustomEditPropertiesClass PropertiesClass();
  TvxCustomEditPropertiesClass ClassType() const override { return PropertiesClass(); }
  void Assign(const TPersistent* source) override;

  // Becomes none when the control is freed.
  TControl* PopupControl() const { return FPopupControl; }
  void SetPopupControl(TControl* value);
  TvxCustomEditPopupWindow* CreatePopupWindow(TvxCustomDropDownEdit* edit) const override;
  TvxCustomEditClass GetContainerClass() const override;

protected:
  void FreeNotification(TComponent* component) override;

private:
  TControl* FPopupControl = nullptr;
};

class TvxPopupEditProperties : public TvxCustomPopupEditProperties {
public:
  explicit TvxPopupEditProperties(TPersistent* owner);
  const char* ClassName() const override { return "TvxPopupEditProperties"; }
  static TvxCustomEditPropertiesClass PropertiesClass();
  TvxCustomEditPropertiesClass ClassType() const override { return PropertiesClass(); }
  bool IsPublishedProperty(const AnsiString& name) const override;
};

// The popup edit's popup frame: a 3-D frame is always the full four lines.
class TvxPopupEditPopupWindowViewInfo : public TvxCustomEditPopupWindowViewInfo {
public:
  const char* ClassName() const override { return "TvxPopupEditPopupWindowViewInfo"; }
  static TvxContainerViewInfoClass ViewInfoClass();
  void DrawPopupFrame(TvxCanvas& canvas, RECT& r) override;
};

class TvxPopupEditPopupWindow : public TvxCustomEditPopupWindow {
public:
  using TvxCustomEditPopupWindow::TvxCustomEditPopupWindow;
  const char* ClassName() const override { return "TvxPopupEditPopupWindow"; }

protected:
  TvxContainerViewInfoClass GetViewInfoClass() override { return TvxPopupEditPopupWindowViewInfo::ViewInfoClass(); }
};

// An edit that shows any control of the application in its popup and puts it back afterwards.
class TvxCustomPopupEdit : public TvxCustomDropDownEdit {
public:
  explicit TvxCustomPopupEdit(TComponent* owner, bool inplace = false);
  ~TvxCustomPopupEdit() override;
  const char* ClassName() const override { return "TvxCustomPopupEdit"; }

  TvxCustomPopupEditProperties* ActiveProperties() {
    return static_cast<TvxCustomPopupEditProperties*>(TvxCustomEdit::ActiveProperties());
  }
  TvxCustomPopupEditProperties* Properties() const {
    return static_cast<TvxCustomPopupEditProperties*>(TvxCustomEdit::Properties());
  }
  // The control shown in the open popup (none when closed, or once it was freed).
  TControl* HostedControl() const { return FHostedControl; }

  // The popup control asks to close (the calculator's OnHidePopup): the reason is kept and
  // the popup closes.
  void HidePopup(TObject* sender, TvxEditCloseUpReason reason);

  SIZE GetPopupWindowClientPreferredSize() override;
  void PositionPopupWindowChildren(const RECT& clientRect) override;

protected:
  TvxCustomPopupEdit(TComponent* owner, bool inplace, const TvxEditClasses& classes);

  bool CanDropDown() override;
  TWinControl* GetPopupFocusedControl() override;
  bool PopupWindowTakesChars() override { return true; }
  // Raises "Circular referencing is not allowed" for a popup control that holds the edit.
  void DoInitPopup() override;
  void PopupWindowShowing() override;
  void PopupWindowClosed() override;
  void Notification(TComponent* component, TOperation operation) override;

private:
  // Puts the hosted control back where it was (nothing when it is gone).
  void RestorePopupControl();

  TControl* FHostedControl = nullptr;  // with a free notification while hosted
  TAlign FSavedAlign = TAlign::alNone;
  RECT FSavedBounds{};
  TBorderStyle FSavedBorderStyle = TBorderStyle::bsNone;
  TWinControl* FSavedParent = nullptr;
  bool FSavedVisible = false;
};

class TvxPopupEdit : public TvxCustomPopupEdit {
public:
  explicit TvxPopupEdit(TComponent* owner, bool inplace = false);
  const char* ClassName() const override { return "TvxPopupEdit"; }
  TvxPopupEditProperties* Properties() const {
    return static_cast<TvxPopupEditProperties*>(TvxCustomEdit::Properties());
  }
  void SetProperties(const TvxPopupEditProperties* value) { TvxCustomEdit::SetProperties(value); }
};

// --- Combo box ---------------------------------------------------------------------------------
//
// A drop-down edit over its lookup items: the popup shows them in a list (TvxComboBoxListBox),
// and the item chosen there becomes the text. The list style sets the lookup mode of the text
// edit: lsEditList types freely with completion from the items (mode 0), lsEditFixedList types
// only items (1), lsFixedList picks items and paints the text (2). Mouse clicks never fire
// OnClick; OnClick tells of a change of the current item.

enum TvxEditDropDownListStyle : uint8_t { lsEditFixedList, lsEditList, lsFixedList };

class TvxCustomComboBox;
// Draws an item (in the list, or the edit's face) instead of the list.
using TvxEditDrawItemEvent = std::function<void(TvxCustomComboBox* control, TvxCanvas& canvas, int index,
                                                const RECT& r, TOwnerDrawState state)>;
// Changes an item's height (a list of variable heights).
using TvxEditMeasureItemEvent =
    std::function<void(TvxCustomComboBox* control, int index, TvxCanvas& canvas, int& height)>;

class TvxCustomComboBoxProperties : public TvxCustomDropDownEditProperties {
public:
  explicit TvxCustomComboBoxProperties(TPersistent* owner);
  const char* ClassName() const override { return "TvxCustomComboBoxProperties"; }
  static TvxCustomEditPropertiesClass PropertiesClass();
  TvxCustomEditPropertiesClass ClassType() const override { return PropertiesClass(); }
  void Assign(const TPersistent* source) override;

  TvxEditDropDownListStyle DropDownListStyle() const { return FDropDownListStyle; }
  void SetDropDownListStyle(TvxEditDropDownListStyle value);
  // Rows the list shows; values below 1 are ignored.
  int DropDownRows() const { return FDropDownRows; }
  void SetDropDownRows(int value);
  // 0: the list's own item height.
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int value);
  // A double click steps to the next item (after the last: the first).
  bool Revertable() const { return FRevertable; }
  void SetRevertable(bool value) { FRevertable = value; }
  TStringList* Items() const { return LookupItems(); }
  void SetItems(const TStringList& value) { SetLookupItems(value); }
  // The text edit's LookupItemsSorted under the combo box's name.
  bool Sorted() const { return LookupItemsSorted(); }
  void SetSorted(bool value) { SetLookupItemsSorted(value); }
  // The popup's width follows the widest item (written without change notification).
  bool DropDownAutoWidth() const { return PopupAutoSize(); }
  void SetDropDownAutoWidth(bool value) { StorePopupAutoSize(value); }
  bool DropDownSizeable() const { return PopupSizeable(); }
  void SetDropDownSizeable(bool value) { SetPopupSizeable(value); }
  int DropDownWidth() const { return PopupWidth(); }
  void SetDropDownWidth(int value) { SetPopupWidth(value); }

  TvxEditDrawItemEvent OnDrawItem;
  TvxEditMeasureItemEvent OnMeasureItem;

  int GetLookupMode() const override;
  TvxCustomTextEditLookupDataClass GetLookupDataClass() const override;
  TvxCustomEditListBoxClass GetLookupListClass() const override;
  bool PopupTakesValue() const override { return true; }
  bool DropDownOnClick() const override { return FDropDownListStyle == lsFixedList; }
  TvxCustomEditPopupWindow* CreatePopupWindow(TvxCustomDropDownEdit* edit) const override;
  TvxCustomEditViewDataClass GetViewDataClass() const override;
  TvxContainerViewInfoClass GetViewInfoClass() const override;
  TvxCustomEditClass GetContainerClass() const override;

private:
  TvxEditDropDownListStyle FDropDownListStyle = lsEditList;
  int FDropDownRows = 8;
  int FItemHeight = 0;
  bool FRevertable = false;
};

class TvxComboBoxProperties : public TvxCustomComboBoxProperties {
public:
  using TvxCustomComboBoxProperties::TvxCustomComboBoxProperties;
  const char* ClassName() const override { return "TvxComboBoxProperties"; }
  static TvxCustomEditPropertiesClass PropertiesClass();
  TvxCustomEditPropertiesClass ClassType() const override { return PropertiesClass(); }
  bool IsPublishedProperty(const AnsiString& name) const override;
};

// The list of a combo box: owner-drawn, fixed or (with OnMeasureItem) variable item heights; a
// release over an item takes it and closes the popup with crEnter.
class TvxCustomComboBoxListBox : public TvxCustomEditListBox {
public:
  explicit TvxCustomComboBoxListBox(TComponent* owner);
  const char* ClassName() const override { return "TvxCustomComboBoxListBox"; }
  TvxCustomComboBox* ComboBox() const;
  // The height of one item (ItemHeight, else the list's, then OnMeasureItem).
  int ItemHeightOf(int index);
  // The next release in the list is ignored once.
  void IgnoreNextRelease() { FIgnoreRelease = true; }
  // The list's own selection moved (by the keys as well): the lookup data's selected item
  // follows, because the close takes that one.
  void Click() override;

protected:
  void CreateWnd() override;
  void DrawItem(int index, const RECT& rect, TOwnerDrawState state) override;
  void MeasureItem(int index, int& height) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
  bool FIgnoreRelease = false;
};

class TvxComboBoxListBox : public TvxCustomComboBoxListBox {
public:
  using TvxCustomComboBoxListBox::TvxCustomComboBoxListBox;
  const char* ClassName() const override { return "TvxComboBoxListBox"; }
  static TvxCustomEditListBoxClass ListBoxClass();
};

// The combo box's lookup data: the list's size for the popup.
class TvxComboBoxLookupData : public TvxCustomTextEditLookupData {
public:
  using TvxCustomTextEditLookupData::TvxCustomTextEditLookupData;
  const char* ClassName() const override { return "TvxComboBoxLookupData"; }
  static TvxCustomTextEditLookupDataClass LookupDataClass();
  // Height: the first min(count, DropDownRows) items (fewer when maxHeight is smaller);
  // width: the widest text plus 4, plus a vertical scroll bar when not every item shows; a
  // width over maxWidth (when above 0) adds a horizontal scroll bar's height. The list
  // scrolls over that width.
  SIZE GetListSize(int maxHeight, int maxWidth);
  // Fits a client size to whole rows within maxHeight; false when not even one row fits.
  bool FitClientSize(SIZE& size, int maxHeight);

private:
  TvxCustomComboBoxListBox* ComboList();
};

class TvxComboBoxPopupWindow : public TvxCustomEditPopupWindow {
public:
  using TvxCustomEditPopupWindow::TvxCustomEditPopupWindow;
  const char* ClassName() const override { return "TvxComboBoxPopupWindow"; }
  void CalculateSize() override;
};

class TvxCustomComboBoxViewData : public TvxCustomDropDownEditViewData {
public:
  using TvxCustomDropDownEditViewData::TvxCustomDropDownEditViewData;
  const char* ClassName() const override { return "TvxCustomComboBoxViewData"; }
  static TvxCustomEditViewDataClass ViewDataClass();
  bool IsComboBoxStyle() const override { return true; }
};

// A fixed-list combo box with OnDrawItem shows its current item drawn by the event.
class TvxCustomComboBoxViewInfo : public TvxCustomTextEditViewInfo {
public:
  const char* ClassName() const override { return "TvxCustomComboBoxViewInfo"; }
  static TvxContainerViewInfoClass ViewInfoClass();
  void Paint(TvxCanvas& canvas) override;
};

// The inner edit of a combo box: a release of the left button on it is no click (OnClick
// tells of a change of the combo's item, not of the mouse).
class TvxCustomComboBoxInnerEdit : public TvxCustomInnerTextEdit {
public:
  using TvxCustomInnerTextEdit::TvxCustomInnerTextEdit;
  const char* ClassName() const override { return "TvxCustomComboBoxInnerEdit"; }
  static TvxInnerEditClass InnerEditClass();
  LRESULT WndProc(TMessage& m) override;
};

class TvxCustomComboBox : public TvxCustomDropDownEdit {
public:
  explicit TvxCustomComboBox(TComponent* owner, bool inplace = false);
  const char* ClassName() const override { return "TvxCustomComboBox"; }
  TvxCustomComboBoxProperties* ActiveProperties() {
    return static_cast<TvxCustomComboBoxProperties*>(TvxCustomEdit::ActiveProperties());
  }
  TvxCustomComboBoxProperties* Properties() const {
    return static_cast<TvxCustomComboBoxProperties*>(TvxCustomEdit::Properties());
  }
  TvxComboBoxLookupData* ComboLookupData() const { return static_cast<TvxComboBoxLookupData*>(LookupData()); }
  // The list, made on first use.
  TvxCustomComboBoxListBox* List();

  // OnDrawItem (own properties, then the repository item's); false when none is assigned.
  bool DoDrawItem(TvxCanvas& canvas, int index, const RECT& r, TOwnerDrawState state);
  // OnMeasureItem likewise.
  bool DoMeasureItem(int index, TvxCanvas& canvas, int& height);
  bool HasDrawItem();
  bool HasMeasureItem();
  // The edit's face drawn by OnDrawItem (lsFixedList): false when it is not.
  bool DrawEditFace(TvxCanvas& canvas, const RECT& r);

  SIZE GetPopupWindowClientPreferredSize() override;
  void PositionPopupWindowChildren(const RECT& clientRect) override;
  bool FitPopupClientSize(SIZE& clientSize, int maxHeight) override;

protected:
  TvxCustomComboBox(TComponent* owner, bool inplace, const TvxEditClasses& classes);
  // The drop-down edit's classes with the combo box's inner edit.
  static TvxEditClasses ComboBoxClasses(TvxCustomEditPropertiesClass properties);

  bool CanDropDown() override;
  TWinControl* GetPopupFocusedControl() override;
  void AcceptPopupValue() override;
  void PopupWindowShowing() override;
  void PopupWindowShowed() override;
  void DblClick() override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  LRESULT Dispatch(TMessage& m) override;

  // After activation the current item follows the text again.
  void Activate(TvxCustomEditData*& data) override;
  // A properties change finds the text's item again; a changed item is the user's and fires
  // OnClick.
  void PropertiesChanged(TObject* sender) override;

private:
  void InitializeComboBox();
  void SynchronizeLookupItem();
  // The item the lookup data moves to from the list, shown in the edit; answers whether the
  // current item changed.
  bool TakeListItem(int index);
};

class TvxComboBox : public TvxCustomComboBox {
public:
  explicit TvxComboBox(TComponent* owner, bool inplace = false);
  const char* ClassName() const override { return "TvxComboBox"; }
  TvxComboBoxProperties* Properties() const {
    return static_cast<TvxComboBoxProperties*>(TvxCustomEdit::Properties());
  }
  void SetProperties(const TvxComboBoxProperties* value) { TvxCustomEdit::SetProperties(value); }
};

// Registers the combo box's and the popup edit's properties in the editor registry (after
// InitializevxMaskEdit); counted, so that only the first start and the last stop act.
void InitializevxDropDownEdit();
void FinalizevxDropDownEdit();
