// The mask modes on a stand-in edit that behaves as the inner EDIT does (typing replaces the
// selection, Backspace and Delete take whole characters, a lead byte waits for its trail
// byte): what each key leaves in the text and where the caret goes, in each mode.
#include "editors/vxMaskEdit.h"

#include "platform/rtl/SysStrings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <utility>

namespace {

class TFakeEdit : public IvxMaskModeEdit {
public:
  explicit TFakeEdit(TvxCustomMaskEditProperties* AProperties) : Props(AProperties) {}

  AnsiString Text;
  int SelStart = 0;
  int SelLength = 0;
  int Beeps = 0;
  AnsiString Value;  // what SetMaskEditValue and UpdateMaskDisplay work with
  TvxCustomMaskEditProperties* Props;
  TvxMaskEditCustomMode* Mode = nullptr;

  AnsiString MaskText() override { return Text; }
  void SetMaskText(const AnsiString& AText) override {
    Text = AText;
    SelStart = std::min(SelStart, Size());
    SelLength = std::min(SelLength, Size() - SelStart);
  }
  int MaskSelStart() override { return SelStart; }
  void SetMaskSelStart(int AValue) override {
    SelStart = std::clamp(AValue, 0, Size());
    SelLength = 0;
  }
  int MaskSelLength() override { return SelLength; }
  void SetMaskSelLength(int AValue) override { SelLength = std::clamp(AValue, 0, Size() - SelStart); }
  int MaskCaretPosition() override { return SelStart + SelLength; }
  bool MaskFocused() override { return true; }
  bool MaskDesigning() override { return false; }
  bool MaskShiftDown() override { return false; }
  TvxCustomMaskEditProperties* MaskProperties() override { return Props; }
  void SendMaskKey(WORD AKey) override { Key(AKey); }
  void SendMaskChar(char AChar) override { Char(AChar); }
  void MaskBeep() override { ++Beeps; }
  bool IsMaskCharValid(char&, int) override { return true; }
  void UpdateMaskDisplay() override {
    Variant shown;
    Props->PrepareDisplayValue(Variant(Value), shown, true);
    Text = shown.AsString();
    Mode->SetText(Text);
  }
  void SetMaskEditValue(const AnsiString& AText) override { Value = AText; }

  // What the EDIT does with a character and a key.
  void Char(char AChar) {
    if (Lead != 0)
      Insert(AnsiString{std::exchange(Lead, '\0'), AChar});
    else if (IsLeadByte(static_cast<unsigned char>(AChar)))
      Lead = AChar;
    else if (AChar == '\b')
      Key(VK_BACK);
    else
      Insert(AnsiString(1, AChar));
  }
  void Key(WORD AKey) {
    const size_t at = static_cast<size_t>(SelStart);
    const int before = SelStart >= 2 && IsTrailByteAt(Text, at - 1) ? 2 : 1;  // the character's length
    switch (AKey) {
      case VK_BACK:
        if (SelLength == 0 && SelStart > 0) {
          SelStart -= before;
          SelLength = before;
        }
        Insert("");
        break;
      case VK_DELETE:
        if (SelLength == 0 && SelStart < Size()) SelLength = static_cast<int>(NextCharIndex(Text, at)) - SelStart;
        Insert("");
        break;
      case VK_LEFT: SetMaskSelStart(SelStart - before); break;
      case VK_RIGHT: SetMaskSelStart(static_cast<int>(NextCharIndex(Text, at))); break;
      case VK_HOME: SetMaskSelStart(0); break;
      case VK_END: SetMaskSelStart(Size()); break;
    }
  }

  // A user's keys, the mode first, then the EDIT when the key goes on: '\b' Backspace, '\x7f'
  // Delete, '<' Left, '>' Right, '^' Home, '$' End; any other byte (a double-byte character
  // whole) is typed.
  void Keys(const AnsiString& AKeys) {
    for (size_t i = 0; i < AKeys.size(); ++i) {
      const char c = AKeys[i];
      const bool lead = IsLeadByte(static_cast<unsigned char>(c));
      switch (lead ? '\0' : c) {
        case '\b': Press(Mode->PressBackspace(), VK_BACK); break;
        case '\x7f': Press(Mode->PressDelete(), VK_DELETE); break;
        case '<': Press(Mode->PressLeft(), VK_LEFT); break;
        case '>': Press(Mode->PressRight(), VK_RIGHT); break;
        case '^': Press(Mode->PressHome(), VK_HOME); break;
        case '$': Press(Mode->PressEnd(), VK_END); break;
        default:
          Symbol(c);
          if (lead && i + 1 < AKeys.size()) Symbol(AKeys[++i]);
      }
    }
  }
  void Select(int AStart, int ALength) {
    SelStart = AStart;
    SelLength = ALength;
    Mode->SyncSelection();
  }

private:
  int Size() const { return static_cast<int>(Text.size()); }
  void Insert(const AnsiString& AText) {
    Text.replace(static_cast<size_t>(SelStart), static_cast<size_t>(SelLength), AText);
    SelStart += static_cast<int>(AText.size());
    SelLength = 0;
  }
  void Symbol(char AChar) {
    if (Mode->PressSymbol(AChar)) Char(AChar);
  }
  void Press(bool AGoesOn, WORD AKey) {
    if (AGoesOn) Key(AKey);
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
  void Shown(TvxEditMaskKind AKind, const AnsiString& AMask, const AnsiString& AValue) {
    Make(AKind, AMask);
    Show(AValue);
  }
  // Keys, then the text they leave and, where given, the caret and the beeps so far.
  struct Step {
    const char* Keys;
    const char* Text;
    int Caret = -1;
    int Beeps = -1;
  };
  // The same after a selection.
  void From(int AStart, int ALength, std::initializer_list<Step> ASteps) {
    Edit.Select(AStart, ALength);
    Run(ASteps);
  }
  void Run(std::initializer_list<Step> ASteps) {
    for (const Step& s : ASteps) {
      Edit.Keys(s.Keys);
      EXPECT_EQ(Edit.Text, s.Text) << "after \"" << s.Keys << "\"";
      if (s.Caret >= 0) {
        EXPECT_EQ(Edit.SelStart, s.Caret) << "after \"" << s.Keys << "\"";
      }
      if (s.Beeps >= 0) {
        EXPECT_EQ(Edit.Beeps, s.Beeps) << "after \"" << s.Keys << "\"";
      }
    }
  }

  TvxMaskEditProperties Props{nullptr};
  TFakeEdit Edit{&Props};
  std::unique_ptr<TvxMaskEditCustomMode> Mode;
};

// --- Standard mode --------------------------------------------------------------------------

TEST_F(vxMaskEditMode, StandardTypingSkipsLiteralsAndRefusesWrongCharacters) {
  Shown(emkStandard, "(000)999;1;_", "");
  EXPECT_EQ(Edit.Text, "(___)___");
  Edit.Select(0, 0);
  EXPECT_EQ(Edit.SelLength, 1) << "the block caret";
  // Typed at the literal, the next input position takes it; a letter at a digit beeps.
  Run({{"1", "(1__)___", 2}, {"a", "(1__)___", -1, 1}, {"23", "(123)___", 5}, {"4", "(123)4__"}});
  EXPECT_EQ(Mode->GetUpdatedText(Edit.Text), "(123)4  ");
}

// A selection that starts at a literal (the whole text, selected on entry) is cleared by the
// character typed over it; a refused character leaves it alone.
TEST_F(vxMaskEditMode, StandardTypingOverASelectionFromALiteralClearsIt) {
  Shown(emkStandard, "(000)999;1;_", "(123)456");
  From(0, 8, {{"a", "(123)456", -1, 1}});
  From(0, 8, {{"9", "(9__)___", 2}});
  EXPECT_EQ(Edit.SelLength, 1) << "the block caret";
  From(4, 3, {{"7", "(9__)7__"}});
}

TEST_F(vxMaskEditMode, StandardBackspaceLeavesTheBlankAndNeverALiteral) {
  Shown(emkStandard, "(000)999;1;_", "(123)456");
  From(5, 0, {{"\b", "(12_)456", 3}, {"\b\b", "(___)456", 1}, {"\b", "(___)456"}});
  From(6, 2, {{"\x7f", "(___)4__"}});
}

TEST_F(vxMaskEditMode, StandardArrowsSkipLiterals) {
  Shown(emkStandard, "(000)999", "(123)456");
  Edit.Select(3, 0);
  const char* text = "(123)456";
  Run({{">", text, 5}, {"<", text, 3}, {"^", text, 1}, {"<", text, 1}, {"$", text, 8}, {"<", text, 7}});
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

// A digit position takes no double-byte character; the block caret, Delete and overwriting
// take one whole (ソ is 83 5C: its trail byte is a backslash).
TEST_F(vxMaskEditMode, StandardDoubleByteCharacterTakesTwoAnyPositions) {
  Shown(emkStandard, "CC0", "");
  From(0, 0, {{"ア", "ア_", 2}, {"イ", "ア_", -1, 1}, {"^", "ア_", 0}});
  EXPECT_EQ(Edit.SelLength, 2);
  Run({{"b", "b__"}, {"^ソ", "ソ_"}, {"^>", "ソ_", 2}, {"^\x7f", "___"}});
}

// Backspace from the block caret over a double-byte character blanks the character before
// it; a longer selection is blanked.
TEST_F(vxMaskEditMode, StandardBackspaceFromADoubleByteBlockCaret) {
  Shown(emkStandard, "CCCC", "aアb");
  Edit.Select(1, 0);
  EXPECT_EQ(Edit.SelLength, 2);
  Run({{"\b", "_アb", 0}});
  From(1, 3, {{"\b", "____", 1}});
}

// --- Regular-expression mode -----------------------------------------------------------------

TEST_F(vxMaskEditMode, RegExprKeysStepTheAutomaton) {
  Shown(emkRegExpr, "\\d\\d/\\d\\d", "");
  Run({{"12x/3", "12/3", -1, 1}});
  EXPECT_FALSE(Mode->IsFullValidText(Edit.Text));
  Run({{"45", "12/34"}});  // a fifth character has no place
  EXPECT_TRUE(Mode->IsFullValidText(Edit.Text));
  // A digit at the start leaves no place for the rest: the rest goes.
  Run({{"\b\b9", "12/9"}, {"^5", "5"}});
}

TEST_F(vxMaskEditMode, RegExprCharacterThatBreaksTheRestDropsIt) {
  Shown(emkRegExpr, "\\d{1,3}-\\d", "12-3");
  From(2, 0, {{"4", "124-3"}});
  From(1, 0, {{"5", "15", 2}, {"-", "15-"}});  // four digits: the rest is dropped
}

TEST_F(vxMaskEditMode, RegExprCaseAndSelectionReplacement) {
  Props.SetCaseInsensitive(true);
  Shown(emkRegExpr, "ab\\d*", "");
  Run({{"AB12", "ab12"}});  // in the pattern's case
  From(2, 2, {{"x", "ab12"}});  // refused: the selection comes back
  From(2, 2, {{"7", "ab7"}});
}

// Text set by code is not cut; nothing can be typed after refused text, before it the mask
// works and leaves the refused rest alone.
TEST_F(vxMaskEditMode, RegExprRefusedTextStaysUntilValidation) {
  Shown(emkRegExpr, "\\d\\d", "1x2");
  EXPECT_EQ(Edit.Text, "1x2");
  EXPECT_FALSE(Mode->IsFullValidText(Edit.Text));
  Run({{"3", "1x2", -1, 1}});
  From(1, 0, {{"4", "14x2"}});
  From(4, 0, {{"\b\b", "14"}});
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

// ツ (83 63) shares the lead byte of ア but is refused whole.
TEST_F(vxMaskEditMode, RegExprDoubleByteCharacterIsOneStep) {
  Shown(emkRegExpr, "(ア|イ)+\\d", "");
  Run({{"アイ1", "アイ1"}, {"\b\b", "ア"}, {"ツ", "ア", -1, 1}, {"<", "ア", 0}, {"イ", "イア"}});
}

// --- Extended mode --------------------------------------------------------------------------

// The separator appears at once and goes with the digit before it.
TEST_F(vxMaskEditMode, ExtendedModeTypesForcedLiterals) {
  Shown(emkRegExprEx, "\\d\\d/\\d\\d", "");
  Run({{"12", "12/"}, {"34", "12/34"}, {"\b\b", "12/"}, {"\b", "1"}, {"5", "15/"}});
}

// Backspace takes a completed literal with the whole character before it.
TEST_F(vxMaskEditMode, ExtendedModeCompletesDoubleByteLiteralsAfterTheWholeCharacter) {
  Shown(emkRegExprEx, "\\d\\d年", "");
  Run({{"12", "12年"}});
  EXPECT_TRUE(Mode->IsFullValidText(Edit.Text));
  Shown(emkRegExprEx, "(ア|\\d)-", "");
  Run({{"ア", "ア-", -1, 0}, {"\b", ""}});
  Shown(emkRegExprEx, "(ア|\\d)+", "");
  Run({{"1ア\b", "1"}});
}

TEST_F(vxMaskEditMode, ExtendedModeLeadingLiterals) {
  Make(emkRegExprEx, "\\(\\d\\d\\)");
  EXPECT_EQ(Mode->GetEmptyString(), "(");
  EXPECT_TRUE(Mode->IsFullValidText("(")) << "the empty value";
  EXPECT_EQ(Mode->GetFormattedText("(12"), "(12)") << "forced literals added after a whole text";
  EXPECT_EQ(Mode->GetFormattedText("12"), "12") << "a text the mask refuses is kept for validation";
  Show("(");
  Run({{"\b", "(", -1, 1}, {"12", "(12)"}});  // the leading literal stays
  From(0, 4, {{"3", "(3"}});  // a replaced selection at the start keeps it too
}

// Whatever keys the user presses, the text of a regular-expression mask edit that started
// empty stays one the mask takes byte by byte, and the mode's head and tail, when it stands in
// step with the edit, are the text on either side of the caret.
TEST_F(vxMaskEditMode, RandomKeysKeepTheTextInsideTheMask) {
  const char* const masks[] = {"(\\d|ア)*-?\\d{0,3}", "[a-c]+(xy|ア)?\\d*", "\\d{1,3}(/\\d{1,3})*"};
  const char* const keys[] = {"\b", "\x7f", "<", ">", "^", "$", "1", "2", "ア", "-", "/", "a", "x", "y", "c"};
  std::mt19937 random(24);
  for (const char* mask : masks) {
    for (const TvxEditMaskKind kind : {emkRegExpr, emkRegExprEx}) {
      SCOPED_TRACE(std::string(mask) + (kind == emkRegExpr ? " regexpr" : " extended"));
      Shown(kind, mask, "");
      for (int step = 0; step < 600; ++step) {
        const unsigned pick = random() % 8;
        Edit.Keys(keys[pick < 6 ? pick : 6 + random() % 9]);
        TvxRegExpr check;
        TMemoryStream stream;
        stream.WriteString(mask);
        stream.SetPosition(0);
        check.Compile(&stream);
        for (size_t i = 0; i < Edit.Text.size(); ++i)
          ASSERT_TRUE(check.Next(Edit.Text[i])) << "step " << step << ": \"" << Edit.Text << "\" refused at " << i;
        auto* regExpr = static_cast<TvxMaskEditRegExprMode*>(Mode.get());
        if (regExpr->Head().size() == static_cast<size_t>(Edit.SelStart)) {
          ASSERT_EQ(regExpr->Head() + regExpr->Tail(), Edit.Text) << "step " << step;
        }
      }
    }
  }
}

}  // namespace
