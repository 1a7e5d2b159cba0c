#include "platform/gui/Menus.h"

#include "platform/rtl/SysExceptions.h"

#include <algorithm>

TShortCut ShortCut(WORD key, TShiftState shift) {
  if (key & 0xFF00) return scNone;  // only virtual keys of one byte have a shortcut
  TShortCut result = key;
  if (shift & ssShift) result |= scShift;
  if (shift & ssCtrl) result |= scCtrl;
  if (shift & ssAlt) result |= scAlt;
  return result;
}

void ShortCutToKey(TShortCut shortCut, WORD& key, TShiftState& shift) {
  key = shortCut & 0xFF;
  shift = 0;
  if (shortCut & scShift) shift |= ssShift;
  if (shortCut & scCtrl) shift |= ssCtrl;
  if (shortCut & scAlt) shift |= ssAlt;
}

// ---------------------------------------------------------------------------------------------
// TMenuItem

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
  Destroying();
  while (!FItems.empty()) delete FItems.back();  // each leaves the list as it goes
  if (FParent != nullptr) FParent->Remove(this);
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
  return FItems[static_cast<size_t>(index)];
}

void TMenuItem::Add(TMenuItem* item) {
  if (item == nullptr || item->FParent == this) return;
  for (TMenuItem* p = this; p != nullptr; p = p->FParent)
    if (p == item) throw EInvalidOperation("A menu item cannot hold itself");
  if (item->FParent != nullptr) item->FParent->Remove(item);
  FItems.push_back(item);
  item->FParent = this;
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(FItems.begin(), FItems.end(), item);
  if (it == FItems.end()) return;
  FItems.erase(it);
  item->FParent = nullptr;
}

void TMenuItem::Click() {
  if (Enabled && OnClick) OnClick(this);
}

// ---------------------------------------------------------------------------------------------
// TPopupMenu

namespace {

// Builds the system menu for the visible items; ids are positions in `flat` plus one.
HMENU BuildMenu(TMenuItem& parent, std::vector<TMenuItem*>& flat) {
  HMENU menu = CreatePopupMenu();
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem* item = parent.Items(i);
    if (!item->Visible) continue;
    if (item->Caption == "-") {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    UINT flags = MF_STRING | (item->Enabled ? 0 : MF_GRAYED) | (item->Checked ? MF_CHECKED : 0);
    if (item->Count() > 0) {
      AppendMenuA(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(BuildMenu(*item, flat)), item->Caption.c_str());
    } else {
      flat.push_back(item);
      AppendMenuA(menu, flags, flat.size(), item->Caption.c_str());
    }
  }
  return menu;
}

TMenuItem* FindShortCut(TMenuItem& parent, TShortCut shortCut) {
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem* item = parent.Items(i);
    if (!item->Enabled || !item->Visible) continue;
    if (item->ShortCut == shortCut && item->Count() == 0) return item;
    if (TMenuItem* found = FindShortCut(*item, shortCut)) return found;
  }
  return nullptr;
}

}  // namespace

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), FItems(std::make_unique<TMenuItem>(nullptr)) {}

TPopupMenu::~TPopupMenu() { Destroying(); }

void TPopupMenu::SetPopupComponent(TComponent* component) { SetReference(FPopupComponent, component); }

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == FPopupComponent) FPopupComponent = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
  if (OnPopup) OnPopup(this);
  std::vector<TMenuItem*> flat;
  HMENU menu = BuildMenu(*FItems, flat);
  // A hidden window of ours owns the menu; with TPM_RETURNCMD no command message is sent, and
  // the chosen item is clicked after the menu is gone.
  HWND owner = AllocateHWnd(nullptr);  // no function: the default handling
  const UINT id = static_cast<UINT>(
      TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, 0, owner, nullptr));
  DestroyMenu(menu);
  DeallocateHWnd(owner);
  if (id >= 1 && id <= flat.size()) flat[id - 1]->Click();
}

bool TPopupMenu::IsShortCut(const TMessage& message) {
  const TShortCut shortCut = ShortCut(static_cast<WORD>(message.WParam), KeyDataToShiftState(message.LParam));
  if (shortCut == scNone) return false;
  TMenuItem* item = FindShortCut(*FItems, shortCut);
  if (item == nullptr) return false;
  item->Click();
  return true;
}
