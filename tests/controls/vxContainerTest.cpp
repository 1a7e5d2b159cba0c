// The container on real windows: the frame's widths and painting, the shadow's window region,
// the focus handed to the inner edit, Tab out of the container both ways, hot tracking and
// its end (also by a container freed when the mouse leaves it), the control's own font and
// colour beside the style's, and the inner window's scroll bars mirrored.
#include "controls/vxContainer.h"

#include "ControlsTestSupport.h"
#include "platform/gui/StdCtrls.h"
#include "tests/platform/GuiTestSupport.h"

#include <memory>

using guitest::Pump;
using guitest::PumpUntil;

namespace {

class TTestContainer : public TvxContainer {
public:
  using TvxContainer::TvxContainer;
  using TvxContainer::GetBorderExtent;
  using TvxContainer::GetHotTrackBounds;
  using TvxContainer::FocusChanged;
  using TvxContainer::KeyDown;
};

// Passes Tab and its focus changes to its container, as the editors' inner edits do.
class TInnerEdit : public TEdit {
public:
  explicit TInnerEdit(TTestContainer* container) : TEdit(container), FContainer(container) {}
  LRESULT WndProc(TMessage& m) override {
    const LRESULT result = TEdit::WndProc(m);
    if (FContainer->IsDestroying()) return result;
    switch (m.Msg) {
      case WM_GETDLGCODE: return result | DLGC_WANTTAB;
      case WM_SETFOCUS:
        if (reinterpret_cast<HWND>(m.WParam) != FContainer->Handle()) FContainer->FocusChanged();
        break;
      case WM_KILLFOCUS: FContainer->FocusChanged(); break;
    }
    return result;
  }

protected:
  void KeyDown(WORD& key, TShiftState shift) override {
    FContainer->KeyDown(key, shift);
    if (key != 0) TEdit::KeyDown(key, shift);
  }
  void KeyPress(char& key) override {
    if (key == '\t') key = 0;
  }

private:
  TTestContainer* FContainer;
};

class TBarContainer : public TTestContainer {
public:
  using TTestContainer::TTestContainer;
  bool HasScrollBars() override { return true; }
};

const POINT kFarAway{5, 5};

class vxContainerTest : public guitest::TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    guitest::MouseMoveTo(kFarAway);
    Pump();
    Container = MakeContainer<TTestContainer>(RECT{20, 20, 120, 40});
  }
  void TearDown() override {
    guitest::MouseMoveTo(kFarAway);
    Pump();
    TFormTest::TearDown();
  }
  template <class T>
  T* MakeContainer(const RECT& r) {
    auto* container = new T(Host);
    container->SetParent(Host);
    container->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    Pump();
    return container;
  }
  TEdit* AddInnerEdit() {
    auto* edit = new TInnerEdit(Container);
    edit->SetParent(Container);
    Container->SetInnerControl(edit);
    Pump();
    return edit;
  }
  TEdit* AddEdit(int left) {
    auto* edit = new TEdit(Host);
    edit->SetParent(Host);
    edit->SetBounds(left, 60, 60, 20);
    return edit;
  }
  // A frame of plain colours: no transparent ring, no hot tracking.
  void PlainStyle(TvxContainerBorderStyle border, TColor borderColor = clRed) {
    TvxContainerStyle* style = Container->Style();
    style->BeginUpdate();
    style->SetTransparentBorder(false);
    style->SetHotTrack(false);
    style->SetBorderStyle(border);
    style->SetBorderColor(borderColor);
    style->SetColor(clYellow);
    style->EndUpdate();
    Pump();
  }
  std::unique_ptr<controlstest::TPaintBitmap> Picture() {
    Container->Update();
    auto copy = std::make_unique<controlstest::TPaintBitmap>(Container->Width(), Container->Height());
    HDC dc = GetDC(Container->Handle());
    BitBlt(copy->Canvas().Handle(), 0, 0, Container->Width(), Container->Height(), dc, 0, 0, SRCCOPY);
    ReleaseDC(Container->Handle(), dc);
    return copy;
  }
  POINT Screen(TControl* control, POINT p) { return control->ClientToScreen(p); }
  bool IsHot(TvxContainer* container) { return (container->ViewInfo()->ContainerState & vxcsHot) != 0; }

  TTestContainer* Container = nullptr;
};

}  // namespace

TEST_F(vxContainerTest, FrameWidthsPlaceTheInnerControl) {
  const struct {
    const char* Name;
    bool Transparent, Shadow;
    TvxContainerBorderStyle Border;
    TvxBorders Edges;
    RECT Extent;
  } cases[] = {
      {"transparent ring and shadow", true, true, cbsSingle, vxBordersAll, {2, 2, 5, 5}},
      {"single on the left and top", false, false, cbsSingle, bLeft | bTop, {1, 1, 0, 0}},
      {"thick", false, false, cbsThick, vxBordersAll, {2, 2, 2, 2}},
      {"single with shadow", false, true, cbsSingle, vxBordersAll, {1, 1, 4, 4}},
      {"none", false, false, cbsNone, vxBordersAll, {0, 0, 0, 0}},
  };
  TEdit* inner = AddInnerEdit();
  for (const auto& c : cases) {
    TvxContainerStyle* style = Container->Style();
    style->BeginUpdate();
    style->SetTransparentBorder(c.Transparent);
    style->SetShadow(c.Shadow);
    style->SetBorderStyle(c.Border);
    style->SetEdges(c.Edges);
    style->EndUpdate();
    EXPECT_EQ(Container->GetBorderExtent(), c.Extent) << c.Name;
    EXPECT_EQ(inner->BoundsRect(), (RECT{c.Extent.left, c.Extent.top, 100 - c.Extent.right, 20 - c.Extent.bottom}))
        << c.Name;
  }
}

TEST_F(vxContainerTest, BordersPaintTheirColours) {
  const COLORREF fill = ColorToRGB(clYellow);
  const struct {
    TvxContainerBorderStyle Border;
    POINT At[4];
    TColor Expected[4];
  } cases[] = {
      {cbsSingle, {{0, 0}, {99, 19}, {1, 1}, {50, 10}}, {clRed, clRed, clYellow, clYellow}},
      {cbsThick, {{0, 0}, {1, 1}, {98, 18}, {2, 2}}, {clRed, clRed, clRed, clYellow}},
      {cbsFlat, {{0, 0}, {99, 19}, {1, 1}, {2, 2}}, {clBtnShadow, clBtnHighlight, clBtnFace, clYellow}},
      {cbs3D, {{0, 0}, {1, 1}, {98, 18}, {99, 19}}, {clBtnShadow, cl3DDkShadow, cl3DLight, clBtnHighlight}},
      {cbsUltraFlat, {{0, 0}, {99, 19}, {1, 1}, {50, 10}}, {clBtnShadow, clBtnShadow, clYellow, clYellow}},
  };
  for (const auto& c : cases) {
    PlainStyle(c.Border);
    auto picture = Picture();
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(picture->Pixel(c.At[i].x, c.At[i].y), ColorToRGB(c.Expected[i]))
          << int(c.Border) << " at " << c.At[i].x << "," << c.At[i].y;
  }
  EXPECT_EQ(Container->ViewInfo()->BackgroundColor, clYellow);
  EXPECT_EQ(ColorToRGB(Container->Color()), fill);
}

TEST_F(vxContainerTest, ShadowCutsTheCornersAndFollowsTheBorder) {
  PlainStyle(cbsSingle);
  Container->Style()->SetShadow(true);
  Pump();
  // 100 x 20: the rectangle less 3 at the right and bottom, and the same moved by (3, 3).
  TvxRegion expected(0, 0, 97, 17);
  expected.Combine(TvxRegion(3, 3, 100, 20), roAdd);
  std::unique_ptr<TvxRegion> made = vxCreateContainerRegion(RECT{0, 0, 100, 20}, true);
  EXPECT_TRUE(EqualRgn(made->Handle(), expected.Handle()));
  TvxRegion applied;
  ASSERT_NE(GetWindowRgn(Container->Handle(), applied.Handle()), ERROR);
  EXPECT_TRUE(EqualRgn(applied.Handle(), expected.Handle()));
  EXPECT_EQ(Container->GetHotTrackBounds(), (RECT{0, 0, 97, 17}));

  auto picture = Picture();
  for (POINT border : {POINT{0, 0}, POINT{96, 16}, POINT{96, 0}})
    EXPECT_EQ(picture->Pixel(border.x, border.y), ColorToRGB(clRed)) << border.x << "," << border.y;
  for (POINT shadow : {POINT{97, 3}, POINT{99, 19}, POINT{3, 17}, POINT{50, 18}})
    EXPECT_EQ(picture->Pixel(shadow.x, shadow.y), ColorToRGB(clBtnShadow)) << shadow.x << "," << shadow.y;
  EXPECT_EQ(picture->Pixel(50, 8), ColorToRGB(clYellow));

  Container->Style()->SetShadow(false);
  Pump();
  TvxRegion whole(0, 0, 100, 20);
  ASSERT_NE(GetWindowRgn(Container->Handle(), applied.Handle()), ERROR);
  EXPECT_TRUE(EqualRgn(applied.Handle(), whole.Handle()));
}

TEST_F(vxContainerTest, FocusedSingleBorderThickensOnlyWithHotTracking) {
  PlainStyle(cbsSingle);
  Container->Style()->SetHotTrack(true);
  AddInnerEdit();
  Container->SetFocus();
  Pump();
  ASSERT_TRUE(Container->ViewInfo()->ContainerState & vxcsFocused);
  EXPECT_EQ(Container->ActiveStyle(), Container->StyleFocused());
  EXPECT_EQ(Container->ViewInfo()->BorderStyle, cbsThick);
  EXPECT_EQ(Container->GetBorderExtent(), (RECT{2, 2, 2, 2}));
  EXPECT_EQ(Picture()->Pixel(1, 1), ColorToRGB(clRed));

  Container->Style()->SetHotTrack(false);
  Pump();
  EXPECT_EQ(Container->ViewInfo()->BorderStyle, cbsSingle);
  EXPECT_EQ(Container->GetBorderExtent(), (RECT{1, 1, 1, 1}));
  EXPECT_EQ(Picture()->Pixel(0, 0), ColorToRGB(clRed));
}

TEST_F(vxContainerTest, FocusGoesToTheInnerEditAndStaysThere) {
  TEdit* inner = AddInnerEdit();
  TEdit* other = AddEdit(200);
  Container->SetFocus();
  Pump();
  EXPECT_EQ(GetFocus(), inner->Handle());
  EXPECT_EQ(SharedForm->ActiveControl(), inner);
  EXPECT_TRUE(Container->Focused());
  EXPECT_EQ(Container->ViewInfo()->ContainerState, vxcsFocused);
  SendMessageA(Container->Handle(), WM_CHAR, 'x', 0);  // keys of the container's window go on
  EXPECT_EQ(inner->Text(), AnsiString("x"));

  other->SetFocus();
  Pump();
  EXPECT_FALSE(Container->Focused());
  EXPECT_EQ(Container->ViewInfo()->ContainerState, vxcsNormal);

  // A click into the inner edit, then one on the container's frame: the focus ends in the
  // inner edit both times.
  for (POINT at : {POINT{50, 10}, POINT{1, 10}}) {
    other->SetFocus();
    Pump();
    guitest::MouseMoveTo(Screen(Container, at));
    guitest::MouseButton(true);
    guitest::MouseButton(false);
    EXPECT_TRUE(PumpUntil([&] { return GetFocus() == inner->Handle(); })) << at.x;
    Pump();
    EXPECT_EQ(GetFocus(), inner->Handle()) << at.x;
    EXPECT_EQ(SharedForm->ActiveControl(), inner) << at.x;
  }
}

TEST_F(vxContainerTest, TabLeavesTheContainerBothWays) {
  TEdit* before = AddEdit(10);
  before->SetTabOrder(0);
  TEdit* inner = AddInnerEdit();
  TEdit* after = AddEdit(200);
  Container->SetFocus();
  Pump();
  ASSERT_EQ(GetFocus(), inner->Handle());

  guitest::TapKey(VK_TAB);
  EXPECT_TRUE(PumpUntil([&] { return GetFocus() == after->Handle(); }));
  auto shiftTab = [] {
    guitest::Key(VK_SHIFT, true);
    guitest::TapKey(VK_TAB);
    guitest::Key(VK_SHIFT, false);
  };
  shiftTab();  // from the next control back into the container: its inner edit
  EXPECT_TRUE(PumpUntil([&] { return GetFocus() == inner->Handle(); }));
  shiftTab();
  EXPECT_TRUE(PumpUntil([&] { return GetFocus() == before->Handle(); }));
  EXPECT_EQ(inner->Text(), AnsiString());
}

TEST_F(vxContainerTest, HotTrackingFollowsTheMouseUntilItLeaves) {
  EXPECT_EQ(Container->ViewInfo()->BorderColor, clBtnShadow);
  guitest::MouseMoveTo(Screen(Container, POINT{50, 10}));
  ASSERT_TRUE(PumpUntil([&] { return IsHot(Container); }));
  EXPECT_EQ(Container->ActiveStyle(), Container->StyleHot());
  EXPECT_EQ(Container->ViewInfo()->BorderColor, clHighlight);
  // The transparent ring is the parent's: the ultra-flat border is the next pixel in.
  EXPECT_EQ(Container->GetHotTrackBounds(), (RECT{1, 1, 99, 19}));
  EXPECT_EQ(Picture()->Pixel(1, 1), ColorToRGB(clHighlight));

  guitest::MouseMoveTo(kFarAway);
  ASSERT_TRUE(PumpUntil([&] { return !IsHot(Container); }));
  EXPECT_EQ(Container->ViewInfo()->BorderColor, clBtnShadow);
  EXPECT_FALSE(TvxContainer::LastPressedButton().has_value());
}

TEST_F(vxContainerTest, ContainerFreedWhenTheMouseLeavesItEndsQuietly) {
  guitest::TExceptionCatcher errors;
  auto* container = MakeContainer<TTestContainer>(RECT{20, 60, 120, 80});
  TvxObjectLinkHolder link(container);
  int left = 0;
  container->OnMouseLeave = [&](TObject*) {
    ++left;
    delete container;
  };
  guitest::MouseMoveTo(Screen(container, POINT{50, 10}));
  ASSERT_TRUE(PumpUntil([&] { return IsHot(container); }));
  guitest::MouseMoveTo(kFarAway);
  ASSERT_TRUE(PumpUntil([&] { return link.Object() == nullptr; }));
  PumpUntil([] { return false; }, 10);  // any tracking tick still due
  EXPECT_EQ(left, 1);
  EXPECT_TRUE(errors.Messages().empty());
}

TEST_F(vxContainerTest, DisabledContainerTakesTheDisabledStyle) {
  Container->SetEnabled(false);
  Pump();
  EXPECT_EQ(Container->ViewInfo()->ContainerState, vxcsDisabled);
  EXPECT_EQ(Container->ActiveStyle(), Container->StyleDisabled());
  EXPECT_EQ(Container->ViewInfo()->BackgroundColor, clBtnFace);
  EXPECT_EQ(Container->ViewInfo()->BorderColor, clBtnShadow);
}

TEST_F(vxContainerTest, ControlFontAndParentColourAreNoStyleValues) {
  TvxContainerStyle* style = Container->Style();
  const TvxContainerStyleValues fontBit = vxStyleValueBit(csvFont), colorBit = vxStyleValueBit(csvColor);
  Container->Font().SetSize(20);
  Pump();
  EXPECT_EQ(style->AssignedValues() & fontBit, 0u);
  EXPECT_EQ(style->Font()->Size(), 20);
  EXPECT_EQ(Container->Font().Size(), 20);  // the style does not take it back

  Container->SetParentColor(true);
  Host->SetColor(clAqua);
  Pump();
  EXPECT_EQ(Container->Color(), clAqua);
  EXPECT_TRUE(Container->ParentColor());
  EXPECT_EQ(style->AssignedValues() & colorBit, 0u);
  EXPECT_EQ(Container->ViewInfo()->BackgroundColor, clAqua);

  Container->SetColor(clLime);
  Pump();
  EXPECT_NE(style->AssignedValues() & colorBit, 0u);
  EXPECT_FALSE(Container->ParentColor());
  EXPECT_EQ(Container->ViewInfo()->BackgroundColor, clLime);
}

TEST_F(vxContainerTest, NativeStyleFramesWithTheVisualStyleAndNoShadow) {
  if (!AreVisualStylesAvailable(totEdit)) GTEST_SKIP() << "no visual style";
  PlainStyle(cbsSingle);
  Container->Style()->SetShadow(true);
  Container->Style()->LookAndFeel()->SetNativeStyle(true);
  Pump();
  EXPECT_TRUE(Container->ViewInfo()->NativeStyle);
  EXPECT_FALSE(Container->ViewInfo()->Shadow);
  EXPECT_EQ(Container->GetBorderExtent(), (RECT{2, 2, 2, 2}));
  EXPECT_EQ(Container->ViewInfo()->NativeState, ETS_NORMAL);
  EXPECT_EQ(Picture()->Pixel(50, 10), ColorToRGB(clYellow));
  Container->SetEnabled(false);
  Pump();
  EXPECT_EQ(Container->ViewInfo()->NativeState, ETS_DISABLED);
}

TEST_F(vxContainerTest, BarsStandOverTheInnerWindowsOwn) {
  auto* container = MakeContainer<TBarContainer>(RECT{150, 20, 250, 120});
  auto* list = new TListBox(container);
  list->SetParent(container);
  container->SetInnerControl(list);
  for (int i = 0; i < 50; ++i) list->Items().Add(AnsiString("item"));
  Pump();
  SendMessageA(container->Handle(), VXM_UPDATESCROLLBARS, 0, 0);

  SCROLLBARINFO native{};
  native.cbSize = sizeof native;
  ASSERT_TRUE(GetScrollBarInfo(list->Handle(), OBJID_VSCROLL, &native));
  const POINT topLeft = container->ScreenToClient(POINT{native.rcScrollBar.left, native.rcScrollBar.top});
  TvxControlScrollBar* bar = container->VScrollBar();
  ASSERT_TRUE(bar->Visible());
  EXPECT_EQ(bar->BoundsRect(),
            (RECT{topLeft.x, topLeft.y, topLeft.x + native.rcScrollBar.right - native.rcScrollBar.left,
                  topLeft.y + native.rcScrollBar.bottom - native.rcScrollBar.top}));
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  GetScrollInfo(list->Handle(), SB_VERT, &si);
  EXPECT_EQ(bar->Max(), si.nMax);
  EXPECT_EQ(bar->PageSize(), static_cast<int>(si.nPage));
  EXPECT_FALSE(container->HScrollBar()->Visible());
}
