// Locale formats for the editors: the format controller turns the locale settings
// (FormatSettings.h) into a currency pattern, the first day of the week, date and date-time
// display formats and the standard and regular-expression edit masks for dates, and tells
// its listeners when the locale or the system time changes.
//
// The controller is a process-wide singleton of the GUI thread, created on first use and
// freed by FinalizevxFormats. While it has listeners it keeps a hidden top-level window
// (not a message-only one: those miss the broadcast WM_WININICHANGE).
#pragma once

#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SysStrings.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <vector>

// --- Parsed date and time formats -------------------------------------------------------

enum TvxDateTimeFormatItemKind : uint8_t {
  dtikString = 0,
  dtikYear = 1,
  dtikMonth = 2,
  dtikDay = 3,
  dtikHour = 4,
  dtikMin = 5,
  dtikSec = 6,
  dtikMSec = 7,
  dtikTimeSuffix = 8,
  dtikDateSeparator = 9,
  dtikTimeSeparator = 10,
};

struct TvxDateTimeFormatItem {
  TvxDateTimeFormatItemKind Kind;
  AnsiString Data;  // letters in upper case ("YYYY", "MM", "24H"), the literal, the AM/PM text
};

struct TvxDateTimeFormatInfo {
  std::array<bool, 11> DefinedItems{};  // by kind: an item of this kind is present
  std::vector<TvxDateTimeFormatItem> Items;
  void Clear();
};

// Parses a date-time format of the platform's letters (see vxFormats.cpp). False, with an
// empty result, when the format cannot be used for editing (the era letter "G").
bool vxParseDateTimeFormat(const AnsiString& format, const TFormatSettings& fs, TvxDateTimeFormatInfo& info);

// Builders from a parsed format.
AnsiString vxDateRegExprFromFormat(const TvxDateTimeFormatInfo& info, const TFormatSettings& fs);
AnsiString vxTimeRegExprFromFormat(const TvxDateTimeFormatInfo& info, const TFormatSettings& fs);
enum TvxStandardMaskMode { smmDate = 0, smmTime = 1, smmDateTime = 2 };
AnsiString vxStandardMaskFromFormat(const TvxDateTimeFormatInfo& info, TvxStandardMaskMode mode,
                                    const TFormatSettings& fs);
AnsiString vxDisplayFormatFromFormat(const TvxDateTimeFormatInfo& info);
// The format-float pattern of the locale's currency (positive;negative).
AnsiString vxCurrencyFormatFromSettings(const TFormatSettings& fs);
// Short date format with every lone "d" doubled and every lone "M" doubled; with
// shortenMonthNames, runs of more than three "M" become "MMM".
AnsiString vxDateEditFormatFromShortDate(const AnsiString& shortDate, bool shortenMonthNames = false);

// --- Listeners --------------------------------------------------------------------------

class IvxFormatControllerListener {
public:
  virtual void FormatChanged() = 0;

protected:
  ~IvxFormatControllerListener() = default;
};

// A listener that also wants to hear of system time changes implements this as well.
class IvxFormatControllerListener2 {
public:
  virtual void TimeChanged() = 0;

protected:
  ~IvxFormatControllerListener2() = default;
};

// --- The controller ---------------------------------------------------------------------

class TvxFormatController {
public:
  TvxFormatController();
  virtual ~TvxFormatController();
  TvxFormatController(const TvxFormatController&) = delete;
  TvxFormatController& operator=(const TvxFormatController&) = delete;

  // Listeners are not owned; each removes itself before it dies. The notification window
  // exists exactly while the list is not empty.
  virtual void AddListener(IvxFormatControllerListener* listener);
  virtual void RemoveListener(IvxFormatControllerListener* listener);
  // The notification window's message handler: "intl" setting changes re-read the locale,
  // recompute and call FormatChanged of every listener in order; WM_TIMECHANGE calls
  // TimeChanged of the listeners that have it.
  virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);

  // Recomputes every format that was not set explicitly from the current locale settings.
  void UpdateFormats();
  void NotifyListeners();

  const AnsiString& CurrencyFormat() const { return FCurrencyFormat; }
  void SetCurrencyFormat(const AnsiString& value);
  const AnsiString& DateEditFormat() const { return FDateEditFormat; }
  const AnsiString& StandardDateEditMask() const { return FStandardDateEditMask; }
  const AnsiString& DateEditMask() const { return FDateEditMask; }
  void SetDateEditMask(const AnsiString& value);
  const AnsiString& RegExprDateEditMask() const { return FRegExprDateEditMask; }
  void SetRegExprDateEditMask(const AnsiString& value);
  const AnsiString& RegExprDateTimeEditMask() const { return FRegExprDateTimeEditMask; }
  void SetRegExprDateTimeEditMask(const AnsiString& value);
  const AnsiString& StandardDateTimeEditMask() const { return FStandardDateTimeEditMask; }
  void SetStandardDateTimeEditMask(const AnsiString& value);
  const AnsiString& DateDisplayFormat() const { return FDateDisplayFormat; }
  const AnsiString& DateTimeDisplayFormat() const { return FDateTimeDisplayFormat; }
  uint8_t StartOfWeek() const { return FStartOfWeek; }  // 0 Sunday .. 6 Saturday
  void SetStartOfWeek(uint8_t value);
  // The date edit format with month-name runs shortened to three letters.
  AnsiString ShortMonthDateEditFormat() const;

  const TvxDateTimeFormatInfo& DateFormatInfo() const { return FDateFormatInfo; }
  const TvxDateTimeFormatInfo& TimeFormatInfo() const { return FTimeFormatInfo; }
  const TvxDateTimeFormatInfo& DateTimeFormatInfo() const { return FDateTimeFormatInfo; }

  HWND NotificationWindow() const { return FWindow; }
  int ListenerCount() const { return static_cast<int>(FListeners.size()); }

private:
  void TimeChanged();
  void CreateNotificationWindow();
  void DestroyNotificationWindow();

  bool FAssignedCurrencyFormat = false;
  bool FAssignedRegExprDateEditMask = false;
  bool FAssignedRegExprDateTimeEditMask = false;
  bool FAssignedDateEditMask = false;
  bool FAssignedStandardDateTimeEditMask = false;
  bool FAssignedStartOfWeek = false;
  AnsiString FCurrencyFormat;
  AnsiString FDateEditFormat;
  AnsiString FStandardDateEditMask;
  TvxDateTimeFormatInfo FDateFormatInfo;
  TvxDateTimeFormatInfo FDateTimeFormatInfo;
  std::vector<IvxFormatControllerListener*> FListeners;
  AnsiString FDateDisplayFormat;
  AnsiString FDateTimeDisplayFormat;
  AnsiString FRegExprDateEditMask;
  AnsiString FRegExprDateTimeEditMask;
  AnsiString FDateEditMask;
  AnsiString FStandardDateTimeEditMask;
  uint8_t FStartOfWeek = 0;
  TvxDateTimeFormatInfo FTimeFormatInfo;
  HWND FWindow = nullptr;
};

// The singleton, created on first call.
TvxFormatController& vxFormatController();

void InitializevxFormats();
void FinalizevxFormats();
