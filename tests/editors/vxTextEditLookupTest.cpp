// The text editor's lookup items as a user types: completion at the end of the text but not
// inside it, double-byte characters completed whole, Backspace over a proposed tail, lookup
// mode 1 of a small combo-like descendant, and the item keys and the wheel that only a
// descendant takes.
#include "EditTestSupport.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <tuple>
#include <utility>
#include <string>
#include <vector>

using edittest::Settle;
using guitest::Pump;

namespace {

// Lookup mode 1 (the text must be an item), as a combo box has it; the wheel and the item
// keys step through the items.
class TListProperties : public TvxTextEditProperties {
public:
  using TvxTextEditProperties::TvxTextEditProperties;
  static TvxCustomEditPropertiesClass PropertiesClass() {
    static const TvxEditPropertiesClassInfo info{
        {"TListProperties"}, TvxTextEditProperties::PropertiesClass(),
        [](TPersistent* owner) -> TvxCustomEditProperties* { return new TListProperties(owner); }};
    return &info;
  }
  TvxCustomEditPropertiesClass ClassType() const override { return PropertiesClass(); }
  int GetLookupMode() const override { return Mode; }
  int Mode = 1;
};

class TListEdit : public TvxCustomTextEdit {
public:
  explicit TListEdit(TComponent* owner)
      : TvxCustomTextEdit(owner, false, TextEditClasses(TListProperties::PropertiesClass())) {}
  TListProperties* ListProperties() { return static_cast<TListProperties*>(Properties()); }

protected:
  bool CanSelectLookupItem(bool) override { return true; }
};

class vxTextEditLookup : public guitest::TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Edit = new TvxTextEdit(Host);
    Edit->SetParent(Host);
    Edit->SetBounds(10, 10, 150, 24);
    Other = new TButton(Host);
    Other->SetParent(Host);
    Other->SetBounds(10, 120, 80, 24);
    Pump();
  }
  void TearDown() override {
    // The wheel cases leave the mouse over an editor: the next tests' editors would be hot.
    guitest::MouseMoveTo(POINT{0, 0});
    TFormTest::TearDown();
  }
  void SetItems(TvxCustomTextEdit* edit, std::initializer_list<const char*> items) {
    TStringList list;
    for (const char* item : items) list.Add(item);
    edit->Properties()->SetLookupItems(list);
  }
  void Focus(TvxCustomTextEdit* edit) {
    edit->SetFocus();
    Pump();
    ASSERT_EQ(GetFocus(), edit->InnerTextEditControl()->Handle());
  }
  static std::pair<int, int> Sel(TvxCustomTextEdit* edit) { return {edit->SelStart(), edit->SelLength()}; }

  TvxTextEdit* Edit = nullptr;
  TButton* Other = nullptr;
};

TEST_F(vxTextEditLookup, TypingAtTheEndCompletesFromTheFirstMatchingItem) {
  SetItems(Edit, {"Apple", "apricot", "Banana"});
  Focus(Edit);
  guitest::TypeText(L"ap");
  Settle();
  EXPECT_EQ(Edit->Text(), "Apple") << "the item's letter case wins";
  EXPECT_EQ(Sel(Edit), (std::pair<int, int>{2, 3}));
  EXPECT_TRUE(Edit->CompletionPending());
  EXPECT_TRUE(Edit->ModifiedAfterEnter());

  guitest::TypeText(L"r");
  Settle();
  EXPECT_EQ(Edit->Text(), "apricot");
  EXPECT_EQ(Sel(Edit), (std::pair<int, int>{3, 4}));

  // A character that matches nothing in mode 0 is typed as it is.
  guitest::TypeText(L"x");
  Settle();
  EXPECT_EQ(Edit->Text(), "aprx");
  EXPECT_FALSE(Edit->CompletionPending());

  // Inside the text, with nothing selected and nothing proposed, no completion.
  Edit->SetText("Bnn");
  Edit->SetSelStart(1);
  guitest::TypeText(L"a");
  Settle();
  EXPECT_EQ(Edit->Text(), "Bann");
  EXPECT_EQ(Sel(Edit), (std::pair<int, int>{2, 0}));
  EXPECT_FALSE(Edit->CompletionPending());

  // Leaving takes the typed text; the proposal ends.
  guitest::TapKey(VK_END);
  guitest::TapKey(VK_TAB);
  Settle();
  EXPECT_EQ(Edit->EditValue().AsString(), "Bann");
}

TEST_F(vxTextEditLookup, ACompletionIsTheUsersChangeAndLeavingTakesIt) {
  SetItems(Edit, {"Apple"});
  std::vector<std::string> changes;
  Edit->Properties()->OnChange = [&](TObject*) { changes.push_back(Edit->Text()); };
  Focus(Edit);
  guitest::TypeText(L"a");
  guitest::TapKey(VK_TAB);
  Settle();
  EXPECT_EQ(GetFocus(), Other->Handle());
  EXPECT_EQ(Edit->EditValue().AsString(), "Apple");
  EXPECT_EQ(changes.front(), "Apple");
}

TEST_F(vxTextEditLookup, ADoubleByteCharacterIsCompletedWhole) {
  SetItems(Edit, {"アイ", "abc"});
  for (const auto& [typed, text, sel] :
       {std::tuple{L"ア", "アイ", std::pair<int, int>{2, 2}}, std::tuple{L"a", "abc", std::pair<int, int>{1, 2}}}) {
    SCOPED_TRACE(text);
    Edit->SetEditValue(Variant(AnsiString()));
    Focus(Edit);
    guitest::TypeText(typed);
    Settle();
    EXPECT_EQ(Edit->Text(), text);
    EXPECT_EQ(Sel(Edit), sel);
    EXPECT_EQ(Edit->InnerTextEdit()->GetImeLastChar(), '\0') << "no lead byte left waiting";
  }
  // The next character replaces the proposed tail.
  guitest::TypeText(L"x");
  Settle();
  EXPECT_EQ(Edit->Text(), "ax");

  // The input method's character completes the same way.
  Edit->SetText("");
  SendMessageA(Edit->InnerTextEditControl()->Handle(), WM_IME_CHAR, 0x8341, 1);  // ア
  Pump();
  EXPECT_EQ(Edit->Text(), "アイ");
  EXPECT_EQ(Sel(Edit), (std::pair<int, int>{2, 2}));

  // A character that is no item's beginning is typed whole.
  Edit->SetText("");
  guitest::TypeText(L"ツ");
  Settle();
  EXPECT_EQ(Edit->Text(), "ツ");
  EXPECT_FALSE(Edit->CompletionPending());
}

TEST_F(vxTextEditLookup, BackspaceOverAProposedTailSearchesAgain) {
  SetItems(Edit, {"Apple", "Banana"});
  Focus(Edit);
  guitest::TypeText(L"ap");
  Settle();
  ASSERT_EQ(Edit->Text(), "Apple");
  guitest::TapKey(VK_BACK);
  Settle();
  EXPECT_EQ(Edit->Text(), "Apple") << "the tail and one character went, then \"A\" was completed";
  EXPECT_EQ(Sel(Edit), (std::pair<int, int>{1, 4}));
  guitest::TapKey(VK_BACK);
  Settle();
  EXPECT_EQ(Edit->Text(), "");
  EXPECT_FALSE(Edit->CompletionPending());
}

TEST_F(vxTextEditLookup, ModeOneKeepsTheTextAnItem) {
  auto* edit = new TListEdit(Host);
  edit->SetParent(Host);
  edit->SetBounds(10, 50, 150, 24);
  SetItems(edit, {"Apple", "Banana", "Cherry"});
  Focus(edit);
  guitest::TypeText(L"b");
  Settle();
  EXPECT_EQ(edit->Text(), "Banana");
  guitest::TypeText(L"q");
  Settle();
  EXPECT_EQ(edit->Text(), "Banana") << "a character that matches no item is dropped";
  EXPECT_EQ(Sel(edit), (std::pair<int, int>{1, 5}));
  guitest::TapKey(VK_BACK);
  Settle();
  EXPECT_EQ(edit->Text(), "") << "the tail and \"B\" went; nothing is left to search";

  // The text is checked: a value that is no item fails on leaving.
  Variant value(AnsiString("cherry"));
  EXPECT_TRUE(edit->Properties()->IsEditValueValid(value, true));
  value = Variant(AnsiString("Plum"));
  EXPECT_FALSE(edit->Properties()->IsEditValueValid(value, true));

  // The item keys and the wheel step through the items of a descendant that takes them.
  edit->SetText("Apple");
  edit->LookupData()->SetCurrent(0);
  guitest::TapKey(VK_DOWN);
  Settle();
  EXPECT_EQ(edit->Text(), "Banana");
  guitest::TapKeyWith(VK_CONTROL, VK_NEXT);
  Settle();
  EXPECT_EQ(edit->Text(), "Cherry");
  const POINT center = edit->ClientToScreen(POINT{40, 12});
  guitest::MouseMoveTo(center);
  guitest::MouseWheel(-WHEEL_DELTA);
  Settle();
  EXPECT_EQ(edit->Text(), "Cherry") << "the last item stays";
  guitest::MouseWheel(WHEEL_DELTA);
  Settle();
  EXPECT_EQ(edit->Text(), "Banana");
}

TEST_F(vxTextEditLookup, ModeOneTakesTheInputMethodsCharacterWholeAndWithoutItemsNothing) {
  auto* edit = new TListEdit(Host);
  edit->SetParent(Host);
  edit->SetBounds(10, 50, 150, 24);
  SetItems(edit, {"アイ", "abc"});
  Focus(edit);
  // The input method's character arrives as its lead byte, then its trail byte.
  SendMessageA(edit->InnerTextEditControl()->Handle(), WM_IME_CHAR, 0x8341, 1);  // ア
  Pump();
  EXPECT_EQ(edit->Text(), "アイ");
  EXPECT_EQ(Sel(edit), (std::pair<int, int>{2, 2}));

  // Without items no text is an item: every character is dropped.
  SetItems(edit, {});
  edit->SetText("");
  guitest::TypeText(L"xア");
  Settle();
  EXPECT_EQ(edit->Text(), "");
  EXPECT_EQ(edit->InnerTextEdit()->GetImeLastChar(), '\0') << "no lead byte left waiting";
}

TEST_F(vxTextEditLookup, BackspaceToAnEmptyTextIsTheUsersChangeAndEscapeUndoesIt) {
  SetItems(Edit, {"Apple", "Banana"});
  Edit->SetEditValue(Variant(AnsiString("Banana")));
  Focus(Edit);
  Edit->SelectAll();
  guitest::TypeText(L"a");
  Settle();
  ASSERT_EQ(Edit->Text(), "Apple");
  guitest::TapKey(VK_BACK);
  Settle();
  EXPECT_EQ(Edit->Text(), "");
  EXPECT_TRUE(Edit->ModifiedAfterEnter()) << "the emptied text is the user's change";
  guitest::TapKey(VK_ESCAPE);
  Settle();
  EXPECT_EQ(Edit->Text(), "Banana");
  EXPECT_EQ(Edit->EditValue().AsString(), "Banana");
}

TEST_F(vxTextEditLookup, APlainTextEditLeavesTheItemKeysAndTheWheelAlone) {
  SetItems(Edit, {"Apple", "Banana"});
  Edit->SetEditValue(Variant(AnsiString("Apple")));
  Focus(Edit);
  std::vector<WORD> after;
  Edit->OnAfterKeyDown = [&](TObject*, WORD& key, TShiftState) { after.push_back(key); };
  guitest::TapKey(VK_DOWN);
  guitest::TapKey(VK_NEXT);
  const POINT center = Edit->ClientToScreen(POINT{40, 12});
  guitest::MouseMoveTo(center);
  guitest::MouseWheel(-WHEEL_DELTA);
  Settle();
  EXPECT_EQ(Edit->Text(), "Apple");
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
  EXPECT_EQ(after, (std::vector<WORD>{VK_DOWN, VK_NEXT}));
}

TEST_F(vxTextEditLookup, AChangeOfThePropertiesFindsTheItemOfTheTextAgain) {
  Edit->SetEditValue(Variant(AnsiString("banana")));
  std::vector<std::string> added;
  Edit->Properties()->OnNewLookupDisplayText = [&](TObject*, const AnsiString& text) { added.push_back(text); };
  SetItems(Edit, {"Apple", "Banana"});
  EXPECT_EQ(Edit->LookupData()->SelectedIndex(), 1);
  Edit->Properties()->SetExactLookupSearch(true);
  Edit->SetEditValue(Variant(AnsiString("Ban")));
  Edit->Properties()->SetHideSelection(false);
  EXPECT_EQ(Edit->LookupData()->SelectedIndex(), -1) << "an exact search takes whole items only";

  // A validated text that is no item is announced.
  Focus(Edit);
  Edit->SetSelStart(3);
  guitest::TypeText(L"jo");
  guitest::TapKey(VK_TAB);
  Settle();
  EXPECT_EQ(added, std::vector<std::string>{"Banjo"});
}

}  // namespace
