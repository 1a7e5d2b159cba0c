// The crawl settings store: per-folder extension settings of the crawler, kept in an ANSI
// INI file (the crawl settings file). Section "default" applies everywhere; every other
// section is named after a folder and overrides the defaults for that folder and all that
// lies below it. A key is a comma list of extensions; its value is three integers and an
// optional "pdf" flag shared by those extensions.
//
// TCrawlIni::Instance() is the process-wide store, created during start-up (which creates
// the file from its seed when it is missing) and refreshed once. The store itself takes its
// file path, the install folder, the page-limit settings and its trace sink as options, so
// one process can run several stores side by side (the tests do).
#pragma once

#include "platform/rtl/SysStrings.h"
#include "platform/rtl/Threads.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

// One setting shared by every extension of a folder that has these values.
class TCrawlIniExtractPageSetting {
public:
  int32_t First() const { return FFirst; }
  int32_t Second() const { return FSecond; }
  int32_t Third() const { return FThird; }
  bool Pdf() const { return FPdf; }
  void SetFirst(int32_t v) { FFirst = v; }
  void SetSecond(int32_t v) { FSecond = v; }
  void SetThird(int32_t v) { FThird = v; }
  void SetPdf(bool v) { FPdf = v; }
  // Equal for two settings with equal values.
  AnsiString GetKey() const;
  // "first,second,third" followed by ",pdf" when the flag is set: the value as written.
  AnsiString ToString() const;

private:
  int32_t FFirst = 0;
  int32_t FSecond = 0;
  int32_t FThird = 0;
  bool FPdf = false;
};

// Receives the name/value traces of the store ("Refresh del" when a key is pruned).
using TCrawlIniTrace = std::function<void(const AnsiString& name, const AnsiString& value)>;

// The settings of one folder (or of "default"): lower-case extension -> shared setting.
// The folder owns its settings; an extension only points at one.
class TCrawlIniFolder {
public:
  explicit TCrawlIniFolder(const AnsiString& path);
  TCrawlIniFolder(const TCrawlIniFolder&) = delete;
  TCrawlIniFolder& operator=(const TCrawlIniFolder&) = delete;

  // The normalised folder path, or "default".
  const AnsiString& Path() const { return FPath; }
  void Clear();

  // Points the extension (lower-cased and trimmed like a section name; an empty one is
  // ignored) at the shared setting with these values, creating that setting when no
  // extension had them yet.
  void SetExt(const AnsiString& ext, int32_t first, int32_t second, int32_t third, bool pdf);
  TCrawlIniExtractPageSetting* FindSetting(int32_t first, int32_t second, int32_t third,
                                           bool pdf) const;

  // The extension table, in the order the extensions were first set.
  int ExtCount() const { return static_cast<int>(FExts.size()); }
  const AnsiString& ExtAt(int index) const { return FExts.at(index).first; }
  // The setting of the extension at index, or nullptr outside the table.
  TCrawlIniExtractPageSetting* SettingAt(int index) const;
  // Index of the extension (any case), or -1.
  int IndexOfExt(const AnsiString& ext) const;
  // Distinct settings held, used or not, in the order they were created.
  int SettingCount() const { return static_cast<int>(FSettings.size()); }

  // SetExt on other for every extension of this folder, in table order.
  void CopyTo(TCrawlIniFolder& other) const;
  // Appends every extension that points at setting.
  void ExtsOf(std::vector<AnsiString>& list, const TCrawlIniExtractPageSetting* setting) const;
  // Reads "exts=value" lines; other lines are skipped.
  void ReadFrom(const std::vector<AnsiString>& lines);
  // One "exts=value" line per setting that some extension uses, in creation order.
  void WriteTo(std::vector<AnsiString>& lines) const;
  // Removes every all-zero extension (no pdf) the parent does not list, last to first,
  // tracing each removal as ("Refresh del", extension). A null parent removes nothing.
  void Prune(const TCrawlIniFolder* parent, const TCrawlIniTrace& trace);

private:
  void RemoveExtAt(int index);
  AnsiString FPath;
  std::vector<std::pair<AnsiString, TCrawlIniExtractPageSetting*>> FExts;
  std::unordered_map<AnsiString, int> FExtIndex;  // extension -> index in FExts
  std::vector<std::unique_ptr<TCrawlIniExtractPageSetting>> FSettings;
  std::unordered_map<AnsiString, TCrawlIniExtractPageSetting*> FSettingByKey;
};

// The crawl settings file held in memory. Lines are trimmed, blank lines and ";" comments
// are dropped, and in "key = value" lines the blanks around the first "=" are removed.
// A section name loses its blanks and any character whose second byte is one, so that the
// "]" written after it is never read as the second byte of a character.
// Section names compare without regard to case; a section opened twice continues the
// first one. Saving writes "[name]", the lines and an empty line per section, CR LF each.
class TCrawlIniText {
public:
  void SetText(const AnsiString& text);
  // A missing file reads as empty.
  void LoadFromFile(const AnsiString& fileName);
  AnsiString Text() const;
  void SaveToFile(const AnsiString& fileName) const;

  int SectionCount() const { return static_cast<int>(FSections.size()); }
  const AnsiString& SectionName(int index) const { return FSections.at(index).Name; }
  const std::vector<AnsiString>& SectionLines(int index) const { return FSections.at(index).Lines; }
  // Index of the section (any case), or -1.
  int IndexOfSection(const AnsiString& name) const;
  void EraseSection(const AnsiString& name);
  // Appends the line to the section, which is added at the end when missing.
  void AppendLine(const AnsiString& section, const AnsiString& line);

private:
  struct TSection {
    AnsiString Name;
    std::vector<AnsiString> Lines;
  };
  std::vector<TSection> FSections;
};

// What a store works from. TCrawlIni::Instance() fills it from the main configuration, the
// start-up paths and the global trace client.
struct TCrawlIniOptions {
  AnsiString FileName;       // the crawl settings file
  AnsiString InstallFolder;  // with a trailing backslash; empty when the product has none
  AnsiString ExtractPageExtList;  // comma text of the page-limited extensions
  // The page limit of an extension, -1 when there is none; unset means none at all.
  std::function<int32_t(const AnsiString& ext)> ExtractPageLimit;
  TCrawlIniTrace Trace;  // unset: no traces
};

class TCrawlIni {
public:
  // Creates the file from the seed when it is missing; does not refresh.
  explicit TCrawlIni(TCrawlIniOptions options);
  ~TCrawlIni();
  TCrawlIni(const TCrawlIni&) = delete;
  TCrawlIni& operator=(const TCrawlIni&) = delete;

  // The process-wide store, created on first use (no lock: start-up creates it before any
  // worker thread exists). Raises when creating it fails; a later call tries again.
  static TCrawlIni* Instance();
  // The options of the process-wide store.
  static TCrawlIniOptions DefaultOptions();
  // The seed written when "Bin\crawlini.dist" is missing (eight lines, no final line end).
  static const AnsiString& BuiltInSeedText();

  const AnsiString& FileName() const { return FOptions.FileName; }
  // The install folder's seed, or empty when there is no install folder.
  AnsiString SeedFileName() const;

  // Re-reads the file under the store's lock.
  void Refresh();

  int FolderCount() const { return static_cast<int>(FFolders.size()); }
  TCrawlIniFolder* FolderAt(int index) const;
  TCrawlIniFolder* FindFolder(const AnsiString& path) const;
  // The nearest folder with settings above the path (its parent folder first, up to the
  // drive root), or Default.
  TCrawlIniFolder* FolderFor(const AnsiString& path) const;
  // Adds the folder unless one with its path is present; returns the folder kept.
  TCrawlIniFolder* AddFolder(std::unique_ptr<TCrawlIniFolder> folder);
  void Clear();
  TCrawlIniFolder& Default() const { return *FDefault; }

  // Sets every page-limited extension to (-1, L, L, pdf), L being its page limit or -1.
  void MergeExtractPageLimit(TCrawlIniFolder& folder) const;
  // Reads the section whose normalised name is the normalised name (every such section, in
  // file order) into folder; nothing when there is none.
  static void ReadSection(const TCrawlIniText& ini, const AnsiString& name, TCrawlIniFolder& folder);
  // Writes the folder's section back to the file, pruned against the folder above it; the
  // section goes to the end of the file.
  void WriteCrawlini(TCrawlIniFolder& folder);

  // The value rule: none -> 0,0,0; a -> a,a,a; a,b -> a,b,b; a,b,c,... -> a,b,c; an item
  // that is no integer counts 0; any item "pdf" sets the flag.
  static void ParseValue(const AnsiString& text, int32_t& first, int32_t& second, int32_t& third,
                         bool& pdf);

private:
  void Load();
  void DoRefresh();

  TCrawlIniOptions FOptions;
  std::unique_ptr<TCriticalSection> FLock;
  std::vector<std::unique_ptr<TCrawlIniFolder>> FFolders;
  std::unordered_map<AnsiString, int> FFolderIndex;  // path -> index in FFolders
  std::unique_ptr<TCrawlIniFolder> FDefault;
};

// The path without a trailing backslash, lower-cased (double-byte characters untouched).
AnsiString NormalizeFolderPath(const AnsiString& path);
AnsiString MakeSettingKey(int32_t first, int32_t second, int32_t third, bool pdf);
void StripLeadingDots(AnsiString& ext);
// The first section whose normalised name is the normalised path; false when none.
bool FindSamePath(const TCrawlIniText& ini, const AnsiString& path, AnsiString& sectionName);

// Creates the process-wide store from options (replacing any earlier one) and refreshes
// it. A failure is traced as ("TCrawlIni", message) through options.Trace and leaves no
// store; the result tells which.
bool CreateCrawlIniInstance(TCrawlIniOptions options);

// Start-up: CreateCrawlIniInstance with the default options, so the program starts even
// when the crawl settings file cannot be created. Shutdown frees the store.
void InitializeCrawlIniUnit();
void FinalizeCrawlIniUnit();
