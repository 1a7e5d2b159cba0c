// The scan worker: walks each target folder tree with the wide find functions, sends every
// entry through the path filter, keeps per-folder statistics by extension category and
// writes the file list (with its index), the error list, the folder statistics list and
// the scan log. Its log lines also go to the mailbox, which is all the GUI sees of a scan.
#pragma once

#include "CvIdxBuilder/CvBatchThreadUnit.h"
#include "CvIdxBuilder/CvCrawlTargetsUnit.h"
#include "CvIdxBuilder/CvFileListIOUnit.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string_view>

class TCvPathScratch;

// Extension categories of the folder statistics, in slot order. The list writes its
// columns in another order (see TDirListWriter).
enum TExtCategory : int {
  ecDoc = 0, ecXls, ecPpt, ecPdf, ecXdw, ecImg, ecTxt, ecHtm, ecDwg, ecDxf, ecExe, ecZip
};
constexpr int kExtCategoryCount = 12;
// "doc", "xls", ... as the list's header names them.
const char* ExtCategoryName(TExtCategory c);

// Statistics of one folder's subtree; zero-filled by StatsClear before use.
struct TFolderStats {
  int32_t Level;  // 0 for the target folder
  int64_t Files;
  int64_t Size;
  int64_t Counts[kExtCategoryCount];
  int64_t Bytes[kExtCategoryCount];
};

// Running counters of one target.
struct TCrawlCounters {
  int64_t Nodes = 0;    // accepted entries, plus 1 for the target itself at the end
  int64_t Files = 0;    // accepted files
  int64_t Folders = 0;  // folders whose walk began, the target included
};

void StatsClear(TFolderStats& stats);
// Adds the child's counts and sizes into the parent's; the level is not touched.
void StatsAdd(TFolderStats& parent, const TFolderStats& child);
// Counts the file in Files and Size and, when its extension (from the last '.', on the
// ANSI form of the name, ASCII letters lower-cased) is one of the table's, in that category.
void ClassifyExt(const WideString& name, TFolderStats& stats, int64_t size);
// The category of a lower-case extension with its dot, or -1.
int ExtCategoryOf(std::string_view lowerExt);
int64_t FindDataSize(const WIN32_FIND_DATAW& data);

class TBatchCrawlThread : public TCvBatchThread {
public:
  // Created suspended; takes the targets. reportInterval and flushInterval must be at
  // least 1 (they divide counts). A report interval over 1000 also gives progress lines
  // every 1000 entries until the first checkpoint.
  TBatchCrawlThread(std::unique_ptr<TCrawlTargets> targets, bool recursive, int32_t reportInterval,
                    int32_t flushInterval, bool makeFileList, bool makeDirList, int64_t minSize,
                    int64_t minCount);
  ~TBatchCrawlThread() override;
  const char* ClassName() const override { return "TBatchCrawlThread"; }

  // One target: opens the log and the writers in the output folder, walks, closes them.
  TBatchResult CrawlTarget(int index, const WideString& folder);
  // Walks one target with the writers given (any may be absent) and logs its start and
  // closing lines. A failure inside the walk ends it as abended, with an ERROR line.
  TBatchResult CrawlFolderTree(const WideString& folder, TFileListWriter* fileList,
                               TDirListWriter* dirList, TStringListWriter* errList,
                               TLogAppender& log);
  // One folder and, when recursive, its subfolders: brDone or brStopped. A folder that
  // cannot be searched is listed as empty, with a WARN line saying why. An exclusion rule
  // the engine gives up on excludes nothing and gets one WARN line per scan.
  TBatchResult Walk(const WideString& folder, bool includeHidden, TFileListWriter* fileList,
                    TDirListWriter* dirList, TStringListWriter* errList, TLogAppender& log,
                    int64_t minSize, int64_t minCount, TCrawlCounters& counters,
                    TFolderStats& stats);

  const AnsiString& OutputFolder() const { return FOutputFolder; }
  const TCrawlTargets& Targets() const { return *FTargets; }

protected:
  void Execute() override;
  // Writes a log line and posts what the log view shows of it.
  void LogAndPost(TLogAppender& log, TLogLevel level, const AnsiString& message);
  // A WARN line naming the folder and the system's reason, unless the search only found no
  // entries; the walk goes on either way.
  void ReportSearchFailure(TLogAppender& log, const WideString& folder, DWORD error);
  // A WARN line for each exclusion rule the engine gave up on for the first time in this
  // scan (the path filter's reports); the path was tested as if the rule did not apply.
  void ReportRuleGiveUps(TLogAppender& log);
  // The folder, with a trailing backslash, that receives the output files; nn becomes the
  // index text of the file names. Creates a missing folder.
  AnsiString PrepareOutputFolder(AnsiString& nn);

  // Empty: the batch work folder of the main configuration.
  AnsiString FOutputFolder;

private:
  AnsiString Prefix() const { return FTargets->IsPrimary() ? "J010" : "J011"; }

  std::unique_ptr<TCrawlTargets> FTargets;
  int32_t FReportInterval;
  int32_t FFlushInterval;
  bool FMakeFileList;
  bool FMakeDirList;
  int64_t FMinSize;
  int64_t FMinCount;
  bool FRecursive;
  // The path filter's scratch, reused for every path of the crawl (worker thread only).
  std::unique_ptr<TCvPathScratch> FPathScratch;
};
