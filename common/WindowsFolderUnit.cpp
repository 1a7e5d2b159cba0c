#include "common/WindowsFolderUnit.h"

#include "common/HvxUtil.h"
#include "platform/rtl/Streams.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

const int kWindowsFolderCsidls[51] = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,              // 0-11
    16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27,              // 12-23
    29, 30, 31, 32, 33, 34,                                      // 24-29
    13, 14,                                                      // 30-31
    28, 35,                                                      // 32-33
    36, 37, 38, 39, 40, 41, 42, 43,                              // 34-41
    45, 46, 47, 48,                                              // 42-45
    53, 54, 55, 56,                                              // 46-49
    59,                                                          // 50
};

AnsiString GetSpecialFolderPath(int csidl) {
  LPITEMIDLIST pidl = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &pidl)) || !pidl) return AnsiString();
  char buf[MAX_PATH + 1] = {};
  BOOL ok = SHGetPathFromIDListA(pidl, buf);
  CoTaskMemFree(pidl);
  if (!ok) return AnsiString();
  return ExcludeTrailingBackslash(AnsiString(buf));
}

AnsiString GetTempPathText() {
  char buf[MAX_PATH + 1] = {};
  DWORD n = GetTempPathA(MAX_PATH, buf);
  if (n == 0 || n > MAX_PATH) return AnsiString();
  return ExcludeTrailingBackslash(AnsiString(buf, n));
}

AnsiString ParentFolderOf(const AnsiString& folder) {
  if (folder.empty()) return AnsiString();
  size_t pos = LastDelimiter("\\", folder);
  if (pos == AnsiString::npos) return AnsiString();
  // "C:\Users" -> "C:\" (a drive root keeps its backslash); "C:\Users\bob" -> "C:\Users".
  if (pos == 2 && folder[1] == ':') return folder.substr(0, 3);
  return folder.substr(0, pos);
}

TWindowsFolderList::TWindowsFolderList() : FFolders(std::make_unique<TStringList>()) {
  for (int csidl : kWindowsFolderCsidls) FFolders->Add(GetSpecialFolderPath(csidl));
  FFolders->Add(GetTempPathText());
  AddProfilesEntry();
}

TWindowsFolderList::TWindowsFolderList(const std::vector<AnsiString>& entries)
    : FFolders(std::make_unique<TStringList>()) {
  for (int i = 0; i < kWindowsFolderCount - 1; ++i)
    FFolders->Add(i < static_cast<int>(entries.size()) ? entries[i] : AnsiString());
  AddProfilesEntry();
}

void TWindowsFolderList::AddProfilesEntry() { FFolders->Add(ParentFolderOf(Folder(wfProfile))); }

AnsiString TWindowsFolderList::Folder(int index) const {
  if (index < 0 || index >= FFolders->Count()) return AnsiString();
  return (*FFolders)[index];
}

void TWindowsFolderList::EnumSubdirs(TStringList& list, bool lowerCase) const {
  AnsiString profiles = ParentFolderOf(Folder(wfProfile));
  // Without a profiles folder the search root would be "\", the root of the current drive.
  if (profiles.empty()) return;
  AnsiString root = IncludeTrailingBackslash(AnsiLowerCase(profiles));
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((root + "*.*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    AnsiString name = fd.cFileName;
    if (name == "." || name == "..") continue;
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    list.Add(root + (lowerCase ? AnsiLowerCase(name) : name));
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

AnsiString TWindowsFolderList::FindUserFolder(int entry, const AnsiString& names) const {
  AnsiString path = Folder(entry);
  if (!path.empty()) return ExtractFileName(ExcludeTrailingBackslash(path));
  TStringList candidates;
  SetCommaList(candidates, names, false, false);
  TStringList profiles;
  EnumSubdirs(profiles, false);
  for (int c = 0; c < candidates.Count(); ++c) {
    if (candidates[c].empty()) continue;
    for (int p = 0; p < profiles.Count(); ++p)
      if (DirectoryExists(profiles[p] + "\\" + candidates[c])) return candidates[c];
  }
  return AnsiString();
}

namespace {
std::unique_ptr<TWindowsFolderList> GFolderList;
TWindowsFolderList* GFolderListPtr = nullptr;
}  // namespace

TWindowsFolderList* const& WindowsFolderList = GFolderListPtr;

AnsiString FindUserFolder(int entry, const AnsiString& names) {
  return GFolderListPtr ? GFolderListPtr->FindUserFolder(entry, names) : AnsiString();
}

void InitializeWindowsFolderUnit() {
  GFolderList = std::make_unique<TWindowsFolderList>();
  GFolderListPtr = GFolderList.get();
}

void FinalizeWindowsFolderUnit() {
  GFolderListPtr = nullptr;
  GFolderList.reset();
}
