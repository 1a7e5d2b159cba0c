// The vendor's trace client, TTraceLens, beside the maker's client of HvTLIntf, which it
// follows in everything but its manager: every TTraceLens enters its manager's client list,
// so the manager counts the live clients and hands a new default destination to each.
// No code of this program sends through it; at run time the unit contributes its start-up
// work: the global manager and client, and the runtime's assertion handler.
#pragma once

#include "common/HvTLIntf.h"
#include "platform/rtl/Classes.h"

class TTraceLens;

// Owns the clients still listed when it is freed.
class TTLObjectManager : public THvTLObjectManager {
public:
  TTLObjectManager() = default;
  ~TTLObjectManager() override;

  int GetClientCount() override;
  // Stores the default destination and sets it as the destination of every listed client.
  void SetDefaultDestination(const AnsiString& value) override;

private:
  friend class TTraceLens;
  void AddClient(TTraceLens* client);
  void RemoveClient(TTraceLens* client);

  TThreadList FClients;  // TTraceLens*, owned only once the manager is freed
};

// A trace client listed by its manager from construction to destruction. The manager is a
// non-owning link that must outlive the client (or free it).
class TTraceLens : public THvTraceLens {
public:
  explicit TTraceLens(TTLObjectManager* manager);
  // Unregisters (type 42 when registered), then leaves the manager's list.
  ~TTraceLens() override;

  AnsiString ClassName() const override { return "TTraceLens"; }

  // An error message from a format: SendFmt with type 2.
  void SendErrorFmt(const char* format, ...) __attribute__((format(printf, 2, 3)));

private:
  TTLObjectManager* FListManager;  // not owned
};

// The global manager and client (null before InitializeTLIntf and after FinalizeTLIntf).
TTLObjectManager* TLObjectManager();
TTraceLens* TraceLens();

// The runtime's assertion handler from start-up on: raises EAssertionFailed with
// "%s (%s, %d 行)" of the message ("アサート失敗" when it is empty), the file and the line.
// It sends nothing to the viewer.
[[noreturn]] void TLAssertErrorHandler(const AnsiString& message, const AnsiString& fileName,
                                       int lineNumber);

// Creates the global manager, then the global client (which enters the manager's list),
// then installs TLAssertErrorHandler. The finalisation frees the client, then the manager;
// the assertion handler stays.
void InitializeTLIntf();
void FinalizeTLIntf();
