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
#include "editors/vxTextEdit.h"
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
// Characters reach the key handlers byte by byte, and the trail byte of a double-byte
// character can look like "@" (square root) or "e" (an exponent). Neither the calculator nor
// the calculator edit takes double-byte characters: this tells the byte after a lead byte, so
// that it goes with it.
class TvxCalcTrailByteFilter {
public:
  // True for the byte that follows a lead byte. Digits, signs and separators lie below the
  // trail bytes' range, so they are never taken for one.
  bool IsTrailByte(char key);

private:
  bool FAfterLead = false;
};

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

  // Status csError, the error text in the display, a beep with BeepOnError.
  void ShowError();

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
  TvxCalcTrailByteFilter FTrailBytes;
  bool FIsPopup;
  bool FConstructing = false;  // the constructor's own sizing is no resize
};

// --- Popup calculator ------------------------------------------------------------------------

class TvxCustomCalcEdit;

// The calculator in the popup of a calculator edit. Its display is the edit's text: every
// result goes into the edit's inner edit as it stands and marks the edit modified. It closes
// the popup on Alt+Up/Alt+Down, F4, Enter (after "="), Esc (after "C") and, with the edit's
// QuickClose, on "=". Created and owned by the edit; Edit is not owned.
class TvxPopupCalculator : public TvxCustomCalculator {
public:
  explicit TvxPopupCalculator(TComponent* owner);
  const char* ClassName() const override { return "TvxPopupCalculator"; }

  TvxCustomCalcEdit* Edit() const { return FEdit; }
  void SetEdit(TvxCustomCalcEdit* value) { FEdit = value; }
  // The push-button painter of the edit's look-and-feel; the standard one without an edit.
  TvxLookAndFeelPainterClass GetPainter() override;
  // Forgets a key still held from the last opening (its key-up went to the edit).
  virtual void ResetKeyButton() { SetKeyButton(cbNone); }
  // Before each showing: the window made, the font taken, and the size and layout fitted to
  // it (which clears the memory and the pending operation).
  void FitToFont(const TFont& font);
  // A display the calculator edit would not take as a number ("-", a value beyond the double
  // range) shows the error instead.
  void CheckDisplay();

protected:
  AnsiString GetDisplayText() override;
  void SetDisplayText(const AnsiString& text) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(char& key) override;

private:
  TvxCustomCalcEdit* FEdit = nullptr;
};

// --- Calculator edit -------------------------------------------------------------------------
//
// A single-line number edit whose popup is its own calculator. The edit value is a double
// (Null when the text is empty or no number); Value reads it as a float, 0 for Null. Typed
// characters are filtered so that the text stays a number ("." and "," become the locale's
// decimal separator first); the value is shown in the general or the exponent format with
// Precision digits, optionally with thousand separators, or by DisplayFormat when not
// focused. While the popup is open the calculator writes into the edit's text; Enter and "="
// (QuickClose) keep the result, Esc puts back the value, text and modified state the edit had
// when the popup opened; an "Error" left in the text becomes the value 0 when the popup closes.

// Which of the calculator edit's properties were set explicitly: Precision besides the text's.
class TvxCalcEditPropertiesValues : public TvxTextEditPropertiesValues {
public:
  explicit TvxCalcEditPropertiesValues(TvxCustomEditProperties* owner) : TvxTextEditPropertiesValues(owner) {}
  const char* ClassName() const override { return "TvxCalcEditPropertiesValues"; }
  static TvxCustomEditPropertiesValuesClass ValuesClass();
  void Assign(const TPersistent* source) override;
  void RestoreDefaults() override;
  // A change tells the owner.
  bool Precision() const { return FPrecision; }
  void SetPrecision(bool value);

private:
  bool FPrecision = false;
};

class TvxCustomCalcEditProperties : public TvxCustomPopupEditProperties {
public:
  explicit TvxCustomCalcEditProperties(TPersistent* owner);
  const char* ClassName() const override { return "TvxCustomCalcEditProperties"; }
  static TvxCustomEditPropertiesClass PropertiesClass();
  TvxCustomEditPropertiesClass ClassType() const override { return PropertiesClass(); }
  void Assign(const TPersistent* source) override;

  // A write that changes a value tells the owner.
  bool BeepOnError() const { return TvxCustomPopupEditProperties::BeepOnError(); }
  void SetBeepOnError(bool value);
  // Significant digits: the own value when assigned, else 15; never more than 15.
  uint8_t Precision() const;
  void SetPrecision(uint8_t value);
  // "=" in the calculator closes the popup and keeps the result.
  bool QuickClose() const { return FQuickClose; }
  void SetQuickClose(bool value) { WriteOption(FQuickClose, value); }
  bool ScientificFormat() const { return FScientificFormat; }
  void SetScientificFormat(bool value) { WriteOption(FScientificFormat, value); }
  bool UseThousandSeparator() const { return FUseThousandSeparator; }
  void SetUseThousandSeparator(bool value) { WriteOption(FUseThousandSeparator, value); }
  // Thousand separators are shown: UseThousandSeparator without ScientificFormat.
  bool ThousandSeparatorsInUse() const { return FUseThousandSeparator && !FScientificFormat; }
  TvxCalcEditPropertiesValues* AssignedValues() const {
    return static_cast<TvxCalcEditPropertiesValues*>(TvxCustomEditProperties::AssignedValues());
  }

  // The edit's text as a number (see vxCalcTextToNumber).
  bool TextToNumber(const AnsiString& text, long double& value) const { return vxCalcTextToNumber(text, value); }
  // Numbers, Null and "" are valid; a string when it converts.
  bool IsEditValueValid(Variant& value, bool focused) override;
  // Blank shows empty; unfocused with a DisplayFormat that format; else vxCalcFormatValue.
  void PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool focused) override;
  void ValidateDisplayValue(Variant& displayValue, AnsiString& errorText, bool& error, TvxCustomEdit* edit) override;
  TvxCustomEditClass GetContainerClass() const override;
  bool IsEditValueNumeric() const override { return true; }

protected:
  TvxCustomEditPropertiesValuesClass GetAssignedValuesClass() const override {
    return TvxCalcEditPropertiesValues::ValuesClass();
  }

private:
  uint8_t FPrecision = 15;
  bool FQuickClose = false;
  bool FScientificFormat = false;
  bool FUseThousandSeparator = false;
};

class TvxCalcEditProperties : public TvxCustomCalcEditProperties {
public:
  using TvxCustomCalcEditProperties::TvxCustomCalcEditProperties;
  const char* ClassName() const override { return "TvxCalcEditProperties"; }
  static TvxCustomEditPropertiesClass PropertiesClass();
  TvxCustomEditPropertiesClass ClassType() const override { return PropertiesClass(); }
  bool IsPublishedProperty(const AnsiString& name) const override;
};

class TvxCustomCalcEdit : public TvxCustomPopupEdit {
public:
  explicit TvxCustomCalcEdit(TComponent* owner, bool inplace = false);
  // The calculator goes before the popup edit's own teardown.
  ~TvxCustomCalcEdit() override;
  const char* ClassName() const override { return "TvxCustomCalcEdit"; }

  TvxCustomCalcEditProperties* ActiveProperties() {
    return static_cast<TvxCustomCalcEditProperties*>(TvxCustomEdit::ActiveProperties());
  }
  TvxCustomCalcEditProperties* Properties() const {
    return static_cast<TvxCustomCalcEditProperties*>(TvxCustomEdit::Properties());
  }
  TvxPopupCalculator* Calculator() const { return FCalculator; }

  // 0 for a Null or empty edit value; a string that is no number raises the variant's
  // conversion error.
  long double Value();
  // The edit value becomes the number as a double; a value a double cannot hold raises
  // EConvertError and changes nothing.
  void SetValue(long double value);

  // Thousand separators out (unless scientific), then the locale's conversion: the number as
  // a double, or Null for an empty text or no number.
  void DisplayValueToEditValue(const Variant& displayValue, Variant& editValue, bool focused) override;
  // Paste goes through the calculator (currency string removed, 0 for no number).
  void PasteFromClipboard(TvxCustomInnerTextEdit& inner) override;
  // The size the calculator's font asks for. The calculator fills the popup, so its own width
  // and height are still those of the last showing when the popup is sized.
  SIZE GetPopupWindowClientPreferredSize() override;

protected:
  TvxCustomCalcEdit(TComponent* owner, bool inplace, const TvxEditClasses& classes);
  static TvxEditClasses CalcEditClasses(TvxCustomEditPropertiesClass properties);

  bool CanDropDown() override;
  void InitializePopupWindow() override;
  void PopupWindowShowing() override;
  void PopupWindowShowed() override;
  void PopupWindowClosed() override;
  void PropertiesChanged(TObject* sender) override;
  // The properties now in use (a repository item's or the own ones) show the calculator.
  void RepositoryItemChanged() override;
  bool IsValidChar(char key) override;
  void KeyPress(char& key) override;

private:
  friend class TvxPopupCalculator;
  void InitializeCalcEdit();
  // The calculator is the properties' popup control (without a change notification).
  void ConnectCalculator();

  TvxPopupCalculator* FCalculator = nullptr;  // owned
  bool FConnecting = false;
  TvxCalcTrailByteFilter FTrailBytes;
  // What Esc in the popup puts back.
  Variant FSavedEditValue;
  AnsiString FSavedText;
  bool FSavedModified = false;
  bool FSavedModifiedAfterEnter = false;
};

class TvxCalcEdit : public TvxCustomCalcEdit {
public:
  explicit TvxCalcEdit(TComponent* owner, bool inplace = false);
  const char* ClassName() const override { return "TvxCalcEdit"; }
  TvxCalcEditProperties* Properties() const {
    return static_cast<TvxCalcEditProperties*>(TvxCustomEdit::Properties());
  }
  TvxCalcEditProperties* ActiveProperties() {
    return static_cast<TvxCalcEditProperties*>(TvxCustomEdit::ActiveProperties());
  }
  void SetProperties(const TvxCalcEditProperties* value) { TvxCustomEdit::SetProperties(value); }
  static TvxCustomEditClass EditClass();
};

// Registers the calculator edit's properties ("CalcEdit|...") in the editor registry (after
// InitializevxDropDownEdit); counted, so that only the first start and the last stop act.
void InitializevxCalc();
void FinalizevxCalc();
