// The wheel reaching the focused control and its parents, context menus and popup menus with
// their shortcuts, and drag and drop driven by real mouse input.
#include "GuiTestSupport.h"

#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Menus.h"
#include "platform/gui/StdCtrls.h"

#include <string>
#include <vector>

using guitest::Pump;

namespace {

class GuiMouse : public guitest::TFormTest {
protected:
  TPanel* MakePanel(TWinControl* parent, int left, int top, const char* name) {
    auto* panel = new TPanel(Host);
    panel->SetName(name);
    panel->SetBounds(left, top, 100, 60);
    panel->SetParent(parent);
    return panel;
  }
  static POINT CentreOf(TControl* control) {
    return control->ClientToScreen(POINT{control->Width() / 2, control->Height() / 2});
  }
  std::vector<std::string> Log;
};

TEST_F(GuiMouse, WheelGoesToTheFocusedControlThenUpToTheParentThatTakesIt) {
  auto* outer = MakePanel(Host, 10, 10, "outer");
  outer->SetWidth(300);
  auto* edit = new TEdit(Host);
  edit->SetParent(outer);
  edit->SetBounds(10, 10, 100, 21);
  bool editTakes = false;
  auto record = [&](const char* who, bool take) {
    return [this, who, take, &editTakes](TObject*, TShiftState, int delta, POINT, bool& handled) {
      Log.push_back(std::string(who) + " " + std::to_string(delta));
      handled = take || (std::string(who) == "edit" && editTakes);
    };
  };
  edit->OnMouseWheel = record("edit", false);
  outer->OnMouseWheel = record("outer", true);
  Host->OnMouseWheel = record("host", true);
  edit->SetFocus();
  guitest::MouseMoveTo(CentreOf(edit));
  guitest::MouseWheel(-WHEEL_DELTA);
  ASSERT_TRUE(guitest::PumpUntil([&] { return Log.size() >= 2; }));
  Pump();
  EXPECT_EQ(Log, (std::vector<std::string>{"edit -120", "outer -120"}));
  Log.clear();
  editTakes = true;
  guitest::MouseWheel(WHEEL_DELTA);
  ASSERT_TRUE(guitest::PumpUntil([&] { return !Log.empty(); }));
  Pump();
  EXPECT_EQ(Log, std::vector<std::string>{"edit 120"});
}

TEST_F(GuiMouse, ContextMenuRequestGoesToTheControlThenToItsAutoPopupMenu) {
  auto* panel = MakePanel(Host, 20, 20, "panel");
  bool handle = true;
  POINT asked{0, 0};
  panel->OnContextPopup = [&](TObject*, POINT p, bool& handled) {
    asked = p;
    handled = handle;
  };
  auto* menu = new TPopupMenu(Host);
  auto* first = new TMenuItem(Host);
  first->Caption = "最初";
  auto* second = new TMenuItem(Host);
  second->Caption = "二番目";
  second->OnClick = [&](TObject*) { Log.push_back("second"); };
  menu->Items().Add(first);
  menu->Items().Add(second);
  panel->SetPopupMenu(menu);
  HWND window = panel->Handle();
  const POINT inside = panel->ClientToScreen(POINT{30, 15});

  EXPECT_EQ(SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(inside.x, inside.y)), 1);
  EXPECT_EQ(asked.x, 30);
  EXPECT_EQ(asked.y, 15);
  asked = POINT{0, 0};
  const POINT outside = panel->ClientToScreen(POINT{-5, 15});
  SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(outside.x, outside.y));
  EXPECT_EQ(asked.x, 0) << "a point outside the client area is not the control's";

  // Not handled: the menu shows and takes the keys queued before it (down twice, Enter).
  handle = false;
  for (WORD key : {VK_DOWN, VK_DOWN, VK_RETURN}) guitest::TapKey(key);
  SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(-1, -1));
  Pump();
  EXPECT_EQ(asked.x, -1) << "a keyboard request has no point";
  EXPECT_EQ(Log, std::vector<std::string>{"second"});
  EXPECT_EQ(menu->PopupComponent(), panel);
  delete panel;
  EXPECT_EQ(menu->PopupComponent(), nullptr);

  // Shortcuts are found in submenus, with the shift state of the keyboard.
  second->ShortCut = ShortCut('S', ssCtrl);
  first->Add(second);
  const TMessage keyS{CN_KEYDOWN, 'S', 1, 0};
  EXPECT_FALSE(menu->IsShortCut(keyS));
  BYTE keys[256] = {};
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  EXPECT_TRUE(menu->IsShortCut(keyS));
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  EXPECT_EQ(Log, (std::vector<std::string>{"second", "second"}));
}

// A source and a target panel that log what the drag tells them.
class GuiDrag : public GuiMouse {
protected:
  void SetUp() override {
    GuiMouse::SetUp();
    Source = MakePanel(Host, 10, 10, "source");
    Target = MakePanel(Host, 200, 10, "target");
    Source->OnEndDrag = [this](TObject*, TObject* target, int, int) {
      Log.push_back(std::string("end ") + (target != nullptr ? static_cast<TComponent*>(target)->Name() : "none"));
    };
    for (TPanel* panel : {Source, Target}) {
      panel->OnDragOver = [this, panel](TObject*, TObject* source, int, int, TDragState state, bool& accept) {
        static const char* const names[] = {"enter", "leave", "move"};
        Log.push_back(panel->Name() + " " + names[static_cast<int>(state)]);
        accept = panel == Target && source == Source;
      };
    }
    Target->OnDragDrop = [this](TObject*, TObject* source, int, int) {
      Log.push_back("drop from " + static_cast<TComponent*>(source)->Name());
    };
  }
  void TearDown() override {
    guitest::MouseButton(false);
    Pump();
    GuiMouse::TearDown();
  }
  TPanel* Source = nullptr;
  TPanel* Target = nullptr;
};

TEST_F(GuiDrag, AutomaticDragStartsPastTheThresholdAndDropsOnTheAcceptingControl) {
  Source->SetDragMode(TDragMode::dmAutomatic);
  Mouse.DragImmediate = false;
  const POINT start = CentreOf(Source);
  guitest::MouseMoveTo(start);
  guitest::MouseButton(true);
  Pump();
  EXPECT_NE(ActiveDragObject(), nullptr) << "pending until the mouse moves far enough";
  guitest::MouseMoveTo(POINT{start.x + Mouse.DragThreshold - 1, start.y});
  Pump();
  EXPECT_TRUE(Log.empty()) << "one pixel short of the threshold";
  guitest::MouseMoveTo(POINT{start.x + Mouse.DragThreshold, start.y});
  Pump();
  guitest::MouseMoveTo(CentreOf(Target));
  Pump();
  guitest::MouseButton(false);
  Pump();
  Mouse.DragImmediate = true;
  EXPECT_EQ(Log, (std::vector<std::string>{"source enter", "source move", "source leave", "target enter", "target move",
                                           "drop from source", "end target"}));
  EXPECT_EQ(ActiveDragObject(), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(GuiDrag, EscapeCancelsAndAFreedSourceEndsTheDragWithoutItsCallbacks) {
  guitest::MouseMoveTo(CentreOf(Source));
  Pump();
  Source->BeginDrag(true);
  EXPECT_TRUE(Source->Dragging());
  guitest::MouseMoveTo(CentreOf(Target));
  guitest::TapKey(VK_ESCAPE);
  Pump();
  EXPECT_EQ(Log, (std::vector<std::string>{"source enter", "source move", "source leave", "target enter",
                                           "target move", "target leave", "end none"}));
  EXPECT_FALSE(Source->Dragging());

  // The target's handler frees the source in the middle of the drag.
  Log.clear();
  guitest::MouseMoveTo(CentreOf(Source));
  Pump();
  Source->BeginDrag(true);
  Target->OnDragOver = [this](TObject*, TObject*, int, int, TDragState, bool& accept) {
    accept = true;
    delete Source;
    Source = nullptr;
  };
  guitest::MouseMoveTo(CentreOf(Target));
  Pump();
  EXPECT_EQ(ActiveDragObject(), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
  guitest::MouseButton(false);
  Pump();
  EXPECT_EQ(Log, (std::vector<std::string>{"source enter", "source move", "source leave"}));
  // Another drag can start at once.
  Target->OnDragOver = nullptr;
  Target->BeginDrag(true);
  EXPECT_TRUE(Target->Dragging());
  Target->EndDrag(false);
  EXPECT_FALSE(Target->Dragging());
}

}  // namespace
