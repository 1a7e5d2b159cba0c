#include "common/NtSecurityLib.h"

#include "common/SidStore.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/SysExceptions.h"

#include <cstring>

void GetWinVersion(DWORD& platformId, DWORD& majorVersion, DWORD& minorVersion) {
  // The plain record, not the extended one: 148 bytes with the size field saying so.
  static_assert(sizeof(OSVERSIONINFOA) == 148);
  OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  SetLastError(0);
  if (!GetVersionExA(&info)) RaiseLastOSError();
  platformId = info.dwPlatformId;
  majorVersion = info.dwMajorVersion;
  minorVersion = info.dwMinorVersion;
}

TWinVersion GetWinVersion() {
  TWinVersion version;
  GetWinVersion(version.PlatformId, version.MajorVersion, version.MinorVersion);
  return version;
}

bool IsWinNT(const TWinVersion& version) { return version.PlatformId == VER_PLATFORM_WIN32_NT; }

bool IsWin2000OrLater(const TWinVersion& version) {
  return IsWinNT(version) && version.MajorVersion >= 5;
}

bool IsWinNT() { return IsWinNT(GetWinVersion()); }

bool IsWin2000OrLater() { return IsWin2000OrLater(GetWinVersion()); }

// --- TProcTable ---

namespace {
// LoadLibrary of the 16-bit era returned error codes up to 32 in the handle; the library's
// loaders still treat such values as failure.
bool IsLoadedHandle(HMODULE handle) { return reinterpret_cast<UINT_PTR>(handle) > 32; }
}  // namespace

TProcTable::TProcTable(const char* systemLibrary, std::vector<const char*> names,
                       bool appendAnsiSuffix)
    : FSystemLibrary(systemLibrary),
      FNames(std::move(names)),
      FAppendAnsiSuffix(appendAnsiSuffix),
      FProcs(FNames.size(), nullptr) {}

TProcTable::~TProcTable() { Unbind(); }

AnsiString TProcTable::LookupName(int index) const {
  AnsiString name = Name(index);
  if (FSuffixed) name += "A";
  return name;
}

void TProcTable::Bind(bool testHolds) {
  Unbind();
  FLibraryName = testHolds ? FSystemLibrary : FallbackLibraryName;
  FSuffixed = FAppendAnsiSuffix && !testHolds;
  HMODULE handle = LoadLibraryA(FLibraryName.c_str());
  if (!IsLoadedHandle(handle)) return;
  FHandle = handle;
  for (int i = 0; i < Count(); ++i) FProcs[i] = GetProcAddress(FHandle, LookupName(i).c_str());
}

void TProcTable::Unbind() {
  if (IsLoadedHandle(FHandle)) FreeLibrary(FHandle);
  FHandle = nullptr;
  FLibraryName.clear();
  // The pointers lead into the library just freed; none may survive it.
  std::fill(FProcs.begin(), FProcs.end(), nullptr);
}

FARPROC TProcTable::Proc(const char* name) const {
  for (int i = 0; i < Count(); ++i)
    if (std::strcmp(FNames[i], name) == 0) return FProcs[i];
  return nullptr;
}

// --- The five tables ---

TProcTable& Win2000Procs() {
  static TProcTable table("advapi32.dll",
                          {"FileEncryptionStatusW", "EncryptFileW", "DecryptFileW",
                           "ConvertSidToStringSidW", "ConvertStringSidToSidW"});
  return table;
}

TProcTable& SecurityProcs() {
  static TProcTable table(
      "advapi32.dll",
      {"GetFileSecurityA", "MakeAbsoluteSD", "GetSecurityDescriptorOwner",
       "GetSecurityDescriptorControl", "SetSecurityDescriptorControl",
       "SetSecurityDescriptorOwner", "SetFileSecurityA", "SetNamedSecurityInfoA",
       "GetNamedSecurityInfoA", "GetSecurityDescriptorDacl", "GetLengthSid", "InitializeAcl",
       "AddAccessDeniedAce", "AddAccessAllowedAce", "AddAuditAccessAce", "GetAce",
       "SetSecurityDescriptorDacl", "GetAclInformation", "SetSecurityDescriptorSacl",
       "GetSecurityDescriptorSacl", "MakeSelfRelativeSD", "InitializeSecurityDescriptor",
       "LsaOpenPolicy", "LsaEnumerateTrustedDomains", "LsaClose", "LsaFreeMemory",
       "LsaQueryInformationPolicy", "LsaSetInformationPolicy", "LsaNtStatusToWinError",
       "LsaLookupSids", "LsaLookupNames", "LsaEnumerateAccountsWithUserRight",
       "LsaEnumerateAccountRights", "LsaEnumeratePrivilegesOfAccount", "LsaAddAccountRights",
       "LsaRemoveAccountRights", "RegGetKeySecurity", "RegSetKeySecurity",
       "LookupPrivilegeDisplayNameW", "AllocateAndInitializeSid", "FreeSid", "IsValidSid",
       "GetSidIdentifierAuthority", "GetSidSubAuthorityCount", "GetSidSubAuthority",
       "AdjustTokenPrivileges"});
  return table;
}

TProcTable& NetworkProcs() {
  static TProcTable table(
      "netapi32.dll",
      {"NetJoinDomain", "NetUnjoinDomain", "NetServerEnum", "NetServerDiskEnum", "NetRemoteTOD",
       "NetMessageNameAdd", "NetMessageNameDel", "NetMessageBufferSend", "NetMessageNameEnum",
       "NetApiBufferFree", "NetUserEnum", "NetUserGetInfo", "NetUserChangePassword",
       "NetQueryDisplayInformation", "NetGetDisplayInformationIndex", "NetGroupEnum",
       "NetLocalGroupEnum", "NetUserGetGroups", "NetUserGetLocalGroups",
       "NetLocalGroupAddMembers", "NetLocalGroupDelMembers", "NetGroupAddUser",
       "NetGroupDelUser", "NetLocalGroupAdd", "NetLocalGroupDel", "NetGroupAdd", "NetGroupDel",
       "NetUserSetInfo", "NetUserAdd", "NetUserDel", "NetGroupGetUsers",
       "NetLocalGroupGetMembers", "NetLocalGroupSetMembers", "NetGroupSetUsers",
       "NetGroupGetInfo", "NetGroupSetInfo", "NetLocalGroupGetInfo", "NetLocalGroupSetInfo",
       "NetShareGetInfo", "NetShareSetInfo", "NetServerGetInfo", "NetUserModalsGet",
       "NetServerSetInfo", "NetUserModalsSet", "NetSessionEnum", "NetSessionDel", "NetFileEnum",
       "NetFileClose", "NetShareAdd", "NetShareDel", "NetShareEnum", "NetShareCheck",
       "NetGetAnyDCName", "NetGetDCName", "NetWkstaUserGetInfo", "NetWkstaGetInfo"},
      true);
  return table;
}

TProcTable& AccountEventLogProcs() {
  static TProcTable table(
      "advapi32.dll",
      {"LookupAccountNameA", "LookupAccountSidA", "LookupPrivilegeValueA",
       "LookupPrivilegeNameA", "EqualSid", "AllocateAndInitializeSid", "BackupEventLogA",
       "ClearEventLogA", "CloseEventLog", "DeregisterEventSource", "GetNumberOfEventLogRecords",
       "GetOldestEventLogRecord", "NotifyChangeEventLog", "OpenBackupEventLogA",
       "OpenEventLogA", "ReadEventLogA", "RegisterEventSourceA", "ReportEventA"});
  return table;
}

TProcTable& ServiceProcs() {
  static TProcTable table(
      "advapi32.dll",
      {"ChangeServiceConfigA", "ChangeServiceConfig2W", "CloseServiceHandle", "ControlService",
       "CreateServiceA", "DeleteService", "EnumDependentServicesA", "EnumServicesStatusA",
       "GetServiceDisplayNameA", "GetServiceKeyNameA", "LockServiceDatabase",
       "NotifyBootConfigStatus", "OpenSCManagerA", "OpenServiceA", "QueryServiceConfigA",
       "QueryServiceConfig2W", "QueryServiceLockStatusA", "QueryServiceStatus", "StartServiceA",
       "QueryServiceObjectSecurity", "SetServiceObjectSecurity", "UnlockServiceDatabase",
       "RegConnectRegistryA", "RegOpenKeyExA", "RegCloseKey", "RegEnumKeyExA",
       "RegQueryValueExA", "InitiateSystemShutdownExA", "RegEnumValueA", "RegQueryInfoKeyA",
       "CredEnumerateW"});
  return table;
}

// --- Log and group start-up ---

void NtSecurityLog(const AnsiString& /*text*/) {}

AnsiString LogStartText() { return "Log started: " + FormatDateTime("c", Now()); }

void InitializeNtSecurityLib(TWinVersionQuery query) {
  if (!query) query = [] { return GetWinVersion(); };
  // Each loader asks for the version itself, as each unit of the group did.
  AccountEventLogProcs().Bind(IsWinNT(query()));
  NetworkProcs().Bind(IsWinNT(query()));
  SecurityProcs().Bind(IsWinNT(query()));
  InitializeSidStore();
  Win2000Procs().Bind(IsWin2000OrLater(query()));
  ServiceProcs().Bind(IsWinNT(query()));
  NtSecurityLog(LogStartText());
}

void FinalizeNtSecurityLib() {
  ServiceProcs().Unbind();
  Win2000Procs().Unbind();
  FinalizeSidStore();
  SecurityProcs().Unbind();
  NetworkProcs().Unbind();
  AccountEventLogProcs().Unbind();
}
