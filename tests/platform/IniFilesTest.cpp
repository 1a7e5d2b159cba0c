#include "platform/rtl/IniFiles.h"

#include "tests/support/TestSupport.h"

using testsupport::TTempDir;

namespace {

TEST(IniFile, ReadsNamesAndValuesThroughTheSystem) {
  TTempDir dir;
  const AnsiString file = dir.File("a.ini");
  const AnsiString longValue(5000, 'x');  // beyond the first buffer
  testsupport::WriteFileBytes(
      AnsiToWide(file),
      "[One]\r\nb=2\r\nA= first \r\na=second\r\nempty=\r\nq=\"quoted\"\r\nlong=" + longValue +
          "\r\nnum=$1F\r\nbad=12x\r\n[Two]\r\n");
  TIniFile ini(file);
  EXPECT_EQ((std::vector<AnsiString>{"One", "Two"}), ini.ReadSections());
  std::vector<AnsiString> names = ini.ReadSection("one");
  ASSERT_GE(names.size(), 7u);
  EXPECT_EQ("b", names[0]);
  EXPECT_EQ("first", ini.ReadString("ONE", "a", "def"));
  EXPECT_EQ("", ini.ReadString("One", "empty", "def"));
  EXPECT_EQ("def", ini.ReadString("One", "missing", "def"));
  EXPECT_EQ("quoted", ini.ReadString("One", "q", ""));
  EXPECT_EQ(longValue, ini.ReadString("One", "long", ""));
  EXPECT_EQ(31, ini.ReadInteger("One", "num", 0));
  EXPECT_EQ(7, ini.ReadInteger("One", "bad", 7));
  EXPECT_TRUE(ini.ReadBool("One", "b", false));
  EXPECT_TRUE(ini.ValueExists("One", "EMPTY"));
  EXPECT_FALSE(ini.ValueExists("One", "missing"));
  EXPECT_FALSE(ini.SectionExists("Two"));  // no keys
  EXPECT_TRUE(ini.ReadSection("Three").empty());
}

TEST(IniFile, MissingFileReadsAsEmpty) {
  TTempDir dir;
  TIniFile ini(dir.File("none.ini"));
  EXPECT_TRUE(ini.ReadSections().empty());
  EXPECT_EQ("d", ini.ReadString("s", "k", "d"));
  EXPECT_EQ(-1, ini.ReadInteger("s", "k", -1));
}

}  // namespace
