// Dates and times as the class library kept them: days since 1899-12-30 in a double, the
// fraction being the time of day.
#pragma once

#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SysStrings.h"

#include <cstdint>

using TDateTime = double;

TDateTime Now();  // local time, millisecond resolution
TDateTime Date();
TDateTime EncodeDate(int year, int month, int day);  // raises EConvertError when invalid
TDateTime EncodeTime(int hour, int min, int sec, int msec);
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
void DecodeDate(TDateTime dt, int& year, int& month, int& day);
void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec);
int DayOfWeek(TDateTime dt);  // 1 Sunday ... 7 Saturday
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Formats with the class library's patterns, letters case-insensitive: y yy yyyy, m mm mmm
// mmmm (minutes right after an hour), d dd ddd dddd ddddd (short date), h hh, n nn, s ss,
// z zzz, am/pm, a/p, ampm, c, t, tt, '/' and ':' as the locale's separators, and quoted text.
AnsiString FormatDateTime(std::string_view format, TDateTime dt);
AnsiString FormatDateTime(std::string_view format, TDateTime dt, const TFormatSettings& fs);
