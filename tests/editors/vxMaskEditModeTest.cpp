// The mask modes on a stand-in edit that behaves as the inner EDIT does (typing replaces the
// selection, Backspace and Delete take whole characters, a lead byte waits for its trail
// byte): what each key leaves in the text and where the caret goes, in the standard, the
// regular-expression and the extended mode.
#include "editors/vxMaskEdit.h"

#include "platform/rtl/SysStrings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <memory>
#include <string>

namespace {

class TFakeEdit : public IvxMaskModeEdit {
public:
  explicit TFakeEdit(TvxCustomMaskEditProperties* AProperties) : Props(AProperties) {}

  AnsiString Text;
  int SelStart = 0;
  int SelLength = 0;
  bool Focused = true;
  bool Shift = false;
  int Beeps = 0;
  int Changes = 0;
  AnsiString Value;  // what SetMaskEditValue and UpdateMaskDisplay work with
  TvxCustomMaskEditProperties* Props;
  TvxMaskEditCustomMode* Mode = nullptr;

  AnsiString MaskText() override { return Text; }
  void SetMaskText(const AnsiString& AText) override {
    Text = AText;
    ++Changes;
    Clamp();
  }
  int MaskSelStart() override { return SelStart; }
  void SetMaskSelStart(int AValue) override {
    SelStart = std::clamp<int>(AValue, 0, static_cast<int>(Text.size()));
    SelLength = 0;
  }
  int MaskSelLength() override { return SelLength; }
  void SetMaskSelLength(int AValue) override {
    SelLength = std::clamp<int>(AValue, 0, static_cast<int>(Text.size()) - SelStart);
  }
  int MaskCaretPosition() override { return SelStart + SelLength; }
  bool MaskFocused() override { return Focused; }
  bool MaskDesigning() override { return false; }
  bool MaskShiftDown() override { return Shift; }
  TvxCustomMaskEditProperties* MaskProperties() override { return Props; }
  void SendMaskKey(WORD AKey) override { Key(AKey); }
  void SendMaskChar(char AChar) override { Char(AChar); }
  void MaskBeep() override { ++Beeps; }
  bool IsMaskCharValid(char& AChar, int APosition) override { return true; }
  void UpdateMaskDisplay() override {
    Variant shown;
    Props->PrepareDisplayValue(Variant(Value), shown, Focused);
    Text = shown.AsString();
    Mode->SetText(Text);
  }
  void SetMaskEditValue(const AnsiString& AText) override { Value = AText; }

  // What the EDIT does with a character and a key.
  void Char(char AChar) {
    if (Lead != 0) {
      const AnsiString pair{Lead, AChar};
      Lead = 0;
      Insert(pair);
      return;
    }
    if (IsLeadByte(static_cast<unsigned char>(AChar))) {
      Lead = AChar;
      return;
    }
    if (AChar == '\b') {
      Key(VK_BACK);
      return;
    }
    Insert(AnsiString(1, AChar));
  }
  void Key(WORD AKey) {
    switch (AKey) {
      case VK_BACK:
        if (SelLength == 0 && SelStart > 0) {
          const int length = SelStart >= 2 && IsTrailByteAt(Text, static_cast<size_t>(SelStart - 1)) ? 2 : 1;
          SelStart -= length;
          SelLength = length;
        }
        Insert("");
        break;
      case VK_DELETE:
        if (SelLength == 0 && SelStart < static_cast<int>(Text.size()))
          SelLength = static_cast<int>(NextCharIndex(Text, static_cast<size_t>(SelStart))) - SelStart;
        Insert("");
        break;
      case VK_LEFT:
        if (SelStart > 0) SelStart -= SelStart >= 2 && IsTrailByteAt(Text, static_cast<size_t>(SelStart - 1)) ? 2 : 1;
        SelLength = 0;
        break;
      case VK_RIGHT:
        SelStart = std::min<int>(static_cast<int>(NextCharIndex(Text, static_cast<size_t>(SelStart))), Text.size());
        SelLength = 0;
        break;
      case VK_HOME: SetMaskSelStart(0); break;
      case VK_END: SetMaskSelStart(static_cast<int>(Text.size())); break;
    }
  }
  void Insert(const AnsiString& AText) {
    Text.replace(static_cast<size_t>(SelStart), static_cast<size_t>(SelLength), AText);
    SelStart += static_cast<int>(AText.size());
    SelLength = 0;
    ++Changes;
  }

  // A user's keys: the mode first, then the EDIT when the key goes on.
  void Type(const AnsiString& AChars) {
    for (char c : AChars)
      if (Mode->PressSymbol(c)) Char(c);
  }
  void Backspace() {
    if (Mode->PressBackspace()) Key(VK_BACK);
  }
  void Delete() {
    if (Mode->PressDelete()) Key(VK_DELETE);
  }
  void Left() {
    if (Mode->PressLeft()) Key(VK_LEFT);
  }
  void Right() {
    if (Mode->PressRight()) Key(VK_RIGHT);
  }
  void Home() {
    if (Mode->PressHome()) Key(VK_HOME);
  }
  void End() {
    if (Mode->PressEnd()) Key(VK_END);
  }
  void Select(int AStart, int ALength) {
    SelStart = AStart;
    SelLength = ALength;
    Mode->SyncSelection();
  }

private:
  void Clamp() {
    SelStart = std::min<int>(SelStart, static_cast<int>(Text.size()));
    SelLength = std::min<int>(SelLength, static_cast<int>(Text.size()) - SelStart);
  }
  char Lead = 0;
};

class vxMaskEditMode : public ::testing::Test {
protected:
  void Make(TvxEditMaskKind AKind, const AnsiString& AMask) {
    Props.SetMaskKind(AKind);
    Props.SetEditMask(AMask);
    Mode = Props.CreateMode(&Edit);
    Edit.Mode = Mode.get();
    Mode->SetMask(AMask);
  }
  // Shows the value as a focused edit shows it.
  void Show(const AnsiString& AValue) {
    Edit.Value = AValue;
    Mode->UpdateEditValue();
  }

  TvxMaskEditProperties Props{nullptr};
  TFakeEdit Edit{&Props};
  std::unique_ptr<TvxMaskEditCustomMode> Mode;
};

// --- Standard mode --------------------------------------------------------------------------

TEST_F(vxMaskEditMode, StandardTypingSkipsLiteralsAndRefusesWrongCharacters) {
  Make(emkStandard, "(000)999;1;_");
  Show("");
  EXPECT_EQ(Edit.Text, "(___)___");
  Edit.Select(0, 0);
  EXPECT_EQ(Edit.SelLength, 1) << "the block caret";
  Edit.Type("1");
  EXPECT_EQ(Edit.Text, "(1__)___") << "typed at the literal: the next input position takes it";
  EXPECT_EQ(Edit.SelStart, 2);
  Edit.Type("a");
  EXPECT_EQ(Edit.Text, "(1__)___") << "a letter at a digit position does nothing";
  EXPECT_EQ(Edit.Beeps, 1);
  Edit.Type("23");
  EXPECT_EQ(Edit.Text, "(123)___");
  EXPECT_EQ(Edit.SelStart, 5) << "over the closing literal";
  Edit.Type("4");
  EXPECT_EQ(Edit.Text, "(123)4__");
  EXPECT_EQ(Mode->GetUpdatedText(Edit.Text), "(123)4  ");
}

// A selection that starts at a literal (the whole text, selected on entry) is cleared by the
// character typed over it, as one that starts at an input position is; a refused character
// leaves it alone.
TEST_F(vxMaskEditMode, StandardTypingOverASelectionFromALiteralClearsIt) {
  Make(emkStandard, "(000)999;1;_");
  Show("(123)456");
  Edit.Select(0, 8);
  Edit.Type("a");
  EXPECT_EQ(Edit.Text, "(123)456");
  EXPECT_EQ(Edit.Beeps, 1);
  Edit.Select(0, 8);
  Edit.Type("9");
  EXPECT_EQ(Edit.Text, "(9__)___");
  EXPECT_EQ(Edit.SelStart, 2);
  EXPECT_EQ(Edit.SelLength, 1) << "the block caret";
  Edit.Select(4, 3);
  Edit.Type("7");
  EXPECT_EQ(Edit.Text, "(9__)7__") << "from the closing literal over two digits";
}

TEST_F(vxMaskEditMode, StandardBackspaceLeavesTheBlankAndNeverALiteral) {
  Make(emkStandard, "(000)999;1;_");
  Show("(123)456");
  Edit.Select(5, 0);
  Edit.Backspace();
  EXPECT_EQ(Edit.Text, "(12_)456") << "over the literal to the digit before it";
  EXPECT_EQ(Edit.SelStart, 3);
  Edit.Backspace();
  Edit.Backspace();
  EXPECT_EQ(Edit.Text, "(___)456");
  EXPECT_EQ(Edit.SelStart, 1);
  Edit.Backspace();
  EXPECT_EQ(Edit.Text, "(___)456") << "no input position left of the caret";
  Edit.Select(6, 2);
  Edit.Delete();
  EXPECT_EQ(Edit.Text, "(___)4__");
}

TEST_F(vxMaskEditMode, StandardArrowsSkipLiterals) {
  Make(emkStandard, "(000)999");
  Show("(123)456");
  struct Step {
    void (TFakeEdit::*Key)();
    int Caret;
  };
  Edit.Select(3, 0);
  for (const Step& step : {Step{&TFakeEdit::Right, 5}, Step{&TFakeEdit::Left, 3}, Step{&TFakeEdit::Home, 1},
                           Step{&TFakeEdit::Left, 1}, Step{&TFakeEdit::End, 8}, Step{&TFakeEdit::Left, 7}}) {
    (Edit.*step.Key)();
    EXPECT_EQ(Edit.SelStart, step.Caret);
  }
}

TEST_F(vxMaskEditMode, StandardValidityAndBlankValues) {
  Make(emkStandard, "000-99;0;*");
  EXPECT_EQ(Mode->GetEmptyString(), "     ") << "no literals saved";
  EXPECT_EQ(Mode->GetFormattedText("12345"), "123-45");
  EXPECT_EQ(Mode->GetFormattedText(""), "***-**");
  struct Case {
    const char* Text;
    bool IgnoreBlank;
    bool Valid;
  } cases[] = {{"123-45", false, true}, {"123-**", false, true},  {"12*-45", false, false},
               {"***-**", false, false}, {"***-**", true, true},  {"12*-**", true, false}};
  for (const Case& c : cases) {
    Props.SetIgnoreMaskBlank(c.IgnoreBlank);
    EXPECT_EQ(Mode->IsFullValidText(c.Text), c.Valid) << c.Text << " " << c.IgnoreBlank;
  }
}

TEST_F(vxMaskEditMode, StandardDoubleByteCharacterTakesTwoAnyPositions) {
  Make(emkStandard, "CC0");
  Show("");
  Edit.Select(0, 0);
  Edit.Type("ア");
  EXPECT_EQ(Edit.Text, "ア_");
  EXPECT_EQ(Edit.SelStart, 2);
  Edit.Type("イ");
  EXPECT_EQ(Edit.Text, "ア_") << "a digit position takes no double-byte character";
  EXPECT_EQ(Edit.Beeps, 1);
  // The block caret, Delete and overwriting take the character whole, never half of it.
  Edit.Home();
  EXPECT_EQ(Edit.SelLength, 2);
  Edit.Type("b");
  EXPECT_EQ(Edit.Text, "b__");
  Edit.Home();
  Edit.Type("ソ");  // 83 5C: a trail byte that is a backslash
  EXPECT_EQ(Edit.Text, "ソ_");
  Edit.Home();
  Edit.Right();
  EXPECT_EQ(Edit.SelStart, 2) << "over the character";
  Edit.Home();
  Edit.Delete();
  EXPECT_EQ(Edit.Text, "___");
}

// Backspace from the block caret over a double-byte character blanks the character before
// it, as from any other block caret; a longer selection is blanked.
TEST_F(vxMaskEditMode, StandardBackspaceFromADoubleByteBlockCaret) {
  Make(emkStandard, "CCCC");
  Show("aアb");
  Edit.Select(1, 0);
  EXPECT_EQ(Edit.SelLength, 2);
  Edit.Backspace();
  EXPECT_EQ(Edit.Text, "_アb");
  EXPECT_EQ(Edit.SelStart, 0);
  Edit.Select(1, 3);
  Edit.Backspace();
  EXPECT_EQ(Edit.Text, "____") << "a selection longer than the block caret is blanked";
  EXPECT_EQ(Edit.SelStart, 1);
}

// --- Regular-expression mode -----------------------------------------------------------------

TEST_F(vxMaskEditMode, RegExprKeysStepTheAutomaton) {
  Make(emkRegExpr, "\\d\\d/\\d\\d");
  Show("");
  Edit.Type("12x/3");
  EXPECT_EQ(Edit.Text, "12/3");
  EXPECT_EQ(Edit.Beeps, 1);
  EXPECT_FALSE(Mode->IsFullValidText(Edit.Text));
  Edit.Type("45");
  EXPECT_EQ(Edit.Text, "12/34") << "a fifth character has no place";
  EXPECT_TRUE(Mode->IsFullValidText(Edit.Text));
  Edit.Backspace();
  Edit.Backspace();
  Edit.Type("9");
  EXPECT_EQ(Edit.Text, "12/9");
  Edit.Home();
  Edit.Type("5");
  EXPECT_EQ(Edit.Text, "5") << "a digit at the start leaves no place for the rest: the rest goes";
}

TEST_F(vxMaskEditMode, RegExprCharacterThatBreaksTheRestDropsIt) {
  Make(emkRegExpr, "\\d{1,3}-\\d");
  Show("12-3");
  Edit.Select(2, 0);
  Edit.Type("4");
  EXPECT_EQ(Edit.Text, "124-3") << "the rest still fits";
  Edit.Select(1, 0);
  Edit.Type("5");
  EXPECT_EQ(Edit.Text, "15") << "four digits: the rest is dropped";
  EXPECT_EQ(Edit.SelStart, 2);
  Edit.Type("-");
  EXPECT_EQ(Edit.Text, "15-");
}

TEST_F(vxMaskEditMode, RegExprCaseAndSelectionReplacement) {
  Props.SetCaseInsensitive(true);
  Make(emkRegExpr, "ab\\d*");
  Show("");
  Edit.Type("AB12");
  EXPECT_EQ(Edit.Text, "ab12") << "in the pattern's case";
  Edit.Select(2, 2);
  Edit.Type("x");
  EXPECT_EQ(Edit.Text, "ab12") << "refused: the selection comes back";
  Edit.Select(2, 2);
  Edit.Type("7");
  EXPECT_EQ(Edit.Text, "ab7");
}

TEST_F(vxMaskEditMode, RegExprRefusedTextStaysUntilValidation) {
  Make(emkRegExpr, "\\d\\d");
  Show("1x2");
  EXPECT_EQ(Edit.Text, "1x2") << "text set by code is not cut";
  EXPECT_FALSE(Mode->IsFullValidText(Edit.Text));
  Edit.Type("3");
  EXPECT_EQ(Edit.Text, "1x2") << "nothing can be typed after refused text";
  EXPECT_EQ(Edit.Beeps, 1);
  Edit.Select(1, 0);
  Edit.Type("4");
  EXPECT_EQ(Edit.Text, "14x2") << "before it the mask works and leaves the refused rest alone";
  Edit.Select(4, 0);
  Edit.Backspace();
  Edit.Backspace();
  EXPECT_EQ(Edit.Text, "14");
  EXPECT_TRUE(Mode->IsFullValidText(Edit.Text));
}

TEST_F(vxMaskEditMode, RegExprValidityOfPartialText) {
  Make(emkRegExpr, "\\d\\d:\\d\\d");
  for (bool ignoreBlank : {false, true}) {
    Props.SetIgnoreMaskBlank(ignoreBlank);
    EXPECT_TRUE(Mode->IsFullValidText(""));
    EXPECT_EQ(Mode->IsFullValidText("12"), ignoreBlank);
    EXPECT_FALSE(Mode->IsFullValidText("1a"));
  }
}

TEST_F(vxMaskEditMode, RegExprDoubleByteCharacterIsOneStep) {
  Make(emkRegExpr, "(ア|イ)+\\d");
  Show("");
  Edit.Type("アイ1");
  EXPECT_EQ(Edit.Text, "アイ1");
  Edit.Backspace();
  Edit.Backspace();
  EXPECT_EQ(Edit.Text, "ア");
  Edit.Type("ツ");
  EXPECT_EQ(Edit.Text, "ア") << "ツ (83 63) shares the lead byte of ア but is refused whole";
  EXPECT_EQ(Edit.Beeps, 1);
  Edit.Left();
  EXPECT_EQ(Edit.SelStart, 0);
  Edit.Type("イ");
  EXPECT_EQ(Edit.Text, "イア");
}

// --- Extended mode --------------------------------------------------------------------------

TEST_F(vxMaskEditMode, ExtendedModeTypesForcedLiterals) {
  Make(emkRegExprEx, "\\d\\d/\\d\\d");
  Show("");
  Edit.Type("12");
  EXPECT_EQ(Edit.Text, "12/") << "the separator appears at once";
  Edit.Type("34");
  EXPECT_EQ(Edit.Text, "12/34");
  Edit.Backspace();
  Edit.Backspace();
  EXPECT_EQ(Edit.Text, "12/");
  Edit.Backspace();
  EXPECT_EQ(Edit.Text, "1") << "the separator goes with the second digit";
  Edit.Type("5");
  EXPECT_EQ(Edit.Text, "15/");
}

TEST_F(vxMaskEditMode, ExtendedModeCompletesDoubleByteLiteralsAfterTheWholeCharacter) {
  Make(emkRegExprEx, "\\d\\d年");
  Show("");
  Edit.Type("12");
  EXPECT_EQ(Edit.Text, "12年");
  EXPECT_TRUE(Mode->IsFullValidText(Edit.Text));
  Make(emkRegExprEx, "(ア|\\d)-");
  Show("");
  Edit.Type("ア");
  EXPECT_EQ(Edit.Text, "ア-");
  EXPECT_EQ(Edit.Beeps, 0);
  Edit.Backspace();
  EXPECT_EQ(Edit.Text, "") << "the literal and the whole character before it";
  Make(emkRegExprEx, "(ア|\\d)+");
  Show("");
  Edit.Type("1ア");
  Edit.Backspace();
  EXPECT_EQ(Edit.Text, "1");
}

TEST_F(vxMaskEditMode, ExtendedModeLeadingLiterals) {
  Make(emkRegExprEx, "\\(\\d\\d\\)");
  EXPECT_EQ(Mode->GetEmptyString(), "(");
  EXPECT_TRUE(Mode->IsFullValidText("(")) << "the empty value";
  EXPECT_EQ(Mode->GetFormattedText("(12"), "(12)") << "forced literals added after a whole text";
  EXPECT_EQ(Mode->GetFormattedText("12"), "12") << "a text the mask refuses is kept for validation";
  Show("(");
  Edit.Backspace();
  EXPECT_EQ(Edit.Text, "(") << "the leading literal stays";
  EXPECT_EQ(Edit.Beeps, 1);
  Edit.Type("12");
  EXPECT_EQ(Edit.Text, "(12)");
  Edit.Select(0, 4);
  Edit.Type("3");
  EXPECT_EQ(Edit.Text, "(3") << "a replaced selection at the start keeps the leading literal";
}

TEST_F(vxMaskEditMode, BadRegularExpressionListsItsErrors) {
  Props.SetMaskKind(emkRegExpr);
  Props.SetEditMask("\\d+");
  try {
    Props.SetEditMask("(a|)[");
    FAIL() << "no error";
  } catch (const EvxMaskEditError& e) {
    EXPECT_EQ(AnsiString(e.Message()).rfind("Regular expression errors:\r\n", 0), 0u) << e.Message();
    EXPECT_NE(AnsiString(e.Message()).find("Missing ']'"), AnsiString::npos) << e.Message();
  }
  EXPECT_EQ(Props.EditMask(), "\\d+") << "the mask stays as it was";
}

// Whatever keys the user presses, the text of a regular-expression mask edit that started
// empty stays one the mask takes byte by byte, and the mode's head and tail, when it stands in
// step with the edit, are the text on either side of the caret.
TEST_F(vxMaskEditMode, RandomKeysKeepTheTextInsideTheMask) {
  const char* const masks[] = {"(\\d|ア)*-?\\d{0,3}", "[a-c]+(xy|ア)?\\d*", "\\d{1,3}(/\\d{1,3})*"};
  const char* const keys[] = {"1", "2", "ア", "-", "/", "a", "x", "y", "c"};
  std::mt19937 random(24);
  for (const char* mask : masks) {
    for (const TvxEditMaskKind kind : {emkRegExpr, emkRegExprEx}) {
      SCOPED_TRACE(std::string(mask) + (kind == emkRegExpr ? " regexpr" : " extended"));
      Make(kind, mask);
      Show("");
      for (int step = 0; step < 600; ++step) {
        switch (random() % 8) {
          case 0: Edit.Backspace(); break;
          case 1: Edit.Delete(); break;
          case 2: Edit.Left(); break;
          case 3: Edit.Right(); break;
          case 4: Edit.Home(); break;
          case 5: Edit.End(); break;
          default: Edit.Type(keys[random() % std::size(keys)]); break;
        }
        TvxRegExpr check;
        TMemoryStream stream;
        stream.WriteString(mask);
        stream.SetPosition(0);
        check.Compile(&stream);
        for (size_t i = 0; i < Edit.Text.size(); ++i) {
          char c = Edit.Text[i];
          ASSERT_TRUE(check.Next(c)) << "step " << step << ": \"" << Edit.Text << "\" refused at " << i;
        }
        auto* regExpr = static_cast<TvxMaskEditRegExprMode*>(Mode.get());
        if (regExpr->Head().size() == static_cast<size_t>(Edit.SelStart)) {
          ASSERT_EQ(regExpr->Head() + regExpr->Tail(), Edit.Text) << "step " << step;
        }
      }
    }
  }
}

}  // namespace
