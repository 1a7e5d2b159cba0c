// The benchmarks' clock. <chrono> does not compile with the code-page-932 execution
// character set (its "µs" literal), so the performance counter serves instead.
#pragma once

#include <windows.h>

inline double NowMicroseconds() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}
