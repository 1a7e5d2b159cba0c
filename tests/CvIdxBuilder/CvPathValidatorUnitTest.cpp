// The path filter: length and ANSI tests, system and profile folders, index roots and the
// exclusion rules of "exclude.txt"; and a scan that lists what the filter refuses.
#include "CvIdxBuilder/CvPathValidatorUnit.h"

#include "common/CorvaneIniUnit.h"
#include "common/CorvanePathUnit.h"
#include "tests/CvIdxBuilder/CvIdxTestHelpers.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <thread>

using namespace testsupport;
using namespace cvidxtest;

namespace {

// The scan tests of this executable walk temp folders, which lie inside the user's profile
// on the test machine: they get a filter that knows no system folders and no rules.
class TPathFilterEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    InitializeCvPathValidatorUnit();
    TCvPathValidator::ReplaceInstance(std::make_unique<TCvPathValidator>(TCvPathValidatorSettings{}));
  }
  void TearDown() override { FinalizeCvPathValidatorUnit(); }
};
::testing::Environment* const gPathFilterEnvironment =
    ::testing::AddGlobalTestEnvironment(new TPathFilterEnvironment);

class PathValidatorTest : public ::testing::Test {
protected:
  PathValidatorTest() {
    const AnsiString t = FTemp.Path();
    FSettings.ExcludeFile = t + "\\exclude.txt";
    FSettings.ProgramFolder = t + "\\prog\\";
    FSettings.ProductTempFolder = t + "\\ptemp";
    FSettings.WindowsFolder = t + "\\WINDOWS";
    FSettings.ProgramFilesFolder = t + "\\Program Files";
    FSettings.ProfilesFolder = t + "\\Documents and Settings";
    // Quoted as at start-up: the temp path may hold "." "+" "(" and the like.
    FSettings.ProfilesRootPattern =
        QuoteRegExprMetaChars(IncludeTrailingBackslash(FSettings.ProfilesFolder));
    FSettings.MyDocumentsName = "My Documents";
    FSettings.FavoritesName = "Favorites";
    FSettings.DesktopName = "デスクトップ";
    for (const char* f : {"\\prog", "\\ptemp", "\\WINDOWS", "\\Program Files",
                          "\\Documents and Settings\\bob"})
      MakeDirs(AnsiToWide(t + f));
  }

  void WriteRules(const AnsiString& text) {
    WriteFileBytes(AnsiToWide(FSettings.ExcludeFile), text);
  }
  std::unique_ptr<TCvPathValidator> Make() { return std::make_unique<TCvPathValidator>(FSettings); }
  WideString In(const AnsiString& rest) const { return AnsiToWide(FTemp.Path() + rest); }

  TTempDir FTemp;
  TCvPathValidatorSettings FSettings;
};

TEST_F(PathValidatorTest, LengthLimitsInCharactersAndBytes) {
  auto v = Make();
  const WideString base = L"D:\\";
  EXPECT_TRUE(v->IsValid(base + WideString(256, L'a')));   // 259 characters
  EXPECT_FALSE(v->IsValid(base + WideString(257, L'a')));  // 260 characters
  // 257 characters, 3 + 508 = 511 bytes in code page 932.
  EXPECT_TRUE(v->IsValid(base + WideString(254, L'あ')));
  // 259 characters but 3 + 512 = 515 bytes.
  EXPECT_FALSE(v->IsValid(base + WideString(256, L'あ')));
  EXPECT_TRUE(TCvPathValidator::IsLengthValid(AnsiString(512, 'a').replace(0, 3, "D:\\").substr(0, 259)));
  EXPECT_FALSE(TCvPathValidator::IsLengthValid(AnsiString(260, 'a')));
}

TEST_F(PathValidatorTest, CharactersWithoutAnAnsiFormAreRefused) {
  auto v = Make();
  EXPECT_TRUE(v->IsValid(L"D:\\docs\\日本語①.txt"));
  EXPECT_FALSE(v->IsValid(L"D:\\docs\\a\x0100" L"b.txt"));  // Latin A with macron
  EXPECT_FALSE(v->IsValid(L"D:\\docs\\\xD83D\xDE00.txt"));  // outside the BMP
  EXPECT_FALSE(v->IsValid(L"D:\\docs\\\xD83D.txt"));        // lone surrogate
  EXPECT_FALSE(TCvPathValidator::IsAnsiSafe(L"\x00E9"));
  EXPECT_TRUE(TCvPathValidator::IsAnsiSafe(L"ｱｲｳ"));
}

// A walk passes one scratch for all its paths, which keeps the ANSI form of the folder
// last seen: the answers must be those of a fresh test, whatever came before.
TEST_F(PathValidatorTest, AWalksScratchGivesTheAnswersOfAFreshTest) {
  auto v = Make();
  const WideString longName(251, L'a'), wide127(127, L'あ'), wide126(126, L'あ');
  const struct {
    WideString Path;
    bool Valid;
  } cases[] = {
      {L"D:\\docs\\a.txt", true},
      {L"D:\\docs\\報告書.txt", true},
      {L"D:\\docs\\a\x0100.txt", false},          // a name without an ANSI form
      {L"D:\\docs\\b.txt", true},                  // the same folder again
      {L"D:\\d\x0100cs\\b.txt", false},           // a folder without one
      {L"D:\\d\x0100cs\\c.txt", false},
      {L"D:\\docs\\c.txt", true},
      {L"D:\\ソ\\表.txt", true},                   // 0x5C trail bytes in folder and name
      {L"D:\\ソ\\\xD83D.txt", false},             // a lone surrogate
      {L"D:\\x\\" + longName, true},               // 256 characters
      {L"D:\\x\\" + longName + L"bcd", true},      // 259
      {L"D:\\x\\" + longName + L"bcde", false},    // 260
      {L"D:\\" + wide127 + L"\\" + wide126 + L"\\a", true},    // 258 characters, 512 bytes
      {L"D:\\" + wide127 + L"\\" + wide126 + L"\\ab", false},  // 513 bytes
      {L"D:\\" + wide127 + L"\\" + wide126 + L"\\あ", false},
      {L"D:\\" + wide127 + wide127 + L"x\\", false},               // the folder part alone
      {L"noslash", true},
      {L"D:\\docs\\", true},
  };
  TCvPathScratch scratch;
  for (const auto& c : cases) {
    EXPECT_EQ(c.Valid, v->IsValid(c.Path, scratch)) << WideToAnsi(c.Path);
    EXPECT_EQ(c.Valid, v->IsValid(c.Path)) << WideToAnsi(c.Path);
  }
}

TEST_F(PathValidatorTest, SystemFoldersNeedTheBackslashBoundary) {
  auto v = Make();
  struct {
    const char* Rest;
    bool Valid;
  } cases[] = {
      {"\\WINDOWS", false},           // the folder itself
      {"\\windows\\system32\\a.dll", false},
      {"\\WINDOWS.txt", true},
      {"\\WINDOWS2\\a", true},
      {"\\prog", false},              // program folder written with its backslash
      {"\\prog\\a.exe", false},
      {"\\ptemp\\x", false},
      {"\\PROGRAM FILES\\app", false},
      {"\\nowhere", true},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Valid, v->IsValid(In(c.Rest))) << c.Rest;
  // The folder itself counts only when it is a folder on disk.
  WriteFileBytes(In("\\plainfile"), "x");
  FSettings.WindowsFolder = FTemp.Path() + "\\plainfile";
  EXPECT_TRUE(Make()->IsValid(In("\\plainfile")));
  EXPECT_FALSE(Make()->IsValid(In("\\plainfile\\x")));
  // Recycle bin and volume information on every drive, network shares included.
  EXPECT_FALSE(v->IsValid(L"D:\\RECYCLER\\S-1-5\\a.doc"));
  EXPECT_TRUE(v->IsValid(L"D:\\recycler.doc"));
  EXPECT_FALSE(v->IsValid(L"\\\\srv\\share\\System Volume Information\\x"));
  EXPECT_TRUE(v->IsValid(L"\\\\srv\\share\\docs\\x"));
}

TEST_F(PathValidatorTest, EmptyBasesExcludeNothing) {
  auto v = std::make_unique<TCvPathValidator>(TCvPathValidatorSettings{});
  EXPECT_TRUE(v->IsValid(L"C:\\WINDOWS\\system32"));
  EXPECT_TRUE(v->IsValid(L"C:\\Documents and Settings\\bob\\Local Settings"));
  EXPECT_FALSE(TCvPathValidator::IsUnder(true, "", "C:\\x"));
  EXPECT_TRUE(TCvPathValidator::IsUnder(true, "C:\\X\\", "c:\\x"));
  EXPECT_FALSE(TCvPathValidator::IsUnder(false, "C:\\X\\", "c:\\x"));
  EXPECT_TRUE(TCvPathValidator::IsUnder(false, "C:\\X", "c:\\x\\y"));
  // "ソ" ends in byte 0x5C: "C:\ソ" does not hold "C:\ソ" + "x" through its trail byte.
  EXPECT_FALSE(TCvPathValidator::IsUnder(false, "C:\\\x83", "C:\\\x83\x5Cx"));
}

TEST_F(PathValidatorTest, ProfileSubtreesOutsideTheUserFoldersAreRefused) {
  auto v = Make();
  struct {
    const char* Rest;
    bool Valid;
  } cases[] = {
      {"\\Documents and Settings", true},
      {"\\Documents and Settings\\bob", true},
      {"\\Documents and Settings\\bob\\", true},
      {"\\Documents and Settings\\bob\\Local Settings", false},
      {"\\Documents and Settings\\bob\\Local Settings\\Temp\\a.txt", false},
      {"\\documents and settings\\BOB\\My Documents\\a.doc", true},
      {"\\Documents and Settings\\bob\\My Documents", true},
      {"\\Documents and Settings\\alice\\Favorites\\x.url", true},
      {"\\Documents and Settings\\alice\\デスクトップ\\memo.txt", true},
      {"\\Documents and Settings\\alice\\NTUSER.DAT", false},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Valid, v->IsValid(In(c.Rest))) << c.Rest;
}

TEST_F(PathValidatorTest, AUserFolderNameNotFoundAllowsNothingExtra) {
  FSettings.MyDocumentsName.clear();
  auto v = Make();
  EXPECT_FALSE(v->IsValid(In("\\Documents and Settings\\bob\\My Documents\\a.doc")));
  EXPECT_FALSE(v->IsValid(In("\\Documents and Settings\\bob\\Local Settings")));
  EXPECT_TRUE(v->IsValid(In("\\Documents and Settings\\bob\\Favorites\\x.url")));
}

TEST_F(PathValidatorTest, IndexRootsAreRefused) {
  TCorvaneRootList roots;
  roots.Add(std::make_unique<TCorvaneRoot>("D:\\Docs", "D:\\Idx", ""));
  FSettings.Roots = &roots;
  auto v = Make();
  EXPECT_FALSE(v->IsValid(L"D:\\Idx"));
  EXPECT_FALSE(v->IsValid(L"d:\\IDX\\sub\\file.txt"));
  EXPECT_TRUE(v->IsValid(L"D:\\Idx2\\file.txt"));
  EXPECT_TRUE(v->IsValid(L"D:\\Docs\\file.txt"));
}

TEST_F(PathValidatorTest, RulesByExtensionAndForEveryPath) {
  WriteRules(
      "pdf\tbudget\r\n"
      "*\tsecret\r\n"
      "  ..DOC \t draft \r\n"
      "txt\t\r\n"                     // no expression: ignored
      "tmp budget\r\n"                // no TAB: ignored
      "\r\n"
      "*\t\\\\\\\\cache\\\\\\\\\r\n"  // four backslashes in the file match one
      "log\t^d:\\\\\\\\logs\r\n"      // anchored at the start of the path
      "zip\ta\\tb\r\n"                 // "\t" becomes a TAB before compiling
      "*\tソn\r\n"                     // 0x5C trail byte then "n": neither escape
      "dat\t表\\\\\\\\d\r\n");           // 0x5C trail byte, then four backslashes
  auto v = Make();
  EXPECT_FALSE(v->ExcludePatterns().Empty());
  struct {
    const wchar_t* Path;
    bool Valid;
  } cases[] = {
      {L"D:\\Docs\\Budget1.PDF", false},
      {L"D:\\Docs\\budget1.doc", true},
      {L"D:\\Docs\\budget.pdf.txt", true},
      {L"D:\\budget\\x.pdf", false},      // anywhere in the path
      {L"D:\\Docs\\SECRET plan.doc", false},
      {L"D:\\Secrets", false},            // folders meet the "*" rules too
      {L"D:\\Docs\\x\\Draft.Doc", false},
      {L"D:\\Docs\\draft.docx", true},
      {L"D:\\Docs\\draft", true},
      {L"D:\\Docs\\a.txt", true},
      {L"D:\\tmp budget.tmp", true},
      {L"D:\\x\\Cache\\y.dat", false},
      {L"D:\\x\\cachey.dat", true},
      {L"D:\\logs\\a.log", false},
      {L"E:\\d:\\logs.log", true},
      {L"D:\\a\tb.zip", false},
      {L"D:\\a\\tb.zip", true},
      {L"D:\\ソnata\\a.doc", false},
      {L"D:\\表\\d.dat", false},
      {L"D:\\表1.dat", true},           // not a digit class
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.Valid, v->IsValid(c.Path)) << WideToAnsi(c.Path);
  const TCvPathExcludePatternList& list = v->ExcludePatterns();
  ASSERT_NE(nullptr, list.FindExt("DOC"));
  EXPECT_EQ(nullptr, list.FindExt("txt"));
  EXPECT_EQ(nullptr, list.FindExt("tmp"));
}

// Rule files grow long: a path meets every "*" rule and every rule of its extension, and
// the JIT runs them all as machine code.
TEST_F(PathValidatorTest, LongRuleListsExcludeByAnyOfTheirRules) {
  AnsiString rules;
  for (int i = 0; i < 40; ++i) rules += "doc\tproject" + IntToStr(i) + "\\\\\\\\draft\r\n";
  for (int i = 0; i < 20; ++i) rules += "*\t\\\\\\\\tmp" + IntToStr(i) + "\\\\\\\\\r\n";
  WriteRules(rules + "pdf\t[\r\n");  // the last line fails after every rule above compiled
  EXPECT_THROW(Make(), ERegExprError);
  WriteRules(rules);
  auto v = Make();
  struct {
    const wchar_t* Path;
    bool Valid;
  } cases[] = {
      {L"D:\\x\\Project20\\draft.doc", false},  // the middle of the extension's rules
      {L"D:\\x\\project39\\draft.DOC", false},  // the last one
      {L"D:\\x\\project20\\draft.pdf", true},   // another extension's path
      {L"D:\\x\\project40\\draft.doc", true},   // no rule of the extension
      {L"D:\\TMP10\\a.pdf", false},               // the middle of the "*" rules
      {L"D:\\tmp19\\x\\b.doc", false},
      {L"D:\\tmp10x\\a.doc", true},               // no rule at all
      {L"D:\\tmp10", true},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Valid, v->IsValid(c.Path)) << WideToAnsi(c.Path);
  const TCvPathExcludePatternList& list = v->ExcludePatterns();
  ASSERT_EQ(20, list.AnyExt().Count());
  ASSERT_EQ(40, list.FindExt("doc")->Count());
  for (const TCvPathRegExpList* rl : {&list.AnyExt(), static_cast<const TCvPathRegExpList*>(list.FindExt("doc"))}) {
    for (int i = 0; i < rl->Count(); ++i) EXPECT_GT(rl->Get(i)->JitSize(), 0u) << i;
  }
}

// A rule the engine gives up on (its backtracking passes the match limit) does not match:
// the path stays in the lists, and the rules after it are still tried.
TEST_F(PathValidatorTest, RuleTheEngineGivesUpOnDoesNotExclude) {
  WriteRules("*\t(a+)+$\r\n*\tsecret\r\n");
  auto v = Make();
  const WideString as(40, L'a');
  EXPECT_TRUE(v->IsValid(L"D:\\" + as + L"!"));
  EXPECT_FALSE(v->IsValid(L"D:\\secret\\" + as + L"!"));
  EXPECT_FALSE(v->IsValid(L"D:\\x\\" + as));  // a match found at once still counts
}

// A walk's scratch collects one report per rule that gives up, until it forgets them for
// the next scan; a TAB in the rule is shown as its escape, so the report stays one line.
TEST_F(PathValidatorTest, GiveUpsAreReportedOncePerRuleUntilForgotten) {
  WriteRules("*\t(a+)+\\t?$\r\n");
  auto v = Make();
  const WideString path = L"D:\\" + WideString(40, L'a') + L"b";
  TCvPathScratch scratch;
  EXPECT_TRUE(v->IsValid(path, scratch));
  EXPECT_TRUE(v->IsValid(path + L"b", scratch));
  const std::vector<AnsiString> expected = {
      "除外ルールを判定できず除外しませんでした: " + FSettings.ExcludeFile +
      " 1行目 [*] (a+)+\\t?$: " + WideToAnsi(path) + " (match limit exceeded)"};
  EXPECT_EQ(expected, scratch.TakeGiveUps());
  EXPECT_FALSE(scratch.HasGiveUps());
  EXPECT_TRUE(v->IsValid(path, scratch));
  EXPECT_FALSE(scratch.HasGiveUps());
  scratch.ForgetGiveUps();
  EXPECT_TRUE(v->IsValid(path, scratch));
  EXPECT_EQ(expected, scratch.TakeGiveUps());
}

TEST_F(PathValidatorTest, BadRuleIsNamedWithFileLineAndExtension) {
  WriteRules("doc\tdraft\r\n\r\n*\tsecret\r\nPDF\tok\r\n..Pdf\t(budget\r\nxls\tfine\r\n");
  try {
    Make();
    ADD_FAILURE() << "no error";
  } catch (const ERegExprError& e) {
    EXPECT_EQ("除外ルールの正規表現が正しくありません: " + FSettings.ExcludeFile +
                  " 5行目 [..Pdf] (budget: missing closing parenthesis (7文字目)",
              e.Message());
  }
}

TEST_F(PathValidatorTest, NoRulesMatchNothing) {
  EXPECT_TRUE(Make()->ExcludePatterns().Empty());  // no file
  WriteRules("txt\t\r\nonly\r\n\t\r\n");
  auto v = Make();
  EXPECT_TRUE(v->ExcludePatterns().Empty());
  EXPECT_TRUE(v->IsValid(L"D:\\only.txt"));
}

TEST(PathRegExpList, DeleteFreesInPlaceAndFindGivesTheWholeMatch) {
  TCvPathRegExpList list;
  list.Add(NewIgnoreCaseRegExp("abc"));
  list.Add(NewIgnoreCaseRegExp("ファイル"));
  EXPECT_TRUE(list.MatchesAny(L"D:\\ファイル.txt"));
  list.Delete(0);
  EXPECT_FALSE(list.MatchesAny(L"--ABC--"));
  EXPECT_THROW(list.Delete(5), EListError);
  size_t length = 0;
  EXPECT_TRUE(NewIgnoreCaseRegExp("b+")->Find(L"aBbBc", &length));
  EXPECT_EQ(3u, length);
}

TEST_F(PathValidatorTest, OneValidatorForConcurrentFirstCalls) {
  // No filter yet: every thread's first call races to build one. The settings source
  // lingers so that a build outside the lock would be entered by several threads.
  std::atomic<int> builds{0};
  const TCvPathValidatorSettings settings = FSettings;
  TCvPathValidator::SetSettingsSource([&builds, settings] {
    ++builds;
    Sleep(50);
    return settings;
  });
  TCvPathValidator::ReplaceInstance(nullptr);
  TCvPathValidator* seen[4] = {};
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&seen, i] { seen[i] = &TCvPathValidator::Instance(); });
  for (auto& t : threads) t.join();
  EXPECT_EQ(1, builds.load());
  for (TCvPathValidator* p : seen) EXPECT_EQ(seen[0], p);
  TCvPathValidator::SetSettingsSource(nullptr);
  TCvPathValidator::ReplaceInstance(std::make_unique<TCvPathValidator>(TCvPathValidatorSettings{}));
}

// A scan with rules: refused entries go to the error list and are neither counted nor
// entered; the rest is listed.
TEST_F(PathValidatorTest, ScanListsRefusedPathsInTheErrorList) {
  TTempDir src, out;
  const WideString t = src.PathW();
  MakeDirs(t + L"\\keep");
  MakeDirs(t + L"\\cache\\deep");
  MakeFile(t + L"\\cache\\deep\\never.txt");
  MakeFile(t + L"\\keep\\budget.pdf");
  MakeFile(t + L"\\keep\\budget.doc");
  MakeFile(t + L"\\keep\\報告書.txt");
  MakeFile(t + L"\\a\x0100.txt");
  WriteRules("pdf\tbudget\r\n*\t\\\\\\\\cache$\r\n");
  FSettings.ProfilesFolder.clear();  // the temp folder may lie in a profile
  TCvPathValidator::ReplaceInstance(Make());

  TTestCrawler w(t, out.Path(), true);
  RunToEnd(w);
  TCvPathValidator::ReplaceInstance(std::make_unique<TCvPathValidator>(TCvPathValidatorSettings{}));
  EXPECT_EQ("CRAWL DONE.", w.ResultMessage());

  // The subfolder's refusal comes when the walk reaches it, in file-system order.
  std::vector<WideString> expected;
  for (const WideString& n : EnumOrder(t)) {
    if (n == L"cache" || n == L"a\x0100.txt") expected.push_back(t + L"\\" + n);
    if (n == L"keep") {
      for (const WideString& k : EnumOrder(t + L"\\keep"))
        if (k == L"budget.pdf") expected.push_back(t + L"\\keep\\" + k);
    }
  }
  EXPECT_PRED_FORMAT2(BytesEqual, ListImage(expected),
                      ReadFileBytes(out.FileW(L"J010_ERRLST_00.txt")));
  const std::string files = ReadFileBytes(out.FileW(L"J010_FILLST_00.txt"));
  EXPECT_NE(std::string::npos, files.find(Utf16Bytes(L"\t報告書.txt")));
  EXPECT_NE(std::string::npos, files.find(Utf16Bytes(L"\tbudget.doc")));
  EXPECT_EQ(std::string::npos, files.find(Utf16Bytes(L"budget.pdf")));
  EXPECT_EQ(std::string::npos, files.find(Utf16Bytes(L"never.txt")));
}

// A rule the engine gives up on (the rule: 40 a's and another letter make its
// backtracking pass the match limit) excludes nothing and says so: one WARN line per such
// rule, the first time in a scan, naming the rule file, the line, the extension as written,
// the rule, the path and the engine's message. The paths stay listed; the counts, the lists
// and the result are those of a scan in which the rules decided "no".
TEST_F(PathValidatorTest, ScanWarnsOnceForEachRuleTheEngineGivesUpOn) {
  TTempDir src, out;
  const WideString t = src.PathW();
  const WideString as(40, L'a'), xs(40, L'x');
  MakeFile(t + L"\\" + as + L"b");
  MakeFile(t + L"\\" + as + L"c");  // the same rule gives up again: no second line
  MakeDirs(t + L"\\sub");
  MakeFile(t + L"\\sub\\" + xs + L".txt");
  MakeFile(t + L"\\secret.txt");  // a rule that decides still excludes
  WriteRules("*\t(a+)+$\r\n\r\n..TXT\t(x+)+[0-9]\r\n*\tsecret\r\n");
  FSettings.ProfilesFolder.clear();  // the temp folder may lie in a profile
  TCvPathValidator::ReplaceInstance(Make());

  const AnsiString warn = "WARN\t<T>\t除外ルールを判定できず除外しませんでした: " + FSettings.ExcludeFile;
  auto expectedLog = [&] {
    std::vector<AnsiString> lines = {"INFO\t<T>\tSTART crawling: " + WideToAnsi(t),
                                     "INFO\t<T>\t当初10000件までは1000件毎に報告します"};
    bool aReported = false;
    for (const WideString& n : EnumOrder(t)) {
      if (!aReported && (n == as + L"b" || n == as + L"c")) {
        lines.push_back(warn + " 1行目 [*] (a+)+$: " + WideToAnsi(t + L"\\" + n) +
                        " (match limit exceeded)");
        aReported = true;
      }
      if (n == L"sub")
        lines.push_back(warn + " 3行目 [..TXT] (x+)+[0-9]: " + WideToAnsi(t + L"\\sub\\" + xs) +
                        ".txt (match limit exceeded)");
    }
    lines.push_back("DONE\t<T>\t5 nodes, 3 files in 2 folders scanned");
    return lines;
  };

  TTestCrawler w(t, out.Path(), true);
  RunToEnd(w);
  EXPECT_EQ("CRAWL DONE.", w.ResultMessage());
  std::vector<AnsiString> logs;
  for (const WideString& n : EnumOrder(out.PathW())) {
    if (n.size() > 4 && n.substr(n.size() - 4) == L".log") logs.push_back(WideToAnsi(n));
  }
  ASSERT_EQ(1u, logs.size());
  const std::vector<AnsiString> expected = expectedLog();
  EXPECT_EQ(expected, LogLines(out.FileW(AnsiToWide(logs[0]))));
  std::vector<AnsiString> display;
  for (const AnsiString& line : expected) display.push_back(StringReplaceAll(line, "\t", " \t"));
  EXPECT_EQ(display, w.Drain());
  EXPECT_PRED_FORMAT2(BytesEqual, ListImage({t + L"\\secret.txt"}),
                      ReadFileBytes(out.FileW(L"J010_ERRLST_00.txt")));
  const std::string files = ReadFileBytes(out.FileW(L"J010_FILLST_00.txt"));
  for (const WideString& name : {as + L"b", as + L"c", xs + L".txt"})
    EXPECT_NE(std::string::npos, files.find(Utf16Bytes(L"\t" + name))) << WideToAnsi(name);

  // The next scan of the same worker reports each rule again, in its own log.
  TLogAppender log(out.File("again.log"));
  EXPECT_EQ(brDone, w.CrawlFolderTree(t, nullptr, nullptr, nullptr, log));
  EXPECT_EQ(expected, LogLines(out.FileW(L"again.log")));
  TCvPathValidator::ReplaceInstance(std::make_unique<TCvPathValidator>(TCvPathValidatorSettings{}));
}

// A rule that does not compile fails the scan with a line naming it (file, line counted
// with the blank ones, rule, engine message); the lists written so far are flushed, and the
// next scan tries to build the filter again.
TEST_F(PathValidatorTest, BadRuleEndsTheScanAsFailedWithItsReason) {
  TTempDir src, out;
  const WideString t = src.PathW();
  MakeFile(t + L"\\a.txt");
  WriteRules("txt\tok\r\n\r\n*\t[unclosed\r\n");
  FSettings.ProfilesFolder.clear();
  const TCvPathValidatorSettings settings = FSettings;
  TCvPathValidator::SetSettingsSource([settings] { return settings; });
  TCvPathValidator::ReplaceInstance(nullptr);

  TTestCrawler w(t, out.Path(), true);
  RunToEnd(w);
  EXPECT_EQ("CRAWL ABENDed.", w.ResultMessage());
  std::vector<AnsiString> lines;
  for (const WideString& n : EnumOrder(out.PathW())) {
    if (n.size() > 4 && n.substr(n.size() - 4) == L".log") lines = LogLines(out.PathW() + L"\\" + n);
  }
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ("ERROR\t<T>\t除外ルールの正規表現が正しくありません: " + settings.ExcludeFile +
                " 3行目 [*] [unclosed: missing terminating ] for character class (9文字目)",
            lines[2]);
  EXPECT_EQ("DONE\t<T>\t1 nodes, 0 files in 1 folders scanned", lines[3]);
  EXPECT_PRED_FORMAT2(BytesEqual, ListImage({t}), ReadFileBytes(out.FileW(L"J010_FILLST_00.txt")));
  EXPECT_PRED_FORMAT2(BytesEqual, "\xFF\xFE", ReadFileBytes(out.FileW(L"J010_ERRLST_00.txt")));

  // Mended rules are read by the next scan.
  WriteRules("txt\tok\r\n*\t\\[unclosed\r\n");
  TTempDir out2;
  TTestCrawler w2(t, out2.Path(), true);
  RunToEnd(w2);
  EXPECT_EQ("CRAWL DONE.", w2.ResultMessage());

  TCvPathValidator::SetSettingsSource(nullptr);
  TCvPathValidator::ReplaceInstance(std::make_unique<TCvPathValidator>(TCvPathValidatorSettings{}));
}

}  // namespace
