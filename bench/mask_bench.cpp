// Cost of one keystroke in the mask automaton: steps 10,000 characters through a locale
// date-time mask (resetting after each complete value, as an edit does for a new value)
// and through an ambiguous repetition that keeps every keystroke in the history, and
// prints the time per keystroke and the process memory for each block of 1,000 keystrokes.
// Then compiles masks built to be costly (deep nesting, runs of optional items and blocks,
// copies beyond the budget) and types a few keys into those that compile, printing the
// compile time, the automaton's size, the cost of each key and the memory used.
#include "bench/BenchClock.h"
#include "editors/vxRegExpr.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>

namespace {

constexpr int kKeystrokes = 10000;
constexpr int kBlock = 1000;

double PrivateKB() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return static_cast<double>(counters.PagefileUsage) / 1024.0;
}

void Run(const char* name, const AnsiString& pattern, const AnsiString& value, bool resetAtEnd) {
  TvxRegExpr re;
  TMemoryStream stream;
  stream.WriteString(pattern);
  stream.SetPosition(0);
  re.Compile(&stream);

  std::printf("%s\n  pattern: %s\n", name, pattern.c_str());
  std::printf("  %-12s %12s %12s %8s %8s\n", "keystrokes", "us/key", "memory KB", "states", "history");
  double startKB = PrivateKB();
  size_t pos = 0;
  int refused = 0;
  double blockStart = NowMicroseconds();
  for (int i = 1; i <= kKeystrokes; ++i) {
    char c = value[pos];
    if (!re.Next(c)) ++refused;
    if (++pos == value.size()) {
      pos = 0;
      if (resetAtEnd) {
        if (!re.IsFinal()) ++refused;
        re.Reset();
      }
    }
    if (i % kBlock == 0) {
      double us = (NowMicroseconds() - blockStart) / kBlock;
      std::printf("  %-12d %12.3f %12.0f %8d %8d\n", i, us, PrivateKB(), re.CurrentStateCount(),
                  re.HistoryCount());
      blockStart = NowMicroseconds();
    }
  }
  std::printf("  refused or incomplete: %d; memory growth %.0f KB\n\n", refused, PrivateKB() - startKB);
}

double PeakWorkingSetKB() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return static_cast<double>(counters.PeakWorkingSetSize) / 1024.0;
}

AnsiString Repeat(const AnsiString& text, int count) {
  AnsiString result;
  for (int i = 0; i < count; ++i) result += text;
  return result;
}

void RunCostly(const char* name, const AnsiString& pattern, const char* keys) {
  double startKB = PrivateKB();
  double startPeakKB = PeakWorkingSetKB();
  TvxRegExpr re;
  TMemoryStream stream;
  stream.WriteString(pattern);
  stream.SetPosition(0);
  double start = NowMicroseconds();
  int errors = 0;
  try {
    re.Compile(&stream);
  } catch (const EvxRegExprError& e) {
    errors = e.Errors().Count();
  }
  double compileMs = (NowMicroseconds() - start) / 1000.0;
  std::printf("%-34s %7zu %10.2f ms", name, pattern.size(), compileMs);
  if (errors > 0) {
    std::printf("  refused, %d errors", errors);
  } else {
    std::printf("  %6d states %6lld successors;", re.StateCount(),
                static_cast<long long>(re.TransitionCount()));
    for (const char* key = keys; *key; ++key) {
      int64_t visited = re.VisitedStateCount();
      char c = *key;
      double keyStart = NowMicroseconds();
      bool taken = re.Next(c);
      std::printf(" '%c' %s %.0f us %lld visited", *key, taken ? "taken" : "refused", NowMicroseconds() - keyStart,
                  static_cast<long long>(re.VisitedStateCount() - visited));
    }
  }
  std::printf("; memory +%.0f KB, peak +%.0f KB\n", PrivateKB() - startKB, PeakWorkingSetKB() - startPeakKB);
}

}  // namespace

int main() {
  // The shape of the locale date-time mask (yyyy/MM/dd H:mm:ss with the date words).
  const AnsiString dateTime =
      "(\\d\\d\\d\\d\\/((0?[1-9]|1[012])|('1月'|'2月'|'3月'|'4月'|'5月'|'6月'|'7月'|'8月'|'9月'"
      "|'10月'|'11月'|'12月'))\\/([012]?[1-9]|[123]0|31)' '(([01]?\\d|2[0-3]):[0-5]?\\d:[0-5]?\\d)?)"
      "|('today'|'yesterday'|'tomorrow'|'Sunday'|'Monday'|'now')((\\+|-)\\d(\\d(\\d\\d?)?)?)?";
  Run("date-time mask, reset after each value", dateTime, "2026/12/06 21:45:07", true);
  Run("ambiguous repetition", "(\\d|[0-5])*", "0123456789", false);
  Run("ambiguous repetition", "(a|a)*", "a", false);

  std::printf("%-34s %7s %13s\n", "costly mask", "bytes", "compile");
  RunCostly("20,000 nested blocks", Repeat("(", 20000) + "a" + Repeat(")", 20000), "");
  RunCostly("(a?)? 28 times", Repeat("(a?)?", 28), "aa");
  RunCostly("b*? 68 times", Repeat("b*?", 68), "bb");
  RunCostly("a? 30,000 times", Repeat("a?", 30000), "aa");
  RunCostly("(x{1000}){99} and 20,000 \\1", "(x{1000}){99}" + Repeat("\\1", 20000), "");
  RunCostly("(x{1000}){99} and 20,000 {2,}", "(x{1000}){99}" + Repeat("{2,}", 20000), "");
  RunCostly("(x{1000}){99}", "(x{1000}){99}", "xx");
  return 0;
}
