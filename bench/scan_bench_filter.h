// The rules case of the scan benchmark (see scan_bench_filter.cpp).
#pragma once

#include "platform/rtl/SysStrings.h"

// Writes "exclude.txt" and a main configuration with index roots into folder and makes the
// path filter use them (after the start-up of the path units). False when that fails.
bool UseScanBenchRules(const AnsiString& folder);
