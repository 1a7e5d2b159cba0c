#include "common/HvClasses.h"
#include "common/HvxUtil.h"

#include <gtest/gtest.h>
#include "tests/support/InputMutator.h"

namespace {
std::vector<AnsiString> Fields(const AnsiString& line) {
  TTabDelimitedText t;
  t.SetLine(line);
  std::vector<AnsiString> r;
  for (int i = 0; i < t.Count(); ++i) r.push_back(t.Fields()[i]);
  return r;
}
using V = std::vector<AnsiString>;
}  // namespace

TEST(TabDelimitedText, SplitsAtTabsAndControlCharacters) {
  struct Case {
    AnsiString line;
    V fields;
  } cases[] = {
      {"", {}},
      {"\t", {"", ""}},
      {"a\t\tb", {"a", "", "b"}},
      {"a\t", {"a", ""}},
      {"a\tb\r\n", {"a", "b"}},
      {"a\tb", {"a", "b"}},
      {"a\t\r\n", {"a", ""}},
      {"a\r", {"a"}},
      {"\r\n", {}},
      {"a\x01" "b", {"a", "b"}},
      {"a\r\nb", {"a", "", "b"}},
      {"\ta", {"", "a"}},
      {"doc\t表示\\t\\n", {"doc", "表示\t\n"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Fields(c.line), c.fields) << "line: " << c.line;
}

TEST(TabDelimitedText, UnescapesKnownEscapesAndKeepsOthers) {
  struct Case {
    AnsiString in, out;
  } cases[] = {
      {"a\\tb", "a\tb"},
      {"\\n\\r\\b\\f", "\n\r\b\f"},
      {"\\\\", "\\"},
      {"\\\"q\\\"", "\"q\""},
      {"\\d", "\\d"},
      {"x\\", "x\\"},                // a last backslash is copied
      {"\\\\t", "\\t"},              // escaped backslash, then plain t
      {"表\\n", "表\n"},             // 表 = 95 5C; the real backslash after it escapes
      {"表n", "表n"},                // trail byte 5C followed by n is no escape
      {"ソ表t\\t", "ソ表t\t"},
      {"\\表", "\\表"},              // backslash before a double-byte character stays
  };
  for (const Case& c : cases) {
    AnsiString r;
    TTabDelimitedText::Unescape(c.in, r);
    EXPECT_EQ(r, c.out) << "in: " << c.in;
  }
  for (const char* bad : {"a\nb", "\r"}) {
    AnsiString r;
    try {
      TTabDelimitedText::Unescape(bad, r);
      ADD_FAILURE() << "no exception";
    } catch (const ECorvaneException& e) {
      EXPECT_EQ(e.Message(), "Unterminated string");
    }
  }
  AnsiString withNul("a\0b", 3), r;
  EXPECT_THROW(TTabDelimitedText::Unescape(withNul, r), ECorvaneException);
}

TEST(TabDelimitedText, GetAndTryGetNeverRaise) {
  TTabDelimitedText t;
  t.SetLine("x\ty");
  AnsiString s = "unchanged";
  EXPECT_FALSE(t.TryGet(2, s));
  EXPECT_FALSE(t.TryGet(-1, s));
  EXPECT_EQ(s, "unchanged");
  EXPECT_TRUE(t.TryGet(1, s));
  EXPECT_EQ(s, "y");
  EXPECT_EQ(t.Get(5, "def"), "def");
  t.SetLine("a\t");
  EXPECT_EQ(t.Get(1, "def"), "def");  // exists but empty
  EXPECT_EQ(t.Get(0, "def"), "a");
}

TEST(TabDelimitedText, DoubleByteCharPart) {
  AnsiString s = "a表b";  // 61 95 5C 62
  EXPECT_FALSE(TTabDelimitedText::IsDoubleByteCharPart(s, 1));
  EXPECT_TRUE(TTabDelimitedText::IsDoubleByteCharPart(s, 2));
  EXPECT_TRUE(TTabDelimitedText::IsDoubleByteCharPart(s, 3));
  EXPECT_FALSE(TTabDelimitedText::IsDoubleByteCharPart(s, 4));
  EXPECT_FALSE(TTabDelimitedText::IsDoubleByteCharPart(s, 0));
  EXPECT_FALSE(TTabDelimitedText::IsDoubleByteCharPart(s, 5));
}

TEST(HvValueObjects, ConvertToAndFromTextWithFallbacks) {
  TBooleanObject b;
  for (auto [text, value] : std::vector<std::pair<AnsiString, bool>>{
           {"true", true}, {"FALSE", false}, {"1", true}, {"0", false}, {"-3", true},
           {"yes", false}, {"", false}, {"2.5", true}}) {
    b.Value = !value;
    b.SetAsString(text);
    EXPECT_EQ(b.Value, value) << text;
  }
  b.Value = true;
  EXPECT_EQ(b.GetAsString(), "True");
  b.Value = false;
  EXPECT_EQ(b.GetAsString(), "False");

  TIntegerObject n;
  n.SetAsString("-42");
  EXPECT_EQ(n.Value, -42);
  EXPECT_EQ(n.GetAsString(), "-42");
  n.SetAsString("12a");
  EXPECT_EQ(n.Value, 0);
  n.SetAsString("99999999999");
  EXPECT_EQ(n.Value, 0);
}

TEST(TabDelimitedText, MutatedLinesSplitWithoutRaising) {
  const std::string sample = "pdf\t\\\\\\\\server\\\\share\\t表\\\\ソ\\n\\\"x\\\" \\b\\f\\r\tthird\t\r\n";
  testsupport::TInputMutator mutator(20240614);
  TTabDelimitedText parser;
  for (int i = 0; i < 400; ++i) {
    const std::string line = mutator.Mutate(sample);
    // Splitting never raises: the characters that Unescape refuses end fields first.
    parser.SetLine(line);
    EXPECT_LE(parser.Count(), static_cast<int>(line.size()) + 1) << "input " << i;
    AnsiString field;
    EXPECT_FALSE(parser.TryGet(parser.Count(), field));
    // Unescape on its own refuses only an unterminated string.
    try {
      AnsiString result;
      TTabDelimitedText::Unescape(line, result);
      EXPECT_LE(result.size(), line.size());
    } catch (const Exception& e) {
      EXPECT_EQ("Unterminated string", e.Message()) << "input " << i;
    }
  }
}
