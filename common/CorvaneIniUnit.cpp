#include "common/CorvaneIniUnit.h"

#include "common/CorvanePathUnit.h"
#include "common/HvxUtil.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysExceptions.h"

#include <windows.h>

#include <limits>
#include <set>

namespace {

const char* const kSection = "Corvane";

// --- Text helpers -----------------------------------------------------------------------

// SetCommaList into a plain vector of items.
std::vector<AnsiString> SplitCommaText(const AnsiString& text, bool removeQuotes,
                                       bool dropEmpty) {
  TStringList list;
  SetCommaList(list, text, removeQuotes, dropEmpty);
  std::vector<AnsiString> items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list[i]);
  return items;
}

void RemoveFirstEmpty(std::vector<AnsiString>& list) {
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (it->empty()) {
      list.erase(it);
      return;
    }
  }
}

// Case-insensitive (ASCII letters, double-byte aware) test that s begins with prefix.
bool StartsText(std::string_view prefix, std::string_view s) {
  if (prefix.size() > s.size()) return false;
  for (size_t i = 0; i < prefix.size();) {
    size_t next = NextCharIndex(prefix, i);
    if (next - i == 2) {
      if (prefix[i] != s[i] || prefix[i + 1] != s[i + 1]) return false;
    } else {
      char a = prefix[i], b = s[i];
      if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
      if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
      if (a != b) return false;
    }
    i = next;
  }
  return true;
}

// Root r holds path p: p begins with r and a backslash, or both are the same folder.
bool RootHolds(const AnsiString& r, const AnsiString& p) {
  if (p.size() > r.size() && p[r.size()] == '\\' && StartsText(r, p)) return true;
  return SameText(ExcludeTrailingBackslash(p), ExcludeTrailingBackslash(r));
}

// The inner folder is the outer one or lies inside it.
bool FolderInside(const AnsiString& inner, const AnsiString& outer) {
  return StartsText(IncludeTrailingBackslash(outer), IncludeTrailingBackslash(inner));
}

int32_t Wrap32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }

std::unique_ptr<TCorvaneIni> GCorvaneIni;

}  // namespace

// --- Section lookup -------------------------------------------------------------------------

// Section "Corvane" as read at the start of loading: every key name the section holds and
// the non-empty values under their lower-cased names (the first of a repeated key wins).
class TCorvaneSection {
public:
  explicit TCorvaneSection(const TIniFile& ini) {
    for (const AnsiString& name : ini.ReadSection(kSection)) {
      AnsiString key = AnsiLowerCase(name);
      FNames.insert(key);
      if (FValues.count(key)) continue;
      AnsiString value = ini.ReadString(kSection, name, "");
      if (!value.empty()) {
        FValues.emplace(key, value);
        FOrder.push_back(key);
      }
    }
  }

  bool HasKey(const AnsiString& name) const { return FNames.count(AnsiLowerCase(name)) != 0; }
  bool FindValue(const AnsiString& key, AnsiString& value) const {
    auto it = FValues.find(AnsiLowerCase(key));
    if (it == FValues.end()) return false;
    value = it->second;
    return true;
  }
  AnsiString ReadString(const AnsiString& key, const AnsiString& def) const {
    AnsiString v;
    return FindValue(key, v) ? v : def;
  }
  int32_t ReadInteger(const AnsiString& key, int32_t def) const {
    AnsiString v;
    return FindValue(key, v) ? StrToIntDef(v, def) : def;
  }
  bool ReadFlag(const AnsiString& key, bool def) const { return ReadInteger(key, def) == 1; }
  double ReadFloat(const AnsiString& key, double def) const {
    AnsiString v;
    long double d;
    // Decimal text in the locale's format.
    return FindValue(key, v) && TryStrToFloat(v, d) ? static_cast<double>(d) : def;
  }
  AnsiString ReadPath(const AnsiString& key, const AnsiString& def) const {
    return SlashToBackslash(ReadString(key, def));
  }
  // The keys with values, lower-cased, in file order.
  const std::vector<AnsiString>& Keys() const { return FOrder; }

private:
  std::set<AnsiString> FNames;
  std::unordered_map<AnsiString, AnsiString> FValues;
  std::vector<AnsiString> FOrder;
};

// --- Roots ---------------------------------------------------------------------------------

TCorvaneRoot::TCorvaneRoot(AnsiString documentRoot, AnsiString hviRoot, AnsiString alias)
    : FHviRoot(std::move(hviRoot)), FAlias(std::move(alias)),
      FDocumentRoot(std::move(documentRoot)) {}

int TCorvaneRootList::Add(std::unique_ptr<TCorvaneRoot> root) {
  AnsiString key = AnsiLowerCase(root->Alias());
  if (FByAlias.count(key))
    throw Exception(Format("document_root_alias:%s が重複しています", root->Alias().c_str()));
  if (HasHviRoot(root->HviRoot()))
    throw Exception(Format("hvi_root:%s　が重複しています", root->HviRoot().c_str()));
  FRoots.push_back(std::move(root));
  int index = Count() - 1;
  FByAlias.emplace(key, index);
  return index;
}

TCorvaneRoot* TCorvaneRootList::Items(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return FRoots[static_cast<size_t>(index)].get();
}

bool TCorvaneRootList::HasHviRoot(const AnsiString& path) const {
  AnsiString p = ExcludeTrailingBackslash(path);
  for (const auto& r : FRoots) {
    if (SameText(ExcludeTrailingBackslash(r->HviRoot()), p)) return true;
  }
  return false;
}

int TCorvaneRootList::IndexOfDocumentRoot(const AnsiString& path, int exceptIndex) const {
  for (int i = 0; i < Count(); ++i) {
    if (i != exceptIndex && RootHolds(FRoots[static_cast<size_t>(i)]->DocumentRoot(), path))
      return i;
  }
  return -1;
}

int TCorvaneRootList::IndexOfHviRoot(const AnsiString& path, int exceptIndex) const {
  for (int i = 0; i < Count(); ++i) {
    if (i != exceptIndex && RootHolds(FRoots[static_cast<size_t>(i)]->HviRoot(), path))
      return i;
  }
  return -1;
}

TCorvaneRoot* TCorvaneRootList::FindHviRoot(const AnsiString& path, bool raise) const {
  int i = IndexOfHviRoot(path, -1);
  if (i >= 0) return Items(i);
  if (raise) throw Exception("HviRoot not found. aHviPath=" + path);
  return nullptr;
}

int TFixedGroupIdList::IndexOfDomain(const AnsiString& domain) const {
  for (int i = 0; i < Count(); ++i) {
    if (SameText(FDomains[static_cast<size_t>(i)].first, domain)) return i;
  }
  return -1;
}

void TFixedGroupIdList::AddGroup(const AnsiString& domain, const AnsiString& group) {
  int i = IndexOfDomain(domain);
  if (i < 0) {
    FDomains.emplace_back(domain, std::vector<AnsiString>{});
    i = Count() - 1;
  }
  auto& groups = FDomains[static_cast<size_t>(i)].second;
  for (const AnsiString& g : groups) {
    if (SameText(g, group)) return;
  }
  groups.push_back(group);
}

void TCvMenuStatusList::Add(const AnsiString& name, bool flag) {
  AnsiString key = AnsiLowerCase(name);
  if (FIndex.count(key)) return;
  FItems.emplace_back(key, flag);
  FIndex.emplace(key, Count() - 1);
}

bool TCvMenuStatusList::TryGet(const AnsiString& name, bool& flag) const {
  auto it = FIndex.find(AnsiLowerCase(name));
  if (it == FIndex.end()) return false;
  flag = FItems[static_cast<size_t>(it->second)].second;
  return true;
}

void SplitAt(const AnsiString& text, const AnsiString& separator, AnsiString& left,
             AnsiString& right) {
  size_t p = AnsiPos(separator, text);
  if (p == AnsiString::npos) {
    left = text;
    right.clear();
  } else {
    left = text.substr(0, p);
    right = text.substr(p + separator.size());
  }
}

// --- TCorvaneIni ---------------------------------------------------------------------------

TCorvaneIni& TCorvaneIni::Instance() {
  if (!GCorvaneIni)
    GCorvaneIni = std::make_unique<TCorvaneIni>(MainIniPath, DataFolder);
  return *GCorvaneIni;
}

void TCorvaneIni::ReplaceInstance(std::unique_ptr<TCorvaneIni> ini) {
  GCorvaneIni = std::move(ini);
}

void FinalizeCorvaneIniUnit() { GCorvaneIni.reset(); }

TCorvaneIni::TCorvaneIni(AnsiString iniPath, AnsiString dataFolder)
    : FIniPath(std::move(iniPath)), FDataFolder(std::move(dataFolder)) {
  // Not read from the file: the plotter and vector formats the CAD converter takes.
  FCadExtList =
      SplitCommaText("DXF,DWG,PLT,HGL,RTL,HG,PLO,HP,HP1,HP2,HPG,HPGL,HPGL2,GL2,PRN,SPL,SVG,CGM",
                     true, false);
  Load();
}

TCorvaneIni::~TCorvaneIni() = default;

AnsiString TCorvaneIni::GetBatchWorkDir() const {
  if (!DirectoryExists(Fbatch_work_dir)) ForceDirectories(Fbatch_work_dir);
  return Fbatch_work_dir;
}

AnsiString TCorvaneIni::GetBatchLogDir() const {
  if (!DirectoryExists(Fbatch_log_dir)) ForceDirectories(Fbatch_log_dir);
  return Fbatch_log_dir;
}

int32_t TCorvaneIni::GetExtractPageLimit(const AnsiString& ext) const {
  auto it = FExtractPageLimit.find(AnsiLowerCase(ext));
  return it == FExtractPageLimit.end() ? -1 : it->second;
}

void TCorvaneIni::Load() {
  FIsLoaded = false;
  FLoadError.clear();
  TIniFile ini(FIniPath);
  try {
    TCorvaneSection section(ini);
    for (const AnsiString& name : ini.ReadSection("ExtractPageLimit")) {
      AnsiString key = AnsiLowerCase(name);
      if (!FExtractPageLimit.count(key))
        FExtractPageLimit.emplace(key, ini.ReadInteger("ExtractPageLimit", name, -1));
    }
    ReadKeys(section);
    LoadRoots(section, Fwebtempdir);
    ReadYearRange(section);
    LoadMenuStatus(section);
    LoadFixedGroupIds(FFixedGroupIdList, section.ReadString("fixed_groupid_list", ""),
                      Fwindows_domain);
    ApplyLimits();
    if (!DirectoryExists(Factionqueue_savepath)) ForceDirectories(Factionqueue_savepath);
    if (!DirectoryExists(Fidxserverlog_savepath)) ForceDirectories(Fidxserverlog_savepath);
    CheckRootNesting();
    if (Fmax_threadscount > 100)
      throw Exception("max_threadscountに100より大きい数値を指定することはできません");
    if (!DirectoryExists(Fwebdocroot))
      throw Exception("webdocrootが指定されていないか、存在しないフォルダが指定されています");
    FIsLoaded = true;
  } catch (const Exception& e) {
    FLoadError = e.Message();
  } catch (const std::exception& e) {
    FLoadError = e.what();
  }
}

void TCorvaneIni::ReadKeys(const TCorvaneSection& s) {
  const AnsiString& d = FDataFolder;
  Fbatch_work_dir = s.ReadString("batch_work_dir", d + "batch_work");
  Fbatch_log_dir = s.ReadString("batch_log_dir", d + "batch_log");
  Faccesslog_dir = s.ReadString("accesslog_dir", "");
  Fmax_threadscount = s.ReadInteger("max_threadscount", 1);
  Fbatch_commit_size = s.ReadInteger("batch_commit_size", 10000);
  Fbatch_log_interval = s.ReadInteger("batch_log_interval", 10000);
  Fbatch_put_threads = s.ReadInteger("batch_put_threads", 1);
  Fbatch_hvi_threads = s.ReadInteger("batch_hvi_threads", 1);
  // Kilobytes to bytes: the product multiplies in 32 bits and widens afterwards, so a
  // large value wraps (a negative result counts as no limit, below).
  Fmax_extract_text_file_size_kb =
      Wrap32(int64_t{s.ReadInteger("max_extract_text_file_size_kb", 5000)} * 1024);
  Fmax_extract_page_file_size_kb =
      Wrap32(int64_t{s.ReadInteger("max_extract_page_file_size_kb", 20000)} * 1024);
  Fmax_read_text_file_size_kb =
      Wrap32(int64_t{s.ReadInteger("max_read_text_file_size_kb", 2000)} * 1024);
  Fupload_field_count = s.ReadInteger("upload_field_count", 5);
  Fhyperestraier_startup = s.ReadInteger("hyperestraier_startup", 1);
  // Seconds to milliseconds, in 32 bits as above.
  Ftimeout_xdoc2txt = Wrap32(int64_t{s.ReadInteger("timeout_xdoc2txt", 60)} * 1000);
  Ftimeout_cad2txt = Wrap32(int64_t{s.ReadInteger("timeout_cad2txt", 60)} * 1000);
  Ftimeout_xdw2txt = Wrap32(int64_t{s.ReadInteger("timeout_xdw2txt", 60)} * 1000);
  Ftimeout_mb2splitter = Wrap32(int64_t{s.ReadInteger("timeout_mb2splitter", 300)} * 1000);
  Ffilelist_maxsize_mb = s.ReadInteger("filelist_maxsize_mb", 3);
  Ffilelist_maxcount = s.ReadInteger("filelist_maxcount", 10);
  Fdbisam_connection_max_pool_size = s.ReadInteger("dbisam_connection_max_pool_size", 100);
  Fportnum = s.ReadInteger("portnum", 1980);
  Fsynchronize_task_time = s.ReadFloat("synchronize_task_time", 2.0);
  Fuse_windows_security = s.ReadFlag("use_windows_security", false);
  Fguestuser_enabled = s.ReadFlag("guestuser_enabled", false);
  Flowercase_search = s.ReadFlag("lowercase_search", true);
  Fcms = s.ReadFlag("cms", false);
  Fpage_search = s.ReadFlag("page_search", false);
  Fdebug = s.ReadFlag("debug", false);
  Fuse_sbc = s.ReadFlag("use_sbc", false);
  Fversioning = s.ReadFlag("versioning", false);
  Fpagebookmark = s.ReadFlag("pagebookmark", false);
  Fshow_index_thtml = s.ReadFlag("show_index_thtml", false);
  Fshowfileselector = s.ReadFlag("showfileselector", false);
  Fartery = s.ReadFlag("artery", false);
  Fuse_template_thtml = s.ReadFlag("use_template_thtml", false);
  Fforce_zip_download = s.ReadFlag("force_zip_download", false);
  Fdirectory_change_notifier_disabled = s.ReadFlag("directory_change_notifier_disabled", false);
  Fanonymous_user = s.ReadString("anonymous_user", "");
  Fanonymous_passwd = s.ReadString("anonymous_passwd", "");
  Fanonymous_domain = s.ReadString("anonymous_domain", "");
  Ftemparchivefile_name = s.ReadString("temparchivefile_name", "");
  Fcorvaneserver_url = s.ReadString("corvaneserver_url", "");
  Fextractpage_extlist = s.ReadString("extractpage_extlist", "");
  Fcms_docroot = s.ReadString("cms_docroot", "");
  FExcelDataReaderPath = s.ReadString("ExcelDataReaderPath", "");
  Fguestuser_winuserid = s.ReadString("guestuser_winuserid", "");
  Fguestuser_winpassword = s.ReadString("guestuser_winpassword", "");
  Fhyperestraier_url = s.ReadString("hyperestraier_url", "");
  Fhyperestraier_user = s.ReadString("hyperestraier_user", "");
  Fhyperestraier_password = s.ReadString("hyperestraier_password", "");
  Flang = s.ReadString("lang", "ja");
  Fproductname = s.ReadString("productname", "コルヴェイン");
  Fwebrootname = s.ReadString("webrootname", "corvane");
  Fweburl = s.ReadString("weburl", "http://localhost/corvane/");
  Fwebtempdir = s.ReadPath("webtempdir", d + "temp\\");
  Fwebdocroot =
      s.ReadPath("webdocroot", "c:\\Program Files\\Apache Group\\Apache2\\htdocs\\corvane");
  Fcrawlinipath = s.ReadPath("crawlinipath", d + "crawl.ini");
  Ffilepropertydefpath = s.ReadPath("filepropertydefpath", d + "filepropertydef.cfg");
  Factionqueue_savepath = s.ReadPath("actionqueue_savepath", d + "action");
  Fidxserverlog_savepath = s.ReadPath("idxserverlog_savepath", d + "idxsvrlog");
  Fguestuserdbpath = s.ReadPath("guestuserdbpath", d + "userdb");

  Ffixed_userid_list =
      SplitCommaText(AnsiLowerCase(s.ReadString("fixed_userid_list", "")), true, false);
  Fextracttext_extlist =
      SplitCommaText(AnsiLowerCase(s.ReadString("extracttext_extlist", "")), true, false);
  Fgif_preview_ext_list =
      SplitCommaText(AnsiLowerCase(s.ReadString("gif_preview_ext_list", "")), true, false);
  Fembed_view_ext_list =
      SplitCommaText(AnsiLowerCase(s.ReadString("embed_view_ext_list", "")), true, false);
  Fwindows_domain = SplitCommaText(s.ReadString("windows_domain", ""), true, true);
}

void TCorvaneIni::ApplyLimits() {
  if (Fmax_threadscount < 1) Fmax_threadscount = 1;
  if (Fmax_extract_text_file_size_kb < 0)
    Fmax_extract_text_file_size_kb = std::numeric_limits<int64_t>::max();
  if (Fmax_extract_page_file_size_kb < 0)
    Fmax_extract_page_file_size_kb = std::numeric_limits<int64_t>::max();
  if (Fupload_field_count < 1 || Fupload_field_count > 10) Fupload_field_count = 5;
  RemoveFirstEmpty(Fextracttext_extlist);
  RemoveFirstEmpty(FCadExtList);
  if (Fhyperestraier_startup < 0 || Fhyperestraier_startup > 2) Fhyperestraier_startup = 1;
}

void TCorvaneIni::LoadRoots(const TCorvaneSection& s, const AnsiString& webTempDir) {
  const char* const missing = "が設定ファイルに定義されていません";
  for (int n = 1;; ++n) {
    AnsiString suffix = n == 1 ? AnsiString() : IntToStr(n);
    AnsiString docKey = "document_root" + suffix;
    if (!s.HasKey(docKey)) break;
    AnsiString hviKey = "hvi_root" + suffix;
    AnsiString aliasKey = "document_root_alias" + suffix;
    AnsiString doc = ExcludeTrailingBackslash(s.ReadPath(docKey, ""));
    AnsiString hvi = ExcludeTrailingBackslash(s.ReadPath(hviKey, ""));
    AnsiString alias = s.ReadString(aliasKey, "");
    if (doc.empty()) throw Exception(docKey + missing);
    if (hvi.empty()) throw Exception(hviKey + missing);
    if (n >= 2 && alias.empty()) throw Exception(aliasKey + missing);
    if (FolderInside(doc, hvi))
      throw Exception(Format("document_rootがhvi_root以下のフォルダに指定されています.%s=%s, %s=%s",
                             docKey.c_str(), doc.c_str(), hviKey.c_str(), hvi.c_str()));
    if (FolderInside(hvi, doc))
      throw Exception(Format("hvi_rootがdocument_root以下のフォルダに指定されています.%s=%s, %s=%s",
                             docKey.c_str(), doc.c_str(), hviKey.c_str(), hvi.c_str()));
    if (FolderInside(webTempDir, doc))
      throw Exception(
          Format("webtempdirがdocument_root以下のフォルダに指定されています.%s=%s, %s=%s",
                 "webtempdir", webTempDir.c_str(), docKey.c_str(), doc.c_str()));
    if (FolderInside(webTempDir, hvi))
      throw Exception(Format("webtempdirがhvi_root以下のフォルダに指定されています.%s=%s, %s=%s",
                             "webtempdir", webTempDir.c_str(), hviKey.c_str(), hvi.c_str()));
    int index = FRootList.Add(std::make_unique<TCorvaneRoot>(doc, hvi, alias));
    TCorvaneRoot* root = FRootList.Items(index);
    AnsiString patternKey = docKey + "_pattern";
    for (int m = 2; s.HasKey(patternKey); ++m) {
      root->Patterns().push_back(s.ReadString(patternKey, ""));
      patternKey = docKey + "_pattern" + IntToStr(m);
    }
  }
  if (FRootList.Count() >= 2 && FRootList.Items(0)->Alias().empty())
    throw Exception("document_root_aliasが設定ファイルに定義されていません");
}

void TCorvaneIni::CheckRootNesting() const {
  const char* const head = "すべてのdocument_rootおよびhvi_rootのパスは親子関係にあってはいけません.";
  auto key = [](const char* base, int i) {
    return i == 0 ? AnsiString(base) : AnsiString(base) + IntToStr(i + 1);
  };
  for (int i = 0; i < FRootList.Count(); ++i) {
    const AnsiString& doc = FRootList.Items(i)->DocumentRoot();
    const char* what = nullptr;
    if (FRootList.IndexOfDocumentRoot(doc, i) >= 0)
      what = "document_rootが他のdocument_root以下のフォルダに指定されています.%s=%s";
    else if (FRootList.IndexOfHviRoot(doc, i) >= 0)
      what = "document_rootがhvi_root以下のフォルダに指定されています.%s=%s";
    if (what)
      throw Exception(AnsiString(head) +
                      Format(what, key("document_root", i).c_str(), doc.c_str()));
  }
  for (int i = 0; i < FRootList.Count(); ++i) {
    const AnsiString& hvi = FRootList.Items(i)->HviRoot();
    const char* what = nullptr;
    if (FRootList.IndexOfDocumentRoot(hvi, i) >= 0)
      what = "hvi_rootがdocument_root以下のフォルダに指定されています.%s=%s";
    else if (FRootList.IndexOfHviRoot(hvi, i) >= 0)
      what = "hvi_rootが他のhvi_root以下のフォルダに指定されています.%s=%s";
    if (what)
      throw Exception(AnsiString(head) + Format(what, key("hvi_root", i).c_str(), hvi.c_str()));
  }
}

void TCorvaneIni::LoadFixedGroupIds(TFixedGroupIdList& groups, const AnsiString& text,
                                    const std::vector<AnsiString>& domains) {
  groups.Clear();
  for (const AnsiString& item : SplitCommaText(AnsiUpperCase(text), true, true)) {
    AnsiString group, domain;
    SplitAt(item, "@", group, domain);
    if (group.empty()) continue;
    if (domain.empty()) {
      if (domains.empty())
        domain = ".";
      else if (domains.size() == 1)
        domain = domains[0];
      else
        throw Exception(
            "windows_domainが複数設定されている場合、fixed_groupid_listにはドメイン名を指定"
            "しなければなりません。ex. users@DOMAIN");
    }
    groups.AddGroup(domain, group);
  }
}

void TCorvaneIni::ReadYearRange(const TCorvaneSection& s) {
  std::vector<AnsiString> items = SplitCommaText(s.ReadString("dateselector_yearrange", ""));
  int32_t a = 1980, b = 2030;
  if (items.size() >= 2) {
    a = StrToIntDef(items[0], 1980);
    b = StrToIntDef(items[1], 2030);
  }
  FYearFrom = std::min(a, b);
  FYearTo = std::max(a, b);
}

void TCorvaneIni::LoadMenuStatus(const TCorvaneSection& s) {
  for (const AnsiString& key : s.Keys()) {
    if (key.compare(0, 5, "menu_") == 0)
      FMenuStatusList.Add(key, StrToIntDef(s.ReadString(key, ""), 0) == 1);
  }
}
