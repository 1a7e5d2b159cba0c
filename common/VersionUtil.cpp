#include "common/VersionUtil.h"

#include "platform/rtl/SysExceptions.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace {
const char* const KeyNames[VersionKeyCount] = {
    "Comments",       "CompanyName",      "FileDescription", "FileVersion",
    "InternalName",   "LegalCopyright",   "LegalTrademarks", "OriginalFilename",
    "PrivateBuild",   "ProductName",      "ProductVersion",  "SpecialBuild",
};

const char* const NoVersion = "0.0.0.0";
}  // namespace

const char* VersionKeyName(int keyIndex) {
  // Checked before any table access: an index from a caller's arithmetic must not read
  // past the table.
  if (keyIndex < 0 || keyIndex >= VersionKeyCount)
    throw EListError(Format("Version key index out of bounds (%d)", keyIndex));
  return KeyNames[keyIndex];
}

void GetVersionValue(const AnsiString& fileName, int keyIndex, AnsiString& value) {
  const char* key = VersionKeyName(keyIndex);
  value = NoVersion;

  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(fileName.c_str(), &handle);
  if (size == 0) return;
  std::vector<char> info(size);
  // A file can lose its resource or become unreadable between the two calls; the buffer
  // then holds nothing worth querying.
  if (!GetFileVersionInfoA(fileName.c_str(), 0, size, info.data())) return;

  void* data = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &data, &length) || !data ||
      length < 4)
    throw Exception("情報の取得に失敗しました");
  DWORD translation = 0;
  std::memcpy(&translation, data, sizeof translation);
  AnsiString language = IntToHex(translation & 0xFFFF, 4);
  AnsiString codePage = IntToHex(translation >> 16, 4);

  AnsiString query = "\\StringFileInfo\\" + language + codePage + "\\" + key;
  data = nullptr;
  length = 0;
  if (!VerQueryValueA(info.data(), query.c_str(), &data, &length) || !data) return;
  // The reported length counts the terminating NUL, and a resource compiler may store more
  // after it: the string ends at the first NUL.
  const char* text = static_cast<const char*>(data);
  value.assign(text, strnlen(text, length));
}
