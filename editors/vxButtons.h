// Which painter draws push buttons for a look-and-feel. Push buttons have no drawing of their
// own in the Office-2003-like look: that look borrows the visual style's buttons when the
// style can draw them, and the standard three-dimensional buttons otherwise. Every other look
// draws its buttons itself. Keeps no state; GUI thread only.
#pragma once

#include "controls/vxLookAndFeelPainters.h"
#include "controls/vxLookAndFeels.h"

TvxLookAndFeelPainterClass vxGetButtonPainterClass(const TvxLookAndFeel& lookAndFeel);
