// The lookup data of a text editor: the incremental search over the items (first match in the
// item's case, next without wrapping, exact search, double-byte characters and letter case),
// current and selected items, stepping by key, and the list made on first use with its item
// height, hot tracking, clicks and item count.
#include "EditTestSupport.h"
#include "tests/controls/ControlsTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using edittest::TTestEdit;
using edittest::TTextProperties;
using guitest::Pump;

namespace {

class vxLookupData : public guitest::TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Edit = new TTestEdit(Host, false, TTestEdit::TextClasses());
    Edit->SetParent(Host);
    Pump();
    Data = std::make_unique<TvxCustomTextEditLookupData>(Edit);
  }
  void TearDown() override {
    Data.reset();
    TFormTest::TearDown();
  }
  void SetItems(std::vector<AnsiString> items) {
    Edit->TextProperties()->Items = std::move(items);
    Data->UpdateList();
  }
  // Locate's answer, the text and the tail it gives.
  std::tuple<bool, AnsiString, AnsiString> Locate(AnsiString text, bool next = false, bool exact = false) {
    AnsiString tail;
    const bool found = Data->Locate(text, tail, next, exact);
    return {found, text, tail};
  }
  AnsiString EditText() { return Edit->Inner()->Text(); }

  TTestEdit* Edit = nullptr;
  std::unique_ptr<TvxCustomTextEditLookupData> Data;
};

using Found = std::tuple<bool, AnsiString, AnsiString>;

}  // namespace

TEST_F(vxLookupData, TheSearchCompletesFromTheFirstMatchInTheItemsCase) {
  EXPECT_EQ(Locate("a"), Found(false, "a", "")) << "no items, no match";
  SetItems({"Apple", "apricot", "Banana"});
  EXPECT_EQ(Locate("ap"), Found(true, "Ap", "ple"));
  EXPECT_EQ(Data->SelectedIndex(), 0);
  EXPECT_EQ(Locate("ap", true), Found(true, "ap", "ricot"));
  EXPECT_EQ(Data->SelectedIndex(), 1);
  EXPECT_EQ(Locate("ap", true), Found(false, "ap", "")) << "no wrap to the first item";
  EXPECT_EQ(Data->SelectedIndex(), -1);
  EXPECT_EQ(Locate(""), Found(false, "", "")) << "an empty text never matches";
  EXPECT_EQ(Locate("bananas"), Found(false, "bananas", ""));

  // An exact search wants the whole item, when the properties ask for it.
  Edit->TextProperties()->Exact = true;
  EXPECT_EQ(Locate("BANANA", false, true), Found(true, "BANANA", ""));
  EXPECT_EQ(Data->SelectedIndex(), 2);
  EXPECT_EQ(Locate("Ban", false, true), Found(false, "Ban", ""));
  EXPECT_EQ(Data->SelectedIndex(), -1);
  EXPECT_EQ(Data->IndexOf("APRICOT"), 1);
  EXPECT_EQ(Data->IndexOf("apri"), -1);
}

TEST_F(vxLookupData, DoubleByteItemsMatchWholeCharactersInTheirOwnCase) {
  // ヂ is 83 61, ア 83 41: alike only to a byte-wise case fold.
  SetItems({"ヂイ", "アイ", "abc"});
  EXPECT_EQ(Data->IndexOf("アイ"), 1);
  EXPECT_EQ(Locate("ア"), Found(true, "ア", "イ"));
  EXPECT_EQ(Data->SelectedIndex(), 1);
  // A lead byte still waiting for its trail byte takes its item's character whole.
  EXPECT_EQ(Locate("\x83"), Found(true, "ヂ", "イ"));
  EXPECT_EQ(Locate("AB"), Found(true, "ab", "c"));
}

TEST_F(vxLookupData, CurrentAndSelectedItemsStayInRange) {
  SetItems({"a", "b", "c"});
  Data->SetCurrent(1);
  EXPECT_EQ(Data->CurrentIndex(), 1);
  EXPECT_EQ(Data->SelectedIndex(), 1) << "the selection follows";
  for (const int bad : {-2, 3}) {
    Data->SetCurrent(bad);
    Data->SetSelected(bad);
  }
  EXPECT_EQ(Data->CurrentIndex(), 1);
  EXPECT_EQ(Data->SelectedIndex(), 1);
  Data->SetSelected(-1);
  EXPECT_EQ(Data->SelectedIndex(), -1);
  EXPECT_EQ(Data->CurrentIndex(), 1);
}

TEST_F(vxLookupData, KeysStepThroughTheItemsIntoTheEditor) {
  SetItems({"one", "two", "three"});
  int changed = 0;
  Data->OnCurrentChanged = [&](TObject*) { ++changed; };
  struct Step {
    int Direction;
    bool Wrap;
    int Current;
  } const steps[] = {
      {vxlcNext, false, 0},     {vxlcLast, false, 2},     {vxlcNext, false, 2},  // stays at the end
      {vxlcNext, true, 0},      {vxlcPrevious, true, 2},  {vxlcFirst, false, 0},
      {vxlcPrevious, false, 0}, {vxlcPageDown, false, 1}, {vxlcPageUp, false, 0},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.Direction);
    Data->ChangeCurrentByKey(s.Direction, s.Wrap);
    EXPECT_EQ(Data->CurrentIndex(), s.Current);
    EXPECT_EQ(EditText(), Edit->TextProperties()->Items[static_cast<size_t>(s.Current)]);
    EXPECT_EQ(Edit->EditValue().AsString(), EditText());
  }
  EXPECT_EQ(changed, 0) << "the editor took each item's text";
  Data->SetCurrentFromList(7);
  EXPECT_EQ(changed, 1) << "an item out of range is told";
}

TEST_F(vxLookupData, AKeyThatStaysOnTheItemPutsItsTextBack) {
  SetItems({"one", "two", "three"});
  struct {
    int Direction;
    int Current;
  } const cases[] = {{vxlcNext, 2}, {vxlcLast, 2}, {vxlcPageDown, 2}, {vxlcPrevious, 0}, {vxlcFirst, 0}, {vxlcPageUp, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Direction);
    Data->SetCurrent(c.Current);
    Edit->Inner()->SetText("typed");
    Data->ChangeCurrentByKey(c.Direction, false);
    EXPECT_EQ(Data->CurrentIndex(), c.Current);
    EXPECT_EQ(EditText(), Edit->TextProperties()->Items[static_cast<size_t>(c.Current)]);
  }
}

TEST_F(vxLookupData, TheListIsMadeOnFirstUseAndShowsTheItems) {
  SetItems({"one", "two", "three"});
  Data->SetCurrent(1);
  EXPECT_EQ(Data->ListIfMade(), nullptr);
  Edit->Style()->SetColor(clYellow);
  TvxCustomEditListBox* list = Data->List();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(Data->List(), list);
  EXPECT_EQ(list->LookupData(), Data.get());
  EXPECT_EQ(list->Color(), clYellow) << "the editor's style colour";
  list->SetParent(Host);
  list->SetBounds(10, 60, 120, list->GetHeight(3));
  Pump();
  EXPECT_EQ(list->Count(), 3);
  EXPECT_EQ(list->ItemIndex(), 1) << "the current item selected";
  TvxScreenCanvas* canvas = vxScreenCanvas();
  canvas->SetFont(list->Font());
  EXPECT_EQ(list->GetItemHeight(), canvas->TextHeight("Wg"));
  EXPECT_EQ(list->ItemRect(1).bottom - list->ItemRect(1).top, list->GetItemHeight());

  // The list holds empty entries; an item shows the lookup item's text, 2 pixels in.
  {
    controlstest::TPaintBitmap bitmap(list->Width(), list->Height());
    SendMessageA(list->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(bitmap.Canvas().Handle()), 0);
    const RECT first = list->ItemRect(0);
    int leftmost = -1;
    for (int x = first.left; x < first.right && leftmost < 0; ++x)
      for (int y = first.top; y < first.bottom; ++y)
        if (bitmap.Pixel(x, y) == RGB(0, 0, 0)) {
          leftmost = x;
          break;
        }
    EXPECT_GE(leftmost, 2) << "\"one\" drawn from the lookup data";
    EXPECT_LT(leftmost, 6);
  }

  // Hot tracking selects the item under the mouse; a click tells the lookup data's owner.
  int clicked = 0;
  Data->OnSelectedChanged = [&](TObject*) { ++clicked; };
  const RECT third = list->ItemRect(2);
  guitest::MouseMoveTo(list->ClientToScreen(POINT{20, (third.top + third.bottom) / 2}));
  Pump();
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_EQ(Data->SelectedIndex(), 2);
  guitest::MouseButton(true);
  guitest::MouseButton(false);
  Pump();
  EXPECT_EQ(clicked, 1);

  // While the list shows, keys move its selection; the editor's item stays.
  Data->ChangeCurrentByKey(vxlcFirst, false);
  EXPECT_EQ(Data->SelectedIndex(), 0);
  EXPECT_EQ(list->ItemIndex(), 0);
  EXPECT_EQ(Data->CurrentIndex(), 1);

  // The wheel scrolls as many lines per notch as the system says, or a page.
  SetItems(std::vector<AnsiString>(20, "item"));
  const POINT at = list->ClientToScreen(POINT{10, 10});
  const int savedLines = Mouse.WheelScrollLines();
  for (const int lines : {1, 2, TMouse::WheelPageScroll}) {
    SCOPED_TRACE(lines);
    Mouse.SetWheelScrollLines(lines);
    list->SetTopIndex(0);
    SendMessageA(list->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(at.x, at.y));
    EXPECT_EQ(list->TopIndex(), lines > 0 ? lines : 3) << "a page of the list is 3 rows";
  }
  Mouse.SetWheelScrollLines(savedLines);

  // The item count follows the items.
  SetItems({"one"});
  EXPECT_EQ(list->Count(), 1);
  SetItems({"a", "b", "c", "d"});
  EXPECT_EQ(list->Count(), 4);

  // A list freed by its parent is forgotten; the next use makes a new one.
  delete list;
  EXPECT_EQ(Data->ListIfMade(), nullptr);
  EXPECT_NE(Data->List(), nullptr);
}
