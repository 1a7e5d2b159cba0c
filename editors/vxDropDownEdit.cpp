#include "editors/vxDropDownEdit.h"

#include "controls/vdThemeManager.h"
#include "controls/vdUxTheme.h"
#include "controls/vxEditUtils.h"
#include "controls/vxLookAndFeelPainters.h"
#include "platform/gui/Forms.h"

#include <algorithm>

namespace {

// Theme parts the popup frame draws with.
constexpr int WP_CLOSEBUTTON_PART = 18;
constexpr int SBP_SIZEBOX_PART = 10;
constexpr int vxPopupShadow = vxContainerShadowWidth;
constexpr TColor clInactiveBorder = SystemColor(COLOR_INACTIVEBORDER);

RECT Shrunk(const RECT& r, const RECT& by) {
  return RECT{r.left + by.left, r.top + by.top, r.right - by.right, r.bottom - by.bottom};
}

bool ThemeUsable(TvdThemedObjectType type) { return AreVisualStylesUsable(vdThemedObjectTypes(type)); }

SIZE ThemePartSize(TvdThemedObjectType type, int part, int state) {
  SIZE size{};
  if (HTHEME theme = OpenTheme(type)) GetThemePartSize(theme, nullptr, part, state, tsTrue, size);
  return size;
}

// The larger of the scroll bar's height and a caption button's: the system panel's base.
int SystemPanelBaseHeight() { return std::max(GetSystemMetrics(SM_CYHSCROLL), GetSystemMetrics(SM_CYSIZE)); }

}  // namespace

// --- Popup window view info ------------------------------------------------------------------

TvxContainerViewInfoClass TvxCustomEditPopupWindowViewInfo::ViewInfoClass() {
  return vxObjectClassOf<TvxCustomEditPopupWindowViewInfo, TvxContainerViewInfo>("TvxCustomEditPopupWindowViewInfo");
}

int TvxCustomEditPopupWindowViewInfo::FrameWidth() const {
  if (NativeStyle) return 1;
  switch (PopupBorderStyle) {
    case epbsSingle: return 1;
    case epbsFrame3D: return 4;
    case epbsFlat: return 2;
    default: return 0;
  }
}

int TvxCustomEditPopupWindowViewInfo::ClientEdgeWidth() const {
  if (!ClientEdge) return 0;
  if (NativeStyle) return 2;
  switch (PopupBorderStyle) {
    case epbsSingle:
    case epbsFrame3D: return 2;
    case epbsFlat: return 1;
    default: return 0;
  }
}

int TvxCustomEditPopupWindowViewInfo::GetSysPanelHeight() {
  int height = SystemPanelBaseHeight();
  if (SysPanelStyle && NativeStyle) {
    if (ThemeUsable(totWindow)) height = std::max<int>(height, ThemePartSize(totWindow, WP_CLOSEBUTTON_PART, 1).cy);
    if (ThemeUsable(totScrollBar)) height = std::max<int>(height, ThemePartSize(totScrollBar, SBP_SIZEBOX_PART, 1).cy);
  }
  if (MinSysPanelHeight >= 1 && MinSysPanelHeight > height) height = MinSysPanelHeight;
  return height;
}

RECT TvxCustomEditPopupWindowViewInfo::GetBorderExtent() {
  const int side = FrameWidth() + ClientEdgeWidth();
  RECT extent{side, side, side, side};
  if (Shadow) {
    extent.right += vxPopupShadow;
    extent.bottom += vxPopupShadow;
  }
  if (SysPanelStyle) {
    SysPanelHeight = GetSysPanelHeight();
    // The separator line between the panel and the content.
    const int panel = SysPanelHeight + (NativeStyle || PopupBorderStyle == epbsSingle ? 1 : 0);
    (PanelOnTop() ? extent.top : extent.bottom) += panel;
  } else {
    SysPanelHeight = 0;
  }
  return extent;
}

void TvxCustomEditPopupWindowViewInfo::Calculate() {
  const RECT extent = GetBorderExtent();
  SizingZoneWidth = SystemPanelBaseHeight();
  const RECT bounds{0, 0, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top};
  ClientRect = Shrunk(bounds, extent);
  ContentRect = ClientRect;
  const int inset = FrameWidth() + (ClientEdge && !SysPanelStyle ? ClientEdgeWidth() : 0);
  InnerRect = bounds;
  InflateRect(&InnerRect, -inset, -inset);
  if (Shadow) {
    InnerRect.right -= vxPopupShadow;
    InnerRect.bottom -= vxPopupShadow;
  }
  CloseButtonNativeState =
      SysPanelStyle && NativeStyle && ThemeUsable(totWindow) ? CloseButtonState : 0;
  SizeGripRect = SizeGripSizingRect = CloseButtonRect = RECT{};
  if (SysPanelStyle) {
    if (Sizeable) CalculateSizeGrip();
    CalculateCloseButton();
  }
}

void TvxCustomEditPopupWindowViewInfo::CalculateSizeGrip() {
  int side = SysPanelHeight - 2;
  if (NativeStyle && ThemeUsable(totScrollBar)) {
    const SIZE part = ThemePartSize(totScrollBar, SBP_SIZEBOX_PART, 1);
    side = std::max<int>(side, std::max(part.cx, part.cy) + 2);
  }
  RECT& r = SizeGripSizingRect;
  r.left = GripOnLeft() ? InnerRect.left : InnerRect.right - side;
  r.top = PanelOnTop() ? InnerRect.top : InnerRect.bottom - side;
  r.right = r.left + side;
  r.bottom = r.top + side;
  SizeGripRect = r;
  // The grip is drawn 2 pixels in from the popup's outer sides.
  if (GripOnLeft())
    SizeGripRect.left += 2;
  else
    SizeGripRect.right -= 2;
  if (PanelOnTop())
    SizeGripRect.top += 2;
  else
    SizeGripRect.bottom -= 2;
}

void TvxCustomEditPopupWindowViewInfo::CalculateCloseButton() {
  if (!CloseButton) return;
  const bool themed = CloseButtonNativeState != 0;
  SIZE size{SysPanelHeight - 4, SysPanelHeight - 4};
  if (themed) size = ThemePartSize(totWindow, WP_CLOSEBUTTON_PART, CloseButtonNativeState);
  RECT area = InnerRect;
  // The button sits on the side away from the grip.
  const bool atLeft = !GripOnLeft();
  if (!themed) (atLeft ? area.left : area.right) += atLeft ? 2 : -2;
  RECT& r = CloseButtonRect;
  if (atLeft) {
    r.left = area.left + 1;
    r.right = r.left + size.cx;
  } else {
    r.right = area.right - 1;
    r.left = r.right - size.cx;
  }
  if (themed) {
    const int offset = (SysPanelHeight - size.cy) / 2;
    r.top = PanelOnTop() ? InnerRect.top + offset : InnerRect.bottom - offset - size.cy;
  } else {
    r.top = PanelOnTop() ? InnerRect.top + 2 : InnerRect.bottom - 2 - size.cy;
  }
  r.bottom = r.top + size.cy;
}

bool TvxCustomEditPopupWindowViewInfo::GetSizingDirection(int x, int y) {
  SizingDirectionX = SizingDirectionY = 0;
  const POINT p{x, y};
  const RECT bounds{0, 0, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top};
  if (!Sizeable || !PtInRect(&bounds, p)) return false;
  const bool onGrip = PtInRect(&SizeGripSizingRect, p) != FALSE;
  if (PtInRect(&InnerRect, p) && !onGrip) return false;
  if (onGrip) {
    SizingDirectionX = GripOnLeft() ? -1 : 1;
    SizingDirectionY = PanelOnTop() ? -1 : 1;
    return true;
  }
  if (x < SizingZoneWidth && GripOnLeft())
    SizingDirectionX = -1;
  else if (x >= bounds.right - SizingZoneWidth && !GripOnLeft())
    SizingDirectionX = 1;
  if (y < SizingZoneWidth && PanelOnTop())
    SizingDirectionY = -1;
  else if (y >= bounds.bottom - SizingZoneWidth && !PanelOnTop())
    SizingDirectionY = 1;
  return true;
}

void TvxCustomEditPopupWindowViewInfo::DrawPopupFrame(TvxCanvas& canvas, RECT& r) {
  auto frame = [&](TColor color) {
    canvas.FrameRect(r, color);
    InflateRect(&r, -1, -1);
  };
  auto edge = [&](TColor leftTop, TColor rightBottom) {
    canvas.DrawComplexFrame(r, leftTop, rightBottom);
    InflateRect(&r, -1, -1);
  };
  if (NativeStyle || PopupBorderStyle == epbsSingle) {
    frame(clBtnText);
    return;
  }
  if (PopupBorderStyle != epbsFlat && PopupBorderStyle != epbsFrame3D) return;
  edge(cl3DLight, cl3DDkShadow);
  edge(clBtnHighlight, clBtnShadow);
  if (PopupBorderStyle != epbsFrame3D) return;
  frame(ClientEdge ? clInactiveBorder : clBtnFace);
  if (ClientEdge)
    frame(clBtnFace);
  else
    edge(clBtnShadow, clBtnHighlight);
}

void TvxCustomEditPopupWindowViewInfo::DrawCloseButton(TvxCanvas& canvas) {
  if (CloseButtonNativeState != 0) {
    CloseButtonNativeState = CloseButtonState;
    if (HTHEME theme = OpenTheme(totWindow)) {
      if (IsThemeBackgroundPartiallyTransparent(theme, WP_CLOSEBUTTON_PART, CloseButtonNativeState))
        canvas.FillRect(CloseButtonRect, clBtnFace);
      DrawThemeBackground(theme, canvas.Handle(), WP_CLOSEBUTTON_PART, CloseButtonNativeState, CloseButtonRect);
      return;
    }
  }
  vxGetPainterClass(NativeStyle, CloseButtonLookAndFeelKind)
      ->DrawSmallCloseButton(canvas, CloseButtonRect, static_cast<TvxButtonState>(CloseButtonState));
}

void TvxCustomEditPopupWindowViewInfo::Paint(TvxCanvas& canvas) {
  RECT r{0, 0, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top};
  if (Shadow) {
    r.right -= vxPopupShadow;
    r.bottom -= vxPopupShadow;
    vxDrawContainerShadow(canvas, r);
  }
  DrawPopupFrame(canvas, r);
  const int edgeWidth = ClientEdgeWidth();
  const int panel = SysPanelHeight + (NativeStyle || PopupBorderStyle == epbsSingle ? 1 : 0);
  if (SysPanelStyle && (PopupBorderStyle == epbsSingle || CloseButtonNativeState != 0)) {
    RECT c = ClientRect;
    InflateRect(&c, edgeWidth, edgeWidth);
    const int y = PanelOnTop() ? c.top - 1 : c.bottom;
    canvas.FillRect(RECT{c.left, y, c.right, y + 1}, clBtnText);
  }
  if (ClientEdge) {
    RECT e = r;
    if (SysPanelStyle) (PanelOnTop() ? e.top : e.bottom) += PanelOnTop() ? panel : -panel;
    canvas.DrawComplexFrame(e, clBtnShadow, clBtnHighlight);
    if (!(PopupBorderStyle == epbsFlat && !NativeStyle)) {
      InflateRect(&e, -1, -1);
      canvas.DrawComplexFrame(e, cl3DDkShadow, cl3DLight);
    }
  }
  if (SysPanelStyle) {
    if (Sizeable) {
      vxDrawSizeGrip(canvas, SizeGripRect, SizeGripCorner, NativeStyle);
      canvas.ExcludeClipRect(SizeGripRect);
    }
    if (!IsRectEmpty(&CloseButtonRect)) {
      DrawCloseButton(canvas);
      canvas.ExcludeClipRect(CloseButtonRect);
    }
  }
  canvas.FillRect(ClientRect, clBtnFace);
  if (SysPanelStyle) {
    RECT strip = r;
    if (PanelOnTop())
      strip.bottom = strip.top + SysPanelHeight;
    else
      strip.top = strip.bottom - SysPanelHeight;
    canvas.FillRect(strip, clBtnFace);
  }
}

void vxDrawSizeGrip(TvxCanvas& canvas, const RECT& r, TvxSizeGripCorner corner, bool nativeStyle) {
  canvas.FillRect(r, clBtnFace);
  const bool themed = nativeStyle && ThemeUsable(totScrollBar);
  SIZE size{GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL)};
  if (themed) {
    const SIZE part = ThemePartSize(totScrollBar, SBP_SIZEBOX_PART, 1);
    size = SIZE{part.cx + 2, part.cy + 2};
  }
  const bool left = corner == sgcTopLeft || corner == sgcBottomLeft;
  const bool top = corner == sgcTopLeft || corner == sgcTopRight;
  RECT g;
  g.left = left ? r.left : r.right - size.cx;
  g.top = top ? r.top : r.bottom - size.cy;
  g.right = g.left + size.cx;
  g.bottom = g.top + size.cy;
  // The two sides that face into the popup give up 2 pixels.
  (left ? g.right : g.left) += left ? -2 : 2;
  (top ? g.bottom : g.top) += top ? -2 : 2;
  const int w = g.right - g.left;
  const int h = g.bottom - g.top;
  if (w <= 0 || h <= 0) return;
  HDC screen = canvas.Handle();
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, w, h};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  HTHEME theme = themed ? OpenTheme(totScrollBar) : nullptr;
  if (theme != nullptr)
    DrawThemeBackground(theme, dc, SBP_SIZEBOX_PART, 1, all);
  else
    DrawFrameControl(dc, &all, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
  // The system's grip points to the bottom right: mirrored, it points into its corner.
  StretchBlt(screen, left ? g.left + w - 1 : g.left, top ? g.top + h - 1 : g.top, left ? -w : w, top ? -h : h, dc, 0,
             0, w, h, SRCCOPY);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

// --- Popup window ----------------------------------------------------------------------------

TvxCustomEditPopupWindow::TvxCustomEditPopupWindow(TWinControl* ownerControl) : TvxCustomPopupWindow(ownerControl) {
  ViewInfo()->CloseButtonState = vxCloseButtonNormal;
}

TvxCustomEditPopupWindow::~TvxCustomEditPopupWindow() {
  Destroying();
  EndSizing(false);
}

IvxEditPopupWindowOwner* TvxCustomEditPopupWindow::PopupOwner() const {
  return dynamic_cast<IvxEditPopupWindowOwner*>(OwnerControl());
}

void TvxCustomEditPopupWindow::SetEditPopupBorderStyle(TvxEditPopupBorderStyle value) {
  FEditPopupBorderStyle = value;
  ViewInfo()->PopupBorderStyle = value;
}

void TvxCustomEditPopupWindow::SetClientEdge(bool value) {
  FClientEdge = value;
  ViewInfo()->ClientEdge = value;
}

void TvxCustomEditPopupWindow::SetCloseButton(bool value) {
  FCloseButton = value;
  ViewInfo()->CloseButton = value;
}

void TvxCustomEditPopupWindow::SetNativeStyle(bool value) {
  FNativeStyle = value;
  ViewInfo()->NativeStyle = value;
}

void TvxCustomEditPopupWindow::SetShadow(bool value) {
  FShadow = value;
  ViewInfo()->Shadow = value;
}

void TvxCustomEditPopupWindow::SetSizeable(bool value) {
  FSizeable = value;
  ViewInfo()->Sizeable = value;
}

void TvxCustomEditPopupWindow::SetSysPanelStyle(bool value) {
  FSysPanelStyle = value;
  ViewInfo()->SysPanelStyle = value;
}

void TvxCustomEditPopupWindow::CalculateViewInfo() {
  TvxCustomEditPopupWindowViewInfo* info = ViewInfo();
  info->Bounds = RECT{0, 0, Width(), Height()};
  info->Calculate();
  if (IvxEditPopupWindowOwner* owner = PopupOwner())
    if (TvxLookAndFeel* lookAndFeel = owner->GetPopupControlLookAndFeel())
      info->CloseButtonLookAndFeelKind = lookAndFeel->GetActiveKind();
}

void TvxCustomEditPopupWindow::SendCharToFocus(char ch) {
  if (HWND focus = GetFocus()) SendMessageA(focus, WM_CHAR, static_cast<unsigned char>(ch), 0);
}

SIZE TvxCustomEditPopupWindow::GetMinimumSize() {
  TvxCustomEditPopupWindowViewInfo* info = ViewInfo();
  const RECT extent = info->GetClientExtent();
  SIZE size{extent.left + extent.right, extent.top + extent.bottom};
  if (FSizeable && FSysPanelStyle)
    size.cx += (info->CloseButtonRect.right - info->CloseButtonRect.left) +
               (info->SizeGripSizingRect.right - info->SizeGripSizingRect.left) + 10;
  return size;
}

POINT TvxCustomEditPopupWindow::CalculatePosition() {
  POINT p = TvxCustomPopupWindow::CalculatePosition();
  const RECT owner = OwnerScreenBounds();
  FAbove = p.y < owner.top;
  const bool gripLeft = p.x < owner.left;
  TvxCustomEditPopupWindowViewInfo* info = ViewInfo();
  info->SizeGripCorner = FAbove ? (gripLeft ? sgcTopLeft : sgcTopRight) : (gripLeft ? sgcBottomLeft : sgcBottomRight);
  if (FAbove && FShadow) p.y += vxPopupShadow;
  FPlacedLeft = p.x;
  CalculateViewInfo();
  UpdateWindowRegion();
  return p;
}

bool TvxCustomEditPopupWindow::IsAboveOwner() { return FAbove; }

void TvxCustomEditPopupWindow::CalculateSize() {
  TvxCustomEditPopupWindowViewInfo* info = ViewInfo();
  info->SizeGripCorner = sgcBottomRight;
  if (TWinControl* owner = OwnerControl()) {
    SetOwnerParent(owner);
    SetOwnerBounds(RECT{0, 0, owner->Width(), owner->Height()});
  }
  CalculateViewInfo();
  const RECT extent = info->GetClientExtent();
  const SIZE minimum = GetMinimumSize();
  IvxEditPopupWindowOwner* popupOwner = PopupOwner();
  const SIZE preferred = popupOwner != nullptr ? popupOwner->GetPopupWindowClientPreferredSize() : SIZE{};
  const RECT ownerBounds = OwnerBounds();

  int width;
  if (FAutoSize)
    width = extent.left + extent.right + preferred.cx;
  else if (FPopupWidth != 0)
    width = FPopupWidth;
  else
    width = ownerBounds.right - ownerBounds.left;
  if (FSizeable && FMinWidth > 0) width = std::max(width, FMinWidth);
  width = std::max<int>(width, minimum.cx);

  int height;
  if (FAutoSize)
    height = extent.top + extent.bottom + preferred.cy;
  else if (FPopupHeight >= 1)
    height = FPopupHeight;
  else
    height = std::max<int>(minimum.cy, FMinHeight);
  if (FSizeable && FMinHeight > 0) height = std::max(height, FMinHeight);
  height = std::max<int>(height, minimum.cy);

  SetBounds(Left(), Top(), width, height);
}

bool TvxCustomEditPopupWindow::CanResize(int& width, int& height) {
  if (!TvxCustomPopupWindow::CanResize(width, height)) return false;
  if (!FSizeable || (width == Width() && height == Height())) return true;
  const SIZE minimum = GetMinimumSize();
  width = std::max<int>(width, minimum.cx);
  height = std::max<int>(height, minimum.cy);
  if (FMinWidth > 0) width = std::max(width, FMinWidth);
  if (FMinHeight > 0) height = std::max(height, FMinHeight);
  if (width == Width() && height == Height()) return true;
  IvxEditPopupWindowOwner* owner = PopupOwner();
  if (owner == nullptr) return true;
  const RECT extent = ViewInfo()->GetClientExtent();
  SIZE client{width - extent.left - extent.right, height - extent.top - extent.bottom};
  const RECT ownerRect = OwnerScreenBounds();
  int maxHeight;
  if (FAbove) {
    maxHeight = ownerRect.top - GetDesktopWorkArea(POINT{ownerRect.left, ownerRect.top}).top;
  } else {
    const int top = HandleAllocated() && IsWindowVisible(Handle()) ? Top() : ownerRect.bottom;
    maxHeight = GetDesktopWorkArea(POINT{Left(), top}).bottom - top;
  }
  maxHeight -= extent.top + extent.bottom;
  if (owner->FitPopupClientSize(client, maxHeight)) {
    width = std::max<int>(extent.left + extent.right + client.cx, minimum.cx);
    height = std::max<int>(extent.top + extent.bottom + client.cy, minimum.cy);
  } else {
    width = Width();
    height = Height();
  }
  return true;
}

void TvxCustomEditPopupWindow::Resize() {
  TvxCustomPopupWindow::Resize();
  CalculateViewInfo();
  UpdateWindowRegion();
  if (HandleAllocated()) Realign();
}

void TvxCustomEditPopupWindow::UpdateWindowRegion() {
  if (!HandleAllocated()) return;
  if (FNativeStyle) {
    vxSetWindowRegion(Handle(), nullptr);
    return;
  }
  std::unique_ptr<TvxRegion> region = vxCreateContainerRegion(RECT{0, 0, Width(), Height()}, FShadow);
  if (FAbove && FShadow) {
    // The shadow strip at the bottom lies over the edit: the edit shows through it.
    const RECT owner = OwnerScreenBounds();
    const int left = owner.left - FPlacedLeft;
    const int right = owner.right - FPlacedLeft - vxPopupShadow;
    if (right > left) region->Combine(std::make_unique<TvxRegion>(left, Height() - vxPopupShadow, right, Height()), roSubtract);
  }
  vxSetWindowRegion(Handle(), region.get());
}

void TvxCustomEditPopupWindow::CloseUp() {
  EndSizing(false);
  TvxCustomPopupWindow::CloseUp();
}

void TvxCustomEditPopupWindow::ClosePopup() {
  IvxEditPopupWindowOwner* owner = PopupOwner();
  if (owner == nullptr) {
    TvxCustomPopupWindow::ClosePopup();
    return;
  }
  switch (ModalResult()) {
    case mrOk: owner->CloseUpPopup(crEnter); break;
    case mrCancel: owner->CloseUpPopup(crCancel); break;
    default: owner->CloseUpPopup(crUnknown); break;
  }
}

// --- Mouse: sizing and the close button --------------------------------------------------------

void TvxCustomEditPopupWindow::SetCloseButtonState(int state) {
  TvxCustomEditPopupWindowViewInfo* info = ViewInfo();
  if (info->CloseButtonState == state) return;
  info->CloseButtonState = state;
  if (info->CloseButtonNativeState != 0) info->CloseButtonNativeState = state;
  if (HandleAllocated() && !IsRectEmpty(&info->CloseButtonRect)) InvalidateRect(Handle(), &info->CloseButtonRect, FALSE);
}

void TvxCustomEditPopupWindow::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TvxCustomPopupWindow::MouseDown(button, shift, x, y);
  if (button != TMouseButton::mbLeft) return;
  TvxCustomEditPopupWindowViewInfo* info = ViewInfo();
  const POINT p{x, y};
  if (FSizeable && info->GetSizingDirection(x, y)) {
    BeginSizing(x, y);
    return;
  }
  if (PtInRect(&info->CloseButtonRect, p)) SetCloseButtonState(vxCloseButtonPressed);
}

void TvxCustomEditPopupWindow::MouseMove(TShiftState shift, int x, int y) {
  TvxCustomPopupWindow::MouseMove(shift, x, y);
  if (FSizing) {
    SizingMove(ClientToScreen(POINT{x, y}));
    return;
  }
  TvxCustomEditPopupWindowViewInfo* info = ViewInfo();
  const POINT p{x, y};
  const bool over = PtInRect(&info->CloseButtonRect, p) != FALSE;
  if (info->CloseButtonState == vxCloseButtonPressed) {
    if (!over && (shift & ssLeft) == 0) SetCloseButtonState(vxCloseButtonNormal);
  } else {
    SetCloseButtonState(over ? vxCloseButtonHot : vxCloseButtonNormal);
  }
}

void TvxCustomEditPopupWindow::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TvxCustomPopupWindow::MouseUp(button, shift, x, y);
  if (button != TMouseButton::mbLeft) return;
  TvxCustomEditPopupWindowViewInfo* info = ViewInfo();
  if (info->CloseButtonState != vxCloseButtonPressed) return;
  const POINT p{x, y};
  if (!PtInRect(&info->CloseButtonRect, p)) {
    SetCloseButtonState(vxCloseButtonNormal);
    return;
  }
  SetCloseButtonState(vxCloseButtonHot);
  if (!CloseQuery()) return;
  if (IvxEditPopupWindowOwner* owner = PopupOwner())
    owner->CloseUpPopup(crUnknown);
  else
    CloseUp();
}

void TvxCustomEditPopupWindow::BeginSizing(int x, int y) {
  TvxCustomEditPopupWindowViewInfo* info = ViewInfo();
  FSizing = true;
  FSizingStartPoint = ClientToScreen(POINT{x, y});
  FSizingStartBounds = RECT{Left(), Top(), Left() + Width(), Top() + Height()};
  FSizingBounds = FSizingStartBounds;
  FSavedCursor = Screen->Cursor();
  const int dx = info->SizingDirectionX;
  const int dy = info->SizingDirectionY;
  TCursor cursor = crDefault;
  if (dx != 0 && dy != 0)
    cursor = dx == dy ? crSizeNWSE : crSizeNESW;
  else if (dx != 0)
    cursor = crSizeWE;
  else if (dy != 0)
    cursor = crSizeNS;
  Screen->SetCursor(cursor);
  if (!HoldsCapture()) SetCapture(Handle());
  DrawSizingOutline();
}

bool TvxCustomEditPopupWindow::HoldsCapture() { return HandleAllocated() && GetCapture() == Handle(); }

void TvxCustomEditPopupWindow::SizingMove(POINT screen) {
  TvxCustomEditPopupWindowViewInfo* info = ViewInfo();
  RECT r = FSizingStartBounds;
  const int dx = screen.x - FSizingStartPoint.x;
  const int dy = screen.y - FSizingStartPoint.y;
  const SIZE minimum = GetMinimumSize();
  const int minWidth = std::max<int>(minimum.cx, FMinWidth);
  const int minHeight = std::max<int>(minimum.cy, FMinHeight);
  const RECT work = GetDesktopWorkArea(screen);
  const RECT owner = OwnerScreenBounds();
  if (info->SizingDirectionX > 0) r.right = std::min<int>(std::max<int>(r.right + dx, r.left + minWidth), work.right);
  if (info->SizingDirectionX < 0) r.left = std::max<int>(std::min<int>(r.left + dx, r.right - minWidth), work.left);
  if (info->SizingDirectionY > 0) {
    r.bottom = std::min<int>(std::max<int>(r.bottom + dy, r.top + minHeight), work.bottom);
  }
  if (info->SizingDirectionY < 0) {
    r.top = std::max<int>(std::min<int>(r.top + dy, r.bottom - minHeight), work.top);
  }
  // The moving side never passes over the edit.
  if (!FAbove && r.top < owner.bottom && FSizingStartBounds.top >= owner.bottom) r.top = owner.bottom;
  if (FAbove && r.bottom > owner.top + (FShadow ? vxPopupShadow : 0) && FSizingStartBounds.bottom <= owner.top)
    r.bottom = owner.top;
  if (EqualRect(&r, &FSizingBounds)) return;
  DrawSizingOutline();
  FSizingBounds = r;
  DrawSizingOutline();
}

void TvxCustomEditPopupWindow::DrawSizingOutline() {
  RECT r = FSizingBounds;
  if (FShadow) {
    r.right -= vxPopupShadow;
    r.bottom -= vxPopupShadow;
  }
  const int count = std::max(2, ViewInfo()->FrameWidth());
  HDC dc = GetDC(nullptr);
  for (int i = 0; i < count; ++i) {
    DrawFocusRect(dc, &r);
    InflateRect(&r, -1, -1);
  }
  ReleaseDC(nullptr, dc);
  FOutlineShown = !FOutlineShown;
}

void TvxCustomEditPopupWindow::EndSizing(bool apply) {
  if (!FSizing) return;
  FSizing = false;
  if (FOutlineShown) DrawSizingOutline();
  FOutlineShown = false;
  Screen->SetCursor(FSavedCursor);
  if (HoldsCapture()) ReleaseCapture();
  if (!apply || IsDestroying()) return;
  const RECT r = FSizingBounds;
  if (!EqualRect(&r, &FSizingStartBounds)) {
    FPlacedLeft = r.left;
    SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    FSized = true;
  }
  if (TWinControl* owner = OwnerControl()) {
    SetOwnerParent(owner);
    SetOwnerBounds(RECT{0, 0, owner->Width(), owner->Height()});
  }
  CalculateViewInfo();
  if (IvxEditPopupWindowOwner* owner = PopupOwner()) owner->PositionPopupWindowChildren(ViewInfo()->ClientRect);
  if (HandleAllocated()) {
    Invalidate();
    Update();
  }
}

LRESULT TvxCustomEditPopupWindow::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_LBUTTONUP:
      // The release ends the sizing before the platform lets the capture go (which would
      // cancel it).
      if (FSizing) {
        EndSizing(true);
        return 0;
      }
      break;
    case WM_SHOWWINDOW:
      if (m.WParam != 0) UpdateWindowRegion();
      break;
    case VXM_POPUPCONTROLKEY:
      if (IsVisible()) SendCharToFocus(static_cast<char>(LOBYTE(m.WParam)));
      return 0;
    case WM_CAPTURECHANGED:
      if (FSizing && reinterpret_cast<HWND>(m.LParam) != Handle()) EndSizing(false);
      break;
    case CM_MOUSELEAVE:
      if (ViewInfo()->CloseButtonState == vxCloseButtonHot) SetCloseButtonState(vxCloseButtonNormal);
      break;
  }
  return TvxCustomPopupWindow::WndProc(m);
}
