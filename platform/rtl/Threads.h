// Threads and synchronisation objects of the runtime layer.
#pragma once

#include "platform/rtl/SysStrings.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <exception>

// A critical section; Acquire/Release are the class library's other names for Enter/Leave.
class TCriticalSection {
public:
  TCriticalSection() { InitializeCriticalSection(&FCs); }
  ~TCriticalSection() { DeleteCriticalSection(&FCs); }
  TCriticalSection(const TCriticalSection&) = delete;
  TCriticalSection& operator=(const TCriticalSection&) = delete;
  void Enter() { EnterCriticalSection(&FCs); }
  void Leave() { LeaveCriticalSection(&FCs); }
  bool TryEnter() { return TryEnterCriticalSection(&FCs) != 0; }
  void Acquire() { Enter(); }
  void Release() { Leave(); }

private:
  CRITICAL_SECTION FCs;
};

// Holds a critical section for one scope (released on the way out of an exception too).
class TLockGuard {
public:
  explicit TLockGuard(TCriticalSection& cs) : FCs(cs) { FCs.Enter(); }
  ~TLockGuard() { FCs.Leave(); }
  TLockGuard(const TLockGuard&) = delete;
  TLockGuard& operator=(const TLockGuard&) = delete;

private:
  TCriticalSection& FCs;
};

enum class TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError, wrIOCompletion };

// A counting semaphore.
class TSemaphore {
public:
  TSemaphore(long initial, long maximum);
  ~TSemaphore();
  TSemaphore(const TSemaphore&) = delete;
  TSemaphore& operator=(const TSemaphore&) = delete;
  // Waits up to timeoutMs; alertable waits end early with wrIOCompletion when an
  // asynchronous procedure call runs on this thread.
  TWaitResult WaitFor(DWORD timeoutMs, bool alertable = false);
  bool Release(long count = 1);
  HANDLE Handle() const { return FHandle; }

private:
  HANDLE FHandle;
};

// A manual- or auto-reset event.
class TEvent {
public:
  explicit TEvent(bool manualReset = true, bool initialState = false);
  ~TEvent();
  TEvent(const TEvent&) = delete;
  TEvent& operator=(const TEvent&) = delete;
  void SetEvent();
  void ResetEvent();
  TWaitResult WaitFor(DWORD timeoutMs);
  HANDLE Handle() const { return FHandle; }

private:
  HANDLE FHandle;
};

// A thread object. The operating-system thread is created suspended by the constructor and
// runs Execute once it is resumed. An exception that escapes Execute is kept as the thread's
// fatal exception instead of ending the process.
//
// A derived class whose Execute uses its own members must call WaitForEnd() at the start of
// its destructor: by the time ~TThread runs, the derived members are gone. A thread that was
// never resumed ends without running Execute.
class TThread {
public:
  TThread();
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  void Resume();  // also starts a thread created suspended
  void Start() { Resume(); }
  void Suspend();  // suspends the calling thread when called from inside Execute
  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }
  bool Suspended() const { return FSuspended; }
  bool Finished() const { return FFinished; }
  // Waits for the end of the thread; returns its exit code. Must not be called from itself.
  DWORD WaitFor();
  HANDLE Handle() const { return FHandle; }
  DWORD ThreadID() const { return FThreadId; }

  // The exception that ended Execute, if any (set before Finished becomes true).
  bool HasFatalException() const { return FHasFatal; }
  std::exception_ptr FatalException() const { return FFatal; }
  AnsiString FatalExceptionMessage() const { return FFatalMessage; }
  // The class name of the object, for messages ("TBatchScanThread").
  virtual const char* ClassName() const { return "TThread"; }

protected:
  virtual void Execute() = 0;
  void WaitForEnd();
  DWORD ReturnValue = 0;

private:
  static DWORD WINAPI ThreadProc(LPVOID param);
  HANDLE FHandle = nullptr;
  DWORD FThreadId = 0;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FSuspended{true};
  std::atomic<bool> FFinished{false};
  std::atomic<bool> FStarted{false};
  std::atomic<bool> FSkipExecute{false};
  std::atomic<bool> FHasFatal{false};
  std::exception_ptr FFatal;
  AnsiString FFatalMessage;
};

// Sets the x87 precision control of the calling thread to 64-bit mantissas (extended
// precision), as the platform's runtime did; MinGW's default is 53 bits.
void SetExtendedFpuPrecision();
// The x87 control word of the calling thread.
uint16_t GetFpuControlWord();
