#include "controls/vxVariants.h"

#include "controls/vxClasses.h"
#include "controls/vxDataConsts.h"

#include <cstring>
#include <vector>

namespace {

// Tags of the tagged format.
enum : uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaFalse = 8,
  vaTrue = 9,
  vaLString = 12,
  vaNil = 13,
  vaSingle = 15,
  vaCurrency = 16,
  vaDate = 17,
  vaWString = 18,
};

// No honest stream nests arrays this deep; a hostile one would otherwise exhaust the stack.
constexpr int kMaxArrayDepth = 64;

void ReadExact(TStream& stream, void* buffer, int32_t count) {
  if (count > 0 && stream.Read(buffer, count) != count) throw EvxStreamReadError();
}

void WriteExact(TStream& stream, const void* buffer, int32_t count) {
  if (count > 0 && stream.Write(buffer, count) != count) throw EvxStreamWriteError();
}

int64_t BytesLeft(TStream& stream) {
  int64_t left = stream.Size() - stream.Position();
  return left > 0 ? left : 0;
}

template <typename T>
T ReadPlain(TStream& stream) {
  T v{};
  ReadExact(stream, &v, sizeof v);  // the target is little-endian, as the format
  return v;
}

template <typename T>
void WritePlain(TStream& stream, T v) {
  WriteExact(stream, &v, sizeof v);
}

// A length or count as found in the stream, refused unless that many units of unitSize
// bytes are really left.
int32_t CheckedLength(TStream& stream, int32_t length, int64_t unitSize) {
  if (length < 0 || static_cast<int64_t>(length) * unitSize > BytesLeft(stream)) throw EvxStreamReadError();
  return length;
}

uint8_t ReadTag(TStream& stream) { return ReadPlain<uint8_t>(stream); }

void WriteTag(TStream& stream, uint8_t tag) { WritePlain(stream, tag); }

// Compact integer: the smallest of 1, 2 or 4 bytes that holds the value, behind its tag.
void WriteCompact(TStream& stream, int32_t v) {
  if (v >= -128 && v <= 127) {
    WriteTag(stream, vaInt8);
    WritePlain(stream, static_cast<int8_t>(v));
  } else if (v >= -32768 && v <= 32767) {
    WriteTag(stream, vaInt16);
    WritePlain(stream, static_cast<int16_t>(v));
  } else {
    WriteTag(stream, vaInt32);
    WritePlain(stream, v);
  }
}

int32_t ReadCompact(TStream& stream) {
  switch (ReadTag(stream)) {
    case vaInt8: return ReadPlain<int8_t>(stream);
    case vaInt16: return ReadPlain<int16_t>(stream);
    case vaInt32: return ReadPlain<int32_t>(stream);
    default: throw EvxStreamReadError();
  }
}

void WriteByteString(TStream& stream, const AnsiString& s) {
  if (s.size() <= 255) {
    WriteTag(stream, vaString);
    WritePlain(stream, static_cast<uint8_t>(s.size()));
  } else {
    if (s.size() > INT32_MAX) throw EvxStreamWriteError();
    WriteTag(stream, vaLString);
    WritePlain(stream, static_cast<int32_t>(s.size()));
  }
  WriteExact(stream, s.data(), static_cast<int32_t>(s.size()));
}

AnsiString ReadBytes(TStream& stream, int32_t length) {
  AnsiString s(static_cast<size_t>(CheckedLength(stream, length, 1)), '\0');
  ReadExact(stream, s.data(), length);
  return s;
}

Variant ReadVariantAt(TStream& stream, int depth) {
  uint8_t tag = ReadTag(stream);
  switch (tag) {
    case vaList: {
      if (depth >= kMaxArrayDepth) throw EvxStreamReadError();
      // Every element takes at least its tag byte: a larger count cannot be honest.
      int32_t count = CheckedLength(stream, ReadCompact(stream), 1);
      // The elements are gathered as they are read, not allocated up front: nested arrays
      // each claiming nearly the whole stream would otherwise reserve many times its size
      // before the first short read is noticed.
      std::vector<Variant> items;
      for (int32_t i = 0; i < count; ++i) items.push_back(ReadVariantAt(stream, depth + 1));
      Variant a = Variant::CreateArray(0, count - 1);
      a.Elements() = std::move(items);
      return a;
    }
    case vaNull: return Variant::Null();
    case vaInt8: return Variant::FromShortInt(ReadPlain<int8_t>(stream));
    case vaInt16: return Variant(ReadPlain<int16_t>(stream));
    case vaInt32: return Variant(ReadPlain<int32_t>(stream));
    case vaExtended: return Variant(static_cast<double>(ReadExtendedProc(stream)));
    case vaString: return Variant(ReadBytes(stream, ReadPlain<uint8_t>(stream)));
    case vaLString: return Variant(ReadBytes(stream, ReadPlain<int32_t>(stream)));
    case vaFalse: return Variant(false);
    case vaTrue: return Variant(true);
    case vaNil: return Variant();
    case vaSingle: return Variant(ReadPlain<float>(stream));
    case vaCurrency: return Variant::FromCurrency(ReadPlain<int64_t>(stream));
    case vaDate: return Variant::FromDate(ReadPlain<double>(stream));
    case vaWString: return Variant(ReadWideStringProc(stream));
    default: throw EvxStreamReadError();
  }
}

int ArrayLength(const Variant& v) { return v.ArrayHighBound(1) - v.ArrayLowBound(1) + 1; }

}  // namespace

EvxStreamReadError::EvxStreamReadError() : EReadError(vxLoadResourceString(scxStreamReadError)) {}

EvxStreamWriteError::EvxStreamWriteError() : EWriteError(vxLoadResourceString(scxStreamWriteError)) {}

// --- Ordering and tests ----------------------------------------------------------------

int VarCompare(const Variant& a, const Variant& b) {
  if (!a.IsArray() && !b.IsArray()) {
    if (a == b) return 0;
    if (a.IsNull()) return -1;
    if (b.IsNull()) return 1;
    return a < b ? -1 : 1;
  }
  if (a.IsArray() && b.IsArray()) {
    // Each array is walked from its own lower bound: two arrays with different bounds but
    // the same elements are equal, and a lower bound above 0 is never read out of range.
    int la = ArrayLength(a), lb = ArrayLength(b);
    if (la != lb) return la - lb;
    // Elements are read by their index in dimension 1, as the platform reads them: an array
    // of more dimensions raises instead of being read past its storage.
    int lowA = a.ArrayLowBound(1), lowB = b.ArrayLowBound(1);
    for (int i = 0; i < la; ++i) {
      int r = VarCompare(a[lowA + i], b[lowB + i]);
      if (r != 0) return r;
    }
    return 0;
  }
  return a.IsArray() ? 1 : -1;
}

bool VarEquals(const Variant& a, const Variant& b) { return VarCompare(a, b) == 0; }

bool VarEqualsSoft(const Variant& a, const Variant& b) {
  if (!a.IsNull() && !b.IsNull() && !a.IsArray() && !b.IsArray() &&
      (a.VarType() == varBoolean || b.VarType() == varBoolean))
    return a.AsString() == b.AsString();
  return VarEquals(a, b);
}

bool VarIsDate(const Variant& v) { return v.VarType() == varDate; }

bool VarIsNumericEx(const Variant& v) { return v.IsNumeric(); }

bool VarIsNullOrEmptyString(const Variant& v) {
  if (v.IsNull()) return true;
  if (v.VarType() == varString) return v.AsString().empty();
  if (v.VarType() == varOleStr) return v.AsWideString().empty();
  return false;
}

// --- Typed stream helpers --------------------------------------------------------------

AnsiString ReadAnsiStringProc(TStream& stream) { return ReadBytes(stream, ReadPlain<int32_t>(stream)); }

WideString ReadWideStringProc(TStream& stream) {
  int32_t count = CheckedLength(stream, ReadPlain<int32_t>(stream), 2);
  WideString s(static_cast<size_t>(count), L'\0');
  ReadExact(stream, s.data(), count * 2);
  return s;
}

bool ReadBooleanProc(TStream& stream) { return ReadPlain<uint8_t>(stream) != 0; }
int16_t ReadSmallIntProc(TStream& stream) { return ReadPlain<int16_t>(stream); }
uint16_t ReadWordProc(TStream& stream) { return ReadPlain<uint16_t>(stream); }
int32_t ReadIntegerProc(TStream& stream) { return ReadPlain<int32_t>(stream); }
int64_t ReadInt64Proc(TStream& stream) { return ReadPlain<int64_t>(stream); }
double ReadDoubleProc(TStream& stream) { return ReadPlain<double>(stream); }
int64_t ReadCurrencyProc(TStream& stream) { return ReadPlain<int64_t>(stream); }

long double ReadExtendedProc(TStream& stream) {
  unsigned char raw[10];
  ReadExact(stream, raw, sizeof raw);
  long double v = 0;
  static_assert(sizeof(long double) >= 10, "long double must be the x87 extended type");
  std::memcpy(&v, raw, sizeof raw);
  return v;
}

void WriteAnsiStringProc(TStream& stream, const AnsiString& s) {
  if (s.size() > INT32_MAX) throw EvxStreamWriteError();
  WritePlain(stream, static_cast<int32_t>(s.size()));
  WriteExact(stream, s.data(), static_cast<int32_t>(s.size()));
}

void WriteWideStringProc(TStream& stream, const WideString& s) {
  if (s.size() > INT32_MAX / 2) throw EvxStreamWriteError();
  WritePlain(stream, static_cast<int32_t>(s.size()));
  WriteExact(stream, s.data(), static_cast<int32_t>(s.size() * 2));
}

void WriteBooleanProc(TStream& stream, bool v) { WritePlain(stream, static_cast<uint8_t>(v ? 1 : 0)); }
void WriteSmallIntProc(TStream& stream, int16_t v) { WritePlain(stream, v); }
void WriteWordProc(TStream& stream, uint16_t v) { WritePlain(stream, v); }
void WriteIntegerProc(TStream& stream, int32_t v) { WritePlain(stream, v); }
void WriteInt64Proc(TStream& stream, int64_t v) { WritePlain(stream, v); }
void WriteDoubleProc(TStream& stream, double v) { WritePlain(stream, v); }
void WriteCurrencyProc(TStream& stream, int64_t scaled) { WritePlain(stream, scaled); }

void WriteExtendedProc(TStream& stream, long double v) {
  unsigned char raw[sizeof(long double)] = {};
  std::memcpy(raw, &v, sizeof v);
  WriteExact(stream, raw, 10);
}

// --- Tagged variants -------------------------------------------------------------------

Variant ReadVariant(TStream& stream) { return ReadVariantAt(stream, 0); }

void WriteVariant(TStream& stream, const Variant& v) {
  if (v.IsArray()) {
    if (v.ArrayDimCount() != 1) throw EvxStreamWriteError();
    WriteTag(stream, vaList);
    int count = ArrayLength(v);
    WriteCompact(stream, count);
    for (const Variant& e : v.Elements()) WriteVariant(stream, e);
    return;
  }
  switch (v.VarType()) {
    case varEmpty: WriteTag(stream, vaNil); return;
    case varNull: WriteTag(stream, vaNull); return;
    case varShortInt: case varByte: case varSmallint: case varInteger:
      WriteCompact(stream, static_cast<int32_t>(v.RawInt()));
      return;
    case varSingle:
      WriteTag(stream, vaSingle);
      WritePlain(stream, static_cast<float>(v.RawDouble()));
      return;
    case varDouble:
      WriteTag(stream, vaExtended);
      WriteExtendedProc(stream, v.RawDouble());
      return;
    case varCurrency:
      WriteTag(stream, vaCurrency);
      WritePlain(stream, v.RawInt());
      return;
    case varDate:
      WriteTag(stream, vaDate);
      WritePlain(stream, v.RawDouble());
      return;
    case varOleStr:
      WriteTag(stream, vaWString);
      WriteWideStringProc(stream, v.AsWideString());
      return;
    case varBoolean: WriteTag(stream, v.RawInt() ? vaTrue : vaFalse); return;
    case varString: WriteByteString(stream, v.AsString()); return;
    default: break;
  }
  // Unsigned and 64-bit integers and any other type travel as their text.
  AnsiString text;
  try {
    text = v.AsString();
  } catch (const Exception&) {
    throw EvxStreamWriteError();
  }
  WriteByteString(stream, text);
}
