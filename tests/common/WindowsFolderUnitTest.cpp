#include "common/WindowsFolderUnit.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using testsupport::MakeDirs;
using testsupport::TTempDir;
using testsupport::WriteFileBytes;

namespace {
std::vector<AnsiString> Items(const TStringList& list) {
  std::vector<AnsiString> r;
  for (int i = 0; i < list.Count(); ++i) r.push_back(list[i]);
  std::sort(r.begin(), r.end());
  return r;
}

// A table whose profile entry (38) is profile; every other entry empty.
std::vector<AnsiString> EntriesWithProfile(const AnsiString& profile) {
  std::vector<AnsiString> e(52);
  e[wfProfile] = profile;
  return e;
}
}  // namespace

TEST(WindowsFolderUnit, ShellTableHas53EntriesAndEmptyOutsideIt) {
  TWindowsFolderList table;
  EXPECT_EQ(table.Folder(-1), "");
  EXPECT_EQ(table.Folder(53), "");
  EXPECT_EQ(table.Folder(wfDrives), "");  // My Computer has no path
  EXPECT_EQ(table.Folder(wfProfiles), ParentFolderOf(table.Folder(wfProfile)));
  EXPECT_EQ(table.Folder(wfTemp), GetTempPathText());
  EXPECT_FALSE(table.Folder(wfWindows).empty());
  for (int i = 0; i < kWindowsFolderCount; ++i) {
    AnsiString f = table.Folder(i);
    if (f.size() > 3) {
      EXPECT_NE(f.back(), '\\') << i << ": " << f;
    }
  }
}

TEST(WindowsFolderUnit, ParentFolderKeepsDriveRootsAndSkipsTrailBytes) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"C:\\Users\\bob", "C:\\Users"},
      {"C:\\bob", "C:\\"},
      {"", ""},
      {"nobackslash", ""},
      {"C:\\表", "C:\\"},          // 表 ends in 0x5C, a trail byte
      {"C:\\ソ\\表", "C:\\ソ"},
  };
  for (const Case& c : cases) EXPECT_EQ(ParentFolderOf(c.in), c.out) << c.in;
}

TEST(WindowsFolderUnit, EnumSubdirsListsProfileFolders) {
  TTempDir tmp;
  MakeDirs(tmp.FileW(L"Profiles\\Me"));
  MakeDirs(tmp.FileW(L"Profiles\\Other表"));
  WriteFileBytes(tmp.FileW(L"Profiles\\file.txt"), "x");
  AnsiString profiles = tmp.File("Profiles");
  TWindowsFolderList table(EntriesWithProfile(profiles + "\\Me"));
  EXPECT_EQ(table.Folder(wfProfiles), profiles);

  AnsiString root = AnsiLowerCase(profiles) + "\\";
  TStringList list;
  list.Add("kept");
  table.EnumSubdirs(list, false);
  std::vector<AnsiString> expected{"kept", root + "Me", root + "Other表"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Items(list), expected);
  TStringList lower;
  table.EnumSubdirs(lower, true);
  EXPECT_EQ(Items(lower), (std::vector<AnsiString>{root + "me", root + "other表"}));
}

TEST(WindowsFolderUnit, EnumSubdirsWithoutProfileListsNothing) {
  // An empty profile entry must not turn into a search of the drive root.
  TWindowsFolderList table(EntriesWithProfile(""));
  EXPECT_EQ(table.Folder(wfProfiles), "");
  TStringList list;
  table.EnumSubdirs(list, true);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(table.FindUserFolder(wfPersonal, "Windows,Program Files,Users"), "");
}

TEST(WindowsFolderUnit, FindUserFolderPrefersTheShellThenCandidatesInOrder) {
  TTempDir tmp;
  MakeDirs(tmp.FileW(L"P\\alice\\Documents"));
  MakeDirs(tmp.FileW(L"P\\bob\\My Documents"));
  MakeDirs(tmp.FileW(L"P\\bob\\デスクトップ"));
  std::vector<AnsiString> e = EntriesWithProfile(tmp.File("P\\alice"));
  TWindowsFolderList table(e);
  // "My Documents" exists under some profile, so it wins although alice comes first.
  EXPECT_EQ(table.FindUserFolder(wfPersonal, "My Documents,Documents"), "My Documents");
  EXPECT_EQ(table.FindUserFolder(wfPersonal, "Documents"), "Documents");
  EXPECT_EQ(table.FindUserFolder(wfDesktopDirectory, "デスクトップ,Desktop"), "デスクトップ");
  EXPECT_EQ(table.FindUserFolder(wfFavorites, "Favorites"), "");

  e[wfPersonal] = "D:\\Data\\マイ ドキュメント";
  TWindowsFolderList withShell(e);
  EXPECT_EQ(withShell.FindUserFolder(wfPersonal, "My Documents,Documents"), "マイ ドキュメント");
}
