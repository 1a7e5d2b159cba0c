// Speed and memory of the scan worker on a folder tree: walks the tree once to warm the
// file system's caches, then times a bare FindFirstFileW/FindNextFileW walk and a full
// scan (file list, index, error list, folder statistics and log written as the main
// window asks for them), and prints the process's peak memory after the scan.
//
//   scan_bench.exe <tree> <output folder> [--rules]
//
// With --rules the path filter also meets a realistic "exclude.txt" and index roots
// (scan_bench_filter.cpp).
#include "CvIdxBuilder/CvBatchCrawlerUnit.h"
#include "CvIdxBuilder/CvPathValidatorUnit.h"
#include "CvIdxBuilder/CvThreadRunnerUnit.h"
#include "bench/scan_bench_filter.h"
#include "common/CorvaneIniUnit.h"
#include "common/CorvanePathUnit.h"
#include "common/WindowsFolderUnit.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>

namespace {

// Entries below folder, "." and ".." and hidden entries left out as the scan does.
int64_t BareWalk(const WideString& folder) {
  int64_t entries = 0;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return 0;
  do {
    const wchar_t* n = fd.cFileName;
    if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) continue;
    ++entries;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) entries += BareWalk(folder + L"\\" + n);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return entries;
}

// The scan worker with the main window's settings and a chosen output folder.
class TBenchScan : public TBatchCrawlThread {
public:
  TBenchScan(std::unique_ptr<TCrawlTargets> targets, const AnsiString& out)
      : TBatchCrawlThread(std::move(targets), true, 10000, 10000, true, true, 100 * 1048576LL, 1000) {
    FOutputFolder = out;
  }
};

// <chrono> cannot be compiled for code page 932 (its micro sign has no form there).
int64_t Ticks() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

double Seconds(int64_t since) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return static_cast<double>(Ticks() - since) / static_cast<double>(f.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: scan_bench <tree> <output folder> [--rules]\n");
    return 2;
  }
  // The start-up the path filter needs, in the program's order: it tests every entry
  // against the real folders and rules, as in a scan from the main window.
  InitializeWindowsFolderUnit();
  InitializeCorvanePathUnit();
  InitializeCvPathValidatorUnit();
  const WideString tree = ExcludeTrailingBackslashW(AnsiToWide(argv[1]));
  const AnsiString out = argv[2];
  if (argc > 3 && AnsiString(argv[3]) == "--rules" && !UseScanBenchRules(out)) return 2;

  BareWalk(tree);  // warm-up
  int64_t t0 = Ticks();
  const int64_t entries = BareWalk(tree);
  const double bareBefore = Seconds(t0);

  auto targets = std::make_unique<TCrawlTargets>(true);
  targets->Add(tree);
  TCvThreadRunner runner;
  t0 = Ticks();
  runner.Start(std::make_unique<TBenchScan>(std::move(targets), out));
  // The main window drains the mailbox once a second; this drains it more often, so that
  // the finish is seen soon after it happens.
  AnsiString last;
  for (;;) {
    TRunnerState state = runner.GetState();
    while (runner.HasMsg()) {
      last = runner.PopMsg();
      if (last.rfind("ERROR", 0) == 0 || last.rfind("WARN", 0) == 0) std::printf("%s\n", last.c_str());
    }
    if (state == rsFinished) break;
    Sleep(5);
  }
  const double scan = Seconds(t0);
  const AnsiString result = runner.Thread()->ResultMessage();
  runner.FreeThread();

  // A second bare walk after the scan: the machine's load changes over a run, and the
  // mean of the walks on either side of the scan is the fairer yardstick.
  t0 = Ticks();
  BareWalk(tree);
  const double bare = (bareBefore + Seconds(t0)) / 2;

  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);

  std::printf("entries            %lld\n", static_cast<long long>(entries));
  std::printf("bare walk          %.2f s  %.0f entries/s  (mean of %.2f s before and %.2f s after the scan)\n",
              bare, entries / bare, bareBefore, 2 * bare - bareBefore);
  std::printf("scan               %.2f s  %.0f entries/s  (%.2fx the bare walk)\n", scan,
              entries / scan, scan / bare);
  std::printf("scan result        %s\n", result.c_str());
  std::printf("last log line      %s\n", last.c_str());
  std::printf("peak working set   %.1f MB\n", pmc.PeakWorkingSetSize / 1048576.0);
  std::printf("peak pagefile use  %.1f MB\n", pmc.PeakPagefileUsage / 1048576.0);
  FinalizeCvPathValidatorUnit();
  FinalizeCorvaneIniUnit();
  FinalizeCorvanePathUnit();
  FinalizeWindowsFolderUnit();
  return result == "CRAWL DONE." ? 0 : 1;
}
