// The framework every batch worker runs on: a worker thread with a stop command, a status,
// a text mailbox and a final result, and the process-wide list of folders the batch may
// write to.
//
// The worker talks to the GUI thread only through these objects: it posts lines to its
// mailbox and reads its command; the owner (TCvThreadRunner) polls the status and pops
// the lines. There is no synchronous call into the GUI thread.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/rtl/SysStrings.h"
#include "platform/rtl/Threads.h"

#include <cstdint>
#include <memory>

// One mailbox message.
class TMsgObject {
public:
  explicit TMsgObject(AnsiString text) : Text(std::move(text)) {}
  AnsiString Text;
};

using TBatchStatus = uint8_t;
constexpr TBatchStatus bsRunning = 0;
constexpr TBatchStatus bsSuspended = 1;
constexpr TBatchStatus bsFinished = 2;

using TBatchCmd = uint8_t;
constexpr TBatchCmd bcNone = 0;
constexpr TBatchCmd bcSuspend = 1;
constexpr TBatchCmd bcStop = 2;

using TBatchResult = uint8_t;
constexpr TBatchResult brDone = 0;
constexpr TBatchResult brStopped = 1;
constexpr TBatchResult brAbended = 2;

// A byte behind its own lock: the worker's status, written by the worker, read by the owner.
class TCvAtomicBatchStatus {
public:
  TCvAtomicBatchStatus() : FLock(std::make_unique<TCriticalSection>()) {}
  TBatchStatus Value() const;
  void SetValue(TBatchStatus value);

private:
  std::unique_ptr<TCriticalSection> FLock;
  TBatchStatus FValue = bsRunning;
};

// A byte behind its own lock: the command the owner gives the worker.
class TCvAtomicBatchCmd {
public:
  TCvAtomicBatchCmd() : FLock(std::make_unique<TCriticalSection>()) {}
  TBatchCmd Value() const;
  void SetValue(TBatchCmd value);
  // When the value is expected, replaces it by replacement in the same locked step and
  // returns true; otherwise leaves it and returns false.
  bool TestAndSet(TBatchCmd expected, TBatchCmd replacement);

private:
  std::unique_ptr<TCriticalSection> FLock;
  TBatchCmd FValue = bcNone;
};

// First-in-first-out queue of messages guarded by a lock, with a counting semaphore so that
// a reader waits only until something is queued. It does not own the queued messages:
// whoever pops one frees it.
class TsemaphoreMailbox : public TObjectQueue {
public:
  TsemaphoreMailbox();
  ~TsemaphoreMailbox() override;

  virtual void PostItem(TMsgObject* item);
  // Waits up to timeoutMs for a message; true with the oldest message in item, false on
  // a time-out (item untouched). A wait ended by an asynchronous procedure call starts
  // again with the full time-out.
  virtual bool WaitItem(TMsgObject*& item, DWORD timeoutMs);
  // Number of queued messages, read under the lock.
  int LockedCount();

private:
  std::unique_ptr<TSemaphore> FSemaphore;
  std::unique_ptr<TCriticalSection> FLock;
};

// Base of the batch workers. Created suspended: it runs once its owner resumes it.
// Execute is the worker's body; it calls CheckAbort at its own safe points and ends with
// SetResult.
class TCvBatchThread : public TThread {
public:
  TCvBatchThread();
  // Waits for the body to end, then discards the messages nobody read.
  ~TCvBatchThread() override;
  const char* ClassName() const override { return "TCvBatchThread"; }

  // True when a stop was requested. A suspend request is served here: the worker posts a
  // line, reports itself suspended and sleeps until resumed.
  bool CheckAbort();
  virtual void OnSuspended();
  virtual void OnResumed();
  // Stores the final result and reports the worker finished. extra is not used.
  void SetResult(TBatchResult kind, int32_t code, int32_t extra, int32_t subcode,
                 const AnsiString& message);
  // The status; a body that ended by an exception counts as a fatal finish.
  TBatchStatus GetStatus();
  void PostMsg(const AnsiString& text);
  bool HasMsg();
  // The oldest message, or empty text when none came within 1 ms.
  AnsiString PopMsg();
  void RequestStop();
  // Wakes a worker that reported itself suspended. The worker reports before it actually
  // sleeps, so a wake-up that comes in between is repeated until it lands.
  void ResumeSuspended();

  TsemaphoreMailbox& Mailbox() { return *FMailbox; }
  TCvAtomicBatchCmd& Command() { return *FCommand; }
  TCvAtomicBatchStatus& Status() { return *FStatus; }
  TBatchResult ResultKind() const { return FResultKind; }
  int32_t ResultCode() const { return FResultCode; }
  int32_t ResultSubcode() const { return FResultSubcode; }
  const AnsiString& ResultMessage() const { return FResultMessage; }

protected:
  void Execute() override = 0;

private:
  AnsiString HandleText() const;
  std::unique_ptr<TsemaphoreMailbox> FMailbox;
  std::unique_ptr<TCvAtomicBatchCmd> FCommand;
  std::unique_ptr<TCvAtomicBatchStatus> FStatus;
  TBatchResult FResultKind = brDone;
  int32_t FResultCode = 0;
  int32_t FResultSubcode = 0;
  AnsiString FResultMessage;
};

// Folders the batch may write to, lower-case, without a trailing backslash; created on
// first use, freed by FinalizeCvBatchThreadUnit.
TStringList& OkFolderList();
// Adds a folder (trimmed; empty text is ignored) unless the list holds it already.
void AddOkFolder(const AnsiString& folder);

void InitializeCvBatchThreadUnit();
void FinalizeCvBatchThreadUnit();
