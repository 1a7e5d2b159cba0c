#include "controls/vxClasses.h"
#include "controls/vxVariants.h"

#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Streams.h"
#include "tests/support/InputMutator.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::string Written(const Variant& v) {
  TMemoryStream s;
  WriteVariant(s, v);
  return s.Bytes();
}

Variant ReadBack(const std::string& bytes) {
  TMemoryStream s;
  s.WriteString(bytes);
  s.SetPosition(0);
  Variant v = ReadVariant(s);
  EXPECT_EQ(s.Position(), s.Size()) << "the whole value is consumed";
  return v;
}

std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

std::string Extended(long double v) {
  char raw[sizeof(long double)];
  std::memcpy(raw, &v, sizeof v);
  return std::string(raw, 10);
}

// Expects reading bytes to fail with the library's stream read error.
void ExpectReadError(const std::string& bytes) {
  TMemoryStream s;
  s.WriteString(bytes);
  s.SetPosition(0);
  try {
    ReadVariant(s);
    ADD_FAILURE() << "no error for " << testing::PrintToString(bytes);
  } catch (const EvxStreamReadError& e) {
    EXPECT_EQ(e.Message(), AnsiString("Stream read error"));
  }
}

}  // namespace

TEST(vxVariants, StreamBytesOfEachType) {
  struct {
    const char* Name;
    Variant Value;
    std::string Bytes;
    uint16_t ReadType;
  } cases[] = {
      {"empty", Variant(), B({13}), varEmpty},
      {"null", Variant::Null(), B({0}), varNull},
      {"int8", Variant(-128), B({2, 0x80}), varShortInt},
      {"byte 127", Variant::FromByte(127), B({2, 0x7F}), varShortInt},
      {"int 200", Variant(200), B({3, 0xC8, 0}), varSmallint},
      {"int -32768", Variant(-32768), B({3, 0x00, 0x80}), varSmallint},
      {"smallint 32767", Variant(int16_t(32767)), B({3, 0xFF, 0x7F}), varSmallint},
      {"int 32768", Variant(32768), B({4, 0, 0x80, 0, 0}), varInteger},
      {"int -40000", Variant(-40000), B({4, 0xC0, 0x63, 0xFF, 0xFF}), varInteger},
      {"true", Variant(true), B({9}), varBoolean},
      {"false", Variant(false), B({8}), varBoolean},
      {"single", Variant(1.5f), B({15, 0, 0, 0xC0, 0x3F}), varSingle},
      {"double", Variant(1.0), B({5}) + Extended(1.0L), varDouble},
      {"currency", Variant::FromCurrency(12345), B({16, 0x39, 0x30, 0, 0, 0, 0, 0, 0}), varCurrency},
      {"date", Variant::FromDate(2.5), B({17, 0, 0, 0, 0, 0, 0, 4, 0x40}), varDate},
      {"wide", Variant(L"aあ"), B({18, 2, 0, 0, 0, 'a', 0, 0x42, 0x30}), varOleStr},
      {"short string", Variant("ab"), B({6, 2, 'a', 'b'}), varString},
      {"empty string", Variant(""), B({6, 0}), varString},
      {"int64 as text", Variant(int64_t(-5000000000LL)), B({6, 11}) + "-5000000000", varString},
      {"longword as text", Variant::FromLongWord(4000000000u), B({6, 10}) + "4000000000", varString},
      {"word as text", Variant::FromWord(7), B({6, 1, '7'}), varString},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_PRED_FORMAT2(testsupport::BytesEqual, c.Bytes, Written(c.Value));
    Variant back = ReadBack(c.Bytes);
    EXPECT_EQ(back.VarType(), c.ReadType);
    if (!c.Value.IsNull()) {
      EXPECT_EQ(back.AsString(), c.Value.AsString());
    }
  }
  // The ten-byte form of 1.0: mantissa 8000000000000000, exponent 3FFF.
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual, B({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}),
                      Written(Variant(1.0)));
  // Booleans read back with every bit set; a double survives the extended form unchanged.
  EXPECT_EQ(ReadBack(B({9})).RawInt(), -1);
  EXPECT_EQ(ReadBack(Written(Variant(0.1))).AsDouble(), 0.1);
  EXPECT_EQ(ReadBack(Written(Variant(-1.0 / 3))).AsDouble(), -1.0 / 3);
}

TEST(vxVariants, ByteStringLengthChoosesTheTag) {
  std::string s255 = Written(Variant(AnsiString(255, 'x')));
  EXPECT_EQ(s255.size(), 257u);
  EXPECT_EQ(s255.substr(0, 2), B({6, 255}));
  std::string s256 = Written(Variant(AnsiString(256, 'y')));
  EXPECT_EQ(s256.size(), 261u);
  EXPECT_EQ(s256.substr(0, 5), B({12, 0, 1, 0, 0}));
  EXPECT_EQ(ReadBack(s256).AsString(), AnsiString(256, 'y'));
}

TEST(vxVariants, ArraysStreamTheirElements) {
  Variant a = Variant::CreateArray(1, 3);  // written from its low bound, read back from 0
  a[1] = 1;
  a[2] = "z";
  a[3] = Variant::Null();
  std::string bytes = Written(a);
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual, B({1, 2, 3, 2, 1, 6, 1, 'z', 0}), bytes);
  Variant back = ReadBack(bytes);
  ASSERT_TRUE(back.IsArray());
  EXPECT_EQ(back.ArrayLowBound(1), 0);
  EXPECT_EQ(back.ArrayHighBound(1), 2);
  EXPECT_EQ(VarCompare(a, back), 0);
  EXPECT_TRUE(ReadBack(B({1, 2, 0})).IsArray());  // an empty array
}

TEST(vxVariants, WriteErrors) {
  TMemoryStream s;
  try {
    WriteVariant(s, Variant::CreateArray({{0, 1}, {0, 1}}));
    FAIL();
  } catch (const EvxStreamWriteError& e) {
    EXPECT_EQ(e.Message(), AnsiString("Stream write error"));
  }
  EXPECT_THROW(WriteVariant(s, Variant::CreateArray({{0, 0}, {0, 0}, {0, 0}})), EWriteError);
}

TEST(vxVariants, ReadErrors) {
  // Tags with no meaning here.
  for (int tag : {7, 10, 11, 14, 19, 20, 255}) ExpectReadError(B({tag}));
  // Truncated payloads.
  ExpectReadError("");
  ExpectReadError(B({2}));
  ExpectReadError(B({3, 1}));
  ExpectReadError(B({4, 1, 2, 3}));
  ExpectReadError(B({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF}));
  ExpectReadError(B({15, 0, 0, 0}));
  ExpectReadError(B({16, 1, 2, 3, 4, 5, 6, 7}));
  ExpectReadError(B({17, 1}));
  // Lengths and counts larger than what is left: refused before anything is allocated.
  ExpectReadError(B({6, 3, 'a', 'b'}));
  ExpectReadError(B({12, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}));  // 2 GB claimed
  ExpectReadError(B({12, 0xFF, 0xFF, 0xFF, 0xFF}));       // negative length
  ExpectReadError(B({18, 2, 0, 0, 0, 'a', 0, 'b'}));      // three bytes for two characters
  ExpectReadError(B({18, 0, 0, 0, 0x40, 0, 0}));          // a billion characters
  ExpectReadError(B({1, 4, 0xFF, 0xFF, 0xFF, 0x7F}));     // a huge element count
  ExpectReadError(B({1, 2, 0xFF}));                      // a negative element count
  ExpectReadError(B({1, 2, 3, 13, 13}));                  // three elements, two present
  ExpectReadError(B({1, 5, 1}));                          // the count is no compact integer
  // Arrays nested beyond any honest depth.
  std::string nested;
  for (int i = 0; i < 100000; ++i) nested += B({1, 2, 1});
  nested += B({13});
  ExpectReadError(nested);
  // Nested arrays that each claim nearly the whole stream: nothing is reserved for elements
  // that are not there (reserving up front would need many times the stream's size).
  const int32_t total = 8 << 20;
  std::string claims;
  for (int level = 0; level < 40; ++level) {
    int32_t count = total - static_cast<int32_t>(claims.size()) - 6;
    claims += B({1, 4});
    claims.append(reinterpret_cast<const char*>(&count), 4);
  }
  claims += B({7});
  claims.resize(static_cast<size_t>(total), '\x0D');
  ExpectReadError(claims);
  // Typed helpers check their lengths the same way.
  TMemoryStream s;
  s.WriteString(B({5, 0, 0, 0, 'a'}));
  s.SetPosition(0);
  EXPECT_THROW(ReadAnsiStringProc(s), EvxStreamReadError);
  s.SetPosition(0);
  EXPECT_THROW(ReadWideStringProc(s), EvxStreamReadError);
}

namespace {

// One value of each typed helper, in the order ReadTypedSample reads them.
void WriteTypedSample(TStream& s) {
  WriteAnsiStringProc(s, "表示");
  WriteWideStringProc(s, L"表示");
  WriteBooleanProc(s, true);
  WriteSmallIntProc(s, -2);
  WriteWordProc(s, 65535);
  WriteIntegerProc(s, -3);
  WriteInt64Proc(s, INT64_MIN);
  WriteDoubleProc(s, 0.25);
  WriteCurrencyProc(s, 15000);
  WriteExtendedProc(s, 1.0L / 3);
}

void ReadTypedSample(TStream& s) {
  ReadAnsiStringProc(s);
  ReadWideStringProc(s);
  ReadBooleanProc(s);
  ReadSmallIntProc(s);
  ReadWordProc(s);
  ReadIntegerProc(s);
  ReadInt64Proc(s);
  ReadDoubleProc(s);
  ReadCurrencyProc(s);
  ReadExtendedProc(s);
}

}  // namespace

TEST(vxVariants, TypedHelpersRoundTrip) {
  TMemoryStream s;
  WriteTypedSample(s);
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual, B({4, 0, 0, 0, 0x95, 0x5C, 0x8E, 0xA6}), s.Bytes().substr(0, 8));
  EXPECT_EQ(s.Size(), 8 + 8 + 1 + 2 + 2 + 4 + 8 + 8 + 8 + 10);
  s.SetPosition(0);
  EXPECT_EQ(ReadAnsiStringProc(s), AnsiString("表示"));
  EXPECT_EQ(ReadWideStringProc(s), WideString(L"表示"));
  EXPECT_TRUE(ReadBooleanProc(s));
  EXPECT_EQ(ReadSmallIntProc(s), -2);
  EXPECT_EQ(ReadWordProc(s), 65535);
  EXPECT_EQ(ReadIntegerProc(s), -3);
  EXPECT_EQ(ReadInt64Proc(s), INT64_MIN);
  EXPECT_EQ(ReadDoubleProc(s), 0.25);
  EXPECT_EQ(ReadCurrencyProc(s), 15000);
  EXPECT_EQ(ReadExtendedProc(s), 1.0L / 3);
  EXPECT_THROW(ReadBooleanProc(s), EvxStreamReadError);
}

TEST(vxVariants, Ordering) {
  auto arr = [](int low, std::initializer_list<Variant> items) {
    Variant a = Variant::CreateArray(low, low + static_cast<int>(items.size()) - 1);
    int i = low;
    for (const auto& v : items) a[i++] = v;
    return a;
  };
  // A null before everything, also before empty and negative numbers.
  EXPECT_LT(VarCompare(Variant::Null(), Variant(-1)), 0);
  EXPECT_LT(VarCompare(Variant::Null(), Variant()), 0);
  EXPECT_GT(VarCompare(Variant(""), Variant::Null()), 0);
  EXPECT_EQ(VarCompare(Variant::Null(), Variant::Null()), 0);
  EXPECT_LT(VarCompare(Variant(1), Variant(2.5)), 0);
  EXPECT_GT(VarCompare(Variant("b"), Variant("a")), 0);
  EXPECT_EQ(VarCompare(Variant(10), Variant("10")), 0);
  // Arrays: by length first, then by the first differing element.
  EXPECT_LT(VarCompare(arr(0, {9, 9}), arr(0, {1, 1, 1})), 0);
  EXPECT_GT(VarCompare(arr(0, {1, 3}), arr(0, {1, 2})), 0);
  EXPECT_EQ(VarCompare(arr(0, {1, "x"}), arr(0, {1, "x"})), 0);
  EXPECT_LT(VarCompare(arr(0, {Variant::Null()}), arr(0, {0})), 0);
  // Each array from its own lower bound.
  EXPECT_EQ(VarCompare(arr(1, {1, 2, 3}), arr(1, {1, 2, 3})), 0);
  EXPECT_EQ(VarCompare(arr(5, {1, 2}), arr(0, {1, 2})), 0);
  EXPECT_LT(VarCompare(arr(5, {1, 2}), arr(-3, {1, 3})), 0);
  // An array orders after any scalar.
  EXPECT_GT(VarCompare(arr(0, {}), Variant(1000)), 0);
  EXPECT_LT(VarCompare(Variant::Null(), arr(0, {})), 0);
  // Two-dimensional arrays: three rows but no columns hold no elements at all; their
  // elements are never read past the storage.
  Variant flat = Variant::CreateArray({{0, 2}, {0, -1}});
  EXPECT_THROW(VarCompare(flat, flat), EVariantInvalidOpError);
  EXPECT_THROW(VarCompare(Variant::CreateArray({{0, 1}, {0, 1}}), arr(0, {1, 2})), EVariantInvalidOpError);
  EXPECT_EQ(VarCompare(Variant::CreateArray({{0, -1}, {0, 3}}), arr(0, {})), 0);
}

TEST(vxVariants, EqualityAndTypeTests) {
  EXPECT_TRUE(VarEqualsSoft(Variant(true), Variant("True")));
  EXPECT_FALSE(VarEqualsSoft(Variant(true), Variant("-1")));  // as texts, not numbers
  EXPECT_TRUE(VarEquals(Variant(true), Variant("-1")));
  EXPECT_FALSE(VarEqualsSoft(Variant(true), Variant::Null()));
  EXPECT_TRUE(VarEqualsSoft(Variant(3), Variant(3.0)));
  EXPECT_TRUE(VarIsDate(Variant::FromDate(1)));
  EXPECT_FALSE(VarIsDate(Variant(1.0)));
  EXPECT_TRUE(VarIsNumericEx(Variant::FromCurrency(1)));
  EXPECT_TRUE(VarIsNumericEx(Variant(true)));
  EXPECT_FALSE(VarIsNumericEx(Variant("1")));
  EXPECT_TRUE(VarIsNullOrEmptyString(Variant::Null()));
  EXPECT_TRUE(VarIsNullOrEmptyString(Variant("")));
  EXPECT_TRUE(VarIsNullOrEmptyString(Variant(L"")));
  EXPECT_FALSE(VarIsNullOrEmptyString(Variant()));
  EXPECT_FALSE(VarIsNullOrEmptyString(Variant(" ")));
}

TEST(vxVariants, StreamErrorsAreTranslated) {
  vxAddResourceStringTranslation("Stream read error", "ストリーム読み込みエラー");
  TMemoryStream s;
  s.WriteString(B({7}));
  s.SetPosition(0);
  try {
    ReadVariant(s);
    ADD_FAILURE();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), AnsiString("ストリーム読み込みエラー"));
  }
  vxClearResourceStringTranslations();
}

TEST(vxVariants, MutatedStreamsReadOrRaiseTheReadError) {
  Variant inner = Variant::CreateArray(0, 2);
  inner[0] = L"表示";
  inner[1] = Variant::FromCurrency(123456);
  inner[2] = Variant::Null();
  Variant outer = Variant::CreateArray(0, 7);
  outer[0] = 200;
  outer[1] = -70000;
  outer[2] = AnsiString(300, 'x');
  outer[3] = "ソフト";
  outer[4] = 2.5;
  outer[5] = true;
  outer[6] = inner;
  outer[7] = Variant::FromDate(45000.5);
  TMemoryStream typed;
  WriteTypedSample(typed);
  const std::string samples[] = {Written(outer), typed.Bytes()};
  testsupport::TInputMutator mutator(20240619);
  int read = 0;
  for (int i = 0; i < 600; ++i) {
    const bool variant = i % 2 == 0;
    TMemoryStream s;
    s.WriteString(mutator.Mutate(samples[variant ? 0 : 1]));
    s.SetPosition(0);
    try {
      if (variant) {
        // What was read writes back.
        TMemoryStream again;
        WriteVariant(again, ReadVariant(s));
      } else {
        ReadTypedSample(s);
      }
      ++read;
    } catch (const EvxStreamReadError& e) {
      EXPECT_EQ(AnsiString("Stream read error"), e.Message()) << "input " << i;
    }
  }
  EXPECT_GT(read, 50);
}
