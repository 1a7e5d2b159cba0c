#include "common/VersionUtil.h"

#include "platform/rtl/SysExceptions.h"
#include "tests/support/TestSupport.h"

#include <windows.h>

#include <cstring>

using testsupport::TTempDir;

namespace {

// The test DLLs are built next to this executable; each test reads a private copy so that
// no test depends on the build folder's path.
AnsiString CopyTestDll(const TTempDir& dir, const AnsiString& name) {
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  AnsiString source = ExtractFilePath(module) + name;
  AnsiString target = dir.File(name);
  EXPECT_TRUE(CopyFileA(source.c_str(), target.c_str(), FALSE)) << source;
  return target;
}

AnsiString ReadValue(const AnsiString& file, int index) {
  AnsiString value = "unchanged";
  GetVersionValue(file, index, value);
  return value;
}

}  // namespace

TEST(VersionUtil, StringsOfTheFirstTranslation) {
  TTempDir dir;
  AnsiString dll = CopyTestDll(dir, "VersionJa.dll");
  struct Case { int index; const char* expected; };
  const Case cases[] = {
      {vkComments, "0.0.0.0"},  // not in the table
      {vkCompanyName, "Halvern Systems"},
      {vkFileDescription, "Version reader test"},
      {vkFileVersion, "1.2.3.4"},
      {vkInternalName, "VersionJa"},
      {vkLegalCopyright, "0.0.0.0"},
      {vkOriginalFilename, "VersionJa.dll"},
      {vkProductName, "Corvane"},
      {vkProductVersion, "5.6"},
  };
  for (const Case& c : cases) {
    AnsiString value = ReadValue(dll, c.index);
    // Compared with its length: the reported length counts the terminating NUL, which must
    // not become part of the value.
    EXPECT_EQ(AnsiString(c.expected), value) << "index " << c.index;
    EXPECT_EQ(std::strlen(c.expected), value.size()) << "index " << c.index;
  }
}

TEST(VersionUtil, FilesWithoutStringsGiveZeroVersion) {
  TTempDir dir;
  testsupport::WriteFileBytes(dir.FileW(L"plain.txt"), "no resource here");
  EXPECT_EQ("0.0.0.0", ReadValue(dir.File("plain.txt"), vkFileVersion));
  EXPECT_EQ("0.0.0.0", ReadValue(dir.File("missing.dll"), vkFileVersion));
  // The first translation names 0409 while the strings live under 0411.
  AnsiString other = CopyTestDll(dir, "VersionOtherLanguage.dll");
  EXPECT_EQ("0.0.0.0", ReadValue(other, vkFileVersion));
}

TEST(VersionUtil, ResourceWithoutTranslationRaises) {
  TTempDir dir;
  AnsiString dll = CopyTestDll(dir, "VersionNoTranslation.dll");
  try {
    ReadValue(dll, vkFileVersion);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(AnsiString("情報の取得に失敗しました"), e.Message());
  }
}

TEST(VersionUtil, KeyIndexOutsideTableIsRefused) {
  TTempDir dir;
  AnsiString dll = CopyTestDll(dir, "VersionJa.dll");
  for (int index : {-1, 12, 1000}) {
    AnsiString value = "unchanged";
    EXPECT_THROW(GetVersionValue(dll, index, value), EListError) << index;
  }
  EXPECT_STREQ("Comments", VersionKeyName(0));
  EXPECT_STREQ("SpecialBuild", VersionKeyName(11));
}
