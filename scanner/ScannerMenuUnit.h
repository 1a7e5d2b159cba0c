// The main window's unit: the scan worker it starts.
#pragma once

#include "CvIdxBuilder/CvBatchCrawlerUnit.h"

// The scan worker the main window creates: a crawl whose output goes to the work folder.
class TBatchScanThread : public TBatchCrawlThread {
public:
  TBatchScanThread(std::unique_ptr<TCrawlTargets> targets, bool recursive, int32_t reportInterval,
                   int32_t flushInterval, bool makeFileList, bool makeDirList, int64_t minSize,
                   int64_t minCount, const AnsiString& workFolder);
  const char* ClassName() const override { return "TBatchScanThread"; }
};
