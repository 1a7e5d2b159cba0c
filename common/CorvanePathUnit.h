// The process-wide path values of the product, computed once at start-up: the program's
// folder, the install folder (from the registry) and its "Bin" folder, the product's temp
// and data folders (created when missing), the names of the user's documents, favorites
// and desktop folders, the profiles folder written for regular expressions, and the paths
// of the configuration files. Written by the initialisation only; read-only afterwards.
#pragma once

#include "common/WindowsFolderUnit.h"

// Registry location of the install folder (HKEY_LOCAL_MACHINE): the key is everything up
// to the last backslash, the value name what follows it.
constexpr char kInstallFolderRegPath[] = "\\SOFTWARE\\Halvern Systems\\Corvane\\1.0\\InstallFolder";

// What the computation reads from the system; tests fill it with their own folders.
struct TCorvanePathSources {
  AnsiString ComputerName;    // GetComputerNameText
  AnsiString ProgramFile;     // the running program's file
  AnsiString InstallFolder;   // GetInstallFolder: with a trailing backslash, or empty
  AnsiString TempFolder;      // GetTempFolder: with a trailing backslash; empty = the call failed
  const TWindowsFolderList* Folders = nullptr;  // not owned; null reads as all-empty

  // The live values (the process-wide folder table must exist).
  static TCorvanePathSources FromSystem();
};

// The values in the order the initialisation sets them.
struct TCorvanePathValues {
  AnsiString ComputerName;         // at most 15 characters
  AnsiString ProgramFolder;        // trailing backslash
  AnsiString InstallBinFolder;     // InstallFolder + "Bin\" ("\Bin\" without an install)
  AnsiString ProductTempFolder;    // temp + "corvane", no trailing backslash
  AnsiString InstallFolder;        // trailing backslash, or empty
  AnsiString TempProductFolder;    // temp + "corvane\"
  AnsiString DataFolder;           // common application data + "corvane\"
  AnsiString MyDocumentsName;
  AnsiString FavoritesName;
  AnsiString DesktopName;
  AnsiString ProfilesRootPattern;  // profiles folder + "\" quoted for regular expressions
  AnsiString MainIniPath;
  AnsiString EstmasterConfPath;
  AnsiString ExcludeFilePath;
};

// Computes the values and creates the temp and data folders. Raises ECorvaneException
// ("Tempフォルダの取得に失敗しました") when there is no temp folder.
TCorvanePathValues ComputeCorvanePaths(const TCorvanePathSources& sources);

// The first existing file of programFolder + name, installFolder + name and
// installFolder + "Bin\" + name; the last candidate when none exists.
AnsiString FindConfigFileIn(const AnsiString& programFolder, const AnsiString& installFolder,
                            const AnsiString& name);
// FindConfigFileIn with the process-wide program and install folders.
AnsiString FindConfigFile(const AnsiString& name);

// GetComputerNameA with a 16-byte buffer: at most 15 characters; empty on failure.
AnsiString GetComputerNameText();
// The install folder from the registry with a trailing backslash ("\" when the key exists
// without the value); empty when the key does not open.
AnsiString GetInstallFolder();
// The system temp path with a trailing backslash; empty when the call fails.
AnsiString GetTempFolder();
// The system temp path + "corvane", created with its parents; raises when there is no
// temp path.
AnsiString GetProductTempFolder();
// text with every regular-expression metacharacter preceded by a backslash; double-byte
// characters are copied whole (their trail byte may be 0x5C or 0x7C).
AnsiString QuoteRegExprMetaChars(const AnsiString& text);

// The process-wide values (empty before the initialisation and after the finalisation).
extern const AnsiString& ComputerName;
extern const AnsiString& ProgramFolder;
extern const AnsiString& InstallBinFolder;
extern const AnsiString& ProductTempFolder;
extern const AnsiString& InstallFolder;
extern const AnsiString& TempProductFolder;
extern const AnsiString& DataFolder;
extern const AnsiString& MyDocumentsName;
extern const AnsiString& FavoritesName;
extern const AnsiString& DesktopName;
extern const AnsiString& ProfilesRootPattern;
extern const AnsiString& MainIniPath;
extern const AnsiString& EstmasterConfPath;
extern const AnsiString& ExcludeFilePath;

// Sets the values from the system (after InitializeWindowsFolderUnit), or from the given
// sources; a failure of the temp path raises and stops the start.
void InitializeCorvanePathUnit();
void InitializeCorvanePathUnit(const TCorvanePathSources& sources);
void FinalizeCorvanePathUnit();
