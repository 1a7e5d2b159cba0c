#include "controls/vxContainer.h"

#include <algorithm>
#include <iterator>

namespace {

TvxStyleController* GDefaultStyleController = nullptr;

constexpr TvxContainerStyleValues kFontBit = vxStyleValueBit(csvFont);

// The border style a state style shows by default: by the state (row) and the base style's
// border style (column). The focused and hot rows thicken thin borders.
constexpr TvxContainerBorderStyle kStateBorderStyles[4][7] = {
    {cbsNone, cbsSingle, cbsThick, cbsFlat, cbs3D, cbsUltraFlat, cbsOffice11},
    {cbsFlat, cbsThick, cbsThick, cbs3D, cbs3D, cbsUltraFlat, cbsOffice11},
    {cbsNone, cbsSingle, cbsThick, cbsFlat, cbs3D, cbsUltraFlat, cbsOffice11},
    {cbsFlat, cbsThick, cbsThick, cbs3D, cbs3D, cbsUltraFlat, cbsOffice11},
};

const char* const kStyleValueNames[] = {"BorderColor", "BorderStyle", "Color",     "Edges",     "Font",
                                        "HotTrack",    "Shadow",      "TextColor", "TextStyle", "TransparentBorder"};

// Holds a counter up for a scope.
class TCounterLock {
public:
  explicit TCounterLock(int& counter) : FCounter(counter) { ++FCounter; }
  ~TCounterLock() { --FCounter; }
  TCounterLock(const TCounterLock&) = delete;
  TCounterLock& operator=(const TCounterLock&) = delete;

private:
  int& FCounter;
};

}  // namespace

// --- TvxContainerStyle -----------------------------------------------------------------

TvxContainerStyle::TvxContainerStyle(TPersistent* owner, bool directAccessMode, TvxContainerStyle* parentStyle,
                                     TvxContainerStateItem state)
    : FDirectAccessMode(directAccessMode), FOwner(owner), FParentStyle(parentStyle), FState(state) {
  if (FDirectAccessMode) {
    FAssignedValues = vxStyleValueBit(csvColor) | kFontBit | vxStyleValueBit(csvTextColor) |
                      vxStyleValueBit(csvTextStyle);
  } else if (IsBaseStyle()) {
    FOwnFont = std::make_unique<TFont>();
    FOwnFont->OnChange = [this](TObject*) { FontChanged(); };
    FFont = FOwnFont.get();
  }
  FVisibleFont = std::make_unique<TFont>();
  if (IsBaseStyle()) {
    FLookAndFeel = std::make_unique<TvxLookAndFeel>(this);
    FLookAndFeel->OnChanged = [this](TvxLookAndFeel*, TvxLookAndFeelValues) { Changed(); };
    SetStyleController(nullptr);  // the default controller, when there is one
  }
}

TvxContainerStyle::~TvxContainerStyle() {
  FIsDestroying = true;
  if (IsBaseStyle() && FStyleController != nullptr) FStyleController->RemoveStyle(this);
  if (FLookAndFeel) FLookAndFeel->OnChanged = nullptr;
  FLookAndFeel.reset();
  FVisibleFont.reset();
  if (FOwnFont) FOwnFont->OnChange = nullptr;
  FOwnFont.reset();
}

TvxContainerStyleClass TvxContainerStyle::StyleClass() { return vxStyleClassOf<TvxContainerStyle>("TvxContainerStyle"); }

IvxContainerStyleOwner* TvxContainerStyle::Container() const { return dynamic_cast<IvxContainerStyleOwner*>(FOwner); }

TControl* TvxContainerStyle::ContainerControl() const {
  return Container() != nullptr ? dynamic_cast<TControl*>(FOwner) : nullptr;
}

// --- Change notification ---

void TvxContainerStyle::Changed() {
  FModified = true;
  NotifyIfChanged();
}

void TvxContainerStyle::NotifyIfChanged() {
  if (!FModified || FUpdateCount != 0) return;
  FModified = false;
  if (!FIsDestroying && !FDirectAccessMode && OnChanged) OnChanged(this);
}

void TvxContainerStyle::EndUpdate() {
  if (FUpdateCount > 0) --FUpdateCount;
  NotifyIfChanged();
}

// --- Value lookup ---

const TvxContainerStyle* TvxContainerStyle::FindAssignedStyle(TvxContainerStyleValue index) const {
  if ((FAssignedValues & vxStyleValueBit(index)) != 0) return this;
  TvxStyleController* controller = ControllerInUse();
  if (controller == nullptr || controller->Styles() == nullptr) return nullptr;
  const TvxContainerStyle* style = controller->Styles()->Items(FState);
  // Controllers never lead back to a style of theirs (SetStyleController refuses such a
  // chain), so the walk ends.
  return style != this ? style->FindAssignedStyle(index) : nullptr;
}

TColor TvxContainerStyle::BorderColor() const {
  if (FDirectAccessMode) return clDefault;
  const TvxContainerStyle* s = FindAssignedStyle(csvBorderColor);
  return s != nullptr ? s->FBorderColor : DefaultBorderColor();
}

TvxContainerBorderStyle TvxContainerStyle::BorderStyle() const {
  if (FDirectAccessMode)
    return (FAssignedValues & vxStyleValueBit(csvBorderStyle)) != 0 ? FBorderStyle : DefaultBorderStyle();
  const TvxContainerStyle* s = FindAssignedStyle(csvBorderStyle);
  return s != nullptr ? s->FBorderStyle : DefaultBorderStyle();
}

TvxBorders TvxContainerStyle::Edges() const {
  if (FDirectAccessMode) return 0;
  if (!IsBaseStyle()) return FParentStyle->Edges();
  const TvxContainerStyle* s = FindAssignedStyle(csvEdges);
  return s != nullptr ? s->FEdges : DefaultEdges();
}

TFont* TvxContainerStyle::Font() const { return IsBaseStyle() || FDirectAccessMode ? FFont : FParentStyle->Font(); }

bool TvxContainerStyle::HotTrack() const {
  if (FDirectAccessMode)
    return (FAssignedValues & vxStyleValueBit(csvHotTrack)) != 0 ? FHotTrack : DefaultHotTrack();
  if (!IsBaseStyle()) return FParentStyle->HotTrack();
  const TvxContainerStyle* s = FindAssignedStyle(csvHotTrack);
  return s != nullptr ? s->FHotTrack : DefaultHotTrack();
}

bool TvxContainerStyle::Shadow() const {
  if (FDirectAccessMode) return false;
  if (!IsBaseStyle()) return FParentStyle->Shadow();
  const TvxContainerStyle* s = FindAssignedStyle(csvShadow);
  return s != nullptr ? s->FShadow : DefaultShadow();
}

bool TvxContainerStyle::TransparentBorder() const {
  if (FDirectAccessMode) return true;
  if (!IsBaseStyle()) return FParentStyle->TransparentBorder();
  const TvxContainerStyle* s = FindAssignedStyle(csvTransparentBorder);
  return s != nullptr ? s->FTransparentBorder : DefaultTransparentBorder();
}

bool TvxContainerStyle::ParentColorShown(bool visible) const {
  if (!IsBaseStyle()) return false;
  TControl* control = ContainerControl();
  if (control == nullptr || !control->ParentColor() || control->Parent() == nullptr) return false;
  return !visible || !Container()->IsInplace();
}

TColor TvxContainerStyle::ColorValue(bool visible) const {
  if (FDirectAccessMode) return FColor;
  if (ParentColorShown(visible)) return ContainerControl()->Parent()->Color();
  if (const TvxContainerStyle* s = FindAssignedStyle(csvColor)) return s->FColor;
  // A state style that shows its base style's colour shows it the same way.
  if (visible && !IsBaseStyle() && !(FState == csDisabled && Container() != nullptr && !Container()->DefaultParentColor()))
    return FParentStyle->GetVisibleColor();
  return DefaultColor();
}

TColor TvxContainerStyle::GetColor() const { return ColorValue(false); }

TColor TvxContainerStyle::GetVisibleColor() const { return ColorValue(true); }

TColor TvxContainerStyle::GetTextColor() const {
  if (FDirectAccessMode) return FTextColor;
  const TvxContainerStyle* s = FindAssignedStyle(csvTextColor);
  return s != nullptr ? s->FTextColor : DefaultTextColor();
}

TFontStyles TvxContainerStyle::GetTextStyle() const {
  if (FDirectAccessMode) return FTextStyle;
  const TvxContainerStyle* s = FindAssignedStyle(csvTextStyle);
  return s != nullptr ? s->FTextStyle : DefaultTextStyle();
}

TvxContainerStyleValues TvxContainerStyle::AssignedValues() const {
  if (FDirectAccessMode) return static_cast<TvxContainerStyleValues>((uint64_t{1} << GetStyleValueCount()) - 1);
  return FAssignedValues;
}

// --- Defaults ---

TColor TvxContainerStyle::DefaultBorderColor() const {
  if (IsBaseStyle()) return clWindowFrame;
  return FState == csDisabled ? clBtnShadow : FParentStyle->BorderColor();
}

TvxContainerBorderStyle TvxContainerStyle::DefaultBorderStyle() const {
  if (IsBaseStyle()) {
    switch (FLookAndFeel->Kind()) {
      case lfFlat: return cbsFlat;
      case lfStandard: return cbs3D;
      case lfOffice11: return cbsOffice11;
      case lfUltraFlat: break;
    }
    return cbsUltraFlat;
  }
  const int row = HotTrack() || FState == csDisabled ? FState : csNormal;
  return kStateBorderStyles[row][FParentStyle->BorderStyle()];
}

TColor TvxContainerStyle::DefaultColor() const {
  IvxContainerStyleOwner* container = Container();
  const bool containerColor = container != nullptr && !container->DefaultParentColor();
  if (IsBaseStyle()) return containerColor ? clWindow : clBtnFace;
  return FState == csDisabled && containerColor ? clBtnFace : FParentStyle->Color();
}

TColor TvxContainerStyle::DefaultTextColor() const {
  if (IsBaseStyle()) return FFont != nullptr ? FFont->Color() : clWindowText;
  return FState == csDisabled ? clBtnShadow : FParentStyle->TextColor();
}

TFontStyles TvxContainerStyle::DefaultTextStyle() const {
  if (IsBaseStyle()) return FFont != nullptr ? FFont->Style() : 0;
  return FParentStyle->TextStyle();
}

TvxStyleController* TvxContainerStyle::GetDefaultStyleController() const { return GDefaultStyleController; }

TvxContainerStyleValues TvxContainerStyle::InternalGetNotPublishedValues() const {
  return vxStyleValueBit(csvEdges) | kFontBit | vxStyleValueBit(csvHotTrack) | vxStyleValueBit(csvShadow) |
         vxStyleValueBit(csvTransparentBorder);
}

// --- Writes ---

void TvxContainerStyle::SetBorderColor(TColor value) { WriteValue(FBorderColor, value, csvBorderColor); }

void TvxContainerStyle::SetBorderStyle(TvxContainerBorderStyle value) { WriteValue(FBorderStyle, value, csvBorderStyle); }

void TvxContainerStyle::SetColor(TColor value) { WriteValue(FColor, value, csvColor); }

void TvxContainerStyle::SetEdges(TvxBorders value) {
  if (!IsBaseStyle()) return FParentStyle->SetEdges(value);
  WriteValue(FEdges, value, csvEdges);
}

void TvxContainerStyle::SetHotTrack(bool value) {
  if (!IsBaseStyle()) return FParentStyle->SetHotTrack(value);
  WriteValue(FHotTrack, value, csvHotTrack);
}

void TvxContainerStyle::SetShadow(bool value) {
  if (!IsBaseStyle()) return FParentStyle->SetShadow(value);
  WriteValue(FShadow, value, csvShadow);
}

void TvxContainerStyle::SetTextColor(TColor value) { WriteValue(FTextColor, value, csvTextColor); }

void TvxContainerStyle::SetTextStyle(TFontStyles value) { WriteValue(FTextStyle, value, csvTextStyle); }

void TvxContainerStyle::SetTransparentBorder(bool value) {
  if (!IsBaseStyle()) return FParentStyle->SetTransparentBorder(value);
  WriteValue(FTransparentBorder, value, csvTransparentBorder);
}

void TvxContainerStyle::SetFont(TFont* value) {
  if (FDirectAccessMode) {
    FFont = value;
    return;
  }
  if (!IsBaseStyle()) return FParentStyle->SetFont(value);
  if (value == nullptr || ((FAssignedValues & kFontBit) != 0 && FOwnFont->Equals(*value))) return;
  // The font's own change handler marks it assigned; an equal font tells nobody, so the mark
  // is made here as well, inside one update so that the change is told once.
  BeginUpdate();
  FOwnFont->Assign(value);
  FAssignedValues |= kFontBit;
  Changed();
  EndUpdate();
}

void TvxContainerStyle::FontChanged() {
  if (FFontChangeLock != 0) return;
  FAssignedValues |= kFontBit;
  Changed();
}

void TvxContainerStyle::SetAssignedValues(TvxContainerStyleValues value) {
  FAssignedValues = value;
  if (IsBaseStyle()) ReadFont();
  Changed();
}

void TvxContainerStyle::ReadFont() {
  if (!IsBaseStyle() || FDirectAccessMode || (FAssignedValues & kFontBit) != 0) return;
  TCounterLock lock(FFontChangeLock);
  if (const TvxContainerStyle* s = FindAssignedStyle(csvFont)) {
    if (s->Font() != nullptr) FOwnFont->Assign(s->Font());
    return;
  }
  TControl* control = ContainerControl();
  if (control == nullptr || !control->ParentFont()) {
    TFont fresh;
    FOwnFont->Assign(&fresh);
  }
}

TvxLookAndFeel* TvxContainerStyle::LookAndFeel() const { return BaseStyle()->FLookAndFeel.get(); }

void TvxContainerStyle::SetLookAndFeel(const TvxLookAndFeel* value) { LookAndFeel()->Assign(value); }

TvxStyleController* TvxContainerStyle::StyleController() const {
  if (!IsBaseStyle()) return FParentStyle->StyleController();
  return FStyleController == GetDefaultStyleController() ? nullptr : FStyleController;
}

bool TvxContainerStyle::CanTakeController(TvxStyleController* value) const {
  for (TvxStyleController* c = value; c != nullptr && c->Styles() != nullptr;) {
    const TvxContainerStyle* style = c->Styles()->Style();
    if (style == this) return false;
    c = style->FStyleController;
  }
  return true;
}

void TvxContainerStyle::SetStyleController(TvxStyleController* value) {
  if (!IsBaseStyle()) return FParentStyle->SetStyleController(value);
  if (value == nullptr) value = GetDefaultStyleController();
  // A controller on its way out serves nobody, the default one included.
  if (value != nullptr && value->IsDestroying()) value = nullptr;
  if (value == FStyleController || !CanTakeController(value)) return;
  if (FStyleController != nullptr) FStyleController->RemoveStyle(this);
  FStyleController = value;
  if (value != nullptr) value->AddStyle(this);
  ControllerChanged();
}

void TvxContainerStyle::ControllerChanged() {
  ReadFont();
  Changed();
}

void TvxContainerStyle::ControllerFreeNotification(TComponent* component) {
  if (component != nullptr && component == FStyleController) SetStyleController(nullptr);
}

// --- Whole-style operations ---

void TvxContainerStyle::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TvxContainerStyle*>(source);
  if (src == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  BeginUpdate();
  if (IsBaseStyle()) {
    SetStyleController(src->StyleController());
    FLookAndFeel->Assign(src->LookAndFeel());
  }
  FBorderColor = src->FBorderColor;
  FBorderStyle = src->FBorderStyle;
  FEdges = src->FEdges;
  FHotTrack = src->FHotTrack;
  FShadow = src->FShadow;
  FTransparentBorder = src->FTransparentBorder;
  FColor = src->FColor;
  if (FDirectAccessMode) {
    FFont = src->Font();
    FTextColor = src->TextColor();
  } else {
    // Only a base style has a font of its own: a state style shows its base style's.
    if (IsBaseStyle() && src->Font() != nullptr) {
      FOwnFont->Assign(src->Font());
      if (src->FDirectAccessMode) FOwnFont->SetColor(src->TextColor());
    }
    FTextColor = src->FTextColor;
    FTextStyle = src->FTextStyle;
  }
  FAssignedValues = src->FAssignedValues;
  Changed();
  EndUpdate();
}

void TvxContainerStyle::RestoreDefaults() {
  BeginUpdate();
  SetAssignedValues(0);
  if (IsBaseStyle()) {
    FLookAndFeel->SetAssignedValues(0);
    if (TControl* control = ContainerControl()) {
      control->SetParentColor(false);
      control->SetParentFont(true);
      if (Container()->DefaultParentColor() && !IsValueAssigned(csvColor)) control->SetParentColor(true);
    } else {
      TCounterLock lock(FFontChangeLock);
      TFont fresh;
      FOwnFont->Assign(&fresh);
    }
  }
  EndUpdate();
}

TFont* TvxContainerStyle::GetVisibleFont() {
  if (TFont* font = Font()) FVisibleFont->Assign(font);
  FVisibleFont->SetColor(TextColor());
  FVisibleFont->SetStyle(TextStyle());
  return FVisibleFont.get();
}

bool TvxContainerStyle::GetStyleValueName(TvxContainerStyleValue index, AnsiString& name) const {
  if (index < 0 || index >= static_cast<int>(std::size(kStyleValueNames))) return false;
  name = kStyleValueNames[index];
  return true;
}

bool TvxContainerStyle::HasBorder() const { return IsBaseStyle() ? true : FParentStyle->HasBorder(); }

bool TvxContainerStyle::IsValueAssigned(TvxContainerStyleValue index) const {
  if (index < 0 || index >= GetStyleValueCount()) return false;
  return FindAssignedStyle(index) != nullptr;
}

bool TvxContainerStyle::IsValueStored(TvxContainerStyleValue index) const {
  const TvxContainerStyleValues bit = vxStyleValueBit(index);
  if ((FAssignedValues & bit) == 0) return false;
  if (!IsBaseStyle() && (InternalGetNotPublishedValues() & bit) != 0) return false;
  IvxContainerStyleOwner* container = Container();
  return container == nullptr || (container->GetNotPublishedStyleValues() & bit) == 0;
}

bool TvxContainerStyle::IsLookAndFeelStored() const { return IsBaseStyle() && FLookAndFeel->AssignedValues() != 0; }

bool TvxContainerStyle::IsStyleControllerStored() const { return IsBaseStyle() && StyleController() != nullptr; }

// --- TvxContainerStyles ----------------------------------------------------------------

TvxContainerStyles::TvxContainerStyles(TPersistent* owner, TvxContainerStyleClass styleClass) {
  FItems[csNormal].reset(styleClass->Create(owner, false, nullptr, csNormal));
  for (TvxContainerStateItem state : {csActive, csDisabled, csHotTrack})
    FItems[state].reset(styleClass->Create(owner, false, FItems[csNormal].get(), state));
}

TvxContainerStyles::~TvxContainerStyles() {
  for (int i = 3; i >= 0; --i) FItems[i].reset();
}

TvxContainerStylesClass TvxContainerStyles::StylesClass() {
  static const TvxContainerStylesClassInfo info{
      {"TvxContainerStyles"},
      [](TPersistent* owner, TvxContainerStyleClass styleClass) { return new TvxContainerStyles(owner, styleClass); }};
  return &info;
}

void TvxContainerStyles::SetOnChanged(TNotifyEvent value) {
  FOnChanged = std::move(value);
  for (auto& item : FItems) item->OnChanged = FOnChanged;
}

// --- TvxStyleController ----------------------------------------------------------------

TvxStyleController::TvxStyleController(TComponent* owner) : TvxStyleController(owner, TvxContainerStyle::StyleClass()) {}

TvxStyleController::TvxStyleController(TComponent* owner, TvxContainerStyleClass styleClass) : TComponent(owner) {
  FStyles.reset(GetStylesClass()->Create(this, styleClass));
  FStyles->SetOnChanged([this](TObject* sender) { StyleChanged(sender); });
}

TvxStyleController::~TvxStyleController() {
  Destroying();
  if (GDefaultStyleController == this) GDefaultStyleController = nullptr;
  // The styles leave for another controller; while this one is destroying they stay listed,
  // so the walk sees each once.
  const std::vector<TvxContainerStyle*> listeners = FListeners;
  for (TvxContainerStyle* style : listeners) style->ControllerFreeNotification(this);
  FStyles->SetOnChanged(nullptr);
  FStyles.reset();
  FListeners.clear();
}

bool TvxStyleController::HasListener(const TvxContainerStyle* style) const {
  return std::find(FListeners.begin(), FListeners.end(), style) != FListeners.end();
}

void TvxStyleController::AddStyle(TvxContainerStyle* style) {
  if (!HasListener(style)) FListeners.push_back(style);
  style->LookAndFeel()->SetMasterLookAndFeel(Style()->LookAndFeel());
}

void TvxStyleController::RemoveStyle(TvxContainerStyle* style) {
  auto it = std::find(FListeners.begin(), FListeners.end(), style);
  if (it == FListeners.end()) return;
  if (!IsDestroying()) FListeners.erase(it);
  style->LookAndFeel()->SetMasterLookAndFeel(nullptr);
}

void TvxStyleController::Loaded() {
  TComponent::Loaded();
  StyleChanged(this);
}

void TvxStyleController::StyleChanged(TObject* sender) {
  if (OnStyleChanged) OnStyleChanged(this);
  if (IsDestroying()) return;
  vxForEachListed(FListeners, [](TvxContainerStyle* style) { style->ControllerChanged(); });
}

void TvxStyleController::ChangeScale(int multiplier, int divider) {
  TvxContainerStyle* style = Style();
  if ((style->OwnAssignedValues() & kFontBit) != 0) {
    if (FScaled) return;
    FScaled = true;
    style->Font()->SetSize(MulDiv(style->Font()->Size(), multiplier, divider));
  } else if (TvxStyleController* controller = style->FStyleController) {
    controller->ChangeScale(multiplier, divider);
  }
}

TvxStyleController* vxDefaultStyleController() { return GDefaultStyleController; }

void vxSetDefaultStyleController(TvxStyleController* controller) { GDefaultStyleController = controller; }
