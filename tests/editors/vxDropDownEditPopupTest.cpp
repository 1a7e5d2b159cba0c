// The drop-down popup window on real windows, owned by a plain panel that answers as an edit
// would. A character forwarded to the popup is tested through the edit (vxDropDownEditTest).
#include "editors/vxDropDownEdit.h"

#include "DropDownTestSupport.h"
#include "EditTestSupport.h"
#include "tests/controls/ControlsTestSupport.h"
#include "platform/gui/StdCtrls.h"
#include "tests/platform/GuiTestSupport.h"

#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

using guitest::Pump;
using guitest::PumpUntil;

namespace {

class TWorkAreaScope {
public:
  explicit TWorkAreaScope(RECT work) {
    SetDesktopWorkAreaFunction([work](POINT) { return work; });
  }
  ~TWorkAreaScope() { SetDesktopWorkAreaFunction(nullptr); }
};

// A panel that opens a drop-down popup and answers for it as an edit would.
class TPopupOwner : public TPanel, public IvxEditPopupWindowOwner {
public:
  using TPanel::TPanel;
  TvxLookAndFeel* GetPopupControlLookAndFeel() override { return nullptr; }
  SIZE GetPopupWindowClientPreferredSize() override { return Preferred; }
  void PositionPopupWindowChildren(const RECT& clientRect) override { Placed.push_back(clientRect); }
  void CloseUpPopup(TvxEditCloseUpReason reason) override {
    Reasons.push_back(reason);
    if (Popup != nullptr) Popup->CloseUp();
  }
  SIZE Preferred{100, 50};
  std::vector<RECT> Placed;
  std::vector<TvxEditCloseUpReason> Reasons;
  TvxCustomEditPopupWindow* Popup = nullptr;
};

class vxDropDownPopupTest : public guitest::TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Owner = edittest::Place<TPopupOwner>(Host, 20, 20, 120, 21);
    Pump();
  }
  void TearDown() override {
    dropdowntest::CloseAllPopups();
    TFormTest::TearDown();
  }
  TvxCustomEditPopupWindow* MakePopup() {
    auto* popup = new TvxCustomEditPopupWindow(Owner);
    popup->SetModalMode(false);
    Owner->Popup = popup;
    return popup;
  }
  // A 100×50 popup with a shadow.
  TvxCustomEditPopupWindow* MakeShadowedPopup() {
    TvxCustomEditPopupWindow* popup = MakePopup();
    popup->SetAutoSize(false);
    popup->SetPopupWidth(100);
    popup->SetPopupHeight(50);
    popup->SetShadow(true);
    return popup;
  }
  void Show(TvxCustomEditPopupWindow* popup) {
    popup->Popup(nullptr);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(popup->Handle()) != FALSE; }));
    Pump();
  }
  TPopupOwner* Owner = nullptr;
};

// Whether a 100×50 shadowed window's region is (0,0,97,47) ∪ (3,3,100,50), less cut.
bool HasShadowRegion(HWND window, RECT cut = RECT{}) {
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  HRGN expected = CreateRectRgn(0, 0, 97, 47);
  HRGN part = CreateRectRgn(3, 3, 100, 50);
  CombineRgn(expected, expected, part, RGN_OR);
  SetRectRgn(part, cut.left, cut.top, cut.right, cut.bottom);
  CombineRgn(expected, expected, part, RGN_DIFF);
  const bool same = GetWindowRgn(window, region) != ERROR && EqualRgn(region, expected);
  DeleteObject(region);
  DeleteObject(expected);
  DeleteObject(part);
  return same;
}

RECT Extent(TvxEditPopupBorderStyle style, bool native, bool clientEdge, bool shadow, bool panel,
            TvxSizeGripCorner corner) {
  TvxCustomEditPopupWindowViewInfo info;
  info.PopupBorderStyle = style;
  info.NativeStyle = native;
  info.ClientEdge = clientEdge;
  info.Shadow = shadow;
  info.SysPanelStyle = panel;
  info.SizeGripCorner = corner;
  return info.GetBorderExtent();
}

}  // namespace

TEST(vxDropDownPopupViewInfo, BorderExtentsFollowFrameClientEdgeShadowAndPanel) {
  const int panel = std::max(GetSystemMetrics(SM_CYHSCROLL), GetSystemMetrics(SM_CYSIZE));
  struct {
    const char* Name;
    TvxEditPopupBorderStyle Style;
    bool Native, ClientEdge, Shadow, Panel;
    TvxSizeGripCorner Corner;
    RECT Expected;
  } cases[] = {
      {"frame 3-D, client edge, shadow", epbsFrame3D, false, true, true, false, sgcBottomRight, {6, 6, 9, 9}},
      {"single, panel below", epbsSingle, false, false, false, true, sgcBottomRight, {1, 1, 1, 1 + panel + 1}},
      {"single, panel above", epbsSingle, false, false, false, true, sgcTopLeft, {1, 1 + panel + 1, 1, 1}},
      {"flat, panel without separator", epbsFlat, false, false, false, true, sgcBottomLeft, {2, 2, 2, 2 + panel}},
      {"flat, client edge", epbsFlat, false, true, false, false, sgcBottomRight, {3, 3, 3, 3}},
      {"native flat: one line, wide edge", epbsFlat, true, true, false, false, sgcBottomRight, {3, 3, 3, 3}},
      {"default: nothing", epbsDefault, false, true, false, false, sgcBottomRight, {0, 0, 0, 0}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Extent(c.Style, c.Native, c.ClientEdge, c.Shadow, c.Panel, c.Corner), c.Expected) << c.Name;
}

TEST(vxDropDownPopupViewInfo, GripCloseButtonAndSizingZones) {
  TvxCustomEditPopupWindowViewInfo info;
  info.PopupBorderStyle = epbsSingle;
  info.SysPanelStyle = true;
  info.Sizeable = true;
  info.CloseButton = true;
  info.Bounds = RECT{0, 0, 200, 100};
  const int base = std::max(GetSystemMetrics(SM_CYHSCROLL), GetSystemMetrics(SM_CYSIZE));
  struct {
    TvxSizeGripCorner Corner;
    RECT Grip;
    RECT Close;
    int DirX, DirY;
  } cases[] = {
      {sgcBottomRight,
       {199 - (base - 2), 99 - (base - 2), 199, 99},
       {1 + 3, 99 - 2 - (base - 4), 1 + 3 + base - 4, 99 - 2},
       1,
       1},
      {sgcTopLeft, {1, 1, 1 + base - 2, 1 + base - 2}, {199 - 3 - (base - 4), 3, 199 - 3, 3 + base - 4}, -1, -1},
  };
  for (const auto& c : cases) {
    info.SizeGripCorner = c.Corner;
    info.Calculate();
    EXPECT_EQ(info.SizeGripSizingRect, c.Grip) << int(c.Corner);
    EXPECT_EQ(info.CloseButtonRect, c.Close) << int(c.Corner);
    const POINT g{(c.Grip.left + c.Grip.right) / 2, (c.Grip.top + c.Grip.bottom) / 2};
    ASSERT_TRUE(info.GetSizingDirection(g.x, g.y));
    EXPECT_EQ(info.SizingDirectionX, c.DirX);
    EXPECT_EQ(info.SizingDirectionY, c.DirY);
    // The content is no sizing place; the frame on the edit's side sizes nothing.
    EXPECT_FALSE(info.GetSizingDirection(100, 50));
    ASSERT_TRUE(info.GetSizingDirection(100, c.DirY > 0 ? 0 : 99));
    EXPECT_EQ(info.SizingDirectionX, 0);
    EXPECT_EQ(info.SizingDirectionY, 0);
  }
  info.Sizeable = false;
  info.Calculate();
  EXPECT_FALSE(info.GetSizingDirection(0, 0));
}

TEST(vxDropDownPopupViewInfo, SizeGripPointsIntoItsCorner) {
  // Each corner's grip is the bottom-right one mirrored: left to right for the left corners,
  // top to bottom for the top ones, pixel for pixel.
  const int w = GetSystemMetrics(SM_CXVSCROLL) + 4;
  const int h = GetSystemMetrics(SM_CYHSCROLL) + 4;
  auto paint = [&](TvxSizeGripCorner corner) {
    auto bitmap = std::make_unique<controlstest::TPaintBitmap>(w, h);
    TvxCanvas canvas(bitmap->Canvas());
    vxDrawSizeGrip(canvas, RECT{0, 0, w, h}, corner, false);
    return bitmap;
  };
  auto bottomRight = paint(sgcBottomRight);
  bool drawn = false;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) drawn = drawn || bottomRight->Pixel(x, y) != ColorToRGB(clBtnFace);
  EXPECT_TRUE(drawn);
  for (TvxSizeGripCorner corner : {sgcTopLeft, sgcTopRight, sgcBottomLeft}) {
    auto mirrored = paint(corner);
    const bool left = corner != sgcTopRight;
    const bool top = corner != sgcBottomLeft;
    int differing = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (mirrored->Pixel(left ? w - 1 - x : x, top ? h - 1 - y : y) != bottomRight->Pixel(x, y)) ++differing;
    EXPECT_EQ(differing, 0) << int(corner);
  }
}

TEST_F(vxDropDownPopupTest, ShadowedPopupBelowHasTheContainerRegion) {
  TvxCustomEditPopupWindow* popup = MakeShadowedPopup();
  Show(popup);
  ASSERT_EQ(popup->Width(), 100);
  ASSERT_EQ(popup->Height(), 50);
  EXPECT_TRUE(HasShadowRegion(popup->Handle()));
}

TEST_F(vxDropDownPopupTest, ShadowedPopupAboveLetsTheEditShowThroughItsShadow) {
  TvxCustomEditPopupWindow* popup = MakeShadowedPopup();
  const POINT at = Owner->ClientToScreen(POINT{0, 0});
  const RECT owner{at.x, at.y, at.x + Owner->Width(), at.y + Owner->Height()};
  TWorkAreaScope work(RECT{0, 0, 2000, owner.bottom + 10});
  Show(popup);
  // Above the edit, 3 pixels down: the shadow's bottom strip lies over the edit.
  EXPECT_EQ(popup->Top() + popup->Height(), owner.top + 3);
  ASSERT_EQ(popup->Left(), owner.left);
  EXPECT_TRUE(HasShadowRegion(popup->Handle(), RECT{0, 47, (owner.right - owner.left) - 3, 50}));
}

TEST_F(vxDropDownPopupTest, GripCornerFollowsWhereThePopupLies) {
  TvxCustomEditPopupWindow* popup = MakePopup();
  popup->SetEditPopupBorderStyle(epbsSingle);
  popup->SetSizeable(true);
  popup->SetSysPanelStyle(true);
  Show(popup);
  EXPECT_EQ(popup->ViewInfo()->SizeGripCorner, sgcBottomRight);
  const int panel = popup->ViewInfo()->SysPanelHeight;
  // Bottom extent: frame, panel, separator.
  EXPECT_EQ(popup->ViewInfo()->GetClientExtent().bottom, 1 + panel + 1);
  popup->CloseUp();

  // An edit near the work area's bottom: the popup flips above it, the grip to the top.
  const RECT owner = popup->OwnerScreenBounds();
  TWorkAreaScope work(RECT{0, 0, 2000, owner.bottom + 10});
  Show(popup);
  EXPECT_LT(popup->Top(), owner.top);
  EXPECT_EQ(popup->Top() + popup->Height(), owner.top);
  EXPECT_EQ(popup->ViewInfo()->SizeGripCorner, sgcTopRight);
  EXPECT_EQ(popup->ViewInfo()->GetClientExtent().top, 1 + panel + 1);
}

TEST_F(vxDropDownPopupTest, AutoSizeMinimumAndGivenSizes) {
  TvxCustomEditPopupWindow* popup = MakePopup();
  popup->SetEditPopupBorderStyle(epbsSingle);
  Owner->Preferred = SIZE{80, 40};
  popup->CalculateSize();
  EXPECT_EQ(popup->Width(), 82);
  EXPECT_EQ(popup->Height(), 42);
  // Sizeable: at least the minimum width and height; the panel makes room for grip and button.
  popup->SetAutoSize(false);
  popup->SetSizeable(true);
  popup->SetSysPanelStyle(true);
  popup->SetCloseButton(true);
  popup->SetMinWidth(50);
  popup->SetMinHeight(90);
  popup->SetPopupWidth(0);
  popup->SetPopupHeight(0);
  popup->CalculateSize();
  const SIZE minimum = popup->GetMinimumSize();
  const int base = popup->ViewInfo()->SysPanelHeight;
  EXPECT_EQ(minimum.cx, 2 + (base - 4) + (base - 2) + 10);
  EXPECT_EQ(popup->Width(), std::max<int>(120, minimum.cx));  // the owner's width
  EXPECT_EQ(popup->Height(), 90);
}

TEST_F(vxDropDownPopupTest, FramesPaintInTheirColours) {
  TvxCustomEditPopupWindow* popup = MakePopup();
  popup->SetEditPopupBorderStyle(epbsFrame3D);
  Show(popup);
  popup->Repaint();
  HDC dc = GetDC(popup->Handle());
  const int w = popup->Width();
  const int h = popup->Height();
  EXPECT_EQ(GetPixel(dc, 0, 0), ColorToRGB(cl3DLight));
  EXPECT_EQ(GetPixel(dc, w - 1, h - 1), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(GetPixel(dc, 1, 1), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(GetPixel(dc, 2, 5), ColorToRGB(clBtnFace));
  EXPECT_EQ(GetPixel(dc, 3, 5), ColorToRGB(clBtnShadow));  // sunken without client edge
  EXPECT_EQ(GetPixel(dc, w - 4, 5), ColorToRGB(clBtnHighlight));
  ReleaseDC(popup->Handle(), dc);
  popup->CloseUp();

  popup->SetEditPopupBorderStyle(epbsSingle);
  popup->SetSysPanelStyle(true);
  Show(popup);
  popup->Repaint();
  dc = GetDC(popup->Handle());
  const RECT client = popup->ViewInfo()->ClientRect;
  EXPECT_EQ(GetPixel(dc, 0, 0), ColorToRGB(clBtnText));
  EXPECT_EQ(GetPixel(dc, client.left + 5, client.bottom), ColorToRGB(clBtnText));  // the separator
  ReleaseDC(popup->Handle(), dc);
}

TEST_F(vxDropDownPopupTest, CloseButtonGoesHotPressedAndClosesOnRelease) {
  TvxCustomEditPopupWindow* popup = MakePopup();
  popup->SetEditPopupBorderStyle(epbsSingle);
  popup->SetSysPanelStyle(true);
  popup->SetCloseButton(true);
  Show(popup);
  TvxCustomEditPopupWindowViewInfo* info = popup->ViewInfo();
  ASSERT_FALSE(IsRectEmpty(&info->CloseButtonRect));
  EXPECT_EQ(info->CloseButtonState, vxCloseButtonNormal);
  const RECT b = info->CloseButtonRect;
  guitest::MouseMoveTo(popup->ClientToScreen(POINT{(b.left + b.right) / 2, (b.top + b.bottom) / 2}));
  ASSERT_TRUE(PumpUntil([&] { return info->CloseButtonState == vxCloseButtonHot; }));
  guitest::MouseButton(true);
  ASSERT_TRUE(PumpUntil([&] { return info->CloseButtonState == vxCloseButtonPressed; }));
  guitest::MouseButton(false);
  ASSERT_TRUE(PumpUntil([&] { return !popup->IsVisible(); }));
  EXPECT_EQ(Owner->Reasons, std::vector<TvxEditCloseUpReason>{crUnknown});
}

TEST_F(vxDropDownPopupTest, DraggingTheGripResizesWithinTheMinimum) {
  TvxCustomEditPopupWindow* popup = MakePopup();
  popup->SetEditPopupBorderStyle(epbsSingle);
  popup->SetAutoSize(false);
  popup->SetSizeable(true);
  popup->SetSysPanelStyle(true);
  popup->SetPopupWidth(150);
  popup->SetPopupHeight(100);
  popup->SetMinWidth(120);
  popup->SetMinHeight(80);
  Show(popup);
  const int top = popup->Top();
  const int left = popup->Left();
  const auto drag = [&](int dx, int dy) { dropdowntest::DragGrip(*popup, dx, dy); };
  drag(40, 30);
  EXPECT_EQ(popup->Width(), 190);
  EXPECT_EQ(popup->Height(), 130);
  EXPECT_EQ(popup->Top(), top);
  EXPECT_EQ(popup->Left(), left);
  EXPECT_TRUE(popup->Sized());
  ASSERT_FALSE(Owner->Placed.empty());
  EXPECT_EQ(Owner->Placed.back(), popup->ViewInfo()->ClientRect);
  // Far up and left: the minimum stands, the top stays below the edit.
  drag(-300, -300);
  EXPECT_EQ(popup->Width(), 120);
  EXPECT_EQ(popup->Height(), 80);
  EXPECT_EQ(popup->Top(), top);
}

TEST_F(vxDropDownPopupTest, ModalResultClosesThroughTheOwnerWithItsReason) {
  TvxCustomEditPopupWindow* popup = MakePopup();
  struct {
    int Result;
    TvxEditCloseUpReason Reason;
  } cases[] = {{mrOk, crEnter}, {mrCancel, crCancel}, {mrAbort, crUnknown}};
  for (const auto& c : cases) {
    Owner->Reasons.clear();
    popup->SetModalResult(c.Result);
    popup->ClosePopup();
    EXPECT_EQ(Owner->Reasons, std::vector<TvxEditCloseUpReason>{c.Reason});
  }
}

TEST_F(vxDropDownPopupTest, EachPopupWindowClassGetsItsOwnViewInfo) {
  struct {
    const char* Name;
    std::function<TvxCustomEditPopupWindow*(TWinControl*)> Make;
    const std::type_info& ViewInfo;
  } cases[] = {
      {"drop-down", [](TWinControl* o) { return new TvxCustomEditPopupWindow(o); },
       typeid(TvxCustomEditPopupWindowViewInfo)},
      {"popup edit", [](TWinControl* o) { return new TvxPopupEditPopupWindow(o); },
       typeid(TvxPopupEditPopupWindowViewInfo)},
      {"combo box", [](TWinControl* o) { return new TvxComboBoxPopupWindow(o); },
       typeid(TvxCustomEditPopupWindowViewInfo)},
  };
  for (const auto& c : cases) {
    std::unique_ptr<TvxCustomEditPopupWindow> popup(c.Make(Owner));
    // What the window keeps for its view info reaches the one it makes.
    popup->SetEditPopupBorderStyle(epbsFrame3D);
    popup->SetShadow(true);
    TvxCustomEditPopupWindowViewInfo* info = popup->ViewInfo();
    EXPECT_EQ(typeid(*info), c.ViewInfo) << c.Name;
    EXPECT_EQ(info->CloseButtonState, vxCloseButtonNormal) << c.Name;
    EXPECT_EQ(info->PopupBorderStyle, epbsFrame3D) << c.Name;
    EXPECT_TRUE(info->Shadow) << c.Name;
  }
}

TEST(vxDropDownEditProperties, PopupOptionsNotifyWhenTheyChange) {
  TvxCustomDropDownEditProperties p(nullptr);
  int changes = 0;
  p.OnPropertiesChanged = [&](TObject*) { ++changes; };
  // Each writes the value the properties start with (false) or another one (true).
  const struct {
    const char* Name;
    std::function<void(bool)> Write;
  } cases[] = {
      {"PopupAlignment",
       [&](bool other) { p.SetPopupAlignment(other ? TAlignment::taCenter : TAlignment::taLeftJustify); }},
      {"ImmediateDropDown", [&](bool other) { p.SetImmediateDropDown(!other); }},
      {"PopupAutoSize", [&](bool other) { p.SetPopupAutoSize(!other); }},
      {"PostPopupValueOnTab", [&](bool other) { p.SetPostPopupValueOnTab(other); }},
  };
  for (const auto& c : cases) {
    changes = 0;
    c.Write(false);
    EXPECT_EQ(changes, 0) << c.Name << " written as it was";
    c.Write(true);
    EXPECT_EQ(changes, 1) << c.Name << " changed";
    c.Write(true);
    EXPECT_EQ(changes, 1) << c.Name << " written again";
  }
  EXPECT_EQ(p.PopupAlignment(), TAlignment::taCenter);
  EXPECT_FALSE(p.ImmediateDropDown());
  EXPECT_FALSE(p.PopupAutoSize());
  EXPECT_TRUE(p.PostPopupValueOnTab());

  // The combo box's auto width writes the same flag without a notification.
  TvxCustomComboBoxProperties combo(nullptr);
  int comboChanges = 0;
  combo.OnPropertiesChanged = [&](TObject*) { ++comboChanges; };
  combo.SetDropDownAutoWidth(false);
  EXPECT_FALSE(combo.PopupAutoSize());
  combo.SetDropDownAutoWidth(true);
  EXPECT_TRUE(combo.DropDownAutoWidth());
  EXPECT_EQ(comboChanges, 0);

  // The editors' own defaults, written by their constructors, stand.
  TvxPopupEditProperties popup(nullptr);
  EXPECT_TRUE(popup.ImmediateDropDown());
  EXPECT_TRUE(popup.PopupAutoSize());
  EXPECT_FALSE(popup.PostPopupValueOnTab());
  EXPECT_EQ(popup.PopupAlignment(), TAlignment::taLeftJustify);
}
