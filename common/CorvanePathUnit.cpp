#include "common/CorvanePathUnit.h"

#include "common/HvTLIntf.h"
#include "common/HvxUtil.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/Streams.h"

#include <windows.h>

#include <cstring>

namespace {
TCorvanePathValues GPaths;
}  // namespace

const AnsiString& ComputerName = GPaths.ComputerName;
const AnsiString& ProgramFolder = GPaths.ProgramFolder;
const AnsiString& InstallBinFolder = GPaths.InstallBinFolder;
const AnsiString& ProductTempFolder = GPaths.ProductTempFolder;
const AnsiString& InstallFolder = GPaths.InstallFolder;
const AnsiString& TempProductFolder = GPaths.TempProductFolder;
const AnsiString& DataFolder = GPaths.DataFolder;
const AnsiString& MyDocumentsName = GPaths.MyDocumentsName;
const AnsiString& FavoritesName = GPaths.FavoritesName;
const AnsiString& DesktopName = GPaths.DesktopName;
const AnsiString& ProfilesRootPattern = GPaths.ProfilesRootPattern;
const AnsiString& MainIniPath = GPaths.MainIniPath;
const AnsiString& EstmasterConfPath = GPaths.EstmasterConfPath;
const AnsiString& ExcludeFilePath = GPaths.ExcludeFilePath;

AnsiString GetComputerNameText() {
  char buf[16] = {};
  DWORD size = sizeof buf;
  if (!::GetComputerNameA(buf, &size)) return AnsiString();
  return CutAnsiText(AnsiString(buf, size), 15);
}

AnsiString GetInstallFolder() {
  AnsiString path = kInstallFolderRegPath;
  size_t slash = path.rfind('\\');
  TRegistry reg(HKEY_LOCAL_MACHINE);
  if (!reg.OpenKeyReadOnly(path.substr(0, slash))) return AnsiString();
  AnsiString value;
  try {
    value = reg.ReadString(path.substr(slash + 1));
  } catch (const Exception&) {
    value.clear();  // a value of another type reads as missing
  }
  return IncludeTrailingBackslash(value);
}

AnsiString GetTempFolder() {
  char buf[MAX_PATH + 1] = {};
  DWORD n = GetTempPathA(MAX_PATH, buf);
  if (n == 0 || n > MAX_PATH) return AnsiString();
  return IncludeTrailingBackslash(AnsiString(buf, n));
}

namespace {
AnsiString ProductTempFrom(const AnsiString& tempFolder) {
  if (tempFolder.empty()) throw ECorvaneException("Tempフォルダの取得に失敗しました");
  AnsiString folder = IncludeTrailingBackslash(tempFolder) + "corvane";
  ForceDirectories(folder);
  return folder;
}

void ForceIfMissing(const AnsiString& folder) {
  if (!DirectoryExists(folder)) ForceDirectories(folder);
}
}  // namespace

AnsiString GetProductTempFolder() { return ProductTempFrom(GetTempFolder()); }

AnsiString QuoteRegExprMetaChars(const AnsiString& text) {
  static const char kMeta[] = "\\^$.|?*+()[]{}";
  AnsiString r;
  r.reserve(text.size() * 2);
  size_t i = 0;
  while (i < text.size()) {
    size_t next = NextCharIndex(text, i);
    if (next == i + 1 && std::strchr(kMeta, text[i])) r += '\\';
    r.append(text, i, next - i);
    i = next;
  }
  return r;
}

AnsiString FindConfigFileIn(const AnsiString& programFolder, const AnsiString& installFolder,
                            const AnsiString& name) {
  const AnsiString install = IncludeTrailingBackslash(installFolder);
  const AnsiString candidates[3] = {IncludeTrailingBackslash(programFolder) + name,
                                    install + name, install + "Bin\\" + name};
  for (const AnsiString& c : candidates)
    if (FileExists(c)) return c;
  return candidates[2];
}

AnsiString FindConfigFile(const AnsiString& name) {
  return FindConfigFileIn(ProgramFolder, InstallFolder, name);
}

TCorvanePathSources TCorvanePathSources::FromSystem() {
  TCorvanePathSources s;
  s.ComputerName = GetComputerNameText();
  char module[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameA(nullptr, module, MAX_PATH);
  s.ProgramFile = AnsiString(module, n);
  s.InstallFolder = GetInstallFolder();
  s.TempFolder = GetTempFolder();
  s.Folders = WindowsFolderList;
  return s;
}

TCorvanePathValues ComputeCorvanePaths(const TCorvanePathSources& src) {
  auto folder = [&](int i) { return src.Folders ? src.Folders->Folder(i) : AnsiString(); };
  auto userFolder = [&](int i, const char* names) {
    return src.Folders ? src.Folders->FindUserFolder(i, names) : AnsiString();
  };
  TCorvanePathValues v;
  v.ComputerName = CutAnsiText(src.ComputerName, 15);
  v.ProgramFolder = IncludeTrailingBackslash(ExtractFilePath(src.ProgramFile));
  v.InstallBinFolder = IncludeTrailingBackslash(src.InstallFolder) + "Bin" + "\\";
  v.ProductTempFolder = ExcludeTrailingBackslash(ProductTempFrom(src.TempFolder));
  v.InstallFolder = src.InstallFolder;
  v.TempProductFolder = IncludeTrailingBackslash(src.TempFolder + "corvane");
  ForceIfMissing(v.TempProductFolder);
  v.DataFolder = IncludeTrailingBackslash(IncludeTrailingBackslash(folder(wfCommonAppData)) + "corvane");
  ForceIfMissing(v.DataFolder);
  v.MyDocumentsName = userFolder(wfPersonal, "My Documents,Documents");
  v.FavoritesName = userFolder(wfFavorites, "Favorites");
  v.DesktopName = userFolder(wfDesktopDirectory, "デスクトップ,Desktop");
  v.ProfilesRootPattern = QuoteRegExprMetaChars(IncludeTrailingBackslash(folder(wfProfiles)));
  v.MainIniPath = FindConfigFileIn(v.ProgramFolder, v.InstallFolder, "corvane.ini");
  if (!FileExists(v.MainIniPath))
    v.MainIniPath = FindConfigFileIn(v.ProgramFolder, v.InstallFolder, "config.ini");
  v.EstmasterConfPath = FindConfigFileIn(v.ProgramFolder, v.InstallFolder, "estmaster.conf");
  v.ExcludeFilePath = FindConfigFileIn(v.ProgramFolder, v.InstallFolder, "exclude.txt");
  return v;
}

void InitializeCorvanePathUnit() { InitializeCorvanePathUnit(TCorvanePathSources::FromSystem()); }

void InitializeCorvanePathUnit(const TCorvanePathSources& sources) {
  GPaths = ComputeCorvanePaths(sources);
}

void FinalizeCorvanePathUnit() { GPaths = TCorvanePathValues(); }
