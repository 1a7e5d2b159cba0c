#include "common/TLIntf.h"

#include "platform/rtl/SysExceptions.h"

#include <gtest/gtest.h>

namespace {

// A client that never finds a viewer, so registering fails quietly instead of starting one.
class TQuietLens : public TTraceLens {
public:
  TQuietLens(TTLObjectManager* manager, int* freed = nullptr)
      : TTraceLens(manager), FFreed(freed) {}
  ~TQuietLens() override {
    UnregisterClient();  // while the override below still applies
    if (FFreed) ++*FFreed;
  }

protected:
  HWND FindDispatcher(bool) override { return nullptr; }

private:
  int* FFreed;
};

AnsiString AssertMessage(const AnsiString& message, const AnsiString& file, int line) {
  try {
    Assert(false, message, file.c_str(), line);
  } catch (const EAssertionFailed& e) {
    return e.Message();
  }
  return "<none>";
}

// Runs the unit's start-up for one test and undoes all of it afterwards.
struct TUnitRun {
  TUnitRun() { InitializeTLIntf(); }
  ~TUnitRun() {
    FinalizeTLIntf();
    SetAssertErrorProc(nullptr);  // the runtime's own handler again
  }
};

}  // namespace

TEST(TLIntf, AssertionTexts) {
  struct Case { const char* message; const char* file; int line; const char* expected; };
  const Case cases[] = {
      {"x", "a", 7, "x (a, 7 行)"},
      {"", "a", 7, "アサート失敗 (a, 7 行)"},
      {"MouseTrackingTimerList.Count <> 0", "vxControls.cpp", 1234,
       "MouseTrackingTimerList.Count <> 0 (vxControls.cpp, 1234 行)"},
      {"100%s", "b", 0, "100%s (b, 0 行)"},  // the message is an argument, never a format
  };
  for (const Case& c : cases) {
    try {
      TLAssertErrorHandler(c.message, c.file, c.line);
      FAIL() << "returned";
    } catch (const EAssertionFailed& e) {
      EXPECT_EQ(AnsiString(c.expected), e.Message());
    }
  }
}

TEST(TLIntf, StartUpInstallsAssertionHandler) {
  {
    TUnitRun run;
    EXPECT_EQ(AnsiString("x (a, 7 行)"), AssertMessage("x", "a", 7));
    Assert(true, "never", "a", 1);  // a holding assertion raises nothing
    FinalizeTLIntf();
    // Shutdown leaves the handler in place.
    EXPECT_EQ(AnsiString("y (b, 2 行)"), AssertMessage("y", "b", 2));
    InitializeTLIntf();
  }
}

TEST(TLIntf, GlobalClientEntersManagersList) {
  EXPECT_EQ(nullptr, TLObjectManager());
  EXPECT_EQ(nullptr, TraceLens());
  {
    TUnitRun run;
    ASSERT_NE(nullptr, TLObjectManager());
    ASSERT_NE(nullptr, TraceLens());
    EXPECT_EQ(1, TLObjectManager()->GetClientCount());
    EXPECT_TRUE(TraceLens()->GuidText().empty());  // no viewer looked for at start-up
  }
  EXPECT_EQ(nullptr, TLObjectManager());
  EXPECT_EQ(nullptr, TraceLens());
}

TEST(TLIntf, ManagerFreesClientsStillListed) {
  int freed = 0;
  auto manager = std::make_unique<TTLObjectManager>();
  new TQuietLens(manager.get(), &freed);
  new TQuietLens(manager.get(), &freed);
  auto* kept = new TQuietLens(manager.get(), &freed);
  EXPECT_EQ(3, manager->GetClientCount());
  delete kept;
  EXPECT_EQ(2, manager->GetClientCount());
  EXPECT_EQ(1, freed);
  manager.reset();
  EXPECT_EQ(3, freed);
}

TEST(TLIntf, DefaultDestinationReachesEveryListedClient) {
  TTLObjectManager manager;
  EXPECT_EQ("Viewer", manager.DefaultDestination());
  auto* a = new TQuietLens(&manager);
  auto* b = new TQuietLens(&manager);
  manager.SetDefaultDestination("Viewer[x,y],File");
  EXPECT_EQ("Viewer[x,y],File", a->DestinationDetails());
  EXPECT_EQ("Viewer[x,y],File", b->DestinationDetails());
  // A network transport among the items empties the clients' destination.
  manager.SetDefaultDestination("Viewer,TCP[host]");
  EXPECT_EQ("", a->DestinationDetails());
  EXPECT_EQ("", b->DestinationDetails());
  // With no viewer to be found, registering switched the clients off.
  EXPECT_FALSE(a->Enabled());
}
