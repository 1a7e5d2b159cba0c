#include "common/CorvaneFileUtil.h"
#include "common/CorvanePathUnit.h"
#include "common/HvxUtil.h"

#include "platform/rtl/Registry.h"
#include "platform/rtl/Streams.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using testsupport::MakeDirs;
using testsupport::ReadFileBytes;
using testsupport::TTempDir;
using testsupport::WriteFileBytes;

TEST(CorvanePathUnit, FindConfigFileLooksNextToProgramThenInstallThenBin) {
  struct Case {
    bool inProgram, inInstall, inBin;
    const char* expectedFolder;  // "prog", "inst" or "bin"
  } cases[] = {
      {true, true, true, "prog"},   {false, true, true, "inst"}, {false, false, true, "bin"},
      {false, false, false, "bin"}, {true, false, false, "prog"}, {false, true, false, "inst"},
  };
  for (const Case& c : cases) {
    TTempDir tmp;
    MakeDirs(tmp.FileW(L"prog"));
    MakeDirs(tmp.FileW(L"inst\\Bin"));
    AnsiString prog = tmp.File("prog") + "\\", inst = tmp.File("inst") + "\\";
    if (c.inProgram) WriteFileBytes(AnsiToWide(prog + "corvane.ini"), "");
    if (c.inInstall) WriteFileBytes(AnsiToWide(inst + "corvane.ini"), "");
    if (c.inBin) WriteFileBytes(AnsiToWide(inst + "Bin\\corvane.ini"), "");
    AnsiString expected = AnsiString(c.expectedFolder) == "prog"   ? prog + "corvane.ini"
                          : AnsiString(c.expectedFolder) == "inst" ? inst + "corvane.ini"
                                                                   : inst + "Bin\\corvane.ini";
    EXPECT_EQ(FindConfigFileIn(prog, inst, "corvane.ini"), expected) << c.expectedFolder;
    // The folders may come without their trailing backslash.
    EXPECT_EQ(FindConfigFileIn(tmp.File("prog"), tmp.File("inst"), "corvane.ini"), expected);
  }
  // Without an install folder the candidates fall to the root of the current drive.
  EXPECT_EQ(FindConfigFileIn("C:\\nowhere\\", "", "no-such-file.ini"), "\\Bin\\no-such-file.ini");
}

TEST(CorvanePathUnit, QuotesEveryRegularExpressionMetaCharacter) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"C:\\Documents and Settings\\", "C:\\\\Documents and Settings\\\\"},
      {"\\", "\\\\"},
      {"", ""},
      {"C:\\a.b(1)+[x]{2}^$|?*\\", "C:\\\\a\\.b\\(1\\)\\+\\[x\\]\\{2\\}\\^\\$\\|\\?\\*\\\\"},
      {"C:\\表\\", "C:\\\\表\\\\"},   // 表 = 95 5C: its trail byte is not doubled
      {"C:\\ボ|\\", "C:\\\\ボ\\|\\\\"},   // ボ = 83 7B: its trail byte is no '{'
  };
  for (const Case& c : cases) EXPECT_EQ(QuoteRegExprMetaChars(c.in), c.out) << c.in;
}

namespace {
struct TPathFixture {
  TTempDir tmp;
  std::unique_ptr<TWindowsFolderList> folders;
  TCorvanePathSources src;

  TPathFixture() {
    MakeDirs(tmp.FileW(L"prog"));
    MakeDirs(tmp.FileW(L"inst\\Bin"));
    MakeDirs(tmp.FileW(L"temp"));
    MakeDirs(tmp.FileW(L"Users\\me\\My Documents"));
    std::vector<AnsiString> e(52);
    e[wfCommonAppData] = tmp.File("common data");
    e[wfProfile] = tmp.File("Users\\me");
    e[wfFavorites] = tmp.File("Users\\me\\Favs");
    folders = std::make_unique<TWindowsFolderList>(e);
    src.ComputerName = "HOST";
    src.ProgramFile = tmp.File("prog\\CvFileScanner.exe");
    src.InstallFolder = tmp.File("inst") + "\\";
    src.TempFolder = tmp.File("temp") + "\\";
    src.Folders = folders.get();
  }
};
}  // namespace

TEST(CorvanePathUnit, ComputesEveryValueAndCreatesTheFolders) {
  TPathFixture f;
  WriteFileBytes(f.tmp.FileW(L"inst\\exclude.txt"), "");
  TCorvanePathValues v = ComputeCorvanePaths(f.src);
  AnsiString t = f.tmp.Path();
  EXPECT_EQ(v.ComputerName, "HOST");
  EXPECT_EQ(v.ProgramFolder, t + "\\prog\\");
  EXPECT_EQ(v.InstallFolder, t + "\\inst\\");
  EXPECT_EQ(v.InstallBinFolder, t + "\\inst\\Bin\\");
  EXPECT_EQ(v.ProductTempFolder, t + "\\temp\\corvane");
  EXPECT_EQ(v.TempProductFolder, t + "\\temp\\corvane\\");
  EXPECT_EQ(v.DataFolder, t + "\\common data\\corvane\\");
  EXPECT_TRUE(DirectoryExists(v.ProductTempFolder));
  EXPECT_TRUE(DirectoryExists(v.DataFolder));
  EXPECT_EQ(v.MyDocumentsName, "My Documents");
  EXPECT_EQ(v.FavoritesName, "Favs");
  EXPECT_EQ(v.DesktopName, "");
  EXPECT_EQ(v.ProfilesRootPattern, QuoteRegExprMetaChars(t + "\\Users\\"));
  EXPECT_EQ(v.ExcludeFilePath, t + "\\inst\\exclude.txt");
  EXPECT_EQ(v.EstmasterConfPath, t + "\\inst\\Bin\\estmaster.conf");
  // Neither corvane.ini nor config.ini: the last candidate for config.ini stands.
  EXPECT_EQ(v.MainIniPath, t + "\\inst\\Bin\\config.ini");
}

TEST(CorvanePathUnit, MainIniPrefersCorvaneIniAndFallsBackToConfigIni) {
  TPathFixture f;
  AnsiString t = f.tmp.Path();
  WriteFileBytes(f.tmp.FileW(L"inst\\config.ini"), "");
  EXPECT_EQ(ComputeCorvanePaths(f.src).MainIniPath, t + "\\inst\\config.ini");
  WriteFileBytes(f.tmp.FileW(L"inst\\Bin\\corvane.ini"), "");
  EXPECT_EQ(ComputeCorvanePaths(f.src).MainIniPath, t + "\\inst\\Bin\\corvane.ini");
  WriteFileBytes(f.tmp.FileW(L"prog\\corvane.ini"), "");
  EXPECT_EQ(ComputeCorvanePaths(f.src).MainIniPath, t + "\\prog\\corvane.ini");
}

TEST(CorvanePathUnit, EdgeValuesWithoutInstallTempOrProfiles) {
  TPathFixture f;
  f.src.ComputerName = "ABCDEFGHIJKLMNOP";  // 16 characters
  f.src.InstallFolder = "";
  // No profile folder; only the data folder's base, so nothing lands on the drive root.
  std::vector<AnsiString> e(52);
  e[wfCommonAppData] = f.tmp.File("data");
  TWindowsFolderList noProfiles(e);
  f.src.Folders = &noProfiles;
  TCorvanePathValues v = ComputeCorvanePaths(f.src);
  EXPECT_EQ(v.ComputerName, "ABCDEFGHIJKLMNO");
  EXPECT_EQ(v.InstallBinFolder, "\\Bin\\");
  EXPECT_EQ(v.ProfilesRootPattern, "\\\\");
  EXPECT_EQ(v.MainIniPath, "\\Bin\\config.ini");
  f.src.ComputerName = "ABCDEFGHIJKLMNO";
  EXPECT_EQ(ComputeCorvanePaths(f.src).ComputerName, "ABCDEFGHIJKLMNO");
  f.src.ComputerName = "ABCDEFGHIJKLMN表";  // a cut at 15 would split 表
  EXPECT_EQ(ComputeCorvanePaths(f.src).ComputerName, "ABCDEFGHIJKLMN");

  f.src.TempFolder = "";
  try {
    ComputeCorvanePaths(f.src);
    ADD_FAILURE() << "no exception";
  } catch (const ECorvaneException& e) {
    EXPECT_EQ(e.Message(), "Tempフォルダの取得に失敗しました");
  }
}

TEST(CorvanePathUnit, InstallFolderComesFromTheRegistry) {
  const AnsiString key = "\\SOFTWARE\\Halvern Systems\\Corvane\\1.0";
  TRegistry reg(HKEY_LOCAL_MACHINE);
  // Remember what was there, to put it back: the first missing level is what the test
  // creates (with everything below it), and removes again.
  AnsiString firstCreated;
  for (const char* level : {"\\SOFTWARE\\Halvern Systems", "\\SOFTWARE\\Halvern Systems\\Corvane",
                            "\\SOFTWARE\\Halvern Systems\\Corvane\\1.0"})
    if (firstCreated.empty() && !reg.KeyExists(level)) firstCreated = level;
  bool valueExisted = false;
  AnsiString oldValue;
  if (firstCreated.empty() && reg.OpenKeyReadOnly(key)) {
    valueExisted = reg.ValueExists("InstallFolder");
    oldValue = reg.ReadString("InstallFolder");
    reg.CloseKey();
  }

  ASSERT_TRUE(reg.OpenKey(key, true));
  reg.WriteString("InstallFolder", "D:\\Corvane");
  reg.CloseKey();
  EXPECT_EQ(GetInstallFolder(), "D:\\Corvane\\");
  ASSERT_TRUE(reg.OpenKey(key, false));
  reg.DeleteValue("InstallFolder");
  reg.CloseKey();
  EXPECT_EQ(GetInstallFolder(), "\\");  // the key without the value

  if (!firstCreated.empty()) {
    reg.DeleteKey(firstCreated);
    EXPECT_EQ(GetInstallFolder(), "");
  } else if (valueExisted) {
    ASSERT_TRUE(reg.OpenKey(key, false));
    reg.WriteString("InstallFolder", oldValue);
    reg.CloseKey();
  }
}

TEST(CorvanePathUnit, ProcessWideValuesFollowInitialisation) {
  TPathFixture f;
  InitializeCorvanePathUnit(f.src);
  EXPECT_EQ(ProgramFolder, f.tmp.Path() + "\\prog\\");
  EXPECT_EQ(FindConfigFile("exclude.txt"), f.tmp.Path() + "\\inst\\Bin\\exclude.txt");
  FinalizeCorvanePathUnit();
  EXPECT_EQ(ProgramFolder, "");
  EXPECT_EQ(MainIniPath, "");
}

TEST(CorvaneFileUtil, WriteTextIfMissingWritesOnce) {
  TTempDir tmp;
  AnsiString file = tmp.File("seed.dist");
  WriteTextIfMissing("[default]\r\ndoc=表", file);
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual, std::string("[default]\r\ndoc=\x95\x5C\r\n"),
                      ReadFileBytes(AnsiToWide(file)));
  WriteTextIfMissing("other", file);
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual, std::string("[default]\r\ndoc=\x95\x5C\r\n"),
                      ReadFileBytes(AnsiToWide(file)));
}
