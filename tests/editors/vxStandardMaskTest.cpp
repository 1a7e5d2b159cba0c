#include "editors/vxStandardMask.h"

#include "controls/vxFormats.h"

#include "platform/rtl/FormatSettings.h"

#include <gtest/gtest.h>

namespace {

class StandardMaskTest : public ::testing::Test {
protected:
  void SetUp() override {
    FSaved = GetFormatSettings();
    TFormatSettings settings = FSaved;
    settings.DateSeparator = '-';
    settings.TimeSeparator = '.';
    SetFormatSettings(settings);
  }
  void TearDown() override { SetFormatSettings(FSaved); }

private:
  TFormatSettings FSaved;
};

AnsiString Formatted(const TvxStandardMask& mask, AnsiString text, bool converted = true,
                     bool withLiterals = false) {
  mask.Format(text, converted, withLiterals);
  return text;
}

struct TParseCase {
  const char* Mask;
  const char* EmptyDisplay;
  const char* EmptyValue;
  bool SaveLiterals;
};

TEST_F(StandardMaskTest, ParsesPositionsLiteralsAndSection) {
  const TParseCase cases[] = {
      {"(000)-00;0;*", "(***)-**", "     ", false},
      {"(000)-00;1;*", "(***)-**", "(   )-  ", true},
      {"(000)-00", "(___)-__", "(   )-  ", true},
      {"99;0", "__", "  ", false},
      {"99;2", "__;2", "  ;2", true},       // not a section: literals
      {"9;9", "_;_", " ; ", true},
      {"9;0;", "_;_;", " ; ;", true},       // two characters after ";": no section
      {"!>LL", "__", "  ", true},           // "!" and ">" take no position
      {"<>l<L>a", "___", "   ", true},
      {"#aAcC", "_____", "     ", true},
      {"\\0\\\\9\\", "0\\_", "0\\ ", true},  // escapes; a lone backslash at the end is dropped
      {"99/99:99", "__-__.__", "  -  .  ", true},  // the locale's separators
      {"!9999/99/99;1; ", "    -  -  ", "    -  -  ", true},  // the locale date mask
      {"ソL", "ソ_", "ソ ", true},           // the trail byte '\' of ソ escapes nothing
  };
  for (const auto& c : cases) {
    TvxStandardMask mask;
    mask.SetMask(c.Mask);
    EXPECT_EQ(c.EmptyDisplay, mask.EmptyDisplayText()) << c.Mask;
    EXPECT_EQ(c.EmptyValue, mask.EmptyString()) << c.Mask;
    EXPECT_EQ(c.SaveLiterals, mask.SaveLiteralCharacters()) << c.Mask;
  }
}

TEST_F(StandardMaskTest, PhoneMaskWithoutSavedLiterals) {
  TvxStandardMask mask;
  mask.SetMask("(000)-00;0;*");
  EXPECT_EQ('*', mask.Blank());
  EXPECT_EQ(8, mask.Count());
  EXPECT_EQ("(123)-45", Formatted(mask, "12345"));
  EXPECT_EQ("(123)-**", Formatted(mask, "123"));
  EXPECT_EQ("(1*3)-**", Formatted(mask, "1 3"));
  EXPECT_EQ("(12*)-**", Formatted(mask, "1x2*"));       // refused characters are dropped
  EXPECT_EQ("(123)-**", Formatted(mask, "(123)"));      // literals are not looked for ...
  EXPECT_EQ("(123)-45", Formatted(mask, "(123)-45", true, true));  // ... unless asked
  EXPECT_EQ("12345", mask.ValueText("(123)-45"));
  EXPECT_EQ("12 4 ", mask.ValueText("(12*)-4*"));
  EXPECT_EQ("12", mask.ValueText("(12"));
  EXPECT_TRUE(mask.IsFull("(123)-45"));
  EXPECT_FALSE(mask.IsFull("(12*)-45"));  // required positions
  EXPECT_FALSE(mask.IsFull("(12 )-45"));
  EXPECT_FALSE(mask.IsFull("(123)-4"));
  EXPECT_FALSE(mask.IsFull("[123]-45"));
}

TEST_F(StandardMaskTest, SavedLiteralsAreMatchedInTheValue) {
  TvxStandardMask mask;
  mask.SetMask("(000)");
  EXPECT_EQ("(123)", Formatted(mask, "(123)"));
  EXPECT_EQ("(123)", Formatted(mask, "123"));
  EXPECT_EQ("(123)", mask.ValueText("(123)"));
  EXPECT_EQ("(1 3)", mask.ValueText("(1_3)"));
}

TEST_F(StandardMaskTest, UpperCaseLetters) {
  TvxStandardMask mask;
  mask.SetMask("!>LL");
  EXPECT_TRUE(mask.ExclamationMark());
  EXPECT_EQ(2, mask.Count());
  EXPECT_EQ("AB", Formatted(mask, "ab"));
  EXPECT_EQ("ab", Formatted(mask, "ab", false));
  EXPECT_EQ("AB", Formatted(mask, "a1b"));
  EXPECT_EQ("A_", Formatted(mask, "a"));
  EXPECT_TRUE(mask.IsFull("ab"));
  EXPECT_TRUE(mask.IsFull("AB"));
  EXPECT_FALSE(mask.IsFull("a1"));
  EXPECT_FALSE(mask.IsFull("a_"));
  EXPECT_EQ("AB", mask.ValueText("AB"));
}

struct TItemCase {
  const char* Mask;
  char Input;
  bool Accepted;
  char Converted;
};

TEST_F(StandardMaskTest, ItemsTestAndConvertOneByte) {
  const TItemCase cases[] = {
      {"0", '5', true, '5'},   {"0", 'a', false, 'a'},  {"9", '+', false, '+'},
      {"#", '+', true, '+'},   {"#", '-', true, '-'},   {"#", '7', true, '7'},  {"#", 'x', false, 'x'},
      {"L", 'q', true, 'q'},   {"L", '1', false, '1'},  {"l", '\x83', false, '\x83'},
      {"A", '1', true, '1'},   {"a", 'Z', true, 'Z'},   {"A", '_', false, '_'},
      {"C", '\x83', true, '\x83'}, {"c", ' ', true, ' '},
      {">L", 'q', true, 'Q'},  {"<L", 'Q', true, 'q'},  {"><>L", 'q', true, 'q'},
      {">0", 'x', false, 'X'},                          // converted even when refused
      {">C", '\x82', true, '\x82'},                      // a lead byte is never cased
      {"x", 'x', true, 'x'},   {"x", 'X', false, 'X'},  // literals: exact byte
  };
  for (const auto& c : cases) {
    TvxStandardMask mask;
    mask.SetMask(c.Mask);
    ASSERT_EQ(1, mask.Count()) << c.Mask;
    char ch = c.Input;
    EXPECT_EQ(c.Accepted, mask.Items(0).Check(ch)) << c.Mask << " " << c.Input;
    EXPECT_EQ(c.Converted, ch) << c.Mask << " " << c.Input;
  }
}

TEST_F(StandardMaskTest, OptionalPositionsMayStayBlank) {
  TvxStandardMask mask;
  mask.SetMask("09#");
  EXPECT_TRUE(mask.IsFull("1  "));
  EXPECT_TRUE(mask.IsFull("1__"));
  EXPECT_FALSE(mask.IsFull(" 23"));
  EXPECT_EQ("1 3", mask.ValueText("1_3"));
  EXPECT_EQ("1_3", Formatted(mask, "1 3"));
}

TEST_F(StandardMaskTest, DateTimeMaskHoldsDoubleByteDesignators) {
  // The locale's 12-hour mask: "午前" fills four byte positions, so it fits whole.
  TFormatSettings fs = GetFormatSettings();
  fs.TimeAMString = "午前";
  fs.TimePMString = "午後";
  TvxDateTimeFormatInfo info;
  ASSERT_TRUE(vxParseDateTimeFormat("AMPM h", fs, info));
  TvxStandardMask mask;
  mask.SetMask(vxStandardMaskFromFormat(info, smmDateTime, fs));
  EXPECT_EQ("午前 10", Formatted(mask, "午前 10"));
  EXPECT_TRUE(mask.IsFull("午後 09"));
}

TEST_F(StandardMaskTest, TrailBytesKeepTheirCase) {
  // "ヂ" is 83 61: upper-casing its second byte would show "ア" (83 41) instead.
  TvxStandardMask mask;
  mask.SetMask(">cccc");
  EXPECT_EQ("ヂA_", Formatted(mask, "ヂa"));
  mask.SetMask("<CCC");
  EXPECT_EQ("アb", Formatted(mask, "アB"));
}

TEST_F(StandardMaskTest, SetMaskStartsAfresh) {
  TvxStandardMask mask;
  mask.SetMask("!00;0;*");
  mask.SetMask("L");
  EXPECT_FALSE(mask.ExclamationMark());
  EXPECT_TRUE(mask.SaveLiteralCharacters());
  EXPECT_EQ('_', mask.Blank());
  EXPECT_EQ(1, mask.Count());
  mask.Clear();
  EXPECT_EQ(0, mask.Count());
  EXPECT_EQ("", mask.Mask());
}

}  // namespace
