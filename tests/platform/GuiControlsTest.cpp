// Message dispatch, reflection, exception routing, alignment, parent font and colour, state
// notifications, window recreation, size constraints and automatic size of the GUI layer's
// controls.
#include "GuiTestSupport.h"

#include "platform/gui/ComCtrls.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/SysExceptions.h"

#include <string>
#include <vector>

using guitest::Pump;

namespace {

constexpr UINT WM_PROBE = WM_APP + 7;

// Two levels of message maps: each records its visit and chains to the class above.
class TBaseProbe : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
  std::vector<std::string>* Log = nullptr;
  bool Stop = false;
  LRESULT WndProc(TMessage& m) override {
    switch (m.Msg) {
      case WM_PROBE:
        Log->push_back("base");
        if (Stop) return 7;
        break;
      case CM_MOUSEENTER: Log->push_back("enter " + Who(m)); break;
      case CM_MOUSELEAVE: Log->push_back("leave " + Who(m)); break;
      case CM_VISIBLECHANGED: Log->push_back("visible"); break;
      case CM_ENABLEDCHANGED: Log->push_back("enabled"); break;
      case CM_TEXTCHANGED: Log->push_back("text"); break;
      case CM_FONTCHANGED: Log->push_back("font"); break;
      case CM_COLORCHANGED: Log->push_back("color"); break;
      case CM_ENTER: Log->push_back("enter-focus " + Name()); break;
      case CM_EXIT: Log->push_back("exit-focus " + Name()); break;
    }
    return TCustomControl::WndProc(m);
  }
  LRESULT DefaultHandler(TMessage& m) override {
    if (m.Msg == WM_PROBE) {
      Log->push_back("default");
      return 42;
    }
    return TCustomControl::DefaultHandler(m);
  }

private:
  std::string Who(const TMessage& m) {
    if (m.LParam == 0) return "self";
    return reinterpret_cast<TComponent*>(m.LParam)->Name();
  }
};

class TDerivedProbe : public TBaseProbe {
public:
  using TBaseProbe::TBaseProbe;
  bool Throw = false;
  LRESULT WndProc(TMessage& m) override {
    switch (m.Msg) {
      case WM_PROBE:
        Log->push_back("derived");
        if (Throw) throw EConvertError("'x' is not a valid integer value");
        return TBaseProbe::WndProc(m);
    }
    return TBaseProbe::WndProc(m);
  }
};

class GuiControls : public guitest::TFormTest {
protected:
  std::vector<std::string> Log;
};

TEST_F(GuiControls, MessageMapsChainFromDerivedToBaseToDefault) {
  auto* probe = new TDerivedProbe(Host);
  probe->Log = &Log;
  probe->SetParent(Host);
  Log.clear();
  // Through the real window procedure, as the system delivers it...
  EXPECT_EQ(SendMessageA(probe->Handle(), WM_PROBE, 0, 0), 42);
  EXPECT_EQ(Log, (std::vector<std::string>{"derived", "base", "default"}));
  // ...and a handler that answers without chaining ends the walk.
  Log.clear();
  probe->Stop = true;
  EXPECT_EQ(probe->Perform(WM_PROBE, 0, 0), 7);
  EXPECT_EQ(Log, (std::vector<std::string>{"derived", "base"}));
}

TEST_F(GuiControls, ExceptionInAWindowProcedureReachesTheApplicationHandler) {
  guitest::TExceptionCatcher caught;
  auto* probe = new TDerivedProbe(Host);
  probe->Log = &Log;
  probe->Throw = true;
  probe->SetParent(Host);
  EXPECT_EQ(SendMessageA(probe->Handle(), WM_PROBE, 0, 0), 0);
  ASSERT_EQ(caught.Messages().size(), 1u);
  EXPECT_EQ(caught.Messages()[0], "'x' is not a valid integer value");
  EXPECT_EQ(caught.Classes()[0], "EConvertError");

  // A timer's handler and a utility window are callbacks too.
  TTimer timer(nullptr);
  timer.SetInterval(1);
  timer.SetOnTimer([&](TObject*) {
    timer.SetEnabled(false);
    throw EAbort("silent");
  });
  ASSERT_TRUE(guitest::PumpUntil([&] { return !timer.Enabled(); }));
  EXPECT_EQ(caught.Messages().size(), 1u) << "EAbort stays silent";
  HWND util = AllocateHWnd([](TMessage& m) {
    if (m.Msg == WM_PROBE) throw EListError("list index");
    m.Result = DefWindowProcA(nullptr, m.Msg, m.WParam, m.LParam);
  });
  SendMessageA(util, WM_PROBE, 0, 0);
  DeallocateHWnd(util);
  ASSERT_EQ(caught.Messages().size(), 2u);
  EXPECT_EQ(caught.Classes()[1], "EListError");
}

TEST_F(GuiControls, CommandsAndColoursAreReflectedToTheChild) {
  auto* edit = new TEdit(Host);
  edit->SetParent(Host);
  auto* button = new TButton(Host);
  button->SetParent(Host);
  button->SetTop(40);
  auto* check = new TCheckBox(Host);
  check->SetParent(Host);
  check->SetTop(80);
  int changes = 0, clicks = 0, checkClicks = 0;
  edit->OnChange = [&](TObject*) { ++changes; };
  button->OnClick = [&](TObject*) { ++clicks; };
  check->OnClick = [&](TObject*) { ++checkClicks; };

  SetWindowTextA(edit->Handle(), "abc");  // EN_CHANGE through the parent's WM_COMMAND
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(edit->Text(), "abc");
  SendMessageA(button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
  SendMessageA(check->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(checkClicks, 1);
  EXPECT_TRUE(check->Checked());

  edit->SetColor(clRed);
  HDC dc = GetDC(edit->Handle());
  const LRESULT brush = SendMessageA(Host->Handle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                     reinterpret_cast<LPARAM>(edit->Handle()));
  EXPECT_EQ(brush, reinterpret_cast<LRESULT>(edit->Brush().Handle()));
  EXPECT_EQ(GetBkColor(dc), ColorToRGB(clRed));
  ReleaseDC(edit->Handle(), dc);
}

TEST_F(GuiControls, AlignmentSharesTheClientAreaInOrder) {
  auto* top = new TPanel(Host);
  top->SetParent(Host);
  top->SetHeight(73);
  top->SetAlign(TAlign::alTop);
  auto* bottom = new TPanel(Host);
  bottom->SetParent(Host);
  bottom->SetHeight(41);
  bottom->SetAlign(TAlign::alBottom);
  auto* left = new TPanel(Host);
  left->SetParent(Host);
  left->SetWidth(50);
  left->SetAlign(TAlign::alLeft);
  auto* right = new TPanel(Host);
  right->SetParent(Host);
  right->SetWidth(30);
  right->SetAlign(TAlign::alRight);
  auto* client = new TPanel(Host);
  client->SetParent(Host);
  client->SetAlign(TAlign::alClient);
  auto* inner = new TPanel(Host);
  inner->SetParent(top);
  inner->SetAlign(TAlign::alClient);
  top->SetBorderWidth(2);  // 1 bevel + 2 border on each side
  SharedForm->SetClientSize(500, 400);
  Pump();
  const RECT c = Host->ClientRect();
  ASSERT_EQ(c.right, 500);
  ASSERT_EQ(c.bottom, 400);
  struct Case {
    const char* name;
    TControl* control;
    RECT expected;
  };
  const Case cases[] = {
      {"top", top, {0, 0, 500, 73}},          {"bottom", bottom, {0, 359, 500, 400}},
      {"left", left, {0, 73, 50, 359}},       {"right", right, {470, 73, 500, 359}},
      {"client", client, {50, 73, 470, 359}}, {"inner", inner, {3, 3, 497, 70}},
  };
  for (const Case& k : cases) {
    const RECT r = k.control->BoundsRect();
    EXPECT_TRUE(EqualRect(&r, &k.expected)) << k.name << ": " << r.left << "," << r.top << "," << r.right << ","
                                            << r.bottom;
  }
  // A hidden aligned control gives its space back.
  bottom->Hide();
  EXPECT_EQ(client->Height(), 400 - 73);
}

TEST_F(GuiControls, ParentFontAndColourFollowUntilSetOwn) {
  auto* panel = new TPanel(Host);
  panel->SetParent(Host);
  auto* label = new TLabel(Host);
  label->SetParent(panel);
  auto* edit = new TEdit(Host);
  edit->SetParent(panel);
  edit->Font().SetName("Arial");
  EXPECT_FALSE(edit->ParentFont());

  SharedForm->Font().SetName("ＭＳ Ｐゴシック");
  SharedForm->Font().SetHeight(-12);
  EXPECT_EQ(panel->Font().Name(), "ＭＳ Ｐゴシック");
  EXPECT_EQ(label->Font().Name(), "ＭＳ Ｐゴシック");
  EXPECT_EQ(label->Font().Height(), -12);
  EXPECT_TRUE(label->ParentFont());
  EXPECT_EQ(edit->Font().Name(), "Arial");

  panel->SetColor(clGreen);
  EXPECT_EQ(label->Color(), clGreen);
  EXPECT_TRUE(label->ParentColor());
  EXPECT_EQ(edit->Color(), clWindow);
  edit->SetParentFont(true);
  EXPECT_EQ(edit->Font().Name(), "ＭＳ Ｐゴシック");
  // A label sized to its text grows with a longer caption.
  label->SetCaption("短い");
  const int shortWidth = label->Width();
  label->SetCaption("ずっと長いラベルの文字列");
  EXPECT_GT(label->Width(), shortWidth);
}

TEST_F(GuiControls, ShowHintFollowsTheParentUntilSetOwn) {
  auto* panel = new TPanel(Host);
  panel->SetParent(Host);
  auto* label = new TLabel(Host);
  label->SetParent(panel);
  auto* edit = new TEdit(Host);
  edit->SetShowHint(false);
  EXPECT_FALSE(edit->ParentShowHint()) << "writing ShowHint ends following";
  edit->SetParent(panel);
  panel->SetShowHint(true);
  EXPECT_TRUE(label->ShowHint()) << "through every level";
  EXPECT_TRUE(label->ParentShowHint());
  EXPECT_FALSE(edit->ShowHint());
  edit->SetParentShowHint(true);
  EXPECT_TRUE(edit->ShowHint()) << "following again takes the parent's at once";
  auto* late = new TLabel(Host);
  late->SetParent(panel);
  EXPECT_TRUE(late->ShowHint()) << "a new child takes its parent's";
  panel->SetShowHint(false);
}

TEST_F(GuiControls, StateChangesNotifyAndReachTheWindow) {
  auto* probe = new TBaseProbe(Host);
  probe->Log = &Log;
  probe->SetParent(Host);
  Log.clear();
  HWND window = probe->Handle();
  probe->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(window));
  probe->SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(window));
  probe->SetVisible(true);
  EXPECT_TRUE(IsWindowVisible(window));
  probe->SetText("caption");
  probe->SetText("caption");  // unchanged: no notification
  char buffer[32] = {};
  GetWindowTextA(window, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "caption");
  probe->SetColor(clRed);
  probe->Font().SetHeight(-20);
  EXPECT_EQ(Log, (std::vector<std::string>{"enabled", "visible", "visible", "text", "color", "font"}));
}

TEST_F(GuiControls, RecreatingTheWindowKeepsTextAndState) {
  auto* edit = new TEdit(Host);
  edit->SetParent(Host);
  edit->SetText("保持する");
  HWND before = edit->Handle();
  edit->SetCharCase(TEditCharCase::ecUpperCase);
  HWND after = edit->Handle();
  EXPECT_NE(before, after);
  EXPECT_FALSE(IsWindow(before));
  EXPECT_EQ(edit->Text(), "保持する");
  EXPECT_TRUE(GetWindowLongA(after, GWL_STYLE) & ES_UPPERCASE);
  EXPECT_EQ(TWinControl::FindControl(after), edit);
}

TEST_F(GuiControls, FreedWindowedControlLeavesItsParentsTabOrder) {
  auto* first = new TEdit(Host);
  first->SetParent(Host);
  auto* second = new TEdit(Host);
  second->SetParent(Host);
  ASSERT_EQ(second->TabOrder(), 1);
  delete first;
  // Only addresses are compared up to here: a freed control still listed would be called next.
  ASSERT_EQ(second->TabOrder(), 0);
  std::vector<TWinControl*> order;
  Host->GetTabOrderList(order);
  EXPECT_EQ(order, std::vector<TWinControl*>{second});
}

TEST_F(GuiControls, MouseEnterAndLeaveFollowTheMouseAcrossControls) {
  auto* a = new TBaseProbe(Host);
  a->Log = &Log;
  a->SetName("a");
  a->SetParent(Host);
  auto* b = new TBaseProbe(Host);
  b->Log = &Log;
  b->SetName("b");
  b->SetParent(Host);
  b->SetLeft(200);
  auto* container = new TBaseProbe(Host);
  container->Log = &Log;
  container->SetName("container");
  container->SetParent(Host);
  container->SetTop(150);
  auto* inner = new TBaseProbe(Host);
  inner->Log = &Log;
  inner->SetName("inner");
  inner->SetParent(container);
  Log.clear();
  SendMessageA(a->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  SendMessageA(a->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(6, 5));
  SendMessageA(b->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  SendMessageA(inner->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  SendMessageA(inner->Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(Log, (std::vector<std::string>{"enter self", "leave self", "enter self", "leave self", "enter self",
                                           "enter inner", "leave self", "leave inner"}));
  delete inner;  // a destroyed control is forgotten as the mouse control
  EXPECT_EQ(Application->MouseControl(), nullptr);
}

TEST_F(GuiControls, RichEditLinesAddDeleteAndCountLikeTheClassLibrary) {
  auto* memo = new TRichEdit(Host);
  memo->SetParent(Host);
  memo->SetPlainText(true);
  memo->SetWordWrap(false);
  memo->SetScrollBars(TScrollStyle::ssBoth);
  TRichEditStrings& lines = memo->Lines();
  EXPECT_EQ(lines.Count(), 0);
  for (int i = 0; i < 5; ++i) lines.Add("行 " + IntToStr(i) + "\tタブ");
  ASSERT_EQ(lines.Count(), 5);
  EXPECT_EQ(lines.Strings(0), "行 0\tタブ");
  EXPECT_EQ(lines.Strings(4), "行 4\tタブ");
  lines.Delete(0);
  lines.Delete(0);
  ASSERT_EQ(lines.Count(), 3);
  EXPECT_EQ(lines.Strings(0), "行 2\tタブ");
  lines.Insert(1, "挿入");
  EXPECT_EQ(lines.Strings(1), "挿入");
  EXPECT_EQ(lines.Count(), 4);
  // Past the rich edit's default 32 KB limit.
  const AnsiString longLine(200, 'x');
  for (int i = 0; i < 300; ++i) lines.Add(longLine);
  EXPECT_EQ(lines.Count(), 304);
  EXPECT_EQ(lines.Strings(303), longLine);
  lines.Clear();
  EXPECT_EQ(lines.Count(), 0);
}

TEST_F(GuiControls, TimerRunsOnlyWhenEnabledWithIntervalAndHandler) {
  TTimer timer(nullptr);
  EXPECT_FALSE(timer.Running()) << "no handler, no window timer";
  int ticks = 0;
  timer.SetInterval(1);
  timer.SetOnTimer([&](TObject*) { ++ticks; });
  EXPECT_TRUE(timer.Running());
  ASSERT_TRUE(guitest::PumpUntil([&] { return ticks >= 2; }));
  timer.SetEnabled(false);
  EXPECT_FALSE(timer.Running());
  const int seen = ticks;
  Pump();
  EXPECT_EQ(ticks, seen);
  timer.SetInterval(0);
  timer.SetEnabled(true);
  EXPECT_FALSE(timer.Running());
}

}  // namespace

namespace {

TEST(GuiUtilityWindows, TopLevelUtilityWindowsHearSystemBroadcasts) {
  // A broadcast reaches top-level windows only: a message-only window would miss the
  // setting changes the control library listens for.
  const UINT probe = RegisterWindowMessageA("Corvane.GuiTest.BroadcastProbe");
  int heard = 0;
  HWND window = AllocateHWnd([&](TMessage& m) {
    if (m.Msg == probe) ++heard;
    m.Result = DefWindowProcA(nullptr, m.Msg, m.WParam, m.LParam);
  });
  DWORD_PTR result = 0;
  SendMessageTimeoutA(HWND_BROADCAST, probe, 0, 0, SMTO_ABORTIFHUNG, 2000, &result);
  EXPECT_EQ(heard, 1);
  DeallocateHWnd(window);
}

TEST_F(GuiControls, CursorFollowsTheControlUnlessTheScreenOverridesIt) {
  auto* panel = new TPanel(Host);
  panel->SetParent(Host);
  const HCURSOR own = LoadCursorA(nullptr, IDC_CROSS);
  constexpr TCursor kProgramCursor = 2100;
  Screen->SetCursors(kProgramCursor, own);
  struct Case {
    TCursor control;
    TCursor screen;
    bool answered;    // false: left to the window class
    LPCSTR expected;  // a system cursor id, or nullptr for the registered one
  };
  const Case cases[] = {
      {crDefault, crDefault, false, nullptr},     // nothing set: the window class decides
      {crHandPoint, crDefault, true, IDC_HAND},   // the control's own
      {kProgramCursor, crDefault, true, nullptr},  // registered by the program
      {crHandPoint, crHourGlass, true, IDC_WAIT},  // the screen's wins while set
  };
  for (const Case& c : cases) {
    panel->SetCursor(c.control);
    Screen->SetCursor(c.screen);
    ::SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    HWND window = panel->Handle();
    const LRESULT answered = SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(answered, c.answered ? 1 : 0);
    if (!c.answered) continue;
    EXPECT_EQ(GetCursor(), c.expected == nullptr ? own : LoadCursorA(nullptr, c.expected));
  }
  Screen->SetCursor(crDefault);
  Screen->SetCursors(kProgramCursor, nullptr);
  EXPECT_EQ(Screen->Cursors(kProgramCursor), LoadCursorA(nullptr, IDC_ARROW)) << "unknown ids give the arrow";
}

}  // namespace

namespace {

// A system-like window class that records what reaches its procedure.
std::vector<UINT> gSeenBySystemClass;
LRESULT CALLBACK RecordingClassProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg >= CM_BASE) gSeenBySystemClass.push_back(msg);
  return DefWindowProcA(window, msg, wParam, lParam);
}

class TRecordingControl : public TWinControl {
public:
  using TWinControl::TWinControl;

protected:
  void CreateParams(TCreateParams& params) override {
    TWinControl::CreateParams(params);
    CreateSubClass(params, "Corvane.GuiTest.Recording");
  }
};

TEST_F(GuiControls, LibraryNotificationsStayOutOfTheSystemClassButRegisteredMessagesReachIt) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = RecordingClassProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "Corvane.GuiTest.Recording";
  RegisterClassA(&wc);
  auto* control = new TRecordingControl(Host);
  control->SetParent(Host);
  const UINT registered = RegisterWindowMessageA("Corvane.GuiTest.Registered");
  gSeenBySystemClass.clear();
  SendMessageA(control->Handle(), CM_TEXTCHANGED, 0, 0);
  SendMessageA(control->Handle(), CN_COMMAND, 0, 0);
  SendMessageA(control->Handle(), registered, 0, 0);
  EXPECT_EQ(gSeenBySystemClass, std::vector<UINT>{registered});
}

}  // namespace

namespace {

// Records the reflected messages it receives.
class TReflectionProbe : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
  std::vector<UINT> Seen;
  LRESULT WndProc(TMessage& m) override {
    if (m.Msg >= CN_BASE && m.Msg < CN_BASE + 0x400) {
      Seen.push_back(m.Msg);
      return 77;
    }
    return TCustomControl::WndProc(m);
  }
};

TEST_F(GuiControls, ParentReflectsOwnerDrawScrollAndNotifyMessagesToTheChild) {
  auto* child = new TReflectionProbe(Host);
  child->SetParent(Host);
  HWND parent = Host->Handle();
  HWND window = child->Handle();
  DRAWITEMSTRUCT draw{};
  draw.CtlType = ODT_BUTTON;
  draw.hwndItem = window;
  MEASUREITEMSTRUCT measure{};
  measure.CtlType = ODT_LISTBOX;
  measure.CtlID = static_cast<UINT>(GetDlgCtrlID(window));
  NMHDR notify{window, static_cast<UINT_PTR>(GetDlgCtrlID(window)), 0};
  const auto childParam = reinterpret_cast<LPARAM>(window);
  struct Case {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
  };
  const Case cases[] = {
      {WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)}, {WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)},
      {WM_HSCROLL, SB_LINEDOWN, childParam},              {WM_VSCROLL, SB_LINEUP, childParam},
      {WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify)},  {WM_COMMAND, MAKEWPARAM(0, 1), childParam},
      {WM_CTLCOLORSTATIC, 0, childParam},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.msg);
    EXPECT_EQ(SendMessageA(parent, c.msg, c.wParam, c.lParam), 77);
    ASSERT_FALSE(child->Seen.empty());
    EXPECT_EQ(child->Seen.back(), CN_BASE + c.msg);
  }
  // A window's own scroll bars (no control in lParam) are not reflected anywhere.
  const size_t seen = child->Seen.size();
  SendMessageA(parent, WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(child->Seen.size(), seen);
}

// Wants a fixed size whatever it is given, as a control sized by its content does.
class TSelfSizing : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
  SIZE Wanted{100, 30};

protected:
  bool CanAutoSize(int& width, int& height) override {
    width = Wanted.cx;
    height = Wanted.cy;
    return true;
  }
};

TEST_F(GuiControls, SizeFollowsConstraintsAndTheAutomaticSizeUnlessAligned) {
  auto* c = new TSelfSizing(Host);
  c->SetParent(Host);
  c->SetBounds(5, 5, 10, 10);
  EXPECT_EQ(c->Width(), 10);
  c->SetAutoSize(true);
  EXPECT_EQ(c->Width(), 100);
  EXPECT_EQ(c->Height(), 30);
  c->Constraints().SetMaxWidth(60);
  EXPECT_EQ(c->Width(), 60) << "the automatic size stays within the constraints";
  c->Constraints().SetMinWidth(80);  // pulls the maximum up with it
  EXPECT_EQ(c->Constraints().MaxWidth(), 80);
  EXPECT_EQ(c->Width(), 80);
  c->Constraints().SetMinWidth(0);
  c->Constraints().SetMaxWidth(0);
  c->SetAlign(TAlign::alTop);  // the width is the parent's, the height still its own
  EXPECT_EQ(c->Width(), Host->ClientWidth());
  EXPECT_EQ(c->Height(), 30);
  c->SetAlign(TAlign::alNone);
  c->SetAutoSize(false);
  c->Constraints().SetMinWidth(80);
  c->SetBounds(0, 0, 20, 500);
  RECT r{};
  GetWindowRect(c->Handle(), &r);
  EXPECT_EQ(r.right - r.left, 80) << "the window got the constrained size too";
}

TEST(GuiGraphics, ImageListTakesMaskedImagesAndDrawsThem) {
  TImageList images(nullptr, 4, 4);
  TBitmap image;
  image.SetSize(8, 4);  // two images side by side
  image.Canvas().Brush().SetColor(clFuchsia);
  image.Canvas().FillRect(RECT{0, 0, 8, 4});
  image.Canvas().Brush().SetColor(clBlue);
  image.Canvas().FillRect(RECT{0, 0, 2, 2});
  EXPECT_EQ(images.AddMasked(image, clFuchsia), 0);
  EXPECT_EQ(images.Count(), 2);
  TBitmap target;
  target.SetSize(4, 4);
  target.Canvas().Brush().SetColor(clWhite);
  target.Canvas().FillRect(RECT{0, 0, 4, 4});
  images.Draw(target.Canvas(), 0, 0, 0);
  EXPECT_EQ(GetPixel(target.Canvas().Handle(), 0, 0), ColorToRGB(clBlue));
  EXPECT_EQ(GetPixel(target.Canvas().Handle(), 3, 3), ColorToRGB(clWhite)) << "the mask colour is transparent";
}

}  // namespace
