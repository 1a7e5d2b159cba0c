#include "platform/rtl/DateTime.h"

#include "platform/rtl/SysExceptions.h"

#include <windows.h>

#include <cmath>

namespace {
constexpr double kMsPerDay = 86400000.0;
// Days from 0001-01-01 to 1899-12-31 (the day after the epoch 1899-12-30).
constexpr int kDateDelta = 693594;

int CumulativeDays(int year, int month) {
  static const int days[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  return days[month - 1] + ((month > 2 && IsLeapYear(year)) ? 1 : 0);
}
}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    return false;
  int y = year - 1;
  int n = y * 365 + y / 4 - y / 100 + y / 400 + CumulativeDays(year, month) + day - kDateDelta;
  out = n;
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime r;
  if (!TryEncodeDate(year, month, day, r)) throw EConvertError("Invalid argument to date encode");
  return r;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 ||
      msec > 999)
    throw EConvertError("Invalid argument to time encode");
  return (((hour * 60.0 + min) * 60.0 + sec) * 1000.0 + msec) / kMsPerDay;
}

void DecodeDate(TDateTime dt, int& year, int& month, int& day) {
  // Civil-from-days on the proleptic Gregorian calendar.
  // Days counted from 0000-03-01, where 0001-01-01 is day 306; kDateDelta counts from
  // 0001-01-01 to 1899-12-31, one day past the epoch.
  long long z = static_cast<long long>(std::floor(dt)) + kDateDelta - 1 + 306;
  long long era = (z >= 0 ? z : z - 146096) / 146097;
  long long doe = z - era * 146097;
  long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long y = yoe + era * 400;
  long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long long mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2 ? 1 : 0));
}

void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec) {
  double frac = std::fabs(dt - std::floor(dt));
  long long ms = std::llround(frac * kMsPerDay);
  if (ms >= 86400000) ms = 86399999;
  hour = static_cast<int>(ms / 3600000);
  min = static_cast<int>(ms / 60000 % 60);
  sec = static_cast<int>(ms / 1000 % 60);
  msec = static_cast<int>(ms % 1000);
}

int DayOfWeek(TDateTime dt) {
  // 1899-12-30 was a Saturday.
  long long d = static_cast<long long>(std::floor(dt));
  int r = static_cast<int>(((d % 7) + 7 + 6) % 7);  // 0 Sunday
  return r + 1;
}

TDateTime Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return EncodeDate(st.wYear, st.wMonth, st.wDay) +
         EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

TDateTime Date() { return std::floor(Now()); }

namespace {
class TDateFormatter {
public:
  TDateFormatter(TDateTime dt, const TFormatSettings& fs) : FFs(fs) {
    DecodeDate(dt, FYear, FMonth, FDay);
    DecodeTime(dt, FHour, FMin, FSec, FMsec);
    FDow = DayOfWeek(dt);
  }

  void Run(std::string_view f, int depth = 0) {
    if (depth > 2) return;  // patterns that expand to themselves
    bool lastWasHour = false;
    size_t i = 0;
    auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); };
    auto count = [&](char c) {
      size_t n = 0;
      while (i + n < f.size() && lower(f[i + n]) == c) ++n;
      return n;
    };
    while (i < f.size()) {
      unsigned char uc = static_cast<unsigned char>(f[i]);
      if (IsLeadByte(uc) && i + 1 < f.size()) {
        Out.append(f.substr(i, 2));
        i += 2;
        continue;
      }
      char c = lower(f[i]);
      if (c == '"' || c == '\'') {
        size_t end = f.find(f[i], i + 1);
        if (end == std::string_view::npos) end = f.size();
        Out.append(f.substr(i + 1, end - i - 1));
        i = end + 1;
        continue;
      }
      switch (c) {
        case 'y': {
          size_t n = count('y');
          Out += n <= 2 ? Format("%02d", FYear % 100) : Format("%04d", FYear);
          i += n;
          lastWasHour = false;
          break;
        }
        case 'm': {
          size_t n = count('m');
          if (lastWasHour && n <= 2) {
            Out += Format(n == 1 ? "%d" : "%02d", FMin);
          } else if (n == 1) {
            Out += Format("%d", FMonth);
          } else if (n == 2) {
            Out += Format("%02d", FMonth);
          } else if (n == 3) {
            Out += FFs.ShortMonthNames[size_t(FMonth - 1)];
          } else {
            Out += FFs.LongMonthNames[size_t(FMonth - 1)];
          }
          i += n;
          lastWasHour = false;
          break;
        }
        case 'd': {
          size_t n = count('d');
          if (n == 1) Out += Format("%d", FDay);
          else if (n == 2) Out += Format("%02d", FDay);
          else if (n == 3) Out += FFs.ShortDayNames[size_t(FDow - 1)];
          else if (n == 4) Out += FFs.LongDayNames[size_t(FDow - 1)];
          else if (n == 5) Run(FFs.ShortDateFormat, depth + 1);
          else Run(FFs.LongDateFormat, depth + 1);
          i += n;
          lastWasHour = false;
          break;
        }
        case 'h': {
          size_t n = count('h');
          int h = FHour;
          if (HasAmPm(f)) {
            h = h % 12;
            if (h == 0) h = 12;
          }
          Out += Format(n == 1 ? "%d" : "%02d", h);
          i += n;
          lastWasHour = true;
          break;
        }
        case 'n': {
          size_t n = count('n');
          Out += Format(n == 1 ? "%d" : "%02d", FMin);
          i += n;
          lastWasHour = false;
          break;
        }
        case 's': {
          size_t n = count('s');
          Out += Format(n == 1 ? "%d" : "%02d", FSec);
          i += n;
          lastWasHour = false;
          break;
        }
        case 'z': {
          size_t n = count('z');
          Out += Format(n >= 3 ? "%03d" : "%d", FMsec);
          i += n;
          break;
        }
        case 't': {
          size_t n = count('t');
          Run(n == 1 ? FFs.ShortTimeFormat : FFs.LongTimeFormat, depth + 1);
          i += n;
          break;
        }
        case 'c':
          Run(FFs.ShortDateFormat, depth + 1);
          if (FHour || FMin || FSec) {
            Out += ' ';
            Run(FFs.LongTimeFormat, depth + 1);
          }
          ++i;
          break;
        case 'a':
          if (StartsWithNoCase(f.substr(i), "am/pm")) {
            Out += FHour < 12 ? (f[i] == 'A' ? "AM" : "am") : (f[i] == 'A' ? "PM" : "pm");
            i += 5;
          } else if (StartsWithNoCase(f.substr(i), "a/p")) {
            Out += FHour < 12 ? (f[i] == 'A' ? "A" : "a") : (f[i] == 'A' ? "P" : "p");
            i += 3;
          } else if (StartsWithNoCase(f.substr(i), "ampm")) {
            Out += FHour < 12 ? FFs.TimeAMString : FFs.TimePMString;
            i += 4;
          } else {
            Out += f[i++];
          }
          break;
        case '/':
          Out += FFs.DateSeparator;
          ++i;
          break;
        case ':':
          Out += FFs.TimeSeparator;
          ++i;
          break;
        default:
          Out += f[i++];
      }
    }
  }

  AnsiString Out;

private:
  static bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
  }
  static bool HasAmPm(std::string_view f) {
    AnsiString l = AnsiLowerCase(f);
    return l.find("am/pm") != AnsiString::npos || l.find("a/p") != AnsiString::npos ||
           l.find("ampm") != AnsiString::npos;
  }

  const TFormatSettings& FFs;
  int FYear, FMonth, FDay, FHour, FMin, FSec, FMsec, FDow;
};
}  // namespace

AnsiString FormatDateTime(std::string_view format, TDateTime dt, const TFormatSettings& fs) {
  TDateFormatter f(dt, fs);
  f.Run(format);
  return f.Out;
}

AnsiString FormatDateTime(std::string_view format, TDateTime dt) {
  return FormatDateTime(format, dt, GetFormatSettings());
}
