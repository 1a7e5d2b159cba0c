// Cost of one keystroke in the mask automaton: steps 10,000 characters through a locale
// date-time mask (resetting after each complete value, as an edit does for a new value)
// and through an ambiguous repetition that keeps every keystroke in the history, and
// prints the time per keystroke and the process memory for each block of 1,000 keystrokes.
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
  return 0;
}
