// The text view of the text editors: the text it makes of a value (password characters,
// letter case, nothing while the inner edit shows the text), its rectangle, flags and
// selection colours, the painted text where its alignment puts it, the hint test, and rows
// that end in "..." on the last row that shows.
#include "EditTestSupport.h"
#include "tests/controls/ControlsTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

using controlstest::TPaintBitmap;
using edittest::TTextProperties;

namespace {

class vxTextView : public guitest::TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Style.SetTransparentBorder(false);
    Style.SetBorderStyle(cbsSingle);
  }
  std::unique_ptr<TvxCustomTextEditViewData> NewData() {
    std::unique_ptr<TvxCustomTextEditViewData> data(
        dynamic_cast<TvxCustomTextEditViewData*>(Properties.CreateViewData(&Style, false).release()));
    EXPECT_NE(data, nullptr);
    return data;
  }
  // Lays out an editor in bounds showing value.
  void Layout(const Variant& value, const RECT& bounds = RECT{0, 0, 100, 21},
              TvxCustomTextEditViewData* data = nullptr) {
    auto own = data != nullptr ? nullptr : NewData();
    if (data == nullptr) data = own.get();
    data->EditValueToDrawValue(value, Info);
    data->Calculate(Canvas, bounds, POINT{-1, -1}, std::nullopt, 0, Info);
  }
  AnsiString TextOf(const Variant& value) {
    Layout(value);
    return Info.Text;
  }
  static Variant Str(const char* text) { return Variant(AnsiString(text)); }
  // The leftmost and rightmost columns inside r that hold a pixel of colour.
  std::pair<int, int> Columns(const RECT& r, COLORREF colour) {
    int first = -1, last = -1;
    for (int x = r.left; x < r.right; ++x)
      for (int y = r.top; y < r.bottom; ++y)
        if (Bitmap.Pixel(x, y) == colour) {
          if (first < 0) first = x;
          last = x;
          break;
        }
    return {first, last};
  }

  TTextProperties Properties{nullptr};
  TvxEditStyle Style{nullptr, false};
  TvxCustomTextEditViewInfo Info;
  TPaintBitmap Bitmap{200, 30};
  TvxCanvas Canvas{Bitmap.Canvas()};
};

// An editor whose inner edit shows the text.
class TShowingEdit : public edittest::TTestEdit {
public:
  using TTestEdit::TTestEdit;
  bool IsInnerEditVisible() override { return true; }
};

}  // namespace

TEST_F(vxTextView, TheTextComesFromTheValueAsThePropertiesShowIt) {
  EXPECT_EQ(TextOf(Str("Abcア")), "Abcア");
  Properties.CharCase = TEditCharCase::ecLowerCase;
  EXPECT_EQ(TextOf(Str("Abcア")), "abcア");
  Properties.Password = true;
  EXPECT_EQ(TextOf(Str("Abc")), "***");
  EXPECT_EQ(TextOf(Variant::Null()), "");
  // While the inner edit shows the text, the view paints none.
  auto* edit = new TShowingEdit(Host, false, edittest::TTestEdit::TextClasses());
  edit->SetParent(Host);
  auto data = edit->CreateViewData();
  TvxCustomTextEditViewInfo info;
  data->EditValueToDrawValue(Str("shown"), info);
  EXPECT_EQ(info.Text, "");
}

TEST_F(vxTextView, FlagsFollowTheAlignmentAndTheRowOption) {
  struct Case {
    TAlignment Horz;
    bool Rows;
    int Flags;
  } const cases[] = {
      {TAlignment::taLeftJustify, false, 0x2C0},
      {TAlignment::taRightJustify, false, 0x2C2},
      {TAlignment::taCenter, false, 0x2C1},
      {TAlignment::taLeftJustify, true, 0x2E0},
  };
  for (const Case& c : cases) {
    Properties.Alignment()->SetHorz(c.Horz);
    Properties.SetMultiRowText(c.Rows);
    Layout(Str("a"));
    EXPECT_EQ(Info.DrawTextFlags, c.Flags);
  }
}

TEST_F(vxTextView, SelectionColoursFillInWhatIsNotSet) {
  constexpr TColor none = clDefault;
  struct Case {
    TColor Background, Text, StyleColor;
    TColor ExpectedBackground, ExpectedText;
  } const cases[] = {
      {none, none, clWindow, clHighlight, clHighlightText},
      {none, none, clHighlight, static_cast<TColor>(0x000000), static_cast<TColor>(0xFFFFFF)},
      {static_cast<TColor>(0x0000FF), none, clWindow, static_cast<TColor>(0x0000FF), static_cast<TColor>(0xFFFF00)},
      {none, static_cast<TColor>(0x00FF00), clWindow, static_cast<TColor>(0xFF00FF), static_cast<TColor>(0x00FF00)},
      {clRed, clBlue, clWindow, clRed, clBlue},
  };
  for (const Case& c : cases) {
    Style.SetColor(c.StyleColor);
    auto data = NewData();
    data->SelBackgroundColor = c.Background;
    data->SelTextColor = c.Text;
    Layout(Str("a"), RECT{0, 0, 100, 21}, data.get());
    EXPECT_EQ(Info.SelBackgroundColor, c.ExpectedBackground);
    EXPECT_EQ(Info.SelTextColor, c.ExpectedText);
  }
}

TEST_F(vxTextView, TheTextRectangleReachesARowOfTextWithoutAFrame) {
  Layout(Str("a"), RECT{0, 0, 100, 12});
  EXPECT_EQ(Info.TextRect, Info.ClientRect) << "a framed editor keeps its client rectangle";
  Style.SetBorderStyle(cbsNone);
  Style.SetTransparentBorder(true);  // two pixels all round, not drawn
  Layout(Str("a"), RECT{0, 0, 100, 12});
  EXPECT_EQ(Info.ClientRect, (RECT{2, 2, 98, 10}));
  EXPECT_EQ(Info.TextRect, (RECT{2, 2, 98, 12})) << "a row is higher than 8 pixels; the editor ends at 12";
}

TEST_F(vxTextView, TextIsPaintedWhereItsAlignmentPutsIt) {
  const RECT bounds{0, 0, 200, 24};
  const RECT inside{3, 3, 197, 21};
  const COLORREF black = RGB(0, 0, 0);
  Style.SetTextColor(clBlack);
  // The columns the text takes: at least from, less than to.
  for (const auto& [horz, from, to] :
       {std::tuple{TAlignment::taLeftJustify, 2, 60}, std::tuple{TAlignment::taRightJustify, 141, 198}}) {
    Properties.Alignment()->SetHorz(horz);
    Canvas.FillRect(bounds, clWhite);
    Layout(Str("WWW"), bounds);
    Info.Paint(Canvas);
    const auto [left, right] = Columns(inside, black);
    EXPECT_GE(left, from);
    EXPECT_LT(right, to);
  }
  // A highlighted editor fills its text area with the highlight.
  auto data = NewData();
  data->Highlighted = true;
  Layout(Str(""), bounds, data.get());
  Info.Paint(Canvas);
  EXPECT_EQ(Bitmap.Pixel(100, 12), static_cast<COLORREF>(ColorToRGB(clHighlight)));
}

TEST_F(vxTextView, TheHintTestTellsWhetherTheTextFits) {
  Layout(Str("short"), RECT{0, 0, 60, 21});
  AnsiString text;
  bool multiRow = true;
  RECT r{};
  const POINT inside{10, 10};
  EXPECT_FALSE(Info.IsTextTruncated(Canvas, inside, text, multiRow, r));
  EXPECT_EQ(text, "short");
  EXPECT_FALSE(multiRow);
  Layout(Str("a text much wider than the editor"), RECT{0, 0, 60, 21});
  EXPECT_TRUE(Info.IsTextTruncated(Canvas, inside, text, multiRow, r));
  EXPECT_EQ(r, (RECT{2, 2, 58, 19})) << "the text area, as there is no window";
  EXPECT_FALSE(Info.IsTextTruncated(Canvas, POINT{59, 20}, text, multiRow, r)) << "the mouse is not over the text";
  const RECT wide{0, 0, 1000, 30};
  EXPECT_FALSE(Info.IsTextTruncated(Canvas, inside, text, multiRow, r, &wide));
}

TEST_F(vxTextView, RowsEndInAnEllipsisOnTheLastRowThatShows) {
  Info.Text = "aaa bbb ccc ddd eee fff ggg hhh";
  Info.DrawTextFlags = vxtoWordBreak | vxtoEndEllipsis;
  TvxTextParams params;
  vxGetCanvasTextParams(Canvas, Info.DrawTextFlags, params);
  const int rowHeight = params.RowHeight;
  for (const int rows : {1, 2}) {
    SCOPED_TRACE(rows);
    const RECT exact{0, 0, 40, rows * rowHeight};
    Info.DrawText(Canvas, exact, clBlack);
    EXPECT_EQ(Info.RowCount, rows) << "no row below the rectangle takes the ellipsis";
    EXPECT_LE(Info.Rows[static_cast<size_t>(Info.RowCount - 1)].Top + rowHeight, exact.bottom);
  }
  // A row partly inside still shows.
  Info.DrawText(Canvas, RECT{0, 0, 40, 2 * rowHeight + rowHeight / 2}, clBlack);
  EXPECT_EQ(Info.RowCount, 3);
}
