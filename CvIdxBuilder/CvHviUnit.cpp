#include "CvIdxBuilder/CvHviUnit.h"

#include "common/CorvaneIniUnit.h"
#include "platform/rtl/Threads.h"

#include <memory>

namespace {
std::unique_ptr<TCriticalSection> GHviLock;
}

bool TCvHviUtility::IsInHviRoot(const AnsiString& path) {
  return IsInHviRoot(TCorvaneIni::Instance().RootList(), path);
}

bool TCvHviUtility::IsInHviRoot(const TCorvaneRootList& roots, const AnsiString& path) {
  // Asked for every scanned path: the lookup must not raise when no root holds it.
  return roots.FindHviRoot(path, false) != nullptr;
}

void InitializeCvHviUnit() { GHviLock = std::make_unique<TCriticalSection>(); }

void FinalizeCvHviUnit() { GHviLock.reset(); }
