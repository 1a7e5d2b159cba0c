#include "platform/rtl/SysStrings.h"

#include "platform/rtl/SysExceptions.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <limits>
#include <vector>

bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

size_t NextCharIndex(std::string_view s, size_t i) {
  if (i >= s.size()) return s.size();
  if (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) return i + 2;
  return i + 1;
}

bool IsTrailByteAt(std::string_view s, size_t i) {
  size_t p = 0;
  while (p < s.size()) {
    size_t next = NextCharIndex(s, p);
    if (i < next) return i != p;
    p = next;
  }
  return false;
}

WideString AnsiToWide(std::string_view s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  WideString w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

static AnsiString WideToCodePage(UINT cp, std::wstring_view s, BOOL* usedDefault) {
  if (s.empty()) return {};
  int n = WideCharToMultiByte(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr,
                              usedDefault);
  AnsiString a(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(cp, 0, s.data(), static_cast<int>(s.size()), a.data(), n, nullptr,
                      usedDefault);
  return a;
}

AnsiString WideToAnsi(std::wstring_view s) { return WideToCodePage(CP_ACP, s, nullptr); }

bool WideToAnsiExact(std::wstring_view s, AnsiString& out) {
  BOOL usedDefault = FALSE;
  out = WideToCodePage(CP_ACP, s, &usedDefault);
  // Best-fit mappings can turn a character into a look-alike without using the default
  // character, so the round trip is the real test.
  return !usedDefault && AnsiToWide(out) == s;
}

WideString Utf8ToWide(std::string_view s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  WideString w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string WideToUtf8(std::wstring_view s) { return WideToCodePage(CP_UTF8, s, nullptr); }

AnsiString AnsiLowerCase(std::string_view s) {
  AnsiString r(s);
  for (size_t i = 0; i < r.size(); i = NextCharIndex(r, i)) {
    if (r[i] >= 'A' && r[i] <= 'Z') r[i] = static_cast<char>(r[i] - 'A' + 'a');
  }
  return r;
}

AnsiString AnsiUpperCase(std::string_view s) {
  AnsiString r(s);
  for (size_t i = 0; i < r.size(); i = NextCharIndex(r, i)) {
    if (r[i] >= 'a' && r[i] <= 'z') r[i] = static_cast<char>(r[i] - 'a' + 'A');
  }
  return r;
}

WideString WideLowerCase(std::wstring_view s) {
  WideString r(s);
  for (auto& c : r)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return r;
}

WideString WideUpperCase(std::wstring_view s) {
  WideString r(s);
  for (auto& c : r)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  return r;
}

int CompareText(std::string_view a, std::string_view b) {
  // Lower-casing only touches single-byte ASCII letters, so comparing the folded texts
  // byte by byte keeps double-byte characters intact.
  AnsiString la = AnsiLowerCase(a), lb = AnsiLowerCase(b);
  int c = la.compare(lb);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

bool SameTextW(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && WideLowerCase(a) == WideLowerCase(b);
}

AnsiString Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return AnsiString(s.substr(b, e - b));
}

AnsiString TrimLeft(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  return AnsiString(s.substr(b));
}

AnsiString TrimRight(std::string_view s) {
  // A trail byte is never <= ' ' in code page 932, so stepping back byte by byte is safe.
  size_t e = s.size();
  while (e > 0 && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return AnsiString(s.substr(0, e));
}

WideString TrimW(std::wstring_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] <= L' ') ++b;
  while (e > b && s[e - 1] <= L' ') --e;
  return WideString(s.substr(b, e - b));
}

AnsiString IntToStr(int64_t v) { return Format("%lld", static_cast<long long>(v)); }

AnsiString IntToHex(uint64_t v, int digits) {
  return Format("%0*llX", digits, static_cast<unsigned long long>(v));
}

template <typename Ch>
static bool ParseInt64(std::basic_string_view<Ch> s, int64_t& out) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    neg = s[i] == '-';
    ++i;
  }
  unsigned base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return false;
  uint64_t limit = neg ? uint64_t(1) << 63 : (uint64_t(1) << 63) - 1;
  uint64_t v = 0;
  for (; i < s.size(); ++i) {
    unsigned d;
    Ch c = s[i];
    if (c >= '0' && c <= '9') d = unsigned(c - '0');
    else if (base == 16 && c >= 'a' && c <= 'f') d = unsigned(c - 'a' + 10);
    else if (base == 16 && c >= 'A' && c <= 'F') d = unsigned(c - 'A' + 10);
    else return false;
    if (v > (limit - d) / base) return false;
    v = v * base + d;
  }
  out = neg ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
  return true;
}

bool TryStrToInt64(std::string_view s, int64_t& out) { return ParseInt64<char>(s, out); }

[[noreturn]] static void RaiseNotInteger(std::string_view s) {
  throw EConvertError(Format("'%.*s' is not a valid integer value", static_cast<int>(s.size()),
                             s.data()));
}

int64_t StrToInt64(std::string_view s) {
  int64_t v;
  if (!ParseInt64<char>(s, v)) RaiseNotInteger(s);
  return v;
}

int32_t StrToInt(std::string_view s) {
  int64_t v;
  if (!ParseInt64<char>(s, v) || v < std::numeric_limits<int32_t>::min() ||
      v > std::numeric_limits<int32_t>::max())
    RaiseNotInteger(s);
  return static_cast<int32_t>(v);
}

int32_t StrToIntDef(std::string_view s, int32_t def) {
  int64_t v;
  if (!ParseInt64<char>(s, v) || v < std::numeric_limits<int32_t>::min() ||
      v > std::numeric_limits<int32_t>::max())
    return def;
  return static_cast<int32_t>(v);
}

int64_t StrToInt64Def(std::string_view s, int64_t def) {
  int64_t v;
  return ParseInt64<char>(s, v) ? v : def;
}

int64_t StrToInt64W(std::wstring_view s) {
  int64_t v;
  if (!ParseInt64<wchar_t>(s, v)) RaiseNotInteger(WideToAnsi(s));
  return v;
}

AnsiString Format(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  va_list ap2;
  va_copy(ap2, ap);
  int n = std::vsnprintf(nullptr, 0, fmt, ap);
  va_end(ap);
  AnsiString r;
  if (n > 0) {
    std::vector<char> buf(static_cast<size_t>(n) + 1);
    std::vsnprintf(buf.data(), buf.size(), fmt, ap2);
    r.assign(buf.data(), static_cast<size_t>(n));
  }
  va_end(ap2);
  return r;
}

WideString FormatW(const wchar_t* fmt, ...) {
  std::vector<wchar_t> buf(256);
  for (;;) {
    va_list ap;
    va_start(ap, fmt);
    int n = std::vswprintf(buf.data(), buf.size(), fmt, ap);
    va_end(ap);
    if (n >= 0 && static_cast<size_t>(n) < buf.size()) return WideString(buf.data(), size_t(n));
    buf.resize(buf.size() * 2);
    if (buf.size() > (1u << 24)) return {};
  }
}

// Byte index of the last '\' that is a real backslash, not a trail byte; npos if none.
static bool EndsWithBackslash(std::string_view s) {
  return !s.empty() && s.back() == '\\' && !IsTrailByteAt(s, s.size() - 1);
}

AnsiString IncludeTrailingBackslash(std::string_view path) {
  AnsiString r(path);
  if (!EndsWithBackslash(r)) r += '\\';
  return r;
}

AnsiString ExcludeTrailingBackslash(std::string_view path) {
  AnsiString r(path);
  if (EndsWithBackslash(r)) r.pop_back();
  return r;
}

WideString IncludeTrailingBackslashW(std::wstring_view path) {
  WideString r(path);
  if (r.empty() || r.back() != L'\\') r += L'\\';
  return r;
}

WideString ExcludeTrailingBackslashW(std::wstring_view path) {
  WideString r(path);
  if (!r.empty() && r.back() == L'\\') r.pop_back();
  return r;
}

size_t LastDelimiter(std::string_view delims, std::string_view s) {
  size_t found = std::string::npos;
  for (size_t i = 0; i < s.size(); i = NextCharIndex(s, i)) {
    if (!IsLeadByte(static_cast<unsigned char>(s[i])) && delims.find(s[i]) != std::string::npos)
      found = i;
  }
  return found;
}

AnsiString ExtractFileExt(std::string_view path) {
  size_t i = LastDelimiter(".\\:", path);
  if (i != std::string::npos && path[i] == '.') return AnsiString(path.substr(i));
  return {};
}

AnsiString ExtractFilePath(std::string_view path) {
  size_t i = LastDelimiter("\\:", path);
  return i == std::string::npos ? AnsiString() : AnsiString(path.substr(0, i + 1));
}

AnsiString ExtractFileName(std::string_view path) {
  size_t i = LastDelimiter("\\:", path);
  return i == std::string::npos ? AnsiString(path) : AnsiString(path.substr(i + 1));
}

AnsiString ChangeFileExt(std::string_view path, std::string_view ext) {
  size_t i = LastDelimiter(".\\:", path);
  if (i == std::string::npos || path[i] != '.') i = path.size();
  return AnsiString(path.substr(0, i)) + AnsiString(ext);
}

static size_t LastDelimiterW(std::wstring_view delims, std::wstring_view s) {
  for (size_t i = s.size(); i > 0; --i)
    if (delims.find(s[i - 1]) != std::wstring::npos) return i - 1;
  return std::wstring::npos;
}

WideString ExtractFileExtW(std::wstring_view path) {
  size_t i = LastDelimiterW(L".\\:", path);
  if (i != std::wstring::npos && path[i] == L'.') return WideString(path.substr(i));
  return {};
}

WideString ExtractFilePathW(std::wstring_view path) {
  size_t i = LastDelimiterW(L"\\:", path);
  return i == std::wstring::npos ? WideString() : WideString(path.substr(0, i + 1));
}

WideString ExtractFileNameW(std::wstring_view path) {
  size_t i = LastDelimiterW(L"\\:", path);
  return i == std::wstring::npos ? WideString(path) : WideString(path.substr(i + 1));
}

WideString ChangeFileExtW(std::wstring_view path, std::wstring_view ext) {
  size_t i = LastDelimiterW(L".\\:", path);
  if (i == std::wstring::npos || path[i] != L'.') i = path.size();
  return WideString(path.substr(0, i)) + WideString(ext);
}

size_t AnsiPos(std::string_view sub, std::string_view s, size_t from) {
  if (sub.empty()) return std::string::npos;
  for (size_t i = 0; i < s.size(); i = NextCharIndex(s, i)) {
    if (i >= from && s.compare(i, sub.size(), sub) == 0) return i;
  }
  return std::string::npos;
}

AnsiString StringReplaceAll(std::string_view s, std::string_view from, std::string_view to) {
  if (from.empty()) return AnsiString(s);
  AnsiString r;
  size_t i = 0;
  while (i < s.size()) {
    if (s.compare(i, from.size(), from) == 0) {
      r += to;
      i += from.size();
    } else {
      size_t next = NextCharIndex(s, i);
      r.append(s.substr(i, next - i));
      i = next;
    }
  }
  return r;
}
