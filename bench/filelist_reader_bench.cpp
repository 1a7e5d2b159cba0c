// Speed of a range read through a file list's index against reading the whole list.
//
// Writes a file list of the given number of lines (default 5,000,000) with its index
// through the scan's own writer (a block every 10,000 lines, as a scan flushes), then
// times, each with a freshly opened reader (the index is loaded every time):
//   - reading 20 entries from several start lines, 4,000,000 among them;
//   - reading the whole list from line 0.
// The list and its index are written to the given folder and removed at the end.
//
//   filelist_reader_bench.exe <work folder> [lines]
#include "CvIdxBuilder/CvFileListIOUnit.h"
#include "bench/BenchFileList.h"
#include "platform/rtl/SysExceptions.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Seconds() {
  static LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(freq.QuadPart);
}

struct TRun {
  double Seconds = 0;
  int64_t Entries = 0;
  int64_t NextLine = 0;
};

// Opens the list, reads from start until count entries were handed out (0: all).
TRun Read(const WideString& file, int64_t start, int64_t count) {
  TRun run;
  double t0 = Seconds();
  TFileListReader reader(file);
  run.NextLine = start;
  reader.ReadRange(nullptr, run.NextLine,
                   [&](const WideString&, bool, int64_t, void*, uint8_t& stop) {
                     if (++run.Entries == count) stop = kFileListStopDone;
                   });
  run.Seconds = Seconds() - t0;
  return run;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: filelist_reader_bench <work folder> [lines]\n");
    return 2;
  }
  const WideString folder = ExcludeTrailingBackslashW(AnsiToWide(argv[1]));
  const int64_t lines = argc > 2 ? StrToInt64(argv[2]) : 5000000;
  const WideString list = folder + L"\\bench_FILLST_01.txt";
  try {
    double t0 = Seconds();
    WriteBenchList(list, lines);
    std::printf("list written: %lld lines, %lld bytes, in %.2f s\n", static_cast<long long>(lines),
                static_cast<long long>(TFileListIdx(ChangeFileExtW(list, L".idx")).TotalSize()),
                Seconds() - t0);

    Read(list, 0, 0);  // warms the file cache, as a list just written would be
    std::vector<double> fulls;
    int64_t all = 0;
    for (int i = 0; i < 3; ++i) {
      TRun full = Read(list, 0, 0);
      fulls.push_back(full.Seconds);
      all = full.Entries;
    }
    const double fullMedian = Median(fulls);
    std::printf("whole list:        %lld entries, median of 3 reads %.3f s\n",
                static_cast<long long>(all), fullMedian);

    const int64_t starts[] = {0, 1000000, 2500000, 4000000, lines - 20};
    double at4M = 0;
    for (int64_t start : starts) {
      if (start < 0 || start >= lines) continue;
      std::vector<double> times;
      TRun run;
      for (int i = 0; i < 25; ++i) {
        run = Read(list, start, 20);
        times.push_back(run.Seconds);
      }
      const double median = Median(times);
      if (start == 4000000) at4M = median;
      std::printf("20 entries from %8lld: %lld entries, median of 25 reads %.3f ms, %6.0fx faster\n",
                  static_cast<long long>(start), static_cast<long long>(run.Entries),
                  median * 1000.0, fullMedian / median);
    }
    if (at4M > 0)
      std::printf("ratio at line 4,000,000: %.0fx (target: at least 100x)\n", fullMedian / at4M);
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s: %s\n", e.ClassName(), e.Message().c_str());
    DeleteFileW(list.c_str());
    DeleteFileW(ChangeFileExtW(list, L".idx").c_str());
    return 1;
  }
  DeleteFileW(list.c_str());
  DeleteFileW(ChangeFileExtW(list, L".idx").c_str());
  return 0;
}
