#include "CvIdxBuilder/CvThreadRunnerUnit.h"

#include "platform/rtl/SysExceptions.h"

namespace {

// Caller errors are reported as assertion failures that name this unit and the line of the
// check, as users of the runner have always seen them.
const char kUnit[] = "CvThreadRunnerUnit";
const char kAssertMessage[] = "Assertion failure";
constexpr int kStartLine = 86;
constexpr int kResumeLine = 140;
constexpr int kFreeThreadLine = 148;

}  // namespace

TCvThreadRunner::~TCvThreadRunner() {
  TRunnerState state = GetState();
  if (state == rsSuspended || state == rsFinished) {
    FreeThread();
  } else {
    FThread.release();  // still running: it is not freed (see the header)
  }
}

TRunnerState TCvThreadRunner::GetState() {
  if (!FThread) return rsNoThread;
  return static_cast<TRunnerState>(FThread->GetStatus() + 1);
}

void TCvThreadRunner::Start(std::unique_ptr<TCvBatchThread> thread) {
  Assert(GetState() == rsNoThread, kAssertMessage, kUnit, kStartLine);
  FThread = std::move(thread);
  FThread->Resume();
}

void TCvThreadRunner::Stop(bool wait) {
  TRunnerState state = GetState();
  if (state != rsRunning && state != rsSuspended) return;
  FThread->RequestStop();
  if (state == rsSuspended) Resume();
  if (!wait) return;
  for (;;) {
    state = GetState();
    if (state != rsRunning && state != rsSuspended) break;
    Sleep(200);
  }
}

void TCvThreadRunner::Resume() {
  Assert(GetState() == rsSuspended, kAssertMessage, kUnit, kResumeLine);
  FThread->ResumeSuspended();
}

void TCvThreadRunner::FreeThread() {
  TRunnerState state = GetState();
  Assert(state == rsSuspended || state == rsFinished, kAssertMessage, kUnit, kFreeThreadLine);
  FThread.reset();
}

bool TCvThreadRunner::HasMsg() {
  TRunnerState state = GetState();
  return state >= rsRunning && state <= rsFinished && FThread->HasMsg();
}

AnsiString TCvThreadRunner::PopMsg() {
  TRunnerState state = GetState();
  if (state >= rsRunning && state <= rsFinished) return FThread->PopMsg();
  return AnsiString();
}
