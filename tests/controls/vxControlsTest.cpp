// The control library's timers, settings controller, mouse tracking, drag helpers, child
// components and its start-up and shutdown, on real windows with the real cursor.
#include "controls/vxControls.h"

#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SysExceptions.h"
#include "tests/platform/GuiTestSupport.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using guitest::Pump;
using guitest::PumpUntil;

namespace {

// A control as the control base will be: links to it are cleared and its trackings end when
// it dies. It is a tracked object itself and records what the tracking tells it.
class TProbeControl : public TCustomControl, public IvxMouseTrackingCaller {
public:
  using TCustomControl::TCustomControl;
  ~TProbeControl() override {
    EndControlMouseTracking(this);
    if (TvxObjectLinkController* links = vxObjectLinkController()) links->ObjectDestroyed(this);
  }
  std::vector<std::string>* Log = nullptr;
  std::function<void()> OnTrackingLeave;  // may free the control
  std::function<void()> OnCallerLeave;
  std::function<void()> OnMetrics;
  int MetricsMessages = 0;

  void MouseLeave() override {
    Note("caller leave");
    if (OnCallerLeave) OnCallerLeave();
  }
  LRESULT WndProc(TMessage& m) override {
    if (m.Msg == VXM_SCROLLBARMETRICSCHANGED) {
      ++MetricsMessages;
      if (OnMetrics) OnMetrics();
    }
    if (m.Msg == WM_LBUTTONUP) Note("button up");
    // The application's own enter/leave bookkeeping sends CM_MOUSELEAVE too, without lParam.
    if (m.Msg == CM_MOUSELEAVE && m.LParam == reinterpret_cast<LPARAM>(this)) {
      Note("control leave");
      if (OnTrackingLeave) {
        auto handler = OnTrackingLeave;
        handler();
        return 0;
      }
    }
    return TCustomControl::WndProc(m);
  }

private:
  void Note(const char* what) {
    if (Log != nullptr) Log->push_back(what);
  }
};

struct TCaller : IvxMouseTrackingCaller {
  int Leaves = 0;
  void MouseLeave() override { ++Leaves; }
};

struct TPointTestCaller : IvxMouseTrackingCaller, IvxMouseTrackingPointTest {
  bool Inside = true;
  std::vector<POINT> Asked;
  int Leaves = 0;
  void MouseLeave() override { ++Leaves; }
  bool PtInCaller(const POINT& p) override {
    Asked.push_back(p);
    return Inside;
  }
};

// Hosts child components and drag-and-drop objects as the control base will.
char CanvasTag;
class THostControl : public TCustomControl, public IvxControlHost {
public:
  using TCustomControl::TCustomControl;
  std::vector<std::string> Log;
  TvxCanvas* ControlCanvas() override { return reinterpret_cast<TvxCanvas*>(&CanvasTag); }
  void AddChildComponent(TvxControlChildComponent* c) override {
    Log.push_back("add");
    c->SetControl(this);
  }
  void RemoveChildComponent(TvxControlChildComponent*) override { Log.push_back("remove"); }
};

void SettleCursor(POINT screen) {
  SetCursorPos(screen.x, screen.y);
  Pump();
}

// One shown form for the window tests, with a probe control at (20, 20, 120, 80).
class vxControlsWindows : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    Form = new TForm(nullptr);
    Form->SetBounds(100, 100, 400, 300);
    guitest::ShowAndActivate(*Form);
  }
  static void TearDownTestSuite() {
    delete Form;
    Form = nullptr;
  }
  void SetUp() override {
    Probe = new TProbeControl(Form);
    Probe->SetBounds(20, 20, 100, 60);
    Probe->SetParent(Form);
    Probe->Log = &Log;
    Probe->HandleNeeded();
    SettleCursor(Inside());
  }
  void TearDown() override { delete Probe; }
  POINT Inside() { return Probe->ClientToScreen(POINT{50, 30}); }
  POINT Outside() { return Probe->ClientToScreen(POINT{200, 30}); }
  RECT Client() { return Probe->ClientRect(); }
  static void PumpTicks() { PumpUntil([] { return false; }, 6); }

  static inline TForm* Form = nullptr;
  TProbeControl* Probe = nullptr;
  std::vector<std::string> Log;
};

}  // namespace

// --- Timers -----------------------------------------------------------------------------

TEST(vxTimer, RunsOnlyWithAHandlerAndKeepsItsIntervalOnZero) {
  TvxTimer timer(nullptr);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  timer.SetEnabled(false);
  timer.SetEnabled(true);
  EXPECT_FALSE(timer.TimerOn());  // enabled, but nothing to call
  timer.SetInterval(0);
  EXPECT_EQ(timer.Interval(), 1000u);
  timer.SetOnTimer([](TObject*) {});
  EXPECT_TRUE(timer.TimerOn());
  timer.SetEnabled(false);
  EXPECT_FALSE(timer.TimerOn());
  TvxTimer other(nullptr);
  EXPECT_NE(other.TimerID(), timer.TimerID());
  EXPECT_NE(other.TimerID(), 0u);
}

TEST(vxTimer, TicksUntilStoppedAndLateTicksReachNobody) {
  int ticks = 0;
  auto first = std::make_unique<TvxTimer>(nullptr);
  first->SetInterval(10);
  first->SetOnTimer([&](TObject*) { ++ticks; });
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 2; }));
  first->SetEnabled(false);
  Pump();
  int stoppedAt = ticks;
  UINT_PTR oldID = first->TimerID();
  PostMessageA(vxTimerWindow().Handle(), WM_TIMER, oldID, 0);
  Pump();
  EXPECT_EQ(ticks, stoppedAt);

  // A new timer (perhaps at the freed one's address) never gets the old identifier's ticks.
  first.reset();
  int secondTicks = 0;
  TvxTimer second(nullptr);
  second.SetOnTimer([&](TObject*) { ++secondTicks; });
  EXPECT_NE(second.TimerID(), oldID);
  PostMessageA(vxTimerWindow().Handle(), WM_TIMER, oldID, 0);
  Pump();
  EXPECT_EQ(secondTicks, 0);
  PostMessageA(vxTimerWindow().Handle(), WM_TIMER, second.TimerID(), 0);
  Pump();
  EXPECT_EQ(secondTicks, 1);
}

TEST(vxTimer, HandlerMayFreeItsTimer) {
  auto* timer = new TvxTimer(nullptr);
  bool freed = false;
  timer->SetInterval(10);
  timer->SetOnTimer([&](TObject* sender) {
    delete sender;
    freed = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return freed; }));
}

TEST(vxMessageWindow, HiddenAndAnsweredByTheVirtualProcedure) {
  struct TEcho : TvxMessageWindow {
    void WndProc(TMessage& m) override {
      if (m.Msg == WM_APP) m.Result = static_cast<LRESULT>(m.WParam) + 1;
      else TvxMessageWindow::WndProc(m);
    }
  } echo;
  EXPECT_EQ(SendMessageA(echo.Handle(), WM_APP, 41, 0), 42);
  EXPECT_EQ(SendMessageA(echo.Handle(), WM_GETTEXTLENGTH, 0, 0), 0);
  EXPECT_FALSE(IsWindowVisible(vxMessageWindow().Handle()));
  EXPECT_EQ(&vxMessageWindow(), &vxMessageWindow());
}

// --- Settings controller ----------------------------------------------------------------

TEST_F(vxControlsWindows, MetricsChangeReachesRegisteredWindowsOnly) {
  TvxSettingsController& controller = vxSettingsController();
  auto* second = new TProbeControl(Form);
  second->SetParent(Form);
  second->HandleNeeded();
  TProbeControl windowless(nullptr);
  controller.AddListener(Probe);
  controller.AddListener(Probe);
  controller.AddListener(second);
  controller.AddListener(&windowless);
  EXPECT_EQ(controller.ListenerCount(), 3);
  ASSERT_NE(controller.Window(), nullptr);

  EXPECT_EQ(SendMessageA(controller.Window(), WM_SETTINGCHANGE, SPI_SETWORKAREA, 0), 0);
  EXPECT_EQ(Probe->MetricsMessages, 0);
  EXPECT_EQ(SendMessageA(controller.Window(), WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0), 0);
  EXPECT_EQ(Probe->MetricsMessages, 1);
  EXPECT_EQ(second->MetricsMessages, 1);
  EXPECT_FALSE(windowless.HandleAllocated());

  // The first control told frees the second, which is then not told.
  Probe->OnMetrics = [&] {
    controller.RemoveListener(second);
    delete second;
  };
  SendMessageA(controller.Window(), WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
  EXPECT_EQ(Probe->MetricsMessages, 2);
  EXPECT_EQ(controller.ListenerCount(), 2);

  controller.RemoveListener(Probe);
  controller.RemoveListener(&windowless);
  EXPECT_EQ(controller.Window(), nullptr);
}

// --- Plain helpers ----------------------------------------------------------------------

TEST(vxControlsHelpers, NumericAndTextCharacters) {
  TFormatSettings saved = GetFormatSettings();
  TFormatSettings fs = saved;
  fs.DecimalSeparator = ',';
  SetFormatSettings(fs);
  struct {
    char Ch;
    TvxNumericCharKind Kind;
    bool Expected;
  } cases[] = {
      {'7', nckInteger, true},  {'+', nckInteger, true},   {'-', nckInteger, true},
      {',', nckInteger, false}, {',', nckFloat, true},      {'.', nckFloat, false},
      {'e', nckFloat, false},   {'E', nckFloatWithExponent, true}, {'e', nckFloatWithExponent, true},
      {',', nckFloatWithExponent, true}, {'x', nckFloatWithExponent, false},
  };
  for (const auto& c : cases) EXPECT_EQ(vxIsNumericChar(c.Ch, c.Kind), c.Expected) << c.Ch << " kind " << c.Kind;
  SetFormatSettings(saved);

  EXPECT_FALSE(vxIsTextChar('\x1F'));
  EXPECT_TRUE(vxIsTextChar(' '));
  EXPECT_TRUE(vxIsTextChar('\x82'));  // a lead byte of code page 932
  EXPECT_EQ(vxKeyCodeToWord(0xABCD1234u), 0x1234);
}

TEST(vxControlsHelpers, PointNearStaysWithinTheDragThreshold) {
  ASSERT_EQ(Mouse.DragThreshold, 5);
  POINT p0{100, 100};
  EXPECT_TRUE(vxIsPointNear(p0, POINT{104, 96}));
  EXPECT_FALSE(vxIsPointNear(p0, POINT{105, 100}));
  EXPECT_FALSE(vxIsPointNear(p0, POINT{100, 95}));
}

TEST(vxControlsHelpers, PlatformFlagsFromTheVersionRecord) {
  struct {
    DWORD Platform, Major, Minor;
    bool Win9x, NT5, NT5Minor, NT4;
  } cases[] = {
      {VER_PLATFORM_WIN32_WINDOWS, 4, 10, true, false, false, false},
      {VER_PLATFORM_WIN32_NT, 4, 0, false, false, false, true},
      {VER_PLATFORM_WIN32_NT, 5, 0, false, true, false, true},
      {VER_PLATFORM_WIN32_NT, 5, 1, false, true, true, true},
      {VER_PLATFORM_WIN32_NT, 6, 0, false, true, false, true},
  };
  for (const auto& c : cases) {
    TvxPlatformFlags f = vxPlatformFlagsOf(c.Platform, c.Major, c.Minor);
    EXPECT_EQ(f.Win9x, c.Win9x);
    EXPECT_EQ(f.NT5OrLater, c.NT5);
    EXPECT_EQ(f.NT5OrLaterMinor, c.NT5Minor);
    EXPECT_EQ(f.NT4OrLater, c.NT4);
  }
  EXPECT_FALSE(vxPlatformFlags().Win9x);
  EXPECT_TRUE(vxPlatformFlags().NT5OrLater);
}

TEST_F(vxControlsWindows, ParentHandlesAndWindowMapping) {
  EXPECT_FALSE(vxIsParentHandleAllocated(Form));  // its own window does not count
  EXPECT_TRUE(vxIsParentHandleAllocated(Probe));
  POINT origin = Probe->ClientToScreen(POINT{0, 0});
  RECT r = vxMapWindowRect(Probe->Handle(), nullptr, RECT{1, 2, 30, 40});
  EXPECT_EQ(r.left, origin.x + 1);
  EXPECT_EQ(r.bottom, origin.y + 40);
  POINT p = vxMapWindowPoint(nullptr, Probe->Handle(), POINT{origin.x + 5, origin.y + 6});
  EXPECT_EQ(p.x, 5);
  EXPECT_EQ(p.y, 6);
}

TEST(vxControlsHelpers, DesktopWorkAreaIsReplaceable) {
  POINT asked{};
  SetDesktopWorkAreaFunction([&](POINT p) {
    asked = p;
    return RECT{0, 0, 1024, 768};
  });
  RECT r = GetDesktopWorkArea(POINT{5, 6});
  EXPECT_EQ(r.right, 1024);
  EXPECT_EQ(r.bottom, 768);
  EXPECT_EQ(asked.x, 5);
  EXPECT_EQ(asked.y, 6);
  SetDesktopWorkAreaFunction(nullptr);
  RECT system{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &system, 0);
  RECT found = GetDesktopWorkArea(POINT{1, 1});
  EXPECT_TRUE(EqualRect(&system, &found));
}

// --- Mouse tracking ---------------------------------------------------------------------

TEST_F(vxControlsWindows, LeavingTellsTheControlThenTheCallerOnce) {
  BeginMouseTracking(Probe, Client(), Probe);
  PumpTicks();
  EXPECT_TRUE(Log.empty());
  SettleCursor(Outside());
  ASSERT_TRUE(PumpUntil([&] { return !IsMouseTracking(Probe); }));
  PumpTicks();
  EXPECT_EQ(Log, (std::vector<std::string>{"control leave", "caller leave"}));
}

TEST_F(vxControlsWindows, SecondBeginKeepsTheFirstBounds) {
  BeginMouseTracking(Probe, RECT{0, 0, 40, 60}, Probe);
  BeginMouseTracking(Probe, Client(), Probe);
  // Out of the first bounds, still on the control: only the caller hears of it.
  SettleCursor(Probe->ClientToScreen(POINT{70, 30}));
  ASSERT_TRUE(PumpUntil([&] { return !IsMouseTracking(Probe); }));
  EXPECT_EQ(Log, (std::vector<std::string>{"caller leave"}));
}

TEST_F(vxControlsWindows, PointTestingCallerDecidesInClientCoordinates) {
  TPointTestCaller caller;
  SettleCursor(Probe->ClientToScreen(POINT{10, 12}));
  BeginMouseTracking(Probe, RECT{0, 0, 1, 1}, &caller);
  PumpTicks();
  EXPECT_EQ(caller.Leaves, 0);
  ASSERT_FALSE(caller.Asked.empty());
  EXPECT_EQ(caller.Asked.back().x, 10);
  EXPECT_EQ(caller.Asked.back().y, 12);
  caller.Inside = false;
  ASSERT_TRUE(PumpUntil([&] { return caller.Leaves == 1; }));
  EXPECT_FALSE(IsMouseTracking(&caller));
  EXPECT_EQ(Log, (std::vector<std::string>{}));  // the cursor is still on the control

  // Without a window the caller is outside at once and is not asked.
  TPointTestCaller unasked;
  TProbeControl windowless(nullptr);
  BeginMouseTracking(&windowless, RECT{0, 0, 10, 10}, &unasked);
  ASSERT_TRUE(PumpUntil([&] { return unasked.Leaves == 1; }));
  EXPECT_TRUE(unasked.Asked.empty());
}

TEST_F(vxControlsWindows, ControlFreedWhileHearingTheLeaveSilencesTheCaller) {
  TCaller caller;
  BeginMouseTracking(Probe, Client(), &caller);
  Probe->OnTrackingLeave = [&] {
    EndMouseTracking(&caller);  // already out of the list: nothing happens
    delete Probe;
    Probe = nullptr;
  };
  SettleCursor(Outside());
  ASSERT_TRUE(PumpUntil([&] { return Probe == nullptr; }));
  PumpTicks();
  EXPECT_EQ(caller.Leaves, 0);
  EXPECT_FALSE(IsMouseTracking(&caller));
}

TEST_F(vxControlsWindows, TrackedControlFreesItselfFromItsLeave) {
  // As a hot container freed by its OnMouseLeave: the leave ends the tracking, the handler
  // frees the control, which ends its trackings once more.
  auto* hot = new TProbeControl(Form);
  hot->SetBounds(20, 100, 100, 60);
  hot->SetParent(Form);
  SettleCursor(hot->ClientToScreen(POINT{10, 10}));
  BeginMouseTracking(hot, hot->ClientRect(), hot);
  bool freed = false;
  hot->OnTrackingLeave = [&] {
    EndMouseTracking(hot);
    delete hot;
    freed = true;
  };
  SettleCursor(Outside());
  ASSERT_TRUE(PumpUntil([&] { return freed; }));
  PumpTicks();
  EXPECT_FALSE(IsMouseTracking(hot));

  // A caller that begins tracking again from its leave gets a new timer.
  BeginMouseTracking(nullptr, RECT{0, 0, 1, 1}, Probe);
  Probe->OnCallerLeave = [&] { BeginMouseTracking(Probe, Client(), Probe); };
  ASSERT_TRUE(PumpUntil([&] { return !Log.empty(); }));
  EXPECT_TRUE(IsMouseTracking(Probe));
  EndMouseTracking(Probe);
}

TEST_F(vxControlsWindows, EndingAControlsTrackingsLeavesOthers) {
  TCaller a, b, other;
  BeginMouseTracking(Probe, Client(), &a);
  BeginMouseTracking(Probe, Client(), &b);
  BeginMouseTracking(nullptr, RECT{0, 0, 1, 1}, &other);
  EndControlMouseTracking(Probe);
  EXPECT_FALSE(IsMouseTracking(&a));
  EXPECT_FALSE(IsMouseTracking(&b));
  EXPECT_TRUE(IsMouseTracking(&other));
  EndMouseTracking(&other);
  EndMouseTracking(&other);
  EXPECT_FALSE(IsMouseTracking(&other));
}

// --- Drag detection and drag-and-drop objects --------------------------------------------

namespace {

std::function<void()> GInject;

void CALLBACK InjectInput(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (GInject) GInject();
}

// Gives the loop up when the input never arrives, so a failure cannot hang the run.
void CALLBACK GiveUp(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  ReleaseCapture();
}

void MoveMouseTo(POINT p) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = MulDiv(p.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  in.mi.dy = MulDiv(p.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}

void SendMouseFlag(DWORD flag) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flag;
  SendInput(1, &in, sizeof in);
}

void SendKey(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
}

}  // namespace

TEST_F(vxControlsWindows, DragDetectionAnswersByTheInput) {
  POINT start = Inside();
  struct {
    const char* Name;
    std::function<void()> Input;
    TvxDragDetect Expected;
  } cases[] = {
      {"move out", [&] { MoveMouseTo(POINT{start.x + 20, start.y}); }, vxddDrag},
      {"escape", [] { SendKey(VK_ESCAPE, false); SendKey(VK_ESCAPE, true); }, vxddCancel},
      {"small move, release",
       [&] {
         MoveMouseTo(POINT{start.x + 3, start.y - 3});
         SendMouseFlag(MOUSEEVENTF_LEFTDOWN);
         SendMouseFlag(MOUSEEVENTF_LEFTUP);
       },
       vxddNone},
  };
  for (auto& c : cases) {
    SettleCursor(start);
    SetForegroundWindow(Form->Handle());
    Pump();
    Log.clear();
    GInject = c.Input;
    SetTimer(nullptr, 0, 10, InjectInput);
    UINT_PTR guard = SetTimer(nullptr, 0, 5000, GiveUp);
    EXPECT_EQ(vxDragDetect(Probe->Handle()), c.Expected) << c.Name;
    KillTimer(nullptr, guard);
    EXPECT_NE(GetCapture(), Probe->Handle()) << c.Name;
    Pump();
    if (c.Expected == vxddNone) {
      EXPECT_EQ(Log, (std::vector<std::string>{"button up"})) << c.Name;
    }
  }
  GInject = nullptr;
}

TEST_F(vxControlsWindows, DragAndDropObjectFollowsTheMouse) {
  struct TRecordingObject : TvxDragAndDropObject {
    using TvxDragAndDropObject::TvxDragAndDropObject;
    std::vector<std::string> Log;
    void DirtyChanged() override { Log.push_back(Dirty() ? "dirty" : "clean"); }
    void EndDragAndDrop(bool accepted) override { Log.push_back(accepted ? "end accepted" : "end refused"); }
  };
  auto* host = new THostControl(Form);
  host->SetBounds(150, 20, 100, 100);
  host->SetParent(Form);
  TRecordingObject object(host);
  EXPECT_EQ(object.Canvas(), reinterpret_cast<TvxCanvas*>(&CanvasTag));
  EXPECT_EQ(object.CurMousePos().x, -1);
  EXPECT_EQ(object.PrevMousePos().y, -1);

  SettleCursor(host->ClientToScreen(POINT{7, 9}));
  object.DoBeginDragAndDrop();
  EXPECT_EQ(object.PrevMousePos().x, 7);
  EXPECT_EQ(object.CurMousePos().y, 9);
  bool accepted = true;
  object.DoDragAndDrop(POINT{30, 40}, accepted);
  EXPECT_EQ(object.PrevMousePos().x, 7);
  EXPECT_EQ(object.CurMousePos().x, 30);
  EXPECT_EQ(Screen->Cursor(), crDrag);
  accepted = false;
  object.DoDragAndDrop(POINT{31, 41}, accepted);
  EXPECT_EQ(Screen->Cursor(), crNoDrop);
  object.DoEndDragAndDrop(true);
  Screen->SetCursor(crDefault);
  EXPECT_EQ(object.Log, (std::vector<std::string>{"clean", "dirty", "end accepted"}));
  delete host;
}

TEST_F(vxControlsWindows, ChildComponentsBelongToTheirControl) {
  auto* host = new THostControl(Form);
  auto* owned = new TvxControlChildComponent(host, true);
  EXPECT_EQ(owned->Owner(), Form);
  EXPECT_TRUE(owned->HasParent());
  EXPECT_EQ(owned->GetParentComponent(), host);
  TvxControlChildComponent loose(host, false);
  EXPECT_EQ(loose.Owner(), nullptr);
  delete owned;
  EXPECT_EQ(host->Log, (std::vector<std::string>{"remove"}));

  TvxControlChildComponent streamed(nullptr);
  EXPECT_FALSE(streamed.HasParent());
  TComponent plain(nullptr);
  streamed.SetParentComponent(&plain);
  EXPECT_FALSE(streamed.HasParent());
  streamed.SetParentComponent(host);
  EXPECT_EQ(streamed.GetParentComponent(), host);
  EXPECT_EQ(host->Log, (std::vector<std::string>{"remove", "add"}));
  streamed.SetControl(nullptr);
  loose.SetControl(nullptr);
  delete host;
}

// --- Start-up and shutdown --------------------------------------------------------------

TEST(vxControlsUnit, LibraryCursorsAndScrollingMarks) {
  HINSTANCE module = GetModuleHandleA(nullptr);
  std::vector<HCURSOR> seen;
  for (TCursor id = crDragCopy; id <= crvxDrag; ++id) {
    HCURSOR cursor = Screen->Cursors(id);
    EXPECT_NE(cursor, LoadCursorA(nullptr, IDC_ARROW)) << id;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), cursor), 0) << id;
    seen.push_back(cursor);
  }
  EXPECT_EQ(Screen->Cursors(crvxHandPoint), LoadCursorA(nullptr, IDC_HAND));
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(Screen->Cursors(crvxFullScroll), &info));
  EXPECT_EQ(info.xHotspot, 10u);  // as drawn
  EXPECT_EQ(info.yHotspot, 10u);
  DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);

  SIZE sizes[3]{};
  const char* names[3] = {"VX_FULLSCROLLBITMAP", "VX_HORSCROLLBITMAP", "VX_VERSCROLLBITMAP"};
  for (int i = 0; i < 3; ++i) {
    HBITMAP bitmap = LoadBitmapA(module, names[i]);
    ASSERT_NE(bitmap, nullptr) << names[i];
    BITMAP bm{};
    GetObjectA(bitmap, sizeof bm, &bm);
    sizes[i] = SIZE{bm.bmWidth, bm.bmHeight};
    DeleteObject(bitmap);
  }
  EXPECT_EQ(sizes[0].cx, sizes[0].cy);
  for (const SIZE& s : sizes) EXPECT_TRUE(s.cx == sizes[0].cx && s.cy == sizes[0].cy);
}

TEST(vxControlsUnit, ShutdownWithTrackingLeftFreesEverythingThenRaises) {
  TCaller caller;
  BeginMouseTracking(nullptr, RECT{0, 0, 1, 1}, &caller);
  TvxTimer timer(nullptr);
  timer.SetOnTimer([](TObject*) {});
  TProbeControl listener(nullptr);
  vxSettingsController().AddListener(&listener);
  HWND timerWindow = vxTimerWindow().Handle();
  HWND messageWindow = vxMessageWindow().Handle();
  HWND settingsWindow = vxSettingsController().Window();

  try {
    FinalizevxControls();
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), AnsiString("MouseTrackingTimerList.Count <> 0"));
  }
  EXPECT_FALSE(IsMouseTracking(&caller));
  EXPECT_FALSE(timer.TimerOn());
  EXPECT_FALSE(IsWindow(timerWindow));
  EXPECT_FALSE(IsWindow(messageWindow));
  EXPECT_FALSE(IsWindow(settingsWindow));
  EXPECT_EQ(vxSettingsController().ListenerCount(), 0);
  PumpUntil([] { return false; }, 3);
  EXPECT_EQ(caller.Leaves, 0);

  // Nothing left: a quiet shutdown.
  EXPECT_NO_THROW(FinalizevxControls());
  InitializevxControls();
}
