// Registry access in the manner of the class library's TRegistry: a root key, one open
// key at a time, typed reads and writes of its values. Key paths may begin with a
// backslash (they are always taken from the root key). ANSI names and values.
#pragma once

#include "platform/rtl/SysExceptions.h"

#include <windows.h>

#include <vector>

class ERegistryException : public Exception {
public:
  using Exception::Exception;
  const char* ClassName() const override { return "ERegistryException"; }
};

class TRegistry {
public:
  // access is added to every open (for example KEY_WOW64_32KEY for the 32-bit view).
  explicit TRegistry(HKEY rootKey = HKEY_CURRENT_USER, REGSAM extraAccess = 0);
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;
  ~TRegistry();

  HKEY RootKey() const { return FRootKey; }
  void SetRootKey(HKEY key);  // closes the open key
  HKEY CurrentKey() const { return FCurrentKey; }

  // Opens key for reading and writing; creates it (and missing parents) when canCreate.
  bool OpenKey(const AnsiString& key, bool canCreate);
  bool OpenKeyReadOnly(const AnsiString& key);
  void CloseKey();
  bool KeyExists(const AnsiString& key);
  // Deletes key with everything below it.
  bool DeleteKey(const AnsiString& key);

  bool ValueExists(const AnsiString& name);
  // A missing value reads as empty; a value of another type raises ERegistryException.
  AnsiString ReadString(const AnsiString& name);
  // A missing value or one of another type raises ERegistryException.
  int32_t ReadInteger(const AnsiString& name);
  void WriteString(const AnsiString& name, const AnsiString& value);
  void WriteInteger(const AnsiString& name, int32_t value);
  bool DeleteValue(const AnsiString& name);
  std::vector<AnsiString> GetValueNames();
  std::vector<AnsiString> GetKeyNames();

private:
  static AnsiString Relative(const AnsiString& key);

  HKEY FRootKey;
  REGSAM FExtraAccess;
  HKEY FCurrentKey = nullptr;
};
