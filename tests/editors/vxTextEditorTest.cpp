// The text editor as a user meets it: properties (the sorted lookup items under their names in
// the text, mask, popup and combo properties), the range check of numeric descendants, the
// password, the editor window's text, clipboard changes, the inner edit's placement.
#include "EditTestSupport.h"

#include "editors/vxDropDownEdit.h"
#include "editors/vxMaskEdit.h"
#include "platform/gui/Clipbrd.h"
#include "platform/rtl/FloatFormat.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using edittest::Select;
using edittest::Settle;
using edittest::TBeepCounter;
using guitest::Pump;

namespace {

// Numeric properties for the range check (the text edit itself is not numeric).
class TNumberProperties : public TvxTextEditProperties {
public:
  using TvxTextEditProperties::TvxTextEditProperties;
  static TvxCustomEditPropertiesClass PropertiesClass() {
    static const TvxEditPropertiesClassInfo info{
        {"TNumberProperties"}, TvxTextEditProperties::PropertiesClass(),
        [](TPersistent* owner) -> TvxCustomEditProperties* { return new TNumberProperties(owner); }};
    return &info;
  }
  TvxCustomEditPropertiesClass ClassType() const override { return PropertiesClass(); }
  bool IsEditValueNumeric() const override { return true; }
};

// A number editor: its text becomes a double (empty: Null).
class TNumberEdit : public TvxCustomTextEdit {
public:
  explicit TNumberEdit(TComponent* owner)
      : TvxCustomTextEdit(owner, false, TextEditClasses(TNumberProperties::PropertiesClass())) {}
  void DisplayValueToEditValue(const Variant& display, Variant& value, bool) override {
    const AnsiString text = display.IsNull() ? AnsiString() : display.AsString();
    long double number = 0;
    if (text.empty())
      value = Variant::Null();
    else if (TryStrToFloat(text, number))
      value = Variant(static_cast<double>(number));
    else
      value = display;
  }
};

class vxTextEditor : public guitest::TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Edit = edittest::Place<TvxTextEdit>(Host, 10, 10, 150, 24);
    Other = edittest::Place<TButton>(Host, 10, 120, 80, 24);
    Pump();
  }
  TvxCustomInnerTextEdit* Inner() { return Edit->InnerTextEditControl(); }
  void Enter(const AnsiString& value) {
    Edit->SetEditValue(Variant(value));
    Edit->SetFocus();
    Pump();
    ASSERT_EQ(GetFocus(), Inner()->Handle());
    Edit->SetSelStart(static_cast<int>(value.size()));
  }

  TvxTextEdit* Edit = nullptr;
  TButton* Other = nullptr;
};

TEST(vxTextEditProperties, DefaultsWritesAndAssignedValues) {
  TvxTextEditProperties p(nullptr);
  int changes = 0;
  p.OnPropertiesChanged = [&](TObject*) { ++changes; };
  EXPECT_EQ(p.GetLookupMode(), 0);
  EXPECT_EQ(p.GetSupportedOperations(), 1u);
  EXPECT_EQ(p.GetEditButtonsFeatures(), 0x15E);
  EXPECT_STREQ(p.GetContainerClass()->ClassName, "TvxTextEdit");
  EXPECT_TRUE(p.IsPublishedProperty("lookupitems"));

  p.SetMaxLength(-5);
  EXPECT_EQ(p.MaxLength(), 0);
  EXPECT_TRUE(p.AssignedValues()->MaxLength());
  EXPECT_EQ(changes, 1);
  p.SetMaxLength(0);
  EXPECT_EQ(changes, 1) << "an assigned value written again changes nothing";
  p.SetMinValue(10);
  p.SetDisplayFormat("0.00");
  EXPECT_EQ(changes, 3);

  TvxTextEditProperties copy(nullptr);
  copy.Assign(&p);
  EXPECT_TRUE(copy.AssignedValues()->MinValue());
  EXPECT_FALSE(copy.AssignedValues()->MaxValue());
  EXPECT_EQ(copy.MinValue(), 10);
  copy.RestoreDefaults();
  EXPECT_FALSE(copy.AssignedValues()->MinValue());
  EXPECT_EQ(copy.MinValue(), 0) << "an unassigned bound follows the default";

  TStringList items;
  items.Add("a");
  items.Add("b");
  p.SetLookupItems(items);
  EXPECT_EQ(changes, 4) << "a new list is one change";
  p.SetChooseOnly(true);
  EXPECT_EQ(p.GetLookupMode(), 3);
  EXPECT_FALSE(p.IsEditValueFromText());
}

TEST(vxTextEditProperties, LookupTextAndCaseFoldDoubleByteCharactersWhole) {
  TvxTextEditProperties p(nullptr);
  p.LookupItems()->Add("アイ");
  p.LookupItems()->Add("Apple");
  EXPECT_TRUE(p.FindLookupText("apple"));
  EXPECT_TRUE(p.FindLookupText("アイ"));
  // ア is 83 41 and ヂ 83 61: a byte-wise fold would take them for one another.
  EXPECT_FALSE(p.FindLookupText("ヂイ"));
  p.SetCharCase(TEditCharCase::ecLowerCase);
  EXPECT_EQ(p.DisplayValueToText("アBツ"), "アbツ");
  p.SetCharCase(TEditCharCase::ecUpperCase);
  Variant value(AnsiString("ヂa"));
  EXPECT_TRUE(p.IsEditValueValid(value, false));
  EXPECT_EQ(value.AsString(), "ヂA");
  p.SetEchoMode(eemPassword);
  EXPECT_EQ(p.DisplayValueToText("アbc"), "***") << "one password character per character";
  p.SetPasswordChar('#');
  EXPECT_EQ(p.DisplayValueToText("ab"), "##");
}

// Switching the flag on sorts the items; either switch tells the owner once. The combo box's
// Sorted is the same flag.
TEST(vxTextEditProperties, LookupItemsSortedSortsTheItemsAndTellsTheOwnerOnce) {
  auto items = [](TvxCustomTextEditProperties& p) {
    std::vector<std::string> texts;
    for (int i = 0; i < p.LookupItems()->Count(); ++i) texts.push_back(p.LookupItems()->Get(i));
    return texts;
  };
  TvxTextEditProperties text(nullptr);
  TvxComboBoxProperties combo(nullptr);
  for (TvxCustomTextEditProperties* p : {static_cast<TvxCustomTextEditProperties*>(&text),
                                         static_cast<TvxCustomTextEditProperties*>(&combo)}) {
    SCOPED_TRACE(p->ClassName());
    for (const char* item : {"cherry", "Apple", "banana"}) p->LookupItems()->Add(item);
    int changes = 0;
    p->OnPropertiesChanged = [&](TObject*) { ++changes; };
    EXPECT_FALSE(p->LookupItemsSorted());
    p->SetLookupItemsSorted(true);
    EXPECT_TRUE(p->LookupItemsSorted());
    EXPECT_EQ(items(*p), (std::vector<std::string>{"Apple", "banana", "cherry"}));
    EXPECT_EQ(changes, 1);
    p->SetLookupItemsSorted(true);
    EXPECT_EQ(changes, 1) << "no change, no notification";
    p->LookupItems()->Add("avocado");
    EXPECT_EQ(items(*p)[1], "avocado") << "a new item takes its place";
    p->SetLookupItemsSorted(false);
    EXPECT_FALSE(p->LookupItemsSorted());
    EXPECT_EQ(changes, 3);
  }
  // Sorted reads and writes the flag, with one notification.
  int changes = 0;
  combo.OnPropertiesChanged = [&](TObject*) { ++changes; };
  combo.SetSorted(true);
  EXPECT_TRUE(combo.LookupItemsSorted());
  EXPECT_EQ(changes, 1);
  combo.SetLookupItemsSorted(false);
  EXPECT_FALSE(combo.Sorted());
  EXPECT_EQ(changes, 2);
}

// The published names as each editor's properties publish them.
TEST(vxTextEditProperties, TheSortedFlagAndTheEventsArePublishedWhereTheirListsNameThem) {
  TvxTextEditProperties text(nullptr);
  TvxMaskEditProperties mask(nullptr);
  TvxPopupEditProperties popup(nullptr);
  TvxComboBoxProperties combo(nullptr);
  const struct {
    TvxCustomEditProperties* Properties;
    std::vector<const char*> Published;
    std::vector<const char*> Unpublished;
  } cases[] = {
      {&text, {"LookupItems", "LookupItemsSorted", "lookupitemssorted"}, {"Sorted"}},
      {&mask,
       {"LookupItemsSorted", "OnChange", "OnEditValueChanged", "OnNewLookupDisplayText", "OnValidate"},
       {"Sorted", "DisplayFormat"}},
      {&popup, {"LookupItemsSorted", "OnChange", "OnValidate"}, {"Sorted"}},
      {&combo, {"Sorted", "Items", "OnNewLookupDisplayText"}, {"LookupItemsSorted", "LookupItems"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Properties->ClassName());
    for (const char* name : c.Published) EXPECT_TRUE(c.Properties->IsPublishedProperty(name)) << name;
    for (const char* name : c.Unpublished) EXPECT_FALSE(c.Properties->IsPublishedProperty(name)) << name;
  }
}

TEST(vxTextEditProperties, TheTextEditIsRegistered) {
  TvxRegisteredClasses& registry = GetRegisteredEditProperties();
  const int index = registry.IndexOf(TvxTextEditProperties::PropertiesClass());
  ASSERT_GE(index, 0);
  EXPECT_EQ(registry.Texts(index), "TextEdit|Represents a single line text editor");
}

TEST_F(vxTextEditor, TheRangeIsCheckedForNumericPropertiesOnly) {
  auto* number = new TNumberEdit(Host);
  number->SetParent(Host);
  struct Case {
    std::optional<double> Min, Max;
    const char* Text;
    bool Valid;
  };
  const Case cases[] = {
      {std::nullopt, std::nullopt, "-1000", true},  // both 0: no range
      {10, std::nullopt, "9.5", false},             // only the minimum set, the maximum 0 below it
      {10, std::nullopt, "1e9", true},
      {1, 5, "1", true},
      {1, 5, "5", true},
      {1, 5, "0.99", false},
      {1, 5, "5.01", false},
      {1, 5, "", true},  // Null lies outside no range
      {5, 1, "100", true},  // both set and the maximum below: no bound applies
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    TvxCustomTextEditProperties* p = number->Properties();
    p->RestoreDefaults();
    if (c.Min) p->SetMinValue(*c.Min);
    if (c.Max) p->SetMaxValue(*c.Max);
    Variant display(AnsiString(c.Text));
    AnsiString errorText;
    bool error = false;
    p->ValidateDisplayValue(display, errorText, error, number);
    EXPECT_EQ(error, !c.Valid);
    if (!c.Valid) {
      EXPECT_EQ(errorText, "Value out of bounds");
    }

    // The text edit itself has no range check.
    Edit->Properties()->RestoreDefaults();
    Edit->Properties()->SetMinValue(1);
    Edit->Properties()->SetMaxValue(5);
    error = false;
    Edit->Properties()->ValidateDisplayValue(display, errorText, error, Edit);
    EXPECT_FALSE(error);
  }

  // A numeric value that is not a number cannot be shown.
  Variant shown;
  EXPECT_THROW(number->Properties()->PrepareDisplayValue(Variant::FromDate(1.5), shown, false), EConvertError);
  number->Properties()->PrepareDisplayValue(Variant::Null(), shown, false);
  EXPECT_EQ(shown.AsString(), "");
}

TEST_F(vxTextEditor, AnOutOfRangeValueKeepsTheFocusOnLeaving) {
  auto* number = edittest::Place<TNumberEdit>(Host, 10, 50, 150, 24);
  number->Properties()->SetMinValue(1);
  number->Properties()->SetMaxValue(5);
  number->Properties()->SetBeepOnError(true);
  number->SetFocus();
  Pump();
  guitest::TypeText(L"7");
  Settle();
  TBeepCounter beeps;
  guitest::TExceptionCatcher caught;
  guitest::TapKey(VK_TAB);
  Settle();
  EXPECT_EQ(caught.Messages(), std::vector<std::string>{"Value out of bounds"});
  EXPECT_EQ(beeps.Count, 1);
  EXPECT_EQ(GetFocus(), number->InnerTextEditControl()->Handle());
  EXPECT_EQ(number->SelLength(), 1) << "the text stands selected";

  guitest::TypeText(L"3");
  guitest::TapKey(VK_TAB);
  Settle();
  EXPECT_NE(GetFocus(), number->InnerTextEditControl()->Handle());
  EXPECT_EQ(number->EditValue().AsDouble(), 3.0);
}

TEST_F(vxTextEditor, APasswordShowsStarsAndNeverReachesTheClipboard) {
  Edit->Properties()->SetEchoMode(eemPassword);
  Enter("");
  guitest::TypeText(L"secret");
  guitest::TapKey(VK_TAB);
  Settle();
  EXPECT_EQ(Inner()->PasswordChar(), '*');
  EXPECT_EQ(Edit->EditValue().AsString(), "secret");
  Enter("secret");
  for (const bool readOnly : {false, true}) {
    SCOPED_TRACE(readOnly);
    Edit->Properties()->SetReadOnly(readOnly);
    SetClipboardText("clip");
    Edit->SelectAll();
    SendMessageA(Inner()->Handle(), WM_COPY, 0, 0);
    SendMessageA(Inner()->Handle(), WM_CUT, 0, 0);
    Edit->CopyToClipboard();
    Edit->CutToClipboard();
    // The EDIT's own keys for the clipboard.
    guitest::TapKeyWith(VK_CONTROL, VK_INSERT);
    guitest::TapKeyWith(VK_SHIFT, VK_DELETE);
    Pump();
    EXPECT_EQ(ClipboardText(), "clip");
    EXPECT_EQ(Edit->Text(), "secret");
  }
  // Shown as it is, the text is copied.
  Edit->Properties()->SetEchoMode(eemNormal);
  Select(Edit, 1, 2);
  SendMessageA(Inner()->Handle(), WM_COPY, 0, 0);
  EXPECT_EQ(ClipboardText(), "ec");
}

TEST_F(vxTextEditor, WindowTextOfTheEditorNeverSplitsACharacter) {
  Edit->SetEditValue(Variant(AnsiString("アイ")));
  struct Case {
    WPARAM Size;
    LRESULT Copied;
    const char* Text;
  };
  for (const Case& c : {Case{1, 0, ""}, Case{4, 2, "ア"}, Case{5, 4, "アイ"}}) {
    SCOPED_TRACE(c.Size);
    char buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), 'x');
    EXPECT_EQ(SendMessageA(Edit->Handle(), WM_GETTEXT, c.Size, reinterpret_cast<LPARAM>(buffer)), c.Copied);
    EXPECT_STREQ(buffer, c.Text);
  }
  char untouched = 'x';
  EXPECT_EQ(SendMessageA(Edit->Handle(), WM_GETTEXT, 0, reinterpret_cast<LPARAM>(&untouched)), 0);
  EXPECT_EQ(untouched, 'x') << "a buffer of size 0 is not written";
  EXPECT_EQ(SendMessageA(Edit->Handle(), WM_GETTEXTLENGTH, 0, 0), 4);

  EXPECT_EQ(SendMessageA(Edit->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("abc")), 1);
  EXPECT_EQ(Edit->Text(), "abc");
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
  EXPECT_EQ(Edit->EditValue().AsString(), "abc");
  Select(Edit, 1, 1);
  SendMessageA(Edit->Handle(), WM_CLEAR, 0, 0);
  EXPECT_EQ(Edit->Text(), "ac");
  EXPECT_EQ(Edit->SelStart(), 1);
  Edit->Properties()->SetReadOnly(true);
  EXPECT_EQ(SendMessageA(Edit->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("def")), 0);
  Edit->SelectAll();
  SendMessageA(Edit->Handle(), WM_CLEAR, 0, 0);
  EXPECT_EQ(Edit->Text(), "ac") << "a read-only editor keeps its text";
}

TEST_F(vxTextEditor, CutPasteAndClearByTheUserAreValidatedOnLeaving) {
  std::vector<std::string> validated;
  Edit->Properties()->OnValidate = [&](TObject*, Variant& value, AnsiString&, bool&) {
    validated.push_back(value.AsString());
  };
  const struct {
    UINT Message;
    const char* Expected;
  } cases[] = {{WM_CUT, "ab"}, {WM_PASTE, "abZZ"}, {WM_CLEAR, "ab"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Message);
    validated.clear();
    SetClipboardText("ZZ");
    Enter("abcd");
    Select(Edit, 2, 2);
    SendMessageA(Inner()->Handle(), c.Message, 0, 0);
    Pump();
    EXPECT_EQ(Edit->Text(), c.Expected);
    EXPECT_TRUE(Edit->ModifiedAfterEnter());
    Other->SetFocus();
    Pump();
    EXPECT_EQ(validated, std::vector<std::string>{c.Expected});
    EXPECT_EQ(Edit->EditValue().AsString(), c.Expected);
  }
  EXPECT_EQ(ClipboardText(), "ZZ");
}

TEST_F(vxTextEditor, ARefusedCutOrPasteChangesNeitherTextNorClipboard) {
  Edit->Properties()->SetMaxLength(3);
  Edit->SetFocus();
  Pump();
  Edit->SetText("abcdef");
  for (const UINT message : {WM_CUT, WM_PASTE}) {
    SCOPED_TRACE(message);
    SetClipboardText("Q");
    Select(Edit, 4, 1);
    SendMessageA(Inner()->Handle(), message, 0, 0);
    Pump();
    EXPECT_EQ(Edit->Text(), "abcdef");
    EXPECT_EQ(ClipboardText(), "Q");
  }
  // The EDIT's own keys for cut and paste are refused alike.
  for (const WORD key : {VK_DELETE, VK_INSERT}) {
    SCOPED_TRACE(key);
    Select(Edit, 4, 1);
    guitest::TapKeyWith(VK_SHIFT, key);
    Settle();
    EXPECT_EQ(Edit->Text(), "abcdef");
    EXPECT_EQ(ClipboardText(), "Q");
  }
  // Inside the limit the cut goes through.
  Select(Edit, 1, 1);
  SendMessageA(Inner()->Handle(), WM_CUT, 0, 0);
  EXPECT_EQ(ClipboardText(), "b");
}

// Counts the window texts asked of one window (each a copy of the whole text).
class TTextReadCounter {
public:
  explicit TTextReadCounter(HWND window) {
    Window = window;
    Count = 0;
    FHook = SetWindowsHookExA(WH_CALLWNDPROC, &Hook, nullptr, GetCurrentThreadId());
  }
  ~TTextReadCounter() { UnhookWindowsHookEx(FHook); }
  static inline HWND Window = nullptr;
  static inline int Count = 0;

private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->hwnd == Window && message->message == WM_GETTEXT) ++Count;
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  HHOOK FHook;
};

TEST_F(vxTextEditor, AKeystrokeReadsTheTextOnce) {
  Enter("アイabc");
  Edit->SetSelStart(2);
  const HWND window = Inner()->Handle();
  TTextReadCounter reads(window);
  for (const char key : {'x', 'y', 'z'}) {
    SendMessageA(window, WM_KEYDOWN, VkKeyScanA(key) & 0xFF, 1);
    SendMessageA(window, WM_CHAR, static_cast<unsigned char>(key), 1);
    SendMessageA(window, WM_KEYUP, VkKeyScanA(key) & 0xFF, 0xC0000001);
  }
  EXPECT_EQ(Edit->Text(), "アxyzイabc");
  EXPECT_EQ(Edit->SelStart(), 5);
  EXPECT_EQ(TTextReadCounter::Count, 3);
  // A text set from outside is read anew.
  SetWindowTextA(window, "q");
  EXPECT_EQ(Edit->Text(), "q");
}

TEST_F(vxTextEditor, ADestroyedEditorLeavesTheFormatController) {
  TvxFormatController& controller = vxFormatController();
  const int before = controller.ListenerCount();
  auto* edit = new TvxTextEdit(Host);
  edit->SetParent(Host);
  EXPECT_EQ(controller.ListenerCount(), before + 2) << "the editor and its properties listen";
  delete edit;
  EXPECT_EQ(controller.ListenerCount(), before);
  // A locale change afterwards reaches only the living.
  Edit->SetEditValue(Variant(AnsiString("kept")));
  SendMessageA(controller.NotificationWindow(), WM_WININICHANGE, 0, reinterpret_cast<LPARAM>("intl"));
  EXPECT_EQ(Edit->Text(), "kept");
}

TEST_F(vxTextEditor, AnUnfocusedRightAlignedEditorHidesItsInnerEdit) {
  for (const TAlignment alignment : {TAlignment::taRightJustify, TAlignment::taCenter, TAlignment::taLeftJustify}) {
    SCOPED_TRACE(static_cast<int>(alignment));
    Edit->Properties()->Alignment()->SetHorz(alignment);
    Other->SetFocus();
    Pump();
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    const int kind = GetWindowRgn(Inner()->Handle(), region);
    RECT box{};
    GetRgnBox(region, &box);
    DeleteObject(region);
    const bool hidden = kind != ERROR && IsRectEmpty(&box);
    EXPECT_EQ(hidden, alignment != TAlignment::taLeftJustify);
    Edit->SetFocus();
    Pump();
    EXPECT_TRUE(Edit->IsInnerEditVisible()) << "with the focus the inner edit shows the text";
  }
  // A value only chosen (lookup mode 3) is painted, focused or not.
  Edit->Properties()->SetChooseOnly(true);
  EXPECT_FALSE(Edit->IsInnerEditVisible());
  EXPECT_EQ(Edit->SelStart(), 0);
}

TEST_F(vxTextEditor, TheInnerEditStandsAtTheTopMarginUnderATallFont) {
  Edit->SetAutoSize(false);
  Edit->SetBounds(10, 10, 150, 24);
  for (const TvxEditVertAlignment vert : {taTopJustify, taBottomJustify, taVCenter}) {
    SCOPED_TRACE(static_cast<int>(vert));
    Edit->Properties()->Alignment()->SetVert(vert);
    Edit->Style()->Font()->SetSize(36);
    Pump();
    const RECT client = Edit->EditViewInfo()->ClientRect;
    const RECT inner = Inner()->BoundsRect();
    EXPECT_EQ(inner.top, client.top + 1);
    EXPECT_EQ(inner.left, client.left + 1);
    EXPECT_EQ(inner.right, client.right) << "one pixel more than the client width less the margins";
  }
  // A small font in the middle.
  Edit->Style()->Font()->SetSize(8);
  Edit->SetBounds(10, 10, 150, 60);
  Pump();
  const RECT client = Edit->EditViewInfo()->ClientRect;
  const RECT inner = Inner()->BoundsRect();
  const int height = inner.bottom - inner.top;
  EXPECT_EQ(inner.top, client.top + 1 + (client.bottom - client.top - height - 1 - 3) / 2);
}

}  // namespace
