// The index-root question of the path filter: does a path lie inside an index root
// (hvi_root) of the main configuration?
#pragma once

#include "platform/rtl/SysStrings.h"

class TCorvaneRootList;

class TCvHviUtility {
public:
  // Against the roots of TCorvaneIni::Instance().
  static bool IsInHviRoot(const AnsiString& path);
  // Against the given roots (the path filter passes the list it was built with).
  static bool IsInHviRoot(const TCorvaneRootList& roots, const AnsiString& path);
};

// Unit start-up and shutdown: a lock kept for callers that need one (none does today).
void InitializeCvHviUnit();
void FinalizeCvHviUnit();
