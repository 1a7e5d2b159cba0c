// The debug-trace client: typed trace messages (text, name/value pairs, errors, object
// listings, method entry and exit) sent to the outside trace viewer, the TraceLens
// Dispatcher, as one synchronous WM_COPYDATA packet each.
//
// The unit's initialisation creates one global manager and one global client; nothing
// else in the program creates clients. Until InitializeHvTLIntf has run (as in most
// tests) the global senders do nothing. The viewer is looked for anew before every packet
// and started when none runs; when it cannot be found, started or registered with, the
// client switches itself off and every later send does nothing.
//
// The client is called from the GUI thread and from a scan's worker thread. Sending and
// registration run under one re-entrant lock (registering sends through the same path);
// Enabled is atomic so that both threads can test it without the lock.
#pragma once

#include "platform/rtl/TypInfo.h"

#include <windows.h>

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// Time stamp of a packet: milliseconds since midnight and a day number in which
// 1 January of the year 1 is day 1.
struct TTLTimeStamp {
  int32_t Time = 0;
  int32_t Date = 0;
};

// Packet types the client sends.
enum : uint32_t {
  tlMessage = 0,
  tlNote = 1,
  tlError = 2,
  tlObject = 4,
  tlEnterMethod = 9,
  tlExitMethod = 10,
  tlRegister = 41,
  tlUnregister = 42,
};

// Fixed layout of a packet: 217 header bytes, the message, the details, three zero bytes.
namespace tlpacket {
constexpr size_t Type = 0, Time = 4, Date = 8, Bias = 12, MessageLen = 16, DetailsLen = 20,
                 ProcessId = 24, ThreadId = 28, Guid = 32, ComputerName = 74, AppName = 90,
                 Category = 131, CategoryColor = 172, TypeName = 176, Message = 217;
constexpr size_t GuidSize = 42, ComputerNameSize = 16, AppNameSize = 41, CategorySize = 41,
                 TypeNameSize = 41;
constexpr size_t Overhead = 220;  // header plus the three closing zero bytes
}  // namespace tlpacket

struct TTracePacketFields {
  uint32_t Type = 0;
  TTLTimeStamp Stamp;
  int32_t Bias = 0;
  uint32_t ProcessId = 0;
  uint32_t ThreadId = 0;
  AnsiString Guid;
  AnsiString ComputerName;
  AnsiString AppName;
  AnsiString Category;
  TColor CategoryColor = clWindow;
  AnsiString TypeName;
  AnsiString Message;
  AnsiString Details;
};

// The packet bytes for the fields: texts cut to their field (never inside a double-byte
// character), the message up to its first NUL less one closing CR LF, the details up to
// their first NUL.
std::string BuildTracePacket(const TTracePacketFields& fields);
// At most maxBytes bytes of s, one byte fewer when the cut would split a double-byte
// character.
AnsiString CutAnsiText(std::string_view s, size_t maxBytes);
// Day number of a date in which 1 January of the year 1 is day 1.
int32_t TraceDayNumber(int year, int month, int day);

// Items of a destination text: commas inside square brackets do not split, bracketed
// text is dropped, items are trimmed.
std::vector<AnsiString> SplitDestinationItems(const AnsiString& value);
// The destination a client keeps for value: empty when any item names a network
// transport ("TCP", "UDP", "HTTP", "ALIAS"), else value unchanged.
AnsiString FilterDestination(const AnsiString& value);
// The command line that starts the viewer: a path with blanks that names an existing file
// is quoted; anything else (a program name, a line with arguments) is used as it stands.
AnsiString DispatcherCommandLine(const AnsiString& path);
// Lines listing the published properties of obj (sorted by name, two blanks of indent per
// level), as the object packet carries them.
std::vector<AnsiString> ListPublishedProperties(const TRttiObject& obj);

// Formatter objects of the trace clients; none is ever added in this program.
class TTLFormatter {
public:
  virtual ~TTLFormatter() = default;
};

// Owns its formatters.
class TTLFormatterList {
public:
  TTLFormatterList() = default;
  TTLFormatterList(const TTLFormatterList&) = delete;
  TTLFormatterList& operator=(const TTLFormatterList&) = delete;
  ~TTLFormatterList() { Clear(); }
  void Add(std::unique_ptr<TTLFormatter> formatter) { FItems.push_back(std::move(formatter)); }
  int Count() const { return static_cast<int>(FItems.size()); }
  void Clear();

private:
  std::vector<std::unique_ptr<TTLFormatter>> FItems;
};

class THvTraceLens;

// The clients' shared settings: the default destination and the formatter list. Clients
// of this unit do not enter its client list, so it stays empty.
class THvTLObjectManager {
public:
  THvTLObjectManager();
  THvTLObjectManager(const THvTLObjectManager&) = delete;
  THvTLObjectManager& operator=(const THvTLObjectManager&) = delete;
  virtual ~THvTLObjectManager();

  virtual int GetClientCount();
  virtual TTLFormatterList& GetFormatters();
  virtual void SetDefaultDestination(const AnsiString& value);
  AnsiString DefaultDestination();

private:
  std::mutex FLock;  // the client list and the default destination
  std::vector<THvTraceLens*> FClients;
  AnsiString FDefaultDestination;
  std::unique_ptr<TTLFormatterList> FFormatters;
};

// One trace client. Owned by whoever creates it (the unit's finalisation for the global
// one); the manager is a non-owning link that must outlive the client.
class THvTraceLens : public TRttiObject {
public:
  explicit THvTraceLens(THvTLObjectManager* manager);
  THvTraceLens(const THvTraceLens&) = delete;
  THvTraceLens& operator=(const THvTraceLens&) = delete;
  // Unregisters (without starting a viewer). A descendant that overrides how the viewer
  // is found must unregister in its own destructor, while its overrides still apply.
  ~THvTraceLens() override;

  // Published settings.
  bool Enabled() const { return FEnabled.load(); }
  void SetEnabled(bool value) { FEnabled.store(value); }
  AnsiString Category();
  void SetCategory(const AnsiString& value);
  TColor CategoryColor();
  void SetCategoryColor(TColor value);
  char QuoteChar();
  void SetQuoteChar(char value);
  AnsiString DestinationDetails();
  virtual void SetDestinationDetails(const AnsiString& value);
  AnsiString DateTimeFormat();
  void SetDateTimeFormat(const AnsiString& value);
  int32_t HexViewWidth();
  void SetHexViewWidth(int32_t value);
  AnsiString HexNumPrefix();
  void SetHexNumPrefix(const AnsiString& value);
  AnsiString Name();
  void SetName(const AnsiString& value);

  // Registration state, for diagnostics.
  AnsiString GuidText();
  HWND DispatcherWindow();

  // Senders: each does nothing while Enabled is false.
  void SendMsg(const AnsiString& text);
  void SendMsgOfType(uint32_t type, const AnsiString& text);
  void SendFmt(uint32_t type, const char* format, ...) __attribute__((format(printf, 3, 4)));
  void SendError(const AnsiString& text);
  void SendNote(const AnsiString& text);
  // Reports the exception being handled; call only inside a catch block.
  void SendException();
  void SendNameValue(const AnsiString& name, const AnsiString& value);
  bool CheckObject(const AnsiString& name, const TRttiObject* obj);
  virtual void SendObject(const AnsiString& name, const TRttiObject* obj);
  virtual void EnterMethod(const AnsiString& name);
  virtual void EnterMethod(const TRttiObject* obj, const AnsiString& name);
  virtual void EnterMethodFmt(const AnsiString& name, const char* format, ...)
      __attribute__((format(printf, 3, 4)));
  virtual void ExitMethod(const AnsiString& name);
  virtual void ExitMethod(const TRttiObject* obj, const AnsiString& name);
  virtual void ExitMethodFmt(const AnsiString& name, const char* format, ...)
      __attribute__((format(printf, 3, 4)));

  virtual void RegisterClient();
  virtual void ReregisterClient();
  virtual void UnregisterClient();

  // Published type information (the client lists itself like any component).
  AnsiString ClassName() const override { return "THvTraceLens"; }
  void GetPublishedProperties(TPropList& props) const override;
  bool IsComponent() const override { return true; }
  AnsiString ComponentName() const override;

  // How long a started viewer may take to become idle before it counts as not found.
  static constexpr DWORD kDispatcherIdleTimeoutMs = 5000;

protected:
  virtual TTLTimeStamp GetTimeStamp();
  virtual uint32_t GetProcessId();
  virtual uint32_t GetThreadId();
  virtual AnsiString GetComputerName();
  virtual AnsiString GetAppName();
  virtual void ConnectDispatcher(bool launch);
  virtual void CheckDispatcher(HWND window);
  virtual AnsiString GetDispatcherClassName();
  virtual AnsiString GetDispatcherCaption();
  virtual AnsiString GetDispatcherPathValue();
  virtual AnsiString GetDispatcherExeName();
  virtual void StartDispatcher(const AnsiString& path, HWND& window);
  virtual HWND FindDispatcherWindow(DWORD threadId);
  virtual HWND FindDispatcher(bool launch);
  virtual int32_t SendPacket(uint32_t type, const AnsiString& message, const AnsiString& details,
                             const AnsiString& typeName);

private:
  AnsiString MethodText(const TRttiObject* obj, const AnsiString& name) const;
  void SendFormatted(uint32_t type, const AnsiString& prefix, const char* format, va_list args);

  THvTLObjectManager* FManager;  // not owned
  // Sending and registration; re-entrant because registering sends a packet itself.
  std::recursive_mutex FLock;
  AnsiString FGuid;
  bool FBusy = false;
  AnsiString FComputerName;
  AnsiString FAppName;
  std::atomic<bool> FEnabled{true};
  AnsiString FDateTimeFormat;
  int32_t FHexViewWidth = 8;
  AnsiString FHexNumPrefix = "$";
  AnsiString FCategory;
  TColor FCategoryColor = clWindow;
  int32_t FTimeZoneBias = 0;
  char FQuoteChar = '\'';
  AnsiString FDestinationDetails;
  HWND FDispatcherWindow = nullptr;
  AnsiString FName;
};

// The global manager and client (null before InitializeHvTLIntf and after
// FinalizeHvTLIntf).
THvTLObjectManager* HvTLObjectManager();
THvTraceLens* HvTraceLens();

// Senders on the global client; nothing happens when it does not exist or is off.
void SendTraceMsg(const AnsiString& text);
void SendTraceValue(const AnsiString& name, const AnsiString& value);

// Creates the global manager and then the global client (enabled, not registered; no
// viewer is looked for until the first packet). The finalisation frees the client, whose
// destructor unregisters without starting a viewer, and then the manager.
void InitializeHvTLIntf();
void FinalizeHvTLIntf();
