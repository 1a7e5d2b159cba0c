// The calculator with a display of the test's own: arithmetic, memory, error state and entry
// rules; metrics and layout; keys, clipboard and mouse through real input; painting, with a
// picture saved into the build's artifacts folder.
#include "editors/vxCalc.h"

#include "platform/gui/Clipbrd.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Streams.h"
#include "tests/controls/ControlsTestSupport.h"
#include "tests/platform/GuiTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

class TTestCalculator : public TvxCustomCalculator {
public:
  using TvxCustomCalculator::TvxCustomCalculator;
  AnsiString Display;

protected:
  AnsiString GetDisplayText() override { return Display; }
  void SetDisplayText(const AnsiString& text) override { Display = text; }
};

// Counts the beeps instead of sounding them.
struct TBeepCounter {
  TBeepCounter() : Previous(SetMessageBeepFunc([this](UINT) { ++Count; })) {}
  ~TBeepCounter() { SetMessageBeepFunc(Previous); }
  int Count = 0;
  TMessageBeepFunc Previous;
};

// Presses buttons one per character: the character table's characters, and letters for the
// rest: B Back, E CE, C C, L MC, R MR, S MS, P M+, N +/-, Q sqrt, I 1/x.
void Press(TvxCustomCalculator& calc, std::string_view buttons) {
  constexpr std::string_view letters = "BECLRSPNQI";
  constexpr TvxCalcButtonKind kinds[] = {cbBack, cbCancel, cbClear, cbMC, cbMR, cbMS, cbMP, cbSign, cbSqrt, cbRev};
  for (char c : buttons) {
    const size_t letter = letters.find(c);
    calc.ButtonClick(letter == std::string_view::npos ? vxCalcCharToButton(c) : kinds[letter]);
  }
}

std::string Repeat(std::string_view s, int times) {
  std::string out;
  while (times-- > 0) out += s;
  return out;
}

// A character typed as itself, whatever the keyboard layout.
void TypeChar(wchar_t ch) { guitest::TypeText(std::wstring_view(&ch, 1)); }

void CtrlKey(WORD key) { guitest::TapKeyWith(VK_CONTROL, key); }

// Lets the queued input reach the focused window.
void Settle() {
  for (int i = 0; i < 6; ++i) guitest::PumpUntil([] { return false; }, 1);
}

}  // namespace

TEST(vxCalculator, ButtonsComputeWhatTheUserExpects) {
  const struct {
    std::string Buttons;
    const char* Display;
    TvxCalcState Status;
    int Beeps;
  } rows[] = {
      {"1/0=", "Error", csError, 1},
      {"1/0=5", "Error", csError, 2},  // the error is shown again
      {"1/0=5C", "0", csFirst, 2},
      {"2+3%", "2.06", csFirst, 0},  // 2 + 2 x 3 / 100
      {"50*10%", "5", csFirst, 0},   // 50 x 10 / 100
      {"9Q", "3", csFirst, 0},
      {"4NQ", "Error", csError, 1},
      {"2Q", "1.4142135623731", csFirst, 0},
      {"3I", "0.333333333333333", csFirst, 0},
      {"2+3Q=", "3.73205080756888", csFirst, 0},  // after an operator sqrt gives the right operand
      {"4++=", "4", csFirst, 0},                  // the second "+" only replaces the first
      {"000", "0", csEntering, 0},
      {Repeat("1", 16), "111111111111111", csEntering, 1},
      {"1N" + Repeat("1", 15), "-111111111111111", csEntering, 1},  // the minus does not count
      {"1." + Repeat("1", 14), "1.1111111111111", csEntering, 1},   // the separator does
      {"7NB", "0", csEntering, 0},
      {"123B", "12", csEntering, 0},
      {"2+3=B", "0", csEntering, 0},  // a result is no entry
      {"5SR1", "51", csEntering, 0},  // a recalled value can be extended
      {"5S3PC9R", "8", csEntering, 0},
      // A display that holds no number ("1E-" left by Back) reads as 0.
      {"100000ISRB", "1E-", csEntering, 0},
      {"100000ISRB+5=", "5", csFirst, 0},
      // Results beyond what a double holds show the error: about 1E315 and 1E-330.
      {Repeat("999999999999999*", 20) + "999999999999999=", "Error", csError, 1},
      {Repeat("999999999999999*", 19) + "999999999999999=", "9.9999999999998E299", csFirst, 0},
      {"1" + Repeat("/999999999999999", 22) + "=", "Error", csError, 1},
      {"1" + Repeat("/999999999999999", 21) + "=", "1E-315", csFirst, 0},  // a denormal double
  };
  for (const auto& row : rows) {
    TBeepCounter beeps;
    TTestCalculator calc(nullptr);
    Press(calc, row.Buttons);
    EXPECT_EQ(calc.Display, row.Display) << row.Buttons;
    EXPECT_EQ(calc.Status(), row.Status) << row.Buttons;
    EXPECT_EQ(beeps.Count, row.Beeps) << row.Buttons;
  }
  EXPECT_TRUE(vxIsCalcValueInRange(1.7E308L) && vxIsCalcValueInRange(-5.0E-324L) && vxIsCalcValueInRange(0));
  EXPECT_FALSE(vxIsCalcValueInRange(1.8E308L) || vxIsCalcValueInRange(4.0E-324L));
}

TEST(vxCalculator, CommaLocaleAndMemoryButtons) {
  const TFormatSettings saved = GetFormatSettings();
  TFormatSettings comma = saved;
  comma.DecimalSeparator = ',';
  comma.ThousandSeparator = '.';
  SetFormatSettings(comma);
  TTestCalculator calc(nullptr);
  EXPECT_EQ(calc.Button(cbDecimal).Caption, ",");
  Press(calc, "0,5+0.5=");
  EXPECT_EQ(calc.Display, "1");
  Press(calc, "0.5");
  EXPECT_EQ(calc.Display, "0,5");
  calc.Display = "1.234,5";  // thousand separators are read over
  Press(calc, "N");
  EXPECT_EQ(calc.Display, "-1234,5");
  SetFormatSettings(saved);

  const auto grayed = [&] { return calc.Button(cbMC).Grayed && calc.Button(cbMR).Grayed; };
  EXPECT_TRUE(grayed());
  Press(calc, "C5S");
  EXPECT_FALSE(grayed());
  Press(calc, "L");
  EXPECT_TRUE(grayed());
  // A new layout forgets the memory and the pending operation, not the display.
  Press(calc, "7S2+");
  calc.SetBounds(0, 0, 300, 200);
  EXPECT_TRUE(calc.Memory() == 0 && grayed() && calc.LastOperator() == cbEqual && calc.Status() == csFirst);
  EXPECT_EQ(calc.Display, "2");
}

class vxCalculatorWindow : public guitest::TFormTest {
protected:
  TTestCalculator* MakeCalculator(bool focused) {
    auto* calc = new TTestCalculator(Host);
    calc->SetParent(Host);
    if (focused) calc->SetFocus();
    EXPECT_TRUE(guitest::PumpUntil([&] { return !focused || calc->Focused(); }));
    return calc;
  }
};

TEST_F(vxCalculatorWindow, FirstResizeFitsTheButtonsToTheSize) {
  TTestCalculator* calc = MakeCalculator(false);
  EXPECT_EQ(calc->Width(), 198) << "constructed as given";
  EXPECT_EQ(calc->Button(cbEqual).Bounds, (RECT{165, 103, 193, 125})) << "laid out for the first metrics";
  const auto metrics = [&] {
    const TvxCalcMetrics& m = calc->Metrics();
    return std::vector<int>{m.ButtonHeight, m.ButtonWidth, m.LargeButtonWidth, m.HorzGap,
                            m.VertGap,      m.FontSize,    calc->Width(),      calc->Height()};
  };
  calc->SetBounds(0, 0, 214, 138);
  EXPECT_EQ(metrics(), (std::vector<int>{24, 31, 53, 3, 3, 9, 214, 138}));
  calc->SetBounds(0, 0, 198, 131);
  EXPECT_EQ(metrics(), (std::vector<int>{23, 29, 49, 3, 3, 8, 202, 133}));
  EXPECT_EQ(calc->Button(cbEqual).Bounds, (RECT{170, 107, 199, 130}));
  EXPECT_EQ(calc->Button(cbClear).Bounds, (RECT{150, 3, 199, 26}));
  EXPECT_EQ(calc->Button(cbBack).Bounds, (RECT{46, 3, 95, 26}));
  EXPECT_EQ(calc->Button(cbMC).Bounds, (RECT{3, 29, 32, 52}));
  EXPECT_EQ(calc->GetButtonKindAt(POINT{71, 29}), cbNone) << "the gap after 7";
  EXPECT_EQ(vxCalcAutoButtonHeight(10, 10), 22) << "never below 22";
  // Without AutoFontSize the font decides: buttons twice its height.
  calc->Font().SetHeight(-20);
  calc->SetAutoFontSize(false);
  EXPECT_EQ(calc->Metrics().ButtonHeight, 2 * vxScreenCanvas()->FontHeight(calc->Font()));
}

TEST_F(vxCalculatorWindow, KeysAndCharactersPressTheirButtons) {
  guitest::TExceptionCatcher exceptions;
  TTestCalculator* calc = MakeCalculator(true);
  std::vector<TvxCalcButtonKind> pressed;
  calc->OnButtonClick = [&](TObject*, TvxCalcButtonKind& kind) { pressed.push_back(kind); };
  const auto expectPressed = [&](TvxCalcButtonKind kind, int what) {
    Settle();
    EXPECT_EQ(pressed, kind == cbNone ? std::vector<TvxCalcButtonKind>{} : std::vector{kind}) << what;
    EXPECT_EQ(calc->KeyButton(), cbNone) << "released with the key";
    pressed.clear();
  };
  const struct {
    WORD Key;
    bool Ctrl;
    TvxCalcButtonKind Button;
  } keys[] = {
      {VK_RETURN, false, cbEqual}, {VK_ESCAPE, false, cbClear}, {VK_DELETE, false, cbCancel}, {'C', false, cbClear},
      {'L', true, cbMC},           {'R', true, cbMR},           {'M', true, cbMS},            {'P', true, cbMP},
      {'R', false, cbRev},         {VK_F9, false, cbSign},      {'L', false, cbNone},         {VK_BACK, false, cbBack},
  };
  for (const auto& row : keys) {
    row.Ctrl ? CtrlKey(row.Key) : guitest::TapKey(row.Key);
    expectPressed(row.Button, row.Key);
  }
  const std::wstring chars = L"0123456789+-*/%@=,.";
  const TvxCalcButtonKind charButtons[] = {cbNum0, cbNum1, cbNum2,    cbNum3, cbNum4,  cbNum5,    cbNum6,
                                           cbNum7, cbNum8, cbNum9,    cbAdd,  cbSub,   cbMul,     cbDiv,
                                           cbPercent, cbSqrt, cbEqual, cbDecimal, cbDecimal};
  for (size_t i = 0; i < chars.size(); ++i) {
    TypeChar(chars[i]);
    expectPressed(charButtons[i], chars[i]);
  }
  // Held keys: Back repeats with the keyboard's auto-repeat, other buttons act once.
  Press(*calc, "C123456");
  for (WORD key : {WORD(VK_BACK), WORD('7')}) {
    for (int i = 0; i < 4; ++i) guitest::Key(key, true);
    Settle();
    EXPECT_TRUE(calc->Button(key == VK_BACK ? cbBack : cbNum7).Down);
    guitest::Key(key, false);
    Settle();
  }
  EXPECT_EQ(calc->Display, "127");
  EXPECT_FALSE(calc->Button(cbNum7).Down);
  EXPECT_TRUE(exceptions.Messages().empty());
}

TEST_F(vxCalculatorWindow, CtrlCCopiesAndCtrlVPastes) {
  guitest::TExceptionCatcher exceptions;
  TTestCalculator* calc = MakeCalculator(true);
  Press(*calc, "42");
  CtrlKey('C');
  Settle();
  EXPECT_EQ(ClipboardText(), "42");
  EXPECT_EQ(calc->Display, "42") << "Ctrl+C is no clear";
  const struct {
    const char* Clipboard;
    const char* Display;
    TvxCalcState Status;
  } rows[] = {
      {" ￥12.5 ", "12.5", csEntering},  // the locale's currency string (81 8F) goes
      {"1.8E308", "Error", csError},
      {"abc", "0", csError},  // a failed paste keeps the state
      {"1E308", "1E308", csEntering},
  };
  for (const auto& row : rows) {
    SetClipboardText(row.Clipboard);
    CtrlKey('V');
    Settle();
    EXPECT_EQ(calc->Display, row.Display) << row.Clipboard;
    EXPECT_EQ(calc->Status(), row.Status) << row.Clipboard;
  }
  EXPECT_TRUE(exceptions.Messages().empty());
}

TEST_F(vxCalculatorWindow, MouseActsOnReleaseOverThePressedButton) {
  TTestCalculator* calc = MakeCalculator(false);
  const auto click = [&](TvxCalcButtonKind down, TvxCalcButtonKind up, bool cancel = false) {
    for (TvxCalcButtonKind kind : {down, up}) {
      const RECT& r = calc->Button(kind).Bounds;
      guitest::MouseMoveTo(calc->ClientToScreen(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}));
      if (kind == down) guitest::MouseButton(true);
      Settle();
    }
    // Another window taking the mouse ends the press without acting.
    if (cancel) SendMessageA(calc->Handle(), WM_CANCELMODE, 0, 0);
    EXPECT_EQ(calc->Button(down).Down, down == up && !calc->Button(down).Grayed && !cancel);
    guitest::MouseButton(false);
    Settle();
    EXPECT_FALSE(calc->Tracking() || calc->Button(down).Down);
  };
  click(cbNum7, cbNum7);
  EXPECT_TRUE(calc->Focused()) << "a click takes the focus";
  click(cbNum8, cbNum9);  // moved off before the release: nothing
  click(cbMR, cbMR);      // grayed: no press
  click(cbNum5, cbNum5, true);
  EXPECT_EQ(calc->Display, "7");
}

// Captions in their colours, the grayed memory buttons; and a picture of the calculator with
// a key held, saved into the build's artifacts folder.
TEST_F(vxCalculatorWindow, PaintsCaptionsInTheirColours) {
  TTestCalculator* calc = MakeCalculator(true);
  const auto paint = [&] {
    auto bitmap = std::make_unique<controlstest::TPaintBitmap>(calc->ClientWidth(), calc->ClientHeight());
    SendMessageA(calc->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(bitmap->Canvas().Handle()), PRF_CLIENT);
    return bitmap;
  };
  // Whether a button shows a pixel close to a colour (0x00RRGGBB).
  const auto shows = [&](controlstest::TPaintBitmap& bitmap, TvxCalcButtonKind kind, uint32_t rgb) {
    const std::vector<uint32_t> pixels = bitmap.ReadPixels32();
    const RECT& r = calc->Button(kind).Bounds;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        const uint32_t p = pixels[static_cast<size_t>(y) * bitmap.Width() + x];
        int distance = 0;
        for (int shift : {0, 8, 16}) distance += std::abs(int((p >> shift) & 0xFF) - int((rgb >> shift) & 0xFF));
        if (distance < 90) return true;
      }
    return false;
  };
  auto picture = paint();
  EXPECT_TRUE(shows(*picture, cbNum7, 0x0000FF) && shows(*picture, cbClear, 0x800000) &&
              shows(*picture, cbMS, 0xFF0000) && shows(*picture, cbSqrt, 0x000080));
  EXPECT_FALSE(shows(*picture, cbMR, 0xFF0000)) << "the empty memory's buttons are grayed";

  Press(*calc, "5S");
  guitest::Key('8', true);
  Settle();
  auto shot = paint();
  guitest::Key('8', false);
  Settle();
  guitest::SaveArtifact(*shot, "calculator.bmp");
}
