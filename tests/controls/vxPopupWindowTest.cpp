// Popup windows on real windows: placement beside the owner inside the work area, the frame,
// showing and closing, the modal loop, and the hooks' closing rules with real input.
#include "controls/vxContainer.h"

#include "ControlsTestSupport.h"
#include "platform/rtl/SysExceptions.h"
#include "tests/platform/GuiTestSupport.h"

#include <string>
#include <vector>

using guitest::Pump;
using guitest::PumpUntil;

namespace {

constexpr UINT WM_TEST_SETRESULT = WM_APP + 1;

// The work area the placement sees, for a scope.
class TWorkAreaScope {
public:
  explicit TWorkAreaScope(RECT work) {
    SetDesktopWorkAreaFunction([work](POINT) { return work; });
  }
  ~TWorkAreaScope() { SetDesktopWorkAreaFunction(nullptr); }
};

class TTestPopup : public TvxCustomPopupWindow {
public:
  using TvxCustomPopupWindow::TvxCustomPopupWindow;
  std::vector<WORD> Keys;
  int ClosePopups = 0;
  void ClosePopup() override {
    ++ClosePopups;
    TvxCustomPopupWindow::ClosePopup();
  }
  LRESULT WndProc(TMessage& m) override {
    if (m.Msg == WM_TEST_SETRESULT) {
      SetModalResult(mrOk);
      return 0;
    }
    return TvxCustomPopupWindow::WndProc(m);
  }

protected:
  void KeyDown(WORD& key, TShiftState shift) override {
    Keys.push_back(key);
    TvxCustomPopupWindow::KeyDown(key, shift);
  }
};

class vxPopupWindowTest : public guitest::TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Host->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { ++HostPresses; };
    Owner = MakeOwner(20);
  }
  void TearDown() override {
    guitest::MouseButton(false);
    Pump();
    while (TvxCustomPopupWindow::VisiblePopupCount() > 0) TvxCustomPopupWindow::VisiblePopup(0)->CloseUp();
    TFormTest::TearDown();
  }
  // An owner control on the host; its popups sit below it and run no modal loop.
  TPanel* MakeOwner(int top) {
    auto* owner = new TPanel(Host);
    owner->SetParent(Host);
    owner->SetBounds(20, top, 100, 20);
    owner->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { ++OwnerPresses; };
    Pump();
    return owner;
  }
  TTestPopup* MakePopup(TWinControl* owner, bool modal = false) {
    auto* popup = new TTestPopup(owner);
    popup->SetModalMode(modal);
    popup->SetOwnerParent(owner);
    popup->SetOwnerBounds(RECT{0, 0, owner->Width(), owner->Height()});
    auto* content = new TPanel(popup);
    content->SetParent(popup);
    content->SetBounds(0, 0, 80, 40);
    popup->OnClosing = [this](TObject*) { Events += "closing "; };
    popup->OnClosed = [this](TObject*) { Events += "closed "; };
    return popup;
  }
  void Click(TControl* control, POINT client) {
    guitest::MouseMoveTo(control->ClientToScreen(client));
    guitest::MouseButton(true);
    guitest::MouseButton(false);
    Pump();
  }

  TPanel* Owner = nullptr;
  int HostPresses = 0;
  int OwnerPresses = 0;
  std::string Events;
};

}  // namespace

TEST(vxPopupPosition, FlipsToTheSideWithMoreRoomAndKeepsInsideTheWorkArea) {
  TWorkAreaScope work(RECT{0, 0, 1024, 768});
  struct {
    const char* Name;
    RECT Owner;
    SIZE Size;
    TvxPopupAlignHorz Horz;
    TvxPopupAlignVert Vert;
    TvxPopupDirection Direction;
    POINT Expected;
  } cases[] = {
      {"below flips above", {100, 700, 200, 720}, {150, 100}, pahLeft, pavBottom, pdVertical, {100, 600}},
      {"equal room stays below", {100, 334, 200, 434}, {150, 400}, pahLeft, pavBottom, pdVertical, {100, 434}},
      {"above at equal room goes below", {100, 334, 200, 434}, {150, 400}, pahLeft, pavTop, pdVertical, {100, 434}},
      {"centred wider than the work area", {800, 10, 900, 30}, {1200, 50}, pahCenter, pavBottom, pdVertical, {0, 30}},
      {"kept off the right edge", {900, 100, 1000, 120}, {200, 50}, pahLeft, pavBottom, pdVertical, {824, 120}},
      {"right-aligned", {300, 100, 400, 120}, {150, 50}, pahRight, pavBottom, pdVertical, {250, 120}},
      {"left flips right", {10, 100, 110, 120}, {150, 100}, pahLeft, pavTop, pdHorizontal, {110, 100}},
      {"right flips left", {950, 100, 1000, 120}, {150, 100}, pahRight, pavTop, pdHorizontal, {800, 100}},
      {"beside, kept off the bottom", {950, 700, 1000, 720}, {150, 100}, pahLeft, pavTop, pdHorizontal, {800, 668}},
  };
  for (const auto& c : cases) {
    const POINT p = vxCalculatePopupPosition(c.Owner, c.Size, c.Horz, c.Vert, c.Direction);
    EXPECT_EQ(p.x, c.Expected.x) << c.Name;
    EXPECT_EQ(p.y, c.Expected.y) << c.Name;
  }
}

TEST_F(vxPopupWindowTest, PlainPopupFitsItsChildrenSitsBelowTheOwnerAndDrawsItsFrame) {
  auto* popup = new TvxPopupWindow(Owner);
  popup->SetPopupBorderStyle(pbsSingle);
  popup->SetBorderSpace(2);
  popup->SetFrameColor(clRed);
  popup->SetOwnerParent(Owner);
  popup->SetOwnerBounds(RECT{0, 0, 100, 20});
  auto* content = new TPanel(popup);
  content->SetParent(popup);
  content->SetBounds(3, 3, 50, 30);
  popup->Popup();
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(popup->Handle()) != FALSE; }));
  EXPECT_EQ(popup->ClientWidth(), 53 + 3 + 3);
  EXPECT_EQ(popup->ClientHeight(), 33 + 3 + 3);
  const POINT below = Owner->ClientToScreen(POINT{0, 20});
  EXPECT_EQ(popup->Left(), below.x);
  EXPECT_EQ(popup->Top(), below.y);
  popup->Repaint();
  HDC dc = GetDC(popup->Handle());
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, popup->ClientWidth() - 1, popup->ClientHeight() - 1), RGB(255, 0, 0));
  ReleaseDC(popup->Handle(), dc);
  popup->CloseUp();
  EXPECT_FALSE(popup->Visible());
}

TEST_F(vxPopupWindowTest, ClickOutsideClosesAndReachesTheForm) {
  // The owner's form hears no deactivation while its popup is active.
  std::vector<WPARAM> ncActivates;
  TObjectInstance* spy = nullptr;
  TObjectInstance instance([&](TMessage& m) {
    if (m.Msg == WM_NCACTIVATE) ncActivates.push_back(m.WParam);
    spy->CallPrevious(m);
  });
  spy = &instance;
  instance.Install(SharedForm->Handle());
  TTestPopup* popup = MakePopup(Owner);
  popup->Popup(nullptr);
  Pump();
  instance.Restore();
  ASSERT_TRUE(popup->IsVisible());
  EXPECT_EQ(GetActiveWindow(), popup->Handle());
  EXPECT_EQ(ncActivates, std::vector<WPARAM>{TRUE});
  EXPECT_EQ(popup->FocusedControl(), popup);  // no tab stop inside
  Click(Host, POINT{300, 200});
  EXPECT_FALSE(popup->IsVisible());
  EXPECT_FALSE(IsWindowVisible(popup->Handle()));
  EXPECT_EQ(Events, "closing closed ");
  EXPECT_FALSE(popup->ClosedByOwnerClick());
  EXPECT_FALSE(popup->LockDeactivate());
  EXPECT_EQ(HostPresses, 1);
}

TEST_F(vxPopupWindowTest, ClickOnTheOwnerRectangleMarksTheCloseAndReachesTheOwner) {
  bool doubled = false;
  Owner->OnMouseDown = [&](TObject*, TMouseButton, TShiftState shift, int, int) {
    ++OwnerPresses;
    doubled = (shift & ssDouble) != 0;
  };
  // A plain press, and a press soon after another on the same spot (which comes as a double
  // click); spots apart, so that the first case's press does not double the second's.
  struct {
    const char* Name;
    POINT Spot;
    int Before;  // presses on the spot before the popup opens
  } cases[] = {{"press", {20, 10}, 0}, {"double click", {60, 10}, 1}};
  for (const auto& c : cases) {
    OwnerPresses = 0;
    TTestPopup* popup = MakePopup(Owner);
    for (int i = 0; i < c.Before; ++i) Click(Owner, c.Spot);
    popup->Popup(nullptr);
    Click(Owner, c.Spot);
    EXPECT_FALSE(popup->IsVisible()) << c.Name;
    EXPECT_TRUE(popup->ClosedByOwnerClick()) << c.Name;
    EXPECT_EQ(OwnerPresses, c.Before + 1) << c.Name;
    EXPECT_EQ(doubled, c.Before > 0) << c.Name;
  }
}

TEST_F(vxPopupWindowTest, HidingTheOwnerClosesItsPopupAndTheLaterOnes) {
  TPanel* second = MakeOwner(60);
  TPanel* third = MakeOwner(100);
  std::vector<TTestPopup*> popups{MakePopup(Owner), MakePopup(second), MakePopup(third)};
  for (TTestPopup* popup : popups) {
    popup->SetPopupStyle(false);  // tool windows: several stay open at once
    popup->Popup(nullptr);
  }
  ASSERT_EQ(TvxCustomPopupWindow::VisiblePopupCount(), 3);
  // A later popup's close frees the one the scan would come to next.
  popups[2]->OnClosed = [&](TObject*) { delete popups[1]; };
  second->Hide();
  Pump();
  ASSERT_EQ(TvxCustomPopupWindow::VisiblePopupCount(), 1);
  EXPECT_EQ(TvxCustomPopupWindow::VisiblePopup(0), popups[0]);
  EXPECT_FALSE(IsWindowVisible(popups[2]->Handle()));
}

TEST_F(vxPopupWindowTest, AltWithALetterIsDroppedAndAltDownPasses) {
  TTestPopup* popup = MakePopup(Owner);
  popup->Popup(nullptr);
  ASSERT_TRUE(PumpUntil([&] { return GetFocus() == popup->Handle(); }));
  guitest::Key(VK_MENU, true);
  guitest::TapKey('A');
  guitest::TapKey(VK_DOWN);
  guitest::Key(VK_MENU, false);
  PumpUntil([&] { return !popup->Keys.empty(); }, 50);
  Pump();
  EXPECT_EQ(popup->Keys, std::vector<WORD>{VK_DOWN});
  EXPECT_TRUE(popup->IsVisible());
}

TEST_F(vxPopupWindowTest, ClosingThePopupClosesTheWindowItBelongsTo) {
  int formCloses = 0;
  SharedForm->OnCloseQuery = [&](TObject*, bool& canClose) {
    ++formCloses;
    canClose = false;
  };
  TTestPopup* popup = MakePopup(Owner);
  popup->Popup(nullptr);
  SendMessageA(popup->Handle(), WM_CLOSE, 0, 0);
  SharedForm->OnCloseQuery = nullptr;
  EXPECT_FALSE(popup->IsVisible());
  EXPECT_EQ(formCloses, 1);
}

TEST_F(vxPopupWindowTest, ModalLoopClosesOnModalResultWhenCloseQueryAllows) {
  TTestPopup* popup = MakePopup(Owner, true);
  int queries = 0;
  popup->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++queries > 1; };
  popup->OnShowed = [&](TObject*) {
    popup->SetModalResult(mrOk);  // refused at first...
    PostMessageA(popup->Handle(), WM_TEST_SETRESULT, 0, 0);  // ...then allowed
  };
  popup->Popup(nullptr);  // returns once the loop has closed the popup
  EXPECT_FALSE(popup->IsVisible());
  EXPECT_EQ(queries, 2);
  EXPECT_EQ(popup->ClosePopups, 1);
}

TEST_F(vxPopupWindowTest, FailureWhileShowingLeavesThePopupReadyForThePostedShow) {
  TTestPopup* popup = MakePopup(Owner);
  bool fail = true;
  popup->OnShowing = [&](TObject*) {
    if (fail) throw Exception("not now");
  };
  EXPECT_THROW(popup->Popup(nullptr), Exception);
  EXPECT_FALSE(popup->IsVisible());
  EXPECT_EQ(TvxCustomPopupWindow::ShowingPopup(), nullptr);
  fail = false;
  PostMessageA(popup->Handle(), VXM_REPOPUP, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return popup->IsVisible(); }));
  vxPostClosePopupMessage(popup);
  ASSERT_TRUE(PumpUntil([&] { return !popup->IsVisible(); }));
  EXPECT_FALSE(popup->LockDeactivate());
  EXPECT_EQ(Events, "closing closed ");
}

TEST_F(vxPopupWindowTest, FailureInAHookIsHandledAndTheClickGoesOn) {
  guitest::TExceptionCatcher catcher;
  TTestPopup* popup = MakePopup(Owner);
  popup->OnClosing = [](TObject*) { throw Exception("closing failed"); };
  popup->Popup(nullptr);
  Click(Host, POINT{300, 200});
  EXPECT_EQ(catcher.Messages(), std::vector<std::string>{"closing failed"});
  EXPECT_FALSE(popup->IsVisible());
  EXPECT_FALSE(IsWindowVisible(popup->Handle()));
  EXPECT_FALSE(popup->LockDeactivate());
  EXPECT_EQ(TvxCustomPopupWindow::ClosingPopup(), nullptr);
  EXPECT_EQ(HostPresses, 1);
}

TEST_F(vxPopupWindowTest, OwnerFreedByTheCloseSwallowsTheClick) {
  TTestPopup* popup = MakePopup(Owner);
  Owner->RemoveComponent(popup);  // the popup outlives its owner
  popup->OnClosing = [this](TObject*) {
    delete Owner;
    Owner = nullptr;
  };
  popup->Popup(nullptr);
  Click(Host, POINT{300, 200});
  EXPECT_FALSE(popup->IsVisible());
  EXPECT_EQ(popup->OwnerControl(), nullptr);
  EXPECT_EQ(HostPresses, 0);
  delete popup;
}

TEST_F(vxPopupWindowTest, PopupFreedInItsModalLoopEndsTheLoop) {
  TTestPopup* popup = MakePopup(Owner, true);
  popup->OnShowed = [&](TObject*) { popup->Release(); };
  PostMessageA(popup->Handle(), VXM_REPOPUP, 0, 0);
  Pump();
  EXPECT_EQ(TvxCustomPopupWindow::VisiblePopupCount(), 0);
  EXPECT_EQ(Owner->ComponentCount(), 0);
}

TEST_F(vxPopupWindowTest, LosingTheApplicationClosesAllButTheActiveTopLevelPopup) {
  auto* container = new TvxContainer(Host);
  container->SetParent(Host);
  container->SetBounds(200, 20, 100, 20);
  int focusChanges = 0;
  container->OnFocusChanged = [&](TObject*) { ++focusChanges; };
  Pump();
  TTestPopup* toolPopup = MakePopup(container);
  toolPopup->SetPopupStyle(false);
  toolPopup->Popup(nullptr);
  TTestPopup* popup = MakePopup(Owner);
  popup->Popup(nullptr);
  ASSERT_EQ(TvxCustomPopupWindow::VisiblePopupCount(), 2);
  SendMessageA(SharedForm->Handle(), WM_ACTIVATEAPP, FALSE, 0);
  EXPECT_FALSE(toolPopup->IsVisible());
  EXPECT_EQ(focusChanges, 1);
  EXPECT_TRUE(popup->IsVisible());
}
