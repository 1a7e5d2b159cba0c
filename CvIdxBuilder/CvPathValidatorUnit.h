// The path filter the scan worker asks about every entry it finds. This version accepts
// every path; the exclusion rules, the system-folder and profile checks and the index-root
// test replace it.
#pragma once

#include "platform/rtl/SysStrings.h"

class TCvPathValidator {
public:
  // The process-wide filter, created on first use.
  static TCvPathValidator& Instance();
  // True when the path may be listed and, for a folder, entered.
  bool IsValid(const WideString& path);

private:
  TCvPathValidator() = default;
};
