// The mask edit in a real window, typed at through SendInput: standard, regular-expression and
// extended masks, double-byte literals, validation on leaving and on Enter, bad masks, the
// mask properties' rules and the registration.
#include "EditTestSupport.h"

#include "editors/vxMaskEdit.h"
#include "platform/gui/Clipbrd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using edittest::Settle;
using edittest::TBeepCounter;
using guitest::Pump;

namespace {

class vxMaskEdit : public guitest::TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Edit = new TvxMaskEdit(Host);
    Edit->SetBounds(10, 10, 150, 24);
    Edit->SetParent(Host);
    Other = new TvxMaskEdit(Host);
    Other->SetBounds(10, 50, 150, 24);
    Other->SetParent(Host);
    Pump();
  }
  void Masked(TvxEditMaskKind AKind, const AnsiString& AMask) {
    Edit->Properties()->SetMaskKind(AKind);
    Edit->Properties()->SetEditMask(AMask);
  }
  void Focus() {
    Edit->SetFocus();
    Pump();
    ASSERT_EQ(GetFocus(), Edit->InnerTextEditControl()->Handle());
  }
  AnsiString Text() { return Edit->InnerTextEditControl()->Text(); }
  int SelStart() { return Edit->InnerTextEdit()->GetSelStart(); }
  void Type(std::wstring_view AText) {
    guitest::TypeText(AText);
    Settle();
  }
  void Tap(WORD AKey, int ATimes = 1) {
    for (int i = 0; i < ATimes; ++i) guitest::TapKey(AKey);
    Settle();
  }

  TvxMaskEdit* Edit = nullptr;
  TvxMaskEdit* Other = nullptr;
};

TEST_F(vxMaskEdit, RegisteredAsMaskEdit) {
  TvxRegisteredClasses& registry = GetRegisteredEditProperties();
  const int index = registry.IndexOf(TvxMaskEditProperties::PropertiesClass());
  ASSERT_GE(index, 0);
  EXPECT_EQ(registry.Texts(index), "MaskEdit|Represents a generic masked edit control.");
}

TEST_F(vxMaskEdit, StandardMaskKeys) {
  Masked(emkStandard, "(000)000;1;_");
  Focus();
  EXPECT_EQ(Text(), "(___)___");
  TBeepCounter beeps;
  Edit->Properties()->SetBeepOnError(true);
  Type(L"12a3456");
  EXPECT_EQ(Text(), "(123)456") << "the letter refused, the literal skipped";
  EXPECT_EQ(beeps.Count, 1);
  Tap(VK_BACK);
  EXPECT_EQ(Text(), "(123)45_");
  Tap(VK_LEFT, 3);
  EXPECT_EQ(SelStart(), 3) << "over the literal";
  Tap(VK_DELETE);
  EXPECT_EQ(Text(), "(12_)45_");
  Type(L"9");
  EXPECT_EQ(Text(), "(129)45_");
  EXPECT_TRUE(Edit->ModifiedAfterEnter());

  // Double-byte characters at positions that take any character.
  Masked(emkStandard, "CCC;1;_");
  Edit->SetEditValue(Variant(AnsiString()));
  Focus();
  Tap(VK_HOME);
  Type(L"アb");
  EXPECT_EQ(Text(), "アb");
  Tap(VK_HOME);
  EXPECT_EQ(Edit->InnerTextEdit()->GetSelLength(), 2) << "the block caret covers the whole character";
}

TEST_F(vxMaskEdit, RegularExpressionMaskKeys) {
  Masked(emkRegExpr, "\\d{1,3}-\\d");
  Focus();
  TBeepCounter beeps;
  Edit->Properties()->SetBeepOnError(true);
  Type(L"12x-3");
  EXPECT_EQ(Text(), "12-3");
  EXPECT_EQ(beeps.Count, 1);
  Tap(VK_LEFT, 2);
  Type(L"4");
  EXPECT_EQ(Text(), "124-3");
  Tap(VK_HOME);
  Tap(VK_RIGHT);
  Type(L"5");
  EXPECT_EQ(Text(), "15") << "four digits leave no place for the rest";
  Type(L"-6");
  EXPECT_EQ(Text(), "15-6");
}

TEST_F(vxMaskEdit, ExtendedMaskTypesTheSeparator) {
  Masked(emkRegExprEx, "\\d\\d/\\d\\d");
  Focus();
  Type(L"12");
  EXPECT_EQ(Text(), "12/");
  EXPECT_EQ(SelStart(), 3);
  Tap(VK_BACK);
  EXPECT_EQ(Text(), "1") << "the separator goes with the second digit";
  Type(L"2345");
  EXPECT_EQ(Text(), "12/34");
  Tap(VK_RETURN);
  EXPECT_EQ(Edit->EditValue().AsString(), "12/34");
}

TEST_F(vxMaskEdit, ExtendedMaskCompletesADoubleByteLiteral) {
  Masked(emkRegExprEx, "\\d\\d年");
  Focus();
  Type(L"12");
  EXPECT_EQ(Text(), "12年");
  EXPECT_EQ(SelStart(), 4);
  Tap(VK_BACK);
  EXPECT_EQ(Text(), "1");
  // A typed double-byte character is stepped whole, and what follows it is completed after it.
  Masked(emkRegExprEx, "(ア|\\d)-");
  Edit->SetEditValue(Variant(AnsiString()));
  Focus();
  Type(L"ア");
  EXPECT_EQ(Text(), "ア-");
}

TEST_F(vxMaskEdit, IncompleteValueIsInvalidOnLeavingAndOnEnter) {
  Masked(emkRegExpr, "\\d\\d:\\d\\d");
  Focus();
  Type(L"12:3");
  {
    guitest::TExceptionCatcher caught;
    Other->SetFocus();
    Pump();
    EXPECT_EQ(caught.Messages(), std::vector<std::string>{"The edit value is invalid"});
    EXPECT_EQ(GetFocus(), Edit->InnerTextEditControl()->Handle());
  }
  {
    guitest::TExceptionCatcher caught;
    Tap(VK_END);
    Tap(VK_RETURN);
    EXPECT_EQ(caught.Messages(), std::vector<std::string>{"The edit value is invalid"}) << "ValidateOnEnter is on";
  }
  // A partly typed value passes with IgnoreMaskBlank (a properties change shows the value
  // anew, so the text is typed again).
  Edit->Properties()->SetIgnoreMaskBlank(true);
  {
    guitest::TExceptionCatcher caught;
    Edit->SelectAll();
    Type(L"12:3");
    Tap(VK_RETURN);
    EXPECT_TRUE(caught.Messages().empty());
    EXPECT_EQ(Edit->EditValue().IsNull() ? "(null)" : Edit->EditValue().AsString(), "12:3");
  }
}

TEST_F(vxMaskEdit, TextSetByCodeThatTheMaskRefusesStaysUntilValidation) {
  Masked(emkRegExpr, "\\d+");
  Edit->SetEditValue(Variant(AnsiString("12ab")));
  Focus();
  EXPECT_EQ(Text(), "12ab");
  Edit->SetSelStart(2);
  Edit->SetSelLength(0);
  Type(L"3");
  EXPECT_EQ(Text(), "123ab");
  guitest::TExceptionCatcher caught;
  Tap(VK_RETURN);
  EXPECT_EQ(caught.Messages(), std::vector<std::string>{"The edit value is invalid"});
}

TEST_F(vxMaskEdit, BadRegularExpressionIsRefusedWithItsErrors) {
  Masked(emkRegExpr, "\\d\\d");
  const struct {
    const char* Mask;
    const char* Message;
  } cases[] = {
      {"(\\d", "Regular expression errors:\r\nMissing ')'"},
      {"*", "Regular expression errors:\r\nLine1, Char1: Illegal quantifier '*'"},
      {"a|b)", "Regular expression errors:\r\nUnnecessary ')'"},
  };
  for (const auto& c : cases) {
    try {
      Edit->Properties()->SetEditMask(c.Mask);
      ADD_FAILURE() << c.Mask << ": no error";
    } catch (const EvxMaskEditError& e) {
      EXPECT_EQ(AnsiString(e.Message()), c.Message) << c.Mask;
    }
    EXPECT_EQ(Edit->Properties()->EditMask(), "\\d\\d") << "the mask in force stays";
  }
  // A kind the mask makes no sense in is refused as well.
  Masked(emkStandard, "(999");
  EXPECT_THROW(Edit->Properties()->SetMaskKind(emkRegExpr), EvxMaskEditError);
  EXPECT_EQ(Edit->Properties()->MaskKind(), emkStandard);
  Edit->Properties()->SetEditMask("\\d\\d");
  Edit->Properties()->SetMaskKind(emkRegExpr);
  Focus();
  Type(L"1a2");
  EXPECT_EQ(Text(), "12");
}

TEST_F(vxMaskEdit, MaskPropertiesRules) {
  TvxMaskEditProperties* props = Edit->Properties();
  EXPECT_TRUE(props->ValidateOnEnter());
  EXPECT_TRUE(props->CaseInsensitive());

  // A mask of blanks only is no mask: the edit types as a text edit.
  props->SetEditMask(" \t ");
  EXPECT_FALSE(props->IsMasked());
  props->SetMaxLength(5);
  EXPECT_EQ(props->MaxLength(), 5);
  Focus();
  Type(L"abc");
  EXPECT_EQ(Text(), "abc");

  props->SetEditMask("LLL");
  EXPECT_EQ(props->MaxLength(), 0) << "no length limit under a mask";
  props->SetMaxLength(7);
  EXPECT_EQ(props->MaxLength(), 0);

  props->SetCaseInsensitive(false);
  props->SetCharCase(TEditCharCase::ecUpperCase);
  EXPECT_TRUE(props->CaseInsensitive());
  props->SetCaseInsensitive(false);
  EXPECT_TRUE(props->CaseInsensitive()) << "kept on while the case is forced";

  TvxMaskEditProperties copy(nullptr);
  copy.Assign(props);
  EXPECT_EQ(copy.EditMask(), "LLL");
  EXPECT_EQ(copy.MaskKind(), emkStandard);
}

// CaseInsensitive changed after the mask holds for typing and for validation alike.
TEST_F(vxMaskEdit, CaseInsensitiveChangedAfterTheMaskTakesEffect) {
  Masked(emkRegExpr, "ab\\d");
  Edit->Properties()->SetCaseInsensitive(false);
  Focus();
  Type(L"AB1");
  EXPECT_EQ(Text(), "") << "upper-case letters refused";
  Type(L"ab1");
  EXPECT_EQ(Text(), "ab1");
  EXPECT_FALSE(Edit->Properties()->Mode()->IsFullValidText("AB1"));
  Edit->Properties()->SetCaseInsensitive(true);
  EXPECT_TRUE(Edit->Properties()->Mode()->IsFullValidText("AB1"));
  Edit->SelectAll();
  Type(L"AB2");
  EXPECT_EQ(Text(), "ab2") << "in the pattern's case";
}

// A setting changed while the user types keeps what was typed as the user's: leaving takes it
// as the value. A new mask shows the value anew under it.
TEST_F(vxMaskEdit, SettingChangedWhileTypingKeepsTheTypedText) {
  Masked(emkRegExpr, "\\d+");
  Focus();
  Type(L"12");
  Edit->Properties()->SetIgnoreMaskBlank(true);
  EXPECT_EQ(Text(), "12");
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
  Other->SetFocus();
  Pump();
  EXPECT_EQ(Edit->EditValue().IsNull() ? "(null)" : Edit->EditValue().AsString(), "12");

  Focus();
  Edit->SelectAll();
  Type(L"34");
  Edit->Properties()->SetEditMask("\\d\\d-\\d");
  EXPECT_EQ(Text(), "12") << "the value under the new mask";
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
  Other->SetFocus();
  Pump();
  EXPECT_EQ(Edit->EditValue().AsString(), "12");
}

TEST_F(vxMaskEdit, UnfocusedStandardMaskShowsBlanksOnlyWhenAsked) {
  Masked(emkStandard, "(000)000;1;_");
  Pump();
  EXPECT_EQ(Text(), "(   )   ") << "no blank characters, only the literals of the value";
  Edit->Properties()->SetAlwaysShowBlanksAndLiterals(true);
  Pump();
  EXPECT_EQ(Text(), "(___)___");
  Edit->SetEditValue(Variant(AnsiString("(12 )   ")));
  EXPECT_EQ(Text(), "(12_)___");
}

TEST_F(vxMaskEdit, StandardMaskSelectionKeysEscapeAndPaste) {
  Masked(emkStandard, "(000)000;1;_");
  Edit->SetEditValue(Variant(AnsiString("(123)456")));
  Focus();
  Edit->SetSelStart(6);
  EXPECT_EQ(Edit->InnerTextEdit()->GetSelLength(), 1) << "the block caret";
  // Shift+Left grows the selection from the caret, not from the block's far end.
  guitest::TapKeyWith(VK_SHIFT, VK_LEFT);
  Settle();
  EXPECT_EQ(SelStart(), 5);
  EXPECT_EQ(Edit->InnerTextEdit()->GetSelLength(), 2);
  guitest::TapKeyWith(VK_CONTROL, VK_RIGHT);
  Settle();
  EXPECT_EQ(SelStart(), 8);
  guitest::TapKeyWith(VK_CONTROL, VK_LEFT);
  Settle();
  EXPECT_EQ(SelStart(), 1) << "Ctrl+Left: to the first input position";

  // A paste overwrites as many positions as it brings and leaves the caret after them.
  SetClipboardText("99");
  guitest::TapKeyWith(VK_CONTROL, 'V');
  Settle();
  EXPECT_EQ(Text(), "(993)456");
  EXPECT_EQ(SelStart(), 3);
  EXPECT_TRUE(Edit->ModifiedAfterEnter());

  // Escape takes the change back and its character goes nowhere.
  Tap(VK_ESCAPE);
  EXPECT_EQ(Text(), "(123)456");
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
}

// Pasted characters go to the input positions as typed ones do: literals stay where they
// are, characters the mask refuses are left out with a beep.
TEST_F(vxMaskEdit, PasteIntoAStandardMaskKeepsItsLiterals) {
  Masked(emkStandard, "(000)000;1;_");
  Edit->Properties()->SetBeepOnError(true);
  Focus();
  const struct {
    const char* Clipboard;
    const char* Text;
    int Caret;
    int Beeps;
  } cases[] = {
      {"12345", "(123)45_", 7, 0},
      {"a9", "(9__)___", 2, 1},
      {"123456789", "(123)456", 8, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Clipboard);
    Edit->SetEditValue(Variant(AnsiString()));
    Tap(VK_HOME);
    SetClipboardText(c.Clipboard);
    TBeepCounter beeps;
    guitest::TapKeyWith(VK_CONTROL, 'V');
    Settle();
    EXPECT_EQ(Text(), c.Text);
    EXPECT_EQ(SelStart(), c.Caret);
    EXPECT_EQ(beeps.Count, c.Beeps);
  }
}

// Shift+Left from the block caret over a double-byte character grows the selection from the
// caret as from any block caret.
TEST_F(vxMaskEdit, ShiftLeftFromADoubleByteBlockCaret) {
  Masked(emkStandard, "CCCC");
  Edit->SetEditValue(Variant(AnsiString("aアb")));
  Focus();
  Edit->SetSelStart(1);
  ASSERT_EQ(Edit->InnerTextEdit()->GetSelLength(), 2);
  guitest::TapKeyWith(VK_SHIFT, VK_LEFT);
  Settle();
  EXPECT_EQ(SelStart(), 0);
  EXPECT_EQ(Edit->InnerTextEdit()->GetSelLength(), 3) << "a and ア";
}

// A cut or a clear in a standard mask blanks the input positions it takes, as Delete does:
// the literals and every position after them stay where they are.
TEST_F(vxMaskEdit, CutAndClearInAStandardMaskKeepThePositions) {
  Masked(emkStandard, "(000)000;1;_");
  Edit->SetEditValue(Variant(AnsiString("(123)456")));
  Focus();
  HWND inner = Edit->InnerTextEditControl()->Handle();
  SendMessageA(inner, EM_SETSEL, 2, 6);
  guitest::TapKeyWith(VK_SHIFT, VK_DELETE);
  Settle();
  EXPECT_EQ(Text(), "(1__)_56");
  EXPECT_EQ(ClipboardText(), "23)4");
  EXPECT_EQ(SelStart(), 2);
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
  SendMessageA(inner, EM_SETSEL, 6, 8);
  SendMessageA(inner, WM_CLEAR, 0, 0);
  Pump();
  EXPECT_EQ(Text(), "(1__)___");
  EXPECT_EQ(ClipboardText(), "23)4");
}

TEST_F(vxMaskEdit, ReadOnlyOrRefusedMaskedEditKeepsItsText) {
  for (const bool readOnly : {true, false}) {
    SCOPED_TRACE(readOnly);
    Masked(readOnly ? emkRegExpr : emkStandard, readOnly ? "\\d+" : "00;1;_");
    Edit->SetEditValue(Variant(AnsiString("12")));
    Edit->Properties()->SetReadOnly(readOnly);
    int asked = 0;
    if (!readOnly) {
      Edit->OnEditing = [&](TObject*, bool& canEdit) {
        ++asked;
        canEdit = false;
      };
    }
    Focus();
    Tap(VK_END);
    Type(L"3");
    Tap(VK_BACK);
    Tap(VK_HOME);
    Tap(VK_DELETE);
    EXPECT_EQ(Text(), "12");
    EXPECT_FALSE(Edit->ModifiedAfterEnter());
    EXPECT_TRUE(readOnly || asked >= 1) << "OnEditing was asked";
    Edit->OnEditing = nullptr;
    Edit->Properties()->SetReadOnly(false);
  }
}

TEST_F(vxMaskEdit, InvalidValueOnLeavingBeepsOnlyWithBeepOnError) {
  Masked(emkStandard, "000");
  Focus();
  Type(L"1");
  for (const bool beepOnError : {false, true}) {
    SCOPED_TRACE(beepOnError);
    Edit->Properties()->SetBeepOnError(beepOnError);
    Edit->SelectAll();
    Type(L"1");
    TBeepCounter beeps;
    guitest::TExceptionCatcher caught;
    Tap(VK_TAB);
    EXPECT_EQ(caught.Messages(), std::vector<std::string>{"The edit value is invalid"});
    EXPECT_EQ(GetFocus(), Edit->InnerTextEditControl()->Handle());
    EXPECT_EQ(beeps.Count, beepOnError ? 1 : 0);
  }
}

TEST_F(vxMaskEdit, ContainerClassAndPublishedMaskSettings) {
  TvxMaskEditProperties* props = Edit->Properties();
  ASSERT_NE(props->GetContainerClass(), nullptr);
  EXPECT_STREQ(props->GetContainerClass()->ClassName, "TvxMaskEdit");
  for (const char* name : {"EditMask", "maskkind", "IgnoreMaskBlank", "CaseInsensitive",
                           "AlwaysShowBlanksAndLiterals", "CharCase", "ValidateOnEnter"})
    EXPECT_TRUE(props->IsPublishedProperty(name)) << name;
  EXPECT_FALSE(props->IsPublishedProperty("DisplayFormat"));
}

TEST_F(vxMaskEdit, ClickInAStandardMaskShowsTheBlockCaret) {
  Masked(emkStandard, "(000)000;1;_");
  Edit->SetEditValue(Variant(AnsiString("(123)456")));
  Focus();
  Edit->SetSelStart(8);
  TvxCustomInnerTextEdit* inner = Edit->InnerTextEditControl();
  // The middle of the inner edit's text, whatever the font.
  const LRESULT at = SendMessageA(inner->Handle(), EM_POSFROMCHAR, 3, 0);
  POINT p{static_cast<SHORT>(LOWORD(at)) + 1, inner->Height() / 2};
  ClientToScreen(inner->Handle(), &p);
  guitest::MouseMoveTo(p);
  guitest::MouseButton(true);
  guitest::MouseButton(false);
  Settle();
  EXPECT_EQ(SelStart(), 3);
  EXPECT_EQ(Edit->InnerTextEdit()->GetSelLength(), 1);
}

TEST_F(vxMaskEdit, RegularExpressionMaskFollowsACutAndTextFromCode) {
  Masked(emkRegExpr, "\\d{1,3}-\\d");
  Edit->SetEditValue(Variant(AnsiString("123-4")));
  Focus();
  Tap(VK_END);
  // Selected behind the editor's back, then cut by the user.
  SendMessageA(Edit->InnerTextEditControl()->Handle(), EM_SETSEL, 0, 2);
  guitest::TapKeyWith(VK_SHIFT, VK_DELETE);
  Settle();
  EXPECT_EQ(Text(), "3-4");
  EXPECT_EQ(ClipboardText(), "12");
  Type(L"5");
  EXPECT_EQ(Text(), "53-4") << "the mask works on the text the cut left";
  Tap(VK_END);
  SendMessageA(Edit->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("7-8"));
  Pump();
  EXPECT_EQ(Text(), "7-8");
  SendMessageA(Edit->InnerTextEditControl()->Handle(), EM_SETSEL, 0, 0);
  Type(L"99");
  EXPECT_EQ(Text(), "997-8") << "and on text set from code";
}

}  // namespace
