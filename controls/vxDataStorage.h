// Value types: how one kind of value sits in a value buffer, converts to and from a variant
// and a display text, orders, and travels through a stream.
//
// A value type holds no data: each is one stateless object (Instance()) whose operations are
// all virtual, and code passes TvxValueTypeClass pointers to them as it would class
// references. A value buffer is the storage slot of one value: fixed-size types keep the
// value itself there (GetDataSize bytes); the byte-string, wide-string and variant types keep
// a pointer to an owned heap cell, null for "no value". A display text, when stored, is a
// separate owned cell (TvxTextCell) with its own pointer.
//
// The platform has no BCD or SQL time-stamp variants; the FMTBcd type presents its value as
// the exact decimal text (a byte-string variant) and the SQLTimeStamp type as a date.
#pragma once

#include "platform/gui/Components.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Variant.h"

#include <cstdint>
#include <vector>

using TvxTextCell = AnsiString*;

class TvxValueType;
using TvxValueTypeClass = const TvxValueType*;

class TvxValueType {
public:
  virtual ~TvxValueType() = default;
  static const TvxValueType& Instance();
  virtual const char* ClassName() const { return "TvxValueType"; }

  // Slot order of the operations, as the value types of the platform had them.
  virtual int CompareValues(const void* p1, const void* p2) const;  // two slots
  virtual void FreeBuffer(void* buffer) const {}
  virtual void FreeTextBuffer(TvxTextCell& text) const;
  virtual int GetDataSize() const { return 0; }
  virtual Variant GetDataValue(const void* buffer) const { return Variant::Null(); }
  virtual AnsiString GetDefaultDisplayText(const void* buffer) const;
  virtual AnsiString GetDisplayText(const TvxTextCell& text) const;
  virtual void ReadDataValue(void* buffer, TStream& stream) const;
  virtual void ReadDisplayText(TvxTextCell& text, TStream& stream) const;
  virtual void SetDataValue(void* buffer, const Variant& value) const {}
  virtual void SetDisplayText(TvxTextCell& text, const AnsiString& value) const;
  virtual void WriteDataValue(const void* buffer, TStream& stream) const;
  virtual void WriteDisplayText(const TvxTextCell& text, TStream& stream) const;
  // The class name without its leading "Tvx" and its "ValueType": "" for the base.
  virtual AnsiString Caption() const;
  // Two prepared values (see PrepareValueBuffer): the slots themselves for fixed-size types,
  // the cells for the reference types.
  virtual int Compare(const void* p1, const void* p2) const;
  virtual Variant GetValue(const void* prepared) const { return GetDataValue(prepared); }
  virtual int GetVarType() const { return varVariant; }
  // True for Null and for the variant type; otherwise converts value in place to the
  // type's variant type (a failed conversion raises) and is true.
  virtual bool IsValueValid(Variant& value) const;
  virtual bool IsString() const { return false; }
  // Turns a slot address into what Compare and GetValue take: the reference types replace
  // it by the cell pointer it holds.
  virtual void PrepareValueBuffer(const void*& buffer) const {}

protected:
  TvxValueType() = default;
};

// --- Reference types --------------------------------------------------------------------

class TvxStringValueType : public TvxValueType {
public:
  static const TvxStringValueType& Instance();
  const char* ClassName() const override { return "TvxStringValueType"; }
  void FreeBuffer(void* buffer) const override;
  int GetDataSize() const override { return static_cast<int>(sizeof(void*)); }
  Variant GetDataValue(const void* buffer) const override;
  void ReadDataValue(void* buffer, TStream& stream) const override;
  void SetDataValue(void* buffer, const Variant& value) const override;
  void WriteDataValue(const void* buffer, TStream& stream) const override;
  int Compare(const void* p1, const void* p2) const override;
  Variant GetValue(const void* prepared) const override;
  int GetVarType() const override { return varString; }
  bool IsString() const override { return true; }
  void PrepareValueBuffer(const void*& buffer) const override;

protected:
  TvxStringValueType() = default;
};

class TvxWideStringValueType : public TvxStringValueType {
public:
  static const TvxWideStringValueType& Instance();
  const char* ClassName() const override { return "TvxWideStringValueType"; }
  void FreeBuffer(void* buffer) const override;
  Variant GetDataValue(const void* buffer) const override;
  void ReadDataValue(void* buffer, TStream& stream) const override;
  void SetDataValue(void* buffer, const Variant& value) const override;
  void WriteDataValue(const void* buffer, TStream& stream) const override;
  int Compare(const void* p1, const void* p2) const override;
  Variant GetValue(const void* prepared) const override;
  int GetVarType() const override { return varOleStr; }

protected:
  TvxWideStringValueType() = default;
};

class TvxVariantValueType : public TvxValueType {
public:
  static const TvxVariantValueType& Instance();
  const char* ClassName() const override { return "TvxVariantValueType"; }
  void FreeBuffer(void* buffer) const override;
  int GetDataSize() const override { return static_cast<int>(sizeof(void*)); }
  Variant GetDataValue(const void* buffer) const override;
  void SetDataValue(void* buffer, const Variant& value) const override;
  int Compare(const void* p1, const void* p2) const override;
  Variant GetValue(const void* prepared) const override;
  void PrepareValueBuffer(const void*& buffer) const override;

protected:
  TvxVariantValueType() = default;
};

// --- Fixed-size types -------------------------------------------------------------------

class TvxSmallintValueType : public TvxValueType {
public:
  static const TvxSmallintValueType& Instance();
  const char* ClassName() const override { return "TvxSmallintValueType"; }
  int GetDataSize() const override { return 2; }
  Variant GetDataValue(const void* buffer) const override;
  void ReadDataValue(void* buffer, TStream& stream) const override;
  void SetDataValue(void* buffer, const Variant& value) const override;
  void WriteDataValue(const void* buffer, TStream& stream) const override;
  int Compare(const void* p1, const void* p2) const override;
  int GetVarType() const override { return varSmallint; }
};

class TvxIntegerValueType : public TvxValueType {
public:
  static const TvxIntegerValueType& Instance();
  const char* ClassName() const override { return "TvxIntegerValueType"; }
  int GetDataSize() const override { return 4; }
  Variant GetDataValue(const void* buffer) const override;
  void ReadDataValue(void* buffer, TStream& stream) const override;
  void SetDataValue(void* buffer, const Variant& value) const override;
  void WriteDataValue(const void* buffer, TStream& stream) const override;
  int Compare(const void* p1, const void* p2) const override;
  int GetVarType() const override { return varInteger; }

protected:
  TvxIntegerValueType() = default;
};

class TvxWordValueType : public TvxValueType {
public:
  static const TvxWordValueType& Instance();
  const char* ClassName() const override { return "TvxWordValueType"; }
  int GetDataSize() const override { return 2; }
  Variant GetDataValue(const void* buffer) const override;
  void ReadDataValue(void* buffer, TStream& stream) const override;
  void SetDataValue(void* buffer, const Variant& value) const override;
  void WriteDataValue(const void* buffer, TStream& stream) const override;
  int Compare(const void* p1, const void* p2) const override;
  int GetVarType() const override { return varWord; }
};

class TvxBooleanValueType : public TvxValueType {
public:
  static const TvxBooleanValueType& Instance();
  const char* ClassName() const override { return "TvxBooleanValueType"; }
  int GetDataSize() const override { return 1; }
  Variant GetDataValue(const void* buffer) const override;
  AnsiString GetDefaultDisplayText(const void* buffer) const override;
  void ReadDataValue(void* buffer, TStream& stream) const override;
  void SetDataValue(void* buffer, const Variant& value) const override;
  void WriteDataValue(const void* buffer, TStream& stream) const override;
  int Compare(const void* p1, const void* p2) const override;
  int GetVarType() const override { return varBoolean; }
};

class TvxFloatValueType : public TvxValueType {
public:
  static const TvxFloatValueType& Instance();
  const char* ClassName() const override { return "TvxFloatValueType"; }
  int GetDataSize() const override { return 8; }
  Variant GetDataValue(const void* buffer) const override;
  void ReadDataValue(void* buffer, TStream& stream) const override;
  void SetDataValue(void* buffer, const Variant& value) const override;
  void WriteDataValue(const void* buffer, TStream& stream) const override;
  int Compare(const void* p1, const void* p2) const override;
  int GetVarType() const override { return varDouble; }
};

class TvxCurrencyValueType : public TvxValueType {
public:
  static const TvxCurrencyValueType& Instance();
  const char* ClassName() const override { return "TvxCurrencyValueType"; }
  int GetDataSize() const override { return 8; }
  Variant GetDataValue(const void* buffer) const override;
  void ReadDataValue(void* buffer, TStream& stream) const override;
  void SetDataValue(void* buffer, const Variant& value) const override;
  void WriteDataValue(const void* buffer, TStream& stream) const override;
  int Compare(const void* p1, const void* p2) const override;
  int GetVarType() const override { return varCurrency; }
};

class TvxDateTimeValueType : public TvxValueType {
public:
  static const TvxDateTimeValueType& Instance();
  const char* ClassName() const override { return "TvxDateTimeValueType"; }
  int GetDataSize() const override { return 8; }
  Variant GetDataValue(const void* buffer) const override;
  AnsiString GetDefaultDisplayText(const void* buffer) const override;
  void ReadDataValue(void* buffer, TStream& stream) const override;
  void SetDataValue(void* buffer, const Variant& value) const override;
  void WriteDataValue(const void* buffer, TStream& stream) const override;
  int Compare(const void* p1, const void* p2) const override;
  int GetVarType() const override { return varDate; }
};

class TvxLargeIntValueType : public TvxValueType {
public:
  static const TvxLargeIntValueType& Instance();
  const char* ClassName() const override { return "TvxLargeIntValueType"; }
  int GetDataSize() const override { return 8; }
  Variant GetDataValue(const void* buffer) const override;
  void ReadDataValue(void* buffer, TStream& stream) const override;
  void SetDataValue(void* buffer, const Variant& value) const override;
  void WriteDataValue(const void* buffer, TStream& stream) const override;
  int Compare(const void* p1, const void* p2) const override;
  int GetVarType() const override { return varInt64; }
};

// The platform's 34-byte BCD record: precision (digits), sign bit 7 and decimal places in
// bits 0-5, then 64 digits as nibbles, high nibble first.
struct TvxBcd {
  uint8_t Precision;
  uint8_t SignSpecialPlaces;
  uint8_t Fraction[32];
};
static_assert(sizeof(TvxBcd) == 34, "BCD record layout");
// Exact decimal text ("-12.5", the locale's decimal separator) and back; false when the
// text is no decimal number or needs more than 64 digits.
AnsiString vxBcdToStr(const TvxBcd& bcd);
bool vxTryStrToBcd(const AnsiString& text, TvxBcd& bcd);
int vxBcdCompare(const TvxBcd& a, const TvxBcd& b);

class TvxFMTBcdValueType : public TvxValueType {
public:
  static const TvxFMTBcdValueType& Instance();
  const char* ClassName() const override { return "TvxFMTBcdValueType"; }
  int GetDataSize() const override { return 34; }
  Variant GetDataValue(const void* buffer) const override;
  AnsiString GetDefaultDisplayText(const void* buffer) const override;
  void SetDataValue(void* buffer, const Variant& value) const override;
  int Compare(const void* p1, const void* p2) const override;
  int GetVarType() const override { return varString; }
};

// The platform's 16-byte SQL time stamp; Fractions are milliseconds.
struct TvxSQLTimeStamp {
  int16_t Year;
  uint16_t Month, Day, Hour, Minute, Second;
  uint32_t Fractions;
};
static_assert(sizeof(TvxSQLTimeStamp) == 16, "time-stamp record layout");

class TvxSQLTimeStampValueType : public TvxValueType {
public:
  static const TvxSQLTimeStampValueType& Instance();
  const char* ClassName() const override { return "TvxSQLTimeStampValueType"; }
  int GetDataSize() const override { return 16; }
  Variant GetDataValue(const void* buffer) const override;
  void SetDataValue(void* buffer, const Variant& value) const override;
  int Compare(const void* p1, const void* p2) const override;
  int GetVarType() const override { return varDate; }
};

// The slot holds an owned object pointer (freed by FreeBuffer); never streamed.
class TvxObjectValueType : public TvxIntegerValueType {
public:
  static const TvxObjectValueType& Instance();
  const char* ClassName() const override { return "TvxObjectValueType"; }
  void FreeBuffer(void* buffer) const override;
  void ReadDataValue(void* buffer, TStream& stream) const override {}
  void WriteDataValue(const void* buffer, TStream& stream) const override {}
};

// --- The registered list ----------------------------------------------------------------

class TvxValueTypeClassList {
public:
  int Count() const { return static_cast<int>(FItems.size()); }
  TvxValueTypeClass Items(int index) const;
  void RegisterClass(TvxValueTypeClass cls);    // listed once
  void UnregisterClass(TvxValueTypeClass cls);
  TvxValueTypeClass ItemByCaption(const AnsiString& caption) const;  // nullptr when none

private:
  std::vector<TvxValueTypeClass> FItems;
};

// The process-wide list, created on first use.
TvxValueTypeClassList& vxValueTypeClassList();

// Registers the fourteen types in their order; Finalize unregisters them in reverse and frees
// the list.
void InitializevxDataStorage();
void FinalizevxDataStorage();
