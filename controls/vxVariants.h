// One ordering of variant values (null, scalars, strings, one-dimensional arrays) for the
// control library, the equality tests the editors use on edit values, and the binary stream
// format of variants and of plain typed values.
//
// Stream reading trusts nothing it finds: every length and count is checked against the
// bytes left in the stream before anything is allocated or read, and nested arrays are
// limited in depth, so a damaged or hostile stream ends in EvxStreamReadError.
#pragma once

#include "platform/rtl/Streams.h"
#include "platform/rtl/SysExceptions.h"
#include "platform/rtl/Variant.h"

#include <cstdint>

// The platform's stream errors, with the library's (translatable) message texts.
class EvxStreamReadError : public EReadError {
public:
  EvxStreamReadError();
  const char* ClassName() const override { return "EReadError"; }
};
class EvxStreamWriteError : public EWriteError {
public:
  EvxStreamWriteError();
  const char* ClassName() const override { return "EWriteError"; }
};

// --- Ordering and tests ----------------------------------------------------------------

// Negative, 0 or positive. Scalars: equal gives 0, a null orders first, then the platform's
// "<". Arrays: the shorter first, then element by element (each array from its own lower
// bound); an array orders after any scalar. Arrays of more than one dimension are not
// ordered: comparing their elements raises EVariantInvalidOpError, as indexing them does.
int VarCompare(const Variant& a, const Variant& b);
bool VarEquals(const Variant& a, const Variant& b);
// When neither is null and one is a boolean, both compare as their texts; else VarEquals.
bool VarEqualsSoft(const Variant& a, const Variant& b);
bool VarIsDate(const Variant& v);
bool VarIsNumericEx(const Variant& v);
bool VarIsNullOrEmptyString(const Variant& v);

// --- Typed stream helpers (little-endian; reading raises EvxStreamReadError at the end) ---

AnsiString ReadAnsiStringProc(TStream& stream);     // 32-bit length, bytes
WideString ReadWideStringProc(TStream& stream);     // 32-bit character count, UTF-16LE
bool ReadBooleanProc(TStream& stream);              // 1 byte
int16_t ReadSmallIntProc(TStream& stream);
uint16_t ReadWordProc(TStream& stream);
int32_t ReadIntegerProc(TStream& stream);
int64_t ReadInt64Proc(TStream& stream);
double ReadDoubleProc(TStream& stream);             // also date-times
int64_t ReadCurrencyProc(TStream& stream);          // scaled by 10 000
long double ReadExtendedProc(TStream& stream);      // 10-byte x87 extended
void WriteAnsiStringProc(TStream& stream, const AnsiString& s);
void WriteWideStringProc(TStream& stream, const WideString& s);
void WriteBooleanProc(TStream& stream, bool v);
void WriteSmallIntProc(TStream& stream, int16_t v);
void WriteWordProc(TStream& stream, uint16_t v);
void WriteIntegerProc(TStream& stream, int32_t v);
void WriteInt64Proc(TStream& stream, int64_t v);
void WriteDoubleProc(TStream& stream, double v);
void WriteCurrencyProc(TStream& stream, int64_t scaled);
void WriteExtendedProc(TStream& stream, long double v);

// --- Tagged variants -------------------------------------------------------------------

Variant ReadVariant(TStream& stream);
void WriteVariant(TStream& stream, const Variant& v);
