#include "controls/vdThemeManager.h"

#include "controls/vxClasses.h"
#include "platform/gui/Controls.h"

#include <array>
#include <memory>
#include <vector>

namespace {

const wchar_t* const kDefaultClassNames[vdThemedObjectTypeCount] = {
    L"Button",  L"Clock",      L"ComboBox", L"Edit",    L"ExplorerBar", L"Header",    L"ListView", L"Menu",
    L"Page",    L"Progress",   L"Rebar",    L"ScrollBar", L"Spin",      L"StartPanel", L"Status",  L"Tab",
    L"TaskBand", L"TaskBar",   L"ToolBar",  L"ToolTip", L"TrackBar",    L"TrayNotify", L"TreeView", L"Window"};

std::array<TvdThemeData, vdThemedObjectTypeCount> GThemes;
bool GThemesActive = false;

// Hidden top-level window for WM_THEMECHANGED (a message-only window would miss it).
class TvdThemeChangedEventReceiver {
public:
  TvdThemeChangedEventReceiver();
  ~TvdThemeChangedEventReceiver();
  TvdThemeChangedEventReceiver(const TvdThemeChangedEventReceiver&) = delete;
  TvdThemeChangedEventReceiver& operator=(const TvdThemeChangedEventReceiver&) = delete;
  HWND Window() const { return FWindow; }

private:
  void WndProc(TMessage& m);
  HWND FWindow;
};

std::unique_ptr<TvdThemeChangedEventReceiver> GReceiver;
std::unique_ptr<std::vector<TvdThemeChangedNotificator*>> GNotificators;

void CloseEntry(TvdThemeData& entry) {
  CloseThemeData(entry.Theme);
  entry.Theme = nullptr;
}

TvdThemeChangedEventReceiver::TvdThemeChangedEventReceiver()
    : FWindow(AllocateHWnd([this](TMessage& m) { WndProc(m); })) {}

TvdThemeChangedEventReceiver::~TvdThemeChangedEventReceiver() {
  GThemesActive = false;
  DeallocateHWnd(FWindow);
}

void TvdThemeChangedEventReceiver::WndProc(TMessage& m) {
  if (m.Msg != WM_THEMECHANGED) {
    m.Result = DefWindowProcA(FWindow, m.Msg, m.WParam, m.LParam);
    return;
  }
  CloseAllThemes();
  DefWindowProcA(FWindow, m.Msg, m.WParam, m.LParam);
  GThemesActive = IsThemeActive();
  m.Result = 0;
  if (GNotificators)
    vxForEachListed(*GNotificators, [](TvdThemeChangedNotificator* n) {
      if (n->OnThemeChanged) n->OnThemeChanged();
    });
}

}  // namespace

bool AreVisualStylesUsable(TvdThemedObjectTypes types) {
  if (!IsThemeLibraryLoaded() || !GThemesActive) return false;
  for (int t = 0; t < vdThemedObjectTypeCount; ++t)
    if ((types & (1u << t)) && OpenTheme(static_cast<TvdThemedObjectType>(t)) == nullptr) return false;
  return true;
}

bool AreVisualStylesAvailable(TvdThemedObjectType type) { return AreVisualStylesUsable(vdThemedObjectTypes(type)); }

HTHEME OpenTheme(TvdThemedObjectType type, const wchar_t* className) {
  if (!AreVisualStylesUsable() || type >= vdThemedObjectTypeCount) return nullptr;
  TvdThemeData& entry = GThemes[type];
  if (entry.Theme != nullptr) {
    if (className == nullptr || lstrcmpiW(className, entry.ClassName.c_str()) == 0) return entry.Theme;
    CloseEntry(entry);
  }
  WideString name = className != nullptr      ? WideString(className)
                    : !entry.ClassName.empty() ? entry.ClassName
                                               : WideString(kDefaultClassNames[type]);
  entry.Theme = OpenThemeData(nullptr, name.c_str());
  entry.ClassName = entry.Theme != nullptr ? name : WideString();
  return entry.Theme;
}

void CloseTheme(TvdThemedObjectType type) {
  if (!AreVisualStylesUsable() || type >= vdThemedObjectTypeCount) return;
  TvdThemeData& entry = GThemes[type];
  if (entry.Theme == nullptr) return;
  CloseEntry(entry);
  entry.ClassName.clear();
}

void CloseAllThemes() {
  for (TvdThemeData& entry : GThemes)
    if (entry.Theme != nullptr) CloseEntry(entry);
}

const TvdThemeData& vdThemeData(TvdThemedObjectType type) { return GThemes.at(type); }

TvdThemeChangedNotificator::TvdThemeChangedNotificator() {
  if (GNotificators) GNotificators->push_back(this);
}

TvdThemeChangedNotificator::~TvdThemeChangedNotificator() {
  if (!GNotificators) return;
  auto it = std::find(GNotificators->begin(), GNotificators->end(), this);
  if (it != GNotificators->end()) GNotificators->erase(it);
}

HWND vdThemeChangedReceiverWindow() { return GReceiver ? GReceiver->Window() : nullptr; }

void InitializevdThemeManager() {
  if (!IsThemeLibraryLoaded()) return;
  GThemesActive = IsThemeActive();
  GReceiver = std::make_unique<TvdThemeChangedEventReceiver>();
  GNotificators = std::make_unique<std::vector<TvdThemeChangedNotificator*>>();
}

void FinalizevdThemeManager() {
  if (IsThemeLibraryLoaded()) {
    GReceiver.reset();
    CloseAllThemes();
    GNotificators.reset();
  }
  GThemes = {};
  GThemesActive = false;
}
