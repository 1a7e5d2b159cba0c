// Reads one string of a file's version resource (the Win32 VERSIONINFO block) by a small
// key index, e.g. the file version or the product name.
#pragma once

#include "platform/rtl/SysStrings.h"

// Indexes into the table of standard string names of a version resource.
enum TVersionKey {
  vkComments = 0,
  vkCompanyName = 1,
  vkFileDescription = 2,
  vkFileVersion = 3,
  vkInternalName = 4,
  vkLegalCopyright = 5,
  vkLegalTrademarks = 6,
  vkOriginalFilename = 7,
  vkPrivateBuild = 8,
  vkProductName = 9,
  vkProductVersion = 10,
  vkSpecialBuild = 11,
};
constexpr int VersionKeyCount = 12;

// The string name of a key index; raises EListError outside 0..11.
const char* VersionKeyName(int keyIndex);

// The string of that key in the file's version resource, or "0.0.0.0" when the file has
// no readable version resource or the string is missing. Raises EListError for a key index
// outside 0..11, and Exception("情報の取得に失敗しました") for a resource without a
// translation table.
void GetVersionValue(const AnsiString& fileName, int keyIndex, AnsiString& value);
