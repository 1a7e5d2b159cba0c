#include "editors/vxCalc.h"

#include "controls/vxClasses.h"
#include "controls/vxEditConsts.h"
#include "controls/vxGraphics.h"
#include "editors/vxButtons.h"
#include "platform/gui/Clipbrd.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/FormatSettings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

struct TButtonLook {
  const char* Caption;
  TColor FontColor;
};

// Captions and caption colours by kind; the decimal button's caption is the locale's
// separator, taken at each layout.
constexpr std::array<TButtonLook, vxCalcButtonCount> kButtonLooks{{
    {"Back", clMaroon}, {"CE", clMaroon}, {"C", clMaroon},
    {"MC", clRed}, {"MR", clRed}, {"MS", clRed}, {"M+", clRed},
    {"0", clBlue}, {"1", clBlue}, {"2", clBlue}, {"3", clBlue}, {"4", clBlue},
    {"5", clBlue}, {"6", clBlue}, {"7", clBlue}, {"8", clBlue}, {"9", clBlue},
    {"+/-", clBlue}, {",", clBlue},
    {"/", clRed}, {"*", clRed}, {"-", clRed}, {"+", clRed},
    {"sqrt", clNavy}, {"%", clNavy}, {"1/x", clNavy},
    {"=", clRed},
}};

// The main grid, row by row from the top, column by column from the left.
constexpr TvxCalcButtonKind kGrid[4][5] = {
    {cbNum7, cbNum8, cbNum9, cbDiv, cbSqrt},
    {cbNum4, cbNum5, cbNum6, cbMul, cbPercent},
    {cbNum1, cbNum2, cbNum3, cbSub, cbRev},
    {cbNum0, cbSign, cbDecimal, cbAdd, cbEqual},
};

bool IsArithmeticOperator(TvxCalcButtonKind kind) {
  return kind == cbDiv || kind == cbMul || kind == cbSub || kind == cbAdd;
}

// The calculator's height for a button height: five rows of buttons and gaps, and a gap.
int CalcHeightOf(int buttonHeight) {
  const int gap = MulDiv(buttonHeight, 3, 22);
  return (gap + buttonHeight) * 5 + gap;
}

}  // namespace

TvxCalcMetrics vxCalcMetricsOf(int buttonHeight) {
  TvxCalcMetrics m;
  m.ButtonHeight = buttonHeight;
  m.ButtonWidth = MulDiv(buttonHeight, 28, 22);
  m.VertGap = MulDiv(buttonHeight, 3, 22);
  m.HorzGap = m.VertGap;
  m.LargeButtonWidth = MulDiv(m.ButtonWidth, 17, 10);
  m.FontSize = MulDiv(buttonHeight, 8, 22);
  m.CalcHeight = (m.VertGap + buttonHeight) * 5 + m.VertGap;
  m.CalcWidth = (m.HorzGap + m.ButtonWidth) * 6 + 2 * m.HorzGap + 4;
  return m;
}

int vxCalcAutoButtonHeight(int width, int height) {
  const int target = std::min(height, MulDiv(width, 131, 198));
  int best = 22;
  int bestDifference = target;
  // The calculator's height grows with the button height: walk up while it comes closer.
  for (int h = 22;; ++h) {
    const int difference = std::abs(CalcHeightOf(h) - target);
    if (difference >= bestDifference) break;
    bestDifference = difference;
    best = h;
  }
  return best;
}

TvxCalcButtonKind vxCalcKeyToButton(WORD key, TShiftState shift) {
  const bool ctrl = (shift & ssCtrl) != 0;
  switch (key) {
    case VK_RETURN: return cbEqual;
    case VK_ESCAPE: return cbClear;
    case VK_DELETE: return cbCancel;
    case VK_F9: return cbSign;
    case 'C': return ctrl ? cbNone : cbClear;
    case 'R': return ctrl ? cbMR : cbRev;
    case 'L': return ctrl ? cbMC : cbNone;
    case 'M': return ctrl ? cbMS : cbNone;
    case 'P': return ctrl ? cbMP : cbNone;
  }
  return cbNone;
}

TvxCalcButtonKind vxCalcCharToButton(char ch) {
  if (ch >= '0' && ch <= '9') return static_cast<TvxCalcButtonKind>(cbNum0 + (ch - '0'));
  switch (ch) {
    case '\b': return cbBack;
    case '+': return cbAdd;
    case '-': return cbSub;
    case '*': return cbMul;
    case '/': return cbDiv;
    case '%': return cbPercent;
    case '@': return cbSqrt;
    case '=': return cbEqual;
    case ',':
    case '.': return cbDecimal;
  }
  return cbNone;
}

bool TvxCalcTrailByteFilter::IsTrailByte(char key) {
  const auto byte = static_cast<unsigned char>(key);
  const bool trail = FAfterLead && byte >= 0x40;
  FAfterLead = !trail && IsLeadByte(byte);
  return trail;
}

bool vxIsCalcValueInRange(long double value) {
  const long double magnitude = std::fabs(value);
  return value == 0 || (magnitude >= 5.0E-324L && magnitude <= 1.7E308L);
}

// --- Number text of the calculator edit --------------------------------------------------

namespace {

// The locale's thousand separators out of a number text. Separators are ASCII, never a
// trail byte of a double-byte character, so a byte scan finds only real ones.
AnsiString RemoveThousandSeparators(AnsiString text, char separator) {
  for (size_t i = text.size(); i-- > 0;)
    if (text[i] == separator) text.erase(i, 1);
  return text;
}

}  // namespace

bool vxCalcTextToNumber(const AnsiString& text, long double& value) {
  const TFormatSettings& fs = GetFormatSettings();
  long double converted = 0;
  value = 0;
  if (!TryStrToFloat(RemoveThousandSeparators(text, fs.ThousandSeparator), converted, fs)) return false;
  if (!vxIsCalcValueInRange(converted)) return false;
  value = converted;
  return true;
}

AnsiString vxCalcFormatValue(long double value, int precision, bool scientific, bool thousandSeparator) {
  const TFormatSettings& fs = GetFormatSettings();
  if (!scientific) {
    const AnsiString text = FloatToStrF(value, TFloatFormat::ffGeneral, precision, 0, fs);
    return thousandSeparator ? vxInsertThousandSeparators(text) : text;
  }
  const AnsiString text = FloatToStrF(value, TFloatFormat::ffExponent, precision, 0, fs);
  const size_t e = text.find_first_of("Ee");
  AnsiString mantissa = text.substr(0, e);
  const AnsiString exponent = e == AnsiString::npos ? AnsiString() : text.substr(e);
  if (mantissa.find(fs.DecimalSeparator) != AnsiString::npos) {
    while (!mantissa.empty() && mantissa.back() == '0') mantissa.pop_back();
    if (!mantissa.empty() && mantissa.back() == fs.DecimalSeparator) mantissa.pop_back();
  }
  return mantissa + exponent;
}

bool vxCalcIsValidTypedChar(const AnsiString& text, int selStart, int selLength, char ch) {
  const TFormatSettings& fs = GetFormatSettings();
  if (!(ch == '+' || ch == '-' || (ch >= '0' && ch <= '9') || ch == fs.DecimalSeparator || ch == 'e' || ch == 'E'))
    return false;
  AnsiString result = text;
  const size_t start = std::min(static_cast<size_t>(std::max(selStart, 0)), result.size());
  result.erase(start, static_cast<size_t>(std::max(selLength, 0)));
  if (ch == '-' && result.empty()) return true;
  result.insert(start, 1, ch);
  long double value = 0;
  return vxCalcTextToNumber(result, value);
}

// --- TvxCustomCalculator -----------------------------------------------------------------

TvxCustomCalculator::TvxCustomCalculator(TComponent* owner) : TvxCustomCalculator(owner, false) {}

TvxCustomCalculator::TvxCustomCalculator(TComponent* owner, bool isPopup) : TvxControl(owner), FIsPopup(isPopup) {
  SetControlStyle(csCaptureMouse | csOpaque);
  SetColor(clBtnFace);
  SetParentColor(false);
  SetTabStop(true);
  SetKeys(kAll | kArrows | kChars | kTab);
  // The size as given, laid out for the first metrics; the first resize after construction
  // fits the buttons to the size.
  FConstructing = true;
  SetBounds(Left(), Top(), FMetrics.CalcWidth, FMetrics.CalcHeight);
  FConstructing = false;
  LayoutButtons();
}

void TvxCustomCalculator::SetAutoFontSize(bool value) {
  if (FAutoFontSize == value) return;
  FAutoFontSize = value;
  Perform(CM_FONTCHANGED, 0, 0);
}

void TvxCustomCalculator::SetBorderStyle(TBorderStyle value) {
  if (FBorderStyle == value) return;
  FBorderStyle = value;
  if (HandleAllocated()) RecreateWnd();
}

void TvxCustomCalculator::SetShowFocusRect(bool value) {
  if (FShowFocusRect == value) return;
  FShowFocusRect = value;
  RepaintButton(cbEqual);
}

TvxCalcButtonKind TvxCustomCalculator::GetButtonKindAt(POINT p) const {
  for (const TvxCalcButtonInfo& button : FButtons)
    if (PtInRect(&button.Bounds, p)) return button.Kind;
  return cbNone;
}

// --- Display -------------------------------------------------------------------------------

long double TvxCustomCalculator::DisplayValue() {
  if (FStatus == csError) return 0;
  const TFormatSettings& fs = GetFormatSettings();
  const AnsiString trimmed = Trim(GetDisplayText());
  const AnsiString text = StringReplaceAll(trimmed.empty() ? AnsiString("0") : trimmed,
                                           AnsiString(1, fs.ThousandSeparator), "");
  // A display can hold what is no number, such as "-" or "1E-" left by Back: it counts as
  // 0, like an empty one, so that no button's action fails on it.
  long double value = 0;
  if (!TryStrToFloat(text, value, fs)) return 0;
  return value;
}

bool TvxCustomCalculator::SetDisplayValue(long double value) {
  if (!vxIsCalcValueInRange(value)) {
    ShowError();
    return false;
  }
  const AnsiString text =
      FloatToStrF(value, TFloatFormat::ffGeneral, std::max<int>(2, FPrecision), 0, GetFormatSettings());
  if (text != GetDisplayText()) {
    SetDisplayText(text);
    if (OnDisplayChange) OnDisplayChange(this);
  }
  return true;
}

void TvxCustomCalculator::ShowError() {
  FStatus = csError;
  SetDisplayText(vxLoadResourceString(scxCalcError));
  if (FBeepOnError) SystemBeep(0);
}

// Copy and paste run from key handlers: a clipboard that another program keeps open must not
// raise out of them. It beeps and nothing changes.
void TvxCustomCalculator::CopyToClipboard() {
  try {
    SetClipboardText(GetDisplayText());
  } catch (const EClipboardException&) {
    if (FBeepOnError) SystemBeep(0);
  }
}

void TvxCustomCalculator::PasteFromClipboard() {
  if (!ClipboardHasText()) return;
  AnsiString pasted;
  try {
    pasted = ClipboardText();
  } catch (const EClipboardException&) {
    if (FBeepOnError) SystemBeep(0);
    return;
  }
  const TFormatSettings& fs = GetFormatSettings();
  const AnsiString text = Trim(StringReplaceAll(pasted, fs.CurrencyString, ""));
  long double value = 0;
  if (TryStrToFloat(text, value, fs)) {
    if (SetDisplayValue(value)) FStatus = csEntering;
  } else {
    SetDisplayValue(0);
  }
}

// --- Button actions -------------------------------------------------------------------------

void TvxCustomCalculator::BeginEntry() {
  if (FStatus != csFirst) return;
  FStatus = csEntering;
  SetDisplayText("0");
}

void TvxCustomCalculator::AppendDigit(char digit) {
  BeginEntry();
  AnsiString text = GetDisplayText();
  if (text == "0") text.clear();
  // A leading minus sign does not count against the precision.
  const size_t minus = text.find('-');
  const int minusPosition = minus == AnsiString::npos ? 0 : static_cast<int>((minus + 1) & 0x7F);
  if (static_cast<int>(text.size()) < std::max<int>(2, FPrecision) + minusPosition) {
    SetDisplayText(text + digit);
  } else if (FBeepOnError) {
    SystemBeep(0);
  }
}

void TvxCustomCalculator::ButtonClick(TvxCalcButtonKind kind) {
  if (OnButtonClick) OnButtonClick(this, kind);
  if (FStatus == csError && kind != cbCancel && kind != cbClear) {
    ShowError();
    return;
  }
  switch (kind) {
    case cbDecimal: {
      BeginEntry();
      const AnsiString text = GetDisplayText();
      const char separator = GetFormatSettings().DecimalSeparator;
      if (text.find(separator) == AnsiString::npos) SetDisplayText(text + separator);
      break;
    }
    case cbBack: {
      BeginEntry();
      const AnsiString text = GetDisplayText();
      if (text.size() <= 1 || (text.size() == 2 && text[0] == '-'))
        SetDisplayText("0");
      else
        SetDisplayText(text.substr(0, text.size() - 1));
      break;
    }
    case cbCancel:
    case cbClear:
      FStatus = csFirst;
      SetDisplayValue(0);
      FLastOperator = cbEqual;
      break;
    case cbMC:
      FMemory = 0;
      RefreshMemoryButtons();
      break;
    case cbMR:
      FStatus = csFirst;
      BeginEntry();
      SetDisplayValue(FMemory);
      break;
    case cbMS:
    case cbMP:
      FStatus = csFirst;
      FMemory = kind == cbMS ? DisplayValue() : FMemory + DisplayValue();
      RefreshMemoryButtons();
      break;
    case cbSign: SetDisplayValue(-DisplayValue()); break;
    case cbDiv:
    case cbMul:
    case cbSub:
    case cbAdd:
    case cbPercent:
    case cbEqual: Operation(kind); break;
    case cbSqrt:
    case cbRev: Function(kind); break;
    case cbNone: break;
    default: AppendDigit(static_cast<char>('0' + (kind - cbNum0))); break;
  }
}

void TvxCustomCalculator::Operation(TvxCalcButtonKind kind) {
  if (FStatus == csEntering) {
    FStatus = csFirst;
    long double x = DisplayValue();
    if (kind == cbPercent) {
      if (FLastOperator == cbDiv || FLastOperator == cbMul)
        x = x / 100;
      else if (FLastOperator == cbSub || FLastOperator == cbAdd)
        x = FOperand * x / 100;
    }
    switch (FLastOperator) {
      case cbDiv:
        if (x == 0)
          ShowError();
        else
          SetDisplayValue(FOperand / x);
        break;
      case cbMul: SetDisplayValue(FOperand * x); break;
      case cbSub: SetDisplayValue(FOperand - x); break;
      case cbAdd: SetDisplayValue(FOperand + x); break;
      default: break;
    }
  }
  // Two operators in a row only replace the pending one.
  FLastOperator = kind;
  FOperand = DisplayValue();
  if ((kind == cbPercent || kind == cbEqual) && OnResult) OnResult(this);
}

void TvxCustomCalculator::Function(TvxCalcButtonKind kind) {
  // After an operator the result becomes its right operand.
  FStatus = IsArithmeticOperator(FLastOperator) ? csEntering : csFirst;
  const long double x = DisplayValue();
  if (kind == cbSqrt) {
    if (x < 0)
      ShowError();
    else
      SetDisplayValue(std::sqrt(x));
  } else if (x == 0) {
    ShowError();
  } else {
    SetDisplayValue(1 / x);
  }
}

void TvxCustomCalculator::HidePopup(TObject* sender, TvxEditCloseUpReason reason) {
  if (OnHidePopup) OnHidePopup(sender, reason);
}

// --- Metrics and layout ---------------------------------------------------------------------

void TvxCustomCalculator::CalcMetrics(int clientWidth, int clientHeight) {
  int buttonHeight;
  if (FAutoFontSize) {
    buttonHeight = vxCalcAutoButtonHeight(clientWidth, clientHeight);
  } else {
    // Measured on the screen: the control's own device context exists only while it paints.
    buttonHeight = 2 * vxScreenCanvas()->FontHeight(Font());
  }
  FMetrics = vxCalcMetricsOf(buttonHeight);
  LayoutButtons();
}

void TvxCustomCalculator::LayoutButtons() {
  const int w = FMetrics.ButtonWidth, h = FMetrics.ButtonHeight, lw = FMetrics.LargeButtonWidth;
  const int gx = FMetrics.HorzGap, gy = FMetrics.VertGap, p = gy + h;
  for (int i = 0; i < vxCalcButtonCount; ++i) {
    TvxCalcButtonInfo& button = FButtons[i];
    button.Kind = static_cast<TvxCalcButtonKind>(i);
    button.Caption = i == cbDecimal ? AnsiString(1, GetFormatSettings().DecimalSeparator)
                                    : AnsiString(kButtonLooks[i].Caption);
    button.FontColor = kButtonLooks[i].FontColor;
    button.Bounds = RECT{};
    button.Down = false;
    button.Grayed = false;
  }
  const auto rowTop = [&](int row) { return row * p + gy; };
  const auto rowBottom = [&](int row) { return (row + 1) * p; };
  const TvxCalcButtonKind memory[4] = {cbMC, cbMR, cbMS, cbMP};
  for (int row = 1; row <= 4; ++row)
    FButtons[memory[row - 1]].Bounds = RECT{gx, rowTop(row), gx + w, rowBottom(row)};
  const int x0 = gx + w + gx + 4;
  for (int row = 1; row <= 4; ++row)
    for (int column = 0; column < 5; ++column)
      FButtons[kGrid[row - 1][column]].Bounds =
          RECT{x0 + gx + column * (gx + w), rowTop(row), x0 + (column + 1) * (gx + w), rowBottom(row)};
  // The top row is aligned right on "="; the vertical gap spaces these three too.
  int right = FButtons[cbEqual].Bounds.right;
  for (TvxCalcButtonKind kind : {cbClear, cbCancel, cbBack}) {
    FButtons[kind].Bounds = RECT{right - lw, gy, right, gy + h};
    right -= lw + gy;
  }
  FLastOperator = cbEqual;
  FStatus = csFirst;
  FMemory = 0;
  RefreshMemoryButtons();
  Invalidate();
}

void TvxCustomCalculator::RefreshMemoryButtons() {
  FButtons[cbMC].Grayed = FMemory == 0;
  FButtons[cbMR].Grayed = FMemory == 0;
  RepaintButton(cbMC);
  RepaintButton(cbMR);
}

void TvxCustomCalculator::RepaintButton(TvxCalcButtonKind kind, bool now) {
  if (kind == cbNone || !HandleAllocated()) return;
  InvalidateRect(FButtons[kind].Bounds, false);
  if (now) Update();
}

// --- Window ---------------------------------------------------------------------------------

TvxLookAndFeelPainterClass TvxCustomCalculator::GetPainter() { return &vxStandardPainter; }

void TvxCustomCalculator::CreateParams(TCreateParams& params) {
  TvxControl::CreateParams(params);
  params.Style |= WS_CLIPCHILDREN | WS_TABSTOP;
  params.WindowClass.style &= ~CS_DBLCLKS;
  if (FIsPopup) {
    params.Style &= ~WS_BORDER;
  } else if (FBorderStyle == TBorderStyle::bsSingle) {
    if (Ctl3D()) {
      params.Style &= ~WS_BORDER;
      params.ExStyle |= WS_EX_CLIENTEDGE;
    } else {
      params.Style |= WS_BORDER;
    }
  }
}

void TvxCustomCalculator::SetEnabled(bool enabled) {
  TvxControl::SetEnabled(enabled);
  Invalidate();
}

void TvxCustomCalculator::Resize() {
  if (FConstructing) {
    TvxControl::Resize();
    return;
  }
  CalcMetrics(ClientWidth(), ClientHeight());
  SetBounds(Left(), Top(), FMetrics.CalcWidth, FMetrics.CalcHeight);
  TvxControl::Resize();
}

void TvxCustomCalculator::FontChanged() {
  if (!IsLoading()) SetParentFont(false);
  TvxControl::FontChanged();
  CalcMetrics(ClientWidth(), ClientHeight());
}

void TvxCustomCalculator::FocusChanged() {
  TvxControl::FocusChanged();
  // "=" is drawn as the default button while the calculator has the focus.
  RepaintButton(cbEqual);
}

void TvxCustomCalculator::Paint() {
  TvxCanvas& canvas = Canvas();
  canvas.FillRect(ClientRect(), Color());
  canvas.SetFont(Font());
  if (FAutoFontSize) {
    canvas.Font().SetSize(FMetrics.FontSize);
    canvas.Font().SetStyle(FMetrics.FontSize >= 10 ? TFontStyles{fsBold} : TFontStyles{0});
  }
  const TvxLookAndFeelPainterClass painter = GetPainter();
  const bool focused = IsFocused();
  for (const TvxCalcButtonInfo& button : FButtons) {
    if (!RectVisible(canvas.Handle(), &button.Bounds)) continue;
    TvxButtonState state = vxbsNormal;
    if (button.Grayed || !Enabled())
      state = vxbsDisabled;
    else if (button.Down)
      state = vxbsPressed;
    else if (button.Kind == FHotButton && button.Kind != FMouseButton)
      state = vxbsHot;
    else if (focused && button.Kind == cbEqual)
      state = vxbsDefault;
    painter->DrawButton(canvas, button.Bounds, "", state, true, clDefault, clDefault);
    RECT textRect = button.Bounds;
    if (state == vxbsPressed) OffsetRect(&textRect, painter->ButtonTextShift(), painter->ButtonTextShift());
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    canvas.Font().SetColor(button.FontColor);
    canvas.DrawText(button.Caption, textRect, vxAlignHCenter | vxAlignVCenter | vxSingleLine,
                    state != vxbsDisabled);
  }
  canvas.Brush().SetStyle(TBrushStyle::bsSolid);
  if (FShowFocusRect && focused) {
    RECT r = FButtons[cbEqual].Bounds;
    InflateRect(&r, -3, -3);
    canvas.DrawFocusRect(r);
  }
}

// --- Keyboard -------------------------------------------------------------------------------

void TvxCustomCalculator::PressKeyButton(TvxCalcButtonKind kind) {
  ReleaseKeyButton();
  FKeyButton = kind;
  FButtons[kind].Down = true;
  RepaintButton(kind, true);
  // Back acts from the character, so that the key's auto-repeat repeats it.
  if (kind != cbBack) ButtonClick(kind);
}

void TvxCustomCalculator::ReleaseKeyButton() {
  if (FKeyButton == cbNone) return;
  FButtons[FKeyButton].Down = false;
  RepaintButton(FKeyButton);
  FKeyButton = cbNone;
}

void TvxCustomCalculator::KeyDown(WORD& key, TShiftState shift) {
  TvxControl::KeyDown(key, shift);
  const TvxCalcButtonKind kind = vxCalcKeyToButton(key, shift);
  if (kind != cbNone && kind != FKeyButton) PressKeyButton(kind);
}

void TvxCustomCalculator::KeyPress(char& key) {
  TvxControl::KeyPress(key);
  if (FTrailBytes.IsTrailByte(key)) return;
  if (key == 22)  // Ctrl+V
    PasteFromClipboard();
  else if (key == 3)  // Ctrl+C
    CopyToClipboard();
  const TvxCalcButtonKind kind = vxCalcCharToButton(key);
  if (kind != cbNone && kind != FKeyButton) PressKeyButton(kind);
  if (FKeyButton == cbBack) ButtonClick(cbBack);
}

void TvxCustomCalculator::KeyUp(WORD& key, TShiftState shift) {
  TvxControl::KeyUp(key, shift);
  ReleaseKeyButton();
}

// --- Mouse ----------------------------------------------------------------------------------

void TvxCustomCalculator::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (!IsDesigning() && !FIsPopup && CanFocus()) SetFocus();
  if (button == TMouseButton::mbLeft) {
    const TvxCalcButtonKind kind = GetButtonKindAt(POINT{x, y});
    if (kind != cbNone && !FButtons[kind].Grayed) {
      SetMouseCapture(true);
      FTracking = true;
      FMouseButton = kind;
      FButtons[kind].Down = true;
      RepaintButton(kind);
    }
  }
  TvxControl::MouseDown(button, shift, x, y);
}

void TvxCustomCalculator::MouseMove(TShiftState shift, int x, int y) {
  TvxControl::MouseMove(shift, x, y);
  const POINT p{x, y};
  if (FTracking) {
    TvxCalcButtonInfo& pressed = FButtons[FMouseButton];
    const bool over = PtInRect(&pressed.Bounds, p) != FALSE;
    if (pressed.Down != over) {
      pressed.Down = over;
      RepaintButton(FMouseButton);
    }
  } else if (GetPainter()->IsButtonHotTrack() && Enabled()) {
    const TvxCalcButtonKind kind = GetButtonKindAt(p);
    if (kind == FHotButton) return;
    const TvxCalcButtonKind old = FHotButton;
    FHotButton = kind;
    for (TvxCalcButtonKind changed : {old, kind})
      if (changed != cbNone && !FButtons[changed].Grayed) RepaintButton(changed);
  }
}

void TvxCustomCalculator::EndTracking() {
  if (!FTracking) return;
  FTracking = false;
  if (HandleAllocated()) SetMouseCapture(false);
  FButtons[FMouseButton].Down = false;
  RepaintButton(FMouseButton);
  FMouseButton = cbNone;
}

void TvxCustomCalculator::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (FTracking) {
    const TvxCalcButtonKind kind = FMouseButton;
    const bool act = button == TMouseButton::mbLeft && FButtons[kind].Down;
    // The press ends whatever the action does.
    struct TEnd {
      TvxCustomCalculator* Self;
      ~TEnd() { Self->EndTracking(); }
    } end{this};
    if (act) ButtonClick(kind);
  }
  TvxControl::MouseUp(button, shift, x, y);
}

void TvxCustomCalculator::DoCancelMode() {
  TvxControl::DoCancelMode();
  EndTracking();
}

void TvxCustomCalculator::MouseLeave(TControl* control) {
  TvxControl::MouseLeave(control);
  if (!GetPainter()->IsButtonHotTrack()) return;
  RepaintButton(FHotButton);
  FHotButton = cbNone;
}

// --- TvxPopupCalculator ----------------------------------------------------------------------

TvxPopupCalculator::TvxPopupCalculator(TComponent* owner) : TvxCustomCalculator(owner, true) {}

TvxLookAndFeelPainterClass TvxPopupCalculator::GetPainter() {
  if (FEdit == nullptr) return TvxCustomCalculator::GetPainter();
  return vxGetButtonPainterClass(*FEdit->ActiveStyle()->LookAndFeel());
}

AnsiString TvxPopupCalculator::GetDisplayText() { return FEdit != nullptr ? FEdit->Text() : AnsiString(); }

void TvxPopupCalculator::SetDisplayText(const AnsiString& text) {
  if (FEdit == nullptr || FEdit->InnerEdit() == nullptr || !FEdit->DoEditing()) return;
  // The text as it stands: the edit's display formatting would turn "1." into "1".
  FEdit->InnerEdit()->SetEditValue(Variant(text));
  FEdit->SetModifiedAfterEnter(true);
}

void TvxPopupCalculator::FitToFont(const TFont& font) {
  HandleNeeded();
  Font().Assign(&font);
  FontChanged();
  Resize();
}

void TvxPopupCalculator::CheckDisplay() {
  const AnsiString text = Trim(GetDisplayText());
  long double value = 0;
  if (!text.empty() && !vxCalcTextToNumber(text, value)) ShowError();
}

void TvxPopupCalculator::KeyDown(WORD& key, TShiftState shift) {
  TvxCustomCalculator::KeyDown(key, shift);
  const TShiftState modifiers = shift & (ssShift | ssAlt | ssCtrl);
  switch (key) {
    case VK_UP:
    case VK_DOWN:
      if (modifiers == ssAlt) HidePopup(this, crClose);
      break;
    case VK_F4:
      if ((modifiers & ssAlt) == 0) HidePopup(this, crClose);
      break;
    case VK_RETURN: HidePopup(this, crEnter); break;
    case VK_ESCAPE: HidePopup(this, crCancel); break;
    case VK_INSERT:
      if (modifiers == ssCtrl)
        CopyToClipboard();
      else if (modifiers == ssShift)
        PasteFromClipboard();
      break;
    case VK_TAB:
      if (FEdit != nullptr) FEdit->KeyDown(key, shift);
      break;
  }
}

void TvxPopupCalculator::KeyPress(char& key) {
  TvxCustomCalculator::KeyPress(key);
  if (key == '=' && FEdit != nullptr && FEdit->ActiveProperties()->QuickClose()) HidePopup(this, crEnter);
}

// --- TvxCalcEditPropertiesValues -------------------------------------------------------------

TvxCustomEditPropertiesValuesClass TvxCalcEditPropertiesValues::ValuesClass() {
  static const TvxEditPropertiesValuesClassInfo info{
      {"TvxCalcEditPropertiesValues"},
      [](TvxCustomEditProperties* owner) -> TvxCustomEditPropertiesValues* {
        return new TvxCalcEditPropertiesValues(owner);
      }};
  return &info;
}

void TvxCalcEditPropertiesValues::SetPrecision(bool value) {
  if (FPrecision == value) return;
  FPrecision = value;
  Properties()->Changed();
}

void TvxCalcEditPropertiesValues::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TvxCalcEditPropertiesValues*>(source);
  BeginUpdate();
  try {
    TvxTextEditPropertiesValues::Assign(source);
    if (src != nullptr) SetPrecision(src->FPrecision);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TvxCalcEditPropertiesValues::RestoreDefaults() {
  BeginUpdate();
  try {
    TvxTextEditPropertiesValues::RestoreDefaults();
    SetPrecision(false);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

// --- TvxCustomCalcEditProperties -------------------------------------------------------------

namespace {
// The most significant digits the edit shows.
constexpr uint8_t kCalcMaxPrecision = 15;
}  // namespace

TvxCustomCalcEditProperties::TvxCustomCalcEditProperties(TPersistent* owner) : TvxCustomPopupEditProperties(owner) {
  TvxCustomPopupEditProperties::SetBeepOnError(true);
  SetPopupSizeable(false);
  SetImmediateDropDown(false);
}

TvxCustomEditPropertiesClass TvxCustomCalcEditProperties::PropertiesClass() {
  static const TvxEditPropertiesClassInfo info{
      {"TvxCustomCalcEditProperties"}, TvxCustomPopupEditProperties::PropertiesClass(),
      [](TPersistent* owner) -> TvxCustomEditProperties* { return new TvxCustomCalcEditProperties(owner); }};
  return &info;
}

TvxCustomEditPropertiesClass TvxCalcEditProperties::PropertiesClass() {
  static const TvxEditPropertiesClassInfo info{
      {"TvxCalcEditProperties"}, TvxCustomCalcEditProperties::PropertiesClass(),
      [](TPersistent* owner) -> TvxCustomEditProperties* { return new TvxCalcEditProperties(owner); }};
  return &info;
}

void TvxCustomCalcEditProperties::SetBeepOnError(bool value) {
  if (BeepOnError() == value) return;
  TvxCustomPopupEditProperties::SetBeepOnError(value);
  Changed();
}

uint8_t TvxCustomCalcEditProperties::Precision() const {
  // No default-values provider supplies a precision here: unassigned is 15.
  const uint8_t precision = AssignedValues()->Precision() ? FPrecision : kCalcMaxPrecision;
  return std::min(precision, kCalcMaxPrecision);
}

void TvxCustomCalcEditProperties::SetPrecision(uint8_t value) {
  if (AssignedValues()->Precision() && FPrecision == value) return;
  BeginUpdate();
  FPrecision = value;
  AssignedValues()->SetPrecision(true);
  EndUpdate();
}

void TvxCustomCalcEditProperties::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TvxCustomCalcEditProperties*>(source);
  BeginUpdate();
  try {
    TvxCustomPopupEditProperties::Assign(source);
    if (src != nullptr) {
      SetBeepOnError(src->BeepOnError());
      AssignedValues()->SetPrecision(false);
      if (src->AssignedValues()->Precision()) SetPrecision(src->FPrecision);
      SetQuickClose(src->FQuickClose);
      SetScientificFormat(src->FScientificFormat);
      SetUseThousandSeparator(src->FUseThousandSeparator);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

bool TvxCustomCalcEditProperties::IsEditValueValid(Variant& value, bool) {
  if (value.IsNumeric() || value.IsNull() || value.IsEmpty()) return true;
  if (!value.IsString()) return false;
  const AnsiString text = value.AsString();
  long double number = 0;
  return text.empty() || TryStrToFloat(text, number, GetFormatSettings());
}

void TvxCustomCalcEditProperties::PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool focused) {
  if (editValue.IsNull() || editValue.IsEmpty() || (editValue.IsString() && editValue.AsString().empty())) {
    displayValue = Variant(AnsiString());
    return;
  }
  const long double value = editValue.AsExtended();
  if (!focused && TvxCustomTextEditProperties::AssignedValues()->DisplayFormat()) {
    displayValue = Variant(FormatFloat(DisplayFormat(), value, GetFormatSettings()));
    return;
  }
  displayValue = Variant(vxCalcFormatValue(value, Precision(), FScientificFormat, ThousandSeparatorsInUse()));
}

void TvxCustomCalcEditProperties::ValidateDisplayValue(Variant& displayValue, AnsiString& errorText, bool& error,
                                                       TvxCustomEdit* edit) {
  error = false;
  TvxCustomPopupEditProperties::ValidateDisplayValue(displayValue, errorText, error, edit);
}

TvxCustomEditClass TvxCustomCalcEditProperties::GetContainerClass() const { return TvxCalcEdit::EditClass(); }

bool TvxCalcEditProperties::IsPublishedProperty(const AnsiString& name) const {
  static const char* const kPublished[] = {
      "Alignment", "AssignedValues", "AutoSelect", "BeepOnError", "ButtonGlyph", "DisplayFormat", "ImeMode",
      "ImeName", "ImmediatePost", "Precision", "ReadOnly", "QuickClose", "ScientificFormat",
      "UseLeftAlignmentOnEditing", "UseThousandSeparator", "ValidateOnEnter", "OnChange", "OnCloseUp",
      "OnEditValueChanged", "OnInitPopup", "OnPopup", "OnValidate"};
  for (const char* published : kPublished)
    if (SameText(name, published)) return true;
  return false;
}

// --- TvxCustomCalcEdit -----------------------------------------------------------------------

TvxCustomCalcEdit::TvxCustomCalcEdit(TComponent* owner, bool inplace)
    : TvxCustomCalcEdit(owner, inplace, CalcEditClasses(TvxCustomCalcEditProperties::PropertiesClass())) {}

TvxCustomCalcEdit::TvxCustomCalcEdit(TComponent* owner, bool inplace, const TvxEditClasses& classes)
    : TvxCustomPopupEdit(owner, inplace, classes) {
  InitializeCalcEdit();
}

TvxEditClasses TvxCustomCalcEdit::CalcEditClasses(TvxCustomEditPropertiesClass properties) {
  return DropDownEditClasses(properties);
}

void TvxCustomCalcEdit::InitializeCalcEdit() {
  SetValue(0);
  // No popup window exists before the first drop-down: showing gives the calculator its parent.
  FCalculator = new TvxPopupCalculator(this);
  FCalculator->SetEdit(this);
  FCalculator->SetAutoFontSize(false);
  FCalculator->OnHidePopup = [this](TObject* sender, TvxEditCloseUpReason reason) { HidePopup(sender, reason); };
  ConnectCalculator();
}

TvxCustomCalcEdit::~TvxCustomCalcEdit() {
  Destroying();
  TvxPopupCalculator* calculator = FCalculator;
  FCalculator = nullptr;
  delete calculator;
}

void TvxCustomCalcEdit::ConnectCalculator() {
  if (FCalculator == nullptr) return;
  TvxCustomCalcEditProperties* properties = ActiveProperties();
  FConnecting = true;
  properties->BeginUpdate();
  properties->SetPopupControl(FCalculator);
  properties->EndUpdate(false);
  FConnecting = false;
}

long double TvxCustomCalcEdit::Value() {
  const Variant value = EditValue();
  if (value.IsNull() || value.IsEmpty() || (value.IsString() && value.AsString().empty())) return 0;
  return value.AsExtended();
}

void TvxCustomCalcEdit::SetValue(long double value) {
  const double number = static_cast<double>(value);
  if (!std::isfinite(number))
    throw EConvertError("The number " + FloatToStr(value) + " is out of the calculator edit's range");
  SetEditValue(Variant(number));
}

void TvxCustomCalcEdit::DisplayValueToEditValue(const Variant& displayValue, Variant& editValue, bool) {
  editValue = Variant::Null();
  TvxCustomCalcEditProperties* properties = ActiveProperties();
  const TFormatSettings& fs = GetFormatSettings();
  AnsiString text = displayValue.IsNull() || displayValue.IsEmpty() ? AnsiString() : displayValue.AsString();
  if (!properties->ScientificFormat() && properties->UseThousandSeparator())
    text = StringReplaceAll(text, AnsiString(1, fs.ThousandSeparator), "");
  text = Trim(text);
  if (text.empty()) return;
  long double value = 0;
  // A number beyond what a double holds would become an infinity: it is no number here.
  if (TryStrToFloat(text, value, fs) && std::isfinite(static_cast<double>(value)))
    editValue = Variant(static_cast<double>(value));
}

void TvxCustomCalcEdit::PasteFromClipboard(TvxCustomInnerTextEdit&) {
  if (FCalculator != nullptr && DoEditing()) FCalculator->PasteFromClipboard();
}

SIZE TvxCustomCalcEdit::GetPopupWindowClientPreferredSize() {
  if (FCalculator == nullptr) return TvxCustomPopupEdit::GetPopupWindowClientPreferredSize();
  return SIZE{FCalculator->Metrics().CalcWidth, FCalculator->Metrics().CalcHeight};
}

bool TvxCustomCalcEdit::CanDropDown() {
  if (ActiveProperties()->ReadOnly()) return false;
  // Properties shared by several calculator edits (a repository item's) show the calculator
  // of the one that opens.
  ConnectCalculator();
  return TvxCustomPopupEdit::CanDropDown();
}

void TvxCustomCalcEdit::InitializePopupWindow() {
  TvxCustomPopupEdit::InitializePopupWindow();
  PopupWindow()->SetSizeable(false);
  // The calculator closes the popup itself, after its keys acted: Enter after "=", Esc after
  // "C". The popup window's own key table would close it before they reach the calculator.
  PopupWindow()->OnKeyDown = nullptr;
}

void TvxCustomCalcEdit::PopupWindowShowing() {
  // Esc in the popup comes back to this.
  FSavedEditValue = EditValue();
  FSavedText = Text();
  FSavedModified = Modified();
  FSavedModifiedAfterEnter = ModifiedAfterEnter();
  TvxCustomPopupEdit::PopupWindowShowing();
  FCalculator->FitToFont(*ActiveStyle()->Font());
}

void TvxCustomCalcEdit::PopupWindowShowed() {
  // OnPopup runs in the inherited step and may free the edit (and its calculator with it).
  TvxObjectLinkHolder self(this);
  TvxCustomPopupEdit::PopupWindowShowed();
  if (self.Object() == nullptr || FCalculator == nullptr) return;
  FCalculator->ResetKeyButton();
  FCalculator->CheckDisplay();
}

void TvxCustomCalcEdit::PopupWindowClosed() {
  if (LastCloseUpReason() == crCancel) {
    // What the calculator wrote goes: the value, the text as it stood and the modified state.
    InternalSetEditValue(FSavedEditValue, false);
    if (Text() != FSavedText && InnerEdit() != nullptr) InnerEdit()->SetEditValue(Variant(FSavedText));
    SetModified(false);
    SetModified(FSavedModified);
    if (FSavedModifiedAfterEnter) SetModifiedAfterEnter(true);
  }
  if (Text() == vxLoadResourceString(scxCalcError)) SetEditValue(Variant(int32_t{0}));
  // The drop-down edit puts back the selection it had before the popup opened, which fits the
  // text the calculator replaced, not its result: the result is selected after that.
  TvxObjectLinkHolder self(this);
  TvxCustomPopupEdit::PopupWindowClosed();
  if (self.Object() == nullptr || IsDestroying() || !HandleAllocated()) return;
  if (ActiveProperties()->AutoSelect()) {
    SelectAll();
  } else {
    SetSelStart(static_cast<int>(Text().size()));
    SetSelLength(0);
  }
}

void TvxCustomCalcEdit::PropertiesChanged(TObject* sender) {
  if (FConnecting) return;
  TvxCustomPopupEdit::PropertiesChanged(sender);
  if (IsLoading() || FCalculator == nullptr) return;
  TvxCustomCalcEditProperties* properties = ActiveProperties();
  FCalculator->SetBeepOnError(properties->BeepOnError());
  FCalculator->SetPrecision(properties->Precision());
  ConnectCalculator();
}

void TvxCustomCalcEdit::RepositoryItemChanged() {
  TvxCustomPopupEdit::RepositoryItemChanged();
  ConnectCalculator();
}

bool TvxCustomCalcEdit::IsValidChar(char key) {
  return vxCalcIsValidTypedChar(DisplayText(), SelStart(), SelLength(), key);
}

void TvxCustomCalcEdit::KeyPress(char& key) {
  // A double-byte character is refused whole: its lead byte by the character test below, its
  // trail byte here, without a second beep.
  if (FTrailBytes.IsTrailByte(key)) {
    key = 0;
    return;
  }
  // The decimal key of either kind types the locale's separator, before the character test.
  if (key == '.' || key == ',') key = GetFormatSettings().DecimalSeparator;
  if (!DroppedDown() && vxIsTextChar(key) && !IsValidChar(key)) {
    key = 0;
    if (ActiveProperties()->BeepOnError()) SystemBeep(0);
    return;
  }
  TvxCustomPopupEdit::KeyPress(key);
}

TvxCalcEdit::TvxCalcEdit(TComponent* owner, bool inplace)
    : TvxCustomCalcEdit(owner, inplace, CalcEditClasses(TvxCalcEditProperties::PropertiesClass())) {}

TvxCustomEditClass TvxCalcEdit::EditClass() {
  return vxObjectClassOf<TvxCalcEdit, TvxCustomEdit, TComponent*>("TvxCalcEdit");
}

// --- Start-up and shutdown -------------------------------------------------------------------

namespace {
int GCalcUnitCount = 0;
}  // namespace

void InitializevxCalc() {
  if (GCalcUnitCount++ > 0) return;
  GetRegisteredEditProperties().Register(TvxCalcEditProperties::PropertiesClass(),
                                         vxLoadResourceString(scxSEditRepositoryCalcEditItem));
}

void FinalizevxCalc() {
  if (GCalcUnitCount == 0 || --GCalcUnitCount > 0) return;
  GetRegisteredEditProperties().Unregister(TvxCalcEditProperties::PropertiesClass());
}
