#include "platform/rtl/Registry.h"

TRegistry::TRegistry(HKEY rootKey, REGSAM extraAccess)
    : FRootKey(rootKey), FExtraAccess(extraAccess) {}

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY key) {
  CloseKey();
  FRootKey = key;
}

AnsiString TRegistry::Relative(const AnsiString& key) {
  size_t i = 0;
  while (i < key.size() && key[i] == '\\') ++i;
  return key.substr(i);
}

bool TRegistry::OpenKey(const AnsiString& key, bool canCreate) {
  HKEY h = nullptr;
  AnsiString rel = Relative(key);
  LONG rc;
  if (canCreate)
    rc = RegCreateKeyExA(FRootKey, rel.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                         KEY_ALL_ACCESS | FExtraAccess, nullptr, &h, nullptr);
  else
    rc = RegOpenKeyExA(FRootKey, rel.c_str(), 0, KEY_ALL_ACCESS | FExtraAccess, &h);
  if (rc != ERROR_SUCCESS) return false;
  CloseKey();
  FCurrentKey = h;
  return true;
}

bool TRegistry::OpenKeyReadOnly(const AnsiString& key) {
  HKEY h = nullptr;
  AnsiString rel = Relative(key);
  if (RegOpenKeyExA(FRootKey, rel.c_str(), 0, KEY_READ | FExtraAccess, &h) != ERROR_SUCCESS)
    return false;
  CloseKey();
  FCurrentKey = h;
  return true;
}

void TRegistry::CloseKey() {
  if (FCurrentKey) RegCloseKey(FCurrentKey);
  FCurrentKey = nullptr;
}

bool TRegistry::KeyExists(const AnsiString& key) {
  HKEY h = nullptr;
  AnsiString rel = Relative(key);
  if (RegOpenKeyExA(FRootKey, rel.c_str(), 0, KEY_READ | FExtraAccess, &h) != ERROR_SUCCESS)
    return false;
  RegCloseKey(h);
  return true;
}

namespace {
LONG DeleteTree(HKEY root, const AnsiString& rel, REGSAM extra) {
  HKEY h = nullptr;
  LONG rc = RegOpenKeyExA(root, rel.c_str(), 0, KEY_ALL_ACCESS | extra, &h);
  if (rc != ERROR_SUCCESS) return rc;
  // Delete children first: RegDeleteKey refuses a key that still has subkeys.
  for (;;) {
    char name[256];
    DWORD len = sizeof name;
    if (RegEnumKeyExA(h, 0, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    if (DeleteTree(h, AnsiString(name, len), extra) != ERROR_SUCCESS) break;
  }
  RegCloseKey(h);
  return RegDeleteKeyA(root, rel.c_str());
}
}  // namespace

bool TRegistry::DeleteKey(const AnsiString& key) {
  return DeleteTree(FRootKey, Relative(key), FExtraAccess) == ERROR_SUCCESS;
}

bool TRegistry::ValueExists(const AnsiString& name) {
  if (!FCurrentKey) return false;
  return RegQueryValueExA(FCurrentKey, name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

AnsiString TRegistry::ReadString(const AnsiString& name) {
  if (!FCurrentKey) return AnsiString();
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(FCurrentKey, name.c_str(), nullptr, &type, nullptr, &size) !=
      ERROR_SUCCESS)
    return AnsiString();
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    throw ERegistryException(Format("Invalid data type for '%s'", name.c_str()));
  std::string buf(size + 1, '\0');
  if (RegQueryValueExA(FCurrentKey, name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(buf.data()), &size) != ERROR_SUCCESS)
    return AnsiString();
  buf.resize(size);
  // The stored size counts the terminator (when the writer included one).
  size_t nul = buf.find('\0');
  if (nul != std::string::npos) buf.resize(nul);
  return buf;
}

int32_t TRegistry::ReadInteger(const AnsiString& name) {
  DWORD type = 0, value = 0, size = sizeof value;
  if (!FCurrentKey ||
      RegQueryValueExA(FCurrentKey, name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD)
    throw ERegistryException(Format("Invalid data type for '%s'", name.c_str()));
  return static_cast<int32_t>(value);
}

void TRegistry::WriteString(const AnsiString& name, const AnsiString& value) {
  if (!FCurrentKey ||
      RegSetValueExA(FCurrentKey, name.c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
    throw ERegistryException(Format("Failed to set data for '%s'", name.c_str()));
}

void TRegistry::WriteInteger(const AnsiString& name, int32_t value) {
  DWORD v = static_cast<DWORD>(value);
  if (!FCurrentKey || RegSetValueExA(FCurrentKey, name.c_str(), 0, REG_DWORD,
                                     reinterpret_cast<const BYTE*>(&v), sizeof v) != ERROR_SUCCESS)
    throw ERegistryException(Format("Failed to set data for '%s'", name.c_str()));
}

bool TRegistry::DeleteValue(const AnsiString& name) {
  return FCurrentKey && RegDeleteValueA(FCurrentKey, name.c_str()) == ERROR_SUCCESS;
}

std::vector<AnsiString> TRegistry::GetValueNames() {
  std::vector<AnsiString> names;
  if (!FCurrentKey) return names;
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD len = sizeof name;
    if (RegEnumValueA(FCurrentKey, i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.emplace_back(name, len);
  }
  return names;
}

std::vector<AnsiString> TRegistry::GetKeyNames() {
  std::vector<AnsiString> names;
  if (!FCurrentKey) return names;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD len = sizeof name;
    if (RegEnumKeyExA(FCurrentKey, i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.emplace_back(name, len);
  }
  return names;
}
