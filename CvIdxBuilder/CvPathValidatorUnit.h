// The path filter the scan worker asks about every entry it finds: it refuses paths that
// are too long or have no ANSI form, paths inside the program's own and the system's
// folders, other users' private profile folders, paths inside an index root, and paths
// matching a rule of "exclude.txt".
//
// TCvPathValidator::Instance() is the process-wide filter, created (and the rules loaded)
// under the unit's lock by the first walk that needs it. After construction it is only
// read, so IsValid needs no lock.
#pragma once

#include "platform/rtl/SysExceptions.h"
#include "platform/rtl/SysStrings.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class TCorvaneRootList;
class TCvRegExp;
struct pcre2_real_code_16;
struct pcre2_real_match_data_16;
struct pcre2_real_match_context_16;
struct pcre2_real_jit_stack_16;

// A pattern the regular-expression engine cannot compile, or a rule of the exclusion file
// holding one (the message then names the file, the line and the rule).
class ERegExprError : public Exception {
public:
  using Exception::Exception;
  const char* ClassName() const override { return "ERegExprError"; }
};

// Scratch space of matches: the match data and, for many matches in a row, a JIT stack
// made once (the engine otherwise sets up its default stack per match). One thread uses
// one at a time.
class TCvMatchData {
public:
  explicit TCvMatchData(bool manyMatches = false);
  ~TCvMatchData();
  TCvMatchData(const TCvMatchData&) = delete;
  TCvMatchData& operator=(const TCvMatchData&) = delete;
  pcre2_real_match_data_16* Get() const { return FData; }
  pcre2_real_match_context_16* Context() const { return FContext; }

private:
  pcre2_real_match_data_16* FData;
  pcre2_real_match_context_16* FContext;
  pcre2_real_jit_stack_16* FJitStack;
};

// Scratch space of the path filter for one thread's run of tests: the match data of the
// expressions and the ANSI form of the folder last seen, which the entries of a folder
// share. A walk keeps one for all its paths.
class TCvPathScratch {
public:
  explicit TCvPathScratch(bool manyPaths = true);
  ~TCvPathScratch();
  TCvPathScratch(const TCvPathScratch&) = delete;
  TCvPathScratch& operator=(const TCvPathScratch&) = delete;

  TCvMatchData Match;

  // Exclusion rules the engine gave up on for a path (its match limit, depth limit, stack or
  // memory ran out): such a rule excludes nothing. Each rule's first give-up since the last
  // ForgetGiveUps leaves one report naming the rule file, the line, the extension, the
  // rule, the path and the engine's message; TakeGiveUps hands the reports over.
  bool HasGiveUps() const { return !FGiveUps.empty(); }
  std::vector<AnsiString> TakeGiveUps();
  // A new scan: every rule is reported again the first time it gives up.
  void ForgetGiveUps();

private:
  friend class TCvPathValidator;
  friend class TCvPathExcludePatternList;
  std::unordered_set<const TCvRegExp*> FGaveUp;
  std::vector<AnsiString> FGiveUps;
  WideString Folder;       // up to and with its last backslash
  AnsiString FolderAnsi;   // its ANSI form, when it has an exact one
  bool FolderExact = true;
};

// A compiled case-insensitive expression, searched anywhere in a UTF-16 text.
class TCvRegExp {
public:
  // Raises ERegExprError with the engine's message and the offset in the pattern.
  explicit TCvRegExp(const WideString& pattern);
  ~TCvRegExp();
  TCvRegExp(const TCvRegExp&) = delete;
  TCvRegExp& operator=(const TCvRegExp&) = delete;

  const WideString& Pattern() const { return FPattern; }
  // Bytes of machine code the engine's JIT made of the expression; 0 when it runs on the
  // interpreter (an engine built without the JIT, or a system refusing executable memory).
  size_t JitSize() const;
  // True when the expression matches somewhere in subject; length gets the length of the
  // whole match. scratch may be null (one is made for the call). An engine that gives up
  // answers no match.
  bool Find(const WideString& subject, size_t* length = nullptr,
            TCvMatchData* scratch = nullptr) const;
  // The engine's own answer: positive when it matched, PCRE2_ERROR_NOMATCH (-1) when not,
  // another negative code when it gave up (see EngineMessage).
  int Search(const WideString& subject, TCvMatchData* scratch = nullptr,
             size_t* length = nullptr) const;
  // The engine's text for one of its codes, such as "match limit exceeded".
  static AnsiString EngineMessage(int code);

private:
  WideString FPattern;
  pcre2_real_code_16* FCode;
};

// A new compiled expression of the ANSI pattern with the case-insensitive option set.
std::unique_ptr<TCvRegExp> NewIgnoreCaseRegExp(const AnsiString& pattern);

// An ordered list of owned expressions.
class TCvPathRegExpList {
public:
  int Count() const { return static_cast<int>(FItems.size()); }
  void Add(std::unique_ptr<TCvRegExp> expression);
  TCvRegExp* Get(int index) const { return FItems.at(static_cast<size_t>(index)).get(); }
  void Delete(int index);
  // Frees the expressions from the last to the first.
  void Clear();
  // True when any expression matches the path, tried in list order.
  bool MatchesAny(const WideString& path, TCvMatchData* scratch = nullptr) const;

private:
  std::vector<std::unique_ptr<TCvRegExp>> FItems;
};

// The rules of the exclusion file: per lower-cased extension (without dots) and for every
// extension ("*"). A path meets the "*" rules and its own extension's rules only.
class TCvPathExcludePatternList {
public:
  // Reads the rule file (ANSI text, one "extension TAB expression" per line); a missing
  // file gives no rules. A rule that does not compile raises ERegExprError naming the
  // file, the line number, the rule and the engine's complaint.
  void Load(const AnsiString& fileName);
  void AddPattern(const AnsiString& extension, const AnsiString& pattern);
  // The list of an extension (lower-case, no dot), or nullptr.
  TCvPathRegExpList* FindExt(const AnsiString& extension) const;
  // A rule the engine gives up on does not match; the rules after it are still tried.
  bool Matches(const WideString& path, TCvMatchData* scratch = nullptr) const;
  // The same, with each rule's first give-up reported to the scratch.
  bool Matches(const WideString& path, TCvPathScratch& scratch) const;
  void Clear();
  bool Empty() const { return FEmpty; }
  const TCvPathRegExpList& AnyExt() const { return FAnyExt; }

private:
  // Where a rule came from, for the reports: the extension and the rule as written, and
  // the line of the rule file (0 for a rule added by AddPattern).
  struct TRuleSource {
    AnsiString Extension;
    AnsiString Pattern;
    int Line = 0;
  };
  TCvPathRegExpList* FindExtW(const WideString& extension) const;
  TCvPathRegExpList& ExtList(const AnsiString& extension);
  void AddRule(TCvPathRegExpList& list, const AnsiString& extension, const AnsiString& pattern,
               int line);
  bool MatchesList(const TCvPathRegExpList& list, const WideString& path, TCvMatchData* match,
                   TCvPathScratch* report) const;
  bool MatchesRules(const WideString& path, TCvMatchData* match, TCvPathScratch* report) const;
  AnsiString GiveUpMessage(const TCvRegExp& rule, const WideString& path, int code) const;

  std::unordered_map<WideString, std::unique_ptr<TCvPathRegExpList>> FByExt;
  TCvPathRegExpList FAnyExt;
  bool FEmpty = true;
  AnsiString FFileName;  // the rule file last loaded
  std::unordered_map<const TCvRegExp*, TRuleSource> FSources;
};

// What the filter is built from: the start-up paths and special folders in production,
// chosen folders in tests. Folders are ANSI, with or without a trailing backslash.
struct TCvPathValidatorSettings {
  AnsiString ExcludeFile;
  AnsiString ProgramFolder;
  AnsiString ProductTempFolder;
  AnsiString WindowsFolder;       // the shell's Windows folder
  AnsiString ProgramFilesFolder;  // the shell's Program Files folder
  AnsiString ProfilesFolder;      // the folder that holds the user profiles
  AnsiString ProfilesRootPattern; // ProfilesFolder with a trailing backslash, "\" doubled
  AnsiString MyDocumentsName, FavoritesName, DesktopName;
  const TCorvaneRootList* Roots = nullptr;  // index roots; none when null

  // The values of the running program (start-up paths, special folders, main configuration).
  static TCvPathValidatorSettings FromStartup();
};

class TCvPathValidator {
public:
  // The process-wide filter; the first call builds it under the unit's lock. A failed
  // build (a rule that does not compile) raises, and the next call tries again.
  static TCvPathValidator& Instance();
  // Puts a filter in place of the process-wide one (tests; null frees it).
  static void ReplaceInstance(std::unique_ptr<TCvPathValidator> validator);
  // Where Instance() takes its settings from; null restores the start-up values (tests).
  static void SetSettingsSource(std::function<TCvPathValidatorSettings()> source);

  explicit TCvPathValidator(const TCvPathValidatorSettings& settings);
  TCvPathValidator(const TCvPathValidator&) = delete;
  TCvPathValidator& operator=(const TCvPathValidator&) = delete;

  // True when the path may be listed and, for a folder, entered. Never raises.
  bool IsValid(const WideString& path) const;
  // The same with the caller's scratch (a walk tests many paths in a row).
  bool IsValid(const WideString& path, TCvPathScratch& scratch) const;

  // The steps of IsValid, in its order.
  static bool IsLengthValid(const AnsiString& ansiPath);
  static bool IsAnsiSafe(const WideString& path);
  bool IsSystemExcluded(const WideString& path, TCvMatchData* scratch = nullptr) const;
  bool MatchesExcludePattern(const WideString& path, TCvMatchData* scratch = nullptr) const;
  // base holds path: path begins with base and a backslash, or (for a folder) is base.
  static bool IsUnder(bool isFolder, const AnsiString& base, const AnsiString& path);

  const TCvPathExcludePatternList& ExcludePatterns() const { return FExcludePatterns; }

private:
  // A base folder lower-cased, as a prefix (trailing backslash) and as the folder itself.
  struct TBase {
    WideString Prefix;
    WideString Folder;
  };
  static TBase MakeBase(const AnsiString& folder);
  // Whether base holds the path (ASCII letters folded); isFolder is asked of the file
  // system only when the path is the base folder itself.
  static bool Holds(const TBase& base, const WideString& path, int& isFolder);
  // The path's ANSI form into out (room for two bytes per unit of the path); false when
  // it has none that widens back to the path, or the form is over the byte limit.
  static bool ExactAnsiForm(const WideString& path, TCvPathScratch& scratch, char* out,
                            size_t& length);
  // False when no index root can hold the path; true means the full test must decide.
  bool MayBeInHviRoot(std::string_view ansiPath) const;

  TCvPathExcludePatternList FExcludePatterns;
  std::unique_ptr<TCvRegExp> FProfileRe;
  TCvPathRegExpList FAllowedRes;
  std::vector<TBase> FSystemBases;  // program, product temp, Windows, Program Files
  TBase FProfiles;
  const TCorvaneRootList* FRoots;
  std::vector<AnsiString> FHviPrefixes;  // each index root without its trailing backslash, folded
};

// Unit start-up and shutdown: the lock of Instance(); the finalization frees the filter.
void InitializeCvPathValidatorUnit();
void FinalizeCvPathValidatorUnit();
