// The edit base's behaviour as a user meets it in the published text editor: Escape, Ctrl+Enter
// and the clear key, Enter, validation on leaving and on a modal close, repository items,
// in-place activation, button accelerators and auto-size; and the paths a text editor adds:
// an OnEditing refusal, read-only typing, a refused character's beep, ImmediatePost on Escape,
// Ctrl+Tab, number text grouped while typing and the text painted by an unfocused editor.
#include "EditTestSupport.h"

#include "platform/gui/StdCtrls.h"
#include "platform/rtl/FormatSettings.h"
#include "tests/controls/ControlsTestSupport.h"

#include <gtest/gtest.h>

#include <bitset>
#include <cctype>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

using edittest::Chord;
using edittest::Keys;
using edittest::Raised;
using edittest::TBeepCounter;
using guitest::Pump;

namespace {

// A data binding that keeps what is posted and reports a change while the editor is modified
// (as a binding to a record in edit state would).
class TRecordingBinding : public TvxEditDataBinding {
public:
  using TvxEditDataBinding::TvxEditDataBinding;
  bool ModifiedAfterEnter() const override { return Edit()->Modified(); }
  void StoreValue(const Variant& value) override { Stored.push_back(value.AsString()); }
  static inline std::vector<std::string> Stored;
};

// A data binding whose provider takes only the characters Valid takes.
template <bool (*Valid)(unsigned char)>
class TCharsBinding : public TvxEditDataBinding {
  class TProvider : public TvxCustomEditDefaultValuesProvider {
  public:
    using TvxCustomEditDefaultValuesProvider::TvxCustomEditDefaultValuesProvider;
    bool IsValidChar(char c) const override { return Valid(static_cast<unsigned char>(c)); }
  };

public:
  explicit TCharsBinding(TvxCustomEdit* edit) : TvxEditDataBinding(edit, std::make_unique<TProvider>(nullptr)) {}
};
bool IsDigit(unsigned char c) { return std::isdigit(c) != 0; }
bool IsSingleByte(unsigned char c) { return c < 0x80; }
bool IsNoLetter(unsigned char c) { return std::isalpha(c) == 0; }

template <class Binding>
class TBoundEdit : public TvxCustomTextEdit {
public:
  explicit TBoundEdit(TComponent* owner) : TvxCustomTextEdit(owner, false, Classes()) {}
  static TvxEditClasses Classes() {
    TvxEditClasses classes = TextEditClasses(TvxTextEditProperties::PropertiesClass());
    classes.DataBinding = vxObjectClassOf<Binding, TvxEditDataBinding, TvxCustomEdit*>("TBinding");
    return classes;
  }
};

// Number text grouped with the locale's thousand separator while it is typed.
class TGroupingEdit : public TvxTextEdit {
public:
  using TvxTextEdit::TvxTextEdit;

protected:
  void ChangeHandler() override {
    AnsiString text = Text();
    int caret = SelStart();
    if (vxFormatNumberText(text, caret)) {
      DataBinding()->SetDisplayValue(Variant(text));
      SetSelStart(caret);
    }
    TvxTextEdit::ChangeHandler();
  }
};

class TTextItem : public TvxEditRepositoryItem {
public:
  using TvxEditRepositoryItem::TvxEditRepositoryItem;
  TvxCustomEditPropertiesClass GetEditPropertiesClass() const override {
    return TvxTextEditProperties::PropertiesClass();
  }
};

class vxTextEditBase : public guitest::TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Edit = Place(new TvxTextEdit(Host), 10);
    Edit->Properties()->OnChange = [this](TObject*) { Events.push_back("change"); };
    Edit->Properties()->OnEditValueChanged = [this](TObject*) { Events.push_back("value"); };
    Other = edittest::Place<TButton>(Host, 10, 160, 80, 24);
    Pump();
  }
  template <class T>
  T* Place(T* edit, int top) {
    edit->SetParent(Host);
    edit->SetBounds(10, top, 150, 24);
    Pump();
    return edit;
  }
  // The editor entered with value, focused, the caret at the end.
  void Enter(TvxCustomTextEdit* edit, const AnsiString& value) {
    edit->SetEditValue(Variant(value));
    edit->SetFocus();
    Pump();
    ASSERT_EQ(GetFocus(), edit->InnerTextEditControl()->Handle());
    edit->SetSelStart(static_cast<int>(value.size()));
    Events.clear();
  }
  void Enter(const AnsiString& value) { Enter(Edit, value); }
  std::string Value() { return Edit->EditValue().AsString(); }

  TvxTextEdit* Edit = nullptr;
  TButton* Other = nullptr;
  std::vector<std::string> Events;
};

// Equal values of another type are a change; writes while the inner control is locked change
// nothing.
TEST_F(vxTextEditBase, ValueWritesFireTheirEventsOnceAndOnlyForAChange) {
  Events.clear();
  Edit->SetEditValue(Variant(AnsiString("a")));
  Edit->SetEditValue(Variant(AnsiString("a")));
  EXPECT_EQ(Events, (std::vector<std::string>{"value", "change"}));
  EXPECT_EQ(Edit->Text(), "a");
  EXPECT_FALSE(Edit->Modified()) << "a write from outside is no change by the user";
  Events.clear();
  Edit->SetEditValue(Variant(int32_t{1}));
  Edit->SetEditValue(Variant(1.0));
  EXPECT_EQ(Events.size(), 4u);
  EXPECT_EQ(Edit->Text(), "1");
  Events.clear();
  Edit->LockInnerControl(true);
  Edit->SetEditValue(Variant(AnsiString("b")));
  Edit->LockInnerControl(false);
  EXPECT_TRUE(Events.empty());
  EXPECT_EQ(Edit->EditValue().VarType(), varDouble);
  EXPECT_EQ(Edit->Text(), "1");
}

// A second Escape undoes nothing and is not eaten.
TEST_F(vxTextEditBase, EscapeRestoresTheEntryValueAndEatsItsCharacter) {
  Enter("ok");
  std::vector<int> pressed;
  Edit->OnKeyPress = [&](TObject*, char& key) { pressed.push_back(static_cast<unsigned char>(key)); };
  Keys(L"x");
  EXPECT_EQ(Edit->Text(), "okx");
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
  EXPECT_EQ(Value(), "ok") << "typing is no value until validated";
  Keys(L"\x1b");
  EXPECT_EQ(Edit->Text(), "ok");
  EXPECT_TRUE(Edit->Modified());
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
  EXPECT_EQ(pressed, std::vector<int>{'x'});
  Keys(L"\x1b");
  EXPECT_EQ(Edit->Text(), "ok");
  EXPECT_EQ(pressed, (std::vector<int>{'x', VK_ESCAPE}));
}

TEST_F(vxTextEditBase, CtrlEnterClicksTheDefaultButtonAndTypesNothing) {
  TvxEditButtons* buttons = Edit->Properties()->Buttons();
  buttons->Add();
  buttons->Add()->SetDefault(true);
  std::vector<int> clicked;
  Edit->Properties()->OnButtonClick = [&](TObject*, int index) { clicked.push_back(index); };
  Enter("ab");
  Chord(VK_CONTROL, VK_RETURN);
  EXPECT_EQ(clicked, std::vector<int>{1});
  EXPECT_EQ(Edit->Text(), "ab");
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
  // The clear key.
  Edit->Properties()->SetClearKey(ShortCut(VK_DELETE, ssCtrl));
  Chord(VK_CONTROL, VK_DELETE);
  EXPECT_TRUE(Edit->EditValue().IsNull());
  EXPECT_EQ(Edit->Text(), "");
}

TEST_F(vxTextEditBase, EnterValidatesOnlyWhenAsked) {
  Enter("a");
  Keys(L"b\r");
  EXPECT_EQ(Value(), "a");
  EXPECT_EQ(Edit->Text(), "ab") << "no line break in the text";
  Edit->Properties()->SetValidateOnEnter(true);
  Keys(L"\r");
  EXPECT_EQ(Value(), "ab");
  EXPECT_EQ(Events, (std::vector<std::string>{"change", "value", "change", "value"}))
      << "the typed character, then the validated value";
}

TEST_F(vxTextEditBase, AnInvalidValueKeepsTheFocusBeepsOnlyWhenAskedAndRaisesItsText) {
  Edit->Properties()->OnValidate = [](TObject*, Variant& value, AnsiString& text, bool& error) {
    error = value.AsString() == "okx";
    text = "bad value";
  };
  Enter("ok");
  Keys(L"x");
  for (const bool beepOnError : {false, true}) {
    SCOPED_TRACE(beepOnError);
    Edit->Properties()->SetBeepOnError(beepOnError);
    TBeepCounter beeps;
    EXPECT_EQ(Raised([] { Keys(L"\t"); }), std::vector<std::string>{"bad value"});
    EXPECT_EQ(GetFocus(), Edit->InnerTextEditControl()->Handle());
    EXPECT_EQ(beeps.Count, beepOnError ? 1 : 0);
    EXPECT_EQ(Edit->SelLength(), 3) << "the text stands selected";
    EXPECT_EQ(Value(), "ok");
  }
  Keys(L"\x1b\t");
  EXPECT_EQ(GetFocus(), Other->Handle());
  EXPECT_EQ(Value(), "ok");
}

// Ctrl+Tab types no tab; Tab leaves and takes the change as the value.
TEST_F(vxTextEditBase, CtrlTabTypesNoTabAndLeavingTakesAValidChange) {
  Enter("ab");
  Chord(VK_CONTROL, VK_TAB);
  EXPECT_EQ(Edit->Text(), "ab");
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
  Enter("ok");
  Keys(L"!\t");
  EXPECT_EQ(GetFocus(), Other->Handle());
  EXPECT_EQ(Value(), "ok!");
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
  EXPECT_TRUE(Edit->Modified());
}

// On a modal close with a result other than Cancel the editor validates silently; a refused
// value leaves the value from entry.
TEST(vxTextEditBaseModal, ModalOkValidatesSilentlyAndCancelDoesNot) {
  edittest::ExpectModalCloseValidatesSilently<TvxTextEdit>([](TvxTextEdit* edit) { return edit->InnerTextEditControl(); });
}

TEST_F(vxTextEditBase, RepositoryItemsOfTextPropertiesRuleTheEditor) {
  TTextItem item(nullptr);
  auto* properties = static_cast<TvxTextEditProperties*>(item.Properties());
  properties->SetMaxLength(2);
  properties->SetCharCase(TEditCharCase::ecUpperCase);
  Edit->SetRepositoryItem(&item);
  EXPECT_EQ(Edit->InnerTextEditControl()->MaxLength(), 2);
  Enter("");
  Keys(L"abc");
  EXPECT_EQ(Edit->Text(), "AB");
  Edit->SetRepositoryItem(nullptr);
  EXPECT_EQ(Edit->InnerTextEditControl()->MaxLength(), 0);
}

TEST_F(vxTextEditBase, InPlaceActivationByKeyAndByMouse) {
  auto* inplace = Place(new TvxTextEdit(Host, true), 100);
  inplace->SetEditValue(Variant(AnsiString("abc")));
  Pump();
  EXPECT_FALSE(inplace->AutoSize());
  TvxCustomEditData* data = nullptr;
  inplace->ActivateByKey('q', data);
  Pump();
  EXPECT_EQ(GetFocus(), inplace->InnerTextEditControl()->Handle());
  EXPECT_EQ(inplace->Text(), "q") << "the key replaced the selected text";
  EXPECT_TRUE(inplace->ModifiedAfterEnter());
  Other->SetFocus();
  Pump();
  const POINT atText = inplace->ClientToScreen(POINT{20, 12});
  inplace->ActivateByMouse(ssLeft, atText.x, atText.y, data);
  Pump();
  EXPECT_EQ(GetFocus(), inplace->InnerTextEditControl()->Handle());
}

TEST_F(vxTextEditBase, AButtonAcceleratorClicksItsButtonFromAnotherControl) {
  Edit->Properties()->Buttons()->Add()->SetCaption("&Open");
  std::vector<int> clicked;
  Edit->Properties()->OnButtonClick = [&](TObject*, int index) { clicked.push_back(index); };
  Other->SetFocus();
  Pump();
  Keys(L"o");
  EXPECT_EQ(clicked, std::vector<int>{0});
}

TEST_F(vxTextEditBase, AutoSizeTakesTheHeightTheLayoutNeeds) {
  TvxScreenCanvas& canvas = *vxScreenCanvas();
  canvas.SetFont(*Edit->Style()->GetVisibleFont());
  const int needed = canvas.TextHeight("Zg") + 1 + 3 + 2 + 2;
  EXPECT_EQ(Edit->Height(), needed);
  Edit->SetHeight(60);
  EXPECT_EQ(Edit->Height(), needed);
  TvxTextEdit fresh(nullptr);
  EXPECT_EQ(fresh.Width(), 121);
  EXPECT_EQ(fresh.Height(), 21);
  EXPECT_TRUE(fresh.BeepOnEnter());
}

TEST_F(vxTextEditBase, OnEditingRefusalAndReadOnlyLeaveTheTextAlone) {
  bool allow = false;
  Edit->OnEditing = [&](TObject*, bool& canEdit) { canEdit = allow; };
  Enter("ab");
  Keys(L"x\b\x7f");
  EXPECT_EQ(Edit->Text(), "ab");
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
  allow = true;
  Keys(L"x");
  EXPECT_EQ(Edit->Text(), "abx");
  Edit->OnEditing = nullptr;
  Edit->Properties()->SetReadOnly(true);
  Enter("ro");
  Keys(L"x\b");
  EXPECT_EQ(Edit->Text(), "ro");
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
}

TEST_F(vxTextEditBase, ARefusedCharacterBeepsUnlessThePropertiesTakeIt) {
  auto* digits = Place(new TBoundEdit<TCharsBinding<IsDigit>>(Host), 50);
  Enter(digits, "");
  {
    TBeepCounter beeps;
    Keys(L"1a2");
    EXPECT_EQ(digits->Text(), "12");
    EXPECT_EQ(beeps.Count, 1);
  }
  std::bitset<256> valid;
  valid.set('a');
  digits->Properties()->SetValidChars(valid);
  TBeepCounter beeps;
  Keys(L"a");
  EXPECT_EQ(digits->Text(), "12a");
  EXPECT_EQ(beeps.Count, 0);
}

// ア 83 41 and ソ 83 5C: their trail bytes alone would be "A" and "\\". A character whose lead
// byte is taken is not judged again by its trail byte.
TEST_F(vxTextEditBase, ARefusedDoubleByteCharacterGoesWhole) {
  auto* single = Place(new TBoundEdit<TCharsBinding<IsSingleByte>>(Host), 50);
  auto* noLetters = Place(new TBoundEdit<TCharsBinding<IsNoLetter>>(Host), 90);
  const std::tuple<TvxCustomTextEdit*, const wchar_t*, const char*, int> cases[] = {
      {single, L"aアソb", "ab", 2}, {noLetters, L"アx1", "ア1", 1}};
  for (const auto& [edit, typed, text, beeps] : cases) {
    Enter(edit, "");
    TBeepCounter beeper;
    Keys(typed);
    EXPECT_EQ(edit->Text(), text);
    EXPECT_EQ(beeper.Count, beeps) << "one beep for each refused character";
  }
}

TEST_F(vxTextEditBase, ImmediatePostPostsTheRestoredValueOnEscape) {
  auto* bound = Place(new TBoundEdit<TRecordingBinding>(Host), 50);
  TRecordingBinding::Stored.clear();
  Enter(bound, "ok");
  bound->Properties()->SetImmediatePost(true);
  Keys(L"x\x1b");
  EXPECT_EQ(bound->Text(), "ok");
  EXPECT_EQ(TRecordingBinding::Stored, std::vector<std::string>{"ok"});
  bound->Properties()->SetImmediatePost(false);
  Keys(L"y\x1b");
  EXPECT_EQ(TRecordingBinding::Stored.size(), 1u);
}

// The caret stays behind the same digit.
TEST_F(vxTextEditBase, NumberTextIsGroupedWhileTypingAndTheCaretKept) {
  auto* number = Place(new TGroupingEdit(Host), 50);
  edittest::TSeparatorsScope separators(',', '.');
  struct Case {
    const wchar_t* Typed;
    const char* Shown;
  };
  for (const Case& c : {Case{L"1234567", "1,234,567"}, Case{L"-123456", "-123,456"}, Case{L"123", "123"}}) {
    SCOPED_TRACE(c.Shown);
    Enter(number, "");
    Keys(c.Typed);
    EXPECT_EQ(number->Text(), c.Shown);
    EXPECT_EQ(number->SelStart(), static_cast<int>(number->Text().size()));
  }
  number->SetSelStart(1);
  Keys(L"9");
  EXPECT_EQ(number->Text(), "1,923");
  EXPECT_EQ(number->SelStart(), 3);
}

TEST_F(vxTextEditBase, AnUnfocusedRightAlignedEditorPaintsItsText) {
  Edit->Properties()->Alignment()->SetHorz(TAlignment::taRightJustify);
  Edit->Style()->SetColor(clWhite);
  Edit->Style()->Font()->SetColor(clBlack);
  Edit->SetEditValue(Variant(AnsiString("WWW")));
  Other->SetFocus();
  Pump();
  Edit->Update();
  controlstest::TPaintBitmap picture(Edit->Width(), Edit->Height());
  HDC dc = GetDC(Edit->Handle());
  BitBlt(picture.Canvas().Handle(), 0, 0, Edit->Width(), Edit->Height(), dc, 0, 0, SRCCOPY);
  ReleaseDC(Edit->Handle(), dc);
  const RECT client = Edit->EditViewInfo()->ClientRect;
  auto darkIn = [&](int left, int right) {
    int dark = 0;
    for (int x = left; x < right; ++x)
      for (int y = client.top; y < client.bottom; ++y)
        if (GetRValue(picture.Pixel(x, y)) < 128) ++dark;
    return dark;
  };
  const int middle = (client.left + client.right) / 2;
  EXPECT_GT(darkIn(middle, client.right), 10) << "the text stands at the right";
  EXPECT_EQ(darkIn(client.left, middle), 0);
}

}  // namespace
