// The product's main configuration file "corvane.ini": section "Corvane" read once into
// typed values with their defaults, limits and checks, the page limits of section
// "ExtractPageLimit", and the document and index roots with the small tables read beside
// them (fixed groups, menu flags, year range).
//
// TCorvaneIni::Instance() is the process-wide view, created and loaded on first use during
// start-up and read-only afterwards, so worker threads read it without a lock. Loading
// never raises: a failed check leaves IsLoaded() False, keeps its message in LoadError()
// and the values read up to that point.
#pragma once

#include "platform/rtl/SysStrings.h"

#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

class TIniFile;

// One document root (folder whose files are indexed) with its index root (where its index
// lives), its alias and its patterns. Both folders are held without a trailing backslash.
class TCorvaneRoot {
public:
  TCorvaneRoot(AnsiString documentRoot, AnsiString hviRoot, AnsiString alias);
  const AnsiString& HviRoot() const { return FHviRoot; }
  const AnsiString& Alias() const { return FAlias; }
  const AnsiString& DocumentRoot() const { return FDocumentRoot; }
  const std::vector<AnsiString>& Patterns() const { return FPatterns; }
  std::vector<AnsiString>& Patterns() { return FPatterns; }

private:
  AnsiString FHviRoot;
  AnsiString FAlias;
  AnsiString FDocumentRoot;
  std::vector<AnsiString> FPatterns;
};

// The roots in load order, found by alias (case-insensitive) or by path. Every lookup is
// const and keeps no cache, so any thread may ask once loading is over.
class TCorvaneRootList {
public:
  TCorvaneRootList() = default;
  TCorvaneRootList(const TCorvaneRootList&) = delete;
  TCorvaneRootList& operator=(const TCorvaneRootList&) = delete;

  // Appends the root; raises Exception on an alias or an index root already listed.
  int Add(std::unique_ptr<TCorvaneRoot> root);
  int Count() const { return static_cast<int>(FRoots.size()); }
  // The root at index, or nullptr when index is outside the list.
  TCorvaneRoot* Items(int index) const;
  // True when a root has this index root (case-insensitive, one trailing backslash ignored
  // on either side).
  bool HasHviRoot(const AnsiString& path) const;
  // The first root, skipping exceptIndex, whose document root (index root) holds the path;
  // -1 when none does.
  int IndexOfDocumentRoot(const AnsiString& path, int exceptIndex) const;
  int IndexOfHviRoot(const AnsiString& path, int exceptIndex) const;
  // The first root whose index root holds the path. None found: nullptr, or with raise
  // True an Exception "HviRoot not found. aHviPath=<path>". With raise False it never
  // raises; the path filter asks it for every path it tests.
  TCorvaneRoot* FindHviRoot(const AnsiString& path, bool raise) const;

private:
  std::vector<std::unique_ptr<TCorvaneRoot>> FRoots;
  std::unordered_map<AnsiString, int> FByAlias;  // lower-cased alias -> index
};

// Fixed groups by domain: domain names (case-insensitive) each with its group names.
class TFixedGroupIdList {
public:
  void Clear() { FDomains.clear(); }
  int Count() const { return static_cast<int>(FDomains.size()); }
  const AnsiString& Domain(int index) const { return FDomains.at(index).first; }
  const std::vector<AnsiString>& Groups(int index) const { return FDomains.at(index).second; }
  int IndexOfDomain(const AnsiString& domain) const;
  // Adds the domain when missing and the group to it unless it is already there.
  void AddGroup(const AnsiString& domain, const AnsiString& group);

private:
  std::vector<std::pair<AnsiString, std::vector<AnsiString>>> FDomains;
};

// The "menu_" flags of the configuration, by lower-cased key name.
class TCvMenuStatusList {
public:
  // Stores the flag under the lower-cased name unless the name is there already.
  void Add(const AnsiString& name, bool flag);
  int Count() const { return static_cast<int>(FItems.size()); }
  const AnsiString& Names(int index) const { return FItems.at(index).first; }
  bool Values(int index) const { return FItems.at(index).second; }
  // False when the name is not listed.
  bool TryGet(const AnsiString& name, bool& flag) const;

private:
  std::vector<std::pair<AnsiString, bool>> FItems;
  std::unordered_map<AnsiString, int> FIndex;
};

// Splits text at the first occurrence of separator; without one, left is the whole text.
void SplitAt(const AnsiString& text, const AnsiString& separator, AnsiString& left,
             AnsiString& right);

// The key lookup of section "Corvane" while loading (defined in the unit's source).
class TCorvaneSection;

class TCorvaneIni {
public:
  // The process-wide configuration, loaded from MainIniPath on the first call. No lock:
  // the first call is made during start-up, before any worker thread exists.
  static TCorvaneIni& Instance();
  // Puts a configuration in place of the process-wide one (tests; null frees it, and the
  // next Instance() loads MainIniPath again).
  static void ReplaceInstance(std::unique_ptr<TCorvaneIni> ini);

  // Loads the file iniPath; dataFolder (with a trailing backslash) is the base of the
  // default folders and files.
  TCorvaneIni(AnsiString iniPath, AnsiString dataFolder);
  ~TCorvaneIni();
  TCorvaneIni(const TCorvaneIni&) = delete;
  TCorvaneIni& operator=(const TCorvaneIni&) = delete;

  bool IsLoaded() const { return FIsLoaded; }
  const AnsiString& LoadError() const { return FLoadError; }

  // batch_work_dir / batch_log_dir, created with their parents when missing.
  AnsiString GetBatchWorkDir() const;
  AnsiString GetBatchLogDir() const;
  // The value of section "ExtractPageLimit" under ext (case-insensitive), or -1.
  int32_t GetExtractPageLimit(const AnsiString& ext) const;

  const TCorvaneRootList& RootList() const { return FRootList; }
  const TFixedGroupIdList& FixedGroupIdList() const { return FFixedGroupIdList; }
  const TCvMenuStatusList& MenuStatusList() const { return FMenuStatusList; }
  int32_t YearFrom() const { return FYearFrom; }
  int32_t YearTo() const { return FYearTo; }

  // The values of section "Corvane", named after their keys.
  const AnsiString& batch_work_dir() const { return Fbatch_work_dir; }
  const AnsiString& batch_log_dir() const { return Fbatch_log_dir; }
  const AnsiString& accesslog_dir() const { return Faccesslog_dir; }
  int32_t max_threadscount() const { return Fmax_threadscount; }
  int32_t batch_commit_size() const { return Fbatch_commit_size; }
  int32_t batch_log_interval() const { return Fbatch_log_interval; }
  int32_t batch_put_threads() const { return Fbatch_put_threads; }
  int32_t batch_hvi_threads() const { return Fbatch_hvi_threads; }
  int64_t max_extract_text_file_size_kb() const { return Fmax_extract_text_file_size_kb; }
  int64_t max_extract_page_file_size_kb() const { return Fmax_extract_page_file_size_kb; }
  int32_t max_read_text_file_size_kb() const { return Fmax_read_text_file_size_kb; }
  int32_t upload_field_count() const { return Fupload_field_count; }
  int32_t hyperestraier_startup() const { return Fhyperestraier_startup; }
  int64_t timeout_xdoc2txt() const { return Ftimeout_xdoc2txt; }
  int64_t timeout_cad2txt() const { return Ftimeout_cad2txt; }
  int64_t timeout_xdw2txt() const { return Ftimeout_xdw2txt; }
  int64_t timeout_mb2splitter() const { return Ftimeout_mb2splitter; }
  int32_t filelist_maxsize_mb() const { return Ffilelist_maxsize_mb; }
  int32_t filelist_maxcount() const { return Ffilelist_maxcount; }
  int32_t dbisam_connection_max_pool_size() const { return Fdbisam_connection_max_pool_size; }
  int32_t portnum() const { return Fportnum; }
  double synchronize_task_time() const { return Fsynchronize_task_time; }
  bool use_windows_security() const { return Fuse_windows_security; }
  bool guestuser_enabled() const { return Fguestuser_enabled; }
  bool lowercase_search() const { return Flowercase_search; }
  bool cms() const { return Fcms; }
  bool page_search() const { return Fpage_search; }
  bool debug() const { return Fdebug; }
  bool use_sbc() const { return Fuse_sbc; }
  bool versioning() const { return Fversioning; }
  bool pagebookmark() const { return Fpagebookmark; }
  bool show_index_thtml() const { return Fshow_index_thtml; }
  bool showfileselector() const { return Fshowfileselector; }
  bool artery() const { return Fartery; }
  bool use_template_thtml() const { return Fuse_template_thtml; }
  bool force_zip_download() const { return Fforce_zip_download; }
  bool directory_change_notifier_disabled() const { return Fdirectory_change_notifier_disabled; }
  const AnsiString& anonymous_user() const { return Fanonymous_user; }
  const AnsiString& anonymous_passwd() const { return Fanonymous_passwd; }
  const AnsiString& anonymous_domain() const { return Fanonymous_domain; }
  const AnsiString& temparchivefile_name() const { return Ftemparchivefile_name; }
  const AnsiString& corvaneserver_url() const { return Fcorvaneserver_url; }
  const AnsiString& extractpage_extlist() const { return Fextractpage_extlist; }
  const AnsiString& cms_docroot() const { return Fcms_docroot; }
  const AnsiString& ExcelDataReaderPath() const { return FExcelDataReaderPath; }
  const AnsiString& guestuser_winuserid() const { return Fguestuser_winuserid; }
  const AnsiString& guestuser_winpassword() const { return Fguestuser_winpassword; }
  const AnsiString& hyperestraier_url() const { return Fhyperestraier_url; }
  const AnsiString& hyperestraier_user() const { return Fhyperestraier_user; }
  const AnsiString& hyperestraier_password() const { return Fhyperestraier_password; }
  const AnsiString& lang() const { return Flang; }
  const AnsiString& productname() const { return Fproductname; }
  const AnsiString& webrootname() const { return Fwebrootname; }
  const AnsiString& weburl() const { return Fweburl; }
  const AnsiString& webtempdir() const { return Fwebtempdir; }
  const AnsiString& webdocroot() const { return Fwebdocroot; }
  const AnsiString& crawlinipath() const { return Fcrawlinipath; }
  const AnsiString& filepropertydefpath() const { return Ffilepropertydefpath; }
  const AnsiString& actionqueue_savepath() const { return Factionqueue_savepath; }
  const AnsiString& idxserverlog_savepath() const { return Fidxserverlog_savepath; }
  const AnsiString& guestuserdbpath() const { return Fguestuserdbpath; }
  // The comma lists and the fixed CAD extension list.
  const std::vector<AnsiString>& fixed_userid_list() const { return Ffixed_userid_list; }
  const std::vector<AnsiString>& extracttext_extlist() const { return Fextracttext_extlist; }
  const std::vector<AnsiString>& gif_preview_ext_list() const { return Fgif_preview_ext_list; }
  const std::vector<AnsiString>& embed_view_ext_list() const { return Fembed_view_ext_list; }
  const std::vector<AnsiString>& windows_domain() const { return Fwindows_domain; }
  const std::vector<AnsiString>& CadExtList() const { return FCadExtList; }

private:
  void Load();
  void ReadKeys(const TCorvaneSection& section);
  void LoadRoots(const TCorvaneSection& section, const AnsiString& webTempDir);
  void ReadYearRange(const TCorvaneSection& section);
  void LoadMenuStatus(const TCorvaneSection& section);
  static void LoadFixedGroupIds(TFixedGroupIdList& groups, const AnsiString& text,
                                const std::vector<AnsiString>& domains);
  void CheckRootNesting() const;
  void ApplyLimits();

  AnsiString FIniPath;
  AnsiString FDataFolder;
  bool FIsLoaded = false;
  AnsiString FLoadError;
  std::map<AnsiString, int32_t> FExtractPageLimit;  // lower-cased name -> limit
  TCorvaneRootList FRootList;
  TFixedGroupIdList FFixedGroupIdList;
  TCvMenuStatusList FMenuStatusList;
  int32_t FYearFrom = 1980;
  int32_t FYearTo = 2030;

  AnsiString Fbatch_work_dir, Fbatch_log_dir, Faccesslog_dir;
  int32_t Fmax_threadscount = 1, Fbatch_commit_size = 10000, Fbatch_log_interval = 10000;
  int32_t Fbatch_put_threads = 1, Fbatch_hvi_threads = 1;
  int64_t Fmax_extract_text_file_size_kb = 0, Fmax_extract_page_file_size_kb = 0;
  int32_t Fmax_read_text_file_size_kb = 0;
  int32_t Fupload_field_count = 5, Fhyperestraier_startup = 1;
  int64_t Ftimeout_xdoc2txt = 0, Ftimeout_cad2txt = 0, Ftimeout_xdw2txt = 0,
          Ftimeout_mb2splitter = 0;
  int32_t Ffilelist_maxsize_mb = 3, Ffilelist_maxcount = 10;
  int32_t Fdbisam_connection_max_pool_size = 100, Fportnum = 1980;
  double Fsynchronize_task_time = 2.0;
  bool Fuse_windows_security = false, Fguestuser_enabled = false, Flowercase_search = true;
  bool Fcms = false, Fpage_search = false, Fdebug = false, Fuse_sbc = false;
  bool Fversioning = false, Fpagebookmark = false, Fshow_index_thtml = false;
  bool Fshowfileselector = false, Fartery = false, Fuse_template_thtml = false;
  bool Fforce_zip_download = false, Fdirectory_change_notifier_disabled = false;
  AnsiString Fanonymous_user, Fanonymous_passwd, Fanonymous_domain, Ftemparchivefile_name;
  AnsiString Fcorvaneserver_url, Fextractpage_extlist, Fcms_docroot, FExcelDataReaderPath;
  AnsiString Fguestuser_winuserid, Fguestuser_winpassword;
  AnsiString Fhyperestraier_url, Fhyperestraier_user, Fhyperestraier_password;
  AnsiString Flang, Fproductname, Fwebrootname, Fweburl;
  AnsiString Fwebtempdir, Fwebdocroot, Fcrawlinipath, Ffilepropertydefpath;
  AnsiString Factionqueue_savepath, Fidxserverlog_savepath, Fguestuserdbpath;
  std::vector<AnsiString> Ffixed_userid_list, Fextracttext_extlist, Fgif_preview_ext_list;
  std::vector<AnsiString> Fembed_view_ext_list, Fwindows_domain, FCadExtList;
};

// Unit start-up and shutdown: the singleton is created lazily by Instance(); the
// finalization frees it.
void FinalizeCorvaneIniUnit();
