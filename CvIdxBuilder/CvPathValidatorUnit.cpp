#include "CvIdxBuilder/CvPathValidatorUnit.h"

#include "CvIdxBuilder/CvHviUnit.h"
#include "common/CorvaneIniUnit.h"
#include "common/CorvanePathUnit.h"
#include "common/HvClasses.h"
#include "common/HvTLIntf.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Threads.h"

#include <windows.h>

#include <pcre2.h>

namespace {

std::unique_ptr<TCriticalSection> GValidatorLock;
std::unique_ptr<TCvPathValidator> GValidator;
std::function<TCvPathValidatorSettings()> GSettingsSource;

// Case folding of ASCII letters only, as the path comparisons of the filter use it.
void LowerAscii(WideString& s) { s = WideLowerCase(s); }

bool StartsWith(const WideString& s, const WideString& prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

// The drive part of a path: "C:" or, for a network path, "\\server\share".
WideString ExtractFileDriveW(const WideString& path) {
  if (path.size() >= 2 && path[1] == L':') return path.substr(0, 2);
  if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
    size_t server = path.find(L'\\', 2);
    if (server == WideString::npos) return path;
    size_t share = path.find(L'\\', server + 1);
    return share == WideString::npos ? path : path.substr(0, share);
  }
  return {};
}

bool IsFolderOnDisk(const WideString& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

// --- Expressions ---------------------------------------------------------------------------

TCvMatchData::TCvMatchData() : FData(pcre2_match_data_create_16(1, nullptr)) {}

TCvMatchData::~TCvMatchData() { pcre2_match_data_free_16(FData); }

TCvRegExp::TCvRegExp(const WideString& pattern) : FPattern(pattern), FCode(nullptr) {
  int error = 0;
  PCRE2_SIZE offset = 0;
  // UTF mode reads surrogate pairs as one character; a path with a lone surrogate is still
  // searched instead of failing the match.
  FCode = pcre2_compile_16(reinterpret_cast<PCRE2_SPTR16>(pattern.c_str()), pattern.size(),
                           PCRE2_CASELESS | PCRE2_UTF | PCRE2_MATCH_INVALID_UTF, &error,
                           &offset, nullptr);
  if (!FCode) {
    wchar_t text[256] = {};
    pcre2_get_error_message_16(error, reinterpret_cast<PCRE2_UCHAR16*>(text), 256);
    throw ERegExprError(WideToAnsi(text) + " (" + IntToStr(static_cast<int64_t>(offset)) +
                        "文字目)");
  }
  // Every scanned path meets these expressions; compiled code is several times faster.
  // Where the engine has no JIT this fails and the interpreter is used.
  pcre2_jit_compile_16(FCode, PCRE2_JIT_COMPLETE);
}

TCvRegExp::~TCvRegExp() { pcre2_code_free_16(FCode); }

bool TCvRegExp::Find(const WideString& subject, size_t* length, TCvMatchData* scratch) const {
  std::unique_ptr<TCvMatchData> own;
  if (!scratch) {
    own = std::make_unique<TCvMatchData>();
    scratch = own.get();
  }
  int rc = pcre2_match_16(FCode, reinterpret_cast<PCRE2_SPTR16>(subject.c_str()),
                          subject.size(), 0, 0, scratch->Get(), nullptr);
  if (rc < 0) return false;  // no match, or the engine gave up: not a match either way
  if (length) {
    PCRE2_SIZE* ov = pcre2_get_ovector_pointer_16(scratch->Get());
    *length = ov[1] - ov[0];
  }
  return true;
}

std::unique_ptr<TCvRegExp> NewIgnoreCaseRegExp(const AnsiString& pattern) {
  return std::make_unique<TCvRegExp>(AnsiToWide(pattern));
}

void TCvPathRegExpList::Add(std::unique_ptr<TCvRegExp> expression) {
  FItems.push_back(std::move(expression));
}

void TCvPathRegExpList::Delete(int index) {
  if (index < 0 || index >= Count())
    throw EListError(Format("List index out of bounds (%d)", index));
  FItems.erase(FItems.begin() + index);
}

void TCvPathRegExpList::Clear() {
  while (!FItems.empty()) FItems.pop_back();
}

bool TCvPathRegExpList::MatchesAny(const WideString& path, TCvMatchData* scratch) const {
  for (const auto& re : FItems) {
    if (re->Find(path, nullptr, scratch)) return true;
  }
  return false;
}

// --- Exclusion rules --------------------------------------------------------------------

void TCvPathExcludePatternList::Clear() {
  FByExt.clear();
  FAnyExt.Clear();
  FEmpty = true;
}

void TCvPathExcludePatternList::Load(const AnsiString& fileName) {
  Clear();
  DWORD a = GetFileAttributesA(fileName.c_str());
  if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY) != 0) return;
  TStringList lines;
  lines.LoadFromFile(fileName);
  TTabDelimitedText parser;
  for (int i = 0; i < lines.Count(); ++i) {
    AnsiString line = Trim(lines[i]);
    if (line.empty()) continue;
    parser.SetLine(line);
    AnsiString ext, pattern;
    parser.TryGet(0, ext);
    parser.TryGet(1, pattern);
    ext = Trim(ext);
    pattern = Trim(pattern);
    SendTraceValue("aExt", ext);
    SendTraceValue("aPattern", pattern);
    if (ext.empty() || pattern.empty()) continue;
    try {
      if (ext == "*")
        FAnyExt.Add(NewIgnoreCaseRegExp(pattern));
      else
        AddPattern(ext, pattern);
    } catch (const ERegExprError& e) {
      // The scan ends as failed with this text in its log: say which rule and why.
      throw ERegExprError(Format("除外ルールの正規表現が正しくありません: %s %d行目 [%s] %s: %s",
                                 fileName.c_str(), i + 1, ext.c_str(), pattern.c_str(),
                                 e.Message().c_str()));
    }
    FEmpty = false;
  }
}

void TCvPathExcludePatternList::AddPattern(const AnsiString& extension,
                                           const AnsiString& pattern) {
  AnsiString ext = AnsiLowerCase(extension);
  while (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  WideString key = AnsiToWide(ext);
  auto& list = FByExt[key];
  if (!list) list = std::make_unique<TCvPathRegExpList>();
  list->Add(NewIgnoreCaseRegExp(pattern));
}

TCvPathRegExpList* TCvPathExcludePatternList::FindExt(const AnsiString& extension) const {
  return FindExtW(AnsiToWide(AnsiLowerCase(extension)));
}

TCvPathRegExpList* TCvPathExcludePatternList::FindExtW(const WideString& extension) const {
  auto it = FByExt.find(extension);
  return it == FByExt.end() ? nullptr : it->second.get();
}

bool TCvPathExcludePatternList::Matches(const WideString& path, TCvMatchData* scratch) const {
  if (FEmpty) return false;
  if (FAnyExt.MatchesAny(path, scratch)) return true;
  if (FByExt.empty()) return false;
  WideString ext = ExtractFileExtW(path);
  if (!ext.empty()) ext.erase(0, 1);  // the dot
  LowerAscii(ext);
  TCvPathRegExpList* list = FindExtW(ext);
  return list && list->MatchesAny(path, scratch);
}

// --- Validator ------------------------------------------------------------------------------

TCvPathValidator::TBase TCvPathValidator::MakeBase(const AnsiString& folder) {
  TBase b;
  if (folder.empty()) return b;
  b.Prefix = AnsiToWide(IncludeTrailingBackslash(folder));
  b.Folder = AnsiToWide(ExcludeTrailingBackslash(folder));
  LowerAscii(b.Prefix);
  LowerAscii(b.Folder);
  return b;
}

bool TCvPathValidator::Holds(const TBase& base, const WideString& lowerPath,
                             const WideString& path, int& isFolder) {
  if (base.Prefix.empty()) return false;  // an empty base never holds anything
  if (StartsWith(lowerPath, base.Prefix)) return true;
  if (lowerPath != base.Folder) return false;
  if (isFolder < 0) isFolder = IsFolderOnDisk(path) ? 1 : 0;
  return isFolder == 1;
}

TCvPathValidator::TCvPathValidator(const TCvPathValidatorSettings& s) : FRoots(s.Roots) {
  FExcludePatterns.Load(s.ExcludeFile);
  // The profiles root and one more component: a user's profile folder.
  FProfileRe = NewIgnoreCaseRegExp(AnsiLowerCase(s.ProfilesRootPattern) + "[^\\\\]+");
  // Inside a profile, the documents, favorites and desktop subtrees stay scannable. A name
  // the start-up could not find is left out: an empty one would allow the whole profile.
  for (const AnsiString* name : {&s.MyDocumentsName, &s.FavoritesName, &s.DesktopName}) {
    if (!name->empty())
      FAllowedRes.Add(NewIgnoreCaseRegExp(AnsiLowerCase(s.ProfilesRootPattern + ".+\\\\" + *name)));
  }
  for (const AnsiString* folder :
       {&s.ProgramFolder, &s.ProductTempFolder, &s.WindowsFolder, &s.ProgramFilesFolder})
    FSystemBases.push_back(MakeBase(*folder));
  FProfiles = MakeBase(s.ProfilesFolder);
}

bool TCvPathValidator::IsLengthValid(const AnsiString& ansiPath) {
  return ansiPath.size() <= 512 && AnsiToWide(ansiPath).size() <= 259;
}

bool TCvPathValidator::IsAnsiSafe(const WideString& path) {
  return AnsiToWide(WideToAnsi(path)) == path;
}

bool TCvPathValidator::IsUnder(bool isFolder, const AnsiString& base, const AnsiString& path) {
  if (base.empty()) return false;
  AnsiString prefix = IncludeTrailingBackslash(base);
  if (path.size() >= prefix.size() && SameText(path.substr(0, prefix.size()), prefix) &&
      !IsTrailByteAt(path, prefix.size() - 1))
    return true;
  return isFolder && SameText(path, ExcludeTrailingBackslash(base));
}

bool TCvPathValidator::IsSystemExcluded(const WideString& path, TCvMatchData* scratch) const {
  WideString lower = path;
  LowerAscii(lower);
  int isFolder = -1;  // asked of the file system only when it decides
  for (const TBase& base : FSystemBases) {
    if (Holds(base, lower, path, isFolder)) return true;
  }
  WideString drive = ExtractFileDriveW(path);
  LowerAscii(drive);
  for (const wchar_t* name : {L"\\recycler", L"\\system volume information"}) {
    TBase base{drive + name + L"\\", drive + name};
    if (Holds(base, lower, path, isFolder)) return true;
  }
  if (Holds(FProfiles, lower, path, isFolder)) {
    size_t matchLength = 0;
    if (FProfileRe->Find(path, &matchLength, scratch) &&
        ExcludeTrailingBackslashW(path).size() > matchLength &&
        !FAllowedRes.MatchesAny(path, scratch))
      return true;
  }
  return false;
}

bool TCvPathValidator::MatchesExcludePattern(const WideString& path,
                                             TCvMatchData* scratch) const {
  return FExcludePatterns.Matches(path, scratch);
}

bool TCvPathValidator::IsValid(const WideString& path) const {
  AnsiString ansi = WideToAnsi(path);
  WideString back = AnsiToWide(ansi);
  if (ansi.size() > 512 || back.size() > 259) return false;  // IsLengthValid
  if (back != path) return false;                               // IsAnsiSafe
  TCvMatchData scratch;
  if (IsSystemExcluded(path, &scratch)) return false;
  if (FRoots && TCvHviUtility::IsInHviRoot(*FRoots, ansi)) return false;
  return !MatchesExcludePattern(path, &scratch);
}

TCvPathValidatorSettings TCvPathValidatorSettings::FromStartup() {
  TCvPathValidatorSettings s;
  s.ExcludeFile = ::ExcludeFilePath;
  s.ProgramFolder = ::ProgramFolder;
  s.ProductTempFolder = ::ProductTempFolder;
  if (WindowsFolderList) {
    s.WindowsFolder = WindowsFolderList->Folder(34);
    s.ProgramFilesFolder = WindowsFolderList->Folder(36);
    s.ProfilesFolder = WindowsFolderList->Folder(52);
  }
  s.ProfilesRootPattern = ::ProfilesRootPattern;
  s.MyDocumentsName = ::MyDocumentsName;
  s.FavoritesName = ::FavoritesName;
  s.DesktopName = ::DesktopName;
  s.Roots = &TCorvaneIni::Instance().RootList();
  return s;
}

TCvPathValidator& TCvPathValidator::Instance() {
  Assert(GValidatorLock != nullptr, "InitializeCvPathValidatorUnit has not run",
         "CvPathValidatorUnit", __LINE__);
  TLockGuard guard(*GValidatorLock);
  if (!GValidator) {
    GValidator = std::make_unique<TCvPathValidator>(
        GSettingsSource ? GSettingsSource() : TCvPathValidatorSettings::FromStartup());
  }
  return *GValidator;
}

void TCvPathValidator::ReplaceInstance(std::unique_ptr<TCvPathValidator> validator) {
  if (GValidatorLock) {
    TLockGuard guard(*GValidatorLock);
    GValidator = std::move(validator);
  } else {
    GValidator = std::move(validator);
  }
}

void TCvPathValidator::SetSettingsSource(std::function<TCvPathValidatorSettings()> source) {
  GSettingsSource = std::move(source);
}

void InitializeCvPathValidatorUnit() {
  if (!GValidatorLock) GValidatorLock = std::make_unique<TCriticalSection>();
}

void FinalizeCvPathValidatorUnit() {
  GValidator.reset();
  GSettingsSource = nullptr;
  GValidatorLock.reset();
}
