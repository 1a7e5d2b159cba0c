#include "common/NtSecurityLib.h"

#include "common/ObjList.h"
#include "common/SidStore.h"
#include "platform/rtl/SysExceptions.h"

#include <gtest/gtest.h>

namespace {

TWinVersion Nt4() { return {VER_PLATFORM_WIN32_NT, 4, 0}; }
TWinVersion Win98() { return {VER_PLATFORM_WIN32_WINDOWS, 4, 10}; }
TWinVersion WinXP() { return {VER_PLATFORM_WIN32_NT, 5, 1}; }

// Brings the group up with a given version and takes it down again whatever the test does.
struct TGroupRun {
  explicit TGroupRun(TWinVersionQuery query) { InitializeNtSecurityLib(query); }
  ~TGroupRun() { FinalizeNtSecurityLib(); }
};

// Every pointer of a bound table is what GetProcAddress gives for its lookup name: nil
// exactly where the library lacks the export.
void ExpectBoundByName(const TProcTable& table) {
  ASSERT_NE(nullptr, table.Handle()) << table.LibraryName();
  for (int i = 0; i < table.Count(); ++i) {
    FARPROC expected = GetProcAddress(table.Handle(), table.LookupName(i).c_str());
    EXPECT_EQ(reinterpret_cast<void*>(expected), reinterpret_cast<void*>(table.Proc(i)))
        << table.LookupName(i);
  }
}

}  // namespace

TEST(NtSecurityLib, VersionTests) {
  struct Case { TWinVersion version; bool nt; bool win2000; };
  const Case cases[] = {
      {Win98(), false, false},
      {{VER_PLATFORM_WIN32_WINDOWS, 5, 0}, false, false},  // the platform decides, not the number
      {Nt4(), true, false},
      {{VER_PLATFORM_WIN32_NT, 5, 0}, true, true},
      {{VER_PLATFORM_WIN32_NT, 10, 0}, true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.nt, IsWinNT(c.version)) << c.version.PlatformId << " " << c.version.MajorVersion;
    EXPECT_EQ(c.win2000, IsWin2000OrLater(c.version)) << c.version.MajorVersion;
  }
  // Wine reports an NT-platform Windows: the query reads the running system.
  EXPECT_TRUE(IsWinNT());
}

TEST(NtSecurityLib, NtFourChoosesFallbackForWindows2000TableOnly) {
  TGroupRun run(Nt4);
  EXPECT_EQ("radmin32.dll", Win2000Procs().LibraryName());
  EXPECT_EQ("advapi32.dll", SecurityProcs().LibraryName());
  EXPECT_EQ("netapi32.dll", NetworkProcs().LibraryName());
  EXPECT_EQ("advapi32.dll", AccountEventLogProcs().LibraryName());
  EXPECT_EQ("advapi32.dll", ServiceProcs().LibraryName());
  // The fallback library does not exist: its whole table stays nil and start-up went on.
  EXPECT_EQ(nullptr, Win2000Procs().Handle());
  for (int i = 0; i < Win2000Procs().Count(); ++i) EXPECT_EQ(nullptr, Win2000Procs().Proc(i));
  EXPECT_NE(nullptr, GlobalSidStore());
}

TEST(NtSecurityLib, NonNtLooksUpAnsiNetworkNamesInFallback) {
  TGroupRun run(Win98);
  EXPECT_EQ("NetJoinDomainA", NetworkProcs().LookupName(0));
  EXPECT_EQ("NetWkstaGetInfoA", NetworkProcs().LookupName(55));
  // Only the network table changes its names.
  EXPECT_EQ("EqualSid", AccountEventLogProcs().LookupName(4));
  for (TProcTable* table : {&Win2000Procs(), &SecurityProcs(), &NetworkProcs(),
                            &AccountEventLogProcs(), &ServiceProcs()}) {
    EXPECT_EQ("radmin32.dll", table->LibraryName());
    EXPECT_EQ(nullptr, table->Handle());
  }
}

TEST(NtSecurityLib, BindsEachTableByNameWhereExportsExist) {
  TGroupRun run(WinXP);
  for (TProcTable* table : {&Win2000Procs(), &SecurityProcs(), &NetworkProcs(),
                            &AccountEventLogProcs(), &ServiceProcs()})
    ExpectBoundByName(*table);
  // Wine's netapi32 lacks NetJoinDomain and NetUnjoinDomain, the first two names of the
  // network table: their pointers stay nil while the names after them are bound.
  if (!GetProcAddress(NetworkProcs().Handle(), "NetJoinDomain")) {
    EXPECT_EQ(nullptr, NetworkProcs().Proc("NetJoinDomain"));
    EXPECT_NE(nullptr, NetworkProcs().Proc("NetServerEnum"));
  }
  // Procedures every Wine provides are there; the names are looked up without a suffix.
  EXPECT_NE(nullptr, SecurityProcs().Proc("GetLengthSid"));
  EXPECT_NE(nullptr, AccountEventLogProcs().Proc("EqualSid"));
  EXPECT_NE(nullptr, NetworkProcs().Proc("NetApiBufferFree"));
  EXPECT_EQ("NetJoinDomain", NetworkProcs().LookupName(0));
  EXPECT_EQ(nullptr, SecurityProcs().Proc("NotInTheTable"));
}

TEST(NtSecurityLib, MissingExportLeavesOnlyItsPointerNil) {
  TProcTable table("kernel32.dll", {"GetTickCount", "NoSuchExportAnywhere", "GetVersion"});
  table.Bind(true);
  EXPECT_NE(nullptr, table.Proc(0));
  EXPECT_EQ(nullptr, table.Proc(1));
  EXPECT_NE(nullptr, table.Proc(2));
  table.Unbind();
  EXPECT_TRUE(table.LibraryName().empty());
  EXPECT_EQ(nullptr, table.Handle());
  EXPECT_EQ(nullptr, table.Proc(0));  // no pointer outlives the library
}

TEST(NtSecurityLib, ShutdownFreesEverything) {
  InitializeNtSecurityLib(WinXP);
  EXPECT_NE(nullptr, GlobalSidStore());
  FinalizeNtSecurityLib();
  EXPECT_EQ(nullptr, GlobalSidStore());
  for (TProcTable* table : {&Win2000Procs(), &SecurityProcs(), &NetworkProcs(),
                            &AccountEventLogProcs(), &ServiceProcs()}) {
    EXPECT_TRUE(table->LibraryName().empty());
    EXPECT_EQ(nullptr, table->Handle());
  }
}

namespace {
// Counts destructions so the list's ownership can be observed.
struct TCounted : TObject {
  explicit TCounted(int& freed) : FFreed(freed) {}
  ~TCounted() override { ++FFreed; }
  int& FFreed;
};
}  // namespace

TEST(ObjList, OwningAndLinkingLists) {
  int freed = 0;
  {
    ObjList::TObjectList owning;
    EXPECT_TRUE(owning.OwnsObjects());
    owning.Add(new TCounted(freed));
    owning.Add(nullptr);  // unassigned slots are skipped
    owning.Add(new TCounted(freed));
    owning.Add(new TCounted(freed));
    owning.Delete(1);
    EXPECT_EQ(0, freed);
    owning.Delete(0);
    EXPECT_EQ(1, freed);
    EXPECT_THROW(owning.Delete(5), EListError);
    EXPECT_EQ(2, owning.Count());
  }
  EXPECT_EQ(3, freed);

  TCounted a(freed), b(freed);
  {
    ObjList::TObjectList links;
    links.SetOwnsObjects(false);
    links.Add(&a);
    links.Add(&b);
    links.Delete(0);
    links.Clear();
    EXPECT_EQ(0, links.Count());
    links.Add(&a);
  }
  EXPECT_EQ(3, freed);

  ObjList::TObjectList cleared;
  cleared.Add(new TCounted(freed));
  cleared.Add(new TCounted(freed));
  cleared.Clear();
  EXPECT_EQ(5, freed);
  EXPECT_EQ(0, cleared.Count());
}
