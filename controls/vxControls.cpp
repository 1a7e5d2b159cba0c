#include "controls/vxControls.h"

#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SysExceptions.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <map>
#include <memory>
#include <vector>

namespace {

TvxPlatformFlags GPlatformFlags;

std::unique_ptr<TvxMessageWindow> GMessageWindow;
std::unique_ptr<TvxTimerWindow> GTimerWindow;
// Running timers by identifier; the timer window calls only these.
std::unique_ptr<std::map<UINT_PTR, TvxTimer*>> GRunningTimers;
// Identifiers are handed out in turn; 0 is never one.
UINT_PTR GLastTimerID = 0;

std::unique_ptr<TvxSettingsController> GSettingsController;

using TTrackingTimerList = std::vector<std::unique_ptr<TMouseTrackingTimer>>;
std::unique_ptr<TTrackingTimerList> GTrackingTimers;

// The monitor functions, bound from USER32 at start-up (the system may lack them).
using TMonitorFromPoint = HMONITOR(WINAPI*)(POINT, DWORD);
using TGetMonitorInfo = BOOL(WINAPI*)(HMONITOR, LPMONITORINFO);
HMODULE GUser32 = nullptr;
TMonitorFromPoint GMonitorFromPoint = nullptr;
TGetMonitorInfo GGetMonitorInfo = nullptr;
TvxDesktopWorkAreaFunction GWorkAreaFunction;

std::map<UINT_PTR, TvxTimer*>& RunningTimers() {
  if (!GRunningTimers) GRunningTimers = std::make_unique<std::map<UINT_PTR, TvxTimer*>>();
  return *GRunningTimers;
}

UINT_PTR NextTimerID() {
  if (++GLastTimerID == 0) ++GLastTimerID;
  return GLastTimerID;
}

TTrackingTimerList& TrackingTimers() {
  if (!GTrackingTimers) GTrackingTimers = std::make_unique<TTrackingTimerList>();
  return *GTrackingTimers;
}

TTrackingTimerList::iterator FindTracking(IvxMouseTrackingCaller* caller) {
  TTrackingTimerList& list = TrackingTimers();
  return std::find_if(list.begin(), list.end(), [caller](const auto& t) { return t->Caller() == caller; });
}

// Takes timer out of the tracking list; the caller owns it then (nullptr when not listed).
std::unique_ptr<TMouseTrackingTimer> TakeTrackingTimer(TMouseTrackingTimer* timer) {
  TTrackingTimerList& list = TrackingTimers();
  auto it = std::find_if(list.begin(), list.end(), [timer](const auto& t) { return t.get() == timer; });
  if (it == list.end()) return nullptr;
  std::unique_ptr<TMouseTrackingTimer> taken = std::move(*it);
  list.erase(it);
  return taken;
}

// The next message for a modal loop of the library; false when the loop must end: the
// program is ending (the quit message is posted again for the real message loop) or the
// queue failed.
bool GetModalMessage(MSG& msg) {
  const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
  if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
  return got > 0;
}

RECT SystemWorkArea(POINT p) {
  if (GMonitorFromPoint != nullptr && GGetMonitorInfo != nullptr) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    HMONITOR monitor = GMonitorFromPoint(p, MONITOR_DEFAULTTONEAREST);
    if (monitor != nullptr && GGetMonitorInfo(monitor, &info)) return info.rcWork;
  }
  RECT r{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

struct TLibraryCursor {
  TCursor Id;
  const char* ResourceName;
};

const TLibraryCursor kLibraryCursors[] = {
    {crDragCopy, "VX_DRAGCOPYCURSOR"},     {crvxFullScroll, "VX_FULLSCROLLCURSOR"},
    {crvxHorScroll, "VX_HORSCROLLCURSOR"}, {crvxVerScroll, "VX_VERSCROLLCURSOR"},
    {crvxUpScroll, "VX_UPSCROLLCURSOR"},   {crvxRightScroll, "VX_RIGHTSCROLLCURSOR"},
    {crvxDownScroll, "VX_DOWNSCROLLCURSOR"}, {crvxLeftScroll, "VX_LEFTSCROLLCURSOR"},
    {crvxRemove, "VX_REMOVECURSOR"},       {crvxVertSize, "VX_VERTSIZECURSOR"},
    {crvxHorzSize, "VX_HORZSIZECURSOR"},   {crvxMultiDrag, "VX_MULTIDRAGCURSOR"},
    {crvxNoDrop, "VX_NODROPCURSOR"},       {crvxDrag, "VX_DRAGCURSOR"},
};

}  // namespace

// --- Platform flags ---------------------------------------------------------------------

TvxPlatformFlags vxPlatformFlagsOf(DWORD platformId, DWORD majorVersion, DWORD minorVersion) {
  TvxPlatformFlags flags;
  bool nt = platformId == VER_PLATFORM_WIN32_NT;
  flags.Win9x = platformId == VER_PLATFORM_WIN32s || platformId == VER_PLATFORM_WIN32_WINDOWS;
  flags.NT5OrLater = nt && majorVersion >= 5;
  flags.NT5OrLaterMinor = nt && majorVersion >= 5 && minorVersion > 0;
  flags.NT4OrLater = nt && majorVersion >= 4;
  return flags;
}

const TvxPlatformFlags& vxPlatformFlags() { return GPlatformFlags; }

// --- Message windows and timers ---------------------------------------------------------

TvxMessageWindow::TvxMessageWindow() : FHandle(AllocateHWnd([this](TMessage& m) { WndProc(m); })) {}

TvxMessageWindow::~TvxMessageWindow() { DeallocateHWnd(FHandle); }

void TvxMessageWindow::WndProc(TMessage& m) { m.Result = DefWindowProcA(FHandle, m.Msg, m.WParam, m.LParam); }

void TvxTimerWindow::WndProc(TMessage& m) {
  if (m.Msg != WM_TIMER) {
    TvxMessageWindow::WndProc(m);
    return;
  }
  m.Result = 0;
  // A tick of a timer that has stopped may still be queued: it reaches nobody.
  auto& running = RunningTimers();
  auto it = running.find(m.WParam);
  if (it != running.end()) it->second->Timer();
}

TvxMessageWindow& vxMessageWindow() {
  if (!GMessageWindow) GMessageWindow = std::make_unique<TvxMessageWindow>();
  return *GMessageWindow;
}

TvxTimerWindow& vxTimerWindow() {
  if (!GTimerWindow) GTimerWindow = std::make_unique<TvxTimerWindow>();
  return *GTimerWindow;
}

TvxTimer::TvxTimer(TComponent* owner) : TComponent(owner), FTimerID(NextTimerID()) {}

TvxTimer::~TvxTimer() { Stop(); }

void TvxTimer::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  Restart();
}

void TvxTimer::SetInterval(unsigned value) {
  if (value == 0 || value == FInterval) return;
  FInterval = value;
  Restart();
}

void TvxTimer::SetOnTimer(TNotifyEvent handler) {
  FOnTimer = std::move(handler);
  Restart();
}

void TvxTimer::Timer() {
  // A copy: the handler may free the timer, and with it the stored one.
  TNotifyEvent handler = FOnTimer;
  if (handler) handler(this);
}

void TvxTimer::Start() {
  if (!FEnabled || FTimerOn || !FOnTimer) return;
  FTimerOn = SetTimer(vxTimerWindow().Handle(), FTimerID, FInterval, nullptr) != 0;
  if (FTimerOn) RunningTimers()[FTimerID] = this;
}

void TvxTimer::Stop() {
  if (!FTimerOn) return;
  if (GTimerWindow) KillTimer(GTimerWindow->Handle(), FTimerID);
  FTimerOn = false;
  if (GRunningTimers) GRunningTimers->erase(FTimerID);
}

void TvxTimer::Restart() {
  Stop();
  Start();
}

// --- Settings controller ----------------------------------------------------------------

TvxSettingsController::~TvxSettingsController() {
  if (FWindow != nullptr) DeallocateHWnd(FWindow);
}

void TvxSettingsController::AddListener(TWinControl* control) {
  if (std::find(FListeners.begin(), FListeners.end(), control) != FListeners.end()) return;
  if (FWindow == nullptr) FWindow = AllocateHWnd([this](TMessage& m) { WndProc(m); });
  FListeners.push_back(control);
}

void TvxSettingsController::RemoveListener(TWinControl* control) {
  FListeners.erase(std::remove(FListeners.begin(), FListeners.end(), control), FListeners.end());
  if (FListeners.empty() && FWindow != nullptr) {
    DeallocateHWnd(FWindow);
    FWindow = nullptr;
  }
}

void TvxSettingsController::WndProc(TMessage& m) {
  if (m.Msg == WM_SETTINGCHANGE && m.WParam == SPI_SETNONCLIENTMETRICS) {
    // A control told may free another (or itself): each is looked up again before it is told.
    std::vector<TWinControl*> listeners = FListeners;
    for (TWinControl* control : listeners) {
      if (std::find(FListeners.begin(), FListeners.end(), control) == FListeners.end()) continue;
      if (control->HandleAllocated()) SendNotifyMessageA(control->Handle(), VXM_SCROLLBARMETRICSCHANGED, 0, 0);
    }
    m.Result = 0;
    return;
  }
  m.Result = DefWindowProcA(FWindow, m.Msg, m.WParam, m.LParam);
}

TvxSettingsController& vxSettingsController() {
  if (!GSettingsController) GSettingsController = std::make_unique<TvxSettingsController>();
  return *GSettingsController;
}

// --- Mouse tracking ---------------------------------------------------------------------

TMouseTrackingTimer::TMouseTrackingTimer(TWinControl* control, const RECT& screenBounds,
                                         IvxMouseTrackingCaller* caller)
    : TvxTimer(nullptr), FCaller(caller), FControl(control), FBounds(screenBounds) {
  SetInterval(10);
  SetOnTimer([this](TObject*) { Tick(); });
}

bool TMouseTrackingTimer::IsMouseInside() {
  POINT cursor = vxGetMouseCursorPos();
  if (auto* test = dynamic_cast<IvxMouseTrackingPointTest*>(FCaller)) {
    // Without a window there is nothing to be inside of.
    if (FControl == nullptr || !FControl->HandleAllocated()) return false;
    return test->PtInCaller(FControl->ScreenToClient(cursor));
  }
  return PtInRect(&FBounds, cursor) != 0;
}

void TMouseTrackingTimer::Tick() {
  if (IsMouseInside()) return;
  // From here on only this tick owns the timer: whatever the leave starts (ending the tracking
  // again, beginning a new one, freeing the control) no longer finds it, and it is freed when
  // the tick returns. Nothing below reads a member.
  std::unique_ptr<TMouseTrackingTimer> self = TakeTrackingTimer(this);
  SetEnabled(false);
  if (!self) return;
  IvxMouseTrackingCaller* caller = FCaller;
  TWinControl* control = FControl;
  if (control == nullptr) {
    caller->MouseLeave();
    return;
  }
  TvxObjectLinkHolder link(control);
  if (control->HandleAllocated()) {
    POINT p = control->ScreenToClient(vxGetMouseCursorPos());
    RECT client = control->ClientRect();
    if (!PtInRect(&client, p))
      SendMessageA(control->Handle(), CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(control));
  }
  if (link.Object() != nullptr) caller->MouseLeave();
}

void BeginMouseTracking(TWinControl* control, const RECT& bounds, IvxMouseTrackingCaller* caller) {
  if (IsMouseTracking(caller)) return;
  RECT screen = bounds;
  if (control != nullptr) {
    POINT topLeft = control->ClientToScreen(POINT{bounds.left, bounds.top});
    POINT bottomRight = control->ClientToScreen(POINT{bounds.right, bounds.bottom});
    screen = RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
  }
  TrackingTimers().push_back(std::make_unique<TMouseTrackingTimer>(control, screen, caller));
}

void EndMouseTracking(IvxMouseTrackingCaller* caller) {
  auto it = FindTracking(caller);
  if (it == TrackingTimers().end()) return;
  std::unique_ptr<TMouseTrackingTimer> timer = std::move(*it);
  TrackingTimers().erase(it);
}

bool IsMouseTracking(IvxMouseTrackingCaller* caller) { return FindTracking(caller) != TrackingTimers().end(); }

void EndControlMouseTracking(TWinControl* control) {
  if (!GTrackingTimers || control == nullptr) return;
  TTrackingTimerList taken;
  auto& list = *GTrackingTimers;
  auto keep = std::stable_partition(list.begin(), list.end(), [control](const auto& t) { return t->Control() != control; });
  std::move(keep, list.end(), std::back_inserter(taken));
  list.erase(keep, list.end());
}

// --- Helper objects ---------------------------------------------------------------------

TWinControl* vxHostControl(IvxControlHost* host) { return dynamic_cast<TWinControl*>(host); }

TvxDragAndDropObject::TvxDragAndDropObject(IvxControlHost* control)
    : FControl(control), FCanvas(control != nullptr ? control->ControlCanvas() : nullptr) {}

void TvxDragAndDropObject::SetDirty(bool value) {
  if (value == FDirty) return;
  FDirty = value;
  DirtyChanged();
}

TCursor TvxDragAndDropObject::GetDragAndDropCursor(bool accepted) { return accepted ? crDrag : crNoDrop; }

void TvxDragAndDropObject::BeginDragAndDrop() { DirtyChanged(); }

void TvxDragAndDropObject::DragAndDrop(POINT p, bool& accepted) {
  SetDirty(false);
  Screen->SetCursor(GetDragAndDropCursor(accepted));
}

void TvxDragAndDropObject::BeforeEndDragAndDrop() { SetDirty(true); }

void TvxDragAndDropObject::DoBeginDragAndDrop() {
  POINT p = vxGetMouseCursorPos();
  if (TWinControl* control = vxHostControl(FControl)) p = control->ScreenToClient(p);
  FCurMousePos = p;
  FPrevMousePos = p;
  BeginDragAndDrop();
}

void TvxDragAndDropObject::DoDragAndDrop(POINT p, bool& accepted) {
  FPrevMousePos = FCurMousePos;
  FCurMousePos = p;
  DragAndDrop(p, accepted);
}

void TvxDragAndDropObject::DoEndDragAndDrop(bool accepted) {
  BeforeEndDragAndDrop();
  EndDragAndDrop(accepted);
}

TvxControlChildComponent::TvxControlChildComponent(TComponent* owner) : TvxComponent(owner) {}

TvxControlChildComponent::TvxControlChildComponent(IvxControlHost* control, bool assignOwner)
    : TvxComponent(assignOwner && vxHostControl(control) != nullptr ? vxHostControl(control)->Owner() : nullptr),
      FControl(control) {
  // Listed with the control, so that a control dying first lets the component go.
  if (control != nullptr) control->AddChildComponent(this);
}

TvxControlChildComponent::~TvxControlChildComponent() {
  Destroying();
  if (FControl != nullptr) FControl->RemoveChildComponent(this);
}

TComponent* TvxControlChildComponent::GetParentComponent() const { return vxHostControl(FControl); }

void TvxControlChildComponent::SetParentComponent(TComponent* parent) {
  TvxComponent::SetParentComponent(parent);
  if (auto* host = dynamic_cast<IvxControlHost*>(parent)) host->AddChildComponent(this);
}

// --- Plain helpers ----------------------------------------------------------------------

bool vxIsParentHandleAllocated(TControl* control) {
  for (TWinControl* p = control != nullptr ? control->Parent() : nullptr; p != nullptr; p = p->Parent())
    if (p->HandleAllocated()) return true;
  return false;
}

UINT vxGetDoubleClickTime() { return GetDoubleClickTime(); }

POINT vxGetMouseCursorPos() {
  POINT p{};
  GetCursorPos(&p);
  return p;
}

bool vxIsCtrlDown() { return GetAsyncKeyState(VK_CONTROL) < 0; }

POINT vxMapWindowPoint(HWND from, HWND to, POINT p) {
  MapWindowPoints(from, to, &p, 1);
  return p;
}

RECT vxMapWindowRect(HWND from, HWND to, RECT r) {
  POINT corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
  MapWindowPoints(from, to, corners, 2);
  return RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

WORD vxKeyCodeToWord(WPARAM key) { return static_cast<WORD>(key & 0xFFFF); }

bool vxIsPointNear(POINT p0, POINT p) {
  return std::abs(p.x - p0.x) < Mouse.DragThreshold && std::abs(p.y - p0.y) < Mouse.DragThreshold;
}

bool vxIsNumericChar(char ch, TvxNumericCharKind kind) {
  if (ch == '+' || ch == '-' || (ch >= '0' && ch <= '9')) return true;
  if (kind != nckInteger && ch == GetFormatSettings().DecimalSeparator) return true;
  return kind == nckFloatWithExponent && (ch == 'e' || ch == 'E');
}

bool vxIsTextChar(char ch) { return static_cast<unsigned char>(ch) >= 32; }

RECT GetDesktopWorkArea(POINT p) { return GWorkAreaFunction ? GWorkAreaFunction(p) : SystemWorkArea(p); }

void SetDesktopWorkAreaFunction(TvxDesktopWorkAreaFunction function) { GWorkAreaFunction = std::move(function); }

TvxDragDetect vxDragDetect(HWND window) {
  POINT start = vxGetMouseCursorPos();
  int t = Mouse.DragThreshold;
  RECT dragRect{start.x - t, start.y - t, start.x + t, start.y + t};
  SetCapture(window);
  TvxDragDetect result = vxddNone;
  MSG msg{};
  bool done = false;
  while (!done && GetCapture() == window && GetModalMessage(msg)) {
    switch (msg.message) {
      case WM_LBUTTONUP:
      case WM_RBUTTONUP:
      case WM_MBUTTONUP:
        // The control still hears of the release, as if no detection had run.
        result = vxddNone;
        done = true;
        break;
      case WM_KEYDOWN:
      case WM_KEYUP:
        if (msg.wParam == VK_ESCAPE) {
          result = vxddCancel;
          done = true;
          continue;
        }
        break;
      case WM_MOUSEMOVE:
        if (msg.hwnd == window) {
          POINT p{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
          ClientToScreen(window, &p);
          if (!PtInRect(&dragRect, p)) {
            result = vxddDrag;
            done = true;
            continue;
          }
        }
        break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (GetCapture() == window) ReleaseCapture();
  return result;
}

// --- Unit start-up and shutdown ---------------------------------------------------------

void InitializevxControls() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (GetVersionExA(&info)) GPlatformFlags = vxPlatformFlagsOf(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);

  HINSTANCE instance = GetModuleHandleA(nullptr);
  for (const TLibraryCursor& c : kLibraryCursors) {
    // A cursor the program lacks keeps the screen's default rather than no cursor at all.
    if (HCURSOR cursor = LoadCursorA(instance, c.ResourceName)) Screen->SetCursors(c.Id, cursor);
  }
  Screen->SetCursors(crvxHandPoint, LoadCursorA(nullptr, IDC_HAND));

  GUser32 = LoadLibraryA("USER32");
  if (GUser32 != nullptr) {
    GMonitorFromPoint = reinterpret_cast<TMonitorFromPoint>(reinterpret_cast<void*>(GetProcAddress(GUser32, "MonitorFromPoint")));
    GGetMonitorInfo = reinterpret_cast<TGetMonitorInfo>(reinterpret_cast<void*>(GetProcAddress(GUser32, "GetMonitorInfoA")));
  }
}

void FinalizevxControls() {
  // Tracking timers left behind are a fault of their owners; everything is still freed, and
  // the fault is reported last.
  bool trackingLeft = GTrackingTimers && !GTrackingTimers->empty();
  GTrackingTimers.reset();
  GMonitorFromPoint = nullptr;
  GGetMonitorInfo = nullptr;
  if (GUser32 != nullptr) {
    FreeLibrary(GUser32);
    GUser32 = nullptr;
  }
  GSettingsController.reset();
  // Timers that outlive the unit stop here: their window goes.
  if (GRunningTimers) {
    auto running = *GRunningTimers;
    for (auto& entry : running) entry.second->Stop();
  }
  GTimerWindow.reset();
  GRunningTimers.reset();
  GMessageWindow.reset();
  if (trackingLeft) throw Exception("MouseTrackingTimerList.Count <> 0");
}

// --- Popup menus ------------------------------------------------------------------------

bool vxPopupMenuIsShortCut(TComponent* menu, TMessage& message) {
  if (auto* own = dynamic_cast<IvxPopupMenu*>(menu)) return own->IsShortCut(message);
  if (auto* popup = dynamic_cast<TPopupMenu*>(menu)) return popup->Items().Count() > 0 && popup->IsShortCut(message);
  return false;
}

bool vxPopupMenuPopup(TComponent* menu, TComponent* popupComponent, int x, int y) {
  if (auto* own = dynamic_cast<IvxPopupMenu*>(menu)) {
    own->Popup(x, y);
    return true;
  }
  auto* popup = dynamic_cast<TPopupMenu*>(menu);
  if (popup == nullptr || !popup->AutoPopup()) return false;
  popup->SetPopupComponent(popupComponent);
  popup->Popup(x, y);
  return true;
}

// --- Platform drag objects --------------------------------------------------------------

TCursor TvxDragControlObject::GetDragCursor(bool accepted, int x, int y) {
  if (accepted && vxIsCtrlDown() && dynamic_cast<TvxControl*>(Control()) != nullptr) return crDragCopy;
  return TDragControlObject::GetDragCursor(accepted, x, y);
}

void TvxDragControlObject::Finished(TObject* target, int x, int y, bool accepted) {
  TDragControlObject::Finished(target, x, y, accepted);
  // Made by the control for this one drag, which is now over.
  delete this;
}

// --- Scroll bars of a control -----------------------------------------------------------

TvxControlScrollBar::TvxControlScrollBar(TvxControl* owner) : TvxScrollBar(owner) {
  SetColor(clBtnFace);
  SetControlStyle((ControlStyle() & ~csFramed) | csNoDesignVisible);
  SetTabStop(false);
  SetVisible(false);
  if (owner != nullptr) LookAndFeel().SetMasterLookAndFeel(&owner->LookAndFeel());
}

LRESULT TvxControlScrollBar::WndProc(TMessage& m) {
  if (m.Msg == CM_DESIGNHITTEST) return 1;
  return TvxScrollBar::WndProc(m);
}

void TvxControlScrollBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft) {
    if (auto* control = dynamic_cast<TvxControl*>(Parent())) {
      if (control->IsScrollBarFocusTarget()) control->SetFocus();
    } else if (Parent() != nullptr && Parent()->CanFocus()) {
      Parent()->SetFocus();
    }
  }
  TvxScrollBar::MouseDown(button, shift, x, y);
}

TvxSizeGrip::TvxSizeGrip(TComponent* owner) : TCustomControl(owner) {
  SetColor(clBtnFace);
  SetControlStyle(ControlStyle() | csNoDesignVisible);
}

void TvxSizeGrip::Paint() {
  TCanvas& canvas = Canvas();
  canvas.Brush().SetColor(Color());
  canvas.FillRect(ClientRect());
}

// --- Auto-scroll ------------------------------------------------------------------------

namespace {

constexpr int kMaxAutoScrollSpeed = 12;
constexpr UINT kAutoScrollTickInterval = 20;
// UpdateScrollBars gives up after this many passes: the bars' visibility then stands.
constexpr int kMaxScrollBarPasses = 4;
// Unpainted parts of a drag image show through.
constexpr TColor kDragImageMaskColor = clFuchsia;

}  // namespace

TvxAutoScrollMotion vxAutoScrollMotion(POINT start, POINT p, SIZE mark, bool hasHorzBar, bool hasVertBar,
                                       SIZE screen) {
  RECT deadZone{start.x - mark.cx / 2, start.y - mark.cy / 2, 0, 0};
  deadZone.right = deadZone.left + mark.cx;
  deadZone.bottom = deadZone.top + mark.cy;
  if (!hasHorzBar) {
    deadZone.left = 0;
    deadZone.right = screen.cx;
  }
  if (!hasVertBar) {
    deadZone.top = 0;
    deadZone.bottom = screen.cy;
  }
  if (PtInRect(&deadZone, p)) return TvxAutoScrollMotion{dirNone, 0};
  const int dx = p.x - start.x, dy = p.y - start.y;
  // Only a bar that is there can scroll: a sideways drift over a control with one vertical
  // bar keeps scrolling it.
  const bool horizontal = hasHorzBar && (!hasVertBar || std::abs(dx) > std::abs(dy));
  const int distance = horizontal ? std::abs(dx) : std::abs(dy);
  TvxAutoScrollMotion motion;
  motion.Direction = horizontal ? (dx < 0 ? dirLeft : dirRight) : (dy < 0 ? dirUp : dirDown);
  motion.Speed = std::clamp(static_cast<int>((distance - mark.cx / 2) / 5 + 1), 1, kMaxAutoScrollSpeed);
  return motion;
}

bool vxAutoScrollStepDue(int tick, int speed) {
  return tick % (kMaxAutoScrollSpeed + 1 - std::clamp(speed, 0, kMaxAutoScrollSpeed)) == 0;
}

// --- TvxControl -------------------------------------------------------------------------

TvxControl::TvxControl(TComponent* owner)
    : TCustomControl(owner), FLookAndFeel(std::make_unique<TvxLookAndFeel>(this)) {
  FCanvas = std::make_unique<TvxCanvas>(TCustomControl::Canvas());
  FDefaultCursor = Cursor();
  FLookAndFeel->OnChanged = [this](TvxLookAndFeel* sender, TvxLookAndFeelValues changed) {
    LookAndFeelChanged(sender, changed);
  };
  SetTabStop(MayFocus());
  FParentBackgroundState = true;
  SetParentBackground(true);
}

TvxControl::~TvxControl() {
  Destroying();
  EndControlMouseTracking(this);
  if (FMouseCaptureObject != nullptr) SetMouseCaptureObject(nullptr);
  if (HandleAllocated() && GetCapture() == Handle()) ReleaseCapture();
  // Child components outlive their control when someone else owns them.
  for (TvxControlChildComponent* child : std::vector<TvxControlChildComponent*>(FChildComponents))
    child->SetControl(nullptr);
  FChildComponents.clear();
  DestroyScrollBars();
  FFontListeners.clear();
  // A drag object made by DoStartDrag frees itself when the drag ends with a call back to it;
  // a drag whose source goes ends without one, so the drag frees it.
  if (auto* own = dynamic_cast<TvxDragControlObject*>(ActiveDragObject()); own != nullptr && own->Control() == this)
    HandDragObjectToDrag(own);
  FDragAndDropObject.reset();
  FDragImages.reset();
  FLookAndFeel->OnChanged = nullptr;
  FLookAndFeel.reset();
  if (TvxObjectLinkController* links = vxObjectLinkController()) links->ObjectDestroyed(this);
  if (FPopupMenu != nullptr) FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = nullptr;
  // The platform's destructor destroys the window; the canvas wrapper is not used from then on.
}

void TvxControl::SetBorderStyle(TvxControlBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  BoundsChanged();
  Invalidate();
}

void TvxControl::SetScrollBars(TScrollStyle value) {
  if (value == FScrollBars) return;
  FScrollBars = value;
  BoundsChanged();
}

void TvxControl::SetDrawingBounds(const RECT& value) {
  if (EqualRect(&value, &FBounds)) return;
  FBounds = value;
  BoundsChanged();
  Invalidate();
}

void TvxControl::UnlockScrollBars() {
  if (FScrollBarsLockCount > 0 && --FScrollBarsLockCount == 0) UpdateScrollBars();
}

void TvxControl::InvalidateRect(const RECT& r, bool erase) {
  if (HandleAllocated()) ::InvalidateRect(Handle(), &r, erase ? TRUE : FALSE);
}

void TvxControl::AddFontListener(IvxFontListener* listener) {
  if (std::find(FFontListeners.begin(), FFontListeners.end(), listener) == FFontListeners.end())
    FFontListeners.push_back(listener);
}

void TvxControl::RemoveFontListener(IvxFontListener* listener) {
  FFontListeners.erase(std::remove(FFontListeners.begin(), FFontListeners.end(), listener), FFontListeners.end());
}

void TvxControl::AddChildComponent(TvxControlChildComponent* component) {
  if (std::find(FChildComponents.begin(), FChildComponents.end(), component) == FChildComponents.end())
    FChildComponents.push_back(component);
  component->SetControl(this);
}

void TvxControl::RemoveChildComponent(TvxControlChildComponent* component) {
  FChildComponents.erase(std::remove(FChildComponents.begin(), FChildComponents.end(), component),
                         FChildComponents.end());
}

// --- Popup menu -------------------------------------------------------------------------

void TvxControl::SetPopupMenu(TComponent* value) {
  if (dynamic_cast<TPopupMenu*>(value) == nullptr && dynamic_cast<IvxPopupMenu*>(value) == nullptr) value = nullptr;
  SetReference(FPopupMenu, value);
}

TPopupMenu* TvxControl::GetPopupMenu() { return dynamic_cast<TPopupMenu*>(FPopupMenu); }

void TvxControl::Notification(TComponent* component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == FPopupMenu) FPopupMenu = nullptr;
}

bool TvxControl::DoShowPopupMenu(TComponent* menu, int x, int y) { return vxPopupMenuPopup(menu, this, x, y); }

void TvxControl::DoContextPopup(POINT mousePos, bool& handled) {
  TCustomControl::DoContextPopup(mousePos, handled);
  if (handled) return;
  // A request from the keyboard shows the menu at the control's top left corner.
  const bool fromKeyboard = mousePos.x == -1 && mousePos.y == -1;
  POINT screen = ClientToScreen(fromKeyboard ? POINT{0, 0} : mousePos);
  handled = DoShowPopupMenu(FPopupMenu, screen.x, screen.y);
}

bool TvxControl::IsPopupMenuShortCut(TMessage& message) {
  if (IsDesigning()) return false;
  for (TWinControl* c = this; c != nullptr; c = c->Parent()) {
    auto* control = dynamic_cast<TvxControl*>(c);
    if (control != nullptr && control->FPopupMenu != nullptr && vxPopupMenuIsShortCut(control->FPopupMenu, message))
      return true;
  }
  return false;
}

// --- Scroll bars ------------------------------------------------------------------------

void TvxControl::CreateScrollBars() {
  if (FScrollBarsCreated || IsDestroying() || !HasScrollBars()) return;
  FScrollBarsCreated = true;
  for (TScrollBarKind kind : {TScrollBarKind::sbHorizontal, TScrollBarKind::sbVertical}) {
    auto* bar = new TvxControlScrollBar(this);
    bar->SetKind(kind);
    if (kind == TScrollBarKind::sbVertical) bar->SetWidth(GetSystemMetrics(SM_CXVSCROLL));
    bar->OnScroll = [this, kind](TObject*, TScrollCode code, int& pos) { Scroll(kind, code, pos); };
    bar->SetParent(this);
    (kind == TScrollBarKind::sbHorizontal ? FHScrollBar : FVScrollBar) = bar;
  }
  FSizeGrip = new TvxSizeGrip(this);
  FSizeGrip->SetVisible(false);
  FSizeGrip->SetParent(this);
  vxSettingsController().AddListener(this);
}

void TvxControl::DestroyScrollBars() {
  if (!FScrollBarsCreated) return;
  // A control that outlives the unit finds no controller to leave.
  if (GSettingsController) GSettingsController->RemoveListener(this);
  delete FSizeGrip;
  FSizeGrip = nullptr;
  delete FVScrollBar;
  FVScrollBar = nullptr;
  delete FHScrollBar;
  FHScrollBar = nullptr;
  FScrollBarsCreated = false;
}

TvxControlScrollBar* TvxControl::HScrollBar() {
  CreateScrollBars();
  return FHScrollBar;
}

TvxControlScrollBar* TvxControl::VScrollBar() {
  CreateScrollBars();
  return FVScrollBar;
}

TvxSizeGrip* TvxControl::SizeGrip() {
  CreateScrollBars();
  return FSizeGrip;
}

TvxControlScrollBar* TvxControl::ScrollBarOf(TScrollBarKind kind) {
  return kind == TScrollBarKind::sbHorizontal ? HScrollBar() : VScrollBar();
}

bool& TvxControl::CalculatedVisibility(TScrollBarKind kind) {
  return kind == TScrollBarKind::sbHorizontal ? FCalculatedHVisible : FCalculatedVVisible;
}

bool TvxControl::IsHScrollBarVisible() {
  if (!HasScrollBars() || HScrollBar() == nullptr) return false;
  return FCalculatingScrollBars ? FCalculatedHVisible : FHScrollBar->Visible();
}

bool TvxControl::IsVScrollBarVisible() {
  if (!HasScrollBars() || VScrollBar() == nullptr) return false;
  return FCalculatingScrollBars ? FCalculatedVVisible : FVScrollBar->Visible();
}

void TvxControl::SetScrollBarInfo(TScrollBarKind kind, int min, int max, int step, int page, int position,
                                  bool allowShow, bool allowHide) {
  TvxControlScrollBar* bar = ScrollBarOf(kind);
  if (bar == nullptr) return;
  FScrollBarInfo[static_cast<int>(kind)] = TScrollBarInfo{true, min, max, step, page, position, allowShow, allowHide};
  const bool horizontal = kind == TScrollBarKind::sbHorizontal;
  const bool styleAllows = FScrollBars == TScrollStyle::ssBoth ||
                           FScrollBars == (horizontal ? TScrollStyle::ssHorizontal : TScrollStyle::ssVertical);
  bool visible = false;
  if (allowShow && styleAllows) {
    if (max >= min && static_cast<long long>(max) - min + 1 > page && position >= min) {
      bar->SetScrollParams(min, max, position, page);
      bar->SetSmallChange(static_cast<short>(step));
      bar->SetEnabled(true);
      visible = true;
    } else {
      // The whole range fits: no bar, or a disabled one where the control keeps it.
      visible = !allowHide;
      bar->SetEnabled(false);
    }
  }
  if (FCalculatingScrollBars)
    CalculatedVisibility(kind) = visible;
  else
    bar->SetVisible(visible);
}

bool TvxControl::ScrollBarFitsWith(TScrollBarKind kind, int extra) const {
  const TScrollBarInfo& info = FScrollBarInfo[static_cast<int>(kind)];
  return info.Set && static_cast<long long>(info.Max) - info.Min + 1 <= static_cast<long long>(info.Page) + extra;
}

void TvxControl::UpdateScrollBars() {
  if (!HasScrollBars() || FScrollBarsLockCount > 0 || FUpdatingScrollBars || IsDestroying()) return;
  CreateScrollBars();
  if (FHScrollBar == nullptr) return;
  bool changed;
  {
    struct TUpdating {
      TvxControl* c;
      ~TUpdating() {
        c->FUpdatingScrollBars = false;
        c->FCalculatingScrollBars = false;
      }
    } updating{this};
    FUpdatingScrollBars = true;
    const bool wasH = FHScrollBar->Visible(), wasV = FVScrollBar->Visible();
    FScrollBarInfo[0] = FScrollBarInfo[1] = TScrollBarInfo{};
    FCalculatingScrollBars = true;
    FCalculatedHVisible = FCalculatedVVisible = false;
    // Each pass sees the client area that the bars of the pass before leave.
    for (int pass = 0; pass < kMaxScrollBarPasses; ++pass) {
      const bool h = FCalculatedHVisible, v = FCalculatedVVisible;
      InitScrollBarsParameters();
      if (h == FCalculatedHVisible && v == FCalculatedVVisible) break;
    }
    // Two bars that are there only because each takes room from the other both go.
    if (FCalculatedHVisible && FCalculatedVVisible &&
        ScrollBarFitsWith(TScrollBarKind::sbHorizontal, FVScrollBar->Width()) &&
        ScrollBarFitsWith(TScrollBarKind::sbVertical, FHScrollBar->Height())) {
      const TScrollBarInfo h = FScrollBarInfo[0], v = FScrollBarInfo[1];
      SetScrollBarInfo(TScrollBarKind::sbHorizontal, h.Min, h.Max, h.Step, h.Page + FVScrollBar->Width(), h.Position,
                       h.AllowShow, h.AllowHide);
      SetScrollBarInfo(TScrollBarKind::sbVertical, v.Min, v.Max, v.Step, v.Page + FHScrollBar->Height(), v.Position,
                       v.AllowShow, v.AllowHide);
    }
    FCalculatingScrollBars = false;
    const bool nowH = FCalculatedHVisible, nowV = FCalculatedVVisible;
    FHScrollBar->SetVisible(nowH);
    FVScrollBar->SetVisible(nowV);
    changed = nowH != wasH || nowV != wasV;
    if (!changed) {
      FSizeGrip->SetVisible(nowH && nowV);
      SetScrollBarsBounds();
      if (NeedsScrollBarsToFront()) BringInternalControlsToFront();
    }
  }
  // The client area changed with the bars: everything placed in it, the bars included, again.
  if (changed) BoundsChanged();
}

RECT TvxControl::GetHScrollBarBounds() {
  RECT r = GetClientBounds();
  r.top = r.bottom;
  r.bottom = r.top + FHScrollBar->Height();
  return r;
}

RECT TvxControl::GetVScrollBarBounds() {
  RECT r = GetClientBounds();
  r.left = r.right;
  r.right = r.left + FVScrollBar->Width();
  return r;
}

RECT TvxControl::GetSizeGripBounds() {
  RECT r;
  r.left = FVScrollBar->Left();
  r.right = r.left + FVScrollBar->Width();
  r.top = FHScrollBar->Top();
  r.bottom = r.top + FHScrollBar->Height();
  return r;
}

void TvxControl::SetScrollBarsBounds() {
  auto place = [](TControl* control, const RECT& r) {
    control->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  };
  if (FHScrollBar->Visible()) place(FHScrollBar, GetHScrollBarBounds());
  if (FVScrollBar->Visible()) place(FVScrollBar, GetVScrollBarBounds());
  if (FSizeGrip->Visible()) place(FSizeGrip, GetSizeGripBounds());
}

void TvxControl::BringInternalControlsToFront() {
  for (TWinControl* control : {static_cast<TWinControl*>(FHScrollBar), static_cast<TWinControl*>(FVScrollBar),
                               static_cast<TWinControl*>(FSizeGrip)})
    if (control != nullptr) control->BringToFront();
}

bool TvxControl::IsInternalControl(TControl* control) {
  return control != nullptr && (control == FHScrollBar || control == FVScrollBar || control == FSizeGrip);
}

void TvxControl::ScrollContent(TvxDirection direction) {
  if (direction == dirNone || !HasScrollBars()) return;
  const bool horizontal = direction == dirLeft || direction == dirRight;
  TvxControlScrollBar* bar = horizontal ? HScrollBar() : VScrollBar();
  if (bar == nullptr) return;
  int position = bar->Position();
  Scroll(bar->Kind(), direction == dirLeft || direction == dirUp ? scLineUp : scLineDown, position);
}

TvxMouseWheelScrollingKind TvxControl::GetMouseWheelScrollingKind() {
  return IsVScrollBarVisible() ? mwskVertical : mwskNone;
}

bool TvxControl::DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) {
  if (TCustomControl::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
  const TvxMouseWheelScrollingKind kind = GetMouseWheelScrollingKind();
  if (kind == mwskNone) return false;
  const bool forward = wheelDelta >= 0;
  const TvxDirection direction =
      kind == mwskVertical ? (forward ? dirUp : dirDown) : (forward ? dirLeft : dirRight);
  const int lines = Mouse.WheelScrollLines();
  if (lines < 0) {
    // The system scrolls a page per notch (WHEEL_PAGESCROLL).
    TvxControlScrollBar* bar = kind == mwskVertical ? VScrollBar() : HScrollBar();
    if (bar == nullptr) return true;
    int position = bar->Position();
    Scroll(bar->Kind(), forward ? scPageUp : scPageDown, position);
    return true;
  }
  TvxObjectLinkHolder link(this);
  for (int i = 0; i < lines && link.Object() != nullptr; ++i) ScrollContent(direction);
  return true;
}

// --- Geometry and painting --------------------------------------------------------------

TvxLookAndFeelPainterClass TvxControl::GetPainter() { return FLookAndFeel->GetPainter(); }

int TvxControl::GetBorderSize() { return FBorderStyle == vxcbsNone ? 0 : GetPainter()->BorderSize(); }

RECT TvxControl::GetBounds() {
  if (!IsRectEmpty(&FBounds)) return FBounds;
  if (HandleAllocated()) return ClientRect();
  return RECT{0, 0, Width(), Height()};
}

RECT TvxControl::GetClientBounds() {
  RECT r = GetBounds();
  const int border = GetBorderSize();
  InflateRect(&r, -border, -border);
  if (IsHScrollBarVisible()) r.bottom -= FHScrollBar->Height();
  if (IsVScrollBarVisible()) r.right -= FVScrollBar->Width();
  return r;
}

void TvxControl::Paint() {
  if (FBorderStyle == vxcbsDefault) {
    GetPainter()->DrawBorder(*FCanvas, GetBounds());
    FCanvas->ExcludeClipRect(GetClientBounds());
  }
  TCustomControl::Paint();
}

void TvxControl::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style |= WS_CLIPCHILDREN;
}

void TvxControl::CreateWnd() {
  TCustomControl::CreateWnd();
  InitControl();
}

void TvxControl::InitControl() {
  // The first moment a descendant's answer can be asked (not in the constructor).
  if (HasDragImages()) SetControlStyle(ControlStyle() | csDisplayDragImage);
  CreateScrollBars();
  for (TControl* control : {static_cast<TControl*>(FHScrollBar), static_cast<TControl*>(FVScrollBar),
                            static_cast<TControl*>(FSizeGrip)})
    if (control != nullptr) control->SetParent(this);
}

void TvxControl::Resize() {
  TCustomControl::Resize();
  BoundsChanged();
}

void TvxControl::FontChanged() {
  for (IvxFontListener* listener : std::vector<IvxFontListener*>(FFontListeners)) listener->FontChanged(this, Font());
  Invalidate();
}

void TvxControl::FocusChanged() {
  if (OnFocusChanged) OnFocusChanged(this);
}

void TvxControl::MouseEnter(TControl*) {
  if (OnMouseEnter) OnMouseEnter(this);
}

void TvxControl::MouseLeave(TControl*) {
  if (OnMouseLeave) OnMouseLeave(this);
}

// --- Focus ------------------------------------------------------------------------------

bool TvxControl::CanFocusOnClick() { return !IsDesigning() && FFocusOnClick && MayFocus() && CanFocus(); }

bool TvxControl::IsFocusable() {
  if (!CanFocus()) return false;
  TCustomForm* form = GetParentForm(this);
  return form == nullptr || (form->CanFocus() && form->Enabled() && form->Visible());
}

// --- Mouse ------------------------------------------------------------------------------

bool TvxControl::MouseCapture() { return HandleAllocated() && GetCapture() == Handle(); }

void TvxControl::SetMouseCapture(bool value) {
  if (value == MouseCapture()) return;
  if (value)
    SetCapture(Handle());
  else
    ReleaseCapture();
}

void TvxControl::SetMouseCaptureObject(IvxMouseCaptureObject* value) {
  if (value == FMouseCaptureObject) return;
  const bool hadCapture = MouseCapture();
  IvxMouseCaptureObject* old = FMouseCaptureObject;
  FMouseCaptureObject = nullptr;
  if (old != nullptr) old->DoCancelMode();
  FMouseCaptureObject = value;
  if (IsDestroying()) return;
  SetMouseCapture(value != nullptr);
  // A drag and drop waiting for the mouse to move cannot start without the mouse.
  if (hadCapture && !MouseCapture() && FDragAndDropState == ddsStarting && HandleAllocated())
    SendMessageA(Handle(), WM_CANCELMODE, 0, 0);
}

void TvxControl::DoCancelMode() {
  FMouseButtonPressed = false;
  SetMouseCaptureObject(nullptr);
}

void TvxControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  FMouseDownPos = POINT{x, y};
  const bool doubleClick = (shift & ssDouble) != 0;
  if (CanFocusOnClickAt(x, y) && !doubleClick) {
    TvxObjectLinkHolder link(this);
    SetFocus();
    if (link.Object() == nullptr) return;
    TCustomForm* form = GetParentForm(this);
    if (form != nullptr && form->ActiveControl() == this && !Focused()) ::SetFocus(Handle());
    if (!Focused() && !FocusWhenChildFocused()) {
      // Something refused the focus (a validating editor): the press goes no further.
      SetMouseCapture(false);
      return;
    }
  }
  if (!doubleClick && !IsDesigning()) {
    if (StartDragAndDrop(POINT{x, y})) {
      if (DragAndDropObject()->GetImmediateStart())
        BeginDragAndDrop();
      else
        FDragAndDropState = ddsStarting;
    } else {
      FinishDragAndDrop(false);
    }
  }
  BeforeMouseDown(button, shift, x, y);
  TCustomControl::MouseDown(button, shift, x, y);
  FMouseButtonPressed = MouseCapture();
}

void TvxControl::MouseMove(TShiftState shift, int x, int y) {
  // The cursor shown follows the point; the control's own cursor stays the default.
  const TCursor defaultCursor = FDefaultCursor;
  SetCursor(GetCursor(x, y));
  FDefaultCursor = defaultCursor;
  TCustomControl::MouseMove(shift, x, y);
  if (FDragAndDropState == ddsStarting && !vxIsPointNear(FMouseDownPos, POINT{x, y})) {
    BeginDragAndDrop();
  } else if (FDragAndDropState == ddsInProcess) {
    bool accepted = false;
    DragAndDrop(POINT{x, y}, accepted);
  }
}

void TvxControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  FMouseButtonPressed = false;
  FinishMouseAction();
  TCustomControl::MouseUp(button, shift, x, y);
}

void TvxControl::FinishMouseAction() {
  FinishDragAndDrop(true);
  SetMouseCaptureObject(nullptr);
}

void TvxControl::KeyDown(WORD& key, TShiftState shift) {
  if (key == VK_ESCAPE) FinishDragAndDrop(false);
  TCustomControl::KeyDown(key, shift);
}

bool TvxControl::IsMouseInPressedArea(int x, int y) {
  if (DragMode() == TDragMode::dmManual) return true;
  return vxIsPointNear(FMouseDownPos, POINT{x, y});
}

bool TvxControl::GetDesignHitTest(int x, int y, TShiftState shift) {
  return FDragAndDropState != ddsNone || FMouseButtonPressed;
}

void TvxControl::AfterMouseDown(TMouseButton button, int x, int y) {
  if (button == TMouseButton::mbMiddle) {
    RunAutoScroll();
    return;
  }
  if (button != TMouseButton::mbLeft || DragMode() != TDragMode::dmAutomatic || !MouseCapture()) return;
  if (IsDesigning()) {
    if (!AllowAutoDragAndDropAtDesignTime(x, y, KeysToShiftState(0))) return;
  } else if (!CanDrag(x, y) || vxDragDetect(Handle()) != vxddDrag) {
    return;
  }
  BeginDrag(true, -1);
}

// --- Drag and drop of the library's own kind --------------------------------------------

TvxDragAndDropObjectClass TvxControl::GetDragAndDropObjectClass() {
  if (FDragAndDropObjectClass != nullptr) return FDragAndDropObjectClass;
  return vxObjectClassOf<TvxDragAndDropObject, TvxDragAndDropObject, IvxControlHost*>("TvxDragAndDropObject");
}

TvxDragAndDropObject* TvxControl::DragAndDropObject() {
  if (!FDragAndDropObject) FDragAndDropObject.reset(GetDragAndDropObjectClass()->Create(this));
  return FDragAndDropObject.get();
}

void TvxControl::SetDragAndDropState(TvxDragAndDropState value) {
  if (value == FDragAndDropState) return;
  FDragAndDropState = value;
  if (value == ddsNone && !FFinishingDragAndDrop) DoCancelMode();
}

void TvxControl::BeginDragAndDrop() {
  DragAndDropObject()->DoBeginDragAndDrop();
  SetMouseCapture(true);
  FDragAndDropPrevCursor = Screen->Cursor();
  FDragAndDropState = ddsInProcess;
}

void TvxControl::DragAndDrop(POINT p, bool& accepted) { DragAndDropObject()->DoDragAndDrop(p, accepted); }

void TvxControl::EndDragAndDrop(bool accepted) {
  SetDragAndDropState(ddsNone);
  Screen->SetCursor(FDragAndDropPrevCursor);
  SetMouseCapture(false);
  SetMouseCaptureObject(nullptr);
  DragAndDropObject()->DoEndDragAndDrop(accepted);
}

void TvxControl::FinishDragAndDrop(bool accepted) {
  if (FFinishingDragAndDrop) return;
  TvxObjectLinkHolder link(this);
  FFinishingDragAndDrop = true;
  try {
    if (FDragAndDropState == ddsInProcess)
      EndDragAndDrop(accepted);
    else
      FDragAndDropState = ddsNone;
  } catch (...) {
    if (link.Object() != nullptr) {
      FFinishingDragAndDrop = false;
      FDragAndDropObject.reset();
    }
    throw;
  }
  if (link.Object() == nullptr) return;
  FFinishingDragAndDrop = false;
  FDragAndDropObject.reset();
}

// --- Platform drag and drop -------------------------------------------------------------

TvxDragControlObjectClass TvxControl::GetDragObjectClass() {
  return vxObjectClassOf<TvxDragControlObject, TDragControlObject, TControl*>("TvxDragControlObject");
}

void TvxControl::DoStartDrag(TDragObject*& dragObject) {
  TCustomControl::DoStartDrag(dragObject);
  if (dragObject != nullptr) return;
  TvxDragControlObjectClass cls = GetDragObjectClass();
  if (cls == nullptr) return;
  dragObject = cls->Create(this);
  if (!StartDrag(dragObject)) {
    delete dragObject;
    dragObject = nullptr;
    throw EAbort("");  // the drag does not start, without a word
  }
}

void TvxControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
  FCurrentDragObject = state == TDragState::dsDragLeave ? nullptr : ActiveDragObject();
  TCustomControl::DragOver(source, x, y, state, accept);
}

void TvxControl::DoEndDrag(TObject* target, int x, int y) {
  FCurrentDragObject = nullptr;
  TvxObjectLinkHolder link(this);
  TCustomControl::DoEndDrag(target, x, y);
  if (link.Object() != nullptr) FDragImages.reset();
}

TvxDragImageListClass TvxControl::GetDragImagesClass() {
  return vxObjectClassOf<TvxDragImageList, TvxDragImageList, TComponent*>("TvxDragImageList");
}

void TvxControl::InitDragImages(TvxDragImageList& dragImages) {
  const POINT size = GetDragImagesSize();
  dragImages.SetSize(size.x, size.y);
  if (size.x == 0 || size.y == 0) return;
  TBitmap bitmap;
  bitmap.SetSize(size.x, size.y);
  bitmap.Canvas().Brush().SetColor(kDragImageMaskColor);
  bitmap.Canvas().FillRect(RECT{0, 0, size.x, size.y});
  TvxCanvas canvas(bitmap.Canvas());
  DrawDragImage(canvas, RECT{0, 0, size.x, size.y});
  dragImages.AddMasked(bitmap, kDragImageMaskColor);
}

TDragImageList* TvxControl::GetDragImages() {
  if (!HasDragImages()) return nullptr;
  if (!FDragImages) {
    FDragImages.reset(GetDragImagesClass()->Create(nullptr));
    InitDragImages(*FDragImages);
  }
  return FDragImages->Count() > 0 ? FDragImages.get() : nullptr;
}

// --- Auto-scroll loop -------------------------------------------------------------------

void TvxControl::RunAutoScroll() {
  const bool hasH = IsHScrollBarVisible(), hasV = IsVScrollBarVisible();
  if (!hasH && !hasV) return;
  TBitmap mark;
  const char* markName = hasH && hasV ? "VX_FULLSCROLLBITMAP" : (hasH ? "VX_HORSCROLLBITMAP" : "VX_VERSCROLLBITMAP");
  if (!mark.LoadFromResourceName(nullptr, markName)) return;
  const SIZE markSize{mark.Width(), mark.Height()};
  const SIZE screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  const TCursor stillCursor = hasH && hasV ? crvxFullScroll : (hasH ? crvxHorScroll : crvxVerScroll);
  const POINT start = vxGetMouseCursorPos();
  HWND self = Handle();

  // The mark: a round window over the start point that never takes the activation.
  HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP,
                                start.x - markSize.cx / 2, start.y - markSize.cy / 2, markSize.cx, markSize.cy,
                                self, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (window == nullptr) return;
  SetWindowRgn(window, CreateEllipticRgn(0, 0, markSize.cx + 1, markSize.cy + 1), FALSE);
  auto paintMark = [&] {
    HDC dc = GetWindowDC(window);
    BitBlt(dc, 0, 0, markSize.cx, markSize.cy, mark.Canvas().Handle(), 0, 0, SRCCOPY);
    HRGN frame = CreateEllipticRgn(0, 0, markSize.cx + 1, markSize.cy + 1);
    FrameRgn(dc, frame, GetSysColorBrush(COLOR_WINDOWFRAME), 1, 1);
    DeleteObject(frame);
    ReleaseDC(window, dc);
    ValidateRect(window, nullptr);
  };
  ShowWindow(window, SW_SHOWNOACTIVATE);
  paintMark();

  TvxObjectLinkHolder link(this);
  FIsAutoScrolling = true;
  const UINT_PTR timer = SetTimer(nullptr, 0, kAutoScrollTickInterval, nullptr);
  // However the loop ends (a handler may raise or free the control), the mode ends with it.
  struct TModeEnd {
    TvxControl* Control;
    TvxObjectLinkHolder& Link;
    HWND Self, Window;
    UINT_PTR Timer;
    ~TModeEnd() {
      if (GetCapture() == Self) ReleaseCapture();
      KillTimer(nullptr, Timer);
      DestroyWindow(Window);
      if (Link.Object() != nullptr) Control->FIsAutoScrolling = false;
    }
  } modeEnd{this, link, self, window, timer};
  SetCapture(self);
  ::SetCursor(Screen->Cursors(stillCursor));
  TvxAutoScrollMotion motion{dirNone, 1};
  POINT last = start;
  int ticks = 0;
  bool leftDeadZone = false;
  bool done = false;
  MSG msg{};
  while (!done && GetCapture() == self && GetModalMessage(msg)) {
    switch (msg.message) {
      case WM_PAINT:
        if (msg.hwnd == window) {
          paintMark();
          continue;
        }
        break;
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
        if (msg.wParam == VK_ESCAPE) {
          done = true;
          continue;
        }
        break;
      case WM_TIMER:
        if (msg.hwnd == nullptr && msg.wParam == timer) {
          ++ticks;
          if (vxAutoScrollStepDue(ticks, motion.Speed)) ScrollContent(motion.Direction);
          if (link.Object() == nullptr) done = true;
          continue;
        }
        break;
      case WM_MOUSEMOVE: {
        const POINT p = vxGetMouseCursorPos();
        if (p.x == last.x && p.y == last.y) continue;
        last = p;
        motion = vxAutoScrollMotion(start, p, markSize, hasH, hasV, screen);
        if (motion.Direction != dirNone) leftDeadZone = true;
        static constexpr TCursor kDirectionCursors[] = {crvxFullScroll, crvxLeftScroll, crvxRightScroll,
                                                        crvxUpScroll, crvxDownScroll};
        ::SetCursor(Screen->Cursors(motion.Direction == dirNone ? stillCursor : kDirectionCursors[motion.Direction]));
        continue;
      }
      case WM_MBUTTONUP:
        // The release of the press that began the mode leaves it on, unless the mouse has
        // been out of the dead zone since: then it was a press-and-drag.
        if (leftDeadZone) done = true;
        continue;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONUP:
      case WM_LBUTTONDBLCLK:
      case WM_RBUTTONDOWN:
      case WM_RBUTTONUP:
      case WM_RBUTTONDBLCLK:
      case WM_MBUTTONDOWN:
      case WM_MBUTTONDBLCLK:
      case WM_NCLBUTTONDOWN:
      case WM_NCRBUTTONDOWN:
      case WM_NCMBUTTONDOWN:
        done = true;
        continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    if (link.Object() == nullptr) done = true;
  }
}

// --- Messages ---------------------------------------------------------------------------

LRESULT TvxControl::WMContextMenu(TMessage& m) {
  if (m.Result != 0) return m.Result;
  if (IsDesigning()) return TCustomControl::WndProc(m);
  POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
  if (p.x != -1 || p.y != -1) {
    p = ScreenToClient(p);
    RECT client = ClientRect();
    if (!PtInRect(&client, p)) return TCustomControl::WndProc(m);
  }
  bool handled = false;
  DoContextPopup(p, handled);
  if (handled) return 1;
  // Not taken here: the window's own handling passes it to the parent window. (The platform's
  // handler would ask DoContextPopup, and with it OnContextPopup, a second time.)
  return DefaultHandler(m);
}

LRESULT TvxControl::WMGetDlgCode() {
  LRESULT result = 0;
  if (FKeys & kAll) result |= DLGC_WANTALLKEYS;
  if (FKeys & kArrows) result |= DLGC_WANTARROWS;
  if (FKeys & kChars) result |= DLGC_WANTCHARS;
  // Ctrl+Tab leaves the control even when it takes Tab.
  if ((FKeys & kTab) && !vxIsCtrlDown()) result |= DLGC_WANTTAB;
  return result;
}

LRESULT TvxControl::WMSetCursor(TMessage& m) {
  if (IsDesigning() && FDragAndDropState == ddsNone) {
    const POINT p = ScreenToClient(vxGetMouseCursorPos());
    if (GetDesignHitTest(p.x, p.y, ssLeft)) {
      ::SetCursor(Screen->Cursors(GetCursor(p.x, p.y)));
      return 1;
    }
  }
  return TCustomControl::WndProc(m);
}

LRESULT TvxControl::CMScrollBarMetricsChanged() {
  if (!HasScrollBars() || HScrollBar() == nullptr) return 0;
  const int height = GetSystemMetrics(SM_CYHSCROLL), width = GetSystemMetrics(SM_CXVSCROLL);
  if (FHScrollBar->Height() != height || FVScrollBar->Width() != width) {
    FHScrollBar->SetHeight(height);
    FVScrollBar->SetWidth(width);
    BoundsChanged();
  }
  return 0;
}

LRESULT TvxControl::CNKeyDown(TMessage& m) {
  if (IsPopupMenuShortCut(m)) return 1;
  if (m.Msg == CN_KEYDOWN && FDragAndDropState != ddsNone && m.WParam == VK_ESCAPE) {
    SendMessageA(Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    return 1;
  }
  return TCustomControl::WndProc(m);
}

LRESULT TvxControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_CANCELMODE: {
      const LRESULT result = TCustomControl::WndProc(m);
      FinishDragAndDrop(false);
      DoCancelMode();
      return result;
    }
    case WM_CAPTURECHANGED:
      // Another window took the mouse in the middle of a drag and drop: it cannot go on. (A
      // capture given up, by the button's release among others, ends it the usual way.)
      if (FDragAndDropState == ddsInProcess && m.LParam != 0 && reinterpret_cast<HWND>(m.LParam) != Handle())
        FinishDragAndDrop(false);
      return TCustomControl::WndProc(m);
    case WM_CONTEXTMENU: return WMContextMenu(m);
    case WM_ERASEBKGND:
      if (HasBackground()) return TCustomControl::WndProc(m);
      return 1;
    case WM_GETDLGCODE: return WMGetDlgCode();
    case WM_NCCALCSIZE: {
      const LRESULT result = TCustomControl::WndProc(m);
      PostMessageA(Handle(), VXM_SCROLLBARMETRICSCHANGED, 0, 0);
      return result;
    }
    case WM_PAINT: {
      // A drag image on the screen would be painted over: hidden meanwhile.
      TDragObject* drag = FCurrentDragObject != nullptr && FCurrentDragObject == ActiveDragObject()
                              ? FCurrentDragObject
                              : nullptr;
      if (drag != nullptr) drag->HideDragImage();
      const LRESULT result = TCustomControl::WndProc(m);
      if (drag != nullptr && drag == ActiveDragObject()) drag->ShowDragImage();
      return result;
    }
    case WM_SETCURSOR: return WMSetCursor(m);
    case CM_COLORCHANGED:
      ColorChanged();
      return TCustomControl::WndProc(m);
    case CM_CURSORCHANGED:
      CursorChanged();
      return TCustomControl::WndProc(m);
    case CM_DESIGNHITTEST: {
      const LRESULT result = TCustomControl::WndProc(m);
      if (result != 0) return result;
      return GetDesignHitTest(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam), KeysToShiftState(m.WParam)) ? 1 : 0;
    }
    case CM_FONTCHANGED: {
      const LRESULT result = TCustomControl::WndProc(m);
      FontChanged();
      return result;
    }
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: {
      const LRESULT result = TCustomControl::WndProc(m);
      TControl* control = m.LParam != 0 ? reinterpret_cast<TControl*>(m.LParam) : this;
      if (m.Msg == CM_MOUSEENTER)
        MouseEnter(control);
      else
        MouseLeave(control);
      return result;
    }
    case CM_TEXTCHANGED: {
      const LRESULT result = TCustomControl::WndProc(m);
      TextChanged();
      return result;
    }
    case CM_VISIBLECHANGED: {
      const LRESULT result = TCustomControl::WndProc(m);
      VisibleChanged();
      return result;
    }
    case VXM_SCROLLBARMETRICSCHANGED: return CMScrollBarMetricsChanged();
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: return CNKeyDown(m);
  }
  return TCustomControl::WndProc(m);
}

LRESULT TvxControl::WndProc(TMessage& m) {
  // Handlers may free the control: nothing after the dispatch touches it then.
  TvxObjectLinkHolder link(this);
  LRESULT result;
  const bool leftPress = m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK;
  if (leftPress && ActiveDragObject() == nullptr &&
      (IsDesigning() ? GetDesignHitTest(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam), KeysToShiftState(m.WParam))
                     : DragMode() == TDragMode::dmAutomatic)) {
    // The press is handled as a plain one; AfterMouseDown decides about dragging, after the
    // drag-detection loop, instead of the platform's drag at the press.
    struct TPressing {
      TvxControl* Control;
      TvxObjectLinkHolder& Link;
      ~TPressing() {
        if (Link.Object() != nullptr) Control->SetControlState(Control->ControlState() & ~csLButtonDown);
      }
    } pressing{this, link};
    SetControlState(ControlState() | csLButtonDown);
    result = Dispatch(m);
  } else {
    result = Dispatch(m);
  }
  if (link.Object() == nullptr) return result;
  switch (m.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS: FocusChanged(); break;
    case WM_PAINT:
      if (ParentBackground() != FParentBackgroundState) {
        FParentBackgroundState = ParentBackground();
        ParentBackgroundChanged();
      }
      break;
    case WM_LBUTTONDOWN:
      AfterMouseDown(TMouseButton::mbLeft, GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
      break;
    case WM_RBUTTONDOWN:
      AfterMouseDown(TMouseButton::mbRight, GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
      break;
    case WM_MBUTTONDOWN:
      AfterMouseDown(TMouseButton::mbMiddle, GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
      break;
  }
  return result;
}

// --- Popup window ------------------------------------------------------------------------

namespace {

// The position for the alignments, before the work area has its say.
POINT PlacePopup(const RECT& owner, SIZE size, TvxPopupAlignHorz alignHorz, TvxPopupAlignVert alignVert,
                 bool vertical) {
  POINT p{owner.left, owner.top};
  if (alignHorz == pahCenter) p.x = (owner.left + owner.right - size.cx) / 2;
  if (alignVert == pavCenter) p.y = (owner.top + owner.bottom - size.cy) / 2;
  if (vertical) {
    if (alignHorz == pahLeft) p.x = owner.left;
    if (alignHorz == pahRight) p.x = owner.right - size.cx;
    if (alignVert == pavTop) p.y = owner.top - size.cy;
    if (alignVert == pavBottom) p.y = owner.bottom;
  } else {
    if (alignHorz == pahLeft) p.x = owner.left - size.cx;
    if (alignHorz == pahRight) p.x = owner.right;
    if (alignVert == pavTop) p.y = owner.top;
    if (alignVert == pavBottom) p.y = owner.bottom - size.cy;
  }
  return p;
}

// Moves a span [pos, pos + extent) inside [low, high), its start winning when it cannot fit.
int KeepInside(int pos, int extent, int low, int high) {
  if (pos + extent > high) pos = high - extent;
  if (pos < low) pos = low;
  return pos;
}

}  // namespace

POINT vxCalculatePopupPosition(const RECT& ownerRect, SIZE size, TvxPopupAlignHorz alignHorz,
                               TvxPopupAlignVert alignVert, TvxPopupDirection direction) {
  const bool vertical = direction != pdHorizontal;
  POINT p = PlacePopup(ownerRect, size, alignHorz, alignVert, vertical);
  const RECT work = GetDesktopWorkArea(p);
  // A popup that does not fit on its side goes to the other one only when there is more room
  // there: at equal room it stays where it was asked to be.
  if (vertical) {
    const int above = ownerRect.top - work.top, below = work.bottom - ownerRect.bottom;
    if (alignVert == pavTop && p.y < work.top && above <= below)
      p = PlacePopup(ownerRect, size, alignHorz, pavBottom, vertical);
    else if (alignVert == pavBottom && p.y + size.cy > work.bottom && above > below)
      p = PlacePopup(ownerRect, size, alignHorz, pavTop, vertical);
  } else {
    const int left = ownerRect.left - work.left, right = work.right - ownerRect.right;
    if (alignHorz == pahLeft && p.x < work.left && left <= right)
      p = PlacePopup(ownerRect, size, pahRight, alignVert, vertical);
    else if (alignHorz == pahRight && p.x + size.cx > work.right && left > right)
      p = PlacePopup(ownerRect, size, pahLeft, alignVert, vertical);
  }
  if (vertical || alignHorz == pahCenter) p.x = KeepInside(p.x, size.cx, work.left, work.right);
  if (!vertical || alignVert == pavCenter) p.y = KeepInside(p.y, size.cy, work.top, work.bottom);
  return p;
}

TvxPopupWindow::TvxPopupWindow(TComponent* owner) : TForm(owner) {
  SetBorderStyle(TBorderStyle::bsNone);
  SetFormStyle(TFormStyle::fsStayOnTop);
  FCanvas = std::make_unique<TvxCanvas>(TCustomControl::Canvas());
}

TvxPopupWindow::~TvxPopupWindow() {
  Destroying();
  if (TvxObjectLinkController* links = vxObjectLinkController()) links->ObjectDestroyed(this);
}

void TvxPopupWindow::SetPopupBorderStyle(TvxPopupBorderStyle value) {
  if (value == FPopupBorderStyle) return;
  FPopupBorderStyle = value;
  Invalidate();
}

void TvxPopupWindow::SetFrameColor(TColor value) {
  if (value == FFrameColor) return;
  FFrameColor = value;
  Invalidate();
}

void TvxPopupWindow::Notification(TComponent* component, TOperation operation) {
  TForm::Notification(component, operation);
  if (operation == TOperation::opRemove && component == FOwnerParent) FOwnerParent = nullptr;
}

RECT TvxPopupWindow::OwnerScreenBounds() {
  if (FOwnerParent == nullptr) return FOwnerBounds;
  const POINT topLeft = FOwnerParent->ClientToScreen(POINT{FOwnerBounds.left, FOwnerBounds.top});
  const POINT bottomRight = FOwnerParent->ClientToScreen(POINT{FOwnerBounds.right, FOwnerBounds.bottom});
  return RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

POINT TvxPopupWindow::CalculatePosition() {
  return vxCalculatePopupPosition(OwnerScreenBounds(), SIZE{Width(), Height()}, FAlignHorz, FAlignVert, FDirection);
}

void TvxPopupWindow::CalculateSize() {
  if (!FSizeToControls) return;
  int right = 0, bottom = 0;
  for (int i = 0; i < ControlCount(); ++i) {
    const RECT r = Controls(i)->BoundsRect();
    right = std::max(right, static_cast<int>(r.right));
    bottom = std::max(bottom, static_cast<int>(r.bottom));
  }
  SetClientSize(right + GetBorderWidth(bLeft) + GetBorderWidth(bRight),
                bottom + GetBorderWidth(bTop) + GetBorderWidth(bBottom));
}

int TvxPopupWindow::GetBorderWidth(TvxBorder) { return GetFrameWidth() + FBorderSpace; }

int TvxPopupWindow::GetFrameWidth() {
  static constexpr int kFrameWidths[] = {0, 1, 1, 2};
  return FPopupBorderStyle <= pbsDouble3D ? kFrameWidths[FPopupBorderStyle] : 0;
}

void TvxPopupWindow::SetFontFromOwner() {
  if (FOwnerParent != nullptr) Font().Assign(&FOwnerParent->Font());
}

void TvxPopupWindow::DrawFrame() {
  RECT r = ClientRect();
  switch (FPopupBorderStyle) {
    case pbsSingle: FCanvas->FrameRect(r, FFrameColor); break;
    case pbs3D: FCanvas->DrawEdge(r, false, true); break;
    case pbsDouble3D:
      FCanvas->DrawEdge(r, false, true);
      InflateRect(&r, -1, -1);
      FCanvas->DrawEdge(r, false, false);
      break;
    default: break;
  }
}

void TvxPopupWindow::CloseUp() { Hide(); }

void TvxPopupWindow::Popup() {
  SetFontFromOwner();
  CalculateSize();
  const POINT p = CalculatePosition();
  SetBounds(p.x, p.y, Width(), Height());
  Show();
}

void TvxPopupWindow::Deactivate() {
  TForm::Deactivate();
  CloseUp();
}

void TvxPopupWindow::Paint() {
  TForm::Paint();
  DrawFrame();
}

LRESULT TvxPopupWindow::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_ACTIVATE: {
      const LRESULT result = TForm::WndProc(m);
      if (LOWORD(m.WParam) != WA_INACTIVE) {
        // The window that lost the activation keeps an active caption: the popup belongs to it.
        FPrevActiveWindow = OtherActivationWindow();
        if (FPrevActiveWindow != nullptr) SendMessageA(FPrevActiveWindow, WM_NCACTIVATE, TRUE, 0);
      }
      return result;
    }
    case WM_ACTIVATEAPP:
      if (m.WParam == FALSE) {
        const LRESULT result = TForm::WndProc(m);
        if (FPrevActiveWindow != nullptr) SendMessageA(FPrevActiveWindow, WM_NCACTIVATE, FALSE, 0);
        CloseUp();
        return result;
      }
      break;
  }
  return TForm::WndProc(m);
}
