// The locale's formatting settings (separators, date and time formats, currency, names),
// read from the system with GetLocaleInfoA. One process-wide record, as the runtime had;
// re-readable when the locale changes, and replaceable in tests.
#pragma once

#include "platform/rtl/SysStrings.h"

#include <array>

struct TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  char DateSeparator = '/';
  char TimeSeparator = ':';
  char ListSeparator = ',';
  AnsiString ShortDateFormat = "yyyy/MM/dd";
  AnsiString LongDateFormat = "yyyy'年'M'月'd'日'";
  AnsiString ShortTimeFormat = "H:mm";
  AnsiString LongTimeFormat = "H:mm:ss";
  AnsiString TimeAMString = "AM";
  AnsiString TimePMString = "PM";
  AnsiString CurrencyString = "\\";
  int CurrencyFormat = 0;     // LOCALE_ICURRENCY: 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  int NegCurrFormat = 1;      // LOCALE_INEGCURR
  int CurrencyDecimals = 0;   // LOCALE_ICURRDIGITS
  int FirstDayOfWeek = 6;     // LOCALE_IFIRSTDAYOFWEEK: 0 Monday ... 6 Sunday
  std::array<AnsiString, 12> ShortMonthNames;
  std::array<AnsiString, 12> LongMonthNames;
  std::array<AnsiString, 7> ShortDayNames;  // [0] Sunday
  std::array<AnsiString, 7> LongDayNames;
};

// Reads the user's locale settings from the system.
TFormatSettings ReadFormatSettingsFromSystem();
// The process-wide record (filled from the system on first use). The reference stays valid
// for the rest of the run, also after the record is replaced (it then shows the old values),
// so any thread may read it while the GUI thread follows a locale change.
const TFormatSettings& GetFormatSettings();
// Replaces the process-wide record (tests; the locale-change listener).
void SetFormatSettings(const TFormatSettings& settings);
// Re-reads the record from the system.
void RefreshFormatSettings();
// Whether a locale change announced by the system ("intl" setting change) re-reads the
// record (on by default; as the application object's switch, off keeps the record as set).
bool GetAutoUpdateFormatSettings();
void SetAutoUpdateFormatSettings(bool value);
