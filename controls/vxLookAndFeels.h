// Look-and-feel settings of the owner-drawn controls: the kind (flat, standard, ultra-flat,
// Office-2003-like) and whether the operating system's visual style is followed (native
// style). A look-and-feel either has a value assigned itself or takes it from its master, and
// in the end from the application-wide root look-and-feel (ultra-flat, not native).
//
// Changes flow down: a look-and-feel tells the listeners that joined it (other look-and-feels,
// controllers) and then its owner through OnChanged. The system-palette notifiers pass on
// WM_SYSCOLORCHANGE from one hidden window, primary notifiers (the brush caches) before the
// others.
//
// Ownership: whoever creates a look-and-feel frees it; the root lives from InitializevxLookAndFeels
// to FinalizevxLookAndFeels. Listeners are not owned. GUI thread only.
#pragma once

#include "controls/vdThemeManager.h"
#include "controls/vxClasses.h"
#include "platform/gui/Components.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

enum TvxLookAndFeelKind : uint8_t { lfFlat = 0, lfStandard = 1, lfUltraFlat = 2, lfOffice11 = 3 };

// Values of a look-and-feel, as bits of TvxLookAndFeelValues.
enum TvxLookAndFeelValue : uint8_t { lfvKind = 1, lfvNativeStyle = 2 };
using TvxLookAndFeelValues = uint8_t;

class TvxLookAndFeel;
class TvxSystemPaletteChangedNotifier;
class TvxCustomLookAndFeelPainter;
using TvxLookAndFeelPainterClass = const TvxCustomLookAndFeelPainter*;

class IvxLookAndFeelChangeListener {
public:
  virtual TObject* GetObject() = 0;
  virtual void MasterLookAndFeelChanged(TvxLookAndFeel* sender, TvxLookAndFeelValues changedValues) = 0;
  virtual void MasterLookAndFeelDestroying(TvxLookAndFeel* sender) = 0;

protected:
  ~IvxLookAndFeelChangeListener() = default;
};

using TvxLookAndFeelChangedEvent = std::function<void(TvxLookAndFeel* sender, TvxLookAndFeelValues changedValues)>;

class TvxLookAndFeel : public TvxInterfacedPersistent, public IvxLookAndFeelChangeListener {
public:
  // Joins the root as a listener when there is one.
  explicit TvxLookAndFeel(TPersistent* owner);
  ~TvxLookAndFeel() override;
  const char* ClassName() const override { return "TvxLookAndFeel"; }
  void Assign(const TPersistent* source) override;

  // The effective values; writing one assigns it here.
  TvxLookAndFeelKind Kind() const { return FKind; }
  void SetKind(TvxLookAndFeelKind value);
  bool NativeStyle() const { return FNativeStyle; }
  void SetNativeStyle(bool value);
  // The values set on this object; the others follow the master.
  TvxLookAndFeelValues AssignedValues() const { return FAssignedValues; }
  void SetAssignedValues(TvxLookAndFeelValues value);
  // A value is stored only when it was set here.
  bool IsKindStored() const { return (FAssignedValues & lfvKind) != 0; }
  bool IsNativeStyleStored() const { return (FAssignedValues & lfvNativeStyle) != 0; }

  // The master set explicitly (nullptr: the root is the master).
  TvxLookAndFeel* MasterLookAndFeel() const { return FMasterLookAndFeel; }
  void SetMasterLookAndFeel(TvxLookAndFeel* value);
  bool IsRoot() const { return FIsRoot; }

  void AddChangeListener(IvxLookAndFeelChangeListener* listener);
  void RemoveChangeListener(IvxLookAndFeelChangeListener* listener);
  int ListenerCount() const { return static_cast<int>(FListeners.size()); }

  // Called after the listeners; set by the owning control.
  TvxLookAndFeelChangedEvent OnChanged;

  // The painter that draws with these settings: the themed painter when native style is on and
  // visual styles are usable, else the painter of the kind. The second form asks for the
  // themed painter only when the style has a theme for that object type.
  TvxLookAndFeelPainterClass GetPainter() const;
  TvxLookAndFeelPainterClass GetPainter(TvdThemedObjectType type) const;

  virtual TvxLookAndFeelKind GetActiveKind() const;
  virtual bool GetActiveNativeStyle() const;
  virtual void NotifyNativeStyleChanged();

  // IvxLookAndFeelChangeListener
  TObject* GetObject() override { return this; }
  void MasterLookAndFeelChanged(TvxLookAndFeel* sender, TvxLookAndFeelValues changedValues) override;
  void MasterLookAndFeelDestroying(TvxLookAndFeel* sender) override;

protected:
  // A descendant may fix the painter whatever the settings say.
  TvxLookAndFeelPainterClass FPainter = nullptr;

private:
  friend void InitializevxLookAndFeels();
  TvxLookAndFeel* MasterInUse() const;
  bool CanTakeMaster(TvxLookAndFeel* value) const;
  void AttachMaster(TvxLookAndFeel* value);  // leaves the master in use and joins the new one
  void SaveValues();
  void CheckValuesChanged();  // against the saved values
  void Changed(TvxLookAndFeelValues changedValues);

  TvxLookAndFeelValues FAssignedValues = 0;
  std::vector<IvxLookAndFeelChangeListener*> FListeners;
  TvxLookAndFeelKind FKind = lfUltraFlat;  // effective
  bool FNativeStyle = false;               // effective
  TvxLookAndFeelKind FOwnKind = lfUltraFlat;
  bool FOwnNativeStyle = false;
  bool FDestroying = false;
  bool FIsRoot = false;
  TvxLookAndFeel* FMasterLookAndFeel = nullptr;
  TvxLookAndFeelKind FSavedKind = lfUltraFlat;
  bool FSavedNativeStyle = false;
  std::unique_ptr<TvxSystemPaletteChangedNotifier> FPaletteNotifier;
};

// Reads and writes the root's values for the whole application. While any controller lives
// the root keeps what they set; when the last one goes the root forgets it.
class TvxLookAndFeelController : public TComponent, public IvxLookAndFeelChangeListener {
public:
  explicit TvxLookAndFeelController(TComponent* owner);
  ~TvxLookAndFeelController() override;
  const char* ClassName() const override { return "TvxLookAndFeelController"; }

  TvxLookAndFeelKind Kind() const;  // lfUltraFlat without a root
  void SetKind(TvxLookAndFeelKind value);
  bool NativeStyle() const;
  void SetNativeStyle(bool value);

  TObject* GetObject() override { return this; }
  void MasterLookAndFeelChanged(TvxLookAndFeel* sender, TvxLookAndFeelValues changedValues) override {}
  // A form designer would be told here that its form changed; this system has none.
  void MasterLookAndFeelDestroying(TvxLookAndFeel* sender) override {}
};

// The number of controllers that joined the root.
int vxLookAndFeelControllerCount();

// Hears of system-colour changes while it lives. Primary notifiers are told before ordinary
// ones; within each kind the last created first.
class TvxSystemPaletteChangedNotifier {
public:
  explicit TvxSystemPaletteChangedNotifier(bool isPrimary = false);
  virtual ~TvxSystemPaletteChangedNotifier();
  TvxSystemPaletteChangedNotifier(const TvxSystemPaletteChangedNotifier&) = delete;
  TvxSystemPaletteChangedNotifier& operator=(const TvxSystemPaletteChangedNotifier&) = delete;
  bool IsPrimary() const { return FIsPrimary; }
  std::function<void()> OnSystemPaletteChanged;
  virtual void DoChanged();

private:
  bool FIsPrimary;
};

// The listener's hidden window (nullptr while no notifier lives).
HWND vxSystemPaletteChangedListenerWindow();

// The application-wide root look-and-feel (nullptr before start-up and once shutdown began).
TvxLookAndFeel* RootLookAndFeel();

void InitializevxLookAndFeels();
void FinalizevxLookAndFeels();
