#include "controls/vxLookAndFeels.h"

#include "controls/vdOffice11.h"
#include "controls/vxLookAndFeelPainters.h"
#include "platform/gui/Controls.h"

#include <algorithm>

namespace {

TvxLookAndFeel* GRootLookAndFeel = nullptr;
int GControllerCount = 0;

bool IsController(IvxLookAndFeelChangeListener* listener) {
  return dynamic_cast<TvxLookAndFeelController*>(listener->GetObject()) != nullptr;
}

// The one hidden window that hears WM_SYSCOLORCHANGE for every notifier. It lives while
// notifiers do and holds a use of the Office-2003-like colours meanwhile, so that they are
// refreshed before any notifier hears of the change.
class TvxSystemPaletteChangedListener {
public:
  TvxSystemPaletteChangedListener() {
    AddOffice11ColorsUser();
    FWindow = AllocateHWnd([this](TMessage& m) { WndProc(m); });
  }
  ~TvxSystemPaletteChangedListener() {
    DeallocateHWnd(FWindow);
    ReleaseOffice11ColorsUser();
  }
  TvxSystemPaletteChangedListener(const TvxSystemPaletteChangedListener&) = delete;
  TvxSystemPaletteChangedListener& operator=(const TvxSystemPaletteChangedListener&) = delete;

  HWND Window() const { return FWindow; }
  bool Notifying() const { return FNotifying; }
  bool Empty() const { return FPrimary.empty() && FOrdinary.empty(); }
  void Add(TvxSystemPaletteChangedNotifier* notifier) {
    (notifier->IsPrimary() ? FPrimary : FOrdinary).push_back(notifier);
  }
  void Remove(TvxSystemPaletteChangedNotifier* notifier) {
    for (auto* list : {&FPrimary, &FOrdinary}) {
      auto it = std::find(list->begin(), list->end(), notifier);
      if (it != list->end()) list->erase(it);
    }
  }

private:
  void WndProc(TMessage& m) {
    if (m.Msg == WM_SYSCOLORCHANGE) {
      struct TNotifyingScope {
        bool& Flag;
        ~TNotifyingScope() { Flag = false; }
      } scope{FNotifying = true};
      RefreshOffice11Colors();
      auto doChanged = [](TvxSystemPaletteChangedNotifier* n) { n->DoChanged(); };
      vxForEachListedBackward(FPrimary, doChanged);
      vxForEachListedBackward(FOrdinary, doChanged);
    }
    m.Result = DefWindowProcA(FWindow, m.Msg, m.WParam, m.LParam);
  }

  HWND FWindow = nullptr;
  bool FNotifying = false;
  std::vector<TvxSystemPaletteChangedNotifier*> FPrimary, FOrdinary;
};

std::unique_ptr<TvxSystemPaletteChangedListener> GPaletteListener;

// A listener left empty while it was telling its notifiers is still running its window
// procedure; it goes at the next chance instead.
void FreeEmptyPaletteListener() {
  if (GPaletteListener && GPaletteListener->Empty() && !GPaletteListener->Notifying()) GPaletteListener.reset();
}

}  // namespace

// --- TvxLookAndFeel --------------------------------------------------------------------

TvxLookAndFeel::TvxLookAndFeel(TPersistent* owner) : TvxInterfacedPersistent(owner) {
  FPaletteNotifier = std::make_unique<TvxSystemPaletteChangedNotifier>(false);
  FPaletteNotifier->OnSystemPaletteChanged = [this] { NotifyNativeStyleChanged(); };
  if (GRootLookAndFeel != nullptr) {
    GRootLookAndFeel->AddChangeListener(this);
    FKind = GetActiveKind();
    FNativeStyle = GetActiveNativeStyle();
  }
}

TvxLookAndFeel::~TvxLookAndFeel() {
  FPaletteNotifier.reset();
  FDestroying = true;
  // Nobody leaves the list meanwhile: RemoveChangeListener does nothing while destroying.
  const std::vector<IvxLookAndFeelChangeListener*> listeners = FListeners;
  for (IvxLookAndFeelChangeListener* listener : listeners) listener->MasterLookAndFeelDestroying(this);
  FDestroying = false;
  FListeners.clear();
  if (TvxLookAndFeel* master = MasterInUse()) master->RemoveChangeListener(this);
  if (FIsRoot && GRootLookAndFeel == this) GRootLookAndFeel = nullptr;
}

TvxLookAndFeel* TvxLookAndFeel::MasterInUse() const {
  if (FIsRoot) return nullptr;
  return FMasterLookAndFeel != nullptr ? FMasterLookAndFeel : GRootLookAndFeel;
}

TvxLookAndFeelKind TvxLookAndFeel::GetActiveKind() const {
  if (FAssignedValues & lfvKind) return FOwnKind;
  if (FIsRoot) return lfUltraFlat;
  if (FMasterLookAndFeel != nullptr) return FMasterLookAndFeel->Kind();
  if (GRootLookAndFeel != nullptr) return GRootLookAndFeel->Kind();
  return lfUltraFlat;
}

bool TvxLookAndFeel::GetActiveNativeStyle() const {
  if (FAssignedValues & lfvNativeStyle) return FOwnNativeStyle;
  if (FIsRoot) return false;
  if (FMasterLookAndFeel != nullptr) return FMasterLookAndFeel->NativeStyle();
  if (GRootLookAndFeel != nullptr) return GRootLookAndFeel->NativeStyle();
  return false;
}

void TvxLookAndFeel::SetKind(TvxLookAndFeelKind value) {
  const TvxLookAndFeelKind old = FKind;
  FAssignedValues |= lfvKind;
  FOwnKind = value;
  if (GetActiveKind() != old) Changed(lfvKind);
}

void TvxLookAndFeel::SetNativeStyle(bool value) {
  const bool old = FNativeStyle;
  FAssignedValues |= lfvNativeStyle;
  FOwnNativeStyle = value;
  if (GetActiveNativeStyle() != old) Changed(lfvNativeStyle);
}

void TvxLookAndFeel::SetAssignedValues(TvxLookAndFeelValues value) {
  if (value == FAssignedValues) return;
  SaveValues();
  FAssignedValues = value;
  CheckValuesChanged();
}

void TvxLookAndFeel::SaveValues() {
  FSavedKind = GetActiveKind();
  FSavedNativeStyle = GetActiveNativeStyle();
}

void TvxLookAndFeel::CheckValuesChanged() {
  TvxLookAndFeelValues changed = 0;
  if (GetActiveKind() != FSavedKind) changed |= lfvKind;
  if (GetActiveNativeStyle() != FSavedNativeStyle) changed |= lfvNativeStyle;
  Changed(changed);
}

void TvxLookAndFeel::Changed(TvxLookAndFeelValues changedValues) {
  if (changedValues == 0 || FDestroying) return;
  FKind = GetActiveKind();
  FNativeStyle = GetActiveNativeStyle();
  vxForEachListed(FListeners, [this, changedValues](IvxLookAndFeelChangeListener* listener) {
    listener->MasterLookAndFeelChanged(this, changedValues);
  });
  if (OnChanged) OnChanged(this, changedValues);
}

void TvxLookAndFeel::AttachMaster(TvxLookAndFeel* value) {
  if (TvxLookAndFeel* old = MasterInUse()) old->RemoveChangeListener(this);
  FMasterLookAndFeel = value;
  if (TvxLookAndFeel* master = MasterInUse()) master->AddChangeListener(this);
}

bool TvxLookAndFeel::CanTakeMaster(TvxLookAndFeel* value) const {
  return !FIsRoot && value != this && value != MasterInUse();
}

void TvxLookAndFeel::SetMasterLookAndFeel(TvxLookAndFeel* value) {
  if (!CanTakeMaster(value)) return;
  SaveValues();
  AttachMaster(value);
  CheckValuesChanged();
}

void TvxLookAndFeel::Assign(const TPersistent* source) {
  auto* other = dynamic_cast<const TvxLookAndFeel*>(source);
  if (other == nullptr) {
    TvxInterfacedPersistent::Assign(source);
    return;
  }
  // One snapshot for the whole copy, so that a change of the values and one of the master are
  // told together.
  SaveValues();
  FOwnKind = other->FOwnKind;
  FOwnNativeStyle = other->FOwnNativeStyle;
  FAssignedValues = other->FAssignedValues;
  TvxLookAndFeel* master = other->MasterInUse();
  if (CanTakeMaster(master)) AttachMaster(master);
  CheckValuesChanged();
}

void TvxLookAndFeel::AddChangeListener(IvxLookAndFeelChangeListener* listener) {
  if (listener == nullptr) return;
  const bool controller = IsController(listener);
  if (controller && !FIsRoot) return;
  if (std::find(FListeners.begin(), FListeners.end(), listener) != FListeners.end()) return;
  FListeners.push_back(listener);
  if (controller) ++GControllerCount;
}

void TvxLookAndFeel::RemoveChangeListener(IvxLookAndFeelChangeListener* listener) {
  if (FDestroying) return;
  auto it = std::find(FListeners.begin(), FListeners.end(), listener);
  if (it == FListeners.end()) return;
  FListeners.erase(it);
  if (FIsRoot && IsController(listener) && --GControllerCount == 0) SetAssignedValues(0);
}

TvxLookAndFeelPainterClass TvxLookAndFeel::GetPainter() const {
  if (FPainter != nullptr) return FPainter;
  if (FNativeStyle && AreVisualStylesUsable()) return &vxWinXPPainter;
  return vxPainterOfKind(FKind);
}

TvxLookAndFeelPainterClass TvxLookAndFeel::GetPainter(TvdThemedObjectType type) const {
  if (FPainter != nullptr) return FPainter;
  if (FNativeStyle && AreVisualStylesAvailable(type)) return &vxWinXPPainter;
  return vxPainterOfKind(FKind);
}

void TvxLookAndFeel::NotifyNativeStyleChanged() { Changed(lfvNativeStyle); }

void TvxLookAndFeel::MasterLookAndFeelChanged(TvxLookAndFeel* sender, TvxLookAndFeelValues changedValues) {
  Changed(changedValues & ~FAssignedValues);
}

void TvxLookAndFeel::MasterLookAndFeelDestroying(TvxLookAndFeel* sender) { SetMasterLookAndFeel(nullptr); }

// --- TvxLookAndFeelController ----------------------------------------------------------

TvxLookAndFeelController::TvxLookAndFeelController(TComponent* owner) : TComponent(owner) {
  if (GRootLookAndFeel != nullptr) GRootLookAndFeel->AddChangeListener(this);
}

TvxLookAndFeelController::~TvxLookAndFeelController() {
  if (GRootLookAndFeel != nullptr) GRootLookAndFeel->RemoveChangeListener(this);
}

TvxLookAndFeelKind TvxLookAndFeelController::Kind() const {
  return GRootLookAndFeel != nullptr ? GRootLookAndFeel->Kind() : lfUltraFlat;
}

void TvxLookAndFeelController::SetKind(TvxLookAndFeelKind value) {
  if (GRootLookAndFeel != nullptr) GRootLookAndFeel->SetKind(value);
}

bool TvxLookAndFeelController::NativeStyle() const {
  return GRootLookAndFeel != nullptr && GRootLookAndFeel->NativeStyle();
}

void TvxLookAndFeelController::SetNativeStyle(bool value) {
  if (GRootLookAndFeel != nullptr) GRootLookAndFeel->SetNativeStyle(value);
}

int vxLookAndFeelControllerCount() { return GControllerCount; }

// --- System palette --------------------------------------------------------------------

TvxSystemPaletteChangedNotifier::TvxSystemPaletteChangedNotifier(bool isPrimary) : FIsPrimary(isPrimary) {
  if (!GPaletteListener) GPaletteListener = std::make_unique<TvxSystemPaletteChangedListener>();
  GPaletteListener->Add(this);
}

TvxSystemPaletteChangedNotifier::~TvxSystemPaletteChangedNotifier() {
  if (!GPaletteListener) return;
  GPaletteListener->Remove(this);
  FreeEmptyPaletteListener();
}

void TvxSystemPaletteChangedNotifier::DoChanged() {
  if (OnSystemPaletteChanged) OnSystemPaletteChanged();
}

HWND vxSystemPaletteChangedListenerWindow() { return GPaletteListener ? GPaletteListener->Window() : nullptr; }

// --- Root ------------------------------------------------------------------------------

TvxLookAndFeel* RootLookAndFeel() { return GRootLookAndFeel; }

void InitializevxLookAndFeels() {
  auto* root = new TvxLookAndFeel(nullptr);
  root->FIsRoot = true;
  GRootLookAndFeel = root;
}

void FinalizevxLookAndFeels() {
  delete GRootLookAndFeel;  // clears the global itself
  GRootLookAndFeel = nullptr;
  FreeEmptyPaletteListener();
}
