#include "scanner/ScannerMenuUnit.h"

TBatchScanThread::TBatchScanThread(std::unique_ptr<TCrawlTargets> targets, bool recursive,
                                   int32_t reportInterval, int32_t flushInterval,
                                   bool makeFileList, bool makeDirList, int64_t minSize,
                                   int64_t minCount, const AnsiString& workFolder)
    : TBatchCrawlThread(std::move(targets), recursive, reportInterval, flushInterval, makeFileList,
                        makeDirList, minSize, minCount) {
  // The thread is created suspended, so the folder is in place before the body runs.
  FOutputFolder = workFolder;
}
