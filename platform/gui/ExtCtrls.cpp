#include "platform/gui/ExtCtrls.h"

#include "platform/rtl/SysExceptions.h"

namespace {

void DrawBevel(HDC dc, RECT& r, TBevelCut cut, int width) {
  if (cut == TBevelCut::bvNone) return;
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF dark = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF topLeft = cut == TBevelCut::bvRaised ? light : dark;
  const COLORREF bottomRight = cut == TBevelCut::bvRaised ? dark : light;
  for (int i = 0; i < width; ++i) {
    HPEN penTL = CreatePen(PS_SOLID, 1, topLeft);
    HPEN penBR = CreatePen(PS_SOLID, 1, bottomRight);
    HGDIOBJ old = SelectObject(dc, penTL);
    MoveToEx(dc, r.left, r.bottom - 1, nullptr);
    LineTo(dc, r.left, r.top);
    LineTo(dc, r.right - 1, r.top);
    SelectObject(dc, penBR);
    LineTo(dc, r.right - 1, r.bottom - 1);
    LineTo(dc, r.left - 1, r.bottom - 1);
    SelectObject(dc, old);
    DeleteObject(penTL);
    DeleteObject(penBR);
    InflateRect(&r, -1, -1);
  }
}

}  // namespace

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csOpaque | csDoubleClicks |
                  csReplicatable);
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
}

void TPanel::Changed() {
  Realign();
  Invalidate();
}

void TPanel::SetBevelOuter(TBevelCut value) {
  FBevelOuter = value;
  Changed();
}

void TPanel::SetBevelInner(TBevelCut value) {
  FBevelInner = value;
  Changed();
}

void TPanel::SetBevelWidth(int value) {
  FBevelWidth = value;
  Changed();
}

void TPanel::SetBorderWidth(int value) {
  FBorderWidth = value;
  Changed();
}

void TPanel::SetAlignment(TAlignment value) {
  FAlignment = value;
  Invalidate();
}

void TPanel::AdjustClientRect(RECT& rect) {
  int inset = FBorderWidth;
  if (FBevelOuter != TBevelCut::bvNone) inset += FBevelWidth;
  if (FBevelInner != TBevelCut::bvNone) inset += FBevelWidth;
  InflateRect(&rect, -inset, -inset);
}

void TPanel::Paint() {
  TCanvas& canvas = Canvas();
  RECT r = ClientRect();
  DrawBevel(canvas.Handle(), r, FBevelOuter, FBevelWidth);
  InflateRect(&r, -FBorderWidth, -FBorderWidth);
  DrawBevel(canvas.Handle(), r, FBevelInner, FBevelWidth);
  canvas.Brush().SetColor(Color());
  canvas.FillRect(r);
  const AnsiString caption = Text();
  if (!caption.empty()) {
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS;
    if (FAlignment == TAlignment::taCenter) format |= DT_CENTER;
    if (FAlignment == TAlignment::taRightJustify) format |= DT_RIGHT;
    canvas.DrawText(caption, r, format);
  }
}

LRESULT TPanel::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_TEXTCHANGED: Invalidate(); return 0;
  }
  return TCustomControl::WndProc(m);
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  FWindow = AllocateHWnd([this](TMessage& m) { WndProc(m); });
}

TTimer::~TTimer() {
  Destroying();
  FEnabled = false;
  UpdateTimer();
  DeallocateHWnd(FWindow);
}

void TTimer::WndProc(TMessage& m) {
  if (m.Msg == WM_TIMER) {
    Timer();
    m.Result = 0;
    return;
  }
  m.Result = DefWindowProcA(FWindow, m.Msg, m.WParam, m.LParam);
}

void TTimer::UpdateTimer() {
  if (FRunning) {
    KillTimer(FWindow, 1);
    FRunning = false;
  }
  if (FEnabled && FInterval != 0 && FOnTimer) {
    if (SetTimer(FWindow, 1, FInterval, nullptr) == 0) throw EOSError("Not enough timers available", GetLastError());
    FRunning = true;
  }
}

void TTimer::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  UpdateTimer();
}

void TTimer::SetInterval(unsigned value) {
  if (value == FInterval) return;
  FInterval = value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
  FOnTimer = std::move(handler);
  UpdateTimer();
}

void TTimer::Timer() {
  if (FEnabled && FOnTimer) FOnTimer(this);
}
