#include "platform/rtl/Threads.h"

#include "platform/rtl/SysExceptions.h"

TSemaphore::TSemaphore(long initial, long maximum)
    : FHandle(CreateSemaphoreW(nullptr, initial, maximum, nullptr)) {
  if (!FHandle) RaiseLastOSError();
}

TSemaphore::~TSemaphore() {
  if (FHandle) CloseHandle(FHandle);
}

static TWaitResult ToWaitResult(DWORD r) {
  switch (r) {
    case WAIT_OBJECT_0: return TWaitResult::wrSignaled;
    case WAIT_TIMEOUT: return TWaitResult::wrTimeout;
    case WAIT_ABANDONED: return TWaitResult::wrAbandoned;
    case WAIT_IO_COMPLETION: return TWaitResult::wrIOCompletion;
    default: return TWaitResult::wrError;
  }
}

TWaitResult TSemaphore::WaitFor(DWORD timeoutMs, bool alertable) {
  return ToWaitResult(WaitForSingleObjectEx(FHandle, timeoutMs, alertable ? TRUE : FALSE));
}

bool TSemaphore::Release(long count) { return ReleaseSemaphore(FHandle, count, nullptr) != 0; }

TEvent::TEvent(bool manualReset, bool initialState)
    : FHandle(CreateEventW(nullptr, manualReset, initialState, nullptr)) {
  if (!FHandle) RaiseLastOSError();
}

TEvent::~TEvent() {
  if (FHandle) CloseHandle(FHandle);
}

void TEvent::SetEvent() { ::SetEvent(FHandle); }
void TEvent::ResetEvent() { ::ResetEvent(FHandle); }
TWaitResult TEvent::WaitFor(DWORD timeoutMs) {
  return ToWaitResult(WaitForSingleObject(FHandle, timeoutMs));
}

TThread::TThread() {
  FHandle = CreateThread(nullptr, 0, &TThread::ThreadProc, this, CREATE_SUSPENDED, &FThreadId);
  if (!FHandle) RaiseLastOSError();
}

TThread::~TThread() {
  WaitForEnd();
  if (FHandle) CloseHandle(FHandle);
}

void TThread::WaitForEnd() {
  if (!FHandle || FFinished) return;
  if (!FStarted) FSkipExecute = true;
  FTerminated = true;
  // A suspended thread cannot end by itself: wake it until it runs. A thread that suspends
  // itself may do so just after a wake-up found it still running, so the wake-up is
  // repeated while waiting (on a running thread it does nothing). A failed ResumeThread
  // returns (DWORD)-1, which must not count as "still suspended".
  for (;;) {
    DWORD previous;
    do {
      previous = ResumeThread(FHandle);
    } while (previous != static_cast<DWORD>(-1) && previous > 1);
    if (WaitForSingleObject(FHandle, 10) != WAIT_TIMEOUT) return;
  }
}

DWORD WINAPI TThread::ThreadProc(LPVOID param) {
  auto* self = static_cast<TThread*>(param);
  SetExtendedFpuPrecision();
  if (!self->FSkipExecute) {
    try {
      self->Execute();
    } catch (const Exception& e) {
      self->FFatal = std::current_exception();
      self->FFatalMessage = e.Message();
      self->FHasFatal = true;
    } catch (const std::exception& e) {
      self->FFatal = std::current_exception();
      self->FFatalMessage = e.what();
      self->FHasFatal = true;
    } catch (...) {
      self->FFatal = std::current_exception();
      self->FFatalMessage = "Unknown exception";
      self->FHasFatal = true;
    }
  }
  DWORD result = self->ReturnValue;
  self->FFinished = true;
  return result;
}

void TThread::Resume() {
  FStarted = true;
  DWORD previous = ResumeThread(FHandle);
  if (previous <= 1) FSuspended = false;
}

void TThread::Suspend() {
  FSuspended = true;
  FStarted = true;
  SuspendThread(FHandle);
}

DWORD TThread::WaitFor() {
  WaitForSingleObject(FHandle, INFINITE);
  DWORD code = 0;
  GetExitCodeThread(FHandle, &code);
  return code;
}

void SetExtendedFpuPrecision() {
  uint16_t cw = GetFpuControlWord();
  cw = static_cast<uint16_t>((cw & ~0x0300u) | 0x0300u);  // PC field = 11: 64-bit mantissa
  asm volatile("fldcw %0" : : "m"(cw));
}

uint16_t GetFpuControlWord() {
  uint16_t cw = 0;
  asm volatile("fnstcw %0" : "=m"(cw));
  return cw;
}
