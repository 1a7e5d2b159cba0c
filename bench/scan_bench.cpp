// Speed and memory of the scan worker on a folder tree: a bare FindFirstFileW/FindNextFileW
// walk of the tree against a full scan (file list, index, error list, folder statistics and
// log written as the main window asks for them), and the process's peak memory.
//
//   scan_bench.exe <tree> <output folder> [--rules] [--rounds N]
//
// Both run the same way: on a worker thread started through the thread runner, while this
// thread polls the runner as the main window's timer does (more often, so that the finish is
// seen soon). The walk is bound by the system's file calls, whose cost moves with the
// machine's load; each round runs a walk and then a scan, and the figures given are the
// medians over the rounds. Each worker also reads its own CPU time: the scan's user-mode
// time less the walk's, per entry, is the scan's own work (conversions, filter, statistics,
// list lines), the figure the load moves least. With --rules the path filter also meets a
// realistic "exclude.txt" and index roots (scan_bench_filter.cpp).
//
// The last line is for scripts: "result <entries> <walk s> <scan s> <ratio> <own us per
// entry> <peak MB> <peak MB above the start>", medians over the rounds.
#include "CvIdxBuilder/CvBatchCrawlerUnit.h"
#include "CvIdxBuilder/CvPathValidatorUnit.h"
#include "CvIdxBuilder/CvThreadRunnerUnit.h"
#include "bench/BenchClock.h"
#include "bench/scan_bench_filter.h"
#include "common/CorvaneIniUnit.h"
#include "common/CorvanePathUnit.h"
#include "common/WindowsFolderUnit.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

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

double FileTimeSeconds(const FILETIME& t) {
  return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
}

// The calling thread's CPU seconds so far, in user mode and in all. Wine reads them from
// the running thread only, so each worker takes its own at the end of its body.
struct TCpuTime {
  double User = 0;
  double All = 0;
};

TCpuTime ThreadCpuSeconds() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return {};
  return {FileTimeSeconds(user), FileTimeSeconds(kernel) + FileTimeSeconds(user)};
}

// The bare walk as a worker, so that it runs under the same conditions as the scan.
class TBareWalk : public TCvBatchThread {
public:
  explicit TBareWalk(const WideString& tree) : FTree(tree) {}
  const char* ClassName() const override { return "TBareWalk"; }
  int64_t Entries() const { return FEntries; }
  TCpuTime Cpu() const { return FCpu; }

protected:
  void Execute() override {
    FEntries = BareWalk(FTree);
    FCpu = ThreadCpuSeconds();
    SetResult(brDone, 0, 0, 0, "WALK DONE.");
  }

private:
  WideString FTree;
  int64_t FEntries = 0;
  TCpuTime FCpu;
};

// The scan worker with the main window's settings and a chosen output folder.
class TBenchScan : public TBatchCrawlThread {
public:
  TBenchScan(std::unique_ptr<TCrawlTargets> targets, const AnsiString& out)
      : TBatchCrawlThread(std::move(targets), true, 10000, 10000, true, true, 100 * 1048576LL, 1000) {
    FOutputFolder = out;
  }
  TCpuTime Cpu() const { return FCpu; }

protected:
  void Execute() override {
    TBatchCrawlThread::Execute();
    FCpu = ThreadCpuSeconds();  // read by the owner once the thread has ended
  }

private:
  TCpuTime FCpu;
};

// One worker's run: wall-clock seconds and the worker's CPU seconds.
struct TRunTime {
  double Wall = 0;
  TCpuTime Cpu;
};

// The middle value (the mean of the two middle ones for an even count).
double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double WorkingSetMB(bool peak) {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  return (peak ? pmc.PeakWorkingSetSize : pmc.WorkingSetSize) / 1048576.0;
}

// Runs the worker to its end (the thread included) and leaves the runner holding it.
// Warnings and errors of the scan are shown as they come.
double RunWorker(TCvThreadRunner& runner, std::unique_ptr<TCvBatchThread> worker, AnsiString& last) {
  const double t0 = NowMicroseconds();
  runner.Start(std::move(worker));
  for (;;) {
    TRunnerState state = runner.GetState();
    while (runner.HasMsg()) {
      last = runner.PopMsg();
      if (last.rfind("ERROR", 0) == 0 || last.rfind("WARN", 0) == 0) std::printf("%s\n", last.c_str());
    }
    if (state == rsFinished) break;
    Sleep(5);
  }
  const double wall = (NowMicroseconds() - t0) / 1e6;
  WaitForSingleObject(runner.Thread()->Handle(), INFINITE);
  return wall;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: scan_bench <tree> <output folder> [--rules] [--rounds N]\n");
    return 2;
  }
  // Wine maps the program's image, debug sections included, into private memory: what the
  // process holds before any work is its baseline, not the scan's.
  const double startMB = WorkingSetMB(false);
  bool rules = false;
  int rounds = 5;
  for (int i = 3; i < argc; ++i) {
    const AnsiString a = argv[i];
    if (a == "--rules") rules = true;
    else if (a == "--rounds" && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
  }
  // The start-up the path filter needs, in the program's order: it tests every entry
  // against the real folders and rules, as in a scan from the main window.
  InitializeWindowsFolderUnit();
  InitializeCorvanePathUnit();
  InitializeCvPathValidatorUnit();
  const WideString tree = ExcludeTrailingBackslashW(AnsiToWide(argv[1]));
  const AnsiString out = argv[2];
  if (rules && !UseScanBenchRules(out)) return 2;

  BareWalk(tree);  // warm-up: the file system's caches hold the tree from here on
  std::vector<double> walks, scans, ratios, ownUs;
  int64_t entries = 0;
  AnsiString result, last;
  for (int r = 0; r < rounds; ++r) {
    TCvThreadRunner walker;
    TRunTime walk;
    walk.Wall = RunWorker(walker, std::make_unique<TBareWalk>(tree), last);
    const auto& walkThread = static_cast<const TBareWalk&>(*walker.Thread());
    entries = walkThread.Entries();
    walk.Cpu = walkThread.Cpu();
    walker.FreeThread();

    auto targets = std::make_unique<TCrawlTargets>(true);
    targets->Add(tree);
    TCvThreadRunner scanner;
    TRunTime scan;
    scan.Wall = RunWorker(scanner, std::make_unique<TBenchScan>(std::move(targets), out), last);
    scan.Cpu = static_cast<const TBenchScan&>(*scanner.Thread()).Cpu();
    result = scanner.Thread()->ResultMessage();
    scanner.FreeThread();
    std::printf("round %d  walk %.2f s (CPU %.2f s, user %.2f s)  scan %.2f s (CPU %.2f s, user %.2f s)  %.2fx\n",
                r + 1, walk.Wall, walk.Cpu.All, walk.Cpu.User, scan.Wall, scan.Cpu.All, scan.Cpu.User,
                scan.Wall / walk.Wall);
    walks.push_back(walk.Wall);
    scans.push_back(scan.Wall);
    ratios.push_back(scan.Wall / walk.Wall);
    // The scan's own work beside the walk's: the difference of the user-mode times, the
    // part of the CPU time that the machine's load moves least.
    ownUs.push_back((scan.Cpu.User - walk.Cpu.User) * 1e6 / static_cast<double>(entries));
  }
  const double peakMB = WorkingSetMB(true);
  // Each round pairs a walk and a scan run moments apart, under much the same load: the
  // middle round's figures are the ones a burst of other work moves least.
  const double walk = Median(walks), scan = Median(scans), ratio = Median(ratios), own = Median(ownUs);

  std::printf("entries            %lld\n", static_cast<long long>(entries));
  std::printf("bare walk          %.2f s  %.0f entries/s (median of the rounds)\n", walk, entries / walk);
  std::printf("scan               %.2f s  %.0f entries/s (median of the rounds)\n", scan, entries / scan);
  std::printf("scan / bare walk   %.2fx (median of the rounds' ratios)\n", ratio);
  std::printf("scan's own work    %.2f us of user CPU per entry (median)\n", own);
  std::printf("scan result        %s\n", result.c_str());
  std::printf("last log line      %s\n", last.c_str());
  std::printf("peak working set   %.1f MB (%.1f MB before any work)\n", peakMB, startMB);
  std::printf("result %lld %.3f %.3f %.3f %.2f %.1f %.1f\n", static_cast<long long>(entries), walk,
              scan, ratio, own, peakMB, peakMB - startMB);
  FinalizeCvPathValidatorUnit();
  FinalizeCorvaneIniUnit();
  FinalizeCorvanePathUnit();
  FinalizeWindowsFolderUnit();
  return result == "CRAWL DONE." ? 0 : 1;
}
