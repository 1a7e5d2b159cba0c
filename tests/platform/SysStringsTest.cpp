#include "platform/rtl/SysExceptions.h"
#include "platform/rtl/SysStrings.h"

#include <gtest/gtest.h>

TEST(SysStrings, JapaneseLiteralsAreCodePage932Bytes) {
  // "表" is 95 5C in Shift_JIS: its trail byte is a backslash.
  EXPECT_EQ(AnsiString("表"), AnsiString("\x95\x5C"));
  EXPECT_EQ(AnsiString("済"), AnsiString("\x8D\xCF"));
  EXPECT_EQ(AnsiToWide("表示"), WideString(L"表示"));
  EXPECT_EQ(WideToAnsi(L"ソフト"), AnsiString("ソフト"));
}

TEST(SysStrings, BackslashTrailByteIsNotAPathSeparator) {
  AnsiString folder = "c:\\表";  // ends in 0x5C, but as a trail byte
  EXPECT_EQ(IncludeTrailingBackslash(folder), folder + "\\");
  EXPECT_EQ(ExcludeTrailingBackslash(folder), folder);
  EXPECT_EQ(ExcludeTrailingBackslash(folder + "\\"), folder);
  EXPECT_EQ(ExtractFileName("c:\\表\\ソ.txt"), AnsiString("ソ.txt"));
  EXPECT_EQ(ExtractFilePath("c:\\ソ"), AnsiString("c:\\"));
  EXPECT_EQ(ExtractFileExt("c:\\a.b\\表"), AnsiString(""));
  EXPECT_EQ(ExtractFileExt("x.JPEG"), AnsiString(".JPEG"));
  EXPECT_EQ(ChangeFileExt("c:\\x\\list.txt", ".idx"), AnsiString("c:\\x\\list.idx"));
}

TEST(SysStrings, CaseFoldingSkipsDoubleByteCharacters) {
  // "ア" is 83 41: its trail byte is the letter A.
  AnsiString s = "ABア";
  EXPECT_EQ(AnsiLowerCase(s), AnsiString("abア"));
  EXPECT_EQ(AnsiUpperCase("abア"), AnsiString("ABア"));
  EXPECT_TRUE(SameText("ABC表", "abc表"));
  EXPECT_EQ(AnsiPos("A", "アA"), 2u);  // the trail byte 0x41 of "ア" is not a match
}

TEST(SysStrings, IntegerConversion) {
  EXPECT_EQ(StrToInt("  42"), 42);
  EXPECT_EQ(StrToInt("-7"), -7);
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_THROW(StrToInt("2147483648"), EConvertError);
  EXPECT_THROW(StrToInt("12a"), EConvertError);
  EXPECT_THROW(StrToInt(""), EConvertError);
  EXPECT_EQ(StrToIntDef("x", 5), 5);
  try {
    StrToInt("abc");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), AnsiString("'abc' is not a valid integer value"));
  }
  EXPECT_EQ(Format("%2.2d", 3), AnsiString("03"));
  EXPECT_EQ(IntToHex(0xABC, 16), AnsiString("0000000000000ABC"));
}

TEST(SysStrings, RoundTripDetectsUnconvertibleCharacters) {
  AnsiString out;
  EXPECT_TRUE(WideToAnsiExact(L"c:\\データ", out));
  EXPECT_FALSE(WideToAnsiExact(L"c:\\\u00e9\u0301x", out));
  EXPECT_FALSE(WideToAnsiExact(L"\U0001F600", out));
}

TEST(SysExceptions, DefaultAssertionText) {
  try {
    Assert(false, "Assertion failure", "CvThreadRunnerUnit", 86);
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message(), AnsiString("Assertion failure (CvThreadRunnerUnit, line 86)"));
  }
}
