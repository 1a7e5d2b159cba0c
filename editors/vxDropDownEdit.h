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
