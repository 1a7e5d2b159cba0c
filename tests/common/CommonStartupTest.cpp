#include "common/ArchiveCharTables.h"
#include "common/CommonStartup.h"
#include "common/CorvanePathUnit.h"
#include "common/HvTLIntf.h"
#include "common/HvxUtil.h"
#include "common/uROSessions.h"

#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

#include <windows.h>

TEST(CommonStartup, RunsTheGroupInOrderAndUndoesItInReverse) {
  TAssertErrorProc savedAssert = SetAssertErrorProc(nullptr);
  SetAssertErrorProc(savedAssert);
  InitializeCommonUnits();
  ASSERT_NE(HvTraceLens(), nullptr);
  HvTraceLens()->SetEnabled(false);  // nothing in this test may look for a viewer
  EXPECT_NE(HvTLObjectManager(), nullptr);
  ASSERT_NE(WindowsFolderList, nullptr);
  EXPECT_EQ(WindowsFolderList->Count(), kWindowsFolderCount);
  EXPECT_FALSE(ProgramFolder.empty());
  EXPECT_EQ(ProgramFolder.back(), '\\');
  EXPECT_TRUE(DirectoryExists(ProductTempFolder));
  EXPECT_TRUE(DirectoryExists(DataFolder));
  EXPECT_EQ(TempProductFolder, ProductTempFolder + "\\");
  EXPECT_EQ(InstallBinFolder, IncludeTrailingBackslash(InstallFolder) + "Bin\\");
  std::vector<TExceptionClass> expected = {
      &typeid(EROSessionNotFound),       &typeid(ECorvaneException),
      &typeid(ECorvaneUserException),    &typeid(ECorvaneSilentException),
      &typeid(ECorvaneEnvException),     &typeid(ECvFileListSizeTooLarge),
      &typeid(ECvFileListCountTooMuch)};
  EXPECT_EQ(RegisteredExceptionClasses(), expected);

  FinalizeCommonUnits();
  EXPECT_EQ(HvTraceLens(), nullptr);
  EXPECT_EQ(HvTLObjectManager(), nullptr);
  EXPECT_EQ(WindowsFolderList, nullptr);
  EXPECT_EQ(ProgramFolder, "");
  EXPECT_TRUE(RegisteredExceptionClasses().empty());
  SetAssertErrorProc(savedAssert);
}

TEST(ArchiveCharTables, RanksFollowTheLocaleAndCaseTablesMatch) {
  TArchiveCharTables t = BuildArchiveCharTables(GetUserDefaultLCID());
  auto rank = [&](char c) { return t.Rank[static_cast<uint8_t>(c)]; };
  EXPECT_LT(rank('a'), rank('b'));
  EXPECT_LT(rank('1'), rank('2'));
  if (t.RanksArePermutation) {
    for (int b = 0; b < 256; ++b) EXPECT_EQ(t.Inverse[t.Rank[b]], b);
    EXPECT_EQ(t.Upper[rank('a')], rank('A'));
    EXPECT_EQ(t.Lower[rank('Q')], rank('q'));
  } else {
    EXPECT_EQ(t.Upper['a'], 'A');
    EXPECT_EQ(t.Lower['Q'], 'q');
    EXPECT_EQ(t.Rank['a'], 'a');  // the OEM round trip keeps ASCII
  }
}
