#include "controls/vxClasses.h"
#include "controls/vxDateUtils.h"
#include "controls/vxFormats.h"

#include "platform/gui/Forms.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SysExceptions.h"
#include "tests/platform/GuiTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Installs settings for one test and puts the previous record back afterwards.
class TSettingsScope {
public:
  explicit TSettingsScope(const TFormatSettings& fs) : FSaved(GetFormatSettings()) { SetFormatSettings(fs); }
  ~TSettingsScope() { SetFormatSettings(FSaved); }

private:
  TFormatSettings FSaved;
};

TFormatSettings English(char dateSep = '/', const char* shortDate = "M/d/yyyy") {
  TFormatSettings fs;
  fs.DecimalSeparator = '.';
  fs.ThousandSeparator = ',';
  fs.DateSeparator = dateSep;
  fs.TimeSeparator = ':';
  fs.ShortDateFormat = shortDate;
  fs.LongDateFormat = "dddd, MMMM d, yyyy";
  fs.ShortTimeFormat = "h:mm AMPM";
  fs.LongTimeFormat = "h:mm:ss AMPM";
  fs.TimeAMString = "AM";
  fs.TimePMString = "PM";
  fs.CurrencyString = "$";
  fs.CurrencyFormat = 0;
  fs.NegCurrFormat = 0;
  fs.CurrencyDecimals = 2;
  fs.FirstDayOfWeek = 6;
  const char* shortMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const char* longMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                              "July",    "August",   "September", "October", "November", "December"};
  for (size_t i = 0; i < 12; ++i) {
    fs.ShortMonthNames[i] = shortMonths[i];
    fs.LongMonthNames[i] = longMonths[i];
  }
  return fs;
}

AnsiString Kinds(const TvxDateTimeFormatInfo& info) {
  AnsiString out;
  for (const auto& item : info.Items) out += Format("%d:%s ", item.Kind, item.Data.c_str());
  return out;
}

const char kMonthsRegExpr[] = "((0?[1-9]|1[012])|('Jan'|'Feb'|'Mar'|'Apr'|'May'|'Jun'|'Jul'|'Aug'|'Sep'|'Oct'|'Nov'|'Dec'))";
const char kDayRegExpr[] = "([012]?[1-9]|[123]0|31)";
const char kWords[] = "'today'|'yesterday'|'tomorrow'|'Sunday'|'Monday'|'Tuesday'|'Wednesday'|'Thursday'|"
                      "'Friday'|'Saturday'|'first'|'second'|'third'|'fourth'|'fifth'|'sixth'|'seventh'|'bom'|'eom'";
const char kOffset[] = ")((\\+|-)\\d(\\d(\\d\\d?)?)?)?";

struct TRecordingListener : IvxFormatControllerListener {
  TRecordingListener(std::vector<AnsiString>& log, AnsiString name) : Log(log), Name(std::move(name)) {}
  void FormatChanged() override { Log.push_back(Name + " format"); }
  std::vector<AnsiString>& Log;
  AnsiString Name;
};

struct TTimeListener : TRecordingListener, IvxFormatControllerListener2 {
  using TRecordingListener::TRecordingListener;
  void TimeChanged() override { Log.push_back(Name + " time"); }
};

}  // namespace

TEST(vxFormats, ParsesFormatsIntoItems) {
  TFormatSettings fs = English();
  struct {
    const char* Format;
    const char* Items;
  } cases[] = {
      {"yyyy/MM/dd", "1:YYYY 9:/ 2:MM 9:/ 3:DD "},
      {"yy-M-d", "1:YY 0:- 2:M 0:- 3:D "},
      {"h:mm AMPM", "4:12H 10:: 5:NN 0:  8:AMPM "},
      {"H:mm", "4:24H 10:: 5:NN "},
      {"hh:nn:ss.zzz am/pm", "4:12HH 10:: 5:NN 10:: 6:SS 0:. 7:ZZZ 0:  8:am/pm "},
      {"a/p", ""},                                      // a designator without an hour is dropped
      {"yyyy yyyy", "1:YYYY 0:  "},                      // a second year is dropped
      {"dd 'of' MMMM", "3:DD 0: of  2:MMMM "},           // literals merge
      {"ddddd", "2:M 9:/ 3:D 9:/ 1:YYYY "},              // the short date
      {"c", "2:M 9:/ 3:D 9:/ 1:YYYY 0:  4:12H 10:: 5:NN 10:: 6:SS 0:  8:AMPM "},
      {"aaaa", "3:DDDD "},
      {"mmmmmm hhh", "2:MMMM 0:  4:24HH "},            // runs are cut to their longest letter
      {"年y月", "0:年 1:YY 0:月 "},
      {"eee", "1:YYYY "},
      {"ggyy", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    TvxDateTimeFormatInfo info;
    vxParseDateTimeFormat(c.Format, fs, info);
    EXPECT_EQ(Kinds(info), AnsiString(c.Items)) << c.Format;
  }
  TvxDateTimeFormatInfo info;
  EXPECT_FALSE(vxParseDateTimeFormat("yyyy g", fs, info));
  EXPECT_TRUE(info.Items.empty());
  EXPECT_FALSE(info.DefinedItems[dtikYear]);
  // A format that names itself stops after two levels.
  fs.ShortDateFormat = "ddddd/d";
  EXPECT_TRUE(vxParseDateTimeFormat("ddddd", fs, info));
  EXPECT_EQ(Kinds(info), AnsiString("9:/ 3:D 9:/ "));  // the second day is dropped
}

TEST(vxFormats, DateRegExprAndStandardMask) {
  TFormatSettings fs = English('/', "yyyy/MM/dd");
  TvxDateTimeFormatInfo info;
  ASSERT_TRUE(vxParseDateTimeFormat("yyyy/MM/dd", fs, info));
  EXPECT_EQ(vxDateRegExprFromFormat(info, fs),
            AnsiString("\\d\\d\\d\\d\\/") + kMonthsRegExpr + "\\/" + kDayRegExpr);
  EXPECT_EQ(vxStandardMaskFromFormat(info, smmDate, fs), AnsiString("!9999/99/99;1; "));
  EXPECT_EQ(vxDisplayFormatFromFormat(info), AnsiString("yyyy/mm/dd"));

  // Dots as the separator, long month names, blank and missing separators.
  TFormatSettings dots = English('.', "dd.MM.yy");
  ASSERT_TRUE(vxParseDateTimeFormat("dd.MM.yy", dots, info));
  EXPECT_EQ(vxDateRegExprFromFormat(info, dots),
            AnsiString(kDayRegExpr) + "'.'" + kMonthsRegExpr + "'.'\\d\\d");  // "." here is literal
  ASSERT_TRUE(vxParseDateTimeFormat("dd/MMMM/yy", dots, info));
  AnsiString re = vxDateRegExprFromFormat(info, dots);
  EXPECT_NE(re.find("\\.((0?[1-9]|1[012])|('January'|"), std::string::npos) << re;
  EXPECT_EQ(vxStandardMaskFromFormat(info, smmDate, dots), AnsiString("!99/lll/99;1; "));
  EXPECT_EQ(vxDisplayFormatFromFormat(info), AnsiString("dd/mmm/yy"));
  dots.DateSeparator = ' ';
  EXPECT_EQ(vxDateRegExprFromFormat(info, dots).substr(0, 26), AnsiString(kDayRegExpr) + "' '");
  dots.DateSeparator = '\0';
  EXPECT_EQ(vxDateRegExprFromFormat(info, dots).substr(0, 24), AnsiString(kDayRegExpr) + "(");
}

TEST(vxFormats, TimeRegExprTwelveAndTwentyFourHours) {
  TFormatSettings fs = English();
  TvxDateTimeFormatInfo info;
  struct {
    const char* Format;
    const char* RegExpr;
    const char* Mask;
    const char* Display;
  } cases[] = {
      {"h:mm AMPM", "(0?[1-9]|1[012])\\:[0-5]?\\d' '('AM'|'PM')?", "!99:99\\ cc;1; ", "hh:nn' 'ampm"},
      {"H:mm", "([01]?\\d|2[0-3])\\:[0-5]?\\d", "!99:99;1; ", "hh:nn"},
      {"hh:mm:ss A/P", "(0?[1-9]|1[012])\\:[0-5]?\\d\\:[0-5]?\\d' '(A|P)?", "!99:99:99\\ c;1; ", "hh:nn:ss' 'a/p"},
      {"hh AM/PM", "(0?[1-9]|1[012])' '(AM|PM)?", "!99\\ cc;1; ", "hh' 'am/pm"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(vxParseDateTimeFormat(c.Format, fs, info));
    EXPECT_EQ(vxTimeRegExprFromFormat(info, fs), AnsiString(c.RegExpr)) << c.Format;
    EXPECT_EQ(vxStandardMaskFromFormat(info, smmDateTime, fs), AnsiString(c.Mask)) << c.Format;
    EXPECT_EQ(vxDisplayFormatFromFormat(info), AnsiString(c.Display)) << c.Format;
  }
  ASSERT_TRUE(vxParseDateTimeFormat("H:mm:ss", fs, info));
  EXPECT_EQ(vxStandardMaskFromFormat(info, smmTime, fs), AnsiString("00:00:00;1;0"));
  // Locale designators: one missing, both missing, double-byte ones (a mask place per byte).
  ASSERT_TRUE(vxParseDateTimeFormat("AMPM h", fs, info));
  fs.TimeAMString = "";
  EXPECT_EQ(vxTimeRegExprFromFormat(info, fs), AnsiString("('PM')?' '(0?[1-9]|1[012])"));
  fs.TimePMString = "";
  EXPECT_EQ(vxTimeRegExprFromFormat(info, fs), AnsiString("' '(0?[1-9]|1[012])"));
  fs.TimeAMString = "午前";
  fs.TimePMString = "午後";
  EXPECT_EQ(vxTimeRegExprFromFormat(info, fs), AnsiString("('午前'|'午後')?' '(0?[1-9]|1[012])"));
  EXPECT_EQ(vxStandardMaskFromFormat(info, smmDateTime, fs), AnsiString("!cccc\\ 99;1; "));
}

TEST(vxFormats, QuotingAndDateWords) {
  EXPECT_EQ(vxQuoteRegExprText("abc"), AnsiString("'abc'"));
  EXPECT_EQ(vxQuoteRegExprText("it's"), AnsiString("'it'\\''s'"));
  EXPECT_EQ(vxQuoteRegExprText("''"), AnsiString("\\'\\'"));
  EXPECT_EQ(vxQuoteRegExprText(""), AnsiString(""));
  EXPECT_EQ(vxQuoteRegExprText("表'"), AnsiString("'表'\\'"));
  EXPECT_EQ(vxAddDateWordsToRegExpr("M", false), AnsiString("(M)|(") + kWords + kOffset);
  EXPECT_EQ(vxAddDateWordsToRegExpr("M", true), AnsiString("(M)|(") + kWords + "|'now'" + kOffset);
  // The words pass through the translation lookup every time.
  vxAddResourceStringTranslation("today", "今日");
  vxAddResourceStringTranslation("eom", "月末");
  EXPECT_EQ(vxGetDateWord(0), AnsiString("今日"));
  AnsiString re = vxAddDateWordsToRegExpr("M", false);
  vxClearResourceStringTranslations();
  EXPECT_EQ(re.substr(0, 11), AnsiString("(M)|('今日'"));
  EXPECT_NE(re.find("'bom'|'月末')"), std::string::npos);
  EXPECT_EQ(vxGetDateWord(0), AnsiString("today"));
  EXPECT_EQ(vxGetDateWord(20), AnsiString(""));
}

TEST(vxFormats, CurrencyFormats) {
  TFormatSettings fs = English();
  struct {
    const char* Symbol;
    int Positive, Negative, Decimals;
    const char* Pattern;
    const char* Plus;
    const char* Minus;
  } cases[] = {
      {"$", 0, 0, 2, "$,0.00;($,0.00)", "$1,234.50", "($1,234.50)"},
      {"$", 0, 1, 0, "$,0.;-$,0.", "$1,235", "-$1,235"},
      {"EUR", 3, 8, 2, ",0.00 EUR;-,0.00 EUR", "1,234.50 EUR", "-1,234.50 EUR"},
      {"kr.", 2, 12, 2, "kr'.' ,0.00;kr'.' -,0.00", "kr. 1,234.50", "kr. -1,234.50"},
      {"\\", 0, 1, 0, "\\,0.;-\\,0.", "\\1,235", "-\\1,235"},
      {"￥", 1, 15, 0, ",0.￥;(,0. ￥)", "1,235￥", "(1,235 ￥)"},
      {"", 0, 1, 2, ";-,0.00", "1234.5", "-1,234.50"},  // no symbol: no positive section
  };
  for (const auto& c : cases) {
    fs.CurrencyString = c.Symbol;
    fs.CurrencyFormat = c.Positive;
    fs.NegCurrFormat = c.Negative;
    fs.CurrencyDecimals = c.Decimals;
    AnsiString pattern = vxCurrencyFormatFromSettings(fs);
    EXPECT_EQ(pattern, AnsiString(c.Pattern));
    EXPECT_EQ(FormatFloat(pattern, 1234.5, fs), AnsiString(c.Plus)) << c.Pattern;
    EXPECT_EQ(FormatFloat(pattern, -1234.5, fs), AnsiString(c.Minus)) << c.Pattern;
  }
  // All sixteen negative patterns.
  const char* negatives[] = {"($n)", "-$n", "$-n", "$n-", "(n$)", "-n$", "n-$", "n$-",
                             "-n $", "-$ n", "n $-", "$ n-", "$ -n", "n- $", "($ n)", "(n $)"};
  fs.CurrencyString = "$";
  fs.CurrencyDecimals = 0;
  for (int i = 0; i < 16; ++i) {
    fs.NegCurrFormat = i;
    AnsiString pattern = vxCurrencyFormatFromSettings(fs);
    AnsiString expected = StringReplaceAll(negatives[i], "n", ",0.");
    EXPECT_EQ(pattern.substr(pattern.find(';') + 1), expected) << i;
  }
}

TEST(vxFormats, DateEditFormat) {
  struct {
    const char* Short;
    const char* Edit;
  } cases[] = {
      {"yyyy/M/d", "yyyy/MM/dd"}, {"d.M.yy", "dd.MM.yy"}, {"dd/MM/yyyy", "dd/MM/yyyy"},
      {"MMM d", "MMM dd"},        {"'d' M", "'d' MM"},    {"yyyy年M月d日", "yyyy年MM月dd日"},
      {"D m", "D m"},
  };
  for (const auto& c : cases) EXPECT_EQ(vxDateEditFormatFromShortDate(c.Short), AnsiString(c.Edit)) << c.Short;
  EXPECT_EQ(vxDateEditFormatFromShortDate("d MMMM yyyy", true), AnsiString("dd MMM yyyy"));
  EXPECT_EQ(vxDateEditFormatFromShortDate("d MMMM yyyy", false), AnsiString("dd MMMM yyyy"));
}

TEST(vxFormats, ControllerComputesFromInjectedSettings) {
  TFormatSettings fs = English('/', "M/d/yyyy");
  TSettingsScope scope(fs);
  TvxFormatController c;
  EXPECT_EQ(c.CurrencyFormat(), AnsiString("$,0.00;($,0.00)"));
  EXPECT_EQ(c.StartOfWeek(), 0);  // locale 6 = Sunday
  EXPECT_EQ(c.DateEditFormat(), AnsiString("MM/dd/yyyy"));
  EXPECT_EQ(c.StandardDateEditMask(), AnsiString("!99/99/9999;1; "));
  EXPECT_EQ(c.DateEditMask(), c.StandardDateEditMask());
  EXPECT_EQ(c.StandardDateTimeEditMask(), AnsiString("!99/99/9999\\ 99:99:99\\ cc;1; "));
  EXPECT_EQ(c.DateDisplayFormat(), AnsiString("mm/dd/yyyy"));
  EXPECT_EQ(c.DateTimeDisplayFormat(), AnsiString("mm/dd/yyyy' 'hh:nn:ss' 'ampm"));
  AnsiString date = AnsiString(kMonthsRegExpr) + "\\/" + kDayRegExpr + "\\/\\d\\d\\d\\d";
  EXPECT_EQ(c.RegExprDateEditMask(), "(" + date + ")|(" + kWords + kOffset);
  EXPECT_EQ(c.RegExprDateTimeEditMask(),
            "(" + date + "' '((0?[1-9]|1[012])\\:[0-5]?\\d\\:[0-5]?\\d' '('AM'|'PM')?)?)|(" + kWords + "|'now'" +
                kOffset);

  // Monday first; values set explicitly survive a recomputation.
  fs.FirstDayOfWeek = 0;
  fs.CurrencyDecimals = 0;
  SetFormatSettings(fs);
  c.SetDateEditMask("!99/99;1; ");
  c.SetStartOfWeek(3);
  c.UpdateFormats();
  EXPECT_EQ(c.StartOfWeek(), 3);
  EXPECT_EQ(c.DateEditMask(), AnsiString("!99/99;1; "));
  EXPECT_EQ(c.CurrencyFormat(), AnsiString("$,0.;($,0.)"));
  TvxFormatController fresh;
  EXPECT_EQ(fresh.StartOfWeek(), 1);
  fs.FirstDayOfWeek = 5;  // Saturday
  SetFormatSettings(fs);
  fresh.UpdateFormats();
  EXPECT_EQ(fresh.StartOfWeek(), 6);
}

TEST(vxFormats, NotificationWindowReachesListenersInOrder) {
  TSettingsScope scope(English());
  std::vector<AnsiString> log;
  TRecordingListener a(log, "a");
  TTimeListener b(log, "b");
  TRecordingListener c(log, "c");
  TvxFormatController controller;
  EXPECT_EQ(controller.NotificationWindow(), nullptr);
  controller.AddListener(&a);
  HWND wnd = controller.NotificationWindow();
  ASSERT_NE(wnd, nullptr);
  EXPECT_FALSE(IsWindowVisible(wnd));
  EXPECT_EQ(GetParent(wnd), nullptr);  // top level: broadcasts reach it
  controller.AddListener(&b);
  controller.AddListener(&c);
  controller.AddListener(&a);  // listed once
  EXPECT_EQ(controller.ListenerCount(), 3);

  // Another section, or a non-zero wParam, changes nothing.
  SendMessageA(wnd, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>("windows"));
  SendMessageA(wnd, WM_WININICHANGE, 1, reinterpret_cast<LPARAM>("intl"));
  SendMessageA(wnd, WM_WININICHANGE, 0, 0);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(controller.StartOfWeek(), 0);

  // A locale change: the record is re-read from the system, the formats follow it.
  EXPECT_EQ(SendMessageA(wnd, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("intl")), 0);
  EXPECT_EQ(log, (std::vector<AnsiString>{"a format", "b format", "c format"}));
  EXPECT_EQ(controller.DateEditFormat(), vxDateEditFormatFromShortDate(ReadFormatSettingsFromSystem().ShortDateFormat));

  log.clear();
  EXPECT_EQ(SendMessageA(wnd, WM_TIMECHANGE, 0, 0), 0);
  EXPECT_EQ(log, (std::vector<AnsiString>{"b time"}));

  // Switched off, a locale change is ignored.
  SetAutoUpdateFormatSettings(false);
  log.clear();
  SendMessageA(wnd, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>("intl"));
  SetAutoUpdateFormatSettings(true);
  EXPECT_TRUE(log.empty());

  controller.RemoveListener(&a);
  controller.RemoveListener(&b);
  EXPECT_EQ(controller.NotificationWindow(), wnd);
  controller.RemoveListener(&c);
  EXPECT_EQ(controller.NotificationWindow(), nullptr);
  EXPECT_FALSE(IsWindow(wnd));
}

TEST(vxFormats, ListenerLeavingDuringNotification) {
  TSettingsScope scope(English());
  TvxFormatController controller;
  std::vector<AnsiString> log;
  struct TLeaver : IvxFormatControllerListener {
    TvxFormatController* C;
    IvxFormatControllerListener* Other;
    std::vector<AnsiString>* Log;
    void FormatChanged() override {
      Log->push_back("leaver");
      C->RemoveListener(this);
      C->RemoveListener(Other);
    }
  };
  TRecordingListener other(log, "other");
  TLeaver leaver;
  leaver.C = &controller;
  leaver.Other = &other;
  leaver.Log = &log;
  controller.AddListener(&leaver);
  controller.AddListener(&other);
  controller.NotifyListeners();
  EXPECT_EQ(log, (std::vector<AnsiString>{"leaver"}));
  EXPECT_EQ(controller.NotificationWindow(), nullptr);
}

TEST(vxFormats, LiveJapaneseLocale) {
  TFormatSettings saved = GetFormatSettings();
  RefreshFormatSettings();
  const TFormatSettings& fs = GetFormatSettings();  // the locale record itself is tested with the platform
  {
    TvxFormatController c;
    EXPECT_EQ(c.DateEditFormat(), AnsiString("yyyy/MM/dd"));
    EXPECT_EQ(c.StandardDateEditMask(), AnsiString("!9999/99/99;1; "));
    EXPECT_EQ(c.StandardDateTimeEditMask(), AnsiString("!9999/99/99\\ 99:99:99;1; "));
    EXPECT_EQ(c.DateDisplayFormat(), AnsiString("yyyy/mm/dd"));
    EXPECT_EQ(c.DateTimeDisplayFormat(), AnsiString("yyyy/mm/dd' 'hh:nn:ss"));
    EXPECT_EQ(c.StartOfWeek(), (fs.FirstDayOfWeek + 1) % 7);
    // The month alternatives hold the locale's names, quoted whole.
    EXPECT_NE(c.RegExprDateEditMask().find("|('" + fs.ShortMonthNames[0] + "'|"), std::string::npos)
        << c.RegExprDateEditMask();
    EXPECT_NE(c.RegExprDateTimeEditMask().find("' '(([01]?\\d|2[0-3])\\:[0-5]?\\d\\:[0-5]?\\d)?)|("),
              std::string::npos)
        << c.RegExprDateTimeEditMask();
    AnsiString currency = FormatFloat(c.CurrencyFormat(), -1234567, fs);
    EXPECT_NE(currency.find("1,234,567"), std::string::npos) << currency;
    EXPECT_NE(currency.find("￥"), std::string::npos) << currency;
    // A 12-hour format with the Japanese designators.
    TvxDateTimeFormatInfo info;
    ASSERT_TRUE(vxParseDateTimeFormat("AMPM h:mm", fs, info));
    EXPECT_EQ(vxTimeRegExprFromFormat(info, fs), AnsiString("('午前'|'午後')?' '(0?[1-9]|1[012])\\:[0-5]?\\d"));
  }
  SetFormatSettings(saved);
}

TEST(vxFormats, SingletonLivesUntilFinalization) {
  TvxFormatController& a = vxFormatController();
  EXPECT_EQ(&a, &vxFormatController());
  FinalizevxFormats();
  TvxFormatController& b = vxFormatController();
  EXPECT_EQ(b.ListenerCount(), 0);
  FinalizevxFormats();
}

TEST(vxFormats, ListenerExceptionStopsAtTheWindowProcedure) {
  TSettingsScope scope(English());
  struct TThrower : IvxFormatControllerListener {
    void FormatChanged() override { throw Exception("listener failed"); }
  } thrower;
  guitest::TExceptionCatcher caught;
  {
    TvxFormatController controller;
    controller.AddListener(&thrower);
    EXPECT_EQ(SendMessageA(controller.NotificationWindow(), WM_TIMECHANGE, 0, 0), 0);  // not a time listener
    EXPECT_TRUE(caught.Messages().empty());
    EXPECT_EQ(SendMessageA(controller.NotificationWindow(), WM_WININICHANGE, 0, reinterpret_cast<LPARAM>("intl")), 0);
    controller.RemoveListener(&thrower);
  }
  EXPECT_EQ(caught.Messages(), std::vector<std::string>{"listener failed"});
}
