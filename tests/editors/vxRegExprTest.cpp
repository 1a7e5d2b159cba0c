#include "editors/vxRegExpr.h"

#include "controls/vxClasses.h"
#include "platform/rtl/FormatSettings.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// Fixed separators for every test, whatever the machine's locale; restored afterwards.
class RegExprTest : public ::testing::Test {
protected:
  void SetUp() override {
    FSaved = GetFormatSettings();
    TFormatSettings settings = FSaved;
    settings.DateSeparator = '/';
    settings.TimeSeparator = ':';
    settings.DecimalSeparator = '.';
    SetFormatSettings(settings);
  }
  void TearDown() override {
    SetFormatSettings(FSaved);
    vxClearResourceStringTranslations();
  }
  static void SetDateSeparator(char c) {
    TFormatSettings settings = GetFormatSettings();
    settings.DateSeparator = c;
    SetFormatSettings(settings);
  }

private:
  TFormatSettings FSaved;
};

void Compile(TvxRegExpr& re, const AnsiString& source) {
  TMemoryStream stream;
  stream.WriteString(source);
  stream.SetPosition(0);
  re.Compile(&stream);
}

// Compiles and gives back the errors as "line:char:text" lines (none when it compiled).
std::vector<std::string> CompileErrors(TvxRegExpr& re, const AnsiString& source) {
  std::vector<std::string> result;
  try {
    Compile(re, source);
  } catch (const EvxRegExprError& e) {
    EXPECT_EQ("", e.Message());
    EXPECT_EQ(&re.Errors(), &e.Errors());
    for (int i = 0; i < e.Errors().Count(); ++i) {
      const TvxRegExprError& error = e.Errors().Items(i);
      result.push_back(std::to_string(error.Line()) + ":" + std::to_string(error.CharPos()) + ":" +
                       error.Message());
    }
  }
  return result;
}

// Types text one character at a time up to the first refusal; gives the accepted characters
// as the automaton returned them.
AnsiString Type(TvxRegExpr& re, const AnsiString& text) {
  AnsiString accepted;
  for (char c : text) {
    if (!re.Next(c)) break;
    accepted += c;
  }
  return accepted;
}

using Errors = std::vector<std::string>;

struct TErrorCase {
  const char* Source;
  Errors Expected;
};

TEST_F(RegExprTest, CompileErrorsCarryTheirTextAndPosition) {
  const TErrorCase cases[] = {
      {"", {"0:0:The source stream is empty"}},
      {"  \t\r\n ", {"0:0:The source stream is empty"}},
      {"a|", {"0:0:The alternative should not be empty"}},
      {"|a", {"1:1:The alternative should not be empty"}},
      {"()", {"1:2:The block should not be empty"}},
      {"(a|)", {"1:4:The block should not be empty"}},
      {"(a", {"0:0:Missing ')'"}},
      {"a)", {"0:0:Unnecessary ')'"}},
      {")(a", {"1:1:Illegal ')'"}},  // balanced count: the parse finds it
      {"a**", {"1:3:The '*' quantifier cannot be applied here"}},
      {"a?+", {"1:3:The '+' quantifier cannot be applied here"}},
      {"(a?b*)+", {"1:7:The '+' quantifier cannot be applied here"}},
      {"*a", {"1:1:Illegal quantifier '*'"}},
      {"a|?", {"1:3:Illegal quantifier '?'"}},
      {"*|+", {"1:1:Illegal quantifier '*'", "1:3:Illegal quantifier '+'"}},
      {"{2}a", {"1:1:Incorrect parameter quantifier", "1:2:Illegal integer value", "1:3:Illegal '}'"}},
      // What a malformed quantifier leaves is parsed as items: integers and "}" are
      // illegal there, a "," is ignored.
      {"a{,2}", {"1:3:Incorrect parameter quantifier", "1:4:Illegal integer value", "1:5:Illegal '}'"}},
      {"a{3,2}b", {"1:5:Incorrect parameter quantifier", "1:6:Illegal '}'"}},
      {"a{2,,}", {"1:5:Incorrect parameter quantifier", "1:6:Illegal '}'"}},
      {"a{}", {"1:3:Incorrect parameter quantifier"}},
      {"a?{2}", {"1:3:The parameter quantifier cannot be applied here"}},
      {"a{x}", {"1:3:Illegal 'x'"}},
      {"a{'}", {"1:3:Illegal ' ' '"}},
      {"a{2", {"1:4:Missing '}'"}},
      {"[b-a]", {"1:4:The starting character of the subrange must be less than the finishing one"}},
      {"[a-a]", {"1:4:The starting character of the subrange must be less than the finishing one"}},
      {"[a-c-e]", {"1:5:Illegal '-'"}},
      {"[]", {"1:2:Can't create empty enumeration"}},
      {"[^]", {"1:3:Can't create empty enumeration"}},
      {"[abc", {"1:5:Missing ']'"}},
      {"[a- ", {"1:5:Missing ']'"}},
      {"'abc", {"1:5:Missing ' ' '"}},
      {"\\x4", {"1:4:Hexadecimal number expected"}},
      {"\\xg1", {"1:3:Hexadecimal number expected but 'g' found"}},
      {"\\ a", {"1:2:The space character is not allowed after '\\'"}},
      {"(a)\\2", {"1:4:Too big reference number"}},
      {"ab\r\n[", {"2:2:Missing ']'"}},
      {"['a", {"1:4:Missing ' ' '", "1:4:Missing ']'"}},
      // One raise per stage: a scan error hides what the parse would have found.
      {"(*", {"0:0:Missing ')'"}},
  };
  for (const auto& c : cases) {
    TvxRegExpr re;
    EXPECT_EQ(c.Expected, CompileErrors(re, c.Source)) << "source: " << c.Source;
    EXPECT_FALSE(re.IsCompiled());
    EXPECT_EQ(nullptr, re.Stream());
  }
}

TEST_F(RegExprTest, ErrorTextShowsTranslatedPosition) {
  TvxRegExpr re;
  CompileErrors(re, "[ab");
  ASSERT_EQ(1, re.Errors().Count());
  EXPECT_EQ("Line1, Char4: Missing ']'", re.Errors().Items(0).Text());
  EXPECT_EQ("Missing ')'", TvxRegExprError(0, 0, "Missing ')'").Text());
  EXPECT_EQ("Line3: x", TvxRegExprError(0, 3, "x").Text());
  vxAddResourceStringTranslation("Line", "行");
  vxAddResourceStringTranslation("Char", "桁");
  EXPECT_EQ("行1, 桁4: Missing ']'", re.Errors().Items(0).Text());
}

TEST_F(RegExprTest, MissingStreamAndUncompiledUse) {
  TvxRegExpr re;
  EXPECT_THROW(re.Compile(nullptr), EvxRegExprError);
  ASSERT_EQ(1, re.Errors().Count());
  EXPECT_EQ("The source stream is not assigned", re.Errors().Items(0).Message());
  char c = 'a';
  for (auto use : std::vector<std::function<void()>>{
           [&] { re.Next(c); }, [&] { re.NextEx("a"); }, [&] { re.Prev(); }, [&] { re.Reset(); },
           [&] { re.IsFinal(); }, [&] { re.IsStart(); }}) {
    try {
      use();
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_EQ("Regular expression is not compiled", e.Message());
    }
  }
  // A later compile clears the old errors first.
  Compile(re, "a");
  EXPECT_TRUE(re.IsCompiled());
  EXPECT_EQ(0, re.Errors().Count());
  ASSERT_NE(nullptr, re.Stream());
  EXPECT_EQ(1, re.Stream()->Size());
}

struct TAcceptCase {
  const char* Pattern;
  const char* Input;
  const char* Accepted;  // the characters taken, up to the first refusal
  bool Final;
  bool CaseInsensitive = false;
};

TEST_F(RegExprTest, AcceptsAndRefusesSequences) {
  const TAcceptCase cases[] = {
      {"\\d{2,4}", "1", "1", false},
      {"\\d{2,4}", "12", "12", true},
      {"\\d{2,4}", "123", "123", true},
      {"\\d{2,4}", "12345", "1234", true},
      {"\\d{2,4}", "1a", "1", false},
      {"\\d{3}", "1234", "123", true},
      {"\\d{2,}", "12345678", "12345678", true},
      {"(ab|c)+", "", "", false},
      {"(ab|c)+", "abcab", "abcab", true},
      {"(ab|c)+", "cc", "cc", true},
      {"(ab|c)+", "ac", "a", false},
      {"a?", "", "", true},
      {"a?", "aa", "a", true},
      {"a+?b", "b", "b", true},
      {"a+?b", "aab", "aab", true},
      {"[^0-9]", "x", "x", true},
      {"[^0-9]", "5", "", false},
      {"[a-]", "-", "-", true},
      {"[a-]", "a", "a", true},
      {"[a-]", "b", "", false},
      {"[a-c]+", "abcd", "abc", true},
      {"[\\d_]+", "1_2x", "1_2", true},
      {"\\s", " ", " ", true},
      {"\\s", "\t", "\t", true},
      {"\\s", "\v", "", false},
      {"\\S", "x", "x", true},
      {"\\w+", "a_Z9-", "a_Z9", true},
      {"\\W", "a", "", false},
      {"\\D", "5", "", false},
      {".", "\x95", "\x95", true},
      {"'it''s'", "it's", "it's", true},
      {"'a b'", "a b", "a b", true},
      {"a b", "a b", "a", false},
      {"a b", "ab", "ab", true},
      {"\\x41\\t\\.", "A\t.", "A\t.", true},
      {"\\d\\p\\d", "1.5", "1.5", true},
      {"(a|b)c\\1", "acb", "acb", true},
      {"(a|b)c\\1", "aca", "aca", true},
      {"(a|b)c\\1", "acc", "ac", false},
      {"\\d\\d/\\d\\d", "12/34", "12/34", true},
      {"\\d\\d:\\d\\d", "12:3", "12:3", false},
      // Blocks whose contents can all be left out leave the input complete before them.
      {"a(b?)", "a", "a", true},
      {"a\\d{0,2}", "a", "a", true},
      {"a\\d{0,2}", "a123", "a12", true},
      {"\\d{0,2}", "", "", true},
      {"x{0}y", "y", "y", true},
      // The date words with their signed offset, as the locale date masks end.
      {"(\\d\\d)|('today'|'tomorrow')((\\+|-)\\d(\\d(\\d\\d?)?)?)?", "today+123", "today+123", true},
      {"(\\d\\d)|('today'|'tomorrow')((\\+|-)\\d(\\d(\\d\\d?)?)?)?", "to-1", "to", false},
      {"(\\d\\d)|('today'|'tomorrow')((\\+|-)\\d(\\d(\\d\\d?)?)?)?", "tomorrow-12345", "tomorrow-1234", true},
      // A trail byte 0x5C ('\') of a double-byte character is no escape.
      {"ソ\\d", "ソ5", "ソ5", true},
      // Case-insensitive alternatives each test the key as typed; it keeps its case when
      // one of them takes it so, else it takes the case of the first that took it.
      {"(a1|[A-Z]2)", "A2", "A2", true, true},
      {"(a1|[A-Z]2)", "A1", "A1", true, true},
      {"(a1|b2)", "A1", "a1", true, true},
      {"(ab|AC)", "Ac", "AC", true, true},
  };
  for (const auto& c : cases) {
    TvxRegExpr re;
    re.SetCaseInsensitive(c.CaseInsensitive);
    Compile(re, c.Pattern);
    EXPECT_EQ(c.Accepted, Type(re, c.Input)) << "pattern " << c.Pattern << " input " << c.Input;
    EXPECT_EQ(c.Final, re.IsFinal()) << "pattern " << c.Pattern << " input " << c.Input;
  }
}

TEST_F(RegExprTest, SeparatorsFollowTheLocaleAtEachStep) {
  TvxRegExpr re;
  Compile(re, "\\d/\\d");
  EXPECT_EQ("1", Type(re, "1"));
  SetDateSeparator('.');
  char c = '/';
  EXPECT_FALSE(re.Next(c));
  c = '.';
  EXPECT_TRUE(re.Next(c));
}

TEST_F(RegExprTest, CaseInsensitiveStepGivesPatternCase) {
  TvxRegExpr re;
  re.SetCaseInsensitive(true);
  Compile(re, "ab[c]");
  EXPECT_EQ("abc", Type(re, "ABC"));
  EXPECT_TRUE(re.IsFinal());
  TvxRegExpr strict;
  Compile(strict, "ab");
  EXPECT_EQ("", Type(strict, "AB"));
  // Ranges and classes compare bytes as they are, case-insensitive or not.
  TvxRegExpr range;
  range.SetCaseInsensitive(true);
  Compile(range, "[a-c]");
  EXPECT_EQ("", Type(range, "B"));
  // The second byte of a double-byte character is never folded: "ア" is 83 41 and "ヂ"
  // 83 61, so a case-insensitive "ア" must not take "ヂ" (nor turn it into "ア").
  for (const char* pattern : {"ア", "'ア'", "[ア]+"}) {
    TvxRegExpr kana;
    kana.SetCaseInsensitive(true);
    Compile(kana, pattern);
    EXPECT_EQ("\x83", Type(kana, "ヂ")) << pattern;
    kana.Reset();
    EXPECT_EQ("ア", Type(kana, "ア")) << pattern;
  }
  TvxRegExpr mixed;
  mixed.SetCaseInsensitive(true);
  Compile(mixed, "ア'a'");
  EXPECT_EQ("アa", Type(mixed, "アA"));  // single-byte letters still fold
}

TEST_F(RegExprTest, PrevRestoresTheStateBefore) {
  TvxRegExpr re;
  Compile(re, "(ab|c)+");
  EXPECT_TRUE(re.IsStart());
  EXPECT_FALSE(re.Prev());
  EXPECT_EQ("ab", Type(re, "ab"));
  EXPECT_TRUE(re.IsFinal());
  EXPECT_TRUE(re.Prev());
  EXPECT_FALSE(re.IsFinal());
  char c = 'c';
  EXPECT_FALSE(re.Next(c));  // after "a" only "b" may follow
  EXPECT_TRUE(re.Prev());
  EXPECT_TRUE(re.IsStart());
  EXPECT_EQ("c", Type(re, "c"));
  re.Reset();
  EXPECT_TRUE(re.IsStart());
  EXPECT_EQ(0, re.HistoryCount());
}

TEST_F(RegExprTest, NextExSkipsRefusedCharacters) {
  TvxRegExpr re;
  Compile(re, "\\d\\d-\\d");
  re.SetAutoComplete(true);  // NextEx completes no literal
  EXPECT_EQ("12-3", re.NextEx("1x2-a3"));
  EXPECT_TRUE(re.IsFinal());
}

TEST_F(RegExprTest, AutoCompleteAddsAndRemovesSeparator) {
  TvxRegExpr re;
  AnsiString added;
  int deleted = 0;
  re.SetOnSymbolAdd([&](char c) { added += c; });
  re.SetOnSymbolDelete([&] { ++deleted; });
  re.SetAutoComplete(true);
  Compile(re, "\\d\\d/\\d\\d");
  EXPECT_EQ("12", Type(re, "12"));
  EXPECT_EQ("/", added);
  EXPECT_EQ("3", Type(re, "3"));  // the separator stands already
  EXPECT_TRUE(re.Prev());
  EXPECT_TRUE(re.Prev());         // back over the separator and the "2"
  EXPECT_EQ(1, deleted);
  EXPECT_EQ("/", added);
  EXPECT_EQ("5", Type(re, "5"));  // after the "1"
  EXPECT_EQ("//", added);
}

TEST_F(RegExprTest, AutoCompleteAtStartAndWhenSwitchedOn) {
  TvxRegExpr re;
  AnsiString added;
  re.SetOnSymbolAdd([&](char c) { added += c; });
  Compile(re, "'(+'\\d");
  EXPECT_EQ("", added);
  re.SetAutoComplete(true);
  EXPECT_EQ("(+", added);
  EXPECT_FALSE(re.IsStart());
  EXPECT_EQ("7", Type(re, "7"));
  EXPECT_TRUE(re.IsFinal());
}

TEST_F(RegExprTest, AmbiguousRepetitionKeepsStateListsSmall) {
  for (const char* pattern : {"(a|a)*", "(\\d|[0-5])*"}) {
    TvxRegExpr re;
    Compile(re, pattern);
    AnsiString text(10000, pattern[1] == 'a' ? 'a' : '3');
    EXPECT_EQ(text, Type(re, text)) << pattern;
    EXPECT_TRUE(re.IsFinal());
    EXPECT_LE(re.CurrentStateCount(), 2) << pattern;
    EXPECT_EQ(10000, re.HistoryCount());
    char c = 'x';
    EXPECT_FALSE(re.Next(c));
    EXPECT_TRUE(re.Prev());
    EXPECT_FALSE(re.IsStart());
  }
}

TEST_F(RegExprTest, BraceCountsAreCapped) {
  const TErrorCase cases[] = {
      {"\\d{2000000000}", {"1:13:Incorrect parameter quantifier"}},
      {"\\d{99999999999999999999}", {"1:23:Incorrect parameter quantifier"}},
      {"\\d{1001}", {"1:7:Incorrect parameter quantifier"}},
      {"\\d{1,1001}", {"1:9:Incorrect parameter quantifier"}},
      {"\\d{1000}", {}},
      {"\\d{0,1000}", {}},
      // Nested counts multiply; the copies as a whole are capped too.
      {"((\\d{1000}){1000})", {"1:12:Incorrect parameter quantifier"}},
  };
  for (const auto& c : cases) {
    TvxRegExpr re;
    Errors errors = CompileErrors(re, c.Source);
    if (c.Expected.empty()) {
      EXPECT_TRUE(re.IsCompiled()) << c.Source;
    } else {
      EXPECT_EQ(c.Expected, errors) << c.Source;
    }
  }
  TvxRegExpr re;
  Compile(re, "\\d{1000}");
  AnsiString digits(1000, '7');
  EXPECT_EQ(digits, Type(re, digits + "7"));
  EXPECT_TRUE(re.IsFinal());
}

TEST_F(RegExprTest, NestedBackReferencesAreCapped) {
  // Block k holds block k+1 and eight references to it, so each level is nine times the
  // one inside: 9^6 states from some hundred characters if nothing stopped it.
  AnsiString source = "(a)";
  for (int level = 6; level >= 2; --level) {
    AnsiString refs;
    for (int i = 0; i < 8; ++i) refs += "\\" + std::to_string(level);
    source = "(" + source + refs + ")";
  }
  for (int i = 0; i < 8; ++i) source += "\\1";
  TvxRegExpr re;
  Errors errors = CompileErrors(re, source);
  ASSERT_FALSE(errors.empty());
  EXPECT_NE(std::string::npos, errors[0].find("Too big reference number"));
}

AnsiString Repeat(const AnsiString& text, int count) {
  AnsiString result;
  while (count-- > 0) result += text;
  return result;
}

size_t PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  EXPECT_TRUE(K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)));
  return counters.PeakWorkingSetSize;
}

struct TCostCase {
  AnsiString Source;
  size_t ErrorCount;  // 0: it compiles and takes Typed to a final state
  std::string FirstError;
  const char* Typed = "a";
};

// Masks that overflowed the stack, ran for minutes or filled the memory, and the nesting
// limits (256 open "(", 2048 levels made by quantifiers, bounds and references): each
// compiles or is refused within 64 MB, and a keystroke looks at no state twice.
TEST_F(RegExprTest, CostStaysWithinTheMaskSize) {
  const AnsiString deepest = Repeat("(", 256) + "a+" + Repeat("?", 2048) + Repeat(")", 256);
  const TCostCase cases[] = {
      {Repeat("(", 20000) + "a" + Repeat(")", 20000), 1, "1:257:Illegal '('"},
      {Repeat(")", 300) + Repeat("(", 300) + "a", 1, "1:557:Illegal '('"},  // ")" closes none
      {Repeat("(a?)?", 28), 0, "", "aa"},
      {Repeat("b*?", 68), 0, "", "bbb"},
      {Repeat("a?", 30000), 0, "", "aaa"},
      {deepest, 0, ""},
      {deepest + "\\1", 1, "1:2563:Too big reference number"},
      {"a+" + Repeat("?", 2049), 1, "1:2051:Illegal quantifier '?'"},
      {"(a+" + Repeat("?", 2046) + "b){2}", 0, "", "abb"},
      {"(a+" + Repeat("?", 2047) + "b){2}", 1, "1:2053:Incorrect parameter quantifier"},
      // Once the copy budget is spent, later references and bounds are refused uncounted.
      {"(x{1000}){99}" + Repeat("\\1", 20000), 20000, "1:14:Too big reference number"},
      {"(x{1000}){99}" + Repeat("{2,}", 20000), 20000, "1:14:Incorrect parameter quantifier"},
      // Copies of blocks without items cost their blocks, or nested references multiply freely.
      {"((((x{0})" + Repeat("\\4", 50) + ")" + Repeat("\\3", 50) + ")" + Repeat("\\2", 50) + ")" +
           Repeat("\\1", 50),
       95, "1:222:Too big reference number"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Source.substr(0, 30) + "... " + std::to_string(c.Source.size()) + " bytes");
    size_t peak = PeakWorkingSet();
    {
      TvxRegExpr re;
      Errors errors = CompileErrors(re, c.Source);
      ASSERT_EQ(c.ErrorCount, errors.size());
      if (errors.empty()) {
        EXPECT_LE(re.TransitionCount(), 2 * int64_t{re.StateCount()});
        for (const char* key = c.Typed; *key; ++key) {
          int64_t visited = re.VisitedStateCount();
          char typed = *key;
          EXPECT_TRUE(re.Next(typed));
          EXPECT_LE(re.VisitedStateCount() - visited, re.StateCount());
        }
        EXPECT_TRUE(re.IsFinal());
      } else {
        EXPECT_EQ(c.FirstError, errors[0]);
      }
    }
    EXPECT_LT(PeakWorkingSet() - peak, 64u << 20);
  }
}

TEST_F(RegExprTest, RecompileClearsPreviousAutomaton) {
  TvxRegExpr re;
  Compile(re, "ab");
  EXPECT_EQ("a", Type(re, "a"));
  Compile(re, "x");
  EXPECT_TRUE(re.IsStart());
  EXPECT_EQ("x", Type(re, "x"));
  EXPECT_FALSE(CompileErrors(re, "[").empty());
  EXPECT_FALSE(re.IsCompiled());
  EXPECT_THROW(re.IsFinal(), Exception);
}

struct TLexemCase {
  const char* Source;
  std::vector<std::string> Expected;  // "kind:char:value" per lexem
};

TEST_F(RegExprTest, ScanProducesLexemKindsAndPositions) {
  const TLexemCase cases[] = {
      {"(a)\\1", {"1:1:(", "0:2:a", "1:3:)", "10:4:1"}},
      {".\\w\\W\\d\\D\\s\\S", {"3:1:.", "4:2:w", "5:4:W", "6:6:d", "7:8:D", "8:10:s", "9:12:S"}},
      {"/:", {"11:1:/", "12:2::"}},
      {"a{ 12 ,3}", {"0:1:a", "1:2:{", "2:5:12", "1:7:,", "2:8:3", "1:9:}"}},
      {"[^a-b-]", {"1:1:[", "1:2:^", "0:3:a", "1:4:-", "0:5:b", "0:6:-", "1:7:]"}},
      {"[-/:'x']", {"1:1:[", "0:2:-", "11:3:/", "12:4::", "0:6:x", "1:8:]"}},
      {"] } - , ^ $ 0", {"0:1:]", "0:3:}", "0:5:-", "0:7:,", "0:9:^", "0:11:$", "0:13:0"}},
      {"'a ''b'", {"0:2:a", "0:3: ", "0:5:'", "0:6:b"}},
      {"\\0\\(\\x7e", {"0:1:0", "0:3:(", "0:5:~"}},
  };
  for (const auto& c : cases) {
    TvxRegExpr re;
    try {
      Compile(re, c.Source);
    } catch (const EvxRegExprError&) {
    }
    std::vector<std::string> lexems;
    for (int i = 0; i < re.Lexems().Count(); ++i) {
      const TvxLexem& l = re.Lexems().Items(i);
      lexems.push_back(std::to_string(l.Kind) + ":" + std::to_string(l.CharPos) + ":" + l.Value);
    }
    EXPECT_EQ(c.Expected, lexems) << c.Source;
  }
}

TEST_F(RegExprTest, EnumerationMembers) {
  const TAcceptCase cases[] = {
      {"[/:]+", "/:/", "/:/", true},
      {"['[]']+", "[]", "[]", true},
      {"[\\]]", "]", "]", true},
      {"[\\x30-\\x32]+", "0123", "012", true},
      {"[^\\d\\s]", "a", "a", true},
      {"[^\\d\\s]", " ", "", false},
      {"[a-cx-z]+", "cyd", "cy", true},
  };
  for (const auto& c : cases) {
    TvxRegExpr re;
    Compile(re, c.Pattern);
    EXPECT_EQ(c.Accepted, Type(re, c.Input)) << "pattern " << c.Pattern;
    EXPECT_EQ(c.Final, re.IsFinal()) << "pattern " << c.Pattern;
  }
}

TEST_F(RegExprTest, AutoCompleteOfLeadingLiteralAtCompileAndItsRemoval) {
  TvxRegExpr re;
  AnsiString added;
  int deleted = 0;
  re.SetOnSymbolAdd([&](char c) { added += c; });
  re.SetOnSymbolDelete([&] { ++deleted; });
  re.SetAutoComplete(true);
  Compile(re, "\\(\\d");
  EXPECT_EQ("(", added);
  EXPECT_FALSE(re.IsStart());
  // Taking back the forced "(" reaches the start; there is no step of the user's to undo.
  EXPECT_FALSE(re.Prev());
  EXPECT_EQ(1, deleted);
  EXPECT_TRUE(re.IsStart());
}

TEST_F(RegExprTest, ClearForgetsEverything) {
  TvxRegExpr re;
  CompileErrors(re, "[");
  re.Clear();
  EXPECT_EQ(0, re.Errors().Count());
  EXPECT_EQ(0, re.Lexems().Count());
  Compile(re, "a");
  re.Clear();
  EXPECT_FALSE(re.IsCompiled());
  EXPECT_EQ(nullptr, re.Stream());
}

TEST_F(RegExprTest, ParseTreeDump) {
  TvxRegExprParserBlockItem block;
  block.SetQuantifier(std::make_unique<TvxRegExprQuestionQuantifier>());
  auto alt = std::make_unique<TvxRegExprParserAlt>();
  alt->Add(std::make_unique<TvxRegExprParserSimpleItem>(std::make_unique<TvxRegExprDigit>(false)));
  auto plus = std::make_unique<TvxRegExprParserSimpleItem>(std::make_unique<TvxRegExprAll>());
  plus->SetQuantifier(std::make_unique<TvxRegExprPlusQuantifier>());
  alt->Add(std::move(plus));
  block.Alts().Add(std::move(alt));
  EXPECT_EQ("<Start_Block>\r\n<Start_Alt>\r\nitem --> \r\nitem --> +\r\n<Finish_Alt>\r\n"
            "<Finish_Block> --> ?\r\n",
            block.GetDump());
  EXPECT_TRUE(block.CanMissing());
  EXPECT_EQ(block.GetDump(), block.Clone()->GetDump());
}

}  // namespace
