// The folders one crawl walks, in the order added.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/rtl/SysStrings.h"

#include <memory>

class TCrawlTargets {
public:
  // isPrimary only chooses the name prefix of the crawl's output files: "J010", else "J011".
  explicit TCrawlTargets(bool isPrimary);
  TCrawlTargets(const TCrawlTargets&) = delete;
  TCrawlTargets& operator=(const TCrawlTargets&) = delete;

  // tag is accepted for the callers' sake and not kept.
  void Add(const WideString& folder, void* tag = nullptr);
  int Count() const { return FTargets->Count(); }
  void Get(int index, WideString& folder) const { folder = FTargets->Get(index); }
  bool IsPrimary() const { return FIsPrimary; }

private:
  std::unique_ptr<TTntStringList> FTargets;
  bool FIsPrimary;
};
