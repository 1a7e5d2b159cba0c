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

#include <cstring>
#include <iterator>

namespace {

std::unique_ptr<TCriticalSection> GValidatorLock;
std::unique_ptr<TCvPathValidator> GValidator;
std::function<TCvPathValidatorSettings()> GSettingsSource;

// Case folding of ASCII letters only, as the path comparisons of the filter use it.
void LowerAscii(WideString& s) { s = WideLowerCase(s); }

wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

// s begins with lowerPrefix, ASCII letters of s folded. Every path the walk finds meets
// these tests, so they compare in place instead of folding a copy of the path.
bool StartsFolded(std::wstring_view s, std::wstring_view lowerPrefix) {
  if (s.size() < lowerPrefix.size()) return false;
  for (size_t i = 0; i < lowerPrefix.size(); ++i) {
    if (FoldAscii(s[i]) != lowerPrefix[i]) return false;
  }
  return true;
}

bool EqualsFolded(std::wstring_view s, std::wstring_view lower) {
  return s.size() == lower.size() && StartsFolded(s, lower);
}

// The length of a path's drive part: "C:" or, for a network path, "\\server\share".
size_t FileDriveLength(std::wstring_view path) {
  if (path.size() >= 2 && path[1] == L':') return 2;
  if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
    size_t server = path.find(L'\\', 2);
    if (server == std::wstring_view::npos) return path.size();
    size_t share = path.find(L'\\', server + 1);
    return share == std::wstring_view::npos ? path.size() : share;
  }
  return 0;
}

bool IsFolderOnDisk(const WideString& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The longest path the filter lets through, in UTF-16 units and in ANSI bytes.
constexpr size_t kMaxPathChars = 259;
constexpr size_t kMaxPathBytes = 512;

bool IsAscii(std::wstring_view s) {
  for (wchar_t c : s) {
    if (c >= 0x80) return false;
  }
  return true;
}

// The ANSI form of text into out, which has room for two bytes per UTF-16 unit (the most
// code page 932 needs); ASCII text is the same bytes, without a system call. The byte
// count, or -1 when the system cannot convert the text.
int ToAnsi(std::wstring_view text, char* out) {
  if (IsAscii(text)) {
    for (size_t i = 0; i < text.size(); ++i) out[i] = static_cast<char>(text[i]);
    return static_cast<int>(text.size());
  }
  const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out,
                                    static_cast<int>(2 * text.size()), nullptr, nullptr);
  return n > 0 ? n : -1;
}

// The ANSI form widened again equals the text (of at most kMaxPathChars units).
bool RoundTrips(std::wstring_view text, std::string_view ansi) {
  if (ansi.size() == text.size() && IsAscii(text)) return true;
  wchar_t back[kMaxPathChars + 1];
  const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), back,
                                    static_cast<int>(std::size(back)));
  return n > 0 && text.compare(std::wstring_view(back, static_cast<size_t>(n))) == 0;
}

// ASCII letters folded byte by byte, trail bytes included: a looser comparison than the
// configuration's own (which steps over double-byte characters), so it can only say "may".
char FoldByte(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool MayStartWith(std::string_view s, std::string_view foldedPrefix) {
  if (s.size() < foldedPrefix.size()) return false;
  for (size_t i = 0; i < foldedPrefix.size(); ++i) {
    if (FoldByte(s[i]) != foldedPrefix[i]) return false;
  }
  return true;
}

}  // namespace

// --- Expressions ---------------------------------------------------------------------------

namespace {

// The JIT's default stack is an array of this size on the machine stack, set up (and probed
// page by page) anew for every match; a stack of the same size made once gives the same
// depth to every expression without that cost per call.
constexpr size_t kJitStackSize = 32 * 1024;

}  // namespace

TCvMatchData::TCvMatchData(bool manyMatches)
    : FData(pcre2_match_data_create_16(1, nullptr)), FContext(nullptr), FJitStack(nullptr) {
  if (!manyMatches) return;
  FContext = pcre2_match_context_create_16(nullptr);
  FJitStack = pcre2_jit_stack_create_16(kJitStackSize, kJitStackSize, nullptr);
  // Without a stack of its own (no memory, or no JIT) the engine uses its default.
  if (FContext && FJitStack) pcre2_jit_stack_assign_16(FContext, nullptr, FJitStack);
}

TCvMatchData::~TCvMatchData() {
  pcre2_jit_stack_free_16(FJitStack);
  pcre2_match_context_free_16(FContext);
  pcre2_match_data_free_16(FData);
}

TCvPathScratch::TCvPathScratch(bool manyPaths) : Match(manyPaths) {}
TCvPathScratch::~TCvPathScratch() = default;

std::vector<AnsiString> TCvPathScratch::TakeGiveUps() {
  std::vector<AnsiString> reports;
  reports.swap(FGiveUps);
  return reports;
}

void TCvPathScratch::ForgetGiveUps() {
  FGaveUp.clear();
  FGiveUps.clear();
}

TCvRegExp::TCvRegExp(const WideString& pattern) : FPattern(pattern), FCode(nullptr) {
  int error = 0;
  PCRE2_SIZE offset = 0;
  // UTF mode reads surrogate pairs as one character; a path with a lone surrogate is still
  // searched instead of failing the match.
  FCode = pcre2_compile_16(reinterpret_cast<PCRE2_SPTR16>(pattern.c_str()), pattern.size(),
                           PCRE2_CASELESS | PCRE2_UTF | PCRE2_MATCH_INVALID_UTF, &error,
                           &offset, nullptr);
  if (!FCode) {
    throw ERegExprError(EngineMessage(error) + " (" + IntToStr(static_cast<int64_t>(offset)) +
                        "文字目)");
  }
  // Every scanned path meets these expressions; compiled code is several times faster.
  // Where the engine has no JIT this fails and the interpreter is used.
  pcre2_jit_compile_16(FCode, PCRE2_JIT_COMPLETE);
}

TCvRegExp::~TCvRegExp() { pcre2_code_free_16(FCode); }

size_t TCvRegExp::JitSize() const {
  size_t size = 0;
  return pcre2_pattern_info_16(FCode, PCRE2_INFO_JITSIZE, &size) == 0 ? size : 0;
}

int TCvRegExp::Search(const WideString& subject, TCvMatchData* scratch, size_t* length) const {
  std::unique_ptr<TCvMatchData> own;
  if (!scratch) {
    own = std::make_unique<TCvMatchData>();
    scratch = own.get();
  }
  const int rc = pcre2_match_16(FCode, reinterpret_cast<PCRE2_SPTR16>(subject.c_str()),
                                subject.size(), 0, 0, scratch->Get(), scratch->Context());
  if (rc >= 0 && length) {
    PCRE2_SIZE* ov = pcre2_get_ovector_pointer_16(scratch->Get());
    *length = ov[1] - ov[0];
  }
  return rc;
}

bool TCvRegExp::Find(const WideString& subject, size_t* length, TCvMatchData* scratch) const {
  return Search(subject, scratch, length) >= 0;
}

AnsiString TCvRegExp::EngineMessage(int code) {
  wchar_t text[256] = {};
  if (pcre2_get_error_message_16(code, reinterpret_cast<PCRE2_UCHAR16*>(text), 256) < 0)
    return "PCRE2 error " + IntToStr(code);
  return WideToAnsi(text);
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
  FSources.clear();
  FByExt.clear();
  FAnyExt.Clear();
  FEmpty = true;
}

void TCvPathExcludePatternList::Load(const AnsiString& fileName) {
  Clear();
  FFileName = fileName;
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
      AddRule(ext == "*" ? FAnyExt : ExtList(ext), ext, pattern, i + 1);
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
  AddRule(ExtList(extension), extension, pattern, 0);
}

TCvPathRegExpList& TCvPathExcludePatternList::ExtList(const AnsiString& extension) {
  AnsiString ext = AnsiLowerCase(extension);
  while (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  WideString key = AnsiToWide(ext);
  auto& list = FByExt[key];
  if (!list) list = std::make_unique<TCvPathRegExpList>();
  return *list;
}

void TCvPathExcludePatternList::AddRule(TCvPathRegExpList& list, const AnsiString& extension,
                                        const AnsiString& pattern, int line) {
  list.Add(NewIgnoreCaseRegExp(pattern));
  FSources[list.Get(list.Count() - 1)] = TRuleSource{extension, pattern, line};
}

TCvPathRegExpList* TCvPathExcludePatternList::FindExt(const AnsiString& extension) const {
  return FindExtW(AnsiToWide(AnsiLowerCase(extension)));
}

TCvPathRegExpList* TCvPathExcludePatternList::FindExtW(const WideString& extension) const {
  auto it = FByExt.find(extension);
  return it == FByExt.end() ? nullptr : it->second.get();
}

bool TCvPathExcludePatternList::Matches(const WideString& path, TCvMatchData* scratch) const {
  return MatchesRules(path, scratch, nullptr);
}

bool TCvPathExcludePatternList::Matches(const WideString& path, TCvPathScratch& scratch) const {
  return MatchesRules(path, &scratch.Match, &scratch);
}

bool TCvPathExcludePatternList::MatchesRules(const WideString& path, TCvMatchData* match,
                                             TCvPathScratch* report) const {
  if (FEmpty) return false;
  if (MatchesList(FAnyExt, path, match, report)) return true;
  if (FByExt.empty()) return false;
  WideString ext = ExtractFileExtW(path);
  if (!ext.empty()) ext.erase(0, 1);  // the dot
  LowerAscii(ext);
  TCvPathRegExpList* list = FindExtW(ext);
  return list && MatchesList(*list, path, match, report);
}

bool TCvPathExcludePatternList::MatchesList(const TCvPathRegExpList& list, const WideString& path,
                                            TCvMatchData* match, TCvPathScratch* report) const {
  for (int i = 0; i < list.Count(); ++i) {
    const TCvRegExp* rule = list.Get(i);
    const int rc = rule->Search(path, match);
    if (rc >= 0) return true;
    // A rule the engine gives up on has not said the path matches: the path stays listed,
    // and the scan's log says which rule could not decide, once per rule.
    if (rc != PCRE2_ERROR_NOMATCH && report && report->FGaveUp.insert(rule).second)
      report->FGiveUps.push_back(GiveUpMessage(*rule, path, rc));
  }
  return false;
}

AnsiString TCvPathExcludePatternList::GiveUpMessage(const TCvRegExp& rule, const WideString& path,
                                                    int code) const {
  TRuleSource source;
  auto it = FSources.find(&rule);
  if (it != FSources.end()) source = it->second;
  // The rule as the engine reads it; the control characters its file's escapes can put in
  // it are shown as those escapes, so that the report stays one line of the log.
  AnsiString pattern;
  for (char c : source.Pattern) {
    switch (c) {
      case '\t': pattern += "\\t"; break;
      case '\n': pattern += "\\n"; break;
      case '\r': pattern += "\\r"; break;
      case '\b': pattern += "\\b"; break;
      case '\f': pattern += "\\f"; break;
      default: pattern += c;
    }
  }
  return Format("除外ルールを判定できず除外しませんでした: %s %d行目 [%s] %s: %s (%s)",
                FFileName.c_str(), source.Line, source.Extension.c_str(), pattern.c_str(),
                WideToAnsi(path).c_str(), TCvRegExp::EngineMessage(code).c_str());
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

bool TCvPathValidator::Holds(const TBase& base, const WideString& path, int& isFolder) {
  if (base.Prefix.empty()) return false;  // an empty base never holds anything
  if (StartsFolded(path, base.Prefix)) return true;
  if (!EqualsFolded(path, base.Folder)) return false;
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
  if (FRoots) {
    for (int i = 0; i < FRoots->Count(); ++i) {
      AnsiString prefix = ExcludeTrailingBackslash(FRoots->Items(i)->HviRoot());
      for (char& c : prefix) c = FoldByte(c);
      FHviPrefixes.push_back(std::move(prefix));
    }
  }
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
  int isFolder = -1;  // asked of the file system only when it decides
  for (const TBase& base : FSystemBases) {
    if (Holds(base, path, isFolder)) return true;
  }
  // The recycle bin and the volume information of the path's own drive.
  const std::wstring_view rest = std::wstring_view(path).substr(FileDriveLength(path));
  for (std::wstring_view name : {std::wstring_view(L"\\recycler\\"),
                                 std::wstring_view(L"\\system volume information\\")}) {
    if (StartsFolded(rest, name)) return true;
    if (EqualsFolded(rest, name.substr(0, name.size() - 1))) {
      if (isFolder < 0) isFolder = IsFolderOnDisk(path) ? 1 : 0;
      if (isFolder == 1) return true;
    }
  }
  if (Holds(FProfiles, path, isFolder)) {
    size_t matchLength = 0;
    const size_t length = !path.empty() && path.back() == L'\\' ? path.size() - 1 : path.size();
    if (FProfileRe->Find(path, &matchLength, scratch) && length > matchLength &&
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
  TCvPathScratch scratch(false);
  return IsValid(path, scratch);
}

bool TCvPathValidator::IsValid(const WideString& path, TCvPathScratch& scratch) const {
  // IsLengthValid and IsAnsiSafe. A path over the limit fails whatever its ANSI form: its
  // round trip either differs from it or is as long.
  if (path.size() > kMaxPathChars) return false;
  char ansi[2 * kMaxPathChars];
  size_t length = 0;
  if (!ExactAnsiForm(path, scratch, ansi, length)) return false;
  const std::string_view ansiPath(ansi, length);

  if (IsSystemExcluded(path, &scratch.Match)) return false;
  if (FRoots && MayBeInHviRoot(ansiPath) && TCvHviUtility::IsInHviRoot(*FRoots, AnsiString(ansiPath)))
    return false;
  return !FExcludePatterns.Matches(path, scratch);
}

bool TCvPathValidator::ExactAnsiForm(const WideString& path, TCvPathScratch& scratch, char* out,
                                     size_t& length) {
  // Code page 932 converts character by character, so the folder part (up to the last
  // backslash) and the name convert on their own; the folder's form is kept for the
  // entries that follow in the same folder. A path has an exact form when both parts do.
  const size_t split = path.rfind(L'\\') + 1;  // 0 without a backslash
  const std::wstring_view folder(path.data(), split);
  const std::wstring_view name = std::wstring_view(path).substr(split);
  if (folder != scratch.Folder) {
    scratch.Folder.assign(folder);
    char buffer[2 * kMaxPathChars];
    const int n = ToAnsi(folder, buffer);
    scratch.FolderExact = n >= 0 && RoundTrips(folder, std::string_view(buffer, static_cast<size_t>(n)));
    scratch.FolderAnsi.assign(buffer, scratch.FolderExact ? static_cast<size_t>(n) : 0);
  }
  if (!scratch.FolderExact) return false;
  std::memcpy(out, scratch.FolderAnsi.data(), scratch.FolderAnsi.size());
  char* const nameOut = out + scratch.FolderAnsi.size();
  const int n = ToAnsi(name, nameOut);
  if (n < 0 || !RoundTrips(name, std::string_view(nameOut, static_cast<size_t>(n)))) return false;
  length = scratch.FolderAnsi.size() + static_cast<size_t>(n);
  return length <= kMaxPathBytes;
}

bool TCvPathValidator::MayBeInHviRoot(std::string_view ansiPath) const {
  // A root holds a path only when the path begins with the root (without its trailing
  // backslash); most paths differ in their first bytes, and the full test allocates.
  for (const AnsiString& prefix : FHviPrefixes) {
    if (MayStartWith(ansiPath, prefix)) return true;
  }
  return false;
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
