// The control library's window services and the helpers its controls share: hidden message
// windows, timers that need no window of their own, the settings controller that tells
// controls when the system's scroll-bar metrics change, mouse-leave tracking, the library
// cursors, the drag-and-drop object and child components of a control, and small helpers.
// The control base TvxControl builds on all of them.
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
#pragma once

#include "controls/vxClasses.h"
#include "platform/gui/Controls.h"

#include <windows.h>

#include <functional>

class TvxCanvas;  // the library's canvas wrapper (vxGraphics)
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
  // Owned by the control's owner when assignOwner, else by nobody; belongs to control.
  TvxControlChildComponent(IvxControlHost* control, bool assignOwner);
  ~TvxControlChildComponent() override;
  const char* ClassName() const override { return "TvxControlChildComponent"; }

  IvxControlHost* Control() const { return FControl; }
  void SetControl(IvxControlHost* control) { FControl = control; }  // the host's AddChildComponent
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

// --- Unit start-up and shutdown ---------------------------------------------------------

// Reads the platform flags, registers the library cursors with the screen (the screen must
// exist) and binds the monitor functions of USER32.
void InitializevxControls();
// Frees the tracking timers, USER32, the settings controller, the timer window, the running
// list and the message window; raises when tracking timers were left, after freeing them.
void FinalizevxControls();
