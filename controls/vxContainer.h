// Containers: owner-drawn frames around an inner control, painted from a style.
//
// A container style holds what a frame is painted with (border colour and style, background
// colour, edges, font, hot tracking, shadow, text colour and style, transparent border, a
// look-and-feel) together with the set of values written to it explicitly. A read of a value
// that was never written follows a fixed chain: the same state's style of the style
// controller (and on through that style's own controller), then a default. A container has
// four styles, one per state (normal, focused, disabled, hot): the normal style is the base
// style; the other three are state styles whose defaults derive from the base style, and the
// values that cannot differ between states (edges, font, hot tracking, shadow, transparent
// border, look-and-feel, controller) always live on the base style: writing one on a state
// style writes the base style.
//
// A style controller is a component whose four styles any number of containers share. The
// styles listening to a controller hear its changes (ControllerChanged) and its end
// (ControllerFreeNotification). One controller may be installed as the process-wide default:
// a new base style takes it as its controller, and a controller set to none falls back to it.
//
// Styles, style sets and controllers are made through class references (TvxContainerStyleClass
// and the like), so that a descendant library (the editors) substitutes its own classes.
// C++ cannot call a descendant's override while the base class is being constructed, so a
// descendant controller names its style class to the base constructor as well.
//
// Ownership: a style belongs to whoever made it (a container, a popup window, a style set);
// a style set owns its four styles; a controller owns its style set. A controller does not own
// the styles that listen to it.
//
// The container control (TvxContainer) is the owner-drawn frame around one inner window control
// (the inner edit of an editor, the list of a drop-down). At every refresh it works out its
// state (normal, focused, disabled, hot), takes the style of that state, lets its view info
// (TvxContainerViewInfo) calculate the geometry and colours, places the inner control in the
// client rectangle, gives the inner control the background colour and font, shapes its window
// region (a shadow takes the 3-pixel strips at the right and bottom) and repaints the frame.
// The inner control paints itself. Keys that reach the container's own window go on to the inner
// control, and the focus too: the form's active control is the inner control whenever the
// container holds the focus. Hot tracking follows the mouse through the library's mouse
// tracking (vxControls), which tells the container when the mouse has left it.
//
// Descendants (the editors) substitute their style, style set and view info classes; as with
// the controller, C++ cannot call a descendant's override while the base class is being
// constructed, so a descendant names its style class to the base constructor and makes its
// view info anew (RecreateViewInfo) once it can answer GetViewInfoClass. The popup window
// makes its style and view info on first use instead, and no constructor may use them. The
// popup window and the inner list box of this unit reach the container's protected operations
// as friends.
//
// Ownership: the container owns its styles and view info; the inner control belongs to whoever
// made it (usually the container as its owner and parent). GUI thread only.
#pragma once

#include "controls/vxClasses.h"
#include "controls/vxControls.h"
#include "controls/vdThemeConsts.h"
#include "controls/vxGraphics.h"
#include "controls/vxLookAndFeels.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Graphics.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class TvxContainer;  // the container control, declared further down this unit
class TvxContainerStyle;
class TvxContainerStyles;
class TvxStyleController;

// --- Border styles and states ----------------------------------------------------------

enum TvxContainerBorderStyle : uint8_t {
  cbsNone = 0,
  cbsSingle = 1,
  cbsThick = 2,
  cbsFlat = 3,
  cbs3D = 4,
  cbsUltraFlat = 5,
  cbsOffice11 = 6,
};
// The width of each border style in pixels, by TvxContainerBorderStyle.
constexpr int vxContainerBorderWidth[7] = {0, 1, 2, 2, 2, 1, 1};

// The states a container is painted in; each has its own style.
enum TvxContainerStateItem : uint8_t { csNormal = 0, csActive = 1, csDisabled = 2, csHotTrack = 3 };
// A set of states, bit (1 << item): 1 normal, 2 focused, 4 disabled, 8 hot.
using TvxContainerState = uint8_t;

// --- Style values ----------------------------------------------------------------------

// The values of a style by index; descendants add theirs after the last one here.
using TvxContainerStyleValue = int;
enum : TvxContainerStyleValue {
  csvBorderColor = 0,
  csvBorderStyle = 1,
  csvColor = 2,
  csvEdges = 3,
  csvFont = 4,
  csvHotTrack = 5,
  csvShadow = 6,
  csvTextColor = 7,
  csvTextStyle = 8,
  csvTransparentBorder = 9,
};
// A set of values, bit (1 << value).
using TvxContainerStyleValues = uint32_t;
constexpr TvxContainerStyleValues vxStyleValueBit(TvxContainerStyleValue value) { return 1u << value; }

// --- Class references ------------------------------------------------------------------

struct TvxContainerStyleClassInfo : TvxClassInfo {
  TvxContainerStyle* (*Create)(TPersistent* owner, bool directAccessMode, TvxContainerStyle* parentStyle,
                               TvxContainerStateItem state);
};
using TvxContainerStyleClass = const TvxContainerStyleClassInfo*;
// The one class reference of style class T, which makes T with its style constructor.
template <class T>
TvxContainerStyleClass vxStyleClassOf(const char* className) {
  static const TvxContainerStyleClassInfo info{
      {className}, [](TPersistent* owner, bool directAccessMode, TvxContainerStyle* parentStyle,
                      TvxContainerStateItem state) -> TvxContainerStyle* {
        return new T(owner, directAccessMode, parentStyle, state);
      }};
  return &info;
}

struct TvxContainerStylesClassInfo : TvxClassInfo {
  TvxContainerStyles* (*Create)(TPersistent* owner, TvxContainerStyleClass styleClass);
};
using TvxContainerStylesClass = const TvxContainerStylesClassInfo*;

// --- What a style asks of its container ------------------------------------------------

// A style owned by a container asks it these; the container control of this unit answers
// them (its operations of the same names). A style's owner that does not offer this
// interface is no container. The colour, font and their parent flags come from the owner as
// a TControl.
class IvxContainerStyleOwner {
public:
  // True when the container shows its parent's colour unless a colour is set.
  virtual bool DefaultParentColor() const = 0;
  virtual bool IsInplace() const = 0;
  // Values the container does not publish: a style never stores them.
  virtual TvxContainerStyleValues GetNotPublishedStyleValues() const = 0;

protected:
  ~IvxContainerStyleOwner() = default;
};

// --- Container style -------------------------------------------------------------------

class TvxContainerStyle : public TPersistent {
public:
  // A base style when parentStyle is nullptr, else the style of that state for the base
  // style parentStyle. A direct-access style keeps its colour, font and text values itself
  // (the font only referred to), reads every other value as a fixed default and tells nobody
  // of its changes.
  TvxContainerStyle(TPersistent* owner, bool directAccessMode, TvxContainerStyle* parentStyle = nullptr,
                    TvxContainerStateItem state = csNormal);
  ~TvxContainerStyle() override;
  const char* ClassName() const override { return "TvxContainerStyle"; }
  static TvxContainerStyleClass StyleClass();
  TPersistent* GetOwner() const override { return FOwner; }
  void Assign(const TPersistent* source) override;

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  virtual void RestoreDefaults();

  // The effective values (see the header comment); writing one assigns it.
  TColor BorderColor() const;
  void SetBorderColor(TColor value);
  TvxContainerBorderStyle BorderStyle() const;
  void SetBorderStyle(TvxContainerBorderStyle value);
  TColor Color() const { return GetColor(); }
  void SetColor(TColor value);
  TvxBorders Edges() const;
  void SetEdges(TvxBorders value);
  // The style's font: the base style's own (a direct-access style's referred) font.
  TFont* Font() const;
  void SetFont(TFont* value);
  bool HotTrack() const;
  void SetHotTrack(bool value);
  bool Shadow() const;
  void SetShadow(bool value);
  TColor TextColor() const { return GetTextColor(); }
  void SetTextColor(TColor value);
  TFontStyles TextStyle() const { return GetTextStyle(); }
  void SetTextStyle(TFontStyles value);
  bool TransparentBorder() const;
  void SetTransparentBorder(bool value);
  // The base style's look-and-feel; writing copies the settings into it.
  TvxLookAndFeel* LookAndFeel() const;
  void SetLookAndFeel(const TvxLookAndFeel* value);
  // The controller set explicitly (nullptr while the default controller serves); a state
  // style answers its base style's. Writing nullptr takes the default; a controller whose
  // chain of styles leads back to this style is refused without a word.
  TvxStyleController* StyleController() const;
  void SetStyleController(TvxStyleController* value);

  // The values written explicitly (a direct-access style: every value).
  TvxContainerStyleValues AssignedValues() const;
  void SetAssignedValues(TvxContainerStyleValues value);
  // The font to draw with: the font in the text colour and text style.
  TFont* GetVisibleFont();
  // As Color, except that an in-place container does not show its parent's colour.
  virtual TColor GetVisibleColor() const;

  virtual int GetStyleValueCount() const { return 10; }
  // The published name of a value; false from GetStyleValueCount on.
  virtual bool GetStyleValueName(TvxContainerStyleValue index, AnsiString& name) const;
  virtual bool HasBorder() const;
  // Whether the value lookup finds the value assigned, here or through the controller.
  virtual bool IsValueAssigned(TvxContainerStyleValue index) const;
  // Whether a written-out style would hold the value (there are no form files; the test
  // stands as an operation): assigned here, not a value a state style cannot own, and not
  // one the container leaves unpublished.
  bool IsValueStored(TvxContainerStyleValue index) const;
  bool IsLookAndFeelStored() const;
  bool IsStyleControllerStored() const;

  bool DirectAccessMode() const { return FDirectAccessMode; }
  bool IsDestroying() const { return FIsDestroying; }
  TvxContainerStyle* ParentStyle() const { return FParentStyle; }
  TvxContainerStateItem State() const { return FState; }
  bool IsBaseStyle() const { return FParentStyle == nullptr; }
  // The container that owns the style, or nullptr (a popup window or a controller owns it).
  IvxContainerStyleOwner* Container() const;
  TControl* ContainerControl() const;

  TNotifyEvent OnChanged;

protected:
  friend class TvxStyleController;
  friend class TvxContainer;  // keeps the style's font and colour in step with the control's

  // Marks the style modified and, outside an update, tells OnChanged.
  virtual void Changed();
  virtual void ControllerChanged();
  virtual void ControllerFreeNotification(TComponent* component);
  virtual TColor DefaultBorderColor() const;
  virtual TvxContainerBorderStyle DefaultBorderStyle() const;
  virtual TColor DefaultColor() const;
  virtual TvxBorders DefaultEdges() const { return vxBordersAll; }
  virtual bool DefaultHotTrack() const { return true; }
  virtual bool DefaultShadow() const { return false; }
  virtual TColor DefaultTextColor() const;
  virtual TFontStyles DefaultTextStyle() const;
  virtual bool DefaultTransparentBorder() const { return true; }
  virtual void FontChanged();
  virtual TColor GetColor() const;
  // The process-wide default controller.
  virtual TvxStyleController* GetDefaultStyleController() const;
  virtual TColor GetTextColor() const;
  virtual TFontStyles GetTextStyle() const;
  // The values that only a base style holds.
  virtual TvxContainerStyleValues InternalGetNotPublishedValues() const;

  // The style whose own field answers value index: this one when assigned here, else the
  // lookup through the controller's style of the same state; nullptr when nothing holds it.
  const TvxContainerStyle* FindAssignedStyle(TvxContainerStyleValue index) const;
  // This style, or the base style of a state style.
  TvxContainerStyle* BaseStyle() { return FParentStyle != nullptr ? FParentStyle : this; }
  const TvxContainerStyle* BaseStyle() const { return FParentStyle != nullptr ? FParentStyle : this; }
  // The controller in use, the default one included.
  TvxStyleController* ControllerInUse() const { return BaseStyle()->FStyleController; }
  // Sets the bit of a value and announces the change, unless the value was assigned already
  // and is equal.
  template <class T>
  void WriteValue(T& field, T value, TvxContainerStyleValue index) {
    const TvxContainerStyleValues bit = vxStyleValueBit(index);
    if ((FAssignedValues & bit) != 0 && field == value) return;
    field = value;
    FAssignedValues |= bit;
    Changed();
  }
  TvxContainerStyleValues OwnAssignedValues() const { return FAssignedValues; }

private:
  TColor ColorValue(bool visible) const;
  bool CanTakeController(TvxStyleController* value) const;
  void ReadFont();          // the base style's font from its controller chain (or a fresh one)
  void NotifyIfChanged();   // the change notification
  bool ParentColorShown(bool visible) const;

  TColor FBorderColor = clWindowFrame;
  TvxContainerBorderStyle FBorderStyle = cbsNone;
  TvxBorders FEdges = vxBordersAll;
  bool FHotTrack = true;
  bool FShadow = false;
  bool FTransparentBorder = true;
  bool FDirectAccessMode;
  int FFontChangeLock = 0;
  bool FIsDestroying = false;
  std::unique_ptr<TvxLookAndFeel> FLookAndFeel;  // base styles only
  bool FModified = false;
  TPersistent* FOwner;
  TvxContainerStyle* FParentStyle;
  TvxContainerStateItem FState;
  TFontStyles FTextStyle = 0;
  int FUpdateCount = 0;
  std::unique_ptr<TFont> FVisibleFont;
  TvxContainerStyleValues FAssignedValues = 0;
  TvxStyleController* FStyleController = nullptr;  // the default one included
  TColor FColor = clWindow;
  std::unique_ptr<TFont> FOwnFont;  // a base style that is not in direct access mode
  TFont* FFont = nullptr;           // FOwnFont, or the font a direct-access style refers to
  TColor FTextColor = clWindowText;
};

// --- The four styles of a container ----------------------------------------------------

class TvxContainerStyles : public TObject {
public:
  // The normal style of styleClass as the base style, the other three as its state styles.
  TvxContainerStyles(TPersistent* owner, TvxContainerStyleClass styleClass);
  ~TvxContainerStyles() override;  // the styles go from the last to the first
  const char* ClassName() const override { return "TvxContainerStyles"; }
  static TvxContainerStylesClass StylesClass();

  TvxContainerStyle* Items(TvxContainerStateItem state) const { return FItems[state].get(); }
  TvxContainerStyle* Style() const { return Items(csNormal); }
  TvxContainerStyle* StyleFocused() const { return Items(csActive); }
  TvxContainerStyle* StyleDisabled() const { return Items(csDisabled); }
  TvxContainerStyle* StyleHot() const { return Items(csHotTrack); }
  // Assigns into the existing style of that state.
  void SetItems(TvxContainerStateItem state, const TvxContainerStyle* value) { Items(state)->Assign(value); }
  void SetStyle(const TvxContainerStyle* value) { SetItems(csNormal, value); }
  void SetStyleFocused(const TvxContainerStyle* value) { SetItems(csActive, value); }
  void SetStyleDisabled(const TvxContainerStyle* value) { SetItems(csDisabled, value); }
  void SetStyleHot(const TvxContainerStyle* value) { SetItems(csHotTrack, value); }

  const TNotifyEvent& OnChanged() const { return FOnChanged; }
  void SetOnChanged(TNotifyEvent value);  // the OnChanged of all four styles

private:
  std::unique_ptr<TvxContainerStyle> FItems[4];
  TNotifyEvent FOnChanged;
};

// --- Owners of a style set -------------------------------------------------------------

// The four styles of a style set by name, for the classes that own one (a style controller,
// a container); writing one assigns into the existing style.
class TvxContainerStylesHolder {
public:
  TvxContainerStyles* Styles() const { return FStyles.get(); }
  TvxContainerStyle* Style() const { return FStyles->Style(); }
  TvxContainerStyle* StyleFocused() const { return FStyles->StyleFocused(); }
  TvxContainerStyle* StyleDisabled() const { return FStyles->StyleDisabled(); }
  TvxContainerStyle* StyleHot() const { return FStyles->StyleHot(); }
  void SetStyle(const TvxContainerStyle* value) { FStyles->SetStyle(value); }
  void SetStyleFocused(const TvxContainerStyle* value) { FStyles->SetStyleFocused(value); }
  void SetStyleDisabled(const TvxContainerStyle* value) { FStyles->SetStyleDisabled(value); }
  void SetStyleHot(const TvxContainerStyle* value) { FStyles->SetStyleHot(value); }

protected:
  TvxContainerStylesHolder() = default;
  ~TvxContainerStylesHolder() = default;
  std::unique_ptr<TvxContainerStyles> FStyles;
};

// --- Style controller ------------------------------------------------------------------

class TvxStyleController : public TComponent, public TvxContainerStylesHolder {
public:
  explicit TvxStyleController(TComponent* owner);
  ~TvxStyleController() override;
  const char* ClassName() const override { return "TvxStyleController"; }

  // The styles that take their values from this controller.
  int ListenerCount() const { return static_cast<int>(FListeners.size()); }
  bool HasListener(const TvxContainerStyle* style) const;

  // Scales the normal style's font once (when it has one of its own), else asks the
  // controller that style takes its font from.
  void ChangeScale(int multiplier, int divider);

  TNotifyEvent OnStyleChanged;

  virtual void AddStyle(TvxContainerStyle* style);
  virtual TvxContainerStyleClass GetStyleClass() const { return TvxContainerStyle::StyleClass(); }
  virtual TvxContainerStylesClass GetStylesClass() const { return TvxContainerStyles::StylesClass(); }
  virtual void RemoveStyle(TvxContainerStyle* style);

protected:
  // For descendants: the style class they answer in GetStyleClass.
  TvxStyleController(TComponent* owner, TvxContainerStyleClass styleClass);
  void Loaded() override;
  // The style set's change handler: OnStyleChanged, then every listening style hears it.
  virtual void StyleChanged(TObject* sender);

private:
  std::vector<TvxContainerStyle*> FListeners;
  bool FScaled = false;
};

// The process-wide default controller (nullptr unless a library installed one). The editors
// install theirs at start-up and take it away at shutdown.
TvxStyleController* vxDefaultStyleController();
void vxSetDefaultStyleController(TvxStyleController* controller);

// --- Container --------------------------------------------------------------------------

// Sent to a container to take its scroll bars' parameters from the inner window's own bars.
constexpr UINT VXM_UPDATESCROLLBARS = 0x8068;

// A container's state as a set: vxcsNormal, vxcsFocused, vxcsDisabled and vxcsHot bits.
enum : TvxContainerState { vxcsNormal = 1, vxcsFocused = 2, vxcsDisabled = 4, vxcsHot = 8 };

// The shadow of a container: 3 pixels along the right and bottom of r, starting 3 pixels in
// from its top and left.
constexpr int vxContainerShadowWidth = 3;
void vxDrawContainerShadow(TvxCanvas& canvas, const RECT& r, TColor color = clBtnShadow);
// The window region of a container of these bounds: the bounds, or with a shadow the bounds
// less the shadow width at the right and bottom united with that rectangle moved by the shadow
// width right and down (the corners beside the shadow show the parent).
std::unique_ptr<TvxRegion> vxCreateContainerRegion(const RECT& bounds, bool shadow);
// Gives the window the region (none: no region) unless it has an equal one already. Answers
// whether the window's region changed.
bool vxSetWindowRegion(HWND window, const TvxRegion* region);

class TvxContainerViewInfo;
using TvxContainerViewInfoClass = const TvxObjectClassInfo<TvxContainerViewInfo>*;

// The geometry and colours of one calculation of a container, and their painting. The
// container fills it in at every refresh (CalculateViewInfo); the editors' view infos add
// their buttons and text.
class TvxContainerViewInfo : public TObject {
public:
  TvxContainerViewInfo() = default;
  const char* ClassName() const override { return "TvxContainerViewInfo"; }
  static TvxContainerViewInfoClass ViewInfoClass();

  // The border of BorderStyle in r (see the container's painting).
  virtual void DrawBorder(TvxCanvas& canvas, const RECT& r);
  virtual TvxContainerBorderStyle GetContainerBorderStyle() const { return BorderStyle; }
  // Border, shadow and background; the inner control paints itself over the content.
  virtual void Paint(TvxCanvas& canvas);
  virtual void SetBackgroundColor(TColor value) { BackgroundColor = value; }
  // Takes the client rectangle of another view info.
  virtual void Assign(const TvxContainerViewInfo* source);
  // The area of the client (empty here; descendants build the real one).
  virtual std::unique_ptr<TvxRegion> GetClientRegion() const;
  // Moves the content, client and whole rectangles.
  virtual void Offset(int dx, int dy);
  virtual void PaintEx(TvxCanvas& canvas) { Paint(canvas); }

  TColor BackgroundColor = clWindow;
  TColor BorderColor = clWindowFrame;
  RECT ContentRect{};  // inside the border
  // As drawn: the ultra-flat and Office-2003-like borders are drawn as cbsSingle in their
  // own colours.
  TvxContainerBorderStyle BorderStyle = cbsNone;
  int BorderWidth = 0;
  RECT Bounds{};      // the whole container
  RECT ClientRect{};  // where the inner control goes
  TvxContainerState ContainerState = vxcsNormal;
  TvxBorders Edges = vxBordersAll;
  uint8_t HotState = 0;  // 0 without hot tracking, 2 focused or hot, else 1
  bool NativeStyle = false;
  bool Shadow = false;
  // The visual style's part and state the background is drawn in (native style).
  int NativePart = 0;
  int NativeState = 0;
  TvdThemedObjectType ThemedObjectType = totEdit;
};

// The owner-drawn frame around an inner control (see the header comment).
class TvxContainer : public TvxControl, public IvxContainerStyleOwner, public TvxContainerStylesHolder {
public:
  explicit TvxContainer(TComponent* owner);
  ~TvxContainer() override;
  const char* ClassName() const override { return "TvxContainer"; }

  // The style of the state the view info was last calculated for.
  TvxContainerStyle* ActiveStyle();
  TvxContainerViewInfo* ViewInfo() const { return FViewInfo.get(); }

  TWinControl* InnerControl() const { return FInnerControl; }
  // The control framed (not owned); it is placed in the client rectangle at the next refresh.
  void SetInnerControl(TWinControl* value);

  // While locked, the container does not clip its child windows to the client rectangle.
  void LockInnerControlBounds() { ++FInnerControlBoundsLock; }
  void UnlockInnerControlBounds();
  // While locked, context menu requests are swallowed.
  void LockPopupMenu() { ++FPopupMenuLock; }
  void UnlockPopupMenu();

  // Recalculates and repaints for the cursor where it is now, without a button and with the
  // keys held now (when there is a window, no refresh runs and the container is not dying).
  void ShortRefreshContainer(bool isMouseEvent);
  // Scales the font of the normal style when it has one of its own (through its controller
  // when it has one).
  void ChangeScale(int multiplier, int divider);

  // The container or its inner control has the focus.
  bool Focused() override;
  // Focuses the inner control when there is one (the form's active control becomes it).
  void SetFocus() override;
  // Puts the container in the place of its inner control, so that Tab from the inner control
  // (which passes Tab to the container) moves past the container.
  void GetTabOrderList(std::vector<TWinControl*>& list) override;
  RECT GetClientBounds() override { return FViewInfo->ClientRect; }
  bool HasScrollBars() override { return false; }
  void SetDragMode(TDragMode mode) override;
  void SetDragKind(TDragKind kind) override;
  // Not while the inner control has the focus or passes a press on.
  bool CanFocusOnClick() override;
  LRESULT WndProc(TMessage& m) override;

  // IvxContainerStyleOwner
  bool DefaultParentColor() const override { return false; }
  bool IsInplace() const override { return false; }
  TvxContainerStyleValues GetNotPublishedStyleValues() const override { return 0; }

  // The mouse button pressed last over any container (none after the mouse left one).
  static std::optional<TMouseButton> LastPressedButton();

protected:
  friend class TvxCustomPopupWindow;
  friend class TvxCustomInnerListBox;

  // For descendants: the class of their styles (see the header comment).
  TvxContainer(TComponent* owner, TvxContainerStyleClass styleClass);
  // Replaces the view info with one of GetViewInfoClass (the client rectangle kept).
  void RecreateViewInfo();

  // --- Operations descendants override ---------------------------------------------------
  virtual bool IsContainerFocused() { return Focused(); }
  // The inner control takes the background colour and the active style's visible font.
  virtual void UpdateInnerControlAppearance();
  // State, colours and geometry for the mouse at p; the hot state only when allowHot.
  virtual void CalculateViewInfo(POINT p, bool allowHot);
  // May a context menu show for a request at p?
  virtual bool IsPopupMenuPoint(POINT p) { return true; }
  // The styles' change handler: a refresh, and the control's colour and font from the style.
  virtual void ContainerStyleChanged(TObject* sender);
  // The tracked mouse has left the container.
  virtual void MouseTrackingLeave();
  // The widths of the frame around the client rectangle on each side.
  virtual RECT GetBorderExtent();
  // The part of control's client rectangle inside bounds (container coordinates), into bounds
  // in the control's client coordinates; true when the whole control is inside (also without
  // a control).
  virtual bool GetControlVisibleBounds(TControl* control, RECT& bounds);
  // The rectangle the border is drawn around.
  virtual RECT GetBorderRect();
  virtual TvxContainerStyleClass GetStyleClass() const { return TvxContainerStyle::StyleClass(); }
  virtual TvxContainerStylesClass GetStylesClass() const { return TvxContainerStyles::StylesClass(); }
  virtual TvxContainerViewInfoClass GetViewInfoClass() const { return TvxContainerViewInfo::ViewInfoClass(); }
  virtual bool HasShadow();
  virtual TvxContainerStyle* CalculateActiveStyle();
  // A position change of the window refreshes the container.
  virtual bool NeedRefreshOnChange() { return false; }
  // Recalculates for the mouse at p, places the inner control, updates the window region and
  // repaints the frame. button: the mouse button of the event, if any.
  virtual bool RefreshContainer(POINT p, std::optional<TMouseButton> button, TShiftState shift, bool isMouseEvent);
  virtual void AdjustInnerControl();
  // Clips the canvas to the container's window region.
  virtual void SetVisibleBoundsClipRect(TvxCanvas& canvas);
  virtual bool SkipTabKeyHandling() { return false; }
  // Shows a scroll bar over the inner window's own bar of that direction when that one shows.
  virtual void SetScrollBarVisibility(TvxScrollBar* scrollBar);
  virtual TvdThemedObjectType GetThemedObjectType() { return totEdit; }
  virtual int GetThemedPart() { return EP_EDITTEXT; }
  virtual int GetBackgroundThemeState();
  // A screen rectangle of a child window in container coordinates; empty when it begins left
  // of or above the container or is wider or taller than the container.
  virtual RECT GetInnerControlRectForChild(const RECT& screenRect);
  virtual bool IsScrollBarOwnerEnabled(TvxScrollBar* scrollBar, const SCROLLBARINFO& info);
  virtual bool GetInnerScrollBarInfo(TScrollBarKind kind, SCROLLBARINFO& info);
  virtual bool IsInnerScrollBarVisible(const SCROLLBARINFO& info);
  // The look-and-feel asks for the visual style and the style has a theme for the container.
  virtual bool IsNativeStyle();
  virtual void SetInnerControlFocus();
  virtual void SetScrollBarVisible(TvxScrollBar* scrollBar, bool visible);
  // True while an inner control passes a press of its own on to the container.
  virtual void SetInnerControlMouseDown(bool value) { FInnerControlMouseDown = value; }
  // Where the mouse makes the container hot (client coordinates).
  virtual RECT GetHotTrackBounds();
  virtual bool HasPopupWindow() { return false; }
  // A key message (CN_KEYDOWN, CN_SYSKEYDOWN) of the inner control taken as a popup-menu
  // shortcut (Result 1).
  virtual bool IsInnerControlShortCut(TMessage& message);
  // A message of the inner control that the container handles instead (none here).
  virtual bool InnerControlDefaultHandler(TMessage& message) { return false; }
  // The inner window's bars' ranges, pages and positions on the container's bars.
  virtual void SetScrollBarsParameters();
  // Scroll bars enabled with the container, and a refresh.
  virtual void EnabledChanged();

  // --- What the container changes of the control base -----------------------------------
  bool AllowAutoDragAndDropAtDesignTime(int x, int y, TShiftState shift) override { return false; }
  bool MayFocus() override;
  void ColorChanged() override;
  void CursorChanged() override;
  void FocusChanged() override;
  void MouseEnter(TControl* control) override;
  void MouseLeave(TControl* control) override;
  LRESULT Dispatch(TMessage& m) override;

  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void CreateHandle() override;
  void AdjustClientRect(RECT& rect) override;
  void AlignControls(TControl* control, RECT& rect) override;
  void Paint() override;
  void Resize() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void DoContextPopup(POINT mousePos, bool& handled) override;
  void DragCanceled() override;
  TDragImageList* GetDragImages() override;

private:
  // Tells the container when the mouse has left it.
  class TTrackingCaller : public IvxMouseTrackingCaller {
  public:
    explicit TTrackingCaller(TvxContainer& container) : FContainer(container) {}
    void MouseLeave() override { FContainer.MouseTrackingLeave(); }

  private:
    TvxContainer& FContainer;
  };

  void BeginHotTracking();
  void EndHotTracking();
  void UpdateWindowRegion();
  void InvalidateFrame();
  // Sets or clears a value's bit of the normal style without the style's re-reads.
  void SetStyleValueAssigned(TvxContainerStyleValue value, bool assigned);
  LRESULT WMSetFocus(TMessage& m);
  LRESULT WMKillFocus(TMessage& m);
  LRESULT WMSetCursor(TMessage& m);
  LRESULT WMWindowPosChanging(TMessage& m);
  LRESULT WMWindowPosChanged(TMessage& m);
  LRESULT CMFontChanged(TMessage& m);
  LRESULT CMParentColorChanged(TMessage& m);
  LRESULT CMParentFontChanged(TMessage& m);

  TvxContainerState FActiveStyleState = vxcsNormal;
  TvxContainerStyle* FActiveStyle = nullptr;
  TWinControl* FInnerControl = nullptr;
  bool FInnerControlMouseDown = false;
  bool FIsAdjustingInnerControl = false;
  bool FIsRefreshing = false;
  bool FIsUpdatingScrollBars = false;
  bool FIsApplyingStyle = false;
  bool FIsCreating = false;
  bool FTakingParentColor = false;
  int FInnerControlBoundsLock = 0;
  int FPopupMenuLock = 0;
  std::unique_ptr<TvxContainerViewInfo> FViewInfo;
  TTrackingCaller FTrackingCaller{*this};
};

// --- Popup windows ----------------------------------------------------------------------
//
// The popup window of the drop-down editors: a TvxPopupWindow that belongs to an owner
// control, is painted from a container style and view info, and is closed by the rules of
// three thread hooks of the GUI thread while it is visible:
// - a press of the left button outside it, on the owner's form, closes it (a press on the
//   owner rectangle of the owner control itself marks ClosedByOwnerClick and still reaches
//   the owner, so that the press does not open the popup again);
// - the owner control hidden (or moved out of sight) closes its popups and every popup
//   opened after them; the application losing the activation closes every popup but an
//   active top-level one; Alt with a key that is not a navigation key is dropped while a
//   popup that runs no modal loop is the topmost;
// - the owner's form keeps an active caption while its popup is active.
// A popup with PopupStyle is a top-level window owned by the owner control's form; it takes
// the activation, and losing it closes it. With ModalMode, Popup runs a message loop until
// the popup closes (ModalResult set closes it through ClosePopup when CloseQuery allows).
//
// The visible popups are listed process-wide in the order they opened (the last is the
// topmost). The hooks run the popups' user code (OnClosing, OnClosed, a descendant's
// ClosePopup), which may open, close or free popups and owners: every scan of the list finds
// one popup, closes it and starts again; the hooks hold object links on what they work on,
// and a freed owner counts as destroying. Exceptions from that code reach the application's
// handler; the hook still passes the message on. Drop-downs show their popup asynchronously:
// they post VXM_REPOPUP, whose handler shows the popup (and runs the modal loop there).
//
// The owner control given to the constructor owns the popup as a component. GUI thread only.

// Library messages of popup windows.
constexpr UINT VXM_CLOSEPOPUPWINDOW = 0x8065;  // close the popup and give the owner the focus
constexpr UINT VXM_REPOPUP = 0x8066;           // show the popup again with FocusedControl

class TvxCustomPopupWindow : public TvxPopupWindow {
public:
  explicit TvxCustomPopupWindow(TWinControl* ownerControl);
  ~TvxCustomPopupWindow() override;
  const char* ClassName() const override { return "TvxCustomPopupWindow"; }

  // The control that opened the popup (none once it has been freed).
  TWinControl* OwnerControl() const { return FOwnerControl; }
  // True (default): a top-level popup owned by the owner control's form; false: a tool
  // window that is a child of the desktop. A change makes the window again (a visible popup
  // closes and shows again).
  bool PopupStyle() const { return FPopupStyle; }
  void SetPopupStyle(bool value);
  // Topmost only when the owner's form is topmost itself. A change makes the window again.
  bool TopMost() const { return FTopMost; }
  void SetTopMost(bool value);
  bool ModalMode() const { return FModalMode; }
  void SetModalMode(bool value) { FModalMode = value; }
  // The application ends when the popup's window is destroyed while it is visible.
  bool TerminateApplication() const { return FTerminateApplication; }
  void SetTerminateApplication(bool value) { FTerminateApplication = value; }
  // Set when a press on the owner rectangle closed the popup; cleared when it shows again.
  bool ClosedByOwnerClick() const { return FClosedByOwnerClick; }
  void SetClosedByOwnerClick(bool value) { FClosedByOwnerClick = value; }
  // While set, losing the activation closes nothing (the popup is being closed already).
  bool LockDeactivate() const { return FLockDeactivate; }
  void SetLockDeactivate(bool value) { FLockDeactivate = value; }
  // Set while the popup is the active window.
  bool ActivatedFlag() const { return FActivatedFlag; }
  // The control focused when the popup last showed; VXM_REPOPUP focuses it again.
  TWinControl* FocusedControl() const { return FFocusedControl; }
  void SetFocusedControl(TWinControl* value) { SetReference(FFocusedControl, value); }
  // The popup's style and view info, made on first use from GetStyleClass and
  // GetViewInfoClass, owned by the popup. The view info paints the popup and gives its client
  // rectangle (descendants calculate it). First use must come after construction: a constructor
  // would still get the class of the class being constructed, not the descendant's.
  TvxContainerStyle* Style();
  TvxContainerViewInfo* ViewInfo();

  // In the list of visible popups.
  bool IsVisible() const;
  // Visible, with PopupStyle, and the focus in the popup.
  bool Focused() override;
  bool CanFocus() override { return Visible(); }

  // Shows the popup beside its owner rectangle, unless it is showing or the owner control's
  // window is not visible: it joins the visible list, OnShowing fires, it is sized, placed,
  // fitted to the work area, shown and focused (focusedControl when it is a tab stop that can
  // take the focus, else the first tab stop, else the popup), OnShowed fires; then the modal
  // loop runs with PopupStyle and ModalMode. A failure on the way leaves the popup closed and
  // out of the list, so that it can show again.
  virtual void Popup(TWinControl* focusedControl);
  void Popup() override { Popup(FFocusedControl); }
  // Hides a visible popup: it leaves the list, OnClosing fires, the window hides, OnClosed
  // fires, a mouse capture in it is let go.
  void CloseUp() override;
  // How the modal loop closes the popup (descendants take their value here).
  virtual void ClosePopup() { CloseUp(); }
  virtual bool IsNavigationKey(WORD key);

  TNotifyEvent OnClosed;
  TNotifyEvent OnClosing;
  TNotifyEvent OnShowed;
  TNotifyEvent OnShowing;

  // The visible popups, oldest first.
  static int VisiblePopupCount();
  static TvxCustomPopupWindow* VisiblePopup(int index);
  // The popup being shown or closed right now, or none.
  static TvxCustomPopupWindow* ShowingPopup();
  static TvxCustomPopupWindow* ClosingPopup();

  LRESULT WndProc(TMessage& m) override;

protected:
  // True: FitBoundsToWorkArea cuts the popup to the work area.
  virtual bool IsWorkAreaLimited() { return false; }
  virtual void DoClosed();
  virtual void DoClosing();
  virtual void DoShowed();
  // False: WM_ERASEBKGND is answered without erasing.
  virtual bool HasBackground() { return false; }
  // With IsWorkAreaLimited: moves edges outside the work area in (the popup smaller by as
  // much), cuts the size to what fits, applies the size and keeps a popup cut at the work
  // area's top where the form's own height puts it.
  virtual void FitBoundsToWorkArea(RECT& r);
  virtual TvxContainerStyleClass GetStyleClass() { return TvxContainerStyle::StyleClass(); }
  virtual TvxContainerViewInfoClass GetViewInfoClass() { return TvxContainerViewInfo::ViewInfoClass(); }
  // The view info just made takes what the window keeps for it (nothing here).
  virtual void InitializeViewInfo(TvxContainerViewInfo& viewInfo) {}

  void Notification(TComponent* component, TOperation operation) override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void CreateHandle() override;
  void AdjustClientRect(RECT& rect) override;
  void Paint() override;
  void Deactivate() override;
  // Closing the form (Close, the system's close) closes the popup up.
  void DoClose(TCloseAction& action) override;
  void KeyDown(WORD& key, TShiftState shift) override;

private:
  friend void InitializevxPopupWindows();
  friend void FinalizevxPopupWindows();
  static LRESULT CALLBACK CallWndProcHook(int code, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK MouseHook(int code, WPARAM wParam, LPARAM lParam);
  static void CallWndProcAction(HWND window, UINT message, WPARAM wParam);
  static bool MouseAction(WPARAM message, const MOUSEHOOKSTRUCT& info);
  static void OwnerFocusChanged(TWinControl* owner);

  // The window made again for a new style; a visible popup closes and shows again.
  void RecreatePopupWindow();
  void RunModalLoop(TvxObjectLinkHolder& self);
  void VisibleChanged();
  void Repopup();
  // Closes with LockDeactivate on (off again however the close ends, while the popup lives).
  void CloseUpLocked();
  void CloseAndFocusOwner();
  // The window or one of its children is the popup's.
  bool HoldsWindow(HWND window);
  // The owner control while it lives and is not being destroyed.
  TWinControl* LiveOwner() const;
  TCustomForm* OwnerForm() const;

  TWinControl* FOwnerControl = nullptr;
  bool FPopupStyle = true;
  bool FActivatedFlag = false;
  TWinControl* FFocusedControl = nullptr;
  bool FLockDeactivate = false;
  bool FTopMost = false;
  bool FClosedByOwnerClick = false;
  bool FModalMode = true;
  bool FTerminateApplication = false;
  std::unique_ptr<TvxContainerStyle> FStyle;
  std::unique_ptr<TvxContainerViewInfo> FViewInfo;
};

// Posts VXM_CLOSEPOPUPWINDOW to the popup (when it has a window).
void vxPostClosePopupMessage(TvxCustomPopupWindow* popup);

// The visible-popup list and the three hooks of the calling (GUI) thread; the shutdown
// removes the hooks, gives back held captions and forgets the list.
void InitializevxPopupWindows();
void FinalizevxPopupWindows();

// --- Inner list box ----------------------------------------------------------------------
//
// The platform's list box made fit to live inside a container, usually in a drop-down. Its
// own window keeps the system's scroll bars; two look-and-feel scroll bars lie over them,
// children of the list box's parent (the container), and follow them after every change that
// may move, show or hide them (UpdateScrollBars): their place, state, range, page and
// position come from the system's bars, and a step on one of them scrolls the list. Keys,
// mouse, focus changes, clicks and the wheel go on to the container, so that the container's
// frame, hot tracking and Tab handling work as for any inner control. Selected items are
// painted in the highlight colours.
//
// Typed characters search the items (DoAutoComplete): each one typed within AutoCompleteDelay
// milliseconds of the one before lengthens the text searched for, a longer pause starts a
// new text. A double-byte character comes as two WM_CHAR messages: the trail byte is taken
// from the queue when it waits there; when it does not (Wine hands both bytes of a character
// it has joined itself straight to the window procedure, one after the other), the lead byte
// waits for the next character, and is dropped unless that is a trail byte or when the pause
// before the next character starts a new text. A lead byte is never searched alone.
//
// Ownership: the list box owns its canvas and look-and-feel, and its scroll bars while they
// have no parent; a scroll bar with a parent is freed with it, and the list box hears of it.
// The container is the list box's owner (when the owner is a container), never owned here.

#include "platform/gui/StdCtrls.h"

// A control that lives inside a container: the control itself and its container.
class IvxContainerInnerControl {
public:
  virtual TWinControl* GetControl() = 0;
  virtual TvxContainer* GetControlContainer() = 0;

protected:
  ~IvxContainerInnerControl() = default;
};

class TvxCustomInnerListBox : public TListBox, public IvxContainerInnerControl {
public:
  // The container is the owner when the owner is a TvxContainer.
  explicit TvxCustomInnerListBox(TComponent* owner);
  ~TvxCustomInnerListBox() override;
  const char* ClassName() const override { return "TvxCustomInnerListBox"; }

  // The longest pause (ms) between two characters that still lengthens the text searched.
  unsigned AutoCompleteDelay() const { return FAutoCompleteDelay; }
  void SetAutoCompleteDelay(unsigned value) { FAutoCompleteDelay = value; }
  // The text the incremental search last looked for.
  const AnsiString& AutoCompleteText() const { return FAutoCompleteText; }
  // The library canvas on the list box's canvas, while an item is drawn (the platform canvas
  // stays reachable as TCustomListBox::Canvas).
  TvxCanvas& Canvas() { return *FCanvas; }
  TvxScrollBar* HScrollBar() const { return FHScrollBar; }
  TvxScrollBar* VScrollBar() const { return FVScrollBar; }
  // The master of both scroll bars' look-and-feel.
  TvxLookAndFeel& LookAndFeel() { return *FLookAndFeel; }
  // The owning container, or nullptr (also once the container is being destroyed).
  TvxContainer* Container() const;
  // While locked, UpdateScrollBars does nothing; the last unlock updates the bars.
  void LockScrollBars() { ++FScrollBarsLockCount; }
  void UnlockScrollBars();

  // The scroll bars take the same parent, so that they lie over the system's bars.
  void SetParent(TWinControl* parent) override;
  // The container hears of the click after the list box, once the vertical bar shows the top
  // item.
  void Click() override;
  LRESULT WndProc(TMessage& m) override;
  // The container may take a message before the system's list box sees it.
  LRESULT DefaultHandler(TMessage& m) override;

  // IvxContainerInnerControl
  TWinControl* GetControl() override { return this; }
  TvxContainer* GetControlContainer() override { return Container(); }

protected:
  // The incremental search on a typed character (see the section comment). The key is
  // consumed (0) unless it is Backspace, Enter or Escape.
  virtual void DoAutoComplete(char& key);
  // The look-and-feel changed: the list is painted again.
  virtual void LookAndFeelChanged(TvxLookAndFeel* sender, TvxLookAndFeelValues changedValues);
  // True when no item-drawing event is assigned.
  virtual bool CanDrawFocusRect() { return !OnDrawItem; }
  // The look-and-feel scroll bars from the system's (unless locked or destroying).
  virtual void UpdateScrollBars();
  // The clock of the incremental search, in milliseconds.
  virtual DWORD KeyTickCount() { return GetTickCount(); }

  void Notification(TComponent* component, TOperation operation) override;
  void DblClick() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void DragOver(TObject* source, int x, int y, TDragState state, bool& accept) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyUp(WORD& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  bool DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) override;
  TPopupMenu* GetPopupMenu() override;

private:
  TvxScrollBar* CreateScrollBar(TScrollBarKind kind);
  void HScrollBarScroll(TScrollCode scrollCode, int& scrollPos);
  void VScrollBarScroll(TScrollCode scrollCode, int& scrollPos);
  // The square between the two system bars (window coordinates); false unless both of the
  // own bars show.
  bool SizeGripRect(RECT& r);
  void SearchText();
  LRESULT WMGetDlgCode(TMessage& m);
  LRESULT WMLButtonDown(TMessage& m);
  LRESULT WMNCPaint(TMessage& m);
  LRESULT WMWindowPosChanged(TMessage& m);
  LRESULT CNDrawItem(TMessage& m);

  unsigned FAutoCompleteDelay = 500;
  AnsiString FAutoCompleteText;
  std::unique_ptr<TvxCanvas> FCanvas;
  TvxScrollBar* FHScrollBar = nullptr;
  std::unique_ptr<TvxLookAndFeel> FLookAndFeel;
  DWORD FLastKeyTime = 0;
  bool FIsUpdatingScrollBars = false;
  int FScrollBarsLockCount = 0;
  TvxScrollBar* FVScrollBar = nullptr;
  TvxContainer* FContainer = nullptr;
  // Cleared when the container is destroyed (before its children are).
  std::unique_ptr<TvxObjectLinkHolder> FContainerLink;
  // A lead byte waiting for its trail byte (0: none).
  unsigned char FPendingLeadByte = 0;
  // WM_SETREDRAW (False) is in force: the bars are updated once it ends.
  bool FRedrawOff = false;
};
