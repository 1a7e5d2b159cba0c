// A parser for one line of tab-separated text with backslash escapes, and small typed
// value objects that convert to and from text.
#pragma once

#include "platform/rtl/Classes.h"

#include <cstdint>
#include <memory>

// Splits a line into its unescaped fields. A TAB or any other control character ends a
// field; control characters other than TAB at the very end of the line (its CR LF) end
// the line and add no field. Double-byte characters are stepped over whole, so a trail
// byte 0x5C is never taken for a backslash.
class TTabDelimitedText {
public:
  TTabDelimitedText();
  TTabDelimitedText(const TTabDelimitedText&) = delete;
  TTabDelimitedText& operator=(const TTabDelimitedText&) = delete;

  void SetLine(const AnsiString& line);
  const TStringList& Fields() const { return *FFields; }
  int Count() const { return FFields->Count(); }
  // True and the field when 0 <= index < Count.
  bool TryGet(int index, AnsiString& text) const;
  // The field when it exists and is not empty, else def.
  AnsiString Get(int index, const AnsiString& def) const;

  // Resolves \t \n \r \b \f \\ and \" in one field; a backslash before anything else stays.
  // A NUL, LF or CR in text raises ECorvaneException ("Unterminated string").
  static void Unescape(const AnsiString& text, AnsiString& result);
  // True when the byte at index (from 1) is the lead or trail byte of a double-byte
  // character.
  static bool IsDoubleByteCharPart(const AnsiString& text, int index);

private:
  std::unique_ptr<TStringList> FFields;
};

// A typed value that converts to and from text.
class THvAbstractObject {
public:
  virtual ~THvAbstractObject() = default;
  uint8_t TypeTag() const { return FTypeTag; }
  virtual AnsiString GetAsString() const = 0;
  virtual void SetAsString(const AnsiString& text) = 0;

protected:
  explicit THvAbstractObject(uint8_t typeTag) : FTypeTag(typeTag) {}

private:
  uint8_t FTypeTag;
};

class TBooleanObject : public THvAbstractObject {
public:
  TBooleanObject() : THvAbstractObject(1) {}
  bool Value = false;
  // "True" or "False".
  AnsiString GetAsString() const override;
  // "True"/"False" in any letter case, or a number (0 is False); anything else is False.
  void SetAsString(const AnsiString& text) override;
};

class TIntegerObject : public THvAbstractObject {
public:
  TIntegerObject() : THvAbstractObject(2) {}
  int32_t Value = 0;
  AnsiString GetAsString() const override;
  // The integer, or 0 when the text is not one.
  void SetAsString(const AnsiString& text) override;
};
