#include "CvIdxBuilder/CvCrawlTargetsUnit.h"

TCrawlTargets::TCrawlTargets(bool isPrimary)
    : FTargets(std::make_unique<TTntStringList>()), FIsPrimary(isPrimary) {}

void TCrawlTargets::Add(const WideString& folder, void* tag) { FTargets->Add(folder); }
