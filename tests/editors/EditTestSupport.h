// A small text editor on the edit base for the editors' tests: its inner control is the inner
// text edit, its display value is the inner edit's text and a validated display value becomes
// its edit value. Its properties validate, so OnValidate runs. Real input and beeps as the
// calculator's tests use them.
#pragma once

#include "controls/vxControls.h"
#include "editors/vxEdit.h"
#include "editors/vxTextEdit.h"
#include "tests/platform/GuiTestSupport.h"

#include <windows.h>


namespace edittest {

class TValidatingProperties : public TvxCustomEditProperties {
public:
  using TvxCustomEditProperties::TvxCustomEditProperties;
  static TvxCustomEditPropertiesClass PropertiesClass() {
    static const TvxEditPropertiesClassInfo info{
        {"TValidatingProperties"}, TvxCustomEditProperties::PropertiesClass(),
        [](TPersistent* owner) -> TvxCustomEditProperties* { return new TValidatingProperties(owner); }};
    return &info;
  }
  TvxCustomEditPropertiesClass ClassType() const override { return PropertiesClass(); }
  bool CanValidate() const override { return true; }
};

class TValidatingItem : public TvxEditRepositoryItem {
public:
  using TvxEditRepositoryItem::TvxEditRepositoryItem;
  TvxCustomEditPropertiesClass GetEditPropertiesClass() const override {
    return TValidatingProperties::PropertiesClass();
  }
};

class TTestEdit : public TvxCustomEdit, public IvxInnerTextEditHost {
public:
  explicit TTestEdit(TComponent* owner, bool inplace = false) : TvxCustomEdit(owner, inplace, Classes()) {
    SetBounds(10, 10, 150, 24);
  }
  static TvxEditClasses Classes() {
    TvxEditClasses classes;
    classes.Properties = TValidatingProperties::PropertiesClass();
    classes.InnerEdit = TvxCustomInnerTextEdit::InnerEditClass();
    return classes;
  }
  TvxCustomInnerTextEdit* Inner() { return static_cast<TvxCustomInnerTextEdit*>(InnerEdit()->GetControl()); }
  IvxInnerTextEdit* TextInner() { return dynamic_cast<IvxInnerTextEdit*>(InnerEdit()); }

  void GetDisplayValue(Variant& value) override { value = Inner()->Text(); }
  void SynchronizeDisplayValue() override {
    const Variant value = EditValue();
    InnerEdit()->SetEditValue(value.IsNull() || value.IsEmpty() ? Variant(AnsiString()) : value);
  }
  void SynchronizeEditValue() override { InternalSetEditValue(Variant(Inner()->Text()), false); }
  void SelectAll() override { Inner()->SelectAll(); }

  bool RestoreSelection = false;
  bool RestoresSelectionAfterImeChar() override { return RestoreSelection; }

protected:
  void StoreDisplayValue(const Variant& value) override {
    Inner()->SetText(value.AsString());
    SynchronizeEditValue();
  }
  bool CanKeyPressModifyEdit(char key) override { return key == '\b' || vxIsTextChar(key); }
  bool CanKeyDownModifyEdit(WORD key, TShiftState shift) override { return key == VK_DELETE; }
  bool WantsNavigationKeys() override { return true; }
};

// Counts the beeps instead of sounding them.
struct TBeepCounter {
  TBeepCounter() : Previous(SetMessageBeepFunc([this](UINT) { ++Count; })) {}
  ~TBeepCounter() { SetMessageBeepFunc(Previous); }
  int Count = 0;
  TMessageBeepFunc Previous;
};

// Lets the queued input reach the focused window.
inline void Settle() {
  for (int i = 0; i < 8; ++i) guitest::PumpUntil([] { return false; }, 1);
}

}  // namespace edittest
