#include "editors/vxEdit.h"

#include "controls/vxEditConsts.h"
#include "controls/vxVariants.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace {

std::unique_ptr<TvxRegisteredClasses> GRegisteredEditProperties;
std::unique_ptr<std::vector<TvxCustomEditProperties*>> GEditPropertiesList;
TvxEditStyleController* GDefaultEditStyleController = nullptr;

const char* const kEditStyleValueNames[] = {"ButtonStyle", "ButtonTransparency", "PopupBorderStyle",
                                            "GradientButtons"};

// A caption without its accelerator marks: "&&" is an ampersand, "&x" is x, a trailing "&"
// shows as "_". An ampersand is never the second byte of a double-byte character, but the
// walk steps over those whole all the same.
AnsiString StripAccelChars(const AnsiString& caption) {
  const std::string_view s(caption);
  AnsiString result;
  for (size_t i = 0; i < s.size();) {
    if (s[i] != '&') {
      const size_t next = NextCharIndex(s, i);
      result.append(s.substr(i, next - i));
      i = next;
    } else if (i + 1 == s.size()) {
      result += '_';
      ++i;
    } else {
      const size_t next = NextCharIndex(s, i + 1);
      result.append(s.substr(i + 1, next - i - 1));
      i = next;
    }
  }
  return result;
}

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

TvxEditButton::~TvxEditButton() = default;

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
  FStrippedCaption = StripAccelChars(value);
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
  if (!FGlyph) FGlyph = std::make_unique<TBitmap>();
  return FGlyph.get();
}

void TvxEditButton::SetGlyph(TBitmap* value) {
  if (value == nullptr) {
    FGlyph.reset();
  } else if (value != FGlyph.get()) {
    CopyBitmap(*Glyph(), *value);
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

void TvxCustomEditProperties::ValidateDisplayValue(Variant& displayValue, AnsiString& errorText, bool& error,
                                                   TvxCustomEdit* edit) {
  if (CanValidate() && errorText.empty()) errorText = GetValidationErrorText(0);
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

// --- Start-up and shutdown -------------------------------------------------------------

void InitializevxEdit() {
  GEditPropertiesList = std::make_unique<std::vector<TvxCustomEditProperties*>>();
  GDefaultEditStyleController = new TvxEditStyleController(nullptr);
  vxSetDefaultStyleController(GDefaultEditStyleController);
}

void FinalizevxEdit() {
  // Both defaults are withdrawn before the controller goes, so that no style takes it again.
  vxSetDefaultStyleController(nullptr);
  std::unique_ptr<TvxEditStyleController> controller(GDefaultEditStyleController);
  GDefaultEditStyleController = nullptr;
  controller.reset();
  GRegisteredEditProperties.reset();
  GEditPropertiesList.reset();
}
