// Every part a painter draws, as samples the tests draw in each button state: pixel checks
// that walk all of a look, comparisons of two looks, and the sheet of all looks that a test
// saves for people to look at.
#pragma once

#include "controls/vxLookAndFeelPainters.h"

#include <functional>
#include <string>
#include <vector>

namespace controlstest {

struct TPainterSample {
  std::string Name;
  std::function<void(TvxLookAndFeelPainterClass painter, TvxCanvas& canvas, const RECT& r, TvxButtonState state)>
      Draw;
};

const std::vector<TPainterSample>& PainterSamples();

constexpr int kSampleWidth = 40, kSampleHeight = 24;
constexpr TvxButtonState kButtonStates[] = {vxbsDefault, vxbsNormal, vxbsHot, vxbsPressed, vxbsDisabled};

// One sample in each state, side by side, on a canvas filled with the background first.
void DrawSampleRow(TvxLookAndFeelPainterClass painter, const TPainterSample& sample, TBitmap& bitmap,
                   TColor background);

}  // namespace controlstest
