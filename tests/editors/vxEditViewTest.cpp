// An editor's layout: the frame, the client rectangle its buttons leave, the buttons' places,
// states and transparency, the button style an editor's border chooses, the auto-size height,
// and the painting of the whole. A plain container stands in for the editor where one is
// needed.
#include "controls/vdThemeConsts.h"
#include "editors/vxEdit.h"
#include "tests/controls/ControlsTestSupport.h"
#include "tests/platform/GuiTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using controlstest::TPaintBitmap;

namespace {

class vxEditView : public guitest::TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Style.SetTransparentBorder(false);
    Style.SetBorderStyle(cbsSingle);
  }
  TvxEditButton* AddButton(int width, bool leftAligned = false) {
    TvxEditButton* button = Properties.Buttons()->Add();
    button->SetWidth(width);
    button->SetLeftAlignment(leftAligned);
    return button;
  }
  // Lays out an editor in bounds with the mouse at p.
  void Layout(const RECT& bounds, POINT p = POINT{-1, -1}, TShiftState shift = 0, TvxContainer* edit = nullptr) {
    auto data = Properties.CreateViewData(&Style, false);
    data->Edit = edit;
    data->Calculate(Canvas, bounds, p, std::nullopt, shift, Info);
    NeedsCapture = data->NeedsMouseCapture;
  }
  RECT ButtonBounds(int i) const { return Info.ButtonsInfo.at(static_cast<size_t>(i))->Bounds; }

  TvxCustomEditProperties Properties{nullptr};
  TvxEditStyle Style{nullptr, false};
  TvxCustomEditViewInfo Info;
  TPaintBitmap Bitmap{10, 10};
  TvxCanvas Canvas{Bitmap.Canvas()};
  bool NeedsCapture = false;
};

}  // namespace

TEST_F(vxEditView, WithoutButtonsTheClientIsTheContent) {
  std::unique_ptr<TvxContainerViewInfo> info(Properties.GetViewInfoClass()->Create());
  EXPECT_NE(dynamic_cast<TvxCustomEditViewInfo*>(info.get()), nullptr);
  Layout(RECT{0, 0, 100, 21});
  EXPECT_EQ(Info.ContentRect, (RECT{1, 1, 99, 20}));
  EXPECT_EQ(Info.ClientRect, Info.ContentRect);
  EXPECT_EQ(Info.ButtonCount(), 0);
  AddButton(20)->SetVisible(false);
  Layout(RECT{0, 0, 100, 21});
  EXPECT_EQ(Info.ClientRect, (RECT{1, 1, 99, 20})) << "an invisible button takes nothing";
}

TEST_F(vxEditView, ButtonsTakeTheirWidthsFromTheEdges) {
  AddButton(15);
  AddButton(20);
  AddButton(10, true);
  Layout(RECT{0, 0, 100, 21});
  EXPECT_EQ(ButtonBounds(1), (RECT{79, 1, 99, 20})) << "the last right-aligned button at the edge";
  EXPECT_EQ(ButtonBounds(0), (RECT{64, 1, 79, 20}));
  EXPECT_EQ(ButtonBounds(2), (RECT{1, 1, 11, 20}));
  EXPECT_EQ(Info.ClientRect, (RECT{11, 1, 64, 20}));
  EXPECT_EQ(Info.ButtonsInfo[1]->NeighbourEdges, bLeft);
  EXPECT_EQ(Info.ButtonsInfo[0]->NeighbourEdges, bLeft | bRight);
  EXPECT_EQ(Info.ButtonsInfo[2]->NeighbourEdges, bRight);
  EXPECT_EQ(Info.ButtonsInfo[0]->ButtonIndex, 0);
}

TEST_F(vxEditView, AButtonWiderThanTheRestIsCut) {
  AddButton(20);
  AddButton(20);
  AddButton(20);
  Layout(RECT{0, 0, 30, 21});  // 28 pixels inside the frame
  EXPECT_EQ(ButtonBounds(2), (RECT{9, 1, 29, 20}));
  EXPECT_EQ(ButtonBounds(1), (RECT{1, 1, 9, 20}));
  EXPECT_TRUE(IsRectEmpty(&Info.ButtonsInfo[0]->Bounds)) << "nothing left for the first";
  EXPECT_TRUE(IsRectEmpty(&Info.ClientRect));
}

TEST_F(vxEditView, ButtonStates) {
  AddButton(20);
  AddButton(20)->SetEnabled(false);
  AddButton(20);
  Layout(RECT{0, 0, 100, 21}, POINT{85, 10});
  EXPECT_EQ(Info.ButtonsInfo[2]->State, ebsHot);
  EXPECT_EQ(Info.ButtonsInfo[1]->State, ebsDisabled);
  EXPECT_EQ(Info.ButtonsInfo[0]->State, ebsNormal);
  EXPECT_EQ(Info.HotButton, 2);
  Layout(RECT{0, 0, 100, 21}, POINT{85, 10}, ssLeft);
  EXPECT_EQ(Info.ButtonsInfo[2]->State, ebsPressed);
  EXPECT_EQ(Info.PressedButton, 2);
  EXPECT_TRUE(NeedsCapture);
}

TEST_F(vxEditView, InactiveButtonsAreTransparentUntilFocusOrMouse) {
  Style.SetButtonTransparency(ebtInactive);
  AddButton(20);
  Layout(RECT{0, 0, 100, 21});
  EXPECT_TRUE(Info.ButtonsInfo[0]->Transparent);
  Layout(RECT{0, 0, 100, 21}, POINT{10, 10});
  EXPECT_FALSE(Info.ButtonsInfo[0]->Transparent) << "the mouse over the editor";
  auto* edit = new TvxContainer(Host);
  edit->SetParent(Host);
  edit->SetBounds(10, 10, 100, 21);
  edit->SetFocus();
  guitest::PumpUntil([&] { return edit->Focused(); });
  Layout(RECT{0, 0, 100, 21}, POINT{-1, -1}, 0, edit);
  EXPECT_EQ(Info.ContainerState, vxcsFocused);
  EXPECT_FALSE(Info.ButtonsInfo[0]->Transparent) << "the focused editor";
  Style.SetButtonTransparency(ebtAlways);
  Layout(RECT{0, 0, 100, 21}, POINT{-1, -1}, 0, edit);
  EXPECT_TRUE(Info.ButtonsInfo[0]->Transparent);
}

TEST_F(vxEditView, BorderExtent) {
  Layout(RECT{0, 0, 100, 30});
  EXPECT_EQ(Info.ContentRect, (RECT{1, 1, 99, 29}));
  Style.SetShadow(true);
  Layout(RECT{0, 0, 100, 30});
  EXPECT_EQ(Info.ContentRect, (RECT{1, 1, 96, 26})) << "a shadow adds 3 at the right and bottom";
  EXPECT_TRUE(Info.Shadow);
  Style.SetTransparentBorder(true);
  Layout(RECT{0, 0, 100, 30});
  EXPECT_EQ(Info.ContentRect, (RECT{2, 2, 95, 25}));
}

TEST_F(vxEditView, DefaultButtonStyle) {
  const TvxEditButtonStyle byBorder[] = {btsSimple, btsHotFlat, bts3D, btsFlat, bts3D, btsUltraFlat, btsOffice11};
  for (int border = cbsNone; border <= cbsOffice11; ++border) {
    Style.SetBorderStyle(static_cast<TvxContainerBorderStyle>(border));
    EXPECT_EQ(Properties.CreateViewData(&Style, false)->GetButtonsStyle(), byBorder[border]) << border;
  }
  const TvxEditButtonStyle byKind[] = {btsFlat, bts3D, btsUltraFlat, btsOffice11};
  for (int kind = lfFlat; kind <= lfOffice11; ++kind) {
    Style.LookAndFeel()->SetKind(static_cast<TvxLookAndFeelKind>(kind));
    EXPECT_EQ(Properties.CreateViewData(&Style, true)->GetButtonsStyle(), byKind[kind]) << kind;
  }
  Style.SetButtonStyle(btsFlat);
  EXPECT_EQ(Properties.CreateViewData(&Style, false)->GetButtonsStyle(), btsFlat) << "a style set wins";
}

TEST_F(vxEditView, AutoSizeHeight) {
  // The default font's text, the margins (1 and 3) and the frame; the buttons add their widths.
  Style.SetTransparentBorder(true);
  auto data = Properties.CreateViewData(&Style, false);
  EXPECT_EQ(data->GetEditSize(Canvas, Variant()).cy, 21);
  AddButton(17);
  SIZE size = data->GetEditSize(Canvas, Variant());
  EXPECT_EQ(size.cx, 17 + 4);
  EXPECT_EQ(size.cy, 21);
  TBitmap tall;
  tall.SetSize(8, 30);
  TvxEditButton* glyph = AddButton(0);
  glyph->SetKind(bkGlyph);
  glyph->SetGlyph(&tall);
  EXPECT_EQ(data->GetEditSize(Canvas, Variant()).cy, 30 + 2 + 4 + 4) << "a tall glyph in its frame";
  auto* edit = new TvxContainer(Host);
  edit->Constraints().SetMaxHeight(25);
  edit->Constraints().SetMinWidth(80);
  data->Edit = edit;
  size = data->GetEditSize(Canvas, Variant());
  EXPECT_EQ(size.cx, 80);
  EXPECT_EQ(size.cy, 25);
}

TEST_F(vxEditView, PaintsFrameBackgroundAndButtons) {
  Style.SetBorderColor(clRed);
  Style.SetColor(clBlue);
  AddButton(20)->SetKind(bkEllipsis);
  Layout(RECT{0, 0, 100, 21});
  ASSERT_EQ(Info.ButtonStyle, btsHotFlat) << "a single border's buttons";
  TPaintBitmap bitmap(100, 21, clLime);
  TvxCanvas canvas(bitmap.Canvas());
  Info.Paint(canvas);
  const COLORREF blue = ColorToRGB(clBlue);
  EXPECT_EQ(bitmap.Pixel(0, 10), ColorToRGB(clRed));
  EXPECT_EQ(bitmap.Pixel(40, 10), blue);
  EXPECT_EQ(bitmap.Pixel(98, 10), ColorToRGB(clBtnShadow)) << "the button's outer side";
  EXPECT_EQ(bitmap.Pixel(79, 10), ColorToRGB(clBtnFace)) << "its side toward the text";
  EXPECT_EQ(bitmap.Pixel(82, 5), ColorToRGB(clBtnFace));
  EXPECT_EQ(bitmap.Pixel(84, 9), ColorToRGB(clBtnText)) << "the first dot";
}

TEST_F(vxEditView, NativeAutoSizeTakesTheThemesButtonMargins) {
  Style.LookAndFeel()->SetNativeStyle(true);
  ASSERT_TRUE(AreVisualStylesAvailable(totEdit)) << "the run has a visual style";
  HTHEME theme = OpenTheme(totButton);
  ASSERT_NE(theme, nullptr);
  const RECT probe{0, 0, 100, 100};
  RECT content{};
  ASSERT_EQ(GetThemeBackgroundContentRect(theme, BP_PUSHBUTTON, PBS_NORMAL, probe, content), S_OK);
  const int margins = content.left + (100 - content.right);
  ASSERT_NE(margins, 2) << "the style's margins must differ from the unthemed frame to tell them apart";
  TBitmap tall;
  tall.SetSize(8, 40);
  TvxEditButton* glyph = AddButton(0);
  glyph->SetKind(bkGlyph);
  glyph->SetGlyph(&tall);
  auto data = Properties.CreateViewData(&Style, false);
  // The glyph in the style's frame, the text margins (1 and 3), the native edit frame (2 a side).
  EXPECT_EQ(data->GetEditSize(Canvas, Variant()).cy, 40 + margins + 4 + 4);
}

TEST_F(vxEditView, ABaseViewInfoDrawsNoText) {
  AnsiString text = "left over";
  EXPECT_FALSE(Info.GetDrawingText(text));
  EXPECT_EQ(text, "");
}

// A layout made before its button was freed under an update lock paints a live glyph.
TEST_F(vxEditView, AButtonFreedUnderTheLockLeavesALiveGlyph) {
  TBitmap picture;
  picture.SetSize(8, 8);
  picture.Canvas().Brush().SetColor(clWhite);  // the bottom-left pixel: transparent
  picture.Canvas().FillRect(RECT{0, 0, 8, 8});
  picture.Canvas().Brush().SetColor(clRed);
  picture.Canvas().FillRect(RECT{2, 2, 6, 6});
  TvxEditButton* button = AddButton(0);
  button->SetKind(bkGlyph);
  button->SetGlyph(&picture);
  Layout(RECT{0, 0, 100, 21});
  ASSERT_EQ(Info.ButtonCount(), 1);
  const RECT bounds = ButtonBounds(0);

  Properties.BeginUpdate();  // no new layout comes
  Properties.Buttons()->Delete(0);
  // Bitmaps made now may take the freed one's memory.
  std::vector<std::unique_ptr<TBitmap>> others;
  for (int i = 0; i < 16; ++i) {
    others.push_back(std::make_unique<TBitmap>());
    others.back()->SetSize(8, 8);
    others.back()->Canvas().Brush().SetColor(clBlue);
    others.back()->Canvas().FillRect(RECT{0, 0, 8, 8});
  }
  TPaintBitmap bitmap(100, 21, clLime);
  TvxCanvas canvas(bitmap.Canvas());
  Info.Paint(canvas);
  Properties.EndUpdate();
  int red = 0, blue = 0;
  for (int y = bounds.top; y < bounds.bottom; ++y)
    for (int x = bounds.left; x < bounds.right; ++x) {
      red += bitmap.Pixel(x, y) == ColorToRGB(clRed);
      blue += bitmap.Pixel(x, y) == ColorToRGB(clBlue);
    }
  EXPECT_EQ(red, 16) << "the glyph the layout was made with";
  EXPECT_EQ(blue, 0);
}
