// Small file helpers of the product: writing a seed file once, the hidden attribute, and
// the find data of a wide search record.
#pragma once

#include "platform/rtl/SysStrings.h"

#include <windows.h>

// The file attribute bit of hidden entries; the scan walk skips entries that have it.
constexpr DWORD HiddenAttr = 2;

// A wide search in the manner of the class library's search record: the Win32 find-data
// block of the current entry, and the search handle.
struct TSearchRecW {
  int Time = 0;
  int64_t Size = 0;
  DWORD Attr = 0;
  WideString Name;
  HANDLE FindHandle = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW FindData{};
};

// Copies the find-data block out of a search record.
void FindDataOf(const TSearchRecW& rec, WIN32_FIND_DATAW& findData);

// When fileName does not exist, writes text as one ANSI line (CR LF at its end) to a new
// file; otherwise does nothing. Raises EFCreateError when the file cannot be created.
void WriteTextIfMissing(const AnsiString& text, const AnsiString& fileName);
