// The archive library's locale tables: the sort rank of every byte value in the user's
// locale, its inverse, and upper- and lower-case tables indexed and valued by rank; built
// at start-up, with the library's critical section. Nothing in this program archives;
// only the start-up and shutdown work remain.
#pragma once

#include <array>
#include <cstdint>

using TArchiveCharTable = std::array<uint8_t, 256>;

struct TArchiveCharTables {
  TArchiveCharTable Rank{};      // byte value -> position in the locale's sort order
  TArchiveCharTable Inverse{};   // position -> byte value
  TArchiveCharTable Upper{};     // by rank
  TArchiveCharTable Lower{};     // by rank
  bool RanksArePermutation = false;
};

// Builds the tables for a locale (Turkish, 1055, is computed like every other locale).
TArchiveCharTables BuildArchiveCharTables(unsigned long locale);

// The tables built at start-up (all zero before InitializeArchiveCharTables).
const TArchiveCharTables& ArchiveCharTables();

void InitializeArchiveCharTables();
void FinalizeArchiveCharTables();
