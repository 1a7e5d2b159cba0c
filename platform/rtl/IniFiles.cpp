#include "platform/rtl/IniFiles.h"

#include <windows.h>

namespace {

// GetPrivateProfileStringA cuts a value that does not fit and says so only by the length it
// returns (size - 1 for a value, size - 2 for a name list), so the buffer grows until the
// answer is shorter than that.
AnsiString QueryProfile(const char* section, const char* ident, const char* def,
                        const AnsiString& fileName, bool list) {
  std::vector<char> buf(2048);
  for (;;) {
    DWORD size = static_cast<DWORD>(buf.size());
    DWORD n = GetPrivateProfileStringA(section, ident, def, buf.data(), size, fileName.c_str());
    DWORD full = list ? size - 2 : size - 1;
    if (n < full || buf.size() >= (1u << 26)) return AnsiString(buf.data(), n);
    buf.resize(buf.size() * 4);
  }
}

// A name list comes back as names each ended by a NUL.
std::vector<AnsiString> SplitNulList(const AnsiString& text) {
  std::vector<AnsiString> names;
  size_t p = 0;
  while (p < text.size()) {
    size_t e = text.find('\0', p);
    if (e == AnsiString::npos) e = text.size();
    if (e > p) names.emplace_back(text.substr(p, e - p));
    p = e + 1;
  }
  return names;
}

}  // namespace

AnsiString TIniFile::ReadString(const AnsiString& section, const AnsiString& ident,
                                const AnsiString& def) const {
  return QueryProfile(section.c_str(), ident.c_str(), def.c_str(), FFileName, false);
}

int32_t TIniFile::ReadInteger(const AnsiString& section, const AnsiString& ident,
                              int32_t def) const {
  return StrToIntDef(ReadString(section, ident, ""), def);
}

bool TIniFile::ReadBool(const AnsiString& section, const AnsiString& ident, bool def) const {
  return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

std::vector<AnsiString> TIniFile::ReadSection(const AnsiString& section) const {
  return SplitNulList(QueryProfile(section.c_str(), nullptr, "", FFileName, true));
}

std::vector<AnsiString> TIniFile::ReadSections() const {
  return SplitNulList(QueryProfile(nullptr, nullptr, "", FFileName, true));
}

bool TIniFile::SectionExists(const AnsiString& section) const {
  return !ReadSection(section).empty();
}

bool TIniFile::ValueExists(const AnsiString& section, const AnsiString& ident) const {
  for (const AnsiString& name : ReadSection(section)) {
    if (SameText(name, ident)) return true;
  }
  return false;
}
