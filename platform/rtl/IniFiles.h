// Reading an INI file through the Win32 private-profile functions.
//
// The system does the parsing, so section and key names compare without regard to case,
// values come back trimmed of surrounding blanks, enclosing single or double quotation
// marks are dropped, and of a key written twice the first occurrence is the one read.
// A missing file reads as an empty file. Note that the system may cache a profile file by
// name: a file rewritten within the same second can still be read in its old form.
#pragma once

#include "platform/rtl/SysStrings.h"

#include <vector>

class TIniFile {
public:
  explicit TIniFile(AnsiString fileName) : FFileName(std::move(fileName)) {}
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  const AnsiString& FileName() const { return FFileName; }

  // The value of the key, or def when the section has no such key.
  AnsiString ReadString(const AnsiString& section, const AnsiString& ident,
                        const AnsiString& def) const;
  // The value as a decimal (or "$"/"0x" hexadecimal) 32-bit integer; def when the key is
  // missing or its value is no integer.
  int32_t ReadInteger(const AnsiString& section, const AnsiString& ident, int32_t def) const;
  // An integer value other than 0 is True; def when the key is missing or no integer.
  bool ReadBool(const AnsiString& section, const AnsiString& ident, bool def) const;

  // The key names of a section in file order (empty when the section is missing).
  std::vector<AnsiString> ReadSection(const AnsiString& section) const;
  // The section names in file order.
  std::vector<AnsiString> ReadSections() const;
  bool SectionExists(const AnsiString& section) const;
  // True when the section holds the key, whatever its value (an empty one included).
  bool ValueExists(const AnsiString& section, const AnsiString& ident) const;

private:
  AnsiString FFileName;
};
