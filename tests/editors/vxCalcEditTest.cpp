// The calculator edit and its popup calculator: the clipboard held by another program, ...
#include "editors/vxCalc.h"

#include "platform/gui/Clipbrd.h"
#include "platform/rtl/FormatSettings.h"
#include "tests/editors/EditTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>

namespace {

using edittest::TBeepCounter;

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

// The locale's separators replaced for a scope.
class TLocaleScope {
public:
  TLocaleScope(char decimal, char thousand) : FSaved(GetFormatSettings()) {
    TFormatSettings fs = FSaved;
    fs.DecimalSeparator = decimal;
    fs.ThousandSeparator = thousand;
    SetFormatSettings(fs);
  }
  ~TLocaleScope() { SetFormatSettings(FSaved); }

private:
  TFormatSettings FSaved;
};

TEST(vxCalcEditText, TextToNumberTakesZeroAndTheDoubleRangeOnly) {
  struct Case {
    const char* text;
    bool ok;
    long double value;
  };
  const Case cases[] = {
      {"0", true, 0},          {"12.5", true, 12.5L},   {"1,234,567", true, 1234567},
      {"-1e5", true, -1e5L},   {"1.7E308", true, 1.7E308L}, {"5E-324", true, 5E-324L},
      {"1.8E308", false, 0},   {"4E-324", false, 0},    {"-", false, 0},
      {"", false, 0},          {"1e", false, 0},        {"abc", false, 0},
      {"1.2.3", false, 0},     {" 7 ", true, 7},
  };
  for (const Case& c : cases) {
    long double value = -1;
    EXPECT_EQ(vxCalcTextToNumber(c.text, value), c.ok) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
  TLocaleScope comma(',', '.');
  long double value = 0;
  EXPECT_TRUE(vxCalcTextToNumber("1.234,5", value));
  EXPECT_EQ(value, 1234.5L);
}

TEST(vxCalcEditText, DisplayFormats) {
  struct Case {
    long double value;
    int precision;
    bool scientific, thousand;
    const char* text;
  };
  const Case cases[] = {
      {1500, 15, true, false, "1.5E+3"},     {1.05L, 15, true, false, "1.05E+0"},
      {0, 15, true, false, "0E+0"},          {-2, 15, true, false, "-2E+0"},
      {1234567, 15, true, true, "1.234567E+6"},
      {1234567, 15, false, true, "1,234,567"}, {-123456, 15, false, true, "-123,456"},
      {123, 15, false, true, "123"},         {1234.5L, 15, false, true, "1,234.5"},
      {1234567, 15, false, false, "1234567"}, {1e20L, 15, false, true, "1E20"},
      {2.0L / 3, 15, false, false, "0.666666666666667"}, {2.0L / 3, 4, false, false, "0.6667"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(vxCalcFormatValue(c.value, c.precision, c.scientific, c.thousand), c.text)
        << static_cast<double>(c.value) << " " << c.precision << c.scientific << c.thousand;
  TLocaleScope comma(',', '.');
  EXPECT_EQ(vxCalcFormatValue(1234567.5L, 15, false, true), "1.234.567,5");
  EXPECT_EQ(vxCalcFormatValue(1500, 15, true, false), "1,5E+3");
}

TEST(vxCalcEditText, TypedCharactersKeepANumber) {
  struct Case {
    const char* text;
    int selStart, selLength;
    char ch;
    bool ok;
  };
  const Case cases[] = {
      {"", 0, 0, '-', true},    {"", 0, 0, '5', true},     {"", 0, 0, 'a', false},
      {"", 0, 0, '.', false},   {"1", 1, 0, '.', true},    {"1", 1, 0, 'e', false},  // "1e" is no number
      {"15", 1, 0, 'e', true},  {"1", 1, 0, ',', false},   {"12", 0, 2, '-', true},  // over the whole text
      {"-", 1, 0, '5', true},   {"5", 0, 0, '-', true},    {"5", 1, 0, '-', false},
      {"1.5", 1, 0, '.', false}, {"17", 0, 1, '9', true},  {"1", 1, 0, '\b', false},
      {"1E30", 4, 0, '8', true}, {"1E308", 5, 0, '0', false},  // beyond the double range
  };
  for (const Case& c : cases)
    EXPECT_EQ(vxCalcIsValidTypedChar(c.text, c.selStart, c.selLength, c.ch), c.ok)
        << c.text << " " << c.selStart << "/" << c.selLength << " '" << c.ch << "'";
  TLocaleScope comma(',', '.');
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

}  // namespace
