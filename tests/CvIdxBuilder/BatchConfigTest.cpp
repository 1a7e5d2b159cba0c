// The scanner's use of the main configuration: the batch log folder at start-up and the
// batch work folder of a worker without an output folder.
#include "CvIdxBuilder/CvBatchThreadUnit.h"
#include "common/CorvaneIniUnit.h"
#include "tests/CvIdxBuilder/CvIdxTestHelpers.h"

#include <windows.h>

using namespace testsupport;
using namespace cvidxtest;

namespace {

bool FolderExists(const WideString& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Installs a configuration read from the given lines for the length of a test.
class TScopedConfig {
public:
  TScopedConfig(const TTempDir& dir, const AnsiString& lines) {
    const AnsiString file = dir.File("corvane.ini");
    WriteFileBytes(AnsiToWide(file), "[Corvane]\r\n" + lines);
    TCorvaneIni::ReplaceInstance(std::make_unique<TCorvaneIni>(file, dir.Path() + "\\data\\"));
  }
  ~TScopedConfig() { TCorvaneIni::ReplaceInstance(nullptr); }
};

TEST(BatchConfig, StartUpCreatesAndRegistersTheBatchLogFolder) {
  TTempDir dir;
  // A failed check (here the thread count) still leaves the values read in place.
  TScopedConfig config(dir, "batch_log_dir=" + dir.Path() + "\\Logs\\Batch\\\r\nmax_threadscount=101\r\n");
  ASSERT_FALSE(TCorvaneIni::Instance().IsLoaded());
  InitializeCvBatchThreadUnit();
  EXPECT_TRUE(FolderExists(dir.PathW() + L"\\Logs\\Batch"));
  EXPECT_GE(OkFolderList().IndexOf(AnsiLowerCase(dir.Path() + "\\logs\\batch")), 0);
  EXPECT_EQ(1, OkFolderList().Count());
  FinalizeCvBatchThreadUnit();
}

TEST(BatchConfig, WorkerWithoutOutputFolderWritesIntoTheBatchWorkFolder) {
  TTempDir dir, src;
  MakeFile(src.PathW() + L"\\x.txt");
  const WideString work = dir.PathW() + L"\\作業\\batch";
  TScopedConfig config(dir, "batch_work_dir=" + WideToAnsi(work) + "\r\n");
  TTestCrawler w(src.PathW(), "", true);
  RunToEnd(w);
  EXPECT_EQ("CRAWL DONE.", w.ResultMessage());
  EXPECT_PRED_FORMAT2(BytesEqual, ListImage({src.PathW(), L"\tx.txt"}),
                      ReadFileBytes(work + L"\\J010_FILLST_00.txt"));
  EXPECT_TRUE(FolderExists(work));
}

}  // namespace
