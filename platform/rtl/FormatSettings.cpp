#include "platform/rtl/FormatSettings.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace {
AnsiString LocaleText(LCTYPE type, const char* fallback) {
  char buf[256];
  // The thread locale, as the class library read its format settings.
  int n = GetLocaleInfoA(GetThreadLocale(), type, buf, sizeof buf);
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

// Every record ever published stays alive until the process ends, and a published record
// never changes. A caller on any thread may therefore keep the reference GetFormatSettings
// gave it while the GUI thread installs a new record after a locale change; replacing the
// record in place would pull it from under a worker thread formatting a time stamp. Records
// are only published at start-up, on a locale change and in tests, so few accumulate.
std::mutex GLock;
std::vector<std::unique_ptr<const TFormatSettings>> GGenerations;
std::atomic<const TFormatSettings*> GCurrent{nullptr};

void Publish(std::unique_ptr<const TFormatSettings> settings) {
  std::lock_guard<std::mutex> guard(GLock);
  GGenerations.push_back(std::move(settings));
  GCurrent.store(GGenerations.back().get(), std::memory_order_release);
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
  s.FirstDayOfWeek = LocaleInt(LOCALE_IFIRSTDAYOFWEEK, 0);
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
  if (const TFormatSettings* cur = GCurrent.load(std::memory_order_acquire)) return *cur;
  auto fresh = std::make_unique<const TFormatSettings>(ReadFormatSettingsFromSystem());
  std::lock_guard<std::mutex> guard(GLock);
  if (GCurrent.load(std::memory_order_acquire) == nullptr) {  // first use, maybe on two threads
    GGenerations.push_back(std::move(fresh));
    GCurrent.store(GGenerations.back().get(), std::memory_order_release);
  }
  return *GCurrent.load(std::memory_order_acquire);
}

void SetFormatSettings(const TFormatSettings& settings) {
  Publish(std::make_unique<const TFormatSettings>(settings));
}

void RefreshFormatSettings() { SetFormatSettings(ReadFormatSettingsFromSystem()); }

namespace {
bool GAutoUpdate = true;
}

bool GetAutoUpdateFormatSettings() { return GAutoUpdate; }

void SetAutoUpdateFormatSettings(bool value) { GAutoUpdate = value; }
