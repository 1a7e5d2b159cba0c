#include "editors/vxEdit.h"

#include "controls/vdOffice11.h"
#include "controls/vdThemeConsts.h"
#include "controls/vxEditConsts.h"
#include "controls/vxEditPaintUtils.h"
#include "controls/vxEditTextUtils.h"
#include "controls/vxVariants.h"
#include "platform/gui/Forms.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

std::unique_ptr<TvxRegisteredClasses> GRegisteredEditProperties;
std::unique_ptr<std::vector<TvxCustomEditProperties*>> GEditPropertiesList;
TvxEditStyleController* GDefaultEditStyleController = nullptr;

const char* const kEditStyleValueNames[] = {"ButtonStyle", "ButtonTransparency", "PopupBorderStyle",
                                            "GradientButtons"};

// The component a persistent belongs to, found along its owners.
TComponent* OwningComponent(const TPersistent* persistent) {
  for (TPersistent* p = vxGetOwner(persistent); p != nullptr; p = p->GetOwner())
    if (auto* component = dynamic_cast<TComponent*>(p)) return component;
  return nullptr;
}

void CopyBitmap(TBitmap& dest, TBitmap& source) {
  dest.SetSize(source.Width(), source.Height());
  if (!source.Empty()) dest.WritePixels32(source.ReadPixels32());
  dest.SetTransparent(source.Transparent());
  dest.SetTransparentColor(source.TransparentColor());
}

}  // namespace

// --- TvxCustomEditStyle ----------------------------------------------------------------

TvxCustomEditStyle::TvxCustomEditStyle(TPersistent* owner, bool directAccessMode, TvxContainerStyle* parentStyle,
                                       TvxContainerStateItem state)
    : TvxContainerStyle(owner, directAccessMode, parentStyle, state) {
  // The base constructor took the container library's default controller; an edit style's default
  // is decided here (none in direct access mode or in place).
  if (IsBaseStyle()) SetStyleController(nullptr);
}

TvxContainerStyleClass TvxCustomEditStyle::StyleClass() {
  return vxStyleClassOf<TvxCustomEditStyle>("TvxCustomEditStyle");
}

TvxContainerStyleClass TvxEditStyle::StyleClass() { return vxStyleClassOf<TvxEditStyle>("TvxEditStyle"); }

void TvxCustomEditStyle::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TvxCustomEditStyle*>(source);
  if (src == nullptr) {
    TvxContainerStyle::Assign(source);
    return;
  }
  BeginUpdate();
  FButtonStyle = src->FButtonStyle;
  FButtonTransparency = src->FButtonTransparency;
  FGradientButtons = src->FGradientButtons;
  FPopupBorderStyle = src->FPopupBorderStyle;
  FPopupCloseButton = src->FPopupCloseButton;
  TvxContainerStyle::Assign(source);
  Changed();
  EndUpdate();
}

template <class T>
T TvxCustomEditStyle::ReadValue(T TvxCustomEditStyle::*field, TvxContainerStyleValue index,
                                T (TvxCustomEditStyle::*byDefault)() const) const {
  if (DirectAccessMode())
    return (OwnAssignedValues() & vxStyleValueBit(index)) != 0 ? this->*field : (this->*byDefault)();
  if (auto* s = dynamic_cast<const TvxCustomEditStyle*>(FindAssignedStyle(index))) return s->*field;
  return (this->*byDefault)();
}

TvxEditButtonStyle TvxCustomEditStyle::ButtonStyle() const {
  return ReadValue(&TvxCustomEditStyle::FButtonStyle, svButtonStyle, &TvxCustomEditStyle::DefaultButtonStyle);
}

TvxEditButtonTransparency TvxCustomEditStyle::ButtonTransparency() const {
  return ReadValue(&TvxCustomEditStyle::FButtonTransparency, svButtonTransparency,
                   &TvxCustomEditStyle::DefaultButtonTransparency);
}

bool TvxCustomEditStyle::GradientButtons() const {
  return ReadValue(&TvxCustomEditStyle::FGradientButtons, svGradientButtons,
                   &TvxCustomEditStyle::DefaultGradientButtons);
}

TvxEditPopupBorderStyle TvxCustomEditStyle::PopupBorderStyle() const {
  return ReadValue(&TvxCustomEditStyle::FPopupBorderStyle, svPopupBorderStyle,
                   &TvxCustomEditStyle::DefaultPopupBorderStyle);
}

void TvxCustomEditStyle::SetButtonStyle(TvxEditButtonStyle value) { WriteValue(FButtonStyle, value, svButtonStyle); }

void TvxCustomEditStyle::SetGradientButtons(bool value) { WriteValue(FGradientButtons, value, svGradientButtons); }

void TvxCustomEditStyle::SetButtonTransparency(TvxEditButtonTransparency value) {
  if (!IsBaseStyle()) return ParentEditStyle()->SetButtonTransparency(value);
  WriteValue(FButtonTransparency, value, svButtonTransparency);
}

void TvxCustomEditStyle::SetPopupBorderStyle(TvxEditPopupBorderStyle value) {
  if (!IsBaseStyle()) return ParentEditStyle()->SetPopupBorderStyle(value);
  WriteValue(FPopupBorderStyle, value, svPopupBorderStyle);
}

bool TvxCustomEditStyle::PopupCloseButton() const {
  return IsBaseStyle() ? FPopupCloseButton : ParentEditStyle()->PopupCloseButton();
}

void TvxCustomEditStyle::SetPopupCloseButton(bool value) {
  if (!IsBaseStyle()) return ParentEditStyle()->SetPopupCloseButton(value);
  if (FPopupCloseButton == value) return;
  FPopupCloseButton = value;
  Changed();
}

TvxEditButtonStyle TvxCustomEditStyle::DefaultButtonStyle() const {
  return IsBaseStyle() ? btsDefault : ParentEditStyle()->ButtonStyle();
}

TvxEditButtonTransparency TvxCustomEditStyle::DefaultButtonTransparency() const {
  return IsBaseStyle() ? ebtNone : ParentEditStyle()->ButtonTransparency();
}

bool TvxCustomEditStyle::DefaultGradientButtons() const {
  return IsBaseStyle() ? false : ParentEditStyle()->GradientButtons();
}

TvxEditPopupBorderStyle TvxCustomEditStyle::DefaultPopupBorderStyle() const {
  return IsBaseStyle() ? epbsDefault : ParentEditStyle()->PopupBorderStyle();
}

bool TvxCustomEditStyle::GetStyleValueName(TvxContainerStyleValue index, AnsiString& name) const {
  if (index < svButtonStyle) return TvxContainerStyle::GetStyleValueName(index, name);
  if (index >= GetStyleValueCount()) return false;
  name = kEditStyleValueNames[index - svButtonStyle];
  return true;
}

TvxStyleController* TvxCustomEditStyle::GetDefaultStyleController() const {
  if (DirectAccessMode()) return nullptr;
  if (IvxContainerStyleOwner* container = Container(); container != nullptr && container->IsInplace()) return nullptr;
  return GDefaultEditStyleController;
}

TvxContainerStyleValues TvxCustomEditStyle::InternalGetNotPublishedValues() const {
  return TvxContainerStyle::InternalGetNotPublishedValues() | vxStyleValueBit(svButtonTransparency) |
         vxStyleValueBit(svPopupBorderStyle) | vxStyleValueBit(svGradientButtons);
}

TvxEditStyleController::TvxEditStyleController(TComponent* owner)
    : TvxStyleController(owner, TvxEditStyle::StyleClass()) {}

TvxEditStyleController* vxDefaultEditStyleController() { return GDefaultEditStyleController; }

// --- TvxEditButton ---------------------------------------------------------------------

TvxEditButton::TvxEditButton(TCollection* collection) : TCollectionItem(collection) {
  if (collection != nullptr && collection->Count() == 1) {
    TComponent* component = OwningComponent(collection);
    FDefault = component != nullptr && component->IsDesigning() && !component->IsLoading();
  }
}

TvxEditButton::~TvxEditButton() { ReleaseGlyph(); }

void TvxEditButton::ReleaseGlyph() {
  if (!FGlyph) return;
  FGlyph->OnChange = nullptr;
  FGlyph.reset();
}

void TvxEditButton::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TvxEditButton*>(source);
  if (src == nullptr) {
    TCollectionItem::Assign(source);
    return;
  }
  TCollection* collection = Collection();
  if (collection != nullptr) collection->BeginUpdate();
  FCaption = src->FCaption;
  FStrippedCaption = src->FStrippedCaption;
  SetDefault(src->FDefault);
  FEnabled = src->FEnabled;
  SetGlyph(src->FGlyph.get());
  FKind = src->FKind;
  FLeftAlignment = src->FLeftAlignment;
  FStretchable = src->FStretchable;
  FTextColor = src->FTextColor;
  FVisible = src->FVisible;
  FWidth = src->FWidth;
  if (collection != nullptr) collection->EndUpdate();
}

void TvxEditButton::SetCaption(const AnsiString& value) {
  if (value == FCaption) return;
  FCaption = value;
  FStrippedCaption = vxStripAccelChars(value);
  Changed(false);
}

void TvxEditButton::SetDefault(bool value) {
  if (value == FDefault) return;
  if (value && Collection() != nullptr) {
    for (int i = 0; i < Collection()->Count(); ++i)
      static_cast<TvxEditButton*>(Collection()->Items(i))->FDefault = false;
  }
  FDefault = value;
  Changed(true);
}

void TvxEditButton::SetEnabled(bool value) { Write(FEnabled, value); }

TBitmap* TvxEditButton::Glyph() {
  if (!FGlyph) {
    FGlyph = std::make_shared<TBitmap>();
    FGlyph->OnChange = [this](TObject*) {
      if (!FCopyingGlyph) Changed(false);
    };
  }
  return FGlyph.get();
}

void TvxEditButton::SetGlyph(TBitmap* value) {
  if (value == nullptr) {
    ReleaseGlyph();
  } else if (value != FGlyph.get()) {
    TBitmap& glyph = *Glyph();
    FCopyingGlyph = true;
    try {
      CopyBitmap(glyph, *value);
    } catch (...) {
      FCopyingGlyph = false;
      throw;
    }
    FCopyingGlyph = false;
  }
  Changed(false);
}

void TvxEditButton::SetKind(TvxEditButtonKind value) { Write(FKind, value); }

void TvxEditButton::SetLeftAlignment(bool value) { Write(FLeftAlignment, value); }

void TvxEditButton::SetStretchable(bool value) { Write(FStretchable, value); }

void TvxEditButton::SetTextColor(TColor value) { Write(FTextColor, value); }

void TvxEditButton::SetVisible(bool value) { Write(FVisible, value); }

void TvxEditButton::SetWidth(int value) {
  if (value >= 0) Write(FWidth, value);
}

// --- TvxEditButtons --------------------------------------------------------------------

TvxEditButtons::TvxEditButtons(TPersistent* owner)
    : TOwnedCollection(owner, [](TCollection* collection) { return new TvxEditButton(collection); }) {}

int TvxEditButtons::VisibleCount() const {
  int count = 0;
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Visible()) ++count;
  return count;
}

void TvxEditButtons::Update(TCollectionItem* item) {
  if (auto* properties = dynamic_cast<TvxCustomEditProperties*>(GetOwner())) properties->ButtonsChanged();
}

// --- TvxEditButtonViewInfo -------------------------------------------------------------

void TvxEditButtonViewInfo::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TvxEditButtonViewInfo*>(source);
  if (src == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  Bounds = src->Bounds;
  NativeState = src->NativeState;
  State = src->State;
  Transparent = src->Transparent;
  NeighbourEdges = src->NeighbourEdges;
}

bool TvxEditButtonViewInfo::LooksAsBefore(const TvxEditButtonViewInfo& previous) const {
  return State == previous.State && Transparent == previous.Transparent && NativeState == previous.NativeState &&
         NeighbourEdges == previous.NeighbourEdges;
}

std::unique_ptr<TvxRegion> TvxEditButtonViewInfo::GetUpdateRegion(const TvxEditButtonViewInfo* previous) const {
  if (previous != nullptr && LooksAsBefore(*previous)) return std::make_unique<TvxRegion>();
  return std::make_unique<TvxRegion>(Bounds);
}

bool TvxEditButtonViewInfo::Repaint(HWND window, const TvxEditButtonViewInfo* previous, POINT offset) const {
  if (previous != nullptr && LooksAsBefore(*previous)) return false;
  RECT r = Bounds;
  OffsetRect(&r, offset.x, offset.y);
  InvalidateRect(window, &r, EraseBackground);
  return true;
}

// --- TvxEditAlignment ------------------------------------------------------------------

void TvxEditAlignment::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TvxEditAlignment*>(source);
  if (src == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  FVert = src->FVert;
  FHorz = src->FHorz;
  FIsHorzAssigned = src->FIsHorzAssigned;
  DoChanged();
}

void TvxEditAlignment::SetHorz(TAlignment value) {
  if (FIsHorzAssigned && FHorz == value) return;
  FHorz = value;
  FIsHorzAssigned = true;
  DoChanged();
}

void TvxEditAlignment::SetVert(TvxEditVertAlignment value) {
  if (FVert == value) return;
  FVert = value;
  DoChanged();
}

void TvxEditAlignment::Reset() {
  FIsHorzAssigned = false;
  DoChanged();
}

void TvxEditAlignment::DoChanged() {
  if (OnChanged) OnChanged(this);
}

// --- Default values provider -----------------------------------------------------------

TvxCustomEditDefaultValuesProvider::~TvxCustomEditDefaultValuesProvider() { ClearUsage(); }

void TvxCustomEditDefaultValuesProvider::ClearUsage() {
  if (!GEditPropertiesList) return;
  // Identity by the object behind the interface: one provider may be reached by several
  // interface pointers.
  for (TvxCustomEditProperties* properties : *GEditPropertiesList) {
    IvxEditDefaultValuesProvider* provider = properties->DefaultValuesProvider();
    if (provider != nullptr && provider->GetInstance() == this) properties->ClearDefaultValuesProvider();
  }
}

// --- TvxCustomEditPropertiesValues -----------------------------------------------------

TvxCustomEditPropertiesValuesClass TvxCustomEditPropertiesValues::ValuesClass() {
  static const TvxEditPropertiesValuesClassInfo info{
      {"TvxCustomEditPropertiesValues"},
      [](TvxCustomEditProperties* owner) { return new TvxCustomEditPropertiesValues(owner); }};
  return &info;
}

TPersistent* TvxCustomEditPropertiesValues::GetOwner() const { return FOwner; }

void TvxCustomEditPropertiesValues::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TvxCustomEditPropertiesValues*>(source);
  if (src == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  SetReadOnly(src->FReadOnly);
}

void TvxCustomEditPropertiesValues::RestoreDefaults() { SetReadOnly(false); }

void TvxCustomEditPropertiesValues::SetReadOnly(bool value) {
  if (value == FReadOnly) return;
  FReadOnly = value;
  FOwner->Changed();
}

void TvxCustomEditPropertiesValues::BeginUpdate() { FOwner->BeginUpdate(); }

void TvxCustomEditPropertiesValues::EndUpdate() { FOwner->EndUpdate(); }

bool TvxCustomEditPropertiesValues::IsPropertyPublished(const AnsiString& name) const {
  return FOwner->IsPublishedProperty(name);
}

// --- TvxCustomEditProperties -----------------------------------------------------------

bool vxInheritsFrom(TvxCustomEditPropertiesClass cls, TvxCustomEditPropertiesClass ancestor) {
  for (; cls != nullptr; cls = cls->Parent)
    if (cls == ancestor) return true;
  return false;
}

TvxCustomEditProperties::TvxCustomEditProperties(TPersistent* owner) : TvxInterfacedPersistent(owner) {
  if (GEditPropertiesList) GEditPropertiesList->push_back(this);
  FFreeNotificator = std::make_unique<TvxFreeNotificator>(nullptr);
  FFreeNotificator->OnFreeNotification = [this](TComponent* component) { FreeNotification(component); };
  FAlignment = std::make_unique<TvxEditAlignment>(this);
  FAlignment->OnChanged = [this](TObject*) { AlignmentChanged(); };
  FButtons = std::make_unique<TvxEditButtons>(this);
  FWorkingAlignment = std::make_unique<TvxEditAlignment>(this);
}

TvxCustomEditProperties::~TvxCustomEditProperties() {
  FDestroying = true;
  ClearDefaultValuesProvider();
  FButtons.reset();
  FWorkingAlignment.reset();
  FAssignedValues.reset();
  FAlignment.reset();
  FFreeNotificator.reset();
  if (GEditPropertiesList) {
    auto& list = *GEditPropertiesList;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

TvxCustomEditPropertiesClass TvxCustomEditProperties::PropertiesClass() {
  static const TvxEditPropertiesClassInfo info{
      {"TvxCustomEditProperties"}, nullptr, [](TPersistent* owner) { return new TvxCustomEditProperties(owner); }};
  return &info;
}

TvxCustomEditPropertiesValues* TvxCustomEditProperties::AssignedValues() const {
  if (!FAssignedValues)
    FAssignedValues.reset(GetAssignedValuesClass()->Create(const_cast<TvxCustomEditProperties*>(this)));
  return FAssignedValues.get();
}

void TvxCustomEditProperties::EndUpdate(bool changed) {
  if (FUpdateCount < 1) return;
  if (--FUpdateCount == 0 && changed) Changed();
}

void TvxCustomEditProperties::Changed() {
  if (FDestroying || IsChangeLocked()) return;
  if (auto* owner = dynamic_cast<TComponent*>(GetOwner()); owner != nullptr && owner->IsDestroying()) return;
  if (OnPropertiesChanged) OnPropertiesChanged(this);
}

bool TvxCustomEditProperties::OwnerIsEditor() const {
  // Properties belong to an editor (a control), a repository item or nothing.
  return dynamic_cast<TControl*>(GetOwner()) != nullptr;
}

bool TvxCustomEditProperties::ReadOnly() const {
  if (AssignedValues()->ReadOnly()) return FReadOnly;
  return FDefaultValuesProvider != nullptr && FDefaultValuesProvider->DefaultReadOnly();
}

void TvxCustomEditProperties::SetReadOnly(bool value) {
  if (AssignedValues()->ReadOnly() && FReadOnly == value) return;
  // Marking the value assigned tells nobody by itself: the change is told once, below.
  BeginUpdate();
  AssignedValues()->SetReadOnly(true);
  FReadOnly = value;
  EndUpdate(false);
  Changed();
}

bool TvxCustomEditProperties::CanModify() const {
  if (AssignedValues()->ReadOnly() && !FReadOnly) return true;
  if (ReadOnly()) return false;
  return FDefaultValuesProvider == nullptr || FDefaultValuesProvider->DefaultCanModify();
}

bool TvxCustomEditProperties::UseLeftAlignmentOnEditing() const {
  return FUseLeftAlignmentOnEditing.value_or(DefaultUseLeftAlignmentOnEditing());
}

void TvxCustomEditProperties::SetUseLeftAlignmentOnEditing(bool value) {
  const bool old = UseLeftAlignmentOnEditing();
  FUseLeftAlignmentOnEditing = value;
  if (old != value) Changed();
}

TvxEditAlignment* TvxCustomEditProperties::Alignment() const {
  // The published copy shows the alignment in effect; refreshing it is no change.
  TNotifyEvent handler = std::move(FAlignment->OnChanged);
  FAlignment->OnChanged = nullptr;
  FAlignment->Assign(FWorkingAlignment.get());
  if (!FWorkingAlignment->IsHorzAssigned()) FAlignment->FHorz = GetDefaultHorzAlignment();
  FAlignment->OnChanged = std::move(handler);
  return FAlignment.get();
}

void TvxCustomEditProperties::SetAlignment(const TvxEditAlignment* value) {
  FWorkingAlignment->Assign(value);
  Changed();
}

void TvxCustomEditProperties::AlignmentChanged() {
  FWorkingAlignment->Assign(FAlignment.get());
  Changed();
}

TAlignment TvxCustomEditProperties::GetDefaultHorzAlignment() const {
  return FDefaultValuesProvider != nullptr ? FDefaultValuesProvider->DefaultAlignment() : FAlignment->Horz();
}

void TvxCustomEditProperties::SetDefaultValuesProvider(IvxEditDefaultValuesProvider* value) {
  FDefaultValuesProvider = value;
  if (OwnerIsEditor()) Changed();
}

AnsiString TvxCustomEditProperties::GetValidationErrorText(int kind) const {
  return vxLoadResourceString(scxEditValidateErrorText);
}

bool TvxCustomEditProperties::IsDataAvailable(bool flag) const {
  const TvxEditSupportedOperations operations = GetSupportedOperations();
  if (flag || (operations & 1) == 0 || FDefaultValuesProvider == nullptr) return false;
  return FDefaultValuesProvider->IsDataAvailable((operations & 2) == 0);
}

bool TvxCustomEditProperties::CompareDisplayValues(const Variant& a, const Variant& b) {
  Variant da, db;
  PrepareDisplayValue(a, da, false);
  PrepareDisplayValue(b, db, false);
  return VarEquals(da, db);
}

TvxCustomEditProperties* TvxCustomEditProperties::CreatePropertiesCopy() const { return ClassType()->Create(nullptr); }

int TvxCustomEditProperties::GetEditButtonsFeatures() const { return FButtons->Count() > 0 ? 32 : 0; }

void TvxCustomEditProperties::RestoreDefaults() {
  FWorkingAlignment->Reset();
  BeginUpdate();
  AssignedValues()->RestoreDefaults();
  EndUpdate(false);
  Changed();
}

bool TvxCustomEditProperties::IsPublishedProperty(const AnsiString& name) const {
  // The base publishes its alignment; everything else it keeps is set from code.
  return SameText(name, "Alignment");
}

TvxCustomEditClass vxCustomEditClass() {
  return vxObjectClassOf<TvxCustomEdit, TvxCustomEdit, TComponent*>("TvxCustomEdit");
}

TvxCustomEditViewDataClass TvxCustomEditProperties::GetViewDataClass() const {
  return TvxCustomEditViewData::ViewDataClass();
}

TvxContainerViewInfoClass TvxCustomEditProperties::GetViewInfoClass() const {
  return TvxCustomEditViewInfo::ViewInfoClass();
}

std::unique_ptr<TvxCustomEditViewData> TvxCustomEditProperties::CreateViewData(TvxCustomEditStyle* style,
                                                                               bool inplace) {
  return std::unique_ptr<TvxCustomEditViewData>(GetViewDataClass()->Create(this, style, inplace));
}

void TvxCustomEditProperties::ValidateDisplayValue(Variant& displayValue, AnsiString& errorText, bool& error,
                                                   TvxCustomEdit* edit) {
  if (!CanValidate()) return;
  if (errorText.empty()) errorText = GetValidationErrorText(0);
  if (edit != nullptr) edit->DoOnValidate(displayValue, errorText, error);
}

void TvxCustomEditProperties::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TvxCustomEditProperties*>(source);
  if (src == nullptr) {
    TvxInterfacedPersistent::Assign(source);
    return;
  }
  BeginUpdate();
  struct TEnd {
    TvxCustomEditProperties* Properties;
    ~TEnd() { Properties->EndUpdate(true); }
  } end{this};
  SetAutoSelect(src->FAutoSelect);
  FButtons->Assign(src->FButtons.get());
  SetMultiRowText(src->FMultiRowText);
  FBeepOnError = src->FBeepOnError;
  FClearKey = src->FClearKey;
  FClickKey = src->FClickKey;
  SetUseLeftAlignmentOnEditing(src->UseLeftAlignmentOnEditing());
  FDefaultValuesProvider = src->FDefaultValuesProvider;
  SetAlignment(src->Alignment());
  AssignedValues()->SetReadOnly(false);
  if (src->AssignedValues()->ReadOnly()) SetReadOnly(src->ReadOnly());
  FImmediatePost = src->FImmediatePost;
  SetKeepTab(src->FKeepTab);
  FUseMouseWheel = src->FUseMouseWheel;
  FValidateOnEnter = src->FValidateOnEnter;
  OnButtonClick = src->OnButtonClick;
  OnChange = src->OnChange;
  OnEditValueChanged = src->OnEditValueChanged;
  OnValidate = src->OnValidate;
}

// --- View info and view data -------------------------------------------------------------

namespace {

int RectWidth(const RECT& r) { return r.right - r.left; }

bool IsEmptyArea(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool Contains(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

bool IsUltraFlatBorder(TvxContainerBorderStyle style) { return style == cbsUltraFlat || style == cbsOffice11; }

constexpr TShiftState kMouseButtons = ssLeft | ssRight | ssMiddle;

// The Office-2003-like gradient of a button (top colour, bottom colour) by its state.
std::pair<TColor, TColor> Office11ButtonGradient(TvxEditButtonState state) {
  switch (state) {
    case ebsHot: return {Office11SchemeColor13(), Office11SchemeColor22()};
    case ebsPressed: return {Office11SchemeColor14(), Office11SchemeColor23()};
    default: return {Office11SchemeColor5(), Office11SchemeColor4()};
  }
}

// Restores a canvas's device context (and with it the clip region) on leaving a scope.
class TSavedDC {
public:
  explicit TSavedDC(TvxCanvas& canvas) : FCanvas(canvas.Canvas()), FSaved(FCanvas.SaveDC()) {}
  ~TSavedDC() { FCanvas.RestoreDC(FSaved); }
  TSavedDC(const TSavedDC&) = delete;
  TSavedDC& operator=(const TSavedDC&) = delete;

private:
  TCanvas& FCanvas;
  int FSaved;
};

}  // namespace

TvxContainerViewInfoClass TvxCustomEditViewInfo::ViewInfoClass() {
  return vxObjectClassOf<TvxCustomEditViewInfo, TvxContainerViewInfo>("TvxCustomEditViewInfo");
}

std::unique_ptr<TvxEditButtonViewInfo> TvxCustomEditViewInfo::CreateButtonViewInfo() const {
  return std::make_unique<TvxEditButtonViewInfo>();
}

void TvxCustomEditViewInfo::SetButtonCount(int count) {
  const size_t n = static_cast<size_t>(std::max(count, 0));
  while (ButtonsInfo.size() > n) ButtonsInfo.pop_back();
  while (ButtonsInfo.size() < n) ButtonsInfo.push_back(CreateButtonViewInfo());
}

void TvxCustomEditViewInfo::Assign(const TvxContainerViewInfo* source) {
  TvxContainerViewInfo::Assign(source);
  auto* src = dynamic_cast<const TvxCustomEditViewInfo*>(source);
  if (src == nullptr) return;
  BackgroundColor = src->BackgroundColor;
  BorderColor = src->BorderColor;
  ContentRect = src->ContentRect;
  BorderStyle = src->BorderStyle;
  BorderWidth = src->BorderWidth;
  Bounds = src->Bounds;
  ContainerState = src->ContainerState;
  Edges = src->Edges;
  HotState = src->HotState;
  NativeStyle = src->NativeStyle;
  Shadow = src->Shadow;
  NativePart = src->NativePart;
  NativeState = src->NativeState;
  ThemedObjectType = src->ThemedObjectType;
  ButtonStyle = src->ButtonStyle;
  Font = src->Font;
  TextColor = src->TextColor;
  InplaceBorderExtent = src->InplaceBorderExtent;
  Inplace = src->Inplace;
  Edit = src->Edit;
  SetButtonCount(src->ButtonCount());
  for (int i = 0; i < ButtonCount(); ++i) ButtonsInfo[i]->Assign(src->ButtonsInfo[i].get());
  PressedButton = src->PressedButton;
  HotButton = src->HotButton;
}

void TvxCustomEditViewInfo::Offset(int dx, int dy) {
  TvxContainerViewInfo::Offset(dx, dy);
  for (auto& button : ButtonsInfo) OffsetRect(&button->Bounds, dx, dy);
}

void TvxCustomEditViewInfo::Paint(TvxCanvas& canvas) { PaintBackgroundAndButtons(canvas, 0, true); }

void TvxCustomEditViewInfo::PaintBackgroundAndButtons(TvxCanvas& canvas, int borderVariant, bool fill) {
  {
    TSavedDC saved(canvas);
    for (auto& button : ButtonsInfo) canvas.ExcludeClipRect(button->Bounds);
    if (!DoCustomDrawBackground(canvas))
      vxDrawEditBackground(canvas, *this, IsInplace(), InplaceBorderExtent, fill, borderVariant);
  }
  for (int i = 0; i < ButtonCount(); ++i) {
    if (Contains(Bounds, ButtonsInfo[i]->Bounds)) {
      DrawButton(canvas, i);
    } else {
      TSavedDC saved(canvas);
      canvas.IntersectClipRect(Bounds);
      DrawButton(canvas, i);
    }
  }
}

bool TvxCustomEditViewInfo::DoCustomDrawBackground(TvxCanvas& canvas) {
  return OnCustomDrawBackground && OnCustomDrawBackground(this, canvas);
}

void TvxCustomEditViewInfo::DrawButton(TvxCanvas& canvas, int index) {
  const TvxEditButtonViewInfo& button = *ButtonsInfo.at(static_cast<size_t>(index));
  if (IsEmptyArea(button.Bounds)) return;
  if (OnCustomDrawButton && OnCustomDrawButton(this, canvas, button, button.Bounds)) return;
  if (button.IsThemed()) {
    // The style's button may leave its corners to what lies under it: the editor's background.
    if (button.NativeTransparent) canvas.FillRect(button.Bounds, BackgroundColor);
    const RECT content = vxDrawThemedEditButton(canvas, button);
    DrawButtonContent(canvas, button, content, clBtnFace, clBtnText);
    return;
  }
  TColor bkColor = clBtnFace, contentColor = clBtnText;
  const RECT content = DrawButtonBorder(canvas, button, bkColor, contentColor);
  DrawButtonContent(canvas, button, content, bkColor, contentColor);
}

RECT TvxCustomEditViewInfo::DrawButtonBorder(TvxCanvas& canvas, const TvxEditButtonViewInfo& button,
                                             TColor& bkColor, TColor& contentColor) {
  TvxEditButtonStyle style = ButtonStyle;
  // A simple button shows that it is pressed or hot with the flat button's edge.
  if (style == btsSimple && (button.State == ebsPressed || button.State == ebsHot)) style = btsFlat;
  return vxDrawEditButtonBorder(canvas, button, style, bkColor, contentColor);
}

void TvxCustomEditViewInfo::DrawButtonContent(TvxCanvas& canvas, const TvxEditButtonViewInfo& button,
                                              const RECT& contentRect, TColor bkColor, TColor contentColor) {
  TvxEditButtonContentParams params;
  params.Style = ButtonStyle;
  params.Font = Font;
  params.EditTextColor = TextColor;
  params.DrawBackground = [this, &button](TvxCanvas& target, const RECT& r, TColor color) {
    DrawButtonBackground(target, button, r, color);
  };
  vxDrawEditButtonContent(canvas, button, contentRect, bkColor, contentColor, params);
}

void TvxCustomEditViewInfo::DrawButtonBackground(TvxCanvas& canvas, const TvxEditButtonViewInfo& button,
                                                 const RECT& r, TColor color) {
  if (OnCustomDrawButtonBackground && OnCustomDrawButtonBackground(this, canvas, button, r)) return;
  if (button.Transparent) {
    vxFillRect(canvas.Handle(), r, vxGetSolidBrush(BackgroundColor));
  } else if (ButtonStyle == btsOffice11 && button.State != ebsDisabled) {
    // The gradient runs over the whole button, so that every part of it matches.
    const auto [top, bottom] = Office11ButtonGradient(button.State);
    TSavedDC saved(canvas);
    canvas.IntersectClipRect(r);
    FillGradientRect(canvas.Handle(), button.Bounds, top, false, bottom);
  } else {
    vxFillRect(canvas.Handle(), r, vxGetSolidBrush(color));
  }
}

bool TvxCustomEditViewInfo::IsHotTrackButton() const {
  return std::any_of(ButtonsInfo.begin(), ButtonsInfo.end(), [](auto& b) { return b->State == ebsHot; });
}

int TvxCustomEditViewInfo::HitTestButton(POINT p) const {
  for (int i = 0; i < ButtonCount(); ++i)
    if (PtInRect(&ButtonsInfo[i]->Bounds, p)) return i;
  return -1;
}

bool TvxCustomEditViewInfo::LayoutChanged(const TvxCustomEditViewInfo& previous) const {
  constexpr TvxContainerState kLook = vxcsDisabled | vxcsFocused;
  if (!EqualRect(&Bounds, &previous.Bounds) || !EqualRect(&ContentRect, &previous.ContentRect) ||
      !EqualRect(&ClientRect, &previous.ClientRect) || (ContainerState & kLook) != (previous.ContainerState & kLook) ||
      BorderStyle != previous.BorderStyle || BorderColor != previous.BorderColor ||
      BorderWidth != previous.BorderWidth || (NativeStyle && NativeState != previous.NativeState) ||
      BackgroundColor != previous.BackgroundColor || ButtonCount() != previous.ButtonCount())
    return true;
  for (int i = 0; i < ButtonCount(); ++i)
    if (!EqualRect(&ButtonsInfo[i]->Bounds, &previous.ButtonsInfo[i]->Bounds)) return true;
  return false;
}

bool TvxCustomEditViewInfo::Repaint(TWinControl& owner, const TvxContainerViewInfo* previous) {
  if (!owner.HandleAllocated()) return false;
  auto* prev = dynamic_cast<const TvxCustomEditViewInfo*>(previous);
  if (prev == nullptr || LayoutChanged(*prev)) {
    InvalidateRect(owner.Handle(), &Bounds, FALSE);
    return true;
  }
  bool repainted = false;
  for (int i = 0; i < ButtonCount(); ++i)
    repainted |= ButtonsInfo[i]->Repaint(owner.Handle(), prev->ButtonsInfo[i].get(), POINT{0, 0});
  return repainted;
}

std::unique_ptr<TvxRegion> TvxCustomEditViewInfo::GetUpdateRegion(const TvxContainerViewInfo* previous) const {
  auto* prev = dynamic_cast<const TvxCustomEditViewInfo*>(previous);
  if (prev == nullptr || LayoutChanged(*prev)) return std::make_unique<TvxRegion>(Bounds);
  auto region = std::make_unique<TvxRegion>();
  for (int i = 0; i < ButtonCount(); ++i)
    region->Combine(ButtonsInfo[i]->GetUpdateRegion(prev->ButtonsInfo[i].get()), roAdd);
  return region;
}

TvxCustomEditViewData::TvxCustomEditViewData(TvxCustomEditProperties* properties, TvxCustomEditStyle* style,
                                             bool inplace)
    : Properties(properties), Style(style), IsInplace(inplace) {}

TvxCustomEditViewDataClass TvxCustomEditViewData::ViewDataClass() {
  return vxObjectClassOf<TvxCustomEditViewData, TvxCustomEditViewData, TvxCustomEditProperties*,
                         TvxCustomEditStyle*, bool>("TvxCustomEditViewData");
}

bool TvxCustomEditViewData::IsNativeStyle() const {
  return Style->LookAndFeel()->NativeStyle() && AreVisualStylesAvailable(totEdit);
}

TvxContainerState TvxCustomEditViewData::GetContainerState(const RECT& bounds) const {
  if (!Enabled) return vxcsDisabled;
  const bool focused = Edit != nullptr && Edit->Focused();
  if (IsInplace && !focused) return vxcsNormal;
  TvxContainerState state = focused ? vxcsFocused : vxcsNormal;
  // While a mouse button is held the mouse may be anywhere; it makes the editor hot only
  // when the editor took the press.
  const bool held = (Shift & kMouseButtons) != 0;
  if (PtInRect(&bounds, MousePos) && (!held || (WindowHandle != nullptr && GetCapture() == WindowHandle)))
    state |= vxcsHot;
  return state;
}

int TvxCustomEditViewData::GetBorderNativeState() const {
  if (!Enabled) return ETS_DISABLED;
  if (Properties->ReadOnly()) return ETS_READONLY;
  if (Focused) return ETS_FOCUSED;
  if (Hot) return ETS_HOT;
  return ETS_NORMAL;
}

TvxEditButtonStyle TvxCustomEditViewData::GetButtonsStyle() const {
  const TvxEditButtonStyle style = Style->ButtonStyle();
  if (style != btsDefault) return style;
  if (IsInplace) {
    constexpr TvxEditButtonStyle kByKind[] = {btsFlat, bts3D, btsUltraFlat, btsOffice11};
    return kByKind[Style->LookAndFeel()->Kind()];
  }
  // By TvxEditBorderStyle (the container's border styles in the same order).
  constexpr TvxEditButtonStyle kByBorder[] = {btsSimple, btsHotFlat, bts3D, btsFlat, bts3D, btsUltraFlat, btsOffice11};
  return kByBorder[Style->BorderStyle()];
}

TColor TvxCustomEditViewData::GetBorderColor() const {
  const TvxContainerBorderStyle border = Style->BorderStyle();
  if (!IsUltraFlatBorder(border)) return Style->BorderColor();
  const bool highlighted = Focused || (Hot && Style->HotTrack());
  return highlighted ? vxEditBorderHighlightColor(border == cbsOffice11) : clBtnShadow;
}

RECT TvxCustomEditViewData::GetBorderExtent() const {
  if (IsInplace) return InplaceBorderExtent;
  RECT extent{0, 0, 0, 0};
  const bool native = IsNativeStyle();
  if (Style->TransparentBorder()) {
    extent = RECT{2, 2, 2, 2};
  } else if (Style->HasBorder()) {
    if (native) {
      extent = RECT{2, 2, 2, 2};
    } else {
      const TvxContainerBorderStyle border = Style->BorderStyle();
      const int w = vxContainerBorderWidth[IsUltraFlatBorder(border) ? cbsSingle : border];
      const TvxBorders edges = Style->Edges();
      extent = RECT{edges & bLeft ? w : 0, edges & bTop ? w : 0, edges & bRight ? w : 0, edges & bBottom ? w : 0};
    }
  }
  if (!native && vxEditHasShadow(*Style)) {
    extent.right += vxContainerShadowWidth;
    extent.bottom += vxContainerShadowWidth;
  }
  return extent;
}

RECT TvxCustomEditViewData::GetTextMargins() const { return IsInplace ? RECT{1, 1, 1, 1} : RECT{1, 1, 1, 3}; }

bool TvxCustomEditViewData::AreButtonsTransparent() const {
  const TvxEditButtonTransparency transparency = Style->ButtonTransparency();
  return transparency == ebtAlways || (transparency == ebtInactive && !Focused && !Hot);
}

void TvxCustomEditViewData::Calculate(TvxCanvas& canvas, const RECT& bounds, POINT p,
                                      std::optional<TMouseButton> button, TShiftState shift,
                                      TvxCustomEditViewInfo& viewInfo) {
  MousePos = p;
  Button = button;
  Shift = shift;
  if (Edit != nullptr) Enabled = Edit->Enabled();
  TvxCustomEditViewInfo& info = viewInfo;
  info.Edit = Edit;
  info.Inplace = IsInplace;
  info.InplaceBorderExtent = InplaceBorderExtent;

  info.ContainerState = GetContainerState(bounds);
  Focused = (info.ContainerState & vxcsFocused) != 0;
  Hot = (info.ContainerState & vxcsHot) != 0;
  info.NativeStyle = IsNativeStyle();
  info.HotState = IsInplace || !Style->HotTrack() || !Enabled ? 0 : Focused || Hot ? 2 : 1;
  const TvxContainerBorderStyle border = IsInplace ? cbsNone : Style->BorderStyle();
  info.BorderStyle = !info.NativeStyle && IsUltraFlatBorder(border) ? cbsSingle : border;
  info.BorderWidth = vxContainerBorderWidth[info.BorderStyle];
  info.BorderColor = GetBorderColor();
  info.ThemedObjectType = totEdit;
  info.NativePart = EP_EDITTEXT;
  info.NativeState = GetBorderNativeState();
  TColor background = Style->GetVisibleColor();
  if (info.NativeStyle && !Enabled) {
    COLORREF fill = ColorToRGB(background);
    GetThemeColor(OpenTheme(totEdit), EP_EDITTEXT, info.NativeState, TMT_FILLCOLOR, fill);
    background = static_cast<TColor>(fill);
  }
  info.SetBackgroundColor(background);
  info.Font = Style->GetVisibleFont();
  info.TextColor = Style->TextColor();
  info.ButtonStyle = GetButtonsStyle();

  info.Bounds = bounds;
  info.Edges = Style->Edges();
  info.Shadow = !IsInplace && !info.NativeStyle && vxEditHasShadow(*Style);
  const RECT extent = GetBorderExtent();
  info.ContentRect = RECT{bounds.left + extent.left, bounds.top + extent.top, bounds.right - extent.right,
                          bounds.bottom - extent.bottom};
  info.ClientRect = info.ContentRect;
  CalculateButtonsViewInfo(canvas, info);
}

void TvxCustomEditViewData::InitButtonViewData(TvxEditButtonViewData& data, const TvxEditButton& button, int index,
                                               bool onlyButton, bool nativeStyle) const {
  data.ButtonIndex = index;
  data.Kind = button.Kind();
  data.Caption = button.Caption();
  data.StrippedCaption = button.StrippedCaption();
  data.TextColor = button.TextColor();
  data.Default = button.Default();
  data.Glyph = button.SharedGlyph();
  data.Enabled = Enabled;
  data.Gradient = Style->GradientButtons();
  data.Inplace = IsInplace;
  data.LeftAlignment = button.LeftAlignment();
  data.Stretchable = button.Stretchable();
  data.Width = button.Width();
  data.OnlyDownButton = onlyButton && button.Kind() == bkDown;
  data.Transparent = AreButtonsTransparent();
  data.NativeStyle = nativeStyle;
  data.ComboStyle = IsComboBoxStyle() && button.Kind() == bkDown;
}

void TvxCustomEditViewData::CalculateButtonsViewInfo(TvxCanvas& canvas, TvxCustomEditViewInfo& viewInfo) {
  TvxEditButtons& buttons = *Properties->Buttons();
  std::vector<int> visible;
  for (int i = 0; i < buttons.Count(); ++i)
    if (buttons.Items(i)->Visible()) visible.push_back(i);
  const int count = static_cast<int>(visible.size());
  viewInfo.SetButtonCount(count);
  viewInfo.PressedButton = -1;
  viewInfo.HotButton = -1;
  NeedsMouseCapture = false;
  if (viewInfo.Font != nullptr) canvas.SetFont(*viewInfo.Font);

  // From the last button to the first: the last one of each side sits at the editor's edge.
  RECT& rest = viewInfo.ClientRect;
  int outerLeft = -1, outerRight = -1;
  for (int i = count - 1; i >= 0; --i) {
    const TvxEditButton& button = *buttons.Items(visible[i]);
    TvxEditButtonViewInfo& info = *viewInfo.ButtonsInfo[i];
    InitButtonViewData(info, button, visible[i], count == 1, viewInfo.NativeStyle);
    const int width = std::min(vxCalculateEditButtonWidth(canvas, info), std::max(RectWidth(rest), 0));
    if (IsEmptyArea(rest)) {
      info.Bounds = RECT{rest.left, rest.top, rest.left, rest.top};
    } else if (info.LeftAlignment) {
      info.Bounds = RECT{rest.left, rest.top, rest.left + width, rest.bottom};
      rest.left += width;
      if (outerLeft < 0) outerLeft = i;
    } else {
      info.Bounds = RECT{rest.right - width, rest.top, rest.right, rest.bottom};
      rest.right -= width;
      if (outerRight < 0) outerRight = i;
    }
  }
  // The buttons keep their widths: the space meant for them is what they asked for, so none
  // is left over to share out.

  const bool leftHeld = (Shift & ssLeft) != 0;
  const bool anyHeld = (Shift & kMouseButtons) != 0;
  for (int i = 0; i < count; ++i) {
    TvxEditButtonViewInfo& info = *viewInfo.ButtonsInfo[i];
    const bool over = PtInRect(&info.Bounds, MousePos) != FALSE;
    if (!Enabled || !buttons.Items(visible[i])->Enabled())
      info.State = ebsDisabled;
    else if (leftHeld && over)
      info.State = ebsPressed;
    else if (!anyHeld && over)
      info.State = ebsHot;
    else
      info.State = ebsNormal;
    if (info.State == ebsPressed) viewInfo.PressedButton = i;
    if (info.State == ebsHot) viewInfo.HotButton = i;
    vxCalculateEditButtonThemeData(info);
    // A button faces its neighbours (another button or the text) on its inner side, and on
    // its outer side too unless it stands at the editor's edge.
    if (info.LeftAlignment)
      info.NeighbourEdges = i == outerLeft ? bRight : bLeft | bRight;
    else
      info.NeighbourEdges = i == outerRight ? bLeft : bLeft | bRight;
  }
  NeedsMouseCapture = viewInfo.PressedButton >= 0;
}

SIZE TvxCustomEditViewData::GetEditConstantPartSize(TvxCanvas& canvas) {
  canvas.SetFont(*Style->GetVisibleFont());
  TvxEditButtons& buttons = *Properties->Buttons();
  const int count = buttons.VisibleCount();
  const bool native = IsNativeStyle();
  int width = 0;
  for (int i = 0; i < buttons.Count(); ++i) {
    if (!buttons.Items(i)->Visible()) continue;
    TvxEditButtonViewData data;
    InitButtonViewData(data, *buttons.Items(i), i, count == 1, native);
    width += vxCalculateEditButtonWidth(canvas, data);
  }
  const RECT extent = GetBorderExtent();
  return SIZE{width + extent.left + extent.right, extent.top + extent.bottom};
}

SIZE TvxCustomEditViewData::GetEditSize(TvxCanvas& canvas, const Variant& editValue) {
  SIZE size = GetEditConstantPartSize(canvas);
  const int textHeight = canvas.TextHeight("Zg");
  // What the buttons need: the tallest glyph and, in place, the tallest caption, in the frame
  // of the button style.
  int buttonHeight = 0;
  if (Properties->SizeOption() == 0) {
    TvxEditButtons& buttons = *Properties->Buttons();
    const bool native = IsNativeStyle();
    const TvxEditButtonStyle style = GetButtonsStyle();
    for (int i = 0; i < buttons.Count(); ++i) {
      const TvxEditButton& button = *buttons.Items(i);
      if (!button.Visible()) continue;
      TvxEditButtonViewData data;
      InitButtonViewData(data, button, i, false, native);
      // A themed button's frame is the style's content margins, not the table's extent.
      vxCalculateEditButtonThemeData(data);
      int content = 0;
      if (data.Kind == bkGlyph && vxIsGlyphAssigned(data.Glyph.get()))
        content = data.Glyph->Height();
      else if (data.Kind == bkText && IsInplace)
        content = canvas.TextHeight(data.Caption);
      buttonHeight = std::max(buttonHeight, content + vxGetEditButtonBorderExtent(data, style));
    }
  }
  const RECT margins = GetTextMargins();
  size.cy += std::max(textHeight, buttonHeight) + margins.top + margins.bottom;
  int width = std::min<int>(size.cx, MaxWidth), height = std::min<int>(size.cy, MaxHeight);
  if (Edit != nullptr) Edit->Constraints().Apply(width, height);
  return SIZE{width, height};
}

// --- Registry ------------------------------------------------------------------------------

TvxRegisteredClasses& GetRegisteredEditProperties() {
  if (!GRegisteredEditProperties) {
    GRegisteredEditProperties = std::make_unique<TvxRegisteredClasses>(false);
    GRegisteredEditProperties->SetSorted(true);
  }
  return *GRegisteredEditProperties;
}

// --- TvxEditRepositoryItem -------------------------------------------------------------

TvxEditRepositoryItem::TvxEditRepositoryItem(TComponent* owner) : TComponent(owner) {}

TvxEditRepositoryItem::~TvxEditRepositoryItem() {
  Destroying();
  vxForEachListedBackward(FListeners, [this](IvxEditRepositoryItemListener* listener) { listener->ItemRemoved(this); });
  SetRepository(nullptr);
  FProperties.reset();
}

TvxEditRepositoryItemClass TvxEditRepositoryItem::ItemClass() {
  static const TvxEditRepositoryItemClassInfo info{
      {"TvxEditRepositoryItem"}, [](TComponent* owner) { return new TvxEditRepositoryItem(owner); }};
  return &info;
}

TvxCustomEditProperties* TvxEditRepositoryItem::Properties() const {
  if (!FProperties) {
    auto* self = const_cast<TvxEditRepositoryItem*>(this);
    FProperties.reset(GetEditPropertiesClass()->Create(self));
    FProperties->OnPropertiesChanged = [self](TObject* sender) { self->PropertiesChanged(sender); };
  }
  return FProperties.get();
}

void TvxEditRepositoryItem::PropertiesChanged(TObject* sender) {
  vxForEachListedBackward(FListeners,
                          [this](IvxEditRepositoryItemListener* listener) { listener->ItemPropertiesChanged(this); });
}

void TvxEditRepositoryItem::AddListener(IvxEditRepositoryItemListener* listener) {
  if (listener != nullptr && std::find(FListeners.begin(), FListeners.end(), listener) == FListeners.end())
    FListeners.push_back(listener);
}

void TvxEditRepositoryItem::RemoveListener(IvxEditRepositoryItemListener* listener) {
  FListeners.erase(std::remove(FListeners.begin(), FListeners.end(), listener), FListeners.end());
}

void TvxEditRepositoryItem::SetRepository(TvxEditRepository* value) {
  if (value == FRepository) return;
  if (FRepository != nullptr) {
    auto& items = FRepository->FItems;
    items.erase(std::remove(items.begin(), items.end(), this), items.end());
  }
  FRepository = value;
  if (value != nullptr && std::find(value->FItems.begin(), value->FItems.end(), this) == value->FItems.end())
    value->FItems.push_back(this);
}

TComponent* TvxEditRepositoryItem::GetParentComponent() const { return FRepository; }

void TvxEditRepositoryItem::SetParentComponent(TComponent* parent) {
  if (!IsLoading()) SetRepository(dynamic_cast<TvxEditRepository*>(parent));
}

// --- TvxEditRepository -----------------------------------------------------------------

TvxEditRepository::~TvxEditRepository() { Clear(); }

TvxEditRepositoryItem* TvxEditRepository::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
  return FItems[static_cast<size_t>(index)];
}

void TvxEditRepository::Clear() {
  // Each item leaves the list as it is freed.
  while (!FItems.empty()) delete FItems.back();
}

TvxEditRepositoryItem* TvxEditRepository::CreateItem(TvxEditRepositoryItemClass itemClass) {
  return CreateItemEx(itemClass, this);
}

TvxEditRepositoryItem* TvxEditRepository::CreateItemEx(TvxEditRepositoryItemClass itemClass, TComponent* owner) {
  TvxEditRepositoryItem* item = itemClass->Create(owner);
  item->SetRepository(this);
  return item;
}

void TvxEditRepository::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const {
  for (TvxEditRepositoryItem* item : FItems)
    if (item->Owner() == root) proc(item);
}

// --- Edit base control -----------------------------------------------------------------

namespace {

bool SameVariant(const Variant& a, const Variant& b) { return a.VarType() == b.VarType() && VarEquals(a, b); }

// The character a caption marks with "&" as its accelerator is ch (letters in either case);
// "&&" is a plain ampersand.
bool IsAccelerator(char ch, const AnsiString& caption) {
  const std::string_view s(caption);
  for (size_t i = 0; i < s.size(); i = NextCharIndex(s, i)) {
    if (s[i] != '&') continue;
    if (++i >= s.size()) return false;
    if (s[i] == '&') continue;
    if (IsLeadByte(static_cast<unsigned char>(s[i]))) continue;
    return AnsiUpperCase(std::string_view(&s[i], 1)) == AnsiUpperCase(std::string_view(&ch, 1));
  }
  return false;
}

WPARAM ShiftStateToKeys(TShiftState shift) {
  WPARAM keys = 0;
  if (shift & ssShift) keys |= MK_SHIFT;
  if (shift & ssCtrl) keys |= MK_CONTROL;
  if (shift & ssLeft) keys |= MK_LBUTTON;
  if (shift & ssMiddle) keys |= MK_MBUTTON;
  if (shift & ssRight) keys |= MK_RBUTTON;
  return keys;
}

// The application has the active window (a control of an inactive application counts as not
// focused).
bool IsApplicationActive() { return GetActiveWindow() != nullptr; }

}  // namespace

LRESULT vxCopyTextToBuffer(const AnsiString& text, WPARAM size, LPARAM buffer) {
  if (size == 0 || buffer == 0) return 0;
  const size_t room = static_cast<size_t>(size) - 1;
  size_t count = 0;
  while (count < text.size()) {
    const size_t next = NextCharIndex(text, count);
    if (next > room) break;
    count = next;
  }
  char* out = reinterpret_cast<char*>(buffer);
  std::copy_n(text.data(), count, out);
  out[count] = '\0';
  return static_cast<LRESULT>(count);
}

// --- TvxEditDataBinding ----------------------------------------------------------------

TvxEditDataBinding::TvxEditDataBinding(TvxCustomEdit* edit)
    : TvxEditDataBinding(edit, std::make_unique<TvxCustomEditDefaultValuesProvider>(nullptr)) {}

TvxEditDataBinding::TvxEditDataBinding(TvxCustomEdit* edit,
                                       std::unique_ptr<TvxCustomEditDefaultValuesProvider> provider)
    : FEdit(edit), FProvider(std::move(provider)) {}

TvxEditDataBinding::~TvxEditDataBinding() = default;

TvxEditDataBindingClass TvxEditDataBinding::BindingClass() {
  return vxObjectClassOf<TvxEditDataBinding, TvxEditDataBinding, TvxCustomEdit*>("TvxEditDataBinding");
}

bool TvxEditDataBinding::ModifiedAfterEnter() const { return FEdit->ModifiedAfterEnter(); }

Variant TvxEditDataBinding::StoredValue() const {
  Variant display;
  FEdit->GetDisplayValue(display);
  return Variant(display.IsNull() ? AnsiString() : display.AsString());
}

void TvxEditDataBinding::UpdateDisplayValue() { FEdit->SynchronizeDisplayValue(); }

void TvxEditDataBinding::SetDisplayValue(const Variant& value) { FEdit->SetDisplayValue(value); }

// --- TvxCustomEditData -----------------------------------------------------------------

TvxCustomEditData::TvxCustomEditData(TvxCustomEdit* edit) : FEdit(edit) {
  FFreeNotificator = std::make_unique<TvxFreeNotificator>(nullptr);
  FFreeNotificator->OnFreeNotification = [this](TComponent* sender) {
    if (sender == FEdit) FEdit = nullptr;
  };
  if (edit != nullptr) FFreeNotificator->AddSender(edit);
  Clear();
}

TvxCustomEditData::~TvxCustomEditData() {
  if (FEdit != nullptr && FEdit->FEditData == this) FEdit->FEditData = nullptr;
}

void TvxCustomEditData::Clear() {
  FCleared = true;
  if (FEdit != nullptr && FEdit->FEditData == this) FEdit->ResetEditData(this);
}

// --- TvxCustomEdit ---------------------------------------------------------------------

TvxCustomEdit::TvxCustomEdit(TComponent* owner, bool inplace) : TvxCustomEdit(owner, inplace, TvxEditClasses{}) {}

TvxCustomEdit::TvxCustomEdit(TComponent* owner, bool inplace, const TvxEditClasses& classes)
    : TvxContainer(owner, TvxEditStyle::StyleClass()), FClasses(classes), FIsInplace(inplace) {
  Initialize();
}

void TvxCustomEdit::Initialize() {
  FChangeEventsCatcher = std::make_unique<TvxEditChangeEventsCatcher>(this);
  FProperties.reset(FClasses.Properties->Create(this));
  RecreateViewInfo();
  FillInplaceViewDataCache();
  SetControlStyle(ControlStyle() | csCaptureMouse | csSetCaption);
  SetTabStop(true);
  CreateInnerEdit();
  if (FInnerEdit != nullptr) {
    InitializeInnerEdit();
    SetInnerControl(FInnerEdit->GetControl());
  }
  // The styles took the default controller while the container did not know yet that it is in
  // place; an in-place editor has none.
  if (FIsInplace) Style()->SetStyleController(nullptr);
  FDataBinding.reset(GetDataBindingClass()->Create(this));
  FEditValue = Variant::Null();
  ConnectOwnProperties(true);
  FDblClickTimer = std::make_unique<TvxTimer>(nullptr);
  FDblClickTimer->SetEnabled(false);
  FDblClickTimer->SetInterval(vxGetDoubleClickTime());
  FDblClickTimer->SetOnTimer([this](TObject*) { FDblClickTimer->SetEnabled(false); });
  if (!FIsInplace) FProperties->SetDefaultValuesProvider(FDataBinding->DefaultValuesProvider());
  EditViewInfo()->Edit = this;
  FInitialized = true;
  TControl::SetAutoSize(!FIsInplace);
}

TvxCustomEdit::~TvxCustomEdit() {
  Destroying();
  FDblClickTimer.reset();
  if (FRepositoryItem != nullptr) FRepositoryItem->RemoveListener(this);
  if (FInnerEdit != nullptr) RestoreInnerWindow();
  // The inner control goes first, while the editor it may call is still whole.
  FInnerEdit = nullptr;
  delete FInnerEditControl;
  FInnerEditControl = nullptr;
  ConnectOwnProperties(false);
  if (!FIsInplace) FProperties->ClearDefaultValuesProvider();
  if (FEditData != nullptr) FEditData->FEdit = nullptr;
  FDataBinding.reset();
  FModifiedStack.clear();
  FProperties.reset();
  FChangeEventsCatcher.reset();
}

void TvxCustomEdit::CreateInnerEdit() {
  if (FClasses.InnerEdit == nullptr) return;
  FInnerEditControl = FClasses.InnerEdit->Create(this);
  if (auto* helper = dynamic_cast<IvxInnerEditHelper*>(FInnerEditControl))
    FInnerEdit = helper->GetHelper();
  else
    FInnerEdit = dynamic_cast<IvxCustomInnerEdit*>(FInnerEditControl);
}

void TvxCustomEdit::InitializeInnerEdit() {
  TWinControl* control = FInnerEdit->GetControl();
  control->SetParent(this);
  // The editor shows the hints; the inner control does not follow its ShowHint.
  control->SetParentShowHint(false);
}

void TvxCustomEdit::FillInplaceViewDataCache() {
  const std::unique_ptr<TvxCustomEditViewData> data = CreateViewData();
  FInplaceCache.BorderExtent = RECT{};
  FInplaceCache.TextMargins = data->GetTextMargins();
  FInplaceCache.Reserved = false;
  FInplaceCache.WidthCorrection = 3 - (FInplaceCache.TextMargins.left + FInplaceCache.TextMargins.right);
  FInplaceCache.NativeWithButtons =
      data->IsNativeStyle() && FIsInplace && vxHasEditButtons(true, ActiveProperties()->Buttons());
}

void TvxCustomEdit::FillSizeProperties(TvxEditSizeProperties& sizeProperties) {
  sizeProperties = TvxEditSizeProperties{};
  sizeProperties.MaxLineCount = 1;
  sizeProperties.Width = Width();
}

void TvxCustomEdit::ConnectOwnProperties(bool connect) {
  if (connect)
    FProperties->OnPropertiesChanged = [this](TObject* sender) { PropertiesChanged(sender); };
  else
    FProperties->OnPropertiesChanged = nullptr;
}

// --- Value and modified state ----------------------------------------------------------

Variant TvxCustomEdit::EditValue() {
  Variant value;
  GetEditValue(value);
  return value;
}

void TvxCustomEdit::SetEditValue(const Variant& value) {
  if (FInnerControlLock > 0) return;
  LockEditValueChanging(true);
  TAtScopeEnd unlock([this] { LockEditValueChanging(false); });
  if (!FIsEditing || DoEditing()) InternalSetEditValue(value, true);
}

void TvxCustomEdit::SetEditValueUnlocked(const Variant& value) {
  if (FInnerControlLock > 0) return;
  if (!FIsEditing || DoEditing()) InternalSetEditValue(value, true);
}

void TvxCustomEdit::InternalSetEditValue(const Variant& value, bool validate) {
  if (FIsEditing && !DoEditing()) return;
  const bool changed = ActiveProperties()->DetectsEditValueChange() && !SameVariant(value, FEditValue);
  FEditValue = value;
  SynchronizeDisplayValue();
  if (FIsEditing)
    SetModifiedAfterEnter(true);
  else
    SetModified(false);
  if (!changed) return;
  FireEditValueChanged();
  if (!ActiveProperties()->SuppressesChangeNotification()) FireChange();
}

void TvxCustomEdit::LockEditValueChanging(bool lock) {
  if (lock)
    ++FEditValueChangeLock;
  else if (FEditValueChangeLock > 0)
    --FEditValueChangeLock;
}

void TvxCustomEdit::LockInnerControl(bool lock) {
  if (lock)
    ++FInnerControlLock;
  else if (FInnerControlLock > 0)
    --FInnerControlLock;
}

void TvxCustomEdit::SetModified(bool value) {
  FModified = value;
  if (!value) FModifiedAfterEnter = false;
}

void TvxCustomEdit::SetModifiedAfterEnter(bool value) {
  FModifiedAfterEnter = value;
  if (!value) return;
  FModified = true;
  FPosted = false;
}

void TvxCustomEdit::SaveModified() { FModifiedStack.push_back({FModified, FModifiedAfterEnter}); }

void TvxCustomEdit::RestoreModified() {
  if (FModifiedStack.empty()) return;
  const TModifiedState state = FModifiedStack.back();
  FModifiedStack.pop_back();
  FModified = state.Modified;
  FModifiedAfterEnter = state.ModifiedAfterEnter;
}

void TvxCustomEdit::InternalSetDisplayValue(const Variant& value) {
  SaveModified();
  TAtScopeEnd restore([this] { RestoreModified(); });
  StoreDisplayValue(value);
}

void TvxCustomEdit::PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool focused) {
  ActiveProperties()->PrepareDisplayValue(editValue, displayValue, focused);
}

void TvxCustomEdit::Clear() { SetEditValue(Variant()); }

void TvxCustomEdit::ChangeHandler() {
  if (Focused()) SetModifiedAfterEnter(true);
  FireChange();
  if (!ActiveProperties()->SuppressesChangeNotification()) FireEditValueChanged();
}

// --- Change events ---------------------------------------------------------------------

void TvxCustomEdit::LockChangeEvents(bool lock, bool fire) {
  TvxEditChangeEventsCatcher& catcher = *FChangeEventsCatcher;
  if (lock) {
    if (catcher.FLockCount == 0) catcher.FChangePending = catcher.FEditValueChangedPending = false;
    ++catcher.FLockCount;
    return;
  }
  if (catcher.FLockCount > 0) --catcher.FLockCount;
  if (catcher.FLockCount > 0) return;
  const bool change = catcher.FChangePending, editValueChanged = catcher.FEditValueChangedPending;
  catcher.FChangePending = catcher.FEditValueChangedPending = false;
  if (!fire || IsLoading() || IsDestroying()) return;
  TvxObjectLinkHolder link(this);
  if (change && IsChangeAssigned()) DoOnChange();
  if (link.Object() != nullptr && editValueChanged && IsEditValueChangedAssigned()) DoOnEditValueChanged();
}

bool TvxCustomEdit::IsChangeAssigned() {
  return FProperties->OnChange != nullptr || ActiveProperties()->OnChange != nullptr;
}

bool TvxCustomEdit::IsEditValueChangedAssigned() {
  return FProperties->OnEditValueChanged != nullptr || ActiveProperties()->OnEditValueChanged != nullptr;
}

void TvxCustomEdit::FireChange() {
  if (FChangeEventsCatcher->IsLocked()) {
    FChangeEventsCatcher->FChangePending = true;
  } else if (!IsLoading() && !IsDestroying() && IsChangeAssigned()) {
    FireNow(&TvxCustomEdit::DoOnChange);
  }
}

void TvxCustomEdit::FireEditValueChanged() {
  if (FChangeEventsCatcher->IsLocked()) {
    FChangeEventsCatcher->FEditValueChangedPending = true;
  } else if (!IsLoading() && !IsDestroying() && IsEditValueChangedAssigned()) {
    FireNow(&TvxCustomEdit::DoOnEditValueChanged);
  }
}

void TvxCustomEdit::FireNow(void (TvxCustomEdit::*fire)()) {
  if (!FIsInplace) {
    (this->*fire)();
    return;
  }
  // The in-place owner reads the editor as changed while it hears of the change.
  const bool modified = FModified, modifiedAfterEnter = FModifiedAfterEnter;
  FModified = FModifiedAfterEnter = true;
  TvxObjectLinkHolder link(this);
  TAtScopeEnd restore([&] {
    if (link.Object() == nullptr) return;
    FModified = modified;
    FModifiedAfterEnter = modifiedAfterEnter;
  });
  (this->*fire)();
}

void TvxCustomEdit::DoOnChange() {
  if (FProperties->OnChange) FProperties->OnChange(this);
  if (FRepositoryItem != nullptr && FRepositoryItem->Properties()->OnChange)
    FRepositoryItem->Properties()->OnChange(this);
}

void TvxCustomEdit::DoOnEditValueChanged() {
  if (FProperties->OnEditValueChanged) FProperties->OnEditValueChanged(this);
  if (FRepositoryItem != nullptr && FRepositoryItem->Properties()->OnEditValueChanged)
    FRepositoryItem->Properties()->OnEditValueChanged(this);
}

// --- Editing permission ----------------------------------------------------------------

bool TvxCustomEdit::DoEditing() {
  if (!IsEditingAllowed()) return false;
  if (FDataBinding->ModifiedAfterEnter()) return true;
  TvxFlagScope asking(FIsAskingEditing);
  bool canEdit = CanModify();
  if (canEdit && OnEditing) OnEditing(this, canEdit);
  return canEdit;
}

bool TvxCustomEdit::CanModify() {
  TvxCustomEditProperties* properties = ActiveProperties();
  if (FIsInplace) return properties->CanModify();
  if (properties->AssignedValues()->ReadOnly() && !properties->ReadOnly()) return true;
  return !properties->ReadOnly() && FDataBinding->DefaultValuesProvider()->DefaultCanModify() &&
         FDataBinding->CanModify();
}

bool TvxCustomEdit::IsReadOnly() {
  return ActiveProperties()->ReadOnly() || !FDataBinding->DefaultValuesProvider()->DefaultCanModify();
}

bool TvxCustomEdit::CanPostEditValue() { return FDataBinding->ModifiedAfterEnter() && !IsDesigning(); }

// --- Validation and posting ------------------------------------------------------------

bool TvxCustomEdit::ValidateEdit() {
  const bool result = DoValidateEdit(true);
  if (result) {
    SynchronizeDisplayValue();
    FPosted = true;
  }
  return result;
}

bool TvxCustomEdit::DoValidateEdit(bool raiseError) {
  if (!FModifiedAfterEnter || FPosted || FIsValidating) return true;
  Variant displayValue;
  GetDisplayValue(displayValue);
  AnsiString errorText;
  bool error = false;
  {
    TvxFlagScope validating(FIsValidating);
    TvxCustomEditProperties* properties = ActiveProperties();
    if (properties->CanValidate()) properties->ValidateDisplayValue(displayValue, errorText, error, this);
  }
  if (error) {
    // A silent validation changes nothing: the refused text is not taken as the value.
    if (!raiseError) return false;
    DoValidationError(errorText);
    Variant shown;
    GetDisplayValue(shown);
    if (!SameVariant(shown, displayValue)) SetDisplayValue(displayValue);
    if (Visible()) SynchronizeEditValue();
    return false;
  }
  if (FIsEditing && !DoEditing()) return false;
  InternalSetDisplayValue(displayValue);
  if (!FIsInplace && !Focused()) SetModifiedAfterEnter(false);
  FPosted = true;
  return true;
}

void TvxCustomEdit::DoOnValidate(Variant& displayValue, AnsiString& errorText, bool& error) {
  const AnsiString before = displayValue.IsNull() ? AnsiString() : displayValue.AsString();
  TvxObjectLinkHolder link(this);
  if (FProperties->OnValidate) FProperties->OnValidate(this, displayValue, errorText, error);
  if (link.Object() != nullptr && FRepositoryItem != nullptr && FRepositoryItem->Properties()->OnValidate)
    FRepositoryItem->Properties()->OnValidate(this, displayValue, errorText, error);
  if (link.Object() == nullptr || !error) return;
  const AnsiString after = displayValue.IsNull() ? AnsiString() : displayValue.AsString();
  if (after == before) GetDisplayValue(displayValue);
}

void TvxCustomEdit::DoValidationError(const AnsiString& errorText) {
  if (!Visible() || IsDestroying()) return;
  TWinControl* inner = FInnerEdit != nullptr ? FInnerEdit->GetControl() : nullptr;
  if (inner != nullptr && inner->CanFocus())
    inner->SetFocus();
  else if (CanFocus())
    TWinControl::SetFocus();
  SelectAll();
  if (ActiveProperties()->BeepOnError()) SystemBeep();
  if (!errorText.empty()) throw EvxEditError(errorText);
}

void TvxCustomEdit::DoPostEditValue(bool validate) {
  if (validate) {
    TvxEditingScope notEditing(*this, false);
    if (!DoValidateEdit(true)) return;
  }
  if (FIsInplace) {
    if (OnPostEditValue) OnPostEditValue(this);
    SetModified(false);
  } else {
    FDataBinding->StoreValue(EditValue());
  }
}

void TvxCustomEdit::Reset() {
  if (!FModifiedAfterEnter || !ActiveProperties()->CanReset()) return;
  LockChangeEvents(true);
  try {
    SetModifiedAfterEnter(false);
    SetEditValueUnlocked(FDataBinding->IsDataSourceConnected() ? FDataBinding->StoredValue() : FPrevEditValue);
    SetModified(true);
    SelectAll();
    if (ActiveProperties()->ImmediatePost() && CanPostEditValue()) DoPostEditValue(false);
  } catch (...) {
    LockChangeEvents(false);
    throw;
  }
  LockChangeEvents(false);
}

// --- Properties and repository item ----------------------------------------------------

TvxCustomEditProperties* TvxCustomEdit::ActiveProperties() {
  if (FRepositoryItem == nullptr) return FProperties.get();
  TvxCustomEditProperties* properties = FRepositoryItem->Properties();
  if (FDataBinding != nullptr && properties->DefaultValuesProvider() != FDataBinding->DefaultValuesProvider())
    properties->SetDefaultValuesProvider(FDataBinding->DefaultValuesProvider());
  return properties;
}

bool TvxCustomEdit::CanAcceptRepositoryItem(TvxEditRepositoryItem* item) {
  return item == nullptr || vxInheritsFrom(item->Properties()->ClassType(), GetPropertiesClass());
}

void TvxCustomEdit::SetRepositoryItem(TvxEditRepositoryItem* value) {
  if (value == FRepositoryItem) return;
  if (!CanAcceptRepositoryItem(value))
    throw EvxEditError(vxLoadResourceString(scxEditRepositoryItemNotAcceptable));
  BeforeRepositoryItemChange();
  if (FRepositoryItem != nullptr) FRepositoryItem->RemoveListener(this);
  FRepositoryItem = value;
  if (value != nullptr) value->AddListener(this);
  if (value != nullptr) {
    FProperties->ClearDefaultValuesProvider();
    PropertiesChanged(ActiveProperties());
    ConnectOwnProperties(false);
  } else if (!IsLoading() && !IsDestroying()) {
    ConnectOwnProperties(true);
    FProperties->SetDefaultValuesProvider(FDataBinding->DefaultValuesProvider());
  }
  RepositoryItemChanged();
}

void TvxCustomEdit::ItemRemoved(TvxEditRepositoryItem* sender) {
  if (sender == FRepositoryItem) SetRepositoryItem(nullptr);
}

void TvxCustomEdit::ItemPropertiesChanged(TvxEditRepositoryItem* sender) {
  if (sender == FRepositoryItem) PropertiesChanged(sender->Properties());
}

void TvxCustomEdit::PropertiesChanged(TObject* sender) {
  FPosted = false;
  if (FInnerEdit != nullptr) FInnerEdit->SetReadOnly(IsReadOnly());
  // What the user typed stays the user's through a settings change (the text edit leaves a
  // modified text as it stands), so that leaving validates and takes it; a change that makes
  // the editor read-only ends the edit, and the next change asks again.
  if (FModifiedAfterEnter && CanPostEditValue() && !CanModify()) SetModifiedAfterEnter(false);
  const bool validates = FProperties->OnValidate || (FRepositoryItem != nullptr && ActiveProperties()->OnValidate);
  if (FInnerEdit != nullptr && validates) UpdateInnerEditOptions();
  UpdateHotState();
}

// --- Keys --------------------------------------------------------------------------------

int TvxCustomEdit::DefaultButtonIndex() {
  TvxEditButtons* buttons = ActiveProperties()->Buttons();
  for (int i = 0; i < buttons->Count(); ++i)
    if (buttons->Items(i)->Visible() && buttons->Items(i)->Default()) return i;
  return -1;
}

bool TvxCustomEdit::IsClickKey(WORD key, TShiftState shift) {
  return DefaultButtonIndex() >= 0 && ShortCut(key, shift) == ActiveProperties()->ClickKey();
}

void TvxCustomEdit::DefaultButtonClick() {
  const int index = DefaultButtonIndex();
  if (index >= 0) DoButtonClick(index);
}

void TvxCustomEdit::DoButtonClick(int buttonIndex) {
  TvxObjectLinkHolder link(this);
  if (FProperties->OnButtonClick) FProperties->OnButtonClick(this, buttonIndex);
  if (link.Object() != nullptr && FRepositoryItem != nullptr && FRepositoryItem->Properties()->OnButtonClick)
    FRepositoryItem->Properties()->OnButtonClick(this, buttonIndex);
}

bool TvxCustomEdit::IsValidChar(char key) {
  IvxEditDefaultValuesProvider* provider = FDataBinding->DefaultValuesProvider();
  return provider == nullptr || provider->IsValidChar(key);
}

bool TvxCustomEdit::CanKeyDownProceed(WORD key, TShiftState shift) {
  return FDataBinding->ModifiedAfterEnter() || !CanKeyDownModifyEdit(key, shift) || DoEditing();
}

void TvxCustomEdit::DoAfterKeyDown(WORD& key, TShiftState shift) {
  if (OnAfterKeyDown) OnAfterKeyDown(this, key, shift);
}

void TvxCustomEdit::KeyDown(WORD& key, TShiftState shift) {
  FEscapeSwallow = false;
  TvxObjectLinkHolder link(this);
  // The default button's key reaches neither OnKeyDown nor the Tab handling of the container.
  if (!IsClickKey(key, shift)) TvxControl::KeyDown(key, shift);
  if (link.Object() != nullptr && key != 0) DoEditKeyDown(key, shift);
}

void TvxCustomEdit::DoEditKeyDown(WORD& key, TShiftState shift) {
  if (key == 0) return;
  TvxCustomEditProperties* properties = ActiveProperties();
  const TShortCut shortCut = ShortCut(key, shift);
  if (properties->ClearKey() != scNone && shortCut == properties->ClearKey()) {
    TvxEditingScope editing(*this, true);
    SetEditValueUnlocked(Variant::Null());
    FPosted = true;
    key = 0;
    return;
  }
  if (shortCut == properties->ClickKey() && DefaultButtonIndex() >= 0) {
    // The key's character (Ctrl+Enter gives a line feed) must not reach the text.
    MSG msg;
    if (PeekMessageA(&msg, GetFocus(), WM_CHAR, WM_CHAR, PM_REMOVE) && msg.message == WM_QUIT)
      PostQuitMessage(static_cast<int>(msg.wParam));
    DefaultButtonClick();
    key = 0;
    return;
  }
  if (!CanKeyDownProceed(key, shift)) {
    DoAfterKeyDown(key, shift);
    key = 0;
    return;
  }
  switch (key) {
    case VK_TAB:
      if (Focused() && (shift & (ssAlt | ssCtrl)) == 0 && !properties->KeepTab()) {
        TvxObjectLinkHolder link(this);
        TabPressed();
        if (link.Object() == nullptr) return;
        DoAfterKeyDown(key, shift);
        if (link.Object() == nullptr || key != VK_TAB) return;
        key = 0;
        if (TCustomForm* form = GetParentForm(this)) form->SelectNext(this, (shift & ssShift) == 0, true);
        if (link.Object() != nullptr && FInnerEdit != nullptr && FInnerEdit->GetControl()->HandleAllocated() &&
            GetFocus() == FInnerEdit->GetControl()->Handle())
          FInnerEdit->SafelySetFocus();
      }
      return;
    case VK_RETURN:
      if (properties->ValidateOnEnter()) {
        key = 0;
        LockChangeEvents(true);
        try {
          if (DoValidateEdit(true) && CanPostEditValue()) DoPostEditValue(false);
        } catch (...) {
          LockChangeEvents(false);
          throw;
        }
        LockChangeEvents(false);
      }
      return;
    case VK_ESCAPE:
      if (FModifiedAfterEnter) {
        Reset();
        FEscapeSwallow = true;
        key = 0;
      }
      return;
  }
  if (!WantsNavigationKeys() && key >= VK_PRIOR && key <= VK_DOWN) {
    DoAfterKeyDown(key, shift);
    key = 0;
  }
}

void TvxCustomEdit::KeyPress(char& key) {
  if (key == VK_ESCAPE && FEscapeSwallow) {
    // The Escape that undid a change ends here.
    FEscapeSwallow = false;
    key = 0;
    return;
  }
  TvxContainer::KeyPress(key);
  if (key != 0) DoEditKeyPress(key);
}

void TvxCustomEdit::DoEditKeyPress(char& key) { DoKeyPressFilter(key); }

bool TvxCustomEdit::DoKeyPressFilter(char& key) {
  if (vxIsTextChar(key) && !IsValidChar(key)) {
    key = 0;
    SystemBeep();
    return false;
  }
  if (!FDataBinding->ModifiedAfterEnter() && CanKeyPressModifyEdit(key) && !DoEditing()) key = 0;
  return key != 0;
}

LRESULT TvxCustomEdit::CMDialogChar(TMessage& m) {
  const char ch = static_cast<char>(m.WParam);
  TvxEditButtons* buttons = ActiveProperties()->Buttons();
  // A disabled button (or editor) is not clicked by its accelerator either.
  if (Enabled()) {
    for (int i = 0; i < buttons->Count(); ++i) {
      TvxEditButton* button = buttons->Items(i);
      if (button->Visible() && button->Enabled() && IsAccelerator(ch, button->Caption())) {
        DoButtonClick(i);
        return 1;
      }
    }
  }
  return TvxContainer::Dispatch(m);
}

// --- Focus -------------------------------------------------------------------------------

bool TvxCustomEdit::HasFocus() {
  if (Focused()) return true;
  TCustomForm* form = GetParentForm(this);
  if (form == nullptr) return false;
  TWinControl* active = form->ActiveControl();
  return active != nullptr &&
         (active == this || (FInnerEdit != nullptr && active == FInnerEdit->GetControl()));
}

void TvxCustomEdit::FocusChanged() {
  const bool focused = Focused() && IsApplicationActive();
  if (focused == FFocused) return;
  FFocused = focused;
  TvxObjectLinkHolder link(this);
  TvxContainer::FocusChanged();
  if (link.Object() == nullptr) return;
  Invalidate();
  if (focused) return;
  // A form closed modally with a result other than Cancel takes the value without a word; a
  // refused value is not taken (the editor keeps the value it had when it was entered).
  TCustomForm* form = GetParentForm(this);
  if (form == nullptr || form->Visible() || (form->FormState() & fsModal) == 0 ||
      form->ModalResult() == mrNone || form->ModalResult() == mrCancel)
    return;
  if (DoValidateEdit(false)) return;
  TvxEditingScope notEditing(*this, false);
  if (!SameVariant(EditValue(), FPrevEditValue))
    InternalSetEditValue(FPrevEditValue, false);
  else
    SynchronizeDisplayValue();
}

void TvxCustomEdit::DoEnter() {
  if (IsDestroying()) return;
  SaveModified();
  {
    TAtScopeEnd restore([this] { RestoreModified(); });
    TvxContainer::DoEnter();
    FDataBinding->Refresh();
    if (ActiveProperties()->KeepsValueOnEnter()) FPrevEditValue = EditValue();
    SynchronizeDisplayValue();
  }
  SetModifiedAfterEnter(false);
  UpdateHotState();
}

void TvxCustomEdit::DoExit() {
  if (IsDestroying()) return;
  TvxEditingScope notEditing(*this, false);
  SaveModified();
  if (FModifiedAfterEnter) {
    LockChangeEvents(true);
    bool valid = false;
    try {
      valid = DoValidateEdit(true);
    } catch (...) {
      // The focus went back to the editor: it is not left.
      LockChangeEvents(false);
      RestoreModified();
      throw;
    }
    if (!valid) {
      LockChangeEvents(false);
      RestoreModified();
      return;
    }
    if (!FIsInplace && CanPostEditValue()) DoPostEditValue(false);
    LockChangeEvents(false);
  }
  FDataBinding->Refresh();
  UpdateHotState();
  RestoreModified();
  TvxContainer::DoExit();
  SetModifiedAfterEnter(false);
}

// --- Activation --------------------------------------------------------------------------

void TvxCustomEdit::ResetEditData(TvxCustomEditData* data) { data->SetCleared(false); }

void TvxCustomEdit::Activate(TvxCustomEditData*& data) {
  if (data == nullptr && FClasses.EditData != nullptr) data = FClasses.EditData->Create(this);
  FEditData = data;
  if (data != nullptr && data->Cleared()) ResetEditData(data);
  SetVisible(true);
  if (HandleAllocated() && CanFocus()) {
    // The container does not focus an in-place editor itself: its inner control takes it.
    TWinControl* inner = FInnerEdit != nullptr ? FInnerEdit->GetControl() : nullptr;
    if (inner != nullptr && inner->CanFocus())
      inner->SetFocus();
    else
      TWinControl::SetFocus();
    if (ActiveProperties()->AutoSelect()) SelectAll();
  }
  SynchronizeDisplayValue();
  SetModified(false);
}

void TvxCustomEdit::ActivateByKey(char key, TvxCustomEditData*& data) {
  SubclassInnerWindow();
  // A handler of the key may free the editor: then its destruction has put the inner
  // window's procedure back, and nothing here may touch it any more.
  TvxObjectLinkHolder link(this);
  try {
    Activate(data);
    if (link.Object() != nullptr && CanKeyActivate(key))
      SendMessageA(Handle(), WM_CHAR, static_cast<unsigned char>(key), 0);
  } catch (...) {
    if (link.Object() != nullptr) RestoreInnerWindow();
    throw;
  }
  if (link.Object() != nullptr) RestoreInnerWindow();
}

void TvxCustomEdit::ActivateByMouse(TShiftState shift, int x, int y, TvxCustomEditData*& data) {
  Activate(data);
  const POINT p = ScreenToClient(POINT{x, y});
  const LPARAM at = MAKELPARAM(p.x, p.y);
  const WPARAM keys = ShiftStateToKeys(shift);
  if (shift & ssLeft) {
    SendMessageA(Handle(), WM_LBUTTONDOWN, keys, at);
    // The press came from outside: when the button is up already, nothing will release it.
    if (HandleAllocated() && GetCapture() == Handle() && GetAsyncKeyState(VK_LBUTTON) >= 0) ReleaseCapture();
  } else {
    SendMessageA(Handle(), WM_LBUTTONUP, keys, at);
  }
  FDblClickTimer->SetEnabled(true);
}

bool TvxCustomEdit::IsDoubleClickTimerRunning() const { return FDblClickTimer && FDblClickTimer->Enabled(); }

void TvxCustomEdit::InnerWindowProc(TMessage& message) { FInnerWindowInstance->CallPrevious(message); }

void TvxCustomEdit::SubclassInnerWindow() {
  if (FInnerEdit == nullptr) return;
  TWinControl* inner = FInnerEdit->GetControl();
  FInnerWindowInstance = std::make_unique<TObjectInstance>([this](TMessage& m) { InnerWindowProc(m); });
  FInnerWindowInstance->Install(inner->Handle());
}

void TvxCustomEdit::RestoreInnerWindow() {
  if (FInnerEdit == nullptr || !FInnerWindowInstance) return;
  FInnerWindowInstance->Restore();
  FInnerWindowInstance.reset();
}

// --- Size, hot state, window -------------------------------------------------------------

bool TvxCustomEdit::CanAutoSize() { return !FIsInplace && AutoSize(); }

bool TvxCustomEdit::CanAutoWidth() { return ActiveProperties()->SizeOption() == 2; }

bool TvxCustomEdit::CanAutoSize(int& width, int& height) {
  if (!TvxContainer::CanAutoSize(width, height)) return false;
  if (!FInitialized || IsLoading() || !CanAutoSize()) return true;
  TvxScreenCanvas* canvas = vxScreenCanvas();
  if (canvas == nullptr) return true;
  const SIZE size = CreateViewData()->GetEditSize(*canvas, EditValue());
  const TAlign align = Align();
  if (CanAutoWidth() && (align == TAlign::alNone || align == TAlign::alLeft || align == TAlign::alRight))
    width = size.cx;
  if (align == TAlign::alNone || align == TAlign::alTop || align == TAlign::alBottom) height = size.cy;
  return true;
}

void TvxCustomEdit::SetAutoSize(bool value) {
  if (value == AutoSize()) return;
  if (value && Parent() != nullptr) HandleNeeded();
  TvxContainer::SetAutoSize(value);
  if (value && FInnerEdit != nullptr) AdjustInnerEditPosition();
  UpdateHotState();
}

int TvxCustomEdit::Height() {
  if (!FReadingHeight && !HandleAllocated() && Parent() != nullptr && !IsDestroying()) {
    TvxFlagScope reading(FReadingHeight);
    HandleNeeded();
  }
  return TvxContainer::Height();
}

void TvxCustomEdit::AdjustInnerEditPosition() {
  if (FInnerEdit == nullptr) return;
  RECT client = EditViewInfo()->ClientRect;
  AlignControls(FInnerEdit->GetControl(), client);
}

void TvxCustomEdit::AdjustInnerControl() {
  TvxContainer::AdjustInnerControl();
  if (FInnerEdit != nullptr) AdjustInnerEditPosition();
}

// --- Layout and painting -----------------------------------------------------------------

TvxCustomEditViewInfo* TvxCustomEdit::EditViewInfo() const { return static_cast<TvxCustomEditViewInfo*>(ViewInfo()); }

TvxContainerViewInfoClass TvxCustomEdit::GetViewInfoClass() const {
  // Asked by the container's constructor too, before the properties exist.
  if (!FProperties) return TvxCustomEditViewInfo::ViewInfoClass();
  return const_cast<TvxCustomEdit*>(this)->ActiveProperties()->GetViewInfoClass();
}

std::unique_ptr<TvxCustomEditViewData> TvxCustomEdit::CreateViewData() {
  auto* style = static_cast<TvxCustomEditStyle*>(ActiveStyle());
  std::unique_ptr<TvxCustomEditViewData> data = ActiveProperties()->CreateViewData(style, FIsInplace);
  if (FIsInplace) data->InplaceBorderExtent = FInplaceCache.BorderExtent;
  // An editor that lacks the inner control its class makes cannot answer for itself.
  const bool usable = !IsDestroying() && (FClasses.InnerEdit == nullptr || FInnerEdit != nullptr);
  data->Edit = usable ? this : nullptr;
  if (HandleAllocated()) data->WindowHandle = Handle();
  InitializeViewData(*data);
  return data;
}

void TvxCustomEdit::CalculateViewInfo(POINT p, bool allowHot) {
  TvxScreenCanvas* canvas = vxScreenCanvas();
  if (canvas == nullptr) return TvxContainer::CalculateViewInfo(p, allowHot);
  // The view data decides the hot states itself (of the editor and of each button).
  const RECT bounds{0, 0, Width(), Height()};
  TvxContainerStyle* style = ActiveStyle();
  CreateViewData()->Calculate(*canvas, bounds, p, FRefreshButton, FRefreshShift, *EditViewInfo());
  // The new state may take another style: lay the editor out again with that one.
  if (ActiveStyle() != style) CreateViewData()->Calculate(*canvas, bounds, p, FRefreshButton, FRefreshShift, *EditViewInfo());
}

bool TvxCustomEdit::RefreshContainer(POINT p, std::optional<TMouseButton> button, TShiftState shift,
                                     bool isMouseEvent) {
  if (IsDestroying()) return true;
  std::unique_ptr<TvxContainerViewInfo> previous(GetViewInfoClass()->Create());
  previous->Assign(EditViewInfo());
  FRefreshButton = button;
  FRefreshShift = shift;
  TvxObjectLinkHolder link(this);
  TvxContainer::RefreshContainer(p, button, shift, isMouseEvent);
  FRefreshButton.reset();
  FRefreshShift = 0;
  if (link.Object() == nullptr) return true;
  auto& before = static_cast<TvxCustomEditViewInfo&>(*previous);
  EditViewInfo()->Repaint(*this, &before);
  if (EditViewInfo()->PressedButton != before.PressedButton) PressedButtonChanged(before);
  return true;
}

void TvxCustomEdit::PressedButtonChanged(const TvxCustomEditViewInfo& previous) {
  TvxCustomEditViewInfo& info = *EditViewInfo();
  const int pressed = info.PressedButton;
  if (pressed >= 0) {
    const int index = info.ButtonsInfo[static_cast<size_t>(pressed)]->ButtonIndex;
    TvxObjectLinkHolder link(this);
    DoButtonDown(index);
    // The press of a button the mouse was over clicks it.
    if (link.Object() != nullptr && previous.HotButton == pressed) DoButtonClick(index);
  } else if (previous.PressedButton >= 0 && previous.PressedButton < previous.ButtonCount()) {
    DoButtonUp(previous.ButtonsInfo[static_cast<size_t>(previous.PressedButton)]->ButtonIndex);
  }
}

void TvxCustomEdit::Paint() {
  IvxEditDefaultValuesProvider* provider = FDataBinding ? FDataBinding->DefaultValuesProvider() : nullptr;
  if ((ControlState() & csPaintCopy) != 0 && provider != nullptr && provider->IsDataBound())
    PaintCopy();
  else
    TvxContainer::Paint();
}

void TvxCustomEdit::PaintCopy() {
  TvxCanvas& canvas = Canvas();
  SetVisibleBoundsClipRect(canvas);
  std::unique_ptr<TvxContainerViewInfo> copy(FProperties->GetViewInfoClass()->Create());
  auto& info = static_cast<TvxCustomEditViewInfo&>(*copy);
  const RECT bounds{0, 0, Width(), Height()};
  const std::unique_ptr<TvxCustomEditViewData> data = CreateViewData();
  data->EditValueToDrawValue(FDataBinding->StoredValue(), info);
  data->Calculate(canvas, bounds, POINT{-1, -1}, std::nullopt, 0, info);
  info.PaintEx(canvas);
  canvas.ExcludeClipRect(bounds);
}

void TvxCustomEdit::UpdateHotState() {
  if (FUpdatingHotState) return;
  TvxFlagScope updating(FUpdatingHotState);
  ShortRefreshContainer(false);
}

void TvxCustomEdit::SetParent(TWinControl* parent) {
  const bool first = !FParentAssigned && parent != nullptr;
  TvxContainer::SetParent(parent);
  if (!first) return;
  FParentAssigned = true;
  PropertiesChanged(ActiveProperties());
  FDataBinding->Refresh();
}

void TvxCustomEdit::Loaded() {
  LockChangeEvents(true);
  LockEditValueChanging(true);
  TAtScopeEnd unlock([this] {
    LockEditValueChanging(false);
    LockChangeEvents(false);
  });
  TvxContainer::Loaded();
  FDataBinding->Refresh();
  UpdateHotState();
  if (FRepositoryItem == nullptr) ConnectOwnProperties(true);
  PropertiesChanged(ActiveProperties());
  ContainerStyleChanged(Style());
}

bool TvxCustomEdit::ExecuteAction(TBasicAction* action) {
  return TvxContainer::ExecuteAction(action) || FDataBinding->ExecuteAction(action);
}

bool TvxCustomEdit::UpdateAction(TBasicAction* action) {
  return TvxContainer::UpdateAction(action) || FDataBinding->UpdateAction(action);
}

void TvxCustomEdit::Notification(TComponent* component, TOperation operation) {
  TvxContainer::Notification(component, operation);
  if (operation == TOperation::opRemove && component == FInnerEditControl) {
    FInnerEditControl = nullptr;
    FInnerEdit = nullptr;
  }
}

LRESULT TvxCustomEdit::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_NCCALCSIZE:
      if (FSuppressNonClientSize) return 0;
      break;
    case CM_DIALOGCHAR: return CMDialogChar(m);
  }
  return TvxContainer::Dispatch(m);
}

// --- Start-up and shutdown -------------------------------------------------------------

void InitializevxEdit() {
  // A program without the cursor keeps the screen's default for it.
  if (HCURSOR cursor = LoadCursorA(GetModuleHandleA(nullptr), "VXEDIT_MOUSEWHEEL"))
    Screen->SetCursors(crvxEditMouseWheel, cursor);
  GEditPropertiesList = std::make_unique<std::vector<TvxCustomEditProperties*>>();
  GDefaultEditStyleController = new TvxEditStyleController(nullptr);
  vxSetDefaultStyleController(GDefaultEditStyleController);
  vxSetTextConversionFunc(&vxGetResourceString);
}

void FinalizevxEdit() {
  vxSetTextConversionFunc(nullptr);
  // Both defaults are withdrawn before the controller goes, so that no style takes it again.
  vxSetDefaultStyleController(nullptr);
  std::unique_ptr<TvxEditStyleController> controller(GDefaultEditStyleController);
  GDefaultEditStyleController = nullptr;
  controller.reset();
  GRegisteredEditProperties.reset();
  GEditPropertiesList.reset();
}
