// Helpers shared by the scan worker's tests: UTF-16 file images, log line parsing and a
// crawler whose output folder the test chooses.
#pragma once

#include "CvIdxBuilder/CvBatchCrawlerUnit.h"
#include "tests/support/TestSupport.h"

#include <string>
#include <vector>

namespace cvidxtest {

// BOM + each line + CR LF, in UTF-16LE.
std::string ListImage(const std::vector<WideString>& lines);
// Index records "lines TAB bytes TAB folder CR LF" as text, without the BOM.
WideString IdxRecord(int64_t lines, int64_t bytes, const WideString& folder);

// The log's lines (CP932 bytes) split at CR LF; fails the test when the file does not end
// with one. The time field of each line is checked for "yyyy/mm/dd HH:MM:ss" and replaced
// by "<T>".
std::vector<AnsiString> LogLines(const WideString& path);
// Same masking for display lines; required: fail when the line has no time stamp.
AnsiString MaskTime(const AnsiString& line, bool required = true);

// An empty file, or one of the given size.
void MakeFile(const WideString& path, int64_t size = 0);
void MakeHidden(const WideString& path);

// The names of a folder's entries in the order the file system returns them.
std::vector<WideString> EnumOrder(const WideString& folder);

// A crawler with a chosen output folder and the first target given.
class TTestCrawler : public TBatchCrawlThread {
public:
  TTestCrawler(const WideString& target, const AnsiString& outputFolder, bool fileList,
               int32_t reportInterval = 10000, int64_t minSize = 100 * 1048576LL,
               int64_t minCount = 1000, int32_t flushInterval = 10000);
  void SetOutputFolder(const AnsiString& folder) { FOutputFolder = folder; }
  // Every mailbox line, in order.
  std::vector<AnsiString> Drain();
};

// Starts a worker through a runner, waits for the finish and frees nothing.
void RunToEnd(TCvBatchThread& worker);

}  // namespace cvidxtest
