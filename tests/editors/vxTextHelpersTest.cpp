// The text helpers of the text editors: letter case that leaves double-byte characters alone,
// and number text grouped with the locale's thousand separators while it is typed, the caret
// kept behind the same digit.
#include "editors/vxTextEdit.h"

#include "EditTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using edittest::TSeparatorsScope;

// Types text character by character at the caret, formatting after each as the editor does.
std::pair<AnsiString, int> Type(AnsiString text, int caret, const AnsiString& typed) {
  for (char c : typed) {
    text.insert(static_cast<size_t>(caret), 1, c);
    ++caret;
    vxFormatNumberText(text, caret);
  }
  return {text, caret};
}

}  // namespace

TEST(vxTextHelpers, CaseConversionLeavesDoubleByteCharactersAlone) {
  // ア 83 41 and ツ 83 63: folded byte by byte they would become ヂ 83 61 and イ 83 43.
  struct Case {
    const char* Text;
    TEditCharCase CharCase;
    const char* Expected;
  } const cases[] = {
      {"abCアツ", TEditCharCase::ecUpperCase, "ABCアツ"},
      {"AbCアツ", TEditCharCase::ecLowerCase, "abcアツ"},
      {"AbCアツ", TEditCharCase::ecNormal, "AbCアツ"},
  };
  for (const Case& c : cases) EXPECT_EQ(vxConvertCharCase(c.Text, c.CharCase), c.Expected) << c.Text;
}

TEST(vxTextHelpers, NumberTextIsGroupedAsItIsTyped) {
  TSeparatorsScope separators(',', '.');
  struct Case {
    const char* Before;
    int Caret;
    const char* Typed;
    const char* After;
    int CaretAfter;
  } const cases[] = {
      {"", 0, "1234567", "1,234,567", 9},
      {"", 0, "-123456", "-123,456", 8},
      {"", 0, "123", "123", 3},
      {"1,234,567", 1, "0", "10,234,567", 2},    // behind the same digit
      {"1,234,567", 9, ".5", "1,234,567.5", 11},  // the fraction stays ungrouped
      {"12345", 5, "E10", "12,345E10", 9},        // the exponent kept as it is
      {"", 0, "ab", "ab", 2},                     // no number: left alone
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Before) + " + " + c.Typed);
    const auto [text, caret] = Type(c.Before, c.Caret, c.Typed);
    EXPECT_EQ(text, c.After);
    EXPECT_EQ(caret, c.CaretAfter);
  }
}

TEST(vxTextHelpers, GroupingKeepsBlanksExponentsAndDoubleByteCharacters) {
  TSeparatorsScope separators('.', ',');
  EXPECT_EQ(vxInsertThousandSeparators(" 1234567,25 "), " 1.234.567,25 ");
  EXPECT_EQ(vxInsertThousandSeparators("1.2.3.4e5678"), "1.234e5678") << "separators are put in afresh";
  // ウ is 83 45: its trail byte is no exponent.
  EXPECT_EQ(vxInsertThousandSeparators("ウ1234"), "ウ1.234");
  EXPECT_TRUE(vxIsNumberText("1.234,5"));
  EXPECT_FALSE(vxIsNumberText("-"));
  EXPECT_FALSE(vxIsNumberText("12ウ"));
  EXPECT_EQ(vxCountNonSeparatorChars("1.234.567", 6), 4);
  EXPECT_EQ(vxCaretAfterNonSeparatorChars("1.234.567", 4), 5);
}
