#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Variant.h"

#include <gtest/gtest.h>

namespace {

// Installs settings with "." as the decimal separator for one test, restores afterwards.
struct TDotSettings {
  TFormatSettings Saved = GetFormatSettings();
  TDotSettings() {
    TFormatSettings fs = Saved;
    fs.DecimalSeparator = '.';
    fs.ThousandSeparator = ',';
    SetFormatSettings(fs);
  }
  ~TDotSettings() { SetFormatSettings(Saved); }
};

}  // namespace

TEST(Variant, TypeCodesAreThePlatforms) {
  EXPECT_EQ(Variant().VarType(), 0);
  EXPECT_EQ(Variant::Null().VarType(), 1);
  EXPECT_EQ(Variant(int16_t(1)).VarType(), 2);
  EXPECT_EQ(Variant(1).VarType(), 3);
  EXPECT_EQ(Variant(1.0f).VarType(), 4);
  EXPECT_EQ(Variant(1.0).VarType(), 5);
  EXPECT_EQ(Variant::FromCurrency(1).VarType(), 6);
  EXPECT_EQ(Variant::FromDate(1).VarType(), 7);
  EXPECT_EQ(Variant(L"w").VarType(), 8);
  EXPECT_EQ(Variant(true).VarType(), 11);
  EXPECT_EQ(Variant::FromShortInt(1).VarType(), 16);
  EXPECT_EQ(Variant::FromByte(1).VarType(), 17);
  EXPECT_EQ(Variant::FromWord(1).VarType(), 18);
  EXPECT_EQ(Variant::FromLongWord(1).VarType(), 19);
  EXPECT_EQ(Variant(int64_t(1)).VarType(), 20);
  EXPECT_EQ(Variant("s").VarType(), 256);
  EXPECT_EQ(Variant::CreateArray(0, 1).VarType(), 0x200C);
}

TEST(Variant, Conversions) {
  TDotSettings dot;
  EXPECT_EQ(Variant(2.5).AsInteger(), 2);  // half to even
  EXPECT_EQ(Variant(3.5).AsInteger(), 4);
  EXPECT_EQ(Variant("  42").AsInteger(), 42);
  EXPECT_EQ(Variant("1.75").AsDouble(), 1.75);
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant("true").AsBoolean(), true);
  EXPECT_EQ(Variant("0").AsBoolean(), false);
  EXPECT_EQ(Variant().AsString(), AnsiString(""));
  EXPECT_EQ(Variant().AsInteger(), 0);
  EXPECT_EQ(Variant(false).AsString(), AnsiString("False"));
  EXPECT_EQ(Variant(0.1).AsString(), AnsiString("0.1"));
  EXPECT_EQ(Variant(0.1f).AsString(), AnsiString("0.1"));
  EXPECT_EQ(Variant::FromCurrency(12345).AsString(), AnsiString("1.2345"));
  EXPECT_EQ(Variant::FromCurrency(12345).AsDouble(), 1.2345);
  EXPECT_EQ(Variant(1.23456).AsCurrency(), 12346);
  EXPECT_EQ(Variant(int64_t(-5)).AsString(), AnsiString("-5"));
  EXPECT_EQ(Variant(L"表示").AsString(), AnsiString("表示"));
  EXPECT_EQ(Variant("表示").AsWideString(), WideString(L"表示"));
  EXPECT_EQ(VarAsType(Variant(200), varSmallint).VarType(), varSmallint);
  EXPECT_EQ(VarAsType(Variant("7"), varByte).AsInteger(), 7);
  EXPECT_THROW(VarAsType(Variant(300), varByte), EVariantOverflowError);
  EXPECT_THROW(Variant(1e10).AsInteger(), EVariantOverflowError);
  EXPECT_THROW(Variant("abc").AsInteger(), EVariantTypeCastError);
  EXPECT_THROW(Variant::Null().AsString(), EVariantTypeCastError);
  EXPECT_THROW(VarAsType(Variant::Null(), varInteger), EVariantTypeCastError);
  EXPECT_TRUE(VarAsType(Variant::Null(), varNull).IsNull());
  // Dates: the short date, and the long time when there is one.
  TFormatSettings fs = GetFormatSettings();
  fs.ShortDateFormat = "yyyy/M/d";
  fs.LongTimeFormat = "H:mm:ss";
  SetFormatSettings(fs);
  EXPECT_EQ(Variant::FromDate(EncodeDate(2024, 1, 2)).AsString(), AnsiString("2024/1/2"));
  EXPECT_EQ(Variant::FromDate(EncodeDate(2024, 1, 2) + EncodeTime(13, 4, 5, 0)).AsString(),
            AnsiString("2024/1/2 13:04:05"));
  EXPECT_EQ(Variant("45000.5").AsDate(), 45000.5);
  EXPECT_THROW(Variant("2024/1/2").AsDate(), EVariantTypeCastError);
  try {
    Variant::Null().AsInteger();
    FAIL();
  } catch (const EVariantTypeCastError& e) {
    EXPECT_EQ(e.Message(), AnsiString("Could not convert variant of type (Null) into type (Int64)"));
  }
}

TEST(Variant, ComparisonRules) {
  TDotSettings dot;
  using R = TVariantRelationship;
  struct {
    Variant A, B;
    R Rel;
  } cases[] = {
      {Variant::Null(), Variant::Null(), R::vrEqual},
      {Variant::Null(), Variant(0), R::vrNotEqual},
      {Variant(), Variant(0), R::vrEqual},
      {Variant(), Variant(""), R::vrEqual},
      {Variant(), Variant(-1), R::vrGreaterThan},
      {Variant(1), Variant(1.0), R::vrEqual},
      {Variant(int64_t(INT64_MAX)), Variant(int64_t(INT64_MAX - 1)), R::vrGreaterThan},
      {Variant::FromLongWord(4000000000u), Variant(-1), R::vrGreaterThan},
      {Variant(true), Variant(-1), R::vrEqual},
      {Variant::FromCurrency(10000), Variant(1), R::vrEqual},
      {Variant("10"), Variant(9), R::vrGreaterThan},  // text converted to the number
      {Variant("abc"), Variant(9), R::vrGreaterThan}, // no number: "9" against "abc" as text
      {Variant("abc"), Variant(L"abc"), R::vrEqual},
      {Variant("a"), Variant("b"), R::vrLessThan},
      {Variant::FromDate(2), Variant(1.5), R::vrGreaterThan},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VarCompareValue(c.A, c.B), c.Rel) << c.A.AsString() << " / " << c.B.AsString();
  }
  EXPECT_TRUE(Variant::Null() < Variant(-100));
  EXPECT_FALSE(Variant(-100) < Variant::Null());
  EXPECT_FALSE(Variant::Null() < Variant::Null());
  EXPECT_THROW(VarCompareValue(Variant::CreateArray(0, 0), Variant(1)), EVariantInvalidOpError);
}

TEST(Variant, ArraysAreValuesWithBounds) {
  Variant a = Variant::CreateArray(1, 3);
  a[1] = 10;
  a[3] = "x";
  Variant b = a;  // a deep copy
  b[1] = 11;
  EXPECT_EQ(a[1].AsInteger(), 10);
  EXPECT_EQ(b[1].AsInteger(), 11);
  EXPECT_TRUE(a[2].IsEmpty());
  EXPECT_EQ(a.ArrayLowBound(1), 1);
  EXPECT_EQ(a.ArrayHighBound(1), 3);
  EXPECT_THROW(a[0], EVariantBadIndexError);
  EXPECT_THROW(a[4], EVariantBadIndexError);
  Variant two = Variant::CreateArray({{0, 1}, {0, 2}});
  EXPECT_EQ(two.ArrayDimCount(), 2);
  EXPECT_EQ(two.Elements().size(), 6u);
  EXPECT_THROW(two[0], EVariantInvalidOpError);
  EXPECT_EQ(Variant::CreateArray(0, -1).Elements().size(), 0u);
}
