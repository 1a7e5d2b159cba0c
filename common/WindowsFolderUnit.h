// The shell's special-folder paths in a fixed table, filled once at start-up, plus the
// temp folder and the folder that holds the user profiles; and the search for the names
// of a user's documents, favorites and desktop folders.
#pragma once

#include "platform/rtl/Classes.h"

#include <memory>
#include <vector>

// Entry numbers of the table (the comment gives the shell folder each holds).
enum TWindowsFolderIndex : int {
  wfDesktop = 0,             // CSIDL 0..11 in order
  wfPersonal = 5,
  wfFavorites = 6,
  wfDesktopDirectory = 12,   // CSIDL 16..27
  wfDrives = 13,             // My Computer: never a path
  wfAppData = 22,
  wfLocalAppData = 32,       // CSIDL 28
  wfCommonAppData = 33,      // CSIDL 35
  wfWindows = 34,            // CSIDL 36
  wfSystem = 35,
  wfProgramFiles = 36,
  wfProfile = 38,            // CSIDL 40
  wfCdBurnArea = 50,         // CSIDL 59
  wfTemp = 51,               // the system temp path
  wfProfiles = 52,           // parent of the user's profile
};

constexpr int kWindowsFolderCount = 53;

// The CSIDL values of entries 0..50, in entry order.
extern const int kWindowsFolderCsidls[51];

class TWindowsFolderList {
public:
  // Fills the table from the shell and the system temp path.
  TWindowsFolderList();
  // Fills the table from given texts for entries 0..51 (missing ones stay empty); entry 52
  // is worked out from entry 38 as usual. For tests and platforms without the shell.
  explicit TWindowsFolderList(const std::vector<AnsiString>& entries);
  TWindowsFolderList(const TWindowsFolderList&) = delete;
  TWindowsFolderList& operator=(const TWindowsFolderList&) = delete;

  // The entry's text (no trailing backslash); empty outside 0..52 and for folders that
  // have no file-system path.
  AnsiString Folder(int index) const;
  int Count() const { return FFolders->Count(); }
  // Adds the full path of every subfolder of the profiles folder (the root part lower-
  // cased, the names too when lowerCase). Adds nothing when there is no profiles folder.
  void EnumSubdirs(TStringList& list, bool lowerCase) const;
  // The name of a user folder: the last component of entry's path when the shell has one,
  // else the first of the comma-separated candidate names that exists as a folder under
  // some profile folder; empty when none does.
  AnsiString FindUserFolder(int entry, const AnsiString& names) const;

private:
  void AddProfilesEntry();

  std::unique_ptr<TStringList> FFolders;
};

// The shell's path of one special folder, without a trailing backslash; empty on failure.
AnsiString GetSpecialFolderPath(int csidl);
// The system temp path (GetTempPathA) without its trailing backslash; empty on failure.
// (Not named GetTempPath: windows.h makes that name a macro.)
AnsiString GetTempPathText();
// The parent of a folder: the text up to its last backslash, a drive root keeping its
// backslash; empty for an empty folder.
AnsiString ParentFolderOf(const AnsiString& folder);

// The process-wide table (null before InitializeWindowsFolderUnit and after
// FinalizeWindowsFolderUnit).
extern TWindowsFolderList* const& WindowsFolderList;
// FindUserFolder on the process-wide table; empty when it does not exist.
AnsiString FindUserFolder(int entry, const AnsiString& names);

void InitializeWindowsFolderUnit();
void FinalizeWindowsFolderUnit();
