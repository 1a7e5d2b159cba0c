// The main window's list-peek copy against the range reader alone, on the same list.
//
// Writes a file list of the given number of lines (default 5,000,000) through the scan's own
// writer, then times, with the window's file dialogs answered by the benchmark:
//   - the reader alone reading 20 entries from several start lines (4,000,000 among them),
//     and reading the whole list, each with a freshly opened reader;
//   - the window's "保存" handler copying 20 lines from the same start lines into a file;
//   - the handler copying 100,000 and 1,000,000 lines, with the growth of the peak working set.
// The files are written to the given folder and removed at the end.
//
//   peek_bench.exe <work folder> [lines]
#include "CvIdxBuilder/CvFileListIOUnit.h"
#include "bench/BenchClock.h"
#include "bench/BenchControlUnits.h"
#include "bench/BenchFileList.h"
#include "controls/vxContainer.h"
#include "controls/vxDataStorage.h"
#include "controls/vxEditPaintUtils.h"
#include "controls/vxEditUtils.h"
#include "controls/vxFormats.h"
#include "editors/vxCalc.h"
#include "editors/vxDropDownEdit.h"
#include "editors/vxEdit.h"
#include "editors/vxMaskEdit.h"
#include "editors/vxTextEdit.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/SysExceptions.h"
#include "scanner/ScannerMenuUnit.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Median milliseconds of runs of the step.
double MedianMs(int runs, const std::function<void()>& step) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const double t0 = NowMicroseconds();
    step();
    times.push_back((NowMicroseconds() - t0) / 1000.0);
  }
  return Median(times);
}

// The reader on its own: count entries from start (0: all), with a freshly opened reader.
void Read(const WideString& list, int64_t start, int64_t count) {
  TFileListReader reader(list);
  int64_t entries = 0;
  reader.ReadRange(nullptr, start, [&](const WideString&, bool, int64_t, void*, uint8_t& stop) {
    if (++entries == count) stop = kFileListStopDone;
  });
}

PROCESS_MEMORY_COUNTERS Memory() {
  PROCESS_MEMORY_COUNTERS counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters;
}

double MB(size_t bytes) { return static_cast<double>(bytes) / 1048576.0; }

// The window's two number fields.
void SetPeekNumbers(TForm1& form, int64_t start, int64_t count) {
  form.StartPeekEdit->SetValue(static_cast<long double>(start));
  form.RangeEdit->SetValue(static_cast<long double>(count));
}

// The rest of the program's start-up that the window's editors need, in the program's order.
class TBenchEditorUnits {
public:
  TBenchEditorUnits() {
    InitializevxPopupWindows();
    InitializevxEditPaintUtils();
    InitializevxEditUtils();
    InitializevxFormats();
    InitializevxDataStorage();
    InitializevxEdit();
    InitializevxTextEdit();
    InitializevxMaskEdit();
    InitializevxDropDownEdit();
    InitializevxCalc();
  }
  ~TBenchEditorUnits() {
    FinalizevxCalc();
    FinalizevxDropDownEdit();
    FinalizevxMaskEdit();
    FinalizevxTextEdit();
    FinalizevxEdit();
    FinalizevxDataStorage();
    FinalizevxFormats();
    FinalizevxEditUtils();
    FinalizevxEditPaintUtils();
    FinalizevxPopupWindows();
  }
  TBenchEditorUnits(const TBenchEditorUnits&) = delete;
  TBenchEditorUnits& operator=(const TBenchEditorUnits&) = delete;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: peek_bench <work folder> [lines]\n");
    return 2;
  }
  SetExtendedFpuPrecision();
  const WideString folder = ExcludeTrailingBackslashW(AnsiToWide(argv[1]));
  const int64_t lines = argc > 2 ? StrToInt64(argv[2]) : 5000000;
  const WideString list = folder + L"\\bench_FILLST_01.txt";
  const WideString out = folder + L"\\peek.txt";
  TBenchControlUnits controlUnits;
  TBenchEditorUnits editorUnits;
  int result = 0;
  try {
    WriteBenchList(list, lines);
    SetFileDialogFunc([&](HWND, TOpenDialog& dialog) {
      dialog.FileName = WideToAnsi(dialog.ForSaving() ? out : list);
      return true;
    });
    TForm1 form(nullptr, TForm1Environment{[] { return AnsiString(); }, {}});
    form.AfterConstruction();

    Read(list, 0, 0);  // warms the file cache, as a list just written would be
    const double whole = MedianMs(3, [&] { Read(list, 0, 0); });
    std::printf("reader, whole list (%lld lines): median of 3 reads %.1f ms\n", static_cast<long long>(lines), whole);
    const int64_t starts[] = {0, 1000000, 2500000, 4000000, lines - 20};
    for (int64_t start : starts) {
      if (start < 0 || start >= lines) continue;
      const double reader = MedianMs(25, [&] { Read(list, start, 20); });
      SetPeekNumbers(form, start, 20);
      const double peek = MedianMs(25, [&] { form.ShowFileListButtonClick(nullptr); });
      std::printf("20 lines from %8lld: reader %.3f ms, peek copy %.3f ms (+%.3f ms), %.0fx faster than the whole read\n",
                  static_cast<long long>(start), reader, peek, peek - reader, whole / peek);
    }
    for (int64_t count : {int64_t{100000}, int64_t{1000000}}) {
      if (count > lines) continue;
      const PROCESS_MEMORY_COUNTERS before = Memory();
      SetPeekNumbers(form, 0, count);
      const double ms = MedianMs(1, [&] { form.ShowFileListButtonClick(nullptr); });
      WIN32_FILE_ATTRIBUTE_DATA data{};
      GetFileAttributesExW(out.c_str(), GetFileExInfoStandard, &data);
      const PROCESS_MEMORY_COUNTERS after = Memory();
      std::printf("%lld lines copied in %.0f ms (%lu bytes); peak working set %.1f -> %.1f MB, private %.1f -> %.1f MB\n",
                  static_cast<long long>(count), ms, data.nFileSizeLow, MB(before.PeakWorkingSetSize),
                  MB(after.PeakWorkingSetSize), MB(before.PagefileUsage), MB(after.PagefileUsage));
    }
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s: %s\n", e.ClassName(), e.Message().c_str());
    result = 1;
  }
  SetFileDialogFunc({});
  DeleteFileW(list.c_str());
  DeleteFileW(ChangeFileExtW(list, L".idx").c_str());
  DeleteFileW(out.c_str());
  return result;
}
