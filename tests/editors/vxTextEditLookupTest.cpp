// The text editor's lookup items as a user types: completion at the end of the text but not
// inside it, double-byte characters completed whole, Backspace over a proposed tail, lookup
// mode 1 of a small combo-like descendant, and the item keys and the wheel that only a
// descendant takes; the caret after an input-method character in the text, lookup and mask
// edits; the completion cut at MaxLength.
#include "EditTestSupport.h"

#include "editors/vxMaskEdit.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using edittest::Chord;
using edittest::Keys;
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
  int GetLookupMode() const override { return 1; }
};

class TListEdit : public TvxCustomTextEdit {
public:
  explicit TListEdit(TComponent* owner)
      : TvxCustomTextEdit(owner, false, TextEditClasses(TListProperties::PropertiesClass())) {}

protected:
  bool CanSelectLookupItem(bool) override { return true; }
};

class vxTextEditLookup : public guitest::TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Edit = edittest::Place<TvxTextEdit>(Host, 10, 10, 150, 24);
    Other = edittest::Place<TButton>(Host, 10, 120, 80, 24);
    Pump();
  }
  void TearDown() override {
    // The wheel cases leave the mouse over an editor: the next tests' editors would be hot.
    guitest::MouseMoveTo(POINT{0, 0});
    TFormTest::TearDown();
  }
  static void SetItems(TvxCustomTextEdit* edit, std::initializer_list<const char*> items) {
    TStringList list;
    for (const char* item : items) list.Add(item);
    edit->Properties()->SetLookupItems(list);
  }
  // The editor focused, with the items if given.
  template <class T>
  T* Focus(T* edit, std::initializer_list<const char*> items = {}) {
    if (items.size() > 0) SetItems(edit, items);
    edit->SetFocus();
    Pump();
    EXPECT_EQ(GetFocus(), edit->InnerTextEditControl()->Handle());
    return edit;
  }
  TListEdit* ListEdit(std::initializer_list<const char*> items) {
    return Focus(edittest::Place<TListEdit>(Host, 10, 50, 150, 24), items);
  }
  // The input method's character, as its lead byte and then its trail byte.
  static void ImeChar(TvxCustomTextEdit* edit, WPARAM code) {
    SendMessageA(edit->InnerTextEditControl()->Handle(), WM_IME_CHAR, code, 1);
    Pump();
  }
  static void Expect(TvxCustomTextEdit* edit, const char* text, int start, int length) {
    EXPECT_EQ(edit->Text(), text);
    EXPECT_EQ((std::pair{edit->SelStart(), edit->SelLength()}), (std::pair{start, length})) << text;
  }

  TvxTextEdit* Edit = nullptr;
  TButton* Other = nullptr;
};

// The item's letter case wins; in mode 0 a character that matches nothing is typed as it is;
// inside the text, with nothing selected and nothing proposed, nothing is completed.
TEST_F(vxTextEditLookup, TypingAtTheEndCompletesFromTheFirstMatchingItem) {
  Focus(Edit, {"Apple", "apricot", "Banana"});
  Keys(L"ap");
  Expect(Edit, "Apple", 2, 3);
  EXPECT_TRUE(Edit->CompletionPending());
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
  Keys(L"r");
  Expect(Edit, "apricot", 3, 4);
  Keys(L"x");
  EXPECT_EQ(Edit->Text(), "aprx");
  EXPECT_FALSE(Edit->CompletionPending());
  Edit->SetText("Bnn");
  Edit->SetSelStart(1);
  Keys(L"a");
  Expect(Edit, "Bann", 2, 0);
  EXPECT_FALSE(Edit->CompletionPending());
  Keys(L"≫\t");
  EXPECT_EQ(Edit->EditValue().AsString(), "Bann");
}

TEST_F(vxTextEditLookup, ACompletionIsTheUsersChangeAndLeavingTakesIt) {
  std::vector<std::string> changes;
  Edit->Properties()->OnChange = [&](TObject*) { changes.push_back(Edit->Text()); };
  Focus(Edit, {"Apple"});
  Keys(L"a\t");
  EXPECT_EQ(GetFocus(), Other->Handle());
  EXPECT_EQ(Edit->EditValue().AsString(), "Apple");
  EXPECT_EQ(changes.front(), "Apple");
}

// No lead byte is left waiting; the next character replaces the proposed tail; the input
// method's character completes the same way; a character that begins no item is typed whole.
TEST_F(vxTextEditLookup, ADoubleByteCharacterIsCompletedWhole) {
  SetItems(Edit, {"アイ", "abc"});
  for (const auto& [typed, text, length] : {std::tuple{L"ア", "アイ", 2}, std::tuple{L"a", "abc", 1}}) {
    Edit->SetEditValue(Variant(AnsiString()));
    Focus(Edit);
    Keys(typed);
    Expect(Edit, text, length, 2);
    EXPECT_EQ(Edit->InnerTextEdit()->GetImeLastChar(), '\0') << text;
  }
  Keys(L"x");
  EXPECT_EQ(Edit->Text(), "ax");
  Edit->SetText("");
  ImeChar(Edit, 0x8341);  // ア
  Expect(Edit, "アイ", 2, 2);
  Edit->SetText("");
  Keys(L"ツ");
  EXPECT_EQ(Edit->Text(), "ツ");
  EXPECT_FALSE(Edit->CompletionPending());
}

// The tail and one character go, then "A" is completed again.
TEST_F(vxTextEditLookup, BackspaceOverAProposedTailSearchesAgain) {
  Focus(Edit, {"Apple", "Banana"});
  Keys(L"ap");
  ASSERT_EQ(Edit->Text(), "Apple");
  Keys(L"\b");
  Expect(Edit, "Apple", 1, 4);
  Keys(L"\b");
  EXPECT_EQ(Edit->Text(), "");
  EXPECT_FALSE(Edit->CompletionPending());
}

// A character that matches no item is dropped; a value that is no item fails on leaving; the
// item keys and the wheel step through the items of a descendant that takes them.
TEST_F(vxTextEditLookup, ModeOneKeepsTheTextAnItem) {
  TListEdit* edit = ListEdit({"Apple", "Banana", "Cherry"});
  Keys(L"b");
  EXPECT_EQ(edit->Text(), "Banana");
  Keys(L"q");
  Expect(edit, "Banana", 1, 5);
  Keys(L"\b");
  EXPECT_EQ(edit->Text(), "") << "the tail and \"B\" went; nothing is left to search";
  Variant value(AnsiString("cherry"));
  EXPECT_TRUE(edit->Properties()->IsEditValueValid(value, true));
  value = Variant(AnsiString("Plum"));
  EXPECT_FALSE(edit->Properties()->IsEditValueValid(value, true));

  edit->SetText("Apple");
  edit->LookupData()->SetCurrent(0);
  guitest::TapKey(VK_DOWN);
  edittest::Settle();
  EXPECT_EQ(edit->Text(), "Banana");
  Chord(VK_CONTROL, VK_NEXT);
  EXPECT_EQ(edit->Text(), "Cherry");
  guitest::MouseMoveTo(edit->ClientToScreen(POINT{40, 12}));
  for (const auto& [delta, text] : {std::pair{-WHEEL_DELTA, "Cherry"}, std::pair{WHEEL_DELTA, "Banana"}}) {
    guitest::MouseWheel(delta);
    edittest::Settle();
    EXPECT_EQ(edit->Text(), text) << "the last item stays";
  }
}

// Without items no text is an item: every character is dropped.
TEST_F(vxTextEditLookup, ModeOneTakesTheInputMethodsCharacterWholeAndWithoutItemsNothing) {
  TListEdit* edit = ListEdit({"アイ", "abc"});
  ImeChar(edit, 0x8341);  // ア
  Expect(edit, "アイ", 2, 2);
  SetItems(edit, {});
  edit->SetText("");
  Keys(L"xア");
  EXPECT_EQ(edit->Text(), "");
  EXPECT_EQ(edit->InnerTextEdit()->GetImeLastChar(), '\0') << "no lead byte left waiting";
}

TEST_F(vxTextEditLookup, BackspaceToAnEmptyTextIsTheUsersChangeAndEscapeUndoesIt) {
  SetItems(Edit, {"Apple", "Banana"});
  Edit->SetEditValue(Variant(AnsiString("Banana")));
  Focus(Edit);
  Edit->SelectAll();
  Keys(L"a");
  ASSERT_EQ(Edit->Text(), "Apple");
  Keys(L"\b");
  EXPECT_EQ(Edit->Text(), "");
  EXPECT_TRUE(Edit->ModifiedAfterEnter()) << "the emptied text is the user's change";
  Keys(L"\x1b");
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
  guitest::MouseMoveTo(Edit->ClientToScreen(POINT{40, 12}));
  guitest::MouseWheel(-WHEEL_DELTA);
  edittest::Settle();
  EXPECT_EQ(Edit->Text(), "Apple");
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
  EXPECT_EQ(after, (std::vector<WORD>{VK_DOWN, VK_NEXT}));
}

// An exact search takes whole items only; a validated text that is no item is announced.
TEST_F(vxTextEditLookup, AChangeOfThePropertiesFindsTheItemOfTheTextAgain) {
  Edit->SetEditValue(Variant(AnsiString("banana")));
  std::vector<std::string> added;
  Edit->Properties()->OnNewLookupDisplayText = [&](TObject*, const AnsiString& text) { added.push_back(text); };
  SetItems(Edit, {"Apple", "Banana"});
  EXPECT_EQ(Edit->LookupData()->SelectedIndex(), 1);
  Edit->Properties()->SetExactLookupSearch(true);
  Edit->SetEditValue(Variant(AnsiString("Ban")));
  Edit->Properties()->SetHideSelection(false);
  EXPECT_EQ(Edit->LookupData()->SelectedIndex(), -1);
  Focus(Edit);
  Edit->SetSelStart(3);
  Keys(L"jo\t");
  EXPECT_EQ(added, std::vector<std::string>{"Banjo"});
}

// Whichever way a character arrives, the editor handles it at the caret and leaves the caret
// after it (a standard mask: the block caret on the next position), so that the next
// keystroke goes on from there. Without a matching item the character is typed as it is, over
// a proposed tail.
TEST_F(vxTextEditLookup, ACharacterFromTheInputMethodLeavesTheCaretAfterItself) {
  using edittest::TCharRoute;
  auto textEdit = [this] { return edittest::Place<TvxTextEdit>(Host, 10, 50, 150, 24); };
  auto lookupEdit = [this](std::initializer_list<const char*> items) {
    TvxTextEdit* edit = edittest::Place<TvxTextEdit>(Host, 10, 50, 150, 24);
    SetItems(edit, items);
    return edit;
  };
  auto maskEdit = [this] {
    auto* edit = edittest::Place<TvxMaskEdit>(Host, 10, 50, 150, 24);
    edit->Properties()->SetEditMask("CCCCCCCC;1;_");
    return edit;
  };
  const struct {
    const char* Editor;
    std::function<TvxCustomTextEdit*()> Make;
    const wchar_t* Chars;
    const char* Text;  // after the characters, with the selection
    int SelStart;
    int SelLength;
    const char* Then;  // after a typed "x"
  } cases[] = {
      {"text edit", textEdit, L"東北京", "東北京", 6, 0, "東北京x"},
      {"lookup edit", [&] { return lookupEdit({"東北地方", "東京都"}); }, L"東北京", "東北京", 6, 0, "東北京x"},
      {"lookup edit", [&] { return lookupEdit({"abc"}); }, L"ａ", "ａ", 2, 0, "ａx"},
      {"mask edit", maskEdit, L"東北京", "東北京__", 6, 1, "東北京x_"},
  };
  for (const auto& c : cases) {
    for (const TCharRoute route : {TCharRoute::ImeCharAnsi, TCharRoute::ImeCharUnicode, TCharRoute::Typed}) {
      SCOPED_TRACE(std::string(c.Editor) + ", " + edittest::RouteName(route) + ": " + c.Text);
      TvxCustomTextEdit* edit = Focus(c.Make());
      edittest::DeliverChars(edit->InnerTextEditControl()->Handle(), route, c.Chars);
      Expect(edit, c.Text, c.SelStart, c.SelLength);
      Keys(L"x");
      EXPECT_EQ(edit->Text(), c.Then);
    }
  }
}

// The proposed text stops at MaxLength characters, counted as the edit window counts its
// limit: a double-byte character is one, kept or dropped whole.
TEST_F(vxTextEditLookup, ACompletionStopsAtMaxLengthOnAWholeCharacter) {
  const struct {
    const char* Item;
    int MaxLength;
    const wchar_t* Typed;
    const char* Text;
    int SelLength;  // the proposed tail, after what was typed
  } cases[] = {
      {"Apple pie", 4, L"ap", "Appl", 2}, {"Apple pie", 0, L"ap", "Apple pie", 7}, {"東京都庁", 2, L"東", "東京", 2},
      {"東京都庁", 3, L"東", "東京都", 4}, {"東京都庁", 1, L"東", "東", 0}, {"a東京x", 3, L"a", "a東京", 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Item) + " / " + std::to_string(c.MaxLength));
    TvxTextEdit* edit = edittest::Place<TvxTextEdit>(Host, 10, 50, 150, 24);
    edit->Properties()->SetMaxLength(c.MaxLength);
    Focus(edit, {c.Item});
    Keys(c.Typed);
    Expect(edit, c.Text, static_cast<int>(AnsiString(c.Text).size()) - c.SelLength, c.SelLength);
  }
}

}  // namespace
