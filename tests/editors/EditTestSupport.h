// A small text editor on the edit base for the editors' tests: its inner control is the inner
// text edit, its display value is the inner edit's text and a validated display value becomes
// its edit value. Its properties validate, so OnValidate runs. Real input and beeps as the
// calculator's tests use them.
#pragma once

#include "controls/vxControls.h"
#include "editors/vxEdit.h"
#include "editors/vxTextEdit.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SysStrings.h"
#include "tests/platform/GuiTestSupport.h"

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>


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

// Validating properties with what the text view and the lookup data ask for: lookup items,
// a lookup mode, an exact search, letter case and password echo; laid out and painted as text.
class TTextProperties : public TValidatingProperties, public IvxTextEditProperties {
public:
  using TValidatingProperties::TValidatingProperties;
  static TvxCustomEditPropertiesClass PropertiesClass() {
    static const TvxEditPropertiesClassInfo info{
        {"TTextProperties"}, TValidatingProperties::PropertiesClass(),
        [](TPersistent* owner) -> TvxCustomEditProperties* { return new TTextProperties(owner); }};
    return &info;
  }
  TvxCustomEditPropertiesClass ClassType() const override { return PropertiesClass(); }
  TvxCustomEditViewDataClass GetViewDataClass() const override { return TvxCustomTextEditViewData::ViewDataClass(); }
  TvxContainerViewInfoClass GetViewInfoClass() const override { return TvxCustomTextEditViewInfo::ViewInfoClass(); }

  int GetLookupMode() const override { return LookupMode; }
  int GetLookupItemCount() const override { return static_cast<int>(Items.size()); }
  AnsiString GetLookupItemText(int index) const override { return Items.at(static_cast<size_t>(index)); }
  bool IsLookupSearchExact() const override { return Exact; }
  TvxCustomEditListBoxClass GetLookupListClass() const override { return nullptr; }
  AnsiString DisplayValueToText(const AnsiString& text) const override {
    return Password ? AnsiString(text.size(), '*') : vxConvertCharCase(text, CharCase);
  }

  std::vector<AnsiString> Items;
  int LookupMode = 0;
  bool Exact = false;
  bool Password = false;
  TEditCharCase CharCase = TEditCharCase::ecNormal;
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
  explicit TTestEdit(TComponent* owner, bool inplace = false) : TTestEdit(owner, inplace, Classes()) {}
  TTestEdit(TComponent* owner, bool inplace, const TvxEditClasses& classes) : TvxCustomEdit(owner, inplace, classes) {
    SetBounds(10, 10, 150, 24);
  }
  // The classes with TTextProperties.
  static TvxEditClasses TextClasses() {
    TvxEditClasses classes = Classes();
    classes.Properties = TTextProperties::PropertiesClass();
    return classes;
  }
  TTextProperties* TextProperties() { return static_cast<TTextProperties*>(Properties()); }
  static TvxEditClasses Classes() {
    TvxEditClasses classes;
    classes.Properties = TValidatingProperties::PropertiesClass();
    classes.InnerEdit = TvxCustomInnerTextEdit::InnerEditClass();
    return classes;
  }
  TvxCustomInnerTextEdit* Inner() { return static_cast<TvxCustomInnerTextEdit*>(InnerEdit()->GetControl()); }
  IvxInnerTextEdit* TextInner() { return dynamic_cast<IvxInnerTextEdit*>(InnerEdit()); }

  void GetDisplayValue(Variant& value) override { value = Inner()->Text(); }
  void SetDisplayValue(const Variant& value) override {
    Inner()->SetText(value.IsNull() || value.IsEmpty() ? AnsiString() : value.AsString());
  }
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

// The locale's separators for one test, and the former ones back afterwards.
class TSeparatorsScope {
public:
  TSeparatorsScope(char thousand, char decimal) : FSaved(GetFormatSettings()) {
    TFormatSettings fs = FSaved;
    fs.ThousandSeparator = thousand;
    fs.DecimalSeparator = decimal;
    SetFormatSettings(fs);
  }
  ~TSeparatorsScope() { SetFormatSettings(FSaved); }
  TSeparatorsScope(const TSeparatorsScope&) = delete;
  TSeparatorsScope& operator=(const TSeparatorsScope&) = delete;

private:
  TFormatSettings FSaved;
};

// Taps a key, with a modifier held unless it is 0.
inline void PressKey(WORD modifier, WORD key) {
  if (modifier != 0)
    guitest::TapKeyWith(modifier, key);
  else
    guitest::TapKey(key);
}

// Selects length bytes from start in an editor.
template <class TEditor>
void Select(TEditor* edit, int start, int length) {
  edit->SetSelStart(start);
  edit->SetSelLength(length);
}

// A control made on parent (its owner too) at the given bounds.
template <class TControlClass>
TControlClass* Place(TWinControl* parent, int left, int top, int width, int height) {
  auto* control = new TControlClass(parent);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  return control;
}

// Lets the queued input reach the focused window.
inline void Settle() {
  for (int i = 0; i < 8; ++i) guitest::PumpUntil([] { return false; }, 1);
}

// The virtual key a character of a Keys script stands for, 0 for a typed character.
inline WORD ScriptKey(wchar_t c) {
  switch (c) {
    case L'\b': return VK_BACK;
    case L'\x7f': return VK_DELETE;
    case L'\r': return VK_RETURN;
    case L'\t': return VK_TAB;
    case L'\x1b': return VK_ESCAPE;
    case L'←': return VK_LEFT;
    case L'→': return VK_RIGHT;
    case L'≪': return VK_HOME;
    case L'≫': return VK_END;
    default: return 0;
  }
}

// Keys as a user presses them, each let through before the next: L'\b' Backspace, L'\x7f'
// Delete, L'\r' Enter, L'\t' Tab, L'\x1b' Escape, L'←' and L'→', L'≪' Home, L'≫' End; the
// other characters are typed.
inline void Keys(std::wstring_view keys) {
  while (!keys.empty()) {
    size_t run = 0;
    while (run < keys.size() && ScriptKey(keys[run]) == 0) ++run;
    if (run == 0) {
      guitest::TapKey(ScriptKey(keys[0]));
      run = 1;
    } else {
      guitest::TypeText(keys.substr(0, run));
    }
    keys.remove_prefix(run);
    Settle();
  }
}

// The ways a character reaches a text editor: from the input method as WM_IME_CHAR (an ANSI
// message with the code page 932 bytes, or a Unicode one with the UTF-16 character), or typed
// through SendInput as a Unicode character.
enum class TCharRoute { ImeCharAnsi, ImeCharUnicode, Typed };

inline const char* RouteName(TCharRoute route) {
  switch (route) {
    case TCharRoute::ImeCharAnsi: return "WM_IME_CHAR (ANSI)";
    case TCharRoute::ImeCharUnicode: return "WM_IME_CHAR (Unicode)";
    default: return "SendInput";
  }
}

// The characters, one by one, into the inner window (which has the focus), each let through
// before the next.
inline void DeliverChars(HWND inner, TCharRoute route, std::wstring_view chars) {
  for (const wchar_t c : chars) {
    const std::wstring_view one(&c, 1);
    if (route == TCharRoute::ImeCharAnsi) {
      const AnsiString bytes = WideToAnsi(one);
      WPARAM code = 0;
      for (const char b : bytes) code = (code << 8) | static_cast<unsigned char>(b);
      SendMessageA(inner, WM_IME_CHAR, code, 1);
    } else if (route == TCharRoute::ImeCharUnicode) {
      SendMessageW(inner, WM_IME_CHAR, c, 1);
    } else {
      guitest::TypeText(one);
    }
    Settle();
  }
}

// A key with a modifier held, let through.
inline void Chord(WORD modifier, WORD key) {
  guitest::TapKeyWith(modifier, key);
  Settle();
}

// The messages the application's exception handler took while action ran.
template <class F>
std::vector<std::string> Raised(F action) {
  guitest::TExceptionCatcher caught;
  action();
  return caught.Messages();
}

// An editor on a modal form, its steps run on a timer inside the modal loop: "entry" is its
// value, the user selects all and types, then the form closes with a result. A result other
// than Cancel validates silently (no message, no beep); a refused value ("bad") leaves the
// value from entry. inner(edit) is the editor's inner control, which has the focus first.
template <class TEditor, class Inner>
void ExpectModalCloseValidatesSilently(Inner inner) {
  struct Case {
    const wchar_t* Typed;
    TModalResult Result;
    const char* Value;  // the editor's value afterwards
  };
  for (const Case& c : {Case{L"good", mrOk, "good"}, Case{L"bad", mrOk, "entry"}, Case{L"good", mrCancel, "entry"}}) {
    SCOPED_TRACE(c.Value);
    TForm form(nullptr);
    form.SetBounds(150, 150, 300, 120);
    auto* edit = new TEditor(&form);
    edit->SetParent(&form);
    edit->Properties()->OnValidate = [](TObject*, Variant& value, AnsiString& text, bool& error) {
      error = value.AsString() == "bad";
      text = "refused";
    };
    edit->SetEditValue(Variant(AnsiString("entry")));
    form.SetActiveControl(inner(edit));
    TBeepCounter beeps;
    edit->Properties()->SetBeepOnError(true);
    guitest::TExceptionCatcher caught;
    int step = 0;
    TvxTimer timer(nullptr);
    timer.SetInterval(30);
    timer.SetOnTimer([&](TObject*) {
      switch (step++) {
        case 0:
          SetForegroundWindow(form.Handle());
          edit->SetFocus();
          break;
        case 1:
          edit->SelectAll();
          guitest::TypeText(c.Typed);
          break;
        case 4: form.SetModalResult(c.Result); break;
      }
    });
    EXPECT_EQ(form.ShowModal(), c.Result);
    timer.SetEnabled(false);
    EXPECT_EQ(edit->EditValue().AsString(), c.Value);
    EXPECT_TRUE(caught.Messages().empty());
    EXPECT_EQ(beeps.Count, 0);
  }
}

}  // namespace edittest
