// The calculator: an owner-drawn four-function calculator with a one-value memory, 27 buttons,
// a keyboard and clipboard interface and an arithmetic state machine on extended floats.
//
// It has no display of its own. Everything it shows or reads goes through two virtual
// operations, GetDisplayText and SetDisplayText, that a descendant implements (the popup
// calculator of the calculator edit uses the edit's text). The number in the display is read
// and written through DisplayValue and SetDisplayValue, which format with the locale's
// separators; digits, the decimal separator and Back edit the text itself.
//
// State: Status says whether the next digit starts a new number (csFirst), extends the one
// being typed (csEntering), or whether the display shows the error text (csError, left only by
// "CE" and "C"). LastOperator and Operand hold the pending operation. Every layout (each
// resize and font change) clears the memory and the pending operation, not the display.
//
// Keys: KeyDown maps the key table, KeyPress the character table; the button a key holds is
// KeyButton, drawn pressed until the key goes up. A mouse press is tracked on MouseButton and
// acts on release over the same button; HotButton follows the mouse when the painter has a
// hot look.
//
// For descendants (the popup calculator): construct through the protected constructor with
// isPopup true (no border, no focus taken on a click); override GetPainter, GetDisplayText,
// SetDisplayText; handle the closing keys in KeyDown and KeyPress after the inherited ones,
// which have already acted; close through HidePopup; SetKeyButton forgets a held key.
//
// GUI thread only. Arithmetic needs the x87 at 64-bit precision (SetExtendedFpuPrecision).
#pragma once

#include "controls/vxControls.h"
#include "controls/vxLookAndFeelPainters.h"
#include "editors/vxDropDownEdit.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/SysStrings.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>

enum TvxCalcButtonKind : uint8_t {
  cbBack, cbCancel, cbClear, cbMC, cbMR, cbMS, cbMP,
  cbNum0, cbNum1, cbNum2, cbNum3, cbNum4, cbNum5, cbNum6, cbNum7, cbNum8, cbNum9,
  cbSign, cbDecimal, cbDiv, cbMul, cbSub, cbAdd, cbSqrt, cbPercent, cbRev, cbEqual,
  cbNone,
};
constexpr int vxCalcButtonCount = cbNone;

enum TvxCalcState : uint8_t { csFirst, csEntering, csError };

// One button: its caption (at most 4 characters), caption colour and place; Down draws it
// pressed, Grayed disabled.
struct TvxCalcButtonInfo {
  TvxCalcButtonKind Kind = cbNone;
  AnsiString Caption;
  TColor FontColor = clBlack;
  RECT Bounds{};
  bool Down = false;
  bool Grayed = false;
};

// Button sizes, gaps, the button font size (with AutoFontSize) and the calculator's own size.
// The defaults are those of a calculator not laid out for its size yet.
struct TvxCalcMetrics {
  int ButtonWidth = 28;
  int ButtonHeight = 22;
  int LargeButtonWidth = 47;
  int HorzGap = 3;
  int VertGap = 3;
  int FontSize = 8;
  int CalcWidth = 198;
  int CalcHeight = 131;
};

// Everything follows from the button height.
TvxCalcMetrics vxCalcMetricsOf(int buttonHeight);
// The button height whose calculator height comes closest to what a client area of width x
// height holds at the calculator's proportions; never below 22.
int vxCalcAutoButtonHeight(int width, int height);
// The buttons of the key table and of the character table; cbNone for the rest.
TvxCalcButtonKind vxCalcKeyToButton(WORD key, TShiftState shift);
TvxCalcButtonKind vxCalcCharToButton(char ch);
// Whether a result can stand as a number of the calculator edit: 0, or a magnitude from
// 5.0E-324 to 1.7E308. Larger or smaller results show the error.
bool vxIsCalcValueInRange(long double value);

// --- Number text of the calculator edit --------------------------------------------------

// The edit's text as a number: the locale's thousand separators removed, then the locale's
// conversion. Succeeds only for 0 and magnitudes from 5.0E-324 to 1.7E308 (value 0 otherwise).
bool vxCalcTextToNumber(const AnsiString& text, long double& value);
// The edit's display text of a value: the general format (with the locale's thousand
// separators when asked), or the exponent format whose mantissa loses its trailing zeros
// ("1.5E+3"); precision significant digits.
AnsiString vxCalcFormatValue(long double value, int precision, bool scientific, bool thousandSeparator);
// Whether a character typed over the selection (bytes) of the text leaves a number: only
// signs, digits, the locale's decimal separator and "e"/"E" can; "-" into an otherwise empty
// text does.
bool vxCalcIsValidTypedChar(const AnsiString& text, int selStart, int selLength, char ch);

class TvxCustomCalculator;
using TvxCalcButtonClickEvent = std::function<void(TObject* sender, TvxCalcButtonKind& kind)>;
using TvxCalcHidePopupEvent = std::function<void(TObject* sender, TvxEditCloseUpReason reason)>;

class TvxCustomCalculator : public TvxControl {
public:
  explicit TvxCustomCalculator(TComponent* owner);
  const char* ClassName() const override { return "TvxCustomCalculator"; }

  // Buttons and font follow the size. A change recomputes the metrics.
  bool AutoFontSize() const { return FAutoFontSize; }
  void SetAutoFontSize(bool value);
  bool BeepOnError() const { return FBeepOnError; }
  void SetBeepOnError(bool value) { FBeepOnError = value; }
  // bsNone or bsSingle (a client edge, or a line without Ctl3D): the window's own border,
  // which stands for the control base's painted one.
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);
  bool ShowFocusRect() const { return FShowFocusRect; }
  void SetShowFocusRect(bool value);
  // Significant digits of the display (at least 2 count).
  uint8_t Precision() const { return FPrecision; }
  void SetPrecision(uint8_t value) { FPrecision = value; }

  long double Memory() const { return FMemory; }
  TvxCalcState Status() const { return FStatus; }
  TvxCalcButtonKind LastOperator() const { return FLastOperator; }
  long double Operand() const { return FOperand; }
  const TvxCalcMetrics& Metrics() const { return FMetrics; }
  const TvxCalcButtonInfo& Button(TvxCalcButtonKind kind) const { return FButtons[kind]; }
  TvxCalcButtonKind HotButton() const { return FHotButton; }
  TvxCalcButtonKind MouseButton() const { return FMouseButton; }
  TvxCalcButtonKind KeyButton() const { return FKeyButton; }
  bool Tracking() const { return FTracking; }
  bool IsPopup() const { return FIsPopup; }

  // The first button, in kind order, whose bounds hold the client point; cbNone when none.
  TvxCalcButtonKind GetButtonKindAt(POINT p) const;
  // What pressing the button does (OnButtonClick first).
  void ButtonClick(TvxCalcButtonKind kind);
  void CopyToClipboard();
  // The clipboard's text as a number (the currency string removed); 0 when it is none.
  void PasteFromClipboard();
  // 0 in the error state and for a display that holds no number.
  long double DisplayValue();
  // Formats the value into the display (OnDisplayChange when the text changes); a value out
  // of range shows the error instead. Answers whether the value stands in the display.
  bool SetDisplayValue(long double value);

  void SetEnabled(bool enabled) override;
  // The painter of the buttons: the standard one here.
  TvxLookAndFeelPainterClass GetPainter() override;

  TNotifyEvent OnDisplayChange;
  TvxCalcButtonClickEvent OnButtonClick;  // may replace the button
  TNotifyEvent OnResult;                  // after "%" and "="
  TvxCalcHidePopupEvent OnHidePopup;

protected:
  TvxCustomCalculator(TComponent* owner, bool isPopup);

  virtual AnsiString GetDisplayText() { return AnsiString(); }
  virtual void SetDisplayText(const AnsiString& text) {}
  virtual void HidePopup(TObject* sender, TvxEditCloseUpReason reason);
  // Forgets the key-held button without drawing it released.
  void SetKeyButton(TvxCalcButtonKind kind) { FKeyButton = kind; }

  void CreateParams(TCreateParams& params) override;
  void Paint() override;
  void Resize() override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void KeyUp(WORD& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  // A press that loses the mouse (another window takes it) ends without acting.
  void DoCancelMode() override;
  void FocusChanged() override;
  void FontChanged() override;
  void MouseLeave(TControl* control) override;

private:
  // The metrics for a client area (from the font without AutoFontSize), then the layout.
  void CalcMetrics(int clientWidth, int clientHeight);
  // Places every button, then clears the pending operation and the memory.
  void LayoutButtons();
  void RefreshMemoryButtons();
  // Invalidates the button; with now, paints it before answering.
  void RepaintButton(TvxCalcButtonKind kind, bool now = false);
  void PressKeyButton(TvxCalcButtonKind kind);
  void ReleaseKeyButton();
  void EndTracking();

  void ShowError();
  void BeginEntry();
  void AppendDigit(char digit);
  void Operation(TvxCalcButtonKind kind);
  void Function(TvxCalcButtonKind kind);

  bool FAutoFontSize = true;
  bool FBeepOnError = true;
  TBorderStyle FBorderStyle = TBorderStyle::bsNone;
  bool FShowFocusRect = true;
  TvxCalcMetrics FMetrics;
  long double FMemory = 0;
  TvxCalcButtonKind FLastOperator = cbEqual;
  long double FOperand = 0;
  uint8_t FPrecision = 15;
  TvxCalcState FStatus = csFirst;
  std::array<TvxCalcButtonInfo, vxCalcButtonCount> FButtons;
  TvxCalcButtonKind FHotButton = cbNone;
  TvxCalcButtonKind FMouseButton = cbNone;
  TvxCalcButtonKind FKeyButton = cbNone;
  bool FTracking = false;
  bool FIsPopup;
  bool FConstructing = false;  // the constructor's own sizing is no resize
};
