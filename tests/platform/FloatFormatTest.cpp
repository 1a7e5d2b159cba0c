#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/Threads.h"
#include "platform/rtl/SysExceptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TFormatSettings Settings(char decimal, char thousand) {
  TFormatSettings fs;
  fs.DecimalSeparator = decimal;
  fs.ThousandSeparator = thousand;
  return fs;
}

}  // namespace

TEST(FloatFormat, GeneralAndExponentFormats) {
  TFormatSettings dot = Settings('.', ',');
  struct {
    long double Value;
    TFloatFormat Format;
    int Precision, Digits;
    const char* Text;
  } cases[] = {
      {0, TFloatFormat::ffGeneral, 15, 0, "0"},
      {1.5, TFloatFormat::ffGeneral, 15, 0, "1.5"},
      {-1.5, TFloatFormat::ffGeneral, 15, 0, "-1.5"},
      {0.1, TFloatFormat::ffGeneral, 15, 0, "0.1"},
      {100, TFloatFormat::ffGeneral, 15, 0, "100"},
      {123456789012345.0L, TFloatFormat::ffGeneral, 15, 0, "123456789012345"},
      {1e15L, TFloatFormat::ffGeneral, 15, 0, "1E15"},
      {1.5e20L, TFloatFormat::ffGeneral, 15, 0, "1.5E20"},
      {1.5e20L, TFloatFormat::ffGeneral, 15, 3, "1.5E020"},
      {0.0001L, TFloatFormat::ffGeneral, 15, 0, "0.0001"},
      {0.00001L, TFloatFormat::ffGeneral, 15, 0, "1E-5"},
      {2.0L / 3, TFloatFormat::ffGeneral, 4, 0, "0.6667"},
      {1.0L / 3, TFloatFormat::ffGeneral, 18, 0, "0.333333333333333333"},
      {1500, TFloatFormat::ffExponent, 4, 2, "1.500E+03"},
      {-0.00125L, TFloatFormat::ffExponent, 3, 0, "-1.25E-3"},
      {0, TFloatFormat::ffExponent, 4, 2, "0.000E+00"},
      {1234.5678L, TFloatFormat::ffFixed, 15, 2, "1234.57"},
      {0.125L, TFloatFormat::ffFixed, 15, 2, "0.13"},
      {9.999L, TFloatFormat::ffFixed, 15, 2, "10.00"},
      {0.0009L, TFloatFormat::ffFixed, 15, 3, "0.001"},
      {999999.5L, TFloatFormat::ffGeneral, 6, 0, "1E6"},
      {0.5L, TFloatFormat::ffGeneral, 1, 0, "0.5"},
      {-0.004L, TFloatFormat::ffFixed, 15, 2, "0.00"},
      {1234567.891L, TFloatFormat::ffNumber, 15, 2, "1,234,567.89"},
      {-999.5L, TFloatFormat::ffNumber, 15, 0, "-1,000"},
      {1e20L, TFloatFormat::ffFixed, 15, 2, "1E20"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FloatToStrF(c.Value, c.Format, c.Precision, c.Digits, dot), AnsiString(c.Text))
        << c.Text;
  EXPECT_EQ(FloatToStr(std::numeric_limits<long double>::quiet_NaN(), dot), AnsiString("NAN"));
  EXPECT_EQ(FloatToStr(-std::numeric_limits<long double>::infinity(), dot), AnsiString("-INF"));
  // The locale's decimal separator, whatever it is.
  EXPECT_EQ(FloatToStr(2.25L, Settings(',', '.')), AnsiString("2,25"));
}

TEST(FloatFormat, Patterns) {
  TFormatSettings fs = Settings('.', ',');
  struct {
    const char* Pattern;
    long double Value;
    const char* Text;
  } cases[] = {
      {"0", 1234.5L, "1235"},  // half away from zero
      {"0", -1234.5L, "-1235"},
      {"0.00", 2.675L, "2.68"},  // 18 digits of the extended value: 2.67500000000000000
      {"0.00", 2.675, "2.67"},   // 18 digits of the double: 2.67499999999999982
      {"0.00", 0.125, "0.13"},
      {"0.00", 1, "1.00"},
      {"0.##", 1, "1"},
      {"0.##", 1.5L, "1.5"},
      {"#.##", 0.5L, ".5"},
      {"#,##0.00", 1234567.891L, "1,234,567.89"},
      {"#,##0", 999, "999"},
      {"#,##0", -1000, "-1,000"},
      {"00000", 42, "00042"},
      {"0.00E+00", 1234.5L, "1.23E+03"},
      {"0.00E-00", 1234.5L, "1.23E03"},
      {"0.00e-0", 0.00012345L, "1.23e-4"},
      {"0.0;(0.0)", -2.25L, "(2.3)"},
      {"0.0;(0.0);'zero'", 0.01L, "zero"},
      {"0.0;;'zero'", -3, "-3.0"},
      {"'Total: '0\" pcs\"", 7, "Total: 7 pcs"},
      {"0 '円'", 5, "5 円"},
      {"0", -0.4L, "0"},
      {"", 2.5L, "2.5"},
      // An empty positive section: the general format, unless the value has its own section.
      {";-#,##0.00", 1234.5L, "1234.5"},
      {";-#,##0.00", -1234.5L, "-1,234.50"},
      {";-0;'zero'", 0, "zero"},
      {";", -2.5L, "-2.5"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatFloat(c.Pattern, c.Value, fs), AnsiString(c.Text)) << c.Pattern;
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5L, Settings(',', '.')), AnsiString("1.234,50"));
}

TEST(FloatFormat, TextToFloatUsesTheLocaleDecimalSeparator) {
  TFormatSettings dot = Settings('.', ','), comma = Settings(',', '.');
  long double v = 0;
  EXPECT_TRUE(TryStrToFloat(" 1.25 ", v, dot));
  EXPECT_EQ(v, 1.25L);
  EXPECT_TRUE(TryStrToFloat("-1,25e2", v, comma));
  EXPECT_EQ(v, -125.0L);
  EXPECT_TRUE(TryStrToFloat("+.5", v, dot));
  EXPECT_EQ(v, 0.5L);
  for (const char* bad : {"", " ", "1,25", "1.2.3", "1e", "e5", "--1", "1 2", "1e9999", "abc", "１"})
    EXPECT_FALSE(TryStrToFloat(bad, v, dot)) << bad;
  EXPECT_FALSE(TryStrToFloat("1.25", v, comma));
  try {
    StrToFloat("x1", dot);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), AnsiString("'x1' is not a valid floating point value"));
  }
  // 18 significant digits survive a round trip through text.
  long double third = 1.0L / 3;
  ASSERT_TRUE(TryStrToFloat(FloatToStrF(third, TFloatFormat::ffExponent, 18, 0, dot), v, dot));
  EXPECT_NEAR(static_cast<double>((v - third) / third), 0.0, 1e-17);
}

TEST(FloatFormat, CurrencyText) {
  TFormatSettings fs = Settings('.', ',');
  EXPECT_EQ(CurrToStr(12345678, fs), AnsiString("1234.5678"));
  EXPECT_EQ(CurrToStr(-15000, fs), AnsiString("-1.5"));
  EXPECT_EQ(CurrToStr(20000, fs), AnsiString("2"));
  EXPECT_EQ(CurrToStr(INT64_MIN, fs), AnsiString("-922337203685477.5808"));
  int64_t c = 0;
  EXPECT_TRUE(TryStrToCurr("1.23456", c, fs));
  EXPECT_EQ(c, 12346);
  EXPECT_FALSE(TryStrToCurr("1e30", c, fs));
}

TEST(FloatFormat, ExtendedPrecisionControl) {
  SetExtendedFpuPrecision();
  EXPECT_EQ(GetFpuControlWord() & 0x300u, 0x300u);
  // With 64-bit precision 1 + 2^-60 is not 1; at 53 bits it would be.
  volatile long double tiny = std::ldexp(1.0L, -60);
  volatile long double sum = 1.0L + tiny;
  EXPECT_NE(sum, 1.0L);
}
