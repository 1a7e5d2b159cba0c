#include "controls/vxScrollBar.h"

#include "controls/vdThemeConsts.h"
#include "controls/vxControls.h"
#include "platform/rtl/SysExceptions.h"

#include <algorithm>

const char* const SvxScrollBarRange = "スクロールバー プロパティが範囲を越えました";

namespace {

constexpr unsigned kFirstRepeatDelay = 400;
constexpr unsigned kRepeatInterval = 60;
// How far the mouse may go from a bar while it drags the thumb before the thumb jumps back.
constexpr int kTrackingSlackAcross = 136;
constexpr int kTrackingSlackAlong = 34;
constexpr int kDefaultMinThumbSize = 8;

bool IsRepeatingPart(TvxScrollBarPart part) {
  return part == sbpLineUp || part == sbpLineDown || part == sbpPageUp || part == sbpPageDown;
}

int Length(const RECT& r, bool horizontal) { return horizontal ? r.right - r.left : r.bottom - r.top; }

}  // namespace

TvxScrollBar::TvxScrollBar(TComponent* owner)
    : TCustomControl(owner),
      FBitmap(std::make_unique<TBitmap>()),
      FTimer(std::make_unique<TvxTimer>(nullptr)),
      FLookAndFeel(std::make_unique<TvxLookAndFeel>(this)),
      FThemeChangedNotificator(std::make_unique<TvdThemeChangedNotificator>()) {
  FBitmapCanvas = std::make_unique<TvxCanvas>(FBitmap->Canvas());
  SetControlStyle(csCaptureMouse | csFramed | csOpaque);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(kFirstRepeatDelay);
  FTimer->SetOnTimer([this](TObject*) { RepeatTick(); });
  FLookAndFeel->OnChanged = [this](TvxLookAndFeel*, TvxLookAndFeelValues) { LayoutChanged(); };
  FThemeChangedNotificator->OnThemeChanged = [this] {
    LayoutChanged();
    if (Parent() != nullptr) Parent()->Realign();
  };
  SetBounds(Left(), Top(), 121, GetSystemMetrics(SM_CYHSCROLL));
  CalculateMinThumbSize();
  CalculateLayout();
}

TvxScrollBar::~TvxScrollBar() {
  Destroying();
  FTimer.reset();
  // The look-and-feel tells this bar of changes until it goes.
  FLookAndFeel->OnChanged = nullptr;
}

TvxLookAndFeelPainterClass TvxScrollBar::Painter() const { return FLookAndFeel->GetPainter(totScrollBar); }

void TvxScrollBar::SetKind(TScrollBarKind value) {
  if (value == FKind) return;
  FKind = value;
  if (IsLoading())
    CalculateLayout();
  else
    SetBounds(Left(), Top(), Height(), Width());
  // A square bar keeps its bounds, and the minimum thumb depends on the direction.
  LayoutChanged();
}

void TvxScrollBar::SetScrollParams(int min, int max, int position, int pageSize, bool redraw) {
  // A control narrower than its border and a bar computes a negative page: that is no page.
  pageSize = std::max(pageSize, 0);
  // A page larger than the range would leave the thumb nowhere to go (and a range that starts
  // below zero must not be judged by max alone).
  if (max < min || static_cast<long long>(pageSize) > static_cast<long long>(max) - min + 1)
    throw EInvalidOperation(SvxScrollBarRange);
  position = std::clamp(position, min, max);
  if (min == FMin && max == FMax && pageSize == FPageSize && position == FPosition) return;
  FMin = min;
  FMax = max;
  FPageSize = pageSize;
  if (position == FPosition) {
    CalculateLayout();
    if (redraw && HandleAllocated()) Invalidate();
    return;
  }
  FPosition = position;
  CalculateLayout();
  Change();
  if (HandleAllocated()) Invalidate();
}

void TvxScrollBar::Change() {
  if (OnChange) OnChange(this);
}

void TvxScrollBar::Scroll(TScrollCode scrollCode, int& scrollPos) {
  if (OnScroll) OnScroll(this, scrollCode, scrollPos);
}

void TvxScrollBar::SetBounds(int left, int top, int width, int height) {
  const int oldWidth = Width(), oldHeight = Height();
  TCustomControl::SetBounds(left, top, width, height);
  if ((Width() != oldWidth || Height() != oldHeight) && Width() >= 1 && Height() >= 1) {
    FBitmap->SetSize(Width(), Height());
    FPictureValid = false;
    CalculateLayout();
  }
}

// --- Layout -----------------------------------------------------------------------------

void TvxScrollBar::CalculateMinThumbSize() {
  FMinThumbSize = kDefaultMinThumbSize;
  if (Painter()->LookAndFeelStyle() != vxPainterStyleWinXP) return;
  HTHEME theme = OpenTheme(totScrollBar);
  SIZE size{};
  if (theme == nullptr ||
      FAILED(GetThemePartSize(theme, nullptr, Horizontal() ? SBP_THUMBBTNHORZ : SBP_THUMBBTNVERT, 1, tsTrue, size)))
    return;
  FMinThumbSize = std::max(FMinThumbSize, static_cast<int>(Horizontal() ? size.cx : size.cy) + 4);
}

int TvxScrollBar::TrackLength() const {
  return Horizontal() ? FSecondArrow.left - FFirstArrow.right : FSecondArrow.top - FFirstArrow.bottom;
}

int TvxScrollBar::ThumbRange() const {
  int range = FMax - FMin;
  if (FPageSize > 0) range -= FPageSize - 1;
  return std::max(range, 0);
}

int TvxScrollBar::PositionFromThumb(int offset) const {
  const int free = TrackLength() - Length(FThumb, Horizontal());
  // A thumb that fills the track has nowhere to move: it stands for the start.
  if (free <= 0) return FMin;
  return FMin + MulDiv(ThumbRange(), offset, free);
}

int TvxScrollBar::ThumbOffsetFromPosition() const {
  const int free = TrackLength() - Length(FThumb, Horizontal());
  const int range = ThumbRange();
  if (free <= 0 || range <= 0) return 0;
  return std::clamp(MulDiv(FPosition - FMin, free, range), 0, free);
}

void TvxScrollBar::PlaceThumb(int offset) {
  const int length = Length(FThumb, Horizontal());
  FThumbOffset = offset;
  if (Horizontal()) {
    const int start = FFirstArrow.right;
    FThumb = RECT{start + offset, 0, start + offset + length, Height()};
    FPageBefore = RECT{start, 0, FThumb.left, Height()};
    FPageAfter = RECT{FThumb.right, 0, FSecondArrow.left, Height()};
  } else {
    const int start = FFirstArrow.bottom;
    FThumb = RECT{0, start + offset, Width(), start + offset + length};
    FPageBefore = RECT{0, start, Width(), FThumb.top};
    FPageAfter = RECT{0, FThumb.bottom, Width(), FSecondArrow.top};
  }
}

void TvxScrollBar::CalculateLayout() {
  const int width = Width(), height = Height();
  const int barLength = Horizontal() ? width : height;
  const int arrow = std::min(GetSystemMetrics(Horizontal() ? SM_CXHSCROLL : SM_CYVSCROLL), barLength / 2);
  if (Horizontal()) {
    FFirstArrow = RECT{0, 0, arrow, height};
    FSecondArrow = RECT{width - arrow, 0, width, height};
  } else {
    FFirstArrow = RECT{0, 0, width, arrow};
    FSecondArrow = RECT{0, height - arrow, width, height};
  }
  const int track = TrackLength();
  FThumbShown = track >= FMinThumbSize && FMax != FMin;
  if (!FThumbShown) {
    // No thumb: the whole track is one page area.
    if (Horizontal()) {
      FPageBefore = RECT{FFirstArrow.right, 0, FSecondArrow.left, height};
      FThumb = RECT{FSecondArrow.left, 0, FSecondArrow.left, height};
    } else {
      FPageBefore = RECT{0, FFirstArrow.bottom, width, FSecondArrow.top};
      FThumb = RECT{0, FSecondArrow.top, width, FSecondArrow.top};
    }
    FPageAfter = FThumb;
    FThumbOffset = 0;
    return;
  }
  int thumb = FPageSize != 0 ? MulDiv(FPageSize, track, FMax - FMin + 1)
                             : GetSystemMetrics(Horizontal() ? SM_CXHTHUMB : SM_CYVTHUMB);
  thumb = std::min(std::max(thumb, FMinThumbSize), track);
  FThumb = Horizontal() ? RECT{0, 0, thumb, height} : RECT{0, 0, width, thumb};
  // A dragged thumb stays where the mouse put it.
  PlaceThumb(FPressedPart == sbpThumb ? std::clamp(FThumbOffset, 0, track - thumb) : ThumbOffsetFromPosition());
}

void TvxScrollBar::LayoutChanged() {
  CalculateMinThumbSize();
  CalculateLayout();
  InvalidatePicture();
}

RECT TvxScrollBar::PartRect(TvxScrollBarPart part) const {
  switch (part) {
    case sbpLineUp: return FFirstArrow;
    case sbpLineDown: return FSecondArrow;
    case sbpThumb: return FThumbShown ? FThumb : RECT{};
    case sbpPageUp: return FPageBefore;
    case sbpPageDown: return FPageAfter;
    default: return RECT{};
  }
}

TvxScrollBarPart TvxScrollBar::HitTest(POINT p) const {
  for (TvxScrollBarPart part : {sbpLineUp, sbpLineDown, sbpThumb, sbpPageUp, sbpPageDown}) {
    RECT r = PartRect(part);
    if (PtInRect(&r, p)) return part;
  }
  return sbpNone;
}

// --- Scrolling --------------------------------------------------------------------------

void TvxScrollBar::ScrollByCode(TScrollCode code, int position) {
  int pos = FPosition;
  switch (code) {
    case scLineUp: pos = FPosition - FSmallChange; break;
    case scLineDown: pos = FPosition + FSmallChange; break;
    case scPageUp: pos = FPosition - FLargeChange; break;
    case scPageDown: pos = FPosition + FLargeChange; break;
    case scTop: pos = FMin; break;
    case scBottom: pos = FMax; break;
    case scPosition:
    case scTrack: pos = position; break;
    case scEndScroll: break;
  }
  pos = std::clamp(pos, FMin, FMax);
  Scroll(code, pos);
  pos = std::clamp(pos, FMin, FMax);
  if (pos == FPosition) return;
  if (code == scTrack) {
    FPosition = pos;
    Invalidate();
  } else {
    SetPosition(pos);
  }
}

void TvxScrollBar::ScrollPart(TvxScrollBarPart part) {
  switch (part) {
    case sbpLineUp: ScrollByCode(scLineUp, 0); break;
    case sbpLineDown: ScrollByCode(scLineDown, 0); break;
    case sbpPageUp: ScrollByCode(scPageUp, 0); break;
    case sbpPageDown: ScrollByCode(scPageDown, 0); break;
    default: break;
  }
}

// --- Mouse ------------------------------------------------------------------------------

void TvxScrollBar::SetHotPart(TvxScrollBarPart part) {
  if (part == FHotPart) return;
  FHotPart = part;
  Invalidate();
}

void TvxScrollBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != TMouseButton::mbLeft || !Enabled()) return;
  const TvxScrollBarPart part = HitTest(POINT{x, y});
  if (part == sbpNone) return;
  FPressedPart = part;
  FHotPart = part;
  if (part == sbpThumb) {
    FDownPoint = POINT{x, y};
    FDownPosition = FPosition;
    FTrackPosition = FPosition;
    FDownThumbOrigin = FThumbOffset;
  } else {
    ScrollPart(part);
    FTimer->SetInterval(kFirstRepeatDelay);
    FTimer->SetEnabled(true);
  }
  Invalidate();
}

void TvxScrollBar::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  const POINT p{x, y};
  if (FPressedPart == sbpThumb) {
    RECT area = ClientRect();
    if (Horizontal())
      InflateRect(&area, kTrackingSlackAlong, kTrackingSlackAcross);
    else
      InflateRect(&area, kTrackingSlackAcross, kTrackingSlackAlong);
    int offset = FDownThumbOrigin;
    int position = FDownPosition;
    if (FUnlimitedTracking || PtInRect(&area, p)) {
      const int free = TrackLength() - Length(FThumb, Horizontal());
      const int moved = Horizontal() ? x - static_cast<int>(FDownPoint.x) : y - static_cast<int>(FDownPoint.y);
      offset = std::clamp(FDownThumbOrigin + moved, 0, std::max(free, 0));
      position = PositionFromThumb(offset);
    }
    if (offset != FThumbOffset) {
      PlaceThumb(offset);
      Invalidate();
    }
    FTrackPosition = position;
    ScrollByCode(scTrack, position);
    return;
  }
  const TvxScrollBarPart hit = HitTest(p);
  if (IsRepeatingPart(FPressedPart)) FTimer->SetEnabled(hit == FPressedPart);
  if (Painter()->IsButtonHotTrack()) SetHotPart(hit);
}

void TvxScrollBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft) CancelTracking();
  TCustomControl::MouseUp(button, shift, x, y);
}

void TvxScrollBar::MouseLeave() {
  if (FPressedPart == sbpNone) SetHotPart(sbpNone);
}

void TvxScrollBar::RepeatTick() {
  const bool captured = HandleAllocated() && GetCapture() == Handle();
  if (!captured || !IsRepeatingPart(FPressedPart)) {
    CancelTracking();
    return;
  }
  if (FTimer->Interval() != kRepeatInterval) FTimer->SetInterval(kRepeatInterval);
  const TvxScrollBarPart part = FPressedPart;
  ScrollPart(part);
  // The step moved the page areas: the next one only while the mouse is still on the part.
  POINT p = ScreenToClient(vxGetMouseCursorPos());
  FTimer->SetEnabled(HitTest(p) == part);
}

void TvxScrollBar::CancelTracking() {
  const TvxScrollBarPart pressed = FPressedPart;
  FTimer->SetEnabled(false);
  if (pressed == sbpNone) return;
  if (pressed == sbpThumb) ScrollByCode(scPosition, FTrackPosition);
  FPressedPart = sbpNone;
  FHotPart = sbpNone;
  ScrollByCode(scEndScroll, FPosition);
  CalculateLayout();
  Invalidate();
}

// --- Painting ---------------------------------------------------------------------------

TvxButtonState TvxScrollBar::PartState(TvxScrollBarPart part) const {
  if (!Enabled()) return vxbsDisabled;
  if (part == FPressedPart && part == FHotPart) return vxbsPressed;
  if (part == FHotPart && FPressedPart == sbpNone) return vxbsHot;
  return vxbsNormal;
}

void TvxScrollBar::InvalidatePicture() {
  FPictureValid = false;
  Invalidate();
}

void TvxScrollBar::Paint() {
  if (Width() < 1 || Height() < 1) return;
  if (FBitmap->Width() != Width() || FBitmap->Height() != Height()) {
    FBitmap->SetSize(Width(), Height());
    FPictureValid = false;
  }
  TvxLookAndFeelPainterClass painter = Painter();
  if (painter != FPaintedWith) FPictureValid = false;
  // The five parts tile the bar, so a part that moved uncovers only what the parts that moved
  // with it cover now. A pressed arrow's glyph reaches a pixel past its right and bottom
  // edges: after the first arrow is painted, the parts beyond it are painted again.
  bool repaintRest = false;
  for (TvxScrollBarPart part : {sbpLineUp, sbpLineDown, sbpPageUp, sbpPageDown, sbpThumb}) {
    TPaintedPart now{PartRect(part), PartState(part)};
    TPaintedPart& painted = FPaintedParts[part];
    if (FPictureValid && !repaintRest && EqualRect(&now.Rect, &painted.Rect) && now.State == painted.State) continue;
    painter->DrawScrollBarPart(*FBitmapCanvas, Horizontal(), now.Rect, part, now.State);
    painted = now;
    if (part == sbpLineUp) repaintRest = true;
  }
  FPaintedWith = painter;
  FPictureValid = true;
  BitBlt(TCustomControl::Canvas().Handle(), 0, 0, Width(), Height(), FBitmap->Canvas().Handle(), 0, 0, SRCCOPY);
}

// --- Messages ---------------------------------------------------------------------------

LRESULT TvxScrollBar::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_ERASEBKGND: return 1;
    case WM_CANCELMODE:
      CancelTracking();
      break;
    case CM_ENABLEDCHANGED: {
      const LRESULT result = TCustomControl::WndProc(m);
      CalculateLayout();
      if (!Enabled()) CancelTracking();
      Invalidate();
      return result;
    }
    case CM_VISIBLECHANGED:
      if (m.WParam == 0) CancelTracking();
      break;
    case CM_SYSCOLORCHANGE:
      InvalidatePicture();
      break;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: {
      const LRESULT result = TCustomControl::WndProc(m);
      // Only the bar's own enter and leave, not those of its children passed up.
      if (m.LParam == 0 || m.LParam == reinterpret_cast<LPARAM>(this)) {
        if (m.Msg == CM_MOUSEENTER)
          MouseEnter();
        else
          MouseLeave();
      }
      return result;
    }
    case CN_HSCROLL:
    case CN_VSCROLL:
      if (LOWORD(m.WParam) <= scEndScroll)
        ScrollByCode(static_cast<TScrollCode>(LOWORD(m.WParam)), static_cast<short>(HIWORD(m.WParam)));
      return 0;
    case CN_CTLCOLORSCROLLBAR:
      return DefWindowProcA(Handle(), WM_CTLCOLORSCROLLBAR, m.WParam, m.LParam);
  }
  return TCustomControl::WndProc(m);
}
