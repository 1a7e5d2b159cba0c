#include "CvIdxBuilder/CvBatchCrawlerUnit.h"

#include "CvIdxBuilder/CvPathValidatorUnit.h"
#include "common/CorvaneIniUnit.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/SysExceptions.h"

#include <cstring>

// --- Categories and statistics --------------------------------------------------------------

namespace {

const char* const kCategoryNames[kExtCategoryCount] = {
    "doc", "xls", "ppt", "pdf", "xdw", "img", "txt", "htm", "dwg", "dxf", "exe", "zip"};

// The longest extension of the table, dot included (".jpeg", ".tiff", ".html").
constexpr size_t kLongestExt = 5;

// An extension of at most kLongestExt bytes as one number (its length, then its bytes), so
// that finding it in the table compares numbers, not texts.
constexpr uint64_t ExtKey(std::string_view ext) {
  uint64_t key = ext.size();
  for (char c : ext) key = (key << 8) | static_cast<unsigned char>(c);
  return key;
}

struct TExtEntry {
  uint64_t Key;
  TExtCategory Category;
};

constexpr TExtEntry kExtTable[] = {
    {ExtKey(".doc"), ecDoc}, {ExtKey(".xls"), ecXls},  {ExtKey(".ppt"), ecPpt},
    {ExtKey(".pdf"), ecPdf}, {ExtKey(".xdw"), ecXdw},  {ExtKey(".gif"), ecImg},
    {ExtKey(".jpg"), ecImg}, {ExtKey(".jpeg"), ecImg}, {ExtKey(".tif"), ecImg},
    {ExtKey(".tiff"), ecImg}, {ExtKey(".png"), ecImg}, {ExtKey(".bmp"), ecImg},
    {ExtKey(".txt"), ecTxt}, {ExtKey(".htm"), ecHtm},  {ExtKey(".html"), ecHtm},
    {ExtKey(".dwg"), ecDwg}, {ExtKey(".dxf"), ecDxf},  {ExtKey(".exe"), ecExe},
    {ExtKey(".com"), ecExe}, {ExtKey(".dll"), ecExe},  {ExtKey(".zip"), ecZip},
    {ExtKey(".lzh"), ecZip}, {ExtKey(".cab"), ecZip},  {ExtKey(".msi"), ecZip}};

// Closes a find handle on every way out of a folder's walk.
class TFindHandle {
public:
  explicit TFindHandle(HANDLE h) : FHandle(h) {}
  ~TFindHandle() {
    if (Valid()) FindClose(FHandle);
  }
  TFindHandle(const TFindHandle&) = delete;
  TFindHandle& operator=(const TFindHandle&) = delete;
  bool Valid() const { return FHandle != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return FHandle; }

private:
  HANDLE FHandle;
};

bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// The category of a file name by the extension of its ANSI form, ASCII letters lower-cased.
// Most names end in an ASCII extension, whose ANSI form is the same text: only the others
// need the conversion of the whole name (a system call per file).
int CategoryOfName(std::wstring_view name) {
  const size_t dot = name.rfind(L'.');
  for (size_t i = dot == std::wstring_view::npos ? 0 : dot; i < name.size(); ++i) {
    if (name[i] >= 0x80) return ExtCategoryOf(AnsiLowerCase(ExtractFileExt(WideToAnsi(name))));
  }
  if (dot == std::wstring_view::npos || name.size() - dot > kLongestExt) return -1;
  char ext[kLongestExt];
  const size_t length = name.size() - dot;
  for (size_t i = 0; i < length; ++i) {
    const wchar_t ch = name[dot + i];
    ext[i] = static_cast<char>(ch >= L'A' && ch <= L'Z' ? ch - L'A' + L'a' : ch);
  }
  return ExtCategoryOf(std::string_view(ext, length));
}

}  // namespace

const char* ExtCategoryName(TExtCategory c) { return kCategoryNames[c]; }

void StatsClear(TFolderStats& stats) { std::memset(&stats, 0, sizeof stats); }

void StatsAdd(TFolderStats& parent, const TFolderStats& child) {
  parent.Files += child.Files;
  parent.Size += child.Size;
  for (int i = 0; i < kExtCategoryCount; ++i) {
    parent.Counts[i] += child.Counts[i];
    parent.Bytes[i] += child.Bytes[i];
  }
}

int ExtCategoryOf(std::string_view lowerExt) {
  if (lowerExt.size() > kLongestExt) return -1;
  const uint64_t key = ExtKey(lowerExt);
  for (const TExtEntry& e : kExtTable) {
    if (key == e.Key) return e.Category;
  }
  return -1;
}

void ClassifyExt(const WideString& name, TFolderStats& stats, int64_t size) {
  stats.Files += 1;
  stats.Size += size;
  const int c = CategoryOfName(name);
  if (c >= 0) {
    stats.Counts[c] += 1;
    stats.Bytes[c] += size;
  }
}

int64_t FindDataSize(const WIN32_FIND_DATAW& data) {
  return static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) |
                              static_cast<uint64_t>(data.nFileSizeLow));
}

// --- TBatchCrawlThread ----------------------------------------------------------------------

TBatchCrawlThread::TBatchCrawlThread(std::unique_ptr<TCrawlTargets> targets, bool recursive,
                                     int32_t reportInterval, int32_t flushInterval,
                                     bool makeFileList, bool makeDirList, int64_t minSize,
                                     int64_t minCount)
    : FTargets(std::move(targets)),
      FReportInterval(reportInterval),
      FFlushInterval(flushInterval),
      FMakeFileList(makeFileList),
      FMakeDirList(makeDirList),
      FMinSize(minSize),
      FMinCount(minCount),
      FRecursive(recursive) {
  if (!FTargets) FTargets = std::make_unique<TCrawlTargets>(true);
  // Both divide entry or line counts; 0 would end the worker with a division by zero.
  if (reportInterval < 1) throw EConvertError("Report interval must be at least 1: " + IntToStr(reportInterval));
  if (flushInterval < 1) throw EConvertError("Flush interval must be at least 1: " + IntToStr(flushInterval));
}

TBatchCrawlThread::~TBatchCrawlThread() {
  // The body reads the targets; it must have ended before they go.
  WaitForEnd();
  FTargets.reset();
}

void TBatchCrawlThread::LogAndPost(TLogAppender& log, TLogLevel level, const AnsiString& message) {
  AnsiString display;
  log.Append(level, message, display);
  PostMsg(display);
}

void TBatchCrawlThread::Execute() {
  const AnsiString prefix = Prefix();
  TBatchResult result = brDone;
  for (int i = 0; i < FTargets->Count(); ++i) {
    if (CheckAbort()) {
      PostMsg(prefix + " ABORTED");
      result = brStopped;
      break;
    }
    WideString folder;
    FTargets->Get(i, folder);
    result = CrawlTarget(i, folder);
    if (result == brStopped || result == brAbended) break;
  }
  switch (result) {
    case brDone: SetResult(brDone, 0, 0, 0, "CRAWL DONE."); break;
    case brStopped: SetResult(brStopped, 0, 0, -1, "CRAWL STOPped."); break;
    default: SetResult(brAbended, -1, 0, -1, "CRAWL ABENDed."); break;
  }
}

AnsiString TBatchCrawlThread::PrepareOutputFolder(AnsiString& nn) {
  if (FOutputFolder.empty()) {
    // The batch work folder of the main configuration, created by its getter when missing;
    // the file names keep the target's index.
    return IncludeTrailingBackslash(TCorvaneIni::Instance().GetBatchWorkDir());
  }
  nn = "00";
  if (!DirectoryExists(FOutputFolder) && !ForceDirectories(ExcludeTrailingBackslash(FOutputFolder))) {
    // A fatal finish; the main window shows this text with the failure.
    throw EFCreateError("作業フォルダを作成できません: " + FOutputFolder);
  }
  return IncludeTrailingBackslash(FOutputFolder);
}

TBatchResult TBatchCrawlThread::CrawlTarget(int index, const WideString& folder) {
  const AnsiString prefix = Prefix();
  const TDateTime startTime = Now();
  AnsiString nn = Format("%2.2d", index);
  const AnsiString dir = PrepareOutputFolder(nn);
  const AnsiString fileListName = dir + prefix + "_FILLST_" + nn + ".txt";
  const AnsiString errListName = dir + prefix + "_ERRLST_" + nn + ".txt";
  const AnsiString dirListName = dir + prefix + "_DIRLST_" + nn + ".txt";
  const AnsiString logName =
      dir + prefix + "_FILLST_" + nn + FormatDateTime("_yyyymmdd_hhnnss", startTime) + ".log";

  auto log = std::make_unique<TLogAppender>(logName);
  std::unique_ptr<TFileListWriter> fileList;
  std::unique_ptr<TStringListWriter> errList;
  std::unique_ptr<TDirListWriter> dirList;
  if (FMakeFileList) {
    fileList = std::make_unique<TFileListWriter>(AnsiToWide(fileListName), FFlushInterval, folder);
    errList = std::make_unique<TStringListWriter>(AnsiToWide(errListName), FFlushInterval);
  }
  if (FMakeDirList) dirList = std::make_unique<TDirListWriter>(AnsiToWide(dirListName));

  TBatchResult result = CrawlFolderTree(folder, fileList.get(), dirList.get(), errList.get(), *log);
  // The closing index record can fail like any write; that failure must reach the caller.
  if (fileList) fileList->Close();
  fileList.reset();
  log.reset();
  dirList.reset();
  errList.reset();
  return result;
}

TBatchResult TBatchCrawlThread::CrawlFolderTree(const WideString& folder, TFileListWriter* fileList,
                                                TDirListWriter* dirList, TStringListWriter* errList,
                                                TLogAppender& log) {
  TCrawlCounters counters;
  TFolderStats root;
  StatsClear(root);
  // Each scan's log names every exclusion rule the engine gives up on.
  if (FPathScratch) FPathScratch->ForgetGiveUps();
  LogAndPost(log, TLogLevel::llInfo, "START crawling: " + WideToAnsi(folder));
  if (FReportInterval > 1000) {
    LogAndPost(log, TLogLevel::llInfo,
               "当初" + IntToStr(FReportInterval) + "件までは1000件毎に報告します");
  }

  TBatchResult result;
  try {
    result = Walk(folder, false, fileList, dirList, errList, log, FMinSize, FMinCount, counters, root);
  } catch (const Exception& e) {
    result = brAbended;
    LogAndPost(log, TLogLevel::llError, e.Message().empty() ? AnsiString(e.ClassName()) : e.Message());
  } catch (const std::exception& e) {
    result = brAbended;
    LogAndPost(log, TLogLevel::llError, e.what());
  } catch (...) {
    result = brAbended;
    LogAndPost(log, TLogLevel::llError, "Unknown exception");
  }
  counters.Nodes += 1;  // the target folder itself

  if (fileList) fileList->Flush();
  if (dirList) dirList->Flush();
  if (errList) errList->Flush();
  LogAndPost(log, TLogLevel::llDone,
             IntToStr(counters.Nodes) + " nodes, " + IntToStr(counters.Files) + " files in " +
                 IntToStr(counters.Folders) + " folders scanned");
  return result;
}

void TBatchCrawlThread::ReportSearchFailure(TLogAppender& log, const WideString& folder, DWORD error) {
  // A folder the scan may not read would otherwise look empty in every list: the line
  // tells a complete listing from one that misses whole folders.
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return;
  LogAndPost(log, TLogLevel::llWarn,
             "フォルダを読み取れません: " + WideToAnsi(folder) + " (" + SysErrorMessage(error) + ")");
}

void TBatchCrawlThread::ReportRuleGiveUps(TLogAppender& log) {
  // The path stays listed as if the rule did not apply; the line tells the user that the
  // rule decided nothing for it.
  for (const AnsiString& report : FPathScratch->TakeGiveUps())
    LogAndPost(log, TLogLevel::llWarn, report);
}

TBatchResult TBatchCrawlThread::Walk(const WideString& folder, bool includeHidden,
                                     TFileListWriter* fileList, TDirListWriter* dirList,
                                     TStringListWriter* errList, TLogAppender& log,
                                     int64_t minSize, int64_t minCount, TCrawlCounters& counters,
                                     TFolderStats& stats) {
  if (CheckAbort()) {
    LogAndPost(log, TLogLevel::llWarn, "ABORTED");
    return brStopped;
  }
  const WideString dir = IncludeTrailingBackslashW(folder);
  // The pattern stays wide: a folder whose name has no ANSI form must still be searched.
  const WideString pattern = dir + L"*";
  if (fileList) fileList->BeginFolder(folder);
  counters.Folders += 1;

  WIN32_FIND_DATAW fd;
  {
    TFindHandle find(FindFirstFileW(pattern.c_str(), &fd));
    if (!find.Valid()) {
      ReportSearchFailure(log, folder, GetLastError());
    } else {
      TCvPathValidator& validator = TCvPathValidator::Instance();
      if (!FPathScratch) FPathScratch = std::make_unique<TCvPathScratch>();
      WideString path;
      // The folder's line was written on entry; a subfolder's walk writes its own lines, so
      // files that follow one need this folder's line again.
      bool folderLineCurrent = true;
      do {
        if (IsDotEntry(fd.cFileName)) continue;
        // Hidden entries are skipped without a trace: not counted, not in the error list.
        if (!includeHidden && (fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN)) continue;
        if (CheckAbort()) {
          LogAndPost(log, TLogLevel::llWarn, "ABORTED");
          return brStopped;
        }
        path.assign(dir);
        path += fd.cFileName;
        const bool valid = validator.IsValid(path, *FPathScratch);
        if (FPathScratch->HasGiveUps()) ReportRuleGiveUps(log);
        if (!valid) {
          if (errList) errList->AddLine(path);
          continue;
        }
        counters.Nodes += 1;
        if (FReportInterval > 1000 && counters.Nodes < FReportInterval && counters.Nodes % 1000 == 0) {
          LogAndPost(log, TLogLevel::llInfo, IntToStr(counters.Nodes) + ": scan 済.");
        }
        if (counters.Nodes % FReportInterval == 0) {
          AnsiString display;
          log.AppendCheckpoint(" nodes, " + IntToStr(counters.Files) + " files in " +
                                   IntToStr(counters.Folders) + " folders scanned",
                               counters.Nodes, display);
          PostMsg(display);
        }
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          if (FRecursive) {
            TFolderStats child;
            StatsClear(child);
            child.Level = stats.Level + 1;
            if (Walk(path, includeHidden, fileList, dirList, errList, log, minSize, minCount,
                     counters, child) == brStopped) {
              LogAndPost(log, TLogLevel::llWarn, "ABORTED");
              return brStopped;
            }
            folderLineCurrent = false;
            if (dirList) StatsAdd(stats, child);
          }
        } else {
          counters.Files += 1;
          if (dirList) ClassifyExt(fd.cFileName, stats, FindDataSize(fd));
          if (fileList) {
            if (!folderLineCurrent) {
              fileList->BeginFolder(folder);
              folderLineCurrent = true;
            }
            fileList->AddFile(fd.cFileName);
          }
        }
      } while (FindNextFileW(find.Get(), &fd));
      ReportSearchFailure(log, folder, GetLastError());
    }
  }

  if (dirList && (stats.Level < 2 || stats.Size >= minSize || stats.Files >= minCount)) {
    dirList->AddFolder(folder, stats);
  }
  return brDone;
}
