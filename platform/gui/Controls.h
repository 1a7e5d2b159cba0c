// Controls of the class library over Win32: a control with bounds, alignment, visibility, colour,
// font, cursor and text; a windowed control that creates its window from overridable create
// parameters and runs a virtual window procedure; and a custom control that paints itself on a
// canvas.
//
// Messages: every window of ours has one window procedure (StdWndProc) that finds the object and
// calls its virtual WndProc. Each class's WndProc is its message map: a switch on the message id
// that calls this class's handler and ends by chaining to the class above; the root ends in
// DefaultHandler, which calls the window class's own procedure. Handlers call the class above
// themselves when they want the inherited behaviour first or last. Exceptions never leave
// StdWndProc: they go to the application's exception handler (Forms.h).
//
// Notifications the class library sends itself (CM_*) and messages reflected from a parent to
// the child they concern (CN_* = CN_BASE + the Win32 message: keys, characters, scrolling,
// colours, commands, notifications and owner drawing) follow the class library's conventions.
//
// Ownership: controls are components (owner frees them). The parent link is separate: a
// windowed control keeps a non-owning list of its children; a control leaves its parent's list
// when it is destroyed, and a windowed control being destroyed frees the children still in its
// list (as the class library does), so no child outlives its parent's window. A windowed
// control moved from one parent window to another keeps its window (::SetParent), so its text,
// selection and any subclassing survive; one that leaves for no window loses it.
//
// Drag and drop: BeginDrag starts a drag of the control (at once, or once the mouse has moved
// Mouse.DragThreshold pixels). A hidden window holds the mouse capture meanwhile and takes
// Escape; the control under the mouse is asked DragOver, the accepting one gets DragDrop, and
// the drag object's Finished ends it (a control's drag object calls DoEndDrag). One drag runs
// at a time per thread.
#pragma once

#include "platform/gui/Graphics.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct TMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};

// Notifications of the class library.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_CANCELMODE = CM_BASE + 4;
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
constexpr UINT CM_CTL3DCHANGED = CM_BASE + 16;
constexpr UINT CM_PARENTCTL3DCHANGED = CM_BASE + 17;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr UINT CM_ENTER = CM_BASE + 26;
constexpr UINT CM_EXIT = CM_BASE + 27;
constexpr UINT CM_DESIGNHITTEST = CM_BASE + 28;
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 30;
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 34;
constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 36;
constexpr UINT CM_WININICHANGE = CM_BASE + 37;  // a system setting changed (wParam, lParam as WM_SETTINGCHANGE)
constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 40;
constexpr UINT CM_CHILDKEY = CM_BASE + 46;
constexpr UINT CM_RECREATEWND = CM_BASE + 51;

// Messages reflected to the control they concern.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_CHARTOITEM = CN_BASE + WM_CHARTOITEM;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_COMPAREITEM = CN_BASE + WM_COMPAREITEM;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORDLG = CN_BASE + WM_CTLCOLORDLG;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr UINT CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX;
constexpr UINT CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_DELETEITEM = CN_BASE + WM_DELETEITEM;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr UINT CN_SYSKEYUP = CN_BASE + WM_SYSKEYUP;
constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;

// Control style (what a class of control does) and control state (what it is doing now).
enum : unsigned {
  csAcceptsControls = 0x0001,
  csCaptureMouse = 0x0002,
  csClickEvents = 0x0004,
  csSetCaption = 0x0008,
  csOpaque = 0x0010,
  csDoubleClicks = 0x0020,
  csReplicatable = 0x0040,
  csNoStdEvents = 0x0080,
  csDisplayDragImage = 0x0100,
  csParentBackground = 0x0200,
  csFramed = 0x0400,           // drawn with a frame of its own (a flat look draws none)
  csNoDesignVisible = 0x0800,  // not shown at design time
};
enum : unsigned {
  csLButtonDown = 0x0001,
  csClicked = 0x0002,
  csFocusing = 0x0004,
  csCreating = 0x0008,
  csPaintCopy = 0x0010,
  csDestroyingHandle = 0x0020,
  csAlignmentNeeded = 0x0040,
};

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TDragMode { dmManual, dmAutomatic };
enum class TDragState { dsDragEnter, dsDragLeave, dsDragMove };
enum class TDragKind { dkDrag, dkDock };  // docking is not built: a dkDock control does not drag
// Input-method modes: stored and passed on (no input method runs where this program is tested).
enum class TImeMode { imDisable, imClose, imOpen, imDontCare, imSAlpha, imAlpha, imHira, imSKata, imKata,
                      imChinese, imSHanguel, imHanguel };
enum class TMouseButton { mbLeft, mbRight, mbMiddle };
enum : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64 };
using TShiftState = unsigned;
enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum class TScrollBarKind { sbHorizontal, sbVertical };
// What a scroll step does, in the order of the system's SB_* codes.
enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };

// Cursor ids: the class library's own negative ids; positive ids are registered by programs.
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6,
                  crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11,
                  crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16,
                  crNo = -18, crAppStart = -19, crHelp = -20, crHandPoint = -21, crSizeAll = -22;

using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject* sender, WORD& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;

TShiftState KeysToShiftState(WPARAM keys);      // from the MK_* flags of mouse messages
TShiftState KeyDataToShiftState(LPARAM keyData);  // from the keyboard now (Alt from the key data)

class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;
class TDragObject;
class TDragImageList;
class TDragSession;

using TMouseWheelEvent =
    std::function<void(TObject* sender, TShiftState shift, int wheelDelta, POINT mousePos, bool& handled)>;
using TContextPopupEvent = std::function<void(TObject* sender, POINT mousePos, bool& handled)>;
using TStartDragEvent = std::function<void(TObject* sender, TDragObject*& dragObject)>;
using TEndDragEvent = std::function<void(TObject* sender, TObject* target, int x, int y)>;
using TDragOverEvent =
    std::function<void(TObject* sender, TObject* source, int x, int y, TDragState state, bool& accept)>;
using TDragDropEvent = std::function<void(TObject* sender, TObject* source, int x, int y)>;

// Lower and upper limits of a control's size; 0 means no limit. A maximum below the minimum
// pulls the minimum down with it, and the other way round.
class TSizeConstraints : public TPersistent {
public:
  const char* ClassName() const override { return "TSizeConstraints"; }
  int MinWidth() const { return FMinWidth; }
  int MinHeight() const { return FMinHeight; }
  int MaxWidth() const { return FMaxWidth; }
  int MaxHeight() const { return FMaxHeight; }
  void SetMinWidth(int value);
  void SetMinHeight(int value);
  void SetMaxWidth(int value);
  void SetMaxHeight(int value);
  void Assign(const TPersistent* source) override;
  // Brings a size within the limits.
  void Apply(int& width, int& height) const;
  TNotifyEvent OnChange;

private:
  void Changed();
  int FMinWidth = 0, FMinHeight = 0, FMaxWidth = 0, FMaxHeight = 0;
};

class TControl : public TComponent {
public:
  explicit TControl(TComponent* owner);
  ~TControl() override;
  const char* ClassName() const override { return "TControl"; }

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* parent);
  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return true; }

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
  void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
  void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
  void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  RECT BoundsRect() const { return RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
  virtual RECT ClientRect();
  int ClientWidth() { RECT r = ClientRect(); return r.right - r.left; }
  int ClientHeight() { RECT r = ClientRect(); return r.bottom - r.top; }
  void SetClientSize(int width, int height);
  POINT ClientToScreen(POINT p);
  POINT ScreenToClient(POINT p);
  virtual POINT ClientOrigin();  // screen position of the client area's top left

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign align);
  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool enabled);
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool value);
  TFont& Font() { return *FFont; }
  void SetFont(const TFont& font) { FFont->Assign(&font); }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool value);
  // Whether the control shows its hint; with ParentShowHint it follows its parent's
  // ShowHint (writing ShowHint switches ParentShowHint off).
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value);
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool value);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor cursor);
  // Caption and Text are the same property of the class library.
  AnsiString Text() { return GetText(); }
  void SetText(const AnsiString& text);
  AnsiString Caption() { return GetText(); }
  void SetCaption(const AnsiString& text) { SetText(text); }

  unsigned ControlStyle() const { return FControlStyle; }
  void SetControlStyle(unsigned style) { FControlStyle = style; }
  unsigned ControlState() const { return FControlState; }
  void SetControlState(unsigned state) { FControlState = state; }

  // With AutoSize on, every SetBounds asks CanAutoSize for the size (see CanAutoSize).
  bool AutoSize() const { return FAutoSize; }
  virtual void SetAutoSize(bool value);
  TSizeConstraints& Constraints() { return *FConstraints; }

  // The popup menu a right click or the menu key shows (free notification: a freed menu is
  // forgotten).
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* menu);

  TDragMode DragMode() const { return FDragMode; }
  virtual void SetDragMode(TDragMode mode) { FDragMode = mode; }
  TDragKind DragKind() const { return FDragKind; }
  virtual void SetDragKind(TDragKind kind) { FDragKind = kind; }
  TCursor DragCursor() const { return FDragCursor; }
  void SetDragCursor(TCursor cursor) { FDragCursor = cursor; }
  // Starts dragging this control: at once, or when the mouse has moved threshold pixels in x
  // or y from where it is now (a negative threshold: Mouse.DragThreshold). Nothing when a
  // drag is running already.
  void BeginDrag(bool immediate, int threshold = -1);
  // Ends this control's drag: dropped where the mouse is, or cancelled.
  void EndDrag(bool drop);
  bool Dragging() const;

  LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WndProc(TMessage& m);
  virtual LRESULT DefaultHandler(TMessage& m);

  virtual void Invalidate();
  virtual void Update() {}
  void Repaint() { Invalidate(); Update(); }
  virtual void BringToFront() {}
  // Visible and every parent visible (and, for windowed controls, the top one shown).
  virtual bool Showing() const;
  virtual void Click();

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnResize;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TMouseWheelEvent OnMouseWheel;
  TContextPopupEvent OnContextPopup;
  TStartDragEvent OnStartDrag;
  TEndDragEvent OnEndDrag;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;

  // A drop on this control (the source is the dragged control, or the drag object when it
  // is not a control's).
  virtual void DragDrop(TObject* source, int x, int y);

protected:
  friend class TDragSession;
  friend class TBaseDragControlObject;
  friend class TDragControlObject;

  void Notification(TComponent* component, TOperation operation) override;
  // The size the control wants instead of a proposed one; false: no size of its own (the
  // proposed size stands).
  virtual bool CanAutoSize(int& width, int& height);
  // May change a proposed size; false refuses the change.
  virtual bool CanResize(int& width, int& height);
  // Re-applies the automatic size (SetBounds with the current bounds).
  virtual void AdjustSize();
  // Applies CanResize, the constraints and, with AutoSize, CanAutoSize to a proposed size;
  // false when the size is refused.
  bool CheckNewSize(int& width, int& height);

  // A wheel notch (delta in WHEEL_DELTA units) at a screen point; true when handled. The
  // focused control is asked first, then each parent in turn.
  virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos);
  // A context menu request at a client point ((-1, -1) from the keyboard).
  virtual void DoContextPopup(POINT mousePos, bool& handled);
  virtual TPopupMenu* GetPopupMenu() { return FPopupMenu; }

  // The platform's automatic drag start on a left press (DragMode dmAutomatic).
  virtual void BeginAutoDrag();
  // Lets the control supply its drag object (none: the platform makes a TDragControlObject).
  virtual void DoStartDrag(TDragObject*& dragObject);
  // Asked while a drag passes over this control (client coordinates).
  virtual void DragOver(TObject* source, int x, int y, TDragState state, bool& accept);
  virtual void DoEndDrag(TObject* target, int x, int y);
  virtual void DragCanceled() {}
  virtual TDragImageList* GetDragImages() { return nullptr; }

  virtual AnsiString GetText() { return FText; }
  virtual void SetTextBuf(const AnsiString& text) { FText = text; }
  virtual void Resize();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void DblClick();
  virtual void VisibleChanging() {}
  // Stores bounds that came from the window itself (no call back into the window).
  void UpdateBoundsRect(const RECT& r);
  void RequestAlign();

  LRESULT WMMouseButton(TMessage& m, TMouseButton button, bool down, bool dbl);
  LRESULT WMLButtonDown(TMessage& m, bool dbl);
  LRESULT WMContextMenu(TMessage& m);
  LRESULT CMParentFontChanged(TMessage& m);
  LRESULT CMParentColorChanged(TMessage& m);
  LRESULT CMParentShowHintChanged(TMessage& m);
  LRESULT CMMouseEnterLeave(TMessage& m);

  AnsiString FText;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;

private:
  friend class TWinControl;
  void FontChanged(TObject*);

  TWinControl* FParent = nullptr;
  TAlign FAlign = TAlign::alNone;
  bool FVisible = true;
  bool FEnabled = true;
  TColor FColor = clWindow;
  bool FParentColor = true;
  std::unique_ptr<TFont> FFont;
  bool FParentFont = true;
  bool FSettingParentFont = false;
  bool FShowHint = false;
  bool FParentShowHint = true;
  TCursor FCursor = crDefault;
  unsigned FControlStyle = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
  unsigned FControlState = 0;
  bool FAutoSize = false;
  std::unique_ptr<TSizeConstraints> FConstraints;
  TPopupMenu* FPopupMenu = nullptr;
  TDragMode FDragMode = TDragMode::dmManual;
  TDragKind FDragKind = TDragKind::dkDrag;
  TCursor FDragCursor = crDrag;
};

// What CreateParams fills in before a window is created.
struct TCreateParams {
  AnsiString Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  void* Param = nullptr;
  WNDCLASSA WindowClass{};
  AnsiString WinClassName;
};

class TWinControl : public TControl {
public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;
  const char* ClassName() const override { return "TWinControl"; }

  HWND Handle();  // creates the window when needed
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded();
  void DestroyHandle();
  void RecreateWnd();
  // A top-level window that is owned by a window that is not ours.
  HWND ParentWindow() const { return FParentWindow; }
  void SetParentWindow(HWND window);
  void SetParent(TWinControl* parent) override;

  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int index) const { return FControls[static_cast<size_t>(index)]; }
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  bool ContainsControl(TControl* control) const;  // itself or a descendant

  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool value);
  int TabOrder() const;
  void SetTabOrder(int order);
  virtual bool CanFocus();
  virtual bool Focused();
  virtual void SetFocus();
  // The next (or previous) control in tab order after current, among this control's
  // descendants; with checkTabStop only tab stops count. Focuses it and answers whether one
  // was found.
  bool SelectNext(TWinControl* current, bool forward, bool checkTabStop);
  TWinControl* FindNextControl(TWinControl* current, bool forward, bool checkTabStop, bool checkParent);
  virtual void GetTabOrderList(std::vector<TWinControl*>& list);

  // Sunken 3-D border (WS_EX_CLIENTEDGE) rather than a flat line, for the controls that have
  // a border; follows the parent until set.
  bool Ctl3D() const { return FCtl3D; }
  void SetCtl3D(bool value);
  bool ParentCtl3D() const { return FParentCtl3D; }
  void SetParentCtl3D(bool value);
  // The parent's background shows through (csParentBackground).
  bool ParentBackground() const { return (ControlStyle() & csParentBackground) != 0; }
  void SetParentBackground(bool value);
  TImeMode ImeMode() const { return FImeMode; }
  void SetImeMode(TImeMode mode) { FImeMode = mode; }
  const AnsiString& ImeName() const { return FImeName; }
  void SetImeName(const AnsiString& name) { FImeName = name; }

  TBrush& Brush() { return *FBrush; }
  void Invalidate() override;
  void Update() override;
  void BringToFront() override;
  bool Showing() const override;
  void SetBounds(int left, int top, int width, int height) override;
  RECT ClientRect() override;
  POINT ClientOrigin() override;

  void DisableAlign() { ++FAlignLevel; }
  void EnableAlign();
  void Realign();
  // Sends a message to every child in turn until one answers non-zero.
  void Broadcast(TMessage& m);
  void NotifyControls(UINT msg);

  // The object of one of our windows, or none.
  static TWinControl* FindControl(HWND window);

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;

  LRESULT WndProc(TMessage& m) override;
  LRESULT DefaultHandler(TMessage& m) override;
  // Key handling with the form's key preview; true when the key was swallowed.
  bool DoKeyDown(TMessage& m);
  bool DoKeyPress(TMessage& m);
  bool DoKeyUp(TMessage& m);

protected:
  virtual void CreateParams(TCreateParams& params);
  // Takes the window class of a system control (EDIT, BUTTON...) for this control.
  void CreateSubClass(TCreateParams& params, const char* controlClassName);
  virtual void CreateWindowHandle(const TCreateParams& params);
  virtual void CreateWnd();
  virtual void DestroyWnd();
  virtual void CreateHandle();
  virtual void AlignControls(TControl* control, RECT& rect);
  virtual void AdjustClientRect(RECT& rect);
  virtual void KeyDown(WORD& key, TShiftState shift);
  virtual void KeyPress(char& key);
  virtual void KeyUp(WORD& key, TShiftState shift);
  virtual void DoEnter();
  virtual void DoExit();

  AnsiString GetText() override;
  void SetTextBuf(const AnsiString& text) override;

  LRESULT WMSetFocus(TMessage& m);
  LRESULT WMEraseBkgnd(TMessage& m);
  LRESULT WMSetCursor(TMessage& m);
  LRESULT WMWindowPosChanged(TMessage& m);
  LRESULT WMMouseWheel(TMessage& m);
  LRESULT WMReflect(TMessage& m, HWND child);
  LRESULT CNKeyDown(TMessage& m);
  LRESULT CNChar(TMessage& m);
  LRESULT CNCtlColor(TMessage& m);
  LRESULT CMDialogKeyOrChar(TMessage& m);

  WNDPROC FDefWndProc = nullptr;

private:
  friend LRESULT CALLBACK StdWndProc(HWND, UINT, WPARAM, LPARAM);
  void UpdateShowing();
  void DoAlign(TAlign align, RECT& rect);
  void DetachControl(TControl* control, bool destroyHandle);

  HWND FHandle = nullptr;
  HWND FParentWindow = nullptr;
  std::vector<TControl*> FControls;  // children in z-order of creation, not owned
  std::vector<TWinControl*> FTabList;
  bool FTabStop = false;
  std::unique_ptr<TBrush> FBrush;
  int FAlignLevel = 0;
  bool FAligning = false;
  bool FCtl3D = true;
  bool FParentCtl3D = true;
  TImeMode FImeMode = TImeMode::imDontCare;
  AnsiString FImeName;
};

// A control of the class's own window class that paints itself.
class TCustomControl : public TWinControl {
public:
  explicit TCustomControl(TComponent* owner);
  ~TCustomControl() override;
  const char* ClassName() const override { return "TCustomControl"; }
  TCanvas& Canvas() { return *FCanvas; }
  LRESULT WndProc(TMessage& m) override;

protected:
  virtual void Paint() {}
  LRESULT WMPaint(TMessage& m);

private:
  std::unique_ptr<TCanvas> FCanvas;
};

// The form a control sits on (its topmost parent when that is a form), or none.
TCustomForm* GetParentForm(TControl* control);

// The mouse as the class library sees it. The wheel setting is read from the system on first
// use and again when the system says it changed (forms pass WM_SETTINGCHANGE on); tests may set
// it.
class TMouse {
public:
  int DragThreshold = 5;
  bool DragImmediate = true;  // the automatic drag starts at the press
  // Lines per wheel notch; WheelPageScroll when the system scrolls a page per notch.
  static constexpr int WheelPageScroll = -1;  // WHEEL_PAGESCROLL as a signed value
  int WheelScrollLines();
  void SetWheelScrollLines(int lines) { FWheelScrollLines = lines; }
  void SettingChanged(UINT setting);
  static POINT CursorPos();

private:
  // Empty until read: the page setting is a value of its own, not "ask again".
  std::optional<int> FWheelScrollLines;
};
extern TMouse Mouse;

// An image list that draws the image of a drag at the mouse.
class TDragImageList : public TImageList {
public:
  using TImageList::TImageList;
  const char* ClassName() const override { return "TDragImageList"; }
  // The image shown and its hot spot (the point that follows the mouse).
  void SetDragImage(int index, int hotSpotX, int hotSpotY);
  void BeginDrag(int screenX, int screenY);
  void DragMove(int screenX, int screenY);
  void EndDrag();
  void HideDragImage();
  void ShowDragImage();
  bool Dragging() const { return FDragging; }

private:
  int FDragIndex = 0;
  POINT FHotSpot{0, 0};
  bool FDragging = false;
};

// What is being dragged. DragTarget and the positions are kept up to date by the drag.
class TDragObject : public TObject {
public:
  const char* ClassName() const override { return "TDragObject"; }
  virtual TCursor GetDragCursor(bool accepted, int x, int y);
  virtual TDragImageList* GetDragImages() { return nullptr; }
  // The drag is over: target is the control that took the drop (none when not accepted).
  virtual void Finished(TObject* target, int x, int y, bool accepted);
  void HideDragImage();
  void ShowDragImage();
  TObject* DragTarget() const { return FDragTarget; }
  POINT DragPos() const { return FDragPos; }              // screen
  POINT DragTargetPos() const { return FDragTargetPos; }  // target's client coordinates
  bool Cancelling() const { return FCancelling; }
  bool Dropped() const { return FDropped; }

private:
  friend class TDragSession;
  TObject* FDragTarget = nullptr;
  POINT FDragPos{0, 0};
  POINT FDragTargetPos{0, 0};
  bool FCancelling = false;
  bool FDropped = false;
};

// The drag object of a control: the control ends the drag (DragCanceled when the drop was not
// accepted, then DoEndDrag).
class TBaseDragControlObject : public TDragObject {
public:
  explicit TBaseDragControlObject(TControl* control) : FControl(control) {}
  const char* ClassName() const override { return "TBaseDragControlObject"; }
  TControl* Control() const { return FControl; }
  void Finished(TObject* target, int x, int y, bool accepted) override;

protected:
  virtual void EndDrag(TObject* target, int x, int y);

private:
  TControl* FControl;
};

class TDragControlObject : public TBaseDragControlObject {
public:
  using TBaseDragControlObject::TBaseDragControlObject;
  const char* ClassName() const override { return "TDragControlObject"; }
  TCursor GetDragCursor(bool accepted, int x, int y) override;
  TDragImageList* GetDragImages() override;
};

// The drag object of the drag running on this thread (from BeginDrag to its end), or none.
TDragObject* ActiveDragObject();
// The running drag frees object when it ends, if object is its drag object: for a drag object
// that a source made and would free at the drag's end, when the source goes first (the drag
// then ends without calling the object back).
void HandDragObjectToDrag(TDragObject* object);

// An object's message handler put in place of a window's procedure (subclassing), as the
// class library's object instances do with SetWindowLong(GWL_WNDPROC), without generated code:
// the procedure installed is one function that finds the instance through a window property,
// so a window carries one instance at a time. The handler sets m.Result and calls CallPrevious
// for what it leaves to the window's former procedure (for our controls, the platform's own,
// StdWndProc). Exceptions from the handler go to the application's handler. A window destroyed
// while subclassed is forgotten, so Restore never touches a later window (a recreated control).
class TObjectInstance {
public:
  explicit TObjectInstance(std::function<void(TMessage&)> handler);
  ~TObjectInstance();
  TObjectInstance(const TObjectInstance&) = delete;
  TObjectInstance& operator=(const TObjectInstance&) = delete;

  // Keeps the window's current procedure and installs the instance's; raises when the
  // window already carries an instance.
  void Install(HWND window);
  // Puts the former procedure back (nothing when not installed or the window is gone).
  void Restore();
  HWND Window() const { return FWindow; }
  WNDPROC PreviousWndProc() const { return FPrevious; }
  LRESULT CallPrevious(TMessage& m);

private:
  friend LRESULT CALLBACK ObjectInstanceWndProc(HWND, UINT, WPARAM, LPARAM);
  std::shared_ptr<std::function<void(TMessage&)>> FHandler;
  HWND FWindow = nullptr;
  WNDPROC FPrevious = nullptr;
};

// MessageBeep through a replaceable function, so tests count beeps instead of hearing them.
using TMessageBeepFunc = std::function<void(UINT type)>;
void SystemBeep(UINT type = MB_OK);
// Replaces the beep (an empty function restores MessageBeep); answers the previous one.
TMessageBeepFunc SetMessageBeepFunc(TMessageBeepFunc func);

// Hidden top-level window whose messages go to a function (top level, so that system
// broadcasts such as WM_SETTINGCHANGE reach it). The function sets m.Result; it calls
// DefWindowProc itself for messages it does not handle. Exceptions go to the application's
// handler.
HWND AllocateHWnd(std::function<void(TMessage&)> wndProc);
void DeallocateHWnd(HWND window);
