// The control base TvxControl and the window services and helpers the library's controls
// share: hidden message windows, timers that need no window of their own, the settings
// controller that tells controls when the system's scroll-bar metrics change, mouse-leave
// tracking, the library cursors, the drag-and-drop object and child components of a control,
// popup-menu and mouse-capture interfaces, the control's own scroll bars and size grip, the
// popup window placed beside an owner rectangle, and small helpers.
//
// Everything here runs on the GUI thread. The process-wide objects (the library message
// window, the timer window with its list of running timers, the settings controller, the
// list of tracking timers) are made on first use and freed by FinalizevxControls, which the
// program entry runs at shutdown.
//
// Timer ticks: every TvxTimer ticks through the one timer window. A timer's identifier comes
// from a counter, never from its address, and the window calls only timers that are in the
// running list, so a tick queued before its timer stopped (or died) reaches nobody, not even
// a new timer that happens to live at the old address.
//
// Mouse tracking: an object asks to be told when the mouse has left it; a 10 ms tracking
// timer polls the cursor. What a leave starts may free the tracked object, its control, or end
// the tracking a second time, so the tick takes its timer out of the list and holds an object
// link on the control before anyone hears of the leave, and frees the timer when it is done.
//
// Modal loops: the drag detection and the middle-button auto-scroll mode read the thread's
// messages themselves while the control holds the mouse; a quit message is posted again for
// the real message loop.
#pragma once

#include "controls/vxClasses.h"
#include "controls/vxGraphics.h"
#include "controls/vxLookAndFeelPainters.h"
#include "controls/vxLookAndFeels.h"
#include "controls/vxScrollBar.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Forms.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TvxControl;  // the control base, declared further down this unit
class TvxControlChildComponent;

// --- Library messages and cursors -------------------------------------------------------

// Sent to a control when the system's scroll-bar sizes may have changed.
constexpr UINT VXM_SCROLLBARMETRICSCHANGED = 0x8131;

// The library's cursors, registered with the screen at start-up.
constexpr TCursor crDragCopy = 2100;
constexpr TCursor crvxFullScroll = 2101;
constexpr TCursor crvxHorScroll = 2102;
constexpr TCursor crvxVerScroll = 2103;
constexpr TCursor crvxUpScroll = 2104;
constexpr TCursor crvxRightScroll = 2105;
constexpr TCursor crvxDownScroll = 2106;
constexpr TCursor crvxLeftScroll = 2107;
constexpr TCursor crvxRemove = 2108;
constexpr TCursor crvxVertSize = 2109;
constexpr TCursor crvxHorzSize = 2110;
constexpr TCursor crvxMultiDrag = 2111;
constexpr TCursor crvxNoDrop = 2112;
constexpr TCursor crvxDrag = 2113;
constexpr TCursor crvxHandPoint = -2099;  // the system's hand

// --- Platform flags ---------------------------------------------------------------------

// What the system's version record says, read once at start-up.
struct TvxPlatformFlags {
  bool Win9x = false;            // not of the NT family (platform id 0 or 1)
  bool NT5OrLater = false;       // NT family, major version 5 or more
  bool NT5OrLaterMinor = false;  // NT family, major version 5 or more and minor version above 0
  bool NT4OrLater = false;       // NT family, major version 4 or more
};
TvxPlatformFlags vxPlatformFlagsOf(DWORD platformId, DWORD majorVersion, DWORD minorVersion);
const TvxPlatformFlags& vxPlatformFlags();

// --- Message windows and timers ---------------------------------------------------------

// A hidden window wrapped in an object: its messages go to the virtual WndProc, which answers
// with the default window procedure. Exceptions reach the application's handler.
class TvxMessageWindow : public TObject {
public:
  TvxMessageWindow();
  ~TvxMessageWindow() override;
  const char* ClassName() const override { return "TvxMessageWindow"; }
  HWND Handle() const { return FHandle; }

protected:
  virtual void WndProc(TMessage& m);

private:
  HWND FHandle;
};

// The one window that receives the ticks of every TvxTimer.
class TvxTimerWindow : public TvxMessageWindow {
public:
  const char* ClassName() const override { return "TvxTimerWindow"; }

protected:
  void WndProc(TMessage& m) override;
};

// A window timer without a window of its own. It runs while Enabled and OnTimer is set; its
// ticks arrive through the timer window. Changing Enabled, Interval or OnTimer restarts it.
class TvxTimer : public TComponent {
public:
  explicit TvxTimer(TComponent* owner);
  ~TvxTimer() override;
  const char* ClassName() const override { return "TvxTimer"; }

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  unsigned Interval() const { return FInterval; }
  void SetInterval(unsigned value);  // 0 is ignored
  const TNotifyEvent& OnTimer() const { return FOnTimer; }
  void SetOnTimer(TNotifyEvent handler);
  UINT_PTR TimerID() const { return FTimerID; }
  bool TimerOn() const { return FTimerOn; }  // a window timer exists

protected:
  virtual void Timer();

private:
  friend class TvxTimerWindow;
  friend void FinalizevxControls();
  void Start();
  void Stop();
  void Restart();

  bool FEnabled = true;
  UINT_PTR FTimerID;
  unsigned FInterval = 1000;
  bool FTimerOn = false;
  TNotifyEvent FOnTimer;
};

// The library's own hidden message window (parent of child-style popups), and the timer
// window; both made on first use.
TvxMessageWindow& vxMessageWindow();
TvxTimerWindow& vxTimerWindow();

// --- Settings controller ----------------------------------------------------------------

// Tells the registered controls when the system's non-client metrics (and with them the
// scroll-bar sizes) change, by VXM_SCROLLBARMETRICSCHANGED. Its hidden window exists only
// while a control is registered.
class TvxSettingsController : public TObject {
public:
  TvxSettingsController() = default;
  ~TvxSettingsController() override;
  const char* ClassName() const override { return "TvxSettingsController"; }

  void AddListener(TWinControl* control);
  void RemoveListener(TWinControl* control);
  int ListenerCount() const { return static_cast<int>(FListeners.size()); }
  HWND Window() const { return FWindow; }

private:
  void WndProc(TMessage& m);
  std::vector<TWinControl*> FListeners;  // not owned
  HWND FWindow = nullptr;
};

TvxSettingsController& vxSettingsController();

// --- Mouse tracking ---------------------------------------------------------------------

// An object that wants to hear when the mouse has left it.
class IvxMouseTrackingCaller {
public:
  virtual void MouseLeave() = 0;

protected:
  ~IvxMouseTrackingCaller() = default;
};

// A tracked object that decides itself whether a point lies inside it, instead of the bounds
// given when tracking began. The point is in its control's client coordinates.
class IvxMouseTrackingPointTest {
public:
  virtual bool PtInCaller(const POINT& p) = 0;

protected:
  ~IvxMouseTrackingPointTest() = default;
};

// Polls the cursor every 10 ms for one tracked object. Owned by the tracking list.
class TMouseTrackingTimer : public TvxTimer {
public:
  // screenBounds: the tracked area in screen coordinates.
  TMouseTrackingTimer(TWinControl* control, const RECT& screenBounds, IvxMouseTrackingCaller* caller);
  const char* ClassName() const override { return "TMouseTrackingTimer"; }
  IvxMouseTrackingCaller* Caller() const { return FCaller; }
  TWinControl* Control() const { return FControl; }
  const RECT& Bounds() const { return FBounds; }

private:
  bool IsMouseInside();
  void Tick();
  IvxMouseTrackingCaller* FCaller;
  TWinControl* FControl;  // may be none
  RECT FBounds;
};

// Starts tracking caller, unless it is tracked already (the first bounds then stay). bounds is
// in control's client coordinates when control is given, else in screen coordinates. When the
// mouse leaves, the control (when it has a window and the cursor is off its client area)
// receives CM_MOUSELEAVE with lParam = the control, then the caller hears MouseLeave, and the
// tracking ends. Both run only while the control lives: the control must clear the object
// links to itself when it dies (TvxControl does) and end its trackings.
void BeginMouseTracking(TWinControl* control, const RECT& bounds, IvxMouseTrackingCaller* caller);
// Ends the tracking of caller; nothing when it is not tracked.
void EndMouseTracking(IvxMouseTrackingCaller* caller);
bool IsMouseTracking(IvxMouseTrackingCaller* caller);
// Ends every tracking that belongs to control (a control being destroyed calls it).
void EndControlMouseTracking(TWinControl* control);

// --- The control a helper object belongs to ---------------------------------------------

// What the helper objects below need of the TvxControl they belong to. TvxControl implements
// it; every host is a TWinControl as well, which the helpers reach by a cross-cast. Keeping
// the need this small lets the helpers stand on their own.
class IvxControlHost {
public:
  virtual TvxCanvas* ControlCanvas() = 0;
  // Takes a child component (and becomes its Control) or lets it go.
  virtual void AddChildComponent(TvxControlChildComponent* component) = 0;
  virtual void RemoveChildComponent(TvxControlChildComponent* component) = 0;

protected:
  ~IvxControlHost() = default;
};

// The host as a window control (nullptr for none).
TWinControl* vxHostControl(IvxControlHost* host);

// --- Drag and drop of the library's own kind --------------------------------------------

// One drag-and-drop operation of a control, created by the control when the operation starts
// and freed when it ends. Descendants draw the feedback and pick the cursor.
class TvxDragAndDropObject : public TObject {
public:
  explicit TvxDragAndDropObject(IvxControlHost* control);
  const char* ClassName() const override { return "TvxDragAndDropObject"; }

  IvxControlHost* Control() const { return FControl; }
  TvxCanvas* Canvas() const { return FCanvas; }
  bool Dirty() const { return FDirty; }
  void SetDirty(bool value);
  POINT CurMousePos() const { return FCurMousePos; }
  POINT PrevMousePos() const { return FPrevMousePos; }
  virtual bool GetImmediateStart() { return false; }

  // Both mouse positions := the cursor in control coordinates, then BeginDragAndDrop.
  void DoBeginDragAndDrop();
  // The current position becomes the previous one, p the current; then DragAndDrop.
  void DoDragAndDrop(POINT p, bool& accepted);
  void DoEndDragAndDrop(bool accepted);

protected:
  virtual void DirtyChanged() {}
  virtual TCursor GetDragAndDropCursor(bool accepted);
  virtual void EndDragAndDrop(bool accepted) {}
  virtual void BeginDragAndDrop();
  // Dirty := false, then the screen cursor follows the answer.
  virtual void DragAndDrop(POINT p, bool& accepted);
  virtual void BeforeEndDragAndDrop();

private:
  IvxControlHost* FControl;
  TvxCanvas* FCanvas;
  bool FDirty = false;
  POINT FCurMousePos{-1, -1};
  POINT FPrevMousePos{-1, -1};
};

// --- Child components -------------------------------------------------------------------

// A component that belongs to a control: its parent component is that control. Descendants
// initialise in their own constructors.
class TvxControlChildComponent : public TvxComponent {
public:
  explicit TvxControlChildComponent(TComponent* owner);
  // Owned by the control's owner when assignOwner, else by nobody; belongs to control, which
  // lists it (a control that dies first clears its Control).
  TvxControlChildComponent(IvxControlHost* control, bool assignOwner);
  ~TvxControlChildComponent() override;
  const char* ClassName() const override { return "TvxControlChildComponent"; }

  IvxControlHost* Control() const { return FControl; }
  // The host's AddChildComponent, and the dying host with none.
  void SetControl(IvxControlHost* control) { FControl = control; }
  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return FControl != nullptr; }
  // A TvxControl parent takes the component.
  void SetParentComponent(TComponent* parent) override;

private:
  IvxControlHost* FControl = nullptr;
};

// --- Plain helpers ----------------------------------------------------------------------

// Some parent of control (not control itself) has its window.
bool vxIsParentHandleAllocated(TControl* control);
UINT vxGetDoubleClickTime();
POINT vxGetMouseCursorPos();
bool vxIsCtrlDown();
POINT vxMapWindowPoint(HWND from, HWND to, POINT p);
RECT vxMapWindowRect(HWND from, HWND to, RECT r);  // both corners
WORD vxKeyCodeToWord(WPARAM key);                  // the low 16 bits
// Both offsets below Mouse.DragThreshold.
bool vxIsPointNear(POINT p0, POINT p);

// Which characters a number editor takes: integers take signs and digits; floats also the
// locale's decimal separator; floats with an exponent also 'e' and 'E'.
enum TvxNumericCharKind { nckInteger = 0, nckFloat = 1, nckFloatWithExponent = 2 };
bool vxIsNumericChar(char ch, TvxNumericCharKind kind);
// A printable character or byte: code 32 or more (double-byte lead and trail bytes count).
bool vxIsTextChar(char ch);

// The work area of the monitor that holds p (the nearest one when none does).
RECT GetDesktopWorkArea(POINT p);
// Replaces how GetDesktopWorkArea finds the work area (tests); an empty function restores
// the system's.
using TvxDesktopWorkAreaFunction = std::function<RECT(POINT)>;
void SetDesktopWorkAreaFunction(TvxDesktopWorkAreaFunction function);

// The drag-detection loop: captures the mouse for window and handles messages until the
// capture is lost. A button release answers vxddNone (and is handled first), Escape answers
// vxddCancel, a move of the mouse on window out of a square of twice the drag threshold
// around the starting cursor answers vxddDrag. WM_QUIT is posted again and ends the loop.
enum TvxDragDetect { vxddNone = 0, vxddDrag = 1, vxddCancel = 2 };
TvxDragDetect vxDragDetect(HWND window);

// --- Popup menus and mouse capture objects ----------------------------------------------

// A component that works as a control's popup menu without being a TPopupMenu.
class IvxPopupMenu {
public:
  // A key message (CN_KEYDOWN, CN_SYSKEYDOWN): true when the menu took it as a shortcut.
  virtual bool IsShortCut(TMessage& message) = 0;
  virtual void Popup(int x, int y) = 0;  // at a screen point

protected:
  ~IvxPopupMenu() = default;
};

// The shortcut test of a popup-menu component: an IvxPopupMenu's own; a TPopupMenu's when it
// has items; false for anything else.
bool vxPopupMenuIsShortCut(TComponent* menu, TMessage& message);
// Shows a popup-menu component at a screen point: an IvxPopupMenu always, a TPopupMenu only
// with AutoPopup (shown for popupComponent). Answers whether a menu was shown.
bool vxPopupMenuPopup(TComponent* menu, TComponent* popupComponent, int x, int y);

// An object of a control that holds the mouse for a while (a pressed button of a control);
// told when the control takes the mouse away from it.
class IvxMouseCaptureObject {
public:
  virtual void DoCancelMode() = 0;

protected:
  ~IvxMouseCaptureObject() = default;
};

// --- Platform drag objects --------------------------------------------------------------

// The platform drag object of a TvxControl: the copy cursor while Ctrl is held over a target
// that accepts. It frees itself when the drag is over.
class TvxDragControlObject : public TDragControlObject {
public:
  using TDragControlObject::TDragControlObject;
  const char* ClassName() const override { return "TvxDragControlObject"; }
  TCursor GetDragCursor(bool accepted, int x, int y) override;
  void Finished(TObject* target, int x, int y, bool accepted) override;
};

// The drag image list of a TvxControl.
class TvxDragImageList : public TDragImageList {
public:
  explicit TvxDragImageList(TComponent* owner) : TDragImageList(owner) {}
  const char* ClassName() const override { return "TvxDragImageList"; }
};

// --- Class references -------------------------------------------------------------------

// A class that a control makes objects of, chosen by a virtual operation so that descendants
// substitute their own: its name and how to make one.
template <class Base, class... Args>
struct TvxObjectClassInfo : TvxClassInfo {
  Base* (*Create)(Args... args);
};

// The one class reference of class T, made with T's constructor taking args.
template <class T, class Base, class... Args>
const TvxObjectClassInfo<Base, Args...>* vxObjectClassOf(const char* className) {
  static const TvxObjectClassInfo<Base, Args...> info{{className}, [](Args... args) -> Base* { return new T(args...); }};
  return &info;
}

using TvxDragAndDropObjectClass = const TvxObjectClassInfo<TvxDragAndDropObject, IvxControlHost*>*;
using TvxDragControlObjectClass = const TvxObjectClassInfo<TDragControlObject, TControl*>*;
using TvxDragImageListClass = const TvxObjectClassInfo<TvxDragImageList, TComponent*>*;

// --- Scroll bars of a control ------------------------------------------------------------

// One of the two scroll bars a TvxControl owns: face-coloured, hidden until the control shows
// it, never a tab stop, drawn in the control's look. A press on it focuses the control first
// (when the control wants that, see TvxControl::IsScrollBarFocusTarget).
class TvxControlScrollBar : public TvxScrollBar {
public:
  explicit TvxControlScrollBar(TvxControl* owner);
  const char* ClassName() const override { return "TvxControlScrollBar"; }
  LRESULT WndProc(TMessage& m) override;

protected:
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
};

// The square between the two scroll bars of a control, filled with its colour.
class TvxSizeGrip : public TCustomControl {
public:
  explicit TvxSizeGrip(TComponent* owner);
  const char* ClassName() const override { return "TvxSizeGrip"; }

protected:
  void Paint() override;
};

// --- The control base -------------------------------------------------------------------

enum TvxControlBorderStyle : uint8_t { vxcbsNone = 0, vxcbsDefault = 1 };
enum TvxDragAndDropState : uint8_t { ddsNone = 0, ddsStarting = 1, ddsInProcess = 2 };
// The keys a control wants for itself (WM_GETDLGCODE), as bits of TvxKeys.
using TvxKeys = uint8_t;
enum : TvxKeys { kAll = 1, kArrows = 2, kChars = 4, kTab = 8 };
enum TvxDirection : uint8_t { dirNone = 0, dirLeft = 1, dirRight = 2, dirUp = 3, dirDown = 4 };
enum TvxMouseWheelScrollingKind : uint8_t { mwskNone = 0, mwskHorizontal = 1, mwskVertical = 2 };

// Told when a control's font changes.
class IvxFontListener {
public:
  virtual void FontChanged(TObject* sender, TFont& font) = 0;

protected:
  ~IvxFontListener() = default;
};

// The middle-button auto-scroll mode: where the mouse is relative to where the mode began
// decides the direction and the speed (1 to 12). Inside the dead zone (the mark's size around
// the start, stretched over the whole screen across a missing bar) nothing scrolls. A step is
// taken on every tick whose count is divisible by 13 - speed: every 20 ms tick at speed 12,
// every 12th at speed 1.
struct TvxAutoScrollMotion {
  TvxDirection Direction = dirNone;
  int Speed = 0;
};
TvxAutoScrollMotion vxAutoScrollMotion(POINT start, POINT p, SIZE mark, bool hasHorzBar, bool hasVertBar,
                                       SIZE screen);
bool vxAutoScrollStepDue(int tick, int speed);

// The base of every owner-drawn control of the library (the container and with it every
// editor, the calculator). On top of the custom control it adds:
// - a TvxCanvas on the control's canvas and an own look-and-feel whose painter draws the
//   border (BorderStyle vxcbsDefault) and whatever descendants draw;
// - two own scroll bars and a size grip, made on first need when HasScrollBars answers true.
//   Descendants describe their content in InitScrollBarsParameters through SetScrollBarInfo;
//   UpdateScrollBars (run by BoundsChanged, after every resize) finds which bars show, in
//   passes that each see the client area the bars of the pass before leave, and places them;
//   steps on the bars, the wheel and the middle-button auto-scroll reach Scroll;
// - the keys the control wants (Keys), focus on click, a popup menu that may be any
//   IvxPopupMenu component, focus-change and mouse enter/leave events;
// - a drag and drop of its own kind beside the platform's (StartDragAndDrop says whether a
//   press starts one; the drag-and-drop object of GetDragAndDropObjectClass draws it), and
//   the platform's drag with its own drag object and drag images.
// C++ runs only this class's overrides while this class is being constructed, so what the
// base asks descendants (HasScrollBars, HasDragImages, MayFocus) is asked when first needed,
// not in the constructor: InitControl (when the window is made) adds csDisplayDragImage to a
// control that has drag images.
// A control being destroyed ends its mouse trackings, gives up its mouse capture object, lets
// its child components go, clears the object links to itself and leaves the settings
// controller. The window procedure holds an object link on the control while a message runs,
// so handlers may free it.
class TvxControl : public TCustomControl, public IvxControlHost {
public:
  explicit TvxControl(TComponent* owner);
  ~TvxControl() override;
  const char* ClassName() const override { return "TvxControl"; }

  // The library canvas on the control's canvas (the platform canvas stays reachable as
  // TCustomControl::Canvas).
  TvxCanvas& Canvas() { return *FCanvas; }
  TvxControlBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TvxControlBorderStyle value);
  TvxDragAndDropObjectClass DragAndDropObjectClass() const { return FDragAndDropObjectClass; }
  void SetDragAndDropObjectClass(TvxDragAndDropObjectClass value) { FDragAndDropObjectClass = value; }
  TvxDragAndDropObject* DragAndDropObject();  // made on first use
  TvxDragAndDropState DragAndDropState() const { return FDragAndDropState; }
  // Setting ddsNone from outside a finishing drag and drop also cancels the mouse mode.
  void SetDragAndDropState(TvxDragAndDropState value);
  bool FocusOnClick() const { return FFocusOnClick; }
  void SetFocusOnClick(bool value) { FFocusOnClick = value; }
  // The scroll bars and the size grip (nullptr when HasScrollBars answers false).
  TvxControlScrollBar* HScrollBar();
  TvxControlScrollBar* VScrollBar();
  TvxSizeGrip* SizeGrip();
  TvxKeys Keys() const { return FKeys; }
  void SetKeys(TvxKeys value) { FKeys = value; }
  TvxLookAndFeel& LookAndFeel() { return *FLookAndFeel; }
  void SetLookAndFeel(const TvxLookAndFeel& value) { FLookAndFeel->Assign(&value); }
  IvxMouseCaptureObject* MouseCaptureObject() const { return FMouseCaptureObject; }
  void SetMouseCaptureObject(IvxMouseCaptureObject* value);
  POINT MouseDownPos() const { return FMouseDownPos; }
  bool MouseButtonPressed() const { return FMouseButtonPressed; }
  // A TPopupMenu or a component implementing IvxPopupMenu; anything else is stored as none.
  // (This hides the platform's TPopupMenu-only property.)
  TComponent* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TComponent* value);
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle value);
  // When not empty, this rectangle is the control's drawing bounds instead of the client area.
  const RECT& DrawingBounds() const { return FBounds; }
  void SetDrawingBounds(const RECT& value);
  bool IsAutoScrolling() const { return FIsAutoScrolling; }
  bool IsHScrollBarVisible();
  bool IsVScrollBarVisible();
  // While locked, UpdateScrollBars does nothing; the last unlock updates them.
  void LockScrollBars() { ++FScrollBarsLockCount; }
  void UnlockScrollBars();
  void InvalidateRect(const RECT& r, bool erase);  // only with a window
  // The popup-menu shortcut test: the control's popup menu, then those of the TvxControls it
  // sits in, nearest first (never at design time). True when one took the key.
  bool IsPopupMenuShortCut(TMessage& message);
  void AddFontListener(IvxFontListener* listener);
  void RemoveFontListener(IvxFontListener* listener);

  TNotifyEvent OnFocusChanged;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  LRESULT WndProc(TMessage& m) override;

  // IvxControlHost
  TvxCanvas* ControlCanvas() override { return FCanvas.get(); }
  void AddChildComponent(TvxControlChildComponent* component) override;
  void RemoveChildComponent(TvxControlChildComponent* component) override;

  // --- What others ask of the control (descendants may answer otherwise) -----------------
  // Shows a popup-menu component at a screen point; true when one was shown.
  virtual bool DoShowPopupMenu(TComponent* menu, int x, int y);
  virtual bool CanFocusOnClick();
  // Asked by the scroll bars when they are pressed: may the control take the focus?
  virtual bool IsScrollBarFocusTarget() { return CanFocusOnClick(); }
  virtual int GetBorderSize();
  virtual RECT GetBounds();
  // The bounds less the border and the visible scroll bars.
  virtual RECT GetClientBounds();
  virtual TCursor GetCursor(int x, int y) { return FDefaultCursor; }
  virtual bool IsFocused() { return Focused(); }
  virtual TvxMouseWheelScrollingKind GetMouseWheelScrollingKind();
  // False: WM_ERASEBKGND is answered without erasing.
  virtual bool HasBackground() { return false; }
  virtual bool IsInternalControl(TControl* control);
  virtual TvxLookAndFeelPainterClass GetPainter();
  virtual bool HasScrollBars() { return true; }
  virtual void UpdateScrollBars();
  // The control and its form can take the focus.
  virtual bool IsFocusable();

protected:
  // --- Operations descendants override ---------------------------------------------------
  virtual void ParentBackgroundChanged() {}
  // After a button-down message was handled: the automatic platform drag for the left
  // button, the auto-scroll mode for the middle one.
  virtual void AfterMouseDown(TMouseButton button, int x, int y);
  virtual bool AllowAutoDragAndDropAtDesignTime(int x, int y, TShiftState shift) { return true; }
  virtual void BeforeMouseDown(TMouseButton button, TShiftState shift, int x, int y) {}
  virtual void BringInternalControlsToFront();
  // Mouse up: drag and drop finished as accepted, the capture object let go.
  virtual void FinishMouseAction();
  virtual bool CanFocusOnClickAt(int x, int y) { return CanFocusOnClick(); }
  // The window exists: the scroll bars and the size grip take the control as parent.
  virtual void InitControl();
  virtual void LookAndFeelChanged(TvxLookAndFeel* sender, TvxLookAndFeelValues changedValues) {}
  virtual RECT GetHScrollBarBounds();
  virtual RECT GetSizeGripBounds();
  virtual RECT GetVScrollBarBounds();
  // Descendants describe their content here with SetScrollBarInfo.
  virtual void InitScrollBarsParameters() {}
  virtual bool ReservedScrollBarQuery() { return false; }
  virtual bool NeedsScrollBarsToFront() { return true; }
  // A step on a scroll bar (also the wheel's and the auto-scroll's). scrollPos is the bar's
  // new position; the control may change it.
  virtual void Scroll(TScrollBarKind scrollBarKind, TScrollCode scrollCode, int& scrollPos) {}
  virtual void SetScrollBarsBounds();
  virtual TvxDragAndDropObjectClass GetDragAndDropObjectClass();
  virtual void DrawDragImage(TvxCanvas& canvas, const RECT& r) {}
  virtual TvxDragImageListClass GetDragImagesClass();
  virtual POINT GetDragImagesSize() { return POINT{0, 0}; }
  virtual bool HasDragImages() { return false; }
  virtual void InitDragImages(TvxDragImageList& dragImages);
  // With automatic dragging: is (x, y) still within the drag threshold of the press?
  virtual bool IsMouseInPressedArea(int x, int y);

  // A bar's parameters, for InitScrollBarsParameters. The bar shows (enabled, with these
  // values) when allowed and ScrollBars has its direction, min <= max, the range
  // max - min + 1 exceeds the page and position >= min. Otherwise a range that fits is hidden,
  // or shown disabled when allowHide is false; a bar that may not show is hidden.
  void SetScrollBarInfo(TScrollBarKind kind, int min, int max, int step, int page, int position, bool allowShow,
                        bool allowHide);
  // One line step in a direction on the bar of that direction (nothing for dirNone).
  void ScrollContent(TvxDirection direction);
  TvxDragImageList* DragImages() const { return FDragImages.get(); }
  // The mouse capture of the control's window.
  bool MouseCapture();
  void SetMouseCapture(bool value);

  // --- Notifications of this class (each empty or as noted) -------------------------------
  virtual void ColorChanged() {}
  virtual void VisibleChanged() {}
  virtual bool FocusWhenChildFocused() { return false; }
  virtual void BoundsChanged() { UpdateScrollBars(); }
  virtual bool CanDrag(int x, int y) { return FDragAndDropState == ddsNone; }
  virtual void CursorChanged() { FDefaultCursor = Cursor(); }
  virtual void DoCancelMode();
  virtual void FocusChanged();
  virtual void FontChanged();  // tells the font listeners, then repaints
  virtual bool GetDesignHitTest(int x, int y, TShiftState shift);
  virtual TvxDragControlObjectClass GetDragObjectClass();
  virtual bool MayFocus() { return true; }
  virtual void MouseEnter(TControl* control);
  virtual void MouseLeave(TControl* control);
  virtual void TextChanged() {}
  // The own drag and drop: a step (the object moves the feedback), the end (state none,
  // screen cursor restored, capture let go, the object's end step), whether a press at p
  // starts one, the platform drag may start, and the start proper (capture, state).
  virtual void DragAndDrop(POINT p, bool& accepted);
  virtual void EndDragAndDrop(bool accepted);
  virtual bool StartDragAndDrop(POINT p) { return false; }
  virtual bool StartDrag(TDragObject* dragObject) { return true; }
  virtual void BeginDragAndDrop();
  // Ends the own drag and drop (a guard keeps it from running twice); frees its object.
  void FinishDragAndDrop(bool accepted);

  // The message map. WndProc wraps it: it holds an object link on the control, handles a
  // left press as a plain one when automatic dragging would start at the press, and after the
  // message runs (unless the control died meanwhile) tells FocusChanged, ParentBackgroundChanged
  // and AfterMouseDown. Descendants put their message handlers in an override that chains to
  // the class above, so they run inside that frame; WndProc is for what comes before it.
  virtual LRESULT Dispatch(TMessage& m);

  // --- Platform overrides ---------------------------------------------------------------
  void Notification(TComponent* component, TOperation operation) override;
  TPopupMenu* GetPopupMenu() override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Paint() override;
  void Resize() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  bool DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) override;
  void DoContextPopup(POINT mousePos, bool& handled) override;
  void DoStartDrag(TDragObject*& dragObject) override;
  void DragOver(TObject* source, int x, int y, TDragState state, bool& accept) override;
  void DoEndDrag(TObject* target, int x, int y) override;
  TDragImageList* GetDragImages() override;

private:
  // What InitScrollBarsParameters last asked of a bar in the running update.
  struct TScrollBarInfo {
    bool Set = false;
    int Min = 0, Max = 0, Step = 0, Page = 0, Position = 0;
    bool AllowShow = false, AllowHide = false;
  };

  LRESULT WMContextMenu(TMessage& m);
  LRESULT WMGetDlgCode();
  LRESULT WMSetCursor(TMessage& m);
  LRESULT CMScrollBarMetricsChanged();
  LRESULT CNKeyDown(TMessage& m);
  void CreateScrollBars();
  void DestroyScrollBars();
  TvxControlScrollBar* ScrollBarOf(TScrollBarKind kind);
  bool& CalculatedVisibility(TScrollBarKind kind);
  bool ScrollBarFitsWith(TScrollBarKind kind, int extra) const;
  void RunAutoScroll();

  std::unique_ptr<TvxCanvas> FCanvas;
  TvxControlBorderStyle FBorderStyle = vxcbsNone;
  TCursor FDefaultCursor = crDefault;
  std::unique_ptr<TvxDragAndDropObject> FDragAndDropObject;
  TvxDragAndDropObjectClass FDragAndDropObjectClass = nullptr;
  TCursor FDragAndDropPrevCursor = crDefault;
  TvxDragAndDropState FDragAndDropState = ddsNone;
  std::unique_ptr<TvxDragImageList> FDragImages;
  bool FFinishingDragAndDrop = false;
  bool FFocusOnClick = true;
  std::vector<IvxFontListener*> FFontListeners;  // not owned
  TvxControlScrollBar* FHScrollBar = nullptr;      // owned
  TvxControlScrollBar* FVScrollBar = nullptr;      // owned
  TvxSizeGrip* FSizeGrip = nullptr;                // owned
  bool FScrollBarsCreated = false;
  TvxKeys FKeys = 0;
  std::unique_ptr<TvxLookAndFeel> FLookAndFeel;
  bool FMouseButtonPressed = false;
  IvxMouseCaptureObject* FMouseCaptureObject = nullptr;
  POINT FMouseDownPos{};
  TComponent* FPopupMenu = nullptr;
  TScrollStyle FScrollBars = TScrollStyle::ssBoth;
  int FScrollBarsLockCount = 0;
  bool FUpdatingScrollBars = false;
  bool FCalculatingScrollBars = false;
  bool FCalculatedHVisible = false, FCalculatedVVisible = false;
  TScrollBarInfo FScrollBarInfo[2];
  RECT FBounds{};
  bool FIsAutoScrolling = false;
  bool FParentBackgroundState = true;
  TDragObject* FCurrentDragObject = nullptr;  // the platform drag over the control, for painting
  std::vector<TvxControlChildComponent*> FChildComponents;  // not owned
};

// --- Popup window ------------------------------------------------------------------------

enum TvxPopupAlignHorz : uint8_t { pahLeft = 0, pahCenter = 1, pahRight = 2 };
enum TvxPopupAlignVert : uint8_t { pavTop = 0, pavCenter = 1, pavBottom = 2 };
// Which sides of the owner rectangle the popup may sit on: above or below it (vertical), or
// left or right of it (horizontal). Only 0 means horizontal; any other value is vertical.
enum TvxPopupDirection : uint8_t { pdHorizontal = 0, pdVertical = 1 };
enum TvxPopupBorderStyle : uint8_t { pbsNone = 0, pbsSingle = 1, pbs3D = 2, pbsDouble3D = 3 };

// Where a popup of a size goes beside the owner rectangle (both in screen coordinates). The
// alignments put it on a side; when it does not fit there and the other side has more room it
// flips (at equal room it stays); across the direction it is kept inside the work area (the
// work area of the monitor that holds the first position, GetDesktopWorkArea).
POINT vxCalculatePopupPosition(const RECT& ownerRect, SIZE size, TvxPopupAlignHorz alignHorz,
                               TvxPopupAlignVert alignVert, TvxPopupDirection direction);

// A borderless form placed beside an owner rectangle and kept inside the monitor's work area,
// with an optional frame (drawn in the client area) and space inside it. Popup sizes it to its
// child controls (SizeToControls), places it and shows it; CloseUp hides it; it also hides when
// it loses the activation. The rectangle is OwnerBounds in OwnerParent's client coordinates
// (screen coordinates without an OwnerParent). The owner given to the constructor owns the
// popup as a component. Object links to the popup are cleared when it dies.
class TvxPopupWindow : public TForm {
public:
  explicit TvxPopupWindow(TComponent* owner);
  ~TvxPopupWindow() override;
  const char* ClassName() const override { return "TvxPopupWindow"; }

  TvxCanvas& Canvas() { return *FCanvas; }
  bool SizeToControls() const { return FSizeToControls; }
  void SetSizeToControls(bool value) { FSizeToControls = value; }
  TvxPopupAlignHorz AlignHorz() const { return FAlignHorz; }
  void SetAlignHorz(TvxPopupAlignHorz value) { FAlignHorz = value; }
  TvxPopupAlignVert AlignVert() const { return FAlignVert; }
  void SetAlignVert(TvxPopupAlignVert value) { FAlignVert = value; }
  int BorderSpace() const { return FBorderSpace; }
  void SetBorderSpace(int value) { FBorderSpace = value; }
  TvxPopupBorderStyle PopupBorderStyle() const { return FPopupBorderStyle; }
  void SetPopupBorderStyle(TvxPopupBorderStyle value);
  TvxPopupDirection Direction() const { return FDirection; }
  void SetDirection(TvxPopupDirection value) { FDirection = value; }
  TColor FrameColor() const { return FFrameColor; }
  void SetFrameColor(TColor value);
  const RECT& OwnerBounds() const { return FOwnerBounds; }
  void SetOwnerBounds(const RECT& value) { FOwnerBounds = value; }
  // The control whose client coordinates OwnerBounds uses (forgotten when it is freed).
  TControl* OwnerParent() const { return FOwnerParent; }
  void SetOwnerParent(TControl* value) { SetReference(FOwnerParent, value); }
  // The window that lost the activation to the popup; its caption is kept active.
  HWND PrevActiveWindow() const { return FPrevActiveWindow; }
  // OwnerBounds in screen coordinates.
  RECT OwnerScreenBounds();

  // The top-left corner the popup takes for its current size.
  virtual POINT CalculatePosition();
  // With SizeToControls, fits the client area to the child controls plus the border widths.
  virtual void CalculateSize();
  // The frame width plus BorderSpace, on one side.
  virtual int GetBorderWidth(TvxBorder side);
  // 0, 1, 1 and 2 pixels for the four border styles.
  virtual int GetFrameWidth();
  virtual void SetFontFromOwner();
  virtual void DrawFrame();
  virtual void CloseUp();
  virtual void Popup();

  LRESULT WndProc(TMessage& m) override;

protected:
  void Notification(TComponent* component, TOperation operation) override;
  void Deactivate() override;
  void Paint() override;

private:
  std::unique_ptr<TvxCanvas> FCanvas;
  bool FSizeToControls = true;
  TvxPopupAlignHorz FAlignHorz = pahLeft;
  TvxPopupAlignVert FAlignVert = pavBottom;
  int FBorderSpace = 0;
  TvxPopupBorderStyle FPopupBorderStyle = pbsNone;
  TvxPopupDirection FDirection = pdVertical;
  TColor FFrameColor = clWindowText;
  RECT FOwnerBounds{};
  TControl* FOwnerParent = nullptr;
  HWND FPrevActiveWindow = nullptr;
};

// --- Unit start-up and shutdown ---------------------------------------------------------

// Reads the platform flags, registers the library cursors with the screen (the screen must
// exist) and binds the monitor functions of USER32.
void InitializevxControls();
// Frees the tracking timers, USER32, the settings controller, the timer window, the running
// list and the message window; raises when tracking timers were left, after freeing them.
void FinalizevxControls();
