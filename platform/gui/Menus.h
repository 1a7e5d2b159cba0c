// Menus of the class library: menu items with captions, shortcuts and click handlers, and the
// popup menu a control shows on a right click or the menu key.
//
// Ownership: a menu item owns the items added to it (they are freed with it and leave it when
// freed first); a popup menu owns its root item. The shortcut test walks the items, so a
// control's popup menu answers its shortcuts even while it is not shown.
#pragma once

#include "platform/gui/Controls.h"

#include <vector>

// A key with its modifiers in one word, as menus store it.
using TShortCut = WORD;
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0;
TShortCut ShortCut(WORD key, TShiftState shift);
void ShortCutToKey(TShortCut shortCut, WORD& key, TShiftState& shift);

class TMenuItem : public TComponent {
public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;
  const char* ClassName() const override { return "TMenuItem"; }

  AnsiString Caption;  // "-" makes a separator
  TShortCut ShortCut = scNone;
  bool Enabled = true;
  bool Visible = true;
  bool Checked = false;
  TNotifyEvent OnClick;

  int Count() const { return static_cast<int>(FItems.size()); }
  TMenuItem* Items(int index) const;
  TMenuItem* Parent() const { return FParent; }
  void Add(TMenuItem* item);  // takes the item (from its former parent item too)
  void Remove(TMenuItem* item);
  virtual void Click();

private:
  TMenuItem* FParent = nullptr;
  std::vector<TMenuItem*> FItems;
};

class TPopupMenu : public TComponent {
public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;
  const char* ClassName() const override { return "TPopupMenu"; }

  TMenuItem& Items() { return *FItems; }
  // Shown by a control on its own (WM_CONTEXTMENU) only while on.
  bool AutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool value) { FAutoPopup = value; }
  // The component the menu was last shown for (free notification: cleared when it goes).
  TComponent* PopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* component);

  // Shows the menu at a screen point (TrackPopupMenu) and clicks the item chosen; returns when
  // the menu closes.
  virtual void Popup(int x, int y);
  // For a key message (CN_KEYDOWN, CN_SYSKEYDOWN, WM_KEYDOWN...: key in WParam, key data in
  // LParam): clicks the enabled, visible item with that shortcut; true when there was one.
  bool IsShortCut(const TMessage& message);

  TNotifyEvent OnPopup;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  std::unique_ptr<TMenuItem> FItems;
  bool FAutoPopup = true;
  TComponent* FPopupComponent = nullptr;
};
