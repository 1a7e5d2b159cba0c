#include "common/CrawlIniUnit.h"

#include "common/CorvaneFileUtil.h"
#include "common/CorvaneIniUnit.h"
#include "common/CorvanePathUnit.h"
#include "common/HvTLIntf.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysExceptions.h"

#include <windows.h>

#include <algorithm>

namespace {

std::unique_ptr<TCrawlIni> GCrawlIni;

const char kDefaultSection[] = "default";

bool IsBlankByte(char c) { return static_cast<unsigned char>(c) <= ' '; }

// A section or extension name without its surrounding blanks, cut after its last character
// that is not blank. A byte-wise trim would keep the lead byte of a character whose second
// byte is a blank ("x<81> " gives "x<81>"); written back, that lone lead byte would swallow
// the "]" or "," that follows the name, and the text would not read back. Such a character
// goes with the blanks.
AnsiString TrimName(std::string_view text) {
  size_t begin = 0;
  while (begin < text.size() && IsBlankByte(text[begin])) ++begin;
  text.remove_prefix(begin);
  size_t keep = 0;
  for (size_t i = 0; i < text.size();) {
    const size_t next = NextCharIndex(text, i);
    const bool filled = next == i + 2 ? !IsBlankByte(text[i + 1])
                                      : !IsBlankByte(text[i]) && !IsLeadByte(text[i]);
    if (filled) keep = next;
    i = next;
  }
  return AnsiString(text.substr(0, keep));
}

// The folder of a path the way the class library's ExtractFileDir gives it: everything
// before the last "\" or ":", keeping the "\" of a drive root ("c:\x" -> "c:\").
AnsiString ExtractFileDir(const AnsiString& path) {
  size_t i = LastDelimiter("\\:", path);
  if (i == std::string::npos) return AnsiString();
  if (i > 0 && path[i] == '\\' &&
      (IsTrailByteAt(path, i - 1) || (path[i - 1] != '\\' && path[i - 1] != ':')))
    return path.substr(0, i);
  return path.substr(0, i + 1);
}

// Double quotes inside are doubled, as the class library quotes; a '"' that is the second
// byte of a character is part of that character and stays single.
AnsiString QuoteItem(const AnsiString& s) {
  AnsiString r = "\"";
  for (size_t i = 0; i < s.size();) {
    const size_t next = NextCharIndex(s, i);
    r.append(s, i, next - i);
    if (next == i + 1 && s[i] == '"') r += '"';
    i = next;
  }
  return r + "\"";
}

// An item is quoted when it is empty or holds a blank, a comma or a quote of its own (not
// the second byte of a character), and when it begins with ';': first on its line, it
// would turn the line into a comment.
AnsiString JoinCommaText(const std::vector<AnsiString>& items) {
  AnsiString r;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) r += ',';
    const AnsiString& s = items[i];
    bool quote = s.empty() || s[0] == ';';
    for (size_t c = 0; c < s.size(); c = NextCharIndex(s, c))
      if (NextCharIndex(s, c) == c + 1 && (IsBlankByte(s[c]) || s[c] == ',' || s[c] == '"'))
        quote = true;
    r += quote ? QuoteItem(s) : s;
  }
  return r;
}

// A "key=value" line split at its first "=" ('=' is never a trail byte of code page 932).
bool SplitKeyValue(const AnsiString& line, AnsiString& key, AnsiString& value) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  key = line.substr(0, eq);
  value = line.substr(eq + 1);
  return true;
}

// Case-insensitive locale order; string sort keeps "\" and "-" significant, so a folder
// always sorts before the folders below it (its path is a prefix of theirs).
bool LocaleLess(const AnsiString& a, const AnsiString& b) {
  int r = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE | SORT_STRINGSORT, a.data(),
                         static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
  if (r == CSTR_EQUAL || r == 0) return a < b;
  return r == CSTR_LESS_THAN;
}

}  // namespace

// --- unit routines -----------------------------------------------------------------------

AnsiString NormalizeFolderPath(const AnsiString& path) {
  return AnsiLowerCase(ExcludeTrailingBackslash(path));
}

AnsiString MakeSettingKey(int32_t first, int32_t second, int32_t third, bool pdf) {
  return IntToStr(first) + "_" + IntToStr(second) + "_" + IntToStr(third) + "_" +
         (pdf ? "1" : "0");
}

void StripLeadingDots(AnsiString& ext) {
  size_t n = 0;
  while (n < ext.size() && ext[n] == '.') ++n;
  ext.erase(0, n);
}

bool FindSamePath(const TCrawlIniText& ini, const AnsiString& path, AnsiString& sectionName) {
  const AnsiString wanted = NormalizeFolderPath(path);
  for (int i = 0; i < ini.SectionCount(); ++i) {
    if (NormalizeFolderPath(ini.SectionName(i)) == wanted) {
      sectionName = ini.SectionName(i);
      return true;
    }
  }
  sectionName.clear();
  return false;
}

// --- TCrawlIniExtractPageSetting -----------------------------------------------------------

AnsiString TCrawlIniExtractPageSetting::GetKey() const {
  return MakeSettingKey(FFirst, FSecond, FThird, FPdf);
}

AnsiString TCrawlIniExtractPageSetting::ToString() const {
  return Format("%d,%d,%d%s", FFirst, FSecond, FThird, FPdf ? ",pdf" : "");
}

// --- TCrawlIniFolder -----------------------------------------------------------------------

TCrawlIniFolder::TCrawlIniFolder(const AnsiString& path) : FPath(NormalizeFolderPath(path)) {}

void TCrawlIniFolder::Clear() {
  FExts.clear();
  FExtIndex.clear();
  FSettingByKey.clear();
  FSettings.clear();
}

void TCrawlIniFolder::SetExt(const AnsiString& ext, int32_t first, int32_t second, int32_t third,
                             bool pdf) {
  AnsiString name = TrimName(AnsiLowerCase(ext));
  if (name.empty()) return;
  TCrawlIniExtractPageSetting* setting = FindSetting(first, second, third, pdf);
  if (!setting) {
    auto created = std::make_unique<TCrawlIniExtractPageSetting>();
    created->SetFirst(first);
    created->SetSecond(second);
    created->SetThird(third);
    created->SetPdf(pdf);
    setting = created.get();
    FSettingByKey.emplace(setting->GetKey(), setting);
    FSettings.push_back(std::move(created));
  }
  auto it = FExtIndex.find(name);
  if (it != FExtIndex.end()) {
    FExts[it->second].second = setting;
  } else {
    FExtIndex.emplace(name, static_cast<int>(FExts.size()));
    FExts.emplace_back(name, setting);
  }
}

TCrawlIniExtractPageSetting* TCrawlIniFolder::FindSetting(int32_t first, int32_t second,
                                                          int32_t third, bool pdf) const {
  auto it = FSettingByKey.find(MakeSettingKey(first, second, third, pdf));
  return it == FSettingByKey.end() ? nullptr : it->second;
}

TCrawlIniExtractPageSetting* TCrawlIniFolder::SettingAt(int index) const {
  if (index < 0 || index >= ExtCount()) return nullptr;
  return FExts[index].second;
}

int TCrawlIniFolder::IndexOfExt(const AnsiString& ext) const {
  auto it = FExtIndex.find(AnsiLowerCase(ext));
  return it == FExtIndex.end() ? -1 : it->second;
}

void TCrawlIniFolder::CopyTo(TCrawlIniFolder& other) const {
  for (const auto& [ext, s] : FExts) other.SetExt(ext, s->First(), s->Second(), s->Third(), s->Pdf());
}

void TCrawlIniFolder::ExtsOf(std::vector<AnsiString>& list,
                             const TCrawlIniExtractPageSetting* setting) const {
  for (const auto& [ext, s] : FExts) {
    if (s != setting) continue;
    AnsiString name = Trim(AnsiLowerCase(ext));
    if (!name.empty()) list.push_back(name);
  }
}

void TCrawlIniFolder::ReadFrom(const std::vector<AnsiString>& lines) {
  for (const AnsiString& line : lines) {
    AnsiString key, value;
    if (!SplitKeyValue(line, key, value)) continue;
    int32_t first, second, third;
    bool pdf;
    TCrawlIni::ParseValue(value, first, second, third, pdf);
    for (AnsiString ext : SplitCommaText(AnsiLowerCase(key))) {
      StripLeadingDots(ext);
      SetExt(ext, first, second, third, pdf);
    }
  }
}

void TCrawlIniFolder::WriteTo(std::vector<AnsiString>& lines) const {
  lines.clear();
  for (const auto& setting : FSettings) {
    std::vector<AnsiString> exts;
    ExtsOf(exts, setting.get());
    if (exts.empty()) continue;
    lines.push_back(JoinCommaText(exts) + "=" + setting->ToString());
  }
}

void TCrawlIniFolder::RemoveExtAt(int index) {
  FExts.erase(FExts.begin() + index);
  FExtIndex.clear();
  for (int i = 0; i < ExtCount(); ++i) FExtIndex.emplace(FExts[i].first, i);
}

void TCrawlIniFolder::Prune(const TCrawlIniFolder* parent, const TCrawlIniTrace& trace) {
  if (!parent) return;
  for (int i = ExtCount() - 1; i >= 0; --i) {
    const AnsiString ext = FExts[i].first;
    const TCrawlIniExtractPageSetting* s = FExts[i].second;
    bool allZero = s->First() == 0 && s->Second() == 0 && s->Third() == 0 && !s->Pdf();
    if (!allZero || parent->IndexOfExt(ext) >= 0) continue;
    RemoveExtAt(i);
    if (trace) trace("Refresh del", ext);
  }
}

// --- TCrawlIniText -------------------------------------------------------------------------

void TCrawlIniText::SetText(const AnsiString& text) {
  FSections.clear();
  int current = -1;  // lines before the first section belong to none and are dropped
  for (const AnsiString& raw : SplitLines(text)) {
    AnsiString line = Trim(raw);
    if (line.empty() || line[0] == ';') continue;
    // "]" (0x5D) can be the trail byte of a double-byte character: only a real one closes.
    if (line[0] == '[' && line.back() == ']' && !IsTrailByteAt(line, line.size() - 1)) {
      AnsiString name = TrimName(std::string_view(line).substr(1, line.size() - 2));
      current = IndexOfSection(name);
      if (current < 0) {
        FSections.push_back({name, {}});
        current = SectionCount() - 1;
      }
      continue;
    }
    if (current < 0) continue;
    AnsiString key, value;
    if (SplitKeyValue(line, key, value)) line = Trim(key) + "=" + Trim(value);
    FSections[current].Lines.push_back(line);
  }
}

void TCrawlIniText::LoadFromFile(const AnsiString& fileName) {
  if (!FileExists(fileName)) {
    FSections.clear();
    return;
  }
  SetText(ReadAllBytes(AnsiToWide(fileName)));
}

AnsiString TCrawlIniText::Text() const {
  AnsiString r;
  for (const TSection& s : FSections) {
    r += "[" + s.Name + "]\r\n";
    for (const AnsiString& line : s.Lines) r += line + "\r\n";
    r += "\r\n";
  }
  return r;
}

void TCrawlIniText::SaveToFile(const AnsiString& fileName) const {
  WriteAllBytes(AnsiToWide(fileName), Text());
}

int TCrawlIniText::IndexOfSection(const AnsiString& name) const {
  for (int i = 0; i < SectionCount(); ++i)
    if (SameText(FSections[i].Name, name)) return i;
  return -1;
}

void TCrawlIniText::EraseSection(const AnsiString& name) {
  int i = IndexOfSection(name);
  if (i >= 0) FSections.erase(FSections.begin() + i);
}

void TCrawlIniText::AppendLine(const AnsiString& section, const AnsiString& line) {
  int i = IndexOfSection(section);
  if (i < 0) {
    FSections.push_back({section, {}});
    i = SectionCount() - 1;
  }
  FSections[i].Lines.push_back(line);
}

// --- TCrawlIni -----------------------------------------------------------------------------

const AnsiString& TCrawlIni::BuiltInSeedText() {
  static const AnsiString text =
      "[default]\r\n"
      "JPG,BMP,GIF,PNG,ICO,WMF,EMF=1,1,1\r\n"
      "PDF,PPT = 1,1,1\r\n"
      "TIF,TIFF = -1,-1,-1\r\n"
      "DOC,XLS=0,0,0\r\n"
      "PSD,AI,EPS=1,1,1\r\n"
      "ARW,CR2,CRW,DCR,DNG,MRW,NEF,ORF,PEF,RAF,SR2=1,1,1\r\n"
      "DXF,DWG,PLT,HGL,RTL,HG,PLO,HP,HP1,HP2,HPG,HPGL,HPGL2,GL2,PRN,SPL,SVG,CGM=1,1,1";
  return text;
}

TCrawlIni::TCrawlIni(TCrawlIniOptions options)
    : FOptions(std::move(options)),
      FLock(std::make_unique<TCriticalSection>()),
      FDefault(std::make_unique<TCrawlIniFolder>(kDefaultSection)) {
  Load();
}

TCrawlIni::~TCrawlIni() = default;

TCrawlIni* TCrawlIni::Instance() {
  if (!GCrawlIni) GCrawlIni = std::make_unique<TCrawlIni>(DefaultOptions());
  return GCrawlIni.get();
}

TCrawlIniOptions TCrawlIni::DefaultOptions() {
  const TCorvaneIni& main = TCorvaneIni::Instance();
  TCrawlIniOptions o;
  o.FileName = main.crawlinipath();
  o.InstallFolder = InstallFolder;
  o.ExtractPageExtList = main.extractpage_extlist();
  o.ExtractPageLimit = [](const AnsiString& ext) {
    return TCorvaneIni::Instance().GetExtractPageLimit(ext);
  };
  o.Trace = [](const AnsiString& name, const AnsiString& value) {
    if (THvTraceLens* client = HvTraceLens()) client->SendNameValue(name, value);
  };
  return o;
}

AnsiString TCrawlIni::SeedFileName() const {
  // A registry key without its value gives "\": no folder either, only the drive root.
  if (FOptions.InstallFolder.empty() || FOptions.InstallFolder == "\\") return AnsiString();
  return IncludeTrailingBackslash(FOptions.InstallFolder) + "Bin\\crawlini.dist";
}

void TCrawlIni::Load() {
  if (FileExists(FileName())) return;
  TCrawlIniText seed;
  const AnsiString seedFile = SeedFileName();
  if (seedFile.empty()) {
    // Without an install folder the seed's place would be the root of the current drive;
    // the built-in text stands in for the seed file instead.
    seed.SetText(BuiltInSeedText());
  } else {
    if (!FileExists(seedFile)) {
      ForceDirectories(ExtractFilePath(seedFile));
      WriteTextIfMissing(BuiltInSeedText(), seedFile);
    }
    seed.LoadFromFile(seedFile);
  }
  TCrawlIniFolder folder(kDefaultSection);
  ReadSection(seed, kDefaultSection, folder);
  MergeExtractPageLimit(folder);
  if (seedFile.empty()) {
    WriteTextIfMissing(BuiltInSeedText(), FileName());
  } else if (!CopyFileW(AnsiToWide(seedFile).c_str(), AnsiToWide(FileName()).c_str(), TRUE)) {
    throw EFCreateError("Cannot copy " + seedFile + " to " + FileName() + ": " +
                        SysErrorMessage(GetLastError()));
  }
  // Default is still empty here, so the write-back drops the seed's all-zero extensions.
  WriteCrawlini(folder);
}

void TCrawlIni::Refresh() {
  TLockGuard guard(*FLock);
  DoRefresh();
}

void TCrawlIni::DoRefresh() {
  Clear();
  MergeExtractPageLimit(*FDefault);
  TCrawlIniText ini;
  ini.LoadFromFile(FileName());
  ReadSection(ini, kDefaultSection, *FDefault);

  std::vector<AnsiString> names;
  for (int i = 0; i < ini.SectionCount(); ++i) {
    AnsiString p = NormalizeFolderPath(ini.SectionName(i));
    if (p != kDefaultSection) names.push_back(p);
  }
  std::stable_sort(names.begin(), names.end(), LocaleLess);
  // Spellings of one folder ("c:\data", "C:\Data\") are one entry: ReadSection reads them all.
  names.erase(std::unique(names.begin(), names.end()), names.end());

  for (const AnsiString& p : names) {
    if (p.empty()) continue;
    std::unique_ptr<TCrawlIniFolder> created;
    TCrawlIniFolder* folder = FindFolder(p);
    if (!folder) {
      created = std::make_unique<TCrawlIniFolder>(p);
      folder = created.get();
    }
    FDefault->CopyTo(*folder);
    // Ancestors come first in the table, outermost first, so the nearest one wins.
    for (const auto& ancestor : FFolders) {
      const AnsiString prefix = ancestor->Path() + "\\";
      if (p.size() > prefix.size() && SameText(std::string_view(p).substr(0, prefix.size()), prefix))
        ancestor->CopyTo(*folder);
    }
    ReadSection(ini, p, *folder);
    if (created) AddFolder(std::move(created));
  }
}

TCrawlIniFolder* TCrawlIni::FolderAt(int index) const {
  if (index < 0 || index >= FolderCount()) return nullptr;
  return FFolders[index].get();
}

TCrawlIniFolder* TCrawlIni::FindFolder(const AnsiString& path) const {
  auto it = FFolderIndex.find(NormalizeFolderPath(path));
  return it == FFolderIndex.end() ? nullptr : FFolders[it->second].get();
}

TCrawlIniFolder* TCrawlIni::FolderFor(const AnsiString& path) const {
  // Resolves against this store, not the singleton: the constructor's first write-back
  // runs before the singleton exists.
  AnsiString dir = ExtractFileDir(path);
  for (;;) {
    if (TCrawlIniFolder* f = FindFolder(dir)) return f;
    AnsiString parent = ExtractFileDir(dir);
    if (parent.size() >= dir.size() || parent == dir) break;
    dir = parent;
  }
  return FDefault.get();
}

TCrawlIniFolder* TCrawlIni::AddFolder(std::unique_ptr<TCrawlIniFolder> folder) {
  if (TCrawlIniFolder* present = FindFolder(folder->Path())) return present;
  FFolderIndex.emplace(folder->Path(), FolderCount());
  FFolders.push_back(std::move(folder));
  return FFolders.back().get();
}

void TCrawlIni::Clear() {
  FFolderIndex.clear();
  FFolders.clear();
}

void TCrawlIni::MergeExtractPageLimit(TCrawlIniFolder& folder) const {
  for (const AnsiString& item : SplitCommaText(FOptions.ExtractPageExtList)) {
    int32_t limit = FOptions.ExtractPageLimit ? FOptions.ExtractPageLimit(item) : -1;
    if (limit < 0) limit = -1;
    folder.SetExt(item, -1, limit, limit, true);
  }
}

void TCrawlIni::ReadSection(const TCrawlIniText& ini, const AnsiString& name,
                            TCrawlIniFolder& folder) {
  // "c:\data" and "C:\Data\" name the same folder: every such section is read, in file
  // order, so none of them is silently ignored.
  const AnsiString wanted = NormalizeFolderPath(name);
  for (int i = 0; i < ini.SectionCount(); ++i)
    if (NormalizeFolderPath(ini.SectionName(i)) == wanted) folder.ReadFrom(ini.SectionLines(i));
}

void TCrawlIni::WriteCrawlini(TCrawlIniFolder& folder) {
  if (folder.Path().empty()) throw Exception("WriteCrawlini CrawlFolder.path is null.");
  TCrawlIniText ini;
  ini.LoadFromFile(FileName());
  AnsiString section;
  if (FindSamePath(ini, folder.Path(), section)) {
    // Erase every spelling of the folder's section; one left behind would shadow the
    // section written below the next time the file is read.
    AnsiString other;
    while (FindSamePath(ini, folder.Path(), other)) ini.EraseSection(other);
  } else {
    section = folder.Path();
  }
  folder.Prune(FolderFor(folder.Path()), FOptions.Trace);
  std::vector<AnsiString> lines;
  folder.WriteTo(lines);
  for (const AnsiString& line : lines) {
    AnsiString key, value;
    if (SplitKeyValue(line, key, value) && !key.empty() && !value.empty())
      ini.AppendLine(section, line);
  }
  ini.SaveToFile(FileName());
}

void TCrawlIni::ParseValue(const AnsiString& text, int32_t& first, int32_t& second,
                           int32_t& third, bool& pdf) {
  std::vector<AnsiString> items = SplitCommaText(AnsiLowerCase(text));
  std::vector<int32_t> n;
  pdf = false;
  for (const AnsiString& item : items) {
    n.push_back(StrToIntDef(item, 0));
    if (item == "pdf") pdf = true;
  }
  first = second = third = 0;
  if (n.size() >= 1) first = second = third = n[0];
  if (n.size() >= 2) second = third = n[1];
  if (n.size() >= 3) third = n[2];
}

// --- unit start-up -------------------------------------------------------------------------

bool CreateCrawlIniInstance(TCrawlIniOptions options) {
  GCrawlIni.reset();
  TCrawlIniTrace trace = options.Trace;
  try {
    auto store = std::make_unique<TCrawlIni>(std::move(options));
    store->Refresh();
    GCrawlIni = std::move(store);
    return true;
  } catch (const Exception& e) {
    if (trace) trace("TCrawlIni", e.Message());
  } catch (const std::exception& e) {
    if (trace) trace("TCrawlIni", e.what());
  }
  return false;
}

void InitializeCrawlIniUnit() { CreateCrawlIniInstance(TCrawlIni::DefaultOptions()); }

void FinalizeCrawlIniUnit() { GCrawlIni.reset(); }
