#include "controls/vxContainer.h"

#include "platform/gui/Forms.h"
#include "platform/rtl/SysExceptions.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>

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

// --- Container --------------------------------------------------------------------------

namespace {

std::optional<TMouseButton> GLastPressedButton;

using TFlagScope = TvxFlagScope;

// The inner control is any control: its protected operations are named through this class's
// own declarations (the member pointers so formed are TControl's and work on any control).
struct TControlAccess : TControl {
  using TControl::DragCanceled;
  using TControl::GetDragImages;
};

// The keys and mouse buttons held now, as the thread's messages have left them.
TShiftState CurrentShiftState() {
  TShiftState shift = 0;
  const std::pair<int, TShiftState> keys[] = {{VK_SHIFT, ssShift},   {VK_CONTROL, ssCtrl}, {VK_MENU, ssAlt},
                                              {VK_LBUTTON, ssLeft},  {VK_RBUTTON, ssRight}, {VK_MBUTTON, ssMiddle}};
  for (const auto& [key, state] : keys)
    if (GetKeyState(key) < 0) shift |= state;
  return shift;
}

bool IsUltraFlatBorder(TvxContainerBorderStyle style) { return style == cbsUltraFlat || style == cbsOffice11; }

// Fills what lies between outer and inner.
void FillFrame(TvxCanvas& canvas, const RECT& outer, const RECT& inner, TColor color) {
  canvas.FillRect(RECT{outer.left, outer.top, inner.left, outer.bottom}, color);
  canvas.FillRect(RECT{inner.right, outer.top, outer.right, outer.bottom}, color);
  canvas.FillRect(RECT{inner.left, outer.top, inner.right, inner.top}, color);
  canvas.FillRect(RECT{inner.left, inner.bottom, inner.right, outer.bottom}, color);
}

// The visual style's background in the bounds, the content in the background colour and the
// frame between them in the style's edit border colour.
void PaintNativeContainer(const TvxContainerViewInfo& info, TvxCanvas& canvas) {
  HTHEME theme = info.BorderStyle == cbsNone ? nullptr : OpenTheme(info.ThemedObjectType);
  if (theme == nullptr) {
    canvas.FillRect(info.Bounds, info.BackgroundColor);
    return;
  }
  HDC dc = canvas.Handle();
  DrawThemeBackground(theme, dc, info.NativePart, info.NativeState, info.Bounds);
  RECT content = info.Bounds;
  GetThemeBackgroundContentRect(theme, dc, info.NativePart, info.NativeState, info.Bounds, content);
  canvas.FillRect(content, info.BackgroundColor);
  COLORREF border = ColorToRGB(clWindowFrame);
  if (HTHEME edit = OpenTheme(totEdit)) GetThemeColor(edit, EP_EDITTEXT, ETS_NORMAL, TMT_BORDERCOLOR, border);
  FillFrame(canvas, info.Bounds, content, static_cast<TColor>(border));
}

RECT Shrunk(RECT r, const RECT& widths) {
  vxShrinkRect(r, widths);
  return r;
}

}  // namespace

void vxDrawContainerShadow(TvxCanvas& canvas, const RECT& r, TColor color) {
  const int w = vxContainerShadowWidth;
  canvas.FillRect(RECT{r.right, r.top + w, r.right + w, r.bottom + w}, color);
  canvas.FillRect(RECT{r.left + w, r.bottom, r.right, r.bottom + w}, color);
}

std::unique_ptr<TvxRegion> vxCreateContainerRegion(const RECT& bounds, bool shadow) {
  if (!shadow) return std::make_unique<TvxRegion>(bounds);
  RECT r = bounds;
  r.right -= vxContainerShadowWidth;
  r.bottom -= vxContainerShadowWidth;
  auto region = std::make_unique<TvxRegion>(r);
  OffsetRect(&r, vxContainerShadowWidth, vxContainerShadowWidth);
  region->Combine(TvxRegion(r), roAdd);
  return region;
}

bool vxSetWindowRegion(HWND window, const TvxRegion* region) {
  HRGN current = CreateRectRgn(0, 0, 0, 0);
  const bool hasRegion = GetWindowRgn(window, current) != ERROR;
  const bool same = region == nullptr ? !hasRegion : hasRegion && EqualRgn(current, region->Handle());
  DeleteObject(current);
  if (same) return false;
  // The window takes over the region it is given: it gets a copy.
  HRGN copy = nullptr;
  if (region != nullptr) {
    copy = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(copy, region->Handle(), nullptr, RGN_COPY);
  }
  if (SetWindowRgn(window, copy, IsWindowVisible(window)) == 0) {
    if (copy != nullptr) DeleteObject(copy);
    return false;
  }
  return true;
}

// --- TvxContainerViewInfo --------------------------------------------------------------

TvxContainerViewInfoClass TvxContainerViewInfo::ViewInfoClass() {
  return vxObjectClassOf<TvxContainerViewInfo, TvxContainerViewInfo>("TvxContainerViewInfo");
}

void TvxContainerViewInfo::DrawBorder(TvxCanvas& canvas, const RECT& r) {
  RECT inner = r;
  InflateRect(&inner, -1, -1);
  switch (BorderStyle) {
    case cbsSingle:
    case cbsThick: canvas.FrameRect(r, BorderColor, BorderWidth); break;
    case cbsFlat:
      canvas.DrawEdge(r, true, true, Edges);
      canvas.FrameRect(inner, clBtnFace);
      break;
    case cbs3D:
      canvas.DrawEdge(r, true, true, Edges);
      canvas.DrawComplexFrame(inner, cl3DDkShadow, cl3DLight, Edges);
      break;
    default: break;
  }
}

void TvxContainerViewInfo::Paint(TvxCanvas& canvas) {
  if (NativeStyle) {
    PaintNativeContainer(*this, canvas);
    return;
  }
  // The border's right and bottom sides stand outside the content only where the container
  // has those edges; the shadow follows the border that is drawn. A missing side is then drawn
  // just outside the window, so that every style draws a closed frame.
  const int w = BorderWidth;
  RECT r = ContentRect;
  r.left -= w;
  r.top -= w;
  if (Edges & bRight) r.right += w;
  if (Edges & bBottom) r.bottom += w;
  if (Shadow) vxDrawContainerShadow(canvas, r);
  if (!(Edges & bRight)) r.right += w;
  if (!(Edges & bBottom)) r.bottom += w;
  DrawBorder(canvas, r);
  canvas.FillRect(ContentRect, BackgroundColor);
}

void TvxContainerViewInfo::Assign(const TvxContainerViewInfo* source) {
  if (source != nullptr) ClientRect = source->ClientRect;
}

std::unique_ptr<TvxRegion> TvxContainerViewInfo::GetClientRegion() const { return std::make_unique<TvxRegion>(); }

void TvxContainerViewInfo::Offset(int dx, int dy) {
  OffsetRect(&ContentRect, dx, dy);
  OffsetRect(&Bounds, dx, dy);
  OffsetRect(&ClientRect, dx, dy);
}

// --- TvxContainer: life ----------------------------------------------------------------

TvxContainer::TvxContainer(TComponent* owner) : TvxContainer(owner, TvxContainerStyle::StyleClass()) {}

TvxContainer::TvxContainer(TComponent* owner, TvxContainerStyleClass styleClass) : TvxControl(owner) {
  FIsCreating = true;
  FStyles.reset(GetStylesClass()->Create(this, styleClass));
  FStyles->SetOnChanged([this](TObject* sender) { ContainerStyleChanged(sender); });
  FActiveStyleState = vxcsNormal;
  FActiveStyle = Style();
  FViewInfo.reset(GetViewInfoClass()->Create());
  LookAndFeel().SetMasterLookAndFeel(Style()->LookAndFeel());
  SetControlStyle(ControlStyle() | csCaptureMouse | csSetCaption);
  SetTabStop(true);
  SetParentColor(!Style()->IsValueAssigned(csvColor) && DefaultParentColor());
  if (!ParentColor()) SetColor(clWindow);
  ContainerStyleChanged(nullptr);
  FIsCreating = false;
}

TvxContainer::~TvxContainer() {
  // From here on the container is destroying: messages that still arrive change nothing.
  Destroying();
  EndHotTracking();
  LookAndFeel().SetMasterLookAndFeel(nullptr);
  FViewInfo.reset();
  FStyles->SetOnChanged(nullptr);
  FActiveStyle = nullptr;
  FStyles.reset();
}

std::optional<TMouseButton> TvxContainer::LastPressedButton() { return GLastPressedButton; }

void TvxContainer::RecreateViewInfo() {
  std::unique_ptr<TvxContainerViewInfo> info(GetViewInfoClass()->Create());
  info->Assign(FViewInfo.get());
  FViewInfo = std::move(info);
}

void TvxContainer::SetInnerControl(TWinControl* value) {
  SetReference(FInnerControl, value);
  ShortRefreshContainer(false);
}

void TvxContainer::Notification(TComponent* component, TOperation operation) {
  TvxControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == FInnerControl) FInnerControl = nullptr;
}

void TvxContainer::UnlockInnerControlBounds() {
  if (FInnerControlBoundsLock > 0) --FInnerControlBoundsLock;
}

void TvxContainer::UnlockPopupMenu() {
  if (FPopupMenuLock > 0) --FPopupMenuLock;
}

void TvxContainer::Loaded() {
  TvxControl::Loaded();
  if (!ParentFont() && !Style()->IsValueAssigned(csvFont)) Style()->SetFont(&Font());
  ContainerStyleChanged(Style());
}

void TvxContainer::ChangeScale(int multiplier, int divider) {
  if (multiplier == divider) return;
  TvxContainerStyle* style = Style();
  if ((style->AssignedValues() & vxStyleValueBit(csvFont)) == 0) return;
  if (TvxStyleController* controller = style->StyleController()) {
    if (!IsLoading()) controller->ChangeScale(multiplier, divider);
  } else {
    style->Font()->SetSize(MulDiv(style->Font()->Size(), multiplier, divider));
  }
}

// --- Styles -----------------------------------------------------------------------------

TvxContainerStyle* TvxContainer::ActiveStyle() {
  if (FActiveStyle == nullptr || FActiveStyleState != FViewInfo->ContainerState) {
    FActiveStyleState = FViewInfo->ContainerState;
    FActiveStyle = CalculateActiveStyle();
  }
  return FActiveStyle;
}

TvxContainerStyle* TvxContainer::CalculateActiveStyle() {
  const TvxContainerState state = FViewInfo->ContainerState;
  if (state & vxcsDisabled) return StyleDisabled();
  if (state & vxcsFocused) return StyleFocused();
  if ((state & vxcsHot) && Style()->HotTrack()) return StyleHot();
  return Style();
}

void TvxContainer::ContainerStyleChanged(TObject*) {
  if (!FIsCreating && !IsLoading()) ShortRefreshContainer(false);
  TFlagScope applying(FIsApplyingStyle);
  TvxContainerStyle* style = Style();
  const bool ownColor = style->IsValueAssigned(csvColor);
  if (!ParentColor() || ownColor) {
    // A colour of the style's own ends following the parent's (the style would answer the
    // parent's colour while the control still follows it).
    if (ParentColor()) SetParentColor(false);
    SetColor(style->GetVisibleColor());
  }
  if (TFont* font = style->Font()) SetFont(*font);
}

void TvxContainer::SetStyleValueAssigned(TvxContainerStyleValue value, bool assigned) {
  TvxContainerStyleValues& values = Style()->FAssignedValues;
  values = assigned ? values | vxStyleValueBit(value) : values & ~vxStyleValueBit(value);
}

// --- Calculation ------------------------------------------------------------------------

bool TvxContainer::IsNativeStyle() {
  return Style()->LookAndFeel()->NativeStyle() && AreVisualStylesAvailable(GetThemedObjectType());
}

bool TvxContainer::HasShadow() { return ActiveStyle()->Shadow() && !IsNativeStyle(); }

int TvxContainer::GetBackgroundThemeState() {
  const TvxContainerState state = FViewInfo->ContainerState;
  if (state & vxcsDisabled) return ETS_DISABLED;
  if (state & vxcsFocused) return ETS_FOCUSED;
  if (state & vxcsHot) return ETS_HOT;
  return ETS_NORMAL;
}

void TvxContainer::CalculateViewInfo(POINT p, bool allowHot) {
  TvxContainerViewInfo& info = *FViewInfo;
  info.NativeStyle = IsNativeStyle();
  TvxContainerState state = vxcsNormal;
  if (!Enabled()) {
    state = vxcsDisabled;
  } else if (!IsDesigning()) {
    state = IsContainerFocused() ? vxcsFocused : vxcsNormal;
    if (allowHot && HandleAllocated()) {
      HWND under = WindowFromPoint(vxGetMouseCursorPos());
      const bool mouseInside = under == Handle() || IsChild(Handle(), under);
      const RECT hot = GetHotTrackBounds();
      if (mouseInside && PtInRect(&hot, p)) state |= vxcsHot;
    }
  }
  info.ContainerState = state;
  TvxContainerStyle* style = ActiveStyle();
  const bool hotTrack = style->HotTrack();
  info.HotState = !hotTrack ? 0 : (state & (vxcsFocused | vxcsHot)) ? 2 : 1;

  const TvxContainerBorderStyle styleBorder = info.NativeStyle ? Style()->BorderStyle() : style->BorderStyle();
  info.BorderStyle = !info.NativeStyle && IsUltraFlatBorder(styleBorder) ? cbsSingle : styleBorder;
  info.BorderWidth = vxContainerBorderWidth[info.BorderStyle];
  if (IsUltraFlatBorder(styleBorder)) {
    const bool highlighted = (state & vxcsFocused) || ((state & vxcsHot) && hotTrack) || (IsDesigning() && Enabled());
    if (!highlighted)
      info.BorderColor = clBtnShadow;
    else
      info.BorderColor = styleBorder == cbsUltraFlat ? clHighlight : vxOffice11Painter.HotBorderColor();
  } else {
    info.BorderColor = style->BorderColor();
  }

  info.ThemedObjectType = GetThemedObjectType();
  info.NativePart = GetThemedPart();
  info.NativeState = GetBackgroundThemeState();
  if (info.NativeStyle && (state & vxcsDisabled)) {
    COLORREF fill = ColorToRGB(style->GetVisibleColor());
    GetThemeColor(OpenTheme(info.ThemedObjectType), info.NativePart, info.NativeState, TMT_FILLCOLOR, fill);
    info.SetBackgroundColor(static_cast<TColor>(fill));
  } else {
    info.SetBackgroundColor(style->GetVisibleColor());
  }

  info.Bounds = RECT{0, 0, Width(), Height()};
  info.Edges = style->Edges();
  info.Shadow = HasShadow();
  info.ContentRect = Shrunk(info.Bounds, GetBorderExtent());
  info.ClientRect = info.ContentRect;
}

RECT TvxContainer::GetBorderExtent() {
  TvxContainerStyle* style = ActiveStyle();
  RECT extent{0, 0, 0, 0};
  if (style->TransparentBorder()) {
    extent = RECT{2, 2, 2, 2};
  } else if (style->HasBorder()) {
    if (!FViewInfo->NativeStyle) {
      const int w = vxContainerBorderWidth[FViewInfo->BorderStyle];
      const TvxBorders edges = style->Edges();
      extent = RECT{edges & bLeft ? w : 0, edges & bTop ? w : 0, edges & bRight ? w : 0, edges & bBottom ? w : 0};
    } else if (Style()->BorderStyle() != cbsNone) {
      extent = RECT{2, 2, 2, 2};
    }
  }
  if (HasShadow()) {
    extent.right += vxContainerShadowWidth;
    extent.bottom += vxContainerShadowWidth;
  }
  return extent;
}

RECT TvxContainer::GetBorderRect() {
  RECT r = Shrunk(FViewInfo->Bounds, GetBorderExtent());
  const int w = vxContainerBorderWidth[FViewInfo->BorderStyle];
  const TvxBorders edges = ActiveStyle()->Edges();
  if (edges & bLeft) r.left -= w;
  if (edges & bTop) r.top -= w;
  if (edges & bRight) r.right += w;
  if (edges & bBottom) r.bottom += w;
  return r;
}

RECT TvxContainer::GetHotTrackBounds() {
  RECT r{0, 0, Width(), Height()};
  if (IsInplace()) return r;
  const TvxContainerViewInfo& info = *FViewInfo;
  if (info.Shadow) {
    r.right -= vxContainerShadowWidth;
    r.bottom -= vxContainerShadowWidth;
  }
  TvxContainerStyle* normal = Style();
  if (!normal->HasBorder()) {
    if (normal->TransparentBorder()) InflateRect(&r, -2, -2);
  } else if (info.NativeStyle) {
    if (normal->BorderStyle() == cbsNone && normal->TransparentBorder()) InflateRect(&r, -2, -2);
  } else if (normal->TransparentBorder()) {
    // Only the drawn border and what it encloses: the transparent ring is the parent's.
    const int w = vxContainerBorderWidth[info.BorderStyle];
    InflateRect(&r, -(2 - w), -(2 - w));
    if (!(info.Edges & bLeft)) r.left += w;
    if (!(info.Edges & bTop)) r.top += w;
    if (!(info.Edges & bRight)) r.right -= w;
    if (!(info.Edges & bBottom)) r.bottom -= w;
  }
  return r;
}

bool TvxContainer::GetControlVisibleBounds(TControl* control, RECT& bounds) {
  if (control == nullptr) return true;
  const RECT whole = control->BoundsRect();
  RECT visible{};
  IntersectRect(&visible, &whole, &bounds);
  const bool allVisible = EqualRect(&visible, &whole) != 0;
  OffsetRect(&visible, -whole.left, -whole.top);
  bounds = visible;
  return allVisible;
}

// --- Refreshing -------------------------------------------------------------------------

void TvxContainer::ShortRefreshContainer(bool isMouseEvent) {
  if (!HandleAllocated() || IsDestroying() || FIsRefreshing) return;
  RefreshContainer(ScreenToClient(vxGetMouseCursorPos()), std::nullopt, CurrentShiftState(), isMouseEvent);
}

bool TvxContainer::RefreshContainer(POINT p, std::optional<TMouseButton>, TShiftState shift, bool) {
  if (FIsAdjustingInnerControl || IsDestroying()) return true;
  TFlagScope refreshing(FIsRefreshing);
  // While a key or a button is held the container is not hot.
  CalculateViewInfo(p, shift == 0 && ActiveStyle()->HotTrack());
  AdjustInnerControl();
  UpdateInnerControlAppearance();
  UpdateWindowRegion();
  InvalidateFrame();
  if (FViewInfo->ContainerState & vxcsHot) BeginHotTracking();
  return true;
}

void TvxContainer::AdjustInnerControl() {
  if (FInnerControl == nullptr) return;
  const RECT& r = FViewInfo->ClientRect;
  const RECT current = FInnerControl->BoundsRect();
  if (EqualRect(&current, &r)) return;
  TFlagScope adjusting(FIsAdjustingInnerControl);
  FInnerControl->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void TvxContainer::UpdateInnerControlAppearance() {
  if (FInnerControl == nullptr) return;
  FInnerControl->SetColor(FViewInfo->BackgroundColor);
  FInnerControl->SetFont(*ActiveStyle()->GetVisibleFont());
}

void TvxContainer::UpdateWindowRegion() {
  if (!HandleAllocated()) return;
  std::unique_ptr<TvxRegion> region = vxCreateContainerRegion(FViewInfo->Bounds, FViewInfo->Shadow);
  vxSetWindowRegion(Handle(), region.get());
}

void TvxContainer::InvalidateFrame() {
  if (!HandleAllocated()) return;
  const RECT bounds{0, 0, Width(), Height()};
  if (FInnerControl == nullptr) {
    ::InvalidateRect(Handle(), &bounds, FALSE);
    return;
  }
  // The inner control paints the content itself.
  TvxRegion frame(bounds);
  frame.Combine(TvxRegion(FViewInfo->ContentRect), roSubtract);
  InvalidateRgn(Handle(), frame.Handle(), FALSE);
}

void TvxContainer::SetVisibleBoundsClipRect(TvxCanvas& canvas) {
  canvas.SetClipRegion(vxCreateContainerRegion(FViewInfo->Bounds, FViewInfo->Shadow), roIntersect);
}

void TvxContainer::Paint() {
  const RECT& bounds = FViewInfo->Bounds;
  if (!RectVisible(Canvas().Handle(), &bounds)) return;
  // A copy drawn elsewhere has no window region to clip it.
  if (ControlState() & csPaintCopy) SetVisibleBoundsClipRect(Canvas());
  FViewInfo->PaintEx(Canvas());
}

// --- Mouse and hot tracking -------------------------------------------------------------

void TvxContainer::BeginHotTracking() {
  if (HandleAllocated() && !IsDestroying()) BeginMouseTracking(this, GetHotTrackBounds(), &FTrackingCaller);
}

void TvxContainer::EndHotTracking() { EndMouseTracking(&FTrackingCaller); }

void TvxContainer::MouseTrackingLeave() {
  MouseLeave(nullptr);
  EndHotTracking();
}

void TvxContainer::MouseEnter(TControl* control) {
  TvxObjectLinkHolder link(this);
  TvxControl::MouseEnter(control);
  if (link.Object() == nullptr) return;
  ShortRefreshContainer(true);
  BeginHotTracking();
}

void TvxContainer::MouseLeave(TControl* control) {
  // Without a control the mouse only left the hot area (the tracking said so): the window
  // itself was not left, and OnMouseLeave is not told.
  TvxObjectLinkHolder link(this);
  if (control != nullptr) TvxControl::MouseLeave(control);
  if (link.Object() == nullptr) return;
  GLastPressedButton.reset();
  ShortRefreshContainer(true);
  EndHotTracking();
}

void TvxContainer::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TvxObjectLinkHolder link(this);
  TvxControl::MouseDown(button, shift, x, y);
  if (link.Object() == nullptr) return;
  GLastPressedButton = button;
  RefreshContainer(POINT{x, y}, button, shift, true);
}

void TvxContainer::MouseMove(TShiftState shift, int x, int y) {
  TvxObjectLinkHolder link(this);
  TvxControl::MouseMove(shift, x, y);
  if (link.Object() == nullptr) return;
  RefreshContainer(POINT{x, y}, std::nullopt, shift, true);
  BeginHotTracking();
}

void TvxContainer::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TvxObjectLinkHolder link(this);
  TvxControl::MouseUp(button, shift, x, y);
  if (link.Object() == nullptr) return;
  RefreshContainer(POINT{x, y}, button, shift, true);
}

void TvxContainer::Resize() {
  TvxControl::Resize();
  if (!FIsCreating) ShortRefreshContainer(false);
}

void TvxContainer::FocusChanged() {
  TvxObjectLinkHolder link(this);
  TvxControl::FocusChanged();
  if (link.Object() != nullptr) ShortRefreshContainer(false);
}

void TvxContainer::ColorChanged() {
  TvxControl::ColorChanged();
  // The colour the style gave, or the parent's the control follows, is no colour of the style's.
  if (FIsApplyingStyle || FTakingParentColor)
    ShortRefreshContainer(false);
  else
    Style()->SetColor(Color());
}

void TvxContainer::CursorChanged() {
  TvxControl::CursorChanged();
  if (FInnerControl != nullptr) FInnerControl->SetCursor(Cursor());
}

void TvxContainer::EnabledChanged() {
  if (HasScrollBars()) {
    for (TvxScrollBar* bar : {static_cast<TvxScrollBar*>(HScrollBar()), static_cast<TvxScrollBar*>(VScrollBar())})
      if (bar != nullptr) bar->SetEnabled(Enabled());
  }
  ShortRefreshContainer(false);
}

void TvxContainer::DragCanceled() {
  TvxControl::DragCanceled();
  if (FInnerControl != nullptr) (FInnerControl->*&TControlAccess::DragCanceled)();
}

TDragImageList* TvxContainer::GetDragImages() {
  if (FInnerControl != nullptr) return (FInnerControl->*&TControlAccess::GetDragImages)();
  return TvxControl::GetDragImages();
}

void TvxContainer::SetDragMode(TDragMode mode) {
  TvxControl::SetDragMode(mode);
  if (FInnerControl != nullptr) FInnerControl->SetDragMode(mode);
}

void TvxContainer::SetDragKind(TDragKind kind) {
  TvxControl::SetDragKind(kind);
  if (FInnerControl != nullptr) FInnerControl->SetDragKind(kind);
}

void TvxContainer::DoContextPopup(POINT mousePos, bool& handled) {
  const bool fromKeyboard = mousePos.x == -1 && mousePos.y == -1;
  if (FPopupMenuLock > 0 || (!fromKeyboard && !IsPopupMenuPoint(mousePos))) {
    handled = true;
    return;
  }
  TvxControl::DoContextPopup(mousePos, handled);
}

// --- Focus and keys ---------------------------------------------------------------------

bool TvxContainer::Focused() {
  return TvxControl::Focused() || (FInnerControl != nullptr && FInnerControl->Focused());
}

bool TvxContainer::MayFocus() { return FInnerControl == nullptr || !FInnerControl->Focused(); }

bool TvxContainer::CanFocusOnClick() {
  return TvxControl::CanFocusOnClick() && (FInnerControl == nullptr || !FInnerControl->Focused()) &&
         !FInnerControlMouseDown;
}

void TvxContainer::SetInnerControlFocus() { FInnerControl->SetFocus(); }

void TvxContainer::SetFocus() {
  if (IsDesigning() || IsInplace()) return;
  TvxObjectLinkHolder link(this);
  TvxControl::SetFocus();
  if (link.Object() == nullptr || !HandleAllocated() || GetFocus() != Handle()) return;
  if (FInnerControl == nullptr || !FInnerControl->HandleAllocated() || !FInnerControl->CanFocus()) return;
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form->ActiveControl() != FInnerControl) form->SetActiveControl(FInnerControl);
  // The form's active control may have been the inner control already, while the platform
  // focused the container's window after it.
  if (GetFocus() == Handle()) ::SetFocus(FInnerControl->Handle());
}

void TvxContainer::GetTabOrderList(std::vector<TWinControl*>& list) {
  TvxControl::GetTabOrderList(list);
  if (SkipTabKeyHandling() || FInnerControl == nullptr || !CanFocus()) return;
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form->ActiveControl() == this) return;
  std::replace(list.begin(), list.end(), FInnerControl, static_cast<TWinControl*>(this));
}

void TvxContainer::KeyDown(WORD& key, TShiftState shift) {
  TvxObjectLinkHolder link(this);
  TvxControl::KeyDown(key, shift);
  if (link.Object() == nullptr || key != VK_TAB || (shift & (ssCtrl | ssAlt)) != 0 || SkipTabKeyHandling() ||
      !Focused())
    return;
  key = 0;
  if (TCustomForm* form = GetParentForm(this)) form->SelectNext(this, (shift & ssShift) == 0, true);
  if (link.Object() != nullptr && FInnerControl != nullptr && Focused() && FInnerControl->CanFocus())
    SetInnerControlFocus();
}

bool TvxContainer::IsInnerControlShortCut(TMessage& message) {
  if ((message.Msg == CN_KEYDOWN || message.Msg == CN_SYSKEYDOWN) && IsPopupMenuShortCut(message)) {
    message.Result = 1;
    return true;
  }
  return false;
}

// --- Scroll bars over the inner window's own --------------------------------------------

bool TvxContainer::GetInnerScrollBarInfo(TScrollBarKind kind, SCROLLBARINFO& info) {
  if (FInnerControl == nullptr || !FInnerControl->HandleAllocated()) return false;
  info.cbSize = sizeof info;
  const LONG object = kind == TScrollBarKind::sbHorizontal ? OBJID_HSCROLL : OBJID_VSCROLL;
  return GetScrollBarInfo(FInnerControl->Handle(), object, &info) != 0;
}

bool TvxContainer::IsInnerScrollBarVisible(const SCROLLBARINFO& info) {
  return (info.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)) == 0;
}

bool TvxContainer::IsScrollBarOwnerEnabled(TvxScrollBar* scrollBar, const SCROLLBARINFO& info) {
  return scrollBar->Parent() != nullptr && scrollBar->Parent()->Enabled() &&
         (info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) == 0;
}

RECT TvxContainer::GetInnerControlRectForChild(const RECT& screenRect) {
  if (!HandleAllocated()) return RECT{};
  const POINT topLeft = ScreenToClient(POINT{screenRect.left, screenRect.top});
  const int width = screenRect.right - screenRect.left, height = screenRect.bottom - screenRect.top;
  if (topLeft.x < 0 || topLeft.y < 0 || width > Width() || height > Height()) return RECT{};
  return RECT{topLeft.x, topLeft.y, topLeft.x + width, topLeft.y + height};
}

void TvxContainer::SetScrollBarVisible(TvxScrollBar* scrollBar, bool visible) {
  scrollBar->SetVisible(visible);
  if (!visible) return;
  scrollBar->SetCtl3D(false);
  scrollBar->BringToFront();
}

void TvxContainer::SetScrollBarVisibility(TvxScrollBar* scrollBar) {
  SCROLLBARINFO info{};
  if (!GetInnerScrollBarInfo(scrollBar->Kind(), info) || !IsInnerScrollBarVisible(info)) {
    SetScrollBarVisible(scrollBar, false);
    return;
  }
  scrollBar->SetEnabled(IsScrollBarOwnerEnabled(scrollBar, info));
  const RECT r = GetInnerControlRectForChild(info.rcScrollBar);
  scrollBar->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  SetScrollBarVisible(scrollBar, !IsRectEmpty(&r));
}

void TvxContainer::SetScrollBarsParameters() {
  if (FInnerControl == nullptr || !FInnerControl->HandleAllocated() || !HasScrollBars() || IsDestroying() ||
      FIsUpdatingScrollBars)
    return;
  TFlagScope updating(FIsUpdatingScrollBars);
  for (TvxScrollBar* bar : {static_cast<TvxScrollBar*>(HScrollBar()), static_cast<TvxScrollBar*>(VScrollBar())}) {
    if (bar == nullptr) continue;
    SetScrollBarVisibility(bar);
    if (!bar->Visible()) continue;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    const int kind = bar->Kind() == TScrollBarKind::sbHorizontal ? SB_HORZ : SB_VERT;
    if (!GetScrollInfo(FInnerControl->Handle(), kind, &si) || si.nMax < si.nMin) continue;
    // The bar takes no page larger than its range.
    const int page = static_cast<int>(std::min<long long>(si.nPage, static_cast<long long>(si.nMax) - si.nMin + 1));
    bar->SetSmallChange(1);
    bar->SetScrollParams(si.nMin, si.nMax, si.nPos, page);
  }
}

// --- Window -----------------------------------------------------------------------------

void TvxContainer::CreateParams(TCreateParams& params) {
  TvxControl::CreateParams(params);
  // A new size repaints only what the refresh invalidates.
  params.WindowClass.style &= ~(CS_VREDRAW | CS_HREDRAW);
}

void TvxContainer::CreateWnd() {
  TvxControl::CreateWnd();
  DefWindowProcA(Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(FText.c_str()));
}

void TvxContainer::CreateHandle() {
  TvxControl::CreateHandle();
  ShortRefreshContainer(false);
}

void TvxContainer::AdjustClientRect(RECT& rect) {
  if (!IsDestroying()) rect = FViewInfo->ClientRect;
}

void TvxContainer::AlignControls(TControl* control, RECT& rect) {
  if (ControlStyle() & csAcceptsControls) {
    TvxControl::AlignControls(control, rect);
    return;
  }
  if (FInnerControlBoundsLock > 0 || IsInternalControl(control)) return;
  // The inner control is placed by the refresh; a child window only loses what lies outside
  // the client rectangle.
  for (int i = 0; i < ControlCount(); ++i) {
    auto* child = dynamic_cast<TWinControl*>(Controls(i));
    if (child == nullptr || !child->HandleAllocated()) continue;
    RECT visible = rect;
    if (GetControlVisibleBounds(child, visible)) {
      vxSetWindowRegion(child->Handle(), nullptr);
    } else {
      TvxRegion region(visible);
      vxSetWindowRegion(child->Handle(), &region);
    }
  }
}

LRESULT TvxContainer::WMSetFocus(TMessage& m) {
  // The focus coming back from the inner control changes nothing.
  if (FInnerControl != nullptr && FInnerControl->HandleAllocated() &&
      reinterpret_cast<HWND>(m.WParam) == FInnerControl->Handle())
    return 0;
  TvxObjectLinkHolder link(this);
  const LRESULT result = TvxControl::Dispatch(m);
  if (link.Object() != nullptr && FInnerControl != nullptr && FInnerControl->CanFocus()) SetInnerControlFocus();
  return result;
}

LRESULT TvxContainer::WMKillFocus(TMessage& m) {
  if (FInnerControl != nullptr && FInnerControl->HandleAllocated() &&
      reinterpret_cast<HWND>(m.WParam) == FInnerControl->Handle())
    return 0;
  return TvxControl::Dispatch(m);
}

LRESULT TvxContainer::WMSetCursor(TMessage& m) {
  if (reinterpret_cast<HWND>(m.WParam) == Handle() && LOWORD(m.LParam) == HTCLIENT) {
    const POINT p = ScreenToClient(vxGetMouseCursorPos());
    if (!PtInRect(&FViewInfo->ClientRect, p)) {
      ::SetCursor(Screen->Cursors(crArrow));
      return 1;
    }
  }
  return TvxControl::Dispatch(m);
}

LRESULT TvxContainer::WMWindowPosChanging(TMessage& m) {
  if (IsDestroying()) return 0;
  const LRESULT result = TvxControl::Dispatch(m);
  if (FInnerControl != nullptr && HandleAllocated() && GetFocus() == Handle() && FInnerControl->CanFocus()) {
    TCustomForm* form = GetParentForm(this);
    if (form != nullptr) form->SetActiveControl(FInnerControl);
  }
  return result;
}

LRESULT TvxContainer::WMWindowPosChanged(TMessage& m) {
  const LRESULT result = TvxControl::Dispatch(m);
  if (IsDestroying()) return 1;
  if (NeedRefreshOnChange()) ShortRefreshContainer(false);
  return result;
}

LRESULT TvxContainer::CMFontChanged(TMessage& m) {
  if (FIsApplyingStyle) {
    const LRESULT result = TvxControl::Dispatch(m);
    AdjustInnerControl();
    SetScrollBarsParameters();
    ShortRefreshContainer(false);
    return result;
  }
  // The style draws with the control's font, but a font given to the control is the
  // control's own, not a font set on the style: the style's mark stays as it was (and the
  // style does not read its font anew, which would undo the change).
  const bool assigned = (Style()->OwnAssignedValues() & kFontBit) != 0;
  Style()->SetFont(&Font());
  SetStyleValueAssigned(csvFont, assigned);
  return TvxControl::Dispatch(m);
}

LRESULT TvxContainer::CMParentColorChanged(TMessage& m) {
  const bool assigned = (Style()->OwnAssignedValues() & vxStyleValueBit(csvColor)) != 0;
  LRESULT result;
  {
    TFlagScope taking(FTakingParentColor);
    result = TvxControl::Dispatch(m);
  }
  SetStyleValueAssigned(csvColor, assigned && !ParentColor());
  if (Style()->Color() != Color()) ContainerStyleChanged(Style());
  if (NeedRefreshOnChange() && !ParentColor()) Invalidate();
  return result;
}

LRESULT TvxContainer::CMParentFontChanged(TMessage& m) {
  const bool assigned = (Style()->OwnAssignedValues() & kFontBit) != 0;
  const LRESULT result = TvxControl::Dispatch(m);
  if (!ParentFont() && !assigned) {
    // A font of the controller's, if any; a font of the control's own stays.
    TvxContainerStyle* style = Style();
    const TvxContainerStyle* source = style->FindAssignedStyle(csvFont);
    if (source != nullptr && source != style && source->Font() != nullptr && !style->Font()->Equals(*source->Font())) {
      {
        TCounterLock lock(style->FFontChangeLock);
        style->FOwnFont->Assign(source->Font());
      }
      ContainerStyleChanged(style);
    }
  }
  SetStyleValueAssigned(csvFont, assigned && !ParentFont());
  return result;
}

LRESULT TvxContainer::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case CN_KEYDOWN:
    case CN_KEYUP:
    case CN_CHAR:
      if (FInnerControl != nullptr) return SendMessageA(FInnerControl->Handle(), m.Msg, m.WParam, m.LParam);
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (DragMode() == TDragMode::dmAutomatic && !IsDesigning()) {
        BeginAutoDrag();
        return 0;
      }
      break;
    case WM_SETFOCUS: return WMSetFocus(m);
    case WM_KILLFOCUS: return WMKillFocus(m);
    case WM_NCPAINT: return 0;
    case WM_SETCURSOR: return WMSetCursor(m);
    case WM_WINDOWPOSCHANGING: return WMWindowPosChanging(m);
    case WM_WINDOWPOSCHANGED: return WMWindowPosChanged(m);
    case CM_CTL3DCHANGED:
    case CM_SYSCOLORCHANGE: {
      const LRESULT result = TvxControl::Dispatch(m);
      ShortRefreshContainer(false);
      return result;
    }
    case CM_ENABLEDCHANGED: {
      const LRESULT result = TvxControl::Dispatch(m);
      EnabledChanged();
      return result;
    }
    case CM_FONTCHANGED: return CMFontChanged(m);
    case CM_PARENTCOLORCHANGED: return CMParentColorChanged(m);
    case CM_PARENTFONTCHANGED: return CMParentFontChanged(m);
    case VXM_UPDATESCROLLBARS: SetScrollBarsParameters(); return 0;
  }
  return TvxControl::Dispatch(m);
}

LRESULT TvxContainer::WndProc(TMessage& m) {
  // A hidden container does not take the focus.
  if (m.Msg == WM_SETFOCUS && !Visible()) return 0;
  return TvxControl::WndProc(m);
}

// --- Popup windows ----------------------------------------------------------------------

namespace {

// What the popup windows share process-wide, from InitializevxPopupWindows to
// FinalizevxPopupWindows.
struct TPopupWindowsUnit {
  std::vector<TvxCustomPopupWindow*> Visible;  // oldest first, not owned
  TvxCustomPopupWindow* Showing = nullptr;
  TvxCustomPopupWindow* Closing = nullptr;
  bool ClosingFromMouseHook = false;
  HHOOK CallWndProcHook = nullptr;
  HHOOK GetMessageHook = nullptr;
  HHOOK MouseHook = nullptr;
  // Windows whose procedure answers their next WM_NCACTIVATE itself: the procedure to put back.
  std::map<HWND, WNDPROC> HeldCaptions;
};

std::unique_ptr<TPopupWindowsUnit> GPopupUnit;

TPopupWindowsUnit& PopupUnit() {
  if (!GPopupUnit) throw EInvalidOperation("Popup windows are not initialized");
  return *GPopupUnit;
}

bool IsListed(const TvxCustomPopupWindow* popup) {
  if (!GPopupUnit) return false;
  const auto& list = GPopupUnit->Visible;
  return std::find(list.begin(), list.end(), popup) != list.end();
}

void Unlist(const TvxCustomPopupWindow* popup) {
  if (!GPopupUnit) return;
  auto& list = GPopupUnit->Visible;
  list.erase(std::remove(list.begin(), list.end(), popup), list.end());
}

// Sets a value for a scope and puts the old one back however the scope ends (TFlagScope for
// values other than flags).
template <class T>
class TValueScope {
public:
  TValueScope(T& field, T value) : FField(field), FOld(field) { field = value; }
  ~TValueScope() { FField = FOld; }
  TValueScope(const TValueScope&) = delete;
  TValueScope& operator=(const TValueScope&) = delete;

private:
  T& FField;
  T FOld;
};

// The popups a scan has dealt with already, by object link (a freed one reads as none).
class TDealtWith {
public:
  bool Contains(const TObject* object) const {
    return std::any_of(FLinks.begin(), FLinks.end(), [object](const auto& link) { return link->Object() == object; });
  }
  void Add(TObject* object) { FLinks.push_back(std::make_unique<TvxObjectLinkHolder>(object)); }

private:
  std::vector<std::unique_ptr<TvxObjectLinkHolder>> FLinks;
};

// The window's procedure while it answers one WM_NCACTIVATE itself: the first message that
// comes puts the former procedure back; a WM_NCACTIVATE is answered True (the caption stays
// as it is), anything else goes on to the former procedure.
LRESULT CALLBACK HeldCaptionWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC previous = nullptr;
  if (GPopupUnit) {
    auto it = GPopupUnit->HeldCaptions.find(window);
    if (it != GPopupUnit->HeldCaptions.end()) {
      previous = it->second;
      GPopupUnit->HeldCaptions.erase(it);
    }
  }
  if (previous == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)) == HeldCaptionWndProc)
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
  if (message == WM_NCACTIVATE) return TRUE;
  return CallWindowProcA(previous, window, message, wParam, lParam);
}

void HoldCaption(HWND window) {
  auto& held = GPopupUnit->HeldCaptions;
  if (held.count(window) != 0) return;
  auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
  if (previous == nullptr) return;
  held[window] = previous;
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HeldCaptionWndProc));
}

void ReleaseHeldCaptions() {
  for (const auto& [window, previous] : GPopupUnit->HeldCaptions)
    if (IsWindow(window) && reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)) == HeldCaptionWndProc)
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
  GPopupUnit->HeldCaptions.clear();
}

// An exception from user code run by a hook goes to the application; the hook goes on.
void HandleHookException() {
  if (Application != nullptr) Application->HandleException(nullptr);
}

// The window of the control (none without one or while it is being destroyed).
HWND LiveHandle(TWinControl* control) {
  return control != nullptr && !control->IsDestroying() && control->HandleAllocated() ? control->Handle() : nullptr;
}

bool IsWindowOrChild(HWND parent, HWND window) {
  return parent != nullptr && window != nullptr && (window == parent || IsChild(parent, window));
}

// The top-level window a child window sits in.
HWND TopLevelWindow(HWND window) {
  while (window != nullptr && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0) window = GetParent(window);
  return window;
}

}  // namespace

TvxCustomPopupWindow::TvxCustomPopupWindow(TWinControl* ownerControl) : TvxPopupWindow(ownerControl) {
  SetFormStyle(TFormStyle::fsNormal);
  SetVisible(false);
  SetKeyPreview(true);
  SetReference(FOwnerControl, ownerControl);
}

TvxCustomPopupWindow::~TvxCustomPopupWindow() {
  Destroying();
  if (TvxObjectLinkController* links = vxObjectLinkController()) links->ObjectDestroyed(this);
  Unlist(this);
  if (GPopupUnit) {
    if (GPopupUnit->Showing == this) GPopupUnit->Showing = nullptr;
    if (GPopupUnit->Closing == this) GPopupUnit->Closing = nullptr;
  }
  FViewInfo.reset();
  if (FStyle) FStyle->OnChanged = nullptr;
  FStyle.reset();
}

TvxContainerStyle* TvxCustomPopupWindow::Style() {
  if (!FStyle) {
    FStyle.reset(GetStyleClass()->Create(this, false, nullptr, csNormal));
    FStyle->OnChanged = [this](TObject*) {
      if (HandleAllocated()) Invalidate();
    };
  }
  return FStyle.get();
}

TvxContainerViewInfo* TvxCustomPopupWindow::ViewInfo() {
  if (!FViewInfo) {
    FViewInfo.reset(GetViewInfoClass()->Create());
    InitializeViewInfo(*FViewInfo);
  }
  return FViewInfo.get();
}

void TvxCustomPopupWindow::AdjustClientRect(RECT& rect) { rect = ViewInfo()->ClientRect; }

void TvxCustomPopupWindow::Paint() { ViewInfo()->PaintEx(Canvas()); }

void TvxCustomPopupWindow::Notification(TComponent* component, TOperation operation) {
  TvxPopupWindow::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == FOwnerControl) FOwnerControl = nullptr;
  if (component == FFocusedControl) FFocusedControl = nullptr;
}

TWinControl* TvxCustomPopupWindow::LiveOwner() const {
  return FOwnerControl != nullptr && !FOwnerControl->IsDestroying() ? FOwnerControl : nullptr;
}

TCustomForm* TvxCustomPopupWindow::OwnerForm() const {
  TWinControl* owner = LiveOwner();
  return owner != nullptr ? GetParentForm(owner) : nullptr;
}

bool TvxCustomPopupWindow::HoldsWindow(HWND window) { return HandleAllocated() && IsWindowOrChild(Handle(), window); }

bool TvxCustomPopupWindow::IsVisible() const { return IsListed(this); }

bool TvxCustomPopupWindow::Focused() {
  return IsVisible() && FPopupStyle && HoldsWindow(GetFocus());
}

int TvxCustomPopupWindow::VisiblePopupCount() {
  return GPopupUnit ? static_cast<int>(GPopupUnit->Visible.size()) : 0;
}

TvxCustomPopupWindow* TvxCustomPopupWindow::VisiblePopup(int index) {
  return PopupUnit().Visible.at(static_cast<size_t>(index));
}

TvxCustomPopupWindow* TvxCustomPopupWindow::ShowingPopup() { return GPopupUnit ? GPopupUnit->Showing : nullptr; }

TvxCustomPopupWindow* TvxCustomPopupWindow::ClosingPopup() { return GPopupUnit ? GPopupUnit->Closing : nullptr; }

bool TvxCustomPopupWindow::IsNavigationKey(WORD key) {
  return (key >= VK_PRIOR && key <= VK_DOWN) || key == VK_F4;
}

void TvxCustomPopupWindow::DoClosed() {
  if (OnClosed) OnClosed(this);
}

void TvxCustomPopupWindow::DoClosing() {
  if (OnClosing) OnClosing(this);
}

void TvxCustomPopupWindow::DoShowed() {
  if (OnShowed) OnShowed(this);
}

// --- Window --------------------------------------------------------------------------------

void TvxCustomPopupWindow::SetPopupStyle(bool value) {
  if (value == FPopupStyle) return;
  FPopupStyle = value;
  RecreatePopupWindow();
}

void TvxCustomPopupWindow::SetTopMost(bool value) {
  if (value == FTopMost) return;
  FTopMost = value;
  RecreatePopupWindow();
}

void TvxCustomPopupWindow::RecreatePopupWindow() {
  const bool wasVisible = IsVisible();
  if (wasVisible) CloseUp();
  RecreateWnd();
  if (wasVisible) Popup(FFocusedControl);
}

void TvxCustomPopupWindow::CreateParams(TCreateParams& params) {
  TvxPopupWindow::CreateParams(params);
  if (FPopupStyle) {
    TCustomForm* form = OwnerForm();
    params.WndParent = form != nullptr ? form->Handle() : nullptr;
    params.Style = (params.Style & ~WS_CHILD) | WS_POPUP;
    // A topmost popup over a form that is not topmost would stay over every other program.
    if (FTopMost && params.WndParent != nullptr && (GetWindowLongA(params.WndParent, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0)
      params.ExStyle |= WS_EX_TOPMOST;
  } else {
    params.Style = WS_CHILD;
    params.ExStyle |= WS_EX_TOOLWINDOW;
    if (params.WndParent == nullptr) params.WndParent = vxMessageWindow().Handle();
  }
  params.Style |= WS_CLIPCHILDREN;
}

void TvxCustomPopupWindow::CreateWnd() {
  TvxPopupWindow::CreateWnd();
  // Made as a child of the library's window, then a child of the desktop.
  if (!FPopupStyle) ::SetParent(Handle(), nullptr);
}

void TvxCustomPopupWindow::CreateHandle() {
  // The popup counts as visible while its window is made, so that the hooks treat the
  // messages of its making as a popup's.
  const bool listed = GPopupUnit == nullptr || IsListed(this);
  if (!listed) GPopupUnit->Visible.push_back(this);
  try {
    TvxPopupWindow::CreateHandle();
  } catch (...) {
    if (!listed) Unlist(this);
    throw;
  }
  if (!listed) Unlist(this);
}

void TvxCustomPopupWindow::KeyDown(WORD& key, TShiftState shift) {
  if (key == VK_ESCAPE && IsVisible() && HoldsWindow(GetCapture())) {
    ReleaseCapture();
    key = 0;
    return;
  }
  TvxPopupWindow::KeyDown(key, shift);
}

void TvxCustomPopupWindow::DoClose(TCloseAction& action) {
  TvxPopupWindow::DoClose(action);
  if (action == TCloseAction::caHide) CloseUp();
}

void TvxCustomPopupWindow::VisibleChanged() {
  if (Visible() || !FPopupStyle || !HandleAllocated() || IsWindowVisible(Handle()) || IsDesigning()) return;
  // The popup went: the owner takes the focus back when its form has it.
  TWinControl* owner = LiveOwner();
  TCustomForm* form = OwnerForm();
  if (owner == nullptr || form == nullptr || !form->HandleAllocated()) return;
  if (IsWindowOrChild(form->Handle(), GetFocus()) && owner->CanFocus()) owner->SetFocus();
}

void TvxCustomPopupWindow::Deactivate() {
  FActivatedFlag = false;
  TCustomForm::Deactivate();
  if (FLockDeactivate || !GPopupUnit) return;
  TvxObjectLinkHolder self(this);
  const HWND active = OtherActivationWindow();
  // The popups opened after the one that takes the activation close, newest first.
  TDealtWith dealt;
  while (GPopupUnit) {
    TvxCustomPopupWindow* next = nullptr;
    const auto& list = GPopupUnit->Visible;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
      TvxCustomPopupWindow* popup = *it;
      if (popup->HoldsWindow(active)) break;
      if (popup->Enabled() && !dealt.Contains(popup)) {
        next = popup;
        break;
      }
    }
    if (next == nullptr) break;
    dealt.Add(next);
    next->CloseUp();
  }
  if (self.Object() != nullptr && VisiblePopupCount() > 0) CloseUp();
}

// --- Showing and closing -----------------------------------------------------------------

void TvxCustomPopupWindow::Popup(TWinControl* focusedControl) {
  if (IsVisible()) return;
  TWinControl* owner = LiveOwner();
  if (owner == nullptr || !owner->HandleAllocated() || !IsWindowVisible(owner->Handle())) return;
  TPopupWindowsUnit& unit = PopupUnit();
  TvxObjectLinkHolder self(this);
  {
    TValueScope<TvxCustomPopupWindow*> showing(unit.Showing, this);
    unit.Visible.push_back(this);
    FClosedByOwnerClick = false;
    try {
      if (OnShowing) OnShowing(this);
      if (self.Object() == nullptr) return;
      CalculateSize();
      const POINT position = CalculatePosition();
      RECT r{position.x, position.y, position.x + Width(), position.y + Height()};
      FitBoundsToWorkArea(r);
      SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
      Show();

      TWinControl* target = focusedControl;
      if (FPopupStyle && !(target != nullptr && target->CanFocus() && target->TabStop())) {
        target = FindNextControl(nullptr, true, true, false);
        if (target == nullptr) target = this;
      }
      SetFocusedControl(target);
      if (target != nullptr && target->CanFocus()) target->SetFocus();

      TCustomForm* form = OwnerForm();
      const bool formTopMost = form != nullptr && form->HandleAllocated() &&
                               (GetWindowLongA(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
      const bool topMost = !FPopupStyle || form == nullptr || formTopMost;
      SetWindowPos(Handle(), topMost ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    } catch (...) {
      // Left half shown, the popup would count as open for good: it closes quietly.
      if (self.Object() != nullptr) {
        Unlist(this);
        if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
        Hide();
      }
      throw;
    }
  }
  if (self.Object() == nullptr) return;
  SetModalResult(mrNone);
  DoShowed();
  if (self.Object() != nullptr && FPopupStyle && FModalMode) RunModalLoop(self);
}

void TvxCustomPopupWindow::RunModalLoop(TvxObjectLinkHolder& self) {
  // Each step may free the popup: it is read only while the link says it lives.
  while (self.Object() != nullptr && IsVisible() && !Application->Terminated()) {
    // The system's menu keys would start the menu loop of the owner's form.
    MSG msg{};
    if (PeekMessageA(&msg, nullptr, WM_SYSKEYDOWN, WM_SYSKEYDOWN, PM_NOREMOVE) &&
        (msg.wParam == VK_RETURN || msg.wParam == VK_MENU || msg.wParam == VK_SPACE))
      PeekMessageA(&msg, nullptr, WM_SYSKEYDOWN, WM_SYSKEYDOWN, PM_REMOVE);
    if (ModalResult() != mrNone) {
      try {
        if (CloseQuery())
          ClosePopup();
        else
          SetModalResult(mrNone);
      } catch (...) {
        // A refused close (a value that does not validate) keeps the popup open.
        if (self.Object() != nullptr) SetModalResult(mrNone);
        Application->HandleException(self.Object() != nullptr ? this : nullptr);
      }
      if (self.Object() == nullptr || !IsVisible()) break;
    }
    try {
      Application->HandleMessage();
    } catch (...) {
      Application->HandleException(nullptr);
    }
  }
}

void TvxCustomPopupWindow::CloseUp() {
  if (!IsListed(this)) return;
  TvxObjectLinkHolder self(this);
  Unlist(this);
  auto hideWindow = [this] {
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
    Hide();
  };
  try {
    DoClosing();
  } catch (...) {
    // The popup has left the list: its window must not stay on the screen.
    if (self.Object() != nullptr) hideWindow();
    throw;
  }
  if (self.Object() == nullptr || !GPopupUnit) return;
  TValueScope<TvxCustomPopupWindow*> closing(GPopupUnit->Closing, this);
  hideWindow();
  if (self.Object() == nullptr) return;
  DoClosed();
  if (self.Object() != nullptr && HoldsWindow(GetCapture())) ReleaseCapture();
}

void TvxCustomPopupWindow::Repopup() {
  TvxObjectLinkHolder self(this);
  TvxObjectLinkHolder owner(FOwnerControl);
  Popup(FFocusedControl);
}

void TvxCustomPopupWindow::CloseUpLocked() {
  TvxObjectLinkHolder self(this);
  FLockDeactivate = true;
  try {
    CloseUp();
  } catch (...) {
    if (self.Object() != nullptr) FLockDeactivate = false;
    throw;
  }
  if (self.Object() != nullptr) FLockDeactivate = false;
}

void TvxCustomPopupWindow::CloseAndFocusOwner() {
  TvxObjectLinkHolder self(this);
  TvxObjectLinkHolder owner(FOwnerControl);
  CloseUpLocked();
  if (self.Object() == nullptr || owner.Object() == nullptr) return;
  if (HWND window = LiveHandle(LiveOwner())) SendMessageA(window, WM_SETFOCUS, 0, 0);
}

LRESULT TvxCustomPopupWindow::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_ERASEBKGND:
      if (!HasBackground()) return 1;
      break;
    case WM_ACTIVATE:
      if (LOWORD(m.WParam) != WA_INACTIVE) FActivatedFlag = true;
      break;
    case WM_ACTIVATEAPP:
      // The hooks decide what the application's deactivation closes.
      return TForm::WndProc(m);
    case CM_VISIBLECHANGED: {
      TvxObjectLinkHolder self(this);
      const LRESULT result = TvxPopupWindow::WndProc(m);
      if (self.Object() != nullptr) VisibleChanged();
      return result;
    }
    case VXM_CLOSEPOPUPWINDOW: CloseAndFocusOwner(); return 0;
    case VXM_REPOPUP: Repopup(); return 0;
  }
  return TvxPopupWindow::WndProc(m);
}

void TvxCustomPopupWindow::FitBoundsToWorkArea(RECT& r) {
  if (!IsWorkAreaLimited()) return;
  const RECT work = GetDesktopWorkArea(POINT{r.left, r.top});
  r.left = std::max(r.left, work.left);
  r.top = std::max(r.top, work.top);
  r.right = std::min(r.right, work.right);
  r.bottom = std::min(r.bottom, work.bottom);
  const int height = r.bottom - r.top;
  SetWidth(r.right - r.left);
  SetHeight(height);
  // A popup above its owner is cut at the work area's top: a height of the form's own keeps
  // its bottom where it was.
  if (Height() != height && r.top == work.top) r.top += height - Height();
  r.right = r.left + Width();
  r.bottom = r.top + Height();
}

void vxPostClosePopupMessage(TvxCustomPopupWindow* popup) {
  if (popup != nullptr && popup->HandleAllocated()) PostMessageA(popup->Handle(), VXM_CLOSEPOPUPWINDOW, 0, 0);
}

// --- Hooks ---------------------------------------------------------------------------------

void TvxCustomPopupWindow::OwnerFocusChanged(TWinControl* owner) {
  if (auto* container = dynamic_cast<TvxContainer*>(owner)) container->FocusChanged();
}

namespace {

// Closes, one at a time, the visible popups that match (usable ones only: the popup and its
// owner live and have windows), starting the search again after each close; after(popup)
// runs for a popup that still lives after its close.
template <class Match, class After>
void CloseMatching(Match match, After after) {
  TDealtWith dealt;
  while (GPopupUnit) {
    TvxCustomPopupWindow* found = nullptr;
    for (TvxCustomPopupWindow* popup : GPopupUnit->Visible) {
      if (popup->IsDestroying() || !popup->HandleAllocated() || LiveHandle(popup->OwnerControl()) == nullptr) continue;
      if (!dealt.Contains(popup) && match(popup)) {
        found = popup;
        break;
      }
    }
    if (found == nullptr) return;
    dealt.Add(found);
    TvxObjectLinkHolder link(found);
    found->CloseUp();
    if (link.Object() != nullptr) after(found);
  }
}

template <class Match>
void CloseMatching(Match match) {
  CloseMatching(match, [](TvxCustomPopupWindow*) {});
}

TvxCustomPopupWindow* FindListed(HWND window) {
  for (TvxCustomPopupWindow* popup : GPopupUnit->Visible)
    if (popup->HandleAllocated() && popup->Handle() == window) return popup;
  return nullptr;
}

HWND OwnerFormHandle(TvxCustomPopupWindow* popup) {
  TWinControl* owner = popup->OwnerControl();
  TCustomForm* form = owner != nullptr && !owner->IsDestroying() ? GetParentForm(owner) : nullptr;
  return LiveHandle(form);
}

}  // namespace

void TvxCustomPopupWindow::CallWndProcAction(HWND window, UINT message, WPARAM wParam) {
  switch (message) {
    case WM_WINDOWPOSCHANGED:
      // The owner moved out of sight.
      CloseMatching([window](TvxCustomPopupWindow* popup) {
        return LiveHandle(popup->OwnerControl()) == window && !IsWindowVisible(window);
      });
      break;
    case WM_NCACTIVATE:
      if (wParam != FALSE) break;
      if (GPopupUnit->ClosingFromMouseHook) {
        HoldCaption(window);
      } else {
        for (TvxCustomPopupWindow* popup : GPopupUnit->Visible)
          if (OwnerFormHandle(popup) == window) {
            HoldCaption(window);
            break;
          }
      }
      break;
    case WM_ACTIVATEAPP: {
      if (wParam != FALSE) break;
      for (TvxCustomPopupWindow* popup : GPopupUnit->Visible)
        if (HWND form = OwnerFormHandle(popup)) PostMessageA(form, WM_NCACTIVATE, FALSE, 0);
      CloseMatching(
          [](TvxCustomPopupWindow* popup) { return popup->Enabled() && !(popup->PopupStyle() && popup->Active()); },
          [](TvxCustomPopupWindow* popup) { OwnerFocusChanged(popup->LiveOwner()); });
      break;
    }
    case WM_SHOWWINDOW: {
      if (wParam != FALSE) break;
      // The owner is hidden: its last popup and every popup opened after it close, newest
      // first.
      const auto& list = GPopupUnit->Visible;
      auto last = std::find_if(list.rbegin(), list.rend(), [window](TvxCustomPopupWindow* popup) {
        return !popup->IsDestroying() && LiveHandle(popup->OwnerControl()) == window;
      });
      if (last == list.rend()) break;
      TvxObjectLinkHolder target(*last);
      TDealtWith dealt;
      while (GPopupUnit && target.Object() != nullptr && IsListed(static_cast<TvxCustomPopupWindow*>(target.Object()))) {
        const auto& now = GPopupUnit->Visible;
        TvxCustomPopupWindow* newest = nullptr;
        for (auto it = now.rbegin(); it != now.rend(); ++it) {
          if (!dealt.Contains(*it) && !(*it)->IsDestroying()) {
            newest = *it;
            break;
          }
          if (*it == target.Object()) break;
        }
        if (newest == nullptr) break;
        dealt.Add(newest);
        newest->CloseUp();
      }
      break;
    }
    case WM_CLOSE: {
      if (TvxCustomPopupWindow* popup = FindListed(window)) {
        if (popup->IsDestroying()) break;
        TvxObjectLinkHolder link(popup);
        if (popup->CloseQuery()) popup->CloseUp();
        if (link.Object() == nullptr || IsListed(popup) || !popup->PopupStyle()) break;
        // Closing a drop-down's popup asks the window it belongs to to close as well.
        if (HWND top = TopLevelWindow(LiveHandle(popup->LiveOwner()))) SendMessageA(top, WM_CLOSE, 0, 0);
      } else {
        bool closed = false;
        CloseMatching([window, &closed](TvxCustomPopupWindow* popup) {
          if (closed || popup->PopupStyle()) return false;
          const HWND form = OwnerFormHandle(popup);
          closed = form == window || form == nullptr;
          return closed;
        });
      }
      break;
    }
    case WM_DESTROY:
      if (TvxCustomPopupWindow* popup = FindListed(window)) {
        TvxObjectLinkHolder link(popup);
        popup->Close();
        if (link.Object() != nullptr && !IsListed(popup) && !popup->IsDestroying() && popup->TerminateApplication())
          Application->Terminate();
      }
      break;
  }
}

bool TvxCustomPopupWindow::MouseAction(WPARAM message, const MOUSEHOOKSTRUCT& info) {
  const HWND window = info.hwnd;
  // A press soon after the one that opened the popup (the user closing it again with the same
  // button) comes as a double click: it is a press all the same.
  const bool press = message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_NCLBUTTONDOWN ||
                     message == WM_NCLBUTTONDBLCLK;
  TDealtWith dealt;
  while (GPopupUnit) {
    TvxCustomPopupWindow* popup = nullptr;
    for (TvxCustomPopupWindow* candidate : GPopupUnit->Visible) {
      if (dealt.Contains(candidate) || candidate->IsDestroying() || !candidate->HandleAllocated()) continue;
      if (LiveHandle(candidate->OwnerControl()) == nullptr) continue;
      // A top-level popup that is not active closes by its own deactivation.
      if (candidate->PopupStyle() && !candidate->Active()) continue;
      popup = candidate;
      break;
    }
    if (popup == nullptr) return false;
    dealt.Add(popup);
    if (popup->HoldsWindow(window)) continue;

    TWinControl* owner = popup->OwnerControl();
    const HWND ownerWindow = owner->Handle();
    bool ownerSide = IsWindowOrChild(OwnerFormHandle(popup), window);
    for (TWinControl* parent = owner->Parent(); parent != nullptr && !ownerSide; parent = parent->Parent())
      if (auto* holder = dynamic_cast<TvxCustomPopupWindow*>(parent))
        ownerSide = holder->HoldsWindow(window);
    if (!ownerSide) {
      // An owner on an MDI child form: a press on the frame or on another child form.
      const HWND form = OwnerFormHandle(popup);
      const bool mdiChild = form != nullptr && (GetWindowLongA(form, GWL_EXSTYLE) & WS_EX_MDICHILD) != 0;
      const HWND frame = mdiChild ? GetParent(GetParent(form)) : nullptr;
      if (!(frame != nullptr && IsWindowOrChild(frame, window))) continue;
    }

    TvxObjectLinkHolder popupLink(popup);
    TvxObjectLinkHolder ownerLink(owner);
    if (window == ownerWindow && press) {
      const RECT ownerRect = popup->OwnerScreenBounds();
      if (PtInRect(&ownerRect, info.pt)) popup->FClosedByOwnerClick = true;
    }
    {
      TFlagScope fromHook(GPopupUnit->ClosingFromMouseHook);
      popup->CloseUpLocked();
    }
    // A press meant for an owner that went away or was hidden by the close goes nowhere.
    if (popupLink.Object() == nullptr || ownerLink.Object() == nullptr || popup->LiveOwner() != owner) return true;
    if (!owner->Visible() || !owner->HandleAllocated() || !IsWindowVisible(owner->Handle())) return true;
  }
  return false;
}

LRESULT CALLBACK TvxCustomPopupWindow::CallWndProcHook(int code, WPARAM wParam, LPARAM lParam) {
  const HHOOK hook = GPopupUnit ? GPopupUnit->CallWndProcHook : nullptr;
  if (code == HC_ACTION && GPopupUnit && !GPopupUnit->Visible.empty()) {
    try {
      const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
      CallWndProcAction(call->hwnd, call->message, call->wParam);
    } catch (...) {
      HandleHookException();
    }
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

LRESULT CALLBACK TvxCustomPopupWindow::GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
  const HHOOK hook = GPopupUnit ? GPopupUnit->GetMessageHook : nullptr;
  if (code == HC_ACTION && wParam == PM_REMOVE && GPopupUnit && !GPopupUnit->Visible.empty()) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (msg->message == WM_SYSKEYDOWN) {
      try {
        // Menu keys would reach the owner's form while the popup runs no loop of its own.
        TvxCustomPopupWindow* topmost = GPopupUnit->Visible.back();
        if (!(topmost->PopupStyle() && topmost->ModalMode()) &&
            !topmost->IsNavigationKey(static_cast<WORD>(msg->wParam)))
          msg->message = WM_NULL;
      } catch (...) {
        HandleHookException();
      }
    }
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

LRESULT CALLBACK TvxCustomPopupWindow::MouseHook(int code, WPARAM wParam, LPARAM lParam) {
  const HHOOK hook = GPopupUnit ? GPopupUnit->MouseHook : nullptr;
  if (code == HC_ACTION && GPopupUnit && !GPopupUnit->Visible.empty() &&
      (wParam == WM_LBUTTONDOWN || wParam == WM_LBUTTONDBLCLK || wParam == WM_NCLBUTTONDOWN ||
       wParam == WM_NCLBUTTONDBLCLK)) {
    try {
      if (MouseAction(wParam, *reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam))) return 1;
    } catch (...) {
      HandleHookException();
    }
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

void InitializevxPopupWindows() {
  if (GPopupUnit) return;
  GPopupUnit = std::make_unique<TPopupWindowsUnit>();
  const DWORD thread = GetCurrentThreadId();
  GPopupUnit->CallWndProcHook =
      SetWindowsHookExA(WH_CALLWNDPROC, TvxCustomPopupWindow::CallWndProcHook, nullptr, thread);
  GPopupUnit->GetMessageHook =
      SetWindowsHookExA(WH_GETMESSAGE, TvxCustomPopupWindow::GetMessageHook, nullptr, thread);
  GPopupUnit->MouseHook = SetWindowsHookExA(WH_MOUSE, TvxCustomPopupWindow::MouseHook, nullptr, thread);
}

void FinalizevxPopupWindows() {
  if (!GPopupUnit) return;
  for (HHOOK hook : {GPopupUnit->MouseHook, GPopupUnit->GetMessageHook, GPopupUnit->CallWndProcHook})
    if (hook != nullptr) UnhookWindowsHookEx(hook);
  ReleaseHeldCaptions();
  GPopupUnit.reset();
}

// --- Inner list box ----------------------------------------------------------------------

namespace {

// A byte that can follow a lead byte in code page 932.
bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// Messages after which the system's scroll bars may have moved, shown, hidden or changed.
bool MovesSystemScrollBars(const TMessage& m) {
  switch (m.Msg) {
    case WM_SETREDRAW: return m.WParam != 0;
    case WM_WINDOWPOSCHANGED:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_DELETESTRING:
    case LB_RESETCONTENT:
    case LB_SETCURSEL:
    case LB_SETHORIZONTALEXTENT:
    case LB_SETTOPINDEX:
    case LB_SETCARETINDEX:
    case WM_MOUSEWHEEL:
    case WM_NCCALCSIZE:
    case CM_WININICHANGE: return true;
  }
  return false;
}

}  // namespace

TvxCustomInnerListBox::TvxCustomInnerListBox(TComponent* owner)
    : TListBox(owner), FCanvas(std::make_unique<TvxCanvas>(TCustomListBox::Canvas())) {
  if (auto* container = dynamic_cast<TvxContainer*>(owner)) {
    FContainer = container;
    FContainerLink = std::make_unique<TvxObjectLinkHolder>(container);
  }
  FHScrollBar = CreateScrollBar(TScrollBarKind::sbHorizontal);
  FVScrollBar = CreateScrollBar(TScrollBarKind::sbVertical);
  FLookAndFeel = std::make_unique<TvxLookAndFeel>(this);
  FLookAndFeel->OnChanged = [this](TvxLookAndFeel* sender, TvxLookAndFeelValues changedValues) {
    LookAndFeelChanged(sender, changedValues);
  };
  FHScrollBar->LookAndFeel().SetMasterLookAndFeel(FLookAndFeel.get());
  FVScrollBar->LookAndFeel().SetMasterLookAndFeel(FLookAndFeel.get());
  SetBorderStyle(TBorderStyle::bsNone);
  SetControlStyle((ControlStyle() | csDoubleClicks) & ~csOpaque);
  SetParentColor(false);
  SetParentFont(true);
}

TvxCustomInnerListBox::~TvxCustomInnerListBox() {
  Destroying();
  if (TvxObjectLinkController* links = vxObjectLinkController()) links->ObjectDestroyed(this);
  for (TvxScrollBar** field : {&FHScrollBar, &FVScrollBar}) {
    TvxScrollBar* bar = *field;
    if (bar == nullptr) continue;
    *field = nullptr;
    bar->OnScroll = nullptr;
    bar->LookAndFeel().SetMasterLookAndFeel(nullptr);
    RemoveFreeNotification(bar);
    // A bar with a parent goes with its parent; until then it shows nothing.
    if (bar->Parent() == nullptr)
      delete bar;
    else
      bar->Hide();
  }
  FLookAndFeel->OnChanged = nullptr;
  FLookAndFeel.reset();
  FContainerLink.reset();
}

TvxScrollBar* TvxCustomInnerListBox::CreateScrollBar(TScrollBarKind kind) {
  auto* bar = new TvxScrollBar(nullptr);
  FreeNotification(bar);
  bar->SetKind(kind);
  bar->SetVisible(false);
  if (kind == TScrollBarKind::sbHorizontal)
    bar->OnScroll = [this](TObject*, TScrollCode code, int& position) { HScrollBarScroll(code, position); };
  else
    bar->OnScroll = [this](TObject*, TScrollCode code, int& position) { VScrollBarScroll(code, position); };
  return bar;
}

TvxContainer* TvxCustomInnerListBox::Container() const {
  if (FContainerLink == nullptr || FContainerLink->Object() == nullptr || FContainer->IsDestroying()) return nullptr;
  return FContainer;
}

void TvxCustomInnerListBox::Notification(TComponent* component, TOperation operation) {
  TListBox::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == FHScrollBar) FHScrollBar = nullptr;
  if (component == FVScrollBar) FVScrollBar = nullptr;
}

void TvxCustomInnerListBox::SetParent(TWinControl* parent) {
  TListBox::SetParent(parent);
  for (TvxScrollBar* bar : {FHScrollBar, FVScrollBar})
    if (bar != nullptr) bar->SetParent(parent);
}

void TvxCustomInnerListBox::LookAndFeelChanged(TvxLookAndFeel*, TvxLookAndFeelValues) {
  if (HandleAllocated()) Invalidate();
}

void TvxCustomInnerListBox::UnlockScrollBars() {
  if (FScrollBarsLockCount > 0 && --FScrollBarsLockCount == 0) UpdateScrollBars();
}

// --- Scroll bars over the system's ---

void TvxCustomInnerListBox::UpdateScrollBars() {
  if (IsDestroying() || FScrollBarsLockCount > 0 || FIsUpdatingScrollBars || !HandleAllocated()) return;
  TFlagScope updating(FIsUpdatingScrollBars);
  for (TvxScrollBar* bar : {FHScrollBar, FVScrollBar}) {
    if (bar == nullptr) continue;
    const bool horizontal = bar->Kind() == TScrollBarKind::sbHorizontal;
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    TWinControl* parent = bar->Parent();
    bool visible = Visible() && parent != nullptr && parent->HandleAllocated() &&
                   GetScrollBarInfo(Handle(), horizontal ? OBJID_HSCROLL : OBJID_VSCROLL, &info) &&
                   (info.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)) == 0;
    if (visible) {
      bar->SetEnabled(Enabled() && (info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) == 0);
      RECT r = vxMapWindowRect(nullptr, parent->Handle(), info.rcScrollBar);
      bar->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
      SCROLLINFO si{};
      si.cbSize = sizeof si;
      si.fMask = SIF_ALL;
      visible = GetScrollInfo(Handle(), horizontal ? SB_HORZ : SB_VERT, &si) && si.nMax >= si.nMin;
      if (visible) {
        // The bar takes no page larger than its range.
        const int page = static_cast<int>(std::min<long long>(si.nPage, static_cast<long long>(si.nMax) - si.nMin + 1));
        // A bar out of sight is painted anew when it comes into sight.
        bar->SetScrollParams(si.nMin, si.nMax, si.nPos, page, Showing());
      }
    }
    if (visible == bar->Visible()) continue;
    bar->SetVisible(visible);
    if (visible) bar->BringToFront();
  }
}

void TvxCustomInnerListBox::HScrollBarScroll(TScrollCode scrollCode, int& scrollPos) {
  // The system's list reads a dragged thumb from its own bar, which stands still: the
  // position the own bar's thumb stands for is passed as a thumb position.
  if (scrollCode == scTrack) scrollCode = scPosition;
  // Straight to the system's procedure: through WndProc a WM_HSCROLL from a window of ours
  // would be reflected to the bar, which would scroll again.
  TMessage m{WM_HSCROLL, MAKEWPARAM(scrollCode, scrollPos), reinterpret_cast<LPARAM>(FHScrollBar->Handle()), 0};
  TListBox::DefaultHandler(m);
  scrollPos = GetScrollPos(Handle(), SB_HORZ);
}

void TvxCustomInnerListBox::VScrollBarScroll(TScrollCode scrollCode, int& scrollPos) {
  // The vertical position is the top item. The thumb's too: the system's list reads a
  // dragged thumb from its own bar, which stands still, and a thumb position in a message
  // has 16 bits, too few for a long list.
  if (scrollCode == scLineUp || scrollCode == scLineDown || scrollCode == scTrack || scrollCode == scPosition) {
    SetTopIndex(scrollPos);
    return;
  }
  TMessage m{WM_VSCROLL, MAKEWPARAM(scrollCode, scrollPos), reinterpret_cast<LPARAM>(FVScrollBar->Handle()), 0};
  TListBox::DefaultHandler(m);
  scrollPos = GetScrollPos(Handle(), SB_VERT);
}

bool TvxCustomInnerListBox::SizeGripRect(RECT& r) {
  if (!HandleAllocated() || FHScrollBar == nullptr || FVScrollBar == nullptr || !FHScrollBar->Visible() ||
      !FVScrollBar->Visible())
    return false;
  SCROLLBARINFO h{}, v{};
  h.cbSize = v.cbSize = sizeof(SCROLLBARINFO);
  RECT window;
  if (!GetScrollBarInfo(Handle(), OBJID_HSCROLL, &h) || !GetScrollBarInfo(Handle(), OBJID_VSCROLL, &v) ||
      !GetWindowRect(Handle(), &window))
    return false;
  r = RECT{v.rcScrollBar.left, h.rcScrollBar.top, v.rcScrollBar.right, h.rcScrollBar.bottom};
  OffsetRect(&r, -window.left, -window.top);
  return !IsRectEmpty(&r);
}

LRESULT TvxCustomInnerListBox::WMNCPaint(TMessage& m) {
  const LRESULT result = TListBox::WndProc(m);
  // The system leaves the square between its two bars to the window; the own bars do not
  // cover it.
  RECT r;
  if (SizeGripRect(r)) {
    HDC dc = GetWindowDC(Handle());
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    ReleaseDC(Handle(), dc);
  }
  return result;
}

LRESULT TvxCustomInnerListBox::WMWindowPosChanged(TMessage& m) {
  const LRESULT result = TListBox::WndProc(m);
  UpdateScrollBars();
  RECT r, window;
  if (SizeGripRect(r) && GetWindowRect(Handle(), &window)) {
    OffsetRect(&r, window.left, window.top);
    HRGN region = CreateRectRgnIndirect(&r);
    SendMessageA(Handle(), WM_NCPAINT, reinterpret_cast<WPARAM>(region), 0);
    DeleteObject(region);
  }
  return result;
}

// --- Drawing ---

LRESULT TvxCustomInnerListBox::CNDrawItem(TMessage& m) {
  auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
  const auto state = static_cast<TOwnerDrawState>(LOWORD(item->itemState));
  const int index = static_cast<int>(item->itemID);
  TCanvas& canvas = TCustomListBox::Canvas();
  canvas.SetHandle(item->hDC);
  struct Detach {
    TCanvas& canvas;
    ~Detach() { canvas.SetHandle(nullptr); }
  } detach{canvas};
  FCanvas->SetFont(Font());
  FCanvas->Brush().Assign(&Brush());
  if (state & odSelected) {
    FCanvas->Brush().SetColor(clHighlight);
    FCanvas->Font().SetColor(clHighlightText);
  }
  if (index >= 0 && index < Count())
    DrawItem(index, item->rcItem, state);
  else
    FCanvas->FillRect(item->rcItem);
  if ((state & odFocused) && CanDrawFocusRect()) DrawFocusRect(item->hDC, &item->rcItem);
  return 1;
}

// --- Keys ---

void TvxCustomInnerListBox::KeyDown(WORD& key, TShiftState shift) {
  TvxObjectLinkHolder link(this);
  if (TvxContainer* container = Container()) container->KeyDown(key, shift);
  if (key != 0 && link.Object() != nullptr) TListBox::KeyDown(key, shift);
}

void TvxCustomInnerListBox::KeyUp(WORD& key, TShiftState shift) {
  if (key == VK_TAB || key == VK_RETURN) {
    key = 0;
    return;
  }
  TvxObjectLinkHolder link(this);
  if (TvxContainer* container = Container()) container->KeyUp(key, shift);
  if (key != 0 && link.Object() != nullptr) TListBox::KeyUp(key, shift);
}

void TvxCustomInnerListBox::KeyPress(char& key) {
  if (key == '\t' || key == '\r') {
    key = 0;
    return;
  }
  TvxObjectLinkHolder link(this);
  if (TvxContainer* container = Container()) container->KeyPress(key);
  if (key != 0 && link.Object() != nullptr) TListBox::KeyPress(key);
  if (key != 0 && link.Object() != nullptr) DoAutoComplete(key);
}

LRESULT TvxCustomInnerListBox::WMGetDlgCode(TMessage& m) {
  LRESULT result = TListBox::WndProc(m);
  if (Container() != nullptr) {
    result |= DLGC_WANTCHARS;
    // Ctrl+Tab leaves the list.
    if (!vxIsCtrlDown()) result |= DLGC_WANTTAB;
  }
  return result;
}

void TvxCustomInnerListBox::DoAutoComplete(char& key) {
  if (!AutoComplete()) return;
  const auto c = static_cast<unsigned char>(key);
  const DWORD now = KeyTickCount();
  if (now - FLastKeyTime > FAutoCompleteDelay) {
    // A waiting lead byte belongs to the text that the pause ended.
    FAutoCompleteText.clear();
    FPendingLeadByte = 0;
  }
  FLastKeyTime = now;
  const unsigned char lead = FPendingLeadByte;
  FPendingLeadByte = 0;
  if (lead != 0 && IsTrailByte(c)) {
    FAutoCompleteText += static_cast<char>(lead);
    FAutoCompleteText += static_cast<char>(c);
  } else if (c == VK_BACK) {
    // The last character starts where the walk from the start last stopped: a trail byte
    // may look like a lead byte.
    size_t last = 0;
    for (size_t i = 0; i < FAutoCompleteText.size(); i = NextCharIndex(FAutoCompleteText, i)) last = i;
    FAutoCompleteText.erase(last);
  } else if (IsLeadByte(c)) {
    MSG trail;
    if (PeekMessageA(&trail, Handle(), WM_CHAR, WM_CHAR, PM_NOREMOVE) &&
        IsTrailByte(static_cast<unsigned char>(trail.wParam))) {
      PeekMessageA(&trail, Handle(), WM_CHAR, WM_CHAR, PM_REMOVE);
      FAutoCompleteText += static_cast<char>(c);
      FAutoCompleteText += static_cast<char>(trail.wParam);
    } else {
      // Never searched alone: it waits for its trail byte.
      FPendingLeadByte = c;
      key = 0;
      return;
    }
  } else if (c < ' ') {
    // Enter, Escape and the other control characters are no text.
    if (c != VK_RETURN && c != VK_ESCAPE) key = 0;
    return;
  } else {
    FAutoCompleteText += static_cast<char>(c);
  }
  SearchText();
  if (c != VK_BACK) key = 0;
}

void TvxCustomInnerListBox::SearchText() {
  if (FAutoCompleteText.empty()) {
    SetItemIndex(0);
    return;
  }
  const auto text = reinterpret_cast<LPARAM>(FAutoCompleteText.c_str());
  // A list that selects several items has no LB_SELECTSTRING.
  const int index = static_cast<int>(SendMessageA(Handle(), MultiSelect() ? LB_FINDSTRING : LB_SELECTSTRING,
                                                  static_cast<WPARAM>(-1), text));
  if (index == LB_ERR) return;
  if (MultiSelect()) {
    const int from = std::max(ItemIndex(), 0);
    SendMessageA(Handle(), LB_SELITEMRANGE, TRUE, MAKELPARAM(std::min(from, index), std::max(from, index)));
  }
  SetItemIndex(index);
  Click();
}

// --- Mouse and the rest, passed on to the container ---

void TvxCustomInnerListBox::Click() {
  TvxObjectLinkHolder link(this);
  TListBox::Click();
  if (link.Object() == nullptr) return;
  if (FVScrollBar != nullptr) FVScrollBar->SetPosition(TopIndex());
  if (TvxContainer* container = Container()) container->Click();
}

void TvxCustomInnerListBox::DblClick() {
  TvxObjectLinkHolder link(this);
  TListBox::DblClick();
  if (link.Object() == nullptr) return;
  if (TvxContainer* container = Container()) container->DblClick();
}

void TvxCustomInnerListBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TvxObjectLinkHolder link(this);
  TListBox::MouseDown(button, shift, x, y);
  TvxContainer* container = link.Object() != nullptr ? Container() : nullptr;
  if (container == nullptr) return;
  // The press is the list's: the container does not take the focus for it.
  TvxObjectLinkHolder containerLink(container);
  struct Reset {
    TvxObjectLinkHolder& link;
    TvxContainer* container;
    ~Reset() {
      if (link.Object() != nullptr) container->SetInnerControlMouseDown(false);
    }
  } reset{containerLink, container};
  container->SetInnerControlMouseDown(true);
  container->MouseDown(button, shift, x + Left(), y + Top());
}

void TvxCustomInnerListBox::MouseMove(TShiftState shift, int x, int y) {
  TvxObjectLinkHolder link(this);
  TListBox::MouseMove(shift, x, y);
  if (link.Object() == nullptr) return;
  if (TvxContainer* container = Container()) container->MouseMove(shift, x + Left(), y + Top());
}

void TvxCustomInnerListBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TvxObjectLinkHolder link(this);
  TListBox::MouseUp(button, shift, x, y);
  if (link.Object() == nullptr) return;
  if (TvxContainer* container = Container()) container->MouseUp(button, shift, x + Left(), y + Top());
}

void TvxCustomInnerListBox::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
  TListBox::DragOver(source, x, y, state, accept);
  if (TvxContainer* container = Container()) container->DragOver(source, x + Left(), y + Top(), state, accept);
}

bool TvxCustomInnerListBox::DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) {
  if (TvxContainer* container = Container(); container != nullptr && container->DoMouseWheel(shift, wheelDelta, mousePos))
    return true;
  return TListBox::DoMouseWheel(shift, wheelDelta, mousePos);
}

TPopupMenu* TvxCustomInnerListBox::GetPopupMenu() {
  if (TvxContainer* container = Container()) return container->GetPopupMenu();
  return TListBox::GetPopupMenu();
}

LRESULT TvxCustomInnerListBox::WMLButtonDown(TMessage& m) {
  TvxContainer* container = Container();
  if (container == nullptr || container->DragMode() != TDragMode::dmAutomatic || IsDesigning())
    return TListBox::WndProc(m);
  // The list handles the click itself; the drag that follows is the container's.
  TvxObjectLinkHolder link(this);
  const TDragMode dragMode = DragMode();
  SetDragMode(TDragMode::dmManual);
  const LRESULT result = TListBox::WndProc(m);
  if (link.Object() == nullptr) return result;
  SetDragMode(dragMode);
  const TShiftState shift = KeysToShiftState(m.WParam);
  const int item = ItemAtPos(POINT{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))}, true);
  const bool extendingOntoUnselected =
      MultiSelect() && (shift & ssCtrl) != 0 && (shift & ssShift) == 0 && item >= 0 && !Selected(item);
  if (!extendingOntoUnselected && (container = Container()) != nullptr) container->BeginDrag(false);
  return result;
}

// --- Messages ---

LRESULT TvxCustomInnerListBox::DefaultHandler(TMessage& m) {
  if (TvxContainer* container = Container(); container != nullptr && container->InnerControlDefaultHandler(m))
    return m.Result;
  return TListBox::DefaultHandler(m);
}

LRESULT TvxCustomInnerListBox::WndProc(TMessage& m) {
  if (TvxContainer* container = Container(); container != nullptr && container->IsInnerControlShortCut(m))
    return m.Result;
  switch (m.Msg) {
    case WM_GETDLGCODE: return WMGetDlgCode(m);
    case WM_LBUTTONDOWN: return WMLButtonDown(m);
    case WM_NCPAINT: return WMNCPaint(m);
    case WM_WINDOWPOSCHANGED: return WMWindowPosChanged(m);
    case CN_DRAWITEM: return CNDrawItem(m);
  }
  TvxObjectLinkHolder link(this);
  const LRESULT result = TListBox::WndProc(m);
  if (link.Object() == nullptr) return result;
  switch (m.Msg) {
    case WM_KILLFOCUS:
      if (TvxContainer* container = Container()) container->FocusChanged();
      break;
    case WM_SETFOCUS:
      if (TvxContainer* container = Container();
          container != nullptr && !(container->HandleAllocated() && reinterpret_cast<HWND>(m.WParam) == container->Handle()))
        container->FocusChanged();
      break;
    case CM_MOUSELEAVE:
      if (TvxContainer* container = Container()) container->ShortRefreshContainer(true);
      break;
  }
  // While the list does not redraw, filling it would update the bars at every item; the
  // update when redrawing starts again gives the same result.
  if (m.Msg == WM_SETREDRAW) FRedrawOff = m.WParam == 0;
  if (!FRedrawOff && MovesSystemScrollBars(m)) UpdateScrollBars();
  return result;
}
