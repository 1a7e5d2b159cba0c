#include "common/ArchiveCharTables.h"

#include "platform/rtl/Threads.h"

#include <windows.h>

#include <memory>

namespace {
TArchiveCharTables GTables;
std::unique_ptr<TCriticalSection> GArchiveLock;

uint8_t CaseOf(uint8_t b, bool upper) {
  char c[2] = {static_cast<char>(b), 0};
  if (upper)
    CharUpperBuffA(c, 1);
  else
    CharLowerBuffA(c, 1);
  return static_cast<uint8_t>(c[0]);
}
}  // namespace

TArchiveCharTables BuildArchiveCharTables(unsigned long locale) {
  TArchiveCharTables t;
  // The rank of b: how many byte values sort before it as one-character strings.
  for (int b = 0; b < 256; ++b) {
    char cb = static_cast<char>(b);
    int rank = 0;
    for (int c = 0; c < 256; ++c) {
      char cc = static_cast<char>(c);
      if (CompareStringA(locale, 0, &cc, 1, &cb, 1) == CSTR_LESS_THAN) ++rank;
    }
    t.Rank[b] = static_cast<uint8_t>(rank > 255 ? 255 : rank);
  }
  bool seen[256] = {};
  t.RanksArePermutation = true;
  for (int b = 0; b < 256; ++b) {
    if (seen[t.Rank[b]]) t.RanksArePermutation = false;
    seen[t.Rank[b]] = true;
    t.Inverse[t.Rank[b]] = static_cast<uint8_t>(b);
  }
  if (t.RanksArePermutation) {
    for (int b = 0; b < 256; ++b) {
      t.Upper[t.Rank[b]] = t.Rank[CaseOf(static_cast<uint8_t>(b), true)];
      t.Lower[t.Rank[b]] = t.Rank[CaseOf(static_cast<uint8_t>(b), false)];
    }
    return t;
  }
  // Ties in the sort order: fall back to the code page's own case tables and the OEM
  // round trip for the order.
  for (int b = 0; b < 256; ++b) {
    t.Upper[b] = CaseOf(static_cast<uint8_t>(b), true);
    t.Lower[b] = CaseOf(static_cast<uint8_t>(b), false);
    char in[2] = {static_cast<char>(b), 0}, oem[2] = {}, back[2] = {};
    CharToOemBuffA(in, oem, 1);
    OemToCharBuffA(in, back, 1);
    t.Inverse[b] = static_cast<uint8_t>(oem[0]);
    t.Rank[b] = static_cast<uint8_t>(back[0]);
  }
  return t;
}

const TArchiveCharTables& ArchiveCharTables() { return GTables; }

void InitializeArchiveCharTables() {
  GTables = BuildArchiveCharTables(GetUserDefaultLCID());
  GArchiveLock = std::make_unique<TCriticalSection>();
}

void FinalizeArchiveCharTables() {
  GArchiveLock.reset();
  GTables = TArchiveCharTables();
}
