#include "common/TLIntf.h"

#include "platform/rtl/SysExceptions.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <vector>

namespace {
std::unique_ptr<TTLObjectManager>& TheManager() {
  static std::unique_ptr<TTLObjectManager> manager;
  return manager;
}
// Declared after the manager's slot so that, should both still exist at exit, the client
// goes first; the finalisation frees both explicitly before that.
std::unique_ptr<TTraceLens>& TheClient() {
  static std::unique_ptr<TTraceLens> client;
  return client;
}

const char* const SAssertionFailed = "アサート失敗";
const char* const SAssertError = "%s (%s, %d 行)";
}  // namespace

// --- TTLObjectManager ---

TTLObjectManager::~TTLObjectManager() {
  // The list is emptied before the clients go, so their own removal finds nothing to do.
  std::vector<TTraceLens*> clients;
  TList& list = FClients.LockList();
  for (int i = 0; i < list.Count(); ++i) clients.push_back(static_cast<TTraceLens*>(list[i]));
  list.Clear();
  FClients.UnlockList();
  for (TTraceLens* client : clients) delete client;
}

int TTLObjectManager::GetClientCount() { return FClients.Count(); }

void TTLObjectManager::SetDefaultDestination(const AnsiString& value) {
  THvTLObjectManager::SetDefaultDestination(value);
  TList& list = FClients.LockList();
  try {
    for (int i = 0; i < list.Count(); ++i)
      static_cast<TTraceLens*>(list[i])->SetDestinationDetails(value);
  } catch (...) {
    FClients.UnlockList();
    throw;
  }
  FClients.UnlockList();
}

void TTLObjectManager::AddClient(TTraceLens* client) { FClients.Add(client); }

void TTLObjectManager::RemoveClient(TTraceLens* client) { FClients.Remove(client); }

// --- TTraceLens ---

TTraceLens::TTraceLens(TTLObjectManager* manager) : THvTraceLens(manager), FListManager(manager) {
  if (FListManager) FListManager->AddClient(this);
}

TTraceLens::~TTraceLens() {
  try {
    UnregisterClient();
  } catch (...) {
    // A destructor must not throw; the viewer only misses the goodbye.
  }
  if (FListManager) FListManager->RemoveClient(this);
}

void TTraceLens::SendErrorFmt(const char* format, ...) {
  if (!Enabled()) return;
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  AnsiString text;
  if (needed > 0) {
    text.resize(needed + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(needed);
  }
  va_end(args);
  SendError(text);
}

// --- Globals and the assertion handler ---

TTLObjectManager* TLObjectManager() { return TheManager().get(); }

TTraceLens* TraceLens() { return TheClient().get(); }

void TLAssertErrorHandler(const AnsiString& message, const AnsiString& fileName, int lineNumber) {
  const AnsiString& text = message.empty() ? AnsiString(SAssertionFailed) : message;
  throw EAssertionFailed(Format(SAssertError, text.c_str(), fileName.c_str(), lineNumber));
}

void InitializeTLIntf() {
  TheManager() = std::make_unique<TTLObjectManager>();
  TheClient() = std::make_unique<TTraceLens>(TheManager().get());
  SetAssertErrorProc(&TLAssertErrorHandler);
}

void FinalizeTLIntf() {
  TheClient().reset();
  TheManager().reset();
}
