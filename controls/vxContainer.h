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
// the styles that listen to it. GUI thread only.
#pragma once

#include "controls/vxClasses.h"
#include "controls/vxGraphics.h"
#include "controls/vxLookAndFeels.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Graphics.h"

#include <cstdint>
#include <memory>
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

// --- Style controller ------------------------------------------------------------------

class TvxStyleController : public TComponent {
public:
  explicit TvxStyleController(TComponent* owner);
  ~TvxStyleController() override;
  const char* ClassName() const override { return "TvxStyleController"; }

  TvxContainerStyles* Styles() const { return FStyles.get(); }
  TvxContainerStyle* Style() const { return FStyles->Style(); }
  TvxContainerStyle* StyleFocused() const { return FStyles->StyleFocused(); }
  TvxContainerStyle* StyleDisabled() const { return FStyles->StyleDisabled(); }
  TvxContainerStyle* StyleHot() const { return FStyles->StyleHot(); }
  void SetStyle(const TvxContainerStyle* value) { FStyles->SetStyle(value); }
  void SetStyleFocused(const TvxContainerStyle* value) { FStyles->SetStyleFocused(value); }
  void SetStyleDisabled(const TvxContainerStyle* value) { FStyles->SetStyleDisabled(value); }
  void SetStyleHot(const TvxContainerStyle* value) { FStyles->SetStyleHot(value); }

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
  std::unique_ptr<TvxContainerStyles> FStyles;
  bool FScaled = false;
};

// The process-wide default controller (nullptr unless a library installed one). The editors
// install theirs at start-up and take it away at shutdown.
TvxStyleController* vxDefaultStyleController();
void vxSetDefaultStyleController(TvxStyleController* controller);
