// The control base on real windows: wanted keys, its own scroll bars and their layout, wheel
// and middle-button scrolling, the drag and drop of its own kind, popup menus, the border and
// what it lets go of when it dies.
#include "controls/vxControls.h"

#include "ControlsTestSupport.h"
#include "tests/platform/GuiTestSupport.h"

#include <functional>
#include <utility>
#include <vector>

using guitest::Pump;
using guitest::PumpUntil;

namespace {

using TScrollStep = std::pair<TScrollBarKind, TScrollCode>;

// A control with content of a given size that records its scroll steps.
class TContentControl : public TvxControl {
public:
  using TvxControl::TvxControl;
  using TvxControl::SetScrollBarInfo;
  SIZE Content{0, 0};
  bool StartsDragAndDrop = false;
  std::vector<TScrollStep> Steps;
  std::vector<bool> Ended;  // the accepted flags of the own drag and drop's ends

protected:
  void InitScrollBarsParameters() override {
    const RECT c = GetClientBounds();
    SetScrollBarInfo(TScrollBarKind::sbHorizontal, 0, Content.cx - 1, 1, c.right - c.left, 0, true, true);
    SetScrollBarInfo(TScrollBarKind::sbVertical, 0, Content.cy - 1, 1, c.bottom - c.top, 0, true, true);
  }
  void Scroll(TScrollBarKind kind, TScrollCode code, int&) override { Steps.emplace_back(kind, code); }
  bool StartDragAndDrop(POINT) override { return StartsDragAndDrop; }
  void EndDragAndDrop(bool accepted) override {
    Ended.push_back(accepted);
    TvxControl::EndDragAndDrop(accepted);
  }
};

// A popup menu of the library's own kind.
class TOwnMenu : public TComponent, public IvxPopupMenu {
public:
  using TComponent::TComponent;
  std::vector<POINT> Shown;
  WPARAM ShortCutKey = 0;
  int ShortCuts = 0;
  bool IsShortCut(TMessage& message) override {
    if (message.WParam != ShortCutKey) return false;
    ++ShortCuts;
    return true;
  }
  void Popup(int x, int y) override { Shown.push_back(POINT{x, y}); }
};

class TTrackingCaller : public IvxMouseTrackingCaller {
public:
  void MouseLeave() override {}
};

void SendMouse(DWORD flags) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  SendInput(1, &in, sizeof in);
}

class vxControlTest : public guitest::TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Control = new TContentControl(Host);
    Control->SetParent(Host);
    Control->SetBounds(10, 10, 200, 150);
    Pump();
  }
  void TearDown() override {
    guitest::MouseButton(false);
    Pump();
    TFormTest::TearDown();
  }
  void ShowContent(SIZE content) {
    Control->Content = content;
    Control->UpdateScrollBars();
  }
  POINT ToScreen(POINT client) { return Control->ClientToScreen(client); }

  TContentControl* Control = nullptr;
};

bool SameBounds(TControl* c, const RECT& r) {
  return c->Left() == r.left && c->Top() == r.top && c->Width() == r.right - r.left && c->Height() == r.bottom - r.top;
}

}  // namespace

TEST_F(vxControlTest, WantedKeysAnswerTheDialogCodes) {
  auto code = [&] { return SendMessageA(Control->Handle(), WM_GETDLGCODE, 0, 0); };
  EXPECT_EQ(code(), 0);
  Control->SetKeys(kTab);
  EXPECT_EQ(code(), DLGC_WANTTAB);
  guitest::Key(VK_CONTROL, true);
  Pump();
  EXPECT_EQ(code(), 0);  // Ctrl+Tab leaves the control
  guitest::Key(VK_CONTROL, false);
  Pump();
  Control->SetKeys(kAll | kArrows | kChars | kTab);
  EXPECT_EQ(code(), 0x87);
}

TEST_F(vxControlTest, ScrollBarInfoShowsHidesOrDisablesTheBar) {
  struct {
    const char* Name;
    TScrollStyle Style;
    int Min, Max, Page, Position;
    bool AllowShow, AllowHide;
    bool Visible, Enabled;
  } cases[] = {
      {"range beyond the page", TScrollStyle::ssBoth, 0, 99, 10, 5, true, true, true, true},
      {"range within the page", TScrollStyle::ssBoth, 0, 9, 10, 0, true, true, false, false},
      {"kept though it fits", TScrollStyle::ssBoth, 0, 9, 10, 0, true, false, true, false},
      {"style without the bar", TScrollStyle::ssVertical, 0, 99, 10, 5, true, true, false, true},
      {"not allowed", TScrollStyle::ssBoth, 0, 99, 10, 5, false, true, false, true},
  };
  for (const auto& c : cases) {
    Control->SetScrollBars(c.Style);
    Control->HScrollBar()->SetEnabled(true);
    Control->SetScrollBarInfo(TScrollBarKind::sbHorizontal, c.Min, c.Max, 3, c.Page, c.Position, c.AllowShow,
                              c.AllowHide);
    TvxControlScrollBar* bar = Control->HScrollBar();
    EXPECT_EQ(bar->Visible(), c.Visible) << c.Name;
    if (c.Visible) {
      EXPECT_EQ(bar->Enabled(), c.Enabled) << c.Name;
    }
  }
  Control->SetScrollBars(TScrollStyle::ssBoth);
  Control->SetScrollBarInfo(TScrollBarKind::sbVertical, 0, 99, 3, 10, 42, true, true);
  TvxControlScrollBar* bar = Control->VScrollBar();
  EXPECT_TRUE(bar->Min() == 0 && bar->Max() == 99 && bar->PageSize() == 10 && bar->Position() == 42 &&
              bar->SmallChange() == 3);
}

TEST_F(vxControlTest, EachPassSeesTheAreaTheBarsOfThePassBeforeLeave) {
  const int barHeight = Control->HScrollBar()->Height(), barWidth = Control->VScrollBar()->Width();
  EXPECT_EQ(barHeight, GetSystemMetrics(SM_CYHSCROLL));
  EXPECT_EQ(barWidth, GetSystemMetrics(SM_CXVSCROLL));
  ShowContent(SIZE{300, 100});  // too wide only
  EXPECT_TRUE(Control->IsHScrollBarVisible() && !Control->IsVScrollBarVisible());
  EXPECT_TRUE(SameBounds(Control->HScrollBar(), RECT{0, 150 - barHeight, 200, 150}));
  EXPECT_FALSE(Control->SizeGrip()->Visible());

  // Tall enough to fit the control, but not the room the horizontal bar leaves.
  ShowContent(SIZE{300, 150 - barHeight + 1});
  EXPECT_TRUE(Control->IsHScrollBarVisible() && Control->IsVScrollBarVisible());
  EXPECT_TRUE(SameBounds(Control->HScrollBar(), RECT{0, 150 - barHeight, 200 - barWidth, 150}));
  EXPECT_TRUE(SameBounds(Control->VScrollBar(), RECT{200 - barWidth, 0, 200, 150 - barHeight}));
  EXPECT_TRUE(SameBounds(Control->SizeGrip(), RECT{200 - barWidth, 150 - barHeight, 200, 150}));
  EXPECT_TRUE(Control->SizeGrip()->Visible());
  RECT client = Control->GetClientBounds();
  EXPECT_EQ(client, (RECT{0, 0, 200 - barWidth, 150 - barHeight}));

  ShowContent(SIZE{200, 150});
  EXPECT_FALSE(Control->IsHScrollBarVisible() || Control->IsVScrollBarVisible() || Control->SizeGrip()->Visible());

  // A resize brings them back.
  Control->Content = SIZE{200, 150};
  Control->SetBounds(10, 10, 150, 150);
  EXPECT_TRUE(Control->IsHScrollBarVisible());
}

TEST_F(vxControlTest, WheelScrollsLinesAndWithNoLinesIsStillHandled) {
  ShowContent(SIZE{100, 1000});
  int parentAsked = 0;
  Host->OnMouseWheel = [&](TObject*, TShiftState, int, POINT, bool&) { ++parentAsked; };
  Control->SetFocus();
  Pump();
  const LPARAM at = MAKELPARAM(ToScreen(POINT{50, 50}).x, ToScreen(POINT{50, 50}).y);
  Mouse.SetWheelScrollLines(3);
  SendMessageA(Control->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), at);
  const TScrollStep down{TScrollBarKind::sbVertical, scLineDown};
  EXPECT_EQ(Control->Steps, (std::vector<TScrollStep>{down, down, down}));

  Control->Steps.clear();
  Mouse.SetWheelScrollLines(0);
  SendMessageA(Control->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), at);
  EXPECT_TRUE(Control->Steps.empty());
  EXPECT_EQ(parentAsked, 0);  // handled here, though nothing scrolled

  // Without a vertical bar the wheel is the parent's.
  ShowContent(SIZE{100, 100});
  SendMessageA(Control->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), at);
  EXPECT_EQ(parentAsked, 1);
  Mouse.SettingChanged(SPI_SETWHEELSCROLLLINES);  // read from the system again
}

// The system's page setting is kept like any other: each notch is a page, never three lines
// read anew.
TEST_F(vxControlTest, WheelPageSettingStepsByPages) {
  ShowContent(SIZE{100, 1000});
  Control->SetFocus();
  Pump();
  const LPARAM at = MAKELPARAM(ToScreen(POINT{50, 50}).x, ToScreen(POINT{50, 50}).y);
  Mouse.SetWheelScrollLines(static_cast<int>(WHEEL_PAGESCROLL));
  EXPECT_EQ(Mouse.WheelScrollLines(), TMouse::WheelPageScroll);
  for (const short delta : {-WHEEL_DELTA, WHEEL_DELTA})
    SendMessageA(Control->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), at);
  EXPECT_EQ(Control->Steps, (std::vector<TScrollStep>{{TScrollBarKind::sbVertical, scPageDown},
                                                      {TScrollBarKind::sbVertical, scPageUp}}));
  EXPECT_EQ(Mouse.WheelScrollLines(), TMouse::WheelPageScroll) << "not read from the system again";
  Mouse.SettingChanged(SPI_SETWHEELSCROLLLINES);
}

TEST(vxAutoScroll, DirectionAndSpeedFollowTheMouse) {
  const POINT start{500, 400};
  const SIZE mark{27, 27}, screen{1024, 768};
  struct {
    POINT P;
    bool H, V;
    TvxDirection Direction;
    int Speed;
  } cases[] = {
      {{500, 400}, true, true, dirNone, 0},   {{513, 400}, true, true, dirNone, 0},
      {{514, 400}, true, true, dirRight, 1},  {{500, 468}, true, true, dirDown, 12},
      {{500, 500}, true, true, dirDown, 12},  {{500, 360}, true, true, dirUp, 6},
      {{470, 420}, true, true, dirLeft, 4},
      // One bar: the dead zone spans the screen across it, and the bar there is the one used.
      {{900, 410}, false, true, dirNone, 0},  {{900, 450}, false, true, dirDown, 8},
      {{500, 700}, true, false, dirNone, 0},  {{540, 700}, true, false, dirRight, 6},
  };
  for (const auto& c : cases) {
    TvxAutoScrollMotion m = vxAutoScrollMotion(start, c.P, mark, c.H, c.V, screen);
    EXPECT_EQ(m.Direction, c.Direction) << c.P.x << "," << c.P.y;
    EXPECT_EQ(m.Speed, c.Speed) << c.P.x << "," << c.P.y;
  }
  // A step every 13 - speed ticks.
  for (int tick = 1; tick <= 24; ++tick) {
    EXPECT_TRUE(vxAutoScrollStepDue(tick, 12));
    EXPECT_EQ(vxAutoScrollStepDue(tick, 1), tick % 12 == 0) << tick;
    EXPECT_EQ(vxAutoScrollStepDue(tick, 5), tick % 8 == 0) << tick;
  }
}

namespace {

std::function<bool()> GStage;
UINT_PTR GStageTimer = 0;

// Runs the stages of a test from inside a modal loop: each tick runs the current stage until
// it answers true.
void CALLBACK RunStage(HWND, UINT, UINT_PTR, DWORD) {
  if (GStage && GStage()) GStage = nullptr;
}

void CALLBACK GiveUp(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  ReleaseCapture();
}

}  // namespace

TEST_F(vxControlTest, MiddleClickScrollsUntilTheNextClick) {
  ShowContent(SIZE{100, 1000});
  const POINT centre = ToScreen(POINT{80, 70});
  guitest::MouseMoveTo(centre);
  Pump();
  int round = 0;
  bool wasOnAfterRelease = false;
  std::vector<std::function<bool()>> stages = {
      [&] {
        // The press and the release without moving: the mode stays on.
        wasOnAfterRelease = Control->IsAutoScrolling();
        guitest::MouseMoveTo(POINT{centre.x, centre.y + 60});
        return true;
      },
      [&] { return Control->Steps.size() >= 3 || ++round > 200; },
      [&] {
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        SendMouse(MOUSEEVENTF_LEFTUP);
        return true;
      },
  };
  size_t stage = 0;
  GStage = [&] {
    if (stage < stages.size() && stages[stage]()) ++stage;
    return stage == stages.size();
  };
  GStageTimer = SetTimer(nullptr, 0, 30, RunStage);
  const UINT_PTR guard = SetTimer(nullptr, 0, 8000, GiveUp);
  SendMouse(MOUSEEVENTF_MIDDLEDOWN);
  SendMouse(MOUSEEVENTF_MIDDLEUP);
  PumpUntil([&] { return stage == stages.size() && !Control->IsAutoScrolling(); });
  KillTimer(nullptr, GStageTimer);
  KillTimer(nullptr, guard);
  GStage = nullptr;
  EXPECT_TRUE(wasOnAfterRelease);
  EXPECT_FALSE(Control->IsAutoScrolling());
  EXPECT_NE(GetCapture(), Control->Handle());
  ASSERT_GE(Control->Steps.size(), 3u);
  for (const TScrollStep& step : Control->Steps)
    EXPECT_TRUE(step == (TScrollStep{TScrollBarKind::sbVertical, scLineDown}));
}

TEST_F(vxControlTest, OwnDragAndDropStartsOnAMoveAndEscapeCancelsIt) {
  Control->StartsDragAndDrop = true;
  for (bool cancel : {true, false}) {
    // Apart, so that the second press is no double click.
    const POINT at = ToScreen(cancel ? POINT{50, 50} : POINT{100, 90});
    Control->Ended.clear();
    guitest::MouseMoveTo(at);
    Pump();
    guitest::MouseButton(true);
    ASSERT_TRUE(PumpUntil([&] { return Control->DragAndDropState() == ddsStarting; }));
    EXPECT_TRUE(Control->Focused());  // focus on click
    guitest::MouseMoveTo(POINT{at.x + 2, at.y});  // within the drag threshold
    Pump();
    EXPECT_EQ(Control->DragAndDropState(), ddsStarting);
    guitest::MouseMoveTo(POINT{at.x + 20, at.y});
    ASSERT_TRUE(PumpUntil([&] { return Control->DragAndDropState() == ddsInProcess; }));
    guitest::MouseMoveTo(POINT{at.x + 25, at.y});
    PumpUntil([] { return Screen->Cursor() == crNoDrop; });
    EXPECT_EQ(Screen->Cursor(), crNoDrop);  // the object's cursor for a refused place
    if (cancel) {
      guitest::TapKey(VK_ESCAPE);
      ASSERT_TRUE(PumpUntil([&] { return Control->DragAndDropState() == ddsNone; }));
    }
    guitest::MouseButton(false);
    PumpUntil([&] { return !Control->Ended.empty(); });
    EXPECT_EQ(Control->Ended, std::vector<bool>{!cancel});
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_EQ(Control->DragAndDropState(), ddsNone);
    EXPECT_NE(GetCapture(), Control->Handle());
  }
}

TEST_F(vxControlTest, AnotherWindowTakingTheMouseCancelsTheOwnDragAndDrop) {
  Control->StartsDragAndDrop = true;
  const POINT at = ToScreen(POINT{150, 120});
  guitest::MouseMoveTo(at);
  Pump();
  guitest::MouseButton(true);
  ASSERT_TRUE(PumpUntil([&] { return Control->DragAndDropState() == ddsStarting; }));
  guitest::MouseMoveTo(POINT{at.x - 20, at.y});
  ASSERT_TRUE(PumpUntil([&] { return Control->DragAndDropState() == ddsInProcess; }));
  SetCapture(Host->Handle());
  EXPECT_EQ(Control->DragAndDropState(), ddsNone);
  EXPECT_EQ(Control->Ended, std::vector<bool>{false});
  ReleaseCapture();
}

TEST_F(vxControlTest, PopupMenusOfEitherKindAndTheirShortcuts) {
  auto* menu = new TOwnMenu(Host);
  TComponent notAMenu(nullptr);
  Control->SetPopupMenu(&notAMenu);
  EXPECT_EQ(Control->PopupMenu(), nullptr);
  Control->SetPopupMenu(menu);
  auto contextMenu = [&](POINT p) { SendMessageA(Control->Handle(), WM_CONTEXTMENU, 0, MAKELPARAM(p.x, p.y)); };
  contextMenu(ToScreen(POINT{30, 40}));
  contextMenu(POINT{-1, -1});                // from the keyboard: at the top left corner
  contextMenu(ToScreen(POINT{30, 400}));       // outside the client area: not this control's
  ASSERT_EQ(menu->Shown.size(), 2u);
  EXPECT_TRUE(menu->Shown[0].x == ToScreen(POINT{30, 40}).x && menu->Shown[0].y == ToScreen(POINT{30, 40}).y);
  EXPECT_TRUE(menu->Shown[1].x == ToScreen(POINT{0, 0}).x && menu->Shown[1].y == ToScreen(POINT{0, 0}).y);
  bool handles = true;
  int asked = 0;
  Control->OnContextPopup = [&](TObject*, POINT, bool& handled) {
    ++asked;
    handled = handles;
  };
  contextMenu(ToScreen(POINT{30, 40}));
  EXPECT_EQ(menu->Shown.size(), 2u);
  // Without a menu the request is asked about once and passed on.
  Control->SetPopupMenu(nullptr);
  handles = false;
  asked = 0;
  contextMenu(ToScreen(POINT{30, 40}));
  EXPECT_EQ(asked, 1);
  Control->SetPopupMenu(menu);

  // A shortcut of the menu of a control around this one counts too.
  auto* inner = new TContentControl(Host);
  inner->SetParent(Control);
  inner->SetBounds(5, 5, 50, 50);
  menu->ShortCutKey = 'K';
  EXPECT_EQ(SendMessageA(inner->Handle(), CN_KEYDOWN, 'K', 0), 1);
  EXPECT_EQ(menu->ShortCuts, 1);
  delete menu;
  EXPECT_EQ(Control->PopupMenu(), nullptr);

}

TEST_F(vxControlTest, DefaultBorderIsThePaintersAndLeavesTheClientInside) {
  Control->LookAndFeel().SetKind(lfStandard);
  Control->SetBorderStyle(vxcbsDefault);
  EXPECT_EQ(Control->GetBorderSize(), 2);
  EXPECT_EQ(Control->GetClientBounds(), (RECT{2, 2, 198, 148}));
  Control->Repaint();
  Pump();
  HDC dc = GetDC(Control->Handle());
  controlstest::TPaintBitmap copy(200, 150);
  BitBlt(copy.Canvas().Handle(), 0, 0, 200, 150, dc, 0, 0, SRCCOPY);
  ReleaseDC(Control->Handle(), dc);
  EXPECT_EQ(copy.Pixel(0, 0), ColorToRGB(clBtnShadow));
  EXPECT_EQ(copy.Pixel(1, 1), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(copy.Pixel(199, 149), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(copy.Pixel(198, 148), ColorToRGB(cl3DLight));
}

TEST(vxControlLifetime, DestroyedControlLetsGoOfWhatPointsAtIt) {
  const int listeners = vxSettingsController().ListenerCount();
  auto* control = new TContentControl(nullptr);
  control->HScrollBar();  // the bars register the control for metric changes
  EXPECT_EQ(vxSettingsController().ListenerCount(), listeners + 1);
  TvxObjectLinkHolder link(control);
  TTrackingCaller caller;
  BeginMouseTracking(control, RECT{0, 0, 10, 10}, &caller);
  TvxControlChildComponent child(control, false);  // listed with the control at once
  EXPECT_EQ(child.Control(), control);

  delete control;
  EXPECT_EQ(link.Object(), nullptr);
  EXPECT_FALSE(IsMouseTracking(&caller));
  EXPECT_EQ(child.Control(), nullptr);
  EXPECT_EQ(vxSettingsController().ListenerCount(), listeners);
}

// Content that needs a horizontal bar only while there is none: the passes would flip it for
// ever; the fourth pass ends the calculation and its answer stands.
TEST_F(vxControlTest, ScrollBarCalculationEndsAfterFourPasses) {
  class TFlipping : public TvxControl {
  public:
    using TvxControl::TvxControl;
    int Calls = 0;

  protected:
    void InitScrollBarsParameters() override {
      ++Calls;
      const RECT c = GetClientBounds();
      const bool roomy = c.bottom - c.top == Height();
      SetScrollBarInfo(TScrollBarKind::sbHorizontal, 0, roomy ? 1000 : 10, 1, c.right - c.left, 0, true, true);
      SetScrollBarInfo(TScrollBarKind::sbVertical, 0, 10, 1, c.bottom - c.top, 0, true, true);
    }
  };
  auto* control = new TFlipping(Host);
  control->SetParent(Host);
  control->SetBounds(10, 10, 200, 150);
  Pump();
  control->Calls = 0;
  control->UpdateScrollBars();
  EXPECT_EQ(control->Calls % 4, 0) << control->Calls;
  EXPECT_GE(control->Calls, 4);
  EXPECT_LE(control->Calls, 8) << "the bars' change lays the control out once more at most";
}

// A control made narrower than its border and a bar computes a negative page for the bar:
// that is no page, and no error reaches the user.
TEST_F(vxControlTest, ShrunkBelowItsBarsTheControlRaisesNothing) {
  Control->SetBorderStyle(vxcbsDefault);
  ShowContent(SIZE{1000, 1000});
  guitest::TExceptionCatcher caught;
  Control->SetBounds(10, 10, 3, 3);
  Pump();
  ASSERT_TRUE(caught.Messages().empty()) << caught.Messages().front();
  EXPECT_EQ(Control->HScrollBar()->PageSize(), 0);
  EXPECT_EQ(Control->VScrollBar()->PageSize(), 0);
}

// The drag object that DoStartDrag makes goes with the drag, also when the control is freed
// while the drag runs.
TEST_F(vxControlTest, DragObjectOfAControlFreedMidDragIsFreed) {
  static int alive = 0;
  class TCountedDragObject : public TvxDragControlObject {
  public:
    explicit TCountedDragObject(TControl* control) : TvxDragControlObject(control) { ++alive; }
    ~TCountedDragObject() override { --alive; }
  };
  class TDragSource : public TvxControl {
  public:
    using TvxControl::TvxControl;

  protected:
    TvxDragControlObjectClass GetDragObjectClass() override {
      return vxObjectClassOf<TCountedDragObject, TDragControlObject, TControl*>("TCountedDragObject");
    }
  };
  auto* source = new TDragSource(Host);
  source->SetParent(Host);
  source->SetBounds(10, 10, 50, 50);
  Pump();
  guitest::MouseMoveTo(source->ClientToScreen(POINT{20, 20}));
  Pump();
  source->BeginDrag(true);
  ASSERT_NE(dynamic_cast<TCountedDragObject*>(ActiveDragObject()), nullptr);
  ASSERT_EQ(alive, 1);
  source->EndDrag(false);
  EXPECT_EQ(alive, 0) << "an ended drag frees it";

  source->BeginDrag(true);
  ASSERT_EQ(alive, 1);
  delete source;
  Pump();
  EXPECT_EQ(ActiveDragObject(), nullptr);
  EXPECT_EQ(alive, 0) << "the drag of a freed control frees it too";
}

// Whether a control shows drag images is asked once its window is made.
TEST_F(vxControlTest, ControlWithDragImagesDisplaysThem) {
  class TWithImages : public TvxControl {
  public:
    using TvxControl::TvxControl;

  protected:
    bool HasDragImages() override { return true; }
  };
  auto* with = new TWithImages(Host);
  EXPECT_EQ(with->ControlStyle() & csDisplayDragImage, 0u) << "not asked in the constructor";
  with->SetParent(Host);
  with->HandleNeeded();
  EXPECT_NE(with->ControlStyle() & csDisplayDragImage, 0u);
  EXPECT_EQ(Control->ControlStyle() & csDisplayDragImage, 0u);
}
