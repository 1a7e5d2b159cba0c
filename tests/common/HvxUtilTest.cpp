#include "common/HvxUtil.h"
#include "common/uROSessions.h"

#include "platform/rtl/FormatSettings.h"

#include <gtest/gtest.h>

#include <regex>

TEST(HvxUtil, GetExtTakesTheLastDotOfTheLastComponent) {
  struct Case {
    const char* name;
    const char* withDot;
    const char* withoutDot;
  } cases[] = {
      {"C:\\dir.d\\name", "", ""},
      {"a.tar.gz", ".gz", "gz"},
      {"README.", ".", ""},
      {"c:x.Doc", ".Doc", "Doc"},
      {"d:\\表.d\\ソ", "", ""},  // 表 ends in 0x5C: not a separator
      {"表.TXT", ".TXT", "TXT"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetExt(c.name), c.withDot) << c.name;
    EXPECT_EQ(GetExt(c.name, true), c.withoutDot) << c.name;
  }
}

TEST(HvxUtil, YesNoConversionIsCaseInsensitiveButNotTrimmed) {
  EXPECT_TRUE(YesNoToBool("YES"));
  EXPECT_TRUE(YesNoToBool("yEs"));
  EXPECT_FALSE(YesNoToBool("No"));
  EXPECT_EQ(BoolToYesNo(true), "yes");
  EXPECT_EQ(BoolToYesNo(false), "no");
  for (const char* bad : {" yes", "yes ", "", "y", "true"}) {
    try {
      YesNoToBool(bad);
      ADD_FAILURE() << "no exception for '" << bad << "'";
    } catch (const ECorvaneException& e) {
      EXPECT_EQ(e.Message(), "value is not 'yes' or 'no'  at CorvaneUtil");
    }
  }
}

TEST(HvxUtil, ErrMsgFallsBackToTheMessage) {
  ECorvaneException e("boom");
  EXPECT_EQ(e.ErrMsg(), "boom");
  e.SetErrMsg("detail");
  EXPECT_EQ(e.ErrMsg(), "detail");
  EXPECT_EQ(e.Message(), "boom");
  e.SetErrMsg("");
  EXPECT_EQ(e.ErrMsg(), "boom");
}

TEST(HvxUtil, RaiseRoutinesKeepTheirClassAndText) {
  try {
    RaiseMsg("100% sure %s");  // never taken as a format
    FAIL() << "not raised";
  } catch (const ECorvaneException& e) {
    EXPECT_EQ(e.Message(), "100% sure %s");
    EXPECT_STREQ(e.ClassName(), "ECorvaneException");
  }
  try {
    RaiseFmt("%s=%d", "n", 5);
    FAIL() << "not raised";
  } catch (const ECorvaneException& e) {
    EXPECT_EQ(e.Message(), "n=5");
  }
  try {
    RaiseClassFmt<ECvFileListCountTooMuch>("count %d over %d", 7, 5);
    FAIL() << "not raised";
  } catch (const ECorvaneUserException& e) {
    EXPECT_EQ(e.Message(), "count 7 over 5");
    EXPECT_STREQ(e.ClassName(), "ECvFileListCountTooMuch");
  }
}

TEST(HvxUtil, DateToDMYUsesTheLocaleSeparator) {
  TFormatSettings saved = GetFormatSettings();
  TFormatSettings fs = saved;
  fs.DateSeparator = '-';
  SetFormatSettings(fs);
  EXPECT_EQ(DateToDMY(EncodeDate(2007, 3, 5)), "05-03-2007");
  EXPECT_EQ(DateToDMY(0), "");
  SetFormatSettings(saved);
}

TEST(HvxUtil, GuidTextIsBracedUpperCaseAndFresh) {
  AnsiString g1 = NewGuidString(), g2 = NewGuidString();
  std::regex form("\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}");
  EXPECT_TRUE(std::regex_match(g1, form)) << g1;
  EXPECT_NE(g1, g2);
}

namespace {
std::vector<AnsiString> Items(const TStringList& list) {
  std::vector<AnsiString> r;
  for (int i = 0; i < list.Count(); ++i) r.push_back(list[i]);
  return r;
}
}  // namespace

TEST(HvxUtil, SetCommaListTrimsAndOptionallyDropsEmptyItems) {
  using V = std::vector<AnsiString>;
  TStringList list;
  list.Add("old");
  SetCommaList(list, "a, \"b\" ,,c", true, true);
  EXPECT_EQ(Items(list), (V{"a", "b", "c"}));
  SetCommaList(list, "a, \"b\" ,,c", true, false);
  EXPECT_EQ(Items(list), (V{"a", "b", "", "c"}));
  SetCommaList(list, "a, \"b\" ,,c", false, true);
  EXPECT_EQ(Items(list), (V{"a", "\"b\"", "c"}));
  SetCommaList(list, "", true, false);
  EXPECT_EQ(list.Count(), 0);
  SetCommaList(list, "x,", false, false);  // a trailing comma adds no empty item
  EXPECT_EQ(Items(list), (V{"x"}));
  SetCommaList(list, " 表示 , ソフト", false, true);
  EXPECT_EQ(Items(list), (V{"表示", "ソフト"}));
}

namespace {
struct ScanResult {
  int state, quotes, firstOpen, firstClose, secondOpen, secondClose;
  AnsiString text;
};
ScanResult Scan(const AnsiString& line, int state = sqOutside) {
  ScanResult r{state, 0, 0, 0, 0, 0, "junk"};
  ScanQuotedLine(line, r.state, r.quotes, r.firstOpen, r.firstClose, r.secondOpen,
                 r.secondClose, r.text);
  return r;
}
}  // namespace

TEST(HvxUtil, ScanQuotedLineStripsCommentsAndBlanksOutsideQuotes) {
  ScanResult r = Scan(" 'key' => 'it\\'s' // note ");
  EXPECT_EQ(r.state, sqLineComment);
  EXPECT_EQ(r.quotes, 2);
  EXPECT_EQ(r.text, "'key'=>'it\\'s'");
  EXPECT_EQ(r.firstOpen, 2);
  EXPECT_EQ(r.firstClose, 6);
  EXPECT_EQ(r.secondOpen, 11);
  EXPECT_EQ(r.secondClose, 17);

  r = Scan("$a = \"x y\"; /* open");
  EXPECT_EQ(r.state, sqInBlockComment);
  EXPECT_EQ(r.text, "$a=\"x y\";");
  r = Scan("still */ 'v'", sqInBlockComment);
  EXPECT_EQ(r.state, sqOutside);
  EXPECT_EQ(r.text, "'v'");
  r = Scan("/*/ x */y");
  EXPECT_EQ(r.state, sqOutside);
  EXPECT_EQ(r.text, "y");
  r = Scan("k # hash 'q'");
  EXPECT_EQ(r.state, sqHashComment);
  EXPECT_EQ(r.text, "k");
  EXPECT_EQ(r.quotes, 0);
  r = Scan("'unclosed");
  EXPECT_EQ(r.state, sqInQuote);
}

TEST(HvxUtil, ScanQuotedLineTreatsA5CTrailByteAsNoEscape) {
  // 表 is 95 5C: the quote after it closes the string.
  ScanResult r = Scan("'表' 'b'");
  EXPECT_EQ(r.state, sqOutside);
  EXPECT_EQ(r.text, "'表''b'");
  EXPECT_EQ(r.firstClose, 4);
  EXPECT_EQ(r.quotes, 2);
}

TEST(HvxUtil, ScanQuotedLineWalksALongLineOnce) {
  // A value of 300,000 escaped quotes, each after a 5C trail byte and a real backslash
  // (ソ is 83 5C), closed by a quote right after ソ: every quote of the value is a closing
  // candidate that looks at the character before it. Over a megabyte in one line; one walk
  // takes milliseconds, a walk from the start per quote would take many minutes.
  const int n = 300000;
  AnsiString value;
  value.reserve(4 * n + 2);
  for (int i = 0; i < n; ++i) value += "ソ\\'";
  value += "ソ";
  const AnsiString line = "'k' => '" + value + "'; /* c */ x";
  ScanResult r = Scan(line);
  EXPECT_EQ(r.state, sqOutside);
  EXPECT_EQ(r.quotes, 2);
  EXPECT_EQ(r.firstClose, 3);
  EXPECT_EQ(r.secondOpen, 8);
  EXPECT_EQ(r.secondClose, static_cast<int>(8 + value.size() + 1));
  EXPECT_TRUE(r.text == "'k'=>'" + value + "';x") << r.text.size();
}

TEST(HvxUtil, ExceptionFamilyIsRegisteredInOrderAndRemoved) {
  InitializeuROClasses();
  InitializeuROSessions();
  InitializeHvxUtil();
  EXPECT_EQ(RegisteredExceptionClasses().size(), 7u);  // the order: CommonStartupTest
  FinalizeHvxUtil();
  EXPECT_EQ(RegisteredExceptionClasses(), std::vector<TExceptionClass>{&typeid(EROSessionNotFound)});
  UnregisterExceptionClass(&typeid(ECorvaneException));  // not listed: nothing happens
  FinalizeuROSessions();
  EXPECT_TRUE(RegisteredExceptionClasses().empty());
  FinalizeuROClasses();
}
