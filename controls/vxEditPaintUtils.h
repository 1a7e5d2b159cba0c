// Solid brushes for the editors' many fills: system colours come from the system's own
// brushes (which nobody deletes), every other colour from a cache that creates a brush at
// most once while it stays cached and drops the least used when full. A system-colour change
// empties the caches and takes the system brushes anew before anybody else hears of it.
//
// The brush table and the global cache live from InitializevxEditPaintUtils to
// FinalizevxEditPaintUtils. A brush handed out stays valid until the next system-colour
// change, the cache's Flush or the eviction of its colour. GUI thread only.
#pragma once

#include "platform/gui/Graphics.h"

#include <windows.h>

#include <memory>
#include <vector>

class TvxCanvas;
class TvxSystemPaletteChangedNotifier;

class TvxSolidBrushCache {
public:
  explicit TvxSolidBrushCache(int capacity);
  virtual ~TvxSolidBrushCache();
  TvxSolidBrushCache(const TvxSolidBrushCache&) = delete;
  TvxSolidBrushCache& operator=(const TvxSolidBrushCache&) = delete;

  virtual void Flush();  // deletes every cached brush
  HBRUSH GetBrush(TColor color);

  int Count() const { return FCount; }
  int Capacity() const { return static_cast<int>(FColors.size()); }
  // The cached colours in ascending order (as unsigned values) and how often each was handed
  // out since it was created.
  TColor Colors(int index) const { return FColors.at(static_cast<size_t>(index)); }
  int UseCounts(int index) const { return FUseCounts.at(static_cast<size_t>(index)); }

private:
  std::vector<TColor> FColors;
  std::vector<HBRUSH> FBrushes;
  std::vector<int> FUseCounts;
  int FCount = 0;
  std::unique_ptr<TvxSystemPaletteChangedNotifier> FPaletteNotifier;
};

// The brush of a colour from the global cache (or the system brush of a system colour). The
// forms with a canvas do the same.
HBRUSH vxGetSolidBrush(TColor color);
HBRUSH vxGetSolidBrush(TCanvas& canvas, TColor color);
HBRUSH vxGetSolidBrush(TvxCanvas& canvas, TColor color);

// The global cache (nullptr outside start-up and shutdown).
TvxSolidBrushCache* vxSolidBrushCache();
// The system brush of a system colour index 0..30, or nullptr without the table.
HBRUSH vxSystemBrush(int index);

void InitializevxEditPaintUtils();
void FinalizevxEditPaintUtils();
