#include "platform/rtl/FormatSettings.h"

#include <windows.h>

#include <memory>

namespace {
AnsiString LocaleText(LCTYPE type, const char* fallback) {
  char buf[256];
  int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf, sizeof buf);
  if (n <= 1) return fallback;
  return AnsiString(buf, static_cast<size_t>(n - 1));
}

char LocaleChar(LCTYPE type, char fallback) {
  AnsiString s = LocaleText(type, "");
  // A separator of two bytes (a double-byte character) cannot be held in one char.
  return s.size() == 1 ? s[0] : fallback;
}

int LocaleInt(LCTYPE type, int fallback) {
  return StrToIntDef(LocaleText(type, ""), fallback);
}

std::unique_ptr<TFormatSettings>& Current() {
  static std::unique_ptr<TFormatSettings> current;
  return current;
}
}  // namespace

TFormatSettings ReadFormatSettingsFromSystem() {
  TFormatSettings s;
  s.DecimalSeparator = LocaleChar(LOCALE_SDECIMAL, '.');
  s.ThousandSeparator = LocaleChar(LOCALE_STHOUSAND, ',');
  s.DateSeparator = LocaleChar(LOCALE_SDATE, '/');
  s.TimeSeparator = LocaleChar(LOCALE_STIME, ':');
  s.ListSeparator = LocaleChar(LOCALE_SLIST, ',');
  s.ShortDateFormat = LocaleText(LOCALE_SSHORTDATE, "yyyy/MM/dd");
  s.LongDateFormat = LocaleText(LOCALE_SLONGDATE, "yyyy/MM/dd");
  s.ShortTimeFormat = LocaleText(LOCALE_SSHORTTIME, "H:mm");
  s.LongTimeFormat = LocaleText(LOCALE_STIMEFORMAT, "H:mm:ss");
  s.TimeAMString = LocaleText(LOCALE_S1159, "AM");
  s.TimePMString = LocaleText(LOCALE_S2359, "PM");
  s.CurrencyString = LocaleText(LOCALE_SCURRENCY, "\\");
  s.CurrencyFormat = LocaleInt(LOCALE_ICURRENCY, 0);
  s.NegCurrFormat = LocaleInt(LOCALE_INEGCURR, 1);
  s.CurrencyDecimals = LocaleInt(LOCALE_ICURRDIGITS, 0);
  s.FirstDayOfWeek = LocaleInt(LOCALE_IFIRSTDAYOFWEEK, 6);
  for (int i = 0; i < 12; ++i) {
    s.ShortMonthNames[size_t(i)] = LocaleText(LOCALE_SABBREVMONTHNAME1 + LCTYPE(i), "");
    s.LongMonthNames[size_t(i)] = LocaleText(LOCALE_SMONTHNAME1 + LCTYPE(i), "");
  }
  // The system numbers days from Monday (LOCALE_SDAYNAME1); the record from Sunday.
  for (int i = 0; i < 7; ++i) {
    int sys = (i + 6) % 7;
    s.ShortDayNames[size_t(i)] = LocaleText(LOCALE_SABBREVDAYNAME1 + LCTYPE(sys), "");
    s.LongDayNames[size_t(i)] = LocaleText(LOCALE_SDAYNAME1 + LCTYPE(sys), "");
  }
  return s;
}

const TFormatSettings& GetFormatSettings() {
  auto& cur = Current();
  if (!cur) cur = std::make_unique<TFormatSettings>(ReadFormatSettingsFromSystem());
  return *cur;
}

void SetFormatSettings(const TFormatSettings& settings) {
  Current() = std::make_unique<TFormatSettings>(settings);
}

void RefreshFormatSettings() { SetFormatSettings(ReadFormatSettingsFromSystem()); }

namespace {
bool GAutoUpdate = true;
}

bool GetAutoUpdateFormatSettings() { return GAutoUpdate; }

void SetAutoUpdateFormatSettings(bool value) { GAutoUpdate = value; }
