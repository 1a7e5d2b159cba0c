// Floating-point numbers to text and back, with the locale's separators.
//
// Values are long double (80-bit x87 extended on this target). As on the platform, a value
// is first taken to 18 significant digits (correctly rounded), and every rounding to fewer
// digits or decimals works on those digits, half away from zero: 1234.5 with no decimals
// gives 1235, 2.675 with two gives 2.68.
#pragma once

#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SysStrings.h"

#include <cstdint>

enum class TFloatFormat {
  ffGeneral,   // shortest of fixed and scientific, trailing zeros removed
  ffExponent,  // d.dddE+xx: Precision digits, at least Digits exponent digits
  ffFixed,     // Digits decimals; scientific when the integer part needs more than Precision
  ffNumber,    // as ffFixed with thousand separators
};

// Precision is clamped to 2..18, Digits to 0..4 for the exponent formats and 0..18 for the
// fixed ones. NaN gives "NAN", infinities "INF" and "-INF".
AnsiString FloatToStrF(long double value, TFloatFormat format, int precision, int digits,
                       const TFormatSettings& fs);
AnsiString FloatToStrF(long double value, TFloatFormat format, int precision, int digits);
// General format, 15 significant digits.
AnsiString FloatToStr(long double value, const TFormatSettings& fs);
AnsiString FloatToStr(long double value);

// Format patterns: up to three sections separated by ";" (positive; negative; zero; an empty
// or missing section falls back to the positive one, which then gets a "-" for negative
// values). In a section: "0" digit or zero, "#" digit or nothing, the first "." the decimal
// separator, "," anywhere before it thousand separators, "E+", "E-", "e+", "e-" followed by
// "0"s scientific notation with that many exponent digits at least, text in single or double
// quotes as it stands, anything else copied. An empty pattern, or an empty positive section
// for a value that has no section of its own, gives the general format.
AnsiString FormatFloat(const AnsiString& pattern, long double value, const TFormatSettings& fs);
AnsiString FormatFloat(const AnsiString& pattern, long double value);

// Currency values are 64-bit integers scaled by 10 000: exact text with up to four decimals.
AnsiString CurrToStr(int64_t scaled, const TFormatSettings& fs);

// Text to number: blanks around it allowed, optional sign, digits with at most one decimal
// separator (the locale's, and only that), optional exponent. False (or EConvertError
// "'text' is not a valid floating point value") for anything else or a value out of range.
bool TryStrToFloat(const AnsiString& text, long double& value, const TFormatSettings& fs);
bool TryStrToFloat(const AnsiString& text, long double& value);
long double StrToFloat(const AnsiString& text, const TFormatSettings& fs);
long double StrToFloat(const AnsiString& text);
// Currency from text: as a float, rounded to four decimals; false when out of range.
bool TryStrToCurr(const AnsiString& text, int64_t& scaled, const TFormatSettings& fs);

// The computations here are in extended precision (long double); the x87 precision control
// must be at 64 bits for that: SetExtendedFpuPrecision in Threads.h, which TThread calls in
// every thread it starts and the program entry calls at start-up.
