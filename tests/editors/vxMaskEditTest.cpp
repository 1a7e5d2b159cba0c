// The mask edit in a real window, typed at through SendInput: standard, regular-expression and
// extended masks, double-byte literals, validation on leaving and on Enter, bad masks, the
// mask properties' rules and the registration.
#include "EditTestSupport.h"

#include "editors/vxMaskEdit.h"
#include "platform/gui/Clipbrd.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

using edittest::Chord;
using edittest::Keys;
using edittest::Raised;
using guitest::Pump;

namespace {

const std::vector<std::string> Invalid{"The edit value is invalid"};

class vxMaskEdit : public guitest::TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Edit = edittest::Place<TvxMaskEdit>(Host, 10, 10, 150, 24);
    Other = edittest::Place<TvxMaskEdit>(Host, 10, 50, 150, 24);
    Pump();
  }
  void Masked(TvxEditMaskKind AKind, const AnsiString& AMask) {
    Edit->Properties()->SetMaskKind(AKind);
    Edit->Properties()->SetEditMask(AMask);
  }
  // The mask set, the value (if given) shown, the editor focused.
  void Start(TvxEditMaskKind AKind, const AnsiString& AMask, const char* AValue = nullptr) {
    Masked(AKind, AMask);
    if (AValue != nullptr) Edit->SetEditValue(Variant(AnsiString(AValue)));
    Focus();
  }
  void Focus() {
    Edit->SetFocus();
    Pump();
    ASSERT_EQ(GetFocus(), Inner());
  }
  void Leave() {
    Other->SetFocus();
    Pump();
  }
  HWND Inner() { return Edit->InnerTextEditControl()->Handle(); }
  AnsiString Text() { return Edit->InnerTextEditControl()->Text(); }
  int SelStart() { return Edit->InnerTextEdit()->GetSelStart(); }
  int SelLength() { return Edit->InnerTextEdit()->GetSelLength(); }
  std::string Value() { return Edit->EditValue().IsNull() ? "(null)" : Edit->EditValue().AsString(); }
  // Keys, then the text they leave and, where given, the caret.
  struct Step {
    const wchar_t* Keys;
    const char* Text;
    int Caret = -1;
  };
  void Run(std::initializer_list<Step> ASteps) {
    for (const Step& s : ASteps) {
      Keys(s.Keys);
      EXPECT_EQ(Text(), s.Text) << "after the keys of step " << s.Text;
      if (s.Caret >= 0) {
        EXPECT_EQ(SelStart(), s.Caret) << "after the keys of step " << s.Text;
      }
    }
  }

  TvxMaskEdit* Edit = nullptr;
  TvxMaskEdit* Other = nullptr;
  edittest::TBeepCounter Beeps;
};

TEST_F(vxMaskEdit, RegisteredWithItsContainerAndPublishedSettings) {
  TvxRegisteredClasses& registry = GetRegisteredEditProperties();
  const int index = registry.IndexOf(TvxMaskEditProperties::PropertiesClass());
  ASSERT_GE(index, 0);
  EXPECT_EQ(registry.Texts(index), "MaskEdit|Represents a generic masked edit control.");
  TvxMaskEditProperties* props = Edit->Properties();
  ASSERT_NE(props->GetContainerClass(), nullptr);
  EXPECT_STREQ(props->GetContainerClass()->ClassName, "TvxMaskEdit");
  for (const char* name : {"EditMask", "maskkind", "IgnoreMaskBlank", "CaseInsensitive",
                           "AlwaysShowBlanksAndLiterals", "CharCase", "ValidateOnEnter"})
    EXPECT_TRUE(props->IsPublishedProperty(name)) << name;
  EXPECT_FALSE(props->IsPublishedProperty("DisplayFormat"));
}

TEST_F(vxMaskEdit, StandardMaskKeys) {
  Start(emkStandard, "(000)000;1;_");
  EXPECT_EQ(Text(), "(___)___");
  Edit->Properties()->SetBeepOnError(true);
  // The letter refused, the literal skipped, Left over the literal.
  Run({{L"12a3456", "(123)456"}, {L"\b", "(123)45_"}, {L"←←←", "(123)45_", 3}, {L"\x7f", "(12_)45_"},
       {L"9", "(129)45_"}});
  EXPECT_EQ(Beeps.Count, 1);
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
  // Double-byte characters at positions that take any character; the block caret covers one whole.
  Start(emkStandard, "CCC;1;_", "");
  Run({{L"≪アb", "アb"}, {L"≪", "アb", 0}});
  EXPECT_EQ(SelLength(), 2);
}

TEST_F(vxMaskEdit, RegularExpressionMaskKeys) {
  Start(emkRegExpr, "\\d{1,3}-\\d");
  Edit->Properties()->SetBeepOnError(true);
  Run({{L"12x-3", "12-3"}});
  EXPECT_EQ(Beeps.Count, 1);
  // Four digits leave no place for the rest.
  Run({{L"←←4", "124-3"}, {L"≪→5", "15"}, {L"-6", "15-6"}});
}

// The separator goes with the second digit; a double-byte literal is completed; a typed
// double-byte character is stepped whole and what follows it completed after it.
TEST_F(vxMaskEdit, ExtendedMaskTypesTheSeparatorAndCompletesADoubleByteLiteral) {
  Start(emkRegExprEx, "\\d\\d/\\d\\d");
  Run({{L"12", "12/", 3}, {L"\b", "1"}, {L"2345", "12/34"}, {L"\r", "12/34"}});
  EXPECT_EQ(Value(), "12/34");
  Start(emkRegExprEx, "\\d\\d年", "");
  Run({{L"12", "12年", 4}, {L"\b", "1"}});
  Start(emkRegExprEx, "(ア|\\d)-", "");
  Run({{L"ア", "ア-"}});
}

// Leaving by Tab keeps the focus and beeps only with BeepOnError.
TEST_F(vxMaskEdit, IncompleteValueIsInvalidOnLeavingAndOnEnter) {
  Start(emkRegExpr, "\\d\\d:\\d\\d");
  Keys(L"12:3");
  for (const bool beepOnError : {false, true}) {
    SCOPED_TRACE(beepOnError);
    Edit->Properties()->SetBeepOnError(beepOnError);
    Beeps.Count = 0;
    EXPECT_EQ(Raised([&] { Keys(L"\t"); }), Invalid);
    EXPECT_EQ(GetFocus(), Inner());
    EXPECT_EQ(Beeps.Count, beepOnError ? 1 : 0);
  }
  EXPECT_EQ(Raised([&] { Leave(); }), Invalid);
  EXPECT_EQ(Raised([&] { Keys(L"≫\r"); }), Invalid) << "ValidateOnEnter is on";
  // A partly typed value passes with IgnoreMaskBlank (a properties change shows the value
  // anew, so the text is typed again).
  Edit->Properties()->SetIgnoreMaskBlank(true);
  Edit->SelectAll();
  EXPECT_TRUE(Raised([&] { Keys(L"12:3\r"); }).empty());
  EXPECT_EQ(Value(), "12:3");
}

TEST_F(vxMaskEdit, TextSetByCodeThatTheMaskRefusesStaysUntilValidation) {
  Start(emkRegExpr, "\\d+", "12ab");
  EXPECT_EQ(Text(), "12ab");
  edittest::Select(Edit, 2, 0);
  Run({{L"3", "123ab"}});
  EXPECT_EQ(Raised([&] { Keys(L"\r"); }), Invalid);
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
      {"(a|)[", "Regular expression errors:\r\nLine1, Char6: Missing ']'"},
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
  Run({{L"1a2", "12"}});
}

TEST_F(vxMaskEdit, MaskPropertiesRules) {
  TvxMaskEditProperties* props = Edit->Properties();
  EXPECT_TRUE(props->CaseInsensitive());
  // A mask of blanks only is no mask: the edit types as a text edit.
  props->SetEditMask(" \t ");
  EXPECT_FALSE(props->IsMasked());
  props->SetMaxLength(5);
  Focus();
  Run({{L"abc", "abc"}});
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
  Run({{L"AB1", ""}, {L"ab1", "ab1"}});
  EXPECT_FALSE(Edit->Properties()->Mode()->IsFullValidText("AB1"));
  Edit->Properties()->SetCaseInsensitive(true);
  EXPECT_TRUE(Edit->Properties()->Mode()->IsFullValidText("AB1"));
  Edit->SelectAll();
  Run({{L"AB2", "ab2"}});  // in the pattern's case
}

// A setting changed while the user types keeps what was typed as the user's: leaving takes it
// as the value. A new mask shows the value anew under it.
TEST_F(vxMaskEdit, SettingChangedWhileTypingKeepsTheTypedText) {
  Start(emkRegExpr, "\\d+");
  Keys(L"12");
  Edit->Properties()->SetIgnoreMaskBlank(true);
  EXPECT_EQ(Text(), "12");
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
  Leave();
  EXPECT_EQ(Value(), "12");

  Focus();
  Edit->SelectAll();
  Keys(L"34");
  Edit->Properties()->SetEditMask("\\d\\d-\\d");
  EXPECT_EQ(Text(), "12") << "the value under the new mask";
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
  Leave();
  EXPECT_EQ(Value(), "12");
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

TEST_F(vxMaskEdit, StandardMaskSelectionKeysAndEscape) {
  Start(emkStandard, "(000)000;1;_", "(123)456");
  Edit->SetSelStart(6);
  EXPECT_EQ(SelLength(), 1) << "the block caret";
  Chord(VK_SHIFT, VK_LEFT);
  EXPECT_EQ((std::pair{SelStart(), SelLength()}), (std::pair{5, 2})) << "grown from the caret, not the far end";
  Chord(VK_CONTROL, VK_RIGHT);
  EXPECT_EQ(SelStart(), 8);
  Chord(VK_CONTROL, VK_LEFT);
  EXPECT_EQ(SelStart(), 1) << "Ctrl+Left: to the first input position";
  // Escape takes the change back and its character goes nowhere.
  Run({{L"9", "(923)456"}, {L"\x1b", "(123)456"}});
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
}

// Pasted characters go to the input positions as typed ones do, overwriting as many as they
// bring and leaving the caret after them: a selection is cleared first (not the block caret),
// literals stay where they are, characters the mask refuses are left out with one beep, and a
// paste the mask refuses whole changes nothing.
TEST_F(vxMaskEdit, PasteIntoAStandardMaskKeepsItsLiterals) {
  Edit->Properties()->SetBeepOnError(true);
  const char* const phone = "(000)000;1;_";
  const char* const month = "0000年00月;1;_";
  const struct {
    const char* Mask;
    const char* Value;
    int SelStart;  // with SelLength the selection pasted over; -1: Home (the block caret)
    int SelLength;
    const char* Clipboard;
    const char* Text;
    int Caret;
    int Beeps;
    int Length = -1;  // the selection afterwards, when it matters
  } cases[] = {{phone, "", -1, 0, "12345", "(123)45_", 7, 0},
               {phone, "", -1, 0, "a9", "(9__)___", 2, 1},
               {phone, "", -1, 0, "123456789", "(123)456", 8, 0},
               {phone, "(123)456", -1, 0, "99", "(993)456", 3, 0},
               {month, "2024年12月", 0, 10, "2ア0x24年1", "2024年1_月", 7, 1, 1},
               {month, "2024年12月", 0, 10, "2025123199", "2025年12月", 10, 0},
               {month, "2024年12月", 4, 4, "3", "2024年3_月", 7, 0, 1},
               {month, "2024年12月", 0, 10, "アx", "2024年12月", 0, 1, 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Clipboard);
    Masked(emkStandard, c.Mask);
    Edit->SetEditValue(Variant(AnsiString(c.Value)));
    Focus();
    if (c.SelStart < 0)
      Keys(L"≪");
    else
      edittest::Select(Edit, c.SelStart, c.SelLength);
    const AnsiString before = Text();
    SetClipboardText(c.Clipboard);
    Beeps.Count = 0;
    Chord(VK_CONTROL, 'V');
    EXPECT_EQ(Text(), c.Text);
    EXPECT_EQ(SelStart(), c.Caret);
    if (c.Length >= 0) {
      EXPECT_EQ(SelLength(), c.Length);
    }
    EXPECT_EQ(Beeps.Count, c.Beeps);
    if (Text() != before) {
      EXPECT_TRUE(Edit->ModifiedAfterEnter());
    }
  }
}

// Shift+Left from the block caret over a double-byte character grows the selection from the
// caret as from any block caret.
TEST_F(vxMaskEdit, ShiftLeftFromADoubleByteBlockCaret) {
  Start(emkStandard, "CCCC", "aアb");
  Edit->SetSelStart(1);
  ASSERT_EQ(SelLength(), 2);
  Chord(VK_SHIFT, VK_LEFT);
  EXPECT_EQ(SelStart(), 0);
  EXPECT_EQ(SelLength(), 3) << "a and ア";
}

// A cut or a clear in a standard mask blanks the input positions it takes, as Delete does:
// the literals and every position after them stay where they are.
TEST_F(vxMaskEdit, CutAndClearInAStandardMaskKeepThePositions) {
  Start(emkStandard, "(000)000;1;_", "(123)456");
  SendMessageA(Inner(), EM_SETSEL, 2, 6);
  Chord(VK_SHIFT, VK_DELETE);
  EXPECT_EQ(Text(), "(1__)_56");
  EXPECT_EQ(ClipboardText(), "23)4");
  EXPECT_EQ(SelStart(), 2);
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
  SendMessageA(Inner(), EM_SETSEL, 6, 8);
  SendMessageA(Inner(), WM_CLEAR, 0, 0);
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
    Run({{L"≫3\b≪\x7f", "12"}});
    EXPECT_FALSE(Edit->ModifiedAfterEnter());
    EXPECT_TRUE(readOnly || asked >= 1) << "OnEditing was asked";
    Edit->OnEditing = nullptr;
    Edit->Properties()->SetReadOnly(false);
  }
}

// The inner edit reports the press before the EDIT moves the caret: the block caret follows
// the release.
TEST_F(vxMaskEdit, ClickInAStandardMaskShowsTheBlockCaret) {
  Start(emkStandard, "(000)000;1;_", "(123)456");
  Edit->SetSelStart(8);
  // The middle of the inner edit's text, whatever the font.
  const LRESULT at = SendMessageA(Inner(), EM_POSFROMCHAR, 3, 0);
  POINT p{static_cast<SHORT>(LOWORD(at)) + 1, Edit->InnerTextEditControl()->Height() / 2};
  ClientToScreen(Inner(), &p);
  guitest::MouseMoveTo(p);
  guitest::MouseButton(true);
  guitest::MouseButton(false);
  edittest::Settle();
  EXPECT_EQ(SelStart(), 3);
  EXPECT_EQ(SelLength(), 1);
}

// The mask works on the text a cut left and on text set from code.
TEST_F(vxMaskEdit, RegularExpressionMaskFollowsACutAndTextFromCode) {
  Start(emkRegExpr, "\\d{1,3}-\\d", "123-4");
  Keys(L"≫");
  SendMessageA(Inner(), EM_SETSEL, 0, 2);  // selected behind the editor's back
  Chord(VK_SHIFT, VK_DELETE);
  EXPECT_EQ(Text(), "3-4");
  EXPECT_EQ(ClipboardText(), "12");
  Run({{L"5", "53-4"}, {L"≫", "53-4"}});
  SendMessageA(Edit->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("7-8"));
  Pump();
  EXPECT_EQ(Text(), "7-8");
  SendMessageA(Inner(), EM_SETSEL, 0, 0);
  Run({{L"99", "997-8"}});
}

}  // namespace
