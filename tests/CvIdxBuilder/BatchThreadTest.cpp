// The worker framework: mailbox, worker status and result, runner states and caller errors.
#include "CvIdxBuilder/CvBatchThreadUnit.h"
#include "CvIdxBuilder/CvThreadRunnerUnit.h"
#include "platform/rtl/SysExceptions.h"
#include "tests/support/TestSupport.h"

#include <atomic>
#include <functional>

namespace {

// A worker whose body the test gives.
class TLambdaWorker : public TCvBatchThread {
public:
  explicit TLambdaWorker(std::function<void(TLambdaWorker&)> body) : FBody(std::move(body)) {}
  ~TLambdaWorker() override { WaitForEnd(); }
  const char* ClassName() const override { return "TLambdaWorker"; }

protected:
  void Execute() override { FBody(*this); }

private:
  std::function<void(TLambdaWorker&)> FBody;
};

// Runs until stopped, then reports stopped.
std::unique_ptr<TLambdaWorker> LoopingWorker() {
  return std::make_unique<TLambdaWorker>([](TLambdaWorker& w) {
    while (!w.CheckAbort()) Sleep(1);
    w.PostMsg("stopped");
    w.SetResult(1, 0, 99, -1, "CRAWL STOPped.");
  });
}

void WaitForState(TCvThreadRunner& r, TRunnerState s) {
  // No time limit of our own: a hang here is the fault the test looks for, and the test
  // runner's time-out reports it.
  while (r.GetState() != s) Sleep(1);
}

TEST(SemaphoreMailbox, ReturnsItemsInPostOrderAndTimesOutWhenEmpty) {
  TsemaphoreMailbox box;
  TMsgObject a("a"), b("b"), c("c");
  box.PostItem(&a);
  box.PostItem(&b);
  box.PostItem(&c);
  EXPECT_EQ(box.LockedCount(), 3);
  TMsgObject* got = nullptr;
  for (TMsgObject* expected : {&a, &b, &c}) {
    ASSERT_TRUE(box.WaitItem(got, 10));
    EXPECT_EQ(got, expected);
  }
  got = nullptr;
  EXPECT_FALSE(box.WaitItem(got, 1));
  EXPECT_EQ(got, nullptr);
}

TEST(SemaphoreMailbox, ReaderSeesEveryItemPostedFromAnotherThread) {
  TsemaphoreMailbox box;
  constexpr int kCount = 2000;
  std::vector<std::unique_ptr<TMsgObject>> items;
  for (int i = 0; i < kCount; ++i) items.push_back(std::make_unique<TMsgObject>(IntToStr(i)));
  TLambdaWorker poster([&](TLambdaWorker&) {
    for (auto& m : items) box.PostItem(m.get());
  });
  poster.Resume();
  for (int i = 0; i < kCount; ++i) {
    TMsgObject* got = nullptr;
    ASSERT_TRUE(box.WaitItem(got, INFINITE));
    ASSERT_EQ(got->Text, IntToStr(i));
  }
}

TEST(BatchThread, PostedTextsPopInOrderAndUnreadOnesAreFreedWithTheWorker) {
  auto w = std::make_unique<TLambdaWorker>([](TLambdaWorker& self) {
    for (const char* t : {"一", "two", "three", "unread"}) self.PostMsg(t);
    self.SetResult(0, 0, 0, 0, "CRAWL DONE.");
  });
  w->Resume();
  w->WaitFor();
  EXPECT_EQ(w->GetStatus(), bsFinished);
  EXPECT_TRUE(w->HasMsg());
  EXPECT_EQ(w->PopMsg(), "一");
  EXPECT_EQ(w->PopMsg(), "two");
  EXPECT_EQ(w->PopMsg(), "three");
  EXPECT_EQ(w->ResultMessage(), "CRAWL DONE.");
  w.reset();  // "unread" is discarded (a leak checker would see it otherwise)
}

TEST(BatchThread, BodyThatRaisesIsAFatalFinishWithoutMessages) {
  for (int kind = 0; kind < 2; ++kind) {
    TLambdaWorker w([kind](TLambdaWorker&) {
      if (kind == 0) throw EFCreateError("cannot create");
      throw 42;  // not even an exception class
    });
    w.Resume();
    w.WaitFor();
    EXPECT_EQ(w.GetStatus(), bsFinished);
    EXPECT_EQ(w.ResultKind(), brAbended);
    EXPECT_EQ(w.ResultCode(), -1);
    EXPECT_EQ(w.ResultMessage(), "Fatal Exception");
    EXPECT_FALSE(w.HasMsg());
  }
}

TEST(ThreadRunner, WithoutThreadStateIsZeroAndNothingToRead) {
  TCvThreadRunner r;
  EXPECT_EQ(r.GetState(), rsNoThread);
  EXPECT_FALSE(r.HasMsg());
  EXPECT_EQ(r.PopMsg(), "");
  r.Stop(true);  // nothing happens
  EXPECT_EQ(r.GetState(), rsNoThread);
}

TEST(ThreadRunner, StopWithoutWaitReturnsAndWorkerEndsAtItsNextCheck) {
  TCvThreadRunner r;
  r.Start(LoopingWorker());
  EXPECT_EQ(r.GetState(), rsRunning);
  r.Stop(false);
  r.Stop(false);  // twice is the same as once
  WaitForState(r, rsFinished);
  EXPECT_TRUE(r.HasMsg());
  EXPECT_EQ(r.PopMsg(), "stopped");
  EXPECT_EQ(r.Thread()->ResultMessage(), "CRAWL STOPped.");
  r.FreeThread();
  EXPECT_EQ(r.GetState(), rsNoThread);
}

TEST(ThreadRunner, StopWithWaitReturnsOnlyAfterTheFinish) {
  TCvThreadRunner r;
  r.Start(LoopingWorker());
  r.Stop(true);
  EXPECT_EQ(r.GetState(), rsFinished);
}

TEST(ThreadRunner, CallerErrorsRaiseAssertionFailuresNamingUnitAndLine) {
  struct Case {
    const char* what;
    std::function<void(TCvThreadRunner&)> call;
    const char* message;
  };
  const Case cases[] = {
      {"Resume without thread", [](TCvThreadRunner& r) { r.Resume(); },
       "Assertion failure (CvThreadRunnerUnit, line 140)"},
      {"FreeThread without thread", [](TCvThreadRunner& r) { r.FreeThread(); },
       "Assertion failure (CvThreadRunnerUnit, line 148)"},
      {"Start twice", [](TCvThreadRunner& r) { r.Start(LoopingWorker()); r.Start(LoopingWorker()); },
       "Assertion failure (CvThreadRunnerUnit, line 86)"},
      {"Resume while running", [](TCvThreadRunner& r) { r.Start(LoopingWorker()); r.Resume(); },
       "Assertion failure (CvThreadRunnerUnit, line 140)"},
      {"FreeThread while running", [](TCvThreadRunner& r) { r.Start(LoopingWorker()); r.FreeThread(); },
       "Assertion failure (CvThreadRunnerUnit, line 148)"},
  };
  for (const Case& c : cases) {
    TCvThreadRunner r;
    try {
      c.call(r);
      ADD_FAILURE() << c.what << ": no assertion failure";
    } catch (const EAssertionFailed& e) {
      EXPECT_EQ(e.Message(), c.message) << c.what;
    }
    r.Stop(true);
  }
}

TEST(ThreadRunner, FreeingTheRunnerLeavesARunningWorkerAlone) {
  std::atomic<bool> release{false};
  auto owned = std::make_unique<TLambdaWorker>([&](TLambdaWorker& w) {
    while (!release) Sleep(1);
    w.SetResult(0, 0, 0, 0, "CRAWL DONE.");
  });
  TLambdaWorker* worker = owned.get();
  {
    TCvThreadRunner r;
    r.Start(std::move(owned));
  }
  // The runner is gone; the worker still runs and is still ours to free.
  EXPECT_EQ(worker->GetStatus(), bsRunning);
  release = true;
  worker->WaitFor();
  EXPECT_EQ(worker->GetStatus(), bsFinished);
  delete worker;
}

TEST(ThreadRunner, SuspendRequestIsServedAndResumedManyTimes) {
  TCvThreadRunner r;
  r.Start(LoopingWorker());
  TCvBatchThread* w = r.Thread();
  constexpr int kRounds = 200;
  const AnsiString handle = IntToHex(reinterpret_cast<uintptr_t>(w->Handle()), 16);
  // Resuming right after the status says "suspended" races with the worker's own
  // suspension (busy polling keeps the gap small); repeating it shows a lost wake-up as
  // a hang.
  for (int i = 0; i < kRounds; ++i) {
    w->Command().SetValue(bcSuspend);
    while (r.GetState() != rsSuspended) {
    }
    r.Resume();
    WaitForState(r, rsRunning);
  }
  for (int i = 0; i < kRounds; ++i) {
    EXPECT_EQ(r.PopMsg(), "Thread Suspended(TLambdaWorker):" + handle);
    while (!r.HasMsg()) Sleep(1);
    EXPECT_EQ(r.PopMsg(), "Thread Resumed (TLambdaWorker):" + handle);
  }
  // A stop given to a suspended worker wakes it.
  w->Command().SetValue(bcSuspend);
  WaitForState(r, rsSuspended);
  r.Stop(true);
  EXPECT_EQ(r.GetState(), rsFinished);
}

TEST(ThreadRunner, FreeingASuspendedWorkerWakesIt) {
  // The worker reports itself suspended just before it sleeps; freeing it right then must
  // still wake it, or the GUI thread waits for ever. Repeating it shows a lost wake-up.
  constexpr int kRounds = 100;
  for (int i = 0; i < kRounds; ++i) {
    auto worker = std::make_unique<TLambdaWorker>([](TLambdaWorker& w) {
      w.CheckAbort();
      w.SetResult(0, 0, 0, 0, "CRAWL DONE.");
    });
    worker->Command().SetValue(bcSuspend);
    TCvThreadRunner r;
    r.Start(std::move(worker));
    while (r.GetState() != rsSuspended) {
    }
    r.FreeThread();
    EXPECT_EQ(r.GetState(), rsNoThread);
  }
}

TEST(OkFolders, TrimmedLowerCasedWithoutTrailingBackslashAndUnique) {
  FinalizeCvBatchThreadUnit();
  for (const char* f : {"  C:\\Corvane\\Log\\ ", "c:\\corvane\\log", "", "   ", "D:\\ソフト\\LOG", "E:\\表"}) {
    AddOkFolder(f);
  }
  const TStringList& list = OkFolderList();
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list[0], "c:\\corvane\\log");
  EXPECT_EQ(list[1], "d:\\ソフト\\log");
  EXPECT_EQ(list[2], "e:\\表");  // 表 ends in the byte 5C, which is not a backslash here
  FinalizeCvBatchThreadUnit();
  EXPECT_EQ(OkFolderList().Count(), 0);
}

}  // namespace
