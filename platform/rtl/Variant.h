// The runtime's tagged value: a type code plus its payload, as the platform's variants hold
// them (codes below are the platform's, streams and callers depend on them).
//
// Conversions and comparison, all in one place:
//
// Conversions (AsXxx, VarAsType):
//  - Empty converts to 0, False, "" and the date 0; Null converts to nothing and raises
//    EVariantTypeCastError (callers test IsNull first).
//  - Numbers to integers round half to even (the FPU's default rounding); out of range raises
//    EVariantOverflowError.
//  - Booleans are numbers: True is -1, False 0; a number is True when it is not 0.
//  - Strings to numbers use the locale's decimal separator (FloatFormat.h); "True"/"False"
//    (letter case ignored) also convert to booleans. Text that is no number raises
//    EVariantTypeCastError. A string converts to a date only as a day number: date texts
//    need the editors' date parser.
//  - Numbers to strings: integers in decimal, floats in the general format with 15 digits
//    (single with 7), currency with up to four decimals, booleans as "True"/"False", dates
//    as the locale's short date (and long time when the time part is not 0).
//
// Comparison (VarCompareValue, operator==, operator<):
//  - Null equals only Null, and orders before every other value.
//  - Empty against a string counts as "", otherwise as 0.
//  - Two strings compare as the locale compares text (CompareString, case-sensitive); a byte
//    string and a wide string compare as wide strings.
//  - A string against a number is converted to the number when it can be; when it cannot,
//    the number is converted to a string and the two compare as strings (no exception).
//  - Two integer kinds (including booleans, 64-bit and unsigned) compare exactly as 64-bit
//    integers; two currencies exactly by their scaled values; anything else as doubles
//    (currency as value / 10000, dates by their day number).
//  - Arrays do not compare with these operators (EVariantInvalidOpError); the control
//    library orders them element by element itself.
#pragma once

#include "platform/rtl/SysExceptions.h"
#include "platform/rtl/SysStrings.h"

#include <cstdint>
#include <memory>
#include <vector>

enum TVarType : uint16_t {
  varEmpty = 0,
  varNull = 1,
  varSmallint = 2,
  varInteger = 3,
  varSingle = 4,
  varDouble = 5,
  varCurrency = 6,
  varDate = 7,
  varOleStr = 8,
  varBoolean = 11,
  varVariant = 12,
  varShortInt = 16,
  varByte = 17,
  varWord = 18,
  varLongWord = 19,
  varInt64 = 20,
  varString = 256,
  varArray = 0x2000,
};

class EVariantError : public Exception {
public:
  using Exception::Exception;
  const char* ClassName() const override { return "EVariantError"; }
};
class EVariantTypeCastError : public EVariantError {
public:
  using EVariantError::EVariantError;
  const char* ClassName() const override { return "EVariantTypeCastError"; }
};
class EVariantOverflowError : public EVariantError {
public:
  using EVariantError::EVariantError;
  const char* ClassName() const override { return "EVariantOverflowError"; }
};
class EVariantInvalidOpError : public EVariantError {
public:
  using EVariantError::EVariantError;
  const char* ClassName() const override { return "EVariantInvalidOpError"; }
};
class EVariantBadIndexError : public EVariantError {
public:
  using EVariantError::EVariantError;
  const char* ClassName() const override { return "EVariantBadIndexError"; }
};

struct TVarArrayBound {
  int LowBound;
  int HighBound;
  int ElementCount() const { return HighBound - LowBound + 1; }
};

class Variant {
public:
  Variant() = default;  // Empty
  Variant(const Variant& other);
  Variant(Variant&& other) noexcept = default;
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept = default;
  ~Variant();

  Variant(int32_t v) : FType(varInteger), FInt(v) {}
  Variant(int16_t v) : FType(varSmallint), FInt(v) {}
  Variant(int64_t v) : FType(varInt64), FInt(v) {}
  Variant(double v) : FType(varDouble), FDouble(v) {}
  Variant(float v) : FType(varSingle), FDouble(v) {}
  Variant(bool v) : FType(varBoolean), FInt(v ? -1 : 0) {}
  Variant(const AnsiString& v) : FType(varString), FStr(v) {}
  Variant(const char* v) : FType(varString), FStr(v) {}
  Variant(const WideString& v) : FType(varOleStr), FWStr(v) {}
  Variant(const wchar_t* v) : FType(varOleStr), FWStr(v) {}

  static Variant Null();
  static Variant FromShortInt(int8_t v);
  static Variant FromByte(uint8_t v);
  static Variant FromWord(uint16_t v);
  static Variant FromLongWord(uint32_t v);
  static Variant FromCurrency(int64_t scaledBy10000);
  static Variant FromDate(double dateTime);
  // An array of variants (every element Empty) with one bound pair per dimension.
  static Variant CreateArray(const std::vector<TVarArrayBound>& bounds);
  static Variant CreateArray(int lowBound, int highBound) { return CreateArray({{lowBound, highBound}}); }

  // The type code; arrays have varArray | varVariant.
  uint16_t VarType() const { return FType; }
  bool IsEmpty() const { return FType == varEmpty; }
  bool IsNull() const { return FType == varNull; }
  bool IsArray() const { return (FType & varArray) != 0; }
  bool IsString() const { return FType == varString || FType == varOleStr; }
  bool IsNumeric() const;  // ordinal kinds (booleans too), single, double, currency; not dates
  bool IsOrdinal() const;  // integer kinds and booleans

  // Array access: dimension numbers start at 1 as on the platform.
  int ArrayDimCount() const;
  int ArrayLowBound(int dim) const;
  int ArrayHighBound(int dim) const;
  // Element by its index in a one-dimensional array (bounds checked: EVariantBadIndexError).
  Variant& operator[](int index);
  const Variant& operator[](int index) const;
  // Every element in storage order (first dimension fastest).
  std::vector<Variant>& Elements();
  const std::vector<Variant>& Elements() const;

  // Raw payloads (valid only for the matching type).
  int64_t RawInt() const { return FInt; }
  double RawDouble() const { return FDouble; }

  // Conversions (see the header comment).
  int32_t AsInteger() const;
  int64_t AsInt64() const;
  double AsDouble() const;
  long double AsExtended() const;
  int64_t AsCurrency() const;  // scaled by 10 000
  double AsDate() const;
  bool AsBoolean() const;
  AnsiString AsString() const;
  WideString AsWideString() const;

  // The type name as the platform's error messages print it ("Integer", "String", ...).
  static AnsiString TypeName(uint16_t varType);

private:
  struct TArrayData {
    std::vector<TVarArrayBound> Bounds;
    std::vector<Variant> Items;
  };

  [[noreturn]] void CastError(uint16_t to) const;

  uint16_t FType = varEmpty;
  int64_t FInt = 0;       // integer kinds, booleans, currency (scaled)
  double FDouble = 0;     // single, double, date
  AnsiString FStr;
  WideString FWStr;
  std::unique_ptr<TArrayData> FArray;
};

// The variant converted to another type code (varString, varOleStr, numbers, varBoolean,
// varDate, varCurrency, varEmpty, varNull); Null converts only to Null and varVariant.
Variant VarAsType(const Variant& v, uint16_t varType);

enum class TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };
// The comparison rules of the header comment; vrNotEqual when exactly one side is Null.
TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);
bool operator==(const Variant& a, const Variant& b);
inline bool operator!=(const Variant& a, const Variant& b) { return !(a == b); }
// Null is less than every other value.
bool operator<(const Variant& a, const Variant& b);
