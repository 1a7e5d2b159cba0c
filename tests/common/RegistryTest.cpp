#include "platform/rtl/Registry.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(Registry, KeysAndValuesRoundTripAndDeleteWithTheirSubkeys) {
  const AnsiString key = "\\Software\\CorvaneRegistryTest_" + IntToStr(GetCurrentProcessId());
  TRegistry reg(HKEY_CURRENT_USER);
  ASSERT_FALSE(reg.KeyExists(key));
  EXPECT_FALSE(reg.OpenKeyReadOnly(key));
  EXPECT_FALSE(reg.OpenKey(key, false));
  ASSERT_TRUE(reg.OpenKey(key + "\\Sub\\Deeper", true));
  reg.WriteString("name", "表示");
  reg.WriteInteger("count", -5);
  reg.CloseKey();

  ASSERT_TRUE(reg.OpenKeyReadOnly(key.substr(1) + "\\Sub\\Deeper"));  // no leading backslash
  EXPECT_TRUE(reg.ValueExists("name"));
  EXPECT_FALSE(reg.ValueExists("missing"));
  EXPECT_EQ(reg.ReadString("name"), "表示");
  EXPECT_EQ(reg.ReadString("missing"), "");
  EXPECT_EQ(reg.ReadInteger("count"), -5);
  EXPECT_THROW(reg.ReadString("count"), ERegistryException);
  EXPECT_THROW(reg.ReadInteger("name"), ERegistryException);
  std::vector<AnsiString> names = reg.GetValueNames();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<AnsiString>{"count", "name"}));
  EXPECT_THROW(reg.WriteString("x", "y"), ERegistryException);  // opened read-only
  reg.CloseKey();

  ASSERT_TRUE(reg.OpenKey(key, false));
  EXPECT_EQ(reg.GetKeyNames(), std::vector<AnsiString>{"Sub"});
  reg.CloseKey();
  EXPECT_TRUE(reg.DeleteKey(key));
  EXPECT_FALSE(reg.KeyExists(key));
  EXPECT_FALSE(reg.DeleteKey(key));
}
