// Start-up and shutdown of the NT security, account, network and service library: the
// Windows version test, five tables of system-library procedures bound by name, the global
// SID store and the log's start line. Nothing in this program calls a bound procedure.
#pragma once

#include "platform/rtl/SysStrings.h"

#include <windows.h>

#include <vector>

// What GetVersionExA reports, reduced to the fields the loaders test.
struct TWinVersion {
  DWORD PlatformId = 0;
  DWORD MajorVersion = 0;
  DWORD MinorVersion = 0;
};

// GetVersionExA with a zero-filled 148-byte record; raises EOSError when it fails.
void GetWinVersion(DWORD& platformId, DWORD& majorVersion, DWORD& minorVersion);
TWinVersion GetWinVersion();
// Each asks the system anew.
bool IsWinNT();
bool IsWin2000OrLater();
// The same tests on a given version.
bool IsWinNT(const TWinVersion& version);
bool IsWin2000OrLater(const TWinVersion& version);

// The library the loaders fall back to when their version test fails.
inline constexpr const char* FallbackLibraryName = "radmin32.dll";

// One loader's table: a library chosen by a version test and one procedure pointer per name,
// all nil until bound. A library that does not load leaves every pointer nil; a missing
// export leaves its own pointer nil.
class TProcTable {
public:
  // appendAnsiSuffix: when the test fails, "A" is appended to every name before lookup
  // (the non-NT library exports ANSI names only).
  TProcTable(const char* systemLibrary, std::vector<const char*> names,
             bool appendAnsiSuffix = false);
  ~TProcTable();
  TProcTable(const TProcTable&) = delete;
  TProcTable& operator=(const TProcTable&) = delete;

  // Loads the system library when testHolds, else the fallback, and binds every name in
  // table order. Binding again first releases what an earlier binding took.
  void Bind(bool testHolds);
  // Frees the library and clears the name and every pointer.
  void Unbind();

  const AnsiString& LibraryName() const { return FLibraryName; }
  HMODULE Handle() const { return FHandle; }
  int Count() const { return static_cast<int>(FNames.size()); }
  const char* Name(int index) const { return FNames.at(index); }
  // The name as it is (or would be) looked up in the bound library.
  AnsiString LookupName(int index) const;
  FARPROC Proc(int index) const { return FProcs.at(index); }
  // By table name (without any suffix); nil for a name that is not in the table.
  FARPROC Proc(const char* name) const;

private:
  const char* FSystemLibrary;
  std::vector<const char*> FNames;
  bool FAppendAnsiSuffix;
  bool FSuffixed = false;
  AnsiString FLibraryName;
  HMODULE FHandle = nullptr;
  std::vector<FARPROC> FProcs;
};

// The five process-wide tables.
TProcTable& Win2000Procs();         // advapi32.dll when Windows 2000 or later
TProcTable& SecurityProcs();        // advapi32.dll on NT
TProcTable& NetworkProcs();         // netapi32.dll on NT, else the "A" names of the fallback
TProcTable& AccountEventLogProcs(); // advapi32.dll on NT
TProcTable& ServiceProcs();         // advapi32.dll on NT

// The log routine of the group; it keeps nothing. LogStartText is what start-up passes it.
void NtSecurityLog(const AnsiString& text);
AnsiString LogStartText();

// The group's start-up in its fixed order: account and event-log loader, network loader,
// security loader, SID store, Windows-2000 loader, service loader, log start. The version
// query is injectable so the choice of library can be tested for other Windows versions.
using TWinVersionQuery = TWinVersion (*)();
void InitializeNtSecurityLib(TWinVersionQuery query = nullptr);
// Shutdown in reverse order: the loaders free their libraries, the SID store is freed.
void FinalizeNtSecurityLib();
