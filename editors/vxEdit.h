// The editors' shared ground: edit styles and their controller, edit buttons, the properties
// object every editor keeps its settings in, the default-values provider, and the registry and
// repository through which editors and their properties are found and shared by name.
//
// Settings live apart from the editor. Every editor owns a properties object; a repository
// item owns one too, and an editor pointed at the item reads the item's instead. A change of
// a properties object reaches its owner through OnPropertiesChanged, once per outermost
// BeginUpdate/EndUpdate. Values that may be set explicitly keep an "assigned" flag: an
// unassigned read-only flag follows the default-values provider, an unassigned edit style
// value follows the style controller and then the default.
//
// Classes that descendants replace are named through class references (the properties class
// an item makes, the style class of a controller); C++ cannot call a descendant's override
// from a base constructor, so such objects are made on first use or named to the base
// constructor.
//
// Process-wide objects, from InitializevxEdit to FinalizevxEdit: the list of every properties
// object (a provider that goes away is detached from all of them), the default edit style
// controller (also the container library's default), and the editor registry (made on first
// use). Editors must be freed before FinalizevxEdit runs. GUI thread only.
#pragma once

#include "controls/vxClasses.h"
#include "controls/vxContainer.h"
#include "controls/vxControls.h"
#include "controls/vxEditUtils.h"
#include "controls/vxGraphics.h"
#include "platform/gui/Components.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Graphics.h"
#include "platform/gui/Menus.h"
#include "platform/rtl/SysExceptions.h"
#include "platform/rtl/Variant.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

// Runs a function when the scope ends, also when an exception passes: the editors' locks and
// flags are put back this way.
template <class F>
class TAtScopeEnd {
public:
  explicit TAtScopeEnd(F f) : FFunction(std::move(f)) {}
  ~TAtScopeEnd() { FFunction(); }
  TAtScopeEnd(const TAtScopeEnd&) = delete;
  TAtScopeEnd& operator=(const TAtScopeEnd&) = delete;

private:
  F FFunction;
};

class TvxCustomEdit;  // the edit base, declared further down this unit
class TvxCustomEditProperties;
class TvxCustomEditViewData;
class TvxCustomEditViewInfo;
class TvxEditRepository;
class TvxEditRepositoryItem;

// --- Edit styles -------------------------------------------------------------------------

enum TvxEditButtonTransparency : uint8_t { ebtNone, ebtInactive, ebtAlways, ebtHideInactive, ebtHideUnselected };
enum TvxEditPopupBorderStyle : uint8_t { epbsDefault, epbsSingle, epbsFrame3D, epbsFlat };
// The editors' names of the container border styles, in the same order.
enum TvxEditBorderStyle : uint8_t { ebsNone, ebsSingle, ebsThick, ebsFlat, ebs3D, ebsUltraFlat, ebsOffice11 };

// The values an edit style adds to the container style's ten.
enum : TvxContainerStyleValue {
  svButtonStyle = 10,
  svButtonTransparency = 11,
  svPopupBorderStyle = 12,
  svGradientButtons = 13,
};

class TvxCustomEditStyle : public TvxContainerStyle {
public:
  TvxCustomEditStyle(TPersistent* owner, bool directAccessMode, TvxContainerStyle* parentStyle = nullptr,
                     TvxContainerStateItem state = csNormal);
  const char* ClassName() const override { return "TvxCustomEditStyle"; }
  static TvxContainerStyleClass StyleClass();
  void Assign(const TPersistent* source) override;

  // The effective values (own, then the controller's style of the same state, then the
  // default); transparency and popup border live on the base style.
  TvxEditButtonStyle ButtonStyle() const;
  void SetButtonStyle(TvxEditButtonStyle value);
  TvxEditButtonTransparency ButtonTransparency() const;
  void SetButtonTransparency(TvxEditButtonTransparency value);
  bool GradientButtons() const;
  void SetGradientButtons(bool value);
  TvxEditPopupBorderStyle PopupBorderStyle() const;
  void SetPopupBorderStyle(TvxEditPopupBorderStyle value);
  // Whether an editor's drop-down shows its close button: on from creation, not an assigned
  // value; a state style reads and writes its base style's.
  bool PopupCloseButton() const;
  void SetPopupCloseButton(bool value);

  int GetStyleValueCount() const override { return 14; }
  bool GetStyleValueName(TvxContainerStyleValue index, AnsiString& name) const override;

protected:
  virtual TvxEditButtonStyle DefaultButtonStyle() const;
  virtual TvxEditButtonTransparency DefaultButtonTransparency() const;
  virtual bool DefaultGradientButtons() const;
  virtual TvxEditPopupBorderStyle DefaultPopupBorderStyle() const;
  // None in direct access mode or for an in-place editor; else the default edit controller.
  TvxStyleController* GetDefaultStyleController() const override;
  TvxContainerStyleValues InternalGetNotPublishedValues() const override;

private:
  template <class T>
  T ReadValue(T TvxCustomEditStyle::*field, TvxContainerStyleValue index, T (TvxCustomEditStyle::*byDefault)() const) const;
  TvxCustomEditStyle* ParentEditStyle() const { return static_cast<TvxCustomEditStyle*>(ParentStyle()); }

  TvxEditButtonStyle FButtonStyle = btsDefault;
  TvxEditButtonTransparency FButtonTransparency = ebtNone;
  bool FGradientButtons = false;
  TvxEditPopupBorderStyle FPopupBorderStyle = epbsDefault;
  bool FPopupCloseButton = true;
};

class TvxEditStyle : public TvxCustomEditStyle {
public:
  using TvxCustomEditStyle::TvxCustomEditStyle;
  const char* ClassName() const override { return "TvxEditStyle"; }
  static TvxContainerStyleClass StyleClass();
};

// Shares four edit styles among editors.
class TvxEditStyleController : public TvxStyleController {
public:
  explicit TvxEditStyleController(TComponent* owner);
  const char* ClassName() const override { return "TvxEditStyleController"; }
  TvxContainerStyleClass GetStyleClass() const override { return TvxEditStyle::StyleClass(); }
  TvxEditStyle* Style() const { return static_cast<TvxEditStyle*>(TvxStyleController::Style()); }
  TvxEditStyle* StyleFocused() const { return static_cast<TvxEditStyle*>(TvxStyleController::StyleFocused()); }
  TvxEditStyle* StyleDisabled() const { return static_cast<TvxEditStyle*>(TvxStyleController::StyleDisabled()); }
  TvxEditStyle* StyleHot() const { return static_cast<TvxEditStyle*>(TvxStyleController::StyleHot()); }
};

// The process-wide default edit style controller (nullptr outside start-up and shutdown).
TvxEditStyleController* vxDefaultEditStyleController();

// --- Edit buttons ------------------------------------------------------------------------

// A button inside an editor's frame; an item of the properties' Buttons. A change of a
// property announces a change of the button (Default one of all buttons).
class TvxEditButton : public TCollectionItem {
public:
  // The first button of an editor that is being designed (not loaded) is the default one.
  explicit TvxEditButton(TCollection* collection);
  ~TvxEditButton() override;
  const char* ClassName() const override { return "TvxEditButton"; }
  void Assign(const TPersistent* source) override;

  const AnsiString& Caption() const { return FCaption; }
  void SetCaption(const AnsiString& value);
  // The caption without accelerator marks ("&&" gives "&", a trailing "&" gives "_").
  const AnsiString& StrippedCaption() const { return FStrippedCaption; }
  // At most one button of a collection is the default one.
  bool Default() const { return FDefault; }
  void SetDefault(bool value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  // Made (empty) when first read. Drawing on it or resizing it is a change of the button.
  TBitmap* Glyph();
  // The glyph when there is one, without making one.
  TBitmap* AssignedGlyph() const { return FGlyph.get(); }
  // The same, shared with a layout that paints it: a layout made before the button or its
  // glyph goes (while the properties are update-locked) still paints a live bitmap.
  std::shared_ptr<TBitmap> SharedGlyph() const { return FGlyph; }
  // Copies the bitmap into the button's own; nullptr frees it.
  void SetGlyph(TBitmap* value);
  TvxEditButtonKind Kind() const { return FKind; }
  void SetKind(TvxEditButtonKind value);
  bool LeftAlignment() const { return FLeftAlignment; }
  void SetLeftAlignment(bool value);
  bool Stretchable() const { return FStretchable; }
  void SetStretchable(bool value);
  // The colour of a text button's caption.
  TColor TextColor() const { return FTextColor; }
  void SetTextColor(TColor value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  // 0: the width comes from the glyph or the caption. A negative width is ignored.
  int Width() const { return FWidth; }
  void SetWidth(int value);

private:
  template <class T>
  void Write(T& field, T value) {
    if (field == value) return;
    field = value;
    Changed(false);
  }
  // Lets go of the glyph; a layout may still hold it, so it stops telling this button.
  void ReleaseGlyph();
  AnsiString FCaption;
  bool FDefault = false;
  bool FEnabled = true;
  std::shared_ptr<TBitmap> FGlyph;
  bool FCopyingGlyph = false;  // the copy in SetGlyph announces itself once
  TvxEditButtonKind FKind = bkDown;
  bool FLeftAlignment = false;
  bool FStretchable = true;
  TColor FTextColor = clBtnText;
  bool FVisible = true;
  int FWidth = 0;
  AnsiString FStrippedCaption;
};

// The buttons of a properties object; a change of any reaches the properties.
class TvxEditButtons : public TOwnedCollection {
public:
  explicit TvxEditButtons(TPersistent* owner);
  const char* ClassName() const override { return "TvxEditButtons"; }
  TvxEditButton* Add() { return static_cast<TvxEditButton*>(TCollection::Add()); }
  TvxEditButton* Items(int index) const { return static_cast<TvxEditButton*>(TCollection::Items(index)); }
  int VisibleCount() const;

protected:
  void Update(TCollectionItem* item) override;
};

// How one button was laid out and painted (TvxEditButtonViewData), kept from one layout to
// the next so that only a button whose look changed is painted again. The layout fills it.
class TvxEditButtonViewInfo : public TPersistent, public TvxEditButtonViewData {
public:
  const char* ClassName() const override { return "TvxEditButtonViewInfo"; }
  // Copies the bounds and what decides the button's look.
  void Assign(const TPersistent* source) override;
  // Empty when the button looks as it did in previous, else its bounds.
  std::unique_ptr<TvxRegion> GetUpdateRegion(const TvxEditButtonViewInfo* previous) const;
  // Invalidates the bounds moved by offset in window when the button's look changed since
  // previous (nullptr: always); answers whether it did.
  bool Repaint(HWND window, const TvxEditButtonViewInfo* previous, POINT offset) const;

private:
  bool LooksAsBefore(const TvxEditButtonViewInfo& previous) const;
};

// --- Properties --------------------------------------------------------------------------

enum TvxEditVertAlignment : uint8_t { taTopJustify, taBottomJustify, taVCenter };
constexpr TAlignment vxDefaultEditHorzAlignment = TAlignment::taLeftJustify;
constexpr TvxEditVertAlignment vxDefaultEditVertAlignment = taTopJustify;

// Horizontal and vertical text alignment; the horizontal one remembers whether it was set.
class TvxEditAlignment : public TPersistent {
public:
  explicit TvxEditAlignment(TPersistent* owner) : FOwner(owner) {}
  const char* ClassName() const override { return "TvxEditAlignment"; }
  TPersistent* GetOwner() const override { return FOwner; }
  void Assign(const TPersistent* source) override;

  TAlignment Horz() const { return FHorz; }
  void SetHorz(TAlignment value);
  bool IsHorzAssigned() const { return FIsHorzAssigned; }
  TvxEditVertAlignment Vert() const { return FVert; }
  void SetVert(TvxEditVertAlignment value);
  // Forgets the horizontal alignment set.
  void Reset();
  bool IsHorzStored() const { return FIsHorzAssigned; }
  bool IsVertStored() const { return FVert != vxDefaultEditVertAlignment; }

  TNotifyEvent OnChanged;

private:
  friend class TvxCustomEditProperties;
  void DoChanged();
  TAlignment FHorz = vxDefaultEditHorzAlignment;
  bool FIsHorzAssigned = false;
  TPersistent* FOwner;
  TvxEditVertAlignment FVert = vxDefaultEditVertAlignment;
};

// Defaults an outside source of values (a data binding) supplies to the properties that use
// it. Interface {AE727882-6FDF-4E3A-AB35-E58AB28EFE7B}.
class IvxEditDefaultValuesProvider {
public:
  // Detaches the provider from every properties object that uses it.
  virtual void ClearUsage() = 0;
  virtual TAlignment DefaultAlignment() const = 0;
  virtual int DefaultValueKind() const = 0;
  virtual bool DefaultCanModify() const = 0;
  virtual AnsiString DefaultDisplayFormat() const = 0;
  virtual AnsiString DefaultEditFormat() const = 0;
  virtual AnsiString DefaultEditMask() const = 0;
  virtual bool DefaultIsFloatValue() const = 0;
  virtual int DefaultMaxLength() const = 0;
  virtual double DefaultMaxValue() const = 0;
  virtual double DefaultMinValue() const = 0;
  virtual int DefaultPrecision() const = 0;
  virtual bool DefaultReadOnly() const = 0;
  virtual bool DefaultRequired() const = 0;
  // The object behind the interface (for telling providers apart).
  virtual TObject* GetInstance() = 0;
  // True when the value comes from bound data: an editor then paints copies of itself from the
  // stored value and does not check lookup values.
  virtual bool IsDataBound() const = 0;
  virtual bool IsBlob() const = 0;
  virtual bool CanSetEditMode() const = 0;
  virtual bool IsCurrency() const = 0;
  virtual bool IsDataAvailable(bool flag) const = 0;
  virtual bool IsDefinedByLookup() const = 0;
  virtual bool IsValidChar(char c) const = 0;

protected:
  ~IvxEditDefaultValuesProvider() = default;
};

// The provider of an editor without data: the neutral answers. Freeing it detaches it.
class TvxCustomEditDefaultValuesProvider : public TvxInterfacedPersistent, public IvxEditDefaultValuesProvider {
public:
  explicit TvxCustomEditDefaultValuesProvider(TPersistent* owner) : TvxInterfacedPersistent(owner) {}
  ~TvxCustomEditDefaultValuesProvider() override;
  const char* ClassName() const override { return "TvxCustomEditDefaultValuesProvider"; }

  void ClearUsage() override;
  TAlignment DefaultAlignment() const override { return vxDefaultEditHorzAlignment; }
  int DefaultValueKind() const override { return 3; }
  bool DefaultCanModify() const override { return true; }
  AnsiString DefaultDisplayFormat() const override { return AnsiString(); }
  AnsiString DefaultEditFormat() const override { return AnsiString(); }
  AnsiString DefaultEditMask() const override { return AnsiString(); }
  bool DefaultIsFloatValue() const override { return false; }
  int DefaultMaxLength() const override { return 0; }
  double DefaultMaxValue() const override { return 0.0; }
  double DefaultMinValue() const override { return 0.0; }
  int DefaultPrecision() const override { return 15; }
  bool DefaultReadOnly() const override { return false; }
  bool DefaultRequired() const override { return false; }
  TObject* GetInstance() override { return this; }
  bool IsDataBound() const override { return false; }
  bool IsBlob() const override { return false; }
  bool CanSetEditMode() const override { return true; }
  bool IsCurrency() const override { return false; }
  bool IsDataAvailable(bool flag) const override { return false; }
  bool IsDefinedByLookup() const override { return false; }
  bool IsValidChar(char c) const override { return true; }
};

// Class references of properties and of their assigned-values objects.
struct TvxEditPropertiesClassInfo : TvxClassInfo {
  const TvxEditPropertiesClassInfo* Parent;  // nullptr for the base class
  TvxCustomEditProperties* (*Create)(TPersistent* owner);
};
using TvxCustomEditPropertiesClass = const TvxEditPropertiesClassInfo*;
// True when cls is ancestor or derives from it.
bool vxInheritsFrom(TvxCustomEditPropertiesClass cls, TvxCustomEditPropertiesClass ancestor);

class TvxCustomEditPropertiesValues;
struct TvxEditPropertiesValuesClassInfo : TvxClassInfo {
  TvxCustomEditPropertiesValues* (*Create)(TvxCustomEditProperties* owner);
};
using TvxCustomEditPropertiesValuesClass = const TvxEditPropertiesValuesClassInfo*;

// Which values of a properties object were set explicitly. Descendants add flags.
class TvxCustomEditPropertiesValues : public TPersistent {
public:
  explicit TvxCustomEditPropertiesValues(TvxCustomEditProperties* owner) : FOwner(owner) {}
  const char* ClassName() const override { return "TvxCustomEditPropertiesValues"; }
  static TvxCustomEditPropertiesValuesClass ValuesClass();
  TPersistent* GetOwner() const override;
  void Assign(const TPersistent* source) override;
  virtual void RestoreDefaults();

  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);  // a change tells the owner

  void BeginUpdate();
  void EndUpdate();
  // The owning properties publish a property of that name (letter case ignored).
  bool IsPropertyPublished(const AnsiString& name) const;

protected:
  TvxCustomEditProperties* Properties() const { return FOwner; }

private:
  TvxCustomEditProperties* FOwner;
  bool FReadOnly = false;
};

using TvxEditButtonClickEvent = std::function<void(TObject* sender, int buttonIndex)>;
using TvxEditValidateEvent =
    std::function<void(TObject* sender, Variant& displayValue, AnsiString& errorText, bool& error)>;
using TvxEditSupportedOperations = unsigned;
// The class reference of view datas: made for the properties, the style and the in-place flag.
using TvxCustomEditViewDataClass =
    const TvxObjectClassInfo<TvxCustomEditViewData, TvxCustomEditProperties*, TvxCustomEditStyle*, bool>*;
// The class reference of editors, made with an owner.
using TvxCustomEditClass = const TvxObjectClassInfo<TvxCustomEdit, TComponent*>*;
// The edit base's own class reference.
TvxCustomEditClass vxCustomEditClass();

// The settings of an editor (or of a repository item).
class TvxCustomEditProperties : public TvxInterfacedPersistent {
public:
  explicit TvxCustomEditProperties(TPersistent* owner);
  ~TvxCustomEditProperties() override;
  const char* ClassName() const override { return "TvxCustomEditProperties"; }
  static TvxCustomEditPropertiesClass PropertiesClass();
  virtual TvxCustomEditPropertiesClass ClassType() const { return PropertiesClass(); }
  void Assign(const TPersistent* source) override;

  // --- Settings ---
  bool AutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool value) { WriteOption(FAutoSelect, value); }
  // Beep when a validation fails.
  bool BeepOnError() const { return FBeepOnError; }
  void SetBeepOnError(bool value) { FBeepOnError = value; }
  TvxEditButtons* Buttons() const { return FButtons.get(); }
  void SetButtons(const TvxEditButtons* value) { FButtons->Assign(value); }
  // Text painted in rows (the text flags then ask for bottom alignment).
  bool MultiRowText() const { return FMultiRowText; }
  void SetMultiRowText(bool value) { WriteOption(FMultiRowText, value); }
  // The key that empties the editor (none by default) and the one that clicks the default
  // button (Ctrl+Enter).
  TShortCut ClearKey() const { return FClearKey; }
  void SetClearKey(TShortCut value) { FClearKey = value; }
  TShortCut ClickKey() const { return FClickKey; }
  void SetClickKey(TShortCut value) { FClickKey = value; }
  bool ImmediatePost() const { return FImmediatePost; }
  void SetImmediatePost(bool value) { FImmediatePost = value; }
  // The own value when assigned, else the provider's default, else false.
  bool ReadOnly() const;
  void SetReadOnly(bool value);
  // Tab stays in the editor instead of moving the focus.
  bool KeepTab() const { return FKeepTab; }
  void SetKeepTab(bool value) { WriteOption(FKeepTab, value); }
  bool UseLeftAlignmentOnEditing() const;
  void SetUseLeftAlignmentOnEditing(bool value);
  // The wheel steps the lookup items of an in-place editor.
  bool UseMouseWheel() const { return FUseMouseWheel; }
  void SetUseMouseWheel(bool value) { WriteOption(FUseMouseWheel, value); }
  bool ValidateOnEnter() const { return FValidateOnEnter; }
  void SetValidateOnEnter(bool value) { FValidateOnEnter = value; }
  // The alignment in effect; the horizontal one, unless set, is GetDefaultHorzAlignment.
  // Writing through the answer changes the properties.
  TvxEditAlignment* Alignment() const;
  virtual void SetAlignment(const TvxEditAlignment* value);
  TvxCustomEditPropertiesValues* AssignedValues() const;
  IvxEditDefaultValuesProvider* DefaultValuesProvider() const { return FDefaultValuesProvider; }
  void SetDefaultValuesProvider(IvxEditDefaultValuesProvider* value);
  // Set from outside: counts as an update lock.
  bool ChangedLocked() const { return FChangedLocked; }
  void SetChangedLocked(bool value) { FChangedLocked = value; }
  // Forwards the free notifications of components the properties refer to.
  TvxFreeNotificator* FreeNotificator() const { return FFreeNotificator.get(); }

  // --- Events (OnPropertiesChanged belongs to the owner) ---
  TvxEditButtonClickEvent OnButtonClick;
  TNotifyEvent OnChange;
  TNotifyEvent OnEditValueChanged;
  TvxEditValidateEvent OnValidate;
  // Kept by this object alone: Assign leaves it as it is, and nothing here fires it.
  TNotifyEvent OnOwnEvent;
  TNotifyEvent OnPropertiesChanged;

  // --- Change notification ---
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate(bool changed = true);
  bool IsChangeLocked() const { return FChangedLocked || FUpdateCount >= 1; }
  // Tells the owner, unless locked or the owner is being destroyed.
  virtual void Changed();

  // True when ReadOnly is set false, else not read-only and the provider allows it.
  bool CanModify() const;

  virtual bool CanValidate() const { return false; }
  virtual void ClearDefaultValuesProvider() { FDefaultValuesProvider = nullptr; }
  virtual TAlignment GetDefaultHorzAlignment() const;
  // Bit 0: the properties can work with data; bit 1: data tests need no flag.
  virtual TvxEditSupportedOperations GetSupportedOperations() const { return 0; }
  virtual AnsiString GetValidationErrorText(int kind) const;
  virtual bool IsDataAvailable(bool flag) const;
  // The editor class these properties are made for.
  virtual TvxCustomEditClass GetContainerClass() const { return vxCustomEditClass(); }
  virtual TvxContainerStyleClass GetStyleClass() const { return TvxEditStyle::StyleClass(); }
  // The properties publish a property of that name (letter case ignored); descendants that
  // publish more answer for theirs and ask the class above for the rest.
  virtual bool IsPublishedProperty(const AnsiString& name) const;
  // The classes of the objects that lay an editor out and paint it.
  virtual TvxCustomEditViewDataClass GetViewDataClass() const;
  virtual TvxContainerViewInfoClass GetViewInfoClass() const;
  // A view data of GetViewDataClass for the style (in place or not).
  virtual std::unique_ptr<TvxCustomEditViewData> CreateViewData(TvxCustomEditStyle* style, bool inplace);
  // Both values prepared for an unfocused editor, compared as variants.
  virtual bool CompareDisplayValues(const Variant& a, const Variant& b);
  // A new object of the same class without an owner.
  virtual TvxCustomEditProperties* CreatePropertiesCopy() const;
  virtual void GetDisplayText(const Variant& value, AnsiString& text) const { text.clear(); }
  // 32 when there are buttons.
  virtual int GetEditButtonsFeatures() const;
  virtual void PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool focused) {
    displayValue = editValue;
  }
  virtual void RestoreDefaults();
  // When the properties validate: an empty error text becomes the default one. The editor
  // then runs its validation events (its own properties' OnValidate, then the repository
  // item's).
  virtual void ValidateDisplayValue(Variant& displayValue, AnsiString& errorText, bool& error, TvxCustomEdit* edit);

  // What the edit base asks of its properties.
  virtual bool DetectsEditValueChange() const { return true; }         // compare old and new values
  virtual bool SuppressesChangeNotification() const { return false; }
  virtual bool KeepsValueOnEnter() const { return true; }              // Escape returns to it
  virtual bool CanReset() const { return true; }                       // Escape abandons changes
  virtual int SizeOption() const { return 0; }                         // 2: the width follows the text
  virtual bool IsEditValueNumeric() const { return false; }

protected:
  friend class TvxEditButtons;
  virtual void AlignmentChanged();
  virtual void ButtonsChanged() { Changed(); }
  virtual bool DefaultUseLeftAlignmentOnEditing() const { return true; }
  virtual void FreeNotification(TComponent* component) {}
  virtual TvxCustomEditPropertiesValuesClass GetAssignedValuesClass() const {
    return TvxCustomEditPropertiesValues::ValuesClass();
  }
  // Stores an option and tells the owner when it changed.
  void WriteOption(bool& field, bool value) {
    if (field == value) return;
    field = value;
    Changed();
  }

private:
  bool OwnerIsEditor() const;

  bool FAutoSelect = true;
  bool FBeepOnError = false;
  std::unique_ptr<TvxEditButtons> FButtons;
  bool FMultiRowText = false;
  TShortCut FClearKey = scNone;
  TShortCut FClickKey = scCtrl | VK_RETURN;
  std::unique_ptr<TvxFreeNotificator> FFreeNotificator;
  bool FImmediatePost = false;
  std::unique_ptr<TvxEditAlignment> FWorkingAlignment;
  bool FReadOnly = false;
  bool FKeepTab = false;
  int FUpdateCount = 0;
  std::optional<bool> FUseLeftAlignmentOnEditing;  // the class default until written
  bool FUseMouseWheel = true;
  bool FValidateOnEnter = false;
  std::unique_ptr<TvxEditAlignment> FAlignment;  // the published copy
  mutable std::unique_ptr<TvxCustomEditPropertiesValues> FAssignedValues;
  bool FChangedLocked = false;
  IvxEditDefaultValuesProvider* FDefaultValuesProvider = nullptr;
  bool FDestroying = false;
};

// --- View info and view data -------------------------------------------------------------
//
// Painting an editor takes two objects. The view data lays one editor out (frame, client
// rectangle, buttons and their states) from its properties, its style and the mouse, into a
// view info; the view info keeps that layout, paints it and tells what changed against an
// earlier one. An editor makes a view data (its properties' CreateViewData) for every layout
// and keeps its view info; an in-place editor can be laid out and painted without an editor
// window. Buttons keep the widths they ask for: the text area shrinks, never a button, until
// nothing is left for it.

using TvxEditCustomDrawEvent = std::function<bool(TvxCustomEditViewInfo* sender, TvxCanvas& canvas)>;
// r: the button's bounds, or the part of its background to fill.
using TvxEditButtonCustomDrawEvent = std::function<bool(TvxCustomEditViewInfo* sender, TvxCanvas& canvas,
                                                        const TvxEditButtonViewInfo& button, const RECT& r)>;

// An editor's frame, background and buttons as laid out by its view data.
class TvxCustomEditViewInfo : public TvxContainerViewInfo {
public:
  const char* ClassName() const override { return "TvxCustomEditViewInfo"; }
  static TvxContainerViewInfoClass ViewInfoClass();

  // Copies the whole layout (for comparing a later one with it).
  void Assign(const TvxContainerViewInfo* source) override;
  void Offset(int dx, int dy) override;
  // The background and frame (variant 0, text area filled), then the buttons.
  void Paint(TvxCanvas& canvas) override;

  virtual bool IsInplace() const { return Inplace; }
  virtual bool HasBackground() const { return true; }
  // The background and frame outside the buttons (see vxDrawEditBackground for the border
  // variant and the fill flag), then every button, clipped to the bounds where it leaves them.
  void PaintBackgroundAndButtons(TvxCanvas& canvas, int borderVariant, bool fill);
  // OnCustomDrawBackground's answer: true when it painted the background itself.
  virtual bool DoCustomDrawBackground(TvxCanvas& canvas);
  virtual void DrawButton(TvxCanvas& canvas, int index);
  // The frame of an unthemed button; answers the rectangle left for its content.
  virtual RECT DrawButtonBorder(TvxCanvas& canvas, const TvxEditButtonViewInfo& button, TColor& bkColor,
                                TColor& contentColor);
  virtual void DrawButtonContent(TvxCanvas& canvas, const TvxEditButtonViewInfo& button, const RECT& contentRect,
                                 TColor bkColor, TColor contentColor);
  // The background of r within the button: a vertical gradient for the Office-2003-like
  // style, the colour otherwise, the editor's own background for a transparent button.
  virtual void DrawButtonBackground(TvxCanvas& canvas, const TvxEditButtonViewInfo& button, const RECT& r,
                                    TColor color);
  // Some button is hot.
  virtual bool IsHotTrackButton() const;
  // A view info that paints a text answers true and the text; the base paints none.
  virtual bool GetDrawingText(AnsiString& text) const {
    text.clear();
    return false;
  }
  // The index (into ButtonsInfo) of the button under p, or -1.
  virtual int HitTestButton(POINT p) const;
  // Invalidates in owner's window what changed since previous (nullptr: everything): the
  // whole area when the layout changed, else the buttons whose look changed. Answers whether
  // anything was invalidated.
  virtual bool Repaint(TWinControl& owner, const TvxContainerViewInfo* previous);
  // What Repaint would invalidate, as a region.
  std::unique_ptr<TvxRegion> GetUpdateRegion(const TvxContainerViewInfo* previous) const;

  int ButtonCount() const { return static_cast<int>(ButtonsInfo.size()); }
  // Makes or frees button view infos to have count of them.
  void SetButtonCount(int count);

  // What the buttons and the frame are painted with, as the view data chose it.
  TvxEditButtonStyle ButtonStyle = bts3D;
  const TFont* Font = nullptr;  // the style's, for text buttons
  TColor TextColor = clWindowText;
  RECT InplaceBorderExtent{};
  bool Inplace = false;

  TvxEditCustomDrawEvent OnCustomDrawBackground;
  TvxEditButtonCustomDrawEvent OnCustomDrawButtonBackground;
  TvxEditButtonCustomDrawEvent OnCustomDrawButton;

  TvxContainer* Edit = nullptr;  // the editor, set by the editor
  // The visible buttons in the order of the collection.
  std::vector<std::unique_ptr<TvxEditButtonViewInfo>> ButtonsInfo;
  int PressedButton = -1;
  int HotButton = -1;

protected:
  // Descendants use their own button view infos.
  virtual std::unique_ptr<TvxEditButtonViewInfo> CreateButtonViewInfo() const;

private:
  bool LayoutChanged(const TvxCustomEditViewInfo& previous) const;
};

// Lays out one editor: made by the properties (CreateViewData) for a style, filled by the
// editor with itself and the mouse, used for one calculation and freed.
class TvxCustomEditViewData : public TPersistent {
public:
  TvxCustomEditViewData(TvxCustomEditProperties* properties, TvxCustomEditStyle* style, bool inplace);
  const char* ClassName() const override { return "TvxCustomEditViewData"; }
  static TvxCustomEditViewDataClass ViewDataClass();

  // Lays the editor out in bounds into viewInfo, the mouse at p; button is the mouse button of
  // the event (if any), shift the keys and buttons held.
  virtual void Calculate(TvxCanvas& canvas, const RECT& bounds, POINT p, std::optional<TMouseButton> button,
                         TShiftState shift, TvxCustomEditViewInfo& viewInfo);
  // Places the visible buttons in viewInfo's client rectangle, which keeps what they leave.
  virtual void CalculateButtonsViewInfo(TvxCanvas& canvas, TvxCustomEditViewInfo& viewInfo);
  // Disabled; or normal or focused, and hot with the mouse over the bounds (while a mouse
  // button is held, only when the editor holds the capture). An in-place editor without a
  // focused editor is normal.
  virtual TvxContainerState GetContainerState(const RECT& bounds) const;
  // The widths of the frame on each side (with the shadow).
  virtual RECT GetBorderExtent() const;
  virtual TColor GetBorderColor() const;
  // The style's button style, or for btsDefault the one of the border (in place: of the
  // look-and-feel).
  virtual TvxEditButtonStyle GetButtonsStyle() const;
  // Between the client rectangle and the text.
  virtual RECT GetTextMargins() const;
  // The visual style's edit state: disabled, read-only, focused, hot or normal.
  virtual int GetBorderNativeState() const;
  // Drop-down buttons are drawn as a combo box's.
  virtual bool IsComboBoxStyle() const { return false; }
  virtual bool IsNativeStyle() const;
  // The buttons side by side and the frame: the width and height nothing else shares.
  SIZE GetEditConstantPartSize(TvxCanvas& canvas);
  // The size an auto-sized editor needs: the constant part's width (descendants add their
  // text's) and, for the height, the font's text or the tallest button, whichever is more,
  // with the text margins and the frame; limited by the editor's Constraints.
  virtual SIZE GetEditSize(TvxCanvas& canvas, const Variant& editValue);
  // Makes what the view info paints for an edit value (nothing here; the text view makes
  // its text).
  virtual void EditValueToDrawValue(const Variant& editValue, TvxCustomEditViewInfo& viewInfo) {}

  TvxCustomEditProperties* Properties;
  TvxCustomEditStyle* Style;
  bool IsInplace;
  TvxContainer* Edit = nullptr;  // the editor, when there is one
  HWND WindowHandle = nullptr;   // its window, when it has one
  std::optional<TMouseButton> Button;
  TShiftState Shift = 0;
  POINT MousePos{-1, -1};
  bool Enabled = true;  // taken from the editor when there is one
  bool Focused = false;
  bool Hot = false;
  int MaxWidth = 0x20000000;
  int MaxHeight = 0x20000000;
  RECT InplaceBorderExtent{};  // the frame of an in-place editor, set by whoever lays it out
  // After Calculate: a button is held down, so the editor keeps the mouse.
  bool NeedsMouseCapture = false;

protected:
  // What a button's view data takes from the button and the editor (step one of the layout).
  virtual void InitButtonViewData(TvxEditButtonViewData& data, const TvxEditButton& button, int index,
                                  bool onlyButton, bool nativeStyle) const;
  bool AreButtonsTransparent() const;
};

// --- Registry and repository -------------------------------------------------------------

// The editor registry: properties classes with "ShortName|description" captions, sorted,
// each class once. Made on first use; freed by FinalizevxEdit.
TvxRegisteredClasses& GetRegisteredEditProperties();

// An editor that uses a repository item hears of it here.
class IvxEditRepositoryItemListener {
public:
  virtual void ItemRemoved(TvxEditRepositoryItem* sender) = 0;
  virtual void ItemPropertiesChanged(TvxEditRepositoryItem* sender) = 0;

protected:
  ~IvxEditRepositoryItemListener() = default;
};

struct TvxEditRepositoryItemClassInfo : TvxClassInfo {
  TvxEditRepositoryItem* (*Create)(TComponent* owner);
};
using TvxEditRepositoryItemClass = const TvxEditRepositoryItemClassInfo*;

// A named set of properties that editors can share.
class TvxEditRepositoryItem : public TComponent {
public:
  explicit TvxEditRepositoryItem(TComponent* owner);
  // Tells every listener that the item goes, leaves its repository, frees its properties.
  ~TvxEditRepositoryItem() override;
  const char* ClassName() const override { return "TvxEditRepositoryItem"; }
  static TvxEditRepositoryItemClass ItemClass();
  // The class of the item's properties (a descendant item answers its own).
  virtual TvxCustomEditPropertiesClass GetEditPropertiesClass() const { return TvxCustomEditProperties::PropertiesClass(); }

  // Made on first use, owned by the item.
  TvxCustomEditProperties* Properties() const;
  void SetProperties(const TvxCustomEditProperties* value) { Properties()->Assign(value); }
  TvxEditRepository* Repository() const { return FRepository; }
  void SetRepository(TvxEditRepository* value);

  void AddListener(IvxEditRepositoryItemListener* listener);
  void RemoveListener(IvxEditRepositoryItemListener* listener);
  int ListenerCount() const { return static_cast<int>(FListeners.size()); }

  // Stored with the item for whoever sets it; nothing here fires it.
  TNotifyEvent PropertiesEvents;

  bool HasParent() const override { return FRepository != nullptr; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* parent) override;

protected:
  // The properties' change handler: every listener hears it, the last first.
  virtual void PropertiesChanged(TObject* sender);

private:
  std::vector<IvxEditRepositoryItemListener*> FListeners;
  mutable std::unique_ptr<TvxCustomEditProperties> FProperties;
  TvxEditRepository* FRepository = nullptr;
};

// Lists repository items; frees those it still lists when it goes, whoever owns them.
class TvxEditRepository : public TComponent {
public:
  explicit TvxEditRepository(TComponent* owner) : TComponent(owner) {}
  ~TvxEditRepository() override;
  const char* ClassName() const override { return "TvxEditRepository"; }

  int Count() const { return static_cast<int>(FItems.size()); }
  TvxEditRepositoryItem* Items(int index) const;
  // Frees the listed items, the last first.
  void Clear();
  // An item of the class owned by the repository (CreateItem) or by owner, listed here.
  virtual TvxEditRepositoryItem* CreateItem(TvxEditRepositoryItemClass itemClass);
  virtual TvxEditRepositoryItem* CreateItemEx(TvxEditRepositoryItemClass itemClass, TComponent* owner);
  // Calls proc for every listed item that root owns, in list order.
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const;

private:
  friend class TvxEditRepositoryItem;
  std::vector<TvxEditRepositoryItem*> FItems;
};

// --- Edit base control -------------------------------------------------------------------
//
// TvxCustomEdit is the base of every editor: a container around an inner window control,
// reading its settings from its active properties (a repository item's when one is set, else
// its own). It owns the edit value, the modified state, validation, key and character
// filtering, the buttons' clicks and in-place activation; descendants supply the inner
// control, the display text and the conversions through virtual operations.
//
// Values and the user. A write of EditValue from outside stores the value and shows it
// (SynchronizeDisplayValue); it leaves Modified false. A change the user makes runs with the
// editing flag set (TvxEditingScope): the editing permission is asked first (DoEditing: the
// properties must allow modification and OnEditing must not refuse), and the change marks the
// editor ModifiedAfterEnter (which implies Modified and clears the posted flag). Entering the
// editor keeps its value; Escape returns to it; leaving it (or Enter with ValidateOnEnter)
// validates a change: the display value runs through the properties' check and OnValidate,
// and a refusal keeps the focus in the editor, selects its text, beeps with BeepOnError and
// raises EvxEditError with the message. When the editor's form closes modally with a result
// other than Cancel, the editor validates without raising; a refused value is then not taken.
//
// Change events. OnChange and OnEditValueChanged of the properties (the own, then the
// repository item's) fire through a catcher: while LockChangeEvents holds it, notifications
// only mark themselves pending, and the last unlock fires each pending event once.
//
// Classes that descendants substitute (properties, inner edit, data binding, edit data) are
// named to the constructor in a TvxEditClasses, because C++ cannot reach a descendant's
// override while the base is being constructed; GetPropertiesClass and the others answer
// them afterwards.
//
// The inner edit. A descendant names a window control class; the instance it makes either
// is an IvxCustomInnerEdit itself or hands one out through IvxInnerEditHelper. The editor owns
// the control and frees it before the rest of the editor goes, so the control never calls
// into a half-destroyed editor. GUI thread only.

class TvxCustomEditData;
class TvxEditDataBinding;

// Errors the editors raise: a refused value, a repository item of the wrong kind.
class EvxEditError : public Exception {
public:
  using Exception::Exception;
  const char* ClassName() const override { return "EvxEditError"; }
};

// What an editor asks of its inner control. Interface {468D21B5-48AA-4077-8ED5-4C6112D460B1}.
class IvxCustomInnerEdit {
public:
  virtual TWinControl* GetControl() = 0;
  virtual TvxCustomEdit* GetEdit() = 0;
  // The control's content as the edit value (the text for a text control).
  virtual Variant GetEditValue() = 0;
  virtual void SetEditValue(const Variant& value) = 0;
  virtual bool GetReadOnly() = 0;
  virtual void SetReadOnly(bool value) = 0;
  // While locked, the control keeps its bounds.
  virtual void LockBounds(bool lock) = 0;
  // Focuses the control where it may take the focus.
  virtual void SafelySetFocus() = 0;
  // The control's window procedure itself, past the editor's handling.
  virtual LRESULT CallDefWndProc(UINT msg, WPARAM wParam, LPARAM lParam) = 0;

protected:
  ~IvxCustomInnerEdit() = default;
};

// Offered by an inner control that speaks through a companion object. Interface
// {35667555-6DC8-40D5-B705-B08D5697C621}.
class IvxInnerEditHelper {
public:
  virtual IvxCustomInnerEdit* GetHelper() = 0;

protected:
  ~IvxInnerEditHelper() = default;
};

using TvxInnerEditClass = const TvxObjectClassInfo<TWinControl, TvxCustomEdit*>*;
using TvxEditDataBindingClass = const TvxObjectClassInfo<TvxEditDataBinding, TvxCustomEdit*>*;
using TvxEditDataClass = const TvxObjectClassInfo<TvxCustomEditData, TvxCustomEdit*>*;

// Where an editor's value comes from and goes to. This one binds to nothing: the editor's own
// display text is the stored value and nothing is kept elsewhere; a binding to data overrides
// the operations.
class TvxEditDataBinding : public TPersistent {
public:
  explicit TvxEditDataBinding(TvxCustomEdit* edit);
  ~TvxEditDataBinding() override;
  const char* ClassName() const override { return "TvxEditDataBinding"; }
  static TvxEditDataBindingClass BindingClass();

  TvxCustomEdit* Edit() const { return FEdit; }
  IvxEditDefaultValuesProvider* DefaultValuesProvider() const { return FProvider.get(); }
  virtual bool CanModify() const { return true; }
  virtual bool ModifiedAfterEnter() const;
  // The value held for the editor: its display text as a variant here.
  virtual Variant StoredValue() const;
  // True when a data source is connected (never here).
  virtual bool IsDataSourceConnected() const { return false; }
  // Takes a posted edit value (nothing to take it here).
  virtual void StoreValue(const Variant& value) {}
  // Brings the editor up to date with the data (nothing here).
  virtual void Refresh() {}
  // Shows the editor's value anew.
  virtual void UpdateDisplayValue();
  // Shows a display value in the editor.
  virtual void SetDisplayValue(const Variant& value);
  virtual bool ExecuteAction(TBasicAction* action) { return false; }
  virtual bool UpdateAction(TBasicAction* action) { return false; }

protected:
  // For bindings with a provider of their own class.
  TvxEditDataBinding(TvxCustomEdit* edit, std::unique_ptr<TvxCustomEditDefaultValuesProvider> provider);

private:
  TvxCustomEdit* FEdit;
  std::unique_ptr<TvxCustomEditDefaultValuesProvider> FProvider;
};

// The classes an editor makes its parts of (see the header comment of this section).
struct TvxEditClasses {
  TvxCustomEditPropertiesClass Properties = TvxCustomEditProperties::PropertiesClass();
  TvxInnerEditClass InnerEdit = nullptr;  // no inner control
  TvxEditDataBindingClass DataBinding = TvxEditDataBinding::BindingClass();
  TvxEditDataClass EditData = nullptr;  // no edit data
};

// State that the caller of an in-place activation keeps from one activation to the next. The
// caller owns it; it forgets the editor when the editor goes, and the editor forgets it when
// it goes first.
class TvxCustomEditData : public TObject {
public:
  explicit TvxCustomEditData(TvxCustomEdit* edit);
  ~TvxCustomEditData() override;
  const char* ClassName() const override { return "TvxCustomEditData"; }
  // Marks the data as needing a reset; an editor activated with it resets it now.
  void Clear();
  bool Cleared() const { return FCleared; }
  void SetCleared(bool value) { FCleared = value; }
  TvxCustomEdit* Edit() const { return FEdit; }

private:
  friend class TvxCustomEdit;
  bool FCleared = false;
  TvxCustomEdit* FEdit;
  std::unique_ptr<TvxFreeNotificator> FFreeNotificator;
};

// OnChange and OnEditValueChanged waiting for the last unlock.
class TvxEditChangeEventsCatcher : public TObject {
public:
  explicit TvxEditChangeEventsCatcher(TvxCustomEdit* edit) : FEdit(edit) {}
  const char* ClassName() const override { return "TvxEditChangeEventsCatcher"; }
  bool IsLocked() const { return FLockCount > 0; }

private:
  friend class TvxCustomEdit;
  TvxCustomEdit* FEdit;
  int FLockCount = 0;
  bool FChangePending = false;
  bool FEditValueChangedPending = false;
};

using TvxEditEditingEvent = std::function<void(TObject* sender, bool& canEdit)>;

// What an editor tells about its size to whoever sizes it for its content (a host of in-place
// editors): -1 where it says nothing.
struct TvxEditSizeProperties {
  int Height = -1;
  int MaxLineCount = 0;
  int Width = -1;
};

// What an editor keeps, from a view data made at its creation, of the layout of its in-place
// view datas.
struct TvxInplaceViewDataCache {
  RECT BorderExtent{};  // the host draws the frame: none of the editor's own
  RECT TextMargins{};
  bool Reserved = false;
  int WidthCorrection = 0;  // 3 less the left and right text margins
  // Drawn in the native style, in place, with edit buttons.
  bool NativeWithButtons = false;
};

// The screen cursor the editors show for wheel scrolling ("VXEDIT_MOUSEWHEEL").
constexpr TCursor crvxEditMouseWheel = 4101;

class TvxCustomEdit : public TvxContainer, public IvxEditRepositoryItemListener {
public:
  explicit TvxCustomEdit(TComponent* owner, bool inplace = false);
  ~TvxCustomEdit() override;
  const char* ClassName() const override { return "TvxCustomEdit"; }

  // --- Value and state ---
  Variant EditValue();
  void SetEditValue(const Variant& value);
  // The value written as the editor's, without the edit-value change lock.
  void SetEditValueUnlocked(const Variant& value);
  bool Modified() const { return FModified; }
  // False clears ModifiedAfterEnter as well.
  void SetModified(bool value);
  // Changed by the user since the editor was entered; true sets Modified and clears the
  // posted flag.
  bool ModifiedAfterEnter() const { return FModifiedAfterEnter; }
  void SetModifiedAfterEnter(bool value);
  // The value when the editor was entered (Escape returns to it).
  const Variant& PrevEditValue() const { return FPrevEditValue; }
  // Saves and restores Modified and ModifiedAfterEnter around a change that must leave no
  // trace.
  void SaveModified();
  void RestoreModified();
  // The editing flag: set while a user action changes the value.
  bool IsEditing() const { return FIsEditing; }
  void SetIsEditing(bool value) { FIsEditing = value; }
  // Held while EditValue is written from outside (SetEditValue).
  bool IsEditValueChangeLocked() const { return FEditValueChangeLock > 0; }
  void LockEditValueChanging(bool lock);
  // While locked, EditValue writes are ignored.
  void LockInnerControl(bool lock);
  // The user-action flag.
  bool IsUserAction() const { return FIsUserAction; }
  void BeginUserAction() { FIsUserAction = true; }
  void EndUserAction() { FIsUserAction = false; }
  // The current value was validated (and posted) since the last change.
  bool IsPosted() const { return FPosted; }

  // --- Properties ---
  // The repository item's properties (with this editor's provider handed to them) when an
  // item is set, else the own ones.
  TvxCustomEditProperties* ActiveProperties();
  TvxCustomEditProperties* Properties() const { return FProperties.get(); }
  void SetProperties(const TvxCustomEditProperties* value) { FProperties->Assign(value); }
  TvxEditRepositoryItem* RepositoryItem() const { return FRepositoryItem; }
  // Raises EvxEditError "The repository item is not acceptable" for an item whose properties
  // are not of this editor's properties class; the old item then stays.
  void SetRepositoryItem(TvxEditRepositoryItem* value);
  TvxCustomEditPropertiesClass GetPropertiesClass() const { return FClasses.Properties; }
  TvxInnerEditClass GetInnerEditClass() const { return FClasses.InnerEdit; }
  TvxEditDataBindingClass GetDataBindingClass() const { return FClasses.DataBinding; }
  TvxEditDataClass GetEditDataClass() const { return FClasses.EditData; }
  TvxEditDataBinding* DataBinding() const { return FDataBinding.get(); }
  IvxCustomInnerEdit* InnerEdit() const { return FInnerEdit; }
  // The layout the editor keeps (its properties' view info class).
  TvxCustomEditViewInfo* EditViewInfo() const;
  // A view data for a layout of this editor: for the active style, with the editor, its window
  // and (in place) the in-place frame filled in.
  virtual std::unique_ptr<TvxCustomEditViewData> CreateViewData();
  // Between the client rectangle and the text, as a view data gave them when the editor was
  // made (the text editor places its inner edit by them).
  const RECT& TextMargins() const { return FInplaceCache.TextMargins; }
  const TvxInplaceViewDataCache& InplaceViewDataCache() const { return FInplaceCache; }
  TvxCustomEditData* EditData() const { return FEditData; }
  bool IsInplace() const override { return FIsInplace; }

  // --- What editors do ---
  // In-place activation: shown, focused (text selected with AutoSelect), the value shown,
  // not modified. data: the caller's edit data, made here when none is given and the class
  // has some.
  virtual void Activate(TvxCustomEditData*& data);
  // Activation by a typed character, which then reaches the editor.
  virtual void ActivateByKey(char key, TvxCustomEditData*& data);
  // Activation by a click at a screen point: the press (or release) reaches the editor.
  virtual void ActivateByMouse(TShiftState shift, int x, int y, TvxCustomEditData*& data);
  // The value becomes Null (nothing here; see SetEditValue).
  virtual void Clear();
  // Validates a change with errors raised; on success the value is shown and counts as
  // posted. Answers the success.
  virtual bool ValidateEdit();
  // Validates (when asked) and posts the value.
  void PostEditValue(bool validate = true) { DoPostEditValue(validate); }
  // The data binding reports a change and the control is not being designed.
  bool CanPostEditValue();
  // The editing permission (see the header comment).
  bool DoEditing();
  // DoEditing is asking the properties and OnEditing.
  bool IsAskingEditing() const { return FIsAskingEditing; }
  bool CanModify();
  bool IsReadOnly();
  // Locks the change events; the last unlock fires the pending ones when fire is true.
  void LockChangeEvents(bool lock, bool fire = true);
  // Escape: back to the value from entry.
  virtual void Reset();
  virtual void SelectAll() {}
  // The editor is focused, or it or its inner control is its form's active control.
  bool HasFocus();
  // The display text of the current value (empty here).
  virtual void GetDisplayValue(Variant& value) { value = AnsiString(); }
  virtual void PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool focused);
  // Turns a display value into the edit value (unassigned here).
  virtual void DisplayValueToEditValue(const Variant& displayValue, Variant& editValue, bool focused) {
    editValue = Variant();
  }
  // Stores a display value without touching the modified state.
  virtual void InternalSetDisplayValue(const Variant& value);
  virtual void SetDisplayValue(const Variant& value) {}
  // Shows the value (nothing here).
  virtual void SynchronizeDisplayValue() {}
  // Reads the value back from the display (nothing here).
  virtual void SynchronizeEditValue() {}
  // The inner edit shows the text (false here).
  virtual bool IsInnerEditVisible() { return false; }
  // Runs the OnValidate events (own properties, then the repository item's); called by the
  // properties' ValidateDisplayValue.
  void DoOnValidate(Variant& displayValue, AnsiString& errorText, bool& error);
  // A button's click: OnButtonClick of the own properties, then of the repository item's.
  virtual void DoButtonClick(int buttonIndex);
  // What the editor tells a host that sizes it: one row, the editor's width.
  virtual void FillSizeProperties(TvxEditSizeProperties& sizeProperties);

  bool ExecuteAction(TBasicAction* action) override;
  bool UpdateAction(TBasicAction* action) override;
  void SetParent(TWinControl* parent) override;
  void SetAutoSize(bool value) override;
  // Reading first makes the window when the control can have one (auto-size needs it).
  int Height();

  TvxEditEditingEvent OnEditing;
  // Kept for the published list only: it stands for the properties' events.
  TNotifyEvent PropertiesEvents;
  // Fired after an in-place editor posted its value.
  TNotifyEvent OnPostEditValue;
  // Keys the editor handled without the inner control (sender, key, shift).
  TKeyEvent OnAfterKeyDown;

  // IvxEditRepositoryItemListener
  void ItemRemoved(TvxEditRepositoryItem* sender) override;
  void ItemPropertiesChanged(TvxEditRepositoryItem* sender) override;

protected:
  friend class TvxEditDataBinding;
  friend class TvxCustomEditData;
  friend class TvxCustomInnerTextEdit;

  // For descendants: their parts' classes (see the header comment).
  TvxCustomEdit(TComponent* owner, bool inplace, const TvxEditClasses& classes);

  // --- Operations descendants override -------------------------------------------------
  // Places the inner control after the editor laid itself out: here it keeps the client
  // rectangle the container gave it and is clipped to it (the inner control's own moves do not
  // realign the editor).
  virtual void AdjustInnerEditPosition();
  // False in place, else AutoSize.
  virtual bool CanAutoSize();
  // The width follows the content (the properties' size option 2).
  virtual bool CanAutoWidth();
  // Keys and characters that change the value: those must pass DoEditing.
  virtual bool CanKeyDownModifyEdit(WORD key, TShiftState shift) { return false; }
  virtual bool CanKeyPressModifyEdit(char key) { return false; }
  // The user changed the text in the inner control.
  virtual void ChangeHandler();
  virtual void DefaultButtonClick();
  virtual void DoButtonDown(int buttonIndex) {}
  virtual void DoButtonUp(int buttonIndex) {}
  virtual void DoEditKeyDown(WORD& key, TShiftState shift);
  virtual void DoEditKeyPress(char& key);
  virtual void DoOnChange();
  virtual void DoOnEditValueChanged();
  virtual void GetEditValue(Variant& value) { value = FEditValue; }
  virtual void DoValidationError(const AnsiString& errorText);
  virtual void InitializeInnerEdit();
  virtual bool IsEditingAllowed() { return true; }
  // Descendants fill in what their view data needs (nothing here).
  virtual void InitializeViewData(TvxCustomEditViewData& viewData) {}
  // A button was pressed (previous: the layout before): a newly pressed button is down, and
  // clicked when the mouse was over it; a button let go is up.
  virtual void PressedButtonChanged(const TvxCustomEditViewInfo& previous);
  // Paints the editor as a copy from the data binding's stored value (for a bound editor
  // drawn elsewhere).
  virtual void PaintCopy();
  // Hands the inner edit the options its editor sets on it (a validate event was assigned or
  // the properties changed); nothing here.
  virtual void UpdateInnerEditOptions() {}
  // Stores a display value (nothing here; descendants store the text).
  virtual void StoreDisplayValue(const Variant& value) {}
  virtual void InternalSetEditValue(const Variant& value, bool validate);
  virtual bool IsClickKey(WORD key, TShiftState shift);
  virtual bool HasEditValue() { return !FEditValue.IsNull(); }
  virtual bool IsValidChar(char key);
  virtual void PropertiesChanged(TObject* sender);
  virtual void RepositoryItemChanged() {}
  virtual void BeforeRepositoryItemChange() {}
  virtual bool CanKeyActivate(char key) { return true; }
  virtual bool NeedsDataBindingRefresh() { return true; }
  virtual bool CanKeyDownProceed(WORD key, TShiftState shift);
  // The character filter; answers whether the character survives.
  virtual bool DoKeyPressFilter(char& key);
  // The inner window's messages while the editor subclasses it: the former procedure's.
  virtual void InnerWindowProc(TMessage& message);
  virtual void SubclassInnerWindow();
  virtual void RestoreInnerWindow();
  virtual bool CanAcceptRepositoryItem(TvxEditRepositoryItem* item);
  // Descendants take the navigation keys after key-down themselves (false: the editor eats
  // them after telling OnAfterKeyDown).
  virtual bool WantsNavigationKeys() { return false; }
  // Tab is about to move the focus out of the editor.
  virtual void TabPressed() {}
  // Edit data that was cleared gets ready again (marked not cleared here).
  virtual void ResetEditData(TvxCustomEditData* data);
  // The focused state the validation passes on.
  virtual bool IsEditFocused() { return Focused(); }

  // Validation (see the header comment); answers the success.
  bool DoValidateEdit(bool raiseError);
  void DoPostEditValue(bool validate);
  void DoAfterKeyDown(WORD& key, TShiftState shift);
  // Escape undid a change: its character is about to be eaten.
  bool IsEscapeSwallowPending() const { return FEscapeSwallow; }
  // A mouse press that activated an in-place editor is recent.
  bool IsDoubleClickTimerRunning() const;
  // Recomputes the hot state for the cursor where it is now.
  virtual void UpdateHotState();
  // While set, WM_NCCALCSIZE is answered 0.
  void SetSuppressNonClientSize(bool value) { FSuppressNonClientSize = value; }

  // --- What the edit changes of the container ------------------------------------------
  void Notification(TComponent* component, TOperation operation) override;
  TvxContainerViewInfoClass GetViewInfoClass() const override;
  // Lays the editor out through a view data of its properties.
  void CalculateViewInfo(POINT p, bool allowHot) override;
  // Also repaints what the new layout changed and tells the buttons' presses.
  bool RefreshContainer(POINT p, std::optional<TMouseButton> button, TShiftState shift, bool isMouseEvent) override;
  void Paint() override;
  void AdjustInnerControl() override;
  bool CanAutoSize(int& width, int& height) override;
  void FocusChanged() override;
  void Loaded() override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void DoEnter() override;
  void DoExit() override;
  LRESULT Dispatch(TMessage& m) override;

private:
  struct TModifiedState {
    bool Modified;
    bool ModifiedAfterEnter;
  };

  void Initialize();
  void CreateInnerEdit();
  void FillInplaceViewDataCache();
  void FireChange();
  void FireEditValueChanged();
  // Fires one event now, in place with the modified flags set meanwhile.
  void FireNow(void (TvxCustomEdit::*fire)());
  bool IsChangeAssigned();
  bool IsEditValueChangedAssigned();
  void ConnectOwnProperties(bool connect);
  int DefaultButtonIndex();
  LRESULT CMDialogChar(TMessage& m);

  TvxEditClasses FClasses;
  bool FIsInplace;
  std::unique_ptr<TvxEditChangeEventsCatcher> FChangeEventsCatcher;
  int FEditValueChangeLock = 0;
  std::unique_ptr<TvxTimer> FDblClickTimer;
  TvxCustomEditData* FEditData = nullptr;  // the caller's
  int FInnerControlLock = 0;
  bool FFocused = false;
  IvxCustomInnerEdit* FInnerEdit = nullptr;
  TWinControl* FInnerEditControl = nullptr;  // owned through the component list
  std::unique_ptr<TObjectInstance> FInnerWindowInstance;
  bool FPosted = false;
  bool FEscapeSwallow = false;
  bool FIsUserAction = false;
  bool FIsEditing = false;
  bool FIsValidating = false;
  bool FIsAskingEditing = false;
  bool FModified = false;
  bool FModifiedAfterEnter = false;
  Variant FPrevEditValue;
  std::vector<TModifiedState> FModifiedStack;
  TvxEditRepositoryItem* FRepositoryItem = nullptr;
  std::unique_ptr<TvxEditDataBinding> FDataBinding;
  Variant FEditValue;
  std::unique_ptr<TvxCustomEditProperties> FProperties;
  bool FSuppressNonClientSize = false;
  TvxInplaceViewDataCache FInplaceCache;  // copied into the view datas of an in-place editor
  std::optional<TMouseButton> FRefreshButton;  // the mouse event of the running refresh
  TShiftState FRefreshShift = 0;
  bool FInitialized = false;
  bool FParentAssigned = false;
  bool FReadingHeight = false;
  bool FUpdatingHotState = false;
};

// Sets the editing flag for a scope and puts the former value back.
class TvxEditingScope {
public:
  TvxEditingScope(TvxCustomEdit& edit, bool value) : FEdit(edit), FOld(edit.IsEditing()) { edit.SetIsEditing(value); }
  ~TvxEditingScope() { FEdit.SetIsEditing(FOld); }
  TvxEditingScope(const TvxEditingScope&) = delete;
  TvxEditingScope& operator=(const TvxEditingScope&) = delete;

private:
  TvxCustomEdit& FEdit;
  bool FOld;
};

// Copies text for WM_GETTEXT into a buffer of size bytes: nothing for size 0, else at most
// size - 1 bytes without splitting a double-byte character, then a NUL. Answers the count
// copied.
LRESULT vxCopyTextToBuffer(const AnsiString& text, WPARAM size, LPARAM buffer);

void InitializevxEdit();
void FinalizevxEdit();
