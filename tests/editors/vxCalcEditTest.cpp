// The calculator edit and its popup calculator: number text, typed characters, display formats,
// the popup's keys and results through real input, Esc reverting, refused text shown as the error.
#include "editors/vxCalc.h"

#include "controls/vxGraphics.h"
#include "platform/gui/Clipbrd.h"
#include "platform/rtl/FormatSettings.h"
#include "tests/editors/DropDownTestSupport.h"
#include "tests/editors/EditTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <typeinfo>
#include <vector>

namespace {

using edittest::Select;
using edittest::TBeepCounter;
using edittest::TSeparatorsScope;

class TDisplayCalculator : public TvxCustomCalculator {
public:
  using TvxCustomCalculator::TvxCustomCalculator;
  AnsiString Display;

protected:
  AnsiString GetDisplayText() override { return Display; }
  void SetDisplayText(const AnsiString& text) override { Display = text; }
};

// Keeps the clipboard open from another thread, as another program would, while it lives.
class TClipboardHolder {
public:
  TClipboardHolder() {
    FThread = std::thread([this] {
      FOpened = OpenClipboard(nullptr) != FALSE;
      SetEvent(FReady);
      WaitForSingleObject(FRelease, INFINITE);
      if (FOpened) CloseClipboard();
    });
    WaitForSingleObject(FReady, INFINITE);
  }
  ~TClipboardHolder() {
    SetEvent(FRelease);
    FThread.join();
    CloseHandle(FReady);
    CloseHandle(FRelease);
  }
  bool Opened() const { return FOpened; }

private:
  HANDLE FReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE FRelease = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  bool FOpened = false;
  std::thread FThread;
};

TEST(vxCalcEditText, TextToNumberTakesZeroAndTheDoubleRangeOnly) {
  const struct {
    const char* text;
    bool ok;
    long double value;
  } cases[] = {
      {"0", true, 0},        {"12.5", true, 12.5L},       {"1,234,567", true, 1234567}, {"-1e5", true, -1e5L},
      {"1.7E308", true, 1.7E308L}, {"5E-324", true, 5E-324L}, {"1.8E308", false, 0},   {"4E-324", false, 0},
      {"-", false, 0},       {"", false, 0},              {"1e", false, 0},             {"abc", false, 0},
      {"1.2.3", false, 0},   {" 7 ", true, 7},
  };
  for (const auto& c : cases) {
    long double value = -1;
    EXPECT_EQ(vxCalcTextToNumber(c.text, value), c.ok) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
  TSeparatorsScope comma('.', ',');
  long double value = 0;
  EXPECT_TRUE(vxCalcTextToNumber("1.234,5", value));
  EXPECT_EQ(value, 1234.5L);
}

// The issue's formats go through the edit (PropertiesAndDisplay); the rest here.
TEST(vxCalcEditText, DisplayFormats) {
  const struct {
    long double value;
    int precision;
    bool scientific, thousand;
    const char* text;
  } cases[] = {
      {0, 15, true, false, "0E+0"},         {-2, 15, true, false, "-2E+0"},
      {-123456, 15, false, true, "-123,456"}, {123, 15, false, true, "123"},
      {1234.5L, 15, false, true, "1,234.5"}, {1e20L, 15, false, true, "1E20"},
      {2.0L / 3, 15, false, false, "0.666666666666667"}, {2.0L / 3, 4, false, false, "0.6667"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(vxCalcFormatValue(c.value, c.precision, c.scientific, c.thousand), c.text)
        << static_cast<double>(c.value) << " " << c.precision << c.scientific << c.thousand;
  TSeparatorsScope comma('.', ',');
  EXPECT_EQ(vxCalcFormatValue(1234567.5L, 15, false, true), "1.234.567,5");
  EXPECT_EQ(vxCalcFormatValue(1500, 15, true, false), "1,5E+3");
}

TEST(vxCalcEditText, TypedCharactersKeepANumber) {
  const struct {
    const char* text;
    int selStart, selLength;
    char ch;
    bool ok;
  } cases[] = {
      {"", 0, 0, '-', true},     {"", 0, 0, '5', true},      {"", 0, 0, 'a', false},  {"", 0, 0, '.', false},
      {"1", 1, 0, '.', true},    {"1", 1, 0, 'e', false},    {"15", 1, 0, 'e', true}, {"1", 1, 0, ',', false},
      {"12", 0, 2, '-', true},   {"-", 1, 0, '5', true},     {"5", 0, 0, '-', true},  {"5", 1, 0, '-', false},
      {"1.5", 1, 0, '.', false}, {"17", 0, 1, '9', true},    {"1", 1, 0, '\b', false},
      {"1E30", 4, 0, '8', true}, {"1E308", 5, 0, '0', false},  // beyond the double range
  };
  for (const auto& c : cases)
    EXPECT_EQ(vxCalcIsValidTypedChar(c.text, c.selStart, c.selLength, c.ch), c.ok)
        << c.text << " " << c.selStart << "/" << c.selLength << " '" << c.ch << "'";
  TSeparatorsScope comma('.', ',');
  EXPECT_TRUE(vxCalcIsValidTypedChar("12", 2, 0, ','));
  EXPECT_FALSE(vxCalcIsValidTypedChar("12", 2, 0, '.'));
}

TEST(vxCalculatorClipboard, HeldClipboardBeepsAndChangesNothing) {
  SetClipboardText("7");
  TDisplayCalculator calc(nullptr);
  calc.ButtonClick(cbNum4);
  calc.ButtonClick(cbNum2);
  TBeepCounter beeps;
  {
    TClipboardHolder holder;
    ASSERT_TRUE(holder.Opened());
    EXPECT_NO_THROW(calc.CopyToClipboard());
    EXPECT_EQ(beeps.Count, 1);
    EXPECT_NO_THROW(calc.PasteFromClipboard());
    EXPECT_EQ(beeps.Count, 2);
    EXPECT_EQ(calc.Display, "42");
    EXPECT_EQ(calc.Status(), csEntering);
    calc.SetBeepOnError(false);
    EXPECT_NO_THROW(calc.CopyToClipboard());
    EXPECT_EQ(beeps.Count, 2);
  }
  EXPECT_EQ(ClipboardText(), "7");
  calc.PasteFromClipboard();
  EXPECT_EQ(calc.Display, "7");
}

// A repository item of calculator-edit properties.
class TCalcItem : public TvxEditRepositoryItem {
public:
  using TvxEditRepositoryItem::TvxEditRepositoryItem;
  TvxCustomEditPropertiesClass GetEditPropertiesClass() const override {
    return TvxCalcEditProperties::PropertiesClass();
  }
};

class vxCalcEdit : public guitest::TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Edit = edittest::Place<TvxCalcEdit>(Host, 20, 20, 150, 21);
    Edit->Properties()->OnPopup = [this](TObject*) {
      ++Popups;
      if (OnPopup) OnPopup();
    };
    Edit->Properties()->OnCloseUp = [this](TObject*) { ++CloseUps; };
    // What the edit shows when the calculator asks to close.
    TvxCalcHidePopupEvent hide = Edit->Calculator()->OnHidePopup;
    Edit->Calculator()->OnHidePopup = [this, hide](TObject* sender, TvxEditCloseUpReason reason) {
      TextAtClose = Edit->Text();
      StatusAtClose = Edit->Calculator()->Status();
      hide(sender, reason);
    };
    guitest::Pump();
  }
  void TearDown() override {
    dropdowntest::CloseAllPopups();
    TFormTest::TearDown();
  }
  void Focus() {
    Edit->SetFocus();
    guitest::Pump();
    ASSERT_TRUE(Edit->Focused());
  }
  // Opens the popup, lets input act in it, and waits until it has closed again.
  void OpenAndThen(std::function<void()> input) {
    CloseUps = 0;
    OnPopup = std::move(input);
    Edit->SetDroppedDown(true);
    guitest::PumpUntil([&] { return CloseUps > 0 && !Edit->DroppedDown(); });
    guitest::Pump();
    OnPopup = nullptr;
  }
  // Types into the open calculator, then taps a key (none: 0).
  void Calculate(std::wstring_view text, WORD key) {
    OpenAndThen([text, key] {
      guitest::TypeText(text);
      if (key != 0) guitest::TapKey(key);
    });
  }
  void Type(std::wstring_view text) {
    guitest::TypeText(text);
    edittest::Settle();
  }

  TvxCalcEdit* Edit = nullptr;
  AnsiString TextAtClose;
  TvxCalcState StatusAtClose = csFirst;
  int Popups = 0;
  int CloseUps = 0;
  std::function<void()> OnPopup;
};

TEST_F(vxCalcEdit, ValueAndTypedCharacters) {
  EXPECT_EQ(Edit->Value(), 0);
  EXPECT_EQ(Edit->Text(), "0");
  Edit->SetEditValue(Variant::Null());
  EXPECT_EQ(Edit->Value(), 0);
  Edit->SetEditValue(Variant(AnsiString()));
  EXPECT_EQ(Edit->Value(), 0);
  EXPECT_THROW(Edit->SetValue(1e400L), EConvertError);
  EXPECT_EQ(Edit->Value(), 0);

  TSeparatorsScope comma('.', ',');
  Focus();
  TBeepCounter beeps;
  Edit->SelectAll();
  Type(L"12,5");
  EXPECT_EQ(Edit->Text(), "12,5");
  EXPECT_TRUE(Edit->ValidateEdit());  // what leaving the edit does
  EXPECT_EQ(Edit->Value(), 12.5L);
  Edit->SelectAll();
  Type(L"7.");  // "." types the locale's separator
  EXPECT_EQ(Edit->Text(), "7,");
  EXPECT_EQ(beeps.Count, 0);
  Type(L"a");
  EXPECT_EQ(Edit->Text(), "7,");
  EXPECT_EQ(beeps.Count, 1);
  Edit->Properties()->SetBeepOnError(false);
  Type(L"x");
  EXPECT_EQ(beeps.Count, 1);
  EXPECT_EQ(Edit->Text(), "7,");
}

TEST_F(vxCalcEdit, JapaneseCharactersAreRefusedWhole) {
  Focus();
  TBeepCounter beeps;
  // The trail bytes of テ (83 65) and ウ (83 45) are "e" and "E": an exponent between "1" and "5".
  for (const wchar_t* ch : {L"\u30C6", L"\u30A6"}) {
    Edit->SelectAll();
    Type(L"15");
    Select(Edit, 1, 0);
    Type(ch);
    EXPECT_EQ(Edit->Text(), "15");
  }
  EXPECT_EQ(beeps.Count, 2);
  // In the calculator the trail byte of 院 (89 40) would be "@", the square root.
  Calculate(L"9\u9662", VK_RETURN);
  EXPECT_EQ(Edit->Text(), "9");
}

TEST_F(vxCalcEdit, PropertiesAndDisplay) {
  TvxCalcEditProperties* properties = Edit->Properties();
  // The constructor's own defaults beside the popup edit's, and the assigned values of its
  // own class (made on first use, after construction).
  EXPECT_FALSE(properties->ImmediateDropDown());
  EXPECT_FALSE(properties->PopupSizeable());
  EXPECT_EQ(typeid(*properties->AssignedValues()), typeid(TvxCalcEditPropertiesValues));
  EXPECT_EQ(properties->PopupControl(), Edit->Calculator());
  EXPECT_EQ(Edit->Calculator()->Edit(), Edit);
  EXPECT_EQ(properties->Precision(), 15);
  properties->SetPrecision(20);
  EXPECT_EQ(properties->Precision(), 15);
  properties->SetPrecision(4);
  EXPECT_EQ(Edit->Calculator()->Precision(), 4);
  Edit->SetValue(2.0L / 3);
  EXPECT_EQ(Edit->Text(), "0.6667");

  properties->AssignedValues()->RestoreDefaults();
  EXPECT_EQ(properties->Precision(), 15);

  const struct {
    bool scientific, thousand;
    long double value;
    const char* text;
  } cases[] = {
      {true, false, 1500, "1.5E+3"}, {true, false, 1.05L, "1.05E+0"}, {false, true, 1234567, "1,234,567"},
      {true, true, 1234567, "1.234567E+6"}, {false, false, 1234567, "1234567"},
  };
  for (const auto& c : cases) {
    properties->SetScientificFormat(c.scientific);
    properties->SetUseThousandSeparator(c.thousand);
    Edit->SetValue(c.value);
    EXPECT_EQ(Edit->Text(), c.text);
    EXPECT_EQ(Edit->Value(), static_cast<double>(c.value)) << c.text;
  }
  // Unfocused, a display format shows the value.
  properties->SetScientificFormat(false);
  properties->SetUseThousandSeparator(false);
  properties->SetDisplayFormat("0.00");
  Edit->SetValue(3.14159L);
  EXPECT_EQ(Edit->Text(), "3.14");
}

TEST_F(vxCalcEdit, PopupKeysCloseWithTheirReasons) {
  Focus();
  const struct {
    const char* name;
    WORD modifier, key;
    TvxEditCloseUpReason reason;
  } cases[] = {
      {"Alt+Up", VK_MENU, VK_UP, crClose}, {"Alt+Down", VK_MENU, VK_DOWN, crClose}, {"F4", 0, VK_F4, crClose},
      {"Enter", 0, VK_RETURN, crEnter},    {"Esc", 0, VK_ESCAPE, crCancel},
  };
  for (const auto& c : cases) {
    bool focused = false;
    OpenAndThen([&] {
      focused = GetFocus() == Edit->Calculator()->Handle();
      edittest::PressKey(c.modifier, c.key);
    });
    EXPECT_TRUE(focused) << c.name;
    EXPECT_FALSE(Edit->DroppedDown()) << c.name;
    EXPECT_EQ(Edit->LastCloseUpReason(), c.reason) << c.name;
  }
  EXPECT_EQ(Popups, 5);
}

TEST_F(vxCalcEdit, TabInThePopupReachesTheEdit) {
  Focus();
  std::vector<WORD> keys;
  Edit->OnKeyDown = [&](TObject*, WORD& key, TShiftState) { keys.push_back(key); };
  OpenAndThen([&] {
    guitest::TapKey(VK_TAB);
    guitest::TapKey(VK_ESCAPE);
  });
  EXPECT_NE(std::find(keys.begin(), keys.end(), WORD{VK_TAB}), keys.end());
  EXPECT_EQ(Edit->LastCloseUpReason(), crCancel);
  // With PostPopupValueOnTab the edit's key table closes the popup with the result.
  Edit->Properties()->SetPostPopupValueOnTab(true);
  Calculate(L"8", VK_TAB);
  EXPECT_EQ(Edit->LastCloseUpReason(), crTab);
  EXPECT_EQ(Edit->Text(), "8");
}

TEST_F(vxCalcEdit, CalculatorWritesIntoTheEdit) {
  Focus();
  TBeepCounter beeps;
  Calculate(L"2*3", VK_RETURN);
  EXPECT_EQ(Edit->Text(), "6");
  EXPECT_TRUE(Edit->ValidateEdit());  // the value is taken as the edit is left
  EXPECT_EQ(Edit->Value(), 6);
  EXPECT_EQ(Edit->LastCloseUpReason(), crEnter);
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
  // "1" "." "5": the text as it stands, not reformatted on the way.
  Calculate(L"1.5+1", VK_RETURN);
  EXPECT_EQ(Edit->Text(), "2.5");

  // Esc puts back the value the edit had when the popup opened.
  Edit->SetValue(42);
  Edit->SetModified(false);
  AnsiString during;
  OpenAndThen([&] {
    guitest::TypeText(L"9*9=");
    edittest::Settle();
    during = Edit->Text();
    guitest::TapKey(VK_ESCAPE);
  });
  EXPECT_EQ(during, "81");
  EXPECT_EQ(Edit->LastCloseUpReason(), crCancel);
  EXPECT_EQ(Edit->Text(), "42");
  EXPECT_EQ(Edit->Value(), 42);
  EXPECT_FALSE(Edit->Modified());

  // With QuickClose "=" closes; an error becomes 0.
  Edit->Properties()->SetQuickClose(true);
  beeps.Count = 0;
  Calculate(L"1/0=", 0);
  EXPECT_EQ(TextAtClose, "Error");
  EXPECT_EQ(beeps.Count, 1);
  EXPECT_EQ(Edit->LastCloseUpReason(), crEnter);
  EXPECT_EQ(Edit->Value(), 0);
  EXPECT_EQ(Edit->Text(), "0");
}

TEST_F(vxCalcEdit, AfterTheCalculatorTheTextIsSelectedOrTheCaretAtItsEnd) {
  Focus();
  for (bool autoSelect : {true, false}) {
    SCOPED_TRACE(autoSelect);
    Edit->Properties()->SetAutoSelect(autoSelect);
    Edit->SetValue(0);
    Select(Edit, 1, 0);  // the caret after "0", not where the result should leave it
    Calculate(L"123456", VK_RETURN);
    EXPECT_EQ(Edit->Text(), "123456");
    EXPECT_EQ(Edit->SelStart(), autoSelect ? 0 : 6);
    EXPECT_EQ(Edit->SelLength(), autoSelect ? 6 : 0);
  }
}

TEST_F(vxCalcEdit, TextTheEditRefusesShowsTheErrorInThePopup) {
  Focus();
  TBeepCounter beeps;
  Edit->SelectAll();
  Type(L"-");
  EXPECT_EQ(Edit->Text(), "-");
  EXPECT_EQ(Edit->Value(), 0);
  Calculate(L"5+", VK_F4);  // the error is shown again; nothing raises
  EXPECT_EQ(StatusAtClose, csError);
  EXPECT_EQ(TextAtClose, "Error");
  EXPECT_EQ(beeps.Count, 3);
  EXPECT_EQ(Edit->Value(), 0);
  EXPECT_EQ(Edit->Text(), "0");
  // A double beyond the range the edit types: the error, not an infinity.
  Edit->SetEditValue(Variant(1.75e308));
  Calculate(L"*2", VK_RETURN);
  EXPECT_EQ(StatusAtClose, csError);
  EXPECT_EQ(TextAtClose, "Error");
  EXPECT_EQ(Edit->Value(), 0);
}

TEST_F(vxCalcEdit, OpensBelowTheEditWithAPicture) {
  Focus();
  Edit->SetValue(1234.5L);
  RECT popup{}, edit{};
  TBitmap shot;
  OpenAndThen([&] {
    guitest::Pump();
    GetWindowRect(Edit->PopupWindow()->Handle(), &popup);
    GetWindowRect(Edit->Handle(), &edit);
    RECT both{};
    UnionRect(&both, &popup, &edit);
    InflateRect(&both, 8, 8);
    shot.SetSize(both.right - both.left, both.bottom - both.top);
    HDC screen = GetDC(nullptr);
    BitBlt(shot.Canvas().Handle(), 0, 0, shot.Width(), shot.Height(), screen, both.left, both.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    guitest::TapKey(VK_ESCAPE);
  });
  EXPECT_EQ(popup.top, edit.bottom);
  EXPECT_EQ(popup.left, edit.left);
  // The calculator fills the popup inside its frame, at the size its font asks for.
  const TvxCalcMetrics& m = Edit->Calculator()->Metrics();
  EXPECT_GE(popup.right - popup.left, m.CalcWidth);
  EXPECT_GE(popup.bottom - popup.top, m.CalcHeight);
  EXPECT_EQ(m.ButtonHeight, 2 * vxScreenCanvas()->FontHeight(Edit->Calculator()->Font()));
  guitest::SaveArtifact(shot, "calc_edit_popup.bmp");
}

TEST_F(vxCalcEdit, ClipboardInThePopupAndInTheEdit) {
  Focus();
  // Ctrl+Insert copies the display, Shift+Insert pastes into it.
  SetClipboardText("x");
  AnsiString copied;
  OpenAndThen([&] {
    guitest::TypeText(L"42");
    guitest::TapKeyWith(VK_CONTROL, VK_INSERT);
    edittest::Settle();
    copied = ClipboardText();
    SetClipboardText("7");
    guitest::TapKeyWith(VK_SHIFT, VK_INSERT);
    guitest::TapKey(VK_RETURN);
  });
  EXPECT_EQ(copied, "42");
  EXPECT_EQ(Edit->Text(), "7");

  // Pasting into the edit goes through the calculator: the currency string goes, what is no
  // number becomes 0, and a number beyond the double range shows the error (the value 0).
  const struct {
    const char* clipboard;
    const char* text;
  } cases[] = {{" ￥12.5 ", "12.5"}, {"abc", "0"}, {"1E400", "Error"}};
  for (const auto& c : cases) {
    SetClipboardText(c.clipboard);
    Edit->SelectAll();
    guitest::TapKeyWith(VK_CONTROL, 'V');
    edittest::Settle();
    EXPECT_EQ(Edit->Text(), c.text) << c.clipboard;
  }
  EXPECT_TRUE(Edit->ValidateEdit());
  EXPECT_EQ(Edit->Value(), 0);
}

TEST_F(vxCalcEdit, EditsSharingARepositoryItemShowTheirOwnCalculators) {
  TCalcItem item(nullptr);
  auto* other = edittest::Place<TvxCalcEdit>(Host, 20, 60, 150, 21);
  other->SetValue(5);
  Edit->SetRepositoryItem(&item);
  other->SetRepositoryItem(&item);  // the item's popup control is now the other's calculator
  static_cast<TvxCalcEditProperties*>(item.Properties())->SetQuickClose(true);
  Focus();
  TWinControl* shown = nullptr;
  OpenAndThen([&] {
    shown = dynamic_cast<TWinControl*>(Edit->ActiveProperties()->PopupControl());
    guitest::TypeText(L"6*7=");
  });
  EXPECT_EQ(shown, Edit->Calculator());
  EXPECT_EQ(Edit->LastCloseUpReason(), crEnter);
  EXPECT_EQ(Edit->Text(), "42");
  EXPECT_EQ(other->Text(), "5");
  Edit->SetRepositoryItem(nullptr);
  other->SetRepositoryItem(nullptr);
  EXPECT_EQ(Edit->ActiveProperties()->PopupControl(), Edit->Calculator());
}

TEST_F(vxCalcEdit, AnOnPopupThatFreesTheEditEndsTheShowing) {
  guitest::TExceptionCatcher caught;
  bool freed = false;
  OnPopup = [&] {
    delete Edit;
    Edit = nullptr;
    freed = true;
  };
  Edit->SetDroppedDown(true);
  ASSERT_TRUE(guitest::PumpUntil([&] { return freed; }));
  guitest::Pump();
  EXPECT_EQ(Popups, 1);
  EXPECT_EQ(TvxCustomPopupWindow::VisiblePopupCount(), 0);
  EXPECT_TRUE(caught.Messages().empty()) << caught.Messages().front();
}

TEST_F(vxCalcEdit, ReadOnlyDoesNotDropDown) {
  Edit->Properties()->SetReadOnly(true);
  Edit->SetDroppedDown(true);
  guitest::PumpUntil([] { return false; }, 5);
  EXPECT_FALSE(Edit->DroppedDown());
  EXPECT_EQ(Popups, 0);
}

TEST(vxPopupCalculator, WithoutAnEditPaintsStandardAndShowsNothing) {
  TvxPopupCalculator calc(nullptr);
  EXPECT_TRUE(calc.IsPopup());
  EXPECT_EQ(calc.GetPainter(), TvxCustomCalculator(nullptr).GetPainter());
  calc.ButtonClick(cbNum7);
  EXPECT_EQ(calc.DisplayValue(), 0);
}

TEST(vxCalcEditRegistration, CalcEditIsRegistered) {
  const int index = GetRegisteredEditProperties().IndexOf(TvxCalcEditProperties::PropertiesClass());
  ASSERT_GE(index, 0);
  EXPECT_EQ(GetRegisteredEditProperties().Texts(index),
            "CalcEdit|Represents an edit control with a dropdown calculator window");
}

}  // namespace
