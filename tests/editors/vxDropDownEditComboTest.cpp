// The combo box as a user meets it (lightly: the program does not use it): rows and list
// size, opening by a click in a fixed list, an empty list that never opens, a release over an
// item, clicks that fire no OnClick, completion of a double-byte character. Also the grip of a
// popup edit dragged by the real mouse, and two pictures saved into the build's artifacts
// folder: an open combo list and a sizeable popup edit.
#include "editors/vxDropDownEdit.h"

#include "DropDownTestSupport.h"
#include "EditTestSupport.h"
#include "tests/controls/ControlsTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using guitest::Pump;
using dropdowntest::TActionPanel;
using guitest::PumpUntil;

namespace {

// The screen around r saved as a bitmap in <build>\artifacts (a picture, not a check).
void SaveScreenPicture(const RECT& r, const char* name) {
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  controlstest::TPaintBitmap picture(w, h);
  HDC screen = GetDC(nullptr);
  BitBlt(picture.Canvas().Handle(), 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  ReleaseDC(nullptr, screen);
  guitest::SaveArtifact(picture, name);
}

RECT Union(TControl* edit, TvxCustomEditPopupWindow* popup) {
  const POINT e = edit->ClientToScreen(POINT{0, 0});
  RECT r{e.x, e.y, e.x + edit->Width(), e.y + edit->Height()};
  const RECT p{popup->Left(), popup->Top(), popup->Left() + popup->Width(), popup->Top() + popup->Height()};
  UnionRect(&r, &r, &p);
  InflateRect(&r, 4, 4);
  return r;
}

class vxComboBox : public guitest::TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Runner = new TActionPanel(Host);
    Runner->SetParent(Host);
    Runner->SetBounds(380, 250, 10, 10);
    Combo = new TvxComboBox(Host);
    Combo->SetParent(Host);
    Combo->SetBounds(20, 20, 150, 21);
    Combo->Properties()->OnPopup = [this](TObject*) {
      ++Popups;
      if (OnPopup) OnPopup();
    };
    Combo->Properties()->OnCloseUp = [this](TObject*) { ++CloseUps; };
    guitest::MouseMoveTo(SharedForm->ClientToScreen(POINT{390, 290}));
    Pump();
  }
  void TearDown() override {
    dropdowntest::CloseAllPopups();
    TFormTest::TearDown();
  }
  void SetItems(std::initializer_list<const char*> items) {
    TStringList list;
    for (const char* item : items) list.Add(item);
    Combo->Properties()->SetItems(list);
  }
  void Click(TControl* control, POINT client) {
    guitest::MouseMoveTo(control->ClientToScreen(client));
    guitest::MouseButton(true);
    guitest::MouseButton(false);
  }

  TActionPanel* Runner = nullptr;
  TvxComboBox* Combo = nullptr;
  int Popups = 0;
  int CloseUps = 0;
  std::function<void()> OnPopup;
};

}  // namespace

TEST(vxComboBoxProperties, RowsStyleAndTheMappedProperties) {
  TvxComboBoxProperties p(nullptr);
  int changes = 0;
  p.OnPropertiesChanged = [&](TObject*) { ++changes; };
  EXPECT_EQ(p.DropDownRows(), 8);
  p.SetDropDownRows(0);
  p.SetDropDownRows(-2);
  EXPECT_EQ(p.DropDownRows(), 8);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(p.DropDownListStyle(), lsEditList);
  struct {
    TvxEditDropDownListStyle Style;
    int Mode;
    bool ClickOpens;
  } cases[] = {{lsEditFixedList, 1, false}, {lsFixedList, 2, true}, {lsEditList, 0, false}};
  for (const auto& c : cases) {
    p.SetDropDownListStyle(c.Style);
    EXPECT_EQ(p.GetLookupMode(), c.Mode);
    EXPECT_EQ(p.DropDownOnClick(), c.ClickOpens);
  }
  EXPECT_EQ(changes, 3);
  p.SetDropDownWidth(40);
  EXPECT_EQ(p.PopupWidth(), 40);
  p.SetDropDownSizeable(true);
  EXPECT_TRUE(p.PopupSizeable());
  EXPECT_TRUE(p.PopupTakesValue());
}

TEST_F(vxComboBox, TwentyItemsShowEightRowsWithAScrollBar) {
  TStringList items;
  for (int i = 0; i < 20; ++i) items.Add(i == 7 ? "the widest item of them all, by far" : "item " + IntToStr(i));
  Combo->Properties()->SetItems(items);
  RECT client{};
  RECT extent{};
  int popupHeight = 0;
  int itemHeight = 0;
  bool vertical = false;
  OnPopup = [&] {
    TvxCustomEditPopupWindow* popup = Combo->PopupWindow();
    client = popup->ViewInfo()->ClientRect;
    extent = popup->ViewInfo()->GetClientExtent();
    popupHeight = popup->Height();
    itemHeight = Combo->List()->ItemHeightOf(0);
    vertical = Combo->List()->VScrollBar() != nullptr && Combo->List()->VScrollBar()->Visible();
    Runner->Queue([&] { Combo->SetDroppedDown(false); });
  };
  Combo->SetDroppedDown(true);
  PumpUntil([&] { return CloseUps > 0; });
  ASSERT_EQ(Popups, 1);
  EXPECT_EQ(popupHeight, 8 * itemHeight + extent.top + extent.bottom);
  EXPECT_TRUE(vertical);
  TvxScreenCanvas* canvas = vxScreenCanvas();
  canvas->SetFont(Combo->List()->Font());
  const int widest = canvas->TextWidth("the widest item of them all, by far");
  EXPECT_EQ(client.right - client.left, widest + 4 + GetSystemMetrics(SM_CXVSCROLL));
}

TEST_F(vxComboBox, EmptyItemsNeverOpen) {
  Combo->SetDroppedDown(true);
  EXPECT_FALSE(Combo->IsPopupShowPending());
  Pump();
  EXPECT_EQ(Popups, 0);
}

TEST_F(vxComboBox, ClickInAFixedListOpensItAndAReleaseOverAnItemTakesIt) {
  SetItems({"one", "two", "three"});
  Combo->Properties()->SetDropDownListStyle(lsFixedList);
  int clicks = 0;
  Combo->OnClick = [&](TObject*) { ++clicks; };
  Combo->SetFocus();
  Pump();
  // The click comes after the popup has shown: a release over an item the cursor was already
  // on when it showed would be ignored once.
  OnPopup = [&] {
    Runner->Queue([&] {
      TvxCustomComboBoxListBox* list = Combo->List();
      const RECT item = list->ItemRect(1);
      Click(list, POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2});
      // Should the click not close it, the test ends instead of waiting for ever.
      Runner->Queue([&] {
        PumpUntil([&] { return !Combo->DroppedDown(); }, 100);
        Combo->SetDroppedDown(false);
      });
    });
  };
  Click(Combo, POINT{20, 10});
  PumpUntil([&] { return CloseUps > 0; });
  Pump();
  EXPECT_EQ(Popups, 1);
  EXPECT_EQ(Combo->LastCloseUpReason(), crEnter);
  EXPECT_EQ(Combo->Text(), "two");
  EXPECT_EQ(Combo->LookupData()->CurrentIndex(), 1);
  // The item changed: that is OnClick's business; the mouse's clicks are not.
  EXPECT_LE(clicks, 1);
}

TEST_F(vxComboBox, MouseClicksFireNoOnClick) {
  SetItems({"one", "two"});
  int clicks = 0;
  Combo->OnClick = [&](TObject*) { ++clicks; };
  Combo->SetFocus();
  Pump();
  // The clicks land on the inner edit, the combo box's own class.
  TWinControl* inner = Combo->InnerControl();
  EXPECT_EQ(Combo->GetInnerEditClass(), TvxCustomComboBoxInnerEdit::InnerEditClass());
  ASSERT_NE(dynamic_cast<TvxCustomComboBoxInnerEdit*>(inner), nullptr);
  EXPECT_EQ(WindowFromPoint(Combo->ClientToScreen(POINT{20, 10})), inner->Handle());
  // Even an inner edit whose style asks for click events does not click.
  for (bool clickEvents : {false, true}) {
    if (clickEvents) inner->SetControlStyle(inner->ControlStyle() | csClickEvents);
    Click(Combo, POINT{20, 10});
    Pump();
    Click(Combo, POINT{40, 10});
    Pump();
    EXPECT_EQ(clicks, 0) << clickEvents;
  }
  EXPECT_EQ(Popups, 0);  // an edit list opens by its button, not by a click in the text
}

TEST_F(vxComboBox, TypedDoubleByteCharacterCompletesToTheItem) {
  SetItems({"アイ", "abc"});
  Combo->Properties()->SetImmediateDropDown(false);
  Combo->SetFocus();
  Pump();
  guitest::TypeText(L"ア");
  PumpUntil([&] { return !Combo->Text().empty(); });
  edittest::Settle();
  EXPECT_EQ(Combo->Text(), "アイ");
}

TEST_F(vxComboBox, PictureOfAnOpenList) {
  SetItems({"Tokyo", "東京", "Osaka", "大阪", "Nagoya", "名古屋", "Sapporo", "札幌", "Fukuoka", "福岡"});
  Combo->Properties()->SetDropDownSizeable(true);
  OnPopup = [&] {
    Runner->Queue([&] {
      Combo->LookupData()->SetSelected(2);
      Combo->PopupWindow()->Repaint();
      Combo->List()->Repaint();
      edittest::Settle();
      GdiFlush();
      SaveScreenPicture(Union(Combo, Combo->PopupWindow()), "combo_list.bmp");
      Combo->SetDroppedDown(false);
    });
  };
  Combo->SetDroppedDown(true);
  PumpUntil([&] { return CloseUps > 0; });
  EXPECT_EQ(Popups, 1);
}

TEST_F(vxComboBox, PopupEditGripDragIsStoredAndPictured) {
  auto* content = new TPanel(Host);
  content->SetParent(Host);
  content->SetBounds(200, 60, 120, 90);
  auto* edit = new TvxPopupEdit(Host);
  edit->SetParent(Host);
  edit->SetBounds(20, 60, 150, 21);
  edit->Properties()->SetPopupControl(content);
  edit->Properties()->SetPopupSysPanelStyle(true);
  edit->Properties()->SetPopupAutoSize(false);
  int closes = 0;
  int width = 0, height = 0;
  edit->Properties()->OnCloseUp = [&](TObject*) { ++closes; };
  edit->Properties()->OnPopup = [&](TObject*) {
    Runner->Queue([&] {
      TvxCustomEditPopupWindow* popup = edit->PopupWindow();
      width = popup->Width();
      height = popup->Height();
      dropdowntest::DragGrip(*popup, 30, 20);
      edittest::Settle();
      SaveScreenPicture(Union(edit, popup), "popup_edit.bmp");
      edit->SetDroppedDown(false);
    });
  };
  Pump();
  edit->SetDroppedDown(true);
  PumpUntil([&] { return closes > 0; });
  ASSERT_EQ(closes, 1);
  EXPECT_EQ(width, 250);
  EXPECT_EQ(height, 200);
  EXPECT_EQ(edit->Properties()->PopupWidth(), 280);
  EXPECT_EQ(edit->Properties()->PopupHeight(), 220);
}

TEST_F(vxComboBox, FixedListFaceIsDrawnByOnDrawItemAndADoubleClickReverts) {
  SetItems({"red", "green"});
  Combo->Properties()->SetDropDownListStyle(lsFixedList);
  Combo->Properties()->SetRevertable(true);
  std::vector<int> drawn;
  std::vector<TOwnerDrawState> states;
  Combo->Properties()->OnDrawItem = [&](TvxCustomComboBox*, TvxCanvas& canvas, int index, const RECT& r,
                                        TOwnerDrawState state) {
    drawn.push_back(index);
    states.push_back(state);
    canvas.FillRect(r, index == 0 ? clRed : clLime);
  };
  Combo->SetEditValue(Variant(AnsiString("red")));
  Pump();
  Combo->Repaint();
  const RECT text = static_cast<TvxCustomTextEditViewInfo*>(Combo->EditViewInfo())->TextRect;
  HDC dc = GetDC(Combo->Handle());
  EXPECT_EQ(GetPixel(dc, (text.left + text.right) / 2, (text.top + text.bottom) / 2), RGB(255, 0, 0));
  ReleaseDC(Combo->Handle(), dc);
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn.back(), 0);
  EXPECT_NE(states.back() & odComboBoxEdit, 0u);
  EXPECT_EQ(states.back() & odFocused, 0u);

  // A double click steps to the next item, from the last back to the first (an edit list:
  // a click in its text opens nothing).
  Combo->Properties()->SetDropDownListStyle(lsEditList);
  Combo->SetEditValue(Variant(AnsiString("green")));
  Combo->SetFocus();
  Pump();
  guitest::MouseMoveTo(Combo->ClientToScreen(POINT{20, 10}));
  for (int i = 0; i < 2; ++i) {
    guitest::MouseButton(true);
    guitest::MouseButton(false);
  }
  PumpUntil([&] { return Combo->Text() == "red"; }, 100);
  EXPECT_EQ(Combo->Text(), "red");
  EXPECT_TRUE(Combo->ModifiedAfterEnter());
  EXPECT_EQ(Popups, 0);
}

TEST_F(vxComboBox, PressOnTheButtonDraggedIntoTheListSelectsAndTakesTheItem) {
  SetItems({"apple", "banana", "bandit", "cherry"});
  Combo->SetFocus();
  Pump();
  const RECT button = Combo->EditViewInfo()->ButtonsInfo[0]->Bounds;
  guitest::MouseMoveTo(Combo->ClientToScreen(POINT{(button.left + button.right) / 2, (button.top + button.bottom) / 2}));
  Pump();
  int followed = -1;
  OnPopup = [&] {
    Runner->Queue([&] {
      // The button is still held: the combo box has the mouse, and the list follows it.
      TvxCustomComboBoxListBox* list = Combo->List();
      const RECT item = list->ItemRect(2);
      guitest::MouseMoveTo(list->ClientToScreen(POINT{20, (item.top + item.bottom) / 2}));
      Pump();
      followed = list->ItemIndex();
      guitest::MouseButton(false);
      Runner->Queue([&] {
        PumpUntil([&] { return !Combo->DroppedDown(); }, 50);
        Combo->SetDroppedDown(false);
      });
    });
  };
  guitest::MouseButton(true);
  PumpUntil([&] { return CloseUps > 0; });
  EXPECT_EQ(Popups, 1);
  EXPECT_EQ(followed, 2);
  EXPECT_EQ(Combo->LastCloseUpReason(), crEnter);
  EXPECT_EQ(Combo->Text(), "bandit");
}

TEST_F(vxComboBox, SelectionFollowsTextChangedWithoutTyping) {
  SetItems({"apple", "banana", "bandit", "cherry"});
  Combo->Properties()->SetImmediateDropDown(false);
  Combo->SetFocus();
  Pump();
  guitest::TypeText(L"band");
  PumpUntil([&] { return Combo->Text() == "bandit"; });
  EXPECT_EQ(Combo->LookupData()->SelectedIndex(), 2);
  // "ban" left by Delete, which runs no search: the posted VXM_SYNCLOOKUP finds its item.
  guitest::TapKey(VK_END);
  for (int i = 0; i < 3; ++i) guitest::TapKeyWith(VK_SHIFT, VK_LEFT);
  guitest::TapKey(VK_DELETE);
  PumpUntil([&] { return Combo->Text() == "ban"; });
  edittest::Settle();
  EXPECT_EQ(Combo->Text(), "ban");
  EXPECT_EQ(Combo->LookupData()->SelectedIndex(), 1);
  EXPECT_EQ(Popups, 0);
}

TEST_F(vxComboBox, OpenedListShowsTheItemOfTheTextBeforeTheCaret) {
  SetItems({"apple", "banana", "bandit", "cherry"});
  Combo->SetFocus();
  Pump();
  Combo->SetEditValue(Variant(AnsiString("band")));
  Combo->SetSelStart(3);
  Combo->SetSelLength(0);
  Pump();
  int selected = -2;
  int listed = -2;
  OnPopup = [&] {
    Runner->Queue([&] {
      selected = Combo->LookupData()->SelectedIndex();
      listed = Combo->List()->ItemIndex();
      Combo->SetDroppedDown(false);
    });
  };
  guitest::TapKey(VK_F4);
  PumpUntil([&] { return CloseUps > 0; });
  // "ban", not the whole "band".
  EXPECT_EQ(selected, 1);
  EXPECT_EQ(listed, 1);
  EXPECT_EQ(Combo->Text(), "band");
}

TEST_F(vxComboBox, TextTypedWithTheListOpenGoesIntoTheEdit) {
  SetItems({"apple", "banana", "bandit", "cherry", "アイウ", "アエ"});
  Combo->SetFocus();
  Pump();
  struct {
    const wchar_t* First;
    const wchar_t* Rest;
    const char* Shown;
    int Selected;
    const char* Taken;
  } cases[] = {{L"b", L"and", "bandit", 2, "bandit"}, {L"x", L"yz", "xyz", -1, "xyz"}, {L"ア", L"エ", "アエ", 5, "アエ"}};
  for (const auto& c : cases) {
    Combo->SetEditValue(Variant());
    CloseUps = 0;
    AnsiString shown;
    int selected = -2;
    // The first character opens the list (and takes the focus into it); the rest follow.
    OnPopup = [&] {
      guitest::TypeText(c.Rest);
      Runner->Queue([&] {
        PumpUntil([&] { return Combo->Text() == c.Shown; }, 100);
        edittest::Settle();
        shown = Combo->Text();
        selected = Combo->LookupData()->SelectedIndex();
        guitest::TapKey(VK_RETURN);
        Runner->Queue([&] {
          PumpUntil([&] { return !Combo->DroppedDown(); }, 100);
          Combo->SetDroppedDown(false);
        });
      });
    };
    guitest::TypeText(c.First);
    PumpUntil([&] { return CloseUps > 0; });
    edittest::Settle();
    EXPECT_EQ(shown, c.Shown) << c.Shown;
    EXPECT_EQ(selected, c.Selected) << c.Shown;
    EXPECT_EQ(Combo->LastCloseUpReason(), crEnter) << c.Shown;
    EXPECT_EQ(Combo->Text(), c.Taken) << c.Shown;
    EXPECT_TRUE(Combo->Focused()) << c.Shown;
    EXPECT_TRUE(Combo->ModifiedAfterEnter()) << c.Shown;
    EXPECT_TRUE(Combo->ValidateEdit()) << c.Shown;
    EXPECT_EQ(Combo->EditValue().AsString(), c.Taken) << c.Shown;
  }
}

TEST_F(vxComboBox, AnArrowThatStaysOnTheLastItemPutsItsTextBack) {
  SetItems({"one", "two", "three"});
  Combo->Properties()->SetImmediateDropDown(false);
  Combo->SetFocus();
  Pump();
  guitest::TapKeyWith(VK_CONTROL, VK_NEXT);
  PumpUntil([&] { return Combo->Text() == "three"; });
  guitest::TapKey(VK_END);
  guitest::TapKeyWith(VK_SHIFT, VK_HOME);
  guitest::TypeText(L"x");
  PumpUntil([&] { return Combo->Text() == "x"; });
  edittest::Settle();
  ASSERT_EQ(Combo->LookupData()->CurrentIndex(), 2);
  guitest::TapKey(VK_DOWN);
  PumpUntil([&] { return Combo->Text() == "three"; }, 100);
  edittest::Settle();
  EXPECT_EQ(Combo->Text(), "three");
  EXPECT_EQ(Combo->LookupData()->CurrentIndex(), 2);
  EXPECT_EQ(Popups, 0);
}

TEST_F(vxComboBox, ASettingChangedWhileTypedTextIsCompletedLeavesTheCurrentItem) {
  SetItems({"apple", "banana"});
  Combo->Properties()->SetDropDownListStyle(lsEditFixedList);
  Combo->Properties()->SetImmediateDropDown(false);
  int clicks = 0;
  Combo->OnClick = [&](TObject*) { ++clicks; };
  // A change handler that touches a setting while the completed text goes in.
  Combo->Properties()->OnChange = [&](TObject*) {
    Combo->Properties()->SetDropDownRows(Combo->Properties()->DropDownRows() + 1);
  };
  Combo->SetFocus();
  Pump();
  const int current = Combo->LookupData()->CurrentIndex();
  guitest::TypeText(L"b");
  PumpUntil([&] { return Combo->Text() == "banana"; });
  edittest::Settle();
  EXPECT_EQ(Combo->Text(), "banana");
  EXPECT_GT(Combo->Properties()->DropDownRows(), 8) << "the handler ran";
  EXPECT_EQ(Combo->LookupData()->CurrentIndex(), current);
  EXPECT_EQ(clicks, 0);
}

TEST_F(vxComboBox, ItemChosenInTheOpenListWithKeysIsTaken) {
  SetItems({"apple", "banana", "cherry", "date"});
  Combo->SetFocus();
  Pump();
  struct TKey {
    WORD Modifier, Key;
  };
  struct {
    const char* Name;
    std::vector<TKey> Keys;  // after F4 has opened the list
    const char* Taken;
    int Caret = 5;
  } cases[] = {
      {"Down, Down, Up, Enter", {{0, VK_DOWN}, {0, VK_DOWN}, {0, VK_UP}, {0, VK_RETURN}}, "banana"},
      {"End, Enter", {{0, VK_END}, {0, VK_RETURN}}, "date"},
      {"Down, Down, F4", {{0, VK_DOWN}, {0, VK_DOWN}, {0, VK_F4}}, "cherry"},
      {"Down, Alt+Up", {{0, VK_DOWN}, {VK_MENU, VK_UP}}, "banana"},
      // The value set from code after "banana" was taken: the list opens on the text's item,
      // not on the one taken last, though no text stands before the caret.
      {"caret at the start, Enter", {{0, VK_RETURN}}, "apple", 0},
      {"Down, Down, Escape", {{0, VK_DOWN}, {0, VK_DOWN}, {0, VK_ESCAPE}}, "apple"},
  };
  for (const auto& c : cases) {
    Combo->SetEditValue(Variant(AnsiString("apple")));
    edittest::Select(Combo, c.Caret, 0);
    Pump();
    CloseUps = 0;
    int shown = -2;
    OnPopup = [&] {
      Runner->Queue([&] {
        shown = Combo->List()->ItemIndex();
        for (const TKey& key : c.Keys) edittest::PressKey(key.Modifier, key.Key);
        // Should the keys leave the list open, the test closes it instead of waiting for ever.
        Runner->Queue([&] {
          PumpUntil([&] { return !Combo->DroppedDown(); }, 100);
          Combo->SetDroppedDown(false);
        });
      });
    };
    guitest::TapKey(VK_F4);
    PumpUntil([&] { return CloseUps > 0; });
    edittest::Settle();
    EXPECT_EQ(shown, 0) << c.Name;
    EXPECT_EQ(Combo->Text(), c.Taken) << c.Name;
  }
}

TEST_F(vxComboBox, DoubleClickOnARevertableComboStepsToTheNextItem) {
  SetItems({"apple", "banana", "cherry", "date"});
  Combo->Properties()->SetRevertable(true);
  Combo->Properties()->SetImmediatePost(true);
  int doubles = 0, changes = 0, valueChanges = 0;
  Combo->OnDblClick = [&](TObject*) { ++doubles; };
  Combo->Properties()->OnChange = [&](TObject*) { ++changes; };
  Combo->Properties()->OnEditValueChanged = [&](TObject*) { ++valueChanges; };
  // A button of the user's own beside the drop-down button.
  TvxEditButton* ellipsis = Combo->Properties()->Buttons()->Add();
  ellipsis->SetKind(bkEllipsis);
  Pump();
  const auto buttonAt = [&](int index) {
    for (const auto& info : Combo->EditViewInfo()->ButtonsInfo)
      if (info->ButtonIndex == index)
        return Combo->ClientToScreen(
            POINT{(info->Bounds.left + info->Bounds.right) / 2, (info->Bounds.top + info->Bounds.bottom) / 2});
    ADD_FAILURE() << "no button " << index;
    return POINT{};
  };
  const auto text = [&] { return Combo->ClientToScreen(POINT{20, 10}); };
  const auto button = [&] { return buttonAt(Combo->Properties()->DropDownButtonIndex()); };
  const auto other = [&] { return buttonAt(ellipsis->Index()); };
  const auto frame = [&] { return Combo->ClientToScreen(POINT{1, Combo->Height() / 2}); };
  // Only a double click on the text of the closed combo steps. One on a button, or one whose
  // presses open and close the list (on the frame of a fixed list), leaves the item. The spots
  // take turns, so that no case's first press doubles the last press of the case before.
  struct {
    const char* Name;
    TvxEditDropDownListStyle Style;
    std::function<POINT()> Spot;
    bool SecondOnceOpen;  // the second click waits until the first one has opened the list
    const char* From;
    const char* To;
    int Opens;
  } cases[] = {
      {"on the text", lsEditList, text, false, "banana", "cherry", 0},
      {"on the drop-down button", lsEditList, button, false, "banana", "banana", 1},
      {"on the text of the last item", lsEditList, text, false, "date", "apple", 0},
      {"on a button of the user's own", lsEditList, other, false, "cherry", "cherry", 0},
      {"on the drop-down button, the second click once the list is open", lsEditList, button, true, "banana",
       "banana", 1},
      {"on the frame of a fixed list", lsFixedList, frame, true, "cherry", "cherry", 1},
  };
  for (const auto& c : cases) {
    Combo->Properties()->SetDropDownListStyle(c.Style);
    Combo->SetFocus();
    Combo->SetEditValue(Variant(AnsiString(c.From)));
    Pump();
    doubles = changes = valueChanges = Popups = 0;
    // A value set from outside does not move the current item by itself (the step, and the
    // list as it opens, find the item of the text first): a double click that neither steps
    // nor opens the list leaves it where it was.
    const int current = Combo->LookupData()->CurrentIndex();
    const POINT spot = c.Spot();
    const HWND hit = WindowFromPoint(spot);
    ASSERT_TRUE(hit == Combo->Handle() || IsChild(Combo->Handle(), hit)) << c.Name;
    OnPopup = [&] {
      if (c.SecondOnceOpen) Runner->Queue([&] { dropdowntest::ClickAt(spot); });
    };
    dropdowntest::ClickAt(spot);
    if (!c.SecondOnceOpen) dropdowntest::ClickAt(spot);
    PumpUntil([&] { return doubles > 0 && !Combo->DroppedDown() && !Combo->IsPopupShowPending(); }, 100);
    edittest::Settle();
    OnPopup = nullptr;
    EXPECT_EQ(Combo->Text(), c.To) << c.Name;
    EXPECT_EQ(Combo->EditValue().AsString(), c.To) << c.Name;
    const int stepped = std::string(c.From) != c.To ? 1 : 0;
    EXPECT_EQ(Combo->LookupData()->CurrentIndex(),
              stepped || c.Opens > 0 ? Combo->LookupData()->IndexOf(c.To) : current)
        << c.Name;
    EXPECT_EQ(doubles, 1) << c.Name;
    EXPECT_EQ(changes, stepped) << c.Name;
    EXPECT_EQ(valueChanges, stepped) << c.Name;
    EXPECT_EQ(Popups, c.Opens) << c.Name;
    EXPECT_FALSE(Combo->DroppedDown()) << c.Name;
  }
}
