// Cost of the brush for one fill: a hit in the solid brush cache against a brush created and
// deleted for the fill, over a palette of 64 colours; then 1,000 distinct colours to show that
// the cache never holds more than its 128 brushes. Exits with 1 when a hit is not at least
// five times cheaper or the cache grows past its capacity.
#include "bench/BenchClock.h"
#include "controls/vdThemeManager.h"
#include "controls/vdUxTheme.h"
#include "controls/vxEditPaintUtils.h"
#include "controls/vxLookAndFeels.h"
#include "platform/gui/Forms.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace {

constexpr int kPalette = 64;
constexpr int kHits = 4000000;
constexpr int kCreations = 400000;

TColor PaletteColor(int i) { return static_cast<TColor>(RGB(i * 3, 255 - i, i * 2)); }

}  // namespace

int main() {
  InitializeForms();
  InitializevdUxTheme();
  InitializevdThemeManager();
  InitializevxLookAndFeels();
  InitializevxEditPaintUtils();

  uintptr_t sink = 0;
  for (int i = 0; i < kPalette; ++i) sink ^= reinterpret_cast<uintptr_t>(vxGetSolidBrush(PaletteColor(i)));

  double start = NowMicroseconds();
  for (int i = 0; i < kHits; ++i) sink ^= reinterpret_cast<uintptr_t>(vxGetSolidBrush(PaletteColor(i % kPalette)));
  const double hit = (NowMicroseconds() - start) * 1000.0 / kHits;

  start = NowMicroseconds();
  for (int i = 0; i < kCreations; ++i) {
    HBRUSH brush = CreateSolidBrush(ColorToRGB(PaletteColor(i % kPalette)));
    sink ^= reinterpret_cast<uintptr_t>(brush);
    DeleteObject(brush);
  }
  const double created = (NowMicroseconds() - start) * 1000.0 / kCreations;

  int most = 0;
  for (int i = 0; i < 1000; ++i) {
    vxGetSolidBrush(static_cast<TColor>(RGB(i % 256, i / 256, 7)));
    if (vxSolidBrushCache()->Count() > most) most = vxSolidBrushCache()->Count();
  }

  std::printf("cache hit                  %8.1f ns\n", hit);
  std::printf("CreateSolidBrush + delete  %8.1f ns\n", created);
  std::printf("ratio                      %8.1fx (target at least 5x)\n", created / hit);
  std::printf("most brushes held          %8d (capacity %d)   [%u]\n", most, vxSolidBrushCache()->Capacity(),
              static_cast<unsigned>(sink & 1));

  const bool ok = created / hit >= 5.0 && most <= 128;
  FinalizevxEditPaintUtils();
  FinalizevxLookAndFeels();
  FinalizevdThemeManager();
  FinalizevdUxTheme();
  FinalizeForms();
  return ok ? 0 : 1;
}
