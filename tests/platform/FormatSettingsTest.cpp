#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/FormatSettings.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

TEST(FormatSettings, ReadsTheJapaneseLocale) {
  TFormatSettings fs = ReadFormatSettingsFromSystem();
  EXPECT_EQ(fs.DecimalSeparator, '.');
  EXPECT_EQ(fs.ThousandSeparator, ',');
  EXPECT_EQ(fs.DateSeparator, '/');
  EXPECT_EQ(fs.TimeSeparator, ':');
  EXPECT_EQ(fs.ShortDateFormat, AnsiString("yyyy/M/d"));
  EXPECT_EQ(fs.LongTimeFormat, AnsiString("H:mm:ss"));
  EXPECT_EQ(fs.CurrencyString, AnsiString("￥"));
  EXPECT_EQ(fs.TimeAMString, AnsiString("午前"));
  EXPECT_EQ(fs.TimePMString, AnsiString("午後"));
  char buf[8] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IFIRSTDAYOFWEEK, buf, sizeof buf);
  EXPECT_EQ(fs.FirstDayOfWeek, buf[0] - '0');
  EXPECT_EQ(fs.LongMonthNames[0], AnsiString("1月"));
  EXPECT_EQ(fs.LongDayNames[0], AnsiString("日曜日"));  // [0] is Sunday
}

TEST(FormatSettings, ReplacedRecordsStayReadable) {
  TFormatSettings saved = GetFormatSettings();
  TFormatSettings a = saved;
  a.ShortDateFormat = "first";
  SetFormatSettings(a);
  const TFormatSettings& held = GetFormatSettings();
  TFormatSettings b = saved;
  b.ShortDateFormat = "second";
  SetFormatSettings(b);
  EXPECT_EQ(held.ShortDateFormat, AnsiString("first"));  // still the record it was
  EXPECT_EQ(GetFormatSettings().ShortDateFormat, AnsiString("second"));
  RefreshFormatSettings();
  EXPECT_EQ(GetFormatSettings().ShortDateFormat, ReadFormatSettingsFromSystem().ShortDateFormat);
  SetFormatSettings(saved);
}

TEST(FormatSettings, ReaderThreadWhileTheRecordChanges) {
  TFormatSettings saved = GetFormatSettings();
  std::atomic<bool> stop{false};
  std::atomic<int> bad{0};
  std::thread reader([&] {
    while (!stop.load()) {
      AnsiString s = FloatToStr(1.5L);
      if (s != "1.5" && s != "1,5") ++bad;
    }
  });
  TFormatSettings fs = saved;
  for (int i = 0; i < 300; ++i) {
    fs.DecimalSeparator = i % 2 ? ',' : '.';
    SetFormatSettings(fs);
  }
  stop = true;
  reader.join();
  EXPECT_EQ(bad.load(), 0);
  SetFormatSettings(saved);
}
