#include "editors/vxDropDownEdit.h"

#include "controls/vdThemeManager.h"
#include "controls/vdUxTheme.h"
#include "controls/vxEditConsts.h"
#include "controls/vxEditUtils.h"
#include "controls/vxLookAndFeelPainters.h"
#include "platform/gui/Forms.h"

#include <algorithm>
#include <initializer_list>

namespace {

// Theme parts the popup frame draws with.
constexpr int WP_CLOSEBUTTON_PART = 18;
constexpr int SBP_SIZEBOX_PART = 10;
constexpr int vxPopupShadow = vxContainerShadowWidth;
constexpr TColor clInactiveBorder = SystemColor(COLOR_INACTIVEBORDER);

bool IsOneOf(const AnsiString& name, std::initializer_list<const char*> names) {
  for (const char* published : names)
    if (SameText(name, published)) return true;
  return false;
}

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

// The view info is made on first use, not here: a descendant's view info class (the popup
// edit's) is not yet the answer while this constructor runs.
TvxCustomEditPopupWindow::TvxCustomEditPopupWindow(TWinControl* ownerControl) : TvxCustomPopupWindow(ownerControl) {}

TvxCustomEditPopupWindow::~TvxCustomEditPopupWindow() {
  Destroying();
  EndSizing(false);
}

void TvxCustomEditPopupWindow::InitializeViewInfo(TvxContainerViewInfo& viewInfo) {
  TvxCustomPopupWindow::InitializeViewInfo(viewInfo);
  auto* info = dynamic_cast<TvxCustomEditPopupWindowViewInfo*>(&viewInfo);
  if (info == nullptr) return;
  info->PopupBorderStyle = FEditPopupBorderStyle;
  info->ClientEdge = FClientEdge;
  info->CloseButton = FCloseButton;
  info->NativeStyle = FNativeStyle;
  info->Shadow = FShadow;
  info->Sizeable = FSizeable;
  info->SysPanelStyle = FSysPanelStyle;
  info->CloseButtonState = vxCloseButtonNormal;
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
    case CM_DIALOGKEY:
      // Tab would move the focus inside the popup before the edit heard of it.
      if (m.WParam == VK_TAB && OnKeyDown && IsVisible()) {
        WORD key = VK_TAB;
        OnKeyDown(this, key, KeyDataToShiftState(m.LParam));
        if (key == 0) return 1;
      }
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

// --- Popup look-and-feel -----------------------------------------------------------------------

TvxEditPopupControlLookAndFeel::TvxEditPopupControlLookAndFeel(TvxCustomEdit* edit)
    : TvxLookAndFeel(nullptr), FEdit(edit) {}

const TvxLookAndFeel* TvxEditPopupControlLookAndFeel::EditLookAndFeel() const {
  if (FEdit == nullptr || FEdit->IsDestroying()) return nullptr;
  if (FEdit->IsInplace()) return &FEdit->LookAndFeel();
  TvxContainerStyle* style = FEdit->ActiveStyle();
  return style != nullptr ? style->LookAndFeel() : nullptr;
}

TvxLookAndFeelKind TvxEditPopupControlLookAndFeel::GetActiveKind() const {
  const TvxLookAndFeel* lookAndFeel = EditLookAndFeel();
  return lookAndFeel != nullptr ? lookAndFeel->GetActiveKind() : TvxLookAndFeel::GetActiveKind();
}

bool TvxEditPopupControlLookAndFeel::GetActiveNativeStyle() const {
  const TvxLookAndFeel* lookAndFeel = EditLookAndFeel();
  return lookAndFeel != nullptr ? lookAndFeel->GetActiveNativeStyle() : TvxLookAndFeel::GetActiveNativeStyle();
}

// --- Drop-down edit properties -----------------------------------------------------------------

TvxCustomDropDownEditProperties::TvxCustomDropDownEditProperties(TPersistent* owner)
    : TvxCustomMaskEditProperties(owner) {
  BeginUpdate();
  Buttons()->Clear();
  Buttons()->Add()->SetKind(bkDown);
  EndUpdate(false);
}

TvxCustomEditPropertiesClass TvxCustomDropDownEditProperties::PropertiesClass() {
  static const TvxEditPropertiesClassInfo info{
      {"TvxCustomDropDownEditProperties"}, TvxCustomMaskEditProperties::PropertiesClass(),
      [](TPersistent* owner) -> TvxCustomEditProperties* { return new TvxCustomDropDownEditProperties(owner); }};
  return &info;
}

void TvxCustomDropDownEditProperties::Assign(const TPersistent* source) {
  auto* other = dynamic_cast<const TvxCustomDropDownEditProperties*>(source);
  if (other == nullptr) {
    TvxCustomMaskEditProperties::Assign(source);
    return;
  }
  BeginUpdate();
  try {
    TvxCustomMaskEditProperties::Assign(source);
    FDropDownButtonIndex = other->FDropDownButtonIndex;
    FImmediateDropDown = other->FImmediateDropDown;
    FImmediatePopup = other->FImmediatePopup;
    SetDropDownButtonPressedWhileActive(other->FDropDownButtonPressedWhileActive);
    FPopupAutoSize = other->FPopupAutoSize;
    SetPopupClientEdge(other->FPopupClientEdge);
    FPopupBorderOption = other->FPopupBorderOption;
    FPopupHorzAlignment = other->FPopupHorzAlignment;
    FPopupMinHeight = other->FPopupMinHeight;
    FPopupMinWidth = other->FPopupMinWidth;
    FPopupHeight = other->FPopupHeight;
    FPopupWidth = other->FPopupWidth;
    SetPopupSizeable(other->FPopupSizeable);
    SetPopupSysPanelStyle(other->FPopupSysPanelStyle);
    FPopupDirectionOption = other->FPopupDirectionOption;
    FPostPopupValueOnTab = other->FPostPopupValueOnTab;
    OnCloseQuery = other->OnCloseQuery;
    OnCloseUp = other->OnCloseUp;
    OnInitPopup = other->OnInitPopup;
    OnPopup = other->OnPopup;
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TBitmap* TvxCustomDropDownEditProperties::ButtonGlyph() const {
  if (FDropDownButtonIndex < 0 || FDropDownButtonIndex >= Buttons()->Count()) return nullptr;
  return Buttons()->Items(FDropDownButtonIndex)->AssignedGlyph();
}

void TvxCustomDropDownEditProperties::SetButtonGlyph(TBitmap* value) {
  if (FDropDownButtonIndex < 0 || FDropDownButtonIndex >= Buttons()->Count()) return;
  Buttons()->Items(FDropDownButtonIndex)->SetGlyph(value != nullptr && !value->Empty() ? value : nullptr);
  UpdateButtonKind();
}

void TvxCustomDropDownEditProperties::UpdateButtonKind() {
  if (FUpdatingButtonKind || FDropDownButtonIndex < 0 || FDropDownButtonIndex >= Buttons()->Count()) return;
  TvxFlagScope updating(FUpdatingButtonKind);
  TvxEditButton* button = Buttons()->Items(FDropDownButtonIndex);
  TBitmap* glyph = button->AssignedGlyph();
  const bool hasGlyph = glyph != nullptr && !glyph->Empty();
  if (hasGlyph && button->Kind() != bkGlyph)
    button->SetKind(bkGlyph);
  else if (!hasGlyph && button->Kind() == bkGlyph)
    button->SetKind(bkDown);
}

void TvxCustomDropDownEditProperties::Changed() {
  UpdateButtonKind();
  TvxCustomMaskEditProperties::Changed();
}

TAlignment TvxCustomDropDownEditProperties::PopupAlignment() const {
  switch (FPopupHorzAlignment) {
    case pahCenter: return TAlignment::taCenter;
    case pahRight: return TAlignment::taRightJustify;
    default: return TAlignment::taLeftJustify;
  }
}

void TvxCustomDropDownEditProperties::SetPopupAlignment(TAlignment value) {
  TvxPopupAlignHorz alignment = pahLeft;
  switch (value) {
    case TAlignment::taCenter: alignment = pahCenter; break;
    case TAlignment::taRightJustify: alignment = pahRight; break;
    default: break;
  }
  if (alignment == FPopupHorzAlignment) return;
  FPopupHorzAlignment = alignment;
  Changed();
}

void TvxCustomDropDownEditProperties::SetPopupHeight(int value) { FPopupHeight = std::max(value, FPopupMinHeight); }

void TvxCustomDropDownEditProperties::SetPopupMinHeight(int value) {
  FPopupMinHeight = std::max(value, 0);
  SetPopupHeight(FPopupHeight);
}

void TvxCustomDropDownEditProperties::SetPopupWidth(int value) {
  if (value < 0) value = 0;
  // 0 means "not given" and stays.
  if (value > 0 && value < FPopupMinWidth) value = FPopupMinWidth;
  FPopupWidth = value;
}

void TvxCustomDropDownEditProperties::SetPopupMinWidth(int value) {
  FPopupMinWidth = std::max(value, 0);
  SetPopupWidth(FPopupWidth);
}

TvxCustomEditPopupWindow* TvxCustomDropDownEditProperties::CreatePopupWindow(TvxCustomDropDownEdit* edit) const {
  return new TvxCustomEditPopupWindow(edit);
}

// --- Drop-down view data -------------------------------------------------------------------------

TvxCustomEditViewDataClass TvxCustomDropDownEditViewData::ViewDataClass() {
  static const std::remove_pointer_t<TvxCustomEditViewDataClass> info{
      {"TvxCustomDropDownEditViewData"},
      [](TvxCustomEditProperties* properties, TvxCustomEditStyle* style, bool inplace) -> TvxCustomEditViewData* {
        return new TvxCustomDropDownEditViewData(properties, style, inplace);
      }};
  return &info;
}

void TvxCustomDropDownEditViewData::Calculate(TvxCanvas& canvas, const RECT& bounds, POINT p,
                                              std::optional<TMouseButton> button, TShiftState shift,
                                              TvxCustomEditViewInfo& viewInfo) {
  auto* properties = dynamic_cast<TvxCustomDropDownEditProperties*>(Properties);
  const bool pressedLook = properties != nullptr && properties->DropDownButtonPressedWhileActive();
  // While the edit is hot, the mouse does not press the drop-down button.
  std::optional<TMouseButton> mouse = button;
  if (pressedLook && IsHotAndPopup && Edit != nullptr) {
    const int hit = viewInfo.HitTestButton(p);
    if (hit >= 0 && hit < viewInfo.ButtonCount() && viewInfo.ButtonsInfo[static_cast<size_t>(hit)]->ButtonIndex == 0)
      mouse.reset();
  }
  TvxCustomTextEditViewData::Calculate(canvas, bounds, p, mouse, shift, viewInfo);
  if (!pressedLook || Edit == nullptr || !(HasPopupWindow || IsHotAndPopup)) return;
  for (auto& info : viewInfo.ButtonsInfo)
    if (info->ButtonIndex == 0 && info->State != ebsDisabled) info->State = ebsPressed;
}

TvxCustomEditClass TvxCustomDropDownEditProperties::GetContainerClass() const {
  return vxObjectClassOf<TvxCustomDropDownEdit, TvxCustomEdit, TComponent*>("TvxCustomDropDownEdit");
}

TvxCustomEditViewDataClass TvxCustomDropDownEditProperties::GetViewDataClass() const {
  return TvxCustomDropDownEditViewData::ViewDataClass();
}

// --- Drop-down edit ------------------------------------------------------------------------------

TvxCustomDropDownEdit::TvxCustomDropDownEdit(TComponent* owner, bool inplace)
    : TvxCustomDropDownEdit(owner, inplace, DropDownEditClasses(TvxCustomDropDownEditProperties::PropertiesClass())) {}

TvxCustomDropDownEdit::TvxCustomDropDownEdit(TComponent* owner, bool inplace, const TvxEditClasses& classes)
    : TvxCustomMaskEdit(owner, inplace, classes) {
  InitializeDropDownEdit();
}

TvxEditClasses TvxCustomDropDownEdit::DropDownEditClasses(TvxCustomEditPropertiesClass properties) {
  return TextEditClasses(properties);
}

void TvxCustomDropDownEdit::InitializeDropDownEdit() {
  FPopupControlsLookAndFeel = std::make_unique<TvxEditPopupControlLookAndFeel>(this);
}

TvxCustomDropDownEdit::~TvxCustomDropDownEdit() {
  Destroying();
  RemovePendingShow();
  if (FPopupWindow != nullptr) {
    TvxCustomEditPopupWindow* popup = FPopupWindow;
    popup->OnClosed = nullptr;
    popup->OnClosing = nullptr;
    popup->OnShowed = nullptr;
    popup->OnShowing = nullptr;
    popup->OnKeyDown = nullptr;
    popup->OnKeyPress = nullptr;
    popup->OnCloseQuery = nullptr;
    popup->CloseUp();
    FPopupWindow = nullptr;
    delete popup;
  }
}

void TvxCustomDropDownEdit::Notification(TComponent* component, TOperation operation) {
  TvxCustomMaskEdit::Notification(component, operation);
  if (operation == TOperation::opRemove && component == FPopupWindow) FPopupWindow = nullptr;
}

bool TvxCustomDropDownEdit::DroppedDown() { return FPopupWindow != nullptr && FPopupWindow->IsVisible(); }

void TvxCustomDropDownEdit::SetDroppedDown(bool value) {
  if (value == DroppedDown()) return;
  if (value) {
    if (!IsPopupShowPending()) DropDown();
  } else {
    CloseUp(crUnknown);
  }
}

bool TvxCustomDropDownEdit::IsPopupShowPending() {
  if (FPopupWindow == nullptr || !FPopupWindow->HandleAllocated()) return false;
  MSG msg{};
  return PeekMessageA(&msg, FPopupWindow->Handle(), VXM_REPOPUP, VXM_REPOPUP, PM_NOREMOVE | PM_NOYIELD) != FALSE;
}

bool TvxCustomDropDownEdit::RemovePendingShow() {
  if (FPopupWindow == nullptr || !FPopupWindow->HandleAllocated()) return false;
  MSG msg{};
  bool removed = false;
  while (PeekMessageA(&msg, FPopupWindow->Handle(), VXM_REPOPUP, VXM_REPOPUP, PM_REMOVE | PM_NOYIELD)) removed = true;
  return removed;
}

void TvxCustomDropDownEdit::DoInitPopup() {
  TvxObjectLinkHolder self(this);
  if (TNotifyEvent& event = Properties()->OnInitPopup) event(this);
  if (self.Object() == nullptr) return;
  if (RepositoryItem() != nullptr)
    if (auto* item = dynamic_cast<TvxCustomDropDownEditProperties*>(RepositoryItem()->Properties()))
      if (item->OnInitPopup) item->OnInitPopup(this);
}

void TvxCustomDropDownEdit::CreatePopupWindow() {
  FPopupWindow = ActiveProperties()->CreatePopupWindow(this);
  FPopupWindow->FreeNotification(this);
  FPopupWindow->OnShowing = [this](TObject*) { PopupWindowShowing(); };
  FPopupWindow->OnShowed = [this](TObject*) { PopupWindowShowed(); };
  FPopupWindow->OnClosed = [this](TObject*) { PopupWindowClosed(); };
  FPopupWindow->OnKeyDown = [this](TObject*, WORD& key, TShiftState shift) { PopupWindowKeyDown(key, shift); };
  FPopupWindow->OnKeyPress = [this](TObject*, char& key) { PopupWindowKeyPress(key); };
  FPopupWindow->OnCloseQuery = [this](TObject*, bool&) {
    TvxCustomDropDownEditProperties* properties = ActiveProperties();
    if (properties->OnCloseQuery) properties->OnCloseQuery(this);
  };
}

void TvxCustomDropDownEdit::InitializePopupWindow() {
  TvxCustomDropDownEditProperties* properties = ActiveProperties();
  TvxCustomEditPopupWindow* popup = FPopupWindow;
  popup->SetPopupBorderStyle(static_cast<TvxPopupBorderStyle>(properties->PopupBorderOption()));
  popup->SetAlignHorz(properties->PopupHorzAlignment());
  popup->SetDirection(static_cast<TvxPopupDirection>(properties->PopupDirectionOption()));
  popup->SetClientEdge(properties->PopupClientEdge());
  popup->SetMinHeight(properties->PopupMinHeight());
  popup->SetMinWidth(properties->PopupMinWidth());
  popup->SetAutoSize(properties->PopupAutoSize());
  popup->SetSizeable(properties->PopupSizeable());
  popup->SetSysPanelStyle(properties->PopupSysPanelStyle());
  if (IsInplace() && properties->PopupSizeable()) {
    popup->SetPopupWidth(FInplacePopupSize.cx);
    popup->SetPopupHeight(FInplacePopupSize.cy);
  } else {
    popup->SetPopupWidth(properties->PopupWidth());
    popup->SetPopupHeight(properties->PopupHeight());
  }
  popup->SetSized(false);
  // The frame follows the edit's look: its style's popup border (the default one resolved by
  // the border) and shadow, and its native style.
  auto* style = static_cast<TvxCustomEditStyle*>(ActiveStyle());
  TvxEditPopupBorderStyle border = style->PopupBorderStyle();
  if (border == epbsDefault) {
    if (IsInplace()) {
      switch (FPopupControlsLookAndFeel->GetActiveKind()) {
        case lfFlat: border = epbsFlat; break;
        case lfStandard: border = epbsFrame3D; break;
        default: border = epbsSingle; break;
      }
    } else {
      const TvxContainerBorderStyle edge = style->BorderStyle();
      border = edge == cbsNone || edge == cbsFlat ? epbsFlat : epbsSingle;
    }
  }
  popup->SetEditPopupBorderStyle(border);
  popup->SetShadow(style->Shadow());
  popup->SetNativeStyle(EditViewInfo()->NativeStyle);
  popup->SetCloseButton(style->PopupCloseButton());
}

void TvxCustomDropDownEdit::DropDown() {
  if (!HandleAllocated() || !IsWindowVisible(Handle()) || IsDestroying()) return;
  if (!FPopupInitialized) {
    // OnInitPopup may free the edit: then nothing opens.
    TvxObjectLinkHolder self(this);
    FPopupInitialized = true;
    try {
      DoInitPopup();
    } catch (...) {
      if (self.Object() != nullptr) FPopupInitialized = false;
      throw;
    }
    if (self.Object() == nullptr) return;
  }
  if (!CanDropDown()) {
    FPopupInitialized = false;
    return;
  }
  if (FPopupWindow == nullptr) CreatePopupWindow();
  InitializePopupWindow();
  FPopupWindow->HandleNeeded();
  FPopupWindow->SetFocusedControl(GetPopupFocusedControl());
  if (!IsPopupShowPending()) PostMessageA(FPopupWindow->Handle(), VXM_REPOPUP, 0, 0);
}

void TvxCustomDropDownEdit::PopupWindowShowing() {
  FSavedSelStart = SelStart();
  FSavedSelLength = SelLength();
}

void TvxCustomDropDownEdit::PopupWindowShowed() {
  FCloseUpReason = crUnknown;
  FPopupWasShown = true;
  PositionPopupWindowChildren(FPopupWindow->ViewInfo()->ClientRect);
  TvxObjectLinkHolder self(this);
  // The button's look follows the open popup.
  ShortRefreshContainer(false);
  if (Properties()->OnPopup) Properties()->OnPopup(this);
  if (self.Object() == nullptr) return;
  if (RepositoryItem() != nullptr)
    if (auto* item = dynamic_cast<TvxCustomDropDownEditProperties*>(RepositoryItem()->Properties()))
      if (item->OnPopup) item->OnPopup(this);
  if (self.Object() == nullptr) return;
  // A lookup list opened by typing shows the item that the text typed so far leads to.
  if (ActiveProperties()->PopupTakesValue() && ActiveProperties()->ImmediateDropDown()) {
    const AnsiString text = DisplayText();
    SelectLookupItem(text.substr(0, std::min<size_t>(static_cast<size_t>(std::max(FSavedSelStart, 0)), text.size())));
  }
}

void TvxCustomDropDownEdit::SelectLookupItem(AnsiString text) {
  TvxCustomTextEditLookupData* data = LookupData();
  if (data == nullptr || text.empty()) return;
  AnsiString tail;
  data->Locate(text, tail, false, false);
}

void TvxCustomDropDownEdit::CloseUp(TvxEditCloseUpReason reason) {
  if (!DroppedDown()) return;
  TvxObjectLinkHolder self(this);
  if ((reason == crTab || reason == crClose || reason == crEnter) && ActiveProperties()->PopupTakesValue()) {
    AcceptPopupValue();
    if (self.Object() == nullptr) return;
    if (ActiveProperties()->ImmediatePost() && CanPostEditValue()) PostEditValue();
    if (self.Object() == nullptr) return;
  }
  FCloseUpReason = reason;
  if (FPopupWindow != nullptr) FPopupWindow->CloseUp();
}

void TvxCustomDropDownEdit::PopupWindowClosed() {
  if (IsDestroying()) return;
  TvxCustomDropDownEditProperties* properties = ActiveProperties();
  if (FPopupWindow != nullptr && properties->PopupSizeable() && FPopupWasShown) {
    if (IsInplace()) {
      FInplacePopupSize = SIZE{FPopupWindow->Width(), FPopupWindow->Height()};
    } else {
      properties->SetPopupWidth(FPopupWindow->Width());
      properties->SetPopupHeight(FPopupWindow->Height());
    }
  }
  FPopupWasShown = false;
  FPopupInitialized = false;
  TvxObjectLinkHolder self(this);
  if (Properties()->OnCloseUp) Properties()->OnCloseUp(this);
  if (self.Object() == nullptr) return;
  if (RepositoryItem() != nullptr)
    if (auto* item = dynamic_cast<TvxCustomDropDownEditProperties*>(RepositoryItem()->Properties()))
      if (item->OnCloseUp) item->OnCloseUp(this);
  if (self.Object() == nullptr) return;
  if (ActiveProperties()->ImmediatePost() && ModifiedAfterEnter() && CanPostEditValue()) PostEditValue();
  if (self.Object() == nullptr || !HandleAllocated()) return;
  SetSelStart(FSavedSelStart);
  SetSelLength(FSavedSelLength);
  ShortRefreshContainer(false);
}

bool TvxCustomDropDownEdit::ValidateEdit() {
  if (DroppedDown()) CloseUp(crUnknown);
  const bool result = TvxCustomMaskEdit::ValidateEdit();
  // A show still waiting would open the popup after the edit was left.
  if (RemovePendingShow()) PopupWindowClosed();
  return result;
}

bool TvxCustomDropDownEdit::HasPopupWindow() { return DroppedDown(); }

void TvxCustomDropDownEdit::InitializeViewData(TvxCustomEditViewData& viewData) {
  TvxCustomMaskEdit::InitializeViewData(viewData);
  if (auto* data = dynamic_cast<TvxCustomDropDownEditViewData*>(&viewData)) {
    data->HasPopupWindow = HasPopupWindow();
    data->IsHotAndPopup = FIsHotAndPopup;
    // A fixed list's text is painted selected while it has the focus, unless its popup shows
    // or a proposed tail keeps the selection.
    TvxCustomDropDownEditProperties* properties = ActiveProperties();
    data->Highlighted = !IsInplace() && properties->GetLookupMode() == 2 && Focused() && !data->HasPopupWindow &&
                        !(CompletionPending() && properties->FixedListSelection());
  }
}

void TvxCustomDropDownEdit::UpdateHotState() {
  TvxCustomMaskEdit::UpdateHotState();
  FIsHotAndPopup = (ViewInfo()->ContainerState & vxcsHot) != 0;
}

bool TvxCustomDropDownEdit::CanSelectLookupItem(bool byWheel) {
  if (IsDestroying()) return false;
  if (!IsInplace()) return true;
  return byWheel || DroppedDown();
}

bool TvxCustomDropDownEdit::HandleDropDownKey(WORD& key, TShiftState shift) {
  const bool alt = (shift & ssAlt) != 0;
  if ((key == VK_F4 && !alt) || ((key == VK_UP || key == VK_DOWN) && alt)) {
    if (DroppedDown())
      CloseUp(crClose);
    else
      DropDown();
    key = 0;
    return true;
  }
  if (!DroppedDown()) return false;
  if ((key == VK_ESCAPE || key == VK_RETURN) && !alt) {
    SetPopupKey(true);
    CloseUp(key == VK_ESCAPE ? crCancel : (CanModify() ? crEnter : crCancel));
    if (!DroppedDown()) key = 0;
    return true;
  }
  if (key == VK_TAB && ActiveProperties()->PostPopupValueOnTab()) {
    CloseUp(crTab);
    return true;
  }
  return false;
}

void TvxCustomDropDownEdit::PopupWindowKeyDown(WORD& key, TShiftState shift) {
  TvxObjectLinkHolder self(this);
  if (!HandleDropDownKey(key, shift) || self.Object() == nullptr) return;
  // Tab closed the popup with its value: the focus moves on from the edit.
  if (key == VK_TAB) {
    if (TCustomForm* form = GetParentForm(this)) form->SelectNext(this, (shift & ssShift) == 0, true);
    key = 0;
  }
}

void TvxCustomDropDownEdit::PopupWindowKeyPress(char& key) {
  // The list of a lookup has the focus, but text is typed into the edit (and the list follows
  // it): characters typed in the list would be lost to the list's own search.
  const auto code = static_cast<unsigned char>(key);
  if ((code < 32 && code != '\b') || !ActiveProperties()->PopupTakesValue() || InnerEdit() == nullptr) return;
  TWinControl* inner = InnerEdit()->GetControl();
  if (inner == nullptr || !inner->HandleAllocated()) return;
  key = 0;
  SendMessageA(inner->Handle(), WM_CHAR, code, 0);
}

void TvxCustomDropDownEdit::DoEditKeyDown(WORD& key, TShiftState shift) {
  TvxObjectLinkHolder self(this);
  if (HandleDropDownKey(key, shift) && (key == 0 || self.Object() == nullptr)) return;
  if (self.Object() != nullptr) TvxCustomMaskEdit::DoEditKeyDown(key, shift);
}

void TvxCustomDropDownEdit::DoEditKeyPress(char& key) {
  const bool printable = static_cast<unsigned char>(key) >= 32;
  if (printable && ActiveProperties()->ImmediateDropDown() && !DroppedDown() && !IsPopupShowPending()) {
    TvxObjectLinkHolder self(this);
    DropDown();
    if (self.Object() == nullptr) return;
    if (PopupWindowTakesChars() && FPopupWindow != nullptr && IsPopupShowPending()) {
      PostMessageA(FPopupWindow->Handle(), VXM_POPUPCONTROLKEY, static_cast<unsigned char>(key), 0);
      key = 0;
      return;
    }
  } else if (printable && PopupWindowTakesChars() && (DroppedDown() || IsPopupShowPending())) {
    PostMessageA(FPopupWindow->Handle(), VXM_POPUPCONTROLKEY, static_cast<unsigned char>(key), 0);
    key = 0;
    return;
  }
  TvxCustomMaskEdit::DoEditKeyPress(key);
}

void TvxCustomDropDownEdit::ChangeHandler() {
  TvxObjectLinkHolder self(this);
  TvxCustomMaskEdit::ChangeHandler();
  // Text typed by the user: a closed popup opens, and a lookup list follows the text.
  if (self.Object() == nullptr || !HasFocus() || IsDestroying()) return;
  if (ActiveProperties()->ImmediateDropDown() && !DroppedDown() && !IsPopupShowPending()) DropDown();
  if (self.Object() != nullptr && ActiveProperties()->PopupTakesValue() && HandleAllocated())
    PostMessageA(Handle(), VXM_SYNCLOOKUP, 0, 0);
}

void TvxCustomDropDownEdit::DoButtonDown(int buttonIndex) {
  TvxCustomMaskEdit::DoButtonDown(buttonIndex);
  if (buttonIndex != ActiveProperties()->DropDownButtonIndex()) return;
  // A press on the button of an open popup has closed it already (the popup's mouse hook):
  // that press only closes.
  if (FPopupWindow != nullptr && FPopupWindow->ClosedByOwnerClick()) {
    FPopupWindow->SetClosedByOwnerClick(false);
    return;
  }
  TvxFlagScope pressing(FIsActivatingByButton);
  if (DroppedDown())
    CloseUp(crClose);
  else
    DropDown();
}

void TvxCustomDropDownEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TvxObjectLinkHolder self(this);
  TvxCustomMaskEdit::MouseDown(button, shift, x, y);
  if (self.Object() == nullptr || button != TMouseButton::mbLeft) return;
  // The mark is this press's alone (the button's press has read it by now): left behind by a
  // press beside the button, it would swallow the next press on the button.
  const bool closedByThisPress = FPopupWindow != nullptr && FPopupWindow->ClosedByOwnerClick();
  if (closedByThisPress) FPopupWindow->SetClosedByOwnerClick(false);
  if (closedByThisPress || !ActiveProperties()->DropDownOnClick() || !HasFocus() || DroppedDown() ||
      FIsActivatingByButton)
    return;
  const POINT p{x, y};
  if (EditViewInfo()->HitTestButton(p) >= 0) return;
  DropDown();
}

LRESULT TvxCustomDropDownEdit::WndProc(TMessage& m) {
  if (m.Msg == CM_WANTSPECIALKEY && DroppedDown()) return 1;
  return TvxCustomMaskEdit::WndProc(m);
}

// --- Popup edit ----------------------------------------------------------------------------------

TvxCustomPopupEditProperties::TvxCustomPopupEditProperties(TPersistent* owner)
    : TvxCustomDropDownEditProperties(owner) {
  SetPopupAutoSize(true);
  SetPopupMinHeight(100);
  SetPopupMinWidth(100);
  SetPopupHeight(200);
  SetPopupWidth(250);
  BeginUpdate();
  SetPopupSizeable(true);
  EndUpdate(false);
}

TvxCustomPopupEditProperties::~TvxCustomPopupEditProperties() {
  if (FPopupControl != nullptr) FreeNotificator()->RemoveSender(FPopupControl);
}

TvxCustomEditPropertiesClass TvxCustomPopupEditProperties::PropertiesClass() {
  static const TvxEditPropertiesClassInfo info{
      {"TvxCustomPopupEditProperties"}, TvxCustomDropDownEditProperties::PropertiesClass(),
      [](TPersistent* owner) -> TvxCustomEditProperties* { return new TvxCustomPopupEditProperties(owner); }};
  return &info;
}

void TvxCustomPopupEditProperties::Assign(const TPersistent* source) {
  TvxCustomDropDownEditProperties::Assign(source);
  if (auto* other = dynamic_cast<const TvxCustomPopupEditProperties*>(source)) SetPopupControl(other->FPopupControl);
}

void TvxCustomPopupEditProperties::SetPopupControl(TControl* value) {
  if (value == FPopupControl) return;
  if (FPopupControl != nullptr) FreeNotificator()->RemoveSender(FPopupControl);
  FPopupControl = value;
  if (FPopupControl != nullptr) FreeNotificator()->AddSender(FPopupControl);
}

void TvxCustomPopupEditProperties::FreeNotification(TComponent* component) {
  TvxCustomDropDownEditProperties::FreeNotification(component);
  if (component == FPopupControl) FPopupControl = nullptr;
}

TvxCustomEditClass TvxCustomPopupEditProperties::GetContainerClass() const {
  return vxObjectClassOf<TvxPopupEdit, TvxCustomEdit, TComponent*>("TvxPopupEdit");
}

bool TvxPopupEditProperties::IsPublishedProperty(const AnsiString& name) const {
  return IsOneOf(name, {"Alignment", "AssignedValues", "AutoSelect", "BeepOnError", "ButtonGlyph", "CaseInsensitive",
                        "CharCase", "EchoMode", "HideSelection", "IgnoreMaskBlank", "ImeMode", "ImeName",
                        "ImmediateDropDown", "ImmediatePopup", "IncrementalSearch", "LookupItems",
                        "LookupItemsSorted", "MaxLength", "MaskKind", "EditMask", "OEMConvert", "PasswordChar",
                        "PopupAlignment", "PopupAutoSize", "PopupClientEdge", "PopupControl", "PopupHeight",
                        "PopupMinHeight", "PopupMinWidth", "PopupSizeable", "PopupSysPanelStyle", "PopupWidth",
                        "ReadOnly", "UseLeftAlignmentOnEditing", "ValidateOnEnter", "OnChange", "OnCloseQuery",
                        "OnCloseUp", "OnEditValueChanged", "OnInitPopup", "OnPopup", "OnValidate"});
}

TvxCustomEditPopupWindow* TvxCustomPopupEditProperties::CreatePopupWindow(TvxCustomDropDownEdit* edit) const {
  return new TvxPopupEditPopupWindow(edit);
}

TvxPopupEditProperties::TvxPopupEditProperties(TPersistent* owner) : TvxCustomPopupEditProperties(owner) {
  SetImmediateDropDown(true);
  SetImmediatePopup(true);
}

TvxCustomEditPropertiesClass TvxPopupEditProperties::PropertiesClass() {
  static const TvxEditPropertiesClassInfo info{
      {"TvxPopupEditProperties"}, TvxCustomPopupEditProperties::PropertiesClass(),
      [](TPersistent* owner) -> TvxCustomEditProperties* { return new TvxPopupEditProperties(owner); }};
  return &info;
}

TvxContainerViewInfoClass TvxPopupEditPopupWindowViewInfo::ViewInfoClass() {
  return vxObjectClassOf<TvxPopupEditPopupWindowViewInfo, TvxContainerViewInfo>("TvxPopupEditPopupWindowViewInfo");
}

void TvxPopupEditPopupWindowViewInfo::DrawPopupFrame(TvxCanvas& canvas, RECT& r) {
  if (NativeStyle || PopupBorderStyle != epbsFrame3D) {
    TvxCustomEditPopupWindowViewInfo::DrawPopupFrame(canvas, r);
    return;
  }
  canvas.DrawComplexFrame(r, cl3DLight, cl3DDkShadow);
  InflateRect(&r, -1, -1);
  canvas.DrawComplexFrame(r, clBtnHighlight, clBtnShadow);
  InflateRect(&r, -1, -1);
  canvas.FrameRect(r, clInactiveBorder);
  InflateRect(&r, -1, -1);
  canvas.FrameRect(r, clBtnFace);
  InflateRect(&r, -1, -1);
}

TvxCustomPopupEdit::TvxCustomPopupEdit(TComponent* owner, bool inplace)
    : TvxCustomPopupEdit(owner, inplace, DropDownEditClasses(TvxCustomPopupEditProperties::PropertiesClass())) {}

TvxCustomPopupEdit::TvxCustomPopupEdit(TComponent* owner, bool inplace, const TvxEditClasses& classes)
    : TvxCustomDropDownEdit(owner, inplace, classes) {}

TvxCustomPopupEdit::~TvxCustomPopupEdit() {
  Destroying();
  // The popup goes with the edit: its control comes back first (unless it was freed).
  if (FHostedControl != nullptr) RestorePopupControl();
}

void TvxCustomPopupEdit::Notification(TComponent* component, TOperation operation) {
  TvxCustomDropDownEdit::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == FHostedControl) FHostedControl = nullptr;
  if (component == FSavedParent) FSavedParent = nullptr;
}

bool TvxCustomPopupEdit::CanDropDown() { return ActiveProperties()->PopupControl() != nullptr; }

TWinControl* TvxCustomPopupEdit::GetPopupFocusedControl() {
  return dynamic_cast<TWinControl*>(ActiveProperties()->PopupControl());
}

SIZE TvxCustomPopupEdit::GetPopupWindowClientPreferredSize() {
  // A hosted control fills the popup already: its own size is the one it had before.
  if (FHostedControl != nullptr)
    return SIZE{FSavedBounds.right - FSavedBounds.left, FSavedBounds.bottom - FSavedBounds.top};
  TControl* control = ActiveProperties()->PopupControl();
  return control != nullptr ? SIZE{control->Width(), control->Height()} : SIZE{0, 0};
}

void TvxCustomPopupEdit::DoInitPopup() {
  TControl* control = ActiveProperties()->PopupControl();
  if (control != nullptr) {
    for (TControl* c = this; c != nullptr; c = c->Parent())
      if (c == control) throw EvxEditError(vxLoadResourceString(scxEditPopupCircularReferencingError));
  }
  TvxCustomDropDownEdit::DoInitPopup();
}

void TvxCustomPopupEdit::PopupWindowShowing() {
  TControl* control = ActiveProperties()->PopupControl();
  if (control != nullptr && FHostedControl == nullptr) {
    FSavedAlign = control->Align();
    if (auto* form = dynamic_cast<TCustomForm*>(control)) {
      FSavedBorderStyle = form->BorderStyle();
      form->SetBorderStyle(TBorderStyle::bsNone);
    }
    FSavedBounds = control->BoundsRect();
    FSavedParent = control->Parent();
    if (FSavedParent != nullptr) FSavedParent->FreeNotification(this);
    FSavedVisible = control->Visible();
    FHostedControl = control;
    control->FreeNotification(this);
    control->SetParent(PopupWindow());
    control->SetVisible(true);
  }
  TvxCustomDropDownEdit::PopupWindowShowing();
  if (FHostedControl != nullptr) FHostedControl->SetAlign(TAlign::alClient);
}

void TvxCustomPopupEdit::PositionPopupWindowChildren(const RECT& clientRect) {
  if (FHostedControl == nullptr) return;
  FHostedControl->SetBounds(clientRect.left, clientRect.top, clientRect.right - clientRect.left,
                            clientRect.bottom - clientRect.top);
}

void TvxCustomPopupEdit::RestorePopupControl() {
  TControl* control = FHostedControl;
  FHostedControl = nullptr;
  if (control == nullptr) return;
  control->RemoveFreeNotification(this);
  control->SetVisible(false);
  control->SetParent(FSavedParent);
  control->SetAlign(FSavedAlign);
  control->SetBounds(FSavedBounds.left, FSavedBounds.top, FSavedBounds.right - FSavedBounds.left,
                     FSavedBounds.bottom - FSavedBounds.top);
  if (auto* form = dynamic_cast<TCustomForm*>(control)) form->SetBorderStyle(FSavedBorderStyle);
  control->SetVisible(FSavedVisible);
  if (FSavedParent != nullptr) FSavedParent->RemoveFreeNotification(this);
  FSavedParent = nullptr;
}

void TvxCustomPopupEdit::PopupWindowClosed() {
  RestorePopupControl();
  TvxCustomDropDownEdit::PopupWindowClosed();
}

void TvxCustomPopupEdit::HidePopup(TObject*, TvxEditCloseUpReason reason) {
  // The control has dealt with its value: the reason is only kept.
  SetLastCloseUpReason(reason);
  if (PopupWindow() != nullptr) PopupWindow()->CloseUp();
}

TvxPopupEdit::TvxPopupEdit(TComponent* owner, bool inplace)
    : TvxCustomPopupEdit(owner, inplace, DropDownEditClasses(TvxPopupEditProperties::PropertiesClass())) {}

// --- Combo box -----------------------------------------------------------------------------------

TvxCustomComboBoxProperties::TvxCustomComboBoxProperties(TPersistent* owner)
    : TvxCustomDropDownEditProperties(owner) {}

TvxCustomEditPropertiesClass TvxCustomComboBoxProperties::PropertiesClass() {
  static const TvxEditPropertiesClassInfo info{
      {"TvxCustomComboBoxProperties"}, TvxCustomDropDownEditProperties::PropertiesClass(),
      [](TPersistent* owner) -> TvxCustomEditProperties* { return new TvxCustomComboBoxProperties(owner); }};
  return &info;
}

TvxCustomEditPropertiesClass TvxComboBoxProperties::PropertiesClass() {
  static const TvxEditPropertiesClassInfo info{
      {"TvxComboBoxProperties"}, TvxCustomComboBoxProperties::PropertiesClass(),
      [](TPersistent* owner) -> TvxCustomEditProperties* { return new TvxComboBoxProperties(owner); }};
  return &info;
}

void TvxCustomComboBoxProperties::Assign(const TPersistent* source) {
  auto* other = dynamic_cast<const TvxCustomComboBoxProperties*>(source);
  if (other == nullptr) {
    TvxCustomDropDownEditProperties::Assign(source);
    return;
  }
  BeginUpdate();
  try {
    TvxCustomDropDownEditProperties::Assign(source);
    SetDropDownListStyle(other->FDropDownListStyle);
    SetDropDownRows(other->FDropDownRows);
    SetItemHeight(other->FItemHeight);
    FRevertable = other->FRevertable;
    OnDrawItem = other->OnDrawItem;
    OnMeasureItem = other->OnMeasureItem;
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TvxCustomComboBoxProperties::SetDropDownListStyle(TvxEditDropDownListStyle value) {
  if (value == FDropDownListStyle) return;
  FDropDownListStyle = value;
  Changed();
}

void TvxCustomComboBoxProperties::SetDropDownRows(int value) {
  if (value < 1 || value == FDropDownRows) return;
  FDropDownRows = value;
  Changed();
}

void TvxCustomComboBoxProperties::SetItemHeight(int value) {
  if (value == FItemHeight) return;
  FItemHeight = value;
  Changed();
}

int TvxCustomComboBoxProperties::GetLookupMode() const {
  switch (FDropDownListStyle) {
    case lsEditFixedList: return 1;
    case lsFixedList: return 2;
    default: return 0;
  }
}

TvxCustomTextEditLookupDataClass TvxCustomComboBoxProperties::GetLookupDataClass() const {
  return TvxComboBoxLookupData::LookupDataClass();
}

TvxCustomEditListBoxClass TvxCustomComboBoxProperties::GetLookupListClass() const {
  return TvxComboBoxListBox::ListBoxClass();
}

TvxCustomEditPopupWindow* TvxCustomComboBoxProperties::CreatePopupWindow(TvxCustomDropDownEdit* edit) const {
  return new TvxComboBoxPopupWindow(edit);
}

TvxCustomEditClass TvxCustomComboBoxProperties::GetContainerClass() const {
  return vxObjectClassOf<TvxComboBox, TvxCustomEdit, TComponent*>("TvxComboBox");
}

bool TvxComboBoxProperties::IsPublishedProperty(const AnsiString& name) const {
  return IsOneOf(name, {"Alignment", "AssignedValues", "AutoSelect", "BeepOnError", "ButtonGlyph", "CaseInsensitive",
                        "CharCase", "DropDownAutoWidth", "DropDownListStyle", "DropDownRows", "DropDownSizeable",
                        "DropDownWidth", "HideSelection", "IgnoreMaskBlank", "ImeMode", "ImeName",
                        "ImmediateDropDown", "ImmediatePost", "ImmediateUpdateText", "IncrementalSearch",
                        "ItemHeight", "Items", "MaskKind", "EditMask", "MaxLength", "OEMConvert", "PopupAlignment",
                        "PostPopupValueOnTab", "ReadOnly", "Revertable", "Sorted", "UseLeftAlignmentOnEditing",
                        "ValidateOnEnter", "OnChange", "OnCloseUp", "OnDrawItem", "OnEditValueChanged",
                        "OnInitPopup", "OnMeasureItem", "OnNewLookupDisplayText", "OnPopup", "OnValidate"});
}

TvxCustomEditViewDataClass TvxCustomComboBoxProperties::GetViewDataClass() const {
  return TvxCustomComboBoxViewData::ViewDataClass();
}

TvxContainerViewInfoClass TvxCustomComboBoxProperties::GetViewInfoClass() const {
  return TvxCustomComboBoxViewInfo::ViewInfoClass();
}

TvxCustomEditViewDataClass TvxCustomComboBoxViewData::ViewDataClass() {
  static const std::remove_pointer_t<TvxCustomEditViewDataClass> info{
      {"TvxCustomComboBoxViewData"},
      [](TvxCustomEditProperties* properties, TvxCustomEditStyle* style, bool inplace) -> TvxCustomEditViewData* {
        return new TvxCustomComboBoxViewData(properties, style, inplace);
      }};
  return &info;
}

TvxContainerViewInfoClass TvxCustomComboBoxViewInfo::ViewInfoClass() {
  return vxObjectClassOf<TvxCustomComboBoxViewInfo, TvxContainerViewInfo>("TvxCustomComboBoxViewInfo");
}

void TvxCustomComboBoxViewInfo::Paint(TvxCanvas& canvas) {
  auto* combo = dynamic_cast<TvxCustomComboBox*>(Edit);
  if (combo == nullptr || OnCustomDrawText) {
    TvxCustomTextEditViewInfo::Paint(canvas);
    return;
  }
  OnCustomDrawText = [combo](TvxCustomEditViewInfo*, TvxCanvas& c, const RECT& r) { return combo->DrawEditFace(c, r); };
  try {
    TvxCustomTextEditViewInfo::Paint(canvas);
  } catch (...) {
    OnCustomDrawText = nullptr;
    throw;
  }
  OnCustomDrawText = nullptr;
}

// --- Combo list and lookup data ---

TvxCustomComboBoxListBox::TvxCustomComboBoxListBox(TComponent* owner) : TvxCustomEditListBox(owner) {}

TvxCustomEditListBoxClass TvxComboBoxListBox::ListBoxClass() {
  return vxObjectClassOf<TvxComboBoxListBox, TvxCustomEditListBox, TComponent*>("TvxComboBoxListBox");
}

TvxCustomComboBox* TvxCustomComboBoxListBox::ComboBox() const {
  return LookupData() != nullptr ? dynamic_cast<TvxCustomComboBox*>(LookupData()->Edit()) : nullptr;
}

void TvxCustomComboBoxListBox::CreateWnd() {
  TvxCustomComboBox* combo = ComboBox();
  SetStyle(combo != nullptr && combo->HasMeasureItem() ? TListBoxStyle::lbOwnerDrawVariable
                                                       : TListBoxStyle::lbOwnerDrawFixed);
  TvxCustomEditListBox::CreateWnd();
  SetItemHeight(ItemHeightOf(-1));
}

int TvxCustomComboBoxListBox::ItemHeightOf(int index) {
  TvxCustomComboBox* combo = ComboBox();
  int height = GetItemHeight();
  if (combo != nullptr && combo->ActiveProperties()->ItemHeight() > 0) height = combo->ActiveProperties()->ItemHeight();
  if (combo != nullptr && index >= 0) {
    if (TvxScreenCanvas* canvas = vxScreenCanvas()) {
      canvas->SetFont(Font());
      combo->DoMeasureItem(index, *canvas, height);
    }
  }
  return height;
}

void TvxCustomComboBoxListBox::MeasureItem(int index, int& height) { height = ItemHeightOf(index); }

void TvxCustomComboBoxListBox::DrawItem(int index, const RECT& rect, TOwnerDrawState state) {
  TvxCustomComboBox* combo = ComboBox();
  if (combo != nullptr && combo->DoDrawItem(Canvas(), index, rect, state)) return;
  TvxCustomEditListBox::DrawItem(index, rect, state);
}

void TvxCustomComboBoxListBox::Click() {
  // Before the inherited handling tells of the change, so that its listeners read the new item.
  if (LookupData() != nullptr && ItemIndex() != LookupData()->SelectedIndex()) LookupData()->SetSelected(ItemIndex());
  TvxCustomEditListBox::Click();
}

void TvxCustomComboBoxListBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TvxObjectLinkHolder self(this);
  TvxCustomEditListBox::MouseUp(button, shift, x, y);
  if (self.Object() == nullptr || button != TMouseButton::mbLeft) return;
  if (FIgnoreRelease) {
    FIgnoreRelease = false;
    return;
  }
  const int index = ItemAtPos(POINT{x, y}, true);
  TvxCustomComboBox* combo = ComboBox();
  if (index < 0 || combo == nullptr) return;
  LookupData()->SetSelected(index);
  combo->CloseUp(crEnter);
}

TvxCustomTextEditLookupDataClass TvxComboBoxLookupData::LookupDataClass() {
  return vxObjectClassOf<TvxComboBoxLookupData, TvxCustomTextEditLookupData, TvxCustomEdit*>("TvxComboBoxLookupData");
}

TvxCustomComboBoxListBox* TvxComboBoxLookupData::ComboList() {
  return dynamic_cast<TvxCustomComboBoxListBox*>(List());
}

SIZE TvxComboBoxLookupData::GetListSize(int maxHeight, int maxWidth) {
  TvxCustomComboBoxListBox* list = ComboList();
  auto* combo = dynamic_cast<TvxCustomComboBox*>(Edit());
  if (list == nullptr || combo == nullptr) return SIZE{0, 0};
  const int count = GetItemCount();
  const int rows = combo->ActiveProperties()->DropDownRows();
  int shown = std::min(count, rows);
  int height = 0;
  int fitted = 0;
  for (int i = 0; i < shown; ++i) {
    const int h = list->ItemHeightOf(i);
    if (fitted > 0 && maxHeight > 0 && height + h > maxHeight) break;
    height += h;
    ++fitted;
  }
  shown = fitted;
  int width = 0;
  for (int i = 0; i < count; ++i) width = std::max(width, list->GetItemWidth(i));
  width += 4;
  if (shown < count) width += GetSystemMetrics(SM_CXVSCROLL);
  if (maxWidth > 0 && width > maxWidth) height += GetSystemMetrics(SM_CYHSCROLL);
  list->SetScrollWidth(width);
  return SIZE{width, height};
}

bool TvxComboBoxLookupData::FitClientSize(SIZE& size, int maxHeight) {
  TvxCustomComboBoxListBox* list = ComboList();
  if (list == nullptr) return true;
  const int row = std::max(1, list->ItemHeightOf(-1));
  if (maxHeight < row) return false;
  int rows = std::max(1, static_cast<int>(size.cy) / row);
  rows = std::min(rows, maxHeight / row);
  size.cy = rows * row;
  return true;
}

// --- Combo popup ---

void TvxComboBoxPopupWindow::CalculateSize() {
  auto* combo = dynamic_cast<TvxCustomComboBox*>(OwnerControl());
  if (combo == nullptr) {
    TvxCustomEditPopupWindow::CalculateSize();
    return;
  }
  TvxCustomEditPopupWindowViewInfo* info = ViewInfo();
  info->SizeGripCorner = sgcBottomRight;
  SetOwnerParent(combo);
  SetOwnerBounds(RECT{0, 0, combo->Width(), combo->Height()});
  CalculateViewInfo();
  TvxCustomComboBoxProperties* properties = combo->ActiveProperties();
  const RECT extent = info->GetClientExtent();
  const SIZE minimum = GetMinimumSize();
  const SIZE list = combo->GetPopupWindowClientPreferredSize();
  const bool sized = Sizeable() && Sized();
  const int dropDownWidth = properties->DropDownWidth();

  int width;
  if (sized || (dropDownWidth >= 1 && !properties->DropDownAutoWidth()))
    width = sized ? Width() : dropDownWidth;
  else if (properties->DropDownAutoWidth())
    width = std::max<int>(list.cx + extent.left + extent.right, combo->Width());
  else
    width = combo->Width();

  int height;
  const int stored = PopupHeight();
  if (sized)
    height = Height();
  else if (stored >= 1 && (Sizeable() || !AutoSize()))
    height = stored;
  else
    height = list.cy + extent.top + extent.bottom;

  if (Sizeable()) {
    if (MinWidth() > 0) width = std::max(width, MinWidth());
    if (MinHeight() > 0) height = std::max(height, MinHeight());
  }
  width = std::max<int>(width, minimum.cx);
  height = std::max<int>(height, minimum.cy);
  SetBounds(Left(), Top(), width, height);
}

// --- Combo box ---

TvxInnerEditClass TvxCustomComboBoxInnerEdit::InnerEditClass() {
  return vxObjectClassOf<TvxCustomComboBoxInnerEdit, TWinControl, TvxCustomEdit*>("TvxCustomComboBoxInnerEdit");
}

LRESULT TvxCustomComboBoxInnerEdit::WndProc(TMessage& m) {
  // A release on the inner edit is no click of the combo box either.
  if (m.Msg == WM_LBUTTONUP) SetControlState(ControlState() & ~csClicked);
  return TvxCustomInnerTextEdit::WndProc(m);
}

TvxCustomComboBox::TvxCustomComboBox(TComponent* owner, bool inplace)
    : TvxCustomComboBox(owner, inplace, ComboBoxClasses(TvxCustomComboBoxProperties::PropertiesClass())) {}

TvxCustomComboBox::TvxCustomComboBox(TComponent* owner, bool inplace, const TvxEditClasses& classes)
    : TvxCustomDropDownEdit(owner, inplace, classes) {
  InitializeComboBox();
}

TvxEditClasses TvxCustomComboBox::ComboBoxClasses(TvxCustomEditPropertiesClass properties) {
  TvxEditClasses classes = DropDownEditClasses(properties);
  classes.InnerEdit = TvxCustomComboBoxInnerEdit::InnerEditClass();
  return classes;
}

void TvxCustomComboBox::InitializeComboBox() {
  // Clicks of the mouse are no OnClick here: OnClick tells of a change of the item.
  SetControlStyle(ControlStyle() & ~csClickEvents);
}

TvxCustomComboBoxListBox* TvxCustomComboBox::List() {
  return LookupData() != nullptr ? dynamic_cast<TvxCustomComboBoxListBox*>(LookupData()->List()) : nullptr;
}

bool TvxCustomComboBox::HasDrawItem() {
  if (Properties()->OnDrawItem) return true;
  if (RepositoryItem() != nullptr)
    if (auto* item = dynamic_cast<TvxCustomComboBoxProperties*>(RepositoryItem()->Properties()))
      return static_cast<bool>(item->OnDrawItem);
  return false;
}

bool TvxCustomComboBox::HasMeasureItem() {
  if (Properties()->OnMeasureItem) return true;
  if (RepositoryItem() != nullptr)
    if (auto* item = dynamic_cast<TvxCustomComboBoxProperties*>(RepositoryItem()->Properties()))
      return static_cast<bool>(item->OnMeasureItem);
  return false;
}

bool TvxCustomComboBox::DoDrawItem(TvxCanvas& canvas, int index, const RECT& r, TOwnerDrawState state) {
  bool drawn = false;
  TvxObjectLinkHolder self(this);
  if (Properties()->OnDrawItem) {
    Properties()->OnDrawItem(this, canvas, index, r, state);
    drawn = true;
  }
  if (self.Object() == nullptr) return drawn;
  if (RepositoryItem() != nullptr)
    if (auto* item = dynamic_cast<TvxCustomComboBoxProperties*>(RepositoryItem()->Properties()))
      if (item->OnDrawItem) {
        item->OnDrawItem(this, canvas, index, r, state);
        drawn = true;
      }
  return drawn;
}

bool TvxCustomComboBox::DoMeasureItem(int index, TvxCanvas& canvas, int& height) {
  bool measured = false;
  if (Properties()->OnMeasureItem) {
    Properties()->OnMeasureItem(this, index, canvas, height);
    measured = true;
  }
  if (RepositoryItem() != nullptr)
    if (auto* item = dynamic_cast<TvxCustomComboBoxProperties*>(RepositoryItem()->Properties()))
      if (item->OnMeasureItem) {
        item->OnMeasureItem(this, index, canvas, height);
        measured = true;
      }
  return measured;
}

bool TvxCustomComboBox::DrawEditFace(TvxCanvas& canvas, const RECT& r) {
  if (ActiveProperties()->DropDownListStyle() != lsFixedList || !HasDrawItem()) return false;
  Variant display;
  GetDisplayValue(display);
  const AnsiString text = display.IsNull() || display.IsEmpty() ? AnsiString() : display.AsString();
  const int index = ActiveProperties()->Items()->IndexOf(text);
  TOwnerDrawState state = odComboBoxEdit;
  if (Focused()) {
    state |= odSelected | odFocused;
    canvas.SetBrushColor(clHighlight);
    canvas.Font().SetColor(clHighlightText);
  } else {
    canvas.SetBrushColor(EditViewInfo()->BackgroundColor);
    canvas.Font().SetColor(EditViewInfo()->TextColor);
  }
  canvas.FillRect(r);
  if (index >= 0) DoDrawItem(canvas, index, r, state);
  return true;
}

bool TvxCustomComboBox::CanDropDown() { return LookupData() != nullptr && LookupData()->GetItemCount() > 0; }

TWinControl* TvxCustomComboBox::GetPopupFocusedControl() { return List(); }

SIZE TvxCustomComboBox::GetPopupWindowClientPreferredSize() {
  TvxComboBoxLookupData* data = ComboLookupData();
  if (data == nullptr) return SIZE{0, 0};
  const RECT extent = PopupWindow() != nullptr ? PopupWindow()->ViewInfo()->GetClientExtent() : RECT{};
  const bool shadow = PopupWindow() != nullptr && PopupWindow()->Shadow();
  const POINT topLeft = ClientToScreen(POINT{0, 0});
  const POINT bottomLeft = ClientToScreen(POINT{0, Height()});
  const int above = topLeft.y - GetDesktopWorkArea(topLeft).top + (shadow ? vxPopupShadow : 0);
  const int below = GetDesktopWorkArea(bottomLeft).bottom - bottomLeft.y;
  const int maxHeight = std::max(above, below) - extent.top - extent.bottom;
  TvxCustomComboBoxProperties* properties = ActiveProperties();
  int maxWidth = (properties->DropDownWidth() < 1 ? Width() : properties->DropDownWidth()) - extent.left - extent.right;
  if (properties->DropDownSizeable() || properties->DropDownAutoWidth()) {
    const RECT work = GetDesktopWorkArea(topLeft);
    maxWidth = (work.right - work.left) - extent.left - extent.right;
  }
  return data->GetListSize(maxHeight, maxWidth);
}

bool TvxCustomComboBox::FitPopupClientSize(SIZE& clientSize, int maxHeight) {
  TvxComboBoxLookupData* data = ComboLookupData();
  return data == nullptr || data->FitClientSize(clientSize, maxHeight);
}

void TvxCustomComboBox::PositionPopupWindowChildren(const RECT& clientRect) {
  if (TvxCustomComboBoxListBox* list = List())
    list->SetBounds(clientRect.left, clientRect.top, clientRect.right - clientRect.left,
                    clientRect.bottom - clientRect.top);
}

void TvxCustomComboBox::PopupWindowShowing() {
  TvxCustomDropDownEdit::PopupWindowShowing();
  // A sizeable list always has the panel with its grip.
  PopupWindow()->SetSysPanelStyle(ActiveProperties()->DropDownSizeable());
  if (TvxCustomComboBoxListBox* list = List()) {
    // The list opens on the item of the text shown: a value set from code since the last item
    // was taken does not move the current item by itself, and Enter would take the old one.
    SynchronizeLookupItem();
    LookupData()->UpdateList();
    if (list->Parent() != PopupWindow()) {
      // A list made for another item height or drawing style is made again.
      list->SetParent(PopupWindow());
    }
    if (list->HandleAllocated()) list->RecreateWnd();
    list->SetItemIndex(LookupData()->CurrentIndex());
    LookupData()->SetSelected(LookupData()->CurrentIndex());
  }
}

void TvxCustomComboBox::PopupWindowShowed() {
  // OnPopup runs in the inherited step and may free the combo box.
  TvxObjectLinkHolder self(this);
  TvxCustomDropDownEdit::PopupWindowShowed();
  if (self.Object() == nullptr) return;
  TvxCustomComboBoxListBox* list = List();
  if (list == nullptr || !list->HandleAllocated()) return;
  POINT p{};
  GetCursorPos(&p);
  if (list->ItemAtPos(list->ScreenToClient(p), true) >= 0) list->IgnoreNextRelease();
}

void TvxCustomComboBox::SynchronizeLookupItem() {
  TvxCustomTextEditLookupData* data = LookupData();
  if (data == nullptr) return;
  Variant display;
  GetDisplayValue(display);
  const AnsiString text = display.IsNull() || display.IsEmpty() ? AnsiString() : display.AsString();
  const int index = data->IndexOf(text);
  if (index != data->CurrentIndex()) data->SetCurrent(index);
}

void TvxCustomComboBox::Activate(TvxCustomEditData*& data) {
  TvxObjectLinkHolder self(this);
  TvxCustomDropDownEdit::Activate(data);
  if (self.Object() != nullptr) SynchronizeLookupItem();
}

void TvxCustomComboBox::PropertiesChanged(TObject* sender) {
  TvxCustomTextEditLookupData* data = LookupData();
  const int before = data != nullptr ? data->CurrentIndex() : -1;
  TvxObjectLinkHolder self(this);
  TvxCustomDropDownEdit::PropertiesChanged(sender);
  if (self.Object() == nullptr || data == nullptr || IsDestroying()) return;
  const int mode = ActiveProperties()->GetLookupMode();
  // While the search puts a completed text in, its item is left as the search found it.
  if (!SearchRan() && (DroppedDown() || (IsPopupShowPending() && !IsLookupListInUse()) || mode == 1 || mode == 2))
    SynchronizeLookupItem();
  if (data->CurrentIndex() != before) {
    SetModifiedAfterEnter(true);
    Click();
  }
}

bool TvxCustomComboBox::TakeListItem(int index) {
  TvxCustomTextEditLookupData* data = LookupData();
  const int before = data->CurrentIndex();
  const AnsiString textBefore = Text();
  data->SetCurrentFromList(index);
  return data->CurrentIndex() != before || Text() != textBefore;
}

void TvxCustomComboBox::AcceptPopupValue() {
  TvxCustomTextEditLookupData* data = LookupData();
  if (data == nullptr) return;
  const int index = data->SelectedIndex();
  if (index < 0 || !DoEditing()) return;
  if (TakeListItem(index)) SetModifiedAfterEnter(true);
}

void TvxCustomComboBox::DblClick() {
  // The press of the double click comes to MouseDown (which clears the popup's mark) only after
  // this, and DblClick hears of no point: whether the press landed on a button (the place of
  // the message being handled; one on the inner edit is in the text area), or closed the popup
  // (the popup's mouse hook marked that before the press was dispatched), is read now, before
  // OnDblClick may pump messages.
  const DWORD at = GetMessagePos();
  const POINT press = ScreenToClient(POINT{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))});
  const bool onButton = EditViewInfo()->HitTestButton(press) >= 0;
  const bool closedPopup = PopupWindow() != nullptr && PopupWindow()->ClosedByOwnerClick();
  TvxCustomDropDownEdit::DblClick();
  TvxCustomTextEditLookupData* data = LookupData();
  // The step is for a double click on the text of the closed combo: presses that open and close
  // the list leave the item alone.
  if (onButton || closedPopup) return;
  if (!ActiveProperties()->Revertable() || DroppedDown() || data == nullptr || data->GetItemCount() == 0) return;
  if (!DoEditing()) return;
  TvxObjectLinkHolder self(this);
  LockChangeEvents(true);
  try {
    // The step goes from the item shown: the current item does not follow a value set from
    // outside (nor free text) by itself.
    SynchronizeLookupItem();
    const int count = data->GetItemCount();
    const int next = data->CurrentIndex() + 1 >= count ? 0 : data->CurrentIndex() + 1;
    if (TakeListItem(next)) {
      SetModifiedAfterEnter(true);
      if (CanPostEditValue() && ActiveProperties()->ImmediatePost() && DoValidateEdit(true)) PostEditValue(false);
    }
  } catch (...) {
    if (self.Object() != nullptr) LockChangeEvents(false);
    throw;
  }
  if (self.Object() != nullptr) LockChangeEvents(false);
}

void TvxCustomComboBox::MouseMove(TShiftState shift, int x, int y) {
  TvxCustomDropDownEdit::MouseMove(shift, x, y);
  // A press on the button dragged into the open list: the selection follows the mouse.
  if (!HandleAllocated() || GetCapture() != Handle() || !DroppedDown()) return;
  TvxCustomComboBoxListBox* list = List();
  if (list == nullptr || !list->HandleAllocated()) return;
  const POINT screen = ClientToScreen(POINT{x, y});
  const RECT client = PopupWindow()->ViewInfo()->ClientRect;
  const POINT inPopup = PopupWindow()->ScreenToClient(screen);
  if (!PtInRect(&client, inPopup)) return;
  const POINT inList = list->ScreenToClient(screen);
  if (list->ItemAtPos(inList, true) < 0) return;
  SendMessageA(list->Handle(), WM_LBUTTONDOWN, 0, MAKELPARAM(inList.x, inList.y));
}

void TvxCustomComboBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft) SetControlState(ControlState() & ~csClicked);
  TvxCustomDropDownEdit::MouseUp(button, shift, x, y);
}

LRESULT TvxCustomComboBox::Dispatch(TMessage& m) {
  if (m.Msg == VXM_SYNCLOOKUP) {
    Variant display;
    GetDisplayValue(display);
    SelectLookupItem(display.IsNull() || display.IsEmpty() ? AnsiString() : display.AsString());
    return 0;
  }
  return TvxCustomDropDownEdit::Dispatch(m);
}

TvxComboBox::TvxComboBox(TComponent* owner, bool inplace)
    : TvxCustomComboBox(owner, inplace, ComboBoxClasses(TvxComboBoxProperties::PropertiesClass())) {}

// --- Start-up and shutdown -----------------------------------------------------------------------

namespace {
int GDropDownEditUnitCount = 0;
}  // namespace

void InitializevxDropDownEdit() {
  if (GDropDownEditUnitCount++ > 0) return;
  GetRegisteredEditProperties().Register(TvxComboBoxProperties::PropertiesClass(),
                                         vxLoadResourceString(scxSEditRepositoryComboBoxItem));
  GetRegisteredEditProperties().Register(TvxPopupEditProperties::PropertiesClass(),
                                         vxLoadResourceString(scxSEditRepositoryPopupEditItem));
}

void FinalizevxDropDownEdit() {
  if (GDropDownEditUnitCount == 0 || --GDropDownEditUnitCount > 0) return;
  GetRegisteredEditProperties().Unregister(TvxComboBoxProperties::PropertiesClass());
  GetRegisteredEditProperties().Unregister(TvxPopupEditProperties::PropertiesClass());
}
