// The control library's timers, settings controller, mouse tracking, drag detection and its
// start-up and shutdown, on real windows with the real cursor.
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
  std::vector<std::string> Log;
  std::function<void()> OnTrackingLeave, OnMetrics;  // each may free the control

  void MouseLeave() override { Log.push_back("caller leave"); }
  LRESULT WndProc(TMessage& m) override {
    std::function<void()> handler;
    if (m.Msg == VXM_SCROLLBARMETRICSCHANGED) {
      Log.push_back("metrics");
      handler = OnMetrics;
    }
    if (m.Msg == WM_LBUTTONUP) Log.push_back("button up");
    // The application's own enter/leave bookkeeping sends CM_MOUSELEAVE too, without lParam.
    if (m.Msg == CM_MOUSELEAVE && m.LParam == reinterpret_cast<LPARAM>(this)) {
      Log.push_back("control leave");
      handler = OnTrackingLeave;
    }
    if (!handler) return TCustomControl::WndProc(m);
    handler();
    return 0;
  }
};

struct TCaller : IvxMouseTrackingCaller {
  int Leaves = 0;
  void MouseLeave() override { ++Leaves; }
};

struct TPointTestCaller : TCaller, IvxMouseTrackingPointTest {
  bool Inside = true;
  std::vector<POINT> Asked;
  bool PtInCaller(const POINT& p) override {
    Asked.push_back(p);
    return Inside;
  }
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
};

using TLog = std::vector<std::string>;

}  // namespace

// --- Timers -----------------------------------------------------------------------------

TEST(vxTimer, RunsOnlyWithAHandlerAndKeepsItsIntervalOnZero) {
  TvxTimer timer(nullptr);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_FALSE(timer.TimerOn());  // enabled, but nothing to call
  timer.SetInterval(0);
  EXPECT_EQ(timer.Interval(), 1000u);
  timer.SetOnTimer([](TObject*) {});
  EXPECT_TRUE(timer.TimerOn());
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

// --- Settings controller ----------------------------------------------------------------

TEST_F(vxControlsWindows, MetricsChangeReachesRegisteredWindowsOnly) {
  TvxSettingsController& controller = vxSettingsController();
  auto* second = new TProbeControl(Form);
  second->SetParent(Form);
  second->HandleNeeded();
  TProbeControl windowless(nullptr);
  for (TWinControl* c : {static_cast<TWinControl*>(Probe), static_cast<TWinControl*>(Probe),
                         static_cast<TWinControl*>(second), static_cast<TWinControl*>(&windowless)})
    controller.AddListener(c);
  EXPECT_EQ(controller.ListenerCount(), 3);
  SendMessageA(controller.Window(), WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
  EXPECT_EQ(SendMessageA(controller.Window(), WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0), 0);
  EXPECT_EQ(Probe->Log, TLog{"metrics"});
  EXPECT_EQ(second->Log, TLog{"metrics"});
  EXPECT_FALSE(windowless.HandleAllocated());

  // The first control told frees the second, which is then not told.
  Probe->OnMetrics = [&] {
    controller.RemoveListener(second);
    delete second;
  };
  SendMessageA(controller.Window(), WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
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

TEST(vxControlsHelpers, DesktopWorkAreaIsReplaceable) {
  POINT asked{};
  SetDesktopWorkAreaFunction([&](POINT p) {
    asked = p;
    return RECT{0, 0, 1024, 768};
  });
  EXPECT_EQ(GetDesktopWorkArea(POINT{5, 6}).bottom, 768);
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
  EXPECT_TRUE(Probe->Log.empty());
  SettleCursor(Outside());
  ASSERT_TRUE(PumpUntil([&] { return !IsMouseTracking(Probe); }));
  PumpTicks();
  EXPECT_EQ(Probe->Log, (TLog{"control leave", "caller leave"}));
}

TEST_F(vxControlsWindows, SecondBeginKeepsTheFirstBounds) {
  BeginMouseTracking(Probe, RECT{0, 0, 40, 60}, Probe);
  BeginMouseTracking(Probe, Client(), Probe);
  // Out of the first bounds, still on the control: only the caller hears of it.
  SettleCursor(Probe->ClientToScreen(POINT{70, 30}));
  ASSERT_TRUE(PumpUntil([&] { return !IsMouseTracking(Probe); }));
  EXPECT_EQ(Probe->Log, TLog{"caller leave"});
}

TEST_F(vxControlsWindows, PointTestingCallerDecidesInClientCoordinates) {
  TPointTestCaller caller;
  SettleCursor(Probe->ClientToScreen(POINT{10, 12}));
  BeginMouseTracking(Probe, RECT{0, 0, 1, 1}, &caller);
  PumpTicks();
  EXPECT_EQ(caller.Leaves, 0);
  ASSERT_FALSE(caller.Asked.empty());
  EXPECT_TRUE(caller.Asked.back().x == 10 && caller.Asked.back().y == 12);
  caller.Inside = false;
  ASSERT_TRUE(PumpUntil([&] { return caller.Leaves == 1; }));
  EXPECT_TRUE(Probe->Log.empty());  // the cursor is still on the control

  // Without a window the caller is outside at once and is not asked.
  TPointTestCaller unasked;
  TProbeControl windowless(nullptr);
  BeginMouseTracking(&windowless, RECT{0, 0, 10, 10}, &unasked);
  ASSERT_TRUE(PumpUntil([&] { return unasked.Leaves == 1; }));
  EXPECT_TRUE(unasked.Asked.empty());
}

TEST_F(vxControlsWindows, ControlFreedWhileHearingTheLeaveSilencesTheCaller) {
  // As a hot container freed by its OnMouseLeave: the leave ends the tracking once more (the
  // running tick's timer is no longer listed) and frees the control.
  TCaller caller;
  BeginMouseTracking(Probe, Client(), &caller);
  Probe->OnTrackingLeave = [&] {
    EndMouseTracking(&caller);
    delete Probe;
    Probe = nullptr;
  };
  SettleCursor(Outside());
  ASSERT_TRUE(PumpUntil([&] { return Probe == nullptr; }));
  PumpTicks();
  EXPECT_EQ(caller.Leaves, 0);
  EXPECT_FALSE(IsMouseTracking(&caller));
}

// --- Drag detection -------------------------------------------------------------------

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

void TapKey(WORD vk) {
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = vk;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof in[0]);
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
      {"escape", [] { TapKey(VK_ESCAPE); }, vxddCancel},
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
    Probe->Log.clear();
    GInject = c.Input;
    SetTimer(nullptr, 0, 10, InjectInput);
    UINT_PTR guard = SetTimer(nullptr, 0, 5000, GiveUp);
    EXPECT_EQ(vxDragDetect(Probe->Handle()), c.Expected) << c.Name;
    KillTimer(nullptr, guard);
    EXPECT_NE(GetCapture(), Probe->Handle()) << c.Name;
    Pump();
    if (c.Expected == vxddNone) {
      EXPECT_EQ(Probe->Log, TLog{"button up"}) << c.Name;
    }
  }
  GInject = nullptr;
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
  EXPECT_TRUE(info.xHotspot == 10 && info.yHotspot == 10);  // as drawn
  DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);

  // One size for the three scrolling marks: the dead zone and the speed follow it.
  for (const char* name : {"VX_FULLSCROLLBITMAP", "VX_HORSCROLLBITMAP", "VX_VERSCROLLBITMAP"}) {
    HBITMAP bitmap = LoadBitmapA(module, name);
    BITMAP bm{};
    EXPECT_TRUE(GetObjectA(bitmap, sizeof bm, &bm) && bm.bmWidth == 27 && bm.bmHeight == 27) << name;
    DeleteObject(bitmap);
  }
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
  EXPECT_FALSE(IsMouseTracking(&caller) || timer.TimerOn());
  EXPECT_FALSE(IsWindow(timerWindow) || IsWindow(messageWindow) || IsWindow(settingsWindow));
  EXPECT_EQ(vxSettingsController().ListenerCount(), 0);

  // Nothing left: a quiet shutdown.
  EXPECT_NO_THROW(FinalizevxControls());
  InitializevxControls();
}
