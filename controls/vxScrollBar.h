// A scroll bar drawn by the look-and-feel painter instead of the system: two arrow buttons, the
// thumb and the two page areas between them, with hot tracking where the look has it,
// auto-repeat while an arrow or a page area is held and thumb dragging.
//
// Position, Min, Max and PageSize change together through SetScrollParams, which refuses a
// range that cannot hold the page. Every scroll step (mouse, keys reflected from a parent,
// CN_HSCROLL/CN_VSCROLL) runs through one routine: the new position for the code, clamped to
// [Min, Max], offered to OnScroll, clamped again; a thumb being dragged only moves the field
// and the picture (scTrack), every other code sets Position and fires OnChange.
//
// The picture is painted into an off-screen bitmap of the control's size and copied to the
// window in one piece. The bitmap keeps the picture between paints, so a paint draws again
// only the parts whose place or state changed (a moving thumb: the thumb and the two page
// areas); a new size, look, visual style or system colours (the look-and-feel reports those
// as a change) redraw everything. The auto-repeat timer starts at 400 ms and ticks every 60 ms after the
// first step, and only while the mouse stays on the part that was pressed.
//
// Ownership: the bar owns its bitmap, timer and look-and-feel. GUI thread only.
#pragma once

#include "controls/vdThemeManager.h"
#include "controls/vxGraphics.h"
#include "controls/vxLookAndFeelPainters.h"
#include "controls/vxLookAndFeels.h"
#include "platform/gui/Controls.h"

#include <windows.h>

#include <functional>
#include <memory>

class TvxTimer;  // vxControls

using TScrollEvent = std::function<void(TObject* sender, TScrollCode scrollCode, int& scrollPos)>;

// The text of the range error (the class library's own).
extern const char* const SvxScrollBarRange;

class TvxScrollBar : public TCustomControl {
public:
  explicit TvxScrollBar(TComponent* owner);
  ~TvxScrollBar() override;
  const char* ClassName() const override { return "TvxScrollBar"; }

  TScrollBarKind Kind() const { return FKind; }
  void SetKind(TScrollBarKind value);
  int Min() const { return FMin; }
  int Max() const { return FMax; }
  int PageSize() const { return FPageSize; }
  int Position() const { return FPosition; }
  void SetMin(int value) { SetScrollParams(value, FMax, FPosition, FPageSize); }
  void SetMax(int value) { SetScrollParams(FMin, value, FPosition, FPageSize); }
  void SetPageSize(int value) { SetScrollParams(FMin, FMax, FPosition, value); }
  void SetPosition(int value) { SetScrollParams(FMin, FMax, value, FPageSize); }
  // Raises EInvalidOperation (SvxScrollBarRange) when max < min or the page does not fit in
  // the range (more than max - min + 1); the values stay as they were then. The position is
  // brought into [min, max].
  void SetScrollParams(int min, int max, int position, int pageSize, bool redraw = true);
  short SmallChange() const { return FSmallChange; }
  void SetSmallChange(short value) { FSmallChange = value; }
  short LargeChange() const { return FLargeChange; }
  void SetLargeChange(short value) { FLargeChange = value; }
  // The thumb follows the mouse however far it goes from the bar.
  bool UnlimitedTracking() const { return FUnlimitedTracking; }
  void SetUnlimitedTracking(bool value) { FUnlimitedTracking = value; }
  TvxLookAndFeel& LookAndFeel() { return *FLookAndFeel; }

  void SetBounds(int left, int top, int width, int height) override;
  LRESULT WndProc(TMessage& m) override;

  // The layout, in client coordinates (an empty rectangle for a part not shown).
  RECT PartRect(TvxScrollBarPart part) const;
  TvxScrollBarPart HitTest(POINT p) const;
  TvxScrollBarPart PressedPart() const { return FPressedPart; }
  TvxScrollBarPart HotPart() const { return FHotPart; }
  int MinThumbSize() const { return FMinThumbSize; }
  // The auto-repeat timer (its ticks come through the library's timer window).
  const TvxTimer& RepeatTimer() const { return *FTimer; }

  TNotifyEvent OnChange;
  TScrollEvent OnScroll;

protected:
  virtual void Change();
  virtual void Scroll(TScrollCode scrollCode, int& scrollPos);
  // The mouse came onto the bar or left it.
  virtual void MouseEnter() {}
  virtual void MouseLeave();
  // The painter the bar draws with.
  TvxLookAndFeelPainterClass Painter() const;

  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

  // Ends a press: a dragged thumb sets Position, the repeat stops, scEndScroll follows.
  void CancelTracking();
  // One scroll step of a code (the position only counts for scTrack and scPosition).
  void ScrollByCode(TScrollCode code, int position);

private:
  bool Horizontal() const { return FKind == TScrollBarKind::sbHorizontal; }
  void CalculateMinThumbSize();
  void CalculateLayout();
  void LayoutChanged();  // min thumb size, layout and picture again
  int TrackLength() const;
  int ThumbRange() const;  // the positions the thumb can stand for, Min excluded
  int PositionFromThumb(int offset) const;
  int ThumbOffsetFromPosition() const;
  void PlaceThumb(int offset);
  void RepeatTick();
  void ScrollPart(TvxScrollBarPart part);
  void SetHotPart(TvxScrollBarPart part);
  TvxButtonState PartState(TvxScrollBarPart part) const;
  void InvalidatePicture();  // everything is drawn again at the next paint

  // What the bitmap shows of each part (indexed by the part).
  struct TPaintedPart {
    RECT Rect{};
    TvxButtonState State = vxbsNormal;
  };

  std::unique_ptr<TBitmap> FBitmap;
  std::unique_ptr<TvxCanvas> FBitmapCanvas;
  TPaintedPart FPaintedParts[6];
  TvxLookAndFeelPainterClass FPaintedWith = nullptr;
  bool FPictureValid = false;
  TvxScrollBarPart FPressedPart = sbpNone;
  TvxScrollBarPart FHotPart = sbpNone;
  std::unique_ptr<TvxTimer> FTimer;
  std::unique_ptr<TvxLookAndFeel> FLookAndFeel;
  std::unique_ptr<TvdThemeChangedNotificator> FThemeChangedNotificator;
  int FMinThumbSize = 8;
  RECT FFirstArrow{}, FSecondArrow{}, FThumb{}, FPageBefore{}, FPageAfter{};
  int FThumbOffset = 0;  // from the start of the track
  bool FThumbShown = false;
  int FPosition = 0;
  int FDownPosition = 0;
  int FDownThumbOrigin = 0;
  POINT FDownPoint{};
  int FTrackPosition = 0;  // the position the dragged thumb stands for
  int FMin = 0, FMax = 100, FPageSize = 0;
  short FSmallChange = 1, FLargeChange = 1;
  TScrollBarKind FKind = TScrollBarKind::sbHorizontal;
  bool FUnlimitedTracking = false;
};
