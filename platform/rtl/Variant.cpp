#include "platform/rtl/Variant.h"

#include "platform/rtl/DateTime.h"
#include "platform/rtl/FloatFormat.h"

#include <windows.h>

#include <cmath>
#include <limits>

namespace {

bool IsIntegerKind(uint16_t t) {
  switch (t) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64: case varBoolean:
      return true;
    default:
      return false;
  }
}

[[noreturn]] void Overflow() { throw EVariantOverflowError("Arithmetic overflow"); }

int64_t RoundToInt64(long double v) {
  long double r = std::nearbyint(v);  // half to even, the FPU's rounding
  if (!(r >= -9223372036854775808.0L && r < 9223372036854775808.0L)) Overflow();
  return static_cast<int64_t>(r);
}

int64_t CheckRange(int64_t v, int64_t lo, int64_t hi) {
  if (v < lo || v > hi) Overflow();
  return v;
}

int Sign(long double d) { return d < 0 ? -1 : (d > 0 ? 1 : 0); }

TVariantRelationship FromSign(int s) {
  return s < 0 ? TVariantRelationship::vrLessThan
               : (s > 0 ? TVariantRelationship::vrGreaterThan : TVariantRelationship::vrEqual);
}

int CompareWide(const WideString& a, const WideString& b) {
  int r = CompareStringW(LOCALE_USER_DEFAULT, 0, a.data(), static_cast<int>(a.size()), b.data(),
                         static_cast<int>(b.size()));
  if (r == 0) return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);  // the system refused: code units
  return r - CSTR_EQUAL;
}

int CompareAnsi(const AnsiString& a, const AnsiString& b) {
  int r = CompareStringA(LOCALE_USER_DEFAULT, 0, a.data(), static_cast<int>(a.size()), b.data(),
                         static_cast<int>(b.size()));
  if (r == 0) return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
  return r - CSTR_EQUAL;
}

int CompareStrings(const Variant& a, const Variant& b) {
  if (a.VarType() == varString && b.VarType() == varString) return CompareAnsi(a.AsString(), b.AsString());
  return CompareWide(a.AsWideString(), b.AsWideString());
}

// Both sides are numbers, booleans or dates (Empty already replaced by 0).
int CompareNumbers(const Variant& a, const Variant& b) {
  uint16_t ta = a.VarType(), tb = b.VarType();
  if (IsIntegerKind(ta) && IsIntegerKind(tb)) {
    // Unsigned 32-bit values fit a signed 64-bit integer, so one comparison covers all.
    int64_t x = a.RawInt(), y = b.RawInt();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  if (ta == varCurrency && tb == varCurrency) {
    int64_t x = a.RawInt(), y = b.RawInt();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  long double x = a.AsExtended(), y = b.AsExtended();
  return Sign(x - y);
}

}  // namespace

// --- Construction ---------------------------------------------------------------------

Variant::Variant(const Variant& other)
    : FType(other.FType), FInt(other.FInt), FDouble(other.FDouble), FStr(other.FStr), FWStr(other.FWStr) {
  if (other.FArray) FArray = std::make_unique<TArrayData>(*other.FArray);
}

Variant& Variant::operator=(const Variant& other) {
  if (this != &other) {
    Variant copy(other);
    *this = std::move(copy);
  }
  return *this;
}

Variant::~Variant() = default;

Variant Variant::Null() {
  Variant v;
  v.FType = varNull;
  return v;
}

Variant Variant::FromShortInt(int8_t x) {
  Variant v(static_cast<int32_t>(x));
  v.FType = varShortInt;
  return v;
}

Variant Variant::FromByte(uint8_t x) {
  Variant v(static_cast<int32_t>(x));
  v.FType = varByte;
  return v;
}

Variant Variant::FromWord(uint16_t x) {
  Variant v(static_cast<int32_t>(x));
  v.FType = varWord;
  return v;
}

Variant Variant::FromLongWord(uint32_t x) {
  Variant v(static_cast<int64_t>(x));
  v.FType = varLongWord;
  return v;
}

Variant Variant::FromCurrency(int64_t scaled) {
  Variant v(scaled);
  v.FType = varCurrency;
  return v;
}

Variant Variant::FromDate(double dt) {
  Variant v(dt);
  v.FType = varDate;
  return v;
}

Variant Variant::CreateArray(const std::vector<TVarArrayBound>& bounds) {
  if (bounds.empty()) throw EVariantInvalidOpError("Invalid variant operation");
  size_t count = 1;
  for (const auto& b : bounds) {
    if (b.HighBound < b.LowBound - 1) throw EVariantBadIndexError("Variant or safe array index out of bounds");
    count *= static_cast<size_t>(b.ElementCount());
  }
  Variant v;
  v.FType = varArray | varVariant;
  v.FArray = std::make_unique<TArrayData>();
  v.FArray->Bounds = bounds;
  v.FArray->Items.resize(count);
  return v;
}

bool Variant::IsNumeric() const {
  return IsIntegerKind(FType) || FType == varSingle || FType == varDouble || FType == varCurrency;
}

bool Variant::IsOrdinal() const { return IsIntegerKind(FType); }

// --- Arrays ---------------------------------------------------------------------------

int Variant::ArrayDimCount() const { return FArray ? static_cast<int>(FArray->Bounds.size()) : 0; }

int Variant::ArrayLowBound(int dim) const {
  if (!FArray || dim < 1 || dim > ArrayDimCount()) throw EVariantInvalidOpError("Invalid variant operation");
  return FArray->Bounds[static_cast<size_t>(dim - 1)].LowBound;
}

int Variant::ArrayHighBound(int dim) const {
  if (!FArray || dim < 1 || dim > ArrayDimCount()) throw EVariantInvalidOpError("Invalid variant operation");
  return FArray->Bounds[static_cast<size_t>(dim - 1)].HighBound;
}

const Variant& Variant::operator[](int index) const {
  if (!FArray || FArray->Bounds.size() != 1) throw EVariantInvalidOpError("Invalid variant operation");
  const TVarArrayBound& b = FArray->Bounds[0];
  if (index < b.LowBound || index > b.HighBound)
    throw EVariantBadIndexError("Variant or safe array index out of bounds");
  return FArray->Items[static_cast<size_t>(index - b.LowBound)];
}

Variant& Variant::operator[](int index) {
  return const_cast<Variant&>(static_cast<const Variant&>(*this)[index]);
}

std::vector<Variant>& Variant::Elements() {
  if (!FArray) throw EVariantInvalidOpError("Invalid variant operation");
  return FArray->Items;
}

const std::vector<Variant>& Variant::Elements() const {
  if (!FArray) throw EVariantInvalidOpError("Invalid variant operation");
  return FArray->Items;
}

// --- Conversions ----------------------------------------------------------------------

AnsiString Variant::TypeName(uint16_t t) {
  if (t & varArray) return "Array " + TypeName(static_cast<uint16_t>(t & ~varArray));
  switch (t) {
    case varEmpty: return "Empty";
    case varNull: return "Null";
    case varSmallint: return "Smallint";
    case varInteger: return "Integer";
    case varSingle: return "Single";
    case varDouble: return "Double";
    case varCurrency: return "Currency";
    case varDate: return "Date";
    case varOleStr: return "OleStr";
    case varBoolean: return "Boolean";
    case varVariant: return "Variant";
    case varShortInt: return "ShortInt";
    case varByte: return "Byte";
    case varWord: return "Word";
    case varLongWord: return "LongWord";
    case varInt64: return "Int64";
    case varString: return "String";
    default: return "Unknown";
  }
}

void Variant::CastError(uint16_t to) const {
  throw EVariantTypeCastError("Could not convert variant of type (" + TypeName(FType) + ") into type (" +
                              TypeName(to) + ")");
}

int64_t Variant::AsInt64() const {
  if (IsIntegerKind(FType)) return FInt;
  switch (FType) {
    case varEmpty: return 0;
    case varSingle: case varDouble: case varDate: return RoundToInt64(FDouble);
    case varCurrency: return RoundToInt64(static_cast<long double>(FInt) / 10000.0L);
    case varString: case varOleStr: {
      AnsiString s = AsString();
      int64_t i = 0;
      if (TryStrToInt64(s, i)) return i;
      long double d = 0;
      if (TryStrToFloat(s, d)) return RoundToInt64(d);
      if (SameText(Trim(s), "True")) return -1;
      if (SameText(Trim(s), "False")) return 0;
      break;
    }
    default: break;
  }
  CastError(varInt64);
}

int32_t Variant::AsInteger() const {
  return static_cast<int32_t>(CheckRange(AsInt64(), INT32_MIN, INT32_MAX));
}

long double Variant::AsExtended() const {
  if (IsIntegerKind(FType)) return static_cast<long double>(FInt);
  switch (FType) {
    case varEmpty: return 0;
    case varSingle: case varDouble: case varDate: return FDouble;
    case varCurrency: return static_cast<long double>(FInt) / 10000.0L;
    case varString: case varOleStr: {
      AnsiString s = AsString();
      long double d = 0;
      if (TryStrToFloat(s, d)) return d;
      if (SameText(Trim(s), "True")) return -1;
      if (SameText(Trim(s), "False")) return 0;
      break;
    }
    default: break;
  }
  CastError(varDouble);
}

double Variant::AsDouble() const {
  long double d = AsExtended();
  if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<double>::max()) Overflow();
  return static_cast<double>(d);
}

int64_t Variant::AsCurrency() const {
  if (FType == varCurrency) return FInt;
  if (FType == varNull) CastError(varCurrency);
  long double s = std::nearbyint(AsExtended() * 10000.0L);
  if (!(s >= -9223372036854775808.0L && s < 9223372036854775808.0L)) Overflow();
  return static_cast<int64_t>(s);
}

double Variant::AsDate() const {
  if (FType == varNull || FType == varString || FType == varOleStr) {
    // Text as a number of days is accepted; date texts need the date parser of the editors.
    long double d = 0;
    if (FType != varNull && TryStrToFloat(AsString(), d)) return static_cast<double>(d);
    CastError(varDate);
  }
  return AsDouble();
}

bool Variant::AsBoolean() const {
  if (IsIntegerKind(FType) || FType == varCurrency) return FInt != 0;
  switch (FType) {
    case varEmpty: return false;
    case varSingle: case varDouble: case varDate: return FDouble != 0;
    case varString: case varOleStr: {
      AnsiString s = Trim(AsString());
      if (SameText(s, "True")) return true;
      if (SameText(s, "False")) return false;
      long double d = 0;
      if (TryStrToFloat(s, d)) return d != 0;
      break;
    }
    default: break;
  }
  CastError(varBoolean);
}

AnsiString Variant::AsString() const {
  switch (FType) {
    case varEmpty: return "";
    case varString: return FStr;
    case varOleStr: return WideToAnsi(FWStr);
    case varBoolean: return FInt ? "True" : "False";
    case varSingle: return FloatToStrF(FDouble, TFloatFormat::ffGeneral, 7, 0);
    case varDouble: return FloatToStr(FDouble);
    case varCurrency: return CurrToStr(FInt, GetFormatSettings());
    case varDate: {
      double frac = FDouble - std::trunc(FDouble);
      return frac == 0 ? FormatDateTime("ddddd", FDouble) : FormatDateTime("ddddd tt", FDouble);
    }
    default:
      if (IsIntegerKind(FType)) return IntToStr(FInt);
      CastError(varString);
  }
}

WideString Variant::AsWideString() const {
  if (FType == varOleStr) return FWStr;
  if (FType == varNull) CastError(varOleStr);
  return AnsiToWide(AsString());
}

Variant VarAsType(const Variant& v, uint16_t t) {
  if (v.VarType() == t || t == varVariant) return v;
  if (v.IsNull()) {
    if (t == varNull) return v;
    throw EVariantTypeCastError("Could not convert variant of type (Null) into type (" + Variant::TypeName(t) + ")");
  }
  if (v.IsArray()) throw EVariantTypeCastError("Could not convert variant of type (" + Variant::TypeName(v.VarType()) +
                                               ") into type (" + Variant::TypeName(t) + ")");
  switch (t) {
    case varEmpty: return Variant();
    case varNull: return Variant::Null();
    case varSmallint: return Variant(static_cast<int16_t>(CheckRange(v.AsInt64(), INT16_MIN, INT16_MAX)));
    case varInteger: return Variant(v.AsInteger());
    case varSingle: {
      double d = v.AsDouble();
      if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()) Overflow();
      return Variant(static_cast<float>(d));
    }
    case varDouble: return Variant(v.AsDouble());
    case varCurrency: return Variant::FromCurrency(v.AsCurrency());
    case varDate: return Variant::FromDate(v.AsDate());
    case varOleStr: return Variant(v.AsWideString());
    case varBoolean: return Variant(v.AsBoolean());
    case varShortInt: return Variant::FromShortInt(static_cast<int8_t>(CheckRange(v.AsInt64(), -128, 127)));
    case varByte: return Variant::FromByte(static_cast<uint8_t>(CheckRange(v.AsInt64(), 0, 255)));
    case varWord: return Variant::FromWord(static_cast<uint16_t>(CheckRange(v.AsInt64(), 0, 65535)));
    case varLongWord: return Variant::FromLongWord(static_cast<uint32_t>(CheckRange(v.AsInt64(), 0, UINT32_MAX)));
    case varInt64: return Variant(v.AsInt64());
    case varString: return Variant(v.AsString());
    default: break;
  }
  throw EVariantTypeCastError("Could not convert variant of type (" + Variant::TypeName(v.VarType()) +
                              ") into type (" + Variant::TypeName(t) + ")");
}

// --- Comparison -----------------------------------------------------------------------

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
  if (a.IsArray() || b.IsArray()) throw EVariantInvalidOpError("Invalid variant operation");
  if (a.IsNull() || b.IsNull())
    return a.IsNull() && b.IsNull() ? TVariantRelationship::vrEqual : TVariantRelationship::vrNotEqual;
  // Empty takes the other side's kind: "" against text, 0 against everything else.
  if (a.IsEmpty() || b.IsEmpty()) {
    if (a.IsEmpty() && b.IsEmpty()) return TVariantRelationship::vrEqual;
    const Variant& other = a.IsEmpty() ? b : a;
    Variant zero = other.IsString() ? Variant(AnsiString()) : Variant(int32_t(0));
    return a.IsEmpty() ? VarCompareValue(zero, b) : VarCompareValue(a, zero);
  }
  if (a.IsString() && b.IsString()) return FromSign(CompareStrings(a, b));
  if (a.IsString() || b.IsString()) {
    const Variant& text = a.IsString() ? a : b;
    long double d = 0;
    if (TryStrToFloat(text.AsString(), d)) {
      Variant number = Variant(static_cast<double>(d));
      return a.IsString() ? FromSign(CompareNumbers(number, b)) : FromSign(CompareNumbers(a, number));
    }
    // Text that is no number: the number's text against it.
    return FromSign(CompareWide(a.AsWideString(), b.AsWideString()));
  }
  return FromSign(CompareNumbers(a, b));
}

bool operator==(const Variant& a, const Variant& b) {
  return VarCompareValue(a, b) == TVariantRelationship::vrEqual;
}

bool operator<(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return a.IsNull() && !b.IsNull();
  return VarCompareValue(a, b) == TVariantRelationship::vrLessThan;
}
