// The path filter's exclusion rule file on seeded mutations of a valid one: every file
// loads or is refused by the rule error, and the rules loaded answer for any path.
#include "CvIdxBuilder/CvPathValidatorUnit.h"

#include "tests/support/InputMutator.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

TEST(ExcludeRules, MutatedRuleFilesLoadOrAreRefusedByTheRuleError) {
  const std::string sample =
      "pdf\tbudget\r\n*\tsecret\r\n  ..DOC \t draft \r\ntxt\t\r\ntmp budget\r\n\r\n"
      "*\t\\\\\\\\cache\\\\\\\\\r\nlog\t^d:\\\\\\\\logs\r\nzip\ta\\tb\r\n*\tソn\r\n"
      "dat\t表\\\\\\\\d[0-9]{2,4}(x|y)+?\r\n";
  const WideString paths[] = {L"D:\\Docs\\Budget1.PDF", L"D:\\x\\Cache\\y.dat",
                              L"d:\\logs\\a.log",       L"D:\\ソnata\\表\\d12xy.dat",
                              L"D:\\a\tb.zip",          L"c:\\"};
  testsupport::TTempDir dir;
  const AnsiString file = dir.File("exclude.txt");
  testsupport::TInputMutator mutator(20240618);
  int loaded = 0;
  for (int i = 0; i < 300; ++i) {
    testsupport::WriteFileBytes(AnsiToWide(file), mutator.Mutate(sample));
    TCvPathExcludePatternList rules;
    try {
      rules.Load(file);
    } catch (const ERegExprError& e) {
      EXPECT_EQ(0u, e.Message().find("除外ルールの正規表現が正しくありません: ")) << "input " << i;
      continue;
    }
    ++loaded;
    for (const WideString& path : paths) rules.Matches(path);
  }
  EXPECT_GT(loaded, 100);
}
