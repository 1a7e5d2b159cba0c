// The owner of one batch worker on the GUI thread: starts it, asks it to stop, reports its
// state and hands out its mailbox lines.
#pragma once

#include "CvIdxBuilder/CvBatchThreadUnit.h"

#include <memory>

using TRunnerState = uint8_t;
constexpr TRunnerState rsNoThread = 0;
constexpr TRunnerState rsRunning = 1;
constexpr TRunnerState rsSuspended = 2;
constexpr TRunnerState rsFinished = 3;

class TCvThreadRunner {
public:
  TCvThreadRunner() = default;
  // Frees a suspended or finished worker. A worker that still runs is let go, not freed:
  // freeing it would wait for it on the GUI thread.
  ~TCvThreadRunner();
  TCvThreadRunner(const TCvThreadRunner&) = delete;
  TCvThreadRunner& operator=(const TCvThreadRunner&) = delete;

  // The worker's status plus 1, or 0 without a worker.
  TRunnerState GetState();
  // Takes the worker (created suspended) and resumes it. Only without a worker.
  void Start(std::unique_ptr<TCvBatchThread> thread);
  // Asks a running or suspended worker to stop; with wait, polls every 200 ms until it
  // has finished.
  void Stop(bool wait);
  // Only for a suspended worker.
  void Resume();
  // Frees a suspended or finished worker.
  void FreeThread();
  bool HasMsg();
  AnsiString PopMsg();
  TCvBatchThread* Thread() const { return FThread.get(); }

private:
  std::unique_ptr<TCvBatchThread> FThread;
};
