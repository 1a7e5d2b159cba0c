#include "controls/vxEditPaintUtils.h"

#include "controls/vxGraphics.h"
#include "controls/vxLookAndFeels.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

constexpr int kSystemBrushCount = 31;  // system colour indexes 0..30
constexpr int kGlobalCacheCapacity = 128;

std::unique_ptr<std::array<HBRUSH, kSystemBrushCount>> GSystemBrushes;
std::unique_ptr<TvxSolidBrushCache> GSolidBrushCache;

void FillSystemBrushes() {
  for (int i = 0; i < kSystemBrushCount; ++i) (*GSystemBrushes)[i] = GetSysColorBrush(i);
}

// Colours order as unsigned values: system colours ($FF...) after the RGB values.
bool ColorLess(TColor a, TColor b) { return static_cast<uint32_t>(a) < static_cast<uint32_t>(b); }

}  // namespace

TvxSolidBrushCache::TvxSolidBrushCache(int capacity)
    : FColors(static_cast<size_t>(std::max(capacity, 1))),
      FBrushes(FColors.size()),
      FUseCounts(FColors.size()),
      FPaletteNotifier(std::make_unique<TvxSystemPaletteChangedNotifier>(true)) {
  FPaletteNotifier->OnSystemPaletteChanged = [this] {
    // The system may have replaced its own brushes too (Wine destroys the old ones), so the
    // table is taken anew before anybody draws with it.
    if (GSystemBrushes) FillSystemBrushes();
    Flush();
  };
}

TvxSolidBrushCache::~TvxSolidBrushCache() {
  FPaletteNotifier.reset();
  Flush();
}

void TvxSolidBrushCache::Flush() {
  for (int i = 0; i < FCount; ++i) DeleteObject(FBrushes[static_cast<size_t>(i)]);
  FCount = 0;
}

HBRUSH TvxSolidBrushCache::GetBrush(TColor color) {
  const uint32_t value = static_cast<uint32_t>(color);
  if (value >= 0xFF000000u && value <= 0xFF00001Eu && GSystemBrushes)
    return (*GSystemBrushes)[value & 0xFF];

  auto first = FColors.begin(), last = FColors.begin() + FCount;
  auto found = std::lower_bound(first, last, color, ColorLess);
  size_t pos = static_cast<size_t>(found - first);
  if (found != last && *found == color) {
    ++FUseCounts[pos];
    return FBrushes[pos];
  }
  if (FCount == Capacity()) {
    // Evict the least used entry (the first of them), closing the gap it leaves.
    const size_t evicted =
        static_cast<size_t>(std::min_element(FUseCounts.begin(), FUseCounts.begin() + FCount) - FUseCounts.begin());
    DeleteObject(FBrushes[evicted]);
    for (size_t i = evicted; i + 1 < static_cast<size_t>(FCount); ++i) {
      FColors[i] = FColors[i + 1];
      FBrushes[i] = FBrushes[i + 1];
      FUseCounts[i] = FUseCounts[i + 1];
    }
    --FCount;
    if (pos > evicted) --pos;
  }
  for (size_t i = static_cast<size_t>(FCount); i > pos; --i) {
    FColors[i] = FColors[i - 1];
    FBrushes[i] = FBrushes[i - 1];
    FUseCounts[i] = FUseCounts[i - 1];
  }
  FColors[pos] = color;
  FBrushes[pos] = CreateSolidBrush(ColorToRGB(color));
  FUseCounts[pos] = 0;
  ++FCount;
  return FBrushes[pos];
}

HBRUSH vxGetSolidBrush(TColor color) {
  if (GSolidBrushCache) return GSolidBrushCache->GetBrush(color);
  return nullptr;
}

HBRUSH vxGetSolidBrush(TCanvas&, TColor color) { return vxGetSolidBrush(color); }

HBRUSH vxGetSolidBrush(TvxCanvas&, TColor color) { return vxGetSolidBrush(color); }

TvxSolidBrushCache* vxSolidBrushCache() { return GSolidBrushCache.get(); }

HBRUSH vxSystemBrush(int index) {
  if (!GSystemBrushes || index < 0 || index >= kSystemBrushCount) return nullptr;
  return (*GSystemBrushes)[static_cast<size_t>(index)];
}

void InitializevxEditPaintUtils() {
  GSystemBrushes = std::make_unique<std::array<HBRUSH, kSystemBrushCount>>();
  FillSystemBrushes();
  GSolidBrushCache = std::make_unique<TvxSolidBrushCache>(kGlobalCacheCapacity);
}

void FinalizevxEditPaintUtils() {
  GSolidBrushCache.reset();
  GSystemBrushes.reset();
}
