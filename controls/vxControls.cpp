#include "controls/vxControls.h"

#include "platform/gui/Forms.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SysExceptions.h"

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
      FControl(control) {}

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
  while (!done && GetCapture() == window) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      // The program is ending: leave the quit message for the message loop.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got < 0) break;
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
