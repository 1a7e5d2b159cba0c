#include "platform/gui/Controls.h"

#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/rtl/SysExceptions.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>

TMouse Mouse;

namespace {

const char* const kControlProp = "Corvane.Control";

// The control whose window is being created: its window procedure claims it at the window's
// first message (WM_GETMINMAXINFO comes before WM_NCCREATE for top-level windows).
thread_local TWinControl* CreationControl = nullptr;

// Ids for child windows, so WM_MEASUREITEM (which names only the id) finds its control.
UINT NextChildId = 100;

HINSTANCE ModuleInstance() { return GetModuleHandleA(nullptr); }

void RouteException(TObject* sender) {
  if (Application != nullptr) {
    Application->HandleException(sender);
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The running drag

namespace {

const char* const kDragWindowClass = "Corvane.DragCapture";
const char* const kObjectInstanceProp = "Corvane.ObjectInstance";

}  // namespace

// One drag, from BeginDrag to its end. A hidden window holds the mouse capture and gets the
// mouse moves and the button release; the application sends it Escape (the keys of a window
// that holds the capture go to it). The session frees itself once no call of its own is on the
// stack: the handlers it calls may end the drag, free the target or free the source.
class TDragSession {
public:
  static TDragSession* Running() { return FRunning; }

  static void Start(TControl* source, bool immediate, int threshold) {
    struct Deleter {
      void operator()(TDragSession* s) const { delete s; }
    };
    auto session = std::unique_ptr<TDragSession, Deleter>(new TDragSession(source, threshold));
    TDragObject* object = nullptr;
    source->DoStartDrag(object);  // may raise (EAbort: the drag does not start, silently)
    if (object == nullptr) {
      object = new TDragControlObject(source);
      session->FOwnsObject = true;
    }
    session->FObject = object;
    GetCursorPos(&session->FStart);
    object->FDragPos = session->FStart;
    session->FSavedCursor = GetCursor();
    session->CreateCaptureWindow();
    FRunning = session.release();
    SetCapture(FRunning->FWindow);
    if (immediate) {
      TDragSession* s = FRunning;
      TBusy busy(s);
      s->Activate();
      s->DragTo(s->FStart);
    }
  }

  static void ControlDestroyed(TControl* control) {
    TDragSession* s = FRunning;
    if (s == nullptr) return;
    if (control == s->FTarget) {
      s->FTarget = nullptr;
      if (s->FObject != nullptr) s->FObject->FDragTarget = nullptr;
    }
    if (control == s->FSource) {
      // No call may reach the control any more: the drag ends without its callbacks. A drag
      // object the control supplied stays with whoever made it.
      s->FSourceGone = true;
      if (!s->FEnding) {
        TBusy busy(s);
        s->FEnding = true;
        s->FObject->FCancelling = true;
        s->Stop();
        s->Retire();
      }
    }
  }

  TControl* Source() const { return FSource; }
  TDragObject* Object() const { return FObject; }
  void Adopt(TDragObject* object) {
    if (object == FObject) FOwnsObject = true;
  }
  bool Ending() const { return FEnding; }

  void Finish(bool drop) {
    TBusy busy(this);
    Done(drop);
  }

private:
  // Keeps the session alive while one of its calls runs.
  struct TBusy {
    TDragSession* s;
    explicit TBusy(TDragSession* session) : s(session) { ++s->FDepth; }
    ~TBusy() {
      if (--s->FDepth == 0 && s->FDead) delete s;
    }
  };

  TDragSession(TControl* source, int threshold) : FSource(source), FThreshold(threshold) {}
  ~TDragSession() {
    if (FWindow != nullptr) DestroyWindow(FWindow);
    if (FOwnsObject) delete FObject;
  }

  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TDragSession* s = FRunning;
    if (s == nullptr || s->FWindow != hwnd || s->FEnding) return DefWindowProcA(hwnd, msg, wParam, lParam);
    TBusy busy(s);
    try {
      switch (msg) {
        case WM_MOUSEMOVE: {
          POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
          ::ClientToScreen(hwnd, &p);
          s->DragTo(p);
          return 0;
        }
        case WM_LBUTTONUP:
        case WM_RBUTTONUP: s->Done(true); return 0;
        case WM_CAPTURECHANGED:
          if (reinterpret_cast<HWND>(lParam) != hwnd) s->Done(false);
          return 0;
        case CN_KEYDOWN:
          if (wParam == VK_ESCAPE) {
            s->Done(false);
            return 1;
          }
          return 0;
        case CN_KEYUP:
        case CN_CHAR: return 0;
      }
    } catch (...) {
      // The drag cannot go on after a failed step: end it, then report.
      try {
        s->Done(false);
      } catch (...) {
      }
      RouteException(s->FSourceGone ? nullptr : s->FSource);
      return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  }

  void CreateCaptureWindow() {
    HINSTANCE instance = ModuleInstance();
    WNDCLASSA wc{};
    if (!GetClassInfoA(instance, kDragWindowClass, &wc)) {
      wc = WNDCLASSA{};
      wc.lpfnWndProc = WndProc;
      wc.hInstance = instance;
      wc.lpszClassName = kDragWindowClass;
      if (RegisterClassA(&wc) == 0) throw EOSError("Cannot register the drag window class", GetLastError());
    }
    FWindow = CreateWindowExA(WS_EX_TOOLWINDOW, kDragWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              instance, nullptr);
    if (FWindow == nullptr) throw EOSError("Cannot create the drag window", GetLastError());
  }

  TObject* SourceForTarget() const {
    auto* controlObject = dynamic_cast<TBaseDragControlObject*>(FObject);
    return controlObject != nullptr ? static_cast<TObject*>(controlObject->Control()) : FObject;
  }

  // The enabled control of ours under a screen point.
  static TControl* FindTarget(POINT p) {
    for (HWND w = WindowFromPoint(p); w != nullptr; w = GetParent(w)) {
      if (TWinControl* control = TWinControl::FindControl(w)) return control->Enabled() ? control : nullptr;
    }
    return nullptr;
  }

  // Tells the target where the drag is; answers whether it would accept a drop there.
  bool TellTarget(TDragState state, POINT screen) {
    POINT client = FTarget->ScreenToClient(screen);
    FObject->FDragTargetPos = client;
    bool accept = false;
    FTarget->DragOver(SourceForTarget(), client.x, client.y, state, accept);
    return accept;
  }

  // The drag proper begins (at once, or once the mouse passed the threshold).
  void Activate() {
    FActive = true;
    if (TDragImageList* images = FObject->GetDragImages(); images != nullptr && images->Count() > 0) {
      FImages = images;
      images->BeginDrag(FObject->FDragPos.x, FObject->FDragPos.y);
    }
  }

  void DragTo(POINT p) {
    FObject->FDragPos = p;
    if (!FActive) {
      if (std::abs(p.x - FStart.x) < FThreshold && std::abs(p.y - FStart.y) < FThreshold) return;
      Activate();
    }
    TControl* target = FindTarget(p);
    if (target != FTarget) {
      if (FTarget != nullptr) TellTarget(TDragState::dsDragLeave, p);
      if (FEnding) return;
      FTarget = target;
      FObject->FDragTarget = target;
      FAccepted = false;
      if (FTarget != nullptr) TellTarget(TDragState::dsDragEnter, p);
      if (FEnding) return;
    }
    FAccepted = FTarget != nullptr && TellTarget(TDragState::dsDragMove, p);
    if (FEnding) return;
    if (Screen != nullptr) ::SetCursor(Screen->Cursors(FObject->GetDragCursor(FAccepted, p.x, p.y)));
    if (FImages != nullptr) FImages->DragMove(p.x, p.y);
  }

  // Ends the drag: the target hears the drop (when it accepted) or the leave, then the drag
  // object's Finished. The session stays the running one until then, so a source or target
  // freed by a handler is noticed and no new drag starts inside the old one's handlers.
  void Done(bool drop) {
    if (FEnding) return;
    FEnding = true;
    struct Retirement {
      TDragSession* s;
      ~Retirement() { s->Retire(); }
    } retirement{this};
    FObject->FCancelling = true;
    FObject->FDropped = drop;
    const bool active = FActive;
    Stop();
    if (!active) drop = false;  // released before the threshold: no drag took place
    TControl* target = FTarget;
    const POINT client = FObject->FDragTargetPos;
    bool accepted = false;
    if (target != nullptr) {
      TObject* source = SourceForTarget();
      if (drop && FAccepted) {
        accepted = true;
        target->DragDrop(source, client.x, client.y);
      } else {
        bool ignored = false;
        target->DragOver(source, client.x, client.y, TDragState::dsDragLeave, ignored);
      }
    }
    if (FSourceGone) return;
    target = FTarget;  // none when a handler freed it
    const POINT at = target != nullptr ? client : FObject->FDragPos;
    TDragObject* object = FObject;
    if (!FOwnsObject) FObject = nullptr;  // the supplier's object may free itself in Finished
    object->Finished(accepted ? target : nullptr, at.x, at.y, accepted);
  }

  // Gives the mouse back.
  void Stop() {
    if (GetCapture() == FWindow) ReleaseCapture();
    if (FImages != nullptr) FImages->EndDrag();
    FImages = nullptr;
    ::SetCursor(FSavedCursor);
  }

  // No longer the running drag; freed once its last call returns.
  void Retire() {
    if (FRunning == this) FRunning = nullptr;
    FDead = true;
  }

  static inline thread_local TDragSession* FRunning = nullptr;
  TControl* FSource;
  int FThreshold;
  TDragObject* FObject = nullptr;
  bool FOwnsObject = false;
  HWND FWindow = nullptr;
  POINT FStart{0, 0};
  HCURSOR FSavedCursor = nullptr;
  TControl* FTarget = nullptr;
  TDragImageList* FImages = nullptr;
  bool FActive = false;     // the mouse has passed the threshold
  bool FAccepted = false;   // the target's last answer
  bool FSourceGone = false;
  bool FEnding = false;
  bool FDead = false;
  int FDepth = 0;
};

TDragObject* ActiveDragObject() {
  TDragSession* s = TDragSession::Running();
  return s != nullptr ? s->Object() : nullptr;
}

void HandDragObjectToDrag(TDragObject* object) {
  if (TDragSession* s = TDragSession::Running(); s != nullptr && object != nullptr) s->Adopt(object);
}

void TControl::BeginDrag(bool immediate, int threshold) {
  if (FDragKind != TDragKind::dkDrag || TDragSession::Running() != nullptr) return;
  TDragSession::Start(this, immediate, threshold < 0 ? Mouse.DragThreshold : threshold);
}

void TControl::EndDrag(bool drop) {
  if (Dragging()) TDragSession::Running()->Finish(drop);
}

bool TControl::Dragging() const {
  TDragSession* s = TDragSession::Running();
  return s != nullptr && s->Source() == this && !s->Ending();
}

// ---------------------------------------------------------------------------------------------
// Drag objects and drag images

void TDragImageList::SetDragImage(int index, int hotSpotX, int hotSpotY) {
  FDragIndex = index;
  FHotSpot = POINT{hotSpotX, hotSpotY};
}

void TDragImageList::BeginDrag(int screenX, int screenY) {
  if (FDragging || !ImageList_BeginDrag(Handle(), FDragIndex, FHotSpot.x, FHotSpot.y)) return;
  FDragging = true;
  ImageList_DragEnter(nullptr, screenX, screenY);
}

void TDragImageList::DragMove(int screenX, int screenY) {
  if (FDragging) ImageList_DragMove(screenX, screenY);
}

void TDragImageList::EndDrag() {
  if (!FDragging) return;
  FDragging = false;
  ImageList_DragLeave(nullptr);
  ImageList_EndDrag();
}

void TDragImageList::HideDragImage() {
  if (FDragging) ImageList_DragShowNolock(FALSE);
}

void TDragImageList::ShowDragImage() {
  if (FDragging) ImageList_DragShowNolock(TRUE);
}

TCursor TDragObject::GetDragCursor(bool accepted, int /*x*/, int /*y*/) { return accepted ? crDrag : crNoDrop; }

void TDragObject::Finished(TObject* /*target*/, int /*x*/, int /*y*/, bool /*accepted*/) {}

void TDragObject::HideDragImage() {
  if (TDragImageList* images = GetDragImages()) images->HideDragImage();
}

void TDragObject::ShowDragImage() {
  if (TDragImageList* images = GetDragImages()) images->ShowDragImage();
}

void TBaseDragControlObject::Finished(TObject* target, int x, int y, bool accepted) {
  if (!accepted) {
    FControl->DragCanceled();
    target = nullptr;
  }
  EndDrag(target, x, y);
}

void TBaseDragControlObject::EndDrag(TObject* target, int x, int y) { FControl->DoEndDrag(target, x, y); }

TCursor TDragControlObject::GetDragCursor(bool accepted, int /*x*/, int /*y*/) {
  return accepted ? Control()->DragCursor() : crNoDrop;
}

TDragImageList* TDragControlObject::GetDragImages() { return Control()->GetDragImages(); }

TShiftState KeysToShiftState(WPARAM keys) {
  TShiftState s = 0;
  if (keys & MK_SHIFT) s |= ssShift;
  if (keys & MK_CONTROL) s |= ssCtrl;
  if (keys & MK_LBUTTON) s |= ssLeft;
  if (keys & MK_RBUTTON) s |= ssRight;
  if (keys & MK_MBUTTON) s |= ssMiddle;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
  TShiftState s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
  if (keyData & 0x20000000) s |= ssAlt;  // the context code of the key message
  return s;
}

int TMouse::WheelScrollLines() {
  if (!FWheelScrollLines) {
    UINT lines = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    FWheelScrollLines = lines == WHEEL_PAGESCROLL ? WheelPageScroll : static_cast<int>(std::min<UINT>(lines, INT_MAX));
  }
  return *FWheelScrollLines;
}

void TMouse::SettingChanged(UINT setting) {
  if (setting == 0 || setting == SPI_SETWHEELSCROLLLINES) FWheelScrollLines.reset();
}

POINT TMouse::CursorPos() {
  POINT p{};
  GetCursorPos(&p);
  return p;
}

// ---------------------------------------------------------------------------------------------
// TSizeConstraints

namespace {

// Sets one limit of a pair (a minimum, or a maximum where 0 means none); the other limit
// follows it when they would cross. Answers whether the limit changed.
bool SetLimit(int& limit, int& other, int value, bool isMinimum) {
  value = std::max(value, 0);
  if (value == limit) return false;
  limit = value;
  const bool crossed = isMinimum ? (other > 0 && other < value) : (value > 0 && other > value);
  if (crossed) other = value;
  return true;
}

}  // namespace

void TSizeConstraints::SetMinWidth(int value) {
  if (SetLimit(FMinWidth, FMaxWidth, value, true)) Changed();
}

void TSizeConstraints::SetMinHeight(int value) {
  if (SetLimit(FMinHeight, FMaxHeight, value, true)) Changed();
}

void TSizeConstraints::SetMaxWidth(int value) {
  if (SetLimit(FMaxWidth, FMinWidth, value, false)) Changed();
}

void TSizeConstraints::SetMaxHeight(int value) {
  if (SetLimit(FMaxHeight, FMinHeight, value, false)) Changed();
}

void TSizeConstraints::Assign(const TPersistent* source) {
  auto* other = dynamic_cast<const TSizeConstraints*>(source);
  if (other == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  FMinWidth = other->FMinWidth;
  FMinHeight = other->FMinHeight;
  FMaxWidth = other->FMaxWidth;
  FMaxHeight = other->FMaxHeight;
  Changed();
}

void TSizeConstraints::Apply(int& width, int& height) const {
  if (FMaxWidth > 0 && width > FMaxWidth) width = FMaxWidth;
  if (FMinWidth > 0 && width < FMinWidth) width = FMinWidth;
  if (FMaxHeight > 0 && height > FMaxHeight) height = FMaxHeight;
  if (FMinHeight > 0 && height < FMinHeight) height = FMinHeight;
}

void TSizeConstraints::Changed() {
  if (OnChange) OnChange(this);
}

TCustomForm* GetParentForm(TControl* control) {
  if (control == nullptr) return nullptr;
  while (control->Parent() != nullptr) control = control->Parent();
  return dynamic_cast<TCustomForm*>(control);
}

// ---------------------------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* owner)
    : TComponent(owner), FFont(std::make_unique<TFont>()), FConstraints(std::make_unique<TSizeConstraints>()) {
  FFont->OnChange = [this](TObject* sender) { FontChanged(sender); };
  FConstraints->OnChange = [this](TObject*) { AdjustSize(); };
}

TControl::~TControl() {
  Destroying();
  TDragSession::ControlDestroyed(this);
  if (Application != nullptr) Application->ControlDestroyed(this);
  if (FParent != nullptr) FParent->RemoveControl(this);
}

void TControl::FontChanged(TObject*) {
  if (!FSettingParentFont) FParentFont = false;
  Perform(CM_FONTCHANGED, 0, 0);
}

TComponent* TControl::GetParentComponent() const { return FParent; }

namespace {

// A parent chain that came back to the control would make every walk up the chain endless.
void CheckParentChain(const TControl* control, const TWinControl* parent) {
  for (const TControl* p = parent; p != nullptr; p = p->Parent())
    if (p == control) throw EInvalidOperation("A control cannot have itself as its parent");
}

}  // namespace

void TControl::SetParent(TWinControl* parent) {
  if (parent == FParent) return;
  CheckParentChain(this, parent);
  if (FParent != nullptr) FParent->RemoveControl(this);
  if (parent != nullptr) parent->InsertControl(this);
}

void TControl::SetAutoSize(bool value) {
  if (value == FAutoSize) return;
  FAutoSize = value;
  if (value) AdjustSize();
}

void TControl::AdjustSize() {
  if (!IsLoading() && !IsDestroying()) SetBounds(FLeft, FTop, FWidth, FHeight);
}

bool TControl::CanAutoSize(int& /*width*/, int& /*height*/) { return true; }

bool TControl::CanResize(int& /*width*/, int& /*height*/) { return true; }

bool TControl::CheckNewSize(int& width, int& height) {
  int w = width, h = height;
  if (!CanResize(w, h)) return false;
  FConstraints->Apply(w, h);
  int autoWidth = w, autoHeight = h;
  if (FAutoSize && FAlign != TAlign::alClient && CanAutoSize(autoWidth, autoHeight)) {
    // An aligned control keeps the side its alignment gives it.
    if (FAlign == TAlign::alTop || FAlign == TAlign::alBottom) autoWidth = w;
    if (FAlign == TAlign::alLeft || FAlign == TAlign::alRight) autoHeight = h;
    if (autoWidth != w || autoHeight != h) {
      if (!CanResize(autoWidth, autoHeight)) return false;
      FConstraints->Apply(autoWidth, autoHeight);
    }
    w = autoWidth;
    h = autoHeight;
  }
  width = w;
  height = h;
  return true;
}

void TControl::SetPopupMenu(TPopupMenu* menu) { SetReference(FPopupMenu, menu); }

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == FPopupMenu) FPopupMenu = nullptr;
}

bool TControl::DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
  return handled;
}

void TControl::DoContextPopup(POINT mousePos, bool& handled) {
  if (OnContextPopup) OnContextPopup(this, mousePos, handled);
}

LRESULT TControl::WMContextMenu(TMessage& m) {
  if (m.Result != 0 || IsDesigning()) return m.Result;
  POINT screen{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
  const bool fromKeyboard = screen.x == -1 && screen.y == -1;
  POINT client = screen;
  if (!fromKeyboard) {
    client = ScreenToClient(screen);
    RECT r = ClientRect();
    if (!PtInRect(&r, client)) return DefaultHandler(m);
  }
  bool handled = false;
  DoContextPopup(client, handled);
  if (handled) return 1;
  TPopupMenu* menu = GetPopupMenu();
  if (menu != nullptr && menu->AutoPopup()) {
    menu->SetPopupComponent(this);
    if (fromKeyboard) screen = ClientToScreen(POINT{0, 0});
    menu->Popup(screen.x, screen.y);
    return 1;
  }
  return DefaultHandler(m);
}

void TControl::BeginAutoDrag() { BeginDrag(Mouse.DragImmediate, Mouse.DragThreshold); }

void TControl::DoStartDrag(TDragObject*& dragObject) {
  if (OnStartDrag) OnStartDrag(this, dragObject);
}

void TControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
  accept = false;
  if (OnDragOver) {
    accept = true;
    OnDragOver(this, source, x, y, state, accept);
  }
}

void TControl::DragDrop(TObject* source, int x, int y) {
  if (OnDragDrop) OnDragDrop(this, source, x, y);
}

void TControl::DoEndDrag(TObject* target, int x, int y) {
  if (OnEndDrag) OnEndDrag(this, target, x, y);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (!CheckNewSize(width, height)) return;
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  Invalidate();
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  Invalidate();
  RequestAlign();
  Resize();
}

void TControl::UpdateBoundsRect(const RECT& r) {
  FLeft = r.left;
  FTop = r.top;
  FWidth = r.right - r.left;
  FHeight = r.bottom - r.top;
}

RECT TControl::ClientRect() { return RECT{0, 0, FWidth, FHeight}; }

void TControl::SetClientSize(int width, int height) {
  RECT client = ClientRect();
  SetBounds(FLeft, FTop, FWidth + width - (client.right - client.left),
            FHeight + height - (client.bottom - client.top));
}

POINT TControl::ClientOrigin() {
  if (FParent == nullptr) return POINT{FLeft, FTop};
  POINT origin = FParent->ClientOrigin();
  return POINT{origin.x + FLeft, origin.y + FTop};
}

POINT TControl::ClientToScreen(POINT p) {
  POINT origin = ClientOrigin();
  return POINT{p.x + origin.x, p.y + origin.y};
}

POINT TControl::ScreenToClient(POINT p) {
  POINT origin = ClientOrigin();
  return POINT{p.x - origin.x, p.y - origin.y};
}

void TControl::SetAlign(TAlign align) {
  if (align == FAlign) return;
  FAlign = align;
  RequestAlign();
}

void TControl::RequestAlign() {
  if (FParent != nullptr) FParent->Realign();
}

void TControl::SetVisible(bool visible) {
  if (visible == FVisible) return;
  VisibleChanging();
  FVisible = visible;
  Perform(CM_VISIBLECHANGED, visible ? 1 : 0, 0);
  RequestAlign();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetColor(TColor color) {
  if (color == FColor && !FParentColor) return;
  FColor = color;
  FParentColor = false;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool value) {
  if (value == FParentColor) return;
  FParentColor = value;
  if (value && FParent != nullptr) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::SetShowHint(bool value) {
  FParentShowHint = false;
  if (value == FShowHint) return;
  FShowHint = value;
  Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool value) {
  if (value == FParentShowHint) return;
  FParentShowHint = value;
  if (value && FParent != nullptr) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentFont(bool value) {
  if (value == FParentFont) return;
  FParentFont = value;
  if (value && FParent != nullptr) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::SetCursor(TCursor cursor) {
  if (cursor == FCursor) return;
  FCursor = cursor;
  Perform(CM_CURSORCHANGED, 0, 0);
}

void TControl::SetText(const AnsiString& text) {
  if (GetText() == text) return;
  SetTextBuf(text);
  Perform(CM_TEXTCHANGED, 0, 0);
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  return WndProc(m);
}

bool TControl::Showing() const { return FVisible && (FParent == nullptr || FParent->Showing()); }

void TControl::Invalidate() {
  if (FParent != nullptr && FParent->HandleAllocated()) {
    RECT r = BoundsRect();
    InvalidateRect(FParent->Handle(), &r, TRUE);
  }
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

LRESULT TControl::WMMouseButton(TMessage& m, TMouseButton button, bool down, bool dbl) {
  const int x = static_cast<short>(LOWORD(m.LParam));
  const int y = static_cast<short>(HIWORD(m.LParam));
  TShiftState shift = KeysToShiftState(m.WParam);
  auto* win = dynamic_cast<TWinControl*>(this);
  if (down) {
    if (button == TMouseButton::mbLeft) {
      if ((FControlStyle & csCaptureMouse) && win != nullptr) SetCapture(win->Handle());
      if (FControlStyle & csClickEvents) FControlState |= csClicked;
    }
    if (dbl) {
      shift |= ssDouble;
      if (button == TMouseButton::mbLeft && (FControlStyle & csDoubleClicks)) DblClick();
    }
    MouseDown(button, shift, x, y);
  } else {
    if (button == TMouseButton::mbLeft) {
      const bool clicked = (FControlState & csClicked) != 0;
      FControlState &= ~csClicked;
      if (win != nullptr && GetCapture() == win->Handle() && (FControlStyle & csCaptureMouse)) ReleaseCapture();
      RECT client = ClientRect();
      POINT p{x, y};
      if (clicked && PtInRect(&client, p)) Click();
    }
    MouseUp(button, shift, x, y);
  }
  return DefaultHandler(m);
}

LRESULT TControl::WMLButtonDown(TMessage& m, bool dbl) {
  // A descendant that set csLButtonDown handles the press itself, without the automatic drag.
  if (FControlState & csLButtonDown) return WMMouseButton(m, TMouseButton::mbLeft, true, dbl);
  if (FDragMode == TDragMode::dmAutomatic && !IsDesigning()) {
    BeginAutoDrag();
    return 0;
  }
  FControlState |= csLButtonDown;
  struct Clear {
    TControl* c;
    ~Clear() { c->FControlState &= ~csLButtonDown; }
  } clear{this};
  return WMMouseButton(m, TMouseButton::mbLeft, true, dbl);
}

LRESULT TControl::CMParentFontChanged(TMessage& m) {
  if (FParentFont && FParent != nullptr) {
    FSettingParentFont = true;
    try {
      FFont->Assign(&FParent->Font());
    } catch (...) {
      FSettingParentFont = false;
      throw;
    }
    FSettingParentFont = false;
  }
  return 0;
}

LRESULT TControl::CMParentColorChanged(TMessage& m) {
  if (FParentColor && FParent != nullptr && FColor != FParent->Color()) {
    FColor = FParent->Color();
    Perform(CM_COLORCHANGED, 0, 0);
  }
  return 0;
}

LRESULT TControl::CMParentShowHintChanged(TMessage& m) {
  if (FParentShowHint && FParent != nullptr && FShowHint != FParent->ShowHint()) {
    FShowHint = FParent->ShowHint();
    Perform(CM_SHOWHINTCHANGED, 0, 0);
  }
  return 0;
}

LRESULT TControl::CMMouseEnterLeave(TMessage& m) {
  // Parents hear of it too, with the control the mouse entered or left.
  if (FParent != nullptr)
    FParent->Perform(m.Msg, 0, m.LParam != 0 ? m.LParam : reinterpret_cast<LPARAM>(this));
  return 0;
}

LRESULT TControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_LBUTTONDOWN: return WMLButtonDown(m, false);
    case WM_LBUTTONDBLCLK: return WMLButtonDown(m, true);
    case WM_LBUTTONUP: return WMMouseButton(m, TMouseButton::mbLeft, false, false);
    case WM_RBUTTONDOWN: return WMMouseButton(m, TMouseButton::mbRight, true, false);
    case WM_RBUTTONDBLCLK: return WMMouseButton(m, TMouseButton::mbRight, true, true);
    case WM_RBUTTONUP: return WMMouseButton(m, TMouseButton::mbRight, false, false);
    case WM_MBUTTONDOWN: return WMMouseButton(m, TMouseButton::mbMiddle, true, false);
    case WM_MBUTTONDBLCLK: return WMMouseButton(m, TMouseButton::mbMiddle, true, true);
    case WM_MBUTTONUP: return WMMouseButton(m, TMouseButton::mbMiddle, false, false);
    case WM_MOUSEMOVE:
      MouseMove(KeysToShiftState(m.WParam), static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam)));
      return DefaultHandler(m);
    case WM_CONTEXTMENU: return WMContextMenu(m);
    case CM_PARENTFONTCHANGED: return CMParentFontChanged(m);
    case CM_PARENTCOLORCHANGED: return CMParentColorChanged(m);
    case CM_PARENTSHOWHINTCHANGED: return CMParentShowHintChanged(m);
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: return CMMouseEnterLeave(m);
    case CM_COLORCHANGED:
    case CM_FONTCHANGED: Invalidate(); return 0;
    case CM_VISIBLECHANGED:
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
    case CM_CURSORCHANGED: return 0;
  }
  return DefaultHandler(m);
}

LRESULT TControl::DefaultHandler(TMessage& m) { return 0; }

// ---------------------------------------------------------------------------------------------
// The window procedure of every window of ours.

LRESULT CALLBACK StdWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* control = static_cast<TWinControl*>(GetPropA(hwnd, kControlProp));
  if (control == nullptr) {
    if (CreationControl == nullptr) return DefWindowProcA(hwnd, msg, wParam, lParam);
    control = CreationControl;
    CreationControl = nullptr;
    control->FHandle = hwnd;
    SetPropA(hwnd, kControlProp, control);
  }
  TMessage m{msg, wParam, lParam, 0};
  LRESULT result = 0;
  try {
    result = control->WndProc(m);
  } catch (...) {
    RouteException(control);
  }
  if (msg == WM_NCDESTROY) {
    RemovePropA(hwnd, kControlProp);
    if (control->FHandle == hwnd) control->FHandle = nullptr;
  }
  return result;
}

// ---------------------------------------------------------------------------------------------
// TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner), FBrush(std::make_unique<TBrush>()) {
  FBrush->SetColor(Color());
}

TWinControl::~TWinControl() {
  Destroying();
  // Forget the focus bookkeeping that points at this control or its children.
  if (TCustomForm* form = GetParentForm(this); form != nullptr && form != this) form->ControlRemoved(this);
  DestroyHandle();
  while (!FControls.empty()) {
    TControl* child = FControls.back();
    RemoveControl(child);
    delete child;
  }
}

HWND TWinControl::Handle() {
  HandleNeeded();
  return FHandle;
}

void TWinControl::HandleNeeded() {
  if (FHandle != nullptr) return;
  if (FParent != nullptr) FParent->HandleNeeded();
  CreateHandle();
}

void TWinControl::SetParentWindow(HWND window) {
  if (window == FParentWindow) return;
  FParentWindow = window;
  if (FParent == nullptr && FHandle != nullptr) RecreateWnd();
}

void TWinControl::CreateParams(TCreateParams& params) {
  if (ControlStyle() & csSetCaption) params.Caption = FText;
  params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (ControlStyle() & csAcceptsControls) params.Style |= WS_CLIPCHILDREN;
  if (FTabStop) params.Style |= WS_TABSTOP;
  if (!Enabled()) params.Style |= WS_DISABLED;
  if (Visible()) params.Style |= WS_VISIBLE;
  params.X = FLeft;
  params.Y = FTop;
  params.Width = FWidth;
  params.Height = FHeight;
  params.WndParent = FParent != nullptr ? FParent->Handle() : FParentWindow;
  params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  params.WindowClass.lpfnWndProc = DefWindowProcA;
  params.WindowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  params.WindowClass.hbrBackground = nullptr;
  params.WinClassName = AnsiString("Corvane.") + ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& params, const char* controlClassName) {
  WNDCLASSA system{};
  if (!GetClassInfoA(nullptr, controlClassName, &system) && !GetClassInfoA(ModuleInstance(), controlClassName, &system))
    throw EOSError(Format("Window class %s is not registered", controlClassName), GetLastError());
  // The system control's procedure becomes this control's default handler; the class styles
  // that would share device contexts or make the class global are not wanted for a copy.
  params.WindowClass = system;
  params.WindowClass.style = (system.style & ~(CS_OWNDC | CS_CLASSDC | CS_PARENTDC | CS_GLOBALCLASS)) |
                             CS_VREDRAW | CS_HREDRAW;
}

void TWinControl::CreateWindowHandle(const TCreateParams& params) {
  HMENU id = nullptr;
  if (params.Style & WS_CHILD) id = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(NextChildId++ & 0x7FFF));
  CreateWindowExA(params.ExStyle, params.WinClassName.c_str(), params.Caption.c_str(), params.Style, params.X,
                  params.Y, params.Width, params.Height, params.WndParent, id, ModuleInstance(), params.Param);
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if ((params.Style & WS_CHILD) && params.WndParent == nullptr)
    throw EInvalidOperation(Format("Control '%s' has no parent window", Name().c_str()));
  FDefWndProc = params.WindowClass.lpfnWndProc;
  WNDCLASSA existing{};
  const bool registered = GetClassInfoA(ModuleInstance(), params.WinClassName.c_str(), &existing) != 0 &&
                          existing.lpfnWndProc == StdWndProc;
  if (!registered) {
    WNDCLASSA wc = params.WindowClass;
    wc.lpfnWndProc = StdWndProc;
    wc.hInstance = ModuleInstance();
    wc.lpszClassName = params.WinClassName.c_str();
    if (RegisterClassA(&wc) == 0) throw EOSError("Cannot register the window class", GetLastError());
  }
  CreationControl = this;
  try {
    CreateWindowHandle(params);
  } catch (...) {
    CreationControl = nullptr;
    throw;
  }
  CreationControl = nullptr;
  if (FHandle == nullptr) throw EOSError(Format("Error creating window of %s", ClassName()), GetLastError());
  SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 0);
}

void TWinControl::CreateHandle() {
  if (FHandle != nullptr) return;
  CreateWnd();
  // Children get their windows with the parent, in creation order (which is the z-order).
  for (TControl* child : std::vector<TControl*>(FControls))
    if (auto* win = dynamic_cast<TWinControl*>(child)) win->HandleNeeded();
  Realign();
}

void TWinControl::DestroyWnd() {
  FText = GetText();
  HWND window = FHandle;
  DestroyWindow(window);
  FHandle = nullptr;
}

void TWinControl::DestroyHandle() {
  if (FHandle == nullptr) return;
  for (TControl* child : FControls)
    if (auto* win = dynamic_cast<TWinControl*>(child)) win->DestroyHandle();
  SetControlState(ControlState() | csDestroyingHandle);
  DestroyWnd();
  SetControlState(ControlState() & ~csDestroyingHandle);
}

void TWinControl::RecreateWnd() {
  if (FHandle == nullptr) return;
  DestroyHandle();
  if (FParent == nullptr || FParent->HandleAllocated()) HandleNeeded();
}

void TWinControl::SetParent(TWinControl* parent) {
  if (parent == Parent()) return;
  if (FHandle != nullptr && Parent() != nullptr && parent != nullptr && parent->HandleAllocated()) {
    CheckParentChain(this, parent);
    Parent()->DetachControl(this, false);
    parent->InsertControl(this);  // hands the window over with ::SetParent
    return;
  }
  TControl::SetParent(parent);
}

void TWinControl::InsertControl(TControl* control) {
  if (control->FParent != nullptr) control->FParent->RemoveControl(control);
  FControls.push_back(control);
  control->FParent = this;
  if (auto* win = dynamic_cast<TWinControl*>(control)) FTabList.push_back(win);
  control->Perform(CM_PARENTCOLORCHANGED, 0, 0);
  control->Perform(CM_PARENTFONTCHANGED, 0, 0);
  control->Perform(CM_PARENTCTL3DCHANGED, 0, 0);
  control->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
  if (auto* win = dynamic_cast<TWinControl*>(control); win != nullptr && FHandle != nullptr) {
    if (win->HandleAllocated())
      ::SetParent(win->FHandle, FHandle);
    else
      win->HandleNeeded();
  }
  Realign();
}

void TWinControl::RemoveControl(TControl* control) { DetachControl(control, true); }

void TWinControl::DetachControl(TControl* control, bool destroyHandle) {
  auto it = std::find(FControls.begin(), FControls.end(), control);
  if (it == FControls.end()) return;
  // By address: a windowed control being freed gets here from ~TControl, when it no longer
  // casts to TWinControl, and must not stay behind in the tab order.
  FTabList.erase(std::remove_if(FTabList.begin(), FTabList.end(),
                                [control](TWinControl* w) { return static_cast<TControl*>(w) == control; }),
                 FTabList.end());
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    if (TCustomForm* form = GetParentForm(this); form != nullptr) form->ControlRemoved(win);
    if (destroyHandle && win->HandleAllocated() && !IsDestroying()) win->DestroyHandle();
  } else {
    control->Invalidate();
  }
  FControls.erase(it);
  control->FParent = nullptr;
  Realign();
}

bool TWinControl::ContainsControl(TControl* control) const {
  while (control != nullptr && control != this) control = control->Parent();
  return control == this;
}

void TWinControl::SetCtl3D(bool value) {
  if (value == FCtl3D) return;
  FCtl3D = value;
  FParentCtl3D = false;
  Perform(CM_CTL3DCHANGED, 0, 0);
}

void TWinControl::SetParentCtl3D(bool value) {
  if (value == FParentCtl3D) return;
  FParentCtl3D = value;
  if (FParent != nullptr) Perform(CM_PARENTCTL3DCHANGED, 0, 0);
}

void TWinControl::SetParentBackground(bool value) {
  if (value == ParentBackground()) return;
  SetControlStyle(value ? (ControlStyle() | csParentBackground) : (ControlStyle() & ~csParentBackground));
  Invalidate();
}

void TWinControl::SetTabStop(bool value) {
  if (value == FTabStop) return;
  FTabStop = value;
  if (FHandle != nullptr) {
    LONG style = GetWindowLongA(FHandle, GWL_STYLE);
    SetWindowLongA(FHandle, GWL_STYLE, value ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
  }
  Perform(CM_TABSTOPCHANGED, 0, 0);
}

int TWinControl::TabOrder() const {
  if (FParent == nullptr) return -1;
  const auto& list = FParent->FTabList;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int order) {
  if (FParent == nullptr) return;
  auto& list = FParent->FTabList;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  order = std::clamp(order, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + order, this);
}

bool TWinControl::CanFocus() {
  TCustomForm* form = GetParentForm(this);
  if (form == nullptr || form->IsDestroying()) return false;
  // A control that is being destroyed (or sits in one) stays in its parent's lists until
  // late in its destruction; activation messages that arrive meanwhile must not pick it.
  for (TControl* c = this; c != form; c = c->Parent())
    if (!(c->Visible() && c->Enabled()) || c->IsDestroying()) return false;
  return true;
}

bool TWinControl::Focused() { return FHandle != nullptr && GetFocus() == FHandle; }

void TWinControl::SetFocus() {
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form != this) {
    form->SetActiveControl(this);
    if (!form->Visible()) return;  // the focus moves there when the form is shown
    // The focus has gone elsewhere meanwhile (an editor that refused to be left took it back,
    // a container passed it to its inner control): it stays there.
    if (form->ActiveControl() != this) return;
  }
  ::SetFocus(Handle());
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) {
  for (TWinControl* child : FTabList) {
    list.push_back(child);
    child->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool forward, bool checkTabStop, bool checkParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  const int count = static_cast<int>(list.size());
  if (count == 0) return nullptr;
  int start = static_cast<int>(std::find(list.begin(), list.end(), current) - list.begin());
  if (start == count) start = forward ? count - 1 : 0;
  int i = start;
  do {
    i = forward ? (i + 1) % count : (i + count - 1) % count;
    TWinControl* candidate = list[static_cast<size_t>(i)];
    if (candidate != current && (!checkTabStop || candidate->TabStop()) &&
        (!checkParent || candidate->Parent() == this) && candidate->CanFocus())
      return candidate;
  } while (i != start);
  return nullptr;
}

bool TWinControl::SelectNext(TWinControl* current, bool forward, bool checkTabStop) {
  TWinControl* next = FindNextControl(current, forward, checkTabStop, !checkTabStop);
  if (next == nullptr) return false;
  next->SetFocus();
  return true;
}

void TWinControl::Invalidate() {
  if (FHandle != nullptr) InvalidateRect(FHandle, nullptr, TRUE);
}

void TWinControl::Update() {
  if (FHandle != nullptr) UpdateWindow(FHandle);
}

void TWinControl::BringToFront() {
  if (FParent != nullptr) {
    auto& list = FParent->FControls;
    list.erase(std::remove(list.begin(), list.end(), static_cast<TControl*>(this)), list.end());
    list.push_back(this);
  }
  if (FHandle != nullptr) SetWindowPos(FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool TWinControl::Showing() const {
  if (!Visible()) return false;
  if (FParent != nullptr) return FParent->Showing();
  return FHandle != nullptr && IsWindowVisible(FHandle);
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  if (!CheckNewSize(width, height)) return;
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  const bool sized = width != FWidth || height != FHeight;
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  if (FHandle != nullptr) {
    // WM_WINDOWPOSCHANGED realigns the children and fires Resize.
    SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  } else if (sized) {
    Realign();
    Resize();
  }
  RequestAlign();
}

RECT TWinControl::ClientRect() {
  RECT r{0, 0, FWidth, FHeight};
  if (FHandle != nullptr) GetClientRect(FHandle, &r);
  return r;
}

POINT TWinControl::ClientOrigin() {
  if (FHandle == nullptr) return TControl::ClientOrigin();
  POINT p{0, 0};
  ::ClientToScreen(FHandle, &p);
  return p;
}

void TWinControl::EnableAlign() {
  if (FAlignLevel > 0 && --FAlignLevel == 0) Realign();
}

void TWinControl::Realign() {
  if (FAlignLevel > 0 || FAligning || IsDestroying()) return;
  FAligning = true;
  try {
    RECT r = ClientRect();
    AdjustClientRect(r);
    AlignControls(nullptr, r);
  } catch (...) {
    FAligning = false;
    throw;
  }
  FAligning = false;
}

void TWinControl::AdjustClientRect(RECT& rect) {}

void TWinControl::DoAlign(TAlign align, RECT& rect) {
  std::vector<TControl*> list;
  for (TControl* c : FControls)
    if (c->Visible() && c->Align() == align) list.push_back(c);
  // Among controls of one kind, the one already nearer the edge goes first.
  auto key = [align](TControl* c) {
    switch (align) {
      case TAlign::alTop: return c->Top();
      case TAlign::alBottom: return -(c->Top() + c->Height());
      case TAlign::alLeft: return c->Left();
      case TAlign::alRight: return -(c->Left() + c->Width());
      default: return 0;
    }
  };
  std::stable_sort(list.begin(), list.end(), [&](TControl* a, TControl* b) { return key(a) < key(b); });
  for (TControl* c : list) {
    const int w = std::max<int>(0, rect.right - rect.left);
    const int h = std::max<int>(0, rect.bottom - rect.top);
    switch (align) {
      case TAlign::alTop:
        c->SetBounds(rect.left, rect.top, w, c->Height());
        rect.top += c->Height();
        break;
      case TAlign::alBottom:
        c->SetBounds(rect.left, rect.bottom - c->Height(), w, c->Height());
        rect.bottom -= c->Height();
        break;
      case TAlign::alLeft:
        c->SetBounds(rect.left, rect.top, c->Width(), h);
        rect.left += c->Width();
        break;
      case TAlign::alRight:
        c->SetBounds(rect.right - c->Width(), rect.top, c->Width(), h);
        rect.right -= c->Width();
        break;
      case TAlign::alClient: c->SetBounds(rect.left, rect.top, w, h); break;
      case TAlign::alNone: break;
    }
  }
}

void TWinControl::AlignControls(TControl* /*control*/, RECT& rect) {
  for (TAlign a : {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient})
    DoAlign(a, rect);
}

void TWinControl::Broadcast(TMessage& m) {
  for (TControl* c : std::vector<TControl*>(FControls)) {
    m.Result = c->WndProc(m);
    if (m.Result != 0) return;
  }
}

void TWinControl::NotifyControls(UINT msg) {
  for (TControl* c : std::vector<TControl*>(FControls)) c->Perform(msg, 0, 0);
}

TWinControl* TWinControl::FindControl(HWND window) {
  if (window == nullptr) return nullptr;
  return static_cast<TWinControl*>(GetPropA(window, kControlProp));
}

AnsiString TWinControl::GetText() {
  if (FHandle == nullptr) return FText;
  const int length = static_cast<int>(SendMessageA(FHandle, WM_GETTEXTLENGTH, 0, 0));
  AnsiString text(static_cast<size_t>(length) + 1, '\0');
  const int got = static_cast<int>(SendMessageA(FHandle, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
  text.resize(static_cast<size_t>(std::clamp(got, 0, length)));
  return text;
}

void TWinControl::SetTextBuf(const AnsiString& text) {
  if (FHandle == nullptr)
    FText = text;
  else
    SendMessageA(FHandle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TWinControl::UpdateShowing() {
  if (Visible() && (FParent == nullptr ? false : FParent->HandleAllocated())) HandleNeeded();
  if (FHandle != nullptr && FParent != nullptr) ShowWindow(FHandle, Visible() ? SW_SHOWNOACTIVATE : SW_HIDE);
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

bool TWinControl::DoKeyDown(TMessage& m) {
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form != this && form->KeyPreview() && form->DoKeyDown(m)) return true;
  WORD key = static_cast<WORD>(m.WParam);
  if (!(ControlStyle() & csNoStdEvents)) {
    KeyDown(key, KeyDataToShiftState(m.LParam));
    m.WParam = key;
    if (key == 0) return true;
  }
  return false;
}

bool TWinControl::DoKeyPress(TMessage& m) {
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form != this && form->KeyPreview() && form->DoKeyPress(m)) return true;
  char key = static_cast<char>(m.WParam);
  if (!(ControlStyle() & csNoStdEvents)) {
    KeyPress(key);
    m.WParam = static_cast<unsigned char>(key);
    if (key == 0) return true;
  }
  return false;
}

bool TWinControl::DoKeyUp(TMessage& m) {
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form != this && form->KeyPreview() && form->DoKeyUp(m)) return true;
  WORD key = static_cast<WORD>(m.WParam);
  if (!(ControlStyle() & csNoStdEvents)) {
    KeyUp(key, KeyDataToShiftState(m.LParam));
    m.WParam = key;
    if (key == 0) return true;
  }
  return false;
}

LRESULT TWinControl::CNKeyDown(TMessage& m) {
  if (IsDesigning()) return 0;
  const WORD key = static_cast<WORD>(m.WParam);
  if (Perform(CM_CHILDKEY, key, reinterpret_cast<LPARAM>(this)) != 0) return 1;
  LRESULT mask = 0;
  switch (key) {
    case VK_TAB: mask = DLGC_WANTTAB; break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: mask = DLGC_WANTARROWS; break;
    case VK_RETURN:
    case VK_EXECUTE:
    case VK_ESCAPE:
    case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
  }
  // A key the control does not want becomes a dialog key of its form (Tab moves the focus).
  if (mask != 0 && Perform(CM_WANTSPECIALKEY, key, 0) == 0 &&
      (SendMessageA(Handle(), WM_GETDLGCODE, 0, 0) & mask) == 0) {
    if (TCustomForm* form = GetParentForm(this); form != nullptr && form->Perform(CM_DIALOGKEY, key, m.LParam) != 0)
      return 1;
  }
  return 0;
}

LRESULT TWinControl::CNChar(TMessage& m) {
  if (IsDesigning()) return 0;
  if ((SendMessageA(Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) == 0) {
    if (TCustomForm* form = GetParentForm(this); form != nullptr && form->Perform(CM_DIALOGCHAR, m.WParam, m.LParam) != 0)
      return 1;
  }
  return 0;
}

LRESULT TWinControl::CNCtlColor(TMessage& m) {
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  SetTextColor(dc, ColorToRGB(Font().Color()));
  SetBkColor(dc, ColorToRGB(Color()));
  return reinterpret_cast<LRESULT>(FBrush->Handle());
}

LRESULT TWinControl::CMDialogKeyOrChar(TMessage& m) {
  Broadcast(m);
  return m.Result;
}

LRESULT TWinControl::WMSetFocus(TMessage& m) {
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form != this && !form->SetFocusedControl(this)) return 0;
  return DefaultHandler(m);
}

LRESULT TWinControl::WMEraseBkgnd(TMessage& m) {
  if (FDefWndProc != DefWindowProcA) return DefaultHandler(m);
  RECT r = ClientRect();
  FillRect(reinterpret_cast<HDC>(m.WParam), &r, FBrush->Handle());
  return 1;
}

LRESULT TWinControl::WMSetCursor(TMessage& m) {
  if (reinterpret_cast<HWND>(m.WParam) == FHandle && LOWORD(m.LParam) == HTCLIENT && Screen != nullptr) {
    TCursor cursor = Screen->Cursor() != crDefault ? Screen->Cursor() : Cursor();
    if (cursor != crDefault) {
      ::SetCursor(Screen->Cursors(cursor));
      return 1;
    }
  }
  return DefaultHandler(m);
}

LRESULT TWinControl::WMWindowPosChanged(TMessage& m) {
  LRESULT result = DefaultHandler(m);
  auto* pos = reinterpret_cast<WINDOWPOS*>(m.LParam);
  if (FHandle != nullptr && IsIconic(FHandle) == FALSE) {
    RECT r{};
    GetWindowRect(FHandle, &r);
    if (GetWindowLongA(FHandle, GWL_STYLE) & WS_CHILD) MapWindowPoints(HWND_DESKTOP, GetParent(FHandle), reinterpret_cast<POINT*>(&r), 2);
    UpdateBoundsRect(r);
    if (pos == nullptr || !(pos->flags & SWP_NOSIZE)) {
      Realign();
      Resize();
    }
  }
  return result;
}

LRESULT TWinControl::WMMouseWheel(TMessage& m) {
  // The wheel comes to the focused window. When that is a control of ours inside this one, it
  // has offered the wheel to this control already, and this is its window's default handling
  // passing it on.
  if (TWinControl* focused = FindControl(GetFocus()); focused != nullptr && focused != this && ContainsControl(focused))
    return 0;
  const TShiftState shift = KeysToShiftState(LOWORD(m.WParam));
  const int delta = static_cast<short>(HIWORD(m.WParam));
  const POINT at{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
  for (TWinControl* c = this; c != nullptr; c = c->Parent())
    if (c->DoMouseWheel(shift, delta, at)) return 0;
  return DefaultHandler(m);  // none took it: the window's own handling (a list scrolls)
}

LRESULT TWinControl::WMReflect(TMessage& m, HWND child) {
  TWinControl* target = FindControl(child);
  if (target != nullptr && target != this) return SendMessageA(child, CN_BASE + m.Msg, m.WParam, m.LParam);
  return DefaultHandler(m);
}

LRESULT TWinControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_SETFOCUS: return WMSetFocus(m);
    case WM_KILLFOCUS:
      if (ControlState() & csFocusing) return 0;
      return DefaultHandler(m);
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (DoKeyDown(m)) return 0;
      return DefaultHandler(m);
    case WM_CHAR:
      if (DoKeyPress(m)) return 0;
      return DefaultHandler(m);
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (DoKeyUp(m)) return 0;
      return DefaultHandler(m);
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: return CNKeyDown(m);
    case CN_CHAR:
    case CN_SYSCHAR: return CNChar(m);
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      if (m.LParam != 0) return WMReflect(m, reinterpret_cast<HWND>(m.LParam));
      return DefaultHandler(m);
    case WM_NOTIFY: return WMReflect(m, reinterpret_cast<NMHDR*>(m.LParam)->hwndFrom);
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
      if (item->CtlType == ODT_MENU) return DefaultHandler(m);
      return WMReflect(m, item->hwndItem);
    }
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
      if (item->CtlType == ODT_MENU) return DefaultHandler(m);
      return WMReflect(m, GetDlgItem(FHandle, static_cast<int>(item->CtlID)));
    }
    case WM_COMPAREITEM: return WMReflect(m, reinterpret_cast<COMPAREITEMSTRUCT*>(m.LParam)->hwndItem);
    case WM_DELETEITEM: return WMReflect(m, reinterpret_cast<DELETEITEMSTRUCT*>(m.LParam)->hwndItem);
    case CN_CTLCOLORMSGBOX:
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORLISTBOX:
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORDLG:
    case CN_CTLCOLORSCROLLBAR:
    case CN_CTLCOLORSTATIC: return CNCtlColor(m);
    case WM_ERASEBKGND: return WMEraseBkgnd(m);
    case WM_SETCURSOR: return WMSetCursor(m);
    case WM_WINDOWPOSCHANGED: return WMWindowPosChanged(m);
    case WM_MOUSEWHEEL: return WMMouseWheel(m);
    case WM_SETTINGCHANGE: {
      // Only top-level windows hear the system's broadcast; children learn it from their parent.
      const LRESULT result = DefaultHandler(m);
      Perform(CM_WININICHANGE, m.WParam, m.LParam);
      return result;
    }
    case CM_WININICHANGE:
      for (TControl* c : std::vector<TControl*>(FControls)) c->Perform(CM_WININICHANGE, m.WParam, m.LParam);
      return 0;
    case CM_CTL3DCHANGED: NotifyControls(CM_PARENTCTL3DCHANGED); return 0;
    case CM_PARENTCTL3DCHANGED:
      if (FParentCtl3D && FParent != nullptr) {
        SetCtl3D(FParent->Ctl3D());
        FParentCtl3D = true;
      }
      return 0;
    case WM_MOUSEMOVE:
      if (Application != nullptr) Application->NoteMouseMove(this);
      return TControl::WndProc(m);
    case WM_MOUSELEAVE:
      if (Application != nullptr) Application->NoteMouseLeave(this);
      return DefaultHandler(m);
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR: return CMDialogKeyOrChar(m);
    case CM_CHILDKEY: return FParent != nullptr ? FParent->Perform(m.Msg, m.WParam, m.LParam) : 0;
    case CM_ENTER: DoEnter(); return 0;
    case CM_EXIT: DoExit(); return 0;
    case CM_ENABLEDCHANGED:
      if (FHandle != nullptr) EnableWindow(FHandle, Enabled());
      return 0;
    case CM_VISIBLECHANGED: UpdateShowing(); return 0;
    case CM_COLORCHANGED:
      FBrush->SetColor(Color());
      NotifyControls(CM_PARENTCOLORCHANGED);
      Invalidate();
      return 0;
    case CM_FONTCHANGED:
      if (FHandle != nullptr) SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 1);
      NotifyControls(CM_PARENTFONTCHANGED);
      return 0;
    case CM_SHOWHINTCHANGED: NotifyControls(CM_PARENTSHOWHINTCHANGED); return 0;
    case CM_RECREATEWND: RecreateWnd(); return 0;
  }
  return TControl::WndProc(m);
}

LRESULT TWinControl::DefaultHandler(TMessage& m) {
  // The class library's own notifications (CM_* and CN_*, 0xB000 to 0xBFFF) mean nothing to
  // the system; registered messages (0xC000 and up) are the system's again.
  const bool libraryMessage = m.Msg >= CM_BASE && m.Msg < 0xC000;
  if (FHandle == nullptr || FDefWndProc == nullptr || libraryMessage) return 0;
  return CallWindowProcA(FDefWndProc, FHandle, m.Msg, m.WParam, m.LParam);
}

// ---------------------------------------------------------------------------------------------
// TCustomControl

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner), FCanvas(std::make_unique<TCanvas>()) {}

TCustomControl::~TCustomControl() { Destroying(); }

LRESULT TCustomControl::WMPaint(TMessage& m) {
  PAINTSTRUCT ps{};
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  const bool own = dc == nullptr;
  HWND window = Handle();
  if (own) dc = BeginPaint(window, &ps);
  struct Restore {
    TCanvas& canvas;
    HWND window;
    PAINTSTRUCT* ps;
    bool own;
    ~Restore() {
      canvas.SetHandle(nullptr);
      if (own) EndPaint(window, ps);
    }
  } restore{*FCanvas, window, &ps, own};
  FCanvas->SetHandle(dc);
  FCanvas->Font().Assign(&Font());
  FCanvas->Brush().SetColor(Color());
  Paint();
  return 0;
}

LRESULT TCustomControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_PAINT:
    case WM_PRINTCLIENT: return WMPaint(m);
  }
  return TWinControl::WndProc(m);
}

// ---------------------------------------------------------------------------------------------
// Hidden utility windows

namespace {

LRESULT CALLBACK UtilWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // The function is attached once CreateWindowEx has returned; the creation messages before
  // that get the default handling.
  auto* proc = reinterpret_cast<std::function<void(TMessage&)>*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (proc == nullptr || !*proc) return DefWindowProcA(hwnd, msg, wParam, lParam);
  TMessage m{msg, wParam, lParam, 0};
  try {
    (*proc)(m);
  } catch (...) {
    RouteException(nullptr);
  }
  return m.Result;
}

const char* const kUtilClass = "Corvane.UtilWindow";

}  // namespace

HWND AllocateHWnd(std::function<void(TMessage&)> wndProc) {
  WNDCLASSA wc{};
  if (!GetClassInfoA(ModuleInstance(), kUtilClass, &wc)) {
    wc = WNDCLASSA{};
    wc.lpfnWndProc = UtilWndProc;
    wc.hInstance = ModuleInstance();
    wc.lpszClassName = kUtilClass;
    if (RegisterClassA(&wc) == 0) throw EOSError("Cannot register the utility window class", GetLastError());
  }
  HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, kUtilClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                ModuleInstance(), nullptr);
  if (window == nullptr) throw EOSError("Cannot create a utility window", GetLastError());
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new std::function<void(TMessage&)>(std::move(wndProc))));
  return window;
}

void DeallocateHWnd(HWND window) {
  if (window == nullptr) return;
  auto* proc = reinterpret_cast<std::function<void(TMessage&)>*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  DestroyWindow(window);
  delete proc;
}

// ---------------------------------------------------------------------------------------------
// Object instances (subclassing)

LRESULT CALLBACK ObjectInstanceWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* instance = static_cast<TObjectInstance*>(GetPropA(hwnd, kObjectInstanceProp));
  if (instance == nullptr) return DefWindowProcA(hwnd, msg, wParam, lParam);
  // The handler may free its instance (an editor freed by a key in its inner window): hold the
  // function, and look the instance up again afterwards.
  const auto handler = instance->FHandler;
  TMessage m{msg, wParam, lParam, 0};
  try {
    (*handler)(m);
  } catch (...) {
    RouteException(nullptr);
  }
  if (msg == WM_NCDESTROY) {
    if (auto* still = static_cast<TObjectInstance*>(GetPropA(hwnd, kObjectInstanceProp))) {
      RemovePropA(hwnd, kObjectInstanceProp);
      still->FWindow = nullptr;
      still->FPrevious = nullptr;
    }
  }
  return m.Result;
}

TObjectInstance::TObjectInstance(std::function<void(TMessage&)> handler)
    : FHandler(std::make_shared<std::function<void(TMessage&)>>(std::move(handler))) {}

TObjectInstance::~TObjectInstance() { Restore(); }

void TObjectInstance::Install(HWND window) {
  if (window == FWindow) return;
  Restore();
  if (GetPropA(window, kObjectInstanceProp) != nullptr)
    throw EInvalidOperation("The window already has an object's window procedure");
  if (!SetPropA(window, kObjectInstanceProp, this)) throw EOSError("Cannot subclass the window", GetLastError());
  FWindow = window;
  FPrevious = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ObjectInstanceWndProc)));
}

void TObjectInstance::Restore() {
  if (FWindow == nullptr) return;
  if (GetPropA(FWindow, kObjectInstanceProp) == this) {
    SetWindowLongPtrA(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FPrevious));
    RemovePropA(FWindow, kObjectInstanceProp);
  }
  FWindow = nullptr;
  FPrevious = nullptr;
}

LRESULT TObjectInstance::CallPrevious(TMessage& m) {
  if (FWindow == nullptr || FPrevious == nullptr) return 0;
  m.Result = CallWindowProcA(FPrevious, FWindow, m.Msg, m.WParam, m.LParam);
  return m.Result;
}

// ---------------------------------------------------------------------------------------------
// Beeps

namespace {

TMessageBeepFunc& BeepHook() {
  static TMessageBeepFunc hook;
  return hook;
}

}  // namespace

void SystemBeep(UINT type) {
  if (BeepHook())
    BeepHook()(type);
  else
    MessageBeep(type);
}

TMessageBeepFunc SetMessageBeepFunc(TMessageBeepFunc func) {
  TMessageBeepFunc previous = std::move(BeepHook());
  BeepHook() = std::move(func);
  return previous;
}
