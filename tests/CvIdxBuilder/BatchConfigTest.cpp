// The scanner's use of the main configuration: the batch log folder at start-up and the
// batch work folder of a worker without an output folder.
#include "CvIdxBuilder/CvBatchThreadUnit.h"
#include "common/CorvaneIniUnit.h"
#include "tests/CvIdxBuilder/CvIdxTestHelpers.h"

#include <windows.h>

#include <algorithm>
#include <set>

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

// Two targets, each holding one file named after it.
class TTwoTargetCrawler : public TBatchCrawlThread {
public:
  TTwoTargetCrawler(bool primary, const WideString& a, const WideString& b, const AnsiString& output)
      : TBatchCrawlThread(Targets(primary, a, b), true, 10000, 10000, true, true, 1, 1) {
    FOutputFolder = output;
  }

private:
  static std::unique_ptr<TCrawlTargets> Targets(bool primary, const WideString& a, const WideString& b) {
    auto t = std::make_unique<TCrawlTargets>(primary);
    t->Add(a);
    t->Add(b);
    return t;
  }
};

TEST(BatchConfig, OutputNamesCarryThePrefixAndTheTargetIndexUnlessAFolderIsGiven) {
  const struct {
    bool primary;
    bool ownFolder;
    std::vector<WideString> lists;  // the list files found afterwards, sorted
    WideString lastFileList;        // what the last "_FILLST_" list holds
  } cases[] = {
      {true, false,
       {L"J010_DIRLST_00.txt", L"J010_DIRLST_01.txt", L"J010_ERRLST_00.txt", L"J010_ERRLST_01.txt",
        L"J010_FILLST_00.idx", L"J010_FILLST_00.txt", L"J010_FILLST_01.idx", L"J010_FILLST_01.txt"},
       L"J010_FILLST_01.txt"},
      // A given folder numbers every target "00": the second target's files replace the first's.
      {false, true,
       {L"J011_DIRLST_00.txt", L"J011_ERRLST_00.txt", L"J011_FILLST_00.idx", L"J011_FILLST_00.txt"},
       L"J011_FILLST_00.txt"},
  };
  for (const auto& c : cases) {
    TTempDir dir, a, b;
    MakeFile(a.PathW() + L"\\a.txt");
    MakeFile(b.PathW() + L"\\b.txt");
    const WideString work = dir.PathW() + L"\\work";
    TScopedConfig config(dir, "batch_work_dir=" + WideToAnsi(work) + "\r\n");
    const WideString out = c.ownFolder ? dir.PathW() + L"\\own" : work;
    TTwoTargetCrawler w(c.primary, a.PathW(), b.PathW(), c.ownFolder ? WideToAnsi(out) : AnsiString());
    RunToEnd(w);
    EXPECT_EQ("CRAWL DONE.", w.ResultMessage());
    std::vector<WideString> lists, logs;
    for (const WideString& n : EnumOrder(out)) (n.substr(n.size() - 4) == L".log" ? logs : lists).push_back(n);
    std::sort(lists.begin(), lists.end());
    EXPECT_EQ(c.lists, lists) << c.primary;
    // prefix _FILLST_ nn _yyyymmdd_hhnnss .log; both targets of a given folder may share
    // one log when they start within the same second.
    std::set<WideString> logHeads;
    for (const WideString& n : logs) {
      EXPECT_EQ(n.size(), WideString(L"J010_FILLST_00_20260101_000000.log").size()) << WideToUtf8(n);
      logHeads.insert(n.substr(0, 15));
    }
    const std::set<WideString> heads =
        c.primary ? std::set<WideString>{L"J010_FILLST_00_", L"J010_FILLST_01_"}
                  : std::set<WideString>{L"J011_FILLST_00_"};
    EXPECT_EQ(heads, logHeads);
    EXPECT_PRED_FORMAT2(BytesEqual, ListImage({b.PathW(), L"\tb.txt"}),
                        ReadFileBytes(out + L"\\" + c.lastFileList));
  }
}

}  // namespace
