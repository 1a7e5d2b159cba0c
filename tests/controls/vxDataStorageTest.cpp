#include "controls/vxDataStorage.h"
#include "controls/vxVariants.h"

#include "platform/rtl/DateTime.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

// A value slot big enough for every type, zeroed (reference slots start absent).
struct TSlot {
  alignas(8) unsigned char Bytes[40] = {};
  void* P() { return Bytes; }
};

std::string WrittenValue(TvxValueTypeClass t, TSlot& slot) {
  TMemoryStream s;
  t->WriteDataValue(slot.P(), s);
  return s.Bytes();
}

void ReadValue(TvxValueTypeClass t, TSlot& slot, const std::string& bytes) {
  TMemoryStream s;
  s.WriteString(bytes);
  s.SetPosition(0);
  t->ReadDataValue(slot.P(), s);
  EXPECT_EQ(s.Position(), s.Size());
}

}  // namespace

TEST(vxDataStorage, FourteenTypesRegisteredInOrder) {
  InitializevxDataStorage();
  struct {
    const char* Caption;
    int VarType;
    int DataSize;
  } expected[] = {
      {"String", 256, 4},       {"WideString", 8, 4}, {"Smallint", 2, 2},     {"Integer", 3, 4},
      {"Word", 18, 2},          {"Boolean", 11, 1},   {"Float", 5, 8},        {"Currency", 6, 8},
      {"DateTime", 7, 8},       {"LargeInt", 20, 8},  {"FMTBcd", 256, 34},    {"SQLTimeStamp", 7, 16},
      {"Variant", 12, 4},       {"Object", 3, 4},
  };
  TvxValueTypeClassList& list = vxValueTypeClassList();
  ASSERT_EQ(list.Count(), 14);
  for (int i = 0; i < 14; ++i) {
    EXPECT_EQ(list.Items(i)->Caption(), AnsiString(expected[i].Caption));
    EXPECT_EQ(list.Items(i)->GetVarType(), expected[i].VarType) << expected[i].Caption;
    EXPECT_EQ(list.Items(i)->GetDataSize(), expected[i].DataSize) << expected[i].Caption;
  }
  list.RegisterClass(&TvxStringValueType::Instance());  // listed once
  EXPECT_EQ(list.Count(), 14);
  EXPECT_EQ(list.ItemByCaption("largeint"), &TvxLargeIntValueType::Instance());
  list.UnregisterClass(&TvxWordValueType::Instance());
  EXPECT_EQ(list.Count(), 13);
  FinalizevxDataStorage();
  EXPECT_EQ(vxValueTypeClassList().Count(), 0);  // a fresh list
  FinalizevxDataStorage();
}

TEST(vxDataStorage, StringCellsOrderAbsentFirst) {
  const TvxStringValueType& t = TvxStringValueType::Instance();
  TSlot absent, empty, high, low, absent2;
  t.SetDataValue(empty.P(), Variant(""));
  t.SetDataValue(high.P(), Variant("\x80"));
  t.SetDataValue(low.P(), Variant("\x7F"));
  EXPECT_EQ(t.CompareValues(absent.P(), empty.P()), -1);
  EXPECT_EQ(t.CompareValues(empty.P(), absent.P()), 1);
  EXPECT_EQ(t.CompareValues(absent.P(), absent2.P()), 0);
  EXPECT_EQ(t.CompareValues(high.P(), low.P()), 1);  // bytes compare unsigned
  EXPECT_EQ(t.CompareValues(empty.P(), low.P()), -1);
  EXPECT_TRUE(t.GetDataValue(absent.P()).IsNull());
  EXPECT_EQ(t.GetDataValue(low.P()).VarType(), varString);
  const void* prepared = low.P();
  t.PrepareValueBuffer(prepared);
  EXPECT_EQ(t.GetValue(prepared).AsString(), AnsiString("\x7F"));
  t.SetDataValue(low.P(), Variant::Null());  // null frees the cell
  EXPECT_TRUE(t.GetDataValue(low.P()).IsNull());
  t.FreeBuffer(empty.P());
  t.FreeBuffer(high.P());
  t.FreeBuffer(absent.P());  // nothing to free

  const TvxWideStringValueType& w = TvxWideStringValueType::Instance();
  TSlot a, b;
  w.SetDataValue(a.P(), Variant(L"あ"));
  EXPECT_EQ(w.CompareValues(a.P(), b.P()), 1);
  EXPECT_EQ(w.GetDataValue(a.P()).VarType(), varOleStr);
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual, B({1, 0, 0, 0, 0x42, 0x30}), WrittenValue(&w, a));
  ReadValue(&w, b, B({2, 0, 0, 0, 'x', 0, 'y', 0}));
  EXPECT_EQ(w.GetDataValue(b.P()).AsWideString(), WideString(L"xy"));
  w.FreeBuffer(a.P());
  w.FreeBuffer(b.P());
}

TEST(vxDataStorage, FixedTypesStreamTheirBytes) {
  struct {
    TvxValueTypeClass Type;
    Variant Value;
    std::string Bytes;
  } cases[] = {
      {&TvxStringValueType::Instance(), Variant("ab"), B({2, 0, 0, 0, 'a', 'b'})},
      {&TvxSmallintValueType::Instance(), Variant(-2), B({0xFE, 0xFF})},
      {&TvxIntegerValueType::Instance(), Variant(0x01020304), B({4, 3, 2, 1})},
      {&TvxWordValueType::Instance(), Variant(65535), B({0xFF, 0xFF})},
      {&TvxBooleanValueType::Instance(), Variant(true), B({1})},
      {&TvxFloatValueType::Instance(), Variant(1.0), B({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F})},
      {&TvxCurrencyValueType::Instance(), Variant::FromCurrency(10000), B({0x10, 0x27, 0, 0, 0, 0, 0, 0})},
      {&TvxDateTimeValueType::Instance(), Variant::FromDate(2.5), B({0, 0, 0, 0, 0, 0, 4, 0x40})},
      {&TvxLargeIntValueType::Instance(), Variant(int64_t(-1)), B({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})},
      {&TvxVariantValueType::Instance(), Variant(200), B({3, 0xC8, 0})},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.Type->Caption());
    TSlot slot, back;
    c.Type->SetDataValue(slot.P(), c.Value);
    EXPECT_PRED_FORMAT2(testsupport::BytesEqual, c.Bytes, WrittenValue(c.Type, slot));
    ReadValue(c.Type, back, c.Bytes);
    EXPECT_EQ(c.Type->CompareValues(slot.P(), back.P()), 0);
    EXPECT_EQ(c.Type->GetDataValue(back.P()).AsString(), c.Value.AsString());
    c.Type->FreeBuffer(slot.P());
    c.Type->FreeBuffer(back.P());
  }
  // The integer types give variants of their own width.
  TSlot s;
  TvxWordValueType::Instance().SetDataValue(s.P(), Variant(7));
  EXPECT_EQ(TvxWordValueType::Instance().GetDataValue(s.P()).VarType(), varWord);
  TvxSmallintValueType::Instance().SetDataValue(s.P(), Variant(7));
  EXPECT_EQ(TvxSmallintValueType::Instance().GetDataValue(s.P()).VarType(), varSmallint);
  EXPECT_THROW(TvxSmallintValueType::Instance().SetDataValue(s.P(), Variant(40000)), EVariantOverflowError);
  // Objects are not streamed.
  TSlot obj;
  EXPECT_EQ(WrittenValue(&TvxObjectValueType::Instance(), obj), "");
}

TEST(vxDataStorage, FloatKeepsItsDoubleThroughTheExtendedForm) {
  const TvxFloatValueType& t = TvxFloatValueType::Instance();
  for (double d : {0.1, -1.0 / 3, 1e308, 4.9e-324, 123456789.123456789}) {
    TSlot a, b;
    t.SetDataValue(a.P(), Variant(d));
    std::string bytes = WrittenValue(&t, a);
    EXPECT_EQ(bytes.size(), 10u);
    ReadValue(&t, b, bytes);
    double back;
    std::memcpy(&back, b.Bytes, sizeof back);
    EXPECT_EQ(back, d);
  }
}

TEST(vxDataStorage, Comparisons) {
  TSlot a, b;
  const TvxIntegerValueType& i = TvxIntegerValueType::Instance();
  i.SetDataValue(a.P(), Variant(INT32_MIN));
  i.SetDataValue(b.P(), Variant(INT32_MAX));
  EXPECT_EQ(i.CompareValues(a.P(), b.P()), -1);  // no overflowing difference
  const TvxSmallintValueType& s = TvxSmallintValueType::Instance();
  s.SetDataValue(a.P(), Variant(10));
  s.SetDataValue(b.P(), Variant(-5));
  EXPECT_EQ(s.CompareValues(a.P(), b.P()), 15);  // the difference
  const TvxBooleanValueType& bo = TvxBooleanValueType::Instance();
  bo.SetDataValue(a.P(), Variant(true));
  bo.SetDataValue(b.P(), Variant(false));
  EXPECT_EQ(bo.CompareValues(a.P(), b.P()), 1);
  EXPECT_EQ(bo.GetDefaultDisplayText(a.P()), AnsiString("True"));
  EXPECT_EQ(bo.GetDefaultDisplayText(b.P()), AnsiString("False"));
  const TvxLargeIntValueType& l = TvxLargeIntValueType::Instance();
  l.SetDataValue(a.P(), Variant(int64_t(INT64_MIN)));
  l.SetDataValue(b.P(), Variant(int64_t(0)));
  EXPECT_EQ(l.CompareValues(a.P(), b.P()), -1);
  const TvxVariantValueType& v = TvxVariantValueType::Instance();
  TSlot va, vb, absent;
  v.SetDataValue(va.P(), Variant::Null());
  v.SetDataValue(vb.P(), Variant("x"));
  EXPECT_EQ(v.CompareValues(absent.P(), va.P()), -1);  // an absent cell before a null
  EXPECT_EQ(v.CompareValues(va.P(), vb.P()), -1);
  v.FreeBuffer(va.P());
  v.FreeBuffer(vb.P());
}

TEST(vxDataStorage, DisplayTextCells) {
  const TvxValueType& t = TvxIntegerValueType::Instance();
  TvxTextCell text = nullptr;
  EXPECT_EQ(t.GetDisplayText(text), AnsiString(""));
  t.SetDisplayText(text, "表示");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(t.GetDisplayText(text), AnsiString("表示"));
  TMemoryStream s;
  t.WriteDisplayText(text, s);
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual, B({4, 0, 0, 0, 0x95, 0x5C, 0x8E, 0xA6}), s.Bytes());
  TvxTextCell back = nullptr;
  s.SetPosition(0);
  t.ReadDisplayText(back, s);
  EXPECT_EQ(*back, AnsiString("表示"));
  t.FreeTextBuffer(text);
  t.FreeTextBuffer(back);
  EXPECT_EQ(text, nullptr);
  // A damaged length is refused, not allocated.
  TMemoryStream bad;
  bad.WriteString(B({0xFF, 0xFF, 0xFF, 0x7F}));
  bad.SetPosition(0);
  EXPECT_THROW(t.ReadDisplayText(back, bad), EvxStreamReadError);
  EXPECT_EQ(back, nullptr);
}

TEST(vxDataStorage, ValueValidityConverts) {
  Variant v("12");
  EXPECT_TRUE(TvxIntegerValueType::Instance().IsValueValid(v));
  EXPECT_EQ(v.VarType(), varInteger);
  Variant n = Variant::Null();
  EXPECT_TRUE(TvxIntegerValueType::Instance().IsValueValid(n));
  EXPECT_TRUE(n.IsNull());
  Variant any("x");
  EXPECT_TRUE(TvxVariantValueType::Instance().IsValueValid(any));
  EXPECT_EQ(any.VarType(), varString);
  Variant bad("x");
  EXPECT_THROW(TvxFloatValueType::Instance().IsValueValid(bad), EVariantTypeCastError);
}

TEST(vxDataStorage, ObjectSlotOwnsItsObject) {
  static int destroyed = 0;
  struct TCounted : TObject {
    ~TCounted() override { ++destroyed; }
  };
  TSlot slot;
  TObject* obj = new TCounted;
  std::memcpy(slot.Bytes, &obj, sizeof obj);
  TvxObjectValueType::Instance().FreeBuffer(slot.P());
  EXPECT_EQ(destroyed, 1);
  TvxObjectValueType::Instance().FreeBuffer(slot.P());  // the slot was cleared
  EXPECT_EQ(destroyed, 1);
}

TEST(vxDataStorage, BcdAndTimeStamps) {
  struct {
    const char* Text;
    const char* Back;
  } cases[] = {{"12.50", "12.5"}, {"-0.001", "-0.001"}, {"0", "0"}, {"-0", "0"}, {"+7", "7"},
               {"123456789012345678901234567890.5", "123456789012345678901234567890.5"}};
  for (const auto& c : cases) {
    TvxBcd bcd;
    ASSERT_TRUE(vxTryStrToBcd(c.Text, bcd)) << c.Text;
    EXPECT_EQ(vxBcdToStr(bcd), AnsiString(c.Back));
  }
  TvxBcd bcd;
  for (const char* bad : {"", "-", "1.2.3", "1e5", "abc", "1 2"}) EXPECT_FALSE(vxTryStrToBcd(bad, bcd)) << bad;
  EXPECT_FALSE(vxTryStrToBcd(AnsiString(65, '9'), bcd));
  auto cmp = [](const char* a, const char* b) {
    TvxBcd x, y;
    vxTryStrToBcd(a, x);
    vxTryStrToBcd(b, y);
    return vxBcdCompare(x, y);
  };
  EXPECT_LT(cmp("-2", "-1.5"), 0);
  EXPECT_GT(cmp("10", "9.99"), 0);
  EXPECT_EQ(cmp("1.50", "1.5"), 0);
  EXPECT_LT(cmp("0.05", "0.5"), 0);
  EXPECT_EQ(cmp("-0", "0"), 0);

  const TvxFMTBcdValueType& bt = TvxFMTBcdValueType::Instance();
  TSlot a, b;
  bt.SetDataValue(a.P(), Variant("3.25"));
  bt.SetDataValue(b.P(), Variant(3.5));
  EXPECT_EQ(bt.CompareValues(a.P(), b.P()), -1);
  EXPECT_EQ(bt.GetDefaultDisplayText(b.P()), AnsiString("3.5"));
  TMemoryStream s;  // streamed as a tagged variant
  bt.WriteDataValue(a.P(), s);
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual, B({6, 4, '3', '.', '2', '5'}), s.Bytes());

  const TvxSQLTimeStampValueType& ts = TvxSQLTimeStampValueType::Instance();
  TSlot t1, t2;
  TDateTime when = EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 30, 250);
  ts.SetDataValue(t1.P(), Variant::FromDate(when));
  TvxSQLTimeStamp rec;
  std::memcpy(&rec, t1.Bytes, sizeof rec);
  EXPECT_EQ(rec.Year, 2024);
  EXPECT_EQ(rec.Month, 2);
  EXPECT_EQ(rec.Day, 29);
  EXPECT_EQ(rec.Hour, 13);
  EXPECT_EQ(rec.Minute, 45);
  EXPECT_EQ(rec.Second, 30);
  EXPECT_EQ(rec.Fractions, 250u);
  EXPECT_NEAR(ts.GetDataValue(t1.P()).AsDate(), when, 1e-9);
  ts.SetDataValue(t2.P(), Variant::FromDate(when + 1.0 / 86400000));
  EXPECT_EQ(ts.CompareValues(t1.P(), t2.P()), -1);
  TSlot zero;
  EXPECT_TRUE(ts.GetDataValue(zero.P()).IsNull());
}
