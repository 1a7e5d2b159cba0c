#include "controls/vxDataStorage.h"

#include "controls/vxVariants.h"

#include "platform/rtl/DateTime.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/FormatSettings.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

template <typename T>
T Load(const void* buffer) {
  T v;
  std::memcpy(&v, buffer, sizeof v);
  return v;
}

template <typename T>
void Store(void* buffer, T v) {
  std::memcpy(buffer, &v, sizeof v);
}

template <typename T>
int Order(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

// Cells of the reference types: the slot holds the cell's address or null.
template <typename Cell>
Cell* CellOf(const void* slot) {
  return Load<Cell*>(slot);
}

template <typename Cell>
void FreeCell(void* slot) {
  delete CellOf<Cell>(slot);
  Store<Cell*>(slot, nullptr);
}

template <typename Cell>
void SetCell(void* slot, const Cell& value) {
  if (Cell* cell = CellOf<Cell>(slot)) {
    *cell = value;
    return;
  }
  Store<Cell*>(slot, new Cell(value));
}

// Absent cells order first; both absent are equal.
template <typename Cell>
int CompareCells(const Cell* a, const Cell* b) {
  if (a == nullptr || b == nullptr) return a == b ? 0 : (a == nullptr ? -1 : 1);
  int r = a->compare(*b);  // code units, as unsigned bytes / UTF-16 units
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

std::unique_ptr<TvxValueTypeClassList> GValueTypeClassList;

// The library's types in their registration order.
std::vector<TvxValueTypeClass> RegisteredTypes() {
  return {
      &TvxStringValueType::Instance(),   &TvxWideStringValueType::Instance(), &TvxSmallintValueType::Instance(),
      &TvxIntegerValueType::Instance(),  &TvxWordValueType::Instance(),       &TvxBooleanValueType::Instance(),
      &TvxFloatValueType::Instance(),    &TvxCurrencyValueType::Instance(),   &TvxDateTimeValueType::Instance(),
      &TvxLargeIntValueType::Instance(), &TvxFMTBcdValueType::Instance(),     &TvxSQLTimeStampValueType::Instance(),
      &TvxVariantValueType::Instance(),  &TvxObjectValueType::Instance(),
  };
}

}  // namespace

// --- Base -----------------------------------------------------------------------------

const TvxValueType& TvxValueType::Instance() {
  static const TvxValueType instance;
  return instance;
}

int TvxValueType::CompareValues(const void* p1, const void* p2) const {
  PrepareValueBuffer(p1);
  PrepareValueBuffer(p2);
  return Compare(p1, p2);
}

void TvxValueType::FreeTextBuffer(TvxTextCell& text) const {
  delete text;
  text = nullptr;
}

AnsiString TvxValueType::GetDefaultDisplayText(const void* buffer) const {
  Variant v = GetDataValue(buffer);
  return v.IsNull() ? AnsiString() : v.AsString();
}

AnsiString TvxValueType::GetDisplayText(const TvxTextCell& text) const { return text ? *text : AnsiString(); }

void TvxValueType::ReadDataValue(void* buffer, TStream& stream) const { SetDataValue(buffer, ReadVariant(stream)); }

void TvxValueType::ReadDisplayText(TvxTextCell& text, TStream& stream) const {
  SetDisplayText(text, ReadAnsiStringProc(stream));
}

void TvxValueType::SetDisplayText(TvxTextCell& text, const AnsiString& value) const {
  if (text == nullptr) text = new AnsiString(value);
  else *text = value;
}

void TvxValueType::WriteDataValue(const void* buffer, TStream& stream) const {
  WriteVariant(stream, GetDataValue(buffer));
}

void TvxValueType::WriteDisplayText(const TvxTextCell& text, TStream& stream) const {
  WriteAnsiStringProc(stream, GetDisplayText(text));
}

AnsiString TvxValueType::Caption() const {
  AnsiString name = ClassName();
  if (name.compare(0, 3, "Tvx") == 0) name.erase(0, 3);
  size_t pos = name.find("ValueType");
  if (pos != std::string::npos) name.erase(pos, 9);
  return name;
}

int TvxValueType::Compare(const void* p1, const void* p2) const {
  return VarCompare(GetDataValue(p1), GetDataValue(p2));
}

bool TvxValueType::IsValueValid(Variant& value) const {
  if (value.IsNull() || GetVarType() == varVariant) return true;
  value = VarAsType(value, static_cast<uint16_t>(GetVarType()));
  return true;
}

// --- Byte strings ---------------------------------------------------------------------

const TvxStringValueType& TvxStringValueType::Instance() {
  static const TvxStringValueType instance;
  return instance;
}

void TvxStringValueType::FreeBuffer(void* buffer) const { FreeCell<AnsiString>(buffer); }

Variant TvxStringValueType::GetDataValue(const void* buffer) const { return GetValue(CellOf<AnsiString>(buffer)); }

Variant TvxStringValueType::GetValue(const void* prepared) const {
  auto* cell = static_cast<const AnsiString*>(prepared);
  return cell ? Variant(*cell) : Variant::Null();
}

void TvxStringValueType::ReadDataValue(void* buffer, TStream& stream) const {
  SetCell<AnsiString>(buffer, ReadAnsiStringProc(stream));
}

void TvxStringValueType::SetDataValue(void* buffer, const Variant& value) const {
  if (value.IsNull()) FreeCell<AnsiString>(buffer);
  else SetCell<AnsiString>(buffer, value.AsString());
}

void TvxStringValueType::WriteDataValue(const void* buffer, TStream& stream) const {
  const AnsiString* cell = CellOf<AnsiString>(buffer);
  WriteAnsiStringProc(stream, cell ? *cell : AnsiString());
}

int TvxStringValueType::Compare(const void* p1, const void* p2) const {
  return CompareCells(static_cast<const AnsiString*>(p1), static_cast<const AnsiString*>(p2));
}

void TvxStringValueType::PrepareValueBuffer(const void*& buffer) const { buffer = Load<const void*>(buffer); }

// --- Wide strings ---------------------------------------------------------------------

const TvxWideStringValueType& TvxWideStringValueType::Instance() {
  static const TvxWideStringValueType instance;
  return instance;
}

void TvxWideStringValueType::FreeBuffer(void* buffer) const { FreeCell<WideString>(buffer); }

Variant TvxWideStringValueType::GetDataValue(const void* buffer) const {
  return GetValue(CellOf<WideString>(buffer));
}

Variant TvxWideStringValueType::GetValue(const void* prepared) const {
  auto* cell = static_cast<const WideString*>(prepared);
  return cell ? Variant(*cell) : Variant::Null();
}

void TvxWideStringValueType::ReadDataValue(void* buffer, TStream& stream) const {
  SetCell<WideString>(buffer, ReadWideStringProc(stream));
}

void TvxWideStringValueType::SetDataValue(void* buffer, const Variant& value) const {
  if (value.IsNull()) FreeCell<WideString>(buffer);
  else SetCell<WideString>(buffer, value.AsWideString());
}

void TvxWideStringValueType::WriteDataValue(const void* buffer, TStream& stream) const {
  const WideString* cell = CellOf<WideString>(buffer);
  WriteWideStringProc(stream, cell ? *cell : WideString());
}

int TvxWideStringValueType::Compare(const void* p1, const void* p2) const {
  return CompareCells(static_cast<const WideString*>(p1), static_cast<const WideString*>(p2));
}

// --- Variants -------------------------------------------------------------------------

const TvxVariantValueType& TvxVariantValueType::Instance() {
  static const TvxVariantValueType instance;
  return instance;
}

void TvxVariantValueType::FreeBuffer(void* buffer) const { FreeCell<Variant>(buffer); }

Variant TvxVariantValueType::GetDataValue(const void* buffer) const { return GetValue(CellOf<Variant>(buffer)); }

Variant TvxVariantValueType::GetValue(const void* prepared) const {
  auto* cell = static_cast<const Variant*>(prepared);
  return cell ? *cell : Variant::Null();
}

void TvxVariantValueType::SetDataValue(void* buffer, const Variant& value) const { SetCell<Variant>(buffer, value); }

int TvxVariantValueType::Compare(const void* p1, const void* p2) const {
  auto* a = static_cast<const Variant*>(p1);
  auto* b = static_cast<const Variant*>(p2);
  if (a == nullptr || b == nullptr) return a == b ? 0 : (a == nullptr ? -1 : 1);
  return VarCompare(*a, *b);
}

void TvxVariantValueType::PrepareValueBuffer(const void*& buffer) const { buffer = Load<const void*>(buffer); }

// --- Integers -------------------------------------------------------------------------

const TvxSmallintValueType& TvxSmallintValueType::Instance() {
  static const TvxSmallintValueType instance;
  return instance;
}

Variant TvxSmallintValueType::GetDataValue(const void* buffer) const { return Variant(Load<int16_t>(buffer)); }

void TvxSmallintValueType::ReadDataValue(void* buffer, TStream& stream) const {
  Store(buffer, ReadSmallIntProc(stream));
}

void TvxSmallintValueType::SetDataValue(void* buffer, const Variant& value) const {
  Store(buffer, static_cast<int16_t>(VarAsType(value, varSmallint).RawInt()));
}

void TvxSmallintValueType::WriteDataValue(const void* buffer, TStream& stream) const {
  WriteSmallIntProc(stream, Load<int16_t>(buffer));
}

int TvxSmallintValueType::Compare(const void* p1, const void* p2) const {
  return Load<int16_t>(p1) - Load<int16_t>(p2);
}

const TvxIntegerValueType& TvxIntegerValueType::Instance() {
  static const TvxIntegerValueType instance;
  return instance;
}

Variant TvxIntegerValueType::GetDataValue(const void* buffer) const { return Variant(Load<int32_t>(buffer)); }

void TvxIntegerValueType::ReadDataValue(void* buffer, TStream& stream) const { Store(buffer, ReadIntegerProc(stream)); }

void TvxIntegerValueType::SetDataValue(void* buffer, const Variant& value) const {
  Store(buffer, value.AsInteger());
}

void TvxIntegerValueType::WriteDataValue(const void* buffer, TStream& stream) const {
  WriteIntegerProc(stream, Load<int32_t>(buffer));
}

int TvxIntegerValueType::Compare(const void* p1, const void* p2) const {
  // Not a difference: that overflows for values far apart.
  return Order(Load<int32_t>(p1), Load<int32_t>(p2));
}

const TvxWordValueType& TvxWordValueType::Instance() {
  static const TvxWordValueType instance;
  return instance;
}

Variant TvxWordValueType::GetDataValue(const void* buffer) const { return Variant::FromWord(Load<uint16_t>(buffer)); }

void TvxWordValueType::ReadDataValue(void* buffer, TStream& stream) const { Store(buffer, ReadWordProc(stream)); }

void TvxWordValueType::SetDataValue(void* buffer, const Variant& value) const {
  Store(buffer, static_cast<uint16_t>(VarAsType(value, varWord).RawInt()));
}

void TvxWordValueType::WriteDataValue(const void* buffer, TStream& stream) const {
  WriteWordProc(stream, Load<uint16_t>(buffer));
}

int TvxWordValueType::Compare(const void* p1, const void* p2) const {
  return static_cast<int>(Load<uint16_t>(p1)) - static_cast<int>(Load<uint16_t>(p2));
}

const TvxLargeIntValueType& TvxLargeIntValueType::Instance() {
  static const TvxLargeIntValueType instance;
  return instance;
}

Variant TvxLargeIntValueType::GetDataValue(const void* buffer) const { return Variant(Load<int64_t>(buffer)); }

void TvxLargeIntValueType::ReadDataValue(void* buffer, TStream& stream) const { Store(buffer, ReadInt64Proc(stream)); }

void TvxLargeIntValueType::SetDataValue(void* buffer, const Variant& value) const {
  Store(buffer, value.AsInt64());
}

void TvxLargeIntValueType::WriteDataValue(const void* buffer, TStream& stream) const {
  WriteInt64Proc(stream, Load<int64_t>(buffer));
}

int TvxLargeIntValueType::Compare(const void* p1, const void* p2) const {
  return Order(Load<int64_t>(p1), Load<int64_t>(p2));
}

// --- Booleans -------------------------------------------------------------------------

const TvxBooleanValueType& TvxBooleanValueType::Instance() {
  static const TvxBooleanValueType instance;
  return instance;
}

Variant TvxBooleanValueType::GetDataValue(const void* buffer) const { return Variant(Load<uint8_t>(buffer) != 0); }

AnsiString TvxBooleanValueType::GetDefaultDisplayText(const void* buffer) const {
  return Load<uint8_t>(buffer) != 0 ? "True" : "False";
}

void TvxBooleanValueType::ReadDataValue(void* buffer, TStream& stream) const {
  Store<uint8_t>(buffer, ReadBooleanProc(stream) ? 1 : 0);
}

void TvxBooleanValueType::SetDataValue(void* buffer, const Variant& value) const {
  Store<uint8_t>(buffer, value.AsBoolean() ? 1 : 0);
}

void TvxBooleanValueType::WriteDataValue(const void* buffer, TStream& stream) const {
  WriteBooleanProc(stream, Load<uint8_t>(buffer) != 0);
}

int TvxBooleanValueType::Compare(const void* p1, const void* p2) const {
  return static_cast<int>(Load<uint8_t>(p1)) - static_cast<int>(Load<uint8_t>(p2));
}

// --- Floats, currency and dates -------------------------------------------------------

const TvxFloatValueType& TvxFloatValueType::Instance() {
  static const TvxFloatValueType instance;
  return instance;
}

Variant TvxFloatValueType::GetDataValue(const void* buffer) const { return Variant(Load<double>(buffer)); }

void TvxFloatValueType::ReadDataValue(void* buffer, TStream& stream) const {
  Store(buffer, static_cast<double>(ReadExtendedProc(stream)));
}

void TvxFloatValueType::SetDataValue(void* buffer, const Variant& value) const { Store(buffer, value.AsDouble()); }

void TvxFloatValueType::WriteDataValue(const void* buffer, TStream& stream) const {
  WriteExtendedProc(stream, Load<double>(buffer));
}

int TvxFloatValueType::Compare(const void* p1, const void* p2) const {
  return Order(Load<double>(p1), Load<double>(p2));
}

const TvxCurrencyValueType& TvxCurrencyValueType::Instance() {
  static const TvxCurrencyValueType instance;
  return instance;
}

Variant TvxCurrencyValueType::GetDataValue(const void* buffer) const {
  return Variant::FromCurrency(Load<int64_t>(buffer));
}

void TvxCurrencyValueType::ReadDataValue(void* buffer, TStream& stream) const {
  Store(buffer, ReadCurrencyProc(stream));
}

void TvxCurrencyValueType::SetDataValue(void* buffer, const Variant& value) const {
  Store(buffer, value.AsCurrency());
}

void TvxCurrencyValueType::WriteDataValue(const void* buffer, TStream& stream) const {
  WriteCurrencyProc(stream, Load<int64_t>(buffer));
}

int TvxCurrencyValueType::Compare(const void* p1, const void* p2) const {
  return Order(Load<int64_t>(p1), Load<int64_t>(p2));
}

const TvxDateTimeValueType& TvxDateTimeValueType::Instance() {
  static const TvxDateTimeValueType instance;
  return instance;
}

Variant TvxDateTimeValueType::GetDataValue(const void* buffer) const {
  return Variant::FromDate(Load<double>(buffer));
}

AnsiString TvxDateTimeValueType::GetDefaultDisplayText(const void* buffer) const {
  return Variant::FromDate(Load<double>(buffer)).AsString();
}

void TvxDateTimeValueType::ReadDataValue(void* buffer, TStream& stream) const {
  Store(buffer, ReadDoubleProc(stream));
}

void TvxDateTimeValueType::SetDataValue(void* buffer, const Variant& value) const {
  Store(buffer, value.AsDate());
}

void TvxDateTimeValueType::WriteDataValue(const void* buffer, TStream& stream) const {
  WriteDoubleProc(stream, Load<double>(buffer));
}

int TvxDateTimeValueType::Compare(const void* p1, const void* p2) const {
  return Order(Load<double>(p1), Load<double>(p2));
}

// --- BCD ------------------------------------------------------------------------------

namespace {

struct TDecimalParts {
  bool Negative = false;
  std::string Int;   // no leading zeros ("" for zero)
  std::string Frac;  // no trailing zeros
};

int Nibble(const TvxBcd& b, int i) {
  uint8_t byte = b.Fraction[i / 2];
  return i % 2 == 0 ? byte >> 4 : byte & 0x0F;
}

TDecimalParts PartsOf(const TvxBcd& b) {
  TDecimalParts p;
  int precision = std::min<int>(b.Precision, 64);
  int places = std::min<int>(b.SignSpecialPlaces & 0x3F, precision);
  for (int i = 0; i < precision; ++i) {
    char d = static_cast<char>('0' + std::min(Nibble(b, i), 9));
    (i < precision - places ? p.Int : p.Frac) += d;
  }
  size_t nz = p.Int.find_first_not_of('0');
  p.Int = nz == std::string::npos ? "" : p.Int.substr(nz);
  while (!p.Frac.empty() && p.Frac.back() == '0') p.Frac.pop_back();
  p.Negative = (b.SignSpecialPlaces & 0x80) != 0 && !(p.Int.empty() && p.Frac.empty());
  return p;
}

int CompareMagnitude(const TDecimalParts& a, const TDecimalParts& b) {
  if (a.Int.size() != b.Int.size()) return a.Int.size() < b.Int.size() ? -1 : 1;
  int r = a.Int.compare(b.Int);
  if (r == 0) r = a.Frac.compare(b.Frac);  // no trailing zeros: text order is value order
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

}  // namespace

AnsiString vxBcdToStr(const TvxBcd& bcd) {
  TDecimalParts p = PartsOf(bcd);
  AnsiString out = p.Negative ? "-" : "";
  out += p.Int.empty() ? "0" : p.Int;
  if (!p.Frac.empty()) out += GetFormatSettings().DecimalSeparator + p.Frac;
  return out;
}

bool vxTryStrToBcd(const AnsiString& text, TvxBcd& bcd) {
  AnsiString t = Trim(text);
  size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
  std::string ip, fp;
  bool point = false, any = false;
  const char sep = GetFormatSettings().DecimalSeparator;
  for (; i < t.size(); ++i) {
    char c = t[i];
    if (c >= '0' && c <= '9') {
      (point ? fp : ip) += c;
      any = true;
    } else if ((c == sep || c == '.') && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (!any) return false;
  size_t nz = ip.find_first_not_of('0');
  ip = nz == std::string::npos ? "" : ip.substr(nz);
  while (!fp.empty() && fp.back() == '0') fp.pop_back();
  std::string digits = ip + fp;
  if (digits.empty()) digits = "0";  // zero: one digit, no sign
  if (digits.size() > 64 || fp.size() > 63) return false;
  std::memset(&bcd, 0, sizeof bcd);
  bcd.Precision = static_cast<uint8_t>(digits.size());
  for (size_t k = 0; k < digits.size(); ++k) {
    int d = digits[k] - '0';
    bcd.Fraction[k / 2] |= static_cast<uint8_t>(k % 2 == 0 ? d << 4 : d);
  }
  bcd.SignSpecialPlaces = static_cast<uint8_t>(fp.size() | (negative && digits != "0" ? 0x80 : 0));
  return true;
}

int vxBcdCompare(const TvxBcd& a, const TvxBcd& b) {
  TDecimalParts pa = PartsOf(a), pb = PartsOf(b);
  if (pa.Negative != pb.Negative) return pa.Negative ? -1 : 1;
  int m = CompareMagnitude(pa, pb);
  return pa.Negative ? -m : m;
}

const TvxFMTBcdValueType& TvxFMTBcdValueType::Instance() {
  static const TvxFMTBcdValueType instance;
  return instance;
}

Variant TvxFMTBcdValueType::GetDataValue(const void* buffer) const {
  return Variant(vxBcdToStr(Load<TvxBcd>(buffer)));
}

AnsiString TvxFMTBcdValueType::GetDefaultDisplayText(const void* buffer) const {
  return vxBcdToStr(Load<TvxBcd>(buffer));
}

void TvxFMTBcdValueType::SetDataValue(void* buffer, const Variant& value) const {
  TvxBcd bcd;
  AnsiString text = value.IsString() ? value.AsString() : FloatToStrF(value.AsExtended(), TFloatFormat::ffGeneral, 18, 0);
  if (!vxTryStrToBcd(text, bcd))
    throw EVariantTypeCastError("Could not convert variant of type (" + Variant::TypeName(value.VarType()) +
                                ") into type (FMTBcd)");
  Store(buffer, bcd);
}

int TvxFMTBcdValueType::Compare(const void* p1, const void* p2) const {
  return vxBcdCompare(Load<TvxBcd>(p1), Load<TvxBcd>(p2));
}

// --- SQL time stamps ------------------------------------------------------------------

const TvxSQLTimeStampValueType& TvxSQLTimeStampValueType::Instance() {
  static const TvxSQLTimeStampValueType instance;
  return instance;
}

Variant TvxSQLTimeStampValueType::GetDataValue(const void* buffer) const {
  auto ts = Load<TvxSQLTimeStamp>(buffer);
  TDateTime date = 0;
  if (!TryEncodeDate(ts.Year, ts.Month, ts.Day, date)) return Variant::Null();  // an empty record
  double time = (ts.Hour * 3600000.0 + ts.Minute * 60000.0 + ts.Second * 1000.0 + ts.Fractions) / 86400000.0;
  return Variant::FromDate(date >= 0 ? date + time : date - time);
}

void TvxSQLTimeStampValueType::SetDataValue(void* buffer, const Variant& value) const {
  TvxSQLTimeStamp ts{};
  if (!value.IsNull()) {
    TDateTime dt = value.AsDate();
    int y, mo, d, h, mi, s, ms;
    DecodeDate(dt, y, mo, d);
    DecodeTime(dt, h, mi, s, ms);
    ts = {static_cast<int16_t>(y), static_cast<uint16_t>(mo), static_cast<uint16_t>(d), static_cast<uint16_t>(h),
          static_cast<uint16_t>(mi), static_cast<uint16_t>(s), static_cast<uint32_t>(ms)};
  }
  Store(buffer, ts);
}

int TvxSQLTimeStampValueType::Compare(const void* p1, const void* p2) const {
  auto a = Load<TvxSQLTimeStamp>(p1), b = Load<TvxSQLTimeStamp>(p2);
  if (int r = Order(a.Year, b.Year)) return r;
  if (int r = Order(a.Month, b.Month)) return r;
  if (int r = Order(a.Day, b.Day)) return r;
  if (int r = Order(a.Hour, b.Hour)) return r;
  if (int r = Order(a.Minute, b.Minute)) return r;
  if (int r = Order(a.Second, b.Second)) return r;
  return Order(a.Fractions, b.Fractions);
}

// --- Objects --------------------------------------------------------------------------

const TvxObjectValueType& TvxObjectValueType::Instance() {
  static const TvxObjectValueType instance;
  return instance;
}

void TvxObjectValueType::FreeBuffer(void* buffer) const {
  delete Load<TObject*>(buffer);
  Store<TObject*>(buffer, nullptr);
}

// --- The list -------------------------------------------------------------------------

TvxValueTypeClass TvxValueTypeClassList::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
  return FItems[static_cast<size_t>(index)];
}

void TvxValueTypeClassList::RegisterClass(TvxValueTypeClass cls) {
  if (cls != nullptr && std::find(FItems.begin(), FItems.end(), cls) == FItems.end()) FItems.push_back(cls);
}

void TvxValueTypeClassList::UnregisterClass(TvxValueTypeClass cls) {
  FItems.erase(std::remove(FItems.begin(), FItems.end(), cls), FItems.end());
}

TvxValueTypeClass TvxValueTypeClassList::ItemByCaption(const AnsiString& caption) const {
  for (TvxValueTypeClass c : FItems)
    if (SameText(c->Caption(), caption)) return c;
  return nullptr;
}

TvxValueTypeClassList& vxValueTypeClassList() {
  if (!GValueTypeClassList) GValueTypeClassList = std::make_unique<TvxValueTypeClassList>();
  return *GValueTypeClassList;
}

void InitializevxDataStorage() {
  for (TvxValueTypeClass c : RegisteredTypes()) vxValueTypeClassList().RegisterClass(c);
}

void FinalizevxDataStorage() {
  if (!GValueTypeClassList) return;
  std::vector<TvxValueTypeClass> types = RegisteredTypes();
  for (size_t i = types.size(); i-- > 0;) GValueTypeClassList->UnregisterClass(types[i]);
  GValueTypeClassList.reset();
}
