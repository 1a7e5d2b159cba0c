#include "CvIdxBuilder/CvBatchThreadUnit.h"

#include "common/CorvaneIniUnit.h"

// --- TCvAtomicBatchStatus / TCvAtomicBatchCmd ---------------------------------------------

TBatchStatus TCvAtomicBatchStatus::Value() const {
  TLockGuard guard(*FLock);
  return FValue;
}

void TCvAtomicBatchStatus::SetValue(TBatchStatus value) {
  TLockGuard guard(*FLock);
  FValue = value;
}

TBatchCmd TCvAtomicBatchCmd::Value() const {
  TLockGuard guard(*FLock);
  return FValue;
}

void TCvAtomicBatchCmd::SetValue(TBatchCmd value) {
  TLockGuard guard(*FLock);
  FValue = value;
}

bool TCvAtomicBatchCmd::TestAndSet(TBatchCmd expected, TBatchCmd replacement) {
  TLockGuard guard(*FLock);
  if (FValue != expected) return false;
  FValue = replacement;
  return true;
}

// --- TsemaphoreMailbox ----------------------------------------------------------------------

TsemaphoreMailbox::TsemaphoreMailbox()
    : FSemaphore(std::make_unique<TSemaphore>(0, 2147483647)),
      FLock(std::make_unique<TCriticalSection>()) {}

TsemaphoreMailbox::~TsemaphoreMailbox() = default;

void TsemaphoreMailbox::PostItem(TMsgObject* item) {
  // The semaphore is released before the lock: a reader that sees the item counted
  // (LockedCount) must find the semaphore signalled too, or its 1 ms wait could time out
  // and hand the log view an empty line while the item is still queued.
  TLockGuard guard(*FLock);
  Push(item);
  FSemaphore->Release(1);
}

bool TsemaphoreMailbox::WaitItem(TMsgObject*& item, DWORD timeoutMs) {
  TWaitResult r;
  do {
    r = FSemaphore->WaitFor(timeoutMs, true);
  } while (r == TWaitResult::wrIOCompletion);
  if (r != TWaitResult::wrSignaled) return false;
  TLockGuard guard(*FLock);
  item = static_cast<TMsgObject*>(Pop());
  return true;
}

int TsemaphoreMailbox::LockedCount() {
  TLockGuard guard(*FLock);
  return Count();
}

// --- TCvBatchThread -------------------------------------------------------------------------

TCvBatchThread::TCvBatchThread()
    : FMailbox(std::make_unique<TsemaphoreMailbox>()),
      FCommand(std::make_unique<TCvAtomicBatchCmd>()),
      FStatus(std::make_unique<TCvAtomicBatchStatus>()) {
  FStatus->SetValue(bsRunning);
}

TCvBatchThread::~TCvBatchThread() {
  // The body may still be posting; nothing here may be freed before it has ended.
  WaitForEnd();
  TMsgObject* item = nullptr;
  while (FMailbox->WaitItem(item, 10)) delete item;
}

AnsiString TCvBatchThread::HandleText() const {
  return IntToHex(reinterpret_cast<uintptr_t>(Handle()), 16);
}

bool TCvBatchThread::CheckAbort() {
  if (FCommand->Value() == bcStop) return true;
  if (!FCommand->TestAndSet(bcSuspend, bcNone)) return false;
  OnSuspended();
  FStatus->SetValue(bsSuspended);
  Suspend();
  FStatus->SetValue(bsRunning);
  OnResumed();
  return FCommand->Value() == bcStop;
}

void TCvBatchThread::OnSuspended() {
  PostMsg(AnsiString("Thread Suspended(") + ClassName() + "):" + HandleText());
}

void TCvBatchThread::OnResumed() {
  PostMsg(AnsiString("Thread Resumed (") + ClassName() + "):" + HandleText());
}

void TCvBatchThread::SetResult(TBatchResult kind, int32_t code, int32_t extra, int32_t subcode,
                               const AnsiString& message) {
  FResultKind = kind;
  FResultCode = code;
  FResultSubcode = subcode;
  FResultMessage = message;
  FStatus->SetValue(bsFinished);
}

TBatchStatus TCvBatchThread::GetStatus() {
  if (HasFatalException()) {
    FResultKind = brAbended;
    FResultCode = -1;
    FResultMessage = "Fatal Exception";
    return bsFinished;
  }
  return FStatus->Value();
}

void TCvBatchThread::PostMsg(const AnsiString& text) {
  auto msg = std::make_unique<TMsgObject>(text);
  FMailbox->PostItem(msg.get());
  msg.release();  // the mailbox's reader frees it
}

bool TCvBatchThread::HasMsg() { return FMailbox->LockedCount() > 0; }

AnsiString TCvBatchThread::PopMsg() {
  TMsgObject* item = nullptr;
  if (!FMailbox->WaitItem(item, 1)) return AnsiString();
  std::unique_ptr<TMsgObject> owned(item);
  return owned ? owned->Text : AnsiString();
}

void TCvBatchThread::RequestStop() { FCommand->SetValue(bcStop); }

void TCvBatchThread::ResumeSuspended() {
  // ResumeThread on a thread that has not suspended itself yet is lost; the worker then
  // sleeps for ever. Repeat until a wake-up meets a suspended thread or the worker is
  // already back (its status leaves "suspended" only after it woke up).
  while (FStatus->Value() == bsSuspended) {
    if (ResumeThread(Handle()) > 0) return;
    Sleep(1);
  }
}

// --- OkFolderList ---------------------------------------------------------------------------

namespace {

std::unique_ptr<TStringList>& OkFolderListHolder() {
  static std::unique_ptr<TStringList> list;
  return list;
}

}  // namespace

TStringList& OkFolderList() {
  auto& list = OkFolderListHolder();
  if (!list) list = std::make_unique<TStringList>();
  return *list;
}

void AddOkFolder(const AnsiString& folder) {
  AnsiString f = Trim(folder);
  if (f.empty()) return;
  f = AnsiLowerCase(ExcludeTrailingBackslash(f));
  TStringList& list = OkFolderList();
  if (list.IndexOf(f) < 0) list.Add(f);
}

void InitializeCvBatchThreadUnit() {
  // Loads the main configuration (a failed check is kept in it, never raised) and creates
  // the batch log folder.
  AddOkFolder(TCorvaneIni::Instance().GetBatchLogDir());
}

void FinalizeCvBatchThreadUnit() { OkFolderListHolder().reset(); }
