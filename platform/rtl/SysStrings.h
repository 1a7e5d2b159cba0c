// ANSI (code page 932) and UTF-16 strings and the text helpers the whole program uses.
//
// AnsiString holds bytes in the ANSI code page; on the target systems that is Shift_JIS,
// where a double-byte character's trail byte can be 0x5C ('\') or an ASCII letter. Every
// helper here that looks at single bytes steps over double-byte characters first.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

using AnsiString = std::string;
using WideString = std::wstring;  // wchar_t is 16 bits on Windows: UTF-16

// --- Double-byte awareness (code page 932) --------------------------------------------

// True for a lead byte of a double-byte character of code page 932.
bool IsLeadByte(unsigned char c);
// Index of the character after the one that starts at i (steps two bytes over a
// double-byte character, never past the end).
size_t NextCharIndex(std::string_view s, size_t i);
// True when byte i of s is the second byte of a double-byte character.
bool IsTrailByteAt(std::string_view s, size_t i);

// --- Conversions ---------------------------------------------------------------------

// Through the system's ANSI code page (MultiByteToWideChar / WideCharToMultiByte).
WideString AnsiToWide(std::string_view s);
AnsiString WideToAnsi(std::wstring_view s);
// False when some character of s has no form in the ANSI code page (out gets the
// lossy conversion all the same).
bool WideToAnsiExact(std::wstring_view s, AnsiString& out);
// UTF-8 <-> UTF-16 (for the few places that speak UTF-8, such as test files).
WideString Utf8ToWide(std::string_view s);
std::string WideToUtf8(std::wstring_view s);

// --- Case and trimming ----------------------------------------------------------------

// ASCII letters only; double-byte characters are left as they are.
AnsiString AnsiLowerCase(std::string_view s);
AnsiString AnsiUpperCase(std::string_view s);
WideString WideLowerCase(std::wstring_view s);  // ASCII letters only
WideString WideUpperCase(std::wstring_view s);  // ASCII letters only
bool SameText(std::string_view a, std::string_view b);  // ASCII case-insensitive
bool SameTextW(std::wstring_view a, std::wstring_view b);
int CompareText(std::string_view a, std::string_view b);  // ASCII case-insensitive, <0 =0 >0

// Trim removes leading and trailing bytes <= ' ' (control characters and blanks).
AnsiString Trim(std::string_view s);
AnsiString TrimLeft(std::string_view s);
AnsiString TrimRight(std::string_view s);
WideString TrimW(std::wstring_view s);

// --- Numbers -----------------------------------------------------------------------

AnsiString IntToStr(int64_t v);
AnsiString IntToHex(uint64_t v, int digits);
// Decimal, optional sign, leading blanks allowed, "$" or "0x" for hexadecimal.
// Raise EConvertError ("'x' is not a valid integer value") on anything else or overflow.
int32_t StrToInt(std::string_view s);
int64_t StrToInt64(std::string_view s);
int32_t StrToIntDef(std::string_view s, int32_t def);
int64_t StrToInt64Def(std::string_view s, int64_t def);
bool TryStrToInt64(std::string_view s, int64_t& out);
int64_t StrToInt64W(std::wstring_view s);  // same rules, wide text

// printf-style formatting into an AnsiString.
AnsiString Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
WideString FormatW(const wchar_t* fmt, ...);

// --- Paths (double-byte aware) ---------------------------------------------------------

AnsiString IncludeTrailingBackslash(std::string_view path);
AnsiString ExcludeTrailingBackslash(std::string_view path);
WideString IncludeTrailingBackslashW(std::wstring_view path);
WideString ExcludeTrailingBackslashW(std::wstring_view path);
// The extension from the last '.' after the last '\' or ':', dot included; empty if none.
AnsiString ExtractFileExt(std::string_view path);
AnsiString ExtractFilePath(std::string_view path);  // up to and including the last '\' or ':'
AnsiString ExtractFileName(std::string_view path);
AnsiString ChangeFileExt(std::string_view path, std::string_view ext);
WideString ExtractFileExtW(std::wstring_view path);
WideString ExtractFilePathW(std::wstring_view path);
WideString ExtractFileNameW(std::wstring_view path);
WideString ChangeFileExtW(std::wstring_view path, std::wstring_view ext);
// Byte index of the last character of s that is one of delims (never a trail byte),
// or std::string::npos.
size_t LastDelimiter(std::string_view delims, std::string_view s);

// --- Searching and replacing (double-byte aware) ----------------------------------------

// Index of the first occurrence of sub in s that starts on a character boundary, or npos.
size_t AnsiPos(std::string_view sub, std::string_view s, size_t from = 0);
AnsiString StringReplaceAll(std::string_view s, std::string_view from, std::string_view to);
